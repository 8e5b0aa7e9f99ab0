#include "platform/rtl/Locale.h"

#include <cstring>
#include <optional>
#include <vector>

#include "platform/rtl/DateTime.h"

namespace {

std::optional<AnsiString> LocaleValue(LCTYPE type) {
  const TFormatSettings& s = LocaleFormatSettings();
  type &= ~LOCALE_NOUSEROVERRIDE;
  auto chr = [](char c) { return c ? AnsiString(1, c) : AnsiString(); };
  if (type >= LOCALE_SDAYNAME1 && type < LOCALE_SDAYNAME1 + 7)
    return s.LongDayNames[(type - LOCALE_SDAYNAME1 + 1) % 7];
  if (type >= LOCALE_SABBREVDAYNAME1 && type < LOCALE_SABBREVDAYNAME1 + 7)
    return s.ShortDayNames[(type - LOCALE_SABBREVDAYNAME1 + 1) % 7];
  if (type >= LOCALE_SMONTHNAME1 && type < LOCALE_SMONTHNAME1 + 12)
    return s.LongMonthNames[type - LOCALE_SMONTHNAME1];
  if (type >= LOCALE_SABBREVMONTHNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12)
    return s.ShortMonthNames[type - LOCALE_SABBREVMONTHNAME1];
  switch (type) {
  case LOCALE_SLIST:
    return chr(s.ListSeparator);
  case LOCALE_SDECIMAL:
    return chr(s.DecimalSeparator);
  case LOCALE_STHOUSAND:
    return chr(s.ThousandSeparator);
  case LOCALE_SCURRENCY:
    return s.CurrencyString;
  case LOCALE_ICURRDIGITS:
    return IntToStr(s.CurrencyDecimals);
  case LOCALE_ICURRENCY:
    return IntToStr(s.CurrencyFormat);
  case LOCALE_INEGCURR:
    return IntToStr(s.NegCurrFormat);
  case LOCALE_SDATE:
    return chr(s.DateSeparator);
  case LOCALE_STIME:
    return chr(s.TimeSeparator);
  case LOCALE_SSHORTDATE:
    return s.ShortDateFormat;
  case LOCALE_SLONGDATE:
    return s.LongDateFormat;
  case LOCALE_STIMEFORMAT:
    return s.LongTimeFormat;
  case LOCALE_S1159:
    return s.TimeAMString;
  case LOCALE_S2359:
    return s.TimePMString;
  case LOCALE_IDEFAULTANSICODEPAGE:
    return IntToStr(GetACP());
  case LOCALE_IFIRSTDAYOFWEEK:
    return IntToStr(LocaleFirstDayOfWeek());
  default:
    return std::nullopt;
  }
}

int CopyOut(const AnsiString& text, char* buf, int size) {
  const int needed = int(text.size()) + 1;
  if (size == 0)
    return needed;
  if (!buf || size < needed)
    return 0;
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  return needed;
}

struct Piece {
  char letter = 0; // 0 for literal text
  int count = 0;
  AnsiString text;
};

// Splits a picture into fields of the given letters and literal text.
std::vector<Piece> Pieces(std::string_view f, std::string_view letters) {
  std::vector<Piece> out;
  auto literal = [&]() -> AnsiString& {
    if (out.empty() || out.back().letter)
      out.push_back(Piece{});
    return out.back().text;
  };
  for (size_t i = 0; i < f.size();) {
    const char c = f[i];
    if (c == '\'' && i + 1 < f.size() && f[i + 1] == '\'') {
      literal() += '\'';
      i += 2;
    } else if (c == '\'') {
      ++i;
      while (i < f.size()) {
        if (f[i] == '\'' && i + 1 < f.size() && f[i + 1] == '\'') {
          literal() += '\'';
          i += 2;
        } else if (f[i] == '\'') {
          ++i;
          break;
        } else {
          literal() += f[i++];
        }
      }
    } else if (letters.find(c) != std::string_view::npos) {
      Piece p{c, 0, {}};
      while (i < f.size() && f[i] == c) {
        ++p.count;
        ++i;
      }
      out.push_back(p);
    } else {
      literal() += c;
      ++i;
    }
  }
  return out;
}

std::string Num(int value, int width) {
  std::string s = std::to_string(value);
  if (int(s.size()) < width)
    s.insert(0, width - s.size(), '0');
  return s;
}

SYSTEMTIME Current() {
  SYSTEMTIME st;
  const TDateTime now = Now();
  DecodeDateTime(now, st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  st.wDayOfWeek = WORD(DayOfWeek(now) - 1);
  return st;
}

} // namespace

LCID GetThreadLocale() {
  return LOCALE_TURKISH;
}

LCID GetUserDefaultLCID() {
  return LOCALE_TURKISH;
}

LCID GetSystemDefaultLCID() {
  return LOCALE_TURKISH;
}

int GetLocaleInfoA(LCID, LCTYPE type, char* data, int size) {
  const auto value = LocaleValue(type);
  return value ? CopyOut(*value, data, size) : 0;
}

AnsiString GetLocaleStr(LCID, LCTYPE type, const AnsiString& def) {
  const auto value = LocaleValue(type);
  return value ? *value : def;
}

int GetDateFormatA(LCID, DWORD flags, const SYSTEMTIME* date, const char* format, char* buf, int size) {
  const SYSTEMTIME st = date ? *date : Current();
  TDateTime value = 0;
  if (!TryEncodeDate(st.wYear, st.wMonth, st.wDay, value))
    return 0;
  const TFormatSettings& s = LocaleFormatSettings();
  const std::string_view picture =
      format ? std::string_view(format) : (flags & DATE_LONGDATE ? s.LongDateFormat : s.ShortDateFormat);
  const int dow = DayOfWeek(value) - 1;
  AnsiString out;
  for (const Piece& p : Pieces(picture, "dMyg")) {
    switch (p.letter) {
    case 'd':
      out += p.count <= 2 ? Num(st.wDay, p.count) : p.count == 3 ? s.ShortDayNames[dow] : s.LongDayNames[dow];
      break;
    case 'M':
      out += p.count <= 2   ? Num(st.wMonth, p.count)
             : p.count == 3 ? s.ShortMonthNames[st.wMonth - 1]
                            : s.LongMonthNames[st.wMonth - 1];
      break;
    case 'y':
      out += p.count == 1   ? std::to_string(st.wYear % 100)
             : p.count == 2 ? Num(st.wYear % 100, 2)
                            : Num(st.wYear, 4);
      break;
    case 'g':
      out += "MS";
      break;
    default:
      out += p.text;
    }
  }
  return CopyOut(out, buf, size);
}

int GetTimeFormatA(LCID, DWORD flags, const SYSTEMTIME* time, const char* format, char* buf, int size) {
  const SYSTEMTIME st = time ? *time : Current();
  if (st.wHour >= 24 || st.wMinute >= 60 || st.wSecond >= 60 || st.wMilliseconds >= 1000)
    return 0;
  const TFormatSettings& s = LocaleFormatSettings();
  std::vector<Piece> pieces = Pieces(format ? std::string_view(format) : s.LongTimeFormat, "hHmst");
  // A field the flags leave out takes the separator before it along, or the one after it when it leads.
  auto dropped = [flags](char letter) {
    return ((flags & (TIME_NOMINUTESORSECONDS | TIME_NOSECONDS)) && letter == 's') ||
           ((flags & TIME_NOMINUTESORSECONDS) && letter == 'm') ||
           ((flags & TIME_NOTIMEMARKER) && letter == 't');
  };
  std::vector<Piece> kept;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (!pieces[i].letter || !dropped(pieces[i].letter)) {
      kept.push_back(pieces[i]);
      continue;
    }
    if (!kept.empty() && !kept.back().letter && kept.size() > 1)
      kept.pop_back();
    else if (kept.empty() && i + 1 < pieces.size() && !pieces[i + 1].letter)
      ++i;
  }
  const bool pm = st.wHour >= 12;
  AnsiString out;
  for (const Piece& p : kept) {
    switch (p.letter) {
    case 'h':
    case 'H': {
      int hour = st.wHour;
      if (p.letter == 'h' && !(flags & TIME_FORCE24HOURFORMAT)) {
        hour %= 12;
        if (hour == 0)
          hour = 12;
      }
      out += Num(hour, p.count >= 2 ? 2 : 1);
      break;
    }
    case 'm':
      out += Num(st.wMinute, p.count >= 2 ? 2 : 1);
      break;
    case 's':
      out += Num(st.wSecond, p.count >= 2 ? 2 : 1);
      break;
    case 't': {
      const AnsiString& marker = pm ? s.TimePMString : s.TimeAMString;
      out += p.count == 1 ? marker.substr(0, 1) : marker;
      break;
    }
    default:
      out += p.text;
    }
  }
  return CopyOut(out, buf, size);
}
