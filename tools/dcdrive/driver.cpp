#include "tools/dcdrive/driver.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/cxCustomData.h"
#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "data/cxVariants.h"
#include "platform/db/SQLiteQuery.h"
#include "platform/rtl/FormatSettings.h"
#include "tools/dcdrive/csv.h"
#include "tools/dcdrive/text.h"

namespace dcdrive {

namespace {

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
public:
  AnsiString Name;
  std::string Type;
};

// A controller of either kind with one item per column.
template <class Base> class ColumnController : public Base {
public:
  explicit ColumnController(std::vector<Column*>* AColumns) : Base(nullptr), FColumns(AColumns) {}
  TObject* GetItem(int AIndex) override { return (*FColumns)[std::size_t(AIndex)]; }
  int GetItemCount() override { return int(FColumns->size()); }

private:
  std::vector<Column*>* FColumns;
};

// The column type that setvalue parses for a field of the query. A table's "int" is 32 bits; a query's
// integer column holds SQLite's 64.
std::string ColumnTypeOf(TFieldType AType) {
  switch (AType) {
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftAutoInc:
    return "int";
  case ftLargeint:
    return "int64";
  case ftFloat:
    return "float";
  case ftCurrency:
  case ftBCD:
  case ftFMTBcd:
    return "currency";
  case ftBoolean:
    return "bool";
  case ftDate:
  case ftDateTime:
    return "date";
  default:
    return "string";
  }
}

TcxValueTypeClass TypeOf(const std::string& AType) {
  if (AType == "int")
    return TcxIntegerValueType::Instance();
  if (AType == "float")
    return TcxFloatValueType::Instance();
  if (AType == "currency")
    return TcxCurrencyValueType::Instance();
  if (AType == "bool")
    return TcxBooleanValueType::Instance();
  if (AType == "date")
    return TcxDateTimeValueType::Instance();
  if (AType == "string")
    return TcxStringValueType::Instance();
  throw BadInput("unknown column type " + QuoteAnsi(AType));
}

Variant ParseDate(const AnsiString& AText) {
  int y, m, d;
  char tail;
  TDateTime date;
  if (AText.size() != 10 || std::sscanf(AText.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 ||
      !TryEncodeDate(WORD(y), WORD(m), WORD(d), date))
    throw BadInput("not a date: " + QuoteAnsi(AText));
  return Variant::FromDate(date);
}

// A currency holds about ±9.2e14; a value past that is bad input, not an overflow inside the library.
Variant CurrencyValue(double AValue, std::string_view AText) {
  try {
    return Variant(Currency::FromDouble(AValue));
  } catch (const EVariantError&) {
    throw BadInput("not a currency: " + QuoteAnsi(AText));
  }
}

Variant CurrencyValue(std::int64_t AValue, std::string_view AText) {
  constexpr std::int64_t limit = INT64_MAX / 10000;
  if (AValue > limit || AValue < -limit)
    throw BadInput("not a currency: " + QuoteAnsi(AText));
  return Variant(Currency{AValue * 10000});
}

bool IsIntegerType(const std::string& AType) {
  return AType == "int" || AType == "int64";
}

// A whole number for a column of integer type AType; AText is what a refusal quotes.
Variant IntegerValue(const std::string& AType, std::int64_t AValue, std::string_view AText) {
  if (AType == "int" && (AValue < INT32_MIN || AValue > INT32_MAX))
    throw BadInput("not a " + AType + ": " + QuoteAnsi(AText));
  return AType == "int" ? Variant(int(AValue)) : Variant(AValue);
}

// A cell or operation value in the code page, parsed by its column's type.
Variant CellValue(const std::string& AType, const AnsiString& AText) {
  if (IsIntegerType(AType) || AType == "float" || AType == "currency") {
    auto bad = [&] { return BadInput("not a " + AType + ": " + QuoteAnsi(AText)); };
    std::size_t used = 0;
    long long whole = 0;
    double real = 0;
    try {
      if (IsIntegerType(AType))
        whole = std::stoll(AText, &used);
      else
        real = std::stod(AText, &used);
    } catch (const std::logic_error&) {
      throw bad();
    }
    if (used != AText.size())
      throw bad();
    if (IsIntegerType(AType))
      return IntegerValue(AType, whole, AText);
    return AType == "float" ? Variant(real) : CurrencyValue(real, AText);
  }
  if (AType == "bool") {
    if (AText == "true")
      return Variant(true);
    if (AText == "false")
      return Variant(false);
    throw BadInput("not a bool: " + QuoteAnsi(AText));
  }
  if (AType == "date")
    return ParseDate(AText);
  return Variant(AText);
}

// NaN, Infinity and -Infinity by name, any other real as the shortest text that reads back as it.
std::string RealName(double AValue) {
  if (std::isnan(AValue))
    return "NaN";
  if (std::isinf(AValue))
    return AValue > 0 ? "Infinity" : "-Infinity";
  char buffer[32];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, AValue).ptr;
  return std::string(buffer, end);
}

// JSON has no infinity and no NaN, and would print either as null, which is SQL's NULL: they are named.
json RealToJson(double AValue) {
  return std::isfinite(AValue) ? json(AValue) : json(RealName(AValue));
}

// A date of the calendar as yyyy-mm-dd; one before year 1 or after 9999 as its distance in days from the
// day dates count from, as no calendar date names it.
json DateToJson(TDateTime AValue) {
  WORD y, m, d;
  DecodeDate(AValue, y, m, d);
  if (y == 0)
    return std::string("1899-12-30 ") + (AValue < 0 ? "- " : "+ ") + RealName(std::fabs(AValue)) + " days";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
  return buffer;
}

json ToJson(const Variant& AValue) {
  if (VarTypeIsInteger(AValue.Type()))
    return AValue.AsInt64();
  switch (AValue.Type()) {
  case varNull:
  case varEmpty:
    return nullptr;
  case varBoolean:
    return AValue.AsBoolean();
  case varCurrency: {
    std::int64_t raw = AValue.AsCurrency().Value;
    std::uint64_t magnitude = raw < 0 ? 0 - std::uint64_t(raw) : std::uint64_t(raw);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", raw < 0 ? "-" : "",
                  (unsigned long long)(magnitude / 10000), (unsigned long long)(magnitude % 10000));
    return buffer;
  }
  case varDate:
    return DateToJson(AValue.AsDouble());
  case varSingle:
  case varDouble:
    return RealToJson(AValue.AsDouble());
  default:
    return ToUtf8(VarToStr(AValue));
  }
}

json ArrayToJson(const Variant& AValues) {
  json result = json::array();
  for (const Variant& v : VarArrayElements(AValues))
    result.push_back(ToJson(v));
  return result;
}

json ParseLiteral(const std::string& AWord) {
  try {
    return json::parse(AWord);
  } catch (const json::exception&) {
    throw BadInput("not a JSON literal: " + QuoteUtf8(AWord));
  }
}

// A JSON number for a column of AType; one the type cannot hold (a fraction for an integer, a whole number
// past its range or past 64 bits) is bad input, never left to wrap or to overflow inside the library.
Variant NumberValue(const json& AValue, const std::string& AType) {
  const std::string text = AValue.dump();
  if (AType == "float")
    return Variant(AValue.get<double>());
  bool whole = AValue.is_number_integer() &&
               !(AValue.is_number_unsigned() && AValue.get<std::uint64_t>() > std::uint64_t(INT64_MAX));
  if (AType == "currency")
    return whole ? CurrencyValue(AValue.get<std::int64_t>(), text)
                 : CurrencyValue(AValue.get<double>(), text);
  if (!whole && (IsIntegerType(AType) || AValue.is_number_integer()))
    throw BadInput("not a " + AType + ": " + QuoteAnsi(text));
  if (!whole)
    return Variant(AValue.get<double>());
  std::int64_t v = AValue.get<std::int64_t>();
  if (IsIntegerType(AType))
    return IntegerValue(AType, v, text);
  return v >= INT32_MIN && v <= INT32_MAX ? Variant(int(v)) : Variant(v);
}

Variant JsonToVariant(const json& AValue, const std::string& AType) {
  if (AValue.is_null())
    return Null;
  if (AValue.is_boolean())
    return Variant(AValue.get<bool>());
  if (AValue.is_number())
    return NumberValue(AValue, AType);
  if (AValue.is_string()) {
    AnsiString text = ToCodePage(AValue.get_ref<const std::string&>());
    if (AType == "date" || AType == "currency" || IsIntegerType(AType) || AType == "float")
      return CellValue(AType, text);
    return Variant(text);
  }
  throw BadInput("values are JSON literals");
}

// The line of a byte offset, from 1.
std::size_t LineOf(std::string_view AText, std::size_t AOffset) {
  AOffset = std::min(AOffset, AText.size());
  return 1 + std::size_t(std::count(AText.begin(), AText.begin() + std::ptrdiff_t(AOffset), '\n'));
}

} // namespace

struct Driver::State {
  std::vector<std::unique_ptr<Column>> Columns;
  std::vector<Column*> ColumnPointers;
  std::unique_ptr<TcxCustomDataController> DC;
  TSQLiteConnection Connection{nullptr};
  std::unique_ptr<TSQLiteQuery> Query;
  TDataSource Source{nullptr};

  ~State() {
    DC.reset();
    Query.reset();
  }

  void AddColumn(AnsiString AName, std::string AType) {
    auto column = std::make_unique<Column>();
    column->Name = std::move(AName);
    column->Type = std::move(AType);
    ColumnPointers.push_back(column.get());
    Columns.push_back(std::move(column));
  }

  // The controller declines to edit a query that cannot be modified without a word; the tool says why.
  void SayWhyNotEditing() {
    if (Query && DC->GetEditState() == 0)
      Query->CheckCanModify();
  }

  int ColumnIndex(const std::string& AName) {
    AnsiString name = ToCodePage(AName);
    for (std::size_t i = 0; i < Columns.size(); ++i)
      if (Columns[i]->Name == name)
        return int(i);
    throw BadInput("no column " + QuoteUtf8(AName));
  }

  static int Number(const std::string& AText) {
    std::size_t used = 0;
    int v = 0;
    try {
      v = std::stoi(AText, &used);
    } catch (const std::logic_error&) {
      used = 0;
    }
    if (used == 0 || used != AText.size())
      throw BadInput("not a number: " + QuoteUtf8(AText));
    return v;
  }

  // The dataset-bound controller, for the operations only it has.
  TcxDBDataController& QueryController(const std::string& AOp) {
    auto* dc = dynamic_cast<TcxDBDataController*>(DC.get());
    if (!dc)
      throw BadInput(AOp + " needs a query (--sqlite)");
    return *dc;
  }
  json Dump();
  TcxDataSummaryItem* AddSummary(TcxDataSummaryItems& AItems, const std::vector<std::string>& AWords);
  void Filter(const std::vector<std::string>& AWords);
  bool FocusRow(int ARowIndex);
};

void InitializeUnits() {
  FormatSettings.DecimalSeparator = '.';
  RegisterSQLiteQueryProperties();
  cxDBFilterInitialize();
  cxDBDataUnit.Initialization();
}

Driver::Driver() : FState(std::make_unique<State>()) {}
Driver::~Driver() = default;

void Driver::LoadTable(std::string_view ACsv) {
  State& s = *FState;
  AnsiString text;
  try {
    text = ToCodePage(ACsv);
  } catch (const BadText& e) {
    throw BadInput("line " + std::to_string(LineOf(ACsv, e.Offset)) + ": " + e.what());
  }
  std::vector<CsvRow> rows = ParseCsv(text);
  if (rows.empty())
    throw BadInput("the table has no header");
  for (const CsvCell& cell : rows[0]) {
    std::size_t colon = cell.Text.rfind(':');
    if (colon == std::string::npos || colon == 0)
      throw BadInput("a header cell is name:type, not " + QuoteAnsi(cell.Text));
    std::string type = cell.Text.substr(colon + 1);
    TypeOf(type);
    s.AddColumn(cell.Text.substr(0, colon), type);
  }
  s.DC = std::make_unique<ColumnController<TcxDataController>>(&s.ColumnPointers);
  for (std::size_t i = 0; i < s.Columns.size(); ++i) {
    s.DC->AddItem(s.Columns[i].get());
    s.DC->SetItemValueTypeClass(int(i), TypeOf(s.Columns[i]->Type));
  }
  TUpdateBlock<TcxCustomDataController> update(*s.DC);
  s.DC->SetRecordCount(int(rows.size()) - 1);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    if (rows[r].size() != s.Columns.size())
      throw BadInput("record " + std::to_string(r - 1) + " has " + std::to_string(rows[r].size()) +
                     " cells, the header " + std::to_string(s.Columns.size()));
    for (std::size_t c = 0; c < s.Columns.size(); ++c) {
      const CsvCell& cell = rows[r][c];
      Variant value = !cell.Quoted && cell.Text.empty() ? Null : CellValue(s.Columns[c]->Type, cell.Text);
      s.DC->SetValue(int(r - 1), int(c), value);
    }
  }
}

void Driver::LoadQuery(std::string_view AFile, std::string_view ASQL) {
  State& s = *FState;
  // The connection and the query take code-page text and hand SQLite UTF-8 themselves.
  AnsiString file, sql;
  try {
    file = ToCodePage(AFile);
  } catch (const BadText& e) {
    throw BadInput(std::string("the file name: ") + e.what());
  }
  try {
    sql = ToCodePage(ASQL);
  } catch (const BadText& e) {
    throw BadInput(std::string("the SQL text: ") + e.what());
  }
  s.Connection.FileName = file;
  s.Connection.Open();
  // The references the database declares hold while the driver edits it.
  s.Connection.ExecSQL("PRAGMA foreign_keys = ON");
  s.Query = std::make_unique<TSQLiteQuery>(nullptr);
  s.Query->SetConnection(&s.Connection);
  s.Query->SetSQL(sql);
  s.Query->Open();
  for (int i = 0; i < s.Query->FieldCount(); ++i)
    s.AddColumn(s.Query->Fields(i)->FieldName, ColumnTypeOf(s.Query->Fields(i)->DataType()));
  auto dc = std::make_unique<ColumnController<TcxDBDataController>>(&s.ColumnPointers);
  for (std::size_t i = 0; i < s.Columns.size(); ++i) {
    dc->AddItem(s.Columns[i].get());
    dc->ChangeFieldName(int(i), s.Columns[i]->Name);
  }
  s.Source.SetDataSet(s.Query.get());
  dc->SetDataSource(&s.Source);
  s.DC = std::move(dc);
}

json Driver::State::Dump() {
  json out;
  TcxCustomDataControllerInfo& view = DC->View();
  out["recordCount"] = DC->GetRecordCount();
  out["rowCount"] = DC->GetRowCount();
  json rows = json::array(), groups = json::array(), selected = json::array();
  int levels = view.Groups().LevelCount();
  for (int row = 0; row < DC->GetRowCount(); ++row) {
    TcxRowInfo info = DC->GetRowInfo(row);
    bool group = view.IsGrouped() && info.Level < levels;
    rows.push_back(json::array({group ? "g" : "d", info.Level, info.RecordIndex}));
    if (DC->IsRowSelected(row))
      selected.push_back(row);
  }
  TcxDataGroups& g = view.Groups();
  // A record in edit heading its group may hold another value until it is posted.
  const int editing = DC->Provider().EditingRecordIndex();
  for (int i = 0; i < g.Count(); ++i) {
    if (!g.IsVisible(i))
      continue;
    const TcxDataGroupInfo& info = g.Items(i);
    int record = view.GroupValueRecord(i, editing, cxNoRecord);
    groups.push_back({{"row", info.RowIndex},
                      {"level", info.Level},
                      {"expanded", info.Expanded},
                      {"value", ToJson(DC->GetStoredValue(record, g.Levels(info.Level).Field))},
                      {"summary", ArrayToJson(info.SummaryValues)}});
  }
  out["rows"] = rows;
  out["groups"] = groups;
  out["footer"] = ArrayToJson(DC->Summary().FooterSummaryValues());
  out["focusedRow"] = DC->GetFocusedRowIndex();
  out["focusedRecord"] = DC->GetFocusedRecordIndex();
  out["selected"] = selected;
  return out;
}

TcxDataSummaryItem* Driver::State::AddSummary(TcxDataSummaryItems& AItems,
                                              const std::vector<std::string>& AWords) {
  if (AWords.size() != 4)
    throw BadInput("summary footer|group COL KIND");
  int column = ColumnIndex(AWords[2]);
  static const std::pair<const char*, TcxSummaryKind> kinds[] = {
      {"sum", skSum}, {"min", skMin}, {"max", skMax}, {"count", skCount}, {"average", skAverage}};
  for (auto& [name, kind] : kinds)
    if (AWords[3] == name) {
      TcxDataSummaryItem* item = AItems.Add();
      item->SetField(DC->GetItemField(column));
      item->SetKind(kind);
      return item;
    }
  throw BadInput("unknown summary kind " + QuoteUtf8(AWords[3]));
}

void Driver::State::Filter(const std::vector<std::string>& AWords) {
  if (AWords.size() < 3)
    throw BadInput("filter COL OP VALUE...");
  int column = ColumnIndex(AWords[1]);
  static const std::pair<const char*, TcxFilterOperatorKind> ops[] = {
      {"=", fokEqual},   {"<>", fokNotEqual},     {"<", fokLess},          {"<=", fokLessEqual},
      {">", fokGreater}, {">=", fokGreaterEqual}, {"like", fokLike},       {"notlike", fokNotLike},
      {"null", fokNull}, {"notnull", fokNotNull}, {"between", fokBetween}, {"notbetween", fokNotBetween},
      {"in", fokInList}, {"notin", fokNotInList}};
  for (auto& [name, kind] : ops) {
    if (AWords[2] != name)
      continue;
    // A like pattern matches a value's text, whatever the column's type.
    bool pattern = kind == fokLike || kind == fokNotLike;
    std::string type = pattern ? "string" : Columns[std::size_t(column)]->Type;
    std::vector<Variant> values;
    for (std::size_t i = 3; i < AWords.size(); ++i)
      values.push_back(JsonToVariant(ParseLiteral(AWords[i]), type));
    Variant value = Null;
    if (kind == fokBetween || kind == fokNotBetween) {
      if (values.size() != 2)
        throw BadInput("between takes two values");
      value = VarBetweenArrayCreate(values[0], values[1]);
    } else if (kind == fokInList || kind == fokNotInList) {
      if (values.empty())
        throw BadInput("in takes at least one value");
      value = VarArrayOf(values);
    } else if (kind == fokNull || kind == fokNotNull) {
      if (!values.empty())
        throw BadInput("null takes no value");
    } else {
      if (values.size() != 1)
        throw BadInput(std::string(name) + " takes one value");
      value = values[0];
    }
    TcxDataFilterCriteria& filter = DC->Filter();
    TUpdateBlock<TcxFilterCriteria> update(filter);
    filter.AddItem(filter.Root(), DC->GetItemField(column), kind, value,
                   VarIsArray(value) ? AnsiString() : VarToStr(value));
    filter.SetActive(true);
    return;
  }
  throw BadInput("unknown filter operator " + QuoteUtf8(AWords[2]));
}

// The controller moves the focus to the last row for an index past it and then answers false; the driver
// refuses such an index instead, as it does a record index, so that an answer says what happened.
bool Driver::State::FocusRow(int ARowIndex) {
  if (ARowIndex < -1 || ARowIndex >= DC->GetRowCount())
    throw EInvalidArgument("RowIndex out of range");
  return DC->ChangeFocusedRowIndex(ARowIndex);
}

json Driver::Run(const std::vector<std::string>& w) {
  State& s = *FState;
  TcxCustomDataController* DC = s.DC.get();
  const std::string& op = w.at(0);
  auto need = [&](std::size_t n) {
    if (w.size() != n)
      throw BadInput(op + " takes " + std::to_string(n - 1) + " argument(s)");
  };
  if (op == "sort") {
    need(3);
    TcxDataSortOrder order = w[2] == "asc" ? soAscending : w[2] == "desc" ? soDescending : soNone;
    if (w[2] != "asc" && w[2] != "desc" && w[2] != "none")
      throw BadInput("sort order is asc, desc or none");
    DC->ChangeSorting(s.ColumnIndex(w[1]), order);
  } else if (op == "clearsort") {
    need(1);
    DC->ClearSorting(false);
  } else if (op == "group") {
    need(2);
    DC->ChangeGroupIndex(s.ColumnIndex(w[1]), DC->View().GroupingFieldList().Count());
  } else if (op == "ungroup") {
    need(1);
    DC->ClearGrouping();
  } else if (op == "filterroot") {
    need(2);
    if (w[1] != "and" && w[1] != "or")
      throw BadInput("filterroot and|or");
    DC->Filter().Root()->SetBoolOperatorKind(w[1] == "and" ? fbokAnd : fbokOr);
  } else if (op == "filter") {
    s.Filter(w);
  } else if (op == "filterclear") {
    need(1);
    DC->Filter().Clear();
  } else if (op == "summary") {
    if (w.size() < 2 || (w[1] != "footer" && w[1] != "group"))
      throw BadInput("summary footer|group COL KIND");
    s.AddSummary(
        w[1] == "footer" ? DC->Summary().FooterSummaryItems() : DC->Summary().DefaultGroupSummaryItems(), w);
  } else if (op == "summaryoptions") {
    TcxSummaryOptions options;
    for (std::size_t i = 1; i < w.size(); ++i) {
      if (w[i] == "nullignore")
        options.Include(soNullIgnore);
      else if (w[i] == "selectedrecords")
        options.Include(soSelectedRecords);
      else
        throw BadInput("unknown summary option " + QuoteUtf8(w[i]));
    }
    DC->Summary().SetOptions(options);
  } else if (op == "expandall") {
    need(1);
    DC->FullExpand();
  } else if (op == "collapseall") {
    need(1);
    DC->FullCollapse();
  } else if (op == "expand" || op == "collapse") {
    need(2);
    return DC->ChangeExpanding(State::Number(w[1]), op == "expand", false);
  } else if (op == "focusrow") {
    need(2);
    return s.FocusRow(State::Number(w[1]));
  } else if (op == "focusrecord") {
    need(2);
    return DC->ChangeFocusedRecordIndex(State::Number(w[1]));
  } else if (op == "multiselect") {
    need(2);
    DC->SetMultiSelect(State::Number(w[1]) != 0);
  } else if (op == "select") {
    need(2);
    DC->ChangeRowSelection(State::Number(w[1]), true);
  } else if (op == "selectrange") {
    need(3);
    DC->SelectRange(State::Number(w[1]), State::Number(w[2]));
  } else if (op == "clearselection") {
    need(1);
    DC->ClearSelection();
  } else if (op == "locate") {
    if (w.size() != 3)
      throw BadInput("locate COL TEXT");
    json text = !w[2].empty() && w[2][0] == '"' ? ParseLiteral(w[2]) : json(w[2]);
    if (!text.is_string())
      throw BadInput("locate takes a text");
    return DC->Search().Locate(s.ColumnIndex(w[1]), ToCodePage(text.get_ref<const std::string&>()));
  } else if (op == "locatenext") {
    need(2);
    if (w[1] != "fwd" && w[1] != "back")
      throw BadInput("locatenext fwd|back");
    return DC->Search().LocateNext(w[1] == "fwd");
  } else if (op == "edit") {
    need(1);
    DC->Edit();
    s.SayWhyNotEditing();
    return DC->GetEditState() != 0;
  } else if (op == "append" || op == "insert") {
    need(1);
    op == "append" ? DC->Append() : DC->Insert();
    s.SayWhyNotEditing();
    return DC->GetEditingRecordIndex();
  } else if (op == "setvalue") {
    need(3);
    int column = s.ColumnIndex(w[1]);
    return DC->SetEditValue(column, JsonToVariant(ParseLiteral(w[2]), s.Columns[std::size_t(column)]->Type),
                            evsValue);
  } else if (op == "post") {
    need(1);
    DC->Post();
  } else if (op == "cancel") {
    need(1);
    DC->Cancel();
  } else if (op == "deletefocused") {
    need(1);
    DC->DeleteFocused();
  } else if (op == "deleteselected") {
    need(1);
    DC->DeleteSelection();
  } else if (op == "keyfields") {
    need(2);
    s.QueryController(op).SetKeyFieldNames(ToCodePage(w[1]));
  } else if (op == "gridmode") {
    if ((w.size() != 2 && w.size() != 3) || (w[1] != "on" && w[1] != "off"))
      throw BadInput("gridmode on|off [BUFFERCOUNT]");
    TcxDBDataModeController& mode = s.QueryController(op).DataModeController();
    if (w.size() == 3)
      mode.SetGridModeBufferCount(State::Number(w[2]));
    mode.SetGridMode(w[1] == "on");
  } else if (op == "dump") {
    need(1);
    return json({{"dump", s.Dump()}});
  } else {
    throw BadInput("unknown operation " + QuoteUtf8(op));
  }
  return nullptr;
}

} // namespace dcdrive
