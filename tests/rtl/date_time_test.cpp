#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"
#include "tests/rtl/settings_guard.h"

namespace {

AnsiString A(const char* utf8) {
  return Utf8ToAnsi(utf8);
}

struct Ymd {
  WORD y, m, d;
};

TEST(DateTime, EncodeDecodeDates) {
  struct Case {
    Ymd date;
    double serial;
    int dayOfWeek;
  };
  const Case cases[] = {
      {{1899, 12, 30}, 0, 7},    {{1899, 12, 31}, 1, 1},       {{1899, 12, 29}, -1, 6},
      {{1900, 1, 1}, 2, 2},      {{1900, 3, 1}, 61, 5},        {{2000, 1, 1}, 36526, 7},
      {{2004, 2, 29}, 38046, 1}, {{2024, 3, 5}, 45356, 3},     {{2026, 12, 7}, 46363, 2},
      {{1, 1, 1}, -693593, 2},   {{9999, 12, 31}, 2958465, 6}, {{1600, 2, 29}, -109512, 3},
  };
  for (const Case& c : cases) {
    TDateTime v = -1e9;
    ASSERT_TRUE(TryEncodeDate(c.date.y, c.date.m, c.date.d, v)) << c.serial;
    EXPECT_EQ(v, c.serial);
    EXPECT_EQ(EncodeDate(c.date.y, c.date.m, c.date.d), c.serial);
    WORD y, m, d, dow;
    const TDateTime evening = ComposeDateTime(c.serial, 0.75);
    DecodeDateFully(evening, y, m, d, dow);
    EXPECT_EQ(y, c.date.y) << c.serial;
    EXPECT_EQ(m, c.date.m) << c.serial;
    EXPECT_EQ(d, c.date.d) << c.serial;
    EXPECT_EQ(dow, c.dayOfWeek) << c.serial;
    EXPECT_EQ(DayOfWeek(evening), c.dayOfWeek) << c.serial;
  }
}

TEST(DateTime, InvalidDatesAreRefused) {
  const Ymd invalid[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},     {10000, 1, 1},
                         {2024, 13, 1}, {2024, 0, 1},  {2024, 4, 31}, {2024, 1, 0}};
  for (const Ymd& c : invalid) {
    TDateTime v = 123;
    EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, v)) << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(v, 123);
    EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
  }
  WORD y = 1, m = 1, d = 1;
  DecodeDate(3e6, y, m, d);
  EXPECT_EQ(y + m + d, 0);
  DecodeDate(NAN, y, m, d);
  EXPECT_EQ(y + m + d, 0);
}

TEST(DateTime, Times) {
  struct Case {
    WORD h, n, s, ms;
    double value;
  };
  const Case cases[] = {{0, 0, 0, 0, 0.0},
                        {12, 0, 0, 0, 0.5},
                        {6, 0, 0, 0, 0.25},
                        {18, 0, 0, 0, 0.75},
                        {23, 59, 59, 999, 86399999.0 / 86400000},
                        {0, 0, 0, 1, 1.0 / 86400000}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeTime(c.h, c.n, c.s, c.ms), c.value);
    WORD h, n, s, ms;
    DecodeTime(1000 + c.value, h, n, s, ms);
    EXPECT_EQ(h, c.h);
    EXPECT_EQ(n, c.n);
    EXPECT_EQ(s, c.s);
    EXPECT_EQ(ms, c.ms);
  }
  TDateTime t = 0;
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, t));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, t));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, t));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, t));
  EXPECT_THROW(EncodeTime(25, 0, 0, 0), EConvertError);
}

TEST(DateTime, BeforeTheEpochTheFractionCountsForward) {
  const TDateTime v = ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0));
  EXPECT_EQ(v, -1.25);
  WORD y, m, d, h, n, s, ms;
  DecodeDateTime(v, y, m, d, h, n, s, ms);
  EXPECT_EQ((Ymd{y, m, d}.d), 29);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(DateOf(v), -1);
  EXPECT_EQ(TimeOf(v), 0.25);
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(DateTime, DecodingRoundsToTheMillisecond) {
  // Half a millisecond before midnight is already the next day.
  const TDateTime v = EncodeDate(2000, 1, 1) + (MSecsPerDay - 0.4) / MSecsPerDay;
  WORD y, m, d, h, n, s, ms;
  DecodeDateTime(v, y, m, d, h, n, s, ms);
  EXPECT_EQ(d, 2);
  EXPECT_EQ(h + n + s + ms, 0);
}

TEST(DateTime, LeapYearsAndMonthLengths) {
  struct Case {
    WORD year;
    bool leap;
  };
  const Case years[] = {{1900, false}, {2000, true},  {2023, false},
                        {2024, true},  {2100, false}, {1600, true}};
  for (const Case& c : years) {
    EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(DaysInAMonth(c.year, 2), c.leap ? 29 : 28) << c.year;
  }
  EXPECT_EQ(DaysInAMonth(2023, 4), 30);
  EXPECT_EQ(DaysInAMonth(2023, 12), 31);
  EXPECT_EQ(DaysInAMonth(2023, 13), 0);
  EXPECT_EQ(DaysInMonth(EncodeDate(2024, 2, 10)), 29);
}

TEST(DateTime, IncMonthClampsToTheMonthEnd) {
  struct Case {
    Ymd from;
    int months;
    Ymd to;
  };
  const Case cases[] = {
      {{2024, 1, 31}, 1, {2024, 2, 29}},   {{2023, 1, 31}, 1, {2023, 2, 28}},
      {{2024, 3, 31}, -1, {2024, 2, 29}},  {{2024, 12, 15}, 1, {2025, 1, 15}},
      {{2025, 1, 31}, -2, {2024, 11, 30}}, {{2024, 2, 29}, 12, {2025, 2, 28}},
      {{2024, 5, 31}, 13, {2025, 6, 30}},  {{2024, 8, 31}, -18, {2023, 2, 28}},
      {{2024, 1, 15}, 0, {2024, 1, 15}},   {{2024, 10, 31}, -12, {2023, 10, 31}},
      {{1, 2, 28}, -1, {1, 1, 28}},
  };
  for (const Case& c : cases) {
    const TDateTime time = EncodeTime(13, 45, 0, 0);
    const TDateTime v = IncMonth(ComposeDateTime(EncodeDate(c.from.y, c.from.m, c.from.d), time), c.months);
    EXPECT_EQ(v, ComposeDateTime(EncodeDate(c.to.y, c.to.m, c.to.d), time))
        << c.from.y << "-" << c.from.m << "-" << c.from.d;
  }
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
}

class DateText : public LocaleTest {
protected:
  // Tuesday 5 March 2024, 14:07:09.045
  const TDateTime value = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
};

TEST_F(DateText, FormatDateTimeLetters) {
  struct Case {
    const char* format;
    const char* text; // UTF-8
  };
  const Case cases[] = {
      {"dd.mm.yyyy", "05.03.2024"},
      {"d/m/yy", "5.3.24"},
      {"ddd dddd", "Sal Salı"},
      {"mmm mmmm", "Mar Mart"},
      {"ddddd", "05.03.2024"},
      {"dddddd", "05 Mart 2024 Salı"},
      {"hh:nn:ss", "14:07:09"},
      {"h:mm", "14:07"},
      {"hh mm", "14 07"},
      {"MM/dd", "03.05"},
      {"hh:mm am/pm", "02:07 pm"},
      {"h:mm AM/PM", "2:07 PM"},
      {"h:mm Am/pM", "2:07 pM"},
      {"h a/p", "2 p"},
      {"h:nn ampm", "2:07 ÖS"},
      {"z zzz s.zz", "45 045 9.45"},
      {"t", "14:07"},
      {"tt", "14:07:09"},
      {"c", "05.03.2024 14:07:09"},
      {"", "05.03.2024 14:07:09"},
      {"'yıl' yyyy \"mm\"", "yıl 2024 mm"},
      {"yyyy-mm-dd", "2024-03-05"},
      {"y", "24"},
      {"'unclosed", "unclosed"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AnsiToUtf8(FormatDateTime(A(c.format), value)), c.text) << c.format;
}

TEST_F(DateText, TwelveHourClockAroundMidnightAndNoon) {
  struct Case {
    WORD hour;
    const char* text;
  };
  const Case cases[] = {
      {0, "12:30 am"}, {1, "1:30 am"}, {11, "11:30 am"}, {12, "12:30 pm"}, {23, "11:30 pm"}};
  for (const Case& c : cases)
    EXPECT_EQ(FormatDateTime("h:nn am/pm", EncodeTime(c.hour, 30, 0, 0)), c.text);
}

TEST_F(DateText, DefaultTextsAndOtherSettings) {
  EXPECT_EQ(DateToStr(value), "05.03.2024");
  EXPECT_EQ(TimeToStr(value), "14:07:09");
  EXPECT_EQ(DateTimeToStr(value), "05.03.2024 14:07:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05.03.2024"); // midnight shows only the date

  TFormatSettings us = TurkishFormatSettings();
  us.DateSeparator = '/';
  us.ShortDateFormat = "M/d/yyyy";
  us.LongTimeFormat = "h:mm:ss AMPM";
  us.TimeAMString = "AM";
  us.TimePMString = "PM";
  EXPECT_EQ(DateTimeToStr(value, us), "3/5/2024 2:07:09 PM");
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", value, us), "05/03/2024");

  // A short date format that refers to itself is expanded once, not forever.
  FormatSettings.ShortDateFormat = "c ddddd yyyy";
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "  2024");
}

TEST_F(DateText, ParseDates) {
  SetFixedNow(EncodeDateTime(2026, 12, 7, 10, 0, 0, 0));
  struct Case {
    const char* text;
    bool ok;
    Ymd date;
  };
  const Case cases[] = {
      {"5.3.2024", true, {2024, 3, 5}},
      {" 05 . 03 . 2024 ", true, {2024, 3, 5}},
      {"5.3", true, {2026, 3, 5}},
      {"5.3.24", true, {2024, 3, 5}},
      {"5.3.80", true, {1980, 3, 5}},
      {"5.3.75", true, {2075, 3, 5}},
      {"5.3.76", true, {1976, 3, 5}},
      {"5.3.0024", true, {24, 3, 5}},
      {"29.2.2024", true, {2024, 2, 29}},
      {"29.2.2023", false, {}},
      {"31.4.2024", false, {}},
      {"5.3.2024x", false, {}},
      {"5-3-2024", false, {}},
      {"", false, {}},
      {"5.3.12345", false, {}},
      {"5..2024", false, {}},
      {"5.3.", false, {}},
      {"5", false, {}},
  };
  for (const Case& c : cases) {
    TDateTime v = -5;
    EXPECT_EQ(TryStrToDate(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, EncodeDate(c.date.y, c.date.m, c.date.d)) << c.text;
      EXPECT_EQ(StrToDate(c.text), v) << c.text;
    } else {
      EXPECT_EQ(v, -5) << c.text;
      EXPECT_THROW(StrToDate(c.text), EConvertError) << c.text;
    }
  }
}

TEST_F(DateText, ParseDatesInTheOrderOfTheShortFormat) {
  TFormatSettings s = TurkishFormatSettings();
  s.DateSeparator = '/';
  s.ShortDateFormat = "M/d/yyyy";
  EXPECT_EQ(StrToDate("3/5/2024", s), EncodeDate(2024, 3, 5));
  s.DateSeparator = '-';
  s.ShortDateFormat = "yyyy-MM-dd";
  EXPECT_EQ(StrToDate("2024-03-05", s), EncodeDate(2024, 3, 5));
  s.ShortDateFormat = "'day' d-M-yyyy";
  EXPECT_EQ(StrToDate("5-3-2024", s), EncodeDate(2024, 3, 5));
  TDateTime v;
  EXPECT_FALSE(TryStrToDate("5.3.2024", v, s));
}

TEST_F(DateText, ParseTimes) {
  struct Case {
    const char* text; // UTF-8
    bool ok;
    WORD h, n, s, ms;
  };
  const Case cases[] = {
      {"14:07", true, 14, 7, 0, 0},    {"14:07:09", true, 14, 7, 9, 0}, {"14:07:09,045", true, 14, 7, 9, 45},
      {" 2:07 PM", true, 14, 7, 0, 0}, {"12:00 am", true, 0, 0, 0, 0},  {"12:30 ÖS", true, 12, 30, 0, 0},
      {"ÖÖ 9:15", true, 9, 15, 0, 0},  {"öö 12:15", true, 0, 15, 0, 0}, {"7 PM", true, 19, 0, 0, 0},
      {"25:00", false, 0, 0, 0, 0},    {"14", false, 0, 0, 0, 0},       {"13:00 PM", false, 0, 0, 0, 0},
      {"14:60", false, 0, 0, 0, 0},    {"14:07:", false, 0, 0, 0, 0},   {"14:07 x", false, 0, 0, 0, 0},
      {"0:00 AM", false, 0, 0, 0, 0},  {"", false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TDateTime v = -5;
    EXPECT_EQ(TryStrToTime(A(c.text), v), c.ok) << c.text;
    if (c.ok)
      EXPECT_EQ(v, EncodeTime(c.h, c.n, c.s, c.ms)) << c.text;
    else
      EXPECT_THROW(StrToTime(A(c.text)), EConvertError) << c.text;
  }
}

TEST_F(DateText, ParseDateTimes) {
  EXPECT_EQ(StrToDateTime("05.03.2024 14:07:09"), EncodeDateTime(2024, 3, 5, 14, 7, 9, 0));
  EXPECT_EQ(StrToDateTime("05.03.2024"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(StrToDateTime("29.12.1899 06:00"), -1.25);
  EXPECT_THROW(StrToDateTime("05.03.2024 xx"), EConvertError);
  EXPECT_THROW(StrToDateTime("05.03.2024 14"), EConvertError);
  try {
    StrToDateTime("dün");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'dün' is not a valid date and time");
  }
}

TEST_F(DateText, TextRoundTrips) {
  for (TDateTime d = EncodeDate(1, 1, 1); d < EncodeDate(9999, 12, 31); d += 997.3) {
    const TDateTime day = DateOf(d);
    EXPECT_EQ(StrToDate(DateToStr(day)), day) << day;
    const TDateTime withTime = ComposeDateTime(day, EncodeTime(WORD(int(std::fabs(d)) % 24), 30, 15, 0));
    EXPECT_EQ(StrToDateTime(DateTimeToStr(withTime)), withTime) << withTime;
  }
}

TEST_F(DateText, ClockIsInjectable) {
  const TDateTime fixed = EncodeDateTime(2026, 12, 7, 9, 30, 0, 0);
  SetFixedNow(fixed);
  EXPECT_EQ(Now(), fixed);
  EXPECT_EQ(Date(), EncodeDate(2026, 12, 7));
  EXPECT_EQ(Time(), EncodeTime(9, 30, 0, 0));
  int calls = 0;
  SetClock([&] { return EncodeDate(2000, 1, 1) + ++calls; });
  EXPECT_EQ(Date(), EncodeDate(2000, 1, 2));
  EXPECT_EQ(Date(), EncodeDate(2000, 1, 3));
  ResetClock();
  EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

} // namespace

TEST_F(DateText, LenientReadingOfTheVariantConversion) {
  SetFixedNow(EncodeDate(2024, 2, 14));
  struct Case {
    const char* Text;
    bool Ok;
    TDateTime Expected;
  };
  const TDateTime feb14 = EncodeDate(2024, 2, 14);
  for (Case c :
       {Case{"14.02.2024", true, feb14}, Case{"14 02 2024", true, feb14}, Case{"14 \xDEub 2024", true, feb14},
        Case{"14-\xFEUBAT-2024", true, feb14}, Case{"14/2", true, feb14}, Case{"2024 \xDEub 14", true, feb14},
        Case{"1 2 03", true, EncodeDate(2003, 2, 1)},
        Case{"14 02 2024 10:30", true, feb14 + EncodeTime(10, 30, 0, 0)}, Case{"14 Foo 2024", false, 0},
        Case{"14 02 2024 25:00", false, 0}, Case{"31 02 2024", false, 0}, Case{"14", false, 0},
        Case{"1 2 3 4", false, 0}, Case{"14 02 20245", false, 0}, Case{"\xDEub Mar 2024", false, 0},
        Case{"", false, 0}}) {
    TDateTime value = -1;
    EXPECT_EQ(c.Ok, TryLenientStrToDateTime(c.Text, value)) << c.Text;
    EXPECT_EQ(c.Ok ? c.Expected : -1, value) << c.Text;
  }
  // The strict reading keeps to the settings' own separator.
  TDateTime value = 0;
  EXPECT_FALSE(TryStrToDateTime("14 02 2024", value));
  EXPECT_EQ(feb14, VarAsType(Variant("14 \xDEubat 2024"), varDate).AsDate());
}
