#include "platform/db/SQLiteQuery.h"

#include <utility>

#include "platform/db/SQLiteQuery_Internal.h"

using namespace sqlitequery_internal;

template <class F> void TSQLiteQuery::WriteInSavepoint(const AnsiString& AWhat, F AWrite) {
  sqlite3* db = FConnection ? FConnection->Handle() : nullptr;
  if (!db)
    DatabaseError("The query's connection is closed");
  // Releasing a savepoint that began the transaction commits it, which another connection's lock can make
  // fail; such a transaction is rolled back whole, so that no lock stays held after the failure.
  const char* undo =
      sqlite3_get_autocommit(db) ? "ROLLBACK" : "ROLLBACK TO pelvor_write; RELEASE pelvor_write";
  if (sqlite3_exec(db, "SAVEPOINT pelvor_write", nullptr, nullptr, nullptr) != SQLITE_OK)
    DatabaseError("Cannot start a transaction: " + SQLiteMessage(sqlite3_errmsg(db)));
  try {
    AWrite(db);
  } catch (const Exception& e) {
    sqlite3_exec(db, undo, nullptr, nullptr, nullptr);
    DatabaseError(AWhat + " of table '" + FUpdateTable + "' failed: " + e.Message());
  }
  if (sqlite3_exec(db, "RELEASE pelvor_write", nullptr, nullptr, nullptr) != SQLITE_OK) {
    AnsiString message = SQLiteMessage(sqlite3_errmsg(db));
    sqlite3_exec(db, undo, nullptr, nullptr, nullptr);
    DatabaseError(AWhat + " of table '" + FUpdateTable + "' failed at commit: " + message);
  }
}

void TSQLiteQuery::InternalPost(const TRecordSlot& ASlot, bool AInserting,
                                const std::vector<Variant>& AValues, const std::vector<bool>& AChanged) {
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  std::vector<Variant> values = AValues;
  std::vector<bool> changed = AChanged;
  std::vector<std::size_t> written;
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    bool ours = AnsiSameText(FColumns[i].Table, FUpdateTable);
    if (AChanged[i] && !ours)
      DatabaseError("Field '" + FieldDefs(int(i)).Name + "' is not a column of table '" + FUpdateTable +
                    "' and cannot be stored");
    if (ours && (AInserting ? !VarIsNull(values[i]) && !VarIsEmpty(values[i]) : bool(AChanged[i])))
      written.push_back(i);
  }
  if (!AInserting && written.empty()) {
    TMemDataSet::InternalPost(ASlot, AInserting, values, changed);
    return;
  }
  const std::size_t keys = FKeyFieldNos.size();
  // The key as the database stores it is read back wherever a write may give it another: a new row, a
  // changed key column. An update of other columns leaves it as it was read.
  bool keyWritten = AInserting;
  for (int no : FKeyFieldNos)
    keyWritten = keyWritten || AChanged[std::size_t(no - 1)];
  TRowKeys storedKey(keys);
  WriteInSavepoint(AInserting ? "Insert into a row" : "Update of a row", [&](sqlite3* db) {
    AnsiString sql;
    if (AInserting) {
      AnsiString names, marks;
      for (std::size_t i : written) {
        names += (names.empty() ? "" : ", ") + Quote(FColumns[i].Origin);
        marks += marks.empty() ? "?" : ", ?";
      }
      sql = written.empty()
                ? "INSERT INTO " + Quote(FUpdateTable) + " DEFAULT VALUES"
                : "INSERT INTO " + Quote(FUpdateTable) + " (" + names + ") VALUES (" + marks + ")";
    } else {
      sql = "UPDATE " + Quote(FUpdateTable) + " SET ";
      for (std::size_t k = 0; k < written.size(); ++k)
        sql += (k ? ", " : "") + Quote(FColumns[written[k]].Origin) + " = ?";
      sql += " WHERE " + KeyCondition();
    }
    if (keyWritten) {
      sql += " RETURNING ";
      for (std::size_t k = 0; k < keys; ++k)
        sql += (k ? ", " : "") + Quote(FKeyColumns[k]);
    }
    TStatement stmt(db, sql);
    int index = 1;
    for (std::size_t i : written)
      stmt.Bind(index++, values[i], FColumns[i].DataType, "Field '" + FieldDefs(int(i)).Name + "'");
    if (!AInserting)
      FRowKeys->Bind(stmt, std::size_t(ASlot.Row), index, FTextEncoding);
    sqlite3_stmt* s = stmt.Get();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      storedKey.Clear(keys);
      storedKey.AddRow();
      for (std::size_t k = 0; k < keys; ++k)
        storedKey.SetLast(k, sqlite3_column_value(s, int(k)));
      // A key the database gave the new row (an integer primary key left empty, a default) is read back.
      for (std::size_t k = 0; AInserting && k < keys; ++k) {
        std::size_t column = std::size_t(FKeyFieldNos[k] - 1);
        if (VarIsNull(values[column]) || VarIsEmpty(values[column])) {
          values[column] = ConvertCell(ReadCell(s, int(k), FColumns[column].DataType), column);
          changed[column] = true;
        }
      }
    }
    if (rc != SQLITE_DONE)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(db)));
    if (AInserting && storedKey.RowCount() == 0)
      throw EDatabaseError("the database stored no row");
    if (!AInserting && sqlite3_changes(db) != 1)
      throw EDatabaseError("the row was not found by its key; another user may have changed or deleted it");
  });
  if (!AInserting && keyWritten)
    FRowKeys->Replace(std::size_t(ASlot.Row), storedKey, 0);
  TMemDataSet::InternalPost(ASlot, AInserting, values, changed);
  // The new row's handle is the next one, as it is for the key kept with it.
  if (AInserting)
    FRowKeys->Append(storedKey, 0);
}

AnsiString TSQLiteQuery::KeyCondition() const {
  AnsiString sql;
  for (std::size_t k = 0; k < FKeyColumns.size(); ++k)
    sql += (k ? " AND " : "") + Quote(FKeyColumns[k]) + " IS ?";
  return sql;
}

void TSQLiteQuery::InternalDelete() {
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  std::int64_t row = CursorRow();
  if (row < 0)
    DatabaseError("No current record to delete");
  WriteInSavepoint("Delete of a row", [&](sqlite3* db) {
    TStatement stmt(db, "DELETE FROM " + Quote(FUpdateTable) + " WHERE " + KeyCondition());
    int index = 1;
    FRowKeys->Bind(stmt, std::size_t(row), index, FTextEncoding);
    stmt.Exec();
    if (sqlite3_changes(db) != 1)
      throw EDatabaseError("the row was not found by its key; another user may have changed or deleted it");
  });
  TMemDataSet::InternalDelete();
}

void TSQLiteQuery::InternalRefresh() {
  // Rows are read again, so the cursor finds its record by its key as stored (or keeps its position without
  // one).
  const std::size_t keys = FKeyFieldNos.size();
  std::int64_t row = CursorRow();
  TRowKeys key(keys);
  if (row >= 0 && keys > 0)
    key.Append(*FRowKeys, std::size_t(row));
  int recNo = RecNo();
  TSavedRows old = TakeRows();
  std::unique_ptr<TRowKeys> oldKeys = std::exchange(FRowKeys, std::make_unique<TRowKeys>(keys));
  try {
    RunQuery(false);
  } catch (...) {
    // A query that fails to run again leaves the rows it had, so the window still shows real records.
    RestoreRows(std::move(old));
    FRowKeys = std::move(oldKeys);
    throw;
  }
  TMemDataSet::FilterChanged();
  if (key.RowCount() == 1)
    for (std::size_t r = 0; r < FRowKeys->RowCount(); ++r)
      if (FRowKeys->Same(r, key, 0) && SetCursorToRow(std::int64_t(r)))
        return;
  if (recNo > 0 && RecordCount() > 0) {
    std::int64_t target = std::min(recNo, RecordCount()) - 1;
    TRecordSlot probe;
    InternalFirst();
    for (std::int64_t i = 0; i <= target; ++i)
      GetRecord(probe, gmNext);
  }
}
