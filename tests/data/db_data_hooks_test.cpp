#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/db_test_util.h"

namespace {

using dbtest::Column;

using HookController = dbtest::ItemsController;

using dbtest::kWords;

struct Fixture : dbtest::Words {
  explicit Fixture(bool ASQLite) : Words(ASQLite, "word TEXT NOT NULL") { Bind(dc); }
  std::string Word(int ARecord) { return VarToStr(dc.GetValue(ARecord, 1)); }
  TcxCustomDataField* Field(int AItem) { return dc.TcxCustomDataController::GetItemField(AItem); }
  void Plant(int ARecord, const char* AWord) {
    dc.DataStorage().SetValue(ARecord, Field(1)->ValueDef(), AWord);
  }

  HookController dc{3};
  // What code holding the base controller or provider reaches.
  TcxCustomDataController& base = dc;
  TcxCustomDataProvider& provider = dc.Provider();
};

class DBHooks : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

TEST_P(DBHooks, TheFirstChangeCheckReadsTheStructureOnceTheFieldsAreReady) {
  Fixture f(GetParam());
  EXPECT_TRUE(f.base.IsDataLoaded()) << "records always come from the dataset";
  f.ds->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 10);
  f.Plant(0, "planted");
  EXPECT_FALSE(f.dc.IsActivated());
  f.base.CheckChanges();
  EXPECT_TRUE(f.dc.IsActivated());
  EXPECT_EQ(f.Word(0), "ev") << "the first check reads the records again";
  f.Plant(0, "planted");
  f.base.CheckChanges();
  EXPECT_EQ(f.Word(0), "planted") << "only the first check does";

  HookController unbound(1);
  unbound.CheckChanges();
  EXPECT_TRUE(unbound.IsActivated());
  EXPECT_EQ(unbound.GetRecordCount(), 0);
}

TEST_P(DBHooks, CurrentRecordAndSelectionKeyFollowTheDataSetInBothModes) {
  Fixture f(GetParam());
  f.ds->Open();
  f.ds->SetRecNo(6);
  EXPECT_EQ(f.base.GetCurrentRecordIndex(), 5);
  Variant key = f.base.GetSelectionKey(3);
  EXPECT_EQ(VarType(key), varInteger);
  EXPECT_EQ(key.AsInteger(), 3);

  f.dc.DataModeController().SetGridMode(true);
  f.dc.DataModeController().SetGridModeBufferCount(4);
  ASSERT_TRUE(f.dc.IsGridMode());
  for (int recNo : {1, 2, 9, 10, 5}) {
    SCOPED_TRACE(recNo);
    f.ds->SetRecNo(recNo);
    int current = f.base.GetCurrentRecordIndex();
    ASSERT_GE(current, 0);
    ASSERT_LT(current, f.dc.GetRecordCount());
    EXPECT_EQ(f.Word(current), kWords[recNo - 1]) << "the buffer row shows the dataset's record";
    EXPECT_EQ(current, f.dc.GetFocusedRecordIndex());
  }

  // Each buffer row's key is the dataset's bookmark of its record; reading them leaves the dataset be.
  std::set<std::string> keys;
  std::vector<Variant> rowKeys;
  std::vector<std::string> rowWords;
  for (int r = 0; r < f.dc.GetRecordCount(); ++r) {
    rowWords.push_back(f.Word(r));
    rowKeys.push_back(f.base.GetSelectionKey(r));
    EXPECT_EQ(VarType(rowKeys.back()), varString);
    keys.insert(VarToStr(rowKeys.back()));
  }
  EXPECT_EQ(f.ds->RecNo(), 5);
  EXPECT_EQ(keys.size(), rowKeys.size());
  for (int r = 0; r < int(rowKeys.size()); ++r) {
    f.ds->GotoBookmark(VarToStr(rowKeys[std::size_t(r)]));
    EXPECT_EQ(f.ds->FieldByName("word")->AsString(), rowWords[std::size_t(r)]) << r;
  }
  EXPECT_THROW(f.base.GetSelectionKey(f.dc.GetRecordCount()), EcxInvalidDataControllerOperation);
}

TEST_P(DBHooks, ExternalDataIsReadFromTheRecordsOwnRow) {
  Fixture f(GetParam());
  f.ds->Open();
  f.ds->SetRecNo(3);
  f.Plant(2, "planted2");
  f.Plant(5, "planted5");
  // Outside grid mode the dataset holds its current record only; others answer what was loaded.
  const struct {
    int Record;
    const char* Expected;
  } cases[] = {{2, "su"}, {5, "planted5"}, {0, "ev"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Record);
    Variant value;
    AnsiString text;
    f.provider.GetExternalDataValue(c.Record, f.Field(1), value);
    f.provider.GetExternalDataDisplayText(c.Record, f.Field(1), text);
    EXPECT_EQ(VarToStr(value), c.Expected);
    EXPECT_EQ(text, c.Expected);
  }
  Variant none = 1;
  f.provider.GetExternalDataValue(10, f.Field(1), none);
  EXPECT_TRUE(VarIsEmpty(none)) << "a record out of range has no value";

  f.dc.DataModeController().SetGridMode(true);
  f.dc.DataModeController().SetGridModeBufferCount(4);
  f.ds->SetRecNo(7);
  f.Plant(1, "stale");
  int active = f.ds->ActiveRecord();
  for (int r = 0; r < f.dc.GetRecordCount(); ++r) {
    SCOPED_TRACE(r);
    Variant value, score;
    f.provider.GetExternalDataValue(r, f.Field(1), value);
    f.provider.GetExternalDataValue(r, f.Field(2), score);
    int id = f.dc.GetValue(r, 0).AsInteger();
    EXPECT_EQ(VarToStr(value), kWords[id - 1]);
    EXPECT_DOUBLE_EQ(score.AsDouble(), (id - 1) * 1.5);
  }
  EXPECT_EQ(f.ds->ActiveRecord(), active);
  EXPECT_EQ(f.ds->RecNo(), 7);
}

TEST_P(DBHooks, ADetailKnowsItsDetailKeyItems) {
  Fixture f(GetParam());
  f.ds->Open();
  const struct {
    const char* Names;
    bool Keys[3];
  } cases[] = {{"id", {true, false, false}},
               {"id;score", {true, false, true}},
               {"missing", {false, false, false}},
               {"", {false, false, false}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Names);
    f.dc.SetDetailKeyFieldNames(c.Names);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(f.base.IsItemDetailKey(i), c.Keys[i]) << i;
      EXPECT_FALSE(f.base.IsItemMasterKey(i)) << i;
    }
  }
  f.dc.SetDetailKeyFieldNames("id");
  f.ds->Close();
  EXPECT_FALSE(f.base.IsItemDetailKey(0)) << "an unbound item is no key";
}

TEST_P(DBHooks, RemovingRecordsKeepsTheEditedRecordMarkerOnItsRecord) {
  const struct {
    int Removed;
    int Marker;
  } cases[] = {{2, 4}, {5, -1}, {8, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Removed);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames("id");
    f.dc.DataModeController().SetSmartRefresh(true);
    f.ds->SetRecNo(6);
    f.ds->Edit();
    auto& provider = f.dc.DBProvider();
    ASSERT_EQ(provider.LastEditedRecord(), 5);
    f.base.RemoveRecord(c.Removed);
    EXPECT_EQ(provider.LastEditedRecord(), c.Marker);
    if (c.Marker >= 0) {
      EXPECT_EQ(f.Word(c.Marker), "mjora");
    }
    f.ds->Cancel();
  }
}

TEST_P(DBHooks, AGridScrollReadsThePendingSelectionChangeAgain) {
  Fixture f(GetParam());
  f.dc.DataModeController().SetGridMode(true);
  f.dc.DataModeController().SetGridModeBufferCount(4);
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
  f.dc.SetFocusedRowSelected(false);
  f.dc.SetFocusedRowSelected(true);
  ASSERT_EQ(f.dc.SelectionChangePending(), 1);
  ASSERT_EQ(f.dc.SelectionChangePendingRow(), 2);
  f.provider.Scroll(1);
  EXPECT_EQ(f.ds->RecNo(), 5);
  EXPECT_EQ(f.dc.SelectionChangePending(), 1);
  EXPECT_EQ(f.dc.SelectionChangePendingRow(), f.dc.GetFocusedRowIndex());
  EXPECT_EQ(f.Word(f.dc.GetRowInfo(f.dc.SelectionChangePendingRow()).RecordIndex), "ay");
}

struct PostProbe {
  TcxDBDataController* Controller;
  int Active = -2, NewItem = -3;
  void BeforePost(TDataSet*) {
    Active = Controller->Provider().GetActiveRecordIndex();
    NewItem = Controller->GetNewItemRecordIndex();
  }
};

TEST_P(DBHooks, WhileTheNewItemRowPostsTheActiveRecordIsItsRecord) {
  Fixture f(GetParam());
  f.ds->Open();
  f.ds->SetRecNo(4);
  EXPECT_EQ(f.provider.GetActiveRecordIndex(), 3);
  f.dc.SetNewItemRowEnabled(true);
  f.dc.SetNewItemRowFocused(true);
  ASSERT_TRUE(f.dc.NewItemRowFocused());
  ASSERT_TRUE(f.dc.SetEditValue(1, "nena", evsValue));
  ASSERT_TRUE(f.dc.SetEditValue(0, 11, evsValue));
  PostProbe probe{&f.dc};
  f.ds->BeforePost = TDataSetNotifyEvent(&probe, &PostProbe::BeforePost);
  f.base.Post();
  EXPECT_EQ(probe.Active, probe.NewItem);
  EXPECT_LT(probe.NewItem, 0);
  ASSERT_EQ(f.dc.GetRecordCount(), 11);
  int focused = f.dc.GetFocusedRecordIndex();
  ASSERT_GE(focused, 0);
  EXPECT_EQ(f.Word(focused), "nena");
  EXPECT_EQ(f.provider.GetActiveRecordIndex(), focused) << "after the post the dataset's record again";
}

TEST_P(DBHooks, AReloadKeepsTheSelectionByKeyAndFocusWhereTheDataSetStands) {
  // How the dataset reloads: in place, or after it jumped elsewhere with its controls disabled.
  const struct {
    const char* Name;
    int JumpTo; // RecNo, 0: no jump
  } cases[] = {{"refresh in place", 0}, {"jump to the end", 10}, {"jump to the start", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Fixture f(GetParam());
    f.dc.SetKeyFieldNames("id");
    f.dc.SetMultiSelect(true);
    f.ds->Open();
    ASSERT_TRUE(f.dc.IsKeyNavigation());
    f.dc.ChangeSorting(1, soAscending);
    ASSERT_TRUE(f.dc.ChangeFocusedRecordIndex(4));
    f.dc.ClearSelection();
    f.dc.ChangeRowSelection(f.dc.GetRowIndexByRecordIndex(2, false), true);
    f.dc.ChangeRowSelection(f.dc.GetRowIndexByRecordIndex(7, false), true);
    ASSERT_EQ(f.dc.GetSelectedCount(), 2);
    if (c.JumpTo) {
      f.ds->DisableControls();
      f.ds->SetRecNo(c.JumpTo);
      f.ds->Refresh();
      f.ds->EnableControls();
    } else {
      f.ds->Refresh();
    }
    int recNo = c.JumpTo ? c.JumpTo : 5;
    EXPECT_EQ(f.ds->RecNo(), recNo) << "the reload leaves the dataset where it stands";
    ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), kWords[recNo - 1]);
    std::set<std::string> selected;
    for (int i = 0; i < f.dc.GetSelectedCount(); ++i)
      selected.insert(f.Word(f.dc.GetRowInfo(f.dc.GetSelectedRowIndex(i)).RecordIndex));
    EXPECT_EQ(selected, (std::set<std::string>{"su", "zuga"}));
  }
}

// An owner that counts its columns before it has added them all.
class DeclaredController : public TcxDBDataController {
public:
  explicit DeclaredController(std::vector<std::unique_ptr<Column>>& AColumns)
      : TcxDBDataController(nullptr), Columns(AColumns) {}
  TObject* GetItem(int AIndex) override { return Columns.at(std::size_t(AIndex)).get(); }
  int GetItemCount() override { return int(Columns.size()); }
  std::vector<std::unique_ptr<Column>>& Columns;
};

TEST_P(DBHooks, NamingFieldsWhileTheOwnerStillAddsItemsReadsTheStructureSafely) {
  Fixture f(GetParam());
  f.ds->Open();
  std::vector<std::unique_ptr<Column>> columns;
  for (int i = 0; i < 3; ++i)
    columns.push_back(std::make_unique<Column>());
  DeclaredController dc(columns);
  const char* names[] = {"id", "word", "score"};
  for (int i = 0; i < 3; ++i) {
    dc.AddItem(columns[std::size_t(i)].get());
    ASSERT_NO_THROW(dc.ChangeFieldName(i, names[i])) << i;
  }
  dc.SetDataSource(&f.source);
  ASSERT_EQ(dc.GetRecordCount(), 10);
  EXPECT_EQ(VarToStr(dc.GetValue(3, 1)), "cari");
}

INSTANTIATE_TEST_SUITE_P(DataSets, DBHooks, ::testing::Bool(),
                         [](const auto& AInfo) { return AInfo.param ? "SQLite" : "Memory"; });

TEST(DBHooksSQLite, RefreshExternalDataReadsWhatTheTableHoldsNow) {
  cxDBFilterInitialize();
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
  Fixture f(true);
  f.ds->Open();
  f.ds->SetRecNo(3);
  f.conn.ExecSQL("UPDATE words SET word = 'nena' WHERE id = 3");
  EXPECT_EQ(f.Word(2), "su");
  f.base.RefreshExternalData();
  EXPECT_EQ(f.Word(2), "nena");
  EXPECT_EQ(f.ds->RecNo(), 3);

  HookController unbound(1);
  EXPECT_NO_THROW(unbound.RefreshExternalData());
}

} // namespace
