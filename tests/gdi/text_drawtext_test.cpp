#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "tests/gdi/text_test_support.h"

namespace {

// The test font at height 13: 13-pixel lines, most characters 6 wide, "il.,:;'!|" 3, "MW" 9; "..." is 9.
constexpr int lh = 13, boxTop = 2;

struct Calc {
  RECT rect;
  int height;
};

Calc CalcRect(HDC dc, const char* text, RECT rect, UINT flags, DRAWTEXTPARAMS* params = nullptr) {
  int h = DrawTextExA(dc, text, -1, &rect, flags | DT_CALCRECT, params);
  return {rect, h};
}

TEST(DrawTextCalcRect, SingleAndWrappedLines) {
  TextCanvas canvas(8, 8);
  struct Case {
    const char* text;
    RECT in;
    UINT flags;
    RECT out;
    int height;
  } cases[] = {
      {"abc", {10, 10, 100, 100}, DT_SINGLELINE, {10, 10, 28, 23}, lh},
      {"abc", {10, 10, 12, 12}, DT_SINGLELINE, {10, 10, 28, 23}, lh}, // grows
      {"abc", {10, 10, 100, 100}, 0, {10, 10, 28, 23}, lh},
      // Left-aligned text keeps the space that fits at the end of the line.
      {"aaa bbb ccc", {0, 0, 40, 0}, DT_WORDBREAK, {0, 0, 24, 3 * lh}, 3 * lh},
      // Centred text breaks before it.
      {"aaa bbb ccc", {0, 0, 40, 0}, DT_WORDBREAK | DT_CENTER, {0, 0, 18, 3 * lh}, 3 * lh},
      // One space after the break is swallowed: left "aaa  " / "bbb"; centred "aaa " / " bbb".
      {"aaa   bbb", {0, 0, 30, 0}, DT_WORDBREAK, {0, 0, 30, 2 * lh}, 2 * lh},
      {"aaa   bbb", {0, 0, 30, 0}, DT_WORDBREAK | DT_CENTER, {0, 0, 24, 2 * lh}, 2 * lh},
      // A word wider than the rectangle overflows unless the edit-control rule splits it.
      {"abcdefghij", {0, 0, 20, 0}, DT_WORDBREAK, {0, 0, 57, lh}, lh},
      {"abcdefghij", {0, 0, 20, 0}, DT_WORDBREAK | DT_EDITCONTROL, {0, 0, 18, 4 * lh}, 4 * lh},
      {"abcdefghij", {0, 0, 3, 0}, DT_WORDBREAK | DT_EDITCONTROL, {0, 0, 6, 10 * lh}, 10 * lh},
      // Word break is ignored on a single line, where line breaks are ordinary characters.
      {"aaa bbb\nc", {0, 0, 20, 0}, DT_WORDBREAK | DT_SINGLELINE, {0, 0, 54, lh}, lh},
      // CR, LF, CR LF and LF CR each end a line; two breaks make an empty line.
      {"a\r\nb\n\rc\rd\ne", {0, 0, 100, 0}, 0, {0, 0, 6, 5 * lh}, 5 * lh},
      {"a\r\n\r\nbb", {0, 0, 100, 0}, 0, {0, 0, 12, 3 * lh}, 3 * lh},
      {"a\n", {0, 0, 100, 0}, 0, {0, 0, 6, lh}, lh},
      {"ab\ncd", {0, 0, 100, 0}, DT_EXTERNALLEADING, {0, 0, 12, 2 * (lh + 1)}, 2 * (lh + 1)},
      // Tabs: stops every 8 average widths.
      {"a\tb", {0, 0, 100, 0}, DT_EXPANDTABS, {0, 0, 54, lh}, lh},
      {"a\tb", {0, 0, 100, 0}, 0, {0, 0, 18, lh}, lh},
      // Prefixes: the marker is not measured, a doubled one shows once, a trailing one shows.
      {"&File", {0, 0, 100, 0}, DT_SINGLELINE, {0, 0, 18, lh}, lh},
      {"a&&b", {0, 0, 100, 0}, DT_SINGLELINE, {0, 0, 18, lh}, lh},
      {"ab&", {0, 0, 100, 0}, DT_SINGLELINE, {0, 0, 18, lh}, lh},
      {"&File", {0, 0, 100, 0}, DT_SINGLELINE | DT_NOPREFIX, {0, 0, 24, lh}, lh},
      // Ellipses: as many characters as fit before "..." (which stays even when it alone overflows).
      {"abcdefghij", {0, 0, 40, 0}, DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 39, lh}, lh},
      {"abcdefghij", {0, 0, 5, 0}, DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 9, lh}, lh},
      {"abcdef", {0, 0, 40, 0}, DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 36, lh}, lh},
      {"abcdefghij", {0, 0, 40, 0}, DT_SINGLELINE | DT_WORD_ELLIPSIS, {0, 0, 39, lh}, lh},
      // Path: "c:\dir\file.txt" keeps "\file.txt" (45) and as much of the head as fits before "...".
      {"c:\\dir\\file.txt", {0, 0, 60, 0}, DT_SINGLELINE | DT_PATH_ELLIPSIS, {0, 0, 60, lh}, lh},
      {"c:\\dir\\file.txt", {0, 0, 100, 0}, DT_SINGLELINE | DT_PATH_ELLIPSIS, {0, 0, 75, lh}, lh},
      {"c:\\dir\\file.txt",
       {0, 0, 40, 0},
       DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_END_ELLIPSIS,
       {0, 0, 36, lh},
       lh},
      {"nofolder.txt", {0, 0, 30, 0}, DT_SINGLELINE | DT_PATH_ELLIPSIS, {0, 0, 66, lh}, lh},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " flags " + std::to_string(c.flags));
    Calc r = CalcRect(canvas.dc(), c.text, c.in, c.flags);
    EXPECT_EQ(r.rect, c.out);
    EXPECT_EQ(r.height, c.height);
  }
  EXPECT_EQ(canvas.InkCount(), 0); // measuring draws nothing
}

TEST(DrawTextCalcRect, EmptyTextAndZeroCount) {
  TextCanvas canvas(8, 8);
  RECT r{5, 5, 50, 50};
  EXPECT_EQ(DrawTextA(canvas.dc(), "", -1, &r, DT_CALCRECT), lh);
  EXPECT_EQ(r, (RECT{5, 5, 5, 5}));
  r = {5, 5, 50, 50};
  EXPECT_EQ(DrawTextA(canvas.dc(), "", -1, &r, DT_CALCRECT | DT_SINGLELINE), lh);
  EXPECT_EQ(r, (RECT{5, 5, 5, 5 + lh}));
  r = {5, 5, 50, 50};
  EXPECT_EQ(DrawTextA(canvas.dc(), "abc", 0, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r, (RECT{5, 5, 50, 50}));
  EXPECT_EQ(DrawTextA(canvas.dc(), "abc", 3, nullptr, 0), 0);
  EXPECT_EQ(DrawTextA(nullptr, "abc", 3, &r, 0), 0);
  // A count shorter than the text measures only the counted characters.
  EXPECT_EQ(DrawTextA(canvas.dc(), "abcdef", 2, &r, DT_CALCRECT | DT_SINGLELINE), lh);
  EXPECT_EQ(r.right, 5 + 12);
}

TEST(DrawTextCalcRect, MarginsAndLengthDrawn) {
  TextCanvas canvas(8, 8);
  DRAWTEXTPARAMS params;
  params.iLeftMargin = 5;
  params.iRightMargin = 7;
  Calc r = CalcRect(canvas.dc(), "aaa bbb", {0, 0, 42, 0}, DT_WORDBREAK, &params);
  // 30 pixels remain between the margins: "aaa " / "bbb".
  EXPECT_EQ(r.rect, (RECT{0, 0, 5 + 24 + 7, 2 * lh}));
  EXPECT_EQ(params.uiLengthDrawn, 7u);
  params.iTabLength = 2;
  params.iLeftMargin = params.iRightMargin = 0;
  r = CalcRect(canvas.dc(), "a\tb", {0, 0, 100, 0}, DT_EXPANDTABS | DT_TABSTOP, &params);
  EXPECT_EQ(r.rect.right, 18);
}

TEST(DrawTextOutput, AlignmentAndReturnValue) {
  struct Case {
    UINT flags;
    int x, y; // top-left of the drawn cell of "ab" in the rectangle (0, 0, 40, 40)
    int result;
  } cases[] = {
      {DT_SINGLELINE, 0, 0, lh},
      {DT_SINGLELINE | DT_CENTER, 14, 0, lh},
      {DT_SINGLELINE | DT_RIGHT, 28, 0, lh},
      {DT_SINGLELINE | DT_VCENTER, 0, 20 - 6, 20 - 6 + lh},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 28, 40 - lh, 40},
      {DT_VCENTER | DT_BOTTOM, 0, 0, lh}, // vertical alignment needs a single line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    TextCanvas canvas(40, 40);
    SetBkMode(canvas.dc(), TRANSPARENT);
    RECT r{0, 0, 40, 40};
    EXPECT_EQ(DrawTextA(canvas.dc(), "ab", -1, &r, c.flags), c.result);
    EXPECT_EQ(canvas.InkBox(), (RECT{c.x, c.y + boxTop, c.x + 11, c.y + 10}));
    EXPECT_EQ(r, (RECT{0, 0, 40, 40}));
  }
  // Text pushed entirely above the rectangle still answers a positive height.
  TextCanvas canvas(40, 40);
  RECT flat{0, 10, 40, 10};
  EXPECT_EQ(DrawTextA(canvas.dc(), "ab", -1, &flat, DT_SINGLELINE | DT_BOTTOM), 1);
}

TEST(DrawTextOutput, ClippingAndPartialLines) {
  TextCanvas canvas(80, 40);
  HDC dc = canvas.dc();
  SetBkMode(dc, TRANSPARENT);
  RECT r{0, 0, 20, 40};
  DrawTextA(dc, "abcdef", -1, &r, DT_SINGLELINE);
  EXPECT_EQ(canvas.InkBox().right, 20);
  canvas.Clear();
  DrawTextA(dc, "abcdef", -1, &r, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(canvas.InkBox().right, 35);

  // A half-visible last line is drawn and clipped, except in edit-control mode.
  canvas.Clear();
  r = {0, 0, 40, 20};
  EXPECT_EQ(DrawTextA(dc, "a\nb\nc", -1, &r, 0), 2 * lh);
  EXPECT_TRUE(canvas.Ink(0, lh + boxTop));
  EXPECT_EQ(canvas.InkBox().bottom, 20);
  canvas.Clear();
  EXPECT_EQ(DrawTextA(dc, "a\nb\nc", -1, &r, DT_EDITCONTROL), lh);
  EXPECT_EQ(canvas.InkBox().bottom, 10);
}

TEST(DrawTextOutput, EndEllipsisMarksTheLastVisibleLineWhenTextFollows) {
  TextCanvas canvas(60, 40);
  HDC dc = canvas.dc();
  SetBkMode(dc, TRANSPARENT);
  RECT r{0, 0, 40, 2 * lh};
  DRAWTEXTPARAMS params;
  EXPECT_EQ(DrawTextExA(dc, "aaa bbb ccc", -1, &r, DT_WORDBREAK | DT_END_ELLIPSIS, &params), 2 * lh);
  EXPECT_EQ(params.uiLengthDrawn, 8u);
  // Second line "bbb " + "...": dots are 2-pixel boxes at 24, 27 and 30.
  const int y = lh + boxTop;
  EXPECT_TRUE(canvas.Ink(18, y) == false);
  for (int x : {24, 25, 27, 28, 30, 31})
    EXPECT_TRUE(canvas.Ink(x, y)) << x;
  for (int x : {26, 29, 32})
    EXPECT_FALSE(canvas.Ink(x, y)) << x;
}

TEST(DrawTextOutput, PrefixUnderlineAndItsVariants) {
  struct Case {
    UINT flags;
    bool text, underline;
  } cases[] = {
      {0, true, true},
      {DT_HIDEPREFIX, true, false},
      {DT_PREFIXONLY, false, true},
      {DT_NOPREFIX, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    TextCanvas canvas(60, 20);
    SetBkMode(canvas.dc(), TRANSPARENT);
    RECT r{0, 0, 60, 20};
    DrawTextA(canvas.dc(), "a&bc", -1, &r, DT_SINGLELINE | c.flags);
    // "b" is the second shown character: the underline runs under x 6..10 on row ascent + 1.
    EXPECT_EQ(canvas.Ink(0, boxTop), c.text);
    for (int x = 6; x <= 10; ++x)
      EXPECT_EQ(canvas.Ink(x, 11), c.underline) << x;
    EXPECT_FALSE(canvas.Ink(5, 11));
    EXPECT_FALSE(canvas.Ink(11, 11));
  }
}

TEST(DrawTextOutput, TabsAndOpaqueBackground) {
  TextCanvas canvas(80, 20);
  HDC dc = canvas.dc();
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 255, 0));
  RECT r{0, 0, 80, 20};
  DrawTextA(dc, "a\tb", -1, &r, DT_EXPANDTABS | DT_SINGLELINE);
  EXPECT_EQ(canvas.Pixel(0, boxTop), 0u);
  EXPECT_EQ(canvas.Pixel(48, boxTop), 0u);
  EXPECT_EQ(canvas.Pixel(0, 0), 0x00FF00u);  // the cells of the runs are filled
  EXPECT_EQ(canvas.Pixel(20, 0), 0xFFFFFFu); // the tab's gap is not

  // DT_TABSTOP takes the characters per tab from bits 8 to 15, which then carry no other flag (2 << 8 is
  // also DT_EXTERNALLEADING).
  canvas.Clear();
  SetBkMode(dc, TRANSPARENT);
  EXPECT_EQ(DrawTextA(dc, "a\tb\nc", -1, &r, DT_EXPANDTABS | DT_TABSTOP | (2 << 8)), 2 * lh);
  EXPECT_TRUE(canvas.Ink(12, boxTop));
  EXPECT_FALSE(canvas.Ink(11, boxTop));
}

TEST(DrawTextOutput, WideAndEightBitTextAgree) {
  TextCanvas a(80, 20), w(80, 20);
  RECT r{0, 0, 80, 20};
  DrawTextA(a.dc(), "\xDDstanbul", -1, &r, DT_SINGLELINE);
  DrawTextW(w.dc(), reinterpret_cast<const WCHAR*>(u"\u0130stanbul"), -1, &r, DT_SINGLELINE);
  EXPECT_GT(a.InkCount(), 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x)
      ASSERT_EQ(a.Pixel(x, y), w.Pixel(x, y));
}

} // namespace

namespace {

TEST(DrawTextRobustness, LongTextAndAbsurdArguments) {
  TextCanvas canvas(8, 8);
  std::string text;
  for (int i = 0; i < 5000; ++i)
    text += "ab ";
  Calc r = CalcRect(canvas.dc(), text.c_str(), {0, 0, 20, 0}, DT_WORDBREAK);
  EXPECT_EQ(r.rect, (RECT{0, 0, 18, 5000 * lh}));

  for (int height : {INT_MIN, INT_MAX, -100000}) {
    for (const char* face : {TestFontFace, "Tahoma"}) {
      TextCanvas huge(8, 8, face, height);
      TEXTMETRICA tm;
      ASSERT_TRUE(GetTextMetricsA(huge.dc(), &tm));
      EXPECT_GT(tm.tmHeight, 100);
      EXPECT_LE(tm.tmHeight, 2000);
    }
  }
  // Tab lengths and margins from a caller's parameter block are taken as they come; extreme ones must not
  // wrap the layout's arithmetic (the sanitizer build stops on signed overflow).
  struct Params {
    int tabLength, leftMargin, rightMargin;
  } blocks[] = {
      {INT_MAX, 0, 0}, {INT_MIN, 0, 0}, {0, INT_MAX, INT_MAX}, {0, INT_MIN, INT_MIN}, {8, INT_MAX, 0}};
  for (const Params& b : blocks) {
    DRAWTEXTPARAMS params{};
    params.cbSize = sizeof params;
    params.iTabLength = b.tabLength;
    params.iLeftMargin = b.leftMargin;
    params.iRightMargin = b.rightMargin;
    const std::string what = std::to_string(b.tabLength) + "/" + std::to_string(b.leftMargin);
    Calc c = CalcRect(canvas.dc(), "a\tb\tc\td", {0, 0, 100, 0}, DT_EXPANDTABS | DT_TABSTOP, &params);
    EXPECT_EQ(c.height, lh) << what;
    if (b.leftMargin >= 0 && b.rightMargin >= 0) {
      EXPECT_GE(c.rect.right, c.rect.left) << what;
    }
    RECT box{0, 0, 8, 8};
    EXPECT_EQ(
        DrawTextExA(canvas.dc(), "a\tb\tc", -1, &box, DT_EXPANDTABS | DT_TABSTOP | DT_WORDBREAK, &params), lh)
        << what;
  }

  const int stops[] = {INT_MIN, INT_MAX};
  EXPECT_NE(GetTabbedTextExtentA(canvas.dc(), "a\tb\tc", 5, 2, stops), 0u);
  EXPECT_NE(GetTabbedTextExtentA(canvas.dc(), "a\tb", 3, 1, stops), 0u);
}

} // namespace
