#include <gtest/gtest.h>

#include "canvas_fixture.h"

namespace {

// Eight columns hold the eight combinations of pattern, source and destination bits (column i: p = bit 2,
// s = bit 1, d = bit 0), with black for 0 and white for 1; the result of a ROP3 code must be its truth
// table, column by column.
class RopTable {
public:
  RopTable() : dst(8, 1), src(8, 1) {
    BYTE rows[8 * 2] = {};
    for (int y = 0; y < 8; ++y)
      rows[y * 2] = 0x0F; // columns 4..7 have p = 1
    pattern = CreateBitmap(8, 8, 1, 1, rows);
    brush = CreatePatternBrush(pattern);
    SelectObject(dst.dc, brush);
    // A monochrome pattern paints its 0 bits in the text colour and 1 bits in the background colour.
    SetTextColor(dst.dc, kBlack);
    SetBkColor(dst.dc, kWhite);
  }
  ~RopTable() {
    SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    DeleteObject(pattern);
  }
  std::string Run(DWORD rop) {
    for (int i = 0; i < 8; ++i) {
      SetPixel(dst.dc, i, 0, (i & 1) ? kWhite : kBlack);
      SetPixel(src.dc, i, 0, (i & 2) ? kWhite : kBlack);
    }
    EXPECT_TRUE(BitBlt(dst.dc, 0, 0, 8, 1, src.dc, 0, 0, rop));
    std::string bits;
    for (int i = 0; i < 8; ++i)
      bits += dst.At(i, 0) == kWhite ? '1' : dst.At(i, 0) == kBlack ? '0' : '?';
    return bits;
  }
  Canvas dst, src;
  HBITMAP pattern;
  HBRUSH brush;
};

std::string TruthTable(unsigned code) {
  std::string bits;
  for (int i = 0; i < 8; ++i)
    bits += (code >> i) & 1 ? '1' : '0';
  return bits;
}

TEST(RasterOps, NamedCodesFollowTheirFormulas) {
  struct Case {
    const char* name;
    DWORD rop;
    bool (*f)(bool p, bool s, bool d);
  };
  const Case cases[] = {
      {"SRCCOPY", SRCCOPY, [](bool, bool s, bool) { return s; }},
      {"SRCPAINT", SRCPAINT, [](bool, bool s, bool d) { return s || d; }},
      {"SRCAND", SRCAND, [](bool, bool s, bool d) { return s && d; }},
      {"SRCINVERT", SRCINVERT, [](bool, bool s, bool d) { return s != d; }},
      {"SRCERASE", SRCERASE, [](bool, bool s, bool d) { return s && !d; }},
      {"NOTSRCCOPY", NOTSRCCOPY, [](bool, bool s, bool) { return !s; }},
      {"NOTSRCERASE", NOTSRCERASE, [](bool, bool s, bool d) { return !(s || d); }},
      {"MERGECOPY", MERGECOPY, [](bool p, bool s, bool) { return p && s; }},
      {"MERGEPAINT", MERGEPAINT, [](bool, bool s, bool d) { return !s || d; }},
      {"PATCOPY", PATCOPY, [](bool p, bool, bool) { return p; }},
      {"PATPAINT", PATPAINT, [](bool p, bool s, bool d) { return p || !s || d; }},
      {"PATINVERT", PATINVERT, [](bool p, bool, bool d) { return p != d; }},
      {"DSTINVERT", DSTINVERT, [](bool, bool, bool d) { return !d; }},
      {"BLACKNESS", BLACKNESS, [](bool, bool, bool) { return false; }},
      {"WHITENESS", WHITENESS, [](bool, bool, bool) { return true; }},
  };
  RopTable table;
  for (const Case& c : cases) {
    std::string expected;
    for (int i = 0; i < 8; ++i)
      expected += c.f(i & 4, i & 2, i & 1) ? '1' : '0';
    EXPECT_EQ(table.Run(c.rop), expected) << c.name;
  }
}

TEST(RasterOps, EveryTernaryCodeAppliesItsTruthTable) {
  RopTable table;
  for (unsigned code = 0; code < 256; ++code)
    ASSERT_EQ(table.Run(DWORD(code) << 16), TruthTable(code)) << "code " << code;
}

TEST(RasterOps, PatBltRefusesCodesThatNeedASource) {
  Canvas c(4, 4);
  EXPECT_FALSE(PatBlt(c.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_TRUE(PatBlt(c.dc, 0, 0, 4, 4, BLACKNESS));
  EXPECT_EQ(c.Count(kBlack), 16);
  // Negative extents count back from the given corner.
  EXPECT_TRUE(PatBlt(c.dc, 4, 4, -2, -2, WHITENESS));
  EXPECT_EQ(c.Picture(kBW), "####\n####\n##..\n##..\n");
}

TEST(RasterOps, BinaryRopsOfPens) {
  struct Case {
    int rop2;
    COLORREF expectOnWhite, expectOnBlack;
  };
  // A red pen over white and over black.
  const Case cases[] = {
      {R2_BLACK, kBlack, kBlack}, {R2_WHITE, kWhite, kWhite},
      {R2_COPYPEN, kRed, kRed},   {R2_NOTCOPYPEN, RGB(0, 255, 255), RGB(0, 255, 255)},
      {R2_NOT, kBlack, kWhite},   {R2_XORPEN, RGB(0, 255, 255), kRed},
      {R2_MASKPEN, kRed, kBlack}, {R2_MERGEPEN, kWhite, kRed},
      {R2_NOP, kWhite, kBlack},   {R2_NOTXORPEN, kRed, RGB(0, 255, 255)},
  };
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  for (const Case& c : cases) {
    Canvas canvas(4, 2);
    SetPixel(canvas.dc, 0, 1, kBlack);
    SetPixel(canvas.dc, 1, 1, kBlack);
    SelectObject(canvas.dc, red);
    SetROP2(canvas.dc, c.rop2);
    MoveToEx(canvas.dc, 0, 0, nullptr);
    LineTo(canvas.dc, 2, 0);
    MoveToEx(canvas.dc, 0, 1, nullptr);
    LineTo(canvas.dc, 2, 1);
    EXPECT_EQ(canvas.At(0, 0), c.expectOnWhite) << c.rop2;
    EXPECT_EQ(canvas.At(1, 1), c.expectOnBlack) << c.rop2;
    EXPECT_EQ(canvas.At(2, 0), kWhite) << "last pixel excluded, rop " << c.rop2;
    SelectObject(canvas.dc, GetStockObject(BLACK_PEN));
  }
  DeleteObject(red);
}

TEST(Blits, MonochromeSourceTakesTheDestinationColours) {
  Canvas mono(4, 1, kBlack, 1);
  SetPixel(mono.dc, 1, 0, kWhite);
  SetPixel(mono.dc, 3, 0, kWhite);
  Canvas colour(4, 1);
  SetTextColor(colour.dc, kRed);         // for 0 bits
  SetBkColor(colour.dc, RGB(0, 0, 255)); // for 1 bits
  BitBlt(colour.dc, 0, 0, 4, 1, mono.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(colour.At(0, 0), kRed);
  EXPECT_EQ(colour.At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(colour.At(2, 0), kRed);
}

TEST(Blits, ColourToMonochromeMarksTheSourceBackgroundColourWhite) {
  Canvas colour(4, 1, RGB(10, 20, 30));
  SetPixel(colour.dc, 2, 0, RGB(200, 200, 200));
  SetPixel(colour.dc, 3, 0, kWhite);
  SetBkColor(colour.dc, RGB(10, 20, 30));
  Canvas mono(4, 1, kBlack, 1);
  BitBlt(mono.dc, 0, 0, 4, 1, colour.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(mono.Picture(kBW), "..##\n");
}

TEST(Blits, CopyKeepsToTheClipAndTheSourceBounds) {
  Canvas src(4, 4, kBlack);
  Canvas dst(8, 8);
  IntersectClipRect(dst.dc, 0, 0, 8, 3);
  // Source rows 0..3 exist only; the part of the destination fed from outside the source stays.
  BitBlt(dst.dc, 2, 1, 6, 6, src.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(dst.Picture(kBW), "........\n"
                              "..####..\n"
                              "..####..\n"
                              "........\n"
                              "........\n"
                              "........\n"
                              "........\n"
                              "........\n");
}

TEST(Blits, OverlappingMoveOnOneSurface) {
  Canvas c(6, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      SetPixel(c.dc, x, y, RGB(x * 10, y * 10, 0));
  BitBlt(c.dc, 1, 1, 5, 5, c.dc, 0, 0, SRCCOPY);
  for (int y = 1; y < 6; ++y)
    for (int x = 1; x < 6; ++x)
      ASSERT_EQ(c.At(x, y), RGB((x - 1) * 10, (y - 1) * 10, 0)) << x << "," << y;
  BitBlt(c.dc, 0, 0, 5, 5, c.dc, 1, 1, SRCCOPY);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      ASSERT_EQ(c.At(x, y), RGB(x * 10, y * 10, 0)) << x << "," << y;
}

TEST(Blits, StretchAndMirror) {
  Canvas src(2, 1);
  SetPixel(src.dc, 0, 0, kBlack);
  Canvas dst(4, 2);
  StretchBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dst.Picture(kBW), "##..\n##..\n");
  // A negative source width runs leftwards from the given edge: [0, 2) read right to left.
  StretchBlt(dst.dc, 0, 0, 4, 1, src.dc, 2, 0, -2, 1, SRCCOPY);
  EXPECT_EQ(dst.Picture(kBW), "..##\n##..\n");
}

TEST(Blits, MaskBltPicksForegroundOrBackgroundOperationPerMaskBit) {
  Canvas src(4, 1, kBlack);
  Canvas dst(4, 1);
  Canvas mask(4, 1, kBlack, 1);
  SetPixel(mask.dc, 0, 0, kWhite);
  SetPixel(mask.dc, 2, 0, kWhite);
  // Foreground SRCCOPY where the mask is 1, background "keep destination" where it is 0.
  EXPECT_TRUE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, mask.bitmap, 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
  EXPECT_EQ(dst.Picture(kBW), "#.#.\n");
  // A colour mask is refused.
  Canvas colourMask(4, 1);
  EXPECT_FALSE(MaskBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, colourMask.bitmap, 0, 0, SRCCOPY));
}

TEST(Blits, TransparentBltSkipsTheKeyColour) {
  Canvas src(3, 1, kRed);
  SetPixel(src.dc, 1, 0, kBlack);
  Canvas dst(3, 1);
  TransparentBlt(dst.dc, 0, 0, 3, 1, src.dc, 0, 0, 3, 1, kRed);
  EXPECT_EQ(dst.Picture(kBW), ".#.\n");
}

} // namespace
