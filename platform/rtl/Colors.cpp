#include "platform/rtl/Colors.h"

#include <mutex>

namespace {

// The classic scheme at 96 DPI.
constexpr SysColorTable kDefaultSysColors = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
    RGB(212, 208, 200),
};

std::mutex gMutex;
SysColorTable gSysColors = kDefaultSysColors;

} // namespace

const SysColorTable& DefaultSysColors() {
  return kDefaultSysColors;
}

DWORD GetSysColor(int index) {
  if (index < 0 || index >= SysColorCount)
    return 0;
  std::lock_guard lock(gMutex);
  return gSysColors[index];
}

void SetSysColorTable(const SysColorTable& table) {
  std::lock_guard lock(gMutex);
  gSysColors = table;
}

void ResetSysColorTable() {
  SetSysColorTable(kDefaultSysColors);
}

// Only the low byte of a system colour selects the entry, as the platform does.
TColor ColorToRGB(TColor color) {
  if (color < 0)
    return TColor(GetSysColor(color & 0xFF));
  return color;
}
