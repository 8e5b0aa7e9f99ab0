// Feeds arbitrary text to a dataset's filter: a text that does not parse must raise the database error and
// leave the filter as it was; a text that parses must walk the records, in every option, without crashing.
// The first byte picks the options so that case-insensitive and partial comparison are reached as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/db/DB.h"
#include "platform/db/DBFilterExpr.h"
#include "platform/db/MemDataSet.h"

namespace {

TMemDataSet& Words() {
  static TMemDataSet* ds = [] {
    auto* d = new TMemDataSet(nullptr);
    d->AddFieldDef("ID", ftInteger);
    d->AddFieldDef("Word", ftString);
    d->AddFieldDef("Price", ftFloat);
    d->AddFieldDef("When", ftDate);
    d->AddFieldDef("On", ftBoolean);
    d->AddRow({1, "elma", 2.5, Variant::FromDate(EncodeDate(2024, 1, 10)), true});
    d->AddRow({2, "armut", Null, Variant::FromDate(EncodeDate(2024, 3, 1)), false});
    d->AddRow({3, "O'Neil", 10.0, Null, true});
    d->AddRow({4, Null, -0.5, Variant::FromDate(EncodeDate(1899, 12, 29)), Null});
    d->Open();
    return d;
  }();
  return *ds;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  TMemDataSet& ds = Words();
  TFilterOptions options;
  if (data[0] & 1)
    options.Include(foCaseInsensitive);
  if (data[0] & 2)
    options.Include(foNoPartialCompare);
  AnsiString text(reinterpret_cast<const char*>(data) + 1, size - 1);

  ds.SetFiltered(false);
  ds.SetFilter("");
  ds.SetFilterOptions(options);
  try {
    TFilterExpression::CheckSyntax(text);
  } catch (const EDatabaseError&) {
  }
  try {
    ds.SetFilter(text);
  } catch (const EDatabaseError&) {
    if (!ds.Filter().empty())
      std::abort(); // a refused text must leave the former (empty) filter
    return 0;
  }
  try {
    ds.SetFiltered(true);
    int seen = 0;
    for (ds.First(); !ds.Eof(); ds.Next())
      if (++seen > 4)
        std::abort(); // a filter only ever hides records
  } catch (const EDatabaseError&) {
    // A well-formed text may still compare a field with a literal of a kind it cannot take.
  }
  return 0;
}
