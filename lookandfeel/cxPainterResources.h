#pragma once
// The images the painters draw with: radio buttons rendered for every look and state, indicator glyphs, pin
// images and the checker brushes of classic scroll-bar pages. The program carries no resource files, so each
// named image is drawn by code and registered with the canvas classes under its resource name.
#include <array>
#include <memory>
#include <vector>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "platform/controls/ImgList.h"
#include "platform/win/WinDefs.h"

class TcxRadioButtonImageList : public TObject {
  PELVOR_CLASS(TcxRadioButtonImageList, TObject)

  static constexpr int StyleGroupCount = 4;
  static constexpr int ImageCount = 128;

  TcxRadioButtonImageList();
  ~TcxRadioButtonImageList() override;

  // The background colour clDefault leaves what lies under the image's transparent corners.
  void Draw(TcxCanvas* ACanvas, int X, int Y, TcxLookAndFeelStyle AStyle, TcxButtonState AState,
            bool AChecked, bool AFocused, TColor ABrushColor, bool AIsDesigning);
  // Renders every image again in the current system colours.
  void Reset();

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Count() const { return FImages->Count(); }
  TImageList* Images() const { return FImages.get(); }

  static int StyleGroup(TcxLookAndFeelStyle AStyle);
  // The state cxbsDefault has no image of its own and shares the normal one.
  static int ImageIndex(int AStyleGroup, TcxButtonState AState, bool AChecked, bool AFocused,
                        bool AIsDesigning);

  // Pixel roles: 0 outside, 1 and 2 the outer ring (upper-left, lower-right), 3 and 4 the inner ring, 5 the
  // interior, 6 the dot.
  enum Role : unsigned char { rOutside, rOuterLight, rOuterDark, rInnerLight, rInnerDark, rInterior, rDot };
  Role RoleAt(int X, int Y) const { return Role(FTemplate[std::size_t(Y * FWidth + X)]); }

private:
  void BuildTemplate();
  void Render();

  int FWidth = 0, FHeight = 0;
  std::vector<unsigned char> FTemplate;
  std::unique_ptr<TImageList, TObjectDeleter> FImages;
};

// The shared radio image list, made on first use.
TcxRadioButtonImageList* cxRadioButtonImageList();

TImageList* cxIndicatorImages();
// Draws the glyph of the indicator kind centred in R; ikNone draws nothing.
void cxDrawIndicatorImage(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind);
TBitmap* cxPinBitmap(bool APinned);
// 0: button face and highlight, 1: black and dark shadow; 8 x 8 checkerboards.
TBitmap* cxCheckerBrushBitmap(int AIndex);

// The library's cursors by resource name ("CX_DRAGCURSOR" ...), made on each call; nullptr for an unknown
// name.
HCURSOR cxCreateLibraryCursor(const String& AName);
const std::array<const char*, 14>& cxLibraryCursorNames();
