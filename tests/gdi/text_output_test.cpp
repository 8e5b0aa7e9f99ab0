#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "tests/gdi/text_test_support.h"

namespace {

// The test font at height 13: ascent 10, em rows 2..9 of the cell, 'a' a box 5 wide in a 6-pixel advance.
constexpr int boxTop = 2, boxBottom = 10;

TEST(TextExtent, ExPointReportsFitAndCumulativeExtents) {
  TextCanvas canvas(8, 8);
  struct Case {
    const char* text;
    int max;
    int fit;
    std::vector<int> dx;
  } cases[] = {
      {"abcdef", 17, 2, {6, 12, 18, 24, 30, 36}},
      {"abcdef", 18, 3, {6, 12, 18, 24, 30, 36}},
      {"abcdef", 0, 0, {6, 12, 18, 24, 30, 36}},
      {"abcdef", -1, 0, {6, 12, 18, 24, 30, 36}},
      {"iMa", 12, 2, {3, 12, 18}},
      {"", 10, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " max " + std::to_string(c.max));
    int n = int(std::strlen(c.text));
    int fit = -1;
    std::vector<int> dx(size_t(n), -1);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentExPointA(canvas.dc(), c.text, n, c.max, &fit, dx.data(), &size));
    EXPECT_EQ(fit, c.fit);
    EXPECT_EQ(dx, c.dx);
    EXPECT_EQ(size.cx, n ? c.dx.back() : 0);
    EXPECT_EQ(size.cy, 13);
  }
  SIZE size;
  EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc(), "abc", -1, &size));
  EXPECT_FALSE(GetTextExtentPoint32A(nullptr, "abc", 3, &size));
}

TEST(TextExtent, CharacterExtraAndJustificationWidenTheText) {
  TextCanvas canvas(8, 8);
  HDC dc = canvas.dc();
  EXPECT_EQ(SetTextCharacterExtra(dc, 2), 0);
  EXPECT_EQ(GetTextCharacterExtra(dc), 2);
  EXPECT_EQ(canvas.Extent("abc").cx, 24);
  SetTextCharacterExtra(dc, 0);

  // Five extra units over two breaks: the first space takes the remainder.
  ASSERT_TRUE(SetTextJustification(dc, 5, 2));
  int dx[5];
  SIZE size;
  GetTextExtentExPointA(dc, "a b c", 5, 0, nullptr, dx, &size);
  EXPECT_EQ(size.cx, 35);
  EXPECT_EQ(std::vector<int>(dx, dx + 5), (std::vector<int>{6, 15, 21, 29, 35}));
  // Every call starts the remainder afresh.
  EXPECT_EQ(canvas.Extent("a b c").cx, 35);
  SetTextJustification(dc, 0, 0);
  EXPECT_EQ(canvas.Extent("a b c").cx, 30);
}

TEST(TextExtent, TabbedExtentFollowsTheTabStops) {
  TextCanvas canvas(8, 8);
  struct Case {
    const char* text;
    std::vector<int> stops;
    int width;
  } cases[] = {
      {"a\tb", {}, 54},             // default stops every 8 average widths (48)
      {"a\tb\tc", {20}, 46},        // one stop: every 20
      {"a\tb\tc\td", {10, 30}, 54}, // listed stops, then the default spacing
      {"a\tbb", {-40, 90}, 40},     // right-aligned to 40
      {"a\tbb", {-40}, 52},         // a single stop is a spacing; its sign does not matter
      {"abc", {}, 18},
  };
  for (const auto& c : cases) {
    DWORD r = GetTabbedTextExtentA(canvas.dc(), c.text, int(std::strlen(c.text)), int(c.stops.size()),
                                   c.stops.empty() ? nullptr : c.stops.data());
    EXPECT_EQ(LOWORD(r), c.width) << c.text;
    EXPECT_EQ(HIWORD(r), 13) << c.text;
  }
}

TEST(TextOut, AlignmentPlacesTheReferencePoint) {
  struct Case {
    UINT align;
    int left, top; // of the first box for text "ab" (12 wide) drawn at (30, 20)
  } cases[] = {
      {TA_LEFT | TA_TOP, 30, 20 + boxTop},           {TA_RIGHT | TA_TOP, 18, 20 + boxTop},
      {TA_CENTER | TA_TOP, 24, 20 + boxTop},         {TA_LEFT | TA_BOTTOM, 30, 20 - 13 + boxTop},
      {TA_LEFT | TA_BASELINE, 30, 20 - 10 + boxTop}, {TA_CENTER | TA_BASELINE, 24, 20 - 10 + boxTop},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.align);
    TextCanvas canvas(60, 40);
    EXPECT_EQ(SetTextAlign(canvas.dc(), c.align), 0u);
    SetBkMode(canvas.dc(), TRANSPARENT);
    ASSERT_TRUE(TextOutA(canvas.dc(), 30, 20, "ab", 2));
    EXPECT_EQ(canvas.InkBox(), (RECT{c.left, c.top, c.left + 11, c.top + boxBottom - boxTop}));
    EXPECT_FALSE(canvas.Ink(c.left + 5, c.top)); // the one-pixel gap between the boxes
    EXPECT_EQ(GetTextAlign(canvas.dc()), c.align);
  }
}

TEST(TextOut, UpdateCurrentPositionContinuesTheText) {
  TextCanvas canvas(80, 20);
  HDC dc = canvas.dc();
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 10, 3, nullptr);
  TextOutA(dc, 0, 0, "ab", 2);
  TextOutA(dc, 0, 0, "c", 1);
  POINT cp;
  GetCurrentPositionEx(dc, &cp);
  EXPECT_EQ(cp, (POINT{28, 3}));
  EXPECT_EQ(canvas.InkBox(), (RECT{10, 3 + boxTop, 27, 3 + boxBottom}));
  SetTextAlign(dc, TA_UPDATECP | TA_RIGHT);
  TextOutA(dc, 0, 0, "ab", 2);
  GetCurrentPositionEx(dc, &cp);
  EXPECT_EQ(cp, (POINT{16, 3}));
}

TEST(TextOut, BackgroundModesAndRectangleOptions) {
  const COLORREF red = RGB(255, 0, 0);
  const std::uint32_t redPixel = 0xFF0000, white = 0xFFFFFF, black = 0;
  TextCanvas canvas(60, 30);
  HDC dc = canvas.dc();
  SetBkColor(dc, red);

  // Opaque mode fills each character cell.
  SetBkMode(dc, OPAQUE);
  TextOutA(dc, 10, 5, "a", 1);
  EXPECT_EQ(canvas.Pixel(10, 5), redPixel);
  EXPECT_EQ(canvas.Pixel(15, 17), redPixel);
  EXPECT_EQ(canvas.Pixel(16, 5), white);
  EXPECT_EQ(canvas.Pixel(10, 18), white);
  EXPECT_EQ(canvas.Pixel(10, 5 + boxTop), black);

  // ETO_OPAQUE fills the rectangle even in transparent mode; ETO_CLIPPED keeps the glyphs inside it.
  canvas.Clear();
  SetBkMode(dc, TRANSPARENT);
  RECT r{0, 0, 13, 30};
  ExtTextOutA(dc, 10, 5, ETO_OPAQUE | ETO_CLIPPED, &r, "a", 1, nullptr);
  EXPECT_EQ(canvas.Pixel(0, 0), redPixel);
  EXPECT_EQ(canvas.Pixel(12, 29), redPixel);
  EXPECT_EQ(canvas.Pixel(12, 5 + boxTop), black);
  EXPECT_EQ(canvas.Pixel(13, 5 + boxTop), white);

  // Without an option the rectangle is ignored.
  canvas.Clear();
  ExtTextOutA(dc, 10, 5, 0, &r, "a", 1, nullptr);
  EXPECT_EQ(canvas.Pixel(0, 0), white);
  EXPECT_EQ(canvas.Pixel(14, 5 + boxTop), black);
}

TEST(TextOut, ExplicitAdvancesPlaceEachCharacter) {
  TextCanvas canvas(60, 20);
  const int dx[] = {10, 6};
  SetBkMode(canvas.dc(), TRANSPARENT);
  ExtTextOutA(canvas.dc(), 0, 0, 0, nullptr, "ab", 2, dx);
  EXPECT_TRUE(canvas.Ink(4, boxTop));
  EXPECT_FALSE(canvas.Ink(6, boxTop));
  EXPECT_FALSE(canvas.Ink(9, boxTop));
  EXPECT_TRUE(canvas.Ink(10, boxTop));
  EXPECT_EQ(canvas.InkBox().right, 15);
}

TEST(TextOut, ClipRegionOriginAndMonochromeTargets) {
  TextCanvas canvas(60, 20);
  HDC dc = canvas.dc();
  SetBkMode(dc, TRANSPARENT);
  IntersectClipRect(dc, 0, 0, 13, 20);
  TextOutA(dc, 0, 0, "abc", 3);
  EXPECT_EQ(canvas.InkBox(), (RECT{0, boxTop, 13, boxBottom}));
  SelectClipRgn(dc, nullptr);

  canvas.Clear();
  SetWindowOrgEx(dc, -20, -4, nullptr);
  TextOutA(dc, 0, 0, "a", 1);
  EXPECT_EQ(canvas.InkBox(), (RECT{20, 4 + boxTop, 25, 4 + boxBottom}));

  // On a monochrome bitmap anti-aliased edges become black or white.
  HDC mono = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(60, 30, 1, 1, nullptr);
  SelectObject(mono, bitmap);
  HFONT font = CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  SelectObject(mono, font);
  GetDCSurface(mono)->Fill(0xFFFFFF);
  SetBkMode(mono, TRANSPARENT);
  TextOutA(mono, 2, 2, "Og", 2);
  int black = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) {
      std::uint32_t p = GetDCSurface(mono)->Pixel(x, y);
      ASSERT_TRUE(p == 0 || p == 0xFFFFFF) << std::hex << p;
      black += p == 0;
    }
  EXPECT_GT(black, 20);
  DeleteDC(mono);
  DeleteObject(bitmap);
  DeleteObject(font);
}

TEST(TextOut, UnderlineAndStrikeOutRunUnderTheWholeText) {
  TextCanvas canvas(60, 20, nullptr);
  HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 1, 1, DEFAULT_CHARSET, 0, 0, 0, 0, TestFontFace);
  SelectObject(canvas.dc(), font);
  SetBkMode(canvas.dc(), TRANSPARENT);
  TextOutA(canvas.dc(), 0, 0, "a b", 3);
  for (int x = 0; x < 18; ++x) {
    EXPECT_TRUE(canvas.Ink(x, 10)) << x;     // underline: the row below the baseline
    EXPECT_TRUE(canvas.Ink(x, 10 - 3)) << x; // strike-out: a third of the em above the baseline
  }
  EXPECT_FALSE(canvas.Ink(18, 10));
  EXPECT_FALSE(canvas.Ink(8, 11));
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

TEST(TabbedTextOut, RunsStartAtTheStopsAndOpaqueFillsTheGaps) {
  TextCanvas canvas(80, 20);
  HDC dc = canvas.dc();
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 255));
  const int stops[] = {20, -50};
  LONG r = TabbedTextOutA(dc, 5, 0, "a\tb\tcc", 6, 2, stops, 5);
  EXPECT_EQ(LOWORD(r), 50); // the right-aligned run ends at 5 + 50
  EXPECT_EQ(HIWORD(r), 13);
  EXPECT_EQ(canvas.Pixel(5, boxTop), 0u);    // "a" at 5
  EXPECT_EQ(canvas.Pixel(25, boxTop), 0u);   // "b" at the stop 5 + 20
  EXPECT_EQ(canvas.Pixel(43, boxTop), 0u);   // "cc" from 55 - 12
  EXPECT_EQ(canvas.Pixel(15, 0), 0x0000FFu); // the gap before "b" is filled
  EXPECT_EQ(canvas.Pixel(55, 0), 0xFFFFFFu);
  EXPECT_EQ(canvas.Pixel(4, 0), 0xFFFFFFu);
}

TEST(RealFontOutput, GlyphsSitOnTheBaselineInsideTheirAdvance) {
  TextCanvas canvas(100, 40, "Tahoma", -20);
  SetBkMode(canvas.dc(), TRANSPARENT);
  TEXTMETRICA tm;
  GetTextMetricsA(canvas.dc(), &tm);
  TextOutA(canvas.dc(), 10, 5, "H", 1);
  RECT ink = canvas.InkBox();
  SIZE h = canvas.Extent("H");
  EXPECT_EQ(ink.bottom, 5 + tm.tmAscent); // the last inked row is the one above the baseline
  EXPECT_GE(ink.top, 5 + tm.tmInternalLeading - 1);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 10 + h.cx);

  // Coverage is blended: edge pixels of red text lie between white and red.
  canvas.Clear();
  SetTextColor(canvas.dc(), RGB(255, 0, 0));
  TextOutA(canvas.dc(), 10, 5, "Os", 2);
  int partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) {
      std::uint32_t p = canvas.Pixel(x, y);
      int r = int(p >> 16), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
      ASSERT_EQ(r, 255);
      ASSERT_EQ(g, b);
      partial += g > 0 && g < 255;
    }
  EXPECT_GT(partial, 10);
}

// Positions, character distances and extras come from callers unchecked; absurd ones must neither wrap the
// arithmetic (the sanitizer build stops on signed overflow) nor ink the surface from far away.
TEST(TextOutRobustness, ExtremePositionsDistancesAndExtras) {
  TextCanvas canvas(40, 20);
  const int big[] = {INT_MAX, INT_MAX, INT_MAX};
  const int mixed[] = {INT_MIN, INT_MAX, INT_MIN};
  struct Case {
    int x, y;
    UINT align;
    const int* dx;
  } cases[] = {
      {INT_MAX, 0, TA_LEFT, nullptr},
      {INT_MIN, 0, TA_RIGHT, nullptr},
      {0, INT_MIN, TA_BASELINE, nullptr},
      {0, INT_MAX, TA_BOTTOM, nullptr},
      {INT_MIN, 0, TA_CENTER, nullptr},
      {0, 0, TA_LEFT, big},
      {0, 0, TA_CENTER, big},
      {0, 0, TA_RIGHT | TA_UPDATECP, big},
      {0, 0, TA_LEFT, mixed},
  };
  for (const Case& c : cases) {
    canvas.Clear();
    SetTextAlign(canvas.dc(), c.align);
    MoveToEx(canvas.dc(), c.x, c.y, nullptr);
    EXPECT_TRUE(ExtTextOutA(canvas.dc(), c.x, c.y, 0, nullptr, "abc", 3, c.dx)) << c.x << "," << c.y;
    if (!c.dx) {
      EXPECT_EQ(canvas.InkBox(), RECT{}) << c.x << "," << c.y;
    }
  }
  SetTextAlign(canvas.dc(), TA_LEFT);

  const SIZE plain = canvas.Extent("a b c");
  for (int extra : {INT_MAX, INT_MIN}) {
    SetTextCharacterExtra(canvas.dc(), extra);
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc(), "a b c", 5, &size)) << extra;
    if (extra > 0) {
      EXPECT_GT(size.cx, plain.cx);
    }
    int fit = -1, dx[5] = {};
    EXPECT_TRUE(GetTextExtentExPointA(canvas.dc(), "a b c", 5, INT_MAX, &fit, dx, &size)) << extra;
    EXPECT_TRUE(TextOutA(canvas.dc(), 0, 0, "a b c", 5)) << extra;
    EXPECT_NE(TabbedTextOutA(canvas.dc(), INT_MAX, 0, "a\tb", 3, 0, nullptr, INT_MIN), 0) << extra;
  }
  SetTextCharacterExtra(canvas.dc(), 0);
  for (int extra : {INT_MAX, INT_MIN}) {
    SetTextJustification(canvas.dc(), extra, 1);
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(canvas.dc(), "a b c", 5, &size)) << extra;
    if (extra > 0) {
      EXPECT_GT(size.cx, plain.cx);
    }
  }
  SetTextJustification(canvas.dc(), 0, 0);
  EXPECT_EQ(canvas.Extent("a b c").cx, plain.cx);
}

} // namespace
