#include "lookandfeel/cxLookAndFeelPainters.h"

#include "lookandfeel/cxLookAndFeelPainters_Geometry_p.h"
#include "lookandfeel/cxPainterResources.h"
#include "platform/controls/ImgList.h"

using namespace cxPainterUtils;

namespace {

// Painter constructors are protected so that nobody makes a second instance; this opens them for the one.
template <class P> TcxLookAndFeelPainterClass Singleton() {
  struct Instance final : P {};
  static const Instance instance;
  return &instance;
}

int Half(int x) {
  return MulDiv(x, 1, 2);
}

} // namespace

TcxLookAndFeelPainterClass TcxStandardLookAndFeelPainter::Instance() {
  return Singleton<TcxStandardLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxFlatLookAndFeelPainter::Instance() {
  return Singleton<TcxFlatLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxUltraFlatLookAndFeelPainter::Instance() {
  return Singleton<TcxUltraFlatLookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxOffice11LookAndFeelPainter::Instance() {
  return Singleton<TcxOffice11LookAndFeelPainter>();
}

TcxLookAndFeelPainterClass TcxWinXPLookAndFeelPainter::Instance() {
  return Singleton<TcxWinXPLookAndFeelPainter>();
}

int cxContentTextFlags(TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                       bool AShowEndEllipsis) {
  static constexpr int horz[] = {cxAlignLeft, cxAlignRight, cxAlignHCenter};
  static constexpr int vert[] = {cxAlignTop, cxAlignBottom, cxAlignVCenter};
  return horz[AAlignmentHorz] | vert[AAlignmentVert] | (AMultiLine ? cxWordBreak : cxSingleLine) |
         (AShowEndEllipsis ? cxShowEndEllipsis : 0);
}

void TcxCustomLookAndFeelPainter::CalculateArrowPoints(const TRect& R, TPoint (&P)[3],
                                                       TcxArrowDirection AArrowDirection,
                                                       bool AProportional) {
  TRect r = R;
  if (AProportional) {
    int d = RectWidth(r) - RectHeight(r);
    if (d > 0)
      InflateRect(&r, -(d / 2), 0);
    else
      InflateRect(&r, 0, d / 2);
  }
  bool vertical = AArrowDirection == adUp || AArrowDirection == adDown;
  int base = ((vertical ? RectWidth(r) : RectHeight(r)) - 1) / 2;
  if (base % 2 == 0)
    ++base;
  int depth = base / 2 + 1;
  switch (AArrowDirection) {
  case adUp:
    P[0] = {(r.left + r.right - 1) / 2, Half(r.top + r.bottom - depth)};
    P[1] = {(r.left + r.right - base) / 2, P[0].y + depth - 1};
    P[2] = {P[1].x + base - 1, P[1].y};
    break;
  case adDown:
    P[0] = {(r.left + r.right - base) / 2, Half(r.top + r.bottom - depth)};
    P[1] = {P[0].x + base - 1, P[0].y};
    P[2] = {(r.left + r.right - 1) / 2, P[0].y + depth - 1};
    break;
  case adLeft:
    P[0] = {(r.left + r.right - depth) / 2, (r.top + r.bottom) / 2};
    P[1] = {P[0].x + depth - 1, Half(r.top + r.bottom - base)};
    P[2] = {P[1].x, P[1].y + base - 1};
    break;
  case adRight:
    P[0] = {(r.left + r.right - depth) / 2, Half(r.top + r.bottom - base)};
    P[1] = {P[0].x + depth - 1, (r.top + r.bottom) / 2};
    P[2] = {P[0].x, P[0].y + base - 1};
    break;
  }
}

void TcxCustomLookAndFeelPainter::DrawPolygon(TcxCanvas* ACanvas, const TPoint (&P)[3], TColor AColor) {
  ACanvas->SetBrushColor(AColor);
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->Polygon(P);
}

void TcxCustomLookAndFeelPainter::DrawDropDownArrow(TcxCanvas* ACanvas, const TRect& R, TColor AColor) const {
  if (IsRectEmpty(&R))
    return;
  int base = RectWidth(R) / 2;
  if (base % 2 == 0)
    ++base;
  int depth = base / 2 + 1;
  TPoint p[3];
  p[0] = {(R.left + R.right - base) / 2, Half(R.top + R.bottom - depth)};
  p[1] = {p[0].x + base - 1, p[0].y};
  p[2] = {p[0].x + base / 2, p[0].y + depth - 1};
  DrawPolygon(ACanvas, p, AColor);
}

void TcxCustomLookAndFeelPainter::DrawContentTextOnly(TcxCanvas* ACanvas, const TRect& ATextAreaBounds,
                                                      TAlignment AAlignmentHorz,
                                                      TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                                      bool AShowEndEllipsis, const String& AText,
                                                      TFont* AFont, TColor ATextColor) const {
  if (AText.empty())
    return;
  ACanvas->Brush()->SetStyle(bsClear);
  if (AFont)
    ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->DrawText(AText, ATextAreaBounds,
                    cxContentTextFlags(AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis));
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::DrawContent(TcxCanvas* ACanvas, const TRect& ABounds,
                                              const TRect& ATextAreaBounds, int, TAlignment AAlignmentHorz,
                                              TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                              bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                              TColor ATextColor, TColor ABkColor,
                                              TcxDrawBackgroundEvent AOnDrawBackground, bool) const {
  // clNone asks for no background at all: what lies under the cell shows through.
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, ABounds)) && ABkColor != clNone)
    ACanvas->FillRect(ABounds, ABkColor);
  DrawContentTextOnly(ACanvas, ATextAreaBounds, AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis,
                      AText, AFont, ATextColor);
}

TRect TcxCustomLookAndFeelPainter::FooterCellContentBounds(const TRect& ABounds) const {
  return Deflated(ABounds, FooterCellBorderSize());
}

TRect TcxCustomLookAndFeelPainter::FooterCellTextAreaBounds(const TRect& ABounds) const {
  return Deflated(FooterCellContentBounds(ABounds), 2);
}

void TcxCustomLookAndFeelPainter::DrawArrow(TcxCanvas* ACanvas, const TRect& R,
                                            TcxArrowDirection AArrowDirection, TColor AColor) const {
  if (IsRectEmpty(&R))
    return;
  TPoint p[3];
  CalculateArrowPoints(R, p, AArrowDirection, true);
  DrawPolygon(ACanvas, p, AColor);
}

void TcxCustomLookAndFeelPainter::DrawArrowButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                  TcxArrowDirection AArrowDirection,
                                                  bool ADrawBackground) const {
  if (IsRectEmpty(&R))
    return;
  TPoint p[3];
  CalculateArrowPoints(R, p, AArrowDirection, false);
  if (ADrawBackground)
    DrawButtonBackground(ACanvas, R, AState);
  else
    ACanvas->FillRect(R, ButtonColor(AState));
  DrawPolygon(ACanvas, p, ButtonSymbolColor(AState));
}

void TcxCustomLookAndFeelPainter::DrawButtonBackground(TcxCanvas* ACanvas, const TRect& R,
                                                       TcxButtonState AState) const {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->FillRect(R, ButtonColor(AState));
  DrawButtonBorder(ACanvas, R, AState);
}

void TcxCustomLookAndFeelPainter::DrawButtonArrow(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                  TcxArrowDirection AArrowDirection) const {
  if (IsRectEmpty(&R))
    return;
  TRect r = R;
  if (AState == cxbsPressed)
    OffsetRect(&r, ButtonTextShift(), ButtonTextShift());
  TPoint p[3];
  CalculateArrowPoints(r, p, AArrowDirection, true);
  if (AState == cxbsDisabled) {
    TPoint shifted[3] = {Shifted(p[0], 1, 1), Shifted(p[1], 1, 1), Shifted(p[2], 1, 1)};
    DrawPolygon(ACanvas, shifted, clBtnHighlight);
    DrawPolygon(ACanvas, p, clBtnShadow);
  } else {
    DrawPolygon(ACanvas, p, ButtonSymbolColor(AState));
  }
}

TRect TcxCustomLookAndFeelPainter::ButtonFocusRect(TcxCanvas*, const TRect& R) const {
  TRect r = Deflated(R, 4);
  return IsRectEmpty(&r) ? R : r;
}

TRect TcxCustomLookAndFeelPainter::ButtonGroupBorderSizes(int, int) const {
  int size = ButtonBorderSize(cxbsNormal);
  return {size, size, size, size};
}

TColor TcxCustomLookAndFeelPainter::ButtonSymbolColor(TcxButtonState AState) const {
  return AState == cxbsDisabled ? clBtnShadow : clBtnText;
}

void TcxCustomLookAndFeelPainter::DrawButton(TcxCanvas* ACanvas, const TRect& R, const String& ACaption,
                                             TcxButtonState AState, bool ADrawBorder, TColor AColor,
                                             TColor ATextColor) const {
  TRect r = R;
  if (ADrawBorder) {
    DrawButtonBorder(ACanvas, r, AState);
    r = Deflated(r, ButtonBorderSize(AState));
  }
  ACanvas->FillRect(r, AColor == clDefault ? ButtonColor(AState) : AColor);
  ACanvas->Font()->SetColor(ATextColor == clDefault ? ButtonSymbolColor(AState) : ATextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  // An even height keeps the caption's centre line where the platform's own buttons put it.
  r.bottom -= RectHeight(r) & 1;
  if (RectHeight(r) < 18)
    --r.top;
  if (AState == cxbsPressed)
    OffsetRect(&r, ButtonTextShift(), ButtonTextShift());
  if (!ACaption.empty())
    ACanvas->DrawText(ACaption, r, cxAlignHCenter | cxAlignVCenter | cxSingleLine | cxShowPrefix,
                      AState != cxbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::DrawButtonInGroup(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                    int, int, TColor) const {
  DrawButton(ACanvas, R, "", AState, true, clDefault, clDefault);
}

void TcxCustomLookAndFeelPainter::DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TcxButtonState AState) const {
  if (IsRectEmpty(&R))
    return;
  DrawButton(ACanvas, R, "", AState);
  TClipToSmallPart clip(ACanvas, R, 8, 9);
  ACanvas->Pen()->SetColor(ButtonSymbolColor(AState));
  const int s = 3;
  int x0 = (R.left + R.right - 7) / 2;
  int y0 = (R.top + R.bottom - 8) / 2;
  int sign = AExpanded ? 1 : -1;
  for (int i = 0; i < 4; ++i) {
    int y = y0 + i + (i >= 2 ? 2 : 0);
    int v = y + (AExpanded ? 3 : 0);
    int k = i & 1;
    if (!AExpanded)
      k = 1 - k;
    ACanvas->MoveTo(x0 + k, v - sign * k);
    ACanvas->LineTo(x0 + s, v - sign * s);
    ACanvas->LineTo(x0 + 2 * s + 1 - k, v + (1 - k) * sign);
  }
}

void TcxCustomLookAndFeelPainter::DrawExpandSign(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                 TColor AColor) {
  int half = std::max(0, (RectWidth(R) - 4) / 2);
  int xc = FloorDiv(R.left + R.right, 2), yc = FloorDiv(R.top + R.bottom, 2);
  ACanvas->FillRect(Rect(xc - half, yc, xc + half + 1, yc + 1), AColor);
  if (!AExpanded)
    ACanvas->FillRect(Rect(xc, yc - half, xc + 1, yc + half + 1), AColor);
}

void TcxCustomLookAndFeelPainter::DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TColor ABorderColor, TColor AColor) const {
  if (IsRectEmpty(&R))
    return;
  ACanvas->FrameRect(R, ABorderColor);
  if (AColor != clDefault)
    ACanvas->FillRect(Deflated(R, 1), AColor);
  DrawExpandSign(ACanvas, R, AExpanded, clBtnText);
}

bool TcxCustomLookAndFeelPainter::IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const {
  return PtInRect(&R, P);
}

TColor TcxCustomLookAndFeelPainter::CheckButtonColor(TcxButtonState AState) const {
  return AState == cxbsPressed || AState == cxbsDisabled ? clBtnFace : clWindow;
}

void TcxCustomLookAndFeelPainter::DrawCheck(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                            bool AChecked, TColor AColor) const {
  if (IsRectEmpty(&R))
    return;
  ACanvas->FillRect(R, CheckButtonColor(AState));
  if (!AChecked)
    return;
  TClipToSmallPart clip(ACanvas, R, 9, 9);
  int w = RectWidth(R) - 2, h = RectHeight(R) - 4;
  int cx = (R.left + R.right) / 2 - 1;
  ACanvas->Pen()->SetColor(AColor);
  for (int i = 0; i < 3; ++i) {
    int y = (R.top + R.bottom + h) / 2 - 2 + i;
    ACanvas->MoveTo(cx - (w / 2 - 1), y - h / 2);
    ACanvas->LineTo(cx, y);
    ACanvas->LineTo(cx + w / 2 + 2, y - h);
  }
}

void TcxCustomLookAndFeelPainter::DrawCheckButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                  bool AChecked) const {
  DrawCheckBorder(ACanvas, R, AState);
  DrawCheck(ACanvas, Deflated(R, CheckBorderSize()), AState, AChecked,
            AState == cxbsDisabled ? clGrayText : clBtnText);
}

void TcxCustomLookAndFeelPainter::DrawRadioButton(TcxCanvas* ACanvas, int X, int Y,
                                                  TcxButtonState AButtonState, bool AChecked, bool AFocused,
                                                  TColor ABrushColor, bool AIsDesigning) const {
  cxRadioButtonImageList()->Draw(ACanvas, X, Y, LookAndFeelStyle(), AButtonState, AChecked, AFocused,
                                 ABrushColor, AIsDesigning);
}

void TcxCustomLookAndFeelPainter::DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                             const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                             TcxBorders ABorders, TcxButtonState AState,
                                             TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                             bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                             TFont* AFont, TColor ATextColor, TColor ABkColor,
                                             TcxDrawBackgroundEvent AOnDrawBackground, bool) const {
  DrawHeaderBorder(ACanvas, ABounds, ANeighbors, ABorders);
  DrawContent(ACanvas, HeaderContentBounds(ABounds, ABorders), ATextAreaBounds, int(AState), AAlignmentHorz,
              AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor,
              AOnDrawBackground, false);
}

void TcxCustomLookAndFeelPainter::DrawHeaderEx(TcxCanvas* ACanvas, const TRect& ABounds,
                                               const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                               TcxBorders ABorders, TcxButtonState AState,
                                               TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor,
                                               TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false);
}

void TcxCustomLookAndFeelPainter::DrawHeaderPressed(TcxCanvas* ACanvas, const TRect& ABounds) const {
  ACanvas->InvertRect(ABounds);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSection(
    TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TcxNeighbors, TcxBorders ABorders,
    TcxButtonState AState, TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
    bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  DrawHeaderControlSectionBorder(ACanvas, ABounds, ABorders, AState);
  DrawHeaderControlSectionContent(ACanvas, HeaderControlSectionContentBounds(ABounds, AState),
                                  ATextAreaBounds, AState, AAlignmentHorz, AAlignmentVert, AMultiLine,
                                  AShowEndEllipsis, AText, AFont, ATextColor, ABkColor);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSectionContent(
    TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TcxButtonState AState,
    TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
    const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const {
  ACanvas->FillRect(ABounds, ABkColor);
  DrawHeaderControlSectionText(ACanvas, HeaderControlSectionTextAreaBounds(ATextAreaBounds, AState), AState,
                               AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                               ATextColor);
}

void TcxCustomLookAndFeelPainter::DrawHeaderControlSectionText(
    TcxCanvas* ACanvas, const TRect& ATextAreaBounds, TcxButtonState AState, TAlignment AAlignmentHorz,
    TcxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
    TFont* AFont, TColor ATextColor) const {
  if (AText.empty())
    return;
  ACanvas->Brush()->SetStyle(bsClear);
  if (AFont)
    ACanvas->SetFont(AFont);
  int flags = cxContentTextFlags(AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis);
  if (AState == cxbsDisabled) {
    ACanvas->Font()->SetColor(clBtnHighlight);
    ACanvas->DrawText(AText, Shifted(ATextAreaBounds, 1, 1), flags);
    ACanvas->Font()->SetColor(clBtnShadow);
  } else {
    ACanvas->Font()->SetColor(ATextColor);
  }
  ACanvas->DrawText(AText, ATextAreaBounds, flags);
  ACanvas->Brush()->SetStyle(bsSolid);
}

TcxBorders TcxCustomLookAndFeelPainter::HeaderBorders(TcxNeighbors) const {
  return cxBordersAll;
}

TRect TcxCustomLookAndFeelPainter::HeaderContentBoundsByNeighbors(const TRect& ABounds,
                                                                  TcxNeighbors ANeighbors) const {
  return HeaderContentBounds(ABounds, HeaderBorders(ANeighbors));
}

TRect TcxCustomLookAndFeelPainter::HeaderContentBounds(const TRect& ABounds, TcxBorders ABorders) const {
  return DeflatedOn(ABounds, HeaderBorderSize(), ABorders);
}

int TcxCustomLookAndFeelPainter::HeaderHeight(int AFontHeight) const {
  return (HeaderBorderSize() + 2) * 2 + AFontHeight;
}

TRect TcxCustomLookAndFeelPainter::HeaderControlSectionTextAreaBounds(const TRect& ABounds,
                                                                      TcxButtonState AState) const {
  return AState == cxbsPressed ? Shifted(ABounds, 1, 1) : ABounds;
}

TRect TcxCustomLookAndFeelPainter::HeaderControlSectionContentBounds(const TRect& ABounds,
                                                                     TcxButtonState AState) const {
  return Deflated(ABounds, HeaderControlSectionBorderSize(AState));
}

int TcxCustomLookAndFeelPainter::HeaderWidth(TcxCanvas* ACanvas, TcxBorders ABorders, const String& AText,
                                             TFont* AFont) const {
  if (AFont)
    ACanvas->SetFont(AFont);
  int width = ACanvas->TextWidth(AText) + 4;
  if (ABorders.Contains(bLeft))
    width += HeaderBorderSize();
  if (ABorders.Contains(bRight))
    width += HeaderBorderSize();
  return width;
}

TPoint TcxCustomLookAndFeelPainter::SortingMarkAreaSize() const {
  return {16, SortingMarkSize().y};
}

void TcxCustomLookAndFeelPainter::DrawFooterCell(TcxCanvas* ACanvas, const TRect& ABounds,
                                                 TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                                 bool AMultiLine, const String& AText, TFont* AFont,
                                                 TColor ATextColor, TColor ABkColor,
                                                 TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawFooterCellBorder(ACanvas, ABounds);
  DrawContent(ACanvas, FooterCellContentBounds(ABounds), FooterCellTextAreaBounds(ABounds), 0, AAlignmentHorz,
              AAlignmentVert, AMultiLine, false, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, true);
}

void TcxCustomLookAndFeelPainter::DrawFooterSeparator(TcxCanvas* ACanvas, const TRect& R) const {
  ACanvas->FillRect(R, FooterSeparatorColor());
}

void TcxCustomLookAndFeelPainter::DrawCheckBoxInRect(TcxCanvas* ACanvas, const TRect& R,
                                                     TcxButtonState AState, bool AChecked) const {
  DrawCheckButton(ACanvas, R, AState, AChecked);
}

void TcxCustomLookAndFeelPainter::DrawSmallCloseButton(TcxCanvas* ACanvas, const TRect& R,
                                                       TcxButtonState AState) const {
  if (IsRectEmpty(&R))
    return;
  DrawButtonBorder(ACanvas, R, AState);
  TRect r = Deflated(R, ButtonBorderSize(cxbsNormal));
  ACanvas->FillRect(r, ButtonColor(AState));
  int s = SmallCloseButtonSize().x / 2;
  if (s % 2 == 0)
    --s;
  int shift = ButtonSymbolState(AState) == cxbsPressed ? 1 : 0;
  TClipToSmallPart clip(ACanvas, r, s + 3, s + 2);
  ACanvas->Pen()->SetColor(ButtonSymbolColor(AState));
  for (int i = 0; i < 2; ++i) {
    int x0 = (r.left + r.right - s) / 2 + i + shift;
    int y0 = (r.top + r.bottom - s) / 2 + shift;
    ACanvas->MoveTo(x0, y0);
    ACanvas->LineTo(x0 + s, y0 + s);
    ACanvas->MoveTo(x0, y0 + s - 1);
    ACanvas->LineTo(x0 + s, y0 - 1);
  }
}

void TcxCustomLookAndFeelPainter::DrawSmallPlusButton(TcxCanvas* ACanvas, const TRect& R,
                                                      TcxButtonState AState) const {
  DrawButtonBorder(ACanvas, R, AState);
  TRect r = Deflated(R, ButtonBorderSize(cxbsNormal));
  ACanvas->FillRect(r, ButtonColor(AState));
  DrawPlusGlyph(ACanvas, r, AState);
}

void TcxCustomLookAndFeelPainter::DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R,
                                                TcxButtonState AState) const {
  if (IsRectEmpty(&R))
    return;
  bool disabled = AState == cxbsDisabled;
  TColor light = disabled ? clBtnHighlight : DefaultPlusGlyphColor();
  TColor dark = disabled ? clBtnShadow : DefaultPlusGlyphColor();
  TRect r = Deflated(R, 1);
  auto pass = [&](TColor color) {
    int mx = r.left + RectWidth(r) / 2 - 1;
    int my = r.top + RectHeight(r) / 2 - 1;
    ACanvas->Pen()->SetColor(color);
    ACanvas->MoveTo(r.left, my);
    ACanvas->LineTo(r.right - 1, my);
    ACanvas->MoveTo(mx, r.top);
    ACanvas->LineTo(mx, r.bottom - 1);
    return TPoint{mx, my};
  };
  OffsetRect(&r, 1, 1);
  TPoint m = pass(light);
  ACanvas->SetPixel(r.left - 1, m.y, light);
  ACanvas->SetPixel(m.x, r.top - 1, light);
  OffsetRect(&r, -1, -1);
  m = pass(dark);
  ACanvas->SetPixel(r.right - 1, m.y, light);
  ACanvas->SetPixel(m.x, r.bottom - 1, light);
}

void TcxCustomLookAndFeelPainter::DrawPinButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                                bool APinned, TColor) const {
  DrawButtonBorder(ACanvas, R, AState);
  TRect r = Deflated(R, ButtonBorderSize(cxbsNormal));
  ACanvas->FillRect(r, ButtonColor(AState));
  TBitmap* bitmap = cxPinBitmap(APinned);
  int x = r.left + (RectWidth(r) - bitmap->Width()) / 2;
  int y = r.top + (RectHeight(r) - bitmap->Height()) / 2;
  if (AState == cxbsPressed) {
    ++x;
    ++y;
  }
  DrawClipped(ACanvas, r, bitmap, x, y);
}

void TcxCustomLookAndFeelPainter::DrawIndicatorItem(TcxCanvas* ACanvas, const TRect& R,
                                                    TcxIndicatorKind AKind, TColor ABkColor,
                                                    TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawHeader(ACanvas, R, R, {}, HeaderBorders({nTop, nBottom}), cxbsNormal, taLeftJustify, vaTop, false,
             false, "", nullptr, clNone, ABkColor, AOnDrawBackground);
  cxDrawIndicatorImage(ACanvas, R, AKind);
}

void TcxCustomLookAndFeelPainter::DrawIndicatorItemEx(TcxCanvas* ACanvas, const TRect& R,
                                                      TcxIndicatorKind AKind, TColor ABkColor,
                                                      TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawHeaderEx(ACanvas, R, R, {}, cxBordersAll, cxbsNormal, taLeftJustify, vaTop, false, false, "", nullptr,
               clNone, ABkColor, AOnDrawBackground);
  cxDrawIndicatorImage(ACanvas, R, AKind);
}

void TcxCustomLookAndFeelPainter::DrawMonthArrows(TcxCanvas* ACanvas, const TRect& ABounds, int ABorderSize,
                                                  TcxMonthArrows AArrows, int ASideWidth, TColor AColor) {
  if (IsRectEmpty(&ABounds))
    return;
  TRect r = ABounds;
  r.top += ABorderSize;
  InflateRect(&r, 0, -1);
  int h = RectHeight(r) / 2;
  if (h % 2 == 0)
    ++h;
  int y0 = (r.top + r.bottom - h) / 2 - 1;
  auto arrow = [&](int x, int sign) {
    TPoint p[3];
    p[0] = {x + (ASideWidth - 1) * sign, y0};
    p[1] = {p[0].x, y0 + h + 1};
    p[2] = {p[0].x - (h / 2 + 1) * sign, y0 + h / 2 + 1};
    DrawPolygon(ACanvas, p, AColor);
  };
  if (AArrows == maLeft || AArrows == maBoth)
    arrow(r.left, 1);
  if (AArrows == maRight || AArrows == maBoth)
    arrow(r.right, -1);
}

void TcxCustomLookAndFeelPainter::DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds,
                                                  const String& AText, TcxNeighbors ANeighbors,
                                                  const TcxViewParams& AViewParams, TcxMonthArrows AArrows,
                                                  int ASideWidth,
                                                  TcxDrawBackgroundEvent AOnDrawBackground) const {
  DrawHeader(ACanvas, ABounds, ABounds, ANeighbors, HeaderBorders(ANeighbors), cxbsNormal, taCenter, vaCenter,
             false, false, AText, AViewParams.Font, AViewParams.TextColor, AViewParams.Color,
             AOnDrawBackground);
  DrawMonthArrows(ACanvas, ABounds, BorderSize(), AArrows, ASideWidth, clWindowText);
}

void TcxCustomLookAndFeelPainter::DrawSortingMarkOutline(TcxCanvas* ACanvas, const TRect& R,
                                                         bool AAscendingSorting, TPoint AMarkSize,
                                                         TColor ALightColor, TColor ADarkColor) {
  if (IsRectEmpty(&R))
    return;
  int w = AMarkSize.x, h = AMarkSize.y;
  TClipToSmallPart clip(ACanvas, R, w + 1, h + 1);
  int s = AAscendingSorting ? 1 : -1;
  int x0 = (R.left + R.right) / 2;
  if (w % 2 == 0)
    --x0;
  int y0 = AAscendingSorting ? (R.top + R.bottom - h) / 2 : (R.top + R.bottom + h) / 2 - 1;
  int hw = w / 2;
  int dx = hw - (w % 2 == 0 ? 1 : 0);
  TPen* pen = ACanvas->Pen();
  pen->SetColor(ALightColor);
  ACanvas->MoveTo(x0 + hw, y0 + (h - 2) * s);
  ACanvas->LineTo(x0 + hw - dx, y0);
  ACanvas->LineTo(x0 + hw, y0 + (h - 1) * s);
  if (!AAscendingSorting)
    pen->SetColor(ADarkColor);
  ACanvas->LineTo(x0 - dx, y0 + (h - 1) * s);
  if (AAscendingSorting)
    pen->SetColor(ADarkColor);
  ACanvas->LineTo(x0, y0);
  ACanvas->LineTo(x0 - dx, y0 + (h - (w & 1)) * s);
}
