#include "lookandfeel/cxGraphics.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

int FloorDiv(int a, int b) {
  int q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

TRect Intersect(const TRect& a, const TRect& b) {
  TRect r{};
  IntersectRect(&r, &a, &b);
  return r;
}

int PlatformMode(TcxRegionOperation AOperation) {
  switch (AOperation) {
  case roSet:
    return RGN_COPY;
  case roAdd:
    return RGN_OR;
  case roSubtract:
    return RGN_DIFF;
  case roIntersect:
    return RGN_AND;
  }
  return RGN_COPY;
}

// Stands for "no clip region": larger than any surface the program draws on.
constexpr int everythingExtent = 0x6666666;

} // namespace

UINT cxFlagsToDTFlags(int Flags) {
  UINT r = DT_NOPREFIX;
  if (Flags & cxAlignRight)
    r |= DT_RIGHT;
  if (Flags & cxAlignHCenter)
    r |= DT_CENTER;
  if (Flags & cxAlignBottom)
    r |= DT_BOTTOM;
  if (Flags & cxAlignVCenter)
    r |= DT_VCENTER;
  if (Flags & cxSingleLine)
    r |= DT_SINGLELINE;
  if (Flags & cxDontClip)
    r |= DT_NOCLIP;
  if (Flags & cxExpandTabs)
    r |= DT_EXPANDTABS;
  if (Flags & cxShowPrefix)
    r &= ~UINT(DT_NOPREFIX);
  if (Flags & cxWordBreak)
    r |= DT_WORDBREAK | DT_EDITCONTROL;
  if (Flags & cxShowEndEllipsis)
    r |= DT_END_ELLIPSIS;
  if (Flags & cxDontPrint)
    r |= DT_CALCRECT;
  if (Flags & cxShowPathEllipsis)
    r |= DT_PATH_ELLIPSIS;
  return r;
}

TcxRegion::TcxRegion(HRGN AHandle) : FHandle(AHandle) {}

TcxRegion::TcxRegion(const TRect& ABounds) : FHandle(CreateRectRgnIndirect(&ABounds)) {}

TcxRegion::TcxRegion(int ALeft, int ATop, int ARight, int ABottom)
    : FHandle(CreateRectRgn(ALeft, ATop, ARight, ABottom)) {}

TcxRegion::TcxRegion() : TcxRegion(0, 0, 0, 0) {}

TcxRegion::~TcxRegion() {
  if (FHandle)
    DeleteObject(FHandle);
}

bool TcxRegion::IsEmpty() const {
  RECT box{};
  return GetRgnBox(FHandle, &box) == NULLREGION;
}

void TcxRegion::Combine(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion) {
  if (!ARegion)
    return;
  if (AOperation == roSet)
    CombineRgn(FHandle, ARegion->FHandle, nullptr, RGN_COPY);
  else
    CombineRgn(FHandle, FHandle, ARegion->FHandle, PlatformMode(AOperation));
  if (ADestroyRegion && ARegion != this)
    ARegion->Free();
}

void TcxRegion::Offset(int DX, int DY) {
  OffsetRgn(FHandle, DX, DY);
}

TPoint TcxCanvas::GetWindowOrg() const {
  POINT p{};
  GetWindowOrgEx(Handle(), &p);
  return p;
}

void TcxCanvas::SetBrushColor(TColor Value) {
  if (Brush()->Color() != Value)
    Brush()->SetColor(Value);
}

void TcxCanvas::FillRect(const TRect& R, TBitmap* ABitmap) {
  if (IsRectEmpty(&R))
    return;
  if (!ABitmap || ABitmap->Empty()) {
    FCanvas->FillRect(R);
    return;
  }
  int w = ABitmap->Width(), h = ABitmap->Height();
  HDC dest = Handle();
  HDC src = ABitmap->Canvas()->Handle();
  for (int row = FloorDiv(R.top, h); row * h < R.bottom; ++row)
    for (int col = FloorDiv(R.left, w); col * w < R.right; ++col) {
      TRect cell = Bounds(col * w, row * h, w, h);
      TRect part = Intersect(cell, R);
      if (IsRectEmpty(&part))
        continue;
      BitBlt(dest, part.left, part.top, RectWidth(part), RectHeight(part), src, part.left - cell.left,
             part.top - cell.top, SRCCOPY);
    }
}

void TcxCanvas::FillRect(const TRect& R, TColor AColor) {
  if (IsRectEmpty(&R))
    return;
  if (AColor != clDefault)
    SetBrushColor(AColor);
  FCanvas->FillRect(R);
}

void TcxCanvas::FrameRect(const TRect& R, TColor Color, int ALineWidth, TcxBorders ABorders) {
  if (IsRectEmpty(&R))
    return;
  if (Color != clDefault)
    SetBrushColor(Color);
  auto strip = [&](TRect s) {
    TRect part = Intersect(s, R);
    if (!IsRectEmpty(&part))
      FCanvas->FillRect(part);
  };
  if (ABorders.Contains(bLeft))
    strip({R.left, R.top, R.left + ALineWidth, R.bottom});
  if (ABorders.Contains(bRight))
    strip({R.right - ALineWidth, R.top, R.right, R.bottom});
  if (ABorders.Contains(bTop))
    strip({R.left, R.top, R.right, R.top + ALineWidth});
  if (ABorders.Contains(bBottom))
    strip({R.left, R.bottom - ALineWidth, R.right, R.bottom});
}

void TcxCanvas::DrawComplexFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor,
                                 TcxBorders ABorders, int ABorderWidth) {
  auto strip = [&](TColor color, TRect s) {
    SetBrushColor(color);
    FCanvas->FillRect(s);
  };
  if (ABorders.Contains(bLeft))
    strip(ALeftTopColor, {R.left, R.top, R.left + ABorderWidth, R.bottom});
  if (ABorders.Contains(bTop))
    strip(ALeftTopColor, {R.left, R.top, R.right, R.top + ABorderWidth});
  if (ABorders.Contains(bRight))
    strip(ARightBottomColor, {R.right - ABorderWidth, R.top, R.right, R.bottom});
  if (ABorders.Contains(bBottom))
    strip(ARightBottomColor, {R.left, R.bottom - ABorderWidth, R.right, R.bottom});
}

void TcxCanvas::DrawEdge(const TRect& R, bool ASunken, bool AOuter, TcxBorders ABorders) {
  TColor leftTop, rightBottom;
  if (ASunken) {
    leftTop = AOuter ? clBtnShadow : cl3DDkShadow;
    rightBottom = AOuter ? clBtnHighlight : cl3DLight;
  } else {
    leftTop = AOuter ? cl3DLight : clBtnHighlight;
    rightBottom = AOuter ? cl3DDkShadow : clBtnShadow;
  }
  DrawComplexFrame(R, leftTop, rightBottom, ABorders, 1);
}

void TcxCanvas::DrawFocusRect(const TRect& R) {
  // Fixed colours make the inverting pattern the same on every background.
  SetBrushColor(clWhite);
  Font()->SetColor(clBlack);
  FCanvas->DrawFocusRect(R);
}

void TcxCanvas::InvertRect(const TRect& R) {
  FCanvas->SetCopyMode(DSTINVERT);
  FCanvas->CopyRect(R, FCanvas, R);
  FCanvas->SetCopyMode(SRCCOPY);
}

TSize TcxCanvas::TextExtent(const String& Text) {
  if (Text.empty())
    return TSize{0, 0};
  FCanvas->RequiredState({csHandleValid, csFontValid});
  SIZE size{};
  GetTextExtentPoint32A(Handle(), Text.data(), int(Text.size()), &size);
  return size;
}

int TcxCanvas::FontHeight(TFont* AFont) {
  SetFont(AFont);
  return TextHeight("Qq");
}

void TcxCanvas::CalculateTextRect(const String& Text, TRect& R, int Flags) {
  UINT dt = (cxFlagsToDTFlags(Flags) & ~UINT(DT_VCENTER)) | DT_CALCRECT;
  TRect measured = R;
  FCanvas->RequiredState({csHandleValid, csFontValid});
  DrawTextA(Handle(), Text.data(), int(Text.size()), &measured, dt);
  int freeWidth = RectWidth(R) - RectWidth(measured);
  int freeHeight = RectHeight(R) - RectHeight(measured);
  int dx = 0, dy = 0;
  if (Flags & cxAlignHCenter)
    dx = FloorDiv(freeWidth, 2);
  else if (Flags & cxAlignRight)
    dx = freeWidth;
  if (Flags & cxAlignVCenter)
    dy = FloorDiv(freeHeight, 2);
  else if (Flags & cxAlignBottom)
    dy = freeHeight;
  OffsetRect(&measured, dx, dy);
  R = measured;
}

void TcxCanvas::DrawText(const String& Text, TRect R, int Flags, bool Enabled) {
  if (Text.empty())
    return;
  bool viaExtTextOut =
      (Flags & cxSingleLine) && !(Flags & (cxShowPrefix | cxShowEndEllipsis | cxShowPathEllipsis));
  TSize extent = TextExtent(Text);
  if (RectWidth(R) > extent.cx && RectHeight(R) > extent.cy)
    Flags |= cxDontClip;
  // A disabled text leaves room for its embossed copy one pixel right and down.
  int shrink = Enabled ? 0 : 1;
  R.right -= shrink;
  R.bottom -= shrink;
  UINT dt = 0;
  if (!viaExtTextOut) {
    if (!(Flags & cxSingleLine) && (Flags & (cxAlignBottom | cxAlignVCenter))) {
      TRect calc = R;
      CalculateTextRect(Text, calc, Flags & ~(cxAlignBottom | cxAlignVCenter));
      int h = RectHeight(calc);
      if (Flags & cxAlignBottom)
        R.top = R.bottom - h;
      else
        R.top = FloorDiv(R.top + R.bottom - h, 2);
    }
    dt = cxFlagsToDTFlags(Flags);
  } else {
    if (extent.cx < RectWidth(R)) {
      if (Flags & cxAlignRight)
        R.left = R.right - extent.cx;
      else if (Flags & cxAlignHCenter)
        R.left = FloorDiv(R.left + R.right - extent.cx, 2);
    }
    if (extent.cy < RectHeight(R)) {
      if (Flags & cxAlignBottom)
        R.top = R.bottom - extent.cy;
      else if (Flags & cxAlignVCenter)
        R.top = FloorDiv(R.top + R.bottom - extent.cy, 2);
    }
  }
  auto output = [&](int offset) {
    TRect r = R;
    OffsetRect(&r, offset, offset);
    FCanvas->RequiredState({csHandleValid, csFontValid, csBrushValid});
    if (viaExtTextOut)
      ExtTextOutA(Handle(), r.left, r.top, (Flags & cxDontClip) ? 0 : ETO_CLIPPED, &r, Text.data(),
                  UINT(Text.size()), nullptr);
    else
      DrawTextA(Handle(), Text.data(), int(Text.size()), &r, dt);
  };
  TColor oldFontColor = Font()->Color();
  TBrushStyle oldBrushStyle = Brush()->Style();
  if (Enabled) {
    output(0);
  } else {
    Brush()->SetStyle(bsClear);
    Font()->SetColor(clBtnHighlight);
    output(1);
    Font()->SetColor(clBtnShadow);
    output(0);
  }
  if (Brush()->Style() != oldBrushStyle)
    Brush()->SetStyle(oldBrushStyle);
  Font()->SetColor(oldFontColor);
}

void TcxCanvas::ExcludeClipRect(const TRect& R) {
  ::ExcludeClipRect(Handle(), R.left, R.top, R.right, R.bottom);
}

void TcxCanvas::IntersectClipRect(const TRect& R) {
  ::IntersectClipRect(Handle(), R.left, R.top, R.right, R.bottom);
}

TcxRegion* TcxCanvas::GetClipRegion() {
  auto* region = new TcxRegion();
  if (GetClipRgn(Handle(), region->Handle()) != 1)
    SetRectRgn(region->Handle(), 0, 0, everythingExtent, everythingExtent);
  return region;
}

void TcxCanvas::SetClipRegion(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion) {
  if (!ARegion)
    return;
  if (AOperation == roSet) {
    SelectClipRgn(Handle(), ARegion->Handle());
  } else {
    TPoint org = GetWindowOrg();
    ARegion->Offset(-org.x, -org.y);
    TcxRegion* clip = GetClipRegion();
    clip->Combine(ARegion, AOperation, false);
    SelectClipRgn(Handle(), clip->Handle());
    clip->Free();
    if (!ADestroyRegion)
      ARegion->Offset(org.x, org.y);
  }
  if (ADestroyRegion)
    ARegion->Free();
}

void TcxCanvas::RotateBitmap(TBitmap* ABitmap, TcxRotationAngle ARotationAngle, bool AFlipVertically) {
  if (!ABitmap || ABitmap->Empty() || (ARotationAngle == ra0 && !AFlipVertically))
    return;
  const int w = ABitmap->Width(), h = ABitmap->Height();
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> src(std::size_t(w) * std::size_t(h)), dst(src.size());
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, ABitmap->Handle(), 0, UINT(h), src.data(), &info, DIB_RGB_COLORS);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      int index = 0;
      switch (ARotationAngle) {
      case ra0:
        index = (h - 1 - r) * w + c;
        break;
      case raPlus90:
        index = AFlipVertically ? c * h + r : (w - 1 - c) * h + r;
        break;
      case raMinus90:
        index = AFlipVertically ? (w - 1 - c) * h + (h - 1 - r) : c * h + (h - 1 - r);
        break;
      case ra180:
        index = AFlipVertically ? r * w + (w - 1 - c) : (h - 1 - r) * w + (w - 1 - c);
        break;
      }
      dst[std::size_t(index)] = src[std::size_t(r) * std::size_t(w) + std::size_t(c)];
    }
  if (ARotationAngle == raPlus90 || ARotationAngle == raMinus90) {
    ABitmap->SetSize(h, w);
    info.bmiHeader.biWidth = h;
    info.bmiHeader.biHeight = -w;
  }
  SetDIBits(dc, ABitmap->Handle(), 0, UINT(-info.bmiHeader.biHeight), dst.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
}

TScreenCanvas::~TScreenCanvas() {
  HDC dc = HandleAllocated() ? Handle() : nullptr;
  SetHandle(nullptr);
  if (dc)
    ReleaseDC(nullptr, dc);
}

void TScreenCanvas::CreateHandle() {
  SetHandle(GetDC(nullptr));
}

TcxScreenCanvas::TcxScreenCanvas() : TcxCanvas(new TScreenCanvas) {}

TcxScreenCanvas::~TcxScreenCanvas() {
  Canvas()->Free();
}

TColor MixSystemColors(signed char AFacePercent, signed char AHighlightPercent, signed char AWindowPercent) {
  COLORREF face = COLORREF(ColorToRGB(clBtnFace));
  COLORREF highlight = COLORREF(ColorToRGB(clHighlight));
  COLORREF window = COLORREF(ColorToRGB(clWindow));
  if (face == 0 || face == 0xFFFFFF)
    return TColor(highlight);
  auto mix = [&](BYTE f, BYTE h, BYTE w) {
    int v = MulDiv(f, AFacePercent, 100) + MulDiv(h, AHighlightPercent, 100) + MulDiv(w, AWindowPercent, 100);
    return BYTE(std::clamp(v, 0, 255));
  };
  return TColor(RGB(mix(GetRValue(face), GetRValue(highlight), GetRValue(window)),
                    mix(GetGValue(face), GetGValue(highlight), GetGValue(window)),
                    mix(GetBValue(face), GetBValue(highlight), GetBValue(window))));
}

TColor NearestScreenColor(TColor AColor) {
  HDC dc = GetDC(nullptr);
  TColor result = TColor(GetNearestColor(dc, COLORREF(ColorToRGB(AColor))));
  ReleaseDC(nullptr, dc);
  return result;
}

TColor LightFaceColor() {
  return NearestScreenColor(MixSystemColors(14, 44, 40));
}

TColor LightSelectionColor() {
  return NearestScreenColor(MixSystemColors(-2, 30, 72));
}
