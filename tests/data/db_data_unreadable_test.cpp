// A dataset whose typed column holds a text of another kind cannot be loaded into the controller's typed
// storage: the load fails once with an error that names what it could not read, and leaves the controller
// empty and usable, the dataset where it stood and the database as it was.
#include <gtest/gtest.h>

#include <string>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "tests/data/db_test_util.h"
#include "tests/db/db_test_util.h"

namespace {

using dbtest::kWords;

// The ten words with the score of the third one a text: in the table through SQL, in memory loaded anew.
struct Fixture : dbtest::Words {
  explicit Fixture(bool ASQLite)
      : Words(ASQLite, "word TEXT NOT NULL UNIQUE", "UPDATE words SET score = 'y' WHERE id = 3") {
    if (!ASQLite) {
      auto* m = static_cast<TMemDataSet*>(ds.get());
      m->ClearRows();
      for (int i = 0; i < 10; ++i)
        m->AddRow({i + 1, kWords[i], i == 2 ? Variant("y") : Variant(i * 1.5)});
    }
    Bind(dc);
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

  dbtest::ItemsController dc{3};
};

// A controller of two items bound to a dataset's "id" and "v".
struct BoundIdAndV {
  explicit BoundIdAndV(TDataSet* ADataSet) {
    source.SetDataSet(ADataSet);
    dc.SetDataSource(&source);
    dc.ChangeFieldName(0, "id");
    dc.ChangeFieldName(1, "v");
  }
  // Opening the dataset must fail on record 2's v, which reads as AText, and leave no records.
  void ExpectOpenRefuses(const std::string& AText) {
    try {
      source.DataSet()->Open();
      ADD_FAILURE() << "the load did not fail";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("'" + AText + "' in field 'v' of record 2 cannot be read as"),
                std::string::npos)
          << e.what();
    }
    EXPECT_EQ(dc.GetRecordCount(), 0);
  }
  TDataSource source{nullptr};
  dbtest::ItemsController dc{2};
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
    EXPECT_EQ(dbtest::Scalar(f.conn, "SELECT count(*) || ':' || sum(typeof(score) = 'text') FROM words"),
              "10:1");
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

// Each kind of typed column with a text it cannot take, in the second of two records.
TEST_P(UnreadableValue, EveryTypedColumnRefusesATextOfAnotherKind) {
  struct Case {
    const char* decl;
    TFieldType type;
    const char* good;
    Variant goodValue;
    const char* text;
  } cases[] = {
      {"REAL", ftFloat, "1.5", 1.5, "y"},
      {"INTEGER", ftLargeint, "7", std::int64_t(7), "zz"},
      {"DATE", ftDate, "'2024-01-02'", Variant::FromDate(EncodeDate(2024, 1, 2)), "not a date"},
      {"BOOLEAN", ftBoolean, "1", true, "maybe"},
      {"NUMERIC", ftFloat, "3", 3.0, "y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.decl) + " '" + c.text + "'");
    TSQLiteConnection conn(nullptr);
    std::unique_ptr<TDataSet, TObjectDeleter> ds;
    if (GetParam()) {
      conn.FileName = ":memory:";
      conn.ExecSQL(std::string("CREATE TABLE t (id INTEGER PRIMARY KEY, v ") + c.decl +
                   "); INSERT INTO t VALUES (1, " + c.good + "), (2, '" + c.text + "');");
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, v FROM t ORDER BY id");
      ds.reset(q);
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftInteger);
      m->AddFieldDef("v", c.type);
      m->AddRow({1, c.goodValue});
      m->AddRow({2, c.text});
      ds.reset(m);
    }
    BoundIdAndV bound(ds.get());
    bound.ExpectOpenRefuses(c.text);
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->FieldByName("v")->DataType(), c.type);
    ds->Next();
    EXPECT_EQ(ds->FieldByName("v")->AsString(), c.text);
  }
}

// A real in an integer column would be rounded by the controller's integer storage: it is refused as a text
// of another kind is, and the database keeps it.
TEST(UnreadableValueSQLite, ARealInAnIntegerColumnIsRefusedNotRounded) {
  TSQLiteConnection conn(nullptr);
  std::unique_ptr<TDataSet, TObjectDeleter> ds(dbtest::MemoryQuery(
      conn, "CREATE TABLE t (id INTEGER PRIMARY KEY, v INTEGER); INSERT INTO t VALUES (1, 5), (2, 4.9);",
      "SELECT id, v FROM t ORDER BY id"));
  BoundIdAndV bound(ds.get());
  bound.ExpectOpenRefuses(VarToStr(Variant(4.9)));
  EXPECT_EQ(dbtest::Scalar(conn, "SELECT typeof(v) || ' ' || v FROM t WHERE id = 2"), "real 4.9")
      << "the database keeps it";
  conn.ExecSQL("UPDATE t SET v = 4 WHERE id = 2");
  ds->Refresh();
  ASSERT_EQ(bound.dc.GetRecordCount(), 2);
  EXPECT_EQ(bound.dc.GetValue(1, 1).AsInt64(), 4);
}

INSTANTIATE_TEST_SUITE_P(Datasets, UnreadableValue, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

} // namespace
