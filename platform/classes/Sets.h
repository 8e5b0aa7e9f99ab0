#pragma once
// A set over an enumeration (or a small integral type), the counterpart of the Pascal set.
// N bounds the ordinal values the set can hold; an element at or above N is a programming error caught by
// a compile error in constant evaluation and by EInvalidArgument at run time.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "platform/rtl/SysUtils.h"

template <class E, std::size_t N = 64> class TSet {
  static constexpr std::size_t Words = (N + 63) / 64;
  std::array<std::uint64_t, Words> bits_{};

  static constexpr std::size_t Ordinal(E e) {
    const auto v = static_cast<std::size_t>(e);
    if (v >= N)
      throw EInvalidArgument("Set element out of range");
    return v;
  }

public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> elements) {
    for (E e : elements)
      Include(e);
  }

  constexpr TSet& Include(E e) {
    const std::size_t v = Ordinal(e);
    bits_[v / 64] |= std::uint64_t(1) << (v % 64);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    const std::size_t v = Ordinal(e);
    bits_[v / 64] &= ~(std::uint64_t(1) << (v % 64));
    return *this;
  }
  constexpr bool Contains(E e) const {
    const auto v = static_cast<std::size_t>(e);
    return v < N && (bits_[v / 64] >> (v % 64)) & 1;
  }
  constexpr bool Empty() const {
    for (auto w : bits_)
      if (w)
        return false;
    return true;
  }
  constexpr std::size_t Count() const {
    std::size_t n = 0;
    for (auto w : bits_)
      n += std::size_t(std::popcount(w));
    return n;
  }
  // True when every element of this set is also in Other.
  constexpr bool SubsetOf(const TSet& other) const { return (*this - other).Empty(); }

  friend constexpr TSet operator+(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < Words; ++i)
      a.bits_[i] |= b.bits_[i];
    return a;
  }
  friend constexpr TSet operator*(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < Words; ++i)
      a.bits_[i] &= b.bits_[i];
    return a;
  }
  friend constexpr TSet operator-(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < Words; ++i)
      a.bits_[i] &= ~b.bits_[i];
    return a;
  }
  constexpr TSet& operator+=(const TSet& b) { return *this = *this + b; }
  constexpr TSet& operator*=(const TSet& b) { return *this = *this * b; }
  constexpr TSet& operator-=(const TSet& b) { return *this = *this - b; }
  friend constexpr bool operator==(const TSet&, const TSet&) = default;
};
