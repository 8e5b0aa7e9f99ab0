#include <memory>

#include "tests/db/db_test_util.h"

namespace {

using dbtest::DataSetEvents;
using dbtest::EventLog;
using dbtest::RecordingLink;
using Log = std::vector<std::string>;

struct Fixture {
  Fixture(int ARows, int ABufferCount) : link(log), events(ds, log) {
    dbtest::FillNumbered(ds, ARows);
    source.SetDataSet(&ds);
    link.SetBufferCount(ABufferCount);
    link.SetDataSource(&source);
  }
  int Id() { return ds.FieldByName("ID")->AsInteger(); }

  EventLog log;
  TMemDataSet ds{nullptr};
  TDataSource source{nullptr};
  RecordingLink link;
  DataSetEvents events;
};

TEST(MemRows, LoadingChecksColumnsAndValues) {
  TMemDataSet ds(nullptr);
  EXPECT_THROW(ds.AddRow({1}), EDatabaseError) << "no columns yet";
  ds.AddFieldDef("ID", ftInteger);
  ds.AddFieldDef("Small", ftSmallint);
  ds.AddFieldDef("When", ftDateTime);
  EXPECT_THROW(ds.AddFieldDef("Id", ftString), EDatabaseError) << "names are case-insensitive";
  EXPECT_THROW(ds.AddFieldDef("", ftString), EDatabaseError);
  EXPECT_THROW(ds.AddRow({1, 2, 3.0, 4}), EDatabaseError) << "more values than columns";
  EXPECT_THROW(ds.AddRow({VarArrayOf({1, 2})}), EDatabaseError) << "only a text of another kind is kept";
  EXPECT_THROW(ds.AddRow({1, 40000}), EDatabaseError);
  ds.AddRow({"2", std::int64_t(3)});
  EXPECT_EQ(ds.RowCount(), 1u) << "failed rows leave nothing behind";
  EXPECT_THROW(ds.AddFieldDef("More", ftString), EDatabaseError) << "columns are fixed once rows exist";
  ds.Open();
  EXPECT_EQ(VarType(ds.Fields(0)->Value()), varInteger);
  EXPECT_EQ(ds.Fields(1)->AsInteger(), 3);
  EXPECT_TRUE(ds.Fields(2)->IsNull());
  EXPECT_THROW(ds.AddRow({5}), EDatabaseError);
  EXPECT_THROW(ds.ClearRows(), EDatabaseError);
  ds.Close();
  ds.ClearRows();
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
}

TEST(MemCursor, OpenAndCloseInOrder) {
  Fixture f(10, 3);
  f.ds.Open();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeOpen", "ActiveChanged(1)", "AfterOpen", "AfterScroll"}));
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_TRUE(f.ds.Bof());
  EXPECT_FALSE(f.ds.Eof());
  EXPECT_EQ(f.ds.BufferCount(), 3);
  EXPECT_EQ(f.link.RecordCount(), 3);
  EXPECT_EQ(f.link.ActiveRecord(), 0);
  EXPECT_EQ(f.ds.RecordCount(), 10);
  EXPECT_EQ(f.ds.RecNo(), 1);
  EXPECT_TRUE(f.ds.DefaultFields());
  EXPECT_EQ(f.ds.FieldCount(), 2);
  f.ds.Close();
  EXPECT_EQ(f.ds.FieldCount(), 0) << "the fields made at opening go with closing";
  EXPECT_EQ(f.log.Take(), (Log{"BeforeClose", "ActiveChanged(0)", "AfterClose"}));
  f.ds.Open();
  f.log.Take();
  f.ds.Close();
  EXPECT_FALSE(f.link.Active());
  EXPECT_EQ(f.link.RecordCount(), 0);
  EXPECT_THROW(f.ds.Next(), EDatabaseError);
  EXPECT_THROW(f.ds.FieldByName("ID")->Value(), EDatabaseError) << "a closed dataset has no current record";
}

TEST(MemCursor, EmptyDataSetIsBofAndEof) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("ID", ftInteger);
  ds.Open();
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_TRUE(ds.Bof() && ds.Eof());
  EXPECT_EQ(ds.MoveBy(3), 0);
  EXPECT_TRUE(ds.FieldByName("ID")->IsNull());
  EXPECT_THROW(ds.Delete(), EDatabaseError);
  TMemDataSet noColumns(nullptr);
  EXPECT_THROW(noColumns.Open(), EDatabaseError);
  EXPECT_FALSE(noColumns.Active());
}

// Each step: the move, what MoveBy answered, the record reached, where it sits in the window, and what the
// link heard. The window is three records of ten.
TEST(MemCursor, ScrollingInAndOutOfTheWindow) {
  Fixture f(10, 3);
  RecordingLink narrow(f.log, "B:");
  narrow.SetDataSource(&f.source);
  f.ds.Open();
  f.log.Take();
  struct Step {
    int distance, moved, id, active;
    Log events;
  } steps[] = {
      {1, 1, 2, 1, {"BeforeScroll", "DataSetScrolled(0)", "B:DataSetScrolled(1)", "AfterScroll"}},
      {1, 1, 3, 2, {"BeforeScroll", "DataSetScrolled(0)", "B:DataSetScrolled(1)", "AfterScroll"}},
      {1, 1, 4, 2, {"BeforeScroll", "DataSetScrolled(1)", "B:DataSetScrolled(1)", "AfterScroll"}},
      {5, 5, 9, 2, {"BeforeScroll", "DataSetScrolled(5)", "B:DataSetScrolled(5)", "AfterScroll"}},
      {5, 1, 10, 2, {"BeforeScroll", "DataSetScrolled(1)", "B:DataSetScrolled(1)", "AfterScroll"}},
      {1, 0, 10, 2, {"BeforeScroll"}},
      {-1, -1, 9, 1, {"BeforeScroll", "DataSetScrolled(0)", "B:DataSetScrolled(-1)", "AfterScroll"}},
      {-3, -3, 6, 0, {"BeforeScroll", "DataSetScrolled(-2)", "B:DataSetScrolled(-3)", "AfterScroll"}},
      {-9, -5, 1, 0, {"BeforeScroll", "DataSetScrolled(-5)", "B:DataSetScrolled(-5)", "AfterScroll"}},
      {-1, 0, 1, 0, {"BeforeScroll"}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE("MoveBy(" + std::to_string(s.distance) + ") to " + std::to_string(s.id));
    EXPECT_EQ(f.ds.MoveBy(s.distance), s.moved);
    EXPECT_EQ(f.Id(), s.id);
    EXPECT_EQ(f.link.ActiveRecord(), s.active);
    EXPECT_EQ(narrow.ActiveRecord(), 0);
    EXPECT_EQ(f.log.Take(), s.events);
  }
  EXPECT_TRUE(f.ds.Bof());
  f.ds.Last();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeScroll", "DataSetChanged", "B:DataSetChanged", "AfterScroll"}));
  EXPECT_TRUE(f.ds.Eof());
  EXPECT_EQ(f.Id(), 10);
  EXPECT_EQ(f.link.ActiveRecord(), 2);
  f.ds.First();
  EXPECT_EQ(f.Id(), 1);
  EXPECT_EQ(f.link.ActiveRecord(), 0);
}

TEST(MemCursor, PageScrollMovesTheBufferEdge) {
  Fixture f(100, 10);
  f.ds.Open();
  f.ds.MoveBy(2);
  f.log.Take();
  // From the third of ten buffered rows, a move of 3 + 10 - 2 - 1 brings three new rows into the window.
  EXPECT_EQ(f.ds.MoveBy(10), 10);
  EXPECT_EQ(f.log.Take(), (Log{"BeforeScroll", "DataSetScrolled(3)", "AfterScroll"}));
  EXPECT_EQ(f.link.ActiveRecord(), 9);
  EXPECT_EQ(f.ds.RecNo(), 13);
  EXPECT_EQ(f.ds.MoveBy(-12), -12);
  EXPECT_EQ(f.log.Take(), (Log{"BeforeScroll", "DataSetScrolled(-3)", "AfterScroll"}));
  EXPECT_EQ(f.link.ActiveRecord(), 0);
  EXPECT_EQ(f.ds.RecNo(), 1);
}

TEST(MemCursor, LinkReadsEveryBufferedRecord) {
  Fixture f(20, 1);
  f.ds.Open();
  f.ds.MoveBy(4);
  f.link.SetBufferCount(5);
  EXPECT_EQ(f.ds.BufferCount(), 5);
  ASSERT_EQ(f.link.RecordCount(), 5);
  int active = f.link.ActiveRecord();
  std::vector<int> shown;
  for (int i = 0; i < f.link.RecordCount(); ++i) {
    f.link.SetActiveRecord(i);
    shown.push_back(f.Id());
  }
  f.link.SetActiveRecord(active);
  EXPECT_EQ(f.Id(), 5);
  EXPECT_EQ(shown[std::size_t(active)], 5);
  for (std::size_t i = 1; i < shown.size(); ++i)
    EXPECT_EQ(shown[i], shown[i - 1] + 1);
  EXPECT_THROW(f.ds.SetActiveRecord(5), EDatabaseError);
  EXPECT_THROW(f.link.SetBufferCount(0), EDatabaseError);
}

TEST(MemCursor, RecNoJumpsAndLargeWalks) {
  TMemDataSet ds(nullptr);
  dbtest::FillNumbered(ds, 50000);
  ds.Open();
  ds.SetRecNo(40000);
  EXPECT_EQ(ds.FieldByName("ID")->AsInteger(), 40000);
  EXPECT_EQ(ds.RecNo(), 40000);
  EXPECT_THROW(ds.SetRecNo(50001), EDatabaseError);
  EXPECT_THROW(ds.SetRecNo(0), EDatabaseError);
  EXPECT_TRUE(ds.Locate("ID", 49999, {}));
  EXPECT_EQ(ds.RecNo(), 49999);
  EXPECT_EQ(dbtest::WalkIds(ds).size(), 50000u);
}

TEST(MemCursor, DisableAndEnableControls) {
  Fixture f(10, 1);
  f.ds.Open();
  f.log.Take();
  f.ds.DisableControls();
  f.ds.DisableControls();
  f.ds.Next();
  f.ds.Edit();
  f.ds.FieldByName("Name")->SetAsString("x");
  f.ds.Post();
  EXPECT_EQ(f.log.Take(),
            (Log{"BeforeScroll", "AfterScroll", "BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}))
      << "links hear nothing while controls are disabled";
  f.ds.EnableControls();
  EXPECT_TRUE(f.ds.ControlsDisabled());
  EXPECT_TRUE(f.log.Take().empty());
  f.ds.EnableControls();
  EXPECT_EQ(f.log.Take(), (Log{"DataSetChanged"}));
  f.ds.EnableControls();
  EXPECT_TRUE(f.log.Take().empty()) << "an unmatched enable does nothing";

  // Closing and reopening under disabled controls: the links hear that the dataset went away at once and
  // get a layout change when controls come back.
  f.ds.DisableControls();
  f.ds.Close();
  f.ds.Open();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeClose", "DisabledStateChange(0)", "AfterClose", "BeforeOpen",
                               "AfterOpen", "AfterScroll"}));
  f.ds.EnableControls();
  EXPECT_EQ(f.log.Take(), (Log{"LayoutChanged"}));

  f.ds.DisableControls();
  f.ds.Close();
  f.log.Take();
  f.ds.EnableControls();
  EXPECT_EQ(f.log.Take(), (Log{"ActiveChanged(0)"}));
}

TEST(MemCursor, DataSourceStateAndEnabled) {
  Fixture f(3, 1);
  struct SourceEvents : TObject {
    std::vector<std::string> seen;
    void State(TObject* ASender) {
      seen.push_back("state " + std::to_string(static_cast<TDataSource*>(ASender)->State()));
    }
    void Data(TObject*, TField* AField) {
      seen.push_back("data " + (AField ? AField->FieldName : AnsiString("nil")));
    }
    void Update(TObject*) { seen.push_back("update"); }
  } handlers;
  f.source.OnStateChange = TNotifyEvent(&handlers, &SourceEvents::State);
  f.source.OnDataChange = TDataChangeEvent(&handlers, &SourceEvents::Data);
  f.source.OnUpdateData = TNotifyEvent(&handlers, &SourceEvents::Update);
  f.ds.Open();
  f.ds.Next();
  f.ds.Edit();
  f.ds.FieldByName("Name")->SetAsString("x");
  f.ds.Post();
  EXPECT_EQ(handlers.seen, (std::vector<std::string>{"state 1", "data nil", "state 2", "data nil",
                                                     "data Name", "update", "state 1", "data nil"}));
  f.source.OnStateChange = nullptr;
  f.source.OnDataChange = nullptr;
  f.source.OnUpdateData = nullptr;
  EXPECT_EQ(f.source.State(), dsBrowse);
  f.log.Take();
  f.source.SetEnabled(false);
  EXPECT_EQ(f.log.Take(), (Log{"ActiveChanged(0)"}));
  f.ds.Next();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeScroll", "AfterScroll"}));
  f.source.SetEnabled(true);
  EXPECT_EQ(f.log.Take(), (Log{"ActiveChanged(1)"}));
  f.source.AutoEdit = false;
  f.link.Edit();
  EXPECT_EQ(f.ds.State(), dsBrowse);
  f.source.AutoEdit = true;
  EXPECT_TRUE(f.link.Edit());
  EXPECT_EQ(f.ds.State(), dsEdit);
  {
    TDataSource other(nullptr);
    RecordingLink moved(f.log, "M:");
    moved.SetDataSource(&other);
    other.SetDataSet(&f.ds);
    EXPECT_TRUE(moved.Active());
    EXPECT_TRUE(moved.Editing());
  }
  EXPECT_EQ(f.ds.DataSourceCount(), 1) << "a freed source leaves its dataset";
}

TEST(MemCursor, LinksLeavingDuringANotification) {
  EventLog log;
  TMemDataSet ds(nullptr);
  dbtest::FillNumbered(ds, 3);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  struct Leaver : RecordingLink {
    using RecordingLink::RecordingLink;
    TDataLink* Other = nullptr;
    void DataSetChanged() override {
      RecordingLink::DataSetChanged();
      Other->SetDataSource(nullptr);
      SetDataSource(nullptr);
    }
  } first(log, "A:");
  auto second = std::make_unique<RecordingLink>(log, "B:");
  first.Other = second.get();
  first.SetDataSource(&source);
  second->SetDataSource(&source);
  ds.Open();
  log.Take();
  ds.Last();
  EXPECT_EQ(log.Take(), (Log{"A:DataSetChanged", "B:ActiveChanged(0)", "A:ActiveChanged(0)"}))
      << "a link taken away before its turn hears nothing more";
  EXPECT_EQ(source.DataLinkCount(), 0);
  second.reset();
  ds.First();
}

TEST(MemCursor, FreedDataSetLeavesItsSources) {
  EventLog log;
  TDataSource source(nullptr);
  RecordingLink link(log);
  link.SetDataSource(&source);
  {
    TMemDataSet ds(nullptr);
    dbtest::FillNumbered(ds, 2);
    source.SetDataSet(&ds);
    ds.Open();
    log.Take();
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(log.Take(), (Log{"ActiveChanged(0)"}));
}

} // namespace
