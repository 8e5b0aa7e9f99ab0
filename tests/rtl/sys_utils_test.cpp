#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"

namespace {

TEST(SysUtils, TrimRemovesEveryCodeUnitUpToBlank) {
  struct Case {
    std::string text, both, left, right;
  };
  const Case cases[] = {
      {"  a b  ", "a b", "a b  ", "  a b"},
      {std::string("\t\r\n\x01 x \0", 8), "x", std::string("x \0", 3), "\t\r\n\x01 x"},
      {"\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"}, // a no-break space is above 0x20
      {"   ", "", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Trim(c.text), c.both);
    EXPECT_EQ(TrimLeft(c.text), c.left);
    EXPECT_EQ(TrimRight(c.text), c.right);
    const WideString w = AnsiToWide(c.text);
    EXPECT_EQ(Trim(std::u16string_view(w)), AnsiToWide(c.both));
    EXPECT_EQ(TrimLeft(std::u16string_view(w)), AnsiToWide(c.left));
    EXPECT_EQ(TrimRight(std::u16string_view(w)), AnsiToWide(c.right));
  }
  EXPECT_EQ(Trim(std::u16string_view(u"\u3000x\u3000")), u"\u3000x\u3000");
}

TEST(SysUtils, IntegerText) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"42", true, 42},
      {"-17", true, -17},
      {"+8", true, 8},
      {"  12", true, 12},
      {"$1F", true, 31},
      {"0x10", true, 16},
      {"-$10", true, -16},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"12 ", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"1.5", false, 0},
      {"abc", false, 0},
      {"$", false, 0},
      {"0x", false, 0},
      {"99999999999999999999999", false, 0},
  };
  for (const Case& c : cases) {
    int v = -99;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
      EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
    } else {
      EXPECT_THROW(StrToInt(c.text), EConvertError) << c.text;
      EXPECT_EQ(StrToIntDef(c.text, 7), 7) << c.text;
    }
  }
  long long big = 0;
  EXPECT_TRUE(TryStrToInt64("-9223372036854775808", big));
  EXPECT_EQ(big, LLONG_MIN);
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", big));
  EXPECT_EQ(IntToStr(-1234567890123LL), "-1234567890123");
}

TEST(SysUtils, ConversionErrorsCarryTheText) {
  try {
    StrToInt("x1");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "'x1' is not a valid integer value");
  }
}

// A value quoted in a message may hold a NUL; the message goes on past it, in copies of the exception too.
TEST(SysUtils, AMessageKeepsWhatFollowsANul) {
  using namespace std::string_literals;
  for (const AnsiString& text : {"'a\0b' is not a valid integer value"s, "\0"s, "a\0"s, "plain"s}) {
    const EConvertError raised(text);
    const Exception copy = raised;
    EXPECT_EQ(raised.Message(), text);
    EXPECT_EQ(copy.Message(), text);
    EXPECT_STREQ(raised.what(), text.c_str());
  }
}

} // namespace
