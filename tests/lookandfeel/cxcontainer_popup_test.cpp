#include <string>
#include <utility>
#include <vector>

#include "control_fixture.h"
#include "lookandfeel/cxContainer.h"
#include "platform/controls/StdCtrls.h"

namespace {

// An owner control that records the system keys and presses that reach it.
class Owner : public TcxContainer {
public:
  using TcxContainer::TcxContainer;
  std::vector<WPARAM> sysKeys;
  int presses = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_SYSKEYDOWN)
      sysKeys.push_back(Message.WParam);
    if (Message.Msg == WM_LBUTTONDOWN)
      ++presses;
    TcxContainer::WndProc(Message);
  }
};

// A form that counts the inactive caption messages its own procedure gets.
class CaptionForm : public TForm {
public:
  using TForm::TForm;
  int inactiveCaptions = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_NCACTIVATE && Message.WParam == FALSE)
      ++inactiveCaptions;
    TForm::WndProc(Message);
  }
};

class PopupTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    cxContainerInitialize();
    form = ShowForm();
    owner = new Owner(form);
    owner->SetParent(form);
    owner->SetBounds(10, 10, 120, 24);
    other = new Owner(form);
    other->SetParent(form);
    other->SetBounds(10, 100, 120, 24);
    Pump();
  }
  void TearDown() override {
    for (auto* p : popups)
      delete p;
    popups.clear();
    cxContainerFinalize();
    ControlTest::TearDown();
  }
  TcxCustomPopupWindow* MakePopup(TWinControl* AOwner, bool modal = false) {
    auto* p = new TcxCustomPopupWindow(AOwner);
    p->SetModalMode(modal);
    p->SetOwnerParent(AOwner);
    p->SetOwnerBounds(TRect{100, 0, 120, 24}); // the drop-down button of the owner
    p->SetBounds(0, 0, 80, 60);
    popups.push_back(p);
    return p;
  }
  void Forget(TcxCustomPopupWindow* p) { std::erase(popups, p); }
  // A second shown form, for tests that hide or free the owner's form.
  static TForm* MakeHostForm() {
    TForm* host = nullptr;
    Application()->CreateForm(host);
    host->SetBounds(50, 50, 300, 200);
    host->Show();
    return host;
  }

  TForm* form = nullptr;
  Owner* owner = nullptr;
  Owner* other = nullptr;
  std::vector<TcxCustomPopupWindow*> popups;
};

TEST_F(PopupTest, HooksLiveWithTheUnit) {
  EXPECT_TRUE(cxContainerHooksInstalled());
  cxContainerInitialize(); // counted: a second start-up does nothing
  cxContainerFinalize();
  EXPECT_TRUE(cxContainerHooksInstalled());
  EXPECT_NE(GetMeasureCanvas(), nullptr);
  EXPECT_EQ(GetClass("TcxStyleController"), TcxStyleController::StaticClass());
}

TEST_F(PopupTest, ShowAndCloseInOrder) {
  auto* p = MakePopup(owner);
  std::vector<std::string> log;
  struct Logger {
    std::vector<std::string>* log;
    TcxCustomPopupWindow* popup;
    void Showing(TObject*) {
      log->push_back(popup->IsShown() && PopupVisibilityChanging() ? "showing" : "bad");
    }
    void Showed(TObject*) { log->push_back(PopupVisibilityChanging() ? "bad" : "showed"); }
    void Closing(TObject*) { log->push_back(popup->IsShown() ? "bad" : "closing"); }
    void Closed(TObject*) { log->push_back(popup->Visible() ? "bad" : "closed"); }
  } logger{&log, p};
  p->OnShowing = TNotifyEvent(&logger, &Logger::Showing);
  p->OnShowed = TNotifyEvent(&logger, &Logger::Showed);
  p->OnClosing = TNotifyEvent(&logger, &Logger::Closing);
  p->OnClosed = TNotifyEvent(&logger, &Logger::Closed);
  p->ShowPopup(nullptr);
  Pump();
  EXPECT_TRUE(p->IsShown());
  EXPECT_TRUE(p->Visible());
  ASSERT_EQ(OpenPopupWindows().size(), 1u);
  EXPECT_EQ(ChangingPopupWindow(), p);
  const TPoint below = owner->ClientToScreen(TPoint{100, 24});
  EXPECT_EQ(p->Left(), below.x) << "placed under the owner rectangle";
  EXPECT_EQ(p->Top(), below.y);
  p->ShowPopup(nullptr); // already open: nothing
  p->ClosePopup();
  EXPECT_FALSE(p->IsShown());
  EXPECT_FALSE(PopupVisibilityChanging());
  EXPECT_EQ(log, (std::vector<std::string>{"showing", "showed", "closing", "closed"}));
}

TEST_F(PopupTest, HidingOrClosingThePopupFormClosesItProperly) {
  auto* p = MakePopup(owner);
  int closed = 0;
  struct Counter {
    int* n;
    void Closed(TObject*) { ++*n; }
  } counter{&closed};
  p->OnClosed = TNotifyEvent(&counter, &Counter::Closed);
  p->ShowPopup(nullptr);
  p->Hide();
  EXPECT_FALSE(p->IsShown());
  EXPECT_EQ(closed, 1);
  p->ShowPopup(nullptr);
  p->Close();
  EXPECT_FALSE(p->IsShown());
  EXPECT_EQ(closed, 2);
  EXPECT_TRUE(OpenPopupWindows().empty());
}

TEST_F(PopupTest, PrivateMessagesCloseAndShowAgain) {
  auto* p = MakePopup(owner);
  auto* edit = new TEdit(p);
  edit->SetParent(p);
  p->ShowPopup(edit);
  Pump();
  EXPECT_EQ(p->FocusedControl(), edit);
  EXPECT_EQ(GetFocus(), edit->Handle());
  p->PostClosePopup();
  Pump();
  EXPECT_FALSE(p->IsShown());
  EXPECT_FALSE(p->IsClosing());
  EXPECT_EQ(GetFocus(), owner->Handle()) << "the owner gets the focus back";
  PostMessage(p->Handle(), CM_SHOWPOPUPWINDOW, 0, 0);
  Pump();
  EXPECT_TRUE(p->IsShown());
  EXPECT_EQ(GetFocus(), edit->Handle()) << "shown again with the control focused before";
}

TEST_F(PopupTest, ClickOnTheOwnerFormClosesAndClickInsideKeepsOpen) {
  auto* p = MakePopup(owner);
  p->ShowPopup(nullptr);
  Pump();
  ASSERT_EQ(Screen()->ActiveForm(), p);
  Press(p, 10, 10);
  Release(p, 10, 10);
  EXPECT_TRUE(p->IsShown()) << "a click inside the popup";
  Press(form, 300, 250);
  Release(form, 300, 250);
  EXPECT_FALSE(p->IsShown());
  EXPECT_FALSE(p->ClosedByOwnerClick());
}

TEST_F(PopupTest, ClickOnTheOwnerRectangleClosesMarksAndPassesOn) {
  auto* p = MakePopup(owner);
  p->ShowPopup(nullptr);
  Pump();
  const int before = owner->presses;
  Press(owner, 110, 10);
  Release(owner, 110, 10);
  EXPECT_FALSE(p->IsShown());
  EXPECT_TRUE(p->ClosedByOwnerClick());
  EXPECT_EQ(owner->presses, before + 1) << "the press still reaches the visible owner";
}

TEST_F(PopupTest, HidingTheOwnerClosesItsPopupAndLaterOnes) {
  // A popup holding a control with popups of its own: the owner's two popups, then one of a control inside
  // the owner's popup and one of another control of the outer popup are opened after the outer one.
  auto* outer = MakePopup(other);
  auto* host = new Owner(outer);
  host->SetParent(outer);
  host->SetBounds(2, 2, 60, 20);
  auto* sibling = new Owner(outer);
  sibling->SetParent(outer);
  sibling->SetBounds(2, 30, 60, 20);
  auto* mine = MakePopup(host);
  auto* later = MakePopup(host);
  later->SetTopLevel(false);
  auto* inside = new Owner(mine);
  inside->SetParent(mine);
  inside->SetBounds(2, 2, 60, 20);
  auto* nested = MakePopup(inside);
  auto* unrelated = MakePopup(sibling);
  const std::vector<TcxCustomPopupWindow*> all{outer, mine, later, nested, unrelated};
  for (auto* p : all)
    p->ShowPopup(nullptr);
  Pump();
  ASSERT_EQ(OpenPopupWindows(), all);
  std::vector<TcxCustomPopupWindow*> closing;
  struct Recorder {
    std::vector<TcxCustomPopupWindow*>* order;
    void Closing(TObject* Sender) { order->push_back(static_cast<TcxCustomPopupWindow*>(Sender)); }
  } recorder{&closing};
  for (auto* p : all)
    p->OnClosing = TNotifyEvent(&recorder, &Recorder::Closing);
  host->SetVisible(false);
  Pump();
  for (auto* p : all)
    p->OnClosing = nullptr;
  EXPECT_EQ(closing, (std::vector<TcxCustomPopupWindow*>{unrelated, nested, later, mine}))
      << "the newest first";
  EXPECT_EQ(OpenPopupWindows(), std::vector<TcxCustomPopupWindow*>{outer});
  EXPECT_TRUE(outer->IsShown());
}

TEST_F(PopupTest, ApplicationDeactivationClosesAllButAnActiveTopLevelPopup) {
  auto* child = MakePopup(other);
  child->SetTopLevel(false);
  auto* top = MakePopup(owner);
  child->ShowPopup(nullptr);
  top->ShowPopup(nullptr);
  Pump();
  ASSERT_EQ(Screen()->ActiveForm(), top);
  SendMessage(form->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  Pump();
  EXPECT_FALSE(child->IsShown());
  EXPECT_TRUE(top->IsShown()) << "the active top-level popup stays";
  SendMessage(top->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_TRUE(top->Visible()) << "a popup ignores the message sent to itself";
}

TEST_F(PopupTest, SystemKeysWhileANonModalPopupIsOpen) {
  auto* p = MakePopup(owner);
  p->ShowPopup(nullptr);
  Pump();
  ASSERT_TRUE(p->IsShown());
  PostMessage(other->Handle(), WM_SYSKEYDOWN, 'A', 0);
  PostMessage(other->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0);
  Pump();
  EXPECT_EQ(other->sysKeys, std::vector<WPARAM>{VK_DOWN}) << "Alt+letter is dropped, Alt+Down passes";
  p->ClosePopup();
  PostMessage(other->Handle(), WM_SYSKEYDOWN, 'A', 0);
  Pump();
  EXPECT_EQ(other->sysKeys.size(), 2u) << "with no popup open nothing is dropped";
}

// Handlers that drive a modal popup from inside its loop.
struct ModalScript {
  TcxCustomPopupWindow* popup = nullptr;
  HWND probe = nullptr;
  bool refuse = false;
  bool freeOnClose = false;
  int queries = 0;
  void PostClose(TObject*) { popup->PostClosePopup(); }
  void SetResult(TObject*) { popup->SetModalResult(mrOk); }
  void SysKeys(TObject*) {
    PostMessage(probe, WM_SYSKEYDOWN, VK_RETURN, 0);
    PostMessage(probe, WM_SYSKEYDOWN, VK_SPACE, 0);
    PostMessage(probe, WM_SYSKEYDOWN, VK_MENU, 0);
    popup->PostClosePopup();
  }
  void Closed(TObject*) {
    PostMessage(probe, WM_USER + 5, 0, 0);
    if (freeOnClose)
      delete popup;
  }
  void Query(TObject*, bool& CanClose) {
    ++queries;
    CanClose = !refuse;
    if (refuse) {
      refuse = false;
      popup->PostClosePopup();
    }
  }
};

TEST_F(PopupTest, ModalLoopEndsRightAfterTheClose) {
  auto* p = MakePopup(owner, true);
  ModalScript script{p, other->Handle()};
  p->OnShowed = TNotifyEvent(&script, &ModalScript::PostClose);
  p->OnClosed = TNotifyEvent(&script, &ModalScript::Closed);
  p->ShowPopup(nullptr);
  EXPECT_FALSE(p->IsShown());
  MSG msg{};
  EXPECT_TRUE(PeekMessage(&msg, other->Handle(), WM_USER + 5, WM_USER + 5, PM_NOREMOVE))
      << "the message posted by the close is still queued: the loop did not wait for one more";
  EXPECT_EQ(GetFocus(), owner->Handle()) << "the close message gives the focus back to the owner";
}

TEST_F(PopupTest, ModalPopupFreedByItsOwnHandler) {
  auto* p = MakePopup(owner, true);
  Forget(p);
  ModalScript script{p, other->Handle()};
  script.freeOnClose = true;
  p->OnShowed = TNotifyEvent(&script, &ModalScript::PostClose);
  p->OnClosed = TNotifyEvent(&script, &ModalScript::Closed);
  p->ShowPopup(nullptr);
  EXPECT_TRUE(OpenPopupWindows().empty());
}

TEST_F(PopupTest, ModalResultClosesThroughCloseQuery) {
  auto* p = MakePopup(owner, true);
  ModalScript script{p, other->Handle()};
  script.refuse = true;
  p->OnShowed = TNotifyEvent(&script, &ModalScript::SetResult);
  p->OnCloseQuery = TCloseQueryEvent(&script, &ModalScript::Query);
  p->ShowPopup(nullptr);
  EXPECT_FALSE(p->IsShown());
  EXPECT_EQ(script.queries, 1) << "refused once, then closed by the posted close without a query";
  EXPECT_EQ(p->ModalResult(), mrNone);
}

TEST_F(PopupTest, ModalLoopDropsAltEnterAltAndAltSpace) {
  auto* p = MakePopup(owner, true);
  ModalScript script{p, other->Handle()};
  p->OnShowed = TNotifyEvent(&script, &ModalScript::SysKeys);
  p->ShowPopup(nullptr);
  EXPECT_FALSE(p->IsShown());
  EXPECT_TRUE(other->sysKeys.empty());
}

TEST_F(PopupTest, OwnerFormCaptionStaysActiveWhileItsPopupIsOpen) {
  CaptionForm* captioned = nullptr;
  Application()->CreateForm(captioned);
  captioned->SetBounds(50, 50, 300, 200);
  captioned->Show();
  auto* o = new Owner(captioned);
  o->SetParent(captioned);
  o->SetBounds(10, 10, 100, 24);
  Pump();
  const LONG_PTR proc = GetWindowLongPtrA(captioned->Handle(), GWLP_WNDPROC);
  auto* p = MakePopup(o);
  p->ShowPopup(nullptr);
  Pump();
  EXPECT_EQ(SendMessage(captioned->Handle(), WM_NCACTIVATE, FALSE, 0), TRUE);
  EXPECT_EQ(captioned->inactiveCaptions, 0) << "answered without reaching the form";
  EXPECT_EQ(GetWindowLongPtrA(captioned->Handle(), GWLP_WNDPROC), proc) << "the form's procedure is back";
  p->ClosePopup();
  Pump();
  const int before = captioned->inactiveCaptions;
  SendMessage(captioned->Handle(), WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(captioned->inactiveCaptions, before + 1) << "with the popup closed the form hears it again";
}

TEST_F(PopupTest, EscapeWithTheCaptureOnlyReleasesIt) {
  struct KeyPopup : TcxCustomPopupWindow {
    using TcxCustomPopupWindow::KeyDown;
    using TcxCustomPopupWindow::TcxCustomPopupWindow;
  };
  auto* p = new KeyPopup(owner);
  p->SetModalMode(false);
  popups.push_back(p);
  p->ShowPopup(nullptr);
  Pump();
  SetCapture(p->Handle());
  WORD key = VK_ESCAPE;
  p->KeyDown(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_FALSE(p->HasCapture());
  EXPECT_TRUE(p->IsShown());
}

TEST_F(PopupTest, RelatedWindowsOfAPopup) {
  auto* p = MakePopup(owner);
  auto* inner = new TEdit(p);
  inner->SetParent(p);
  auto* nestedOwner = new Owner(p);
  nestedOwner->SetParent(p);
  auto* nested = MakePopup(nestedOwner);
  nested->SetTopLevel(false);
  p->ShowPopup(nullptr);
  nested->ShowPopup(nullptr);
  Pump();
  EXPECT_TRUE(IsRelatedWindow(p, inner->Handle()));
  EXPECT_TRUE(IsRelatedWindow(p, nested->Handle())) << "a popup opened from a control on this popup";
  EXPECT_FALSE(IsRelatedWindow(p, owner->Handle()));
  EXPECT_EQ(GetPopupOwnerWindow(inner->Handle()), owner->Handle());
  EXPECT_EQ(GetPopupOwnerWindow(other->Handle()), other->Handle());
  Press(nested, 5, 5);
  Release(nested, 5, 5);
  EXPECT_TRUE(p->IsShown());
  EXPECT_TRUE(p->IsNavigationKey(VK_F4));
  EXPECT_FALSE(p->IsNavigationKey('A'));
}

// An owner hidden in any way closes its popup: the owner itself, a control it sits on, or its form. Hiding
// some other control leaves the popup open.
TEST_F(PopupTest, PopupClosesWhenItsOwnerStopsShowing) {
  struct Case {
    const char* name;
    TWinControl* (*hidden)(TForm* AForm, TWinControl* APanel, TWinControl* AOwner, TWinControl* AOther);
    bool closes;
  };
  const Case cases[] = {
      {"the owner", [](TForm*, TWinControl*, TWinControl* o, TWinControl*) { return o; }, true},
      {"its parent", [](TForm*, TWinControl* p, TWinControl*, TWinControl*) { return p; }, true},
      {"its form", [](TForm* f, TWinControl*, TWinControl*, TWinControl*) -> TWinControl* { return f; },
       true},
      {"another control", [](TForm*, TWinControl*, TWinControl*, TWinControl* x) { return x; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* host = MakeHostForm();
    auto* panel = new TCustomControl(host);
    panel->SetParent(host);
    panel->SetBounds(10, 10, 200, 60);
    auto* inner = new Owner(host);
    inner->SetParent(panel);
    inner->SetBounds(5, 5, 120, 24);
    auto* sideways = new Owner(host);
    sideways->SetParent(host);
    sideways->SetBounds(10, 100, 120, 24);
    Pump();
    auto* p = MakePopup(inner);
    p->ShowPopup(nullptr);
    Pump();
    ASSERT_TRUE(p->IsShown());
    c.hidden(host, panel, inner, sideways)->SetVisible(false);
    Pump();
    EXPECT_EQ(p->IsShown(), !c.closes);
    EXPECT_EQ(p->Visible(), !c.closes);
    Forget(p);
    delete p;
    host->Free();
    Pump();
  }
}

// An owner moved to another form while its popup is open stops showing, which closes the popup; the focus
// does not go back to an owner that no longer shows, so its old form keeps no active control it lost.
TEST_F(PopupTest, AnOwnerMovedAwayIsNotGivenTheFocusBackAsItsPopupCloses) {
  TForm* host = MakeHostForm();
  auto* o = new Owner(host);
  o->SetParent(host);
  o->SetBounds(10, 10, 120, 24);
  Pump();
  o->SetFocus();
  Pump();
  auto* p = MakePopup(o);
  p->ShowPopup(nullptr);
  Pump();
  ASSERT_TRUE(p->IsShown());
  o->SetParent(form);
  Pump();
  EXPECT_FALSE(p->IsShown());
  EXPECT_TRUE(!host->ActiveControl() || host->ContainsControl(host->ActiveControl()))
      << "the old form's active control is " << host->ActiveControl()->Name();
  Forget(p);
  delete p;
  host->Free();
  Pump();
}

// Handlers of a popup that free its owner, or the owner's form, as the popup opens or closes: the popup
// forgets the owner and touches it no more. An owner freed as the popup is about to show leaves nothing to
// show it for.
TEST_F(PopupTest, PopupHandlersThatFreeItsOwner) {
  enum class When { Showing, Showed, Closing, Closed };
  enum class How { Click, Message, Program, HideOwner };
  struct Case {
    const char* name;
    When when;
    bool freeForm;
    How how; // how a shown popup is closed
  };
  const Case cases[] = {
      {"showing frees the owner", When::Showing, false, How::Program},
      {"showing frees the form", When::Showing, true, How::Program},
      {"showed frees the owner", When::Showed, false, How::Program},
      {"showed frees the form", When::Showed, true, How::Program},
      {"closing by a click frees the owner", When::Closing, false, How::Click},
      {"closing by a click frees the form", When::Closing, true, How::Click},
      {"closing by the close message frees the owner", When::Closing, false, How::Message},
      {"closing by the program frees the owner", When::Closing, false, How::Program},
      {"closed by a click frees the owner", When::Closed, false, How::Click},
      {"closed by the close message frees the owner", When::Closed, false, How::Message},
      {"closing as the owner is hidden frees the owner", When::Closing, false, How::HideOwner},
      {"closed as the owner is hidden frees the owner", When::Closed, false, How::HideOwner},
      {"closed as the owner is hidden frees the form", When::Closed, true, How::HideOwner},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm* host = MakeHostForm();
    auto* o = new Owner(host);
    o->SetParent(host);
    o->SetBounds(10, 10, 120, 24);
    Pump();
    auto* p = MakePopup(o);
    struct Freer {
      TComponent* target;
      int calls = 0;
      void Free(TObject*) {
        if (calls++ == 0)
          target->Free();
      }
    } freer{c.freeForm ? static_cast<TComponent*>(host) : o};
    const TNotifyEvent handler(&freer, &Freer::Free);
    (c.when == When::Showing   ? p->OnShowing
     : c.when == When::Showed  ? p->OnShowed
     : c.when == When::Closing ? p->OnClosing
                               : p->OnClosed) = handler;
    auto ownerAlive = o->AliveToken();
    auto formAlive = host->AliveToken();
    const TPoint outside = host->ClientToScreen(TPoint{250, 150});
    p->ShowPopup(nullptr);
    Pump();
    if (c.when == When::Showing) {
      EXPECT_FALSE(p->IsShown()) << "the owner went before the popup could show";
      EXPECT_FALSE(p->Visible());
    }
    if (p->IsShown()) {
      switch (c.how) {
      case How::Click:
        backend->MouseDown(outside.x, outside.y);
        backend->MouseUp(outside.x, outside.y);
        break;
      case How::Message:
        p->PostClosePopup();
        break;
      case How::Program:
        p->ClosePopup();
        break;
      case How::HideOwner:
        o->Hide();
        break;
      }
      Pump();
    }
    EXPECT_EQ(freer.calls, 1);
    EXPECT_FALSE(*ownerAlive);
    EXPECT_EQ(*formAlive, !c.freeForm);
    EXPECT_EQ(p->OwnerControl(), nullptr);
    EXPECT_FALSE(p->IsShown());
    Forget(p);
    delete p;
    if (*formAlive)
      host->Free();
    Pump();
  }
}

// Frees its control the first time it is called.
struct ControlFreer {
  TControl* target;
  void Free(TObject*) {
    if (target)
      std::exchange(target, nullptr)->Free();
  }
};

template <class TControlClass> TControlClass* Place(TControlClass* AControl, TWinControl* AParent, TRect R) {
  AControl->SetParent(AParent);
  AControl->SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top);
  return AControl;
}

// An owner placed inside its own popup: as the popup shows, the owner's window is made inside the popup's,
// which does not show yet, so the owner does not show and the popup closes at once. Its close handler frees
// the owner while the owner's window is being made; the owner then makes nothing more of itself or its
// children.
TEST_F(PopupTest, AnOwnerInsideItsOwnPopupFreedAsThePopupClosesWhileItsWindowIsMade) {
  for (bool closing : {false, true}) {
    SCOPED_TRACE(closing ? "closing" : "closed");
    TForm* host = MakeHostForm();
    auto* o = Place(new Owner(host), host, Rect(10, 10, 130, 34));
    Place(new TcxContainer(host), o, Rect(2, 2, 22, 22));
    Pump();
    auto* p = MakePopup(o);
    auto* sibling = Place(new TcxContainer(host), p, Rect(5, 30, 65, 50));
    o->SetParent(p);
    // The windows of the popup and of the owner's sibling are made before the popup shows, as a control in it
    // that takes the focus makes them; the owner's is made as the popup shows, and placed over the sibling's.
    sibling->HandleNeeded();
    ASSERT_FALSE(o->HandleAllocated());
    ControlFreer freer{o};
    (closing ? p->OnClosing : p->OnClosed) = TNotifyEvent(&freer, &ControlFreer::Free);
    auto ownerAlive = o->AliveToken();
    p->ShowPopup(nullptr);
    Pump();
    EXPECT_FALSE(*ownerAlive) << "the close handler ran";
    EXPECT_FALSE(p->IsShown());
    EXPECT_EQ(p->OwnerControl(), nullptr);
    EXPECT_EQ(p->ControlCount(), 1);
    Forget(p);
    delete p;
    host->Free();
    Pump();
  }
}

// A popup's owner moved into another container: its window goes as it leaves its old parent, which closes the
// popup, and the close handler frees the container the owner was to go into, or the popup itself when that is
// where the owner goes. The owner stays without a parent, and the program may place it again.
TEST_F(PopupTest, AnOwnerMovedIntoAContainerThatItsPopupsCloseHandlerFrees) {
  for (bool intoPopup : {false, true})
    for (bool closing : {false, true}) {
      SCOPED_TRACE(std::string(intoPopup ? "into the popup" : "into a container") +
                   (closing ? ", closing" : ", closed"));
      TForm* host = MakeHostForm();
      auto* moved = Place(new Owner(host), host, Rect(10, 10, 130, 34));
      auto* container = Place(new TcxContainer(host), host, Rect(10, 60, 210, 140));
      Pump();
      auto* p = MakePopup(moved);
      TWinControl* target = intoPopup ? static_cast<TWinControl*>(p) : container;
      ControlFreer freer{target};
      (closing ? p->OnClosing : p->OnClosed) = TNotifyEvent(&freer, &ControlFreer::Free);
      p->ShowPopup(nullptr);
      Pump();
      ASSERT_TRUE(p->IsShown());
      auto targetAlive = target->AliveToken();
      if (intoPopup)
        Forget(p);
      moved->SetParent(target);
      Pump();
      EXPECT_FALSE(*targetAlive) << "the close handler ran";
      EXPECT_EQ(moved->Parent(), nullptr);
      moved->SetParent(host);
      Pump();
      EXPECT_TRUE(moved->HandleAllocated() && IsWindowVisible(moved->Handle()));
      if (!intoPopup) {
        EXPECT_FALSE(p->IsShown());
        Forget(p);
        delete p;
      }
      host->Free();
      Pump();
    }
}

// A popup freed by one of its own form handlers as it opens, loses the activation or closes: the popup's
// code stops touching it, and the popups list forgets it.
// Shows and closes the popup with AHandler held back, then moves and hides its owner and shows the popup
// again.
void ShowAgainForHiddenOwner(TcxCustomPopupWindow* APopup, TNotifyEvent& AHandler) {
  const TNotifyEvent held = std::exchange(AHandler, TNotifyEvent());
  APopup->ShowPopup(nullptr);
  Application()->ProcessMessages();
  APopup->ClosePopup();
  AHandler = held;
  TWinControl* o = APopup->OwnerControl();
  o->SetLeft(o->Left() + 10);
  o->Hide();
  APopup->ShowPopup(nullptr);
}

TEST_F(PopupTest, PopupFreedByItsFormHandlers) {
  struct Freer {
    TcxCustomPopupWindow* popup;
    int calls = 0;
    void Free() {
      if (calls++ == 0)
        popup->Free();
    }
    void Notify(TObject*) { Free(); }
    void Query(TObject*, bool&) { Free(); }
  };
  struct Case {
    const char* name;
    void (*hook)(TcxCustomPopupWindow* APopup, Freer& AFreer);
    void (*act)(TForm* AForm, TcxCustomPopupWindow* APopup);
  };
  const Case cases[] = {
      {"show", [](TcxCustomPopupWindow* p, Freer& f) { p->OnShow = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) { p->ShowPopup(nullptr); }},
      {"activate",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnActivate = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) { p->ShowPopup(nullptr); }},
      {"hide", [](TcxCustomPopupWindow* p, Freer& f) { p->OnHide = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) {
         p->ShowPopup(nullptr);
         p->ClosePopup();
       }},
      {"close query",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnCloseQuery = TCloseQueryEvent(&f, &Freer::Query); },
       [](TForm*, TcxCustomPopupWindow* p) {
         p->ShowPopup(nullptr);
         p->ClosePopup(true);
       }},
      {"deactivate",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnDeactivate = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm* f, TcxCustomPopupWindow* p) {
         p->ShowPopup(nullptr);
         Application()->ProcessMessages();
         SetActiveWindow(f->Handle());
       }},
      {"closed by a close message",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnClosed = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) {
         p->ShowPopup(nullptr);
         Application()->ProcessMessages();
         SendMessage(p->Handle(), WM_CLOSE, 0, 0);
       }},
      // Shown again once its owner moved and was hidden: placing the popup closes it at once, and its close
      // handlers run inside that move.
      {"closing as it is placed for a hidden owner",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnClosing = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) { ShowAgainForHiddenOwner(p, p->OnClosing); }},
      {"closed as it is placed for a hidden owner",
       [](TcxCustomPopupWindow* p, Freer& f) { p->OnClosed = TNotifyEvent(&f, &Freer::Notify); },
       [](TForm*, TcxCustomPopupWindow* p) { ShowAgainForHiddenOwner(p, p->OnClosed); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    owner->Show();
    auto* p = MakePopup(owner);
    Forget(p);
    Freer freer{p};
    c.hook(p, freer);
    auto alive = p->AliveToken();
    c.act(form, p);
    Pump();
    EXPECT_EQ(freer.calls, 1);
    EXPECT_FALSE(*alive);
    EXPECT_TRUE(OpenPopupWindows().empty());
    SetActiveWindow(form->Handle());
    Pump();
  }
}

} // namespace
