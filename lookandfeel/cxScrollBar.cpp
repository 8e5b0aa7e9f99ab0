#include "lookandfeel/cxScrollBar.h"

#include <algorithm>
#include <cstdint>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/dxUxTheme.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Geometry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Win.h"

namespace {

constexpr unsigned cxFirstRepeatInterval = 400;
constexpr unsigned cxRepeatInterval = 60;
constexpr int cxDefaultMinThumbSize = 8;
// How far a thumb drag may stray from the bar before the thumb snaps back: across the bar and along it.
constexpr int cxSnapBackAcross = 136;
constexpr int cxSnapBackAlong = 34;

// MulDiv's rounding (half away from zero) for ranges of values that may be wider than an int. The
// denominator is positive; the callers multiply a pixel length by at most 2^32 values, below 2^63.
std::int64_t MulDivRange(std::int64_t ANumber, std::int64_t ANumerator, std::int64_t ADenominator) {
  const std::int64_t product = ANumber * ANumerator, half = ADenominator / 2;
  return (product < 0 ? product - half : product + half) / ADenominator;
}

} // namespace

class TcxScrollBarMouseTracker : public IcxMouseTrackingCaller {
public:
  explicit TcxScrollBarMouseTracker(TcxScrollBar* ABar) : FBar(ABar) {}
  void MouseLeave() override { FBar->MouseTrackingMouseLeave(); }

private:
  TcxScrollBar* FBar; // borrowed: the bar owns the tracker
};

TcxScrollBar::TcxScrollBar(TComponent* AOwner)
    : TCustomControl(AOwner), FBitmap(new TBitmap), FTimer(new TTimer(nullptr)),
      FLookAndFeel(new TcxLookAndFeel(this)), FThemeChangedNotificator(new TdxThemeChangedNotificator),
      FMouseTracker(std::make_unique<TcxScrollBarMouseTracker>(this)) {
  FBitmapCanvas.reset(new TcxCanvas(FBitmap->Canvas()));
  ControlStyle() = TControlStyle{csCaptureMouse, csFramed, csOpaque};
  FLookAndFeel->OnChanged = TcxLookAndFeelChangedEvent(this, &TcxScrollBar::LookAndFeelChanged);
  FThemeChangedNotificator->OnThemeChanged = TNotifyEvent(this, &TcxScrollBar::ThemeChanged);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(cxFirstRepeatInterval);
  FTimer->SetOnTimer(TNotifyEvent(this, &TcxScrollBar::TimerTick));
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  CalculateMinThumbSize();
  CalculateParts();
}

TcxScrollBar::~TcxScrollBar() {
  EndMouseTracking(FMouseTracker.get());
  FTimer.reset();
  FThemeChangedNotificator.reset();
  FLookAndFeel->OnChanged = nullptr;
}

TSize TcxScrollBar::GetScrollBarSize() {
  return TSize{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

void TcxScrollBar::SetParams(int AMin, int AMax, bool ARedraw, int APageSize, int APosition) {
  if (AMax < AMin || AMax < APageSize)
    throw EInvalidOperation("Scrollbar property out of range");
  ARedraw = ARedraw && HandleAllocated();
  APosition = std::clamp(APosition, AMin, AMax);
  if (AMin == FMin && AMax == FMax && APageSize == FPageSize && APosition == FPosition)
    return;
  FMin = AMin;
  FMax = AMax;
  FPageSize = APageSize;
  if (APosition == FPosition) {
    CalculateThumb();
    if (ARedraw)
      Invalidate();
    return;
  }
  FPosition = APosition;
  CalculateThumb();
  if (ARedraw)
    Invalidate();
  Change();
}

void TcxScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == FKind)
    return;
  FKind = Value;
  if (!ComponentState().Contains(csLoading))
    SetBounds(Left(), Top(), Height(), Width());
  CalculateMinThumbSize();
  CalculateParts();
  Invalidate();
}

void TcxScrollBar::Change() {
  // A program that watches the bar's messages may free it as it hears of the change.
  auto alive = AliveToken();
  Perform(CM_CHANGED);
  if (*alive && OnChange)
    OnChange(this);
}

void TcxScrollBar::Scroll(TScrollCode ScrollCode, int& ScrollPos) {
  if (OnScroll)
    OnScroll(this, ScrollCode, ScrollPos);
}

TRect TcxScrollBar::PartBounds(TcxScrollBarPart APart) const {
  switch (APart) {
  case spFirstArrow:
    return FFirstArrowRect;
  case spSecondArrow:
    return FSecondArrowRect;
  case spThumb:
    return FThumbRect;
  case spFirstPage:
    return FFirstPageRect;
  case spSecondPage:
    return FSecondPageRect;
  case spNone:
    break;
  }
  return {};
}

TcxScrollBarPart TcxScrollBar::GetPartAtPos(const TPoint& P) {
  const TRect client = ClientRect();
  if (!PtInRect(&client, P))
    return spNone;
  if (PtInRect(&FFirstArrowRect, P))
    return spFirstArrow;
  if (PtInRect(&FSecondArrowRect, P))
    return spSecondArrow;
  if (IsRectEmpty(&FThumbRect))
    return spNone;
  if (PtInRect(&FThumbRect, P))
    return spThumb;
  if (PtInRect(&FFirstPageRect, P))
    return spFirstPage;
  if (PtInRect(&FSecondPageRect, P))
    return spSecondPage;
  return spNone;
}

void TcxScrollBar::CalculateMinThumbSize() {
  FMinThumbSize = cxDefaultMinThumbSize;
  if (Painter()->LookAndFeelStyle() != lfsNative)
    return;
  HTHEME theme = OpenTheme(totScrollBar);
  if (!theme)
    return;
  SIZE size{};
  const int part = IsHorizontal() ? SBP_GRIPPERHORZ : SBP_GRIPPERVERT;
  if (SUCCEEDED(dxUxTheme::GetThemePartSize(theme, nullptr, part, 0, TS_TRUE, size))) {
    const int extent = IsHorizontal() ? size.cx : size.cy;
    if (extent >= cxDefaultMinThumbSize)
      FMinThumbSize = extent;
  }
}

void TcxScrollBar::CalculateParts() {
  const int w = Width(), h = Height();
  if (IsHorizontal()) {
    const int arrow = std::min(GetSystemMetrics(SM_CYHSCROLL), w / 2);
    FFirstArrowRect = TRect{0, 0, arrow, h};
    FSecondArrowRect = TRect{w - arrow, 0, w, h};
  } else {
    const int arrow = std::min(GetSystemMetrics(SM_CXVSCROLL), h / 2);
    FFirstArrowRect = TRect{0, 0, w, arrow};
    FSecondArrowRect = TRect{0, h - arrow, w, h};
  }
  CalculateThumb();
}

int TcxScrollBar::TrackStart() const {
  return IsHorizontal() ? FFirstArrowRect.right : FFirstArrowRect.bottom;
}

int TcxScrollBar::TrackEnd() const {
  return IsHorizontal() ? FSecondArrowRect.left : FSecondArrowRect.top;
}

int TcxScrollBar::ClampPosition(int APosition) const {
  return std::clamp(APosition, FMin, FMax);
}

void TcxScrollBar::CalculateThumb() {
  FThumbRect = FFirstPageRect = FSecondPageRect = TRect{};
  if (!Enabled())
    return;
  const int start = TrackStart(), end = TrackEnd();
  const int length = end - start;
  // Max - Min of the widest ranges the setter accepts does not fit an int.
  const std::int64_t span = std::int64_t(FMax) - FMin;
  int size = 0, offset = 0;
  if (FPageSize > 0) {
    if (length < FMinThumbSize || span == 0)
      return;
    size = int(std::max<std::int64_t>(
        std::min<std::int64_t>(length, MulDivRange(FPageSize, length, span + 1)), FMinThumbSize));
    // A page larger than the range leaves no room to move: the thumb stays at the track's start instead of
    // dividing by a range of zero or less.
    const std::int64_t range = span - (FPageSize - 1);
    if (range > 0 && length > size)
      offset = int(MulDivRange(length - size, std::min(std::int64_t(FPosition) - FMin, range), range));
  } else {
    size = GetSystemMetrics(IsHorizontal() ? SM_CXHTHUMB : SM_CYVTHUMB);
    if (length < size)
      return;
    if (length > size && span != 0)
      offset = int(MulDivRange(length - size, std::int64_t(FPosition) - FMin, span));
  }
  const int thumbStart = start + offset, thumbEnd = thumbStart + size;
  if (IsHorizontal())
    FThumbRect = TRect{thumbStart, 0, thumbEnd, Height()};
  else
    FThumbRect = TRect{0, thumbStart, Width(), thumbEnd};
  CalculatePageAreas();
}

void TcxScrollBar::CalculatePageAreas() {
  FFirstPageRect = FSecondPageRect = TRect{};
  if (IsRectEmpty(&FThumbRect))
    return;
  const int start = TrackStart(), end = TrackEnd();
  if (IsHorizontal()) {
    FFirstPageRect = TRect{start, 0, FThumbRect.left, Height()};
    FSecondPageRect = TRect{FThumbRect.right, 0, end, Height()};
  } else {
    FFirstPageRect = TRect{0, start, Width(), FThumbRect.top};
    FSecondPageRect = TRect{0, FThumbRect.bottom, Width(), end};
  }
}

TcxButtonState TcxScrollBar::PartState(TcxScrollBarPart APart) const {
  if (!Enabled())
    return cxbsDisabled;
  if (APart == spThumb && !Painter()->IsButtonHotTrack())
    return cxbsNormal;
  if (APart == FPressedPart && APart == FHotPart)
    return cxbsPressed;
  if (FPressedPart == spNone && APart == FHotPart && !ComponentState().Contains(csDesigning))
    return cxbsHot;
  return cxbsNormal;
}

void TcxScrollBar::Paint() {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0)
    return;
  if (FBitmap->Width() != w || FBitmap->Height() != h)
    FBitmap->SetSize(w, h);
  TcxLookAndFeelPainterClass painter = Painter();
  const bool horizontal = IsHorizontal();
  for (TcxScrollBarPart part : {spFirstArrow, spSecondArrow, spThumb, spFirstPage, spSecondPage}) {
    const TRect r = PartBounds(part);
    if (!IsRectEmpty(&r))
      painter->DrawScrollBarPart(FBitmapCanvas.get(), horizontal, r, part, PartState(part));
  }
  // Without a thumb there are no page areas, yet the track between the arrows must not show stale pixels.
  if (IsRectEmpty(&FThumbRect)) {
    const TRect track =
        horizontal ? TRect{TrackStart(), 0, TrackEnd(), h} : TRect{0, TrackStart(), w, TrackEnd()};
    if (!IsRectEmpty(&track))
      painter->DrawScrollBarPart(FBitmapCanvas.get(), horizontal, track, spFirstPage,
                                 Enabled() ? cxbsNormal : cxbsDisabled);
  }
  BitBlt(Canvas()->Handle(), 0, 0, w, h, FBitmapCanvas->Handle(), 0, 0, SRCCOPY);
}

void TcxScrollBar::Resize() {
  CalculateParts();
  TCustomControl::Resize();
}

void TcxScrollBar::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) {
  CalculateMinThumbSize();
  CalculateParts();
  Invalidate();
}

void TcxScrollBar::ThemeChanged(TObject*) {
  CalculateMinThumbSize();
  CalculateParts();
  Invalidate();
}

void TcxScrollBar::SetHotPart(TcxScrollBarPart APart) {
  if (APart == FHotPart)
    return;
  FHotPart = APart;
  if (FHotPart != spNone && HandleAllocated()) {
    const TPoint topLeft = ClientToScreen(TPoint{0, 0});
    BeginMouseTracking(nullptr, TRect{topLeft.x, topLeft.y, topLeft.x + Width(), topLeft.y + Height()},
                       FMouseTracker.get());
  }
  if (Painter()->IsButtonHotTrack())
    Invalidate();
}

// The platform tells of a leave only when a move reaches a window of the program; this hears of the others.
void TcxScrollBar::MouseTrackingMouseLeave() {
  if (FPressedPart == spNone)
    SetHotPart(spNone);
}

bool TcxScrollBar::DoScroll(TScrollCode ACode, int APosition) {
  int pos = ClampPosition(APosition);
  auto alive = AliveToken();
  Scroll(ACode, pos);
  if (!*alive)
    return false;
  pos = ClampPosition(pos);
  if (pos == FPosition)
    return true;
  if (ACode == scTrack) {
    // While the thumb is dragged it follows the mouse, not the rounded position.
    FPosition = pos;
    if (FPressedPart != spThumb)
      CalculateThumb();
    Invalidate();
    return true;
  }
  SetPosition(pos);
  return *alive;
}

bool TcxScrollBar::StepPart(TcxScrollBarPart APart) {
  // Near either end of a range as wide as an int the sum would overflow; a step stops at Min or Max.
  const auto from = [this](std::int64_t ADelta) {
    return int(std::clamp<std::int64_t>(std::int64_t(FPosition) + ADelta, FMin, FMax));
  };
  switch (APart) {
  case spFirstArrow:
    return DoScroll(scLineUp, from(-FSmallChange));
  case spSecondArrow:
    return DoScroll(scLineDown, from(FSmallChange));
  case spFirstPage:
    return DoScroll(scPageUp, from(-FLargeChange));
  case spSecondPage:
    return DoScroll(scPageDown, from(FLargeChange));
  case spThumb:
    return DoScroll(scTrack, FPosition);
  case spNone:
    break;
  }
  return true;
}

bool TcxScrollBar::MouseOverPressedPart() {
  TPoint p{};
  GetCursorPos(&p);
  return GetPartAtPos(ScreenToClient(p)) == FPressedPart;
}

void TcxScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != mbLeft)
    return;
  const TcxScrollBarPart part = GetPartAtPos(TPoint{X, Y});
  if (part == spNone)
    return;
  FPressedPart = part;
  SetHotPart(part);
  Invalidate();
  if (part == spThumb) {
    FDragStartPosition = FPosition;
    FDragThumbOrigin = TPoint{FThumbRect.left, FThumbRect.top};
    FDragMousePoint = TPoint{X, Y};
    DoScroll(scTrack, FPosition);
    return;
  }
  if (!StepPart(part) || FPressedPart != part)
    return;
  FTimer->SetInterval(cxFirstRepeatInterval);
  FTimer->SetEnabled(true);
}

void TcxScrollBar::TimerTick(TObject*) {
  const bool repeating = FPressedPart == spFirstArrow || FPressedPart == spSecondArrow ||
                         FPressedPart == spFirstPage || FPressedPart == spSecondPage;
  if (!repeating || !MouseCapture()) {
    EndPress();
    return;
  }
  if (FTimer->Interval() != cxRepeatInterval)
    FTimer->SetInterval(cxRepeatInterval);
  if (!StepPart(FPressedPart) || FPressedPart == spNone)
    return;
  FTimer->SetEnabled(MouseOverPressedPart());
}

void TcxScrollBar::DragThumb(const TPoint& P) {
  if (!FUnlimitedTracking) {
    TRect area = ClientRect();
    if (IsHorizontal())
      InflateRect(&area, cxSnapBackAlong, cxSnapBackAcross);
    else
      InflateRect(&area, cxSnapBackAcross, cxSnapBackAlong);
    if (!PtInRect(&area, P)) {
      OffsetRect(&FThumbRect, FDragThumbOrigin.x - FThumbRect.left, FDragThumbOrigin.y - FThumbRect.top);
      CalculatePageAreas();
      if (FDragStartPosition != FPosition && !DoScroll(scTrack, FDragStartPosition))
        return;
      Invalidate();
      return;
    }
  }
  const int start = TrackStart(), end = TrackEnd();
  const int size = IsHorizontal() ? RectWidth(FThumbRect) : RectHeight(FThumbRect);
  const int origin = IsHorizontal() ? FDragThumbOrigin.x : FDragThumbOrigin.y;
  const int shift = IsHorizontal() ? P.x - FDragMousePoint.x : P.y - FDragMousePoint.y;
  const int thumbStart = std::clamp(origin + shift, start, std::max(start, end - size));
  if (IsHorizontal())
    OffsetRect(&FThumbRect, thumbStart - FThumbRect.left, 0);
  else
    OffsetRect(&FThumbRect, 0, thumbStart - FThumbRect.top);
  // The track the thumb leaves is page area again, to paint and to hit.
  CalculatePageAreas();
  std::int64_t range = std::int64_t(FMax) - FMin;
  if (FPageSize > 0)
    range -= FPageSize - 1;
  // A thumb that fills its track has nowhere to go: the position stays at Min rather than a division by 0.
  const int travel = end - start - size;
  const int pos =
      travel > 0
          ? int(std::clamp<std::int64_t>(FMin + MulDivRange(range, thumbStart - start, travel), FMin, FMax))
          : FMin;
  Invalidate();
  if (pos != FPosition)
    DoScroll(scTrack, pos);
}

void TcxScrollBar::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseMove(Shift, X, Y);
  if (!*alive)
    return;
  const TPoint p{X, Y};
  // The dragged thumb stays pressed and hot until the release: it follows the mouse, which a fast move may
  // put past the thumb's old place before the thumb catches up.
  if (FPressedPart == spThumb) {
    DragThumb(p);
    return;
  }
  const TcxScrollBarPart part = GetPartAtPos(p);
  if (FPressedPart != spNone)
    FTimer->SetEnabled(part == FPressedPart);
  SetHotPart(part);
}

void TcxScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && !EndPress())
    return;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TcxScrollBar::EndPress() {
  if (FPressedPart == spNone)
    return true;
  if (FPressedPart == spThumb && !DoScroll(scPosition, FPosition))
    return false;
  FTimer->SetEnabled(false);
  FPressedPart = spNone;
  FHotPart = spNone;
  if (!DoScroll(scEndScroll, FPosition))
    return false;
  CalculateThumb();
  Invalidate();
  return true;
}

void TcxScrollBar::WMCancelMode(TMessageView& Message) {
  if (EndPress())
    TCustomControl::WMCancelMode(Message);
}

void TcxScrollBar::CMEnabledChanged(TMessageView& Message) {
  if (!Enabled() && !EndPress())
    return;
  CalculateThumb();
  TCustomControl::CMEnabledChanged(Message);
}

void TcxScrollBar::CMVisibleChanged(TMessageView& Message) {
  if (!Visible() && !EndPress())
    return;
  TCustomControl::CMVisibleChanged(Message);
}

void TcxScrollBar::CMMouseLeave(TCMMouseLeave& Message) {
  if (FPressedPart == spNone)
    SetHotPart(spNone);
  TCustomControl::CMMouseLeave(Message);
}
