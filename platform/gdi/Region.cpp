#include "platform/gdi/Region.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace gdi {

Region::Region() {
  pixman_region32_init(&region_);
}

Region::Region(const RECT& rect) {
  pixman_region32_init(&region_);
  SetRect(rect);
}

Region::Region(const Region& other) {
  pixman_region32_init(&region_);
  pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
}

Region& Region::operator=(const Region& other) {
  if (this != &other)
    pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
  return *this;
}

Region::~Region() {
  pixman_region32_fini(&region_);
}

Region Region::FromRects(const std::vector<RECT>& rects) {
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(rects.size());
  for (const RECT& r : rects)
    if (r.left < r.right && r.top < r.bottom)
      boxes.push_back({r.left, r.top, r.right, r.bottom});
  Region result;
  if (!boxes.empty()) {
    pixman_region32_fini(&result.region_);
    pixman_region32_init_rects(&result.region_, boxes.data(), int(boxes.size()));
  }
  return result;
}

Region Region::FromSpans(const std::vector<Span>& spans) {
  std::vector<RECT> rects;
  rects.reserve(spans.size());
  for (const Span& s : spans)
    rects.push_back({s.x0, s.y, s.x1, s.y + 1});
  return FromRects(rects);
}

bool Region::Empty() const {
  return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&region_));
}

RECT Region::Box() const {
  if (Empty())
    return {};
  const pixman_box32_t* b = pixman_region32_extents(const_cast<pixman_region32_t*>(&region_));
  return {b->x1, b->y1, b->x2, b->y2};
}

int Region::Complexity() const {
  int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(&region_));
  return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Contains(int x, int y) const {
  return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&region_), x, y, nullptr);
}

bool Region::Intersects(const RECT& rect) const {
  if (rect.left >= rect.right || rect.top >= rect.bottom)
    return false;
  pixman_box32_t box{rect.left, rect.top, rect.right, rect.bottom};
  return pixman_region32_contains_rectangle(const_cast<pixman_region32_t*>(&region_), &box) !=
         PIXMAN_REGION_OUT;
}

bool Region::operator==(const Region& other) const {
  if (Empty() && other.Empty())
    return true;
  return pixman_region32_equal(const_cast<pixman_region32_t*>(&region_),
                               const_cast<pixman_region32_t*>(&other.region_));
}

void Region::SetRect(const RECT& rect) {
  pixman_region32_fini(&region_);
  // Like the platform, a rectangle given with swapped corners means the same rectangle.
  int l = std::min(rect.left, rect.right), r = std::max(rect.left, rect.right);
  int t = std::min(rect.top, rect.bottom), b = std::max(rect.top, rect.bottom);
  if (l == r || t == b)
    pixman_region32_init(&region_);
  else
    pixman_region32_init_rect(&region_, l, t, unsigned(r - l), unsigned(b - t));
}

void Region::Clear() {
  pixman_region32_clear(&region_);
}

void Region::Offset(int dx, int dy) {
  pixman_region32_translate(&region_, dx, dy);
}

void Region::Intersect(const Region& other) {
  pixman_region32_intersect(&region_, &region_, const_cast<pixman_region32_t*>(&other.region_));
}

void Region::Intersect(const RECT& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom) {
    Clear();
    return;
  }
  pixman_region32_intersect_rect(&region_, &region_, rect.left, rect.top, unsigned(rect.right - rect.left),
                                 unsigned(rect.bottom - rect.top));
}

void Region::Union(const Region& other) {
  pixman_region32_union(&region_, &region_, const_cast<pixman_region32_t*>(&other.region_));
}

void Region::Union(const RECT& rect) {
  if (rect.left >= rect.right || rect.top >= rect.bottom)
    return;
  pixman_region32_union_rect(&region_, &region_, rect.left, rect.top, unsigned(rect.right - rect.left),
                             unsigned(rect.bottom - rect.top));
}

void Region::Subtract(const Region& other) {
  pixman_region32_subtract(&region_, &region_, const_cast<pixman_region32_t*>(&other.region_));
}

void Region::Xor(const Region& other) {
  Region both(*this);
  both.Intersect(other);
  Union(other);
  Subtract(both);
}

std::vector<RECT> Region::Rects() const {
  std::vector<RECT> out;
  ForEachRect([&](const RECT& r) { out.push_back(r); });
  return out;
}

RegionObject* LookupRegion(HRGN handle) {
  return Lookup<RegionObject>(ToObj(handle));
}

HRGN NewRegion(Region region) {
  return FromObj<HRGN>(InsertObject(std::make_unique<RegionObject>(std::move(region))));
}

namespace {

RECT Ordered(int l, int t, int r, int b) {
  return {std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

// Half-width of row j of the ellipse inscribed in a w x h box, as [x0, x1) relative to the box: pixel
// (i, j) is inside when its centre is, which keeps the shape symmetric in both axes.
std::pair<long long, long long> EllipseRow(long long w, long long h, long long j) {
  long long dy = 2 * j + 1 - h;
  long long limit;
  if (w <= (1 << 15) && h <= (1 << 15)) {
    // Exact in 64 bits: (2i+1-w)^2 * h^2 + dy^2 * w^2 <= w^2 * h^2.
    long long rhs = w * w * (h * h - dy * dy);
    if (rhs < 0)
      return {0, 0};
    long long h2 = h * h;
    limit = static_cast<long long>(std::sqrt(static_cast<double>(rhs) / static_cast<double>(h2)));
    while (limit > 0 && limit * limit * h2 > rhs)
      --limit;
    while ((limit + 1) * (limit + 1) * h2 <= rhs)
      ++limit;
  } else {
    // Huge ellipses only matter where they cross a surface; long double is close enough there.
    long double t = 1.0L - (long double)dy * dy / ((long double)h * h);
    if (t < 0)
      return {0, 0};
    limit = (long long)std::floor(std::sqrt(t) * (long double)w);
  }
  // |2i+1-w| has the parity of w+1.
  if ((limit & 1) != ((w + 1) & 1))
    --limit;
  if (limit < 0)
    return {0, 0};
  long long i0 = (w - 1 - limit) / 2;
  long long i1 = (w - 1 + limit) / 2 + 1;
  return {i0, i1};
}

void ClipSpan(std::vector<Span>& out, long long y, long long x0, long long x1, const RECT& limit) {
  if (y < limit.top || y >= limit.bottom)
    return;
  x0 = std::max<long long>(x0, limit.left);
  x1 = std::min<long long>(x1, limit.right);
  if (x0 < x1)
    out.push_back({int(y), int(x0), int(x1)});
}

} // namespace

std::vector<Span> EllipseSpans(const RECT& box, const RECT& limit) {
  std::vector<Span> out;
  long long w = (long long)box.right - box.left, h = (long long)box.bottom - box.top;
  if (w <= 0 || h <= 0)
    return out;
  int top = std::max<long long>(box.top, limit.top), bottom = std::min<long long>(box.bottom, limit.bottom);
  for (int y = top; y < bottom; ++y) {
    auto [i0, i1] = EllipseRow(w, h, (long long)y - box.top);
    if (i0 < i1)
      ClipSpan(out, y, box.left + i0, box.left + i1, limit);
  }
  return out;
}

std::vector<Span> RoundRectSpans(const RECT& box, int cornerWidth, int cornerHeight, const RECT& limit) {
  std::vector<Span> out;
  long long w = (long long)box.right - box.left, h = (long long)box.bottom - box.top;
  if (w <= 0 || h <= 0)
    return out;
  long long ew = std::clamp<long long>(std::abs(cornerWidth), 0, w);
  long long eh = std::clamp<long long>(std::abs(cornerHeight), 0, h);
  int top = std::max<long long>(box.top, limit.top), bottom = std::min<long long>(box.bottom, limit.bottom);
  for (int y = top; y < bottom; ++y) {
    long long j = (long long)y - box.top;
    long long inL = 0, inR = 0;
    if (ew > 0 && eh > 0) {
      long long je = -1;
      if (j < eh / 2)
        je = j;
      else if (j >= h - eh / 2)
        je = j - (h - eh);
      if (je >= 0) {
        auto [i0, i1] = EllipseRow(ew, eh, je);
        if (i0 >= i1)
          continue;
        inL = i0;
        inR = ew - i1;
      }
    }
    ClipSpan(out, y, box.left + inL, box.right - inR, limit);
  }
  return out;
}

namespace {

// One side of a polygon, stepped down the rows it crosses. Rows are sampled at whole coordinates, where the
// vertices and the pen's pixels lie; the crossing on row y is x = q + r / dy exactly (0 <= r < dy), so no
// rounding of a slope ever moves a pixel.
struct PolygonEdge {
  long long yTop, yBottom; // rows [yTop, yBottom)
  long long xTop, dx, dy;
  int dir; // +1 when the side runs downwards, for the winding count
  long long q = 0, r = 0, stepQ = 0, stepR = 0;

  void Start(long long y) {
    __int128 n = (__int128)(y - yTop) * dx;
    __int128 fq = n / dy;
    if (n % dy != 0 && n < 0)
      --fq;
    q = xTop + (long long)fq;
    r = (long long)(n - fq * dy);
    stepQ = dx / dy;
    if (dx % dy != 0 && dx < 0)
      --stepQ;
    stepR = dx - stepQ * dy;
  }
  // The first pixel on or right of the crossing: a pixel exactly on a side belongs to the area on its right.
  long long Pixel() const { return q + (r != 0 ? 1 : 0); }
  void Next() {
    q += stepQ;
    r += stepR;
    if (r >= dy) {
      r -= dy;
      ++q;
    }
  }
};

} // namespace

std::vector<Span> PolygonSpans(const POINT* points, const int* counts, int polygons, int fillMode,
                               const RECT& limit) {
  std::vector<Span> out;
  std::vector<PolygonEdge> edges;
  long long minY = LLONG_MAX, maxY = LLONG_MIN;
  const POINT* p = points;
  for (int k = 0; k < polygons; ++k) {
    int n = counts[k];
    for (int i = 0; i < n; ++i) {
      POINT a = p[i], b = p[(i + 1) % n];
      // Sides along a row bound no row of their own: the rows above and below decide.
      if (a.y == b.y)
        continue;
      const POINT& top = a.y < b.y ? a : b;
      const POINT& bottom = a.y < b.y ? b : a;
      PolygonEdge e{top.y,
                    bottom.y,
                    top.x,
                    (long long)bottom.x - top.x,
                    (long long)bottom.y - top.y,
                    b.y > a.y ? 1 : -1};
      edges.push_back(e);
      minY = std::min(minY, e.yTop);
      maxY = std::max(maxY, e.yBottom);
    }
    p += n;
  }
  if (edges.empty())
    return out;
  long long first = std::max<long long>(minY, limit.top), last = std::min<long long>(maxY, limit.bottom);
  if (first >= last)
    return out;
  std::sort(edges.begin(), edges.end(), [](auto& a, auto& b) { return a.yTop < b.yTop; });
  std::vector<PolygonEdge*> active;
  std::vector<std::pair<long long, int>> xs;
  std::size_t next = 0;
  for (long long y = first; y < last; ++y) {
    for (; next < edges.size() && edges[next].yTop <= y; ++next) {
      if (edges[next].yBottom <= y)
        continue;
      edges[next].Start(y);
      active.push_back(&edges[next]);
    }
    std::erase_if(active, [y](const PolygonEdge* e) { return e->yBottom <= y; });
    xs.clear();
    for (PolygonEdge* e : active) {
      xs.push_back({e->Pixel(), e->dir});
      e->Next();
    }
    std::sort(xs.begin(), xs.end(), [](auto& a, auto& b) { return a.first < b.first; });
    auto emit = [&](long long x0, long long x1) {
      x0 = std::max<long long>(x0, limit.left);
      x1 = std::min<long long>(x1, limit.right);
      if (x0 < x1)
        out.push_back({int(y), int(x0), int(x1)});
    };
    if (fillMode == WINDING) {
      int winding = 0;
      for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        winding += xs[i].second;
        if (winding != 0)
          emit(xs[i].first, xs[i + 1].first);
      }
    } else {
      for (std::size_t i = 0; i + 1 < xs.size(); i += 2)
        emit(xs[i].first, xs[i + 1].first);
    }
  }
  return out;
}

} // namespace gdi

using namespace gdi;

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(Region(RECT{left, top, right, bottom}));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return NewRegion(Region::FromSpans(EllipseSpans(Ordered(left, top, right, bottom), kRegionLimit)));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
  return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
  return NewRegion(Region::FromSpans(
      RoundRectSpans(Ordered(left, top, right, bottom), cornerWidth, cornerHeight, kRegionLimit)));
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode) {
  if (!points || !counts || polygons <= 0 || (fillMode != ALTERNATE && fillMode != WINDING))
    return nullptr;
  for (int i = 0; i < polygons; ++i)
    if (counts[i] < 2)
      return nullptr;
  return NewRegion(Region::FromSpans(PolygonSpans(points, counts, polygons, fillMode, kRegionLimit)));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  return CreatePolyPolygonRgn(points, &count, 1, fillMode);
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  RegionObject* d = LookupRegion(dest);
  RegionObject* a = LookupRegion(src1);
  if (!d || !a)
    return ERROR;
  if (mode == RGN_COPY) {
    d->region = a->region;
    return d->region.Complexity();
  }
  RegionObject* b = LookupRegion(src2);
  if (!b)
    return ERROR;
  Region result = a->region;
  switch (mode) {
  case RGN_AND:
    result.Intersect(b->region);
    break;
  case RGN_OR:
    result.Union(b->region);
    break;
  case RGN_XOR:
    result.Xor(b->region);
    break;
  case RGN_DIFF:
    result.Subtract(b->region);
    break;
  default:
    return ERROR;
  }
  d->region = std::move(result);
  return d->region.Complexity();
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  RegionObject* r = LookupRegion(rgn);
  if (!r)
    return ERROR;
  r->region.Offset(dx, dy);
  return r->region.Complexity();
}

int GetRgnBox(HRGN rgn, RECT* box) {
  RegionObject* r = LookupRegion(rgn);
  if (!r || !box)
    return ERROR;
  *box = r->region.Box();
  return r->region.Complexity();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  RegionObject* ra = LookupRegion(a);
  RegionObject* rb = LookupRegion(b);
  if (!ra || !rb)
    return ERROR;
  return ra->region == rb->region ? TRUE : FALSE;
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  RegionObject* r = LookupRegion(rgn);
  return r && r->region.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  RegionObject* r = LookupRegion(rgn);
  if (!r || !rect)
    return FALSE;
  return r->region.Intersects(Ordered(rect->left, rect->top, rect->right, rect->bottom)) ? TRUE : FALSE;
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  RegionObject* r = LookupRegion(rgn);
  if (!r)
    return FALSE;
  r->region.SetRect({left, top, right, bottom});
  return TRUE;
}
