#include "data/cxVariants.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"

const char* const cxSEditRepositoryItemNotAcceptable = "The repository item is not acceptable";
const char* const cxSEditValidateErrorText = "Invalid input value. Use escape key to abandon changes";

bool cxIsOwnerDestroying(TPersistent* AOwner) {
  auto* component = dynamic_cast<TComponent*>(AOwner);
  return component && component->ComponentState().Contains(csDestroying);
}

void TcxEditAlignment::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxEditAlignment*>(Source);
  if (!source)
    return TPersistent::Assign(Source);
  FVert = source->FVert;
  FHorz = source->FHorz;
  FIsHorzAssigned = source->FIsHorzAssigned;
  DoChanged();
}

void TcxEditAlignment::SetHorz(TAlignment Value) {
  if (FIsHorzAssigned && FHorz == Value)
    return;
  FHorz = Value;
  FIsHorzAssigned = true;
  DoChanged();
}

void TcxEditAlignment::SetVert(TcxEditVertAlignment Value) {
  if (FVert == Value)
    return;
  FVert = Value;
  DoChanged();
}

void TcxEditAlignment::Reset() {
  FIsHorzAssigned = false;
  DoChanged();
}

void TcxEditAlignment::DoChanged() {
  if (OnChanged)
    OnChanged(this);
}

TcxCustomEditPropertiesValues::TcxCustomEditPropertiesValues(TPersistent* AOwner)
    : FProperties(dynamic_cast<TcxCustomEditProperties*>(AOwner)) {}

TPersistent* TcxCustomEditPropertiesValues::GetOwner() {
  return FProperties;
}

void TcxCustomEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditPropertiesValues*>(Source);
  if (!source)
    return TPersistent::Assign(Source);
  SetReadOnly(source->FReadOnly);
}

void TcxCustomEditPropertiesValues::BeginUpdate() {
  if (FProperties)
    FProperties->BeginUpdate();
}

void TcxCustomEditPropertiesValues::EndUpdate() {
  if (FProperties)
    FProperties->EndUpdate(true);
}

void TcxCustomEditPropertiesValues::RestoreDefaults() {
  SetReadOnly(false);
}

void TcxCustomEditPropertiesValues::SetReadOnly(bool Value) {
  if (FReadOnly == Value)
    return;
  FReadOnly = Value;
  Changed();
}

void TcxCustomEditPropertiesValues::Changed() {
  if (FProperties)
    FProperties->Changed();
}

TcxCustomEditDefaultValuesProvider::~TcxCustomEditDefaultValuesProvider() {
  ClearUsers();
}

void TcxCustomEditDefaultValuesProvider::ClearUsers() {
  // Clearing a user may notify its edit, which may not change the list; a copy keeps the walk safe anyway.
  const std::vector<TcxCustomEditProperties*> users = cxEditPropertiesList();
  for (TcxCustomEditProperties* properties : users) {
    IcxEditDefaultValuesProvider* provider = properties->IDefaultValuesProvider();
    if (provider && provider->GetInstance() == this)
      properties->SetIDefaultValuesProvider(nullptr);
  }
}

TcxCustomEditProperties::TcxCustomEditProperties(TPersistent* AOwner)
    : TcxInterfacedPersistent(AOwner), FOwner(AOwner) {
  cxEditAddProperties(this);
  FFreeNotificator.reset(new TcxFreeNotificator(nullptr));
  FFreeNotificator->OnFreeNotification =
      TcxFreeNotificationEvent(this, &TcxCustomEditProperties::FreeNotificationHandler);
  FAlignmentView.reset(new TcxEditAlignment(this));
  FAlignmentView->OnChanged = TNotifyEvent(this, &TcxCustomEditProperties::AlignmentChanged);
  FAssignedValues.reset(
      NewInstance<TcxCustomEditPropertiesValues>(GetAssignedValuesClass(), static_cast<TPersistent*>(this)));
  FButtons.reset(new TcxEditButtons(this, TcxEditButton::StaticClass()));
  FButtons->OnChange = TNotifyEvent(this, &TcxCustomEditProperties::ButtonsChanged);
  FUseLeftAlignmentOnEditing = DefaultUseLeftAlignmentOnEditing();
  FAlignment.reset(new TcxEditAlignment(this));
}

TcxCustomEditProperties::~TcxCustomEditProperties() {
  FIDefaultValuesProvider = nullptr;
  FButtons.reset();
  FAlignment.reset();
  FAssignedValues.reset();
  FAlignmentView.reset();
  FFreeNotificator.reset();
  cxEditRemoveProperties(this);
}

TClass TcxCustomEditProperties::GetContainerClass() const {
  return TcxCustomEdit::StaticClass();
}
TClass TcxCustomEditProperties::GetViewDataClass() const {
  return TcxCustomEditViewData::StaticClass();
}
TClass TcxCustomEditProperties::GetViewInfoClass() const {
  return TcxCustomEditViewInfo::StaticClass();
}
TClass TcxCustomEditProperties::GetStyleClass() const {
  return TcxEditStyle::StaticClass();
}
TClass TcxCustomEditProperties::GetAssignedValuesClass() const {
  return TcxCustomEditPropertiesValues::StaticClass();
}

void TcxCustomEditProperties::EndUpdate(bool AInvokeChanged) {
  if (FUpdateCount <= 0)
    return;
  --FUpdateCount;
  if (FUpdateCount == 0 && AInvokeChanged)
    Changed();
}

void TcxCustomEditProperties::Changed() {
  if (IsChangedLocked() || cxIsOwnerDestroying(GetOwner()))
    return;
  if (OnPropertiesChanged)
    OnPropertiesChanged(this);
}

void TcxCustomEditProperties::AlignmentChanged(TObject*) {
  FAlignment->Assign(FAlignmentView.get());
  Changed();
}

void TcxCustomEditProperties::ButtonsChanged(TObject*) {
  Changed();
}

TcxEditAlignment* TcxCustomEditProperties::Alignment() {
  FAlignmentView->OnChanged = nullptr;
  FAlignmentView->Assign(FAlignment.get());
  if (!FAlignment->IsHorzAssigned())
    FAlignmentView->SetHorz(GetDefaultHorzAlignment());
  FAlignmentView->OnChanged = TNotifyEvent(this, &TcxCustomEditProperties::AlignmentChanged);
  return FAlignmentView.get();
}

void TcxCustomEditProperties::SetAlignment(TcxEditAlignment* Value) {
  FAlignment->Assign(Value);
  Changed();
}

TAlignment TcxCustomEditProperties::GetDefaultHorzAlignment() {
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultAlignment() : FAlignment->Horz();
}

void TcxCustomEditProperties::SetAutoSelect(bool Value) {
  if (FAutoSelect == Value)
    return;
  FAutoSelect = Value;
  Changed();
}

void TcxCustomEditProperties::SetButtonsViewStyle(TcxEditButtonsViewStyle Value) {
  if (FButtonsViewStyle == Value)
    return;
  FButtonsViewStyle = Value;
  Changed();
}

void TcxCustomEditProperties::SetUseLeftAlignmentOnEditing(bool Value) {
  if (FUseLeftAlignmentOnEditing == Value)
    return;
  FUseLeftAlignmentOnEditing = Value;
  Changed();
}

bool TcxCustomEditProperties::ReadOnly() {
  if (FAssignedValues->ReadOnly())
    return FReadOnly;
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultReadOnly() : false;
}

void TcxCustomEditProperties::SetReadOnly(bool Value) {
  if (FAssignedValues->ReadOnly() && FReadOnly == Value)
    return;
  BeginUpdate();
  FReadOnly = Value;
  FAssignedValues->SetReadOnly(true);
  EndUpdate(false);
  Changed();
}

void TcxCustomEditProperties::SetIDefaultValuesProvider(IcxEditDefaultValuesProvider* Value) {
  FIDefaultValuesProvider = Value;
  if (dynamic_cast<TcxCustomEdit*>(FOwner))
    Changed();
}

bool TcxCustomEditProperties::CanModify() {
  if (FAssignedValues->ReadOnly())
    return !FReadOnly;
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->DefaultCanModify() : true;
}

bool TcxCustomEditProperties::IsDisplayFormatDefined(bool AEditFocused) {
  const unsigned options = GetDisplayFormatOptions();
  if (AEditFocused || !(options & 1) || !FIDefaultValuesProvider)
    return false;
  return FIDefaultValuesProvider->IsDisplayFormatDefined(!(options & 2));
}

bool TcxCustomEditProperties::IsValueFormattedByProvider() {
  const unsigned options = GetDisplayFormatOptions();
  return (options & 1) && !UsesValueFormat(true) && UsesValueFormat(false) && FIDefaultValuesProvider &&
         FIDefaultValuesProvider->IsDisplayFormatDefined(!(options & 2));
}

bool TcxCustomEditProperties::IsValidChar(char AChar) {
  return FIDefaultValuesProvider ? FIDefaultValuesProvider->IsValidChar(AChar) : true;
}

bool TcxCustomEditProperties::CompareDisplayValues(const Variant& V1, const Variant& V2) {
  Variant d1, d2;
  PrepareDisplayValue(V1, d1, false);
  PrepareDisplayValue(V2, d2, false);
  return VarEquals(d1, d2);
}

TcxCustomEditViewData* TcxCustomEditProperties::CreateViewData(TcxCustomEditStyle* AStyle, bool AIsInplace) {
  return NewInstance<TcxCustomEditViewData>(GetViewDataClass(), this, AStyle, AIsInplace);
}

void TcxCustomEditProperties::GetDisplayText(const Variant&, String& ADisplayText) {
  ADisplayText.clear();
}

String TcxCustomEditProperties::GetDisplayText(const Variant& AEditValue) {
  String text;
  GetDisplayText(AEditValue, text);
  return text;
}

std::uint32_t TcxCustomEditProperties::GetSupportedOperations() {
  return FButtons->Count() > 0 ? esoButtonClick : 0;
}

void TcxCustomEditProperties::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool) {
  DisplayValue = AEditValue;
}

void TcxCustomEditProperties::GetValidationErrorText(int, TCaption& AText) {
  AText = cxGetResourceString(cxSEditValidateErrorText);
}

void TcxCustomEditProperties::ValidateDisplayValue(Variant& DisplayValue, TCaption& ErrorText, bool& Error,
                                                   TcxCustomEdit* AEdit) {
  if (!CanValidate())
    return;
  if (Error && ErrorText.empty())
    GetValidationErrorText(0, ErrorText);
  DoValidate(DisplayValue, ErrorText, Error, AEdit);
}

void TcxCustomEditProperties::DoValidate(Variant& DisplayValue, TCaption& ErrorText, bool& Error,
                                         TcxCustomEdit* AEdit) {
  TcxCustomEditProperties* repositoryProperties = nullptr;
  if (AEdit && AEdit->RepositoryItem())
    repositoryProperties = AEdit->RepositoryItem()->Properties();
  TcxCustomEditProperties* own = AEdit ? AEdit->Properties() : this;
  const bool ownAssigned = own && own->OnValidate.Assigned();
  const bool repositoryAssigned = repositoryProperties && repositoryProperties->OnValidate.Assigned();
  if (!ownAssigned && !repositoryAssigned)
    return;
  const String before = VarToStr(DisplayValue);
  if (ownAssigned)
    own->OnValidate(AEdit, DisplayValue, ErrorText, Error);
  if (repositoryAssigned)
    repositoryProperties->OnValidate(AEdit, DisplayValue, ErrorText, Error);
  if (Error && AEdit && VarToStr(DisplayValue) == before)
    DisplayValue = Variant(AEdit->CurrentDisplayText());
}

TSize TcxCustomEditProperties::GetEditSize(TcxCanvas* ACanvas, const Variant& AEditValue,
                                           const TcxEditSizeProperties& ASize, TcxCustomEditStyle* AStyle,
                                           bool AIsInplace) {
  std::unique_ptr<TcxCustomEditViewData, TObjectDeleter> viewData(CreateViewData(AStyle, AIsInplace));
  return viewData->CalculateEditSize(ACanvas, AEditValue, ASize);
}

void TcxCustomEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomEditProperties*>(Source);
  if (!source)
    return TcxInterfacedPersistent::Assign(Source);
  TUpdateBlock<TcxCustomEditProperties> update(*this);
  SetAutoSelect(source->FAutoSelect);
  FButtons->Assign(source->FButtons.get());
  SetButtonsViewStyle(source->FButtonsViewStyle);
  FBeepOnError = source->FBeepOnError;
  FClearKey = source->FClearKey;
  FClickKey = source->FClickKey;
  SetUseLeftAlignmentOnEditing(source->FUseLeftAlignmentOnEditing);
  SetIDefaultValuesProvider(source->FIDefaultValuesProvider);
  SetAlignment(source->FAlignment.get());
  FAssignedValues->SetReadOnly(false);
  if (source->FAssignedValues->ReadOnly())
    SetReadOnly(source->FReadOnly);
  FImmediatePost = source->FImmediatePost;
  FInplaceKeysAllowed = source->FInplaceKeysAllowed;
  FValidateOnEnter = source->FValidateOnEnter;
  OnButtonClick = source->OnButtonClick;
  OnChange = source->OnChange;
  OnEditValueChanged = source->OnEditValueChanged;
  OnValidate = source->OnValidate;
}

void TcxCustomEditProperties::RestoreDefaults() {
  TUpdateBlock<TcxCustomEditProperties> update(*this);
  FAlignment->Reset();
  FAssignedValues->RestoreDefaults();
}
