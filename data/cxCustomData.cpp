#include "data/cxCustomData.h"
#include "platform/classes/Component.h"

#include <cstring>

#include "data/cxCustomData_Internal.h"
#include "data/cxVariants.h"

const char* const cxSDataRecordIndexError = "RecordIndex out of range";
const char* const cxSDataItemIndexError = "ItemIndex out of range";
const char* const cxSDataRowIndexError = "RowIndex out of range";
const char* const cxSDataItemExistError = "Item already exists";
const char* const cxSDataFieldsChangingError = "Fields keep changing while they are prepared";
const char* const cxSFilterBoxAllCaption = "(All)";
const char* const cxSFilterBoxCustomCaption = "(Custom...)";
const char* const cxSFilterBoxBlanksCaption = "(Blanks)";
const char* const cxSFilterBoxNonBlanksCaption = "(NonBlanks)";

namespace cxdata {

int StrictVarCompare(const Variant& A, const Variant& B) {
  int ab = VarCompare(A, B);
  if (ab != -1)
    return ab;
  if (VarCompare(B, A) != -1)
    return -1;
  return A.Type() < B.Type() ? -1 : (A.Type() > B.Type() ? 1 : 0);
}

TRawKind RawKindOf(TcxValueTypeClass AClass) {
  if (!AClass)
    return TRawKind::None;
  if (AClass == TcxIntegerValueType::Instance())
    return TRawKind::Int32;
  if (AClass == TcxSmallintValueType::Instance())
    return TRawKind::Int16;
  if (AClass == TcxWordValueType::Instance())
    return TRawKind::UInt16;
  if (AClass == TcxBooleanValueType::Instance())
    return TRawKind::Int8;
  if (AClass == TcxLargeIntValueType::Instance() || AClass == TcxCurrencyValueType::Instance())
    return TRawKind::Int64;
  if (AClass == TcxFloatValueType::Instance() || AClass == TcxDateTimeValueType::Instance())
    return TRawKind::Double;
  if (AClass == TcxStringValueType::Instance())
    return TRawKind::String;
  return TRawKind::None;
}

template <class T> static T LoadRaw(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::int64_t RawAsInt64(TRawKind AKind, const char* AData) {
  switch (AKind) {
  case TRawKind::Int8:
    return LoadRaw<std::uint8_t>(AData) != 0;
  case TRawKind::Int16:
    return LoadRaw<std::int16_t>(AData);
  case TRawKind::UInt16:
    return LoadRaw<std::uint16_t>(AData);
  case TRawKind::Int32:
    return LoadRaw<std::int32_t>(AData);
  case TRawKind::Int64:
    return LoadRaw<std::int64_t>(AData);
  default:
    return 0;
  }
}

double RawAsDouble(TRawKind AKind, const char* AData) {
  if (AKind == TRawKind::Double)
    return LoadRaw<double>(AData);
  return double(RawAsInt64(AKind, AData));
}

std::uint64_t RawOrderKey(TRawKind AKind, const char* AData) {
  if (AKind == TRawKind::Double) {
    double d = LoadRaw<double>(AData);
    if (d == 0)
      d = 0; // -0 and +0 are one value
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
  }
  return std::uint64_t(RawAsInt64(AKind, AData)) ^ 0x8000000000000000ull;
}

} // namespace cxdata

using namespace cxdata;

TcxCustomDataController::TcxCustomDataController(TObject* AOwner, TcxCustomDataProviderClass AProviderClass,
                                                 TClass ASelectionClass)
    : FOwner(AOwner), FProviderClass(AProviderClass ? AProviderClass : ClassOf<TcxCustomDataProvider>()),
      FSelectionClass(ASelectionClass ? ASelectionClass : ClassOf<TcxDataSelection>()) {
  FDataStorage.reset(new TcxDataStorage());
  FFields.reset(new TcxCustomDataFieldList(this));
  FNotifier.reset(new TcxDataControllerNotifier(nullptr, this));
  FFilters.reset(new TcxDataFilterList());
  FFilter.reset(new TcxDataFilterCriteria(this));
  FSearch.reset(new TcxDataControllerSearch(this));
  FSummary.reset(new TcxDataSummary(this));
  FProvider.reset(NewInstance<TcxCustomDataProvider>(GetDataProviderClass(), this));
  FView.reset(new TcxCustomDataControllerInfo(this));
}

TcxCustomDataController::~TcxCustomDataController() {
  *FAlive = false;
  FDestroying = true;
  DetachFromMaster();
  FNotifier.reset();
  FRelations.reset();
  FDetails.clear();
  FView.reset();
  FSummary.reset();
  FFilter.reset();
  FFilters.reset();
  FProvider.reset();
  FFields.reset();
  FDataStorage.reset();
  FSearch.reset();
}

void TcxDataControllerNotifier::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove)
    return;
  if (AComponent == this && ComponentState().Contains(csDestroying))
    return;
  FDataController->ComponentRemoved(AComponent);
}

bool TcxCustomDataController::IsDestroying() const {
  if (FDestroying)
    return true;
  auto* owner = dynamic_cast<TComponent*>(FOwner);
  return owner && owner->ComponentState().Contains(csDestroying);
}

bool TcxCustomDataController::IsLoading() const {
  // A controller being freed may outlive its owner, which is then not asked.
  if (FDestroying)
    return false;
  auto* owner = dynamic_cast<TComponent*>(FOwner);
  return owner && owner->ComponentState().Contains(csLoading);
}

void TcxCustomDataController::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TcxCustomDataController*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this)
    return;
  auto alive = FAlive;
  SetOptions(source->FOptions);
  if (!*alive)
    return;
  FFilter->Assign(source->FFilter.get());
  if (!*alive)
    return;
  FSummary->Assign(source->FSummary.get());
  if (!*alive)
    return;
  OnAfterCancel = source->OnAfterCancel;
  OnAfterDelete = source->OnAfterDelete;
  OnAfterInsert = source->OnAfterInsert;
  OnAfterPost = source->OnAfterPost;
  OnBeforeCancel = source->OnBeforeCancel;
  OnBeforeInsert = source->OnBeforeInsert;
  OnBeforePost = source->OnBeforePost;
  OnDataChanged = source->OnDataChanged;
  OnSortingChanged = source->OnSortingChanged;
  OnGroupingChanged = source->OnGroupingChanged;
  OnBeforeDelete = source->OnBeforeDelete;
  OnNewRecord = source->OnNewRecord;
  OnDetailExpanded = source->OnDetailExpanded;
  OnDetailCollapsed = source->OnDetailCollapsed;
  OnFilterRecord = source->OnFilterRecord;
  OnCompare = source->OnCompare;
  OnRecordChanged = source->OnRecordChanged;
  OnDetailExpanding = source->OnDetailExpanding;
  OnDetailCollapsing = source->OnDetailCollapsing;
}

bool TcxCustomDataController::IsProviderMode() const {
  return FProvider->CustomDataSource() != nullptr;
}

bool TcxCustomDataController::IsUnboundMode() const {
  return FProvider->IsUnboundMode() && !IsProviderMode();
}

void TcxCustomDataController::SetOptions(TcxDataControllerOptions AValue) {
  if (FOptions == AValue)
    return;
  FOptions = AValue;
  Refresh();
}

void TcxCustomDataController::BeginUpdate() {
  FView->BeginUpdate();
}

void TcxCustomDataController::EndUpdate() {
  auto alive = FAlive;
  // A reload that the lock held back runs before the view is computed again: computed over records that
  // were cleared and not yet read, the view would drop the expanded groups and the selection it keeps.
  if (FReloadPending && FView->LockCount() == 1 && !FInStructureCheck && !FDispatching && IsDataLoaded()) {
    FReloadPending = false;
    try {
      DoStructureUpdate(true);
    } catch (...) {
      if (*alive)
        FView->EndUpdate();
      throw;
    }
    if (!*alive)
      return;
  }
  FView->EndUpdate();
  if (*alive)
    ProcessChanges();
}

void TcxCustomDataController::BeginFullUpdate() {
  if (FFullUpdateCount == 0) {
    BeginUpdate();
    FSaveObject.reset(new TcxSaveObject());
    FSaveObject->Save(this);
  }
  ++FFullUpdateCount;
}

void TcxCustomDataController::EndFullUpdate() {
  if (--FFullUpdateCount > 0)
    return;
  std::unique_ptr<TcxSaveObject, TObjectDeleter> saved = std::move(FSaveObject);
  auto alive = FAlive;
  EndUpdate();
  // Rows are found once the view is computed again, so the keys are restored after the update.
  if (*alive && saved)
    saved->Restore(this);
}

void TcxCustomDataController::AddChanges(TcxDataControllerChanges AChanges) {
  FChanges |= AChanges;
  ProcessChanges();
}

void TcxCustomDataController::ProcessChanges() {
  if (FChanges == 0 || FView->LockCount() != 0 || FDispatching)
    return;
  if (FReloadPending) {
    FReloadPending = false;
    CheckStructure();
  }
  DispatchChanges();
}

void TcxCustomDataController::Deliver(TcxUpdateControlInfo* AInfo) {
  std::unique_ptr<TcxUpdateControlInfo, TObjectDeleter> info(AInfo);
  DoUpdateEvent(info.get());
}

void TcxCustomDataController::DoUpdateEvent(TcxUpdateControlInfo* AInfo) {
  (void)AInfo;
}

void TcxCustomDataController::DispatchChanges() {
  auto alive = FAlive;
  TFlagGuard guard(FDispatching, alive);
  while (*alive && FChanges != 0) {
    TcxDataControllerChanges changes = FChanges;
    FChanges = 0;
    if (changes & dccData) {
      int kind = FPendingKind, item = FPendingItem, record = FPendingRecord;
      if (kind == dcField && item == -1)
        kind = dcRecord;
      if (kind < dcNew && record == -1)
        kind = dcTotal;
      DoDataChanged();
      if (!*alive)
        return;
      FPendingKind = dcTotal;
      FPendingItem = FPendingRecord = -1;
      FFreshPending = true;
      Deliver(new TcxDataChangedInfo(kind, item, record));
    } else if (changes & (dccLayout | dccDetail | dccSummary)) {
      Deliver(new TcxLayoutChangedInfo());
    } else if (changes & dccUpdateRecord) {
      Deliver(new TcxUpdateRecordInfo(GetFocusedRecordIndex()));
      if (*alive)
        FSearch->Cancel();
    }
    if (!*alive)
      return;
    if (changes & dccFocus) {
      TcxDataFocusingInfo& prev = FView->FPrevFocusingInfo;
      const TcxDataFocusingInfo& cur = FView->FFocusingInfo;
      if (prev.RowIndex != cur.RowIndex)
        Deliver(new TcxFocusedRowChangedInfo(prev.RowIndex, cur.RowIndex));
      if (!*alive)
        return;
      if (!(prev.RecordIndex == -1 && cur.RecordIndex == -1 && !prev.Changed)) {
        auto* info = new TcxFocusedRecordChangedInfo();
        info->PrevFocusedRecordIndex = prev.RecordIndex;
        info->FocusedRecordIndex = cur.RecordIndex;
        info->FocusedRowIndex = cur.RowIndex;
        info->PrevFocusedRowIndex = prev.RowIndex;
        info->NewItemRowFocusingChanged = prev.Changed;
        Deliver(info);
        if (!*alive)
          return;
        FSearch->Cancel();
      }
      prev.Assign(cur);
    }
    if (changes & dccSelection) {
      int count = GetSelectedCount();
      int row = count == 1 ? GetSelectedRowIndex(0) : -1;
      if (count < 2 && FPrevSelectedCount < 2)
        Deliver(new TcxSelectionChangedInfo(FPrevSelectedCount == 1 ? FPrevSelectedRow : -1, row));
      else
        Deliver(new TcxSelectionChangedInfo(-1, -1));
      if (!*alive)
        return;
      FPrevSelectedCount = count;
      FPrevSelectedRow = row;
    }
    if (changes & dccSearch)
      Deliver(new TcxSearchChangedInfo());
    if (!*alive)
      return;
    if (changes & dccBookmark)
      Deliver(new TcxBookmarkChangedInfo());
    if (!*alive)
      return;
    if ((changes & dccGrouping) && OnGroupingChanged)
      OnGroupingChanged(this);
    if (!*alive)
      return;
    if ((changes & dccSorting) && OnSortingChanged)
      OnSortingChanged(this);
  }
}

void TcxCustomDataController::ViewChanged(TcxDataViewChanges AViewChanges) {
  TcxDataControllerChanges changes = 0;
  if (AViewChanges & (dvcSorting | dvcFilter))
    changes |= dccLayout;
  if (AViewChanges & (dvcData | dvcGrouping | dvcExpanding))
    changes |= dccData;
  if (AViewChanges & (dvcFocusedRow | dvcFocusReset | dvcFocusedRecord))
    changes |= dccFocus;
  if (AViewChanges & dvcSelection)
    changes |= dccSelection;
  if (AViewChanges & dvcSummary)
    changes |= dccSummary;
  if (FGroupingChanged)
    changes |= dccGrouping;
  if (FSortingChanged)
    changes |= dccSorting;
  FGroupingChanged = FSortingChanged = false;
  AddChanges(changes);
}

void TcxCustomDataController::AddDataChangedListener(TObject* AObject, TNotifyEvent AMethod) {
  FListeners.push_back(std::make_shared<Listener>(Listener{AObject, AMethod}));
}

void TcxCustomDataController::RemoveDataChangedListener(TObject* AObject, TNotifyEvent AMethod) {
  for (std::size_t i = 0; i < FListeners.size(); ++i)
    if (FListeners[i]->Object == AObject && FListeners[i]->Method == AMethod) {
      // A listener running right now may remove itself or another: the snapshot it walks sees the mark.
      FListeners[i]->Removed = true;
      FListeners.erase(FListeners.begin() + std::ptrdiff_t(i));
      return;
    }
}

void TcxCustomDataController::NotifyListeners() {
  auto alive = FAlive;
  std::vector<std::shared_ptr<Listener>> snapshot = FListeners;
  for (auto& listener : snapshot) {
    if (listener->Removed)
      continue;
    listener->Method(this);
    if (!*alive)
      return;
  }
}

void TcxCustomDataController::DataChanged(TcxDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  // Between deliveries a merge may only widen what is pending: the change reported covers every change
  // merged into it.
  if (FFreshPending) {
    FPendingKind = AKind;
    FPendingItem = AItemIndex;
    FPendingRecord = ARecordIndex;
    FFreshPending = false;
  } else {
    bool oneRecord = FPendingKind <= dcRecord && AKind <= dcRecord && FPendingRecord == ARecordIndex;
    if (oneRecord) {
      if (FPendingKind == dcField && AKind == dcField && FPendingItem == AItemIndex) {
        // the same value again
      } else {
        FPendingKind = dcRecord;
        FPendingItem = -1;
      }
    } else if (FPendingKind == AKind && AKind != dcField && AKind != dcRecord) {
      FPendingItem = FPendingRecord = -1;
    } else {
      FPendingKind = dcTotal;
      FPendingItem = FPendingRecord = -1;
    }
  }
  if (FPendingKind == dcTotal && AKind == dcTotal) {
    DoStructureUpdate(false);
    return;
  }
  FView->DataChanged();
}

void TcxCustomDataController::DoDataChanged() {
  if (FDestroying)
    return;
  if (!OnDataChanged && !OnRecordChanged && FListeners.empty())
    return;
  if (IsLoading()) {
    FDataChangedPending = true;
    return;
  }
  FDataChangedPending = false;
  auto alive = FAlive;
  if ((FPendingKind == dcField || FPendingKind == dcRecord) && FPendingRecord != -1 && OnRecordChanged) {
    OnRecordChanged(this, FPendingRecord, FPendingKind == dcField ? FPendingItem : -1);
    if (!*alive)
      return;
  }
  if (OnDataChanged) {
    OnDataChanged(this);
    if (!*alive)
      return;
  }
  NotifyListeners();
}

void TcxCustomDataController::CheckChanges() {
  if (FDataChangedPending)
    DoDataChanged();
  if (FSummaryPending) {
    FSummaryPending = false;
    FSummary->Calculate();
  }
}

void TcxCustomDataController::UpdateStructure(std::uint8_t AValue) {
  FStructureValue = AValue;
  CheckStructure();
}

void TcxCustomDataController::CheckStructure() {
  if (FInStructureCheck)
    return;
  if (FView->LockCount() != 0) {
    FReloadPending = true;
    return;
  }
  if (!IsDataLoaded())
    return;
  DoStructureUpdate(true);
}

void TcxCustomDataController::DoStructureUpdate(bool AForce) {
  TFlagGuard guard(FInStructureCheck, FAlive);
  {
    TControllerUpdate update(*this);
    if (IsDataLoaded()) {
      if (AForce || FProvider->IsFieldsReady())
        UpdateFields();
      if (!FReloadPending)
        ReloadStorage();
    }
    FView->DataChanged();
  }
}

void TcxCustomDataController::ReloadStorage() {
  // Records of an unbound controller live only in the storage: a structure check must not clear them.
  if (!IsUnboundMode()) {
    FView->SaveBeforeRecordsChange();
    FDataStorage->Clear(true);
    ForgetTrackedRecords(0, cxRecordsReloaded);
    // Detail objects belong to the records just dropped.
    for (auto& detail : FDetails)
      if (detail)
        detail->ClearInfo(-1);
    FDetails.clear();
  }
  if (FProvider->IsActive() && GetDetailMode() != 1) {
    if (IsProviderMode()) {
      if (TcxUserDataSource* source = FProvider->CustomDataSource()) {
        source->CurrentProvider = FProvider.get();
        source->LoadRecords();
      }
    } else {
      FProvider->LoadRecords();
      if (!IsGridMode()) {
        FProvider->First();
        // First may run a query again, which makes a dataset's fields anew: the reader knows the new ones.
        auto reader = FProvider->CreateValueDefReader();
        for (; !FProvider->IsEOF(); FProvider->Next()) {
          int record = FDataStorage->AppendRecord();
          FDataStorage->ReadRecord(record, reader.get(), false);
          FProvider->RecordAdded(record);
        }
      }
      FProvider->EndLoadRecords();
    }
  }
  FView->DropState();
  FChanges |= dccLayout;
}

void TcxCustomDataController::UpdateFields() {
  for (int i = 0; i < FFields->Count(); ++i)
    FFields->Items(i)->Prepared = false;
  // Each pass prepares at least one field unless a FieldChanged adds or resets fields; a bound on the passes
  // turns a field that keeps changing the list into an error instead of an endless loop.
  int passes = 0;
  const int limit = 2 * FFields->Count() + 8;
  bool restart = true;
  while (restart) {
    if (++passes > limit)
      throw EcxInvalidDataControllerOperation(cxSDataFieldsChangingError);
    restart = false;
    FFields->Restart = false;
    for (int i = 0; i < FFields->Count(); ++i) {
      TcxCustomDataField* field = FFields->Items(i);
      if (field->Prepared)
        continue;
      FieldChanged(field);
      field->Prepared = true;
      if (FFields->Restart) {
        restart = true;
        break;
      }
    }
  }
}

void TcxCustomDataController::LayoutChanged(TcxDataControllerChanges AChanges) {
  if (FDestroying)
    return;
  // A pattern's layout is every clone's layout; the clones are dropped to be made again.
  if (FMasterRelation && FMasterRecordIndex == -1) {
    GetRootDataController()->NotifyDetailChanged(FMasterRelation->Item());
    return;
  }
  AddChanges(AChanges | dccLayout);
}

void TcxCustomDataController::UpdateItems(TcxDataControllerChanges AChanges) {
  if (GetDetailMode() == 2)
    AddChanges(AChanges | dccItems);
}

void TcxCustomDataController::Refresh() {
  TControllerUpdate update(*this);
  FView->AddChanges(dvcData | dvcSummary | (FView->SortingFieldList().Count() ? dvcSorting : 0) |
                    (FView->IsGrouped() ? dvcGrouping : 0));
}

int TcxCustomDataController::GetItemCount() {
  return FFields->ItemCount();
}

int TcxCustomDataController::GetItemID(TObject* AItem) {
  (void)AItem;
  return -1;
}

TObject* TcxCustomDataController::FindItemByID(int AID) {
  for (int i = 0; i < GetItemCount(); ++i)
    if (GetItemID(GetItem(i)) == AID)
      return GetItem(i);
  return nullptr;
}

void TcxCustomDataController::AddItem(TObject* AItem) {
  if (AItem && FFields->FieldByItem(AItem))
    throw EcxInvalidDataControllerOperation(cxSDataItemExistError);
  AddField()->SetItem(AItem);
}

void TcxCustomDataController::RemoveItem(TObject* AItem) {
  TcxCustomDataField* field = FFields->FieldByItem(AItem);
  if (!field)
    return;
  TControllerUpdate update(*this);
  RemoveField(field);
}

void TcxCustomDataController::UpdateItemIndexes() {
  for (int i = 0; i < GetItemCount(); ++i)
    if (TcxCustomDataField* field = FFields->FieldByItem(GetItem(i)))
      field->SetIndex(i);
  AddChanges(dccData);
}

TcxCustomDataField* TcxCustomDataController::AddField() {
  auto* field = NewInstance<TcxCustomDataField>(GetDataFieldClass(), FFields.get());
  FFields->Add(field);
  return field;
}

TcxCustomDataField* TcxCustomDataController::AddInternalField() {
  auto* field = NewInstance<TcxCustomDataField>(GetDataFieldClass(), FFields.get());
  field->SetInternal(true);
  FFields->Add(field);
  return field;
}

void TcxCustomDataController::RemoveField(TcxCustomDataField* AField) {
  TControllerUpdate update(*this);
  FView->RemoveField(AField);
  FSummary->RemoveFieldReferences(AField);
  FFilter->RemoveItemByItemLink(AField);
  FFilters->RemoveItemByItemLink(AField);
  if (FSearch->SearchField() == AField)
    FSearch->Cancel();
  if (FIncrementalFilterField == AField)
    FIncrementalFilterField = nullptr;
  FFields->Remove(AField);
  AField->Free();
}

TcxCustomDataField* TcxCustomDataController::GetItemField(int AItemIndex) {
  CheckItemRange(AItemIndex);
  return FFields->Items(AItemIndex);
}

int TcxCustomDataController::GetItemIndexOfField(const TcxCustomDataField* AField) const {
  int index = FFields->IndexOf(AField);
  return index < FFields->ItemCount() ? index : -1;
}

void TcxCustomDataController::CheckItemRange(int AItemIndex) {
  if (AItemIndex < 0 || AItemIndex >= GetItemCount())
    throw EcxInvalidDataControllerOperation(cxSDataItemIndexError);
}

void TcxCustomDataController::CheckRecordRange(int ARecordIndex) {
  if ((ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) &&
      !(ARecordIndex < 0 && ARecordIndex == FNewItemRecord))
    throw EcxInvalidDataControllerOperation(cxSDataRecordIndexError);
}

void TcxCustomDataController::ChangeItemFlag(int AItemIndex, bool AValue) {
  CheckItemRange(AItemIndex);
  // Compared with the field's own flag, so that a flag once set can be cleared again.
  if (AValue == GetItemFlag(AItemIndex))
    return;
  FFields->Items(AItemIndex)->Flag = AValue;
  FView->FieldStorageChanged(FFields->Items(AItemIndex));
}

bool TcxCustomDataController::GetItemFlag(int AItemIndex) {
  CheckItemRange(AItemIndex);
  return FFields->Items(AItemIndex)->Flag;
}

void TcxCustomDataController::ChangeItemTextStored(int AItemIndex, bool AValue) {
  CheckItemRange(AItemIndex);
  if (AValue == GetItemTextStored(AItemIndex))
    return;
  FFields->Items(AItemIndex)->SetTextStored(AValue);
  FView->FieldStorageChanged(FFields->Items(AItemIndex));
}

bool TcxCustomDataController::GetItemTextStored(int AItemIndex) {
  CheckItemRange(AItemIndex);
  return FFields->Items(AItemIndex)->TextStored();
}

void TcxCustomDataController::SetItemValueTypeClass(int AItemIndex, TcxValueTypeClass AValueTypeClass) {
  CheckItemRange(AItemIndex);
  TcxCustomDataField* field = FFields->Items(AItemIndex);
  if (field->ValueTypeClass() == AValueTypeClass)
    return;
  field->SetValueTypeClass(AValueTypeClass);
  FView->FieldStorageChanged(field);
}

TcxValueTypeClass TcxCustomDataController::GetItemValueTypeClass(int AItemIndex) {
  return GetItemField(AItemIndex)->ValueTypeClass();
}

int TcxCustomDataController::GetRecordCount() const {
  return FDataStorage->RecordCount();
}

void TcxCustomDataController::SetRecordCount(int ACount) {
  if (IsGridMode())
    return;
  if (ACount < 0)
    ACount = 0;
  int old = GetRecordCount();
  if (ACount == old)
    return;
  if (IsProviderMode()) {
    FProvider->SetRecordCount(ACount);
    return;
  }
  FView->SaveBeforeRecordsChange();
  if (ACount < old) {
    std::vector<int> gone;
    gone.reserve(std::size_t(old - ACount));
    for (int i = ACount; i < old; ++i)
      gone.push_back(i);
    RecordDeleted(gone);
  }
  FDataStorage->SetRecordCount(ACount);
  if (HasRelations())
    FDetails.resize(std::size_t(ACount));
  ForgetTrackedRecords(ACount);
  FView->DropState();
  CheckBookmarkValid(-1);
  ResetEditingRecordOnDelete(-1);
  DataChanged(ACount > old ? dcNew : dcDeleted, -1, -1);
}

void TcxCustomDataController::ForgetTrackedRecords(int AFrom, int AMark) {
  for (std::vector<int>* tracked : FTrackedRecords)
    for (int& record : *tracked)
      if (record >= AFrom)
        record = AMark;
}

int TcxCustomDataController::AppendRecord() {
  TFlagGuard guard(FInAppend, FAlive);
  FView->SaveBeforeRecordsChange();
  int index = FDataStorage->AppendRecord();
  if (HasRelations())
    FDetails.resize(std::size_t(GetRecordCount()));
  FProvider->RecordAdded(index);
  DataChanged(dcNew, -1, -1);
  return index;
}

void TcxCustomDataController::DeleteRecord(int ARecordIndex) {
  if (IsProviderMode())
    FProvider->DeleteRecord(ARecordIndex);
  FDataStorage->DeleteRecord(ARecordIndex);
}

void TcxCustomDataController::UpdateRecordValues(int ASource, int ARecordIndex) {
  TcxValueDefRecordReader reader(this, ASource);
  FDataStorage->ReadRecord(ARecordIndex, &reader, false);
  if (ARecordIndex >= 0)
    DataChanged(dcRecord, -1, -1);
}

Variant TcxCustomDataController::GetValue(int ARecordIndex, int AItemIndex) {
  CheckRecordRange(ARecordIndex);
  return GetStoredValue(ARecordIndex, GetItemField(AItemIndex));
}

void TcxCustomDataController::SetValue(int ARecordIndex, int AItemIndex, const Variant& AValue) {
  if (IsGridMode())
    return;
  CheckRecordRange(ARecordIndex);
  TcxCustomDataField* field = GetItemField(AItemIndex);
  if (IsProviderMode() && ARecordIndex >= 0)
    FProvider->SetValue(ARecordIndex, field, AValue);
  else if (field->ValueDef())
    FDataStorage->SetValue(ARecordIndex, field->ValueDef(), AValue);
  else
    return;
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

AnsiString TcxCustomDataController::GetDisplayTextByIndex(int ARecordIndex, int AItemIndex) {
  CheckRecordRange(ARecordIndex);
  return GetDisplayText(ARecordIndex, GetItemField(AItemIndex));
}

void TcxCustomDataController::SetDisplayText(int ARecordIndex, int AItemIndex, const AnsiString& AText) {
  if (IsGridMode())
    return;
  CheckRecordRange(ARecordIndex);
  TcxCustomDataField* field = GetItemField(AItemIndex);
  if (field->ValueDef())
    FDataStorage->SetDisplayText(ARecordIndex, field->ValueDef(), AText);
  else
    return;
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

Variant TcxCustomDataController::GetStoredValue(int ARecordIndex, TcxCustomDataField* AField) {
  if (IsProviderMode() && ARecordIndex >= 0 && !AField->IsInternal())
    return FProvider->GetValue(ARecordIndex, AField);
  if (AField && AField->ValueDef())
    return FDataStorage->GetValue(ARecordIndex, AField->ValueDef());
  return Null;
}

AnsiString TcxCustomDataController::GetDisplayText(int ARecordIndex, TcxCustomDataField* AField) {
  if (IsProviderMode() && ARecordIndex >= 0 && !AField->IsInternal())
    return FProvider->GetDisplayText(ARecordIndex, AField);
  if (AField && AField->ValueDef())
    return FDataStorage->GetDisplayText(ARecordIndex, AField->ValueDef());
  return AnsiString();
}

Variant TcxCustomDataController::GetRecordValuesByFields(int ARecordIndex,
                                                         const std::vector<TcxCustomDataField*>& AFields) {
  if (AFields.empty())
    return IsProviderMode() ? FProvider->GetRecordId(ARecordIndex) : Unassigned;
  if (AFields.size() == 1)
    return GetRecordFieldValue(ARecordIndex, AFields[0]);
  std::vector<Variant> values;
  for (TcxCustomDataField* field : AFields)
    values.push_back(GetRecordFieldValue(ARecordIndex, field));
  return VarArrayOf(values);
}

std::vector<Variant> TcxCustomDataController::GetGroupValues(int ARecordIndex) {
  TcxGroupingFieldList& grouping = FView->GroupingFieldList();
  std::vector<Variant> values(std::size_t(grouping.Count()));
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount())
    return values;
  for (int i = 0; i < grouping.Count(); ++i)
    values[std::size_t(i)] = GetStoredValue(ARecordIndex, grouping.Items(i).Field);
  return values;
}

Variant TcxCustomDataController::GetRecordId(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount())
    throw EcxInvalidDataControllerOperation(cxSDataRecordIndexError);
  if (FDataStorage->UseRecordID())
    return Variant(FDataStorage->GetRecordID(ARecordIndex));
  return Unassigned;
}

int TcxCustomDataController::GetNewItemRecordIndex() {
  if (FNewItemRecord == 0)
    FNewItemRecord = FDataStorage->AddInternalRecord();
  return FNewItemRecord;
}

void TcxCustomDataController::ResetNewItemRecord() {
  FNewItemRecord = 0;
}

void TcxCustomDataController::ReloadData() {
  TControllerUpdate update(*this);
  FProvider->ResetEditing();
  if (!IsUnboundMode()) {
    FView->SaveBeforeRecordsChange();
    FDataStorage->Clear(false);
    ForgetTrackedRecords(0, cxRecordsReloaded);
  }
  ClearBookmark();
  FView->DropState();
  // The records are read anew: an index of the focused record, or of the group row's first one, named a
  // record of the old ones and may name any record now. Controllers that know their records by key find the
  // focus again after the reload; others focus the record their data source stands on, or none.
  if (!IsUnboundMode())
    FView->FFocusingInfo.RecordIndex = FView->FFocusingInfo.Level = -1;
  if (!FProvider->CustomDataSource() && FKeyField) {
    TcxCustomDataField* keyField = FKeyField;
    FKeyField = nullptr;
    RemoveField(keyField);
  } else if (FProvider->CustomDataSource() && !FKeyField) {
    FKeyField = AddInternalField();
    FKeyField->SetValueTypeClass(TcxIntegerValueType::Instance());
  }
  FDataLoaded = true;
  CheckStructure();
}

TcxDataController::TcxDataController(TObject* AOwner) : TcxCustomDataController(AOwner) {
  UpdateStructure(1);
}

TcxSelectionChangedInfo::TcxSelectionChangedInfo(int ARow1, int ARow2) {
  if (ARow1 != -1)
    RowIndexes.push_back(ARow1);
  if (ARow2 != -1 && ARow2 != ARow1)
    RowIndexes.push_back(ARow2);
}

AnsiString TcxValueDefRecordReader::GetDisplayText(TcxValueDef* AValueDef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AValueDef->GetLinkObject());
  if (!field || field->IsInternal())
    return AnsiString();
  return FDataController->GetDisplayText(FRecordIndex, field);
}

Variant TcxValueDefRecordReader::GetValue(TcxValueDef* AValueDef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AValueDef->GetLinkObject());
  if (!field)
    return Null;
  return FDataController->GetStoredValue(FRecordIndex, field);
}

bool TcxValueDefRecordReader::IsSkippable(TcxValueDef* AValueDef) {
  auto* field = dynamic_cast<TcxCustomDataField*>(AValueDef->GetLinkObject());
  return field && field->IsInternal();
}
