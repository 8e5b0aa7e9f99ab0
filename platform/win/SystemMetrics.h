#pragma once
// System metrics and parameters. Every value comes from one settings record that tests may change.
#include <map>
#include <vector>

#include <string>

#include "platform/gdi/Font.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/win/WinDefs.h"

struct NONCLIENTMETRICSA {
  UINT cbSize = sizeof(NONCLIENTMETRICSA);
  int iBorderWidth = 0;
  int iScrollWidth = 0;
  int iScrollHeight = 0;
  int iCaptionWidth = 0;
  int iCaptionHeight = 0;
  LOGFONTA lfCaptionFont{};
  int iSmCaptionWidth = 0;
  int iSmCaptionHeight = 0;
  LOGFONTA lfSmCaptionFont{};
  int iMenuWidth = 0;
  int iMenuHeight = 0;
  LOGFONTA lfMenuFont{};
  LOGFONTA lfStatusFont{};
  LOGFONTA lfMessageFont{};
};
using NONCLIENTMETRICS = NONCLIENTMETRICSA;

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
  // The face and em height of the menu, status, message and caption fonts (captions are bold).
  std::string uiFontFace = "Tahoma";
  int uiFontHeight = -11;

  static SystemSettings Classic(int screenWidth = 1024, int screenHeight = 768);
};

SystemSettings& Settings();
void ResetSettings();
HMONITOR PrimaryMonitor();

// Changes take effect as from the control panel: the record or table is replaced and every top-level
// window, hidden ones included, hears of it.
void ApplySettings(const SystemSettings& settings, UINT spiAction = SPI_SETNONCLIENTMETRICS);
void ApplySysColors(const SysColorTable& colors);
void NotifyThemeChanged();
// Stands for the user changing the international settings: the locale then reports these settings, and
// every top-level window gets WM_SETTINGCHANGE with wParam 0 and lParam pointing to "intl".
void ApplyLocaleSettings(const TFormatSettings& settings);
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
