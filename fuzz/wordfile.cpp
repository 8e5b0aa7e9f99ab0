// Word-file text (or, with the first byte's low bit set, plain word data) through deciphering, splitting and
// the store. Besides crashes and hangs it checks that the byte-level line reader builds exactly the entries
// that widening each line and calling AddLine builds, and that the threaded reader builds them too.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Crypto.h"
#include "engine/Kelime.h"
#include "engine/WordFile.h"

namespace {

bool sameEntry(TKelime* a, TKelime* b) {
  return a->TurkceText() == b->TurkceText() && a->LazcaText() == b->LazcaText() &&
         a->TurkceAciklamaText() == b->TurkceAciklamaText() &&
         a->LazcaAciklamaText() == b->LazcaAciklamaText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string plain = (data[0] & 1) ? input : Decipher(input);

  TPelvor fast;
  AddWordData(plain, fast);

  TPelvor wide;
  std::string_view text(plain);
  text = text.substr(0, text.find('\0'));
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      wide.AddLine(AnsiToWide(text.substr(start, i - start)));
      start = i + 1;
    }
  }

  if (fast.Count() != wide.Count())
    std::abort();
  for (int i = 0; i < fast.Count(); ++i)
    if (!sameEntry(fast.Items(i), wide.Items(i)))
      std::abort();

  // The threaded reader, with segments small enough that lines cross them, must agree as well.
  if (!(data[0] & 1)) {
    TPelvor threaded;
    AddWordFileText(input, threaded, {std::size_t(1 + data[0] % 16), 2});
    if (threaded.Count() != fast.Count())
      std::abort();
    for (int i = 0; i < fast.Count(); ++i)
      if (!sameEntry(fast.Items(i), threaded.Items(i)))
        std::abort();
  }
  return 0;
}
