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

// A currency average is exact: a quotient halfway between two units goes to the even one, whatever a double
// made of it would have rounded to.
TEST(VariantArith, CurrencyAveragesRoundTiesToEven) {
  struct Case {
    std::int64_t Sum;
    int Count;
    std::int64_t Average;
  } cases[] = {
      {42501, 6, 7084},      // 0.708350 up to the even 0.7084
      {322505, 10, 32250},   // 3.22505 down to the even 3.2250
      {-29997, 6, -5000},    // -0.49995 away to the even -0.5000
      {-322505, 10, -32250}, // -3.22505 up to the even -3.2250
      {7, 2, 4},             // 3.5 units: up
      {5, 2, 2},             // 2.5 units: down
      {10, 3, 3},            // no tie: the nearer unit
      {20, 3, 7},
      {-20, 3, -7},
      {42501, -6, -7084},                // a negative count divides as well
      {INT64_MAX, 2, INT64_MAX / 2 + 1}, // exact where a double has no units left
      {INT64_MIN, 2, INT64_MIN / 2},
      {INT64_MAX - 1, 3, (INT64_MAX - 1) / 3},
      {INT64_MIN, 1, INT64_MIN},
  };
  for (const Case& c : cases) {
    Variant avg = VarDivideByCount(Currency{c.Sum}, c.Count);
    EXPECT_EQ(avg.Type(), varCurrency) << c.Sum << " / " << c.Count;
    EXPECT_EQ(avg.AsCurrency().Value, c.Average) << c.Sum << " / " << c.Count;
  }
  EXPECT_THROW(VarDivideByCount(Currency{INT64_MIN}, -1), EVariantError);
}

} // namespace
