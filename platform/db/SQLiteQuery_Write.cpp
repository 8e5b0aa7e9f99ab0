#include "platform/db/SQLiteQuery.h"

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
      sql += " WHERE ";
      for (std::size_t k = 0; k < FKeyColumns.size(); ++k)
        sql += (k ? " AND " : "") + Quote(FKeyColumns[k]) + " IS ?";
    }
    TStatement stmt(db, sql);
    int index = 1;
    for (std::size_t i : written)
      stmt.Bind(index++, values[i], FColumns[i].DataType);
    if (!AInserting)
      for (int no : FKeyFieldNos)
        stmt.Bind(index++, GetRowValue(ASlot.Row, no), FColumns[std::size_t(no - 1)].DataType);
    stmt.Exec();
    if (!AInserting && sqlite3_changes(db) != 1)
      throw EDatabaseError("the row was not found by its key; another user may have changed or deleted it");
    // A key the database gave the new row (an integer primary key left empty) is read back.
    if (AInserting && FKeyFieldNos.size() == 1) {
      std::size_t key = std::size_t(FKeyFieldNos[0] - 1);
      if (VarIsNull(values[key]) || VarIsEmpty(values[key])) {
        sqlite3_int64 id = sqlite3_last_insert_rowid(db);
        values[key] = ConvertCell(Variant(std::int64_t(id)), key);
        changed[key] = true;
      }
    }
  });
  TMemDataSet::InternalPost(ASlot, AInserting, values, changed);
}

void TSQLiteQuery::InternalDelete() {
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  std::int64_t row = CursorRow();
  if (row < 0)
    DatabaseError("No current record to delete");
  WriteInSavepoint("Delete of a row", [&](sqlite3* db) {
    AnsiString sql = "DELETE FROM " + Quote(FUpdateTable) + " WHERE ";
    for (std::size_t k = 0; k < FKeyColumns.size(); ++k)
      sql += (k ? " AND " : "") + Quote(FKeyColumns[k]) + " IS ?";
    TStatement stmt(db, sql);
    int index = 1;
    for (int no : FKeyFieldNos)
      stmt.Bind(index++, GetRowValue(row, no), FColumns[std::size_t(no - 1)].DataType);
    stmt.Exec();
    if (sqlite3_changes(db) != 1)
      throw EDatabaseError("the row was not found by its key; another user may have changed or deleted it");
  });
  TMemDataSet::InternalDelete();
}

void TSQLiteQuery::InternalRefresh() {
  // Rows are read again, so the cursor finds its record by key (or keeps its position without one).
  std::int64_t row = CursorRow();
  std::vector<Variant> key;
  for (int no : FKeyFieldNos)
    key.push_back(row >= 0 ? GetRowValue(row, no) : Null);
  int recNo = RecNo();
  TSavedRows old = TakeRows();
  try {
    RunQuery(false);
  } catch (...) {
    // A query that fails to run again leaves the rows it had, so the window still shows real records.
    RestoreRows(std::move(old));
    throw;
  }
  TMemDataSet::FilterChanged();
  if (!key.empty() && row >= 0) {
    std::vector<TField*> fields;
    for (int no : FKeyFieldNos)
      for (int i = 0; i < FieldCount(); ++i)
        if (Fields(i)->FieldNo() == no)
          fields.push_back(Fields(i));
    if (fields.size() == key.size()) {
      std::int64_t found = FindRow(fields, key, TLocateOptions());
      if (found >= 0 && SetCursorToRow(found))
        return;
    }
  }
  if (recNo > 0 && RecordCount() > 0) {
    std::int64_t target = std::min(recNo, RecordCount()) - 1;
    TRecordSlot probe;
    InternalFirst();
    for (std::int64_t i = 0; i <= target; ++i)
      GetRecord(probe, gmNext);
  }
}
