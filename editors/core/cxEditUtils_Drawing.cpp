#include <algorithm>

#include "editors/core/cxEditUtils.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/controls/ImgList.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/win/SystemMetrics.h"

namespace {

constexpr int ClassicBorderWidths[] = {2, 4, 3, 3, 2, 2, 2};
// The theme's state of a button, indexed by TcxEditButtonState.
constexpr int NativeButtonStates[] = {4, 1, 3, 2};
constexpr int NativeButtonPart = 1;

TdxThemedObjectType ThemeClassOf(const TcxEditButtonDrawInfo& AButton) {
  return AButton.DropDown ? totComboBox : totButton;
}

// A native button whose theme cannot be opened is drawn and measured in the classic look.
HTHEME NativeTheme(const TcxEditButtonDrawInfo& AButton) {
  return AButton.NativeStyle ? OpenTheme(ThemeClassOf(AButton)) : nullptr;
}

TColor ButtonColor(const TcxEditButtonDrawInfo& AButton) {
  return AButton.BackgroundColor == clDefault ? clBtnFace : AButton.BackgroundColor;
}

bool IsHotOrPressed(const TcxEditButtonDrawInfo& AButton) {
  return AButton.State == ebsSelected || AButton.State == ebsPressed;
}

TRect Deflated(TRect R, int ALeft, int ATop, int ARight, int ABottom) {
  R.left += ALeft;
  R.top += ATop;
  R.right -= ARight;
  R.bottom -= ABottom;
  return R;
}

void FillWithColor(TcxCanvas* ACanvas, const TRect& R, TColor AColor) {
  if (IsRectEmpty(&R))
    return;
  RECT r = R;
  FillRect(ACanvas->Handle(), &r, GetSolidBrush(AColor));
}

// A one-pixel frame drawn as four strips: left and top in one colour, right and bottom in another.
void Frame(TcxCanvas* ACanvas, const TRect& R, TColor ALeftTop, TColor ARightBottom) {
  FillWithColor(ACanvas, Rect(R.left, R.top, R.right - 1, R.top + 1), ALeftTop);
  FillWithColor(ACanvas, Rect(R.left, R.top, R.left + 1, R.bottom - 1), ALeftTop);
  FillWithColor(ACanvas, Rect(R.right - 1, R.top, R.right, R.bottom), ARightBottom);
  FillWithColor(ACanvas, Rect(R.left, R.bottom - 1, R.right, R.bottom), ARightBottom);
}

} // namespace

TcxLookAndFeelPainterClass GetLookAndFeelPainterClass(bool ANativeStyle, TcxLookAndFeelKind AKind) {
  if (ANativeStyle && AreVisualStylesAvailable())
    return TcxWinXPLookAndFeelPainter::Instance();
  return cxLookAndFeelPainterOfKind(AKind);
}

TColor GetHotTrackColor() {
  return IsThemedTextHotColorAvailable ? clHotLight : TColor(0xFF0000);
}

TColor GetEditBorderHighlightColor(bool AIsOffice11Style) {
  return AIsOffice11Style
             ? static_cast<const TcxOffice11LookAndFeelPainter*>(TcxOffice11LookAndFeelPainter::Instance())
                   ->ButtonHotBorderColor()
             : clHighlight;
}

TColor GetEditButtonHighlightColor(bool APressed, bool AIsOffice11Style) {
  TcxLookAndFeelPainterClass painter = AIsOffice11Style ? TcxOffice11LookAndFeelPainter::Instance()
                                                        : TcxUltraFlatLookAndFeelPainter::Instance();
  return painter->ButtonColor(APressed ? cxbsPressed : cxbsHot);
}

TSize CalculateArrowSize(const TSize& AButtonSize, TcxArrowDirection ADirection) {
  int base = (std::min(AButtonSize.cx, AButtonSize.cy) - 1) / 2;
  if (base % 2 == 0)
    ++base;
  const int height = base / 2 + 1;
  if (ADirection == adLeft || ADirection == adRight)
    return TSize{height, base};
  return TSize{base, height};
}

void DrawArrow(TcxCanvas* ACanvas, const TRect& R, TColor AColor, TcxArrowDirection ADirection, bool APressed,
               int ACount, int ASize) {
  if (ASize <= 0 || ACount <= 0)
    return;
  const bool vertical = ADirection == adUp || ADirection == adDown;
  const int across = 2 * ASize - 1;
  const int along = ASize * ACount;
  const int groupWidth = vertical ? across : along;
  const int groupHeight = vertical ? along : across;
  int x0 = R.left + (RectWidth(R) - groupWidth) / 2;
  int y0 = R.top + (RectHeight(R) - groupHeight) / 2;
  if (APressed) {
    ++x0;
    ++y0;
  }
  HBRUSH brush = GetSolidBrush(AColor);
  HDC dc = ACanvas->Handle();
  for (int n = 0; n < ACount; ++n)
    for (int j = 0; j < ASize; ++j) {
      const int half = ADirection == adUp || ADirection == adLeft ? j : ASize - 1 - j;
      RECT strip;
      if (vertical) {
        const int y = y0 + n * ASize + j;
        strip = {x0 + ASize - 1 - half, y, x0 + ASize + half, y + 1};
      } else {
        const int x = x0 + n * ASize + j;
        strip = {x, y0 + ASize - 1 - half, x + 1, y0 + ASize + half};
      }
      FillRect(dc, &strip, brush);
    }
}

void DrawEllipsisDots(TcxCanvas* ACanvas, int X, int Y, int ADotSize, TColor AColor) {
  for (int i = 0; i < 3; ++i)
    FillWithColor(ACanvas, Bounds(X + i * (ADotSize + 2), Y, ADotSize, ADotSize), AColor);
}

void DrawPolyline(TcxCanvas* ACanvas, std::span<const TPoint> APoints, TColor AColor, bool AAsRectangles) {
  if (APoints.empty())
    return;
  if (AAsRectangles) {
    if (APoints.size() == 1)
      FillWithColor(ACanvas, Bounds(APoints[0].x, APoints[0].y, 1, 1), AColor);
    for (std::size_t i = 0; i + 1 < APoints.size(); ++i) {
      const TPoint a = APoints[i];
      const TPoint b = APoints[i + 1];
      FillWithColor(
          ACanvas,
          Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1),
          AColor);
    }
    return;
  }
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->MoveTo(APoints[0].x, APoints[0].y);
  for (std::size_t i = 1; i < APoints.size(); ++i)
    ACanvas->LineTo(APoints[i].x, APoints[i].y);
  // A line leaves out its last pixel.
  ACanvas->SetPixel(APoints.back().x, APoints.back().y, AColor);
}

TPoint CalculateCenteredPosition(const TRect& R, const TSize& ASize, bool AShift) {
  TPoint p{R.left + (RectWidth(R) - ASize.cx) / 2, R.top + (RectHeight(R) - ASize.cy) / 2};
  if (AShift) {
    if (p.x + 1 + ASize.cx <= R.right)
      ++p.x;
    if (p.y + 1 + ASize.cy <= R.bottom)
      ++p.y;
  }
  return p;
}

bool IsGlyphAssigned(TBitmap* AGlyph) {
  return AGlyph && !AGlyph->Empty() && AGlyph->Width() > 0 && AGlyph->Height() > 0;
}

void DrawGlyph(TcxCanvas* ACanvas, const TPoint& APoint, TBitmap* AGlyph, bool AEnabled,
               TColor ABackgroundColor) {
  if (!IsGlyphAssigned(AGlyph))
    return;
  if (ABackgroundColor != clNone)
    FillWithColor(ACanvas, Bounds(APoint.x, APoint.y, AGlyph->Width(), AGlyph->Height()), ABackgroundColor);
  if (AEnabled) {
    // The glyph's own transparency setting is the caller's: it is put back whatever the drawing does.
    struct TTransparentGuard {
      TBitmap* Glyph;
      bool Was;
      ~TTransparentGuard() { Glyph->SetTransparent(Was); }
    } guard{AGlyph, AGlyph->Transparent()};
    AGlyph->SetTransparent(true);
    ACanvas->Draw(APoint.x, APoint.y, AGlyph);
  } else {
    TImageList images(AGlyph->Width(), AGlyph->Height());
    images.AddMasked(AGlyph, AGlyph->TransparentColor());
    images.Draw(ACanvas->Canvas(), APoint.x, APoint.y, 0, false);
  }
}

void DrawImageListImage(TcxCanvas* ACanvas, const TPoint& APoint, TImageList* AImages, int AIndex,
                        bool AEnabled, TColor ABackgroundColor) {
  if (!AImages || AIndex < 0 || AIndex >= AImages->Count())
    return;
  if (ABackgroundColor != clNone)
    FillWithColor(ACanvas, Bounds(APoint.x, APoint.y, AImages->Width(), AImages->Height()), ABackgroundColor);
  AImages->Draw(ACanvas->Canvas(), APoint.x, APoint.y, AIndex, AEnabled);
}

int GetEditButtonBorderWidth(const TcxEditButtonDrawInfo& AButton) {
  if (HTHEME theme = NativeTheme(AButton)) {
    RECT bounds{0, 0, 100, 100};
    RECT content = bounds;
    dxUxTheme::GetThemeBackgroundContentRect(theme, nullptr, NativeButtonPart,
                                             NativeButtonStates[AButton.State], bounds, content);
    return 100 - RectWidth(content);
  }
  return ClassicBorderWidths[AButton.Style];
}

int CalculateEditButtonWidth(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton) {
  const int border = GetEditButtonBorderWidth(AButton);
  if (AButton.Width > 0)
    return std::max(AButton.Width, border);
  int width = 0;
  if (AButton.Kind == bkGlyph && IsGlyphAssigned(AButton.Glyph))
    width = AButton.Glyph->Width() + border;
  else if (AButton.Kind == bkText)
    width = border + ACanvas->TextWidth(AButton.Caption) + 3;
  return std::max(width, GetSystemMetrics(SM_CYHSCROLL));
}

void FillRectWithBrush(HDC ADC, const TRect& R, HBRUSH ABrush) {
  RECT r = R;
  FillRect(ADC, &r, ABrush);
}

void FillFrameWithBrush(TcxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, HBRUSH ABrush) {
  if (IsRectEmpty(&AOuter) || EqualRect(&AOuter, &AInner))
    return;
  HDC dc = ACanvas->Handle();
  if (IsRectEmpty(&AInner)) {
    FillRectWithBrush(dc, AOuter, ABrush);
    return;
  }
  FillRectWithBrush(dc, Rect(AOuter.left, AOuter.top, AOuter.right, AInner.top), ABrush);
  FillRectWithBrush(dc, Rect(AOuter.left, AInner.bottom, AOuter.right, AOuter.bottom), ABrush);
  FillRectWithBrush(dc, Rect(AOuter.left, AInner.top, AInner.left, AInner.bottom), ABrush);
  FillRectWithBrush(dc, Rect(AInner.right, AInner.top, AOuter.right, AInner.bottom), ABrush);
}

void DrawEditButtonBorder(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton, const TRect& R,
                          TRect& AContentRect) {
  if (HTHEME theme = NativeTheme(AButton)) {
    const int state = NativeButtonStates[AButton.State];
    dxUxTheme::DrawThemeBackground(theme, ACanvas->Handle(), NativeButtonPart, state, R, nullptr);
    dxUxTheme::GetThemeBackgroundContentRect(theme, ACanvas->Handle(), NativeButtonPart, state, R,
                                             AContentRect);
    return;
  }
  const TColor color = ButtonColor(AButton);
  const bool pressed = AButton.State == ebsPressed;
  TRect inside = R;
  switch (AButton.Style) {
  case btsDefault:
    break;
  case bts3D:
    if (pressed) {
      Frame(ACanvas, R, clBtnShadow, clBtnShadow);
      Frame(ACanvas, Deflated(R, 1, 1, 1, 1), color, color);
    } else {
      Frame(ACanvas, R, cl3DLight, cl3DDkShadow);
      Frame(ACanvas, Deflated(R, 1, 1, 1, 1), clBtnHighlight, clBtnShadow);
    }
    inside = Deflated(R, 2, 2, 2, 2);
    break;
  case btsFlat:
    FillWithColor(ACanvas, Rect(R.left, R.top, R.left + 1, R.bottom), color);
    if (pressed)
      Frame(ACanvas, Deflated(R, 1, 0, 0, 0), clBtnShadow, clBtnHighlight);
    else
      Frame(ACanvas, Deflated(R, 1, 0, 0, 0), clBtnHighlight, clBtnShadow);
    inside = Deflated(R, 2, 1, 1, 1);
    break;
  case btsSimple: {
    const TPoint separator[] = {{R.left, R.top}, {R.left, R.bottom - 1}};
    DrawPolyline(ACanvas, separator, clBtnShadow, true);
    Frame(ACanvas, Deflated(R, 1, 0, 0, 0), color, color);
    inside = Deflated(R, 2, 1, 1, 1);
    break;
  }
  case btsHotFlat:
  case btsUltraFlat:
  case btsOffice11: {
    const bool office11 = AButton.Style == btsOffice11 || AButton.Office11;
    TColor frame = color;
    if (IsHotOrPressed(AButton))
      frame = AButton.Style == btsHotFlat ? clBtnShadow : GetEditBorderHighlightColor(office11);
    const TPoint outline[] = {{R.left, R.top},
                              {R.right - 1, R.top},
                              {R.right - 1, R.bottom - 1},
                              {R.left, R.bottom - 1},
                              {R.left, R.top}};
    DrawPolyline(ACanvas, outline, frame, true);
    inside = Deflated(R, 1, 1, 1, 1);
    break;
  }
  }
  TColor fill = color;
  if ((AButton.Style == btsUltraFlat || AButton.Style == btsOffice11) && IsHotOrPressed(AButton))
    fill = GetEditButtonHighlightColor(pressed, AButton.Style == btsOffice11 || AButton.Office11);
  FillWithColor(ACanvas, inside, fill);
  AContentRect = inside;
}

void DrawEditButtonContent(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton,
                           const TRect& AContentRect) {
  const bool native = NativeTheme(AButton) != nullptr;
  const bool pressed = AButton.State == ebsPressed;
  const bool disabled = AButton.State == ebsDisabled;
  const bool hasGlyph = IsGlyphAssigned(AButton.Glyph);
  if (!native && !(AButton.Kind == bkGlyph && hasGlyph)) {
    TColor fill = ButtonColor(AButton);
    if ((AButton.Style == btsUltraFlat || AButton.Style == btsOffice11) && IsHotOrPressed(AButton))
      fill = GetEditButtonHighlightColor(pressed, AButton.Style == btsOffice11 || AButton.Office11);
    FillWithColor(ACanvas, AContentRect, fill);
  }
  switch (AButton.Kind) {
  case bkEllipsis: {
    const int dot = RectWidth(AContentRect) >= 12 ? 2 : 1;
    const TPoint p = CalculateCenteredPosition(AContentRect, TSize{3 * dot + 4, dot}, pressed);
    if (disabled) {
      DrawEllipsisDots(ACanvas, p.x + 1, p.y + 1, dot, clBtnHighlight);
      DrawEllipsisDots(ACanvas, p.x, p.y, dot, clBtnShadow);
    } else {
      DrawEllipsisDots(ACanvas, p.x, p.y, dot, AButton.TextColor);
    }
    break;
  }
  case bkDown: {
    // The drop-down theme part carries its own arrow.
    if (native && AButton.DropDown)
      break;
    const TSize size = CalculateArrowSize(TSize{RectWidth(AContentRect), RectHeight(AContentRect)}, adDown);
    if (disabled) {
      TRect shifted = AContentRect;
      OffsetRect(&shifted, 1, 1);
      DrawArrow(ACanvas, shifted, clBtnHighlight, adDown, pressed, 1, size.cy);
      DrawArrow(ACanvas, AContentRect, clBtnShadow, adDown, pressed, 1, size.cy);
    } else {
      DrawArrow(ACanvas, AContentRect, AButton.TextColor, adDown, pressed, 1, size.cy);
    }
    break;
  }
  case bkGlyph:
    if (hasGlyph) {
      const TPoint p = CalculateCenteredPosition(
          AContentRect, TSize{AButton.Glyph->Width(), AButton.Glyph->Height()}, pressed);
      DrawGlyph(ACanvas, p, AButton.Glyph, !disabled);
    }
    break;
  case bkText: {
    TColor old = ACanvas->Font()->Color();
    ACanvas->Font()->SetColor(disabled ? clBtnShadow : AButton.TextColor);
    ACanvas->Brush()->SetStyle(bsClear);
    try {
      ACanvas->DrawText(AButton.Caption, AContentRect, cxAlignHCenter | cxAlignVCenter | cxSingleLine);
    } catch (...) {
      ACanvas->Font()->SetColor(old);
      throw;
    }
    ACanvas->Font()->SetColor(old);
    break;
  }
  }
}

void DrawEditButton(TcxCanvas* ACanvas, const TcxEditButtonDrawInfo& AButton) {
  TRect content{};
  DrawEditButtonBorder(ACanvas, AButton, AButton.Bounds, content);
  DrawEditButtonContent(ACanvas, AButton, content);
}

DWORD PackTextFlags(DWORD AFlags) {
  DWORD result = 0;
  if (AFlags & 1)
    result |= 4;
  if (AFlags & 2)
    result |= 2;
  if (AFlags & 16)
    result |= 32;
  if (AFlags & 32)
    result |= 16;
  if (AFlags & 0x200)
    result |= 64;
  return result;
}

DWORD UnpackTextFlags(DWORD AFlags) {
  DWORD result = 0;
  if ((AFlags & 2) && (AFlags & 4))
    result |= 3;
  else if (AFlags & 2)
    result |= 2;
  else if (AFlags & 4)
    result |= 1;
  if (AFlags & 32)
    result |= 16;
  if (AFlags & 16)
    result |= 32;
  if (AFlags & 64)
    result |= 0x200;
  return result;
}

String RemoveAccelChars(const String& ACaption) {
  String result;
  result.reserve(ACaption.size());
  for (std::size_t i = 0; i < ACaption.size(); ++i) {
    if (ACaption[i] != '&') {
      result += ACaption[i];
    } else if (i + 1 == ACaption.size()) {
      result += '_';
    } else {
      // The next character stays: a doubled prefix gives one prefix character, any other the character.
      result += ACaption[++i];
    }
  }
  return result;
}
