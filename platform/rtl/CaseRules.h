#pragma once
// The one place where the locale's case mapping and comparison order are defined. Every locale-aware case
// and comparison routine of the library (the Ansi* and Wide* ones in SysUtils.h) goes through here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

// Turkish: i/İ and ı/I are two letter pairs, and ç ğ ı ö ş ü are letters of their own in the alphabet.
// Western: i/I is the only pair, and the Turkish letters sort as accented variants of c g i o s u.
enum class CaseLocale { Turkish, Western };

// The locale goes with the default code page: 1254 is Turkish, 1252 Western.
CaseLocale CaseLocaleOf(UINT codePage);
CaseLocale CurrentCaseLocale();

// Simple one-to-one case mapping of a UTF-16 code unit; characters without a counterpart map to themselves.
char16_t LocaleUpperChar(char16_t c, CaseLocale locale);
char16_t LocaleLowerChar(char16_t c, CaseLocale locale);

// The same mapping on bytes of a code page; a byte whose counterpart the code page lacks stays unchanged.
unsigned char CodePageUpperByte(UINT codePage, unsigned char b);
unsigned char CodePageLowerByte(UINT codePage, unsigned char b);

// Linguistic comparison: the letters in the locale's alphabet order, symbols before digits before letters,
// a shorter string before a longer one that it begins. Accent differences come next; with case, lower case
// sorts before upper case and, last of all, code units decide, so that only equal strings compare equal.
// Without case, strings that differ only in case compare equal. Both are strict weak orderings and agree
// with each other: whatever the case-insensitive order separates, the case-sensitive one orders the same way.
// Results are -1, 0 or 1.
enum class CaseSensitivity { Sensitive, Insensitive };
int LocaleCompare(std::u16string_view a, std::u16string_view b, CaseSensitivity cs, CaseLocale locale);
int CodePageCompare(std::string_view a, std::string_view b, CaseSensitivity cs, UINT codePage);

// How many of the Count strings from First follow one another in CodePageCompare's order without case, each
// no earlier than the one before it (and the first no earlier than *Previous when given). One call for a
// whole batch, so that checking a million items costs their comparisons and nothing more.
std::size_t CodePageOrderedRun(const std::string* First, std::size_t Count, const std::string* Previous,
                               UINT codePage);

// The first level of CodePageCompare for one byte: bytes of equal weight differ at most in accent and case,
// and the order of two strings of different first-level sequences is the order of those sequences.
std::uint32_t CodePagePrimaryWeight(UINT codePage, unsigned char b);
