#pragma once
// The component library's drawing tools: fonts, pens and brushes that make their handles on demand, the
// canvas that selects them into a device context, and bitmaps that carry their own canvas.
#include <functional>
#include <memory>
#include <span>

#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/SysUtils.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = BYTE;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates, 4>;
using TCopyMode = DWORD;

class TBitmap;
class TCanvas;

class EInvalidGraphic : public Exception {
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
  using Exception::Exception;
};
class EResNotFound : public Exception {
  using Exception::Exception;
};

// A font, pen or brush: it makes its handle when first asked and drops it when an attribute that the handle
// carries changes. OnChange fires for every change, handle-borne or not.
class TGraphicsObject : public TPersistent {
  PELVOR_CLASS(TGraphicsObject, TPersistent)

  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  PELVOR_CLASS(TFont, TGraphicsObject)

  TFont();
  ~TFont() override;
  void Assign(TPersistent* Source) override;

  HFONT Handle();
  // Adopts a font made elsewhere: its attributes are read back and the handle becomes this object's.
  void SetHandle(HFONT Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  const String& Name() const { return FName; }
  void SetName(const String& Value);
  // Negative: character height in pixels; positive: cell height; as the logical font's height.
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  // Points at PixelsPerInch (96 unless set): Size = -MulDiv(Height, 72, PixelsPerInch).
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) { FPixelsPerInch = Value > 0 ? Value : 96; }

private:
  void HandleChanged();
  void DestroyHandle();

  String FName = "MS Sans Serif";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
  TFontCharset FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
  int FPixelsPerInch = 96;
  HFONT FHandle = nullptr; // owned
};

class TPen : public TGraphicsObject {
  PELVOR_CLASS(TPen, TGraphicsObject)

  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;

  HPEN Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  // The raster mode is a property of the device context; the canvas applies it when it selects the pen.
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);

private:
  void HandleChanged();

  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  HPEN FHandle = nullptr; // owned
};

class TBrush : public TGraphicsObject {
  PELVOR_CLASS(TBrush, TGraphicsObject)

  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;

  HBRUSH Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  // A pattern brush; the bitmap is borrowed and must outlive the handle (the pattern is copied when the
  // handle is made). Setting it drops the handle.
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* Value);

private:
  void HandleChanged();

  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
  HBRUSH FHandle = nullptr; // owned, except the stock hollow brush
  bool FStockHandle = false;
};

// Anything that can draw itself on a canvas.
class TGraphic : public TPersistent {
  PELVOR_CLASS(TGraphic, TPersistent)

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;

  TNotifyEvent OnChange;

protected:
  virtual void Changed();

  bool FTransparent = false;
};

class TCanvas : public TPersistent {
  PELVOR_CLASS(TCanvas, TPersistent)

  TCanvas();
  ~TCanvas() override;

  // The device context; a canvas that can make its own does so here, the base raises without one.
  HDC Handle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }

  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);
  TPoint PenPos();
  void SetPenPos(TPoint Value) { MoveTo(Value.x, Value.y); }
  TRect ClipRect();

  void FillRect(const TRect& Rect);
  void FrameRect(const TRect& Rect);
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Rect, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  void TextOut(int X, int Y, const String& Text);
  void TextRect(const TRect& Rect, int X, int Y, const String& Text);
  int TextWidth(const String& Text);
  int TextHeight(const String& Text);
  TSize TextExtent(const String& Text);
  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polygon(std::span<const TPoint> Points);
  void Polyline(std::span<const TPoint> Points);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const TRect& Rect) { Rectangle(Rect.left, Rect.top, Rect.right, Rect.bottom); }
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const TRect& Rect) { Ellipse(Rect.left, Rect.top, Rect.right, Rect.bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void DrawFocusRect(const TRect& Rect);

  // Nested locks; drawing from one thread at a time is the caller's affair, the count is kept for callers
  // that test it.
  void Lock() { ++FLockCount; }
  void Unlock() { --FLockCount; }
  int LockCount() const { return FLockCount; }
  // Forgets the selected tools, so that the next drawing call selects them again.
  void Refresh();
  // Makes sure the handle exists and the tools asked for are selected into it, for callers that draw on the
  // handle directly.
  void RequiredState(TCanvasState ReqState);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void CreateHandle() {}
  virtual void Changing();
  virtual void Changed();
  void DeselectHandles();

private:
  void FontChanged(TObject* Sender);
  void PenChanged(TObject* Sender);
  void BrushChanged(TObject* Sender);
  void CreateFont();
  void CreatePen();
  void CreateBrush();

  HDC FHandle = nullptr; // borrowed in the base; descendants that make one free it
  TCanvasState FState;
  std::unique_ptr<TFont, TObjectDeleter> FFont;
  std::unique_ptr<TPen, TObjectDeleter> FPen;
  std::unique_ptr<TBrush, TObjectDeleter> FBrush;
  TPoint FPenPos{};
  TCopyMode FCopyMode = SRCCOPY;
  int FLockCount = 0;
};

enum TPixelFormat { pfDevice, pf1bit, pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

// A canvas over a bitmap: it makes a memory device context with the bitmap selected when first drawn on.
class TBitmapCanvas : public TCanvas {
  PELVOR_CLASS(TBitmapCanvas, TCanvas)

  explicit TBitmapCanvas(TBitmap* ABitmap) : FBitmap(ABitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  void FreeContext();

protected:
  void CreateHandle() override;

private:
  TBitmap* FBitmap; // the owner
  HBITMAP FOldBitmap = nullptr;
};

class TBitmap : public TGraphic {
  PELVOR_CLASS(TBitmap, TGraphic)

  TBitmap();
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int Value) override { SetSize(Value, FHeight); }
  void SetHeight(int Value) override { SetSize(FWidth, Value); }
  // Keeps the pixels that still fit; new area is white.
  void SetSize(int AWidth, int AHeight);
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

  TCanvas* Canvas();
  HBITMAP Handle();
  // Takes the bitmap over (it becomes this object's to free) and reads its size and format.
  void SetHandle(HBITMAP Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Gives the handle up to the caller, leaving the bitmap empty.
  HBITMAP ReleaseHandle();

  // With tmAuto the colour of the bottom-left pixel; with tmFixed the colour set.
  TColor TransparentColor();
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  bool Monochrome() const { return FPixelFormat == pf1bit; }
  void SetMonochrome(bool Value) { SetPixelFormat(Value ? pf1bit : pfDevice); }

  // Builds the image registered under that name (compared without regard to case); EResNotFound otherwise.
  void LoadFromResourceName(HINSTANCE Instance, const String& ResName);
  // Memory images stay as they are: there is no device-independent copy to fall back to.
  void Dormant() {}
  void FreeImage() {}

protected:
  void Changed() override;

private:
  friend class TBitmapCanvas;
  void NewImage(int AWidth, int AHeight, TPixelFormat AFormat, HBITMAP Keep);
  void FreeContext();

  int FWidth = 0, FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
  HBITMAP FHandle = nullptr; // owned
  std::unique_ptr<TBitmapCanvas, TObjectDeleter> FCanvas;
};

// The program's own images by name, drawn by code instead of read from resources.
using TResourceBitmapBuilder = std::function<void(TBitmap&)>;
void RegisterResourceBitmap(const String& Name, TResourceBitmapBuilder Builder);
void UnregisterResourceBitmap(const String& Name);
bool ResourceBitmapExists(const String& Name);

// Copies Source's rectangle to Dest leaving out the pixels of TransparentColor (as an RGB colour).
void TransparentStretchBlt(HDC Dest, const TRect& DestRect, HDC Source, const TRect& SourceRect,
                           COLORREF TransparentColor);
