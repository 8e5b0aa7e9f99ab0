#include "editors/core/cxDateUtils.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "editors/core/cxFormats.h"
#include "lookandfeel/cxClasses.h"
#include "platform/rtl/Locale.h"
#include "platform/rtl/Variants.h"

namespace cxDateUtils {

TcxSmartTextToDateHook SmartTextToDateHook;

namespace {

const char* const SmartWordTexts[SmartWordCount] = {"today",   "yesterday", "tomorrow", "Sunday", "Monday",
                                                    "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
                                                    "first",   "second",    "third",    "fourth", "fifth",
                                                    "sixth",   "seventh",   "bom",      "eom",    "now"};
constexpr int NowWordIndex = 19;

// Literal runs between quotes; a quote itself is written \' outside them.
AnsiString QuotedWord(const AnsiString& AWord) {
  AnsiString result;
  bool open = false;
  for (char c : AWord) {
    if (c == '\'') {
      if (open)
        result += '\'';
      open = false;
      result += "\\'";
    } else {
      if (!open)
        result += '\'';
      open = true;
      result += c;
    }
  }
  if (open)
    result += '\'';
  return result;
}

} // namespace

std::array<AnsiString, SmartWordCount> SmartWords() {
  std::array<AnsiString, SmartWordCount> words;
  for (int i = 0; i < SmartWordCount; ++i)
    words[std::size_t(i)] = cxGetResourceString(SmartWordTexts[i]);
  return words;
}

bool FindSmartWord(const AnsiString& AText, int& AIndex) {
  const auto words = SmartWords();
  std::array<int, SmartWordCount> order;
  for (int i = 0; i < SmartWordCount; ++i)
    order[std::size_t(i)] = i;
  std::stable_sort(order.begin(), order.end(), [&](int A, int B) {
    const AnsiString& a = words[std::size_t(A)];
    const AnsiString& b = words[std::size_t(B)];
    if (a.size() != b.size())
      return a.size() > b.size();
    return AnsiCompareText(a, b) > 0;
  });
  for (int i : order) {
    const AnsiString& word = words[std::size_t(i)];
    if (!word.empty() && AText.size() >= word.size() && AnsiSameText(AText.substr(0, word.size()), word)) {
      AIndex = i;
      return true;
    }
  }
  return false;
}

bool SmartTextToDate(const AnsiString& AText, TDateTime& ADate) {
  const AnsiString s = Trim(AText);
  int index = -1;
  if (!FindSmartWord(s, index))
    return SmartTextToDateHook ? SmartTextToDateHook(AText, ADate) : false;
  const TDateTime today = Date();
  const int dow = DayOfWeek(today);
  WORD year, month, day;
  DecodeDate(today, year, month, day);
  if (index == 0)
    ADate = today;
  else if (index == 1)
    ADate = today - 1;
  else if (index == 2)
    ADate = today + 1;
  else if (index <= 9) {
    int delta = (index - 2) - dow;
    ADate = delta >= 0 ? today + delta : today + 7 + delta;
  } else if (index <= 16)
    ADate = today - (dow - (index - 9));
  else if (index == 17)
    ADate = EncodeDate(year, month, 1);
  else if (index == 18)
    ADate = EncodeDate(year, month, WORD(DaysPerMonth(year, month)));
  else
    ADate = Now();
  const AnsiString rest = Trim(std::string_view(s).substr(SmartWords()[std::size_t(index)].size()));
  if (rest.size() >= 2 && (rest[0] == '+' || rest[0] == '-')) {
    int offset = 0;
    if (TryStrToInt(Trim(std::string_view(rest).substr(1)), offset))
      ADate += rest[0] == '+' ? offset : -double(offset);
  }
  return true;
}

bool TextToDate(const AnsiString& AText, TDateTime& ADate) {
  AnsiString s = Trim(AText);
  if (s.empty())
    return false;
  try {
    const bool platformFormats = GetFormatController()->UsePlatformDateTimeFormats();
    if (!platformFormats && FormatSettings.DateSeparator == '.') {
      // The Variant conversion does not know "." as a date separator but takes blanks.
      int replaced = 0;
      for (char& c : s)
        if (c == '.' && replaced < 2) {
          c = ' ';
          ++replaced;
        }
    }
    if (!SmartTextToDate(s, ADate))
      ADate = platformFormats ? StrToDateTime(s) : VarAsType(Variant(s), varDate).AsDate();
    if (!std::isfinite(ADate) || ADate < double(INT_MIN) || ADate > double(INT_MAX))
      return false;
    WORD year, month, day;
    DecodeDate(ADate, year, month, day);
    return day > 0 && year <= 9999;
  } catch (const std::exception&) {
    ADate = NullDate;
    return false;
  }
}

bool TryTextToDateTime(const AnsiString& AText, bool AUseVariantConversion, TDateTime& ADateTime) {
  ADateTime = NullDate;
  try {
    ADateTime = AUseVariantConversion ? VarAsType(Variant(AText), varDate).AsDate() : StrToDateTime(AText);
    return true;
  } catch (const std::exception&) {
    ADateTime = NullDate;
    return false;
  }
}

AnsiString DateTimeToText(TDateTime ADateTime) {
  if (ADateTime == NullDate)
    return "";
  if (GetFormatController()->UsePlatformDateTimeFormats())
    return DateTimeToStr(ADateTime);
  SYSTEMTIME st;
  WORD year, month, day, dow, hour, min, sec, msec;
  DecodeDateFully(ADateTime, year, month, day, dow);
  DecodeTime(ADateTime, hour, min, sec, msec);
  st.wYear = year;
  st.wMonth = month;
  st.wDay = day;
  st.wDayOfWeek = WORD(dow - 1);
  st.wHour = hour;
  st.wMinute = min;
  st.wSecond = sec;
  st.wMilliseconds = msec;
  char buffer[100];
  if (GetDateFormatA(GetThreadLocale(), DATE_SHORTDATE, &st, nullptr, buffer, int(sizeof buffer)) == 0)
    return VarAsType(Variant::FromDate(ADateTime), varString).AsString();
  AnsiString text = buffer;
  if (TimeOf(ADateTime) != 0 &&
      GetTimeFormatA(GetThreadLocale(), 0, &st, nullptr, buffer, int(sizeof buffer)) != 0)
    text += AnsiString(" ") + buffer;
  return text;
}

AnsiString DateTimeToTextEx(bool AUseEditFormat, bool AWithTime, TDateTime ADateTime) {
  if (ADateTime == NullDate)
    return "";
  if (!AUseEditFormat)
    return DateTimeToText(ADateTime);
  const TcxFormatController* controller = GetFormatController();
  return AWithTime ? FormatDateTime(controller->DateTimeEditFormat(), ADateTime)
                   : FormatDateTime(controller->DateEditFormat(), DateOf(ADateTime));
}

void AddSmartWordsToRegExpr(AnsiString& AMask, bool AWithNow) {
  const auto words = SmartWords();
  AnsiString alternatives;
  for (int i = 0; i < SmartWordCount; ++i) {
    if (i == NowWordIndex && !AWithNow)
      continue;
    if (!alternatives.empty())
      alternatives += '|';
    alternatives += QuotedWord(words[std::size_t(i)]);
  }
  AMask = "(" + AMask + ")|(" + alternatives + ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
}

void IncMonth(int& AYear, int& AMonth) {
  if (AMonth == 12) {
    ++AYear;
    AMonth = 1;
  } else {
    ++AMonth;
  }
}

void DecMonth(int& AYear, int& AMonth) {
  if (AMonth == 1) {
    --AYear;
    AMonth = 12;
  } else {
    --AMonth;
  }
}

int ChangeMonth(int& AYear, int& AMonth, int ADelta) {
  AYear += ADelta / 12;
  int m = AMonth + ADelta % 12;
  if (m < 1) {
    --AYear;
    m += 12;
  } else if (m > 12) {
    ++AYear;
    m -= 12;
  }
  AMonth = m;
  return ADelta / 12;
}

int GetDateElement(int AElement, TDateTime ADate) {
  WORD year, month, day;
  DecodeDate(ADate, year, month, day);
  return AElement == 0 ? year : AElement == 1 ? month : day;
}

bool IsLeapYear(int AYear) {
  return AYear % 4 == 0 && (AYear % 100 != 0 || AYear % 400 == 0);
}

int DaysPerMonth(int AYear, int AMonth) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (AMonth < 1 || AMonth > 12)
    return 0;
  return days[AMonth - 1] + (AMonth == 2 && IsLeapYear(AYear) ? 1 : 0);
}

int CheckDay(int AYear, int AMonth, int ADay) {
  return std::clamp(ADay, 1, std::max(1, DaysPerMonth(AYear, AMonth)));
}

TDateTime DateOf(TDateTime ADateTime) {
  return std::trunc(ADateTime);
}

TDateTime TimeOf(TDateTime ADateTime) {
  return std::fabs(ADateTime - std::trunc(ADateTime));
}

} // namespace cxDateUtils

const TUnitInfo cxDateUtilsUnit{"cxDateUtils", nullptr, [] { cxDateUtils::SmartTextToDateHook = nullptr; }};
