#include "engine/LazLetters.h"

#include <gtest/gtest.h>

#include <random>

#include "code_page_scope.h"
#include "engine/StringUtils.h"

namespace {

// The substitution exactly as the dictionary defines it: thirty replace-all steps, each on the text
// converted to the default code page and back. The fast form must give the same result on every input.
WideString convertLazLiterally(WideString s) {
  static const std::pair<const char*, const char*> steps[30] = {
      {"k\xB4", "\xFC"}, {"3\xB4", "w"},    {"3", "\xE9"},        {"\xE7\xB4", "\xF6"}, {"p\xB4", "\xF4"},
      {"t\xB4", "\xFB"}, {"z\xB4", "\xE2"}, {"t", "#"},           {"u", "t"},           {"#", "u"},
      {"o", "#"},        {"p", "o"},        {"#", "p"},           {"a", "#"},           {"z", "a"},
      {"#", "z"},        {"K\xB4", "\xDC"}, {"\xC7\xB4", "\xD6"}, {"P\xB4", "\xD4"},    {"T\xB4", "\xDB"},
      {"Z\xB4", "\xC2"}, {"T", "#"},        {"U", "T"},           {"#", "U"},           {"O", "#"},
      {"P", "O"},        {"#", "P"},        {"A", "#"},           {"Z", "A"},           {"#", "Z"}};
  for (auto [o, n] : steps)
    s = AnsiToWide(ReplaceAll(o, n, WideToAnsi(s)));
  return s;
}

TEST(ConvertLaz, Examples) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"kat", u"kzu"},
      {u"KAT", u"KZU"},
      {u"3", u"é"},
      {u"3´", u"w"},
      {u"#", u"u"},
      {u"", u""},
      {u"k´", u"ü"},
      {u"p´ap´u", u"ôzôt"},
      {u"3´ari", u"wzri"},
      {u"ç´xoro", u"öxprp"},
      {u"Lazuri", u"Lzatri"},
      {u"K´Ç´P´T´Z´", u"ÜÖÔÛÂ"},
      // Swapped letters are past their accent step, so the accent stays.
      {u"u´ o´ a´ U´ O´ A´", u"t´ p´ z´ T´ P´ Z´"},
      {u"´´k´´", u"´´ü´"},
      {u"a;b c", u"z;b c"},
      {u"Ā€", u"?€"},
  };
  for (const auto& [in, expected] : cases)
    EXPECT_EQ(ConvertLaz(in), expected) << WideToUtf8(in);
}

TEST(ConvertLaz, EqualsTheThirtyStepsOnRandomText) {
  const std::u16string alphabet = u"tuopazTUOPAZ#3kKçÇpPzZ´´´´ xw;?éüÂĀ€ğİı\u0081\u00ff\u0100";
  // Lone halves of a surrogate pair, which the code page turns into '?' like any other foreign character.
  const std::u16string alphabetWithHalves = alphabet + char16_t(0xD800) + char16_t(0xDC00);
  for (UINT cp : {1254u, 1252u}) {
    CodePageScope scope(cp);
    std::mt19937 rng(cp);
    for (int i = 0; i < 20000; ++i) {
      std::u16string s(rng() % 12, u' ');
      for (auto& c : s)
        c = alphabetWithHalves[rng() % alphabetWithHalves.size()];
      // A well-formed pair outside the basic plane now and then, not only lone halves.
      if (rng() % 8 == 0)
        s.insert(rng() % (s.size() + 1), u"\U0001F600");
      ASSERT_EQ(ConvertLaz(s), convertLazLiterally(s)) << "code page " << cp << ": " << WideToUtf8(s);
    }
  }
}

TEST(ConvertLaz, EveryCodeUnitMatchesTheSteps) {
  std::u16string all;
  for (char32_t c = 1; c < 0x10000; ++c)
    if (c < 0xD800 || c > 0xDFFF)
      all.push_back(char16_t(c));
  EXPECT_EQ(ConvertLaz(all), convertLazLiterally(all));
}

} // namespace

namespace {

TEST(CodePageTables, SupportedCodePagesConvertCharacterByCharacter) {
  // Otherwise the substitution and the word-file reader quietly fall back to their slow paths.
  for (UINT cp : {1254u, 1252u}) {
    CodePageScope scope(cp);
    const TCodePageTables& t = CodePageTables();
    EXPECT_EQ(t.codePage, cp);
    EXPECT_TRUE(t.perCharacter) << cp;
    EXPECT_TRUE(t.asciiControlsStable) << cp;
    EXPECT_TRUE(t.bytesRoundTrip) << cp;
    EXPECT_EQ(t.toWide[0xB4], u'´');
    EXPECT_EQ(t.toByte[u'ğ'], cp == 1254 ? 0xF0 : '?');
  }
}

} // namespace
