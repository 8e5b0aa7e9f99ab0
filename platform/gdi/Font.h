#pragma once
// Logical fonts, their realisation and the metrics queries of a device context's font.
#include "platform/rtl/Types.h"

constexpr int LF_FACESIZE = 32;

enum : LONG {
  FW_DONTCARE = 0,
  FW_THIN = 100,
  FW_EXTRALIGHT = 200,
  FW_LIGHT = 300,
  FW_NORMAL = 400,
  FW_MEDIUM = 500,
  FW_SEMIBOLD = 600,
  FW_BOLD = 700,
  FW_EXTRABOLD = 800,
  FW_HEAVY = 900,
};

enum : BYTE {
  ANSI_CHARSET = 0,
  DEFAULT_CHARSET = 1,
  SYMBOL_CHARSET = 2,
  TURKISH_CHARSET = 162,
  EASTEUROPE_CHARSET = 238,
  OEM_CHARSET = 255,
};

enum : BYTE {
  OUT_DEFAULT_PRECIS = 0,
  OUT_TT_PRECIS = 4,
  CLIP_DEFAULT_PRECIS = 0,
  DEFAULT_QUALITY = 0,
  NONANTIALIASED_QUALITY = 3,
  ANTIALIASED_QUALITY = 4,
  DEFAULT_PITCH = 0,
  FIXED_PITCH = 1,
  VARIABLE_PITCH = 2,
  FF_DONTCARE = 0x00,
  FF_ROMAN = 0x10,
  FF_SWISS = 0x20,
  FF_MODERN = 0x30,
  FF_SCRIPT = 0x40,
  FF_DECORATIVE = 0x50,
};

// TEXTMETRIC::tmPitchAndFamily low bits. TMPF_FIXED_PITCH set means a VARIABLE pitch font.
enum : BYTE {
  TMPF_FIXED_PITCH = 0x01,
  TMPF_VECTOR = 0x02,
  TMPF_TRUETYPE = 0x04,
  TMPF_DEVICE = 0x08,
};

struct LOGFONTA {
  LONG lfHeight = 0; // > 0 cell height, < 0 em height, 0 the default size
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_DONTCARE;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  char lfFaceName[LF_FACESIZE] = {};
};

struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_DONTCARE;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  WCHAR lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRICA {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 0;
  LONG tmDigitizedAspectY = 0;
  BYTE tmFirstChar = 0;
  BYTE tmLastChar = 0;
  BYTE tmDefaultChar = 0;
  BYTE tmBreakChar = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

struct TEXTMETRICW {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 0;
  LONG tmDigitizedAspectY = 0;
  WCHAR tmFirstChar = 0;
  WCHAR tmLastChar = 0;
  WCHAR tmDefaultChar = 0;
  WCHAR tmBreakChar = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// The 8-bit names are the plain ones, as in a build without the wide-character switch.
using LOGFONT = LOGFONTA;
using TEXTMETRIC = TEXTMETRICA;

// The face of the built-in test font: fixed metrics and box glyphs, independent of installed fonts. At a
// cell height H (13 for lfHeight 0, -11 or 13): tmAscent = H*10/13, em height = H*11/13, every character
// advances W = (H*6+6)/13 except "il.,:;'!|" (W/2) and "MW" (W*3/2); space advances W; tmExternalLeading is
// H/13. A glyph is a full box of columns [0, advance-1) over the em rows, blank for space and controls.
constexpr const char* TestFontFace = "PelvorTest";
// The Laz face: drawn with the substitute sans face, showing each code point as the Laz letter it encodes.
constexpr const char* LazFontFace = "Rezivuz Ozi";

// GetObject of a font handle answers the LOGFONT it was created with (LOGFONTW through GetObjectW).
// lfWidth, lfEscapement, lfOrientation and lfQuality are kept but not applied: text is always drawn upright,
// at the face's own width and anti-aliased. A weight of FW_SEMIBOLD or more selects the bold face.
HFONT CreateFontIndirectA(const LOGFONTA* lf);
HFONT CreateFontIndirectW(const LOGFONTW* lf);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const char* face);
HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, const WCHAR* face);
inline HFONT CreateFontIndirect(const LOGFONTA* lf) {
  return CreateFontIndirectA(lf);
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* tm);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm);
inline BOOL GetTextMetrics(HDC dc, TEXTMETRICA* tm) {
  return GetTextMetricsA(dc, tm);
}
// Copies the face name of the DC's font (at most count - 1 characters and a terminator); returns the
// characters written including the terminator, or the size needed when name is null.
int GetTextFaceA(HDC dc, int count, char* name);
int GetTextFaceW(HDC dc, int count, WCHAR* name);
inline int GetTextFace(HDC dc, int count, char* name) {
  return GetTextFaceA(dc, count, name);
}
// Advances of the characters first..last of the DC's font, character-extra not included.
BOOL GetCharWidth32A(HDC dc, UINT first, UINT last, int* widths);
BOOL GetCharWidth32W(HDC dc, UINT first, UINT last, int* widths);
inline BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths) {
  return GetCharWidth32A(dc, first, last, widths);
}
