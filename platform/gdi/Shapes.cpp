#include "platform/gdi/Shapes.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/gdi/Raster_p.h"

using namespace gdi;

namespace {

// The pen as the current DC draws it.
struct Pen {
  bool null = true;
  int width = 1;
  int style = PS_SOLID;
  bool insideFrame = false;
  std::uint32_t pixel = 0, gapPixel = 0;
  bool opaqueGaps = false;
  std::vector<int> dashes; // on, off, on, off ... lengths; empty for solid
  int rop2 = R2_COPYPEN;

  explicit Pen(DeviceContext& dc) {
    PenObject* p = LookupPen(dc.state.pen);
    if (!p || p->Style() == PS_NULL)
      return;
    null = false;
    width = p->width;
    style = p->Style();
    insideFrame = style == PS_INSIDEFRAME;
    pixel = dc.DevicePixel(p->color);
    gapPixel = dc.DevicePixel(dc.state.bkColor);
    opaqueGaps = dc.state.bkMode == OPAQUE;
    rop2 = dc.state.rop2;
    if (width == 1) {
      switch (style) {
      case PS_DASH:
        dashes = {18, 6};
        break;
      case PS_DOT:
        dashes = {3, 3};
        break;
      case PS_DASHDOT:
        dashes = {9, 6, 3, 6};
        break;
      case PS_DASHDOTDOT:
        dashes = {9, 3, 3, 3, 3, 3};
        break;
      case PS_ALTERNATE:
        dashes = {1, 1};
        break;
      case PS_USERSTYLE:
        for (DWORD d : p->userStyle)
          dashes.push_back(std::max<int>(1, int(std::min<DWORD>(d, 1 << 16))));
        if (dashes.size() % 2)
          dashes.push_back(dashes.back());
        break;
      default:
        break;
      }
    }
  }
};

// Writes single pixels of a one-pixel pen under its raster operation, with the dash pattern running
// on across the segments of one call.
class PixelWriter {
public:
  PixelWriter(DeviceContext& dc, const Pen& pen)
      : dc_(dc), pen_(pen), rop_(Rop2ToRop3(pen.rop2)), clip_(dc.Clip()),
        simple_(clip_.Complexity() == SIMPLEREGION), box_(clip_.Box()) {}

  // Pixel number n of the path (counted from its start) decides where in the dash pattern it falls.
  void Put(int x, int y, long long n) {
    std::uint32_t pixel = pen_.pixel;
    if (!pen_.dashes.empty() && !OnDash(n)) {
      if (!pen_.opaqueGaps)
        return;
      pixel = pen_.gapPixel;
    }
    if (simple_ ? (x < box_.left || x >= box_.right || y < box_.top || y >= box_.bottom)
                : !clip_.Contains(x, y))
      return;
    std::uint32_t& d = dc_.surface->Row(y)[x];
    d = Rop3(rop_, pixel, 0, d);
  }

private:
  DeviceContext& dc_;
  const Pen& pen_;
  std::uint8_t rop_;
  const Region& clip_;
  bool simple_;
  RECT box_;

  bool OnDash(long long n) const {
    long long period = 0;
    for (int d : pen_.dashes)
      period += d;
    long long pos = n % period;
    for (std::size_t i = 0; i < pen_.dashes.size(); ++i) {
      if (pos < pen_.dashes[i])
        return i % 2 == 0;
      pos -= pen_.dashes[i];
    }
    return true;
  }
};

// The pixels of the line from a to b, b excluded: Bresenham with the tie bias that makes a line cover the
// same pixels whichever way it is drawn. Only the steps whose major coordinate falls inside `limit` are
// produced; every pixel is computed from its step alone, so clipping never moves one.
template <class F> void LinePixels(POINT a, POINT b, const RECT& limit, F&& put) {
  long long dx = (long long)b.x - a.x, dy = (long long)b.y - a.y;
  long long adx = std::llabs(dx), ady = std::llabs(dy);
  bool steep = ady >= adx;
  long long major = steep ? ady : adx, minor = steep ? adx : ady;
  if (major == 0)
    return;
  // Ties advance the minor coordinate in octants 3, 5, 6 and 8 (clockwise from +x, y downward).
  bool bias;
  if (steep)
    bias = (dy > 0 && dx < 0) || (dy < 0 && dx <= 0);
  else
    bias = (dx < 0 && dy < 0) || (dx > 0 && dy < 0);
  int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  long long start = steep ? a.y : a.x, step = steep ? sy : sx;
  long long lo = steep ? limit.top : limit.left, hi = steep ? limit.bottom : limit.right;
  long long k0 = step > 0 ? lo - start : start - hi + 1, k1 = step > 0 ? hi - start : start - lo + 1;
  k0 = std::max<long long>(k0, 0);
  k1 = std::min<long long>(k1, major);
  for (long long k = k0; k < k1; ++k) {
    long long off = (2 * k * minor + major - 1 + (bias ? 1 : 0)) / (2 * major);
    long long x = steep ? a.x + sx * off : a.x + sx * k, y = steep ? a.y + sy * k : a.y + sy * off;
    if (x >= limit.left && x < limit.right && y >= limit.top && y < limit.bottom)
      put(int(x), int(y), k);
  }
}

// A disc of the pen's width centred on a path pixel, as spans.
void AddDot(std::vector<Span>& spans, int x, int y, int width) {
  int l = x - width / 2, t = y - width / 2;
  if (width <= 3) {
    for (int j = 0; j < width; ++j)
      spans.push_back({t + j, l, l + width});
    return;
  }
  for (const Span& s : EllipseSpans(RECT{l, t, l + width, t + width}, kRegionLimit))
    spans.push_back(s);
}

// Strokes a path (surface coordinates). `closed` adds the segment back to the first point.
void StrokePath(DeviceContext& dc, const Pen& pen, const std::vector<POINT>& pts, bool closed) {
  if (pen.null || pts.empty())
    return;
  RECT box = dc.Clip().Box();
  if (pen.width <= 1) {
    PixelWriter writer(dc, pen);
    long long base = 0;
    auto segment = [&](POINT a, POINT b) {
      LinePixels(a, b, box, [&](int x, int y, long long k) { writer.Put(x, y, base + k); });
      base += std::max(std::llabs((long long)b.x - a.x), std::llabs((long long)b.y - a.y));
    };
    for (std::size_t i = 0; i + 1 < pts.size(); ++i)
      segment(pts[i], pts[i + 1]);
    if (closed && pts.size() > 1)
      segment(pts.back(), pts.front());
    return;
  }
  // Wide pens are collected into one region first so that overlapping dots are painted once, which
  // keeps XOR pens from cancelling themselves at joins.
  std::vector<Span> spans;
  RECT limit{box.left - pen.width, box.top - pen.width, box.right + pen.width, box.bottom + pen.width};
  auto put = [&](int x, int y, long long = 0) { AddDot(spans, x, y, pen.width); };
  for (std::size_t i = 0; i + 1 < pts.size(); ++i)
    LinePixels(pts[i], pts[i + 1], limit, put);
  if (closed && pts.size() > 1)
    LinePixels(pts.back(), pts.front(), limit, put);
  // Round ends: the last point gets its dot too.
  POINT last = pts.back();
  if (last.x >= limit.left && last.x < limit.right && last.y >= limit.top && last.y < limit.bottom)
    put(last.x, last.y);
  FillAreaRop2(dc, Region::FromSpans(spans), pen.pixel, pen.rop2);
}

std::vector<POINT> ToSurface(const DeviceContext& dc, const POINT* pts, std::size_t n) {
  std::vector<POINT> out(n);
  for (std::size_t i = 0; i < n; ++i)
    out[i] = {dc.SurfaceX(pts[i].x), dc.SurfaceY(pts[i].y)};
  return out;
}

RECT OrderedSurfaceBox(const DeviceContext& dc, int l, int t, int r, int b) {
  RECT s = dc.ToSurface(RECT{l, t, r, b});
  return {std::min(s.left, s.right), std::min(s.top, s.bottom), std::max(s.left, s.right),
          std::max(s.top, s.bottom)};
}

Region Erode(const Region& area, int times) {
  Region inner = area;
  for (int i = 0; i < times && !inner.Empty(); ++i) {
    Region next = inner;
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
      Region shifted = inner;
      shifted.Offset(dx, dy);
      next.Intersect(shifted);
    }
    inner = next;
  }
  return inner;
}

// Ellipses and round rectangles: the pen paints the shape's rim, the brush its inside.
template <class Shape> BOOL DrawRimmedShape(HDC handle, int l, int t, int r, int b, Shape&& shape) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  RECT box = OrderedSurfaceBox(*dc, l, t, r, b);
  if (box.left == box.right || box.top == box.bottom)
    return TRUE;
  Pen pen(*dc);
  BrushSource brush(*dc, dc->state.brush);
  RECT clipBox = dc->Clip().Box();
  RECT limit{clipBox.left - 1, clipBox.top - 1, clipBox.right + 1, clipBox.bottom + 1};
  if (pen.null) {
    Region inside = Region::FromSpans(shape(RECT{box.left, box.top, box.right - 1, box.bottom - 1}, limit));
    FillArea(*dc, inside, brush, RopIndex(PATCOPY));
    return TRUE;
  }
  int w = pen.width;
  RECT outer = box;
  if (w > 1 && !pen.insideFrame) {
    outer = {box.left - w / 2, box.top - w / 2, box.right + (w - 1) / 2, box.bottom + (w - 1) / 2};
  }
  Region whole =
      Region::FromSpans(shape(outer, RECT{limit.left - w, limit.top - w, limit.right + w, limit.bottom + w}));
  Region inside = Erode(whole, w);
  whole.Subtract(inside);
  FillArea(*dc, inside, brush, RopIndex(PATCOPY));
  FillAreaRop2(*dc, whole, pen.pixel, pen.rop2);
  return TRUE;
}

} // namespace

BOOL LineTo(HDC handle, int x, int y) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  POINT from = dc->state.curPos;
  dc->state.curPos = {x, y};
  Pen pen(*dc);
  POINT pts[2] = {from, {x, y}};
  StrokePath(*dc, pen, ToSurface(*dc, pts, 2), false);
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !points || count < 2)
    return FALSE;
  StrokePath(*dc, Pen(*dc), ToSurface(*dc, points, std::size_t(count)), false);
  return TRUE;
}

BOOL PolylineTo(HDC handle, const POINT* points, DWORD count) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !points || count == 0)
    return FALSE;
  std::vector<POINT> all{dc->state.curPos};
  all.insert(all.end(), points, points + count);
  StrokePath(*dc, Pen(*dc), ToSurface(*dc, all.data(), all.size()), false);
  dc->state.curPos = points[count - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC handle, const POINT* points, const DWORD* counts, DWORD polylines) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !points || !counts)
    return FALSE;
  for (DWORD i = 0; i < polylines; ++i)
    if (counts[i] < 2)
      return FALSE;
  Pen pen(*dc);
  for (DWORD i = 0; i < polylines; ++i) {
    StrokePath(*dc, pen, ToSurface(*dc, points, counts[i]), false);
    points += counts[i];
  }
  return TRUE;
}

BOOL PolyPolygon(HDC handle, const POINT* points, const INT* counts, int polygons) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc || !points || !counts || polygons <= 0)
    return FALSE;
  std::size_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2)
      return FALSE;
    total += std::size_t(counts[i]);
  }
  std::vector<POINT> pts = ToSurface(*dc, points, total);
  RECT box = dc->Clip().Box();
  Region inside = Region::FromSpans(PolygonSpans(pts.data(), counts, polygons, dc->state.polyFillMode, box));
  FillArea(*dc, inside, BrushSource(*dc, dc->state.brush), RopIndex(PATCOPY));
  Pen pen(*dc);
  std::size_t start = 0;
  for (int i = 0; i < polygons; ++i) {
    std::vector<POINT> ring(pts.begin() + std::ptrdiff_t(start),
                            pts.begin() + std::ptrdiff_t(start + std::size_t(counts[i])));
    StrokePath(*dc, pen, ring, true);
    start += std::size_t(counts[i]);
  }
  return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
  return PolyPolygon(handle, points, &count, 1);
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = LookupDC(handle);
  if (!dc)
    return FALSE;
  RECT box = OrderedSurfaceBox(*dc, left, top, right, bottom);
  if (box.left == box.right || box.top == box.bottom)
    return TRUE;
  Pen pen(*dc);
  BrushSource brush(*dc, dc->state.brush);
  if (pen.null) {
    FillRectArea(*dc, RECT{box.left, box.top, box.right - 1, box.bottom - 1}, brush, RopIndex(PATCOPY));
    return TRUE;
  }
  FillRectArea(*dc, RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, brush, RopIndex(PATCOPY));
  int w = pen.width;
  RECT path{box.left, box.top, box.right - 1, box.bottom - 1};
  if (w > 1 && pen.insideFrame)
    path = {box.left + w / 2, box.top + w / 2, box.right - 1 - (w - 1) / 2, box.bottom - 1 - (w - 1) / 2};
  if (w == 1 && (path.right - path.left < 1 || path.bottom - path.top < 1)) {
    // One pixel wide or high: the outline is the whole box, painted once.
    FillAreaRop2(*dc, Region(box), pen.pixel, pen.rop2);
    return TRUE;
  }
  std::vector<POINT> ring{
      {path.left, path.top}, {path.right, path.top}, {path.right, path.bottom}, {path.left, path.bottom}};
  StrokePath(*dc, pen, ring, true);
  return TRUE;
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
  return DrawRimmedShape(handle, left, top, right, bottom,
                         [](const RECT& box, const RECT& limit) { return EllipseSpans(box, limit); });
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
  if (std::abs(cornerWidth) <= 2 || std::abs(cornerHeight) <= 2)
    return Rectangle(handle, left, top, right, bottom);
  return DrawRimmedShape(handle, left, top, right, bottom, [&](const RECT& box, const RECT& limit) {
    return RoundRectSpans(box, cornerWidth, cornerHeight, limit);
  });
}
