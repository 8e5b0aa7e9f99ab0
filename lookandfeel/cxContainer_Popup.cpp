#include <algorithm>

#include "lookandfeel/cxContainer.h"
#include "lookandfeel/cxContainer_Internal.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

namespace {

struct UnitState {
  int refCount = 0;
  std::vector<TcxCustomPopupWindow*> openPopups; // borrowed: a popup leaves the list before it goes
  bool visibilityChanging = false;
  TcxCustomPopupWindow* changingPopup = nullptr; // borrowed, only compared
  bool closingByMouseClick = false;
  HHOOK callWndProcHook = nullptr, getMessageHook = nullptr, mouseHook = nullptr;
  std::unique_ptr<TcxScreenCanvas, TObjectDeleter> measureCanvas;
  // The window whose caption stays active and the procedure to put back after the one message.
  HWND captionWindow = nullptr;
  WNDPROC savedCaptionProc = nullptr;
};

UnitState& S() {
  static UnitState state;
  return state;
}

bool IsOpen(TcxCustomPopupWindow* APopup) {
  auto& list = S().openPopups;
  return std::find(list.begin(), list.end(), APopup) != list.end();
}

void RemoveOpen(TcxCustomPopupWindow* APopup) {
  auto& list = S().openPopups;
  list.erase(std::remove(list.begin(), list.end(), APopup), list.end());
}

// Raised while a popup is shown or closed, and cleared on every way out.
class VisibilityChangingGuard {
public:
  explicit VisibilityChangingGuard(TcxCustomPopupWindow* APopup) {
    S().visibilityChanging = true;
    S().changingPopup = APopup;
  }
  ~VisibilityChangingGuard() { S().visibilityChanging = false; }
};

TcxCustomPopupWindow* PopupOfWindow(HWND AWnd) {
  for (TcxCustomPopupWindow* popup : S().openPopups)
    if (popup->HandleAllocated() && popup->Handle() == AWnd)
      return popup;
  return nullptr;
}

HWND FormWindowOf(TWinControl* AControl) {
  TCustomForm* form = AControl ? AControl->GetParentForm() : nullptr;
  return form && form->HandleAllocated() ? form->Handle() : nullptr;
}

LRESULT KeepCaptionActiveProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  UnitState& s = S();
  if (hwnd == s.captionWindow && msg == WM_NCACTIVATE && s.savedCaptionProc) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.savedCaptionProc));
    s.captionWindow = nullptr;
    s.savedCaptionProc = nullptr;
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void KeepCaptionActive(HWND AWnd) {
  UnitState& s = S();
  if (s.savedCaptionProc)
    return;
  s.captionWindow = AWnd;
  s.savedCaptionProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(AWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeepCaptionActiveProc)));
}

// Popups opened after APopup may belong to controls inside it or rely on it; they close with it, the newest
// first. The popup itself is followed rather than its index, since a close may close earlier popups too.
void ClosePopupAndLaterOnes(TcxCustomPopupWindow* APopup) {
  while (IsOpen(APopup))
    S().openPopups.back()->ClosePopup(false);
}

// An owner is hidden when it, or any window it lies in (a parent control, its form), is; an owner being
// destroyed is about to be.
bool IsOwnerHidden(TWinControl* AOwner) {
  return AOwner && (AOwner->ComponentState().Contains(csDestroying) || !AOwner->Visible() ||
                    (AOwner->HandleAllocated() && !IsWindowVisible(AOwner->Handle())));
}

// Whether the owner's window is AWnd or lies inside it.
bool IsOwnerInWindow(TWinControl* AOwner, HWND AWnd) {
  return AOwner && AOwner->HandleAllocated() && (AOwner->Handle() == AWnd || IsChild(AWnd, AOwner->Handle()));
}

void CloseChangedOwners(const CWPSTRUCT& cwp) {
  UnitState& s = S();
  switch (cwp.message) {
  case WM_WINDOWPOSCHANGED:
    // Any window's move or hiding may have hidden an owner inside it, so every open popup is looked at.
    for (bool again = true; again;) {
      again = false;
      for (TcxCustomPopupWindow* popup : s.openPopups) {
        if (IsOwnerHidden(popup->OwnerControl())) {
          ClosePopupAndLaterOnes(popup);
          again = true;
          break;
        }
      }
    }
    break;
  case WM_NCACTIVATE:
    if (cwp.wParam)
      break;
    if (s.closingByMouseClick) {
      KeepCaptionActive(cwp.hwnd);
      break;
    }
    for (TcxCustomPopupWindow* popup : s.openPopups)
      if (FormWindowOf(popup->OwnerControl()) == cwp.hwnd) {
        KeepCaptionActive(cwp.hwnd);
        break;
      }
    break;
  case WM_ACTIVATEAPP:
    if (cwp.wParam)
      break;
    for (bool again = true; again;) {
      again = false;
      for (TcxCustomPopupWindow* popup : s.openPopups) {
        if (HWND form = FormWindowOf(popup->OwnerControl()))
          PostMessage(form, WM_NCACTIVATE, 0, 0);
        if (popup->IsTopLevel() && Screen()->ActiveForm() == popup)
          continue;
        TWinControl* owner = popup->OwnerControl();
        popup->ClosePopup(false);
        if (auto* container = dynamic_cast<TcxContainer*>(owner))
          cxContainerPopupOwnerFocusChanged(container);
        again = true;
        break;
      }
    }
    break;
  case WM_CLOSE:
    if (TcxCustomPopupWindow* popup = PopupOfWindow(cwp.hwnd)) {
      // Its close handlers may free the popup.
      auto alive = popup->AliveToken();
      popup->Close();
      if (*alive && !popup->IsShown() && popup->IsTopLevel())
        if (HWND form = FormWindowOf(popup->OwnerControl()))
          SendMessage(form, WM_CLOSE, 0, 0);
      break;
    }
    for (TcxCustomPopupWindow* popup : s.openPopups) {
      TWinControl* owner = popup->OwnerControl();
      if (popup->IsTopLevel() || !owner || owner->ComponentState().Contains(csDestroying))
        continue;
      HWND form = FormWindowOf(owner);
      if (!form || form == cwp.hwnd)
        popup->ClosePopup(false);
      break;
    }
    break;
  case WM_SHOWWINDOW: {
    if (cwp.wParam)
      break;
    TcxCustomPopupWindow* last = nullptr;
    for (TcxCustomPopupWindow* popup : s.openPopups)
      if (IsOwnerInWindow(popup->OwnerControl(), cwp.hwnd))
        last = popup;
    if (last)
      ClosePopupAndLaterOnes(last);
    break;
  }
  case WM_DESTROY:
    if (TcxCustomPopupWindow* popup = PopupOfWindow(cwp.hwnd))
      popup->Close();
    break;
  default:
    break;
  }
}

LRESULT CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && !S().openPopups.empty())
    CloseChangedOwners(*reinterpret_cast<CWPSTRUCT*>(lParam));
  return CallNextHookEx(S().callWndProcHook, code, wParam, lParam);
}

LRESULT GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  UnitState& s = S();
  if (code == HC_ACTION && wParam == PM_REMOVE && !s.openPopups.empty()) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (msg->message == WM_SYSKEYDOWN) {
      TcxCustomPopupWindow* newest = s.openPopups.back();
      if (!(newest->IsTopLevel() && newest->ModalMode()) && !newest->IsNavigationKey(WORD(msg->wParam)))
        msg->message = WM_NULL;
    }
  }
  return CallNextHookEx(s.getMessageHook, code, wParam, lParam);
}

LRESULT MouseHook(int code, WPARAM wParam, LPARAM lParam) {
  UnitState& s = S();
  if (code == HC_ACTION && !s.openPopups.empty() &&
      (wParam == WM_LBUTTONDOWN || wParam == WM_LBUTTONDBLCLK || wParam == WM_NCLBUTTONDOWN ||
       wParam == WM_NCLBUTTONDBLCLK)) {
    auto* info = reinterpret_cast<MOUSEHOOKSTRUCT*>(lParam);
    if (!ClosePopupsOnMouseClick(info->hwnd, UINT(wParam), info->pt))
      return 1;
  }
  return CallNextHookEx(s.mouseHook, code, wParam, lParam);
}

bool IsMDIRelatedWindow(TCustomForm*, HWND) {
  // The platform has no MDI: no form is an MDI child, so no window is MDI-related.
  return false;
}

} // namespace

void cxContainerPopupOwnerFocusChanged(TcxContainer* AContainer) {
  AContainer->FocusChanged();
}

const std::vector<TcxCustomPopupWindow*>& OpenPopupWindows() {
  return S().openPopups;
}
bool PopupVisibilityChanging() {
  return S().visibilityChanging;
}
TcxCustomPopupWindow* ChangingPopupWindow() {
  return S().changingPopup;
}
bool cxContainerHooksInstalled() {
  return S().callWndProcHook && S().getMessageHook && S().mouseHook;
}
TcxCanvas* GetMeasureCanvas() {
  return S().measureCanvas.get();
}

bool IsRelatedWindow(TWinControl* AControl, HWND AWnd) {
  if (!AControl || !AWnd || !AControl->HandleAllocated() || AControl->Handle() == AWnd)
    return false;
  if (IsChild(AControl->Handle(), AWnd))
    return true;
  for (int i = 0; i < AControl->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(AControl->Controls(i));
    if (child && child->HandleAllocated() && (child->Handle() == AWnd || IsRelatedWindow(child, AWnd)))
      return true;
  }
  if (dynamic_cast<TcxCustomPopupWindow*>(AControl)) {
    for (TcxCustomPopupWindow* popup : S().openPopups) {
      if (popup == AControl || !popup->HandleAllocated())
        continue;
      // Another open popup whose owner sits on this popup belongs to it.
      bool ownedHere = false;
      for (TControl* c = popup->OwnerControl(); c; c = c->Parent())
        if (c == AControl)
          ownedHere = true;
      if (ownedHere && (popup->Handle() == AWnd || IsRelatedWindow(popup, AWnd)))
        return true;
    }
  }
  return false;
}

bool IsWindowInControlForm(TControl* AControl, HWND AWnd) {
  TCustomForm* form = AControl ? AControl->GetParentForm() : nullptr;
  if (!form || !form->HandleAllocated() || !AWnd)
    return false;
  if (form->Handle() == AWnd || IsRelatedWindow(form, AWnd))
    return true;
  if (form->Parent())
    return false;
  // A top-level form: the window lies under the form's top-level ancestor.
  HWND top = form->Handle();
  while (HWND parent = GetParent(top)) {
    if (!IsChild(parent, top))
      break;
    top = parent;
  }
  return IsChild(top, AWnd);
}

bool ClosePopupsOnMouseClick(HWND AWnd, UINT AMessage, const TPoint& AScreenPoint) {
  UnitState& s = S();
  bool result = true;
  for (bool again = true; again;) {
    again = false;
    for (TcxCustomPopupWindow* popup : s.openPopups) {
      if ((popup->IsTopLevel() && Screen()->ActiveForm() != popup) ||
          (popup->HandleAllocated() && (popup->Handle() == AWnd || IsRelatedWindow(popup, AWnd))))
        continue;
      TWinControl* owner = popup->OwnerControl();
      TCustomForm* ownerForm = owner ? owner->GetParentForm() : nullptr;
      auto* ownerPopup = dynamic_cast<TcxCustomPopupWindow*>(ownerForm);
      const bool ownerPopupClosed = ownerPopup && !ownerPopup->IsShown();
      if (!IsWindowInControlForm(owner, AWnd) && !ownerPopupClosed) {
        if (ownerForm && IsMDIRelatedWindow(ownerForm, AWnd)) {
          popup->ClosePopup(false);
          again = true;
          break;
        }
        continue;
      }
      bool ownerClick = false;
      if (owner && (IsWindowOfControl(owner, AWnd) || IsRelatedWindow(owner, AWnd)) &&
          (AMessage == WM_LBUTTONDOWN || AMessage == WM_LBUTTONDBLCLK)) {
        TRect r = popup->OwnerBounds();
        TWinControl* relative = popup->OwnerParent() ? popup->OwnerParent() : owner;
        const TPoint tl = relative->ClientToScreen(TPoint{r.left, r.top});
        const TPoint br = relative->ClientToScreen(TPoint{r.right, r.bottom});
        r = TRect{tl.x, tl.y, br.x, br.y};
        ownerClick = PtInRect(&r, AScreenPoint);
        if (ownerClick)
          popup->SetClosedByOwnerClick(true);
      }
      auto ownerAlive = owner ? owner->AliveToken() : nullptr;
      s.closingByMouseClick = true;
      popup->FIsClosing = true;
      auto popupAlive = popup->AliveToken();
      try {
        popup->ClosePopup(false);
      } catch (...) {
        s.closingByMouseClick = false;
        if (*popupAlive)
          popup->FIsClosing = false;
        throw;
      }
      s.closingByMouseClick = false;
      if (*popupAlive)
        popup->FIsClosing = false;
      if (ownerClick && (!ownerAlive || !*ownerAlive || owner->ComponentState().Contains(csDestroying) ||
                         !owner->Visible()))
        result = false;
      again = true;
      break;
    }
  }
  return result;
}

HWND GetPopupOwnerWindow(HWND AWnd) {
  for (HWND w = AWnd; w; w = GetParent(w))
    if (auto* popup = dynamic_cast<TcxCustomPopupWindow*>(FindControl(w))) {
      TWinControl* owner = popup->OwnerControl();
      return owner && owner->HandleAllocated() ? owner->Handle() : AWnd;
    }
  return AWnd;
}

TcxCustomPopupWindow::TcxCustomPopupWindow(TWinControl* AOwnerControl) : FOwnerControl(AOwnerControl) {
  SetFormStyle(fsNormal);
  SetVisible(false);
  FStyle.reset(NewInstance<TcxContainerStyle>(GetStyleClass(), static_cast<TPersistent*>(this), false,
                                              static_cast<TcxContainerStyle*>(nullptr), cssNormal));
  FStyle->OnChanged = TNotifyEvent(this, &TcxCustomPopupWindow::PopupWindowStyleChanged);
  FViewInfo.reset(NewInstance<TcxContainerViewInfo>(GetViewInfoClass()));
  SetKeyPreview(true);
  if (FOwnerControl)
    FOwnerControl->FreeNotification(this);
}

TcxCustomPopupWindow::~TcxCustomPopupWindow() {
  RemoveOpen(this);
  if (FOwnerControl)
    FOwnerControl->RemoveFreeNotification(this);
  SetFocusedControl(nullptr);
  FViewInfo.reset();
  FStyle->OnChanged = {};
  FStyle.reset();
}

void TcxCustomPopupWindow::Notification(TComponent* AComponent, TOperation Operation) {
  TcxPopupWindow::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == FOwnerControl)
    FOwnerControl = nullptr;
  if (AComponent == FFocusedControl)
    FFocusedControl = nullptr;
}

void TcxCustomPopupWindow::SetFocusedControl(TWinControl* AControl) {
  if (AControl == FFocusedControl)
    return;
  // The popup itself and the owner are watched anyway.
  auto watched = [this](TWinControl* c) { return c && c != this && c != FOwnerControl; };
  if (watched(FFocusedControl))
    FFocusedControl->RemoveFreeNotification(this);
  FFocusedControl = AControl;
  if (watched(FFocusedControl))
    FFocusedControl->FreeNotification(this);
}

bool TcxCustomPopupWindow::IsShown() const {
  return IsOpen(const_cast<TcxCustomPopupWindow*>(this));
}

bool TcxCustomPopupWindow::HasCapture() {
  return HandleAllocated() && GetCapture() == Handle();
}

bool TcxCustomPopupWindow::Focused() {
  if (!IsShown() || !FIsTopLevel || !HandleAllocated())
    return false;
  const HWND focus = GetFocus();
  return focus == Handle() || IsRelatedWindow(this, focus);
}

bool TcxCustomPopupWindow::IsNavigationKey(WORD Key) {
  return (Key >= VK_PRIOR && Key <= VK_DOWN) || Key == VK_F4;
}

void TcxCustomPopupWindow::SetFocusedControlOnShow(TWinControl* AFocusedControl) {
  if (!FIsTopLevel)
    SetFocusedControl(AFocusedControl);
  else if (!AFocusedControl)
    SetFocusedControl(this);
  else if (AFocusedControl->CanFocus() && AFocusedControl->TabStop())
    SetFocusedControl(AFocusedControl);
  else if (TWinControl* next = FindNextControl(nullptr, true, true, false))
    SetFocusedControl(next);
  else
    SetFocusedControl(this);
  TWinControl* target = FFocusedControl ? FFocusedControl : this;
  if (target->CanFocus())
    target->SetFocus();
}

void TcxCustomPopupWindow::ShowPopup(TWinControl* AFocusedControl) {
  if (IsShown())
    return;
  FKeepOpenOnDeactivation = false;
  InitPopup();
  CalculateSize();
  TPoint p = CalculatePosition();
  FitIntoWorkArea(p);
  // Each handler below may free the popup, or the owner it was to show for.
  auto alive = AliveToken();
  const bool hadOwner = FOwnerControl != nullptr;
  {
    VisibilityChangingGuard guard(this);
    S().openPopups.push_back(this);
    if (OnShowing)
      OnShowing(this);
    if (!*alive)
      return;
    if (hadOwner && !FOwnerControl) {
      RemoveOpen(this);
      return;
    }
    // Placing the popup may close it at once (its owner no longer shows), and its close handlers may free it.
    SetBounds(p.x, p.y, Width(), Height());
    if (!*alive)
      return;
    // The handlers raised as the popup shows and takes the focus may close it again: a closed popup is not
    // brought back on screen.
    Show();
    if (!*alive || !IsShown())
      return;
    SetFocusedControlOnShow(AFocusedControl);
    if (!*alive || !IsShown())
      return;
    TCustomForm* ownerForm = FOwnerControl ? FOwnerControl->GetParentForm() : nullptr;
    HWND after = HWND_TOP;
    if (!ownerForm || ownerForm->FormStyle() == fsStayOnTop)
      after = HWND_TOPMOST;
    else if (!FIsTopLevel)
      for (int i = 0; i < Screen()->FormCount(); ++i)
        if (Screen()->Forms(i)->FormStyle() == fsStayOnTop && !Screen()->Forms(i)->Visible())
          after = HWND_TOPMOST;
    SetWindowPos(Handle(), after, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
  if (!*alive)
    return;
  SetModalResult(mrNone);
  DoShowed();
  if (*alive && FIsTopLevel && FModalMode)
    RunModalLoop();
}

void TcxCustomPopupWindow::RunModalLoop() {
  // A handler may free the popup: the alive token is checked after every message, and the loop ends as
  // soon as the popup is closed instead of waiting for one more message.
  auto alive = AliveToken();
  while (*alive && Visible() && IsShown() && !Application()->Terminated()) {
    // Every such key waiting in a row goes, not only the first: the next message handled would be the second.
    MSG msg{};
    while (PeekMessage(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE) &&
           (msg.wParam == VK_RETURN || msg.wParam == VK_MENU || msg.wParam == VK_SPACE))
      PeekMessage(&msg, nullptr, WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_REMOVE);
    if (ModalResult() != mrNone) {
      ClosePopup(true);
      if (!*alive || !IsShown())
        break;
    }
    Application()->HandleMessage();
  }
}

void TcxCustomPopupWindow::ClosePopup(bool AQuery) {
  if (!IsShown())
    return;
  auto alive = AliveToken();
  if (AQuery && !CloseQuery()) {
    if (*alive)
      SetModalResult(mrNone);
    return;
  }
  if (!*alive)
    return;
  RemoveOpen(this);
  DoClosing();
  if (!*alive)
    return;
  VisibilityChangingGuard guard(this);
  // Hiding gives the owner the focus back, and its enter handlers may free this popup.
  if (HandleAllocated())
    ShowWindow(Handle(), SW_HIDE);
  if (*alive)
    Hide();
  if (!*alive)
    return;
  DoClosed();
  if (*alive && HasCapture())
    ReleaseCapture();
}

void TcxCustomPopupWindow::CloseUp() {
  if (FKeepOpenOnDeactivation) {
    FKeepOpenOnDeactivation = false;
    return;
  }
  if (!FIsClosing)
    ClosePopup(false);
}

void TcxCustomPopupWindow::PostClosePopup() {
  if (HandleAllocated())
    PostMessage(Handle(), CM_CLOSEPOPUPWINDOW, 0, 0);
}

void TcxCustomPopupWindow::FitIntoWorkArea(TPoint& P) {
  if (!IsSizeable())
    return;
  const TRect w = GetMonitorWorkArea(P);
  int width = Width(), height = Height();
  if (P.x < w.left) {
    width -= w.left - P.x;
    P.x = w.left;
  }
  if (P.y < w.top) {
    height -= w.top - P.y;
    P.y = w.top;
  }
  width = std::min(width, int(w.right - P.x));
  height = std::min(height, int(w.bottom - P.y));
  SetWidth(width);
  SetHeight(height);
  if (Height() != height && P.y == w.top)
    P.y += height - Height();
}

void TcxCustomPopupWindow::DoClosed() {
  if (OnClosed)
    OnClosed(this);
}
void TcxCustomPopupWindow::DoClosing() {
  if (OnClosing)
    OnClosing(this);
}
void TcxCustomPopupWindow::DoShowed() {
  if (OnShowed)
    OnShowed(this);
}

void TcxCustomPopupWindow::Recreate() {
  if (HandleAllocated())
    RecreateWnd();
  if (IsShown()) {
    ClosePopup(false);
    ShowPopup(FFocusedControl);
  }
}

void TcxCustomPopupWindow::SetTopLevel(bool AValue) {
  if (AValue == FIsTopLevel)
    return;
  FIsTopLevel = AValue;
  Recreate();
}

void TcxCustomPopupWindow::SetTopMost(bool AValue) {
  if (AValue == FIsTopMost)
    return;
  FIsTopMost = AValue;
  Recreate();
}

void TcxCustomPopupWindow::CreateHandle() {
  // While the window is made the hooks must see it as a popup window.
  const bool listed = IsShown();
  if (!listed)
    S().openPopups.push_back(this);
  // A popup freed by a handler the hooks raise leaves the list as it goes.
  auto alive = AliveToken();
  try {
    TcxPopupWindow::CreateHandle();
  } catch (...) {
    if (!listed && *alive)
      RemoveOpen(this);
    throw;
  }
  if (!listed && *alive)
    RemoveOpen(this);
}

void TcxCustomPopupWindow::CreateParams(TCreateParams& Params) {
  TcxPopupWindow::CreateParams(Params);
  TCustomForm* ownerForm = FOwnerControl ? FOwnerControl->GetParentForm() : nullptr;
  if (FIsTopLevel) {
    if (ownerForm && ownerForm->HandleAllocated())
      Params.WndParent = ownerForm->Handle();
    Params.Style = (Params.Style & ~DWORD(WS_CHILD)) | WS_POPUP;
    if (FIsTopMost && !(ownerForm && ownerForm->FormStyle() != fsStayOnTop))
      Params.ExStyle |= WS_EX_TOPMOST;
    else
      Params.ExStyle &= ~DWORD(WS_EX_TOPMOST);
  } else {
    Params.Style = WS_CHILD;
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (FOwnerControl && FOwnerControl->HandleAllocated())
      Params.WndParent = FOwnerControl->Handle();
  }
  Params.Style |= WS_CLIPCHILDREN;
}

void TcxCustomPopupWindow::CreateWnd() {
  TcxPopupWindow::CreateWnd();
  // A child popup is placed in screen positions: it leaves its parent window once created.
  if (!FIsTopLevel && HandleAllocated())
    ::SetParent(Handle(), nullptr);
}

void TcxCustomPopupWindow::AdjustClientRect(TRect& Rect) {
  if (FViewInfo && !IsRectEmpty(&FViewInfo->InnerControlRect))
    Rect = FViewInfo->InnerControlRect;
}

void TcxCustomPopupWindow::Deactivate() {
  auto alive = AliveToken();
  TcxPopupWindow::Deactivate();
  // A popup already closed loses the activation because its own window goes, not because the user moved
  // elsewhere: the popups still open stay.
  if (!*alive || FIsClosing || !IsShown() || S().openPopups.empty())
    return;
  const HWND active = GetActiveWindow();
  auto& list = S().openPopups;
  for (int i = int(list.size()) - 1; i >= 0; --i) {
    if (i >= int(list.size()))
      continue;
    TcxCustomPopupWindow* popup = list[std::size_t(i)];
    if (popup->HandleAllocated() && popup->Handle() == active) {
      FKeepOpenOnDeactivation = true;
      return;
    }
    if (popup != this && popup->HandleAllocated() && IsWindowEnabled(popup->Handle()))
      popup->ClosePopup(false);
    if (!*alive)
      return;
  }
  if (!list.empty())
    ClosePopup(false);
}

void TcxCustomPopupWindow::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE && IsShown() && HasCapture()) {
    ReleaseCapture();
    Key = 0;
    return;
  }
  TcxPopupWindow::KeyDown(Key, Shift);
}

void TcxCustomPopupWindow::PaintWindow(HDC DC) {
  TcxPopupWindow::PaintWindow(DC);
  if (!FViewInfo || IsRectEmpty(&FViewInfo->Bounds))
    return;
  std::unique_ptr<TCanvas, TObjectDeleter> canvas(new TCanvas);
  canvas->SetHandle(DC);
  TcxCanvas cx(canvas.get());
  FViewInfo->Paint(&cx);
  canvas->SetHandle(nullptr);
}

void TcxCustomPopupWindow::WMActivateApp(TMessageView&) {}

void TcxCustomPopupWindow::VisibleChanged() {
  // Hidden by other means than ClosePopup (Close, Hide): the popup closes properly, leaving the open list.
  if (!Visible() && IsShown()) {
    ClosePopup(false);
    return;
  }
  // An owner that no longer shows (hidden, or its window going as it moves away) does not get the focus back.
  if (!HandleAllocated() || IsWindowVisible(Handle()) || !FOwnerControl ||
      FOwnerControl->ComponentState().Contains(csDestroying) || !FOwnerControl->HandleAllocated() ||
      FOwnerControl->ControlState().Contains(csDestroyingHandle) || !IsWindowVisible(FOwnerControl->Handle()))
    return;
  TCustomForm* form = FOwnerControl->GetParentForm();
  if (form && form->HandleAllocated() && GetFocus() == form->Handle() && FOwnerControl->CanFocus() &&
      !form->ComponentState().Contains(csDesigning))
    FOwnerControl->SetFocus();
}

void TcxCustomPopupWindow::WndProc(TMessage& Message) {
  switch (Message.Msg) {
  case CM_CLOSEPOPUPWINDOW: {
    auto alive = AliveToken();
    FIsClosing = true;
    ClosePopup(false);
    if (!*alive)
      return;
    FIsClosing = false;
    if (FOwnerControl && FOwnerControl->HandleAllocated())
      SendMessage(FOwnerControl->Handle(), WM_SETFOCUS, 0, 0);
    return;
  }
  case CM_SHOWPOPUPWINDOW:
    ShowPopup(FFocusedControl);
    return;
  case WM_ERASEBKGND:
    if (!NeedsEraseBackground()) {
      Message.Result = 1;
      return;
    }
    break;
  default:
    break;
  }
  TcxPopupWindow::WndProc(Message);
}

void cxContainerInitialize() {
  UnitState& s = S();
  if (s.refCount++ > 0)
    return;
  // Forms name style controllers and controls when they are read back; the platform has no class groups.
  RegisterClasses({TControl::StaticClass(), TcxStyleController::StaticClass()});
  s.openPopups.clear();
  s.callWndProcHook = SetWindowsHookExA(WH_CALLWNDPROC, CallWndProcHook, nullptr, GetCurrentThreadId());
  s.getMessageHook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, GetCurrentThreadId());
  s.mouseHook = SetWindowsHookExA(WH_MOUSE, MouseHook, nullptr, GetCurrentThreadId());
  s.measureCanvas.reset(new TcxScreenCanvas);
}

void cxContainerFinalize() {
  UnitState& s = S();
  if (s.refCount == 0 || --s.refCount > 0)
    return;
  s.measureCanvas.reset();
  if (s.mouseHook)
    UnhookWindowsHookEx(s.mouseHook);
  if (s.getMessageHook)
    UnhookWindowsHookEx(s.getMessageHook);
  if (s.callWndProcHook)
    UnhookWindowsHookEx(s.callWndProcHook);
  s.mouseHook = s.getMessageHook = s.callWndProcHook = nullptr;
  s.openPopups.clear();
}

const TUnitInfo cxContainerUnit{"cxContainer", cxContainerInitialize, cxContainerFinalize};
