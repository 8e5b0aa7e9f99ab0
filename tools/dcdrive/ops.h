#pragma once
// The driver's operation files: one operation a line, words separated by blanks, JSON strings and arrays
// kept whole, '#' starting a comment outside a string.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dcdrive {

class Driver;

std::string StripComment(std::string_view ALine);
// Raises BadInput for an unterminated string.
std::vector<std::string> SplitWords(std::string_view ALine);

// Runs every operation of AOps, printing one JSON object a line to AOut: {"op":N,"result":V} for an answer,
// {"op":N,"error":"text"} for an operation the library refuses, the view for a dump. Malformed input stops
// the run with a message on AErr naming AOpsName and the line. Answers the exit status: 0, or 2 for bad
// input.
int RunOperations(Driver& ADriver, std::string_view AOps, const std::string& AOpsName, std::ostream& AOut,
                  std::ostream& AErr);

} // namespace dcdrive
