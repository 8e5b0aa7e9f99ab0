#pragma once
// System metrics and parameters. Every value comes from one settings record that tests may change.
#include <map>
#include <vector>

#include "platform/win/WinDefs.h"

namespace platform {

struct SystemSettings {
  // Metric index to value; indexes not present answer 0 as the platform does for unknown ones.
  std::map<int, int> metrics;
  RECT workArea{0, 0, 1024, 738};
  UINT doubleClickTime = 500;
  UINT caretBlinkTime = 530;
  UINT wheelScrollLines = 3;
  BOOL dragFullWindows = TRUE;
  BOOL flatMenu = FALSE;
  BOOL keyboardCues = FALSE;
  BOOL hotTracking = TRUE;
  BOOL dropShadow = FALSE;
  BOOL uiEffects = FALSE;
  BOOL gradientCaptions = TRUE;
  UINT menuShowDelay = 400;

  static SystemSettings Classic(int screenWidth = 1024, int screenHeight = 768);
};

SystemSettings& Settings();
void ResetSettings();
HMONITOR PrimaryMonitor();
// Messages given to MessageBeep, oldest first; the emulation makes no sound.
std::vector<UINT>& BeepLog();

} // namespace platform

int GetSystemMetrics(int index);
BOOL SystemParametersInfoA(UINT action, UINT param, void* value, UINT winIni);
inline BOOL SystemParametersInfo(UINT action, UINT param, void* value, UINT winIni) {
  return SystemParametersInfoA(action, param, value, winIni);
}
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);
UINT GetCaretBlinkTime();
BOOL MessageBeep(UINT type);

HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rc, DWORD flags);
BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info);
inline BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  return GetMonitorInfoA(monitor, info);
}
