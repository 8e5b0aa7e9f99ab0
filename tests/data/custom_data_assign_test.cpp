#include <gtest/gtest.h>

#include "data/cxCustomData.h"
#include "platform/classes/Component.h"
#include "platform/classes/ComponentStream.h"
#include "platform/classes/Streams.h"
#include "tests/data/custom_data_test_util.h"

namespace {

// Records what the controller it owns answers while the stream reader fills it.
class ProbeOwner : public TComponent {
  PELVOR_CLASS(ProbeOwner, TComponent)
public:
  using TComponent::TComponent;
  TcxCustomDataController* Controller = nullptr;
  bool SeenLoading = false;
  void DefineProperties(TFiler* Filer) override {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        "Probe", [this](TReader* r) { r->ReadInteger(), SeenLoading = Controller->IsLoading(); },
        [](TWriter* w) { w->WriteInteger(1); }, true);
  }
};

TEST(CustomDataOwnerState, LoadingAndDestroyingFollowTheOwner) {
  ProbeOwner writer(nullptr);
  TestController w(1, &writer);
  writer.Controller = &w;
  TMemoryStream stream;
  WriteComponent(&stream, &writer);

  ProbeOwner owner(nullptr);
  TestController dc(1, &owner);
  owner.Controller = &dc;
  EXPECT_FALSE(dc.IsLoading());
  stream.SetPosition(0);
  ReadComponent(&stream, &owner);
  EXPECT_TRUE(owner.SeenLoading);
  EXPECT_FALSE(dc.IsLoading());

  EXPECT_FALSE(dc.IsDestroying());
  owner.Destroying();
  EXPECT_TRUE(dc.IsDestroying());

  TestController orphan(1);
  EXPECT_FALSE(orphan.IsLoading());
  EXPECT_FALSE(orphan.IsDestroying());
}

struct Hooks : TObject {
  int Posts = 0;
  void AfterPost(TcxCustomDataController*) { ++Posts; }
};

TEST(CustomDataAssign, CopiesOptionsFilterSummaryAndEvents) {
  IdController source(2), target(2);
  source.Fill({{1, 10}, {2, 20}, {3, 30}});
  target.Fill({{5, 50}, {6, 60}, {7, 70}, {8, 80}});
  source.SetOptions(source.GetOptions() | dcoCaseInsensitive);
  source.Filter().AddItem(nullptr, source.GetItemField(0), fokGreater, 5, "5");
  source.Filter().SetActive(true);
  TcxDataSummaryItem* sum = source.Summary().FooterSummaryItems().Add();
  sum->SetField(source.GetItemField(1));
  sum->SetKind(skSum);
  sum->SetFormat("S=0");
  source.Summary().SetOptions(TcxSummaryOptions{soNullIgnore});
  TcxDataSummaryGroup* group = source.Summary().AddSummaryGroup();
  group->AddLink(source.Items[0].get());
  group->SummaryItems().Add()->SetKind(skCount);
  Hooks hooks;
  source.OnAfterPost = TcxDataControllerNotifyEvent(&hooks, &Hooks::AfterPost);

  target.Assign(&source);
  EXPECT_EQ(target.GetOptions(), source.GetOptions());
  EXPECT_TRUE(target.Filter().Active());
  // The criteria point at the target's own field, so only 6, 7 and 8 pass.
  EXPECT_EQ(target.RowRecords(), (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(target.Summary().FooterSummaryItems().Count(), 1);
  TcxDataSummaryItem* copied = target.Summary().FooterSummaryItems().Items(0);
  EXPECT_EQ(copied->Field(), target.GetItemField(1));
  EXPECT_EQ(copied->Format(), "S=0");
  EXPECT_EQ(target.Summary().FooterSummaryValues()[0].AsInteger(), 210);
  EXPECT_TRUE(target.Summary().Options().Contains(soNullIgnore));
  ASSERT_EQ(target.Summary().SummaryGroupCount(), 1);
  EXPECT_EQ(target.Summary().SummaryGroups(0)->SummaryItems().Items(0)->Kind(), skCount);
  EXPECT_TRUE(target.Summary().SummaryGroups(0)->HasLink(target.Items[0].get()));

  target.ChangeFocusedRowIndex(0);
  target.Edit();
  target.SetEditValue(0, 9, evsValue);
  target.Post();
  EXPECT_EQ(hooks.Posts, 1);
  // The source is untouched by the copy.
  EXPECT_EQ(source.Summary().FooterSummaryItems().Items(0)->Field(), source.GetItemField(1));
  target.Assign(&target);
  EXPECT_EQ(target.Summary().FooterSummaryItems().Count(), 1);
}

TEST(CustomDataRows, ForEachRowVisitsAllOrSelectedRows) {
  TestController dc(1);
  dc.Fill({{3}, {1}, {2}, {1}});
  dc.ChangeGroupIndex(0, 0);
  dc.FullExpand();
  struct Visit {
    int Row;
    int Level;
    int Record;
  };
  std::vector<Visit> seen;
  auto collect = [&seen](void* AData, int ARow, const TcxRowInfo& AInfo) {
    EXPECT_EQ(AData, &seen);
    seen.push_back({ARow, AInfo.Level, AInfo.RecordIndex});
  };
  dc.ForEachRow(false, collect, &seen);
  ASSERT_EQ(int(seen.size()), dc.GetRowCount());
  for (const Visit& v : seen) {
    EXPECT_EQ(v.Level, dc.GetRowInfo(v.Row).Level);
    EXPECT_EQ(v.Record, dc.GetRowInfo(v.Row).RecordIndex);
  }
  seen.clear();
  dc.SetMultiSelect(true);
  dc.ChangeRowSelection(1, true);
  dc.ChangeRowSelection(4, true);
  dc.ForEachRow(true, collect, &seen);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].Row + seen[1].Row, 5);

  // A procedure that collapses the groups shortens the walk instead of reading past the rows.
  seen.clear();
  dc.ForEachRow(
      false,
      [&](void*, int ARow, const TcxRowInfo&) {
        seen.push_back({ARow, 0, 0});
        dc.FullCollapse();
      },
      nullptr);
  EXPECT_EQ(seen.size(), 3u);
}

TEST(CustomDataEditing, NewItemRowValueAndRecordToEdit) {
  TestController dc(1);
  dc.Fill({{4}, {5}});
  dc.ChangeFocusedRowIndex(1);
  Variant value;
  dc.GetNewItemRowValue(0, evsValue, value);
  EXPECT_EQ(value.AsInteger(), 5);

  dc.SetNewItemRowFocused(true); // refused while the row is not enabled
  EXPECT_FALSE(dc.NewItemRowFocused());
  dc.SetNewItemRowEnabled(true);
  dc.SetNewItemRowFocused(true);
  EXPECT_TRUE(dc.NewItemRowFocused());
  EXPECT_EQ(dc.GetFocusedRowIndex(), -1);
  EXPECT_LT(dc.GetRecordIndexToEdit(), 0);
  EXPECT_EQ(dc.GetRecordIndexToEdit(), dc.GetNewItemRecordIndex());
  dc.GetNewItemRowValue(0, evsValue, value);
  EXPECT_TRUE(VarIsNull(value));

  EXPECT_THROW(dc.GetNewItemRowValue(3, evsValue, value), Exception);
  dc.ChangeFocusedRowIndex(0);
  EXPECT_FALSE(dc.NewItemRowFocused());
  EXPECT_EQ(dc.GetRecordIndexToEdit(), 0);
}

} // namespace

namespace {

struct ChangeCounter : TObject {
  int Changes = 0;
  void Changed(TObject*) { ++Changes; }
};

TEST(CustomDataFilters, AddedCriteriaAreKeptNotApplied) {
  TestController dc(2);
  dc.Fill({{1, 1}, {2, 2}, {3, 3}});
  TcxDataFilterCriteria* kept = dc.AddFilter();
  TcxDataFilterCriteria* other = dc.AddFilter();
  ASSERT_EQ(dc.Filters().Count(), 2);
  EXPECT_EQ(dc.Filters().Items(0), kept);
  EXPECT_EQ(kept->DataController(), &dc);
  ChangeCounter counter;
  kept->OnChanged = TNotifyEvent(&counter, &ChangeCounter::Changed);
  kept->AddItem(nullptr, dc.Items[0].get(), fokEqual, 2, "2");
  kept->AddItem(nullptr, dc.Items[1].get(), fokEqual, 3, "3");
  kept->SetActive(true);
  EXPECT_EQ(counter.Changes, 0);
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{0, 1, 2}));
  // The controller's own filter still filters.
  dc.Filter().AddItem(nullptr, dc.Items[0].get(), fokGreater, 1, "1");
  dc.Filter().SetActive(true);
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{1, 2}));

  // Conditions on a removed field leave the kept criteria too.
  EXPECT_NE(kept->FindItemByItemLink(dc.Items[0].get()), nullptr);
  dc.RemoveItem(dc.Items[0].get());
  EXPECT_EQ(kept->FindItemByItemLink(dc.Items[0].get()), nullptr);
  EXPECT_NE(kept->FindItemByItemLink(dc.Items[1].get()), nullptr);

  // Freeing a criteria takes it out of the list; the rest go with the controller.
  other->Free();
  ASSERT_EQ(dc.Filters().Count(), 1);
  EXPECT_EQ(dc.Filters().IndexOf(kept), 0);
  EXPECT_EQ(dc.Filters().IndexOf(other), -1);
  dc.Filters().Clear();
  EXPECT_EQ(dc.Filters().Count(), 0);
  dc.AddFilter();
}

} // namespace

namespace {

class WatchingController : public TestController {
public:
  using TestController::TestController;
  void ComponentRemoved(TComponent* AComponent) override { Removed.push_back(AComponent); }
  std::vector<TComponent*> Removed;
};

TEST(CustomDataNotifier, RemovalOfANamedComponentReachesTheController) {
  WatchingController dc(1);
  EXPECT_EQ(dc.Notifier().DataController(), &dc);
  auto* watched = new TComponent(nullptr);
  auto* other = new TComponent(nullptr);
  watched->FreeNotification(&dc.Notifier());
  watched->Free();
  other->Free();
  ASSERT_EQ(dc.Removed.size(), 1u);
  EXPECT_EQ(dc.Removed[0], watched);

  // A controller freed first leaves the component nothing to call.
  auto* survivor = new TComponent(nullptr);
  {
    WatchingController shortLived(1);
    survivor->FreeNotification(&shortLived.Notifier());
  }
  survivor->Free();
  EXPECT_EQ(dc.Removed.size(), 1u);
}

} // namespace
