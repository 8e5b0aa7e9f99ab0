// The masks the format controller writes, compiled by the mask languages they are written for.
#include <gtest/gtest.h>

#include "editors/core/cxDateUtils.h"
#include "editors/core/cxFormats.h"
#include "editors/dropdown/cxRegExpr.h"
#include "editors/dropdown/cxStandardMask.h"

namespace {

class FormatMasks : public testing::Test {
protected:
  void SetUp() override {
    ResetFormatSettings();
    SetFixedNow(EncodeDateTime(2024, 2, 14, 9, 30, 0, 0));
    cxFormatsFinalize();
  }
  void TearDown() override {
    cxFormatsFinalize();
    ResetFormatSettings();
    ResetClock();
  }
  static TcxRegExpr Compiled(const AnsiString& AMask) {
    TcxRegExpr r;
    r.Compile(AMask);
    return r;
  }
};

TEST_F(FormatMasks, TurkishDateMaskAcceptsWhatTextToDateReads) {
  TcxRegExpr mask = Compiled(GetFormatController()->RegExprDateEditMask());
  struct Case {
    const char* Text;
    bool Accepted;
    TDateTime Date; // what TextToDate makes of an accepted text
  };
  const TDateTime today = EncodeDate(2024, 2, 14);
  for (Case c : {Case{"14.02.2024", true, today}, Case{"1.2.2024", true, EncodeDate(2024, 2, 1)},
                 Case{"14.\xDEub.2024", true, today}, Case{"31.12.1999", true, EncodeDate(1999, 12, 31)},
                 Case{"today+3", true, today + 3}, Case{"tomorrow-1", true, today},
                 Case{"32.01.2024", false, 0}, Case{"today+12345", false, 0}, Case{"14.13.2024", false, 0},
                 Case{"14.02.24", false, 0}, Case{"now", false, 0}}) {
    EXPECT_EQ(c.Accepted, mask.IsMatch(c.Text)) << c.Text;
    if (c.Accepted) {
      TDateTime date = 0;
      EXPECT_TRUE(cxDateUtils::TextToDate(c.Text, date)) << c.Text;
      EXPECT_EQ(c.Date, date) << c.Text;
    }
  }
  EXPECT_TRUE(mask.IsPrefix("14.\xDE"));
  EXPECT_FALSE(mask.IsPrefix("4x"));
}

TEST_F(FormatMasks, DateTimeMaskMatchesADateWithATime) {
  TcxRegExpr mask = Compiled(GetFormatController()->RegExprDateTimeEditMask());
  for (const char* accepted : {"14.02.2024 10:30:00", "14.02.2024 ", "14.\xDEub.2024 23:59:59", "now",
                               "now+2", "today 8:05:00", "today"})
    EXPECT_TRUE(mask.IsMatch(accepted)) << accepted;
  for (const char* refused :
       {"14.02.2024 24:00:00", "14.02.2024 10:60:00", "32.01.2024 10:00:00", "today+12345"})
    EXPECT_FALSE(mask.IsMatch(refused)) << refused;
}

TEST_F(FormatMasks, StandardMasksCompileForTheSeparatorsOfTheLocale) {
  const TcxFormatController* c = GetFormatController();
  // The Turkish short date format writes its dots as literals, not as the date separator.
  EXPECT_EQ("!99\\.99\\.9999;1; ", c->StandardDateEditMask());
  EXPECT_EQ("!99\\.99\\.9999\\ 99:99:99;1; ", c->StandardDateTimeEditMask());
  TcxStandardMask date;
  date.Compile(c->StandardDateEditMask(), FormatSettings.DateSeparator, FormatSettings.TimeSeparator);
  EXPECT_TRUE(date.IsMatch("14.02.2024"));
  TcxStandardMask dateTime;
  dateTime.Compile(c->StandardDateTimeEditMask(), FormatSettings.DateSeparator, FormatSettings.TimeSeparator);
  EXPECT_TRUE(dateTime.IsMatch("14.02.2024 10:30:00"));
  EXPECT_FALSE(dateTime.IsMatch("14.02.2024/10:30:00"));
}

TEST_F(FormatMasks, TwelveHourLocaleWithMonthNames) {
  FormatSettings.ShortDateFormat = "MMM/d/yy";
  FormatSettings.DateSeparator = '-';
  FormatSettings.LongTimeFormat = "h:mm:ss AM/PM";
  FormatSettings.ShortMonthNames[4] = "May";
  cxFormatsFinalize();
  TcxRegExpr dateTime = Compiled(GetFormatController()->RegExprDateTimeEditMask());
  EXPECT_TRUE(dateTime.IsMatch("May-7-24 12:05:09 PM"));
  EXPECT_TRUE(dateTime.IsMatch("5-7-24 1:05:09 AM"));
  EXPECT_TRUE(dateTime.IsMatch("5-7-24 1:05:09 ")); // the blank before the designator is written as a literal
  EXPECT_FALSE(dateTime.IsMatch("5-7-24 13:05:09"));
  EXPECT_FALSE(dateTime.IsMatch("5-7-2024 1:05:09"));
}

} // namespace
