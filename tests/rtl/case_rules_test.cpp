#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/CaseRules.h"
#include "platform/rtl/SysUtils.h"
#include "tests/rtl/code_page_guard.h"

namespace {

int Sign(int v) {
  return (v > 0) - (v < 0);
}

// Test texts are written in UTF-8 and handed to the 8-bit routines through the default code page.
AnsiString A(const char* utf8) {
  return Utf8ToAnsi(utf8);
}

TEST(CaseRules, TurkishLetterPairs) {
  struct Case {
    char16_t lower, upper;
  };
  const Case turkish[] = {{u'i', u'İ'}, {u'ı', u'I'}, {u'ç', u'Ç'}, {u'ğ', u'Ğ'}, {u'ö', u'Ö'},
                          {u'ş', u'Ş'}, {u'ü', u'Ü'}, {u'a', u'A'}, {u'z', u'Z'}};
  for (const Case& c : turkish) {
    EXPECT_EQ(LocaleUpperChar(c.lower, CaseLocale::Turkish), c.upper) << int(c.lower);
    EXPECT_EQ(LocaleLowerChar(c.upper, CaseLocale::Turkish), c.lower) << int(c.upper);
    EXPECT_EQ(LocaleUpperChar(c.upper, CaseLocale::Turkish), c.upper) << int(c.upper);
    EXPECT_EQ(LocaleLowerChar(c.lower, CaseLocale::Turkish), c.lower) << int(c.lower);
  }
}

TEST(CaseRules, WesternLetterPairs) {
  struct Case {
    char16_t from, upper, lower;
  };
  const Case western[] = {{u'i', u'I', u'i'}, {u'I', u'I', u'i'}, {u'ı', u'I', u'ı'}, {u'İ', u'İ', u'i'},
                          {u'ş', u'Ş', u'ş'}, {u'ÿ', u'Ÿ', u'ÿ'}, {u'ß', u'ß', u'ß'}, {u'σ', u'Σ', u'σ'},
                          {u'ς', u'Σ', u'ς'}, {u'Σ', u'Σ', u'σ'}, {u'ж', u'Ж', u'ж'}, {u'ſ', u'S', u'ſ'},
                          {u'1', u'1', u'1'}, {u'é', u'É', u'é'}, {u'Ł', u'Ł', u'ł'}};
  for (const Case& c : western) {
    EXPECT_EQ(LocaleUpperChar(c.from, CaseLocale::Western), c.upper) << int(c.from);
    EXPECT_EQ(LocaleLowerChar(c.from, CaseLocale::Western), c.lower) << int(c.from);
  }
}

TEST(CaseRules, AnsiAndWideCaseFollowTheCodePage) {
  struct Case {
    UINT cp;
    const char* text;
    const char* upper;
    const char* lower;
  };
  const Case cases[] = {
      {1254, "ışık İstanbul Irmak", "IŞIK İSTANBUL IRMAK", "ışık istanbul ırmak"},
      {1254, "Çığ öğütücü", "ÇIĞ ÖĞÜTÜCÜ", "çığ öğütücü"},
      {1254, "ÿ œ š µ ß 1%", "Ÿ Œ Š µ ß 1%", "ÿ œ š µ ß 1%"},
      {1252, "istanbul Irmak", "ISTANBUL IRMAK", "istanbul irmak"},
      {1252, "žluť éa", "ŽLU? ÉA", "žlu? éa"},
  };
  for (const Case& c : cases) {
    CodePageGuard guard(c.cp);
    EXPECT_EQ(AnsiToUtf8(AnsiUpperCase(A(c.text))), c.upper) << c.text;
    EXPECT_EQ(AnsiToUtf8(AnsiLowerCase(A(c.text))), c.lower) << c.text;
    // The wide routines agree wherever the code page can show the result.
    EXPECT_EQ(WideToAnsi(WideUpperCase(AnsiToWide(A(c.text)))), A(c.upper)) << c.text;
    EXPECT_EQ(WideToAnsi(WideLowerCase(AnsiToWide(A(c.text)))), A(c.lower)) << c.text;
  }
}

TEST(CaseRules, AsciiRoutinesTouchOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase(A("içgüdü ışık")), A("IçGüDü ışıK"));
  EXPECT_EQ(LowerCase(A("İÇGÜDÜ IŞIK")), A("İÇgÜdÜ iŞik"));
  EXPECT_TRUE(SameText("Istanbul", "iSTANBUL"));
  EXPECT_FALSE(SameText(A("ı"), "I"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  // Ordinal, not linguistic: 'ç' (0xE7) follows 'z'.
  EXPECT_GT(CompareText(A("ç"), "z"), 0);
}

TEST(CaseRules, CaseInsensitiveEquality) {
  struct Case {
    UINT cp;
    const char *a, *b;
    bool same;
  };
  const Case cases[] = {
      {1254, "İSTANBUL", "istanbul", true},
      {1254, "ISTANBUL", "istanbul", false},
      {1254, "IRMAK", "ırmak", true},
      {1254, "ŞEKER", "şeker", true},
      {1254, "kâr", "kar", false},
      {1254, "ab", "abc", false},
      {1252, "ISTANBUL", "istanbul", true},
      {1252, "ÉTÉ", "été", true},
      {1252, "Ÿ", "ÿ", true},
  };
  for (const Case& c : cases) {
    CodePageGuard guard(c.cp);
    EXPECT_EQ(AnsiSameText(A(c.a), A(c.b)), c.same) << c.a << " " << c.b;
    EXPECT_EQ(WideSameText(Utf8ToWide(c.a), Utf8ToWide(c.b)), c.same) << c.a << " " << c.b;
    EXPECT_EQ(AnsiCompareText(A(c.a), A(c.b)) == 0, c.same) << c.a << " " << c.b;
  }
}

// Pairs in ascending order, for both comparison routines and both string kinds.
TEST(CaseRules, TurkishOrder) {
  struct Case {
    const char *lo, *hi;
    bool textOnly; // equal without case
  };
  const Case cases[] = {
      {"c", "ç", false},      {"ç", "d", false},      {"g", "ğ", false},       {"ğ", "h", false},
      {"h", "ı", false},      {"ı", "i", false},      {"i", "j", false},       {"o", "ö", false},
      {"ö", "p", false},      {"s", "ş", false},      {"ş", "t", false},       {"u", "ü", false},
      {"ü", "v", false},      {"p", "q", false},      {"q", "r", false},       {"v", "w", false},
      {"w", "x", false},      {"x", "y", false},      {"I", "i", false},       {"I", "İ", false},
      {"ı", "İ", false},      {"9", "a", false},      {" ", "0", false},       {"-", "1", false},
      {"kar", "kara", false}, {"Kara", "kas", false}, {"kar", "kâr", false},   {"kâr", "kas", false},
      {"cami", "çam", false}, {"dağ", "Dal", false},  {"ılık", "ilik", false}, {"ödev", "zeytin", false},
      {"a", "A", true},       {"ı", "I", true},       {"i", "İ", true},        {"ab", "Ab", true},
      {"Ab", "aC", false},
  };
  for (const Case& c : cases) {
    const AnsiString lo = A(c.lo), hi = A(c.hi);
    const WideString wlo = AnsiToWide(lo), whi = AnsiToWide(hi);
    EXPECT_EQ(AnsiCompareStr(lo, hi), -1) << c.lo << " " << c.hi;
    EXPECT_EQ(AnsiCompareStr(hi, lo), 1) << c.lo << " " << c.hi;
    EXPECT_EQ(WideCompareStr(wlo, whi), -1) << c.lo << " " << c.hi;
    const int text = c.textOnly ? 0 : -1;
    EXPECT_EQ(AnsiCompareText(lo, hi), text) << c.lo << " " << c.hi;
    EXPECT_EQ(AnsiCompareText(hi, lo), -text) << c.lo << " " << c.hi;
    EXPECT_EQ(WideCompareText(wlo, whi), text) << c.lo << " " << c.hi;
  }
}

TEST(CaseRules, SortsAWordListInAlphabetOrder) {
  std::vector<std::string> words = {"zeytin", "Üzüm", "uzun", "şeker",   "su",    "ödev",
                                    "Ocak",   "ilik", "ılık", "İnci",    "Irmak", "çay",
                                    "cam",    "Ğ",    "gül",  "9 Eylül", "10"};
  const std::vector<std::string> expected = {"10",   "9 Eylül", "cam",  "çay",  "gül",   "Ğ",
                                             "ılık", "Irmak",   "ilik", "İnci", "Ocak",  "ödev",
                                             "su",   "şeker",   "uzun", "Üzüm", "zeytin"};
  std::vector<AnsiString> ansi;
  for (const auto& w : words)
    ansi.push_back(A(w.c_str()));
  std::sort(ansi.begin(), ansi.end(),
            [](const AnsiString& a, const AnsiString& b) { return AnsiCompareText(a, b) < 0; });
  std::vector<std::string> sorted;
  for (const auto& s : ansi)
    sorted.push_back(AnsiToUtf8(s));
  EXPECT_EQ(sorted, expected);
}

TEST(CaseRules, WesternOrderTreatsTurkishLettersAsAccents) {
  CodePageGuard guard(1252);
  EXPECT_EQ(WideCompareText(u"çb", u"ca"), 1); // accent decides only after the letters
  EXPECT_EQ(WideCompareText(u"ça", u"ca"), 1);
  EXPECT_EQ(WideCompareText(u"ıb", u"ia"), 1);
  EXPECT_EQ(WideCompareText(u"Ia", u"ia"), 0);
  EXPECT_EQ(AnsiCompareText(A("Öl"), A("ol")), 1);
  EXPECT_EQ(AnsiCompareText(A("Öl"), A("om")), -1);
}

// Every routine a sorted list relies on must be a strict weak ordering, and the case-sensitive order must
// refine the case-insensitive one.
TEST(CaseRules, ComparisonsAreStrictWeakOrderings) {
  const std::u16string alphabet = u"aAıIiİçÇâ1 -zŞ";
  std::vector<std::u16string> strings = {u""};
  for (char16_t x : alphabet) {
    strings.push_back(std::u16string(1, x));
    for (char16_t y : alphabet)
      strings.push_back(std::u16string{x, y});
  }
  for (UINT cp : {1254u, 1252u}) {
    CodePageGuard guard(cp);
    auto check = [&](auto compare, bool total) {
      std::vector<std::u16string> s = strings;
      std::sort(s.begin(), s.end(), [&](const auto& a, const auto& b) { return compare(a, b) < 0; });
      for (size_t i = 0; i < s.size(); ++i) {
        for (size_t j = 0; j < s.size(); ++j) {
          const int r = compare(s[i], s[j]);
          ASSERT_EQ(Sign(r), -Sign(compare(s[j], s[i])));
          if (i < j) {
            ASSERT_LE(r, 0) << cp;
          }
          if (total) {
            ASSERT_EQ(r == 0, s[i] == s[j]) << cp;
          }
        }
      }
      // Equivalence is transitive: the strings equal to one sit right after it, and none comes later.
      for (size_t i = 0; i < s.size(); ++i) {
        size_t j = i + 1;
        while (j < s.size() && compare(s[i], s[j]) == 0)
          ++j;
        for (; j < s.size(); ++j)
          ASSERT_LT(compare(s[i], s[j]), 0) << cp;
      }
    };
    check([](const auto& a, const auto& b) { return WideCompareStr(a, b); }, true);
    check([](const auto& a, const auto& b) { return WideCompareText(a, b); }, false);
    check([](const auto& a, const auto& b) { return AnsiCompareStr(WideToAnsi(a), WideToAnsi(b)); },
          cp == 1254);
    check([](const auto& a, const auto& b) { return AnsiCompareText(WideToAnsi(a), WideToAnsi(b)); }, false);
    for (const auto& a : strings) {
      for (const auto& b : strings) {
        const int text = WideCompareText(a, b);
        if (text != 0) {
          ASSERT_EQ(Sign(WideCompareStr(a, b)), text);
        }
        if (cp == 1254) {
          ASSERT_EQ(AnsiCompareStr(WideToAnsi(a), WideToAnsi(b)), WideCompareStr(a, b));
          ASSERT_EQ(AnsiCompareText(WideToAnsi(a), WideToAnsi(b)), text);
        }
      }
    }
  }
}

} // namespace
