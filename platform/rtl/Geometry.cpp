#include "platform/rtl/Geometry.h"

#include <algorithm>
#include <climits>
#include <cstdint>

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0)
    return -1;
  const std::int64_t product = std::int64_t(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const std::uint64_t p = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
  const std::uint64_t d =
      denominator < 0 ? std::uint64_t(-std::int64_t(denominator)) : std::uint64_t(denominator);
  // Adding half the divisor before the truncating division rounds a remainder of one half away from zero.
  const std::uint64_t q = (p + d / 2) / d;
  // A quotient that does not fit an int is reported like a zero divisor.
  if (q > (negative ? std::uint64_t(INT_MAX) + 1 : std::uint64_t(INT_MAX)))
    return -1;
  return negative ? int(-std::int64_t(q)) : int(q);
}

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r)
    return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* r) {
  if (!r)
    return FALSE;
  *r = RECT{};
  return TRUE;
}

BOOL CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src)
    return FALSE;
  *dst = *src;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* r) {
  return !r || r->right <= r->left || r->bottom <= r->top;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && *a == *b;
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r)
    return FALSE;
  r->left += dx;
  r->right += dx;
  r->top += dy;
  r->bottom += dy;
  return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r)
    return FALSE;
  r->left -= dx;
  r->right += dx;
  r->top -= dy;
  r->bottom += dy;
  return TRUE;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b)
    return FALSE;
  RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
         std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&r)) {
    *dst = RECT{};
    return FALSE;
  }
  *dst = r;
  return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b)
    return FALSE;
  const bool emptyA = IsRectEmpty(a), emptyB = IsRectEmpty(b);
  if (emptyA && emptyB) {
    *dst = RECT{};
    return FALSE;
  }
  if (emptyA) {
    *dst = *b;
  } else if (emptyB) {
    *dst = *a;
  } else {
    *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
  }
  return TRUE;
}

// The result is a rectangle only when b covers a whole side of a; otherwise a is returned unchanged.
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b)
    return FALSE;
  if (IsRectEmpty(a)) {
    *dst = RECT{};
    return FALSE;
  }
  RECT result = *a;
  RECT common;
  if (IntersectRect(&common, a, b)) {
    if (common == *a) {
      *dst = RECT{};
      return FALSE;
    }
    if (common.top == a->top && common.bottom == a->bottom) {
      if (common.left == a->left)
        result.left = common.right;
      else if (common.right == a->right)
        result.right = common.left;
    } else if (common.left == a->left && common.right == a->right) {
      if (common.top == a->top)
        result.top = common.bottom;
      else if (common.bottom == a->bottom)
        result.bottom = common.top;
    }
  }
  *dst = result;
  return TRUE;
}
