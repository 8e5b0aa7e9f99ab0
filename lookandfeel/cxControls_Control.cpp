#include <algorithm>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxControls_Internal.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

// Nested UpdateScrollBars rounds before the computed visibility must have settled; content whose bars
// keep flipping would otherwise loop for ever.
constexpr int cxMaxScrollBarsRounds = 8;

TcxScrollBarData& DataOf(TcxControlScrollBar* ABar) {
  return ABar->Data();
}

} // namespace

TcxControlChildComponent::TcxControlChildComponent(TcxControl* AControl, bool AAssignOwner)
    : TcxComponent(AAssignOwner && AControl ? AControl->Owner() : nullptr), FControl(AControl) {}

TcxControlChildComponent::~TcxControlChildComponent() {
  if (FControl)
    FControl->RemoveChildComponent(this);
}

TcxControlScrollBar::TcxControlScrollBar(TComponent* AOwner) : TcxScrollBar(AOwner) {
  SetColor(clBtnFace);
  ControlStyle().Exclude(csFramed);
  ControlStyle().Include(csNoDesignVisible);
  SetTabStop(false);
  SetVisible(false);
}

void TcxControlScrollBar::ApplyData() {
  if (FData.Visible) {
    // The bar's own rules refuse a page beyond Max; a control may ask for that while it shows the bar
    // disabled, so the range is made one the bar accepts.
    const int max = std::max(FData.Max, FData.Min);
    const int page = std::clamp(FData.PageSize, 0, std::max(max, 0));
    SetSmallChange(TScrollBarInc(FData.SmallChange));
    SetLargeChange(TScrollBarInc(FData.LargeChange));
    SetParams(FData.Min, std::max(max, page), true, page, FData.Position);
  }
  SetEnabled(FData.Enabled);
  SetVisible(FData.Visible);
}

void TcxControlScrollBar::WndProc(TMessage& Message) {
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    // The control takes the focus first, as a click on its own client area would give it.
    auto alive = AliveToken();
    if (auto* control = dynamic_cast<TcxControl*>(Parent())) {
      if (control->CanFocusOnChildClick(this) && !control->IsFocused())
        control->SetFocus();
    } else if (Parent() && Parent()->CanFocus() && !Parent()->Focused()) {
      Parent()->SetFocus();
    }
    if (!*alive)
      return;
  }
  TcxScrollBar::WndProc(Message);
}

void TcxControlScrollBar::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  Message.Result = 1;
}

TcxSizeGrip::TcxSizeGrip(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(cxSizeGripColor);
  ControlStyle().Include(csNoDesignVisible);
}

void TcxSizeGrip::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

TcxDragAndDropObject::TcxDragAndDropObject(TcxControl* AControl) : FControl(AControl) {}

TcxCanvas* TcxDragAndDropObject::Canvas() const {
  return FControl->cxCanvas();
}

void TcxDragAndDropObject::SetDirty(bool Value) {
  if (Value == FDirty)
    return;
  FDirty = Value;
  DirtyChanged();
}

void TcxDragAndDropObject::DragAndDrop(const TPoint&, bool& Accepted) {
  SetDirty(false);
  Screen()->SetCursor(GetDragAndDropCursor(Accepted));
}

TCursor TcxDragControlObject::GetDragCursor(bool Accepted, int X, int Y) {
  if (Accepted && cxInternal::DragOverLibraryControl() && GetKeyState(VK_CONTROL) < 0)
    return crcxDragCopy;
  return TDragControlObject::GetDragCursor(Accepted, X, Y);
}

void TcxDragControlObject::Finished(TObject* Target, int X, int Y, bool Accepted) {
  TDragControlObject::Finished(Target, X, Y, Accepted);
  Free();
}

TcxControl::TcxControl(TComponent* AOwner) : TCustomControl(AOwner), FLookAndFeel(new TcxLookAndFeel(this)) {
  ControlStyle().Include(csCaptureMouse);
  FCanvas.reset(new TcxCanvas(Canvas()));
  FDefaultCursor = Cursor();
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxControl::LookAndFeelChanged);
  SetTabStop(true);
  ControlStyle().Include(csParentBackground);
}

TcxControl::~TcxControl() {
  cxInternal::DropMouseTrackingOf(this);
  if (FDragAndDropState != ddsNone)
    FinishDragAndDrop(false);
  FDragAndDropObject.reset();
  DestroyScrollBars();
  FFontListeners.clear();
  FDragImages.reset();
  FLookAndFeel->OnChanged = nullptr;
  ClearObjectLinks(this);
}

void TcxControl::InitializeControl() {
  if (FInitialized)
    return;
  FInitialized = true;
  SetTabStop(NeedsFocus());
  if (HasDragImages())
    ControlStyle().Include(csDisplayDragImage);
  if (HasScrollBars())
    CreateScrollBars();
}

void TcxControl::CreateHandle() {
  const bool first = !FInitialized;
  InitializeControl();
  auto alive = AliveToken();
  TCustomControl::CreateHandle();
  if (*alive && first && FHScrollBar)
    UpdateScrollBars();
}

void TcxControl::CreateScrollBars() {
  if (FHScrollBar)
    return;
  const TSize size = TcxScrollBar::GetScrollBarSize();
  auto makeBar = [&](TScrollBarKind AKind) {
    auto* bar = new TcxControlScrollBar(this);
    bar->SetKind(AKind);
    if (AKind == sbHorizontal)
      bar->SetHeight(size.cy);
    else
      bar->SetWidth(size.cx);
    bar->LookAndFeel()->SetMasterLookAndFeel(FLookAndFeel.get());
    bar->OnScroll = TScrollEvent(this, &TcxControl::ScrollBarScroll);
    return bar;
  };
  FHScrollBar = makeBar(sbHorizontal);
  FVScrollBar = makeBar(sbVertical);
  FSizeGrip = new TcxSizeGrip(this);
  FSizeGrip->SetVisible(false);
  FSizeGrip->SetBounds(0, 0, size.cx, size.cy);
  SetScrollBarsParent(this);
  cxSettingsController()->AddListener(this);
}

void TcxControl::DestroyScrollBars() {
  if (!FHScrollBar)
    return;
  cxInternal::RemoveSettingsListener(this);
  FHScrollBar->Free();
  FVScrollBar->Free();
  FSizeGrip->Free();
  FHScrollBar = FVScrollBar = nullptr;
  FSizeGrip = nullptr;
}

void TcxControl::SetScrollBarsParent(TWinControl* Value) {
  if (!FHScrollBar)
    return;
  FHScrollBar->SetParent(Value);
  FVScrollBar->SetParent(Value);
  FSizeGrip->SetParent(Value);
}

void TcxControl::ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos) {
  Scroll(static_cast<TcxScrollBar*>(Sender)->Kind(), ScrollCode, ScrollPos);
}

void TcxControl::SetBorderStyle(int Value) {
  if (Value == FBorderStyle)
    return;
  FBorderStyle = Value;
  BoundsChanged();
  Invalidate();
}

void TcxControl::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars)
    return;
  FScrollBars = Value;
  UpdateScrollBars();
}

bool TcxControl::IsHScrollBarVisible() const {
  if (!FHScrollBar)
    return false;
  return FCalculatingScrollBarsParams ? FHScrollBar->Data().Visible : FHScrollBar->Visible();
}

bool TcxControl::IsVScrollBarVisible() const {
  if (!FVScrollBar)
    return false;
  return FCalculatingScrollBarsParams ? FVScrollBar->Data().Visible : FVScrollBar->Visible();
}

void TcxControl::SetStoredBounds(const TRect& Value) {
  FStoredBounds = Value;
  BoundsChanged();
}

TRect TcxControl::GetBounds() {
  if (!IsRectEmpty(&FStoredBounds))
    return FStoredBounds;
  if (HandleAllocated())
    return ClientRect();
  return TRect{0, 0, Width(), Height()};
}

int TcxControl::GetBorderSize() {
  return FBorderStyle == 0 ? 0 : GetPainter()->BorderSize();
}

TRect TcxControl::GetClientBounds() {
  TRect r = GetBounds();
  const int border = GetBorderSize();
  InflateRect(&r, -border, -border);
  if (IsHScrollBarVisible())
    r.bottom -= FHScrollBar->Height();
  if (IsVScrollBarVisible())
    r.right -= FVScrollBar->Width();
  return r;
}

TRect TcxControl::GetHScrollBarBounds() {
  const TRect r = GetClientBounds();
  return TRect{r.left, r.bottom, r.right, r.bottom + FHScrollBar->Height()};
}

TRect TcxControl::GetVScrollBarBounds() {
  const TRect r = GetClientBounds();
  return TRect{r.right, r.top, r.right + FVScrollBar->Width(), r.bottom};
}

TRect TcxControl::GetSizeGripBounds() {
  const TRect r = GetClientBounds();
  return TRect{r.right, r.bottom, r.right + FVScrollBar->Width(), r.bottom + FHScrollBar->Height()};
}

void TcxControl::SetScrollBarInfo(TScrollBarKind AScrollBarKind, int AMin, int AMax, int AStep, int APage,
                                  int APos, bool AAllowShow, bool AAllowHide) {
  if (!FHScrollBar)
    return;
  TcxScrollBarData& data = DataOf(AScrollBarKind == sbHorizontal ? FHScrollBar : FVScrollBar);
  data.Min = AMin;
  data.Max = AMax;
  data.SmallChange = AStep;
  data.LargeChange = APage;
  data.PageSize = APage;
  data.Position = APos;
  const bool allowed = FScrollBars == ssBoth || (AScrollBarKind == sbHorizontal ? FScrollBars == ssHorizontal
                                                                                : FScrollBars == ssVertical);
  if (allowed && AAllowShow && AMax - AMin + 1 > APage) {
    data.Visible = true;
    data.Enabled = true;
  } else if (AAllowHide) {
    data.Visible = false;
  } else {
    data.Visible = true;
    data.Enabled = false;
  }
}

void TcxControl::CalculateScrollBarsData() {
  TcxScrollBarData& h = DataOf(FHScrollBar);
  TcxScrollBarData& v = DataOf(FVScrollBar);
  const bool wasCalculating = FCalculatingScrollBarsParams;
  FCalculatingScrollBarsParams = true;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{FCalculatingScrollBarsParams, wasCalculating};
  h.Visible = v.Visible = false;
  for (int round = 0; round < cxMaxScrollBarsRounds; ++round) {
    const bool hBefore = h.Visible, vBefore = v.Visible;
    InitScrollBarsParameters();
    if (h.Visible == hBefore && v.Visible == vBefore)
      break;
  }
  if (h.Visible && v.Visible) {
    // A pixel-scrolled bar that the other bar alone made necessary goes again.
    if (IsPixelScrollBar(sbHorizontal) && h.PageSize + FVScrollBar->Width() >= h.Max - h.Min + 1)
      h.Visible = false;
    else if (IsPixelScrollBar(sbVertical) && v.PageSize + FHScrollBar->Height() >= v.Max - v.Min + 1)
      v.Visible = false;
  }
}

void TcxControl::UpdateScrollBars() {
  if (!HasScrollBars() || !FHScrollBar)
    return;
  const bool outermost = !FUpdatingScrollBars;
  if (outermost) {
    FInitialHScrollBarVisible = IsHScrollBarVisible();
    FInitialVScrollBarVisible = IsVScrollBarVisible();
  }
  struct Restore {
    TcxControl* self;
    bool running;
    bool outermost;
    ~Restore() {
      self->FUpdatingScrollBars = running;
      if (outermost)
        self->FScrollBarsOscillating = false;
    }
  } restore{this, FUpdatingScrollBars, outermost};
  FUpdatingScrollBars = true;
  const bool hBefore = IsHScrollBarVisible(), vBefore = IsVScrollBarVisible();
  auto alive = AliveToken();

  if (!FScrollBarsOscillating) {
    CalculateScrollBarsData();
    const TcxScrollBarData& h = FHScrollBar->Data();
    const TcxScrollBarData& v = FVScrollBar->Data();
    if (!outermost && h.Visible == FInitialHScrollBarVisible && v.Visible == FInitialVScrollBarVisible) {
      // The bars flip back to where they started: show the ones that differ, disabled, and stop here.
      if (FHScrollBar->Visible() != FInitialHScrollBarVisible) {
        FHScrollBar->SetEnabled(false);
        FHScrollBar->SetVisible(true);
      }
      if (FVScrollBar->Visible() != FInitialVScrollBarVisible) {
        FVScrollBar->SetEnabled(false);
        FVScrollBar->SetVisible(true);
      }
      FScrollBarsOscillating = true;
    } else {
      FHScrollBar->ApplyData();
      FVScrollBar->ApplyData();
    }
  }
  if (!*alive)
    return;
  if (IsHScrollBarVisible() == hBefore && IsVScrollBarVisible() == vBefore) {
    FSizeGrip->SetVisible(IsHScrollBarVisible() && IsVScrollBarVisible());
    SetScrollBarsBounds();
    if (NeedsScrollBarsOnTop())
      BringScrollBarsToFront();
  } else {
    BoundsChanged();
  }
}

void TcxControl::SetScrollBarsBounds() {
  if (IsHScrollBarVisible())
    FHScrollBar->SetBoundsRect(GetHScrollBarBounds());
  if (IsVScrollBarVisible())
    FVScrollBar->SetBoundsRect(GetVScrollBarBounds());
  if (FSizeGrip->Visible())
    FSizeGrip->SetBoundsRect(GetSizeGripBounds());
}

void TcxControl::BringScrollBarsToFront() {
  FHScrollBar->BringToFront();
  FVScrollBar->BringToFront();
  FSizeGrip->BringToFront();
}

void TcxControl::ScrollContent(TcxDirection ADirection) {
  if (!HasScrollBars() || !FHScrollBar || ADirection == dirNone)
    return;
  const TScrollBarKind kind = ADirection == dirLeft || ADirection == dirRight ? sbHorizontal : sbVertical;
  const TScrollCode code = ADirection == dirLeft || ADirection == dirUp ? scLineUp : scLineDown;
  int pos = (kind == sbHorizontal ? FHScrollBar : FVScrollBar)->Position();
  Scroll(kind, code, pos);
}

void TcxControl::InvalidateRect(const TRect& R, bool EraseBackground) {
  if (HandleAllocated())
    ::InvalidateRect(Handle(), &R, EraseBackground);
}

void TcxControl::BoundsChanged() {
  UpdateScrollBars();
}

void TcxControl::Resize() {
  auto alive = AliveToken();
  TCustomControl::Resize();
  if (*alive)
    BoundsChanged();
}

void TcxControl::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
  // The painter's border may have another width.
  if (FBorderStyle != 0)
    BoundsChanged();
  Invalidate();
}

void TcxControl::CMNCSizeChanged(TMessageView&) {
  if (!FHScrollBar)
    return;
  const TSize size = TcxScrollBar::GetScrollBarSize();
  if (FHScrollBar->Height() == size.cy && FVScrollBar->Width() == size.cx)
    return;
  FHScrollBar->SetHeight(size.cy);
  FVScrollBar->SetWidth(size.cx);
  BoundsChanged();
}

void TcxControl::Paint() {
  if (FBorderStyle != 0) {
    const TRect bounds = GetBounds();
    GetPainter()->DrawBorder(FCanvas.get(), bounds);
    TRect inner = bounds;
    const int border = GetBorderSize();
    InflateRect(&inner, -border, -border);
    FCanvas->IntersectClipRect(inner);
  }
  TCustomControl::Paint();
}

void TcxControl::WMPaint(TWMPaint& Message) {
  const bool hideImage = cxInternal::DragOverLibraryControl() && CurrentDragImages();
  if (hideImage)
    HideDragImage();
  if (ParentBackground() != FLastParentBackground) {
    FLastParentBackground = ParentBackground();
    ParentBackgroundChanged();
  }
  TCustomControl::WMPaint(Message);
  if (hideImage)
    ShowDragImage();
}

void TcxControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (NeedsEraseBackground())
    TCustomControl::WMEraseBkgnd(Message);
  else
    Message.Result = 1;
}

void TcxControl::FontChanged() {
  const std::vector<IcxFontListener*> listeners = FFontListeners;
  for (IcxFontListener* listener : listeners)
    listener->Changed(this, Font());
  Invalidate();
}

void TcxControl::AddFontListener(IcxFontListener* AListener) {
  if (std::find(FFontListeners.begin(), FFontListeners.end(), AListener) == FFontListeners.end())
    FFontListeners.push_back(AListener);
}

void TcxControl::RemoveFontListener(IcxFontListener* AListener) {
  std::erase(FFontListeners, AListener);
}

void TcxControl::AddChildComponent(TcxControlChildComponent* AComponent) {
  AComponent->SetControl(this);
}

void TcxControl::RemoveChildComponent(TcxControlChildComponent* AComponent) {
  AComponent->SetControl(nullptr);
}

void TcxControl::SetPopupMenu(TComponent* Value) {
  if (Value == FPopupMenu)
    return;
  if (FPopupMenu)
    FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu)
    FPopupMenu->FreeNotification(this);
}

void TcxControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu)
    FPopupMenu = nullptr;
}

bool TcxControl::CanFocusOnClick() {
  return !IsDesigning() && FFocusOnClick && NeedsFocus() && CanFocus();
}

bool TcxControl::CanFocusEx() {
  if (!CanFocus())
    return false;
  TCustomForm* form = GetParentForm();
  return !form || form == static_cast<TControl*>(this) ||
         (form->CanFocus() && form->Enabled() && form->Visible());
}

TCursor TcxControl::GetCursor(int, int) {
  return FDefaultCursor;
}

TcxMouseWheelScrollingKind TcxControl::GetMouseWheelScrollingKind() {
  return IsVScrollBarVisible() ? mwskVertical : mwskNone;
}

bool TcxControl::IsClickAllowed(int X, int Y) {
  return DragMode() == dmManual || IsMouseInPressedArea(X, Y);
}

bool TcxControl::IsMouseInPressedArea(int X, int Y) const {
  return IsPointInDragThreshold(FMouseDownPos, X, Y);
}

bool TcxControl::CanDrag(int, int) {
  return FDragAndDropState == ddsNone;
}

bool TcxControl::GetDesignHitTest(int, int, TShiftState) {
  return FDragAndDropState != ddsNone || FMousePressed;
}

void TcxControl::CursorChanged() {
  if (!FSettingCursor)
    FDefaultCursor = Cursor();
}

void TcxControl::FocusChanged() {
  if (OnFocusChanged)
    OnFocusChanged(this);
}

void TcxControl::MouseEnter(TControl*) {
  if (OnMouseEnter)
    OnMouseEnter(this);
}

void TcxControl::MouseLeave(TControl*) {
  if (OnMouseLeave)
    OnMouseLeave(this);
}

void TcxControl::CancelMouseOperations() {
  FMousePressed = false;
  SetMouseCaptureObject(nullptr);
}

void TcxControl::EndMouseOperations() {
  FinishDragAndDrop(true);
  SetMouseCaptureObject(nullptr);
}

void TcxControl::SetMouseCaptureObject(TObject* Value) {
  if (Value == FMouseCaptureObject)
    return;
  TObject* previous = FMouseCaptureObject;
  FMouseCaptureObject = Value;
  if (auto* owner = dynamic_cast<IcxMouseCaptureOwner*>(previous))
    owner->MouseCaptureLost();
  SetMouseCapture(Value != nullptr);
  if (!Value && FDragAndDropState == ddsStarting)
    Perform(WM_CANCELMODE);
}

TcxDragAndDropObjectClass TcxControl::GetDragAndDropObjectClass() {
  return FDragAndDropObjectClass ? FDragAndDropObjectClass : ClassOf<TcxDragAndDropObject>();
}

TcxDragAndDropObject* TcxControl::DragAndDropObject() {
  if (!FDragAndDropObject)
    FDragAndDropObject.reset(NewInstance<TcxDragAndDropObject>(GetDragAndDropObjectClass(), this));
  return FDragAndDropObject.get();
}

void TcxControl::SetDragAndDropState(TcxDragAndDropState Value) {
  if (Value == FDragAndDropState)
    return;
  FDragAndDropState = Value;
  if (Value == ddsNone && !FFinishingDragAndDrop)
    CancelMouseOperations();
}

void TcxControl::BeginDragAndDrop() {
  TcxDragAndDropObject* object = DragAndDropObject();
  TPoint p{};
  GetCursorPos(&p);
  p = ScreenToClient(p);
  object->FCurMousePos = object->FPrevMousePos = p;
  object->BeginDragAndDrop();
  SetMouseCapture(true);
  FDragAndDropPrevCursor = Screen()->Cursor();
  FDragAndDropState = ddsInProcess;
}

void TcxControl::DragAndDrop(const TPoint& P, bool& Accepted) {
  TcxDragAndDropObject* object = DragAndDropObject();
  object->FPrevMousePos = object->FCurMousePos;
  object->FCurMousePos = P;
  object->DragAndDrop(P, Accepted);
}

void TcxControl::EndDragAndDrop(bool Accepted) {
  Screen()->SetCursor(FDragAndDropPrevCursor);
  SetMouseCapture(false);
  FMouseCaptureObject = nullptr;
  TcxDragAndDropObject* object = DragAndDropObject();
  object->EndDragAndDrop(Accepted);
  object->AfterDragAndDrop();
}

void TcxControl::FinishDragAndDrop(bool Accepted) {
  if (FFinishingDragAndDrop)
    return;
  FFinishingDragAndDrop = true;
  struct Restore {
    bool& flag;
    ~Restore() { flag = false; }
  } restore{FFinishingDragAndDrop};
  if (FDragAndDropState == ddsInProcess)
    EndDragAndDrop(Accepted);
  FDragAndDropState = ddsNone;
  FDragAndDropObject.reset();
}

void TcxControl::StartDragOrPanning(TMouseButton AButton, const TPoint& P) {
  if (AButton == mbLeft && DragMode() == dmAutomatic && CanDrag(P.x, P.y) &&
      (!IsDesigning() || AllowAutoDragAtDesignTime())) {
    auto alive = AliveToken();
    if (DragDetect(Handle()) != ddDrag || !*alive)
      return;
    FDragRefused = false;
    BeginDrag(true);
    if (*alive && FDragRefused)
      CancelDrag();
  } else if (AButton == mbMiddle) {
    StartPanning(this, P);
  }
}

void TcxControl::WndProc(TMessage& Message) {
  auto alive = AliveToken();
  const UINT msg = Message.Msg;
  const bool leftDown = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
  TWMMouse mouse(Message);
  if (leftDown && ((IsDesigning() && GetDesignHitTest(mouse.XPos(), mouse.YPos(), {ssLeft})) ||
                   DragMode() == dmAutomatic)) {
    // The press reaches the control itself, not the platform's automatic drag: the control detects the
    // drag first and starts it only when the mouse really moves.
    if (!IsControlMouseMsg(mouse)) {
      ControlState().Include(csLButtonDown);
      Dispatch(Message);
    }
  } else {
    TCustomControl::WndProc(Message);
  }
  if (!*alive)
    return;
  switch (msg) {
  case WM_SETFOCUS:
  case WM_KILLFOCUS:
    FocusChanged();
    break;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDOWN:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDOWN:
  case WM_MBUTTONDBLCLK: {
    const TMouseButton button = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK   ? mbLeft
                                : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK ? mbRight
                                                                                   : mbMiddle;
    TPoint p{mouse.XPos(), mouse.YPos()};
    // Message positions are 16-bit: a control larger than that reads the cursor instead.
    if (Width() > 32768 || Height() > 32768) {
      GetCursorPos(&p);
      p = ScreenToClient(p);
    }
    StartDragOrPanning(button, p);
    break;
  }
  default:
    break;
  }
}

void TcxControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case CXM_NCSIZECHANGED: {
    TMessageView m(Message);
    CMNCSizeChanged(m);
    break;
  }
  case WM_NCCALCSIZE:
    TCustomControl::Dispatch(Message);
    if (HandleAllocated())
      PostMessage(Handle(), CXM_NCSIZECHANGED, 0, 0);
    break;
  default:
    TCustomControl::Dispatch(Message);
    break;
  }
}

void TcxControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  FMouseDownPos = TPoint{X, Y};
  if (!Shift.Contains(ssDouble) && CanFocusOnClick()) {
    // A handler raised as the press reached the control (an inner platform control takes the focus first)
    // may have hidden the form or moved the control onto one that is hidden: such a form takes no focus.
    if (!IsFocused() && CanFocusEx())
      SetFocus();
    if (!*alive)
      return;
    if (!IsFocused() && !AllowCaptureWhenUnfocused())
      SetMouseCapture(false);
  }
  if (Button == mbLeft && StartDragAndDrop(FMouseDownPos))
    SetDragAndDropState(ddsStarting);
  BeforeMouseDown(Button, Shift, X, Y);
  if (!*alive)
    return;
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive)
    return;
  FMousePressed = MouseCapture();
}

void TcxControl::MouseMove(TShiftState Shift, int X, int Y) {
  {
    FSettingCursor = true;
    struct Restore {
      bool& flag;
      ~Restore() { flag = false; }
    } restore{FSettingCursor};
    const TCursor cursor = GetCursor(X, Y);
    if (cursor != Cursor())
      SetCursor(cursor);
  }
  if (FDragAndDropState == ddsStarting && !IsMouseInPressedArea(X, Y))
    BeginDragAndDrop();
  if (FDragAndDropState == ddsInProcess) {
    bool accepted = false;
    DragAndDrop(TPoint{X, Y}, accepted);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TcxControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FMousePressed = false;
  auto alive = AliveToken();
  EndMouseOperations();
  if (!*alive)
    return;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TcxControl::WMCancelMode(TMessageView& Message) {
  FinishDragAndDrop(false);
  CancelMouseOperations();
  TCustomControl::WMCancelMode(Message);
}

bool TcxControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  auto alive = AliveToken();
  // A handler that freed the control has dealt with the wheel.
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos) || !*alive)
    return true;
  const TcxMouseWheelScrollingKind kind = GetMouseWheelScrollingKind();
  if (kind == mwskNone)
    return false;
  const TcxDirection direction =
      kind == mwskVertical ? (WheelDelta > 0 ? dirUp : dirDown) : (WheelDelta > 0 ? dirLeft : dirRight);
  for (int i = 0; i < Mouse()->WheelScrollLines() && *alive; ++i)
    ScrollContent(direction);
  return true;
}

void TcxControl::WMGetDlgCode(TWMGetDlgCode& Message) {
  LRESULT code = 0;
  if (FKeys.Contains(kAll))
    code += DLGC_WANTALLKEYS;
  if (FKeys.Contains(kArrows))
    code += DLGC_WANTARROWS;
  if (FKeys.Contains(kChars))
    code += DLGC_WANTCHARS;
  if (FKeys.Contains(kTab) && GetKeyState(VK_CONTROL) >= 0)
    code += DLGC_WANTTAB;
  Message.Result = code;
}

bool TcxControl::IsPopupMenuShortCutOfChain(TWMKey& Message) {
  for (TControl* c = this; c; c = c->Parent())
    if (auto* control = dynamic_cast<TcxControl*>(c); control && control->FPopupMenu)
      if (IsPopupMenuShortCut(control->FPopupMenu, Message))
        return true;
  return false;
}

void TcxControl::WMKeyDown(TWMKey& Message) {
  if (IsPopupMenuShortCutOfChain(Message)) {
    Message.Result = 1;
    return;
  }
  if (Message.CharCode() == VK_ESCAPE && FDragAndDropState != ddsNone) {
    FinishDragAndDrop(false);
    return;
  }
  TCustomControl::WMKeyDown(Message);
}

void TcxControl::WMSysKeyDown(TWMKey& Message) {
  if (IsPopupMenuShortCutOfChain(Message)) {
    Message.Result = 1;
    return;
  }
  TCustomControl::WMSysKeyDown(Message);
}

bool TcxControl::DoShowPopupMenu(TComponent* AMenu, int X, int Y) {
  return ShowPopupMenu(this, AMenu, X, Y);
}

void TcxControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0)
    return;
  if (IsDesigning()) {
    TCustomControl::WMContextMenu(Message);
    return;
  }
  const TPoint screen = Message.Pos();
  const bool keyboard = screen.x == -1 && screen.y == -1;
  const TPoint client = keyboard ? screen : ScreenToClient(screen);
  const TRect r = ClientRect();
  if (!keyboard && !PtInRect(&r, client)) {
    TCustomControl::WMContextMenu(Message);
    return;
  }
  auto alive = AliveToken();
  bool handled = false;
  DoContextPopup(client, handled);
  if (!*alive)
    return;
  if (handled) {
    Message.Result = 1;
    return;
  }
  const TPoint at = keyboard ? ClientToScreen(TPoint{0, 0}) : screen;
  if (DoShowPopupMenu(FPopupMenu, at.x, at.y))
    Message.Result = 1;
}

void TcxControl::WMSetCursor(TWMSetCursor& Message) {
  if (IsDesigning() && FDragAndDropState == ddsNone) {
    TPoint p{};
    GetCursorPos(&p);
    p = ScreenToClient(p);
    if (GetDesignHitTest(p.x, p.y, GetShiftState())) {
      ::SetCursor(Screen()->Cursors(GetCursor(p.x, p.y)));
      Message.Result = 1;
      return;
    }
  }
  TCustomControl::WMSetCursor(Message);
}

void TcxControl::CMColorChanged(TMessageView& Message) {
  TCustomControl::CMColorChanged(Message);
  ColorChanged();
}

void TcxControl::CMCursorChanged(TMessageView& Message) {
  TCustomControl::CMCursorChanged(Message);
  CursorChanged();
}

void TcxControl::CMFontChanged(TMessageView& Message) {
  TCustomControl::CMFontChanged(Message);
  FontChanged();
}

void TcxControl::CMTextChanged(TMessageView& Message) {
  TCustomControl::CMTextChanged(Message);
  TextChanged();
}

// Hiding the control closes a popup it owns, whose handlers may free it.
void TcxControl::CMVisibleChanged(TMessageView& Message) {
  auto alive = AliveToken();
  TCustomControl::CMVisibleChanged(Message);
  if (*alive)
    VisibleChanged();
}

// The control raises its own enter and leave events, once, with itself as the sender; the parent hears
// first, and its handler may free this control.
void TcxControl::CMMouseEnter(TCMMouseEnter& Message) {
  auto alive = AliveToken();
  if (Parent())
    Parent()->Perform(CM_MOUSEENTER, 0, Message.LParam ? Message.LParam : LPARAM(this));
  if (*alive)
    MouseEnter(Message.LParam ? reinterpret_cast<TControl*>(Message.LParam) : this);
}

void TcxControl::CMMouseLeave(TCMMouseLeave& Message) {
  auto alive = AliveToken();
  if (Parent())
    Parent()->Perform(CM_MOUSELEAVE, 0, Message.LParam ? Message.LParam : LPARAM(this));
  if (*alive)
    MouseLeave(Message.LParam ? reinterpret_cast<TControl*>(Message.LParam) : this);
}

// The start and end handlers may free the control.
void TcxControl::DoStartDrag(TDragObject*& DragObject) {
  auto alive = AliveToken();
  TCustomControl::DoStartDrag(DragObject);
  if (!*alive)
    return;
  if (!DragObject)
    DragObject = NewInstance<TDragControlObject>(GetDragObjectClass(), static_cast<TControl*>(this));
  if (!StartDrag(DragObject)) {
    DragObject->Free();
    DragObject = nullptr;
    FDragRefused = true;
  }
}

void TcxControl::DoEndDrag(TObject* Target, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::DoEndDrag(Target, X, Y);
  if (*alive)
    FDragImages.reset();
}

void TcxControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  cxInternal::SetDragOverLibraryControl(State == dsDragLeave ? nullptr : dynamic_cast<TDragObject*>(Source));
  TCustomControl::DragOver(Source, X, Y, State, Accept);
}

TDragImageList* TcxControl::GetDragImages() {
  if (!HasDragImages())
    return nullptr;
  if (!FDragImages) {
    FDragImages.reset(NewInstance<TcxDragImageList>(GetDragImagesClass()));
    InitDragImages(FDragImages.get());
  }
  return FDragImages.get();
}

void TcxControl::InitDragImages(TcxDragImageList* ADragImages) {
  const TPoint size = GetDragImagesSize();
  if (size.x <= 0 || size.y <= 0)
    return;
  ADragImages->SetSize(size.x, size.y);
  TBitmap bitmap;
  bitmap.SetSize(size.x, size.y);
  TcxCanvas canvas(bitmap.Canvas());
  DrawDragImage(&canvas, TRect{0, 0, size.x, size.y});
  ADragImages->Add(&bitmap, nullptr);
  ADragImages->SetDragImage(0, FMouseDownPos.x, FMouseDownPos.y);
}
