#include <string>
#include <vector>

#include "control_fixture.h"
#include "lookandfeel/cxControls.h"
#include "platform/controls/Menus.h"

namespace {

using Log = std::vector<std::string>;

const char* CodeName(TScrollCode c) {
  static const char* names[] = {"LineUp", "LineDown", "PageUp", "PageDown", "Position",
                                "Track",  "Top",      "Bottom", "EndScroll"};
  return names[c];
}

// A control over content of a given size that scrolls by pixels.
class TContentControl : public TcxControl {
  PELVOR_CLASS(TContentControl, TcxControl)
  explicit TContentControl(TComponent* AOwner) : TcxControl(AOwner) {}

  int ContentWidth = 0, ContentHeight = 0;
  int LeftPos = 0, TopPos = 0;
  int Rounds = 0;
  bool WithScrollBars = true;
  bool Flipping = false; // the content wants the bar exactly when it is not shown
  bool AcceptDragAndDrop = false;
  bool PixelBars = false;
  bool WithDragImages = false;
  int Invalidations = 0;
  Log log;

  void WndProc(TMessage& Message) override {
    if (Message.Msg == CM_INVALIDATE)
      ++Invalidations;
    TcxControl::WndProc(Message);
  }

  using TcxControl::Keys;

protected:
  bool HasScrollBars() override { return WithScrollBars; }
  bool IsPixelScrollBar(TScrollBarKind) override { return PixelBars; }
  bool HasDragImages() override { return WithDragImages; }
  TPoint GetDragImagesSize() override { return TPoint{20, 10}; }
  void DrawDragImage(TcxCanvas* ACanvas, const TRect& R) override { ACanvas->FillRect(R, clRed); }
  void InitScrollBarsParameters() override {
    ++Rounds;
    const TRect r = GetClientBounds();
    if (Flipping) {
      const bool show = !IsHScrollBarVisible();
      SetScrollBarInfo(sbHorizontal, 0, 100, 1, show ? 10 : 200, 0, true, true);
      return;
    }
    SetScrollBarInfo(sbHorizontal, 0, ContentWidth - 1, 1, RectWidth(r), LeftPos, true, true);
    SetScrollBarInfo(sbVertical, 0, ContentHeight - 1, 1, RectHeight(r), TopPos, true, true);
  }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) override {
    log.push_back(std::string(AKind == sbHorizontal ? "H " : "V ") + CodeName(ACode) + " " +
                  std::to_string(APos));
  }
  bool StartDragAndDrop(const TPoint&) override { return AcceptDragAndDrop; }
  void BeginDragAndDrop() override {
    log.push_back("begin");
    TcxControl::BeginDragAndDrop();
  }
  void DragAndDrop(const TPoint& P, bool& Accepted) override {
    log.push_back("drag " + std::to_string(P.x) + "," + std::to_string(P.y));
    TcxControl::DragAndDrop(P, Accepted);
  }
  void EndDragAndDrop(bool Accepted) override {
    log.push_back(Accepted ? "end accepted" : "end cancelled");
    TcxControl::EndDragAndDrop(Accepted);
  }
};

class ControlBaseTest : public ControlTest {
protected:
  TContentControl* Make(int contentWidth, int contentHeight, bool withBars = true) {
    form = ShowForm();
    control = new TContentControl(form);
    control->WithScrollBars = withBars;
    control->ContentWidth = contentWidth;
    control->ContentHeight = contentHeight;
    control->SetBounds(20, 20, 200, 100);
    control->SetParent(form);
    Pump();
    return control;
  }
  TForm* form = nullptr;
  TContentControl* control = nullptr;
};

TEST_F(ControlBaseTest, WithoutScrollBarsNoneAreMade) {
  Make(1000, 1000, false);
  control->UpdateScrollBars();
  EXPECT_EQ(control->HScrollBar(), nullptr);
  EXPECT_EQ(control->VScrollBar(), nullptr);
  EXPECT_EQ(control->Rounds, 0);
  EXPECT_EQ(control->ClientBounds(), (TRect{0, 0, 200, 100}));
}

// A base that sizes itself in its constructor, as containers do, and a descendant without bars.
class TSizedInConstructor : public TcxControl {
  PELVOR_CLASS(TSizedInConstructor, TcxControl)
  explicit TSizedInConstructor(TComponent* AOwner) : TcxControl(AOwner) { SetBounds(0, 0, 120, 80); }
};

class TWithoutBars : public TSizedInConstructor {
  PELVOR_CLASS(TWithoutBars, TSizedInConstructor)
  using TSizedInConstructor::TSizedInConstructor;

protected:
  bool HasScrollBars() override { return false; }
  bool NeedsFocus() override { return false; }
};

TEST_F(ControlBaseTest, TheMostDerivedClassDecidesOnBarsWhenTheWindowIsMade) {
  form = ShowForm();
  auto* with = new TSizedInConstructor(form);
  auto* without = new TWithoutBars(form);
  EXPECT_EQ(with->HScrollBar(), nullptr) << "no window yet";
  with->SetParent(form);
  without->SetParent(form);
  Pump();
  EXPECT_NE(with->HScrollBar(), nullptr);
  EXPECT_TRUE(with->TabStop());
  EXPECT_EQ(without->HScrollBar(), nullptr);
  EXPECT_FALSE(without->TabStop());
}

struct VisibilityCase {
  const char* name;
  int width, height;
  TScrollStyle style;
  bool h, v;
  TRect client;
};

TEST_F(ControlBaseTest, ScrollBarsSettleOnEachOthersPage) {
  const VisibilityCase cases[] = {
      {"fits", 150, 80, ssBoth, false, false, {0, 0, 200, 100}},
      {"wide", 300, 80, ssBoth, true, false, {0, 0, 200, 84}},
      {"tall", 150, 300, ssBoth, false, true, {0, 0, 184, 100}},
      // Only just fits until the other bar takes its strip.
      {"tall, then wide", 190, 120, ssBoth, true, true, {0, 0, 184, 84}},
      {"wide, then tall", 210, 90, ssBoth, true, true, {0, 0, 184, 84}},
      {"both", 300, 300, ssBoth, true, true, {0, 0, 184, 84}},
      {"vertical only", 300, 300, ssVertical, false, true, {0, 0, 184, 100}},
      {"none", 300, 300, ssNone, false, false, {0, 0, 200, 100}},
  };
  for (const VisibilityCase& c : cases) {
    Make(c.width, c.height);
    control->SetScrollBars(c.style);
    control->UpdateScrollBars();
    EXPECT_EQ(control->IsHScrollBarVisible(), c.h) << c.name;
    EXPECT_EQ(control->IsVScrollBarVisible(), c.v) << c.name;
    EXPECT_EQ(control->SizeGrip()->Visible(), c.h && c.v) << c.name;
    EXPECT_EQ(control->ClientBounds(), c.client) << c.name;
    if (c.h) {
      EXPECT_EQ(control->HScrollBar()->BoundsRect(),
                (TRect{0, c.client.bottom, c.client.right, c.client.bottom + 16}))
          << c.name;
      EXPECT_EQ(control->HScrollBar()->PageSize(), RectWidth(c.client)) << c.name;
    }
    if (c.v) {
      EXPECT_EQ(control->VScrollBar()->BoundsRect(), (TRect{184, 0, 200, c.client.bottom})) << c.name;
    }
    if (c.h && c.v) {
      EXPECT_EQ(control->SizeGrip()->BoundsRect(), (TRect{184, 84, 200, 100})) << c.name;
    }
    form->Free();
  }
}

TEST_F(ControlBaseTest, APixelBarThatTheOtherBarAloneNeedsGoesAgain) {
  for (bool pixels : {false, true}) {
    Make(190, 110); // taller than the control, and wider than it once the vertical bar shows
    control->PixelBars = pixels;
    control->UpdateScrollBars();
    EXPECT_TRUE(control->IsVScrollBarVisible()) << pixels;
    EXPECT_EQ(control->IsHScrollBarVisible(), !pixels) << pixels;
    form->Free();
  }
}

TEST_F(ControlBaseTest, ABorderIsDrawnByThePainterAndShrinksTheClient) {
  Make(300, 80);
  control->LookAndFeel()->SetKind(lfStandard); // a border of 2
  control->SetBorderStyle(1);
  EXPECT_EQ(control->ClientBounds(), (TRect{2, 2, 198, 82}));
  EXPECT_EQ(control->HScrollBar()->BoundsRect(), (TRect{2, 82, 198, 98}));
  control->LookAndFeel()->SetKind(lfUltraFlat); // a border of 1
  EXPECT_EQ(control->HScrollBar()->BoundsRect(), (TRect{1, 83, 199, 99}));
}

TEST_F(ControlBaseTest, FlippingContentDoesNotLoop) {
  Make(0, 0);
  control->Flipping = true;
  control->Rounds = 0;
  control->UpdateScrollBars();
  EXPECT_LE(control->Rounds, 40);
  // Whatever it settled on, the bar is placed and the control still answers.
  control->Flipping = false;
  control->ContentWidth = 300;
  control->ContentHeight = 10;
  control->UpdateScrollBars();
  EXPECT_TRUE(control->IsHScrollBarVisible());
  EXPECT_TRUE(control->HScrollBar()->Enabled());
}

TEST_F(ControlBaseTest, DialogCodeFollowsTheWantedKeys) {
  Make(0, 0);
  const struct {
    TcxWantedKeys keys;
    bool ctrl;
    LRESULT code;
  } cases[] = {
      {{}, false, 0},
      {{kArrows}, false, DLGC_WANTARROWS},
      {{kChars}, false, DLGC_WANTCHARS},
      {{kAll, kTab}, false, 6},
      {{kAll, kTab}, true, 4},
      {{kAll, kArrows, kChars, kTab}, false, 4 + 1 + 0x80 + 2},
  };
  for (const auto& c : cases) {
    control->SetKeys(c.keys);
    if (c.ctrl)
      backend->KeyDown(VK_CONTROL);
    Pump();
    EXPECT_EQ(SendMessage(control->Handle(), WM_GETDLGCODE, 0, 0), c.code);
    if (c.ctrl)
      backend->KeyUp(VK_CONTROL);
    Pump();
  }
}

TEST_F(ControlBaseTest, WheelScrollsTheContentOnlyWithAVerticalBar) {
  Make(150, 300);
  ASSERT_TRUE(control->IsVScrollBarVisible());
  control->SetFocus();
  TPoint p = At(control, 50, 50);
  backend->Wheel(-120, p.x, p.y);
  Pump();
  EXPECT_EQ(control->log, (Log{"V LineDown 0", "V LineDown 0", "V LineDown 0"}));
  control->log.clear();
  backend->Wheel(120, p.x, p.y);
  Pump();
  EXPECT_EQ(control->log, (Log{"V LineUp 0", "V LineUp 0", "V LineUp 0"}));

  form->Free();
  Make(300, 50);
  ASSERT_FALSE(control->IsVScrollBarVisible());
  control->SetFocus();
  p = At(control, 50, 50);
  backend->Wheel(-120, p.x, p.y);
  Pump();
  EXPECT_TRUE(control->log.empty());
}

TEST_F(ControlBaseTest, ScrollBarEventsReachTheControl) {
  Make(300, 50);
  Press(control->HScrollBar(), 190, 8);
  Release(control->HScrollBar(), 190, 8);
  EXPECT_EQ(control->log, (Log{"H LineDown 1", "H EndScroll 1"}));
  EXPECT_TRUE(control->Focused()) << "a click on the bar focuses the control";
}

TEST_F(ControlBaseTest, AClickFocusesUnlessFocusOnClickIsOff) {
  Make(0, 0);
  auto* other = new TContentControl(form);
  other->SetBounds(250, 20, 50, 50);
  other->SetParent(form);
  other->SetFocusOnClick(false);
  Pump();
  backend->Click(At(control, 5, 5).x, At(control, 5, 5).y);
  Pump();
  EXPECT_TRUE(control->Focused());
  backend->Click(At(other, 5, 5).x, At(other, 5, 5).y);
  Pump();
  EXPECT_TRUE(control->Focused());
  EXPECT_FALSE(other->Focused());
}

TEST_F(ControlBaseTest, DragAndDropStartsPastTheThresholdAndEndsOnRelease) {
  Make(0, 0);
  control->AcceptDragAndDrop = true;
  Press(control, 50, 50);
  EXPECT_EQ(control->DragAndDropState(), ddsStarting);
  MoveTo(control, 53, 52); // the threshold is 5
  EXPECT_EQ(control->DragAndDropState(), ddsStarting);
  MoveTo(control, 56, 50);
  EXPECT_EQ(control->DragAndDropState(), ddsInProcess);
  EXPECT_EQ(control->DragAndDropObject()->PrevMousePos(), (TPoint{56, 50}));
  MoveTo(control, 60, 51);
  EXPECT_EQ(control->DragAndDropObject()->PrevMousePos(), (TPoint{56, 50}));
  EXPECT_EQ(control->DragAndDropObject()->CurMousePos(), (TPoint{60, 51}));
  EXPECT_EQ(Screen()->Cursor(), crNoDrop);
  Release(control, 60, 51);
  EXPECT_EQ(control->DragAndDropState(), ddsNone);
  EXPECT_EQ(control->log, (Log{"begin", "drag 56,50", "drag 60,51", "end accepted"}));
  EXPECT_EQ(Screen()->Cursor(), crDefault);
  EXPECT_FALSE(control->MouseCapture());
}

TEST_F(ControlBaseTest, EscapeAndCancelModeEndDragAndDropCancelled) {
  for (bool escape : {true, false}) {
    Make(0, 0);
    control->AcceptDragAndDrop = true;
    control->SetFocus();
    Press(control, 50, 50);
    MoveTo(control, 70, 50);
    ASSERT_EQ(control->DragAndDropState(), ddsInProcess);
    if (escape) {
      backend->PressKey(VK_ESCAPE);
      Pump();
    } else {
      control->Perform(WM_CANCELMODE);
    }
    EXPECT_EQ(control->DragAndDropState(), ddsNone);
    EXPECT_EQ(control->log.back(), "end cancelled");
    Release(control, 70, 50);
    EXPECT_EQ(control->log.back(), "end cancelled") << "the release after the cancel ends nothing";
    form->Free();
  }
}

TEST_F(ControlBaseTest, AMoveInsideTheThresholdLeavesTheClickAllowed) {
  Make(0, 0);
  control->SetDragMode(dmAutomatic);
  Press(control, 10, 10);
  EXPECT_TRUE(control->IsMouseInPressedArea(14, 6));
  EXPECT_FALSE(control->IsMouseInPressedArea(15, 10));
}

struct DragWatcher {
  Log log;
  void Start(TObject*, TDragObject*& obj) { log.push_back(obj ? "start with object" : "start"); }
  void End(TObject*, TObject* target, int, int) { log.push_back(target ? "end on target" : "end"); }
};

TEST_F(ControlBaseTest, AutomaticDragStartsOnlyAfterTheMouseLeavesTheBox) {
  Make(0, 0);
  DragWatcher watcher;
  control->SetDragMode(dmAutomatic);
  control->OnStartDrag = TStartDragEvent(&watcher, &DragWatcher::Start);
  control->OnEndDrag = TEndDragEvent(&watcher, &DragWatcher::End);

  // Released inside the box: a click, no drag.
  const TPoint p = At(control, 50, 50);
  backend->WhenIdle([&] { backend->MouseUp(p.x + 1, p.y); });
  backend->MouseDown(p.x, p.y);
  Pump();
  EXPECT_TRUE(watcher.log.empty());
  EXPECT_FALSE(control->Dragging());

  // A move of exactly the threshold to the right leaves the box (its right edge is exclusive).
  backend->WhenIdle([&] { backend->MouseMove(p.x + 5, p.y); });
  backend->MouseDown(p.x, p.y);
  Pump();
  EXPECT_EQ(watcher.log, (Log{"start"}));
  EXPECT_TRUE(control->Dragging());
  backend->MouseUp(p.x + 5, p.y);
  Pump();
  EXPECT_FALSE(control->Dragging());
  EXPECT_EQ(watcher.log.size(), 2u);
}

TEST_F(ControlBaseTest, DragImagesAreBuiltForADragAndFreedAfterIt) {
  Make(0, 0);
  auto* target = new TContentControl(form);
  target->SetBounds(250, 20, 100, 100);
  target->SetParent(form);
  struct Accept {
    void Over(TObject*, TObject*, int, int, TDragState, bool& A) { A = true; }
  } accept;
  target->OnDragOver = TDragOverEvent(&accept, &Accept::Over);
  control->WithDragImages = true;
  control->SetDragMode(dmAutomatic);
  Pump();
  const TPoint p = At(control, 50, 50);
  backend->WhenIdle([&] { backend->MouseMove(p.x + 10, p.y); });
  backend->MouseDown(p.x, p.y);
  Pump();
  ASSERT_TRUE(control->Dragging());
  TDragImageList* images = CurrentDragImages();
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(images->Count(), 1);
  EXPECT_EQ(images->Width(), 20);
  EXPECT_TRUE(images->DragImageVisible());
  // Over a library control that accepts, Ctrl makes it a copy.
  const TPoint over = At(target, 30, 30);
  backend->MouseMove(over.x, over.y);
  Pump();
  EXPECT_EQ(::GetCursor(), Screen()->Cursors(crDrag));
  backend->KeyDown(VK_CONTROL);
  backend->MouseMove(over.x + 1, over.y);
  Pump();
  EXPECT_EQ(::GetCursor(), Screen()->Cursors(crcxDragCopy));
  backend->KeyUp(VK_CONTROL);
  backend->MouseUp(over.x + 1, over.y);
  Pump();
  EXPECT_FALSE(control->Dragging());
  EXPECT_EQ(CurrentDragImages(), nullptr);
}

TEST_F(ControlBaseTest, DragDetectEndsOnEscapeAsCancelled) {
  Make(0, 0);
  const TPoint p = At(control, 50, 50);
  SetCursorPos(p.x, p.y);
  backend->WhenIdle([&] { backend->KeyDown(VK_ESCAPE); });
  EXPECT_EQ(DragDetect(control->Handle()), ddCancel);
  backend->KeyUp(VK_ESCAPE);
  Pump();
  backend->WhenIdle([&] { backend->MouseMove(p.x, p.y + 4); });
  backend->WhenIdle([&] { backend->MouseUp(p.x, p.y + 4); });
  EXPECT_EQ(DragDetect(control->Handle()), ddNone);
  backend->WhenIdle([&] { backend->MouseMove(p.x - 6, p.y); });
  EXPECT_EQ(DragDetect(control->Handle()), ddDrag);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST(PanningMotion, SpeedGrowsWithDistanceUpToTwelve) {
  const struct {
    TPoint offset;
    bool h, v;
    TcxDirection direction;
    int speed;
  } cases[] = {
      {{15, 0}, true, true, dirRight, 1},  {{-19, 0}, true, true, dirLeft, 2},
      {{0, 69}, true, true, dirDown, 12},  {{0, -500}, true, true, dirUp, 12},
      {{30, 40}, true, true, dirDown, 6},  {{40, 30}, true, true, dirRight, 6},
      {{40, 30}, false, true, dirDown, 4}, {{-30, 40}, true, false, dirLeft, 4},
  };
  for (const auto& c : cases) {
    const TcxPanningMotion m = cxPanningMotion(c.offset, c.h, c.v, 28);
    EXPECT_EQ(m.Direction, c.direction) << c.offset.x << "," << c.offset.y;
    EXPECT_EQ(m.Speed, c.speed) << c.offset.x << "," << c.offset.y;
  }
}

TEST_F(ControlBaseTest, PanningScrollsAtItsSpeedUntilEscape) {
  const struct {
    int dx;
    int ticks;
    int scrolls;
  } cases[] = {{200, 12, 12}, {15, 24, 2}};
  for (const auto& c : cases) {
    Make(1000, 50);
    ASSERT_TRUE(control->IsHScrollBarVisible());
    const TPoint p = At(control, 100, 40);
    backend->WhenIdle([&, dx = c.dx] { backend->MouseMove(p.x + dx, p.y); });
    for (int i = 0; i < c.ticks; ++i)
      backend->WhenIdle([&] { backend->AdvanceTime(20); });
    backend->WhenIdle([&] {
      EXPECT_TRUE(control->IsPanning());
      backend->PressKey(VK_ESCAPE);
    });
    backend->MouseDown(p.x, p.y, platform::MouseButton::Middle);
    Pump();
    EXPECT_FALSE(control->IsPanning());
    EXPECT_EQ(int(control->log.size()), c.scrolls) << c.dx;
    if (!control->log.empty()) {
      EXPECT_EQ(control->log[0], "H LineDown 0");
    }
    EXPECT_EQ(GetCapture(), nullptr);
    form->Free();
  }
}

TEST_F(ControlBaseTest, AMiddleClickWithoutMovingLeavesPanningOn) {
  Make(1000, 50);
  const TPoint p = At(control, 100, 40);
  bool panningAfterClick = false;
  backend->WhenIdle([&] { backend->MouseUp(p.x, p.y, platform::MouseButton::Middle); });
  backend->WhenIdle([&] { panningAfterClick = control->IsPanning(); });
  backend->WhenIdle([&] { backend->MouseMove(p.x + 100, p.y); });
  backend->WhenIdle([&] { backend->MouseUp(p.x + 100, p.y, platform::MouseButton::Middle); });
  backend->MouseDown(p.x, p.y, platform::MouseButton::Middle);
  Pump();
  EXPECT_TRUE(panningAfterClick);
  EXPECT_FALSE(control->IsPanning());
}

TEST_F(ControlBaseTest, NoPanningWithoutAVisibleBar) {
  Make(10, 10);
  const TPoint p = At(control, 100, 40);
  backend->MouseDown(p.x, p.y, platform::MouseButton::Middle);
  Pump();
  EXPECT_FALSE(control->IsPanning());
  EXPECT_EQ(GetCapture(), nullptr);
}

struct PopupSupport : TComponent, IcxPopupMenuSupport {
  explicit PopupSupport(TComponent* owner) : TComponent(owner) {}
  Log log;
  bool IsShortCut(TWMKey& Message) override { return Message.CharCode() == 'K'; }
  void Popup(int X, int Y) override { log.push_back(std::to_string(X) + "," + std::to_string(Y)); }
};

TEST_F(ControlBaseTest, ContextMenuAndShortCutsGoToThePopupMenu) {
  Make(0, 0);
  auto* support = new PopupSupport(form);
  control->SetPopupMenu(support);
  const TPoint p = At(control, 30, 40);
  backend->Click(p.x, p.y, platform::MouseButton::Right);
  Pump();
  EXPECT_EQ(support->log, (Log{std::to_string(p.x) + "," + std::to_string(p.y)}));
  EXPECT_EQ(control->Perform(WM_KEYDOWN, 'K', 0), 1);
  EXPECT_EQ(control->Perform(WM_KEYDOWN, 'J', 0), 0);
  support->Free();
  EXPECT_EQ(control->PopupMenu(), nullptr);
}

TEST_F(ControlBaseTest, APopupMenuShortCutOfAParentControlClicksItsItem) {
  Make(0, 0);
  auto* child = new TContentControl(form);
  child->SetParent(control);
  child->SetBounds(0, 0, 20, 20);
  auto* menu = new TPopupMenu(form);
  auto* item = new TMenuItem(menu);
  item->SetShortCut(ShortCut('X', {ssCtrl}));
  int clicks = 0;
  struct Counter {
    int& n;
    void Click(TObject*) { ++n; }
  } counter{clicks};
  item->OnClick = TNotifyEvent(&counter, &Counter::Click);
  menu->Items()->Add(item);
  control->SetPopupMenu(menu);
  Pump();
  backend->KeyDown(VK_CONTROL);
  Pump();
  EXPECT_EQ(child->Perform(WM_KEYDOWN, 'X', 0), 1);
  EXPECT_EQ(clicks, 1);
  backend->KeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(child->Perform(WM_KEYDOWN, 'X', 0), 0);
  EXPECT_EQ(clicks, 1);
}

struct EnterLeave {
  Log log;
  void Enter(TObject* s) { log.push_back(static_cast<TComponent*>(s)->Name() + " enter"); }
  void Leave(TObject* s) { log.push_back(static_cast<TComponent*>(s)->Name() + " leave"); }
};

TEST_F(ControlBaseTest, MouseEnterAndLeaveFireOnce) {
  Make(0, 0);
  control->SetName("C");
  EnterLeave rec;
  control->OnMouseEnter = TNotifyEvent(&rec, &EnterLeave::Enter);
  control->OnMouseLeave = TNotifyEvent(&rec, &EnterLeave::Leave);
  MoveTo(control, 10, 10);
  MoveTo(form, 5, 5);
  EXPECT_EQ(rec.log, (Log{"C enter", "C leave"}));
}

struct CaptureOwner : TObject, IcxMouseCaptureOwner {
  int lost = 0;
  void MouseCaptureLost() override { ++lost; }
};

TEST_F(ControlBaseTest, TheCaptureObjectIsToldWhenItLosesTheCapture) {
  Make(0, 0);
  CaptureOwner first, second;
  control->SetMouseCaptureObject(&first);
  EXPECT_TRUE(control->MouseCapture());
  control->SetMouseCaptureObject(&second);
  EXPECT_EQ(first.lost, 1);
  EXPECT_EQ(second.lost, 0);
  control->SetMouseCaptureObject(nullptr);
  EXPECT_EQ(second.lost, 1);
  EXPECT_FALSE(control->MouseCapture());
}

struct FontListener : IcxFontListener {
  int heard = 0;
  TFont* font = nullptr;
  void Changed(TObject*, TFont* AFont) override {
    ++heard;
    font = AFont;
  }
};

TEST_F(ControlBaseTest, FontListenersHearOfFontChanges) {
  Make(0, 0);
  FontListener listener;
  control->AddFontListener(&listener);
  control->AddFontListener(&listener);
  control->Font()->SetSize(14);
  EXPECT_EQ(listener.heard, 1);
  EXPECT_EQ(listener.font, control->Font());
  control->RemoveFontListener(&listener);
  control->Font()->SetSize(15);
  EXPECT_EQ(listener.heard, 1);
}

TEST_F(ControlBaseTest, MouseMovesInvalidateNothing) {
  Make(300, 300);
  MoveTo(control, 10, 10);
  control->Invalidations = 0;
  for (int x = 11; x < 60; x += 3)
    MoveTo(control, x, 20);
  EXPECT_EQ(control->Invalidations, 0);
}

TEST_F(ControlBaseTest, ChildComponentsBelongToTheirControl) {
  Make(0, 0);
  auto* child = new TcxControlChildComponent(control);
  EXPECT_EQ(child->Owner(), form);
  EXPECT_EQ(child->Control(), control);
  control->RemoveChildComponent(child);
  EXPECT_EQ(child->Control(), nullptr);
  control->AddChildComponent(child);
  EXPECT_EQ(child->Control(), control);
  auto* loose = new TcxControlChildComponent(control, false);
  EXPECT_EQ(loose->Owner(), nullptr);
  loose->Free();
}

TEST_F(ControlBaseTest, MetricChangesResizeTheBars) {
  Make(300, 300);
  platform::SystemSettings settings = platform::Settings();
  settings.metrics[SM_CXVSCROLL] = 20;
  settings.metrics[SM_CYHSCROLL] = 20;
  platform::ApplySettings(settings, SPI_SETWORKAREA);
  Pump();
  EXPECT_EQ(control->VScrollBar()->Width(), 16) << "another setting changes nothing";
  platform::ApplySettings(settings, SPI_SETNONCLIENTMETRICS);
  Pump();
  EXPECT_EQ(control->VScrollBar()->Width(), 20);
  EXPECT_EQ(control->HScrollBar()->Height(), 20);
  EXPECT_EQ(control->ClientBounds(), (TRect{0, 0, 180, 80}));
}

TEST_F(ControlBaseTest, TheSettingsWindowLivesWhileControlsWithBarsDo) {
  Make(0, 0);
  EXPECT_EQ(cxSettingsController()->ListenerCount(), 1);
  EXPECT_NE(cxSettingsController()->Window(), nullptr);
  control->Free();
  EXPECT_EQ(cxSettingsController()->ListenerCount(), 0);
  EXPECT_EQ(cxSettingsController()->Window(), nullptr);
}

} // namespace
