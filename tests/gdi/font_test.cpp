#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi/FontEngine_p.h"
#include "tests/gdi/text_test_support.h"

namespace {

TEXTMETRICA Metrics(HDC dc) {
  TEXTMETRICA tm;
  EXPECT_TRUE(GetTextMetricsA(dc, &tm));
  return tm;
}

std::string Face(HDC dc) {
  char name[LF_FACESIZE];
  GetTextFaceA(dc, LF_FACESIZE, name);
  return name;
}

TEST(TestFont, MetricsFollowTheHeightRule) {
  struct Case {
    int lfHeight;
    LONG height, ascent, descent, internal, external, ave, max;
  } cases[] = {
      {0, 13, 10, 3, 2, 1, 6, 9},    {13, 13, 10, 3, 2, 1, 6, 9},    {-11, 13, 10, 3, 2, 1, 6, 9},
      {26, 26, 20, 6, 4, 2, 12, 18}, {-22, 26, 20, 6, 4, 2, 12, 18}, {16, 16, 12, 4, 3, 1, 7, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lfHeight);
    TextCanvas canvas(8, 8, TestFontFace, c.lfHeight);
    TEXTMETRICA tm = Metrics(canvas.dc());
    EXPECT_EQ(tm.tmHeight, c.height);
    EXPECT_EQ(tm.tmAscent, c.ascent);
    EXPECT_EQ(tm.tmDescent, c.descent);
    EXPECT_EQ(tm.tmInternalLeading, c.internal);
    EXPECT_EQ(tm.tmExternalLeading, c.external);
    EXPECT_EQ(tm.tmAveCharWidth, c.ave);
    EXPECT_EQ(tm.tmMaxCharWidth, c.max);
    EXPECT_EQ(tm.tmBreakChar, ' ');
    EXPECT_EQ(Face(canvas.dc()), "PelvorTest");
  }
}

TEST(TestFont, AdvancesAreFixedPerCharacterClass) {
  TextCanvas canvas(8, 8);
  struct Case {
    const char* text;
    LONG width;
  } cases[] = {{"", 0}, {"a", 6}, {" ", 6}, {"i", 3}, {"il.,:;'!|", 27}, {"M", 9}, {"MW", 18}, {"Hello", 24}};
  for (const auto& c : cases)
    EXPECT_EQ(canvas.Extent(c.text).cx, c.width) << c.text;
  int widths[3];
  ASSERT_TRUE(GetCharWidth32A(canvas.dc(), 'i', 'k', widths));
  EXPECT_EQ(widths[0], 3);
  EXPECT_EQ(widths[1], 6);
  EXPECT_EQ(widths[2], 6);
  EXPECT_FALSE(GetCharWidth32A(canvas.dc(), 'k', 'i', widths));
}

TEST(RealFont, DefaultGuiFontIsTheSansSerifEightPointFont) {
  TextCanvas canvas(8, 8, nullptr);
  SelectObject(canvas.dc(), GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA tm = Metrics(canvas.dc());
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11); // lfHeight -11 asks for an 11-pixel em
  EXPECT_EQ(tm.tmWeight, FW_NORMAL);
  EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, FF_SWISS);
  // The bit named fixed pitch is set for a variable-pitch font.
  EXPECT_EQ(tm.tmPitchAndFamily & (TMPF_FIXED_PITCH | TMPF_TRUETYPE), TMPF_FIXED_PITCH | TMPF_TRUETYPE);
  EXPECT_GT(tm.tmAveCharWidth, 3);
  EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
  EXPECT_EQ(Face(canvas.dc()), "MS Sans Serif");

  LOGFONTA lf;
  ASSERT_EQ(GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf), int(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  // Stock fonts survive deletion.
  EXPECT_TRUE(DeleteObject(GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_GUI_FONT)), OBJ_FONT);
}

TEST(RealFont, SystemFontIsTheDefaultSelectionAndBold) {
  TextCanvas canvas(8, 8, nullptr);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
  TEXTMETRICA tm = Metrics(canvas.dc());
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
  EXPECT_EQ(tm.tmHeight, 16);
}

TEST(RealFont, PositiveHeightIsTheLargestCellNotAboveIt) {
  for (int h = 8; h <= 40; ++h) {
    TextCanvas cell(8, 8, "Tahoma", h);
    LONG height = Metrics(cell.dc()).tmHeight;
    EXPECT_LE(height, h);
    // One em pixel more would pass the requested cell height.
    LONG em = height - Metrics(cell.dc()).tmInternalLeading;
    TextCanvas bigger(8, 8, "Tahoma", -(em + 1));
    EXPECT_GT(Metrics(bigger.dc()).tmHeight, h) << h;
  }
}

TEST(RealFont, SubstitutedFacesMeasureAsTheirSubstitute) {
  const std::string sample = "The quick brown fox, 0123456789";
  TextCanvas reference(8, 8, "DejaVu Sans", -13);
  for (const char* face : {"Verdana", "Tahoma", "MS Sans Serif", "Arial", "Segoe UI", "No Such Face"}) {
    TextCanvas canvas(8, 8, face, -13);
    EXPECT_EQ(canvas.Extent(sample).cx, reference.Extent(sample).cx) << face;
  }
  EXPECT_EQ(fonts::SubstituteFace(u"tahoma"), u"DejaVu Sans");
  EXPECT_EQ(fonts::SubstituteFace(u"Courier New"), u"DejaVu Sans Mono");
  TextCanvas unknown(8, 8, "No Such Face", -13);
  EXPECT_EQ(Face(unknown.dc()), "DejaVu Sans");

  TextCanvas mono(8, 8, "Courier New", -13);
  EXPECT_EQ(Metrics(mono.dc()).tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_EQ(mono.Extent("iiii").cx, mono.Extent("MMMM").cx);
  EXPECT_NE(reference.Extent("iiii").cx, reference.Extent("MMMM").cx);
}

TEST(RealFont, BoldPicksTheBoldFace) {
  TextCanvas regular(8, 8, "Tahoma", -13);
  TextCanvas bold(8, 8, "Tahoma", -13, FW_BOLD);
  EXPECT_EQ(Metrics(bold.dc()).tmWeight, FW_BOLD);
  EXPECT_GT(bold.Extent("Bold text").cx, regular.Extent("Bold text").cx);
}

TEST(FontObject, GetObjectReturnsTheLogicalFont) {
  LOGFONTA in;
  in.lfHeight = -15;
  in.lfWeight = FW_BOLD;
  in.lfItalic = 1;
  in.lfUnderline = 1;
  in.lfCharSet = TURKISH_CHARSET;
  std::strcpy(in.lfFaceName, "Arial \xDD\xFE"); // Turkish letters pass through the code page
  HFONT font = CreateFontIndirectA(&in);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(GetObjectType(font), OBJ_FONT);
  EXPECT_EQ(GetObjectA(font, 0, nullptr), int(sizeof(LOGFONTA)));
  LOGFONTA out;
  ASSERT_EQ(GetObjectA(font, sizeof out, &out), int(sizeof out));
  EXPECT_EQ(out.lfHeight, -15);
  EXPECT_EQ(out.lfWeight, FW_BOLD);
  EXPECT_EQ(out.lfItalic, 1);
  EXPECT_EQ(out.lfUnderline, 1);
  EXPECT_EQ(out.lfCharSet, TURKISH_CHARSET);
  EXPECT_STREQ(out.lfFaceName, in.lfFaceName);
  LOGFONTW wide;
  ASSERT_EQ(GetObjectW(font, sizeof wide, &wide), int(sizeof wide));
  EXPECT_EQ(std::u16string(wide.lfFaceName), u"Arial \u0130\u015F");
  EXPECT_EQ(GetObjectA(font, sizeof out - 1, &out), 0);
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(GetObjectA(font, sizeof out, &out), 0);
}

TEST(FontObject, StyleFlagsReachTheMetrics) {
  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 1, 1, 1, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  TextCanvas canvas(8, 8, nullptr);
  SelectObject(canvas.dc(), font);
  TEXTMETRICA tm = Metrics(canvas.dc());
  EXPECT_EQ(tm.tmItalic, 1);
  EXPECT_EQ(tm.tmUnderlined, 1);
  EXPECT_EQ(tm.tmStruckOut, 1);
  EXPECT_EQ(tm.tmCharSet, TURKISH_CHARSET); // the default character set follows the 1254 code page
  SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
  DeleteObject(font);
}

TEST(FontFace, GetTextFaceTruncatesAndReportsTheSize) {
  TextCanvas canvas(8, 8, "Segoe UI", -12);
  EXPECT_EQ(GetTextFaceA(canvas.dc(), 0, nullptr), 9);
  char small[5];
  EXPECT_EQ(GetTextFaceA(canvas.dc(), 5, small), 5);
  EXPECT_STREQ(small, "Sego");
  WCHAR wide[LF_FACESIZE];
  EXPECT_EQ(GetTextFaceW(canvas.dc(), LF_FACESIZE, wide), 9);
  EXPECT_EQ(std::u16string(wide), u"Segoe UI");
  EXPECT_EQ(GetTextFaceA(nullptr, 5, small), 0);
}

SIZE ExtentW(HDC dc, std::u16string_view text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, reinterpret_cast<const WCHAR*>(text.data()), int(text.size()), &size);
  return size;
}

TEST(LazFont, EachCodePointMeasuresAsTheLetterItShows) {
  TextCanvas laz(8, 8, LazFontFace, -16);
  TextCanvas sans(8, 8, "DejaVu Sans", -16);
  struct Case {
    std::u16string_view typed, shown;
  } cases[] = {
      {u"u", u"t"},           {u"t", u"u"},           {u"p", u"o"},           {u"o", u"p"},
      {u"z", u"a"},           {u"a", u"z"},           {u"U", u"T"},           {u"T", u"U"},
      {u"P", u"O"},           {u"O", u"P"},           {u"Z", u"A"},           {u"A", u"Z"},
      {u"\u00FC", u"\u01E9"}, {u"\u00DC", u"\u01E8"}, {u"w", u"\u01EF"},      {u"\u00E9", u"\u0292"},
      {u"\u00F6", u"\u00E7"}, {u"\u00D6", u"\u00C7"}, {u"\u00F4", u"\u1E57"}, {u"\u00D4", u"\u1E56"},
      {u"\u00FB", u"\u0165"}, {u"\u00DB", u"\u0164"}, {u"\u00E2", u"\u017E"}, {u"\u00C2", u"\u017D"},
      {u"b", u"b"},           {u"W", u"W"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtentW(laz.dc(), c.typed).cx, ExtentW(sans.dc(), c.shown).cx)
        << std::string(c.typed.begin(), c.typed.end());
  // 8-bit text reaches the same letters through the code page: 0xFC is u-diaeresis.
  EXPECT_EQ(laz.Extent("\xFC").cx, ExtentW(sans.dc(), u"\u01E9").cx);
  EXPECT_EQ(Face(laz.dc()), "Rezivuz Ozi");
}

// The Laz face's cell may be taller than the sans face's, the text standing on the same baseline: text drawn
// at Y in the Laz face is drawn at Y plus this in the sans face.
int BaselineDrop(const TextCanvas& Laz, const TextCanvas& Sans) {
  return Metrics(Laz.dc()).tmAscent - Metrics(Sans.dc()).tmAscent;
}

void Draw(const TextCanvas& Canvas, int Y, std::u16string_view Text) {
  TextOutW(Canvas.dc(), 5, Y, reinterpret_cast<const WCHAR*>(Text.data()), int(Text.size()));
}

TEST(LazFont, DrawsTheShownLettersOnTheSansFacesBaseline) {
  struct Case {
    std::u16string_view typed, shown;
  } cases[] = {{u"a", u"z"}, {u"T", u"U"}, {u"\u00E9", u"\u0292"}, {u"\u00FB", u"\u0165"}, {u"b", u"b"}};
  for (int height : {-11, -16})
    for (const Case& c : cases) {
      TextCanvas laz(40, 40, LazFontFace, height);
      TextCanvas sans(40, 40, "DejaVu Sans", height);
      const int drop = BaselineDrop(laz, sans);
      ASSERT_GE(drop, 0);
      Draw(laz, 5, c.typed);
      Draw(sans, 5 + drop, c.shown);
      ASSERT_GT(sans.InkCount(), 0);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
          ASSERT_EQ(laz.Pixel(x, y), sans.Pixel(x, y))
              << height << " " << int(c.typed[0]) << " at " << x << "," << y;
    }
}

// A letter with a mark is the letter itself, pixel for pixel, with the mark above its ink and a blank row
// between them, at small sizes as at large ones.
TEST(LazFont, AMarkStandsAboveItsLetterWithABlankRowBetween) {
  struct Case {
    std::u16string_view typed, letter;
  } cases[] = {{u"\u00FC", u"k"},      {u"\u00DC", u"K"}, {u"w", u"\u0292"}, {u"\u00F6", u"\u00E7"},
               {u"\u00D6", u"\u00C7"}, {u"\u00F4", u"p"}, {u"\u00D4", u"P"}, {u"\u00DB", u"T"},
               {u"\u00E2", u"z"},      {u"\u00C2", u"Z"}};
  for (int height : {-9, -11, -13, -16, -24, -40})
    for (const Case& c : cases) {
      TextCanvas laz(60, 80, LazFontFace, height);
      TextCanvas sans(60, 80, "DejaVu Sans", height);
      Draw(laz, 5, c.typed);
      Draw(sans, 5 + BaselineDrop(laz, sans), c.letter);
      const RECT letter = sans.InkBox(), all = laz.InkBox();
      const std::string name = std::to_string(height) + " U+" + std::to_string(int(c.typed[0]));
      for (int y = letter.top; y < 80; ++y)
        for (int x = 0; x < 60; ++x)
          ASSERT_EQ(laz.Pixel(x, y), sans.Pixel(x, y)) << name << " at " << x << "," << y;
      ASSERT_LT(all.top, letter.top - 1) << name << ": no mark above the letter";
      for (int x = 0; x < 60; ++x)
        ASSERT_FALSE(laz.Ink(x, letter.top - 1)) << name << ": the mark touches the letter at " << x;
    }
}

// Every letter of the Laz face lies inside its cell with a blank row above it, whatever the size: neither a
// line's clip nor a focus rectangle on the cell's edge takes anything of a mark.
TEST(LazFont, EveryLetterLiesInsideTheCellWithABlankRowAboveIt) {
  const std::u16string_view letters =
      u"\u00FC\u00DCw\u00E9\u00F6\u00D6\u00F4\u00D4\u00FB\u00DB\u00E2\u00C2tuopzaTUOPZA";
  for (int height = -8; height >= -48; height -= height > -16 ? 1 : 8) {
    TextCanvas laz(60, 120, LazFontFace, height);
    const TEXTMETRICA tm = Metrics(laz.dc());
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    for (char16_t ch : letters) {
      laz.Clear();
      TextOutW(laz.dc(), 5, 20, reinterpret_cast<const WCHAR*>(&ch), 1);
      const RECT ink = laz.InkBox();
      EXPECT_GE(ink.top, 21) << height << " U+" << int(ch);
      EXPECT_LE(ink.bottom, 20 + tm.tmHeight) << height << " U+" << int(ch);
    }
  }
}

} // namespace
