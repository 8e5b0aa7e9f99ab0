#include "platform/controls/Controls.h"

#include <algorithm>
#include <cstring>

#include "platform/controls/Forms.h"
#include "platform/controls/ImgList.h"
#include "platform/controls/Menus.h"
#include "platform/win/Win.h"

namespace {

TControl* gCaptureControl = nullptr;
TExceptionHook gExceptionHook;

// The one drag in progress: the source holds the mouse capture, moves go to the target under the cursor.
struct DragState {
  TControl* Source = nullptr;
  TDragObject* Object = nullptr;
  bool OwnsObject = false;
  bool Active = false; // past the threshold
  TPoint StartPos{};
  int Threshold = 0;
  TControl* Target = nullptr;
  bool Accepted = false;
  TDragImageList* Images = nullptr; // borrowed from the source while the drag shows them
};
DragState gDrag;

} // namespace

class TDragController {
public:
  static void Begin(TControl* Source, bool Immediate, int Threshold);
  static void MoveTo(const TPoint& ScreenPos);
  static void Finish(bool Drop);
  static bool Handles(TControl* Control, TMessage& Message);

private:
  static LRESULT SendDrag(TControl* Target, TDragMessage Msg, const TPoint& ScreenPos);
};

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT)
    s.Include(ssShift);
  if (Keys & MK_CONTROL)
    s.Include(ssCtrl);
  if (Keys & MK_LBUTTON)
    s.Include(ssLeft);
  if (Keys & MK_RBUTTON)
    s.Include(ssRight);
  if (Keys & MK_MBUTTON)
    s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  return s;
}

WPARAM ShiftStateToKeys(TShiftState Shift) {
  WPARAM keys = 0;
  if (Shift.Contains(ssShift))
    keys |= MK_SHIFT;
  if (Shift.Contains(ssCtrl))
    keys |= MK_CONTROL;
  if (Shift.Contains(ssLeft))
    keys |= MK_LBUTTON;
  if (Shift.Contains(ssRight))
    keys |= MK_RBUTTON;
  if (Shift.Contains(ssMiddle))
    keys |= MK_MBUTTON;
  return keys;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0)
    s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0)
    s.Include(ssCtrl);
  // Bit 29 of the key data is the context code: Alt was down when the key came.
  if (KeyData & 0x20000000)
    s.Include(ssAlt);
  return s;
}

TShiftState GetShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0)
    s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0)
    s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0)
    s.Include(ssAlt);
  if (GetKeyState(VK_LBUTTON) < 0)
    s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0)
    s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0)
    s.Include(ssMiddle);
  return s;
}

void SetApplicationHandleException(TExceptionHook Hook) {
  gExceptionHook = std::move(Hook);
}

void HandleControlException(TObject* Sender) {
  if (!gExceptionHook)
    throw;
  gExceptionHook(Sender);
}

TControl* GetCaptureControl() {
  if (gCaptureControl) {
    TWinControl* holder = dynamic_cast<TWinControl*>(gCaptureControl);
    if (!holder)
      holder = gCaptureControl->Parent();
    if (holder && holder->HandleAllocated() && GetCapture() == holder->Handle())
      return gCaptureControl;
  }
  return FindControl(GetCapture());
}

void SetCaptureControl(TControl* Control) {
  ReleaseCapture();
  gCaptureControl = nullptr;
  if (!Control)
    return;
  // Only a window that exists takes the mouse: a handler raised by the press may have taken the control out
  // of its parent, and a control with no parent can make no window.
  if (auto* win = dynamic_cast<TWinControl*>(Control)) {
    if (win->HandleAllocated())
      SetCapture(win->Handle());
    return;
  }
  // A control without a window captures through its parent, which hands it the mouse messages.
  if (Control->Parent() && Control->Parent()->HandleAllocated()) {
    SetCapture(Control->Parent()->Handle());
    gCaptureControl = Control;
  }
}

void SendCancelMode(TControl* Sender) {
  HWND focus = GetFocus();
  TWinControl* ctl = FindControl(focus);
  if (ctl && ctl != Sender)
    SendMessage(focus, WM_CANCELMODE, 0, 0);
}

TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled) {
  TWinControl* win = FindControl(WindowFromPoint(Pos));
  if (!win)
    return nullptr;
  TControl* child = win->ControlAtPos(win->ScreenToClient(Pos), AllowDisabled);
  return child ? child : win;
}

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TSizeConstraints*>(Source)) {
    FMaxHeight = src->FMaxHeight;
    FMaxWidth = src->FMaxWidth;
    FMinHeight = src->FMinHeight;
    FMinWidth = src->FMinWidth;
    Change();
    return;
  }
  TPersistent::Assign(Source);
}

void TSizeConstraints::SetMaxHeight(int Value) {
  if (Value < 0)
    throw EInvalidArgument("Constraint out of range");
  FMaxHeight = Value;
  if (Value > 0 && Value < FMinHeight)
    FMinHeight = Value;
  Change();
}

void TSizeConstraints::SetMaxWidth(int Value) {
  if (Value < 0)
    throw EInvalidArgument("Constraint out of range");
  FMaxWidth = Value;
  if (Value > 0 && Value < FMinWidth)
    FMinWidth = Value;
  Change();
}

void TSizeConstraints::SetMinHeight(int Value) {
  if (Value < 0)
    throw EInvalidArgument("Constraint out of range");
  FMinHeight = Value;
  if (FMaxHeight > 0 && Value > FMaxHeight)
    FMaxHeight = Value;
  Change();
}

void TSizeConstraints::SetMinWidth(int Value) {
  if (Value < 0)
    throw EInvalidArgument("Constraint out of range");
  FMinWidth = Value;
  if (FMaxWidth > 0 && Value > FMaxWidth)
    FMaxWidth = Value;
  Change();
}

void TSizeConstraints::Change() {
  if (FControl)
    FControl->SetBounds(FControl->Left(), FControl->Top(), FControl->Width(), FControl->Height());
  if (OnChange)
    OnChange(this);
}

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) {
  return Accepted ? crDrag : crNoDrop;
}

void TDragObject::Finished(TObject*, int, int, bool) {}

TCursor TDragControlObject::GetDragCursor(bool Accepted, int X, int Y) {
  if (Accepted)
    return FControl->DragCursor();
  return TDragObject::GetDragCursor(Accepted, X, Y);
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FWindowProc(this, &TControl::WndProc),
      FConstraints(std::make_unique<TSizeConstraints>(this)), FFont(std::make_unique<TFont>()) {
  FControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

TControl::~TControl() {
  *FAlive = false;
  if (gDrag.Source == this)
    TDragController::Finish(false);
  if (gDrag.Target == this) {
    gDrag.Target = nullptr;
    gDrag.Accepted = false;
  }
  if (gCaptureControl == this)
    SetCaptureControl(nullptr);
  if (FParent)
    FParent->RemoveControl(this);
  FFont->OnChange = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  FWindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (TDragController::Handles(this, Message))
    return;
  switch (Message.Msg) {
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDBLCLK:
    // A control that does not take double clicks sees the second click as another press.
    if (!FControlStyle.Contains(csDoubleClicks))
      Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    break;
  default:
    break;
  }
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    if (FDragMode == dmAutomatic && !ComponentState().Contains(csDesigning)) {
      DoBeginAutoDrag();
      return;
    }
    FControlState.Include(csLButtonDown);
  } else if (Message.Msg == WM_LBUTTONUP) {
    FControlState.Exclude(csLButtonDown);
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case WM_LBUTTONDOWN: {
    TWMMouse m(Message);
    WMLButtonDown(m);
    break;
  }
  case WM_LBUTTONDBLCLK: {
    TWMMouse m(Message);
    WMLButtonDblClk(m);
    break;
  }
  case WM_LBUTTONUP: {
    TWMMouse m(Message);
    WMLButtonUp(m);
    break;
  }
  case WM_RBUTTONDOWN: {
    TWMMouse m(Message);
    WMRButtonDown(m);
    break;
  }
  case WM_RBUTTONDBLCLK: {
    TWMMouse m(Message);
    WMRButtonDblClk(m);
    break;
  }
  case WM_RBUTTONUP: {
    TWMMouse m(Message);
    WMRButtonUp(m);
    break;
  }
  case WM_MBUTTONDOWN: {
    TWMMouse m(Message);
    WMMButtonDown(m);
    break;
  }
  case WM_MBUTTONDBLCLK: {
    TWMMouse m(Message);
    WMMButtonDblClk(m);
    break;
  }
  case WM_MBUTTONUP: {
    TWMMouse m(Message);
    WMMButtonUp(m);
    break;
  }
  case WM_MOUSEMOVE: {
    TWMMouse m(Message);
    WMMouseMove(m);
    break;
  }
  case WM_MOUSEWHEEL: {
    TWMMouseWheel m(Message);
    WMMouseWheel(m);
    break;
  }
  case WM_CANCELMODE: {
    TMessageView m(Message);
    WMCancelMode(m);
    break;
  }
  case WM_WINDOWPOSCHANGED: {
    TWMWindowPosMsg m(Message);
    WMWindowPosChanged(m);
    break;
  }
  case WM_CONTEXTMENU: {
    TWMContextMenu m(Message);
    WMContextMenu(m);
    break;
  }
  case CM_VISIBLECHANGED: {
    TMessageView m(Message);
    CMVisibleChanged(m);
    break;
  }
  case CM_ENABLEDCHANGED: {
    TMessageView m(Message);
    CMEnabledChanged(m);
    break;
  }
  case CM_COLORCHANGED: {
    TMessageView m(Message);
    CMColorChanged(m);
    break;
  }
  case CM_FONTCHANGED: {
    TMessageView m(Message);
    CMFontChanged(m);
    break;
  }
  case CM_PARENTCOLORCHANGED: {
    TMessageView m(Message);
    CMParentColorChanged(m);
    break;
  }
  case CM_PARENTFONTCHANGED: {
    TMessageView m(Message);
    CMParentFontChanged(m);
    break;
  }
  case CM_TEXTCHANGED: {
    TMessageView m(Message);
    CMTextChanged(m);
    break;
  }
  case CM_CURSORCHANGED: {
    TMessageView m(Message);
    CMCursorChanged(m);
    break;
  }
  case CM_HITTEST: {
    TCMHitTest m(Message);
    CMHitTest(m);
    break;
  }
  case CM_MOUSEENTER: {
    TCMMouseEnter m(Message);
    CMMouseEnter(m);
    break;
  }
  case CM_MOUSELEAVE: {
    TCMMouseLeave m(Message);
    CMMouseLeave(m);
    break;
  }
  case CM_INVALIDATE: {
    TMessageView m(Message);
    CMInvalidate(m);
    break;
  }
  case CM_DRAG: {
    TCMDrag m(Message);
    CMDrag(m);
    break;
  }
  case CM_SYSCOLORCHANGE: {
    TMessageView m(Message);
    CMSysColorChange(m);
    break;
  }
  case CM_WININICHANGE: {
    TMessageView m(Message);
    CMWinIniChange(m);
    break;
  }
  case CM_CTL3DCHANGED: {
    TMessageView m(Message);
    CMCtl3DChanged(m);
    break;
  }
  case CM_MOUSEWHEEL: {
    TMessageView m(Message);
    CMMouseWheel(m);
    break;
  }
  default:
    DefaultHandler(Message);
    break;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
  case WM_GETTEXT: {
    auto* buffer = reinterpret_cast<char*>(Message.LParam);
    const std::size_t size = Message.WParam;
    if (!buffer || size == 0) {
      Message.Result = 0;
      break;
    }
    const std::size_t n = std::min(FText.size(), size - 1);
    std::memcpy(buffer, FText.data(), n);
    buffer[n] = '\0';
    Message.Result = LRESULT(n);
    break;
  }
  case WM_GETTEXTLENGTH:
    Message.Result = LRESULT(FText.size());
    break;
  case WM_SETTEXT: {
    const char* text = reinterpret_cast<const char*>(Message.LParam);
    FText = text ? text : "";
    Message.Result = 1;
    break;
  }
  default:
    break;
  }
}

void TControl::SetParent(TWinControl* AParent) {
  if (FParent == AParent)
    return;
  if (AParent == this)
    throw EInvalidOperation("A control cannot be its own parent");
  if (auto* self = dynamic_cast<TWinControl*>(this); self && AParent && self->ContainsControl(AParent))
    throw EInvalidOperation("A control cannot be parented to its own child");
  if (FParent) {
    // Taking the control out can run handlers that free it, or already put it in a parent of their choosing,
    // or free the new parent: the control then stays without one.
    auto alive = AliveToken();
    auto parentAlive = AParent ? AParent->AliveToken() : nullptr;
    FParent->RemoveControl(this);
    if (!*alive || FParent || (parentAlive && !*parentAlive))
      return;
  }
  if (AParent)
    AParent->InsertControl(this);
}

bool TControl::CheckNewSize(int& NewWidth, int& NewHeight) {
  int w = NewWidth, h = NewHeight;
  if (!CanResize(w, h))
    return false;
  ConstrainedResize(w, h);
  NewWidth = w;
  NewHeight = h;
  return true;
}

bool TControl::CanResize(int&, int&) {
  return true;
}

void TControl::ConstrainedResize(int& AWidth, int& AHeight) {
  const TSizeConstraints* c = FConstraints.get();
  if (c->MinWidth() > 0 && AWidth < c->MinWidth())
    AWidth = c->MinWidth();
  if (c->MaxWidth() > 0 && AWidth > c->MaxWidth())
    AWidth = c->MaxWidth();
  if (c->MinHeight() > 0 && AHeight < c->MinHeight())
    AHeight = c->MinHeight();
  if (c->MaxHeight() > 0 && AHeight > c->MaxHeight())
    AHeight = c->MaxHeight();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight))
    return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
    return;
  const bool resized = AWidth != FWidth || AHeight != FHeight;
  InvalidateControl(Visible(), false);
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (!FAnchorMove)
    UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  if (resized && !ComponentState().Contains(csLoading))
    Resize();
}

void TControl::UpdateBoundsRect(const TRect& R) {
  FLeft = R.left;
  FTop = R.top;
  FWidth = RectWidth(R);
  FHeight = RectHeight(R);
  if (!FAnchorMove)
    UpdateAnchorRules();
}

TRect TControl::GetClientRect() {
  return Rect(0, 0, FWidth, FHeight);
}

void TControl::SetClientSize(int AWidth, int AHeight) {
  const TRect client = GetClientRect();
  SetBounds(FLeft, FTop, FWidth - RectWidth(client) + AWidth, FHeight - RectHeight(client) + AHeight);
}

TPoint TControl::ClientOrigin() {
  if (!FParent)
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  TPoint p = FParent->ClientOrigin();
  return Point(p.x + FLeft, p.y + FTop);
}

TPoint TControl::ClientToScreen(const TPoint& Point) {
  const TPoint o = ClientOrigin();
  return ::Point(Point.x + o.x, Point.y + o.y);
}

TPoint TControl::ScreenToClient(const TPoint& Point) {
  const TPoint o = ClientOrigin();
  return ::Point(Point.x - o.x, Point.y - o.y);
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value)
    return;
  const TAlign old = FAlign;
  FAlign = Value;
  // Docking to a side resets the anchors to the sides the control now clings to.
  switch (Value) {
  case alTop:
    FAnchors = {akLeft, akTop, akRight};
    break;
  case alBottom:
    FAnchors = {akLeft, akRight, akBottom};
    break;
  case alLeft:
    FAnchors = {akLeft, akTop, akBottom};
    break;
  case alRight:
    FAnchors = {akTop, akRight, akBottom};
    break;
  case alClient:
    FAnchors = {akLeft, akTop, akRight, akBottom};
    break;
  default:
    if (old != alNone)
      FAnchors = {akLeft, akTop};
    break;
  }
  RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
  if (FAnchors == Value)
    return;
  FAnchors = Value;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (!FParent)
    return;
  const TRect client = FParent->GetClientRect();
  FAnchorOrigin = Point(RectWidth(client), RectHeight(client));
  FAnchorRule = Point(FAnchorOrigin.x - (FLeft + FWidth), FAnchorOrigin.y - (FTop + FHeight));
}

void TControl::AnchorsParentResized(int OldWidth, int OldHeight, int NewWidth, int NewHeight) {
  int l = FLeft, t = FTop, w = FWidth, h = FHeight;
  if (FAnchors.Contains(akRight)) {
    if (FAnchors.Contains(akLeft))
      w = NewWidth - FAnchorRule.x - l;
    else
      l = NewWidth - FAnchorRule.x - w;
  } else if (!FAnchors.Contains(akLeft)) {
    l += (NewWidth - OldWidth) / 2;
  }
  if (FAnchors.Contains(akBottom)) {
    if (FAnchors.Contains(akTop))
      h = NewHeight - FAnchorRule.y - t;
    else
      t = NewHeight - FAnchorRule.y - h;
  } else if (!FAnchors.Contains(akTop)) {
    t += (NewHeight - OldHeight) / 2;
  }
  ++FAnchorMove;
  try {
    SetBounds(l, t, std::max(w, 0), std::max(h, 0));
  } catch (...) {
    --FAnchorMove;
    throw;
  }
  --FAnchorMove;
  FAnchorOrigin = Point(NewWidth, NewHeight);
}

void TControl::SetAutoSize(bool Value) {
  if (FAutoSize == Value)
    return;
  FAutoSize = Value;
  if (Value)
    AdjustSize();
}

void TControl::AdjustSize() {
  if (!ComponentState().Contains(csLoading))
    DoAutoSize();
}

void TControl::DoAutoSize() {
  if (!FAutoSize)
    return;
  int w = FWidth, h = FHeight;
  if (CanAutoSize(w, h) && (w != FWidth || h != FHeight)) {
    // Aligned controls keep the size their side gives them.
    if (FAlign == alTop || FAlign == alBottom || FAlign == alClient)
      w = FWidth;
    if (FAlign == alLeft || FAlign == alRight || FAlign == alClient)
      h = FHeight;
    SetBounds(FLeft, FTop, w, h);
  }
}

bool TControl::CanAutoSize(int&, int&) {
  return false;
}

void TControl::RequestAlign() {
  if (FParent)
    FParent->AlignControl(this);
}

void TControl::Resize() {
  if (OnResize)
    OnResize(this);
}

bool TControl::IsVisible() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible)
      return false;
  return true;
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value)
    return;
  FVisible = Value;
  // A form's show or hide handler may free it.
  auto alive = AliveToken();
  Perform(CM_VISIBLECHANGED, Value);
  if (*alive)
    RequestAlign();
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value)
    return;
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor Value) {
  if (FColor == Value)
    return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value)
    return;
  FParentColor = Value;
  if (FParent && Value)
    Perform(CM_PARENTCOLORCHANGED);
}

void TControl::FontChanged(TObject*) {
  FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value)
    return;
  FParentFont = Value;
  if (FParent && Value)
    Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value)
    return;
  FCursor = Value;
  Perform(CM_CURSORCHANGED);
}

AnsiString TControl::GetText() {
  const int len = int(Perform(WM_GETTEXTLENGTH));
  AnsiString s(std::size_t(len) + 1, '\0');
  const int n = int(Perform(WM_GETTEXT, WPARAM(len + 1), LPARAM(s.data())));
  s.resize(std::size_t(std::clamp(n, 0, len)));
  return s;
}

void TControl::SetText(const AnsiString& Value) {
  if (GetText() == Value)
    return;
  auto alive = AliveToken();
  Perform(WM_SETTEXT, 0, LPARAM(Value.c_str()));
  if (*alive)
    Perform(CM_TEXTCHANGED);
}

bool TControl::MouseCapture() const {
  return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool Value) {
  if (MouseCapture() == Value)
    return;
  SetCaptureControl(Value ? this : nullptr);
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (FPopupMenu == Value)
    return;
  if (FPopupMenu)
    FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value)
    Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FPopupMenu)
    FPopupMenu = nullptr;
  TComponent::Notification(AComponent, Operation);
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !FParent || !FParent->HandleAllocated())
    return;
  const TRect r = BoundsRect();
  InvalidateRect(FParent->Handle(), &r, !IsOpaque);
}

void TControl::Update() {
  if (FParent)
    FParent->Update();
}

void TControl::Repaint() {
  if (!FVisible || !FParent || !FParent->HandleAllocated())
    return;
  if (FControlStyle.Contains(csOpaque)) {
    HDC dc = GetDC(FParent->Handle());
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, FLeft, FTop, FLeft + FWidth, FTop + FHeight);
    FParent->PaintControls(dc, this);
    RestoreDC(dc, saved);
    ReleaseDC(FParent->Handle(), dc);
    return;
  }
  Invalidate();
  Update();
}

void TControl::SetZOrder(bool TopMost) {
  if (!FParent)
    return;
  auto& list = FParent->FControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end())
    return;
  list.erase(it);
  if (TopMost)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  InvalidateControl(Visible(), FControlStyle.Contains(csOpaque));
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* c = this;
  while (c->FParent)
    c = c->FParent;
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(c));
}

void TControl::Click() {
  if (OnClick)
    OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick)
    OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown)
    OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove)
    OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp)
    OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState, int, TPoint) {
  return false;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup)
    OnContextPopup(this, MousePos, Handled);
}

void TControl::DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift) {
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseDown(Button, KeysToShiftState(Message.Keys()) + Shift, Message.XPos(), Message.YPos());
}

void TControl::DoMouseUp(TWMMouse& Message, TMouseButton Button) {
  if (!FControlStyle.Contains(csNoStdEvents))
    MouseUp(Button, KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

// Each mouse handler lets the window's own procedure see the message first, so that a wrapped platform
// class keeps its behaviour under the library's events. That procedure may notify the control's own handlers
// (a list box's selection raises its click), which may free the control.
void TControl::WMLButtonDown(TWMMouse& Message) {
  auto alive = AliveToken();
  SendCancelMode(this);
  if (!*alive)
    return;
  DefaultHandler(Message);
  if (!*alive)
    return;
  if (FControlStyle.Contains(csCaptureMouse))
    SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents))
    FControlState.Include(csClicked);
  DoMouseDown(Message, mbLeft, {});
}

void TControl::WMLButtonDblClk(TWMMouse& Message) {
  auto alive = AliveToken();
  SendCancelMode(this);
  if (!*alive)
    return;
  DefaultHandler(Message);
  if (!*alive)
    return;
  if (FControlStyle.Contains(csCaptureMouse))
    SetMouseCapture(true);
  if (FControlStyle.Contains(csClickEvents)) {
    DblClick();
    if (!*alive)
      return;
  }
  DoMouseDown(Message, mbLeft, {ssDouble});
}

void TControl::WMLButtonUp(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (!*alive)
    return;
  if (FControlStyle.Contains(csCaptureMouse))
    SetMouseCapture(false);
  if (FControlState.Contains(csClicked)) {
    FControlState.Exclude(csClicked);
    const TRect client = GetClientRect();
    if (PtInRect(&client, Message.Pos())) {
      Click();
      if (!*alive)
        return;
    }
  }
  DoMouseUp(Message, mbLeft);
}

void TControl::WMRButtonDown(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive)
    DoMouseDown(Message, mbRight, {});
}

void TControl::WMRButtonDblClk(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive)
    DoMouseDown(Message, mbRight, {ssDouble});
}

void TControl::WMRButtonUp(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (!*alive)
    return;
  DoMouseUp(Message, mbRight);
  if (!*alive)
    return;
  // The window manager does not turn a right-button release into WM_CONTEXTMENU, so the library does.
  if (!FParent && !dynamic_cast<TWinControl*>(this))
    return;
  const TPoint screen = ClientToScreen(Message.Pos());
  HWND wnd = nullptr;
  if (auto* win = dynamic_cast<TWinControl*>(this))
    wnd = win->HandleAllocated() ? win->Handle() : nullptr;
  else if (FParent->HandleAllocated())
    wnd = FParent->Handle();
  Perform(WM_CONTEXTMENU, WPARAM(wnd), MAKELPARAM(screen.x, screen.y));
}

void TControl::WMMButtonDown(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive)
    DoMouseDown(Message, mbMiddle, {});
}

void TControl::WMMButtonDblClk(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive)
    DoMouseDown(Message, mbMiddle, {ssDouble});
}

void TControl::WMMButtonUp(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive)
    DoMouseUp(Message, mbMiddle);
}

void TControl::WMMouseMove(TWMMouse& Message) {
  auto alive = AliveToken();
  DefaultHandler(Message);
  if (*alive && !FControlStyle.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(Message.Keys()), Message.XPos(), Message.YPos());
}

void TControl::WMMouseWheel(TWMMouseWheel& Message) {
  auto alive = AliveToken();
  if (DoMouseWheel(KeysToShiftState(Message.Keys()), Message.WheelDelta(), Message.Pos()))
    Message.Result = 1;
  else if (*alive)
    DefaultHandler(Message);
}

void TControl::CMMouseWheel(TMessageView& Message) {
  TMessage m{WM_MOUSEWHEEL, Message.WParam, Message.LParam, 0};
  TWMMouseWheel wheel(m);
  Message.Result = DoMouseWheel(KeysToShiftState(wheel.Keys()), wheel.WheelDelta(), wheel.Pos()) ? 1 : 0;
}

void TControl::WMCancelMode(TMessageView& Message) {
  if (MouseCapture()) {
    SetMouseCapture(false);
    if (FControlState.Contains(csLButtonDown)) {
      // A press that the cancel interrupted still gets its release, so the control is not left pressed.
      TMessage up{WM_LBUTTONUP, 0, LPARAM(0xFFFFFFFF), 0};
      FControlState.Exclude(csClicked);
      Perform(up.Msg, up.WParam, up.LParam);
    }
  } else {
    DefaultHandler(Message);
  }
}

void TControl::WMWindowPosChanged(TWMWindowPosMsg& Message) {
  DefaultHandler(Message);
}

void TControl::WMContextMenu(TWMContextMenu& Message) {
  if (Message.Result != 0)
    return;
  const TPoint pt = Message.Pos();
  const bool keyboard = pt.x == -1 && pt.y == -1;
  TPoint client = keyboard ? pt : ScreenToClient(pt);
  if (!keyboard) {
    const TRect r = GetClientRect();
    if (!PtInRect(&r, client)) {
      DefaultHandler(Message);
      return;
    }
  }
  bool handled = false;
  auto alive = AliveToken();
  DoContextPopup(client, handled);
  if (handled || !*alive) {
    Message.Result = 1;
    return;
  }
  TPopupMenu* menu = GetPopupMenu();
  if (menu && menu->AutoPopup()) {
    SendCancelMode(nullptr);
    menu->SetPopupComponent(this);
    TPoint at = pt;
    if (keyboard)
      at = ClientToScreen(Point(FWidth / 2, FHeight / 2));
    menu->Popup(at.x, at.y);
    Message.Result = 1;
    return;
  }
  DefaultHandler(Message);
}

void TControl::CMVisibleChanged(TMessageView&) {
  InvalidateControl(true, FVisible && FControlStyle.Contains(csOpaque));
}

void TControl::CMEnabledChanged(TMessageView&) {
  Invalidate();
}

void TControl::CMColorChanged(TMessageView&) {
  Invalidate();
}

void TControl::CMFontChanged(TMessageView&) {
  Invalidate();
}

void TControl::CMParentColorChanged(TMessageView& Message) {
  if (!FParentColor || !FParent)
    return;
  // WParam nonzero carries the colour itself, so a parent can pass one it does not show.
  SetColor(Message.WParam ? TColor(Message.LParam) : FParent->Color());
  FParentColor = true;
}

void TControl::CMParentFontChanged(TMessageView&) {
  if (!FParentFont || !FParent)
    return;
  FFont->Assign(FParent->Font());
  FParentFont = true;
}

void TControl::CMTextChanged(TMessageView&) {
  Invalidate();
}

void TControl::CMCursorChanged(TMessageView&) {}

void TControl::CMHitTest(TCMHitTest& Message) {
  Message.Result = 1; // HTCLIENT
}

// The parent hears first; its handler may free this control.
void TControl::CMMouseEnter(TCMMouseEnter& Message) {
  auto alive = AliveToken();
  if (FParent)
    FParent->Perform(CM_MOUSEENTER, 0, Message.LParam ? Message.LParam : LPARAM(this));
  if (*alive && Message.LParam == 0 && OnMouseEnter)
    OnMouseEnter(this);
}

void TControl::CMMouseLeave(TCMMouseLeave& Message) {
  auto alive = AliveToken();
  if (FParent)
    FParent->Perform(CM_MOUSELEAVE, 0, Message.LParam ? Message.LParam : LPARAM(this));
  if (*alive && Message.LParam == 0 && OnMouseLeave)
    OnMouseLeave(this);
}

void TControl::CMInvalidate(TMessageView&) {
  InvalidateControl(IsVisible(), FControlStyle.Contains(csOpaque));
}

void TControl::CMSysColorChange(TMessageView&) {}
void TControl::CMWinIniChange(TMessageView&) {}
void TControl::CMCtl3DChanged(TMessageView&) {}

void TControl::CMDrag(TCMDrag& Message) {
  TDragRec* rec = Message.DragRec();
  if (!rec)
    return;
  const TPoint p = ScreenToClient(rec->Pos);
  switch (Message.DragMessage()) {
  case dmDragEnter:
  case dmDragLeave:
  case dmDragMove: {
    bool accept = true;
    const TDragState state = Message.DragMessage() == dmDragEnter   ? dsDragEnter
                             : Message.DragMessage() == dmDragLeave ? dsDragLeave
                                                                    : dsDragMove;
    DragOver(rec->Source, p.x, p.y, state, accept);
    Message.Result = accept ? 1 : 0;
    break;
  }
  case dmDragDrop:
    DragDrop(rec->Source, p.x, p.y);
    break;
  case dmFindTarget:
    Message.Result = LRESULT(this);
    break;
  default:
    break;
  }
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop)
    OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag)
    OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag)
    OnEndDrag(this, Target, X, Y);
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  if (gDrag.Source)
    return;
  if (Threshold < 0)
    Threshold = Mouse()->DragThreshold();
  TDragController::Begin(this, Immediate, Threshold);
}

void TControl::EndDrag(bool Drop) {
  if (gDrag.Source == this)
    TDragController::Finish(Drop);
}

bool TControl::Dragging() const {
  return gDrag.Source == this;
}

void CancelDrag() {
  TDragController::Finish(false);
}

TDragObject* DragObject() {
  return gDrag.Object;
}

TDragImageList* CurrentDragImages() {
  return gDrag.Images;
}

bool TControl::ShowHint() const {
  if (FParentShowHint && FParent)
    return FParent->ShowHint();
  return FShowHint;
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
}

void TControl::DoBeginAutoDrag() {
  BeginDrag(Mouse()->DragImmediate(), Mouse()->DragThreshold());
}

void TDragController::Begin(TControl* Source, bool Immediate, int Threshold) {
  TDragObject* obj = nullptr;
  // A start handler that frees the source leaves nothing to drag; an object it supplied hears that the drag
  // is over, so that one owning itself goes too.
  auto sourceAlive = Source->AliveToken();
  Source->DoStartDrag(obj);
  if (!*sourceAlive) {
    if (obj)
      obj->Finished(nullptr, 0, 0, false);
    return;
  }
  gDrag = DragState{};
  gDrag.Source = Source;
  gDrag.OwnsObject = obj == nullptr;
  gDrag.Object = obj ? obj : new TDragControlObject(Source);
  gDrag.Threshold = Threshold;
  GetCursorPos(&gDrag.StartPos);
  SetCaptureControl(Source);
  if (TDragImageList* images = Source->GetDragImages();
      images && images->BeginDrag(gDrag.StartPos.x, gDrag.StartPos.y))
    gDrag.Images = images;
  if (Immediate) {
    gDrag.Active = true;
    MoveTo(gDrag.StartPos);
  }
}

LRESULT TDragController::SendDrag(TControl* Target, TDragMessage Msg, const TPoint& ScreenPos) {
  TDragRec rec;
  rec.Pos = ScreenPos;
  rec.Source = gDrag.Object;
  rec.Target = Target;
  return Target->Perform(CM_DRAG, WPARAM(Msg), LPARAM(&rec));
}

void TDragController::MoveTo(const TPoint& ScreenPos) {
  if (!gDrag.Source)
    return;
  if (!gDrag.Active) {
    if (std::abs(ScreenPos.x - gDrag.StartPos.x) < gDrag.Threshold &&
        std::abs(ScreenPos.y - gDrag.StartPos.y) < gDrag.Threshold)
      return;
    gDrag.Active = true;
  }
  // Each message below reaches a handler that may free the source, which ends the drag, or the target, which
  // the drag then forgets.
  TControl* target = FindDragTarget(ScreenPos, false);
  if (target != gDrag.Target) {
    if (gDrag.Target) {
      SendDrag(gDrag.Target, dmDragLeave, ScreenPos);
      if (!gDrag.Source)
        return;
    }
    gDrag.Target = target;
    gDrag.Accepted = target && SendDrag(target, dmDragEnter, ScreenPos) != 0;
  } else if (target) {
    gDrag.Accepted = SendDrag(target, dmDragMove, ScreenPos) != 0;
  }
  if (!gDrag.Source)
    return;
  if (gDrag.Target != target) {
    target = nullptr;
    gDrag.Accepted = false;
  }
  if (gDrag.Images)
    gDrag.Images->DragMove(ScreenPos.x, ScreenPos.y);
  gDrag.Object->FDragPos = ScreenPos;
  gDrag.Object->FDragTarget = target;
  if (target)
    gDrag.Object->FDragTargetPos = target->ScreenToClient(ScreenPos);
  const TCursor cursor = gDrag.Object->GetDragCursor(gDrag.Accepted, gDrag.Object->FDragTargetPos.x,
                                                     gDrag.Object->FDragTargetPos.y);
  ::SetCursor(Screen()->Cursors(cursor));
}

void TDragController::Finish(bool Drop) {
  if (!gDrag.Source)
    return;
  DragState d = gDrag;
  gDrag = DragState{};
  // The drop and leave handlers may free the source or the target: neither hears of the drag afterwards.
  // A source being destroyed ends its drag here too, and no longer hears of it either.
  auto sourceAlive = d.Source->AliveToken();
  auto targetAlive = d.Target ? d.Target->AliveToken() : nullptr;
  if (d.Images)
    d.Images->EndDrag();
  if (GetCaptureControl() == d.Source)
    SetCaptureControl(nullptr);
  TPoint pos = d.Object->FDragPos;
  const bool accepted = d.Active && Drop && d.Target && d.Accepted;
  TObject* targetObj = nullptr;
  TPoint targetPos{};
  d.Object->FCancelling = !Drop;
  if (d.Active && d.Target) {
    if (accepted) {
      targetPos = d.Target->ScreenToClient(pos);
      d.Object->FDropped = true;
      gDrag.Object = d.Object; // the drop handler may ask the source's drag object
      TDragRec rec;
      rec.Pos = pos;
      rec.Source = d.Object;
      rec.Target = d.Target;
      d.Target->Perform(CM_DRAG, WPARAM(dmDragDrop), LPARAM(&rec));
      gDrag.Object = nullptr;
      if (*targetAlive)
        targetObj = d.Target;
      else
        targetPos = TPoint{};
    } else {
      TDragRec rec;
      rec.Pos = pos;
      rec.Source = d.Object;
      rec.Target = d.Target;
      d.Target->Perform(CM_DRAG, WPARAM(dmDragLeave), LPARAM(&rec));
    }
  }
  ::SetCursor(Screen()->Cursors(crDefault));
  if (d.Active && *sourceAlive)
    d.Source->DoEndDrag(targetObj, targetPos.x, targetPos.y);
  d.Object->Finished(targetObj, targetPos.x, targetPos.y, accepted);
  if (d.OwnsObject)
    d.Object->Free();
}

bool TDragController::Handles(TControl* Control, TMessage& Message) {
  if (gDrag.Source != Control || !gDrag.Object)
    return false;
  switch (Message.Msg) {
  case WM_MOUSEMOVE: {
    TWMMouse m(Message);
    MoveTo(Control->ClientToScreen(m.Pos()));
    // Before the threshold is passed the control still sees the move as its own.
    return gDrag.Active || gDrag.Source != Control;
  }
  case WM_LBUTTONUP: {
    const bool wasActive = gDrag.Active;
    Finish(true);
    if (!wasActive)
      return false;
    return true;
  }
  case WM_RBUTTONDOWN:
  case WM_CANCELMODE:
  case WM_CAPTURECHANGED:
    if (Message.Msg == WM_CAPTURECHANGED && Message.LParam == 0)
      return false;
    Finish(false);
    return Message.Msg != WM_CANCELMODE;
  case WM_KEYDOWN:
    if (Message.WParam == VK_ESCAPE) {
      Finish(false);
      return true;
    }
    return false;
  default:
    return false;
  }
}

TControlCanvas::~TControlCanvas() {
  FreeHandle();
}

void TControlCanvas::SetControl(TControl* AControl) {
  if (FControl == AControl)
    return;
  FreeHandle();
  FControl = AControl;
}

void TControlCanvas::FreeHandle() {
  if (!FDeviceContext)
    return;
  SetHandle(nullptr);
  ReleaseDC(FWindow, FDeviceContext);
  FDeviceContext = nullptr;
  FWindow = nullptr;
}

void TControlCanvas::CreateHandle() {
  if (!FControl)
    throw EInvalidOperation("Canvas does not allow drawing");
  if (auto* win = dynamic_cast<TWinControl*>(FControl)) {
    FWindow = win->Handle();
    FDeviceContext = GetDC(FWindow);
  } else {
    if (!FControl->Parent())
      throw EInvalidOperation("Control '" + FControl->Name() + "' has no parent window");
    FWindow = FControl->Parent()->Handle();
    FDeviceContext = GetDC(FWindow);
    SetViewportOrgEx(FDeviceContext, FControl->Left(), FControl->Top(), nullptr);
    IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
  }
  SetHandle(FDeviceContext);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), FCanvas(new TControlCanvas) {
  FCanvas->SetControl(this);
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::Paint() {}

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas->FreeHandle();
  FCanvas->Lock();
  FCanvas->SetHandle(DC);
  try {
    FCanvas->SetFont(Font());
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

void TCustomControl::WMPaint(TWMPaint& Message) {
  FControlState.Include(csCustomPaint);
  try {
    TWinControl::WMPaint(Message);
  } catch (...) {
    FControlState.Exclude(csCustomPaint);
    throw;
  }
  FControlState.Exclude(csCustomPaint);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), FCanvas(new TControlCanvas) {
  FCanvas->SetControl(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT) {
    TWMPaint m(Message);
    WMPaint(m);
    return;
  }
  TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TWMPaint& Message) {
  if (!Message.DC())
    return;
  FCanvas->FreeHandle();
  FCanvas->Lock();
  FCanvas->SetHandle(Message.DC());
  try {
    FCanvas->SetFont(Font());
    Paint();
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
    throw;
  }
  FCanvas->SetHandle(nullptr);
  FCanvas->Unlock();
}

int TMouse::WheelScrollLines() const {
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  return int(lines);
}

TPoint TMouse::CursorPos() const {
  POINT p{};
  GetCursorPos(&p);
  return p;
}

void TMouse::SetCursorPos(const TPoint& Value) {
  ::SetCursorPos(Value.x, Value.y);
}

HWND TMouse::Capture() const {
  return GetCapture();
}

bool TMouse::IsDragging() const {
  return gDrag.Source != nullptr && gDrag.Active;
}

TMouse* Mouse() {
  static TMouse mouse;
  return &mouse;
}
