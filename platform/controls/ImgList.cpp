#include "platform/controls/ImgList.h"

#include <algorithm>

#include "platform/rtl/Geometry.h"
#include "platform/win/Win.h"

namespace {

// The raster operation that paints the brush where a black-on-white source is black and keeps the
// destination where it is white.
constexpr DWORD ropPaintBlackWithBrush = 0x00B8074A;

} // namespace

TImageList::TImageList(int AWidth, int AHeight)
    : FWidth(std::max(AWidth, 1)), FHeight(std::max(AHeight, 1)), FImages(new TBitmap), FMasks(new TBitmap) {
  FMasks->SetMonochrome(true);
}

TImageList::~TImageList() = default;

void TImageList::Changed() {
  if (OnChange)
    OnChange(this);
}

void TImageList::SetSize(int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 1);
  AHeight = std::max(AHeight, 1);
  if (AWidth == FWidth && AHeight == FHeight)
    return;
  FWidth = AWidth;
  FHeight = AHeight;
  Clear();
}

void TImageList::Clear() {
  FCount = 0;
  FImages->SetSize(0, 0);
  FMasks->SetSize(0, 0);
  Changed();
}

void TImageList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= FCount)
    throw EInvalidOperation("Invalid ImageList Index");
}

int TImageList::Add(TBitmap* Image, TBitmap* Mask) {
  return AddPieces(Image, Mask, false, 0);
}

int TImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  if (!Image || Image->Empty())
    throw EInvalidOperation("Invalid image");
  TColor c = MaskColor == clDefault ? Image->Canvas()->Pixels(0, Image->Height() - 1) : MaskColor;
  return AddPieces(Image, nullptr, true, COLORREF(ColorToRGB(c)));
}

int TImageList::AddPieces(TBitmap* Image, TBitmap* Mask, bool FromColor, COLORREF MaskColor) {
  if (!Image || Image->Empty())
    throw EInvalidOperation("Invalid image");
  int pieces = std::max(1, Image->Width() / FWidth);
  int first = FCount;
  FImages->SetSize((FCount + pieces) * FWidth, FHeight);
  FMasks->SetSize((FCount + pieces) * FWidth, FHeight);
  HDC images = FImages->Canvas()->Handle();
  HDC masks = FMasks->Canvas()->Handle();
  HDC src = Image->Canvas()->Handle();
  int x = first * FWidth, w = pieces * FWidth;
  PatBlt(images, x, 0, w, FHeight, BLACKNESS);
  BitBlt(images, x, 0, std::min(w, Image->Width()), std::min(FHeight, Image->Height()), src, 0, 0, SRCCOPY);
  // Pixels the image does not cover are transparent.
  PatBlt(masks, x, 0, w, FHeight, WHITENESS);
  if (FromColor) {
    COLORREF oldBk = SetBkColor(src, MaskColor);
    BitBlt(masks, x, 0, std::min(w, Image->Width()), std::min(FHeight, Image->Height()), src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
  } else if (Mask && !Mask->Empty()) {
    HDC m = Mask->Canvas()->Handle();
    BitBlt(masks, x, 0, std::min(w, Mask->Width()), std::min(FHeight, Mask->Height()), m, 0, 0, SRCCOPY);
  } else {
    PatBlt(masks, x, 0, std::min(w, Image->Width()), std::min(FHeight, Image->Height()), BLACKNESS);
  }
  // Blacken the transparent pixels so that drawing can OR the image over the masked destination.
  COLORREF oldText = SetTextColor(images, 0xFFFFFF);
  COLORREF oldBk = SetBkColor(images, 0);
  BitBlt(images, x, 0, w, FHeight, masks, x, 0, SRCAND);
  SetTextColor(images, oldText);
  SetBkColor(images, oldBk);
  FCount += pieces;
  Changed();
  return first;
}

void TImageList::Delete(int Index) {
  CheckIndex(Index);
  HDC images = FImages->Canvas()->Handle();
  HDC masks = FMasks->Canvas()->Handle();
  int tail = (FCount - Index - 1) * FWidth;
  if (tail > 0) {
    BitBlt(images, Index * FWidth, 0, tail, FHeight, images, (Index + 1) * FWidth, 0, SRCCOPY);
    BitBlt(masks, Index * FWidth, 0, tail, FHeight, masks, (Index + 1) * FWidth, 0, SRCCOPY);
  }
  --FCount;
  FImages->SetSize(FCount * FWidth, FHeight);
  FMasks->SetSize(FCount * FWidth, FHeight);
  Changed();
}

void TImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
  if (Index < 0 || Index >= FCount)
    return;
  HDC dest = Canvas->Handle();
  HDC images = FImages->Canvas()->Handle();
  HDC masks = FMasks->Canvas()->Handle();
  int sx = Index * FWidth;
  COLORREF oldText = SetTextColor(dest, 0);
  COLORREF oldBk = SetBkColor(dest, 0xFFFFFF);
  if (Enabled) {
    BitBlt(dest, X, Y, FWidth, FHeight, masks, sx, 0, SRCAND);
    BitBlt(dest, X, Y, FWidth, FHeight, images, sx, 0, SRCPAINT);
  } else {
    // The shape of a disabled image is its opaque pixels that are darker than light grey; it is painted
    // first in the highlight colour one pixel down and right, then in the shadow colour in place.
    TBitmap shape;
    shape.SetMonochrome(true);
    shape.SetSize(FWidth, FHeight);
    TCanvas* sc = shape.Canvas();
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        bool transparent = (GetPixel(masks, sx + x, y) & 0xFFFFFF) != 0;
        COLORREF c = GetPixel(images, sx + x, y);
        bool dark = GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 0xC0;
        SetPixel(sc->Handle(), x, y, !transparent && dark ? 0 : 0xFFFFFF);
      }
    HDC s = sc->Handle();
    HBRUSH highlight = CreateSolidBrush(COLORREF(ColorToRGB(clBtnHighlight)));
    HBRUSH shadow = CreateSolidBrush(COLORREF(ColorToRGB(clBtnShadow)));
    HGDIOBJ oldBrush = SelectObject(dest, highlight);
    BitBlt(dest, X + 1, Y + 1, FWidth, FHeight, s, 0, 0, ropPaintBlackWithBrush);
    SelectObject(dest, shadow);
    BitBlt(dest, X, Y, FWidth, FHeight, s, 0, 0, ropPaintBlackWithBrush);
    SelectObject(dest, oldBrush);
    DeleteObject(highlight);
    DeleteObject(shadow);
  }
  SetTextColor(dest, oldText);
  SetBkColor(dest, oldBk);
}

void TImageList::GetBitmap(int Index, TBitmap* Image) {
  CheckIndex(Index);
  Image->SetSize(FWidth, FHeight);
  TCanvas* c = Image->Canvas();
  PatBlt(c->Handle(), 0, 0, FWidth, FHeight, WHITENESS);
  Draw(c, 0, 0, Index, true);
}

namespace {

const char* const DragImageClassName = "PelvorDragImage";

} // namespace

TDragImageList::TDragImageList(int AWidth, int AHeight) : TImageList(AWidth, AHeight) {}

TDragImageList::~TDragImageList() {
  EndDrag();
}

bool TDragImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
  if (Index < 0 || Index >= Count())
    return false;
  FDragIndex = Index;
  FDragHotspot = TPoint{HotSpotX, HotSpotY};
  return true;
}

LRESULT TDragImageList::DragWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
  case WM_NCHITTEST:
    return HTTRANSPARENT;
  case WM_ERASEBKGND:
    return 1;
  case WM_PAINT: {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    if (auto* self = reinterpret_cast<TDragImageList*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
      self->PaintImage(dc);
    EndPaint(hwnd, &ps);
    return 0;
  }
  default:
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

void TDragImageList::PaintImage(HDC DC) {
  TCanvas canvas;
  canvas.SetHandle(DC);
  Draw(&canvas, 0, 0, FDragIndex);
  canvas.SetHandle(nullptr);
}

bool TDragImageList::BeginDrag(int X, int Y) {
  if (FDragWindow || Count() == 0)
    return false;
  WNDCLASSA wc{};
  if (!GetClassInfoA(nullptr, DragImageClassName, &wc)) {
    wc.lpfnWndProc = DragWindowProc;
    wc.lpszClassName = DragImageClassName;
    RegisterClassA(&wc);
  }
  FDragWindow =
      CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, DragImageClassName, "", WS_POPUP, X - FDragHotspot.x,
                      Y - FDragHotspot.y, Width(), Height(), nullptr, nullptr, nullptr, nullptr);
  if (!FDragWindow)
    return false;
  SetWindowLongPtrA(FDragWindow, GWLP_USERDATA, LONG_PTR(this));
  return ShowDragImage();
}

bool TDragImageList::DragMove(int X, int Y) {
  if (!FDragWindow)
    return false;
  SetWindowPos(FDragWindow, HWND_TOPMOST, X - FDragHotspot.x, Y - FDragHotspot.y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE);
  return true;
}

bool TDragImageList::ShowDragImage() {
  if (!FDragWindow)
    return false;
  ShowWindow(FDragWindow, SW_SHOWNOACTIVATE);
  FVisible = true;
  return true;
}

bool TDragImageList::HideDragImage() {
  if (!FDragWindow)
    return false;
  ShowWindow(FDragWindow, SW_HIDE);
  FVisible = false;
  return true;
}

bool TDragImageList::EndDrag() {
  if (!FDragWindow)
    return false;
  HWND window = FDragWindow;
  FDragWindow = nullptr;
  FVisible = false;
  DestroyWindow(window);
  return true;
}
