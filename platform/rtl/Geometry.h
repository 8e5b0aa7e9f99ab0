#pragma once
// Rectangle and point helpers with the platform's names and rules (right and bottom exclusive).
#include "platform/rtl/Types.h"

// Rounding multiplication-division: 64-bit intermediate, halves rounded away from zero, -1 on a zero divisor.
int MulDiv(int number, int numerator, int denominator);

constexpr TRect Rect(LONG left, LONG top, LONG right, LONG bottom) {
  return TRect{left, top, right, bottom};
}
constexpr TRect Bounds(LONG left, LONG top, LONG width, LONG height) {
  return TRect{left, top, left + width, top + height};
}
constexpr TPoint Point(LONG x, LONG y) {
  return TPoint{x, y};
}
constexpr LONG RectWidth(const TRect& r) {
  return r.right - r.left;
}
constexpr LONG RectHeight(const TRect& r) {
  return r.bottom - r.top;
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL IsRectEmpty(const RECT* r); // width or height <= 0
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* r, POINT p);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b); // empty result is set to all zeros
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);
