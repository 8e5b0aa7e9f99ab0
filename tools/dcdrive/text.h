#pragma once
// The driver's files and output are UTF-8; the data controller holds text in the default code page. Text is
// converted at the driver's edges, and whatever a message quotes from its input is cut to a bounded length.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/rtl/SysUtils.h"

namespace dcdrive {

// Input the driver refuses; the message is UTF-8.
struct BadInput : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A text that is no UTF-8 or holds a character the code page cannot; Offset is the byte where it fails.
struct BadText : BadInput {
  BadText(const std::string& AMessage, std::size_t AOffset) : BadInput(AMessage), Offset(AOffset) {}
  std::size_t Offset;
};

// The most bytes of input a message quotes.
constexpr std::size_t QuoteLimit = 200;
// The most bytes of one message, whoever wrote it.
constexpr std::size_t MessageLimit = 1000;

// UTF-8 text in the default code page; raises BadText rather than let a character become '?'.
AnsiString ToCodePage(std::string_view AUtf8);
// Code-page text as UTF-8 for output.
std::string ToUtf8(std::string_view AAnsi);

// 'text' for a message, cut to QuoteLimit bytes with the full length said; the result is valid UTF-8
// whatever the input was.
std::string QuoteUtf8(std::string_view AText);
std::string QuoteAnsi(std::string_view AText);
// The message of what the library raised (code page) as UTF-8 of at most MessageLimit bytes and a mark; a NUL
// in it is written \0 and a backslash \\, as in quoted input.
std::string LibraryMessage(const std::exception& AError);

} // namespace dcdrive
