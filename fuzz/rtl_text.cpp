// Feeds arbitrary bytes to the run-time library's text parsers and format interpreters, and checks the
// properties they promise: conversions round-trip, parsed dates and numbers print back to what parses to
// the same value, and the locale comparison stays antisymmetric and consistent with its case-insensitive
// form.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FloatText.h"

namespace {

int Sign(int v) {
  return (v > 0) - (v < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  SetFixedNow(46363.5);

  if (WideToAnsi(AnsiToWide(input)) != input)
    std::abort();
  const WideString wide = Utf8ToWide(input);
  if (Utf8ToWide(WideToUtf8(wide)) != wide)
    std::abort();
  // Straight into the code page as through UTF-16, and exact just where it goes back as it came.
  bool exact = false;
  const AnsiString direct = Utf8ToAnsi(input, exact);
  if (direct != WideToAnsi(wide) || exact != (AnsiToUtf8(direct) == input))
    std::abort();

  const std::string_view a = input.substr(0, size / 2), b = input.substr(size / 2);
  const int text = AnsiCompareText(a, b);
  if (text != -AnsiCompareText(b, a) || AnsiCompareStr(a, b) != -AnsiCompareStr(b, a))
    std::abort();
  if (text != 0 && Sign(AnsiCompareStr(a, b)) != text)
    std::abort();
  if ((AnsiCompareStr(a, b) == 0) != (a == b))
    std::abort();
  if (AnsiSameText(a, b) != AnsiSameText(AnsiUpperCase(a), AnsiUpperCase(b)) && AnsiSameText(a, b))
    std::abort();

  TDateTime when = 0;
  if (TryStrToDateTime(input, when) && StrToDateTime(FormatDateTime("dd.mm.yyyy hh:nn:ss,zzz", when)) != when)
    std::abort();
  (void)FormatDateTime(input, 46363.25);
  (void)FormatDateTime(input, -693593.75);

  double number = 0;
  if (TryStrToFloat(input, number) &&
      std::fabs(StrToFloat(FloatToStr(number)) - number) > std::fabs(number) * 1e-14)
    std::abort();
  (void)FormatFloat(input, 1234.5678);
  (void)FormatFloat(input, -0.000123);
  (void)FormatFloat(input, 1e300);
  return 0;
}
