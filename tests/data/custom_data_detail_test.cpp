#include <gtest/gtest.h>

#include <memory>

#include "data/cxCustomData.h"
#include "tests/data/custom_data_test_util.h"

namespace {

// A link object holding the detail controller it made; counts the live ones.
struct Link : TObject {
  explicit Link(int& ALive) : Live(ALive), Detail(1) { ++Live; }
  ~Link() override { --Live; }
  int& Live;
  TestController Detail;
};

class LinkingController : public TestController {
public:
  using TestController::TestController;
  TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int ARecordIndex) override {
    ++Created;
    EXPECT_EQ(ARelation, Relations().Items(0));
    // A factory asking again for the same detail gets nothing instead of recursing.
    EXPECT_EQ(GetDetailDataController(ARecordIndex, 0), nullptr);
    return new Link(Live);
  }
  TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) override {
    return &static_cast<Link*>(ALinkObject)->Detail;
  }
  int Created = 0;
  int Live = 0;
};

TEST(CustomDataDetails, LinkObjectsAreMadeOnceAndFreedWhenCleared) {
  LinkingController master(1);
  master.Fill({{0}, {1}, {2}});
  Item relationItem;
  master.Relations().Add(&relationItem);
  EXPECT_FALSE(master.IsDetailDataControllerExist(1, 0));
  EXPECT_EQ(master.GetDetailDataController(1, 0), nullptr); // no detail object for the record yet
  master.ChangeDetailActiveRelationIndex(1, 0);
  master.ChangeDetailActiveRelationIndex(2, 0);
  TcxCustomDataController* detail = master.GetDetailDataController(1, 0);
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(master.GetDetailDataController(1, 0), detail);
  EXPECT_TRUE(master.IsDetailDataControllerExist(1, 0));
  EXPECT_EQ(master.Created, 1);
  ASSERT_NE(master.GetDetailDataController(2, 0), nullptr);
  EXPECT_EQ(master.Live, 2);

  master.Infos.clear();
  master.ClearDetailObject(1, 0);
  EXPECT_EQ(master.Live, 1);
  EXPECT_FALSE(master.IsDetailDataControllerExist(1, 0));
  EXPECT_FALSE(master.Infos.empty());
  master.Infos.clear();
  master.ClearDetailObject(1, -1); // nothing left to clear: nothing reported
  EXPECT_TRUE(master.Infos.empty());
  master.ClearAllDetails();
  EXPECT_EQ(master.Live, 0);
  master.GetDetailDataController(2, 0);
  EXPECT_EQ(master.Live, 1);
  master.Relations().Clear();
  EXPECT_EQ(master.Live, 0);
}

// root --A--> clones at records 0 and 2, each --B--> clones at their record 0.
struct Tree {
  Tree() {
    root.Fill({{0}, {1}, {2}});
    relA = root.Relations().Add(&itemA);
    root.SetDetailDataController(0, 0, &a0);
    root.SetDetailDataController(2, 0, &a2);
    for (TestController* a : {&a0, &a2}) {
      a->Fill({{7}, {8}});
      a->Relations().Add(&itemB);
    }
    a0.SetDetailDataController(0, 0, &b00);
    a2.SetDetailDataController(1, 0, &b21);
    pattern.SetMasterRelation(relA, -1);
  }
  Item itemA, itemB;
  TestController root{1}, a0{1}, a2{1}, b00{1}, b21{1}, pattern{1};
  TcxCustomDataRelation* relA;
};

TEST(CustomDataDetails, ForEachDetailWalksThePathFromTheRoot) {
  Tree t;
  struct Case {
    TcxCustomDataRelation* Relation;
    std::vector<TcxCustomDataController*> Expected;
  } cases[] = {
      {t.relA, {&t.a0, &t.a2}},
      {t.a0.Relations().Items(0), {&t.b00, &t.b21}},
      {t.a2.Relations().Items(0), {&t.b00, &t.b21}},
      {nullptr, {}},
  };
  for (const Case& c : cases) {
    std::vector<TcxCustomDataController*> seen;
    int data = 0;
    t.b00.ForEachDetail(
        c.Relation,
        [&](void* AData, TcxCustomDataController* ADetail) {
          EXPECT_EQ(AData, &data);
          seen.push_back(ADetail);
        },
        &data);
    EXPECT_EQ(seen, c.Expected);
  }
}

TEST(CustomDataDetails, PatternsAndDetailKinds) {
  Tree t;
  EXPECT_EQ(t.root.GetPatternDataController(), &t.root);
  EXPECT_EQ(t.a2.GetPatternDataController(), &t.pattern);
  EXPECT_EQ(t.b00.GetPatternDataController(), nullptr); // relation B has no pattern
  EXPECT_EQ(t.pattern.GetDetailMode(), 1);
  EXPECT_EQ(t.a0.GetDetailMode(), 2);
  t.a0.SetPatternFlag(true);
  EXPECT_EQ(t.a0.GetDetailMode(), 1);
  EXPECT_EQ(t.b21.GetRootDataController(), &t.root);
}

TEST(CustomDataDetails, NotifyDetailChangedClearsTheRelationsOfTheItem) {
  Tree t;
  t.root.NotifyDetailChanged(&t.itemB);
  EXPECT_EQ(t.a0.GetDetailDataController(0, 0), nullptr);
  EXPECT_EQ(t.a2.GetDetailDataController(1, 0), nullptr);
  EXPECT_FALSE(t.b00.IsDetailMode());
  EXPECT_EQ(t.root.GetDetailDataController(0, 0), &t.a0);

  // A change of the pattern's layout drops the clones of its relation.
  t.pattern.LayoutChanged(dccLayout);
  EXPECT_EQ(t.root.GetDetailDataController(0, 0), nullptr);
  EXPECT_FALSE(t.a2.IsDetailMode());
  EXPECT_EQ(t.pattern.GetMasterRelation(), t.relA);
}

TEST(CustomDataDetails, FreedDetailsLeaveNoPointerBehind) {
  TestController master(1);
  master.Fill({{0}, {1}});
  Item item;
  TcxCustomDataRelation* relation = master.Relations().Add(&item);
  {
    TestController clone(1), pattern(1);
    master.SetDetailDataController(1, 0, &clone);
    pattern.SetMasterRelation(relation, -1);
    EXPECT_EQ(relation->DetailDataController, &pattern);
  }
  EXPECT_EQ(master.GetDetailDataController(1, 0), nullptr);
  EXPECT_EQ(relation->DetailDataController, nullptr);
  EXPECT_FALSE(master.IsDetailDataControllerExist(1, 0));

  // Clearing the relations leaves the clones without a master instead of a freed one.
  TestController clone(1);
  master.SetDetailDataController(0, 0, &clone);
  master.Relations().Clear();
  EXPECT_FALSE(clone.IsDetailMode());
}

} // namespace

namespace {

// Rows kept by the application, handed to the controller by handle (100 + row).
class RowSource : public TcxUserDataSource {
public:
  std::vector<int> Rows;
  void LoadRecords() override {
    for (std::size_t i = 0; i < Rows.size(); ++i)
      CurrentProvider->AddRecordHandle(100 + int(i));
  }
  void GetValue(int ARecordHandle, int AItemHandle, Variant& AValue) override {
    (void)AItemHandle;
    AValue = Rows.at(std::size_t(ARecordHandle - 100));
  }
  int AppendRecord() override {
    Rows.push_back(0);
    return 100 + int(Rows.size()) - 1;
  }
};

TEST(CustomDataUserSource, KeyFieldHoldsHandlesWhileASourceIsAttached) {
  auto owned = std::make_unique<TestController>(1);
  TestController& dc = *owned;
  dc.Fill({{1}});
  RowSource source;
  source.Rows = {30, 10, 20};
  dc.Provider().SetCustomDataSource(&source);
  ASSERT_NE(dc.KeyField(), nullptr);
  EXPECT_TRUE(dc.KeyField()->IsInternal());
  EXPECT_EQ(dc.Fields().ItemCount(), 1);
  ASSERT_EQ(dc.GetRecordCount(), 3);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(dc.Provider().GetRecordHandleByIndex(r), 100 + r);
    EXPECT_EQ(dc.Provider().GetRecordIndexByHandle(100 + r), r);
    EXPECT_EQ(dc.GetValue(r, 0).AsInteger(), source.Rows[std::size_t(r)]);
  }
  EXPECT_EQ(dc.Provider().GetRecordIndexByHandle(99), -1);
  dc.ChangeSorting(0, soAscending);
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{1, 2, 0}));

  // A reload keeps one key field and reads the source again.
  source.Rows.push_back(5);
  dc.ReloadData();
  EXPECT_EQ(dc.Fields().Count(), 2);
  EXPECT_EQ(dc.RowRecords(), (std::vector<int>{3, 1, 2, 0}));
  EXPECT_EQ(dc.Provider().AppendRecord(), 4);
  EXPECT_EQ(dc.Provider().GetRecordHandleByIndex(4), 104);

  dc.Provider().SetCustomDataSource(nullptr);
  EXPECT_EQ(dc.KeyField(), nullptr);
  EXPECT_EQ(dc.Fields().Count(), 1);
  EXPECT_EQ(dc.Provider().GetRecordHandleByIndex(2), 2);

  // A source freed before the controller detaches itself.
  auto early = std::make_unique<RowSource>();
  early->Rows = {1, 2};
  dc.Provider().SetCustomDataSource(early.get());
  EXPECT_EQ(dc.GetRecordCount(), 2);
  early.reset();
  EXPECT_EQ(dc.Provider().CustomDataSource(), nullptr);
  EXPECT_EQ(dc.KeyField(), nullptr);
  owned.reset();
}

} // namespace

namespace {

// Rows with stable IDs whose order changes between loads.
class KeyedSource : public TcxUserDataSource {
public:
  std::vector<int> Ids; // row order of the next load
  void LoadRecords() override {
    for (std::size_t i = 0; i < Ids.size(); ++i)
      CurrentProvider->AddRecordHandle(int(i));
  }
  void GetValue(int ARecordHandle, int AItemHandle, Variant& AValue) override {
    (void)AItemHandle;
    AValue = Ids.at(std::size_t(ARecordHandle));
  }
  void GetRecordId(int ARecordHandle, Variant& AValue) override {
    AValue = Ids.at(std::size_t(ARecordHandle));
  }
  bool IsKeyNavigation() override { return KeyNavigation; }
  bool KeyNavigation = true;
};

std::vector<int> SelectedIds(TestController& dc) {
  std::vector<int> ids;
  for (int i = 0; i < dc.GetSelectedCount(); ++i)
    ids.push_back(dc.GetValue(dc.GetRowInfo(dc.GetSelectedRowIndex(i)).RecordIndex, 0).AsInteger());
  return ids;
}

TEST(CustomDataSavedKeys, FocusSelectionAndDetailsFollowTheirKeysThroughAReload) {
  KeyedSource source;
  TestController dc(1);
  source.Ids = {10, 20, 30, 40, 50};
  dc.Provider().SetCustomDataSource(&source);
  Item relationItem;
  dc.Relations().Add(&relationItem);
  dc.SetMultiSelect(true);
  dc.ChangeFocusedRecordIndex(3); // id 40
  dc.ChangeRowSelection(1, true); // id 20
  dc.ChangeRowSelection(4, true); // id 50
  dc.ChangeDetailActiveRelationIndex(2, 0);
  ASSERT_TRUE(dc.ChangeDetailExpanding(2, true)); // id 30
  ASSERT_EQ(SelectedIds(dc), (std::vector<int>{20, 50}));

  dc.BeginFullUpdate();
  dc.BeginFullUpdate(); // nested brackets restore once, at the outer end
  source.Ids = {50, 5, 40, 30, 20};
  dc.ReloadData();
  dc.EndFullUpdate();
  dc.EndFullUpdate();
  EXPECT_EQ(dc.GetRecordCount(), 5);
  ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 40);
  std::vector<int> selected = SelectedIds(dc);
  std::sort(selected.begin(), selected.end());
  EXPECT_EQ(selected, (std::vector<int>{20, 50}));
  EXPECT_TRUE(dc.IsDetailExpanded(3)); // id 30 now at record 3
  EXPECT_FALSE(dc.IsDetailExpanded(2));

  // A focused key that is gone leaves nothing focused instead of a stranger.
  dc.BeginFullUpdate();
  source.Ids = {1, 2, 3};
  dc.ReloadData();
  dc.EndFullUpdate();
  EXPECT_EQ(dc.GetFocusedRecordIndex(), -1);
  EXPECT_EQ(dc.GetSelectedCount(), 0);
}

// Only keys say which record is which after a full update: without them nothing stays focused, rather than
// whatever record now has the index.
TEST(CustomDataSavedKeys, WithoutKeysAFullUpdateLeavesNothingFocused) {
  enum class Source { None, Unkeyed, Keyed };
  for (Source kind : {Source::None, Source::Unkeyed, Source::Keyed}) {
    SCOPED_TRACE(int(kind));
    KeyedSource source;
    source.Ids = {10, 20, 30, 40, 50};
    source.KeyNavigation = kind == Source::Keyed;
    TestController dc(1);
    if (kind == Source::None)
      dc.Fill({{10}, {20}, {30}, {40}, {50}});
    else
      dc.Provider().SetCustomDataSource(&source);
    ASSERT_EQ(dc.IsKeyNavigation(), kind == Source::Keyed);
    ASSERT_TRUE(dc.ChangeFocusedRecordIndex(3)); // 40

    dc.BeginFullUpdate();
    dc.BeginFullUpdate();
    dc.ChangeSorting(0, soDescending);
    dc.EndFullUpdate();
    EXPECT_EQ(dc.GetFocusedRecordIndex(), 3) << "the inner end restores nothing";
    dc.EndFullUpdate();

    EXPECT_EQ(dc.RowRecords(), (std::vector<int>{4, 3, 2, 1, 0}));
    if (kind == Source::Keyed) {
      ASSERT_GE(dc.GetFocusedRecordIndex(), 0);
      EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 0).AsInteger(), 40);
    } else {
      EXPECT_EQ(dc.GetFocusedRecordIndex(), -1);
      EXPECT_EQ(dc.GetFocusedRowIndex(), -1);
    }
  }
}

} // namespace
