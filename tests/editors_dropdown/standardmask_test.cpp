#include <gtest/gtest.h>

#include "editors/dropdown/cxStandardMask.h"

namespace {

TEST(StandardMask, DateMaskOfTheFormatController) {
  TcxStandardMask m;
  m.Compile("!99/99/9999;1; ", '.', ':');
  EXPECT_EQ(10, m.Length());
  EXPECT_TRUE(m.TrimLeading());
  EXPECT_TRUE(m.SaveLiterals());
  EXPECT_EQ(' ', m.Blank());
  EXPECT_EQ("  .  .    ", m.EmptyText());
  struct Case {
    const char* Text;
    bool Match;
    bool Prefix;
  };
  for (Case c :
       {Case{"14.02.2024", true, true}, Case{" 1. 2.2024", true, true}, Case{"14/02/2024", false, false},
        Case{"14.02.202", false, true}, Case{"1a.02.2024", false, false}, Case{"14.02.20245", false, false},
        Case{"", false, true}}) {
    EXPECT_EQ(c.Match, m.IsMatch(c.Text)) << c.Text;
    EXPECT_EQ(c.Prefix, m.IsPrefix(c.Text)) << c.Text;
  }
}

TEST(StandardMask, TimeMaskRequiresEveryDigitAndTakesZeroAsPlaceholder) {
  TcxStandardMask m;
  m.Compile("00:00:00;1;0", '.', ':');
  EXPECT_EQ('0', m.Blank());
  EXPECT_FALSE(m.TrimLeading());
  EXPECT_EQ("00:00:00", m.EmptyText());
  EXPECT_TRUE(m.IsMatch("09:05:00"));
  EXPECT_FALSE(m.IsMatch("9 :05:00"));
  EXPECT_FALSE(m.IsCharValid(2, '5'));
  EXPECT_TRUE(m.IsCharValid(2, ':'));
}

TEST(StandardMask, PositionKinds) {
  TcxStandardMask m;
  m.Compile("lc\\9\\;x;0;_", '/', ':');
  ASSERT_EQ(5, m.Length());
  EXPECT_EQ(TcxStandardMaskPosition::OptionalLetter, m.Position(0));
  EXPECT_EQ(TcxStandardMaskPosition::OptionalChar, m.Position(1));
  EXPECT_TRUE(m.IsLiteral(2));
  EXPECT_TRUE(m.IsLiteral(3));
  EXPECT_FALSE(m.SaveLiterals());
  EXPECT_EQ("__9;x", m.EmptyText());
  EXPECT_TRUE(m.IsCharValid(0, '\xFE')); // a Turkish letter of code page 1254
  EXPECT_FALSE(m.IsCharValid(0, '5'));
  EXPECT_TRUE(m.IsCharValid(1, '5'));
  EXPECT_TRUE(m.IsMatch("__9;x"));
  EXPECT_FALSE(m.IsCharValid(9, 'a'));
  EXPECT_FALSE(m.IsCharValid(-1, 'a'));
}

TEST(StandardMask, BadMasksRaise) {
  for (const char* bad : {"", "!;1; ", "99\\"}) {
    TcxStandardMask m;
    EXPECT_THROW(m.Compile(bad, '/', ':'), EcxStandardMaskError) << bad;
  }
}

} // namespace
