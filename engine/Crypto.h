#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/rtl/SysUtils.h"

// The word file's cipher layers: Text is the file's text as a string list joins it (each line followed by
// CR LF); the result is the plain 8-bit text. Garbage in gives garbage out, never an error.
AnsiString Decipher(const AnsiString& Text);

// The reverse of Decipher for a one-line file: RC4 under the same key, then standard Base64 without line
// breaks.
AnsiString Encipher(const AnsiString& Plain);

// The file's own Base64 reading, which differs from the standard one: the text is taken in complete groups of
// four (a shorter rest is ignored), a character outside the alphabet keeps the value its position had in the
// previous group (0 in the first group), and '=' shortens only the group it stands in.
AnsiString DecodeBase64Groups(std::string_view Text);

// RC4 keyed with the SHA-1 digest of the dictionary's pass phrase, applied in place. The key material is
// wiped before returning.
void CipherWordData(std::uint8_t* data, std::size_t length);
