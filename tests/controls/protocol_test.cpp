#include "controls_fixture.h"

#include "platform/controls/ExtCtrls.h"
#include "platform/gdi/Gdi.h"

namespace {

using Log = std::vector<std::string>;

// A platform window class of its own, standing for the built-in classes a control can wrap: it wants
// arrows, notifies its parent of clicks and asks the parent for its colours when it paints.
LRESULT ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_GETDLGCODE:
    return DLGC_WANTARROWS;
  case WM_LBUTTONDOWN:
    SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetWindowLong(hwnd, GWL_ID), 7), LPARAM(hwnd));
    return 0;
  case WM_PAINT: {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    auto brush =
        reinterpret_cast<HBRUSH>(SendMessage(GetParent(hwnd), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(hwnd)));
    RECT r{};
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, brush);
    EndPaint(hwnd, &ps);
    return 0;
  }
  default:
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

class TProbe : public TWinControl {
  PELVOR_CLASS(TProbe, TWinControl)
  explicit TProbe(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }
  Log Notes;

protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, "PROBE");
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CN_COMMAND) {
      Notes.push_back("command " + std::to_string(HIWORD(Message.WParam)));
      Message.Result = 1;
      return;
    }
    TWinControl::Dispatch(Message);
  }
};

class ProtocolTest : public ControlsTest {
protected:
  void SetUp() override {
    ControlsTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = &ProbeProc;
    wc.lpszClassName = "PROBE";
    ASSERT_NE(RegisterClass(&wc), 0);
  }
};

TEST_F(ProtocolTest, WrappedPlatformClassKeepsItsBehaviourAndItsNotificationsComeBack) {
  TForm* form = ShowForm();
  auto* probe = Make<TProbe>(form, form, "Probe", Bounds(10, 10, 40, 20));
  probe->SetColor(clAqua);
  Pump();
  EXPECT_EQ(probe->Perform(WM_GETDLGCODE), DLGC_WANTARROWS)
      << "the default handler is the class's own procedure";
  backend->Click(115, 115);
  Pump();
  EXPECT_EQ(probe->Notes, (Log{"command 7"}));
  HDC dc = GetWindowDC(form->Handle());
  EXPECT_EQ(GetPixel(dc, 20, 20), RGB(0, 255, 255))
      << "the colour request is answered with the control's colour";
  ReleaseDC(form->Handle(), dc);
}

TEST_F(ProtocolTest, ArrowsStayWithAControlThatWantsThem) {
  TForm* form = ShowForm();
  auto* probe = Make<TProbe>(form, form, "Probe", Bounds(10, 10, 40, 20));
  auto* next = Make<TBox>(form, form, "Next", Bounds(60, 10, 40, 20));
  Pump();
  probe->SetFocus();
  backend->PressKey(VK_DOWN);
  Pump();
  EXPECT_EQ(form->ActiveControl(), probe);
  backend->PressKey(VK_TAB);
  Pump();
  EXPECT_EQ(form->ActiveControl(), next);
}

TEST_F(ProtocolTest, SubclassingAClassThatDoesNotExistFailsLoudly) {
  struct TBroken : TWinControl {
    using TWinControl::TWinControl;
    void CreateParams(TCreateParams& Params) override {
      TWinControl::CreateParams(Params);
      CreateSubClass(Params, "NO SUCH CLASS");
    }
  };
  TForm* form = ShowForm();
  auto* broken = new TBroken(form);
  EXPECT_THROW(broken->SetParent(form), EInvalidOperation);
  EXPECT_FALSE(broken->HandleAllocated());
}

TEST_F(ProtocolTest, ParentsHearAboutKeysOfTheirChildrenFirst) {
  TForm* form = ShowForm();
  struct TGrabber : TBox {
    using TBox::TBox;
    void Dispatch(TMessage& Message) override {
      if (Message.Msg == CM_CHILDKEY && Message.WParam == VK_F4) {
        EventLog().push_back(Name() + " took F4");
        Message.Result = 1;
        return;
      }
      TBox::Dispatch(Message);
    }
  };
  auto* panel = Make<TGrabber>(form, form, "Panel", Bounds(0, 0, 100, 100));
  auto* box = Make<TBox>(form, panel, "Box", Bounds(0, 0, 20, 20));
  box->Watched = {WM_KEYDOWN};
  Pump();
  box->SetFocus();
  backend->PressKey(VK_F4);
  backend->PressKey(VK_F1);
  Pump();
  EXPECT_EQ(EventLog(), (Log{"Panel took F4", "Box:WM_KEYDOWN"}));
}

TEST_F(ProtocolTest, AltWithALetterIsOfferedToTheControlsAsADialogChar) {
  TForm* form = ShowForm();
  struct TMnemonic : TBox {
    using TBox::TBox;
    char Key = 0;
    int Hits = 0;
    void Dispatch(TMessage& Message) override {
      if (Message.Msg == CM_DIALOGCHAR && toupper(int(Message.WParam)) == Key) {
        ++Hits;
        Message.Result = 1;
        return;
      }
      TBox::Dispatch(Message);
    }
  };
  auto* a = Make<TMnemonic>(form, form, "A", Bounds(0, 0, 20, 20));
  auto* b = Make<TMnemonic>(form, form, "B", Bounds(30, 0, 20, 20));
  a->Key = 'A';
  b->Key = 'B';
  Pump();
  a->SetFocus();
  backend->KeyDown(VK_MENU);
  backend->PressKey('B');
  backend->KeyUp(VK_MENU);
  Pump();
  EXPECT_EQ(a->Hits, 0);
  EXPECT_EQ(b->Hits, 1);
}

TEST_F(ProtocolTest, SettingAndColourChangesReachEveryControl) {
  TForm* form = ShowForm();
  auto* panel = Make<TBox>(form, form, "Panel", Bounds(0, 0, 100, 100));
  auto* spot = Make<TSpot>(form, panel, "Spot", Bounds(0, 0, 20, 20));
  spot->Watched = {CM_SYSCOLORCHANGE, CM_WININICHANGE};
  panel->Watched = {CM_SYSCOLORCHANGE, CM_WININICHANGE};
  platform::BroadcastToTopLevel(WM_SYSCOLORCHANGE, 0, 0);
  platform::BroadcastToTopLevel(WM_SETTINGCHANGE, SPI_GETWORKAREA, 0);
  EXPECT_EQ(EventLog(),
            (Log{"Panel:" + std::to_string(CM_SYSCOLORCHANGE), "Spot:" + std::to_string(CM_SYSCOLORCHANGE),
                 "Panel:" + std::to_string(CM_WININICHANGE), "Spot:" + std::to_string(CM_WININICHANGE)}));
}

TEST_F(ProtocolTest, OnMessageSeesQueuedMessagesAndCanEatThem) {
  TForm* form = ShowForm();
  auto* box = Make<TBox>(form, form, "Box", Bounds(0, 0, 20, 20));
  box->Watched = {WM_KEYDOWN};
  Pump();
  box->SetFocus();
  struct Filter {
    int seen = 0;
    void On(MSG& Msg, bool& Handled) {
      if (Msg.message == WM_KEYDOWN) {
        ++seen;
        Handled = Msg.wParam == 'X';
      }
    }
  } filter;
  Application()->OnMessage = TMessageEvent(&filter, &Filter::On);
  backend->PressKey('X');
  backend->PressKey('Y');
  Pump();
  EXPECT_EQ(filter.seen, 2);
  EXPECT_EQ(EventLog(), (Log{"Box:WM_KEYDOWN"}));
}

TEST_F(ProtocolTest, ApplicationIsActiveWhileOneOfItsFormsIs) {
  ShowForm();
  EXPECT_TRUE(Application()->Active());
  platform::DeactivateApp();
  Pump();
  EXPECT_FALSE(Application()->Active());
}

} // namespace

namespace {

// A control that answers Return and Escape offered to the whole form, as a default button does.
class TDefaultButton : public TBox {
  PELVOR_CLASS(TDefaultButton, TBox)
  using TBox::TBox;
  int Presses = 0;

protected:
  void CMDialogKey(TCMDialogKey& Message) override {
    if (Message.CharCode() == VK_RETURN) {
      ++Presses;
      Message.Result = 1;
      return;
    }
    TBox::CMDialogKey(Message);
  }
};

class TReturnTaker : public TBox {
  PELVOR_CLASS(TReturnTaker, TBox)
  using TBox::TBox;
  bool Wants = false;

protected:
  void CMWantSpecialKey(TCMWantSpecialKey& Message) override {
    Message.Result = Wants && Message.CharCode() == VK_RETURN ? 1 : 0;
  }
};

TEST_F(ProtocolTest, ReturnGoesToTheDefaultButtonUnlessTheFocusedControlAsksForIt) {
  TForm* form = ShowForm();
  auto* button = Make<TDefaultButton>(form, form, "Button", Bounds(0, 0, 40, 20));
  auto* field = Make<TReturnTaker>(form, form, "Field", Bounds(0, 30, 40, 20));
  field->Watched = {WM_KEYDOWN};
  Pump();
  field->SetFocus();
  backend->PressKey(VK_RETURN);
  Pump();
  EXPECT_EQ(button->Presses, 1);
  EXPECT_TRUE(EventLog().empty()) << "the key went to the form's dialog handling";

  field->Wants = true;
  backend->PressKey(VK_RETURN);
  Pump();
  EXPECT_EQ(button->Presses, 1);
  EXPECT_EQ(EventLog(), (Log{"Field:WM_KEYDOWN"}));

  EventLog().clear();
  backend->PressKey('Q');
  Pump();
  EXPECT_EQ(EventLog(), (Log{"Field:WM_KEYDOWN"})) << "ordinary keys are no dialog keys";
}

} // namespace

namespace {

struct Killer {
  int calls = 0;
  void Notify(TObject* Sender) {
    ++calls;
    static_cast<TControl*>(Sender)->Free();
  }
  void Key(TObject* Sender, WORD&, TShiftState) { Notify(Sender); }
  void Press(TObject* Sender, char&) { Notify(Sender); }
  void Tick(TObject* Sender) {
    ++calls;
    static_cast<TComponent*>(Sender)->Free();
  }
};

TEST_F(ProtocolTest, HandlersMayFreeTheirOwnControl) {
  TForm* form = ShowForm();
  struct Case {
    const char* what;
    std::function<TControl*(Killer&)> make;
    std::function<void()> act;
  };
  const Case cases[] = {
      {"click on a window",
       [&](Killer& k) {
         auto* b = Make<TBox>(form, form, "B", Bounds(0, 0, 40, 40));
         b->OnClick = TNotifyEvent(&k, &Killer::Notify);
         return b;
       },
       [&] { backend->Click(110, 110); }},
      {"click without a window",
       [&](Killer& k) {
         auto* s = Make<TSpot>(form, form, "S", Bounds(0, 0, 40, 40));
         s->OnClick = TNotifyEvent(&k, &Killer::Notify);
         return s;
       },
       [&] { backend->Click(110, 110); }},
      {"double click",
       [&](Killer& k) {
         auto* b = Make<TBox>(form, form, "B", Bounds(0, 0, 40, 40));
         b->OnDblClick = TNotifyEvent(&k, &Killer::Notify);
         return b;
       },
       [&] {
         backend->Click(110, 110);
         backend->Click(110, 110);
       }},
      {"key down",
       [&](Killer& k) {
         auto* b = Make<TBox>(form, form, "B", Bounds(0, 0, 40, 40));
         b->OnKeyDown = TKeyEvent(&k, &Killer::Key);
         b->SetFocus();
         return b;
       },
       [&] { backend->PressKey('K'); }},
      {"key press",
       [&](Killer& k) {
         auto* b = Make<TBox>(form, form, "B", Bounds(0, 0, 40, 40));
         b->OnKeyPress = TKeyPressEvent(&k, &Killer::Press);
         b->SetFocus();
         return b;
       },
       [&] { backend->PressKey('K'); }},
  };
  for (const Case& c : cases) {
    Killer killer;
    c.make(killer);
    Pump();
    c.act();
    Pump();
    EXPECT_EQ(killer.calls, 1) << c.what;
    EXPECT_EQ(form->ControlCount(), 0) << c.what;
    backend->AdvanceTime(1000);
  }
}

// Frees its parent when it hears the message it waits for, as a program's handler of that news may.
class TParentFreer : public TBox {
  PELVOR_CLASS(TParentFreer, TBox)
  using TBox::TBox;
  UINT FreeOn = 0;
  int Freed = 0;
  void WndProc(TMessage& Message) override {
    if (Message.Msg == FreeOn && Parent()) {
      ++Freed;
      Parent()->Free();
      return;
    }
    TBox::WndProc(Message);
  }
};

// A control that tells its children of news of its own or of the system's stops once a child's handler has
// freed it; the children, owned by the form, stay without a parent.
TEST_F(ProtocolTest, AChildMayFreeItsParentWhileTheParentTellsItsChildren) {
  TForm* form = ShowForm();
  struct Case {
    const char* what;
    UINT message;
    std::function<void(TWinControl* APanel, TWinControl* AOther)> act;
  };
  const Case cases[] = {
      {"parent colour", CM_PARENTCOLORCHANGED, [](TWinControl* p, TWinControl*) { p->SetColor(clRed); }},
      {"parent font", CM_PARENTFONTCHANGED, [](TWinControl* p, TWinControl*) { p->Font()->SetSize(20); }},
      {"system colours", CM_SYSCOLORCHANGE,
       [](TWinControl*, TWinControl*) { platform::BroadcastToTopLevel(WM_SYSCOLORCHANGE, 0, 0); }},
      {"settings", CM_WININICHANGE,
       [](TWinControl*, TWinControl*) {
         platform::BroadcastToTopLevel(WM_SETTINGCHANGE, SPI_GETWORKAREA, 0);
       }},
      {"focus", CM_FOCUSCHANGED, [](TWinControl*, TWinControl* o) { o->SetFocus(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* panel = Make<TBox>(form, form, "Panel", Bounds(0, 0, 100, 100));
    auto* freer = Make<TParentFreer>(form, panel, "Freer", Bounds(0, 0, 20, 20));
    auto* sibling = Make<TBox>(form, panel, "Sibling", Bounds(30, 0, 20, 20));
    auto* other = Make<TBox>(form, form, "Other", Bounds(150, 0, 20, 20));
    Pump();
    freer->FreeOn = c.message;
    auto panelAlive = panel->AliveToken();
    c.act(panel, other);
    Pump();
    EXPECT_EQ(freer->Freed, 1);
    EXPECT_FALSE(*panelAlive);
    EXPECT_EQ(freer->Parent(), nullptr);
    EXPECT_EQ(sibling->Parent(), nullptr);
    for (TControl* control : std::initializer_list<TControl*>{freer, sibling, other})
      control->Free();
    Pump();
  }
}

TEST_F(ProtocolTest, TimerMayFreeItselfInItsHandler) {
  Killer killer;
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(10);
  timer->SetOnTimer(TNotifyEvent(&killer, &Killer::Tick));
  backend->AdvanceTime(10);
  Pump();
  backend->AdvanceTime(10);
  Pump();
  EXPECT_EQ(killer.calls, 1);
}

} // namespace
