#pragma once
// Floating-point numbers as text, by the locale format settings.
#include "platform/rtl/FormatSettings.h"

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Values are first rounded to 15 significant digits, the precision of a double, and then to the digits
// asked for, halves away from zero: 2.675 to two decimals is "2,68", not the "2,67" its binary value gives.

// ffGeneral with 15 digits: the shortest fixed text, or "1,5E20"-style for large or tiny values.
AnsiString FloatToStr(double value);
AnsiString FloatToStr(double value, const TFormatSettings& settings);

// precision: significant digits (1..17); digits: decimals for ffFixed/ffNumber/ffCurrency, the minimum
// exponent digits for ffGeneral/ffExponent (0..4).
AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
AnsiString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                       const TFormatSettings& settings);

// Format sections "positive;negative;zero" of '0' (digit), '#' (optional digit), '.' (decimal separator),
// ',' (thousands grouping), "E+0"/"E-0" (exponent), and quoted or other literal characters.
AnsiString FormatFloat(std::string_view format, double value);
AnsiString FormatFloat(std::string_view format, double value, const TFormatSettings& settings);

// Blanks around, a sign, digits with the decimal separator, an exponent; no thousand separators.
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& settings);
double StrToFloat(std::string_view s); // raises EConvertError
double StrToFloat(std::string_view s, const TFormatSettings& settings);
double StrToFloatDef(std::string_view s, double def);
