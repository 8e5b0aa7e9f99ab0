#include "lookandfeel/dxUxTheme.h"

#include "platform/gdi/Gdi.h"

namespace {

struct Binding {
  bool loaded = false;
  bool xp = false;
  int bound = 0;
  decltype(&::OpenThemeData) openThemeData = nullptr;
  decltype(&::CloseThemeData) closeThemeData = nullptr;
  decltype(&::DrawThemeBackground) drawThemeBackground = nullptr;
  decltype(&::DrawThemeText) drawThemeText = nullptr;
  decltype(&::GetThemeBackgroundContentRect) getThemeBackgroundContentRect = nullptr;
  decltype(&::GetThemePartSize) getThemePartSize = nullptr;
  decltype(&::GetThemeBackgroundRegion) getThemeBackgroundRegion = nullptr;
  decltype(&::DrawThemeEdge) drawThemeEdge = nullptr;
  decltype(&::IsThemeBackgroundPartiallyTransparent) isThemeBackgroundPartiallyTransparent = nullptr;
  decltype(&::GetThemeColor) getThemeColor = nullptr;
  decltype(&::IsThemeActive) isThemeActive = nullptr;
  decltype(&::GetCurrentThemeName) getCurrentThemeName = nullptr;
  decltype(&::DrawThemeParentBackground) drawThemeParentBackground = nullptr;
};

Binding binding;
DWORD versionMajor = 5, versionMinor = 1;

const char* const functionNames[] = {"CloseThemeData",
                                     "DrawThemeBackground",
                                     "DrawThemeEdge",
                                     "DrawThemeIcon",
                                     "DrawThemeParentBackground",
                                     "DrawThemeText",
                                     "EnableThemeDialogTexture",
                                     "GetCurrentThemeName",
                                     "GetThemeAppProperties",
                                     "GetThemeBackgroundContentRect",
                                     "GetThemeBackgroundRegion",
                                     "GetThemeBackgroundExtent",
                                     "GetThemeBool",
                                     "GetThemeColor",
                                     "GetThemeDocumentationProperty",
                                     "GetThemeEnumValue",
                                     "GetThemeFilename",
                                     "GetThemeFont",
                                     "GetThemeInt",
                                     "GetThemeIntList",
                                     "GetThemeMargins",
                                     "GetThemeMetric",
                                     "GetThemePartSize",
                                     "GetThemePosition",
                                     "GetThemePropertyOrigin",
                                     "GetThemeRect",
                                     "GetThemeString",
                                     "GetThemeSysBool",
                                     "GetThemeSysColor",
                                     "GetThemeSysColorBrush",
                                     "GetThemeSysFont",
                                     "GetThemeSysInt",
                                     "GetThemeSysSize",
                                     "GetThemeSysString",
                                     "GetThemeTextExtent",
                                     "GetThemeTextMetrics",
                                     "GetWindowTheme",
                                     "HitTestThemeBackground",
                                     "IsAppThemed",
                                     "IsThemeActive",
                                     "IsThemePartDefined",
                                     "IsThemeBackgroundPartiallyTransparent",
                                     "IsThemeDialogTextureEnabled",
                                     "OpenThemeData",
                                     "SetThemeAppProperties",
                                     "SetWindowTheme"};

template <typename F> void Bind(F& slot, const char* name) {
  slot = reinterpret_cast<F>(GetThemeProc(name));
}

} // namespace

void dxSetSystemVersion(DWORD AMajor, DWORD AMinor) {
  versionMajor = AMajor;
  versionMinor = AMinor;
}

void dxGetSystemVersion(DWORD& AMajor, DWORD& AMinor) {
  AMajor = versionMajor;
  AMinor = versionMinor;
}

void dxUxThemeInitialize() {
  binding = Binding{};
  binding.xp = versionMajor >= 6 || (versionMajor == 5 && versionMinor > 0);
  if (!binding.xp || !ThemeLibraryPresent())
    return;
  binding.loaded = true;
  for (const char* name : functionNames)
    if (GetThemeProc(name))
      ++binding.bound;
  Bind(binding.openThemeData, "OpenThemeData");
  Bind(binding.closeThemeData, "CloseThemeData");
  Bind(binding.drawThemeBackground, "DrawThemeBackground");
  Bind(binding.drawThemeText, "DrawThemeText");
  Bind(binding.getThemeBackgroundContentRect, "GetThemeBackgroundContentRect");
  Bind(binding.getThemePartSize, "GetThemePartSize");
  Bind(binding.getThemeBackgroundRegion, "GetThemeBackgroundRegion");
  Bind(binding.drawThemeEdge, "DrawThemeEdge");
  Bind(binding.isThemeBackgroundPartiallyTransparent, "IsThemeBackgroundPartiallyTransparent");
  Bind(binding.getThemeColor, "GetThemeColor");
  Bind(binding.isThemeActive, "IsThemeActive");
  Bind(binding.getCurrentThemeName, "GetCurrentThemeName");
  Bind(binding.drawThemeParentBackground, "DrawThemeParentBackground");
}

void dxUxThemeFinalize() {
  bool xp = binding.xp;
  binding = Binding{};
  binding.xp = xp;
}

bool IsThemeLibraryLoaded() {
  return binding.loaded;
}

bool IsWindowsXPOrLater() {
  return binding.xp;
}

int dxBoundThemeFunctionCount() {
  return binding.bound;
}

namespace dxUxTheme {

HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList) {
  return binding.openThemeData ? binding.openThemeData(hwnd, classList) : nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
  return binding.closeThemeData ? binding.closeThemeData(theme) : E_NOTIMPL;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT& rect,
                            const RECT* clipRect) {
  return binding.drawThemeBackground
             ? binding.drawThemeBackground(theme, dc, partId, stateId, &rect, clipRect)
             : E_NOTIMPL;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT& rect) {
  return binding.drawThemeText ? binding.drawThemeText(theme, dc, partId, stateId, text, charCount, textFlags,
                                                       textFlags2, &rect)
                               : E_NOTIMPL;
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT& boundingRect,
                                      RECT& contentRect) {
  return binding.getThemeBackgroundContentRect
             ? binding.getThemeBackgroundContentRect(theme, dc, partId, stateId, &boundingRect, &contentRect)
             : E_NOTIMPL;
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE& size) {
  return binding.getThemePartSize
             ? binding.getThemePartSize(theme, dc, partId, stateId, rect, sizeKind, &size)
             : E_NOTIMPL;
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE sizeKind, SIZE& size) {
  return GetThemePartSize(theme, dc, partId, stateId, nullptr, sizeKind, size);
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT& rect,
                                 HRGN& region) {
  return binding.getThemeBackgroundRegion
             ? binding.getThemeBackgroundRegion(theme, dc, partId, stateId, &rect, &region)
             : E_NOTIMPL;
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT& destRect, UINT edge,
                      UINT flags, RECT* contentRect) {
  return binding.drawThemeEdge
             ? binding.drawThemeEdge(theme, dc, partId, stateId, &destRect, edge, flags, contentRect)
             : E_NOTIMPL;
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
  return binding.isThemeBackgroundPartiallyTransparent
             ? binding.isThemeBackgroundPartiallyTransparent(theme, partId, stateId)
             : FALSE;
}

HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF& color) {
  return binding.getThemeColor ? binding.getThemeColor(theme, partId, stateId, propId, &color) : E_NOTIMPL;
}

BOOL IsThemeActive() {
  return binding.isThemeActive ? binding.isThemeActive() : FALSE;
}

HRESULT GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff, int maxColorChars,
                            LPWSTR sizeBuff, int maxSizeChars) {
  return binding.getCurrentThemeName ? binding.getCurrentThemeName(themeFileName, maxNameChars, colorBuff,
                                                                   maxColorChars, sizeBuff, maxSizeChars)
                                     : E_NOTIMPL;
}

HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) {
  if (!binding.drawThemeParentBackground)
    return E_NOTIMPL;
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  HRESULT result = binding.drawThemeParentBackground(hwnd, dc, rect);
  if (font)
    SelectObject(dc, font);
  return result;
}

} // namespace dxUxTheme

const TUnitInfo dxUxThemeUnit{"dxUxTheme", &dxUxThemeInitialize, &dxUxThemeFinalize};
