#pragma once
// Small rectangle arithmetic shared by the painter sources.
#include "lookandfeel/cxGraphics.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"

namespace cxPainterUtils {

inline int FloorDiv(int a, int b) {
  int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A part too small for its borders leaves an empty rectangle where the borders meet, never one of negative
// width or height that later arithmetic would turn inside out.
inline TRect NotInverted(TRect r) {
  if (r.right < r.left)
    r.left = r.right = r.left + FloorDiv(r.right - r.left, 2);
  if (r.bottom < r.top)
    r.top = r.bottom = r.top + FloorDiv(r.bottom - r.top, 2);
  return r;
}

inline TRect Deflated(TRect r, int d) {
  if (r.right < r.left || r.bottom < r.top)
    return NotInverted(r);
  InflateRect(&r, -d, -d);
  return NotInverted(r);
}

inline TRect DeflatedOn(TRect r, int d, TcxBorders borders) {
  if (r.right < r.left || r.bottom < r.top)
    return NotInverted(r);
  if (borders.Contains(bLeft))
    r.left += d;
  if (borders.Contains(bTop))
    r.top += d;
  if (borders.Contains(bRight))
    r.right -= d;
  if (borders.Contains(bBottom))
    r.bottom -= d;
  return NotInverted(r);
}

inline TRect Shifted(TRect r, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  return r;
}

inline TPoint Shifted(TPoint p, int dx, int dy) {
  return {p.x + dx, p.y + dy};
}

// Draws an image of a size of its own inside a part, so that a part smaller than the image cuts it off.
inline void DrawClipped(TcxCanvas* ACanvas, const TRect& APart, TGraphic* AImage, int X, int Y) {
  if (IsRectEmpty(&APart))
    return;
  HDC dc = ACanvas->Handle();
  int saved = SaveDC(dc);
  ACanvas->IntersectClipRect(APart);
  ACanvas->Draw(X, Y, AImage);
  RestoreDC(dc, saved);
}

// Clips drawing to a part for as long as it lives, when the part is smaller than the glyph about to be drawn
// in it; a part large enough costs nothing.
class TClipToSmallPart {
public:
  TClipToSmallPart(TcxCanvas* ACanvas, const TRect& APart, int AGlyphWidth, int AGlyphHeight) {
    if (RectWidth(APart) >= AGlyphWidth && RectHeight(APart) >= AGlyphHeight)
      return;
    FDC = ACanvas->Handle();
    FSaved = SaveDC(FDC);
    ACanvas->IntersectClipRect(APart);
  }
  ~TClipToSmallPart() {
    if (FDC)
      RestoreDC(FDC, FSaved);
  }
  TClipToSmallPart(const TClipToSmallPart&) = delete;
  TClipToSmallPart& operator=(const TClipToSmallPart&) = delete;

private:
  HDC FDC = nullptr;
  int FSaved = 0;
};

} // namespace cxPainterUtils
