// A detail's records are those whose detail keys hold its master's values, wherever the dataset holds them,
// and what a detail writes goes under the key its master holds now.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

using Strings = std::vector<std::string>;

struct FormRow {
  int Id, WordId;
  const char* Form;
};

// Forms (id, word_id, form) shown by a detail of item 0 the form's id, item 1 the form. The query reads them
// ordered by word and id, the in-memory dataset keeps them in the order given.
struct Forms {
  Forms(bool ASQLite, const std::vector<FormRow>& ARows) : SQLite(ASQLite) {
    if (SQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      std::string sql = "CREATE TABLE forms (id INTEGER PRIMARY KEY, word_id INTEGER, form TEXT);";
      for (const FormRow& r : ARows)
        sql += "INSERT INTO forms VALUES (" + std::to_string(r.Id) + ", " + std::to_string(r.WordId) + ", '" +
               r.Form + "');";
      conn.ExecSQL(sql);
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, word_id, form FROM forms ORDER BY word_id, id");
      ds.reset(q);
    } else {
      ds.reset(dbtest::MemForms(ARows));
    }
    source.SetDataSet(ds.get());
    dbtest::BindFormsDetail(dc, source);
    ds->Open();
  }
  Strings Shown() {
    Strings forms;
    for (int r = 0; r < dc.GetRecordCount(); ++r)
      forms.push_back(VarToStr(dc.GetValue(r, 1)));
    return forms;
  }
  // Every form as "id:word_id:form" by id, read from the table or from the dataset.
  Strings Stored() {
    Strings rows;
    if (SQLite) {
      TSQLiteQuery q(nullptr);
      q.SetConnection(&conn);
      q.SetSQL("SELECT id, word_id, form FROM forms ORDER BY id");
      q.Open();
      for (; !q.Eof(); q.Next())
        rows.push_back(Row(q));
      return rows;
    }
    TBookmarkStr at = ds->BookmarkAvailable() ? ds->Bookmark() : TBookmarkStr();
    ds->DisableControls();
    for (ds->First(); !ds->Eof(); ds->Next())
      rows.push_back(Row(*ds));
    if (!at.empty())
      ds->GotoBookmark(at);
    ds->EnableControls();
    std::sort(rows.begin(), rows.end(),
              [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); });
    return rows;
  }
  static std::string Row(TDataSet& ADataSet) {
    return VarToStr(ADataSet.FieldByName("id")->Value()) + ":" +
           VarToStr(ADataSet.FieldByName("word_id")->Value()) + ":" +
           VarToStr(ADataSet.FieldByName("form")->Value());
  }
  std::string Current() { return VarToStr(ds->FieldByName("form")->Value()); }

  bool SQLite;
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  dbtest::ItemsController dc{2};
};

void InitUnits() {
  cxDBFilterInitialize();
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
  RegisterSQLiteQueryProperties();
}

class DBDetailWrites : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() { InitUnits(); }
};

TEST_P(DBDetailWrites, ADetailShowsEveryRecordOfItsMasterWhereverTheDataSetHoldsIt) {
  const struct {
    const char* Name;
    std::vector<FormRow> Rows;
  } cases[] = {
      {"together", {{1, 2, "oxorepe"}, {2, 2, "oxoris"}, {3, 5, "mjorepe"}, {4, 7, "zugepe"}}},
      {"apart", {{1, 2, "oxorepe"}, {3, 5, "mjorepe"}, {2, 2, "oxoris"}, {4, 7, "zugepe"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Forms f(GetParam(), c.Rows);
    f.dc.SetMasterKeyValues(2);
    ASSERT_EQ(f.Shown(), Strings({"oxorepe", "oxoris"}));

    // An append lands at the end of the in-memory dataset, behind the forms of other words.
    f.dc.Append();
    ASSERT_TRUE(f.dc.SetEditValue(0, 9, evsValue));
    ASSERT_TRUE(f.dc.SetEditValue(1, "oxorce", evsValue));
    f.dc.Post();
    EXPECT_EQ(f.Stored(), Strings({"1:2:oxorepe", "2:2:oxoris", "3:5:mjorepe", "4:7:zugepe", "9:2:oxorce"}));
    ASSERT_EQ(f.Shown(), Strings({"oxorepe", "oxoris", "oxorce"}));
    EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);

    // Focus and the dataset stay in step over every record of the word.
    for (int record : {0, 2, 1}) {
      ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(record));
      EXPECT_EQ(f.Current(), f.Shown()[std::size_t(record)]);
    }
    ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(2));
    f.dc.Edit();
    ASSERT_TRUE(f.dc.SetEditValue(1, "oxorcex", evsValue));
    f.dc.Post();
    EXPECT_EQ(f.Stored(), Strings({"1:2:oxorepe", "2:2:oxoris", "3:5:mjorepe", "4:7:zugepe", "9:2:oxorcex"}));
    EXPECT_EQ(f.Shown(), Strings({"oxorepe", "oxoris", "oxorcex"}));

    ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(1));
    f.dc.DeleteFocused();
    EXPECT_EQ(f.Stored(), Strings({"1:2:oxorepe", "3:5:mjorepe", "4:7:zugepe", "9:2:oxorcex"}));
    EXPECT_EQ(f.Shown(), Strings({"oxorepe", "oxorcex"}));
    ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(f.Current(), f.Shown()[std::size_t(f.dc.GetFocusedRecordIndex())]);

    // Another word's detail is not disturbed by the first one's records.
    f.dc.SetMasterKeyValues(5);
    EXPECT_EQ(f.Shown(), Strings({"mjorepe"}));
  }
}

INSTANTIATE_TEST_SUITE_P(DataSets, DBDetailWrites, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& AInfo) {
                           return AInfo.param ? "SQLite" : "Memory";
                         });

} // namespace
