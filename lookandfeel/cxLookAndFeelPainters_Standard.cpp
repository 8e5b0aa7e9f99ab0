#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeelPainters_Geometry_p.h"
#include "lookandfeel/cxPainterResources.h"
#include "platform/gdi/Gdi.h"

using namespace cxPainterUtils;

namespace {

TcxArrowDirection ScrollArrowDirection(bool AHorizontal, TcxScrollBarPart APart) {
  if (AHorizontal)
    return APart == spFirstArrow ? adLeft : adRight;
  return APart == spFirstArrow ? adUp : adDown;
}

void FillScrollPage(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) {
  ACanvas->Brush()->SetBitmap(cxCheckerBrushBitmap(AState == cxbsPressed ? 1 : 0));
  ACanvas->FillRect(R);
  ACanvas->Brush()->SetBitmap(nullptr);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void DrawClassicHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors) {
  if (IsRectEmpty(&R))
    return;
  ACanvas->DrawEdge(R, false, false);
  // Where two headers meet the bevel corners are softened so that the row reads as one strip.
  if (ANeighbors.Contains(nLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.left, R.bottom - 2, clBtnFace);
  }
  if (ANeighbors.Contains(nRight)) {
    ACanvas->SetPixel(R.right - 1, R.top, clBtnHighlight);
    ACanvas->SetPixel(R.right - 1, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.right - 1, R.bottom - 2, clBtnFace);
  }
}

void DrawClassicDropDownButton(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas,
                               const TRect& R, TcxButtonState AState, bool AIsBlueArrow) {
  ACanvas->DrawEdge(R, AState == cxbsPressed, AState == cxbsPressed);
  TRect r = Deflated(R, 1);
  ACanvas->FillRect(r, clBtnFace);
  APainter->DrawDropDownArrow(ACanvas, r, AIsBlueArrow ? clBlue : clBtnText);
}

void DrawClassicPlusGlyph(const TcxCustomLookAndFeelPainter* APainter, TcxCanvas* ACanvas, const TRect& R,
                          TcxButtonState AState) {
  TRect r = R;
  --r.right;
  --r.bottom;
  if (AState == cxbsPressed)
    OffsetRect(&r, 1, 1);
  APainter->TcxCustomLookAndFeelPainter::DrawPlusGlyph(ACanvas, r, AState);
}

// The line of one side of a tab, shortened where the next side turns, with a light pixel cut into the corner
// so that the tab looks rounded.
void DrawClassicTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder, TcxBorders ABorders,
                          bool AVertical, int AWidth, TColor ADarkColor, TColor ALightColor) {
  bool dark = AVertical ? ABorder == bBottom : ABorder == bRight;
  TRect line = R;
  switch (ABorder) {
  case bLeft:
    line.right = line.left + AWidth;
    break;
  case bRight:
    line.left = line.right - AWidth;
    break;
  case bTop:
    line.bottom = line.top + AWidth;
    break;
  case bBottom:
    line.top = line.bottom - AWidth;
    break;
  }
  bool verticalLine = ABorder == bLeft || ABorder == bRight;
  TcxBorder startSide = verticalLine ? bTop : bLeft;
  TcxBorder endSide = verticalLine ? bBottom : bRight;
  if (ABorders.Contains(startSide)) {
    (verticalLine ? line.top : line.left) += 2;
    if (!dark)
      ACanvas->SetPixel(verticalLine ? line.left + (ABorder == bLeft ? 1 : -1) : line.left - 1,
                        verticalLine ? line.top - 1 : line.top + (ABorder == bTop ? 1 : -1), ALightColor);
  }
  if (ABorders.Contains(endSide))
    (verticalLine ? line.bottom : line.right) -= dark ? 1 : 2;
  ACanvas->FillRect(line, dark ? ADarkColor : ALightColor);
}

} // namespace

void TcxStandardLookAndFeelPainter::DrawBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true);
  ACanvas->DrawEdge(Deflated(R, 1), true, false);
}

void TcxStandardLookAndFeelPainter::DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxButtonState AState) const {
  TRect r = R;
  if (AState == cxbsPressed || AState == cxbsDefault) {
    ACanvas->FrameRect(r, clBlack);
    r = Deflated(r, 1);
  }
  if (AState == cxbsPressed) {
    ACanvas->FrameRect(r, clBtnShadow);
    return;
  }
  ACanvas->DrawComplexFrame(r, clBtnHighlight, cl3DDkShadow);
  ACanvas->DrawComplexFrame(Deflated(r, 1), cl3DLight, clBtnShadow);
}

void TcxStandardLookAndFeelPainter::DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                     TColor AColor) const {
  ACanvas->DrawEdge(R, false, false, {bLeft, bTop});
  ACanvas->DrawEdge(R, false, true, {bRight, bBottom});
  TRect r = Deflated(R, 1);
  ACanvas->DrawEdge(r, false, false, {bRight, bBottom});
  r.right -= 1;
  r.bottom -= 1;
  ACanvas->FillRect(r, AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, r, AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TcxStandardLookAndFeelPainter::DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                          TcxButtonState AState) const {
  TcxFlatLookAndFeelPainter::Instance()->DrawGroupExpandButton(ACanvas, R, AExpanded, AState);
}

void TcxStandardLookAndFeelPainter::DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R,
                                                    TcxButtonState) const {
  ACanvas->DrawEdge(R, true, false);
  ACanvas->DrawEdge(Deflated(R, 1), true, true);
}

void TcxStandardLookAndFeelPainter::DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxNeighbors ANeighbors, TcxBorders) const {
  DrawClassicHeaderBorder(ACanvas, R, ANeighbors);
}

void TcxStandardLookAndFeelPainter::DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R,
                                                                   TcxBorders ABorders,
                                                                   TcxButtonState AState) const {
  if (AState == cxbsPressed) {
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnShadow, ABorders);
    return;
  }
  ACanvas->DrawComplexFrame(R, clBtnHighlight, cl3DDkShadow, ABorders);
  ACanvas->DrawComplexFrame(DeflatedOn(R, 1, ABorders), cl3DLight, clBtnShadow, ABorders);
}

void TcxStandardLookAndFeelPainter::DrawSortingMark(TcxCanvas* ACanvas, const TRect& R,
                                                    bool AAscendingSorting) const {
  DrawSortingMarkOutline(ACanvas, R, AAscendingSorting, SortingMarkSize(), clBtnHighlight, clBtnShadow);
}

void TcxStandardLookAndFeelPainter::DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, false, false);
}

void TcxStandardLookAndFeelPainter::DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true);
}

void TcxStandardLookAndFeelPainter::DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R,
                                                       TcxButtonState AState, bool AIsBlueArrow) const {
  DrawClassicDropDownButton(this, ACanvas, R, AState, AIsBlueArrow);
}

void TcxStandardLookAndFeelPainter::DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R,
                                                  TcxButtonState AState) const {
  DrawClassicPlusGlyph(this, ACanvas, R, AState);
}

void TcxStandardLookAndFeelPainter::DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder,
                                                  TcxBorders ABorders, bool AVertical) const {
  DrawClassicTabBorder(ACanvas, R, ABorder, ABorders, AVertical, TabBorderSize(), clBtnShadow,
                       clBtnHighlight);
}

void TcxStandardLookAndFeelPainter::DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                                 bool) const {
  ACanvas->DrawEdge(R, false, false, ABorders);
}

void TcxStandardLookAndFeelPainter::DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                      TcxScrollBarPart APart, TcxButtonState AState) const {
  if (IsRectEmpty(&R) || APart == spNone || (APart == spThumb && AState == cxbsDisabled))
    return;
  if (AState == cxbsHot)
    AState = cxbsNormal;
  bool pressed = AState == cxbsPressed;
  auto bevel = [&](bool APressed) {
    if (APressed) {
      ACanvas->FrameRect(R, clBtnShadow);
      ACanvas->FrameRect(Deflated(R, 1), clBtnFace);
    } else {
      ACanvas->DrawComplexFrame(R, clBtnFace, cl3DDkShadow);
      ACanvas->DrawComplexFrame(Deflated(R, 1), clBtnHighlight, clBtnShadow);
    }
  };
  switch (APart) {
  case spFirstArrow:
  case spSecondArrow: {
    static constexpr UINT styles[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
    TRect r = pressed ? Shifted(R, 1, 1) : R;
    UINT state =
        styles[ScrollArrowDirection(AHorizontal, APart)] | (AState == cxbsDisabled ? DFCS_INACTIVE : 0);
    ACanvas->Canvas()->RequiredState({csHandleValid, csPenValid, csBrushValid});
    // The sunken arrow moves a pixel right and down; the part of it that would leave R is cut off.
    const int saved = SaveDC(ACanvas->Handle());
    ACanvas->IntersectClipRect(R);
    DrawFrameControl(ACanvas->Handle(), &r, DFC_SCROLL, state);
    RestoreDC(ACanvas->Handle(), saved);
    bevel(pressed);
    break;
  }
  case spThumb:
    // A thumb being dragged keeps its raised look; only the arrows sink.
    bevel(false);
    ACanvas->FillRect(Deflated(R, ButtonBorderSize(cxbsNormal)), clBtnFace);
    break;
  default:
    FillScrollPage(ACanvas, R, AState);
    break;
  }
}

void TcxStandardLookAndFeelPainter::DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                                    const String& AText, TcxNeighbors ANeighbors,
                                                    const TcxViewParams& AViewParams, TcxMonthArrows AArrows,
                                                    int ASideWidth,
                                                    TcxDrawBackgroundEvent AOnDrawBackground) const {
  bool left = ANeighbors.Contains(nLeft), right = ANeighbors.Contains(nRight);
  TcxBorders borders{bTop, bBottom};
  if (!left)
    borders.Include(bLeft);
  if (!right)
    borders.Include(bRight);
  ACanvas->FrameRect(ABounds, clBlack, 1, borders);
  TRect content = HeaderContentBounds(ABounds, borders);
  DrawHeader(ACanvas, content, content, ANeighbors, cxBordersAll, cxbsNormal, taCenter, vaCenter, false,
             false, AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color, AOnDrawBackground);
  DrawMonthArrows(ACanvas, ABounds, BorderSize(), AArrows, ASideWidth, clWindowText);
}

void TcxStandardLookAndFeelPainter::DrawSplitter(TcxCanvas* ACanvas, const TRect& R,
                                                 const TcxViewParams& AViewParams, bool AIsHorizontal) const {
  TRect r = R;
  auto edges = [&](TColor first, TColor last) {
    if (AIsHorizontal) {
      ACanvas->FillRect(Rect(r.left, r.top, r.right, r.top + 1), first);
      ACanvas->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), last);
      InflateRect(&r, 1, -1);
    } else {
      ACanvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), first);
      ACanvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), last);
      InflateRect(&r, -1, 1);
    }
  };
  edges(clBtnFace, cl3DDkShadow);
  edges(clBtnHighlight, clBtnShadow);
  ACanvas->FillRect(r, AViewParams.Color);
}

void TcxFlatLookAndFeelPainter::DrawBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true);
}

void TcxFlatLookAndFeelPainter::DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R,
                                                 TcxButtonState AState) const {
  switch (AState) {
  case cxbsPressed:
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight);
    break;
  case cxbsDefault:
    ACanvas->FrameRect(R, clBlack);
    ACanvas->DrawComplexFrame(Deflated(R, 1), clBtnHighlight, clBtnShadow);
    break;
  default:
    ACanvas->DrawComplexFrame(R, clBtnHighlight, clBtnShadow);
    break;
  }
}

void TcxFlatLookAndFeelPainter::DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                 TColor AColor) const {
  DrawButton(ACanvas, R, "", cxbsNormal, true, AColor, clDefault);
  DrawExpandSign(ACanvas, Deflated(R, 1), AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TcxFlatLookAndFeelPainter::DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R,
                                                TcxButtonState AState) const {
  ACanvas->DrawEdge(R, true, true);
  ACanvas->FrameRect(Deflated(R, 1), CheckButtonColor(AState));
}

void TcxFlatLookAndFeelPainter::DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors,
                                                 TcxBorders) const {
  DrawClassicHeaderBorder(ACanvas, R, ANeighbors);
}

void TcxFlatLookAndFeelPainter::DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R,
                                                               TcxBorders ABorders,
                                                               TcxButtonState AState) const {
  if (AState == cxbsPressed)
    ACanvas->DrawComplexFrame(R, clBtnShadow, clBtnHighlight, ABorders);
  else
    ACanvas->DrawComplexFrame(R, clBtnHighlight, clBtnShadow, ABorders);
}

void TcxFlatLookAndFeelPainter::DrawSortingMark(TcxCanvas* ACanvas, const TRect& R,
                                                bool AAscendingSorting) const {
  DrawSortingMarkOutline(ACanvas, R, AAscendingSorting, SortingMarkSize(), clBtnHighlight, clBtnShadow);
}

void TcxFlatLookAndFeelPainter::DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, false, false);
}

void TcxFlatLookAndFeelPainter::DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->DrawEdge(R, true, true);
}

void TcxFlatLookAndFeelPainter::DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                   bool AIsBlueArrow) const {
  DrawClassicDropDownButton(this, ACanvas, R, AState, AIsBlueArrow);
}

void TcxFlatLookAndFeelPainter::DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R,
                                              TcxButtonState AState) const {
  DrawClassicPlusGlyph(this, ACanvas, R, AState);
}

void TcxFlatLookAndFeelPainter::DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder,
                                              TcxBorders ABorders, bool AVertical) const {
  DrawClassicTabBorder(ACanvas, R, ABorder, ABorders, AVertical, TabBorderSize(), clBtnShadow,
                       clBtnHighlight);
}

void TcxFlatLookAndFeelPainter::DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                             bool) const {
  ACanvas->DrawEdge(R, false, false, ABorders);
}

void TcxFlatLookAndFeelPainter::DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                  TcxScrollBarPart APart, TcxButtonState AState) const {
  if (IsRectEmpty(&R) || APart == spNone || (APart == spThumb && AState == cxbsDisabled))
    return;
  if (AState == cxbsHot)
    AState = cxbsNormal;
  if (APart == spFirstPage || APart == spSecondPage) {
    FillScrollPage(ACanvas, R, AState);
    return;
  }
  DrawButton(ACanvas, R, "", AState);
  if (APart != spThumb)
    DrawButtonArrow(ACanvas, Deflated(R, ButtonBorderSize(cxbsNormal)), AState,
                    ScrollArrowDirection(AHorizontal, APart));
}

void TcxFlatLookAndFeelPainter::DrawSplitter(TcxCanvas* ACanvas, const TRect& R,
                                             const TcxViewParams& AViewParams, bool AIsHorizontal) const {
  TRect r = R;
  if (AIsHorizontal) {
    ACanvas->FillRect(Rect(r.left, r.top, r.right, r.top + 1), clBtnHighlight);
    ACanvas->FillRect(Rect(r.left, r.bottom - 1, r.right, r.bottom), clBtnShadow);
    InflateRect(&r, 0, -1);
  } else {
    ACanvas->FillRect(Rect(r.left, r.top, r.left + 1, r.bottom), clBtnHighlight);
    ACanvas->FillRect(Rect(r.right - 1, r.top, r.right, r.bottom), clBtnShadow);
    InflateRect(&r, -1, 0);
  }
  ACanvas->FillRect(r, AViewParams.Color);
}
