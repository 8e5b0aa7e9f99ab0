#include "platform/db/SQLiteQuery.h"

#include <algorithm>
#include <set>

#include "platform/db/SQLiteQuery_Internal.h"

using namespace sqlitequery_internal;

namespace {

// One instruction of a statement's program, as EXPLAIN lists it.
struct TOp {
  std::string Code;
  int P1 = 0, P2 = 0, P3 = 0, P4 = 0;
};

std::string ColumnText(sqlite3_stmt* AStmt, int AColumn) {
  const unsigned char* text = sqlite3_column_text(AStmt, AColumn);
  return text ? std::string(reinterpret_cast<const char*>(text),
                            std::size_t(sqlite3_column_bytes(AStmt, AColumn)))
              : std::string();
}

// Calls ARow for each row of AStmt; a step that fails raises EDatabaseError.
template <class F> void EachRow(sqlite3* ADb, TStatement& AStmt, F ARow) {
  int rc;
  while ((rc = sqlite3_step(AStmt.Get())) == SQLITE_ROW)
    ARow(AStmt.Get());
  if (rc != SQLITE_DONE)
    throw EDatabaseError(SQLiteMessage(sqlite3_errmsg(ADb)));
}

// Whether the program moves a cursor of ATables to the row that index cursor AIndex is on: a deferred seek,
// or a seek by the rowid or primary key that the instructions just before it read from the index cursor. The
// two cursors then read one row.
bool FollowedByTable(const std::vector<TOp>& AOps, int AIndex, const std::set<int>& ATables) {
  for (std::size_t k = 0; k < AOps.size(); ++k) {
    const TOp& op = AOps[k];
    if (!ATables.count(op.Code == "DeferredSeek" ? op.P3 : op.P1))
      continue;
    if (op.Code == "DeferredSeek" && op.P1 == AIndex)
      return true;
    if ((op.Code == "SeekRowid" || op.Code == "NotExists") && k > 0 && AOps[k - 1].Code == "IdxRowid" &&
        AOps[k - 1].P1 == AIndex && AOps[k - 1].P2 == op.P3)
      return true;
    if ((op.Code == "NotFound" || op.Code == "Found") && op.P4 > 0 && k >= std::size_t(op.P4)) {
      bool fromIndex = true;
      for (int j = 0; j < op.P4 && fromIndex; ++j) {
        const TOp& read = AOps[k - std::size_t(op.P4) + std::size_t(j)];
        fromIndex = read.Code == "Column" && read.P1 == AIndex && read.P3 == op.P3 + j;
      }
      if (fromIndex)
        return true;
    }
  }
  return false;
}

// How many times the program reads a table, whose b-tree is ARoot and whose indexes' are AIndexRoots, in
// database ADb: once for each cursor on the table, and once more for each cursor on one of its indexes that
// leads no table cursor to its row. Several readings are several rows of the table behind one row of the
// result, or the same row reached twice, which the program does not tell apart.
int Readings(const std::vector<TOp>& AOps, int ADb, int ARoot, const std::vector<int>& AIndexRoots) {
  std::set<int> tables, indexes;
  for (const TOp& op : AOps) {
    if ((op.Code != "OpenRead" && op.Code != "ReopenIdx" && op.Code != "OpenWrite") || op.P3 != ADb)
      continue;
    if (op.P2 == ARoot)
      tables.insert(op.P1);
    else if (std::find(AIndexRoots.begin(), AIndexRoots.end(), op.P2) != AIndexRoots.end())
      indexes.insert(op.P1);
  }
  int readings = int(tables.size());
  for (int index : indexes)
    if (!FollowedByTable(AOps, index, tables))
      ++readings;
  return readings;
}

// The first of AViews that has triggers of its own, which on a view are INSTEAD OF triggers; empty for none.
// A trigger of the temporary schema may belong to a view of another.
std::string ViewWithTriggers(sqlite3* ADb, const std::vector<std::string>& AViews) {
  if (AViews.empty())
    return std::string();
  for (int database = 0; const char* schema = sqlite3_db_name(ADb, database); ++database) {
    TStatement triggers(ADb,
                        "SELECT tbl_name FROM " + Quote(schema) + ".sqlite_schema WHERE type = 'trigger'",
                        TSQLText::Utf8);
    std::string found;
    EachRow(ADb, triggers, [&](sqlite3_stmt* ARow) {
      for (const std::string& view : AViews)
        if (found.empty() && SameName(view, ColumnText(ARow, 0)))
          found = view;
    });
    if (!found.empty())
      return found;
  }
  return std::string();
}

// Whether the program may stand a cursor of the table on no row, as an outer join does where it finds none
// for the row of another table: a null row set on a cursor of the table or of one of its indexes, or on a
// cursor of no table's b-tree (a view or subquery read as a whole), which may hold the table's columns.
bool ReadsNoRow(const std::vector<TOp>& AOps, int ADb, int ARoot, const std::vector<int>& AIndexRoots) {
  std::set<int> others; // cursors only ever opened on other b-trees
  std::set<int> own;
  for (const TOp& op : AOps) {
    if (op.Code != "OpenRead" && op.Code != "ReopenIdx" && op.Code != "OpenWrite")
      continue;
    const bool table = op.P3 == ADb && (op.P2 == ARoot || std::find(AIndexRoots.begin(), AIndexRoots.end(),
                                                                    op.P2) != AIndexRoots.end());
    (table ? own : others).insert(op.P1);
  }
  for (const TOp& op : AOps)
    if (op.Code == "NullRow" && (own.count(op.P1) || !others.count(op.P1)))
      return true;
  return false;
}

// What the connection's functions are, as SQLite resolves a call by its name and number of arguments.
class TFunctionCatalogue {
public:
  explicit TFunctionCatalogue(sqlite3* ADb) : FDb(ADb) {}

  TFunctionKind Kind(std::string_view AName, int AArguments) {
    // Where only a function of the row may stand, SQLite refuses an aggregate or window function: a call that
    // prepares there is a scalar one, which most are and which costs little to learn.
    std::string probe = "SELECT 1 WHERE " + Quote(std::string(AName)) + "(";
    for (int i = 0; i < AArguments; ++i)
      probe += i ? ", ?" : "?";
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(FDb, (probe + ")").c_str(), -1, &stmt, nullptr);
    sqlite3_finalize(stmt);
    if (rc == SQLITE_OK)
      return TFunctionKind::Scalar;
    // A call may fail there for its arguments alone (likelihood() wants a constant): the list of functions
    // tells, taking the one registered for that many arguments, or else the one for any number.
    std::vector<std::pair<bool, int>> forms; // whether scalar, and for how many arguments
    TStatement list(FDb, "SELECT type, narg FROM pragma_function_list WHERE name = ?1 COLLATE NOCASE",
                    TSQLText::Utf8);
    sqlite3_bind_text(list.Get(), 1, AName.data(), int(AName.size()), SQLITE_STATIC);
    EachRow(FDb, list, [&](sqlite3_stmt* ARow) {
      forms.emplace_back(ColumnText(ARow, 0) == "s", sqlite3_column_int(ARow, 1));
    });
    for (int arguments : {AArguments, -1}) {
      bool found = false, aggregate = false;
      for (const auto& [scalar, count] : forms)
        if (count == arguments) {
          found = true;
          aggregate = aggregate || !scalar;
        }
      if (found)
        return aggregate ? TFunctionKind::Aggregate : TFunctionKind::Scalar;
    }
    return TFunctionKind::Unknown;
  }

private:
  sqlite3* FDb;
};

// The texts of the views named AName in every database of the connection.
std::vector<std::string> ViewTexts(sqlite3* ADb, const std::string& AName) {
  std::vector<std::string> texts;
  for (int database = 0; const char* schema = sqlite3_db_name(ADb, database); ++database) {
    TStatement views(ADb,
                     "SELECT sql FROM " + Quote(schema) +
                         ".sqlite_schema WHERE type = 'view' AND name = ?1 COLLATE NOCASE",
                     TSQLText::Utf8);
    sqlite3_bind_text(views.Get(), 1, AName.data(), int(AName.size()), SQLITE_STATIC);
    EachRow(ADb, views, [&](sqlite3_stmt* ARow) { texts.push_back(ColumnText(ARow, 0)); });
  }
  return texts;
}

// Why a row of the statement ASQL may not be one row of each table it reads, from the shape of its own SELECT
// and of every view and common table whose SELECT the compiler began (ARecord); empty when each of them only
// selects, joins, filters, orders and limits rows. The statement's own DISTINCT is no reason: the key of the
// update table is among its columns, so no two rows of that table make one row of it.
AnsiString ShapeReason(sqlite3* ADb, const AnsiString& ASQL, const TPrepareRecord& ARecord,
                       const AnsiString& ATable) {
  TFunctionCatalogue catalogue(ADb);
  const TFunctionKinds kinds = [&](std::string_view AName, int AArguments) {
    return catalogue.Kind(AName, AArguments);
  };
  std::vector<std::string> commonTables;
  // Why the SELECT of AText is not plain, with the place it stands in (the statement itself where AOwn).
  auto judge = [&](const std::string& AText, const AnsiString& APlace, bool AOwn) -> AnsiString {
    TSelectShape shape = ReadSelectShape(AText, kinds);
    commonTables.insert(commonTables.end(), shape.CommonTables.begin(), shape.CommonTables.end());
    if (shape.Refusal.empty() && shape.Distinct && !AOwn)
      shape.Refusal = "removes duplicate rows (DISTINCT)";
    if (shape.Refusal.empty())
      return AnsiString();
    const bool own = AOwn && shape.CommonTable.empty();
    return (shape.CommonTable.empty() ? APlace : "Common table " + QuotedName(shape.CommonTable)) + " " +
           FromUtf8(std::string_view(shape.Refusal)) + ", so " + (own ? "its" : "the query's") +
           " rows cannot be traced to rows of table " + ATable;
  };
  AnsiString reason = judge(ToUtf8(ASQL), "The query", true);
  std::vector<std::string> unknown;
  for (const auto& [place, selects] : ARecord.Selects) {
    if (place.empty() || !reason.empty())
      continue;
    const std::vector<std::string> texts = ViewTexts(ADb, place);
    for (std::size_t i = 0; i < texts.size() && reason.empty(); ++i)
      reason = judge(texts[i], "View " + QuotedName(place), false);
    if (texts.empty())
      unknown.push_back(place);
  }
  // A place that is no view is a common table of the statement or of a view read.
  for (const std::string& place : unknown)
    if (reason.empty() && std::none_of(commonTables.begin(), commonTables.end(),
                                       [&](const std::string& AName) { return SameName(AName, place); }))
      reason = "The query reads " + QuotedName(place) +
               ", whose SELECT the dataset cannot find, so its rows cannot be traced to rows of table " +
               ATable;
  return reason;
}

} // namespace

std::string TSQLiteQuery::WriteTarget() const {
  return Quote(FWriteSchema) + "." + Quote(FWriteTable);
}

void TSQLiteQuery::FindUpdateTable() {
  FUpdateTable.clear();
  FWriteSchema.clear();
  FWriteTable.clear();
  FTableKey.clear();
  FReadOnlyReason.clear();
  FTraceChecked = false;
  FReadsNoRow = false;
  FKeyCollations.clear();
  const std::string wanted = ToUtf8(UpdateTableName);
  const TColumn* found = nullptr;
  for (const TColumn& column : FColumns) {
    if (column.Table.empty() || (!wanted.empty() && !SameName(column.Table, wanted)))
      continue;
    if (found && (found->Table != column.Table || found->Schema != column.Schema)) {
      FReadOnlyReason = wanted.empty()
                            ? AnsiString("The query's columns come from several tables; set UpdateTableName "
                                         "to edit one")
                            : "The query reads tables of several databases named '" + UpdateTableName + "'";
      return;
    }
    found = &column;
  }
  if (!found) {
    FReadOnlyReason = wanted.empty() ? AnsiString("The query's columns come from no table, so edits have "
                                                  "nowhere to go")
                                     : "The query reads no column of table '" + UpdateTableName + "'";
    return;
  }
  FWriteSchema = found->Schema;
  FWriteTable = found->Table;
  FUpdateTable = FromUtf8(std::string_view(FWriteTable));
  FTextEncoding = TextEncoding(FConnection->Handle());
  if (!KeyFields.empty())
    return;
  TStatement info(FConnection->Handle(),
                  "PRAGMA " + Quote(FWriteSchema) + ".table_info(" + Quote(FWriteTable) + ")",
                  TSQLText::Utf8);
  std::vector<std::pair<int, std::string>> key;
  while (sqlite3_step(info.Get()) == SQLITE_ROW)
    if (int order = sqlite3_column_int(info.Get(), 5); order > 0)
      key.emplace_back(order, ColumnText(info.Get(), 1));
  std::sort(key.begin(), key.end());
  for (auto& [order, column] : key)
    FTableKey.push_back(std::move(column));
}

void TSQLiteQuery::CheckTraceable() {
  // A closed connection leaves the decision to the next write, which fails for want of it.
  if (FTraceChecked || FWriteTable.empty() || !FConnection || !FConnection->Handle())
    return;
  FTraceChecked = true;
  AnsiString reason;
  try {
    reason = UntraceableReason(FWriteSchema, FWriteTable, FReadsNoRow);
    if (reason.empty())
      FindKeyCollations();
  } catch (const EDatabaseError& e) {
    reason = "The query's rows cannot be traced to rows of table '" + FUpdateTable + "': " + e.Message();
  }
  if (reason.empty())
    return;
  // The key columns stay chosen, as the rows' kept keys find a record again on refresh.
  FReadOnlyReason = std::move(reason);
  FUpdateTable.clear();
  FWriteSchema.clear();
  FWriteTable.clear();
  FKeyColumns.clear();
}

AnsiString TSQLiteQuery::UntraceableReason(const std::string& ASchema, const std::string& ATable,
                                           bool& AReadsNoRow) const {
  sqlite3* db = FConnection->Handle();
  const AnsiString name = QuotedName(ATable);
  int database = 0;
  while (sqlite3_db_name(db, database) && ASchema != sqlite3_db_name(db, database))
    ++database;
  if (!sqlite3_db_name(db, database))
    throw EDatabaseError(AnsiString("its database ") + QuotedName(ASchema) + " is not attached");

  // The b-trees of the table and of its indexes; a virtual table has none, a table-valued function no entry.
  int root = -1;
  std::vector<int> indexRoots;
  TStatement parts(db,
                   "SELECT type, rootpage FROM " + Quote(ASchema) +
                       ".sqlite_schema WHERE tbl_name = ?1 AND type IN ('table', 'index')",
                   TSQLText::Utf8);
  sqlite3_bind_text(parts.Get(), 1, ATable.data(), int(ATable.size()), SQLITE_STATIC);
  EachRow(db, parts, [&](sqlite3_stmt* ARow) {
    const int page = sqlite3_column_int(ARow, 1);
    if (ColumnText(ARow, 0) == "table")
      root = page;
    else
      indexRoots.push_back(page);
  });
  if (root < 0)
    return name + " is not a table of the database, so the query cannot edit it";
  if (root == 0)
    return "Table " + name + " is a virtual table, whose rows the query cannot edit";

  // The statement's program and what it told the authorizer while it was compiled: a compiled text that the
  // guard let through once passes again.
  TPrepareRecord record;
  std::vector<TOp> program;
  std::unique_ptr<TStatement> explain = PrepareReadOnly(db, "EXPLAIN " + FSQL, &record);
  EachRow(db, *explain, [&](sqlite3_stmt* ARow) {
    program.push_back({ColumnText(ARow, 1), sqlite3_column_int(ARow, 2), sqlite3_column_int(ARow, 3),
                       sqlite3_column_int(ARow, 4), sqlite3_column_int(ARow, 5)});
  });
  AnsiString shape = ShapeReason(db, FSQL, record, name);
  if (!shape.empty())
    return shape;
  // SQLite begins a SELECT for the statement, for each part of a compound and for each subquery, in the
  // place it stands: the statement itself, or the view or common table whose text holds it. A view's or a
  // common table's own SELECT is alone in its place; any other is beside another.
  for (const auto& [place, selects] : record.Selects)
    if (selects > 1)
      return "The query is a compound SELECT or holds a subquery, so its rows cannot be traced to rows of "
             "table " +
             name;
  const std::string view = ViewWithTriggers(db, record.Views);
  if (!view.empty())
    return AnsiString("The query reads view ") + QuotedName(view) +
           ", which has triggers of its own that an edit of its table would bypass";
  const int readings = Readings(program, database, root, indexRoots);
  if (readings > 1)
    return "The query reads table " + name + " more than once, so a value cannot be traced to one row of it";
  if (readings == 0)
    throw EDatabaseError("the statement does not read it");
  AReadsNoRow = ReadsNoRow(program, database, root, indexRoots);
  return AnsiString();
}

void TSQLiteQuery::ChooseKeyFields() {
  FKeyColumns.clear();
  FKeyFieldNos.clear();
  if (FWriteTable.empty())
    return;
  // The table is the update table only once its key is found among the query's columns.
  const AnsiString table = FUpdateTable;
  FUpdateTable.clear();
  std::vector<int> fieldNos;
  if (!KeyFields.empty()) {
    for (TField* field : GetFieldList(KeyFields)) {
      if (field->FieldNo() <= 0 || !IsWritten(std::size_t(field->FieldNo() - 1))) {
        FReadOnlyReason = "Key field '" + field->FieldName + "' is not a column of table '" + table + "'";
        FWriteTable.clear();
        return;
      }
      fieldNos.push_back(field->FieldNo());
    }
  } else {
    for (const std::string& name : FTableKey) {
      int no = 0;
      for (std::size_t i = 0; i < FColumns.size() && no == 0; ++i)
        if (IsWritten(i) && SameName(FColumns[i].Origin, name))
          no = int(i) + 1;
      if (no == 0) {
        FReadOnlyReason = AnsiString("The query does not read key column ") + QuotedName(name) +
                          " of table '" + table + "'";
        FWriteTable.clear();
        return;
      }
      fieldNos.push_back(no);
    }
    if (fieldNos.empty()) {
      FReadOnlyReason = "Table '" + table + "' has no primary key; set KeyFields to edit it";
      FWriteTable.clear();
      return;
    }
  }
  for (int no : fieldNos)
    FKeyColumns.push_back(FromUtf8(std::string_view(FColumns[std::size_t(no - 1)].Origin)));
  FKeyFieldNos = std::move(fieldNos);
  FUpdateTable = table;
}

void TSQLiteQuery::FindKeyCollations() {
  FKeyCollations.assign(FKeyFieldNos.size(), std::string());
  sqlite3* db = FConnection->Handle();
  // A unique index on exactly the key columns, the primary key's first; a partial one holds only some rows.
  std::vector<std::string> indexes;
  TStatement list(db, "PRAGMA " + Quote(FWriteSchema) + ".index_list(" + Quote(FWriteTable) + ")",
                  TSQLText::Utf8);
  EachRow(db, list, [&](sqlite3_stmt* ARow) {
    if (sqlite3_column_int(ARow, 2) == 1 && sqlite3_column_int(ARow, 4) == 0)
      indexes.insert(ColumnText(ARow, 3) == "pk" ? indexes.begin() : indexes.end(), ColumnText(ARow, 1));
  });
  for (const std::string& index : indexes) {
    std::vector<std::string> collations(FKeyFieldNos.size());
    std::size_t columns = 0, matched = 0;
    TStatement info(db, "PRAGMA " + Quote(FWriteSchema) + ".index_xinfo(" + Quote(index) + ")",
                    TSQLText::Utf8);
    EachRow(db, info, [&](sqlite3_stmt* ARow) {
      if (sqlite3_column_int(ARow, 5) == 0)
        return;
      ++columns;
      const std::string column = ColumnText(ARow, 2);
      for (std::size_t k = 0; k < FKeyFieldNos.size(); ++k)
        if (collations[k].empty() && SameName(FColumns[std::size_t(FKeyFieldNos[k] - 1)].Origin, column)) {
          collations[k] = ColumnText(ARow, 4);
          ++matched;
          break;
        }
    });
    if (columns == FKeyFieldNos.size() && matched == columns) {
      FKeyCollations = std::move(collations);
      return;
    }
  }
}
