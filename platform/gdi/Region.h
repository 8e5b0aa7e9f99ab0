#pragma once
// Regions: a value class over pixman's region for the layer's own use, and the platform's region calls.
#include <pixman.h>
#include <vector>

#include "platform/gdi/HandleTable.h"

namespace gdi {

// One row of a rasterised shape: pixels [x0, x1) on row y.
struct Span {
  int y, x0, x1;
};

class Region {
public:
  Region();
  explicit Region(const RECT& rect);
  Region(const Region& other);
  Region& operator=(const Region& other);
  ~Region();

  static Region FromSpans(const std::vector<Span>& spans);
  static Region FromRects(const std::vector<RECT>& rects);

  pixman_region32_t* Raw() { return &region_; }
  const pixman_region32_t* Raw() const { return &region_; }

  bool Empty() const;
  RECT Box() const;       // all zeros when empty
  int Complexity() const; // NULLREGION, SIMPLEREGION or COMPLEXREGION
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& rect) const;
  bool operator==(const Region& other) const;

  void SetRect(const RECT& rect);
  void Clear();
  void Offset(int dx, int dy);
  void Intersect(const Region& other);
  void Intersect(const RECT& rect);
  void Union(const Region& other);
  void Union(const RECT& rect);
  void Subtract(const Region& other);
  void Xor(const Region& other);

  std::vector<RECT> Rects() const;
  template <class F> void ForEachRect(F&& f) const {
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&region_), &n);
    for (int i = 0; i < n; ++i)
      f(RECT{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
  }

private:
  pixman_region32_t region_;
};

class RegionObject : public GdiObject {
public:
  static constexpr GdiKind kKind = GdiKind::Region;
  RegionObject() : GdiObject(kKind) {}
  explicit RegionObject(Region r) : GdiObject(kKind), region(std::move(r)) {}
  int Describe(int, void*) const override { return 0; }
  Region region;
};

RegionObject* LookupRegion(HRGN handle);
HRGN NewRegion(Region region);

// Shape rasterisers shared by the region calls and the drawing calls. Boxes are half-open; only the rows and
// columns inside `limit` are produced, which keeps absurd coordinates from costing absurd time.
// Region shapes are rasterised within +-2^18, far beyond any surface.
constexpr RECT kRegionLimit{-(1 << 18), -(1 << 18), 1 << 18, 1 << 18};
std::vector<Span> EllipseSpans(const RECT& box, const RECT& limit);
std::vector<Span> RoundRectSpans(const RECT& box, int cornerWidth, int cornerHeight, const RECT& limit);
std::vector<Span> PolygonSpans(const POINT* points, const int* counts, int polygons, int fillMode,
                               const RECT& limit);

} // namespace gdi

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
int GetRgnBox(HRGN rgn, RECT* box);
BOOL EqualRgn(HRGN a, HRGN b);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* rect);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
