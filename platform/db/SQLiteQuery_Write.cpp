#include "platform/db/SQLiteQuery.h"

#include <algorithm>
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

namespace {

const char* const kRowNotFound =
    "the row was not found by its key; another user may have changed or deleted it";

bool SameValue(const Variant& A, const Variant& B) {
  try {
    return VarSameValue(A, B);
  } catch (const Exception&) {
    return false; // values of kinds that do not compare are not the same
  }
}

} // namespace

void TSQLiteQuery::InternalPost(const TRecordSlot& ASlot, bool AInserting,
                                const std::vector<Variant>& AValues, const std::vector<bool>& AChanged) {
  CheckTraceable();
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  // A column of the table may be read more than once: it is written from the one copy given a value and read
  // back into every copy. By column of the table, the first of the query's columns that holds it.
  std::vector<std::size_t> written, returned;
  auto holding = [&](const std::vector<std::size_t>& AColumns, std::size_t AColumn) {
    return std::find_if(AColumns.begin(), AColumns.end(),
                        [&](std::size_t i) { return FColumns[i].Origin == FColumns[AColumn].Origin; });
  };
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    if (!IsWritten(i)) {
      if (AChanged[i])
        DatabaseError("Field '" + FieldDefs(int(i)).Name + "' is not a column of table '" + FUpdateTable +
                      "' and cannot be stored");
      continue;
    }
    if (holding(returned, i) == returned.end())
      returned.push_back(i);
    if (AInserting ? VarIsNull(AValues[i]) || VarIsEmpty(AValues[i]) : !AChanged[i])
      continue;
    auto other = holding(written, i);
    if (other == written.end())
      written.push_back(i);
    else if (!SameValue(AValues[*other], AValues[i]))
      DatabaseError("Fields '" + FieldDefs(int(*other)).Name + "' and '" + FieldDefs(int(i)).Name +
                    "' both hold column " + QuotedName(FColumns[i].Origin) + " of table '" + FUpdateTable +
                    "' and were given different values");
  }
  if (!AInserting && written.empty()) {
    TMemDataSet::InternalPost(ASlot, AInserting, AValues, AChanged);
    return;
  }
  auto returnedAt = [&](std::size_t AColumn) { return int(holding(returned, AColumn) - returned.begin()); };
  const std::size_t keys = FKeyFieldNos.size();
  // A write that gives a row a key (a new row, a changed key column) may have made SQLite replace the row
  // that held it before.
  bool keyWritten = AInserting;
  for (int no : FKeyFieldNos)
    keyWritten = keyWritten || holding(written, std::size_t(no - 1)) != written.end();
  TRowKeys storedKey(keys);
  std::vector<Variant> stored(FColumns.size()); // the table's columns as read back, as a load reads them
  std::vector<char> approximate(FColumns.size(), false);
  WriteInSavepoint(AInserting ? "Insert into a row" : "Update of a row", [&](sqlite3* db) {
    std::string sql;
    if (AInserting) {
      std::string names, marks;
      for (std::size_t i : written) {
        names += (names.empty() ? "" : ", ") + Quote(FColumns[i].Origin);
        marks += marks.empty() ? "?" : ", ?";
      }
      sql = "INSERT INTO " + WriteTarget() +
            (written.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")");
    } else {
      sql = "UPDATE " + WriteTarget() + " SET ";
      for (std::size_t k = 0; k < written.size(); ++k)
        sql += (k ? ", " : "") + Quote(FColumns[written[k]].Origin) + " = ?";
      sql += " WHERE " + KeyCondition();
    }
    // The row is read back as stored: defaults, generated columns, the column's affinity, the key.
    sql += " RETURNING ";
    for (std::size_t k = 0; k < returned.size(); ++k)
      sql += (k ? ", " : "") + Quote(FColumns[returned[k]].Origin);
    TStatement stmt(db, sql, TSQLText::Utf8);
    int index = 1;
    for (std::size_t i : written)
      stmt.Bind(index++, AValues[i], FColumns[i].DataType, "Field '" + FieldDefs(int(i)).Name + "'");
    if (!AInserting)
      BindRowKey(stmt, ASlot.Row, index);
    sqlite3_stmt* s = stmt.Get();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      storedKey.Clear(keys);
      storedKey.AddRow();
      // The key is kept before the cells are read: reading a text may convert it in place.
      for (std::size_t k = 0; k < keys; ++k)
        storedKey.SetLast(k, sqlite3_column_value(s, returnedAt(std::size_t(FKeyFieldNos[k] - 1))));
      for (std::size_t i = 0; i < FColumns.size(); ++i)
        if (IsWritten(i)) {
          bool lossy;
          stored[i] = ReadCell(s, returnedAt(i), FColumns[i].DataType, lossy);
          approximate[i] = lossy;
        }
    }
    if (rc != SQLITE_DONE)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(db)));
    if (AInserting && storedKey.RowCount() == 0)
      throw EDatabaseError("the database stored no row");
    if (!AInserting && sqlite3_changes(db) != 1)
      throw EDatabaseError(kRowNotFound);
  });
  // Another record that holds the key just stored names a row that is no longer there.
  if (keyWritten)
    FRowKeys->MarkGoneHolding(storedKey, 0, AInserting ? FRowKeys->RowCount() : std::size_t(ASlot.Row));
  // The new row's handle is the next one, as it is for the key kept with it.
  const std::int64_t row = AInserting ? std::int64_t(FRowKeys->RowCount()) : ASlot.Row;
  if (!AInserting)
    FRowKeys->Replace(std::size_t(row), storedKey, 0);
  TMemDataSet::InternalPost(ASlot, AInserting, AValues, AChanged);
  if (AInserting)
    FRowKeys->Append(storedKey, 0);
  // Where the table holds another value than the one posted (a default, a generated column, another copy of
  // a written column), the record takes it as it was read back, unconverted as a load keeps it; a filtered
  // view then looks at the row again.
  bool differs = false;
  for (std::size_t i = 0; i < FColumns.size(); ++i) {
    if (!IsWritten(i))
      continue;
    const Variant& now = *RowValueRef(row, int(i) + 1);
    if (VarType(now) != VarType(stored[i]) || !SameValue(now, stored[i])) {
      StoreCell(row, i, std::move(stored[i]));
      differs = true;
    }
    SetApproximate(row, i, approximate[i]);
  }
  if (differs && Filtered()) {
    TMemDataSet::FilterChanged();
    SetCursorToRow(row);
  }
}

std::string TSQLiteQuery::KeyCondition() const {
  // The key is compared as its unique index compares it, which may tell apart texts that the column's own
  // collation takes for one; the index then also finds the row.
  std::string sql;
  for (std::size_t k = 0; k < FKeyFieldNos.size(); ++k) {
    sql += (k ? " AND " : "") + Quote(FColumns[std::size_t(FKeyFieldNos[k] - 1)].Origin) + " IS ?";
    if (k < FKeyCollations.size() && !FKeyCollations[k].empty())
      sql += " COLLATE " + Quote(FKeyCollations[k]);
  }
  return sql;
}

void TSQLiteQuery::BindRowKey(TStatement& AStmt, std::int64_t ARow, int& AIndex) const {
  if (FRowKeys->Gone(std::size_t(ARow)))
    throw EDatabaseError(kRowNotFound);
  if (FReadsNoRow && FRowKeys->AllNull(std::size_t(ARow))) {
    // A key that is NULL throughout is what an outer join reads where it found no row; only where the table
    // holds no such key is that certain.
    std::string sql = "SELECT 1 FROM " + WriteTarget() + " WHERE ";
    for (std::size_t k = 0; k < FKeyFieldNos.size(); ++k)
      sql += (k ? " AND " : "") + Quote(FColumns[std::size_t(FKeyFieldNos[k] - 1)].Origin) + " IS NULL";
    TStatement probe(FConnection->Handle(), sql + " LIMIT 1", TSQLText::Utf8);
    const int rc = sqlite3_step(probe.Get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(FConnection->Handle())));
    throw EDatabaseError(
        rc == SQLITE_DONE
            ? "no row of table '" + FUpdateTable +
                  "' stands behind the record; the query's outer join found none for it"
            : "no row of table '" + FUpdateTable +
                  "' is known to stand behind the record; its key is NULL, as the query's outer "
                  "join reads it where it finds no row");
  }
  FRowKeys->Bind(AStmt, std::size_t(ARow), AIndex, FTextEncoding);
}

void TSQLiteQuery::InternalDelete() {
  CheckTraceable();
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  std::int64_t row = CursorRow();
  if (row < 0)
    DatabaseError("No current record to delete");
  WriteInSavepoint("Delete of a row", [&](sqlite3* db) {
    TStatement stmt(db, "DELETE FROM " + WriteTarget() + " WHERE " + KeyCondition(), TSQLText::Utf8);
    int index = 1;
    BindRowKey(stmt, row, index);
    stmt.Exec();
    if (sqlite3_changes(db) != 1)
      throw EDatabaseError(kRowNotFound);
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
