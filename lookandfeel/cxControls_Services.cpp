#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxControls_Internal.h"
#include "lookandfeel/cxPainterResources.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

constexpr UINT cxMouseTrackingInterval = 10;
constexpr UINT cxPanningInterval = 20;
constexpr UINT_PTR cxPanningTimerId = 0xCC01;
constexpr int cxMaxPanningSpeed = 12;

TDragObject* gDragOverLibraryControl = nullptr;
// The caller whose tracking a tick has just ended, until it is told; nullptr once it ended it itself.
IcxMouseTrackingCaller* gLeavingCaller = nullptr;

struct TMouseTrackingTimer {
  UINT_PTR Id = 0;
  TWinControl* Control = nullptr; // borrowed; Alive tells whether it still exists
  std::weak_ptr<const bool> Alive;
  TRect Bounds{}; // screen space
  IcxMouseTrackingCaller* Caller = nullptr;
};

struct TrackingState {
  std::vector<std::unique_ptr<TMouseTrackingTimer>> Timers;
  HWND Window = nullptr; // owned: the timers' hidden window
  UINT_PTR NextId = 1;
};

TrackingState& Tracking() {
  static TrackingState state;
  return state;
}

std::unique_ptr<TcxSettingsController, TObjectDeleter>& SettingsControllerInstance() {
  static std::unique_ptr<TcxSettingsController, TObjectDeleter> instance;
  return instance;
}

std::array<HCURSOR, 14>& LibraryCursors() {
  static std::array<HCURSOR, 14> cursors{};
  return cursors;
}

void TrackingTick(UINT_PTR AId);

void EnsureTrackingWindow() {
  TrackingState& s = Tracking();
  if (s.Window)
    return;
  s.Window = AllocateHWnd([](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg != WM_TIMER)
      return DefWindowProc(hwnd, msg, wParam, lParam);
    try {
      TrackingTick(UINT_PTR(wParam));
    } catch (...) {
      HandleControlException(nullptr);
    }
    return 0;
  });
}

// Takes the timer out of the list; the caller owns it from then on.
std::unique_ptr<TMouseTrackingTimer> Detach(std::vector<std::unique_ptr<TMouseTrackingTimer>>::iterator AIt) {
  TrackingState& s = Tracking();
  std::unique_ptr<TMouseTrackingTimer> timer = std::move(*AIt);
  s.Timers.erase(AIt);
  KillTimer(s.Window, timer->Id);
  return timer;
}

void TrackingTick(UINT_PTR AId) {
  TrackingState& s = Tracking();
  auto it = std::find_if(s.Timers.begin(), s.Timers.end(), [&](const auto& t) { return t->Id == AId; });
  if (it == s.Timers.end())
    return;
  TMouseTrackingTimer& timer = **it;
  const bool controlAlive = timer.Control && !timer.Alive.expired() && *timer.Alive.lock();
  TPoint cursor{};
  GetCursorPos(&cursor);
  bool inside;
  auto* area = dynamic_cast<IcxMouseTrackingArea*>(timer.Caller);
  if (area && controlAlive && timer.Control->HandleAllocated())
    inside = area->PtInCaller(timer.Control->ScreenToClient(cursor));
  else
    inside = PtInRect(&timer.Bounds, cursor);
  if (inside)
    return;
  // The tracking ends before anybody is called: a handler may end it again or start a new one, and the
  // list must not be read through a timer that is gone. A caller that goes while the control hears of the
  // leave ends its tracking in going, which clears it here.
  std::unique_ptr<TMouseTrackingTimer> ended = Detach(it);
  IcxMouseTrackingCaller* const outerLeaving = gLeavingCaller;
  gLeavingCaller = ended->Caller;
  if (controlAlive && ended->Control->HandleAllocated()) {
    const TRect client = ended->Control->ClientRect();
    if (!PtInRect(&client, ended->Control->ScreenToClient(cursor)))
      SendMessage(ended->Control->Handle(), CM_MOUSELEAVE, 0, 0);
  }
  IcxMouseTrackingCaller* caller = gLeavingCaller;
  gLeavingCaller = outerLeaving;
  // A caller that lived by the control may have gone with it.
  if (controlAlive && (ended->Alive.expired() || !*ended->Alive.lock()))
    return;
  if (caller)
    caller->MouseLeave();
}

void DrawPanningBitmap(TBitmap& B, bool AHorizontal, bool AVertical) {
  constexpr int size = 28;
  B.SetSize(size, size);
  TCanvas* c = B.Canvas();
  c->Brush()->SetColor(clWindow);
  c->FillRect(TRect{0, 0, size, size});
  c->Brush()->SetColor(clWindowText);
  c->Pen()->SetColor(clWindowText);
  const int mid = size / 2;
  c->Ellipse(mid - 2, mid - 2, mid + 2, mid + 2);
  auto triangle = [&](TPoint a, TPoint b, TPoint d) {
    const TPoint points[] = {a, b, d};
    c->Polygon(points);
  };
  if (AVertical) {
    triangle({mid, 3}, {mid - 4, 7}, {mid + 4, 7});
    triangle({mid, size - 4}, {mid - 4, size - 8}, {mid + 4, size - 8});
  }
  if (AHorizontal) {
    triangle({3, mid}, {7, mid - 4}, {7, mid + 4});
    triangle({size - 4, mid}, {size - 8, mid - 4}, {size - 8, mid + 4});
  }
}

} // namespace

namespace cxInternal {

TDragObject* DragOverLibraryControl() {
  return gDragOverLibraryControl && gDragOverLibraryControl == DragObject() ? gDragOverLibraryControl
                                                                            : nullptr;
}

void SetDragOverLibraryControl(TDragObject* AObject) {
  gDragOverLibraryControl = AObject;
}

void RemoveSettingsListener(TWinControl* AControl) {
  if (auto& instance = SettingsControllerInstance())
    instance->RemoveListener(AControl);
}

void DropMouseTrackingOf(TWinControl* AControl) {
  TrackingState& s = Tracking();
  for (auto it = s.Timers.begin(); it != s.Timers.end();)
    if ((*it)->Control == AControl) {
      Detach(it);
      it = s.Timers.begin();
    } else {
      ++it;
    }
}

} // namespace cxInternal

TcxDragDetect DragDetect(HWND AWnd) {
  TPoint p{};
  GetCursorPos(&p);
  const int threshold = Mouse()->DragThreshold();
  const TRect box{p.x - threshold, p.y - threshold, p.x + threshold, p.y + threshold};
  SetCapture(AWnd);
  TcxDragDetect result = ddCancel;
  MSG msg{};
  bool done = false;
  while (!done && GetCapture() == AWnd) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    switch (msg.message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      result = ddNone;
      DispatchMessage(&msg);
      done = true;
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
      DispatchMessage(&msg);
      done = msg.wParam == VK_ESCAPE;
      break;
    case WM_MOUSEMOVE: {
      POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      ClientToScreen(msg.hwnd, &pt);
      if (!PtInRect(&box, pt)) {
        result = ddDrag;
        done = true;
      }
      DispatchMessage(&msg);
      break;
    }
    default:
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      break;
    }
  }
  if (GetCapture() == AWnd)
    ReleaseCapture();
  return result;
}

TcxPanningMotion cxPanningMotion(const TPoint& AOffset, bool AHorizontal, bool AVertical,
                                 int AIndicatorWidth) {
  TcxPanningMotion m;
  int distance;
  if (AHorizontal && (!AVertical || std::abs(AOffset.x) > std::abs(AOffset.y))) {
    m.Direction = AOffset.x >= 0 ? dirRight : dirLeft;
    distance = std::abs(AOffset.x);
  } else {
    m.Direction = AOffset.y >= 0 ? dirDown : dirUp;
    distance = std::abs(AOffset.y);
  }
  m.Speed = std::clamp((distance - AIndicatorWidth / 2) / 5 + 1, 1, cxMaxPanningSpeed);
  return m;
}

void StartPanning(TcxControl* AControl, const TPoint& APoint) {
  const bool horizontal = AControl->IsHScrollBarVisible(), vertical = AControl->IsVScrollBarVisible();
  if (!horizontal && !vertical)
    return;
  auto alive = AControl->AliveToken();
  AControl->FIsPanning = true;
  HWND handle = AControl->Handle();

  TBitmap bitmap;
  bitmap.LoadFromResourceName(nullptr, horizontal && vertical ? "CX_FULLSCROLLBITMAP"
                                       : horizontal           ? "CX_HORSCROLLBITMAP"
                                                              : "CX_VERSCROLLBITMAP");
  const int w = bitmap.Width(), h = bitmap.Height();
  const TPoint start = AControl->ClientToScreen(APoint);
  const TRect indicatorRect{start.x - w / 2, start.y - h / 2, start.x - w / 2 + w, start.y - h / 2 + h};
  HWND indicator =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, indicatorRect.left,
                      indicatorRect.top, w, h, nullptr, nullptr, nullptr, nullptr);
  SetWindowRgn(indicator, CreateEllipticRgn(0, 0, w + 1, h + 1), FALSE);
  // The indicator is a plain static window: the loop paints it itself whenever it asks.
  auto paintIndicator = [&] {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(indicator, &ps);
    BitBlt(dc, 0, 0, w, h, bitmap.Canvas()->Handle(), 0, 0, SRCCOPY);
    HRGN frame = CreateEllipticRgn(0, 0, w + 1, h + 1);
    FrameRgn(dc, frame, GetSysColorBrush(COLOR_WINDOWFRAME), 1, 1);
    DeleteObject(frame);
    EndPaint(indicator, &ps);
  };
  ShowWindow(indicator, SW_SHOWNOACTIVATE);
  paintIndicator();

  TRect neutral = indicatorRect;
  if (!horizontal) {
    neutral.left = 0;
    neutral.right = GetSystemMetrics(SM_CXSCREEN);
  }
  if (!vertical) {
    neutral.top = 0;
    neutral.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  TcxPanningMotion motion;
  bool moved = false;
  TPoint last{-1, -1};
  auto update = [&] {
    TPoint p{};
    GetCursorPos(&p);
    if (p.x == last.x && p.y == last.y)
      return;
    last = p;
    if (PtInRect(&neutral, p)) {
      motion = TcxPanningMotion{};
    } else {
      moved = true;
      motion = cxPanningMotion(TPoint{p.x - start.x, p.y - start.y}, horizontal, vertical, w);
    }
    TCursor cursor;
    switch (motion.Direction) {
    case dirLeft:
      cursor = crcxLeftScroll;
      break;
    case dirRight:
      cursor = crcxRightScroll;
      break;
    case dirUp:
      cursor = crcxUpScroll;
      break;
    case dirDown:
      cursor = crcxDownScroll;
      break;
    default:
      cursor = horizontal && vertical ? crcxFullScroll : horizontal ? crcxHorScroll : crcxVerScroll;
      break;
    }
    ::SetCursor(Screen()->Cursors(cursor));
  };
  update();
  SetTimer(handle, cxPanningTimerId, cxPanningInterval, nullptr);
  SetCapture(handle);
  int counter = 0;
  MSG msg{};
  bool done = false;
  while (!done && *alive && GetCapture() == handle) {
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (msg.hwnd == indicator && msg.message == WM_PAINT) {
      paintIndicator();
      continue;
    }
    switch (msg.message) {
    case WM_MOUSEMOVE:
      update();
      break;
    case WM_TIMER:
      if (msg.hwnd == handle && msg.wParam == cxPanningTimerId) {
        ++counter;
        if (motion.Speed > 0 && counter % (cxMaxPanningSpeed + 1 - motion.Speed) == 0)
          AControl->ScrollContent(motion.Direction);
      } else {
        DispatchMessage(&msg);
      }
      break;
    case WM_KEYDOWN:
      if (msg.wParam == VK_ESCAPE)
        done = true;
      else {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      break;
    case WM_MBUTTONUP:
      done = moved;
      break;
    default:
      if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
        done = true; // any other button ends the panning and is not passed on
        break;
      }
      TranslateMessage(&msg);
      DispatchMessage(&msg);
      break;
    }
  }
  if (GetCapture() == handle)
    ReleaseCapture();
  KillTimer(handle, cxPanningTimerId);
  DestroyWindow(indicator);
  if (*alive)
    AControl->FIsPanning = false;
}

void BeginMouseTracking(TWinControl* AControl, const TRect& ABounds, IcxMouseTrackingCaller* ACaller) {
  if (!ACaller || IsMouseTracking(ACaller))
    return;
  EnsureTrackingWindow();
  TrackingState& s = Tracking();
  auto timer = std::make_unique<TMouseTrackingTimer>();
  timer->Id = s.NextId++;
  timer->Control = AControl;
  timer->Caller = ACaller;
  timer->Bounds = ABounds;
  if (AControl) {
    timer->Alive = AControl->AliveToken();
    const TPoint topLeft = AControl->ClientToScreen(TPoint{ABounds.left, ABounds.top});
    timer->Bounds =
        TRect{topLeft.x, topLeft.y, topLeft.x + RectWidth(ABounds), topLeft.y + RectHeight(ABounds)};
  }
  if (SetTimer(s.Window, timer->Id, cxMouseTrackingInterval, nullptr) == 0)
    throw EOutOfResources("Not enough timers available");
  s.Timers.push_back(std::move(timer));
}

void EndMouseTracking(IcxMouseTrackingCaller* ACaller) {
  if (ACaller && ACaller == gLeavingCaller)
    gLeavingCaller = nullptr;
  TrackingState& s = Tracking();
  auto it =
      std::find_if(s.Timers.begin(), s.Timers.end(), [&](const auto& t) { return t->Caller == ACaller; });
  if (it != s.Timers.end())
    Detach(it);
}

bool IsMouseTracking(IcxMouseTrackingCaller* ACaller) {
  const TrackingState& s = Tracking();
  return std::any_of(s.Timers.begin(), s.Timers.end(), [&](const auto& t) { return t->Caller == ACaller; });
}

int MouseTrackingCount() {
  return int(Tracking().Timers.size());
}

TRect GetMonitorWorkArea(const TPoint& P) {
  if (HMONITOR monitor = MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST)) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
      return info.rcWork;
  }
  RECT r{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

UINT GetDblClickInterval() {
  return GetDoubleClickTime();
}

bool IsPointInDragThreshold(const TPoint& P, int X, int Y) {
  const int threshold = Mouse()->DragThreshold();
  return std::abs(X - P.x) < threshold && std::abs(Y - P.y) < threshold;
}

bool IsNumericChar(char C, TcxNumberType AType) {
  if ((C >= '0' && C <= '9') || C == '+' || C == '-')
    return true;
  if (AType != ntInteger && C == FormatSettings.DecimalSeparator)
    return true;
  return AType == ntExponent && (C == 'e' || C == 'E');
}

bool IsTextChar(char C) {
  return static_cast<unsigned char>(C) >= 32;
}

void MapWindowRect(HWND AFrom, HWND ATo, TRect& R) {
  MapWindowPoints(AFrom, ATo, reinterpret_cast<POINT*>(&R), 2);
}

bool HasParentWithHandle(TControl* AControl) {
  for (TWinControl* p = AControl ? AControl->Parent() : nullptr; p; p = p->Parent())
    if (p->HandleAllocated())
      return true;
  return false;
}

WORD TranslateKey(WORD Key) {
  return Key;
}

int GetPopupMenuHeight(TComponent* APopupMenu) {
  auto* menu = dynamic_cast<TPopupMenu*>(APopupMenu);
  if (!menu)
    return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Screen()->MenuFont()->Handle());
  SIZE size{};
  GetTextExtentPoint32A(dc, "Qg", 2, &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  int height = 4;
  for (int i = 0; i < menu->Items()->Count(); ++i)
    if (menu->Items()->Items(i)->Visible())
      height += size.cy + 4;
  return height;
}

bool IsPopupMenuShortCut(TComponent* APopupMenu, TWMKey& Message) {
  if (auto* support = dynamic_cast<IcxPopupMenuSupport*>(APopupMenu))
    return support->IsShortCut(Message);
  if (auto* menu = dynamic_cast<TPopupMenu*>(APopupMenu); menu && menu->Items()->Count() > 0)
    return menu->IsShortCut(Message);
  return false;
}

bool ShowPopupMenu(TComponent* ACaller, TComponent* APopupMenu, int X, int Y) {
  if (!APopupMenu)
    return false;
  if (auto* support = dynamic_cast<IcxPopupMenuSupport*>(APopupMenu)) {
    support->Popup(X, Y);
    return true;
  }
  if (auto* menu = dynamic_cast<TPopupMenu*>(APopupMenu); menu && menu->AutoPopup()) {
    menu->SetPopupComponent(dynamic_cast<TControl*>(ACaller));
    menu->Popup(X, Y);
    return true;
  }
  return false;
}

TDragObject* GetCurrentDragObject() {
  return DragObject();
}

void HideDragImage() {
  if (TDragImageList* images = CurrentDragImages())
    images->HideDragImage();
}

void ShowDragImage() {
  if (TDragImageList* images = CurrentDragImages())
    images->ShowDragImage();
}

TcxSettingsController::~TcxSettingsController() {
  if (FWindow)
    DeallocateHWnd(FWindow);
}

void TcxSettingsController::AddListener(TWinControl* AListener) {
  if (std::find(FListeners.begin(), FListeners.end(), AListener) != FListeners.end())
    return;
  FListeners.push_back(AListener);
  if (!FWindow)
    FWindow = AllocateHWnd([this](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
      return WndProc(hwnd, msg, wParam, lParam);
    });
}

void TcxSettingsController::RemoveListener(TWinControl* AListener) {
  std::erase(FListeners, AListener);
  if (FListeners.empty() && FWindow) {
    DeallocateHWnd(FWindow);
    FWindow = nullptr;
  }
}

LRESULT TcxSettingsController::WndProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (Msg != WM_SETTINGCHANGE || wParam != SPI_SETNONCLIENTMETRICS)
    return DefWindowProc(hwnd, Msg, wParam, lParam);
  for (TWinControl* control : std::vector<TWinControl*>(FListeners))
    if (control->HandleAllocated())
      SendNotifyMessage(control->Handle(), CXM_NCSIZECHANGED, 0, 0);
  return 0;
}

TcxSettingsController* cxSettingsController() {
  auto& instance = SettingsControllerInstance();
  if (!instance)
    instance.reset(new TcxSettingsController);
  return instance.get();
}

void cxControlsInitialize() {
  const auto& names = cxLibraryCursorNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    LibraryCursors()[i] = cxCreateLibraryCursor(names[i]);
    Screen()->SetCursors(TCursor(crcxDragCopy + int(i)), LibraryCursors()[i]);
  }
  RegisterResourceBitmap("CX_FULLSCROLLBITMAP", [](TBitmap& b) { DrawPanningBitmap(b, true, true); });
  RegisterResourceBitmap("CX_HORSCROLLBITMAP", [](TBitmap& b) { DrawPanningBitmap(b, true, false); });
  RegisterResourceBitmap("CX_VERSCROLLBITMAP", [](TBitmap& b) { DrawPanningBitmap(b, false, true); });
  RegisterClass(ClassOf<TcxControlChildComponent>());
}

void cxControlsFinalize() {
  // Trackers left at the end are freed quietly: nothing can leave any more, and raising at shut-down
  // would only stop the units after this one from ending.
  TrackingState& s = Tracking();
  while (!s.Timers.empty())
    Detach(s.Timers.begin());
  if (s.Window) {
    DeallocateHWnd(s.Window);
    s.Window = nullptr;
  }
  SettingsControllerInstance().reset();
  gDragOverLibraryControl = nullptr;
  UnRegisterClass(ClassOf<TcxControlChildComponent>());
  for (const char* name : {"CX_FULLSCROLLBITMAP", "CX_HORSCROLLBITMAP", "CX_VERSCROLLBITMAP"})
    UnregisterResourceBitmap(name);
  for (std::size_t i = 0; i < LibraryCursors().size(); ++i) {
    Screen()->SetCursors(TCursor(crcxDragCopy + int(i)), nullptr);
    if (LibraryCursors()[i])
      DestroyCursor(LibraryCursors()[i]);
    LibraryCursors()[i] = nullptr;
  }
}

const TUnitInfo cxControlsUnit{"cxControls", cxControlsInitialize, cxControlsFinalize};
