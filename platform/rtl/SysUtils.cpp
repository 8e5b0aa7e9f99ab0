#include "platform/rtl/SysUtils.h"

#include <charconv>
#include <climits>

#include "platform/rtl/CaseRules.h"

namespace {

template <class Char>
std::basic_string_view<Char> TrimView(std::basic_string_view<Char> s, bool left, bool right) {
  using Unit = std::make_unsigned_t<Char>;
  size_t begin = 0, end = s.size();
  while (left && begin < end && Unit(s[begin]) <= 0x20)
    ++begin;
  while (right && end > begin && Unit(s[end - 1]) <= 0x20)
    --end;
  return s.substr(begin, end - begin);
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

} // namespace

AnsiString MessageExcerpt(std::string_view s) {
  if (s.size() <= MessageExcerptLength)
    return AnsiString(s);
  return AnsiString(s.substr(0, MessageExcerptLength)) + "...";
}

AnsiString Trim(std::string_view s) {
  return AnsiString(TrimView(s, true, true));
}
AnsiString TrimLeft(std::string_view s) {
  return AnsiString(TrimView(s, true, false));
}
AnsiString TrimRight(std::string_view s) {
  return AnsiString(TrimView(s, false, true));
}
WideString Trim(std::u16string_view s) {
  return WideString(TrimView(s, true, true));
}
WideString TrimLeft(std::u16string_view s) {
  return WideString(TrimView(s, true, false));
}
WideString TrimRight(std::u16string_view s) {
  return WideString(TrimView(s, false, true));
}

AnsiString UpperCase(std::string_view s) {
  AnsiString out(s);
  for (char& c : out)
    c = AsciiUpper(c);
  return out;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString out(s);
  for (char& c : out)
    c = AsciiLower(c);
  return out;
}

// Ordinal after ASCII upper-casing: the difference of the first differing bytes, else of the lengths.
int CompareText(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int ca = static_cast<unsigned char>(AsciiUpper(a[i]));
    int cb = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (ca != cb)
      return ca - cb;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

AnsiString AnsiUpperCase(std::string_view s) {
  const UINT cp = GetACP();
  AnsiString out(s);
  for (char& c : out)
    c = static_cast<char>(CodePageUpperByte(cp, static_cast<unsigned char>(c)));
  return out;
}

AnsiString AnsiLowerCase(std::string_view s) {
  const UINT cp = GetACP();
  AnsiString out(s);
  for (char& c : out)
    c = static_cast<char>(CodePageLowerByte(cp, static_cast<unsigned char>(c)));
  return out;
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return CodePageCompare(a, b, CaseSensitivity::Sensitive, GetACP());
}

int AnsiCompareText(std::string_view a, std::string_view b) {
  return CodePageCompare(a, b, CaseSensitivity::Insensitive, GetACP());
}

bool AnsiSameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AnsiCompareText(a, b) == 0;
}

bool AnsiSameStr(std::string_view a, std::string_view b) {
  return a == b;
}

WideString WideUpperCase(std::u16string_view s) {
  const CaseLocale locale = CurrentCaseLocale();
  WideString out(s);
  for (char16_t& c : out)
    c = LocaleUpperChar(c, locale);
  return out;
}

WideString WideLowerCase(std::u16string_view s) {
  const CaseLocale locale = CurrentCaseLocale();
  WideString out(s);
  for (char16_t& c : out)
    c = LocaleLowerChar(c, locale);
  return out;
}

int WideCompareStr(std::u16string_view a, std::u16string_view b) {
  return LocaleCompare(a, b, CaseSensitivity::Sensitive, CurrentCaseLocale());
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
  return LocaleCompare(a, b, CaseSensitivity::Insensitive, CurrentCaseLocale());
}

bool WideSameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && WideCompareText(a, b) == 0;
}

AnsiString IntToStr(long long v) {
  return std::to_string(v);
}

// Leading blanks, an optional sign, then decimal digits or hexadecimal ones after "$" or "0x"; nothing may
// follow. A value outside the range of int is not a valid integer.
bool TryStrToInt64(std::string_view s, long long& value) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ')
    ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+'))
    negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size())
    return false;
  unsigned long long magnitude = 0;
  auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), magnitude, base);
  if (ec != std::errc() || end != s.data() + s.size())
    return false;
  if (negative) {
    if (magnitude > static_cast<unsigned long long>(LLONG_MAX) + 1)
      return false;
    value = magnitude == static_cast<unsigned long long>(LLONG_MAX) + 1 ? LLONG_MIN
                                                                        : -static_cast<long long>(magnitude);
  } else {
    if (magnitude > static_cast<unsigned long long>(LLONG_MAX))
      return false;
    value = static_cast<long long>(magnitude);
  }
  return true;
}

bool TryStrToInt(std::string_view s, int& value) {
  long long v = 0;
  if (!TryStrToInt64(s, v) || v < INT_MIN || v > INT_MAX)
    return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(std::string_view s) {
  int v = 0;
  if (!TryStrToInt(s, v))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
  return v;
}

long long StrToInt64(std::string_view s) {
  long long v = 0;
  if (!TryStrToInt64(s, v))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
  return v;
}

int StrToIntDef(std::string_view s, int def) {
  int v = 0;
  return TryStrToInt(s, v) ? v : def;
}
