#include "platform/gdi/Raster_p.h"

#include <algorithm>

namespace gdi {
namespace {

int Mod(int a, int m) {
  int r = a % m;
  return r < 0 ? r + m : r;
}

bool HatchBit(int hatch, int x, int y) {
  switch (hatch) {
  case HS_HORIZONTAL:
    return y == 3;
  case HS_VERTICAL:
    return x == 3;
  case HS_FDIAGONAL:
    return x == y;
  case HS_BDIAGONAL:
    return x + y == 7;
  case HS_CROSS:
    return x == 3 || y == 3;
  case HS_DIAGCROSS:
    return x == y || x + y == 7;
  default:
    return false;
  }
}

void SolidFill(Surface& s, const RECT& r, std::uint32_t pixel) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0)
    return;
  if (s.Stride() > 0) {
    pixman_fill(reinterpret_cast<std::uint32_t*>(s.Row(0)), int(s.Stride() / 4), 32, r.left, r.top, w, h,
                pixel);
    return;
  }
  for (int y = r.top; y < r.bottom; ++y)
    std::fill_n(s.Row(y) + r.left, w, pixel);
}

template <class F> void ForClipped(DeviceContext& dc, const RECT& r, F&& f) {
  const Region& clip = dc.Clip();
  if (clip.Complexity() == SIMPLEREGION) {
    RECT c = clip.Box();
    RECT i{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
           std::min(c.bottom, r.bottom)};
    if (i.left < i.right && i.top < i.bottom)
      f(i);
    return;
  }
  Region area(r);
  area.Intersect(clip);
  area.ForEachRect(f);
}

} // namespace

BrushSource::BrushSource(DeviceContext& dc, HBRUSH brush) {
  mono_ = dc.mono;
  BrushObject* b = LookupBrush(brush);
  if (!b || b->style == BS_NULL) {
    null_ = true;
    return;
  }
  originX_ = dc.deviceOrigin.x + dc.state.brushOrg.x;
  originY_ = dc.deviceOrigin.y + dc.state.brushOrg.y;
  switch (b->style) {
  case BS_PATTERN:
    solid_ = false;
    pattern_ = b->pattern.get();
    monoPattern_ = b->monoPattern;
    fore_ = dc.DevicePixel(dc.state.textColor);
    back_ = dc.DevicePixel(dc.state.bkColor);
    break;
  case BS_HATCHED:
    solid_ = false;
    hatch_ = b->hatch;
    fore_ = dc.DevicePixel(b->Color());
    back_ = dc.DevicePixel(dc.state.bkColor);
    opaqueGaps_ = dc.state.bkMode == OPAQUE;
    break;
  default:
    solidPixel_ = dc.DevicePixel(b->Color());
    break;
  }
}

BrushSource BrushSource::Solid(const DeviceContext& dc, COLORREF color) {
  BrushSource b;
  b.mono_ = dc.mono;
  b.solidPixel_ = dc.DevicePixel(color);
  return b;
}

bool BrushSource::At(int x, int y, std::uint32_t& pixel) const {
  if (solid_) {
    pixel = solidPixel_;
    return true;
  }
  if (pattern_) {
    std::uint32_t p =
        pattern_->Row(Mod(y - originY_, pattern_->Height()))[Mod(x - originX_, pattern_->Width())];
    if (monoPattern_)
      pixel = (p & 0xFFFFFF) ? back_ : fore_;
    else
      pixel = mono_ ? MonoPixel(PixelToColorRef(p)) : (p & 0xFFFFFF);
    return true;
  }
  if (HatchBit(hatch_, Mod(x - originX_, 8), Mod(y - originY_, 8))) {
    pixel = fore_;
    return true;
  }
  pixel = back_;
  return opaqueGaps_;
}

void FillRectArea(DeviceContext& dc, const RECT& surfaceRect, const BrushSource& brush, std::uint8_t rop) {
  if (brush.IsNull() && RopUsesPattern(rop))
    return;
  Surface& s = *dc.surface;
  bool usesDest = RopUsesDest(rop);
  ForClipped(dc, surfaceRect, [&](const RECT& r) {
    if (!usesDest && (brush.IsSolid() || !RopUsesPattern(rop))) {
      std::uint32_t p = brush.IsNull() ? 0 : brush.SolidPixel();
      SolidFill(s, r, Rop3(rop, p, 0, 0));
      return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = s.Row(y);
      if (brush.IsSolid() || brush.IsNull()) {
        std::uint32_t p = brush.IsNull() ? 0 : brush.SolidPixel();
        if (rop == 0x55) {
          for (int x = r.left; x < r.right; ++x)
            row[x] = ~row[x] & 0xFFFFFF;
        } else if (rop == 0x5A) {
          for (int x = r.left; x < r.right; ++x)
            row[x] = (row[x] ^ p) & 0xFFFFFF;
        } else {
          for (int x = r.left; x < r.right; ++x)
            row[x] = Rop3(rop, p, 0, row[x]);
        }
        continue;
      }
      // Without the destination the fill is one tile of the brush repeated: the rest is copied.
      if (const int period = usesDest ? 0 : brush.RowPeriod(); period > 0) {
        if (const int down = brush.ColumnPeriod(); y - r.top >= down) {
          std::copy(s.Row(y - down) + r.left, s.Row(y - down) + r.right, row + r.left);
          continue;
        }
        const int head = std::min(r.right, r.left + period);
        for (int x = r.left; x < head; ++x) {
          std::uint32_t p;
          brush.At(x, y, p);
          row[x] = Rop3(rop, p, 0, 0);
        }
        for (int x = head; x < r.right; ++x)
          row[x] = row[x - period];
        continue;
      }
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t p;
        if (brush.At(x, y, p))
          row[x] = Rop3(rop, p, 0, row[x]);
      }
    }
  });
}

void FillArea(DeviceContext& dc, const Region& area, const BrushSource& brush, std::uint8_t rop) {
  area.ForEachRect([&](const RECT& r) { FillRectArea(dc, r, brush, rop); });
}

void FillAreaRop2(DeviceContext& dc, const Region& area, std::uint32_t pixel, int rop2) {
  std::uint8_t rop = Rop2ToRop3(rop2);
  Surface& s = *dc.surface;
  Region clipped = area;
  clipped.Intersect(dc.Clip());
  clipped.ForEachRect([&](const RECT& r) {
    if (rop == 0xF0) {
      SolidFill(s, r, pixel);
      return;
    }
    for (int y = r.top; y < r.bottom; ++y) {
      std::uint32_t* row = s.Row(y);
      for (int x = r.left; x < r.right; ++x)
        row[x] = Rop3(rop, pixel, 0, row[x]);
    }
  });
}

} // namespace gdi
