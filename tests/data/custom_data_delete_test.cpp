// A delete reaches the record it was asked to delete, or none, whatever its handlers do to the records, and a
// user data source is not asked for a row after it was told to delete it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/data/custom_data_test_util.h"

namespace {

std::vector<int> Values(TestController& dc) {
  std::vector<int> values;
  for (int r = 0; r < dc.GetRecordCount(); ++r)
    values.push_back(dc.GetValue(r, 0).AsInteger());
  return values;
}

// Changes the records once, from the first before-delete event it gets.
struct Meddler {
  TestController* Controller = nullptr;
  std::function<void(TestController&)> Change;
  int Calls = 0;
  void BeforeDelete(TcxCustomDataController*, int) {
    if (Calls++ == 0 && Change)
      Change(*Controller);
  }
};

void RemoveRecord(TestController& dc, int ARecord) {
  std::vector<int> list{ARecord};
  dc.DeleteRecords(list);
}

TEST(CustomDataDelete, ADeleteReachesItsRecordWhateverTheBeforeDeleteHandlerDoes) {
  const struct {
    const char* Name;
    std::function<void(TestController&)> Change;
    std::vector<int> Selected; // rows selected for a delete of the selection; none: the focused record goes
    std::vector<int> Left;
    int Focused; // the value of the record focused afterwards
  } cases[] = {
      {"nothing changed", nullptr, {}, {10, 20, 30, 50}, 50},
      {"a record before it removed", [](TestController& dc) { RemoveRecord(dc, 0); }, {}, {20, 30, 50}, 50},
      {"the record itself removed",
       [](TestController& dc) { RemoveRecord(dc, 3); },
       {},
       {10, 20, 30, 50},
       50},
      {"a record after it removed", [](TestController& dc) { RemoveRecord(dc, 4); }, {}, {10, 20, 30}, 30},
      {"a record inserted before it",
       [](TestController& dc) { dc.SetValue(dc.InsertRecord(0), 0, 5); },
       {},
       {5, 10, 20, 30, 50},
       50},
      {"selection, a record before it removed",
       [](TestController& dc) { RemoveRecord(dc, 0); },
       {2, 3},
       {20, 50},
       50},
      {"selection, one of them removed",
       [](TestController& dc) { RemoveRecord(dc, 2); },
       {2, 3},
       {10, 20, 50},
       50},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TestController dc(1);
    dc.Fill({{10}, {20}, {30}, {40}, {50}});
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(3));
    Meddler meddler{&dc, c.Change};
    dc.OnBeforeDelete = TcxDataControllerRecordEvent(&meddler, &Meddler::BeforeDelete);
    if (c.Selected.empty()) {
      dc.DeleteFocused();
    } else {
      dc.SetMultiSelect(true);
      for (int row : c.Selected)
        dc.ChangeRowSelection(row, true);
      dc.DeleteSelection();
    }
    EXPECT_EQ(Values(dc), c.Left);
    ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
    EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), c.Focused);
  }
}

// Rows (group, value) kept by the application; a deleted row is gone, and asking for it is an error.
class StrictSource : public TcxUserDataSource {
public:
  struct Row {
    int Group, Value;
    bool Deleted = false;
  };
  std::vector<Row> Rows;
  void LoadRecords() override {
    for (std::size_t i = 0; i < Rows.size(); ++i)
      if (!Rows[i].Deleted)
        CurrentProvider->AddRecordHandle(int(i));
  }
  int GetItemHandle(int AItemIndex) override { return AItemIndex; }
  void GetValue(int ARecordHandle, int AItemHandle, Variant& AValue) override {
    const Row& row = Rows.at(std::size_t(ARecordHandle));
    if (row.Deleted)
      throw Exception("row " + std::to_string(ARecordHandle) + " was deleted");
    AValue = AItemHandle == 0 ? row.Group : row.Value;
  }
  void DeleteRecord(int ARecordHandle) override {
    Row& row = Rows.at(std::size_t(ARecordHandle));
    if (row.Deleted)
      throw Exception("row " + std::to_string(ARecordHandle) + " was deleted");
    row.Deleted = true;
  }
  int LiveRows() const {
    int n = 0;
    for (const Row& row : Rows)
      n += row.Deleted ? 0 : 1;
    return n;
  }
};

TEST(CustomDataDelete, ASourceIsNotAskedForARowItWasToldToDelete) {
  const struct {
    const char* Name;
    std::function<void(TestController&)> Shape;
    int Row; // the row focused and deleted
    std::vector<int> Left;
  } cases[] = {
      {"plain", [](TestController&) {}, 0, {2, 3, 4, 5, 6}},
      {"sorted", [](TestController& dc) { dc.ChangeSorting(1, soDescending); }, 0, {1, 2, 3, 4, 5}},
      {"grouped, first record of a group",
       [](TestController& dc) {
         dc.ChangeGroupIndex(0, 0);
         dc.FullExpand();
       },
       1,
       {2, 3, 4, 5, 6}},
      {"grouped, a group row",
       [](TestController& dc) {
         dc.ChangeGroupIndex(0, 0);
         dc.FullExpand();
       },
       0,
       {4, 5, 6}},
      {"grouped and selected",
       [](TestController& dc) {
         dc.ChangeGroupIndex(0, 0);
         dc.FullExpand();
         dc.SetMultiSelect(true);
         dc.ChangeRowSelection(0, true);
         dc.ChangeRowSelection(6, true);
       },
       5,
       {1, 2, 3, 5, 6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    StrictSource source;
    source.Rows = {{1, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}, {2, 6}};
    TestController dc(2);
    dc.Provider().SetCustomDataSource(&source);
    ASSERT_EQ(dc.GetRecordCount(), 6);
    c.Shape(dc);
    ASSERT_TRUE(dc.ChangeFocusedRowIndex(c.Row));
    ASSERT_NO_THROW(dc.DeleteFocused());
    std::vector<int> left;
    for (int r = 0; r < dc.GetRecordCount(); ++r)
      left.push_back(dc.GetValue(r, 1).AsInteger());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.Left);
    EXPECT_EQ(source.LiveRows(), int(c.Left.size()));
    EXPECT_GE(dc.GetFocusedRowIndex(), 0);
  }
}

} // namespace
