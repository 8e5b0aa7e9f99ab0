#pragma once
// The window procedure of a built-in class whose state lives in a C++ object held in the window's first extra
// slot: the object is made on WM_NCCREATE and freed on WM_NCDESTROY, and every message in between goes to its
// WndProc.
#include "platform/gdi/Gdi.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace platform::detail {

template <class Control> LRESULT BuiltinControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(new Control(hwnd, *cs)));
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  auto* control = reinterpret_cast<Control*>(GetWindowLongPtrA(hwnd, 0));
  if (!control)
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, 0, 0);
    delete control;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return control->WndProc(msg, wParam, lParam);
}

// Tells the parent, as WM_COMMAND with the control's id, that something happened to the control.
inline void NotifyParent(HWND control, HWND parent, WORD code) {
  if (!IsWindow(parent))
    return;
  auto id = WORD(GetWindowLongPtrA(control, GWLP_ID));
  SendMessageA(parent, WM_COMMAND, WPARAM(MAKELONG(id, code)), reinterpret_cast<LPARAM>(control));
}

// The metrics of the font a control draws with (the system font when it has none) and, when asked, the
// advances of the 256 code-page characters.
inline TEXTMETRICA MeasureControlFont(HFONT font, INT* widths = nullptr) {
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  if (widths)
    GetCharWidth32A(dc, 0, 255, widths);
  DeleteDC(dc);
  return tm;
}

} // namespace platform::detail
