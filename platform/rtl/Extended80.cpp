#include "platform/rtl/Extended80.h"

#include <bit>
#include <cstring>

namespace {

constexpr int kDoubleBias = 1023;
constexpr int kExtendedBias = 16383;

void Store(TExtended80Bytes& out, bool negative, std::uint16_t exponent, std::uint64_t significand) {
  for (int i = 0; i < 8; ++i)
    out[i] = std::uint8_t(significand >> (8 * i));
  std::uint16_t top = std::uint16_t(exponent | (negative ? 0x8000 : 0));
  out[8] = std::uint8_t(top);
  out[9] = std::uint8_t(top >> 8);
}

double Compose(bool negative, std::uint64_t exponentField, std::uint64_t fraction) {
  std::uint64_t bits = (negative ? (1ull << 63) : 0) | (exponentField << 52) | fraction;
  return std::bit_cast<double>(bits);
}

// Shifts right by `shift` bits rounding to nearest, ties to even.
std::uint64_t ShiftRound(std::uint64_t value, int shift) {
  if (shift <= 0)
    return value;
  if (shift >= 64 + 1)
    return 0;
  std::uint64_t kept = shift >= 64 ? 0 : value >> shift;
  std::uint64_t halfBit = 1ull << (shift - 1);
  std::uint64_t rest = value & ((shift >= 64 ? ~0ull : (1ull << shift) - 1));
  if (rest > halfBit || (rest == halfBit && (kept & 1)))
    ++kept;
  return kept;
}

} // namespace

TExtended80Bytes DoubleToExtended80(double value) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  bool negative = bits >> 63;
  int exponent = int((bits >> 52) & 0x7FF);
  std::uint64_t fraction = bits & ((1ull << 52) - 1);
  TExtended80Bytes out{};
  if (exponent == 0x7FF) {
    // Infinity keeps only the integer bit; a NaN keeps its payload in the same top bits.
    Store(out, negative, 0x7FFF, (1ull << 63) | (fraction << 11));
  } else if (exponent == 0) {
    if (fraction == 0) {
      Store(out, negative, 0, 0);
    } else {
      // A double denormal is a normal number in the wider exponent range.
      int shift = std::countl_zero(fraction);
      int e = (63 - shift) - 1074; // the value is fraction * 2^-1074
      Store(out, negative, std::uint16_t(e + kExtendedBias), fraction << shift);
    }
  } else {
    std::uint64_t significand = (1ull << 63) | (fraction << 11);
    Store(out, negative, std::uint16_t(exponent - kDoubleBias + kExtendedBias), significand);
  }
  return out;
}

double Extended80ToDouble(const TExtended80Bytes& bytes) {
  std::uint64_t significand = 0;
  for (int i = 7; i >= 0; --i)
    significand = (significand << 8) | bytes[i];
  std::uint16_t top = std::uint16_t(bytes[8] | (bytes[9] << 8));
  bool negative = top & 0x8000;
  int exponent = top & 0x7FFF;

  if (exponent == 0x7FFF) {
    std::uint64_t payload = (significand << 1) >> 12; // drop the integer bit, keep the top 52 fraction bits
    if ((significand << 1) == 0)
      return Compose(negative, 0x7FF, 0);
    if (payload == 0)
      payload = 1ull << 51; // a NaN whose payload sat only in the low bits stays a NaN
    return Compose(negative, 0x7FF, payload);
  }
  if (significand == 0)
    return Compose(negative, 0, 0);

  // Normalise unnormals and pseudo-denormals so that the top bit is the integer bit.
  int unbiased = (exponent == 0 ? 1 : exponent) - kExtendedBias;
  int lead = std::countl_zero(significand);
  significand <<= lead;
  unbiased -= lead;

  int doubleExponent = unbiased + kDoubleBias;
  if (doubleExponent >= 1) {
    std::uint64_t rounded = ShiftRound(significand, 11);
    if (rounded >> 53) { // rounding carried into a new bit
      rounded >>= 1;
      ++doubleExponent;
    }
    if (doubleExponent >= 0x7FF)
      return Compose(negative, 0x7FF, 0);
    return Compose(negative, std::uint64_t(doubleExponent), rounded & ((1ull << 52) - 1));
  }
  // Denormal result: the integer bit moves into the fraction, and rounding may carry into the smallest
  // normal.
  int shift = 11 + (1 - doubleExponent);
  std::uint64_t rounded = ShiftRound(significand, shift);
  if (rounded >> 52)
    return Compose(negative, 1, rounded & ((1ull << 52) - 1));
  return Compose(negative, 0, rounded);
}
