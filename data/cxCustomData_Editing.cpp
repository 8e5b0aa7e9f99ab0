#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

void TcxCustomDataController::DoBeforeInsert() {
  if (OnBeforeInsert)
    OnBeforeInsert(this);
}
void TcxCustomDataController::DoAfterInsert() {
  if (OnAfterInsert)
    OnAfterInsert(this);
}
void TcxCustomDataController::DoBeforePost() {
  if (OnBeforePost)
    OnBeforePost(this);
}
void TcxCustomDataController::DoAfterPost() {
  if (OnAfterPost)
    OnAfterPost(this);
}
void TcxCustomDataController::DoBeforeCancel() {
  if (OnBeforeCancel)
    OnBeforeCancel(this);
}
void TcxCustomDataController::DoAfterCancel() {
  if (OnAfterCancel)
    OnAfterCancel(this);
}
void TcxCustomDataController::DoBeforeDelete(int ARecordIndex) {
  if (OnBeforeDelete)
    OnBeforeDelete(this, ARecordIndex);
}
void TcxCustomDataController::DoAfterDelete() {
  if (OnAfterDelete)
    OnAfterDelete(this);
}
void TcxCustomDataController::DoNewRecord(int ARecordIndex) {
  if (OnNewRecord)
    OnNewRecord(this, ARecordIndex);
}
bool TcxCustomDataController::DoFilterRecord(int ARecordIndex) {
  bool accept = true;
  if (OnFilterRecord)
    OnFilterRecord(this, ARecordIndex, accept);
  return accept;
}

void TcxCustomDataController::Append() {
  if (FProvider->CanAppend())
    FProvider->Append();
}

void TcxCustomDataController::Insert() {
  if (FProvider->CanInsert())
    FProvider->Insert();
}

void TcxCustomDataController::Edit() {
  if (FProvider->CanModify())
    FProvider->Edit();
}

void TcxCustomDataController::Post() {
  auto alive = FAlive;
  TFlagGuard guard(FPostOrRefresh, alive);
  if (FProvider->IsEditing())
    FProvider->Post();
  if (*alive)
    FProvider->LastPostedRecordIndex = -1;
}

void TcxCustomDataController::Cancel() {
  auto alive = FAlive;
  int row = GetFocusedRowIndex();
  if (FProvider->IsEditing())
    FProvider->Cancel();
  if (*alive)
    FocusRowAfterCancel(row);
}

void TcxCustomDataController::FocusRowAfterCancel(int ARowIndex) {
  ARowIndex = std::min(ARowIndex, GetRowCount() - 1);
  if (ARowIndex >= 0)
    ChangeFocusedRowIndex(ARowIndex);
}

void TcxCustomDataController::CancelAndRefresh() {
  auto alive = FAlive;
  FPostOrRefresh = true;
  Cancel();
  if (!*alive)
    return;
  FPostOrRefresh = false;
  Refresh();
  if (!*alive)
    return;
  CheckBookmarkValid(-1);
  RecomputeSelectionChange();
}

void TcxCustomDataController::RecomputeSelectionChange() {
  if (FSelectionChangePending == 1) {
    FSelectionChangePending = GetSelectedCount();
    FSelectionChangePendingRow = FSelectionChangePending == 1 ? GetSelectedRowIndex(0) : -1;
  }
}

bool TcxCustomDataController::CanEditItem(int AItemIndex) {
  TcxCustomDataField* field = GetItemField(AItemIndex);
  if (!FProvider->CanModify() && !field->CanModify(evsValue))
    return false;
  if (!field->CanModify(evsValue))
    return false;
  // With no record to edit the provider raises instead of answering False: an edit started on nothing is the
  // caller's error and must not pass unnoticed.
  return FProvider->CanInitEditing(GetEditingRecordIndex());
}

bool TcxCustomDataController::SetEditValue(int AItemIndex, const Variant& AValue,
                                           TcxDataEditValueSource AEditValueSource) {
  if (!CanEditItem(AItemIndex))
    return false;
  bool result =
      FProvider->SetEditValue(GetEditingRecordIndex(), FFields->Items(AItemIndex), AValue, AEditValueSource);
  if (result && IsImmediatePost())
    Post();
  return result;
}

bool TcxCustomDataController::NewItemRowFocused() const {
  return FNewItemRowEnabled && FNewItemRowFocused && GetFocusedRowIndex() == -1;
}

void TcxCustomDataController::SetNewItemRowFocused(bool AValue) {
  if (AValue && !FNewItemRowEnabled)
    return;
  if (AValue && GetFocusedRowIndex() != -1 && !ChangeFocusedRowIndex(-1))
    return;
  FNewItemRowFocused = AValue;
}

void TcxCustomDataController::GetNewItemRowValue(int AItemIndex, TcxDataEditValueSource ASource,
                                                 Variant& AValue) {
  CheckItemRange(AItemIndex);
  if (NewItemRowFocused() && !FProvider->IsEditing()) {
    AValue = Null;
    return;
  }
  AValue = FProvider->GetEditValue(GetEditingRecordIndex(), FFields->Items(AItemIndex), ASource);
}

int TcxCustomDataController::GetRecordIndexToEdit() {
  if (NewItemRowFocused())
    return GetNewItemRecordIndex();
  int record = GetFocusedRecordIndex();
  if (record >= 0 && GetFocusedRowIndex() >= 0 &&
      GetRowInfo(GetFocusedRowIndex()).Level >= FView->Groups().LevelCount())
    return record;
  if (record >= 0 && !FView->IsGrouped())
    return record;
  return cxNoRecord;
}

int TcxCustomDataController::GetEditingRecordIndex() {
  int record = FProvider->EditingRecordIndex();
  return record != cxNoRecord ? record : GetRecordIndexToEdit();
}

TcxDataControllerEditOperations TcxCustomDataController::GetEditOperations() {
  TcxDataControllerEditOperations result = 0;
  if (FProvider->CanAppend())
    result |= dceoAppend;
  if (FProvider->CanDelete())
    result |= dceoDelete;
  if (FProvider->CanModify())
    result |= dceoEdit;
  if (FProvider->CanInsert())
    result |= dceoInsert;
  if (!FProvider->IsActiveDataSet() || FProvider->IsSyncMode())
    result |= dceoShowEdit;
  return result;
}

TcxDataControllerEditState TcxCustomDataController::GetEditState() {
  TcxDataControllerEditState result = 0;
  if (FProvider->IsInserting())
    result |= dceInsert;
  else if (FProvider->IsEditing())
    result |= dceEdit;
  if (result) {
    if (FProvider->IsChanging())
      result |= dceChanging;
    if (FProvider->IsModified())
      result |= dceModified;
  }
  return result;
}

void TcxCustomDataController::ResetEditingRecordOnDelete(int ARecordIndex) {
  int editing = FProvider->EditingRecordIndex();
  if (editing == cxNoRecord || editing < 0)
    return;
  // Only the record's own delete ends its edit: a delete of records before it moves it down, and the edit
  // follows it there (DeleteRecordList).
  if (ARecordIndex == editing || GetRecordCount() <= editing)
    FProvider->ResetEditing();
}

int TcxCustomDataController::InsertRecord(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex > GetRecordCount())
    throw EcxInvalidDataControllerOperation(cxSDataRecordIndexError);
  if (IsProviderMode())
    return FProvider->InsertRecord(ARecordIndex);
  FView->SaveBeforeRecordsChange();
  FDataStorage->InsertRecord(ARecordIndex);
  // References to records at or behind the new one move up with them.
  auto shift = [&](int& record) {
    if (record >= ARecordIndex)
      ++record;
  };
  shift(FView->FFocusingInfo.RecordIndex);
  shift(FView->FPrevFocusingInfo.RecordIndex);
  for (TcxDataSelectedItem& item : FView->FSelection->ItemsList())
    if (item.Level >= 0)
      shift(item.RecordIndex);
  shift(FBookmark);
  shift(RecordToFocusAfterDelete);
  for (std::vector<int>* tracked : FTrackedRecords)
    for (int& record : *tracked)
      shift(record);
  if (FProvider->FEditingRecordIndex != cxNoRecord)
    shift(FProvider->FEditingRecordIndex);
  shift(FProvider->FRecordBefore);
  shift(FProvider->FRecordAfter);
  RecordInserted(ARecordIndex);
  FView->DropState();
  DataChanged(dcNew, -1, -1);
  return ARecordIndex;
}

void TcxCustomDataController::RemoveRecord(int ARecordIndex) {
  std::vector<int> list{ARecordIndex};
  DeleteRecordList(list);
}

void TcxCustomDataController::DeleteRecordList(std::vector<int>& AList) {
  std::sort(AList.begin(), AList.end());
  AList.erase(std::unique(AList.begin(), AList.end()), AList.end());
  for (int record : AList)
    CheckRecordRange(record);
  std::erase_if(AList, [](int r) { return r < 0; });
  if (AList.empty())
    return;
  // Deleting the record in edit ends the edit whole (RecordDeleted): a new record's flag left behind would
  // make the next edit an insert, whose cancel removes the record.
  const int editing = FProvider->EditingRecordIndex();
  HandOverEditingNeighbours(AList);
  // The view keeps its groups by the values of their records, which a source no longer has once told to
  // delete them.
  FView->SaveBeforeRecordsChange(AList);
  if (IsProviderMode())
    for (int record : AList)
      FProvider->DeleteRecord(record);
  RecordDeleted(AList);
  FDataStorage->DeleteRecords(AList);
  // References to records behind the deleted ones move down with them.
  auto shift = [&](int record) {
    if (record < 0)
      return record;
    auto it = std::lower_bound(AList.begin(), AList.end(), record);
    if (it != AList.end() && *it == record)
      return -1;
    return record - int(it - AList.begin());
  };
  TcxDataFocusingInfo& focus = FView->FFocusingInfo;
  focus.RecordIndex = shift(focus.RecordIndex);
  FView->FPrevFocusingInfo.RecordIndex = shift(FView->FPrevFocusingInfo.RecordIndex);
  for (TcxDataSelectedItem& item : FView->FSelection->ItemsList())
    if (item.Level >= 0)
      item.RecordIndex = shift(item.RecordIndex);
  std::erase_if(FView->FSelection->ItemsList(),
                [](const TcxDataSelectedItem& item) { return item.Level >= 0 && item.RecordIndex < 0; });
  if (FBookmark >= 0)
    FBookmark = shift(FBookmark);
  for (std::vector<int>* tracked : FTrackedRecords)
    for (int& record : *tracked)
      record = shift(record);
  if (RecordToFocusAfterDelete >= 0)
    RecordToFocusAfterDelete -=
        int(std::upper_bound(AList.begin(), AList.end(), RecordToFocusAfterDelete) - AList.begin());
  if (editing >= 0 && FProvider->FEditingRecordIndex == editing) {
    FProvider->FEditingRecordIndex = shift(editing);
    for (int* neighbour : {&FProvider->FRecordBefore, &FProvider->FRecordAfter})
      if (*neighbour != cxNoRecord)
        *neighbour = shift(*neighbour);
  }
  FView->DropState();
  CheckBookmarkValid(-1);
  DataChanged(dcDeleted, -1, -1);
}

void TcxCustomDataController::HandOverEditingNeighbours(const std::vector<int>& AGoing) {
  TcxCustomDataProvider& provider = *FProvider;
  const int editing = provider.FEditingRecordIndex;
  auto goes = [&](int ARecord) { return std::binary_search(AGoing.begin(), AGoing.end(), ARecord); };
  if (editing < 0 || goes(editing))
    return;
  int& before = provider.FRecordBefore;
  int& after = provider.FRecordAfter;
  if (!(after != cxNoRecord && goes(after)) && !(before != cxNoRecord && goes(before)))
    return;
  // The record in edit keeps its place in the view beside a neighbour: the record below it, or, at the end,
  // the one above. A neighbour that goes hands the place over to the nearest record that stays, below
  // first as the place is kept by the record below. Without a view of the current records there is no
  // place to keep, and the record takes its sorted one.
  const int at = (FView->Changes() & dvcData) ? -1 : FView->GetListIndexByRecord(editing);
  const int count = FView->GetRecordListCount();
  int below = cxNoRecord, above = cxNoRecord;
  for (int li = at + 1; at >= 0 && li < count && below == cxNoRecord; ++li)
    if (!goes(FView->GetRecordListRecord(li)))
      below = FView->GetRecordListRecord(li);
  for (int li = at - 1; li >= 0 && above == cxNoRecord; --li)
    if (!goes(FView->GetRecordListRecord(li)))
      above = FView->GetRecordListRecord(li);
  if (after != cxNoRecord && below != cxNoRecord) {
    after = below;
    before = cxNoRecord;
  } else {
    after = cxNoRecord;
    before = above;
  }
}

void TcxCustomDataController::DeleteRecords(std::vector<int>& AList) {
  std::sort(AList.begin(), AList.end());
  AList.erase(std::unique(AList.begin(), AList.end()), AList.end());
  FProvider->DeleteRecords(AList);
}

void TcxCustomDataController::FocusAfterDelete() {
  if (FView->LockCount() != 0)
    return;
  if (RecordToFocusAfterDelete < 0) {
    if (GetFocusedRowIndex() < 0 && GetRowCount() > 0)
      ChangeFocusedRowIndex(GetRowCount() - 1);
  } else if (RecordToFocusAfterDelete < GetRecordCount() &&
             GetFocusedRecordIndex() != RecordToFocusAfterDelete) {
    // A focused group row that stands for the record kept stays: focusing the record would open the group.
    ChangeFocusedRecordIndex(RecordToFocusAfterDelete);
  }
}

std::vector<int> TcxCustomDataController::RecordsOfRows(const std::vector<int>& ARows) {
  std::vector<int> records;
  for (int row : ARows) {
    int first, last;
    FView->GetRowListRange(row, first, last);
    for (int li = first; li <= last; ++li)
      records.push_back(FView->GetRecordListRecord(li));
  }
  return records;
}

void TcxCustomDataController::KeepFocusBeside(std::vector<int> AGoingRecords) {
  const int row = GetFocusedRowIndex();
  if (row < 0 || RecordToFocusAfterDelete < 0)
    return;
  std::vector<int>& going = AGoingRecords;
  std::sort(going.begin(), going.end());
  auto goes = [&](int ARecord) { return std::binary_search(going.begin(), going.end(), ARecord); };
  if (!goes(RecordToFocusAfterDelete))
    return;
  // The record kept for the focus is one that goes: the focused row kept beside a multiple selection, the
  // row of a group that the focused record alone fills, a selected neighbour. The nearest row that stays is
  // kept instead, in the order of the view's own choice: below, else above. As a kept record is focused on
  // its own row, which opens its group, a data row is kept before a group row of another record.
  const int levels = FView->Groups().LevelCount();
  const int count = GetRowCount();
  RecordToFocusAfterDelete = -1;
  for (bool dataRows : {true, false}) {
    auto other = [&](int r) {
      TcxRowInfo info = GetRowInfo(r);
      return !goes(info.RecordIndex) && (!dataRows || info.Level >= levels);
    };
    for (int r = row + 1; r < count && RecordToFocusAfterDelete < 0; ++r)
      if (other(r))
        RecordToFocusAfterDelete = GetRowInfo(r).RecordIndex;
    for (int r = row - 1; r >= 0 && RecordToFocusAfterDelete < 0; --r)
      if (other(r))
        RecordToFocusAfterDelete = GetRowInfo(r).RecordIndex;
  }
}

void TcxCustomDataController::DeleteFocused() {
  // A record inserted without a row of its own, a dataset's new record, is the one a delete drops, whatever
  // row the focus kept.
  if (FProvider->IsInserting() && FProvider->EditingRecordIndex() == cxNoRecord) {
    auto alive = FAlive;
    FProvider->Delete();
    if (*alive)
      ClearSelection();
    return;
  }
  int row = GetFocusedRowIndex();
  if (row < 0 || !FProvider->CanDelete())
    return;
  auto alive = FAlive;
  FProvider->SaveFocusAfterDelete();
  if (GetRowInfo(row).Level < FView->Groups().LevelCount() && FView->IsGrouped()) {
    std::vector<int> records = RecordsOfRows({row});
    KeepFocusBeside(records);
    DeleteRecords(records);
  } else {
    KeepFocusBeside({GetFocusedRecordIndex()});
    FProvider->Delete();
  }
  if (!*alive)
    return;
  ClearSelection();
  FProvider->ResetFocusAfterDelete();
}

void TcxCustomDataController::DeleteSelection() {
  if (GetSelectedCount() < 1 || !FProvider->CanDelete())
    return;
  auto alive = FAlive;
  FProvider->SaveFocusAfterDelete();
  if (FMultiSelect) {
    std::vector<int> rows;
    for (int i = 0; i < GetSelectedCount(); ++i)
      rows.push_back(GetSelectedRowIndex(i));
    KeepFocusBeside(RecordsOfRows(rows));
    FProvider->DeleteSelection();
  } else {
    // Only the focused record goes, also where its group's row is focused.
    KeepFocusBeside({GetFocusedRecordIndex()});
    FProvider->Delete();
  }
  if (*alive)
    FProvider->ResetFocusAfterDelete();
}

bool TcxCustomDataController::CanFocusRecord(int ARecordIndex) {
  if (!FProvider->IsActiveDataSet() && ARecordIndex != FProvider->EditingRecordIndex() &&
      FProvider->IsEditing())
    Post();
  return true;
}

bool TcxCustomDataController::ChangeFocusedRowIndex(int ARowIndex) {
  auto alive = FAlive;
  if (FProvider->IsSyncMode() && ARowIndex != GetFocusedRowIndex() && !CanChangeFocusedRow())
    return false;
  if (!*alive)
    return false;
  // Success means the row asked for is the focused one now, wherever a post moved it, not merely that
  // nothing raised.
  const bool focused = FView->FocusRow(ARowIndex);
  if (!*alive)
    return false;
  if (FProvider->IsSyncMode() && IsDetailSyncOnFocusChange() && GetFocusedRecordIndex() >= 0)
    FocusActiveDetails(GetFocusedRecordIndex());
  return focused && *alive;
}

void TcxCustomDataController::FocusActiveDetails(int ARecordIndex) {
  // A detail's focus handler may change the master's records or details: each slot is looked up again.
  for (int i = 0;; ++i) {
    if (ARecordIndex >= GetRecordCount())
      return;
    TcxDetailObject* object = GetDetailObject(ARecordIndex, false);
    if (!object || i >= object->InfoCount())
      return;
    TcxCustomDataController* detail = object->Details[std::size_t(i)];
    if (detail && i == object->ActiveRelationIndex && detail->GetFocusedRowIndex() == -1 &&
        detail->GetRowCount() > 0) {
      auto alive = FAlive;
      detail->ChangeFocusedRowIndex(0);
      if (!*alive)
        return;
    }
  }
}

bool TcxCustomDataController::ChangeFocusedRecordIndex(int ARecordIndex) {
  CheckRecordRange(ARecordIndex);
  int row = FView->GetRowIndexByRecordIndex(ARecordIndex, true);
  FView->CheckChanges();
  // The row of the record is followed through a post that gives the record another index.
  return row >= 0 && ChangeFocusedRowIndex(row);
}

bool TcxCustomDataController::GotoFirst() {
  if (IsGridMode()) {
    FProvider->First();
    return true;
  }
  return GetRowCount() > 0 && FocusRowAtEnd(false);
}

bool TcxCustomDataController::GotoLast() {
  if (IsGridMode()) {
    FProvider->Last();
    return true;
  }
  return GetRowCount() > 0 && FocusRowAtEnd(true);
}

bool TcxCustomDataController::FocusRowAtEnd(bool ALast) {
  // The first and the last row are places, not the records shown there when asked: where the post that the
  // move makes reorders the rows, the move goes on to the row now at that place.
  auto alive = FAlive;
  auto place = [&] { return ALast ? GetRowCount() - 1 : 0; };
  auto there = [&] { return *alive && GetRowCount() > 0 && GetFocusedRowIndex() == place(); };
  ChangeFocusedRowIndex(place());
  if (*alive && !there() && GetRowCount() > 0)
    ChangeFocusedRowIndex(place());
  return there();
}

bool TcxCustomDataController::GotoNext() {
  if (IsGridMode()) {
    FProvider->Next();
    return true;
  }
  int row = GetFocusedRowIndex() + 1;
  return row < GetRowCount() && ChangeFocusedRowIndex(row);
}

bool TcxCustomDataController::GotoPrev() {
  if (IsGridMode()) {
    FProvider->Prior();
    return true;
  }
  int row = std::max(GetFocusedRowIndex() - 1, 0);
  return GetRowCount() > 0 && row != GetFocusedRowIndex() && ChangeFocusedRowIndex(row);
}

bool TcxCustomDataController::MoveBy(int ADistance) {
  if (IsGridMode()) {
    FProvider->MoveBy(ADistance);
    return true;
  }
  int row = std::max(GetFocusedRowIndex() + ADistance, 0);
  return GetRowCount() > 0 && ChangeFocusedRowIndex(std::min(row, GetRowCount() - 1));
}

bool TcxCustomDataController::IsBOF() {
  if (IsGridMode())
    return FProvider->IsBOF();
  return GetFocusedRowIndex() == 0 || GetRowCount() == 0;
}

bool TcxCustomDataController::IsEOF() {
  if (IsGridMode())
    return FProvider->IsEOF();
  return GetRowCount() == 0 || GetFocusedRowIndex() == GetRowCount() - 1;
}

int TcxCustomDataController::GetSyncRecordIndex() {
  if (FProvider->IsActiveDataSet() && FProvider->IsSyncMode())
    return FProvider->GetActiveRecordIndex();
  return GetFocusedRecordIndex();
}

bool TcxCustomDataController::FocusSelectedRow(int AIndex) {
  int row = GetSelectedRowIndex(AIndex);
  ChangeFocusedRowIndex(row);
  return row >= 0 && GetFocusedRowIndex() == row;
}

bool TcxCustomDataController::SaveBookmark() {
  int old = FBookmark;
  FBookmark = GetFocusedRecordIndex();
  return FBookmark != old;
}

bool TcxCustomDataController::GotoBookmark() {
  return FBookmark >= 0 && FBookmark < GetRecordCount() && ChangeFocusedRecordIndex(FBookmark);
}

bool TcxCustomDataController::IsBookmarkRow(int ARowIndex) {
  return IsBookmarkAvailable() && GetRowInfo(ARowIndex).RecordIndex == FBookmark;
}

bool TcxCustomDataController::IsBookmarkRecordDeleted(int ARecordIndex) {
  if (ARecordIndex != -1 && ARecordIndex == FBookmark)
    return true;
  return FView->GetListIndexByRecord(FBookmark) < 0;
}

void TcxCustomDataController::CheckBookmarkValid(int ARecordIndex) {
  if (IsBookmarkAvailable() && IsBookmarkRecordDeleted(ARecordIndex)) {
    ClearBookmark();
    FChanges |= dccBookmark;
  }
}
