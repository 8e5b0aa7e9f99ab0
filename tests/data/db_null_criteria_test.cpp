#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/MemDataSet.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

enum { iId, iName, iQty, iPrice };

// Five stock rows, two of them with no quantity, read by an SQLite query or held in memory.
struct Stock {
  explicit Stock(bool ASQLite) {
    struct Row {
      int Id;
      const char* Name;
      int Qty; // -1: none
      double Price;
    } rows[] = {{1, "armut", 3, 2.5},
                {2, "elma", -1, 4},
                {3, "kiraz", 0, 1.25},
                {4, "nar", -1, 6.5},
                {5, "incir", 7, 3}};
    if (ASQLite) {
      std::string sql = "CREATE TABLE stock (id INTEGER PRIMARY KEY, name TEXT, qty INTEGER, price REAL);";
      for (const Row& r : rows)
        sql += "INSERT INTO stock VALUES (" + std::to_string(r.Id) + ", '" + r.Name + "', " +
               (r.Qty < 0 ? std::string("NULL") : std::to_string(r.Qty)) + ", " + std::to_string(r.Price) +
               ");";
      ds.reset(dbtest::MemoryQuery(conn, sql, "SELECT id, name, qty, price FROM stock ORDER BY id"));
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("name", ftString, 20);
      m->AddFieldDef("qty", ftInteger);
      m->AddFieldDef("price", ftFloat);
      for (const Row& r : rows)
        m->AddRow({r.Id, r.Name, r.Qty < 0 ? Variant(Null) : Variant(r.Qty), r.Price});
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
  }
  void Bind() {
    dc.SetDataSource(&source);
    dc.ChangeFieldName(iId, "id");
    dc.ChangeFieldName(iName, "name");
    dc.ChangeFieldName(iQty, "qty");
    dc.ChangeFieldName(iPrice, "price");
  }
  TcxCustomDataField* Field(int AItem) { return dc.TcxCustomDataController::GetItemField(AItem); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int r = 0; r < dc.GetRowCount(); ++r)
      names.push_back(VarToStr(dc.GetValue(dc.GetRowInfo(r).RecordIndex, iName)));
    return names;
  }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  dbtest::ItemsController dc{4};
};

struct TextSeen {
  std::vector<std::string> Texts;
  void BeforeChange(TcxDBDataFilterCriteria*, TDataSet*, const AnsiString& AText) { Texts.push_back(AText); }
};

class DBNullCriteria : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    if (!FilterOperatorAdapters())
      cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
  bool Query() const { return GetParam(); }
};

TEST_P(DBNullCriteria, BlankTestsAreWrittenForTheKindOfDataSet) {
  struct Case {
    TcxFilterOperatorKind Kind;
    Variant Value;
    const char* QueryText;
    const char* MemoryText;
  } cases[] = {
      {fokNull, Null, "(qty IS NULL)", "(qty = NULL)"},
      {fokNotNull, Null, "(qty IS NOT NULL)", "(qty <> NULL)"},
      {fokEqual, Null, "(qty IS NULL)", "(qty = NULL)"},
      {fokNotEqual, Null, "(qty IS NOT NULL)", "(qty <> NULL)"},
      {fokLike, Null, "(qty IS NULL)", "(qty = NULL)"},
      {fokNotLike, Null, "(qty IS NOT NULL)", "(qty <> NULL)"},
      {fokEqual, 3, "(qty = 3)", "(qty = 3)"},
      {fokGreater, 0, "(qty > 0)", "(qty > 0)"},
  };
  Stock s(Query());
  s.Bind();
  s.ds->Open();
  TextSeen seen;
  s.dc.DBFilter().OnBeforeChange = decltype(s.dc.DBFilter().OnBeforeChange)(&seen, &TextSeen::BeforeChange);
  TcxDataFilterCriteria& filter = s.dc.Filter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.MemoryText);
    seen.Texts.clear();
    {
      TUpdateBlock<TcxFilterCriteria> update(filter);
      filter.Clear();
      filter.AddItem(nullptr, s.Field(iQty), c.Kind, c.Value, "");
    }
    const std::string expected = Query() ? c.QueryText : c.MemoryText;
    EXPECT_EQ(filter.GetFilterText(), expected);
    ASSERT_FALSE(seen.Texts.empty());
    EXPECT_EQ(seen.Texts.back(), expected) << "the text handed to the handler";
  }

  // Inside nested lists, and for a value that becomes Null later.
  {
    TUpdateBlock<TcxFilterCriteria> update(filter);
    filter.Clear();
    filter.AddItem(nullptr, s.Field(iName), fokNotEqual, "nar", "nar");
    TcxFilterCriteriaItemList* any = filter.Root()->AddItemList(fbokOr);
    filter.AddItem(any, s.Field(iQty), fokNull, Null, "");
    TcxFilterCriteriaItemList* none = any->AddItemList(fbokNotAnd);
    filter.AddItem(none, s.Field(iQty), fokNotEqual, Null, "");
    filter.AddItem(none, s.Field(iPrice), fokGreater, 3, "3");
  }
  EXPECT_EQ(filter.GetFilterText(),
            Query() ? "(name <> 'nar') AND ((qty IS NULL) OR (NOT ((qty IS NOT NULL) AND (price > 3))))"
                    : "(name <> 'nar') AND ((qty = NULL) OR (NOT ((qty <> NULL) AND (price > 3))))");
  auto* first = static_cast<TcxFilterCriteriaItem*>(filter.Root()->Items(0));
  first->SetValue(Null);
  EXPECT_EQ(filter.GetFilterText(),
            Query() ? "(name IS NOT NULL) AND ((qty IS NULL) OR (NOT ((qty IS NOT NULL) AND (price > 3))))"
                    : "(name <> NULL) AND ((qty = NULL) OR (NOT ((qty <> NULL) AND (price > 3))))");
}

TEST(DBNullCriteriaQuery, ConditionsFollowTheDataSetTheyAreFor) {
  if (!FilterOperatorAdapters())
    cxDBFilterInitialize();
  Stock s(true);
  Stock memory(false);
  TcxDataFilterCriteria& filter = s.dc.Filter();
  TcxDataFilterCriteria* more = s.dc.AddFilter();
  filter.AddItem(nullptr, s.Field(iQty), fokNull, Null, "");
  more->AddItem(nullptr, s.Field(iQty), fokNotEqual, Null, "");
  s.Bind();
  s.ds->Open();
  EXPECT_EQ(filter.GetFilterText(), "(qty IS NULL)");
  EXPECT_EQ(more->GetFilterText(), "(qty IS NOT NULL)");
  // Another source for the controller, then another dataset for the source.
  memory.ds->Open();
  s.dc.SetDataSource(&memory.source);
  EXPECT_EQ(filter.GetFilterText(), "(qty = NULL)");
  EXPECT_EQ(more->GetFilterText(), "(qty <> NULL)");
  s.dc.SetDataSource(&s.source);
  EXPECT_EQ(filter.GetFilterText(), "(qty IS NULL)");
  s.source.SetDataSet(nullptr);
  s.source.SetDataSet(memory.ds.get());
  EXPECT_EQ(filter.GetFilterText(), "(qty = NULL)");
  EXPECT_EQ(s.dc.GetRecordCount(), 5);
}

TEST(DBNullCriteriaQuery, TheQueryFiltersItsBlankRowsAndTheFooterSumsThem) {
  if (!FilterOperatorAdapters())
    cxDBFilterInitialize();
  Stock s(true);
  s.Bind();
  TcxDataSummaryItem* sum = s.dc.Summary().FooterSummaryItems().Add();
  sum->SetField(s.Field(iPrice));
  sum->SetKind(skSum);
  s.ds->Open();
  s.dc.DBFilter().SetAutoDataSetFilter(true);
  TcxDataFilterCriteria& filter = s.dc.Filter();
  filter.AddItem(nullptr, s.Field(iQty), fokEqual, Null, "");
  filter.SetActive(true);
  EXPECT_EQ(s.ds->Filter(), "(qty IS NULL)");
  EXPECT_TRUE(s.ds->Filtered());
  EXPECT_TRUE(s.dc.DBFilter().LastError.empty()) << s.dc.DBFilter().LastError;
  EXPECT_EQ(s.Names(), (std::vector<std::string>{"elma", "nar"}));
  EXPECT_DOUBLE_EQ(s.dc.Summary().FooterSummaryValues()[0].AsDouble(), 10.5);

  static_cast<TcxFilterCriteriaItem*>(filter.Root()->Items(0))->SetOperatorKind(fokNotEqual);
  EXPECT_EQ(s.ds->Filter(), "(qty IS NOT NULL)");
  EXPECT_EQ(s.Names(), (std::vector<std::string>{"armut", "kiraz", "incir"}));
  EXPECT_DOUBLE_EQ(s.dc.Summary().FooterSummaryValues()[0].AsDouble(), 6.75);
}

INSTANTIATE_TEST_SUITE_P(DataSets, DBNullCriteria, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

} // namespace
