#pragma once
// A theme backend for tests: it claims a theme of a configurable name, opens the classes it is told about,
// answers configured part sizes, colours and content margins, and records every call it receives.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/theme/ThemeBackend.h"

struct ThemeCall {
  std::string function;
  HTHEME theme = nullptr;
  int partId = 0;
  int stateId = 0;
  RECT rect{};
  std::u16string text; // class list for OpenThemeData, the text for DrawThemeText
  HDC dc = nullptr;
};

class RecordingThemeBackend : public ThemeBackend {
public:
  RecordingThemeBackend();

  void SetLibraryPresent(bool present) { libraryPresent_ = present; }
  void SetActive(bool active) { active_ = active; }
  void SetThemeName(std::u16string fileName, std::u16string colorName, std::u16string sizeName);
  // The stock blue-green-silver theme with the given colour name ("NormalColor", "HomeStead", "Metallic").
  void ClaimLuna(std::u16string colorName);
  // Only these classes open (compared without regard to ASCII case); without a call every class opens.
  void SetKnownClasses(std::set<std::u16string> classes);

  void SetPartSize(const std::u16string& cls, int partId, int stateId, SIZE size);
  void SetColor(const std::u16string& cls, int partId, int stateId, int propId, COLORREF color);
  void SetContentMargins(const std::u16string& cls, int partId, MARGINS margins);
  void SetPartiallyTransparent(const std::u16string& cls, int partId, bool transparent);
  // Runs inside DrawThemeParentBackground, so a test can model a parent that changes the DC.
  void SetParentBackgroundHook(std::function<void(HWND, HDC)> hook) { parentHook_ = std::move(hook); }

  const std::vector<ThemeCall>& Calls() const { return calls_; }
  int CountCalls(std::string_view function) const;
  void ClearCalls() { calls_.clear(); }
  int OpenHandleCount() const { return int(open_.size()); }
  int OpenCount() const { return opened_; }
  // The class a live handle was opened for (empty for a closed or foreign handle).
  std::u16string ClassOf(HTHEME theme) const;

  bool LibraryPresent() const override { return libraryPresent_; }
  HTHEME OpenThemeData(HWND hwnd, LPCWSTR classList) override;
  HRESULT CloseThemeData(HTHEME theme) override;
  HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                              const RECT* clipRect) override;
  HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId, const RECT* destRect, UINT edge,
                        UINT flags, RECT* contentRect) override;
  HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) override;
  HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                        DWORD textFlags, DWORD textFlags2, const RECT* rect) override;
  HRESULT GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff, int maxColorChars,
                              LPWSTR sizeBuff, int maxSizeChars) override;
  HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId,
                                        const RECT* boundingRect, RECT* contentRect) override;
  HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC dc, int partId, int stateId, const RECT* contentRect,
                                   RECT* extentRect) override;
  HRESULT GetThemeColor(HTHEME theme, int partId, int stateId, int propId, COLORREF* color) override;
  HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                           THEMESIZE sizeKind, SIZE* size) override;
  BOOL IsAppThemed() override { return active_; }
  BOOL IsThemeActive() override { return active_; }
  BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) override;
  BOOL IsThemePartDefined(HTHEME theme, int partId, int stateId) override;

private:
  void Record(std::string function, HTHEME theme, int partId, int stateId, const RECT* rect,
              std::u16string text = {}, HDC dc = nullptr);
  const std::u16string* Resolve(HTHEME theme) const;

  bool libraryPresent_ = true;
  bool active_ = true;
  std::u16string fileName_, colorName_, sizeName_;
  std::optional<std::set<std::u16string>> known_;
  std::map<std::tuple<std::u16string, int, int>, SIZE> sizes_;
  std::map<std::tuple<std::u16string, int, int, int>, COLORREF> colors_;
  std::map<std::pair<std::u16string, int>, MARGINS> margins_;
  std::set<std::pair<std::u16string, int>> transparent_;
  std::function<void(HWND, HDC)> parentHook_;
  std::map<HTHEME, std::u16string> open_;
  std::uintptr_t nextHandle_ = 0x7000;
  int opened_ = 0;
  std::vector<ThemeCall> calls_;
};
