#include "tools/dcdrive/csv.h"

#include "tools/dcdrive/text.h"

namespace dcdrive {

std::vector<CsvRow> ParseCsv(std::string_view AText) {
  std::vector<CsvRow> rows;
  CsvRow row;
  CsvCell cell;
  bool inQuotes = false, any = false;
  std::size_t i = 0;
  auto endCell = [&] {
    row.push_back(std::move(cell));
    cell = CsvCell();
  };
  while (i < AText.size()) {
    char c = AText[i];
    if (inQuotes) {
      if (c == '"') {
        if (i + 1 < AText.size() && AText[i + 1] == '"') {
          cell.Text += '"';
          i += 2;
          continue;
        }
        inQuotes = false;
      } else {
        cell.Text += c;
      }
      ++i;
      continue;
    }
    any = true;
    if (c == '"') {
      if (!cell.Text.empty() || cell.Quoted)
        throw BadInput("a quote inside an unquoted cell");
      cell.Quoted = inQuotes = true;
    } else if (c == ',') {
      endCell();
    } else if (c == '\r' || c == '\n') {
      endCell();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
      if (c == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')
        ++i;
    } else {
      if (cell.Quoted)
        throw BadInput("text after a closing quote");
      cell.Text += c;
    }
    ++i;
  }
  if (inQuotes)
    throw BadInput("an unterminated quoted cell");
  if (any || !cell.Text.empty() || cell.Quoted) {
    endCell();
    rows.push_back(std::move(row));
  }
  return rows;
}

} // namespace dcdrive
