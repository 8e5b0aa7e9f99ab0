#pragma once
// A scroll bar drawn entirely by the look-and-feel painter, so that it matches the control it belongs to in
// every look-and-feel. It lays out its own parts, tracks the mouse, repeats while a button is held and
// reports scrolling with the platform's scroll codes.
#include <memory>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxThemeManager.h"
#include "platform/controls/Controls.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/StdCtrls.h"

class IcxMouseTrackingCaller;

class TcxScrollBar : public TCustomControl {
  PELVOR_CLASS(TcxScrollBar, TCustomControl)

  explicit TcxScrollBar(TComponent* AOwner);
  ~TcxScrollBar() override;

  // Raises EInvalidOperation "Scrollbar property out of range" when AMax is below AMin or APageSize.
  void SetParams(int AMin, int AMax, bool ARedraw, int APageSize, int APosition);
  // The system's vertical-bar width (cx) and horizontal-bar height (cy).
  static TSize GetScrollBarSize();

  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  TScrollBarInc LargeChange() const { return FLargeChange; }
  void SetLargeChange(TScrollBarInc Value) { FLargeChange = Value; }
  TScrollBarInc SmallChange() const { return FSmallChange; }
  void SetSmallChange(TScrollBarInc Value) { FSmallChange = Value; }
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TcxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  int Max() const { return FMax; }
  void SetMax(int Value) { SetParams(FMin, Value, true, FPageSize, FPosition); }
  int Min() const { return FMin; }
  void SetMin(int Value) { SetParams(Value, FMax, true, FPageSize, FPosition); }
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value) { SetParams(FMin, FMax, true, Value, FPosition); }
  int Position() const { return FPosition; }
  void SetPosition(int Value) { SetParams(FMin, FMax, true, FPageSize, Value); }
  bool UnlimitedTracking() const { return FUnlimitedTracking; }
  void SetUnlimitedTracking(bool Value) { FUnlimitedTracking = Value; }

  TcxScrollBarPart HotPart() const { return FHotPart; }
  TcxScrollBarPart PressedPart() const { return FPressedPart; }
  // The rectangle of a part in client space; empty when the part is absent.
  TRect PartBounds(TcxScrollBarPart APart) const;
  TcxScrollBarPart GetPartAtPos(const TPoint& P);
  int MinThumbSize() const { return FMinThumbSize; }
  TcxLookAndFeelPainterClass Painter() const { return FLookAndFeel->GetPainter(); }

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

protected:
  virtual void Change();
  virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);

  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void WMCancelMode(TMessageView& Message) override;
  void CMEnabledChanged(TMessageView& Message) override;
  void CMVisibleChanged(TMessageView& Message) override;
  void CMMouseLeave(TCMMouseLeave& Message) override;

  void CalculateMinThumbSize();
  void CalculateParts();
  void CalculateThumb();
  // The page areas on either side of the thumb where it lies now, none without a thumb.
  void CalculatePageAreas();
  // Ends a press of the mouse: the final position of a thumb drag, the end-scroll code, a fresh layout.
  // False when a handler of those codes freed the bar.
  bool EndPress();

private:
  friend class TcxScrollBarMouseTracker;
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void ThemeChanged(TObject* Sender);
  void TimerTick(TObject* Sender);
  // Both raise OnScroll and may raise OnChange, whose handlers may free the bar: false when they did.
  bool StepPart(TcxScrollBarPart APart);
  bool DoScroll(TScrollCode ACode, int APosition);
  void SetHotPart(TcxScrollBarPart APart);
  void MouseTrackingMouseLeave();
  void DragThumb(const TPoint& P);
  TcxButtonState PartState(TcxScrollBarPart APart) const;
  bool IsHorizontal() const { return FKind == sbHorizontal; }
  int TrackStart() const;
  int TrackEnd() const;
  int ClampPosition(int APosition) const;
  bool MouseOverPressedPart();

  std::unique_ptr<TBitmap, TObjectDeleter> FBitmap;
  std::unique_ptr<TcxCanvas, TObjectDeleter> FBitmapCanvas;
  std::unique_ptr<TTimer, TObjectDeleter> FTimer;
  std::unique_ptr<TcxLookAndFeel, TObjectDeleter> FLookAndFeel;
  std::unique_ptr<TdxThemeChangedNotificator, TObjectDeleter> FThemeChangedNotificator;
  // Tells the bar that the pointer left it while a part is hot, also when no move reaches any window of the
  // program (the pointer left it for the desktop or another program).
  std::unique_ptr<IcxMouseTrackingCaller> FMouseTracker;
  TcxScrollBarPart FPressedPart = spNone;
  TcxScrollBarPart FHotPart = spNone;
  int FMinThumbSize = 8;
  TRect FFirstArrowRect{}, FSecondArrowRect{}, FThumbRect{}, FFirstPageRect{}, FSecondPageRect{};
  int FPosition = 0;
  int FDragStartPosition = 0;
  TPoint FDragThumbOrigin{};
  TPoint FDragMousePoint{};
  TScrollBarKind FKind = sbHorizontal;
  int FMin = 0, FMax = 100, FPageSize = 0;
  TScrollBarInc FSmallChange = 1, FLargeChange = 1;
  bool FUnlimitedTracking = false;
};
