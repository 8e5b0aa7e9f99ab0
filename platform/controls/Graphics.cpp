#include "platform/controls/Graphics.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/rtl/Geometry.h"

void TGraphicsObject::Changed() {
  if (OnChange)
    OnChange(this);
}

TFont::TFont() = default;

TFont::~TFont() {
  DestroyHandle();
}

void TFont::DestroyHandle() {
  if (FHandle)
    DeleteObject(FHandle);
  FHandle = nullptr;
}

void TFont::HandleChanged() {
  DestroyHandle();
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this)
      return;
    FName = f->FName;
    FHeight = f->FHeight;
    FStyle = f->FStyle;
    FColor = f->FColor;
    FCharset = f->FCharset;
    FPitch = f->FPitch;
    FPixelsPerInch = f->FPixelsPerInch;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTA lf;
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfPitchAndFamily = FPitch == fpFixed      ? FIXED_PITCH
                          : FPitch == fpVariable ? VARIABLE_PITCH
                                                 : DEFAULT_PITCH;
    std::size_t n = std::min(FName.size(), std::size_t(LF_FACESIZE - 1));
    std::memcpy(lf.lfFaceName, FName.data(), n);
    lf.lfFaceName[n] = 0;
    FHandle = CreateFontIndirectA(&lf);
  }
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  if (Value == FHandle)
    return;
  LOGFONTA lf;
  if (Value && GetObjectA(Value, int(sizeof lf), &lf) == 0)
    throw EInvalidGraphic("Invalid font handle");
  DestroyHandle();
  if (Value) {
    FHandle = Value;
    FHeight = lf.lfHeight;
    FName.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    FStyle = {};
    if (lf.lfWeight >= FW_BOLD)
      FStyle.Include(fsBold);
    if (lf.lfItalic)
      FStyle.Include(fsItalic);
    if (lf.lfUnderline)
      FStyle.Include(fsUnderline);
    if (lf.lfStrikeOut)
      FStyle.Include(fsStrikeOut);
    FCharset = lf.lfCharSet;
    BYTE pitch = lf.lfPitchAndFamily & 3;
    FPitch = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  }
  Changed();
}

void TFont::SetName(const String& Value) {
  if (Value.empty() || Value == FName)
    return;
  FName = Value;
  HandleChanged();
}

void TFont::SetHeight(int Value) {
  if (Value == FHeight)
    return;
  FHeight = Value;
  HandleChanged();
}

int TFont::Size() const {
  return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int Value) {
  SetHeight(-MulDiv(Value, FPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle)
    return;
  FStyle = Value;
  HandleChanged();
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor)
    return;
  FColor = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (Value == FCharset)
    return;
  FCharset = Value;
  HandleChanged();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch)
    return;
  FPitch = Value;
  HandleChanged();
}

TPen::~TPen() {
  if (FHandle)
    DeleteObject(FHandle);
}

void TPen::HandleChanged() {
  if (FHandle)
    DeleteObject(FHandle);
  FHandle = nullptr;
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this)
      return;
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static constexpr int styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                     PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(styles[FStyle], FWidth, COLORREF(ColorToRGB(FColor)));
  }
  return FHandle;
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor)
    return;
  FColor = Value;
  HandleChanged();
}

void TPen::SetWidth(int Value) {
  if (Value < 0 || Value == FWidth)
    return;
  FWidth = Value;
  HandleChanged();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle)
    return;
  FStyle = Value;
  HandleChanged();
}

void TPen::SetMode(TPenMode Value) {
  if (Value == FMode)
    return;
  FMode = Value;
  Changed();
}

TBrush::~TBrush() {
  if (FHandle && !FStockHandle)
    DeleteObject(FHandle);
}

void TBrush::HandleChanged() {
  if (FHandle && !FStockHandle)
    DeleteObject(FHandle);
  FHandle = nullptr;
  FStockHandle = false;
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this)
      return;
    FColor = b->FColor;
    FStyle = b->FStyle;
    FBitmap = b->FBitmap;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::Handle() {
  if (!FHandle) {
    COLORREF rgb = COLORREF(ColorToRGB(FColor));
    if (FBitmap && !FBitmap->Empty()) {
      FHandle = CreatePatternBrush(FBitmap->Handle());
    } else if (FStyle == bsSolid) {
      FHandle = CreateSolidBrush(rgb);
    } else if (FStyle == bsClear) {
      FHandle = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      FStockHandle = true;
    } else {
      static constexpr int hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                                        HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
      FHandle = CreateHatchBrush(hatches[FStyle - bsHorizontal], rgb);
    }
  }
  return FHandle;
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle != bsClear)
    return;
  FColor = Value;
  // A colour makes a hollow brush solid again, as a user who picks a colour expects to see it.
  if (FStyle == bsClear)
    FStyle = bsSolid;
  HandleChanged();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle)
    return;
  FStyle = Value;
  HandleChanged();
}

void TBrush::SetBitmap(TBitmap* Value) {
  if (Value == FBitmap)
    return;
  FBitmap = Value;
  HandleChanged();
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent)
    return;
  FTransparent = Value;
  Changed();
}

void TGraphic::Changed() {
  if (OnChange)
    OnChange(this);
}

TCanvas::TCanvas() : FFont(new TFont), FPen(new TPen), FBrush(new TBrush) {
  FFont->OnChange = TNotifyEvent(this, &TCanvas::FontChanged);
  FPen->OnChange = TNotifyEvent(this, &TCanvas::PenChanged);
  FBrush->OnChange = TNotifyEvent(this, &TCanvas::BrushChanged);
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
}

HDC TCanvas::Handle() {
  RequiredState({csHandleValid});
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle)
    return;
  if (FHandle)
    DeselectHandles();
  FHandle = Value;
  FState = Value ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::DeselectHandles() {
  if (!FHandle)
    return;
  if (FState.Contains(csFontValid) || FState.Contains(csPenValid) || FState.Contains(csBrushValid)) {
    if (FState.Contains(csPenValid))
      SelectObject(FHandle, GetStockObject(BLACK_PEN));
    if (FState.Contains(csBrushValid))
      SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    if (FState.Contains(csFontValid))
      if (HGDIOBJ systemFont = GetStockObject(SYSTEM_FONT))
        SelectObject(FHandle, systemFont);
    FState -= TCanvasState{csFontValid, csPenValid, csBrushValid};
  }
}

void TCanvas::Refresh() {
  DeselectHandles();
}

void TCanvas::RequiredState(TCanvasState ReqState) {
  TCanvasState needed = ReqState - FState;
  if (needed.Empty())
    return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (!FHandle)
      throw EInvalidOperation("Canvas does not allow drawing");
    FState.Include(csHandleValid);
  }
  if (needed.Contains(csFontValid))
    CreateFont();
  if (needed.Contains(csPenValid))
    CreatePen();
  if (needed.Contains(csBrushValid))
    CreateBrush();
}

void TCanvas::CreateFont() {
  SelectObject(FHandle, FFont->Handle());
  SetTextColor(FHandle, COLORREF(ColorToRGB(FFont->Color())));
  FState.Include(csFontValid);
}

void TCanvas::CreatePen() {
  static constexpr int rop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                 R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                 R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                 R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  SelectObject(FHandle, FPen->Handle());
  SetROP2(FHandle, rop2[FPen->Mode()]);
  FState.Include(csPenValid);
}

void TCanvas::CreateBrush() {
  SelectObject(FHandle, FBrush->Handle());
  SetBkColor(FHandle, COLORREF(ColorToRGB(FBrush->Color())));
  SetBkMode(FHandle, FBrush->Style() == bsSolid ? OPAQUE : TRANSPARENT);
  FState.Include(csBrushValid);
}

void TCanvas::FontChanged(TObject*) {
  if (FState.Contains(csFontValid)) {
    FState.Exclude(csFontValid);
    if (HGDIOBJ systemFont = GetStockObject(SYSTEM_FONT))
      SelectObject(FHandle, systemFont);
  }
}

void TCanvas::PenChanged(TObject*) {
  if (FState.Contains(csPenValid)) {
    FState.Exclude(csPenValid);
    SelectObject(FHandle, GetStockObject(BLACK_PEN));
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (FState.Contains(csBrushValid)) {
    FState.Exclude(csBrushValid);
    SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
  }
}

void TCanvas::Changing() {
  if (OnChanging)
    OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange)
    OnChange(this);
}

TColor TCanvas::Pixels(int X, int Y) {
  RequiredState({csHandleValid});
  return TColor(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  SetPixel(FHandle, X, Y, COLORREF(ColorToRGB(Value)));
  Changed();
}

TPoint TCanvas::PenPos() {
  RequiredState({csHandleValid});
  POINT p{};
  GetCurrentPositionEx(FHandle, &p);
  return p;
}

TRect TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  RECT r{};
  GetClipBox(FHandle, &r);
  return r;
}

void TCanvas::FillRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FillRect(FHandle, &Rect, FBrush->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::FrameRect(FHandle, &Rect, FBrush->Handle());
  Changed();
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty())
    return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& Rect, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty())
    return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  HDC src = Canvas->Handle();
  StretchBlt(FHandle, Dest.left, Dest.top, RectWidth(Dest), RectHeight(Dest), src, Source.left, Source.top,
             RectWidth(Source), RectHeight(Source), FCopyMode);
  Changed();
}

void TCanvas::TextOut(int X, int Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOutA(FHandle, X, Y, 0, nullptr, Text.data(), UINT(Text.size()), nullptr);
  MoveTo(X + TextWidth(Text), Y);
  Changed();
}

void TCanvas::TextRect(const TRect& Rect, int X, int Y, const String& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED;
  if (FBrush->Style() != bsClear)
    options |= ETO_OPAQUE;
  ExtTextOutA(FHandle, X, Y, options, &Rect, Text.data(), UINT(Text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const String& Text) {
  RequiredState({csHandleValid, csFontValid});
  SIZE size{};
  GetTextExtentPoint32A(FHandle, Text.data(), int(Text.size()), &size);
  return size;
}

int TCanvas::TextWidth(const String& Text) {
  return TextExtent(Text).cx;
}

int TCanvas::TextHeight(const String& Text) {
  return TextExtent(Text).cy;
}

void TCanvas::MoveTo(int X, int Y) {
  RequiredState({csHandleValid});
  MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::LineTo(FHandle, X, Y);
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> Points) {
  if (Points.empty())
    return;
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polygon(FHandle, Points.data(), int(Points.size()));
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> Points) {
  if (Points.empty())
    return;
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Polyline(FHandle, Points.data(), int(Points.size()));
  Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Rectangle(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::Ellipse(FHandle, X1, Y1, X2, Y2);
  Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& Rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  ::DrawFocusRect(FHandle, &Rect);
  Changed();
}

void TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc)
    throw EOutOfResources("Out of system resources");
  if (HBITMAP bmp = FBitmap->Handle())
    FOldBitmap = static_cast<HBITMAP>(SelectObject(dc, bmp));
  SetHandle(dc);
}

void TBitmapCanvas::FreeContext() {
  if (!HandleAllocated())
    return;
  HDC dc = Handle();
  SetHandle(nullptr);
  if (FOldBitmap)
    SelectObject(dc, FOldBitmap);
  FOldBitmap = nullptr;
  DeleteDC(dc);
}

namespace {

std::map<String, TResourceBitmapBuilder>& ResourceBitmaps() {
  static std::map<String, TResourceBitmapBuilder> table;
  return table;
}

// A scratch memory DC with one bitmap selected, released in reverse order.
struct ScratchDC {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  ScratchDC(int width, int height, UINT bitsPixel) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(width, height, 1, bitsPixel, nullptr);
    if (!dc || !bitmap) {
      Release();
      throw EOutOfResources("Out of system resources");
    }
    old = SelectObject(dc, bitmap);
  }
  ~ScratchDC() { Release(); }
  void Release() {
    if (dc && old)
      SelectObject(dc, old);
    if (dc)
      DeleteDC(dc);
    if (bitmap)
      DeleteObject(bitmap);
    dc = nullptr;
    bitmap = nullptr;
  }
  ScratchDC(const ScratchDC&) = delete;
  ScratchDC& operator=(const ScratchDC&) = delete;
};

} // namespace

void TransparentStretchBlt(HDC Dest, const TRect& DestRect, HDC Source, const TRect& SourceRect,
                           COLORREF TransparentColor) {
  int sw = RectWidth(SourceRect), sh = RectHeight(SourceRect);
  int dw = RectWidth(DestRect), dh = RectHeight(DestRect);
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
    return;
  // The mask is white where the source shows the transparent colour.
  ScratchDC mask(sw, sh, 1);
  COLORREF oldSourceBk = SetBkColor(Source, TransparentColor);
  BitBlt(mask.dc, 0, 0, sw, sh, Source, SourceRect.left, SourceRect.top, SRCCOPY);
  SetBkColor(Source, oldSourceBk);

  // The source with its transparent pixels turned black, so that it can be OR-ed in.
  ScratchDC image(sw, sh, 32);
  BitBlt(image.dc, 0, 0, sw, sh, Source, SourceRect.left, SourceRect.top, SRCCOPY);
  SetTextColor(image.dc, 0xFFFFFF);
  SetBkColor(image.dc, 0);
  BitBlt(image.dc, 0, 0, sw, sh, mask.dc, 0, 0, SRCAND);

  COLORREF oldText = SetTextColor(Dest, 0);
  COLORREF oldBk = SetBkColor(Dest, 0xFFFFFF);
  StretchBlt(Dest, DestRect.left, DestRect.top, dw, dh, mask.dc, 0, 0, sw, sh, SRCAND);
  StretchBlt(Dest, DestRect.left, DestRect.top, dw, dh, image.dc, 0, 0, sw, sh, SRCPAINT);
  SetTextColor(Dest, oldText);
  SetBkColor(Dest, oldBk);
}

void RegisterResourceBitmap(const String& Name, TResourceBitmapBuilder Builder) {
  ResourceBitmaps()[UpperCase(Name)] = std::move(Builder);
}

void UnregisterResourceBitmap(const String& Name) {
  ResourceBitmaps().erase(UpperCase(Name));
}

bool ResourceBitmapExists(const String& Name) {
  return ResourceBitmaps().count(UpperCase(Name)) != 0;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  FreeContext();
  if (FHandle)
    DeleteObject(FHandle);
}

void TBitmap::FreeContext() {
  if (FCanvas)
    FCanvas->FreeContext();
}

void TBitmap::Changed() {
  TGraphic::Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas)
    FCanvas.reset(new TBitmapCanvas(this));
  return FCanvas.get();
}

HBITMAP TBitmap::Handle() {
  if (!FHandle && FWidth > 0 && FHeight > 0)
    NewImage(FWidth, FHeight, FPixelFormat, nullptr);
  return FHandle;
}

void TBitmap::NewImage(int AWidth, int AHeight, TPixelFormat AFormat, HBITMAP Keep) {
  const int width = std::max(AWidth, 0), height = std::max(AHeight, 0);
  // The new image is made before anything is given up, so a size the system refuses leaves the old one whole.
  HBITMAP bmp = nullptr;
  if (width > 0 && height > 0) {
    bmp = CreateBitmap(width, height, 1, AFormat == pf1bit ? 1 : 32, nullptr);
    if (!bmp)
      throw EOutOfResources("Out of system resources");
  }
  FreeContext();
  if (bmp) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ prev = SelectObject(dc, bmp);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (Keep) {
      BITMAP info{};
      GetObject(Keep, int(sizeof info), &info);
      HDC src = CreateCompatibleDC(nullptr);
      HGDIOBJ srcPrev = SelectObject(src, Keep);
      BitBlt(dc, 0, 0, std::min(width, int(info.bmWidth)), std::min(height, int(info.bmHeight)), src, 0, 0,
             SRCCOPY);
      SelectObject(src, srcPrev);
      DeleteDC(src);
    }
    SelectObject(dc, prev);
    DeleteDC(dc);
  }
  HBITMAP old = FHandle;
  FHandle = bmp;
  FWidth = width;
  FHeight = height;
  FPixelFormat = AFormat;
  if (old)
    DeleteObject(old);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (AWidth == FWidth && AHeight == FHeight)
    return;
  NewImage(AWidth, AHeight, FPixelFormat, FHandle);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  bool wasMono = FPixelFormat == pf1bit, nowMono = Value == pf1bit;
  if (Value == FPixelFormat)
    return;
  if (wasMono != nowMono && FHandle)
    NewImage(FWidth, FHeight, Value, FHandle);
  else
    FPixelFormat = Value;
  Changed();
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value == FHandle)
    return;
  BITMAP info{};
  if (Value && GetObject(Value, int(sizeof info), &info) == 0)
    throw EInvalidGraphic("Invalid bitmap handle");
  FreeContext();
  if (FHandle)
    DeleteObject(FHandle);
  FHandle = Value;
  FWidth = Value ? info.bmWidth : 0;
  FHeight = Value ? info.bmHeight : 0;
  FPixelFormat = Value && info.bmBitsPixel == 1 ? pf1bit : FPixelFormat == pf1bit ? pfDevice : FPixelFormat;
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  HBITMAP h = FHandle;
  FHandle = nullptr;
  FWidth = FHeight = 0;
  return h;
}

TColor TBitmap::TransparentColor() {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
    return FTransparentColor;
  if (Empty())
    return clDefault;
  return Canvas()->Pixels(0, FHeight - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor)
    return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode)
    return;
  if (Value == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (Empty())
    return;
  HDC dest = ACanvas->Handle();
  HDC src = Canvas()->Handle();
  // A monochrome image shows black and white whatever the destination's text colours are.
  COLORREF oldText = SetTextColor(dest, 0);
  COLORREF oldBk = SetBkColor(dest, 0xFFFFFF);
  if (Transparent())
    TransparentStretchBlt(dest, Rect, src, Bounds(0, 0, FWidth, FHeight),
                          COLORREF(ColorToRGB(TransparentColor())));
  else
    StretchBlt(dest, Rect.left, Rect.top, RectWidth(Rect), RectHeight(Rect), src, 0, 0, FWidth, FHeight,
               ACanvas->CopyMode());
  SetTextColor(dest, oldText);
  SetBkColor(dest, oldBk);
}

void TBitmap::Assign(TPersistent* Source) {
  if (!Source) {
    NewImage(0, 0, FPixelFormat, nullptr);
    Changed();
    return;
  }
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this)
      return;
    b->FreeContext();
    NewImage(b->FWidth, b->FHeight, b->FPixelFormat, b->FHandle);
    FTransparent = b->FTransparent;
    FTransparentMode = b->FTransparentMode;
    FTransparentColor = b->FTransparentColor;
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

void TBitmap::LoadFromResourceName(HINSTANCE, const String& ResName) {
  auto it = ResourceBitmaps().find(UpperCase(ResName));
  if (it == ResourceBitmaps().end())
    throw EResNotFound("Resource " + ResName + " not found");
  NewImage(0, 0, pfDevice, nullptr);
  it->second(*this);
  Changed();
}
