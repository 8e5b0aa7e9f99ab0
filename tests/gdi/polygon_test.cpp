#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "canvas_fixture.h"

namespace {

using Ring = std::vector<POINT>;

// The rule written out point by point: pixel (x, y) is the point (x, y); a side spanning the rows
// [top, bottom) crosses row y, and counts for every point on or right of the crossing.
bool Inside(const std::vector<Ring>& rings, int x, int y, int mode) {
  int winding = 0, crossings = 0;
  for (const Ring& ring : rings)
    for (std::size_t i = 0; i < ring.size(); ++i) {
      POINT a = ring[i], b = ring[(i + 1) % ring.size()];
      if (a.y == b.y)
        continue;
      POINT top = a.y < b.y ? a : b, bottom = a.y < b.y ? b : a;
      if (y < top.y || y >= bottom.y)
        continue;
      long long dy = bottom.y - top.y, dx = bottom.x - top.x;
      if ((long long)(x - top.x) * dy >= (long long)(y - top.y) * dx) {
        ++crossings;
        winding += b.y > a.y ? 1 : -1;
      }
    }
  return mode == WINDING ? winding != 0 : crossings % 2 == 1;
}

std::string Mask(const std::vector<Ring>& rings, int w, int h, int mode) {
  std::string out;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      out += Inside(rings, x, y, mode) ? '#' : '.';
    out += '\n';
  }
  return out;
}

std::string RegionMask(HRGN rgn, int w, int h) {
  std::string out;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      out += PtInRegion(rgn, x, y) ? '#' : '.';
    out += '\n';
  }
  return out;
}

std::vector<POINT> Flatten(const std::vector<Ring>& rings, std::vector<INT>& counts) {
  std::vector<POINT> all;
  counts.clear();
  for (const Ring& r : rings) {
    all.insert(all.end(), r.begin(), r.end());
    counts.push_back(INT(r.size()));
  }
  return all;
}

// Fills the rings with a red brush and no pen; the picture shows the filled pixels as '#'.
std::string FillPicture(const std::vector<Ring>& rings, int w, int h, int mode) {
  Canvas c(w, h);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  SetPolyFillMode(c.dc, mode);
  std::vector<INT> counts;
  std::vector<POINT> all = Flatten(rings, counts);
  PolyPolygon(c.dc, all.data(), counts.data(), int(counts.size()));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
  return c.Picture({{kWhite, '.'}, {kRed, '#'}});
}

// A black pen and a red brush: '#' pen, 'r' brush.
std::string OutlinedPicture(const std::vector<Ring>& rings, int w, int h, int mode) {
  Canvas c(w, h);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  SetPolyFillMode(c.dc, mode);
  std::vector<INT> counts;
  std::vector<POINT> all = Flatten(rings, counts);
  PolyPolygon(c.dc, all.data(), counts.data(), int(counts.size()));
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
  return c.Picture({{kWhite, '.'}, {kRed, 'r'}, {kBlack, '#'}});
}

// The expected picture of a pen-and-brush polygon: the closed rings stroked over the filled mask.
std::string ExpectedOutlined(const std::vector<Ring>& rings, int w, int h, int mode) {
  Canvas pen(w, h);
  for (const Ring& r : rings) {
    Ring closed = r;
    closed.push_back(r.front());
    Polyline(pen.dc, closed.data(), int(closed.size()));
  }
  std::string fill = Mask(rings, w, h, mode), out;
  for (int y = 0, i = 0; y < h; ++y, ++i) {
    for (int x = 0; x < w; ++x, ++i)
      out += pen.At(x, y) == kBlack ? '#' : fill[std::size_t(i)] == '#' ? 'r' : '.';
    out += '\n';
  }
  return out;
}

TEST(PolygonFill, SmallShapesDrawnByHand) {
  struct Case {
    const char* what;
    Ring points;
    const char* fill;     // no pen
    const char* outlined; // black pen, red brush
  };
  const Case cases[] = {
      {"right-pointing tip",
       {{1, 0}, {3, 2}, {1, 4}},
       "....\n"
       ".#..\n"
       ".##.\n"
       ".#..\n"
       "....\n",
       ".#..\n"
       ".##.\n"
       ".#r#\n"
       ".##.\n"
       ".#..\n"},
      {"down-pointing tip",
       {{0, 0}, {4, 0}, {2, 2}},
       "####.\n"
       ".##..\n"
       ".....\n",
       "#####\n"
       ".#r#.\n"
       "..#..\n"},
      {"up-pointing tip",
       {{2, 0}, {0, 2}, {4, 2}},
       ".....\n"
       ".##..\n"
       ".....\n",
       "..#..\n"
       ".#r#.\n"
       "#####\n"},
      {"left-pointing tip",
       {{0, 2}, {2, 0}, {2, 4}},
       "....\n"
       ".#..\n"
       "##..\n"
       ".#..\n"
       "....\n",
       "..#.\n"
       ".##.\n"
       "#r#.\n"
       ".##.\n"
       "..#.\n"},
      {"sliver one row high",
       {{0, 1}, {6, 1}, {6, 2}},
       ".......\n"
       "######.\n"
       ".......\n",
       ".......\n"
       "#######\n"
       "....###\n"},
      {"square: left and top sides in, right and bottom out",
       {{0, 0}, {3, 0}, {3, 2}, {0, 2}},
       "###.\n"
       "###.\n"
       "....\n",
       "####\n"
       "#rr#\n"
       "####\n"},
  };
  for (const Case& k : cases) {
    std::string fill = k.fill;
    int w = int(fill.find('\n')), h = 0;
    for (char ch : fill)
      h += ch == '\n';
    EXPECT_EQ(FillPicture({k.points}, w, h, ALTERNATE), k.fill) << k.what;
    EXPECT_EQ(FillPicture({k.points}, w, h, WINDING), k.fill) << k.what;
    EXPECT_EQ(OutlinedPicture({k.points}, w, h, ALTERNATE), k.outlined) << k.what;
  }
}

// Every triangle on a 5 x 5 grid of points, both ways round: the fill, the region and the outlined shape are
// checked pixel by pixel, and an outlined triangle covers every point of the closed triangle.
TEST(PolygonFill, EveryTriangleOfASmallGrid) {
  constexpr int n = 5, size = n + 4;
  std::vector<POINT> grid;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      grid.push_back({x + 2, y + 2});
  int checked = 0;
  for (std::size_t i = 0; i < grid.size(); ++i)
    for (std::size_t j = i + 1; j < grid.size(); ++j)
      for (std::size_t k = j + 1; k < grid.size(); ++k) {
        POINT a = grid[i], b = grid[j], c = grid[k];
        long long cross = (long long)(b.x - a.x) * (c.y - a.y) - (long long)(b.y - a.y) * (c.x - a.x);
        if (cross == 0)
          continue;
        for (const Ring& tri : {Ring{a, b, c}, Ring{a, c, b}}) {
          SCOPED_TRACE(::testing::Message() << "(" << tri[0].x << "," << tri[0].y << ") (" << tri[1].x << ","
                                            << tri[1].y << ") (" << tri[2].x << "," << tri[2].y << ")");
          std::string expected = Mask({tri}, size, size, ALTERNATE);
          ASSERT_EQ(FillPicture({tri}, size, size, ALTERNATE), expected);
          HRGN rgn = CreatePolygonRgn(tri.data(), 3, WINDING);
          ASSERT_EQ(RegionMask(rgn, size, size), expected);
          DeleteObject(rgn);
          std::string outlined = OutlinedPicture({tri}, size, size, ALTERNATE);
          ASSERT_EQ(outlined, ExpectedOutlined({tri}, size, size, ALTERNATE));
          // Solid: no point of the closed triangle is left white.
          for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
              long long s1 = (long long)(tri[1].x - tri[0].x) * (y - tri[0].y) -
                             (long long)(tri[1].y - tri[0].y) * (x - tri[0].x);
              long long s2 = (long long)(tri[2].x - tri[1].x) * (y - tri[1].y) -
                             (long long)(tri[2].y - tri[1].y) * (x - tri[1].x);
              long long s3 = (long long)(tri[0].x - tri[2].x) * (y - tri[2].y) -
                             (long long)(tri[0].y - tri[2].y) * (x - tri[2].x);
              bool in = (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
              if (in) {
                ASSERT_NE(outlined[std::size_t(y * (size + 1) + x)], '.') << "hole at " << x << "," << y;
              }
            }
          ++checked;
        }
      }
  EXPECT_GT(checked, 4000);
}

TEST(PolygonFill, ThinAndSelfCrossingShapesInBothModes) {
  struct Case {
    const char* what;
    std::vector<Ring> rings;
  };
  const Case cases[] = {
      {"long shallow sliver", {{{1, 1}, {18, 3}, {1, 2}}}},
      {"long steep sliver", {{{2, 1}, {4, 18}, {3, 1}}}},
      {"needle of zero area", {{{1, 1}, {9, 5}, {17, 9}}}},
      {"quadrilateral with a reflex corner", {{{1, 1}, {15, 4}, {6, 6}, {2, 16}}}},
      {"pentagram", {{{10, 1}, {15, 18}, {1, 7}, {19, 7}, {4, 18}}}},
      {"bow tie", {{{1, 1}, {17, 15}, {17, 1}, {1, 15}}}},
      {"overlapping squares, same way round",
       {{{1, 1}, {12, 1}, {12, 12}, {1, 12}}, {{6, 6}, {18, 6}, {18, 18}, {6, 18}}}},
      {"overlapping squares, opposite ways round",
       {{{1, 1}, {12, 1}, {12, 12}, {1, 12}}, {{6, 6}, {6, 18}, {18, 18}, {18, 6}}}},
      {"square with a hole, same way round",
       {{{1, 1}, {18, 1}, {18, 18}, {1, 18}}, {{5, 5}, {14, 5}, {14, 14}, {5, 14}}}},
      {"triangles sharing a side", {{{1, 1}, {10, 1}, {1, 17}}, {{10, 1}, {10, 17}, {1, 17}}}},
  };
  constexpr int size = 20;
  for (const Case& k : cases)
    for (int mode : {ALTERNATE, WINDING}) {
      SCOPED_TRACE(::testing::Message() << k.what << (mode == WINDING ? ", winding" : ", alternate"));
      std::string expected = Mask(k.rings, size, size, mode);
      EXPECT_EQ(FillPicture(k.rings, size, size, mode), expected);
      EXPECT_EQ(OutlinedPicture(k.rings, size, size, mode), ExpectedOutlined(k.rings, size, size, mode));
      std::vector<INT> counts;
      std::vector<POINT> all = Flatten(k.rings, counts);
      HRGN rgn = CreatePolyPolygonRgn(all.data(), counts.data(), int(counts.size()), mode);
      EXPECT_EQ(RegionMask(rgn, size, size), expected);
      DeleteObject(rgn);
    }
  // The two modes part where the path covers an area twice.
  const Ring star{{10, 1}, {15, 18}, {1, 7}, {19, 7}, {4, 18}};
  EXPECT_EQ(Mask({star}, size, size, ALTERNATE)[std::size_t(10 * (size + 1) + 10)], '.');
  EXPECT_EQ(Mask({star}, size, size, WINDING)[std::size_t(10 * (size + 1) + 10)], '#');
}

TEST(PolygonFill, WindowOriginAndClippingKeepThePixels) {
  // The same triangle drawn whole, then through a moved origin and a clip region that cuts it in two.
  const Ring tri{{3, 2}, {14, 9}, {2, 13}};
  std::string whole = OutlinedPicture({tri}, 16, 16, ALTERNATE);
  Canvas c(16, 16);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  SetWindowOrgEx(c.dc, -1, -1, nullptr);
  Ring moved;
  for (POINT p : tri)
    moved.push_back({p.x - 1, p.y - 1});
  HRGN left = CreateRectRgn(0, 0, 8, 16);
  SelectClipRgn(c.dc, left);
  Polygon(c.dc, moved.data(), 3);
  HRGN right = CreateRectRgn(8, 0, 16, 16);
  SelectClipRgn(c.dc, right);
  Polygon(c.dc, moved.data(), 3);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
  DeleteObject(left);
  DeleteObject(right);
  EXPECT_EQ(c.Picture({{kWhite, '.'}, {kRed, 'r'}, {kBlack, '#'}}), whole);
}

TEST(PolygonFill, HugeCoordinatesFillTheVisiblePartExactly) {
  // A side from far outside: its crossing on each visible row is still exact.
  const int big = 1 << 30;
  const Ring tri{{-big, 0}, {big, 0}, {0, big}};
  std::string expected = Mask({tri}, 8, 8, ALTERNATE);
  EXPECT_EQ(FillPicture({tri}, 8, 8, ALTERNATE), expected);
  EXPECT_EQ(expected, "########\n"
                      "########\n"
                      "########\n"
                      "########\n"
                      "########\n"
                      "########\n"
                      "########\n"
                      "########\n");
  const Ring steep{{0, -big}, {1, big}, {0, big}};
  HRGN rgn = CreatePolygonRgn(steep.data(), 3, ALTERNATE);
  // The side from (0, -2^30) to (1, 2^30) crosses every row but its first strictly between 0 and 1, so
  // column 0 is inside and column 1 outside all along.
  EXPECT_TRUE(PtInRegion(rgn, 0, -5));
  EXPECT_TRUE(PtInRegion(rgn, 0, 5));
  EXPECT_FALSE(PtInRegion(rgn, 1, 5));
  DeleteObject(rgn);
}

} // namespace
