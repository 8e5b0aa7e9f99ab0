#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/code_page_guard.h"

namespace {

std::string AllBytes() {
  std::string s;
  for (int b = 0; b < 256; ++b)
    s += char(b);
  return s;
}

TEST(CodePage, DefaultIsTurkish) {
  EXPECT_EQ(GetACP(), 1254u);
}

TEST(CodePage, EveryByteSurvivesARoundTrip) {
  for (UINT cp : {1252u, 1254u}) {
    CodePageGuard guard(cp);
    const std::string bytes = AllBytes();
    const WideString wide = AnsiToWide(bytes);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(WideToAnsi(wide), bytes) << cp;
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(bytes)), bytes) << cp;
  }
}

TEST(CodePage, ByteToWide) {
  struct Case {
    UINT cp;
    unsigned char byte;
    char16_t wide;
  };
  const Case cases[] = {
      {1254, 0xD0, u'Ğ'}, {1254, 0xDD, u'İ'}, {1254, 0xDE, u'Ş'}, {1254, 0xF0, u'ğ'}, {1254, 0xFD, u'ı'},
      {1254, 0xFE, u'ş'}, {1254, 0xC7, u'Ç'}, {1254, 0xFC, u'ü'}, {1254, 0x80, u'€'}, {1254, 0x9F, u'Ÿ'},
      {1254, 0x8E, 0x8E}, {1254, 0x9E, 0x9E}, {1254, 0x81, 0x81}, {1254, 0x90, 0x90}, {1252, 0xD0, u'Ð'},
      {1252, 0xDD, u'Ý'}, {1252, 0xFE, u'þ'}, {1252, 0x8E, u'Ž'}, {1252, 0x9E, u'ž'}, {1252, 0x8D, 0x8D},
      {1252, 0x41, u'A'}, {1252, 0x00, 0x00}, {1252, 0x92, u'’'}, {1254, 0x99, u'™'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CodePageByteToWide(c.cp, c.byte), c.wide) << c.cp << " " << int(c.byte);
    EXPECT_EQ(CodePageWideToByte(c.cp, c.wide), c.byte) << c.cp << " " << int(c.byte);
  }
}

TEST(CodePage, UnrepresentableCharactersBecomeTheDefaultCharacter) {
  struct Case {
    UINT cp;
    std::u16string wide;
    std::string ansi;
  };
  const Case cases[] = {
      {1254, u"Žž", "??"},
      {1254, u"Ðý", "??"},    // the bytes 1252 gives them hold ğ and ı here
      {1254, u"\u0080", "?"}, // 0x80 is the euro sign, so U+0080 has no byte
      {1252, u"ğŞı", "???"},
      {1252, u"a中b", "a?b"},
      {1254, u"x\U0001F600y", "x??y"}, // one per code unit keeps positions aligned
      {1254, u"çağ", "\xE7\x61\xF0"},
  };
  for (const Case& c : cases) {
    CodePageGuard guard(c.cp);
    EXPECT_EQ(WideToAnsi(c.wide), c.ansi) << c.cp;
  }
}

TEST(CodePage, UnsupportedCodePageIsRefused) {
  CodePageGuard guard(1252);
  EXPECT_THROW(SetDefaultCodePage(437), EInvalidArgument);
  EXPECT_THROW(SetDefaultCodePage(65001), EInvalidArgument);
  EXPECT_EQ(GetACP(), 1252u);
}

TEST(Utf8, WellFormedTextRoundTrips) {
  const std::u16string cases[] = {
      u"", u"abc", u"Türkçe ğüşıöç İ", u"ლაზური", u"€™", u"\U0001F600\U00010000", std::u16string(1, u'\0')};
  for (const auto& w : cases)
    EXPECT_EQ(Utf8ToWide(WideToUtf8(w)), w);
  EXPECT_EQ(WideToUtf8(u"ğ€\U0001F600"), "\xC4\x9F\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  struct Case {
    std::string utf8;
    std::u16string wide;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},                             // truncated at the end
      {"\xC3(", u"\uFFFD("},                             // continuation byte missing
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong slash
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
      {"\xFF\xFEx", u"\uFFFD\uFFFDx"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8ToWide(c.utf8), c.wide);
  EXPECT_EQ(WideToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");
  EXPECT_EQ(WideToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// The direct conversion from UTF-8 gives what the route through UTF-16 gives, byte for byte, and calls the
// text exact only when it goes back to UTF-8 as it came.
TEST(Utf8, StraightToTheCodePageAsThroughUtf16) {
  std::vector<std::string> inputs = {
      "",
      "plain ASCII ?",
      "çağ ışık öğretmen şeker üzüm İĞŞ",
      "ǩoçi мир",
      "A\xFF"
      "B",
      "\x80",
      "a\xC3",
      "\xC3(",
      "\xC0\xAF",
      "\xE0\x80\xAF",
      "\xED\xA0\x80",
      "\xED\x9F\xBF",
      "\xF4\x8F\xBF\xBF",
      "\xF4\x90\x80\x80",
      "\xF0\x9F\x98\x80x",
      "\xF0\x9F\x98",
      "\xE2\x82",
      "\xFF\xFEx",
      "\xF8\x88\x80\x80\x80",
      "€™ŽžÐý\xC2\x80\xC2\x81\xC2\x8E\xC2\x9E",
      "\xEF\xBF\xBD",
      std::string("nul\0inside", 11),
  };
  // Every code point below U+10000 and the edges past it, alone and between ASCII letters.
  for (char32_t cp = 1; cp < 0x10000; ++cp)
    if (cp < 0xD800 || cp > 0xDFFF)
      inputs.push_back("a" + WideToUtf8(std::u16string(1, char16_t(cp))) + "b");
  inputs.push_back(WideToUtf8(u"\U00010000\U0010FFFF"));
  // Every pair of bytes, well-formed or not.
  for (int b1 = 0x80; b1 < 0x100; ++b1)
    for (int b2 = 0; b2 < 0x100; b2 += 7)
      inputs.push_back({char(b1), char(b2), 'z'});
  for (UINT cp : {1252u, 1254u}) {
    CodePageGuard guard(cp);
    for (const std::string& in : inputs) {
      bool exact = false;
      const AnsiString direct = Utf8ToAnsi(in, exact);
      ASSERT_EQ(direct, WideToAnsi(Utf8ToWide(in))) << cp << " " << testing::PrintToString(in);
      ASSERT_EQ(exact, AnsiToUtf8(direct) == in) << cp << " " << testing::PrintToString(in);
      ASSERT_EQ(Utf8ToAnsi(in), direct);
    }
  }
}

TEST(Utf8, AnsiThroughTheDefaultCodePage) {
  EXPECT_EQ(AnsiToUtf8("\xFD\xF0"), "ığ");
  EXPECT_EQ(Utf8ToAnsi("İstanbul ☃"), "\xDDstanbul ?");
  CodePageGuard guard(1252);
  EXPECT_EQ(AnsiToUtf8("\xFD\xF0"), "\xC3\xBD\xC3\xB0");
}

} // namespace
