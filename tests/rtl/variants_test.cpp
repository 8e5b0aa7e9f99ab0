#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <limits>

#include "platform/rtl/Extended80.h"
#include "platform/rtl/FMTBcd.h"
#include "platform/rtl/SqlTimSt.h"
#include "platform/rtl/Variants.h"

namespace {

TEST(VariantConversion, IntegerTargetsRoundHalfToEvenAndCheckRange) {
  struct Case {
    Variant from;
    TVarType to;
    std::int64_t expected;
  } cases[] = {
      {Variant(2.5), varInteger, 2},
      {Variant(3.5), varInteger, 4},
      {Variant(-2.5), varInteger, -2},
      {Variant("  42 "), varInteger, 42},
      {Variant("2,5"), varInteger, 2},
      {Variant(true), varInteger, -1},
      {Variant(Currency{25000}), varSmallint, 2},
      {Variant(Currency{35000}), varByte, 4},
      {Unassigned, varWord, 0},
      {Variant(u"-7"), varShortInt, -7},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(VarTypeAsText(c.from.Type()) + " -> " + VarTypeAsText(c.to));
    Variant v = VarAsType(c.from, c.to);
    EXPECT_EQ(v.Type(), c.to);
    EXPECT_EQ(v.RawInteger(), c.expected);
  }
  EXPECT_THROW(VarAsType(Variant(40000), varSmallint), EVariantError);
  EXPECT_THROW(VarAsType(Variant(-1), varByte), EVariantError);
  EXPECT_THROW(VarAsType(Variant(1e300), varInt64), EVariantError);
  EXPECT_THROW(VarAsType(Variant("abc"), varInteger), EVariantError);
  EXPECT_THROW(VarAsType(Null, varInteger), EVariantError);
}

TEST(VariantConversion, TextFormsUseTheLocaleSeparatorAndShortestDigits) {
  struct Case {
    Variant v;
    const char* text;
  } cases[] = {
      {Variant(1.5), "1,5"},
      {Variant(0.1), "0,1"},
      {Variant(1e20), "1E20"},
      {Variant(1.5e-7), "1,5E-7"},
      {Variant(-123456789012345.0), "-123456789012345"},
      {Variant(Currency{-12345}), "-1,2345"},
      {Variant(Currency{120000}), "12"},
      {Variant(true), "True"},
      {Variant::FromDate(0), "30.12.1899"},
      {Variant::FromDate(45000.5), "15.03.2023 12:00:00"},
      {Variant::FromSingle(0.1f), "0,1"},
      {Variant::FromInteger(65535, varWord), "65535"},
      {Null, ""},
  };
  for (auto& c : cases)
    EXPECT_EQ(VarToStr(c.v), c.text);
}

TEST(VariantConversion, TextParsesBackToNumbersAndDates) {
  EXPECT_DOUBLE_EQ(Variant("1,25").AsDouble(), 1.25);
  EXPECT_EQ(Variant("1,2345").AsCurrency().Value, 12345);
  EXPECT_DOUBLE_EQ(Variant("15.03.2023 12:00:00").AsDate(), 45000.5);
  EXPECT_DOUBLE_EQ(Variant("30.12.1899").AsDate(), 0.0);
  EXPECT_THROW(Variant("1.25").AsDouble(), EVariantError); // the thousand separator is no decimal point
  EXPECT_THROW(Variant("31.02.2023").AsDate(), EVariantError);
  EXPECT_THROW(Variant("nan").AsDouble(), EVariantError);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_EQ(Variant(u"\u011f").AsString(), "\xF0"); // g-breve in the default code page
}

TEST(VariantConversion, FollowTheCurrentFormatSettings) {
  struct Restore {
    ~Restore() { ResetFormatSettings(); }
  } restore;
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.DateSeparator = '/';
  FormatSettings.ShortDateFormat = "yyyy/mm/dd";
  EXPECT_EQ(VarToStr(Variant(2.5)), "2.5");
  EXPECT_EQ(VarToStr(Variant(Currency{25000})), "2.5");
  EXPECT_DOUBLE_EQ(Variant("0.25").AsDouble(), 0.25);
  EXPECT_EQ(VarToStr(Variant::FromDate(45000)), "2023/03/15");
  EXPECT_EQ(BcdToStr(StrToBcd("1.5")), "1.5");
  ResetFormatSettings();
  EXPECT_EQ(VarToStr(Variant(2.5)), "2,5");
  EXPECT_EQ(VarTypeAsText(varArray | varInteger), "Array Integer");
  EXPECT_EQ(VarTypeAsText(VarFMTBcd()), "FMTBcdVariantType");
}

TEST(VariantComparison, NullRulesAndMixedTypes) {
  EXPECT_TRUE(Null == Null);
  EXPECT_FALSE(Null == Variant(0));
  EXPECT_TRUE(Null < Variant(-5));
  EXPECT_FALSE(Variant(-5) < Null);
  EXPECT_TRUE(Variant(3) == Variant(3.0));
  EXPECT_TRUE(Variant("10") == Variant(10));
  EXPECT_TRUE(Variant(9) < Variant("10"));   // text against a number compares as a number
  EXPECT_TRUE(Variant("10") < Variant("9")); // two texts compare as texts
  EXPECT_TRUE(Variant(Currency{10000}) == Variant(1));
  EXPECT_TRUE(Unassigned == Variant(0));
  EXPECT_TRUE(Unassigned == Variant(""));
  EXPECT_TRUE(Variant(false) < Variant(true));
  EXPECT_THROW((void)(Variant("abc") < Variant(1)), EVariantError);
  EXPECT_THROW((void)(VarArrayOf({1}) == Variant(1)), EVariantError);
}

TEST(VariantArray, BoundsValueSemanticsAndNesting) {
  Variant a = VarArrayCreate({{2, 3}}, varVariant);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 2);
  EXPECT_EQ(VarArrayHighBound(a, 1), 4);
  EXPECT_TRUE(VarIsEmpty(a[3]));
  a[3] = VarArrayOf({1, "x"});
  Variant copy = a;
  copy[3][0] = 99;
  EXPECT_EQ(a[3][0].AsInteger(), 1) << "a copy must not share its elements";
  EXPECT_EQ(copy[3][0].AsInteger(), 99);
  EXPECT_EQ(VarType(a), varArray | varVariant);
  EXPECT_THROW(a[5], EVariantError);
  EXPECT_THROW(a[1], EVariantError);

  Variant grid = VarArrayCreate({{0, 2}, {1, 3}}, varInteger);
  EXPECT_EQ(VarArrayDimCount(grid), 2);
  VarArrayPut(grid, Variant("7"), {1, 3});
  EXPECT_EQ(VarArrayGet(grid, {1, 3}).Type(), varInteger);
  EXPECT_EQ(VarArrayGet(grid, {1, 3}).RawInteger(), 7);
  EXPECT_EQ(VarArrayGet(grid, {0, 1}).RawInteger(), 0);
  for (TVarArrayBound bad : {TVarArrayBound{0, -1}, TVarArrayBound{INT_MAX, 2}, TVarArrayBound{INT_MIN, 0}})
    EXPECT_THROW(VarArrayCreate({bad}, varVariant), EVariantError) << bad.LowBound << " " << bad.ElementCount;
  EXPECT_THROW(VarArrayCreate({{0, 1 << 20}, {0, 1 << 20}}, varVariant), EVariantError);
}

std::uint64_t Bits(double d) {
  return std::bit_cast<std::uint64_t>(d);
}

TEST(Extended80, KnownEncodingsAndExactRoundTrips) {
  struct Case {
    double value;
    TExtended80Bytes bytes;
  } cases[] = {
      {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {-2.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {std::numeric_limits<double>::denorm_min(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(DoubleToExtended80(c.value), c.bytes);
    EXPECT_EQ(Bits(Extended80ToDouble(c.bytes)), Bits(c.value));
  }
  for (double v : {0.1, -1e308, 2.2250738585072014e-308, 4.9e-320, 123456.789, 1e-310})
    EXPECT_EQ(Bits(Extended80ToDouble(DoubleToExtended80(v))), Bits(v)) << v;
  double nan = Extended80ToDouble(DoubleToExtended80(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(std::isnan(nan));
}

TEST(Extended80, RandomDoublesSurviveTheRoundTrip) {
  std::uint64_t state = 88172645463325252ull;
  for (int i = 0; i < 100000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    double d = std::bit_cast<double>(state);
    if (std::isnan(d))
      continue;
    ASSERT_EQ(Bits(Extended80ToDouble(DoubleToExtended80(d))), Bits(d)) << d;
  }
}

TEST(Extended80, NarrowingRoundsToNearestEven) {
  auto make = [](std::uint64_t significand, std::uint16_t exponent) {
    TExtended80Bytes b{};
    for (int i = 0; i < 8; ++i)
      b[std::size_t(i)] = std::uint8_t(significand >> (8 * i));
    b[8] = std::uint8_t(exponent);
    b[9] = std::uint8_t(exponent >> 8);
    return b;
  };
  const std::uint64_t one = 1ull << 63;
  // 1 + half an ulp of a double ties to the even 1; 1 + 3 half-ulps ties up to 1 + 2 ulps.
  EXPECT_EQ(Extended80ToDouble(make(one | (1ull << 10), 0x3FFF)), 1.0);
  EXPECT_EQ(Extended80ToDouble(make(one | (3ull << 10), 0x3FFF)), 1.0 + 2 * std::ldexp(1.0, -52));
  EXPECT_EQ(Extended80ToDouble(make(one | (1ull << 10) | 1, 0x3FFF)), 1.0 + std::ldexp(1.0, -52));
  // The largest extended significand rounds over into the next binade.
  EXPECT_EQ(Extended80ToDouble(make(~0ull, 0x3FFF)), 2.0);
  // Beyond the double range: infinity; far below it: zero with its sign.
  EXPECT_TRUE(std::isinf(Extended80ToDouble(make(one, 0x3FFF + 1024))));
  EXPECT_EQ(Bits(Extended80ToDouble(make(one, 1))), Bits(0.0));
  TExtended80Bytes negTiny = make(one, 1);
  negTiny[9] |= 0x80;
  EXPECT_EQ(Bits(Extended80ToDouble(negTiny)), Bits(-0.0));
}

TEST(FMTBcd, TextRoundTripsAndComparesByValue) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"12,50", "12,5"},
               {"-0,05", "-0,05"},
               {"000123", "123"},
               {"0", "0"},
               {"-0", "0"},
               {"1E3", "1000"},
               {"2,5e-3", "0,0025"},
               {"123456789012345678901234567890,123456789", "123456789012345678901234567890,123456789"}};
  for (auto& c : cases)
    EXPECT_EQ(BcdToStr(StrToBcd(c.in)), c.out) << c.in;
  EXPECT_THROW(StrToBcd("12a"), EConvertError);
  EXPECT_THROW(StrToBcd(AnsiString(65, '9')), EConvertError);

  EXPECT_EQ(BcdCompare(StrToBcd("1,50"), StrToBcd("1,5")), 0);
  EXPECT_EQ(BcdCompare(StrToBcd("-2"), StrToBcd("1")), -1);
  EXPECT_EQ(BcdCompare(StrToBcd("-2"), StrToBcd("-10")), 1);
  EXPECT_EQ(BcdCompare(StrToBcd("0,001"), StrToBcd("0")), 1);
  EXPECT_EQ(BcdCompare(StrToBcd("10"), StrToBcd("9,99")), 1);
  EXPECT_DOUBLE_EQ(BcdToDouble(DoubleToBcd(0.1)), 0.1);
  EXPECT_EQ(BcdToStr(IntegerToBcd(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
}

TEST(FMTBcd, AsCustomVariant) {
  Variant v = VarFMTBcdCreate(StrToBcd("12,34"));
  EXPECT_EQ(VarType(v), VarFMTBcd());
  EXPECT_GE(VarFMTBcd(), varFirstCustom);
  EXPECT_EQ(VarToStr(v), "12,34");
  EXPECT_DOUBLE_EQ(v.AsDouble(), 12.34);
  EXPECT_EQ(v.AsCurrency().Value, 123400);
  EXPECT_TRUE(v == Variant(12.34));
  EXPECT_TRUE(Variant(12) < v);
  Variant converted = VarAsType(Variant("7,5"), VarFMTBcd());
  EXPECT_EQ(BcdToStr(VarToBcd(converted)), "7,5");
  EXPECT_THROW(VarToBcd(Variant("x")), EVariantError);
}

TEST(SQLTimeStamp, ConvertsComparesAndActsAsDate) {
  TSQLTimeStamp ts{2023, 3, 15, 12, 0, 0, 0};
  EXPECT_DOUBLE_EQ(SQLTimeStampToDateTime(ts), 45000.5);
  EXPECT_EQ(DateTimeToSQLTimeStamp(45000.5), ts);
  TSQLTimeStamp before{1899, 12, 29, 6, 0, 0, 0};
  EXPECT_DOUBLE_EQ(SQLTimeStampToDateTime(before), -1.25);
  EXPECT_EQ(DateTimeToSQLTimeStamp(-1.25), before);
  EXPECT_THROW(SQLTimeStampToDateTime(TSQLTimeStamp{2023, 2, 29, 0, 0, 0, 0}), EConvertError);

  EXPECT_EQ(SQLTimeStampCompare(ts, TSQLTimeStamp{2023, 3, 15, 12, 0, 0, 1}), -1);
  EXPECT_EQ(SQLTimeStampCompare(TSQLTimeStamp{-1, 1, 1, 0, 0, 0, 0}, ts), -1);

  Variant v = VarSQLTimeStampCreate(ts);
  EXPECT_EQ(VarType(v), VarSQLTimeStamp());
  EXPECT_NE(VarSQLTimeStamp(), VarFMTBcd());
  EXPECT_DOUBLE_EQ(v.AsDate(), 45000.5);
  EXPECT_TRUE(v == Variant::FromDate(45000.5));
  EXPECT_EQ(VarToStr(v), "15.03.2023 12:00:00");
  EXPECT_EQ(VarToSQLTimeStamp(Variant("15.03.2023 12:00:00")), ts);
}

} // namespace
