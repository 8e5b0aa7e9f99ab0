#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "data/cxCustomData.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/data/custom_data_test_util.h"

namespace {

TEST(CustomData, SortKeepsRecordOrderForEqualKeysBothWays) {
  TestController dc(2);
  dc.Fill({{2, 0}, {1, 1}, {2, 2}, {Null, 3}, {1, 4}, {Null, 5}});
  struct Case {
    TcxDataSortOrder Order;
    std::vector<int> Expected;
  } cases[] = {{soAscending, {3, 5, 1, 4, 0, 2}}, {soDescending, {0, 2, 1, 4, 3, 5}}};
  for (const Case& c : cases) {
    dc.ChangeSorting(0, c.Order);
    EXPECT_EQ(dc.RowRecords(), c.Expected) << int(c.Order);
  }
}

// Keys of every width, from one differing bit to the full 64, with nulls and ties: the order of a stable
// sort by value, record order within equal values.
TEST(CustomData, SortsOfKeysOfEveryWidthMatchAStableSort) {
  struct Case {
    TcxValueTypeClass Type;
    std::int64_t Range; // 0: the full 64-bit range
    int Columns;
  } cases[] = {
      {TcxIntegerValueType::Instance(), 2, 1},         {TcxIntegerValueType::Instance(), 70000, 1},
      {TcxIntegerValueType::Instance(), 100000000, 1}, {TcxLargeIntValueType::Instance(), 0, 1},
      {TcxLargeIntValueType::Instance(), 0, 2},        {TcxIntegerValueType::Instance(), 3000000, 2},
  };
  std::mt19937_64 rng(5);
  for (const Case& c : cases) {
    for (TcxDataSortOrder order : {soAscending, soDescending}) {
      SCOPED_TRACE(::testing::Message() << c.Type->GetTypeName() << " range " << c.Range << " columns "
                                        << c.Columns << " order " << int(order));
      TestController dc(2);
      dc.SetItemValueTypeClass(0, c.Type);
      dc.SetItemValueTypeClass(1, c.Type);
      int n = 3000;
      std::vector<std::vector<Variant>> rows;
      std::vector<std::vector<std::int64_t>> keys;
      for (int i = 0; i < n; ++i) {
        std::vector<Variant> row;
        std::vector<std::int64_t> key;
        for (int col = 0; col < 2; ++col) {
          std::int64_t v =
              c.Range ? std::int64_t(rng() % std::uint64_t(c.Range)) - c.Range / 2 : std::int64_t(rng());
          if (rng() % 9 == 0) {
            row.push_back(Null);
            key.push_back(INT64_MIN);
            continue;
          }
          if (c.Range == 0 && rng() % 5 == 0)
            v = INT64_MIN + std::int64_t(rng() % 3); // ties next to the null position
          row.push_back(c.Type == TcxIntegerValueType::Instance() ? Variant(int(v)) : Variant(v));
          key.push_back(v);
        }
        rows.push_back(row);
        keys.push_back(key);
      }
      dc.Fill(rows);
      // Nulls order below every value: compared with a flag first.
      auto less = [&](int a, int b) {
        for (int col = 0; col < c.Columns; ++col) {
          bool na = rows[std::size_t(a)][std::size_t(col)].IsNull();
          bool nb = rows[std::size_t(b)][std::size_t(col)].IsNull();
          std::int64_t x = keys[std::size_t(a)][std::size_t(col)], y = keys[std::size_t(b)][std::size_t(col)];
          if (na != nb || (!na && x != y)) {
            bool below = na != nb ? na : x < y;
            return order == soDescending ? !below : below;
          }
        }
        return false;
      };
      std::vector<int> expected(static_cast<std::size_t>(n));
      for (int i = 0; i < n; ++i)
        expected[std::size_t(i)] = i;
      std::stable_sort(expected.begin(), expected.end(), less);
      {
        TUpdateBlock<TcxCustomDataController> update(dc);
        for (int col = 0; col < c.Columns; ++col)
          dc.ChangeSorting(col, order);
      }
      EXPECT_EQ(dc.RowRecords(), expected);
    }
  }
}

TEST(CustomData, SortOfUnrelatedVariantTypesStaysBoundedAndConsistent) {
  TestController dc(1);
  dc.SetItemValueTypeClass(0, TcxVariantValueType::Instance());
  std::vector<std::vector<Variant>> rows;
  for (int i = 0; i < 200; ++i)
    rows.push_back({i % 3 == 0   ? Variant(i)
                    : i % 3 == 1 ? Variant(AnsiString("t") + std::to_string(i % 7))
                                 : Null});
  dc.Fill(rows);
  dc.ChangeSorting(0, soAscending);
  std::vector<int> order = dc.RowRecords();
  ASSERT_EQ(order.size(), 200u);
  std::vector<int> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 200; ++i)
    ASSERT_EQ(sorted[std::size_t(i)], i);
  // Nulls first, then each type as one run.
  for (int i = 0; i < 66; ++i)
    EXPECT_TRUE(dc.GetValue(order[std::size_t(i)], 0).IsNull());
}

TEST(CustomData, RandomViewsMatchAPlainModel) {
  std::mt19937 rng(7);
  for (int round = 0; round < 30; ++round) {
    TestController dc(3);
    int n = 1 + int(rng() % 40);
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < n; ++i) {
      std::vector<Variant> row;
      for (int c = 0; c < 3; ++c)
        row.push_back(rng() % 5 == 0 ? Null : Variant(int(rng() % 4)));
      rows.push_back(row);
    }
    dc.Fill(rows);
    TcxDataSortOrder o0 = rng() % 2 ? soAscending : soDescending, o1 = rng() % 2 ? soAscending : soDescending;
    dc.ChangeSorting(0, o0);
    dc.ChangeSorting(1, o1);
    int limit = int(rng() % 4);
    {
      TUpdateBlock<TcxFilterCriteria> update(dc.Filter());
      dc.Filter().AddItem(dc.Filter().Root(), dc.Items[2].get(), fokLess, limit, "");
      dc.Filter().SetActive(true);
    }
    auto key = [&](const Variant& v) { return v.IsNull() ? -1 : v.AsInteger(); };
    std::vector<int> expected;
    for (int i = 0; i < n; ++i)
      if (!rows[std::size_t(i)][2].IsNull() && rows[std::size_t(i)][2].AsInteger() < limit)
        expected.push_back(i);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      for (auto [c, o] : {std::pair{0, o0}, std::pair{1, o1}}) {
        int x = key(rows[std::size_t(a)][std::size_t(c)]), y = key(rows[std::size_t(b)][std::size_t(c)]);
        if (x != y)
          return o == soDescending ? x > y : x < y;
      }
      return false;
    });
    ASSERT_EQ(dc.RowRecords(), expected) << "round " << round;
    // Grouped by the first column, fully expanded: the data rows are the same order.
    dc.ChangeGroupIndex(0, 0);
    dc.FullExpand();
    std::vector<int> data;
    int groups = 0;
    for (int r = 0; r < dc.GetRowCount(); ++r) {
      TcxRowInfo info = dc.GetRowInfo(r);
      if (info.Level == 1)
        data.push_back(info.RecordIndex);
      else
        ++groups;
    }
    EXPECT_EQ(data, expected) << "round " << round;
    std::vector<int> distinct;
    for (int r : expected)
      distinct.push_back(key(rows[std::size_t(r)][0]));
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(groups, int(distinct.size()));
    // Group sums of the second column (Null first counts as 0) and the footer count against the model.
    TcxDataSummaryItem* sum = dc.Summary().DefaultGroupSummaryItems().Add();
    sum->SetField(dc.GetItemField(1));
    sum->SetKind(skSum);
    TcxDataSummaryItem* count = dc.Summary().FooterSummaryItems().Add();
    count->SetField(dc.GetItemField(1));
    count->SetKind(skCount);
    EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), int(expected.size()));
    TcxDataGroups& g = dc.View().Groups();
    for (int i = 0; i < g.Count(); ++i) {
      int modelSum = 0;
      bool any = false;
      for (int li = g.Items(i).BeginIndex; li <= g.Items(i).EndIndex; ++li) {
        const Variant& v = rows[std::size_t(dc.View().GetRecordListRecord(li))][1];
        any = true;
        modelSum += v.IsNull() ? 0 : v.AsInteger();
      }
      ASSERT_TRUE(any);
      EXPECT_EQ(g.Items(i).SummaryValues[0].AsInteger(), modelSum) << "round " << round << " group " << i;
    }
  }
}

// Wide value ranges with few distinct values, nulls, ties and two grouping levels, against a plain model:
// data rows in order, group boundaries at every change of the grouped keys, and the group sums.
TEST(CustomData, GroupsOfFewWideValuesMatchAPlainModel) {
  // Columns: how many leading columns are sorted (the grouped ones among them).
  struct Case {
    int Distinct, Spread, NullEvery, Columns, Levels;
    TcxDataSortOrder Order0, Order1;
  } cases[] = {
      {40, 1000, 0, 1, 1, soAscending, soAscending},   {40, 1000, 7, 1, 1, soDescending, soAscending},
      {300, 200, 5, 1, 1, soAscending, soDescending},  {12, 50, 4, 1, 1, soDescending, soAscending},
      {12, 10, 3, 2, 2, soDescending, soDescending},   {12, 10, 0, 2, 1, soAscending, soDescending},
      {12, 5000, 3, 2, 2, soDescending, soDescending}, {25, 997, 0, 2, 2, soAscending, soDescending},
      {2, 60000, 2, 2, 2, soDescending, soAscending},  {200, 300, 11, 2, 2, soAscending, soAscending},
  };
  std::mt19937 rng(11);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "distinct " << c.Distinct << " spread " << c.Spread << " columns "
                                      << c.Columns << " levels " << c.Levels);
    TestController dc(3);
    int n = 600;
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < n; ++i) {
      std::vector<Variant> row;
      for (int col = 0; col < 2; ++col)
        row.push_back(c.NullEvery && rng() % unsigned(c.NullEvery) == 0
                          ? Null
                          : Variant(int(rng() % unsigned(c.Distinct)) * c.Spread - 3 * c.Spread));
      row.push_back(int(rng() % 100) - 50);
      rows.push_back(row);
    }
    dc.Fill(rows);
    TcxDataSummaryItem* sum = dc.Summary().DefaultGroupSummaryItems().Add();
    sum->SetField(dc.GetItemField(2));
    sum->SetKind(skSum);
    {
      TUpdateBlock<TcxCustomDataController> update(dc);
      dc.ChangeSorting(0, c.Order0);
      if (c.Columns == 2)
        dc.ChangeSorting(1, c.Order1);
      dc.ChangeGroupIndex(0, 0);
      if (c.Levels == 2)
        dc.ChangeGroupIndex(1, 1);
    }
    dc.FullExpand();
    auto key = [&](int r, int col) {
      const Variant& v = rows[std::size_t(r)][std::size_t(col)];
      return v.IsNull() ? INT64_MIN : std::int64_t(v.AsInteger());
    };
    std::vector<int> expected(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      expected[std::size_t(i)] = i;
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      for (auto [col, o] : {std::pair{0, c.Order0}, std::pair{1, c.Order1}})
        if (col < c.Columns && key(a, col) != key(b, col))
          return o == soDescending ? key(a, col) > key(b, col) : key(a, col) < key(b, col);
      return false;
    });
    std::vector<int> data;
    std::vector<int> groupsPerLevel(2, 0);
    for (int r = 0; r < dc.GetRowCount(); ++r) {
      TcxRowInfo info = dc.GetRowInfo(r);
      if (info.Level == c.Levels)
        data.push_back(info.RecordIndex);
      else
        ++groupsPerLevel[std::size_t(info.Level)];
    }
    ASSERT_EQ(data, expected);
    std::vector<int> modelGroups(2, 1);
    for (std::size_t k = 1; k < expected.size(); ++k) {
      bool first = key(expected[k], 0) != key(expected[k - 1], 0);
      modelGroups[0] += first;
      modelGroups[1] += first || key(expected[k], 1) != key(expected[k - 1], 1);
    }
    EXPECT_EQ(groupsPerLevel[0], modelGroups[0]);
    if (c.Levels == 2) {
      EXPECT_EQ(groupsPerLevel[1], modelGroups[1]);
    }
    TcxDataGroups& g = dc.View().Groups();
    for (int i = 0; i < g.Count(); ++i) {
      int first = g.GetFirstListIndex(i), last = g.GetLastListIndex(i);
      int modelSum = 0;
      for (int li = first; li <= last; ++li) {
        int record = dc.View().GetRecordListRecord(li);
        modelSum += rows[std::size_t(record)][2].AsInteger();
        for (int l = 0; l <= g.Items(i).Level; ++l)
          ASSERT_EQ(key(record, l), key(dc.View().GetRecordListRecord(first), l)) << "group " << i;
      }
      EXPECT_EQ(g.Items(i).SummaryValues[0].AsInteger(), modelSum) << "group " << i;
    }
  }
}

TEST(CustomData, GroupRowsAndRowCountUnderCollapsedAncestor) {
  TestController dc(2);
  dc.Fill({{0, 1}, {0, 2}, {1, 1}});
  dc.ChangeGroupIndex(0, 0);
  dc.ChangeGroupIndex(1, 1);
  TcxDataGroups& g = dc.View().Groups();
  ASSERT_EQ(g.Count(), 5);
  int levels[] = {0, 1, 1, 0, 1};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(g.Items(i).Level, levels[i]);
  EXPECT_EQ(dc.GetRowCount(), 2);
  // The last group's child is expanded while its parent stays collapsed: it adds no rows.
  dc.FullExpand();
  EXPECT_EQ(dc.GetRowCount(), 8);
  dc.ChangeExpanding(dc.GetRowCount() - 3, false, false);
  EXPECT_EQ(dc.GetRowCount(), 6);
  int group;
  EXPECT_EQ(g.FindByRowIndex(5, group), 3);
}

TEST(CustomData, ChangeItemFlagCanBeCleared) {
  TestController dc(1);
  dc.ChangeItemFlag(0, true);
  EXPECT_TRUE(dc.GetItemFlag(0));
  dc.ChangeItemFlag(0, false);
  EXPECT_FALSE(dc.GetItemFlag(0));
  EXPECT_THROW(dc.ChangeItemFlag(1, true), EcxInvalidDataControllerOperation);
}

struct RecordChangedLog : TObject {
  std::vector<std::pair<int, int>> Calls;
  void Changed(TcxCustomDataController*, int ARecord, int AItem) { Calls.push_back({ARecord, AItem}); }
};

TEST(CustomData, PendingChangeOnlyWidensBetweenDeliveries) {
  TestController dc(2);
  dc.Fill({{1, 1}, {2, 2}});
  RecordChangedLog log;
  dc.OnRecordChanged = TcxDataRecordChangedEvent(&log, &RecordChangedLog::Changed);
  struct Case {
    std::vector<std::pair<int, int>> Sets; // (record, item); item -1 = a record change
    std::pair<int, int> Expected;
  } cases[] = {
      {{{0, 0}}, {0, 0}},
      {{{0, 0}, {0, 1}}, {0, -1}},
      {{{0, -1}, {0, 1}}, {0, -1}}, // a record change is not narrowed by a later field change
  };
  for (const Case& c : cases) {
    log.Calls.clear();
    {
      TUpdateBlock<TcxCustomDataController> update(dc);
      for (auto [record, item] : c.Sets)
        if (item < 0)
          dc.DataChanged(dcRecord, -1, record);
        else
          dc.SetValue(record, item, 9);
    }
    ASSERT_EQ(log.Calls.size(), 1u);
    EXPECT_EQ(log.Calls[0], c.Expected);
  }
}

TEST(CustomData, DispatchOrderAndFocusInfos) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}});
  dc.Infos.clear();
  EXPECT_TRUE(dc.ChangeFocusedRowIndex(1));
  std::vector<std::string> expected{"TcxFocusedRowChangedInfo", "TcxFocusedRecordChangedInfo"};
  EXPECT_EQ(dc.Infos, expected);
  dc.Infos.clear();
  dc.SetValue(0, 0, 5);
  ASSERT_FALSE(dc.Infos.empty());
  EXPECT_EQ(dc.Infos[0], "TcxDataChangedInfo");
  EXPECT_FALSE(dc.ChangeFocusedRowIndex(7)); // clamped to the last row: not the row asked for
  EXPECT_EQ(dc.GetFocusedRowIndex(), 2);
}

TEST(CustomData, SelectionInfoCarriesRowsOnlyForSingleRows) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}});
  dc.SetMultiSelect(true);
  dc.ChangeRowSelection(0, true);
  dc.ChangeRowSelection(0, false);
  dc.ChangeRowSelection(1, true);
  EXPECT_EQ(dc.GetSelectedCount(), 1);
  dc.SelectRange(2, 0);
  EXPECT_EQ(dc.GetSelectedCount(), 3);
  dc.SetMultiSelect(false);
  dc.SelectRange(0, 1); // single-select: nothing
  EXPECT_EQ(dc.GetSelectedCount(), 0);
}

TEST(CustomData, SummariesOverNulls) {
  struct Case {
    TcxSummaryKind Kind;
    bool NullIgnore;
    std::vector<Variant> Values;
    Variant Expected;
    TcxValueTypeClass Type = TcxIntegerValueType::Instance();
  } cases[] = {
      {skSum, false, {Null, 5, 7}, 12},
      {skCount, false, {Null, 5, 7}, 3},
      {skCount, true, {Null, 5, 7}, 2},
      {skAverage, false, {Null, 4, 8}, 4.0},
      {skAverage, true, {Null, 4, 8}, 6.0},
      {skMin, false, {Null, 3, 1}, 1},
      {skMax, false, {Null, Null}, Null},
      {skCount, false, {Null, Null}, 2},
      {skSum, false, {int(0x7FFFFFFF), int(0x7FFFFFFF)}, std::int64_t(0xFFFFFFFE)},
      {skSum, false, {Null, Null}, 0},
      {skSum, true, {Null, Null}, Null},
      {skSum, true, {Null, 5, Null, -2}, 3},
      {skAverage, true, {Null, 4, Null, 8, 9}, 7.0},
      {skSum, false, {-3, Null, 30000, 30000}, 59997, TcxSmallintValueType::Instance()},
      {skSum,
       false,
       {INT64_MAX, INT64_MAX, INT64_MIN},
       9223372036854775807.0,
       TcxLargeIntValueType::Instance()},
      {skAverage, false, {INT64_MAX, INT64_MAX}, 9223372036854775807.0, TcxLargeIntValueType::Instance()},
      {skCount, true, {1.5, Null, 2.5}, 2, TcxFloatValueType::Instance()},
  };
  // Grouped, the footer and the group summary share one read of the records and must agree.
  for (bool grouped : {false, true})
    for (const Case& c : cases) {
      TestController dc(2);
      dc.SetItemValueTypeClass(0, c.Type);
      std::vector<std::vector<Variant>> rows;
      for (const Variant& v : c.Values)
        rows.push_back({v, 1});
      dc.Fill(rows);
      TcxDataSummaryItem* item = dc.Summary().FooterSummaryItems().Add();
      item->SetField(dc.GetItemField(0));
      item->SetKind(c.Kind);
      if (grouped) {
        TcxDataSummaryItem* group = dc.Summary().DefaultGroupSummaryItems().Add();
        group->SetField(dc.GetItemField(0));
        group->SetKind(c.Kind);
        dc.ChangeGroupIndex(1, 0);
      }
      if (c.NullIgnore)
        dc.Summary().SetOptions(TcxSummaryOptions{soNullIgnore});
      std::vector<Variant> results{dc.Summary().FooterSummaryValues()[0]};
      if (grouped) {
        ASSERT_EQ(dc.View().Groups().Count(), 1);
        results.push_back(dc.View().Groups().Items(0).SummaryValues[0]);
      }
      for (const Variant& result : results) {
        EXPECT_EQ(result.Type() == varNull, c.Expected.IsNull()) << int(c.Kind) << " grouped " << grouped;
        if (!c.Expected.IsNull()) {
          EXPECT_DOUBLE_EQ(result.AsDouble(), c.Expected.AsDouble()) << int(c.Kind) << " grouped " << grouped;
        }
      }
    }
}

TEST(CustomData, SummaryTextsAndDateAverage) {
  TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = '.';
  struct Restore {
    TFormatSettings& Saved;
    ~Restore() { FormatSettings = Saved; }
  } restore{saved};
  TestController dc(1);
  dc.SetItemValueTypeClass(0, TcxDateTimeValueType::Instance());
  dc.Fill({{Variant::FromDate(10)}, {Variant::FromDate(20)}});
  TcxDataSummaryItem* item = dc.Summary().FooterSummaryItems().Add();
  item->SetField(dc.GetItemField(0));
  item->SetKind(skAverage);
  Variant avg = dc.Summary().FooterSummaryValues()[0];
  EXPECT_EQ(avg.Type(), varDate);
  EXPECT_DOUBLE_EQ(avg.AsDouble(), 15);
  TcxDataSummaryItem* sum = dc.Summary().DefaultGroupSummaryItems().Add();
  sum->SetKind(skSum);
  EXPECT_EQ(sum->GetValueDisplayText(1234.5, true), "1234.50");
  EXPECT_EQ(sum->GetValueDisplayText(1234.5, false), "SUM=1234.50");
  TcxDataSummaryItem* count = dc.Summary().DefaultGroupSummaryItems().Add();
  count->SetKind(skCount);
  EXPECT_EQ(dc.Summary().DefaultGroupSummaryItems().GetGroupText(VarArrayOf({1.0, 2})),
            "(SUM=1.00, COUNT=2)");
}

TEST(CustomData, LocateWrapsLocateNextDoesNot) {
  TestController dc(1);
  dc.SetItemValueTypeClass(0, TcxStringValueType::Instance());
  dc.Fill({{"apple"}, {"banana"}, {"avocado"}});
  dc.ChangeFocusedRowIndex(2);
  EXPECT_TRUE(dc.Search().Locate(0, "B"));
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 1);
  EXPECT_TRUE(dc.Search().Locate(0, "a"));
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 2);
  EXPECT_FALSE(dc.Search().LocateNext(true));
  EXPECT_TRUE(dc.Search().LocateNext(false));
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 0);
  EXPECT_FALSE(dc.Search().Locate(0, ""));
  EXPECT_EQ(dc.FindRecordIndexByText(0, 0, "banana", false, true, false), -1);
}

TEST(CustomData, EditCycle) {
  TestController dc(2);
  dc.Fill({{1, 10}, {2, 20}});
  dc.ChangeFocusedRowIndex(0);
  EXPECT_TRUE(dc.SetEditValue(1, 99, evsValue));
  EXPECT_EQ(dc.GetEditState(), dceEdit | dceChanging | dceModified);
  dc.Cancel();
  EXPECT_EQ(dc.GetValue(0, 1).AsInteger(), 10);
  EXPECT_EQ(dc.GetEditState(), 0);
  dc.Append();
  EXPECT_EQ(dc.GetEditState() & dceInsert, dceInsert);
  dc.Post(); // untouched: removed
  EXPECT_EQ(dc.GetRecordCount(), 2);
  dc.Insert();
  dc.SetEditValue(0, 7, evsValue);
  dc.Post();
  EXPECT_EQ(dc.GetRecordCount(), 3);
  std::vector<int> list{2, 0, 2};
  dc.DeleteRecords(list);
  EXPECT_EQ(dc.GetRecordCount(), 1);
}

struct Killer : TObject {
  TestController* Victim = nullptr;
  void Kill(TcxCustomDataController*) {
    delete Victim;
    Victim = nullptr;
  }
  void KillByListener(TObject*) { Kill(nullptr); }
  void KillWhileFiltering(TcxCustomDataController*, int, bool&) { Kill(nullptr); }
  void Raise(TcxCustomDataController*) { throw Exception("refused"); }
  void Record(TcxCustomDataController*, int) {}
};

TEST(CustomData, HandlersThatFreeTheController) {
  using Setup = void (*)(TestController*, Killer*);
  Setup setups[] = {
      [](TestController* dc, Killer* k) {
        dc->OnBeforePost = TcxDataControllerNotifyEvent(k, &Killer::Kill);
      },
      [](TestController* dc, Killer* k) { dc->OnAfterPost = TcxDataControllerNotifyEvent(k, &Killer::Kill); },
      [](TestController* dc, Killer* k) {
        dc->OnBeforeCancel = TcxDataControllerNotifyEvent(k, &Killer::Kill);
      },
      [](TestController* dc, Killer* k) {
        dc->OnAfterCancel = TcxDataControllerNotifyEvent(k, &Killer::Kill);
      },
      [](TestController* dc, Killer* k) {
        dc->OnDataChanged = TcxDataControllerNotifyEvent(k, &Killer::Kill);
      },
      [](TestController* dc, Killer* k) {
        dc->AddDataChangedListener(k, TNotifyEvent(k, &Killer::KillByListener));
      },
      [](TestController* dc, Killer* k) {
        dc->OnFilterRecord = TcxDataFilterRecordEvent(k, &Killer::KillWhileFiltering);
      },
  };
  for (Setup setup : setups) {
    Killer killer;
    auto* dc = new TestController(1);
    killer.Victim = dc;
    dc->Fill({{1}, {2}});
    dc->ChangeFocusedRowIndex(0);
    setup(dc, &killer);
    dc->SetEditValue(0, 5, evsValue);
    if (killer.Victim)
      dc->Post();
    if (killer.Victim) {
      dc->SetEditValue(0, 6, evsValue);
      dc->Cancel();
    }
    EXPECT_EQ(killer.Victim, nullptr);
    delete killer.Victim;
  }
}

// Every operation that filters the records calls the filter handler; one that frees the controller stops it.
TEST(CustomData, AFilterHandlerThatFreesTheControllerStopsEveryOperationThatFilters) {
  const struct {
    const char* Name;
    void (*Run)(TestController*);
  } operations[] = {
      {"refresh", [](TestController* dc) { dc->Refresh(); }},
      {"incremental filter", [](TestController* dc) { dc->SetIncrementalFilter(0, "1"); }},
      {"filter criteria",
       [](TestController* dc) {
         dc->Filter().AddItem(dc->Filter().Root(), dc->GetItemField(0), fokEqual, 1, "1");
       }},
      {"options", [](TestController* dc) { dc->SetOptions(dc->GetOptions() | dcoCaseInsensitive); }},
      {"a value", [](TestController* dc) { dc->SetValue(0, 0, 7); }},
      {"an edit", [](TestController* dc) { dc->SetEditValue(0, 3, evsValue); }},
      {"record count", [](TestController* dc) { dc->SetRecordCount(3); }},
      {"append", [](TestController* dc) { dc->Append(); }},
      {"insert", [](TestController* dc) { dc->Insert(); }},
      {"delete", [](TestController* dc) { dc->DeleteFocused(); }},
      {"delete a list",
       [](TestController* dc) {
         std::vector<int> list{0};
         dc->DeleteRecords(list);
       }},
  };
  for (const auto& op : operations) {
    SCOPED_TRACE(op.Name);
    Killer killer;
    auto* dc = new TestController(1);
    killer.Victim = dc;
    dc->Fill({{1}, {2}});
    dc->ChangeFocusedRowIndex(0);
    dc->OnFilterRecord = TcxDataFilterRecordEvent(&killer, &Killer::KillWhileFiltering);
    op.Run(dc);
    EXPECT_EQ(killer.Victim, nullptr);
    delete killer.Victim;
  }
}

TEST(CustomData, LocksAreReleasedWhenAHandlerRaises) {
  TestController dc(1);
  dc.Fill({{1}});
  Killer raiser;
  dc.OnNewRecord = TcxDataControllerRecordEvent(&raiser, &Killer::Record);
  dc.OnBeforeInsert = TcxDataControllerNotifyEvent(&raiser, &Killer::Raise);
  EXPECT_THROW(dc.Append(), Exception);
  EXPECT_EQ(dc.View().LockCount(), 0);
  dc.OnBeforeInsert = nullptr;
  dc.ChangeFocusedRowIndex(0);
  dc.OnBeforeCancel = TcxDataControllerNotifyEvent(&raiser, &Killer::Raise);
  dc.SetEditValue(0, 3, evsValue);
  EXPECT_THROW(dc.Cancel(), Exception);
  EXPECT_EQ(dc.View().LockCount(), 0);
  dc.SetValue(0, 0, 4); // still delivers: nothing stayed locked
  EXPECT_EQ(dc.GetValue(0, 0).AsInteger(), 4);
}

TEST(CustomData, UpdateFieldsEndsWhenFieldsKeepChanging) {
  TestController dc(2);
  dc.ResetFieldsOnChange = true;
  EXPECT_THROW(dc.UpdateFields(), EcxInvalidDataControllerOperation);
  dc.ResetFieldsOnChange = false;
  EXPECT_NO_THROW(dc.UpdateFields());
}

TEST(CustomData, RangeChecksAndItems) {
  TestController dc(2);
  dc.Fill({{1, 2}});
  EXPECT_THROW(dc.SetValue(0, 2, 1), EcxInvalidDataControllerOperation);
  EXPECT_THROW(dc.GetValue(1, 0), EcxInvalidDataControllerOperation);
  EXPECT_THROW(dc.AddItem(dc.Items[0].get()), EcxInvalidDataControllerOperation);
  EXPECT_THROW(dc.GetRecordId(dc.GetNewItemRecordIndex()), EcxInvalidDataControllerOperation);
  dc.SetRecordCount(-5);
  EXPECT_EQ(dc.GetRecordCount(), 0);
  EXPECT_THROW(dc.View().CheckRowIndex(0), EcxInvalidDataControllerOperation);
}

TEST(CustomData, DetailControllersFollowMasterRecords) {
  TestController master(1);
  master.Fill({{0}, {1}, {2}, {3}, {4}, {5}});
  Item relationItem;
  master.Relations().Add(&relationItem);
  TestController d3(1), d5(1);
  master.SetDetailDataController(3, 0, &d3);
  master.SetDetailDataController(5, 0, &d5);
  master.InsertRecord(3);
  EXPECT_EQ(d3.GetMasterRecordIndex(), 4);
  EXPECT_EQ(d5.GetMasterRecordIndex(), 6);
  master.RemoveRecord(3);
  EXPECT_EQ(d3.GetMasterRecordIndex(), 3);
  EXPECT_EQ(d5.GetMasterRecordIndex(), 5);
  EXPECT_FALSE(master.ChangeDetailExpanding(0, true)); // no detail object yet
  TcxDetailObject detail;
  detail.ActiveRelationIndex = 5;
  detail.SetInfoCount(2);
  EXPECT_EQ(detail.ActiveRelationIndex, 1);
}

} // namespace

namespace {

class KeyedController : public TestController {
public:
  using TestController::TestController;
  int GetItemID(TObject* AItem) override {
    for (std::size_t i = 0; i < Items.size(); ++i)
      if (Items[i].get() == AItem)
        return int(i) + 100;
    return -1;
  }
};

TEST(CustomData, CriteriaStreamItemsAsItemIDs) {
  KeyedController a(3), b(3);
  {
    TUpdateBlock<TcxFilterCriteria> update(a.Filter());
    a.Filter().AddItem(a.Filter().Root(), a.Items[2].get(), fokGreater, 5, "5");
  }
  TMemoryStream stream;
  a.Filter().WriteData(&stream);
  stream.SetPosition(0);
  b.Filter().ReadData(&stream);
  ASSERT_EQ(b.Filter().Root()->Count(), 1);
  auto* item = static_cast<TcxDataFilterCriteriaItem*>(b.Filter().Root()->Items(0));
  EXPECT_EQ(item->Field(), b.GetItemField(2));
  EXPECT_EQ(item->GetItemLink(), b.Items[2].get());
}

TEST(CustomData, FilterValueListOffersDistinctValuesOnce) {
  TestController dc(1);
  struct Case {
    std::vector<Variant> Values;
    std::vector<int> Kinds;
  } cases[] = {
      {{3, 1, 3, 2}, {fviAll, fviCustom, fviValue, fviValue, fviValue}},
      {{2, Null, 2}, {fviAll, fviCustom, fviBlanks, fviNonBlanks, fviValue}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<Variant>> rows;
    for (const Variant& v : c.Values)
      rows.push_back({v});
    dc.Fill(rows);
    auto list = dc.Filter().CreateValueList();
    list->Load(0);
    std::vector<int> kinds;
    std::vector<int> values;
    for (int i = 0; i < list->Count(); ++i) {
      kinds.push_back(list->Items(i).Kind);
      if (list->Items(i).Kind == fviValue)
        values.push_back(list->Items(i).Value.AsInteger());
    }
    EXPECT_EQ(kinds, c.Kinds);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(std::adjacent_find(values.begin(), values.end()), values.end());
  }
}

TEST(CustomData, SearchByBisectionMatchesTheLinearScan) {
  std::mt19937 rng(3);
  const char* parts[] = {"a", "B", "ab", "Ab", "b", "", "ç", "Ç", "ba"};
  for (int round = 0; round < 20; ++round) {
    TestController dc(1);
    dc.SetItemValueTypeClass(0, TcxStringValueType::Instance());
    std::vector<std::vector<Variant>> rows;
    for (int i = 0; i < 30; ++i)
      rows.push_back({rng() % 7 == 0 ? Null : Variant(AnsiString(parts[rng() % 9]) + parts[rng() % 9])});
    dc.Fill(rows);
    if (round % 2)
      dc.ChangeSorting(0, soAscending);
    dc.Search().Locate(0, "no such text"); // names the search field
    for (const char* key : {"a", "AB", "b", "ç", "x"}) {
      int start = int(rng() % 30);
      for (bool forward : {true, false}) {
        int expected = -1;
        AnsiString upperKey = AnsiUpperCase(key);
        for (int li = start; forward ? li < 30 : li >= 0; li += forward ? 1 : -1) {
          AnsiString text = AnsiUpperCase(VarToStr(dc.GetValue(dc.View().GetRecordListRecord(li), 0)));
          if (text.compare(0, upperKey.size(), upperKey) == 0) {
            expected = li;
            break;
          }
        }
        EXPECT_EQ(dc.Search().DoSearch(start, -1, forward, key), expected) << round << key << forward;
      }
    }
  }
}

TEST(CustomData, GroupsSortedBySummaryKeepPreviousOrderOnTies) {
  TestController dc(2);
  dc.Fill({{1, 5}, {2, 3}, {3, 5}, {4, 1}, {1, 0}});
  TcxDataSummaryItem* sum = dc.Summary().DefaultGroupSummaryItems().Add();
  sum->SetField(dc.GetItemField(1));
  sum->SetKind(skSum);
  dc.ChangeGroupIndex(0, 0);
  auto groupValues = [&] {
    std::vector<int> values;
    for (int g = 0; g < dc.View().Groups().Count(); ++g)
      values.push_back(
          dc.GetValue(dc.View().GetRecordListRecord(dc.View().Groups().GetFirstListIndex(g)), 0).AsInteger());
    return values;
  };
  dc.ChangeGroupSummarySorting(0, soDescending);
  EXPECT_EQ(groupValues(), (std::vector<int>{1, 3, 2, 4}));
  dc.ChangeGroupSummarySorting(0, soAscending);
  EXPECT_EQ(groupValues(), (std::vector<int>{4, 2, 1, 3}));
  dc.FullExpand();
  // Rows still map to the records of their groups after the reordering.
  EXPECT_EQ(dc.GetRowInfo(1).RecordIndex, 3);
  EXPECT_EQ(dc.GetRowInfo(dc.GetRowCount() - 1).RecordIndex, 2);
}

TEST(CustomData, FocusAndSelectionFollowRecordsThroughSortAndFilter) {
  TestController dc(1);
  dc.Fill({{5}, {1}, {4}, {2}, {3}});
  dc.SetMultiSelect(true);
  dc.ChangeFocusedRecordIndex(2);
  dc.ChangeRowSelection(0, true);
  dc.ChangeRowSelection(4, true);
  dc.ChangeSorting(0, soAscending);
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 2);
  EXPECT_EQ(dc.GetFocusedRowIndex(), 3);
  std::vector<int> selected;
  for (int i = 0; i < dc.GetSelectedCount(); ++i)
    selected.push_back(dc.GetRowInfo(dc.GetSelectedRowIndex(i)).RecordIndex);
  EXPECT_EQ(selected, (std::vector<int>{4, 0}));
  {
    TUpdateBlock<TcxFilterCriteria> update(dc.Filter());
    dc.Filter().AddItem(dc.Filter().Root(), dc.Items[0].get(), fokLess, 5, "");
    dc.Filter().SetActive(true);
  }
  EXPECT_EQ(dc.GetSelectedCount(), 1); // record 0 (value 5) is filtered away
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 2);
}

TEST(CustomData, EditedRecordKeepsItsPlaceAndStaysVisible) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {3}});
  dc.ChangeSorting(0, soAscending);
  {
    TUpdateBlock<TcxFilterCriteria> update(dc.Filter());
    dc.Filter().AddItem(dc.Filter().Root(), dc.Items[0].get(), fokLess, 10, "");
    dc.Filter().SetActive(true);
  }
  dc.ChangeFocusedRowIndex(0);
  dc.SetEditValue(0, 50, evsValue); // above the filter's limit and the largest key
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{0, 1, 2}));
  dc.Post();
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{1, 2}));
}

TEST(CustomData, SelectedRecordsSummaryCountsOnlySelectedRows) {
  TestController dc(1);
  dc.Fill({{1}, {2}, {4}});
  dc.SetMultiSelect(true);
  TcxDataSummaryItem* sum = dc.Summary().FooterSummaryItems().Add();
  sum->SetField(dc.GetItemField(0));
  sum->SetKind(skSum);
  dc.Summary().SetOptions(TcxSummaryOptions{soSelectedRecords});
  EXPECT_TRUE(dc.Summary().FooterSummaryValues()[0].IsNull());
  dc.ChangeRowSelection(0, true);
  dc.ChangeRowSelection(2, true);
  EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 5);
}

TEST(CustomData, SelectedRecordsSummaryOfGroupsAndFooterTogether) {
  TestController dc(2);
  dc.Fill({{1, 2}, {2, 1}, {4, 2}, {8, 1}, {16, 2}});
  dc.SetMultiSelect(true);
  for (TcxDataSummaryItems* items :
       {&dc.Summary().FooterSummaryItems(), &dc.Summary().DefaultGroupSummaryItems()}) {
    TcxDataSummaryItem* sum = items->Add();
    sum->SetField(dc.GetItemField(0));
    sum->SetKind(skSum);
  }
  dc.Summary().SetOptions(TcxSummaryOptions{soSelectedRecords});
  dc.ChangeGroupIndex(1, 0);
  dc.FullExpand();
  // Rows: group 1 (records 1, 3), then group 2 (records 0, 2, 4).
  dc.ChangeRowSelection(2, true);
  dc.ChangeRowSelection(5, true);
  dc.ChangeRowSelection(6, true);
  EXPECT_EQ(dc.Summary().FooterSummaryValues()[0].AsInteger(), 8 + 4 + 16);
  ASSERT_EQ(dc.View().Groups().Count(), 2);
  EXPECT_EQ(dc.View().Groups().Items(0).SummaryValues[0].AsInteger(), 8);
  EXPECT_EQ(dc.View().Groups().Items(1).SummaryValues[0].AsInteger(), 4 + 16);
}

TEST(CustomData, IncrementalFilterAndBookmarks) {
  TestController dc(1);
  dc.SetItemValueTypeClass(0, TcxStringValueType::Instance());
  dc.Fill({{"kuş"}, {"kedi"}, {"at"}});
  EXPECT_EQ(dc.SetIncrementalFilter(0, "K"), 0);
  EXPECT_EQ(dc.GetRowCount(), 2);
  dc.ChangeFocusedRecordIndex(1);
  EXPECT_TRUE(dc.SaveBookmark());
  dc.ResetIncrementalFilter();
  EXPECT_EQ(dc.GetRowCount(), 3);
  dc.ChangeFocusedRowIndex(2);
  EXPECT_TRUE(dc.GotoBookmark());
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 1);
  dc.RemoveRecord(1);
  EXPECT_FALSE(dc.IsBookmarkAvailable());
}

} // namespace

namespace {

TEST(CustomData, InsertKeepsFocusAndSelectionOnTheirRecords) {
  TestController dc(1);
  dc.Fill({{10}, {20}, {30}});
  dc.SetMultiSelect(true);
  dc.ChangeFocusedRowIndex(2);
  dc.ChangeRowSelection(1, true);
  dc.InsertRecord(0);
  EXPECT_EQ(dc.GetFocusedRecordIndex(), 3);
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 30);
  ASSERT_EQ(dc.GetSelectedCount(), 1);
  EXPECT_EQ(dc.GetValue(dc.GetRowInfo(dc.GetSelectedRowIndex(0)).RecordIndex, 0).AsInteger(), 20);
}

} // namespace

namespace {

TEST(CustomData, KeyLocateAndGroupWalker) {
  TestController dc(2);
  TcxDataControllerKeyLocateObject empty(&dc);
  EXPECT_EQ(empty.FindRecordIndex(), -1);
  dc.Fill({{1, 7}, {2, 8}, {1, 9}});
  TcxDataControllerKeyLocateObject locate(&dc);
  locate.KeyFields = {dc.GetItemField(0), dc.GetItemField(1)};
  TcxValueDefUnboundReader reader;
  reader.SetValue(dc.GetItemField(0)->ValueDef(), 1);
  reader.SetValue(dc.GetItemField(1)->ValueDef(), 9);
  locate.ReadData(&reader);
  EXPECT_EQ(locate.FindRecordIndex(), 2);
  dc.ChangeGroupIndex(0, 0);
  TcxDataControllerGroups& groups = dc.Groups();
  EXPECT_EQ(groups.LevelCount(), 1);
  EXPECT_EQ(groups.ChildCount(-1), 2);
  std::vector<int> records;
  groups.LoadRecordIndexes(records, groups.ChildIndex(-1, 0));
  EXPECT_EQ(records, (std::vector<int>{0, 2}));
  EXPECT_EQ(groups.ChildRecordIndex(groups.ChildIndex(-1, 1), 0), 1);
}

} // namespace

namespace {

TEST(CustomData, SummaryGroupsServeTheLevelsOfTheirItems) {
  TestController dc(3);
  dc.Fill({{1, 1, 10}, {1, 2, 20}, {2, 1, 30}});
  TcxDataSummaryItem* byDefault = dc.Summary().DefaultGroupSummaryItems().Add();
  byDefault->SetField(dc.GetItemField(2));
  byDefault->SetKind(skSum);
  TcxDataSummaryGroup* own = dc.Summary().AddSummaryGroup();
  TcxDataSummaryItem* count = own->SummaryItems().Add();
  count->SetKind(skCount);
  own->AddLink(dc.Items[1].get());
  TcxDataSummaryGroup* other = dc.Summary().AddSummaryGroup();
  other->AddLink(dc.Items[1].get()); // an item belongs to one group: it moves
  EXPECT_FALSE(own->HasLink(dc.Items[1].get()));
  own->AddLink(dc.Items[1].get());
  dc.ChangeGroupIndex(0, 0);
  dc.ChangeGroupIndex(1, 1);
  TcxDataGroups& groups = dc.View().Groups();
  ASSERT_EQ(groups.Count(), 5);
  EXPECT_EQ(groups.Items(0).SummaryValues[0].AsInteger(), 30); // level 0: default items, a sum
  EXPECT_EQ(groups.Items(1).SummaryValues[0].AsInteger(), 1);  // level 1: the group's items, a count
  dc.RemoveItem(dc.Items[1].get());
  EXPECT_FALSE(own->HasLink(dc.Items[1].get()));
}

} // namespace
