#include "lookandfeel/cxGraphics.h"

#include <gtest/gtest.h>

#include <set>

#include "lookandfeel/dxOffice11.h"
#include "platform/rtl/Geometry.h"

namespace {

// A white memory bitmap with a library canvas over it.
struct Board {
  TBitmap bitmap;
  std::unique_ptr<TcxCanvas> canvas;
  Board(int w, int h) {
    bitmap.SetSize(w, h);
    canvas = std::make_unique<TcxCanvas>(bitmap.Canvas());
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, w, h));
  }
  COLORREF At(int x, int y) { return COLORREF(bitmap.Canvas()->Pixels(x, y)) & 0xFFFFFF; }
};

COLORREF Rgb(TColor c) {
  return COLORREF(ColorToRGB(c));
}

TEST(TextFlags, ConvertToPlatformFlags) {
  struct Case {
    int flags;
    UINT expected;
  };
  const Case cases[] = {
      {0, DT_NOPREFIX},
      {cxAlignLeft | cxAlignTop, DT_NOPREFIX},
      {cxAlignRight | cxAlignBottom, DT_NOPREFIX | DT_RIGHT | DT_BOTTOM},
      {cxAlignHCenter | cxAlignVCenter | cxSingleLine, DT_NOPREFIX | DT_CENTER | DT_VCENTER | DT_SINGLELINE},
      {cxShowPrefix | cxDontClip, DT_NOCLIP},
      {cxWordBreak, DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL},
      {cxShowEndEllipsis | cxShowPathEllipsis, DT_NOPREFIX | DT_END_ELLIPSIS | DT_PATH_ELLIPSIS},
      {cxDontPrint | cxExpandTabs, DT_NOPREFIX | DT_CALCRECT | DT_EXPANDTABS},
  };
  for (const Case& k : cases)
    EXPECT_EQ(cxFlagsToDTFlags(k.flags), k.expected) << "flags " << k.flags;
}

TEST(CxCanvas, FillRectTilesTheBitmapOnTheCanvasGrid) {
  TBitmap tile;
  tile.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      tile.Canvas()->SetPixels(x, y, TColor(RGB(BYTE(x * 30), BYTE(y * 30), 7)));
  Board b(16, 16);
  b.canvas->FillRect(Rect(4, 4, 12, 12), &tile);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
      COLORREF expected = inside ? RGB(BYTE((x % 8) * 30), BYTE((y % 8) * 30), 7) : RGB(255, 255, 255);
      ASSERT_EQ(b.At(x, y), expected) << x << "," << y;
    }
}

TEST(CxCanvas, FrameRectDrawsChosenStripsAndKeepsTheBrushColourForDefault) {
  struct Case {
    TcxBorders borders;
    int width;
    std::vector<POINT> painted, untouched;
  };
  const Case cases[] = {
      {cxBordersAll, 1, {{2, 2}, {9, 2}, {2, 9}, {9, 9}, {5, 2}}, {{3, 3}, {8, 8}, {1, 1}, {10, 10}}},
      {TcxBorders{bLeft}, 2, {{2, 5}, {3, 5}}, {{4, 5}, {9, 5}, {5, 2}}},
      {TcxBorders{bRight, bBottom}, 1, {{9, 3}, {5, 9}}, {{2, 5}, {5, 2}}},
      {TcxBorders{}, 1, {}, {{2, 2}, {9, 9}}},
  };
  for (const Case& k : cases) {
    Board b(12, 12);
    b.canvas->SetBrushColor(clRed);
    b.canvas->FrameRect(Rect(2, 2, 10, 10), clDefault, k.width, k.borders);
    for (POINT p : k.painted)
      EXPECT_EQ(b.At(p.x, p.y), RGB(255, 0, 0)) << p.x << "," << p.y;
    for (POINT p : k.untouched)
      EXPECT_EQ(b.At(p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
  }
  Board b(12, 12);
  b.canvas->FrameRect(Rect(5, 5, 5, 9), clBlue);
  EXPECT_EQ(b.At(5, 5), RGB(255, 255, 255));
}

TEST(CxCanvas, DrawEdgeColoursBySunkenAndOuter) {
  struct Case {
    bool sunken, outer;
    TColor leftTop, rightBottom;
  };
  const Case cases[] = {{true, true, clBtnShadow, clBtnHighlight},
                        {true, false, cl3DDkShadow, cl3DLight},
                        {false, true, cl3DLight, cl3DDkShadow},
                        {false, false, clBtnHighlight, clBtnShadow}};
  for (const Case& k : cases) {
    Board b(10, 10);
    b.canvas->DrawEdge(Rect(1, 1, 9, 9), k.sunken, k.outer);
    EXPECT_EQ(b.At(1, 4), Rgb(k.leftTop));
    EXPECT_EQ(b.At(4, 1), Rgb(k.leftTop));
    EXPECT_EQ(b.At(8, 4), Rgb(k.rightBottom));
    EXPECT_EQ(b.At(4, 8), Rgb(k.rightBottom));
    // The right and bottom strips are drawn last and own the corners they share.
    EXPECT_EQ(b.At(8, 1), Rgb(k.rightBottom));
    EXPECT_EQ(b.At(1, 8), Rgb(k.rightBottom));
    EXPECT_EQ(b.At(1, 1), Rgb(k.leftTop));
    EXPECT_EQ(b.At(4, 4), RGB(255, 255, 255));
  }
}

TEST(CxCanvas, InvertRectInvertsOnlyInsideAndRestoresTheCopyMode) {
  Board b(6, 6);
  b.canvas->SetBrushColor(TColor(RGB(10, 20, 30)));
  b.canvas->FillRect(Rect(0, 0, 6, 6));
  b.canvas->InvertRect(Rect(1, 1, 3, 3));
  EXPECT_EQ(b.At(1, 1), RGB(245, 235, 225));
  EXPECT_EQ(b.At(2, 2), RGB(245, 235, 225));
  EXPECT_EQ(b.At(3, 3), RGB(10, 20, 30));
  EXPECT_EQ(b.canvas->Canvas()->CopyMode(), SRCCOPY);
}

TEST(CxCanvas, EmptyTextChangesNothingNotEvenTheBrush) {
  Board b(20, 10);
  b.canvas->Brush()->SetColor(clLime);
  b.canvas->DrawText("", Rect(0, 0, 20, 10), cxSingleLine, false);
  EXPECT_EQ(b.canvas->Brush()->Style(), bsSolid);
  EXPECT_EQ(b.canvas->Brush()->Color(), clLime);
  EXPECT_EQ(b.canvas->TextExtent(""), (TSize{0, 0}));
}

TEST(CxCanvas, DisabledTextIsEmbossedAndTheColoursComeBack) {
  SysColorTable table = DefaultSysColors();
  table[COLOR_BTNSHADOW] = RGB(40, 40, 40);
  SetSysColorTable(table);
  Board b(60, 24);
  b.canvas->SetBrushColor(clGray);
  b.canvas->FillRect(Rect(0, 0, 60, 24));
  b.canvas->Font()->SetName(TestFontFace);
  b.canvas->Font()->SetHeight(13);
  b.canvas->Font()->SetColor(clBlack);
  b.canvas->DrawText("MM", Rect(0, 0, 60, 24), cxSingleLine, false);
  int highlight = 0, shadow = 0, black = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 60; ++x) {
      COLORREF c = b.At(x, y);
      highlight += c == RGB(255, 255, 255);
      shadow += c == RGB(40, 40, 40);
      black += c == 0;
    }
  ResetSysColorTable();
  EXPECT_GT(highlight, 0);
  EXPECT_GT(shadow, 0);
  EXPECT_EQ(black, 0);
  EXPECT_EQ(b.canvas->Font()->Color(), clBlack);
  EXPECT_EQ(b.canvas->Brush()->Style(), bsSolid);
  EXPECT_EQ(b.canvas->Brush()->Color(), clGray);
}

TEST(CxCanvas, SingleLineTextIsPlacedByItsExtent) {
  struct Case {
    int flags;
    int expectedLeft, expectedTop;
  };
  Board probe(10, 10);
  probe.canvas->Font()->SetName(TestFontFace);
  probe.canvas->Font()->SetHeight(13);
  TSize e = probe.canvas->TextExtent("MM");
  const TRect r = Rect(10, 10, 70, 50);
  const Case cases[] = {
      {cxSingleLine, 10, 10},
      {cxSingleLine | cxAlignRight, 70 - e.cx, 10},
      {cxSingleLine | cxAlignHCenter | cxAlignVCenter, (80 - e.cx) / 2, (60 - e.cy) / 2},
      {cxSingleLine | cxAlignBottom, 10, 50 - e.cy},
  };
  for (const Case& k : cases) {
    Board b(80, 60);
    b.canvas->Font()->SetName(TestFontFace);
    b.canvas->Font()->SetHeight(13);
    b.canvas->Font()->SetColor(clBlack);
    b.canvas->Brush()->SetStyle(bsClear);
    b.canvas->DrawText("MM", r, k.flags);
    int minX = 1000, minY = 1000;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x)
        if (b.At(x, y) == 0) {
          minX = std::min(minX, x);
          minY = std::min(minY, y);
        }
    // The glyph box starts at the pen position horizontally and inside the cell vertically.
    EXPECT_EQ(minX, k.expectedLeft) << "flags " << k.flags;
    EXPECT_GE(minY, k.expectedTop) << "flags " << k.flags;
    EXPECT_LT(minY, k.expectedTop + e.cy) << "flags " << k.flags;
  }
}

TEST(CxCanvas, ClipRegionStandsForEverythingUntilSetAndCombinesWithTheWindowOrigin) {
  Board b(20, 20);
  std::unique_ptr<TcxRegion, TObjectDeleter> clip(b.canvas->GetClipRegion());
  RECT box{};
  GetRgnBox(clip->Handle(), &box);
  EXPECT_EQ(box, (RECT{0, 0, 0x6666666, 0x6666666}));

  b.canvas->SetClipRegion(new TcxRegion(2, 2, 10, 10), roSet);
  b.canvas->SetClipRegion(new TcxRegion(5, 5, 20, 20), roIntersect);
  b.canvas->SetBrushColor(clRed);
  b.canvas->Canvas()->FillRect(Rect(0, 0, 20, 20));
  EXPECT_EQ(b.At(4, 4), RGB(255, 255, 255));
  EXPECT_EQ(b.At(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(b.At(9, 9), RGB(255, 0, 0));
  EXPECT_EQ(b.At(10, 10), RGB(255, 255, 255));

  // A region kept by the caller comes back where it was.
  auto* kept = new TcxRegion(0, 0, 4, 4);
  SetWindowOrgEx(b.canvas->Handle(), 3, 3, nullptr);
  b.canvas->SetClipRegion(kept, roAdd, false);
  GetRgnBox(kept->Handle(), &box);
  EXPECT_EQ(box, (RECT{0, 0, 4, 4}));
  kept->Free();
}

TEST(CxCanvas, RotateBitmapTurnsAndMirrors) {
  // Source 3 x 2: a b c / d e f.
  const COLORREF a = RGB(1, 0, 0), bb = RGB(2, 0, 0), c = RGB(3, 0, 0), d = RGB(4, 0, 0), e = RGB(5, 0, 0),
                 f = RGB(6, 0, 0);
  struct Case {
    TcxRotationAngle angle;
    bool flip;
    int w, h;
    std::vector<COLORREF> rows;
  };
  const Case cases[] = {
      {ra0, true, 3, 2, {d, e, f, a, bb, c}},       {raPlus90, false, 2, 3, {c, f, bb, e, a, d}},
      {raPlus90, true, 2, 3, {a, d, bb, e, c, f}},  {raMinus90, false, 2, 3, {d, a, e, bb, f, c}},
      {raMinus90, true, 2, 3, {f, c, e, bb, d, a}}, {ra180, false, 3, 2, {f, e, d, c, bb, a}},
      {ra180, true, 3, 2, {c, bb, a, f, e, d}},     {ra0, false, 3, 2, {a, bb, c, d, e, f}},
  };
  for (const Case& k : cases) {
    TBitmap bmp;
    bmp.SetSize(3, 2);
    COLORREF src[] = {a, bb, c, d, e, f};
    for (int i = 0; i < 6; ++i)
      bmp.Canvas()->SetPixels(i % 3, i / 3, TColor(src[i]));
    Board b(1, 1);
    b.canvas->RotateBitmap(&bmp, k.angle, k.flip);
    ASSERT_EQ(bmp.Width(), k.w);
    ASSERT_EQ(bmp.Height(), k.h);
    for (int i = 0; i < k.w * k.h; ++i)
      EXPECT_EQ(COLORREF(bmp.Canvas()->Pixels(i % k.w, i / k.w)) & 0xFFFFFF, k.rows[std::size_t(i)])
          << "angle " << k.angle << " flip " << k.flip << " pixel " << i;
  }
}

TEST(ColourRoutines, MixSystemColorsWeighsAndClampsTheThreeColours) {
  struct Case {
    COLORREF face;
    signed char p1, p2, p3;
    COLORREF expected;
  };
  const COLORREF classicFace = RGB(212, 208, 200);
  const Case cases[] = {
      {classicFace, 14, 44, 40, RGB(136, 147, 177)},
      {classicFace, 100, 100, 100, RGB(255, 255, 255)},
      {classicFace, -100, 0, 0, RGB(0, 0, 0)},
      {classicFace, 0, 100, 0, RGB(10, 36, 106)},
      {RGB(255, 255, 255), 14, 44, 40, RGB(10, 36, 106)},
      {RGB(0, 0, 0), 50, 0, 50, RGB(10, 36, 106)},
  };
  for (const Case& k : cases) {
    SysColorTable table = DefaultSysColors();
    table[COLOR_BTNFACE] = k.face;
    SetSysColorTable(table);
    EXPECT_EQ(COLORREF(MixSystemColors(k.p1, k.p2, k.p3)), k.expected) << int(k.p1) << "," << int(k.p2);
  }
  ResetSysColorTable();
}

TEST(ColourRoutines, BlendColorsMixesByPercentOfTheFirst) {
  struct Case {
    TColor c1, c2;
    int percent;
    COLORREF expected;
  };
  const Case cases[] = {
      {clWhite, clBlack, 100, RGB(255, 255, 255)},
      {clWhite, clBlack, 0, RGB(0, 0, 0)},
      {clWhite, clBlack, 50, RGB(128, 128, 128)},
      {TColor(RGB(200, 100, 0)), TColor(RGB(0, 100, 200)), 25, RGB(50, 100, 150)},
      {clBtnFace, clWindow, 22, RGB(246, 245, 243)},
  };
  for (const Case& k : cases)
    EXPECT_EQ(COLORREF(BlendColors(k.c1, k.c2, k.percent)), k.expected) << k.percent;
}

TEST(ColourRoutines, GradientStripsAreCappedAt256AndSurviveOnePixel) {
  struct Case {
    int width;
    std::size_t distinct;
  };
  const Case cases[] = {{1000, 256}, {10, 10}, {1, 1}};
  for (const Case& k : cases) {
    Board b(k.width, 2);
    FillGradientRect(b.canvas->Handle(), Rect(0, 0, k.width, 2), clBlack, TColor(RGB(0, 0, 255)), true);
    std::set<COLORREF> seen;
    for (int x = 0; x < k.width; ++x)
      seen.insert(b.At(x, 0));
    EXPECT_EQ(seen.size(), k.distinct) << "width " << k.width;
    EXPECT_EQ(b.At(0, 1), RGB(0, 0, 0));
    if (k.width > 1) {
      EXPECT_EQ(b.At(k.width - 1, 1), RGB(0, 0, 255));
    }
  }
  Board b(4, 10);
  FillGradientRect(b.canvas->Handle(), Rect(0, 0, 4, 10), clRed, clRed, false);
  EXPECT_EQ(b.At(3, 9), RGB(255, 0, 0));
}

TEST(ColourRoutines, RecolouringAnImageOfOneRedValueIsSafe) {
  TBitmap bmp;
  bmp.SetSize(4, 4);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 4, 4));
  c->SetPixels(1, 1, TColor(RGB(100, 100, 100)));
  c->SetPixels(2, 2, TColor(RGB(100, 50, 50)));
  c->SetPixels(3, 3, clBlack);
  dxOffice11RecolorBitmap(&bmp, clRed, clBlue);
  EXPECT_EQ(COLORREF(c->Pixels(1, 1)) & 0xFFFFFF, RGB(0, 0, 255));
  EXPECT_EQ(COLORREF(c->Pixels(2, 2)) & 0xFFFFFF, RGB(0, 0, 255));
  EXPECT_EQ(COLORREF(c->Pixels(3, 3)) & 0xFFFFFF, RGB(0, 0, 0));
  EXPECT_EQ(COLORREF(c->Pixels(0, 3)) & 0xFFFFFF, RGB(255, 255, 255));
}

} // namespace

namespace {

TEST(CxCanvas, MultiLineTextSitsOnTheBottomAndMeasuredRectsArePlaced) {
  Board b(60, 60);
  b.canvas->Font()->SetName(TestFontFace);
  b.canvas->Font()->SetHeight(13);
  b.canvas->Font()->SetColor(clBlack);
  b.canvas->DrawText("A\r\nB", Rect(0, 0, 60, 60), cxAlignBottom);
  int top = 1000, bottom = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 60; ++x)
      if (b.At(x, y) == 0) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(top, 60 - 26);
  EXPECT_LT(bottom, 60);

  TSize e = b.canvas->TextExtent("MM");
  struct Case {
    int flags;
    TRect expected;
  };
  const Case cases[] = {
      {cxSingleLine, Bounds(10, 10, e.cx, e.cy)},
      {cxSingleLine | cxAlignHCenter | cxAlignVCenter,
       Bounds(10 + (50 - e.cx) / 2, 10 + (30 - e.cy) / 2, e.cx, e.cy)},
      {cxSingleLine | cxAlignRight | cxAlignBottom, Bounds(60 - e.cx, 40 - e.cy, e.cx, e.cy)},
  };
  for (const Case& k : cases) {
    TRect r = Rect(10, 10, 60, 40);
    b.canvas->CalculateTextRect("MM", r, k.flags);
    EXPECT_EQ(r, k.expected) << "flags " << k.flags;
  }
}

} // namespace
