#include "tools/dcdrive/text.h"

#include <cstdio>

#include "platform/rtl/CodePage.h"

namespace dcdrive {

namespace {

bool IsAscii(std::string_view AText) {
  for (char c : AText)
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  return true;
}

// The text with every malformed byte turned into U+FFFD, so that what a message quotes is always UTF-8.
std::string Clean(std::string_view AUtf8) {
  return IsAscii(AUtf8) ? std::string(AUtf8) : WideToUtf8(Utf8ToWide(AUtf8));
}

// The length of AText cut to at most ALimit bytes without splitting a character.
std::size_t CutPoint(std::string_view AText, std::size_t ALimit) {
  if (AText.size() <= ALimit)
    return AText.size();
  std::size_t n = ALimit;
  while (n > 0 && (static_cast<unsigned char>(AText[n]) & 0xC0) == 0x80)
    --n;
  return n;
}

// A NUL would end the message that quotes it: it is quoted as \0, and a backslash as \\ so that the two
// cannot be taken for each other.
std::string EscapeNulAndBackslash(std::string_view AText) {
  std::string escaped;
  escaped.reserve(AText.size());
  for (char c : AText) {
    if (c == '\0')
      escaped += "\\0";
    else if (c == '\\')
      escaped += "\\\\";
    else
      escaped += c;
  }
  return escaped;
}

std::size_t FirstBadByte(std::string_view AText) {
  std::size_t i = 0;
  while (i < AText.size()) {
    unsigned char b = static_cast<unsigned char>(AText[i]);
    std::size_t length = b < 0x80             ? 1
                         : (b & 0xE0) == 0xC0 ? 2
                         : (b & 0xF0) == 0xE0 ? 3
                         : (b & 0xF8) == 0xF0 ? 4
                                              : 0;
    if (length == 0 || i + length > AText.size())
      return i;
    std::string_view sequence = AText.substr(i, length);
    if (WideToUtf8(Utf8ToWide(sequence)) != sequence)
      return i;
    i += length;
  }
  return i;
}

// AShown in quotes; AWhole is the length of the whole text in AUnit when AShown is only its start, else 0.
// Appended rather than put before a temporary string, which GCC 12 mistakes for an overlapping copy
// (-Wrestrict, a known false positive).
std::string Quoted(const std::string& AShown, std::size_t AWhole, const char* AUnit) {
  std::string quoted = "'";
  quoted += EscapeNulAndBackslash(AShown);
  if (AWhole == 0)
    return quoted + "'";
  return quoted + "...' (" + std::to_string(AWhole) + " " + AUnit + ")";
}

} // namespace

AnsiString ToCodePage(std::string_view AUtf8) {
  if (IsAscii(AUtf8))
    return AnsiString(AUtf8);
  const WideString wide = Utf8ToWide(AUtf8);
  if (WideToUtf8(wide) != AUtf8) {
    std::size_t at = FirstBadByte(AUtf8);
    char message[64];
    std::snprintf(message, sizeof message, "not UTF-8 text (byte 0x%02X)",
                  at < AUtf8.size() ? unsigned(static_cast<unsigned char>(AUtf8[at])) : 0u);
    throw BadText(message, at);
  }
  AnsiString out = WideToAnsi(wide);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (out[i] != DefaultAnsiChar || wide[i] == char16_t(DefaultAnsiChar))
      continue;
    std::size_t units = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() ? 2 : 1;
    char32_t code = units == 2 ? 0x10000 + ((char32_t(wide[i]) - 0xD800) << 10) + (wide[i + 1] - 0xDC00)
                               : char32_t(wide[i]);
    char number[16];
    std::snprintf(number, sizeof number, "U+%04X", unsigned(code));
    throw BadText("the code page " + std::to_string(GetACP()) + " cannot hold the character \"" +
                      WideToUtf8(wide.substr(i, units)) + "\" (" + number + ")",
                  WideToUtf8(wide.substr(0, i)).size());
  }
  return out;
}

std::string ToUtf8(std::string_view AAnsi) {
  return IsAscii(AAnsi) ? std::string(AAnsi) : AnsiToUtf8(AAnsi);
}

std::string QuoteUtf8(std::string_view AText) {
  std::size_t n = CutPoint(AText, QuoteLimit);
  if (n == AText.size())
    return Quoted(Clean(AText), 0, "");
  return Quoted(Clean(AText.substr(0, n)), AText.size(), "bytes");
}

std::string QuoteAnsi(std::string_view AText) {
  if (AText.size() <= QuoteLimit)
    return Quoted(ToUtf8(AText), 0, "");
  return Quoted(ToUtf8(AText.substr(0, QuoteLimit)), AText.size(), "characters");
}

std::string LibraryMessage(const std::exception& AError) {
  // The library's own exceptions hold the whole text; what() would end at a NUL.
  const auto* own = dynamic_cast<const Exception*>(&AError);
  const AnsiString whole = own ? own->Message() : AnsiString(AError.what());
  const std::string_view ansi = whole;
  std::string text = EscapeNulAndBackslash(ToUtf8(ansi.substr(0, MessageLimit)));
  std::size_t n = CutPoint(text, MessageLimit);
  if (n == text.size() && ansi.size() <= MessageLimit)
    return text;
  // A cut between a backslash and the character it escapes would leave the backslash escaping nothing.
  std::size_t backslashes = 0;
  while (backslashes < n && text[n - 1 - backslashes] == '\\')
    ++backslashes;
  return text.substr(0, n - backslashes % 2) + "...";
}

} // namespace dcdrive
