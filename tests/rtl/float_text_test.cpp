#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/FloatText.h"
#include "tests/rtl/settings_guard.h"

namespace {

using FloatText = LocaleTest;

TEST_F(FloatText, FloatToStrIsTheShortestGeneralText) {
  struct Case {
    double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.5, "1,5"},
      {-2.25, "-2,25"},
      {0.1 + 0.2, "0,3"},
      {100, "100"},
      {1.0 / 3, "0,333333333333333"},
      {2.0 / 3, "0,666666666666667"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {1e20, "1E20"},
      {-1.5e20, "-1,5E20"},
      {123456789012345678.0, "1,23456789012346E17"},
      {0.00001, "0,00001"},
      {0.000001, "1E-6"},
      {1.5e-7, "1,5E-7"},
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FloatToStr(c.value), c.text) << c.value;
  FormatSettings.DecimalSeparator = '.';
  EXPECT_EQ(FloatToStr(1.5), "1.5");
}

TEST_F(FloatText, FloatToStrFFormats) {
  struct Case {
    double value;
    TFloatFormat format;
    int precision, digits;
    const char* text;
  };
  const Case cases[] = {
      {1234.5, ffFixed, 15, 2, "1234,50"},
      {1234.5, ffNumber, 15, 2, "1.234,50"},
      {1234567.5, ffNumber, 15, 0, "1.234.568"},
      {1234.5, ffCurrency, 15, 2, "1.234,50 TL"},
      {-1234.5, ffCurrency, 15, 2, "-1.234,50 TL"},
      {1234.5, ffExponent, 4, 2, "1,235E+03"},
      {-0.00012, ffExponent, 3, 0, "-1,20E-4"},
      {1234.5, ffGeneral, 3, 0, "1,23E3"},
      {1234.5, ffGeneral, 15, 0, "1234,5"},
      {-0.001, ffFixed, 15, 2, "0,00"},
      {0.005, ffFixed, 15, 2, "0,01"},
      {2.675, ffFixed, 15, 2, "2,68"},
      {1e20, ffFixed, 15, 2, "1E20"},
      {999.999, ffFixed, 15, 2, "1000,00"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.text) << c.value;
}

TEST_F(FloatText, CurrencyPlacements) {
  TFormatSettings s = TurkishFormatSettings();
  s.CurrencyString = "$";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  const char* positive[] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
  for (int f = 0; f < 4; ++f) {
    s.CurrencyFormat = BYTE(f);
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2, s), positive[f]) << f;
  }
  const char* negative[] = {"($1.50)", "-$1.50",  "$-1.50",   "$1.50-",  "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-",  "-1.50 $",  "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  for (int f = 0; f < 16; ++f) {
    s.NegCurrFormat = BYTE(f);
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2, s), negative[f]) << f;
  }
}

TEST_F(FloatText, FormatFloatSections) {
  struct Case {
    const char* format;
    double value;
    const char* text;
  };
  const Case cases[] = {
      {"#,##0.00", 1234567.891, "1.234.567,89"},
      {"0.00", 2.675, "2,68"},
      {"0.00", -2.675, "-2,68"},
      {"0.##", 1, "1"},
      {"0.##", 1.5, "1,5"},
      {"0.0#", 1.5, "1,5"},
      {"0.0#", 1, "1,0"},
      {"#.##", 0.5, ",5"},
      {"000", 7, "007"},
      {"#", 0, ""},
      {"0", -0.4, "0"},
      {"0.0;(0.0);'zero'", -1.25, "(1,3)"},
      {"0.0;(0.0);'zero'", 0.04, "zero"},
      {"0.0;(0.0);'zero'", 2, "2,0"},
      {"0.0;;'zero'", -2, "-2,0"},
      {"0.00E+00", 12345, "1,23E+04"},
      {"0.00E-00", 0.00012345, "1,23E-04"},
      {"0.00E-0", 12345, "1,23E4"},
      {"0.00E+00", 0, "0,00E+00"},
      {"#,##0 TL", 1500, "1.500 TL"},
      {",0.00 TL", 1234.5, "1.234,50 TL"},
      {"'$'#,##0.00", -5, "-$5,00"},
      {"\"#\"0", 5, "#5"},
      {"00-00", 1234, "12-34"},
      {"0", 123456, "123456"},
      {"0", 9.5, "10"},
      {"0.00", 9.999, "10,00"},
      {"0", 0.5, "1"},
      {"0", 0.49, "0"},
      {"0.00", 0.004, "0,00"},
      {"0.00", 0.0004, "0,00"},
      {"0.00", 0.005, "0,01"},
      {"#,##0", 1e15, "1.000.000.000.000.000"},
      {"", 1.5, "1,5"},
      {"SUM=0.00;SUM=-0.00", -10, "SUM=-10,00"},
      {"SUM=0.00;SUM=-0.00", 10, "SUM=10,00"},
      {"COUNT=0", 3, "COUNT=3"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatFloat(c.format, c.value), c.text) << c.format << " " << c.value;
}

TEST_F(FloatText, TextToFloat) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"1,5", true, 1.5},      {" -2,25 ", true, -2.25}, {"+3", true, 3},   {"1E3", true, 1000},
      {"1,5e-2", true, 0.015}, {",5", true, 0.5},        {"5,", true, 5},   {"0", true, 0},
      {"1.5", false, 0},       {"1.234,5", false, 0},    {"", false, 0},    {"abc", false, 0},
      {"1e", false, 0},        {"inf", false, 0},        {"nan", false, 0}, {"0x10", false, 0},
      {"1e999", false, 0},     {"--1", false, 0},        {",", false, 0},   {"1,5,", false, 0},
  };
  for (const Case& c : cases) {
    double v = -7;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
      EXPECT_DOUBLE_EQ(StrToFloat(c.text), c.value) << c.text;
    } else {
      EXPECT_EQ(v, -7) << c.text;
      EXPECT_THROW(StrToFloat(c.text), EConvertError) << c.text;
      EXPECT_EQ(StrToFloatDef(c.text, 9), 9) << c.text;
    }
  }
}

TEST_F(FloatText, GeneralTextRoundTrips) {
  for (double v : {0.1, 1234.5678, -1e-10, 6.02214076e23, 1.0 / 7, 123456789012345.0}) {
    const double back = StrToFloat(FloatToStr(v));
    EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
  }
}

using Settings = LocaleTest;

TEST_F(Settings, TurkishDefaultsAndReset) {
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings.ThousandSeparator, '.');
  EXPECT_EQ(FormatSettings.DateSeparator, '.');
  EXPECT_EQ(FormatSettings.TimeSeparator, ':');
  EXPECT_EQ(FormatSettings.ShortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(FormatSettings.ShortTimeFormat, "HH:mm");
  EXPECT_EQ(FormatSettings.LongTimeFormat, "HH:mm:ss");
  EXPECT_EQ(FormatSettings.CurrencyString, "TL");
  EXPECT_EQ(FormatSettings.LongMonthNames[1], "\xDE"
                                              "ubat");
  EXPECT_EQ(FormatSettings.LongDayNames[3], "\xC7"
                                            "ar\xFE"
                                            "amba");
  EXPECT_EQ(FormatSettings.TwoDigitYearCenturyWindow, 50);

  FormatSettings.DecimalSeparator = '.';
  ResetFormatSettings();
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
}

TEST_F(Settings, LocaleChangesReachTheSettingsWhenReRead) {
  TFormatSettings english = TurkishFormatSettings();
  english.DecimalSeparator = '.';
  english.ShortDateFormat = "M/d/yyyy";
  SetLocaleFormatSettings(english);
  SetLocaleFirstDayOfWeek(6);
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
  GetFormatSettings();
  EXPECT_EQ(FormatSettings.DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(LocaleFirstDayOfWeek(), 6);
  EXPECT_THROW(SetLocaleFirstDayOfWeek(7), EInvalidArgument);
  ResetFormatSettings();
  EXPECT_EQ(LocaleFormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(LocaleFirstDayOfWeek(), 0);
}

TEST_F(Settings, BooleanText) {
  EXPECT_EQ(BoolToStr(true), "-1");
  EXPECT_EQ(BoolToStr(false), "0");
  EXPECT_EQ(BoolToStr(true, true), "True");
  EXPECT_EQ(BoolToStr(false, true), "False");
  struct Case {
    const char* text;
    bool ok, value;
  };
  const Case cases[] = {{"true", true, true}, {"FALSE", true, false}, {"-1", true, true}, {"0", true, false},
                        {"2,5", true, true},  {"yes", false, false},  {"", false, false}};
  for (const Case& c : cases) {
    bool v = !c.value;
    EXPECT_EQ(TryStrToBool(c.text, v), c.ok) << c.text;
    if (c.ok)
      EXPECT_EQ(v, c.value) << c.text;
    else
      EXPECT_THROW(StrToBool(c.text), EConvertError);
  }
}

} // namespace
