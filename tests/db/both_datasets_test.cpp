// One script of cursor, edit and control operations run over the in-memory dataset and over the SQLite
// query holding the same rows: both must tell their links and handlers the same things in the same order.
#include <functional>
#include <memory>

#include "platform/db/SQLiteQuery.h"
#include "tests/db/db_test_util.h"

namespace {

using dbtest::EventLog;
using Log = std::vector<std::string>;

struct Subject {
  virtual ~Subject() = default;
  virtual TDataSet& DataSet() = 0;
};

struct MemSubject : Subject {
  MemSubject() { dbtest::FillNumbered(ds, 6); }
  TDataSet& DataSet() override { return ds; }
  TMemDataSet ds{nullptr};
};

struct QuerySubject : Subject {
  QuerySubject() {
    conn.FileName = ":memory:";
    conn.ExecSQL("CREATE TABLE t (ID INTEGER PRIMARY KEY, Name TEXT NOT NULL);"
                 "INSERT INTO t VALUES (1, 'n1'), (2, 'n2'), (3, 'n3'), (4, 'n4'), (5, 'n5'), (6, 'n6')");
    query.SetConnection(&conn);
    query.SetSQL("SELECT ID, Name FROM t ORDER BY ID");
  }
  TDataSet& DataSet() override { return query; }
  TSQLiteConnection conn{nullptr};
  TSQLiteQuery query{nullptr};
};

struct Step {
  const char* what;
  std::function<void(TDataSet&)> run;
  Log expected;
};

class BothDataSets : public ::testing::TestWithParam<int> {
protected:
  std::unique_ptr<Subject> Make() {
    if (GetParam() == 0)
      return std::make_unique<MemSubject>();
    return std::make_unique<QuerySubject>();
  }
};

TEST_P(BothDataSets, SameEventsInSameOrder) {
  std::unique_ptr<Subject> subject = Make();
  TDataSet& ds = subject->DataSet();
  EventLog log;
  dbtest::DataSetEvents events(ds, log);
  TDataSource source(nullptr);
  dbtest::RecordingLink link(log);
  link.SetBufferCount(2);
  source.SetDataSet(&ds);
  link.SetDataSource(&source);
  auto id = [&] { return ds.FieldByName("ID")->AsInteger(); };

  const Step steps[] = {
      {"open", [](TDataSet& d) { d.Open(); }, {"BeforeOpen", "ActiveChanged(1)", "AfterOpen", "AfterScroll"}},
      {"next", [](TDataSet& d) { d.Next(); }, {"BeforeScroll", "DataSetScrolled(0)", "AfterScroll"}},
      {"next out of the window",
       [](TDataSet& d) { d.Next(); },
       {"BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}},
      {"two back", [](TDataSet& d) { d.MoveBy(-2); }, {"BeforeScroll", "DataSetScrolled(-1)", "AfterScroll"}},
      {"edit",
       [](TDataSet& d) { d.Edit(); },
       {"BeforeEdit", "EditingChanged(1)", "RecordChanged(nil)", "AfterEdit"}},
      {"set", [](TDataSet& d) { d.FieldByName("Name")->SetAsString("bir"); }, {"RecordChanged(Name)"}},
      {"post",
       [](TDataSet& d) { d.Post(); },
       {"UpdateData", "BeforePost", "EditingChanged(0)", "DataSetChanged", "AfterPost"}},
      {"edit and cancel",
       [](TDataSet& d) {
         d.Edit();
         d.FieldByName("Name")->SetAsString("x");
         d.Cancel();
       },
       {"BeforeEdit", "EditingChanged(1)", "RecordChanged(nil)", "AfterEdit", "RecordChanged(Name)",
        "BeforeCancel", "EditingChanged(0)", "DataSetChanged", "AfterCancel"}},
      {"insert",
       [](TDataSet& d) { d.Insert(); },
       {"BeforeInsert", "BeforeScroll", "EditingChanged(1)", "OnNewRecord", "DataSetChanged", "AfterInsert",
        "AfterScroll"}},
      {"post the insert",
       [](TDataSet& d) {
         d.FieldByName("ID")->SetAsInteger(10);
         d.FieldByName("Name")->SetAsString("on");
         d.Post();
       },
       {"RecordChanged(ID)", "RecordChanged(Name)", "UpdateData", "BeforePost", "EditingChanged(0)",
        "DataSetChanged", "AfterPost"}},
      {"delete",
       [](TDataSet& d) { d.Delete(); },
       {"BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}},
      {"disabled moves",
       [](TDataSet& d) {
         d.DisableControls();
         d.Next();
         d.Next();
         d.EnableControls();
       },
       {"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll", "DataSetChanged"}},
      {"last", [](TDataSet& d) { d.Last(); }, {"BeforeScroll", "DataSetChanged", "AfterScroll"}},
      {"close", [](TDataSet& d) { d.Close(); }, {"BeforeClose", "ActiveChanged(0)", "AfterClose"}},
  };
  const int ids[] = {1, 2, 3, 1, 1, 1, 1, 1, 0, 10, 1, 3, 6, 6}; // 0: the new record has no ID yet
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(steps[i].what);
    steps[i].run(ds);
    EXPECT_EQ(log.Take(), steps[i].expected);
    if (ds.Active()) {
      EXPECT_EQ(id(), ids[i]);
      EXPECT_LT(link.ActiveRecord(), 2);
    }
  }
  ds.Open();
  std::vector<int> all = dbtest::WalkIds(ds);
  EXPECT_EQ(all, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  ds.First();
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "bir");
}

TEST_P(BothDataSets, BookmarkErrors) {
  std::unique_ptr<Subject> subject = Make();
  TDataSet& ds = subject->DataSet();
  ds.Open();
  ds.MoveBy(3);
  TBookmarkStr four = ds.Bookmark();
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(four));
  int at = ds.FieldByName("ID")->AsInteger();
  for (const TBookmarkStr& bad : {four, TBookmarkStr(), TBookmarkStr("\x01\x02")}) {
    try {
      ds.GotoBookmark(bad);
      ADD_FAILURE() << "went to a bad bookmark";
    } catch (const EDatabaseError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), at);
  }
  ds.Insert();
  EXPECT_EQ(ds.Bookmark(), "");
  ds.Cancel();
  TBookmarkStr here = ds.Bookmark();
  ds.First();
  ds.GotoBookmark(here);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), at);
  ds.Close();
  EXPECT_FALSE(ds.BookmarkValid(here));
  EXPECT_THROW(ds.GotoBookmark(here), EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Datasets, BothDataSets, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == 0 ? "InMemory" : "SQLiteQuery");
                         });

} // namespace
