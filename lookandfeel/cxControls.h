#pragma once
// The base of every owner-drawn control of the library and the services the controls share: painter-drawn
// scroll bars with a size grip, the library's own drag-and-drop, drag detection, middle-button panning,
// mouse-leave tracking, the reaction to system metric changes, popup-menu routines and the popup form.
#include <memory>
#include <vector>

#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/cxScrollBar.h"
#include "platform/classes/Sets.h"
#include "platform/classes/UnitList.h"
#include "platform/controls/Controls.h"
#include "platform/controls/Forms.h"
#include "platform/controls/ImgList.h"
#include "platform/controls/Menus.h"
#include "platform/controls/StdCtrls.h"

// Sent to every control with scroll bars when the system's non-client metrics change.
constexpr UINT CXM_NCSIZECHANGED = 0x8131;

// The library's cursors, registered with the screen at start-up.
constexpr TCursor crcxDragCopy = 2100, crcxFullScroll = 2101, crcxHorScroll = 2102, crcxVerScroll = 2103,
                  crcxUpScroll = 2104, crcxRightScroll = 2105, crcxDownScroll = 2106, crcxLeftScroll = 2107,
                  crcxRemove = 2108, crcxVertSize = 2109, crcxHorzSize = 2110, crcxMultiDrag = 2111,
                  crcxNoDrop = 2112, crcxDrag = 2113;

enum TcxDragAndDropState { ddsNone, ddsStarting, ddsInProcess };
enum TcxWantedKey { kAll, kArrows, kChars, kTab };
using TcxWantedKeys = TSet<TcxWantedKey, 4>;
enum TcxMouseWheelScrollingKind { mwskNone, mwskHorizontal, mwskVertical };
enum TcxDirection { dirNone, dirLeft, dirRight, dirUp, dirDown };
enum TcxNumberType { ntInteger, ntFloat, ntExponent };
enum TcxDragDetect { ddNone, ddDrag, ddCancel };

class TcxControl;

class IcxMouseTrackingCaller {
public:
  virtual ~IcxMouseTrackingCaller() = default;
  virtual void MouseLeave() = 0;
};

// A tracked object with a shape of its own: the point (client space of the tracked control) is inside.
class IcxMouseTrackingArea : public IcxMouseTrackingCaller {
public:
  virtual bool PtInCaller(const TPoint& P) = 0;
};

// A popup menu of another kind than the platform's.
class IcxPopupMenuSupport {
public:
  virtual ~IcxPopupMenuSupport() = default;
  virtual bool IsShortCut(TWMKey& Message) = 0;
  virtual void Popup(int X, int Y) = 0;
};

class IcxMouseCaptureOwner {
public:
  virtual ~IcxMouseCaptureOwner() = default;
  virtual void MouseCaptureLost() = 0;
};

class IcxFontListener {
public:
  virtual ~IcxFontListener() = default;
  virtual void Changed(TObject* Sender, TFont* AFont) = 0;
};

// A component that belongs to a control; the control hears of its coming and going.
class TcxControlChildComponent : public TcxComponent {
  PELVOR_CLASS(TcxControlChildComponent, TcxComponent)

  // With AAssignOwner the control's owner owns the component; otherwise nothing does.
  TcxControlChildComponent(TcxControl* AControl, bool AAssignOwner = true);
  ~TcxControlChildComponent() override;

  TcxControl* Control() const { return FControl; }
  void SetControl(TcxControl* Value) { FControl = Value; }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

private:
  TcxControl* FControl = nullptr; // borrowed
};

// What a control wants its scroll bar to show; kept while the bar is hidden and copied in by ApplyData.
struct TcxScrollBarData {
  int Min = 0, Max = 100, Position = 0, PageSize = 0;
  int SmallChange = 1, LargeChange = 1;
  bool Enabled = true, Visible = false;
};

class TcxControlScrollBar : public TcxScrollBar {
  PELVOR_CLASS(TcxControlScrollBar, TcxScrollBar)

  explicit TcxControlScrollBar(TComponent* AOwner);
  TcxScrollBarData& Data() { return FData; }
  void ApplyData();

protected:
  void WndProc(TMessage& Message) override;
  void WMEraseBkgnd(TWMEraseBkgnd& Message) override;

private:
  TcxScrollBarData FData;
};

// The colour of the square between a control's two bars.
constexpr TColor cxSizeGripColor = clBtnFace;

class TcxSizeGrip : public TCustomControl {
  PELVOR_CLASS(TcxSizeGrip, TCustomControl)

  explicit TcxSizeGrip(TComponent* AOwner);

protected:
  void Paint() override;
};

// The library's own drag-and-drop within one control: it follows the mouse and chooses the cursor.
class TcxDragAndDropObject : public TObject {
  PELVOR_CLASS(TcxDragAndDropObject, TObject)

  using TCreateArgs = std::tuple<TcxControl*>;
  explicit TcxDragAndDropObject(TcxControl* AControl);

  TcxControl* Control() const { return FControl; }
  TcxCanvas* Canvas() const;
  TPoint CurMousePos() const { return FCurMousePos; }
  TPoint PrevMousePos() const { return FPrevMousePos; }
  bool Dirty() const { return FDirty; }
  void SetDirty(bool Value);

  virtual void DirtyChanged() {}
  virtual TCursor GetDragAndDropCursor(bool Accepted) { return Accepted ? crDrag : crNoDrop; }
  virtual bool GetImmediateStart() { return false; }
  virtual void AfterDragAndDrop() {}
  virtual void BeginDragAndDrop() { DirtyChanged(); }
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool Accepted) {
    (void)Accepted;
    SetDirty(true);
  }

private:
  friend class TcxControl;
  TcxControl* FControl; // borrowed: the control owns this object
  TPoint FCurMousePos{-1, -1};
  TPoint FPrevMousePos{-1, -1};
  bool FDirty = false;
};
using TcxDragAndDropObjectClass = TClass;

// The platform drag object of a library control; it frees itself when the drag finishes.
class TcxDragControlObject : public TDragControlObject {
  PELVOR_CLASS(TcxDragControlObject, TDragControlObject)
  using TDragControlObject::TDragControlObject;
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  void Finished(TObject* Target, int X, int Y, bool Accepted) override;
};

class TcxDragImageList : public TDragImageList {
  PELVOR_CLASS(TcxDragImageList, TDragImageList)
  using TDragImageList::TDragImageList;
};

class TcxControl : public TCustomControl {
  PELVOR_CLASS(TcxControl, TCustomControl)

  explicit TcxControl(TComponent* AOwner);
  ~TcxControl() override;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void CreateHandle() override;

  // Borders, bounds and scroll bars.
  int BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(int Value);
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  void SetLookAndFeel(TcxLookAndFeel* Value) { FLookAndFeel->Assign(Value); }
  TcxCanvas* cxCanvas() const { return FCanvas.get(); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  // The bars and the grip are made with the control's first window, when HasScrollBars says so; until
  // then these answer nullptr and UpdateScrollBars does nothing.
  TcxControlScrollBar* HScrollBar() const { return FHScrollBar; }
  TcxControlScrollBar* VScrollBar() const { return FVScrollBar; }
  TcxSizeGrip* SizeGrip() const { return FSizeGrip; }
  bool IsHScrollBarVisible() const;
  bool IsVScrollBarVisible() const;
  // A stored bounds rectangle replaces the window's client rectangle; an empty one clears it.
  void SetStoredBounds(const TRect& Value);
  virtual TRect GetBounds();
  virtual TRect GetClientBounds();
  TRect Bounds() { return GetBounds(); }
  TRect ClientBounds() { return GetClientBounds(); }
  virtual int GetBorderSize();
  virtual TcxLookAndFeelPainterClass GetPainter() { return FLookAndFeel->GetPainter(); }
  TcxLookAndFeelPainterClass Painter() { return GetPainter(); }
  void SetScrollBarInfo(TScrollBarKind AScrollBarKind, int AMin, int AMax, int AStep, int APage, int APos,
                        bool AAllowShow, bool AAllowHide);
  virtual void UpdateScrollBars();
  void ScrollContent(TcxDirection ADirection);
  void InvalidateRect(const TRect& R, bool EraseBackground);

  // Keys, focus and popup menus.
  TcxWantedKeys Keys() const { return FKeys; }
  void SetKeys(TcxWantedKeys Value) { FKeys = Value; }
  bool FocusOnClick() const { return FFocusOnClick; }
  void SetFocusOnClick(bool Value) { FFocusOnClick = Value; }
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* Value);
  virtual bool CanFocusEx();
  virtual bool IsFocused() { return Focused(); }
  virtual bool CanFocusOnChildClick(TControl* AChild) {
    (void)AChild;
    return CanFocusOnClick();
  }

  // The library's drag-and-drop.
  TcxDragAndDropObject* DragAndDropObject();
  TcxDragAndDropObjectClass DragAndDropObjectClass() const { return FDragAndDropObjectClass; }
  void SetDragAndDropObjectClass(TcxDragAndDropObjectClass Value) { FDragAndDropObjectClass = Value; }
  TcxDragAndDropState DragAndDropState() const { return FDragAndDropState; }
  void SetDragAndDropState(TcxDragAndDropState Value);
  void FinishDragAndDrop(bool Accepted);
  bool IsMouseInPressedArea(int X, int Y) const;
  TPoint MouseDownPos() const { return FMouseDownPos; }
  bool MousePressed() const { return FMousePressed; }
  TObject* MouseCaptureObject() const { return FMouseCaptureObject; }
  void SetMouseCaptureObject(TObject* Value);
  bool IsPanning() const { return FIsPanning; }
  TDragImageList* GetDragImages() override;

  void AddFontListener(IcxFontListener* AListener);
  void RemoveFontListener(IcxFontListener* AListener);

  // Control child components tell their control when they come and go.
  virtual void AddChildComponent(TcxControlChildComponent* AComponent);
  virtual void RemoveChildComponent(TcxControlChildComponent* AComponent);

  void Notification(TComponent* AComponent, TOperation Operation) override;

  TNotifyEvent OnFocusChanged;

protected:
  friend class TcxSettingsController;
  friend void StartPanning(TcxControl* AControl, const TPoint& APoint);

  virtual bool DoShowPopupMenu(TComponent* AMenu, int X, int Y);
  virtual void ParentBackgroundChanged() {}
  virtual void StartDragOrPanning(TMouseButton AButton, const TPoint& P);
  virtual bool AllowAutoDragAtDesignTime() { return true; }
  virtual void BeforeMouseDown(TMouseButton, TShiftState, int, int) {}
  virtual void BringScrollBarsToFront();
  virtual void EndMouseOperations();
  virtual bool CanFocusOnClick();
  virtual TCursor GetCursor(int X, int Y);
  virtual bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  virtual TcxMouseWheelScrollingKind GetMouseWheelScrollingKind();
  virtual bool NeedsEraseBackground() { return false; }
  virtual void SetScrollBarsParent(TWinControl* Value);
  virtual bool IsInternalControl() { return false; }
  virtual void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  virtual TRect GetHScrollBarBounds();
  virtual TRect GetSizeGripBounds();
  virtual TRect GetVScrollBarBounds();
  // Descendants call SetScrollBarInfo here for each bar.
  virtual void InitScrollBarsParameters() {}
  virtual bool IsPixelScrollBar(TScrollBarKind) { return false; }
  virtual bool HasScrollBars() { return true; }
  virtual bool NeedsScrollBarsOnTop() { return false; }
  virtual void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, int& AScrollPos) {
    (void)AScrollBarKind, (void)AScrollCode, (void)AScrollPos;
  }
  virtual void SetScrollBarsBounds();
  virtual TcxDragAndDropObjectClass GetDragAndDropObjectClass();
  virtual void DrawDragImage(TcxCanvas*, const TRect&) {}
  virtual TClass GetDragImagesClass() { return ClassOf<TcxDragImageList>(); }
  virtual TPoint GetDragImagesSize() { return TPoint{0, 0}; }
  virtual bool HasDragImages() { return false; }
  virtual void InitDragImages(TcxDragImageList* ADragImages);
  virtual bool IsClickAllowed(int X, int Y);

  virtual void ColorChanged() {}
  virtual void CursorChanged();
  using TCustomControl::FontChanged;
  virtual void FontChanged();
  virtual void TextChanged() {}
  virtual void VisibleChanged() {}
  virtual void FocusChanged();
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);
  virtual void BoundsChanged();
  virtual bool NeedsFocus() { return true; }
  virtual bool AllowCaptureWhenUnfocused() { return false; }
  virtual bool CanDrag(int X, int Y);
  virtual void CancelMouseOperations();
  virtual bool GetDesignHitTest(int X, int Y, TShiftState Shift);
  virtual TClass GetDragObjectClass() { return ClassOf<TcxDragControlObject>(); }
  virtual bool StartDrag(TDragObject* DragObject) {
    (void)DragObject;
    return true;
  }
  virtual bool StartDragAndDrop(const TPoint& P) {
    (void)P;
    return false;
  }
  virtual void BeginDragAndDrop();
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool Accepted);

  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void DoStartDrag(TDragObject*& DragObject) override;
  void DoEndDrag(TObject* Target, int X, int Y) override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;

  void WMPaint(TWMPaint& Message) override;
  void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
  void WMGetDlgCode(TWMGetDlgCode& Message) override;
  void WMKeyDown(TWMKey& Message) override;
  void WMSysKeyDown(TWMKey& Message) override;
  void WMCancelMode(TMessageView& Message) override;
  void WMContextMenu(TWMContextMenu& Message) override;
  void WMSetCursor(TWMSetCursor& Message) override;
  void CMColorChanged(TMessageView& Message) override;
  void CMCursorChanged(TMessageView& Message) override;
  void CMFontChanged(TMessageView& Message) override;
  void CMTextChanged(TMessageView& Message) override;
  void CMVisibleChanged(TMessageView& Message) override;
  void CMMouseEnter(TCMMouseEnter& Message) override;
  void CMMouseLeave(TCMMouseLeave& Message) override;
  void CMNCSizeChanged(TMessageView& Message);

private:
  // Work that needs the descendant's overrides, which a constructor cannot reach: done once, when the first
  // window is made, by which time every constructor has run.
  void InitializeControl();
  void CreateScrollBars();
  void DestroyScrollBars();
  void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void CalculateScrollBarsData();
  bool IsPopupMenuShortCutOfChain(TWMKey& Message);

  int FBorderStyle = 0;
  std::unique_ptr<TcxDragImageList, TObjectDeleter> FDragImages;
  bool FCalculatingScrollBarsParams = false;
  bool FInitialHScrollBarVisible = false, FInitialVScrollBarVisible = false;
  bool FScrollBarsOscillating = false; // set for the rest of the outermost update once the bars flip back
  std::unique_ptr<TcxCanvas, TObjectDeleter> FCanvas;
  TCursor FDefaultCursor = crDefault;
  std::unique_ptr<TcxDragAndDropObject, TObjectDeleter> FDragAndDropObject;
  TcxDragAndDropObjectClass FDragAndDropObjectClass = nullptr;
  TCursor FDragAndDropPrevCursor = crDefault;
  TcxDragAndDropState FDragAndDropState = ddsNone;
  bool FFinishingDragAndDrop = false;
  bool FFocusOnClick = true;
  std::vector<IcxFontListener*> FFontListeners; // borrowed
  TcxControlScrollBar* FHScrollBar = nullptr;   // owned through the component list
  TcxWantedKeys FKeys;
  std::unique_ptr<TcxLookAndFeel, TObjectDeleter> FLookAndFeel;
  TObject* FMouseCaptureObject = nullptr; // borrowed
  TPoint FMouseDownPos{};
  bool FMousePressed = false;
  TComponent* FPopupMenu = nullptr; // borrowed, cleared by free notification
  TScrollStyle FScrollBars = ssBoth;
  TcxSizeGrip* FSizeGrip = nullptr;           // owned through the component list
  TcxControlScrollBar* FVScrollBar = nullptr; // owned through the component list
  bool FUpdatingScrollBars = false;           // the running mark
  bool FIsPanning = false;
  bool FLastParentBackground = true;
  TRect FStoredBounds{};
  bool FInitialized = false;
  bool FSettingCursor = false;
  bool FDragRefused = false;
};

// Drag detection: captures the mouse for the window and answers how the press ended.
TcxDragDetect DragDetect(HWND AWnd);
// Middle-button panning of a control with a visible scroll bar; returns when the panning ends.
void StartPanning(TcxControl* AControl, const TPoint& APoint);
// The speed (0 to 12) and direction of panning for a cursor offset from the start point.
struct TcxPanningMotion {
  TcxDirection Direction = dirNone;
  int Speed = 0;
};
TcxPanningMotion cxPanningMotion(const TPoint& AOffset, bool AHorizontal, bool AVertical,
                                 int AIndicatorWidth);

// Calls the caller's MouseLeave once the cursor has left the bounds (client space of AControl when one is
// given, screen space otherwise).
void BeginMouseTracking(TWinControl* AControl, const TRect& ABounds, IcxMouseTrackingCaller* ACaller);
void EndMouseTracking(IcxMouseTrackingCaller* ACaller);
bool IsMouseTracking(IcxMouseTrackingCaller* ACaller);
int MouseTrackingCount();

TRect GetMonitorWorkArea(const TPoint& P);
UINT GetDblClickInterval();
bool IsPointInDragThreshold(const TPoint& P, int X, int Y);
bool IsNumericChar(char C, TcxNumberType AType);
bool IsTextChar(char C);
void MapWindowRect(HWND AFrom, HWND ATo, TRect& R);
bool HasParentWithHandle(TControl* AControl);
WORD TranslateKey(WORD Key);

int GetPopupMenuHeight(TComponent* APopupMenu);
bool IsPopupMenuShortCut(TComponent* APopupMenu, TWMKey& Message);
bool ShowPopupMenu(TComponent* ACaller, TComponent* APopupMenu, int X, int Y);

TDragObject* GetCurrentDragObject();
void HideDragImage();
void ShowDragImage();

// Tells registered controls when the system's non-client metrics change, through a hidden window that
// lives while any control is registered.
class TcxSettingsController : public TObject {
  PELVOR_CLASS(TcxSettingsController, TObject)

  TcxSettingsController() = default;
  ~TcxSettingsController() override;
  void AddListener(TWinControl* AListener);
  void RemoveListener(TWinControl* AListener);
  int ListenerCount() const { return int(FListeners.size()); }
  HWND Window() const { return FWindow; }

private:
  LRESULT WndProc(HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam);
  std::vector<TWinControl*> FListeners; // borrowed: each unregisters before it goes
  HWND FWindow = nullptr;               // owned
};

TcxSettingsController* cxSettingsController();

enum TcxPopupAlignHorz { pahLeft, pahCenter, pahRight };
enum TcxPopupAlignVert { pavTop, pavCenter, pavBottom };
enum TcxPopupDirection { pdHorizontal, pdVertical };
enum TcxPopupBorderStyle { pbsNone, pbsSingle, pbsFlat, pbs3D };

// A borderless stay-on-top form that opens next to an owner rectangle, flips to the other side when it
// lacks room and keeps inside the work area; it closes when it loses the activation.
class TcxPopupWindow : public TForm {
  PELVOR_CLASS(TcxPopupWindow, TForm)

  TcxPopupWindow();
  ~TcxPopupWindow() override;

  virtual TPoint CalculatePosition();
  virtual void CalculateSize();
  virtual int GetFrameWidth(TcxBorder ASide);
  virtual int GetBorderWidth();
  virtual void InitPopup();
  virtual void DrawFrame();
  virtual void CloseUp();
  virtual void Popup();

  bool AdjustableSize() const { return FAdjustableSize; }
  void SetAdjustableSize(bool Value) { FAdjustableSize = Value; }
  TcxPopupAlignHorz AlignHorz() const { return FAlignHorz; }
  void SetAlignHorz(TcxPopupAlignHorz Value) { FAlignHorz = Value; }
  TcxPopupAlignVert AlignVert() const { return FAlignVert; }
  void SetAlignVert(TcxPopupAlignVert Value) { FAlignVert = Value; }
  TcxPopupBorderStyle PopupBorderStyle() const { return FBorderStyle; }
  void SetPopupBorderStyle(TcxPopupBorderStyle Value);
  TcxPopupDirection Direction() const { return FDirection; }
  void SetDirection(TcxPopupDirection Value) { FDirection = Value; }
  int FrameExtraWidth() const { return FFrameExtraWidth; }
  void SetFrameExtraWidth(int Value) { FFrameExtraWidth = Value; }
  TColor FrameColor() const { return FFrameColor; }
  void SetFrameColor(TColor Value) { FFrameColor = Value; }
  TRect OwnerBounds() const { return FOwnerBounds; }
  void SetOwnerBounds(const TRect& Value) { FOwnerBounds = Value; }
  TWinControl* OwnerParent() const { return FOwnerParent; }
  void SetOwnerParent(TWinControl* Value);
  TcxCanvas* cxCanvas() const { return FCanvas.get(); }
  HWND ActiveCaptionWindow() const { return FActiveCaptionWindow; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
  void PaintWindow(HDC DC) override;
  void WMActivate(TWMActivate& Message) override;
  void WMActivateApp(TMessageView& Message) override;
  void CMVisibleChanged(TMessageView& Message) override;
  // A descendant's hook for showing and hiding.
  virtual void VisibleChanged() {}

private:
  bool FAdjustableSize = true;
  TcxPopupAlignHorz FAlignHorz = pahLeft;
  TcxPopupAlignVert FAlignVert = pavBottom;
  int FFrameExtraWidth = 0;
  TcxPopupBorderStyle FBorderStyle = pbsNone;
  std::unique_ptr<TControlCanvas, TObjectDeleter> FControlCanvas;
  std::unique_ptr<TcxCanvas, TObjectDeleter> FCanvas;
  TcxPopupDirection FDirection = pdVertical;
  TColor FFrameColor = clWindowText;
  TRect FOwnerBounds{};
  TWinControl* FOwnerParent = nullptr; // borrowed, cleared by free notification
  HWND FActiveCaptionWindow = nullptr;
};

void cxControlsInitialize();
void cxControlsFinalize();
extern const TUnitInfo cxControlsUnit;
