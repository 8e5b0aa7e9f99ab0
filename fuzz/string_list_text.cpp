// Feeds arbitrary bytes to the string list's text and comma-text parsers and checks that what they build
// survives a round trip through the matching writers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/classes/StringList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  TStringList lines;
  lines.SetText(input);
  for (int i = 0; i < lines.Count(); ++i)
    if (lines.Strings(i).find_first_of(std::string_view("\r\n\0", 3)) != AnsiString::npos)
      std::abort();
  TStringList again;
  again.SetText(lines.Text());
  if (!again.Equals(&lines))
    std::abort();

  TStringList comma;
  comma.SetCommaText(lines.CommaText());
  if (!comma.Equals(&lines))
    std::abort();

  TStringList parsed;
  parsed.SetCommaText(input);
  TStringList reparsed;
  reparsed.SetCommaText(parsed.CommaText());
  if (!reparsed.Equals(&parsed))
    std::abort();

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetText(input);
  for (int i = 1; i < sorted.Count(); ++i)
    if (sorted.CompareStrings(sorted.Strings(i - 1), sorted.Strings(i)) >= 0)
      std::abort(); // sorted, and no duplicates under the default policy
  return 0;
}
