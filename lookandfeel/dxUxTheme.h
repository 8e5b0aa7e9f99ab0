#pragma once
// Run-time binding of the visual-styles library: the functions are looked up by name once at start-up, so a
// system without the library (or without one of its functions) is told apart from one without a theme.
#include "platform/classes/UnitList.h"
#include "platform/theme/UxTheme.h"

// The system version the binding decides by; the machine cannot answer it, so it is injectable. The default
// is the first version with visual styles (5.1).
void dxSetSystemVersion(DWORD AMajor, DWORD AMinor);
void dxGetSystemVersion(DWORD& AMajor, DWORD& AMinor);

void dxUxThemeInitialize();
void dxUxThemeFinalize();

bool IsThemeLibraryLoaded();
bool IsWindowsXPOrLater();
// How many of the library's functions were found by the last binding.
int dxBoundThemeFunctionCount();

// Thin wrappers over the bound functions. A function the library lacks answers a failure (E_NOTIMPL, a null
// handle or FALSE); callers test availability first, so that case is only a safety net.
namespace dxUxTheme {
HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT& rect,
                            const RECT* clipRect = nullptr);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT& rect);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId, const RECT& boundingRect,
                                      RECT& contentRect);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect, THEMESIZE sizeKind,
                         SIZE& size);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, THEMESIZE sizeKind, SIZE& size);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int partId, int stateId, const RECT& rect,
                                 HRGN& region);
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT& destRect, UINT edge,
                      UINT flags, RECT* contentRect);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF& color);
BOOL IsThemeActive();
HRESULT GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff, int maxColorChars,
                            LPWSTR sizeBuff, int maxSizeChars);
// Keeps the DC's font: a parent that paints its background may select another one.
HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect);
} // namespace dxUxTheme

extern const TUnitInfo dxUxThemeUnit;
