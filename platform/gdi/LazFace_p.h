#pragma once
// The dictionary's Laz face is not installed here: the substitute sans face draws it, showing each code point
// of the Laz font as the Laz letter it stands for. A letter with a mark is built from the letter and a
// combining mark, so that it looks the same at every size, and the face's cell is made tall enough to hold
// it.
#include <span>
#include <string_view>

#include "platform/gdi/FontEngine_p.h"

namespace fonts {

struct LazLetter {
  char16_t code;
  // The letter shown, followed by its combining mark where it has one.
  std::u16string_view shown;
  // The precomposed letter that stands in where the face has no glyph for a part of shown; 0 for none.
  char16_t precomposed;
};

// The letter a code point of the Laz face stands for; nullptr when it stands for itself.
const LazLetter* FindLazLetter(char16_t ch);
std::span<const LazLetter> LazLetters();

bool IsCombiningMark(char16_t ch);

// The image cut to the rows and columns that hold ink; an image without ink comes back empty.
GlyphImage TrimToInk(GlyphImage image);

// Puts a combining mark over its letter without a shaper: centred on the letter's ink, and lifted where it
// would come closer than one blank row to it (marks are drawn for lower-case letters).
GlyphImage PlaceMark(GlyphImage base, GlyphImage mark);

} // namespace fonts
