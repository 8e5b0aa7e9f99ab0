#pragma once
// Text output and measuring in a device context's font.
#include "platform/gdi/Font.h"

constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;
constexpr UINT TA_RTLREADING = 256;
constexpr UINT TA_MASK = TA_BASELINE | TA_CENTER | TA_UPDATECP | TA_RTLREADING;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

UINT SetTextAlign(HDC dc, UINT align); // the previous alignment, GDI_ERROR for a bad DC
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra); // the previous extra, 0x80000000 for a bad DC
int GetTextCharacterExtra(HDC dc);
// Later output and measuring widen each break character so that `count` of them share `extra` units; the
// remainder goes one unit each to the first break characters of every call. extra = 0 clears it.
BOOL SetTextJustification(HDC dc, int extra, int count);

BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
BOOL GetTextExtentPoint32W(HDC dc, const WCHAR* text, int count, SIZE* size);
inline BOOL GetTextExtentPoint32(HDC dc, const char* text, int count, SIZE* size) {
  return GetTextExtentPoint32A(dc, text, count, size);
}
inline BOOL GetTextExtentPointA(HDC dc, const char* text, int count, SIZE* size) {
  return GetTextExtentPoint32A(dc, text, count, size);
}
inline BOOL GetTextExtentPointW(HDC dc, const WCHAR* text, int count, SIZE* size) {
  return GetTextExtentPoint32W(dc, text, count, size);
}
inline BOOL GetTextExtentPoint(HDC dc, const char* text, int count, SIZE* size) {
  return GetTextExtentPoint32A(dc, text, count, size);
}

// fit (when given) receives how many leading characters have a cumulative extent <= maxExtent; dx (when
// given) the cumulative extent through each of the count characters.
BOOL GetTextExtentExPointA(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx, SIZE* size);
BOOL GetTextExtentExPointW(HDC dc, const WCHAR* text, int count, int maxExtent, int* fit, int* dx,
                           SIZE* size);
inline BOOL GetTextExtentExPoint(HDC dc, const char* text, int count, int maxExtent, int* fit, int* dx,
                                 SIZE* size) {
  return GetTextExtentExPointA(dc, text, count, maxExtent, fit, dx, size);
}

// MAKELONG(width, height) of the text with tabs expanded as TabbedTextOut would from x = 0; 0 on failure.
DWORD GetTabbedTextExtentA(HDC dc, const char* text, int count, int tabCount, const int* tabStops);
DWORD GetTabbedTextExtentW(HDC dc, const WCHAR* text, int count, int tabCount, const int* tabStops);
inline DWORD GetTabbedTextExtent(HDC dc, const char* text, int count, int tabCount, const int* tabStops) {
  return GetTabbedTextExtentA(dc, text, count, tabCount, tabStops);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const int* dx);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                 const int* dx);
inline BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                       const int* dx) {
  return ExtTextOutA(dc, x, y, options, rect, text, count, dx);
}
BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);
BOOL TextOutW(HDC dc, int x, int y, const WCHAR* text, int count);
inline BOOL TextOut(HDC dc, int x, int y, const char* text, int count) {
  return TextOutA(dc, x, y, text, count);
}

// Tab stops: none -> every 8 average character widths; one -> every |tabStops[0]|; several -> at
// tabOrigin + tabStops[i], then the default spacing; a negative stop right-aligns the next text to it.
// (x, y) is the left of the text; of the DC's text alignment only the vertical part applies.
// Returns MAKELONG(width, height), 0 on failure.
LONG TabbedTextOutA(HDC dc, int x, int y, const char* text, int count, int tabCount, const int* tabStops,
                    int tabOrigin);
LONG TabbedTextOutW(HDC dc, int x, int y, const WCHAR* text, int count, int tabCount, const int* tabStops,
                    int tabOrigin);
inline LONG TabbedTextOut(HDC dc, int x, int y, const char* text, int count, int tabCount,
                          const int* tabStops, int tabOrigin) {
  return TabbedTextOutA(dc, x, y, text, count, tabCount, tabStops, tabOrigin);
}
