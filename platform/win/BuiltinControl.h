#pragma once
// The window procedure of a built-in class whose state lives in a C++ object held in the window's first extra
// slot: the object is made on WM_NCCREATE and freed on WM_NCDESTROY, and every message in between goes to its
// WndProc.
#include "platform/win/DefWindowProc.h"
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

} // namespace platform::detail
