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

Strings StoredForms(TSQLiteConnection* AConnection, TDataSet& AForms) {
  return dbtest::RowsAsText(AConnection, "SELECT id, word_id, form FROM forms", AForms,
                            {"id", "word_id", "form"});
}

// Forms (id, word_id, form) shown by a detail of item 0 the form's id, item 1 the form. The query reads them
// ordered by word and id, the in-memory dataset keeps them in the order given.
struct Forms {
  Forms(bool ASQLite, const std::vector<FormRow>& ARows) : SQLite(ASQLite) {
    if (SQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      conn.ExecSQL(dbtest::FormsTableSQL(ARows));
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
  Strings Stored() { return StoredForms(SQLite ? &conn : nullptr, *ds); }
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

// Words (id, word) and their forms, in one SQLite database or in memory; the forms query runs per word in SQL
// mode. The detail of forms hangs on a word record of the master.
struct WordsAndForms {
  WordsAndForms(bool ASQLite, bool ABySQL) : SQLite(ASQLite) {
    const FormRow forms[] = {{1, 2, "oxorepe"}, {2, 2, "oxoris"}, {3, 5, "mjorepe"}};
    if (SQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      std::string sql =
          "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT);" + dbtest::FormsTableSQL(forms);
      for (int i = 0; i < 6; ++i)
        sql += "INSERT INTO words VALUES (" + std::to_string(i + 1) + ", '" + dbtest::kWords[i] + "');";
      conn.ExecSQL(sql);
      auto* w = new TSQLiteQuery(nullptr);
      w->SetConnection(&conn);
      w->SetSQL("SELECT id, word FROM words ORDER BY id");
      words.reset(w);
      auto* f = new TSQLiteQuery(nullptr);
      f->SetConnection(&conn);
      if (ABySQL) {
        f->SetSQL("SELECT id, word_id, form FROM forms WHERE word_id = :word_id ORDER BY id");
        f->Params()->SetParamValues("word_id", 0);
      } else {
        f->SetSQL("SELECT id, word_id, form FROM forms ORDER BY word_id, id");
      }
      formsDs.reset(f);
    } else {
      auto* w = new TMemDataSet(nullptr);
      w->AddFieldDef("id", ftInteger);
      w->AddFieldDef("word", ftString, 20);
      for (int i = 0; i < 6; ++i)
        w->AddRow({i + 1, dbtest::kWords[i]});
      words.reset(w);
      formsDs.reset(dbtest::MemForms(forms));
    }
    wordSource.SetDataSet(words.get());
    formSource.SetDataSet(formsDs.get());
    master.SetDataSource(&wordSource);
    master.ChangeFieldName(0, "id");
    master.ChangeFieldName(1, "word");
    words->Open();
    dbtest::BindFormsDetail(detail, formSource);
    detail.DataModeController().DetailInSQLMode = ABySQL;
    formsDs->Open();
    relation = master.Relations().Add(master.Items[1].get());
  }
  Strings Shown() {
    Strings shown;
    for (int r = 0; r < detail.GetRecordCount(); ++r)
      shown.push_back(VarToStr(detail.GetValue(r, 1)));
    return shown;
  }
  // Every form as "id:word_id:form" by id.
  Strings Stored() { return StoredForms(SQLite ? &conn : nullptr, *formsDs); }
  void AppendForm(int AId, const char* AForm) {
    detail.Append();
    ASSERT_TRUE(detail.SetEditValue(0, AId, evsValue));
    ASSERT_TRUE(detail.SetEditValue(1, AForm, evsValue));
    detail.Post();
  }

  bool SQLite;
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> words, formsDs;
  TDataSource wordSource{nullptr}, formSource{nullptr};
  dbtest::ItemsController master{2}, detail{2};
  TcxCustomDataRelation* relation = nullptr;
};

TEST_P(DBDetailWrites, ADetailFollowsItsMastersKeyAndIsReleasedWithItsMaster) {
  for (bool smart : {false, true})
    for (bool bySQL : {false, true}) {
      if (bySQL && !GetParam())
        continue;
      SCOPED_TRACE(std::string(bySQL ? "SQL mode" : "records of every word") +
                   (smart ? ", the master refreshes only what it posts" : ""));
      WordsAndForms d(GetParam(), bySQL);
      if (smart) {
        d.master.SetKeyFieldNames("id");
        d.master.DataModeController().SetSmartRefresh(true);
      }
      d.detail.SetMasterRelation(d.relation, 1);
      ASSERT_EQ(d.Shown(), Strings({"oxorepe", "oxoris"}));

      // The master's key changes from 2 to 20: the detail shows the forms of 20, and a new form goes there.
      ASSERT_TRUE(d.master.ChangeFocusedRecordIndex(1));
      d.master.Edit();
      ASSERT_TRUE(d.master.SetEditValue(0, 20, evsValue));
      d.master.Post();
      EXPECT_TRUE(SameKeyValues(d.detail.MasterKeyValues(), 20)) << VarToStr(d.detail.MasterKeyValues());
      EXPECT_EQ(d.detail.GetMasterRelation(), d.relation);
      EXPECT_EQ(VarToStr(d.master.GetValue(d.detail.GetMasterRecordIndex(), 1)), "oxori");
      EXPECT_EQ(d.Shown(), Strings());
      d.AppendForm(9, "oxorce");
      EXPECT_EQ(d.Stored(), Strings({"1:2:oxorepe", "2:2:oxoris", "3:5:mjorepe", "9:20:oxorce"}));
      EXPECT_EQ(d.Shown(), Strings({"oxorce"}));

      // Another word is edited without touching its key: the detail stays.
      ASSERT_TRUE(d.master.ChangeFocusedRecordIndex(0));
      d.master.Edit();
      ASSERT_TRUE(d.master.SetEditValue(1, "evi", evsValue));
      d.master.Post();
      EXPECT_TRUE(SameKeyValues(d.detail.MasterKeyValues(), 20));
      EXPECT_EQ(d.Shown(), Strings({"oxorce"}));

      // The master record goes: so does the detail's hold on it, and nothing is stored under its key.
      d.detail.SetMasterRelation(d.relation, 4);
      ASSERT_EQ(d.Shown(), Strings({"mjorepe"}));
      ASSERT_TRUE(d.master.ChangeFocusedRecordIndex(4));
      ASSERT_EQ(VarToStr(d.master.GetValue(4, 1)), "ay");
      d.master.DeleteFocused();
      EXPECT_EQ(d.detail.GetMasterRelation(), nullptr);
      EXPECT_FALSE(d.detail.HasMasterKey());
      d.AppendForm(10, "ayepe");
      EXPECT_EQ(d.Stored(),
                Strings({"1:2:oxorepe", "2:2:oxoris", "3:5:mjorepe", "9:20:oxorce", "10::ayepe"}));
    }
}

INSTANTIATE_TEST_SUITE_P(DataSets, DBDetailWrites, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& AInfo) {
                           return AInfo.param ? "SQLite" : "Memory";
                         });

} // namespace
