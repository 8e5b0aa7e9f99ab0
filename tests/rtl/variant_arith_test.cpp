#include <gtest/gtest.h>

#include "platform/rtl/Variants.h"

namespace {

TEST(VariantArith, SumsKeepThePlatformTypes) {
  struct Case {
    Variant A, B;
    TVarType Type;
    double Value;
  } cases[] = {
      {2, 3, varInteger, 5},
      {int(0x7FFFFFFF), 1, varInt64, 2147483648.0}, // past 32 bits: 64-bit, not a wrapped integer
      {std::int64_t(INT64_MAX), std::int64_t(1), varDouble, 9223372036854775808.0},
      {Currency{15000}, Currency{25000}, varCurrency, 4.0},
      {Currency{15000}, 2, varCurrency, 3.5},
      {Variant::FromDate(10), 2.5, varDate, 12.5},
      {1.5, 2, varDouble, 3.5},
      {"2", 1, varDouble, 3}, // text read as a number
  };
  for (const Case& c : cases) {
    Variant sum = VarAdd(c.A, c.B);
    EXPECT_EQ(sum.Type(), c.Type) << c.Value;
    EXPECT_DOUBLE_EQ(sum.AsDouble(), c.Value);
  }
  EXPECT_TRUE(VarAdd(Null, 1).IsNull());
  EXPECT_THROW(VarAdd(VarArrayOf({1}), 1), EVariantError);
}

TEST(VariantArith, AveragesKeepCurrencyAndDates) {
  struct Case {
    Variant A;
    int Count;
    TVarType Type;
    double Value;
  } cases[] = {
      {7, 2, varDouble, 3.5},
      {Currency{100000}, 4, varCurrency, 2.5},
      {Variant::FromDate(30), 2, varDate, 15},
      {std::int64_t(9), 3, varDouble, 3},
  };
  for (const Case& c : cases) {
    Variant avg = VarDivideByCount(c.A, c.Count);
    EXPECT_EQ(avg.Type(), c.Type);
    EXPECT_DOUBLE_EQ(avg.AsDouble(), c.Value);
  }
  EXPECT_THROW(VarDivideByCount(1, 0), EVariantError);
}

} // namespace
