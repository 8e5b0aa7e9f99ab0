#include "tests/db/db_test_util.h"

namespace {

using dbtest::DataSetEvents;
using dbtest::EventLog;
using dbtest::RecordingLink;
using Log = std::vector<std::string>;

struct Fixture {
  explicit Fixture(int ARows, int ABufferCount = 1) : link(log), events(ds, log) {
    dbtest::FillNumbered(ds, ARows);
    source.SetDataSet(&ds);
    link.SetBufferCount(ABufferCount);
    link.SetDataSource(&source);
    ds.Open();
    log.Take();
  }
  int Id() { return ds.FieldByName("ID")->AsInteger(); }
  TField* Name() { return ds.FieldByName("Name"); }

  EventLog log;
  TMemDataSet ds{nullptr};
  TDataSource source{nullptr};
  RecordingLink link;
  DataSetEvents events;
};

TEST(MemEdit, EditPostAndCancelInOrder) {
  Fixture f(5);
  f.ds.Next();
  f.log.Take();
  f.ds.Edit();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeEdit", "EditingChanged(1)", "RecordChanged(nil)", "AfterEdit"}));
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_FALSE(f.ds.Modified());
  f.Name()->SetAsString("iki");
  EXPECT_EQ(f.log.Take(), (Log{"RecordChanged(Name)"}));
  EXPECT_TRUE(f.ds.Modified());
  EXPECT_EQ(f.Name()->OldValue().AsString(), "n2");
  f.ds.Post();
  EXPECT_EQ(f.log.Take(),
            (Log{"UpdateData", "BeforePost", "EditingChanged(0)", "DataSetChanged", "AfterPost"}));
  EXPECT_EQ(f.Name()->AsString(), "iki");
  EXPECT_EQ(f.Id(), 2);

  f.ds.Edit();
  f.Name()->SetAsString("gone");
  f.log.Take();
  f.ds.Cancel();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeCancel", "EditingChanged(0)", "DataSetChanged", "AfterCancel"}));
  EXPECT_EQ(f.Name()->AsString(), "iki");

  f.ds.Edit();
  f.log.Take();
  f.ds.Next();
  EXPECT_EQ(f.log.Take(), (Log{"UpdateData", "BeforeCancel", "EditingChanged(0)", "DataSetChanged",
                               "AfterCancel", "BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}))
      << "moving away cancels an unmodified edit";
  f.ds.Edit();
  f.Name()->SetAsString("three");
  f.ds.Prior();
  f.ds.Next();
  EXPECT_EQ(f.Name()->AsString(), "three") << "moving away posts a modified edit";
  EXPECT_THROW(f.Name()->SetAsString("x"), EDatabaseError) << "not in edit mode";
}

TEST(MemEdit, InsertAppendAndNewRecord) {
  Fixture f(5, 3);
  f.ds.MoveBy(2);
  f.log.Take();
  f.ds.Insert();
  EXPECT_EQ(f.log.Take(), (Log{"BeforeInsert", "BeforeScroll", "EditingChanged(1)", "OnNewRecord",
                               "DataSetChanged", "AfterInsert", "AfterScroll"}));
  EXPECT_EQ(f.ds.State(), dsInsert);
  EXPECT_TRUE(f.ds.FieldByName("ID")->IsNull());
  EXPECT_EQ(f.ds.RecNo(), -1);
  EXPECT_EQ(f.ds.Bookmark(), "");
  EXPECT_FALSE(f.ds.BookmarkAvailable());
  f.ds.FieldByName("ID")->SetAsInteger(100);
  f.ds.Post();
  EXPECT_EQ(f.Id(), 100);
  EXPECT_EQ(f.ds.RecNo(), 3);
  EXPECT_EQ(dbtest::WalkIds(f.ds), (std::vector<int>{1, 2, 100, 3, 4, 5}));

  f.ds.Append();
  EXPECT_EQ(f.link.ActiveRecord(), 2) << "the appended record is shown below the last ones";
  f.ds.FieldByName("ID")->SetAsInteger(200);
  f.ds.Post();
  EXPECT_EQ(f.ds.RecNo(), 7);
  f.ds.AppendRecord({300, "son"});
  EXPECT_EQ(dbtest::WalkIds(f.ds), (std::vector<int>{1, 2, 100, 3, 4, 5, 200, 300}));

  f.ds.SetRecNo(2);
  f.ds.Insert();
  f.ds.Cancel();
  EXPECT_EQ(f.Id(), 2) << "a cancelled insert returns to the record it stood on";
  f.ds.Append();
  f.ds.Cancel();
  EXPECT_EQ(f.Id(), 300);
}

TEST(MemEdit, InsertIntoEmptyAndEditOfEmptyInserts) {
  TMemDataSet ds(nullptr);
  ds.AddFieldDef("ID", ftInteger);
  ds.Open();
  ds.Edit();
  EXPECT_EQ(ds.State(), dsInsert);
  ds.FieldByName("ID")->SetAsInteger(1);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_FALSE(ds.IsEmpty());
}

TEST(MemEdit, FailedPostKeepsTheEdit) {
  Fixture f(3);
  f.ds.Insert();
  f.Name()->SetAsString("adsiz");
  try {
    f.ds.Post();
    FAIL() << "a required field without value must not post";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("Field 'ID' must have a value"), std::string::npos) << e.what();
  }
  EXPECT_EQ(f.ds.State(), dsInsert);
  EXPECT_EQ(f.Name()->AsString(), "adsiz");
  f.ds.FieldByName("ID")->SetAsInteger(9);
  f.ds.Post();
  EXPECT_EQ(f.ds.RecordCount(), 4);

  struct Refuser : TObject {
    void Refuse(TDataSet*) { throw EDatabaseError("refused"); }
  } refuser;
  f.ds.BeforePost = TDataSetNotifyEvent(&refuser, &Refuser::Refuse);
  f.ds.Edit();
  f.Name()->SetAsString("x");
  EXPECT_THROW(f.ds.Post(), EDatabaseError);
  EXPECT_EQ(f.ds.State(), dsEdit);
  f.ds.Cancel();
  EXPECT_NE(f.Name()->AsString(), "x");
}

TEST(MemEdit, DeleteMovesToTheNextRecord) {
  Fixture f(4);
  f.ds.Next();
  f.log.Take();
  f.ds.Delete();
  EXPECT_EQ(f.log.Take(),
            (Log{"BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}));
  EXPECT_EQ(f.Id(), 3);
  f.ds.Last();
  f.ds.Delete();
  EXPECT_EQ(f.Id(), 3) << "deleting the last record lands on the one before";
  f.ds.Edit();
  f.ds.Delete();
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(dbtest::WalkIds(f.ds), (std::vector<int>{1}));
  f.ds.Insert();
  f.ds.Delete();
  EXPECT_EQ(f.ds.State(), dsBrowse) << "deleting a record being inserted cancels it";
  EXPECT_EQ(f.ds.RecordCount(), 1);
  f.ds.Delete();
  EXPECT_TRUE(f.ds.IsEmpty());
  EXPECT_THROW(f.ds.Delete(), EDatabaseError);
  f.ds.ReadOnly = true;
  EXPECT_THROW(f.ds.Insert(), EDatabaseError);
}

TEST(MemEdit, FieldChangeEventsAndValidation) {
  Fixture f(2);
  struct Handlers : TObject {
    int changes = 0;
    void Changed(TField*) { ++changes; }
    void Validate(TField* AField) {
      if (AField->AsString() == "bad")
        throw EDatabaseError("bad value");
    }
  } h;
  f.Name()->OnChange = TFieldNotifyEvent(&h, &Handlers::Changed);
  f.Name()->OnValidate = TFieldNotifyEvent(&h, &Handlers::Validate);
  f.ds.Edit();
  f.Name()->SetAsString("good");
  EXPECT_THROW(f.Name()->SetAsString("bad"), EDatabaseError);
  EXPECT_EQ(f.Name()->AsString(), "good") << "a refused value leaves the previous one";
  EXPECT_EQ(h.changes, 1);
  f.log.Take();
  f.Name()->FocusControl();
  EXPECT_EQ(f.log.Take(), (Log{"FocusControl(Name)"}));
  EXPECT_THROW(f.ds.FieldByName("ID")->SetAsString("12x"), EDatabaseError);
  f.ds.FieldByName("ID")->SetAsString("12");
  EXPECT_EQ(f.ds.FieldByName("ID")->Value().Type(), varInteger);
  EXPECT_EQ(f.Id(), 12);
}

TEST(MemEdit, UpdateDataRunsBeforePost) {
  struct WritingLink : RecordingLink {
    using RecordingLink::RecordingLink;
    void UpdateData() override {
      RecordingLink::UpdateData();
      DataSet()->FieldByName("Name")->SetAsString("from control");
    }
  };
  EventLog log;
  TMemDataSet ds(nullptr);
  dbtest::FillNumbered(ds, 1);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  WritingLink link(log);
  link.SetDataSource(&source);
  ds.Open();
  ds.Edit();
  log.Take();
  ds.Post();
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "from control");
  EXPECT_EQ(log.Take(), (Log{"UpdateData", "EditingChanged(0)", "DataSetChanged"}))
      << "the link's own write does not echo back to it as a record change";
}

} // namespace
