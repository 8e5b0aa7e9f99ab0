#pragma once
// The driver's tables: comma-separated cells, quoted with '"' where they hold commas, quotes or line breaks.
#include <string>
#include <string_view>
#include <vector>

namespace dcdrive {

struct CsvCell {
  std::string Text;
  // An empty unquoted cell is Null, "" the empty text.
  bool Quoted = false;
};

using CsvRow = std::vector<CsvCell>;

// Raises BadInput for a malformed table.
std::vector<CsvRow> ParseCsv(std::string_view AText);

} // namespace dcdrive
