#include "engine/Crypto.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += digits[c >> 4];
    h += digits[c & 15];
  }
  return h;
}

struct Base64Case {
  const char* name;
  std::string text;
  std::string bytes;
};

TEST(DecodeBase64Groups, FollowsTheFileRules) {
  const Base64Case cases[] = {
      {"three bytes, CR LF rest ignored", "QUJD\r\n", "ABC"},
      {"pad shortens to two", "QUI=", "AB"},
      {"double pad shortens to one", "QQ==", "A"},
      {"rest of two ignored", "QUJDRA", "ABC"},
      {"rest of three ignored", "QUJDRAB", "ABC"},
      {"shorter than a group", "QUJ", ""},
      {"empty", "", ""},
      {"pad in a middle group", "QQ==QUJD", "AABC"},
      {"pad at third position drops the fourth", "QU=D", "A"},
      {"pad as first value is 255 on eight bits", "=QUJ", "\xFD\x05\x09"},
      {"stray character keeps the previous group's value", "QUJDQ\nJD", "ABCABC"},
      {"stray character in the first group counts as zero", " UJD",
       "\x01"
       "BC"},
      {"pad value carries into a later stray position", "QQ==QU\r\n", "AA"},
      {"bytes above 127 are strays", "QUJD\xC3\xA7J=", "ABCAB"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hex(DecodeBase64Groups(c.text)), hex(c.bytes)) << c.name;
}

TEST(TBase64GroupDecoder, AnySplitIntoRunsOfGroupsGivesTheSameBytes) {
  // The values a stray character keeps must carry over from one run to the next.
  std::mt19937 rng(13);
  const std::string alphabet = "QUJDRAab09+/=\r\n \xC3";
  for (int i = 0; i < 500; ++i) {
    std::string text(4 * (rng() % 12), ' ');
    for (auto& c : text)
      c = alphabet[rng() % alphabet.size()];
    const std::string whole = DecodeBase64Groups(text);
    std::string pieces(text.size() / 4 * 3, '\0');
    TBase64GroupDecoder decoder;
    std::size_t written = 0;
    for (std::size_t g = 0; g < text.size() / 4;) {
      std::size_t n = std::min<std::size_t>(1 + rng() % 3, text.size() / 4 - g);
      written +=
          decoder.Decode(text.data() + 4 * g, n, reinterpret_cast<std::uint8_t*>(pieces.data()) + written);
      g += n;
    }
    pieces.resize(written);
    ASSERT_EQ(hex(pieces), hex(whole)) << testing::PrintToString(text);
  }
}

TEST(DecodePlainBase64Groups, DecodesRunsOnItsOwnAndRefusesWhatNeedsTheCarefulPath) {
  // A plain run decoded alone, then the rest continued from the run's last group, must give the bytes of
  // one careful pass over the whole text; any group with a stray or '=' must be refused.
  std::mt19937 rng(17);
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string others = "=\r\n \xC3-\x80";
  for (int i = 0; i < 300; ++i) {
    std::size_t groups = 1 + rng() % 200;
    std::string text(4 * groups, ' ');
    for (auto& c : text)
      c = alphabet[rng() % alphabet.size()];
    std::size_t firstOdd = groups;
    if (i % 2) {
      std::size_t at = rng() % text.size();
      text[at] = others[rng() % others.size()];
      firstOdd = at / 4;
    }
    std::size_t split = rng() % (groups + 1);
    std::string bytes(3 * groups, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    ASSERT_EQ(DecodePlainBase64Groups(text.data(), split, out), split <= firstOdd)
        << "split " << split << " odd group " << firstOdd;
    if (split > firstOdd)
      continue;
    TBase64GroupDecoder rest =
        split ? TBase64GroupDecoder(text.data() + 4 * (split - 1)) : TBase64GroupDecoder();
    std::size_t written = rest.Decode(text.data() + 4 * split, groups - split, out + 3 * split);
    bytes.resize(3 * split + written);
    ASSERT_EQ(hex(bytes), hex(DecodeBase64Groups(text)))
        << testing::PrintToString(text) << " split " << split;
  }
}

TEST(Encipher, DecipherReversesItWhateverTheLength) {
  std::mt19937 rng(7);
  for (int n = 0; n < 200; ++n) {
    std::string bytes(n, '\0');
    for (auto& b : bytes)
      b = char(rng());
    std::string line = Encipher(bytes);
    EXPECT_EQ(line.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(hex(Decipher(line + "\r\n")), hex(bytes)) << n;
  }
}

TEST(Decipher, LineBreakInsideTheTextCorruptsIt) {
  std::string bytes = "Lazuri;nena;dil;\r\n";
  std::string line = Encipher(bytes);
  std::string broken = line.substr(0, 6) + "\r\n" + line.substr(6) + "\r\n";
  EXPECT_EQ(Decipher(line + "\r\n"), bytes);
  EXPECT_NE(Decipher(broken), bytes);
}

TEST(CipherWordData, KeystreamIsRc4UnderTheSha1DigestOfThePassPhrase) {
  // Computed independently: SHA-1("60735") = 1defdc3c1377dd3ba2b5e7c196a0d20a96e47cee used as a 20-byte RC4
  // key, no bytes discarded; enciphering zeros yields the keystream.
  std::string zeros(32, '\0');
  CipherWordData(reinterpret_cast<std::uint8_t*>(zeros.data()), zeros.size());
  EXPECT_EQ(hex(zeros), "299b89e1785405d6f4a84d129f3bd18e7ca4ab6e12f0f46697e8f28587e99491");
}

TEST(CipherWordData, KeystreamStartsAfreshOnEveryCall) {
  std::string a(8, 'x'), b(8, 'x');
  CipherWordData(reinterpret_cast<std::uint8_t*>(a.data()), a.size());
  CipherWordData(reinterpret_cast<std::uint8_t*>(b.data()), b.size());
  EXPECT_EQ(a, b);
  CipherWordData(reinterpret_cast<std::uint8_t*>(a.data()), a.size());
  EXPECT_EQ(a, std::string(8, 'x'));
}

TEST(Decipher, ReadsAKnownFileText) {
  // Enciphered and encoded independently of this code.
  EXPECT_EQ(Encipher("su;3\xB4"
                     "ari;isim;\r\n"),
            "Wu6y0sw1d7/PwT578gDchA==");
  EXPECT_EQ(Decipher("Wu6y0sw1d7/PwT578gDchA==\r\n"), "su;3\xB4"
                                                      "ari;isim;\r\n");
}

TEST(Decipher, ShortOrEmptyTextGivesNothing) {
  EXPECT_EQ(Decipher(""), "");
  EXPECT_EQ(Decipher("\r\n"), "");
  EXPECT_EQ(Decipher("Wu6"), "");
}

} // namespace
