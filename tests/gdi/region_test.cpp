#include <gtest/gtest.h>

#include "platform/gdi/Gdi.h"

namespace {

struct RgnGuard {
  HRGN h;
  explicit RgnGuard(HRGN r) : h(r) {}
  ~RgnGuard() { DeleteObject(h); }
  operator HRGN() const { return h; }
};

// Every pixel of the box in a region, as a string of '#' and '.' rows, so shapes read in test failures.
std::string Picture(HRGN rgn, RECT box) {
  std::string out;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x)
      out += PtInRegion(rgn, x, y) ? '#' : '.';
    out += '\n';
  }
  return out;
}

TEST(Region, CombineModesGiveTheRegionAndItsComplexity) {
  struct Case {
    int mode;
    int expectedType;
    RECT expectedBox;
    int expectedArea;
  };
  // a = [0,10)x[0,10), b = [5,15)x[5,15)
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, 25},   {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, 175},
      {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, 150}, {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, 75},
      {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, 100},
  };
  RgnGuard a(CreateRectRgn(0, 0, 10, 10)), b(CreateRectRgn(5, 5, 15, 15));
  for (const Case& c : cases) {
    RgnGuard d(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(CombineRgn(d, a, b, c.mode), c.expectedType) << c.mode;
    RECT box;
    EXPECT_EQ(GetRgnBox(d, &box), c.expectedType);
    EXPECT_EQ(box, c.expectedBox) << c.mode;
    int area = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        area += PtInRegion(d, x, y);
    EXPECT_EQ(area, c.expectedArea) << c.mode;
  }
}

TEST(Region, EmptyResultsAreNullRegionsAndCompareEqual) {
  RgnGuard a(CreateRectRgn(0, 0, 4, 4)), b(CreateRectRgn(10, 10, 14, 14)), d(CreateRectRgn(0, 0, 1, 1));
  EXPECT_EQ(CombineRgn(d, a, b, RGN_AND), NULLREGION);
  RECT box{1, 2, 3, 4};
  EXPECT_EQ(GetRgnBox(d, &box), NULLREGION);
  EXPECT_EQ(box, (RECT{0, 0, 0, 0}));
  RgnGuard empty(CreateRectRgn(5, 5, 5, 9));
  EXPECT_TRUE(EqualRgn(d, empty));
  EXPECT_FALSE(EqualRgn(a, b));
}

TEST(Region, EqualityIsBySetNotByConstruction) {
  RgnGuard whole(CreateRectRgn(0, 0, 10, 4));
  RgnGuard left(CreateRectRgn(0, 0, 6, 4)), right(CreateRectRgn(6, 0, 10, 4)),
      joined(CreateRectRgn(0, 0, 0, 0));
  CombineRgn(joined, left, right, RGN_OR);
  EXPECT_TRUE(EqualRgn(whole, joined));
  // Swapped corners mean the same rectangle.
  RgnGuard swapped(CreateRectRgn(10, 4, 0, 0));
  EXPECT_TRUE(EqualRgn(whole, swapped));
}

TEST(Region, OffsetSetRectAndHitTests) {
  RgnGuard r(CreateRectRgn(0, 0, 10, 10));
  EXPECT_EQ(OffsetRgn(r, 5, -2), SIMPLEREGION);
  RECT box;
  GetRgnBox(r, &box);
  EXPECT_EQ(box, (RECT{5, -2, 15, 8}));
  EXPECT_TRUE(PtInRegion(r, 5, -2));
  EXPECT_FALSE(PtInRegion(r, 15, 0)); // right edge excluded
  RECT touching{15, 0, 20, 5}, overlapping{14, 7, 20, 9};
  EXPECT_FALSE(RectInRegion(r, &touching));
  EXPECT_TRUE(RectInRegion(r, &overlapping));
  EXPECT_TRUE(SetRectRgn(r, 1, 1, 3, 3));
  GetRgnBox(r, &box);
  EXPECT_EQ(box, (RECT{1, 1, 3, 3}));
}

TEST(Region, EllipseIsSymmetricAndInsideItsBox) {
  RgnGuard e(CreateEllipticRgn(0, 0, 9, 7));
  RECT box;
  GetRgnBox(e, &box);
  EXPECT_EQ(box, (RECT{0, 0, 9, 7}));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, 8 - x, y)) << x << "," << y;
      EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, x, 6 - y)) << x << "," << y;
    }
  EXPECT_FALSE(PtInRegion(e, 0, 0));
  EXPECT_TRUE(PtInRegion(e, 4, 3));
  EXPECT_TRUE(PtInRegion(e, 0, 3));
}

TEST(Region, RoundRectCutsOnlyTheCorners) {
  RgnGuard r(CreateRoundRectRgn(0, 0, 10, 8, 4, 4));
  EXPECT_EQ(Picture(r, {0, 0, 10, 8}), ".########.\n"
                                       "##########\n"
                                       "##########\n"
                                       "##########\n"
                                       "##########\n"
                                       "##########\n"
                                       "##########\n"
                                       ".########.\n");
}

TEST(Region, PolygonFillRules) {
  // A square covers its left and top edges, not its right and bottom ones.
  const POINT square[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
  RgnGuard sq(CreatePolygonRgn(square, 4, ALTERNATE));
  RECT box;
  GetRgnBox(sq, &box);
  EXPECT_EQ(box, (RECT{0, 0, 4, 3}));
  // A self-overlapping path: the doubly covered middle is a hole under ALTERNATE only.
  const POINT twice[] = {{0, 0}, {6, 0}, {6, 3}, {2, 3}, {2, 1}, {4, 1}, {4, 2}, {0, 2}};
  RgnGuard alt(CreatePolygonRgn(twice, 8, ALTERNATE)), wind(CreatePolygonRgn(twice, 8, WINDING));
  EXPECT_EQ(Picture(alt, {0, 0, 6, 3}), "######\n"
                                        "##..##\n"
                                        "..####\n");
  EXPECT_EQ(Picture(wind, {0, 0, 6, 3}), "######\n"
                                         "######\n"
                                         "..####\n");
  EXPECT_EQ(CreatePolygonRgn(square, 1, ALTERNATE), nullptr);
  EXPECT_EQ(CreatePolygonRgn(square, 4, 7), nullptr);
}

TEST(Region, StaleAndForeignHandlesAreRefused) {
  HRGN r = CreateRectRgn(0, 0, 2, 2);
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_EQ(GetObjectType(r), OBJ_REGION);
  EXPECT_EQ(OffsetRgn(reinterpret_cast<HRGN>(brush), 1, 1), ERROR);
  EXPECT_TRUE(DeleteObject(r));
  EXPECT_EQ(GetObjectType(r), 0u);
  RECT box;
  EXPECT_EQ(GetRgnBox(r, &box), ERROR);
  EXPECT_FALSE(DeleteObject(r));
  // A later object does not make the old handle valid again.
  HRGN next = CreateRectRgn(0, 0, 1, 1);
  EXPECT_NE(next, r);
  EXPECT_EQ(GetObjectType(r), 0u);
  DeleteObject(next);
  DeleteObject(brush);
}

} // namespace
