#include "platform/gdi/Font.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/FontObject_p.h"
#include "platform/rtl/SysUtils.h"

namespace gdi {

namespace {

template <class To, class From> void CopyLogFontFields(To& to, const From& from) {
  to.lfHeight = from.lfHeight;
  to.lfWidth = from.lfWidth;
  to.lfEscapement = from.lfEscapement;
  to.lfOrientation = from.lfOrientation;
  to.lfWeight = from.lfWeight;
  to.lfItalic = from.lfItalic;
  to.lfUnderline = from.lfUnderline;
  to.lfStrikeOut = from.lfStrikeOut;
  to.lfCharSet = from.lfCharSet;
  to.lfOutPrecision = from.lfOutPrecision;
  to.lfClipPrecision = from.lfClipPrecision;
  to.lfQuality = from.lfQuality;
  to.lfPitchAndFamily = from.lfPitchAndFamily;
}

LOGFONTA ToAnsi(const LOGFONTW& w) {
  LOGFONTA a;
  CopyLogFontFields(a, w);
  std::u16string_view face(w.lfFaceName, std::find(w.lfFaceName, w.lfFaceName + LF_FACESIZE, u'\0'));
  AnsiString name = WideToAnsi(face);
  std::memcpy(a.lfFaceName, name.data(), std::min<size_t>(name.size(), LF_FACESIZE - 1));
  return a;
}

LOGFONTW ToWide(const LOGFONTA& a) {
  LOGFONTW w;
  CopyLogFontFields(w, a);
  std::string_view face(a.lfFaceName, std::find(a.lfFaceName, a.lfFaceName + LF_FACESIZE, '\0'));
  WideString name = AnsiToWide(face);
  std::copy_n(name.data(), std::min<size_t>(name.size(), LF_FACESIZE - 1), w.lfFaceName);
  return w;
}

template <class T> int CopyRecord(const T& record, int size, void* buffer) {
  if (!buffer)
    return int(sizeof(T));
  if (size < int(sizeof(T)))
    return 0;
  std::memcpy(buffer, &record, sizeof(T));
  return int(sizeof(T));
}

LOGFONTW StockLogFont(int height, LONG weight, std::u16string_view face) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return lf;
}

} // namespace

int FontObject::Describe(int size, void* buffer) const {
  return CopyRecord(ToAnsi(logFont), size, buffer);
}

int FontObject::DescribeW(int size, void* buffer) const {
  return CopyRecord(logFont, size, buffer);
}

fonts::RealizedFont& FontObject::Realized() {
  if (!realized_)
    realized_ = fonts::Realize(logFont);
  return *realized_;
}

FontObject* LookupFont(HFONT handle) {
  return Lookup<FontObject>(ToObj(handle));
}

fonts::RealizedFont& DCFont(DeviceContext& dc) {
  if (FontObject* font = LookupFont(dc.state.font))
    return font->Realized();
  if (FontObject* system = LookupFont(FromObj<HFONT>(GetStockObject(SYSTEM_FONT))))
    return system->Realized();
  static std::shared_ptr<fonts::RealizedFont> fallback = fonts::Realize(StockLogFont(16, FW_BOLD, u"System"));
  return *fallback;
}

std::unique_ptr<GdiObject> MakeStockFont(int stockIndex) {
  switch (stockIndex) {
  case SYSTEM_FONT:
  case DEVICE_DEFAULT_FONT:
    return std::make_unique<FontObject>(StockLogFont(16, FW_BOLD, u"System"));
  case DEFAULT_GUI_FONT:
    return std::make_unique<FontObject>(StockLogFont(-11, FW_NORMAL, u"MS Sans Serif"));
  case ANSI_VAR_FONT:
    return std::make_unique<FontObject>(StockLogFont(13, FW_NORMAL, u"MS Sans Serif"));
  case ANSI_FIXED_FONT:
  case OEM_FIXED_FONT:
  case SYSTEM_FIXED_FONT:
    return std::make_unique<FontObject>(StockLogFont(13, FW_NORMAL, u"Courier New"));
  default:
    return nullptr;
  }
}

} // namespace gdi

using gdi::LookupDC;

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf)
    return nullptr;
  return gdi::FromObj<HFONT>(gdi::InsertObject(std::make_unique<gdi::FontObject>(*lf)));
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (!lf)
    return nullptr;
  LOGFONTW w = gdi::ToWide(*lf);
  return CreateFontIndirectW(&w);
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const WCHAR* face) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = BYTE(italic);
  lf.lfUnderline = BYTE(underline);
  lf.lfStrikeOut = BYTE(strikeOut);
  lf.lfCharSet = BYTE(charSet);
  lf.lfOutPrecision = BYTE(outPrecision);
  lf.lfClipPrecision = BYTE(clipPrecision);
  lf.lfQuality = BYTE(quality);
  lf.lfPitchAndFamily = BYTE(pitchAndFamily);
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i)
    lf.lfFaceName[i] = face[i];
  return CreateFontIndirectW(&lf);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char* face) {
  WideString wide = AnsiToWide(face ? std::string_view(face) : std::string_view());
  return CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                     outPrecision, clipPrecision, quality, pitchAndFamily, wide.c_str());
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm) {
  gdi::DeviceContext* d = LookupDC(dc);
  if (!d || !tm)
    return FALSE;
  *tm = gdi::DCFont(*d).Metrics();
  return TRUE;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* tm) {
  TEXTMETRICW w;
  if (!tm || !GetTextMetricsW(dc, &w))
    return FALSE;
  tm->tmHeight = w.tmHeight;
  tm->tmAscent = w.tmAscent;
  tm->tmDescent = w.tmDescent;
  tm->tmInternalLeading = w.tmInternalLeading;
  tm->tmExternalLeading = w.tmExternalLeading;
  tm->tmAveCharWidth = w.tmAveCharWidth;
  tm->tmMaxCharWidth = w.tmMaxCharWidth;
  tm->tmWeight = w.tmWeight;
  tm->tmOverhang = w.tmOverhang;
  tm->tmDigitizedAspectX = w.tmDigitizedAspectX;
  tm->tmDigitizedAspectY = w.tmDigitizedAspectY;
  // The 8-bit view covers the code page's characters only.
  tm->tmFirstChar = BYTE(w.tmFirstChar);
  tm->tmLastChar = 0xFF;
  tm->tmDefaultChar = BYTE(w.tmDefaultChar);
  tm->tmBreakChar = BYTE(w.tmBreakChar);
  tm->tmItalic = w.tmItalic;
  tm->tmUnderlined = w.tmUnderlined;
  tm->tmStruckOut = w.tmStruckOut;
  tm->tmPitchAndFamily = w.tmPitchAndFamily;
  tm->tmCharSet = w.tmCharSet;
  return TRUE;
}

int GetTextFaceW(HDC dc, int count, WCHAR* name) {
  gdi::DeviceContext* d = LookupDC(dc);
  if (!d)
    return 0;
  const std::u16string& face = gdi::DCFont(*d).FaceName();
  if (!name)
    return int(face.size()) + 1;
  if (count <= 0)
    return 0;
  int n = std::min(int(face.size()), count - 1);
  std::copy_n(face.data(), n, name);
  name[n] = 0;
  return n + 1;
}

int GetTextFaceA(HDC dc, int count, char* name) {
  gdi::DeviceContext* d = LookupDC(dc);
  if (!d)
    return 0;
  AnsiString face = WideToAnsi(gdi::DCFont(*d).FaceName());
  if (!name)
    return int(face.size()) + 1;
  if (count <= 0)
    return 0;
  int n = std::min(int(face.size()), count - 1);
  std::memcpy(name, face.data(), size_t(n));
  name[n] = 0;
  return n + 1;
}

BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, int* widths) {
  gdi::DeviceContext* d = LookupDC(dc);
  if (!d || !widths || first > last || last > 0xFFFF)
    return FALSE;
  fonts::RealizedFont& font = gdi::DCFont(*d);
  for (UINT c = first; c <= last; ++c)
    widths[c - first] = font.Advance(char16_t(c));
  return TRUE;
}

BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, int* widths) {
  gdi::DeviceContext* d = LookupDC(dc);
  if (!d || !widths || first > last || last > 0xFF)
    return FALSE;
  fonts::RealizedFont& font = gdi::DCFont(*d);
  for (UINT c = first; c <= last; ++c) {
    char byte = char(c);
    WideString wide = AnsiToWide(std::string_view(&byte, 1));
    widths[c - first] = wide.empty() ? 0 : font.Advance(wide[0]);
  }
  return TRUE;
}
