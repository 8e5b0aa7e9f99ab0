#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "data/cxCustomData.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/data/custom_data_test_util.h"

namespace {

TEST(CustomDataFields, ReferencesSurviveTheRemovalOfTheirRoot) {
  TestController dc(3);
  TcxCustomDataField* root = dc.GetItemField(0);
  TcxCustomDataField* first = dc.GetItemField(1);
  TcxCustomDataField* second = dc.GetItemField(2);
  TcxValueDef* def = root->ValueDef();
  first->SetReferenceField(root);
  second->SetReferenceField(first); // followed to the root
  EXPECT_EQ(second->ReferenceField(), root);
  EXPECT_EQ(second->ValueDef(), def);
  dc.RemoveItem(dc.Items[0].get());
  EXPECT_EQ(first->ReferenceField(), nullptr);
  EXPECT_EQ(first->ValueDef(), def);
  EXPECT_EQ(second->ReferenceField(), first);
  TcxCustomDataField* internal = dc.AddInternalField();
  EXPECT_EQ(dc.Fields().ItemCount(), 2);
  EXPECT_EQ(dc.Fields().Items(dc.Fields().Count() - 1), internal);
  dc.AddField();
  EXPECT_EQ(dc.Fields().Items(dc.Fields().Count() - 1), internal); // user fields stay ahead of internal ones
}

TEST(CustomDataLists, SortingAndGroupingListOperations) {
  TestController dc(3);
  TcxCustomDataField* a = dc.GetItemField(0);
  TcxCustomDataField* b = dc.GetItemField(1);
  TcxCustomDataField* c = dc.GetItemField(2);
  TcxSortingFieldList sorting;
  sorting.ChangeSorting(a, soNone);
  EXPECT_EQ(sorting.Count(), 0);
  sorting.ChangeSorting(a, soDescending);
  sorting.ChangeSorting(b, soAscending);
  sorting.ChangeSorting(a, soNone);
  ASSERT_EQ(sorting.Count(), 1);
  EXPECT_EQ(sorting.Items(0).Field, b);
  TcxGroupingFieldList grouping;
  grouping.ChangeGroupIndex(a, 0);
  grouping.ChangeGroupIndex(b, 9);   // beyond the end: appended
  grouping.ChangeSorting(a, soNone); // a grouping entry keeps an order
  EXPECT_EQ(grouping.GetSortOrder(a), soAscending);
  grouping.ChangeGroupIndex(c, 0);
  EXPECT_EQ(grouping.IndexOf(c), 0);
  grouping.ChangeGroupIndex(c, -1);
  EXPECT_EQ(grouping.IndexOf(c), -1);
  grouping.SyncSortOrders(sorting);
  EXPECT_EQ(grouping.GetSortOrder(b), soAscending);
  EXPECT_EQ(grouping.Count(), 2);
}

TEST(CustomDataGroups, ChildrenAndRecordsOfTheGroupTree) {
  TestController dc(2);
  dc.Fill({{1, 1}, {1, 2}, {2, 1}, {1, 1}});
  dc.ChangeGroupIndex(0, 0);
  dc.ChangeGroupIndex(1, 1);
  TcxDataGroups& g = dc.View().Groups();
  struct Case {
    int Group, Children;
  } cases[] = {{-1, 2}, {0, 2}, {1, 2}, {2, 1}, {3, 1}};
  for (const Case& c : cases)
    EXPECT_EQ(g.GetChildCount(c.Group), c.Children) << c.Group;
  EXPECT_EQ(g.GetChildIndex(-1, 1), 3);
  EXPECT_EQ(g.GetChildIndex(0, 1), 2);
  EXPECT_EQ(g.GetChildIndex(1, 0), -1); // a deepest group has record children
  EXPECT_EQ(g.GetChildRecordListIndex(1, 1), 1);
  EXPECT_EQ(g.GetChildRecordListIndex(1, 2), -1);
  EXPECT_EQ(g.GetGroupIndex(2, 0), 0);
  EXPECT_EQ(g.GetLevel(9), -1);
  int group;
  EXPECT_EQ(g.FindByRowIndex(1, group), 3); // collapsed: the second top group has row 1
}

TEST(CustomDataNavigation, MovesAnswerWhetherTheyMoved) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}, {4}, {5}});
  struct Step {
    bool (*Op)(TestController&);
    bool Result;
    int Row;
  } steps[] = {
      {[](TestController& d) { return d.GotoFirst(); }, true, 0},
      {[](TestController& d) { return d.GotoPrev(); }, false, 0},
      {[](TestController& d) { return d.MoveBy(3); }, true, 3},
      {[](TestController& d) { return d.MoveBy(-10); }, true, 0},
      {[](TestController& d) { return d.GotoLast(); }, true, 4},
      {[](TestController& d) { return d.GotoNext(); }, false, 4},
      {[](TestController& d) { return d.IsEOF(); }, true, 4},
      {[](TestController& d) { return d.IsBOF(); }, false, 4},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(step.Op(dc), step.Result);
    EXPECT_EQ(dc.GetFocusedRowIndex(), step.Row);
  }
}

TEST(CustomDataSelection, AnchorsAndRanges) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}, {4}, {5}, {6}});
  dc.SetMultiSelect(true);
  dc.SelectRange(5, 2);
  EXPECT_EQ(dc.GetSelectedCount(), 4);
  EXPECT_TRUE(dc.IsRowSelected(2) && dc.IsRowSelected(5) && !dc.IsRowSelected(1));
  dc.SetSelectionAnchor(3);
  dc.SelectFromAnchor(0, false);
  EXPECT_EQ(dc.GetSelectedCount(), 4);
  EXPECT_TRUE(dc.IsRowSelected(0) && !dc.IsRowSelected(4));
  // Deselecting the anchor row clears the anchor.
  dc.ChangeRowSelection(3, false);
  EXPECT_FALSE(dc.IsSelectionAnchorSet());
  EXPECT_THROW(dc.ChangeRowSelection(6, true), EcxInvalidDataControllerOperation);
  dc.ChangeFocusedRowIndex(1);
  dc.SelectOnlyFocusedRow();
  EXPECT_EQ(dc.GetSelectedCount(), 1);
  EXPECT_EQ(dc.GetSelectedRowIndex(0), 1);
}

TEST(CustomDataEditing, EditStatesAndCancelFocus) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}});
  dc.Provider().SetChanging();
  EXPECT_EQ(dc.GetEditState(), 0); // changing without a record in edit is no state
  dc.Provider().ResetChanging();
  dc.ChangeFocusedRowIndex(2);
  dc.Append();
  int appended = dc.GetEditingRecordIndex();
  EXPECT_EQ(appended, 3);
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 3);
  dc.Cancel(); // the untouched new last record goes, the focus falls back to the row before it
  EXPECT_EQ(dc.GetRecordCount(), 3);
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 2);
  dc.ChangeFocusedRowIndex(1);
  dc.Insert();
  EXPECT_EQ(dc.GetEditingRecordIndex(), 1);
  EXPECT_EQ(dc.Provider().RecordAfter(), 2); // the record it was inserted before moved up by one
  dc.Cancel();
  EXPECT_EQ(dc.GetRecordCount(), 3);
  EXPECT_TRUE(dc.CanEditItem(0));
  EXPECT_EQ(dc.GetEditState() & dceEdit, dceEdit); // CanEditItem leaves the record in edit
  dc.Cancel();
}

// A view that focuses its top row after a regrouping leaves the focus with a record in edit: the edit goes
// on, and a focus on another record would part from it.
TEST(CustomDataEditing, FocusingTheTopRowAfterARegroupingSparesTheRecordInEdit) {
  for (bool editing : {false, true}) {
    SCOPED_TRACE(editing ? "in edit" : "browsing");
    TestController dc(2);
    dc.SetOptions(dc.GetOptions() | dcoFocusTopRowAfterSorting | dcoGroupsAlwaysExpanded);
    dc.Fill({{3, 2}, {1, 1}, {2, 1}});
    dc.ChangeFocusedRecordIndex(2);
    if (editing)
      dc.Edit();
    dc.ChangeGroupIndex(1, 0);
    EXPECT_EQ(dc.GetEditState() != 0, editing);
    // The top row is the group of 1, which the record of id 1 leads.
    EXPECT_EQ(dc.GetFocusedRecordIndex(), editing ? 2 : 1);
    const TcxRowInfo focused = dc.GetRowInfo(dc.GetFocusedRowIndex());
    EXPECT_EQ(focused.RecordIndex, dc.GetFocusedRecordIndex());
    EXPECT_EQ(focused.Level, 1);
  }
}

// The post of a new record that was never changed takes it away as its cancel does, and leaves the focus
// where the cancel leaves it, in a plain, a sorted and a grouped view, the record inserted or appended.
TEST(CustomDataEditing, APostOfAnUntouchedNewRecordFocusesAsItsCancel) {
  const struct {
    const char* Name;
    std::function<void(TestController&)> Shape;
    int Row;
  } cases[] = {
      {"plain", [](TestController&) {}, 1},
      {"sorted", [](TestController& A) { A.ChangeSorting(0, soDescending); }, 3},
      {"grouped",
       [](TestController& A) {
         A.ChangeGroupIndex(1, 0);
         A.FullCollapse();
         A.ChangeExpanding(0, true, false);
       },
       2},
  };
  // The rows as records, -1 for a group row, each group's state, and the focused row.
  auto seen = [](TestController& A) {
    std::string text;
    for (int row = 0; row < A.GetRowCount(); ++row) {
      TcxRowInfo info = A.GetRowInfo(row);
      text += info.Level < A.Groups().LevelCount() ? (info.Expanded ? "+ " : "- ")
                                                   : std::to_string(info.RecordIndex) + " ";
    }
    return text + "| " + std::to_string(A.GetFocusedRowIndex());
  };
  for (const auto& c : cases)
    for (bool append : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (append ? ", appended" : ", inserted"));
      std::string ends[2];
      for (bool post : {false, true}) {
        TestController dc(2);
        dc.Fill({{1, 7}, {2, 8}, {3, 9}, {4, 7}, {5, 8}});
        c.Shape(dc);
        ASSERT_TRUE(dc.ChangeFocusedRowIndex(c.Row));
        append ? dc.Append() : dc.Insert();
        ASSERT_NE(dc.GetEditState() & dceInsert, 0);
        post ? dc.Post() : dc.Cancel();
        EXPECT_EQ(dc.GetRecordCount(), 5);
        EXPECT_GE(dc.GetFocusedRowIndex(), 0);
        ends[post] = seen(dc);
      }
      EXPECT_EQ(ends[true], ends[false]);
    }
}

// Starting an edit with no data row focused is refused with the range error, and nothing changes.
TEST(CustomDataEditing, EditingWithNoFocusedRecordRaises) {
  struct Case {
    const char* Name;
    int Records;
    bool Grouped;
    int FocusRow;
    bool Raises;
  } cases[] = {
      {"no records", 0, false, -1, true},
      {"no focused row", 3, false, -1, true},
      {"a group row focused", 3, true, 0, true},
      {"a data row focused", 3, false, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestController dc(2);
    std::vector<std::vector<Variant>> rows;
    for (int r = 0; r < c.Records; ++r)
      rows.push_back({r, 7});
    dc.Fill(rows);
    if (c.Grouped)
      dc.ChangeGroupIndex(1, 0);
    dc.ChangeFocusedRowIndex(c.FocusRow);
    ASSERT_EQ(dc.GetFocusedRowIndex(), c.FocusRow);
    for (bool canEdit : {true, false}) {
      auto start = [&] { return canEdit ? dc.CanEditItem(0) : dc.SetEditValue(0, 42, evsValue); };
      if (!c.Raises) {
        EXPECT_TRUE(start());
        dc.Cancel();
        continue;
      }
      try {
        start();
        ADD_FAILURE() << (canEdit ? "CanEditItem" : "SetEditValue") << " did not raise";
      } catch (const EcxInvalidDataControllerOperation& e) {
        EXPECT_STREQ(e.what(), "RecordIndex out of range");
      }
      EXPECT_EQ(dc.GetEditState(), 0);
      EXPECT_EQ(dc.GetRecordCount(), c.Records);
      for (int r = 0; r < c.Records; ++r)
        EXPECT_EQ(dc.GetValue(r, 0).AsInteger(), r);
    }
  }
}

// Deleting the record in edit ends the edit whole: the next edit of another record is a plain edit, whose
// cancel restores that record instead of removing it as a new one.
TEST(CustomDataEditing, DeletingTheRecordInEditEndsTheEdit) {
  enum Start { kAppend, kInsert, kEdit };
  for (Start start : {kAppend, kInsert, kEdit}) {
    for (bool selection : {false, true}) {
      SCOPED_TRACE(std::to_string(int(start)) + (selection ? " through the selection" : " focused"));
      TestController dc(1);
      dc.Fill({{10}, {20}, {30}});
      dc.SetMultiSelect(selection);
      dc.ChangeFocusedRowIndex(1);
      start == kAppend ? dc.Append() : start == kInsert ? dc.Insert() : dc.Edit();
      dc.SetEditValue(0, 99, evsValue);
      if (selection)
        dc.ChangeRowSelection(dc.GetFocusedRowIndex(), true);
      selection ? dc.DeleteSelection() : dc.DeleteFocused();
      EXPECT_EQ(dc.GetEditState(), 0);
      ASSERT_EQ(dc.GetRecordCount(), start == kEdit ? 2 : 3);
      ASSERT_TRUE(dc.ChangeFocusedRowIndex(0));
      dc.SetEditValue(0, 42, evsValue);
      EXPECT_EQ(dc.GetEditState() & (dceInsert | dceEdit), dceEdit);
      dc.Cancel();
      std::vector<int> values;
      for (int r = 0; r < dc.GetRecordCount(); ++r)
        values.push_back(dc.GetValue(r, 0).AsInteger());
      EXPECT_EQ(values, start == kEdit ? (std::vector<int>{10, 30}) : (std::vector<int>{10, 20, 30}));
    }
  }
}

// Asking again to edit the record in edit keeps the values saved when the edit began, so a cancel brings
// those back and not the ones typed since.
TEST(CustomDataEditing, EditingAgainKeepsTheValuesToGoBackTo) {
  for (bool again : {false, true}) {
    SCOPED_TRACE(again ? "Edit" : "CanEditItem");
    TestController dc(1);
    dc.Fill({{10}, {20}});
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(0));
    dc.SetEditValue(0, 11, evsValue);
    again ? dc.Edit() : (void)dc.CanEditItem(0);
    dc.SetEditValue(0, 12, evsValue);
    EXPECT_EQ(dc.GetEditState() & (dceInsert | dceEdit), dceEdit);
    dc.Cancel();
    EXPECT_EQ(dc.GetValue(0, 0).AsInteger(), 10);
    EXPECT_EQ(dc.GetRecordCount(), 2);
  }
}

// Deleting the only record of a group focuses a record next to it, not the record whose index falls to the
// deleted one's place, which may lie in a closed group that it would open.
TEST(CustomDataEditing, DeletingTheOnlyRecordOfAGroupFocusesARecordBesideIt) {
  TestController dc(2);
  dc.Fill({{1, 7}, {2, 8}, {3, 9}, {4, 7}});
  dc.ChangeGroupIndex(1, 0);
  ASSERT_TRUE(dc.ChangeFocusedRecordIndex(3));
  dc.FullCollapse();
  ASSERT_TRUE(dc.ChangeFocusedRecordIndex(2)); // rows: 7 (1, 4), 8 closed, 9 (3)
  ASSERT_EQ(dc.GetRowCount(), 6);
  dc.DeleteFocused();
  EXPECT_EQ(dc.GetRowCount(), 4); // 7 (1, 4), 8 still closed
  ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 4);
}

// Deleting a focused group row beside a multiple selection focuses a record outside the group afterwards, not
// the record whose index falls to the place of the group's first one.
TEST(CustomDataEditing, DeletingAFocusedGroupBesideASelectionFocusesARecordOutsideIt) {
  TestController dc(2);
  dc.Fill({{1, 7}, {2, 8}, {3, 9}, {4, 9}});
  dc.SetMultiSelect(true);
  dc.ChangeGroupIndex(1, 0);
  ASSERT_TRUE(dc.ChangeFocusedRecordIndex(0));
  dc.FullCollapse(); // rows: 7 (1), 8 closed, 9 closed
  ASSERT_EQ(dc.GetRowCount(), 4);
  dc.ClearSelection();
  dc.ChangeRowSelection(1, true);
  ASSERT_TRUE(dc.ChangeFocusedRowIndex(3));
  dc.DeleteFocused();
  ASSERT_EQ(dc.GetRecordCount(), 2);
  EXPECT_EQ(dc.GetRowCount(), 3); // 8 still closed
  ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 1);
}

// Deleting a selection that holds the focused row and the rows beside it focuses the nearest record that
// stays, not the one the index arithmetic lands on once the record kept is gone too.
TEST(CustomDataEditing, DeletingASelectionFocusesTheNearestRecordThatStays) {
  TestController dc(1);
  dc.Fill({{10}, {20}, {30}, {40}, {50}});
  dc.SetMultiSelect(true);
  ASSERT_TRUE(dc.ChangeFocusedRowIndex(1));
  dc.ClearSelection();
  for (int row : {0, 1, 2})
    dc.ChangeRowSelection(row, true);
  dc.DeleteSelection();
  ASSERT_EQ(dc.GetRecordCount(), 2);
  ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 40);
}

// A focused group row beside a deleted selection stays the focused row, and its group as closed as it was.
TEST(CustomDataEditing, AFocusedGroupRowBesideADeletedSelectionStaysFocused) {
  TestController dc(2);
  dc.Fill({{1, 7}, {2, 8}, {3, 9}});
  dc.SetMultiSelect(true);
  dc.ChangeGroupIndex(1, 0);
  dc.FullCollapse();
  dc.ClearSelection();
  dc.ChangeRowSelection(0, true);
  ASSERT_TRUE(dc.ChangeFocusedRowIndex(2));
  dc.DeleteSelection();
  ASSERT_EQ(dc.GetRecordCount(), 2);
  EXPECT_EQ(dc.GetRowCount(), 2);
  EXPECT_EQ(dc.GetFocusedRowIndex(), 1);
  EXPECT_EQ(dc.GetRowInfo(1).Level, 0);
}

TEST(CustomDataEditing, AppendFillsGroupingValuesWhenAsked) {
  for (bool assign : {true, false}) {
    TestController dc(2);
    dc.Fill({{7, 1}, {8, 2}});
    dc.SetOptions(assign ? dc.GetOptions() | dcoAssignGroupingValues
                         : dc.GetOptions() & ~dcoAssignGroupingValues);
    dc.ChangeGroupIndex(0, 0);
    dc.FullExpand();
    dc.Append();
    Variant value = dc.GetValue(dc.GetEditingRecordIndex(), 0);
    if (assign)
      EXPECT_EQ(value.AsInteger(), 8);
    else
      EXPECT_TRUE(value.IsNull());
    dc.Cancel();
  }
}

struct ListenerLog : TObject {
  TestController* Controller = nullptr;
  std::vector<int> Calls;
  void First(TObject*) {
    Calls.push_back(1);
    Controller->RemoveDataChangedListener(this, TNotifyEvent(this, &ListenerLog::Second));
  }
  void Second(TObject*) { Calls.push_back(2); }
  void Third(TObject*) { Calls.push_back(3); }
};

TEST(CustomDataNotification, ListenersMayRemoveOthersWhileCalled) {
  TestController dc(1);
  dc.Fill({{1}});
  ListenerLog log;
  log.Controller = &dc;
  dc.AddDataChangedListener(&log, TNotifyEvent(&log, &ListenerLog::First));
  dc.AddDataChangedListener(&log, TNotifyEvent(&log, &ListenerLog::Second));
  dc.AddDataChangedListener(&log, TNotifyEvent(&log, &ListenerLog::Third));
  dc.RemoveDataChangedListener(&log, TNotifyEvent(&log, &ListenerLog::Third));
  dc.RemoveDataChangedListener(nullptr, TNotifyEvent(&log, &ListenerLog::Third)); // never added: nothing
  dc.SetValue(0, 0, 2);
  EXPECT_EQ(log.Calls, (std::vector<int>{1}));
}

class KindLog : public TestController {
public:
  using TestController::TestController;
  void DoUpdateEvent(TcxUpdateControlInfo* AInfo) override {
    if (auto* info = dynamic_cast<TcxDataChangedInfo*>(AInfo))
      Kinds.push_back({info->Kind, info->ItemIndex, info->RecordIndex});
  }
  std::vector<std::vector<int>> Kinds;
};

TEST(CustomDataNotification, DataChangedInfosCarryTheMergedKind) {
  KindLog dc(2);
  dc.Fill({{1, 1}, {2, 2}});
  struct Case {
    void (*Op)(KindLog&);
    std::vector<int> Expected; // kind, item, record
  } cases[] = {
      {[](KindLog& d) { d.SetValue(1, 1, 5); }, {dcField, 1, 1}},
      {[](KindLog& d) { d.DataChanged(dcField, -1, 1); }, {dcRecord, -1, 1}},
      {[](KindLog& d) { d.DataChanged(dcRecord, -1, -1); }, {dcTotal, -1, -1}},
      {[](KindLog& d) { d.SetRecordCount(-5); }, {dcDeleted, -1, -1}},
  };
  for (const Case& c : cases) {
    dc.Kinds.clear();
    c.Op(dc);
    ASSERT_FALSE(dc.Kinds.empty());
    EXPECT_EQ(dc.Kinds.back(), c.Expected);
  }
  EXPECT_EQ(dc.GetRecordCount(), 0);
}

TEST(CustomDataSearch, EmptyTextKeepsTheSearchAndTextSearchWraps) {
  TestController dc(1);
  dc.SetItemValueTypeClass(0, TcxStringValueType::Instance());
  dc.Fill({{"ab"}, {"b"}, {"abc"}, {"c"}});
  ASSERT_TRUE(dc.Search().Locate(0, "ab"));
  EXPECT_FALSE(dc.Search().Locate(0, ""));
  EXPECT_TRUE(dc.Search().Searching());
  EXPECT_EQ(dc.Search().SearchText(), "ab");
  struct Case {
    int Start;
    const char* Text;
    bool Partial, Wrap, Forward;
    int Expected;
  } cases[] = {
      {1, "ab", true, true, true, 2},  {3, "ab", true, true, true, 0},   {3, "ab", true, false, true, -1},
      {3, "ab", false, true, true, 0}, {1, "abc", true, true, false, 2}, {0, "c", true, true, false, -1},
      {4, "ab", true, true, true, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(dc.FindRecordIndexByText(c.Start, 0, c.Text, c.Partial, c.Wrap, c.Forward), c.Expected)
        << c.Start << c.Text;
}

struct SummaryHook : TObject {
  void Double(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments& Out) {
    if (!Out.Value.IsNull())
      Out.Value = Out.Value.AsInteger() * 2;
  }
};

TEST(CustomDataSummaries, EventReplacesValuesAndTextsUseTheirFormats) {
  TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = '.';
  struct Restore {
    TFormatSettings& Saved;
    ~Restore() { FormatSettings = Saved; }
  } restore{saved};
  TestController dc(1);
  dc.Fill({{1}, {2}, {Null}});
  SummaryHook hook;
  TcxDataSummaryItems& footer = dc.Summary().FooterSummaryItems();
  footer.OnSummary =
      TEvent<void(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments&)>(
          &hook, &SummaryHook::Double);
  TcxDataSummaryItem* sum = footer.Add();
  sum->SetField(dc.GetItemField(0));
  sum->SetKind(skSum);
  EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 6);
  struct Case {
    TcxSummaryKind Kind;
    Variant Value;
    bool Footer;
    const char* Format;
    const char* Text;
  } cases[] = {
      {skCount, 3, false, "", "COUNT=3"}, {skCount, 3, true, "", "3"},
      {skMin, 2.5, true, "", "MIN=2.50"}, {skAverage, -1.0, false, "", "AVG=-1.00"},
      {skSum, 7, true, "#", "7"},         {skNone, "x", true, "", "x"},
      {skSum, Null, true, "", ""},
  };
  for (const Case& c : cases) {
    sum->SetKind(c.Kind);
    sum->SetFormat(c.Format);
    EXPECT_EQ(sum->GetValueDisplayText(c.Value, c.Footer), c.Text);
  }
  EXPECT_FALSE(TcxDataSummary::IsValueIndexValid(VarArrayOf({1}), 1));
  EXPECT_FALSE(TcxDataSummary::IsValueIndexValid(Variant(1), 0));
  EXPECT_TRUE(TcxDataSummaryItems::CanIncludeValue(TcxSummaryOptions{soNullIgnore}, false, true));
  EXPECT_FALSE(TcxDataSummaryItems::CanIncludeValue(TcxSummaryOptions{soSelectedRecords}, false, true));
}

} // namespace

namespace {

// A provider over a plain array, as a dataset-bound provider reads its data set.
class ArrayProvider : public TcxCustomDataProvider {
  PELVOR_CLASS(ArrayProvider, TcxCustomDataProvider)
public:
  using TcxCustomDataProvider::TcxCustomDataProvider;
  bool IsUnboundMode() override { return false; }
  bool IsActive() override { return true; }
  bool IsEOF() override { return Position >= int(Values.size()); }
  void First() override { Position = 0; }
  void Next() override { ++Position; }
  std::unique_ptr<TcxValueDefReader, TObjectDeleter> CreateValueDefReader() override;
  std::vector<int> Values;
  int Position = 0;
};

class ArrayReader : public TcxValueDefReader {
  PELVOR_CLASS(ArrayReader, TcxValueDefReader)
public:
  explicit ArrayReader(ArrayProvider* AProvider) : FProvider(AProvider) {}
  Variant GetValue(TcxValueDef*) override { return FProvider->Values[std::size_t(FProvider->Position)]; }

private:
  ArrayProvider* FProvider;
};

std::unique_ptr<TcxValueDefReader, TObjectDeleter> ArrayProvider::CreateValueDefReader() {
  return std::unique_ptr<TcxValueDefReader, TObjectDeleter>(new ArrayReader(this));
}

class LoadingController : public TcxCustomDataController {
public:
  LoadingController() : TcxCustomDataController(nullptr, ClassOf<ArrayProvider>(), nullptr) {
    AddItem(&FItem);
    SetItemValueTypeClass(0, TcxIntegerValueType::Instance());
  }
  TObject* GetItem(int) override { return &FItem; }
  ArrayProvider& Source() { return static_cast<ArrayProvider&>(Provider()); }

private:
  Item FItem;
};

TEST(CustomDataLoading, ReloadReadsEveryRecordOfTheProvider) {
  LoadingController dc;
  EXPECT_EQ(dc.GetDataProviderClass(), ClassOf<ArrayProvider>());
  dc.Source().Values = {3, 1, 2};
  dc.ReloadData();
  ASSERT_EQ(dc.GetRecordCount(), 3);
  dc.ChangeSorting(0, soAscending);
  EXPECT_EQ(dc.GetValue(dc.GetRowInfo(0).RecordIndex, 0).AsInteger(), 1);
  dc.Source().Values = {9};
  dc.ReloadData(); // a reload replaces the records, it does not add to them
  ASSERT_EQ(dc.GetRecordCount(), 1);
  EXPECT_EQ(dc.GetValue(0, 0).AsInteger(), 9);
}

} // namespace
