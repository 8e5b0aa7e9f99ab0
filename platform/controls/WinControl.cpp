#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

// The control whose window is being created: its first message binds the new handle to it, so that even
// WM_NCCREATE and WM_CREATE reach the control.
TWinControl* gCreationControl = nullptr;
std::unordered_map<HWND, TWinControl*>& ControlMap() {
  static std::unordered_map<HWND, TWinControl*> map;
  return map;
}

// The procedure each control class's window class had before the controls' procedure was put in front of it.
std::unordered_map<std::string, WNDPROC>& ClassProcs() {
  static std::unordered_map<std::string, WNDPROC> procs;
  return procs;
}

// A window whose control is gone (freed by a handler while its window was going) still ends through its
// class's own procedure, which frees what the class keeps for the window.
LRESULT OrphanWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  char name[256] = {};
  GetClassName(hwnd, name, int(sizeof name));
  auto it = ClassProcs().find(name);
  if (it == ClassProcs().end() || !it->second)
    return DefWindowProc(hwnd, msg, wParam, lParam);
  return CallWindowProc(it->second, hwnd, msg, wParam, lParam);
}

} // namespace

LRESULT ControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& map = ControlMap();
  auto it = map.find(hwnd);
  TWinControl* control = it == map.end() ? nullptr : it->second;
  if (!control && gCreationControl) {
    control = gCreationControl;
    gCreationControl = nullptr;
    control->FHandle = hwnd;
    map[hwnd] = control;
  }
  if (!control)
    return OrphanWndProc(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  control->MainWndProc(m);
  return m.Result;
}

TWinControl* FindControl(HWND Handle) {
  if (!Handle)
    return nullptr;
  auto& map = ControlMap();
  auto it = map.find(Handle);
  return it == map.end() ? nullptr : it->second;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FColor = clBtnFace;
}

TWinControl::~TWinControl() {
  Destroying();
  if (auto* form = GetParentForm(); form && form != static_cast<TControl*>(this))
    form->DefocusControl(this, false);
  if (FHandle)
    DestroyHandle();
  if (FParent)
    FParent->RemoveControl(this);
  while (!FControls.empty())
    FControls.back()->SetParent(nullptr);
  if (FBrush)
    DeleteObject(FBrush);
}

void TWinControl::MainWndProc(TMessage& Message) {
  try {
    WindowProc()(Message);
  } catch (...) {
    HandleControlException(this);
  }
}

// A caller that gets no window must not touch the control either.
HWND TWinControl::Handle() {
  if (FHandle)
    return FHandle;
  auto alive = AliveToken();
  HandleNeeded();
  return *alive ? FHandle : nullptr;
}

void TWinControl::HandleNeeded() {
  if (FHandle)
    return;
  // The parent's window is made first, which runs the message hooks: their handlers may free this control.
  auto alive = AliveToken();
  if (FParent)
    FParent->HandleNeeded();
  if (*alive)
    CreateHandle();
}

void TWinControl::SetParentWindow(HWND Value) {
  if (FParent || FParentWindow == Value)
    return;
  if (FHandle && FParentWindow && Value)
    ::SetParent(FHandle, Value);
  else
    DestroyHandle();
  FParentWindow = Value;
  UpdateControlState();
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= int(FControls.size()))
    throw EListError("Control index out of bounds (" + IntToStr(Index) + ")");
  return FControls[std::size_t(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl)
    return;
  AControl->FParent = this;
  FControls.push_back(AControl);
  if (auto* win = dynamic_cast<TWinControl*>(AControl))
    FTabList.push_back(win);
  AControl->Perform(CM_PARENTCOLORCHANGED);
  AControl->Perform(CM_PARENTFONTCHANGED);
  AControl->UpdateAnchorRules();
  // Showing the control's window can run handlers that free it, or this control, or move it elsewhere.
  auto alive = AliveToken();
  auto controlAlive = AControl->AliveToken();
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    win->UpdateControlState();
  } else if (HandleAllocated()) {
    AControl->Invalidate();
  }
  if (!*alive)
    return;
  Realign();
  if (*controlAlive && AControl->Parent() == this)
    Perform(CM_CONTROLCHANGE, WPARAM(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end())
    return;
  Perform(CM_CONTROLCHANGE, WPARAM(AControl), 0);
  // Taking the focus from the control and destroying its window can run handlers that free this control, or
  // free the control, or already move it elsewhere: then there is nothing left to take out here.
  auto alive = AliveToken();
  if (auto* win = dynamic_cast<TWinControl*>(AControl)) {
    if (auto* form = GetParentForm())
      form->DefocusControl(win, true);
    const auto standsHere = [&] {
      return std::find(FControls.begin(), FControls.end(), AControl) != FControls.end();
    };
    if (*alive && standsHere() && win->HandleAllocated())
      win->DestroyHandle();
    // As its windows went, the focus may have come back to it while it still stood here (a focused child
    // window gives the focus to its parent as it goes); the form would keep it as its active control after
    // it left, and after it was freed.
    if (*alive && standsHere())
      if (auto* form = GetParentForm())
        form->DefocusControl(win, true);
    if (!*alive)
      return;
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), win), FTabList.end());
  } else {
    AControl->InvalidateControl(AControl->Visible(), false);
  }
  it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end())
    return;
  if (GetCaptureControl() == AControl)
    SetCaptureControl(nullptr);
  FControls.erase(it);
  AControl->FParent = nullptr;
  if (!ComponentState().Contains(csDestroying))
    Realign();
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* c = Control; c; c = c->Parent())
    if (c == this)
      return true;
  return false;
}

TControl* TWinControl::ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c))
      continue;
    if (!c->Visible() || (!AllowDisabled && !c->Enabled()))
      continue;
    const TRect r = c->BoundsRect();
    if (!PtInRect(&r, Pos))
      continue;
    if (c->Perform(CM_HITTEST, 0, MAKELPARAM(Pos.x - c->Left(), Pos.y - c->Top())) != 0)
      return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  // A child's handler may free this control (a popup closing as a child redraws): it then tells no one more.
  auto alive = AliveToken();
  for (std::size_t i = 0; *alive && i < FControls.size(); ++i) {
    TMessage m = Message;
    FControls[i]->WindowProc()(m);
    if (m.Result != 0) {
      Message.Result = m.Result;
      return;
    }
  }
}

void TWinControl::NotifyControls(UINT Msg, WPARAM WParam, LPARAM LParam) {
  // A child may leave or join the list while it hears the news, or free this control; a copy keeps the walk
  // safe, and it ends once this control is gone.
  auto alive = AliveToken();
  const std::vector<TControl*> children = FControls;
  for (TControl* c : children) {
    if (!*alive)
      return;
    if (std::find(FControls.begin(), FControls.end(), c) != FControls.end()) {
      TMessage m{Msg, WParam, LParam, 0};
      c->WindowProc()(m);
    }
  }
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = FText;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (FControlStyle.Contains(csAcceptsControls))
    Params.Style |= WS_CLIPCHILDREN;
  if (!FEnabled)
    Params.Style |= WS_DISABLED;
  if (FTabStop)
    Params.Style |= WS_TABSTOP;
  Params.X = FLeft;
  Params.Y = FTop;
  Params.Width = FWidth;
  Params.Height = FHeight;
  if (FParent)
    Params.WndParent = FParent->Handle();
  else
    Params.WndParent = FParentWindow;
  Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW;
  if (FControlStyle.Contains(csDoubleClicks))
    Params.WindowClass.style |= CS_DBLCLKS;
  Params.WindowClass.lpfnWndProc = &DefWindowProcA;
  Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  WNDCLASSA wc{};
  if (!GetClassInfo(nullptr, ControlClassName, &wc))
    throw EInvalidOperation(AnsiString("Window class '") + ControlClassName + "' is not registered");
  const UINT keep = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.style = (wc.style & ~keep) | (Params.WindowClass.style & keep);
  Params.WindowClass = wc;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == nullptr && (params.Style & WS_CHILD) && !GetParentForm())
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  FDefWndProc = params.WindowClass.lpfnWndProc;
  ClassProcs()[params.WinClassName] = FDefWndProc;
  // One platform class per control class: the control's procedure in front of the class's own.
  WNDCLASSA existing{};
  if (!GetClassInfo(nullptr, params.WinClassName.c_str(), &existing) ||
      existing.lpfnWndProc != &ControlWndProc) {
    if (existing.lpfnWndProc)
      UnregisterClass(params.WinClassName.c_str(), nullptr);
    WNDCLASSA wc = params.WindowClass;
    wc.lpfnWndProc = &ControlWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClass(&wc))
      throw EOutOfResources("Cannot register window class '" + params.WinClassName + "'");
  }
  CreateWindowHandle(params);
  if (!FHandle)
    throw EOutOfResources("Error creating window for '" + ClassName() + "'");
  SendMessage(FHandle, WM_SETFONT, WPARAM(Font()->Handle()), 1);
  if (AutoSize())
    DoAutoSize();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  FControlState.Include(csCreating);
  gCreationControl = this;
  HWND h = nullptr;
  try {
    h = CreateWindowEx(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(), Params.Style,
                       Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent, nullptr, nullptr,
                       Params.Param);
  } catch (...) {
    gCreationControl = nullptr;
    FControlState.Exclude(csCreating);
    throw;
  }
  gCreationControl = nullptr;
  FControlState.Exclude(csCreating);
  if (h && FHandle != h) {
    // The class sent nothing during creation; bind now.
    FHandle = h;
    ControlMap()[h] = this;
  }
}

void TWinControl::CreateHandle() {
  if (FHandle)
    return;
  // Making the window and placing it among its siblings run the message hooks, whose handlers (a popup that
  // closes as its owner changes) may free this control.
  auto alive = AliveToken();
  CreateWnd();
  if (!*alive)
    return;
  if (FParent) {
    // Keep the platform's z-order the same as the parent's list: behind the nearest windowed sibling that
    // lies in front, or on top when none does.
    HWND after = HWND_TOP;
    auto& list = FParent->FControls;
    auto self = std::find(list.begin(), list.end(), this);
    if (self != list.end())
      for (auto it = self + 1; it != list.end(); ++it)
        if (auto* w = dynamic_cast<TWinControl*>(*it); w && w->HandleAllocated()) {
          after = w->FHandle;
          break;
        }
    SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!*alive)
      return;
  }
  for (TControl* c : FControls)
    c->UpdateAnchorRules();
}

void TWinControl::DestroyHandle() {
  if (!FHandle)
    return;
  // A child's window that goes can run handlers that free controls (a popup closing with its owner), so the
  // children are taken first and each is looked at before its window is destroyed.
  std::vector<std::pair<TWinControl*, std::shared_ptr<const bool>>> children;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c))
      children.emplace_back(w, w->AliveToken());
  auto alive = AliveToken();
  for (auto& [child, childAlive] : children) {
    if (!*alive)
      return;
    if (*childAlive && child->Parent() == this)
      child->DestroyHandle();
  }
  if (*alive)
    DestroyWnd();
}

void TWinControl::DestroyWnd() {
  // The window held the text while it lived; the control keeps it for the next window.
  FText = GetText();
  DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
  FControlState.Include(csDestroyingHandle);
  HWND h = FHandle;
  // The window going can run a handler that frees this control, through the control that owns it.
  auto alive = AliveToken();
  try {
    DestroyWindow(h);
  } catch (...) {
    if (*alive)
      FControlState.Exclude(csDestroyingHandle);
    throw;
  }
  if (!*alive)
    return;
  FControlState.Exclude(csDestroyingHandle);
  if (FHandle == h) {
    ControlMap().erase(h);
    FHandle = nullptr;
  }
  FShowing = false;
}

void TWinControl::RecreateWnd() {
  if (!FHandle)
    return;
  const bool focused = Focused();
  DestroyHandle();
  UpdateControlState();
  if (focused && FHandle)
    ::SetFocus(FHandle);
}

void TWinControl::CMRecreateWnd(TMessageView&) {
  RecreateWnd();
}

void TWinControl::UpdateControlState() {
  for (TWinControl* c = FParent; c; c = c->FParent)
    if (!c->FShowing)
      return;
  TControl* top = this;
  while (top->FParent)
    top = top->FParent;
  auto* topWin = static_cast<TWinControl*>(top);
  if (dynamic_cast<TCustomForm*>(top) || topWin->FParentWindow)
    UpdateShowing();
}

void TWinControl::UpdateShowing() {
  const bool show =
      (FVisible || (ComponentState().Contains(csDesigning) && !FControlStyle.Contains(csNoDesignVisible))) &&
      !FControlState.Contains(csReadingState);
  if (show) {
    // Making and showing the windows can run handlers that free this control or take it out of its parent;
    // a control taken out is shown, if at all, by the parent it was put in.
    auto alive = AliveToken();
    TWinControl* const parent = FParent;
    if (!FHandle)
      CreateHandle();
    // Over the live list: a child that joins while its siblings' windows are made (a control that parents
    // its scroll bars beside itself) is shown in this pass, for it will not be offered another.
    for (std::size_t i = 0; *alive && FParent == parent && i < FControls.size(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(FControls[i]))
        w->UpdateShowing();
    if (!*alive || FParent != parent)
      return;
  }
  if (FHandle && FShowing != show) {
    FShowing = show;
    try {
      Perform(CM_SHOWINGCHANGED);
    } catch (...) {
      FShowing = !show;
      throw;
    }
  }
}

void TWinControl::CMShowingChanged(TMessageView&) {
  const UINT flag = FShowing ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
  SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flag);
}

// Taking the focus from a control that is hidden or disabled raises its exit handlers, which may free it.
void TWinControl::CMVisibleChanged(TMessageView& Message) {
  auto alive = AliveToken();
  if (!FVisible && FParent) {
    if (auto* form = GetParentForm(); form && form != static_cast<TControl*>(this))
      form->DefocusControl(this, false);
  }
  if (*alive && (!ComponentState().Contains(csDesigning) || FControlStyle.Contains(csNoDesignVisible)))
    UpdateControlState();
  (void)Message;
}

void TWinControl::CMEnabledChanged(TMessageView&) {
  auto alive = AliveToken();
  if (!FEnabled && FParent) {
    if (auto* form = GetParentForm(); form && form != static_cast<TControl*>(this))
      form->DefocusControl(this, false);
  }
  if (*alive && FHandle)
    EnableWindow(FHandle, FEnabled);
}

HBRUSH TWinControl::BackgroundBrush() {
  if (!FBrush || FBrushColor != FColor) {
    if (FBrush)
      DeleteObject(FBrush);
    FBrush = CreateSolidBrush(COLORREF(ColorToRGB(FColor)));
    FBrushColor = FColor;
  }
  return FBrush;
}

void TWinControl::CMColorChanged(TMessageView& Message) {
  TControl::CMColorChanged(Message);
  NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessageView& Message) {
  TControl::CMFontChanged(Message);
  if (FHandle)
    SendMessage(FHandle, WM_SETFONT, WPARAM(Font()->Handle()), 0);
  NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMInvalidate(TMessageView&) {
  if (FHandle)
    InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::CMSysColorChange(TMessageView& Message) {
  auto alive = AliveToken();
  NotifyControls(CM_SYSCOLORCHANGE, Message.WParam, Message.LParam);
  if (*alive)
    Invalidate();
}

void TWinControl::CMWinIniChange(TMessageView& Message) {
  NotifyControls(CM_WININICHANGE, Message.WParam, Message.LParam);
}

void TWinControl::CMCtl3DChanged(TMessageView&) {
  NotifyControls(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMCursorChanged(TMessageView&) {
  POINT p{};
  GetCursorPos(&p);
  if (FHandle && WindowFromPoint(p) == FHandle)
    Perform(WM_SETCURSOR, WPARAM(FHandle), HTCLIENT);
}

void TWinControl::CMFocusChanged(TCMFocusChanged& Message) {
  TMessage m = Message;
  Broadcast(m);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight))
    return;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
    return;
  if (FHandle) {
    // The move's messages reach hooks and handlers, which may free the control.
    auto alive = AliveToken();
    SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!*alive)
      return;
    // The move message has normally updated the fields already; a window the platform did not move (such
    // as one being destroyed) gets the new bounds here.
    if (FLeft != ALeft || FTop != ATop || FWidth != AWidth || FHeight != AHeight) {
      const int oldW = FWidth, oldH = FHeight;
      UpdateBoundsRect(Bounds(ALeft, ATop, AWidth, AHeight));
      RequestAlign();
      if (oldW != FWidth || oldH != FHeight) {
        Realign();
        Resize();
      }
    }
    return;
  }
  const int oldW = FWidth, oldH = FHeight;
  UpdateBoundsRect(Bounds(ALeft, ATop, AWidth, AHeight));
  RequestAlign();
  if (oldW != FWidth || oldH != FHeight) {
    Realign();
    if (!ComponentState().Contains(csLoading))
      Resize();
  }
}

void TWinControl::UpdateBounds() {
  RECT r{};
  GetWindowRect(FHandle, &r);
  HWND parent = GetParent(FHandle);
  if (parent && (GetWindowLong(FHandle, GWL_STYLE) & WS_CHILD))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  UpdateBoundsRect(r);
}

TRect TWinControl::GetClientRect() {
  if (FHandle) {
    RECT r{};
    ::GetClientRect(FHandle, &r);
    return r;
  }
  return TControl::GetClientRect();
}

TPoint TWinControl::ClientOrigin() {
  if (FHandle) {
    POINT p{0, 0};
    ::ClientToScreen(FHandle, &p);
    return p;
  }
  if (!FParent)
    return Point(FLeft, FTop);
  return TControl::ClientOrigin();
}

void TWinControl::SetClientSize(int AWidth, int AHeight) {
  const TRect client = GetClientRect();
  SetBounds(FLeft, FTop, FWidth - RectWidth(client) + AWidth, FHeight - RectHeight(client) + AHeight);
}

void TWinControl::EnableAlign() {
  if (FAlignLevel == 0)
    return;
  if (--FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded))
    Realign();
}

void TWinControl::AlignControl(TControl* AControl) {
  if (ComponentState().Contains(csDestroying))
    return;
  if (FAlignLevel > 0) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  // Placing one child may ask for another pass; positions settle after a few because each pass only moves
  // children towards the same layout.
  for (int pass = 0; pass < 4; ++pass) {
    FControlState.Exclude(csAlignmentNeeded);
    ++FAlignLevel;
    try {
      TRect r = GetClientRect();
      AdjustClientRect(r);
      AlignControls(pass == 0 ? AControl : nullptr, r);
    } catch (...) {
      --FAlignLevel;
      throw;
    }
    --FAlignLevel;
    if (!FControlState.Contains(csAlignmentNeeded))
      break;
  }
  FControlState.Exclude(csAlignmentNeeded);
  if (AutoSize())
    DoAutoSize();
}

void TWinControl::DoAlign(TAlign AAlign, TControl* AControl, TRect& Rect) {
  std::vector<TControl*> list;
  for (TControl* c : FControls)
    if (c->Align() == AAlign && (c->Visible() || ComponentState().Contains(csDesigning)))
      list.push_back(c);
  // Controls on one side stack in the order of their position towards that side; the control being placed
  // wins a tie, so it lands where it was put.
  auto key = [AAlign](TControl* c) {
    switch (AAlign) {
    case alTop:
      return c->Top();
    case alBottom:
      return -(c->Top() + c->Height());
    case alLeft:
      return c->Left();
    case alRight:
      return -(c->Left() + c->Width());
    default:
      return 0;
    }
  };
  std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) {
    const int ka = key(a), kb = key(b);
    if (ka != kb)
      return ka < kb;
    return a == AControl && b != AControl;
  });
  for (TControl* c : list) {
    const int w = RectWidth(Rect), h = RectHeight(Rect);
    switch (AAlign) {
    case alTop:
      c->SetBounds(Rect.left, Rect.top, w, c->Height());
      Rect.top += c->Height();
      break;
    case alBottom:
      c->SetBounds(Rect.left, Rect.bottom - c->Height(), w, c->Height());
      Rect.bottom -= c->Height();
      break;
    case alLeft:
      c->SetBounds(Rect.left, Rect.top, c->Width(), h);
      Rect.left += c->Width();
      break;
    case alRight:
      c->SetBounds(Rect.right - c->Width(), Rect.top, c->Width(), h);
      Rect.right -= c->Width();
      break;
    case alClient:
      c->SetBounds(Rect.left, Rect.top, std::max(w, 0), std::max(h, 0));
      break;
    default:
      break;
    }
  }
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
  const TRect client = GetClientRect();
  const int cw = RectWidth(client), ch = RectHeight(client);
  for (TControl* c : FControls) {
    if (c->Align() != alNone || c->Anchors() == TAnchors{akLeft, akTop})
      continue;
    if (c->FAnchorOrigin.x != cw || c->FAnchorOrigin.y != ch)
      c->AnchorsParentResized(c->FAnchorOrigin.x, c->FAnchorOrigin.y, cw, ch);
  }
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
    DoAlign(a, AControl, Rect);
}

bool TWinControl::CanAutoSize(int& NewWidth, int& NewHeight) {
  int right = 0, bottom = 0;
  bool any = false;
  for (TControl* c : FControls) {
    if (!c->Visible() || c->Align() != alNone)
      continue;
    any = true;
    right = std::max(right, c->Left() + c->Width());
    bottom = std::max(bottom, c->Top() + c->Height());
  }
  if (!any)
    return false;
  const TRect client = GetClientRect();
  NewWidth = FWidth - RectWidth(client) + right;
  NewHeight = FHeight - RectHeight(client) + bottom;
  return true;
}

int TWinControl::TabOrder() const {
  if (!FParent)
    return -1;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int Value) {
  if (!FParent)
    return;
  auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end())
    return;
  list.erase(it);
  const int count = int(list.size());
  const int pos = (Value < 0 || Value > count) ? count : Value;
  list.insert(list.begin() + pos, this);
}

void TWinControl::SetTabStop(bool Value) {
  if (FTabStop == Value)
    return;
  FTabStop = Value;
  if (FHandle) {
    LONG style = GetWindowLong(FHandle, GWL_STYLE);
    style = Value ? (style | LONG(WS_TABSTOP)) : (style & ~LONG(WS_TABSTOP));
    SetWindowLong(FHandle, GWL_STYLE, style);
  }
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::SetParentBackground(bool Value) {
  if (Value == ParentBackground())
    return;
  if (Value)
    FControlStyle.Include(csParentBackground);
  else
    FControlStyle.Exclude(csParentBackground);
  Invalidate();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
  for (TWinControl* c : FTabList) {
    List.push_back(c);
    c->GetTabOrderList(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty())
    return nullptr;
  const int count = int(list.size());
  auto it = std::find(list.begin(), list.end(), CurControl);
  int start = it == list.end() ? (GoForward ? count - 1 : 0) : int(it - list.begin());
  int i = start;
  for (int n = 0; n < count; ++n) {
    i = GoForward ? (i + 1) % count : (i - 1 + count) % count;
    TWinControl* c = list[std::size_t(i)];
    if (c == CurControl)
      break;
    if ((!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this) && c->CanFocus())
      return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (next)
    next->SetFocus();
}

bool TWinControl::CanFocus() {
  TCustomForm* form = GetParentForm();
  if (!form)
    return false;
  // The form's own visibility does not count, so a control can be made active before its form shows.
  for (TControl* c = this; c && c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled())
      return false;
  return true;
}

bool TWinControl::Focused() {
  return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm();
  if (form) {
    form->FocusControl(this);
  } else if (FParentWindow) {
    ::SetFocus(Handle());
  } else {
    throw EInvalidOperation("Cannot focus a control that is not on a form");
  }
}

void TWinControl::Update() {
  if (FHandle)
    UpdateWindow(FHandle);
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::SetZOrder(bool TopMost) {
  if (!FParent)
    return;
  TControl::SetZOrder(TopMost);
  if (FHandle)
    SetWindowPos(FHandle, TopMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SetZOrderPosition(int Position) {
  if (!FParent)
    return;
  auto& list = FParent->FControls;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end())
    return;
  list.erase(it);
  const int pos = std::clamp(Position, 0, int(list.size()));
  list.insert(list.begin() + pos, this);
}

void TWinControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case WM_SETFOCUS: {
    // The form follows the focus so that ActiveControl and the enter/exit events match the platform. The form
    // taking the focus itself, as when its focused control is disabled or hidden, is where that control is
    // left.
    TCustomForm* form = GetParentForm();
    if (form && !form->SetFocusedControl(this))
      return;
    break;
  }
  case WM_KILLFOCUS:
    if (FControlState.Contains(csFocusing))
      return;
    break;
  case WM_NCHITTEST:
    TControl::WndProc(Message);
    if (Message.Result == HTTRANSPARENT &&
        ControlAtPos(ScreenToClient(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam))),
                     false))
      Message.Result = HTCLIENT;
    return;
  case WM_MOUSEMOVE:
  case WM_LBUTTONDOWN:
  case WM_LBUTTONUP:
  case WM_LBUTTONDBLCLK:
  case WM_RBUTTONDOWN:
  case WM_RBUTTONUP:
  case WM_RBUTTONDBLCLK:
  case WM_MBUTTONDOWN:
  case WM_MBUTTONUP:
  case WM_MBUTTONDBLCLK: {
    TWMMouse m(Message);
    if (IsControlMouseMsg(m)) {
      // A child without a window had the message; the window still wants its cursor updated.
      if (Message.Msg == WM_MOUSEMOVE && FHandle)
        DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
      return;
    }
    break;
  }
  case WM_KEYDOWN:
  case WM_KEYUP:
  case WM_SYSKEYDOWN:
  case WM_SYSKEYUP:
  case WM_CHAR:
    if (ComponentState().Contains(csDesigning))
      return;
    break;
  case WM_CANCELMODE:
    if (GetCapture() == FHandle && GetCaptureControl() && GetCaptureControl()->Parent() == this) {
      GetCaptureControl()->Perform(WM_CANCELMODE);
      return;
    }
    break;
  default:
    break;
  }
  TControl::WndProc(Message);
}

bool TWinControl::IsControlMouseMsg(TWMMouse& Message) {
  TControl* control = nullptr;
  TControl* capture = GetCaptureControl();
  if (capture && capture != this) {
    if (capture->Parent() == this)
      control = capture;
  } else if (!capture) {
    control = ControlAtPos(Message.Pos(), false);
  }
  if (!control || dynamic_cast<TWinControl*>(control))
    return false;
  const TPoint p{Message.XPos() - control->Left(), Message.YPos() - control->Top()};
  Message.Result = control->Perform(Message.Msg, Message.WParam, MAKELPARAM(p.x, p.y));
  return true;
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case WM_PAINT: {
    TWMPaint m(Message);
    WMPaint(m);
    break;
  }
  case WM_ERASEBKGND: {
    TWMEraseBkgnd m(Message);
    WMEraseBkgnd(m);
    break;
  }
  case WM_SETFOCUS: {
    TWMSetFocus m(Message);
    WMSetFocus(m);
    break;
  }
  case WM_KILLFOCUS: {
    TWMKillFocus m(Message);
    WMKillFocus(m);
    break;
  }
  case WM_KEYDOWN: {
    TWMKey m(Message);
    WMKeyDown(m);
    break;
  }
  case WM_SYSKEYDOWN: {
    TWMKey m(Message);
    WMSysKeyDown(m);
    break;
  }
  case WM_KEYUP: {
    TWMKey m(Message);
    WMKeyUp(m);
    break;
  }
  case WM_SYSKEYUP: {
    TWMKey m(Message);
    WMSysKeyUp(m);
    break;
  }
  case WM_CHAR: {
    TWMKey m(Message);
    WMChar(m);
    break;
  }
  case WM_SIZE: {
    TWMSize m(Message);
    WMSize(m);
    break;
  }
  case WM_MOVE: {
    TMessageView m(Message);
    WMMove(m);
    break;
  }
  case WM_SETCURSOR: {
    TWMSetCursor m(Message);
    WMSetCursor(m);
    break;
  }
  case WM_COMMAND: {
    TWMCommand m(Message);
    WMCommand(m);
    break;
  }
  case WM_NOTIFY: {
    TWMNotify m(Message);
    WMNotify(m);
    break;
  }
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_CTLCOLORSTATIC: {
    TWMCtlColor m(Message);
    WMCtlColor(m);
    break;
  }
  case WM_DRAWITEM: {
    TWMDrawItem m(Message);
    WMDrawItem(m);
    break;
  }
  case WM_MEASUREITEM: {
    TWMMeasureItem m(Message);
    WMMeasureItem(m);
    break;
  }
  case WM_HSCROLL: {
    TWMScroll m(Message);
    WMHScroll(m);
    break;
  }
  case WM_VSCROLL: {
    TWMScroll m(Message);
    WMVScroll(m);
    break;
  }
  case WM_NCDESTROY: {
    TMessageView m(Message);
    WMNCDestroy(m);
    break;
  }
  case WM_GETDLGCODE: {
    TWMGetDlgCode m(Message);
    WMGetDlgCode(m);
    break;
  }
  case WM_SYSCOLORCHANGE: {
    TMessageView m(Message);
    WMSysColorChange(m);
    break;
  }
  case WM_SETTINGCHANGE: {
    TMessageView m(Message);
    WMSettingChange(m);
    break;
  }
  case CN_KEYDOWN: {
    TWMKey m(Message);
    CNKeyDown(m);
    break;
  }
  case CN_KEYUP: {
    TWMKey m(Message);
    CNKeyUp(m);
    break;
  }
  case CN_CHAR: {
    TWMKey m(Message);
    CNChar(m);
    break;
  }
  case CN_SYSKEYDOWN: {
    TWMKey m(Message);
    CNSysKeyDown(m);
    break;
  }
  case CN_SYSCHAR: {
    TWMKey m(Message);
    CNSysChar(m);
    break;
  }
  case CM_ENTER: {
    TCMEnter m(Message);
    CMEnter(m);
    break;
  }
  case CM_EXIT: {
    TCMExit m(Message);
    CMExit(m);
    break;
  }
  case CM_DIALOGKEY: {
    TCMDialogKey m(Message);
    CMDialogKey(m);
    break;
  }
  case CM_DIALOGCHAR: {
    TCMDialogChar m(Message);
    CMDialogChar(m);
    break;
  }
  case CM_CHILDKEY: {
    TCMChildKey m(Message);
    CMChildKey(m);
    break;
  }
  case CM_WANTSPECIALKEY: {
    TCMWantSpecialKey m(Message);
    CMWantSpecialKey(m);
    break;
  }
  case CM_SHOWINGCHANGED: {
    TMessageView m(Message);
    CMShowingChanged(m);
    break;
  }
  case CM_FOCUSCHANGED: {
    TCMFocusChanged m(Message);
    CMFocusChanged(m);
    break;
  }
  case CM_RECREATEWND: {
    TMessageView m(Message);
    CMRecreateWnd(m);
    break;
  }
  default:
    TControl::Dispatch(Message);
    break;
  }
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (!FHandle) {
    TControl::DefaultHandler(Message);
    return;
  }
  switch (Message.Msg) {
  case WM_CONTEXTMENU:
    if (FParent) {
      // The parent's handler may free this control.
      auto alive = AliveToken();
      Message.Result = FParent->Perform(Message.Msg, Message.WParam, Message.LParam);
      if (Message.Result != 0 || !*alive)
        return;
    }
    break;
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORLISTBOX:
  case WM_CTLCOLORSTATIC:
    Message.Result = SendMessage(reinterpret_cast<HWND>(Message.LParam), CN_BASE + Message.Msg,
                                 Message.WParam, Message.LParam);
    return;
  case CN_CTLCOLOREDIT:
  case CN_CTLCOLORLISTBOX:
  case CN_CTLCOLORSTATIC: {
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, COLORREF(ColorToRGB(Font()->Color())));
    SetBkColor(dc, COLORREF(ColorToRGB(FColor)));
    Message.Result = LRESULT(BackgroundBrush());
    return;
  }
  default:
    // The library's own messages mean nothing to a platform window procedure.
    if (Message.Msg >= CM_BASE && Message.Msg < CN_BASE + 0x400)
      return;
    break;
  }
  Message.Result = CallWindowProc(FDefWndProc ? FDefWndProc : &DefWindowProcA, FHandle, Message.Msg,
                                  Message.WParam, Message.LParam);
}

void TWinControl::PaintHandler(TWMPaint& Message) {
  HDC dc = Message.DC();
  PAINTSTRUCT ps{};
  if (!dc)
    dc = BeginPaint(FHandle, &ps);
  try {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
  } catch (...) {
    if (!Message.DC())
      EndPaint(FHandle, &ps);
    throw;
  }
  if (!Message.DC())
    EndPaint(FHandle, &ps);
}

void TWinControl::PaintWindow(HDC DC) {
  TMessage m{WM_PAINT, WPARAM(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = FControls.begin();
  if (First) {
    it = std::find(FControls.begin(), FControls.end(), First);
    if (it == FControls.end())
      it = FControls.begin();
  }
  for (; it != FControls.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c))
      continue;
    if (!(c->Visible() ||
          (ComponentState().Contains(csDesigning) && !c->ControlStyle().Contains(csNoDesignVisible))))
      continue;
    const TRect r = c->BoundsRect();
    if (!RectVisible(DC, &r))
      continue;
    const int saved = SaveDC(DC);
    POINT org{};
    GetWindowOrgEx(DC, &org);
    SetWindowOrgEx(DC, org.x - c->Left(), org.y - c->Top(), nullptr);
    IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
    c->Perform(WM_PAINT, WPARAM(DC), 0);
    RestoreDC(DC, saved);
  }
}

void TWinControl::WMPaint(TWMPaint& Message) {
  // Windows that paint themselves (platform classes) do so unless children without windows need drawing
  // over them, which only the library knows how to do.
  const bool hasGraphicChildren = std::any_of(FControls.begin(), FControls.end(),
                                              [](TControl* c) { return !dynamic_cast<TWinControl*>(c); });
  if (FControlState.Contains(csCustomPaint) || hasGraphicChildren || FDefWndProc == &DefWindowProcA) {
    PaintHandler(Message);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMEraseBkgnd(TWMEraseBkgnd& Message) {
  if (FDefWndProc != &DefWindowProcA) {
    DefaultHandler(Message);
    return;
  }
  if (!FControlStyle.Contains(csOpaque)) {
    const TRect r = GetClientRect();
    // There is no transparency between windows here: the parent's background is its colour.
    TWinControl* parent = Parent();
    FillRect(Message.DC(), &r, ParentBackground() && parent ? parent->BackgroundBrush() : BackgroundBrush());
  }
  Message.Result = 1;
}

void TWinControl::WMSetFocus(TWMSetFocus& Message) {
  DefaultHandler(Message);
}

void TWinControl::WMKillFocus(TWMKillFocus& Message) {
  DefaultHandler(Message);
}

bool TWinControl::DoKeyDown(TWMKey& Message) {
  TCustomForm* form = GetParentForm();
  auto alive = AliveToken();
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() && form->DoKeyDown(Message))
    return true;
  // The form's handler may have freed this control; a freed control has handled the key.
  if (!*alive)
    return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    WORD key = Message.CharCode();
    KeyDown(key, KeyDataToShiftState(Message.KeyData()));
    Message.SetCharCode(key);
    if (key == 0)
      return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TWMKey& Message) {
  TCustomForm* form = GetParentForm();
  auto alive = AliveToken();
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() && form->DoKeyUp(Message))
    return true;
  // The form's handler may have freed this control; a freed control has handled the key.
  if (!*alive)
    return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    WORD key = Message.CharCode();
    KeyUp(key, KeyDataToShiftState(Message.KeyData()));
    Message.SetCharCode(key);
    if (key == 0)
      return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TWMKey& Message) {
  TCustomForm* form = GetParentForm();
  auto alive = AliveToken();
  if (form && form != static_cast<TControl*>(this) && form->KeyPreview() && form->DoKeyPress(Message))
    return true;
  // The form's handler may have freed this control; a freed control has handled the key.
  if (!*alive)
    return true;
  if (!FControlStyle.Contains(csNoStdEvents)) {
    char ch = char(Message.CharCode());
    KeyPress(ch);
    Message.SetCharCode(WORD(BYTE(ch)));
    if (ch == 0)
      return true;
  }
  return false;
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown)
    OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp)
    OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress)
    OnKeyPress(this, Key);
}

void TWinControl::WMKeyDown(TWMKey& Message) {
  auto alive = AliveToken();
  if (!DoKeyDown(Message) && *alive)
    DefaultHandler(Message);
}

void TWinControl::WMSysKeyDown(TWMKey& Message) {
  auto alive = AliveToken();
  if (!DoKeyDown(Message) && *alive)
    DefaultHandler(Message);
}

void TWinControl::WMKeyUp(TWMKey& Message) {
  auto alive = AliveToken();
  if (!DoKeyUp(Message) && *alive)
    DefaultHandler(Message);
}

void TWinControl::WMSysKeyUp(TWMKey& Message) {
  auto alive = AliveToken();
  if (!DoKeyUp(Message) && *alive)
    DefaultHandler(Message);
}

void TWinControl::WMChar(TWMKey& Message) {
  auto alive = AliveToken();
  if (!DoKeyPress(Message) && *alive)
    DefaultHandler(Message);
}

void TWinControl::CNKeyDown(TWMKey& Message) {
  Message.Result = 1;
  if (ComponentState().Contains(csDesigning)) {
    Message.Result = 0;
    return;
  }
  if (Perform(CM_CHILDKEY, Message.CharCode(), LPARAM(this)) != 0)
    return;
  UINT mask = 0;
  switch (Message.CharCode()) {
  case VK_TAB:
    mask = DLGC_WANTTAB;
    break;
  case VK_LEFT:
  case VK_RIGHT:
  case VK_UP:
  case VK_DOWN:
    mask = DLGC_WANTARROWS;
    break;
  case VK_RETURN:
  case VK_ESCAPE:
  case VK_CANCEL:
    mask = DLGC_WANTALLKEYS;
    break;
  default:
    break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, Message.CharCode(), Message.KeyData()) == 0 &&
      (UINT(Perform(WM_GETDLGCODE)) & mask) == 0) {
    TCustomForm* form = GetParentForm();
    if (form && form->Perform(CM_DIALOGKEY, Message.CharCode(), Message.KeyData()) != 0)
      return;
  }
  Message.Result = 0;
}

void TWinControl::CNKeyUp(TWMKey& Message) {
  Message.Result = 0;
}

void TWinControl::CNChar(TWMKey& Message) {
  Message.Result = 0;
}

void TWinControl::CNSysKeyDown(TWMKey& Message) {
  Message.Result = 0;
  if (Perform(CM_CHILDKEY, Message.CharCode(), LPARAM(this)) != 0)
    Message.Result = 1;
}

void TWinControl::CNSysChar(TWMKey& Message) {
  Message.Result = 0;
  // Alt with a letter is a mnemonic: the form looks for a child that owns it.
  if (TCustomForm* form = GetParentForm(); form && Message.CharCode() != VK_SPACE)
    Message.Result = form->Perform(CM_DIALOGCHAR, Message.CharCode(), Message.KeyData());
}

void TWinControl::CMChildKey(TCMChildKey& Message) {
  if (FParent)
    Message.Result = FParent->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
}

void TWinControl::CMWantSpecialKey(TCMWantSpecialKey& Message) {
  Message.Result = 0;
}

void TWinControl::CMDialogKey(TCMDialogKey& Message) {
  Broadcast(Message);
}

void TWinControl::CMDialogChar(TCMDialogChar& Message) {
  Broadcast(Message);
}

void TWinControl::WMGetDlgCode(TWMGetDlgCode& Message) {
  DefaultHandler(Message);
}

// The platform tells top-level windows only; the library passes the news to every control below them.
void TWinControl::WMSysColorChange(TMessageView& Message) {
  Perform(CM_SYSCOLORCHANGE, Message.WParam, Message.LParam);
  DefaultHandler(Message);
}

void TWinControl::WMSettingChange(TMessageView& Message) {
  Perform(CM_WININICHANGE, Message.WParam, Message.LParam);
  DefaultHandler(Message);
}

void TWinControl::CMEnter(TCMEnter&) {
  DoEnter();
}

void TWinControl::CMExit(TCMExit&) {
  DoExit();
}

void TWinControl::DoEnter() {
  if (OnEnter)
    OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit)
    OnExit(this);
}

bool TWinControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel)
    OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

void TWinControl::WMSize(TWMSize& Message) {
  DefaultHandler(Message);
}

void TWinControl::WMMove(TMessageView& Message) {
  DefaultHandler(Message);
}

void TWinControl::WMWindowPosChanged(TWMWindowPosMsg& Message) {
  DefaultHandler(Message);
  if (!FHandle)
    return;
  const int oldW = FWidth, oldH = FHeight;
  const TRect old = BoundsRect();
  UpdateBounds();
  if (old == BoundsRect())
    return;
  RequestAlign();
  if (oldW != FWidth || oldH != FHeight) {
    Realign();
    if (!ComponentState().Contains(csLoading))
      Resize();
  }
}

void TWinControl::WMSetCursor(TWMSetCursor& Message) {
  if (Message.HitTest() == HTCLIENT && !ComponentState().Contains(csDesigning)) {
    TCursor cursor = Screen()->Cursor();
    if (cursor == crDefault) {
      POINT p{};
      GetCursorPos(&p);
      TControl* c = ControlAtPos(ScreenToClient(p), false);
      cursor = (c && c->Cursor() != crDefault) ? c->Cursor() : Cursor();
    }
    if (cursor != crDefault) {
      ::SetCursor(Screen()->Cursors(cursor));
      Message.Result = 1;
      return;
    }
  }
  DefaultHandler(Message);
}

void TWinControl::ReflectNotification(TMessage& Message, HWND Child) {
  if (TWinControl* c = FindControl(Child); c && c != this) {
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  DefaultHandler(Message);
}

void TWinControl::WMCommand(TWMCommand& Message) {
  ReflectNotification(Message, Message.Ctl());
}

void TWinControl::WMNotify(TWMNotify& Message) {
  // The notification header starts with the window it came from.
  HWND from = Message.LParam ? *reinterpret_cast<HWND*>(Message.LParam) : nullptr;
  ReflectNotification(Message, from);
}

void TWinControl::WMCtlColor(TWMCtlColor& Message) {
  ReflectNotification(Message, Message.ChildWnd());
}

void TWinControl::WMDrawItem(TWMDrawItem& Message) {
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c);
        w && w->HandleAllocated() && GetWindowLong(w->FHandle, GWL_ID) == LONG(Message.WParam)) {
      Message.Result = w->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
      return;
    }
  DefaultHandler(Message);
}

void TWinControl::WMMeasureItem(TWMMeasureItem& Message) {
  WMDrawItem(Message);
}

void TWinControl::WMHScroll(TWMScroll& Message) {
  if (Message.ScrollBar())
    ReflectNotification(Message, Message.ScrollBar());
  else
    DefaultHandler(Message);
}

void TWinControl::WMVScroll(TWMScroll& Message) {
  if (Message.ScrollBar())
    ReflectNotification(Message, Message.ScrollBar());
  else
    DefaultHandler(Message);
}

void TWinControl::WMNCDestroy(TMessageView& Message) {
  // A window taken by its owner's or parent's going, not given up through DestroyWnd, keeps its text for the
  // next window all the same; the text is read before the class's own handler lets it go.
  if (!FControlState.Contains(csDestroyingHandle) && !ComponentState().Contains(csDestroying))
    FText = GetText();
  DefaultHandler(Message);
  ControlMap().erase(FHandle);
  FHandle = nullptr;
  FShowing = false;
}
