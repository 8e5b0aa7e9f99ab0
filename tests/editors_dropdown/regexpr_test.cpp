#include <gtest/gtest.h>

#include "editors/dropdown/cxRegExpr.h"

namespace {

struct MatchCase {
  const char* Mask;
  const char* Text;
  bool Match;
  bool Prefix;
};

class RegExprMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(RegExprMatch, WholeTextAndPrefix) {
  const MatchCase& c = GetParam();
  TcxRegExpr r;
  r.Compile(c.Mask);
  EXPECT_EQ(c.Match, r.IsMatch(c.Text)) << c.Mask << " / " << c.Text;
  EXPECT_EQ(c.Prefix, r.IsPrefix(c.Text)) << c.Mask << " / " << c.Text;
}

INSTANTIATE_TEST_SUITE_P(Elements, RegExprMatch,
                         testing::Values(
                             // Quoted literals, with a quote inside written \'.
                             MatchCase{"'ab'", "ab", true, true}, MatchCase{"'ab'", "a", false, true},
                             MatchCase{"'ab'", "abc", false, false},
                             MatchCase{"'it\\'s'", "it's", true, true}, MatchCase{"\\'x", "'x", true, true},
                             MatchCase{"'a|b'", "a|b", true, true},
                             // Escapes and digits.
                             MatchCase{"\\d\\d", "42", true, true}, MatchCase{"\\d\\d", "4a", false, false},
                             MatchCase{"\\.\\+", ".+", true, true}, MatchCase{"\\d", "", false, true},
                             // Bracket ranges.
                             MatchCase{"[0-5]\\d", "59", true, true},
                             MatchCase{"[0-5]\\d", "60", false, false}, MatchCase{"[012]", "2", true, true},
                             MatchCase{"[012]", "3", false, false}, MatchCase{"[a-cx]", "x", true, true},
                             MatchCase{"[\\]]", "]", true, true},
                             // Optional elements and alternatives.
                             MatchCase{"0?[1-9]", "7", true, true}, MatchCase{"0?[1-9]", "07", true, true},
                             MatchCase{"0?[1-9]", "0", false, true}, MatchCase{"0?[1-9]", "00", false, false},
                             MatchCase{"a|bc|", "", true, true}, MatchCase{"a|bc|", "b", false, true},
                             MatchCase{"a|bc|", "bc", true, true},
                             // Nested groups as the smart-word offsets use them.
                             MatchCase{"((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "", true, true},
                             MatchCase{"((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "+1234", true, true},
                             MatchCase{"((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "-12", true, true},
                             MatchCase{"((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "+12345", false, false},
                             MatchCase{"((\\+|-)\\d(\\d(\\d\\d?)?)?)?", "+", false, true},
                             MatchCase{"([012]?[1-9]|[123]0|31)", "31", true, true},
                             MatchCase{"([012]?[1-9]|[123]0|31)", "32", false, false},
                             MatchCase{"([012]?[1-9]|[123]0|31)", "3", true, true},
                             // An empty mask matches only the empty text.
                             MatchCase{"", "", true, true}, MatchCase{"", "a", false, false}));

TEST(RegExpr, SteppingFollowsTheSameAutomaton) {
  TcxRegExpr r;
  r.Compile("'ab'(c|d)?");
  int s = r.StartState();
  for (char c : std::string("ab"))
    s = r.Next(s, c);
  EXPECT_TRUE(r.IsFinal(s));
  EXPECT_TRUE(r.IsFinal(r.Next(s, 'd')));
  EXPECT_EQ(TcxRegExpr::NoState, r.Next(s, 'e'));
  EXPECT_EQ(TcxRegExpr::NoState, r.Next(TcxRegExpr::NoState, 'a'));
  EXPECT_FALSE(r.IsFinal(TcxRegExpr::NoState));
}

TEST(RegExpr, BadMasksRaiseWithTheirPosition) {
  struct Bad {
    const char* Mask;
    int Position;
  };
  for (Bad b : {Bad{"'abc", 1}, Bad{"(a", 3}, Bad{"a)", 2}, Bad{"[a-", 1}, Bad{"[]", 1}, Bad{"?a", 1},
                Bad{"a\\", 2}, Bad{"a*", 2}, Bad{"[9-0]", 5}}) {
    TcxRegExpr r;
    try {
      r.Compile(b.Mask);
      ADD_FAILURE() << b.Mask << " compiled";
    } catch (const EcxRegExprError& e) {
      EXPECT_EQ(b.Position, e.Position()) << b.Mask << ": " << e.what();
    }
    EXPECT_FALSE(r.IsCompiled());
  }
}

TEST(RegExpr, AFailedCompileKeepsThePreviousAutomaton) {
  TcxRegExpr r;
  r.Compile("\\d");
  EXPECT_THROW(r.Compile("(("), EcxRegExprError);
  EXPECT_TRUE(r.IsMatch("5"));
}

TEST(RegExpr, NestingBeyondTheLimitIsRefusedNotOverflowed) {
  std::string deep(5000, '(');
  EXPECT_THROW(TcxRegExpr().Compile(deep), EcxRegExprError);
}

TEST(RegExpr, BytesAboveAsciiAreOrdinaryCharacters) {
  TcxRegExpr r;
  r.Compile("'\xDE"
            "ub'|[\xC0-\xFF]");
  EXPECT_TRUE(r.IsMatch("\xDE"
                        "ub"));
  EXPECT_TRUE(r.IsMatch("\xE7"));
  EXPECT_FALSE(r.IsMatch("\x7F"));
}

} // namespace

namespace {

TEST(RegExpr, MasksTooLargeForTheAutomatonAreRefused) {
  std::string words;
  for (int i = 0; i < 2000; ++i)
    words += (i ? "|'" : "'") + std::string(8, char('a' + i % 26)) + std::to_string(i) + "'";
  EXPECT_THROW(TcxRegExpr().Compile(words), EcxRegExprError);
  std::string optional;
  for (int i = 0; i < 3000; ++i)
    optional += "\\d?";
  EXPECT_THROW(TcxRegExpr().Compile(optional), EcxRegExprError);
  // A long but ordinary mask compiles.
  std::string digits;
  for (int i = 0; i < 300; ++i)
    digits += "\\d?";
  TcxRegExpr r;
  r.Compile(digits);
  EXPECT_TRUE(r.IsMatch(std::string(300, '7')));
  EXPECT_FALSE(r.IsMatch(std::string(301, '7')));
}

} // namespace
