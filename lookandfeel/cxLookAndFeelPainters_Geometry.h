#pragma once
// Small rectangle arithmetic shared by the painter sources.
#include "lookandfeel/cxGraphics.h"
#include "platform/rtl/Geometry.h"

namespace cxPainterUtils {

inline int FloorDiv(int a, int b) {
  int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

inline TRect Deflated(TRect r, int d) {
  InflateRect(&r, -d, -d);
  return r;
}

inline TRect DeflatedOn(TRect r, int d, TcxBorders borders) {
  if (borders.Contains(bLeft))
    r.left += d;
  if (borders.Contains(bTop))
    r.top += d;
  if (borders.Contains(bRight))
    r.right -= d;
  if (borders.Contains(bBottom))
    r.bottom -= d;
  return r;
}

inline TRect Shifted(TRect r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

inline TPoint Shifted(TPoint p, int dx, int dy) {
  return {p.x + dx, p.y + dy};
}

} // namespace cxPainterUtils
