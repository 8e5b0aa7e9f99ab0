#include "engine/Crypto.h"

#include <algorithm>
#include <array>

namespace {

constexpr char kPassPhrase[] = "60735";
constexpr std::uint8_t kPad = 255;  // '=' in a group
constexpr std::uint8_t kKeep = 254; // outside the alphabet: the position keeps its previous value

constexpr std::array<std::uint8_t, 256> makeValues() {
  std::array<std::uint8_t, 256> v{};
  for (auto& x : v)
    x = kKeep;
  for (int i = 0; i < 26; ++i) {
    v['A' + i] = std::uint8_t(i);
    v['a' + i] = std::uint8_t(26 + i);
  }
  for (int i = 0; i < 10; ++i)
    v['0' + i] = std::uint8_t(52 + i);
  v['+'] = 62;
  v['/'] = 63;
  v['='] = kPad;
  return v;
}
constexpr std::array<std::uint8_t, 256> kValues = makeValues();

// Each table places a character's 6 bits where they go in a 24-bit group; any character that is not a plain
// alphabet letter sets bit 24, which sends its group to the careful path.
constexpr std::array<std::uint32_t, 256> makeShifted(int shift) {
  std::array<std::uint32_t, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[c] = kValues[c] < 64 ? std::uint32_t(kValues[c]) << shift : 1u << 24;
  return t;
}
constexpr auto kShift0 = makeShifted(18);
constexpr auto kShift1 = makeShifted(12);
constexpr auto kShift2 = makeShifted(6);
constexpr auto kShift3 = makeShifted(0);

// A plain memset of memory that is about to die may be dropped by the optimiser; a volatile store is not.
void wipe(void* p, std::size_t n, std::uint8_t value) {
  volatile std::uint8_t* b = static_cast<volatile std::uint8_t*>(p);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = value;
}

} // namespace

TBase64GroupDecoder::TBase64GroupDecoder(const char* PreviousGroup) {
  for (int k = 0; k < 4; ++k)
    FValues[k] = kValues[std::uint8_t(PreviousGroup[k])];
}

bool DecodePlainBase64Groups(const char* In, std::size_t Groups, std::uint8_t* Out) {
  auto* in = reinterpret_cast<const std::uint8_t*>(In);
  // The flags of all groups are gathered and looked at once per run, which keeps the loop free of branches.
  constexpr std::size_t kRun = 64;
  for (std::size_t g = 0; g < Groups;) {
    std::size_t n = std::min(kRun, Groups - g);
    std::uint32_t stray = 0;
    for (std::size_t i = 0; i < n; ++i, in += 4, Out += 3) {
      std::uint32_t bits = kShift0[in[0]] | kShift1[in[1]] | kShift2[in[2]] | kShift3[in[3]];
      stray |= bits;
      Out[0] = std::uint8_t(bits >> 16);
      Out[1] = std::uint8_t(bits >> 8);
      Out[2] = std::uint8_t(bits);
    }
    if (stray & (1u << 24))
      return false;
    g += n;
  }
  return true;
}

std::size_t TBase64GroupDecoder::Decode(const char* In, std::size_t Groups, std::uint8_t* Out) {
  auto* in = reinterpret_cast<const std::uint8_t*>(In);
  std::uint8_t* dst = Out;
  std::uint8_t* d = FValues;
  // The careful path needs the previous group's values; after a run of fast groups they are read back from
  // the last fast group rather than kept up to date on every group.
  const std::uint8_t* lastFast = nullptr;
  for (std::size_t g = 0; g < Groups; ++g, in += 4) {
    std::uint32_t bits = kShift0[in[0]] | kShift1[in[1]] | kShift2[in[2]] | kShift3[in[3]];
    if (!(bits & (1u << 24))) {
      dst[0] = std::uint8_t(bits >> 16);
      dst[1] = std::uint8_t(bits >> 8);
      dst[2] = std::uint8_t(bits);
      dst += 3;
      lastFast = in;
      continue;
    }
    if (lastFast) {
      for (int k = 0; k < 4; ++k)
        d[k] = kValues[lastFast[k]];
      lastFast = nullptr;
    }
    for (int k = 0; k < 4; ++k) {
      std::uint8_t v = kValues[in[k]];
      if (v != kKeep)
        d[k] = v;
    }
    *dst++ = std::uint8_t((d[0] << 2) | (d[1] >> 4));
    if (d[2] != kPad) {
      *dst++ = std::uint8_t((d[1] << 4) | (d[2] >> 2));
      if (d[3] != kPad)
        *dst++ = std::uint8_t((d[2] << 6) | d[3]);
    }
  }
  if (lastFast)
    for (int k = 0; k < 4; ++k)
      d[k] = kValues[lastFast[k]];
  return std::size_t(dst - Out);
}

AnsiString DecodeBase64Groups(std::string_view Text) {
  const std::size_t groups = Text.size() / 4;
  AnsiString out(groups * 3, '\0');
  TBase64GroupDecoder decoder;
  out.resize(decoder.Decode(Text.data(), groups, reinterpret_cast<std::uint8_t*>(out.data())));
  return out;
}

// The cipher this format was made with kept two 256-byte tables (the S-box and the expanded key) and wiped
// both with 0xFF; nettle keeps the S-box and its two indices only, so those and the digest are what exists
// to be wiped here.

TWordDataCipher::TWordDataCipher() {
  sha1_ctx hash;
  sha1_init(&hash);
  sha1_update(&hash, sizeof kPassPhrase - 1, reinterpret_cast<const std::uint8_t*>(kPassPhrase));
  sha1_digest(&hash, SHA1_DIGEST_SIZE, FDigest);
  wipe(&hash, sizeof hash, 0xFF);
  arcfour_set_key(&FContext, SHA1_DIGEST_SIZE, FDigest);
}

TWordDataCipher::~TWordDataCipher() {
  wipe(FContext.S, sizeof FContext.S, 0xFF);
  wipe(&FContext.i, 1, 0xFF);
  wipe(&FContext.j, 1, 0xFF);
  wipe(FDigest, sizeof FDigest, 0xFF);
}

void TWordDataCipher::Crypt(std::uint8_t* Data, std::size_t Length) {
  arcfour_crypt(&FContext, Length, Data, Data);
}

void CipherWordData(std::uint8_t* data, std::size_t length) {
  TWordDataCipher cipher;
  cipher.Crypt(data, length);
}

AnsiString Decipher(const AnsiString& Text) {
  AnsiString plain = DecodeBase64Groups(Text);
  if (!plain.empty())
    CipherWordData(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size());
  return plain;
}

AnsiString Encipher(const AnsiString& Plain) {
  static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::basic_string<std::uint8_t> bytes(Plain.begin(), Plain.end());
  CipherWordData(bytes.data(), bytes.size());
  AnsiString out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t v = std::uint32_t(bytes[i]) << 16 | std::uint32_t(bytes[i + 1]) << 8 | bytes[i + 2];
    out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63], alphabet[v & 63]};
  }
  if (std::size_t rest = bytes.size() - i) {
    std::uint32_t v = std::uint32_t(bytes[i]) << 16 | (rest == 2 ? std::uint32_t(bytes[i + 1]) << 8 : 0);
    out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], rest == 2 ? alphabet[(v >> 6) & 63] : '=', '='};
  }
  return out;
}
