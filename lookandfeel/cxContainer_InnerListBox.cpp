#include "lookandfeel/cxContainer.h"
#include "platform/win/ListBox.h"
#include "platform/win/Win.h"

TcxCustomInnerListBox::TcxCustomInnerListBox(TComponent* AOwner) : TListBox(AOwner) {
  FCanvas.reset(new TcxCanvas(Canvas()));
  FLookAndFeel.reset(new TcxLookAndFeel(this));
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxCustomInnerListBox::LookAndFeelChanged);
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    auto* bar = new TcxScrollBar(this);
    bar->SetKind(kind);
    bar->SetVisible(false);
    bar->OnScroll = kind == sbHorizontal ? TScrollEvent(this, &TcxCustomInnerListBox::HScrollHandler)
                                         : TScrollEvent(this, &TcxCustomInnerListBox::VScrollHandler);
    bar->OnMouseWheel = TMouseWheelEvent(this, &TcxCustomInnerListBox::ScrollBarMouseWheel);
    bar->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
    (kind == sbHorizontal ? FHScrollBar : FVScrollBar) = bar;
  }
  SetBorderStyle(bsNone);
  ControlStyle().Include(csDoubleClicks).Exclude(csOpaque);
  SetParentColor(false);
  SetParentFont(true);
}

TcxCustomInnerListBox::~TcxCustomInnerListBox() {
  // The bars stay owned components of the list box: its component destructor frees each once, wherever
  // it is parented (a parent here only shows its children). Their events must not reach this object then.
  for (TcxScrollBar* bar : {FHScrollBar, FVScrollBar})
    if (bar) {
      bar->OnScroll = {};
      bar->OnMouseWheel = {};
      bar->LookAndFeel()->SetMasterLookAndFeel(nullptr);
    }
  FLookAndFeel.reset();
  FCanvas.reset();
}

void TcxCustomInnerListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TListBox::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FHScrollBar)
    FHScrollBar = nullptr;
  if (AComponent == FVScrollBar)
    FVScrollBar = nullptr;
}

void TcxCustomInnerListBox::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
  InvalidateIfHandleAllocated();
}

void TcxCustomInnerListBox::InvalidateIfHandleAllocated() {
  if (HandleAllocated())
    Invalidate();
}

void TcxCustomInnerListBox::DefaultHandler(TMessage& Message) {
  if (FContainer && FContainer->InnerControlDefaultHandler(Message))
    return;
  TListBox::DefaultHandler(Message);
}

TRect TcxCustomInnerListBox::GetSizeGripRect() {
  return GetScrollBarsCornerRect(this, FHScrollBar, FVScrollBar);
}

void TcxCustomInnerListBox::PaintSizeGrip() {
  PaintScrollBarsCorner(this, FHScrollBar, FVScrollBar);
}

void TcxCustomInnerListBox::SyncScrollBar(TcxScrollBar* ABar) {
  if (!ABar)
    return;
  TRect bounds{};
  bool enabled = false;
  const bool visible = GetNativeScrollBarPlace(this, ABar->Kind(), bounds, enabled);
  bool changed = false;
  if (visible) {
    if (ABar->Parent() != Parent()) {
      ++FScrollBarsLockCount;
      try {
        ABar->SetParent(Parent());
      } catch (...) {
        --FScrollBarsLockCount;
        throw;
      }
      --FScrollBarsLockCount;
      changed = true;
    }
    if (ABar->Left() != bounds.left || ABar->Top() != bounds.top || ABar->Width() != bounds.right ||
        ABar->Height() != bounds.bottom || !ABar->Visible()) {
      ABar->SetBounds(bounds.left, bounds.top, bounds.right, bounds.bottom);
      ABar->BringToFront();
      changed = true;
    }
  } else if (ABar->Visible() || ABar->Width() != 0 || ABar->Height() != 0) {
    ABar->SetBounds(0, 0, 0, 0);
    changed = true;
  }
  if (ABar->Enabled() != enabled) {
    ABar->SetEnabled(enabled);
    changed = true;
  }
  if (ABar->Visible() != visible) {
    ABar->SetVisible(visible);
    changed = true;
  }
  if (visible && MirrorNativeScrollInfo(Handle(), ABar))
    changed = true;
  if (changed)
    ++FScrollBarChangeCount;
}

void TcxCustomInnerListBox::SyncScrollBars() {
  if (IsDestroyingNow() || FScrollBarsLockCount > 0 || !CanGetScrollBarInfo() || FScrollBarsCalculating)
    return;
  FScrollBarsCalculating = true;
  try {
    SyncScrollBar(FHScrollBar);
    SyncScrollBar(FVScrollBar);
  } catch (...) {
    FScrollBarsCalculating = false;
    throw;
  }
  FScrollBarsCalculating = false;
}

// The platform's list box takes a thumb position from its own bar's tracking position, which is its position
// while that bar is not dragged, rather than from the message: the position goes there first.
void TcxCustomInnerListBox::PrepareThumbPosition(int ABar, TScrollCode ACode, int APosition) {
  if (ACode == scTrack || ACode == scPosition)
    SetScrollPos(Handle(), ABar, APosition, FALSE);
}

// The bar lies over the list's own, where the wheel scrolls the list.
void TcxCustomInnerListBox::ScrollBarMouseWheel(TObject*, TShiftState Shift, int WheelDelta, TPoint MousePos,
                                                bool& Handled) {
  Handled = true;
  Perform(WM_MOUSEWHEEL, MAKEWPARAM(int(ShiftStateToKeys(Shift)), WheelDelta),
          MAKELPARAM(MousePos.x, MousePos.y));
}

void TcxCustomInnerListBox::HScrollHandler(TObject*, TScrollCode ScrollCode, int& ScrollPos) {
  if (!FHScrollBar || !FHScrollBar->HandleAllocated() || !HandleAllocated())
    return;
  PrepareThumbPosition(SB_HORZ, ScrollCode, ScrollPos);
  TMessage m{WM_HSCROLL, MAKEWPARAM(WORD(ScrollCode), WORD(ScrollPos)), LPARAM(FHScrollBar->Handle())};
  TListBox::DefaultHandler(m);
  ScrollPos = GetScrollPos(Handle(), SB_HORZ);
}

void TcxCustomInnerListBox::VScrollHandler(TObject*, TScrollCode ScrollCode, int& ScrollPos) {
  if (!FVScrollBar || !FVScrollBar->HandleAllocated() || !HandleAllocated())
    return;
  if (ScrollCode == scLineUp || ScrollCode == scLineDown) {
    SetTopIndex(ScrollPos);
    ScrollPos = TopIndex();
    return;
  }
  PrepareThumbPosition(SB_VERT, ScrollCode, ScrollPos);
  TMessage m{WM_VSCROLL, MAKEWPARAM(WORD(ScrollCode), WORD(ScrollPos)), LPARAM(FVScrollBar->Handle())};
  TListBox::DefaultHandler(m);
  ScrollPos = GetScrollPos(Handle(), SB_VERT);
}

void TcxCustomInnerListBox::WndProc(TMessage& Message) {
  if (FContainer && FContainer->HandleInnerControlKeyMessage(Message))
    return;
  const UINT msg = Message.Msg;
  const WPARAM wParam = Message.WParam;
  auto alive = AliveToken();
  switch (msg) {
  case WM_LBUTTONDOWN:
    WMLButtonDown(Message);
    break;
  case WM_SETFOCUS: {
    TListBox::WndProc(Message);
    const HWND from = reinterpret_cast<HWND>(wParam);
    if (*alive && FContainer && !IsDestroyingNow() && !FContainer->IsDestroying() &&
        !IsWindowOfControl(FContainer, from))
      FContainer->FocusChanged();
    break;
  }
  case WM_KILLFOCUS:
    TListBox::WndProc(Message);
    if (*alive && FContainer && !FContainer->IsDestroying())
      FContainer->FocusChanged();
    break;
  case WM_GETDLGCODE:
    TListBox::WndProc(Message);
    if (FContainer) {
      Message.Result |= DLGC_WANTCHARS;
      if (GetKeyState(VK_CONTROL) >= 0)
        Message.Result |= DLGC_WANTTAB;
    }
    break;
  case CM_MOUSELEAVE:
    TListBox::WndProc(Message);
    if (*alive && FContainer)
      FContainer->RefreshAtCursorPos(true);
    break;
  case WM_NCCALCSIZE:
    TListBox::WndProc(Message);
    if (*alive && !FScrollBarsCalculating)
      SyncScrollBars();
    break;
  case WM_NCPAINT:
    TListBox::WndProc(Message);
    if (*alive)
      PaintSizeGrip();
    break;
  default:
    TListBox::WndProc(Message);
    break;
  }
  if (!*alive)
    return;
  switch (msg) {
  case WM_SETREDRAW:
    // While redraw is off the bars are left alone; switching it back on brings them up to date once.
    FRedrawOff = wParam == FALSE;
    if (!FRedrawOff)
      SyncScrollBars();
    break;
  case WM_WINDOWPOSCHANGED:
    SyncScrollBars();
    PaintSizeGrip();
    break;
  case WM_HSCROLL:
  case WM_VSCROLL:
  case LB_ADDSTRING:
  case LB_INSERTSTRING:
  case LB_DELETESTRING:
  case LB_RESETCONTENT:
  case LB_SETCURSEL:
  case LB_SETHORIZONTALEXTENT:
  case LB_SETTOPINDEX:
  case LB_SETCARETINDEX:
  case WM_MOUSEWHEEL:
  case CM_WININICHANGE:
    if (!FRedrawOff)
      SyncScrollBars();
    break;
  default:
    break;
  }
}

void TcxCustomInnerListBox::WMLButtonDown(TMessage& Message) {
  if (!FContainer || FContainer->DragMode() != dmAutomatic || FContainer->IsDesigning()) {
    TListBox::WndProc(Message);
    return;
  }
  auto alive = AliveToken();
  const TDragMode saved = DragMode();
  SetDragMode(dmManual);
  TWMMouse mouse(Message);
  const TShiftState shift = GetShiftState();
  const int item = ItemAtPos(TPoint{mouse.XPos(), mouse.YPos()}, true);
  if (MultiSelect() && item >= 0 && Selected(item) && !(shift.Contains(ssShift) && !shift.Contains(ssCtrl))) {
    FContainer->BeginDrag(false, -1);
  } else {
    TListBox::WndProc(Message);
    if (*alive && (!MultiSelect() || (!shift.Contains(ssShift) && !shift.Contains(ssCtrl))))
      FContainer->BeginDrag(false, -1);
  }
  if (*alive)
    SetDragMode(saved);
}

// Each event goes to the list box's own handling and to the container's; a handler of either may free the
// container, and the list box with it.
void TcxCustomInnerListBox::Click() {
  auto alive = AliveToken();
  TListBox::Click();
  if (!*alive)
    return;
  if (FVScrollBar)
    FVScrollBar->SetPosition(std::clamp(TopIndex(), FVScrollBar->Min(), FVScrollBar->Max()));
  if (FContainer)
    FContainer->Click();
}

void TcxCustomInnerListBox::DblClick() {
  auto alive = AliveToken();
  TListBox::DblClick();
  if (*alive && FContainer)
    FContainer->DblClick();
}

bool TcxCustomInnerListBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  auto alive = AliveToken();
  if (FContainer && FContainer->DoMouseWheel(Shift, WheelDelta, MousePos))
    return true;
  return !*alive || TListBox::DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TcxCustomInnerListBox::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  if (FContainer)
    FContainer->DragOver(Source, X + Left(), Y + Top(), State, Accept);
}

void TcxCustomInnerListBox::DragDrop(TObject* Source, int X, int Y) {
  if (FContainer)
    FContainer->DragDrop(Source, X + Left(), Y + Top());
}

TPopupMenu* TcxCustomInnerListBox::GetPopupMenu() {
  return FContainer ? FContainer->GetPopupMenu() : TListBox::GetPopupMenu();
}

void TcxCustomInnerListBox::KeyDown(WORD& Key, TShiftState Shift) {
  auto alive = AliveToken();
  if (FContainer)
    FContainer->KeyDown(Key, Shift);
  if (*alive && Key != 0)
    TListBox::KeyDown(Key, Shift);
}

void TcxCustomInnerListBox::KeyPress(char& Key) {
  if (Key == '\t')
    Key = 0;
  auto alive = AliveToken();
  if (FContainer)
    FContainer->KeyPress(Key);
  if (!*alive)
    return;
  if (Key == '\r')
    Key = 0;
  if (Key != 0)
    TListBox::KeyPress(Key);
}

void TcxCustomInnerListBox::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB)
    Key = 0;
  auto alive = AliveToken();
  if (FContainer)
    FContainer->KeyUp(Key, Shift);
  if (*alive && Key != 0)
    TListBox::KeyUp(Key, Shift);
}

void TcxCustomInnerListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TListBox::MouseDown(Button, Shift, X, Y);
  if (!*alive || !FContainer)
    return;
  TcxContainer* container = FContainer;
  auto containerAlive = container->AliveToken();
  container->FInnerControlMouseDown = true;
  try {
    container->MouseDown(Button, Shift, X + Left(), Y + Top());
  } catch (...) {
    if (*containerAlive)
      container->FInnerControlMouseDown = false;
    throw;
  }
  if (*containerAlive)
    container->FInnerControlMouseDown = false;
}

void TcxCustomInnerListBox::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TListBox::MouseMove(Shift, X, Y);
  if (*alive && FContainer)
    FContainer->MouseMove(Shift, X + Left(), Y + Top());
}

void TcxCustomInnerListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TListBox::MouseUp(Button, Shift, X, Y);
  if (*alive && FContainer)
    FContainer->MouseUp(Button, Shift, X + Left(), Y + Top());
}
