#include "platform/win/Clock.h"

#include <chrono>
#include <stdexcept>

namespace platform {
namespace {
bool manual = false;
DWORD manualNow = 0;
const auto systemStart = std::chrono::steady_clock::now();
} // namespace

DWORD Clock::Now() {
  if (manual)
    return manualNow;
  auto elapsed = std::chrono::steady_clock::now() - systemStart;
  return DWORD(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void Clock::UseManualTime(DWORD start) {
  manual = true;
  manualNow = start;
}

void Clock::UseSystemTime() {
  manual = false;
}

bool Clock::IsManual() {
  return manual;
}

void Clock::AdvanceTime(DWORD ms) {
  if (!manual)
    throw std::logic_error("Clock::AdvanceTime needs manual time");
  manualNow += ms;
}

} // namespace platform

DWORD GetTickCount() {
  return platform::Clock::Now();
}
