#pragma once
// The visual side of the component library: controls with and without windows, their message protocol,
// alignment, focus and tab order, mouse capture, dragging, and the mouse of the screen.
#include <functional>
#include <memory>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/controls/Graphics.h"
#include "platform/controls/Messages.h"
#include "platform/rtl/Colors.h"
#include "platform/rtl/Geometry.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind, 4>;

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleItem, 32>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TSet<TControlStateItem, 16>;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, 8>;

enum TDragMode { dmManual, dmAutomatic };
enum TDragKind { dkDrag, dkDock };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TCursor = short;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16,
                  crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                  crSizeAll = -22, crSize = -22;

// What makes a window: TWinControl::CreateParams fills it and CreateWnd registers and creates from it.
struct TCreateParams {
  AnsiString Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  // The class to register; its lpfnWndProc becomes the control's default window procedure.
  WNDCLASSA WindowClass{};
  AnsiString WinClassName;
};

class TDragObject;
class TDragImageList;

using TWndMethod = TEvent<void(TMessage&)>;
using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;
using TDragOverEvent =
    TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = TEvent<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TContextPopupEvent = TEvent<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

TShiftState KeysToShiftState(WPARAM Keys);
// The MK_ flags of a mouse message for the shift keys and buttons of the state.
WPARAM ShiftStateToKeys(TShiftState Shift);
TShiftState KeyDataToShiftState(LPARAM KeyData);
// The shift keys and mouse buttons held now, as the platform's key state tells.
TShiftState GetShiftState();

// The limits SetBounds holds a control to; 0 means no limit.
class TSizeConstraints : public TPersistent {
  PELVOR_CLASS(TSizeConstraints, TPersistent)
  using TCreateArgs = std::tuple<TControl*>;
  explicit TSizeConstraints(TControl* AControl) : FControl(AControl) {}
  void Assign(TPersistent* Source) override;

  int MaxHeight() const { return FMaxHeight; }
  int MaxWidth() const { return FMaxWidth; }
  int MinHeight() const { return FMinHeight; }
  int MinWidth() const { return FMinWidth; }
  void SetMaxHeight(int Value);
  void SetMaxWidth(int Value);
  void SetMinHeight(int Value);
  void SetMinWidth(int Value);
  TNotifyEvent OnChange;

private:
  void Change();
  TControl* FControl; // borrowed: the control owns the constraints
  int FMaxHeight = 0, FMaxWidth = 0, FMinHeight = 0, FMinWidth = 0;
};

// What is being dragged. The source control makes one when a drag starts; targets see it in their
// drag-over and drop events.
class TDragObject : public TObject {
  PELVOR_CLASS(TDragObject, TObject)
  TDragObject() = default;
  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
  // Called once the drag is over; the default frees nothing, a self-owning object frees itself here.
  virtual void Finished(TObject* Target, int X, int Y, bool Accepted);
  TControl* DragTarget() const { return FDragTarget; }
  TPoint DragPos() const { return FDragPos; }
  TPoint DragTargetPos() const { return FDragTargetPos; }
  bool Dropped() const { return FDropped; }
  bool Cancelling() const { return FCancelling; }

private:
  friend class TDragController;
  TControl* FDragTarget = nullptr;
  TPoint FDragPos{};
  TPoint FDragTargetPos{};
  bool FDropped = false;
  bool FCancelling = false;
};

// The drag object made for a control that supplied none: it carries the control and dies with the drag.
class TDragControlObject : public TDragObject {
  PELVOR_CLASS(TDragControlObject, TDragObject)
  using TCreateArgs = std::tuple<TControl*>;
  explicit TDragControlObject(TControl* AControl) : FControl(AControl) {}
  TControl* Control() const { return FControl; }
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;

private:
  TControl* FControl;
};

class TControl : public TComponent {
  PELVOR_CLASS(TControl, TComponent)
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  // The message protocol. WindowProc starts as WndProc and may be replaced to watch or steal messages;
  // WndProc does the work common to all messages and hands each to Dispatch, whose switch calls the named
  // handler; what no handler takes reaches DefaultHandler.
  const TWndMethod& WindowProc() const { return FWindowProc; }
  void SetWindowProc(const TWndMethod& Value) { FWindowProc = Value; }
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const { return FParent != nullptr; }

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.left, R.top, RectWidth(R), RectHeight(R)); }
  virtual TRect GetClientRect();
  TRect ClientRect() { return GetClientRect(); }
  int ClientWidth() { return RectWidth(GetClientRect()); }
  int ClientHeight() { return RectHeight(GetClientRect()); }
  void SetClientWidth(int Value) { SetClientSize(Value, ClientHeight()); }
  void SetClientHeight(int Value) { SetClientSize(ClientWidth(), Value); }
  virtual void SetClientSize(int AWidth, int AHeight);
  virtual TPoint ClientOrigin();
  TPoint ClientToScreen(const TPoint& Point);
  TPoint ScreenToClient(const TPoint& Point);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() const { return FConstraints.get(); }
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);

  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible here and in every parent up to a form.
  bool IsVisible() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  AnsiString Caption() { return GetText(); }
  void SetCaption(const AnsiString& Value) { SetText(Value); }
  AnsiString Text() { return GetText(); }
  void SetText(const AnsiString& Value);
  AnsiString GetText();

  TControlStyle& ControlStyle() { return FControlStyle; }
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState& ControlState() { return FControlState; }
  TControlState ControlState() const { return FControlState; }

  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  TDragMode DragMode() const { return FDragMode; }
  virtual void SetDragMode(TDragMode Value) { FDragMode = Value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor Value) { FDragCursor = Value; }
  // Docking is not supported: a dock drag behaves as a plain drag.
  TDragKind DragKind() const { return FDragKind; }
  void SetDragKind(TDragKind Value) { FDragKind = Value; }
  void BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag(bool Drop);
  bool Dragging() const;
  // The images shown under the cursor while this control is the drag source; nullptr for none.
  virtual TDragImageList* GetDragImages() { return nullptr; }

  // ParentShowHint takes the parent's value; setting ShowHint clears it.
  bool ShowHint() const;
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value) { FParentShowHint = Value; }
  const AnsiString& Hint() const { return FHint; }
  void SetHint(const AnsiString& Value) { FHint = Value; }

  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);

  void Invalidate() { Perform(CM_INVALIDATE); }
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }

  // The form the control sits on, or the control itself when it is a form.
  TCustomForm* GetParentForm() const;
  // Turns false when the control is destroyed: callers of handlers that may free the control keep it and
  // look before touching the control again.
  std::shared_ptr<const bool> AliveToken() const { return FAlive; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;
  TNotifyEvent OnResize;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // Drag protocol entry points the drag controller calls.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  virtual void DoStartDrag(TDragObject*& DragObject);

  virtual void Click();
  virtual void DblClick();

protected:
  friend class TWinControl;
  friend class TDragController;

  virtual void Paint() {}
  virtual void SetZOrder(bool TopMost);
  virtual void Resize();
  virtual void RequestAlign();
  virtual void AdjustSize();
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  void DoAutoSize();
  void ConstrainedResize(int& AWidth, int& AHeight);
  // Keeps the distances that the anchors hold when the parent's client area grows or shrinks.
  void UpdateAnchorRules();
  void AnchorsParentResized(int OldWidth, int OldHeight, int NewWidth, int NewHeight);
  void UpdateBoundsRect(const TRect& R);
  virtual void InvalidateControl(bool IsVisible, bool IsOpaque);
  virtual TPopupMenu* GetPopupMenu() { return FPopupMenu; }

  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void FontChanged(TObject* Sender);
  // The drag that a left press on a control in automatic drag mode starts, by the mouse's settings.
  void DoBeginAutoDrag();

  // Named handlers of the messages the base understands.
  virtual void WMLButtonDown(TWMMouse& Message);
  virtual void WMLButtonDblClk(TWMMouse& Message);
  virtual void WMLButtonUp(TWMMouse& Message);
  virtual void WMRButtonDown(TWMMouse& Message);
  virtual void WMRButtonDblClk(TWMMouse& Message);
  virtual void WMRButtonUp(TWMMouse& Message);
  virtual void WMMButtonDown(TWMMouse& Message);
  virtual void WMMButtonDblClk(TWMMouse& Message);
  virtual void WMMButtonUp(TWMMouse& Message);
  virtual void WMMouseMove(TWMMouse& Message);
  virtual void WMMouseWheel(TWMMouseWheel& Message);
  virtual void WMCancelMode(TMessageView& Message);
  virtual void WMWindowPosChanged(TWMWindowPosMsg& Message);
  virtual void WMContextMenu(TWMContextMenu& Message);
  virtual void CMVisibleChanged(TMessageView& Message);
  virtual void CMEnabledChanged(TMessageView& Message);
  virtual void CMColorChanged(TMessageView& Message);
  virtual void CMFontChanged(TMessageView& Message);
  virtual void CMParentColorChanged(TMessageView& Message);
  virtual void CMParentFontChanged(TMessageView& Message);
  virtual void CMTextChanged(TMessageView& Message);
  virtual void CMCursorChanged(TMessageView& Message);
  virtual void CMHitTest(TCMHitTest& Message);
  virtual void CMMouseEnter(TCMMouseEnter& Message);
  virtual void CMMouseLeave(TCMMouseLeave& Message);
  virtual void CMInvalidate(TMessageView& Message);
  virtual void CMDrag(TCMDrag& Message);
  virtual void CMSysColorChange(TMessageView& Message);
  virtual void CMWinIniChange(TMessageView& Message);
  virtual void CMCtl3DChanged(TMessageView& Message);
  virtual void CMMouseWheel(TMessageView& Message);

  TControlStyle FControlStyle;
  TControlState FControlState;
  TWinControl* FParent = nullptr; // borrowed: the parent shows the control, its owner frees it
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  AnsiString FText;
  TColor FColor = clWindow;
  bool FVisible = true;
  bool FEnabled = true;

private:
  void DoMouseDown(TWMMouse& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TWMMouse& Message, TMouseButton Button);
  bool CheckNewSize(int& NewWidth, int& NewHeight);

  TWndMethod FWindowProc;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  // The parent's client size and the control's right and bottom distances when the anchors were last set.
  TPoint FAnchorOrigin{};
  TPoint FAnchorRule{};
  std::unique_ptr<TSizeConstraints> FConstraints;
  bool FAutoSize = false;
  int FAnchorMove = 0; // nonzero while the parent moves the control for its anchors
  std::unique_ptr<TFont> FFont;
  bool FParentColor = true;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  TDragMode FDragMode = dmManual;
  TDragKind FDragKind = dkDrag;
  TCursor FDragCursor = crDrag;
  bool FShowHint = false;
  bool FParentShowHint = true;
  AnsiString FHint;
  TPopupMenu* FPopupMenu = nullptr; // borrowed, cleared by free notification
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// The control that holds the mouse capture for itself or for a child without a window.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The control behind a window handle, nullptr for a window that no control made.
TWinControl* FindControl(HWND Handle);
// The control (with or without a window) under a screen point.
TControl* FindDragTarget(const TPoint& Pos, bool AllowDisabled);
// Sends WM_CANCELMODE to the focus window unless it is the sender, so a pending mouse mode ends first.
void SendCancelMode(TControl* Sender);
// Ends the drag in progress, if any, without a drop.
void CancelDrag();
// The drag object of the drag in progress, nullptr when nothing is dragged.
TDragObject* DragObject();
// The images the drag in progress shows, nullptr when it shows none.
TDragImageList* CurrentDragImages();

// An exception that escaped a message handler goes here; the application shows it and carries on.
using TExceptionHook = std::function<void(TObject* Sender)>;
void SetApplicationHandleException(TExceptionHook Hook);
void HandleControlException(TObject* Sender);

class TWinControl : public TControl {
  PELVOR_CLASS(TWinControl, TControl)
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The handle is made on demand; asking for it creates the parent's first. nullptr when a handler raised
  // meanwhile freed the control.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);
  // Shown here and in every parent, with windows.
  bool Showing() const { return FShowing; }

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  int ControlCount() const { return int(FControls.size()); }
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* Control) const;
  // The child (with or without a window) at a client point, the topmost first.
  TControl* ControlAtPos(const TPoint& Pos, bool AllowDisabled, bool AllowWinControls = false);
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  TRect GetClientRect() override;
  TPoint ClientOrigin() override;
  void SetClientSize(int AWidth, int AHeight) override;
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  void Realign() { AlignControl(nullptr); }
  // Lays the children out again; AControl, the one that asked, wins ties with siblings on its side.
  void AlignControl(TControl* AControl);
  bool AlignDisabled() const { return FAlignLevel > 0; }

  int TabOrder() const;
  void SetTabOrder(int Value);
  // The window erases with its parent's background instead of its own colour.
  bool ParentBackground() const { return FControlStyle.Contains(csParentBackground); }
  virtual void SetParentBackground(bool Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  virtual void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  virtual bool CanFocus();
  virtual bool Focused();
  virtual void SetFocus();

  void Update() override;
  void Repaint() override;

  // Window life: CreateParams describes the window, CreateWnd registers the class and creates it,
  // CreateHandle adds the children's windows, RecreateWnd rebuilds it after a change of style.
  virtual void CreateHandle();
  void DestroyHandle();
  void RecreateWnd();
  void UpdateControlState();

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TMouseWheelEvent OnMouseWheel;

  bool DoKeyDown(TWMKey& Message);
  bool DoKeyUp(TWMKey& Message);
  bool DoKeyPress(TWMKey& Message);

protected:
  friend class TControl;
  friend class TCustomForm;

  virtual void CreateParams(TCreateParams& Params);
  // Takes the platform class's information so that the control's window behaves as that class.
  void CreateSubClass(TCreateParams& Params, const char* ControlClassName);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AdjustClientRect(TRect& Rect) { (void)Rect; }
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TWMPaint& Message);
  void PaintControls(HDC DC, TControl* First);
  void SetZOrder(bool TopMost) override;
  void SetZOrderPosition(int Position);
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  virtual bool IsControlMouseMsg(TWMMouse& Message);
  void UpdateShowing();
  HBRUSH BackgroundBrush();

  virtual void WMPaint(TWMPaint& Message);
  virtual void WMEraseBkgnd(TWMEraseBkgnd& Message);
  virtual void WMSetFocus(TWMSetFocus& Message);
  virtual void WMKillFocus(TWMKillFocus& Message);
  virtual void WMKeyDown(TWMKey& Message);
  virtual void WMSysKeyDown(TWMKey& Message);
  virtual void WMKeyUp(TWMKey& Message);
  virtual void WMSysKeyUp(TWMKey& Message);
  virtual void WMChar(TWMKey& Message);
  virtual void WMSize(TWMSize& Message);
  virtual void WMMove(TMessageView& Message);
  virtual void WMWindowPosChanged(TWMWindowPosMsg& Message) override;
  virtual void WMSetCursor(TWMSetCursor& Message);
  virtual void WMCommand(TWMCommand& Message);
  virtual void WMNotify(TWMNotify& Message);
  virtual void WMCtlColor(TWMCtlColor& Message);
  virtual void WMDrawItem(TWMDrawItem& Message);
  virtual void WMMeasureItem(TWMMeasureItem& Message);
  virtual void WMHScroll(TWMScroll& Message);
  virtual void WMVScroll(TWMScroll& Message);
  virtual void WMNCDestroy(TMessageView& Message);
  virtual void WMGetDlgCode(TWMGetDlgCode& Message);
  virtual void WMSysColorChange(TMessageView& Message);
  virtual void WMSettingChange(TMessageView& Message);
  virtual void CNKeyDown(TWMKey& Message);
  virtual void CNKeyUp(TWMKey& Message);
  virtual void CNChar(TWMKey& Message);
  virtual void CNSysKeyDown(TWMKey& Message);
  virtual void CNSysChar(TWMKey& Message);
  virtual void CMEnter(TCMEnter& Message);
  virtual void CMExit(TCMExit& Message);
  virtual void CMDialogKey(TCMDialogKey& Message);
  virtual void CMDialogChar(TCMDialogChar& Message);
  virtual void CMChildKey(TCMChildKey& Message);
  virtual void CMWantSpecialKey(TCMWantSpecialKey& Message);
  virtual void CMShowingChanged(TMessageView& Message);
  virtual void CMVisibleChanged(TMessageView& Message) override;
  virtual void CMEnabledChanged(TMessageView& Message) override;
  virtual void CMColorChanged(TMessageView& Message) override;
  virtual void CMFontChanged(TMessageView& Message) override;
  virtual void CMInvalidate(TMessageView& Message) override;
  virtual void CMSysColorChange(TMessageView& Message) override;
  virtual void CMWinIniChange(TMessageView& Message) override;
  virtual void CMCtl3DChanged(TMessageView& Message) override;
  virtual void CMCursorChanged(TMessageView& Message) override;
  virtual void CMFocusChanged(TCMFocusChanged& Message);
  virtual void CMRecreateWnd(TMessageView& Message);

  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;      // the registered class's own procedure, which DefaultHandler calls
  std::vector<TControl*> FControls;   // every child, back to front; borrowed
  std::vector<TWinControl*> FTabList; // windowed children in tab order; borrowed

private:
  friend LRESULT ControlWndProc(HWND, UINT, WPARAM, LPARAM);
  void MainWndProc(TMessage& Message);
  void UpdateBounds();
  void ReflectNotification(TMessage& Message, HWND Child);
  void DoAlign(TAlign AAlign, TControl* AControl, TRect& Rect);

  HWND FParentWindow = nullptr;
  bool FShowing = false;
  bool FTabStop = false;
  int FAlignLevel = 0;
  HBRUSH FBrush = nullptr; // owned, for the current colour
  TColor FBrushColor = clNone;
};

// A canvas over a control: outside painting it borrows a device context of the control's window, or of the
// parent's moved onto the control for a control without a window.
class TControlCanvas : public TCanvas {
  PELVOR_CLASS(TControlCanvas, TCanvas)
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const { return FControl; }
  void SetControl(TControl* AControl);
  // Gives back a borrowed device context; painting sets its own handle after this.
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  TControl* FControl = nullptr; // borrowed: the control owns its canvas
  HDC FDeviceContext = nullptr;
  HWND FWindow = nullptr;
};

// A control with a window of its own and a canvas to paint it with.
class TCustomControl : public TWinControl {
  PELVOR_CLASS(TCustomControl, TWinControl)
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }

protected:
  void Paint() override;
  void PaintWindow(HDC DC) override;
  void WMPaint(TWMPaint& Message) override;

private:
  std::unique_ptr<TControlCanvas, TObjectDeleter> FCanvas;
};

// A control without a window that paints itself on its parent's.
class TGraphicControl : public TControl {
  PELVOR_CLASS(TGraphicControl, TControl)
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() const { return FCanvas.get(); }
  void Dispatch(TMessage& Message) override;

protected:
  virtual void WMPaint(TWMPaint& Message);

private:
  std::unique_ptr<TControlCanvas, TObjectDeleter> FCanvas;
};

// The mouse as the library sees it.
class TMouse {
public:
  int DragThreshold() const { return FDragThreshold; }
  void SetDragThreshold(int Value) { FDragThreshold = Value; }
  bool DragImmediate() const { return FDragImmediate; }
  void SetDragImmediate(bool Value) { FDragImmediate = Value; }
  int WheelScrollLines() const;
  TPoint CursorPos() const;
  void SetCursorPos(const TPoint& Value);
  HWND Capture() const;
  bool IsDragging() const;

private:
  int FDragThreshold = 5;
  bool FDragImmediate = true;
};

TMouse* Mouse();
