#include "platform/controls/Forms.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win/Win.h"

namespace {

std::unique_ptr<TScreen, TObjectDeleter>& ScreenInstance() {
  static std::unique_ptr<TScreen, TObjectDeleter> screen;
  return screen;
}

std::unique_ptr<TApplication, TObjectDeleter>& ApplicationInstance() {
  static std::unique_ptr<TApplication, TObjectDeleter> app;
  return app;
}

// A small program cursor: a filled square outline of the given size, for the drag cursors that the
// platform has no stock shape for.
HCURSOR MakeBoxCursor(int inset) {
  constexpr int size = 32;
  std::vector<BYTE> andMask(size * size / 8, 0xFF), xorMask(size * size / 8, 0x00);
  for (int y = inset; y < size - inset; ++y)
    for (int x = inset; x < size - inset; ++x) {
      const bool edge = y == inset || y == size - inset - 1 || x == inset || x == size - inset - 1;
      const int bit = y * size + x;
      andMask[std::size_t(bit / 8)] &= BYTE(~(0x80 >> (bit % 8)));
      if (!edge)
        xorMask[std::size_t(bit / 8)] |= BYTE(0x80 >> (bit % 8));
    }
  return CreateCursor(nullptr, 0, 0, size, size, andMask.data(), xorMask.data());
}

} // namespace

TScreen* Screen() {
  auto& s = ScreenInstance();
  if (!s)
    s.reset(new TScreen(nullptr));
  return s.get();
}

TApplication* Application() {
  auto& a = ApplicationInstance();
  if (!a) {
    a.reset(new TApplication(nullptr));
    SetApplicationHandleException([](TObject* Sender) { Application()->HandleException(Sender); });
  }
  return a.get();
}

// The application while it exists; messages that arrive while it is being torn down must not make a new one.
static TApplication* ExistingApplication() {
  return ApplicationInstance().get();
}

void DoneApplication() {
  SetApplicationHandleException(nullptr);
  // Forms going away deactivate windows, whose handlers look for the application; each round frees what
  // such a look made again.
  for (int round = 0; round < 3 && ApplicationInstance(); ++round) {
    TApplication* app = ApplicationInstance().release();
    app->Free();
  }
  ApplicationInstance().reset();
  SetApplicationHandleException(nullptr);
  ScreenInstance().reset();
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
  FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FLeft = 0;
  FTop = 0;
  FWidth = 320;
  FHeight = 240;
  FFormState.Include(fsCreating);
  Screen()->AddForm(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (FHandle)
    DestroyHandle();
  if (auto& s = ScreenInstance())
    s->RemoveForm(this);
}

void TCustomForm::AfterConstruction() {
  FFormState.Exclude(fsCreating);
  if (OnCreate)
    OnCreate(this);
}

void TCustomForm::BeforeDestruction() {
  TWinControl::BeforeDestruction();
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      HandleControlException(this);
    }
  }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  if (FParent) {
    Params.Style |= WS_CLIPCHILDREN;
    return;
  }
  Params.WndParent = nullptr;
  Params.Style = WS_CLIPCHILDREN;
  switch (FBorderStyle) {
  case bsNone:
    Params.Style |= WS_POPUP;
    break;
  case bsSingle:
    Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    break;
  case bsSizeable:
    Params.Style |= WS_OVERLAPPEDWINDOW;
    break;
  case bsDialog:
    Params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Params.ExStyle |= WS_EX_DLGMODALFRAME;
    break;
  case bsToolWindow:
    Params.Style |= WS_CAPTION | WS_SYSMENU;
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    break;
  case bsSizeToolWin:
    Params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    break;
  }
  if (!FEnabled)
    Params.Style |= WS_DISABLED;
  if (FFormStyle == fsStayOnTop)
    Params.ExStyle |= WS_EX_TOPMOST;
  if (FAlphaBlend)
    Params.ExStyle |= WS_EX_LAYERED;
  Params.WindowClass.style |= CS_DBLCLKS;
}

void TCustomForm::CreateWnd() {
  TWinControl::CreateWnd();
  if (FAlphaBlend)
    SetAlphaBlendValue(FAlphaBlendValue);
}

TRect TCustomForm::GetClientRect() {
  if (FHandle || FParent)
    return TWinControl::GetClientRect();
  // Before the window exists the frame its style will have is taken off the outer size.
  TCreateParams params;
  CreateParams(params);
  RECT r{0, 0, 0, 0};
  AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
  return Rect(0, 0, std::max(0, FWidth - RectWidth(r)), std::max(0, FHeight - RectHeight(r)));
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value)
    return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value)
    return;
  FFormStyle = Value;
  if (FHandle)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetAlphaBlend(bool Value) {
  if (FAlphaBlend == Value)
    return;
  FAlphaBlend = Value;
  if (FHandle) {
    LONG ex = GetWindowLong(FHandle, GWL_EXSTYLE);
    ex = Value ? (ex | LONG(WS_EX_LAYERED)) : (ex & ~LONG(WS_EX_LAYERED));
    SetWindowLong(FHandle, GWL_EXSTYLE, ex);
  }
}

void TCustomForm::SetAlphaBlendValue(BYTE Value) {
  FAlphaBlendValue = Value;
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control)
    return;
  if (Control && (!ContainsControl(Control) || Control == this))
    throw EInvalidOperation("The control is not on this form");
  if (Control && !FFormState.Contains(fsCreating) && !Control->CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  // An inactive form moves no focus, so no focus message tells its controls whom it would give the focus
  // back to; an edit draws itself one way as that control and another way when it is not.
  if (FActive && FHandle)
    SetWindowFocus();
  else if (!FFormState.Contains(fsCreating) && !ComponentState().Contains(csLoading))
    Perform(CM_FOCUSCHANGED, 0, LPARAM(Control));
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive)
    SetFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND target = (FActiveControl && FActiveControl->CanFocus()) ? FActiveControl->Handle() : Handle();
  if (GetFocus() != target)
    ::SetFocus(target);
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (Control != this)
    FActiveControl = Control;
  // The form holding the focus itself has no control active on it.
  Screen()->SetActive(this, Control != this ? Control : nullptr);
  if (FFocusedControl == Control)
    return true;
  TWinControl* old = FFocusedControl;
  FFocusedControl = Control;
  // Exits run from the control that lost the focus outwards, stopping at the first parent that also holds
  // the new one; enters run from there inwards. Both chains are taken before any handler runs, since a
  // handler may free a control of either chain (or this form); a handler that moves the focus elsewhere ends
  // the walk.
  TWinControl* common = nullptr;
  std::vector<std::pair<TWinControl*, std::shared_ptr<const bool>>> exits, enters;
  for (TWinControl* c = old; c && c != this; c = c->Parent()) {
    if (c->ContainsControl(Control)) {
      common = c;
      break;
    }
    exits.emplace_back(c, c->AliveToken());
  }
  for (TWinControl* c = Control; c && c != this && c != common; c = c->Parent())
    enters.emplace(enters.begin(), c, c->AliveToken());
  auto formAlive = AliveToken();
  auto controlAlive = Control->AliveToken();
  auto walk = [&](const auto& AChain, UINT AMessage) {
    for (const auto& [control, alive] : AChain) {
      if (*alive)
        control->Perform(AMessage);
      if (!*formAlive || !*controlAlive || FFocusedControl != Control)
        return false;
    }
    return true;
  };
  bool completed = false;
  {
    Control->FControlState.Include(csFocusing);
    struct EndFocusing {
      TWinControl* control;
      const std::shared_ptr<const bool>& alive;
      ~EndFocusing() {
        if (*alive)
          control->FControlState.Exclude(csFocusing);
      }
    } endFocusing{Control, controlAlive};
    completed = walk(exits, CM_EXIT) && walk(enters, CM_ENTER);
  }
  if (!completed)
    return false;
  Perform(CM_FOCUSCHANGED, 0, LPARAM(Control));
  return true;
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  // A control being freed is left without being told, as one being taken out is.
  const bool leaving = Removing || Control->ComponentState().Contains(csDestroying);
  if (leaving && FFocusedControl && Control->ContainsControl(FFocusedControl))
    FFocusedControl = Control->Parent() == this ? nullptr : Control->Parent();
  // Taking the focus leaves the control that had it, whose exit handlers may free it or this form.
  auto alive = AliveToken();
  auto controlAlive = Control->AliveToken();
  if (FActiveControl && Control->ContainsControl(FActiveControl)) {
    FActiveControl = nullptr;
    if (!ComponentState().Contains(csDestroying)) {
      if (FActive && FHandle)
        ::SetFocus(FHandle);
      // As in SetActiveControl; a control being taken out or freed is no longer told anything.
      else if (!leaving)
        Perform(CM_FOCUSCHANGED, 0, 0);
    }
  }
  if (!*alive || !*controlAlive)
    return;
  if (auto& s = ScreenInstance(); s && s->FActiveControl && Control->ContainsControl(s->FActiveControl))
    s->FActiveControl = nullptr;
}

bool TCustomForm::CanFocus() {
  return FVisible && FEnabled;
}

void TCustomForm::SetFocus() {
  if (!CanFocus())
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  // The activation handlers may free the form.
  auto alive = AliveToken();
  SetActiveWindow(Handle());
  if (*alive)
    SetWindowFocus();
}

void TCustomForm::Show() {
  auto alive = AliveToken();
  SetVisible(true);
  // A handler raised as the form showed may have hidden it again; a hidden form is not activated.
  if (*alive && FHandle && FVisible) {
    SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetActiveWindow(FHandle);
  }
}

void TCustomForm::Hide() {
  SetVisible(false);
}

void TCustomForm::CMVisibleChanged(TMessageView&) {
  UpdateControlState();
}

void TCustomForm::ApplyPosition() {
  if (FPositioned || FParent)
    return;
  FPositioned = true;
  TRect area{};
  switch (FPosition) {
  case poScreenCenter:
    area = Rect(0, 0, Screen()->Width(), Screen()->Height());
    break;
  case poMainFormCenter: {
    TCustomForm* main = Application()->MainForm();
    if (main && main != this)
      area = main->BoundsRect();
    else
      area = Rect(0, 0, Screen()->Width(), Screen()->Height());
    break;
  }
  default:
    return;
  }
  SetBounds(area.left + (RectWidth(area) - FWidth) / 2, area.top + (RectHeight(area) - FHeight) / 2, FWidth,
            FHeight);
}

// The show, hide, close and activation handlers may free the form.
void TCustomForm::CMShowingChanged(TMessageView&) {
  auto alive = AliveToken();
  if (Showing()) {
    ApplyPosition();
    DoShow();
    if (!*alive)
      return;
    if (!FActiveControl) {
      if (TWinControl* first = FindNextControl(nullptr, true, true, false))
        FActiveControl = first;
    }
    FFormState.Include(fsVisible);
    ShowWindow(FHandle, SW_SHOWNORMAL);
  } else {
    DoHide();
    if (!*alive)
      return;
    FFormState.Exclude(fsVisible);
    ShowWindow(FHandle, SW_HIDE);
  }
}

void TCustomForm::DoShow() {
  if (OnShow)
    OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide)
    OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose)
    OnClose(this, Action);
}

void TCustomForm::Activate() {
  if (OnActivate)
    OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate)
    OnDeactivate(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery)
    OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  auto alive = AliveToken();
  if (!CloseQuery() || !*alive)
    return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone || !*alive)
    return;
  if (Application()->MainForm() == this) {
    Application()->Terminate();
    return;
  }
  if (action == caHide)
    Hide();
  else if (action == caMinimize && FHandle)
    ShowWindow(FHandle, SW_MINIMIZE);
  else if (action == caFree)
    Release();
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  auto alive = AliveToken();
  if (CloseQuery() && *alive) {
    action = caHide;
    DoClose(action);
  }
  if (!*alive)
    return;
  switch (action) {
  case caNone:
    FModalResult = mrNone;
    break;
  case caFree:
    Release();
    break;
  default:
    break;
  }
}

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !FEnabled || FFormState.Contains(fsModal) || FParent)
    throw EInvalidOperation("Cannot make a visible window modal");
  // Every other form is disabled while this one is up, so input can only reach the modal form.
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f != this && f->HandleAllocated() && IsWindowEnabled(f->FHandle)) {
      EnableWindow(f->FHandle, FALSE);
      disabled.push_back(f->FHandle);
    }
  }
  HWND previousActive = GetActiveWindow();
  FFormState.Include(fsModal);
  FModalResult = mrNone;
  // The form may be freed by a handler while the loop runs. Its token says so; a search of the screen's list
  // could be fooled by a new form made at the same address.
  auto token = AliveToken();
  auto alive = [&token] { return *token; };
  auto restore = [&] {
    for (HWND h : disabled)
      if (IsWindow(h))
        EnableWindow(h, TRUE);
    if (previousActive && IsWindow(previousActive))
      SetActiveWindow(previousActive);
  };
  try {
    Show();
    for (;;) {
      Application()->HandleMessage();
      if (!alive())
        break;
      if (Application()->Terminated())
        FModalResult = mrCancel;
      if (FModalResult != mrNone) {
        CloseModal();
        if (FModalResult != mrNone)
          break;
      }
    }
  } catch (...) {
    if (alive())
      LeaveModalState();
    restore();
    throw;
  }
  const TModalResult result = alive() ? FModalResult : mrCancel;
  if (alive())
    LeaveModalState();
  restore();
  return result;
}

void TCustomForm::LeaveModalState() {
  // Still modal while it hides, so that a control the focus leaves sees the dialog closing with its result.
  auto alive = AliveToken();
  Hide();
  if (*alive)
    FFormState.Exclude(fsModal);
}

void TCustomForm::Release() {
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
  case WM_ACTIVATE: {
    TWMActivate m(Message);
    WMActivate(m);
    break;
  }
  case WM_CLOSE: {
    TWMClose m(Message);
    WMClose(m);
    break;
  }
  case CM_RELEASE: {
    TMessageView m(Message);
    CMRelease(m);
    break;
  }
  case WM_ACTIVATEAPP: {
    TMessageView m(Message);
    WMActivateApp(m);
    break;
  }
  default:
    TWinControl::Dispatch(Message);
    break;
  }
}

void TCustomForm::WMActivate(TWMActivate& Message) {
  const bool active = Message.Active() != WA_INACTIVE;
  if (active == FActive) {
    // Activated while minimised, the form took no focus; told again once restored, it takes it now.
    if (active && !Message.Minimized() && FHandle && GetFocus() != FHandle && !IsChild(FHandle, GetFocus()))
      SetWindowFocus();
    return;
  }
  FActive = active;
  if (active) {
    FFormState.Include(fsActivated);
    Screen()->SetActive(this, FActiveControl);
    if (TApplication* app = ExistingApplication())
      app->SetActiveFlag(true);
    auto alive = AliveToken();
    Activate();
    // The activation handlers may have hidden or disabled the form, or moved the activation on: then the
    // focus is not given to a control inside it.
    if (*alive && FActive && CanFocus() && !Message.Minimized())
      SetWindowFocus();
  } else {
    Deactivate();
  }
}

void TCustomForm::WMActivateApp(TMessageView& Message) {
  if (TApplication* app = ExistingApplication())
    app->SetActiveFlag(Message.WParam != 0);
  DefaultHandler(Message);
}

void TCustomForm::WMClose(TWMClose&) {
  Close();
}

void TCustomForm::CMRelease(TMessageView&) {
  Free();
}

void TCustomForm::CMDialogKey(TCMDialogKey& Message) {
  if (GetKeyState(VK_MENU) >= 0) {
    switch (Message.CharCode()) {
    case VK_TAB:
      if (GetKeyState(VK_CONTROL) >= 0) {
        SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
        Message.Result = 1;
        return;
      }
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (FActiveControl && FActiveControl->Parent()) {
        FActiveControl->Parent()->SelectNext(
            FActiveControl, Message.CharCode() == VK_RIGHT || Message.CharCode() == VK_DOWN, false);
        Message.Result = 1;
      }
      return;
    default:
      break;
    }
  }
  TWinControl::CMDialogKey(Message);
}

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner), FMenuFont(std::make_unique<TFont>()) {
  LoadDefaultCursors();
}

TScreen::~TScreen() {
  for (HCURSOR c : FOwnedCursors)
    DestroyCursor(c);
}

void TScreen::LoadDefaultCursors() {
  const std::pair<TCursor, LPCSTR> stock[] = {{crDefault, IDC_ARROW},
                                              {crArrow, IDC_ARROW},
                                              {crCross, IDC_CROSS},
                                              {crIBeam, IDC_IBEAM},
                                              {crSizeNESW, IDC_SIZENESW},
                                              {crSizeNS, IDC_SIZENS},
                                              {crSizeNWSE, IDC_SIZENWSE},
                                              {crSizeWE, IDC_SIZEWE},
                                              {crUpArrow, IDC_UPARROW},
                                              {crHourGlass, IDC_WAIT},
                                              {crNo, IDC_NO},
                                              {crNoDrop, IDC_NO},
                                              {crAppStart, IDC_APPSTARTING},
                                              {crHelp, IDC_HELP},
                                              {crHandPoint, IDC_HAND},
                                              {crSizeAll, IDC_SIZEALL},
                                              {crHSplit, IDC_SIZEWE},
                                              {crVSplit, IDC_SIZENS},
                                              {crSQLWait, IDC_WAIT}};
  for (const auto& [index, name] : stock)
    FCursors[index] = LoadCursor(nullptr, name);
  for (auto [index, inset] : {std::pair<TCursor, int>{crDrag, 8}, {crMultiDrag, 6}}) {
    HCURSOR c = MakeBoxCursor(inset);
    FOwnedCursors.push_back(c);
    FCursors[index] = c;
  }
}

HCURSOR TScreen::Cursors(TCursor Index) const {
  if (Index == crNone)
    return nullptr;
  auto it = FCursors.find(Index);
  if (it != FCursors.end())
    return it->second;
  return FCursors.at(crDefault);
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle) {
  if (Index == crDefault && !Handle)
    throw EInvalidOperation("The default cursor cannot be removed");
  if (Handle)
    FCursors[Index] = Handle;
  else
    FCursors.erase(Index);
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value)
    return;
  FCursor = Value;
  if (Value == crDefault) {
    POINT p{};
    GetCursorPos(&p);
    HWND h = WindowFromPoint(p);
    if (h)
      SendMessage(h, WM_SETCURSOR, WPARAM(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    else
      ::SetCursor(Cursors(crDefault));
  } else {
    ::SetCursor(Cursors(Value));
  }
}

TCustomForm* TScreen::Forms(int Index) const {
  if (Index < 0 || Index >= int(FForms.size()))
    throw EListError("Form index out of bounds (" + IntToStr(Index) + ")");
  return FForms[std::size_t(Index)];
}

int TScreen::Width() const {
  return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const {
  return GetSystemMetrics(SM_CYSCREEN);
}

TRect TScreen::WorkAreaRect() const {
  RECT r{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void TScreen::AddForm(TCustomForm* Form) {
  FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FActiveForm == Form) {
    FActiveForm = nullptr;
    FActiveControl = nullptr;
  }
}

void TScreen::SetActive(TCustomForm* Form, TWinControl* Control) {
  FActiveForm = Form;
  FActiveControl = Control;
}

void TScreen::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FActiveControl)
    FActiveControl = nullptr;
  TComponent::Notification(AComponent, Operation);
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  Destroying();
}

void TApplication::Initialize() {
  FTerminated = false;
}

void TApplication::AddCreatedForm(TCustomForm* Form) {
  if (!FMainForm)
    FMainForm = Form;
  Form->AfterConstruction();
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    if (AComponent == FMainForm)
      FMainForm = nullptr;
    if (AComponent == FMouseControl)
      FMouseControl = nullptr;
  }
  TComponent::Notification(AComponent, Operation);
}

void TApplication::Run() {
  if (FMainForm && FShowMainForm)
    FMainForm->Show();
  // Handlers' exceptions are handled where they happen; what escapes here is the loop itself failing (a
  // display that can never deliver anything), which must end the run instead of spinning in it.
  while (!FTerminated)
    HandleMessage();
}

void TApplication::HandleMessage() {
  MSG msg{};
  if (!ProcessMessage(msg))
    Idle(msg);
}

void TApplication::ProcessMessages() {
  MSG msg{};
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle(const MSG&) {
  // The pointer may have left without a move reaching any window of the program.
  TrackMouseControl();
  bool done = true;
  if (OnIdle) {
    try {
      OnIdle(this, done);
    } catch (...) {
      HandleException(this);
    }
  }
  if (done)
    WaitMessage();
}

void TApplication::Terminate() {
  if (!FTerminated)
    PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST)
    return false;
  // Keys typed into a platform window inside a control (an edit's own child) go to that control.
  HWND h = Msg.hwnd;
  TWinControl* control = FindControl(h);
  while (!control && h) {
    h = GetParent(h);
    control = FindControl(h);
  }
  if (!control)
    return false;
  return control->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

void TApplication::TrackMouseControl() {
  POINT p{};
  GetCursorPos(&p);
  TControl* control = FindDragTarget(p, true);
  if (control == FMouseControl)
    return;
  TControl* old = FMouseControl;
  if (old)
    old->RemoveFreeNotification(this);
  FMouseControl = control;
  if (control)
    control->FreeNotification(this);
  if (old)
    old->Perform(CM_MOUSELEAVE);
  if (control && FMouseControl == control)
    control->Perform(CM_MOUSEENTER);
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE))
    return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    bool handled = false;
    if (OnMessage)
      OnMessage(Msg, handled);
    if (!handled && !IsKeyMsg(Msg)) {
      TranslateMessage(&Msg);
      DispatchMessage(&Msg);
    }
    if (Msg.message == WM_MOUSEMOVE)
      TrackMouseControl();
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current)
    return;
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    if (OnException)
      OnException(Sender, e);
    else
      ShowException(e);
  } catch (...) {
    const Exception unknown("Unknown exception");
    if (OnException)
      OnException(Sender, unknown);
    else
      ShowException(unknown);
  }
}

void TApplication::ShowException(const std::exception& E) {
  AnsiString text = E.what();
  if (!text.empty() && text.back() != '.')
    text += '.';
  MessageBox(text, FTitle, MB_OK | MB_ICONHAND);
}

int TApplication::MessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags) {
  FMessageLog.push_back(Text);
  if (FMessageBoxHandler)
    return FMessageBoxHandler(Text, Caption, Flags);
  MessageBeep(Flags & 0xF0);
  return mrOk;
}
