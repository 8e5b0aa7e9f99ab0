#pragma once
// Locale helpers of the data engine and the text match of incremental search.
#include "platform/rtl/Variants.h"

bool DataCompareText(const AnsiString& ASearchText, const AnsiString& AText, bool APartial);
// 0 = Sunday ... 6 = Saturday, from the locale's first day of the week.
int GetFirstWeekDay();
TDateTime GetStartOfWeek(TDateTime D);

// The locale's first-day-of-week value as the system reports it ("0" = Monday ... "6" = Sunday); tests and
// the locale layer replace it, the default is the system's answer for a locale that does not say.
using TcxLocaleFirstDayProc = AnsiString (*)();
extern TcxLocaleFirstDayProc cxLocaleFirstDayOfWeek;

// Today without a time, from a clock that tests can replace.
using TcxTodayProc = TDateTime (*)();
extern TcxTodayProc cxToday;
