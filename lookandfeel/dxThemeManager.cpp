#include "lookandfeel/dxThemeManager.h"

#include <algorithm>
#include <array>
#include <vector>

#include "lookandfeel/dxUxTheme.h"
#include "platform/win/DefWindowProc.h"
#include "platform/win/Message.h"

namespace {

struct CachedTheme {
  HTHEME handle = nullptr;
  WideString className;
};

std::array<CachedTheme, dxThemedObjectTypeCount> cache;
bool themesActive = false;
bool managerStarted = false;
HWND receiverWindow = nullptr;
std::vector<TdxThemeChangedNotificator*> notificators; // borrowed: each removes itself when freed

WideString UpperAscii(const WideString& s) {
  WideString r = s;
  for (auto& c : r)
    if (c >= u'a' && c <= u'z')
      c = char16_t(c - u'a' + u'A');
  return r;
}

} // namespace

const WideString& dxThemedObjectClassName(TdxThemedObjectType AType) {
  static const std::array<WideString, dxThemedObjectTypeCount> names = {
      u"Button",   u"Clock",      u"ComboBox", u"Edit",       u"ExplorerBar", u"Header",
      u"ListView", u"Menu",       u"Page",     u"Progress",   u"Rebar",       u"ScrollBar",
      u"Spin",     u"StartPanel", u"Status",   u"Tab",        u"TaskBand",    u"TaskBar",
      u"ToolBar",  u"ToolTip",    u"TrackBar", u"TrayNotify", u"TreeView",    u"Window"};
  return names.at(std::size_t(AType));
}

bool AreVisualStylesAvailable(TdxThemedObjectTypes ATypes) {
  if (!themesActive || !IsThemeLibraryLoaded())
    return false;
  for (int t = 0; t < dxThemedObjectTypeCount; ++t)
    if (ATypes.Contains(TdxThemedObjectType(t)) && !OpenTheme(TdxThemedObjectType(t)))
      return false;
  return true;
}

bool AreVisualStylesAvailable(TdxThemedObjectType AType) {
  return AreVisualStylesAvailable(TdxThemedObjectTypes{AType});
}

bool IsThemeAvailable(TdxThemedObjectType AType) {
  return themesActive && IsThemeLibraryLoaded() && OpenTheme(AType) != nullptr;
}

HTHEME OpenTheme(TdxThemedObjectType AType, const WideString& AClassList) {
  if (!AreVisualStylesAvailable())
    return nullptr;
  CachedTheme& entry = cache.at(std::size_t(AType));
  if (entry.handle) {
    if (AClassList.empty() || UpperAscii(AClassList) == UpperAscii(entry.className))
      return entry.handle;
    CloseTheme(AType);
  }
  WideString name = !AClassList.empty()        ? AClassList
                    : !entry.className.empty() ? entry.className
                                               : dxThemedObjectClassName(AType);
  HTHEME handle = dxUxTheme::OpenThemeData(nullptr, name.c_str());
  entry.handle = handle;
  entry.className = handle ? name : WideString();
  return handle;
}

void CloseTheme(TdxThemedObjectType AType) {
  if (!AreVisualStylesAvailable())
    return;
  CachedTheme& entry = cache.at(std::size_t(AType));
  if (entry.handle)
    dxUxTheme::CloseThemeData(entry.handle);
  entry.handle = nullptr;
  entry.className.clear();
}

void CloseAllThemes() {
  for (CachedTheme& entry : cache) {
    if (entry.handle)
      dxUxTheme::CloseThemeData(entry.handle);
    entry.handle = nullptr;
  }
}

HTHEME dxCachedThemeHandle(TdxThemedObjectType AType) {
  return cache.at(std::size_t(AType)).handle;
}

const WideString& dxCachedThemeClassName(TdxThemedObjectType AType) {
  return cache.at(std::size_t(AType)).className;
}

TdxThemeChangedNotificator::TdxThemeChangedNotificator() {
  if (IsThemeLibraryLoaded())
    notificators.push_back(this);
}

TdxThemeChangedNotificator::~TdxThemeChangedNotificator() {
  notificators.erase(std::remove(notificators.begin(), notificators.end(), this), notificators.end());
}

LRESULT dxThemeChangedReceiverProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_THEMECHANGED)
    return DefWindowProc(hwnd, message, wParam, lParam);
  CloseAllThemes();
  DefWindowProc(hwnd, message, wParam, lParam);
  themesActive = dxUxTheme::IsThemeActive();
  // A handler may free its own or another notificator; work from a snapshot and skip those gone since, so
  // that nobody is called twice or passed over.
  std::vector<TdxThemeChangedNotificator*> snapshot = notificators;
  for (TdxThemeChangedNotificator* n : snapshot) {
    if (std::find(notificators.begin(), notificators.end(), n) == notificators.end())
      continue;
    if (n->OnThemeChanged)
      n->OnThemeChanged(n);
  }
  return 0;
}

void dxThemeManagerInitialize() {
  if (managerStarted || !IsThemeLibraryLoaded())
    return;
  managerStarted = true;
  themesActive = dxUxTheme::IsThemeActive();
  receiverWindow = AllocateHWnd(&dxThemeChangedReceiverProc);
}

void dxThemeManagerFinalize() {
  if (receiverWindow)
    DeallocateHWnd(receiverWindow);
  receiverWindow = nullptr;
  CloseAllThemes();
  for (CachedTheme& entry : cache)
    entry.className.clear();
  notificators.clear();
  themesActive = false;
  managerStarted = false;
}

const TUnitInfo dxThemeManagerUnit{"dxThemeManager", &dxThemeManagerInitialize, &dxThemeManagerFinalize};
