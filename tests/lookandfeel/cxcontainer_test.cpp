#include <utility>
#include <vector>

#include "control_fixture.h"
#include "lookandfeel/cxContainer.h"
#include "platform/controls/StdCtrls.h"
#include "platform/gdi/HandleTable.h"
#include "platform/theme/RecordingThemeBackend.h"
#include "platform/win/Input.h"

namespace {

class EditContainer;

// An inner edit tells its container of focus changes, as the editors' inner controls do.
class InnerEdit : public TEdit {
public:
  InnerEdit(TComponent* AOwner, EditContainer* AContainer) : TEdit(AOwner), container(AContainer) {}
  void WndProc(TMessage& Message) override;
  EditContainer* container;
};

// A container that hosts a platform edit, as the text editors do.
class EditContainer : public TcxContainer {
public:
  explicit EditContainer(TComponent* AOwner, bool withInner = true) : TcxContainer(AOwner) {
    if (withInner) {
      edit = new InnerEdit(this, this);
      edit->SetParent(this);
      edit->SetBorderStyle(bsNone);
      SetInnerControl(edit);
    }
  }
  using TcxContainer::AlignControls;
  using TcxContainer::DoContextPopup;
  using TcxContainer::FocusChanged;
  using TcxContainer::KeyDown;
  TEdit* edit = nullptr;
};

void InnerEdit::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  TEdit::WndProc(Message);
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS)
    container->FocusChanged();
}

// A container that follows its parent's colour by default, as check boxes and labels do.
class ParentColoured : public TcxContainer {
public:
  explicit ParentColoured(TComponent* AOwner) : TcxContainer(AOwner) { InitializeContainer(); }
  bool DefaultParentColor() override { return true; }
};

// A container that mirrors the native bars of an inner list with its own look-and-feel bars.
class MirroringContainer : public TcxContainer {
public:
  explicit MirroringContainer(TComponent* AOwner) : TcxContainer(AOwner) {
    list = new TListBox(this);
    list->SetParent(this);
    SetInnerControl(list);
  }
  bool HasScrollBars() override { return true; }
  using TcxContainer::AdjustScrollBars;
  TListBox* list;
};

class ContainerTest : public ControlTest {
protected:
  TForm* form = nullptr;
  EditContainer* MakeContainer(bool withInner = true, int w = 100, int h = 24) {
    if (!form)
      form = ShowForm();
    auto* c = new EditContainer(form, withInner);
    c->SetParent(form);
    c->SetBounds(10, 10, w, h);
    Pump();
    return c;
  }
  static TColor PixelAt(TWinControl* c, int x, int y) {
    HDC dc = GetDC(c->Handle());
    const TColor color = TColor(GetPixel(dc, x, y));
    ReleaseDC(c->Handle(), dc);
    return color;
  }
  // What the parent shows at a client point of the control: the control's own pixels inside its window
  // region, the parent's outside.
  static TColor ScreenPixelAt(TWinControl* c, int x, int y) {
    return PixelAt(c->Parent(), c->Left() + x, c->Top() + y);
  }
  static TRect Extent(TcxContainer* c) { return c->GetBorderExtent(); }
};

TEST_F(ContainerTest, NewContainerTakesWindowColourAndSettingColourAssignsTheStyle) {
  auto* c = MakeContainer();
  EXPECT_FALSE(c->ParentColor());
  EXPECT_EQ(c->Color(), clWindow);
  EXPECT_FALSE(c->Style()->AssignedValues().Contains(csvColor));
  c->SetColor(clYellow);
  EXPECT_TRUE(c->Style()->AssignedValues().Contains(csvColor));
  EXPECT_EQ(c->Style()->Color(), clYellow);
  EXPECT_EQ(c->ViewInfo()->BackgroundColor, clYellow);
  EXPECT_EQ(c->edit->Color(), clYellow) << "the inner control follows the background";
  c->Style()->SetColor(clAqua);
  EXPECT_EQ(c->Color(), clAqua);
}

TEST_F(ContainerTest, ContainerThatFollowsItsParentKeepsTheParentColour) {
  form = ShowForm();
  form->SetColor(clYellow);
  auto* c = new ParentColoured(form);
  c->SetParent(form);
  c->SetBounds(10, 10, 50, 20);
  Pump();
  EXPECT_TRUE(c->ParentColor());
  EXPECT_EQ(c->Color(), clYellow);
  EXPECT_EQ(c->Style()->Color(), clYellow);
  form->SetColor(clLime);
  Pump();
  EXPECT_EQ(c->Color(), clLime);
  EXPECT_FALSE(c->Style()->AssignedValues().Contains(csvColor));
}

TEST_F(ContainerTest, CursorAndDragSettingsReachTheInnerControl) {
  auto* c = MakeContainer();
  c->SetCursor(crHandPoint);
  c->SetDragMode(dmAutomatic);
  c->SetDragKind(dkDock);
  EXPECT_EQ(c->edit->Cursor(), crHandPoint);
  EXPECT_EQ(c->edit->DragMode(), dmAutomatic);
  EXPECT_EQ(c->edit->DragKind(), dkDock);
}

TEST_F(ContainerTest, MirroredScrollBarFollowsTheNativeOne) {
  form = ShowForm();
  auto* c = new MirroringContainer(form);
  c->SetParent(form);
  c->SetBounds(10, 10, 150, 100);
  Pump();
  for (int i = 0; i < 40; ++i)
    c->list->Items()->Add("line");
  Pump();
  c->AdjustScrollBars();
  ASSERT_NE(c->VScrollBar(), nullptr);
  EXPECT_TRUE(c->VScrollBar()->Visible());
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  GetScrollInfo(c->list->Handle(), SB_VERT, &si);
  EXPECT_EQ(c->VScrollBar()->Max(), si.nMax);
  EXPECT_EQ(c->VScrollBar()->PageSize(), int(si.nPage));
  c->list->SetTopIndex(5);
  c->AdjustScrollBars(true);
  EXPECT_EQ(c->VScrollBar()->Position(), GetScrollPos(c->list->Handle(), SB_VERT));
  c->list->Clear();
  Pump();
  c->AdjustScrollBars();
  EXPECT_FALSE(c->VScrollBar()->Visible()) << "a hidden native bar hides the container's";
  if (c->HScrollBar()) {
    EXPECT_FALSE(c->HScrollBar()->Visible());
  }
}

TEST_F(ContainerTest, BorderExtentAndClientRectPerBorderStyle) {
  const struct {
    TcxContainerBorderStyle style;
    TcxBorders edges;
    bool shadow, transparent;
    TRect extent;
  } cases[] = {
      {cbsSingle, cxBordersAll, false, false, {1, 1, 1, 1}},
      {cbsSingle, cxBordersAll, true, false, {1, 1, 4, 4}},
      {cbs3D, {bLeft, bTop}, false, false, {2, 2, 0, 0}},
      {cbsThick, cxBordersAll, false, false, {2, 2, 2, 2}},
      {cbsFlat, {bRight}, false, false, {0, 0, 2, 0}},
      {cbsNone, cxBordersAll, false, false, {0, 0, 0, 0}},
      {cbsUltraFlat, cxBordersAll, false, false, {1, 1, 1, 1}},
      {cbsOffice11, cxBordersAll, true, false, {1, 1, 4, 4}},
      {cbsSingle, cxBordersAll, false, true, {2, 2, 2, 2}},
      {cbsNone, cxBordersAll, true, true, {2, 2, 5, 5}},
  };
  auto* c = MakeContainer();
  for (const auto& t : cases) {
    c->Style()->BeginUpdate();
    c->Style()->SetBorderStyle(t.style);
    c->Style()->SetEdges(t.edges);
    c->Style()->SetShadow(t.shadow);
    c->Style()->SetTransparentBorder(t.transparent);
    c->Style()->SetHotTrack(false);
    c->Style()->EndUpdate();
    Pump();
    const TRect e = Extent(c);
    EXPECT_TRUE(EqualRect(&e, &t.extent))
        << t.style << " got " << e.left << "," << e.top << "," << e.right << "," << e.bottom;
    const TRect client = c->ViewInfo()->ClientRect;
    EXPECT_EQ(client.left, t.extent.left);
    EXPECT_EQ(client.bottom, 24 - t.extent.bottom);
    EXPECT_TRUE(EqualRect(&client, &c->ViewInfo()->InnerControlRect));
    EXPECT_EQ(c->edit->Left(), t.extent.left) << "the inner control sits inside the border";
    EXPECT_EQ(c->edit->Width(), 100 - t.extent.left - t.extent.right);
  }
}

TEST_F(ContainerTest, SingleBorderPixelsAndShadowRegion) {
  auto* c = MakeContainer(false, 60, 30);
  c->Style()->BeginUpdate();
  c->Style()->SetBorderStyle(cbsSingle);
  c->Style()->SetTransparentBorder(false);
  c->Style()->SetBorderColor(clRed);
  c->Style()->SetColor(clWhite);
  c->Style()->EndUpdate();
  Pump();
  EXPECT_EQ(PixelAt(c, 0, 0), TColor(ColorToRGB(clRed)));
  EXPECT_EQ(PixelAt(c, 59, 29), TColor(ColorToRGB(clRed)));
  EXPECT_EQ(PixelAt(c, 1, 1), TColor(ColorToRGB(clWhite)));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(c->Handle(), rgn), SIMPLEREGION) << "the border rectangle itself";

  c->Style()->SetShadow(true);
  Pump();
  const TRect border = c->GetBorderRect();
  EXPECT_EQ(border.right, 57);
  EXPECT_EQ(border.bottom, 27);
  HRGN expected = CreateRectRgn(0, 0, 57, 27);
  HRGN moved = CreateRectRgn(3, 3, 60, 30);
  CombineRgn(expected, expected, moved, RGN_OR);
  EXPECT_EQ(GetWindowRgn(c->Handle(), rgn), COMPLEXREGION);
  EXPECT_TRUE(EqualRgn(rgn, expected));
  // The shadow strips, with their 3 x 3 outer corners left to the parent.
  const TColor shadow = TColor(ColorToRGB(clBtnShadow)), face = TColor(ColorToRGB(form->Color()));
  EXPECT_EQ(PixelAt(c, 58, 10), shadow);
  EXPECT_EQ(PixelAt(c, 10, 28), shadow);
  EXPECT_EQ(PixelAt(c, 58, 1), CLR_INVALID) << "outside the window region";
  EXPECT_EQ(ScreenPixelAt(c, 58, 1), face);
  EXPECT_EQ(ScreenPixelAt(c, 1, 28), face);

  EXPECT_EQ(PixelAt(c, 56, 26), TColor(ColorToRGB(clRed)));
  DeleteObject(expected);
  DeleteObject(moved);
  DeleteObject(rgn);
}

TEST_F(ContainerTest, ClassicBorderPixelsPerStyleAndEdges) {
  const TColor bg = clWhite, frame = clRed;
  const struct {
    TcxContainerBorderStyle style;
    TcxBorders edges;
    std::vector<std::pair<TPoint, TColor>> pixels;
  } cases[] = {
      {cbs3D,
       {bLeft, bTop},
       {{{0, 10}, clBtnShadow},
        {{1, 10}, cl3DDkShadow},
        {{10, 1}, cl3DDkShadow},
        {{2, 10}, bg},
        {{59, 10}, bg},
        {{10, 29}, bg}}},
      {cbs3D,
       cxBordersAll,
       {{{0, 10}, clBtnShadow},
        {{59, 10}, clBtnHighlight},
        {{58, 10}, cl3DLight},
        {{1, 10}, cl3DDkShadow},
        {{10, 28}, cl3DLight},
        {{2, 10}, bg}}},
      {cbsFlat,
       cxBordersAll,
       {{{0, 5}, clBtnShadow},
        {{59, 5}, clBtnHighlight},
        {{1, 5}, clBtnFace},
        {{58, 5}, clBtnFace},
        {{2, 5}, bg}}},
      {cbsThick, cxBordersAll, {{{0, 5}, frame}, {{1, 5}, frame}, {{2, 5}, bg}, {{58, 28}, frame}}},
      {cbsNone, cxBordersAll, {{{0, 0}, bg}, {{59, 29}, bg}}},
  };
  auto* c = MakeContainer(false, 60, 30);
  for (const auto& t : cases) {
    c->Style()->BeginUpdate();
    c->Style()->SetBorderStyle(t.style);
    c->Style()->SetEdges(t.edges);
    c->Style()->SetTransparentBorder(false);
    c->Style()->SetBorderColor(frame);
    c->Style()->SetColor(bg);
    c->Style()->SetHotTrack(false);
    c->Style()->EndUpdate();
    Pump();
    for (const auto& [p, color] : t.pixels)
      EXPECT_EQ(PixelAt(c, p.x, p.y), TColor(ColorToRGB(color)))
          << "style " << t.style << " at " << p.x << "," << p.y;
  }
}

TEST_F(ContainerTest, RegionIsSetOnlyWhenItDiffersAndNoReadBackLeaks) {
  auto* c = MakeContainer(false);
  c->Style()->SetTransparentBorder(false);
  Pump();
  const int live = gdi::LiveObjectCount();
  const TRect r = c->GetBorderRect();
  for (int i = 0; i < 5; ++i)
    EXPECT_FALSE(SetWindowShadowRegion(c->Handle(), r, false, TRect{}, false));
  EXPECT_TRUE(SetWindowShadowRegion(c->Handle(), r, false, TRect{}, true));
  EXPECT_TRUE(SetWindowShadowRegion(c->Handle(), r, true, TRect{}, false)) << "removing a region is a change";
  EXPECT_FALSE(SetWindowShadowRegion(c->Handle(), r, true, TRect{}, false));
  EXPECT_TRUE(SetWindowShadowRegion(c->Handle(), r, false, TRect{}, false));
  EXPECT_EQ(gdi::LiveObjectCount(), live + 0)
      << "every region built or read back is deleted or owned by the window";
}

TEST_F(ContainerTest, UltraFlatBorderHighlightsWhenFocusedOrHot) {
  auto* c = MakeContainer();
  c->Style()->SetTransparentBorder(false);
  Pump();
  EXPECT_EQ(c->ViewInfo()->BorderStyle, cbsSingle);
  EXPECT_EQ(c->ViewInfo()->BorderColor, clBtnShadow);
  MoveTo(c, 20, 10);
  EXPECT_TRUE(c->ViewInfo()->ContainerState.Contains(csHot));
  EXPECT_EQ(c->ViewInfo()->BorderColor, clHighlight);
  EXPECT_EQ(c->GetActiveStyle(), c->StyleHot());
  MoveTo(form, 300, 200);
  Wait(30);
  EXPECT_FALSE(c->ViewInfo()->ContainerState.Contains(csHot)) << "leaving the control clears the hot state";
  EXPECT_EQ(c->ViewInfo()->BorderColor, clBtnShadow);
  c->SetFocus();
  Pump();
  EXPECT_TRUE(c->ViewInfo()->ContainerState.Contains(csFocused));
  EXPECT_EQ(c->ViewInfo()->BorderColor, clHighlight);
  EXPECT_EQ(c->GetActiveStyle(), c->StyleFocused());
}

TEST_F(ContainerTest, ActiveStyleOrderIsDisabledFocusedHotNormal) {
  auto* c = MakeContainer();
  c->SetFocus();
  MoveTo(c, 20, 10);
  EXPECT_EQ(c->GetActiveStyle(), c->StyleFocused()) << "focused wins over hot";
  c->SetEnabled(false);
  Pump();
  EXPECT_EQ(c->GetActiveStyle(), c->StyleDisabled());
  EXPECT_EQ(c->ViewInfo()->BackgroundColor, clBtnFace);
}

TEST_F(ContainerTest, MouseMoveWithAButtonHeldIsNotHot) {
  auto* c = MakeContainer();
  Press(form, 300, 200);
  MoveTo(c, 20, 10);
  EXPECT_FALSE(c->ViewInfo()->ContainerState.Contains(csHot));
  Release(c, 20, 10);
}

TEST_F(ContainerTest, MouseMoveThatChangesNothingInvalidatesNothing) {
  auto* c = MakeContainer();
  MoveTo(c, 20, 10);
  ASSERT_TRUE(c->ViewInfo()->ContainerState.Contains(csHot));
  const auto before = c->RefreshCounters();
  for (int x = 21; x < 60; ++x)
    MoveTo(c, x, 12);
  EXPECT_EQ(c->RefreshCounters().Invalidations, before.Invalidations);
  EXPECT_EQ(c->RefreshCounters().RegionChanges, before.RegionChanges);
  EXPECT_FALSE(GetUpdateRect(c->Handle(), nullptr, FALSE));
  MoveTo(form, 300, 200);
  Wait(30);
  EXPECT_GT(c->RefreshCounters().Invalidations, before.Invalidations) << "leaving does change the look";
}

TEST_F(ContainerTest, FocusGoesToTheInnerControlAndTabMovesOn) {
  auto* first = MakeContainer();
  auto* second = MakeContainer();
  second->SetTop(50);
  first->SetFocus();
  Pump();
  EXPECT_EQ(GetFocus(), first->edit->Handle());
  EXPECT_TRUE(first->Focused());
  EXPECT_TRUE(first->ViewInfo()->ContainerState.Contains(csFocused));
  WORD key = VK_TAB;
  TShiftState none;
  first->KeyDown(key, none);
  Pump();
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(second->Focused());
  EXPECT_FALSE(first->Focused());
  EXPECT_FALSE(first->ViewInfo()->ContainerState.Contains(csFocused));
  key = VK_TAB;
  second->KeyDown(key, TShiftState{ssShift});
  Pump();
  EXPECT_TRUE(first->Focused());
  key = VK_TAB;
  first->KeyDown(key, TShiftState{ssCtrl});
  EXPECT_EQ(key, VK_TAB) << "Ctrl+Tab is left to the inherited handling";
  EXPECT_TRUE(first->Focused());
}

// The container passes the focus it receives on to its inner control, unless a handler raised as it took the
// focus moved the focus elsewhere or hid the form: the handler's move stands and nothing is raised.
TEST_F(ContainerTest, AFocusThatAHandlerMovedOnIsNotTakenBackForTheInnerControl) {
  enum What { FocusOther, HideForm };
  struct Handler {
    What what;
    TWinControl* other;
    TForm* form;
    void FocusChanged(TObject*) {
      if (what == FocusOther)
        other->SetFocus();
      else
        form->Hide();
    }
  };
  for (What what : {FocusOther, HideForm}) {
    SCOPED_TRACE(what == FocusOther ? "another control takes the focus" : "the form is hidden");
    auto* first = MakeContainer();
    auto* second = MakeContainer();
    second->SetTop(50);
    Handler handler{what, second, form};
    first->OnFocusChanged = TNotifyEvent(&handler, &Handler::FocusChanged);
    // The platform gives the container's own window the focus, as a form that is activated does.
    SetFocus(first->Handle());
    Pump();
    first->OnFocusChanged = nullptr;
    EXPECT_TRUE(Application()->MessageLog().empty()) << Application()->MessageLog().front();
    EXPECT_FALSE(first->Focused());
    EXPECT_EQ(second->Focused(), what == FocusOther);
    form->Free();
    form = nullptr;
  }
}

TEST_F(ContainerTest, KeysSentToTheContainerReachTheInnerControl) {
  auto* c = MakeContainer();
  c->SetFocus();
  Pump();
  c->Perform(WM_CHAR, 'a', 0);
  c->Perform(WM_CHAR, 'b', 0);
  EXPECT_EQ(c->edit->Text(), "ab");
}

TEST_F(ContainerTest, InnerControlPartlyOutsideGetsItsVisiblePartAsRegion) {
  auto* c = MakeContainer(true, 100, 40);
  c->SetInnerControlBoundsChanging(true);
  c->edit->SetBounds(50, 2, 80, 20);
  c->SetInnerControlBoundsChanging(false);
  TRect bounds = c->ViewInfo()->InnerControlRect;
  c->AlignControls(c->edit, bounds);
  EXPECT_FALSE(c->InnerControlRegion().IsWhole);
  const TRect expected{0, 0, 48, 20};
  const TRect got = c->InnerControlRegion().Rect;
  EXPECT_TRUE(EqualRect(&got, &expected));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(c->edit->Handle(), rgn), SIMPLEREGION);
  DeleteObject(rgn);
  c->edit->SetBounds(2, 2, 80, 20);
  c->AlignControls(c->edit, bounds);
  EXPECT_TRUE(c->InnerControlRegion().IsWhole);
  rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(c->edit->Handle(), rgn), ERROR) << "a whole control has no region";
  DeleteObject(rgn);
}

TEST_F(ContainerTest, CursorOutsideTheInnerRectIsTheArrow) {
  auto* c = MakeContainer(true, 100, 30);
  c->Style()->SetTransparentBorder(true);
  Pump();
  MoveTo(c, 0, 0);
  const LRESULT r = c->Perform(WM_SETCURSOR, WPARAM(c->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(r, 1);
}

// Messages that reach the window while it is destroyed find no view info to read.
HWND watched = nullptr;
int lateMessages = 0;
LRESULT SendLateMessages(int code, WPARAM wParam, LPARAM lParam) {
  auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && cwp->hwnd == watched && cwp->message == WM_DESTROY) {
    watched = nullptr;
    SendMessage(cwp->hwnd, WM_SETCURSOR, WPARAM(cwp->hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    SendMessage(cwp->hwnd, WM_PAINT, 0, 0);
    SendMessage(cwp->hwnd, WM_WINDOWPOSCHANGING, 0, 0);
    ++lateMessages;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ContainerTest, MessagesDuringDestructionDoNotReadAFreedViewInfo) {
  auto* c = MakeContainer();
  watched = c->Handle();
  lateMessages = 0;
  HHOOK hook = SetWindowsHookEx(WH_CALLWNDPROC, SendLateMessages, nullptr, 0);
  delete c;
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(lateMessages, 1);
}

// The leave handler frees the container, as a form that drops a control once the pointer leaves it; the
// container's own leave handling must stop there, whichever way the leave is noticed.
TEST_F(ContainerTest, ContainerFreedByItsMouseLeaveHandler) {
  struct Case {
    const char* name;
    bool withInner;
    bool offTheWindow; // the pointer leaves the application: only the tracking timer notices
  };
  for (const Case& c :
       {Case{"bare, elsewhere on the form", false, false},
        Case{"with an inner edit, elsewhere on the form", true, false},
        Case{"bare, off the window", false, true}, Case{"with an inner edit, off the window", true, true}}) {
    SCOPED_TRACE(c.name);
    EditContainer* container = MakeContainer(c.withInner);
    struct Freer {
      TControl* target;
      int leaves = 0;
      void Leave(TObject*) {
        ++leaves;
        target->Free();
      }
    } freer{container};
    container->OnMouseLeave = TNotifyEvent(&freer, &Freer::Leave);
    auto alive = container->AliveToken();
    MoveTo(container, 5, 5);
    Wait(30);
    ASSERT_TRUE(container->ViewInfo()->ContainerState.Contains(csHot));
    if (c.offTheWindow)
      platform::InjectMouseLeave();
    else
      MoveTo(form, 300, 200);
    Wait(30);
    EXPECT_EQ(freer.leaves, 1);
    EXPECT_FALSE(*alive);
    EXPECT_EQ(MouseTrackingCount(), 0) << "no tracking is left for the freed container";
    MoveTo(form, 10, 10);
    Wait(30);
  }
}

TEST_F(ContainerTest, ContextPopupLockAndKeyboardPosition) {
  auto* c = MakeContainer();
  bool handled = false;
  c->LockContextPopup(true);
  c->DoContextPopup(TPoint{5, 5}, handled);
  EXPECT_TRUE(handled);
  c->LockContextPopup(false);
  c->LockContextPopup(false);
  EXPECT_EQ(c->ContextPopupLockCount(), 0);
  handled = false;
  c->DoContextPopup(TPoint{-1, -1}, handled);
  EXPECT_FALSE(handled);
}

TEST_F(ContainerTest, NativeStyleUsesTheThemeBorderAndNeverAShadow) {
  auto theme = std::make_unique<RecordingThemeBackend>();
  theme->SetColor(u"ComboBox", 1, 1, TMT_BORDERCOLOR, RGB(1, 2, 3));
  theme->SetColor(u"Edit", 1, 1, TMT_FILLCOLOR, RGB(7, 8, 9));
  theme->SetContentMargins(u"Edit", 1, {1, 1, 1, 1});
  Restart(std::move(theme));
  auto* c = MakeContainer(false, 60, 30);
  c->Style()->BeginUpdate();
  c->Style()->LookAndFeel()->SetNativeStyle(true);
  c->Style()->SetTransparentBorder(false);
  c->Style()->SetShadow(true);
  c->Style()->SetColor(clWhite);
  c->Style()->EndUpdate();
  Pump();
  EXPECT_TRUE(c->ViewInfo()->NativeStyle);
  EXPECT_FALSE(c->HasShadow());
  const TRect e = Extent(c), two{2, 2, 2, 2};
  EXPECT_TRUE(EqualRect(&e, &two));
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(c->Handle(), rgn), ERROR) << "no window region in native style";
  DeleteObject(rgn);
  EXPECT_EQ(PixelAt(c, 0, 0), TColor(RGB(1, 2, 3))) << "the band outside the theme's content";
  EXPECT_EQ(PixelAt(c, 59, 29), TColor(RGB(1, 2, 3)));
  EXPECT_EQ(PixelAt(c, 5, 5), TColor(ColorToRGB(clWhite)));
  c->SetEnabled(false);
  Pump();
  EXPECT_EQ(c->ViewInfo()->BackgroundColor, TColor(RGB(7, 8, 9)))
      << "a disabled native container takes the theme fill";
  c->Style()->SetBorderStyle(cbsNone);
  Pump();
  const TRect none = Extent(c), zero{0, 0, 0, 0};
  EXPECT_TRUE(EqualRect(&none, &zero));
}

TEST_F(ContainerTest, RoutinesOfTheUnit) {
  EXPECT_EQ(TranslateMouseButton(mbLeft), cxmbLeft);
  EXPECT_EQ(TranslateMouseButton(mbMiddle), cxmbMiddle);
  const int widths[] = {0, 1, 2, 2, 2, 1, 1};
  for (int s = cbsNone; s <= cbsOffice11; ++s)
    EXPECT_EQ(GetContainerBorderWidth(TcxContainerBorderStyle(s)), widths[s]);
  TRect r{0, 0, 10, 10};
  DeflateRectExcept(r, 2, {bLeft, bBottom});
  const TRect e{0, 2, 8, 10};
  EXPECT_TRUE(EqualRect(&r, &e));
  EXPECT_TRUE(AreStringsEqual("abc", "ABC", false));
  EXPECT_FALSE(AreStringsEqual("abc", "ABC", true));
  EXPECT_EQ(CreateShadowRegion(TRect{0, 0, 5, 5}, true, TRect{}, true), nullptr);
  TcxContainerViewInfo a, b;
  a.ClientRect = TRect{1, 1, 9, 9};
  a.InnerControlRect = TRect{2, 2, 8, 8};
  a.Offset(10, 20);
  const TRect moved{12, 22, 18, 28};
  EXPECT_TRUE(EqualRect(&a.InnerControlRect, &moved));
  EXPECT_EQ(a.ClientRect.left, 11);
  b.Assign(&a);
  EXPECT_TRUE(EqualRect(&b.InnerControlRect, &moved));
  EXPECT_TRUE(IsRectEmpty(&b.ClientRect)) << "only the inner-control rectangle is copied";
  std::unique_ptr<TcxRegion, TObjectDeleter> update(a.GetUpdateRegion(&b));
  EXPECT_TRUE(update->IsEmpty());
  HRGN rgn = CreateShadowRegion(TRect{0, 0, 10, 10}, false, TRect{0, 0, 5, 5}, false);
  EXPECT_FALSE(PtInRegion(rgn, 2, 2));
  EXPECT_TRUE(PtInRegion(rgn, 7, 7));
  DeleteObject(rgn);
  auto* c = MakeContainer();
  EXPECT_EQ(GetContainerOfControl(c), c);
  EXPECT_EQ(GetContainerOfControl(c->edit), nullptr);
  EXPECT_TRUE(IsRelatedWindow(c, c->edit->Handle()));
  EXPECT_FALSE(IsRelatedWindow(c, c->Handle()));
  EXPECT_TRUE(IsWindowInControlForm(c, form->Handle()));
}

} // namespace
