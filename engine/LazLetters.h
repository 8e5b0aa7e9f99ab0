#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/rtl/SysUtils.h"

// Maps Laz text as the word data writes it onto the code points at which the dictionary's Laz font draws the
// Laz letters: a letter followed by the acute accent (0xB4) becomes one accented letter, '3' becomes 'é', and
// the pairs t/u, o/p, a/z and T/U, O/P, A/Z swap places. The text goes through the default code page, so a
// character the code page lacks comes out as '?'; a '#' comes out as 'u'.
WideString ConvertLaz(std::u16string_view S);

// The default code page seen one character at a time. The substitution and the word file's reader convert
// through these tables instead of building a temporary string per field.
struct TCodePageTables {
  UINT codePage = 0;
  // Byte that the code page gives a lone UTF-16 code unit (surrogates give '?'); a byte sent back through
  // the code page and forth again is folded in, so one lookup equals a round trip.
  std::uint8_t toByte[65536];
  char16_t toWide[256];
  // Whether a whole string converts as its characters one by one do; when it does not, callers take the
  // conversion routines' own path.
  bool perCharacter = false;
  // Whether ';' and the trimmed characters (at or below 0x20) are the same in both forms, so that a line can
  // be split and trimmed before it is widened.
  bool asciiControlsStable = false;
  // Whether every byte comes back unchanged from a trip to UTF-16 and back.
  bool bytesRoundTrip = false;
};
const TCodePageTables& CodePageTables();

// The substitution on 8-bit text, written as wide characters; returns the number written (at most n).
std::size_t ConvertLazAnsiTo(const TCodePageTables& tables, const std::uint8_t* src, std::size_t n,
                             char16_t* dst);
