#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

TcxCustomDataProvider::TcxCustomDataProvider(TcxCustomDataController* ADataController)
    : FDataController(ADataController) {}

TcxCustomDataProvider::~TcxCustomDataProvider() {
  if (FDataController->FDataStorage)
    for (int copy : {FSavedCopy, FEditStartCopy})
      if (copy != 0)
        FDataController->FDataStorage->DeleteRecord(copy);
  SetCustomDataSource(nullptr);
}

void TcxCustomDataProvider::CustomSort() {
  if (FCustomDataSource) {
    FCustomDataSource->CurrentProvider = this;
    FCustomDataSource->CustomSort();
  }
}

bool TcxCustomDataProvider::IsCustomSorting() {
  return FCustomDataSource && FCustomDataSource->IsCustomSorting();
}

bool TcxCustomDataProvider::IsKeyNavigation() {
  return FCustomDataSource && FCustomDataSource->IsKeyNavigation();
}

bool TcxCustomDataProvider::CanDelete() {
  return FDataController->GetRecordCount() > 0;
}

bool TcxCustomDataProvider::CanInitEditing(int ARecordIndex) {
  FDataController->CheckRecordRange(ARecordIndex);
  auto alive = FDataController->AliveToken();
  if (!IsEditing())
    DoEdit();
  if (!*alive)
    return false;
  if (IsEditing())
    SetChanging();
  return true;
}

void TcxCustomDataProvider::CheckChanging() {
  if (FInCheckChanging)
    return;
  TFlagGuard guard(FInCheckChanging, FDataController->AliveToken());
  if (IsChanging())
    FDataController->UpdateEditingRecord();
}

void TcxCustomDataProvider::BeginEditFocusedRecord() {
  TcxCustomDataController* dc = FDataController;
  int record = dc->GetRecordIndexToEdit();
  if (record == cxNoRecord)
    return;
  FEditingRecordIndex = record;
  if (record >= 0) {
    FRecordBefore = FRecordAfter = cxNoRecord;
    int row = dc->GetFocusedRowIndex();
    if (row >= 0) {
      int rowCount = dc->GetRowCount();
      if (row >= rowCount - 1)
        FRecordBefore = dc->GetRowInfo(row > 0 ? row - 1 : row).RecordIndex;
      else
        FRecordAfter = dc->GetRowInfo(row + 1).RecordIndex;
    }
  }
  if (record >= 0 && !IsInserting()) {
    TcxDataStorage& storage = dc->DataStorage();
    if (FEditStartCopy == 0)
      FEditStartCopy = storage.AddInternalRecord();
    TcxValueDefRecordReader reader(dc, FEditingRecordIndex);
    storage.ReadRecord(FEditStartCopy, &reader, false);
  }
  // A data source that edits on its own keeps the values to go back to; nothing is saved for it.
  if (IsActiveDataSet() && !dc->StartEditingInSource()) {
    dc->AddChanges(dccUpdateRecord);
    return;
  }
  if (!IsInserting()) {
    TcxDataStorage& storage = dc->DataStorage();
    if (FSavedCopy == 0)
      FSavedCopy = storage.AddInternalRecord();
    TcxValueDefRecordReader reader(dc, FEditingRecordIndex);
    storage.ReadRecord(FSavedCopy, &reader, false);
  }
  dc->AddChanges(dccUpdateRecord);
}

void TcxCustomDataProvider::InsertRecordEx(bool AAppend) {
  TcxCustomDataController* dc = FDataController;
  if (!IsActiveDataSet() && IsInserting() && !IsChanging() && !IsModified())
    return;
  auto alive = dc->AliveToken();
  if (IsEditing() && (IsChanging() || IsModified())) {
    if (IsChanging())
      PostEditingData();
    Post();
    if (!*alive)
      return;
  }
  dc->DoBeforeInsert();
  if (!*alive)
    return;
  {
    TControllerUpdate lock(*dc);
    if (!AAppend)
      dc->ClearSelection();
    std::vector<Variant> groupValues;
    int record;
    if (AAppend) {
      int rows = dc->GetRowCount();
      if (rows > 0)
        groupValues = dc->GetGroupValues(dc->GetRowInfo(rows - 1).RecordIndex);
      record = dc->AppendRecord();
      FEditingRecordIndex = record;
      FRecordBefore = record;
      FRecordAfter = cxNoRecord;
    } else {
      int row = dc->GetFocusedRowIndex();
      int before = row >= 0 ? dc->GetRowInfo(row).RecordIndex : 0;
      if (before < 0 || before > dc->GetRecordCount())
        before = 0;
      // With no record to take them from, the new record's group values stay Null.
      if (before < dc->GetRecordCount())
        groupValues = dc->GetGroupValues(before);
      record = dc->InsertRecord(before);
      FEditingRecordIndex = record;
      FRecordBefore = cxNoRecord;
      FRecordAfter = before >= record ? before + 1 : before;
    }
    FInserting = true;
    InitInsertingRecord(record, groupValues);
    if (!*alive)
      return;
    ResetChanging();
  }
  if (!*alive)
    return;
  dc->ChangeFocusedRecordIndex(FEditingRecordIndex);
  if (*alive)
    dc->DoAfterInsert();
}

void TcxCustomDataProvider::InitInsertingRecord(int ARecordIndex, const std::vector<Variant>& AGroupValues) {
  TcxCustomDataController* dc = FDataController;
  TcxGroupingFieldList& grouping = dc->View().GroupingFieldList();
  if (grouping.Count() > 0 && (dc->GetOptions() & dcoAssignGroupingValues))
    for (int level = 0; level < grouping.Count() && level < int(AGroupValues.size()); ++level)
      SetRecordValue(ARecordIndex, grouping.Items(level).Field, AGroupValues[std::size_t(level)]);
  dc->DoNewRecord(ARecordIndex);
}

void TcxCustomDataProvider::SetRecordValue(int ARecordIndex, TcxCustomDataField* AField,
                                           const Variant& AValue) {
  int item = FDataController->GetItemIndexOfField(AField);
  if (item >= 0)
    FDataController->SetValue(ARecordIndex, item, AValue);
}

void TcxCustomDataProvider::Post() {
  TcxCustomDataController* dc = FDataController;
  auto alive = dc->AliveToken();
  CheckChanging();
  int posted;
  // An untouched new record is not stored but taken away, as a cancel does, and the focus then follows the
  // rule of a cancel too.
  const bool untouched = IsInserting() && !IsModified();
  const int focusedRow = dc->GetFocusedRowIndex();
  if (untouched) {
    Cancel();
    if (!*alive)
      return;
    posted = -1;
  } else {
    dc->DoBeforePost();
    if (!*alive)
      return;
    posted = FEditingRecordIndex;
    ResetEditing();
  }
  LastPostedRecordIndex = posted;
  DataChanged(dcRecord, -1, posted);
  if (!*alive)
    return;
  if (untouched)
    dc->FocusRowAfterCancel(focusedRow);
  else
    dc->DoAfterPost();
}

void TcxCustomDataProvider::Cancel() {
  TcxCustomDataController* dc = FDataController;
  auto alive = dc->AliveToken();
  dc->DoBeforeCancel();
  if (!*alive)
    return;
  {
    TControllerUpdate lock(*dc);
    int record = FEditingRecordIndex;
    if (IsEditing() && (record < dc->GetRecordCount() || record == dc->FNewItemRecord) && *alive) {
      if (IsInserting()) {
        int focused = dc->GetFocusedRecordIndex();
        {
          TFlagGuard deleting(dc->DeletingNewRecord, alive);
          if (record >= 0)
            dc->RemoveRecord(record);
        }
        if (focused >= dc->GetRecordCount() && focused > 0)
          dc->ChangeFocusedRecordIndex(focused - 1);
      } else if (FSavedCopy != 0 && record != cxNoRecord) {
        TcxDataStorage& storage = dc->DataStorage();
        TcxValueDefRecordReader reader(dc, FSavedCopy);
        storage.ReadRecord(record, &reader, false);
        if (record >= 0)
          dc->DataChanged(dcRecord, -1, record);
      }
    }
    if (!*alive)
      return;
    ResetEditing();
  }
  if (*alive)
    dc->DoAfterCancel();
}

void TcxCustomDataProvider::ResetEditing() {
  TcxCustomDataController* dc = FDataController;
  if (FEditingRecordIndex < 0 && FEditingRecordIndex != cxNoRecord &&
      FEditingRecordIndex == dc->FNewItemRecord) {
    dc->DataStorage().DeleteRecord(dc->FNewItemRecord);
    dc->ResetNewItemRecord();
  }
  FEditingRecordIndex = FRecordBefore = FRecordAfter = cxNoRecord;
  FInserting = false;
  ResetChanging();
  ResetModified();
  for (int* copy : {&FSavedCopy, &FEditStartCopy})
    if (*copy != 0) {
      dc->DataStorage().DeleteRecord(*copy);
      *copy = 0;
    }
}

Variant TcxCustomDataProvider::GetEditValue(int ARecordIndex, TcxCustomDataField* AField,
                                            TcxDataEditValueSource AEditValueSource) {
  (void)AEditValueSource;
  if (ARecordIndex == cxNoRecord)
    throw EcxInvalidDataControllerOperation(cxSDataRecordIndexError);
  return FDataController->GetStoredValue(ARecordIndex, AField);
}

bool TcxCustomDataProvider::SetEditValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                                         TcxDataEditValueSource AEditValueSource) {
  int item = FDataController->GetItemIndexOfField(AField);
  Variant value = AValue;
  if (AEditValueSource == evsText && VarToStr(AValue).empty())
    value = Null;
  auto alive = FDataController->AliveToken();
  if (item >= 0)
    FDataController->SetValue(ARecordIndex, item, value);
  if (!*alive)
    return false;
  SetModified();
  return true;
}

void TcxCustomDataProvider::PostEditingData() {
  CheckChanging();
  ResetChanging();
}

void TcxCustomDataProvider::Delete() {
  TcxCustomDataController* dc = FDataController;
  int record = dc->GetFocusedRecordIndex();
  if (record < 0)
    return;
  auto alive = dc->AliveToken();
  // The handler may insert or delete records: the delete reaches the record it was asked for wherever that
  // record is afterwards, or none when the handler took it away.
  TTrackedRecords tracked(*dc, {record});
  dc->DoBeforeDelete(record);
  if (!*alive)
    return;
  record = tracked.Records[0];
  if (record >= 0)
    dc->RemoveRecord(record);
  if (!*alive)
    return;
  dc->FocusAfterDelete();
  if (*alive && record >= 0)
    dc->DoAfterDelete();
}

void TcxCustomDataProvider::DeleteRecords(std::vector<int>& AList) {
  TcxCustomDataController* dc = FDataController;
  auto alive = dc->AliveToken();
  {
    TControllerUpdate lock(*dc);
    // The before-delete handler runs per record, the removal itself once for the whole list; the records
    // are followed through what the handlers do to the records meanwhile.
    TTrackedRecords tracked(*dc, AList);
    for (std::size_t i = AList.size(); i-- > 0;) {
      if (tracked.Records[i] < 0)
        continue;
      dc->DoBeforeDelete(tracked.Records[i]);
      if (!*alive)
        return;
    }
    AList.clear();
    for (int record : tracked.Records)
      if (record >= 0)
        AList.push_back(record);
    dc->DeleteRecordList(AList);
  }
  if (!*alive)
    return;
  for (std::size_t i = 0; i < AList.size() && *alive; ++i)
    dc->DoAfterDelete();
  if (*alive)
    dc->FocusAfterDelete();
}

void TcxCustomDataProvider::DeleteSelection() {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataControllerInfo& view = dc->View();
  std::vector<int> records;
  for (int i = 0; i < dc->GetSelectedCount(); ++i) {
    int first, last;
    view.GetRowListRange(dc->GetSelectedRowIndex(i), first, last);
    for (int li = first; li <= last; ++li)
      records.push_back(view.GetRecordListRecord(li));
  }
  auto alive = dc->AliveToken();
  {
    TFlagGuard deleting(dc->DeletingSelection, alive);
    dc->DeleteRecords(records);
  }
  if (*alive)
    dc->ClearSelection();
}

void TcxCustomDataProvider::SaveFocusAfterDelete() {
  TcxCustomDataController* dc = FDataController;
  if (IsGridMode() || dc->GetFocusedRowIndex() < 0)
    return;
  int focused = dc->GetFocusedRowIndex();
  int row;
  if (dc->MultiSelect() && !dc->IsRowSelected(focused) && dc->GetSelectedCount() > 0)
    row = focused;
  else
    row = dc->View().GetNearestRowIndex(focused);
  if (row >= 0 && row < dc->GetRowCount())
    dc->RecordToFocusAfterDelete = dc->GetRowInfo(row).RecordIndex;
}

void TcxCustomDataProvider::ResetFocusAfterDelete() {
  FDataController->RecordToFocusAfterDelete = -1;
}

int TcxCustomDataProvider::AppendRecord() {
  if (!FCustomDataSource)
    return -1;
  FCustomDataSource->CurrentProvider = this;
  int handle = FCustomDataSource->AppendRecord();
  int index = GetRecordIndexByHandle(handle);
  return index != -1 ? index : AddRecordHandle(handle);
}

void TcxCustomDataProvider::DeleteRecord(int ARecordIndex) {
  if (!FCustomDataSource)
    return;
  FCustomDataSource->CurrentProvider = this;
  FCustomDataSource->DeleteRecord(GetRecordHandleByIndex(ARecordIndex));
}

int TcxCustomDataProvider::InsertRecord(int ARecordIndex) {
  if (!FCustomDataSource)
    return -1;
  FCustomDataSource->CurrentProvider = this;
  int handle = FCustomDataSource->CanInsertRecord()
                   ? FCustomDataSource->InsertRecord(GetRecordHandleByIndex(ARecordIndex))
                   : FCustomDataSource->AppendRecord();
  int index = GetRecordIndexByHandle(handle);
  return index != -1 ? index : AddRecordHandle(handle);
}

Variant TcxCustomDataProvider::GetValue(int ARecordIndex, TcxCustomDataField* AField) {
  if (!FCustomDataSource)
    return Unassigned;
  FCustomDataSource->CurrentProvider = this;
  Variant value;
  FCustomDataSource->GetValue(GetRecordHandleByIndex(ARecordIndex),
                              FCustomDataSource->GetItemHandle(FDataController->GetItemIndexOfField(AField)),
                              value);
  return value;
}

void TcxCustomDataProvider::SetValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue) {
  if (!FCustomDataSource)
    return;
  FCustomDataSource->CurrentProvider = this;
  FCustomDataSource->SetValue(GetRecordHandleByIndex(ARecordIndex),
                              FCustomDataSource->GetItemHandle(FDataController->GetItemIndexOfField(AField)),
                              AValue);
}

AnsiString TcxCustomDataProvider::GetDisplayText(int ARecordIndex, TcxCustomDataField* AField) {
  AnsiString text;
  if (!FCustomDataSource)
    return text;
  FCustomDataSource->CurrentProvider = this;
  FCustomDataSource->GetDisplayText(
      GetRecordHandleByIndex(ARecordIndex),
      FCustomDataSource->GetItemHandle(FDataController->GetItemIndexOfField(AField)), text);
  return text;
}

Variant TcxCustomDataProvider::GetRecordId(int ARecordIndex) {
  if (!FCustomDataSource)
    return Unassigned;
  Variant value;
  FCustomDataSource->GetRecordId(GetRecordHandleByIndex(ARecordIndex), value);
  return value;
}

int TcxCustomDataProvider::CompareValues(int ARecordIndex1, int ARecordIndex2, TcxCustomDataField* AField) {
  TcxCustomDataController* dc = FDataController;
  if (ARecordIndex1 < 0 && ARecordIndex2 < 0)
    return dc->DataStorage().CompareRecords(ARecordIndex1, ARecordIndex2, AField->ValueDef());
  Variant v1 = dc->GetStoredValue(ARecordIndex1, AField);
  Variant v2 = dc->GetStoredValue(ARecordIndex2, AField);
  return StrictVarCompare(v1, v2);
}

void TcxCustomDataProvider::SetRecordCount(int ACount) {
  if (FCustomDataSource)
    FCustomDataSource->SetRecordCount(ACount);
}

void TcxCustomDataProvider::LayoutChanged() {
  FDataController->UpdateStructure(0);
  ResetEditing();
}

void TcxCustomDataProvider::DataChanged(TcxDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  auto alive = FDataController->AliveToken();
  if (FNotifyLockCount == 0)
    FDataController->DataChanged(AKind, AItemIndex, ARecordIndex);
  if (*alive)
    ResetEditing();
}

void TcxCustomDataProvider::DataScrolled(int ADistance) {
  (void)ADistance;
  ResetChanging();
}

void TcxCustomDataProvider::SetCustomDataSource(TcxUserDataSource* AValue) {
  if (AValue == FCustomDataSource || (AValue && !IsUnboundMode()))
    return;
  if (FCustomDataSource)
    std::erase(FCustomDataSource->Providers, this);
  FCustomDataSource = AValue;
  if (AValue)
    AValue->Providers.push_back(this);
  if (!FDataController->IsDestroying() && !FDataController->IsLoading())
    FDataController->ReloadData();
}

int TcxCustomDataProvider::AddRecordHandle(int AHandle) {
  TcxCustomDataField* keyField = FDataController->KeyField();
  if (!keyField || !keyField->ValueDef())
    throw EcxInvalidDataControllerOperation(cxSDataRecordIndexError);
  TcxDataStorage& storage = FDataController->DataStorage();
  int index = storage.AppendRecord();
  storage.SetValue(index, keyField->ValueDef(), Variant(AHandle));
  return index;
}

int TcxCustomDataProvider::GetRecordIndexByHandle(int AHandle) {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataField* keyField = dc->KeyField();
  if (!keyField || !keyField->ValueDef())
    return -1;
  for (int i = 0; i < dc->GetRecordCount(); ++i) {
    Variant v = dc->DataStorage().GetValue(i, keyField->ValueDef());
    if (!v.IsNull() && v.AsInteger() == AHandle)
      return i;
  }
  return -1;
}

int TcxCustomDataProvider::GetRecordHandleByIndex(int ARecordIndex) {
  TcxCustomDataController* dc = FDataController;
  TcxCustomDataField* keyField = dc->KeyField();
  if (!keyField)
    return ARecordIndex;
  if (!keyField->ValueDef() || ARecordIndex < 0 || ARecordIndex >= dc->GetRecordCount())
    return -1;
  Variant v = dc->DataStorage().GetValue(ARecordIndex, keyField->ValueDef());
  return v.IsNull() ? -1 : v.AsInteger();
}

TcxUserDataSource::~TcxUserDataSource() {
  while (!Providers.empty())
    Providers.back()->SetCustomDataSource(nullptr);
}

void TcxUserDataSource::GetDisplayText(int ARecordHandle, int AItemHandle, AnsiString& AText) {
  Variant value;
  GetValue(ARecordHandle, AItemHandle, value);
  AText = VarToStr(value);
}

bool TcxUserDataSource::GetValueAssigned(int ARecordHandle, int AItemHandle, Variant& AValue) {
  GetValue(ARecordHandle, AItemHandle, AValue);
  return !AValue.IsNull() && !AValue.IsEmpty();
}

void TcxUserDataSource::GetValue(int ARecordHandle, int AItemHandle, Variant& AValue) {
  (void)ARecordHandle, (void)AItemHandle;
  AValue = Null;
}

int TcxUserDataSource::CompareRecords(int ARecordHandle1, int ARecordHandle2, int AItemHandle) {
  Variant a, b;
  GetValue(ARecordHandle1, AItemHandle, a);
  GetValue(ARecordHandle2, AItemHandle, b);
  return StrictVarCompare(a, b);
}

void TcxUserDataSource::SetValue(int ARecordHandle, int AItemHandle, const Variant& AValue) {
  (void)ARecordHandle, (void)AItemHandle, (void)AValue;
}
