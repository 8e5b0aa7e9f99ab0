#pragma once
// The editor base: properties shared between editors, the repository of shared properties, edit buttons,
// view data and view info, edit styles, and the editor control with its value flow, validation, change
// events, activation, input and data binding.
#include <memory>
#include <vector>

#include "editors/core/cxEditUtils.h"
#include "lookandfeel/cxClasses.h"
#include "lookandfeel/cxContainer.h"
#include "platform/classes/Alignment.h"
#include "platform/classes/Collection.h"
#include "platform/controls/ExtCtrls.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/Variants.h"

class TcxCustomEdit;
class TcxCustomEditProperties;
class TcxCustomEditStyle;
class TcxCustomEditViewData;
class TcxCustomEditViewInfo;
class TcxEditRepository;
class TcxEditRepositoryItem;
class TcxEditStyleController;

using TCaption = String;

// The edit border style shares the container's numbering.
using TcxEditBorderStyle = TcxContainerBorderStyle;
constexpr TcxEditBorderStyle ebsNone = cbsNone, ebsSingle = cbsSingle, ebsThick = cbsThick, ebsFlat = cbsFlat,
                             ebs3D = cbs3D, ebsUltraFlat = cbsUltraFlat, ebsOffice11 = cbsOffice11;
constexpr TcxEditButtonState ebstDisabled = ebsDisabled, ebstNormal = ebsNormal, ebstPressed = ebsPressed,
                             ebstHot = ebsSelected;

enum TcxEditVertAlignment { taTopJustify, taBottomJustify, taVCenter };
enum TcxEditButtonsViewStyle { bvsNormal, bvsButtonsOnly, bvsButtonsAutoWidth };
enum TcxEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };
enum TcxEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
enum TcxEditStateItem { esNormal, esFocused, esDisabled, esHot };
using TcxEditState = TSet<TcxEditStateItem, 4>;

constexpr TcxContainerStyleValue svButtonStyle = 10, svButtonTransparency = 11, svPopupBorderStyle = 12;

// Bit 4 of the supported operations: the editor's buttons can be clicked.
constexpr std::uint32_t esoButtonClick = 1u << 4;
constexpr std::uint32_t esoCheckBoxOperations = 149;

using TcxEditButtonClickEvent = TEvent<void(TObject* Sender, int AButtonIndex)>;
using TcxEditValidateEvent =
    TEvent<void(TObject* Sender, Variant& DisplayValue, TCaption& ErrorText, bool& Error)>;
using TcxEditEditingEvent = TEvent<void(TObject* Sender, bool& CanEdit)>;
using TcxEditGetDisplayTextEvent = TEvent<void(TObject* Sender, String& AText)>;

// Raised by an editor whose value failed validation; the message is the error text.
class EcxEditValidationError : public Exception {
  using Exception::Exception;
};

// The resource texts of the unit.
extern const char* const cxSEditRepositoryItemNotAcceptable; // 65143
extern const char* const cxSEditValidateErrorText;           // 65147

class TcxEditAlignment : public TPersistent {
  PELVOR_CLASS(TcxEditAlignment, TPersistent)

  using TCreateArgs = std::tuple<TPersistent*>;
  explicit TcxEditAlignment(TPersistent* AOwner) : FOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override { return FOwner; }

  TAlignment Horz() const { return FHorz; }
  void SetHorz(TAlignment Value);
  TcxEditVertAlignment Vert() const { return FVert; }
  void SetVert(TcxEditVertAlignment Value);
  bool IsHorzAssigned() const { return FIsHorzAssigned; }
  bool IsHorzStored() const { return FIsHorzAssigned; }
  bool IsVertStored() const { return FVert != taTopJustify; }
  void Reset();

  TNotifyEvent OnChanged;

private:
  void DoChanged();

  TAlignment FHorz = taLeftJustify;
  bool FIsHorzAssigned = false;
  TPersistent* FOwner; // borrowed
  TcxEditVertAlignment FVert = taTopJustify;
};

class TcxCustomEditPropertiesValues : public TPersistent {
  PELVOR_CLASS(TcxCustomEditPropertiesValues, TPersistent)

  using TCreateArgs = std::tuple<TPersistent*>;
  explicit TcxCustomEditPropertiesValues(TPersistent* AOwner);
  TPersistent* GetOwner() override;
  void Assign(TPersistent* Source) override;

  void BeginUpdate();
  void EndUpdate();
  virtual void RestoreDefaults();
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);

protected:
  void Changed();
  TcxCustomEditProperties* Properties() const { return FProperties; }

private:
  TcxCustomEditProperties* FProperties; // borrowed: the owner
  bool FReadOnly = false;
};

// What bound data tells an editor about its defaults; the base answers for an unbound editor.
class IcxEditDefaultValuesProvider {
public:
  virtual ~IcxEditDefaultValuesProvider() = default;
  virtual void ClearUsers() = 0;
  virtual TAlignment DefaultAlignment() = 0;
  virtual int DefaultBlobKind() = 0;
  virtual bool DefaultCanModify() = 0;
  virtual String DefaultDisplayFormat() = 0;
  virtual String DefaultEditFormat() = 0;
  virtual String DefaultEditMask() = 0;
  virtual bool DefaultIsFloatValue() = 0;
  virtual int DefaultMaxLength() = 0;
  virtual double DefaultMaxValue() = 0;
  virtual double DefaultMinValue() = 0;
  virtual int DefaultPrecision() = 0;
  virtual bool DefaultReadOnly() = 0;
  virtual bool DefaultRequired() = 0;
  virtual TObject* GetInstance() = 0;
  virtual bool IsDataAware() = 0;
  virtual bool IsBlob() = 0;
  virtual bool IsCurrency() = 0;
  virtual bool IsDataAvailable() = 0;
  virtual bool IsDisplayFormatDefined(bool AIsCurrencyValueAccepted) = 0;
  virtual bool IsValueFormattedByField() = 0;
  virtual bool IsValidChar(char AChar) = 0;
};

class TcxCustomEditDefaultValuesProvider : public TcxInterfacedPersistent,
                                           public IcxEditDefaultValuesProvider {
  PELVOR_CLASS(TcxCustomEditDefaultValuesProvider, TcxInterfacedPersistent)

  explicit TcxCustomEditDefaultValuesProvider(TPersistent* AOwner) : TcxInterfacedPersistent(AOwner) {}
  ~TcxCustomEditDefaultValuesProvider() override;

  void ClearUsers() override;
  TAlignment DefaultAlignment() override { return taLeftJustify; }
  int DefaultBlobKind() override { return 3; }
  bool DefaultCanModify() override { return true; }
  String DefaultDisplayFormat() override { return {}; }
  String DefaultEditFormat() override { return {}; }
  String DefaultEditMask() override { return {}; }
  bool DefaultIsFloatValue() override { return false; }
  int DefaultMaxLength() override { return 0; }
  double DefaultMaxValue() override { return 0.0; }
  double DefaultMinValue() override { return 0.0; }
  int DefaultPrecision() override { return 15; }
  bool DefaultReadOnly() override { return false; }
  bool DefaultRequired() override { return false; }
  TObject* GetInstance() override { return this; }
  bool IsDataAware() override { return false; }
  bool IsBlob() override { return false; }
  bool IsCurrency() override { return false; }
  bool IsDataAvailable() override { return true; }
  bool IsDisplayFormatDefined(bool) override { return false; }
  bool IsValueFormattedByField() override { return false; }
  bool IsValidChar(char) override { return true; }
};

class TcxEditButton : public TCollectionItem {
  PELVOR_CLASS(TcxEditButton, TCollectionItem)

  explicit TcxEditButton(TCollection* Collection);
  ~TcxEditButton() override;
  void Assign(TPersistent* Source) override;

  const TCaption& Caption() const { return FCaption; }
  void SetCaption(const TCaption& Value);
  // The caption without its accelerator marks.
  const String& Text() const { return FText; }
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TBitmap* Glyph();
  TBitmap* GlyphIfAssigned() const { return FGlyph.get(); }
  const std::shared_ptr<TBitmap>& SharedGlyph() const { return FGlyph; }
  void SetGlyph(TBitmap* Value);
  TcxEditButtonKind Kind() const { return FKind; }
  void SetKind(TcxEditButtonKind Value);
  bool LeftAlignment() const { return FLeftAlignment; }
  void SetLeftAlignment(bool Value);
  bool Stretchable() const { return FStretchable; }
  void SetStretchable(bool Value);
  TColor TextColor() const { return FTextColor; }
  void SetTextColor(TColor Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);

private:
  void GlyphChanged(TObject* Sender);

  TCaption FCaption;
  bool FDefault = false;
  bool FEnabled = true;
  // Shared with the view infos that draw it, which may paint before they are recalculated.
  std::shared_ptr<TBitmap> FGlyph;
  TcxEditButtonKind FKind = bkDown;
  bool FLeftAlignment = false;
  bool FStretchable = true;
  TColor FTextColor = clBtnText;
  bool FVisible = true;
  String FText;
  int FWidth = 0;
};

class TcxEditButtons : public TCollection {
  PELVOR_CLASS(TcxEditButtons, TCollection)

  using TCreateArgs = std::tuple<TPersistent*, TClass>;
  TcxEditButtons(TPersistent* AOwner, TClass AButtonClass);

  TcxEditButton* Items(int Index) const { return static_cast<TcxEditButton*>(TCollection::Items(Index)); }
  // The change is told once the new button is whole.
  TcxEditButton* Add();
  int VisibleCount() const;

  TNotifyEvent OnChange;

protected:
  void Update(TCollectionItem* Item) override;
};

class TcxCustomEditProperties : public TcxInterfacedPersistent {
  PELVOR_CLASS(TcxCustomEditProperties, TcxInterfacedPersistent)

  explicit TcxCustomEditProperties(TPersistent* AOwner);
  ~TcxCustomEditProperties() override;
  void Assign(TPersistent* Source) override;

  // Class-level answers; a descendant names its own classes here.
  virtual TClass GetContainerClass() const;
  virtual TClass GetViewDataClass() const;
  virtual TClass GetViewInfoClass() const;
  virtual TClass GetStyleClass() const;
  virtual TClass GetAssignedValuesClass() const;
  virtual bool CanValidate() const { return false; }
  virtual bool CanCompareEditValue() const { return false; }
  virtual bool HasOwnChangeEvent() const { return false; }
  virtual bool CanResetEditValue() const { return false; }
  virtual bool WantsTabKey() const { return false; }
  virtual bool DefaultUseLeftAlignmentOnEditing() const { return true; }
  // Bit 0: the display format may come from bound data; bit 1: currency values are accepted.
  virtual unsigned GetDisplayFormatOptions() const { return 0; }
  virtual bool UsesValueFormat(bool AEditFocused) const {
    (void)AEditFocused;
    return false;
  }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate(bool AInvokeChanged = true);
  bool IsChangedLocked() const { return FChangedLocked || FUpdateCount > 0; }
  void SetChangedLocked(bool Value) { FChangedLocked = Value; }
  virtual void Changed();

  virtual bool CompareDisplayValues(const Variant& V1, const Variant& V2);
  TcxCustomEditViewData* CreateViewData(TcxCustomEditStyle* AStyle, bool AIsInplace);
  virtual void GetDisplayText(const Variant& AEditValue, String& ADisplayText);
  String GetDisplayText(const Variant& AEditValue);
  virtual std::uint32_t GetSupportedOperations();
  virtual bool IsEditValueValid(const Variant& AEditValue, bool AEditFocused) {
    (void)AEditValue;
    (void)AEditFocused;
    return true;
  }
  virtual void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused);
  virtual void RestoreDefaults();
  virtual void Update(TcxCustomEditProperties* AProperties) { (void)AProperties; }
  virtual void ValidateDisplayValue(Variant& DisplayValue, TCaption& ErrorText, bool& Error,
                                    TcxCustomEdit* AEdit);
  virtual void GetValidationErrorText(int AErrorKind, TCaption& AText);
  virtual bool IsDisplayFormatDefined(bool AEditFocused);
  virtual bool IsValidChar(char AChar);
  virtual void FreeNotification(TComponent* AComponent) { (void)AComponent; }
  // Measures the editor a view data of these properties would draw for the value.
  TSize GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue, const struct TcxEditSizeProperties& ASize,
                    TcxCustomEditStyle* AStyle, bool AIsInplace);

  bool CanModify();
  bool IsValueFormattedByProvider();
  void DoValidate(Variant& DisplayValue, TCaption& ErrorText, bool& Error, TcxCustomEdit* AEdit);

  TcxEditAlignment* Alignment();
  void SetAlignment(TcxEditAlignment* Value);
  bool IsAlignmentStored() const { return FAlignment->IsHorzAssigned() || FAlignment->IsVertStored(); }
  virtual TAlignment GetDefaultHorzAlignment();
  TcxCustomEditPropertiesValues* AssignedValues() const { return FAssignedValues.get(); }
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool Value);
  bool BeepOnError() const { return FBeepOnError; }
  void SetBeepOnError(bool Value) { FBeepOnError = Value; }
  TcxEditButtons* Buttons() const { return FButtons.get(); }
  void SetButtons(TcxEditButtons* Value) { FButtons->Assign(Value); }
  TcxEditButtonsViewStyle ButtonsViewStyle() const { return FButtonsViewStyle; }
  void SetButtonsViewStyle(TcxEditButtonsViewStyle Value);
  TShortCut ClearKey() const { return FClearKey; }
  void SetClearKey(TShortCut Value) { FClearKey = Value; }
  TShortCut ClickKey() const { return FClickKey; }
  void SetClickKey(TShortCut Value) { FClickKey = Value; }
  IcxEditDefaultValuesProvider* IDefaultValuesProvider() const { return FIDefaultValuesProvider; }
  void SetIDefaultValuesProvider(IcxEditDefaultValuesProvider* Value);
  bool ImmediatePost() const { return FImmediatePost; }
  void SetImmediatePost(bool Value) { FImmediatePost = Value; }
  bool InplaceKeysAllowed() const { return FInplaceKeysAllowed; }
  void SetInplaceKeysAllowed(bool Value) { FInplaceKeysAllowed = Value; }
  bool ReadOnly();
  void SetReadOnly(bool Value);
  bool IsReadOnlyStored() const { return FAssignedValues->ReadOnly(); }
  bool UseLeftAlignmentOnEditing() const { return FUseLeftAlignmentOnEditing; }
  void SetUseLeftAlignmentOnEditing(bool Value);
  bool ValidateOnEnter() const { return FValidateOnEnter; }
  void SetValidateOnEnter(bool Value) { FValidateOnEnter = Value; }
  TPersistent* Owner() const { return FOwner; }
  int UpdateCount() const { return FUpdateCount; }

  TcxEditButtonClickEvent OnButtonClick;
  TNotifyEvent OnChange;
  TNotifyEvent OnEditValueChanged;
  TcxEditValidateEvent OnValidate;
  // The one internal listener: the owning edit's or repository item's change handler.
  TNotifyEvent OnPropertiesChanged;

protected:
  virtual void AlignmentChanged(TObject* Sender);
  virtual void ButtonsChanged(TObject* Sender);

private:
  void FreeNotificationHandler(TObject*, TComponent* AComponent) { FreeNotification(AComponent); }

  bool FAutoSelect = true;
  bool FBeepOnError = false;
  std::unique_ptr<TcxEditButtons, TObjectDeleter> FButtons;
  TcxEditButtonsViewStyle FButtonsViewStyle = bvsNormal;
  TShortCut FClearKey = 0;
  TShortCut FClickKey = 16397;
  std::unique_ptr<TcxFreeNotificator, TObjectDeleter> FFreeNotificator;
  bool FImmediatePost = false;
  std::unique_ptr<TcxEditAlignment, TObjectDeleter> FAlignment;
  bool FReadOnly = false;
  int FUpdateCount = 0;
  bool FUseLeftAlignmentOnEditing = true;
  bool FInplaceKeysAllowed = true;
  bool FValidateOnEnter = false;
  std::unique_ptr<TcxEditAlignment, TObjectDeleter> FAlignmentView;
  std::unique_ptr<TcxCustomEditPropertiesValues, TObjectDeleter> FAssignedValues;
  bool FChangedLocked = false;
  IcxEditDefaultValuesProvider* FIDefaultValuesProvider = nullptr; // borrowed; cleared when it goes
  TPersistent* FOwner;                                             // borrowed
};
using TcxCustomEditPropertiesClass = TClass;

// The process-wide list of live properties objects, for providers that go away.
const std::vector<TcxCustomEditProperties*>& cxEditPropertiesList();

// Size limits for measuring an editor.
struct TcxEditSizeProperties {
  int Height = -1;
  int MaxLineCount = 0;
  int Width = -1;
};

class TcxEditButtonViewInfo : public TPersistent {
  PELVOR_CLASS(TcxEditButtonViewInfo, TPersistent)

  TcxEditButtonViewInfo() = default;
  void Assign(TPersistent* Source) override;
  virtual TcxRegion* GetUpdateRegion(TcxEditButtonViewInfo* AViewInfo);
  virtual bool Repaint(TWinControl* AControl, TcxEditButtonViewInfo* AViewInfo, const TPoint& AOffset);
  bool DiffersFrom(const TcxEditButtonViewInfo& A) const;
  // What the edit drawing routines take.
  TcxEditButtonDrawInfo DrawInfo(bool ANativeStyle, TColor ABackgroundColor) const;

  TRect Bounds{};
  String Caption;
  bool Default = false;
  bool IsInplace = false;
  TcxEditButtonKind Kind = bkDown;
  bool LeftAlignment = false;
  bool IsOuterEdge = false; // the button at the outer end of its side
  bool IsInnerEdge = false; // the button next to the text area
  TcxEditButtonState State = ebsNormal;
  TcxEditButtonStyle ButtonStyle = bts3D;
  TColor TextColor = clBtnText;
  bool Transparent = false;
  String Text;
  bool IsSingleDropDown = false;
  // Kept alive here: a button may drop its glyph while its change is held back, and a paint in between
  // still draws this view.
  std::shared_ptr<TBitmap> Glyph;
  int NativeState = 0;
  int Index = -1;
  bool Stretchable = true;
  TRect VisibleBounds{};
  int Width = 0;
};

class TcxCustomEditViewInfo : public TcxContainerViewInfo {
  PELVOR_CLASS(TcxCustomEditViewInfo, TcxContainerViewInfo)

  TcxCustomEditViewInfo();
  ~TcxCustomEditViewInfo() override;
  void Assign(TObject* Source) override;
  TcxContainerBorderStyle GetContainerBorderStyle() const override { return BorderStyle; }
  TcxRegion* GetUpdateRegion(TcxContainerViewInfo* AViewInfo) override;
  void Offset(int DX, int DY) override;

  virtual TClass GetButtonViewInfoClass() const { return TcxEditButtonViewInfo::StaticClass(); }
  virtual bool IsRepaintOnStateChangingNeeded() const { return true; }
  virtual void DrawButton(TcxCanvas* ACanvas, int AButtonIndex);
  virtual void DrawButtonBorder(TcxCanvas* ACanvas, int AButtonIndex, TRect& ARect);
  virtual void DrawButtonContent(TcxCanvas* ACanvas, int AButtonIndex, const TRect& ARect);
  virtual bool IsMousePressHandled();
  virtual bool IsMousePressHandledAt(const TPoint& P);
  virtual bool NeedShowHint(TcxCanvas* ACanvas, const TPoint& P, String& AText, bool& AIsMultiLine,
                            TRect& ATextRect);
  virtual bool NeedShowHintInBounds(TcxCanvas* ACanvas, const TPoint& P, const TRect& AVisibleBounds,
                                    String& AText, bool& AIsMultiLine, TRect& ATextRect);
  virtual void PrepareCanvasFont(TcxCanvas* ACanvas) { (void)ACanvas; }
  bool Repaint(TWinControl* AControl, TcxCustomEditViewInfo* AOldViewInfo);
  // Invalidates in the control's window what differs from the old view info, leaving ARect out; answers
  // whether anything was invalidated.
  virtual bool RepaintChanges(TWinControl* AControl, const TRect& ARect, TcxCustomEditViewInfo* AOldViewInfo);

  void SetButtonCount(int ACount);
  int ButtonCount() const { return int(ButtonsInfo.size()); }
  TcxEditButtonViewInfo* Button(int AIndex) const { return ButtonsInfo[std::size_t(AIndex)].get(); }

  TRect InnerEditRect{};
  // The border's widths on each side, inside the bounds, before buttons and scroll bars.
  TRect BorderExtent{};
  TcxEditState EditState{esNormal};
  int HotTrackMode = 0; // 0 none, 1 on, 2 highlighted
  std::vector<std::unique_ptr<TcxEditButtonViewInfo, TObjectDeleter>> ButtonsInfo;
  bool HasPressedButton = false;
  int PressedButtonIndex = -1;
  int HotButtonIndex = -1;
  TcxEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  bool Enabled = true;
  bool Focused = false;
  bool ButtonsOnly = false;
  bool IsInplace = false;
  bool IsDesigning = false;
  bool IsInnerEditShown = false;
  bool IsPaintCopy = false;
  bool IsDBEditPaintCopyDrawing = false;
  TcxLookAndFeelKind LookAndFeelKind = lfUltraFlat;
  TcxCustomEditProperties* EditProperties = nullptr; // borrowed
  HWND WindowHandle = nullptr;

protected:
  void InternalPaint(TcxCanvas* ACanvas) override;
};
using TcxCustomEditViewInfoClass = TClass;

class TcxCustomEditViewData : public TPersistent {
  PELVOR_CLASS(TcxCustomEditViewData, TPersistent)

  using TCreateArgs = std::tuple<TcxCustomEditProperties*, TcxCustomEditStyle*, bool>;
  TcxCustomEditViewData(TcxCustomEditProperties* AProperties, TcxCustomEditStyle* AStyle, bool AIsInplace);

  virtual bool CanPressButton(TcxCustomEditViewInfo* AViewInfo, int AButtonIndex) {
    (void)AViewInfo;
    (void)AButtonIndex;
    return true;
  }
  virtual void Reset();
  virtual void InitCacheData();
  virtual void EditValueToDisplayText(const Variant& AEditValue, String& DisplayText) {
    (void)AEditValue;
    DisplayText.clear();
  }
  virtual void GetFixedPartSize(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, TSize& AFixedSize,
                                TSize& AMinContentSize);
  virtual void CalculateContentSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                    const TcxEditSizeProperties& AEditSizeProperties, TSize& ASize) {
    (void)ACanvas;
    (void)AEditValue;
    (void)AEditSizeProperties;
    ASize = TSize{0, 0};
  }
  virtual bool IsButtonPressed(TcxCustomEditViewInfo* AViewInfo, int AButtonIndex) {
    (void)AViewInfo;
    (void)AButtonIndex;
    return false;
  }
  virtual void CalculateButtonNativeInfo(TcxEditButtonViewInfo* AButtonViewInfo);
  virtual void Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P,
                         TcxContainerMouseButton Button, TShiftState Shift, TcxCustomEditViewInfo* AViewInfo,
                         bool AIsMouseEvent);
  virtual void CalculateButtonBounds(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                     int AButtonVisibleIndex, TRect& ButtonsRect);
  virtual void CalculateButtonsViewInfo(TcxCanvas* ACanvas, TRect& ABounds, const TPoint& P,
                                        TcxContainerMouseButton Button, TShiftState Shift,
                                        TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent);
  virtual void CalculateButtonViewInfo(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo,
                                       int AButtonVisibleIndex, int AButtonIndex);
  virtual void EditValueToDrawValue(TcxCanvas* ACanvas, const Variant& AEditValue,
                                    TcxCustomEditViewInfo* AViewInfo) {
    (void)ACanvas;
    (void)AEditValue;
    (void)AViewInfo;
  }
  virtual TColor GetBorderColor();
  virtual void GetBorderExtent(TRect& AExtent);
  virtual TcxEditBorderStyle GetBorderStyle();
  virtual void GetNativeContentExtent(TcxCanvas* ACanvas, TRect& AExtent);
  virtual void GetClientExtent(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, TRect& AExtent);
  virtual void GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue, TcxCustomEditViewInfo* AViewInfo,
                           TSize& AFixedSize, TSize& AMinContentSize);
  virtual void GetContentSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                              const TcxEditSizeProperties& AEditSizeProperties, TSize& ASize);
  virtual bool HasShadow();
  static bool IsNativeStyle(TcxLookAndFeel* ALookAndFeel);

  String GetDisplayText(const Variant& AEditValue);
  TSize CalculateEditSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                          const TcxEditSizeProperties& AEditSizeProperties);
  int GetCapturedButtonIndex() const;
  bool IsFocused() const;
  TcxCustomEditProperties* Properties() const { return FProperties; }
  // The style of the state being drawn, and the base style it belongs to.
  TcxCustomEditStyle* Style() const { return FStyle; }
  TcxCustomEditStyle* BaseStyle() const { return FBaseStyle; }
  TcxCustomEdit* Edit() const { return FEdit; }
  void SetEdit(TcxCustomEdit* Value) { FEdit = Value; }
  TcxEditState EditState() const { return FEditState; }
  bool NativeStyle() const { return FNativeStyle; }
  bool ButtonsOnly() const { return FButtonsOnly; }
  TAlignment HorzAlignment() const { return FHorzAlignment; }
  TcxEditVertAlignment VertAlignment() const { return FVertAlignment; }
  void SetHorzAlignment(TAlignment Value) { FHorzAlignment = Value; }
  void SetInplaceContentExtent(const TRect& R) { FInplaceEditContentExtent = R; }

  bool IsInplace;
  bool Enabled = true;
  bool Focused = false;
  bool IsDesigning = false;
  bool HScrollBarVisible = false;
  bool VScrollBarVisible = false;
  class IcxCustomInnerEdit* InnerEdit = nullptr; // borrowed
  HWND WindowHandle = nullptr;
  int LeftAlignedButtonFirst = -1, LeftAlignedButtonLast = -1;
  int RightAlignedButtonFirst = -1, RightAlignedButtonLast = -1;
  TcxEditGetDisplayTextEvent OnGetDisplayText;

protected:
  TcxCustomEditProperties* FProperties; // borrowed
  TcxCustomEditStyle* FStyle;           // borrowed: the active style
  TcxCustomEditStyle* FBaseStyle;       // borrowed
  TRect FEditBounds{};
  bool FButtonsOnly = false;
  int FVisibleButtonCount = 0;
  TcxEditState FEditState{esNormal};
  TRect FInplaceEditContentExtent{};
  TcxCustomEdit* FEdit = nullptr; // borrowed
  TAlignment FHorzAlignment = taLeftJustify;
  bool FUsesValueFormat = false;
  bool FNativeStyle = false;
  bool FHotOrFocused = false;
  TColor FCachedColor1 = clDefault, FCachedColor2 = clDefault;
  TcxEditVertAlignment FVertAlignment = taTopJustify;
  TcxEditBorderStyle FPreviousBorderStyle = ebsNone;
};
using TcxCustomEditViewDataClass = TClass;

class TcxCustomEditStyle : public TcxContainerStyle {
  PELVOR_CLASS(TcxCustomEditStyle, TcxContainerStyle)

  TcxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode, TcxContainerStyle* AParentStyle = nullptr,
                     TcxContainerStyleState AState = cssNormal);
  void Assign(TPersistent* Source) override;

  int GetStyleValueCount() const override { return 13; }
  bool GetStyleValueName(TcxContainerStyleValue AValue, AnsiString& AName) const override;
  TcxContainerStyleValues GetBaseOnlyValues() const override;
  bool IsValueAssigned(TcxContainerStyleValue AValue) override;

  TcxEditButtonStyle ButtonStyle();
  void SetButtonStyle(TcxEditButtonStyle Value);
  TcxEditButtonTransparency ButtonTransparency();
  void SetButtonTransparency(TcxEditButtonTransparency Value);
  TcxEditPopupBorderStyle PopupBorderStyle();
  void SetPopupBorderStyle(TcxEditPopupBorderStyle Value);
  bool PopupCloseButton();
  void SetPopupCloseButton(bool Value);
  // Whether the published value is written when a form is saved.
  bool IsStyleValueStored(TcxContainerStyleValue AValue, const char* APropertyName);
  TcxCustomEdit* Edit() const;

protected:
  virtual TcxEditButtonStyle DefaultButtonStyle();
  virtual TcxEditButtonTransparency DefaultButtonTransparency();
  virtual TcxEditPopupBorderStyle DefaultPopupBorderStyle();
  TcxStyleController* GetDefaultStyleController() override;

private:
  TcxCustomEditStyle* BaseEditStyle() { return static_cast<TcxCustomEditStyle*>(GetBaseStyle()); }
  TcxCustomEditStyle* ControllerEditStyle();
  bool LookupButtonStyle(TcxEditButtonStyle& AValue);
  bool LookupButtonTransparency(TcxEditButtonTransparency& AValue);
  bool LookupPopupBorderStyle(TcxEditPopupBorderStyle& AValue);

  TcxEditButtonStyle FButtonStyle = btsDefault;
  TcxEditButtonTransparency FButtonTransparency = ebtNone;
  TcxEditPopupBorderStyle FPopupBorderStyle = epbsDefault;
  bool FPopupCloseButton = true;
};

class TcxEditStyle : public TcxCustomEditStyle {
  PELVOR_CLASS(TcxEditStyle, TcxCustomEditStyle)
  using TcxCustomEditStyle::TcxCustomEditStyle;
};

class TcxEditStyleController : public TcxStyleController {
  PELVOR_CLASS(TcxEditStyleController, TcxStyleController)

  explicit TcxEditStyleController(TComponent* AOwner);
  TcxEditStyle* Style() const { return static_cast<TcxEditStyle*>(TcxStyleController::Style()); }
  TcxEditStyle* StyleDisabled() const {
    return static_cast<TcxEditStyle*>(TcxStyleController::StyleDisabled());
  }
  TcxEditStyle* StyleFocused() const {
    return static_cast<TcxEditStyle*>(TcxStyleController::StyleFocused());
  }
  TcxEditStyle* StyleHot() const { return static_cast<TcxEditStyle*>(TcxStyleController::StyleHot()); }
  void SetStyle(TcxEditStyle* Value) { Style()->Assign(Value); }
  void SetStyleDisabled(TcxEditStyle* Value) { StyleDisabled()->Assign(Value); }
  void SetStyleFocused(TcxEditStyle* Value) { StyleFocused()->Assign(Value); }
  void SetStyleHot(TcxEditStyle* Value) { StyleHot()->Assign(Value); }

protected:
  TcxContainerStyleClass GetStyleClass() override { return TcxEditStyle::StaticClass(); }
};

class IcxEditRepositoryItemListener {
public:
  virtual ~IcxEditRepositoryItemListener() = default;
  virtual void ItemRemoved(TcxEditRepositoryItem* Sender) = 0;
  virtual void PropertiesChanged(TcxEditRepositoryItem* Sender) = 0;
};

class TcxEditRepositoryItem : public TComponent {
  PELVOR_CLASS(TcxEditRepositoryItem, TComponent)

  explicit TcxEditRepositoryItem(TComponent* AOwner);
  ~TcxEditRepositoryItem() override;
  void BeforeDestruction() override;

  virtual void PropertiesChanged(TObject* Sender);
  virtual void AddListener(IcxEditRepositoryItemListener* AListener);
  virtual TcxCustomEditPropertiesClass GetEditPropertiesClass() const;
  virtual void RemoveListener(IcxEditRepositoryItemListener* AListener);

  TcxCustomEditProperties* Properties() const { return FProperties.get(); }
  void SetProperties(TcxCustomEditProperties* Value) { FProperties->Assign(Value); }
  TcxEditRepository* Repository() const { return FRepository; }
  void SetRepository(TcxEditRepository* Value);
  int ListenerCount() const { return int(FListeners.size()); }
  bool HasParent() const { return FRepository != nullptr; }
  TComponent* GetParentComponent() const;
  void SetParentComponent(TComponent* AParent);

  TNotifyEvent PropertiesEvents;

protected:
  // Descendants whose GetEditPropertiesClass differs rebuild the properties from their constructor.
  void CreateProperties();

private:
  void NotifyItemRemoved();

  std::vector<IcxEditRepositoryItemListener*> FListeners; // borrowed: each listener leaves before it goes
  std::unique_ptr<TcxCustomEditProperties, TObjectDeleter> FProperties;
  TcxEditRepository* FRepository = nullptr; // borrowed
  bool FItemRemovedSent = false;
};
using TcxEditRepositoryItemClass = TClass;

class TcxEditRepository : public TComponent {
  PELVOR_CLASS(TcxEditRepository, TComponent)

  explicit TcxEditRepository(TComponent* AOwner) : TComponent(AOwner) {}
  ~TcxEditRepository() override;

  virtual TcxEditRepositoryItem* CreateItem(TcxEditRepositoryItemClass ARepositoryItemClass);
  virtual TcxEditRepositoryItem* CreateItemEx(TcxEditRepositoryItemClass ARepositoryItemClass,
                                              TComponent* AOwner);
  TcxEditRepositoryItem* Items(int Index) const;
  int Count() const { return int(FItems.size()); }
  int IndexOf(TcxEditRepositoryItem* AItem) const;
  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root);

private:
  friend class TcxEditRepositoryItem;
  void AddItem(TcxEditRepositoryItem* AItem);
  void RemoveItem(TcxEditRepositoryItem* AItem);

  std::vector<TcxEditRepositoryItem*> FItems; // items are components; the repository frees those it lists
};

// How an editor drives its inner platform control.
class IcxCustomInnerEdit {
public:
  virtual ~IcxCustomInnerEdit() = default;
  virtual TWinControl* GetControl() = 0;
  virtual TcxCustomEdit* GetControlContainer() = 0;
  virtual LRESULT CallDefWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) = 0;
  virtual Variant GetEditValue() = 0;
  virtual TNotifyEvent GetOnChange() = 0;
  virtual bool GetReadOnly() = 0;
  virtual void LockBounds(bool ALock) = 0;
  virtual void SafelySetFocus() = 0;
  virtual void SetEditValue(const Variant& Value) = 0;
  virtual void SetParent(TWinControl* Value) = 0;
  virtual void SetOnChange(TNotifyEvent Value) = 0;
  virtual void SetReadOnly(bool Value) = 0;
};

// An inner control that hands out its interface through a companion object.
class IcxInnerEditLink {
public:
  virtual ~IcxInnerEditLink() = default;
  virtual IcxCustomInnerEdit* GetInnerEdit() = 0;
};

class TcxEditChangeEventsCatcher : public TObject {
  PELVOR_CLASS(TcxEditChangeEventsCatcher, TObject)

  explicit TcxEditChangeEventsCatcher(TcxCustomEdit* AEdit) : FEdit(AEdit) {}
  bool IsLocked() const { return FLockCount > 0; }
  int LockCount() const { return FLockCount; }

  bool OnChangeEvent = false;
  bool OnEditValueChangedEvent = false;

private:
  friend class TcxCustomEdit;
  TcxCustomEdit* FEdit; // borrowed: the edit owns the catcher
  int FLockCount = 0;
};

class TcxCustomEditData : public TObject {
  PELVOR_CLASS(TcxCustomEditData, TObject)

  using TCreateArgs = std::tuple<TcxCustomEdit*>;
  explicit TcxCustomEditData(TcxCustomEdit* AEdit);
  ~TcxCustomEditData() override;
  void Clear() { FCleared = true; }
  bool Cleared() const { return FCleared; }
  void SetCleared(bool Value) { FCleared = Value; }
  TcxCustomEdit* Edit() const { return FEdit; }

private:
  void EditFreed(TObject* Sender, TComponent* AComponent);

  TcxCustomEdit* FEdit; // borrowed, cleared when the edit goes
  std::unique_ptr<TcxFreeNotificator, TObjectDeleter> FFreeNotificator;
  bool FCleared = true;
};

class TcxEditDataBinding : public TPersistent {
  PELVOR_CLASS(TcxEditDataBinding, TPersistent)

  using TCreateArgs = std::tuple<TcxCustomEdit*>;
  explicit TcxEditDataBinding(TcxCustomEdit* AEdit);
  ~TcxEditDataBinding() override;
  TPersistent* GetOwner() override;

  virtual bool CanModify() { return true; }
  virtual void DefaultValuesChanged();
  virtual Variant GetDisplayValue();
  virtual bool GetModified();
  virtual Variant GetStoredValue();
  virtual void Reset();
  virtual void UpdateNotConnectedDisplayValue();
  virtual bool SetEditMode() { return true; }
  virtual void SetStoredValue(const Variant& Value) { (void)Value; }
  virtual bool IsDesigning();
  virtual bool ExecuteAction(TObject* Action) {
    (void)Action;
    return false;
  }
  virtual TClass GetDefaultValuesProviderClass() const {
    return TcxCustomEditDefaultValuesProvider::StaticClass();
  }
  virtual bool UpdateAction(TObject* Action) {
    (void)Action;
    return false;
  }
  virtual void UpdateDisplayValue();
  virtual void UpdateEditorValue() {}

  IcxEditDefaultValuesProvider* IDefaultValuesProvider() const;
  bool IsDataAvailable() const { return IDefaultValuesProvider()->IsDataAvailable(); }
  bool IsDataAware() const { return IDefaultValuesProvider()->IsDataAware(); }
  TcxCustomEdit* Edit() const { return FEdit; }

protected:
  // Descendants whose provider class differs rebuild the provider from their constructor.
  void CreateDefaultValuesProvider();

private:
  std::unique_ptr<TcxCustomEditDefaultValuesProvider, TObjectDeleter> FDefaultValuesProvider;
  TcxCustomEdit* FEdit; // borrowed: the edit owns the binding
};
using TcxEditDataBindingClass = TClass;

// A step that runs with the edit's change events locked; the lock is released however the step ends.
class TcxChangeEventsLock {
public:
  TcxChangeEventsLock(TcxCustomEdit* AEdit, bool AInvokeChangedEvents = true);
  ~TcxChangeEventsLock() noexcept(false);
  TcxChangeEventsLock(const TcxChangeEventsLock&) = delete;
  TcxChangeEventsLock& operator=(const TcxChangeEventsLock&) = delete;
  // Releases at the end without firing what was recorded.
  void SetInvokeChangedEvents(bool Value) { FInvoke = Value; }

private:
  TcxCustomEdit* FEdit;
  std::shared_ptr<const bool> FAlive; // a handler inside the lock may free the edit
  bool FInvoke;
  int FUncaught;
};

class TcxCustomEdit : public TcxContainer, public IcxEditRepositoryItemListener {
  PELVOR_CLASS(TcxCustomEdit, TcxContainer)

  explicit TcxCustomEdit(TComponent* AOwner);
  // An in-place edit is created with its flag so that its construction already follows in-place rules.
  TcxCustomEdit(TComponent* AOwner, bool AIsInplace);
  ~TcxCustomEdit() override;
  void BeforeDestruction() override;
  void Loaded() override;
  void SetParent(TWinControl* AParent) override;
  void SetName(const AnsiString& NewName) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Value flow.
  Variant EditValue() const { return FEditValue; }
  virtual void SetEditValue(const Variant& Value);
  void SetInternalEditValue(const Variant& Value);
  virtual void Clear();
  virtual bool ValidateEdit();
  bool InternalValidateEdit(bool ARaiseExceptionOnError);
  bool CanPostEditValue();
  void PostEditValue(bool AValidateEdit = true);
  virtual void Reset();
  virtual bool CanModify();
  bool DoEditing();
  bool EditModified() const { return FModified; }
  void SetEditModified(bool Value);
  bool ModifiedAfterEnter() const { return FModifiedAfterEnter; }
  void SetModifiedAfterEnter(bool Value);
  bool IsEditValidated() const { return FIsEditValidated; }
  void SaveModifiedState();
  void RestoreModifiedState();
  bool IsPosting() const { return FIsPosting; }
  bool IsUserChange() const { return FIsUserChange; }
  String CurrentDisplayText() { return GetDisplayText(); }
  void SetIsUserChange(bool Value) { FIsUserChange = Value; }

  // Change events.
  void LockChangeEvents(bool ALock, bool AInvokeChangedEvents = true);
  bool ChangeEventsLocked() const { return FChangeEventsCatcher->IsLocked(); }
  void LockClick(bool ALock);
  void LockEditValueChanging(bool ALock);
  void MarkModifiedAndClick();
  void Click() override;
  void DblClick() override;
  virtual void ChangeHandler(TObject* Sender);
  void DoChange();
  void DoEditValueChanged();

  // Properties in effect.
  TcxCustomEditProperties* ActiveProperties();
  TcxCustomEditProperties* Properties() const { return FProperties.get(); }
  TcxEditRepositoryItem* RepositoryItem() const { return FRepositoryItem; }
  void SetRepositoryItem(TcxEditRepositoryItem* Value);
  virtual bool IsRepositoryItemAcceptable(TcxEditRepositoryItem* Value);
  virtual TcxCustomEditPropertiesClass GetPropertiesClass() const;
  TcxCustomEditStyle* Style() const { return static_cast<TcxCustomEditStyle*>(TcxContainer::Style()); }
  TcxCustomEditStyle* ActiveStyle() { return static_cast<TcxCustomEditStyle*>(GetActiveStyle()); }
  TcxCustomEditViewInfo* ViewInfo() const {
    return static_cast<TcxCustomEditViewInfo*>(TcxContainer::ViewInfo());
  }
  TcxEditDataBinding* DataBinding() const { return FDataBinding.get(); }
  IcxCustomInnerEdit* InnerEdit() const { return FInnerEdit; }
  TcxCustomEditData* EditData() const { return FEditData; }
  bool IsInplace() override { return FIsInplace; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) override;
  int Height();
  int CaptureButtonIndex() const { return FCaptureButtonIndex; }
  bool ClickTimerEnabled() const { return FClickTimer && FClickTimer->Enabled(); }

  // In-place activation.
  virtual void Activate(TcxCustomEditData*& AEditData);
  virtual void ActivateByKey(char Key, TcxCustomEditData*& AEditData);
  virtual void ActivateByMouse(TShiftState Shift, int X, int Y, TcxCustomEditData*& AEditData);
  virtual TClass GetEditDataClass() const { return nullptr; }
  virtual bool IsEditorKey(WORD Key, TShiftState Shift);
  virtual bool IsEditFocused() { return Focused(); }
  virtual bool IsInnerEditShown() { return false; }
  virtual bool HasPopupWindow() { return false; }
  virtual void CopyToClipboard() {}
  virtual void CutToClipboard() {}
  virtual void PasteFromClipboard() {}
  virtual void SelectAll() {}
  virtual Variant PrepareEditValue(const Variant& ADisplayValue, bool AEditFocused) {
    (void)AEditFocused;
    return ADisplayValue;
  }
  virtual bool IsActiveControl();

  // Buttons.
  int GetButtonIndexAt(const TPoint& P);
  virtual void DoButtonClick(int AButtonIndex);
  virtual void ClickDefaultButton();
  bool HasDefaultButton();

  // IcxEditRepositoryItemListener
  void ItemRemoved(TcxEditRepositoryItem* Sender) override;
  void PropertiesChanged(TcxEditRepositoryItem* Sender) override;

  // The geometry.
  bool RefreshContainer(const TPoint& P, TcxContainerMouseButton Button, TShiftState Shift,
                        bool AIsMouseEvent) override;
  void RefreshContainerAtCursor();
  TRect GetBorderExtent() override;
  TRect GetBorderRect() override;
  bool IsNativeStyle() override;
  TcxContainerStyleValues GetHiddenStyleValues() override;
  TSize CalculateEditSize(const TcxEditSizeProperties& AEditSizeProperties);
  virtual TcxEditSizeProperties GetEditSizeProperties();

  TcxEditEditingEvent OnEditing;
  TNotifyEvent OnPostEditValue;
  TKeyEvent OnAfterKeyDown;
  TNotifyEvent PropertiesEvents;

protected:
  friend class TcxChangeEventsLock;
  friend class TcxEditDataBinding;

  // Builds the properties, inner control, binding and view info from the class operations. The constructor
  // runs it before a descendant's overrides exist: a descendant that overrides a class operation runs
  // Initialize again from its own constructor.
  virtual void Initialize();
  virtual void AdjustInnerEditPosition();
  virtual void BeginEditValuePosting() { FIsPosting = true; }
  virtual void EndEditValuePosting() { FIsPosting = false; }
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  virtual bool CanAutoSize() { return true; }
  virtual bool CanAutoWidth();
  virtual bool CanKeyDownModifyEdit(WORD Key, TShiftState Shift) {
    (void)Key;
    (void)Shift;
    return false;
  }
  virtual bool CanKeyPressModifyEdit(char Key) {
    (void)Key;
    return false;
  }
  virtual void CreateInnerEdit();
  virtual TcxCustomEditViewData* CreateViewData();
  virtual void DoButtonDown(int AButtonIndex) { (void)AButtonIndex; }
  virtual void DoButtonUp(int AButtonIndex) { (void)AButtonIndex; }
  virtual void DoEditKeyDown(WORD& Key, TShiftState Shift);
  virtual void DoEditKeyPress(char& Key);
  virtual void DoEditKeyUp(WORD& Key, TShiftState Shift) {
    (void)Key;
    (void)Shift;
  }
  virtual void PrepareTabNavigation() {}
  virtual void DoOnChange();
  virtual void DoOnEditValueChanged();
  virtual TClass GetDataBindingClass() const { return TcxEditDataBinding::StaticClass(); }
  virtual String GetDisplayText() { return {}; }
  virtual TClass GetInnerEditClass() const { return nullptr; }
  virtual void HandleValidationError(const String& AErrorText);
  virtual void InitializeEditData() {}
  virtual void InitializeInnerEdit() {}
  virtual void InitializeViewData(TcxCustomEditViewData* AViewData);
  virtual bool CanEdit() { return true; }
  virtual void InternalSetDisplayValue(const Variant& Value) { (void)Value; }
  virtual void InternalSetEditValue(const Variant& Value, bool AValidateEditValue);
  virtual void ApplyValidatedDisplayValue(const Variant& ADisplayValue);
  virtual bool CanClickWhileLoading() { return false; }
  virtual bool IsButtonClickKey(WORD Key, TShiftState Shift);
  virtual bool HasEditValue() { return !FEditValue.IsNull(); }
  virtual bool IsValidChar(char C);
  virtual void DrawPaintCopy();
  virtual void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused);
  virtual void ProcessButtonStateChanges(TcxCustomEditViewInfo* AOldViewInfo);
  virtual void PropertiesChanged(TObject* Sender);
  virtual void RepositoryItemChanged() {}
  virtual void BeforeRepositoryItemChange() {}
  virtual bool CanSendActivationKey(char Key) {
    (void)Key;
    return true;
  }
  virtual bool SetDisplayText(const String& Value) {
    (void)Value;
    return false;
  }
  virtual void SetInnerDisplayValue(const Variant& Value) { (void)Value; }
  virtual void SynchronizeDisplayValue() {}
  virtual void SynchronizeEditValue() {}
  virtual bool NeedsDisplayUpdateOnFocus() { return true; }
  virtual void UpdateDrawValue() {}
  virtual bool FilterKeyDown(WORD Key, TShiftState Shift);
  virtual void FilterKeyPress(char& Key);
  virtual bool WantNavigationKeys() { return false; }
  virtual void InnerEditWndProc(TMessage& Message);
  virtual void HookInnerEditWndProc();
  virtual void UnhookInnerEditWndProc();
  bool IsPaintCopyOfBoundEdit();

  void WndProc(TMessage& Message) override;
  void AdjustInnerControlBounds() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void CreateHandle() override;
  void DoEnter() override;
  void DoExit() override;
  void FocusChanged() override;
  void FocusInnerControl() override;
  bool IgnoresTabKey() override { return true; }
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseLeave(TControl* AControl) override;
  void Paint() override;
  void RequestAlign() override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;
  TcxContainerStyleClass GetStyleClass() override;
  TcxContainerViewInfoClass GetViewInfoClass() override;
  void CMDialogChar(TCMDialogChar& Message) override;
  void CMShowingChanged(TMessageView& Message) override;

  int FCaptureButtonIndex = -1;
  std::unique_ptr<TcxEditChangeEventsCatcher, TObjectDeleter> FChangeEventsCatcher;
  int FClickLockCount = 0;
  TTimer* FClickTimer = nullptr;          // owned as a component of the edit
  TcxCustomEditData* FEditData = nullptr; // borrowed from the in-place host
  bool FIsEditing = false;
  int FEditValueChangingLockCount = 0;
  bool FIsFocused = false;
  bool FIsHandleNeededLock = false;
  IcxCustomInnerEdit* FInnerEdit = nullptr; // borrowed from the inner control
  bool FIsEditValidated = false;
  bool FEscapeHandled = false;
  bool FNeedsParentRefresh = false;
  bool FIsInplace = false;
  bool FIsPosting = false;
  bool FIsUserChange = false;
  bool FModified = false;
  bool FModifiedAfterEnter = false;
  Variant FEditValueAtEnter;
  std::vector<std::pair<bool, bool>> FModifiedStateStack;
  bool FIsRefreshing = false;
  TcxEditRepositoryItem* FRepositoryItem = nullptr; // borrowed; cleared by ItemRemoved and free notification
  bool FIsSettingFocusOnError = false;
  std::unique_ptr<TcxEditDataBinding, TObjectDeleter> FDataBinding;
  Variant FEditValue;
  std::unique_ptr<TcxCustomEditProperties, TObjectDeleter> FProperties;
  bool FIsUpdatingRegion = false;
  bool FAutoSize = true;
  bool FInnerEditHooked = false;
  TWndMethod FInnerEditOldWndProc; // the inner control's own window procedure while hooked
  // Drawing a glyph touches the bitmap, whose change notice must not start another refresh meanwhile.
  bool FIsPainting = false;
  // Set while a press is passed on to the inner control, whose own handling passes it back to the edit.
  bool FMouseDownPassing = false;

private:
  void ClickTimerHandler(TObject* Sender);
  // What leaving the edit does with what the user changed since entering it: validated and posted. False
  // when the validation failed.
  bool LeaveEditing(bool ARaiseOnError);
  // Focused, or the active control of its form, which gives it the focus back when it is activated again.
  bool IsEnteredControl();
  void InitializeEdit();
};

// A scope in which a value of a control stays as set; it is put back however the scope ends, unless a handler
// inside the scope freed the control that holds it.
template <class T> class TcxValueScope {
public:
  TcxValueScope(const TControl* AOwner, T& AValue, T ANew)
      : FValue(AValue), FOld(AValue), FAlive(AOwner->AliveToken()) {
    FValue = ANew;
  }
  ~TcxValueScope() {
    if (*FAlive)
      FValue = FOld;
  }
  TcxValueScope(const TcxValueScope&) = delete;
  TcxValueScope& operator=(const TcxValueScope&) = delete;

private:
  T& FValue;
  T FOld;
  std::shared_ptr<const bool> FAlive;
};

// A flag of a control raised for a scope.
class TcxFlagScope : public TcxValueScope<bool> {
public:
  TcxFlagScope(const TControl* AOwner, bool& AFlag, bool AValue = true)
      : TcxValueScope(AOwner, AFlag, AValue) {}
};

// Unit routines.
TcxRegisteredClasses* GetRegisteredEditProperties();
TcxEditRepository* GetDefaultEditRepository();
TcxEditStyleController* GetDefaultEditStyleController();
TShiftState MouseButtonToShift(TMouseButton Button);
TShiftState ContainerMouseButtonToShift(TcxContainerMouseButton Button, TShiftState Shift);
void EnlargeSize(TSize& ASize, const TSize& AOther);
TComponent* GetOwnerComponent(TPersistent* APersistent);
bool VarEqualsExact(const Variant& V1, const Variant& V2);
bool IsSpaceChar(char C);
bool IsRegionEmpty(TcxRegion* ARegion);
void SendKeyDown(TWinControl* AControl, WORD Key);
void SendChar(TWinControl* AControl, char Ch);
void CombineRegionOr(TcxRegion* ADest, TcxRegion* ASource);
// Whether the character is the accelerator that a single "&" marks in the caption, regardless of case.
bool cxIsAccel(WORD ACharCode, const String& ACaption);

constexpr TCursor crcxEditMouseWheel = 4101;

void cxEditInitialize();
void cxEditFinalize();
extern const TUnitInfo cxEditUnit;
