#pragma once
// Single-byte code pages: the byte-to-UTF-16 tables and the reverse lookup behind the string conversions.
#include "platform/rtl/Types.h"

constexpr UINT CP_WINDOWS_1252 = 1252;
constexpr UINT CP_WINDOWS_1254 = 1254;
constexpr char DefaultAnsiChar = '?';

// True for the code pages this library carries tables for.
bool IsSupportedCodePage(UINT codePage);

// The UTF-16 code unit of a byte in the given code page. Bytes the code page leaves undefined map to the
// code point of the same value, so that every byte survives a round trip.
char16_t CodePageByteToWide(UINT codePage, unsigned char byte);

// The byte of a UTF-16 code unit in the given code page, or -1 when the code page cannot represent it.
int CodePageWideToByte(UINT codePage, char16_t ch);

// Same, through the process's default code page.
char16_t AnsiCharToWide(unsigned char byte);
int WideCharToAnsi(char16_t ch);
