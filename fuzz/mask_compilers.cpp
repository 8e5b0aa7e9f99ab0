// Feeds arbitrary masks and texts to the masked edit's two mask compilers. A mask that does not compile must
// raise the compiler's own error and keep what was compiled before; one that compiles must answer every
// question about a text consistently: a match is a prefix, the stepped automaton agrees with the whole-text
// match, and every prefix of a prefix is one.
// Input: the first byte picks the language, the mask runs to the first NUL, the text follows it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "editors/dropdown/cxRegExpr.h"
#include "editors/dropdown/cxStandardMask.h"

namespace {

// Whole-text questions cost the text's length, so they are asked of the prefixes at powers of two and of
// the whole text only; the stepped automaton still walks every character.
bool Sampled(std::size_t ALength, std::size_t ATextLength) {
  return ALength == ATextLength || (ALength & (ALength - 1)) == 0;
}

void CheckRegExpr(std::string_view AMask, std::string_view AText) {
  TcxRegExpr re;
  re.Compile("'a'");
  try {
    re.Compile(AMask);
  } catch (const EcxRegExprError& e) {
    if (e.Position() < 1 || !re.IsMatch("a") || re.IsMatch("b"))
      std::abort();
    return;
  }
  if (!re.IsCompiled() || re.StateCount() > TcxRegExpr::MaxStates)
    std::abort();
  int state = re.StartState();
  for (std::size_t i = 0; i <= AText.size(); ++i) {
    if (!Sampled(i, AText.size())) {
      if (i < AText.size())
        state = re.Next(state, AText[i]);
      continue;
    }
    std::string_view prefix = AText.substr(0, i);
    bool match = re.IsMatch(prefix);
    bool isPrefix = re.IsPrefix(prefix);
    if (match && !isPrefix)
      std::abort();
    if (re.IsFinal(state) != match || (state != TcxRegExpr::NoState) != isPrefix)
      std::abort();
    if (i < AText.size())
      state = re.Next(state, AText[i]);
  }
}

void CheckStandardMask(std::string_view AMask, std::string_view AText) {
  TcxStandardMask mask;
  try {
    mask.Compile(AMask, '/', ':');
  } catch (const EcxStandardMaskError&) {
    return;
  }
  if (mask.Length() < 1 || int(mask.EmptyText().size()) != mask.Length())
    std::abort();
  for (int i = 0; i < mask.Length(); ++i)
    if (mask.IsLiteral(i) && !mask.IsCharValid(i, mask.EmptyText()[i]))
      std::abort();
  bool wasPrefix = true;
  for (std::size_t i = 0; i <= AText.size(); ++i) {
    if (!Sampled(i, AText.size()))
      continue;
    std::string_view prefix = AText.substr(0, i);
    bool isPrefix = mask.IsPrefix(prefix);
    if (mask.IsMatch(prefix) && !isPrefix)
      std::abort();
    if (isPrefix && !wasPrefix)
      std::abort();
    wasPrefix = isPrefix;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t nul = rest.find('\0');
  std::string_view mask = rest.substr(0, nul);
  std::string_view text = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  if (data[0] & 1)
    CheckStandardMask(mask, text);
  else
    CheckRegExpr(mask, text);
  return 0;
}
