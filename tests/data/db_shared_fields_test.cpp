#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

class Controller : public dbtest::ItemsController {
public:
  using ItemsController::ItemsController;
  void Remove(int AItemIndex) {
    RemoveItem(Items.at(std::size_t(AItemIndex)).get());
    Items.erase(Items.begin() + AItemIndex);
  }
};

struct Row {
  int id;
  const char* name;
  double score;
  int region, city;
};
const Row kRows[] = {
    {1, "Ali", 3.5, 1, 1}, {2, "Ayse", 1, 1, 2}, {3, "Zeynep", 7, 2, 1}, {4, "Ali", 2, 1, 2}};

// Items: the name three times (differently spelt), the score, the id.
enum { iName, iName2, iName3, iScore, iId, kItems };
const char* const kNames[kItems] = {"name", "NAME", "Name", "score", "id"};

struct Fixture {
  explicit Fixture(bool ASQLite) {
    cities.AddFieldDef("Region", ftInteger);
    cities.AddFieldDef("City", ftInteger);
    cities.AddFieldDef("Title", ftString, 20);
    cities.AddRow({1, 1, "Rize"});
    cities.AddRow({1, 2, "Hopa"});
    cities.AddRow({2, 1, "Artvin"});
    cities.Open();
    if (ASQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      std::string sql = "CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, score REAL, region INTEGER, "
                        "city INTEGER);";
      for (const Row& r : kRows)
        sql += "INSERT INTO t VALUES (" + std::to_string(r.id) + ", '" + r.name + "', " +
               std::to_string(r.score) + ", " + std::to_string(r.region) + ", " + std::to_string(r.city) +
               ");";
      conn.ExecSQL(sql);
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, name, score, region, city FROM t ORDER BY id");
      ds.reset(q);
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("name", ftString, 20);
      m->AddFieldDef("score", ftFloat);
      m->AddFieldDef("region", ftInteger);
      m->AddFieldDef("city", ftInteger);
      for (const Row& r : kRows)
        m->AddRow({r.id, r.name, r.score, r.region, r.city});
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    for (int i = 0; i < kItems; ++i)
      dc.ChangeFieldName(i, kNames[i]);
  }
  ~Fixture() {
    dc.SetDataSource(nullptr);
    ds->Close();
  }
  std::vector<std::string> Column(int AItemIndex) {
    std::vector<std::string> values;
    for (int r = 0; r < dc.GetRecordCount(); ++r)
      values.push_back(VarIsNull(dc.GetValue(r, AItemIndex)) ? "<null>"
                                                             : VarToStr(dc.GetValue(r, AItemIndex)));
    return values;
  }
  std::vector<int> RecordsInRowOrder() {
    std::vector<int> records;
    for (int row = 0; row < dc.GetRowCount(); ++row)
      records.push_back(dc.GetRowInfo(row).RecordIndex);
    return records;
  }
  // Every field refers to the root of its chain, and no referring field is referred to.
  void ExpectSoundReferences() {
    for (int i = 0; i < dc.Fields().Count(); ++i) {
      TcxCustomDataField* field = dc.Fields().Items(i);
      if (TcxCustomDataField* root = field->ReferenceField()) {
        EXPECT_GE(dc.Fields().IndexOf(root), 0) << "field " << i << " refers to a field gone";
        EXPECT_EQ(root->ReferenceField(), nullptr) << "field " << i << " refers to a referring field";
      }
    }
  }

  TSQLiteConnection conn{nullptr};
  TMemDataSet cities{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  Controller dc{kItems};
};

const std::vector<std::string> kNameColumn{"Ali", "Ayse", "Zeynep", "Ali"};

class DBSharedFields : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

INSTANTIATE_TEST_SUITE_P(Datasets, DBSharedFields, ::testing::Values(false, true),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

TEST_P(DBSharedFields, ItemsOfOneDataSetFieldShareOneStoredValue) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 4);
  TcxDBDataField* root = f.dc.DataField(iName);
  EXPECT_EQ(root->ReferenceField(), nullptr);
  for (int item : {iName2, iName3}) {
    SCOPED_TRACE(item);
    EXPECT_EQ(f.dc.DataField(item)->ReferenceField(), root);
    EXPECT_EQ(f.dc.DataField(item)->ValueDef(), root->ValueDef());
    EXPECT_EQ(f.dc.GetItemField(item), f.dc.GetItemField(iName));
    EXPECT_EQ(f.Column(item), kNameColumn);
  }
  EXPECT_EQ(f.dc.DataStorage().ValueDefs()->Count(), f.dc.Fields().Count() - 2) << "one column for the three";
  EXPECT_EQ(f.dc.DataField(iScore)->ReferenceField(), nullptr);

  // An edit through any of them is the one value of the others.
  struct Edit {
    int item;
    int record;
    const char* value;
  };
  for (const Edit& e : {Edit{iName2, 1, "Veli"}, Edit{iName, 2, "Zehra"}, Edit{iName3, 0, "Can"}}) {
    SCOPED_TRACE(e.value);
    ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(e.record));
    ASSERT_TRUE(f.dc.SetEditValue(e.item, e.value, evsValue));
    for (int item : {iName, iName2, iName3}) {
      Variant editing;
      f.dc.GetNewItemRowValue(item, evsValue, editing);
      EXPECT_EQ(VarToStr(editing), e.value) << "while editing, item " << item;
    }
    f.dc.Post();
    EXPECT_EQ(f.ds->FieldByName("name")->AsString(), e.value);
    for (int item : {iName, iName2, iName3})
      EXPECT_EQ(VarToStr(f.dc.GetValue(e.record, item)), e.value) << "item " << item;
  }
  EXPECT_EQ(f.Column(iName3), (std::vector<std::string>{"Can", "Veli", "Zehra", "Ali"}));
  // A value set in the storage alone is one value too.
  f.dc.SetValue(3, iName3, "Deniz");
  EXPECT_EQ(VarToStr(f.dc.GetValue(3, iName)), "Deniz");
  for (int item : {iName, iName2})
    EXPECT_TRUE(f.dc.CanEditItem(item)) << item;
  f.ExpectSoundReferences();
}

TEST_P(DBSharedFields, SortFilterGroupAndSummariesWorkByEitherItem) {
  Fixture f(GetParam());
  f.ds->Open();
  for (int item : {iName, iName2, iName3}) {
    SCOPED_TRACE(item);
    f.dc.ChangeSorting(item, soDescending);
    EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{2, 1, 0, 3}));
    f.dc.ClearSorting(false);

    f.dc.Filter().AddItem(nullptr, f.dc.DataField(item), fokEqual, "Ali", "Ali");
    f.dc.Filter().SetActive(true);
    EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{0, 3}));
    f.dc.Filter().Clear();
    EXPECT_EQ(f.dc.GetRowCount(), 4);

    TcxDataSummaryItem* group = f.dc.Summary().DefaultGroupSummaryItems().Add();
    group->SetField(f.dc.DataField(iScore));
    group->SetKind(skSum);
    TcxDataSummaryItem* footer = f.dc.Summary().FooterSummaryItems().Add();
    footer->SetField(f.dc.DataField(item));
    footer->SetKind(skMax);
    f.dc.ChangeGroupIndex(item, 0);
    ASSERT_EQ(f.dc.View().Groups().Count(), 3);
    std::vector<double> sums;
    for (int g = 0; g < 3; ++g)
      sums.push_back(f.dc.View().Groups().Items(g).SummaryValues[0].AsDouble());
    EXPECT_EQ(sums, (std::vector<double>{5.5, 1, 7})) << "Ali, Ayse, Zeynep";
    EXPECT_EQ(VarToStr(f.dc.Summary().FooterSummaryValues()[0]), "Zeynep");
    f.dc.ChangeGroupIndex(item, -1);
    f.dc.Summary().DefaultGroupSummaryItems().Clear();
    f.dc.Summary().FooterSummaryItems().Clear();
  }
  // The dataset's own filter finds the dataset field through the referring item.
  EXPECT_EQ(f.dc.GetItemFilterFieldName(iName3), "name");
  ASSERT_TRUE(f.dc.LocateInDataSource(iName2, "zey", true, false));
  EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 3);
}

const std::vector<std::string> kIdColumn{"1", "2", "3", "4"};

// The items left bound to one dataset field share it however its first item goes; none refers to a field
// gone or to another referring field, and the sorting by the remaining item holds.
TEST_P(DBSharedFields, RemovingOrRenamingTheSharedRootKeepsTheOthersValues) {
  struct Case {
    const char* what;
    int item;             // the item changed
    const char* rename;   // nullptr: the item is removed
    int refersTo[kItems]; // after the change, by item index: the item referred to, -1 none
    int sorted;           // after the change, the index of the item sorted by (iName3 before)
    int changed;          // after the change, the index of the renamed item, -1 none
    std::vector<std::string> changedColumn;
  };
  // The decimal separator is the one the program sets up, known only once it runs.
  const std::vector<std::string> scoreColumn{VarToStr(Variant(3.5)), "1", "7", "2"};
  const Case cases[] = {
      {"root removed", iName, nullptr, {-1, 0, -1, -1}, 1, -1, {}},
      {"root renamed to a field of another item", iName, "score", {3, -1, 1, -1, -1}, 2, 0, scoreColumn},
      {"root made composite", iName, "id;score", {-1, -1, 1, -1, -1}, 2, -1, {}},
      {"root unbound", iName, "", {-1, -1, 1, -1, -1}, 2, -1, {}},
      {"referring one renamed", iName2, "id", {-1, 4, 0, -1, -1}, 2, 1, kIdColumn},
      {"referring one removed", iName2, nullptr, {-1, 0, -1, -1}, 1, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.ChangeSorting(iName3, soDescending);
    if (c.rename)
      f.dc.ChangeFieldName(c.item, c.rename);
    else
      f.dc.Remove(c.item);
    for (int pass = 0; pass < 2; ++pass) {
      SCOPED_TRACE(pass ? "reopened" : "changed");
      f.ExpectSoundReferences();
      ASSERT_EQ(f.dc.GetItemCount(), c.rename ? kItems : kItems - 1);
      for (int i = 0; i < f.dc.GetItemCount(); ++i) {
        TcxCustomDataField* ref = f.dc.DataField(i)->ReferenceField();
        EXPECT_EQ(ref ? f.dc.GetItemIndexOfField(ref) : -1, c.refersTo[i]) << "item " << i;
      }
      ASSERT_EQ(f.dc.GetRecordCount(), 4);
      std::vector<std::string> names = kNameColumn;
      if (pass == 1)
        names[1] = "Veli";
      EXPECT_EQ(f.Column(c.sorted), names);
      EXPECT_EQ(f.dc.GetItemField(c.sorted), f.ds->FindField("name"));
      EXPECT_EQ(f.RecordsInRowOrder(), (std::vector<int>{2, 1, 0, 3})) << "still sorted by name";
      if (c.changed >= 0) {
        EXPECT_EQ(f.Column(c.changed), c.changedColumn);
      }
      if (pass == 0) {
        // The remaining item writes the dataset field.
        ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(1));
        ASSERT_TRUE(f.dc.SetEditValue(c.sorted, "Veli", evsValue));
        f.dc.Post();
        EXPECT_EQ(f.ds->FieldByName("name")->AsString(), "Veli");
      }
      f.ds->Close();
      f.ds->Open();
    }
  }
}

TEST_P(DBSharedFields, SharingOutlivesClosingAndTheDataSetFieldsBeingFreed) {
  Fixture f(GetParam());
  f.ds->Open();
  f.ds->Close();
  EXPECT_EQ(f.dc.DataField(iName2)->ReferenceField(), f.dc.DataField(iName)) << "by name while closed";
  f.ds->Open();
  EXPECT_EQ(f.dc.DataField(iName2)->ReferenceField(), f.dc.DataField(iName));
  EXPECT_EQ(f.Column(iName2), kNameColumn);

  // A persistent field freed while the dataset is open: the items lose it together.
  f.ds->Close();
  auto* name = new TStringField(nullptr);
  name->FieldName = "name";
  name->Size = 20;
  name->SetDataSet(f.ds.get());
  auto* id = new TIntegerField(nullptr);
  id->FieldName = "id";
  id->SetDataSet(f.ds.get());
  f.ds->Open();
  EXPECT_EQ(f.dc.GetItemField(iName3), name);
  delete name;
  for (int item : {iName, iName2, iName3}) {
    EXPECT_EQ(f.dc.GetItemField(item), nullptr) << item;
    EXPECT_TRUE(VarIsNull(f.dc.GetValue(0, item))) << item;
  }
  EXPECT_EQ(f.dc.DataField(iName2)->ReferenceField(), nullptr) << "no longer bound to one field";
  EXPECT_EQ(VarToStr(f.dc.GetValue(1, iId)), "2");
  f.ExpectSoundReferences();
  delete id;
  f.ds->Close();
  f.ds->Open();
  EXPECT_EQ(f.dc.DataField(iName3)->ReferenceField(), f.dc.DataField(iName));
  EXPECT_EQ(f.Column(iName2), kNameColumn);
  EXPECT_EQ(VarToStr(f.dc.GetValue(3, iId)), "4");
  f.ExpectSoundReferences();

  // Grid mode reads the shared value into its buffer too.
  f.dc.DataModeController().SetGridMode(true);
  ASSERT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.Column(iName3), kNameColumn);
}

TEST(DBSharedFieldsStructure, ALookupWithSeveralKeysIsSharedWithItsParts) {
  Fixture f(false);
  TStringField city(nullptr);
  city.FieldName = "CityTitle";
  city.SetFieldKind(fkLookup);
  city.KeyFields = "region;city";
  city.LookupKeyFields = "Region;City";
  city.LookupResultField = "Title";
  city.SetLookupDataSet(&f.cities);
  city.SetDataSet(f.ds.get());
  struct CloseFirst {
    TDataSet* DataSet;
    ~CloseFirst() { DataSet->Close(); }
  } closeFirst{f.ds.get()}; // the dataset closes before the lookup field goes, however the test ends
  f.dc.ChangeFieldName(iName, "CityTitle");
  f.dc.ChangeFieldName(iScore, "CityTitle");
  f.ds->Open();
  TcxDBDataField* root = f.dc.DataField(iName);
  TcxDBDataField* other = f.dc.DataField(iScore);
  ASSERT_EQ(other->ReferenceField(), root);
  ASSERT_EQ(root->SubFields().size(), 2u);
  EXPECT_EQ(&other->SubFields(), &root->SubFields()) << "the parts are the root's";
  EXPECT_EQ(VarToStr(f.dc.GetValue(2, iScore)), "Artvin");
  Variant keys = f.dc.GetRecordValuesByFields(1, {other});
  ASSERT_TRUE(VarIsArray(keys));
  EXPECT_EQ(keys[0].AsInteger(), 1);
  EXPECT_EQ(keys[1].AsInteger(), 2);
  EXPECT_EQ(f.dc.GetItemFilterFieldName(iScore), "region;city");
  EXPECT_TRUE(f.dc.DataField(iScore)->CanModify(evsKey));
  // Removing the root hands the parts on: nothing is left without a parent, nothing is freed twice.
  int fields = f.dc.Fields().Count();
  f.dc.Remove(iName);
  TcxDBDataField* heir = f.dc.DataField(iScore - 1);
  EXPECT_EQ(heir->ReferenceField(), nullptr);
  ASSERT_EQ(heir->SubFields().size(), 2u);
  for (TcxDBDataField* sub : heir->SubFields())
    EXPECT_EQ(sub->ParentField(), heir);
  EXPECT_EQ(VarToStr(f.dc.GetValue(0, iScore - 1)), "Rize");
  f.ds->Close();
  f.ds->Open();
  EXPECT_EQ(f.dc.Fields().Count(), fields - 1);
  EXPECT_EQ(VarToStr(f.dc.GetValue(1, iScore - 1)), "Hopa");
}

} // namespace
