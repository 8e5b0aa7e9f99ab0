#pragma once
// Window classes, window creation and destruction, window data, the window tree, geometry and z-order.
#include <string>

#include "platform/win/WinDefs.h"

ATOM RegisterClassA(const WNDCLASSA* wc);
ATOM RegisterClassExA(const WNDCLASSEXA* wc);
inline ATOM RegisterClass(const WNDCLASSA* wc) {
  return RegisterClassA(wc);
}
inline ATOM RegisterClassEx(const WNDCLASSEXA* wc) {
  return RegisterClassExA(wc);
}
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);
inline BOOL UnregisterClass(LPCSTR className, HINSTANCE instance) {
  return UnregisterClassA(className, instance);
}
BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc);
BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, WNDCLASSEXA* wc);
inline BOOL GetClassInfo(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc) {
  return GetClassInfoA(instance, className, wc);
}
int GetClassNameA(HWND hwnd, LPSTR buffer, int size);
inline int GetClassName(HWND hwnd, LPSTR buffer, int size) {
  return GetClassNameA(hwnd, buffer, size);
}
ULONG_PTR GetClassLongPtrA(HWND hwnd, int index);
ULONG_PTR SetClassLongPtrA(HWND hwnd, int index, LONG_PTR value);

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
inline HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                           int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu, instance,
                         param);
}
inline HWND CreateWindowA(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                          int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  return CreateWindowExA(0, className, windowName, style, x, y, width, height, parent, menu, instance, param);
}
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

LONG GetWindowLongA(HWND hwnd, int index);
LONG SetWindowLongA(HWND hwnd, int index, LONG value);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
inline LONG GetWindowLong(HWND hwnd, int index) {
  return GetWindowLongA(hwnd, index);
}
inline LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  return SetWindowLongA(hwnd, index, value);
}
inline LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  return GetWindowLongPtrA(hwnd, index);
}
inline LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  return SetWindowLongPtrA(hwnd, index, value);
}

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data);
HANDLE GetPropA(HWND hwnd, LPCSTR name);
HANDLE RemovePropA(HWND hwnd, LPCSTR name);
inline BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
  return SetPropA(hwnd, name, data);
}
inline HANDLE GetProp(HWND hwnd, LPCSTR name) {
  return GetPropA(hwnd, name);
}
inline HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
  return RemovePropA(hwnd, name);
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text);
int GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
int GetWindowTextLengthA(HWND hwnd);
inline BOOL SetWindowText(HWND hwnd, LPCSTR text) {
  return SetWindowTextA(hwnd, text);
}
inline int GetWindowText(HWND hwnd, LPSTR buffer, int size) {
  return GetWindowTextA(hwnd, buffer, size);
}
inline int GetWindowTextLength(HWND hwnd) {
  return GetWindowTextLengthA(hwnd);
}

// Window text is kept in the default code page; the wide calls convert, and characters the code page
// lacks come back as its default character.
BOOL SetWindowTextW(HWND hwnd, LPCWSTR text);
int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size);
int GetWindowTextLengthW(HWND hwnd);

HWND GetDesktopWindow();
HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);
BOOL IsChild(HWND parent, HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam);
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
BOOL BringWindowToTop(HWND hwnd);

BOOL ShowWindow(HWND hwnd, int cmd);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* pt);
BOOL ScreenToClient(HWND hwnd, POINT* pt);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
HWND WindowFromPoint(POINT pt);
HWND ChildWindowFromPoint(HWND parent, POINT pt);
HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);

namespace platform {
// The non-client insets a window of these styles has around its client area, scroll bars excluded.
RECT FrameInsets(DWORD style, DWORD exStyle);
// The window under a screen point and its hit-test code, as mouse input finds it (WM_NCHITTEST is sent).
HWND HitTestPoint(POINT pt, int* hitCode);
} // namespace platform
