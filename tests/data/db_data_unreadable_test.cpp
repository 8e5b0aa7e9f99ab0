// A dataset whose typed column holds a text of another kind cannot be loaded into the controller's typed
// storage: the load fails once with an error that names what it could not read, and leaves the controller
// empty and usable, the dataset where it stood and the database as it was.
#include <gtest/gtest.h>

#include <string>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "tests/data/db_test_util.h"

namespace {

using dbtest::kWords;

struct Fixture {
  explicit Fixture(bool ASQLite) {
    if (ASQLite) {
      conn.FileName = ":memory:";
      std::string sql = "CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT, score REAL);";
      for (int i = 0; i < 10; ++i)
        sql += "INSERT INTO words VALUES (" + std::to_string(i + 1) + ", '" + kWords[i] + "', " +
               (i == 2 ? std::string("'y'") : std::to_string(i)) + ");";
      conn.ExecSQL(sql);
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, word, score FROM words ORDER BY id");
      ds.reset(q);
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("word", ftString, 20);
      m->AddFieldDef("score", ftFloat);
      for (int i = 0; i < 10; ++i)
        m->AddRow({i + 1, kWords[i], i == 2 ? Variant("y") : Variant(double(i))});
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    dc.ChangeFieldName(0, "id");
    dc.ChangeFieldName(1, "word");
    dc.ChangeFieldName(2, "score");
  }
  // Runs AOperation, which must fail with the error naming the unreadable value, and checks that the
  // controller holds no records afterwards.
  template <class F> void ExpectUnreadable(F AOperation) {
    try {
      AOperation();
      ADD_FAILURE() << "the load did not fail";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("'y' in field 'score' of record 3"), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(dc.GetRecordCount(), 0);
    EXPECT_EQ(dc.GetRowCount(), 0);
  }
  std::string Stored(const std::string& ASQL) {
    TSQLiteQuery probe(nullptr);
    probe.SetConnection(&conn);
    probe.SetSQL(ASQL);
    probe.Open();
    return probe.Fields(0)->AsString();
  }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  dbtest::ItemsController dc{3};
};

class UnreadableValue : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

TEST_P(UnreadableValue, OpenFailsOnceAndAnEditThatMendsTheValueLoadsEveryRecord) {
  Fixture f(GetParam());
  f.ExpectUnreadable([&] { f.ds->Open(); });
  ASSERT_TRUE(f.ds->Active());
  EXPECT_EQ(f.ds->RecNo(), 1) << "the dataset is back where the load started";
  EXPECT_EQ(f.ds->FieldByName("score")->AsString(), "0");
  if (GetParam()) {
    EXPECT_EQ(f.Stored("SELECT count(*) || ':' || sum(typeof(score) = 'text') FROM words"), "10:1");
  }

  f.ds->MoveBy(2);
  ASSERT_EQ(f.ds->FieldByName("score")->AsString(), "y");
  f.ds->Edit();
  f.ds->FieldByName("score")->SetAsFloat(2.5);
  f.ds->Post();
  ASSERT_EQ(f.dc.GetRecordCount(), 10);
  EXPECT_EQ(VarToStr(f.dc.GetValue(2, 1)), "su");
  EXPECT_EQ(f.dc.GetValue(2, 2).AsDouble(), 2.5);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
}

TEST(UnreadableValueSQLite, ARefreshThatReadsTheValueEmptiesTheControllerUntilTheValueIsMended) {
  Fixture f(true);
  f.conn.ExecSQL("UPDATE words SET score = 2 WHERE id = 3");
  f.ds->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 10);
  f.ds->MoveBy(4);
  f.conn.ExecSQL("UPDATE words SET score = 'y' WHERE id = 3");
  f.ExpectUnreadable([&] { f.ds->Refresh(); });
  EXPECT_EQ(f.ds->RecNo(), 5);
  f.conn.ExecSQL("UPDATE words SET score = 2 WHERE id = 3");
  f.ds->Refresh();
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 4);
}

INSTANTIATE_TEST_SUITE_P(Datasets, UnreadableValue, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

} // namespace
