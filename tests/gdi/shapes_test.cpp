#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "canvas_fixture.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;

PixelSet Blacks(const Canvas& c, int w, int h) {
  PixelSet s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (c.At(x, y) == kBlack)
        s.insert({x, y});
  return s;
}

PixelSet DrawLine(POINT a, POINT b) {
  Canvas c(24, 24);
  MoveToEx(c.dc, a.x, a.y, nullptr);
  LineTo(c.dc, b.x, b.y);
  return Blacks(c, 24, 24);
}

TEST(Lines, OneLinePerOctantPaintsTheseExactPixels) {
  struct Case {
    POINT from, to;
    PixelSet pixels;
  };
  const Case cases[] = {
      // Octant 1 and its reverse in octant 5: the ties fall so that both directions cover the same pixels.
      {{0, 0}, {4, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {{4, 2}, {0, 0}, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},
      // Octant 2 and 6.
      {{0, 0}, {2, 4}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {{2, 4}, {0, 0}, {{2, 4}, {1, 3}, {1, 2}, {0, 1}}},
      // Octant 3 and 7.
      {{4, 0}, {2, 4}, {{4, 0}, {3, 1}, {3, 2}, {2, 3}}},
      {{2, 4}, {4, 0}, {{2, 4}, {2, 3}, {3, 2}, {3, 1}}},
      // Octant 4 and 8.
      {{4, 0}, {0, 2}, {{4, 0}, {3, 0}, {2, 1}, {1, 1}}},
      {{0, 2}, {4, 0}, {{0, 2}, {1, 1}, {2, 1}, {3, 0}}},
      // Horizontal, vertical and 45-degree lines leave out the end in their direction.
      {{10, 3}, {5, 3}, {{10, 3}, {9, 3}, {8, 3}, {7, 3}, {6, 3}}},
      {{2, 5}, {2, 8}, {{2, 5}, {2, 6}, {2, 7}}},
      {{3, 3}, {6, 6}, {{3, 3}, {4, 4}, {5, 5}}},
      {{6, 6}, {3, 9}, {{6, 6}, {5, 7}, {4, 8}}},
      {{5, 5}, {5, 5}, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DrawLine(c.from, c.to), c.pixels)
        << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
}

TEST(Lines, ALineCoversTheSamePixelsInEitherDirection) {
  const POINT centre{11, 11};
  for (int dx = -9; dx <= 9; ++dx)
    for (int dy = -9; dy <= 9; ++dy) {
      POINT end{centre.x + dx, centre.y + dy};
      PixelSet forward = DrawLine(centre, end), backward = DrawLine(end, centre);
      if (dx == 0 && dy == 0)
        continue;
      forward.insert({end.x, end.y});
      backward.insert({centre.x, centre.y});
      ASSERT_EQ(forward, backward) << "to " << dx << "," << dy;
    }
}

TEST(Lines, PolylineSkipsOnlyTheLastVertexAndMovesNothing) {
  Canvas c(8, 8);
  const POINT pts[] = {{1, 1}, {5, 1}, {5, 5}};
  MoveToEx(c.dc, 7, 7, nullptr);
  Polyline(c.dc, pts, 3);
  EXPECT_EQ(c.Picture({0, 0, 7, 7}, kBW), ".......\n"
                                          ".#####.\n"
                                          ".....#.\n"
                                          ".....#.\n"
                                          ".....#.\n"
                                          ".......\n"
                                          ".......\n");
  POINT pos;
  GetCurrentPositionEx(c.dc, &pos);
  EXPECT_EQ(pos, (POINT{7, 7}));
  LineTo(c.dc, 7, 5);
  GetCurrentPositionEx(c.dc, &pos);
  EXPECT_EQ(pos, (POINT{7, 5}));
}

TEST(Lines, DottedPenLeavesGapsAndOpaqueModeFillsThem) {
  Canvas c(12, 2);
  HPEN dot = CreatePen(PS_DOT, 1, kBlack);
  SelectObject(c.dc, dot);
  SetBkMode(c.dc, TRANSPARENT);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 12, 0);
  SetBkMode(c.dc, OPAQUE);
  SetBkColor(c.dc, kRed);
  MoveToEx(c.dc, 0, 1, nullptr);
  LineTo(c.dc, 12, 1);
  EXPECT_EQ(c.Picture({{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}}), "###...###...\n"
                                                                    "###rrr###rrr\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(dot);
}

TEST(Lines, ClippingNeverChangesWhichPixelsAreChosen) {
  Canvas whole(20, 20), clipped(20, 20);
  IntersectClipRect(clipped.dc, 5, 0, 20, 20);
  for (Canvas* c : {&whole, &clipped}) {
    MoveToEx(c->dc, 0, 1, nullptr);
    LineTo(c->dc, 19, 8);
  }
  for (int y = 0; y < 20; ++y)
    for (int x = 5; x < 20; ++x)
      ASSERT_EQ(whole.At(x, y), clipped.At(x, y)) << x << "," << y;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 5; ++x)
      ASSERT_EQ(clipped.At(x, y), kWhite);
}

TEST(Shapes, RectangleOutlineAndFillStayInsideTheBox) {
  Canvas c(7, 6);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  Rectangle(c.dc, 5, 5, 1, 1); // corners are ordered first
  const std::map<COLORREF, char> legend{{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}};
  EXPECT_EQ(c.Picture(legend), ".......\n"
                               ".####..\n"
                               ".#rr#..\n"
                               ".#rr#..\n"
                               ".####..\n"
                               ".......\n");
  // With the null pen the fill is one pixel narrower and shorter than the box.
  c.Clear(kWhite);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  Rectangle(c.dc, 1, 1, 5, 5);
  EXPECT_EQ(c.Picture(legend), ".......\n"
                               ".rrr...\n"
                               ".rrr...\n"
                               ".rrr...\n"
                               ".......\n"
                               ".......\n");
  // Empty boxes draw nothing.
  c.Clear(kWhite);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  Rectangle(c.dc, 2, 2, 2, 5);
  EXPECT_EQ(c.Count(kWhite), 42);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(Shapes, PolygonOutlinePaintsEveryVertex) {
  Canvas a(12, 12), b(12, 12);
  SelectObject(a.dc, GetStockObject(NULL_BRUSH));
  SelectObject(b.dc, GetStockObject(NULL_BRUSH));
  const POINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  Polygon(a.dc, square, 4);
  Rectangle(b.dc, 0, 0, 10, 10);
  EXPECT_EQ(a.Count(kBlack), 40); // the 11 x 11 ring
  EXPECT_EQ(a.At(10, 10), kBlack);
  EXPECT_EQ(b.Count(kBlack), 36); // the 10 x 10 ring
  EXPECT_EQ(b.At(10, 10), kWhite);
}

TEST(Shapes, PolygonFillCoversLeftAndTopEdgesOnly) {
  Canvas c(12, 12);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  const POINT square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  Polygon(c.dc, square, 4);
  EXPECT_EQ(c.Count(kRed), 100);
  EXPECT_EQ(c.At(9, 9), kRed);
  EXPECT_EQ(c.At(10, 9), kWhite);
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(Shapes, EllipseRimIsClosedAndTheFillInside) {
  Canvas c(12, 10);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(c.dc, red);
  Ellipse(c.dc, 1, 1, 11, 9);
  // Nothing outside the box; the box's edges are touched in the middle of each side.
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(c.At(x, 0), kWhite);
    EXPECT_EQ(c.At(x, 9), kWhite);
  }
  EXPECT_EQ(c.At(5, 1), kBlack);
  EXPECT_EQ(c.At(1, 4), kBlack);
  EXPECT_EQ(c.At(10, 4), kBlack);
  EXPECT_EQ(c.At(5, 8), kBlack);
  EXPECT_EQ(c.At(1, 1), kWhite);
  // Every row between the rim is filled: scanning a row meets rim, fill, rim.
  for (int y = 2; y <= 7; ++y) {
    std::string row = c.Picture({0, y, 12, y + 1}, {{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}});
    EXPECT_EQ(row.find('?'), std::string::npos);
    auto first = row.find('#'), last = row.rfind('#');
    ASSERT_NE(first, std::string::npos);
    for (auto i = first; i <= last; ++i)
      EXPECT_NE(row[i], '.') << "hole in row " << y;
  }
  SelectObject(c.dc, GetStockObject(WHITE_BRUSH));
  DeleteObject(red);
}

TEST(Shapes, XorOutlineDrawnTwiceRestoresTheCanvas) {
  Canvas c(20, 20);
  SetPixel(c.dc, 5, 5, kRed);
  SetROP2(c.dc, R2_XORPEN);
  HPEN white = CreatePen(PS_SOLID, 1, kWhite);
  SelectObject(c.dc, white);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  for (int pass = 0; pass < 2; ++pass) {
    Rectangle(c.dc, 2, 2, 15, 12);
    Ellipse(c.dc, 3, 3, 18, 17);
    const POINT pts[] = {{1, 1}, {18, 4}, {9, 18}, {1, 1}};
    Polyline(c.dc, pts, 4);
  }
  EXPECT_EQ(c.Count(kWhite), 399);
  EXPECT_EQ(c.At(5, 5), kRed);
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(white);
}

TEST(Shapes, WidePenIsCentredOnThePathAndInsideFrameStaysInside) {
  Canvas c(16, 16);
  HPEN wide = CreatePen(PS_SOLID, 3, kBlack);
  SelectObject(c.dc, wide);
  SelectObject(c.dc, GetStockObject(NULL_BRUSH));
  Rectangle(c.dc, 4, 4, 12, 12);
  // The path runs through columns 4 and 11; three pixels wide it covers 3..5 and 10..12.
  EXPECT_EQ(c.Picture({2, 7, 14, 8}, kBW), ".###....###.\n");
  HPEN inside = CreatePen(PS_INSIDEFRAME, 3, kBlack);
  SelectObject(c.dc, inside);
  c.Clear(kWhite);
  Rectangle(c.dc, 4, 4, 12, 12);
  EXPECT_EQ(c.Picture({2, 7, 14, 8}, kBW), "..###..###..\n");
  SelectObject(c.dc, GetStockObject(BLACK_PEN));
  DeleteObject(wide);
  DeleteObject(inside);
}

TEST(Shapes, RoundRectWithTinyCornersIsARectangle) {
  Canvas a(10, 10), b(10, 10);
  RoundRect(a.dc, 1, 1, 9, 9, 2, 2);
  Rectangle(b.dc, 1, 1, 9, 9);
  EXPECT_EQ(a.Picture(kBW), b.Picture(kBW));
  a.Clear(kWhite);
  RoundRect(a.dc, 1, 1, 9, 9, 4, 4);
  EXPECT_EQ(a.At(1, 1), kWhite);
  EXPECT_EQ(a.At(4, 1), kBlack);
}

} // namespace

namespace {

TEST(Shapes, AbsurdCoordinatesDrawTheVisiblePartWithoutOverflowOrDelay) {
  Surface surface(16, 16);
  surface.Fill(0xFFFFFF);
  HDC dc = CreateSurfaceDC(&surface, {3, 3}, nullptr);
  SetWindowOrgEx(dc, -5, -5, nullptr);
  const int big = 2000000000;
  MoveToEx(dc, -big, 0, nullptr);
  LineTo(dc, big, 0);
  HPEN dash = CreatePen(PS_DASH, 1, RGB(0, 0, 0));
  SelectObject(dc, dash);
  MoveToEx(dc, 0, -big, nullptr);
  LineTo(dc, 0, big);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  DeleteObject(dash);
  Ellipse(dc, -big, -big, big, big);
  Rectangle(dc, -big, -big, big, big);
  RoundRect(dc, -big, -big, big, big, big, big);
  const POINT tri[] = {{-big, -big}, {big, 0}, {0, big}};
  Polygon(dc, tri, 3);
  HRGN r = CreateEllipticRgn(-big, -big, big, big);
  EXPECT_TRUE(PtInRegion(r, 0, 0));
  DeleteObject(r);
  RECT huge{-big, -big, big, big};
  FillRect(dc, &huge, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  // The last fill covered everything visible.
  EXPECT_EQ(surface.Pixel(0, 0), 0x808080u);
  EXPECT_EQ(surface.Pixel(15, 15), 0x808080u);
  DeleteDC(dc);
}

} // namespace
