// Feeds arbitrary bytes to dcdrive as its table: a table is loaded or refused with BadInput, nothing else
// escapes. A loaded table is then sorted, grouped, filtered, located and summed on the first columns it names
// in a way an operation file can spell, and every line of output must be JSON.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/dcdrive_output.h"
#include "tools/dcdrive/csv.h"
#include "tools/dcdrive/ops.h"
#include "tools/dcdrive/text.h"

namespace {

bool Spellable(const std::string& AName) {
  if (AName.empty())
    return false;
  for (char c : AName)
    if (static_cast<unsigned char>(c) <= ' ' || c == '#' || c == '"')
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dcdrive::InitializeUnits();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string table(reinterpret_cast<const char*>(data), size);
  dcdrive::Driver driver;
  try {
    driver.LoadTable(table);
  } catch (const dcdrive::BadInput& e) {
    if (std::string(e.what()).size() > 2000)
      std::abort();
    return 0;
  }
  // The table read, so its UTF-8 text splits into the same cells as its code-page text did. A few columns
  // are enough to carry its values through the controller; each more only repeats the work.
  std::string ops;
  const std::vector<dcdrive::CsvRow> rows = dcdrive::ParseCsv(table);
  int used = 0;
  for (const dcdrive::CsvCell& cell : rows.at(0)) {
    std::string name = cell.Text.substr(0, cell.Text.rfind(':'));
    if (!Spellable(name) || ++used > 3)
      continue;
    ops += "sort " + name + " asc\nlocate " + name + " \"a\"\nsummary footer " + name + " count\ngroup " +
           name + "\nfilter " + name + " like \"%a%\"\n";
  }
  ops += "expandall\ndump\n";
  std::ostringstream out, err;
  int exit = dcdrive::RunOperations(driver, ops, "ops", out, err);
  // The operations are well formed: no refusal of bad input is expected, only answers and errors.
  if (exit != 0)
    std::abort();
  CheckDcdriveRun(exit, out.str(), err.str());
  return 0;
}
