#include <utility>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeelPainters_Geometry.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Win.h"

using namespace cxPainterUtils;
namespace ux = dxUxTheme;

namespace {

// The themed-object parts and property the painter uses, with the visual-styles schema's numbers.
constexpr int BP_PUSHBUTTON = 1, BP_RADIOBUTTON = 2, BP_CHECKBOX = 3;
constexpr int CP_DROPDOWNBUTTON = 1;
constexpr int EBP_HEADERPIN = 3, EBP_NORMALGROUPCOLLAPSE = 6, EBP_NORMALGROUPEXPAND = 7;
constexpr int HP_HEADERITEM = 1, HP_HEADERITEMRIGHT = 3;
constexpr int LVP_LISTDETAIL = 5;
constexpr int TABP_TABITEM = 1, TABP_PANE = 9;
constexpr int TKP_TRACK = 1;
constexpr int TVP_GLYPH = 2;
constexpr int WP_SMALLCLOSEBUTTON = 19;
constexpr UINT BDR_RAISEDINNER_EDGE = 4, BF_RECT_SIDES = 15;

const RECT hundred{0, 0, 100, 100};

int Pick(const int (&table)[5], TcxButtonState AState) {
  int i = int(AState);
  return i >= 0 && i < 5 ? table[i] : table[cxbsNormal];
}

HTHEME Theme(TdxThemedObjectType AType) {
  return OpenTheme(AType);
}

bool ContentRect(HTHEME ATheme, HDC ADC, int APart, int AState, const RECT& ABounds, RECT& AContent) {
  return SUCCEEDED(ux::GetThemeBackgroundContentRect(ATheme, ADC, APart, AState, ABounds, AContent));
}

bool TrueSize(HTHEME ATheme, int APart, int AState, SIZE& ASize) {
  return SUCCEEDED(ux::GetThemePartSize(ATheme, nullptr, APart, AState, TS_TRUE, ASize));
}

void DrawPart(TcxCanvas* ACanvas, HTHEME ATheme, int APart, int AState, const TRect& R,
              const RECT* AClip = nullptr) {
  ux::DrawThemeBackground(ATheme, ACanvas->Handle(), APart, AState, R, AClip);
}

TRect Swapped(const TRect& R) {
  return {R.top, R.left, R.bottom, R.right};
}

} // namespace

namespace cxThemeStates {

int PushButton(TcxButtonState AState) {
  static constexpr int map[] = {5, 1, 2, 3, 4};
  return Pick(map, AState);
}

int CheckBox(TcxButtonState AState, bool AChecked) {
  static constexpr int unchecked[] = {1, 1, 2, 3, 4}, checked[] = {5, 5, 6, 7, 8};
  return Pick(AChecked ? checked : unchecked, AState);
}

int RadioButton(TcxButtonState AState, bool AChecked) {
  return CheckBox(AState, AChecked);
}

int HeaderItem(TcxButtonState AState) {
  static constexpr int map[] = {1, 1, 2, 3, 1};
  return Pick(map, AState);
}

int SmallCloseButton(TcxButtonState AState) {
  static constexpr int map[] = {1, 1, 2, 3, 4};
  return Pick(map, AState);
}

int ComboDropDown(TcxButtonState AState) {
  return SmallCloseButton(AState);
}

int HeaderPin(TcxButtonState AState) {
  return HeaderItem(AState);
}

int TabItem(TcxButtonState AState) {
  return SmallCloseButton(AState);
}

int GroupExpand(TcxButtonState AState) {
  // The schema has no disabled group-expand state; such a button is drawn as a normal one.
  static constexpr int map[] = {6, 1, 2, 3, 1};
  return Pick(map, AState);
}

int ScrollArrow(TcxButtonState AState, TcxArrowDirection ADirection) {
  static constexpr int offset[] = {0, 0, 1, 2, 3};
  return 1 + 4 * int(ADirection) + Pick(offset, AState);
}

int ScrollTrack(TcxButtonState AState) {
  static constexpr int map[] = {1, 1, 2, 3, 4};
  return Pick(map, AState);
}

} // namespace cxThemeStates

using namespace cxThemeStates;

TColor TcxWinXPLookAndFeelPainter::DefaultBorderColor() const {
  COLORREF color;
  if (HTHEME theme = Theme(totComboBox);
      theme && SUCCEEDED(ux::GetThemeColor(theme, 1, 1, TMT_BORDERCOLOR, color)))
    return TColor(color);
  return TcxStandardLookAndFeelPainter::DefaultBorderColor();
}

void TcxWinXPLookAndFeelPainter::DrawArrowButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                 TcxArrowDirection AArrowDirection,
                                                 bool ADrawBackground) const {
  if (HTHEME theme = Theme(totScrollBar))
    DrawPart(ACanvas, theme, SBP_ARROWBTN, ScrollArrow(AState, AArrowDirection), R);
  else
    TcxStandardLookAndFeelPainter::DrawArrowButton(ACanvas, R, AState, AArrowDirection, ADrawBackground);
}

void TcxWinXPLookAndFeelPainter::DrawButtonBackground(TcxCanvas* ACanvas, const TRect& R,
                                                      TcxButtonState AState) const {
  if (HTHEME theme = Theme(totButton))
    DrawPart(ACanvas, theme, BP_PUSHBUTTON, PushButton(AState), R);
  else
    TcxStandardLookAndFeelPainter::DrawButtonBackground(ACanvas, R, AState);
}

int TcxWinXPLookAndFeelPainter::BorderSize() const {
  return Theme(totListView) ? 1 : TcxStandardLookAndFeelPainter::BorderSize();
}

void TcxWinXPLookAndFeelPainter::DrawBorder(TcxCanvas* ACanvas, const TRect& R) const {
  HTHEME theme = Theme(totListView);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawBorder(ACanvas, R);
    return;
  }
  HDC dc = ACanvas->Handle();
  int saved = SaveDC(dc);
  ACanvas->ExcludeClipRect(Deflated(R, 1));
  DrawPart(ACanvas, theme, LVP_LISTDETAIL, 0, R);
  RestoreDC(dc, saved);
}

int TcxWinXPLookAndFeelPainter::ButtonBorderSize(TcxButtonState AState) const {
  RECT content;
  if (HTHEME theme = Theme(totButton);
      theme && ContentRect(theme, nullptr, BP_PUSHBUTTON, PushButton(AState), hundred, content))
    return content.left;
  return TcxStandardLookAndFeelPainter::ButtonBorderSize(cxbsNormal);
}

TColor TcxWinXPLookAndFeelPainter::ButtonColor(TcxButtonState AState) const {
  // The face of a themed push button is its fill colour; a theme without one leaves the classic face.
  COLORREF color;
  if (HTHEME theme = Theme(totButton);
      theme && SUCCEEDED(ux::GetThemeColor(theme, BP_PUSHBUTTON, PushButton(AState), TMT_FILLCOLOR, color)))
    return TColor(color);
  return TcxCustomLookAndFeelPainter::ButtonColor(AState);
}

TRect TcxWinXPLookAndFeelPainter::ButtonFocusRect(TcxCanvas* ACanvas, const TRect& R) const {
  RECT content;
  if (HTHEME theme = Theme(totButton);
      theme && ContentRect(theme, ACanvas->Handle(), BP_PUSHBUTTON, 1, R, content))
    return content;
  return TcxCustomLookAndFeelPainter::ButtonFocusRect(ACanvas, R);
}

TRect TcxWinXPLookAndFeelPainter::ButtonGroupBorderSizes(int AButtonCount, int AButtonIndex) const {
  HTHEME theme = Theme(totButton);
  RECT content;
  HDC screen = GetDC(nullptr);
  bool measured = theme && ContentRect(theme, screen, BP_PUSHBUTTON, 1, hundred, content);
  ReleaseDC(nullptr, screen);
  if (!measured)
    return TcxStandardLookAndFeelPainter::ButtonGroupBorderSizes(AButtonCount, AButtonIndex);
  TRect margins{content.left, content.top, 100 - content.right, 100 - content.bottom};
  if (ux::IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, 1)) {
    ++margins.left;
    ++margins.top;
    ++margins.right;
    ++margins.bottom;
  }
  return margins;
}

TColor TcxWinXPLookAndFeelPainter::ButtonSymbolColor(TcxButtonState AState) const {
  COLORREF color;
  if (HTHEME theme = Theme(totButton);
      theme && SUCCEEDED(ux::GetThemeColor(theme, BP_PUSHBUTTON, PushButton(AState), TMT_TEXTCOLOR, color)))
    return TColor(color);
  return TcxCustomLookAndFeelPainter::ButtonSymbolColor(AState);
}

void TcxWinXPLookAndFeelPainter::DrawButton(TcxCanvas* ACanvas, const TRect& R, const String& ACaption,
                                            TcxButtonState AState, bool ADrawBorder, TColor AColor,
                                            TColor ATextColor) const {
  HTHEME theme = Theme(totButton);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawButton(ACanvas, R, ACaption, AState, ADrawBorder, AColor, ATextColor);
    return;
  }
  int state = PushButton(AState);
  DrawPart(ACanvas, theme, BP_PUSHBUTTON, state, R);
  if (ACaption.empty())
    return;
  WideString text = AnsiToWide(ACaption);
  ACanvas->Canvas()->RequiredState({csHandleValid, csFontValid});
  ux::DrawThemeText(theme, ACanvas->Handle(), BP_PUSHBUTTON, state, text.c_str(), int(text.size()),
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, R);
}

void TcxWinXPLookAndFeelPainter::DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                  TColor AColor) const {
  HTHEME theme = Theme(totTreeView);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawExpandButton(ACanvas, R, AExpanded, AColor);
    return;
  }
  DrawPart(ACanvas, theme, TVP_GLYPH, AExpanded ? 2 : 1, R);
  ACanvas->ExcludeClipRect(R);
}

void TcxWinXPLookAndFeelPainter::DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TcxButtonState AState) const {
  if (HTHEME theme = Theme(totExplorerBar))
    DrawPart(ACanvas, theme, AExpanded ? EBP_NORMALGROUPCOLLAPSE : EBP_NORMALGROUPEXPAND, GroupExpand(AState),
             R);
  else
    TcxStandardLookAndFeelPainter::DrawGroupExpandButton(ACanvas, R, AExpanded, AState);
}

void TcxWinXPLookAndFeelPainter::DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TColor ABorderColor, TColor AColor) const {
  if (Theme(totTreeView))
    DrawExpandButton(ACanvas, R, AExpanded, clDefault);
  else
    TcxCustomLookAndFeelPainter::DrawSmallExpandButton(ACanvas, R, AExpanded, ABorderColor, AColor);
}

int TcxWinXPLookAndFeelPainter::ExpandButtonSize() const {
  SIZE size;
  if (HTHEME theme = Theme(totTreeView); theme && TrueSize(theme, TVP_GLYPH, 2, size))
    return size.cx;
  return TcxStandardLookAndFeelPainter::ExpandButtonSize();
}

int TcxWinXPLookAndFeelPainter::GroupExpandButtonSize() const {
  SIZE size;
  if (HTHEME theme = Theme(totExplorerBar); theme && TrueSize(theme, EBP_NORMALGROUPEXPAND, 1, size))
    return size.cx;
  return TcxStandardLookAndFeelPainter::GroupExpandButtonSize();
}

bool TcxWinXPLookAndFeelPainter::IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const {
  HRGN region = nullptr;
  if (HTHEME theme = Theme(totExplorerBar);
      theme && SUCCEEDED(ux::GetThemeBackgroundRegion(theme, nullptr, EBP_NORMALGROUPEXPAND, 1, R, region)) &&
      region) {
    bool inside = PtInRegion(region, P.x, P.y);
    DeleteObject(region);
    return inside;
  }
  return TcxStandardLookAndFeelPainter::IsPointOverGroupExpandButton(R, P);
}

int TcxWinXPLookAndFeelPainter::SmallExpandButtonSize() const {
  return Theme(totTreeView) ? ExpandButtonSize() : TcxStandardLookAndFeelPainter::SmallExpandButtonSize();
}

int TcxWinXPLookAndFeelPainter::CheckBorderSize() const {
  return Theme(totButton) ? 0 : TcxStandardLookAndFeelPainter::CheckBorderSize();
}

void TcxWinXPLookAndFeelPainter::DrawCheck(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                           bool AChecked, TColor AColor) const {
  if (HTHEME theme = Theme(totButton))
    DrawPart(ACanvas, theme, BP_CHECKBOX, CheckBox(AState, AChecked), R);
  else
    TcxStandardLookAndFeelPainter::DrawCheck(ACanvas, R, AState, AChecked, AColor);
}

void TcxWinXPLookAndFeelPainter::DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R,
                                                 TcxButtonState AState) const {
  if (!Theme(totButton))
    TcxStandardLookAndFeelPainter::DrawCheckBorder(ACanvas, R, AState);
}

void TcxWinXPLookAndFeelPainter::DrawRadioButton(TcxCanvas* ACanvas, int X, int Y,
                                                 TcxButtonState AButtonState, bool AChecked, bool AFocused,
                                                 TColor ABrushColor, bool AIsDesigning) const {
  HTHEME theme = Theme(totButton);
  int state = RadioButton(AButtonState, AChecked);
  SIZE size;
  if (theme && TrueSize(theme, BP_RADIOBUTTON, state, size))
    DrawPart(ACanvas, theme, BP_RADIOBUTTON, state, Bounds(X, Y, size.cx, size.cy));
  else
    TcxStandardLookAndFeelPainter::DrawRadioButton(ACanvas, X, Y, AButtonState, AChecked, AFocused,
                                                   ABrushColor, AIsDesigning);
}

void TcxWinXPLookAndFeelPainter::DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                            const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                            TcxBorders ABorders, TcxButtonState AState,
                                            TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                            bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                            TFont* AFont, TColor ATextColor, TColor ABkColor,
                                            TcxDrawBackgroundEvent AOnDrawBackground, bool AIsLast) const {
  HTHEME theme = Theme(totHeader);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                              AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis,
                                              AText, AFont, ATextColor, ABkColor, AOnDrawBackground, AIsLast);
    return;
  }
  int state = HeaderItem(AState);
  int scheme = dxOffice11Scheme();
  int part = AIsLast && state == 1 && (scheme == 1 || scheme == 2) ? HP_HEADERITEMRIGHT : HP_HEADERITEM;
  DrawPart(ACanvas, theme, part, state, ABounds);
  TRect text = AState == cxbsPressed ? Shifted(ATextAreaBounds, 1, 1) : ATextAreaBounds;
  DrawContentText(ACanvas, theme, part, state, ABounds, text, AAlignmentHorz, AAlignmentVert, AMultiLine,
                  AShowEndEllipsis, AText, AFont, ATextColor, ABkColor);
}

void TcxWinXPLookAndFeelPainter::DrawHeaderPressed(TcxCanvas*, const TRect&) const {}

void TcxWinXPLookAndFeelPainter::DrawHeaderControlSection(
    TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
    TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
    bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
    TColor ABkColor) const {
  ACanvas->FillRect(ABounds, clBtnFace);
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr, false);
}

void TcxWinXPLookAndFeelPainter::DrawSortingMark(TcxCanvas* ACanvas, const TRect& R,
                                                 bool AAscendingSorting) const {
  DrawSortingMarkOutline(ACanvas, R, AAscendingSorting, SortingMarkSize(), clBtnShadow, clBtnShadow);
}

int TcxWinXPLookAndFeelPainter::HeaderBorderSize() const {
  RECT content;
  if (HTHEME theme = Theme(totHeader);
      theme && ContentRect(theme, nullptr, HP_HEADERITEM, 1, hundred, content))
    return (content.left + content.top) / 2;
  return TcxStandardLookAndFeelPainter::HeaderBorderSize();
}

TRect TcxWinXPLookAndFeelPainter::HeaderControlSectionContentBounds(const TRect& ABounds,
                                                                    TcxButtonState AState) const {
  if (Theme(totHeader))
    return Deflated(ABounds, HeaderBorderSize());
  return TcxStandardLookAndFeelPainter::HeaderControlSectionContentBounds(ABounds, AState);
}

void TcxWinXPLookAndFeelPainter::DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const {
  if (HTHEME theme = Theme(totEdit))
    ux::DrawThemeEdge(theme, ACanvas->Handle(), 0, 0, R, BDR_RAISEDINNER_EDGE, BF_RECT_SIDES, nullptr);
  else
    TcxStandardLookAndFeelPainter::DrawFooterBorder(ACanvas, R);
}

void TcxWinXPLookAndFeelPainter::DrawFooterCell(TcxCanvas* ACanvas, const TRect& ABounds,
                                                TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                                bool AMultiLine, const String& AText, TFont* AFont,
                                                TColor ATextColor, TColor ABkColor,
                                                TcxDrawBackgroundEvent AOnDrawBackground) const {
  HTHEME theme = Theme(totTrackBar);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawFooterCell(ACanvas, ABounds, AAlignmentHorz, AAlignmentVert,
                                                  AMultiLine, AText, AFont, ATextColor, ABkColor,
                                                  AOnDrawBackground);
    return;
  }
  DrawPart(ACanvas, theme, TKP_TRACK, 1, ABounds);
  DrawContentText(ACanvas, theme, TKP_TRACK, 1, ABounds, FooterCellTextAreaBounds(ABounds), AAlignmentHorz,
                  AAlignmentVert, AMultiLine, false, AText, AFont, ATextColor, ABkColor);
}

int TcxWinXPLookAndFeelPainter::FooterCellBorderSize() const {
  RECT content;
  if (HTHEME theme = Theme(totTrackBar); theme && ContentRect(theme, nullptr, TKP_TRACK, 1, hundred, content))
    return content.left;
  return TcxStandardLookAndFeelPainter::FooterCellBorderSize();
}

void TcxWinXPLookAndFeelPainter::DrawSmallCloseButton(TcxCanvas* ACanvas, const TRect& R,
                                                      TcxButtonState AState) const {
  if (HTHEME theme = Theme(totWindow))
    DrawPart(ACanvas, theme, WP_SMALLCLOSEBUTTON, SmallCloseButton(AState), R);
  else
    TcxStandardLookAndFeelPainter::DrawSmallCloseButton(ACanvas, R, AState);
}

void TcxWinXPLookAndFeelPainter::DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                    bool AIsBlueArrow) const {
  if (HTHEME theme = Theme(totComboBox))
    DrawPart(ACanvas, theme, CP_DROPDOWNBUTTON, ComboDropDown(AState), R);
  else
    TcxStandardLookAndFeelPainter::DrawDropDownButton(ACanvas, R, AState, AIsBlueArrow);
}

TPoint TcxWinXPLookAndFeelPainter::CheckButtonSize() const {
  SIZE size;
  if (HTHEME theme = Theme(totButton); theme && TrueSize(theme, BP_CHECKBOX, 5, size))
    return {size.cx, size.cy};
  return TcxStandardLookAndFeelPainter::CheckButtonSize();
}

TPoint TcxWinXPLookAndFeelPainter::SmallCloseButtonSize() const {
  SIZE size;
  if (HTHEME theme = Theme(totWindow); theme && TrueSize(theme, WP_SMALLCLOSEBUTTON, 1, size))
    return {size.cx + 4, size.cy + 4};
  return TcxStandardLookAndFeelPainter::SmallCloseButtonSize();
}

TPoint TcxWinXPLookAndFeelPainter::PinButtonSize() const {
  SIZE size;
  if (HTHEME theme = Theme(totExplorerBar); theme && TrueSize(theme, EBP_HEADERPIN, 1, size))
    return {size.cx, size.cy};
  return TcxStandardLookAndFeelPainter::PinButtonSize();
}

void TcxWinXPLookAndFeelPainter::DrawSmallPlusButton(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxButtonState AState) const {
  HTHEME theme = Theme(totButton);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawSmallPlusButton(ACanvas, R, AState);
    return;
  }
  DrawPart(ACanvas, theme, BP_PUSHBUTTON, PushButton(AState), R);
  TRect r = Deflated(R, 2);
  if (AState == cxbsDisabled)
    OffsetRect(&r, 1, 1);
  DrawPlusGlyph(ACanvas, r, AState);
}

void TcxWinXPLookAndFeelPainter::DrawPinButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                               bool APinned, TColor ABkColor) const {
  HTHEME theme = Theme(totExplorerBar);
  if (!theme || IsRectEmpty(&R)) {
    TcxStandardLookAndFeelPainter::DrawPinButton(ACanvas, R, AState, APinned, ABkColor);
    return;
  }
  std::unique_ptr<TBitmap, TObjectDeleter> bitmap(new TBitmap);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(RectWidth(R), RectHeight(R));
  TcxCanvas canvas(bitmap->Canvas());
  canvas.FillRect(Rect(0, 0, RectWidth(R), RectHeight(R)), ABkColor == clDefault ? clBtnFace : ABkColor);
  DrawPart(&canvas, theme, EBP_HEADERPIN, HeaderPin(AState), Rect(0, 0, RectWidth(R), RectHeight(R)));
  if (!APinned)
    canvas.RotateBitmap(bitmap.get(), raPlus90, false);
  ACanvas->Draw(R.left, R.top, bitmap.get());
}

void TcxWinXPLookAndFeelPainter::DrawTab(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                         const String& AText, TcxButtonState AState, bool AVertical,
                                         TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  HTHEME theme = Theme(totTab);
  if (!theme || IsRectEmpty(&R))
    return;
  int state = TabItem(AState);
  bool pressed = AState == cxbsPressed;
  std::unique_ptr<TBitmap, TObjectDeleter> bitmap;
  std::unique_ptr<TcxCanvas> bitmapCanvas;
  TcxCanvas* target = ACanvas;
  TRect r = R;
  if (AVertical) {
    // A vertical tab is drawn as a horizontal one in a bitmap that is then turned into place.
    bitmap.reset(new TBitmap);
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(RectHeight(R), RectWidth(R));
    bitmapCanvas = std::make_unique<TcxCanvas>(bitmap->Canvas());
    target = bitmapCanvas.get();
    r = Rect(0, 0, RectHeight(R), RectWidth(R));
  }
  TRect t = r;
  if (!ABorders.Contains(AVertical ? bTop : bLeft))
    t.left -= 2;
  if (!ABorders.Contains(AVertical ? bBottom : bRight))
    t.right += 2;
  if (pressed)
    ++t.bottom;
  else
    --r.bottom;
  DrawPart(target, theme, TABP_TABITEM, state, t, &r);
  if (AVertical) {
    target->RotateBitmap(bitmap.get(), raPlus90, true);
    r = Shifted(Swapped(r), R.left, R.top);
    t = Shifted(Swapped(t), R.left, R.top);
    ACanvas->Draw(R.left, R.top, bitmap.get());
  }
  if (pressed)
    (AVertical ? t.right : t.bottom) -= 2;
  DrawContentText(ACanvas, theme, TABP_TABITEM, state, r, t, taCenter, vaCenter, false, false, AText, AFont,
                  ATextColor, ABkColor);
}

void TcxWinXPLookAndFeelPainter::DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder,
                                               TcxBorders ABorders, bool AVertical) const {
  if (!Theme(totTab))
    TcxStandardLookAndFeelPainter::DrawTabBorder(ACanvas, R, ABorder, ABorders, AVertical);
}

void TcxWinXPLookAndFeelPainter::DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                              bool AVertical) const {
  HTHEME theme = Theme(totTab);
  RECT c;
  if (!theme || !ContentRect(theme, ACanvas->Handle(), TABP_PANE, 0, R, c)) {
    TcxStandardLookAndFeelPainter::DrawTabsRoot(ACanvas, R, ABorders, AVertical);
    return;
  }
  // Only the leading edges of the pane belong to the tab row; the rest is pushed out of the clip.
  TRect pane = R;
  if (AVertical) {
    pane.bottom += (R.bottom - c.bottom) - (c.top - R.top);
    pane.right += 10;
  } else {
    pane.right += (R.right - c.right) - (c.left - R.left);
    pane.bottom += 10;
  }
  DrawPart(ACanvas, theme, TABP_PANE, 0, pane, &R);
}

bool TcxWinXPLookAndFeelPainter::TabOption1() const {
  return Theme(totTab) ? true : TcxStandardLookAndFeelPainter::TabOption1();
}

bool TcxWinXPLookAndFeelPainter::TabOption2() const {
  return Theme(totTab) ? true : TcxStandardLookAndFeelPainter::TabOption2();
}

void TcxWinXPLookAndFeelPainter::DrawIndicatorItem(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind,
                                                   TColor ABkColor,
                                                   TcxDrawBackgroundEvent AOnDrawBackground) const {
  TcxFlatLookAndFeelPainter::Instance()->DrawIndicatorItem(ACanvas, R, AKind, ABkColor, AOnDrawBackground);
}

void TcxWinXPLookAndFeelPainter::DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                   TcxScrollBarPart APart, TcxButtonState AState) const {
  HTHEME theme = Theme(totScrollBar);
  if (!theme) {
    TcxStandardLookAndFeelPainter::DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
    return;
  }
  if (IsRectEmpty(&R))
    return;
  switch (APart) {
  case spFirstArrow:
  case spSecondArrow: {
    TcxArrowDirection direction =
        AHorizontal ? (APart == spFirstArrow ? adLeft : adRight) : (APart == spFirstArrow ? adUp : adDown);
    DrawArrowButton(ACanvas, R, AState, direction, true);
    break;
  }
  case spThumb:
    DrawPart(ACanvas, theme, AHorizontal ? SBP_THUMBBTNHORZ : SBP_THUMBBTNVERT, ScrollTrack(AState), R);
    DrawPart(ACanvas, theme, AHorizontal ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT, 0, R);
    break;
  case spFirstPage:
    DrawPart(ACanvas, theme, AHorizontal ? SBP_LOWERTRACKHORZ : SBP_LOWERTRACKVERT, ScrollTrack(AState), R);
    break;
  case spSecondPage:
    DrawPart(ACanvas, theme, AHorizontal ? SBP_UPPERTRACKHORZ : SBP_UPPERTRACKVERT, ScrollTrack(AState), R);
    break;
  case spNone:
    break;
  }
}

void TcxWinXPLookAndFeelPainter::DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                                 const String& AText, TcxNeighbors ANeighbors,
                                                 const TcxViewParams& AViewParams, TcxMonthArrows AArrows,
                                                 int ASideWidth,
                                                 TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ABounds, ANeighbors, cxBordersAll, cxbsNormal, taCenter, vaCenter, false,
             false, AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground,
             !ANeighbors.Contains(nRight));
  DrawMonthArrows(ACanvas, ABounds, BorderSize(), AArrows, ASideWidth, clWindowText);
}

void TcxWinXPLookAndFeelPainter::DrawSplitter(TcxCanvas* ACanvas, const TRect& R,
                                              const TcxViewParams& AViewParams, bool AIsHorizontal) const {
  HTHEME combo = Theme(totComboBox);
  if (!combo || !Theme(totListView)) {
    TcxStandardLookAndFeelPainter::DrawSplitter(ACanvas, R, AViewParams, AIsHorizontal);
    return;
  }
  COLORREF border = COLORREF(ColorToRGB(clBtnShadow));
  ux::GetThemeColor(combo, 1, 1, TMT_BORDERCOLOR, border);
  TRect r = R;
  if (AIsHorizontal) {
    ACanvas->FillRect(Rect(r.left, r.top, r.right, r.top + 1), TColor(border));
    ACanvas->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), TColor(border));
    InflateRect(&r, 1, -1);
  } else {
    ACanvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), TColor(border));
    ACanvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), TColor(border));
    InflateRect(&r, -1, 1);
  }
  ACanvas->FillRect(r, AViewParams.Color);
}

void TcxWinXPLookAndFeelPainter::DrawContentText(TcxCanvas* ACanvas, HTHEME ATheme, int APartId, int AStateId,
                                                 const TRect&, const TRect& ATextRect,
                                                 TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                                 bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                 TFont* AFont, TColor ATextColor, TColor) const {
  if (AText.empty())
    return;
  static constexpr DWORD horz[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  static constexpr DWORD vert[] = {DT_TOP, DT_BOTTOM, DT_VCENTER};
  if (AFont)
    ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  DWORD flags = DT_NOPREFIX | DT_EDITCONTROL | horz[AAlignmentHorz] | vert[AAlignmentVert] |
                (AMultiLine ? DT_WORDBREAK : DT_SINGLELINE) | (AShowEndEllipsis ? DT_END_ELLIPSIS : 0);
  WideString text = AnsiToWide(AText);
  ACanvas->Canvas()->RequiredState({csHandleValid, csFontValid});
  ux::DrawThemeText(ATheme, ACanvas->Handle(), APartId, AStateId, text.c_str(), int(text.size()), flags, 0,
                    ATextRect);
}
