#pragma once
// The program's ordered list of units: each unit's start-up runs once, in list order, and the shut-downs run
// in the reverse order. Nothing starts from a static constructor, so the order is the one written here.
#include <vector>

#include "platform/rtl/SysUtils.h"

struct TUnitInfo {
  const char* Name;
  void (*Initialization)(); // may be nullptr
  void (*Finalization)();   // may be nullptr
};

class TUnitList {
public:
  // Raises EInvalidArgument for a unit without a name or one listed twice.
  explicit TUnitList(std::vector<TUnitInfo> Units);
  // Shuts down whatever is still started; an error there cannot be reported, so call Finalize to see it.
  ~TUnitList();
  TUnitList(const TUnitList&) = delete;
  TUnitList& operator=(const TUnitList&) = delete;

  // Starts every unit not started yet, in order. When a start-up fails, the units already started are shut
  // down in reverse and the error is raised again; a later Initialize starts again from the first unit.
  void Initialize();
  // Shuts the started units down in reverse order, each once. Every shut-down runs even when an earlier one
  // fails; the first failure is raised at the end.
  void Finalize();

  int Count() const { return int(FUnits.size()); }
  const TUnitInfo& Units(int Index) const { return FUnits.at(std::size_t(Index)); }
  // How many units, from the first, are started.
  int InitializedCount() const { return FInitialized; }
  bool Initialized() const { return FInitialized == Count(); }

private:
  std::vector<TUnitInfo> FUnits;
  int FInitialized = 0;
  bool FRunning = false; // a unit's start-up or shut-down that calls back in does nothing
};
