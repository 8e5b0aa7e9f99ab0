#include "platform/rtl/CodePage.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace {

// 0x80..0x9F of Windows-1252; zero marks a byte the code page leaves undefined.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct CodePageTable {
  std::array<char16_t, 256> toWide{};
  // Code units above 0xFF that have a byte, sorted by code unit; below 0x100 a direct table answers, and
  // another up to 0x2FF, where the Latin letters of the code pages (the Turkish ones among them) lie.
  std::vector<std::pair<char16_t, unsigned char>> high;
  std::array<short, 256> low{};
  std::array<short, 0x200> latin{};
  int ByteOf(char32_t ch) const {
    if (ch < 0x100)
      return low[ch];
    if (ch < 0x300)
      return latin[ch - 0x100];
    auto it = std::lower_bound(high.begin(), high.end(), std::pair<char16_t, unsigned char>(char16_t(ch), 0));
    return it != high.end() && it->first == ch ? it->second : -1;
  }
};

CodePageTable BuildTable(UINT codePage) {
  CodePageTable t;
  for (int b = 0; b < 256; ++b)
    t.toWide[b] = char16_t(b);
  for (int b = 0x80; b < 0xA0; ++b)
    t.toWide[b] = kHigh1252[b - 0x80] ? kHigh1252[b - 0x80] : char16_t(b);
  if (codePage == CP_WINDOWS_1254) {
    // Windows-1254 drops the two Z-caron letters of 1252 and puts the six Turkish letters into Latin-1.
    t.toWide[0x8E] = 0x8E;
    t.toWide[0x9E] = 0x9E;
    t.toWide[0xD0] = 0x011E;
    t.toWide[0xDD] = 0x0130;
    t.toWide[0xDE] = 0x015E;
    t.toWide[0xF0] = 0x011F;
    t.toWide[0xFD] = 0x0131;
    t.toWide[0xFE] = 0x015F;
  }
  t.low.fill(-1);
  t.latin.fill(-1);
  for (int b = 0; b < 256; ++b) {
    char16_t w = t.toWide[b];
    if (w < 0x100)
      t.low[w] = short(b);
    else
      t.high.emplace_back(w, static_cast<unsigned char>(b));
    if (w >= 0x100 && w < 0x300)
      t.latin[w - 0x100] = short(b);
  }
  std::sort(t.high.begin(), t.high.end());
  return t;
}

const CodePageTable& Table(UINT codePage) {
  static const CodePageTable t1252 = BuildTable(CP_WINDOWS_1252);
  static const CodePageTable t1254 = BuildTable(CP_WINDOWS_1254);
  return codePage == CP_WINDOWS_1252 ? t1252 : t1254;
}

std::atomic<UINT> gDefaultCodePage{CP_WINDOWS_1254};

} // namespace

bool IsSupportedCodePage(UINT codePage) {
  return codePage == CP_WINDOWS_1252 || codePage == CP_WINDOWS_1254;
}

char16_t CodePageByteToWide(UINT codePage, unsigned char byte) {
  return Table(codePage).toWide[byte];
}

int CodePageWideToByte(UINT codePage, char16_t ch) {
  return Table(codePage).ByteOf(ch);
}

char16_t AnsiCharToWide(unsigned char byte) {
  return CodePageByteToWide(GetACP(), byte);
}

int WideCharToAnsi(char16_t ch) {
  return CodePageWideToByte(GetACP(), ch);
}

UINT GetACP() {
  return gDefaultCodePage.load(std::memory_order_relaxed);
}

void SetDefaultCodePage(UINT codePage) {
  if (!IsSupportedCodePage(codePage))
    throw EInvalidArgument("Code page " + IntToStr(codePage) + " is not supported");
  gDefaultCodePage.store(codePage, std::memory_order_relaxed);
}

WideString AnsiToWide(std::string_view s) {
  const CodePageTable& t = Table(GetACP());
  WideString out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i)
    out[i] = t.toWide[static_cast<unsigned char>(s[i])];
  return out;
}

// Each unrepresentable code unit, a surrogate half included, becomes one default character, so an 8-bit
// string always has as many characters as the wide string it came from and caret positions carry over.
AnsiString WideToAnsi(std::u16string_view s) {
  const UINT cp = GetACP();
  AnsiString out(s.size(), '\0');
  for (size_t i = 0; i < s.size(); ++i) {
    int b = CodePageWideToByte(cp, s[i]);
    out[i] = b < 0 ? DefaultAnsiChar : static_cast<char>(b);
  }
  return out;
}

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::string WideToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

// Malformed input (stray continuation bytes, truncated or overlong sequences, encoded surrogates, values
// past U+10FFFF) becomes U+FFFD, one per offending byte, and decoding goes on.
WideString Utf8ToWide(std::string_view s) {
  WideString out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    int extra;
    char32_t cp;
    char32_t min;
    if (b < 0x80) {
      out += char16_t(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, cp = b & 0x07, min = 0x10000;
    } else {
      out += char16_t(kReplacement);
      ++i;
      continue;
    }
    bool ok = i + extra < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += char16_t(kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
    i += extra + 1;
  }
  return out;
}

std::string AnsiToUtf8(std::string_view s) {
  return WideToUtf8(AnsiToWide(s));
}

// Straight from UTF-8 into the code page, with the default character where the route through UTF-16 gives
// it: one per malformed byte, one per code unit the code page lacks (two for a character past U+FFFF, whose
// surrogates none holds). Every sequence gives at most as many bytes as it has, so the result is written in
// place and only shortened.
AnsiString Utf8ToAnsi(std::string_view s, bool& exact) {
  exact = true;
  // ASCII is the same in both, and the bulk of most texts: copied as a block.
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80)
    ++i;
  if (i == s.size())
    return AnsiString(s);
  const CodePageTable& t = Table(GetACP());
  AnsiString out(s.size(), '\0');
  std::memcpy(out.data(), s.data(), i);
  char* o = out.data() + i;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      *o++ = char(b);
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((b & 0xE0) == 0xC0)
      extra = 1, cp = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0)
      extra = 2, cp = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0)
      extra = 3, cp = b & 0x07, min = 0x10000;
    else
      extra = -1, cp = 0, min = 0;
    bool ok = extra > 0 && i + size_t(extra) < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
      unsigned char c = static_cast<unsigned char>(s[i + size_t(k)]);
      if ((c & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      *o++ = DefaultAnsiChar;
      exact = false;
      ++i;
      continue;
    }
    int byte = -1;
    if (cp < 0x10000)
      byte = t.ByteOf(cp);
    else
      *o++ = DefaultAnsiChar;
    if (byte < 0) {
      *o++ = DefaultAnsiChar;
      exact = false;
    } else {
      *o++ = char(byte);
    }
    i += size_t(extra) + 1;
  }
  out.resize(size_t(o - out.data()));
  return out;
}

AnsiString Utf8ToAnsi(std::string_view s) {
  bool exact;
  return Utf8ToAnsi(s, exact);
}
