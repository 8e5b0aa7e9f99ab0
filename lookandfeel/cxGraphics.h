#pragma once
// The canvas every control of the library draws through, owned clip regions, and colours derived from the
// system palette.
#include <memory>
#include <span>

#include "platform/classes/Sets.h"
#include "platform/controls/Graphics.h"

// The library's text flags; the canvas converts them to the platform's DrawText flags.
constexpr int cxAlignLeft = 1;
constexpr int cxAlignRight = 2;
constexpr int cxAlignHCenter = 4;
constexpr int cxAlignTop = 8;
constexpr int cxAlignBottom = 16;
constexpr int cxAlignVCenter = 32;
constexpr int cxSingleLine = 64;
constexpr int cxDontClip = 128;
constexpr int cxExpandTabs = 256;
constexpr int cxShowPrefix = 512;
constexpr int cxWordBreak = 1024;
constexpr int cxShowEndEllipsis = 2048;
constexpr int cxDontPrint = 4096;
constexpr int cxShowPathEllipsis = 8192;

UINT cxFlagsToDTFlags(int Flags);

enum TcxBorder { bLeft, bTop, bRight, bBottom };
using TcxBorders = TSet<TcxBorder, 4>;
constexpr TcxBorders cxBordersAll{bLeft, bTop, bRight, bBottom};

enum TcxRegionOperation { roSet, roAdd, roSubtract, roIntersect };

// The quarter turns and mirrors of RotateBitmap.
enum TcxRotationAngle { ra0, raPlus90, raMinus90, ra180 };

// A region handle that the object owns and deletes.
class TcxRegion : public TObject {
  PELVOR_CLASS(TcxRegion, TObject)

  explicit TcxRegion(HRGN AHandle);
  explicit TcxRegion(const TRect& ABounds);
  TcxRegion(int ALeft, int ATop, int ARight, int ABottom);
  TcxRegion();
  ~TcxRegion() override;

  HRGN Handle() const { return FHandle; }
  bool IsEmpty() const;
  // Frees ARegion afterwards when ADestroyRegion is set.
  void Combine(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion = true);
  void Offset(int DX, int DY);

private:
  HRGN FHandle; // owned
};

class TcxCanvas : public TObject {
  PELVOR_CLASS(TcxCanvas, TObject)

  using TCreateArgs = std::tuple<TCanvas*>;
  explicit TcxCanvas(TCanvas* ACanvas) : FCanvas(ACanvas) {}

  TCanvas* Canvas() const { return FCanvas; }
  TBrush* Brush() const { return FCanvas->Brush(); }
  TPen* Pen() const { return FCanvas->Pen(); }
  TFont* Font() const { return FCanvas->Font(); }
  void SetFont(TFont* Value) { FCanvas->SetFont(Value); }
  HDC Handle() const { return FCanvas->Handle(); }
  TPoint GetWindowOrg() const;

  void SetBrushColor(TColor Value);
  void SetPixel(int X, int Y, TColor AColor) { FCanvas->SetPixels(X, Y, AColor); }
  void CopyRect(const TRect& Dest, TCanvas* ACanvas, const TRect& Source) {
    FCanvas->CopyRect(Dest, ACanvas, Source);
  }
  void Draw(int X, int Y, TGraphic* Graphic) { FCanvas->Draw(X, Y, Graphic); }
  void MoveTo(int X, int Y) { FCanvas->MoveTo(X, Y); }
  void LineTo(int X, int Y) { FCanvas->LineTo(X, Y); }
  void Polygon(std::span<const TPoint> Points) { FCanvas->Polygon(Points); }
  void Polyline(std::span<const TPoint> Points) { FCanvas->Polyline(Points); }

  // Tiles ABitmap over the rectangle on a grid of its own size anchored at the canvas origin; without a
  // bitmap (or with an empty one) fills with the brush.
  void FillRect(const TRect& R, TBitmap* ABitmap = nullptr);
  // Fills with a colour; clDefault keeps the brush colour already set.
  void FillRect(const TRect& R, TColor AColor);
  // Strips of ALineWidth along the chosen sides; clDefault keeps the brush colour already set.
  void FrameRect(const TRect& R, TColor Color = clDefault, int ALineWidth = 1,
                 TcxBorders ABorders = cxBordersAll);
  void DrawComplexFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor,
                        TcxBorders ABorders = cxBordersAll, int ABorderWidth = 1);
  void DrawEdge(const TRect& R, bool ASunken, bool AOuter, TcxBorders ABorders = cxBordersAll);
  void DrawFocusRect(const TRect& R);
  void InvertRect(const TRect& R);
  void DrawText(const String& Text, TRect R, int Flags, bool Enabled = true);
  // Measures the text with the flags and places the measured rectangle inside R as the alignment says.
  void CalculateTextRect(const String& Text, TRect& R, int Flags);
  TSize TextExtent(const String& Text);
  int TextWidth(const String& Text) { return TextExtent(Text).cx; }
  int TextHeight(const String& Text) { return TextExtent(Text).cy; }
  int FontHeight(TFont* AFont);

  void ExcludeClipRect(const TRect& R);
  void IntersectClipRect(const TRect& R);
  // A new region the caller frees; a DC without a clip region answers a region that stands for everything.
  TcxRegion* GetClipRegion();
  void SetClipRegion(TcxRegion* ARegion, TcxRegionOperation AOperation, bool ADestroyRegion = true);
  void RotateBitmap(TBitmap* ABitmap, TcxRotationAngle ARotationAngle, bool AFlipVertically = false);

private:
  TCanvas* FCanvas; // borrowed
};

// A canvas on the screen's device context, taken when first drawn on and given back when freed.
class TScreenCanvas : public TCanvas {
  PELVOR_CLASS(TScreenCanvas, TCanvas)

  TScreenCanvas() = default;
  ~TScreenCanvas() override;

protected:
  void CreateHandle() override;
};

class TcxScreenCanvas : public TcxCanvas {
  PELVOR_CLASS(TcxScreenCanvas, TcxCanvas)

  TcxScreenCanvas();
  ~TcxScreenCanvas() override;
};

// Each channel: face * p1 / 100 + highlight * p2 / 100 + window * p3 / 100, clamped; the highlight colour
// itself when the button face is pure black or white.
TColor MixSystemColors(signed char AFacePercent, signed char AHighlightPercent, signed char AWindowPercent);
TColor NearestScreenColor(TColor AColor);
TColor LightFaceColor();
TColor LightSelectionColor();
