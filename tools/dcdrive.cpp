// dcdrive TABLE.csv OPS.txt: loads a table into an unbound data controller with one item per column, applies
// the operations one per line and prints one JSON object per line. Bad input exits with status 2.
// dcdrive --sqlite FILE --sql "SELECT ..." OPS.txt: the same over a dataset-bound controller reading the
// query, one item per column of its result; edits are written back to the database.
//
// An operation that answers prints {"op":N,"result":V}, one that raises {"op":N,"error":"text"}; N is the
// operation's line number in OPS.txt. "dump" prints the view. Operations that answer nothing print nothing.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/cxCustomData.h"
#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "data/cxVariants.h"
#include "platform/db/SQLiteQuery.h"
#include "platform/rtl/FormatSettings.h"

namespace {

using json = nlohmann::ordered_json;

struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Column : public TObject {
  PELVOR_CLASS(Column, TObject)
public:
  std::string Name;
  std::string Type;
};

class Controller : public TcxDataController {
public:
  explicit Controller(std::vector<Column*>* AColumns) : TcxDataController(nullptr), FColumns(AColumns) {}
  TObject* GetItem(int AIndex) override { return (*FColumns)[std::size_t(AIndex)]; }
  int GetItemCount() override { return int(FColumns->size()); }

private:
  std::vector<Column*>* FColumns;
};

class DBController : public TcxDBDataController {
public:
  explicit DBController(std::vector<Column*>* AColumns) : TcxDBDataController(nullptr), FColumns(AColumns) {}
  TObject* GetItem(int AIndex) override { return (*FColumns)[std::size_t(AIndex)]; }
  int GetItemCount() override { return int(FColumns->size()); }

private:
  std::vector<Column*>* FColumns;
};

// The column type that setvalue parses for a field of the query.
std::string ColumnTypeOf(TFieldType AType) {
  switch (AType) {
  case ftSmallint:
  case ftInteger:
  case ftWord:
  case ftAutoInc:
  case ftLargeint:
    return "int";
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

std::vector<std::vector<std::pair<std::string, bool>>> ParseCsv(const std::string& AText) {
  // Each cell carries whether it was quoted, since an empty unquoted cell is Null and "" the empty text.
  std::vector<std::vector<std::pair<std::string, bool>>> rows;
  std::vector<std::pair<std::string, bool>> row;
  std::string cell;
  bool quoted = false, inQuotes = false, any = false;
  std::size_t i = 0;
  auto endCell = [&] {
    row.emplace_back(cell, quoted);
    cell.clear();
    quoted = false;
  };
  while (i < AText.size()) {
    char c = AText[i];
    if (inQuotes) {
      if (c == '"') {
        if (i + 1 < AText.size() && AText[i + 1] == '"') {
          cell += '"';
          i += 2;
          continue;
        }
        inQuotes = false;
      } else {
        cell += c;
      }
      ++i;
      continue;
    }
    any = true;
    if (c == '"') {
      if (!cell.empty() || quoted)
        throw BadInput("a quote inside an unquoted cell");
      quoted = inQuotes = true;
    } else if (c == ',') {
      endCell();
    } else if (c == '\r' || c == '\n') {
      endCell();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
      if (c == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')
        ++i;
    } else {
      if (quoted)
        throw BadInput("text after a closing quote");
      cell += c;
    }
    ++i;
  }
  if (inQuotes)
    throw BadInput("an unterminated quoted cell");
  if (any || !cell.empty() || quoted) {
    endCell();
    rows.push_back(std::move(row));
  }
  return rows;
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
  throw BadInput("unknown column type '" + AType + "'");
}

Variant ParseDate(const std::string& AText) {
  int y, m, d;
  char tail;
  TDateTime date;
  if (AText.size() != 10 || std::sscanf(AText.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3 ||
      !TryEncodeDate(WORD(y), WORD(m), WORD(d), date))
    throw BadInput("not a date: '" + AText + "'");
  return Variant::FromDate(date);
}

Variant CellValue(const std::string& AType, const std::string& AText) {
  try {
    std::size_t used = 0;
    if (AType == "int") {
      long long v = std::stoll(AText, &used);
      if (used != AText.size() || v < INT32_MIN || v > INT32_MAX)
        throw BadInput("");
      return Variant(int(v));
    }
    if (AType == "float") {
      double v = std::stod(AText, &used);
      if (used != AText.size())
        throw BadInput("");
      return Variant(v);
    }
    if (AType == "currency") {
      double v = std::stod(AText, &used);
      if (used != AText.size())
        throw BadInput("");
      return Variant(Currency::FromDouble(v));
    }
  } catch (const std::logic_error&) {
    throw BadInput("not a " + AType + ": '" + AText + "'");
  } catch (const BadInput&) {
    throw BadInput("not a " + AType + ": '" + AText + "'");
  }
  if (AType == "bool") {
    if (AText == "true")
      return Variant(true);
    if (AText == "false")
      return Variant(false);
    throw BadInput("not a bool: '" + AText + "'");
  }
  if (AType == "date")
    return ParseDate(AText);
  return Variant(AnsiString(AText));
}

json ToJson(const Variant& AValue) {
  switch (AValue.Type()) {
  case varNull:
  case varEmpty:
    return nullptr;
  case varBoolean:
    return AValue.AsBoolean();
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
    return AValue.AsInt64();
  case varCurrency: {
    std::int64_t raw = AValue.AsCurrency().Value;
    std::uint64_t magnitude = raw < 0 ? 0 - std::uint64_t(raw) : std::uint64_t(raw);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", raw < 0 ? "-" : "",
                  (unsigned long long)(magnitude / 10000), (unsigned long long)(magnitude % 10000));
    return buffer;
  }
  case varDate: {
    WORD y, m, d;
    DecodeDate(AValue.AsDouble(), y, m, d);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
    return buffer;
  }
  case varSingle:
  case varDouble:
    return AValue.AsDouble();
  default:
    return std::string(VarToStr(AValue));
  }
}

json ArrayToJson(const Variant& AValues) {
  json result = json::array();
  for (const Variant& v : VarArrayElements(AValues))
    result.push_back(ToJson(v));
  return result;
}

Variant JsonToVariant(const json& AValue, const std::string& AType) {
  if (AValue.is_null())
    return Null;
  if (AValue.is_boolean())
    return Variant(AValue.get<bool>());
  if (AValue.is_number_integer()) {
    std::int64_t v = AValue.get<std::int64_t>();
    if (AType == "currency")
      return Variant(Currency{v * 10000});
    return v >= INT32_MIN && v <= INT32_MAX ? Variant(int(v)) : Variant(v);
  }
  if (AValue.is_number())
    return AType == "currency" ? Variant(Currency::FromDouble(AValue.get<double>()))
                               : Variant(AValue.get<double>());
  if (AValue.is_string()) {
    std::string text = AValue.get<std::string>();
    if (AType == "date" || AType == "currency" || AType == "int" || AType == "float")
      return CellValue(AType, text);
    return Variant(AnsiString(text));
  }
  throw BadInput("values are JSON literals");
}

// Splits "a b [1, 2] \"x y\"" into words, keeping JSON strings and arrays whole.
std::vector<std::string> SplitWords(const std::string& ALine) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < ALine.size()) {
    while (i < ALine.size() && std::isspace((unsigned char)ALine[i]))
      ++i;
    if (i >= ALine.size())
      break;
    std::size_t start = i;
    if (ALine[i] == '"') {
      ++i;
      while (i < ALine.size() && ALine[i] != '"')
        i += ALine[i] == '\\' ? 2 : 1;
      if (i >= ALine.size())
        throw BadInput("an unterminated string");
      ++i;
    } else {
      while (i < ALine.size() && !std::isspace((unsigned char)ALine[i]))
        ++i;
    }
    words.push_back(ALine.substr(start, i - start));
  }
  return words;
}

std::string StripComment(const std::string& ALine) {
  bool inString = false;
  for (std::size_t i = 0; i < ALine.size(); ++i) {
    char c = ALine[i];
    if (inString && c == '\\')
      ++i;
    else if (c == '"')
      inString = !inString;
    else if (c == '#' && !inString)
      return ALine.substr(0, i);
  }
  return ALine;
}

struct Driver {
  std::vector<std::unique_ptr<Column>> Columns;
  std::vector<Column*> ColumnPointers;
  std::unique_ptr<TcxCustomDataController> DC;
  TSQLiteConnection Connection{nullptr};
  std::unique_ptr<TSQLiteQuery> Query;
  TDataSource Source{nullptr};

  ~Driver() {
    DC.reset();
    Query.reset();
  }

  void LoadQuery(const std::string& AFile, const std::string& ASQL) {
    Connection.FileName = AFile;
    Connection.Open();
    // The references the database declares hold while the driver edits it.
    Connection.ExecSQL("PRAGMA foreign_keys = ON");
    Query = std::make_unique<TSQLiteQuery>(nullptr);
    Query->SetConnection(&Connection);
    Query->SetSQL(ASQL);
    Query->Open();
    for (int i = 0; i < Query->FieldCount(); ++i) {
      auto column = std::make_unique<Column>();
      column->Name = Query->Fields(i)->FieldName;
      column->Type = ColumnTypeOf(Query->Fields(i)->DataType());
      ColumnPointers.push_back(column.get());
      Columns.push_back(std::move(column));
    }
    auto dc = std::make_unique<DBController>(&ColumnPointers);
    for (std::size_t i = 0; i < Columns.size(); ++i) {
      dc->AddItem(Columns[i].get());
      dc->ChangeFieldName(int(i), Columns[i]->Name);
    }
    Source.SetDataSet(Query.get());
    dc->SetDataSource(&Source);
    DC = std::move(dc);
  }

  int ColumnIndex(const std::string& AName) {
    for (std::size_t i = 0; i < Columns.size(); ++i)
      if (Columns[i]->Name == AName)
        return int(i);
    throw BadInput("no column '" + AName + "'");
  }

  static int Number(const std::string& AText) {
    std::size_t used = 0;
    int v;
    try {
      v = std::stoi(AText, &used);
    } catch (const std::logic_error&) {
      throw BadInput("not a number: '" + AText + "'");
    }
    if (used != AText.size())
      throw BadInput("not a number: '" + AText + "'");
    return v;
  }

  void Load(const std::string& APath) {
    std::ifstream in(APath, std::ios::binary);
    if (!in)
      throw BadInput("cannot read " + APath);
    std::stringstream text;
    text << in.rdbuf();
    auto rows = ParseCsv(text.str());
    if (rows.empty())
      throw BadInput("the table has no header");
    for (auto& [cell, quoted] : rows[0]) {
      (void)quoted;
      std::size_t colon = cell.rfind(':');
      if (colon == std::string::npos || colon == 0)
        throw BadInput("a header cell is name:type, not '" + cell + "'");
      auto column = std::make_unique<Column>();
      column->Name = cell.substr(0, colon);
      column->Type = cell.substr(colon + 1);
      TypeOf(column->Type);
      ColumnPointers.push_back(column.get());
      Columns.push_back(std::move(column));
    }
    DC = std::make_unique<Controller>(&ColumnPointers);
    for (std::size_t i = 0; i < Columns.size(); ++i) {
      DC->AddItem(Columns[i].get());
      DC->SetItemValueTypeClass(int(i), TypeOf(Columns[i]->Type));
    }
    TUpdateBlock<TcxCustomDataController> update(*DC);
    DC->SetRecordCount(int(rows.size()) - 1);
    for (std::size_t r = 1; r < rows.size(); ++r) {
      if (rows[r].size() != Columns.size())
        throw BadInput("record " + std::to_string(r - 1) + " has " + std::to_string(rows[r].size()) +
                       " cells, the header " + std::to_string(Columns.size()));
      for (std::size_t c = 0; c < Columns.size(); ++c) {
        auto& [cell, quoted] = rows[r][c];
        Variant value = !quoted && cell.empty() ? Null : CellValue(Columns[c]->Type, cell);
        DC->SetValue(int(r - 1), int(c), value);
      }
    }
  }

  json Dump() {
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
    for (int i = 0; i < g.Count(); ++i) {
      if (!g.IsVisible(i))
        continue;
      const TcxDataGroupInfo& info = g.Items(i);
      int record = view.GetRecordListRecord(g.GetFirstListIndex(i));
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

  TcxDataSummaryItem* AddSummary(TcxDataSummaryItems& AItems, const std::vector<std::string>& AWords) {
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
    throw BadInput("unknown summary kind '" + AWords[3] + "'");
  }

  void Filter(const std::vector<std::string>& AWords) {
    if (AWords.size() < 3)
      throw BadInput("filter COL OP VALUE...");
    int column = ColumnIndex(AWords[1]);
    const std::string& type = Columns[std::size_t(column)]->Type;
    static const std::pair<const char*, TcxFilterOperatorKind> ops[] = {
        {"=", fokEqual},   {"<>", fokNotEqual},     {"<", fokLess},          {"<=", fokLessEqual},
        {">", fokGreater}, {">=", fokGreaterEqual}, {"like", fokLike},       {"notlike", fokNotLike},
        {"null", fokNull}, {"notnull", fokNotNull}, {"between", fokBetween}, {"notbetween", fokNotBetween},
        {"in", fokInList}, {"notin", fokNotInList}};
    for (auto& [name, kind] : ops) {
      if (AWords[2] != name)
        continue;
      std::vector<Variant> values;
      for (std::size_t i = 3; i < AWords.size(); ++i) {
        json literal;
        try {
          literal = json::parse(AWords[i]);
        } catch (const json::exception&) {
          throw BadInput("not a JSON literal: " + AWords[i]);
        }
        values.push_back(JsonToVariant(literal, type));
      }
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
    throw BadInput("unknown filter operator '" + AWords[2] + "'");
  }

  // Runs one operation; answers the result to print, or null for none.
  json Run(const std::vector<std::string>& w) {
    const std::string& op = w[0];
    auto need = [&](std::size_t n) {
      if (w.size() != n)
        throw BadInput(op + " takes " + std::to_string(n - 1) + " argument(s)");
    };
    if (op == "sort") {
      need(3);
      TcxDataSortOrder order = w[2] == "asc" ? soAscending : w[2] == "desc" ? soDescending : soNone;
      if (w[2] != "asc" && w[2] != "desc" && w[2] != "none")
        throw BadInput("sort order is asc, desc or none");
      DC->ChangeSorting(ColumnIndex(w[1]), order);
    } else if (op == "clearsort") {
      need(1);
      DC->ClearSorting(false);
    } else if (op == "group") {
      need(2);
      DC->ChangeGroupIndex(ColumnIndex(w[1]), DC->View().GroupingFieldList().Count());
    } else if (op == "ungroup") {
      need(1);
      DC->ClearGrouping();
    } else if (op == "filterroot") {
      need(2);
      if (w[1] != "and" && w[1] != "or")
        throw BadInput("filterroot and|or");
      DC->Filter().Root()->SetBoolOperatorKind(w[1] == "and" ? fbokAnd : fbokOr);
    } else if (op == "filter") {
      Filter(w);
    } else if (op == "filterclear") {
      need(1);
      DC->Filter().Clear();
    } else if (op == "summary") {
      if (w.size() < 2 || (w[1] != "footer" && w[1] != "group"))
        throw BadInput("summary footer|group COL KIND");
      AddSummary(w[1] == "footer" ? DC->Summary().FooterSummaryItems()
                                  : DC->Summary().DefaultGroupSummaryItems(),
                 w);
    } else if (op == "summaryoptions") {
      TcxSummaryOptions options;
      for (std::size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "nullignore")
          options.Include(soNullIgnore);
        else if (w[i] == "selectedrecords")
          options.Include(soSelectedRecords);
        else
          throw BadInput("unknown summary option '" + w[i] + "'");
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
      return DC->ChangeExpanding(Number(w[1]), op == "expand", false);
    } else if (op == "focusrow") {
      need(2);
      return DC->ChangeFocusedRowIndex(Number(w[1]));
    } else if (op == "focusrecord") {
      need(2);
      return DC->ChangeFocusedRecordIndex(Number(w[1]));
    } else if (op == "multiselect") {
      need(2);
      DC->SetMultiSelect(Number(w[1]) != 0);
    } else if (op == "select") {
      need(2);
      DC->ChangeRowSelection(Number(w[1]), true);
    } else if (op == "selectrange") {
      need(3);
      DC->SelectRange(Number(w[1]), Number(w[2]));
    } else if (op == "clearselection") {
      need(1);
      DC->ClearSelection();
    } else if (op == "locate") {
      if (w.size() != 3)
        throw BadInput("locate COL TEXT");
      std::string text = w[2];
      if (!text.empty() && text[0] == '"')
        text = json::parse(text).get<std::string>();
      return DC->Search().Locate(ColumnIndex(w[1]), AnsiString(text));
    } else if (op == "locatenext") {
      need(2);
      if (w[1] != "fwd" && w[1] != "back")
        throw BadInput("locatenext fwd|back");
      return DC->Search().LocateNext(w[1] == "fwd");
    } else if (op == "edit") {
      need(1);
      DC->Edit();
      return DC->GetEditState() != 0;
    } else if (op == "append" || op == "insert") {
      need(1);
      op == "append" ? DC->Append() : DC->Insert();
      return DC->GetEditingRecordIndex();
    } else if (op == "setvalue") {
      need(3);
      int column = ColumnIndex(w[1]);
      json literal;
      try {
        literal = json::parse(w[2]);
      } catch (const json::exception&) {
        throw BadInput("not a JSON literal: " + w[2]);
      }
      return DC->SetEditValue(column, JsonToVariant(literal, Columns[std::size_t(column)]->Type), evsValue);
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
    } else if (op == "dump") {
      need(1);
      return json({{"dump", Dump()}});
    } else {
      throw BadInput("unknown operation '" + op + "'");
    }
    return nullptr;
  }
};

} // namespace

int main(int argc, char** argv) {
  bool sqlite = argc == 6 && std::string(argv[1]) == "--sqlite" && std::string(argv[3]) == "--sql";
  if (argc != 3 && !sqlite) {
    std::cerr
        << "usage: dcdrive TABLE.csv OPS.txt\n       dcdrive --sqlite FILE --sql \"SELECT ...\" OPS.txt\n";
    return 2;
  }
  // The output must not depend on the machine's locale.
  FormatSettings.DecimalSeparator = '.';
  if (sqlite) {
    RegisterSQLiteQueryProperties();
    cxDBFilterInitialize();
    cxDBDataUnit.Initialization();
  }
  const char* source = sqlite ? argv[2] : argv[1];
  const char* opsPath = sqlite ? argv[5] : argv[2];
  Driver driver;
  try {
    if (sqlite)
      driver.LoadQuery(argv[2], argv[4]);
    else
      driver.Load(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "dcdrive: " << source << ": " << e.what() << "\n";
    return 2;
  }
  std::ifstream ops(opsPath);
  if (!ops) {
    std::cerr << "dcdrive: cannot read " << opsPath << "\n";
    return 2;
  }
  std::string line;
  int number = 0;
  while (std::getline(ops, line)) {
    ++number;
    std::vector<std::string> words;
    try {
      words = SplitWords(StripComment(line));
    } catch (const BadInput& e) {
      std::cerr << "dcdrive: " << opsPath << ":" << number << ": " << e.what() << "\n";
      return 2;
    }
    if (words.empty())
      continue;
    json out;
    out["op"] = number;
    try {
      json result = driver.Run(words);
      if (result.is_null())
        continue;
      if (result.is_object() && result.contains("dump"))
        out.update(result["dump"]);
      else
        out["result"] = result;
    } catch (const BadInput& e) {
      std::cerr << "dcdrive: " << opsPath << ":" << number << ": " << e.what() << "\n";
      return 2;
    } catch (const std::exception& e) {
      out["error"] = e.what();
    }
    std::cout << out.dump() << "\n";
  }
  return 0;
}
