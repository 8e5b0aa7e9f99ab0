#pragma once
// The 10-byte extended float form kept in older binary streams: a sign bit, a 15-bit exponent (bias 16383)
// and a 64-bit significand whose top bit is the explicit integer bit, stored little-endian.
#include <array>
#include <cstdint>

using TExtended80Bytes = std::array<std::uint8_t, 10>;

// Exact: every double has an extended form.
TExtended80Bytes DoubleToExtended80(double value);
// Rounds the 64-bit significand to 53 bits to nearest, ties to even; values beyond the double range become
// infinities, values below it become denormals or zero; infinities and NaN (sign and payload top bits) stay.
double Extended80ToDouble(const TExtended80Bytes& bytes);
