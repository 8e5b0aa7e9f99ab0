#include "platform/gdi/Edge.h"

#include <algorithm>

#include "platform/gdi/Raster_p.h"
#include "platform/rtl/Colors.h"

using namespace gdi;

namespace gdi {

void FillSolid(HDC handle, const RECT& rect, COLORREF color) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || rect.right <= rect.left || rect.bottom <= rect.top)
    return;
  FillRectArea(*dc, dc->ToSurface(rect), BrushSource::Solid(*dc, color), 0xF0);
}

} // namespace gdi

namespace {

struct Ring {
  bool present = false;
  COLORREF topLeft = 0, bottomRight = 0;
};

COLORREF Sys(int index) {
  return GetSysColor(index);
}

// Colours of one ring from its two edge bits (raised, sunken), or absent when neither or both are set.
Ring MakeRing(bool raised, bool sunken, bool outer, UINT flags) {
  Ring ring;
  if (raised == sunken)
    return ring;
  ring.present = true;
  bool soft = flags & BF_SOFT;
  if (outer) {
    ring.topLeft =
        raised ? Sys(soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT) : Sys(soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW);
    ring.bottomRight = raised ? Sys(COLOR_3DDKSHADOW) : Sys(COLOR_3DHILIGHT);
  } else {
    ring.topLeft =
        raised ? Sys(soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT) : Sys(soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW);
    ring.bottomRight = raised ? Sys(COLOR_3DSHADOW) : Sys(COLOR_3DLIGHT);
  }
  return ring;
}

void DrawRing(HDC dc, const RECT& r, int inset, const Ring& ring, UINT flags) {
  int l = r.left + inset, t = r.top + inset, rr = r.right - 1 - inset, b = r.bottom - 1 - inset;
  // An inner stroke is shortened at an end only where the perpendicular side is drawn too.
  int shortenL = inset && (flags & BF_LEFT) ? inset : 0, shortenR = inset && (flags & BF_RIGHT) ? inset : 0;
  int shortenT = inset && (flags & BF_TOP) ? inset : 0, shortenB = inset && (flags & BF_BOTTOM) ? inset : 0;
  int x0 = r.left + shortenL, x1 = r.right - shortenR; // half-open
  int y0 = r.top + shortenT, y1 = r.bottom - shortenB;
  if (flags & BF_TOP)
    FillSolid(dc, {x0, t, x1, t + 1}, ring.topLeft);
  if (flags & BF_LEFT)
    FillSolid(dc, {l, y0, l + 1, y1}, ring.topLeft);
  if (flags & BF_BOTTOM)
    FillSolid(dc, {x0, b, x1, b + 1}, ring.bottomRight);
  if (flags & BF_RIGHT)
    FillSolid(dc, {rr, y0, rr + 1, y1}, ring.bottomRight);
}

// A 45-degree edge in the square of the rectangle's shorter side, towards the corner the side flags name;
// the inner line runs one pixel to the right of the outer one. Nothing here draws diagonal edges, so
// neither the platform's exact pixels nor the BF_MIDDLE triangle are reproduced.
BOOL DrawDiagonal(HDC dc, const RECT& r, const Ring& outer, const Ring& inner, UINT flags) {
  int n = std::min(r.right - r.left, r.bottom - r.top);
  bool endTop = flags & BF_TOP, endRight = flags & BF_RIGHT;
  bool useBottomRight = flags & BF_BOTTOM;
  auto line = [&](int shift, COLORREF color) {
    for (int k = 0; k + shift < n; ++k) {
      int x = endRight ? r.left + k : r.left + n - 1 - k;
      int y = endTop ? r.top + n - 1 - k : r.top + k;
      FillSolid(dc, {x + shift, y, x + shift + 1, y + 1}, color);
    }
  };
  if (outer.present)
    line(0, useBottomRight ? outer.bottomRight : outer.topLeft);
  if (inner.present)
    line(1, useBottomRight ? inner.bottomRight : inner.topLeft);
  return TRUE;
}

} // namespace

BOOL DrawEdge(HDC handle, RECT* rect, UINT edge, UINT flags) {
  if (!LookupDC(handle) || !rect)
    return FALSE;
  bool mono = flags & BF_MONO, flat = (flags & BF_FLAT) && !mono;
  bool outerBits = edge & BDR_OUTER, innerBits = edge & BDR_INNER;
  BOOL result = TRUE;
  Ring outer, inner;
  if (mono || flat) {
    outer.present = outerBits;
    outer.topLeft = outer.bottomRight = Sys(mono ? COLOR_WINDOWFRAME : COLOR_3DSHADOW);
    inner.present = innerBits;
    inner.topLeft = inner.bottomRight = Sys(mono ? COLOR_WINDOW : COLOR_3DFACE);
  } else {
    outer = MakeRing(edge & BDR_RAISEDOUTER, edge & BDR_SUNKENOUTER, true, flags);
    inner = MakeRing(edge & BDR_RAISEDINNER, edge & BDR_SUNKENINNER, false, flags);
    if ((edge & BDR_OUTER) == BDR_OUTER || (edge & BDR_INNER) == BDR_INNER)
      result = FALSE;
  }
  if (flags & BF_DIAGONAL)
    return DrawDiagonal(handle, *rect, outer, inner, flags) && result;
  // A lone inner ring takes the outer ring's place.
  if (!outer.present && inner.present) {
    outer = inner;
    inner.present = false;
  }
  int rings = int(outer.present) + int(inner.present);
  RECT r = *rect;
  if (outer.present)
    DrawRing(handle, r, 0, outer, flags);
  if (inner.present)
    DrawRing(handle, r, 1, inner, flags);
  RECT interior{r.left + ((flags & BF_LEFT) ? rings : 0), r.top + ((flags & BF_TOP) ? rings : 0),
                r.right - ((flags & BF_RIGHT) ? rings : 0), r.bottom - ((flags & BF_BOTTOM) ? rings : 0)};
  if ((flags & BF_MIDDLE) && result)
    FillSolid(handle, interior, Sys(mono ? COLOR_WINDOW : COLOR_3DFACE));
  if (flags & BF_ADJUST)
    *rect = interior;
  return result;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !rect)
    return FALSE;
  RECT r = dc->ToSurface(*rect);
  if (r.right <= r.left || r.bottom <= r.top)
    return TRUE;
  // The strips of a one-pixel frame, each pixel once.
  Region frame(r);
  frame.Subtract(Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}));
  frame.Intersect(dc->Clip());
  // PATINVERT with the 50 % checkerboard: its 1 bits take the background colour and its 0 bits the text
  // colour, so with black text on white alternate pixels invert and the others stay.
  std::uint32_t on = dc->DevicePixel(dc->state.bkColor), off = dc->DevicePixel(dc->state.textColor);
  int ox = dc->deviceOrigin.x + dc->state.brushOrg.x, oy = dc->deviceOrigin.y + dc->state.brushOrg.y;
  frame.ForEachRect([&](const RECT& c) {
    for (int y = c.top; y < c.bottom; ++y) {
      std::uint32_t* row = dc->surface->Row(y);
      for (int x = c.left; x < c.right; ++x) {
        bool bit = (((x - ox) + (y - oy)) & 1) == 0;
        row[x] = (row[x] ^ (bit ? on : off)) & 0xFFFFFF;
      }
    }
  });
  return TRUE;
}
