#pragma once
// The painter family. A painter is stateless: each class has one instance, and "the painter class" that a
// look-and-feel chooses is a pointer to it. Every control part that looks different from one look-and-feel to
// another is drawn, measured or hit-tested here, so that controls only say what to draw.
#include "lookandfeel/cxGraphics.h"
#include "platform/classes/Alignment.h"
#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/classes/UnitList.h"
#include "platform/theme/UxTheme.h"

enum TcxLookAndFeelStyle { lfsFlat, lfsStandard, lfsUltraFlat, lfsNative, lfsOffice11 };

enum TcxButtonState { cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled };
enum TcxArrowDirection { adUp, adDown, adLeft, adRight };
enum TcxCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };
enum TcxScrollBarPart { spNone, spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage };

// The sides on which another header touches this one.
enum TcxNeighbor { nLeft, nTop, nRight, nBottom };
using TcxNeighbors = TSet<TcxNeighbor, 4>;

enum TcxAlignmentVert { vaTop, vaBottom, vaCenter };

enum TcxIndicatorKind { ikNone, ikArrow, ikEdit, ikInsert, ikMultiDot, ikMultiArrow };
enum TcxMonthArrows { maNone, maLeft, maRight, maBoth };

struct TcxViewParams {
  TBitmap* Bitmap = nullptr; // borrowed
  TColor Color = clDefault;
  TFont* Font = nullptr; // borrowed
  TColor TextColor = clDefault;
};

// Paints a background in place of the painter; answers whether it did.
using TcxDrawBackgroundEvent = TEvent<bool(TcxCanvas* ACanvas, const TRect& ABounds)>;

// The library text flags of a content cell's alignment and wrapping.
int cxContentTextFlags(TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                       bool AShowEndEllipsis);

class TcxCustomLookAndFeelPainter : public TObject {
  PELVOR_CLASS(TcxCustomLookAndFeelPainter, TObject)

  // The arrow triangle: apex and base corners, with the base always odd so that the apex is centred.
  static void CalculateArrowPoints(const TRect& R, TPoint (&P)[3], TcxArrowDirection AArrowDirection,
                                   bool AProportional);

  virtual void DrawDropDownArrow(TcxCanvas* ACanvas, const TRect& R, TColor AColor) const;
  virtual void DrawContent(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, int AState,
                           TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                           bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                           TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr,
                           bool AIsFooter = false) const;
  virtual TRect FooterCellContentBounds(const TRect& ABounds) const;
  virtual TRect FooterCellTextAreaBounds(const TRect& ABounds) const;
  virtual TcxLookAndFeelStyle LookAndFeelStyle() const { return lfsStandard; }

  virtual TColor DefaultCreamColor1() const { return clCream; }
  virtual TColor DefaultCreamColor2() const { return clCream; }
  virtual TColor DefaultWindowTextColor1() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor2() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor3() const { return clWindowText; }
  virtual TColor DefaultPlusGlyphColor() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor5() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor6() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor7() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor8() const { return clWindowText; }
  virtual TColor DefaultWindowTextColor9() const { return clWindowText; }
  virtual TColor DefaultWindowColor1() const { return clWindow; }
  virtual TColor DefaultWindowColor2() const { return clWindow; }
  virtual TColor DefaultWindowColor3() const { return clWindow; }
  virtual TColor DefaultWindowColor4() const { return clWindow; }
  virtual TColor DefaultWindowColor5() const { return clWindow; }
  virtual TColor DefaultBtnShadowColor1() const { return clBtnShadow; }
  virtual TColor DefaultBtnShadowColor2() const { return clBtnShadow; }
  virtual TColor DefaultBtnShadowColor3() const { return clBtnShadow; }
  virtual TColor DefaultBtnShadowColor4() const { return clBtnShadow; }
  virtual TColor DefaultBtnShadowColor5() const { return clBtnShadow; }
  virtual TColor DefaultBtnShadowColor6() const { return DefaultBtnShadowColor3(); }
  virtual TColor DefaultBtnHighlightColor1() const { return clBtnHighlight; }
  virtual TColor DefaultBtnTextColor1() const { return clBtnText; }
  virtual TColor DefaultBtnTextColor2() const { return clBtnText; }
  virtual TColor DefaultBtnTextColor3() const { return clBtnText; }
  virtual TColor DefaultBtnTextColor5() const { return clBtnText; }
  virtual TColor DefaultBtnTextColor6() const { return clBtnText; }
  virtual TColor DefaultHeaderTextColor() const { return clBtnText; }
  virtual TColor DefaultBtnFaceColor1() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor2() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor3() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor5() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor6() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor7() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor8() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor9() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor10() const { return clBtnFace; }
  virtual TColor DefaultBtnFaceColor11() const { return clBtnFace; }
  virtual TColor DefaultHeaderColor() const { return clBtnFace; }
  virtual TColor DefaultBlueTextColor() const { return clBlue; }
  virtual TColor DefaultSelectionColor() const { return clHighlight; }
  virtual TColor DefaultGridSelectionColor() const { return clHighlight; }
  virtual TColor DefaultSelectionTextColor() const { return clHighlightText; }
  virtual TColor DefaultGridSelectionTextColor() const { return clHighlightText; }
  virtual TColor DefaultBorderColor() const { return clRed; }
  virtual TColor DefaultInfoColor() const { return TColor(RGB(255, 255, 213)); }

  virtual void DrawArrow(TcxCanvas* ACanvas, const TRect& R, TcxArrowDirection AArrowDirection,
                         TColor AColor) const;
  virtual void DrawArrowButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                               TcxArrowDirection AArrowDirection, bool ADrawBackground = true) const;
  virtual void DrawButtonBackground(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const;
  virtual void DrawButtonArrow(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                               TcxArrowDirection AArrowDirection) const;
  virtual int BorderSize() const { return 0; }
  virtual void DrawBorder(TcxCanvas*, const TRect&) const {}
  virtual int ButtonBorderSize(TcxButtonState = cxbsNormal) const { return 0; }
  virtual TColor ButtonColor(TcxButtonState) const { return clBtnFace; }
  virtual TRect ButtonFocusRect(TcxCanvas* ACanvas, const TRect& R) const;
  // Margins (left, top, right, bottom) of one button in a row of AButtonCount.
  virtual TRect ButtonGroupBorderSizes(int AButtonCount, int AButtonIndex) const;
  virtual int ButtonTextOffset() const { return 0; }
  virtual int ButtonTextShift() const { return 0; }
  virtual TColor ButtonSymbolColor(TcxButtonState AState) const;
  virtual TcxButtonState ButtonSymbolState(TcxButtonState AState) const { return AState; }
  virtual void DrawButton(TcxCanvas* ACanvas, const TRect& R, const String& ACaption, TcxButtonState AState,
                          bool ADrawBorder = true, TColor AColor = clDefault,
                          TColor ATextColor = clDefault) const;
  virtual void DrawButtonInGroup(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, int AButtonCount,
                                 int AButtonIndex, TColor ABackgroundColor) const;
  virtual void DrawButtonBorder(TcxCanvas*, const TRect&, TcxButtonState) const {}
  virtual void DrawButtonFrame(TcxCanvas*, const TRect&, bool /*ASelected*/, bool /*AHot*/) const {}
  virtual void DrawExpandButton(TcxCanvas*, const TRect&, bool /*AExpanded*/,
                                TColor /*AColor*/ = clDefault) const {}
  virtual bool ExpandButtonOption() const { return true; }
  virtual void DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                                     TcxButtonState AState) const;
  virtual void DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                                     TColor AColor = clDefault) const;
  virtual int ExpandButtonSize() const { return 0; }
  virtual int GroupExpandButtonSize() const { return 15; }
  virtual bool IsButtonHotTrack() const { return false; }
  virtual bool IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const;
  virtual int SmallExpandButtonSize() const { return 9; }
  virtual int CheckBorderSize() const { return 2; }
  virtual TColor CheckButtonColor(TcxButtonState AState) const;
  virtual void DrawCheck(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, bool AChecked,
                         TColor AColor) const;
  virtual void DrawCheckBorder(TcxCanvas*, const TRect&, TcxButtonState) const {}
  virtual void DrawCheckButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                               bool AChecked) const;
  // AIsDesigning lights the ring as the hot state does.
  virtual void DrawRadioButton(TcxCanvas* ACanvas, int X, int Y, TcxButtonState AButtonState, bool AChecked,
                               bool AFocused, TColor ABrushColor, bool AIsDesigning = false) const;
  virtual void DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                          TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                          TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                          bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                          TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr,
                          bool AIsLast = false) const;
  virtual void DrawHeaderEx(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                            TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                            TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                            bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                            TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const;
  virtual void DrawHeaderBorder(TcxCanvas*, const TRect&, TcxNeighbors, TcxBorders) const {}
  virtual void DrawHeaderPressed(TcxCanvas* ACanvas, const TRect& ABounds) const;
  virtual void DrawHeaderControlSection(TcxCanvas* ACanvas, const TRect& ABounds,
                                        const TRect& ATextAreaBounds, TcxNeighbors ANeighbors,
                                        TcxBorders ABorders, TcxButtonState AState, TAlignment AAlignmentHorz,
                                        TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                        bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                        TColor ATextColor, TColor ABkColor) const;
  virtual void DrawHeaderControlSectionBorder(TcxCanvas*, const TRect&, TcxBorders, TcxButtonState) const {}
  virtual void DrawHeaderControlSectionContent(TcxCanvas* ACanvas, const TRect& ABounds,
                                               const TRect& ATextAreaBounds, TcxButtonState AState,
                                               TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor) const;
  virtual void DrawHeaderControlSectionText(TcxCanvas* ACanvas, const TRect& ATextAreaBounds,
                                            TcxButtonState AState, TAlignment AAlignmentHorz,
                                            TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                            bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                            TColor ATextColor) const;
  virtual void DrawSortingMark(TcxCanvas*, const TRect&, bool /*AAscendingSorting*/) const {}
  virtual TcxBorders HeaderBorders(TcxNeighbors ANeighbors) const;
  virtual int HeaderBorderSize() const { return 0; }
  virtual TRect HeaderContentBoundsByNeighbors(const TRect& ABounds, TcxNeighbors ANeighbors) const;
  virtual TRect HeaderContentBounds(const TRect& ABounds, TcxBorders ABorders) const;
  virtual bool HeaderOption() const { return true; }
  virtual int HeaderHeight(int AFontHeight) const;
  virtual int HeaderControlSectionBorderSize(TcxButtonState = cxbsNormal) const { return 1; }
  virtual TRect HeaderControlSectionTextAreaBounds(const TRect& ABounds, TcxButtonState AState) const;
  virtual TRect HeaderControlSectionContentBounds(const TRect& ABounds, TcxButtonState AState) const;
  virtual int HeaderWidth(TcxCanvas* ACanvas, TcxBorders ABorders, const String& AText, TFont* AFont) const;
  virtual bool HeaderOption2() const { return false; }
  virtual TPoint SortingMarkAreaSize() const;
  virtual TPoint SortingMarkSize() const { return {0, 0}; }
  virtual void DrawFooterCell(TcxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                              TcxAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText,
                              TFont* AFont, TColor ATextColor, TColor ABkColor,
                              TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const;
  virtual TcxBorders FooterCellBorders() const { return cxBordersAll; }
  virtual int FooterBorderSize() const { return 0; }
  virtual int FooterCellBorderSize() const { return 0; }
  virtual int FooterCellOffset() const { return 0; }
  virtual bool FooterOption() const { return true; }
  virtual TColor FooterSeparatorColor() const { return clBtnShadow; }
  virtual int FooterSeparatorSize() const { return 1; }
  virtual void DrawFooterBorder(TcxCanvas*, const TRect&) const {}
  virtual void DrawFooterCellBorder(TcxCanvas*, const TRect&) const {}
  virtual void DrawFooterSeparator(TcxCanvas* ACanvas, const TRect& R) const;
  virtual void DrawCheckBoxInRect(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                                  bool AChecked) const;
  virtual void DrawSmallCloseButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const;
  virtual void DrawDropDownButton(TcxCanvas*, const TRect&, TcxButtonState, bool /*AIsBlueArrow*/) const {}
  virtual TPoint CheckButtonSize() const { return {13, 13}; }
  virtual TPoint SmallCloseButtonSize() const { return {16, 14}; }
  virtual TPoint IndentSize() const { return {15, 0}; }
  virtual bool DefaultOption1() const { return true; }
  virtual TPoint SmallButtonSize1() const { return {16, 14}; }
  virtual TPoint SmallButtonSize2() const { return {16, 14}; }
  virtual TPoint CheckButtonAreaSize() const { return {13, 13}; }
  virtual TPoint PinButtonSize() const { return {16, 14}; }
  virtual TPoint SmallButtonSize3() const { return {16, 14}; }
  virtual void DrawSmallPlusButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const;
  virtual void DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const;
  // APinned False shows the "auto-hide on" image, True the "auto-hide off" image.
  virtual void DrawPinButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, bool APinned,
                             TColor ABkColor = clDefault) const;
  virtual void DrawTab(TcxCanvas*, const TRect&, TcxBorders, const String&, TcxButtonState,
                       bool /*AVertical*/, TFont*, TColor /*ATextColor*/, TColor /*ABkColor*/) const {}
  virtual void DrawTabBorder(TcxCanvas*, const TRect&, TcxBorder, TcxBorders, bool /*AVertical*/) const {}
  virtual void DrawTabsRoot(TcxCanvas*, const TRect&, TcxBorders, bool /*AVertical*/) const {}
  virtual bool TabOption1() const { return false; }
  virtual bool TabOption2() const { return false; }
  virtual int TabBorderSize() const { return 0; }
  virtual void DrawIndicatorItem(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind, TColor ABkColor,
                                 TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const;
  virtual void DrawIndicatorItemEx(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind,
                                   TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const;
  virtual bool DefaultOption2() const { return true; }
  virtual void DrawScrollBarPart(TcxCanvas*, bool /*AHorizontal*/, const TRect&, TcxScrollBarPart,
                                 TcxButtonState) const {}
  virtual void DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds, const String& AText,
                               TcxNeighbors ANeighbors, const TcxViewParams& AViewParams,
                               TcxMonthArrows AArrows, int ASideWidth,
                               TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const;
  virtual void DrawContainerBorder(TcxCanvas* ACanvas, const TRect& R) const { DrawBorder(ACanvas, R); }
  virtual void DrawSplitter(TcxCanvas*, const TRect&, const TcxViewParams&, bool /*AIsHorizontal*/) const {}

protected:
  TcxCustomLookAndFeelPainter() = default;

  // The shared geometry the concrete painters draw with.
  static void DrawExpandSign(TcxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor);
  static void DrawSortingMarkOutline(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting,
                                     TPoint AMarkSize, TColor ALightColor, TColor ADarkColor);
  static void DrawMonthArrows(TcxCanvas* ACanvas, const TRect& ABounds, int ABorderSize,
                              TcxMonthArrows AArrows, int ASideWidth, TColor AColor);
  static void DrawPolygon(TcxCanvas* ACanvas, const TPoint (&P)[3], TColor AColor);
  void DrawContentTextOnly(TcxCanvas* ACanvas, const TRect& ATextAreaBounds, TAlignment AAlignmentHorz,
                           TcxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                           const String& AText, TFont* AFont, TColor ATextColor) const;
};

using TcxLookAndFeelPainterClass = const TcxCustomLookAndFeelPainter*;

class TcxStandardLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxStandardLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();

  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsStandard; }
  TColor DefaultInfoColor() const override { return clWindow; }
  int BorderSize() const override { return 2; }
  void DrawBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int ButtonBorderSize(TcxButtonState AState = cxbsNormal) const override {
    return AState == cxbsDefault ? 3 : 2;
  }
  int ButtonTextOffset() const override { return 1; }
  int ButtonTextShift() const override { return 1; }
  void DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                        TColor AColor = clDefault) const override;
  void DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                             TcxButtonState AState) const override;
  int ExpandButtonSize() const override { return 12; }
  void DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors,
                        TcxBorders ABorders) const override;
  void DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void DrawSortingMark(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  int HeaderBorderSize() const override { return 1; }
  int HeaderControlSectionBorderSize(TcxButtonState AState = cxbsNormal) const override {
    return AState == cxbsPressed ? 1 : 2;
  }
  TPoint SortingMarkSize() const override { return {8, 7}; }
  void DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int FooterBorderSize() const override { return 1; }
  int FooterCellBorderSize() const override { return 1; }
  int FooterCellOffset() const override { return 1; }
  void DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                          bool AIsBlueArrow) const override;
  void DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder, TcxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders, bool AVertical) const override;
  int TabBorderSize() const override { return 1; }
  void DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R, TcxScrollBarPart APart,
                         TcxButtonState AState) const override;
  void DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds, const String& AText, TcxNeighbors ANeighbors,
                       const TcxViewParams& AViewParams, TcxMonthArrows AArrows, int ASideWidth,
                       TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  void DrawSplitter(TcxCanvas* ACanvas, const TRect& R, const TcxViewParams& AViewParams,
                    bool AIsHorizontal) const override;

protected:
  TcxStandardLookAndFeelPainter() = default;
};

class TcxFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();

  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsFlat; }
  int BorderSize() const override { return 1; }
  void DrawBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int ButtonBorderSize(TcxButtonState AState = cxbsNormal) const override {
    return AState == cxbsDefault ? 2 : 1;
  }
  int ButtonTextOffset() const override { return 1; }
  int ButtonTextShift() const override { return 1; }
  void DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                        TColor AColor = clDefault) const override;
  int ExpandButtonSize() const override { return 11; }
  void DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors,
                        TcxBorders ABorders) const override;
  void DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void DrawSortingMark(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  int HeaderBorderSize() const override { return 1; }
  TPoint SortingMarkSize() const override { return {8, 7}; }
  void DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int FooterBorderSize() const override { return 1; }
  int FooterCellBorderSize() const override { return 1; }
  int FooterCellOffset() const override { return 1; }
  void DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                          bool AIsBlueArrow) const override;
  void DrawPlusGlyph(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder, TcxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders, bool AVertical) const override;
  int TabBorderSize() const override { return 1; }
  void DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R, TcxScrollBarPart APart,
                         TcxButtonState AState) const override;
  void DrawSplitter(TcxCanvas* ACanvas, const TRect& R, const TcxViewParams& AViewParams,
                    bool AIsHorizontal) const override;

protected:
  TcxFlatLookAndFeelPainter() = default;
};

class TcxUltraFlatLookAndFeelPainter : public TcxCustomLookAndFeelPainter {
  PELVOR_CLASS(TcxUltraFlatLookAndFeelPainter, TcxCustomLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();

  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsUltraFlat; }
  TColor DefaultPlusGlyphColor() const override { return clNavy; }
  TColor DefaultBorderColor() const override { return clBtnShadow; }
  int BorderSize() const override { return 1; }
  void DrawBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int ButtonBorderSize(TcxButtonState AState = cxbsNormal) const override {
    return AState == cxbsDefault ? 2 : 1;
  }
  TColor ButtonColor(TcxButtonState AState) const override;
  TRect ButtonFocusRect(TcxCanvas* ACanvas, const TRect& R) const override;
  TRect ButtonGroupBorderSizes(int AButtonCount, int AButtonIndex) const override;
  int ButtonTextOffset() const override { return 2; }
  int ButtonTextShift() const override { return 0; }
  TColor ButtonSymbolColor(TcxButtonState AState) const override;
  TcxButtonState ButtonSymbolState(TcxButtonState) const override { return cxbsNormal; }
  void DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawButtonInGroup(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, int AButtonCount,
                         int AButtonIndex, TColor ABackgroundColor) const override;
  void DrawButtonFrame(TcxCanvas* ACanvas, const TRect& R, bool ASelected, bool AHot) const override;
  void DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                        TColor AColor = clDefault) const override;
  int ExpandButtonSize() const override { return 11; }
  bool IsButtonHotTrack() const override { return true; }
  void DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  TPoint CheckButtonAreaSize() const override { return {12, 12}; }
  TcxBorders HeaderBorders(TcxNeighbors ANeighbors) const override;
  int HeaderBorderSize() const override { return 1; }
  void DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors,
                        TcxBorders ABorders) const override;
  void DrawHeaderEx(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                    TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                    TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                    bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                    TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  void DrawHeaderControlSectionBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders,
                                      TcxButtonState AState) const override;
  void DrawHeaderControlSectionContent(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                       TcxButtonState AState, TAlignment AAlignmentHorz,
                                       TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                       bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                       TColor ATextColor, TColor ABkColor) const override;
  void DrawSortingMark(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  TPoint SortingMarkSize() const override { return {7, 8}; }
  TcxBorders FooterCellBorders() const override { return {bRight, bBottom}; }
  int FooterBorderSize() const override { return 1; }
  int FooterCellBorderSize() const override { return 1; }
  int FooterCellOffset() const override { return 2; }
  void DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCellBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  TPoint SmallCloseButtonSize() const override { return {16, 15}; }
  void DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                          bool AIsBlueArrow) const override;
  void DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder, TcxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders, bool AVertical) const override;
  int TabBorderSize() const override { return 1; }
  void DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R, TcxScrollBarPart APart,
                         TcxButtonState AState) const override;
  void DrawSplitter(TcxCanvas* ACanvas, const TRect& R, const TcxViewParams& AViewParams,
                    bool AIsHorizontal) const override;

  virtual TColor DropDownButtonBorderColor(TcxButtonState AState) const;
  virtual TColor TabBorderHighlightColor() const { return clBtnShadow; }
  virtual TColor TabBorderDarkColor() const { return clBtnText; }
  virtual TColor ButtonHotBorderColor() const { return clHighlight; }

protected:
  TcxUltraFlatLookAndFeelPainter() = default;
};

class TcxOffice11LookAndFeelPainter : public TcxUltraFlatLookAndFeelPainter {
  PELVOR_CLASS(TcxOffice11LookAndFeelPainter, TcxUltraFlatLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();

  void DrawContent(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, int AState,
                   TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                   bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                   TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr,
                   bool AIsFooter = false) const override;
  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsOffice11; }
  TColor DefaultBtnShadowColor1() const override;
  TColor DefaultBtnShadowColor2() const override;
  TColor DefaultBtnShadowColor4() const override;
  TColor DefaultBtnShadowColor5() const override { return DefaultBtnShadowColor4(); }
  TColor DefaultBtnHighlightColor1() const override;
  TColor DefaultBtnTextColor2() const override { return DefaultHeaderTextColor(); }
  TColor DefaultBtnFaceColor1() const override { return DefaultHeaderColor(); }
  TColor DefaultBtnFaceColor2() const override;
  TColor DefaultBtnFaceColor3() const override;
  TColor DefaultBtnFaceColor7() const override;
  TColor DefaultBtnFaceColor8() const override;
  TColor DefaultBtnFaceColor10() const override;
  TColor DefaultBtnFaceColor11() const override { return DefaultBtnFaceColor10(); }
  TColor DefaultHeaderColor() const override;
  TColor DefaultSelectionColor() const override;
  TColor DefaultSelectionTextColor() const override { return clWindowText; }
  TColor DefaultBorderColor() const override;
  void DrawBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  TColor ButtonColor(TcxButtonState AState) const override;
  TColor ButtonSymbolColor(TcxButtonState AState) const override;
  void DrawButtonBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                        TColor AColor = clDefault) const override;
  bool ExpandButtonOption() const override { return false; }
  void DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                             TColor AColor = clDefault) const override;
  int SmallExpandButtonSize() const override { return ExpandButtonSize(); }
  TColor CheckButtonColor(TcxButtonState AState) const override;
  void DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                  TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                  TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                  bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                  TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr,
                  bool AIsLast = false) const override;
  void DrawHeaderBorder(TcxCanvas* ACanvas, const TRect& R, TcxNeighbors ANeighbors,
                        TcxBorders ABorders) const override;
  void DrawHeaderControlSection(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                TColor ABkColor) const override;
  void DrawSortingMark(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  TcxBorders HeaderBorders(TcxNeighbors) const override { return cxBordersAll; }
  bool HeaderOption2() const override { return true; }
  TColor FooterSeparatorColor() const override { return DarkBorderColor(); }
  void DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                          bool AIsBlueArrow) const override;
  void DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R, TcxScrollBarPart APart,
                         TcxButtonState AState) const override;
  void DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds, const String& AText, TcxNeighbors ANeighbors,
                       const TcxViewParams& AViewParams, TcxMonthArrows AArrows, int ASideWidth,
                       TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  void DrawContainerBorder(TcxCanvas* ACanvas, const TRect& R) const override;

  TColor DropDownButtonBorderColor(TcxButtonState AState) const override;
  TColor TabBorderHighlightColor() const override { return DarkBorderColor(); }
  TColor ButtonHotBorderColor() const override;

  virtual TColor GradientBeginColor() const;
  virtual TColor DarkBorderColor() const;
  virtual TColor LightBorderColor() const;
  virtual TColor GradientEndColor() const;

protected:
  TcxOffice11LookAndFeelPainter() = default;
};

class TcxWinXPLookAndFeelPainter : public TcxStandardLookAndFeelPainter {
  PELVOR_CLASS(TcxWinXPLookAndFeelPainter, TcxStandardLookAndFeelPainter)

  static TcxLookAndFeelPainterClass Instance();

  TcxLookAndFeelStyle LookAndFeelStyle() const override { return lfsNative; }
  TColor DefaultPlusGlyphColor() const override { return clNavy; }
  TColor DefaultInfoColor() const override { return TColor(RGB(255, 255, 213)); }
  TColor DefaultBorderColor() const override;
  void DrawArrowButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                       TcxArrowDirection AArrowDirection, bool ADrawBackground = true) const override;
  void DrawButtonBackground(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  int BorderSize() const override;
  void DrawBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  int ButtonBorderSize(TcxButtonState AState = cxbsNormal) const override;
  TColor ButtonColor(TcxButtonState AState) const override;
  TRect ButtonFocusRect(TcxCanvas* ACanvas, const TRect& R) const override;
  TRect ButtonGroupBorderSizes(int AButtonCount, int AButtonIndex) const override;
  int ButtonTextOffset() const override { return 2; }
  int ButtonTextShift() const override { return 0; }
  TColor ButtonSymbolColor(TcxButtonState AState) const override;
  void DrawButton(TcxCanvas* ACanvas, const TRect& R, const String& ACaption, TcxButtonState AState,
                  bool ADrawBorder = true, TColor AColor = clDefault,
                  TColor ATextColor = clDefault) const override;
  void DrawExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                        TColor AColor = clDefault) const override;
  bool ExpandButtonOption() const override { return false; }
  void DrawGroupExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded,
                             TcxButtonState AState) const override;
  void DrawSmallExpandButton(TcxCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                             TColor AColor = clDefault) const override;
  int ExpandButtonSize() const override;
  int GroupExpandButtonSize() const override;
  bool IsButtonHotTrack() const override { return true; }
  bool IsPointOverGroupExpandButton(const TRect& R, const TPoint& P) const override;
  int SmallExpandButtonSize() const override;
  int CheckBorderSize() const override;
  void DrawCheck(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, bool AChecked,
                 TColor AColor) const override;
  void DrawCheckBorder(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawRadioButton(TcxCanvas* ACanvas, int X, int Y, TcxButtonState AButtonState, bool AChecked,
                       bool AFocused, TColor ABrushColor, bool AIsDesigning = false) const override;
  void DrawHeader(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                  TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                  TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                  bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                  TColor ABkColor, TcxDrawBackgroundEvent AOnDrawBackground = nullptr,
                  bool AIsLast = false) const override;
  void DrawHeaderPressed(TcxCanvas* ACanvas, const TRect& ABounds) const override;
  void DrawHeaderControlSection(TcxCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                TcxNeighbors ANeighbors, TcxBorders ABorders, TcxButtonState AState,
                                TAlignment AAlignmentHorz, TcxAlignmentVert AAlignmentVert, bool AMultiLine,
                                bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                TColor ABkColor) const override;
  void DrawSortingMark(TcxCanvas* ACanvas, const TRect& R, bool AAscendingSorting) const override;
  int HeaderBorderSize() const override;
  int HeaderControlSectionBorderSize(TcxButtonState = cxbsNormal) const override {
    return HeaderBorderSize();
  }
  TRect HeaderControlSectionContentBounds(const TRect& ABounds, TcxButtonState AState) const override;
  bool HeaderOption() const override { return false; }
  bool HeaderOption2() const override { return true; }
  TPoint SortingMarkSize() const override { return {7, 8}; }
  void DrawFooterBorder(TcxCanvas* ACanvas, const TRect& R) const override;
  void DrawFooterCell(TcxCanvas* ACanvas, const TRect& ABounds, TAlignment AAlignmentHorz,
                      TcxAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText, TFont* AFont,
                      TColor ATextColor, TColor ABkColor,
                      TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  int FooterBorderSize() const override { return 1; }
  int FooterCellBorderSize() const override;
  int FooterCellOffset() const override { return 1; }
  bool FooterOption() const override { return false; }
  void DrawSmallCloseButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawDropDownButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState,
                          bool AIsBlueArrow) const override;
  TPoint CheckButtonSize() const override;
  TPoint SmallCloseButtonSize() const override;
  TPoint CheckButtonAreaSize() const override { return {15, 15}; }
  TPoint PinButtonSize() const override;
  void DrawSmallPlusButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState) const override;
  void DrawPinButton(TcxCanvas* ACanvas, const TRect& R, TcxButtonState AState, bool APinned,
                     TColor ABkColor = clDefault) const override;
  void DrawTab(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders, const String& AText,
               TcxButtonState AState, bool AVertical, TFont* AFont, TColor ATextColor,
               TColor ABkColor) const override;
  void DrawTabBorder(TcxCanvas* ACanvas, const TRect& R, TcxBorder ABorder, TcxBorders ABorders,
                     bool AVertical) const override;
  void DrawTabsRoot(TcxCanvas* ACanvas, const TRect& R, TcxBorders ABorders, bool AVertical) const override;
  bool TabOption1() const override;
  bool TabOption2() const override;
  void DrawIndicatorItem(TcxCanvas* ACanvas, const TRect& R, TcxIndicatorKind AKind, TColor ABkColor,
                         TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  void DrawScrollBarPart(TcxCanvas* ACanvas, bool AHorizontal, const TRect& R, TcxScrollBarPart APart,
                         TcxButtonState AState) const override;
  void DrawMonthHeader(TcxCanvas* ACanvas, const TRect& ABounds, const String& AText, TcxNeighbors ANeighbors,
                       const TcxViewParams& AViewParams, TcxMonthArrows AArrows, int ASideWidth,
                       TcxDrawBackgroundEvent AOnDrawBackground = nullptr) const override;
  void DrawSplitter(TcxCanvas* ACanvas, const TRect& R, const TcxViewParams& AViewParams,
                    bool AIsHorizontal) const override;

  virtual void DrawContentText(TcxCanvas* ACanvas, HTHEME ATheme, int APartId, int AStateId,
                               const TRect& ABounds, const TRect& ATextRect, TAlignment AAlignmentHorz,
                               TcxAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                               const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor) const;

protected:
  TcxWinXPLookAndFeelPainter() = default;
};

// The themed part states the native painter draws in, by button state; states a table leaves out map to the
// normal state so that no lookup reads past a table.
namespace cxThemeStates {
int PushButton(TcxButtonState AState);
int CheckBox(TcxButtonState AState, bool AChecked);
int RadioButton(TcxButtonState AState, bool AChecked);
int HeaderItem(TcxButtonState AState);
int SmallCloseButton(TcxButtonState AState);
int ComboDropDown(TcxButtonState AState);
int HeaderPin(TcxButtonState AState);
int TabItem(TcxButtonState AState);
int GroupExpand(TcxButtonState AState);
int ScrollArrow(TcxButtonState AState, TcxArrowDirection ADirection);
int ScrollTrack(TcxButtonState AState);
} // namespace cxThemeStates

// Start-up and end of the painter unit: the indicator, pin and checker images and the palette notifier that
// renders the radio images again; nested calls are counted.
void cxLookAndFeelPaintersInitialize();
void cxLookAndFeelPaintersFinalize();
extern const TUnitInfo cxLookAndFeelPaintersUnit;
