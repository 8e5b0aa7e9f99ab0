#pragma once
// The user-interface clock. Timers, double clicks and the caret read it, so tests move time by hand.
#include "platform/rtl/Types.h"

namespace platform {

class Clock {
public:
  // Milliseconds since an arbitrary start, wrapping like the platform's tick count.
  static DWORD Now();
  // Manual time stands still until AdvanceTime moves it; the headless backend and tests use it.
  static void UseManualTime(DWORD start = 0);
  static void UseSystemTime();
  static bool IsManual();
  // Only moves manual time; under system time it fails loudly because real time cannot be moved.
  static void AdvanceTime(DWORD ms);
};

} // namespace platform

DWORD GetTickCount();
