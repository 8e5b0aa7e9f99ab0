#pragma once
// The colour scheme of the Office 2003 look, read from the active visual theme (blue, olive or silver) or
// derived from the system colours when no such theme is active, with the brushes and images drawn in it.
#include <array>

#include "platform/classes/UnitList.h"
#include "platform/controls/Graphics.h"

constexpr int dxOffice11SchemeColorCount = 37;

// 0: none (classic colours), 1: blue, 2: olive, 3: silver.
int GetOffice11Scheme();

struct TdxOffice11Colors {
  std::array<TColor, dxOffice11SchemeColorCount> Scheme{};
  std::array<TColor, 3> LightBlends{}; // entries 5, 7, 9 with entry 0 at 90 percent
  std::array<TColor, 3> ShadowMixes{}; // entries 4, 6, 8 with entry 11 at 50 percent
  TColor White = clWhite;
  TColor Black = clBlack;
  TColor Selected = clBtnFace; // RGB(253, 238, 201) with a scheme
  TColor Shadow = clBtnShadow; // a copy of entry 11
};

// The scheme found by the last computation, and whether the Office look is themed.
int dxOffice11Scheme();
bool IsOffice11Themed();
const TdxOffice11Colors& dxOffice11Colors();
TColor dxOffice11SchemeColor(int AIndex);
// The two fixed colours of the look.
constexpr TColor dxOffice11FixedColor1 = TColor(RGB(158, 174, 191));
constexpr TColor dxOffice11FixedColor2 = TColor(RGB(46, 70, 95));

TColor BlendColors(TColor AColor1, TColor AColor2, int APercent);
// Strips of at most 256 steps from AColor1 to AColor2, left to right when AHorizontal, else top to bottom.
void FillGradientRect(HDC DC, const TRect& ARect, TColor AColor1, TColor AColor2, bool AHorizontal);
void FillSolidRect(HDC DC, const TRect& ARect, TColor AColor);

// The brushes (one per scheme colour) and the images exist while at least one user holds the colours.
void AcquireOffice11Colors();
void ReleaseOffice11Colors();
int Office11ColorsUserCount();
HBRUSH dxOffice11Brush(int AIndex);
TBitmap* dxOffice11SubMenuExpandBitmap();
TBitmap* dxOffice11ExpandButtonBitmap(bool AExpanded);
// Recomputes the colours (after a system colour change) and, while they are held, remakes brushes and images.
void RefreshOffice11Colors();

// Recolours the image to the scheme: pixel (0, 0) is the background, black stays black, every other pixel
// becomes a blend of the two colours by its red value relative to the image's range.
void dxOffice11RecolorBitmap(TBitmap* ABitmap, TColor AColor1, TColor AColor2);

void dxOffice11Initialize();
void dxOffice11Finalize();

extern const TUnitInfo dxOffice11Unit;
