#include "platform/rtl/CaseRules.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr char16_t kDottedCapitalI = 0x0130; // İ
constexpr char16_t kDotlessSmallI = 0x0131;  // ı

// Locale-neutral simple upper-case mapping of the scripts a dictionary user meets: Latin, Greek, Cyrillic,
// Armenian and the full-width Latin letters.
char16_t NeutralUpper(char16_t c) {
  auto odd = [c](int from, int to) { return c >= from && c <= to && (c & 1) == 1; };
  auto even = [c](int from, int to) { return c >= from && c <= to && (c & 1) == 0; };
  if (c >= u'a' && c <= u'z')
    return c - 0x20;
  if (c < 0xB5)
    return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7))
    return c - 0x20;
  if (c == 0xFF)
    return 0x0178;
  if (c == kDotlessSmallI)
    return u'I';
  if (c == 0x017F)
    return u'S';
  if (odd(0x0101, 0x0137) || even(0x013A, 0x0148) || odd(0x014B, 0x0177) || even(0x017A, 0x017E))
    return c - 1;
  if (even(0x01CE, 0x01DC) || odd(0x01DF, 0x01EF) || odd(0x01F9, 0x021F) || odd(0x0223, 0x0233))
    return c - 1;
  if (c == 0x03C2)
    return 0x03A3;
  if (c >= 0x03B1 && c <= 0x03CB)
    return c - 0x20;
  if (c == 0x03AC)
    return 0x0386;
  if (c >= 0x03AD && c <= 0x03AF)
    return c - 37;
  if (c == 0x03CC)
    return 0x038C;
  if (c == 0x03CD || c == 0x03CE)
    return c - 63;
  if (c >= 0x0430 && c <= 0x044F)
    return c - 0x20;
  if (c >= 0x0450 && c <= 0x045F)
    return c - 0x50;
  if (odd(0x0461, 0x0481) || odd(0x048B, 0x04BF) || even(0x04C2, 0x04CE) || odd(0x04D1, 0x052F))
    return c - 1;
  if (c == 0x04CF)
    return 0x04C0;
  if (c >= 0x0561 && c <= 0x0586)
    return c - 0x30;
  if (c >= 0xFF41 && c <= 0xFF5A)
    return c - 0x20;
  return c;
}

struct CaseTables {
  std::array<char16_t, 0x10000> upper;
  std::array<char16_t, 0x10000> lower;
};

const CaseTables& NeutralCase() {
  static const std::unique_ptr<CaseTables> tables = [] {
    auto t = std::make_unique<CaseTables>();
    for (unsigned c = 0; c < 0x10000; ++c) {
      t->upper[c] = char16_t(c);
      t->lower[c] = char16_t(c);
    }
    for (unsigned c = 0; c < 0x10000; ++c) {
      char16_t u = NeutralUpper(char16_t(c));
      t->upper[c] = u;
      // ı, ſ and ς share their capital with a more common letter, which is the one lower case gives back.
      if (u != c && c != kDotlessSmallI && c != 0x017F && c != 0x03C2)
        t->lower[u] = char16_t(c);
    }
    t->lower[kDottedCapitalI] = u'i';
    return t;
  }();
  return *tables;
}

// Collation weight: primary << 7 | secondary << 1 | tertiary. Primary classes, in order: symbols and
// controls by code point, digits, the Latin alphabet of the locale, other Latin letters, Greek, Cyrillic
// and Armenian by code point, everything else by code point.
constexpr std::uint32_t kSymbolBase = 0x01000;
constexpr std::uint32_t kDigitBase = 0x20000;
constexpr std::uint32_t kAlphabetBase = 0x20100;
constexpr std::uint32_t kOtherLatinBase = 0x2F000;
constexpr std::uint32_t kOtherScriptBase = 0x30000;
constexpr std::uint32_t kRestBase = 0x50000;

constexpr std::uint32_t Weight(std::uint32_t primary, std::uint32_t secondary, std::uint32_t tertiary) {
  return primary << 7 | secondary << 1 | tertiary;
}
constexpr std::uint32_t Primary(std::uint32_t w) {
  return w >> 7;
}
constexpr std::uint32_t Secondary(std::uint32_t w) {
  return (w >> 1) & 0x3F;
}
constexpr std::uint32_t Tertiary(std::uint32_t w) {
  return w & 1;
}

// Accent classes; their numeric order is the order of accented variants of one letter.
enum Accent : std::uint8_t {
  kPlain,
  kAcute,
  kGrave,
  kCircumflex,
  kDiaeresis,
  kTilde,
  kRing,
  kCedilla,
  kCaron,
  kBreve,
  kMacron,
  kOgonek,
  kDotAbove,
  kDoubleAcute,
  kStroke,
  kDotless,
  kMiddleDot,
  kApostrophe,
  kSharp,
};

struct Decomposition {
  char16_t ch;
  char16_t base;
  Accent accent;
};

// Lower-case accented Latin letters as a base letter and an accent.
constexpr Decomposition kDecompositions[] = {
    {0xE0, 'a', kGrave},       {0xE1, 'a', kAcute},        {0xE2, 'a', kCircumflex},
    {0xE3, 'a', kTilde},       {0xE4, 'a', kDiaeresis},    {0xE5, 'a', kRing},
    {0xE7, 'c', kCedilla},     {0xE8, 'e', kGrave},        {0xE9, 'e', kAcute},
    {0xEA, 'e', kCircumflex},  {0xEB, 'e', kDiaeresis},    {0xEC, 'i', kGrave},
    {0xED, 'i', kAcute},       {0xEE, 'i', kCircumflex},   {0xEF, 'i', kDiaeresis},
    {0xF1, 'n', kTilde},       {0xF2, 'o', kGrave},        {0xF3, 'o', kAcute},
    {0xF4, 'o', kCircumflex},  {0xF5, 'o', kTilde},        {0xF6, 'o', kDiaeresis},
    {0xF8, 'o', kStroke},      {0xF9, 'u', kGrave},        {0xFA, 'u', kAcute},
    {0xFB, 'u', kCircumflex},  {0xFC, 'u', kDiaeresis},    {0xFD, 'y', kAcute},
    {0xFF, 'y', kDiaeresis},   {0xDF, 's', kSharp},        {0x101, 'a', kMacron},
    {0x103, 'a', kBreve},      {0x105, 'a', kOgonek},      {0x107, 'c', kAcute},
    {0x109, 'c', kCircumflex}, {0x10B, 'c', kDotAbove},    {0x10D, 'c', kCaron},
    {0x10F, 'd', kCaron},      {0x111, 'd', kStroke},      {0x113, 'e', kMacron},
    {0x115, 'e', kBreve},      {0x117, 'e', kDotAbove},    {0x119, 'e', kOgonek},
    {0x11B, 'e', kCaron},      {0x11D, 'g', kCircumflex},  {0x11F, 'g', kBreve},
    {0x121, 'g', kDotAbove},   {0x123, 'g', kCedilla},     {0x125, 'h', kCircumflex},
    {0x127, 'h', kStroke},     {0x129, 'i', kTilde},       {0x12B, 'i', kMacron},
    {0x12D, 'i', kBreve},      {0x12F, 'i', kOgonek},      {0x131, 'i', kDotless},
    {0x135, 'j', kCircumflex}, {0x137, 'k', kCedilla},     {0x13A, 'l', kAcute},
    {0x13C, 'l', kCedilla},    {0x13E, 'l', kCaron},       {0x140, 'l', kMiddleDot},
    {0x142, 'l', kStroke},     {0x144, 'n', kAcute},       {0x146, 'n', kCedilla},
    {0x148, 'n', kCaron},      {0x149, 'n', kApostrophe},  {0x14D, 'o', kMacron},
    {0x14F, 'o', kBreve},      {0x151, 'o', kDoubleAcute}, {0x155, 'r', kAcute},
    {0x157, 'r', kCedilla},    {0x159, 'r', kCaron},       {0x15B, 's', kAcute},
    {0x15D, 's', kCircumflex}, {0x15F, 's', kCedilla},     {0x161, 's', kCaron},
    {0x163, 't', kCedilla},    {0x165, 't', kCaron},       {0x167, 't', kStroke},
    {0x169, 'u', kTilde},      {0x16B, 'u', kMacron},      {0x16D, 'u', kBreve},
    {0x16F, 'u', kRing},       {0x171, 'u', kDoubleAcute}, {0x173, 'u', kOgonek},
    {0x175, 'w', kCircumflex}, {0x177, 'y', kCircumflex},  {0x17A, 'z', kAcute},
    {0x17C, 'z', kDotAbove},   {0x17E, 'z', kCaron},       {0x17F, 's', kSharp},
};

// The alphabets, lower case, in collation order. Letters listed here are primary letters; accented
// letters not listed sort as variants of their base letter.
constexpr char16_t kTurkishAlphabet[] =
    u"a\u00E6bc\u00E7d\u00F0efg\u011Fh\u0131i\u0133jk\u0138lmn\u014Bo\u00F6"
    u"\u0153pqrs\u015Ftu\u00FCvwxyz\u00FE";
constexpr char16_t kWesternAlphabet[] =
    u"a\u00E6bcd\u00F0efghi\u0133jk\u0138lmn\u014Bo\u0153pqrstuvwxyz\u00FE";

bool IsSymbol(char16_t c) {
  if (c < 0x80)
    return !((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'));
  return (c >= 0x80 && c < 0xC0) || c == 0xD7 || c == 0xF7 || (c >= 0x2000 && c < 0x2C00) ||
         (c >= 0x3000 && c < 0x3040) || (c >= 0xFF01 && c <= 0xFF20) || (c >= 0xFFF0);
}

struct Collation {
  std::array<std::uint32_t, 0x10000> wide;
};

std::uint32_t LetterWeight(char16_t folded, CaseLocale locale, std::uint32_t tertiary) {
  std::u16string_view alphabet = locale == CaseLocale::Turkish ? kTurkishAlphabet : kWesternAlphabet;
  if (auto rank = alphabet.find(folded); rank != std::u16string_view::npos)
    return Weight(kAlphabetBase + std::uint32_t(rank), kPlain, tertiary);
  for (const Decomposition& d : kDecompositions) {
    if (folded < 0xDF || folded > 0x17F)
      break;
    if (d.ch == folded)
      return Weight(kAlphabetBase + std::uint32_t(alphabet.find(d.base)), d.accent, tertiary);
  }
  if (folded >= u'0' && folded <= u'9')
    return Weight(kDigitBase + (folded - u'0'), kPlain, 0);
  if (IsSymbol(folded))
    return Weight(kSymbolBase + folded, kPlain, 0);
  if (folded < 0x0370 || (folded >= 0x1E00 && folded < 0x1F00))
    return Weight(kOtherLatinBase + folded, kPlain, tertiary);
  if (folded < 0x0590)
    return Weight(kOtherScriptBase + folded, kPlain, tertiary);
  return Weight(kRestBase + folded, kPlain, tertiary);
}

std::unique_ptr<Collation> BuildCollation(CaseLocale locale) {
  auto t = std::make_unique<Collation>();
  for (unsigned c = 0; c < 0x10000; ++c) {
    char16_t folded = LocaleLowerChar(char16_t(c), locale);
    t->wide[c] = LetterWeight(folded, locale, folded != c ? 1 : 0);
  }
  return t;
}

const Collation& CollationOf(CaseLocale locale) {
  static const std::unique_ptr<Collation> turkish = BuildCollation(CaseLocale::Turkish);
  static const std::unique_ptr<Collation> western = BuildCollation(CaseLocale::Western);
  return locale == CaseLocale::Turkish ? *turkish : *western;
}

struct AnsiTables {
  std::array<unsigned char, 256> upper, lower;
  std::array<std::uint32_t, 256> weight;
};

std::unique_ptr<AnsiTables> BuildAnsi(UINT codePage) {
  auto t = std::make_unique<AnsiTables>();
  CaseLocale locale = CaseLocaleOf(codePage);
  const Collation& collation = CollationOf(locale);
  for (int b = 0; b < 256; ++b) {
    char16_t w = CodePageByteToWide(codePage, static_cast<unsigned char>(b));
    int up = CodePageWideToByte(codePage, LocaleUpperChar(w, locale));
    int low = CodePageWideToByte(codePage, LocaleLowerChar(w, locale));
    t->upper[b] = static_cast<unsigned char>(up < 0 ? b : up);
    t->lower[b] = static_cast<unsigned char>(low < 0 ? b : low);
    t->weight[b] = collation.wide[w];
  }
  return t;
}

const AnsiTables& AnsiTablesOf(UINT codePage) {
  static const std::unique_ptr<AnsiTables> t1252 = BuildAnsi(CP_WINDOWS_1252);
  static const std::unique_ptr<AnsiTables> t1254 = BuildAnsi(CP_WINDOWS_1254);
  return codePage == CP_WINDOWS_1252 ? *t1252 : *t1254;
}

template <class Char>
int CompareByWeights(std::basic_string_view<Char> a, std::basic_string_view<Char> b,
                     const std::uint32_t* weights, CaseSensitivity cs) {
  using Unit = std::make_unsigned_t<Char>;
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  int accent = 0, letterCase = 0, unit = 0;
  size_t i = 0;
  // Equal bytes weigh nothing at any level: a shared start is skipped a word at a time.
  if constexpr (sizeof(Char) == 1) {
    for (; i + 8 <= n; i += 8) {
      std::uint64_t wa, wb;
      std::memcpy(&wa, a.data() + i, 8);
      std::memcpy(&wb, b.data() + i, 8);
      if (wa != wb) {
        if constexpr (std::endian::native == std::endian::little)
          i += size_t(std::countr_zero(wa ^ wb)) / 8;
        break;
      }
    }
  }
  for (; i < n; ++i) {
    const Unit ca = Unit(a[i]), cb = Unit(b[i]);
    if (ca == cb)
      continue;
    const std::uint32_t wa = weights[ca], wb = weights[cb];
    if (Primary(wa) != Primary(wb))
      return Primary(wa) < Primary(wb) ? -1 : 1;
    if (!accent && Secondary(wa) != Secondary(wb))
      accent = Secondary(wa) < Secondary(wb) ? -1 : 1;
    if (!letterCase && Tertiary(wa) != Tertiary(wb))
      letterCase = Tertiary(wa) < Tertiary(wb) ? -1 : 1;
    if (!unit)
      unit = ca < cb ? -1 : 1;
  }
  if (a.size() != b.size())
    return a.size() < b.size() ? -1 : 1;
  if (accent)
    return accent;
  if (cs == CaseSensitivity::Insensitive)
    return 0;
  return letterCase ? letterCase : unit;
}

} // namespace

CaseLocale CaseLocaleOf(UINT codePage) {
  return codePage == CP_WINDOWS_1252 ? CaseLocale::Western : CaseLocale::Turkish;
}

CaseLocale CurrentCaseLocale() {
  return CaseLocaleOf(GetACP());
}

char16_t LocaleUpperChar(char16_t c, CaseLocale locale) {
  if (locale == CaseLocale::Turkish && c == u'i')
    return kDottedCapitalI;
  return NeutralCase().upper[c];
}

char16_t LocaleLowerChar(char16_t c, CaseLocale locale) {
  if (locale == CaseLocale::Turkish && c == u'I')
    return kDotlessSmallI;
  return NeutralCase().lower[c];
}

unsigned char CodePageUpperByte(UINT codePage, unsigned char b) {
  return AnsiTablesOf(codePage).upper[b];
}

unsigned char CodePageLowerByte(UINT codePage, unsigned char b) {
  return AnsiTablesOf(codePage).lower[b];
}

int LocaleCompare(std::u16string_view a, std::u16string_view b, CaseSensitivity cs, CaseLocale locale) {
  return CompareByWeights(a, b, CollationOf(locale).wide.data(), cs);
}

int CodePageCompare(std::string_view a, std::string_view b, CaseSensitivity cs, UINT codePage) {
  return CompareByWeights(a, b, AnsiTablesOf(codePage).weight.data(), cs);
}

std::uint32_t CodePagePrimaryWeight(UINT codePage, unsigned char b) {
  return Primary(AnsiTablesOf(codePage).weight[b]);
}

std::size_t CodePageOrderedRun(const std::string* First, std::size_t Count, const std::string* Previous,
                               UINT codePage) {
  const std::uint32_t* weights = AnsiTablesOf(codePage).weight.data();
  for (std::size_t i = 0; i < Count; ++i) {
    const std::string* before = i > 0 ? &First[i - 1] : Previous;
    if (before && CompareByWeights(std::string_view(*before), std::string_view(First[i]), weights,
                                   CaseSensitivity::Insensitive) > 0)
      return i;
  }
  return Count;
}
