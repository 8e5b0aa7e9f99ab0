#include "platform/classes/UnitList.h"

#include <exception>
#include <set>
#include <string>

TUnitList::TUnitList(std::vector<TUnitInfo> Units) : FUnits(std::move(Units)) {
  std::set<std::string> seen;
  for (const TUnitInfo& unit : FUnits) {
    if (!unit.Name || !*unit.Name)
      throw EInvalidArgument("A unit needs a name");
    if (!seen.insert(unit.Name).second)
      throw EInvalidArgument(std::string("Unit ") + unit.Name + " is listed twice");
  }
}

TUnitList::~TUnitList() {
  try {
    Finalize();
  } catch (...) {
  }
}

void TUnitList::Initialize() {
  if (FRunning)
    return;
  FRunning = true;
  try {
    while (FInitialized < Count()) {
      const TUnitInfo& unit = FUnits[std::size_t(FInitialized)];
      if (unit.Initialization)
        unit.Initialization();
      ++FInitialized;
    }
  } catch (...) {
    FRunning = false;
    const std::exception_ptr failure = std::current_exception();
    try {
      Finalize();
    } catch (...) {
      // The start-up failure is the one worth reporting; a shut-down failure after it is a consequence.
    }
    std::rethrow_exception(failure);
  }
  FRunning = false;
}

void TUnitList::Finalize() {
  if (FRunning)
    return;
  FRunning = true;
  std::exception_ptr firstFailure;
  while (FInitialized > 0) {
    const TUnitInfo& unit = FUnits[std::size_t(--FInitialized)];
    if (!unit.Finalization)
      continue;
    try {
      unit.Finalization();
    } catch (...) {
      if (!firstFailure)
        firstFailure = std::current_exception();
    }
  }
  FRunning = false;
  if (firstFailure)
    std::rethrow_exception(firstFailure);
}
