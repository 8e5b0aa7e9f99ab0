#include "tests/db/db_test_util.h"

#include "platform/rtl/FloatText.h"

namespace {

using dbtest::EventLog;
using Log = std::vector<std::string>;

struct Numbered {
  explicit Numbered(int ARows) {
    dbtest::FillNumbered(ds, ARows);
    ds.Open();
  }
  int Id() { return ds.FieldByName("ID")->AsInteger(); }
  TMemDataSet ds{nullptr};
};

TEST(MemBookmarks, GoCompareAndSurviveChanges) {
  Numbered n(10);
  n.ds.SetRecNo(5);
  TBookmarkStr b5 = n.ds.Bookmark();
  n.ds.SetRecNo(2);
  TBookmarkStr b2 = n.ds.Bookmark();
  n.ds.SetRecNo(7);
  TBookmarkStr b7 = n.ds.Bookmark();
  ASSERT_FALSE(b5.empty());

  struct Case {
    const TBookmarkStr *a, *b;
    int expected;
  } cases[] = {{&b5, &b2, 1}, {&b2, &b5, -1}, {&b5, &b5, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(n.ds.CompareBookmarks(*c.a, *c.b), c.expected);
  EXPECT_EQ(n.ds.CompareBookmarks("", b2), -1);
  EXPECT_EQ(n.ds.CompareBookmarks(b2, ""), 1);
  EXPECT_EQ(n.ds.CompareBookmarks("", ""), 0);

  n.ds.First();
  n.ds.GotoBookmark(b5);
  EXPECT_EQ(n.Id(), 5);

  // Rows inserted before and a row deleted elsewhere leave the bookmarks on their records.
  n.ds.First();
  n.ds.Insert();
  n.ds.FieldByName("ID")->SetAsInteger(0);
  n.ds.Post();
  n.ds.GotoBookmark(b2);
  n.ds.Delete();
  n.ds.GotoBookmark(b7);
  EXPECT_EQ(n.Id(), 7);
  EXPECT_EQ(n.ds.RecNo(), 7);
  EXPECT_EQ(n.ds.CompareBookmarks(b5, b7), -1);
  EXPECT_FALSE(n.ds.BookmarkValid(b2));
  EXPECT_EQ(n.ds.CompareBookmarks(b2, b5), 1) << "a deleted record's bookmark sorts after live ones";

  n.ds.SetRecNo(3);
  for (const TBookmarkStr& bad : {b2, TBookmarkStr("xyz"), TBookmarkStr()}) {
    EXPECT_THROW(n.ds.GotoBookmark(bad), EDatabaseError);
    EXPECT_EQ(n.ds.RecNo(), 3) << "a failed GotoBookmark does not move";
  }
  n.ds.Close();
  EXPECT_FALSE(n.ds.BookmarkValid(b5));
}

TEST(MemLocate, FieldsValuesAndOptions) {
  Numbered n(20);
  n.ds.Open();
  struct Case {
    const char* fields;
    Variant values;
    TLocateOptions options;
    bool found;
    int id;
  } cases[] = {
      {"ID", 7, {}, true, 7},
      {"ID", std::int64_t(8), {}, true, 8},
      {"ID", "9", {}, true, 9},
      {"ID", 99, {}, false, 9},
      {"Name", "n12", {}, true, 12},
      {"Name", "N13", {}, false, 12},
      {"Name", "N13", {loCaseInsensitive}, true, 13},
      {"Name", "n1", {loPartialKey}, true, 1},
      {"Name", "N2", {loPartialKey, loCaseInsensitive}, true, 2},
      {" ID ; Name", VarArrayOf({4, "n4"}), {}, true, 4},
      {"ID;Name", VarArrayOf({5, "n6"}), {}, false, 4},
      {"Name", Null, {}, false, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fields) + " " + VarToStr(VarIsArray(c.values) ? c.values[0] : c.values));
    EXPECT_EQ(n.ds.Locate(c.fields, c.values, c.options), c.found);
    EXPECT_EQ(n.Id(), c.id);
  }
  EXPECT_THROW(n.ds.Locate("Missing", 1, {}), EDatabaseError);
  EXPECT_THROW(n.ds.Locate("ID;Name", 1, {}), EDatabaseError) << "two fields need two values";
  EXPECT_THROW(n.ds.Locate("", 1, {}), EDatabaseError);

  n.ds.Edit();
  n.ds.FieldByName("Name")->Clear();
  n.ds.Post();
  EXPECT_TRUE(n.ds.Locate("Name", Null, {}));
  EXPECT_EQ(n.Id(), 4);
  n.ds.Edit();
  n.ds.FieldByName("ID")->SetAsInteger(70);
  n.ds.Post();
  n.ds.First();
  EXPECT_TRUE(n.ds.Locate("ID", 70, {})) << "the key index follows the edit";
  EXPECT_FALSE(n.ds.Locate("ID", 4, {}));

  EXPECT_EQ(n.ds.Lookup("ID", 15, "Name").AsString(), "n15");
  Variant both = n.ds.Lookup("Name", "n16", "ID;Name");
  ASSERT_TRUE(VarIsArray(both));
  EXPECT_EQ(both[0].AsInteger(), 16);
  EXPECT_TRUE(VarIsNull(n.ds.Lookup("ID", 999, "Name")));
  EXPECT_EQ(n.Id(), 70) << "Lookup does not move";
}

TEST(MemLocate, EventsOnlyWhenFound) {
  Numbered n(5);
  EventLog log;
  dbtest::DataSetEvents events(n.ds, log);
  TDataSource source(nullptr);
  dbtest::RecordingLink link(log);
  source.SetDataSet(&n.ds);
  link.SetDataSource(&source);
  log.Take();
  EXPECT_TRUE(n.ds.Locate("ID", 4, {}));
  EXPECT_EQ(log.Take(), (Log{"BeforeScroll", "DataSetChanged", "AfterScroll"}));
  EXPECT_FALSE(n.ds.Locate("ID", 40, {}));
  EXPECT_EQ(log.Take(), (Log{"BeforeScroll"}));
}

TEST(MemFilter, TextHandlerAndEdits) {
  Numbered n(10);
  n.ds.SetFilter("ID > 5 AND Name <> 'n8'");
  EXPECT_EQ(n.ds.RecordCount(), 10) << "the text alone does not filter";
  n.ds.SetFiltered(true);
  EXPECT_EQ(dbtest::WalkIds(n.ds), (std::vector<int>{6, 7, 9, 10}));
  EXPECT_EQ(n.ds.RecordCount(), 4);
  n.ds.First();
  EXPECT_EQ(n.ds.RecNo(), 1);

  struct EvenOnly : TObject {
    void Filter(TDataSet* ADataSet, bool& AAccept) {
      AAccept = ADataSet->FieldByName("ID")->AsInteger() % 2 == 0;
    }
  } even;
  n.ds.SetOnFilterRecord(TFilterRecordEvent(&even, &EvenOnly::Filter));
  EXPECT_EQ(dbtest::WalkIds(n.ds), (std::vector<int>{6, 10}));

  EXPECT_THROW(n.ds.SetFilter("ID >"), EDatabaseError);
  EXPECT_THROW(n.ds.SetFilter("Nope = 1"), EDatabaseError);
  EXPECT_EQ(n.ds.Filter(), "ID > 5 AND Name <> 'n8'") << "a bad text leaves the filter as it was";

  n.ds.First();
  n.ds.Edit();
  n.ds.FieldByName("ID")->SetAsInteger(5);
  n.ds.Post();
  EXPECT_EQ(n.Id(), 10) << "a record the filter no longer accepts leaves the view";
  EXPECT_EQ(n.ds.RecordCount(), 1);
  n.ds.Append();
  n.ds.FieldByName("ID")->SetAsInteger(3);
  n.ds.Post();
  EXPECT_EQ(n.ds.RecordCount(), 1) << "a new record the filter rejects is stored but hidden";

  n.ds.SetOnFilterRecord(nullptr);
  n.ds.SetFilter("Name = 'N*'");
  EXPECT_EQ(n.ds.RecordCount(), 0);
  n.ds.SetFilterOptions({foCaseInsensitive});
  EXPECT_EQ(n.ds.RecordCount(), 10) << "case-insensitive with a partial match on '*'";
  n.ds.SetFilterOptions({foCaseInsensitive, foNoPartialCompare});
  EXPECT_EQ(n.ds.RecordCount(), 0);
  n.ds.SetFiltered(false);
  EXPECT_EQ(n.ds.RecordCount(), 11);
  EXPECT_EQ(n.ds.RowCount(), 11u);
}

TEST(MemFilter, ExpressionForms) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("ID", ftInteger);
  ds.AddFieldDef("Word", ftString);
  ds.AddFieldDef("Price", ftFloat);
  ds.AddFieldDef("When", ftDate);
  ds.AddFieldDef("On", ftBoolean);
  ds.AddRow({1, "elma", 2.5, Variant::FromDate(EncodeDate(2024, 1, 10)), true});
  ds.AddRow({2, "armut", Null, Variant::FromDate(EncodeDate(2024, 3, 1)), false});
  ds.AddRow({3, "O'Neil", 10.0, Null, true});
  ds.AddRow({4, Null, 0.5, Variant::FromDate(EncodeDate(2023, 12, 31)), Null});
  ds.Open();
  struct Case {
    const char* text;
    std::vector<int> ids;
  } cases[] = {
      {"ID = 2", {2}},
      {"ID <> 2", {1, 3, 4}},
      {"(ID >= 2) and (ID <= 3)", {2, 3}},
      {"ID BETWEEN 2 AND 3", {2, 3}},
      {"ID NOT BETWEEN 2 AND 3", {1, 4}},
      {"ID IN (1, 4)", {1, 4}},
      {"NOT ID IN (1, 4)", {2, 3}},
      {"Word LIKE '%r%'", {2}},
      {"Word LIKE 'e_ma'", {1}},
      {"Word NOT LIKE 'e%'", {2, 3}},
      {"Word = 'O''Neil'", {3}},
      {"Word IS NULL", {4}},
      {"Price IS NOT NULL AND Price < 3", {1, 4}},
      {"Price > -1", {1, 3, 4}},
      {"[When] < '2024-02-01'", {1, 4}},
      {"On", {1, 3}},
      {"On = FALSE OR ID = 4", {2, 4}},
      {"Price = 2.5", {1}},
      {"Word = NULL", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ds.SetFilter(c.text);
    ds.SetFiltered(true);
    EXPECT_EQ(dbtest::WalkIds(ds), c.ids);
    ds.SetFiltered(false);
  }
  for (const char* bad :
       {"ID = ", "ID = 'x", "(ID = 1", "ID IS 5", "ID # 2", "ID NOT 5", "Word LIKE", "ID IN 1"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ds.SetFilter(bad), EDatabaseError);
  }
}

TEST(MemFilter, HostileTextsEndQuickly) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("ID", ftInteger);
  ds.AddFieldDef("Word", ftString);
  ds.AddRow({1, AnsiString(20000, 'a')});
  ds.AddRow({2, AnsiString(20000, 'a') + "b"});
  ds.Open();
  AnsiString pattern;
  for (int i = 0; i < 40; ++i)
    pattern += "%a";
  ds.SetFilter("Word LIKE '" + pattern + "%b'");
  ds.SetFiltered(true);
  EXPECT_EQ(dbtest::WalkIds(ds), (std::vector<int>{2}))
      << "many wildcards match without backtracking forever";

  AnsiString chain = "ID = 0";
  for (int i = 0; i < 50000; ++i)
    chain += " OR ID = 0";
  ds.SetFilter(chain + " OR ID = 1");
  EXPECT_EQ(dbtest::WalkIds(ds), (std::vector<int>{1})) << "a long chain of conditions";
  try {
    ds.SetFilter(AnsiString(100000, '(') + "ID = 1" + AnsiString(100000, ')'));
    FAIL() << "deep nesting accepted";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("nested too deeply"), std::string::npos);
  }
  EXPECT_THROW(ds.SetFilter(AnsiString(100000, 'N') + "OT ID = 1"), EDatabaseError);
  AnsiString nots;
  for (int i = 0; i < 100000; ++i)
    nots += "NOT ";
  EXPECT_THROW(ds.SetFilter(nots + "ID = 1"), EDatabaseError);
}

TEST(MemFields, DisplayTextAndLookup) {
  auto* cities = new TMemDataSet(nullptr);
  cities->AddFieldDef("CityID", ftInteger);
  cities->AddFieldDef("CityName", ftString);
  cities->AddRow({1, "Rize"});
  cities->AddRow({2, "Artvin"});
  cities->Open();

  TMemDataSet people(nullptr);
  people.AddFieldDef("ID", ftInteger);
  people.AddFieldDef("CityID", ftInteger);
  people.AddFieldDef("Score", ftFloat);
  people.AddFieldDef("Member", ftBoolean);
  people.AddFieldDef("Born", ftDate);
  people.AddRow({1, 1, 3.5, true, Variant::FromDate(EncodeDate(1990, 5, 17))});
  people.AddRow({2, 3, Null, false, Null});
  TStringField city(nullptr);
  city.FieldName = "City";
  city.SetFieldKind(fkLookup);
  city.KeyFields = "CityID";
  city.LookupKeyFields = "CityID";
  city.LookupResultField = "CityName";
  city.SetLookupDataSet(cities);
  city.SetDataSet(&people);
  TFloatField score(nullptr);
  score.FieldName = "Score";
  score.DisplayFormat = "0.00";
  score.SetDataSet(&people);
  people.Open();
  EXPECT_THROW(TStringField(nullptr).SetDataSet(&people), EDatabaseError)
      << "fields join a closed dataset only";

  EXPECT_FALSE(people.DefaultFields()) << "the dataset had fields of its own";
  EXPECT_EQ(people.FieldCount(), 6);
  EXPECT_EQ(city.FieldNo(), 0);
  EXPECT_EQ(score.FieldNo(), 3);
  EXPECT_EQ(city.DisplayText(), "Rize");
  EXPECT_EQ(score.DisplayText(), FormatFloat("0.00", 3.5));
  score.EditFormat = "0.0";
  EXPECT_EQ(score.Text(), FormatFloat("0.0", 3.5));
  EXPECT_EQ(score.DisplayText(), FormatFloat("0.00", 3.5));
  EXPECT_EQ(people.FieldByName("Member")->DisplayText(), "True");
  auto* member = static_cast<TBooleanField*>(people.FieldByName("Member"));
  member->DisplayValues = "Evet;Hay\xFDr";
  EXPECT_EQ(member->DisplayText(), "Evet");
  auto* born = static_cast<TDateTimeField*>(people.FieldByName("Born"));
  born->DisplayFormat = "yyyy'-'mm'-'dd";
  EXPECT_EQ(born->DisplayText(), "1990-05-17");
  struct Texts : TObject {
    void Get(TField*, AnsiString& AText, bool ADisplay) { AText = ADisplay ? "shown" : "edited"; }
  } texts;
  score.OnGetText = TFieldGetTextEvent(&texts, &Texts::Get);
  EXPECT_EQ(score.DisplayText(), "shown");
  EXPECT_EQ(score.Text(), "edited");
  score.OnGetText = nullptr;

  people.Edit();
  city.SetValue("Artvin");
  EXPECT_EQ(people.FieldByName("CityID")->AsInteger(), 2);
  EXPECT_THROW(city.SetValue("Trabzon"), EDatabaseError);
  member->SetText("HAYIR");
  EXPECT_FALSE(member->AsBoolean());
  EXPECT_THROW(member->SetText("belki"), EDatabaseError);
  score.SetText("");
  EXPECT_TRUE(score.IsNull());
  people.Post();

  people.Next();
  EXPECT_TRUE(city.IsNull()) << "a key with no lookup record shows nothing";
  EXPECT_EQ(score.DisplayText(), "");
  EXPECT_EQ(born->DisplayText(), "");
  cities->Free();
  EXPECT_EQ(city.LookupDataSet(), nullptr);
  EXPECT_TRUE(city.IsNull());
}

} // namespace
