#include "platform/win/DefWindowProc.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Fill.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/NonClient_p.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/SystemMetrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowManager.h"

using namespace platform::detail;

namespace {

bool IsChildWindow(const Wnd* w) {
  return (w->style & WS_CHILD) && W(w->parent) && w->parent != S().messageRoot;
}

LRESULT OnNcCreate(HWND hwnd, LPARAM lParam) {
  auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
  Wnd* w = W(hwnd);
  if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
    w->text = cs->lpszName;
  return TRUE;
}

LRESULT OnNcCalcSize(HWND hwnd, LPARAM lParam) {
  auto* rect = reinterpret_cast<RECT*>(lParam);
  if (rect)
    DefaultClientRect(hwnd, rect);
  return 0;
}

LRESULT OnSetText(HWND hwnd, LPARAM lParam) {
  Wnd* w = W(hwnd);
  auto* text = reinterpret_cast<const char*>(lParam);
  w->text = text ? text : "";
  if ((w->style & WS_CAPTION) == WS_CAPTION)
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
  return TRUE;
}

LRESULT OnGetText(HWND hwnd, WPARAM size, LPARAM lParam) {
  Wnd* w = W(hwnd);
  auto* buffer = reinterpret_cast<char*>(lParam);
  if (!buffer || size == 0)
    return 0;
  size_t n = std::min(w->text.size(), size_t(size) - 1);
  std::memcpy(buffer, w->text.data(), n);
  buffer[n] = 0;
  return LRESULT(n);
}

HCURSOR Stock(LPCSTR id) {
  return LoadCursorA(nullptr, id);
}

LRESULT OnSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  Wnd* w = W(hwnd);
  if (IsChildWindow(w) && SendMessageA(w->parent, WM_SETCURSOR, wParam, lParam))
    return TRUE;
  if (!(w = W(hwnd)))
    return FALSE;
  int hit = short(LOWORD(std::uintptr_t(lParam)));
  UINT mouse = HIWORD(std::uintptr_t(lParam));
  switch (hit) {
  case HTCLIENT:
    if (w->cls->cursor) {
      SetCursor(w->cls->cursor);
      return TRUE;
    }
    return FALSE;
  case HTERROR:
    if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN)
      MessageBeep(0);
    return FALSE;
  case HTLEFT:
  case HTRIGHT:
    SetCursor(Stock(IDC_SIZEWE));
    return TRUE;
  case HTTOP:
  case HTBOTTOM:
    SetCursor(Stock(IDC_SIZENS));
    return TRUE;
  case HTTOPLEFT:
  case HTBOTTOMRIGHT:
    SetCursor(Stock(IDC_SIZENWSE));
    return TRUE;
  case HTTOPRIGHT:
  case HTBOTTOMLEFT:
    SetCursor(Stock(IDC_SIZENESW));
    return TRUE;
  default:
    SetCursor(Stock(IDC_ARROW));
    return TRUE;
  }
}

LRESULT OnEraseBackground(HWND hwnd, WPARAM wParam) {
  Wnd* w = W(hwnd);
  auto dc = reinterpret_cast<HDC>(wParam);
  if (!w->cls->background || !dc)
    return 0;
  RECT rc;
  GetClientRect(hwnd, &rc);
  return FillRect(dc, &rc, w->cls->background) ? 1 : 0;
}

LRESULT OnNcPaint(HWND hwnd) {
  HDC dc = GetWindowDC(hwnd);
  PaintFrame(hwnd, dc);
  ReleaseDC(hwnd, dc);
  return 0;
}

LRESULT OnPaint(HWND hwnd) {
  PAINTSTRUCT ps;
  if (BeginPaint(hwnd, &ps))
    EndPaint(hwnd, &ps);
  return 0;
}

LRESULT OnWindowPosChanged(HWND hwnd, LPARAM lParam) {
  auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
  Wnd* w = W(hwnd);
  if (!wp || !w)
    return 0;
  if (!(wp->flags & SWP_NOCLIENTMOVE))
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
  if (!(wp->flags & SWP_NOCLIENTSIZE) && (w = W(hwnd))) {
    WPARAM kind = (w->style & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                  : (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED
                                             : SIZE_RESTORED;
    SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(RectWidth(w->client), RectHeight(w->client)));
  }
  return 0;
}

LRESULT OnMouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  Wnd* w = W(hwnd);
  if (IsChildWindow(w)) {
    if (LRESULT r = SendMessageA(w->parent, WM_MOUSEACTIVATE, wParam, lParam))
      return r;
  }
  if (short(LOWORD(std::uintptr_t(lParam))) == HTCAPTION && HIWORD(std::uintptr_t(lParam)) == WM_LBUTTONDOWN)
    return MA_NOACTIVATE;
  return MA_ACTIVATE;
}

LRESULT OnPrint(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(hwnd))
    return 0;
  auto dc = reinterpret_cast<HDC>(wParam);
  if (lParam & PRF_NONCLIENT)
    PaintFrame(hwnd, dc);
  if (lParam & PRF_ERASEBKGND)
    SendMessageA(hwnd, WM_ERASEBKGND, wParam, 0);
  if (lParam & PRF_CLIENT)
    SendMessageA(hwnd, WM_PRINTCLIENT, wParam, lParam);
  return 0;
}

LRESULT OnNcButtonDown(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (wParam == HTVSCROLL)
    TrackScrollBar(hwnd, SB_VERT, pt);
  else if (wParam == HTHSCROLL)
    TrackScrollBar(hwnd, SB_HORZ, pt);
  else if (wParam == HTCAPTION && GetActiveWindow() != GetAncestor(hwnd, GA_ROOT))
    SetActiveWindow(GetAncestor(hwnd, GA_ROOT));
  return 0;
}

} // namespace

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Wnd* w = W(hwnd);
  if (!w)
    return 0;
  switch (msg) {
  case WM_NCCREATE:
    return OnNcCreate(hwnd, lParam);
  case WM_NCCALCSIZE:
    return OnNcCalcSize(hwnd, lParam);
  case WM_NCHITTEST:
    return DefaultHitTest(hwnd, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  case WM_NCPAINT:
    return OnNcPaint(hwnd);
  case WM_NCACTIVATE:
    if ((w->style & WS_CAPTION) == WS_CAPTION)
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
    return TRUE;
  case WM_NCLBUTTONDOWN:
    return OnNcButtonDown(hwnd, wParam, lParam);
  case WM_SETTEXT:
    return OnSetText(hwnd, lParam);
  case WM_GETTEXT:
    return OnGetText(hwnd, wParam, lParam);
  case WM_GETTEXTLENGTH:
    return LRESULT(w->text.size());
  case WM_SETCURSOR:
    return OnSetCursor(hwnd, wParam, lParam);
  case WM_ERASEBKGND:
    return OnEraseBackground(hwnd, wParam);
  case WM_PAINT:
    return OnPaint(hwnd);
  case WM_CLOSE:
    DestroyWindow(hwnd);
    return 0;
  case WM_MOUSEWHEEL:
    return IsChildWindow(w) ? SendMessageA(w->parent, msg, wParam, lParam) : 0;
  case WM_CONTEXTMENU:
    return IsChildWindow(w) ? SendMessageA(w->parent, msg, wParam, lParam) : 0;
  case WM_PRINT:
    return OnPrint(hwnd, wParam, lParam);
  case WM_WINDOWPOSCHANGED:
    return OnWindowPosChanged(hwnd, lParam);
  case WM_ACTIVATE:
    if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && !S().suppressActivateFocus)
      SetFocus(hwnd);
    return 0;
  case WM_MOUSEACTIVATE:
    return OnMouseActivate(hwnd, wParam, lParam);
  case WM_CANCELMODE:
    if (S().capture == hwnd)
      ReleaseCapture();
    return 0;
  case WM_SETREDRAW:
    // The platform clears WS_VISIBLE here; a separate flag keeps IsWindowVisible truthful while painting
    // and invalidation are off.
    w->redraw = wParam != 0;
    return 0;
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_CLOSE)
      SendMessageA(hwnd, WM_CLOSE, 0, 0);
    return 0;
  case WM_SYSKEYDOWN:
    // Alt+F4 closes the top-level window, not the child that has the focus (Wine posts it to the root).
    if (wParam == VK_F4 && (GetKeyState(VK_MENU) & 0x8000)) {
      HWND top = GetAncestor(hwnd, GA_ROOT);
      if (!(GetClassLongPtrA(top, GCL_STYLE) & CS_NOCLOSE))
        PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    return 0;
  case WM_GETDLGCODE:
  case WM_PRINTCLIENT:
  case WM_SHOWWINDOW:
  default:
    return 0;
  }
}
