// Feeds arbitrary text to the conversion of typed text to dates: smart words with offsets, the locale's
// date and date-time forms and the variant conversion. Whatever the text, a conversion either fails or
// gives a date the calendar can show again as text (the smart words leave the date alone when they fail);
// and the smart words, added to a regular-expression mask, still compile.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "editors/core/cxDateUtils.h"
#include "editors/dropdown/cxRegExpr.h"

namespace du = cxDateUtils;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetFixedNow(EncodeDate(2024, 2, 14) + EncodeTime(10, 30, 0, 0));
  AnsiString mask;
  du::AddSmartWordsToRegExpr(mask, true);
  TcxRegExpr re;
  re.Compile(mask);
  return 0;
}

namespace {

void Check(bool AOk, TDateTime ADate) {
  if (!AOk)
    return;
  if (!std::isfinite(ADate))
    std::abort();
  (void)du::DateTimeToText(ADate);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  AnsiString text(reinterpret_cast<const char*>(data), size);
  constexpr TDateTime before = 12345.5;
  TDateTime date = before;
  bool smart = du::SmartTextToDate(text, date);
  if (!smart && date != before)
    std::abort();
  Check(smart, date);
  date = before;
  Check(du::TextToDate(text, date), date);
  date = before;
  Check(du::TryTextToDateTime(text, false, date), date);
  date = before;
  Check(du::TryTextToDateTime(text, true, date), date);
  int index = -1;
  if (du::FindSmartWord(text, index) && (index < 0 || index >= du::SmartWordCount))
    std::abort();
  return 0;
}
