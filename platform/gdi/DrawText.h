#pragma once
// Formatted text in a rectangle: alignment, line and word breaking, tabs, ellipses and prefixes.
#include "platform/gdi/Text.h"

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0; // in average character widths
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0; // out: characters processed
};

// Returns the height of the text (from the rectangle's top to the bottom of the last line; at least 1), 0 on
// failure or for count 0. count -1 (any negative count) means a zero-terminated text. With DT_CALCRECT
// nothing is drawn and the rectangle receives the text's extent. DT_MODIFYSTRING is not supported: the text
// is never written back.
int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format);
int DrawTextW(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format);
int DrawTextExA(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
int DrawTextExW(HDC dc, const WCHAR* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params);
inline int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
  return DrawTextA(dc, text, count, rect, format);
}
inline int DrawTextEx(HDC dc, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
  return DrawTextExA(dc, text, count, rect, format, params);
}
