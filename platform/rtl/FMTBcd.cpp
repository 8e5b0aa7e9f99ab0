#include "platform/rtl/FMTBcd.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A decimal in plain form: digits without leading zeros (empty for zero), `places` of them after the point.
struct Decimal {
  bool negative = false;
  std::string digits;
  int places = 0;
};

void Normalise(Decimal& d) {
  while (d.places > 0 && !d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    --d.places;
  }
  std::size_t lead = 0;
  while (lead < d.digits.size() && int(d.digits.size() - lead) > d.places && d.digits[lead] == '0')
    ++lead;
  d.digits.erase(0, lead);
  if (d.digits.find_first_not_of('0') == std::string::npos) {
    d.digits.clear();
    d.places = 0;
    d.negative = false;
  }
}

Decimal Unpack(const TBcd& bcd) {
  Decimal d;
  int precision = bcd.Precision > MaxFMTBcdDigits ? MaxFMTBcdDigits : bcd.Precision;
  for (int i = 0; i < precision; ++i) {
    std::uint8_t b = bcd.Fraction[i / 2];
    int nibble = (i % 2 == 0) ? b >> 4 : b & 0x0F;
    d.digits += char('0' + (nibble > 9 ? 9 : nibble));
  }
  d.places = bcd.SignSpecialPlaces & 0x3F;
  if (d.places > precision)
    d.places = precision;
  d.negative = bcd.SignSpecialPlaces & 0x80;
  Normalise(d);
  return d;
}

TBcd Pack(Decimal d) {
  Normalise(d);
  TBcd bcd;
  if (d.digits.empty()) {
    bcd.Precision = 1;
    return bcd;
  }
  // The record counts places within its digits, so a pure fraction carries its leading zeros.
  if (int(d.digits.size()) < d.places)
    d.digits.insert(0, std::size_t(d.places - int(d.digits.size())), '0');
  if (int(d.digits.size()) > MaxFMTBcdDigits)
    throw EConvertError("BCD overflow");
  bcd.Precision = std::uint8_t(d.digits.size());
  bcd.SignSpecialPlaces = std::uint8_t((d.negative ? 0x80 : 0) | d.places);
  for (std::size_t i = 0; i < d.digits.size(); ++i) {
    int nibble = d.digits[i] - '0';
    bcd.Fraction[i / 2] |= std::uint8_t(i % 2 == 0 ? nibble << 4 : nibble);
  }
  return bcd;
}

bool Parse(std::string_view text, char decimalSeparator, Decimal& d) {
  AnsiString t = Trim(text);
  std::size_t i = 0;
  d = Decimal();
  if (i < t.size() && (t[i] == '-' || t[i] == '+'))
    d.negative = t[i++] == '-';
  bool seenPoint = false, anyDigit = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      d.digits += c;
      anyDigit = true;
      if (seenPoint)
        ++d.places;
    } else if ((c == decimalSeparator || c == '.') && !seenPoint) {
      seenPoint = true;
    } else if (c == 'e' || c == 'E') {
      break;
    } else {
      return false;
    }
  }
  if (!anyDigit)
    return false;
  if (i < t.size()) {
    long exponent = 0;
    bool negativeExponent = false;
    ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
      negativeExponent = t[i++] == '-';
    if (i >= t.size())
      return false;
    for (; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9' || exponent > 1000)
        return false;
      exponent = exponent * 10 + (t[i] - '0');
    }
    if (negativeExponent)
      d.places += int(exponent);
    else if (exponent <= d.places)
      d.places -= int(exponent);
    else {
      d.digits.append(std::size_t(exponent - d.places), '0');
      d.places = 0;
    }
  }
  Normalise(d);
  return int(d.digits.size()) <= MaxFMTBcdDigits && d.places <= 63;
}

char LocaleDecimalSeparator() {
  return FormatSettings.DecimalSeparator;
}

class BcdValue final : public TCustomVarValue {
public:
  explicit BcdValue(const TBcd& bcd) : bcd_(bcd) {}
  TVarType VarType() const override { return VarFMTBcd(); }
  AnsiString ToText() const override { return BcdToStr(bcd_); }
  Variant ToStandard(TVarType target) const override {
    if (target == varString || target == varOleStr)
      return VarAsType(Variant(BcdToStr(bcd_)), target);
    if (target == varCurrency || target == varInt64) {
      // Straight from the digits: a double would lose what these types can hold.
      return VarAsType(Variant(BcdToStr(bcd_)), target);
    }
    return VarAsType(Variant(BcdToDouble(bcd_)), target);
  }
  int Compare(const Variant& other) const override { return BcdCompare(bcd_, VarToBcd(other)); }
  const TBcd& Bcd() const { return bcd_; }

private:
  TBcd bcd_;
};

class BcdVariantType final : public TCustomVariantType {
public:
  BcdVariantType() : TCustomVariantType("FMTBcdVariantType") {}
  Variant CastFrom(const Variant& source) const override { return VarFMTBcdCreate(VarToBcd(source)); }
};

} // namespace

bool TryStrToBcd(std::string_view text, TBcd& bcd) {
  Decimal d;
  if (!Parse(text, LocaleDecimalSeparator(), d))
    return false;
  bcd = Pack(d);
  return true;
}

TBcd StrToBcd(std::string_view text) {
  TBcd bcd;
  if (!TryStrToBcd(text, bcd))
    throw EConvertError("'" + AnsiString(text) + "' is not a valid BCD value");
  return bcd;
}

AnsiString BcdToStr(const TBcd& bcd) {
  Decimal d = Unpack(bcd);
  if (d.digits.empty())
    return "0";
  std::string digits = d.digits;
  if (int(digits.size()) <= d.places)
    digits.insert(0, std::size_t(d.places - int(digits.size()) + 1), '0');
  AnsiString out = digits.substr(0, digits.size() - std::size_t(d.places));
  if (d.places > 0)
    out += LocaleDecimalSeparator() + digits.substr(digits.size() - std::size_t(d.places));
  return d.negative ? "-" + out : out;
}

AnsiString BcdToStrF(const TBcd& bcd, TFloatFormat format, int precision, int digits) {
  if (format != ffGeneral || precision != 0 || digits != 0)
    return FloatToStrF(BcdToDouble(bcd), format, precision == 0 ? 15 : precision, digits);
  return BcdToStr(bcd);
}

TBcd DoubleToBcd(double value) {
  if (!std::isfinite(value))
    throw EConvertError("Invalid floating point value for BCD");
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14E", value);
  Decimal d;
  if (!Parse(buf, '.', d))
    throw EConvertError("Invalid floating point value for BCD");
  return Pack(d);
}

double BcdToDouble(const TBcd& bcd) {
  Decimal d = Unpack(bcd);
  if (d.digits.empty())
    return 0;
  std::string text = (d.negative ? "-" : "") + d.digits + "E-" + std::to_string(d.places);
  return std::strtod(text.c_str(), nullptr);
}

TBcd IntegerToBcd(std::int64_t value) {
  Decimal d;
  d.negative = value < 0;
  unsigned long long magnitude = d.negative ? 0ull - (unsigned long long)value : (unsigned long long)value;
  d.digits = std::to_string(magnitude);
  return Pack(d);
}

int BcdCompare(const TBcd& a, const TBcd& b) {
  Decimal x = Unpack(a), y = Unpack(b);
  if (x.negative != y.negative)
    return x.negative ? -1 : 1;
  int sign = x.negative ? -1 : 1;
  int xi = int(x.digits.size()) - x.places, yi = int(y.digits.size()) - y.places;
  if (x.digits.empty() || y.digits.empty()) {
    if (x.digits.empty() && y.digits.empty())
      return 0;
    return x.digits.empty() ? -sign : sign;
  }
  if (xi != yi)
    return xi < yi ? -sign : sign;
  // Align the fractions by padding the shorter one with zeros.
  std::size_t n = std::max(x.digits.size() + std::size_t(std::max(0, y.places - x.places)),
                           y.digits.size() + std::size_t(std::max(0, x.places - y.places)));
  x.digits.resize(n, '0');
  y.digits.resize(n, '0');
  int c = x.digits.compare(y.digits);
  return c == 0 ? 0 : (c < 0 ? -sign : sign);
}

TVarType VarFMTBcd() {
  static const BcdVariantType type;
  return type.VarType();
}

Variant VarFMTBcdCreate(const TBcd& bcd) {
  return Variant::FromCustom(std::make_shared<BcdValue>(bcd));
}

TBcd VarToBcd(const Variant& v) {
  TVarType t = v.Type();
  if (t == VarFMTBcd())
    return static_cast<const BcdValue*>(v.RawCustom())->Bcd();
  TBcd bcd;
  switch (t) {
  case varEmpty:
    return IntegerToBcd(0);
  case varSmallint:
  case varInteger:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
    return IntegerToBcd(v.RawInteger());
  case varBoolean:
    return IntegerToBcd(v.RawInteger() ? -1 : 0);
  case varCurrency: {
    TBcd c = IntegerToBcd(v.RawInteger());
    Decimal d = Unpack(c);
    d.places = 4;
    if (int(d.digits.size()) < 5)
      d.digits.insert(0, std::size_t(5 - int(d.digits.size())), '0');
    return Pack(d);
  }
  case varString:
  case varOleStr:
    if (TryStrToBcd(v.AsString(), bcd))
      return bcd;
    break;
  case varSingle:
  case varDouble:
  case varDate:
    if (std::isfinite(v.RawDouble()))
      return DoubleToBcd(v.RawDouble());
    break;
  default:
    if (auto* custom = v.RawCustom()) {
      if (TryStrToBcd(custom->ToStandard(varString).RawString(), bcd))
        return bcd;
    }
  }
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(t) + ") into type (" +
                      VarTypeAsText(VarFMTBcd()) + ")");
}
