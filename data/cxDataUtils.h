#pragma once
// Locale helpers of the data engine and the text match of incremental search.
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variants.h"

bool DataCompareText(const AnsiString& ASearchText, const AnsiString& AText, bool APartial);
// The display format of currency values from the locale's currency settings, such as "TL ,0.00".
AnsiString GetCurrencyDisplayFormat();
// 0 = Sunday ... 6 = Saturday, from the locale's first day of the week.
int GetFirstWeekDay();
TDateTime GetStartOfWeek(TDateTime D);
