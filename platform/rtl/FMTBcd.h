#pragma once
// The platform's binary-coded decimal record and its custom variant type.
#include <cstdint>

#include "platform/rtl/FloatText.h"
#include "platform/rtl/Variants.h"

// 34 bytes: the number of digits, a byte holding the sign (bit 7) and the digits after the point (bits 0-5),
// and up to 64 digits packed two to a byte, the first digit in the high nibble.
struct TBcd {
  std::uint8_t Precision = 0;
  std::uint8_t SignSpecialPlaces = 0;
  std::uint8_t Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34);

constexpr int MaxFMTBcdDigits = 64;

// Raises EConvertError for text that is no decimal number or has more than 64 digits.
TBcd StrToBcd(std::string_view text);
bool TryStrToBcd(std::string_view text, TBcd& bcd);
// Shortest text: no leading zeros before the point, no trailing zeros after it, the locale decimal separator.
AnsiString BcdToStr(const TBcd& bcd);
// General format with precision and digits 0 keeps every digit; other forms go through the double value.
AnsiString BcdToStrF(const TBcd& bcd, TFloatFormat format, int precision, int digits);
TBcd DoubleToBcd(double value); // the value's 15 significant digits
double BcdToDouble(const TBcd& bcd);
TBcd IntegerToBcd(std::int64_t value);
// -1, 0 or 1 by numeric value; the number of stored digits and trailing zeros do not matter.
int BcdCompare(const TBcd& a, const TBcd& b);

TVarType VarFMTBcd();
Variant VarFMTBcdCreate(const TBcd& bcd);
// Converts any numeric or text variant; raises EVariantError when there is no numeric form.
TBcd VarToBcd(const Variant& v);
