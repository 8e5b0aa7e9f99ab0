#pragma once
// A list of equally sized images with masks, drawn transparently, or embossed when disabled.
#include <memory>

#include "platform/controls/Graphics.h"

class TImageList : public TPersistent {
  PELVOR_CLASS(TImageList, TPersistent)

  TImageList(int AWidth = 16, int AHeight = 16);
  ~TImageList() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size empties the list.
  void SetWidth(int Value) { SetSize(Value, FHeight); }
  void SetHeight(int Value) { SetSize(FWidth, Value); }
  void SetSize(int AWidth, int AHeight);
  int Count() const { return FCount; }

  // Adds the image (cut into Width-wide pieces when it is wider) with a monochrome mask whose white pixels
  // are transparent; no mask makes every pixel opaque. Answers the index of the first image added.
  int Add(TBitmap* Image, TBitmap* Mask);
  // The pixels of MaskColor become transparent; clDefault takes the image's bottom-left pixel.
  int AddMasked(TBitmap* Image, TColor MaskColor);
  void Delete(int Index);
  void Clear();

  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  // Copies the image over a white background into Image, resized to the list's size.
  void GetBitmap(int Index, TBitmap* Image);

  TNotifyEvent OnChange;

private:
  int AddPieces(TBitmap* Image, TBitmap* Mask, bool FromColor, COLORREF MaskColor);
  void CheckIndex(int Index) const;
  void Changed();

  int FWidth, FHeight;
  int FCount = 0;
  // One strip of Count images side by side; transparent pixels are black in FImages and white in FMasks.
  std::unique_ptr<TBitmap, TObjectDeleter> FImages;
  std::unique_ptr<TBitmap, TObjectDeleter> FMasks;
};

// The image shown under the cursor while something is dragged: a top-most window that lets the mouse
// through to what lies beneath, so that drop targets are still found under the image.
class TDragImageList : public TImageList {
  PELVOR_CLASS(TDragImageList, TImageList)

  TDragImageList(int AWidth = 16, int AHeight = 16);
  ~TDragImageList() override;

  // Chooses the image a drag shows and the point of it that sits under the cursor.
  bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
  int DragIndex() const { return FDragIndex; }
  TPoint DragHotspot() const { return FDragHotspot; }

  // The screen point is the cursor's; the image is shown at once.
  bool BeginDrag(int X, int Y);
  bool DragMove(int X, int Y);
  bool EndDrag();
  bool ShowDragImage();
  bool HideDragImage();
  bool Dragging() const { return FDragWindow != nullptr; }
  bool DragImageVisible() const { return FVisible; }
  HWND DragWindow() const { return FDragWindow; }

private:
  void PaintImage(HDC DC);
  static LRESULT DragWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  int FDragIndex = 0;
  TPoint FDragHotspot{};
  HWND FDragWindow = nullptr; // owned while dragging
  bool FVisible = false;
};
