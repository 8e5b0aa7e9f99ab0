#include "platform/db/DBDataSource.h"

#include <algorithm>

#include "platform/db/DBDataSet_Internal.h"

TDataSource::~TDataSource() {
  while (!FDataLinks.empty())
    FDataLinks.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* AValue) {
  if (FDataSet == AValue)
    return;
  if (FDataSet) {
    std::erase(FDataSet->FDataSources, this);
    RemoveFreeNotification(FDataSet);
    FDataSet->UpdateBufferCount();
  }
  FDataSet = AValue;
  if (FDataSet) {
    FDataSet->FDataSources.push_back(this);
    FreeNotification(FDataSet);
    FDataSet->UpdateBufferCount();
  }
  UpdateState();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FDataSet) {
    std::erase(FDataSet->FDataSources, this);
    FDataSet = nullptr;
    UpdateState();
  }
  TComponent::Notification(AComponent, Operation);
}

void TDataSource::SetEnabled(bool AValue) {
  if (FEnabled == AValue)
    return;
  FEnabled = AValue;
  UpdateState();
}

void TDataSource::Edit() {
  if (AutoEdit && FState == dsBrowse && FDataSet)
    FDataSet->Edit();
}

void TDataSource::UpdateState() {
  SetState(FEnabled && FDataSet ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState AValue) {
  if (FState == AValue)
    return;
  FState = AValue;
  NotifyLinks(deUpdateState, 0);
  if (OnStateChange)
    OnStateChange(this);
}

void TDataSource::NotifyLinks(TDataEvent AEvent, std::intptr_t AInfo) {
  dbdataset_internal::ForEachListed(FDataLinks, [&](TDataLink* ALink) { ALink->DataEvent(AEvent, AInfo); });
}

void TDataSource::DataEvent(TDataEvent AEvent, std::intptr_t AInfo) {
  if (AEvent == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive)
    return;
  NotifyLinks(AEvent, AInfo);
  switch (AEvent) {
  case deFieldChange:
  case deRecordChange:
  case deDataSetChange:
  case deDataSetScroll:
  case deLayoutChange:
    if (OnDataChange)
      OnDataChange(this, AEvent == deFieldChange ? reinterpret_cast<TField*>(AInfo) : nullptr);
    break;
  case deUpdateRecord:
    if (OnUpdateData)
      OnUpdateData(this);
    break;
  default:
    break;
  }
}

void TDataSource::AddDataLink(TDataLink* ALink) {
  FDataLinks.push_back(ALink);
  ALink->FDataSource = this;
  if (FDataSet)
    FDataSet->UpdateBufferCount();
  ALink->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* ALink) {
  std::erase(FDataLinks, ALink);
  ALink->FDataSource = nullptr;
  ALink->UpdateState();
  if (FDataSet)
    FDataSet->UpdateBufferCount();
}

TDataLink::~TDataLink() {
  if (FDataSource) {
    std::erase(FDataSource->FDataLinks, this);
    if (FDataSource->FDataSet)
      FDataSource->FDataSet->UpdateBufferCount();
  }
}

void TDataLink::SetDataSource(TDataSource* AValue) {
  if (FDataSource == AValue)
    return;
  if (FDataSource)
    FDataSource->RemoveDataLink(this);
  if (AValue)
    AValue->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const {
  return FDataSource ? FDataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool AValue) {
  if (FReadOnly == AValue)
    return;
  FReadOnly = AValue;
  UpdateState();
}

void TDataLink::SetBufferCount(int AValue) {
  if (AValue < 1)
    throw EDatabaseError("A data link shows at least one record");
  if (FBufferCount == AValue)
    return;
  FBufferCount = AValue;
  if (!FActive)
    return;
  TDataSet* ds = DataSet();
  ds->UpdateBufferCount();
  UpdateRange(0);
}

int TDataLink::RecordCount() const {
  if (!FActive)
    return 0;
  int count = DataSet()->FRecordCount - FFirstRecord;
  return std::clamp(count, 0, FBufferCount);
}

int TDataLink::ActiveRecord() const {
  if (!FActive || FDataSource->State() == dsSetKey)
    return 0;
  return DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int AValue) {
  if (FActive && FDataSource->State() != dsSetKey)
    DataSet()->SetActiveRecord(AValue + FFirstRecord);
}

bool TDataLink::Bof() const {
  return !FActive || DataSet()->Bof();
}

bool TDataLink::Eof() const {
  return !FActive || DataSet()->Eof();
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource)
    FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  FUpdating = true;
  struct TReset {
    bool& F;
    ~TReset() { F = false; }
  } reset{FUpdating};
  UpdateData();
}

int TDataLink::MoveBy(int ADistance) {
  return FActive ? DataSet()->MoveBy(ADistance) : 0;
}

void TDataLink::UpdateState() {
  SetActive(FDataSource && FDataSource->State() != dsInactive);
  SetEditing(FDataSource && IsEditState(FDataSource->State()) && !FReadOnly);
}

void TDataLink::SetActive(bool AValue) {
  if (FActive == AValue)
    return;
  FActive = AValue;
  if (AValue) {
    DataSet()->UpdateBufferCount();
    FFirstRecord = 0;
    UpdateRange(0);
  } else {
    FFirstRecord = 0;
  }
  ActiveChanged();
}

void TDataLink::SetEditing(bool AValue) {
  if (FEditing == AValue)
    return;
  FEditing = AValue;
  EditingChanged();
}

int TDataLink::UpdateRange(int AShift) {
  TDataSet* ds = DataSet();
  int first = FFirstRecord + AShift;
  int last = first + FBufferCount - 1;
  int active = ds->FActiveRecord;
  int count = 0;
  if (active > last)
    count = active - last;
  else if (active < first)
    count = active - first;
  FFirstRecord = std::max(0, first + count);
  return count;
}

void TDataLink::DataEvent(TDataEvent AEvent, std::intptr_t AInfo) {
  switch (AEvent) {
  case deUpdateState:
    UpdateState();
    break;
  case deFieldChange:
  case deRecordChange:
    if (!FUpdating)
      RecordChanged(AEvent == deFieldChange ? reinterpret_cast<TField*>(AInfo) : nullptr);
    break;
  case deDataSetChange:
  case deDataSetScroll:
  case deLayoutChange: {
    int count =
        FDataSource->State() == dsSetKey ? 0 : UpdateRange(AEvent == deDataSetScroll ? int(AInfo) : 0);
    if (AEvent == deDataSetChange)
      DataSetChanged();
    else if (AEvent == deDataSetScroll)
      DataSetScrolled(count);
    else
      LayoutChanged();
    break;
  }
  case deUpdateRecord:
    UpdateRecord();
    break;
  case deCheckBrowseMode:
    CheckBrowseMode();
    break;
  case deFocusControl: {
    TField* field = reinterpret_cast<TField*>(AInfo);
    FocusControl(field);
    break;
  }
  default:
    break;
  }
}
