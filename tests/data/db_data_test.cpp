#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "data/cxDBData.h"
#include "data/cxDBFilter.h"
#include "platform/db/SQLiteQuery.h"
#include "tests/data/custom_data_test_util.h"
#include "tests/data/db_test_util.h"

namespace {

using DBController = dbtest::ItemsController;

using dbtest::kWords;

// The same ten rows in either dataset; the query's table refuses duplicate words and keeps a note that refers
// to word 2.
struct Fixture : dbtest::Words {
  explicit Fixture(bool ASQLite)
      : Words(ASQLite, "word TEXT NOT NULL UNIQUE",
              "PRAGMA foreign_keys = ON;"
              "CREATE TABLE notes (id INTEGER PRIMARY KEY, word_id INTEGER REFERENCES words(id));"
              "INSERT INTO notes VALUES (1, 2);") {
    Bind(dc);
  }
  std::string Word(int ARecord) { return VarToStr(dc.GetValue(ARecord, 1)); }

  DBController dc{3};
};

class DBData : public ::testing::TestWithParam<bool> {
protected:
  static void SetUpTestSuite() {
    cxDBFilterInitialize();
    if (!DetailFilterAdapters())
      cxDBDataUnit.Initialization();
  }
};

TEST_P(DBData, OpenLoadsEveryRowWithTheFieldsTypesAndFocusFollowsTheDataSet) {
  Fixture f(GetParam());
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
  f.ds->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 10);
  EXPECT_EQ(f.Word(3), "cari");
  EXPECT_EQ(VarToStr(f.dc.GetValue(9, 0)), "10");
  // An SQLite integer column holds 64 bits; the in-memory id column is declared as 32.
  EXPECT_EQ(f.dc.GetItemValueTypeClass(0),
            GetParam() ? TcxLargeIntValueType::Instance() : TcxIntegerValueType::Instance());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(2), TcxFloatValueType::Instance());
  EXPECT_EQ(f.dc.GetItemField(1), f.ds->FieldByName("word"));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 0);

  // The dataset moves on its own: next, a jump, a move by more than is left.
  f.ds->Next();
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 1);
  f.ds->SetRecNo(7);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 6);
  EXPECT_EQ(f.ds->MoveBy(10), 3);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 9);
  f.ds->First();
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 0);

  // The controller moves the dataset.
  EXPECT_TRUE(f.dc.ChangeFocusedRowIndex(4));
  EXPECT_EQ(f.ds->RecNo(), 5);
  EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "ay");
  EXPECT_EQ(f.dc.GetDataSetRecordCount(), 10);
  f.ds->Close();
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
  EXPECT_EQ(f.dc.GetItemField(1), nullptr);
  EXPECT_THROW(f.dc.GetItemField(3), EcxInvalidDataControllerOperation);
}

TEST_P(DBData, SyncDataSetPosAnswersWhetherTheDataSetGotThere) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
  EXPECT_TRUE(f.dc.SyncDataSetPos(5));
  EXPECT_EQ(f.ds->RecNo(), 6) << "from active record 2 the dataset moves by 3";
  EXPECT_FALSE(f.dc.SyncDataSetPos(-1));
  EXPECT_FALSE(f.dc.SyncDataSetPos(12)) << "the data ends before record 12";
  EXPECT_EQ(f.ds->RecNo(), 10);
  f.dc.SetKeyFieldNames("id");
  EXPECT_TRUE(f.dc.SyncDataSetPos(3));
  EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 4);
}

TEST_P(DBData, KeyFieldsGiveRecordIdsAndLocateByKey) {
  Fixture f(GetParam());
  f.ds->Open();
  EXPECT_TRUE(VarIsNull(f.dc.GetRecordId(0)));
  EXPECT_THROW(f.dc.SetKeyFieldNames("id;nosuch"), EcxInvalidDataControllerOperation);
  f.dc.SetKeyFieldNames("id");
  EXPECT_EQ(VarToStr(f.dc.GetRecordId(4)), "5");
  EXPECT_TRUE(f.dc.LocateByKey(7));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 6);
  EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "tuta");
  EXPECT_FALSE(f.dc.LocateByKey(99));
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), -1) << "a key that is not loaded leaves no row focused";

  f.dc.SetKeyFieldNames("id;word");
  Variant id = f.dc.GetRecordId(2);
  ASSERT_TRUE(VarIsArray(id));
  EXPECT_EQ(VarArrayHighBound(id, 1) - VarArrayLowBound(id, 1) + 1, 2);
  EXPECT_EQ(VarToStr(id[VarArrayLowBound(id, 1) + 1]), "su");
  EXPECT_EQ(f.dc.GetKeyFields().size(), 2u);
  EXPECT_TRUE(f.dc.ChangeFocusedRowIndex(0));
  EXPECT_FALSE(f.dc.LocateByKey(3)) << "a scalar for two key fields finds nothing";
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), -1);
  EXPECT_TRUE(f.dc.LocateByKey(VarArrayOf({3, "su"})));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
  EXPECT_FALSE(f.dc.LocateByKey(VarArrayOf({3, "ev"})));
}

TEST_P(DBData, EditPostAndCancelGoThroughTheDataSet) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(3));
  f.dc.Edit();
  EXPECT_EQ(f.ds->State(), dsEdit);
  EXPECT_TRUE(f.dc.Provider().IsEditing());
  EXPECT_TRUE(f.dc.SetEditValue(1, "kati", evsValue));
  EXPECT_EQ(f.Word(3), "kati");
  f.dc.Post();
  EXPECT_EQ(f.ds->State(), dsBrowse);
  EXPECT_FALSE(f.dc.Provider().IsEditing());
  EXPECT_EQ(f.Word(3), "kati");
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 3);

  f.dc.Edit();
  f.dc.SetEditValue(2, "2,5", evsText);
  f.dc.Cancel();
  EXPECT_EQ(f.ds->State(), dsBrowse);
  EXPECT_EQ(VarToStr(f.dc.GetValue(3, 2)), VarToStr(Variant(4.5)));

  // Focusing another row posts the pending edit first.
  f.dc.Edit();
  f.dc.SetEditValue(1, "kati2", evsValue);
  EXPECT_TRUE(f.dc.ChangeFocusedRowIndex(5));
  EXPECT_EQ(f.Word(3), "kati2");
  EXPECT_EQ(f.ds->RecNo(), 6);

  // An append is the dataset's until posted; the loaded records stay as they are meanwhile.
  f.dc.Append();
  EXPECT_EQ(f.ds->State(), dsInsert);
  EXPECT_TRUE(f.dc.SetEditValue(0, 11, evsValue));
  EXPECT_TRUE(f.dc.SetEditValue(1, "nena", evsValue));
  EXPECT_EQ(f.Word(5), "mjora");
  f.dc.Post();
  ASSERT_EQ(f.dc.GetRecordCount(), 11);
  EXPECT_EQ(f.Word(10), "nena");
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 10);
}

// Asking to edit while a record is being inserted goes on inserting it: the dataset is not moved to the
// focused record, which would post the new one out of the controller's sight.
TEST_P(DBData, EditWhileInsertingGoesOnInsertingTheNewRecord) {
  struct Case {
    bool Append;
    const char* Keys;
  };
  for (Case c : {Case{true, ""}, Case{false, ""}, Case{true, "id"}, Case{false, "id"}}) {
    SCOPED_TRACE(std::string(c.Append ? "append" : "insert") + ", keys '" + c.Keys + "'");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(c.Keys);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
    c.Append ? f.dc.Append() : f.dc.Insert();
    f.dc.SetEditValue(0, 11, evsValue);
    f.dc.SetEditValue(1, "nena", evsValue);
    f.dc.Edit();
    EXPECT_EQ(f.ds->State(), dsInsert);
    EXPECT_EQ(f.dc.GetEditState() & dceInsert, dceInsert);
    f.dc.SetEditValue(2, 7.5, evsValue);
    f.dc.Post();
    ASSERT_EQ(f.dc.GetRecordCount(), 11);
    const int record = f.dc.GetFocusedRecordIndex();
    ASSERT_GE(record, 0);
    EXPECT_EQ(f.Word(record), "nena");
    EXPECT_EQ(VarToStr(f.dc.GetValue(record, 2)), VarToStr(Variant(7.5)));
    EXPECT_EQ(f.Word(c.Append ? 2 : 3), "su");
  }
}

// Records (id, g) in either dataset, grouped by g, ids counting from 1: by default ids 1 to 3 in group 5,
// ids 4 and 5 in the null group.
struct GroupedTable {
  explicit GroupedTable(bool ASQLite, const std::vector<Variant>& AGroups = {5, 5, 5, Null, Null}) {
    if (ASQLite) {
      std::string rows;
      for (std::size_t i = 0; i < AGroups.size(); ++i)
        rows += std::string(i ? ", (" : "(") + std::to_string(i + 1) + ", " +
                (AGroups[i].IsNull() ? "NULL" : std::string(VarToStr(AGroups[i]))) + ")";
      ds.reset(dbtest::MemoryQuery(conn,
                                   "CREATE TABLE t (id INTEGER PRIMARY KEY, g INTEGER);"
                                   "INSERT INTO t VALUES " +
                                       rows,
                                   "SELECT id, g FROM t ORDER BY id"));
    } else {
      auto* m = new TMemDataSet(nullptr);
      m->AddFieldDef("id", ftLargeint);
      m->AddFieldDef("g", ftLargeint);
      for (const Variant& g : AGroups)
        m->AddRow({int(m->RowCount()) + 1, g});
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    dc.SetDataSource(&source);
    dc.ChangeFieldName(0, "id");
    dc.ChangeFieldName(1, "g");
    ds->Open();
    dc.ChangeGroupIndex(1, 0);
  }
  ~GroupedTable() { dc.SetDataSource(nullptr); }
  std::string FocusedId() { return VarToStr(dc.GetValue(dc.GetFocusedRecordIndex(), 0)); }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  DBController dc{2};
};

// Deleting while a record is inserted drops the new record, as the dataset's own Delete does: neither is the
// new record posted nor is the record the controller kept focused deleted in its place, also where that is a
// group row, or where the dataset was empty and nothing is focused.
TEST_P(DBData, DeleteWhileInsertingDropsTheNewRecordAlone) {
  {
    GroupedTable t(GetParam());
    while (t.dc.GetRecordCount() > 0)
      t.dc.DeleteFocused();
    t.dc.Append();
    t.dc.SetEditValue(0, 11, evsValue);
    t.dc.DeleteFocused();
    EXPECT_EQ(t.ds->State(), dsBrowse);
    t.ds->Refresh();
    EXPECT_EQ(t.dc.GetRecordCount(), 0);
  }
  {
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.ChangeGroupIndex(1, 0);
    f.dc.FullCollapse();
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(3));
    f.dc.Append();
    f.dc.SetEditValue(0, 11, evsValue);
    f.dc.SetEditValue(1, "nena", evsValue);
    f.dc.DeleteFocused();
    EXPECT_EQ(f.ds->State(), dsBrowse);
    f.ds->Refresh();
    EXPECT_EQ(f.dc.GetRecordCount(), 10);
  }
  for (const char* keys : {"", "id"}) {
    for (bool append : {true, false}) {
      SCOPED_TRACE(std::string(append ? "append" : "insert") + ", keys '" + keys + "'");
      Fixture f(GetParam());
      f.ds->Open();
      f.dc.SetKeyFieldNames(keys);
      ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
      append ? f.dc.Append() : f.dc.Insert();
      f.dc.SetEditValue(0, 11, evsValue);
      f.dc.SetEditValue(1, "nena", evsValue);
      f.dc.DeleteFocused();
      EXPECT_EQ(f.ds->State(), dsBrowse);
      EXPECT_EQ(f.dc.GetEditState(), 0);
      f.ds->Refresh();
      std::vector<std::string> words;
      for (int r = 0; r < f.dc.GetRecordCount(); ++r)
        words.push_back(f.Word(r));
      EXPECT_EQ(words, std::vector<std::string>(std::begin(kWords), std::end(kWords)));
    }
  }
}

// A group row focused before the records are read again by key is the focused row after it, its group as
// collapsed as it was: the focus is not handed to the group's first record, whose row would open the group.
TEST_P(DBData, AKeyedReloadKeepsAFocusedGroupRowAndItsGroupCollapsed) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetKeyFieldNames("id");
  f.dc.ChangeGroupIndex(1, 0);
  // One group a word: the focused record's group is open, so its word's group row is the seventh one.
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(7));
  f.dc.FullCollapse();
  ASSERT_EQ(f.dc.GetRowCount(), 10);
  ASSERT_EQ(f.dc.GetFocusedRowIndex(), 6);
  ASSERT_EQ(f.dc.GetRowInfo(6).Level, 0);
  const int record = f.dc.GetFocusedRecordIndex();
  f.ds->Refresh();
  EXPECT_EQ(f.dc.GetRowCount(), 10);
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 6);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), record);
  EXPECT_FALSE(f.dc.GetRowInfo(6).Expanded);
}

// A keyed reload that finds a selected record in a group that was not open leaves the group closed: the
// selection comes back only where its rows show, as the controller over its own records brings it back.
TEST_P(DBData, AKeyedReloadOpensNoGroupForASelectedRecord) {
  if (!GetParam())
    GTEST_SKIP() << "the record is moved to another group behind the dataset's back, in its table";
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetKeyFieldNames("id");
  f.dc.SetMultiSelect(true);
  f.dc.ChangeGroupIndex(2, 0);
  f.dc.FullExpand();
  // One group a score, each open over its record; the first two records selected, the third focused.
  ASSERT_EQ(f.dc.GetRowCount(), 20);
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(5));
  f.dc.ClearSelection();
  f.dc.ChangeRowSelection(1, true);
  f.dc.ChangeRowSelection(3, true);
  f.conn.ExecSQL("UPDATE words SET score = 100 WHERE id = 2");
  f.ds->Refresh();
  // The second record's group of 100 comes last, closed.
  ASSERT_EQ(f.dc.GetRowCount(), 19);
  EXPECT_FALSE(f.dc.GetRowInfo(18).Expanded);
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 3);
  ASSERT_EQ(f.dc.GetSelectedCount(), 1);
  EXPECT_EQ(f.dc.GetSelectedRowIndex(0), 1);
}

// A record inserted and posted while a group row is focused is focused on its own row afterwards, with or
// without key fields: the group row that was focused names another record once the records are read anew.
TEST_P(DBData, APostedInsertFocusesTheNewRecordInAGroupedView) {
  for (const char* keys : {"", "id"}) {
    for (bool append : {false, true}) {
      SCOPED_TRACE(std::string(append ? "append" : "insert") + ", keys '" + keys + "'");
      Fixture f(GetParam());
      f.ds->Open();
      f.dc.SetKeyFieldNames(keys);
      f.dc.ChangeGroupIndex(1, 0);
      ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(7));
      f.dc.FullCollapse();
      ASSERT_EQ(f.dc.GetRowInfo(f.dc.GetFocusedRowIndex()).Level, 0);
      append ? f.dc.Append() : f.dc.Insert();
      f.dc.SetEditValue(0, 11, evsValue);
      f.dc.SetEditValue(1, "nena", evsValue);
      f.dc.Post();
      const int row = f.dc.GetFocusedRowIndex();
      ASSERT_GE(row, 0);
      EXPECT_EQ(f.dc.GetRowInfo(row).Level, 1);
      EXPECT_EQ(f.Word(f.dc.GetRowInfo(row).RecordIndex), "nena");
    }
  }
}

// Without key fields a reload cannot tell the focused record by its old index, which names another record
// once records are gone: deleting the last records of a group leaves the other groups as they were, where
// the old index opened the group of the record that took it.
TEST_P(DBData, DeletesInAGroupedViewWithoutKeysOpenNoOtherGroup) {
  GroupedTable t(GetParam());
  ASSERT_TRUE(t.dc.ChangeFocusedRecordIndex(1));
  t.dc.FullCollapse();
  ASSERT_EQ(t.dc.GetRowCount(), 5); // the null group closed, the focused record's group open
  t.dc.DeleteFocused();
  t.dc.DeleteFocused();
  EXPECT_EQ(t.dc.GetRowCount(), 3);
  EXPECT_FALSE(t.dc.GetRowInfo(0).Expanded);
  EXPECT_EQ(t.dc.GetFocusedRowIndex(), 2);
  EXPECT_EQ(t.FocusedId(), "1");
}

// A record posted while its group's row is focused, at the head of that group, is focused on its own row
// afterwards: the group row found again by key belongs to the record that led the group before.
TEST_P(DBData, AKeyedReloadFocusesANewRecordThatLeadsTheFocusedGroup) {
  GroupedTable t(GetParam());
  t.dc.SetKeyFieldNames("id");
  t.dc.FullCollapse();
  ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(1));
  ASSERT_EQ(t.dc.GetRowInfo(1).Level, 0);
  t.dc.Insert();
  t.dc.SetEditValue(0, 0, evsValue);
  t.dc.SetEditValue(1, 5, evsValue);
  t.dc.Post();
  const int row = t.dc.GetFocusedRowIndex();
  ASSERT_GE(row, 0);
  EXPECT_EQ(t.dc.GetRowInfo(row).Level, 1);
  EXPECT_EQ(t.FocusedId(), "0");
}

// An insert puts the new record before the focused one after a post of a record the filter hides; where the
// controller keeps a record focused, the dataset goes back to it rather than stay on the hidden one.
TEST_P(DBData, AnInsertGoesBeforeTheFocusedRecordWhereTheFilterHidesTheDataSetsOne) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    TcxDataFilterCriteria& filter = f.dc.Filter();
    filter.AddItem(filter.Root(), f.dc.TcxCustomDataController::GetItemField(0), fokLessEqual, 3, "3");
    filter.SetActive(true);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
    f.dc.Append();
    f.dc.SetEditValue(0, 11, evsValue);
    f.dc.SetEditValue(1, "nena", evsValue);
    f.dc.Post();
    if (f.dc.GetFocusedRowIndex() >= 0) {
      EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(),
                f.dc.GetValue(f.dc.GetFocusedRecordIndex(), 0).AsInteger());
    } else {
      EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 11);
      ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
    }
    const std::string before = VarToStr(f.dc.GetValue(f.dc.GetFocusedRecordIndex(), 0));
    f.dc.Insert();
    f.dc.SetEditValue(0, 12, evsValue);
    f.dc.SetEditValue(1, "onbir", evsValue);
    f.dc.Post();
    int inserted = -1;
    for (int r = 0; r < f.dc.GetRecordCount(); ++r)
      if (f.Word(r) == "onbir")
        inserted = r;
    ASSERT_GE(inserted, 0);
    ASSERT_LT(inserted + 1, f.dc.GetRecordCount());
    EXPECT_EQ(VarToStr(f.dc.GetValue(inserted + 1, 0)), before);
  }
}

// Deleting the focused record while other rows are selected keeps the record below it for the focus, as the
// view's nearest row is, on either dataset, with or without keys: the focused row kept for a delete of the
// selection is the one going.
TEST_P(DBData, DeletingTheFocusedRecordBesideASelectionFocusesTheRecordBelow) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    f.dc.SetMultiSelect(true);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(5));
    f.dc.ClearSelection();
    f.dc.ChangeRowSelection(0, true);
    f.dc.ChangeRowSelection(1, true);
    f.dc.DeleteFocused();
    ASSERT_EQ(f.dc.GetRecordCount(), 9);
    ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), kWords[6]);
    EXPECT_EQ(f.ds->FieldByName("word")->AsString(), kWords[6]);
  }
}

// A selected group row stays selected when a post reads the records anew and the new record's group, opened
// for its focus, moves the rows of the groups after it (here in descending order, where it comes first).
TEST_P(DBData, ASelectedGroupRowStaysSelectedWhenANewGroupOpensBeforeIt) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetKeyFieldNames("id");
  f.dc.SetMultiSelect(true);
  f.dc.ChangeGroupIndex(0, 0);
  f.dc.ChangeSorting(0, soDescending);
  f.dc.FullCollapse();
  f.dc.ClearSelection();
  f.dc.ChangeRowSelection(3, true);
  ASSERT_EQ(f.dc.GetRowInfo(3).Level, 0);
  const Variant selected = f.dc.GetValue(f.dc.GetRowInfo(3).RecordIndex, 0);
  f.dc.Append();
  f.dc.SetEditValue(0, 11, evsValue);
  f.dc.SetEditValue(1, "nena", evsValue);
  f.dc.Post();
  ASSERT_EQ(f.dc.GetSelectedCount(), 1);
  const int row = f.dc.GetSelectedRowIndex(0);
  EXPECT_EQ(f.dc.GetRowInfo(row).Level, 0);
  EXPECT_EQ(VarToStr(f.dc.GetValue(f.dc.GetRowInfo(row).RecordIndex, 0)), VarToStr(selected));

  // Beside a selected data row, found again by its key, the group row stays selected too.
  f.dc.FullExpand();
  f.dc.ClearSelection();
  f.dc.ChangeRowSelection(2, true);
  f.dc.ChangeRowSelection(3, true);
  ASSERT_EQ(f.dc.GetRowInfo(2).Level, 0);
  ASSERT_EQ(f.dc.GetRowInfo(3).Level, 1);
  const Variant record = f.dc.GetValue(f.dc.GetRowInfo(3).RecordIndex, 0);
  f.dc.Append();
  f.dc.SetEditValue(0, 12, evsValue);
  f.dc.SetEditValue(1, "onbir", evsValue);
  f.dc.Post();
  ASSERT_EQ(f.dc.GetSelectedCount(), 2);
  std::vector<std::string> rows;
  for (int i = 0; i < 2; ++i) {
    TcxRowInfo info = f.dc.GetRowInfo(f.dc.GetSelectedRowIndex(i));
    rows.push_back(std::to_string(info.Level) + ":" + VarToStr(f.dc.GetValue(info.RecordIndex, 0)));
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"0:" + VarToStr(record), "1:" + VarToStr(record)}));
}

// Focusing the group row of the record in edit leaves the edit open, as it does over the controller's own
// records; focusing another record posts it.
TEST_P(DBData, TheGroupRowOfTheRecordInEditKeepsTheEditOpen) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    f.dc.ChangeGroupIndex(0, 0);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
    ASSERT_EQ(f.dc.GetRowInfo(0).Level, 0);
    f.dc.SetEditValue(1, "nena", evsValue);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(0));
    EXPECT_EQ(f.ds->State(), dsEdit);
    EXPECT_EQ(f.dc.GetEditState() & dceEdit, dceEdit);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
    EXPECT_EQ(f.ds->State(), dsBrowse);
    EXPECT_EQ(f.Word(0), "nena");
  }
}

// Deleting a focused group row takes the dataset to the record kept for the focus, the first of the next
// group, as a delete of one record does: the controller focuses what a controller over its own records does.
TEST_P(DBData, DeletingAGroupRowFocusesTheNextGroup) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    f.dc.ChangeGroupIndex(1, 0);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(7));
    f.dc.FullCollapse(); // one group a word, all closed: ay cari dixa ev ...
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
    f.dc.DeleteFocused();
    ASSERT_EQ(f.dc.GetRecordCount(), 9);
    ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), "ev");
    EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "ev");
  }
}

// The id of each row's record, 0 for the row of a group of the first level.
std::vector<int> RowIds(TcxCustomDataController& ADC) {
  std::vector<int> ids;
  for (int row = 0; row < ADC.GetRowCount(); ++row) {
    TcxRowInfo info = ADC.GetRowInfo(row);
    ids.push_back(info.Level == 0 ? 0 : ADC.GetValue(info.RecordIndex, 0).AsInteger());
  }
  return ids;
}

// A controller over its own records holding the same (id, g) records as a GroupedTable.
struct OwnGroupedTable {
  explicit OwnGroupedTable(const std::vector<Variant>& AGroups) {
    std::vector<std::vector<Variant>> rows;
    for (std::size_t i = 0; i < AGroups.size(); ++i)
      rows.push_back({int(i) + 1, AGroups[i]});
    dc.Fill(rows);
    dc.ChangeGroupIndex(1, 0);
  }
  TestController dc{2};
};

// Without multiple selection, deleting the selection where a group row is focused deletes the group's first
// record alone: the focus stays in the group, on the next record, as on a controller over its own records,
// rather than leaving the group as if the whole of it had gone.
TEST_P(DBData, DeletingTheSelectionOnAGroupRowKeepsTheFocusInItsGroup) {
  struct Case {
    const char* Name;
    std::vector<Variant> Groups;
    std::vector<int> Rows; // ids of the rows afterwards, 0 for a group row
  } cases[] = {
      {"the only group", {5, 5, 5}, {0, 2, 3}},
      {"a group before another", {5, 5, 5, 7}, {0, 2, 3, 0, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    GroupedTable t(GetParam(), c.Groups);
    OwnGroupedTable own(c.Groups);
    for (TcxCustomDataController* dc :
         {static_cast<TcxCustomDataController*>(&t.dc), static_cast<TcxCustomDataController*>(&own.dc)}) {
      SCOPED_TRACE(dc == &own.dc ? "own records" : "bound");
      dc->FullExpand();
      ASSERT_TRUE(dc->ChangeFocusedRowIndex(0));
      dc->ChangeRowSelection(0, true);
      dc->DeleteSelection();
      EXPECT_EQ(RowIds(*dc), c.Rows);
      EXPECT_EQ(dc->GetFocusedRowIndex(), 1);
    }
    EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), 2);
  }
}

// Deleting the focused row of a group that holds only the record in edit focuses the record kept for the
// focus on its own row, as on a controller over its own records: the post that moving the dataset makes
// on the way reads the records again, which must not leave the view on the group row.
TEST_P(DBData, DeletingTheGroupOfTheRecordInEditFocusesTheRecordKept) {
  const std::vector<Variant> groups = {5, Null};
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    GroupedTable t(GetParam(), groups);
    t.dc.SetKeyFieldNames(keys);
    OwnGroupedTable own(groups);
    for (TcxCustomDataController* dc :
         {static_cast<TcxCustomDataController*>(&t.dc), static_cast<TcxCustomDataController*>(&own.dc)}) {
      SCOPED_TRACE(dc == &own.dc ? "own records" : "bound");
      dc->FullExpand();
      ASSERT_EQ(RowIds(*dc), (std::vector<int>{0, 2, 0, 1}));
      ASSERT_TRUE(dc->ChangeFocusedRowIndex(1));
      dc->Edit();
      ASSERT_TRUE(dc->ChangeFocusedRowIndex(0));
      dc->DeleteFocused();
      EXPECT_EQ(RowIds(*dc), (std::vector<int>{0, 1}));
      EXPECT_EQ(dc->GetFocusedRowIndex(), 1);
      EXPECT_EQ(dc->GetEditState(), 0);
    }
    EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), 1);
  }
}

// Without key fields, moving the focus from the row of a closed group that leads with the record in edit to
// the next group's row posts the edit and focuses the row moved to, as on a controller over its own records:
// the reload after the post brings back the group row of the record the dataset stands on, not the record's
// own row, which opened its group and made the row asked for another one.
TEST_P(DBData, AMoveFromAGroupRowThatPostsAnEditFocusesTheRowMovedTo) {
  const std::vector<Variant> groups = {Null, 5, 5};
  GroupedTable t(GetParam(), groups);
  OwnGroupedTable own(groups);
  for (TcxCustomDataController* dc :
       {static_cast<TcxCustomDataController*>(&t.dc), static_cast<TcxCustomDataController*>(&own.dc)}) {
    SCOPED_TRACE(dc == &own.dc ? "own records" : "bound");
    ASSERT_TRUE(dc->ChangeFocusedRecordIndex(0));
    dc->Edit();
    dc->SetEditValue(0, 115, evsValue);
    ASSERT_TRUE(dc->ChangeFocusedRowIndex(0));
    // Grouped anew on two levels from its group's row: every group is closed.
    dc->ChangeGroupIndex(0, 1);
    ASSERT_EQ(RowIds(*dc), (std::vector<int>{0, 0}));
    ASSERT_EQ(dc->GetFocusedRowIndex(), 0);
    ASSERT_NE(dc->GetEditState(), 0);
    ASSERT_TRUE(dc->ChangeFocusedRowIndex(1));
    EXPECT_EQ(dc->GetEditState(), 0);
    EXPECT_EQ(RowIds(*dc), (std::vector<int>{0, 0}));
    EXPECT_EQ(dc->GetFocusedRowIndex(), 1);
    EXPECT_EQ(dc->GetFocusedRecordIndex(), 1);
  }
  EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), 2);
}

// The record in edit keeps its place when the view is grouped, so it may stand in a group of its own beside
// another group of the same value. Deleting it leaves that other group as it was, closed, rather than giving
// it the open state of the group that went.
TEST_P(DBData, DeletingTheRecordInEditOutsideItsGroupLeavesTheSameValuesGroupClosed) {
  const std::vector<Variant> groups = {Null, 5, Null};
  GroupedTable t(GetParam(), groups);
  OwnGroupedTable own(groups);
  for (TcxCustomDataController* dc :
       {static_cast<TcxCustomDataController*>(&t.dc), static_cast<TcxCustomDataController*>(&own.dc)}) {
    SCOPED_TRACE(dc == &own.dc ? "own records" : "bound");
    dc->ChangeGroupIndex(1, -1);
    ASSERT_TRUE(dc->ChangeFocusedRecordIndex(2));
    dc->Edit();
    dc->ChangeGroupIndex(1, 0);
    ASSERT_EQ(RowIds(*dc), (std::vector<int>{0, 0, 0, 3}));
    ASSERT_EQ(dc->GetFocusedRowIndex(), 3);
    dc->DeleteFocused();
    EXPECT_EQ(RowIds(*dc), (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(dc->GetFocusedRowIndex(), 2);
  }
  EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), 2);
}

// Plays ASteps on a controller bound to the (id, g) records, without and with key fields, and on one over its
// own copy of them; ADataSet is the bound one's dataset, null for the other.
void OnBoundAndOwn(bool ASQLite, const std::vector<Variant>& AGroups,
                   const std::function<void(TcxCustomDataController& ADC, TDataSet* ADataSet)>& ASteps) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    GroupedTable t(ASQLite, AGroups);
    t.dc.SetKeyFieldNames(keys);
    SCOPED_TRACE("bound");
    ASteps(t.dc, t.ds.get());
  }
  SCOPED_TRACE("own records");
  OwnGroupedTable own(AGroups);
  ASteps(own.dc, nullptr);
}

// Deleting the row of the group that holds only the record in edit, beside a closed group of the same value,
// leaves that group closed on a bound controller too, which posts the edit on the way and reads the records
// anew: the group that went is not found again by its value.
TEST_P(DBData, DeletingTheGroupRowOfTheRecordInEditLeavesTheSameValuesGroupClosed) {
  OnBoundAndOwn(GetParam(), {Null, 5, Null}, [](TcxCustomDataController& dc, TDataSet*) {
    dc.ChangeGroupIndex(1, -1);
    ASSERT_TRUE(dc.ChangeFocusedRecordIndex(2));
    dc.Edit();
    dc.SetEditValue(0, 33, evsValue);
    dc.ChangeGroupIndex(1, 0);
    ASSERT_EQ(RowIds(dc), (std::vector<int>{0, 0, 0, 33}));
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(2));
    dc.DeleteFocused();
    EXPECT_EQ(RowIds(dc), (std::vector<int>{0, 0, 2}));
    EXPECT_FALSE(dc.GetRowInfo(0).Expanded);
    EXPECT_EQ(dc.GetFocusedRowIndex(), 2);
  });
}

// Records of an integer key "id" and integer columns "a", "b", "c"... as many as a row holds, bound to either
// dataset, with key fields and smart refresh, or over the controller's own.
struct TwoLevelTable {
  TwoLevelTable(int AKind, const std::vector<std::vector<Variant>>& ARows)
      : bound(int(ARows.at(0).size())), own(int(ARows.at(0).size())) {
    if (AKind == 2) {
      own.Fill(ARows);
      return;
    }
    const std::size_t columns = ARows[0].size();
    auto name = [](std::size_t AColumn) {
      return AColumn == 0 ? std::string("id") : std::string(1, char('a' + AColumn - 1));
    };
    if (AKind == 1) {
      std::string schema = "id INTEGER PRIMARY KEY", names = "id", rows;
      for (std::size_t c = 1; c < columns; ++c) {
        schema += ", " + name(c) + " INTEGER";
        names += ", " + name(c);
      }
      for (const auto& r : ARows) {
        rows += rows.empty() ? "(" : ", (";
        for (std::size_t c = 0; c < columns; ++c)
          rows += (c ? ", " : "") + (r[c].IsNull() ? std::string("NULL") : std::string(VarToStr(r[c])));
        rows += ")";
      }
      ds.reset(dbtest::MemoryQuery(conn, "CREATE TABLE t (" + schema + ");INSERT INTO t VALUES " + rows,
                                   "SELECT " + names + " FROM t ORDER BY id"));
    } else {
      auto* m = new TMemDataSet(nullptr);
      for (std::size_t c = 0; c < columns; ++c)
        m->AddFieldDef(name(c), ftLargeint);
      for (const auto& r : ARows)
        m->AddRow(r);
      ds.reset(m);
    }
    source.SetDataSet(ds.get());
    bound.SetDataSource(&source);
    for (std::size_t c = 0; c < columns; ++c)
      bound.ChangeFieldName(int(c), name(c));
    bound.SetKeyFieldNames("id");
    bound.DataModeController().SetSmartRefresh(true);
    ds->Open();
  }
  ~TwoLevelTable() { bound.SetDataSource(nullptr); }
  TcxCustomDataController& dc() { return ds ? static_cast<TcxCustomDataController&>(bound) : own; }

  TSQLiteConnection conn{nullptr};
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  DBController bound;
  TestController own;
};

// Each row as its level, whether open, and its record's id.
std::vector<std::string> ShownRows(TcxCustomDataController& ADC) {
  std::vector<std::string> rows;
  for (int row = 0; row < ADC.GetRowCount(); ++row) {
    TcxRowInfo info = ADC.GetRowInfo(row);
    rows.push_back(std::to_string(info.Level) + (info.Expanded ? "+" : "-") +
                   std::string(VarToStr(ADC.GetValue(info.RecordIndex, 0))));
  }
  return rows;
}

// Plays ASteps on the (id, a, b) records bound to an in-memory dataset, to a query, and over the
// controller's own records; ADataSet is the bound one's dataset, null for the last.
void OnEveryPath(const std::vector<std::vector<Variant>>& ARows,
                 const std::function<void(TcxCustomDataController& ADC, TDataSet* ADataSet)>& ASteps) {
  for (int kind : {0, 1, 2}) {
    SCOPED_TRACE(kind == 2 ? "own records" : kind == 1 ? "query" : "memory");
    TwoLevelTable t(kind, ARows);
    ASteps(t.dc(), t.ds.get());
  }
}

// Deleting the closed group row of the record in edit, regrouped during the edit, ends the edit with the
// records of that group and focuses the record kept: only the groups on the way to that record open, as on a
// controller over its own records.
TEST(DBDataGroups, DeletingTheClosedGroupOfTheRecordInEditAfterRegroupingsOpensOnlyTheGroupsOfTheRecordKept) {
  OnEveryPath(
      {{1, 2, 7}, {3, 9, 7}, {7, 9, 3}, {8, 1, 4}, {9, 8, 6}, {10, 5, 1}},
      [](TcxCustomDataController& dc, TDataSet* ds) {
        ASSERT_TRUE(dc.ChangeFocusedRecordIndex(0));
        dc.Edit();
        dc.SetEditValue(1, 3, evsValue);
        dc.ChangeGroupIndex(2, 0);
        dc.ChangeGroupIndex(1, 1);
        for (int row : {4, 6, 4})
          dc.ChangeFocusedRowIndex(row);
        dc.ChangeGroupIndex(2, 2);
        dc.ChangeGroupIndex(1, 2);
        // The focus follows the record in edit (id 1) through the regroupings to its closed group b = 7.
        ASSERT_EQ(ShownRows(dc), (std::vector<std::string>{"0-10", "0-7", "0-8", "0-9", "0-1"}));
        ASSERT_EQ(dc.GetFocusedRowIndex(), 4);
        ASSERT_NE(dc.GetEditState(), 0);
        dc.DeleteFocused();
        EXPECT_EQ(dc.GetEditState(), 0);
        EXPECT_EQ(ShownRows(dc), (std::vector<std::string>{"0-10", "0-7", "0-8", "0+9", "1+9", "2-9"}));
        EXPECT_EQ(dc.GetFocusedRowIndex(), 5);
        EXPECT_EQ(dc.GetRecordCount(), 4);
        if (ds) {
          EXPECT_EQ(ds->FieldByName("id")->AsInteger(), 9);
        }
      });
}

// Deleting the record in edit, where the dataset then goes to a record of another group, keeps the groups
// the user left closed so: the row of the record that went does not take that other record's values on the
// way, which placed it, focused, in that record's groups.
TEST(DBDataGroups, DeletingTheRecordInEditOpensNoGroupOfTheRecordTheDataSetGoesTo) {
  OnEveryPath(
      {{1, Null, 5}, {2, Null, Null}, {7, 3, 3}, {8, 3, Null}, {109, Null, Null}},
      [](TcxCustomDataController& dc, TDataSet* ds) {
        dc.FullExpand();
        dc.ChangeGroupIndex(2, 0);
        dc.ChangeGroupIndex(1, 1);
        ASSERT_TRUE(dc.ChangeFocusedRecordIndex(4));
        dc.Edit();
        dc.ChangeGroupIndex(2, 2);
        // The record in edit (id 109) keeps its place in a group of its own beside the closed group of id 2,
        // which holds the same values.
        ASSERT_EQ(ShownRows(dc), (std::vector<std::string>{"0+2", "1-2", "1-1", "1+109", "2-109", "0-8"}));
        ASSERT_EQ(dc.GetFocusedRowIndex(), 4);
        dc.DeleteFocused();
        EXPECT_EQ(dc.GetEditState(), 0);
        EXPECT_EQ(ShownRows(dc), (std::vector<std::string>{"0+2", "1-2", "1-1", "0+8", "1+8", "2-8", "1-7"}));
        EXPECT_EQ(dc.GetFocusedRowIndex(), 5);
        if (ds) {
          EXPECT_EQ(ds->FieldByName("id")->AsInteger(), 8);
        }
      });
}

// Posting an edit that takes the record out of the group it alone filled, beside a closed group of its value
// from before the edit, leaves that group closed: the record's group was known by that value while the edit
// lasted, and its open state must not pass to the other group when the dataset's post reads the record anew.
TEST(DBDataGroups, APostThatTakesTheRecordOutOfItsGroupOpensNoGroupOfItsFormerValue) {
  OnEveryPath(
      {{1, 9, 3}, {5, 7, Null}, {7, 4, 2}, {12, 4, 2}, {113, Null, Null}, {114, Null, Null}},
      [](TcxCustomDataController& dc, TDataSet*) {
        ASSERT_TRUE(dc.ChangeFocusedRecordIndex(5));
        dc.Edit();
        dc.SetEditValue(1, 4, evsValue);
        dc.ChangeGroupIndex(1, 0);
        dc.ChangeGroupIndex(2, 1);
        // The record in edit (id 114) keeps a group of its own, placed by its value from before the edit, the
        // value of the closed group of id 113.
        ASSERT_EQ(ShownRows(dc),
                  (std::vector<std::string>{"0-113", "0-7", "0-5", "0-1", "0+114", "1+114", "2-114"}));
        ASSERT_EQ(dc.GetFocusedRowIndex(), 6);
        dc.Post();
        EXPECT_EQ(dc.GetEditState(), 0);
        EXPECT_EQ(ShownRows(dc),
                  (std::vector<std::string>{"0-113", "0+114", "1+114", "2-114", "1-7", "0-5", "0-1"}));
        EXPECT_EQ(dc.GetFocusedRowIndex(), 3);
      });
}

// A focus move that posts the record in edit focuses the row asked for and opens no group on the way: the
// record posted, regrouped while in edit under closed groups, is not followed into its own groups.
TEST(DBDataGroups, AFocusMoveThatPostsARecordRegroupedInEditOpensNoGroupOfIt) {
  OnEveryPath({{3, 4, 1}, {7, 1, 1}, {8, 2, 3}, {9, 0, 1}, {10, 4, 3}, {13, 3, 1}, {113, Null, Null}},
              [](TcxCustomDataController& dc, TDataSet*) {
                ASSERT_TRUE(dc.ChangeFocusedRecordIndex(6));
                dc.ChangeGroupIndex(2, 0);
                dc.Edit();
                dc.SetEditValue(2, 2, evsValue);
                ASSERT_TRUE(dc.ChangeFocusedRowIndex(0));
                dc.ChangeGroupIndex(1, 1);
                // The regrouping keeps the record in edit (id 113) in a group of its own, its group row
                // focused.
                ASSERT_EQ(ShownRows(dc), (std::vector<std::string>{"0-113", "0-9", "0-8"}));
                ASSERT_EQ(dc.GetFocusedRowIndex(), 0);
                ASSERT_NE(dc.GetEditState(), 0);
                ASSERT_TRUE(dc.ChangeFocusedRowIndex(1));
                EXPECT_EQ(dc.GetEditState(), 0);
                EXPECT_EQ(ShownRows(dc), (std::vector<std::string>{"0-9", "0-113", "0-8"}));
                EXPECT_EQ(dc.GetFocusedRowIndex(), 0);
              });
}

// Deleting the focused group row of the record in edit, whose edit takes it into the closed group beside,
// focuses the record kept on its own row, as on a controller over its own records: a bound controller posts
// the edit on the way, and the focus must not stay on the group row that the posted record took it to.
TEST(DBDataGroups, DeletingTheGroupRowOfARecordEditedIntoTheNextGroupFocusesTheRecordKept) {
  OnEveryPath({{3, 1, 0}, {6, 1, 0}, {113, Null, 0}}, [](TcxCustomDataController& dc, TDataSet* ds) {
    ASSERT_TRUE(dc.ChangeFocusedRecordIndex(2));
    dc.Edit();
    dc.SetEditValue(1, 1, evsValue);
    dc.ChangeGroupIndex(1, 0);
    // Grouped while in edit, the record (id 113) keeps a group of its own.
    ASSERT_EQ(ShownRows(dc), (std::vector<std::string>{"0-3", "0+113", "1-113"}));
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(1));
    ASSERT_NE(dc.GetEditState(), 0);
    dc.DeleteFocused();
    EXPECT_EQ(dc.GetEditState(), 0);
    EXPECT_EQ(ShownRows(dc), (std::vector<std::string>{"0+3", "1-3", "1-6"}));
    EXPECT_EQ(dc.GetFocusedRowIndex(), 1);
    if (ds) {
      EXPECT_EQ(ds->FieldByName("id")->AsInteger(), 3);
    }
  });
}

// Deleting the focused group row of the record in edit, grouped while in edit beside a closed group of the
// same values, opens none of that group: a bound controller posts the edit on the way, which takes the
// record, the focused row and its open groups into that group, but the delete takes them all away again.
TEST(DBDataGroups, DeletingTheGroupRowOfTheRecordInEditBesideAClosedGroupOfItsValuesLeavesThatGroupClosed) {
  OnEveryPath({{2, Null, Null}, {5, 1, 1}, {113, Null, Null}}, [](TcxCustomDataController& dc, TDataSet* ds) {
    ASSERT_TRUE(dc.ChangeFocusedRecordIndex(2));
    dc.Edit();
    dc.ChangeGroupIndex(1, 0);
    dc.ChangeGroupIndex(2, 1);
    // The record in edit (id 113) keeps groups of its own, open, beside the closed ones of id 2.
    ASSERT_EQ(ShownRows(dc), (std::vector<std::string>{"0-2", "0-5", "0+113", "1+113", "2-113"}));
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(3));
    ASSERT_NE(dc.GetEditState(), 0);
    dc.DeleteFocused();
    EXPECT_EQ(dc.GetEditState(), 0);
    EXPECT_EQ(ShownRows(dc), (std::vector<std::string>{"0-2", "0+5", "1+5", "2-5"}));
    EXPECT_EQ(dc.GetFocusedRowIndex(), 3);
    EXPECT_EQ(dc.GetRecordCount(), 2);
    if (ds) {
      EXPECT_EQ(ds->FieldByName("id")->AsInteger(), 5);
    }
  });
}

// Deleting the first record of the only group row shown, where the dataset then stands on a record the
// filter hides, keeps the group row focused and takes the dataset to its record, as a controller over its
// own records keeps it.
TEST_P(DBData, ADeleteThatLeavesTheDataSetOnAHiddenRecordKeepsTheOnlyGroupRowFocused) {
  OnBoundAndOwn(GetParam(), {5, Null, 5}, [](TcxCustomDataController& dc, TDataSet* ds) {
    TcxDataFilterCriteria& filter = dc.Filter();
    filter.AddItem(filter.Root(), dc.GetItemField(1), fokEqual, 5, "5");
    filter.SetActive(true);
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(0));
    dc.FullCollapse();
    ASSERT_EQ(RowIds(dc), (std::vector<int>{0}));
    dc.DeleteSelection();
    EXPECT_EQ(dc.GetRecordCount(), 2);
    EXPECT_EQ(RowIds(dc), (std::vector<int>{0}));
    EXPECT_EQ(dc.GetFocusedRowIndex(), 0);
    if (ds) {
      EXPECT_EQ(ds->FieldByName("id")->AsInteger(), 3);
    }
  });
}

// A cancelled edit of a selected record's key leaves the record selected: the keys a reload finds the
// selection by are the record's own again, not the ones typed before the cancel.
TEST_P(DBData, ACancelledKeyEditKeepsTheRecordSelected) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetKeyFieldNames("id");
  f.dc.SetMultiSelect(true);
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
  f.dc.ClearSelection();
  f.dc.ChangeRowSelection(1, true);
  f.dc.ChangeRowSelection(2, true);
  f.dc.Edit();
  f.dc.SetEditValue(0, 99, evsValue);
  f.dc.Cancel();
  EXPECT_EQ(VarToStr(f.dc.GetValue(2, 0)), "3");
  ASSERT_EQ(f.dc.GetSelectedCount(), 2);
  EXPECT_EQ(f.dc.GetSelectedRowIndex(0), 1);
  EXPECT_EQ(f.dc.GetSelectedRowIndex(1), 2);
}

// A new record cancelled, appended or inserted, takes the focus back to the row focused before, a group row
// too, and opens no group: the dataset's cancel of an append leaves it on its last record, which is neither
// to be focused nor shown. The dataset follows the focus back.
TEST_P(DBData, ACancelledNewRecordFocusesTheRowFocusedBeforeAndOpensNoGroup) {
  // The records by group: null (3), 5 (1, 4), 7 (2), 9 (5); the last record alone in the last group.
  const std::vector<Variant> groups = {5, 7, Null, 5, 9};
  struct Case {
    const char* Name;
    bool Append;
    bool OpenFives; // the group of 5 open, its second record focused, else every group closed
    int FocusedRow; // the row focused before the new record
    int FocusedId;  // the id of that row's record
  } cases[] = {
      {"append on a group row", true, false, 2, 2},
      {"append on a data row", true, true, 3, 4},
      {"insert on a group row", false, false, 2, 2},
      {"insert on a data row", false, true, 3, 4},
  };
  const struct {
    const char* Keys;
    bool Smart;
  } modes[] = {{"", false}, {"id", false}, {"id", true}};
  // Each row as the id of its record, a group row as whether it is open; then the focused row.
  auto shown = [](TcxCustomDataController& ADC) {
    std::string text;
    for (int row = 0; row < ADC.GetRowCount(); ++row) {
      TcxRowInfo info = ADC.GetRowInfo(row);
      text +=
          info.Level == 0 ? (info.Expanded ? "+ " : "- ") : VarToStr(ADC.GetValue(info.RecordIndex, 0)) + " ";
    }
    return text + "| focus " + std::to_string(ADC.GetFocusedRowIndex());
  };
  for (const auto& mode : modes)
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + ", keys '" + mode.Keys + "'" +
                   (mode.Smart ? ", smart refresh" : ""));
      GroupedTable t(GetParam(), groups);
      t.dc.SetKeyFieldNames(mode.Keys);
      t.dc.DataModeController().SetSmartRefresh(mode.Smart);
      // Closing every group leaves the focused record's, the first of 5, open.
      t.dc.FullCollapse();
      ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(1));
      t.dc.ChangeExpanding(1, c.OpenFives, false);
      ASSERT_TRUE(t.dc.ChangeFocusedRowIndex(c.FocusedRow));
      ASSERT_EQ(t.FocusedId(), std::to_string(c.FocusedId)) << shown(t.dc);
      const std::string before = shown(t.dc);
      c.Append ? t.dc.Append() : t.dc.Insert();
      ASSERT_EQ(t.ds->State(), dsInsert);
      t.dc.SetEditValue(0, 6, evsValue);
      t.dc.Cancel();
      EXPECT_EQ(t.ds->State(), dsBrowse);
      EXPECT_EQ(t.dc.GetRecordCount(), 5);
      EXPECT_EQ(shown(t.dc), before);
      EXPECT_EQ(t.FocusedId(), std::to_string(c.FocusedId));
      EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), c.FocusedId);
    }
}

// What a user sees of a controller over the word rows: each row (a group with its value and whether it is
// open, or a record by its id), then the focused row and the selected rows.
std::string ShownView(TcxCustomDataController& ADC) {
  std::string text;
  for (int row = 0; row < ADC.GetRowCount(); ++row) {
    TcxRowInfo info = ADC.GetRowInfo(row);
    if (info.Level < ADC.Groups().LevelCount())
      text += (info.Expanded ? "+" : "-") +
              VarToStr(ADC.GetValue(info.RecordIndex, ADC.Groups().GroupingItemIndex(info.Level)));
    else
      text += "#" + VarToStr(ADC.GetValue(info.RecordIndex, 0));
    text += ' ';
  }
  text += "| focus " + std::to_string(ADC.GetFocusedRowIndex()) + " | selected";
  for (int i = 0; i < ADC.GetSelectedCount(); ++i)
    text += ' ' + std::to_string(ADC.GetSelectedRowIndex(i));
  return text;
}

// A controller over its own copy of the word rows: the view a bound controller must show for the same steps.
struct UnboundWords : TestController {
  UnboundWords() : TestController(3) {
    SetItemValueTypeClass(1, TcxStringValueType::Instance());
    SetItemValueTypeClass(2, TcxFloatValueType::Instance());
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 10; ++i)
      rows.push_back({i + 1, kWords[i], i * 1.5});
    Fill(rows);
  }
};

// An edit that moves a record into another group, then ends, leaves open the groups an unbound controller
// leaves open: the group the record joined is known by the values its other records hold, whether the edit is
// cancelled or posted, with or without key fields.
TEST_P(DBData, AnEditEndedInAnotherGroupLeavesTheGroupsOpenAsUnbound) {
  struct Case {
    const char* Name;
    const char* Keys;
    int Group;  // the item grouped by and set
    Variant To; // the value set on the second record
    bool Post;
  } cases[] = {
      {"cancelled key", "", 0, 3, false},     {"cancelled key, keyed", "id", 0, 3, false},
      {"cancelled score", "", 2, 3.0, false}, {"cancelled score, keyed", "id", 2, 3.0, false},
      {"posted score", "", 2, 3.0, true},     {"posted score, keyed", "id", 2, 3.0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto play = [&](TcxCustomDataController& ADC) {
      ADC.SetOptions((ADC.GetOptions() | dcoSaveExpanding) & ~dcoAssignGroupingValues);
      ADC.ChangeGroupIndex(c.Group, 0);
      ADC.FullCollapse();
      // The first two groups open, the second record focused, which the third group then takes in.
      ADC.ChangeExpanding(0, true, false);
      ADC.ChangeExpanding(2, true, false);
      ADC.ChangeFocusedRowIndex(3);
      ADC.Edit();
      ADC.SetEditValue(c.Group, c.To, evsValue);
      c.Post ? ADC.Post() : ADC.Cancel();
      return ShownView(ADC);
    };
    UnboundWords unbound;
    const std::string expected = play(unbound);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(c.Keys);
    EXPECT_EQ(play(f.dc), expected);
  }
}

// Plays APlay over the controller's own records, which must show AExpected, then over the in-memory dataset
// and the query, without keys, with keys, with smart refresh: each must show the same and leave its dataset
// browsing on the record of id ADataSetId.
void ExpectEveryBoundPathAsUnbound(const std::vector<std::vector<Variant>>& ARows,
                                   const std::function<std::string(TcxCustomDataController&)>& APlay,
                                   const std::string& AExpected, int ADataSetId) {
  TwoLevelTable own(2, ARows);
  EXPECT_EQ(APlay(own.dc()), AExpected);
  const struct {
    const char* Keys;
    bool Smart;
  } modes[] = {{"", false}, {"id", false}, {"id", true}};
  for (int kind : {0, 1})
    for (const auto& mode : modes) {
      SCOPED_TRACE(std::string(kind ? "query" : "memory") + ", keys '" + mode.Keys + "'" +
                   (mode.Smart ? ", smart refresh" : ""));
      TwoLevelTable t(kind, ARows);
      t.bound.SetKeyFieldNames(mode.Keys);
      t.bound.DataModeController().SetSmartRefresh(mode.Smart);
      EXPECT_EQ(APlay(t.dc()), AExpected);
      EXPECT_EQ(t.ds->State(), dsBrowse);
      EXPECT_EQ(t.ds->FieldByName("id")->AsInteger(), ADataSetId);
    }
}

// The view while a record is in edit and after AEnd ends the edit, each with the record focused.
std::string ShownAcrossTheEnd(TcxCustomDataController& ADC, const std::function<void()>& AEnd) {
  auto shown = [&ADC] { return ShownView(ADC) + " on " + std::to_string(ADC.GetFocusedRecordIndex()); };
  EXPECT_NE(ADC.GetEditState(), 0);
  const std::string during = shown();
  AEnd();
  EXPECT_EQ(ADC.GetEditState(), 0);
  return during + " => " + shown();
}

// An edit cancelled on the closed group row of its record, regrouped during the edit, puts the record's
// values back and opens none of its groups: the cancel keeps the row, which the values put back leave to the
// closed group of another record. The dataset's cancel leaves it on the record it edited, which must not take
// the focus, so the view stays as over the controller's own records, and the dataset follows the focus.
TEST(DBDataGroups, AnEditCancelledOnAnotherRecordsGroupRowOpensNoGroupAsUnbound) {
  auto play = [](TcxCustomDataController& dc) {
    EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
    dc.Edit();
    dc.SetEditValue(2, 6, evsValue);
    dc.ChangeGroupIndex(1, 0);
    // The group row of a = 4, which the record in edit (id 2) alone fills.
    EXPECT_TRUE(dc.ChangeFocusedRowIndex(1));
    dc.ChangeGroupIndex(2, 1);
    std::string shown = ShownAcrossTheEnd(dc, [&dc] { dc.Cancel(); });
    EXPECT_EQ(VarToStr(dc.GetValue(0, 2)), "0");
    return shown;
  };
  // Every group closed, the focus on the group of the record in edit (id 2) and then on that of a = 2 led by
  // the record id 15.
  ExpectEveryBoundPathAsUnbound(
      {{2, 4, 0}, {3, 2, 9}, {4, 1, 5}, {7, 3, 5}, {15, 2, 0}}, play,
      "-1 -4 -2 -3 | focus 1 | selected 1 on 0 => -1 -2 -3 -4 | focus 1 | selected 1 on 4", 15);
}

// An edit cancelled while the focus stands on the closed row of its record's group, regrouped during the
// edit, keeps that row focused and opens no group: another record leads the group while the edit lasts and
// the edited one again once its values are back, so the row is known by its group, not by the record leading
// it.
TEST(DBDataGroups, AnEditCancelledOnTheGroupRowOfItsRecordAfterARegroupingOpensNoGroupAsUnbound) {
  auto play = [](TcxCustomDataController& dc) {
    dc.ChangeGroupIndex(1, 0);
    EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
    dc.Edit();
    // From the record up to the row of its group.
    dc.MoveBy(-2);
    dc.ChangeGroupIndex(2, 1);
    return ShownAcrossTheEnd(dc, [&dc] { dc.Cancel(); });
  };
  // The group of a = 0 led by the record id 3 during the edit, by the record id 0 after it.
  ExpectEveryBoundPathAsUnbound(
      {{0, 0, 0}, {1, 5, 3}, {2, 0, 1}, {3, 0, 0}, {5, 9, 2}}, play,
      "-0 -5 -9 | focus 0 | selected 0 on 3 => -0 -5 -9 | focus 0 | selected 0 on 0", 0);
}

// A focus move away from the group row of the record in edit, which a regrouping during the edit left to
// another record to lead, posts the edit and focuses the row asked for, wherever the post takes it: the
// record posted into a group of its new value is not followed there, which would open that group.
TEST(DBDataGroups, AFocusMoveFromAGroupRowAnotherRecordLeadsDuringTheEditOpensNoGroupOfTheRecordPosted) {
  const struct {
    int Row;   // the row focused once regrouped
    int Value; // given to a before the regrouping
    const char* Shown;
    int DataSetId;
  } cases[] = {
      {1, 1, "-0 -5 -9 | focus 0 | selected 0 on 3 => -0 -1 -5 -9 | focus 2 | selected 2 on 1", 1},
      {1, 7, "-0 -5 -9 | focus 0 | selected 0 on 3 => -0 -5 -7 -9 | focus 1 | selected 1 on 1", 1},
      {2, 2, "-0 -5 -9 | focus 0 | selected 0 on 3 => -0 -2 -5 -9 | focus 3 | selected 3 on 4", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.Row) + ", a = " + std::to_string(c.Value));
    auto play = [&c](TcxCustomDataController& dc) {
      dc.ChangeGroupIndex(1, 0);
      EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
      dc.Edit();
      dc.SetEditValue(1, c.Value, evsValue);
      // From the record up to the row of its group, which the regrouping leaves to id 3 to lead.
      dc.MoveBy(-2);
      dc.ChangeGroupIndex(2, 1);
      return ShownAcrossTheEnd(dc, [&] { EXPECT_TRUE(dc.ChangeFocusedRowIndex(c.Row)); });
    };
    ExpectEveryBoundPathAsUnbound({{0, 0, 0}, {1, 5, 3}, {2, 0, 1}, {3, 0, 0}, {5, 9, 2}}, play, c.Shown,
                                  c.DataSetId);
  }
}

// The focus stands on the group row of the record in edit, which its new key leaves to another record to
// lead. Once the grouping is cleared, the focus stays with the record in edit, not with the record that led
// the group: focused on another record during the edit, a controller bound to a dataset would follow the
// dataset to the record posted, where the one over its own records stays.
TEST(DBDataGroups, ClearingTheGroupingKeepsTheFocusWithTheRecordInEdit) {
  auto play = [](TcxCustomDataController& dc) {
    EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
    dc.ChangeGroupIndex(1, 0);
    dc.ChangeGroupIndex(0, 1);
    dc.Edit();
    // a = null takes id 1 into the group of id 112; up to that group's row, which the key 113 leaves to id
    // 112 to lead.
    dc.SetEditValue(1, Null, evsValue);
    EXPECT_TRUE(dc.ChangeFocusedRowIndex(0));
    dc.SetEditValue(0, 113, evsValue);
    dc.ClearGrouping();
    return ShownAcrossTheEnd(dc, [&dc] { dc.Post(); });
  };
  ExpectEveryBoundPathAsUnbound(
      {{1, 2, 0}, {4, 1, 0}, {112, Null, 0}}, play,
      "#113 #4 #112 | focus 0 | selected 0 on 0 => #113 #4 #112 | focus 0 | selected 0 on 0", 113);
}

// A closed group keeps the groups open inside it for when it opens again. A regrouping (here the sorting
// cleared) must not take them for the groups of the same values inside the group before it: those keep their
// selection and stay closed where they were closed.
TEST(DBDataGroups, GroupsOpenInsideAClosedGroupLeaveTheGroupsOfTheSameValuesBeforeItAsTheyWere) {
  // Two records alike but for a, grouped by a, b and c: the second's groups are those of the first by value.
  const std::vector<std::vector<Variant>> rows = {{1, 1, 7, 8}, {2, 2, 7, 8}};
  const struct {
    const char* Name;
    bool Select;       // every row selected, else none
    bool CloseFirstC;  // the first record's group of c closed
    const char* Shown; // the view before and after the regrouping
  } cases[] = {
      {"selected", true, false, "+1 +7 +8 #1 -2 | focus 0 | selected 0 1 2 3 4"},
      {"closed", false, true, "+1 +7 -8 -2 | focus 0 | selected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    OnEveryPath(rows, [&](TcxCustomDataController& dc, TDataSet*) {
      dc.SetMultiSelect(true);
      EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
      for (int item : {1, 2, 3})
        dc.ChangeGroupIndex(item, item - 1);
      dc.FullExpand();
      EXPECT_TRUE(dc.ChangeFocusedRowIndex(0));
      // The second record's group of a, its inner groups left open.
      dc.ChangeExpanding(4, false, false);
      if (c.CloseFirstC)
        dc.ChangeExpanding(2, false, false);
      if (c.Select)
        dc.SelectAll();
      EXPECT_EQ(ShownView(dc), c.Shown);
      dc.ClearSorting(false);
      EXPECT_EQ(ShownView(dc), c.Shown);
    });
  }
}

// A cancelled append beside a selection takes the new row alone out of it: every group and record selected
// before stays selected, though over its own records the controller then focuses the last record and opens
// its group.
TEST(DBDataGroups, ACancelledAppendKeepsEveryOtherSelectedRowSelected) {
  OnEveryPath({{0, 1, 0}, {1, 9, 9}, {2, 2, 0}, {3, Null, 5}, {5, 3, -3}}, [](TcxCustomDataController& dc,
                                                                              TDataSet*) {
    // The selected rows by what they show: a group by its value, a record by its id.
    auto selected = [&dc] {
      std::string text;
      for (int i = 0; i < dc.GetSelectedCount(); ++i) {
        TcxRowInfo info = dc.GetRowInfo(dc.GetSelectedRowIndex(i));
        const bool group = info.Level < dc.Groups().LevelCount();
        text +=
            (group ? "" : "#") +
            VarToStr(dc.GetValue(info.RecordIndex, group ? dc.Groups().GroupingItemIndex(info.Level) : 0)) +
            ' ';
      }
      return text;
    };
    dc.SetOptions(dc.GetOptions() & ~dcoAssignGroupingValues);
    dc.SetMultiSelect(true);
    EXPECT_TRUE(dc.ChangeFocusedRecordIndex(0));
    dc.ChangeGroupIndex(2, 0);
    dc.ChangeGroupIndex(0, 1);
    dc.SelectRange(0, 3);
    ASSERT_EQ(ShownView(dc), "--3 +0 +0 #0 -2 -5 -9 | focus 3 | selected 0 1 2 3");
    const std::string before = selected();
    ASSERT_EQ(before, "-3 0 0 #0 ");
    // The new record, its b empty, opens a group before the selected ones.
    dc.Append();
    dc.SetEditValue(0, 105, evsValue);
    EXPECT_EQ(selected(), before);
    dc.Cancel();
    EXPECT_EQ(dc.GetRecordCount(), 5);
    EXPECT_EQ(selected(), before);
  });
}

// A record posted under the filter leaves the dataset on the record the controller focuses, not on the hidden
// one, so that a refresh once the filter is cleared keeps that focus, as the controller over its own records
// does; appended, or edited and posted by its value or once the edit ends.
TEST_P(DBData, ARecordPostedUnderTheFilterLeavesTheDataSetOnTheFocusedRecord) {
  for (const char* keys : {"", "id"}) {
    for (auto [append, immediate] : {std::pair{true, false}, {false, false}, {false, true}}) {
      SCOPED_TRACE(std::string(append ? "append" : "edit") + (immediate ? ", posted at once" : "") +
                   ", keys '" + keys + "'");
      Fixture f(GetParam());
      f.ds->Open();
      f.dc.SetKeyFieldNames(keys);
      if (immediate)
        f.dc.SetOptions(f.dc.GetOptions() | dcoImmediatePost);
      TcxDataFilterCriteria& filter = f.dc.Filter();
      filter.AddItem(filter.Root(), f.dc.TcxCustomDataController::GetItemField(2), fokLessEqual, 3.0, "3");
      filter.SetActive(true);
      ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(append ? 1 : 2));
      append ? f.dc.Append() : f.dc.Edit();
      if (append) {
        f.dc.SetEditValue(0, 11, evsValue);
        f.dc.SetEditValue(1, "nena", evsValue);
      }
      f.dc.SetEditValue(2, 9.0, evsValue);
      f.dc.Post();
      ASSERT_EQ(f.dc.GetEditState(), 0);
      // A program showing the records focuses one where none is left focused.
      if (f.dc.GetFocusedRowIndex() < 0) {
        ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(0));
      }
      const int focused = f.dc.GetValue(f.dc.GetFocusedRecordIndex(), 0).AsInteger();
      EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), focused);
      filter.SetActive(false);
      f.ds->Refresh();
      ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
      EXPECT_EQ(f.dc.GetValue(f.dc.GetFocusedRecordIndex(), 0).AsInteger(), focused);
    }
  }
}

// A sort that gives the focused group row another leading record takes the dataset to that record, which the
// focus then names: a refresh once the grouping is cleared keeps the focus as the unbound controller does.
TEST_P(DBData, ASortThatChangesTheRecordOfTheFocusedGroupRowMovesTheDataSet) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    auto play = [&](TcxCustomDataController& ADC, const std::function<void()>& ARefresh) {
      // The first two records share a score, so their group is led by either as the records are sorted.
      ADC.ChangeFocusedRowIndex(1);
      ADC.Edit();
      ADC.SetEditValue(2, 0.0, evsValue);
      ADC.Post();
      ADC.ChangeGroupIndex(2, 0);
      ADC.FullCollapse();
      ADC.ChangeFocusedRowIndex(0);
      ADC.ChangeSorting(0, soDescending);
      ADC.ClearGrouping();
      ARefresh();
      return ShownView(ADC);
    };
    UnboundWords unbound;
    const std::string expected = play(unbound, [&] { unbound.Refresh(); });
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    EXPECT_EQ(play(f.dc, [&] { f.ds->Refresh(); }), expected);
  }
}

// A move that posts an edit of the key of a selected record, which leads a group of words equal but for their
// case, leaves open and selected the rows an unbound controller leaves so: the group rows, and the rows of
// the record the key takes to the end of its group. While the record is in edit it keeps its place at the
// head of the group, holding the group's word in another case than the record that leads the group once it is
// posted.
TEST_P(DBData, APostedKeyEditInAGroupOfCaseVariantsKeepsTheSelectionAsUnbound) {
  for (const char* keys : {"", "id"}) {
    SCOPED_TRACE(std::string("keys '") + keys + "'");
    auto play = [&](TcxCustomDataController& ADC) {
      ADC.SetOptions(ADC.GetOptions() | dcoCaseInsensitive | dcoSaveExpanding);
      ADC.SetMultiSelect(true);
      ADC.ChangeFocusedRecordIndex(1);
      ADC.Edit();
      ADC.SetEditValue(1, "EV", evsValue);
      ADC.Post();
      ADC.ChangeGroupIndex(1, 0);
      ADC.ChangeGroupIndex(0, 1);
      ADC.FullExpand();
      ADC.ChangeFocusedRecordIndex(0);
      const int row = ADC.GetFocusedRowIndex();
      ADC.Edit();
      ADC.SetEditValue(0, 99, evsValue);
      ADC.SelectRange(row - 2, row + 2);
      ADC.GotoLast();
      EXPECT_EQ(ADC.GetEditState(), 0);
      return ShownView(ADC);
    };
    UnboundWords unbound;
    const std::string expected = play(unbound);
    EXPECT_EQ(expected,
              "+ay +5 #5 +cari +4 #4 +dixa +10 #10 +EV +2 #2 +99 #99 +kva +9 #9 +mjora +6 #6 +su +3 #3 "
              "+tuta +7 #7 +zuga +8 #8 | focus 28 | selected 9 10 11 12 13");
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(keys);
    EXPECT_EQ(play(f.dc), expected);
  }
}

TEST_P(DBData, DeleteAndDeleteRecordsLeaveControlsEnabled) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(4));
  f.dc.DeleteFocused();
  EXPECT_FALSE(f.ds->ControlsDisabled());
  ASSERT_EQ(f.dc.GetRecordCount(), 9);
  EXPECT_EQ(f.Word(4), "mjora");

  // No key fields: the records are reached by their place, the last of the data among them.
  std::vector<int> records{8, 0, 3};
  f.dc.DeleteRecords(records);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  ASSERT_EQ(f.dc.GetRecordCount(), 6);
  std::string words;
  for (int r = 0; r < 6; ++r)
    words += f.Word(r) + " ";
  EXPECT_EQ(words, "oxori su mjora tuta zuga kva ");

  f.dc.SetKeyFieldNames("id");
  records = {5, 1};
  f.dc.DeleteRecords(records);
  ASSERT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.Word(0) + f.Word(1) + f.Word(2) + f.Word(3), "oxorimjoratutazuga");
}

TEST_P(DBData, GridModeLoadsABufferAndScrollsItsEdges) {
  Fixture f(GetParam());
  auto& mode = f.dc.DataModeController();
  mode.SetGridModeBufferCount(-5);
  EXPECT_EQ(mode.GridModeBufferCount(), 0);
  mode.SetGridMode(true);
  f.ds->Open();
  EXPECT_TRUE(f.dc.IsGridMode());
  EXPECT_EQ(f.dc.DBProvider().BufferSize(), 100);
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
  mode.SetGridModeBufferCount(4);
  ASSERT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.dc.DBProvider().DataLink().BufferCount(), 4);
  EXPECT_EQ(f.Word(0), "ev");
  EXPECT_TRUE(f.dc.ChangeFocusedRowIndex(2));
  EXPECT_EQ(f.ds->RecNo(), 3);
  // Scroll(1) with 4 records in the buffer and the active record at 2 moves by 1 + 4 - 2 - 1 = 2.
  f.dc.Provider().Scroll(1);
  EXPECT_EQ(f.ds->RecNo(), 5);
  EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), "ay");
  EXPECT_EQ(f.Word(3), "ay") << "the buffer's last row is the new record";
  f.dc.Provider().Scroll(-1);
  EXPECT_EQ(f.ds->RecNo(), 1) << "from active record 3 the dataset moves by -1 - 3";
  EXPECT_EQ(f.Word(0), "ev");

  f.dc.SetKeyFieldNames("id");
  EXPECT_FALSE(f.dc.IsKeyNavigation());
  EXPECT_TRUE(f.dc.LocateByKey(9)) << "a key beyond the buffer is located in the dataset";
  EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "kva");
  EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), "kva");
  EXPECT_FALSE(f.dc.LocateByKey(42));
}

TEST_P(DBData, GridModeBookmarksAndSelection) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetMultiSelect(true);
  EXPECT_THROW(f.dc.GetSelectedBookmark(0), EcxInvalidDataControllerOperation);
  EXPECT_THROW(f.dc.GetAnchorBookmark(), EcxInvalidDataControllerOperation);
  f.dc.DataModeController().SetGridModeBufferCount(4);
  f.dc.DataModeController().SetGridMode(true);
  ASSERT_EQ(f.dc.GetRecordCount(), 4);

  EXPECT_TRUE(f.dc.SaveBookmark());
  EXPECT_FALSE(f.dc.SaveBookmark()) << "the same record again changes nothing";
  EXPECT_TRUE(f.dc.IsBookmarkAvailable());
  f.ds->SetRecNo(8);
  EXPECT_TRUE(f.dc.SaveBookmark());
  f.ds->First();
  EXPECT_TRUE(f.dc.GotoBookmark());
  EXPECT_EQ(f.ds->RecNo(), 8);

  f.ds->First();
  f.dc.ChangeRowSelection(1, true);
  f.dc.ChangeRowSelection(1, true);
  f.dc.ChangeRowSelection(0, true);
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 2) << "a row selected twice keeps one bookmark";
  EXPECT_EQ(f.dc.GetSelectedRowIndex(0), 0);
  EXPECT_EQ(f.dc.GetSelectedRowIndex(1), 1);

  f.dc.SetSelectionAnchor(3);
  f.ds->SetRecNo(7);
  int row = f.dc.GetFocusedRowIndex();
  f.dc.SelectFromAnchor(row, false);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_EQ(f.ds->RecNo(), 7) << "the range walk puts the dataset back";
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 4) << "records 4 to 7";
  EXPECT_EQ(f.dc.GetSelectedRowIndex(0), -1) << "record 4 is outside the buffer now";

  f.dc.SelectAll();
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 10);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_EQ(f.ds->RecNo(), 7);
  EXPECT_TRUE(f.dc.FocusSelectedRow(9));
  EXPECT_EQ(f.ds->RecNo(), 10);
  f.ds->Delete();
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 9) << "the deleted record's bookmark is dropped";
}

// Code that knows only the base controller (a grid, the saved keys) must reach the dataset's bookmarks.
TEST_P(DBData, GridModeBookmarksAndSelectionThroughTheBaseController) {
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetMultiSelect(true);
  f.dc.DataModeController().SetGridModeBufferCount(4);
  f.dc.DataModeController().SetGridMode(true);
  TcxCustomDataController& base = f.dc;

  f.ds->SetRecNo(6);
  ASSERT_TRUE(base.SaveBookmark());
  f.ds->Last();
  EXPECT_TRUE(base.IsBookmarkAvailable()) << "moving the buffer keeps the dataset's bookmark";
  EXPECT_TRUE(base.GotoBookmark());
  EXPECT_EQ(f.ds->RecNo(), 6);
  EXPECT_TRUE(base.IsBookmarkRow(f.dc.GetFocusedRowIndex()));

  base.SelectAll();
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 10);
  EXPECT_TRUE(base.FocusSelectedRow(1));
  EXPECT_EQ(f.ds->RecNo(), 2);
  base.ClearSelection();
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 0);
  base.ChangeRowSelection(f.dc.GetFocusedRowIndex(), true);
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 1);
  EXPECT_EQ(base.GetSelectedRowIndex(0), f.dc.GetFocusedRowIndex());

  f.ds->SetRecNo(6);
  f.ds->Delete();
  EXPECT_FALSE(base.IsBookmarkAvailable()) << "the bookmarked record is gone";
  EXPECT_FALSE(base.GotoBookmark());
}

TEST_P(DBData, IncrementalSearchInTheDataSet) {
  Fixture f(GetParam());
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
  EXPECT_TRUE(f.dc.LocateInDataSource(1, "OX", true, false)) << "the current record matches";
  EXPECT_EQ(f.ds->RecNo(), 2);
  EXPECT_TRUE(f.dc.LocateInDataSource(1, "t", true, false));
  EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "tuta");
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 6);
  EXPECT_TRUE(f.dc.LocateInDataSource(1, "e", true, false)) << "wraps to the first record";
  EXPECT_EQ(f.ds->RecNo(), 1);
  EXPECT_FALSE(f.dc.LocateInDataSource(1, "e", true, true)) << "find-next stops at the end";
  EXPECT_EQ(f.ds->RecNo(), 1);
  EXPECT_FALSE(f.dc.LocateInDataSource(1, "qq", false, false));
  EXPECT_EQ(f.ds->RecNo(), 1);
  EXPECT_FALSE(f.ds->ControlsDisabled());
}

TEST_P(DBData, AutoDataSetFilterHandsTheCriteriaToTheDataSet) {
  Fixture f(GetParam());
  f.ds->Open();
  struct Counter {
    int Count = 0;
    void Hit(TDataSet*) { ++Count; }
  } counter;
  f.ds->AfterScroll = TDataSetNotifyEvent(&counter, &Counter::Hit);
  f.dc.DBFilter().SetAutoDataSetFilter(true);
  EXPECT_FALSE(f.ds->Filtered());
  f.dc.Filter().AddItem(nullptr, f.dc.TcxCustomDataController::GetItemField(2), fokGreater, 9, "9");
  f.dc.Filter().SetActive(true);
  EXPECT_TRUE(f.ds->Filtered());
  EXPECT_FALSE(f.ds->Filter().empty());
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_EQ(f.ds->RecordCount(), 3);
  EXPECT_EQ(f.dc.GetRowCount(), 3);
  int before = counter.Count;
  f.dc.DBFilter().Changed();
  EXPECT_EQ(counter.Count, before) << "the same filter again does not touch the dataset";
}

TEST(DBDataSQLite, FailedWritesRaiseClearErrorsAndLoseNothing) {
  Fixture f(true);
  f.ds->Open();
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(3));
  f.dc.Edit();
  f.dc.SetEditValue(1, "ev", evsValue);
  try {
    f.dc.Post();
    FAIL() << "a duplicate word must not post";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("UNIQUE"), std::string::npos) << e.what();
  }
  EXPECT_EQ(f.ds->State(), dsEdit) << "the edit stays to be fixed";
  EXPECT_EQ(f.ds->FieldByName("word")->AsString(), "ev");
  f.dc.Cancel();
  EXPECT_EQ(f.Word(3), "cari");
  EXPECT_EQ(f.dc.GetRecordCount(), 10);

  // Word 2 has a note: the database refuses to delete it.
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
  EXPECT_THROW(f.dc.DeleteFocused(), EDatabaseError);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
  std::vector<int> records{9, 1, 0};
  EXPECT_THROW(f.dc.DeleteRecords(records), EDatabaseError);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  f.ds->First();
  EXPECT_EQ(f.dc.GetRecordCount(), 9) << "the last record went before the refused one";
  EXPECT_EQ(f.Word(1), "oxori");
}

TEST(DBDataSQLite, AQueryThatDoesNotParseLeavesTheControllerEmpty) {
  Fixture f(true);
  static_cast<TSQLiteQuery*>(f.ds.get())->SetSQL("SELEC id FROM words");
  EXPECT_THROW(f.ds->Open(), EDatabaseError);
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
  EXPECT_FALSE(f.ds->ControlsDisabled());
  static_cast<TSQLiteQuery*>(f.ds.get())->SetSQL("SELECT id, word, score FROM words ORDER BY id");
  f.ds->Open();
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
}

TEST(DBDataSQLite, DetailAdapterComparesAndReopensByParams) {
  if (!DetailFilterAdapters())
    cxDBDataUnit.Initialization();
  // The query's start-up publishes its "Params", which the adapter finds by name.
  static const bool published = (RegisterSQLiteQueryProperties(), true);
  (void)published;
  Fixture mem(false);
  mem.ds->Open();
  TcxDBProviderDetailFilterAdapter* adapter = mem.dc.GetDetailFilterAdapter();
  bool reopened = false;
  EXPECT_FALSE(adapter->IsCurrentQuery(mem.ds.get(), "id", 1)) << "a dataset without Params";
  mem.ds->SetRecNo(4);
  adapter->ReopenSQL(mem.ds.get(), "id", 1, reopened);
  EXPECT_FALSE(reopened);
  EXPECT_EQ(mem.ds->RecNo(), 4);

  Fixture f(true);
  auto* q = static_cast<TSQLiteQuery*>(f.ds.get());
  q->SetSQL("SELECT id, word, score FROM words WHERE score > :low ORDER BY id");
  q->Params()->SetParamValues("low", 6);
  q->Open();
  ASSERT_EQ(f.dc.GetRecordCount(), 5);
  EXPECT_TRUE(adapter->IsCurrentQuery(q, "low", 6));
  EXPECT_FALSE(adapter->IsCurrentQuery(q, "low", 10));
  q->SetRecNo(3);
  adapter->ReopenSQL(q, "low", 6, reopened);
  EXPECT_FALSE(reopened);
  EXPECT_EQ(q->RecNo(), 1) << "the same values go to the first record";
  adapter->ReopenSQL(q, "low", 10, reopened);
  EXPECT_TRUE(reopened);
  EXPECT_FALSE(q->ControlsDisabled());
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  f.dc.DataModeController().DetailInSQLMode = true;
  f.dc.DataModeController().DetailFirst("low", 0, reopened);
  EXPECT_TRUE(reopened);
  EXPECT_EQ(f.dc.GetRecordCount(), 9) << "every score but the zero";
  EXPECT_TRUE(f.dc.DataModeController().DetailIsCurrentQuery("low", 0));
}

TEST(DBDataTypes, FieldTypesMapToValueTypes) {
  struct Case {
    TFieldType Type;
    TcxValueTypeClass Expected;
  } cases[] = {
      {ftString, TcxStringValueType::Instance()},     {ftSmallint, TcxSmallintValueType::Instance()},
      {ftAutoInc, TcxIntegerValueType::Instance()},   {ftWord, TcxWordValueType::Instance()},
      {ftBoolean, TcxBooleanValueType::Instance()},   {ftFloat, TcxFloatValueType::Instance()},
      {ftBCD, TcxCurrencyValueType::Instance()},      {ftCurrency, TcxVariantValueType::Instance()},
      {ftTime, TcxDateTimeValueType::Instance()},     {ftWideString, TcxWideStringValueType::Instance()},
      {ftLargeint, TcxLargeIntValueType::Instance()}, {ftFMTBcd, TcxFMTBcdValueType::Instance()},
      {ftBlob, TcxVariantValueType::Instance()},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TField, TObjectDeleter> field(CreateField(c.Type, nullptr));
    EXPECT_EQ(GetValueTypeClassByField(field.get()), c.Expected) << int(c.Type);
  }
  EXPECT_EQ(GetValueTypeClassByField(nullptr), TcxStringValueType::Instance());
}

INSTANTIATE_TEST_SUITE_P(BothDataSets, DBData, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SQLite" : "Memory"; });

} // namespace

namespace {

TEST(DBDataFilter, AFilterTheDataSetCannotReadRaisesAndKeepsItsFormerFilter) {
  Fixture f(false);
  f.ds->Open();
  f.dc.DBFilter().SetAutoDataSetFilter(true);
  f.dc.ChangeFieldName(2, "nosuch");
  f.dc.Filter().AddItem(nullptr, f.dc.TcxCustomDataController::GetItemField(2), fokGreater, 9, "9");
  f.dc.Filter().SetActive(true);
  EXPECT_NE(f.dc.DBFilter().LastError.find("Filter expression error"), std::string::npos)
      << f.dc.DBFilter().LastError;
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_FALSE(f.ds->Filtered());
  EXPECT_TRUE(f.ds->Filter().empty());
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
  EXPECT_THROW(f.dc.DBFilter().Changed(), EDatabaseError) << "asked directly, the refusal raises";
  EXPECT_FALSE(f.ds->ControlsDisabled());
  f.dc.ChangeFieldName(2, "score");
  f.dc.DBFilter().Changed();
  EXPECT_TRUE(f.dc.DBFilter().LastError.empty());
  EXPECT_EQ(f.ds->RecordCount(), 3);
}

} // namespace

namespace {

class DBDataEvents : public ::testing::TestWithParam<bool> {};

TEST_P(DBDataEvents, ChangesWhileControlsAreDisabledArriveWhenEnabled) {
  Fixture f(GetParam());
  f.ds->Open();
  f.ds->DisableControls();
  f.ds->SetRecNo(3);
  f.ds->Edit();
  f.ds->FieldByName("word")->SetAsString("suk");
  f.ds->Post();
  EXPECT_EQ(f.Word(2), "su") << "nothing reaches the controller while controls are disabled";
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 0);
  f.ds->EnableControls();
  EXPECT_EQ(f.Word(2), "suk");
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);

  // Closed and opened again under disabled controls: the layout is rebuilt on enabling.
  f.ds->DisableControls();
  f.ds->Close();
  f.ds->Open();
  f.ds->SetRecNo(6);
  f.ds->EnableControls();
  EXPECT_EQ(f.dc.GetRecordCount(), 10);
  EXPECT_EQ(f.dc.GetItemField(1), f.ds->FieldByName("word"));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 5);
}

TEST_P(DBDataEvents, RestorePosComesBackToTheRecordAndItsPlaceInTheWindow) {
  Fixture f(GetParam());
  f.dc.DataModeController().SetGridModeBufferCount(4);
  f.dc.DataModeController().SetGridMode(true);
  f.ds->Open();
  f.ds->SetRecNo(6);
  int active = f.ds->ActiveRecord();
  TcxDBDataProvider& provider = f.dc.DBProvider();
  provider.SavePos();
  f.ds->First();
  provider.RestorePos();
  EXPECT_EQ(f.ds->RecNo(), 6);
  EXPECT_EQ(f.ds->ActiveRecord(), active);
  EXPECT_EQ(f.Word(f.dc.GetFocusedRecordIndex()), "mjora");

  // The saved record goes: the dataset stays where it is.
  provider.SavePos();
  f.ds->Delete();
  f.ds->SetRecNo(2);
  provider.RestorePos();
  EXPECT_EQ(f.ds->RecNo(), 2);
}

TEST_P(DBDataEvents, SummaryItemsByFieldName) {
  Fixture f(GetParam());
  f.ds->Open();
  TcxDataSummaryItem* item = f.dc.Summary().FooterSummaryItems().Add();
  item->SetKind(skSum);
  f.dc.SetSummaryItemFieldName(item, "id");
  ASSERT_NE(item->Field(), nullptr);
  f.dc.Summary().Calculate();
  const Variant& values = f.dc.Summary().FooterSummaryValues();
  ASSERT_TRUE(VarIsArray(values));
  EXPECT_EQ(VarToStr(values[VarArrayLowBound(values, 1)]), "55") << "the ids 1 to 10, no item shows them";
  f.dc.SetSummaryItemFieldName(item, "");
  EXPECT_EQ(item->Field(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BothDataSets, DBDataEvents, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SQLite" : "Memory"; });

TEST(DBDataSQLite, GridModeDeleteOfSelectedRowsStopsAtARefusalWithControlsEnabled) {
  Fixture f(true);
  f.ds->Open();
  f.dc.SetMultiSelect(true);
  f.dc.DataModeController().SetGridMode(true);
  f.dc.ChangeRowSelection(0, true);
  f.dc.ChangeRowSelection(1, true);
  f.dc.ChangeRowSelection(2, true);
  EXPECT_THROW(f.dc.DeleteSelection(), EDatabaseError) << "word 2 has a note";
  EXPECT_FALSE(f.ds->ControlsDisabled());
  EXPECT_EQ(f.dc.GetSelectedBookmarkCount(), 2) << "the third went, the refused one stays selected";
  EXPECT_EQ(f.ds->RecordCount(), 9);
  EXPECT_EQ(f.dc.GetRecordCount(), 9);
}

} // namespace

namespace {

TEST_P(DBDataEvents, AFocusedRowChangeTheDataSetCannotFollowAnswersFalse) {
  Fixture f(GetParam());
  f.ds->Open();
  // Key fields: the dataset is found by key rather than by a distance it no longer has.
  f.dc.SetKeyFieldNames("id");
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(1));
  // The dataset hides records the controller still shows until its controls are enabled again.
  f.ds->DisableControls();
  f.ds->SetFilter("id < 6");
  f.ds->SetFiltered(true);
  EXPECT_FALSE(f.dc.ChangeFocusedRowIndex(8));
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 1);
  EXPECT_TRUE(f.dc.ChangeFocusedRowIndex(3));
  EXPECT_EQ(f.ds->FieldByName("id")->AsInteger(), 4);
  f.ds->EnableControls();
  EXPECT_EQ(f.dc.GetRecordCount(), 5);
}

} // namespace

namespace {

// Forms of the words: word 2 has three, word 5 one, word 7 two, and the others none; the in-memory rows lie
// in word order, as a detail range needs.
const struct {
  int Id, WordId;
  const char* Form;
} kForms[] = {{1, 2, "oxorepe"}, {2, 2, "oxoris"}, {3, 2, "oxorce"},
              {4, 5, "mjorepe"}, {5, 7, "zugepe"}, {6, 7, "zugas"}};

struct DetailFixture {
  explicit DetailFixture(Fixture& AMaster) {
    if (AMaster.ds->InheritsFrom(ClassOf<TSQLiteQuery>())) {
      std::string sql = "CREATE TABLE forms (id INTEGER PRIMARY KEY, word_id INTEGER, form TEXT);";
      for (const auto& f : kForms)
        sql += "INSERT INTO forms VALUES (" + std::to_string(f.Id) + ", " + std::to_string(f.WordId) + ", '" +
               f.Form + "');";
      AMaster.conn.ExecSQL(sql);
      auto* q = new TSQLiteQuery(nullptr);
      q->SetConnection(&AMaster.conn);
      q->SetSQL("SELECT id, word_id, form FROM forms WHERE word_id = :word_id ORDER BY id");
      q->Params()->SetParamValues("word_id", 0);
      ds.reset(q);
      dc.DataModeController().DetailInSQLMode = true;
    } else {
      ds.reset(dbtest::MemForms(kForms));
    }
    source.SetDataSet(ds.get());
    dbtest::BindFormsDetail(dc, source);
    ds->Open();
  }
  std::vector<std::string> Forms() {
    std::vector<std::string> forms;
    for (int r = 0; r < dc.GetRecordCount(); ++r)
      forms.push_back(VarToStr(dc.GetValue(r, 1)));
    return forms;
  }
  std::unique_ptr<TDataSet, TObjectDeleter> ds;
  TDataSource source{nullptr};
  DBController dc{2};
};

} // namespace

TEST_P(DBData, ADetailShowsTheRecordsOfItsMasterRecord) {
  static const bool published = (RegisterSQLiteQueryProperties(), true);
  (void)published;
  Fixture master(GetParam());
  master.ds->Open();
  DetailFixture detail(master);
  ASSERT_EQ(detail.dc.GetRecordCount(), GetParam() ? 0 : 6) << "no master record yet: the query's own rows";

  const struct {
    int MasterRecord;
    std::vector<std::string> Forms;
  } cases[] = {
      {1, {"oxorepe", "oxoris", "oxorce"}}, {4, {"mjorepe"}}, {0, {}}, {6, {"zugepe", "zugas"}}, {9, {}},
      {1, {"oxorepe", "oxoris", "oxorce"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.MasterRecord);
    detail.dc.SetMasterRecord(&master.dc, c.MasterRecord);
    EXPECT_TRUE(SameKeyValues(detail.dc.MasterKeyValues(), c.MasterRecord + 1));
    EXPECT_EQ(detail.Forms(), c.Forms);
    EXPECT_FALSE(detail.ds->ControlsDisabled());
    if (!c.Forms.empty()) {
      // Focus and the dataset stay in step inside the range, up to its last record.
      int last = int(c.Forms.size()) - 1;
      EXPECT_TRUE(detail.dc.ChangeFocusedRecordIndex(last));
      EXPECT_EQ(VarToStr(detail.ds->FieldByName("form")->Value()), c.Forms.back());
    }
  }
  if (GetParam()) {
    auto* q = static_cast<TSQLiteQuery*>(detail.ds.get());
    EXPECT_TRUE(SameKeyValues(q->Params()->ParamValues("word_id"), 2)) << "the query was re-run for the key";
  }

  // The master follows the detail: focus and dataset go to the master record it shows.
  master.dc.ChangeFocusedRecordIndex(8);
  detail.dc.SetMasterKeyValues(7);
  EXPECT_EQ(detail.Forms(), (std::vector<std::string>{"zugepe", "zugas"}));
  EXPECT_TRUE(detail.dc.SyncMaster(&master.dc));
  EXPECT_EQ(master.dc.GetFocusedRecordIndex(), 6);
  EXPECT_EQ(VarToStr(master.ds->FieldByName("word")->Value()), "tuta");
  detail.dc.SetMasterKeyValues(42);
  EXPECT_TRUE(detail.Forms().empty());
  EXPECT_FALSE(detail.dc.SyncMaster(&master.dc)) << "no master record has the key";
  EXPECT_EQ(master.dc.GetFocusedRecordIndex(), 6);

  // Clearing the master key shows every record again, and unknown master key names raise.
  detail.dc.SetMasterRecord(&master.dc, -1);
  EXPECT_TRUE(VarIsEmpty(detail.dc.MasterKeyValues()));
  detail.dc.SetMasterKeyFieldNames("nope");
  EXPECT_THROW(detail.dc.SetMasterRecord(&master.dc, 0), EcxInvalidDataControllerOperation);
}

TEST(DBDataMem, ADetailFilteredByItsHandlerFollowsTheMaster) {
  Fixture master(false);
  master.ds->Open();
  DetailFixture detail(master);
  // Rows of a key need not lie together when the handler filters the dataset by the key.
  auto* m = static_cast<TMemDataSet*>(detail.ds.get());
  m->Close();
  m->AddRow({7, 2, "oxorvali"});
  m->Open();
  struct Handler {
    int Calls = 0;
    void DetailFirst(TcxDBDataModeController*, TDataSet* ADataSet, const AnsiString& ANames,
                     const Variant& AValues, bool& AReopened) {
      ++Calls;
      EXPECT_EQ(ANames, "word_id");
      ADataSet->SetFilter("word_id = " + VarToStr(AValues));
      ADataSet->SetFiltered(true);
      ADataSet->First();
      AReopened = false;
    }
  } handler;
  detail.dc.DataModeController().OnDetailFirst =
      TcxDBDataModeControllerDetailFirstEvent(&handler, &Handler::DetailFirst);
  detail.dc.SetMasterRecord(&master.dc, 1);
  EXPECT_EQ(detail.Forms(), (std::vector<std::string>{"oxorepe", "oxoris", "oxorce", "oxorvali"}));
  EXPECT_GT(handler.Calls, 0);
  detail.dc.SetMasterRecord(&master.dc, 6);
  EXPECT_EQ(detail.Forms(), (std::vector<std::string>{"zugepe", "zugas"}));
}

TEST_P(DBData, TheFilterTextHandedToTheDataSetPassesTheValueHandler) {
  Fixture f(GetParam());
  f.ds->Open();
  // The handler sees each value and may rewrite its text: here the bound is lowered from 9 to 4.
  struct Handler {
    std::vector<std::string> Seen;
    void Format(TcxDBDataFilterCriteria*, const Variant& AValue, AnsiString& AText) {
      Seen.push_back(VarToStr(AValue) + "=" + AText);
      if (VarToStr(AValue) == "9")
        AText = "4";
    }
  } handler;
  f.dc.DBFilter().OnFormatFilterTextValue =
      decltype(f.dc.DBFilter().OnFormatFilterTextValue)(&handler, &Handler::Format);
  f.dc.DBFilter().SetAutoDataSetFilter(true);
  f.dc.Filter().AddItem(nullptr, f.dc.TcxCustomDataController::GetItemField(2), fokGreater, 9, "9");
  f.dc.Filter().SetActive(true);
  ASSERT_FALSE(handler.Seen.empty());
  EXPECT_EQ(handler.Seen.front(), "9=9");
  EXPECT_NE(f.ds->Filter().find('4'), AnsiString::npos) << f.ds->Filter();
  EXPECT_EQ(f.ds->RecordCount(), 7) << "scores 4.5 to 13.5";
  EXPECT_EQ(f.dc.GetRowCount(), 7);
}

TEST_P(DBData, SmartRefreshReReadsOnlyThePostedRecord) {
  // A value planted in the storage of record 7 shows whether a post reloaded every record.
  const struct {
    bool Smart;
    const char* KeyNames;
    const char* Record7After;
  } cases[] = {{true, "id", "planted"}, {false, "id", "zuga"}, {true, "", "zuga"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Smart ? "smart " : "full ") + c.KeyNames);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames(c.KeyNames);
    f.dc.DataModeController().SetSmartRefresh(c.Smart);
    TcxValueDef* wordDef = f.dc.TcxCustomDataController::GetItemField(1)->ValueDef();
    f.dc.DataStorage().SetValue(7, wordDef, "planted");
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(3));
    f.dc.Edit();
    ASSERT_TRUE(f.dc.SetEditValue(1, "kati", evsValue));
    f.dc.Post();
    EXPECT_EQ(f.ds->State(), dsBrowse);
    EXPECT_EQ(f.Word(3), "kati");
    EXPECT_EQ(f.Word(7), c.Record7After);
    EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 3);
    EXPECT_EQ(VarToStr(f.ds->FieldByName("word")->Value()), "kati");
  }

  // A delete removes only its record: the planted value moves down with record 7.
  for (bool smart : {true, false}) {
    SCOPED_TRACE(smart);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames("id");
    f.dc.DataModeController().SetSmartRefresh(smart);
    f.dc.DataStorage().SetValue(7, f.dc.TcxCustomDataController::GetItemField(1)->ValueDef(), "planted");
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(3));
    f.dc.DeleteFocused();
    ASSERT_EQ(f.dc.GetRecordCount(), 9);
    EXPECT_EQ(f.ds->RecordCount(), 9);
    EXPECT_EQ(f.dc.FindRecordIndexByKey(4), -1);
    EXPECT_EQ(f.Word(3), "ay");
    EXPECT_EQ(f.Word(6), smart ? "planted" : "zuga");
    EXPECT_FALSE(f.ds->ControlsDisabled());
    ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
    EXPECT_TRUE(
        SameKeyValues(f.dc.GetRecordId(f.dc.GetFocusedRecordIndex()), f.ds->FieldByName("id")->Value()));
  }

  // A post that changes the key re-reads the record under its new key; an insert still reloads.
  Fixture f(GetParam());
  f.ds->Open();
  f.dc.SetKeyFieldNames("id");
  f.dc.DataModeController().SetSmartRefresh(true);
  ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(2));
  f.dc.Edit();
  f.dc.SetEditValue(0, 30, evsValue);
  f.dc.Post();
  EXPECT_TRUE(SameKeyValues(f.dc.GetRecordId(2), 30));
  EXPECT_EQ(f.dc.FindRecordIndexByKey(30), 2);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(3), -1);
  f.dc.Append();
  f.dc.SetEditValue(0, 11, evsValue);
  f.dc.SetEditValue(1, "nena", evsValue);
  f.dc.Post();
  ASSERT_EQ(f.dc.GetRecordCount(), 11);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(11), 10);
}

TEST_P(DBData, SmartRefreshAndSyncModeSettersBringFocusToTheDataSetPosition) {
  // The dataset moves while controls are disabled, so only the setter's scroll notification can move focus;
  // SyncMode's waits for an active provider, which disabled controls rule out.
  const struct {
    const char* Name;
    bool GridMode;
    bool Toggle; // false: the setter is given the value it already holds
    int FocusAfter;
  } cases[] = {{"smart", false, true, 5},
               {"smart", false, false, 0},
               {"smart", true, true, 0},
               {"sync", false, true, 0},
               {"sync", false, false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + (c.GridMode ? " grid" : "") + (c.Toggle ? " toggled" : " same"));
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames("id");
    f.dc.DataModeController().SetGridMode(c.GridMode);
    ASSERT_TRUE(f.dc.ChangeFocusedRowIndex(0));
    f.ds->DisableControls();
    f.ds->SetRecNo(6);
    TcxDBDataModeController& mode = f.dc.DataModeController();
    if (std::string(c.Name) == "smart")
      mode.SetSmartRefresh(c.Toggle ? !mode.SmartRefresh() : mode.SmartRefresh());
    else
      mode.SetSyncMode(c.Toggle ? !mode.SyncMode() : mode.SyncMode());
    EXPECT_EQ(f.dc.GetFocusedRowIndex(), c.FocusAfter);
    f.ds->EnableControls();
  }
}

TEST_P(DBData, ADetailOfADataSetRelationFollowsItsMasterRecordAndSyncsItOnFocus) {
  static const bool published = (RegisterSQLiteQueryProperties(), true);
  (void)published;
  Fixture master(GetParam());
  master.ds->Open();
  DetailFixture detail(master);
  TcxCustomDataRelation* relation = master.dc.Relations().Add(master.dc.Items[1].get());
  ASSERT_TRUE(relation->InheritsFrom(ClassOf<TcxDBDataRelation>()));

  const struct {
    int MasterRecord;
    std::vector<std::string> Forms;
  } cases[] = {{1, {"oxorepe", "oxoris", "oxorce"}}, {6, {"zugepe", "zugas"}}, {0, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.MasterRecord);
    detail.dc.SetMasterRelation(relation, c.MasterRecord);
    EXPECT_EQ(detail.dc.GetDBMaster(), &master.dc);
    EXPECT_TRUE(SameKeyValues(detail.dc.MasterKeyValues(), c.MasterRecord + 1));
    EXPECT_EQ(detail.Forms(), c.Forms);
  }

  // Taking the focus in the detail brings the master, its dataset and its expanded detail along, after the
  // shared dataset was moved or re-queried for another master record.
  detail.dc.SetMasterRelation(relation, 1);
  master.dc.ChangeFocusedRecordIndex(8);
  if (GetParam()) {
    // The query's parameters no longer match the master key: it counts as run for another record.
    static_cast<TSQLiteQuery*>(detail.ds.get())->Params()->SetParamValues("word_id", 7);
  } else {
    detail.ds->Last();
  }
  ASSERT_EQ(detail.Forms(), (std::vector<std::string>{"oxorepe", "oxoris", "oxorce"}));
  EXPECT_TRUE(detail.dc.ChangeFocusedRecordIndex(1));
  EXPECT_EQ(VarToStr(detail.ds->FieldByName("form")->Value()), "oxoris");
  if (GetParam()) {
    auto* q = static_cast<TSQLiteQuery*>(detail.ds.get());
    EXPECT_TRUE(SameKeyValues(q->Params()->ParamValues("word_id"), 2));
  }
  EXPECT_EQ(master.dc.GetFocusedRecordIndex(), 1);
  EXPECT_EQ(VarToStr(master.ds->FieldByName("word")->Value()), "oxori");
  EXPECT_TRUE(master.dc.IsDetailExpanded(1));
  EXPECT_EQ(master.dc.GetDetailActiveRelationIndex(1), relation->Index());

  // Without detail synchronisation the master stays where it is.
  master.dc.ChangeFocusedRecordIndex(8);
  detail.dc.DataModeController().DetailSynchronization = false;
  EXPECT_TRUE(detail.dc.ChangeFocusedRecordIndex(2));
  EXPECT_EQ(master.dc.GetFocusedRecordIndex(), 8);
  detail.dc.DataModeController().DetailSynchronization = true;

  // Leaving the relation shows every record again; removing the relation detaches the detail.
  detail.dc.SetMasterRelation(nullptr, -1);
  EXPECT_TRUE(VarIsEmpty(detail.dc.MasterKeyValues()));
  EXPECT_EQ(detail.dc.GetDBMaster(), nullptr);
  detail.dc.SetMasterRecord(&master.dc, 4);
  EXPECT_EQ(detail.Forms(), (std::vector<std::string>{"mjorepe"}));
}

TEST_P(DBData, SmartRefreshDeletesSeveralRecordsWithoutReloading) {
  // A value planted in record 7's storage survives only when the rest is not read again.
  const struct {
    bool Smart;
    std::vector<int> Records;
    const char* PlantedAfter; // the word of the record that held record 7
  } cases[] = {{true, {5, 0, 2}, "planted"}, {false, {5, 0, 2}, "zuga"}, {true, {9, 0}, "planted"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Smart);
    Fixture f(GetParam());
    f.ds->Open();
    f.dc.SetKeyFieldNames("id");
    f.dc.DataModeController().SetSmartRefresh(c.Smart);
    f.dc.DataStorage().SetValue(7, f.dc.TcxCustomDataController::GetItemField(1)->ValueDef(), "planted");
    std::vector<int> records = c.Records;
    f.dc.DeleteRecords(records);
    int left = 10 - int(c.Records.size());
    ASSERT_EQ(f.dc.GetRecordCount(), left);
    EXPECT_EQ(f.ds->RecordCount(), left);
    EXPECT_FALSE(f.ds->ControlsDisabled());
    for (int r : c.Records)
      EXPECT_EQ(f.dc.FindRecordIndexByKey(r + 1), -1) << r;
    int moved = 7 - int(std::count_if(c.Records.begin(), c.Records.end(), [](int r) { return r < 7; }));
    EXPECT_EQ(f.Word(moved), c.PlantedAfter);
    EXPECT_EQ(f.dc.FindRecordIndexByKey(8), moved);
  }
}

// A regrouping during an edit keeps the record in edit shown in groups of the values it was grouped by when
// the edit began, never inside a group of other values: the place it keeps beside its neighbours was taken
// among the groups shown before, which the new grouping may have moved about it.
TEST(DBDataGroups, ARegroupingDuringAnEditKeepsTheRecordInEditInGroupsOfItsOwn) {
  const std::vector<std::vector<Variant>> rows{{3, 4, 1},  {7, 1, 1},  {8, 2, 3},        {9, 0, 1},
                                               {10, 4, 3}, {13, 3, 1}, {113, Null, Null}};
  // The record in edit (id 113) holds Null in both columns and is grouped by b before the edit.
  const std::vector<std::string> byBThenA{"0+113", "1+113", "2-113", "0+9",  "1+9", "2-9",
                                          "1+7",   "2-7",   "1+13",  "2-13", "1+3", "2-3",
                                          "0+8",   "1+8",   "2-8",   "1+10", "2-10"};
  struct Case {
    const char* Name;
    std::function<void(TcxCustomDataController&)> Steps;
    std::vector<std::string> Shown;
    std::vector<std::string> Values; // of the record in edit after the steps: id, a, b
  } cases[] = {
      {"a level added after a change, focus on another row",
       [](TcxCustomDataController& dc) {
         dc.SetEditValue(2, 2, evsValue);
         ASSERT_TRUE(dc.ChangeFocusedRowIndex(0));
         dc.ChangeGroupIndex(1, 1);
       },
       byBThenA,
       {"113", "", "2"}},
      {"a level added, nothing changed",
       [](TcxCustomDataController& dc) { dc.ChangeGroupIndex(1, 1); },
       byBThenA,
       {"113", "", ""}},
      {"a level added, the row of the record focused",
       [](TcxCustomDataController& dc) {
         dc.SetEditValue(2, 2, evsValue);
         dc.ChangeGroupIndex(1, 1);
       },
       byBThenA,
       {"113", "", "2"}},
      {"a level added, then the levels swapped",
       [](TcxCustomDataController& dc) {
         dc.SetEditValue(1, 4, evsValue);
         dc.ChangeGroupIndex(1, 1);
         dc.ChangeGroupIndex(1, 0);
       },
       {"0+9",  "1+9",  "2-9",   "0+7",   "1+7",   "2-7", "0+8", "1+8", "2-8",  "0+13",
        "1+13", "2-13", "0+113", "1+113", "2-113", "0+3", "1+3", "2-3", "1+10", "2-10"},
       {"113", "4", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    OnEveryPath(rows, [&](TcxCustomDataController& dc, TDataSet*) {
      ASSERT_TRUE(dc.ChangeFocusedRecordIndex(6));
      dc.ChangeGroupIndex(2, 0);
      dc.Edit();
      c.Steps(dc);
      const int editing = dc.Provider().EditingRecordIndex();
      ASSERT_NE(dc.GetEditState(), 0);
      ASSERT_GE(editing, 0);
      // The group rows of the record in edit are shown, closed or not.
      const std::vector<std::string> shown = ShownRows(dc);
      EXPECT_TRUE(std::find_if(shown.begin(), shown.end(),
                               [](const std::string& r) { return r.ends_with("113"); }) != shown.end());
      dc.FullExpand();
      EXPECT_EQ(ShownRows(dc), c.Shown);
      EXPECT_NE(dc.GetEditState(), 0);
      for (int item = 0; item < 3; ++item)
        EXPECT_EQ(VarToStr(dc.GetValue(editing, item)), c.Values[std::size_t(item)]) << "item " << item;
    });
  }
}
