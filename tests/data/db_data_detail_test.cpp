// The dataset controller against datasets that program code drives at the same time: inserts made in the
// dataset, details that share one dataset, masters that refuse or fail a row change, grid-mode detail rows.
#include <gtest/gtest.h>

#include <algorithm>
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
  bool CanChangeFocusedRow() override {
    return !RefuseRowChange && TcxDBDataController::CanChangeFocusedRow();
  }
  bool CanFocusRecord(int ARecordIndex) override {
    return !RefuseFocus && TcxDBDataController::CanFocusRecord(ARecordIndex);
  }
  bool RefuseRowChange = false;
  bool RefuseFocus = false;
};

using dbtest::kWords;

// Forms of the words: word 2 has three, word 5 one, word 7 two, the others none.
const struct {
  int Id, WordId;
  const char* Form;
} kForms[] = {{1, 2, "oxorepe"}, {2, 2, "oxoris"}, {3, 2, "oxorce"},
              {4, 5, "mjorepe"}, {5, 7, "zugepe"}, {6, 7, "zugas"}};

// Words (id, word, score) and their forms, in memory or in one SQLite database. The forms query runs per
// word in SQL mode, or reads every form.
struct Data {
  Data(bool ASQLite, bool AFormsBySQL) : SQLite(ASQLite) {
    if (SQLite) {
      conn.FileName = ":memory:";
      conn.Open();
      conn.ExecSQL("CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT, score REAL);" +
                   dbtest::WordRowsSQL() + dbtest::FormsTableSQL(kForms));
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&conn);
      q->SetSQL("SELECT id, word, score FROM words ORDER BY id");
      words.reset(q);
      auto* fq = new TSQLiteQuery(nullptr);
      fq->SetConnection(&conn);
      if (AFormsBySQL) {
        fq->SetSQL("SELECT id, word_id, form FROM forms WHERE word_id = :word_id ORDER BY id");
        fq->Params()->SetParamValues("word_id", 0);
      } else {
        fq->SetSQL("SELECT id, word_id, form FROM forms ORDER BY id");
      }
      forms.reset(fq);
    } else {
      words.reset(dbtest::MemoryWords());
      auto* fm = new TMemDataSet(nullptr);
      fm->AddFieldDef("id", ftInteger);
      fm->AddFieldDef("word_id", ftInteger);
      fm->AddFieldDef("form", ftString, 20);
      for (const auto& f : kForms)
        fm->AddRow({f.Id, f.WordId, f.Form});
      forms.reset(fm);
    }
    wordSource.SetDataSet(words.get());
    formSource.SetDataSet(forms.get());
  }
  bool SQLite;
  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> words;
  std::unique_ptr<TDataSet, TObjectDeleter> forms;
  TDataSource wordSource{nullptr};
  TDataSource formSource{nullptr};
};

void BindWords(Controller& AController, TDataSource& ASource) {
  AController.SetDataSource(&ASource);
  AController.ChangeFieldName(0, "id");
  AController.ChangeFieldName(1, "word");
  AController.ChangeFieldName(2, "score");
}

// A detail of forms: item 0 the form's id, item 1 the form.
void BindForms(Controller& AController, Data& AData, bool ABySQL) {
  AController.SetDataSource(&AData.formSource);
  AController.ChangeFieldName(0, "id");
  AController.ChangeFieldName(1, "form");
  AController.DataModeController().DetailInSQLMode = ABySQL;
  AController.SetDetailKeyFieldNames("word_id");
  AController.SetMasterKeyFieldNames("id");
}

std::vector<std::string> Column(TcxCustomDataController& AController, int AItem) {
  std::vector<std::string> values;
  for (int r = 0; r < AController.GetRecordCount(); ++r)
    values.push_back(VarToStr(AController.GetValue(r, AItem)));
  return values;
}

std::vector<std::string> Strings(std::initializer_list<const char*> AList) {
  return std::vector<std::string>(AList.begin(), AList.end());
}

void InitUnits() {
  cxDBFilterInitialize();
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
  RegisterSQLiteQueryProperties();
}

class DBDataDetail : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() { InitUnits(); }
};

TEST_P(DBDataDetail, AnInsertMadeInTheDataSetIsTheControllersNewRowUntilPostedOrCancelled) {
  const struct {
    const char* Name;
    bool Append;
    bool Post;
    bool Show;       // the controller shows dataset inserts
    bool Controller; // the controller posts or cancels rather than the dataset
  } cases[] = {{"insert, post", false, true, true, false},
               {"insert, cancel", false, false, true, false},
               {"append, post", true, true, true, false},
               {"append, cancel", true, false, true, false},
               {"insert, controller posts", false, true, true, true},
               {"append, controller cancels", true, false, true, true},
               {"hidden insert", false, true, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Data d(GetParam(), false);
    Controller dc(3);
    BindWords(dc, d.wordSource);
    dc.DataModeController().ShowDataSetInserts = c.Show;
    d.words->Open();
    int inserts = 0;
    struct Counter {
      int& Count;
      void Inserted(TcxCustomDataController*) { ++Count; }
    } counter{inserts};
    dc.OnAfterInsert = TcxDataControllerNotifyEvent(&counter, &Counter::Inserted);
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(3));
    std::vector<std::string> before = Column(dc, 1);

    c.Append ? d.words->Append() : d.words->Insert();
    EXPECT_TRUE(dc.GetEditState() & dceInsert);
    if (!c.Show) {
      EXPECT_EQ(dc.GetRecordCount(), 10);
      EXPECT_EQ(inserts, 0);
      d.words->Cancel();
      continue;
    }
    int row = c.Append ? 10 : 3;
    ASSERT_EQ(dc.GetRecordCount(), 11);
    EXPECT_EQ(dc.Provider().EditingRecordIndex(), row);
    EXPECT_EQ(dc.GetFocusedRecordIndex(), row);
    EXPECT_EQ(VarToStr(dc.GetValue(row, 1)), "");
    EXPECT_EQ(VarToStr(dc.GetValue(c.Append ? 9 : 4, 1)), c.Append ? "dixa" : "cari");
    EXPECT_EQ(inserts, 1);

    // Values set by program code show in the row; the controller's own edits reach the dataset.
    d.words->FieldByName("id")->SetAsVariant(11);
    d.words->FieldByName("word")->SetAsVariant("nena");
    EXPECT_EQ(VarToStr(dc.GetValue(row, 1)), "nena");
    EXPECT_TRUE(dc.SetEditValue(2, 7.5, evsValue));
    EXPECT_EQ(VarToStr(d.words->FieldByName("score")->Value()), VarToStr(Variant(7.5)));
    EXPECT_EQ(VarToStr(dc.GetValue(row, 2)), VarToStr(Variant(7.5)));

    if (c.Controller)
      c.Post ? dc.Post() : dc.Cancel();
    else
      c.Post ? d.words->Post() : d.words->Cancel();
    EXPECT_EQ(d.words->State(), dsBrowse);
    EXPECT_EQ(dc.GetEditState(), 0);
    EXPECT_EQ(dc.Provider().EditingRecordIndex(), cxNoRecord);
    std::vector<std::string> after = Column(dc, 1);
    if (c.Post) {
      ASSERT_EQ(after.size(), 11u);
      EXPECT_EQ(std::count(after.begin(), after.end(), "nena"), 1);
      ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
      EXPECT_EQ(VarToStr(dc.GetValue(dc.GetFocusedRecordIndex(), 1)), "nena");
    } else {
      EXPECT_EQ(after, before);
      ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
      EXPECT_EQ(VarToStr(dc.GetValue(dc.GetFocusedRecordIndex(), 1)),
                VarToStr(d.words->FieldByName("word")->Value()));
    }
  }
}

TEST_P(DBDataDetail, AControllerBoundToAnInsertingDataSetTakesTheInsertAsItsNewRow) {
  for (bool grid : {false, true}) {
    SCOPED_TRACE(grid);
    Data d(GetParam(), false);
    d.words->Open();
    d.words->Last();
    d.words->Append();
    d.words->FieldByName("id")->SetAsVariant(11);
    Controller dc(3);
    dc.DataModeController().SetGridMode(grid);
    BindWords(dc, d.wordSource);
    int row = dc.Provider().EditingRecordIndex();
    ASSERT_GE(row, 0);
    EXPECT_EQ(dc.GetFocusedRecordIndex(), row);
    EXPECT_EQ(VarToStr(dc.GetValue(row, 0)), "11");
    EXPECT_TRUE(dc.GetEditState() & dceInsert);
    EXPECT_TRUE(dc.SetEditValue(1, "nena", evsValue));
    dc.Post();
    EXPECT_EQ(dc.GetEditState(), 0);
    EXPECT_EQ(VarToStr(dc.GetValue(dc.GetFocusedRecordIndex(), 1)), "nena");
  }
}

TEST_P(DBDataDetail, AnEditMadeInTheDataSetShowsInTheControllersRowUntilCancelled) {
  Data d(GetParam(), false);
  Controller dc(3);
  BindWords(dc, d.wordSource);
  d.words->Open();
  ASSERT_TRUE(dc.ChangeFocusedRowIndex(3));
  d.words->Edit();
  EXPECT_TRUE(dc.GetEditState() & dceEdit);
  EXPECT_EQ(dc.Provider().EditingRecordIndex(), 3);
  d.words->FieldByName("word")->SetAsVariant("kati");
  EXPECT_EQ(VarToStr(dc.GetValue(3, 1)), "kati");
  EXPECT_EQ(VarToStr(dc.GetValue(4, 1)), "ay");
  // A reload meanwhile must not walk the dataset, which would post the edit behind the program's back.
  dc.ReloadData();
  dc.ChangeFieldName(2, "score");
  EXPECT_EQ(d.words->State(), dsEdit);
  d.words->Cancel();
  EXPECT_EQ(dc.GetEditState(), 0);
  EXPECT_EQ(dc.GetRecordCount(), 10);
  EXPECT_EQ(VarToStr(dc.GetValue(3, 1)), "cari");
  EXPECT_EQ(VarToStr(d.words->Lookup("id", 4, "word")), "cari");

  // The dataset moved on its own: the edit shows in the record it stands on, and only there.
  d.words->DisableControls();
  d.words->SetRecNo(8);
  d.words->EnableControls();
  ASSERT_EQ(dc.GetFocusedRecordIndex(), 7);
  d.words->Edit();
  d.words->FieldByName("word")->SetAsVariant("zugax");
  EXPECT_EQ(VarToStr(dc.GetValue(7, 1)), "zugax");
  EXPECT_EQ(VarToStr(dc.GetValue(3, 1)), "cari");
  d.words->Post();
  EXPECT_EQ(VarToStr(dc.GetValue(7, 1)), "zugax");
}

TEST_P(DBDataDetail, InGridModeTheBufferRowOfTheInsertIsTheRowBeingInserted) {
  Data d(GetParam(), false);
  Controller dc(3);
  BindWords(dc, d.wordSource);
  dc.DataModeController().SetGridModeBufferCount(4);
  dc.DataModeController().SetGridMode(true);
  d.words->Open();
  ASSERT_EQ(dc.GetRecordCount(), 4);
  d.words->Append();
  int row = dc.GetFocusedRecordIndex();
  ASSERT_GE(row, 0);
  EXPECT_TRUE(dc.GetEditState() & dceInsert);
  EXPECT_EQ(dc.Provider().EditingRecordIndex(), row);
  EXPECT_EQ(row, dc.DBProvider().DataLink().ActiveRecord());
  EXPECT_LE(dc.GetRecordCount(), 4) << "the new record takes a row of the buffer, no row is added";
  d.words->FieldByName("id")->SetAsVariant(11);
  d.words->FieldByName("word")->SetAsVariant("nena");
  d.words->Post();
  EXPECT_EQ(dc.GetEditState(), 0);
  EXPECT_EQ(VarToStr(dc.GetValue(dc.GetFocusedRecordIndex(), 1)), "nena");
}

// A master of words with a detail of forms hung on it through a dataset relation.
struct MasterDetail {
  explicit MasterDetail(bool ASQLite) : d(ASQLite, false) {
    BindWords(master, d.wordSource);
    d.words->Open();
    BindForms(detail, d, false);
    d.forms->Open();
    relation = master.Relations().Add(master.Items[1].get());
  }
  Data d;
  Controller master{3};
  Controller detail{2};
  TcxCustomDataRelation* relation;
};

TEST_P(DBDataDetail, ADetailChangesRowsOnlyWithItsMastersLeaveAndPostsTheMastersEdit) {
  const struct {
    const char* Name;
    bool Refuse;      // the master refuses a row change
    bool Edit;        // the master edits its focused record first
    bool FailingPost; // the master's edit cannot be posted
    bool Moved;       // the detail reaches its row
  } cases[] = {{"free", false, false, false, true},
               {"refused", true, false, false, false},
               {"posts the master", false, true, false, true},
               {"master post fails", false, true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    MasterDetail md(GetParam());
    md.detail.SetMasterRelation(md.relation, 1);
    ASSERT_EQ(Column(md.detail, 1), Strings({"oxorepe", "oxoris", "oxorce"}));
    ASSERT_EQ(md.detail.GetFocusedRecordIndex(), 0);
    ASSERT_TRUE(md.master.ChangeFocusedRecordIndex(1));
    md.master.RefuseRowChange = c.Refuse;
    if (c.Edit) {
      md.master.Edit();
      ASSERT_EQ(md.d.words->State(), dsEdit);
      md.d.words->FieldByName("word")->Required = c.FailingPost;
      md.d.words->FieldByName("word")->SetAsVariant(c.FailingPost ? Variant(Null) : Variant("oxorix"));
    }
    if (c.FailingPost) {
      EXPECT_THROW(md.detail.ChangeFocusedRecordIndex(2), EDatabaseError);
      EXPECT_EQ(md.d.words->State(), dsEdit) << "the failed post keeps the master's edit";
    } else {
      EXPECT_EQ(md.detail.ChangeFocusedRecordIndex(2), c.Moved);
    }
    EXPECT_EQ(md.detail.GetFocusedRecordIndex(), c.Moved ? 2 : 0);
    EXPECT_EQ(VarToStr(md.d.forms->FieldByName("form")->Value()), c.Moved ? "oxorce" : "oxorepe");
    if (c.Edit && !c.FailingPost) {
      EXPECT_EQ(md.d.words->State(), dsBrowse);
      EXPECT_EQ(VarToStr(md.master.GetValue(1, 1)), "oxorix");
    }
    if (c.FailingPost)
      md.d.words->Cancel();
  }
}

TEST_P(DBDataDetail, AMasterWhosePostFreesTheDetailStopsTheRowChangeSafely) {
  MasterDetail md(GetParam());
  auto* detail = new Controller(2);
  BindForms(*detail, md.d, false);
  detail->SetMasterRelation(md.relation, 1);
  ASSERT_EQ(detail->GetRecordCount(), 3);
  struct Freer {
    Controller*& Detail;
    void BeforePost(TDataSet*) {
      delete Detail;
      Detail = nullptr;
    }
  } freer{detail};
  md.d.words->BeforePost = TDataSetNotifyEvent(&freer, &Freer::BeforePost);
  ASSERT_TRUE(md.master.ChangeFocusedRecordIndex(1));
  md.master.Edit();
  md.d.words->FieldByName("word")->SetAsVariant("oxorix");
  EXPECT_FALSE(detail->ChangeFocusedRecordIndex(1));
  EXPECT_EQ(detail, nullptr);
  EXPECT_EQ(md.d.words->State(), dsBrowse);
  EXPECT_EQ(VarToStr(md.master.GetValue(1, 1)), "oxorix");
}

TEST_P(DBDataDetail, AReloadOfTheDetailsOwnDataMovesItsMasterButNotWhileTheMasterMovesIt) {
  MasterDetail md(GetParam());
  ASSERT_TRUE(md.master.ChangeFocusedRecordIndex(8));
  // The master hands the detail another record: the detail follows and leaves the master alone.
  md.detail.SetMasterRelation(md.relation, 6);
  EXPECT_EQ(Column(md.detail, 1), Strings({"zugepe", "zugas"}));
  EXPECT_EQ(md.master.GetFocusedRecordIndex(), 8);
  EXPECT_EQ(VarToStr(md.d.words->FieldByName("word")->Value()), "kva");

  // The detail's own data changes: after the reload the master stands on the detail's master record.
  md.d.forms->Refresh();
  EXPECT_EQ(md.master.GetFocusedRecordIndex(), 6);
  EXPECT_EQ(VarToStr(md.d.words->FieldByName("word")->Value()), "tuta");
  EXPECT_TRUE(md.master.IsDetailExpanded(6));

  // Without detail synchronisation the master stays.
  ASSERT_TRUE(md.master.ChangeFocusedRecordIndex(2));
  md.detail.DataModeController().DetailSynchronization = false;
  md.d.forms->Refresh();
  EXPECT_EQ(md.master.GetFocusedRecordIndex(), 2);
}

TEST_P(DBDataDetail, ExpandingARecordsDetailsInGridModeFocusesTheRecordFirst) {
  const struct {
    const char* Name;
    bool GridMode;
    bool RefuseFocus;
    bool Expanded;
    int Focused; // the master's focused record afterwards
  } cases[] = {{"grid", true, false, true, 2},
               {"grid, focus refused", true, true, false, 0},
               {"not grid", false, false, true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    MasterDetail md(GetParam());
    md.master.DataModeController().SetGridModeBufferCount(5);
    md.master.DataModeController().SetGridMode(c.GridMode);
    ASSERT_TRUE(md.master.ChangeFocusedRecordIndex(0));
    md.master.ChangeDetailActiveRelationIndex(2, 0);
    md.master.RefuseFocus = c.RefuseFocus;
    EXPECT_EQ(md.master.ChangeDetailExpanding(2, true), c.Expanded);
    EXPECT_EQ(md.master.IsDetailExpanded(2), c.Expanded);
    EXPECT_EQ(md.master.GetFocusedRecordIndex(), c.Focused);
    EXPECT_EQ(VarToStr(md.d.words->FieldByName("word")->Value()), kWords[c.Focused]);
  }

  // The expanding event still has the last word.
  MasterDetail md(GetParam());
  md.master.DataModeController().SetGridMode(true);
  md.master.ChangeDetailActiveRelationIndex(3, 0);
  struct Refuser {
    void Expanding(TcxCustomDataController*, int, bool& AAllow) { AAllow = false; }
  } refuser;
  md.master.OnDetailExpanding = TcxDataDetailExpandingEvent(&refuser, &Refuser::Expanding);
  EXPECT_FALSE(md.master.ChangeDetailExpanding(3, true));
  EXPECT_FALSE(md.master.IsDetailExpanded(3));
  EXPECT_EQ(md.master.GetFocusedRecordIndex(), 3);
}

TEST_P(DBDataDetail, HasDetailChildrenLooksTheMasterKeyUpAndTheEventHasTheLastWord) {
  MasterDetail md(GetParam());
  EXPECT_FALSE(md.master.HasDetailChildren(1, 0)) << "no pattern detail yet: nothing to look in";
  md.detail.SetMasterRelation(md.relation, -1);
  ASSERT_EQ(md.relation->DetailDataController, &md.detail);
  const struct {
    int Record;
    bool Has;
  } cases[] = {{0, false}, {1, true}, {4, true}, {6, true}, {9, false}};
  for (const auto& c : cases)
    EXPECT_EQ(md.master.HasDetailChildren(c.Record, 0), c.Has) << c.Record;
  EXPECT_FALSE(md.master.HasDetailChildren(1, 1)) << "no such relation";
  EXPECT_THROW(md.master.HasDetailChildren(10, 0), EcxInvalidDataControllerOperation);

  struct Handler {
    std::vector<std::string> Seen;
    void HasChildren(TcxDBDataController*, int ARecord, bool& AHas, const Variant& AValues,
                     const AnsiString& ANames, int ARelation) {
      Seen.push_back(std::to_string(ARecord) + ":" + (AHas ? "y" : "n") + ":" + VarToStr(AValues) + ":" +
                     ANames + ":" + std::to_string(ARelation));
      if (ARecord == 6)
        AHas = false;
    }
  } handler;
  md.master.OnDetailHasChildren = TcxDBDataDetailHasChildrenEvent(&handler, &Handler::HasChildren);
  EXPECT_FALSE(md.master.HasDetailChildren(6, 0));
  EXPECT_FALSE(md.master.HasDetailChildren(2, 0));
  EXPECT_EQ(handler.Seen, Strings({"6:y:7:word_id:0", "2:n:3:word_id:0"}));
}

TEST(DBDataDetailSQL, ADetailQueryRunPerMasterRecordLeavesHasChildrenToTheEvent) {
  InitUnits();
  Data d(true, true);
  Controller master(3), detail(2);
  BindWords(master, d.wordSource);
  d.words->Open();
  BindForms(detail, d, true);
  d.forms->Open();
  TcxCustomDataRelation* relation = master.Relations().Add(master.Items[1].get());
  detail.SetMasterRelation(relation, -1);
  EXPECT_TRUE(master.HasDetailChildren(0, 0));
  EXPECT_TRUE(master.HasDetailChildren(1, 0));
}

TEST_P(DBDataDetail, NeedsGridModeReloadAnswersForDeferredReloadsBufferSizeAndAGridDetailLeavingItsMaster) {
  Data d(GetParam(), false);
  Controller dc(3);
  BindWords(dc, d.wordSource);
  d.words->Open();
  EXPECT_FALSE(dc.NeedsGridModeReload());
  dc.BeginUpdate();
  dc.CheckStructure();
  EXPECT_FALSE(dc.NeedsGridModeReload()) << "a deferred reload outside grid mode";
  dc.EndUpdate();

  dc.DataModeController().SetGridMode(true);
  EXPECT_FALSE(dc.NeedsGridModeReload());
  dc.BeginUpdate();
  dc.CheckStructure();
  EXPECT_TRUE(dc.NeedsGridModeReload());
  dc.AddChanges(dccData);
  dc.EndUpdate();
  EXPECT_FALSE(dc.NeedsGridModeReload());

  // While a new buffer size is read in, the controller's listeners hear that a reload is on.
  struct Listener {
    Controller& C;
    std::vector<bool> Seen;
    void Changed(TcxCustomDataController*) { Seen.push_back(C.NeedsGridModeReload()); }
  } listener{dc, {}};
  dc.OnDataChanged = TcxDataControllerNotifyEvent(&listener, &Listener::Changed);
  dc.DataModeController().SetGridModeBufferCount(3);
  ASSERT_FALSE(listener.Seen.empty());
  EXPECT_TRUE(listener.Seen.front());
  EXPECT_FALSE(dc.NeedsGridModeReload());
  EXPECT_EQ(dc.GetRecordCount(), 3);
  dc.OnDataChanged = TcxDataControllerNotifyEvent();

  // A grid-mode detail over every form: a scroll within its master's forms keeps the buffer, a scroll onto
  // another master's forms reads it again.
  Controller detail(2);
  BindForms(detail, d, false);
  detail.DataModeController().SetGridMode(true);
  d.forms->Open();
  detail.SetMasterKeyValues(2);
  ASSERT_EQ(Column(detail, 1), Strings({"oxorepe", "oxoris", "oxorce", "mjorepe", "zugepe", "zugas"}));
  TcxValueDef* def = detail.TcxCustomDataController::GetItemField(1)->ValueDef();
  detail.DataStorage().SetValue(5, def, "planted");
  const struct {
    int Moves;
    bool Needs;
    const char* Last;
  } steps[] = {{1, false, "planted"}, {1, false, "planted"}, {1, true, "zugas"}, {-1, false, "zugas"}};
  for (const auto& s : steps) {
    d.forms->MoveBy(s.Moves);
    EXPECT_EQ(detail.NeedsGridModeReload(), s.Needs) << VarToStr(d.forms->FieldByName("form")->Value());
    EXPECT_EQ(VarToStr(detail.GetValue(5, 1)), s.Last);
  }
  detail.DataModeController().DetailSynchronization = false;
  d.forms->MoveBy(1);
  EXPECT_FALSE(detail.NeedsGridModeReload()) << "an unsynchronised detail reads no master key";
}

// Two details of forms over one dataset, each for another word.
struct SharedForms {
  SharedForms(bool ASQLite) : d(ASQLite, ASQLite) {
    BindWords(master, d.wordSource);
    d.words->Open();
    BindForms(a, d, ASQLite);
    BindForms(b, d, ASQLite);
    d.forms->Open();
    a.SetMasterKeyValues(2);
    b.SetMasterKeyValues(7);
  }
  Data d;
  Controller master{3};
  Controller a{2};
  Controller b{2};
};

TEST_P(DBDataDetail, ADetailSharingTheDataSetWaitsWhileAnotherLoadsItAndClearDetailsReadsItAgain) {
  SharedForms s(GetParam());
  ASSERT_EQ(Column(s.a, 1), Strings({"oxorepe", "oxoris", "oxorce"}));
  ASSERT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));
  TcxValueDef* def = s.b.TcxCustomDataController::GetItemField(1)->ValueDef();
  s.b.DataStorage().SetValue(1, def, "planted");

  // A follows another word: B keeps its records, and the dataset stays on A's.
  s.a.SetMasterKeyValues(5);
  EXPECT_EQ(Column(s.a, 1), Strings({"mjorepe"}));
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "planted"}));
  EXPECT_EQ(VarToStr(s.d.forms->FieldByName("form")->Value()), "mjorepe");
  EXPECT_FALSE(s.d.forms->ControlsDisabled());
  ASSERT_EQ(s.a.DBProvider().DependentProviders().size(), 1u);
  EXPECT_EQ(s.a.DBProvider().DependentProviders()[0], &s.b.DBProvider());

  // A's ClearDetails reads B again and lets go of it; a second call finds nothing to do.
  s.a.ClearDetails();
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));
  EXPECT_TRUE(s.a.DBProvider().DependentProviders().empty());
  EXPECT_EQ(Column(s.a, 1), Strings({"mjorepe"}));
  s.a.ClearDetails();
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));

  // A takes word 2 again and B, read again, leaves the dataset on its own records: a focus change in A
  // brings the dataset back to the record A shows, not to the one as far from B's.
  s.a.SetMasterKeyValues(2);
  s.a.ClearDetails();
  ASSERT_EQ(VarToStr(s.d.forms->FieldByName("form")->Value()), "zugepe");
  ASSERT_EQ(s.a.GetFocusedRecordIndex(), 0);
  ASSERT_TRUE(s.a.ChangeFocusedRecordIndex(2));
  EXPECT_EQ(VarToStr(s.d.forms->FieldByName("form")->Value()), "oxorce");
  ASSERT_TRUE(s.a.ChangeFocusedRecordIndex(1));
  EXPECT_EQ(VarToStr(s.d.forms->FieldByName("form")->Value()), "oxoris");

  // Reopened under disabled controls, the dataset tells its links of a new layout only when enabled: A reads
  // its records and then those of the detail that waited on it.
  s.a.SetMasterKeyValues(5);
  ASSERT_EQ(s.a.DBProvider().DependentProviders().size(), 1u);
  s.b.DataStorage().SetValue(0, def, "planted");
  s.d.forms->DisableControls();
  s.d.forms->Close();
  s.d.forms->Open();
  s.d.forms->EnableControls();
  EXPECT_EQ(Column(s.a, 1), Strings({"mjorepe"}));
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));
  s.a.SetMasterKeyValues(2);

  // Close and open: both read their own records again.
  s.d.forms->Close();
  EXPECT_TRUE(s.a.DBProvider().DependentProviders().empty());
  EXPECT_EQ(s.a.GetRecordCount(), 0);
  EXPECT_EQ(s.b.GetRecordCount(), 0);
  s.d.forms->Open();
  EXPECT_EQ(Column(s.a, 1), Strings({"oxorepe", "oxoris", "oxorce"}));
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));
  EXPECT_FALSE(s.d.forms->ControlsDisabled());
}

TEST_P(DBDataDetail, ADependentThatGoesLeavesNoTraceAndClearDetailsDoesNotRunTwiceAtOnce) {
  SharedForms s(GetParam());
  {
    Controller c(2);
    BindForms(c, s.d, GetParam());
    c.SetMasterKeyValues(5);
    s.a.SetMasterKeyValues(7);
    auto& dependents = s.a.DBProvider().DependentProviders();
    EXPECT_NE(std::find(dependents.begin(), dependents.end(), &c.DBProvider()), dependents.end());
  }
  for (TcxDBDataProvider* p : s.a.DBProvider().DependentProviders())
    EXPECT_NE(p, nullptr);
  EXPECT_EQ(s.a.DBProvider().DependentProviders().size(), 1u) << "only B is left";
  EXPECT_NO_THROW(s.a.ClearDetails());

  // A handler of B that asks A to clear its details again while A is clearing them.
  s.a.SetMasterKeyValues(2);
  ASSERT_EQ(s.a.DBProvider().DependentProviders().size(), 1u);
  struct Reentry {
    Controller& A;
    int Calls = 0;
    void Changed(TcxCustomDataController*) {
      ++Calls;
      A.ClearDetails();
    }
  } reentry{s.a};
  s.b.OnDataChanged = TcxDataControllerNotifyEvent(&reentry, &Reentry::Changed);
  s.a.ClearDetails();
  s.b.OnDataChanged = TcxDataControllerNotifyEvent();
  EXPECT_GT(reentry.Calls, 0);
  EXPECT_EQ(Column(s.b, 1), Strings({"zugepe", "zugas"}));
}

TEST_P(DBDataDetail, APlainControllerSharingTheDataSetFollowsAnothersPositioningWithoutReadingItsRecords) {
  Data d(GetParam(), false);
  Controller a(3), b(3);
  BindWords(a, d.wordSource);
  BindWords(b, d.wordSource);
  d.words->Open();
  a.SetKeyFieldNames("id");
  b.SetKeyFieldNames("id");
  b.DataStorage().SetValue(2, b.TcxCustomDataController::GetItemField(1)->ValueDef(), "planted");
  for (int record : {6, 2, 9}) {
    ASSERT_TRUE(a.ChangeFocusedRecordIndex(record));
    EXPECT_EQ(b.GetFocusedRecordIndex(), record);
    EXPECT_EQ(VarToStr(b.GetValue(2, 1)), "planted");
  }
  EXPECT_TRUE(b.DBProvider().DependentProviders().empty());
  EXPECT_TRUE(a.DBProvider().DependentProviders().empty()) << "only details wait as dependents";
}

INSTANTIATE_TEST_SUITE_P(BothDataSets, DBDataDetail, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& AInfo) {
                           return AInfo.param ? std::string("SQLite") : std::string("Memory");
                         });

} // namespace
