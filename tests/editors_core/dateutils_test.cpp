#include <gtest/gtest.h>

#include "editors/core/cxDateUtils.h"
#include "editors/core/cxFormats.h"
#include "lookandfeel/cxClasses.h"

namespace {

namespace du = cxDateUtils;

// Wednesday, 14 February 2024 (a leap year), 10:30.
const TDateTime Today = EncodeDate(2024, 2, 14);
const TDateTime Now_ = Today + EncodeTime(10, 30, 0, 0);

class DateUtils : public testing::Test {
protected:
  void SetUp() override {
    ResetFormatSettings();
    cxFormatsFinalize();
    SetFixedNow(Now_);
  }
  void TearDown() override {
    ResetClock();
    cxClearResourceStringTranslations();
    du::SmartTextToDateHook = nullptr;
    cxFormatsFinalize();
    ResetFormatSettings();
  }
};

TEST_F(DateUtils, SmartWordsOnAFixedWednesday) {
  struct Case {
    const char* Text;
    TDateTime Expected;
  };
  for (Case c : {Case{"today", Today},
                 Case{"  TODAY is fine", Today},
                 Case{"yesterday", Today - 1},
                 Case{"tomorrow", Today + 1},
                 Case{"Wednesday", Today},
                 Case{"saturday", Today + 3},
                 Case{"Monday", Today + 5},
                 Case{"Tuesday", Today + 6},
                 Case{"first", Today - 3},
                 Case{"seventh", Today + 3},
                 Case{"fourth", Today},
                 Case{"bom", EncodeDate(2024, 2, 1)},
                 Case{"eom", EncodeDate(2024, 2, 29)},
                 Case{"eom -1", EncodeDate(2024, 2, 28)},
                 Case{"now", Now_},
                 Case{"today +2", Today + 2},
                 Case{"today+3", Today + 3},
                 Case{"today + 3", Today + 3},
                 Case{"tomorrow-1", Today},
                 Case{"today +x", Today},
                 Case{"today +", Today},
                 Case{"today 5", Today}}) {
    TDateTime date = -1;
    EXPECT_TRUE(du::SmartTextToDate(c.Text, date)) << c.Text;
    EXPECT_EQ(c.Expected, date) << c.Text;
  }
  TDateTime date = 7;
  EXPECT_FALSE(du::SmartTextToDate("sat", date));
  EXPECT_FALSE(du::SmartTextToDate("", date));
  EXPECT_EQ(7, date);
}

TEST_F(DateUtils, EndOfMonthOutsideLeapYearsAndWeekdayOnItsOwnDay) {
  SetFixedNow(EncodeDate(2023, 2, 18)); // a Saturday
  TDateTime date = 0;
  ASSERT_TRUE(du::SmartTextToDate("eom", date));
  EXPECT_EQ(EncodeDate(2023, 2, 28), date);
  ASSERT_TRUE(du::SmartTextToDate("Saturday", date));
  EXPECT_EQ(EncodeDate(2023, 2, 18), date);
  ASSERT_TRUE(du::SmartTextToDate("Friday", date));
  EXPECT_EQ(EncodeDate(2023, 2, 24), date);
}

TEST_F(DateUtils, LongestTranslatedWordWinsAndTheHookTakesTheRest) {
  cxSetResourceStringTranslation("today", "to");
  cxSetResourceStringTranslation("tomorrow", "tom");
  int index = -1;
  ASSERT_TRUE(du::FindSmartWord("Tomato", index));
  EXPECT_EQ(2, index);
  ASSERT_TRUE(du::FindSmartWord("tOx", index));
  EXPECT_EQ(0, index);
  EXPECT_FALSE(du::FindSmartWord("t", index));

  std::vector<AnsiString> asked;
  du::SmartTextToDateHook = [&](const AnsiString& AText, TDateTime& ADate) {
    asked.push_back(AText);
    ADate = 42;
    return true;
  };
  TDateTime date = 0;
  EXPECT_TRUE(du::SmartTextToDate(" someday ", date));
  EXPECT_EQ(42, date);
  EXPECT_EQ((std::vector<AnsiString>{" someday "}), asked);
}

TEST_F(DateUtils, SmartWordsInTheRegularExpressionMask) {
  cxSetResourceStringTranslation("today", "o'clock'");
  AnsiString mask = "x";
  du::AddSmartWordsToRegExpr(mask, false);
  EXPECT_EQ("(x)|('o'\\''clock'\\'|'yesterday'|'tomorrow'|'Sunday'|'Monday'|'Tuesday'|'Wednesday'|'Thursday'|"
            "'Friday'|'Saturday'|'first'|'second'|'third'|'fourth'|'fifth'|'sixth'|'seventh'|'bom'|'eom')"
            "((\\+|-)\\d(\\d(\\d\\d?)?)?)?",
            mask);
  AnsiString withNow;
  du::AddSmartWordsToRegExpr(withNow, true);
  EXPECT_NE(AnsiString::npos, withNow.find("|'eom'|'now')"));
}

TEST_F(DateUtils, TextToDate) {
  struct Case {
    const char* Text;
    bool Ok;
    TDateTime Expected;
  };
  for (Case c : {Case{"1.2.2003", true, EncodeDate(2003, 2, 1)},
                 Case{" 14.\xDE"
                      "ub.2024 ",
                      true, Today},
                 Case{"14.02.2024 10:30", true, Now_}, Case{"tomorrow", true, Today + 1},
                 Case{"1.1.10000", false, du::NullDate}, Case{"31.02.2024", false, du::NullDate},
                 Case{"nonsense", false, du::NullDate}}) {
    TDateTime date = 5;
    EXPECT_EQ(c.Ok, du::TextToDate(c.Text, date)) << c.Text;
    EXPECT_EQ(c.Expected, date) << c.Text;
  }
  TDateTime date = 5;
  EXPECT_FALSE(du::TextToDate("   ", date));
  EXPECT_EQ(5, date);
  // An offset that leaves the years 1..9999 is refused without an exception escaping.
  EXPECT_FALSE(du::TextToDate("today-800000", date));
  SetFixedNow(EncodeDate(9999, 12, 31));
  EXPECT_FALSE(du::TextToDate("today+1", date));

  GetFormatController()->SetUsePlatformDateTimeFormats(true);
  EXPECT_FALSE(du::TextToDate("14 02 2024", date)); // the platform reads only its own separator
  EXPECT_TRUE(du::TextToDate("14.02.2024", date));
  EXPECT_EQ(Today, date);
}

TEST_F(DateUtils, TryTextToDateTime) {
  TDateTime value = 0;
  EXPECT_TRUE(du::TryTextToDateTime("14 \xDEubat 2024", true, value));
  EXPECT_EQ(Today, value);
  EXPECT_FALSE(du::TryTextToDateTime("14 \xDEubat 2024", false, value));
  EXPECT_EQ(du::NullDate, value);
  EXPECT_TRUE(du::TryTextToDateTime("14.02.2024", false, value));
  EXPECT_EQ(Today, value);
}

TEST_F(DateUtils, DateTimeToText) {
  EXPECT_EQ("", du::DateTimeToText(du::NullDate));
  EXPECT_EQ("14.02.2024", du::DateTimeToText(Today));
  EXPECT_EQ("14.02.2024 10:30:00", du::DateTimeToText(Now_));
  EXPECT_EQ("14.02.2024", du::DateTimeToTextEx(true, false, Now_));
  EXPECT_EQ("14.02.2024 10:30:00", du::DateTimeToTextEx(true, true, Now_));
  EXPECT_EQ("", du::DateTimeToTextEx(true, true, du::NullDate));
  FormatSettings.ShortDateFormat = "yyyy-MM-dd";
  FormatSettings.DateSeparator = '-';
  cxFormatsFinalize();
  EXPECT_EQ("2024-02-14", du::DateTimeToTextEx(true, false, Now_));
  GetFormatController()->SetUsePlatformDateTimeFormats(true);
  EXPECT_EQ("2024-02-14 10:30:00", du::DateTimeToText(Now_));
}

TEST_F(DateUtils, CalendarFunctions) {
  struct Change {
    int Year, Month, Delta, NewYear, NewMonth, Years;
  };
  for (Change c : {Change{2024, 1, -1, 2023, 12, 0}, Change{2024, 11, 14, 2026, 1, 1},
                   Change{2024, 3, -15, 2022, 12, -1}, Change{2024, 12, 1, 2025, 1, 0},
                   Change{2024, 6, 0, 2024, 6, 0}, Change{2024, 6, 24, 2026, 6, 2}}) {
    int y = c.Year, m = c.Month;
    EXPECT_EQ(c.Years, du::ChangeMonth(y, m, c.Delta)) << c.Year << "/" << c.Month << " " << c.Delta;
    EXPECT_EQ(c.NewYear, y);
    EXPECT_EQ(c.NewMonth, m);
  }
  int y = 2024, m = 12;
  du::IncMonth(y, m);
  EXPECT_EQ(std::pair(2025, 1), std::pair(y, m));
  du::DecMonth(y, m);
  EXPECT_EQ(std::pair(2024, 12), std::pair(y, m));
  du::DecMonth(y, m);
  EXPECT_EQ(std::pair(2024, 11), std::pair(y, m));

  for (auto [year, leap] :
       {std::pair{1900, false}, std::pair{2000, true}, std::pair{2023, false}, std::pair{2024, true}})
    EXPECT_EQ(leap, du::IsLeapYear(year)) << year;
  EXPECT_EQ(29, du::DaysPerMonth(2024, 2));
  EXPECT_EQ(28, du::DaysPerMonth(1900, 2));
  EXPECT_EQ(30, du::DaysPerMonth(2023, 11));
  EXPECT_EQ(1, du::CheckDay(2023, 2, 0));
  EXPECT_EQ(28, du::CheckDay(2023, 2, 31));
  EXPECT_EQ(15, du::CheckDay(2023, 2, 15));
  EXPECT_EQ(2024, du::GetDateElement(0, Now_));
  EXPECT_EQ(2, du::GetDateElement(1, Now_));
  EXPECT_EQ(14, du::GetDateElement(2, Now_));
  EXPECT_EQ(Today, du::DateOf(Now_));
  EXPECT_DOUBLE_EQ(0.4375, du::TimeOf(Now_));
  EXPECT_EQ(-1, du::DateOf(-1.25));
  EXPECT_DOUBLE_EQ(0.25, du::TimeOf(-1.25));
}

} // namespace
