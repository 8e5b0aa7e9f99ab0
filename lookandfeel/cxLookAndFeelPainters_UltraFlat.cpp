#include <algorithm>

#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeelPainters_Geometry_p.h"
#include "lookandfeel/cxPainterResources.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"

using namespace cxPainterUtils;

namespace {

TcxArrowDirection ScrollArrowDirection(bool AHorizontal, TcxScrollBarPart APart) {
  if (AHorizontal)
    return APart == spFirstArrow ? adLeft : adRight;
  return APart == spFirstArrow ? adUp : adDown;
}

TColor Scheme(int AIndex) {
  return dxOffice11SchemeColor(AIndex);
}

} // namespace

void TcxUltraFlatLookAndFeelPainter::DrawBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, clBtnShadow);
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonColor(TcxButtonState AState) const {
  switch (AState) {
  case cxbsHot:
    return LightSelectionColor();
  case cxbsPressed:
    return LightFaceColor();
  default:
    return clBtnFace;
  }
}

TRect TcxUltraFlatLookAndFeelPainter::ButtonFocusRect(TcxCanvas*, const TRect& R) const {
  TRect r = Deflated(R, 3);
  return IsRectEmpty(&r) ? R : r;
}

TRect TcxUltraFlatLookAndFeelPainter::ButtonGroupBorderSizes(int AButtonCount, int AButtonIndex) const {
  TRect margins{1, 2, 1, 2};
  if (AButtonIndex == 0)
    margins.left = 2;
  else if (AButtonIndex == AButtonCount - 1)
    margins.right = 2;
  return margins;
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonSymbolColor(TcxButtonState AState) const {
  switch (AState) {
  case cxbsPressed:
    return clHighlightText;
  case cxbsDisabled:
    return clBtnShadow;
  default:
    return clBtnText;
  }
}

void TcxUltraFlatLookAndFeelPainter::DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R,
                                                      TcxButtonState AState) const {
  switch (AState) {
  case cxbsDefault:
    ACanvas->FrameRect(R, clWindowFrame);
    ACanvas->FrameRect(Deflated(R, 1), clWindowFrame);
    break;
  case cxbsNormal:
    ACanvas->FrameRect(R, clBtnText);
    break;
  case cxbsDisabled:
    ACanvas->FrameRect(R, clBtnShadow);
    break;
  default:
    ACanvas->FrameRect(R, clHighlight);
    break;
  }
}

void TcxUltraFlatLookAndFeelPainter::DrawButtonInGroup(TcxCanvas* ACanvas, const TRect& R,
                                                       TcxButtonState AState, int AButtonCount,
                                                       int AButtonIndex, TColor ABackgroundColor) const {
  bool first = AButtonIndex == 0, last = AButtonIndex == AButtonCount - 1;
  TRect r = R;
  InflateRect(&r, 0, -1);
  if (first)
    ++r.left;
  if (last)
    --r.right;
  if (AState == cxbsNormal || AState == cxbsDisabled) {
    ACanvas->FrameRect(r, ABackgroundColor);
    ACanvas->FillRect(Deflated(r, 1), ButtonColor(AState));
    return;
  }
  if (!first) {
    ACanvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), ButtonHotBorderColor());
    ++r.left;
  }
  if (!last) {
    ACanvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), ButtonHotBorderColor());
    --r.right;
  }
  ACanvas->FillRect(r, ButtonColor(AState));
}

void TcxUltraFlatLookAndFeelPainter::DrawButtonFrame(TcxCanvas* ACanvas, const TRect& R, bool ASelected,
                                                     bool AHot) const {
  ACanvas->FrameRect(R, ASelected ? clBtnText : AHot ? ButtonHotBorderColor() : clBtnShadow);
}

void TcxUltraFlatLookAndFeelPainter::DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                      TColor AColor) const {
  ACanvas->FrameRect(R, clBtnShadow);
  ACanvas->FillRect(Deflated(R, 1), AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, R, AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TcxUltraFlatLookAndFeelPainter::DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxButtonState AState) const {
  ACanvas->FrameRect(R, clBtnText);
  ACanvas->FrameRect(Deflated(R, 1), CheckButtonColor(AState));
}

TcxBorders TcxUltraFlatLookAndFeelPainter::HeaderBorders(TcxNeighbors ANeighbors) const {
  TcxBorders borders = cxBordersAll;
  if (ANeighbors.Contains(nLeft))
    borders.Exclude(bLeft);
  if (ANeighbors.Contains(nTop))
    borders.Exclude(bTop);
  return borders;
}

void TcxUltraFlatLookAndFeelPainter::DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors,
                                                      TcxBorders ABorders) const {
  TcxBorders sides{bRight, bBottom};
  if (ABorders.Contains(bLeft))
    sides.Include(bLeft);
  if (ABorders.Contains(bTop))
    sides.Include(bTop);
  ACanvas->FrameRect(R, clBtnText, 1, sides);
}

void TcxUltraFlatLookAndFeelPainter::DrawHeaderEx(TcxCanvas* ACanvas, const TRect& ABounds,
                                                  const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                                  TcxBorders ABorders, TcxButtonState AState,
                                                  TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                                  bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                  TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawContent(ACanvas, ABounds, Deflated(ATextAreaBounds, 1), int(AState), AAlignmentHorz, AAlignmentVert,
              AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false);
  DrawHeaderBorder(ACanvas, Deflated(ABounds, 1), ANeighbors, ABorders);
}

void TcxUltraFlatLookAndFeelPainter::DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R,
                                                                    TcxBorders ABorders,
                                                                    TcxButtonState AState) const {
  ACanvas->FrameRect(R, AState == cxbsDisabled ? clBtnShadow : clBlack, 1, ABorders);
}

void TcxUltraFlatLookAndFeelPainter::DrawHeaderControlSectionContent(
    TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TcxButtonState AState,
    TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
    const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  bool plain = AState == cxbsDefault || AState == cxbsNormal;
  ACanvas->FillRect(ABounds, plain ? ABkColor : ButtonColor(AState));
  DrawHeaderControlSectionText(ACanvas, HeaderControlSectionTextAreaBounds(ATextAreaBounds, AState), AState,
                               AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                               ATextColor);
}

void TcxUltraFlatLookAndFeelPainter::DrawSortingMark(TcxCanvas* ACanvas, const TRect& R,
                                                     bool AAscendingSorting) const {
  DrawSortingMarkOutline(ACanvas, R, AAscendingSorting, SortingMarkSize(), clBtnShadow, clBtnShadow);
}

void TcxUltraFlatLookAndFeelPainter::DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, FooterSeparatorColor(), 1, {bRight, bBottom});
}

void TcxUltraFlatLookAndFeelPainter::DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, FooterSeparatorColor());
}

void TcxUltraFlatLookAndFeelPainter::DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R,
                                                        TcxButtonState AState, bool AIsBlueArrow) const {
  ACanvas->FrameRect(R, DropDownButtonBorderColor(AState));
  TRect r = Deflated(R, 1);
  ACanvas->FillRect(r, ButtonColor(AState));
  DrawDropDownArrow(ACanvas, r, AIsBlueArrow ? clBlue : ButtonSymbolColor(AState));
}

void TcxUltraFlatLookAndFeelPainter::DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder,
                                                   TcxBorders, bool AVertical) const {
  TRect line = R;
  switch (ABorder) {
  case bLeft:
    line.right = line.left + TabBorderSize();
    break;
  case bRight:
    line.left = line.right - TabBorderSize();
    break;
  case bTop:
    line.bottom = line.top + TabBorderSize();
    break;
  case bBottom:
    line.top = line.bottom - TabBorderSize();
    break;
  }
  bool dark = AVertical ? ABorder == bBottom : ABorder == bRight;
  if (!AVertical && ABorder == bRight)
    line.bottom -= TabBorderSize();
  ACanvas->FillRect(line, dark ? TabBorderDarkColor() : TabBorderHighlightColor());
}

void TcxUltraFlatLookAndFeelPainter::DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                                  bool) const {
  ACanvas->DrawComplexFrame(R, TabBorderHighlightColor(), TabBorderHighlightColor(), ABorders,
                            TabBorderSize());
}

void TcxUltraFlatLookAndFeelPainter::DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                       TcxScrollBarPart APart, TcxButtonState AState) const {
  if (IsRectEmpty(&R) || APart == spNone || (APart == spThumb && AState == cxbsDisabled))
    return;
  if (APart == spFirstPage || APart == spSecondPage) {
    ACanvas->Brush()->SetBitmap(cxCheckerBrushBitmap(AState == cxbsPressed ? 1 : 0));
    ACanvas->FillRect(R);
    ACanvas->Brush()->SetBitmap(nullptr);
    ACanvas->Brush()->SetStyle(bsSolid);
    return;
  }
  DrawButton(ACanvas, R, "", AState);
  if (APart != spThumb)
    DrawButtonArrow(ACanvas, R, AState, ScrollArrowDirection(AHorizontal, APart));
}

void TcxUltraFlatLookAndFeelPainter::DrawSplitter(TcxCanvas* ACanvas, const TRect& R,
                                                  const TcxViewParams& AViewParams,
                                                  bool AIsHorizontal) const {
  TRect r = R;
  if (AIsHorizontal) {
    ACanvas->FillRect(Rect(r.left, r.top, r.right, r.top + 1), DefaultBorderColor());
    ACanvas->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), DefaultBorderColor());
    InflateRect(&r, 1, -1);
  } else {
    ACanvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), DefaultBorderColor());
    ACanvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), DefaultBorderColor());
    InflateRect(&r, -1, 1);
  }
  ACanvas->FillRect(r, AViewParams.Color);
}

TColor TcxUltraFlatLookAndFeelPainter::DropDownButtonBorderColor(TcxButtonState AState) const {
  return AState == cxbsNormal ? clBtnShadow : clHighlight;
}

void TcxOffice11LookAndFeelPainter::DrawContent(TcxCanvas* ACanvas, const TRect& ABounds,
                                                const TRect& ATextAreaBounds, int AState,
                                                TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                                bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor,
                                                TcxDrawBackgroundEvent AOnDrawBackground,
                                                bool AIsFooter) const {
  if (IsRectEmpty(&ABounds))
    return;
  bool hot = AState == cxbsHot;
  HDC dc = ACanvas->Handle();
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, ABounds))) {
    TColor top = hot ? Scheme(0) : GradientEndColor();
    TColor bottom = hot ? Scheme(0) : GradientBeginColor();
    if (AIsFooter) {
      FillSolidRect(dc, ABounds, top);
    } else {
      FillSolidRect(dc, Rect(ABounds.left, ABounds.top, ABounds.right, ABounds.bottom - 3), top);
      // Content lower than the gradient strip keeps the strip inside it instead of painting above.
      FillGradientRect(
          dc, Rect(ABounds.left, std::max(ABounds.top, ABounds.bottom - 4), ABounds.right, ABounds.bottom),
          top, bottom, false);
    }
  }
  DrawContentTextOnly(ACanvas, ATextAreaBounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis,
                      AText, AFont, ATextColor);
  if (hot)
    FillGradientRect(dc, Rect(ABounds.left - 1, ABounds.bottom - 2, ABounds.right, ABounds.bottom + 1),
                     Scheme(22), Scheme(23), false);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnShadowColor1() const {
  return dxOffice11Colors().ShadowMixes[0];
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnShadowColor2() const {
  return Scheme(16);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnShadowColor4() const {
  return dxOffice11Colors().ShadowMixes[0];
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnHighlightColor1() const {
  return dxOffice11Colors().White;
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnFaceColor2() const {
  return Scheme(32);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnFaceColor3() const {
  return Scheme(0);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnFaceColor7() const {
  return Scheme(2);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnFaceColor8() const {
  return Scheme(34);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBtnFaceColor10() const {
  return Scheme(3);
}

TColor TcxOffice11LookAndFeelPainter::DefaultHeaderColor() const {
  return Scheme(2);
}

TColor TcxOffice11LookAndFeelPainter::DefaultSelectionColor() const {
  return Scheme(33);
}

TColor TcxOffice11LookAndFeelPainter::DefaultBorderColor() const {
  return Scheme(35);
}

void TcxOffice11LookAndFeelPainter::DrawBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, Scheme(18));
}

TColor TcxOffice11LookAndFeelPainter::ButtonColor(TcxButtonState AState) const {
  switch (AState) {
  case cxbsHot:
    return Scheme(22);
  case cxbsPressed:
    return Scheme(24);
  case cxbsDisabled:
    return Scheme(2);
  default:
    return clBtnFace;
  }
}

TColor TcxOffice11LookAndFeelPainter::ButtonSymbolColor(TcxButtonState AState) const {
  if (AState == cxbsPressed && !IsOffice11Themed())
    return clHighlightText;
  return AState == cxbsDisabled ? Scheme(31) : Scheme(30);
}

void TcxOffice11LookAndFeelPainter::DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxButtonState AState) const {
  switch (AState) {
  case cxbsDefault:
    TcxUltraFlatLookAndFeelPainter::DrawButtonBorder(ACanvas, R, AState);
    break;
  case cxbsNormal:
    ACanvas->FrameRect(R, clBtnText);
    break;
  case cxbsDisabled:
    ACanvas->FrameRect(R, Scheme(31));
    break;
  default:
    ACanvas->FrameRect(R, Scheme(21));
    break;
  }
}

void TcxOffice11LookAndFeelPainter::DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                     TColor AColor) const {
  if (IsRectEmpty(&R))
    return;
  TBitmap* bitmap = dxOffice11ExpandButtonBitmap(AExpanded);
  if (!bitmap || bitmap->Empty()) {
    // The scheme's images exist only while someone holds the Office colours.
    TcxUltraFlatLookAndFeelPainter::DrawExpandButton(ACanvas, R, AExpanded, AColor);
    return;
  }
  // The corners are blended with what lies under them, so the shared image is rewritten for every call.
  TCanvas* canvas = ACanvas->Canvas();
  TCanvas* image = bitmap->Canvas();
  int w = bitmap->Width() - 1, h = bitmap->Height() - 1;
  image->SetPixels(0, 0, BlendColors(dxOffice11FixedColor1, canvas->Pixels(R.left, R.top), 25));
  TColor dark = BlendColors(dxOffice11FixedColor2, canvas->Pixels(R.right - 1, R.bottom - 1), 25);
  image->SetPixels(w, h, dark);
  image->SetPixels(w, 0, dark);
  image->SetPixels(0, h, dark);
  DrawClipped(ACanvas, R, bitmap, R.left, R.top);
}

void TcxOffice11LookAndFeelPainter::DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                          TColor, TColor AColor) const {
  DrawExpandButton(ACanvas, R, AExpanded, AColor);
}

TColor TcxOffice11LookAndFeelPainter::CheckButtonColor(TcxButtonState AState) const {
  if (AState == cxbsHot || AState == cxbsPressed || AState == cxbsDisabled)
    return ButtonColor(AState);
  return TcxUltraFlatLookAndFeelPainter::CheckButtonColor(AState);
}

void TcxOffice11LookAndFeelPainter::DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                               const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                               TcxBorders ABorders, TcxButtonState AState,
                                               TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor,
                                               TcxDrawBackgroundEvent, bool AIsLast) const {
  TcxUltraFlatLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                             AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis,
                                             AText, AFont, ATextColor, ABkColor, nullptr, AIsLast);
}

void TcxOffice11LookAndFeelPainter::DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxNeighbors ANeighbors, TcxBorders ABorders) const {
  if (IsRectEmpty(&R))
    return;
  TColor e = GradientEndColor(), b = GradientBeginColor(), d = DarkBorderColor(), l = LightBorderColor();
  auto column = [&](int x, int top, int bottom, TColor color) {
    ACanvas->FillRect(Rect(x, top, x + 1, bottom), color);
  };
  if (ABorders.Contains(bTop))
    ACanvas->FillRect(Rect(R.left, R.top, R.right, R.top + 1), e);
  if (ABorders.Contains(bBottom))
    ACanvas->FillRect(Rect(R.left, R.bottom - 1, R.right, R.bottom), d);
  // Columns go first so that the corner pixels set after them keep their soft colours.
  if (ABorders.Contains(bLeft)) {
    if (ANeighbors.Contains(nLeft)) {
      column(R.left, R.top + 2, R.bottom - 3, l);
      ACanvas->SetPixel(R.left, R.top + 2, e);
      ACanvas->SetPixel(R.left, R.bottom - 3, BlendColors(e, b, 25));
    } else {
      column(R.left, R.top + 1, R.bottom - 2, l);
    }
    ACanvas->SetPixel(R.left, R.top + 1, e);
    ACanvas->SetPixel(R.left, R.bottom - 2, b);
  }
  if (ABorders.Contains(bRight)) {
    int x = R.right - 1;
    if (ANeighbors.Contains(nRight)) {
      column(x, R.top + 2, R.bottom - 3, d);
      ACanvas->SetPixel(x, R.top + 1, e);
      ACanvas->SetPixel(x, R.top + 2, e);
      ACanvas->SetPixel(x, R.bottom - 3, BlendColors(e, b, 25));
      ACanvas->SetPixel(x, R.bottom - 2, b);
    } else {
      column(x, R.top + 1, R.bottom - 2, d);
      ACanvas->SetPixel(x, R.top, BlendColors(e, d, 50));
      ACanvas->SetPixel(x, R.bottom - 2, BlendColors(b, d, 50));
    }
  }
}

void TcxOffice11LookAndFeelPainter::DrawHeaderControlSection(
    TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
    TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
    bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
    TColor ABkColor) const {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr, false);
  if (AState == cxbsPressed)
    DrawHeaderPressed(ACanvas, ABounds);
}

void TcxOffice11LookAndFeelPainter::DrawSortingMark(TcxCanvas* ACanvas, const TRect& R,
                                                    bool AAscendingSorting) const {
  DrawSortingMarkOutline(ACanvas, R, AAscendingSorting, SortingMarkSize(), LightBorderColor(),
                         DarkBorderColor());
}

void TcxOffice11LookAndFeelPainter::DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R,
                                                       TcxButtonState AState, bool AIsBlueArrow) const {
  TcxUltraFlatLookAndFeelPainter::DrawDropDownButton(ACanvas, R, AState, AIsBlueArrow);
}

void TcxOffice11LookAndFeelPainter::DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                      TcxScrollBarPart APart, TcxButtonState AState) const {
  if (AreVisualStylesAvailable(totScrollBar))
    TcxWinXPLookAndFeelPainter::Instance()->DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
  else
    TcxStandardLookAndFeelPainter::Instance()->DrawScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
}

void TcxOffice11LookAndFeelPainter::DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                                    const String& AText, TcxNeighbors,
                                                    const TcxViewParams& AViewParams, TcxMonthArrows AArrows,
                                                    int ASideWidth,
                                                    TcxDrawBackgroundEvent AOnDrawBackground) const {
  TRect r = Deflated(ABounds, 1);
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, r)))
    ACanvas->FillRect(r, AViewParams.Color);
  DrawContentTextOnly(ACanvas, r, taCenter, vaCenter, false, false, AText, AViewParams.Font,
                      AViewParams.TextColor);
  DrawMonthArrows(ACanvas, ABounds, BorderSize(), AArrows, ASideWidth, clWindowText);
}

void TcxOffice11LookAndFeelPainter::DrawContainerBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FrameRect(R, DefaultBorderColor());
}

TColor TcxOffice11LookAndFeelPainter::DropDownButtonBorderColor(TcxButtonState AState) const {
  return AState == cxbsNormal ? DarkBorderColor() : Scheme(21);
}

TColor TcxOffice11LookAndFeelPainter::ButtonHotBorderColor() const {
  return Scheme(21);
}

TColor TcxOffice11LookAndFeelPainter::GradientBeginColor() const {
  return Scheme(1);
}

TColor TcxOffice11LookAndFeelPainter::DarkBorderColor() const {
  return Scheme(14);
}

TColor TcxOffice11LookAndFeelPainter::LightBorderColor() const {
  return Scheme(15);
}

TColor TcxOffice11LookAndFeelPainter::GradientEndColor() const {
  return BlendColors(Scheme(0), Scheme(1), 50);
}
