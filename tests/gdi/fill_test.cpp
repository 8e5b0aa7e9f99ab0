#include <gtest/gtest.h>

#include "canvas_fixture.h"

namespace {

TEST(Fill, FillRectTakesBrushesAndSystemColourIndexes) {
  Canvas c(4, 4);
  RECT r{1, 1, 3, 3};
  EXPECT_TRUE(FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_BTNSHADOW + 1))));
  EXPECT_EQ(c.At(1, 1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(c.At(3, 3), kWhite); // right and bottom excluded
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{0, 0, 4, 4};
  FillRect(c.dc, &all, red);
  EXPECT_EQ(c.Count(kRed), 16);
  // The DC's binary raster operation does not apply to fills.
  SetROP2(c.dc, R2_XORPEN);
  FillRect(c.dc, &all, reinterpret_cast<HBRUSH>(std::uintptr_t(COLOR_WINDOW + 1)));
  EXPECT_EQ(c.Count(kWhite), 16);
  DeleteObject(red);
  EXPECT_FALSE(FillRect(c.dc, &all, red));
}

TEST(Fill, FrameRectPaintsTheInnerBorderAndRefusesEmptyRects) {
  Canvas c(5, 4);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RECT r{0, 0, 5, 4};
  EXPECT_TRUE(FrameRect(c.dc, &r, black));
  EXPECT_EQ(c.Picture(kBW), "#####\n#...#\n#...#\n#####\n");
  RECT empty{2, 2, 2, 4};
  EXPECT_EQ(FrameRect(c.dc, &empty, black), 0);
}

TEST(Fill, PatternBrushStaysAlignedToTheBrushOriginAcrossCalls) {
  // A 2 x 2 checker drawn as two separate fills meets seamlessly; moving the brush origin shifts it.
  const WORD rows[2] = {0x40, 0x80}; // row 0: .#  row 1: #.
  HBITMAP bits = CreateBitmap(2, 2, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(bits);
  DeleteObject(bits); // the brush keeps its own copy
  Canvas c(6, 2);
  SetTextColor(c.dc, kBlack);
  SetBkColor(c.dc, kWhite);
  RECT left{0, 0, 3, 2}, right{3, 0, 6, 2};
  FillRect(c.dc, &left, brush);
  FillRect(c.dc, &right, brush);
  EXPECT_EQ(c.Picture(kBW), "#.#.#.\n.#.#.#\n");
  SetBrushOrgEx(c.dc, 1, 0, nullptr);
  RECT all{0, 0, 6, 2};
  FillRect(c.dc, &all, brush);
  EXPECT_EQ(c.Picture(kBW), ".#.#.#\n#.#.#.\n");
  // Mono patterns take the DC's text and background colours.
  SetTextColor(c.dc, kRed);
  FillRect(c.dc, &all, brush);
  EXPECT_EQ(c.At(0, 0), kWhite);
  EXPECT_EQ(c.At(1, 0), kRed);
  DeleteObject(brush);
}

TEST(Fill, WindowDCPatternsAnchorAtTheClientOrigin) {
  Surface surface(10, 4);
  surface.Fill(0xFFFFFF);
  const WORD rows[2] = {0x40, 0x80};
  HBITMAP bits = CreateBitmap(2, 2, 1, 1, rows);
  HBRUSH brush = CreatePatternBrush(bits);
  HDC dc = CreateSurfaceDC(&surface, {3, 1}, nullptr);
  RECT r{0, 0, 2, 2};
  FillRect(dc, &r, brush);
  // Client (0, 0) is surface (3, 1) and takes the pattern's (0, 0), a text-colour (black) pixel.
  EXPECT_EQ(surface.Pixel(3, 1), 0x000000u);
  EXPECT_EQ(surface.Pixel(4, 1), 0xFFFFFFu);
  EXPECT_EQ(surface.Pixel(2, 1), 0xFFFFFFu);
  DeleteDC(dc);
  DeleteObject(brush);
  DeleteObject(bits);
}

TEST(Fill, LargeBrushFillsMatchTheBrushPixelByPixel) {
  // A large fill repeats one tile of the brush; filling each pixel on its own must give the same picture,
  // whatever the brush's size, origin and the rectangle's place against the tile.
  const DWORD colours[6] = {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x0F1F2F}; // 3 x 2
  HBITMAP colourBits = CreateBitmap(3, 2, 1, 32, colours);
  const WORD checker[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  HBITMAP monoBits = CreateBitmap(8, 8, 1, 1, checker);
  struct Case {
    const char* name;
    HBRUSH brush;
    RECT rect;
    POINT origin;
    int bkMode;
  };
  HBRUSH colour = CreatePatternBrush(colourBits), mono = CreatePatternBrush(monoBits);
  HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, kRed);
  const Case cases[] = {
      {"colour 3x2 at the origin", colour, {0, 0, 17, 9}, {0, 0}, OPAQUE},
      {"colour 3x2 shifted", colour, {2, 1, 16, 11}, {1, 1}, OPAQUE},
      {"colour narrower than a tile", colour, {5, 3, 7, 12}, {2, 0}, OPAQUE},
      {"mono checker", mono, {1, 2, 19, 13}, {3, 5}, OPAQUE},
      {"opaque hatch", hatch, {3, 1, 20, 14}, {0, 0}, OPAQUE},
      {"transparent hatch", hatch, {0, 0, 20, 14}, {4, 2}, TRANSPARENT},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Canvas whole(20, 14, kWhite), single(20, 14, kWhite);
    for (Canvas* c : {&whole, &single}) {
      SetTextColor(c->dc, kBlack);
      SetBkColor(c->dc, RGB(0, 0, 255));
      SetBkMode(c->dc, k.bkMode);
      SetBrushOrgEx(c->dc, k.origin.x, k.origin.y, nullptr);
    }
    FillRect(whole.dc, &k.rect, k.brush);
    for (int y = k.rect.top; y < k.rect.bottom; ++y)
      for (int x = k.rect.left; x < k.rect.right; ++x) {
        RECT one{x, y, x + 1, y + 1};
        FillRect(single.dc, &one, k.brush);
      }
    for (int y = 0; y < 14; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(whole.At(x, y), single.At(x, y)) << "at " << x << "," << y;
  }
  for (HGDIOBJ o : {HGDIOBJ(colour), HGDIOBJ(mono), HGDIOBJ(hatch), HGDIOBJ(colourBits), HGDIOBJ(monoBits)})
    DeleteObject(o);
}

TEST(Fill, HatchGapsArePaintedOnlyWhenOpaque) {
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, kBlack);
  Canvas c(8, 8, kRed);
  RECT all{0, 0, 8, 8};
  SetBkMode(c.dc, TRANSPARENT);
  FillRect(c.dc, &all, hatch);
  EXPECT_EQ(c.Count(kBlack), 15);
  EXPECT_EQ(c.Count(kRed), 49);
  SetBkMode(c.dc, OPAQUE);
  FillRect(c.dc, &all, hatch);
  EXPECT_EQ(c.Count(kWhite), 49);
  DeleteObject(hatch);
}

TEST(Fill, RegionFillsFramesAndInversion) {
  Canvas c(8, 6);
  HRGN rgn = CreateRectRgn(1, 1, 7, 5);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  EXPECT_TRUE(FrameRgn(c.dc, rgn, black, 2, 1));
  EXPECT_EQ(c.Picture(kBW), "........\n"
                            ".######.\n"
                            ".##..##.\n"
                            ".##..##.\n"
                            ".######.\n"
                            "........\n");
  EXPECT_TRUE(InvertRgn(c.dc, rgn));
  EXPECT_EQ(c.Count(kBlack), 4);
  SetWindowOrgEx(c.dc, 1, 1, nullptr); // region coordinates are logical
  EXPECT_TRUE(FillRgn(c.dc, rgn, black));
  EXPECT_EQ(c.At(0, 0), kBlack);
  EXPECT_EQ(c.At(6, 4), kWhite);
  EXPECT_FALSE(FillRgn(c.dc, reinterpret_cast<HRGN>(black), black));
  DeleteObject(rgn);
}

TEST(Fill, InvertRectTwiceRestores) {
  Canvas c(4, 4, RGB(10, 200, 30));
  RECT r{1, 0, 3, 4};
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.At(1, 0), RGB(245, 55, 225));
  EXPECT_EQ(c.At(0, 0), RGB(10, 200, 30));
  InvertRect(c.dc, &r);
  EXPECT_EQ(c.Count(RGB(10, 200, 30)), 16);
}

TEST(Clipping, EveryPrimitiveStaysInsideTheVisibleAndClipRegions) {
  Surface surface(30, 30);
  surface.Fill(0xFFFFFF);
  HRGN visible = CreateRectRgn(5, 5, 25, 25);
  HDC dc = CreateSurfaceDC(&surface, {5, 5}, visible);
  ExcludeClipRect(dc, 5, 5, 10, 10);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  RECT all{-10, -10, 40, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  Rectangle(dc, -5, -5, 35, 35);
  Ellipse(dc, -5, -5, 35, 35);
  MoveToEx(dc, -5, -5, nullptr);
  LineTo(dc, 40, 40);
  PatBlt(dc, -5, -5, 50, 50, BLACKNESS);
  DrawFocusRect(dc, &all);
  RECT edge{-3, -3, 33, 33};
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  int outside = 0, hole = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      bool inVisible = x >= 5 && x < 25 && y >= 5 && y < 25;
      bool inHole = x >= 10 && x < 15 && y >= 10 && y < 15;
      if (surface.Pixel(x, y) != 0xFFFFFF && !inVisible)
        ++outside;
      if (surface.Pixel(x, y) != 0xFFFFFF && inHole)
        ++hole;
    }
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(hole, 0);
  EXPECT_EQ(surface.Pixel(20, 20), 0xD4D0C8u); // the edge's middle, drawn last
  DeleteDC(dc);
  DeleteObject(visible);
}

} // namespace
