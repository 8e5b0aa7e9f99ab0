#include "platform/gdi/Fill.h"

#include <algorithm>
#include <cstdint>

#include "platform/gdi/Raster_p.h"
#include "platform/rtl/Colors.h"

using namespace gdi;

namespace {

// FillRect accepts COLOR_xxx + 1 in place of a brush; real handles never have values that small.
HBRUSH ResolveBrush(HBRUSH brush) {
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= std::uintptr_t(SysColorCount))
    return GetSysColorBrush(int(value - 1));
  return brush;
}

// A region in logical coordinates moved to the surface.
bool SurfaceRegion(DeviceContext& dc, HRGN rgn, Region& out) {
  RegionObject* r = LookupRegion(rgn);
  if (!r)
    return false;
  out = r->region;
  out.Offset(dc.SurfaceX(0), dc.SurfaceY(0));
  return true;
}

} // namespace

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !rect)
    return 0;
  HBRUSH b = ResolveBrush(brush);
  if (!LookupBrush(b))
    return 0;
  if (rect->right <= rect->left || rect->bottom <= rect->top)
    return 1;
  FillRectArea(*dc, dc->ToSurface(*rect), BrushSource(*dc, b), RopIndex(PATCOPY));
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !rect)
    return 0;
  HBRUSH b = ResolveBrush(brush);
  if (!LookupBrush(b) || rect->right <= rect->left || rect->bottom <= rect->top)
    return 0;
  RECT r = dc->ToSurface(*rect);
  Region frame(r);
  frame.Subtract(Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}));
  FillArea(*dc, frame, BrushSource(*dc, b), RopIndex(PATCOPY));
  return 1;
}

BOOL PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = LookupDC(handle);
  std::uint8_t code = RopIndex(rop);
  if (!dc || RopUsesSource(code))
    return FALSE;
  RECT r{x, y, x + width, y + height};
  if (width < 0)
    std::swap(r.left, r.right);
  if (height < 0)
    std::swap(r.top, r.bottom);
  FillRectArea(*dc, dc->ToSurface(r), BrushSource(*dc, dc->state.brush), code);
  return TRUE;
}

BOOL InvertRect(HDC handle, const RECT* rect) {
  if (!rect)
    return FALSE;
  return PatBlt(handle, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL FillRgn(HDC handle, HRGN rgn, HBRUSH brush) {
  DeviceContext* dc = LookupDC(handle);
  Region area;
  if (!dc || !LookupBrush(brush) || !SurfaceRegion(*dc, rgn, area))
    return FALSE;
  FillArea(*dc, area, BrushSource(*dc, brush), RopIndex(PATCOPY));
  return TRUE;
}

BOOL PaintRgn(HDC handle, HRGN rgn) {
  DeviceContext* dc = LookupDC(handle);
  return dc ? FillRgn(handle, rgn, dc->state.brush) : FALSE;
}

BOOL InvertRgn(HDC handle, HRGN rgn) {
  DeviceContext* dc = LookupDC(handle);
  Region area;
  if (!dc || !SurfaceRegion(*dc, rgn, area))
    return FALSE;
  FillArea(*dc, area, BrushSource(*dc, nullptr), RopIndex(DSTINVERT));
  return TRUE;
}

BOOL FrameRgn(HDC handle, HRGN rgn, HBRUSH brush, int width, int height) {
  DeviceContext* dc = LookupDC(handle);
  Region area;
  if (!dc || !LookupBrush(brush) || width <= 0 || height <= 0 || !SurfaceRegion(*dc, rgn, area))
    return FALSE;
  // The frame is what the region loses when eroded by width columns and height rows.
  RECT box = area.Box();
  width = std::min(width, int(box.right - box.left));
  height = std::min(height, int(box.bottom - box.top));
  Region inner = area;
  for (int i = 1; i <= width; ++i) {
    Region shifted = area;
    shifted.Offset(i, 0);
    inner.Intersect(shifted);
    shifted.Offset(-2 * i, 0);
    inner.Intersect(shifted);
  }
  for (int i = 1; i <= height; ++i) {
    Region shifted = area;
    shifted.Offset(0, i);
    inner.Intersect(shifted);
    shifted.Offset(0, -2 * i);
    inner.Intersect(shifted);
  }
  area.Subtract(inner);
  FillArea(*dc, area, BrushSource(*dc, brush), RopIndex(PATCOPY));
  return TRUE;
}
