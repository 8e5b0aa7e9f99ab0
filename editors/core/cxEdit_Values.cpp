#include <exception>

#include "editors/core/cxEdit.h"
#include "editors/core/cxEdit_Internal.h"
#include "platform/controls/Forms.h"
#include "platform/win/Win.h"

TcxChangeEventsLock::TcxChangeEventsLock(TcxCustomEdit* AEdit, bool AInvokeChangedEvents)
    : FEdit(AEdit), FAlive(AEdit->AliveToken()), FInvoke(AInvokeChangedEvents),
      FUncaught(std::uncaught_exceptions()) {
  FEdit->LockChangeEvents(true);
}

TcxChangeEventsLock::~TcxChangeEventsLock() noexcept(false) {
  if (!*FAlive)
    return;
  if (std::uncaught_exceptions() == FUncaught) {
    FEdit->LockChangeEvents(false, FInvoke);
    return;
  }
  // A step that failed still releases its lock; what a handler raises then would hide the first failure.
  try {
    FEdit->LockChangeEvents(false, FInvoke);
  } catch (...) {
  }
}

namespace {
// Raises a counter of the edit for a scope and lowers it however the scope ends, unless a handler inside the
// scope freed the edit.
class CountScope {
public:
  CountScope(TcxCustomEdit* AEdit, int& ACount) : FCount(ACount), FAlive(AEdit->AliveToken()) { ++FCount; }
  ~CountScope() {
    if (*FAlive && FCount > 0)
      --FCount;
  }
  CountScope(const CountScope&) = delete;
  CountScope& operator=(const CountScope&) = delete;

private:
  int& FCount;
  std::shared_ptr<const bool> FAlive;
};

// Restores the modified state saved at its start, however the scope ends, unless a handler inside the scope
// freed the edit.
class ModifiedStateScope {
public:
  explicit ModifiedStateScope(TcxCustomEdit* AEdit) : FEdit(AEdit), FAlive(AEdit->AliveToken()) {
    FEdit->SaveModifiedState();
  }
  ~ModifiedStateScope() {
    if (!FReleased && *FAlive)
      FEdit->RestoreModifiedState();
  }
  void Release() {
    FReleased = true;
    if (*FAlive)
      FEdit->RestoreModifiedState();
  }
  ModifiedStateScope(const ModifiedStateScope&) = delete;
  ModifiedStateScope& operator=(const ModifiedStateScope&) = delete;

private:
  TcxCustomEdit* FEdit;
  std::shared_ptr<const bool> FAlive;
  bool FReleased = false;
};
} // namespace

TcxCustomEdit::TcxCustomEdit(TComponent* AOwner) : TcxContainer(AOwner) {
  InitializeEdit();
}

TcxCustomEdit::TcxCustomEdit(TComponent* AOwner, bool AIsInplace) : TcxContainer(AOwner) {
  FIsInplace = AIsInplace;
  InitializeEdit();
}

void TcxCustomEdit::InitializeEdit() {
  Initialize();
}

void TcxCustomEdit::Initialize() {
  FChangeEventsCatcher.reset(new TcxEditChangeEventsCatcher(this));
  if (FProperties)
    FProperties->OnPropertiesChanged = nullptr;
  FProperties.reset(
      NewInstance<TcxCustomEditProperties>(GetPropertiesClass(), static_cast<TPersistent*>(this)));
  ControlStyle().Include(csCaptureMouse).Include(csSetCaption);
  SetTabStop(true);
  // The editor's own rules decide what arrows, characters and Tab do.
  SetKeys(TcxWantedKeys{kArrows, kChars, kTab});
  // The styles and the view info are of the classes the properties name.
  InitializeContainer();
  TcxFlagScope creating(this, FIsCreating);
  CreateInnerEdit();
  ControlStyle().Include(csReplicatable);
  for (int i = 0; i < ControlCount(); ++i)
    Controls(i)->ControlStyle().Include(csReplicatable);
  FDataBinding.reset(NewInstance<TcxEditDataBinding>(GetDataBindingClass(), this));
  FAutoSize = !FIsInplace;
  FCaptureButtonIndex = -1;
  FEditValue = Null;
  FProperties->OnPropertiesChanged = TNotifyEvent(this, &TcxCustomEdit::PropertiesChanged);
  if (!FClickTimer) {
    FClickTimer = new TTimer(this);
    FClickTimer->SetEnabled(false);
    FClickTimer->SetInterval(GetDoubleClickTime());
    FClickTimer->SetOnTimer(TNotifyEvent(this, &TcxCustomEdit::ClickTimerHandler));
  }
  if (!FIsInplace)
    FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  FNeedsParentRefresh = true;
}

void TcxCustomEdit::CreateInnerEdit() {
  TClass innerClass = GetInnerEditClass();
  if (!innerClass)
    return;
  TWinControl* inner = NewInstance<TWinControl>(innerClass, static_cast<TComponent*>(this));
  if (auto* link = dynamic_cast<IcxInnerEditLink*>(inner))
    FInnerEdit = link->GetInnerEdit();
  else
    FInnerEdit = dynamic_cast<IcxCustomInnerEdit*>(inner);
  if (!FInnerEdit)
    return;
  InitializeInnerEdit();
  SetInnerControl(FInnerEdit->GetControl());
}

void TcxCustomEdit::BeforeDestruction() {
  TcxContainer::BeforeDestruction();
}

TcxCustomEdit::~TcxCustomEdit() {
  if (HandleAllocated())
    DestroyHandle();
  if (FClickTimer) {
    FClickTimer->SetEnabled(false);
    FClickTimer->SetOnTimer({});
  }
  if (FRepositoryItem)
    FRepositoryItem->RemoveListener(this);
  FRepositoryItem = nullptr;
  FInnerEdit = nullptr;
  if (FProperties) {
    FProperties->OnPropertiesChanged = nullptr;
    if (!FIsInplace)
      FProperties->SetIDefaultValuesProvider(nullptr);
  }
  FDataBinding.reset();
  FModifiedStateStack.clear();
  FProperties.reset();
  FChangeEventsCatcher.reset();
}

TcxCustomEditPropertiesClass TcxCustomEdit::GetPropertiesClass() const {
  return TcxCustomEditProperties::StaticClass();
}

TcxContainerStyleClass TcxCustomEdit::GetStyleClass() {
  return FProperties ? FProperties->GetStyleClass() : TcxEditStyle::StaticClass();
}

TcxContainerViewInfoClass TcxCustomEdit::GetViewInfoClass() {
  return FProperties ? FProperties->GetViewInfoClass() : TcxCustomEditViewInfo::StaticClass();
}

TcxCustomEditProperties* TcxCustomEdit::ActiveProperties() {
  if (!FRepositoryItem)
    return FProperties.get();
  TcxCustomEditProperties* properties = FRepositoryItem->Properties();
  IcxEditDefaultValuesProvider* provider = FDataBinding ? FDataBinding->IDefaultValuesProvider() : nullptr;
  if (properties->IDefaultValuesProvider() != provider) {
    // Taking the binding's provider is no change of the shared settings.
    properties->SetChangedLocked(true);
    properties->SetIDefaultValuesProvider(provider);
    properties->SetChangedLocked(false);
  }
  return properties;
}

bool TcxCustomEdit::IsRepositoryItemAcceptable(TcxEditRepositoryItem* Value) {
  return !Value || Value->GetEditPropertiesClass()->InheritsFrom(GetPropertiesClass());
}

void TcxCustomEdit::SetRepositoryItem(TcxEditRepositoryItem* Value) {
  if (FRepositoryItem == Value)
    return;
  if (!IsRepositoryItemAcceptable(Value))
    throw EInvalidOperation(cxGetResourceString(cxSEditRepositoryItemNotAcceptable));
  BeforeRepositoryItemChange();
  if (FRepositoryItem) {
    FRepositoryItem->RemoveListener(this);
    FRepositoryItem->RemoveFreeNotification(this);
  }
  FRepositoryItem = Value;
  const bool quiet = ComponentState().Contains(csLoading) || IsDestroying();
  if (FRepositoryItem) {
    FRepositoryItem->AddListener(this);
    FRepositoryItem->FreeNotification(this);
    FProperties->SetChangedLocked(true);
    FProperties->SetIDefaultValuesProvider(nullptr);
    FProperties->SetChangedLocked(false);
    if (!quiet)
      PropertiesChanged(FRepositoryItem->Properties());
    FProperties->OnPropertiesChanged = nullptr;
  } else {
    if (!quiet)
      FProperties->OnPropertiesChanged = TNotifyEvent(this, &TcxCustomEdit::PropertiesChanged);
    FProperties->SetIDefaultValuesProvider(FDataBinding->IDefaultValuesProvider());
  }
  RepositoryItemChanged();
}

void TcxCustomEdit::ItemRemoved(TcxEditRepositoryItem* Sender) {
  if (Sender != FRepositoryItem)
    return;
  // The own properties take up listening again, or their changes would reach no one.
  SetRepositoryItem(nullptr);
}

void TcxCustomEdit::PropertiesChanged(TcxEditRepositoryItem* Sender) {
  if (!ComponentState().Contains(csLoading) && !IsDestroying())
    PropertiesChanged(static_cast<TObject*>(Sender->Properties()));
}

void TcxCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TcxContainer::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FRepositoryItem)
    SetRepositoryItem(nullptr);
}

void TcxCustomEdit::PropertiesChanged(TObject*) {
  if (FIsPainting)
    return;
  FIsEditValidated = false;
  if (FInnerEdit) {
    TcxCustomEditProperties* properties = ActiveProperties();
    FInnerEdit->SetReadOnly(properties->ReadOnly() || !FDataBinding->IsDataAvailable());
  }
  RefreshContainerAtCursor();
}

void TcxCustomEdit::Loaded() {
  TcxContainer::Loaded();
  TcxChangeEventsLock lock(this, false);
  LockClick(true);
  struct Unlock {
    TcxCustomEdit* edit;
    ~Unlock() { edit->LockClick(false); }
  } unlock{this};
  FDataBinding->UpdateDisplayValue();
  RefreshContainerAtCursor();
  if (!FRepositoryItem)
    FProperties->OnPropertiesChanged = TNotifyEvent(this, &TcxCustomEdit::PropertiesChanged);
  PropertiesChanged(static_cast<TObject*>(ActiveProperties()));
  SetColor(Style()->Color());
}

void TcxCustomEdit::SetName(const AnsiString& NewName) {
  TcxContainer::SetName(NewName);
  if (FDataBinding)
    FDataBinding->UpdateDisplayValue();
}

bool TcxCustomEdit::IsEnteredControl() {
  if (Focused())
    return true;
  TCustomForm* form = GetParentForm();
  TWinControl* active = form ? form->ActiveControl() : nullptr;
  return active && (active == this || ContainsControl(active));
}

void TcxCustomEdit::SetParent(TWinControl* AParent) {
  // The form runs no exit for a focused control taken from its parent, nor for its active control while
  // another window holds the activation (a popup opened): what the user typed is applied here, as leaving the
  // edit would, or entering it again would show the value from before.
  if (AParent != Parent() && FModifiedAfterEnter && IsEnteredControl() && !IsDestroying()) {
    auto alive = AliveToken();
    TcxFlagScope userChange(this, FIsUserChange, false);
    if (LeaveEditing(false) && *alive)
      SetModifiedAfterEnter(false);
    if (!*alive)
      return;
  }
  if (FNeedsParentRefresh && AParent) {
    FNeedsParentRefresh = false;
    // Showing the value and the properties may raise the edit's change and click handlers.
    auto alive = AliveToken();
    FDataBinding->UpdateDisplayValue();
    if (*alive)
      PropertiesChanged(static_cast<TObject*>(FProperties.get()));
    if (*alive)
      FDataBinding->UpdateDisplayValue();
    if (!*alive)
      return;
  }
  TcxContainer::SetParent(AParent);
}

void TcxCustomEdit::SetEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0)
    return;
  CountScope clickLock(this, FClickLockCount);
  if (FIsUserChange && !DoEditing())
    return;
  InternalSetEditValue(Value, true);
}

void TcxCustomEdit::SetInternalEditValue(const Variant& Value) {
  if (FEditValueChangingLockCount > 0)
    return;
  if (FIsUserChange && !DoEditing())
    return;
  InternalSetEditValue(Value, true);
}

void TcxCustomEdit::InternalSetEditValue(const Variant& Value, bool) {
  if (FIsUserChange && !DoEditing())
    return;
  bool changed = false;
  if (ActiveProperties()->CanCompareEditValue())
    changed = !VarEqualsExact(FEditValue, Value);
  FEditValue = Value;
  // Showing the value tells the inner control, whose change reaches the edit's handlers.
  auto alive = AliveToken();
  SynchronizeDisplayValue();
  if (!*alive)
    return;
  if (FIsUserChange)
    SetModifiedAfterEnter(true);
  else
    SetEditModified(false);
  if (changed) {
    DoEditValueChanged();
    if (*alive && !ActiveProperties()->HasOwnChangeEvent())
      DoChange();
  }
}

void TcxCustomEdit::Clear() {
  SetEditValue(Null);
}

void TcxCustomEdit::PrepareDisplayValue(const Variant& AEditValue, Variant& DisplayValue, bool AEditFocused) {
  ActiveProperties()->PrepareDisplayValue(AEditValue, DisplayValue, AEditFocused);
}

void TcxCustomEdit::SetEditModified(bool Value) {
  FModified = Value;
  if (!Value)
    FModifiedAfterEnter = false;
}

void TcxCustomEdit::SetModifiedAfterEnter(bool Value) {
  FModifiedAfterEnter = Value;
  if (Value) {
    FModified = true;
    FIsEditValidated = false;
  }
}

void TcxCustomEdit::SaveModifiedState() {
  FModifiedStateStack.emplace_back(FModified, FModifiedAfterEnter);
}

void TcxCustomEdit::RestoreModifiedState() {
  if (FModifiedStateStack.empty())
    return;
  FModified = FModifiedStateStack.back().first;
  FModifiedAfterEnter = FModifiedStateStack.back().second;
  FModifiedStateStack.pop_back();
}

void TcxCustomEdit::ApplyValidatedDisplayValue(const Variant& ADisplayValue) {
  ModifiedStateScope state(this);
  InternalSetDisplayValue(ADisplayValue);
}

bool TcxCustomEdit::DoEditing() {
  if (!CanEdit())
    return false;
  if (FDataBinding->GetModified() && FDataBinding->IsDataAware())
    return true;
  TcxFlagScope editing(this, FIsEditing);
  CountScope valueLock(this, FEditValueChangingLockCount);
  bool result = CanModify();
  // An edit freed by the handler can edit nothing.
  auto alive = AliveToken();
  if (result && OnEditing)
    OnEditing(this, result);
  if (!*alive)
    return false;
  if (result && !FIsInplace)
    result = FDataBinding->SetEditMode();
  return result && *alive;
}

bool TcxCustomEdit::CanModify() {
  if (FIsInplace)
    return ActiveProperties()->CanModify();
  TcxCustomEditProperties* properties = ActiveProperties();
  if (properties->AssignedValues()->ReadOnly())
    return !properties->ReadOnly();
  return FDataBinding->IDefaultValuesProvider()->DefaultCanModify() && FDataBinding->CanModify();
}

bool TcxCustomEdit::ValidateEdit() {
  const bool result = InternalValidateEdit(true);
  if (result) {
    SynchronizeDisplayValue();
    FIsEditValidated = true;
  }
  return result;
}

// False also when a handler freed the edit: nothing of it is left to apply or post.
bool TcxCustomEdit::InternalValidateEdit(bool ARaiseExceptionOnError) {
  if (!FModifiedAfterEnter || FIsEditValidated)
    return true;
  Variant displayValue = Variant(GetDisplayText());
  bool error = false;
  TCaption errorText;
  TcxCustomEditProperties* properties = ActiveProperties();
  auto alive = AliveToken();
  if (properties->CanValidate())
    properties->ValidateDisplayValue(displayValue, errorText, error, this);
  if (!*alive)
    return false;
  if (error) {
    // The text the handler corrected goes back into the edit before the failure is raised, so that the user
    // sees what the error message refers to.
    std::exception_ptr failure;
    if (ARaiseExceptionOnError) {
      try {
        HandleValidationError(errorText);
      } catch (...) {
        failure = std::current_exception();
      }
      Application()->ProcessMessages();
    }
    if (*alive && GetDisplayText() != VarToStr(displayValue)) {
      SetInnerDisplayValue(displayValue);
      if (Visible())
        SelectAll();
      if (!IsInnerEditShown())
        UpdateDrawValue();
    }
    if (failure)
      std::rethrow_exception(failure);
    return false;
  }
  if (FIsUserChange && !DoEditing())
    return *alive;
  ApplyValidatedDisplayValue(displayValue);
  if (!*alive)
    return false;
  if (!FIsInplace && !Focused())
    SetModifiedAfterEnter(false);
  FIsEditValidated = true;
  return true;
}

void TcxCustomEdit::HandleValidationError(const String& AErrorText) {
  auto alive = AliveToken();
  if (Visible() && !Focused() && CanFocus()) {
    TcxFlagScope settingFocus(this, FIsSettingFocusOnError);
    if (FInnerControl && FInnerControl->CanFocus())
      FInnerControl->SetFocus();
    else
      SetFocus();
  }
  // The error is still raised for an edit that a focus handler freed; only the edit is not touched.
  if (!*alive) {
    if (!AErrorText.empty())
      throw EcxEditValidationError(AErrorText);
    return;
  }
  if (Visible())
    SelectAll();
  if (ActiveProperties()->BeepOnError())
    MessageBeep(0);
  if (!AErrorText.empty())
    throw EcxEditValidationError(AErrorText);
}

bool TcxCustomEdit::CanPostEditValue() {
  return FDataBinding->GetModified() && !IsDesigning();
}

void TcxCustomEdit::PostEditValue(bool AValidateEdit) {
  if (AValidateEdit) {
    TcxFlagScope userChange(this, FIsUserChange, false);
    if (!InternalValidateEdit(true))
      return;
  }
  BeginEditValuePosting();
  auto alive = AliveToken();
  struct EndPosting {
    TcxCustomEdit* edit;
    const std::shared_ptr<const bool>& alive;
    ~EndPosting() {
      if (*alive)
        edit->EndEditValuePosting();
    }
  } endPosting{this, alive};
  if (FIsInplace) {
    if (OnPostEditValue)
      OnPostEditValue(this);
    if (*alive)
      SetEditModified(false);
  } else {
    FDataBinding->SetStoredValue(EditValue());
  }
}

void TcxCustomEdit::Reset() {
  if (!FModifiedAfterEnter || !ActiveProperties()->CanResetEditValue())
    return;
  TcxChangeEventsLock lock(this);
  FModifiedAfterEnter = false;
  auto alive = AliveToken();
  if (FDataBinding->IsDataAware())
    SetInternalEditValue(FDataBinding->GetStoredValue());
  else
    SetInternalEditValue(FEditValueAtEnter);
  if (!*alive)
    return;
  SetEditModified(true);
  SelectAll();
  if (ActiveProperties()->ImmediatePost() && CanPostEditValue())
    PostEditValue(false);
}

void TcxCustomEdit::ChangeHandler(TObject*) {
  if (Focused())
    SetModifiedAfterEnter(true);
  DoChange();
}

namespace {
bool HasChangeHandler(TcxCustomEdit* AEdit, TNotifyEvent TcxCustomEditProperties::*AEvent) {
  if ((AEdit->Properties()->*AEvent).Assigned())
    return true;
  return AEdit->RepositoryItem() && (AEdit->RepositoryItem()->Properties()->*AEvent).Assigned();
}
} // namespace

void TcxCustomEdit::DoChange() {
  if (ComponentState().Contains(csLoading) || IsDestroying())
    return;
  auto alive = AliveToken();
  if (HasChangeHandler(this, &TcxCustomEditProperties::OnChange)) {
    if (FChangeEventsCatcher->IsLocked())
      FChangeEventsCatcher->OnChangeEvent = true;
    else if (FIsInplace) {
      ModifiedStateScope state(this);
      FModified = FModifiedAfterEnter = true;
      DoOnChange();
    } else {
      DoOnChange();
    }
  }
  if (!*alive)
    return;
  TcxCustomEditProperties* properties = ActiveProperties();
  if (!properties->HasOwnChangeEvent() && !properties->CanCompareEditValue())
    DoEditValueChanged();
}

void TcxCustomEdit::DoEditValueChanged() {
  if (ComponentState().Contains(csLoading) || IsDestroying())
    return;
  if (!HasChangeHandler(this, &TcxCustomEditProperties::OnEditValueChanged))
    return;
  if (FChangeEventsCatcher->IsLocked()) {
    FChangeEventsCatcher->OnEditValueChangedEvent = true;
  } else if (FIsInplace) {
    ModifiedStateScope state(this);
    FModified = FModifiedAfterEnter = true;
    DoOnEditValueChanged();
  } else {
    DoOnEditValueChanged();
  }
}

void TcxCustomEdit::DoOnChange() {
  auto alive = AliveToken();
  if (FProperties->OnChange)
    FProperties->OnChange(this);
  if (*alive && FRepositoryItem && FRepositoryItem->Properties()->OnChange)
    FRepositoryItem->Properties()->OnChange(this);
}

void TcxCustomEdit::DoOnEditValueChanged() {
  auto alive = AliveToken();
  if (FProperties->OnEditValueChanged)
    FProperties->OnEditValueChanged(this);
  if (*alive && FRepositoryItem && FRepositoryItem->Properties()->OnEditValueChanged)
    FRepositoryItem->Properties()->OnEditValueChanged(this);
}

void TcxCustomEdit::LockChangeEvents(bool ALock, bool AInvokeChangedEvents) {
  TcxEditChangeEventsCatcher& catcher = *FChangeEventsCatcher;
  if (ALock) {
    if (catcher.FLockCount == 0)
      catcher.OnChangeEvent = catcher.OnEditValueChangedEvent = false;
    ++catcher.FLockCount;
    return;
  }
  if (catcher.FLockCount < 1)
    return;
  if (--catcher.FLockCount > 0 || !AInvokeChangedEvents)
    return;
  if (ComponentState().Contains(csLoading) || IsDestroying())
    return;
  auto alive = AliveToken();
  if (catcher.OnChangeEvent && HasChangeHandler(this, &TcxCustomEditProperties::OnChange)) {
    catcher.OnChangeEvent = false;
    DoOnChange();
  }
  if (*alive && catcher.OnEditValueChangedEvent &&
      HasChangeHandler(this, &TcxCustomEditProperties::OnEditValueChanged)) {
    catcher.OnEditValueChangedEvent = false;
    DoOnEditValueChanged();
  }
}

void TcxCustomEdit::LockClick(bool ALock) {
  FClickLockCount += ALock ? 1 : (FClickLockCount > 0 ? -1 : 0);
}

void TcxCustomEdit::LockEditValueChanging(bool ALock) {
  FEditValueChangingLockCount += ALock ? 1 : (FEditValueChangingLockCount > 0 ? -1 : 0);
}

void TcxCustomEdit::MarkModifiedAndClick() {
  SetModifiedAfterEnter(true);
  if (FClickLockCount == 0)
    Click();
}

void TcxCustomEdit::Click() {
  if (IsDestroying() || FClickLockCount > 0)
    return;
  if (ComponentState().Contains(csLoading) && !CanClickWhileLoading())
    return;
  TcxContainer::Click();
}

bool TcxCustomEdit::IsActiveControl() {
  if (Focused())
    return true;
  TCustomForm* form = GetParentForm();
  return form && (form->ActiveControl() == this || (FInnerControl && form->ActiveControl() == FInnerControl));
}

void TcxCustomEdit::DoEnter() {
  if (IsDestroying())
    return;
  auto alive = AliveToken();
  if (!FIsSettingFocusOnError) {
    // Entered again with what was typed not yet the value: as when a parent was moved elsewhere while the
    // user typed (the form runs no exit then), or when leaving found the text invalid. What was typed is
    // applied first, as leaving would; text that is still invalid stays to be put right, not lost to the
    // reload below.
    bool keepText = false;
    if (FModifiedAfterEnter) {
      TcxFlagScope userChange(this, FIsUserChange, false);
      keepText = !LeaveEditing(false);
      if (!*alive)
        return;
    }
    const bool reload = NeedsDisplayUpdateOnFocus() && !keepText;
    ModifiedStateScope state(this);
    TcxContainer::DoEnter();
    if (!*alive)
      return;
    if (reload)
      FDataBinding->UpdateDisplayValue();
    if (!*alive)
      return;
    if (ActiveProperties()->CanResetEditValue())
      FEditValueAtEnter = EditValue();
    if (reload)
      SynchronizeDisplayValue();
    if (!*alive)
      return;
    state.Release();
    FModifiedAfterEnter = keepText;
  }
  RefreshContainerAtCursor();
}

void TcxCustomEdit::DoExit() {
  if (IsDestroying() || FIsSettingFocusOnError)
    return TcxContainer::DoExit();
  TcxFlagScope userChange(this, FIsUserChange, false);
  auto alive = AliveToken();
  {
    ModifiedStateScope state(this);
    if (FModifiedAfterEnter && !LeaveEditing(true))
      return;
    if (!*alive)
      return;
    if (NeedsDisplayUpdateOnFocus())
      FDataBinding->UpdateDisplayValue();
    if (!*alive)
      return;
    UpdateDrawValue();
    RefreshContainerAtCursor();
  }
  TcxContainer::DoExit();
  if (*alive)
    SetModifiedAfterEnter(false);
}

bool TcxCustomEdit::LeaveEditing(bool ARaiseOnError) {
  auto alive = AliveToken();
  // The deferred change events fire as the lock goes.
  TcxChangeEventsLock lock(this);
  if (!InternalValidateEdit(ARaiseOnError) || !*alive)
    return false;
  if (!FIsInplace && CanPostEditValue())
    PostEditValue(false);
  return true;
}

void TcxCustomEdit::FocusChanged() {
  if (IsDestroying() || FIsSettingFocusOnError)
    return;
  const bool focused = Focused() && Application()->Active();
  if (focused == FIsFocused)
    return;
  FIsFocused = focused;
  auto alive = AliveToken();
  TcxContainer::FocusChanged();
  if (!*alive)
    return;
  UpdateDrawValue();
  TCustomForm* form = GetParentForm();
  if (form && !form->Visible() && form->FormState().Contains(fsModal) && form->ModalResult() != mrNone &&
      form->ModalResult() != mrCancel)
    InternalValidateEdit(false);
}
