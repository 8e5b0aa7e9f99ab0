#pragma once
// What stands behind the visual-styles API. Every operation fails by default (E_NOTIMPL, a null handle or
// FALSE), which is exactly the "none" backend: no theme is ever active, so callers fall back to classic
// drawing. A backend overrides what it can answer.
#include "platform/theme/UxTheme.h"

class ThemeBackend {
public:
  virtual ~ThemeBackend() = default;

  // Whether a visual-styles library exists at all; false models a system that predates visual styles.
  virtual bool LibraryPresent() const { return true; }

  virtual HTHEME OpenThemeData(HWND, LPCWSTR) { return nullptr; }
  virtual HRESULT CloseThemeData(HTHEME) { return E_HANDLE; }
  virtual HRESULT DrawThemeBackground(HTHEME, HDC, int, int, const RECT*, const RECT*) { return E_NOTIMPL; }
  virtual HRESULT DrawThemeEdge(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*) { return E_NOTIMPL; }
  virtual HRESULT DrawThemeIcon(HTHEME, HDC, int, int, const RECT*, HIMAGELIST, int) { return E_NOTIMPL; }
  virtual HRESULT DrawThemeParentBackground(HWND, HDC, const RECT*) { return E_NOTIMPL; }
  virtual HRESULT DrawThemeText(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*) {
    return E_NOTIMPL;
  }
  virtual HRESULT EnableThemeDialogTexture(HWND, DWORD) { return E_NOTIMPL; }
  virtual HRESULT GetCurrentThemeName(LPWSTR, int, LPWSTR, int, LPWSTR, int) { return E_FAIL; }
  virtual DWORD GetThemeAppProperties() { return 0; }
  virtual HRESULT GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT*, RECT*) {
    return E_NOTIMPL;
  }
  virtual HRESULT GetThemeBackgroundExtent(HTHEME, HDC, int, int, const RECT*, RECT*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeBackgroundRegion(HTHEME, HDC, int, int, const RECT*, HRGN*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeBool(HTHEME, int, int, int, BOOL*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeColor(HTHEME, int, int, int, COLORREF*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeDocumentationProperty(LPCWSTR, LPCWSTR, LPWSTR, int) { return E_NOTIMPL; }
  virtual HRESULT GetThemeEnumValue(HTHEME, int, int, int, int*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeFilename(HTHEME, int, int, int, LPWSTR, int) { return E_NOTIMPL; }
  virtual HRESULT GetThemeFont(HTHEME, HDC, int, int, int, LOGFONTW*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeInt(HTHEME, int, int, int, int*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeIntList(HTHEME, int, int, int, INTLIST*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeMargins(HTHEME, HDC, int, int, int, const RECT*, MARGINS*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeMetric(HTHEME, HDC, int, int, int, int*) { return E_NOTIMPL; }
  virtual HRESULT GetThemePartSize(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE*) { return E_NOTIMPL; }
  virtual HRESULT GetThemePosition(HTHEME, int, int, int, POINT*) { return E_NOTIMPL; }
  virtual HRESULT GetThemePropertyOrigin(HTHEME, int, int, int, PROPERTYORIGIN*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeRect(HTHEME, int, int, int, RECT*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeString(HTHEME, int, int, int, LPWSTR, int) { return E_NOTIMPL; }
  virtual BOOL GetThemeSysBool(HTHEME, int) { return FALSE; }
  virtual COLORREF GetThemeSysColor(HTHEME, int colorId);
  virtual HBRUSH GetThemeSysColorBrush(HTHEME, int) { return nullptr; }
  virtual HRESULT GetThemeSysFont(HTHEME, int, LOGFONTW*) { return E_NOTIMPL; }
  virtual HRESULT GetThemeSysInt(HTHEME, int, int*) { return E_NOTIMPL; }
  virtual int GetThemeSysSize(HTHEME, int) { return 0; }
  virtual HRESULT GetThemeSysString(HTHEME, int, LPWSTR, int) { return E_NOTIMPL; }
  virtual HRESULT GetThemeTextExtent(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, const RECT*, RECT*) {
    return E_NOTIMPL;
  }
  virtual HRESULT GetThemeTextMetrics(HTHEME, HDC, int, int, TEXTMETRICW*) { return E_NOTIMPL; }
  virtual HTHEME GetWindowTheme(HWND) { return nullptr; }
  virtual HRESULT HitTestThemeBackground(HTHEME, HDC, int, int, DWORD, const RECT*, HRGN, POINT, WORD*) {
    return E_NOTIMPL;
  }
  virtual BOOL IsAppThemed() { return FALSE; }
  virtual BOOL IsThemeActive() { return FALSE; }
  virtual BOOL IsThemeBackgroundPartiallyTransparent(HTHEME, int, int) { return FALSE; }
  virtual BOOL IsThemeDialogTextureEnabled(HWND) { return FALSE; }
  virtual BOOL IsThemePartDefined(HTHEME, int, int) { return FALSE; }
  virtual void SetThemeAppProperties(DWORD) {}
  virtual HRESULT SetWindowTheme(HWND, LPCWSTR, LPCWSTR) { return E_NOTIMPL; }
};

// The product's backend: visual styles are never active.
class NoThemeBackend final : public ThemeBackend {};
