#pragma once
// The check box editor: three configurable values shown as unchecked, checked and grayed.
#include "editors/core/cxEdit.h"

// TcxCheckBoxState (unchecked, checked, grayed) is the painters' own.
enum TcxCheckBoxNullValueShowingStyle { nssUnchecked, nssInactive, nssGrayedChecked };

extern const char* const cxSCheckBoxDescription; // 65100
extern const char* const cxSCheckBoxChecked;     // 65149
extern const char* const cxSCheckBoxGrayed;      // 65150
extern const char* const cxSCheckBoxUnchecked;   // 65151

class TcxCustomCheckBoxProperties : public TcxCustomEditProperties {
  PELVOR_CLASS(TcxCustomCheckBoxProperties, TcxCustomEditProperties)

  explicit TcxCustomCheckBoxProperties(TPersistent* AOwner);
  ~TcxCustomCheckBoxProperties() override;
  void Assign(TPersistent* Source) override;

  TClass GetContainerClass() const override;
  TClass GetStyleClass() const override;
  TClass GetViewInfoClass() const override;
  TClass GetViewDataClass() const override;
  bool CanCompareEditValue() const override { return true; }
  bool HasOwnChangeEvent() const override { return true; }
  std::uint32_t GetSupportedOperations() override { return esoCheckBoxOperations; }
  virtual bool IsInplaceAlignmentUsed() const { return false; }
  virtual const std::shared_ptr<TBitmap>& GetGlyph() { return FGlyph; }
  // Keeps a stand-alone check box's text area one pixel taller when it answers True.
  virtual bool KeepsTextAreaTop() const { return false; }

  TcxCheckBoxState GetCheckState(const Variant& AEditValue);
  using TcxCustomEditProperties::GetDisplayText;
  void GetDisplayText(const Variant& AEditValue, String& ADisplayText) override;
  bool CompareDisplayValues(const Variant& V1, const Variant& V2) override;
  bool IsEditValueValid(const Variant& AEditValue, bool AEditFocused) override;
  void PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) override;
  Variant ValueForState(TcxCheckBoxState AState) const;

  TAlignment HorzAlignment() { return Alignment()->Horz(); }
  void SetHorzAlignment(TAlignment Value) { Alignment()->SetHorz(Value); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value);
  const String& Caption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool IsCaptionAssigned() const { return FIsCaptionAssigned; }
  void ClearCaptionAssigned() { FIsCaptionAssigned = false; }
  const WideString& DisplayChecked() const { return FDisplayChecked; }
  void SetDisplayChecked(const WideString& Value);
  const WideString& DisplayGrayed() const { return FDisplayGrayed; }
  void SetDisplayGrayed(const WideString& Value);
  const WideString& DisplayUnchecked() const { return FDisplayUnchecked; }
  void SetDisplayUnchecked(const WideString& Value);
  bool FullFocusRect() const { return FFullFocusRect; }
  void SetFullFocusRect(bool Value);
  TBitmap* Glyph();
  void SetGlyph(TBitmap* Value);
  int GlyphCount() const { return FGlyphCount; }
  void SetGlyphCount(int Value);
  bool MultiLine() const { return FMultiLine; }
  void SetMultiLine(bool Value);
  TcxCheckBoxNullValueShowingStyle NullStyle() const { return FNullStyle; }
  void SetNullStyle(TcxCheckBoxNullValueShowingStyle Value);
  const Variant& ValueChecked() const { return FValueChecked; }
  void SetValueChecked(const Variant& Value);
  const Variant& ValueGrayed() const { return FValueGrayed; }
  void SetValueGrayed(const Variant& Value);
  const Variant& ValueUnchecked() const { return FValueUnchecked; }
  void SetValueUnchecked(const Variant& Value);

private:
  bool IsOneOfValues(const Variant& Value) const;
  void GlyphChanged(TObject* Sender);

  bool FAllowGrayed = false;
  String FCaption;
  WideString FDisplayChecked, FDisplayGrayed, FDisplayUnchecked;
  bool FFullFocusRect = false;
  // Shared with the view infos that draw it, which may paint before they are recalculated.
  std::shared_ptr<TBitmap> FGlyph;
  int FGlyphCount = 6;
  bool FIsCaptionAssigned = false;
  bool FMultiLine = false;
  TcxCheckBoxNullValueShowingStyle FNullStyle = nssGrayedChecked;
  Variant FValueChecked = Variant(true);
  Variant FValueGrayed = Null;
  Variant FValueUnchecked = Variant(false);
};

class TcxCheckBoxProperties : public TcxCustomCheckBoxProperties {
  PELVOR_CLASS(TcxCheckBoxProperties, TcxCustomCheckBoxProperties)
  using TcxCustomCheckBoxProperties::TcxCustomCheckBoxProperties;
};

class TcxCheckBoxStyle : public TcxEditStyle {
  PELVOR_CLASS(TcxCheckBoxStyle, TcxEditStyle)
  using TcxEditStyle::TcxEditStyle;
  bool HasBorder() override { return false; }
};

class TcxCustomCheckBoxViewInfo : public TcxCustomEditViewInfo {
  PELVOR_CLASS(TcxCustomCheckBoxViewInfo, TcxCustomEditViewInfo)

  TcxCustomCheckBoxViewInfo() = default;
  void Assign(TObject* Source) override;
  void Offset(int DX, int DY) override;
  bool RepaintChanges(TWinControl* AControl, const TRect& ARect,
                      TcxCustomEditViewInfo* AOldViewInfo) override;

  TAlignment Alignment = taLeftJustify;
  String Caption;
  TcxEditBorderStyle CheckBorderStyle = ebsNone;
  TRect CheckBoxRect{};
  TcxEditButtonState CheckBoxState = ebstNormal;
  TcxCheckBoxState CheckState = cbsUnchecked;
  TRect FocusRect{};
  bool FullFocusRect = false;
  // Kept alive here: the properties may drop their glyph while their change is held back, and a paint in
  // between still draws this view.
  std::shared_ptr<TBitmap> Glyph;
  int GlyphCount = 0;
  int NativeCheckState = 1;
  TcxCheckBoxNullValueShowingStyle NullStyle = nssGrayedChecked;
  DWORD DrawTextFlags = 0;
  TRect TextRect{};
  TFont* Font = nullptr; // borrowed from the style
  TColor TextColor = clWindowText;
  bool Transparent = false;

protected:
  void InternalPaint(TcxCanvas* ACanvas) override;

private:
  void DrawCheck(TcxCanvas* ACanvas);
  void DrawGlyphImage(TcxCanvas* ACanvas);
};

class TcxCustomCheckBoxViewData : public TcxCustomEditViewData {
  PELVOR_CLASS(TcxCustomCheckBoxViewData, TcxCustomEditViewData)
  using TcxCustomEditViewData::TcxCustomEditViewData;

  void Calculate(TcxCanvas* ACanvas, const TRect& ABounds, const TPoint& P, TcxContainerMouseButton Button,
                 TShiftState Shift, TcxCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  void EditValueToDrawValue(TcxCanvas* ACanvas, const Variant& AEditValue,
                            TcxCustomEditViewInfo* AViewInfo) override;
  TcxEditBorderStyle GetBorderStyle() override { return ebsNone; }
  void GetFixedPartSize(TcxCanvas* ACanvas, TcxCustomEditViewInfo* AViewInfo, TSize& AFixedSize,
                        TSize& AMinContentSize) override;
  TcxCustomCheckBoxProperties* CheckBoxProperties() const {
    return static_cast<TcxCustomCheckBoxProperties*>(Properties());
  }
  // Set by the control while Space holds the check down.
  bool IsSpacePressed = false;

private:
  TSize CheckSize(TcxCanvas* ACanvas, TcxCustomCheckBoxViewInfo* AViewInfo);
};

class TcxCustomCheckBox : public TcxCustomEdit {
  PELVOR_CLASS(TcxCustomCheckBox, TcxCustomEdit)

  explicit TcxCustomCheckBox(TComponent* AOwner);
  TcxCustomCheckBox(TComponent* AOwner, bool AIsInplace);
  void Loaded() override;

  TcxCustomCheckBoxProperties* ActiveProperties() {
    return static_cast<TcxCustomCheckBoxProperties*>(TcxCustomEdit::ActiveProperties());
  }
  TcxCustomCheckBoxProperties* Properties() const {
    return static_cast<TcxCustomCheckBoxProperties*>(TcxCustomEdit::Properties());
  }
  TcxCustomCheckBoxViewInfo* ViewInfo() const {
    return static_cast<TcxCustomCheckBoxViewInfo*>(TcxCustomEdit::ViewInfo());
  }
  TClass GetPropertiesClass() const override { return TcxCheckBoxProperties::StaticClass(); }
  TcxCheckBoxState State();
  void SetState(TcxCheckBoxState Value);
  bool Checked() { return State() == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  bool IsStateStored();
  virtual void Toggle();
  void Clear() override { SetChecked(false); }
  Variant PrepareEditValue(const Variant& ADisplayValue, bool AEditFocused) override;
  bool IsSpacePressed() const { return FIsSpacePressed; }

protected:
  void Initialize() override;
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue) override;
  void PropertiesChanged(TObject* Sender) override;
  using TcxCustomEdit::PropertiesChanged;
  void InitializeViewData(TcxCustomEditViewData* AViewData) override;
  void ProcessButtonStateChanges(TcxCustomEditViewInfo* AOldViewInfo) override;
  bool CanClickWhileLoading() override { return DataBinding()->IsDataAware(); }
  TcxEditSizeProperties GetEditSizeProperties() override;
  TcxContainerStyleValues GetHiddenStyleValues() override;
  bool DefaultParentColor() override { return true; }
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void DoExit() override;
  void CMDialogChar(TCMDialogChar& Message) override;
  void WMLButtonUp(TWMMouse& Message) override;
  void TextChanged() override;

  bool FIsSpacePressed = false;
  bool FIsReleasing = false;
  bool FIsLoadingState = false;
  bool FIsStateAssignedWhileLoading = false;
  TcxCheckBoxState FLoadedState = cbsUnchecked;
};

class TcxCheckBox : public TcxCustomCheckBox {
  PELVOR_CLASS(TcxCheckBox, TcxCustomCheckBox)
  using TcxCustomCheckBox::TcxCustomCheckBox;
};

// A monochrome image of the check size, black where the system's checked box differs from its unchecked
// one: the check mark alone.
HBITMAP cxCheckBoxCheckMarkMask();
TSize cxCheckBoxSystemCheckSize();

void cxCheckBoxInitialize();
void cxCheckBoxFinalize();
extern const TUnitInfo cxCheckBoxUnit;
