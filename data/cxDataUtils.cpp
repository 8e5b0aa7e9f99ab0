#include "data/cxDataUtils.h"

bool DataCompareText(const AnsiString& ASearchText, const AnsiString& AText, bool APartial) {
  AnsiString search = AnsiUpperCase(ASearchText);
  AnsiString text = AnsiUpperCase(AText);
  if (search.empty())
    return text.empty();
  if (!APartial)
    return search == text;
  return search.size() <= text.size() && text.compare(0, search.size(), search) == 0;
}

AnsiString GetCurrencyDisplayFormat() {
  AnsiString s = ",0." + AnsiString(FormatSettings.CurrencyDecimals, '0');
  AnsiString t;
  // Separators inside the symbol would be read as format characters, so they are quoted.
  for (char c : FormatSettings.CurrencyString)
    if (c == ',' || c == '.')
      t += AnsiString("'") + c + "'";
    else
      t += c;
  if (t.empty())
    return s;
  switch (FormatSettings.CurrencyFormat) {
  case 0:
    return t + s;
  case 1:
    return s + t;
  case 2:
    return t + " " + s;
  case 3:
    return s + " " + t;
  default:
    return s;
  }
}

int GetFirstWeekDay() {
  // The locale counts from Monday; the data engine counts from Sunday.
  int value = LocaleFirstDayOfWeek() + 1;
  return value == 7 ? 0 : value;
}

TDateTime GetStartOfWeek(TDateTime D) {
  int f = GetFirstWeekDay();
  int w = DayOfWeek(D) - 1;
  if (f <= w)
    return DateOf(D) - (w - f);
  return DateOf(D) - 7 + (f - w);
}
