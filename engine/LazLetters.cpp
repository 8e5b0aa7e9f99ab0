#include "engine/LazLetters.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr std::uint8_t kAccent = 0xB4;

struct LazMaps {
  std::array<std::uint8_t, 256> single{};
  std::array<std::uint8_t, 256> accented{}; // 0: the letter takes no accent
};

// The one-pass form of the substitution. Letters carrying the accent are resolved before any swap, and no
// step produces a letter or an accent that an earlier step looks for, so reading each character with its
// successor once gives the same text as the substitution's thirty replace-all steps. A '#' ends up as 'u'
// because the lower-case t/u swap uses '#' as its intermediate mark.
constexpr LazMaps makeLazMaps() {
  LazMaps m{};
  for (int b = 0; b < 256; ++b)
    m.single[b] = std::uint8_t(b);
  const std::pair<char, char> swaps[] = {{'t', 'u'}, {'o', 'p'}, {'a', 'z'},
                                         {'T', 'U'}, {'O', 'P'}, {'A', 'Z'}};
  for (auto [x, y] : swaps) {
    m.single[std::uint8_t(x)] = std::uint8_t(y);
    m.single[std::uint8_t(y)] = std::uint8_t(x);
  }
  m.single[std::uint8_t('#')] = std::uint8_t('u');
  m.single[std::uint8_t('3')] = 0xE9;
  const std::pair<std::uint8_t, std::uint8_t> accented[] = {
      {'k', 0xFC}, {'3', 'w'},   {0xE7, 0xF6}, {'p', 0xF4}, {'t', 0xFB}, {'z', 0xE2},
      {'K', 0xDC}, {0xC7, 0xD6}, {'P', 0xD4},  {'T', 0xDB}, {'Z', 0xC2}};
  for (auto [letter, result] : accented)
    m.accented[letter] = result;
  return m;
}
constexpr LazMaps kLaz = makeLazMaps();

template <class Emit> void lazPass(const std::uint8_t* src, std::size_t n, Emit emit) {
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t b = src[i];
    if (i + 1 < n && src[i + 1] == kAccent && kLaz.accented[b]) {
      emit(kLaz.accented[b]);
      ++i;
    } else {
      emit(kLaz.single[b]);
    }
  }
}

bool isSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

std::unique_ptr<TCodePageTables> buildTables(UINT codePage) {
  auto t = std::make_unique<TCodePageTables>();
  t->codePage = codePage;

  std::string allBytes(256, '\0');
  for (int b = 0; b < 256; ++b)
    allBytes[b] = char(b);
  WideString wide = AnsiToWide(allBytes);
  bool ok = wide.size() == 256;
  for (int b = 0; ok && b < 256; ++b) {
    t->toWide[b] = wide[b];
    ok = !isSurrogate(wide[b]);
  }

  WideString units;
  units.reserve(65536 - 2048);
  for (char32_t c = 0; c < 65536; ++c)
    if (!isSurrogate(char16_t(c)))
      units.push_back(char16_t(c));
  AnsiString bytes = WideToAnsi(units);
  ok = ok && bytes.size() == units.size();
  if (ok) {
    const std::uint8_t question = std::uint8_t(WideToAnsi(u"\xFFFD").at(0));
    for (std::size_t i = 0; i < units.size(); ++i)
      t->toByte[units[i]] = std::uint8_t(bytes[i]);
    for (char32_t c = 0xD800; c <= 0xDFFF; ++c)
      t->toByte[c] = question;
    std::uint8_t roundTrip[256];
    t->bytesRoundTrip = true;
    for (int b = 0; b < 256; ++b) {
      roundTrip[b] = t->toByte[t->toWide[b]];
      t->bytesRoundTrip = t->bytesRoundTrip && roundTrip[b] == b;
    }
    for (auto& b : t->toByte)
      b = roundTrip[b];
  }
  t->perCharacter = ok;

  bool stable = ok;
  for (int b = 0; stable && b < 256; ++b)
    stable = ((t->toWide[b] <= 0x20) == (b <= 0x20)) && ((t->toWide[b] == u';') == (b == ';'));
  t->asciiControlsStable = stable;
  return t;
}

} // namespace

const TCodePageTables& CodePageTables() {
  // Few code pages are ever used in one process, so every table built is kept for the process's lifetime
  // and the last one answers without a lock; the code page is checked on each call because tests switch it.
  static std::atomic<const TCodePageTables*> last{nullptr};
  UINT codePage = GetACP();
  const TCodePageTables* current = last.load(std::memory_order_acquire);
  if (current && current->codePage == codePage)
    return *current;
  static std::mutex mutex;
  static std::map<UINT, std::unique_ptr<TCodePageTables>> built;
  std::lock_guard lock(mutex);
  auto& slot = built[codePage];
  if (!slot)
    slot = buildTables(codePage);
  last.store(slot.get(), std::memory_order_release);
  return *slot;
}

std::size_t ConvertLazAnsiTo(const TCodePageTables& tables, const std::uint8_t* src, std::size_t n,
                             char16_t* dst) {
  char16_t* out = dst;
  lazPass(src, n, [&](std::uint8_t b) { *out++ = tables.toWide[b]; });
  return std::size_t(out - dst);
}

WideString ConvertLaz(std::u16string_view S) {
  const TCodePageTables& tables = CodePageTables();
  bool direct = tables.perCharacter;
  for (std::size_t i = 0; direct && i < S.size(); ++i)
    direct = !isSurrogate(S[i]);
  AnsiString ansi;
  if (direct) {
    ansi.resize(S.size());
    for (std::size_t i = 0; i < S.size(); ++i)
      ansi[i] = char(tables.toByte[S[i]]);
  } else {
    ansi = WideToAnsi(S);
  }
  if (!tables.perCharacter) {
    // Without per-character tables every conversion goes through the routines themselves.
    AnsiString mapped;
    mapped.reserve(ansi.size());
    lazPass(reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size(),
            [&](std::uint8_t b) { mapped.push_back(char(b)); });
    return AnsiToWide(mapped);
  }
  if (!direct)
    for (auto& c : ansi)
      c = char(tables.toByte[tables.toWide[std::uint8_t(c)]]);
  WideString result(ansi.size(), u'\0');
  result.resize(ConvertLazAnsiTo(tables, reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size(),
                                 result.data()));
  return result;
}
