#include "platform/db/SQLiteQuery.h"

#include <algorithm>
#include <unordered_map>

#include "platform/db/SQLiteQuery_Internal.h"

using namespace sqlitequery_internal;

void TChangeLog::OnChange(void* ALog, sqlite3* ADb, int AOp, const char* ASchema, const char* ATable,
                          sqlite3_int64, sqlite3_int64) {
  TChangeLog& log = *static_cast<TChangeLog*>(ALog);
  if (log.FFailed || log.FTable != ATable || log.FSchema != ASchema)
    return;
  // SQLite cannot take an exception through its own frames: a failure is kept for Stop.
  try {
    const bool own = AOp == log.FOwnOp && sqlite3_preupdate_depth(ADb) == 0;
    if (own) {
      log.FChanges.push_back({AOp, true, 0});
      return;
    }
    if (AOp == SQLITE_INSERT)
      return;
    const int columns = sqlite3_preupdate_count(ADb);
    if (log.FOld.RowCount() == 0) {
      log.FOld.Clear(std::size_t(columns));
      log.FNew.Clear(std::size_t(columns));
    }
    log.FChanges.push_back({AOp, false, log.FOld.RowCount()});
    log.FOld.AddRow();
    log.FNew.AddRow();
    for (int i = 0; i < int(log.FOld.KeyCount()); ++i) {
      sqlite3_value* value = nullptr;
      if (i < columns && sqlite3_preupdate_old(ADb, i, &value) == SQLITE_OK && value)
        log.FOld.SetLast(std::size_t(i), value);
      else
        log.FOld.SetLastUnknown(std::size_t(i));
      if (AOp != SQLITE_UPDATE)
        continue;
      if (i < columns && sqlite3_preupdate_new(ADb, i, &value) == SQLITE_OK && value)
        log.FNew.SetLast(std::size_t(i), value);
      else
        log.FNew.SetLastUnknown(std::size_t(i));
    }
  } catch (...) {
    log.FFailed = true;
  }
}

std::vector<std::size_t> TSQLiteQuery::ReadBackColumns() const {
  std::vector<std::size_t> columns;
  for (std::size_t i = 0; i < FColumns.size(); ++i)
    if (IsWritten(i) && std::none_of(columns.begin(), columns.end(),
                                     [&](std::size_t c) { return FColumns[c].Origin == FColumns[i].Origin; }))
      columns.push_back(i);
  return columns;
}

std::string TSQLiteQuery::ReadBackList(const std::vector<std::size_t>& AReadBack) const {
  std::string list;
  for (std::size_t k = 0; k < AReadBack.size(); ++k)
    list += (k ? ", " : "") + Quote(FColumns[AReadBack[k]].Origin);
  return list;
}

void TSQLiteQuery::ReadBackRow(sqlite3_stmt* AStmt, const std::vector<std::size_t>& AReadBack,
                               TReadBack& ARead, TRowKeys* AKey) const {
  auto at = [&](std::size_t AColumn) {
    return int(std::find_if(AReadBack.begin(), AReadBack.end(),
                            [&](std::size_t c) { return FColumns[c].Origin == FColumns[AColumn].Origin; }) -
               AReadBack.begin());
  };
  // The key is kept before the cells are read: reading a text may convert it in place.
  if (AKey) {
    AKey->Clear(FKeyFieldNos.size());
    AKey->AddRow();
    for (std::size_t k = 0; k < FKeyFieldNos.size(); ++k)
      AKey->SetLast(k, sqlite3_column_value(AStmt, at(std::size_t(FKeyFieldNos[k] - 1))));
  }
  ARead.Values.assign(FColumns.size(), Variant());
  ARead.Approximate.assign(FColumns.size(), false);
  for (std::size_t i = 0; i < FColumns.size(); ++i)
    if (bool approximate; IsWritten(i)) {
      ARead.Values[i] = ReadCell(AStmt, at(i), FColumns[i].DataType, approximate);
      ARead.Approximate[i] = approximate;
    }
}

void TSQLiteQuery::KeyTableColumns(sqlite3* ADb, std::vector<int>& AColumns,
                                   std::vector<bool>& ANullUnknown) const {
  AColumns.assign(FKeyFieldNos.size(), -1);
  ANullUnknown.assign(FKeyFieldNos.size(), false);
  TStatementRun info(
      FConnection->Prepared("PRAGMA " + Quote(FWriteSchema) + ".table_xinfo(" + Quote(FWriteTable) + ")"));
  sqlite3_stmt* s = info.Statement().Get();
  // The hook counts a rowid table's columns as the row stores them, without its virtual generated columns,
  // or (in other versions of SQLite) as the table declares them: the two agree up to the first such column.
  bool pastVirtual = false;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
    for (std::size_t k = 0; k < FKeyFieldNos.size() && name; ++k)
      if (!pastVirtual && SameName(FColumns[std::size_t(FKeyFieldNos[k] - 1)].Origin, name)) {
        AColumns[k] = sqlite3_column_int(s, 0);
        // A column added to the table later hands out NULL, not its default, for the rows older than it;
        // no key of the table can be added so.
        ANullUnknown[k] = sqlite3_column_type(s, 4) != SQLITE_NULL && sqlite3_column_int(s, 5) == 0;
      }
    pastVirtual = pastVirtual || sqlite3_column_int(s, 6) == 2;
  }
  if (rc != SQLITE_DONE)
    throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(ADb)));
}

TBeside TSQLiteQuery::FollowChanges(sqlite3* ADb, const TChangeLog& ALog, std::int64_t ASelf,
                                    const TRowKeys* ASelfKey) const {
  const std::size_t keys = FKeyFieldNos.size();
  TBeside beside(keys);
  if (!ALog.ChangedBeside())
    return beside;
  // The keys before and after each change beside the write, by change.
  std::vector<int> columns;
  std::vector<bool> nullUnknown;
  KeyTableColumns(ADb, columns, nullUnknown);
  TRowKeys before(keys), after(keys);
  for (const TChangeLog::TChange& change : ALog.Changes()) {
    if (change.Own)
      continue;
    if (!before.AppendColumns(ALog.Old(), change.Row, columns, nullUnknown) ||
        (change.Op == SQLITE_UPDATE && !after.AppendColumns(ALog.New(), change.Row, columns, nullUnknown))) {
      beside.Untracked = true;
      return beside;
    }
    if (change.Op != SQLITE_UPDATE)
      after.AddRow();
  }

  // The changes that reach the written row alone, as a trigger that stamps it does, name no other record:
  // only where others remain are the records' keys looked through for the keys they name.
  const std::size_t self = std::size_t(ASelf);
  std::unordered_map<std::size_t, std::vector<std::size_t>> named; // by hash of a key, the changes naming it
  {
    std::string selfKey = ASelf < std::int64_t(FRowKeys->RowCount()) ? FRowKeys->Identity(self) : "";
    std::size_t step = 0;
    for (const TChangeLog::TChange& change : ALog.Changes()) {
      if (change.Own) {
        selfKey = ASelfKey ? ASelfKey->Identity(0) : "";
        continue;
      }
      const std::size_t at = step++;
      if (selfKey.empty() || before.Identity(at) != selfKey)
        named[before.Hash(at)].push_back(at);
      else
        selfKey = change.Op == SQLITE_DELETE ? "" : after.Identity(at);
    }
  }

  // The changes are played over the records whose keys they name, in the order SQLite made them, so that a
  // key that moves from row to row is followed: by key as it is at each step, the records holding it.
  std::unordered_map<std::string, std::vector<std::size_t>> holding;
  std::unordered_map<std::size_t, std::string> keyOf;
  auto hold = [&](std::size_t ARecord) {
    keyOf[ARecord] = FRowKeys->Identity(ARecord);
    holding[keyOf[ARecord]].push_back(ARecord);
  };
  if (ASelf < std::int64_t(FRowKeys->RowCount()))
    hold(self);
  if (!named.empty())
    for (std::size_t r = 0; r < FRowKeys->RowCount(); ++r) {
      if (r == self || FRowKeys->Gone(r) != TRowKeys::TGone::No)
        continue;
      auto changes = named.find(FRowKeys->Hash(r));
      if (changes != named.end() &&
          std::any_of(changes->second.begin(), changes->second.end(),
                      [&](std::size_t at) { return FRowKeys->Same(r, before, at); }))
        hold(r);
    }
  auto release = [&](std::size_t ARecord) {
    auto at = keyOf.find(ARecord);
    if (at == keyOf.end())
      return;
    std::vector<std::size_t>& records = holding[at->second];
    records.erase(std::find(records.begin(), records.end(), ARecord));
    keyOf.erase(at);
  };
  // By record changed beside the write, where its key is now: a row of after, or -1 for ASelfKey.
  std::unordered_map<std::size_t, std::int64_t> now;
  std::vector<std::size_t> changed;
  std::size_t step = 0;
  for (const TChangeLog::TChange& change : ALog.Changes()) {
    if (change.Own) {
      release(self);
      if (ASelfKey) {
        keyOf[self] = ASelfKey->Identity(0);
        holding[keyOf[self]].push_back(self);
        if (now.count(self))
          now[self] = -1;
      }
      continue;
    }
    const std::size_t at = step++;
    auto from = holding.find(before.Identity(at));
    if (from == holding.end() || from->second.empty())
      continue;
    const std::vector<std::size_t> records = std::move(from->second);
    holding.erase(from);
    for (std::size_t r : records) {
      keyOf.erase(r);
      if (change.Op == SQLITE_DELETE) {
        beside.Removed.push_back(r);
        continue;
      }
      keyOf[r] = after.Identity(at);
      holding[keyOf[r]].push_back(r);
      if (!now.count(r))
        changed.push_back(r);
      now[r] = std::int64_t(at);
    }
  }

  // The rows changed beside the write are read again where their keys now lead.
  const std::vector<std::size_t> readBack = ReadBackColumns();
  const std::string sql =
      "SELECT " + ReadBackList(readBack) + " FROM " + WriteTarget() + " WHERE " + KeyCondition();
  for (std::size_t r : changed) {
    if (!keyOf.count(r))
      continue; // removed after it was changed
    beside.Changed.push_back(r);
    if (now[r] < 0)
      beside.Keys.Append(*ASelfKey, 0);
    else
      beside.Keys.Append(after, std::size_t(now[r]));
    TStatementRun run(FConnection->Prepared(sql));
    TStatement& reread = run.Statement();
    sqlite3_stmt* s = reread.Get();
    int index = 1;
    beside.Keys.Bind(reread, beside.Keys.RowCount() - 1, index, FTextEncoding);
    TReadBack read;
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW)
      ReadBackRow(s, readBack, read, nullptr);
    // A key that reaches no row or several leaves the record as it was.
    const bool one = rc == SQLITE_ROW && (rc = sqlite3_step(s)) == SQLITE_DONE;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
      throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(ADb)));
    beside.Reads.push_back(one ? std::move(read) : TReadBack());
  }
  return beside;
}

bool TSQLiteQuery::TakeBeside(TBeside& ABeside, std::int64_t ASelf) {
  const std::size_t self = std::size_t(ASelf);
  if (ABeside.Untracked) {
    for (std::size_t r = 0; r < FRowKeys->RowCount(); ++r)
      if (r != self && FRowKeys->Gone(r) == TRowKeys::TGone::No)
        FRowKeys->MarkGone(r, TRowKeys::TGone::Untracked);
    return false;
  }
  for (std::size_t r : ABeside.Removed)
    if (r != self)
      FRowKeys->MarkGone(r, TRowKeys::TGone::Removed);
  bool differs = false;
  for (std::size_t k = 0; k < ABeside.Changed.size(); ++k) {
    const std::size_t r = ABeside.Changed[k];
    if (r == self)
      continue;
    FRowKeys->Replace(r, ABeside.Keys, k);
    if (!ABeside.Reads[k].Empty())
      differs = TakeStored(std::int64_t(r), ABeside.Reads[k]) || differs;
  }
  return differs;
}
