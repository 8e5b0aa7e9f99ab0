#pragma once
// The styled container of the control library: four state styles resolved through their own values, a chain
// of style controllers and computed defaults; the container control that hosts one platform control inside
// its border; its view info; the popup window with the hooks that close it; and the inner list box.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "lookandfeel/cxControls.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Sets.h"
#include "platform/controls/Graphics.h"
#include "platform/controls/ListBoxes.h"

// The index of a style value; it is also the bit number in TcxContainerStyleValues. Descendant styles add
// their own values after the ten of the base class.
using TcxContainerStyleValue = int;
using TcxContainerStyleValues = TSet<TcxContainerStyleValue, 32>;
constexpr TcxContainerStyleValue csvBorderColor = 0, csvBorderStyle = 1, csvColor = 2, csvEdges = 3,
                                 csvFont = 4, csvHotTrack = 5, csvShadow = 6, csvTextColor = 7,
                                 csvTextStyle = 8, csvTransparentBorder = 9;
// The bit mask of a value set, as the values are written in a form.
std::uint32_t cxStyleValuesMask(const TcxContainerStyleValues& AValues);
TcxContainerStyleValues cxStyleValuesFromMask(std::uint32_t AMask);

enum TcxContainerStyleState { cssNormal, cssFocused, cssDisabled, cssHot };
enum TcxContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };

class TcxContainerStyle;
class TcxStyleController;

// What a style needs to know of the container that owns it; a style owned by anything else uses defaults.
class IcxContainerStyleHost {
public:
  virtual ~IcxContainerStyleHost() = default;
  virtual bool IsStylePropertyUsed(const AnsiString& APropertyName, bool AIsStateStyle) = 0;
  // The parent's colour when the host follows its parent's colour and has a parent.
  virtual bool StyleHostParentColor(TColor& AColor) = 0;
  virtual bool StyleHostDefaultParentColor() = 0;
  virtual bool StyleHostIsInplace() = 0;
  virtual bool StyleHostParentFont() = 0;
  // The host no longer keeps a colour or font of its own; it follows its parent's where the flags say so.
  virtual void StyleHostRestoreParentDefaults(bool AParentColor, bool AParentFont) = 0;
};

class TcxContainerStyle : public TPersistent {
  PELVOR_CLASS(TcxContainerStyle, TPersistent)

  using TCreateArgs = std::tuple<TPersistent*, bool, TcxContainerStyle*, TcxContainerStyleState>;
  TcxContainerStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyle* AParentStyle = nullptr,
                    TcxContainerStyleState AState = cssNormal);
  ~TcxContainerStyle() override;
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  TFont* GetVisibleFont();
  bool IsBaseStyle() const { return FParentStyle == nullptr; }
  TcxContainerStyle* GetBaseStyle() { return FParentStyle ? FParentStyle : this; }
  IcxContainerStyleHost* GetHost() const;
  TcxStyleController* GetActiveStyleController();
  TcxContainerStyleState State() const { return FState; }
  bool DirectAccessMode() const { return FDirectAccessMode; }
  bool IsDestroying() const { return FIsDestroying; }

  virtual int GetStyleValueCount() const { return 10; }
  virtual bool GetStyleValueName(TcxContainerStyleValue AValue, AnsiString& AName) const;
  virtual TcxContainerStyleValues GetBaseOnlyValues() const;
  virtual bool IsValueAssigned(TcxContainerStyleValue AValue);
  virtual bool HasBorder() { return IsBaseStyle() ? true : FParentStyle->HasBorder(); }
  virtual void RestoreDefaults();
  bool IsPropertyUsedByStateStyle(const AnsiString& APropertyName) const;
  // Whether the value is written when a form is saved.
  bool IsValueStored(TcxContainerStyleValue AValue);
  // Clears a value's bit without the font refresh or notification of the AssignedValues setter.
  void RemoveAssignedValue(TcxContainerStyleValue AValue) { FAssignedValues.Exclude(AValue); }
  // Takes the font from the controller chain unless the style has its own.
  void RefreshFontFromController() { UpdateFont(); }

  TcxContainerStyleValues AssignedValues() const;
  void SetAssignedValues(const TcxContainerStyleValues& Value);
  TColor BorderColor();
  void SetBorderColor(TColor Value);
  TcxContainerBorderStyle BorderStyle();
  void SetBorderStyle(TcxContainerBorderStyle Value);
  TColor Color() { return GetColor(); }
  void SetColor(TColor Value);
  TcxBorders Edges();
  void SetEdges(TcxBorders Value);
  TFont* Font();
  void SetFont(TFont* Value);
  bool HotTrack();
  void SetHotTrack(bool Value);
  TcxLookAndFeel* LookAndFeel() { return GetBaseStyle()->FLookAndFeel.get(); }
  void SetLookAndFeel(TcxLookAndFeel* Value) { LookAndFeel()->Assign(Value); }
  bool Shadow();
  void SetShadow(bool Value);
  // Reads nullptr while the default controller is attached.
  TcxStyleController* StyleController();
  void SetStyleController(TcxStyleController* Value);
  TColor TextColor() { return GetTextColor(); }
  void SetTextColor(TColor Value);
  TFontStyles TextStyle() { return GetTextStyle(); }
  void SetTextStyle(TFontStyles Value);
  bool TransparentBorder();
  void SetTransparentBorder(bool Value);

  virtual TColor GetActualColor();

  TNotifyEvent OnChanged;

protected:
  friend class TcxStyleController;
  virtual void Changed();
  virtual void ControllerChanged();
  virtual void ControllerFreeNotification(TComponent* AComponent);
  virtual TColor DefaultBorderColor();
  virtual TcxContainerBorderStyle DefaultBorderStyle();
  virtual TColor DefaultColor();
  virtual TcxBorders DefaultEdges() { return cxBordersAll; }
  virtual bool DefaultHotTrack() { return true; }
  virtual bool DefaultShadow() { return false; }
  virtual TColor DefaultTextColor();
  virtual TFontStyles DefaultTextStyle();
  virtual bool DefaultTransparentBorder() { return true; }
  virtual void FontChanged(TObject* Sender);
  virtual TColor GetColor();
  virtual TcxStyleController* GetDefaultStyleController();
  virtual TColor GetTextColor();
  virtual TFontStyles GetTextStyle();

  void DoChanged();
  void UpdateFont();
  // The controller's style of this style's state, or nullptr when the base style has no controller.
  TcxContainerStyle* ControllerStyle();
  bool HasOwnValue(TcxContainerStyleValue AValue) const { return FAssignedValues.Contains(AValue); }
  void AddValue(TcxContainerStyleValue AValue);

  // Assigned-lookup through the controller chain; answers whether the value was found.
  bool LookupBorderColor(TColor& AValue);
  bool LookupBorderStyle(TcxContainerBorderStyle& AValue);
  bool LookupColor(TColor& AValue);
  bool LookupEdges(TcxBorders& AValue);
  bool LookupFont(TFont*& AValue);
  bool LookupHotTrack(bool& AValue);
  bool LookupShadow(bool& AValue);
  bool LookupTextColor(TColor& AValue);
  bool LookupTextStyle(TFontStyles& AValue);
  bool LookupTransparentBorder(bool& AValue);

private:
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void ResetFont();
  bool WouldLoop(TcxStyleController* AValue);

  TColor FBorderColor = clDefault;
  TcxContainerBorderStyle FBorderStyle = cbsNone;
  TcxBorders FEdges = cxBordersAll;
  bool FHotTrack = true;
  bool FShadow = false;
  bool FTransparentBorder = true;
  bool FDirectAccessMode;
  int FFontUpdating = 0;
  bool FIsDestroying = false;
  std::unique_ptr<TcxLookAndFeel, TObjectDeleter> FLookAndFeel; // base style only
  bool FModified = false;
  TPersistent* FOwner; // borrowed: the owner frees the style
  TcxContainerStyle* FParentStyle;
  TcxContainerStyleState FState;
  TFontStyles FTextStyle;
  int FUpdateCount = 0;
  std::unique_ptr<TFont, TObjectDeleter> FVisibleFont;
  TcxContainerStyleValues FAssignedValues;
  TcxStyleController* FStyleController = nullptr; // borrowed; it removes itself through the free notification
  TColor FColor = clWindow;
  std::unique_ptr<TFont, TObjectDeleter> FOwnFont; // base style not in direct-access mode
  TFont* FFont = nullptr; // the own font, or the borrowed font of a direct-access style
  TColor FTextColor = clWindowText;
};
using TcxContainerStyleClass = TClass;

class TcxContainerStyles : public TObject {
  PELVOR_CLASS(TcxContainerStyles, TObject)

  using TCreateArgs = std::tuple<TPersistent*, TcxContainerStyleClass>;
  TcxContainerStyles(TPersistent* AOwner, TcxContainerStyleClass AStyleClass);
  ~TcxContainerStyles() override;

  TcxContainerStyle* GetStyleByIndex(TcxContainerStyleState AState) const {
    return FStyles[std::size_t(AState)].get();
  }
  TcxContainerStyle* GetStyle() const { return GetStyleByIndex(cssNormal); }
  TcxContainerStyle* GetStyleFocused() const { return GetStyleByIndex(cssFocused); }
  TcxContainerStyle* GetStyleDisabled() const { return GetStyleByIndex(cssDisabled); }
  TcxContainerStyle* GetStyleHot() const { return GetStyleByIndex(cssHot); }
  void SetStyleByIndex(TcxContainerStyleState AState, TcxContainerStyle* Value) {
    GetStyleByIndex(AState)->Assign(Value);
  }
  void SetStyle(TcxContainerStyle* Value) { SetStyleByIndex(cssNormal, Value); }
  void SetStyleFocused(TcxContainerStyle* Value) { SetStyleByIndex(cssFocused, Value); }
  void SetStyleDisabled(TcxContainerStyle* Value) { SetStyleByIndex(cssDisabled, Value); }
  void SetStyleHot(TcxContainerStyle* Value) { SetStyleByIndex(cssHot, Value); }
  void SetOnChanged(TNotifyEvent Value);

private:
  // The state styles refer to the base style, so they go first.
  std::array<std::unique_ptr<TcxContainerStyle, TObjectDeleter>, 4> FStyles;
};
using TcxContainerStylesClass = TClass;

class TcxStyleController : public TComponent {
  PELVOR_CLASS(TcxStyleController, TComponent)

  explicit TcxStyleController(TComponent* AOwner);
  ~TcxStyleController() override;
  void Loaded() override;

  virtual void AddListener(TcxContainerStyle* AStyle);
  virtual void RemoveListener(TcxContainerStyle* AStyle);
  int ListenerCount() const { return int(FListeners.size()); }
  bool HasListener(TcxContainerStyle* AStyle) const;
  TcxContainerStyles* Styles() const { return FStyles.get(); }
  TcxContainerStyle* Style() const { return FStyles->GetStyle(); }
  TcxContainerStyle* StyleFocused() const { return FStyles->GetStyleFocused(); }
  TcxContainerStyle* StyleDisabled() const { return FStyles->GetStyleDisabled(); }
  TcxContainerStyle* StyleHot() const { return FStyles->GetStyleHot(); }
  bool IsDestroying() const { return FIsDestroying; }

  TNotifyEvent OnStyleChanged;

protected:
  virtual TcxContainerStyleClass GetStyleClass() { return TcxContainerStyle::StaticClass(); }
  virtual TcxContainerStylesClass GetStylesClass() { return TcxContainerStyles::StaticClass(); }
  // Descendants whose classes differ create the set from their constructor; a constructor cannot reach them.
  void CreateStyles();

private:
  void StyleChanged(TObject* Sender);

  bool FIsDestroying = false;
  // Turns false as the controller goes: a handler of its change may free it.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  std::vector<TcxContainerStyle*> FListeners; // borrowed: each base style leaves before it goes
  std::unique_ptr<TcxContainerStyles, TObjectDeleter> FStyles;
};

// The controller every base container style attaches to when none is set; nullptr until the edit framework
// starts and sets it.
TcxStyleController* GetDefaultContainerStyleController();
void SetDefaultContainerStyleController(TcxStyleController* Value);

enum TcxContainerStateItem { csNormal, csFocused, csDisabled, csHot };
// Kept in the view info: bit 1 normal, 2 focused, 4 disabled, 8 hot.
using TcxContainerStateFlags = TSet<TcxContainerStateItem, 4>;

enum TcxContainerMouseButton { cxmbNone, cxmbLeft, cxmbRight, cxmbMiddle };

// The part of an inner control left visible by its container, relative to the inner control's corner.
struct TcxContainerInnerControlRegion {
  bool IsWhole = true;
  TRect Rect{};
};

constexpr int cxContainerShadowWidth = 3;
constexpr int cxContainerMaxBorderWidth = 2;
constexpr TColor cxContainerShadowColor = clBtnShadow;

class TcxContainerViewInfo : public TObject {
  PELVOR_CLASS(TcxContainerViewInfo, TObject)

  TcxContainerViewInfo();

  virtual void DrawBorder(TcxCanvas* ACanvas, TRect R);
  virtual TcxContainerBorderStyle GetContainerBorderStyle() const { return BorderStyle; }
  virtual void SetBackgroundColor(TColor AValue) { BackgroundColor = AValue; }
  virtual void Assign(TObject* Source);
  // The region to repaint when this view info replaces AViewInfo; the caller frees it.
  virtual TcxRegion* GetUpdateRegion(TcxContainerViewInfo* AViewInfo);
  virtual void Offset(int DX, int DY);
  virtual void Paint(TcxCanvas* ACanvas) { InternalPaint(ACanvas); }

  TColor BackgroundColor = clWindow;
  TColor BorderColor = clWindowFrame;
  TRect ClientRect{};
  TcxContainerBorderStyle BorderStyle = cbsNone;
  int BorderWidth = 0;
  TRect Bounds{};
  TRect InnerControlRect{};
  TcxContainerStateFlags ContainerState{csNormal};
  TcxBorders Edges = cxBordersAll;
  std::uint8_t HotState = 0;
  bool NativeStyle = false;
  bool Shadow = false;
  int ThemePart = 0;
  int ThemeState = 0;
  TdxThemedObjectType ThemedObjectType = totEdit;

protected:
  virtual void InternalPaint(TcxCanvas* ACanvas);

private:
  void PaintClassic(TcxCanvas* ACanvas);
  void PaintNative(TcxCanvas* ACanvas);
};
using TcxContainerViewInfoClass = TClass;

// The inner control of a container reports its container through this interface.
class IcxContainerInnerControl {
public:
  virtual ~IcxContainerInnerControl() = default;
  virtual class TcxContainer* GetContainer() = 0;
  // The container is being destroyed: the inner control, which outlives its destructor, reaches it no more.
  virtual void ForgetContainer() = 0;
};

class TcxContainer : public TcxControl, public IcxContainerStyleHost {
  PELVOR_CLASS(TcxContainer, TcxControl)

  explicit TcxContainer(TComponent* AOwner);
  ~TcxContainer() override;
  void BeforeDestruction() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  bool IsDestroying() const;
  TcxContainerStyle* Style() const { return FStyles->GetStyle(); }
  TcxContainerStyle* StyleFocused() const { return FStyles->GetStyleFocused(); }
  TcxContainerStyle* StyleDisabled() const { return FStyles->GetStyleDisabled(); }
  TcxContainerStyle* StyleHot() const { return FStyles->GetStyleHot(); }
  void SetStyle(TcxContainerStyle* Value) { FStyles->SetStyle(Value); }
  TcxContainerStyles* Styles() const { return FStyles.get(); }
  TcxContainerStyle* GetActiveStyle();
  TcxContainerViewInfo* ViewInfo() const { return FViewInfo.get(); }
  TWinControl* InnerControl() const { return FInnerControl; }
  TcxContainerInnerControlRegion InnerControlRegion() const { return FInnerControlRegion; }
  // An inner control that does not show its content is seen nowhere, while it keeps the focus and the keys:
  // the container draws that content itself.
  void SetInnerControlHidden(bool AValue);
  bool InnerControlHidden() const { return FInnerControlHidden; }
  bool InnerControlMouseDown() const { return FInnerControlMouseDown; }
  void SetInnerControlMouseDown(bool Value) { FInnerControlMouseDown = Value; }
  int ContextPopupLockCount() const { return FContextPopupLockCount; }
  void LockContextPopup(bool ALock) {
    FContextPopupLockCount += ALock ? 1 : (FContextPopupLockCount > 0 ? -1 : 0);
  }

  virtual bool RefreshContainer(const TPoint& P, TcxContainerMouseButton Button, TShiftState Shift,
                                bool AIsMouseEvent);
  void RefreshAtCursorPos(bool AIsMouseEvent = false);
  void SetInnerControlBoundsChanging(bool AValue);
  void SetScrollBarVisible(TcxScrollBar* AScrollBar, bool AVisible);

  // The geometry of the view info.
  virtual void CalculateViewInfo(const TPoint& P, bool AHotTrackAllowed);
  virtual TRect GetBorderExtent();
  virtual TRect GetBorderRect();
  virtual TRect GetVisibleBounds();
  virtual bool HasShadow();
  virtual bool IsNativeStyle();
  virtual bool IsInplace() { return false; }
  virtual bool IsTransparent() { return false; }
  virtual bool DefaultParentColor() { return false; }
  virtual TcxContainerStyleValues GetHiddenStyleValues() { return {}; }
  void UpdateShadowRegion();
  void SetShapeClipRegion(TcxCanvas* ACanvas);
  virtual bool HandleInnerControlKeyMessage(TMessage& Message);
  virtual bool InnerControlDefaultHandler(TMessage& Message) {
    (void)Message;
    return false;
  }

  bool Focused() override;
  void SetFocus() override;
  TRect GetClientBounds() override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  void SetDragMode(TDragMode Value) override;
  void SetDragKind(TDragKind Value);
  TDragImageList* GetDragImages() override;

  // IcxContainerStyleHost
  bool IsStylePropertyUsed(const AnsiString& APropertyName, bool AIsStateStyle) override;
  bool StyleHostParentColor(TColor& AColor) override;
  bool StyleHostDefaultParentColor() override { return DefaultParentColor(); }
  bool StyleHostIsInplace() override { return IsInplace(); }
  bool StyleHostParentFont() override { return ParentFont(); }
  void StyleHostRestoreParentDefaults(bool AParentColor, bool AParentFont) override;

  // Counts what a refresh did, for tests and benchmarks of refreshes that should change nothing.
  struct TRefreshCounters {
    int Invalidations = 0;
    int RegionChanges = 0;
  };
  const TRefreshCounters& RefreshCounters() const { return FRefreshCounters; }

protected:
  // The handlers below of the same names take the raw message; the platform's stay reachable beside them.
  using TcxControl::WMKillFocus;
  using TcxControl::WMSetCursor;
  using TcxControl::WMSetFocus;
  friend class TcxCustomInnerListBox;
  friend class TcxContainerMouseTracker;
  friend void cxContainerPopupOwnerFocusChanged(TcxContainer* AContainer);

  void SetInnerControl(TWinControl* Value);
  // Builds the styles and the view info from the class operations and chooses ParentColor. The constructor
  // runs it before a descendant's overrides exist: a descendant that overrides GetStylesClass, GetStyleClass,
  // GetViewInfoClass, DefaultParentColor or IsInplace runs it again from its own constructor.
  void InitializeContainer();
  virtual void AdjustInnerControl();
  virtual void AdjustInnerControlBounds();
  virtual bool CanShowPopupMenu(const TPoint& P) {
    (void)P;
    return true;
  }
  virtual void ContainerStyleChanged(TObject* Sender);
  virtual void DataChange() {}
  virtual void EmptyHook() {}
  virtual void UpdateData() {}
  virtual void MouseTrackingMouseLeave();
  virtual void GetControlVisibleRegion(const TRect& ABounds, TControl* AControl,
                                       TcxContainerInnerControlRegion& ARegion);
  virtual TcxContainerStyleClass GetStyleClass() { return TcxContainerStyle::StaticClass(); }
  virtual TcxContainerStylesClass GetStylesClass() { return TcxContainerStyles::StaticClass(); }
  virtual TcxContainerViewInfoClass GetViewInfoClass() { return TcxContainerViewInfo::StaticClass(); }
  virtual TcxContainerStyle* InternalGetActiveStyle();
  virtual bool HasChildTabStops() { return false; }
  virtual bool IgnoresTabKey() { return false; }
  virtual TdxThemedObjectType GetBackgroundThemedObjectType() { return totEdit; }
  virtual int GetBackgroundNativePart() { return 1; }
  virtual int GetBackgroundNativeState();
  virtual void FocusInnerControl();
  virtual void ResetInnerControlRegion();
  virtual void EnabledChanged();
  bool HasScrollBars() override { return false; }
  virtual void AdjustScrollBars(bool AOnlyPosition = false);
  virtual void AdjustScrollBarPosition(TcxScrollBar* AScrollBar);
  virtual TRect GetScrollBarBounds(const TRect& AScrollBarRect);
  virtual bool GetScrollBarEnabled(TcxScrollBar* AScrollBar, const SCROLLBARINFO& AScrollBarInfo);
  virtual bool GetScrollBarInfo(TcxScrollBar* AScrollBar, SCROLLBARINFO& AScrollBarInfo);
  virtual bool IsScrollBarVisible(TcxScrollBar* AScrollBar, const SCROLLBARINFO& AScrollBarInfo);

  void WndProc(TMessage& Message) override;
  void AdjustClientRect(TRect& Rect) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void CreateHandle() override;
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  bool AllowAutoDragAtDesignTime() override { return false; }
  bool CanFocusOnClick() override;
  void ColorChanged() override;
  void CursorChanged() override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void FontChanged() override;
  void FocusChanged() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool NeedsFocus() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;
  void Resize() override;
  void CMEnabledChanged(TMessageView& Message) override;
  void CMParentColorChanged(TMessageView& Message) override;
  void CMParentFontChanged(TMessageView& Message) override;
  void CMSysColorChange(TMessageView& Message) override;
  void CMCtl3DChanged(TMessageView& Message) override;

  TWinControl* FInnerControl = nullptr; // borrowed: descendants create and own it
  bool FInnerControlMouseDown = false;
  int FInnerControlBoundsChangingCount = 0;
  bool FIsCreating = false;

private:
  void CalculateState(const TPoint& P, bool AHotTrackAllowed);
  void ReleaseInnerControl();
  bool WndProcHandled(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void InvalidateChangedBand();
  void ApplyInnerControlRegion(TWinControl* AControl, bool ARedraw);

  TcxContainerStateFlags FActiveStyleState{csNormal};
  TcxContainerStyle* FActiveStyle = nullptr; // one of FStyles
  TcxContainerInnerControlRegion FInnerControlRegion;
  bool FInnerControlHidden = false;
  bool FIsDestroying = false;
  bool FInnerControlBoundsSetting = false;
  int FContextPopupLockCount = 0;
  bool FRefreshing = false;
  bool FScrollBarsAdjusting = false;
  bool FInternalSetting = false;
  TShiftState FShiftState;
  std::unique_ptr<TcxContainerStyles, TObjectDeleter> FStyles;
  std::unique_ptr<TcxContainerViewInfo, TObjectDeleter> FViewInfo;
  std::unique_ptr<IcxMouseTrackingCaller> FMouseTrackingCaller;
  TRefreshCounters FRefreshCounters;
};

// Unit-level routines that other parts of the library call.
TcxContainerMouseButton TranslateMouseButton(TMouseButton AButton);
bool IsWindowInControlForm(TControl* AControl, HWND AWnd);
bool QueryScrollBarInfo(HWND AWnd, LONG AObjectId, SCROLLBARINFO& AInfo);
void DrawContainerShadow(TcxCanvas* ACanvas, const TRect& R);
void InsetRectByRect(TRect& R, const TRect& AMargins);
int GetContainerBorderWidth(TcxContainerBorderStyle ABorderStyle);
TRect GetControlRect(TControl* AControl);
TcxContainer* GetContainerOfControl(TControl* AControl);
// A region the caller frees, or nullptr for none.
HRGN CreateShadowRegion(const TRect& R, bool ANoRegion, const TRect& AExclude, bool AShadow);
bool IsWindowOfControl(TWinControl* AControl, HWND AWnd);
void DeflateRectExcept(TRect& R, int AWidth, TcxBorders ASides);
bool AreStringsEqual(const AnsiString& S1, const AnsiString& S2, bool ACaseSensitive);
void FillFrame(TcxCanvas* ACanvas, const TRect& AOuter, const TRect& AInner, TColor AColor);
TPoint GetMouseCursorPos();
TShiftState GetCurrentShiftState();
void InvalidateFrame(HWND AWnd, const TRect& AOuter, const TRect& AInner, bool AErase);
void InvalidateControlRect(TWinControl* AControl, const TRect& R, bool AErase);
bool IsControlWindowVisible(TWinControl* AControl);
bool IsChildOfControlWindow(TWinControl* AControl, HWND AWnd);
bool IsRelatedWindow(TWinControl* AControl, HWND AWnd);
TcxCanvas* GetMeasureCanvas();
void SetWindowRegionFromRect(TWinControl* AControl, const TcxContainerInnerControlRegion& ARegion,
                             bool ARedraw = false);
// Answers whether the window's region was changed.
bool SetWindowShadowRegion(HWND AWnd, const TRect& R, bool ANoRegion, const TRect& AExclude, bool AShadow);
bool CanGetScrollBarInfo();
// Where a control's native bar of one kind stands in its parent's client coordinates, as left, top, width and
// height, and whether the bar is enabled; false when the bar is hidden, off screen or not within the control.
bool GetNativeScrollBarPlace(TWinControl* AControl, TScrollBarKind AKind, TRect& APlace, bool& AEnabled);
// Copies the native bar's range, page and position into a look-and-feel bar; answers whether anything
// changed.
bool MirrorNativeScrollInfo(HWND AWnd, TcxScrollBar* ABar);
// The square between a control's two look-and-feel bars laid over its native ones, in the control's window
// coordinates; empty unless both bars are shown.
TRect GetScrollBarsCornerRect(TWinControl* AControl, TcxScrollBar* AHScrollBar, TcxScrollBar* AVScrollBar);
// Fills that square in the size grip's colour, as between the bars of a control of the library's own.
void PaintScrollBarsCorner(TWinControl* AControl, TcxScrollBar* AHScrollBar, TcxScrollBar* AVScrollBar);
bool AreVisualStylesUsed(bool ANativeStyle, TdxThemedObjectType AThemedObjectType);

// The platform list box inside a container: it passes its input to the container, lets the container see
// its messages first, and covers its native scroll bars with look-and-feel bars placed on the container.
class TcxCustomInnerListBox : public TListBox, public IcxContainerInnerControl {
  PELVOR_CLASS(TcxCustomInnerListBox, TListBox)

  explicit TcxCustomInnerListBox(TComponent* AOwner);
  ~TcxCustomInnerListBox() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DefaultHandler(TMessage& Message) override;

  TcxContainer* GetContainer() override { return FContainer; }
  void ForgetContainer() override { FContainer = nullptr; }
  TcxContainer* Container() const { return FContainer; }
  void SetContainer(TcxContainer* Value) { FContainer = Value; }
  TcxScrollBar* HScrollBar() const { return FHScrollBar; }
  TcxScrollBar* VScrollBar() const { return FVScrollBar; }
  TcxLookAndFeel* LookAndFeel() const { return FLookAndFeel.get(); }
  TcxCanvas* cxCanvas() const { return FCanvas.get(); }
  // Both look-and-feel bars visible: the square between them, relative to the list box's window.
  TRect GetSizeGripRect();

  virtual void InvalidateIfHandleAllocated();
  virtual void SyncScrollBars();
  // How many synchronisations moved or repainted a bar, for tests of those that should change nothing.
  int ScrollBarChangeCount() const { return FScrollBarChangeCount; }

protected:
  // The handler below of the same name takes the raw message; the platform's stays reachable beside it.
  using TListBox::WMLButtonDown;
  void WndProc(TMessage& Message) override;
  void Click() override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  TPopupMenu* GetPopupMenu() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  void SyncScrollBar(TcxScrollBar* ABar);
  void PrepareThumbPosition(int ABar, TScrollCode ACode, int APosition);
  void HScrollHandler(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void VScrollHandler(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void ScrollBarMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                           bool& Handled);
  void LookAndFeelChanged(TcxLookAndFeel* Sender, TcxLookAndFeelValues AChangedValues);
  void WMLButtonDown(TMessage& Message);
  void PaintSizeGrip();
  bool IsDestroyingNow() const { return ComponentState().Contains(csDestroying); }

  std::unique_ptr<TcxCanvas, TObjectDeleter> FCanvas;
  // Owned as components of the list box, which frees them once whatever window they were moved onto.
  TcxScrollBar* FHScrollBar = nullptr;
  std::unique_ptr<TcxLookAndFeel, TObjectDeleter> FLookAndFeel;
  TcxScrollBar* FVScrollBar = nullptr;
  bool FScrollBarsCalculating = false;
  int FScrollBarsLockCount = 0;
  bool FRedrawOff = false;
  int FScrollBarChangeCount = 0;
  TcxContainer* FContainer = nullptr; // borrowed: the container owns the list box
};

// Posted to a popup to close it, then to give the focus back to its owner; and to show it again.
constexpr UINT CM_CLOSEPOPUPWINDOW = WM_APP + 101;
constexpr UINT CM_SHOWPOPUPWINDOW = WM_APP + 102;

// A popup beside an owner control with its own style and view info. It is listed among the open popups
// while shown; the container unit's thread hooks close it on a click outside, on the application's
// deactivation and when its owner is hidden.
class TcxCustomPopupWindow : public TcxPopupWindow {
  PELVOR_CLASS(TcxCustomPopupWindow, TcxPopupWindow)

  using TCreateArgs = std::tuple<TWinControl*>;
  explicit TcxCustomPopupWindow(TWinControl* AOwnerControl);
  ~TcxCustomPopupWindow() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void ShowPopup(TWinControl* AFocusedControl);
  virtual void ClosePopup(bool AQuery = false);
  virtual void FitIntoWorkArea(TPoint& P);
  void PostClosePopup();
  bool IsShown() const;
  bool HasCapture();
  bool Focused() override;
  bool CanFocus() override { return Visible(); }
  void InitPopup() override {}
  void CloseUp() override;

  bool IsTopLevel() const { return FIsTopLevel; }
  void SetTopLevel(bool AValue);
  bool IsTopMost() const { return FIsTopMost; }
  void SetTopMost(bool AValue);
  bool ModalMode() const { return FModalMode; }
  void SetModalMode(bool AValue) { FModalMode = AValue; }
  bool ClosedByOwnerClick() const { return FClosedByOwnerClick; }
  void SetClosedByOwnerClick(bool AValue) { FClosedByOwnerClick = AValue; }
  bool IsClosing() const { return FIsClosing; }
  TWinControl* OwnerControl() const { return FOwnerControl; }
  TWinControl* FocusedControl() const { return FFocusedControl; }
  TcxContainerStyle* Style() const { return FStyle.get(); }
  TcxContainerViewInfo* ViewInfo() const { return FViewInfo.get(); }
  virtual bool IsNavigationKey(WORD Key);

  TNotifyEvent OnClosed, OnClosing, OnShowed, OnShowing;

protected:
  friend bool ClosePopupsOnMouseClick(HWND AWnd, UINT AMessage, const TPoint& AScreenPoint);
  virtual bool IsSizeable() { return false; }
  virtual void DoClosed();
  virtual void DoClosing();
  virtual void DoShowed();
  virtual bool NeedsEraseBackground() { return false; }
  virtual void PopupWindowStyleChanged(TObject* Sender) { (void)Sender; }
  virtual TcxContainerStyleClass GetStyleClass() { return TcxContainerStyle::StaticClass(); }
  virtual TcxContainerViewInfoClass GetViewInfoClass() { return TcxContainerViewInfo::StaticClass(); }

  void CreateHandle() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void AdjustClientRect(TRect& Rect) override;
  void Deactivate() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void PaintWindow(HDC DC) override;
  void WndProc(TMessage& Message) override;
  void WMActivateApp(TMessageView& Message) override;
  void VisibleChanged() override;

private:
  void RunModalLoop();
  void SetFocusedControlOnShow(TWinControl* AFocusedControl);
  void SetFocusedControl(TWinControl* AControl);
  void Recreate();

  bool FIsTopLevel = true;
  TWinControl* FFocusedControl = nullptr; // borrowed; forgotten when it is destroyed
  bool FIsClosing = false;
  bool FIsTopMost = false;
  bool FClosedByOwnerClick = false;
  bool FModalMode = true;
  bool FKeepOpenOnDeactivation = false;
  // Borrowed. A handler may free the owner while its popup opens or closes: the popup then forgets it.
  TWinControl* FOwnerControl;
  std::unique_ptr<TcxContainerStyle, TObjectDeleter> FStyle;
  std::unique_ptr<TcxContainerViewInfo, TObjectDeleter> FViewInfo;
};

// The open popups, first opened first.
const std::vector<TcxCustomPopupWindow*>& OpenPopupWindows();
bool PopupVisibilityChanging();
TcxCustomPopupWindow* ChangingPopupWindow();
// Closes the popups a click on AWnd leaves behind; False when the click must be swallowed.
bool ClosePopupsOnMouseClick(HWND AWnd, UINT AMessage, const TPoint& AScreenPoint);
// The window whose owner control a popup belongs to, or AWnd itself.
HWND GetPopupOwnerWindow(HWND AWnd);
// Whether the three thread hooks are installed.
bool cxContainerHooksInstalled();

void cxContainerInitialize();
void cxContainerFinalize();
extern const TUnitInfo cxContainerUnit;
