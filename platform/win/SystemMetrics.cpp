#include "platform/win/SystemMetrics.h"

#include <cstring>

#include "platform/rtl/Geometry.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace platform {
namespace {
SystemSettings& Current() {
  static SystemSettings settings = SystemSettings::Classic();
  return settings;
}
// The emulation has one monitor; its handle is a fixed non-null token.
const HMONITOR primaryMonitor = reinterpret_cast<HMONITOR>(std::uintptr_t(0x10001));
} // namespace

SystemSettings SystemSettings::Classic(int screenWidth, int screenHeight) {
  SystemSettings s;
  s.metrics = {
      {SM_CXSCREEN, screenWidth},
      {SM_CYSCREEN, screenHeight},
      {SM_CXVSCROLL, 16},
      {SM_CYHSCROLL, 16},
      {SM_CYCAPTION, 19},
      {SM_CXBORDER, 1},
      {SM_CYBORDER, 1},
      {SM_CXDLGFRAME, 3},
      {SM_CYDLGFRAME, 3},
      {SM_CYVTHUMB, 16},
      {SM_CXHTHUMB, 16},
      {SM_CXICON, 32},
      {SM_CYICON, 32},
      {SM_CXCURSOR, 32},
      {SM_CYCURSOR, 32},
      {SM_CYMENU, 19},
      {SM_CXFULLSCREEN, screenWidth},
      {SM_CYFULLSCREEN, screenHeight - 30 - 19},
      {SM_CYVSCROLL, 16},
      {SM_CXHSCROLL, 16},
      {SM_SWAPBUTTON, 0},
      {SM_CXMIN, 112},
      {SM_CYMIN, 27},
      {SM_CXSIZE, 18},
      {SM_CYSIZE, 18},
      {SM_CXFRAME, 4},
      {SM_CYFRAME, 4},
      {SM_CXDOUBLECLK, 4},
      {SM_CYDOUBLECLK, 4},
      {SM_CXEDGE, 2},
      {SM_CYEDGE, 2},
      {SM_CXSMICON, 16},
      {SM_CYSMICON, 16},
      {SM_CYSMCAPTION, 16},
      {SM_CXMENUCHECK, 13},
      {SM_CYMENUCHECK, 13},
      {SM_CXDRAG, 4},
      {SM_CYDRAG, 4},
      {SM_MOUSEPRESENT, 1},
      {SM_MOUSEWHEELPRESENT, 1},
      {SM_CMOUSEBUTTONS, 3},
      {SM_CXVIRTUALSCREEN, screenWidth},
      {SM_CYVIRTUALSCREEN, screenHeight},
      {SM_CMONITORS, 1},
      {SM_CXFOCUSBORDER, 1},
      {SM_CYFOCUSBORDER, 1},
  };
  // The work area leaves a 30-pixel task bar at the bottom, as a default desktop does.
  s.workArea = RECT{0, 0, screenWidth, screenHeight - 30};
  return s;
}

SystemSettings& Settings() {
  return Current();
}

void ResetSettings() {
  Current() = SystemSettings::Classic();
  BeepLog().clear();
}

std::vector<UINT>& BeepLog() {
  static std::vector<UINT> log;
  return log;
}

HMONITOR PrimaryMonitor() {
  return primaryMonitor;
}

void ApplySettings(const SystemSettings& settings, UINT spiAction) {
  Current() = settings;
  BroadcastToTopLevel(WM_SETTINGCHANGE, spiAction, 0);
}

void ApplySysColors(const SysColorTable& colors) {
  SetSysColorTable(colors);
  BroadcastToTopLevel(WM_SYSCOLORCHANGE, 0, 0);
}

void ApplyLocaleSettings(const TFormatSettings& settings) {
  SetLocaleFormatSettings(settings);
  static const char section[] = "intl";
  BroadcastToTopLevel(WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(section));
}

void NotifyThemeChanged() {
  BroadcastToTopLevel(WM_THEMECHANGED, 0, 0);
}

} // namespace platform

using platform::Settings;

namespace {
LOGFONTA UiFont(const platform::SystemSettings& s, LONG weight) {
  LOGFONTA lf;
  lf.lfHeight = s.uiFontHeight;
  lf.lfWeight = weight;
  std::strncpy(lf.lfFaceName, s.uiFontFace.c_str(), LF_FACESIZE - 1);
  return lf;
}

NONCLIENTMETRICSA NonClientMetrics(const platform::SystemSettings& s) {
  NONCLIENTMETRICSA m;
  m.iBorderWidth = 1;
  m.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  m.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  m.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
  m.iCaptionHeight = GetSystemMetrics(SM_CYCAPTION) - 1;
  m.lfCaptionFont = UiFont(s, FW_BOLD);
  m.iSmCaptionWidth = GetSystemMetrics(SM_CYSMCAPTION) - 1;
  m.iSmCaptionHeight = GetSystemMetrics(SM_CYSMCAPTION) - 1;
  m.lfSmCaptionFont = UiFont(s, FW_BOLD);
  m.iMenuWidth = GetSystemMetrics(SM_CYMENU) - 1;
  m.iMenuHeight = GetSystemMetrics(SM_CYMENU) - 1;
  m.lfMenuFont = UiFont(s, FW_NORMAL);
  m.lfStatusFont = UiFont(s, FW_NORMAL);
  m.lfMessageFont = UiFont(s, FW_NORMAL);
  return m;
}
} // namespace

int GetSystemMetrics(int index) {
  auto& m = Settings().metrics;
  auto it = m.find(index);
  return it == m.end() ? 0 : it->second;
}

BOOL SystemParametersInfoA(UINT action, UINT param, void* value, UINT) {
  auto& s = Settings();
  auto putBool = [&](BOOL v) {
    if (!value)
      return FALSE;
    *static_cast<BOOL*>(value) = v;
    return TRUE;
  };
  switch (action) {
  case SPI_GETWORKAREA:
    if (!value)
      return FALSE;
    *static_cast<RECT*>(value) = s.workArea;
    return TRUE;
  case SPI_SETWORKAREA:
    if (!value)
      return FALSE;
    s.workArea = *static_cast<const RECT*>(value);
    return TRUE;
  case SPI_GETWHEELSCROLLLINES:
    if (!value)
      return FALSE;
    *static_cast<UINT*>(value) = s.wheelScrollLines;
    return TRUE;
  case SPI_GETMENUSHOWDELAY:
    if (!value)
      return FALSE;
    *static_cast<UINT*>(value) = s.menuShowDelay;
    return TRUE;
  case SPI_GETDRAGFULLWINDOWS:
    return putBool(s.dragFullWindows);
  case SPI_GETFLATMENU:
    return putBool(s.flatMenu);
  case SPI_GETKEYBOARDCUES:
    return putBool(s.keyboardCues);
  case SPI_GETHOTTRACKING:
    return putBool(s.hotTracking);
  case SPI_GETDROPSHADOW:
    return putBool(s.dropShadow);
  case SPI_GETUIEFFECTS:
    return putBool(s.uiEffects);
  case SPI_GETGRADIENTCAPTIONS:
    return putBool(s.gradientCaptions);
  case SPI_GETMENUANIMATION:
  case SPI_GETCOMBOBOXANIMATION:
  case SPI_GETLISTBOXSMOOTHSCROLLING:
  case SPI_GETTOOLTIPANIMATION:
  case SPI_GETSELECTIONFADE:
    return putBool(s.uiEffects);
  case SPI_GETNONCLIENTMETRICS: {
    auto* m = static_cast<NONCLIENTMETRICSA*>(value);
    if (!m || m->cbSize != sizeof(NONCLIENTMETRICSA))
      return FALSE;
    *m = NonClientMetrics(s);
    return TRUE;
  }
  case SPI_GETBEEP:
    return putBool(TRUE);
  default:
    (void)param;
    return FALSE;
  }
}

UINT GetDoubleClickTime() {
  return Settings().doubleClickTime;
}

BOOL SetDoubleClickTime(UINT ms) {
  Settings().doubleClickTime = ms ? ms : 500;
  return TRUE;
}

UINT GetCaretBlinkTime() {
  return Settings().caretBlinkTime;
}

BOOL MessageBeep(UINT type) {
  platform::BeepLog().push_back(type);
  return TRUE;
}

namespace {
RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}
} // namespace

HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  const RECT screen = ScreenRect();
  if (PtInRect(&screen, pt) || flags != MONITOR_DEFAULTTONULL)
    return platform::PrimaryMonitor();
  return nullptr;
}

HMONITOR MonitorFromRect(const RECT* rc, DWORD flags) {
  if (!rc)
    return nullptr;
  RECT s = ScreenRect();
  bool overlaps = rc->left < s.right && rc->right > s.left && rc->top < s.bottom && rc->bottom > s.top;
  if (overlaps || flags != MONITOR_DEFAULTTONULL)
    return platform::PrimaryMonitor();
  return nullptr;
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(hwnd, &r))
    return flags == MONITOR_DEFAULTTONULL ? nullptr : platform::PrimaryMonitor();
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO* info) {
  if (monitor != platform::PrimaryMonitor() || !info || info->cbSize < sizeof(MONITORINFO))
    return FALSE;
  info->rcMonitor = ScreenRect();
  info->rcWork = Settings().workArea;
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}
