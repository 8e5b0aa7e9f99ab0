#pragma once
// The visual-styles API with its Win32 names. Every call forwards to the installed ThemeBackend; the product
// installs the "none" backend (no theme), tests install a recording fake.
#include <memory>
#include <string_view>

#include "platform/rtl/Types.h"

using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_HANDLE = HRESULT(0x80070006u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;

struct _IMAGELIST;
using HIMAGELIST = _IMAGELIST*;
struct LOGFONTW;
struct TEXTMETRICW;

enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };

enum PROPERTYORIGIN { PO_STATE = 0, PO_PART, PO_CLASS, PO_GLOBAL, PO_NOTFOUND };

struct MARGINS {
  int cxLeftWidth = 0, cxRightWidth = 0, cyTopHeight = 0, cyBottomHeight = 0;
};
constexpr int MAX_INTLIST_COUNT = 402;
struct INTLIST {
  int iValueCount = 0;
  int iValues[MAX_INTLIST_COUNT] = {};
};

// Application properties (SetThemeAppProperties).
constexpr DWORD STAP_ALLOW_NONCLIENT = 1, STAP_ALLOW_CONTROLS = 2, STAP_ALLOW_WEBCONTENT = 4;
// Dialog texture (EnableThemeDialogTexture).
constexpr DWORD ETDT_DISABLE = 1, ETDT_ENABLE = 2, ETDT_USETABTEXTURE = 4;
// Text flags that DrawThemeText passes on, as DrawText's.
constexpr DWORD DTT_GRAYED = 1;
// Colour properties that the painters ask for.
constexpr int TMT_BORDERCOLOR = 3801, TMT_FILLCOLOR = 3802, TMT_TEXTCOLOR = 3803, TMT_EDGELIGHTCOLOR = 3804,
              TMT_EDGESHADOWCOLOR = 3806, TMT_EDGEFILLCOLOR = 3808, TMT_FILLCOLORHINT = 3821,
              TMT_BORDERCOLORHINT = 3822, TMT_ACCENTCOLORHINT = 3823;
// Parts of the themed classes that the painters draw, with the visual-styles schema's numbers.
constexpr int BP_PUSHBUTTON = 1, BP_RADIOBUTTON = 2, BP_CHECKBOX = 3;
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int EBP_HEADERPIN = 3, EBP_NORMALGROUPCOLLAPSE = 6, EBP_NORMALGROUPEXPAND = 7;
constexpr int HP_HEADERITEM = 1, HP_HEADERITEMRIGHT = 3;
constexpr int LVP_LISTDETAIL = 5;
constexpr int SBP_ARROWBTN = 1, SBP_THUMBBTNHORZ = 2, SBP_THUMBBTNVERT = 3, SBP_LOWERTRACKHORZ = 4,
              SBP_UPPERTRACKHORZ = 5, SBP_LOWERTRACKVERT = 6, SBP_UPPERTRACKVERT = 7, SBP_GRIPPERHORZ = 8,
              SBP_GRIPPERVERT = 9;
constexpr int TABP_TABITEM = 1, TABP_PANE = 9;
constexpr int TKP_TRACK = 1;
constexpr int TVP_GLYPH = 2;
constexpr int WP_SMALLCLOSEBUTTON = 19;
// HitTestThemeBackground answers.
constexpr WORD HTNOWHERE_THEME = 0, HTCLIENT_THEME = 1;

HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clipRect);
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                      UINT flags, RECT* contentRect);
HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, HIMAGELIST images,
                      int imageIndex);
HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT* rect);
HRESULT EnableThemeDialogTexture(HWND hwnd, DWORD flags);
HRESULT GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff, int maxColorChars,
                            LPWSTR sizeBuff, int maxSizeChars);
DWORD GetThemeAppProperties();
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT* boundingRect,
                                      RECT* contentRect);
HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC dc, int partId, int stateId, const RECT* contentRect,
                                 RECT* extentRect);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                                 HRGN* region);
HRESULT GetThemeBool(HTHEME theme, int partId, int stateId, int propId, BOOL* value);
HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color);
HRESULT GetThemeDocumentationProperty(LPCWSTR themeName, LPCWSTR propertyName, LPWSTR valueBuff,
                                      int maxValueChars);
HRESULT GetThemeEnumValue(HTHEME theme, int partId, int stateId, int propId, int* value);
HRESULT GetThemeFilename(HTHEME theme, int partId, int stateId, int propId, LPWSTR fileName, int maxChars);
HRESULT GetThemeFont(HTHEME theme, HDC dc, int partId, int stateId, int propId, LOGFONTW* font);
HRESULT GetThemeInt(HTHEME theme, int partId, int stateId, int propId, int* value);
HRESULT GetThemeIntList(HTHEME theme, int partId, int stateId, int propId, INTLIST* list);
HRESULT GetThemeMargins(HTHEME theme, HDC dc, int partId, int stateId, int propId, const RECT* rect,
                        MARGINS* margins);
HRESULT GetThemeMetric(HTHEME theme, HDC dc, int partId, int stateId, int propId, int* value);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE* size);
HRESULT GetThemePosition(HTHEME theme, int partId, int stateId, int propId, POINT* point);
HRESULT GetThemePropertyOrigin(HTHEME theme, int partId, int stateId, int propId, PROPERTYORIGIN* origin);
HRESULT GetThemeRect(HTHEME theme, int partId, int stateId, int propId, RECT* rect);
HRESULT GetThemeString(HTHEME theme, int partId, int stateId, int propId, LPWSTR buff, int maxChars);
BOOL GetThemeSysBool(HTHEME theme, int boolId);
COLORREF GetThemeSysColor(HTHEME theme, int colorId);
HBRUSH GetThemeSysColorBrush(HTHEME theme, int colorId);
HRESULT GetThemeSysFont(HTHEME theme, int fontId, LOGFONTW* font);
HRESULT GetThemeSysInt(HTHEME theme, int intId, int* value);
int GetThemeSysSize(HTHEME theme, int sizeId);
HRESULT GetThemeSysString(HTHEME theme, int stringId, LPWSTR buff, int maxChars);
HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                           DWORD textFlags, const RECT* boundingRect, RECT* extentRect);
HRESULT GetThemeTextMetrics(HTHEME theme, HDC dc, int partId, int stateId, TEXTMETRICW* metrics);
HTHEME GetWindowTheme(HWND hwnd);
HRESULT HitTestThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, DWORD options, const RECT* rect,
                               HRGN region, POINT test, WORD* hitTestCode);
BOOL IsAppThemed();
BOOL IsThemeActive();
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
BOOL IsThemeDialogTextureEnabled(HWND hwnd);
BOOL IsThemePartDefined(HTHEME theme, int partId, int stateId);
void SetThemeAppProperties(DWORD flags);
HRESULT SetWindowTheme(HWND hwnd, LPCWSTR subAppName, LPCWSTR subIdList);

class ThemeBackend;

// The library's presence and its exports by name, as a loader would bind them. A backend may claim that no
// visual-styles library exists at all (a system before visual styles), in which case nothing is exported.
using ThemeProc = void (*)();
bool ThemeLibraryPresent();
ThemeProc GetThemeProc(std::string_view name);
// The number of exported functions, for a binder that wants to check it bound all of them.
int ThemeProcCount();

// Installs a backend (nullptr restores "none"); returns the one it replaces.
std::unique_ptr<ThemeBackend> SetThemeBackend(std::unique_ptr<ThemeBackend> backend);
ThemeBackend& CurrentThemeBackend();
