#include "platform/gdi/LazFace_p.h"

#include <algorithm>

namespace fonts {

namespace {

constexpr char16_t caron = u'\u030C';
constexpr char16_t dotAbove = u'\u0307';

constexpr LazLetter lazLetters[] = {
    {u'\u00FC', u"k\u030C", u'\u01E9'},
    {u'\u00DC', u"K\u030C", u'\u01E8'},
    {u'w', u"\u0292\u030C", u'\u01EF'},
    {u'\u00E9', u"\u0292", 0},
    // Without the caron's glyph the c with a caron stands in, the cedilla lost: no precomposed letter has
    // both.
    {u'\u00F6', u"\u00E7\u030C", u'\u010D'},
    {u'\u00D6', u"\u00C7\u030C", u'\u010C'},
    {u'\u00F4', u"p\u0307", u'\u1E57'},
    {u'\u00D4', u"P\u0307", u'\u1E56'},
    // The small t carries its caron as a stroke beside its stem, which only the precomposed letter has.
    {u'\u00FB', u"\u0165", 0},
    {u'\u00DB', u"T\u030C", u'\u0164'},
    {u'\u00E2', u"z\u030C", u'\u017E'},
    {u'\u00C2', u"Z\u030C", u'\u017D'},
    // The word data stores three pairs of letters swapped; the face swaps them back.
    {u'u', u"t", 0},
    {u't', u"u", 0},
    {u'p', u"o", 0},
    {u'o', u"p", 0},
    {u'z', u"a", 0},
    {u'a', u"z", 0},
    {u'U', u"T", 0},
    {u'T', u"U", 0},
    {u'P', u"O", 0},
    {u'O', u"P", 0},
    {u'Z', u"A", 0},
    {u'A', u"Z", 0},
};

static_assert(std::ranges::all_of(lazLetters, [](const LazLetter& l) {
  return l.shown.size() == 1 || (l.shown.size() == 2 && (l.shown[1] == caron || l.shown[1] == dotAbove));
}));

} // namespace

const LazLetter* FindLazLetter(char16_t ch) {
  for (const LazLetter& l : lazLetters)
    if (l.code == ch)
      return &l;
  return nullptr;
}

std::span<const LazLetter> LazLetters() {
  return lazLetters;
}

bool IsCombiningMark(char16_t ch) {
  return ch >= 0x0300 && ch <= 0x036F;
}

GlyphImage TrimToInk(GlyphImage image) {
  int top = image.height, bottom = 0, left = image.width, right = 0;
  for (int r = 0; r < image.height; ++r)
    for (int c = 0; c < image.width; ++c)
      if (image.coverage[std::size_t(r) * image.width + c]) {
        top = std::min(top, r);
        bottom = std::max(bottom, r + 1);
        left = std::min(left, c);
        right = std::max(right, c + 1);
      }
  if (top >= bottom)
    return GlyphImage{};
  if (top == 0 && left == 0 && bottom == image.height && right == image.width)
    return image;
  GlyphImage out;
  out.x = image.x + left;
  out.y = image.y + top;
  out.width = right - left;
  out.height = bottom - top;
  out.coverage.reserve(std::size_t(out.width) * out.height);
  for (int r = top; r < bottom; ++r) {
    const auto row = image.coverage.begin() + std::ptrdiff_t(r) * image.width;
    out.coverage.insert(out.coverage.end(), row + left, row + right);
  }
  return out;
}

GlyphImage PlaceMark(GlyphImage base, GlyphImage mark) {
  mark = TrimToInk(std::move(mark));
  base = TrimToInk(std::move(base));
  if (mark.coverage.empty())
    return base;
  if (base.coverage.empty())
    return mark;
  mark.x = base.x + (base.width - mark.width) / 2;
  mark.y = std::min(mark.y, base.y - 1 - mark.height);
  GlyphImage out;
  out.x = std::min(base.x, mark.x);
  out.y = mark.y;
  out.width = std::max(base.x + base.width, mark.x + mark.width) - out.x;
  out.height = base.y + base.height - out.y;
  out.coverage.assign(std::size_t(out.width) * out.height, 0);
  for (const GlyphImage* part : {&base, &mark})
    for (int r = 0; r < part->height; ++r)
      for (int c = 0; c < part->width; ++c) {
        auto& dst = out.coverage[std::size_t(part->y - out.y + r) * out.width + (part->x - out.x + c)];
        dst = std::uint8_t(std::min(255, dst + part->coverage[std::size_t(r) * part->width + c]));
      }
  return out;
}

} // namespace fonts
