#include <algorithm>

#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxContainer_Internal.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

// The tracker hands the container's leave callback to the shared mouse-leave service.
class TcxContainerMouseTracker : public IcxMouseTrackingCaller {
public:
  explicit TcxContainerMouseTracker(TcxContainer* AContainer) : FContainer(AContainer) {}
  void MouseLeave() override { FContainer->MouseTrackingMouseLeave(); }

private:
  TcxContainer* FContainer; // borrowed: the container owns the tracker
};

bool cxFontsEqual(TFont* A, TFont* B) {
  return A->Name() == B->Name() && A->Height() == B->Height() && A->Style() == B->Style() &&
         A->Color() == B->Color() && A->Charset() == B->Charset() && A->Pitch() == B->Pitch();
}

TcxContainer::TcxContainer(TComponent* AOwner) : TcxControl(AOwner) {
  FMouseTrackingCaller = std::make_unique<TcxContainerMouseTracker>(this);
  ControlStyle().Include(csCaptureMouse).Include(csSetCaption);
  SetTabStop(true);
  InitializeContainer();
}

void TcxContainer::InitializeContainer() {
  FIsCreating = true;
  FActiveStyle = nullptr;
  if (FStyles)
    FStyles->SetOnChanged({});
  FStyles.reset(
      NewInstance<TcxContainerStyles>(GetStylesClass(), static_cast<TPersistent*>(this), GetStyleClass()));
  FStyles->SetOnChanged(TNotifyEvent(this, &TcxContainer::ContainerStyleChanged));
  FActiveStyleState = {csNormal};
  FActiveStyle = Style();
  FViewInfo.reset(NewInstance<TcxContainerViewInfo>(GetViewInfoClass()));
  LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  FInternalSetting = true;
  SetParentColor(DefaultParentColor() && !IsInplace() && !Style()->IsValueAssigned(csvColor));
  if (!ParentColor())
    SetColor(clWindow);
  FInternalSetting = false;
  ResetInnerControlRegion();
  FIsCreating = false;
}

void TcxContainer::BeforeDestruction() {
  EndMouseTracking(FMouseTrackingCaller.get());
  FIsDestroying = true;
  ReleaseInnerControl();
  TcxControl::BeforeDestruction();
}

TcxContainer::~TcxContainer() {
  EndMouseTracking(FMouseTrackingCaller.get());
  FIsDestroying = true;
  ReleaseInnerControl();
  // The window goes before the view info, so that no message that arrives while it is destroyed (cursor
  // queries, painting) can reach a view info that is already gone.
  if (HandleAllocated())
    DestroyHandle();
  FViewInfo.reset();
  FStyles->SetOnChanged({});
  FActiveStyle = nullptr;
  FStyles.reset();
}

void TcxContainer::Notification(TComponent* AComponent, TOperation Operation) {
  TcxControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FInnerControl)
    FInnerControl = nullptr;
}

void TcxContainer::Loaded() {
  TcxControl::Loaded();
  ContainerStyleChanged(Style());
}

bool TcxContainer::IsDestroying() const {
  return FIsDestroying || ComponentState().Contains(csDestroying);
}

TcxContainerStyle* TcxContainer::GetActiveStyle() {
  if (!FViewInfo || !FActiveStyle)
    return Style();
  if (FViewInfo->ContainerState != FActiveStyleState) {
    FActiveStyleState = FViewInfo->ContainerState;
    FActiveStyle = InternalGetActiveStyle();
  }
  return FActiveStyle;
}

TcxContainerStyle* TcxContainer::InternalGetActiveStyle() {
  const TcxContainerStateFlags state = FViewInfo->ContainerState;
  if (state.Contains(csDisabled))
    return StyleDisabled();
  if (state.Contains(csFocused))
    return StyleFocused();
  if (state.Contains(csHot))
    return StyleHot();
  return Style();
}

// The inner control is an owned component, freed only after the control base's destructors: messages it gets
// meanwhile (the window going, a drag that ends) must not reach this container.
void TcxContainer::ReleaseInnerControl() {
  if (auto* inner = dynamic_cast<IcxContainerInnerControl*>(FInnerControl))
    inner->ForgetContainer();
}

void TcxContainer::SetInnerControl(TWinControl* Value) {
  FInnerControl = Value;
  ResetInnerControlRegion();
}

namespace {
// What a refresh compares to tell whether anything visible changed.
struct ViewInfoSnapshot {
  TcxContainerStateFlags state;
  TcxContainerBorderStyle borderStyle;
  TColor borderColor, background;
  TRect bounds, client;
  TcxBorders edges;
  bool shadow, native;
  int themeState;
  explicit ViewInfoSnapshot(const TcxContainerViewInfo& v)
      : state(v.ContainerState), borderStyle(v.BorderStyle), borderColor(v.BorderColor),
        background(v.BackgroundColor), bounds(v.Bounds), client(v.ClientRect), edges(v.Edges),
        shadow(v.Shadow), native(v.NativeStyle), themeState(v.ThemeState) {}
  bool operator==(const ViewInfoSnapshot& o) const {
    return state == o.state && borderStyle == o.borderStyle && borderColor == o.borderColor &&
           background == o.background && EqualRect(&bounds, &o.bounds) && EqualRect(&client, &o.client) &&
           edges == o.edges && shadow == o.shadow && native == o.native && themeState == o.themeState;
  }
};
} // namespace

bool TcxContainer::RefreshContainer(const TPoint& P, TcxContainerMouseButton, TShiftState Shift,
                                    bool AIsMouseEvent) {
  if (FInnerControlBoundsSetting || IsDestroying() || !FViewInfo)
    return true;
  const ViewInfoSnapshot before(*FViewInfo);
  CalculateViewInfo(P, Shift.Empty() && GetActiveStyle()->HotTrack());
  // Moving and reshaping windows reaches the message hooks, whose handlers may free this.
  auto alive = AliveToken();
  AdjustInnerControlBounds();
  if (*alive)
    AdjustInnerControl();
  if (*alive)
    UpdateShadowRegion();
  if (!*alive)
    return true;
  // A mouse event that changes nothing visible repaints nothing; every other refresh repaints the border.
  if (!(AIsMouseEvent && before == ViewInfoSnapshot(*FViewInfo)))
    InvalidateChangedBand();
  if (FViewInfo->ContainerState.Contains(csHot))
    BeginMouseTracking(this, GetVisibleBounds(), FMouseTrackingCaller.get());
  return true;
}

void TcxContainer::InvalidateChangedBand() {
  if (!HandleAllocated())
    return;
  ++FRefreshCounters.Invalidations;
  const TRect whole = GetControlRect(this);
  if (FInnerControl)
    InvalidateFrame(Handle(), whole, FViewInfo->ClientRect, false);
  else
    ::InvalidateRect(Handle(), &whole, TRUE);
}

void TcxContainer::RefreshAtCursorPos(bool AIsMouseEvent) {
  if (!HandleAllocated() || IsDestroying() || FRefreshing)
    return;
  // Refreshing may change an editor's state (a check box toggles as the button is released over it), and the
  // change handler may free the control.
  auto alive = AliveToken();
  FRefreshing = true;
  try {
    RefreshContainer(ScreenToClient(GetMouseCursorPos()), cxmbNone, GetCurrentShiftState(), AIsMouseEvent);
  } catch (...) {
    if (*alive)
      FRefreshing = false;
    throw;
  }
  if (*alive)
    FRefreshing = false;
}

void TcxContainer::AdjustInnerControlBounds() {
  if (!FInnerControl)
    return;
  const TRect r = FViewInfo->InnerControlRect;
  const TRect current{FInnerControl->Left(), FInnerControl->Top(),
                      FInnerControl->Left() + FInnerControl->Width(),
                      FInnerControl->Top() + FInnerControl->Height()};
  if (EqualRect(&r, &current))
    return;
  FInnerControlBoundsSetting = true;
  try {
    FInnerControl->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  } catch (...) {
    FInnerControlBoundsSetting = false;
    throw;
  }
  FInnerControlBoundsSetting = false;
}

void TcxContainer::AdjustInnerControl() {
  if (!FInnerControl)
    return;
  if (FInnerControl->Color() != FViewInfo->BackgroundColor)
    FInnerControl->SetColor(FViewInfo->BackgroundColor);
  // Assigning a font always tells its users; an equal font would repaint the inner control for nothing.
  TFont* font = GetActiveStyle()->GetVisibleFont();
  if (!cxFontsEqual(FInnerControl->Font(), font))
    FInnerControl->Font()->Assign(font);
}

void TcxContainer::SetInnerControlBoundsChanging(bool AValue) {
  if (AValue)
    ++FInnerControlBoundsChangingCount;
  else if (FInnerControlBoundsChangingCount > 0)
    --FInnerControlBoundsChangingCount;
}

bool TcxContainer::IsStylePropertyUsed(const AnsiString& APropertyName, bool AIsStateStyle) {
  if (AIsStateStyle && !Style()->IsPropertyUsedByStateStyle(APropertyName))
    return false;
  for (int i = 0; i < Style()->GetStyleValueCount(); ++i) {
    AnsiString name;
    if (Style()->GetStyleValueName(i, name) && SameText(name, APropertyName))
      return !GetHiddenStyleValues().Contains(i);
  }
  return true;
}

bool TcxContainer::StyleHostParentColor(TColor& AColor) {
  if (!ParentColor() || !Parent())
    return false;
  AColor = Parent()->Color();
  return true;
}

void TcxContainer::StyleHostRestoreParentDefaults(bool AParentColor, bool AParentFont) {
  SetParentColor(false);
  SetParentFont(AParentFont);
  if (AParentColor)
    SetParentColor(true);
}

void TcxContainer::ContainerStyleChanged(TObject*) {
  if (FIsCreating || ComponentState().Contains(csLoading) || IsDestroying())
    return;
  auto alive = AliveToken();
  RefreshAtCursorPos();
  if (!*alive)
    return;
  const TColor color = Style()->GetActualColor();
  if (color != Color()) {
    FInternalSetting = true;
    try {
      if (ParentColor())
        SetParentColor(false);
      SetColor(color);
    } catch (...) {
      FInternalSetting = false;
      throw;
    }
    FInternalSetting = false;
  }
  if (TFont* font = Style()->Font(); font && !cxFontsEqual(Font(), font)) {
    FInternalSetting = true;
    try {
      Font()->Assign(font);
    } catch (...) {
      FInternalSetting = false;
      throw;
    }
    FInternalSetting = false;
  }
}

void TcxContainer::ColorChanged() {
  if (FInternalSetting) {
    TcxControl::ColorChanged();
    RefreshAtCursorPos();
  } else if (!FIsCreating) {
    Style()->SetColor(Color());
  }
}

void TcxContainer::FontChanged() {
  if (FInternalSetting || FIsCreating) {
    TcxControl::FontChanged();
    if (!IsDestroying()) {
      AdjustInnerControlBounds();
      AdjustScrollBars(false);
      RefreshAtCursorPos();
    }
    return;
  }
  const bool hadFont = Style()->AssignedValues().Contains(csvFont);
  Style()->SetFont(Font());
  if (!hadFont)
    Style()->RemoveAssignedValue(csvFont);
}

void TcxContainer::CMParentColorChanged(TMessageView& Message) {
  const bool noOwnColor = !Style()->AssignedValues().Contains(csvColor);
  TcxControl::CMParentColorChanged(Message);
  if (noOwnColor || ParentColor())
    Style()->RemoveAssignedValue(csvColor);
  if (Style()->Color() != Color())
    ContainerStyleChanged(Style());
}

void TcxContainer::CMParentFontChanged(TMessageView& Message) {
  const bool hadFont = Style()->AssignedValues().Contains(csvFont);
  TcxControl::CMParentFontChanged(Message);
  if (!ParentFont())
    Style()->RefreshFontFromController();
  if (!(hadFont && !ParentFont()))
    Style()->RemoveAssignedValue(csvFont);
}

void TcxContainer::CMSysColorChange(TMessageView& Message) {
  TcxControl::CMSysColorChange(Message);
  RefreshAtCursorPos();
}

void TcxContainer::CMCtl3DChanged(TMessageView& Message) {
  TcxControl::CMCtl3DChanged(Message);
  RefreshAtCursorPos();
}

void TcxContainer::CMEnabledChanged(TMessageView& Message) {
  auto alive = AliveToken();
  TcxControl::CMEnabledChanged(Message);
  if (*alive)
    EnabledChanged();
}

void TcxContainer::EnabledChanged() {
  if (HasScrollBars()) {
    if (HScrollBar())
      HScrollBar()->SetEnabled(Enabled());
    if (VScrollBar())
      VScrollBar()->SetEnabled(Enabled());
  }
  RefreshAtCursorPos();
}

void TcxContainer::CursorChanged() {
  TcxControl::CursorChanged();
  if (FInnerControl)
    FInnerControl->SetCursor(Cursor());
}

void TcxContainer::SetDragKind(TDragKind Value) {
  TcxControl::SetDragKind(Value);
  if (FInnerControl)
    FInnerControl->SetDragKind(Value);
}

void TcxContainer::SetDragMode(TDragMode Value) {
  TcxControl::SetDragMode(Value);
  if (FInnerControl)
    FInnerControl->SetDragMode(Value);
}

TDragImageList* TcxContainer::GetDragImages() {
  return FInnerControl ? FInnerControl->GetDragImages() : TcxControl::GetDragImages();
}

// The inherited handling of each event below raises the control's handler, which may free the control.
void TcxContainer::FocusChanged() {
  auto alive = AliveToken();
  TcxControl::FocusChanged();
  if (*alive)
    RefreshAtCursorPos();
}

void TcxContainer::Resize() {
  auto alive = AliveToken();
  TcxControl::Resize();
  if (*alive && !FIsCreating)
    RefreshAtCursorPos();
}

void TcxContainer::CreateHandle() {
  auto alive = AliveToken();
  TcxControl::CreateHandle();
  if (*alive)
    RefreshAtCursorPos();
}

void TcxContainer::CreateParams(TCreateParams& Params) {
  TcxControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TcxContainer::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TcxControl::MouseDown(Button, Shift, X, Y);
  if (!*alive)
    return;
  FShiftState = Shift;
  RefreshContainer(TPoint{X, Y}, TranslateMouseButton(Button), Shift, true);
}

void TcxContainer::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TcxControl::MouseUp(Button, Shift, X, Y);
  if (!*alive)
    return;
  FShiftState = Shift;
  RefreshContainer(TPoint{X, Y}, TranslateMouseButton(Button), Shift, true);
}

void TcxContainer::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TcxControl::MouseMove(Shift, X, Y);
  if (!*alive)
    return;
  // Refreshing may change an editor's state, and the change handler may free the control.
  RefreshContainer(TPoint{X, Y}, cxmbNone, Shift, true);
  if (*alive && !IsDestroying())
    BeginMouseTracking(this, GetVisibleBounds(), FMouseTrackingCaller.get());
}

void TcxContainer::MouseEnter(TControl* AControl) {
  auto alive = AliveToken();
  TcxControl::MouseEnter(AControl);
  if (!*alive)
    return;
  RefreshAtCursorPos(true);
  if (*alive && !IsDestroying())
    BeginMouseTracking(this, GetVisibleBounds(), FMouseTrackingCaller.get());
}

void TcxContainer::MouseLeave(TControl* AControl) {
  auto alive = AliveToken();
  TcxControl::MouseLeave(AControl);
  if (!*alive)
    return;
  FShiftState = {};
  RefreshAtCursorPos(true);
  if (*alive)
    EndMouseTracking(FMouseTrackingCaller.get());
}

void TcxContainer::MouseTrackingMouseLeave() {
  auto alive = AliveToken();
  MouseLeave(nullptr);
  if (*alive)
    EndMouseTracking(FMouseTrackingCaller.get());
}

void TcxContainer::KeyDown(WORD& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TcxControl::KeyDown(Key, Shift);
  if (!*alive)
    return;
  if (Key != VK_TAB || !Focused() || Shift.Contains(ssAlt) || Shift.Contains(ssCtrl) || IgnoresTabKey())
    return;
  Key = 0;
  if (TCustomForm* form = GetParentForm())
    form->SelectNext(form->ActiveControl(), !Shift.Contains(ssShift), true);
  if (*alive && HandleAllocated() && GetFocus() == Handle() && FInnerControl && FInnerControl->CanFocus())
    FInnerControl->SetFocus();
}

bool TcxContainer::Focused() {
  if (IsDesigning())
    return false;
  const HWND focus = GetFocus();
  if (!focus)
    return false;
  return (HandleAllocated() && focus == Handle()) ||
         (FInnerControl && FInnerControl->HandleAllocated() && focus == FInnerControl->Handle());
}

void TcxContainer::SetFocus() {
  if (IsDesigning() || Focused())
    return;
  // Taking the focus raises the enter handlers, which may free the control.
  auto alive = AliveToken();
  TcxControl::SetFocus();
  // The platform sets the focus even where the handlers raised meanwhile hid or disabled the control's
  // parents; the inner control then cannot take it, and the container keeps it rather than raise.
  if (*alive && FInnerControl && FInnerControl->HandleAllocated() && HandleAllocated() &&
      GetFocus() == Handle() && FInnerControl->CanFocus() && CanFocusEx()) {
    FocusInnerControl();
    if (!*alive)
      return;
    if (TCustomForm* form = GetParentForm())
      form->SetActiveControl(FInnerControl);
  }
}

void TcxContainer::FocusInnerControl() {
  if (FInnerControl && FInnerControl->CanFocus())
    FInnerControl->SetFocus();
}

bool TcxContainer::CanFocusOnClick() {
  if (FInnerControlMouseDown || (FInnerControl && FInnerControl->Focused()))
    return false;
  return TcxControl::CanFocusOnClick();
}

bool TcxContainer::NeedsFocus() {
  return !(FInnerControl && FInnerControl->Focused());
}

void TcxContainer::GetTabOrderList(std::vector<TWinControl*>& List) {
  TcxControl::GetTabOrderList(List);
  if (HasChildTabStops() || !FInnerControl)
    return;
  TCustomForm* form = GetParentForm();
  if (!form || form->ActiveControl() == this || !CanFocus() || form->ActiveControl() != FInnerControl)
    return;
  // The container's own entry was added by its parent before this call; the inner control takes its place
  // and leaves the place it had as the container's child.
  auto self = std::find(List.begin(), List.end(), static_cast<TWinControl*>(this));
  if (self == List.end())
    return;
  *self = FInnerControl;
  for (auto it = self + 1; it != List.end();)
    it = *it == FInnerControl ? List.erase(it) : it + 1;
}

void TcxContainer::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (FContextPopupLockCount > 0) {
    Handled = true;
    return;
  }
  if (MousePos.x == -1 && MousePos.y == -1)
    return TcxControl::DoContextPopup(MousePos, Handled);
  if (!CanShowPopupMenu(MousePos)) {
    Handled = true;
    return;
  }
  TcxControl::DoContextPopup(MousePos, Handled);
}

bool TcxContainer::HandleInnerControlKeyMessage(TMessage& Message) {
  if (Message.Msg != CN_KEYDOWN && Message.Msg != CN_SYSKEYDOWN)
    return false;
  TWMKey key(Message);
  for (TControl* control = this; control; control = control->Parent()) {
    auto* cx = dynamic_cast<TcxControl*>(control);
    if (cx && cx->PopupMenu() && IsPopupMenuShortCut(cx->PopupMenu(), key)) {
      Message.Result = 1;
      return true;
    }
  }
  return false;
}

void TcxContainer::WMSetFocus(TMessage& Message) {
  if (FInnerControl && IsWindowOfControl(FInnerControl, reinterpret_cast<HWND>(Message.WParam))) {
    Message.Result = 0;
    return;
  }
  auto alive = AliveToken();
  TcxControl::WndProc(Message);
  // The handlers raised as the focus came may have moved it on or hidden the form: then it is not taken back.
  if (*alive && !IsDestroying() && FInnerControl && HandleAllocated() && GetFocus() == Handle() &&
      FInnerControl->CanFocus())
    FInnerControl->SetFocus();
}

void TcxContainer::WMKillFocus(TMessage& Message) {
  if (FInnerControl && IsWindowOfControl(FInnerControl, reinterpret_cast<HWND>(Message.WParam))) {
    Message.Result = 0;
    return;
  }
  TcxControl::WndProc(Message);
}

void TcxContainer::WMSetCursor(TMessage& Message) {
  TWMSetCursor m(Message);
  // The view info is read only while it exists: a cursor query during destruction gets the default answer.
  if (FViewInfo && HandleAllocated() && m.CursorWnd() == Handle() && m.HitTest() == HTCLIENT) {
    const TPoint p = ScreenToClient(GetMouseCursorPos());
    if (!PtInRect(&FViewInfo->InnerControlRect, p)) {
      ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
      Message.Result = 1;
      return;
    }
  }
  TcxControl::WndProc(Message);
}

bool TcxContainer::WndProcHandled(TMessage& Message) {
  switch (Message.Msg) {
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_CHAR:
  case CN_KEYDOWN:
  case CN_KEYUP:
  case CN_CHAR:
    if (!FInnerControl || !FInnerControl->HandleAllocated())
      return false;
    Message.Result = SendMessage(FInnerControl->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return true;
  case WM_SETFOCUS:
    if (Visible())
      WMSetFocus(Message);
    return true;
  case WM_KILLFOCUS:
    WMKillFocus(Message);
    return true;
  case WM_WINDOWPOSCHANGING:
    if (!IsDestroying())
      return false;
    Message.Result = 0;
    return true;
  case WM_NCPAINT:
    Message.Result = 0;
    return true;
  case WM_SETCURSOR:
    WMSetCursor(Message);
    return true;
  default:
    return false;
  }
}

void TcxContainer::WndProc(TMessage& Message) {
  if (WndProcHandled(Message))
    return;
  const UINT msg = Message.Msg;
  auto alive = AliveToken();
  TcxControl::WndProc(Message);
  if (!*alive || IsDestroying())
    return;
  if (msg == WM_WINDOWPOSCHANGING && HandleAllocated() && GetFocus() == Handle() && FInnerControl &&
      FInnerControl->CanFocus()) {
    if (TCustomForm* form = GetParentForm())
      form->SetActiveControl(FInnerControl);
  } else if (msg == WM_WINDOWPOSCHANGED && IsTransparent()) {
    RefreshAtCursorPos();
  }
}

void TcxContainer::Paint() {
  if (!FViewInfo)
    return;
  const TRect bounds = FViewInfo->Bounds;
  if (!RectVisible(cxCanvas()->Handle(), &bounds))
    return;
  if (ControlState().Contains(csPaintCopy))
    SetShapeClipRegion(cxCanvas());
  FViewInfo->Paint(cxCanvas());
}

void TcxContainer::AdjustClientRect(TRect& Rect) {
  if (!IsDestroying() && FViewInfo)
    Rect = FViewInfo->InnerControlRect;
}

TRect TcxContainer::GetClientBounds() {
  return FViewInfo ? FViewInfo->InnerControlRect : TRect{};
}

void TcxContainer::AlignControls(TControl* AControl, TRect& Rect) {
  if (ControlStyle().Contains(csAcceptsControls))
    return TcxControl::AlignControls(AControl, Rect);
  if (FInnerControlBoundsChangingCount > 0 || FIsCreating)
    return;
  if (AControl && (AControl == HScrollBar() || AControl == VScrollBar() || AControl == SizeGrip()))
    return;
  if (!AControl)
    return TcxControl::AlignControls(AControl, Rect);
  auto* child = dynamic_cast<TWinControl*>(AControl);
  if (!child || !child->HandleAllocated())
    return;
  TcxContainerInnerControlRegion region;
  GetControlVisibleRegion(Rect, AControl, region);
  FInnerControlRegion = region;
  ApplyInnerControlRegion(child, false);
}

void TcxContainer::ApplyInnerControlRegion(TWinControl* AControl, bool ARedraw) {
  // The window region is the platform's way to keep a window from being seen and hit while it still holds
  // the focus; hiding the window would take the focus from it.
  if (FInnerControlHidden && AControl == FInnerControl)
    SetWindowRgn(AControl->Handle(), CreateRectRgn(0, 0, 0, 0), ARedraw);
  else
    SetWindowRegionFromRect(AControl, FInnerControlRegion, ARedraw);
}

void TcxContainer::SetInnerControlHidden(bool AValue) {
  const bool changed = FInnerControlHidden != AValue;
  FInnerControlHidden = AValue;
  // Applied again even without a change: a re-created inner window starts without its region.
  if (FInnerControl && FInnerControl->HandleAllocated())
    ApplyInnerControlRegion(FInnerControl, changed);
}

void TcxContainer::GetControlVisibleRegion(const TRect& ABounds, TControl* AControl,
                                           TcxContainerInnerControlRegion& ARegion) {
  if (!AControl) {
    ARegion.IsWhole = true;
    return;
  }
  const TRect whole{0, 0, AControl->Width(), AControl->Height()};
  TRect r = whole;
  const int left = AControl->Left(), top = AControl->Top();
  if (left < ABounds.left)
    r.left = ABounds.left - left;
  if (top < ABounds.top)
    r.top = ABounds.top - top;
  if (left + AControl->Width() > ABounds.right)
    r.right = ABounds.right - left;
  if (top + AControl->Height() > ABounds.bottom)
    r.bottom = ABounds.bottom - top;
  ARegion.Rect = r;
  ARegion.IsWhole = EqualRect(&r, &whole);
}

void TcxContainer::ResetInnerControlRegion() {
  FInnerControlRegion = TcxContainerInnerControlRegion{};
}

void TcxContainer::AdjustScrollBars(bool AOnlyPosition) {
  if (!FInnerControl || !HasScrollBars() || IsDestroying() || !CanGetScrollBarInfo() || FScrollBarsAdjusting)
    return;
  FScrollBarsAdjusting = true;
  try {
    for (int bar = SB_HORZ; bar <= SB_VERT; ++bar) {
      TcxScrollBar* scrollBar = bar == SB_HORZ ? static_cast<TcxScrollBar*>(HScrollBar()) : VScrollBar();
      if (!scrollBar)
        continue;
      if (!AOnlyPosition)
        AdjustScrollBarPosition(scrollBar);
      if (!scrollBar->Visible() || !FInnerControl->HandleAllocated())
        continue;
      if (AOnlyPosition) {
        scrollBar->SetPosition(GetScrollPos(FInnerControl->Handle(), bar));
        continue;
      }
      SCROLLINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = SIF_ALL;
      if (!::GetScrollInfo(FInnerControl->Handle(), bar, &info))
        continue;
      const int page = std::min(int(info.nPage), info.nMax);
      scrollBar->SetParams(info.nMin, std::max(info.nMax, info.nMin), true, std::max(page, 0), info.nPos);
    }
  } catch (...) {
    FScrollBarsAdjusting = false;
    throw;
  }
  FScrollBarsAdjusting = false;
}

bool TcxContainer::GetScrollBarInfo(TcxScrollBar* AScrollBar, SCROLLBARINFO& AScrollBarInfo) {
  if (!FInnerControl || !FInnerControl->HandleAllocated() || !HandleAllocated() || !FInnerControl->Parent())
    return false;
  return QueryScrollBarInfo(FInnerControl->Handle(),
                            AScrollBar->Kind() == sbHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL,
                            AScrollBarInfo);
}

bool TcxContainer::IsScrollBarVisible(TcxScrollBar*, const SCROLLBARINFO& AScrollBarInfo) {
  return (AScrollBarInfo.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN)) == 0;
}

bool TcxContainer::GetScrollBarEnabled(TcxScrollBar* AScrollBar, const SCROLLBARINFO& AScrollBarInfo) {
  TWinControl* parent = AScrollBar->Parent();
  return (!parent || parent->Enabled()) && (AScrollBarInfo.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

TRect TcxContainer::GetScrollBarBounds(const TRect& AScrollBarRect) {
  const TPoint origin = ScreenToClient(TPoint{AScrollBarRect.left, AScrollBarRect.top});
  const int width = AScrollBarRect.right - AScrollBarRect.left;
  const int height = AScrollBarRect.bottom - AScrollBarRect.top;
  if (origin.x < 0 || origin.y < 0 || width > Width() || height > Height())
    return TRect{};
  return TRect{origin.x, origin.y, width, height};
}

void TcxContainer::AdjustScrollBarPosition(TcxScrollBar* AScrollBar) {
  SCROLLBARINFO info{};
  if (!GetScrollBarInfo(AScrollBar, info) || !IsScrollBarVisible(AScrollBar, info)) {
    SetScrollBarVisible(AScrollBar, false);
    return;
  }
  AScrollBar->SetEnabled(GetScrollBarEnabled(AScrollBar, info));
  // Left, top, width and height: the rectangle fields carry a size in the last two.
  const TRect b = GetScrollBarBounds(info.rcScrollBar);
  AScrollBar->SetBounds(b.left, b.top, b.right, b.bottom);
  SetScrollBarVisible(AScrollBar, b.right > 0 && b.bottom > 0);
}

void TcxContainer::SetScrollBarVisible(TcxScrollBar* AScrollBar, bool AVisible) {
  AScrollBar->SetVisible(AVisible);
  // The platform has no 3-D control setting to clear; bringing the bar to the front is what shows.
  if (AVisible)
    AScrollBar->BringToFront();
}
