#pragma once
// Strings, conversions through the default code page, trimming, case rules and the exception hierarchy.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

// 8-bit text in the default code page, and UTF-16 text. Both are values.
using AnsiString = std::string;
using WideString = std::u16string;
using String = AnsiString;

// The default 8-bit code page is a process setting; Windows-1254 unless a test changes it.
// Supported: 1252 and 1254.
UINT GetACP();
void SetDefaultCodePage(UINT codePage);

// Conversions through the default code page; a character it cannot represent becomes '?' (its default char).
WideString AnsiToWide(std::string_view s);
AnsiString WideToAnsi(std::u16string_view s);
// UTF-8 at the edges of the program (files of the project's own tools, JSON output, backends).
std::string WideToUtf8(std::u16string_view s);
WideString Utf8ToWide(std::string_view s);
std::string AnsiToUtf8(std::string_view s);
AnsiString Utf8ToAnsi(std::string_view s);
// As Utf8ToAnsi; exact tells whether the text was well-formed UTF-8 whose every character the code page
// holds, that is whether AnsiToUtf8 gives it back as it came.
AnsiString Utf8ToAnsi(std::string_view s, bool& exact);

// Input as an error message quotes it: whole when short, else its first MessageExcerptLength characters and
// "...", so that a message never carries a huge input along.
constexpr std::size_t MessageExcerptLength = 200;
AnsiString MessageExcerpt(std::string_view s);

// Removes every code unit at or below 0x20 from the ends.
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);
WideString Trim(std::u16string_view s);
WideString TrimLeft(std::u16string_view s);
WideString TrimRight(std::u16string_view s);

// The library's ASCII-only case routines: only 'a'..'z' and 'A'..'Z' change.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Locale routines of the default code page; the Turkish letters follow the one rule in CaseRules.cpp.
AnsiString AnsiUpperCase(std::string_view s);
AnsiString AnsiLowerCase(std::string_view s);
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);
WideString WideUpperCase(std::u16string_view s);
WideString WideLowerCase(std::u16string_view s);
int WideCompareStr(std::u16string_view a, std::u16string_view b);
int WideCompareText(std::u16string_view a, std::u16string_view b);
bool WideSameText(std::u16string_view a, std::u16string_view b);

AnsiString IntToStr(long long v);
// Leading blanks, a sign, decimal digits or hexadecimal ones after "$" or "0x"; nothing may follow.
int StrToInt(std::string_view s); // raises EConvertError
bool TryStrToInt(std::string_view s, int& value);
int StrToIntDef(std::string_view s, int def);
long long StrToInt64(std::string_view s); // raises EConvertError
bool TryStrToInt64(std::string_view s, long long& value);

// Exceptions. Message() is the text shown to a user, in the default code page, whole: what() is a C string
// and ends at a NUL byte, which a value quoted in the message may hold.
class Exception : public std::runtime_error {
public:
  explicit Exception(const AnsiString& msg) : std::runtime_error(msg) {
    if (msg.find('\0') != AnsiString::npos)
      FWhole = std::make_shared<const AnsiString>(msg);
  }
  AnsiString Message() const { return FWhole ? *FWhole : AnsiString(what()); }

private:
  // Shared, so that copying the exception cannot throw; only a message with a NUL needs it.
  std::shared_ptr<const AnsiString> FWhole;
};
class EConvertError : public Exception {
  using Exception::Exception;
};
class EListError : public Exception {
  using Exception::Exception;
};
class EStringListError : public EListError {
  using EListError::EListError;
};
class EStreamError : public Exception {
  using Exception::Exception;
};
class EReadError : public EStreamError {
public:
  EReadError() : EStreamError("Stream read error") {}
  explicit EReadError(const AnsiString& msg) : EStreamError(msg) {}
};
class EWriteError : public EStreamError {
public:
  EWriteError() : EStreamError("Stream write error") {}
  explicit EWriteError(const AnsiString& msg) : EStreamError(msg) {}
};
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
class EInvalidOperation : public Exception {
  using Exception::Exception;
};
class EInvalidPointer : public Exception {
  using Exception::Exception;
};
class EAbstractError : public Exception {
  using Exception::Exception;
};
class EVariantError : public Exception {
  using Exception::Exception;
};
class EOutOfResources : public Exception {
  using Exception::Exception;
};
class EInvalidArgument : public Exception {
  using Exception::Exception;
};
