#include "data/cxDataUtils.h"

#include <cmath>
#include <ctime>

namespace {
AnsiString DefaultFirstDay() {
  return "0";
}
// 1 = Sunday ... 7 = Saturday; day 0 was a Saturday.
int WeekDay(TDateTime AValue) {
  long long serial = (long long)std::trunc(AValue);
  return int(((serial - 1) % 7 + 7) % 7) + 1;
}
TDateTime SystemToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // Days from 1899-12-30 to 1970-01-01, plus the local calendar day.
  long long days = (long long)std::floor(double(timegm(&local)) / 86400.0);
  return double(days + 25569);
}
} // namespace

TcxLocaleFirstDayProc cxLocaleFirstDayOfWeek = &DefaultFirstDay;
TcxTodayProc cxToday = &SystemToday;

bool DataCompareText(const AnsiString& ASearchText, const AnsiString& AText, bool APartial) {
  AnsiString search = AnsiUpperCase(ASearchText);
  AnsiString text = AnsiUpperCase(AText);
  if (search.empty())
    return text.empty();
  if (!APartial)
    return search == text;
  return search.size() <= text.size() && text.compare(0, search.size(), search) == 0;
}

int GetFirstWeekDay() {
  int value = StrToIntDef(cxLocaleFirstDayOfWeek(), 0) + 1;
  if (value < 0 || value > 7)
    value = 1;
  return value == 7 ? 0 : value;
}

TDateTime GetStartOfWeek(TDateTime D) {
  int f = GetFirstWeekDay();
  int w = WeekDay(D) - 1;
  TDateTime day = std::trunc(D);
  if (f <= w)
    return day - (w - f);
  return day - 7 + (f - w);
}
