#include "engine/StringUtils.h"

#include <algorithm>
#include <cstring>

AnsiString ReplaceAll(const AnsiString& Old, const AnsiString& New, const AnsiString& S) {
  if (Old.empty() || S.empty())
    return S;
  if (New.find(Old) != AnsiString::npos)
    throw EInvalidArgument("ReplaceAll: the replacement contains the text it replaces");
  std::size_t first = S.find(Old);
  if (first == AnsiString::npos)
    return S;

  // The leftmost occurrence is also the one that ends first, because every occurrence has the same length.
  // So the text is fed through one character at a time and an occurrence is taken off the end of the output
  // as soon as it is complete; the replacement goes back in front of the unread input, where it can combine
  // with what precedes it exactly as a search from the beginning would find it. This is linear in the work
  // done instead of quadratic.
  const std::size_t oldLen = Old.size();
  const char oldLast = Old.back();
  AnsiString out(S, 0, first);
  out.reserve(S.size());
  // Unread input: a stack of characters, top at the back, so pushing a replacement in front of it is cheap.
  std::string pending(S.rbegin(), S.rend() - static_cast<std::ptrdiff_t>(first));
  const std::size_t budget = 64 * (S.size() + New.size()) + 4096;
  std::size_t work = 0;
  while (!pending.empty()) {
    char c = pending.back();
    pending.pop_back();
    out.push_back(c);
    if (c == oldLast && out.size() >= oldLen &&
        std::memcmp(out.data() + out.size() - oldLen, Old.data(), oldLen) == 0) {
      out.resize(out.size() - oldLen);
      pending.append(New.rbegin(), New.rend());
      work += New.size() + 1;
      if (work > budget)
        throw EInvalidArgument("ReplaceAll: the replacements do not settle");
    }
  }
  return out;
}
