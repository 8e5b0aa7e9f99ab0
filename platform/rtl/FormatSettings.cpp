#include "platform/rtl/FormatSettings.h"

#include <atomic>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FloatText.h"

namespace {

// The sources are UTF-8; the settings hold 1254 text whatever the default code page is at the moment.
AnsiString Turkish(const char* utf8) {
  AnsiString out;
  for (char16_t c : Utf8ToWide(utf8)) {
    int b = CodePageWideToByte(CP_WINDOWS_1254, c);
    out += b < 0 ? DefaultAnsiChar : char(b);
  }
  return out;
}

TFormatSettings gLocale = TurkishFormatSettings();
std::atomic<int> gFirstDayOfWeek{0};

} // namespace

TFormatSettings TurkishFormatSettings() {
  TFormatSettings s;
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  s.ThousandSeparator = '.';
  s.DecimalSeparator = ',';
  s.CurrencyDecimals = 2;
  s.DateSeparator = '.';
  s.TimeSeparator = ':';
  s.ListSeparator = ';';
  s.CurrencyString = "TL";
  s.ShortDateFormat = "dd.MM.yyyy";
  s.LongDateFormat = "dd MMMM yyyy dddd";
  s.TimeAMString = Turkish("ÖÖ");
  s.TimePMString = Turkish("ÖS");
  s.ShortTimeFormat = "HH:mm";
  s.LongTimeFormat = "HH:mm:ss";
  const char* longMonths[12] = {"Ocak",   "Şubat",   "Mart",  "Nisan", "Mayıs", "Haziran",
                                "Temmuz", "Ağustos", "Eylül", "Ekim",  "Kasım", "Aralık"};
  const char* shortMonths[12] = {"Oca", "Şub", "Mar", "Nis", "May", "Haz",
                                 "Tem", "Ağu", "Eyl", "Eki", "Kas", "Ara"};
  const char* longDays[7] = {"Pazar", "Pazartesi", "Salı", "Çarşamba", "Perşembe", "Cuma", "Cumartesi"};
  const char* shortDays[7] = {"Paz", "Pzt", "Sal", "Çar", "Per", "Cum", "Cmt"};
  for (int i = 0; i < 12; ++i) {
    s.LongMonthNames[i] = Turkish(longMonths[i]);
    s.ShortMonthNames[i] = Turkish(shortMonths[i]);
  }
  for (int i = 0; i < 7; ++i) {
    s.LongDayNames[i] = Turkish(longDays[i]);
    s.ShortDayNames[i] = Turkish(shortDays[i]);
  }
  s.TwoDigitYearCenturyWindow = 50;
  return s;
}

TFormatSettings FormatSettings = TurkishFormatSettings();

const TFormatSettings& LocaleFormatSettings() {
  return gLocale;
}

void SetLocaleFormatSettings(const TFormatSettings& settings) {
  gLocale = settings;
}

int LocaleFirstDayOfWeek() {
  return gFirstDayOfWeek.load(std::memory_order_relaxed);
}

void SetLocaleFirstDayOfWeek(int day) {
  if (day < 0 || day > 6)
    throw EInvalidArgument("First day of the week out of range: " + IntToStr(day));
  gFirstDayOfWeek.store(day, std::memory_order_relaxed);
}

void GetFormatSettings() {
  FormatSettings = gLocale;
}

void ResetFormatSettings() {
  gLocale = TurkishFormatSettings();
  gFirstDayOfWeek.store(0, std::memory_order_relaxed);
  GetFormatSettings();
}

std::array<AnsiString, 1> TrueBoolStrs = {"True"};
std::array<AnsiString, 1> FalseBoolStrs = {"False"};

AnsiString BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs)
    return value ? TrueBoolStrs[0] : FalseBoolStrs[0];
  return value ? "-1" : "0";
}

bool TryStrToBool(std::string_view s, bool& value) {
  double number = 0;
  if (TryStrToFloat(s, number)) {
    value = number != 0;
    return true;
  }
  for (const AnsiString& word : TrueBoolStrs) {
    if (AnsiSameText(s, word)) {
      value = true;
      return true;
    }
  }
  for (const AnsiString& word : FalseBoolStrs) {
    if (AnsiSameText(s, word)) {
      value = false;
      return true;
    }
  }
  return false;
}

bool StrToBool(std::string_view s) {
  bool value = false;
  if (!TryStrToBool(s, value))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid boolean value");
  return value;
}
