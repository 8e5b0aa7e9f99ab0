#pragma once
// The platform's basic value types, handle types and geometry records.
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = DWORD;
using WCHAR = char16_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) {
  return BYTE(c & 0xFF);
}
constexpr BYTE GetGValue(COLORREF c) {
  return BYTE((c >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF c) {
  return BYTE((c >> 16) & 0xFF);
}
constexpr WORD LOWORD(std::uintptr_t v) {
  return WORD(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
  return WORD((v >> 16) & 0xFFFF);
}
constexpr DWORD MAKELONG(WORD lo, WORD hi) {
  return DWORD(lo) | (DWORD(hi) << 16);
}

struct POINT {
  LONG x = 0, y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};
struct SIZE {
  LONG cx = 0, cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};
// Right and bottom are exclusive.
struct RECT {
  LONG left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

using TPoint = POINT;
using TSize = SIZE;
using TRect = RECT;

// Handles are opaque, distinct pointer types so that one kind cannot be passed for another; the layer that
// issues them resolves them through a table and answers nullptr for a stale one.
#define PELVOR_DECLARE_HANDLE(name)                                                                          \
  struct name##__;                                                                                           \
  using name = name##__*
// Graphics handles convert implicitly to HGDIOBJ, as they do on the platform (SelectObject(dc, pen)), and
// back only by an explicit cast.
#define PELVOR_DECLARE_GDI_HANDLE(name)                                                                      \
  struct name##__ : HGDIOBJ__ {};                                                                            \
  using name = name##__*
struct HGDIOBJ__ {};
using HGDIOBJ = HGDIOBJ__*;
PELVOR_DECLARE_HANDLE(HWND);
PELVOR_DECLARE_GDI_HANDLE(HDC);
PELVOR_DECLARE_GDI_HANDLE(HPEN);
PELVOR_DECLARE_GDI_HANDLE(HBRUSH);
PELVOR_DECLARE_GDI_HANDLE(HFONT);
PELVOR_DECLARE_GDI_HANDLE(HBITMAP);
PELVOR_DECLARE_GDI_HANDLE(HRGN);
PELVOR_DECLARE_GDI_HANDLE(HPALETTE);
PELVOR_DECLARE_HANDLE(HICON);
PELVOR_DECLARE_HANDLE(HMENU);
PELVOR_DECLARE_HANDLE(HINSTANCE);
PELVOR_DECLARE_HANDLE(HHOOK);
PELVOR_DECLARE_HANDLE(HMONITOR);
PELVOR_DECLARE_HANDLE(HTHEME);
using HCURSOR = HICON;
#undef PELVOR_DECLARE_HANDLE
#undef PELVOR_DECLARE_GDI_HANDLE
