#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "platform/rtl/FloatText.h"
#include "tests/data/db_test_util.h"

namespace {

using DBController = dbtest::ItemsController;

enum Item { iId, iName, iCity, iScore, iBorn, iMember, iPrice, iCalc, iRegion, kItems };
const char* const kItemNames[kItems] = {"id",     "first;last", "CityName", "score", "born",
                                        "member", "price",      "Calc",     "region"};

struct Person {
  int id;
  const char* first;
  const char* last; // nullptr: Null
  int region, city;
  double score; // < 0: Null
  const char* born;
  int member; // -1: Null
};
const Person kPeople[] = {
    {1, "Ali", "Kaya", 1, 1, 3.5, "1990-05-17", 1},    {2, "Ayse", nullptr, 1, 2, -1, nullptr, 0},
    {3, "Ali", "Celik", 2, 1, 10.25, "2001-01-02", 1}, {4, "Zeynep", "Kaya", 2, 1, 7, "1985-12-31", -1},
    {5, "Ali", "Kaya", 1, 2, 1, "1999-09-09", 0},
};

struct Brackets {
  void GetText(TField* Sender, AnsiString& AText, bool) { AText = "<" + Sender->AsString() + ">"; }
};

Variant Nullable(const char* AText) {
  return AText ? Variant(AnsiString(AText)) : Null;
}

// People over either dataset, with persistent fields that format their texts, a lookup of the city by two
// key fields and a calculated field; the cities are an in-memory dataset in both cases.
struct Fixture {
  explicit Fixture(bool ASQLite) {
    cities.AddFieldDef("Region", ftInteger);
    cities.AddFieldDef("City", ftInteger);
    cities.AddFieldDef("Name", ftString, 20);
    cities.AddRow({1, 1, "Rize"});
    cities.AddRow({1, 2, "Hopa"});
    cities.AddRow({2, 1, "Artvin"});
    cities.Open();
    if (ASQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      std::string sql = "CREATE TABLE people (id INTEGER PRIMARY KEY, first TEXT, last TEXT, region INTEGER, "
                        "city INTEGER, score REAL, born DATE, member BOOLEAN, price REAL);";
      for (const Person& p : kPeople) {
        auto text = [](const char* s) { return s ? "'" + std::string(s) + "'" : std::string("NULL"); };
        sql += "INSERT INTO people VALUES (" + std::to_string(p.id) + ", " + text(p.first) + ", " +
               text(p.last) + ", " + std::to_string(p.region) + ", " + std::to_string(p.city) + ", " +
               (p.score < 0 ? std::string("NULL") : std::to_string(p.score)) + ", " + text(p.born) + ", " +
               (p.member < 0 ? std::string("NULL") : std::to_string(p.member)) + ", " +
               std::to_string(p.id * 2.5) + ");";
      }
      conn.ExecSQL(sql);
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, first, last, region, city, score, born, member, price FROM people ORDER BY id");
      ds.reset(q);
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("first", ftString, 20);
      m->AddFieldDef("last", ftString, 20);
      m->AddFieldDef("region", ftInteger);
      m->AddFieldDef("city", ftInteger);
      m->AddFieldDef("score", ftFloat);
      m->AddFieldDef("born", ftDate);
      m->AddFieldDef("member", ftBoolean);
      m->AddFieldDef("price", ftFloat);
      for (const Person& p : kPeople) {
        int y = 0, mo = 0, d = 0;
        if (p.born)
          std::sscanf(p.born, "%d-%d-%d", &y, &mo, &d);
        m->AddRow({p.id, p.first, Nullable(p.last), p.region, p.city, p.score < 0 ? Null : Variant(p.score),
                   p.born ? Variant::FromDate(EncodeDate(y, mo, d)) : Null,
                   p.member < 0 ? Null : Variant(p.member == 1), p.id * 2.5});
      }
      ds.reset(m);
    }
    first.FieldName = "first";
    first.SetDataSet(ds.get());
    score.FieldName = "score";
    score.DisplayFormat = "0.00";
    score.SetDataSet(ds.get());
    born.FieldName = "born";
    born.DisplayFormat = "yyyy'/'mm'/'dd";
    born.SetDataSet(ds.get());
    member.FieldName = "member";
    member.DisplayValues = "Evet;Hayir";
    member.SetDataSet(ds.get());
    price.FieldName = "price";
    price.SetDataSet(ds.get());
    cityName.FieldName = "CityName";
    cityName.SetFieldKind(fkLookup);
    cityName.KeyFields = "region;city";
    cityName.LookupKeyFields = "Region;City";
    cityName.LookupResultField = "Name";
    cityName.SetLookupDataSet(&cities);
    cityName.SetDataSet(ds.get());
    calc.FieldName = "Calc";
    calc.SetFieldKind(fkCalculated);
    calc.SetDataSet(ds.get());
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    for (int i = 0; i < kItems; ++i)
      dc.ChangeFieldName(i, kItemNames[i]);
  }
  ~Fixture() {
    dc.SetDataSource(nullptr);
    ds->Close();
  }
  std::vector<int> RecordsInRowOrder() {
    std::vector<int> records;
    for (int row = 0; row < dc.GetRowCount(); ++row)
      records.push_back(dc.GetRowInfo(row).RecordIndex);
    return records;
  }

  TSQLiteConnection conn{nullptr};
  TMemDataSet cities{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TStringField first{nullptr};
  TFloatField score{nullptr};
  TDateField born{nullptr};
  TBooleanField member{nullptr};
  TCurrencyField price{nullptr};
  TStringField cityName{nullptr};
  TStringField calc{nullptr};
  TDataSource source{nullptr};
  Brackets brackets;
  DBController dc{kItems};
};

std::string Text(const Variant& AValue) {
  if (VarIsNull(AValue))
    return "<null>";
  if (!VarIsArray(AValue))
    return VarToStr(AValue);
  std::string text = "[";
  for (int i = VarArrayLowBound(AValue, 1); i <= VarArrayHighBound(AValue, 1); ++i)
    text += (i > VarArrayLowBound(AValue, 1) ? "|" : "") + Text(AValue[i]);
  return text + "]";
}

class DBFields : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

INSTANTIATE_TEST_SUITE_P(Datasets, DBFields, ::testing::Values(false, true),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

TEST_P(DBFields, CompositeNamesReadTheirPartsAsArrays) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 5);
  int internal = f.dc.Fields().Count() - f.dc.Fields().ItemCount() - 2;
  struct Case {
    const char* name;
    std::vector<std::string> parts;
    std::string value0, text0, value1, text1;
  };
  const Case cases[] = {
      {"first;last", {"first", "last"}, "[Ali|Kaya]", "Ali, Kaya", "[Ayse|<null>]", "Ayse, "},
      {" [first] ;last;id",
       {"first", "last", "id"},
       "[Ali|Kaya|1]",
       "Ali, Kaya, 1",
       "[Ayse|<null>|2]",
       "Ayse, , 2"},
      {"score;born",
       {"score", "born"},
       "",
       FormatFloat("0.00", 3.5) + ", 1990/05/17",
       "[<null>|<null>]",
       ", "},
      {"last;", {"last"}, "Kaya", "Kaya", "<null>", ""},
      {"last", {}, "Kaya", "Kaya", "<null>", ""},
      {"first;nosuch", {"first", "nosuch"}, "[Ali|<null>]", "Ali, ", "[Ayse|<null>]", "Ayse, "},
      {";", {}, "<null>", "", "<null>", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.dc.ChangeFieldName(iName, c.name);
    TcxDBDataField* field = f.dc.DataField(iName);
    std::vector<std::string> parts;
    for (TcxDBDataField* sub : field->SubFields()) {
      parts.push_back(sub->FieldName);
      EXPECT_TRUE(sub->IsInternal());
      EXPECT_EQ(sub->ParentField(), field);
    }
    EXPECT_EQ(parts, c.parts);
    EXPECT_EQ(f.dc.Fields().Count() - f.dc.Fields().ItemCount(), internal + int(c.parts.size()))
        << "sub-fields of the former name are gone";
    EXPECT_EQ(f.dc.GetItemField(iName) != nullptr, std::string(c.name).find(';') == std::string::npos)
        << "only a simple name has a field";
    if (!c.value0.empty()) {
      EXPECT_EQ(Text(f.dc.GetValue(0, iName)), c.value0);
    }
    EXPECT_EQ(f.dc.GetDisplayTextByIndex(0, iName), c.text0);
    EXPECT_EQ(Text(f.dc.GetValue(1, iName)), c.value1);
    EXPECT_EQ(f.dc.GetDisplayTextByIndex(1, iName), c.text1);
    EXPECT_EQ(Text(f.dc.GetRecordValuesByFields(1, {field})), c.value1);
  }
  // The grid-mode buffer reads the parts of each of its rows.
  f.dc.ChangeFieldName(iName, "first;last");
  f.dc.DataModeController().SetGridMode(true);
  ASSERT_EQ(f.dc.GetRecordCount(), 5);
  EXPECT_EQ(Text(f.dc.GetValue(3, iName)), "[Zeynep|Kaya]");
  EXPECT_EQ(Text(f.dc.GetRecordValuesByFields(4, {f.dc.DataField(iCity)})), "[1|2]");
  f.dc.DataModeController().SetGridMode(false);
  // The name survives a close and open; the parts bind again.
  f.ds->Close();
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
  f.ds->Open();
  EXPECT_EQ(f.dc.DataField(iName)->SubFields().size(), 2u);
  EXPECT_EQ(Text(f.dc.GetValue(3, iName)), "[Zeynep|Kaya]");
  EXPECT_EQ(f.dc.GetItemFilterFieldName(iName), "first;last");
  EXPECT_FALSE(f.dc.CanEditItem(iName)) << "a composite field has no dataset field to write";
  EXPECT_EQ(f.ds->State(), dsBrowse);
}

TEST_P(DBFields, CompositeFieldsSortFilterAndSearchByTheirParts) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.ChangeSorting(iName, soAscending);
  EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{2, 0, 4, 1, 3})) << "by first name, then last name";
  f.dc.ChangeSorting(iName, soDescending);
  EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{3, 1, 0, 4, 2}));
  f.dc.ClearSorting(false);

  f.dc.Filter().AddItem(nullptr, f.dc.DataField(iName), fokEqual, VarArrayOf({"Ali", "Kaya"}), "Ali, Kaya");
  f.dc.Filter().SetActive(true);
  EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{0, 4}));
  f.dc.Filter().Clear();
  // A field without parts filters by its own value.
  f.dc.Filter().AddItem(nullptr, f.dc.DataField(iRegion), fokEqual, 2, "2");
  f.dc.Filter().SetActive(true);
  EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{2, 3}));
  f.dc.Filter().Clear();
  EXPECT_EQ(f.dc.GetRowCount(), 5);

  EXPECT_EQ(f.dc.FindRecordIndexByText(0, iName, "ali, c", true, false, true), 2);
  EXPECT_EQ(f.dc.FindRecordIndexByText(3, iName, "ali, k", true, true, true), 4);
  ASSERT_TRUE(f.dc.LocateInDataSource(iName, "zeynep, k", true, false));
  EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 4);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 3);
  EXPECT_FALSE(f.dc.LocateInDataSource(iName, "nobody", true, false));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 3);
}

TEST_P(DBFields, ALookupWithSeveralKeysReadsAndWritesItsKeysThroughSubFields) {
  Fixture f(GetParam());
  f.ds->Open();
  TcxDBDataField* field = f.dc.DataField(iCity);
  ASSERT_EQ(f.dc.GetItemField(iCity), &f.cityName);
  ASSERT_EQ(field->SubFields().size(), 2u);
  EXPECT_EQ(field->SubFields()[0]->FieldName, "region");
  EXPECT_EQ(field->SubFields()[1]->FieldName, "city");
  const char* names[] = {"Rize", "Hopa", "Artvin", "Artvin", "Hopa"};
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(VarToStr(f.dc.GetValue(r, iCity)), names[r]) << r;
    EXPECT_EQ(Text(f.dc.GetRecordValuesByFields(r, {field})),
              "[" + std::to_string(kPeople[r].region) + "|" + std::to_string(kPeople[r].city) + "]");
  }
  EXPECT_EQ(f.dc.GetItemFilterFieldName(iCity), "region;city");
  // The controller filters the lookup by its keys.
  f.dc.Filter().AddItem(nullptr, field, fokEqual, VarArrayOf({1, 2}), "Hopa");
  f.dc.Filter().SetActive(true);
  EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{1, 4}));
  f.dc.Filter().Clear();

  // Edited by its keys, then by its value.
  ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(0));
  ASSERT_TRUE(f.dc.SetEditValue(iCity, VarArrayOf({2, 1}), evsKey));
  Variant keys;
  f.dc.GetNewItemRowValue(iCity, evsKey, keys);
  EXPECT_EQ(Text(keys), "[2|1]");
  EXPECT_EQ(f.cityName.AsString(), "Artvin");
  f.dc.Post();
  EXPECT_EQ(VarToStr(f.dc.GetValue(0, iCity)), "Artvin");
  EXPECT_EQ(Text(f.dc.GetRecordValuesByFields(0, {field})), "[2|1]");
  ASSERT_TRUE(f.dc.SetEditValue(iCity, "Hopa", evsValue));
  f.dc.Post();
  EXPECT_EQ(f.ds->FieldByName("region")->AsInteger(), 1);
  EXPECT_EQ(f.ds->FieldByName("city")->AsInteger(), 2);
  EXPECT_EQ(Text(f.dc.GetRecordValuesByFields(0, {field})), "[1|2]");

  // A key value of the wrong shape writes nothing.
  for (const Variant& wrong : {Variant(5), VarArrayOf({1, 2, 3})}) {
    EXPECT_THROW(f.dc.SetEditValue(iCity, wrong, evsKey), EcxInvalidDataControllerOperation);
    f.dc.Cancel();
    EXPECT_EQ(f.ds->State(), dsBrowse);
    EXPECT_EQ(f.ds->FieldByName("city")->AsInteger(), 2);
  }
}

// Setting an item's value is the dataset's edit of the record, or its insert from the new-item row; the
// post writes it to the data.
TEST_P(DBFields, AnItemEditStartsTheDataSetsEditOrInsert) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(2));
  ASSERT_TRUE(f.dc.SetEditValue(iScore, 2.25, evsValue));
  EXPECT_EQ(f.ds->State(), dsEdit);
  EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 3) << "the dataset edits the focused record";
  f.dc.Post();
  EXPECT_EQ(f.score.AsFloat(), 2.25);
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(2, iScore), FormatFloat("0.00", 2.25));

  f.dc.SetNewItemRowEnabled(true);
  f.dc.SetNewItemRowFocused(true);
  ASSERT_TRUE(f.dc.NewItemRowFocused());
  ASSERT_TRUE(f.dc.SetEditValue(iId, 6, evsValue));
  EXPECT_EQ(f.ds->State(), dsInsert);
  ASSERT_TRUE(f.dc.SetEditValue(iCity, VarArrayOf({2, 1}), evsKey));
  f.dc.Post();
  EXPECT_EQ(f.ds->State(), dsBrowse);
  ASSERT_EQ(f.dc.GetRecordCount(), 6);
  int added = f.dc.FindRecordIndexByText(0, iId, "6", false, false, true);
  ASSERT_NE(added, -1);
  EXPECT_EQ(VarToStr(f.dc.GetValue(added, iCity)), "Artvin");
}

TEST_P(DBFields, FieldsAnswerWhetherTheyCanBeModifiedByValueTextAndKey) {
  Fixture f(GetParam());
  f.ds->Open();
  struct Case {
    Item item;
    bool value, text, key;
  };
  const Case cases[] = {
      {iId, true, true, true},    {iName, false, false, false}, {iCity, true, true, true},
      {iScore, true, true, true}, {iCalc, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(kItemNames[c.item]);
    TcxDBDataField* field = f.dc.DataField(c.item);
    EXPECT_EQ(field->CanModify(evsValue), c.value);
    EXPECT_EQ(field->CanModify(evsText), c.text);
    EXPECT_EQ(field->CanModify(evsKey), c.key);
    if (!c.value) {
      EXPECT_FALSE(f.dc.SetEditValue(c.item, "x", evsValue));
      EXPECT_EQ(f.ds->State(), dsBrowse) << "a refused edit leaves the dataset browsing";
    }
  }
  // A read-only key field refuses the lookup's key edit but not its own field's other sources.
  f.ds->FieldByName("city")->ReadOnly = true;
  EXPECT_FALSE(f.dc.DataField(iCity)->CanModify(evsKey));
  EXPECT_TRUE(f.dc.DataField(iCity)->CanModify(evsValue));
  EXPECT_FALSE(f.dc.DataField(iCity)->SubFields()[1]->CanModify(evsKey));
  f.ds->FieldByName("city")->ReadOnly = false;
  f.score.ReadOnly = true;
  EXPECT_FALSE(f.dc.CanEditItem(iScore));
  EXPECT_FALSE(f.dc.SetEditValue(iScore, 1.0, evsValue));
  EXPECT_EQ(f.ds->State(), dsBrowse);
  f.score.ReadOnly = false;
  ASSERT_TRUE(f.dc.SetEditValue(iScore, 8.0, evsValue));
  f.dc.Post();
  EXPECT_EQ(f.score.AsFloat(), 8.0);
}

// A dataset that cannot be modified must not take edits into the controller's records either: they would
// show as changed and never reach the data.
TEST_P(DBFields, ADataSetThatCannotBeModifiedRefusesEditsOfItsFields) {
  Fixture f(GetParam());
  f.ds->ReadOnly = true;
  f.ds->Open();
  ASSERT_FALSE(f.ds->CanModify());
  ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(0));
  for (Item item : {iId, iScore, iCity}) {
    SCOPED_TRACE(kItemNames[item]);
    EXPECT_FALSE(f.dc.DataField(item)->CanModify(evsValue));
    EXPECT_FALSE(f.dc.CanEditItem(item));
    EXPECT_FALSE(f.dc.SetEditValue(item, 9, evsValue));
  }
  EXPECT_EQ(VarToStr(f.dc.GetValue(0, iId)), "1");
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(0, iScore), FormatFloat("0.00", 3.5));
  EXPECT_FALSE(f.dc.Provider().IsEditing());
}

TEST_P(DBFields, DisplayTextsFollowTheFieldsFormatsInEitherMode) {
  Fixture f(GetParam());
  f.first.OnGetText = TFieldGetTextEvent(&f.brackets, &Brackets::GetText);
  f.ds->Open();
  struct Case {
    Item item;
    std::string text0, text1;
    bool stored, formatDefined, currencyFormatDefined;
  };
  const std::string price0 = FloatToStrF(2.5, ffCurrency, 15, 2),
                    price1 = FloatToStrF(5.0, ffCurrency, 15, 2);
  const Case cases[] = {
      {iId, "1", "2", false, false, false},        {iScore, FormatFloat("0.00", 3.5), "", true, true, true},
      {iBorn, "1990/05/17", "", true, true, true}, {iMember, "Evet", "Hayir", true, true, true},
      {iPrice, price0, price1, true, true, false}, {iCity, "Rize", "Hopa", false, false, false},
  };
  for (bool grid : {false, true}) {
    f.dc.DataModeController().SetGridMode(grid);
    ASSERT_EQ(f.dc.GetRecordCount(), 5);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kItemNames[c.item]) + (grid ? " in grid mode" : ""));
      EXPECT_EQ(f.dc.GetDisplayTextByIndex(0, c.item), c.text0);
      EXPECT_EQ(f.dc.GetDisplayTextByIndex(1, c.item), c.text1);
      EXPECT_EQ(f.dc.GetItemTextStored(c.item), c.stored);
      EXPECT_EQ(f.dc.IsItemDisplayFormatDefined(c.item, false), c.formatDefined);
      EXPECT_EQ(f.dc.IsItemDisplayFormatDefined(c.item, true), c.currencyFormatDefined);
    }
  }
  f.dc.DataModeController().SetGridMode(false);
  // A composite field joins its parts' formatted texts.
  f.dc.ChangeFieldName(iName, "first;score");
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(2, iName), "<Ali>, " + FormatFloat("0.00", 10.25));

  // An edit shows the formatted text of the new value before and after the post.
  ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(0));
  ASSERT_TRUE(f.dc.SetEditValue(iScore, 4.125, evsValue));
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(0, iScore), FormatFloat("0.00", 4.125));
  f.dc.Post();
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(0, iScore), FormatFloat("0.00", 4.125));

  // Items bound to the dataset keep the types of their fields; an unbound one takes the type it is given.
  f.dc.SetItemValueTypeClass(iScore, TcxStringValueType::Instance());
  f.dc.SetItemValueTypeClass(iName, TcxStringValueType::Instance());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(iScore), TcxFloatValueType::Instance());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(iName), TcxVariantValueType::Instance());
  f.dc.ChangeFieldName(iCalc, "");
  f.dc.SetItemValueTypeClass(iCalc, TcxIntegerValueType::Instance());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(iCalc), TcxIntegerValueType::Instance());

  // A currency field with a format of its own counts as formatted either way.
  f.ds->Close();
  f.price.DisplayFormat = "#,##0.0";
  f.ds->Open();
  EXPECT_TRUE(f.dc.IsItemDisplayFormatDefined(iPrice, true));
  EXPECT_EQ(f.dc.GetDisplayTextByIndex(1, iPrice), FormatFloat("#,##0.0", 5.0));
}

TEST(DBFieldsStructure, SubFieldsHaveOneParentAndGoWithTheirItem) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("a", ftInteger);
  ds.AddFieldDef("b", ftString, 10);
  ds.AddRow({1, "x"});
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  DBController dc(2);
  dc.SetDataSource(&source);
  auto* a = static_cast<TcxDBDataField*>(dc.AddInternalField());
  auto* b = static_cast<TcxDBDataField*>(dc.AddInternalField());
  auto* c = static_cast<TcxDBDataField*>(dc.AddInternalField());
  a->AddSubField(c);
  a->AddSubField(c);
  EXPECT_EQ(a->SubFields().size(), 1u) << "adding a sub-field again changes nothing";
  try {
    b->AddSubField(c);
    ADD_FAILURE() << "a second parent was accepted";
  } catch (const EcxInvalidDataControllerOperation& e) {
    EXPECT_STREQ(e.what(), "ADataField.FParentField <> nil");
  }
  EXPECT_EQ(c->ParentField(), a);
  dc.RemoveField(c);
  EXPECT_TRUE(a->SubFields().empty()) << "a freed sub-field leaves its parent";
  dc.RemoveField(a);
  dc.RemoveField(b);

  dc.ChangeFieldName(1, "a;b");
  ds.Open();
  int fields = dc.Fields().Count();
  EXPECT_EQ(Text(dc.GetValue(0, 1)), "[1|x]");
  dc.RemoveItem(dc.Items[1].get());
  dc.Items.pop_back();
  dc.ChangeFieldName(0, "b");
  EXPECT_EQ(dc.Fields().Count(), fields - 3) << "the item's field and both of its parts are gone";
  EXPECT_EQ(VarToStr(dc.GetValue(0, 0)), "x");
  ds.Close();
}

} // namespace

namespace {

TEST(DBFieldsStructure, AFieldFreedWhileItsDataSetIsOpenLeavesItsItemsUnbound) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("a", ftInteger);
  ds.AddFieldDef("b", ftFloat);
  ds.AddRow({1, 2.5});
  ds.AddRow({2, 4.0});
  auto* b = new TFloatField(nullptr);
  b->FieldName = "b";
  b->DisplayFormat = "0.0";
  b->SetDataSet(&ds);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  DBController dc(2);
  dc.SetDataSource(&source);
  dc.ChangeFieldName(0, "a;b");
  dc.ChangeFieldName(1, "b");
  ds.Open();
  ASSERT_EQ(dc.GetItemField(1), b);
  EXPECT_EQ(dc.GetDisplayTextByIndex(1, 1), FormatFloat("0.0", 4.0));
  delete b;
  EXPECT_EQ(dc.GetItemField(1), nullptr);
  EXPECT_EQ(dc.GetRecordCount(), 2);
  EXPECT_EQ(Text(dc.GetValue(1, 0)), "[2|<null>]");
  EXPECT_TRUE(VarIsNull(dc.GetValue(1, 1)));
  ds.Next();
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 1);
  // Opened again the dataset makes a field of its own for the column.
  ds.Close();
  ds.Open();
  ASSERT_NE(dc.GetItemField(1), nullptr);
  EXPECT_EQ(Text(dc.GetValue(1, 0)), "[2|4]");
  EXPECT_EQ(dc.GetDisplayTextByIndex(1, 1), "4");
  ds.Close();
}

} // namespace
