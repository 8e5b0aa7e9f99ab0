#pragma once
// A query dataset over an embedded SQLite database. Opening runs the SQL text with its parameters and keeps
// the rows it returns; editing writes each posted or deleted record back to one table by its key, inside a
// savepoint, so a failed write changes neither the database nor the kept row. The key is the one SQLite
// returned for the row, kind and bytes, not the value it reads as, so that a write reaches that row alone.
// Refresh reads the rows again and finds the current record by that key; bookmarks taken before a refresh
// are no longer valid after it.
#include "platform/classes/UnitList.h"
#include "platform/db/DBParams.h"
#include "platform/db/MemDataSet.h"

struct sqlite3;
struct sqlite3_stmt;
namespace sqlitequery_internal {
class TStatement;
class TRowKeys;
} // namespace sqlitequery_internal

class TSQLiteConnection : public TComponent {
  PELVOR_CLASS(TSQLiteConnection, TComponent)
public:
  explicit TSQLiteConnection(TComponent* AOwner) : TComponent(AOwner) {}
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
  sqlite3* Handle() const { return FHandle; }

private:
  sqlite3* FHandle = nullptr; // owned
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

  // The table edits are written to; empty means the one table every column of the result comes from.
  AnsiString UpdateTableName;
  // The ";"-separated fields that identify a row of that table; empty means the table's primary key.
  AnsiString KeyFields;
  // The table and key in use while open; empty when the query cannot be edited.
  const AnsiString& UpdateTable() const { return FUpdateTable; }
  const std::vector<AnsiString>& KeyColumns() const { return FKeyColumns; }

  bool CanModify() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalPost(const TRecordSlot& ASlot, bool AInserting, const std::vector<Variant>& AValues,
                    const std::vector<bool>& AChanged) override;
  void InternalDelete() override;
  void InternalRefresh() override;
  AnsiString CannotModifyReason() override { return FReadOnlyReason; }
  // SQLite's True is 1 in a column of any type, where the platform's converts to -1.
  void SetFieldData(TField* AField, const Variant& AValue) override;

private:
  struct TColumn {
    AnsiString Table;  // the table the column comes from, empty for an expression
    AnsiString Origin; // the column's name in that table
    TFieldType DataType = ftUnknown;
  };
  // Runs the text and loads the rows; when AOpening the columns are defined from the result and bound first.
  // A text that would change the database or its settings is refused before it runs.
  void RunQuery(bool AOpening);
  // The fields, their origins and the key columns of a query being opened, before its rows are read.
  void BindColumns();
  // The text prepared under the read-only guard; a text the guard refused is named for what it does.
  std::unique_ptr<sqlitequery_internal::TStatement> PrepareReadOnly(sqlite3* ADb) const;
  // Makes the parameters those the prepared statement names, keeping the values of names that stay.
  void TakeParamNames(sqlite3_stmt* AStmt);
  // TakeParamNames of the text prepared on the connection, when it prepares now.
  void TryTakeParamNames();
  // The table edits go to and, without KeyFields, its primary key; run before the rows are read, as another
  // statement run while a query reads rows slows every step after it.
  void FindUpdateTable();
  // The dataset's columns holding that key; the query stays read-only, saying why, when they are missing.
  void ChooseKeyFields();
  // Runs AWrite inside a savepoint; any failure rolls back and raises EDatabaseError saying what failed.
  template <class F> void WriteInSavepoint(const AnsiString& AWhat, F AWrite);
  // "k1 IS ? AND ...", filled with the key a row was read with (FRowKeys).
  AnsiString KeyCondition() const;

  TSQLiteConnection* FConnection = nullptr; // borrowed, with a free notification
  AnsiString FSQL;
  std::unique_ptr<TParams, TObjectDeleter> FParams;
  std::vector<TColumn> FColumns;
  AnsiString FUpdateTable;
  std::vector<AnsiString> FKeyColumns; // origin names in the update table
  std::vector<int> FKeyFieldNos;       // the dataset's columns holding them, from 1
  std::vector<AnsiString> FTableKey;   // the update table's primary key, in its order
  AnsiString FReadOnlyReason;
  // By row handle, the key columns' values as read (or as the database stored a write).
  std::unique_ptr<sqlitequery_internal::TRowKeys> FRowKeys;
  int FTextEncoding = 0; // the database's, in which FRowKeys keeps texts
};

// Unit start-up: publishes the query's "Params" so that code that finds parameters by property sees them.
void RegisterSQLiteQueryProperties();
extern const TUnitInfo SQLiteQueryUnit;
