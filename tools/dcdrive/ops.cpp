#include "tools/dcdrive/ops.h"

#include <cctype>

#include "tools/dcdrive/driver.h"
#include "tools/dcdrive/text.h"

namespace dcdrive {

std::string StripComment(std::string_view ALine) {
  bool inString = false;
  for (std::size_t i = 0; i < ALine.size(); ++i) {
    char c = ALine[i];
    if (inString && c == '\\')
      ++i;
    else if (c == '"')
      inString = !inString;
    else if (c == '#' && !inString)
      return std::string(ALine.substr(0, i));
  }
  return std::string(ALine);
}

std::vector<std::string> SplitWords(std::string_view ALine) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < ALine.size()) {
    while (i < ALine.size() && std::isspace(static_cast<unsigned char>(ALine[i])))
      ++i;
    if (i >= ALine.size())
      break;
    std::size_t start = i;
    if (ALine[i] == '"') {
      ++i;
      while (i < ALine.size() && ALine[i] != '"')
        i += ALine[i] == '\\' ? 2 : 1;
      if (i >= ALine.size())
        throw BadInput("an unterminated string");
      ++i;
    } else {
      while (i < ALine.size() && !std::isspace(static_cast<unsigned char>(ALine[i])))
        ++i;
    }
    words.emplace_back(ALine.substr(start, i - start));
  }
  return words;
}

int RunOperations(Driver& ADriver, std::string_view AOps, const std::string& AOpsName, std::ostream& AOut,
                  std::ostream& AErr) {
  int number = 0;
  for (std::size_t start = 0; start < AOps.size();) {
    std::size_t end = AOps.find('\n', start);
    std::string_view line =
        AOps.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    start = end == std::string_view::npos ? AOps.size() : end + 1;
    ++number;
    json out;
    try {
      std::vector<std::string> words = SplitWords(StripComment(line));
      if (words.empty())
        continue;
      out["op"] = number;
      try {
        json result = ADriver.Run(words);
        if (result.is_null())
          continue;
        if (result.is_object() && result.contains("dump"))
          out.update(result["dump"]);
        else
          out["result"] = result;
      } catch (const BadInput&) {
        throw;
      } catch (const std::exception& e) {
        out["error"] = LibraryMessage(e);
      }
    } catch (const BadInput& e) {
      AErr << "dcdrive: " << AOpsName << ":" << number << ": " << e.what() << "\n";
      return 2;
    }
    AOut << out.dump() << "\n";
  }
  return 0;
}

} // namespace dcdrive
