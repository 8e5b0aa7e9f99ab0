#include "platform/rtl/DateTime.h"

#include <algorithm>
#include <vector>

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

namespace {

// Days of 1899-12-30 counted from 1970-01-01.
constexpr long long kUnixEpochSerial = 25569;

// Days from 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = (long long)yoe + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

// A value split into whole days (signed) and milliseconds of the day, rounded to the millisecond.
struct Stamp {
  long long days = 0;
  long long msec = 0;
  bool valid = false;
};

Stamp ToStamp(TDateTime value) {
  Stamp s;
  if (!std::isfinite(value) || std::fabs(value) > 1e7)
    return s;
  const long long total = std::llround(std::fabs(value) * MSecsPerDay);
  s.days = total / MSecsPerDay;
  if (value < 0)
    s.days = -s.days;
  s.msec = total % MSecsPerDay;
  s.valid = true;
  return s;
}

std::mutex gClockMutex;
TClockFunction gClock;

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  TDateTime value = 0;
  TryEncodeDateTime(WORD(local.tm_year + 1900), WORD(local.tm_mon + 1), WORD(local.tm_mday),
                    WORD(local.tm_hour), WORD(local.tm_min), WORD(std::min(local.tm_sec, 59)), WORD(ms),
                    value);
  return value;
}

} // namespace

const std::array<std::array<WORD, 12>, 2> MonthDays = {{
    {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
    {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
}};

bool IsLeapYear(WORD year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

WORD DaysInAMonth(WORD year, WORD month) {
  if (month < 1 || month > 12)
    return 0;
  return MonthDays[IsLeapYear(year)][month - 1];
}

WORD DaysInMonth(TDateTime value) {
  WORD y, m, d;
  DecodeDate(value, y, m, d);
  return DaysInAMonth(y, m);
}

bool TryEncodeDate(WORD year, WORD month, WORD day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
    return false;
  date = TDateTime(DaysFromCivil(year, month, day) + kUnixEpochSerial);
  return true;
}

TDateTime EncodeDate(WORD year, WORD month, WORD day) {
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date))
    throw EConvertError("Invalid argument to date encode");
  return date;
}

bool TryEncodeTime(WORD hour, WORD min, WORD sec, WORD msec, TDateTime& time) {
  if (hour >= 24 || min >= 60 || sec >= 60 || msec >= 1000)
    return false;
  time = TDateTime((hour * 3600000 + min * 60000 + sec * 1000 + msec)) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(WORD hour, WORD min, WORD sec, WORD msec) {
  TDateTime time = 0;
  if (!TryEncodeTime(hour, min, sec, msec, time))
    throw EConvertError("Invalid argument to time encode");
  return time;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

bool TryEncodeDateTime(WORD year, WORD month, WORD day, WORD hour, WORD min, WORD sec, WORD msec,
                       TDateTime& value) {
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
    return false;
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime EncodeDateTime(WORD year, WORD month, WORD day, WORD hour, WORD min, WORD sec, WORD msec) {
  TDateTime value = 0;
  if (!TryEncodeDateTime(year, month, day, hour, min, sec, msec, value))
    throw EConvertError("Invalid argument to date encode");
  return value;
}

bool DecodeDateFully(TDateTime value, WORD& year, WORD& month, WORD& day, WORD& dow) {
  year = month = day = dow = 0;
  const Stamp s = ToStamp(value);
  if (!s.valid || s.days < MinDateTime || s.days > 2958465)
    return false;
  long long y;
  unsigned m, d;
  CivilFromDays(s.days - kUnixEpochSerial, y, m, d);
  year = WORD(y);
  month = WORD(m);
  day = WORD(d);
  dow = WORD((s.days + DateDelta) % 7 + 1);
  return IsLeapYear(year);
}

void DecodeDate(TDateTime value, WORD& year, WORD& month, WORD& day) {
  WORD dow;
  DecodeDateFully(value, year, month, day, dow);
}

void DecodeTime(TDateTime value, WORD& hour, WORD& min, WORD& sec, WORD& msec) {
  const Stamp s = ToStamp(value);
  long long ms = s.valid ? s.msec : 0;
  hour = WORD(ms / 3600000);
  ms %= 3600000;
  min = WORD(ms / 60000);
  ms %= 60000;
  sec = WORD(ms / 1000);
  msec = WORD(ms % 1000);
}

void DecodeDateTime(TDateTime value, WORD& year, WORD& month, WORD& day, WORD& hour, WORD& min, WORD& sec,
                    WORD& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value) {
  const Stamp s = ToStamp(value);
  return int(((s.days + DateDelta) % 7 + 7) % 7) + 1;
}

WORD YearOf(TDateTime value) {
  WORD y, m, d;
  DecodeDate(value, y, m, d);
  return y;
}

WORD MonthOf(TDateTime value) {
  WORD y, m, d;
  DecodeDate(value, y, m, d);
  return m;
}

WORD DayOf(TDateTime value) {
  WORD y, m, d;
  DecodeDate(value, y, m, d);
  return d;
}

// Both go through the millisecond count, so that the parts agree with DecodeDate and DecodeTime, and the
// time of a date-time equals the encoded time of its parts rather than carrying the rounding error of
// subtracting a large day number.
TDateTime DateOf(TDateTime value) {
  const Stamp s = ToStamp(value);
  return s.valid ? TDateTime(s.days) : std::trunc(value);
}

TDateTime TimeOf(TDateTime value) {
  const Stamp s = ToStamp(value);
  return s.valid ? TDateTime(s.msec) / MSecsPerDay : 0.0;
}

void IncAMonth(WORD& year, WORD& month, WORD& day, int months) {
  long long total = (long long)year * 12 + (month - 1) + months;
  long long y = total / 12;
  int m = int(total % 12);
  if (m < 0) {
    m += 12;
    --y;
  }
  if (y < 1 || y > 9999)
    throw EConvertError("Invalid argument to date encode");
  year = WORD(y);
  month = WORD(m + 1);
  day = std::min(day, DaysInAMonth(year, month));
}

TDateTime IncMonth(TDateTime value, int months) {
  WORD y, m, d;
  DecodeDate(value, y, m, d);
  if (y == 0)
    throw EConvertError("Invalid argument to date encode");
  IncAMonth(y, m, d, months);
  return ComposeDateTime(EncodeDate(y, m, d), TimeOf(value));
}

void SetClock(TClockFunction clock) {
  std::lock_guard lock(gClockMutex);
  gClock = std::move(clock);
}

void SetFixedNow(TDateTime now) {
  SetClock([now] { return now; });
}

void ResetClock() {
  SetClock(nullptr);
}

TDateTime Now() {
  TClockFunction clock;
  {
    std::lock_guard lock(gClockMutex);
    clock = gClock;
  }
  return clock ? clock() : SystemNow();
}

TDateTime Date() {
  return DateOf(Now());
}

TDateTime Time() {
  return TimeOf(Now());
}

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithText(std::string_view s, size_t i, std::string_view word) {
  return s.size() - i >= word.size() && SameText(s.substr(i, word.size()), word);
}

std::string Padded(int value, int width) {
  std::string s = std::to_string(value);
  if (int(s.size()) < width)
    s.insert(0, width - s.size(), '0');
  return s;
}

struct Parts {
  WORD year, month, day, dow, hour, min, sec, msec;
  bool hasTime;
};

// Whether an AM/PM designator comes later in the format, outside quotes: it makes an hour 12-hour.
bool AmPmFollows(std::string_view f, size_t i) {
  while (i < f.size()) {
    const char c = f[i];
    if (c == '\'' || c == '"') {
      const size_t end = f.find(c, i + 1);
      i = end == std::string_view::npos ? f.size() : end + 1;
      continue;
    }
    if (Upper(c) == 'A' &&
        (StartsWithText(f, i, "am/pm") || StartsWithText(f, i, "a/p") || StartsWithText(f, i, "ampm")))
      return true;
    ++i;
  }
  return false;
}

// Referenced formats (c, ddddd, dddddd, t, tt) expand in place, one level deep only: a referenced format
// that refers to another is not expanded again, so a settings record cannot make formatting recurse.
void AppendFormat(std::string& out, std::string_view f, const Parts& p, const TFormatSettings& s, int level) {
  char lastToken = ' ';
  size_t i = 0;
  auto run = [&](char upper) {
    size_t n = 0;
    while (i + n < f.size() && Upper(f[i + n]) == upper)
      ++n;
    return int(n);
  };
  while (i < f.size()) {
    const char c = f[i];
    char token = Upper(c);
    if (IsLetter(c)) {
      if (token == 'M' && lastToken == 'H')
        token = 'N';
      lastToken = token;
    }
    switch (token) {
    case 'Y': {
      const int n = run('Y');
      out += n <= 2 ? Padded(p.year % 100, 2) : Padded(p.year, 4);
      i += n;
      break;
    }
    case 'M': {
      const int n = run('M');
      if (n <= 2)
        out += Padded(p.month, n);
      else if (p.month >= 1)
        out += n == 3 ? s.ShortMonthNames[p.month - 1] : s.LongMonthNames[p.month - 1];
      i += n;
      break;
    }
    case 'D': {
      const int n = run('D');
      if (n <= 2)
        out += Padded(p.day, n);
      else if (n <= 4 && p.dow >= 1)
        out += n == 3 ? s.ShortDayNames[p.dow - 1] : s.LongDayNames[p.dow - 1];
      else if (n >= 5 && level < 1)
        AppendFormat(out, n == 5 ? s.ShortDateFormat : s.LongDateFormat, p, s, level + 1);
      i += n;
      break;
    }
    case 'H': {
      const int n = run('H');
      int hour = p.hour;
      if (AmPmFollows(f, i + n)) {
        hour %= 12;
        if (hour == 0)
          hour = 12;
      }
      out += Padded(hour, n >= 2 ? 2 : 1);
      i += n;
      break;
    }
    case 'N': {
      const int n = run(Upper(c));
      out += Padded(p.min, n >= 2 ? 2 : 1);
      i += n;
      break;
    }
    case 'S': {
      const int n = run('S');
      out += Padded(p.sec, n >= 2 ? 2 : 1);
      i += n;
      break;
    }
    case 'Z': {
      const int n = run('Z');
      out += Padded(p.msec, n > 3 ? 3 : n);
      i += n;
      break;
    }
    case 'T': {
      const int n = run('T');
      if (level < 1)
        AppendFormat(out, n == 1 ? s.ShortTimeFormat : s.LongTimeFormat, p, s, level + 1);
      i += n;
      break;
    }
    case 'C': {
      const int n = run('C');
      if (level < 1) {
        AppendFormat(out, s.ShortDateFormat, p, s, level + 1);
        if (p.hasTime) {
          out += ' ';
          AppendFormat(out, s.LongTimeFormat, p, s, level + 1);
        }
      }
      i += n;
      break;
    }
    case 'A': {
      const bool pm = p.hour >= 12;
      if (StartsWithText(f, i, "am/pm")) {
        out += f.substr(pm ? i + 3 : i, 2);
        i += 5;
      } else if (StartsWithText(f, i, "a/p")) {
        out += f[pm ? i + 2 : i];
        i += 3;
      } else if (StartsWithText(f, i, "ampm")) {
        out += pm ? s.TimePMString : s.TimeAMString;
        i += 4;
      } else {
        out += c;
        ++i;
      }
      break;
    }
    case '/':
      if (s.DateSeparator)
        out += s.DateSeparator;
      ++i;
      break;
    case ':':
      if (s.TimeSeparator)
        out += s.TimeSeparator;
      ++i;
      break;
    case '\'':
    case '"': {
      const size_t end = f.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? f.size() : end;
      out.append(f.substr(i + 1, stop - i - 1));
      i = end == std::string_view::npos ? f.size() : end + 1;
      break;
    }
    default:
      out += c;
      ++i;
    }
  }
}

Parts Decompose(TDateTime value) {
  Parts p{};
  DecodeDateFully(value, p.year, p.month, p.day, p.dow);
  DecodeTime(value, p.hour, p.min, p.sec, p.msec);
  p.hasTime = p.hour || p.min || p.sec || p.msec;
  return p;
}

} // namespace

AnsiString FormatDateTime(std::string_view format, TDateTime value) {
  return FormatDateTime(format, value, FormatSettings);
}

AnsiString FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
  std::string out;
  AppendFormat(out, format.empty() ? std::string_view("c") : format, Decompose(value), settings, 0);
  return out;
}

AnsiString DateToStr(TDateTime value) {
  return DateToStr(value, FormatSettings);
}
AnsiString DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}
AnsiString TimeToStr(TDateTime value) {
  return TimeToStr(value, FormatSettings);
}
AnsiString TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}
AnsiString DateTimeToStr(TDateTime value) {
  return DateTimeToStr(value, FormatSettings);
}
AnsiString DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

namespace {

class Scanner {
public:
  Scanner(std::string_view s, const TFormatSettings& settings) : s_(s), settings_(settings) {}

  size_t pos = 0;

  void SkipBlanks() {
    while (pos < s_.size() && s_[pos] == ' ')
      ++pos;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos == s_.size();
  }
  // At most four digits; the number of digits tells a two-digit year from a four-digit one.
  bool Number(WORD& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos < s_.size() && s_[pos] >= '0' && s_[pos] <= '9' && digits < 4) {
      value = WORD(value * 10 + (s_[pos] - '0'));
      ++pos;
      ++digits;
    }
    return digits > 0 && !(pos < s_.size() && s_[pos] >= '0' && s_[pos] <= '9');
  }
  bool Char(char c) {
    if (c == '\0')
      return false;
    SkipBlanks();
    if (pos < s_.size() && s_[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
  // An AM/PM designator: the locale's or the English one, in any case. -1 none, 0 AM, 1 PM.
  int AmPm() {
    SkipBlanks();
    const std::string_view rest = s_.substr(pos);
    const std::string_view words[4] = {settings_.TimeAMString, settings_.TimePMString, "AM", "PM"};
    for (int k = 0; k < 4; ++k) {
      const std::string_view w = words[k];
      if (!w.empty() && rest.size() >= w.size() && AnsiSameText(rest.substr(0, w.size()), w)) {
        pos += w.size();
        return k % 2;
      }
    }
    return -1;
  }

private:
  std::string_view s_;
  const TFormatSettings& settings_;
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(std::string_view shortDateFormat) {
  for (char c : shortDateFormat) {
    switch (Upper(c)) {
    case 'E':
    case 'Y':
      return DateOrder::YMD;
    case 'M':
      return DateOrder::MDY;
    case 'D':
      return DateOrder::DMY;
    default:
      break;
    }
  }
  return DateOrder::MDY;
}

bool ScanDate(Scanner& in, TDateTime& date, const TFormatSettings& s) {
  WORD n1, n2, n3 = 0;
  int l1, l2, l3 = 0;
  if (!in.Number(n1, l1) || !in.Char(s.DateSeparator) || !in.Number(n2, l2))
    return false;
  WORD y, m, d;
  int yearDigits;
  const DateOrder order = OrderOf(s.ShortDateFormat);
  if (in.Char(s.DateSeparator)) {
    if (!in.Number(n3, l3))
      return false;
    switch (order) {
    case DateOrder::MDY:
      y = n3, yearDigits = l3, m = n1, d = n2;
      break;
    case DateOrder::DMY:
      y = n3, yearDigits = l3, m = n2, d = n1;
      break;
    default:
      y = n1, yearDigits = l1, m = n2, d = n3;
      break;
    }
  } else {
    y = YearOf(Date());
    yearDigits = 4;
    if (order == DateOrder::DMY)
      d = n1, m = n2;
    else
      m = n1, d = n2;
  }
  if (yearDigits <= 2 && y <= 99) {
    const int current = YearOf(Date()) - s.TwoDigitYearCenturyWindow;
    int year = y + current / 100 * 100;
    if (s.TwoDigitYearCenturyWindow > 0 && year < current)
      year += 100;
    y = WORD(year);
  }
  return TryEncodeDate(y, m, d, date);
}

bool ScanTime(Scanner& in, TDateTime& time, const TFormatSettings& s) {
  int ampm = in.AmPm();
  WORD hour, min = 0, sec = 0, msec = 0;
  int digits;
  if (!in.Number(hour, digits))
    return false;
  const bool hasMinutes = in.Char(s.TimeSeparator);
  if (hasMinutes) {
    if (!in.Number(min, digits))
      return false;
    if (in.Char(s.TimeSeparator)) {
      if (!in.Number(sec, digits))
        return false;
      if (in.Char(s.DecimalSeparator) && !in.Number(msec, digits))
        return false;
    }
  }
  if (ampm < 0)
    ampm = in.AmPm();
  if (ampm < 0 && !hasMinutes)
    return false;
  if (ampm >= 0) {
    if (hour < 1 || hour > 12)
      return false;
    hour = WORD(hour % 12 + (ampm == 1 ? 12 : 0));
  }
  return TryEncodeTime(hour, min, sec, msec, time);
}

} // namespace

bool TryStrToDate(std::string_view s, TDateTime& value) {
  return TryStrToDate(s, value, FormatSettings);
}

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(s, settings);
  TDateTime date = 0;
  if (!ScanDate(in, date, settings) || !in.AtEnd())
    return false;
  value = date;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& value) {
  return TryStrToTime(s, value, FormatSettings);
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(s, settings);
  TDateTime time = 0;
  if (!ScanTime(in, time, settings) || !in.AtEnd())
    return false;
  value = time;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& value) {
  return TryStrToDateTime(s, value, FormatSettings);
}

bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(s, settings);
  TDateTime date = 0, time = 0;
  if (ScanDate(in, date, settings)) {
    if (in.AtEnd() || (ScanTime(in, time, settings) && in.AtEnd())) {
      value = ComposeDateTime(date, time);
      return true;
    }
  }
  return TryStrToTime(s, value, settings);
}

namespace {

struct DateToken {
  bool word = false;
  WORD value = 0; // the number, or the month of a month name
  int digits = 0;
};

bool IsDateGap(char c, const TFormatSettings& s) {
  return c == ' ' || c == s.DateSeparator || c == '/' || c == '-' || c == ',';
}

// 1..12 for a month name of the settings, 0 for any other word.
WORD MonthOfName(std::string_view word, const TFormatSettings& s) {
  for (int m = 0; m < 12; ++m)
    if (AnsiSameText(word, s.LongMonthNames[m]) || AnsiSameText(word, s.ShortMonthNames[m]))
      return WORD(m + 1);
  return 0;
}

WORD PlaceTwoDigitYear(WORD y, int digits, const TFormatSettings& s) {
  if (digits > 2 || y > 99)
    return y;
  const int current = YearOf(Date()) - s.TwoDigitYearCenturyWindow;
  int year = y + current / 100 * 100;
  if (s.TwoDigitYearCenturyWindow > 0 && year < current)
    year += 100;
  return WORD(year);
}

bool LenientDate(const std::vector<DateToken>& t, TDateTime& date, const TFormatSettings& s) {
  if (t.size() < 2 || t.size() > 3)
    return false;
  const DateOrder order = OrderOf(s.ShortDateFormat);
  WORD y = YearOf(Date()), m = 0, d = 0;
  int yearDigits = 4;
  auto wordAt = std::find_if(t.begin(), t.end(), [](const DateToken& k) { return k.word; });
  if (wordAt != t.end()) {
    if (std::count_if(t.begin(), t.end(), [](const DateToken& k) { return k.word; }) > 1)
      return false;
    m = wordAt->value;
    std::vector<DateToken> numbers;
    for (const DateToken& k : t)
      if (!k.word)
        numbers.push_back(k);
    if (numbers.size() == 1) {
      d = numbers[0].value;
    } else {
      // A number that cannot be a day is the year; otherwise the settings' order decides.
      bool yearFirst = numbers[0].digits > 2 || numbers[0].value > 31 ||
                       (order == DateOrder::YMD && numbers[1].digits <= 2 && numbers[1].value <= 31);
      const DateToken& yt = numbers[yearFirst ? 0 : 1];
      d = numbers[yearFirst ? 1 : 0].value;
      y = yt.value;
      yearDigits = yt.digits;
    }
  } else if (t.size() == 3) {
    switch (order) {
    case DateOrder::MDY:
      m = t[0].value, d = t[1].value, y = t[2].value, yearDigits = t[2].digits;
      break;
    case DateOrder::DMY:
      d = t[0].value, m = t[1].value, y = t[2].value, yearDigits = t[2].digits;
      break;
    default:
      y = t[0].value, yearDigits = t[0].digits, m = t[1].value, d = t[2].value;
      break;
    }
  } else if (order == DateOrder::DMY) {
    d = t[0].value, m = t[1].value;
  } else {
    m = t[0].value, d = t[1].value;
  }
  return TryEncodeDate(PlaceTwoDigitYear(y, yearDigits, s), m, d, date);
}

} // namespace

bool TryLenientStrToDateTime(std::string_view s, TDateTime& value) {
  return TryLenientStrToDateTime(s, value, FormatSettings);
}

bool TryLenientStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& settings) {
  if (TryStrToDateTime(s, value, settings))
    return true;
  // The time, if any, starts at the number in front of the first time separator.
  std::size_t timeStart = s.size();
  if (std::size_t colon = s.find(settings.TimeSeparator); colon != std::string_view::npos) {
    timeStart = colon;
    while (timeStart > 0 && s[timeStart - 1] >= '0' && s[timeStart - 1] <= '9')
      --timeStart;
  }
  std::vector<DateToken> tokens;
  std::size_t i = 0;
  const std::string_view datePart = s.substr(0, timeStart);
  while (i < datePart.size()) {
    if (IsDateGap(datePart[i], settings)) {
      ++i;
      continue;
    }
    std::size_t start = i;
    DateToken token;
    if (datePart[i] >= '0' && datePart[i] <= '9') {
      int value = 0;
      while (i < datePart.size() && datePart[i] >= '0' && datePart[i] <= '9') {
        value = value * 10 + (datePart[i] - '0');
        if (++token.digits > 4)
          return false;
        ++i;
      }
      token.value = WORD(value);
    } else {
      while (i < datePart.size() && !IsDateGap(datePart[i], settings) &&
             !(datePart[i] >= '0' && datePart[i] <= '9'))
        ++i;
      token.word = true;
      token.value = MonthOfName(datePart.substr(start, i - start), settings);
      if (token.value == 0)
        return false;
    }
    tokens.push_back(token);
  }
  TDateTime date = 0, time = 0;
  if (!LenientDate(tokens, date, settings))
    return false;
  if (timeStart < s.size() && !TryStrToTime(s.substr(timeStart), time, settings))
    return false;
  value = ComposeDateTime(date, time);
  return true;
}

TDateTime StrToDate(std::string_view s) {
  return StrToDate(s, FormatSettings);
}
TDateTime StrToDate(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToDate(s, v, settings))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid date");
  return v;
}
TDateTime StrToTime(std::string_view s) {
  return StrToTime(s, FormatSettings);
}
TDateTime StrToTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToTime(s, v, settings))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid time");
  return v;
}
TDateTime StrToDateTime(std::string_view s) {
  return StrToDateTime(s, FormatSettings);
}
TDateTime StrToDateTime(std::string_view s, const TFormatSettings& settings) {
  TDateTime v = 0;
  if (!TryStrToDateTime(s, v, settings))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid date and time");
  return v;
}
