#pragma once
// A query dataset over an embedded SQLite database. Opening runs the SQL text with its parameters and keeps
// the rows it returns; editing writes each posted or deleted record back to one table by its key, inside a
// savepoint, so a failed write changes neither the database nor the kept row. The key is the one SQLite
// returned for the row, kind and bytes, not the value it reads as, compared as the table's unique index on it
// compares keys, so that a write reaches that row alone; a key that reaches several rows reaches none. Once a
// write is over the records show what the file holds: the written row read back, rows its triggers or foreign
// keys changed read again, and rows SQLite removed beside it (by a REPLACE conflict, a trigger, a cascade)
// kept but no longer written to.
// Refresh reads the rows again and finds the current record by that key; bookmarks taken before a refresh
// are no longer valid after it.
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/classes/UnitList.h"
#include "platform/db/DBParams.h"
#include "platform/db/MemDataSet.h"

struct sqlite3;
struct sqlite3_stmt;
namespace sqlitequery_internal {
class TStatement;
class TRowKeys;
class TChangeLog;
struct TReadBack;
struct TBeside;
} // namespace sqlitequery_internal

class TSQLiteConnection : public TComponent {
  PELVOR_CLASS(TSQLiteConnection, TComponent)
public:
  explicit TSQLiteConnection(TComponent* AOwner);
  ~TSQLiteConnection() override;

  // The database file; ":memory:" for a private database in memory.
  AnsiString FileName;
  // Open makes an empty database when the file does not exist; otherwise a missing file is an error.
  bool CreateIfMissing = false;
  // How long a statement waits for another connection's lock before it fails, in milliseconds.
  int BusyTimeout = 5000;
  // Opens with SQLite's defences against untrusted SQL on: no writable schema, no extension loading, no
  // tokenizer registered by its pointer.
  void Open();
  void Close();
  bool Connected() const { return FHandle != nullptr; }
  // Runs statements that return no rows, several separated by ";" allowed.
  void ExecSQL(const AnsiString& ASQL);
  // The connection's handle. Its preupdate hook is the queries' own while they write: a hook set through it
  // is taken away by the next write.
  sqlite3* Handle() const { return FHandle; }
  // The statement of AUtf8, one the queries write with, prepared once and kept while the connection is
  // open, as compiling it costs more than running it. The caller shares it for one run and resets it after;
  // a statement let go while shared lives on until that run ends.
  std::shared_ptr<sqlitequery_internal::TStatement> Prepared(const std::string& AUtf8);

private:
  sqlite3* FHandle = nullptr; // owned
  // By text; finalized before the handle is closed.
  std::unordered_map<std::string, std::shared_ptr<sqlitequery_internal::TStatement>> FPrepared;
};

class TSQLiteQuery : public TMemDataSet {
  PELVOR_CLASS(TSQLiteQuery, TMemDataSet)
public:
  explicit TSQLiteQuery(TComponent* AOwner);
  ~TSQLiteQuery() override;

  TSQLiteConnection* Connection() const { return FConnection; }
  void SetConnection(TSQLiteConnection* AValue);
  const AnsiString& SQL() const { return FSQL; }
  // Closes the query; the parameters become the ":Name" references the database finds in the new text,
  // keeping the values of names that stay. Finding them runs none of the text, under the same guard as
  // opening. A text the database cannot prepare now (no connection, a table still to come, another
  // connection's lock, which is not waited for) leaves the list as it was until the query opens, which reads
  // the names again.
  void SetSQL(const AnsiString& AValue);
  TParams* Params() const { return FParams.get(); }
  Variant ParamValues(const AnsiString& ANames) const { return FParams->ParamValues(ANames); }

  // The table edits are written to; empty means the one table every column of the result comes from. Its
  // letters match as SQLite matches names: ASCII ones in either case, others as they are.
  AnsiString UpdateTableName;
  // The ";"-separated fields that identify a row of that table; empty means the table's primary key.
  AnsiString KeyFields;
  // The table and key in use while open; empty when the query cannot be edited. A table is written in the
  // database (main, temp or attached) it was read from, and only where each row of the result is known to be
  // one row of it read once: a SELECT, and the views and common tables it reads, that only select, join,
  // filter, order and limit rows, calling scalar functions. Anything else (groups, aggregates, windows, rows
  // made distinct in a view, a compound SELECT, a subquery, a table read twice, a virtual table, a view with
  // triggers of its own, a shape not known) leaves the query read-only, saying why.
  const AnsiString& UpdateTable() {
    CheckTraceable();
    return FUpdateTable;
  }
  const std::vector<AnsiString>& KeyColumns() {
    CheckTraceable();
    return FKeyColumns;
  }

  bool CanModify() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalPost(const TRecordSlot& ASlot, bool AInserting, const std::vector<Variant>& AValues,
                    const std::vector<bool>& AChanged) override;
  void InternalDelete() override;
  void InternalRefresh() override;
  AnsiString CannotModifyReason() override {
    CheckTraceable();
    return FReadOnlyReason;
  }
  // SQLite's True is 1 in a column of any type, where the platform's converts to -1.
  void SetFieldData(TField* AField, const Variant& AValue) override;

private:
  // Names as SQLite hands them out, in UTF-8: the code page cannot tell every name apart.
  struct TColumn {
    std::string Schema; // the database the column is read from
    std::string Table;  // the table the column comes from, empty for an expression
    std::string Origin; // the column's name in that table
    TFieldType DataType = ftUnknown;
  };
  // Runs the text and loads the rows; when AOpening the columns are defined from the result and bound first.
  // A text that would change the database or its settings is refused before it runs.
  void RunQuery(bool AOpening);
  // The fields, their origins and the key columns of a query being opened, before its rows are read.
  void BindColumns();
  // Makes the parameters those the prepared statement names, keeping the values of names that stay.
  void TakeParamNames(sqlite3_stmt* AStmt);
  // TakeParamNames of the text prepared on the connection, when it prepares now.
  void TryTakeParamNames();
  // The table edits go to and, without KeyFields, its primary key; run before the rows are read, as another
  // statement run while a query reads rows slows every step after it.
  void FindUpdateTable();
  // Whether each row of the result is one row of the update table, decided once an edit is in question
  // rather than when the query opens, so that a query that is only read does not pay for it; when not, the
  // query becomes read-only, saying why.
  void CheckTraceable();
  // Why the rows of the result cannot be taken for rows of the table ASchema.ATable; empty when they can, and
  // then AReadsNoRow says whether a row may have been read with no row of the table (an outer join's).
  AnsiString UntraceableReason(const std::string& ASchema, const std::string& ATable,
                               bool& AReadsNoRow) const;
  // The collations of the unique index that the key columns make up, by which the table tells keys apart.
  void FindKeyCollations();
  // The dataset's columns holding that key; the query stays read-only, saying why, when they are missing.
  void ChooseKeyFields();
  // Whether column AColumn (from 0) is read from the update table.
  bool IsWritten(std::size_t AColumn) const {
    return !FWriteTable.empty() && FColumns[AColumn].Table == FWriteTable &&
           FColumns[AColumn].Schema == FWriteSchema;
  }
  // The update table as a statement names it: "schema"."table", in UTF-8.
  std::string WriteTarget() const;
  // Runs AWrite inside a savepoint; any failure rolls back and raises EDatabaseError saying what failed.
  template <class F> void WriteInSavepoint(const AnsiString& AWhat, F AWrite);
  // "k1 IS ? COLLATE c1 AND ...", in UTF-8, filled with the key a row was read with (FRowKeys).
  std::string KeyCondition() const;
  // How many rows, up to two, KeyCondition reaches, as a scalar subquery bound as KeyCondition is.
  std::string KeyMatches() const;
  // Binds the key of row ARow from AIndex on; a row that is gone from the table is not found, nor one read
  // with no key where an outer join may have found no row of the table.
  void BindRowKey(sqlitequery_internal::TStatement& AStmt, std::int64_t ARow, int& AIndex) const;
  // Why the key of row ARow led an update or delete to no row: none or several hold it, or the database
  // skipped the write.
  AnsiString WhyNotWritten(sqlite3* ADb, std::int64_t ARow) const;
  // By column of the update table, the first of the query's columns holding it: what a write reads back.
  std::vector<std::size_t> ReadBackColumns() const;
  // Those columns' names as a statement lists them.
  std::string ReadBackList(const std::vector<std::size_t>& AReadBack) const;
  // The row AStmt stands on, whose columns are AReadBack, into ARead and, with AKey, its key into a row of
  // its own.
  void ReadBackRow(sqlite3_stmt* AStmt, const std::vector<std::size_t>& AReadBack,
                   sqlitequery_internal::TReadBack& ARead, sqlitequery_internal::TRowKeys* AKey) const;
  // The key columns' places in the rows the preupdate hook hands out, -1 where not known for certain, and
  // whether a NULL there may stand for a default the row never stored.
  void KeyTableColumns(sqlite3* ADb, std::vector<int>& AColumns, std::vector<bool>& ANullUnknown) const;
  // What the write whose changes ALog holds did beside its own row ASelf, whose key is now ASelfKey (null
  // after a delete). Rows it changed are read again by their keys now, so this runs while the write's
  // savepoint holds.
  sqlitequery_internal::TBeside FollowChanges(sqlite3* ADb, const sqlitequery_internal::TChangeLog& ALog,
                                              std::int64_t ASelf,
                                              const sqlitequery_internal::TRowKeys* ASelfKey) const;
  // Marks the records whose rows are gone and gives the changed ones their keys and values, all but ASelf,
  // which the write itself takes; answers whether a shown value changed.
  bool TakeBeside(sqlitequery_internal::TBeside& ABeside, std::int64_t ASelf);
  // Stores the written columns of ARead into ARow where they differ, marked as exact or approximate as they
  // were read; answers whether any differed.
  bool TakeStored(std::int64_t ARow, sqlitequery_internal::TReadBack& ARead);

  TSQLiteConnection* FConnection = nullptr; // borrowed, with a free notification
  AnsiString FSQL;
  std::unique_ptr<TParams, TObjectDeleter> FParams;
  std::vector<TColumn> FColumns;
  AnsiString FUpdateTable;  // in the code page, for callers and messages
  std::string FWriteSchema; // where edits go, in UTF-8
  std::string FWriteTable;
  std::vector<AnsiString> FKeyColumns; // origin names in the update table
  std::vector<int> FKeyFieldNos;       // the dataset's columns holding them, from 1
  std::vector<std::string> FTableKey;  // the update table's primary key, in its order, in UTF-8
  // By key column, the collation its unique index compares it by; empty for the column's own.
  std::vector<std::string> FKeyCollations;
  bool FReadsNoRow = false; // a row may have been read with no row of the update table behind it
  AnsiString FReadOnlyReason;
  bool FTraceChecked = false; // CheckTraceable has decided since the query opened
  // By row handle, the key columns' values as read (or as the database stored a write).
  std::unique_ptr<sqlitequery_internal::TRowKeys> FRowKeys;
  int FTextEncoding = 0; // the database's, in which FRowKeys keeps texts
};

// Unit start-up: publishes the query's "Params" so that code that finds parameters by property sees them.
void RegisterSQLiteQueryProperties();
extern const TUnitInfo SQLiteQueryUnit;
