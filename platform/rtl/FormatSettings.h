#pragma once
// Locale format settings: one record that every number, currency, date and time conversion reads.
#include <array>

#include "platform/rtl/SysUtils.h"

struct TFormatSettings {
  BYTE CurrencyFormat = 0; // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  BYTE NegCurrFormat = 0;  // 0..15, the sixteen placements of sign, symbol and number
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  BYTE CurrencyDecimals = 2;
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  AnsiString CurrencyString;
  AnsiString ShortDateFormat;
  AnsiString LongDateFormat;
  AnsiString TimeAMString;
  AnsiString TimePMString;
  AnsiString ShortTimeFormat;
  AnsiString LongTimeFormat;
  std::array<AnsiString, 12> ShortMonthNames; // [0] is January
  std::array<AnsiString, 12> LongMonthNames;
  std::array<AnsiString, 7> ShortDayNames; // [0] is Sunday
  std::array<AnsiString, 7> LongDayNames;
  // A two-digit year is placed in the hundred years that end this many years after the current one;
  // 0 places it in the current century.
  WORD TwoDigitYearCenturyWindow = 50;
};

// The Turkish locale the program is made for, its texts in code page 1254.
TFormatSettings TurkishFormatSettings();

// The process's settings, read by every conversion that is not handed its own record. Tests and the
// application may change fields directly.
extern TFormatSettings FormatSettings;

// What the user's locale would report. The program starts with the Turkish locale; a test injects
// another one to stand for a change of the international settings, which GetFormatSettings then reads.
const TFormatSettings& LocaleFormatSettings();
void SetLocaleFormatSettings(const TFormatSettings& settings);
// The first day of the week as the locale reports it: 0 Monday ... 6 Sunday.
int LocaleFirstDayOfWeek();
void SetLocaleFirstDayOfWeek(int day);

// Re-reads FormatSettings from the locale.
void GetFormatSettings();
// Restores the Turkish locale and re-reads FormatSettings from it.
void ResetFormatSettings();

// The words of Boolean texts; the first of each is what BoolToStr writes.
extern std::array<AnsiString, 1> TrueBoolStrs;
extern std::array<AnsiString, 1> FalseBoolStrs;
// "True"/"False" with useBoolStrs, else "-1"/"0".
AnsiString BoolToStr(bool value, bool useBoolStrs = false);
// Accepts the Boolean words in any case, and numbers (zero is false).
bool TryStrToBool(std::string_view s, bool& value);
bool StrToBool(std::string_view s); // raises EConvertError
