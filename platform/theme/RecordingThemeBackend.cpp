#include "platform/theme/RecordingThemeBackend.h"

#include <algorithm>

namespace {

std::u16string UpperAscii(std::u16string_view s) {
  std::u16string r(s);
  for (char16_t& c : r)
    if (c >= u'a' && c <= u'z')
      c = char16_t(c - u'a' + u'A');
  return r;
}

std::u16string Cut(LPCWSTR text, int count) {
  if (!text)
    return {};
  std::u16string_view v(text);
  if (count >= 0 && std::size_t(count) < v.size())
    v = v.substr(0, std::size_t(count));
  return std::u16string(v);
}

// Copies with truncation and always terminates, as the library does with its fixed-size buffers.
bool CopyOut(const std::u16string& s, LPWSTR buff, int maxChars) {
  if (!buff)
    return true;
  if (maxChars <= 0)
    return false;
  std::size_t n = std::min<std::size_t>(s.size(), std::size_t(maxChars - 1));
  std::copy_n(s.begin(), n, buff);
  buff[n] = 0;
  return n == s.size();
}

} // namespace

RecordingThemeBackend::RecordingThemeBackend() {
  ClaimLuna(u"NormalColor");
}

void RecordingThemeBackend::SetThemeName(std::u16string fileName, std::u16string colorName,
                                         std::u16string sizeName) {
  fileName_ = std::move(fileName);
  colorName_ = std::move(colorName);
  sizeName_ = std::move(sizeName);
}

void RecordingThemeBackend::ClaimLuna(std::u16string colorName) {
  SetThemeName(u"C:\\WINDOWS\\Resources\\Themes\\Luna\\Luna.msstyles", std::move(colorName), u"NormalSize");
}

void RecordingThemeBackend::SetKnownClasses(std::set<std::u16string> classes) {
  std::set<std::u16string> upper;
  for (const auto& c : classes)
    upper.insert(UpperAscii(c));
  known_ = std::move(upper);
}

void RecordingThemeBackend::SetPartSize(const std::u16string& cls, int partId, int stateId, SIZE size) {
  sizes_[{UpperAscii(cls), partId, stateId}] = size;
}

void RecordingThemeBackend::SetColor(const std::u16string& cls, int partId, int stateId, int propId,
                                     COLORREF color) {
  colors_[{UpperAscii(cls), partId, stateId, propId}] = color;
}

void RecordingThemeBackend::SetContentMargins(const std::u16string& cls, int partId, MARGINS margins) {
  margins_[{UpperAscii(cls), partId}] = margins;
}

void RecordingThemeBackend::SetPartiallyTransparent(const std::u16string& cls, int partId, bool transparent) {
  if (transparent)
    transparent_.insert({UpperAscii(cls), partId});
  else
    transparent_.erase({UpperAscii(cls), partId});
}

int RecordingThemeBackend::CountCalls(std::string_view function) const {
  return int(std::count_if(calls_.begin(), calls_.end(),
                           [&](const ThemeCall& c) { return c.function == function; }));
}

std::u16string RecordingThemeBackend::ClassOf(HTHEME theme) const {
  const std::u16string* cls = Resolve(theme);
  return cls ? *cls : std::u16string();
}

void RecordingThemeBackend::Record(std::string function, HTHEME theme, int partId, int stateId,
                                   const RECT* rect, std::u16string text, HDC dc) {
  calls_.push_back({std::move(function), theme, partId, stateId, rect ? *rect : RECT{}, std::move(text), dc});
}

const std::u16string* RecordingThemeBackend::Resolve(HTHEME theme) const {
  auto it = open_.find(theme);
  return it == open_.end() ? nullptr : &it->second;
}

HTHEME RecordingThemeBackend::OpenThemeData(HWND, LPCWSTR classList) {
  std::u16string list = Cut(classList, -1);
  Record("OpenThemeData", nullptr, 0, 0, nullptr, list);
  if (!active_ || list.empty())
    return nullptr;
  // The first class of a semicolon-separated list that the theme defines wins.
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(u';', start);
    if (end == std::u16string::npos)
      end = list.size();
    std::u16string cls = UpperAscii(list.substr(start, end - start));
    if (!cls.empty() && (!known_ || known_->count(cls))) {
      HTHEME h = reinterpret_cast<HTHEME>(nextHandle_++);
      open_[h] = cls;
      ++opened_;
      return h;
    }
    start = end + 1;
  }
  return nullptr;
}

HRESULT RecordingThemeBackend::CloseThemeData(HTHEME theme) {
  Record("CloseThemeData", theme, 0, 0, nullptr);
  return open_.erase(theme) ? S_OK : E_HANDLE;
}

HRESULT RecordingThemeBackend::DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId,
                                                   const RECT* rect, const RECT*) {
  Record("DrawThemeBackground", theme, partId, stateId, rect, {}, dc);
  return Resolve(theme) ? S_OK : E_HANDLE;
}

HRESULT RecordingThemeBackend::DrawThemeEdge(HTHEME theme, HDC dc, int partId, int stateId,
                                             const RECT* destRect, UINT, UINT, RECT* contentRect) {
  Record("DrawThemeEdge", theme, partId, stateId, destRect, {}, dc);
  if (!Resolve(theme))
    return E_HANDLE;
  if (contentRect && destRect)
    *contentRect = *destRect;
  return S_OK;
}

HRESULT RecordingThemeBackend::DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) {
  Record("DrawThemeParentBackground", nullptr, 0, 0, rect, {}, dc);
  if (parentHook_)
    parentHook_(hwnd, dc);
  return S_OK;
}

HRESULT RecordingThemeBackend::DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text,
                                             int charCount, DWORD, DWORD, const RECT* rect) {
  Record("DrawThemeText", theme, partId, stateId, rect, Cut(text, charCount), dc);
  return Resolve(theme) ? S_OK : E_HANDLE;
}

HRESULT RecordingThemeBackend::GetCurrentThemeName(LPWSTR themeFileName, int maxNameChars, LPWSTR colorBuff,
                                                   int maxColorChars, LPWSTR sizeBuff, int maxSizeChars) {
  Record("GetCurrentThemeName", nullptr, 0, 0, nullptr);
  if (!active_)
    return E_FAIL;
  bool fits = CopyOut(fileName_, themeFileName, maxNameChars);
  fits = CopyOut(colorName_, colorBuff, maxColorChars) && fits;
  fits = CopyOut(sizeName_, sizeBuff, maxSizeChars) && fits;
  return fits ? S_OK : E_INVALIDARG;
}

HRESULT RecordingThemeBackend::GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId,
                                                             const RECT* boundingRect, RECT* contentRect) {
  Record("GetThemeBackgroundContentRect", theme, partId, stateId, boundingRect, {}, dc);
  const std::u16string* cls = Resolve(theme);
  if (!cls)
    return E_HANDLE;
  if (!boundingRect || !contentRect)
    return E_POINTER;
  MARGINS m;
  if (auto it = margins_.find({*cls, partId}); it != margins_.end())
    m = it->second;
  *contentRect = {boundingRect->left + m.cxLeftWidth, boundingRect->top + m.cyTopHeight,
                  boundingRect->right - m.cxRightWidth, boundingRect->bottom - m.cyBottomHeight};
  return S_OK;
}

HRESULT RecordingThemeBackend::GetThemeBackgroundExtent(HTHEME theme, HDC dc, int partId, int stateId,
                                                        const RECT* contentRect, RECT* extentRect) {
  Record("GetThemeBackgroundExtent", theme, partId, stateId, contentRect, {}, dc);
  const std::u16string* cls = Resolve(theme);
  if (!cls)
    return E_HANDLE;
  if (!contentRect || !extentRect)
    return E_POINTER;
  MARGINS m;
  if (auto it = margins_.find({*cls, partId}); it != margins_.end())
    m = it->second;
  *extentRect = {contentRect->left - m.cxLeftWidth, contentRect->top - m.cyTopHeight,
                 contentRect->right + m.cxRightWidth, contentRect->bottom + m.cyBottomHeight};
  return S_OK;
}

HRESULT RecordingThemeBackend::GetThemeColor(HTHEME theme, int partId, int stateId, int propId,
                                             COLORREF* color) {
  Record("GetThemeColor", theme, partId, stateId, nullptr);
  const std::u16string* cls = Resolve(theme);
  if (!cls)
    return E_HANDLE;
  auto it = colors_.find({*cls, partId, stateId, propId});
  if (it == colors_.end())
    return E_INVALIDARG;
  if (!color)
    return E_POINTER;
  *color = it->second;
  return S_OK;
}

HRESULT RecordingThemeBackend::GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId,
                                                const RECT* rect, THEMESIZE, SIZE* size) {
  Record("GetThemePartSize", theme, partId, stateId, rect, {}, dc);
  const std::u16string* cls = Resolve(theme);
  if (!cls)
    return E_HANDLE;
  auto it = sizes_.find({*cls, partId, stateId});
  if (it == sizes_.end())
    return E_INVALIDARG;
  if (!size)
    return E_POINTER;
  *size = it->second;
  return S_OK;
}

BOOL RecordingThemeBackend::IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId) {
  Record("IsThemeBackgroundPartiallyTransparent", theme, partId, stateId, nullptr);
  const std::u16string* cls = Resolve(theme);
  return cls && transparent_.count({*cls, partId}) ? TRUE : FALSE;
}

BOOL RecordingThemeBackend::IsThemePartDefined(HTHEME theme, int partId, int stateId) {
  Record("IsThemePartDefined", theme, partId, stateId, nullptr);
  return Resolve(theme) ? TRUE : FALSE;
}
