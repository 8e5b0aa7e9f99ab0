// The layout engine with the test font at height 13: every character 6 pixels wide except "il.,:;'!|" (3)
// and "MW" (9); a glyph is a box over columns [0, advance - 1).
#include <gtest/gtest.h>

#include <string>

#include "editors/core/cxEditUtils.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"

namespace {

class Board {
public:
  Board(int AWidth, int AHeight)
      : FDC(CreateCompatibleDC(nullptr)), FBitmap(CreateBitmap(AWidth, AHeight, 1, 32, nullptr)) {
    SelectObject(FDC, FBitmap);
    FFont = CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, TestFontFace);
    SelectObject(FDC, FFont);
    GetDCSurface(FDC)->Fill(0xFFFFFF);
  }
  ~Board() {
    DeleteDC(FDC);
    DeleteObject(FBitmap);
    DeleteObject(FFont);
  }
  HDC dc() const { return FDC; }
  std::uint32_t Pixel(int X, int Y) const { return GetDCSurface(FDC)->Pixel(X, Y) & 0xFFFFFF; }
  bool Ink(int X, int Y) const { return Pixel(X, Y) != 0xFFFFFF; }
  // The rightmost inked column in the rows [ATop, ABottom), -1 when there is none.
  int InkRight(int ATop, int ABottom) const {
    int right = -1;
    for (int y = ATop; y < ABottom; ++y)
      for (int x = 0; x < GetDCSurface(FDC)->Width(); ++x)
        if (Ink(x, y))
          right = std::max(right, x);
    return right;
  }
  int InkBottom() const {
    int bottom = -1;
    for (int y = 0; y < GetDCSurface(FDC)->Height(); ++y)
      for (int x = 0; x < GetDCSurface(FDC)->Width(); ++x)
        if (Ink(x, y))
          bottom = y;
    return bottom;
  }
  int Count(std::uint32_t AColor) const {
    int n = 0;
    for (int y = 0; y < GetDCSurface(FDC)->Height(); ++y)
      for (int x = 0; x < GetDCSurface(FDC)->Width(); ++x)
        n += Pixel(x, y) == AColor;
    return n;
  }

private:
  HDC FDC;
  HBITMAP FBitmap;
  HFONT FFont = nullptr;
};

struct Layout {
  TcxTextParams Params;
  TcxTextRows Rows;
  int Count = 0;
  bool All = false;
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (int k = 0; k < Count; ++k)
      texts.emplace_back(Rows[std::size_t(k)].Text, std::size_t(Rows[std::size_t(k)].TextLength));
    return texts;
  }
};

Layout Make(HDC ADC, const char* AText, const TRect& R, DWORD AFlags, int AMaxLineCount = 0) {
  Layout l;
  PrepareTextParams(ADC, AFlags, l.Params);
  l.All = MakeTextRows(ADC, AText, R, AMaxLineCount, l.Count, l.Rows, l.Params);
  PositionTextRows(R, l.Rows, l.Count, l.Params);
  return l;
}

using Texts = std::vector<std::string>;

class TextLayout : public testing::Test {
protected:
  void SetUp() override { cxEditUtilsInitialize(); }
  void TearDown() override { cxEditUtilsFinalize(); }
};

TEST_F(TextLayout, LineBreaking) {
  Board b(200, 100);
  struct Case {
    const char* Text;
    int Width;
    DWORD Flags;
    Texts Rows;
  };
  const Case cases[] = {
      // A word longer than the width overflows to the next break character; character break cuts it.
      {"ab abcdefghij cd", 30, CXTO_WORDBREAK, {"ab ", "abcdefghij ", "cd"}},
      {"ab abcdefghij cd", 30, CXTO_WORDBREAK | CXTO_CHARBREAK, {"ab ", "abcde", "fghij ", "cd"}},
      {"abcdefgh", 6, CXTO_WORDBREAK | CXTO_CHARBREAK, {"a", "b", "c", "d", "e", "f", "g", "h"}},
      {"abcdefgh", 3, CXTO_WORDBREAK | CXTO_CHARBREAK, {"a", "b", "c", "d", "e", "f", "g", "h"}},
      // Without word break only line breaks end rows; the width does not.
      {"aaaa bbbb cccc", 30, 0, {"aaaa bbbb cccc"}},
      // Justification breaks rows as word break does and trims their trailing blanks.
      {"aaaa bbbb cccc", 60, CXTO_JUSTIFY_HORIZONTALLY, {"aaaa bbbb", "cccc"}},
      // Line breaks: CR LF between words makes no empty row, a doubled one does; LF alone and CR alone too.
      {"ab\r\ncd", 100, CXTO_WORDBREAK, {"ab", "cd"}},
      {"ab\r\n\r\ncd", 100, CXTO_WORDBREAK, {"ab", "", "cd"}},
      {"ab\ncd\rde", 100, 0, {"ab", "cd", "de"}},
      // The row ends after the last break character met before the overflow; blanks after it are skipped.
      {"ab   cd", 18, CXTO_WORDBREAK, {"ab  ", "cd"}},
      // Single line keeps line breaks in the one row.
      {"ab\r\ncd", 100, CXTO_SINGLELINE, {"ab\r\ncd"}},
  };
  for (const Case& c : cases) {
    Layout l = Make(b.dc(), c.Text, Rect(0, 0, c.Width, 1000), c.Flags);
    EXPECT_EQ(c.Rows, l.Texts()) << c.Text << " in " << c.Width;
    EXPECT_TRUE(l.All);
    int offset = 0;
    for (int k = 0; k < l.Count; ++k) {
      const TcxTextRow& row = l.Rows[std::size_t(k)];
      EXPECT_EQ(int(row.Text - c.Text), row.StartOffset);
      EXPECT_GE(row.StartOffset, offset);
      offset = row.StartOffset;
      EXPECT_EQ(13, row.TextExtentY);
    }
  }
}

TEST_F(TextLayout, BreakCountsForJustification) {
  Board b(200, 100);
  Layout l = Make(b.dc(), "aa bb cc dd\r\nee ff", Rect(0, 0, 60, 1000), CXTO_JUSTIFY_HORIZONTALLY);
  ASSERT_EQ((Texts{"aa bb cc", "dd", "ee ff"}), l.Texts());
  EXPECT_EQ(2, l.Rows[0].BreakCount);
  EXPECT_EQ(0, l.Rows[1].BreakCount); // the last row of its paragraph stays unjustified
  EXPECT_EQ(0, l.Rows[2].BreakCount);
  Layout every = Make(b.dc(), "aa bb cc dd\r\nee ff", Rect(0, 0, 60, 1000), CXTO_DISTRIBUTE_HORIZONTALLY);
  EXPECT_EQ(1, every.Rows[2].BreakCount);
}

TEST_F(TextLayout, JustifiedRowsFillTheWidth) {
  const char* text = "aa bb cc dd\r\nee ff gg hh ii";
  for (auto [flags, lastRowFills] :
       {std::pair{CXTO_JUSTIFY_HORIZONTALLY, false}, std::pair{CXTO_DISTRIBUTE_HORIZONTALLY, true}}) {
    Board b(100, 100);
    TRect r = Rect(0, 0, 60, 100);
    TextOutLayout(b.dc(), text, r, flags);
    // Rows "aa bb cc" / "dd" / "ee ff gg" / "hh ii"; a glyph's last inked column is two before the end of its
    // advance, so a row that fills the 60 pixels inks up to column 58.
    EXPECT_EQ(58, b.InkRight(0, 13));
    EXPECT_EQ(10, b.InkRight(13, 26)); // no break character to stretch
    EXPECT_EQ(58, b.InkRight(26, 39));
    EXPECT_EQ(lastRowFills ? 58 : 22, b.InkRight(39, 52)); // "hh ii", the narrow i ending at 22
  }
}

TEST_F(TextLayout, Placement) {
  Board b(200, 200);
  const char* text = "aaaa\r\nbb\r\nc";
  struct Case {
    DWORD Flags;
    TRect R;
    std::vector<TPoint> Origins;
  };
  const Case cases[] = {
      {CXTO_LEFT | CXTO_TOP, Rect(10, 20, 110, 80), {{10, 20}, {10, 33}, {10, 46}}},
      {CXTO_CENTER_HORIZONTALLY, Rect(10, 20, 110, 80), {{48, 20}, {54, 33}, {57, 46}}},
      {CXTO_RIGHT, Rect(10, 20, 110, 80), {{86, 20}, {98, 33}, {104, 46}}},
      {CXTO_BOTTOM, Rect(0, 0, 100, 60), {{0, 21}, {0, 34}, {0, 47}}},
      {CXTO_CENTER_VERTICALLY, Rect(0, 0, 100, 60), {{0, 10}, {0, 23}, {0, 36}}},
      // Spread: (60 - 13) / 2 = 23 rem 1, the extra pixel going to the first gap.
      {CXTO_DISTRIBUTE_VERTICALLY, Rect(0, 0, 100, 60), {{0, 0}, {0, 24}, {0, 47}}},
      // Too tall to spread: the rows stay together at the top.
      {CXTO_DISTRIBUTE_VERTICALLY, Rect(0, 0, 100, 30), {{0, 0}, {0, 13}, {0, 26}}},
      // Centring a text taller than the rectangle starts above it, unless clamped; likewise to the left.
      {CXTO_CENTER_VERTICALLY, Rect(0, 0, 100, 13), {{0, -13}, {0, 0}, {0, 13}}},
      {CXTO_CENTER_VERTICALLY | CXTO_CLAMP_TOP, Rect(0, 0, 100, 13), {{0, 0}, {0, 13}, {0, 26}}},
      {CXTO_CENTER_HORIZONTALLY, Rect(0, 0, 10, 60), {{-7, 0}, {-1, 13}, {2, 13 * 2}}},
      {CXTO_CENTER_HORIZONTALLY | CXTO_CLAMP_LEFT, Rect(0, 0, 10, 60), {{0, 0}, {0, 13}, {2, 13 * 2}}},
  };
  for (const Case& c : cases) {
    Layout l = Make(b.dc(), text, c.R, c.Flags);
    ASSERT_EQ(3, l.Count);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(c.Origins[std::size_t(k)].x, l.Rows[std::size_t(k)].TextOriginX) << c.Flags << " row " << k;
      EXPECT_EQ(c.Origins[std::size_t(k)].y, l.Rows[std::size_t(k)].TextOriginY) << c.Flags << " row " << k;
    }
  }
}

TEST_F(TextLayout, RowLimitsByHeightAndCount) {
  Board b(200, 200);
  const char* text = "aa\r\nbb\r\ncc\r\ndd";
  const TRect r = Rect(0, 0, 100, 32); // two and a half rows
  EXPECT_EQ(3, Make(b.dc(), text, r, 0).Count);
  EXPECT_EQ(2, Make(b.dc(), text, r, CXTO_WHOLE_ROWS).Count);
  EXPECT_EQ(3, Make(b.dc(), text, r, CXTO_WHOLE_ROWS | CXTO_NOCLIP).Count);
  // Other alignments are limited by the row count only.
  Layout centred = Make(b.dc(), text, r, CXTO_CENTER_VERTICALLY);
  EXPECT_EQ(4, centred.Count);
  EXPECT_TRUE(centred.All);
  Layout limited = Make(b.dc(), text, r, CXTO_CENTER_VERTICALLY, 2);
  EXPECT_EQ(2, limited.Count);
  EXPECT_FALSE(limited.All);
  EXPECT_TRUE(Make(b.dc(), text, r, CXTO_CENTER_VERTICALLY, 4).All);

  TRect draw = r;
  EXPECT_EQ(3, TextOutLayout(b.dc(), text, draw, CXTO_CALCROWCOUNT));
  // The third row is clipped to the rectangle.
  EXPECT_EQ(31, b.InkBottom());
}

TEST_F(TextLayout, CalculatedRectangle) {
  Board b(10, 10);
  struct Case {
    const char* Text;
    TRect R;
    DWORD Flags;
    int Max;
    TRect Expected;
    int Result;
  };
  const Case cases[] = {
      {"aaaa bbbb cccc dddd eeee", Rect(5, 5, 105, 10), CXTO_WORDBREAK, 0, Rect(5, 5, 95, 31), 26},
      {"aaaa bbbb cccc dddd eeee", Rect(5, 5, 105, 10), CXTO_WORDBREAK | CXTO_CALCROWCOUNT, 0,
       Rect(5, 5, 95, 31), 2},
      {"aaaa bbbb cccc dddd eeee", Rect(5, 5, 105, 10), CXTO_WORDBREAK, 1, Rect(5, 5, 95, 18), 13},
      {"ab\r\ncdef", Rect(0, 0, 300, 0), 0, 0, Rect(0, 0, 24, 26), 26},
      {"abc", Rect(0, 0, 5, 0), CXTO_SINGLELINE, 0, Rect(0, 0, 18, 13), 13},
      // Indents narrow the room and are given back around the result.
      {"aaaa bbbb", Rect(0, 0, 40, 0), CXTO_WORDBREAK, 0, Rect(0, 0, 30, 26), 26},
  };
  for (const Case& c : cases) {
    TRect r = c.R;
    EXPECT_EQ(c.Result, TextOutLayout(b.dc(), c.Text, r, CXTO_CALCRECT | c.Flags, 0, 0, clHighlight,
                                      clHighlightText, c.Max))
        << c.Text;
    EXPECT_EQ(c.Expected, r) << c.Text;
  }
  TRect indented = Rect(0, 0, 40, 0);
  EXPECT_EQ(26, TextOutLayout(b.dc(), "aaaa bbbb", indented, CXTO_CALCRECT | CXTO_WORDBREAK, 0, 0,
                              clHighlight, clHighlightText, 0, 4, 6));
  EXPECT_EQ(Rect(0, 0, 40, 26), indented);
  EXPECT_EQ(-1, b.InkBottom()); // measuring draws nothing
}

TEST_F(TextLayout, NothingToDo) {
  Board b(50, 50);
  TRect r = Rect(0, 0, 50, 50);
  EXPECT_EQ(0, TextOutLayout(b.dc(), "", r, 0));
  EXPECT_EQ(0, TextOutLayout(b.dc(), nullptr, r, 0));
  TRect flat = Rect(0, 0, 50, 0);
  EXPECT_EQ(0, TextOutLayout(b.dc(), "abc", flat, 0));
  TRect eaten = Rect(0, 0, 50, 50);
  EXPECT_EQ(
      0, TextOutLayout(b.dc(), "abc", eaten, CXTO_CALCRECT, 0, 0, clHighlight, clHighlightText, 0, 30, 20));
  EXPECT_EQ(-1, b.InkBottom());
}

TEST_F(TextLayout, EndEllipsis) {
  Board b(60, 20);
  TRect r = Rect(0, 0, 12, 13);
  TextOutLayout(b.dc(), "abc", r, CXTO_SINGLELINE | CXTO_END_ELLIPSIS);
  // No character fits before "..." (9), so "a" stays; the dots follow at 6 and are clipped to the rectangle,
  // the third one (columns 12 and 13) entirely.
  EXPECT_TRUE(b.Ink(0, 8));
  EXPECT_FALSE(b.Ink(5, 8));
  EXPECT_TRUE(b.Ink(6, 8));
  EXPECT_EQ(10, b.InkRight(0, 13));
  Board wide(60, 20);
  TRect fits = Rect(0, 0, 18, 13);
  TextOutLayout(wide.dc(), "abcd", fits, CXTO_SINGLELINE | CXTO_END_ELLIPSIS);
  // The room left for text is 18 - 9: "a" fits, "ab" does not; all three dots show.
  EXPECT_FALSE(wide.Ink(5, 8));
  EXPECT_TRUE(wide.Ink(12, 8));
  EXPECT_EQ(13, wide.InkRight(0, 13));

  // Even a rectangle narrower than the ellipsis keeps one character.
  Board narrow(60, 20);
  TRect tiny = Rect(0, 0, 4, 13);
  TextOutLayout(narrow.dc(), "abc", tiny, CXTO_SINGLELINE | CXTO_END_ELLIPSIS);
  EXPECT_EQ(3, narrow.InkRight(0, 13));

  // The last row of a cut text ends in the ellipsis although it fits.
  Board rows(100, 60);
  TRect two = Rect(0, 0, 100, 60);
  EXPECT_EQ(2, TextOutLayout(rows.dc(), "ab\r\ncd\r\nef", two,
                             CXTO_CENTER_VERTICALLY | CXTO_END_ELLIPSIS | CXTO_WHOLE_ROWS | CXTO_CALCROWCOUNT,
                             0, 0, clHighlight, clHighlightText, 2));
  const int secondRowTop = (60 - 26) / 2 + 13;
  EXPECT_GT(rows.InkRight(secondRowTop, secondRowTop + 13), 12);
  EXPECT_EQ(10, rows.InkRight(secondRowTop - 13, secondRowTop));
}

TEST_F(TextLayout, SelectionIsHighlightedAndLimitedToTheText) {
  struct Case {
    int Start, Length;
    int Highlighted; // pixels of the selection colour
  };
  const std::uint32_t selBk = 0x00FF00;
  for (Case c : {Case{1, 2, 12 * 13}, Case{3, 100, 6 * 13}, Case{-1, 2, 0}, Case{5, 1, 0}, Case{0, 0, 0}}) {
    Board b(60, 13);
    TRect r = Rect(0, 0, 60, 13);
    TextOutLayout(b.dc(), "abcd", r, 0, c.Start, c.Length, TColor(RGB(0, 255, 0)), TColor(RGB(0, 0, 255)));
    // Around the glyph boxes the selection band shows its background; inside them the selected text colour.
    int background = b.Count(selBk);
    int selectedText = b.Count(0x0000FF) + b.Count(0xFF0000);
    EXPECT_EQ(c.Highlighted, background + selectedText) << c.Start << "," << c.Length;
    EXPECT_EQ(c.Highlighted > 0, selectedText > 0) << c.Start << "," << c.Length;
  }
}

TEST_F(TextLayout, ExpandedTabsMeasureWithTheTabStops) {
  Board b(200, 20);
  Layout l = Make(b.dc(), "a\tb", Rect(0, 0, 200, 20), CXTO_EXPANDTABS);
  ASSERT_EQ(1, l.Count);
  EXPECT_EQ(int(LOWORD(GetTabbedTextExtentA(b.dc(), "a\tb", 3, 0, nullptr))), l.Rows[0].TextExtentX);
  EXPECT_GT(l.Rows[0].TextExtentX, 18);
}

TEST_F(TextLayout, TextParamsFromTheFlagWord) {
  Board b(10, 10);
  TcxTextParams p;
  PrepareTextParams(b.dc(),
                    CXTO_RIGHT | CXTO_BOTTOM | CXTO_EXTERNALLEADING | CXTO_END_ELLIPSIS | CXTO_USER_FLAG, p);
  EXPECT_EQ(13, p.Height);
  EXPECT_EQ(1, p.ExternalLeading);
  EXPECT_EQ(14, p.LineHeight);
  EXPECT_EQ(9, p.EndEllipsisWidth);
  EXPECT_EQ(2, p.HorzAlignment);
  EXPECT_EQ(2, p.VertAlignment);
  EXPECT_TRUE(p.UserFlag);
  EXPECT_FALSE(p.WordBreak);
  EXPECT_EQ(' ', p.BreakChar);
  PrepareTextParams(b.dc(), CXTO_WORDBREAK, p);
  EXPECT_EQ(0, p.ExternalLeading);
  EXPECT_EQ(0, p.EndEllipsisWidth);
  EXPECT_TRUE(p.WordBreak);
}

TEST_F(TextLayout, DrawingLeavesTheDeviceContextAsItWas) {
  Board b(100, 40);
  SetBkMode(b.dc(), OPAQUE);
  SetTextColor(b.dc(), RGB(1, 2, 3));
  HRGN clip = CreateRectRgn(0, 0, 50, 40);
  SelectClipRgn(b.dc(), clip);
  TRect r = Rect(0, 0, 30, 20);
  TextOutLayout(b.dc(), "aaaa bbbb cccc", r, CXTO_JUSTIFY_HORIZONTALLY | CXTO_CENTER_VERTICALLY, 2, 3);
  EXPECT_EQ(OPAQUE, GetBkMode(b.dc()));
  EXPECT_EQ(RGB(1, 2, 3), GetTextColor(b.dc()));
  HRGN after = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(1, GetClipRgn(b.dc(), after));
  EXPECT_TRUE(EqualRgn(clip, after));
  // No justification is left behind: a later measure is the plain one.
  SIZE size{};
  GetTextExtentPoint32A(b.dc(), "a b", 3, &size);
  EXPECT_EQ(18, size.cx);
  DeleteObject(clip);
  DeleteObject(after);
}

} // namespace

namespace {

TEST_F(TextLayout, CanvasVariantsUseTheCanvasFont) {
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(100, 60);
  TcxCanvas canvas(bitmap.Canvas());
  canvas.Font()->SetName(TestFontFace);
  canvas.Font()->SetHeight(26);
  TcxTextParams params;
  PrepareCanvasTextParams(&canvas, 0, params);
  EXPECT_EQ(26, params.Height);
  TRect r = Rect(0, 0, 100, 0);
  EXPECT_EQ(52, CanvasTextOutLayout(&canvas, "ab\r\ncd", r, CXTO_CALCRECT));
  EXPECT_EQ(Rect(0, 0, 24, 52), r);
  canvas.Font()->SetColor(clRed);
  TRect draw = Rect(0, 0, 100, 60);
  DrawEditText(&canvas, "a", draw, 0);
  EXPECT_EQ(clRed, ColorToRGB(bitmap.Canvas()->Pixels(2, 10)));
}

} // namespace

namespace {

TEST_F(TextLayout, AFailureWhileDrawingLeavesTheDeviceContextAsItWas) {
  Board b(100, 40);
  SetBkMode(b.dc(), OPAQUE);
  HRGN clip = CreateRectRgn(0, 0, 50, 40);
  SelectClipRgn(b.dc(), clip);
  // Without the brush cache the selection cannot be filled: the failure comes while a row is clipped and
  // justified.
  cxEditUtilsFinalize();
  // The one row, "a b", is justified to 30 pixels and sticks out below the 10-pixel rectangle.
  TRect r = Rect(0, 0, 30, 10);
  EXPECT_THROW(TextOutLayout(b.dc(), "a b cccccccc", r, CXTO_JUSTIFY_HORIZONTALLY, 0, 1), EInvalidOperation);
  cxEditUtilsInitialize();
  EXPECT_EQ(OPAQUE, GetBkMode(b.dc()));
  HRGN after = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(1, GetClipRgn(b.dc(), after));
  EXPECT_TRUE(EqualRgn(clip, after));
  SIZE size{};
  GetTextExtentPoint32A(b.dc(), "a b", 3, &size);
  EXPECT_EQ(18, size.cx);
  DeleteObject(clip);
  DeleteObject(after);
}

} // namespace
