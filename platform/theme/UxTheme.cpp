#include "platform/theme/UxTheme.h"

#include <utility>

#include "platform/rtl/Colors.h"
#include "platform/theme/ThemeBackend.h"

namespace {

std::unique_ptr<ThemeBackend>& BackendSlot() {
  static std::unique_ptr<ThemeBackend> backend = std::make_unique<NoThemeBackend>();
  return backend;
}

ThemeBackend& B() {
  return *BackendSlot();
}

struct Export {
  std::string_view name;
  ThemeProc proc;
};

template <typename F> ThemeProc AsProc(F* f) {
  return reinterpret_cast<ThemeProc>(f);
}

const Export exports[] = {
    {"CloseThemeData", AsProc(&CloseThemeData)},
    {"DrawThemeBackground", AsProc(&DrawThemeBackground)},
    {"DrawThemeEdge", AsProc(&DrawThemeEdge)},
    {"DrawThemeIcon", AsProc(&DrawThemeIcon)},
    {"DrawThemeParentBackground", AsProc(&DrawThemeParentBackground)},
    {"DrawThemeText", AsProc(&DrawThemeText)},
    {"EnableThemeDialogTexture", AsProc(&EnableThemeDialogTexture)},
    {"GetCurrentThemeName", AsProc(&GetCurrentThemeName)},
    {"GetThemeAppProperties", AsProc(&GetThemeAppProperties)},
    {"GetThemeBackgroundContentRect", AsProc(&GetThemeBackgroundContentRect)},
    {"GetThemeBackgroundRegion", AsProc(&GetThemeBackgroundRegion)},
    {"GetThemeBackgroundExtent", AsProc(&GetThemeBackgroundExtent)},
    {"GetThemeBool", AsProc(&GetThemeBool)},
    {"GetThemeColor", AsProc(&GetThemeColor)},
    {"GetThemeDocumentationProperty", AsProc(&GetThemeDocumentationProperty)},
    {"GetThemeEnumValue", AsProc(&GetThemeEnumValue)},
    {"GetThemeFilename", AsProc(&GetThemeFilename)},
    {"GetThemeFont", AsProc(&GetThemeFont)},
    {"GetThemeInt", AsProc(&GetThemeInt)},
    {"GetThemeIntList", AsProc(&GetThemeIntList)},
    {"GetThemeMargins", AsProc(&GetThemeMargins)},
    {"GetThemeMetric", AsProc(&GetThemeMetric)},
    {"GetThemePartSize", AsProc(&GetThemePartSize)},
    {"GetThemePosition", AsProc(&GetThemePosition)},
    {"GetThemePropertyOrigin", AsProc(&GetThemePropertyOrigin)},
    {"GetThemeRect", AsProc(&GetThemeRect)},
    {"GetThemeString", AsProc(&GetThemeString)},
    {"GetThemeSysBool", AsProc(&GetThemeSysBool)},
    {"GetThemeSysColor", AsProc(&GetThemeSysColor)},
    {"GetThemeSysColorBrush", AsProc(&GetThemeSysColorBrush)},
    {"GetThemeSysFont", AsProc(&GetThemeSysFont)},
    {"GetThemeSysInt", AsProc(&GetThemeSysInt)},
    {"GetThemeSysSize", AsProc(&GetThemeSysSize)},
    {"GetThemeSysString", AsProc(&GetThemeSysString)},
    {"GetThemeTextExtent", AsProc(&GetThemeTextExtent)},
    {"GetThemeTextMetrics", AsProc(&GetThemeTextMetrics)},
    {"GetWindowTheme", AsProc(&GetWindowTheme)},
    {"HitTestThemeBackground", AsProc(&HitTestThemeBackground)},
    {"IsAppThemed", AsProc(&IsAppThemed)},
    {"IsThemeActive", AsProc(&IsThemeActive)},
    {"IsThemePartDefined", AsProc(&IsThemePartDefined)},
    {"IsThemeBackgroundPartiallyTransparent", AsProc(&IsThemeBackgroundPartiallyTransparent)},
    {"IsThemeDialogTextureEnabled", AsProc(&IsThemeDialogTextureEnabled)},
    {"OpenThemeData", AsProc(&OpenThemeData)},
    {"SetThemeAppProperties", AsProc(&SetThemeAppProperties)},
    {"SetWindowTheme", AsProc(&SetWindowTheme)},
};

} // namespace

COLORREF ThemeBackend::GetThemeSysColor(HTHEME, int colorId) {
  return GetSysColor(colorId);
}

bool ThemeLibraryPresent() {
  return B().LibraryPresent();
}

ThemeProc GetThemeProc(std::string_view name) {
  if (!ThemeLibraryPresent())
    return nullptr;
  for (const Export& e : exports)
    if (e.name == name)
      return e.proc;
  return nullptr;
}

int ThemeProcCount() {
  return int(std::size(exports));
}

std::unique_ptr<ThemeBackend> SetThemeBackend(std::unique_ptr<ThemeBackend> backend) {
  if (!backend)
    backend = std::make_unique<NoThemeBackend>();
  return std::exchange(BackendSlot(), std::move(backend));
}

ThemeBackend& CurrentThemeBackend() {
  return B();
}

HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList) {
  return B().OpenThemeData(hwnd, classList);
}
HRESULT CloseThemeData(HTHEME theme) {
  return B().CloseThemeData(theme);
}
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clipRect) {
  return B().DrawThemeBackground(theme, dc, partId, stateId, rect, clipRect);
}
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* contentRect) {
  return B().DrawThemeEdge(theme, dc, partId, stateId, destRect, edge, flags, contentRect);
}
HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, HIMAGELIST images,
                      int imageIndex) {
  return B().DrawThemeIcon(theme, dc, partId, stateId, rect, images, imageIndex);
}
HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) {
  return B().DrawThemeParentBackground(hwnd, dc, rect);
}
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT* rect) {
  return B().DrawThemeText(theme, dc, partId, stateId, text, charCount, textFlags, textFlags2, rect);
}
HRESULT EnableThemeDialogTexture(HWND hwnd, DWORD flags) {
  return B().EnableThemeDialogTexture(hwnd, flags);
}
HRESULT GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff, int maxColorChars,
                            LPWSTR sizeBuff, int maxSizeChars) {
  return B().GetCurrentThemeName(themeFileName, maxNameChars, colorBuff, maxColorChars, sizeBuff,
                                 maxSizeChars);
}
DWORD GetThemeAppProperties() {
  return B().GetThemeAppProperties();
}
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* boundingRect,
                                      RECT* contentRect) {
  return B().GetThemeBackgroundContentRect(theme, dc, partId, stateId, boundingRect, contentRect);
}
HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC dc, int partId, int stateId, const RECT* contentRect,
                                 RECT* extentRect) {
  return B().GetThemeBackgroundExtent(theme, dc, partId, stateId, contentRect, extentRect);
}
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region) {
  return B().GetThemeBackgroundRegion(theme, dc, partId, stateId, rect, region);
}
HRESULT GetThemeBool(HTHEME theme, int partId, int stateId, int propId, BOOL* value) {
  return B().GetThemeBool(theme, partId, stateId, propId, value);
}
HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) {
  return B().GetThemeColor(theme, partId, stateId, propId, color);
}
HRESULT GetThemeDocumentationProperty(LPCWSTR themeName, LPCWSTR propertyName, LPWSTR valueBuff,
                                      int maxValueChars) {
  return B().GetThemeDocumentationProperty(themeName, propertyName, valueBuff, maxValueChars);
}
HRESULT GetThemeEnumValue(HTHEME theme, int partId, int stateId, int propId, int* value) {
  return B().GetThemeEnumValue(theme, partId, stateId, propId, value);
}
HRESULT GetThemeFilename(HTHEME theme, int partId, int stateId, int propId, LPWSTR fileName, int maxChars) {
  return B().GetThemeFilename(theme, partId, stateId, propId, fileName, maxChars);
}
HRESULT GetThemeFont(HTHEME theme, HDC dc, int partId, int stateId, int propId, LOGFONTW* font) {
  return B().GetThemeFont(theme, dc, partId, stateId, propId, font);
}
HRESULT GetThemeInt(HTHEME theme, int partId, int stateId, int propId, int* value) {
  return B().GetThemeInt(theme, partId, stateId, propId, value);
}
HRESULT GetThemeIntList(HTHEME theme, int partId, int stateId, int propId, INTLIST* list) {
  return B().GetThemeIntList(theme, partId, stateId, propId, list);
}
HRESULT GetThemeMargins(HTHEME theme, HDC dc, int partId, int stateId, int propId, const RECT* rect,
                        MARGINS* margins) {
  return B().GetThemeMargins(theme, dc, partId, stateId, propId, rect, margins);
}
HRESULT GetThemeMetric(HTHEME theme, HDC dc, int partId, int stateId, int propId, int* value) {
  return B().GetThemeMetric(theme, dc, partId, stateId, propId, value);
}
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE* size) {
  return B().GetThemePartSize(theme, dc, partId, stateId, rect, sizeKind, size);
}
HRESULT GetThemePosition(HTHEME theme, int partId, int stateId, int propId, POINT* point) {
  return B().GetThemePosition(theme, partId, stateId, propId, point);
}
HRESULT GetThemePropertyOrigin(HTHEME theme, int partId, int stateId, int propId, PROPERTYORIGIN* origin) {
  return B().GetThemePropertyOrigin(theme, partId, stateId, propId, origin);
}
HRESULT GetThemeRect(HTHEME theme, int partId, int stateId, int propId, RECT* rect) {
  return B().GetThemeRect(theme, partId, stateId, propId, rect);
}
HRESULT GetThemeString(HTHEME theme, int partId, int stateId, int propId, LPWSTR buff, int maxChars) {
  return B().GetThemeString(theme, partId, stateId, propId, buff, maxChars);
}
BOOL GetThemeSysBool(HTHEME theme, int boolId) {
  return B().GetThemeSysBool(theme, boolId);
}
COLORREF GetThemeSysColor(HTHEME theme, int colorId) {
  return B().GetThemeSysColor(theme, colorId);
}
HBRUSH GetThemeSysColorBrush(HTHEME theme, int colorId) {
  return B().GetThemeSysColorBrush(theme, colorId);
}
HRESULT GetThemeSysFont(HTHEME theme, int fontId, LOGFONTW* font) {
  return B().GetThemeSysFont(theme, fontId, font);
}
HRESULT GetThemeSysInt(HTHEME theme, int intId, int* value) {
  return B().GetThemeSysInt(theme, intId, value);
}
int GetThemeSysSize(HTHEME theme, int sizeId) {
  return B().GetThemeSysSize(theme, sizeId);
}
HRESULT GetThemeSysString(HTHEME theme, int stringId, LPWSTR buff, int maxChars) {
  return B().GetThemeSysString(theme, stringId, buff, maxChars);
}
HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                           DWORD textFlags, const RECT* boundingRect, RECT* extentRect) {
  return B().GetThemeTextExtent(theme, dc, partId, stateId, text, charCount, textFlags, boundingRect,
                                extentRect);
}
HRESULT GetThemeTextMetrics(HTHEME theme, HDC dc, int partId, int stateId, TEXTMETRICW* metrics) {
  return B().GetThemeTextMetrics(theme, dc, partId, stateId, metrics);
}
HTHEME GetWindowTheme(HWND hwnd) {
  return B().GetWindowTheme(hwnd);
}
HRESULT HitTestThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, DWORD options, const RECT* rect,
                               HRGN region, POINT test, WORD* hitTestCode) {
  return B().HitTestThemeBackground(theme, dc, partId, stateId, options, rect, region, test, hitTestCode);
}
BOOL IsAppThemed() {
  return B().IsAppThemed();
}
BOOL IsThemeActive() {
  return B().IsThemeActive();
}
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
  return B().IsThemeBackgroundPartiallyTransparent(theme, partId, stateId);
}
BOOL IsThemeDialogTextureEnabled(HWND hwnd) {
  return B().IsThemeDialogTextureEnabled(hwnd);
}
BOOL IsThemePartDefined(HTHEME theme, int partId, int stateId) {
  return B().IsThemePartDefined(theme, partId, stateId);
}
void SetThemeAppProperties(DWORD flags) {
  B().SetThemeAppProperties(flags);
}
HRESULT SetWindowTheme(HWND hwnd, LPCWSTR subAppName, LPCWSTR subIdList) {
  return B().SetWindowTheme(hwnd, subAppName, subIdList);
}
