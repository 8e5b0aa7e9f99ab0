#include <functional>
#include <utility>

#include "controls_fixture.h"
#include "platform/controls/ListBoxes.h"
#include "platform/controls/StdCtrls.h"

namespace {

using Log = std::vector<std::string>;

TEST_F(ControlsTest, ShowingAFormCreatesParentHandlesBeforeChildren) {
  TForm* form = nullptr;
  Application()->CreateForm(form);
  form->SetBorderStyle(bsNone);
  auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 100, 100));
  auto* inner = Make<TBox>(form, outer, "Inner", Bounds(5, 5, 20, 20));
  outer->Watched = inner->Watched = {WM_CREATE};
  EXPECT_FALSE(outer->HandleAllocated());
  EXPECT_FALSE(inner->HandleAllocated());

  form->Show();
  EXPECT_EQ(EventLog(), (Log{"Outer:WM_CREATE", "Inner:WM_CREATE"}));
  ASSERT_TRUE(inner->HandleAllocated());
  EXPECT_EQ(GetParent(inner->Handle()), outer->Handle());
  EXPECT_EQ(GetParent(outer->Handle()), form->Handle());
  EXPECT_TRUE(IsWindowVisible(inner->Handle()));
  EXPECT_EQ(FindControl(inner->Handle()), inner);
}

// A control that, as its window is made, puts a visible companion beside itself in its own parent.
class TBoxWithCompanion : public TBox {
  PELVOR_CLASS(TBoxWithCompanion, TBox)
  using TBox::TBox;
  TBox* Companion = nullptr;

protected:
  void CreateWnd() override {
    TBox::CreateWnd();
    Companion->SetParent(Parent());
  }
};

TEST_F(ControlsTest, AChildThatJoinsWhileItsSiblingsWindowIsMadeIsShownToo) {
  for (bool shownAlready : {false, true}) {
    SCOPED_TRACE(shownAlready ? "into a shown form" : "before the form shows");
    TForm* form = nullptr;
    Application()->CreateForm(form);
    auto* outer = Make<TBox>(form, shownAlready ? nullptr : form, "Outer", Bounds(0, 0, 100, 100));
    auto* maker = Make<TBoxWithCompanion>(form, outer, "Maker", Bounds(5, 5, 20, 20));
    maker->Companion = new TBox(form);
    maker->Companion->SetBounds(30, 5, 20, 20);
    if (shownAlready) {
      form->Show();
      outer->SetParent(form);
    } else {
      form->Show();
    }
    ASSERT_TRUE(maker->HandleAllocated());
    ASSERT_EQ(maker->Companion->Parent(), outer);
    ASSERT_TRUE(maker->Companion->HandleAllocated()) << "a visible child of a shown control has a window";
    EXPECT_EQ(GetParent(maker->Companion->Handle()), outer->Handle());
    EXPECT_TRUE(IsWindowVisible(maker->Companion->Handle()));
    form->Free();
  }
}

TEST_F(ControlsTest, AskingForAChildHandleCreatesItsParentsFirst) {
  TForm* form = nullptr;
  Application()->CreateForm(form);
  auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 100, 100));
  auto* inner = Make<TBox>(form, outer, "Inner", Bounds(5, 5, 20, 20));
  outer->Watched = inner->Watched = {WM_CREATE};
  HWND h = inner->Handle();
  EXPECT_EQ(EventLog(), (Log{"Outer:WM_CREATE", "Inner:WM_CREATE"}));
  EXPECT_TRUE(form->HandleAllocated());
  EXPECT_FALSE(IsWindowVisible(h)) << "a hidden form shows nothing";
  RECT r{};
  GetWindowRect(h, &r);
  POINT origin{0, 0};
  ClientToScreen(outer->Handle(), &origin);
  EXPECT_EQ(r.left - origin.x, 5);
  EXPECT_EQ(r.right - r.left, 20);
}

TEST_F(ControlsTest, ControlWithoutParentWindowCannotMakeAHandle) {
  TBox box(nullptr);
  EXPECT_THROW(box.Handle(), EInvalidOperation);
  EXPECT_FALSE(box.HandleAllocated());
}

TEST_F(ControlsTest, WindowClassComesFromCreateParams) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 50, 50));
  char name[64] = {};
  GetClassName(box->Handle(), name, sizeof name);
  EXPECT_STREQ(name, "TBox");
  WNDCLASSA wc{};
  ASSERT_TRUE(GetClassInfo(nullptr, "TBox", &wc));
  EXPECT_TRUE(wc.style & CS_DBLCLKS) << "csDoubleClicks asks the class for double clicks";
  EXPECT_TRUE(GetWindowLong(box->Handle(), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(ControlsTest, TextSurvivesRecreatingTheWindow) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 50, 50));
  box->SetText("before");
  HWND first = box->Handle();
  SetWindowText(first, "typed");
  box->RecreateWnd();
  EXPECT_FALSE(IsWindow(first));
  ASSERT_TRUE(box->HandleAllocated());
  EXPECT_NE(box->Handle(), first);
  EXPECT_EQ(box->Text(), "typed");
  char buffer[32] = {};
  GetWindowText(box->Handle(), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "typed");
}

// A window the window manager takes along with its parent's, never given up through DestroyWnd, still leaves
// its text to the control, whose next window shows it.
TEST_F(ControlsTest, TextSurvivesAWindowTakenAlongWithItsParents) {
  TForm* form = ShowForm();
  auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 100, 100));
  auto* inner = Make<TBox>(form, outer, "Inner", Bounds(5, 5, 20, 20));
  inner->SetText("before");
  HWND first = inner->Handle();
  SetWindowText(first, "typed");
  DestroyWindow(outer->Handle());
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(inner->HandleAllocated());
  EXPECT_EQ(inner->Text(), "typed");
  char buffer[32] = {};
  GetWindowText(inner->Handle(), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "typed");
}

TEST_F(ControlsTest, DestroyingAParentWindowForgetsTheChildren) {
  TForm* form = ShowForm();
  auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 100, 100));
  auto* inner = Make<TBox>(form, outer, "Inner", Bounds(5, 5, 20, 20));
  HWND innerHandle = inner->Handle();
  outer->DestroyHandle();
  EXPECT_FALSE(outer->HandleAllocated());
  EXPECT_FALSE(inner->HandleAllocated());
  EXPECT_FALSE(IsWindow(innerHandle));
  EXPECT_EQ(FindControl(innerHandle), nullptr);
  // The windows come back on demand.
  EXPECT_TRUE(IsWindow(inner->Handle()));
}

// A program watching a panel's messages frees a control inside it as the panel's window is made, which
// happens when the control first needs a window of its own: the control then has no window to give, and the
// calls that asked for one stop there.
TEST_F(ControlsTest, AControlFreedAsItsParentsWindowIsMadeGivesNoWindow) {
  struct Watcher {
    TControl* victim;
    TWndMethod inherited;
    void WndProc(TMessage& Message) {
      if (Message.Msg == WM_CREATE && victim)
        std::exchange(victim, nullptr)->Free();
      inherited(Message);
    }
  };
  const std::pair<const char*, std::function<void(TWinControl*)>> calls[] = {
      {"Handle", [](TWinControl* c) { EXPECT_EQ(c->Handle(), nullptr); }},
      {"memo CaretPos", [](TWinControl* c) { static_cast<TMemo*>(c)->CaretPos(); }},
      {"memo SetCaretPos",
       [](TWinControl* c) {
         static_cast<TMemo*>(c)->SetCaretPos(TPoint{1, 0});
       }},
      {"list box SetSelected", [](TWinControl* c) { static_cast<TListBox*>(c)->SetSelected(0, true); }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    TForm* form = nullptr;
    Application()->CreateForm(form);
    auto* panel = Make<TBox>(form, form, "Panel", Bounds(0, 0, 200, 100));
    TWinControl* control = std::string(name).rfind("list", 0) == 0
                               ? static_cast<TWinControl*>(new TListBox(form))
                               : new TMemo(form);
    control->SetParent(panel);
    ASSERT_FALSE(panel->HandleAllocated());
    Watcher watcher{control, panel->WindowProc()};
    panel->SetWindowProc(TWndMethod(&watcher, &Watcher::WndProc));
    const auto alive = control->AliveToken();
    call(control);
    EXPECT_FALSE(*alive) << "the watcher ran";
    EXPECT_TRUE(panel->HandleAllocated());
    form->Free();
  }
}

// A control that frees another control as its window goes, as a handler may: a popup that closes when its
// owner is no longer shown and whose close handler frees a control.
class TBoxFreeingAsItsWindowGoes : public TBox {
  PELVOR_CLASS(TBoxFreeingAsItsWindowGoes, TBox)
  using TBox::TBox;
  TControl* Victim = nullptr;

protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_DESTROY && Victim) {
      const auto alive = AliveToken();
      std::exchange(Victim, nullptr)->Free();
      if (!*alive)
        return;
    }
    TBox::WndProc(Message);
  }
};

TEST_F(ControlsTest, AControlFreedWhileItsParentsWindowGoesIsNotTouchedAndTheOthersLoseTheirs) {
  for (bool freeingTheForm : {false, true}) {
    SCOPED_TRACE(freeingTheForm ? "the form is freed" : "the parent's window is destroyed");
    TForm* form = ShowForm();
    auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 200, 100));
    auto* first = Make<TBoxFreeingAsItsWindowGoes>(form, outer, "First", Bounds(0, 0, 20, 20));
    auto* middle = Make<TBox>(form, outer, "Middle", Bounds(30, 0, 20, 20));
    auto* last = Make<TBox>(form, outer, "Last", Bounds(60, 0, 20, 20));
    first->Victim = last;
    const HWND middleWindow = middle->Handle();
    const auto lastAlive = last->AliveToken();
    if (freeingTheForm) {
      form->Free();
    } else {
      outer->DestroyHandle();
      EXPECT_EQ(outer->ControlCount(), 2);
      EXPECT_FALSE(middle->HandleAllocated());
      EXPECT_TRUE(IsWindow(middle->Handle())) << "the windows come back on demand";
      form->Free();
    }
    EXPECT_FALSE(*lastAlive);
    EXPECT_FALSE(IsWindow(middleWindow));
  }
}

// The handler may also free the control whose window is going, through the control that owns it.
TEST_F(ControlsTest, AControlFreedAsItsOwnWindowGoesIsNotTouched) {
  for (bool freeingTheForm : {false, true}) {
    SCOPED_TRACE(freeingTheForm ? "the form is freed" : "the owner's window is destroyed");
    TForm* form = ShowForm();
    auto* owner = Make<TBox>(form, form, "Owner", Bounds(0, 0, 200, 100));
    auto* inner = Make<TBoxFreeingAsItsWindowGoes>(owner, owner, "Inner", Bounds(5, 5, 20, 20));
    inner->Victim = owner;
    const HWND innerWindow = inner->Handle();
    const auto innerAlive = inner->AliveToken();
    const auto ownerAlive = owner->AliveToken();
    if (freeingTheForm)
      form->Free();
    else
      owner->DestroyHandle();
    EXPECT_FALSE(*ownerAlive);
    EXPECT_FALSE(*innerAlive);
    EXPECT_FALSE(IsWindow(innerWindow));
    if (!freeingTheForm)
      form->Free();
  }
}

// A control over a window class of its own whose procedure counts the windows that end, and frees another
// control as its window goes.
int gEndedWindows = 0;
LRESULT CountingProc(HWND AWnd, UINT AMsg, WPARAM AWParam, LPARAM ALParam) {
  if (AMsg == WM_NCDESTROY)
    ++gEndedWindows;
  return DefWindowProc(AWnd, AMsg, AWParam, ALParam);
}

class TCountedFreeingAsItsWindowGoes : public TBoxFreeingAsItsWindowGoes {
  PELVOR_CLASS(TCountedFreeingAsItsWindowGoes, TBoxFreeingAsItsWindowGoes)
  using TBoxFreeingAsItsWindowGoes::TBoxFreeingAsItsWindowGoes;

protected:
  void CreateParams(TCreateParams& Params) override {
    TBoxFreeingAsItsWindowGoes::CreateParams(Params);
    CreateSubClass(Params, "Counting");
  }
};

// A window whose control was freed before the window finished going still ends through its class's own
// procedure, which frees what the class keeps for the window.
TEST_F(ControlsTest, AWindowThatOutlivesItsControlEndsThroughItsClass) {
  WNDCLASSA counting{};
  counting.lpfnWndProc = &CountingProc;
  counting.lpszClassName = "Counting";
  ASSERT_TRUE(RegisterClass(&counting));
  gEndedWindows = 0;
  TForm* form = ShowForm();
  auto* owner = Make<TBox>(form, form, "Owner", Bounds(0, 0, 200, 100));
  auto* inner = Make<TCountedFreeingAsItsWindowGoes>(owner, owner, "Inner", Bounds(5, 5, 20, 20));
  inner->Victim = owner;
  inner->HandleNeeded();
  const auto innerAlive = inner->AliveToken();
  owner->DestroyHandle();
  EXPECT_FALSE(*innerAlive);
  EXPECT_EQ(gEndedWindows, 1);
  form->Free();
}

// A control that, as its window is made, shown or goes, runs a handler of the program's: the handler frees
// another control, or moves the control itself elsewhere.
class TBoxWithWindowHandler : public TBox {
  PELVOR_CLASS(TBoxWithWindowHandler, TBox)
  using TBox::TBox;
  std::function<void()> OnCreated, OnShown, OnDestroying;

protected:
  // A control sets its window up once it is made, which may run handlers too.
  void CreateHandle() override {
    TBox::CreateHandle();
    if (auto handler = std::exchange(OnCreated, nullptr))
      handler();
  }
  void WndProc(TMessage& Message) override {
    std::function<void()> handler;
    if (Message.Msg == WM_WINDOWPOSCHANGED &&
        (reinterpret_cast<const WINDOWPOS*>(Message.LParam)->flags & SWP_SHOWWINDOW))
      handler = std::exchange(OnShown, nullptr);
    if (Message.Msg == WM_DESTROY)
      handler = std::exchange(OnDestroying, nullptr);
    const auto alive = AliveToken();
    if (handler)
      handler();
    if (*alive)
      TBox::WndProc(Message);
  }
};

// Showing a control makes and shows its children's windows; a handler that runs as one is made or shows may
// free the control being shown, or take the child out of it, whose own children are then not shown with it.
// Taking a control from its parent destroys its window; a handler that runs then may put the control in
// another parent already, or free it. Either way the control is left where the handler put it.
TEST_F(ControlsTest, HandlersRunAsWindowsAreMadeOrGoMayFreeOrMoveTheControlsOnTheWay) {
  enum What { FreeParentAsChildShows, TakeOutAsItsWindowIsMade, MoveAsItsWindowGoes, FreeAsItsWindowGoes };
  for (What what :
       {FreeParentAsChildShows, TakeOutAsItsWindowIsMade, MoveAsItsWindowGoes, FreeAsItsWindowGoes}) {
    SCOPED_TRACE(int(what));
    TForm* form = ShowForm();
    auto* outer = Make<TBox>(form, nullptr, "Outer", Bounds(0, 0, 200, 100));
    auto* box = Make<TBoxWithWindowHandler>(form, outer, "Box", Bounds(5, 5, 20, 20));
    auto* elsewhere = Make<TBox>(form, form, "Elsewhere", Bounds(0, 120, 200, 60));
    const auto outerAlive = outer->AliveToken();
    const auto boxAlive = box->AliveToken();
    if (what == FreeParentAsChildShows) {
      box->OnShown = [outer] { outer->Free(); };
      outer->SetParent(form);
      EXPECT_FALSE(*outerAlive);
    } else if (what == TakeOutAsItsWindowIsMade) {
      auto* inner = Make<TBox>(form, box, "Inner", Bounds(2, 2, 10, 10));
      box->OnCreated = [box] { box->SetParent(nullptr); };
      outer->SetParent(form);
      EXPECT_EQ(box->Parent(), nullptr);
      EXPECT_FALSE(box->HandleAllocated());
      EXPECT_FALSE(inner->HandleAllocated());
      EXPECT_TRUE(outer->Showing());
      EXPECT_EQ(outer->ControlCount(), 0);
    } else {
      outer->SetParent(form);
      box->HandleNeeded();
      if (what == MoveAsItsWindowGoes)
        box->OnDestroying = [box, elsewhere] { box->SetParent(elsewhere); };
      else
        box->OnDestroying = [box] { box->Free(); };
      box->SetParent(form);
      if (what == MoveAsItsWindowGoes) {
        EXPECT_EQ(box->Parent(), elsewhere);
        EXPECT_EQ(outer->ControlCount(), 0);
        EXPECT_EQ(elsewhere->ControlCount(), 1);
        EXPECT_EQ(form->ControlCount(), 2) << "the box is not also put on the form";
      } else {
        EXPECT_FALSE(*boxAlive);
        EXPECT_EQ(outer->ControlCount(), 0);
        EXPECT_EQ(form->ControlCount(), 2);
      }
    }
    form->Free();
  }
}

TEST_F(ControlsTest, FreeingAControlTakesItOutOfItsParent) {
  TForm* form = ShowForm();
  auto* a = Make<TBox>(form, form, "A", Bounds(0, 0, 10, 10));
  auto* b = Make<TSpot>(form, form, "B", Bounds(20, 0, 10, 10));
  HWND h = a->Handle();
  ASSERT_EQ(form->ControlCount(), 2);
  a->Free();
  b->Free();
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(ControlsTest, ReparentingIntoOwnChildIsRefused) {
  TForm* form = ShowForm();
  auto* outer = Make<TBox>(form, form, "Outer", Bounds(0, 0, 100, 100));
  auto* inner = Make<TBox>(form, outer, "Inner", Bounds(5, 5, 20, 20));
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_EQ(outer->Parent(), form);
}

} // namespace
