// Grouping by one level against a plain model, for every kind of grouped value: records in group order,
// group boundaries, and footer and group summaries of narrow and wide integers, counts, averages and maxima.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "data/cxVariants.h"
#include "platform/rtl/SysUtils.h"
#include "tests/data/custom_data_test_util.h"

namespace {

enum class KeyKind { Integer, LargeInt, Float, Date, String };

// A key the model orders by: Null, then a number or a text.
struct ModelKey {
  bool IsNull;
  double Number;
  AnsiString Text;
};

int CompareKeys(const ModelKey& A, const ModelKey& B, bool AText) {
  if (A.IsNull || B.IsNull)
    return int(B.IsNull) - int(A.IsNull);
  if (AText) {
    int c = AnsiCompareStr(A.Text, B.Text);
    return (c > 0) - (c < 0);
  }
  return (A.Number > B.Number) - (A.Number < B.Number);
}

Variant MakeKey(KeyKind AKind, int AValue) {
  switch (AKind) {
  case KeyKind::Integer:
    return AValue * 7 - 300;
  case KeyKind::LargeInt:
    return Variant(std::int64_t(AValue) * std::int64_t(1000000007) - (std::int64_t(1) << 40));
  case KeyKind::Float:
    // Zero in both signs is one value and one group.
    return AValue == 0 ? -0.0 : AValue == 1 ? 0.0 : AValue * 0.25 - 2;
  case KeyKind::Date:
    return Variant::FromDate(45000 + AValue * 0.5);
  case KeyKind::String: {
    const char* syllables[] = {"ka", "Ze", "mo", "ri", "tu", "la"};
    AnsiString s;
    for (int v = AValue + 1; v > 0; v /= 6)
      s += syllables[v % 6];
    return s;
  }
  }
  return Null;
}

TcxValueTypeClass TypeOf(KeyKind AKind) {
  switch (AKind) {
  case KeyKind::Integer:
    return TcxIntegerValueType::Instance();
  case KeyKind::LargeInt:
    return TcxLargeIntValueType::Instance();
  case KeyKind::Float:
    return TcxFloatValueType::Instance();
  case KeyKind::Date:
    return TcxDateTimeValueType::Instance();
  case KeyKind::String:
    return TcxStringValueType::Instance();
  }
  return nullptr;
}

struct SummaryModel {
  double Sum = 0;
  int Count = 0, Present = 0;
  bool AnyMax = false;
  std::int64_t Max = 0;
  void Add(const Variant& AValue) {
    ++Count;
    if (AValue.IsNull())
      return;
    ++Present;
    Sum += AValue.AsDouble();
    Max = AnyMax ? std::max(Max, AValue.AsInt64()) : AValue.AsInt64();
    AnyMax = true;
  }
};

// The summary items of a view: sums of a narrow and of a wide integer field, a count, an average, a maximum.
enum { kSum32, kCount32, kAvg32, kSum64, kMax32, kItemCount };

void AddItems(TcxDataSummaryItems& AItems, TcxDataController& ADc) {
  struct {
    int Field;
    TcxSummaryKind Kind;
  } items[] = {{1, skSum}, {1, skCount}, {1, skAverage}, {2, skSum}, {1, skMax}};
  for (auto [field, kind] : items) {
    TcxDataSummaryItem* item = AItems.Add();
    item->SetField(ADc.GetItemField(field));
    item->SetKind(kind);
  }
}

void ExpectValues(const Variant& AValues, const SummaryModel& AModel, bool ANullIgnore,
                  const std::string& AWhere) {
  SCOPED_TRACE(AWhere);
  ASSERT_TRUE(TcxDataSummary::IsValueIndexValid(AValues, kItemCount - 1));
  int count = ANullIgnore ? AModel.Present : AModel.Count;
  EXPECT_EQ(AValues[kCount32].AsInteger(), count);
  bool none = ANullIgnore && AModel.Present == 0;
  for (int sum : {kSum32, kSum64}) {
    if (none)
      EXPECT_TRUE(AValues[sum].IsNull());
    else
      EXPECT_EQ(AValues[sum].AsDouble(), AModel.Sum * (sum == kSum64 ? 1000 : 1));
  }
  if (none)
    EXPECT_TRUE(AValues[kAvg32].IsNull());
  else
    EXPECT_NEAR(AValues[kAvg32].AsDouble(), AModel.Sum / count, 1e-9);
  if (AModel.AnyMax)
    EXPECT_EQ(AValues[kMax32].AsInt64(), AModel.Max);
  else
    EXPECT_TRUE(AValues[kMax32].IsNull());
}

TEST(CustomDataGrouping, OneLevelMatchesAPlainModel) {
  struct Case {
    KeyKind Kind;
    int Records, Distinct, NullEvery;
    TcxDataSortOrder Order;
    bool NullIgnore;
    bool Filtered = false; // a filter leaves part of the records in the list
  } cases[] = {
      {KeyKind::Integer, 500, 30, 0, soAscending, false},
      {KeyKind::Integer, 500, 30, 4, soDescending, true},
      {KeyKind::Integer, 500, 30, 4, soAscending, false, true},
      // More distinct values than the one-pass grouping takes: the general path gives the same view.
      {KeyKind::Integer, 70000, 70000, 9, soAscending, false},
      {KeyKind::LargeInt, 400, 50, 5, soDescending, false},
      {KeyKind::Float, 400, 9, 6, soAscending, true},
      {KeyKind::Float, 400, 9, 6, soAscending, false, true},
      {KeyKind::Float, 400, 9, 0, soDescending, false},
      {KeyKind::Date, 300, 20, 3, soAscending, false},
      {KeyKind::String, 500, 40, 5, soAscending, false},
      {KeyKind::String, 500, 40, 5, soDescending, true, true},
      {KeyKind::String, 500, 300, 7, soDescending, true},
      {KeyKind::Integer, 50, 5, 1, soAscending, false}, // every key Null
  };
  std::mt19937 rng(5);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "kind " << int(c.Kind) << " distinct " << c.Distinct << " order " << int(c.Order)
                 << " null ignore " << c.NullIgnore << " filtered " << c.Filtered);
    TestController dc(3);
    dc.SetItemValueTypeClass(0, TypeOf(c.Kind));
    dc.SetItemValueTypeClass(2, TcxLargeIntValueType::Instance());
    std::vector<std::vector<Variant>> rows;
    std::vector<ModelKey> keys;
    for (int i = 0; i < c.Records; ++i) {
      bool isNull = c.NullEvery && rng() % unsigned(c.NullEvery) == 0;
      int value = c.Distinct == c.Records ? (i * 7919) % c.Records : int(rng() % unsigned(c.Distinct));
      Variant key = isNull ? Null : MakeKey(c.Kind, value);
      keys.push_back({isNull, isNull || c.Kind == KeyKind::String ? 0 : key.AsDouble(),
                      isNull || c.Kind != KeyKind::String ? AnsiString() : key.AsString()});
      Variant narrow = rng() % 5 == 0 ? Null : Variant(int(rng() % 2000) - 1000);
      Variant wide = narrow.IsNull() ? Null : Variant(std::int64_t(narrow.AsInteger()) * 1000);
      rows.push_back({key, narrow, wide});
    }
    dc.Fill(rows);
    dc.Summary().SetOptions(c.NullIgnore ? TcxSummaryOptions{soNullIgnore} : TcxSummaryOptions{});
    AddItems(dc.Summary().FooterSummaryItems(), dc);
    AddItems(dc.Summary().DefaultGroupSummaryItems(), dc);
    auto passes = [&](int ARecord) {
      const Variant& narrow = rows[std::size_t(ARecord)][1];
      return !c.Filtered || (!narrow.IsNull() && narrow.AsInteger() >= -500);
    };
    {
      TUpdateBlock<TcxCustomDataController> update(dc);
      if (c.Filtered) {
        dc.Filter().AddItem(dc.Filter().Root(), dc.Items[1].get(), fokGreaterEqual, -500, "");
        dc.Filter().SetActive(true);
      }
      dc.ChangeGroupIndex(0, 0);
      dc.ChangeSorting(0, c.Order);
    }
    bool text = c.Kind == KeyKind::String;
    std::vector<int> expected;
    for (int i = 0; i < c.Records; ++i)
      if (passes(i))
        expected.push_back(i);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      int cmp = CompareKeys(keys[std::size_t(a)], keys[std::size_t(b)], text);
      return c.Order == soDescending ? cmp > 0 : cmp < 0;
    });
    ASSERT_EQ(dc.View().RecordList(), expected);
    TcxDataGroups& groups = dc.View().Groups();
    SummaryModel footer;
    int group = 0;
    for (std::size_t k = 0; k < expected.size(); ++group) {
      ASSERT_LT(group, groups.Count());
      ASSERT_EQ(groups.Items(group).BeginIndex, int(k));
      SummaryModel model;
      std::size_t end = k;
      while (end < expected.size() &&
             CompareKeys(keys[std::size_t(expected[k])], keys[std::size_t(expected[end])], text) == 0) {
        model.Add(rows[std::size_t(expected[end])][1]);
        footer.Add(rows[std::size_t(expected[end])][1]);
        ++end;
      }
      ASSERT_EQ(groups.Items(group).EndIndex, int(end) - 1);
      ExpectValues(groups.Items(group).SummaryValues, model, c.NullIgnore, "group " + std::to_string(group));
      k = end;
    }
    EXPECT_EQ(groups.Count(), group);
    ExpectValues(dc.Summary().FooterSummaryValues(), footer, c.NullIgnore, "footer");
  }
}

struct Doubler : TObject {
  int Calls = 0;
  void Double(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments& AOut) {
    ++Calls;
    if (!AOut.Value.IsNull())
      AOut.Value = AOut.Value.AsInteger() * 2;
  }
};

// The summaries of a grouped view follow every change that rebuilds its groups.
TEST(CustomDataGrouping, SummariesFollowRegroupingAndEvents) {
  TestController dc(2);
  dc.Fill({{3, 1}, {1, 10}, {3, 100}, {2, 1000}, {1, Null}});
  TcxDataSummaryItem* sum = dc.Summary().DefaultGroupSummaryItems().Add();
  sum->SetField(dc.GetItemField(1));
  sum->SetKind(skSum);
  TcxDataSummaryItem* footer = dc.Summary().FooterSummaryItems().Add();
  footer->SetField(dc.GetItemField(1));
  footer->SetKind(skSum);
  dc.ChangeGroupIndex(0, 0);
  auto sums = [&] {
    std::vector<int> values;
    for (int g = 0; g < dc.View().Groups().Count(); ++g)
      values.push_back(dc.View().Groups().Items(g).SummaryValues[0].AsInteger());
    return values;
  };
  EXPECT_EQ(sums(), (std::vector<int>{10, 1000, 101}));
  dc.ChangeSorting(0, soDescending);
  EXPECT_EQ(sums(), (std::vector<int>{101, 1000, 10}));
  dc.SetValue(3, 1, 5);
  EXPECT_EQ(sums(), (std::vector<int>{101, 5, 10}));
  EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 116);
  // A handler of the items is called for every record, so the gathered values must not stand in for it.
  Doubler doubler;
  dc.Summary().DefaultGroupSummaryItems().OnSummary =
      TEvent<void(TcxDataSummaryItems*, const TcxSummaryEventArguments&, TcxSummaryEventOutArguments&)>(
          &doubler, &Doubler::Double);
  dc.ChangeGroupIndex(0, -1);
  dc.ChangeGroupIndex(0, 0);
  EXPECT_EQ(doubler.Calls, 5);
  EXPECT_EQ(sums(), (std::vector<int>{202, 10, 20}));
  EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 116);
}

// Expanded groups are found again by their values when the view regroups in another order.
TEST(CustomDataGrouping, ExpandedGroupsKeptByValueThroughReversal) {
  TestController dc(2);
  dc.SetOptions(dc.GetOptions() | dcoSaveExpanding);
  dc.Fill({{1, 0}, {2, 0}, {3, 0}, {2, 1}, {Null, 2}});
  dc.ChangeGroupIndex(0, 0);
  auto expanded = [&] {
    std::vector<int> values;
    for (int g = 0; g < dc.View().Groups().Count(); ++g)
      if (dc.View().Groups().Items(g).Expanded) {
        Variant v = dc.GetValue(dc.View().GetRecordListRecord(dc.View().Groups().Items(g).BeginIndex), 0);
        values.push_back(v.IsNull() ? -1 : v.AsInteger());
      }
    return values;
  };
  ASSERT_EQ(dc.View().Groups().Count(), 4);
  // Rows: Null, 1, 2, 3; expanding the group of 2 (row 2) adds its records after it.
  dc.ChangeExpanding(2, true, false);
  dc.ChangeExpanding(0, true, false);
  EXPECT_EQ(expanded(), (std::vector<int>{-1, 2}));
  dc.ChangeSorting(0, soDescending);
  EXPECT_EQ(expanded(), (std::vector<int>{2, -1}));
}

// Rows that leave the view leave the selection: the owner is told the selection changed, and a footer of the
// selected records no longer counts them, whatever took the rows away.
TEST(CustomDataGrouping, RowsDroppedFromTheSelectionAreASelectionChange) {
  struct Case {
    const char* Name;
    void (*Drop)(TestController&);
    int Footer; // the sum of the selected records left, -1 for none
  } cases[] = {
      {"a collapse of their group", [](TestController& dc) { dc.ChangeExpanding(0, false, false); }, 1000},
      {"a collapse of every group", [](TestController& dc) { dc.FullCollapse(); }, -1},
      {"a filter", [](TestController& dc) { dc.SetIncrementalFilter(1, "1000"); }, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestController dc(2);
    dc.Fill({{1, 1}, {1, 10}, {2, 100}, {2, 1000}});
    TcxDataSummaryItem* footer = dc.Summary().FooterSummaryItems().Add();
    footer->SetField(dc.GetItemField(1));
    footer->SetKind(skSum);
    dc.Summary().SetOptions(TcxSummaryOptions{soSelectedRecords});
    dc.SetMultiSelect(true);
    dc.ChangeGroupIndex(0, 0);
    dc.FullExpand();
    // Rows: group 1, its records 0 and 1, group 2, its records 2 and 3; records 1 and 3 selected.
    dc.ChangeRowSelection(2, true);
    dc.ChangeRowSelection(5, true);
    ASSERT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 1010);
    dc.Infos.clear();
    c.Drop(dc);
    EXPECT_NE(std::find(dc.Infos.begin(), dc.Infos.end(), "TcxSelectionChangedInfo"), dc.Infos.end());
    Variant sum = dc.Summary().FooterSummaryValues()[0];
    EXPECT_EQ(sum.IsNull() ? -1 : sum.AsInteger(), c.Footer);
  }
}

// Records (group, value) kept by the application.
class RowSource : public TcxUserDataSource {
public:
  std::vector<std::vector<Variant>> Rows;
  void LoadRecords() override {
    for (std::size_t i = 0; i < Rows.size(); ++i)
      CurrentProvider->AddRecordHandle(int(i));
  }
  void GetValue(int ARecordHandle, int AItemHandle, Variant& AValue) override {
    AValue = Rows.at(std::size_t(ARecordHandle)).at(std::size_t(AItemHandle));
  }
  void SetValue(int ARecordHandle, int AItemHandle, const Variant& AValue) override {
    Rows.at(std::size_t(ARecordHandle)).at(std::size_t(AItemHandle)) = AValue;
  }
};

// A record in edit is shown in the one group it was in until it is posted, at either edge of that group and
// whether its own records or a data source hold the values; after the post it takes its place by them.
TEST(CustomDataGrouping, ARecordInEditStaysInItsGroupUntilPosted) {
  struct Case {
    const char* Name;
    int Row, Item, Value;                 // the row edited, the item and the value set
    std::vector<std::vector<int>> InEdit; // the groups' records while the edit is open
    std::vector<std::vector<int>> Posted; // and after the post
  } cases[] = {
      {"first of a group, its value", 1, 1, 99, {{0, 1}, {2, 3, 4}}, {{0, 1}, {2, 3, 4}}},
      {"last of a group, its value", 2, 1, 99, {{0, 1}, {2, 3, 4}}, {{0, 1}, {2, 3, 4}}},
      {"inside a group, its group", 5, 0, 1, {{0, 1}, {2, 3, 4}}, {{0, 1, 3}, {2, 4}}},
      {"first of a group, its group", 1, 0, 2, {{0, 1}, {2, 3, 4}}, {{1}, {0, 2, 3, 4}}},
      {"last of a group, its group", 2, 0, 2, {{0, 1}, {2, 3, 4}}, {{0}, {1, 2, 3, 4}}},
  };
  for (bool bySource : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + (bySource ? ", a data source" : ", own records"));
      const std::vector<std::vector<Variant>> rows = {{1, 10}, {1, 20}, {2, 30}, {2, 40}, {2, 50}};
      RowSource source;
      TestController dc(2);
      if (bySource) {
        source.Rows = rows;
        dc.Provider().SetCustomDataSource(&source);
      } else {
        dc.Fill(rows);
      }
      dc.ChangeGroupIndex(0, 0);
      dc.FullExpand();
      // Rows: group 1, records 0 and 1, group 2, records 2, 3 and 4.
      auto groups = [&] {
        std::vector<std::vector<int>> records;
        const TcxDataGroups& g = dc.View().Groups();
        for (int i = 0; i < g.Count(); ++i) {
          records.emplace_back();
          for (int li = g.Items(i).BeginIndex; li <= g.Items(i).EndIndex; ++li)
            records.back().push_back(dc.View().GetRecordListRecord(li));
          std::sort(records.back().begin(), records.back().end());
        }
        return records;
      };
      ASSERT_TRUE(dc.ChangeFocusedRowIndex(c.Row));
      dc.Edit();
      ASSERT_TRUE(dc.SetEditValue(c.Item, c.Value, evsValue));
      EXPECT_EQ(groups(), c.InEdit);
      dc.Post();
      EXPECT_EQ(groups(), c.Posted);
    }
  }
}

// A record edited out of an open group, or back out of one by a cancel, leaves that group open: the group is
// known by the value its records held, not by the new value of the record changed, whichever place that
// record holds in the group, and the same for a new record given a value that takes it out of its group.
// Until it is posted, a record that keeps its place is shown in the group it was in.
TEST(CustomDataGrouping, AnEditTakingARecordOutOfAnOpenGroupKeepsTheGroupOpen) {
  struct Case {
    const char* Name;
    std::vector<std::vector<Variant>> Records; // group value and place in the group
    int Row;                                   // the row edited; -1 appends, placed by Second
    int Second;
    int Value;               // the group value set
    bool Cancel;             // the edit is cancelled rather than posted
    std::vector<int> InEdit; // the groups open while the edit is open
    std::vector<int> Open;   // the groups open after it ends
  } cases[] = {
      {"first of its group", {{1, 10}, {1, 20}, {2, 30}}, 1, 0, 5, false, {1, 2}, {1, 2, 5}},
      {"last of its group", {{1, 10}, {1, 20}, {2, 30}}, 2, 0, 5, false, {1, 2}, {1, 2, 5}},
      {"new record placed first", {{1, 10}, {1, 20}, {2, 30}}, -1, 0, 5, false, {1, 2, 5}, {1, 2, 5}},
      {"new record placed last", {{1, 10}, {1, 20}, {2, 30}}, -1, 40, 5, false, {1, 2, 5}, {1, 2, 5}},
      {"cancelled out of the group it joined first", {{2, 10}, {1, 20}, {1, 30}}, 4, 0, 1, true, {1}, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestController dc(2);
    dc.SetOptions((dc.GetOptions() | dcoSaveExpanding) & ~dcoAssignGroupingValues);
    dc.Fill(c.Records);
    dc.ChangeGroupIndex(0, 0);
    dc.ChangeSorting(1, soAscending);
    // Rows: the group of the smaller value, its records once it is open, then the other group.
    ASSERT_TRUE(dc.ChangeExpanding(0, true, false));
    ASSERT_TRUE(dc.ChangeExpanding(3, true, false));
    auto open = [&] {
      std::vector<int> values;
      const TcxDataGroups& groups = dc.View().Groups();
      for (int g = 0; g < groups.Count(); ++g)
        if (groups.IsVisible(g) && groups.Items(g).Expanded) {
          // Named by a record not in edit, which may head the group holding another value.
          int record = dc.View().GroupNamingRecord(g, dc.Provider().EditingRecordIndex(), cxNoRecord);
          values.push_back(dc.GetValue(record, 0).AsInteger());
        }
      std::sort(values.begin(), values.end());
      return values;
    };
    if (c.Row < 0) {
      dc.Append();
      dc.SetEditValue(1, c.Second, evsValue);
      dc.SetEditValue(0, 1, evsValue);
    } else {
      ASSERT_TRUE(dc.ChangeFocusedRowIndex(c.Row));
      dc.Edit();
    }
    dc.SetEditValue(0, c.Value, evsValue);
    EXPECT_EQ(open(), c.InEdit);
    c.Cancel ? dc.Cancel() : dc.Post();
    EXPECT_EQ(open(), c.Open);
  }
}

// Regrouping while a row is focused keeps the focus on that row's kind: a data row stays the record's data
// row, its groups expanded to show it and no others; a group row stays the group row holding its record.
TEST(CustomDataGrouping, RegroupingKeepsTheFocusedRow) {
  struct Step {
    int Item;
    int GroupIndex;
  };
  struct Case {
    const char* Name;
    std::vector<Step> Before;
    bool FocusGroupRow;
    Step Regroup;
  } cases[] = {
      {"data row, grouped", {}, false, {1, 0}},
      {"data row, a level added", {{1, 0}}, false, {0, 1}},
      {"data row, a level put first", {{1, 0}}, false, {0, 0}},
      {"data row, ungrouped", {{1, 0}, {0, 1}}, false, {0, -1}},
      {"group row, a level added", {{1, 0}}, true, {0, 1}},
  };
  const int record = 3; // (5, 2)
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TestController dc(2);
    dc.Fill({{3, 1}, {1, 2}, {2, 1}, {5, 2}, {4, 1}});
    for (const Step& step : c.Before)
      dc.ChangeGroupIndex(step.Item, step.GroupIndex);
    const auto& groups = dc.View().Groups();
    if (c.FocusGroupRow)
      ASSERT_TRUE(dc.ChangeFocusedRowIndex(1)); // the collapsed group of 2
    else
      ASSERT_TRUE(dc.ChangeFocusedRecordIndex(record));
    dc.ChangeGroupIndex(c.Regroup.Item, c.Regroup.GroupIndex);

    ASSERT_GE(dc.GetFocusedRowIndex(), 0);
    TcxRowInfo focused = dc.GetRowInfo(dc.GetFocusedRowIndex());
    int expanded = 0;
    for (int g = 0; g < groups.Count(); ++g)
      expanded += groups.Items(g).Expanded;
    if (c.FocusGroupRow) {
      EXPECT_EQ(focused.Level, 0);
      EXPECT_EQ(VarToStr(dc.GetValue(focused.RecordIndex, 1)), "2") << "the group of the record";
      EXPECT_EQ(expanded, 0);
    } else {
      EXPECT_EQ(focused.RecordIndex, record);
      EXPECT_EQ(focused.Level, groups.LevelCount()) << "a data row";
      EXPECT_EQ(expanded, groups.LevelCount()) << "the groups above the record, no others";
    }
  }
}

} // namespace
