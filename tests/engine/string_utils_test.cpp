#include "engine/StringUtils.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The rule as stated: search from the beginning after every replacement.
std::string replaceLiterally(const std::string& o, const std::string& n, std::string s) {
  if (o.empty())
    return s;
  for (std::size_t p; (p = s.find(o)) != std::string::npos;)
    s = s.substr(0, p) + n + s.substr(p + o.size());
  return s;
}

struct ReplaceCase {
  std::string oldText, newText, s, expected;
};

TEST(ReplaceAll, Examples) {
  const ReplaceCase cases[] = {
      {"ab", "a", "aabb", "aa"},
      {"", "x", "abc", "abc"},
      {"a", "x", "", ""},
      {"a", "", "banana", "bnn"},
      {"an", "", "banana", "ba"},
      {"k\xB4", "\xFC", "k\xB4ok\xB4", "\xFCo\xFC"},
      {"t", "#", "tat", "#a#"},
      {"x", "y", "abc", "abc"},
      {"aa", "a", "aaaa", "a"},
      {"ab", "ba", "aab", "baa"},
      {std::string("\0", 1), "-", std::string("a\0b", 3), "a-b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAll(c.oldText, c.newText, c.s), c.expected)
        << c.oldText << " -> " << c.newText << " in " << c.s;
}

TEST(ReplaceAll, MatchesTheRepeatedSearchOnRandomText) {
  std::mt19937 rng(11);
  auto word = [&](int maxLen, int minLen) {
    std::string w(minLen + rng() % (maxLen - minLen + 1), ' ');
    for (auto& c : w)
      c = "abc"[rng() % 3];
    return w;
  };
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string o = word(3, 1), n = word(3, 0), s = word(12, 0);
    // Only shrinking pairs are sure to settle; the literal loop would not stop on some of the others.
    if (n.size() >= o.size() || n.find(o) != std::string::npos)
      continue;
    ASSERT_EQ(ReplaceAll(o, n, s), replaceLiterally(o, n, s)) << o << " -> " << n << " in " << s;
    ++compared;
  }
  EXPECT_GT(compared, 1000);
}

TEST(ReplaceAll, RefusesReplacementsThatNeverSettle) {
  EXPECT_THROW(ReplaceAll("a", "aa", "a"), EInvalidArgument);
  EXPECT_THROW(ReplaceAll("ab", "xaby", "ab"), EInvalidArgument);
  // 'ab' -> 'bbaa' never contains 'ab' yet every replacement makes a new one.
  EXPECT_THROW(ReplaceAll("ab", "bbaa", "aab"), EInvalidArgument);
  // New containing Old is refused even when S holds no Old, so the contract does not depend on the data.
  EXPECT_THROW(ReplaceAll("a", "ba", "xyz"), EInvalidArgument);
}

TEST(ReplaceAll, LongInputStaysLinear) {
  std::string s = std::string(200000, 'a') + std::string(200000, 'b');
  EXPECT_EQ(ReplaceAll("ab", "", s), "");
}

} // namespace
