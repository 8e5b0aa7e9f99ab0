#include "controls_fixture.h"

namespace {

using Log = std::vector<std::string>;

class FocusTest : public ControlsTest {
protected:
  // A form with two panels holding two boxes each: tab order A1, A2, B1, B2.
  void Build() {
    form = ShowForm();
    panelA = Make<TBox>(form, form, "PanelA", Bounds(0, 0, 100, 100));
    panelB = Make<TBox>(form, form, "PanelB", Bounds(100, 0, 100, 100));
    panelA->SetTabStop(false);
    panelB->SetTabStop(false);
    a1 = Make<TBox>(form, panelA, "A1", Bounds(0, 0, 20, 20));
    a2 = Make<TBox>(form, panelA, "A2", Bounds(0, 30, 20, 20));
    b1 = Make<TBox>(form, panelB, "B1", Bounds(0, 0, 20, 20));
    b2 = Make<TBox>(form, panelB, "B2", Bounds(0, 30, 20, 20));
    for (TBox* b : {panelA, panelB, a1, a2, b1, b2})
      b->Watched = {CM_ENTER, CM_EXIT, WM_SETFOCUS, WM_KILLFOCUS};
    Pump();
  }

  TForm* form = nullptr;
  TBox *panelA = nullptr, *panelB = nullptr, *a1 = nullptr, *a2 = nullptr, *b1 = nullptr, *b2 = nullptr;
};

TEST_F(FocusTest, EnterAndExitFollowTheContainersBetweenOldAndNewFocus) {
  Build();
  a1->SetFocus();
  EXPECT_EQ(EventLog(), (Log{"A1:WM_SETFOCUS", "PanelA:CM_ENTER", "A1:CM_ENTER"}));
  EventLog().clear();

  a2->SetFocus();
  EXPECT_EQ(EventLog(), (Log{"A1:WM_KILLFOCUS", "A2:WM_SETFOCUS", "A1:CM_EXIT", "A2:CM_ENTER"}));
  EventLog().clear();

  b2->SetFocus();
  EXPECT_EQ(EventLog(), (Log{"A2:WM_KILLFOCUS", "B2:WM_SETFOCUS", "A2:CM_EXIT", "PanelA:CM_EXIT",
                             "PanelB:CM_ENTER", "B2:CM_ENTER"}));
  EXPECT_EQ(form->ActiveControl(), b2);
  EXPECT_EQ(Screen()->ActiveControl(), b2);
  EXPECT_EQ(Screen()->ActiveForm(), form);
  EXPECT_TRUE(b2->Focused());
}

TEST_F(FocusTest, AnExitHandlerThatMovesTheFocusStopsTheEnterSequence) {
  Build();
  a1->SetFocus();
  struct Redirect {
    TBox* to;
    void Go(TObject*) { to->SetFocus(); }
  } redirect{b1};
  a1->OnExit = TNotifyEvent(&redirect, &Redirect::Go);
  EventLog().clear();
  a2->SetFocus();
  a1->OnExit = nullptr;
  EXPECT_TRUE(b1->Focused());
  EXPECT_EQ(form->ActiveControl(), b1);
  const Log& log = EventLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "A2:CM_ENTER"), 0) << ::testing::PrintToString(log);
  EXPECT_EQ(log.back(), "B1:CM_ENTER");
}

TEST_F(FocusTest, TabAndShiftTabWalkTheTabOrderAcrossContainersAndWrap) {
  Build();
  a1->SetFocus();
  TBox* forward[] = {a2, b1, b2, a1};
  for (int i = 0; i < 4; ++i) {
    backend->PressKey(VK_TAB);
    Pump();
    EXPECT_EQ(form->ActiveControl(), forward[i]) << "tab " << i;
  }
  backend->KeyDown(VK_SHIFT);
  backend->PressKey(VK_TAB);
  backend->KeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(form->ActiveControl(), b2);
}

TEST_F(FocusTest, TabOrderCanBeChangedAndSkipsDisabledHiddenAndNonStopControls) {
  Build();
  b2->SetTabOrder(0);
  EXPECT_EQ(b2->TabOrder(), 0);
  EXPECT_EQ(b1->TabOrder(), 1);
  // Within panel B the order is now B2, B1.
  EXPECT_EQ(form->FindNextControl(a2, true, true, false), b2);
  EXPECT_EQ(form->FindNextControl(b2, true, true, false), b1);
  b2->SetEnabled(false);
  EXPECT_EQ(form->FindNextControl(a2, true, true, false), b1);
  b1->SetVisible(false);
  EXPECT_EQ(form->FindNextControl(a2, true, true, false), a1) << "wraps past the end";
  a1->SetTabStop(false);
  EXPECT_EQ(form->FindNextControl(a2, true, true, false), nullptr) << "only the current control is left";
  EXPECT_EQ(form->FindNextControl(a2, false, false, false), a1) << "without the tab-stop check";
}

TEST_F(FocusTest, ControlThatWantsTabKeepsIt) {
  Build();
  struct WantsTab : TBox {
    using TBox::TBox;
    void WMGetDlgCode(TWMGetDlgCode& M) override { M.Result = DLGC_WANTTAB; }
  };
  auto* editor = Make<WantsTab>(form, form, "Editor", Bounds(200, 0, 50, 20));
  editor->Watched = {WM_KEYDOWN, CM_DIALOGKEY};
  Pump();
  editor->SetFocus();
  EventLog().clear();
  backend->PressKey(VK_TAB);
  Pump();
  EXPECT_EQ(form->ActiveControl(), editor);
  EXPECT_EQ(EventLog(), (Log{"Editor:WM_KEYDOWN"}));
}

TEST_F(FocusTest, KeyPreviewLetsTheFormSeeAndSwallowKeysFirst) {
  Build();
  a1->SetFocus();
  struct Keys {
    Log seen;
    WORD swallow = 0;
    void FormDown(TObject*, WORD& Key, TShiftState) {
      seen.push_back("form " + std::to_string(Key));
      if (Key == swallow)
        Key = 0;
    }
    void BoxDown(TObject*, WORD& Key, TShiftState) { seen.push_back("box " + std::to_string(Key)); }
    void BoxPress(TObject*, char& Key) { seen.push_back(std::string("press ") + Key); }
  } keys;
  keys.swallow = 'B';
  form->OnKeyDown = TKeyEvent(&keys, &Keys::FormDown);
  a1->OnKeyDown = TKeyEvent(&keys, &Keys::BoxDown);
  a1->OnKeyPress = TKeyPressEvent(&keys, &Keys::BoxPress);

  backend->PressKey('A');
  Pump();
  EXPECT_EQ(keys.seen, (Log{"box 65", "press a"})) << "without preview the form hears nothing";

  keys.seen.clear();
  form->SetKeyPreview(true);
  backend->PressKey('A');
  backend->PressKey('B');
  Pump();
  EXPECT_EQ(keys.seen, (Log{"form 65", "box 65", "press a", "form 66", "press b"}));
}

TEST_F(FocusTest, ArrowKeysMoveWithinTheParentWithoutTheTabStopCheck) {
  Build();
  a2->SetTabStop(false);
  a1->SetFocus();
  backend->PressKey(VK_DOWN);
  Pump();
  EXPECT_EQ(form->ActiveControl(), a2);
  backend->PressKey(VK_DOWN);
  Pump();
  EXPECT_EQ(form->ActiveControl(), a1) << "arrows stay inside panel A";
}

TEST_F(FocusTest, ActiveControlSetBeforeShowingGetsTheFocusWhenTheFormActivates) {
  TForm* second = nullptr;
  Application()->CreateForm(second);
  second->SetBorderStyle(bsNone);
  second->SetBounds(0, 0, 200, 200);
  auto* x = Make<TBox>(second, second, "X", Bounds(0, 0, 20, 20));
  auto* y = Make<TBox>(second, second, "Y", Bounds(0, 30, 20, 20));
  second->SetActiveControl(y);
  second->Show();
  Pump();
  EXPECT_TRUE(y->Focused());
  EXPECT_FALSE(x->Focused());
  EXPECT_TRUE(second->Active());
}

TEST_F(FocusTest, AShownFormFocusesItsFirstTabStop) {
  TForm* second = nullptr;
  Application()->CreateForm(second);
  second->SetBorderStyle(bsNone);
  auto* x = Make<TBox>(second, second, "X", Bounds(0, 0, 20, 20));
  x->SetTabStop(false);
  auto* y = Make<TBox>(second, second, "Y", Bounds(0, 30, 20, 20));
  second->Show();
  Pump();
  EXPECT_EQ(second->ActiveControl(), y);
  EXPECT_TRUE(y->Focused());
}

TEST_F(FocusTest, FocusingAHiddenOrDisabledControlFails) {
  Build();
  a1->SetVisible(false);
  EXPECT_FALSE(a1->CanFocus());
  EXPECT_THROW(form->SetActiveControl(a1), EInvalidOperation);
  panelB->SetEnabled(false);
  EXPECT_FALSE(b1->CanFocus()) << "a disabled parent disables its children's focus";
}

// Disabling or hiding the focused control, or its panel, leaves it as the focus leaves it: the form takes the
// focus and the exits run from the control outwards at once, not when another control is entered later.
// Entered again, the control is entered anew.
TEST_F(FocusTest, DisablingOrHidingTheFocusedControlOrItsPanelLeavesIt) {
  const struct {
    const char* name;
    bool panel, hide;
  } cases[] = {{"control disabled", false, false},
               {"control hidden", false, true},
               {"panel disabled", true, false},
               {"panel hidden", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Build();
    a1->SetFocus();
    EventLog().clear();
    TBox* taken = c.panel ? panelA : a1;
    c.hide ? taken->SetVisible(false) : taken->SetEnabled(false);
    Pump();
    EXPECT_EQ(EventLog(), (Log{"A1:WM_KILLFOCUS", "A1:CM_EXIT", "PanelA:CM_EXIT"}));
    EXPECT_EQ(form->ActiveControl(), nullptr);
    EXPECT_EQ(Screen()->ActiveControl(), nullptr);
    EXPECT_EQ(GetFocus(), form->Handle());
    c.hide ? taken->SetVisible(true) : taken->SetEnabled(true);
    EventLog().clear();
    a1->SetFocus();
    EXPECT_EQ(EventLog(), (Log{"A1:WM_SETFOCUS", "PanelA:CM_ENTER", "A1:CM_ENTER"}));
    form->Free();
    EventLog().clear();
  }
}

// The exit that disabling or hiding runs may move the focus on and free the control it was taken from, or
// that control's panel; the focus stays where the handler put it.
TEST_F(FocusTest, AnExitHandlerMayFreeTheControlThatWasDisabledOrHidden) {
  for (const bool panel : {false, true})
    for (const bool hide : {false, true}) {
      SCOPED_TRACE(std::string(panel ? "panel" : "control") + (hide ? " hidden" : " disabled"));
      Build();
      a1->SetFocus();
      TBox* taken = panel ? panelA : a1;
      struct MoveOnAndFree {
        TBox* to;
        TBox* freed;
        void Exit(TObject*) {
          to->SetFocus();
          std::exchange(freed, nullptr)->Free();
        }
      } handler{b1, taken};
      a1->OnExit = TNotifyEvent(&handler, &MoveOnAndFree::Exit);
      const auto alive = taken->AliveToken();
      hide ? taken->SetVisible(false) : taken->SetEnabled(false);
      Pump();
      EXPECT_FALSE(*alive);
      EXPECT_TRUE(b1->Focused());
      EXPECT_EQ(form->ActiveControl(), b1);
      EXPECT_EQ(Screen()->ActiveControl(), b1);
      form->Free();
    }
}

// Another form taking the activation and giving it back moves the platform focus only: the focused control
// is neither left nor entered.
TEST_F(FocusTest, ActivatingAnotherFormAndComingBackLeavesNothing) {
  Build();
  a1->SetFocus();
  EventLog().clear();
  TForm* other = nullptr;
  Application()->CreateForm(other);
  other->SetBounds(500, 100, 100, 100);
  other->Show();
  Pump();
  ASSERT_FALSE(a1->Focused());
  form->Show();
  Pump();
  EXPECT_TRUE(a1->Focused());
  EXPECT_EQ(EventLog(), (Log{"A1:WM_KILLFOCUS", "A1:WM_SETFOCUS"}));
  other->Free();
}

// The control being freed hears of nothing more, not even its exit; the panel it leaves is left.
TEST_F(FocusTest, FreeingTheFocusedControlClearsEveryReference) {
  Build();
  b1->SetFocus();
  ASSERT_EQ(Screen()->ActiveControl(), b1);
  struct Exits {
    int count = 0;
    void Exit(TObject*) { ++count; }
  } exits;
  b1->OnExit = TNotifyEvent(&exits, &Exits::Exit);
  EventLog().clear();
  b1->Free();
  EXPECT_EQ(exits.count, 0);
  EXPECT_EQ(EventLog(), Log{"PanelB:CM_EXIT"});
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_EQ(Screen()->ActiveControl(), nullptr);
  backend->PressKey(VK_TAB);
  Pump();
  EXPECT_NE(form->ActiveControl(), nullptr) << "tabbing still works afterwards";
}

} // namespace

namespace {

// The desktop may minimise a window before the program first shows it; the program's own show then activates
// the window while it is minimised, when a form takes no focus. Restored, it must take the keyboard back,
// however its activation and its minimised state came about.
TEST_F(FocusTest, AFormActivatedWhileMinimisedTakesTheFocusWhenRestored) {
  struct Case {
    const char* name;
    bool deactivateFirst; // the application lost the desktop's focus before the restore
  };
  for (const Case c : {Case{"active throughout", false}, Case{"deactivated, then activated", true}}) {
    SCOPED_TRACE(c.name);
    Build();
    a2->SetFocus();
    ShowWindow(form->Handle(), SW_SHOWMINNOACTIVE);
    platform::DeactivateApp();
    form->Show(); // activates the minimised form: no focus yet
    Pump();
    EXPECT_EQ(GetActiveWindow(), form->Handle());
    EXPECT_EQ(GetFocus(), nullptr);
    if (c.deactivateFirst)
      platform::DeactivateApp();
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    if (c.deactivateFirst)
      SetActiveWindow(form->Handle());
    Pump();
    EXPECT_EQ(GetFocus(), a2->Handle());
    form->Free();
  }
}

} // namespace
