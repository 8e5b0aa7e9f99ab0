#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"

namespace {
const char* const EditStyleValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle"};
} // namespace

TcxCustomEditStyle::TcxCustomEditStyle(TPersistent* AOwner, bool ADirectAccessMode,
                                       TcxContainerStyle* AParentStyle, TcxContainerStyleState AState)
    : TcxContainerStyle(AOwner, ADirectAccessMode, AParentStyle, AState) {
  // The base constructor attached to the container default before this class's choice of controller
  // existed; an in-place edit's style takes none.
  if (IsBaseStyle() && !ADirectAccessMode && !GetDefaultStyleController())
    SetStyleController(nullptr);
}

TcxCustomEdit* TcxCustomEditStyle::Edit() const {
  return dynamic_cast<TcxCustomEdit*>(GetHost());
}

bool TcxCustomEditStyle::GetStyleValueName(TcxContainerStyleValue AValue, AnsiString& AName) const {
  if (AValue >= svButtonStyle && AValue <= svPopupBorderStyle) {
    AName = EditStyleValueNames[AValue - svButtonStyle];
    return true;
  }
  return TcxContainerStyle::GetStyleValueName(AValue, AName);
}

TcxContainerStyleValues TcxCustomEditStyle::GetBaseOnlyValues() const {
  TcxContainerStyleValues values = TcxContainerStyle::GetBaseOnlyValues();
  values.Include(svButtonTransparency);
  values.Include(svPopupBorderStyle);
  return values;
}

TcxCustomEditStyle* TcxCustomEditStyle::ControllerEditStyle() {
  return dynamic_cast<TcxCustomEditStyle*>(ControllerStyle());
}

#define CX_EDIT_STYLE_LOOKUP(Name, Type, Bit, Field)                                                         \
  bool TcxCustomEditStyle::Lookup##Name(Type& AValue) {                                                      \
    if (HasOwnValue(Bit)) {                                                                                  \
      AValue = Field;                                                                                        \
      return true;                                                                                           \
    }                                                                                                        \
    TcxCustomEditStyle* source = ControllerEditStyle();                                                      \
    return source && source->Lookup##Name(AValue);                                                           \
  }
CX_EDIT_STYLE_LOOKUP(ButtonStyle, TcxEditButtonStyle, svButtonStyle, FButtonStyle)
CX_EDIT_STYLE_LOOKUP(ButtonTransparency, TcxEditButtonTransparency, svButtonTransparency, FButtonTransparency)
CX_EDIT_STYLE_LOOKUP(PopupBorderStyle, TcxEditPopupBorderStyle, svPopupBorderStyle, FPopupBorderStyle)
#undef CX_EDIT_STYLE_LOOKUP

bool TcxCustomEditStyle::IsValueAssigned(TcxContainerStyleValue AValue) {
  TcxEditButtonStyle buttonStyle;
  TcxEditButtonTransparency transparency;
  TcxEditPopupBorderStyle popupBorder;
  switch (AValue) {
  case svButtonStyle:
    return LookupButtonStyle(buttonStyle);
  case svButtonTransparency:
    return LookupButtonTransparency(transparency);
  case svPopupBorderStyle:
    return LookupPopupBorderStyle(popupBorder);
  default:
    return TcxContainerStyle::IsValueAssigned(AValue);
  }
}

TcxEditButtonStyle TcxCustomEditStyle::DefaultButtonStyle() {
  return IsBaseStyle() ? btsDefault : BaseEditStyle()->ButtonStyle();
}

TcxEditButtonTransparency TcxCustomEditStyle::DefaultButtonTransparency() {
  return IsBaseStyle() ? ebtNone : BaseEditStyle()->ButtonTransparency();
}

TcxEditPopupBorderStyle TcxCustomEditStyle::DefaultPopupBorderStyle() {
  return IsBaseStyle() ? epbsDefault : BaseEditStyle()->PopupBorderStyle();
}

TcxEditButtonStyle TcxCustomEditStyle::ButtonStyle() {
  if (DirectAccessMode())
    return HasOwnValue(svButtonStyle) ? FButtonStyle : DefaultButtonStyle();
  TcxEditButtonStyle value;
  return LookupButtonStyle(value) ? value : DefaultButtonStyle();
}

void TcxCustomEditStyle::SetButtonStyle(TcxEditButtonStyle Value) {
  if (HasOwnValue(svButtonStyle) && FButtonStyle == Value)
    return;
  FButtonStyle = Value;
  AddValue(svButtonStyle);
}

TcxEditButtonTransparency TcxCustomEditStyle::ButtonTransparency() {
  if (DirectAccessMode())
    return HasOwnValue(svButtonTransparency) ? FButtonTransparency : DefaultButtonTransparency();
  TcxEditButtonTransparency value;
  return LookupButtonTransparency(value) ? value : DefaultButtonTransparency();
}

void TcxCustomEditStyle::SetButtonTransparency(TcxEditButtonTransparency Value) {
  if (!IsBaseStyle())
    return BaseEditStyle()->SetButtonTransparency(Value);
  if (HasOwnValue(svButtonTransparency) && FButtonTransparency == Value)
    return;
  FButtonTransparency = Value;
  AddValue(svButtonTransparency);
}

TcxEditPopupBorderStyle TcxCustomEditStyle::PopupBorderStyle() {
  if (DirectAccessMode())
    return HasOwnValue(svPopupBorderStyle) ? FPopupBorderStyle : DefaultPopupBorderStyle();
  TcxEditPopupBorderStyle value;
  return LookupPopupBorderStyle(value) ? value : DefaultPopupBorderStyle();
}

void TcxCustomEditStyle::SetPopupBorderStyle(TcxEditPopupBorderStyle Value) {
  if (!IsBaseStyle())
    return BaseEditStyle()->SetPopupBorderStyle(Value);
  if (HasOwnValue(svPopupBorderStyle) && FPopupBorderStyle == Value)
    return;
  FPopupBorderStyle = Value;
  AddValue(svPopupBorderStyle);
}

bool TcxCustomEditStyle::PopupCloseButton() {
  return BaseEditStyle()->FPopupCloseButton;
}

void TcxCustomEditStyle::SetPopupCloseButton(bool Value) {
  TcxCustomEditStyle* base = BaseEditStyle();
  if (base->FPopupCloseButton == Value)
    return;
  base->FPopupCloseButton = Value;
  base->Changed();
}

bool TcxCustomEditStyle::IsStyleValueStored(TcxContainerStyleValue AValue, const char* APropertyName) {
  if (!HasOwnValue(AValue))
    return false;
  TcxCustomEdit* edit = Edit();
  return !edit || edit->IsStylePropertyUsed(APropertyName, !IsBaseStyle());
}

TcxStyleController* TcxCustomEditStyle::GetDefaultStyleController() {
  if (DirectAccessMode())
    return nullptr;
  IcxContainerStyleHost* host = GetHost();
  if (host && host->StyleHostIsInplace())
    return nullptr;
  return GetDefaultEditStyleController();
}

void TcxCustomEditStyle::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditStyle*>(Source);
  if (!source)
    return TcxContainerStyle::Assign(Source);
  BeginUpdate();
  try {
    FButtonStyle = source->FButtonStyle;
    FButtonTransparency = source->FButtonTransparency;
    FPopupBorderStyle = source->FPopupBorderStyle;
    FPopupCloseButton = source->FPopupCloseButton;
    TcxContainerStyle::Assign(Source);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TcxEditStyleController::TcxEditStyleController(TComponent* AOwner) : TcxStyleController(AOwner) {
  CreateStyles();
}
