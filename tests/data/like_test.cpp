#include <gtest/gtest.h>

#include "data/cxLike.h"

#include <random>
#include <string>

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

TEST(LikeStr, LongRunsOfPercentsDoNotExhaustTheStack) {
  // Each percent leaves at least one character for the rest, so the run can only end on the last one.
  std::string run(1000000, '%');
  EXPECT_TRUE(LikeStr("ab", run + "b"));
  EXPECT_FALSE(LikeStr("ab", run + "a"));
  EXPECT_FALSE(LikeStr("ab", run + "c"));
  EXPECT_TRUE(LikeStr("ab", "_" + run));
}

// The matching rules as written, without any shortcut: exponential, so only for short inputs.
bool ReferenceLike(std::string_view text, std::string_view tmpl) {
  if (tmpl.empty())
    return text.empty();
  if (tmpl[0] != '%') {
    if (text.empty() || (tmpl[0] != '_' && tmpl[0] != text[0]))
      return false;
    return ReferenceLike(text.substr(1), tmpl.substr(1));
  }
  if (tmpl.size() == 1)
    return true;
  for (std::size_t len = text.size(); len >= 1; --len)
    if (ReferenceLike(text.substr(text.size() - len), tmpl.substr(1)))
      return true;
  return false;
}

TEST(LikeStr, AgreesWithTheRulesOnRandomInputs) {
  std::mt19937 random(7);
  auto make = [&](const char* alphabet, std::size_t n, std::size_t maxLength) {
    std::string s(random() % (maxLength + 1), ' ');
    for (char& c : s)
      c = alphabet[random() % n];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string text = make("ab", 2, 7);
    std::string tmpl = make("ab%_", 4, 7);
    ASSERT_EQ(LikeStr(text, tmpl), ReferenceLike(text, tmpl)) << text << " LIKE " << tmpl;
  }
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
