// Plays one sequence of operations on the data controller over three kinds of records: its own (unbound), an
// in-memory dataset, and a SQLite query over a table with a primary key. The input is a small typed table and
// the operations. After every operation nothing but the library's refusals may have been raised, the three
// refused alike, and they agree on the edit state, the records, the rows of the view, the focus and the
// selection. Whenever the query is not editing, its table read back raw holds exactly the query's records.
//
// Input: a byte of settings, the number and kinds of the columns after the key, the number of rows and a byte
// per value; then operations, each a byte and its arguments. Bytes past the end read as 0.
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/cxCustomData.h"
#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/data/db_test_util.h"

namespace {

enum Kind : std::uint8_t { kText, kInteger, kReal, kDate, kBoolean };
constexpr int kKinds = 5;
constexpr int kMaxColumns = 5; // the key and four more
constexpr int kMaxRows = 6;
constexpr std::size_t kMaxOperations = 24;

class Input {
public:
  Input(const std::uint8_t* AData, std::size_t ASize) : FData(AData), FSize(ASize) {}
  bool Done() const { return FPos >= FSize; }
  std::uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }

private:
  const std::uint8_t* FData;
  std::size_t FSize, FPos = 0;
};

// The values a column may take: few enough that records tie, sort and group together, with the edges of
// each kind. Index 0 of every pool is Null.
const char* const kTexts[] = {"",
                              "a",
                              "A",
                              "b",
                              "ev",
                              "Ev",
                              "EV",
                              "\xFD" /* ı */,
                              "I",
                              "i",
                              "\xDD" /* İ */,
                              "\xFE" /* ş */,
                              "\xDE" /* Ş */,
                              "\xF0" /* ğ */,
                              "z",
                              " a",
                              "a ",
                              "o'ne",
                              "%",
                              "_",
                              "\x80" /* € */,
                              "\xE7\xF6\xFC" /* çöü */};
const std::int64_t kIntegers[] = {0,         1,         -1,        2,         7,         100,
                                  INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN, 1LL << 53, (1LL << 53) + 1};
const double kReals[] = {0.0,    -0.0,     0.5,      -1.25, 3.0, 1e300, -1e-300, 1.0 / 3, 9007199254740993.0,
                         5e-324, HUGE_VAL, -HUGE_VAL};
// Whole days from 1899-12-30, the first and last day of the calendar included.
const double kDays[] = {0, 1, -1, 45000, 45001, -693593, 2958465, -36522, 36526};

Variant ValueOf(Kind AKind, std::uint8_t AByte) {
  auto pick = [&](std::size_t ACount) { return std::size_t(AByte) % (ACount + 1); };
  std::size_t i;
  switch (AKind) {
  case kText:
    i = pick(std::size(kTexts));
    return i ? Variant(AnsiString(kTexts[i - 1])) : Null;
  case kInteger:
    i = pick(std::size(kIntegers));
    return i ? Variant(kIntegers[i - 1]) : Null;
  case kReal:
    i = pick(std::size(kReals));
    return i ? Variant(kReals[i - 1]) : Null;
  case kDate:
    i = pick(std::size(kDays));
    return i ? Variant::FromDate(kDays[i - 1]) : Null;
  case kBoolean:
    i = pick(2);
    return i ? Variant(i == 2) : Null;
  }
  return Null;
}

TFieldType FieldTypeOf(Kind AKind) {
  static const TFieldType types[] = {ftString, ftLargeint, ftFloat, ftDate, ftBoolean};
  return types[AKind];
}

const char* DeclOf(Kind AKind) {
  static const char* const decls[] = {"TEXT", "INTEGER", "REAL", "DATE", "BOOLEAN"};
  return decls[AKind];
}

std::string RealText(double AValue) {
  char buffer[32];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, AValue).ptr);
}

std::string IsoDate(double ADays) {
  WORD y, m, d;
  DecodeDate(ADays, y, m, d);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
  return buffer;
}

// Where the three paths may rightly differ, and nowhere else:
// - SQLite keeps no sign of zero, so a real zero compares equal whatever its sign.
// - A refresh reads the query's rows again in the table's order, while the other paths keep records where
//   they were added: the data are refreshed only where both orders agree (InKeyOrder).
// - The database refuses a record whose key is missing or taken, where the others keep it: every new record
//   is given a fresh key at once and a key is changed only to a fresh one. SQLite stores no NaN either. A
//   missing or taken key, or a NaN, is posted on the query alone, which must refuse it and keep the edit,
//   then cancelled on every path (PlayRefused).
// - A new record is the dataset's until it is posted: the controller bound to a dataset shows the records as
//   they were meanwhile and keeps its focus, where the controller over its own records shows the new one in
//   its place. While a record is inserted, the paths compare the new record's values and the other records,
//   not the rows, the focus or the selection (Snapshot::Inserting). Once posted (at once, too, by an
//   immediate post), cancelled or deleted, the new record leaves open on the controller over its own records
//   the groups that its row, on the way through the values it was given, or the record its delete focused
//   beside it, opened: the harness opens and closes the groups there as the bound controllers have them,
//   those inside a closed group too (ExpandAsTheDataSet).
// - A new record takes the values of its group only where the controller gives it a row of its own, not on a
//   bound controller outside grid mode: that option is off on every path.
// - An insert clears the selection of the controller over its own records, where the new record takes a row
//   among the others, but not of a bound one: the harness clears it before an insert.
// - Reading its records again (after every post and cancel), a bound controller without key fields cannot
//   tell which records were selected and drops its selection: several rows are selected only with key fields
//   (MultiSelect).
// - A dataset always stands on a record, whose data row the bound controllers focus: where the controller
//   over its own records is left with no row or a group row focused, on a neighbour of a new record that
//   was not posted, or on its last row by a delete made with no row focused (where the dataset stands on the
//   record its delete left it on), the harness focuses there the row the others focus (FocusAsTheDataSet),
//   as a program showing the records would.
// - A change of the filter posts an edit in progress of the controller over its own records but cancels a
//   dataset's (the filter's rule), focusing no row posts it there but leaves a dataset's open, as the
//   dataset still stands on its record, and deleting the selection leaves it open there but posts a
//   dataset's, which moves to the records it deletes: the harness posts first, as a program that keeps its
//   edits does.
//   While a record is inserted it plays the edit operations as they come and any other after a post, as the
//   new record has no row of its own on a bound controller: the same row index names other records there,
//   and a move to the row it keeps focused is none. Before a new record is appended or inserted, one in edit
//   is posted too. Such a post is an operation of its own, as it may hide its record from the filter, after
//   which the paths focus different rows (above).
// - Asked to edit where no data row is focused, the bound controllers edit the record their dataset stands
//   on, hidden by the filter, or insert one where the dataset holds none (the platform's rule), while the
//   controller over its own records has nothing to edit; asked to insert there, they insert before that
//   record, the other before its first one: with no data row focused, an edit is not asked for
//   (NothingToEdit), nor an insert.
std::string ValueText(const Variant& AValue) {
  switch (AValue.Type()) {
  case varNull:
  case varEmpty:
    return "null";
  case varBoolean:
    return AValue.AsBoolean() ? "true" : "false";
  case varDouble:
  case varSingle: {
    double v = AValue.AsDouble();
    return std::isnan(v) ? "nan" : v == 0 ? "0.0" : RealText(v) + (std::isinf(v) ? "" : "r");
  }
  case varDate:
    return "date " + RealText(AValue.AsDouble());
  case varString:
    return "'" + std::string(AValue.RawString()) + "'#" + std::to_string(AValue.RawString().size());
  default:
    if (VarTypeIsInteger(AValue.Type()))
      return std::to_string(AValue.AsInt64());
    return "type " + std::to_string(int(AValue.Type())) + " " + std::string(VarToStr(AValue));
  }
}

// Item i of every controller is column i of the table; column 0 is the key.
struct Table {
  std::vector<Kind> Kinds;
  std::vector<AnsiString> Names;
  std::vector<std::vector<Variant>> Rows;
  std::uint8_t Settings = 0;
  std::int64_t NextKey = 0; // the fresh keys new records are given

  int ColumnCount() const { return int(Kinds.size()); }
};

Table DecodeTable(Input& AIn) {
  Table t;
  t.Settings = AIn.Byte();
  int extra = AIn.Byte() % kMaxColumns;
  t.Kinds.push_back(kInteger);
  t.Names.push_back("id");
  for (int i = 0; i < extra; ++i) {
    t.Kinds.push_back(Kind(AIn.Byte() % kKinds));
    t.Names.push_back("c" + std::to_string(i + 1));
  }
  int rows = AIn.Byte() % (kMaxRows + 1);
  std::vector<std::int64_t> keys;
  for (int r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    // Keys are unique and the rows in key order, as the query reads them.
    std::int64_t key = AIn.Byte() % 16;
    while (std::find(keys.begin(), keys.end(), key) != keys.end())
      ++key;
    keys.push_back(key);
    row.push_back(Variant(key));
    for (int c = 1; c < t.ColumnCount(); ++c) {
      row.push_back(ValueOf(t.Kinds[std::size_t(c)], AIn.Byte()));
    }
    t.Rows.push_back(std::move(row));
  }
  std::sort(t.Rows.begin(), t.Rows.end(),
            [](const auto& A, const auto& B) { return A[0].AsInt64() < B[0].AsInt64(); });
  t.NextKey = keys.empty() ? 100 : *std::max_element(keys.begin(), keys.end()) + 100;
  return t;
}

class DirectController : public TcxDataController {
public:
  explicit DirectController(int AItems) : TcxDataController(nullptr) {
    for (int i = 0; i < AItems; ++i) {
      Items.push_back(std::make_unique<dbtest::Column>());
      AddItem(Items.back().get());
    }
  }
  TObject* GetItem(int AIndex) override { return Items.at(std::size_t(AIndex)).get(); }
  int GetItemCount() override { return int(Items.size()); }
  std::vector<std::unique_ptr<dbtest::Column>> Items;
};

struct Path {
  virtual ~Path() = default;
  virtual const char* Name() const = 0;
  virtual TcxCustomDataController& DC() = 0;
  // What a program does to read the records again: the dataset's Refresh, which first posts an edit.
  virtual void RefreshData() = 0;
  // The values of the record being inserted.
  virtual std::string NewRecordText() = 0;
  // The record that stands for the new one among the controller's records; -1 where it has none.
  virtual int NewRecordIndex() = 0;
  // Where the records' cursor stands, for a report.
  virtual std::string Position() = 0;
};

std::string RecordText(TcxCustomDataController& ADC, int ARecord) {
  std::string text;
  for (int c = 0; c < ADC.GetItemCount(); ++c)
    text += (c ? " | " : "") + ValueText(ADC.GetValue(ARecord, c));
  return text;
}

struct DirectPath : Path {
  DirectPath(const Table& ATable, TMemDataSet& ATypes) : Controller(ATable.ColumnCount()) {
    for (int c = 0; c < ATable.ColumnCount(); ++c)
      Controller.SetItemValueTypeClass(c, GetValueTypeClassByField(ATypes.Fields(c)));
    {
      TUpdateBlock<TcxCustomDataController> update(Controller);
      Controller.SetRecordCount(int(ATable.Rows.size()));
      for (std::size_t r = 0; r < ATable.Rows.size(); ++r)
        for (int c = 0; c < ATable.ColumnCount(); ++c)
          Controller.SetValue(int(r), c, ATable.Rows[r][std::size_t(c)]);
    }
  }
  const char* Name() const override { return "direct"; }
  TcxCustomDataController& DC() override { return Controller; }
  void RefreshData() override {
    Controller.Post();
    Controller.Refresh();
  }
  std::string NewRecordText() override { return RecordText(Controller, Controller.GetEditingRecordIndex()); }
  int NewRecordIndex() override { return Controller.GetEditingRecordIndex(); }
  std::string Position() override {
    return "focused record " + std::to_string(Controller.GetFocusedRecordIndex());
  }
  DirectController Controller;
};

struct BoundPath : Path {
  explicit BoundPath(int AItems) : Controller(AItems) {}
  // Called by the derived destructor, before the dataset goes.
  void Unbind() {
    Controller.SetDataSource(nullptr);
    Source.SetDataSet(nullptr);
  }
  void Bind(const Table& ATable, TDataSet& ADataSet) {
    Source.SetDataSet(&ADataSet);
    Controller.SetDataSource(&Source);
    for (int c = 0; c < ATable.ColumnCount(); ++c)
      Controller.ChangeFieldName(c, ATable.Names[std::size_t(c)]);
    if (ATable.Settings & 1)
      Controller.SetKeyFieldNames("id");
    Controller.DataModeController().SetSmartRefresh(ATable.Settings & 2);
  }
  TcxCustomDataController& DC() override { return Controller; }
  void RefreshData() override { Controller.DataSet()->Refresh(); }
  std::string NewRecordText() override {
    std::string text;
    TDataSet& ds = *Controller.DataSet();
    for (int c = 0; c < ds.FieldCount(); ++c)
      text += (c ? " | " : "") + ValueText(ds.Fields(c)->Value());
    return text;
  }
  int NewRecordIndex() override { return -1; }
  std::string Position() override {
    TDataSet& ds = *Controller.DataSet();
    return "focused record " + std::to_string(Controller.GetFocusedRecordIndex()) + ", dataset record " +
           std::to_string(ds.RecNo()) + " in state " + std::to_string(int(ds.State()));
  }
  TDataSource Source{nullptr};
  dbtest::ItemsController Controller;
};

struct MemPath : BoundPath {
  explicit MemPath(const Table& ATable) : BoundPath(ATable.ColumnCount()) {
    for (int c = 0; c < ATable.ColumnCount(); ++c)
      DataSet.AddFieldDef(ATable.Names[std::size_t(c)], FieldTypeOf(ATable.Kinds[std::size_t(c)]));
    for (const auto& row : ATable.Rows)
      DataSet.AddRow(row);
    DataSet.Open();
    Bind(ATable, DataSet);
  }
  ~MemPath() override { Unbind(); }
  const char* Name() const override { return "memory"; }
  TMemDataSet DataSet{nullptr};
};

struct QueryPath : BoundPath {
  explicit QueryPath(const Table& ATable) : BoundPath(ATable.ColumnCount()) {
    Connection.FileName = ":memory:";
    Connection.Open();
    std::string create = "CREATE TABLE t (id INTEGER PRIMARY KEY", select = "SELECT id";
    for (int c = 1; c < ATable.ColumnCount(); ++c) {
      const std::string name = ATable.Names[std::size_t(c)];
      create += ", " + name + " " + DeclOf(ATable.Kinds[std::size_t(c)]);
      select += ", " + name;
    }
    Connection.ExecSQL(create + ")");
    std::string marks = "?";
    for (int c = 1; c < ATable.ColumnCount(); ++c)
      marks += ", ?";
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(Connection.Handle(), ("INSERT INTO t VALUES (" + marks + ")").c_str(), -1, &insert,
                       nullptr);
    for (const auto& row : ATable.Rows) {
      for (int c = 0; c < ATable.ColumnCount(); ++c)
        BindRaw(insert, c + 1, ATable.Kinds[std::size_t(c)], row[std::size_t(c)]);
      if (sqlite3_step(insert) != SQLITE_DONE)
        std::abort();
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Query.SetConnection(&Connection);
    Query.SetSQL(select + " FROM t ORDER BY id");
    Query.Open();
    Bind(ATable, Query);
    Select = select + " FROM t ORDER BY id";
  }
  ~QueryPath() override { Unbind(); }
  const char* Name() const override { return "query"; }

  // The table's own form of a value: texts in UTF-8, dates as ISO text, Booleans as 0 and 1.
  static std::string RawText(Kind AKind, const Variant& AValue) {
    if (VarIsNull(AValue) || VarIsEmpty(AValue))
      return "null";
    switch (AKind) {
    case kText:
      return "text " + AnsiToUtf8(AValue.RawString());
    case kInteger:
      return "integer " + std::to_string(AValue.AsInt64());
    case kReal: {
      double v = AValue.AsDouble();
      return "real " + (v == 0 ? "0" : RealText(v));
    }
    case kDate:
      return "text " + IsoDate(AValue.AsDouble());
    case kBoolean:
      return AValue.AsBoolean() ? "integer 1" : "integer 0";
    }
    return "?";
  }
  static void BindRaw(sqlite3_stmt* AStmt, int AIndex, Kind AKind, const Variant& AValue) {
    if (VarIsNull(AValue)) {
      sqlite3_bind_null(AStmt, AIndex);
      return;
    }
    switch (AKind) {
    case kText: {
      std::string t = AnsiToUtf8(AValue.RawString());
      sqlite3_bind_text(AStmt, AIndex, t.c_str(), int(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case kInteger:
      sqlite3_bind_int64(AStmt, AIndex, AValue.AsInt64());
      break;
    case kReal:
      sqlite3_bind_double(AStmt, AIndex, AValue.AsDouble());
      break;
    case kDate: {
      std::string t = IsoDate(AValue.AsDouble());
      sqlite3_bind_text(AStmt, AIndex, t.c_str(), int(t.size()), SQLITE_TRANSIENT);
      break;
    }
    case kBoolean:
      sqlite3_bind_int(AStmt, AIndex, AValue.AsBoolean() ? 1 : 0);
      break;
    }
  }
  // The table's rows in key order, read straight from the database.
  std::vector<std::string> ReadTable(int AColumns) {
    std::vector<std::string> rows;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(Connection.Handle(), Select.c_str(), -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::string row;
      for (int c = 0; c < AColumns; ++c) {
        row += c ? " | " : "";
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_NULL:
          row += "null";
          break;
        case SQLITE_INTEGER:
          row += "integer " + std::to_string(sqlite3_column_int64(stmt, c));
          break;
        case SQLITE_FLOAT: {
          double v = sqlite3_column_double(stmt, c);
          row += "real " + (v == 0 ? std::string("0") : RealText(v));
          break;
        }
        default:
          row += sqlite3_column_type(stmt, c) == SQLITE_TEXT ? "text " : "blob ";
          row.append(static_cast<const char*>(sqlite3_column_blob(stmt, c)),
                     std::size_t(sqlite3_column_bytes(stmt, c)));
        }
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
  }

  TSQLiteConnection Connection{nullptr};
  TSQLiteQuery Query{nullptr};
  std::string Select;
};

// What a path shows after an operation, in a form compared as text.
struct Snapshot {
  std::string Outcome; // "ok" or the refusal's message
  bool Refused = false;
  int EditState = 0;
  bool Inserting = false;
  std::string NewRecord;
  std::vector<std::string> Records;
  std::vector<std::string> Rows;
  int FocusedRow = -1;
  std::vector<int> Selected;
};

Snapshot Take(Path& APath) {
  TcxCustomDataController& ADC = APath.DC();
  Snapshot s;
  s.EditState = ADC.GetEditState();
  s.Inserting = s.EditState & dceInsert;
  if (s.Inserting)
    s.NewRecord = APath.NewRecordText();
  const int newRecord = s.Inserting ? APath.NewRecordIndex() : -1;
  // Every record is read once; the rows name them by index.
  std::vector<std::string> texts(std::size_t(std::max(ADC.GetRecordCount(), 0)));
  for (int r = 0; r < int(texts.size()); ++r) {
    texts[std::size_t(r)] = RecordText(ADC, r);
    if (r != newRecord)
      s.Records.push_back(texts[std::size_t(r)]);
  }
  const int levels = ADC.Groups().LevelCount();
  for (int row = 0; row < ADC.GetRowCount(); ++row) {
    TcxRowInfo info = ADC.GetRowInfo(row);
    if (info.Level < levels) {
      int item = ADC.Groups().GroupingItemIndex(info.Level);
      s.Rows.push_back("group " + std::to_string(info.Level) +
                       (info.Expanded ? " expanded " : " collapsed ") +
                       ValueText(ADC.GetValue(info.RecordIndex, item)));
    } else if (info.RecordIndex >= 0 && info.RecordIndex < int(texts.size())) {
      s.Rows.push_back("record " + texts[std::size_t(info.RecordIndex)]);
    } else {
      s.Rows.push_back("record " + RecordText(ADC, info.RecordIndex));
    }
    if (ADC.IsRowSelected(row))
      s.Selected.push_back(row);
  }
  s.FocusedRow = ADC.GetFocusedRowIndex();
  return s;
}

// With DATA_PATHS_TRACE set, every step prints what the paths show, for reading a finding.
bool Tracing() {
  static const bool tracing = std::getenv("DATA_PATHS_TRACE") != nullptr;
  return tracing;
}

class Session {
public:
  explicit Session(Table ATable)
      : FTable(std::move(ATable)), FMem(FTable), FDirect(FTable, FMem.DataSet), FQuery(FTable) {
    FPaths = {&FDirect, &FMem, &FQuery};
    TcxDataControllerOptions options = FDirect.DC().GetOptions() & ~dcoAssignGroupingValues;
    if (FTable.Settings & 4)
      options |= dcoCaseInsensitive;
    if (FTable.Settings & 8)
      options |= dcoAnsiSort;
    if (FTable.Settings & 16)
      options |= dcoImmediatePost;
    for (Path* p : FPaths) {
      p->DC().SetOptions(options);
      p->DC().SetMultiSelect(MultiSelect(FTable.Settings >> 5));
    }
    FocusAsTheDataSet();
    Compare("open");
  }

  void Run(Input& AIn) {
    for (std::size_t n = 0; n < kMaxOperations && !AIn.Done(); ++n)
      Step(AIn);
  }

private:
  using Operation = std::function<void(Path&)>;

  int Column(std::uint8_t AByte, bool AWithKey) const {
    int n = FTable.ColumnCount() - (AWithKey ? 0 : 1);
    return n <= 0 ? -1 : AByte % n + (AWithKey ? 0 : 1);
  }
  int RowArg(std::uint8_t AByte) { return AByte % (FDirect.DC().GetRowCount() + 2) - 1; }
  // Whether the records stand in the order of their keys, in which the query reads them.
  bool InKeyOrder() {
    TcxCustomDataController& dc = FMem.DC();
    for (int r = 1; r < dc.GetRecordCount(); ++r)
      if (dc.GetValue(r - 1, 0).AsInt64() >= dc.GetValue(r, 0).AsInt64())
        return false;
    return true;
  }
  bool MultiSelect(std::uint8_t AByte) const { return (AByte & 1) && (FTable.Settings & 1); }
  static bool DataRowFocused(TcxCustomDataController& ADC) {
    const int row = ADC.GetFocusedRowIndex();
    return row >= 0 && ADC.GetRowInfo(row).Level >= ADC.Groups().LevelCount();
  }
  bool NothingToEdit() { return FDirect.DC().GetEditState() == 0 && !DataRowFocused(FDirect.DC()); }
  Variant FreshKey() { return Variant(FTable.NextKey++); }

  void Step(Input& AIn) {
    std::uint8_t op = AIn.Byte();
    std::string what;
    Operation run;
    TcxCustomDataController& direct = FDirect.DC();
    const bool inserting = direct.GetEditState() & dceInsert;
    bool postFirst = false;
    switch (op % 26) {
    case 0:
    case 1: {
      bool append = op % 26 == 0;
      if (direct.GetEditState() != 0)
        PlayOnAll("post", [](Path& p) { p.DC().Post(); });
      if (!append && !DataRowFocused(direct))
        return;
      Variant key = FreshKey();
      what = std::string(append ? "append" : "insert") + " with key " + ValueText(key);
      run = [append, key](Path& p) {
        if (!append)
          p.DC().ClearSelection();
        append ? p.DC().Append() : p.DC().Insert();
        p.DC().SetEditValue(0, key, evsValue);
      };
      break;
    }
    case 2:
      if (NothingToEdit())
        return;
      what = "edit";
      run = [](Path& p) { p.DC().Edit(); };
      break;
    case 3: {
      int column = Column(AIn.Byte(), false);
      Variant value = column < 0 ? Null : ValueOf(FTable.Kinds[std::size_t(column)], AIn.Byte());
      if (column < 0 || NothingToEdit())
        return;
      what = "set " + std::string(FTable.Names[std::size_t(column)]) + " to " + ValueText(value);
      run = [column, value](Path& p) { p.DC().SetEditValue(column, value, evsValue); };
      break;
    }
    case 4: {
      if (NothingToEdit())
        return;
      Variant key = FreshKey();
      what = "set the key to " + ValueText(key);
      run = [key](Path& p) { p.DC().SetEditValue(0, key, evsValue); };
      break;
    }
    case 5:
      what = "post";
      run = [](Path& p) { p.DC().Post(); };
      break;
    case 6:
      what = "cancel";
      run = [](Path& p) { p.DC().Cancel(); };
      break;
    case 7:
      what = "delete the focused record";
      run = [](Path& p) { p.DC().DeleteFocused(); };
      break;
    case 8:
      what = "delete the selection";
      run = [](Path& p) { p.DC().DeleteSelection(); };
      postFirst = true;
      break;
    case 9: {
      int column = Column(AIn.Byte(), true);
      auto order = TcxDataSortOrder(AIn.Byte() % 3);
      what = "sort " + std::string(FTable.Names[std::size_t(column)]) + " " +
             (order == soNone        ? "none"
              : order == soAscending ? "ascending"
                                     : "descending");
      run = [column, order](Path& p) { p.DC().ChangeSorting(column, order); };
      break;
    }
    case 10:
      what = "clear the sorting";
      run = [](Path& p) { p.DC().ClearSorting(false); };
      break;
    case 11: {
      int column = Column(AIn.Byte(), true);
      what = "group by " + std::string(FTable.Names[std::size_t(column)]);
      run = [column](Path& p) { p.DC().ChangeGroupIndex(column, p.DC().View().GroupingFieldList().Count()); };
      break;
    }
    case 12:
      what = "clear the grouping";
      run = [](Path& p) { p.DC().ClearGrouping(); };
      break;
    case 13: {
      bool expand = AIn.Byte() & 1;
      what = expand ? "expand all" : "collapse all";
      run = [expand](Path& p) { expand ? p.DC().FullExpand() : p.DC().FullCollapse(); };
      break;
    }
    case 14: {
      int row = RowArg(AIn.Byte());
      std::uint8_t how = AIn.Byte();
      bool expand = how & 1, recursive = how & 2;
      what = std::string(expand ? "expand" : "collapse") + " row " + std::to_string(row) +
             (recursive ? " recursively" : "");
      run = [=](Path& p) { p.DC().ChangeExpanding(row, expand, recursive); };
      break;
    }
    case 15:
      AddFilter(AIn, what, run);
      postFirst = true;
      break;
    case 16:
      what = "clear the filter";
      run = [](Path& p) { p.DC().Filter().Clear(); };
      postFirst = true;
      break;
    case 17: {
      int row = RowArg(AIn.Byte());
      what = "focus row " + std::to_string(row);
      run = [row](Path& p) { p.DC().ChangeFocusedRowIndex(row); };
      postFirst = row < 0;
      break;
    }
    case 18: {
      static const char* const names[] = {"first", "previous", "next", "last", "two on", "two back"};
      int move = AIn.Byte() % 6;
      what = std::string("go to the ") + names[move] + " row";
      run = [move](Path& p) {
        TcxCustomDataController& dc = p.DC();
        switch (move) {
        case 0:
          dc.GotoFirst();
          break;
        case 1:
          dc.GotoPrev();
          break;
        case 2:
          dc.GotoNext();
          break;
        case 3:
          dc.GotoLast();
          break;
        default:
          dc.MoveBy(move == 4 ? 2 : -2);
        }
      };
      break;
    }
    case 19:
      what = "refresh the data";
      // Refreshing posts an edit, which may take the records out of key order.
      if (direct.GetEditState() != 0 || !InKeyOrder())
        return;
      run = [](Path& p) { p.RefreshData(); };
      break;
    case 20:
      what = "refresh the view";
      run = [](Path& p) { p.DC().Refresh(); };
      break;
    case 21: {
      bool on = MultiSelect(AIn.Byte());
      what = std::string("multi-select ") + (on ? "on" : "off");
      run = [on](Path& p) { p.DC().SetMultiSelect(on); };
      break;
    }
    case 22: {
      int row = RowArg(AIn.Byte());
      bool on = AIn.Byte() & 1;
      what = std::string(on ? "select" : "unselect") + " row " + std::to_string(row);
      run = [row, on](Path& p) { p.DC().ChangeRowSelection(row, on); };
      break;
    }
    case 23: {
      int from = RowArg(AIn.Byte()), to = RowArg(AIn.Byte());
      what = "select rows " + std::to_string(from) + " to " + std::to_string(to);
      run = [from, to](Path& p) { p.DC().SelectRange(from, to); };
      break;
    }
    case 24: {
      bool all = AIn.Byte() & 1;
      what = all ? "select all" : "clear the selection";
      run = [all](Path& p) { all ? p.DC().SelectAll() : p.DC().ClearSelection(); };
      break;
    }
    default:
      PlayRefused(AIn.Byte());
      return;
    }
    if ((postFirst && direct.GetEditState() != 0) || (inserting && op % 26 > 7))
      PlayOnAll("post", [](Path& p) { p.DC().Post(); });
    PlayOnAll(what, run);
  }

  void PlayOnAll(const std::string& AWhat, const Operation& ARun) {
    TcxCustomDataController& direct = FDirect.DC();
    const bool inserting = direct.GetEditState() & dceInsert;
    const int records = direct.GetRecordCount();
    const bool unfocused = direct.GetFocusedRowIndex() < 0;
    FLog.push_back(AWhat);
    for (std::size_t i = 0; i < FPaths.size(); ++i)
      FShots[i].Outcome = Play(*FPaths[i], ARun, FShots[i].Refused);
    // An immediate post ends an insert within the operation that began it.
    const bool began = AWhat.rfind("append", 0) == 0 || AWhat.rfind("insert", 0) == 0;
    const bool ended = (inserting || began) && !(direct.GetEditState() & dceInsert);
    const bool dropped = ended && direct.GetRecordCount() == records - 1;
    // Groups are matched before a group row is focused by its index, and again once the focus has left a
    // group opened for it.
    if (ended)
      ExpandAsTheDataSet();
    if (dropped || (unfocused && direct.GetRecordCount() < records) ||
        (!DataRowFocused(direct) && DataRowFocused(FMem.DC())) ||
        (direct.GetFocusedRowIndex() < 0 && FMem.DC().GetFocusedRowIndex() >= 0))
      FocusAsTheDataSet();
    if (ended)
      ExpandAsTheDataSet();
    Compare(AWhat);
  }

  // The direct path focuses the row that the in-memory dataset's controller focuses: a data row by its
  // record's key.
  void FocusAsTheDataSet() {
    TcxCustomDataController& mem = FMem.DC();
    TcxCustomDataController& direct = FDirect.DC();
    const int focused = mem.GetFocusedRecordIndex();
    const std::string key = focused >= 0 ? ValueText(mem.GetValue(focused, 0)) : std::string();
    int record = -1;
    for (int r = 0; focused >= 0 && r < direct.GetRecordCount(); ++r)
      if (ValueText(direct.GetValue(r, 0)) == key)
        record = r;
    if (record >= 0 && DataRowFocused(mem)) {
      direct.ChangeFocusedRecordIndex(record);
      return;
    }
    // A group row by its group's record and level: its index differs while a group is open here alone, as
    // one that holds the focus, which must leave it before the group can be closed as on the others.
    if (record >= 0) {
      TcxCustomDataControllerInfo& view = direct.View();
      const int level = mem.GetRowInfo(mem.GetFocusedRowIndex()).Level;
      const int group = view.Groups().GetGroupIndex(view.GetListIndexByRecord(record), level);
      if (group >= 0 && view.Groups().IsVisible(group)) {
        direct.ChangeFocusedRowIndex(view.Groups().Items(group).RowIndex);
        return;
      }
    }
    direct.ChangeFocusedRowIndex(mem.GetFocusedRowIndex());
  }

  // Group rows stand in the same order on both where the paths agree; opening or closing one moves only the
  // rows after it. Past a row that stands for another group or record on each, as behind a group left open
  // here for the focus, rows of the same index are not the same rows: matching them would close a group that
  // is open on both, and drop its selected rows.
  void ExpandAsTheDataSet() {
    TcxCustomDataController& mem = FMem.DC();
    TcxCustomDataController& direct = FDirect.DC();
    const int levels = direct.Groups().LevelCount();
    auto name = [levels](TcxCustomDataController& ADC, const TcxRowInfo& AInfo) {
      const int item = AInfo.Level < levels ? ADC.Groups().GroupingItemIndex(AInfo.Level) : 0;
      return std::to_string(AInfo.Level) + ' ' + ValueText(ADC.GetValue(AInfo.RecordIndex, item));
    };
    for (int row = 0; row < direct.GetRowCount() && row < mem.GetRowCount(); ++row) {
      const TcxRowInfo own = direct.GetRowInfo(row), bound = mem.GetRowInfo(row);
      if (name(direct, own) != name(mem, bound))
        break;
      if (own.Level < levels && own.Expanded != bound.Expanded)
        direct.ChangeExpanding(row, bound.Expanded, false);
    }
    // The groups opened here inside a group closed since stay open, out of sight, until it opens again. Where
    // both views hold the same groups over the same records, those take the state they have on the dataset's
    // controller too; a hidden group's state moves no row.
    TcxDataGroups &own = direct.View().Groups(), &bound = mem.View().Groups();
    if (own.Count() != bound.Count())
      return;
    for (int g = 0; g < own.Count(); ++g) {
      const TcxDataGroupInfo &a = own.Items(g), &b = bound.Items(g);
      if (a.Level != b.Level || a.BeginIndex != b.BeginIndex || a.EndIndex != b.EndIndex)
        return;
    }
    for (int g = 0; g < own.Count(); ++g)
      if (!own.IsVisible(g))
        own.Items(g).Expanded = bound.Items(g).Expanded;
  }

  void AddFilter(Input& AIn, std::string& AWhat, Operation& ARun) {
    static const std::pair<TcxFilterOperatorKind, const char*> ops[] = {
        {fokEqual, "="},      {fokNotEqual, "<>"},     {fokLess, "<"},    {fokLessEqual, "<="},
        {fokGreater, ">"},    {fokGreaterEqual, ">="}, {fokLike, "like"}, {fokNotLike, "not like"},
        {fokNull, "is null"}, {fokNotNull, "not null"}};
    int column = Column(AIn.Byte(), true);
    const auto& chosen = ops[AIn.Byte() % std::size(ops)];
    const TcxFilterOperatorKind kind = chosen.first;
    const char* name = chosen.second;
    // A pattern is a text whatever the column's kind.
    bool pattern = kind == fokLike || kind == fokNotLike;
    Variant value = kind == fokNull || kind == fokNotNull
                        ? Null
                        : ValueOf(pattern ? kText : FTable.Kinds[std::size_t(column)], AIn.Byte());
    AWhat = "filter " + std::string(FTable.Names[std::size_t(column)]) + " " + name + " " + ValueText(value);
    ARun = [column, kind, value](Path& p) {
      TcxDataFilterCriteria& filter = p.DC().Filter();
      TUpdateBlock<TcxFilterCriteria> update(filter);
      filter.AddItem(filter.Root(), p.DC().GetItemField(column), kind, value, VarToStr(value));
      filter.SetActive(true);
    };
  }

  void PlayRefused(std::uint8_t AByte) {
    TcxCustomDataController& dc = FQuery.DC();
    // An immediate post would store the value on the other paths at once.
    if (NothingToEdit() || FDirect.DC().GetEditState() != 0 || (dc.GetOptions() & dcoImmediatePost))
      return;
    int column = 0;
    Variant value = Null;
    if (AByte & 2) {
      column = Column(AByte >> 2, false);
      if (column < 0 || FTable.Kinds[std::size_t(column)] != kReal)
        return;
      value = Variant(std::numeric_limits<double>::quiet_NaN());
    } else if (AByte & 1) {
      for (int r = 0; r < dc.GetRecordCount(); ++r)
        if (r != dc.GetFocusedRecordIndex())
          value = dc.GetValue(r, 0);
    }
    const std::string what =
        "edit, set " + std::string(FTable.Names[std::size_t(column)]) + " to " + ValueText(value);
    FLog.push_back(what);
    for (std::size_t i = 0; i < FPaths.size(); ++i)
      FShots[i].Outcome = Play(
          *FPaths[i],
          [&](Path& p) {
            p.DC().Edit();
            p.DC().SetEditValue(column, value, evsValue);
          },
          FShots[i].Refused);
    Compare(what);
    // An edit the query refused, as the paths agree it must where the direct path departed, leaves nothing to
    // post.
    if (!FShots[2].Refused) {
      FLog.push_back("post on the query alone");
      bool refused = false;
      std::string outcome = Play(
          FQuery, [](Path& p) { p.DC().Post(); }, refused);
      if (!refused)
        Fail("the query took a value the table cannot hold");
      if (!(dc.GetEditState() & dceEdit))
        Fail("the refused post lost the edit: " + outcome);
    }
    FLog.push_back("cancel");
    for (std::size_t i = 0; i < FPaths.size(); ++i)
      FShots[i].Outcome = Play(
          *FPaths[i], [](Path& p) { p.DC().Cancel(); }, FShots[i].Refused);
    Compare("the cancel of the refused value");
  }

  static std::string Play(Path& APath, const Operation& ARun, bool& ARefused) {
    ARefused = true;
    try {
      ARun(APath);
      ARefused = false;
      return "ok";
    } catch (const EcxInvalidDataControllerOperation& e) {
      return e.Message();
    } catch (const EDatabaseError& e) {
      return e.Message();
    } catch (const std::exception& e) {
      return std::string("UNEXPECTED ") + e.what();
    }
  }

  void Compare(const std::string& AWhat) {
    // The table can have changed only where the query left an edit, its records changed, it deleted, or a
    // value was set with an immediate post.
    const bool wrote = FShots[2].EditState != 0 || AWhat.rfind("delete", 0) == 0 || FFirstCompare ||
                       (AWhat.rfind("set", 0) == 0 && (FQuery.DC().GetOptions() & dcoImmediatePost));
    std::vector<std::string> queryRecords = std::move(FShots[2].Records);
    FFirstCompare = false;
    for (std::size_t i = 0; i < FPaths.size(); ++i) {
      std::string outcome = std::move(FShots[i].Outcome);
      bool refused = FShots[i].Refused;
      FShots[i] = Take(*FPaths[i]);
      FShots[i].Outcome = outcome.empty() ? "ok" : outcome;
      FShots[i].Refused = refused;
      if (FShots[i].Outcome.rfind("UNEXPECTED", 0) == 0)
        Fail(std::string(FPaths[i]->Name()) + " raised what the library does not: " + FShots[i].Outcome);
    }
    if (Tracing()) {
      std::fprintf(stderr, "after %s:\n", AWhat.c_str());
      PrintStates();
    }
    // The in-memory dataset's controller is held to the direct path, the query's to the in-memory one's.
    for (std::size_t i = 1; i < FPaths.size(); ++i) {
      const Snapshot &a = FShots[i == 1 ? 0 : 1], &b = FShots[i];
      std::string mismatch;
      if (a.Refused != b.Refused)
        mismatch = "refusal";
      else if (a.EditState != b.EditState)
        mismatch = "edit state";
      else if (a.Records != b.Records)
        mismatch = "records";
      else if (a.NewRecord != b.NewRecord)
        mismatch = "new record";
      else if (!a.Inserting && a.Rows != b.Rows)
        mismatch = "rows";
      else if (!a.Inserting && a.FocusedRow != b.FocusedRow)
        mismatch = "focus";
      else if (!a.Inserting && a.Selected != b.Selected)
        mismatch = "selection";
      if (!mismatch.empty())
        Fail(std::string(FPaths[i]->Name()) + " differs from " + FPaths[i == 1 ? 0 : 1]->Name() + " in its " +
             mismatch + " after " + AWhat);
    }
    if (FShots[2].EditState == 0 && (wrote || FShots[2].Records != queryRecords)) {
      std::vector<std::string> expected;
      TcxCustomDataController& dc = FQuery.DC();
      for (int r = 0; r < dc.GetRecordCount(); ++r) {
        std::string row;
        for (int c = 0; c < FTable.ColumnCount(); ++c)
          row += (c ? " | " : "") + QueryPath::RawText(FTable.Kinds[std::size_t(c)], dc.GetValue(r, c));
        expected.push_back(std::move(row));
      }
      std::sort(expected.begin(), expected.end(),
                [](const std::string& A, const std::string& B) { return KeyOf(A) < KeyOf(B); });
      FTableRows = FQuery.ReadTable(FTable.ColumnCount());
      if (FTableRows != expected) {
        FExpectedRows = expected;
        Fail("the query's table does not hold its records after " + AWhat);
      }
    }
  }

  // The key of a row in the table's form, which starts with it; a missing key sorts first, as in the table.
  static std::int64_t KeyOf(const std::string& ARow) {
    std::int64_t key = INT64_MIN;
    if (ARow.rfind("integer ", 0) == 0)
      std::from_chars(ARow.data() + 8, ARow.data() + ARow.size(), key);
    return key;
  }

  void PrintStates() {
    for (std::size_t i = 0; i < FPaths.size(); ++i) {
      const Snapshot& s = FShots[i];
      std::fprintf(stderr, "%s: %s; edit state %d, focused row %d, %s, selected", FPaths[i]->Name(),
                   s.Outcome.c_str(), s.EditState, s.FocusedRow, FPaths[i]->Position().c_str());
      for (int row : s.Selected)
        std::fprintf(stderr, " %d", row);
      std::fprintf(stderr, "\n records:\n");
      for (const std::string& r : s.Records)
        std::fprintf(stderr, "  %s\n", r.c_str());
      std::fprintf(stderr, " rows:\n");
      for (const std::string& r : s.Rows)
        std::fprintf(stderr, "  %s\n", r.c_str());
    }
  }

  [[noreturn]] void Fail(const std::string& AWhy) {
    std::fprintf(stderr, "\n%s\nsettings %u, columns:", AWhy.c_str(), unsigned(FTable.Settings));
    for (int c = 0; c < FTable.ColumnCount(); ++c)
      std::fprintf(stderr, " %s %s", FTable.Names[std::size_t(c)].c_str(),
                   DeclOf(FTable.Kinds[std::size_t(c)]));
    std::fprintf(stderr, "\nrows:\n");
    for (const auto& row : FTable.Rows) {
      std::string text;
      for (const Variant& v : row)
        text += (text.empty() ? "" : " | ") + ValueText(v);
      std::fprintf(stderr, "  %s\n", text.c_str());
    }
    std::fprintf(stderr, "operations:\n");
    for (const std::string& op : FLog)
      std::fprintf(stderr, "  %s\n", op.c_str());
    PrintStates();
    if (!FExpectedRows.empty()) {
      std::fprintf(stderr, "table:\n");
      for (const std::string& r : FTableRows)
        std::fprintf(stderr, "  %s\n", r.c_str());
      std::fprintf(stderr, "expected:\n");
      for (const std::string& r : FExpectedRows)
        std::fprintf(stderr, "  %s\n", r.c_str());
    }
    std::abort();
  }

  Table FTable;
  MemPath FMem;
  DirectPath FDirect;
  QueryPath FQuery;
  std::vector<Path*> FPaths;
  Snapshot FShots[3];
  std::vector<std::string> FLog, FTableRows, FExpectedRows;
  bool FFirstCompare = true;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Every run touches much of the data layer, and the entropic schedule's bookkeeping of that many features
  // costs more than the runs themselves; flags given on the command line still come after this one.
  static std::vector<char*> args;
  static char vanilla[] = "-entropic=0";
  args.assign(*argv, *argv + *argc);
  args.insert(args.begin() + 1, vanilla);
  args.push_back(nullptr);
  *argv = args.data();
  ++*argc;
  FormatSettings.DecimalSeparator = '.';
  RegisterSQLiteQueryProperties();
  cxDBFilterInitialize();
  cxDBDataUnit.Initialization();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Session session(DecodeTable(in));
  session.Run(in);
  return 0;
}
