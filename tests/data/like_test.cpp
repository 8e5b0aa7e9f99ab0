#include <gtest/gtest.h>

#include "data/cxLike.h"

namespace {

TEST(LikeStr, MatchesWholeTextsWithPercentAndUnderscore) {
  struct Case {
    const char* text;
    const char* pattern;
    bool expected;
  } cases[] = {
      {"abc", "a%", true},     {"abc", "%c", true},    {"abc", "a_c", true},   {"abc", "a_", false},
      {"", "%", true},         {"", "", true},         {"a", "", false},       {"a", "a%%", false},
      {"ab", "a%%", true},     {"abc", "%b%", true},   {"abc", "%d%", false},  {"abc", "ABC", false},
      {"a%c", "a%c", true},    {"abc", "_%_", true},   {"a", "%a", true},      {"xa", "%a", true},
      {"abcabc", "%bc", true}, {"aa", "a%a%a", false}, {"aaa", "a%a%a", true},
  };
  for (auto& c : cases)
    EXPECT_EQ(LikeStr(c.text, c.pattern), c.expected) << c.text << " LIKE " << c.pattern;
  EXPECT_TRUE(LikeStr("a*c", "a*", '*', '?'));
  EXPECT_TRUE(LikeStr("abc", "a?c", '*', '?'));
  EXPECT_FALSE(LikeStr("a", "a*%", '*', '?'));
  EXPECT_TRUE(LikeStr("a%", "a*%", '*', '?'));
}

TEST(LikeStr, ManyPercentsStayFastOnLongTexts) {
  // Without remembering visited positions this template takes exponential time on a text with no 'b'.
  std::string text(2000, 'a');
  std::string pattern;
  for (int i = 0; i < 40; ++i)
    pattern += "%a";
  pattern += "%b";
  EXPECT_FALSE(LikeStr(text, pattern));
  EXPECT_TRUE(LikeStr(text + "b", pattern));
}

TEST(LikeTemplate, KindsAndStrippedTemplates) {
  struct Case {
    const char* in;
    TcxLikeTemplateKind kind;
    const char* out;
  } cases[] = {
      {"%abc%", ltkBoth, "abc"},    {"%abc", ltkLeading, "abc"}, {"abc%", ltkTrailing, "abc"},
      {"%%abc", ltkLeading, "abc"}, {"%", ltkNone, "%"},         {"a%b", ltkNone, "a%b"},
      {"%%", ltkNone, "%"},         {"", ltkNone, ""},           {"%%%a%%%", ltkBoth, "a"},
  };
  for (auto& c : cases) {
    std::string t = c.in;
    EXPECT_EQ(GetLikeTemplateKind(t), c.kind) << c.in;
    EXPECT_EQ(t, c.out) << c.in;
  }
}

} // namespace
