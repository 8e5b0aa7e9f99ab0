#include "lookandfeel/dxOffice11.h"

#include <algorithm>
#include <memory>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/rtl/Geometry.h"

namespace {

constexpr int themeNameChars = 1024;

struct Rgb {
  BYTE r, g, b;
};

// Entries 0..36 for the blue, olive and silver schemes.
constexpr Rgb schemeTable[3][dxOffice11SchemeColorCount] = {
    {{221, 236, 254}, {129, 169, 226}, {158, 190, 245}, {195, 218, 249}, {0, 53, 145},    {117, 166, 241},
     {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {59, 97, 156},   {123, 164, 224},
     {39, 65, 118},   {255, 255, 255}, {106, 140, 203}, {241, 249, 255}, {42, 102, 201},  {196, 219, 249},
     {0, 45, 150},    {246, 246, 246}, {255, 238, 194}, {0, 0, 128},     {255, 244, 204}, {255, 208, 145},
     {255, 211, 142}, {254, 145, 78},  {203, 225, 252}, {255, 192, 111}, {254, 128, 62},  {169, 199, 240},
     {0, 0, 0},       {141, 141, 141}, {190, 218, 251}, {251, 230, 148}, {196, 218, 250}, {0, 45, 150},
     {55, 104, 185}},
    {{244, 247, 222}, {183, 198, 145}, {217, 217, 167}, {242, 240, 228}, {96, 119, 107},  {176, 194, 140},
     {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {96, 128, 88},   {181, 196, 143},
     {81, 94, 51},    {255, 255, 255}, {96, 128, 88},   {244, 247, 222}, {116, 134, 94},  {225, 222, 173},
     {117, 141, 94},  {244, 244, 238}, {255, 238, 194}, {63, 93, 56},    {255, 244, 204}, {255, 208, 145},
     {255, 211, 142}, {254, 145, 78},  {216, 227, 182}, {255, 192, 111}, {254, 128, 62},  {197, 212, 159},
     {0, 0, 0},       {141, 141, 141}, {175, 186, 145}, {251, 230, 148}, {242, 241, 228}, {96, 128, 88},
     {115, 137, 84}},
    {{243, 244, 250}, {153, 151, 181}, {215, 215, 229}, {243, 243, 247}, {118, 116, 146}, {179, 178, 200},
     {255, 193, 118}, {255, 248, 211}, {255, 221, 152}, {254, 149, 82},  {124, 124, 148}, {147, 145, 176},
     {84, 84, 117},   {255, 255, 255}, {110, 109, 143}, {255, 255, 255}, {122, 121, 153}, {219, 218, 228},
     {124, 124, 148}, {253, 250, 255}, {255, 238, 194}, {75, 75, 111},   {255, 244, 204}, {255, 208, 145},
     {255, 211, 142}, {254, 145, 78},  {214, 211, 231}, {255, 192, 111}, {254, 128, 62},  {192, 192, 211},
     {0, 0, 0},       {141, 141, 141}, {229, 229, 235}, {251, 230, 148}, {243, 243, 247}, {124, 124, 148},
     {112, 111, 145}},
};

struct Resources {
  std::array<HBRUSH, dxOffice11SchemeColorCount> brushes{};
  std::unique_ptr<TBitmap, TObjectDeleter> subMenuExpand, expandMinus, expandPlus;
};

int scheme = 0;
bool themed = false;
TdxOffice11Colors colors;
int userCount = 0;
std::unique_ptr<Resources> resources;

WideString UpperAscii(std::u16string_view s) {
  WideString r(s);
  for (auto& c : r)
    if (c >= u'a' && c <= u'z')
      c = char16_t(c - u'a' + u'A');
  return r;
}

void ComputeClassic() {
  auto& e = colors.Scheme;
  e[0] = BlendColors(clBtnFace, clWindow, 22);
  e[1] = BlendColors(clBtnFace, clWindow, 96);
  e[2] = clBtnFace;
  e[3] = BlendColors(clBtnFace, clWindow, 20);
  e[4] = clBtnShadow;
  e[5] = BlendColors(clBtnShadow, clWindow, 74);
  e[6] = NearestScreenColor(MixSystemColors(-15, 29, 86));
  e[7] = e[6];
  e[8] = NearestScreenColor(MixSystemColors(42, 11, 47));
  e[9] = e[8];
  e[10] = BlendColors(clBtnFace, clWindow, 85);
  e[11] = clBtnFace;
  e[12] = BlendColors(clBtnShadow, clWindow, 76);
  e[13] = clWindow;
  e[14] = BlendColors(clBtnShadow, clWindow, 70);
  e[15] = clWhite;
  e[16] = clBtnShadow;
  e[17] = e[1];
  e[18] = clBtnShadow;
  e[19] = clWindow;
  e[20] = LightSelectionColor();
  e[21] = clHighlight;
  e[22] = e[20];
  e[23] = e[20];
  e[24] = LightFaceColor();
  e[25] = e[24];
  e[26] = e[1];
  e[27] = MixSystemColors(41, 11, 48);
  e[28] = LightFaceColor();
  e[29] = e[26];
  e[30] = clBtnText;
  e[31] = clGrayText;
  e[32] = clBtnFace;
  e[33] = e[27];
  e[34] = e[2];
  e[35] = e[18];
  e[36] = clBtnShadow;
  colors.LightBlends = {BlendColors(e[4], clWindow, 50), BlendColors(e[6], clWindow, 50),
                        BlendColors(e[8], clWindow, 50)};
  colors.ShadowMixes = {BlendColors(clBtnShadow, clBtnFace, 50), BlendColors(e[6], e[11], 50),
                        BlendColors(e[8], e[11], 50)};
  colors.White = clBtnHighlight;
  colors.Black = clBtnText;
  colors.Selected = clBtnFace;
  colors.Shadow = clBtnShadow;
}

void ComputeScheme(int s) {
  for (int i = 0; i < dxOffice11SchemeColorCount; ++i) {
    const Rgb& c = schemeTable[s - 1][i];
    colors.Scheme[std::size_t(i)] = TColor(RGB(c.r, c.g, c.b));
  }
  auto& e = colors.Scheme;
  colors.LightBlends = {BlendColors(e[5], e[0], 90), BlendColors(e[7], e[0], 90),
                        BlendColors(e[9], e[0], 90)};
  colors.ShadowMixes = {BlendColors(e[4], e[11], 50), BlendColors(e[6], e[11], 50),
                        BlendColors(e[8], e[11], 50)};
  colors.White = clWhite;
  colors.Black = clBlack;
  colors.Selected = TColor(RGB(253, 238, 201));
  colors.Shadow = e[11];
}

void ComputeColors() {
  scheme = GetOffice11Scheme();
  themed = AreVisualStylesAvailable() && scheme != 0;
  if (themed)
    ComputeScheme(scheme);
  else
    ComputeClassic();
}

void DrawSubMenuExpand(TBitmap& b) {
  // A small right-pointing triangle in grey shades on a white background, recoloured to the scheme later.
  b.SetSize(4, 7);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 4, 7));
  for (int x = 0; x < 4; ++x)
    for (int y = x; y < 7 - x; ++y)
      c->SetPixels(x, y, TColor(RGB(BYTE(64 + 48 * x), BYTE(64 + 48 * x), BYTE(64 + 48 * x))));
}

void DrawExpandButton(TBitmap& b, bool plus) {
  b.SetSize(9, 9);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect(Rect(0, 0, 9, 9));
  c->Brush()->SetColor(clGray);
  c->FrameRect(Rect(0, 0, 9, 9));
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(2, 4, 7, 5));
  if (plus)
    c->FillRect(Rect(4, 2, 5, 7));
}

void RegisterImages() {
  RegisterResourceBitmap("DXSUBMENUEXPAND", &DrawSubMenuExpand);
  RegisterResourceBitmap("DXEXPANDBUTTON_MINUS", [](TBitmap& b) { DrawExpandButton(b, false); });
  RegisterResourceBitmap("DXEXPANDBUTTON_PLUS", [](TBitmap& b) { DrawExpandButton(b, true); });
}

void CreateResources() {
  resources = std::make_unique<Resources>();
  for (int i = 0; i < dxOffice11SchemeColorCount; ++i)
    resources->brushes[std::size_t(i)] =
        CreateSolidBrush(COLORREF(ColorToRGB(colors.Scheme[std::size_t(i)])));
  if (!ResourceBitmapExists("DXSUBMENUEXPAND"))
    RegisterImages();
  auto load = [](const char* name) {
    std::unique_ptr<TBitmap, TObjectDeleter> b(new TBitmap);
    b->LoadFromResourceName(nullptr, name);
    return b;
  };
  resources->subMenuExpand = load("DXSUBMENUEXPAND");
  TColor c1 = colors.Scheme[1], c2 = colors.Scheme[0];
  if (ColorToRGB(c1) == ColorToRGB(c2)) {
    c1 = clBlack;
    c2 = clWhite;
  }
  dxOffice11RecolorBitmap(resources->subMenuExpand.get(), c1, c2);
  resources->expandMinus = load("DXEXPANDBUTTON_MINUS");
  resources->expandPlus = load("DXEXPANDBUTTON_PLUS");
}

void DestroyResources() {
  if (!resources)
    return;
  for (HBRUSH b : resources->brushes)
    if (b)
      DeleteObject(b);
  resources.reset();
}

} // namespace

int GetOffice11Scheme() {
  if (!AreVisualStylesAvailable())
    return 0;
  WCHAR file[themeNameChars] = {}, color[themeNameChars] = {}, size[themeNameChars] = {};
  if (FAILED(
          dxUxTheme::GetCurrentThemeName(file, themeNameChars, color, themeNameChars, size, themeNameChars)))
    return 0;
  std::u16string_view path(file);
  std::size_t slash = path.find_last_of(u"\\/");
  WideString fileName = UpperAscii(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
  if (fileName != u"LUNA.MSSTYLES")
    return 0;
  WideString colorName = UpperAscii(color);
  if (colorName == u"NORMALCOLOR")
    return 1;
  if (colorName == u"HOMESTEAD")
    return 2;
  if (colorName == u"METALLIC")
    return 3;
  return 0;
}

int dxOffice11Scheme() {
  return scheme;
}

bool IsOffice11Themed() {
  return themed;
}

const TdxOffice11Colors& dxOffice11Colors() {
  return colors;
}

TColor dxOffice11SchemeColor(int AIndex) {
  return colors.Scheme.at(std::size_t(AIndex));
}

TColor BlendColors(TColor AColor1, TColor AColor2, int APercent) {
  COLORREF c1 = COLORREF(ColorToRGB(AColor1)), c2 = COLORREF(ColorToRGB(AColor2));
  auto blend = [&](BYTE a, BYTE b) {
    return BYTE(std::clamp(MulDiv(b, 100 - APercent, 100) + MulDiv(a, APercent, 100), 0, 255));
  };
  return NearestScreenColor(
      TColor(RGB(blend(GetRValue(c1), GetRValue(c2)), blend(GetGValue(c1), GetGValue(c2)),
                 blend(GetBValue(c1), GetBValue(c2)))));
}

void FillSolidRect(HDC DC, const TRect& ARect, TColor AColor) {
  HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(AColor)));
  FillRect(DC, &ARect, brush);
  DeleteObject(brush);
}

void FillGradientRect(HDC DC, const TRect& ARect, TColor AColor1, TColor AColor2, bool AHorizontal) {
  COLORREF c1 = COLORREF(ColorToRGB(AColor1)), c2 = COLORREF(ColorToRGB(AColor2));
  if (c1 == c2) {
    FillSolidRect(DC, ARect, AColor1);
    return;
  }
  int extent = AHorizontal ? RectWidth(ARect) : RectHeight(ARect);
  if (extent <= 0)
    return;
  int start = AHorizontal ? ARect.left : ARect.top;
  int steps = std::min(256, extent);
  int previous = start;
  for (int i = 0; i < steps; ++i) {
    int end = start + MulDiv(i + 1, extent, steps);
    if (end <= previous)
      continue;
    // One step has nowhere to go from colour 1, and would divide by zero.
    auto channel = [&](BYTE a, BYTE b) {
      return BYTE(steps > 1 ? a + MulDiv(i, int(b) - int(a), steps - 1) : a);
    };
    TColor c = TColor(RGB(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
                          channel(GetBValue(c1), GetBValue(c2))));
    TRect strip = AHorizontal ? TRect{previous, ARect.top, end, ARect.bottom}
                              : TRect{ARect.left, previous, ARect.right, end};
    FillSolidRect(DC, strip, c);
    previous = end;
  }
}

void dxOffice11RecolorBitmap(TBitmap* ABitmap, TColor AColor1, TColor AColor2) {
  if (!ABitmap || ABitmap->Empty())
    return;
  TCanvas* c = ABitmap->Canvas();
  const int w = ABitmap->Width(), h = ABitmap->Height();
  COLORREF background = COLORREF(c->Pixels(0, 0));
  auto counts = [&](COLORREF p) { return p != background && (p & 0xFFFFFF) != 0; };
  int largest = 1, smallest = 255;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF p = COLORREF(c->Pixels(x, y));
      if (!counts(p))
        continue;
      largest = std::max<int>(largest, GetRValue(p));
      smallest = std::min<int>(smallest, GetRValue(p));
    }
  int span = largest - smallest;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF p = COLORREF(c->Pixels(x, y));
      if (!counts(p))
        continue;
      // Every pixel of one red value would make the range zero; they all take the start of the blend.
      int percent = span > 0 ? MulDiv(GetRValue(p) - smallest, 100, span) : 0;
      c->SetPixels(x, y, BlendColors(AColor1, AColor2, percent));
    }
}

void AcquireOffice11Colors() {
  if (userCount++ == 0) {
    ComputeColors();
    CreateResources();
  }
}

void ReleaseOffice11Colors() {
  if (userCount == 0)
    return;
  if (--userCount == 0)
    DestroyResources();
}

int Office11ColorsUserCount() {
  return userCount;
}

HBRUSH dxOffice11Brush(int AIndex) {
  return resources ? resources->brushes.at(std::size_t(AIndex)) : nullptr;
}

TBitmap* dxOffice11SubMenuExpandBitmap() {
  return resources ? resources->subMenuExpand.get() : nullptr;
}

TBitmap* dxOffice11ExpandButtonBitmap(bool AExpanded) {
  if (!resources)
    return nullptr;
  return AExpanded ? resources->expandMinus.get() : resources->expandPlus.get();
}

void RefreshOffice11Colors() {
  ComputeColors();
  if (userCount > 0) {
    DestroyResources();
    CreateResources();
  }
}

void dxOffice11Initialize() {
  RegisterImages();
  ComputeColors();
}

void dxOffice11Finalize() {
  DestroyResources();
  userCount = 0;
}

const TUnitInfo dxOffice11Unit{"dxOffice11", &dxOffice11Initialize, &dxOffice11Finalize};
