#pragma once
// What the two dcdrive fuzz targets ask of a run's output: one JSON object a line, so UTF-8 whatever the
// input was, and an exit status the driver documents.
#include <cstdlib>
#include <sstream>
#include <string>

#include "tools/dcdrive/driver.h"

inline void CheckDcdriveRun(int AExit, const std::string& AOut, const std::string& AErr) {
  if (AExit != 0 && AExit != 2)
    std::abort();
  // A refusal says why; a message is bounded whatever it quotes.
  if ((AExit == 2) != !AErr.empty() || AErr.size() > 2000)
    std::abort();
  std::istringstream lines(AOut);
  std::string line;
  while (std::getline(lines, line))
    if (!dcdrive::json::parse(line).is_object())
      std::abort();
}
