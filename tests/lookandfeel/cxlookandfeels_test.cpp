#include "lookandfeel/cxLookAndFeels.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/theme/RecordingThemeBackend.h"
#include "platform/win/Win.h"

namespace {

// Brings the look-and-feel units up as at program start and takes them down again.
struct LookAndFeelUnits {
  explicit LookAndFeelUnits(std::unique_ptr<ThemeBackend> backend = nullptr) {
    SetThemeBackend(std::move(backend));
    dxUxThemeInitialize();
    dxThemeManagerInitialize();
    cxLookAndFeelsInitialize();
  }
  ~LookAndFeelUnits() {
    cxLookAndFeelsFinalize();
    dxThemeManagerFinalize();
    dxUxThemeFinalize();
    SetThemeBackend(nullptr);
  }
};

struct Recorder : IcxLookAndFeelNotificationListener {
  std::vector<TcxLookAndFeelValues> changes;
  int destroying = 0;
  TObject* GetObject() override { return nullptr; }
  void MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues values) override {
    changes.push_back(values);
  }
  void MasterLookAndFeelDestroying(TcxLookAndFeel*) override { ++destroying; }
};

using Values = TcxLookAndFeelValues;

TEST(LookAndFeel, AFreshObjectFollowsTheRootThroughAController) {
  LookAndFeelUnits units;
  TcxLookAndFeel lf(nullptr);
  Recorder rec;
  lf.AddChangeListener(&rec);
  EXPECT_EQ(lf.Kind(), lfUltraFlat);
  EXPECT_FALSE(lf.NativeStyle());

  auto* controller = new TcxLookAndFeelController(nullptr);
  controller->SetKind(lfFlat);
  EXPECT_EQ(RootLookAndFeel()->Kind(), lfFlat);
  EXPECT_EQ(lf.Kind(), lfFlat);
  ASSERT_EQ(rec.changes.size(), 1u);
  EXPECT_EQ(rec.changes[0], Values{lfvKind});
  EXPECT_EQ(controller->Kind(), lfFlat);

  // The last controller going away returns the root to its defaults, and its followers with it.
  controller->Free();
  EXPECT_EQ(RootLookAndFeel()->Kind(), lfUltraFlat);
  EXPECT_FALSE(RootLookAndFeel()->NativeStyle());
  EXPECT_EQ(lf.Kind(), lfUltraFlat);
  EXPECT_EQ(rec.changes.size(), 2u);
  lf.RemoveChangeListener(&rec);
}

TEST(LookAndFeel, OnlyTheLastControllerResetsTheRoot) {
  LookAndFeelUnits units;
  auto* a = new TcxLookAndFeelController(nullptr);
  auto* b = new TcxLookAndFeelController(nullptr);
  a->SetNativeStyle(true);
  a->Free();
  EXPECT_TRUE(RootLookAndFeel()->NativeStyle());
  b->Free();
  EXPECT_FALSE(RootLookAndFeel()->NativeStyle());
}

TEST(LookAndFeel, ControllersListenOnlyToTheRoot) {
  LookAndFeelUnits units;
  TcxLookAndFeel lf(nullptr);
  auto* controller = new TcxLookAndFeelController(nullptr);
  lf.AddChangeListener(controller);
  EXPECT_EQ(lf.ListenerCount(), 0);
  controller->Free();
}

TEST(LookAndFeel, AssignedValuesShieldOnlyThemselvesFromTheMaster) {
  LookAndFeelUnits units;
  TcxLookAndFeel master(nullptr), child(nullptr);
  child.SetMasterLookAndFeel(&master);
  child.SetKind(lfStandard);
  Recorder rec;
  child.AddChangeListener(&rec);

  master.SetKind(lfOffice11);
  EXPECT_EQ(child.Kind(), lfStandard);
  EXPECT_TRUE(rec.changes.empty());

  master.SetNativeStyle(true);
  EXPECT_TRUE(child.NativeStyle());
  ASSERT_EQ(rec.changes.size(), 1u);
  EXPECT_EQ(rec.changes[0], Values{lfvNativeStyle});

  // Clearing the assignment makes the master's kind show through.
  child.SetAssignedValues({});
  EXPECT_EQ(child.Kind(), lfOffice11);
  ASSERT_EQ(rec.changes.size(), 2u);
  EXPECT_EQ(rec.changes[1], Values{lfvKind});
  child.RemoveChangeListener(&rec);
}

TEST(LookAndFeel, WritingAValueThatChangesNothingEffectiveIsSilent) {
  LookAndFeelUnits units;
  TcxLookAndFeel lf(nullptr);
  Recorder rec;
  lf.AddChangeListener(&rec);
  lf.SetKind(lfUltraFlat);
  EXPECT_TRUE(lf.AssignedValues().Contains(lfvKind));
  EXPECT_TRUE(lf.IsKindStored());
  EXPECT_FALSE(lf.IsNativeStyleStored());
  EXPECT_TRUE(rec.changes.empty());
  lf.RemoveChangeListener(&rec);
}

TEST(LookAndFeel, MasterChainsResolveAndRefuseCycles) {
  LookAndFeelUnits units;
  TcxLookAndFeel a(nullptr), b(nullptr), c(nullptr);
  b.SetMasterLookAndFeel(&a);
  c.SetMasterLookAndFeel(&b);
  a.SetKind(lfStandard);
  EXPECT_EQ(c.Kind(), lfStandard);
  EXPECT_EQ(c.GetMasterLookAndFeel(), &b);

  a.SetMasterLookAndFeel(&c); // would close a loop
  EXPECT_EQ(a.GetMasterLookAndFeel(), RootLookAndFeel());
  c.SetMasterLookAndFeel(&c);
  EXPECT_EQ(c.GetMasterLookAndFeel(), &b);
  RootLookAndFeel()->SetMasterLookAndFeel(&a);
  EXPECT_EQ(RootLookAndFeel()->GetMasterLookAndFeel(), nullptr);
}

TEST(LookAndFeel, FollowersOfADestroyedMasterFallBackToTheRoot) {
  LookAndFeelUnits units;
  auto* master = new TcxLookAndFeel(nullptr);
  TcxLookAndFeel child(nullptr);
  child.SetMasterLookAndFeel(master);
  master->SetKind(lfFlat);
  ASSERT_EQ(child.Kind(), lfFlat);
  master->Free();
  EXPECT_EQ(child.GetMasterLookAndFeel(), RootLookAndFeel());
  EXPECT_EQ(child.Kind(), lfUltraFlat);
  RootLookAndFeel()->SetKind(lfStandard);
  EXPECT_EQ(child.Kind(), lfStandard);
}

TEST(LookAndFeel, AssignCopiesOwnValuesAndTheMaster) {
  LookAndFeelUnits units;
  TcxLookAndFeel master(nullptr), source(nullptr), dest(nullptr);
  source.SetMasterLookAndFeel(&master);
  source.SetKind(lfOffice11);
  master.SetNativeStyle(true);
  Recorder rec;
  dest.AddChangeListener(&rec);
  dest.Assign(&source);
  EXPECT_EQ(dest.Kind(), lfOffice11);
  EXPECT_TRUE(dest.NativeStyle());
  EXPECT_EQ(dest.GetMasterLookAndFeel(), &master);
  ASSERT_EQ(rec.changes.size(), 1u);
  EXPECT_EQ(rec.changes[0], (Values{lfvKind, lfvNativeStyle}));
  dest.RemoveChangeListener(&rec);
}

// A listener that, when told, removes a chosen listener (possibly itself) from the sender.
struct Remover : IcxLookAndFeelNotificationListener {
  TcxLookAndFeel* from = nullptr;
  IcxLookAndFeelNotificationListener* victim = nullptr;
  int calls = 0;
  TObject* GetObject() override { return nullptr; }
  void MasterLookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) override {
    ++calls;
    if (victim)
      from->RemoveChangeListener(victim);
  }
  void MasterLookAndFeelDestroying(TcxLookAndFeel*) override {}
};

TEST(LookAndFeel, ListenersThatRemoveListenersDuringNotificationSkipNobodyAndRepeatNobody) {
  LookAndFeelUnits units;
  struct Case {
    int remover;     // which listener removes
    int victim;      // whom it removes
    int expected[4]; // calls each listener gets
  };
  const Case cases[] = {
      {1, 1, {1, 1, 1, 1}}, // removes itself: the next one still runs
      {0, 2, {1, 1, 0, 1}}, // removes a later one: that one is not called
      {2, 0, {1, 1, 1, 1}}, // removes an earlier one: nobody runs twice
      {1, 3, {1, 1, 1, 0}},
  };
  for (const Case& k : cases) {
    TcxLookAndFeel lf(nullptr);
    Remover listeners[4];
    for (auto& l : listeners) {
      l.from = &lf;
      lf.AddChangeListener(&l);
    }
    listeners[k.remover].victim = &listeners[k.victim];
    lf.SetKind(lfStandard);
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(listeners[i].calls, k.expected[i])
          << "remover " << k.remover << " victim " << k.victim << " #" << i;
    for (auto& l : listeners)
      lf.RemoveChangeListener(&l);
  }
}

// A follower's change handler may free the master, or another follower, while the master tells its
// followers of a change or of its going: the master stops telling once it is freed, tells no freed follower,
// and every follower left ends up following the root.
TEST(LookAndFeel, HandlersThatFreeTheMasterOrAFollowerWhileItNotifies) {
  enum Victim { Master, OtherFollower };
  enum Trigger { MasterChanges, MasterFreed };
  struct Case {
    const char* name;
    Victim victim;
    Trigger trigger;
  } cases[] = {
      {"the master, as it changes", Master, MasterChanges},
      {"a follower, as the master changes", OtherFollower, MasterChanges},
      {"a follower, as the master goes", OtherFollower, MasterFreed},
  };
  struct Freer {
    TcxLookAndFeel* victim;
    void Changed(TcxLookAndFeel*, TcxLookAndFeelValues) {
      if (victim)
        std::exchange(victim, nullptr)->Free();
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LookAndFeelUnits units;
    auto* master = new TcxLookAndFeel(nullptr);
    master->SetKind(lfFlat);
    auto* first = new TcxLookAndFeel(nullptr);
    auto* second = new TcxLookAndFeel(nullptr);
    TcxLookAndFeel third(nullptr);
    for (TcxLookAndFeel* follower : {first, second, &third})
      follower->SetMasterLookAndFeel(master);
    Freer freer{c.victim == Master ? master : second};
    first->OnChanged = TcxLookAndFeelChangedEvent(&freer, &Freer::Changed);
    if (c.trigger == MasterChanges)
      master->SetKind(lfStandard);
    else
      master->Free();
    EXPECT_EQ(freer.victim, nullptr) << "the handler ran";
    if (c.victim == OtherFollower && c.trigger == MasterChanges) {
      EXPECT_EQ(third.Kind(), lfStandard);
      master->Free();
    }
    std::vector<TcxLookAndFeel*> left{first, &third};
    if (c.victim == Master)
      left.push_back(second);
    for (TcxLookAndFeel* follower : left) {
      EXPECT_EQ(follower->GetMasterLookAndFeel(), RootLookAndFeel());
      EXPECT_EQ(follower->Kind(), lfUltraFlat);
    }
    EXPECT_EQ(RootLookAndFeel()->ListenerCount(), int(left.size()));
    first->OnChanged = {};
    first->Free();
    if (c.victim == Master)
      second->Free();
  }
}

TEST(LookAndFeel, DestroyingTheRootLeavesNoListenerSignedUpWithIt) {
  SetThemeBackend(nullptr);
  dxUxThemeInitialize();
  cxLookAndFeelsInitialize();
  auto* follower = new TcxLookAndFeel(nullptr);
  TcxLookAndFeel* root = RootLookAndFeel();
  ASSERT_EQ(root->ListenerCount(), 1);
  cxLookAndFeelsFinalize();
  EXPECT_EQ(RootLookAndFeel(), nullptr);
  // The follower lost its master for good; it answers the defaults and frees cleanly.
  EXPECT_EQ(follower->GetMasterLookAndFeel(), nullptr);
  EXPECT_EQ(follower->Kind(), lfUltraFlat);
  follower->Free();
  dxUxThemeFinalize();
}

TEST(LookAndFeel, PainterFollowsKindAndNativeStyleOnlyWhenStylesAreAvailable) {
  struct Case {
    bool themed;
    TcxLookAndFeelKind kind;
    bool native;
    TcxLookAndFeelStyle expected;
  };
  const Case cases[] = {
      {false, lfFlat, false, lfsFlat},
      {false, lfStandard, false, lfsStandard},
      {false, lfUltraFlat, false, lfsUltraFlat},
      {false, lfOffice11, false, lfsOffice11},
      {false, lfFlat, true, lfsFlat},
      {true, lfFlat, true, lfsNative},
      {true, lfOffice11, false, lfsOffice11},
  };
  for (const Case& k : cases) {
    auto fake = std::make_unique<RecordingThemeBackend>();
    fake->SetActive(k.themed);
    LookAndFeelUnits units(std::move(fake));
    TcxLookAndFeel lf(nullptr);
    lf.SetKind(k.kind);
    lf.SetNativeStyle(k.native);
    EXPECT_EQ(lf.GetPainter()->LookAndFeelStyle(), k.expected) << "kind " << k.kind << " native " << k.native;
  }
}

TEST(LookAndFeel, AvailablePainterNeedsTheObjectTypeAndIgnoresTheExplicitPainter) {
  auto fake = std::make_unique<RecordingThemeBackend>();
  fake->SetKnownClasses({u"Button"});
  LookAndFeelUnits units(std::move(fake));
  TcxLookAndFeel lf(nullptr);
  lf.SetNativeStyle(true);
  lf.SetKind(lfStandard);
  EXPECT_EQ(lf.GetAvailablePainter(totButton), TcxWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainter(totHeader), TcxStandardLookAndFeelPainter::Instance());
  lf.SetPainter(TcxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetPainter(), TcxFlatLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainter(totButton), TcxWinXPLookAndFeelPainter::Instance());
}

TEST(LookAndFeel, ASystemColourChangeReachesEveryUserAsANativeStyleChange) {
  LookAndFeelUnits units;
  TcxLookAndFeel lf(nullptr);
  Recorder rec;
  lf.AddChangeListener(&rec);
  HWND window = cxSystemPaletteChangedListenerWindow();
  ASSERT_NE(window, nullptr);
  cxSystemPaletteChangedListenerProc(window, WM_SYSCOLORCHANGE, 0, 0);
  // Once through its own notifier and once passed on from the root.
  ASSERT_EQ(rec.changes.size(), 2u);
  EXPECT_EQ(rec.changes[0], Values{lfvNativeStyle});
  EXPECT_EQ(rec.changes[1], Values{lfvNativeStyle});
  lf.RemoveChangeListener(&rec);
}

struct PaletteLog {
  std::vector<int>* order;
  int id;
  TcxSystemPaletteChangedNotifier* toFree = nullptr;
  void Changed(TObject*) {
    order->push_back(id);
    if (toFree) {
      toFree->Free();
      toFree = nullptr;
    }
  }
};

TEST(SystemPalette, PriorNotifiersFirstEachGroupFromTheLastAndFreedOnesAreSkipped) {
  std::vector<int> order;
  PaletteLog logs[4] = {{&order, 1}, {&order, 2}, {&order, 3}, {&order, 4}};
  auto* n1 = new TcxSystemPaletteChangedNotifier(false);
  auto* n2 = new TcxSystemPaletteChangedNotifier(true);
  auto* n3 = new TcxSystemPaletteChangedNotifier(false);
  auto* n4 = new TcxSystemPaletteChangedNotifier(true);
  TcxSystemPaletteChangedNotifier* all[] = {n1, n2, n3, n4};
  for (int i = 0; i < 4; ++i)
    all[i]->OnSystemPaletteChanged = TNotifyEvent(&logs[i], &PaletteLog::Changed);
  logs[2].toFree = n1; // the third frees the first before the first's turn
  cxSystemPaletteChangedListenerProc(cxSystemPaletteChangedListenerWindow(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(order, (std::vector<int>{4, 2, 3}));
  n2->Free();
  n3->Free();
  EXPECT_NE(cxSystemPaletteChangedListenerWindow(), nullptr);
  n4->Free();
  EXPECT_EQ(cxSystemPaletteChangedListenerWindow(), nullptr);
}

} // namespace

namespace {

TEST(LookAndFeelUnitsList, StartInOrderAndShutDownCleanly) {
  SetThemeBackend(std::make_unique<RecordingThemeBackend>());
  {
    TUnitList units({cxClassesUnit, dxUxThemeUnit, dxThemeManagerUnit, dxOffice11Unit, cxLookAndFeelsUnit});
    units.Initialize();
    ASSERT_NE(RootLookAndFeel(), nullptr);
    EXPECT_TRUE(IsThemeLibraryLoaded());
    EXPECT_EQ(dxOffice11Scheme(), 1);
    TcxLookAndFeel lf(nullptr);
    lf.SetNativeStyle(true);
    EXPECT_EQ(lf.GetPainter(), TcxWinXPLookAndFeelPainter::Instance());
    units.Finalize();
    EXPECT_EQ(RootLookAndFeel(), nullptr);
    EXPECT_FALSE(IsThemeLibraryLoaded());
  }
  SetThemeBackend(nullptr);
}

} // namespace
