#pragma once
#include <cstddef>
#include <cstdint>
#include <nettle/arcfour.h>
#include <nettle/sha1.h>
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

// The file's Base64 reading taken a run of groups at a time, for readers that decipher while they parse:
// feeding a text's groups in any number of calls gives the bytes one call on the whole text gives.
class TBase64GroupDecoder {
public:
  TBase64GroupDecoder() = default;
  // Continues after PreviousGroup, four alphabet characters with no '=' (as DecodePlainBase64Groups takes).
  explicit TBase64GroupDecoder(const char* PreviousGroup);

  // Decodes Groups complete groups (4 * Groups characters) into Out, which has room for 3 * Groups bytes;
  // answers the number of bytes written.
  std::size_t Decode(const char* In, std::size_t Groups, std::uint8_t* Out);

private:
  std::uint8_t FValues[4] = {0, 0, 0, 0}; // each position's value in the last group
};

// Decodes Groups groups that hold only alphabet characters and no '=' into Out (3 * Groups bytes). Such
// groups carry nothing from one to the next, so any run of them decodes on its own; answers false, with Out
// partly written, when a group holds anything else and the run needs TBase64GroupDecoder.
bool DecodePlainBase64Groups(const char* In, std::size_t Groups, std::uint8_t* Out);

// The word data's RC4 stream, keyed at construction; successive calls continue one key stream. The key
// material is wiped when the object goes, also when it goes through an exception.
class TWordDataCipher {
public:
  TWordDataCipher();
  ~TWordDataCipher();
  TWordDataCipher(const TWordDataCipher&) = delete;
  TWordDataCipher& operator=(const TWordDataCipher&) = delete;

  void Crypt(std::uint8_t* Data, std::size_t Length);

private:
  arcfour_ctx FContext;
  std::uint8_t FDigest[SHA1_DIGEST_SIZE];
};
