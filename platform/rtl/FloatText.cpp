#include "platform/rtl/FloatText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// |value| = 0.digits * 10^exponent; no leading or trailing zeros in digits; zero has no digits.
struct Decimal {
  bool negative = false;
  int exponent = 0;
  std::string digits;
};

// Rounds the digit string to the first `count` digits, halves away from zero.
void RoundDigits(Decimal& d, int count) {
  if (count < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  if (int(d.digits.size()) <= count)
    return;
  const bool up = d.digits[count] >= '5';
  d.digits.resize(count);
  if (up) {
    int i = count - 1;
    while (i >= 0 && d.digits[i] == '9')
      d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      // Every kept digit was a nine: the value became the next power of ten.
      d.digits.assign(1, '1');
      ++d.exponent;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0')
    d.digits.pop_back();
  if (d.digits.empty())
    d.exponent = 0;
}

Decimal ToDecimal(double value, int precision) {
  Decimal d;
  d.negative = std::signbit(value);
  value = std::fabs(value);
  if (value == 0)
    return d;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.16e", value);
  for (const char* p = buf; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9')
      d.digits += *p;
  }
  d.exponent = std::atoi(std::strchr(buf, 'e') + 1) + 1;
  RoundDigits(d, std::clamp(precision, 1, 17));
  return d;
}

// Rounds to `decimals` places after the decimal point.
void RoundDecimals(Decimal& d, int decimals) {
  const int keep = d.exponent + decimals;
  if (keep < 0) {
    d.digits.clear();
    d.exponent = 0;
    return;
  }
  RoundDigits(d, keep);
}

bool IsZero(const Decimal& d) {
  return d.digits.empty();
}

// The digits before the decimal point ("" for zero) and after it (exactly `decimals`, zero-padded).
std::string IntegerDigits(const Decimal& d) {
  if (d.exponent <= 0)
    return "";
  std::string s = d.digits.substr(0, std::min<size_t>(d.digits.size(), d.exponent));
  s.append(d.exponent - s.size(), '0');
  return s;
}

std::string FractionDigits(const Decimal& d, int decimals) {
  std::string s;
  for (int i = 0; i < decimals; ++i) {
    const int index = d.exponent + i;
    s += index >= 0 && index < int(d.digits.size()) ? d.digits[index] : '0';
  }
  return s;
}

std::string Group(const std::string& digits, char separator) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0 && separator)
      out += separator;
    out += digits[i];
  }
  return out;
}

std::string SpecialText(double value) {
  if (std::isnan(value))
    return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string ExponentText(int exponent, bool alwaysSign, int minDigits) {
  std::string digits = std::to_string(std::abs(exponent));
  if (int(digits.size()) < minDigits)
    digits.insert(0, minDigits - digits.size(), '0');
  if (exponent < 0)
    return "-" + digits;
  return alwaysSign ? "+" + digits : digits;
}

// "d,dddE+xx": `digits` significant digits of which one before the separator.
std::string Scientific(const Decimal& d, const TFormatSettings& s, bool alwaysSign, int expDigits,
                       bool keepZeros, int precision) {
  std::string mantissa = d.digits.empty() ? "0" : d.digits;
  if (keepZeros)
    mantissa.append(std::max(0, precision - int(mantissa.size())), '0');
  std::string out = d.negative ? "-" : "";
  out += mantissa[0];
  if (mantissa.size() > 1) {
    out += s.DecimalSeparator;
    out += mantissa.substr(1);
  }
  out += 'E';
  out += ExponentText(d.digits.empty() ? 0 : d.exponent - 1, alwaysSign, expDigits);
  return out;
}

std::string General(double value, int precision, int digits, const TFormatSettings& s) {
  Decimal d = ToDecimal(value, precision);
  if (IsZero(d))
    return "0";
  if (d.exponent > precision || d.exponent < -4)
    return Scientific(d, s, false, digits, false, precision);
  std::string out = d.negative ? "-" : "";
  std::string whole = IntegerDigits(d);
  out += whole.empty() ? "0" : whole;
  const int decimals = int(d.digits.size()) - d.exponent;
  if (decimals > 0) {
    out += s.DecimalSeparator;
    out += FractionDigits(d, decimals);
  }
  return out;
}

// The number without sign for ffFixed, ffNumber and ffCurrency; empty when it needs scientific form.
std::string FixedBody(const Decimal& rounded, int decimals, char thousands, const TFormatSettings& s) {
  std::string whole = IntegerDigits(rounded);
  std::string out = whole.empty() ? "0" : Group(whole, thousands);
  if (decimals > 0) {
    out += s.DecimalSeparator;
    out += FractionDigits(rounded, decimals);
  }
  return out;
}

std::string Currency(const std::string& number, bool negative, const TFormatSettings& s) {
  const std::string& c = s.CurrencyString;
  if (!negative) {
    switch (s.CurrencyFormat) {
    case 1:
      return number + c;
    case 2:
      return c + " " + number;
    case 3:
      return number + " " + c;
    default:
      return c + number;
    }
  }
  switch (s.NegCurrFormat) {
  case 0:
    return "(" + c + number + ")";
  case 1:
    return "-" + c + number;
  case 2:
    return c + "-" + number;
  case 3:
    return c + number + "-";
  case 4:
    return "(" + number + c + ")";
  case 5:
    return "-" + number + c;
  case 6:
    return number + "-" + c;
  case 7:
    return number + c + "-";
  case 8:
    return "-" + number + " " + c;
  case 9:
    return "-" + c + " " + number;
  case 10:
    return number + " " + c + "-";
  case 11:
    return c + " " + number + "-";
  case 12:
    return c + " -" + number;
  case 13:
    return number + "- " + c;
  case 14:
    return "(" + c + " " + number + ")";
  default:
    return "(" + number + " " + c + ")";
  }
}

struct FormatSection {
  std::string_view text;
  int intPlaceholders = 0;
  int intZeros = 0; // placeholders from the first '0' before the point
  int decPlaceholders = 0;
  int decZeros = 0; // decimal placeholders up to the last '0'
  bool thousands = false;
  bool scientific = false;
  int expDigits = 0;
};

// Calls f(index, length) for each token: a quoted literal is one token, everything else one character.
template <class F> void ForEachToken(std::string_view t, F f) {
  for (size_t i = 0; i < t.size();) {
    if (t[i] == '\'' || t[i] == '"') {
      size_t end = t.find(t[i], i + 1);
      end = end == std::string_view::npos ? t.size() : end + 1;
      f(i, end - i);
      i = end;
    } else {
      f(i, 1);
      ++i;
    }
  }
}

bool IsExponentAt(std::string_view t, size_t i) {
  return (t[i] == 'E' || t[i] == 'e') && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-');
}

FormatSection ParseSection(std::string_view text) {
  FormatSection f;
  f.text = text;
  bool point = false, seenZero = false;
  bool inExponent = false, skipSign = false;
  ForEachToken(text, [&](size_t i, size_t n) {
    if (n != 1 || (f.scientific && !inExponent))
      return;
    const char c = text[i];
    if (skipSign) {
      skipSign = false;
      return;
    }
    if (inExponent) {
      if (c == '0')
        ++f.expDigits;
      else
        inExponent = false;
      return;
    }
    if (IsExponentAt(text, i)) {
      f.scientific = skipSign = inExponent = true;
    } else if (c == '.' && !point) {
      point = true;
    } else if (c == ',' && !point) {
      f.thousands = true;
    } else if (c == '0' || c == '#') {
      if (point) {
        ++f.decPlaceholders;
        if (c == '0')
          f.decZeros = f.decPlaceholders;
      } else {
        ++f.intPlaceholders;
        seenZero = seenZero || c == '0';
        if (seenZero)
          ++f.intZeros;
      }
    }
  });
  return f;
}

std::vector<std::string_view> SplitSections(std::string_view format) {
  std::vector<std::string_view> sections;
  size_t start = 0;
  ForEachToken(format, [&](size_t i, size_t n) {
    if (n == 1 && format[i] == ';' && sections.size() < 2) {
      sections.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  });
  sections.push_back(format.substr(start));
  return sections;
}

Decimal RoundForSection(double value, const FormatSection& f) {
  Decimal d = ToDecimal(value, 15);
  if (f.scientific)
    RoundDigits(d, std::max(1, f.intPlaceholders) + f.decPlaceholders);
  else
    RoundDecimals(d, f.decPlaceholders);
  return d;
}

std::string ApplySection(const FormatSection& f, Decimal d, bool withSign, const TFormatSettings& s) {
  std::string whole, fraction;
  int exponent = 0;
  if (f.scientific) {
    const int integerDigits = std::max(1, f.intPlaceholders);
    if (!IsZero(d))
      exponent = d.exponent - integerDigits;
    d.exponent = IsZero(d) ? 0 : integerDigits;
  }
  whole = IntegerDigits(d);
  if (int(whole.size()) < f.intZeros)
    whole.insert(0, f.intZeros - whole.size(), '0');
  fraction = FractionDigits(d, f.decPlaceholders);
  while (int(fraction.size()) > f.decZeros && fraction.back() == '0')
    fraction.pop_back();

  std::string out = withSign && !IsZero(d) && d.negative ? "-" : "";
  const std::string_view t = f.text;
  int intIndex = 0, decIndex = 0;
  bool point = false, wholeDone = false, inExponent = false;
  auto emitWholeDigit = [&](int digitIndex) {
    out += whole[digitIndex];
    const int fromRight = int(whole.size()) - 1 - digitIndex;
    if (f.thousands && fromRight > 0 && fromRight % 3 == 0)
      out += s.ThousandSeparator;
  };
  auto emitAllWhole = [&]() {
    if (wholeDone)
      return;
    for (int k = 0; k < int(whole.size()); ++k)
      emitWholeDigit(k);
    wholeDone = true;
  };
  bool skipSign = false, exponentDone = false;
  ForEachToken(t, [&](size_t i, size_t n) {
    if (n != 1) {
      const bool closed = n > 1 && t[i + n - 1] == t[i];
      out.append(t.substr(i + 1, n - (closed ? 2 : 1)));
      return;
    }
    const char c = t[i];
    if (skipSign) {
      skipSign = false;
      return;
    }
    if (inExponent) {
      if (c == '0')
        return;
      inExponent = false;
    }
    if (f.scientific && !exponentDone && IsExponentAt(t, i)) {
      emitAllWhole();
      out += c;
      out += ExponentText(exponent, t[i + 1] == '+', std::max(1, f.expDigits));
      exponentDone = skipSign = inExponent = true;
      return;
    }
    if ((c == '0' || c == '#') && !point && !exponentDone) {
      // The first placeholder takes every digit the placeholders cannot hold one by one.
      const int excess = int(whole.size()) - f.intPlaceholders;
      if (intIndex == 0) {
        for (int k = 0; k < excess; ++k)
          emitWholeDigit(k);
      }
      const int digitIndex = excess + intIndex;
      if (digitIndex >= 0 && digitIndex < int(whole.size()))
        emitWholeDigit(digitIndex);
      if (++intIndex == f.intPlaceholders)
        wholeDone = true;
    } else if (c == '.' && !point && !exponentDone) {
      emitAllWhole();
      point = true;
      if (!fraction.empty())
        out += s.DecimalSeparator;
    } else if ((c == '0' || c == '#') && point && !exponentDone) {
      if (decIndex < int(fraction.size()))
        out += fraction[decIndex];
      ++decIndex;
    } else if (c != ',') {
      // Grouping separators are placed with the digits; every other character stands as written.
      out += c;
    }
  });
  return out;
}

} // namespace

AnsiString FloatToStr(double value) {
  return FloatToStr(value, FormatSettings);
}

AnsiString FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& settings) {
  if (!std::isfinite(value))
    return SpecialText(value);
  precision = std::clamp(precision, 1, 17);
  switch (format) {
  case ffGeneral:
    return General(value, precision, std::clamp(digits, 0, 4), settings);
  case ffExponent: {
    Decimal d = ToDecimal(value, precision);
    return Scientific(d, settings, true, std::clamp(digits, 0, 4), true, precision);
  }
  case ffFixed:
  case ffNumber:
  case ffCurrency: {
    digits = std::clamp(digits, 0, 18);
    Decimal d = ToDecimal(value, precision);
    if (d.exponent > precision && format != ffCurrency)
      return General(value, precision, 0, settings);
    RoundDecimals(d, digits);
    const char thousands = format == ffFixed ? '\0' : settings.ThousandSeparator;
    const std::string body = FixedBody(d, digits, thousands, settings);
    const bool negative = d.negative && !IsZero(d);
    if (format == ffCurrency)
      return Currency(body, negative, settings);
    return negative ? "-" + body : body;
  }
  }
  return General(value, precision, digits, settings);
}

AnsiString FormatFloat(std::string_view format, double value) {
  return FormatFloat(format, value, FormatSettings);
}

AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& settings) {
  if (!std::isfinite(value))
    return SpecialText(value);
  if (format.empty())
    return FloatToStr(value, settings);
  const std::vector<std::string_view> sections = SplitSections(format);
  const FormatSection first = ParseSection(sections[0]);
  const Decimal rounded = RoundForSection(value, first);
  if (IsZero(rounded) && sections.size() == 3 && !sections[2].empty()) {
    const FormatSection zero = ParseSection(sections[2]);
    return ApplySection(zero, RoundForSection(0.0, zero), false, settings);
  }
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) {
    const FormatSection negative = ParseSection(sections[1]);
    return ApplySection(negative, RoundForSection(-value, negative), false, settings);
  }
  return ApplySection(first, rounded, true, settings);
}

bool TryStrToFloat(std::string_view s, double& value) {
  return TryStrToFloat(s, value, FormatSettings);
}

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings) {
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == ' ')
    ++begin;
  while (end > begin && s[end - 1] == ' ')
    --end;
  std::string text;
  size_t i = begin;
  if (i < end && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-')
      text += '-';
    ++i;
  }
  int mantissaDigits = 0;
  bool point = false;
  for (; i < end; ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      text += c;
      ++mantissaDigits;
    } else if (c == settings.DecimalSeparator && !point) {
      text += '.';
      point = true;
    } else {
      break;
    }
  }
  if (mantissaDigits == 0)
    return false;
  if (i < end && (s[i] == 'e' || s[i] == 'E')) {
    text += 'e';
    ++i;
    if (i < end && (s[i] == '+' || s[i] == '-'))
      text += s[i++];
    int expDigits = 0;
    for (; i < end && s[i] >= '0' && s[i] <= '9'; ++i, ++expDigits)
      text += s[i];
    if (expDigits == 0)
      return false;
  }
  if (i != end)
    return false;
  double v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(v))
    return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view s) {
  return StrToFloat(s, FormatSettings);
}

double StrToFloat(std::string_view s, const TFormatSettings& settings) {
  double v = 0;
  if (!TryStrToFloat(s, v, settings))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(std::string_view s, double def) {
  double v = 0;
  return TryStrToFloat(s, v) ? v : def;
}
