#pragma once
#include <vector>

#include "platform/classes/UnitList.h"

// Every unit's start-up in dependency order, the dictionary's own last; the shut-downs run in reverse.
std::vector<TUnitInfo> ProgramUnits();
