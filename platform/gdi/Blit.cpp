#include "platform/gdi/Blit.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Fill.h"
#include "platform/gdi/Raster_p.h"

using namespace gdi;

namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

bool Empty(const RECT& r) {
  return r.left >= r.right || r.top >= r.bottom;
}

// Source pixels as the destination sees them: a monochrome source takes the destination's text colour
// for 0 and its background colour for 1; a colour source going to monochrome becomes 1 exactly where it
// equals the source DC's background colour.
struct SourceConverter {
  enum class Kind { Same, MonoToColor, ColorToMono } kind = Kind::Same;
  std::uint32_t fore = 0, back = 0, srcBack = 0;

  SourceConverter(const DeviceContext& src, const DeviceContext& dst) {
    if (src.mono && !dst.mono) {
      kind = Kind::MonoToColor;
      fore = dst.DevicePixel(dst.state.textColor);
      back = dst.DevicePixel(dst.state.bkColor);
    } else if (!src.mono && dst.mono) {
      kind = Kind::ColorToMono;
      srcBack = ColorRefToPixel(src.state.bkColor & 0xFFFFFF);
    }
  }
  std::uint32_t operator()(std::uint32_t p) const {
    p &= 0xFFFFFF;
    switch (kind) {
    case Kind::MonoToColor:
      return p ? back : fore;
    case Kind::ColorToMono:
      return p == srcBack ? 0xFFFFFF : 0;
    default:
      return p;
    }
  }
};

// Applies `codeAt(x, y)` with the pixels of `source` (already converted, covering `area` from its
// top-left) over `area` of the destination, within its clip. A false from `skip` leaves a pixel alone.
template <class CodeAt, class Skip>
void Compose(DeviceContext& dst, const RECT& area, const Surface& source, CodeAt&& codeAt, Skip&& skip) {
  BrushSource brush(dst, dst.state.brush);
  Region clipped(area);
  clipped.Intersect(dst.Clip());
  clipped.ForEachRect([&](const RECT& r) {
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = dst.surface->Row(y);
      const std::uint32_t* srow = source.Row(y - area.top);
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t s = srow[x - area.left];
        if (skip(x, y, s))
          continue;
        s &= 0xFFFFFF;
        std::uint8_t code = codeAt(x, y);
        std::uint32_t p = 0;
        if (RopUsesPattern(code) && !brush.IsNull() && !brush.At(x, y, p))
          continue;
        row[x] = Rop3(code, p, s, row[x]);
      }
    }
  });
}

// SRCCOPY between surfaces of the same kind: straight row copies per clip rectangle. Rows are copied
// in the order that keeps an overlapping move on one surface correct.
void CopyRows(DeviceContext& dst, const RECT& area, const Surface& src, int srcLeft, int srcTop) {
  bool sameSurface = dst.surface == &src;
  const Region& clip = dst.Clip();
  std::vector<RECT> rects;
  if (clip.Complexity() == SIMPLEREGION) {
    RECT r = Intersect(area, clip.Box());
    if (!Empty(r))
      rects.push_back(r);
  } else {
    Region clipped(area);
    clipped.Intersect(clip);
    rects = clipped.Rects();
  }
  if (sameSurface && srcTop < area.top)
    std::reverse(rects.begin(), rects.end());
  for (const RECT& r : rects) {
    int w = r.right - r.left;
    int sx = srcLeft + (r.left - area.left);
    if (!sameSurface && src.Stride() > 0 && dst.surface->Stride() > 0 &&
        pixman_blt(const_cast<std::uint32_t*>(src.Row(0)), dst.surface->Row(0), int(src.Stride() / 4),
                   int(dst.surface->Stride() / 4), 32, 32, sx, srcTop + (r.top - area.top), r.left, r.top, w,
                   r.bottom - r.top))
      continue;
    auto copyRow = [&](int y) {
      int sy = srcTop + (y - area.top);
      std::memmove(dst.surface->Row(y) + r.left, src.Row(sy) + sx, std::size_t(w) * 4);
    };
    if (sameSurface && srcTop < area.top)
      for (int y = r.bottom - 1; y >= r.top; --y)
        copyRow(y);
    else
      for (int y = r.top; y < r.bottom; ++y)
        copyRow(y);
  }
}

// Destination area (surface coordinates) and the source pixels for it, scaled by nearest pixel and
// converted. A gathered pixel carries kValid in its top byte; pixels whose source lies outside the source
// surface lack it and are left alone, as if clipped there. False when nothing is to be drawn.
constexpr std::uint32_t kValid = 0xFF000000u;

bool GatherSource(DeviceContext& dst, DeviceContext& src, int x, int y, int w, int h, int sx, int sy, int sw,
                  int sh, RECT& area, std::unique_ptr<Surface>& out) {
  if (w == 0 || h == 0 || sw == 0 || sh == 0)
    return false;
  bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
  RECT d{std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h)};
  RECT s{std::min(sx, sx + sw), std::min(sy, sy + sh), std::max(sx, sx + sw), std::max(sy, sy + sh)};
  int dw = d.right - d.left, dh = d.bottom - d.top, srcW = s.right - s.left, srcH = s.bottom - s.top;
  RECT dSurf = dst.ToSurface(d);
  RECT sSurf = src.ToSurface(s);
  area = Intersect(dSurf, dst.Clip().Box());
  if (Empty(area))
    return false;
  auto sourceIndex = [](int i, int dn, int sn, bool mirror) {
    long long j = (2LL * i + 1) * sn / (2LL * dn);
    return int(mirror ? sn - 1 - j : j);
  };
  out = std::make_unique<Surface>(area.right - area.left, area.bottom - area.top);
  SourceConverter convert(src, dst);
  for (int yy = area.top; yy < area.bottom; ++yy) {
    int srcY = sSurf.top + sourceIndex(yy - dSurf.top, dh, srcH, mirrorY);
    std::uint32_t* orow = out->Row(yy - area.top);
    if (srcY < 0 || srcY >= src.surface->Height())
      continue;
    const std::uint32_t* srow = src.surface->Row(srcY);
    for (int xx = area.left; xx < area.right; ++xx) {
      int srcX = sSurf.left + sourceIndex(xx - dSurf.left, dw, srcW, mirrorX);
      if (srcX >= 0 && srcX < src.surface->Width())
        orow[xx - area.left] = convert(srow[srcX]) | kValid;
    }
  }
  return true;
}

bool Invalid(std::uint32_t gathered) {
  return (gathered & kValid) == 0;
}

} // namespace

BOOL StretchBlt(HDC dstHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  DeviceContext* dst = LookupDC(dstHandle);
  if (!dst)
    return FALSE;
  std::uint8_t code = RopIndex(rop);
  if (!RopUsesSource(code))
    return PatBlt(dstHandle, x, y, width, height, rop);
  DeviceContext* src = LookupDC(srcHandle);
  if (!src)
    return FALSE;
  RECT area;
  std::unique_ptr<Surface> pixels;
  if (GatherSource(*dst, *src, x, y, width, height, srcX, srcY, srcWidth, srcHeight, area, pixels))
    Compose(
        *dst, area, *pixels, [code](int, int) { return code; },
        [](int, int, std::uint32_t s) { return Invalid(s); });
  return TRUE;
}

BOOL BitBlt(HDC dstHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY,
            DWORD rop) {
  DeviceContext* dst = LookupDC(dstHandle);
  if (!dst)
    return FALSE;
  std::uint8_t code = RopIndex(rop);
  if (!RopUsesSource(code))
    return PatBlt(dstHandle, x, y, width, height, rop);
  DeviceContext* src = LookupDC(srcHandle);
  if (!src)
    return FALSE;
  if (code == RopIndex(SRCCOPY) && src->mono == dst->mono && width > 0 && height > 0) {
    RECT d = dst->ToSurface(RECT{x, y, x + width, y + height});
    int sl = src->SurfaceX(srcX), st = src->SurfaceY(srcY);
    // Clip the destination to where the source exists.
    RECT s{sl, st, sl + width, st + height};
    RECT sv = Intersect(s, RECT{0, 0, src->surface->Width(), src->surface->Height()});
    if (Empty(sv))
      return TRUE;
    RECT dv{d.left + (sv.left - sl), d.top + (sv.top - st), d.right - (s.right - sv.right),
            d.bottom - (s.bottom - sv.bottom)};
    CopyRows(*dst, dv, *src->surface, sv.left, sv.top);
    return TRUE;
  }
  return StretchBlt(dstHandle, x, y, width, height, srcHandle, srcX, srcY, width, height, rop);
}

BOOL MaskBlt(HDC dstHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY,
             HBITMAP mask, int maskX, int maskY, DWORD rop4) {
  if (!mask)
    return BitBlt(dstHandle, x, y, width, height, srcHandle, srcX, srcY, rop4 & 0xFFFFFF);
  DeviceContext* dst = LookupDC(dstHandle);
  BitmapObject* m = LookupBitmap(mask);
  if (!dst || !m || !m->IsMono() || width <= 0 || height <= 0)
    return FALSE;
  std::uint8_t fore = RopIndex(rop4), back = std::uint8_t(rop4 >> 24);
  DeviceContext* src = LookupDC(srcHandle);
  bool needsSource = RopUsesSource(fore) || RopUsesSource(back);
  if (needsSource && !src)
    return FALSE;
  RECT area;
  std::unique_ptr<Surface> pixels;
  if (needsSource) {
    if (!GatherSource(*dst, *src, x, y, width, height, srcX, srcY, width, height, area, pixels))
      return TRUE;
  } else {
    area = Intersect(dst->ToSurface(RECT{x, y, x + width, y + height}), dst->Clip().Box());
    if (Empty(area))
      return TRUE;
    pixels = std::make_unique<Surface>(area.right - area.left, area.bottom - area.top);
    pixels->Fill(0);
    for (int yy = 0; yy < pixels->Height(); ++yy)
      for (int xx = 0; xx < pixels->Width(); ++xx)
        pixels->Row(yy)[xx] = kValid;
  }
  int originX = dst->SurfaceX(x), originY = dst->SurfaceY(y);
  Compose(
      *dst, area, *pixels,
      [&](int px, int py) {
        int mx = maskX + (px - originX), my = maskY + (py - originY);
        return m->surface->Pixel(mx, my) ? fore : back;
      },
      [](int, int, std::uint32_t s) { return Invalid(s); });
  return TRUE;
}

BOOL TransparentBlt(HDC dstHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY,
                    int srcWidth, int srcHeight, UINT transparent) {
  DeviceContext* dst = LookupDC(dstHandle);
  DeviceContext* src = LookupDC(srcHandle);
  if (!dst || !src || width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0)
    return FALSE;
  RECT area;
  std::unique_ptr<Surface> pixels;
  if (!GatherSource(*dst, *src, x, y, width, height, srcX, srcY, srcWidth, srcHeight, area, pixels))
    return TRUE;
  // Gathered pixels are already converted for the destination, so the key is converted the same way; a
  // colour source going to monochrome then drops every pixel that converts like the key does.
  std::uint32_t key = SourceConverter(*src, *dst)(src->DevicePixel(transparent));
  Compose(
      *dst, area, *pixels, [](int, int) { return RopIndex(SRCCOPY); },
      [key](int, int, std::uint32_t s) { return Invalid(s) || (s & 0xFFFFFF) == key; });
  return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return CLR_INVALID;
  int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
  std::uint32_t pixel = dc->DevicePixel(color);
  if (!dc->Clip().Contains(sx, sy))
    return CLR_INVALID;
  dc->surface->SetPixel(sx, sy, pixel);
  return PixelToColorRef(pixel);
}

COLORREF GetPixel(HDC handle, int x, int y) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return CLR_INVALID;
  int sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
  if (!dc->Clip().Contains(sx, sy))
    return CLR_INVALID;
  return PixelToColorRef(dc->surface->Pixel(sx, sy));
}
