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
  const bool inTransaction = !sqlite3_get_autocommit(db);
  const char* undo = inTransaction ? "ROLLBACK TO pelvor_write; RELEASE pelvor_write" : "ROLLBACK";
  if (sqlite3_exec(db, "SAVEPOINT pelvor_write", nullptr, nullptr, nullptr) != SQLITE_OK)
    DatabaseError("Cannot start a transaction: " + SQLiteMessage(sqlite3_errmsg(db)));
  // A ROLLBACK conflict or trigger ends every transaction, also one the program opened: there is then no
  // savepoint to undo, and what the program wrote in that transaction is undone too, which it must hear of.
  auto endedTransaction = [&] { return inTransaction && sqlite3_get_autocommit(db); };
  try {
    AWrite(db);
  } catch (const Exception& e) {
    AnsiString message = AWhat + " of table '" + FUpdateTable + "' failed: " + e.Message();
    if (endedTransaction())
      message += "; the database rolled back the whole transaction that was open, undoing every change made "
                 "in it, so the query may show rows the file no longer holds";
    else
      sqlite3_exec(db, undo, nullptr, nullptr, nullptr);
    DatabaseError(message);
  } catch (...) {
    if (!endedTransaction())
      sqlite3_exec(db, undo, nullptr, nullptr, nullptr);
    throw;
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
const char* const kRowRemoved =
    "the row is no longer in the table: the database removed it while writing another "
    "record (a REPLACE conflict, a trigger or a foreign key's action)";
const char* const kRowsUntracked =
    "a write changed rows of the table beside its own that the query cannot tell "
    "apart, so the record may no longer be its row; refresh the query";
const char* const kWriteSkipped =
    "the database skipped the write: a trigger raised IGNORE, or a constraint of the table ignores the "
    "conflict it would make";

bool SameValue(const Variant& A, const Variant& B) {
  try {
    return VarSameValue(A, B);
  } catch (const Exception&) {
    return false; // values of kinds that do not compare are not the same
  }
}

// Where the written record stands among those changed beside the write, -1 where it is not.
std::int64_t IndexOf(const std::vector<std::size_t>& ARecords, std::int64_t ARecord) {
  auto at = std::find(ARecords.begin(), ARecords.end(), std::size_t(ARecord));
  return at == ARecords.end() ? -1 : std::int64_t(at - ARecords.begin());
}

} // namespace

bool TSQLiteQuery::TakeStored(std::int64_t ARow, TReadBack& ARead) {
  bool differs = false;
  for (std::size_t i = 0; i < ARead.Values.size(); ++i) {
    if (!IsWritten(i))
      continue;
    const Variant& now = *RowValueRef(ARow, int(i) + 1);
    if (VarType(now) != VarType(ARead.Values[i]) || !SameValue(now, ARead.Values[i])) {
      StoreCell(ARow, i, std::move(ARead.Values[i]));
      differs = true;
    }
    SetApproximate(ARow, i, ARead.Approximate[i]);
  }
  return differs;
}

void TSQLiteQuery::InternalPost(const TRecordSlot& ASlot, bool AInserting,
                                const std::vector<Variant>& AValues, const std::vector<bool>& AChanged) {
  CheckTraceable();
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  // A column of the table may be read more than once: it is written from the one copy given a value and read
  // back into every copy.
  const std::vector<std::size_t> returned = ReadBackColumns();
  std::vector<std::size_t> written;
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
  const std::size_t keys = FKeyFieldNos.size();
  // The new row's handle is the next one, as it is for the key kept with it.
  const std::int64_t row = AInserting ? std::int64_t(FRowKeys->RowCount()) : ASlot.Row;
  TRowKeys storedKey(keys);
  TReadBack stored; // the table's columns as read back, as a load reads them
  TBeside beside(keys);
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
      // A key that reaches several rows reaches none: which of them is the record's cannot be told.
      sql += " WHERE " + KeyCondition() + " AND " + KeyMatches() + " = 1";
    }
    // The row is read back as stored: defaults, generated columns, the column's affinity, the key.
    sql += " RETURNING " + ReadBackList(returned);
    TStatementRun run(FConnection->Prepared(sql));
    TStatement& stmt = run.Statement();
    int index = 1;
    for (std::size_t i : written)
      stmt.Bind(index++, AValues[i], FColumns[i].DataType, "Field '" + FieldDefs(int(i)).Name + "'");
    if (!AInserting) {
      BindRowKey(stmt, row, index);
      BindRowKey(stmt, row, index);
    }
    sqlite3_stmt* s = stmt.Get();
    TChangeLog log(db, FWriteSchema, FWriteTable, AInserting ? SQLITE_INSERT : SQLITE_UPDATE);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
      ReadBackRow(s, returned, stored, &storedKey);
    log.Stop();
    if (rc != SQLITE_DONE)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(db)));
    if (AInserting && storedKey.RowCount() == 0)
      throw EDatabaseError(kWriteSkipped);
    if (!AInserting && sqlite3_changes(db) != 1)
      throw EDatabaseError(WhyNotWritten(db, row));
    beside = FollowChanges(db, log, row, &storedKey);
  });
  // The other records take what the write did to their rows before this one is stored, so that a view of
  // the rows sees every change at once.
  bool differs = TakeBeside(beside, row);
  if (const std::int64_t self = IndexOf(beside.Changed, row); self >= 0) {
    storedKey.Clear(keys);
    storedKey.Append(beside.Keys, std::size_t(self));
    if (!beside.Reads[std::size_t(self)].Empty())
      stored = std::move(beside.Reads[std::size_t(self)]);
  }
  if (!AInserting)
    FRowKeys->Replace(std::size_t(row), storedKey, 0);
  TMemDataSet::InternalPost(ASlot, AInserting, AValues, AChanged);
  if (AInserting)
    FRowKeys->Append(storedKey, 0);
  if (beside.Untracked)
    FRowKeys->MarkGone(std::size_t(row), TRowKeys::TGone::Untracked);
  else if (IndexOf(beside.Removed, row) >= 0)
    FRowKeys->MarkGone(std::size_t(row), TRowKeys::TGone::Removed);
  // Where the table holds another value than the one posted (a default, a generated column, another copy of
  // a written column, a trigger's), the record takes it as it was read back; a filtered view then looks at
  // the rows again.
  differs = TakeStored(row, stored) || differs;
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

std::string TSQLiteQuery::KeyMatches() const {
  return "(SELECT count(*) FROM (SELECT 1 FROM " + WriteTarget() + " WHERE " + KeyCondition() + " LIMIT 2))";
}

void TSQLiteQuery::BindRowKey(TStatement& AStmt, std::int64_t ARow, int& AIndex) const {
  switch (FRowKeys->Gone(std::size_t(ARow))) {
  case TRowKeys::TGone::No:
    break;
  case TRowKeys::TGone::Removed:
    throw EDatabaseError(kRowRemoved);
  case TRowKeys::TGone::Untracked:
    throw EDatabaseError(kRowsUntracked);
  }
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

AnsiString TSQLiteQuery::WhyNotWritten(sqlite3* ADb, std::int64_t ARow) const {
  TStatement count(ADb, "SELECT " + KeyMatches(), TSQLText::Utf8);
  int index = 1;
  BindRowKey(count, ARow, index);
  if (sqlite3_step(count.Get()) != SQLITE_ROW)
    throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(ADb)));
  switch (sqlite3_column_int(count.Get(), 0)) {
  case 0:
    return kRowNotFound;
  case 1:
    return AnsiString(kWriteSkipped) + "; the row is as it was";
  default: {
    AnsiString names;
    for (const AnsiString& column : FKeyColumns)
      names += (names.empty() ? "" : ", ") + column;
    return "the key fields (" + names + ") match more than one row of the table, so which of them is the " +
           "record's cannot be told";
  }
  }
}

void TSQLiteQuery::InternalDelete() {
  CheckTraceable();
  if (!FReadOnlyReason.empty())
    DatabaseError(FReadOnlyReason);
  std::int64_t row = CursorRow();
  if (row < 0)
    DatabaseError("No current record to delete");
  TBeside beside(FKeyFieldNos.size());
  WriteInSavepoint("Delete of a row", [&](sqlite3* db) {
    TStatementRun run(FConnection->Prepared("DELETE FROM " + WriteTarget() + " WHERE " + KeyCondition() +
                                            " AND " + KeyMatches() + " = 1"));
    TStatement& stmt = run.Statement();
    int index = 1;
    BindRowKey(stmt, row, index);
    BindRowKey(stmt, row, index);
    TChangeLog log(db, FWriteSchema, FWriteTable, SQLITE_DELETE);
    stmt.Exec();
    log.Stop();
    if (sqlite3_changes(db) != 1)
      throw EDatabaseError(WhyNotWritten(db, row));
    beside = FollowChanges(db, log, row, nullptr);
  });
  if (TakeBeside(beside, row) && Filtered()) {
    TMemDataSet::FilterChanged();
    SetCursorToRow(row);
  }
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
