#include <algorithm>

#include "data/cxCustomData_Internal.h"
#include "data/cxDBData.h"
#include "data/cxDBData_Internal.h"

using cxdata::TFlagGuard;

namespace {

std::vector<TcxDBDataProvider*>& ProviderList() {
  static std::vector<TcxDBDataProvider*> list;
  return list;
}

// Disables the dataset's controls for a scope; enabling runs however the scope ends.
struct TControlsLock {
  TDataSet* DataSet;
  explicit TControlsLock(TDataSet* ADataSet) : DataSet(ADataSet) {
    if (DataSet)
      DataSet->DisableControls();
  }
  ~TControlsLock() {
    if (DataSet)
      DataSet->EnableControls();
  }
  TControlsLock(const TControlsLock&) = delete;
  TControlsLock& operator=(const TControlsLock&) = delete;
};

} // namespace

const std::vector<TcxDBDataProvider*>& TcxDBDataProvider::Providers() {
  return ProviderList();
}

TcxDBDataProvider::TcxDBDataProvider(TcxCustomDataController* ADataController)
    : TcxCustomDataProvider(ADataController), FDataLink(new TcxDBDataLink(this)) {
  ProviderList().push_back(this);
}

TcxDBDataProvider::~TcxDBDataProvider() {
  auto& list = ProviderList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  for (TcxDBDataProvider* p : list)
    std::erase(p->FDependentProviders, this);
  FDataLink->SetDataSource(nullptr);
}

TcxDBDataController* TcxDBDataProvider::DBDataController() const {
  return static_cast<TcxDBDataController*>(DataController());
}

int TcxDBDataProvider::BufferSize() const {
  int count = DBDataController()->DataModeController().GridModeBufferCount();
  return count > 0 ? count : DBDataController()->GetDefaultGridModeBufferCount();
}

bool TcxDBDataProvider::IsGridMode() {
  // Grouping needs every record loaded, so it rules a buffer out; so does the want of a dataset.
  return DBDataController()->DataModeController().GridMode() && !DataController()->View().IsGrouped() &&
         DataSet() != nullptr;
}

bool TcxDBDataProvider::IsActiveDataSet() {
  return DataSet() && DataSet()->State() != dsInactive;
}

bool TcxDBDataProvider::IsOtherProviderInserting() {
  for (TcxDBDataProvider* p : ProviderList())
    if (p != this && p->DataSet() == DataSet() && DataSet() && p->FInDataSetOperation)
      return true;
  return false;
}

bool TcxDBDataProvider::IsSyncMode() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active())
    return false;
  auto& mode = DBDataController()->DataModeController();
  if (!IsGridMode() && !mode.SyncMode())
    return false;
  return !DataController()->IsDetailMode() || mode.DetailSynchronization;
}

bool TcxDBDataProvider::IsActive() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && !ds->ControlsDisabled();
}

bool TcxDBDataProvider::IsFieldsReady() {
  TDataSet* ds = DataSet();
  return ds && ds->FieldCount() > 0 && (ds->Active() || !ds->DefaultFields());
}

bool TcxDBDataProvider::IsBOF() {
  return !FDataLink->Active() || DataSet()->Bof();
}

bool TcxDBDataProvider::IsEOF() {
  if (!FDataLink->Active() || DataSet()->Eof() || FDetailPassed)
    return true;
  // DetailFirst puts the dataset on the first record of the detail's master, or leaves it elsewhere when
  // there is none: a record of another master has nothing to show.
  TcxDBDataController* dc = DBDataController();
  return dc->HasMasterKey() && !IsGridMode() && !IsEditState(DataSet()->State()) &&
         !dc->DataSetMatchesMasterKey();
}

bool TcxDBDataProvider::IsEditing() {
  TDataSet* ds = DataSet();
  if (ds && ds->Active() && ds->CanModify())
    return IsEditState(ds->State());
  return TcxCustomDataProvider::IsEditing();
}

bool TcxDBDataProvider::IsInserting() {
  return DataSet() && DataSet()->State() == dsInsert;
}

bool TcxDBDataProvider::IsModified() {
  // While the provider positions the dataset, the dataset's changes are not the controller's to post: the
  // controller then only takes the record the dataset is inserting as its own row.
  return TcxCustomDataProvider::IsModified() || (!IsPositioning() && DataSet() && DataSet()->Modified());
}

bool TcxDBDataProvider::CanModify() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && ds->CanModify() && IsSyncMode();
}

bool TcxDBDataProvider::CanDelete() {
  return TcxCustomDataProvider::CanDelete() && DataSet() && !DataSet()->IsEmpty();
}

void TcxDBDataProvider::First() {
  TDataSet* ds = DataSet();
  if (!ds)
    return;
  TcxDBDataController* dc = DBDataController();
  FDetailPassed = false;
  if (!dc->MasterKeyRefusal().empty() && !IsGridMode()) {
    FDetailPassed = true;
    return;
  }
  if (dc->HasMasterKey() && !IsGridMode()) {
    bool reopened = false;
    dc->DataModeController().DetailFirst(dc->DetailKeyFieldNames(), dc->MasterKeyValues(), reopened);
    PassApproximateDetailKeys();
    return;
  }
  ds->First();
}
void TcxDBDataProvider::Prior() {
  if (DataSet())
    DataSet()->Prior();
}
void TcxDBDataProvider::Next() {
  TDataSet* ds = DataSet();
  if (!ds)
    return;
  TcxDBDataController* dc = DBDataController();
  if (!dc->HasMasterKey() || IsGridMode() || IsEditState(ds->State())) {
    ds->Next();
    return;
  }
  // A detail's records need not lie together (an append lands at the end of the dataset): the next one is
  // the next record that holds the master's key, and none follows the last of them.
  FDetailPassed = !ds->LocateNext(dc->DetailKeyFieldNames(), dc->MasterKeyValues(), TLocateOptions());
  PassApproximateDetailKeys();
}

void TcxDBDataProvider::PassApproximateDetailKeys() {
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBDataController();
  // Such a key only reads as the master's: the record may belong to another master whose key reads alike.
  while (!FDetailPassed && !ds->Eof() && dc->DetailKeyReadApproximately())
    FDetailPassed = !ds->LocateNext(dc->DetailKeyFieldNames(), dc->MasterKeyValues(), TLocateOptions());
}
void TcxDBDataProvider::Last() {
  if (DataSet())
    DataSet()->Last();
}
void TcxDBDataProvider::MoveBy(int ADistance) {
  if (DataSet())
    DataSet()->MoveBy(ADistance);
}

void TcxDBDataProvider::Scroll(int ADistance) {
  if (!IsGridMode() || !IsActive() || ADistance == 0)
    return;
  // Moving past the buffer's edge by the distance brings that many new records into the buffer.
  int distance = ADistance > 0 ? ADistance + (FDataLink->RecordCount() - FDataLink->ActiveRecord() - 1)
                               : ADistance - FDataLink->ActiveRecord();
  DataSet()->MoveBy(distance);
  // The rows under a pending selection change are other records now.
  DataController()->RecomputeSelectionChange();
  DataController()->SetFocusedRowSelected(true);
}

TBookmarkStr TcxDBDataProvider::RecordBookmark(int ARecordIndex) {
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBDataController();
  if (!ds || !ds->Active() || !FRecordsByBookmark || ARecordIndex < 0 || ARecordIndex >= dc->GetRecordCount())
    return TBookmarkStr();
  Variant stored = dc->DataStorage().GetValue(ARecordIndex, dc->FRecordBookmarkField->ValueDef());
  if (VarType(stored) != varString)
    return TBookmarkStr();
  const TBookmarkStr& bookmark = stored.RawString();
  return !bookmark.empty() && ds->BookmarkValid(bookmark) ? bookmark : TBookmarkStr();
}

int TcxDBDataProvider::RecordOfBookmark(const TBookmarkStr& ABookmark, int AHint) {
  TcxDBDataController* dc = DBDataController();
  if (!FRecordsByBookmark || ABookmark.empty())
    return -1;
  TcxValueDef* def = dc->FRecordBookmarkField->ValueDef();
  TcxDataStorage& storage = dc->DataStorage();
  auto holds = [&](int ARecord) {
    Variant stored = storage.GetValue(ARecord, def);
    return VarType(stored) == varString && stored.RawString() == ABookmark;
  };
  if (AHint >= 0 && AHint < dc->GetRecordCount() && holds(AHint))
    return AHint;
  for (int r = 0; r < dc->GetRecordCount(); ++r)
    if (holds(r))
      return r;
  return -1;
}

int TcxDBDataProvider::GetActiveRecordIndex() {
  TcxCustomDataController* dc = DataController();
  if (dc->IsPostingOrRefreshing() && dc->NewItemRowFocused())
    return dc->GetNewItemRecordIndex();
  return FActiveRecordIndex;
}

void TcxDBDataProvider::GetExternalDataDisplayText(int ARecordIndex, TcxCustomDataField* AField,
                                                   AnsiString& AText) {
  TcxDBDataController* dc = DBDataController();
  // Outside grid mode the dataset holds only its current record: other records answer what was loaded.
  if (IsGridMode() || ARecordIndex == CurrentRecordIndexOrNone()) {
    if (ReadAtRecord(ARecordIndex, [&] { AText = dc->GetDataSetDisplayText(AField); }))
      return;
  } else if (ARecordIndex >= 0 && ARecordIndex < dc->GetRecordCount()) {
    AText = dc->GetDisplayText(ARecordIndex, AField);
    return;
  }
  TcxCustomDataProvider::GetExternalDataDisplayText(ARecordIndex, AField, AText);
}

void TcxDBDataProvider::GetExternalDataValue(int ARecordIndex, TcxCustomDataField* AField, Variant& AValue) {
  TcxDBDataController* dc = DBDataController();
  TField* field = dc->GetFieldOf(AField);
  if (field && (IsGridMode() || ARecordIndex == CurrentRecordIndexOrNone())) {
    if (ReadAtRecord(ARecordIndex, [&] { AValue = field->IsBlob() ? Variant(Null) : field->Value(); }))
      return;
  } else if (field && ARecordIndex >= 0 && ARecordIndex < dc->GetRecordCount()) {
    AValue = dc->GetStoredValue(ARecordIndex, AField);
    return;
  }
  TcxCustomDataProvider::GetExternalDataValue(ARecordIndex, AField, AValue);
}

int TcxDBDataProvider::CurrentRecordIndexOrNone() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() && !ds->IsEmpty() ? CurrentRecordIndex() : -1;
}

void TcxDBDataProvider::SavePos() {
  TDataSet* ds = DataSet();
  if (!ds)
    return;
  FSavePos.Bookmark = ds->BookmarkAvailable() ? ds->Bookmark() : TBookmarkStr();
  FSavePos.ActiveRecord = ds->ActiveRecord();
  FSavePos.Bof = ds->Bof();
  FSavePos.Eof = ds->Eof();
}

void TcxDBDataProvider::RestorePos() {
  TDataSet* ds = DataSet();
  if (!ds || FSavePos.Bookmark.empty() || !ds->BookmarkValid(FSavePos.Bookmark))
    return;
  ds->GotoBookmark(FSavePos.Bookmark);
  // The record also comes back to the same place in the window, so a grid shows the same rows.
  int saved = FSavePos.ActiveRecord;
  if (ds->ActiveRecord() > saved) {
    ds->MoveBy(-saved);
    ds->MoveBy(saved);
  } else if (ds->ActiveRecord() < saved) {
    ds->MoveBy(ds->BufferCount() - 1 - saved);
    ds->MoveBy(saved - ds->BufferCount() + 1);
  }
  if (FSavePos.Bof && !ds->Bof())
    ds->Prior();
  if (FSavePos.Eof && !ds->Eof())
    ds->Next();
}

void TcxDBDataProvider::LockNotify() {
  TcxCustomDataProvider::LockNotify();
  if (DataSet())
    DataSet()->DisableControls();
}

void TcxDBDataProvider::UnlockNotify() {
  if (DataSet())
    DataSet()->EnableControls();
  TcxCustomDataProvider::UnlockNotify();
}

void TcxDBDataProvider::Append() {
  DBDataController()->CheckMasterKeyToInsert();
  DataSetOperation([&] { DataSet()->Append(); });
}

void TcxDBDataProvider::Insert() {
  DBDataController()->CheckMasterKeyToInsert();
  DataSetOperation([&] {
    // The new record goes before the focused one, where the dataset may not stand: after a post of a record
    // the filter hides, the dataset stays on that one.
    TcxDBDataController* dc = DBDataController();
    int record = dc->GetFocusedRecordIndex();
    if (record >= 0 && !IsGridMode())
      dc->SyncDataSetPos(record);
    DataSet()->Insert();
  });
}

void TcxDBDataProvider::Edit() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->CanModify()) {
    TcxCustomDataProvider::Edit();
    return;
  }
  // A record being edited or inserted stays so, as in the dataset: moving the dataset to the focused record
  // would post it where the controller does not see it.
  if (IsEditState(ds->State()))
    return;
  int record = DataController()->GetFocusedRecordIndex();
  if (record >= 0 && !DBDataController()->SyncDataSetPos(record))
    return;
  ds->Edit();
}

void TcxDBDataProvider::Post() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->CanModify()) {
    TcxCustomDataProvider::Post();
    return;
  }
  // A failed post raises with the dataset still editing, so the edit stays to be fixed or cancelled.
  ds->CheckBrowseMode();
}

void TcxDBDataProvider::Cancel() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->CanModify()) {
    TcxCustomDataProvider::Cancel();
    return;
  }
  FLastEditedNew = false;
  TcxDBDataController* dc = DBDataController();
  // The record edited, known before the controller's own cancel below lets it go.
  const int edited = ds->State() == dsEdit ? EditingRecordIndex() : cxNoRecord;
  if (dc->StartEditingInSource()) {
    auto alive = dc->AliveToken();
    {
      // The controller's cancel puts the values back itself; its refocusing must not move the dataset.
      TFlagGuard guard(dc->FEditFromDataSet, alive);
      TcxCustomDataProvider::Cancel();
    }
    if (!*alive)
      return;
  }
  {
    TFlagGuard guard(FInsertCancelling, dc->AliveToken());
    FInsertCancelling = ds->State() == dsInsert;
    // The new record has no row here, so the focus stayed on its neighbour, or wherever it was before an
    // append; an edit's focus may have left its record for a group row another record leads. The dataset's
    // cancel leaves it on another record (its last, after an append; the edited one), which must neither
    // take the focus nor have its groups opened for it.
    const int focusedRow = dc->GetFocusedRowIndex();
    const int focused = dc->GetFocusedRecordIndex();
    struct Kept {
      int &Record, &Level;
      std::shared_ptr<bool> Alive;
      ~Kept() {
        if (*Alive)
          Record = Level = -1;
      }
    } kept{FRecordBeforeCancel, FLevelBeforeCancel, dc->AliveToken()};
    if ((FInsertCancelling ? focused != EditingRecordIndex() : ds->State() == dsEdit && focused != edited) &&
        focusedRow >= 0 && focused >= 0) {
      FRecordBeforeCancel = focused;
      FLevelBeforeCancel = dc->GetRowInfo(focusedRow).Level;
    }
    ds->Cancel();
  }
  ResetEditing();
}

bool TcxDBDataProvider::CanInitEditing(int ARecordIndex) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || !ds->CanModify())
    return TcxCustomDataProvider::CanInitEditing(ARecordIndex);
  TcxDBDataController* dc = DBDataController();
  // The controller's own insert has no row of its own: it edits the dataset's new record, also where no
  // record is loaded at all.
  if (!(ds->State() == dsInsert && ARecordIndex == cxNoRecord && EditingRecordIndex() == cxNoRecord))
    dc->CheckRecordRange(ARecordIndex);
  auto alive = dc->AliveToken();
  bool editing = Positioning([&] {
    if (dc->NewItemRowFocused() && !IsInserting()) {
      Insert();
      if (!*alive || !IsInserting())
        return false;
      FLastEditedNew = true;
      if (EditingRecordIndex() == cxNoRecord)
        BeginEditFocusedRecord();
      return true;
    }
    // Outside sync mode the dataset may stand elsewhere: the edit must land on the record asked for.
    if (!IsEditState(ds->State()) && ARecordIndex >= 0 && !dc->SyncDataSetPos(ARecordIndex))
      return false;
    if (!FDataLink->Edit())
      return false;
    // Also outside sync mode, where the dataset's edit does not reach the controller's focus.
    if (ds->State() == dsEdit && ARecordIndex >= 0)
      FLastEditedRecord = ARecordIndex;
    return true;
  });
  if (!*alive)
    return false;
  if (editing)
    SetChanging();
  return editing;
}

void TcxDBDataProvider::SetDetailSynchronized(bool AValue) {
  if (FDetailSynchronized == AValue)
    return;
  FDetailSynchronized = AValue;
  DBDataController()->DoProviderSyncChanged(AValue);
}

template <class F>
void TcxDBDataProvider::DeleteInDataSet(const std::vector<int>& AGoing, int ATarget, bool APostEdit,
                                        F AOperation) {
  TcxCustomDataController* dc = DataController();
  TcxCustomDataControllerInfo& view = dc->View();
  // The view keeps its groups' state by their values, read now, while the records still stand where the
  // groups say. A group the delete empties is gone, not one to find again by values that another group may
  // share, beside the record in edit, when the records are read anew (after a post of that edit, too).
  view.SaveBeforeRecordsChange(AGoing);
  const TcxDataSavedExpanding saved = view.SavedState();
  auto alive = dc->AliveToken();
  struct Going {
    std::vector<int>& Records;
    std::shared_ptr<bool> Alive;
    ~Going() {
      if (*Alive)
        Records.clear();
    }
  } going{FGoingRecords, alive};
  FGoingRecords = AGoing;
  const int focused = dc->GetFocusedRecordIndex();
  const bool focusGoes = std::find(AGoing.begin(), AGoing.end(), focused) != AGoing.end();
  const int focusedRow = dc->GetFocusedRowIndex();
  const int focusedLevel = focusGoes && focusedRow >= 0 ? dc->GetRowInfo(focusedRow).Level : -1;
  try {
    DataSetOperation([&] {
      TDataSet* ds = DataSet();
      if (APostEdit && ds->State() == dsEdit) {
        TFlagGuard posting(FPostingBeforeDelete, alive);
        ds->CheckBrowseMode();
        if (!*alive)
          return;
      }
      // The edit written to the dataset, and its post, update the view first and use up what it kept for
      // the delete. The posted record may take the focused group row, and its groups opened for the focus,
      // into a group of the same values that the user left closed and another record leads. The delete
      // finds the groups and the focus as they stood before it instead, and loses the focus with its
      // record, as on the controller over its own records.
      view.PutSavedState(saved);
      if (focusedLevel >= 0 && dc->GetFocusedRecordIndex() != focused && focused < dc->GetRecordCount())
        view.RenameFocusedRecord(focused, focusedLevel);
      AOperation();
    });
  } catch (...) {
    if (*alive)
      view.DiscardSavedState();
    throw;
  }
  if (!*alive)
    return;
  // The dataset may stand on a record the view does not show. Without a record kept for the focus, the
  // last row is focused then, as the controller over its own records does.
  if (ATarget < 0)
    dc->FocusAfterDelete();
}

void TcxDBDataProvider::Delete() {
  TDataSet* ds = DataSet();
  TcxCustomDataController* dc = DataController();
  if (!ds)
    return;
  // The record being inserted is the dataset's current one and has no row here: the delete drops it, as the
  // dataset's own Delete does. Moving the dataset to the focused row first would post it.
  if (ds->State() == dsInsert) {
    Cancel();
    return;
  }
  int record = dc->GetFocusedRecordIndex();
  if (record < 0)
    return;
  auto alive = dc->AliveToken();
  // A handler that changes the records leaves the delete its record, wherever it is, or none: a reload on
  // the way loses every record index.
  cxdata::TTrackedRecords tracked(*dc, {record});
  dc->DoBeforeDelete(record);
  if (!*alive)
    return;
  record = tracked.Records[0];
  if (record < 0 || !DBDataController()->SyncDataSetPos(record))
    return;
  struct Forget {
    std::vector<int>& Records;
    ~Forget() { Records.clear(); }
  } forget{FDeletedRecords};
  if (IsSmartRefresh())
    FDeletedRecords = {record};
  // The record the view focuses after the delete may not be the one the dataset moves to: the dataset is
  // taken there, by key, by bookmark or by position.
  TcxDBDataController* dbc = DBDataController();
  int target = dc->RecordToFocusAfterDelete;
  bool toTarget = target >= 0 && target != record && target < dc->GetRecordCount();
  TBookmarkStr targetBookmark = toTarget ? RecordBookmark(target) : TBookmarkStr();
  bool byKey = toTarget && targetBookmark.empty() && dbc->IsKeyNavigation();
  Variant targetKey = byKey ? dbc->GetRecordId(target) : Variant();
  bool byPosition = toTarget && !byKey && !FRecordsByBookmark && !IsGridMode() && ds->IsSequenced();
  int targetPosition = target > record ? target - 1 : target;
  DeleteInDataSet({record}, target, false, [&] {
    TControlsLock lock(ds);
    ds->Delete();
    if (!targetBookmark.empty() && ds->BookmarkValid(targetBookmark))
      ds->GotoBookmark(targetBookmark);
    else if (byKey)
      ds->Locate(dbc->KeyFieldNames(), targetKey, TLocateOptions());
    else if (byPosition && targetPosition + 1 <= ds->RecordCount())
      ds->SetRecNo(targetPosition + 1);
  });
  if (*alive)
    dc->DoAfterDelete();
}

void TcxDBDataProvider::DeleteRecords(std::vector<int>& AList) {
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBDataController();
  if (!ds || AList.empty())
    return;
  // Each record is reached by its bookmark, or else by its key, which another record reading the same makes
  // refused before anything is deleted.
  std::vector<TBookmarkStr> bookmarks;
  std::vector<Variant> keys;
  if (FRecordsByBookmark)
    for (int record : AList) {
      bookmarks.push_back(RecordBookmark(record));
      keys.push_back(bookmarks.back().empty() && dc->IsKeyNavigation() ? dc->KeyOfRecordToReach(record)
                                                                       : Variant());
    }
  std::vector<int> records = AList;
  std::sort(records.begin(), records.end());
  struct Forget {
    std::vector<int>& Records;
    ~Forget() { Records.clear(); }
  } forget{FDeletedRecords};
  bool smart = IsSmartRefresh();
  // The record kept for the focus, counted before the delete, is where the dataset goes afterwards, as a
  // delete of one record takes it; without one it comes back to where it stood.
  int target = dc->RecordToFocusAfterDelete;
  bool toTarget = target >= 0 && target < dc->GetRecordCount() &&
                  !std::binary_search(records.begin(), records.end(), target);
  TBookmarkStr targetBookmark = toTarget ? RecordBookmark(target) : TBookmarkStr();
  Variant targetKey =
      toTarget && targetBookmark.empty() && dc->IsKeyNavigation() ? dc->GetRecordId(target) : Variant();
  bool byPosition = toTarget && !FRecordsByBookmark && !IsGridMode() && ds->IsSequenced();
  int targetPosition =
      target - int(std::lower_bound(records.begin(), records.end(), target) - records.begin());
  SavePos();
  TcxDBDataProviderSavePosInfo saved = FSavePos;
  // The first move below would post an edit while the controls are off: the controller would hear of the
  // post only after the delete, with the dataset on another record, and read that one's values into the
  // record it had in edit. Posted first, the edit ends where its record stands.
  DeleteInDataSet(records, target, true, [&] {
    TControlsLock lock(ds);
    try {
      if (FRecordsByBookmark) {
        for (std::size_t i = bookmarks.size(); i-- > 0;) {
          if (!bookmarks[i].empty() && ds->BookmarkValid(bookmarks[i]))
            ds->GotoBookmark(bookmarks[i]);
          else if (VarIsEmpty(keys[i]) || !ds->Locate(dc->KeyFieldNames(), keys[i], TLocateOptions()))
            continue;
          ds->Delete();
          if (smart)
            FDeletedRecords.push_back(AList[i]);
        }
      } else {
        // Records follow the dataset's order, so deleting from the last keeps the earlier ones in place.
        for (std::size_t i = records.size(); i-- > 0;) {
          ds->First();
          if (ds->MoveBy(records[i]) == records[i] && !ds->Eof())
            ds->Delete();
        }
      }
    } catch (...) {
      FSavePos = saved;
      RestorePos();
      throw;
    }
    FSavePos = saved;
    if (!targetBookmark.empty() && ds->BookmarkValid(targetBookmark))
      ds->GotoBookmark(targetBookmark);
    else if (!VarIsEmpty(targetKey))
      ds->Locate(dc->KeyFieldNames(), targetKey, TLocateOptions());
    else if (byPosition && targetPosition + 1 <= ds->RecordCount())
      ds->SetRecNo(targetPosition + 1);
    else
      RestorePos();
  });
}

Variant TcxDBDataProvider::GetEditValue(int ARecordIndex, TcxCustomDataField* AField,
                                        TcxDataEditValueSource AEditValueSource) {
  TField* field = DBDataController()->GetFieldOf(AField);
  if (!field || !IsEditing())
    return TcxCustomDataProvider::GetEditValue(ARecordIndex, AField, AEditValueSource);
  if (AEditValueSource == evsText)
    return Variant(field->Text());
  if (AEditValueSource == evsKey && field->Lookup()) {
    Variant keys;
    GetFieldValues(DataSet()->GetFieldList(field->KeyFields), keys);
    return keys;
  }
  return field->IsBlob() ? Variant(Null) : field->Value();
}

bool TcxDBDataProvider::SetEditValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                                     TcxDataEditValueSource AEditValueSource) {
  TField* field = DBDataController()->GetFieldOf(AField);
  if (!field || !IsEditState(DataSet()->State()))
    return TcxCustomDataProvider::SetEditValue(ARecordIndex, AField, AValue, AEditValueSource);
  if (AEditValueSource == evsText) {
    field->SetText(VarToStr(AValue));
  } else if (AEditValueSource == evsKey && field->Lookup()) {
    std::vector<TField*> keys = DataSet()->GetFieldList(field->KeyFields);
    // Several key fields take an array of as many values; anything else would write some of them.
    bool fits = keys.size() == 1
                    ? !VarIsArray(AValue)
                    : VarIsNull(AValue) || (VarIsArray(AValue) &&
                                            VarArrayHighBound(AValue, 1) - VarArrayLowBound(AValue, 1) + 1 ==
                                                int(keys.size()));
    if (!fits)
      throw EcxInvalidDataControllerOperation("The key value does not fit the key fields \"" +
                                              field->KeyFields + "\" of lookup field '" + field->FieldName +
                                              "'");
    if (VarIsNull(AValue))
      for (TField* key : keys)
        key->Clear();
    else if (keys.size() == 1)
      keys[0]->SetValue(AValue);
    else
      for (std::size_t i = 0; i < keys.size(); ++i)
        keys[i]->SetValue(AValue[VarArrayLowBound(AValue, 1) + int(i)]);
  } else {
    field->SetValue(AValue);
  }
  // The storage shows the edited value until the post reloads the record; a record being inserted has no
  // place in the storage yet.
  // The new-item row's record is internal: it keeps the values for the record a smart refresh appends.
  if (ARecordIndex == EditingRecordIndex() && ARecordIndex != cxNoRecord &&
      ARecordIndex < DataController()->GetRecordCount())
    StoreEditedValues(ARecordIndex, AField);
  SetModified();
  return true;
}

void TcxDBDataProvider::StoreEditedValues(int ARecordIndex, TcxCustomDataField* AField) {
  TcxDBDataController* dc = DBDataController();
  TField* field = dc->GetFieldOf(AField);
  if (AField->ValueDef()) {
    TcxDataStorage& storage = dc->DataStorage();
    storage.SetValue(ARecordIndex, AField->ValueDef(), field && !field->IsBlob() ? field->Value() : Null);
    if (AField->ValueDef()->TextStored())
      storage.SetDisplayText(ARecordIndex, AField->ValueDef(), dc->GetDataSetDisplayText(AField));
  }
  for (TcxDBDataField* sub : static_cast<TcxDBDataField*>(AField)->SubFields())
    StoreEditedValues(ARecordIndex, sub);
}

Variant TcxDBDataProvider::GetRecordId(int ARecordIndex) {
  return DBDataController()->GetRecordId(ARecordIndex);
}

void TcxDBDataProvider::LoadRecords() {
  TDataSet* ds = DataSet();
  if (!ds || !FDataLink->Active())
    return;
  TcxDBDataController* dc = DBDataController();
  FLoadedAsDetail = !IsGridMode() && dc->HasMasterKey();
  // Values read only approximately are told apart by their record's bookmark, as a key of them may be asked
  // for any record.
  bool approximate = false;
  for (int i = 0; i < ds->FieldCount() && !approximate; ++i)
    approximate = ds->HoldsApproximateValues(ds->Fields(i));
  FRecordsByBookmark = !IsGridMode() && (FLoadedAsDetail || dc->IsKeyNavigation() || approximate);
  // Made on first use: a controller that never needs bookmarks keeps no place for them in its records.
  if (FRecordsByBookmark && !dc->FRecordBookmarkField) {
    dc->FRecordBookmarkField = dc->AddInternalField();
    dc->FRecordBookmarkField->SetValueTypeClass(TcxStringValueType::Instance());
  }
  if (IsGridMode()) {
    FDataLink->SetBufferCount(BufferSize());
    if (!dc->MasterKeyRefusal().empty())
      return;
    TcxValueDefDBReader reader(DBDataController());
    TcxDataStorage& storage = DataController()->DataStorage();
    int active = FDataLink->ActiveRecord();
    struct Restore {
      TcxDBDataLink& Link;
      int Active;
      ~Restore() { Link.SetActiveRecord(Active); }
    } restore{*FDataLink, active};
    for (int k = 0; k < FDataLink->RecordCount(); ++k) {
      FDataLink->SetActiveRecord(k);
      storage.ReadRecord(storage.AppendRecord(), &reader, false);
    }
    FActiveRecordIndex = active;
    return;
  }
  // The walk over every record must not reach the links, nor leave the dataset elsewhere.
  FInReload = true;
  SavePos();
  ds->DisableControls();
  FLoadDisabled = true;
}

void TcxDBDataProvider::EndLoadRecords() {
  if (!FLoadDisabled)
    return;
  TDataSet* ds = DataSet();
  struct Enable {
    TcxDBDataProvider& P;
    TDataSet* DataSet;
    ~Enable() {
      P.FLoadDisabled = false;
      P.FDetailPassed = false;
      DataSet->EnableControls();
      P.FInReload = false;
    }
  } enable{*this, ds};
  RestorePos();
}

std::unique_ptr<TcxValueDefReader, TObjectDeleter> TcxDBDataProvider::CreateValueDefReader() {
  // A query run again for a detail's key on the way into the load made its fields anew.
  if (FDataLink->PendingLayoutChange && DataSet() && DataSet()->Active())
    DBDataController()->UpdateFields();
  return std::unique_ptr<TcxValueDefReader, TObjectDeleter>(new TcxValueDefDBReader(DBDataController()));
}

int TcxDBDataProvider::CurrentRecordIndex() {
  TDataSet* ds = DataSet();
  if (IsGridMode())
    return FDataLink->ActiveRecord();
  // Smart refresh re-reads and appends records in place, so their order may differ from the dataset's; a
  // detail's records are some of the dataset's. The record with the dataset's bookmark is the one, which its
  // key, where no other record reads the same, finds at once.
  TcxDBDataController* dc = DBDataController();
  bool numbered = ds->IsSequenced() && !IsSmartRefresh() && !FLoadedAsDetail;
  if (FRecordsByBookmark && !numbered && ds->BookmarkAvailable()) {
    int record =
        RecordOfBookmark(ds->Bookmark(), dc->IsKeyNavigation() ? dc->FindRecordIndexByDataSetKey() : -1);
    if (record >= 0 || FLoadedAsDetail)
      return record;
  }
  if (FLoadedAsDetail)
    return FActiveRecordIndex;
  if (ds->IsSequenced() && ds->RecNo() > 0)
    return ds->RecNo() - 1;
  if (dc->IsKeyNavigation())
    return dc->FindRecordIndexByDataSetKey();
  return FActiveRecordIndex;
}

void TcxDBDataProvider::FocusActiveRecord(int AGroupLevel) {
  TcxDBDataController* dc = DBDataController();
  int record = FActiveRecordIndex;
  // A delete or a focus move focuses the row it keeps once done: following the record posted on the way
  // would open its groups.
  if (record < 0 || record >= dc->GetRecordCount() || FPostingBeforeDelete || FPostingBeforeFocusMove)
    return;
  int groupRow = GroupRowOf(record, AGroupLevel);
  if (groupRow >= 0 && dc->GetRowInfo(groupRow).RecordIndex != record)
    groupRow = -1;
  if (groupRow < 0 && dc->GetFocusedRecordIndex() == record)
    return;
  TFlagGuard guard(dc->FFocusing, dc->AliveToken());
  if (groupRow >= 0)
    dc->ChangeFocusedRowIndex(groupRow);
  else
    dc->ChangeFocusedRecordIndex(record);
}

int TcxDBDataProvider::GroupRowOf(int ARecordIndex, int AGroupLevel) {
  TcxCustomDataControllerInfo& view = DBDataController()->View();
  if (AGroupLevel < 0 || AGroupLevel >= view.Groups().LevelCount())
    return -1;
  const int group = view.Groups().GetGroupIndex(view.GetListIndexByRecord(ARecordIndex), AGroupLevel);
  return group >= 0 && view.Groups().IsVisible(group) ? view.Groups().Items(group).RowIndex : -1;
}

void TcxDBDataProvider::FocusActiveRecordAfterChange(int AGroupLevel) {
  FocusActiveRecord(AGroupLevel);
  TcxDBDataController* dc = DBDataController();
  const int focused = dc->GetFocusedRecordIndex();
  if (FPostingBeforeDelete || FPostingBeforeFocusMove || FActiveRecordIndex < 0 ||
      FActiveRecordIndex >= dc->GetRecordCount() || focused < 0 || focused == FActiveRecordIndex ||
      !IsSyncMode() || IsEditState(DataSet()->State()))
    return;
  // A record the filter hides, such as one just posted, left the focus where it was. Left on that record,
  // the dataset would have a later reload focus it wherever it then shows.
  dc->SyncDataSetPos(focused);
}

bool TcxDBDataProvider::FocusBeforeCancel() {
  TcxDBDataController* dc = DBDataController();
  int record = FRecordBeforeCancel;
  if (record < 0 || record >= dc->GetRecordCount() || DataSet()->RecordCount() != dc->GetRecordCount())
    return false;
  // A focused group row is kept as the row of its group: the cancel may give the group back to the edited
  // record to lead, and the record kept, which led it meanwhile, would be focused on its own row instead.
  if (const int groupRow = GroupRowOf(record, FLevelBeforeCancel); groupRow >= 0)
    record = dc->GetRowInfo(groupRow).RecordIndex;
  // Outside sync mode the dataset stays where its cancel left it.
  const int active = FActiveRecordIndex;
  if (IsSyncMode() && !dc->SyncDataSetPos(record))
    return false;
  FActiveRecordIndex = record;
  FocusActiveRecord(FLevelBeforeCancel);
  if (!IsSyncMode())
    FActiveRecordIndex = active;
  return true;
}

void TcxDBDataProvider::ReloadBuffer() {
  TFlagGuard guard(FGridBufferUpdating, DataController()->AliveToken());
  DBDataController()->ReloadData();
}

void TcxDBDataProvider::DataScrolled(int ADistance) {
  if (!FDataLink->Active())
    return;
  TcxDBDataController* dc = DBDataController();
  bool grid = IsGridMode();
  if (grid) {
    auto alive = dc->AliveToken();
    {
      cxdata::TControllerUpdate update(*dc);
      if (ADistance != 0 || dc->NeedsGridModeReload())
        ReloadBuffer();
      FActiveRecordIndex = FDataLink->ActiveRecord();
      if (ADistance != 0) {
        dc->NotifyGridModeScrolled();
        // The buffer rows show other records now: details opened on them belong to records gone by.
        if (dc->HasRelations())
          dc->CollapseDetails();
      }
    }
    if (!*alive)
      return;
  } else {
    FActiveRecordIndex = CurrentRecordIndex();
  }
  TcxCustomDataProvider::DataScrolled(ADistance);
  if (grid && DataSet()->IsSequenced())
    dc->DoGridModeBufferChanged();
  if (!IsPositioning())
    FocusActiveRecord();
}

void TcxDBDataProvider::LinkActiveChanged(bool AActive) {
  TcxDBDataController* dc = DBDataController();
  if (!AActive) {
    // No record is focused any more: none has its details in step.
    SetDetailSynchronized(false);
    dc->FBindings.clear();
    // Closed, every provider on the dataset empties itself: nothing waits to be read again.
    FDependentProviders.clear();
  }
  FDataSetInsertTaken = false;
  // Details that wait on this provider stay out of a detail reload, so the dataset ends where this one wants
  // it; inside its own detail reload a plain load does.
  if (AActive && !FDependentProviders.empty() && IsActive() && !dc->FDetailReloading && !IsPositioning())
    dc->DetailReload();
  else
    dc->ReloadData();
  if (AActive && FDataLink->Active()) {
    FActiveRecordIndex = CurrentRecordIndex();
    FocusActiveRecord();
    // The dataset was inserting before the controller saw it.
    if (DataSet()->State() == dsInsert && dc->DataModeController().ShowDataSetInserts)
      TakeDataSetInsert();
  }
  // Criteria may have been made before this dataset was reached, or for another one.
  dc->UpdateFilterOperators();
}

TcxDBDataProvider* TcxDBDataProvider::SharingProviderAtWork() {
  TDataSet* ds = DataSet();
  if (!ds)
    return nullptr;
  for (TcxDBDataProvider* p : ProviderList())
    if (p != this && p->DataSet() == ds &&
        (p->IsPositioning() || p->FInReload || p->DBDataController()->FDetailReloading))
      return p;
  return nullptr;
}

bool TcxDBDataProvider::LeaveToSharingProvider() {
  TcxDBDataController* dc = DBDataController();
  if (!dc->HasMasterKey())
    return false;
  TcxDBDataProvider* other = SharingProviderAtWork();
  if (!other)
    return false;
  if (std::find(other->FDependentProviders.begin(), other->FDependentProviders.end(), this) ==
      other->FDependentProviders.end())
    other->FDependentProviders.push_back(this);
  return true;
}

void TcxDBDataProvider::TakeDataSetInsert() {
  TcxDBDataController* dc = DBDataController();
  TDataSet* ds = DataSet();
  if (EditingRecordIndex() != cxNoRecord || dc->IsLoading())
    return;
  auto alive = dc->AliveToken();
  Positioning([&] {
    if (IsGridMode()) {
      // The buffer holds the new record already: its row becomes the row being inserted.
      int row = FDataLink->ActiveRecord();
      FActiveRecordIndex = row;
      if (row < 0 || row >= dc->GetRecordCount())
        return;
      if (dc->GetFocusedRecordIndex() != row)
        dc->ChangeFocusedRecordIndex(row);
      if (*alive && dc->GetFocusedRecordIndex() == row)
        BeginEditFocusedRecord();
    } else {
      InsertRecordEx(ds->Appending());
    }
  });
  if (*alive)
    FDataSetInsertTaken = EditingRecordIndex() != cxNoRecord;
}

void TcxDBDataProvider::InitInsertingRecord(int ARecordIndex, const std::vector<Variant>& AGroupValues) {
  TcxDBDataController* dc = DBDataController();
  // A record that program code inserts in the dataset keeps the values it was given there.
  if (!IsPositioning() && !FInDataSetOperation)
    TcxCustomDataProvider::InitInsertingRecord(ARecordIndex, AGroupValues);
  TDataSet* ds = DataSet();
  if (ds && ds->State() == dsInsert && ARecordIndex >= 0 && ARecordIndex < dc->GetRecordCount()) {
    auto alive = dc->AliveToken();
    dc->DoInitInsertingRecord(ARecordIndex);
    if (!*alive || ARecordIndex >= dc->GetRecordCount() || DataSet() != ds || ds->State() != dsInsert)
      return;
    TcxValueDefDBReader reader(dc);
    dc->DataStorage().ReadRecord(ARecordIndex, &reader, false);
  }
}

void TcxDBDataProvider::LinkRecordChanged(TField* AField) {
  (void)AField;
  TDataSet* ds = DataSet();
  TcxDBDataController* dc = DBDataController();
  int record = EditingRecordIndex();
  if (!ds || IsGridMode() || !IsEditState(ds->State()) || record < 0 || record >= dc->GetRecordCount())
    return;
  // Only while the dataset stands on the record the controller edits does the storage follow its fields.
  if (!FDataSetInsertTaken && (ds->State() != dsEdit || record != FActiveRecordIndex))
    return;
  TcxValueDefDBReader reader(dc);
  dc->DataStorage().ReadRecord(record, &reader, false);
  dc->DataChanged(dcRecord, -1, record);
}

void TcxDBDataProvider::LinkDataSetChanged() {
  TDataSet* ds = DataSet();
  if (FInReload || !ds || LeaveToSharingProvider())
    return;
  if (FDataLink->PendingLayoutChange) {
    FDataLink->PendingLayoutChange = false;
    LinkActiveChanged(FDataLink->Active());
    return;
  }
  if (SharingProviderAtWork() && !IsPositioning()) {
    // Another controller moved the dataset: this one only follows its position.
    DataScrolled(0);
    return;
  }
  if (IsGridMode()) {
    ReloadBuffer();
    if (DataController()->MultiSelect())
      DBDataController()->DBSelection().DropInvalid(ds);
    DataController()->CheckBookmarkValid(-1);
    FActiveRecordIndex = FDataLink->ActiveRecord();
    if (!IsPositioning())
      FocusActiveRecord();
    if (ds->State() == dsInsert && DBDataController()->DataModeController().ShowDataSetInserts)
      TakeDataSetInsert();
    return;
  }
  if (IsPositioning()) {
    FActiveRecordIndex = CurrentRecordIndex();
    return;
  }
  if (IsEditState(ds->State())) {
    TcxDBDataController* dc = DBDataController();
    // An insert that program code started in the dataset becomes the controller's new row; a detail that
    // does not follow its dataset leaves it alone.
    if (ds->State() == dsInsert && !FInDataSetOperation && dc->DataModeController().ShowDataSetInserts &&
        !(dc->IsDetailMode() && !IsSyncMode()))
      TakeDataSetInsert();
    return;
  }
  ResetEditing();
  if (FInsertCancelling && IsSmartRefresh() && ds->RecordCount() == DataController()->GetRecordCount()) {
    FLastEditedRecord = -1;
    FActiveRecordIndex = CurrentRecordIndex();
    if (!FocusBeforeCancel())
      FocusActiveRecordAfterChange();
    return;
  }
  if (!FDeletedRecords.empty()) {
    std::vector<int> list;
    list.swap(FDeletedRecords);
    TcxDBDataController* dc = DBDataController();
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    // Anything else the dataset changed meanwhile needs the full reload.
    if (IsSmartRefresh() && list.front() >= 0 && list.back() < dc->GetRecordCount() &&
        ds->RecordCount() == dc->GetRecordCount() - int(list.size())) {
      dc->DeleteRecordList(list);
      FActiveRecordIndex = CurrentRecordIndex();
      FocusActiveRecordAfterChange();
      return;
    }
  }
  if (IsSmartRefresh() && SmartRefreshRecord())
    return;
  // Without keys the records are known again by the dataset's position only, which names the same record
  // while the dataset holds as many records as before (a post or cancel of an edit): a focused group row of
  // the record the dataset stands on then comes back as the row of its group, as a keyed reload brings it
  // back, rather than the record's own row, which would open the group.
  int groupLevel = -1;
  if (!DBDataController()->IsKeyNavigation() && ds->RecordCount() == DataController()->GetRecordCount()) {
    TcxCustomDataController* dc = DataController();
    int row = dc->GetFocusedRowIndex();
    TcxRowInfo info = row >= 0 ? dc->GetRowInfo(row) : TcxRowInfo();
    if (row >= 0 && info.Level < dc->View().Groups().LevelCount() && info.RecordIndex == FActiveRecordIndex)
      groupLevel = info.Level;
  }
  {
    // The details of the record just posted follow it, whatever key it has now.
    struct Posted {
      int& Record;
      ~Posted() { Record = -1; }
    } posted{FPostedRecord};
    FPostedRecord = FLastEditedRecord;
    FLastEditedRecord = -1;
    DBDataController()->ReloadData();
  }
  FActiveRecordIndex = CurrentRecordIndex();
  if (!FocusBeforeCancel())
    FocusActiveRecordAfterChange(groupLevel);
}

void TcxDBDataProvider::LinkEditingChanged() {
  TDataSet* ds = DataSet();
  if (!ds)
    return;
  TcxDBDataController* dc = DBDataController();
  // A detail sharing its dataset edits only while the dataset stands on that detail's records.
  bool own = !dc->HasMasterKey() || dc->DataSetMatchesMasterKey();
  if (IsSyncMode() && ds->State() == dsEdit && own) {
    FActiveRecordIndex = CurrentRecordIndex();
    FLastEditedRecord = FActiveRecordIndex;
    FocusActiveRecord();
    if (TcxCustomDataProvider::EditingRecordIndex() == cxNoRecord) {
      TFlagGuard guard(dc->FEditFromDataSet, dc->AliveToken());
      BeginEditFocusedRecord();
    }
  } else if (!IsEditState(ds->State())) {
    FDataSetInsertTaken = false;
    int editing = EditingRecordIndex();
    // The posted new-item record joins the records without a reload: the smart refresh that follows reads
    // it from the dataset. A count other than one more means a cancel, or changes a reload must show.
    if (FLastEditedNew && IsSmartRefresh() && editing < 0 && editing != cxNoRecord &&
        ds->RecordCount() == dc->GetRecordCount() + 1) {
      int record = dc->AppendRecord();
      dc->UpdateRecordValues(editing, record);
      FLastEditedRecord = record;
    }
    FLastEditedNew = false;
    // The storage followed the fields while the record was edited: it takes the values the dataset holds
    // now, as posted or as before a cancel, before a reload finds the selection again by those keys.
    // A record the dataset deleted in edit has no values to take: it stands on another record by now. Posted
    // before the delete, the record still holds them.
    const bool gone = !FPostingBeforeDelete &&
                      std::find(FGoingRecords.begin(), FGoingRecords.end(), editing) != FGoingRecords.end();
    if (editing >= 0 && editing < dc->GetRecordCount() && editing == FActiveRecordIndex && !gone &&
        !IsGridMode() && ds->Active() && !ds->IsEmpty()) {
      TcxValueDefDBReader reader(dc);
      dc->DataStorage().ReadRecord(editing, &reader, false);
      // Told as a change of this record, the view finds its groups again by the values they were built on.
      dc->DataChanged(dcRecord, -1, editing);
    }
    ResetEditing();
  }
  if (ds->State() == dsInsert && FInDataSetOperation && dc->HasMasterKey())
    dc->AssignMasterKeyToInsert();
}

bool TcxDBDataProvider::IsSmartRefresh() {
  TcxDBDataController* dc = DBDataController();
  return dc->DataModeController().SmartRefresh() && dc->IsKeyNavigation();
}

bool TcxDBDataProvider::SmartRefreshRecord() {
  TcxDBDataController* dc = DBDataController();
  TDataSet* ds = DataSet();
  int record = FLastEditedRecord;
  FLastEditedRecord = -1;
  if (record < 0 || record >= dc->GetRecordCount() || !ds->Active() || ds->IsEmpty() ||
      ds->RecordCount() != dc->GetRecordCount())
    return false;
  std::vector<TField*> fields;
  for (TcxCustomDataField* key : dc->GetKeyFields()) {
    TField* field = dc->GetFieldOf(key);
    if (!field)
      return false;
    fields.push_back(field);
  }
  Variant key;
  GetFieldValues(fields, key);
  // The dataset must still stand on the edited record: its key is the record's, or a new one that no other
  // loaded record holds (the edit changed the key).
  if (!SameKeyValues(key, dc->GetRecordId(record))) {
    int other = dc->FindRecordIndexByKey(key);
    if (other != -1 && other != record)
      return false;
  }
  TcxValueDefDBReader reader(dc);
  dc->DataStorage().ReadRecord(record, &reader, false);
  FActiveRecordIndex = record;
  dc->UpdateRecordDetailKeys(record);
  DataChanged(dcRecord, -1, record);
  if (!FocusBeforeCancel())
    FocusActiveRecordAfterChange();
  return true;
}

void TcxDBDataLink::ActiveChanged() {
  if (!FProvider->FDetaching)
    FProvider->LinkActiveChanged(Active());
}

void TcxDBDataLink::DataEvent(TDataEvent AEvent, std::intptr_t AInfo) {
  TDataLink::DataEvent(AEvent, AInfo);
  if (AEvent == deDisabledStateChange && AInfo == 0) {
    PendingLayoutChange = true;
    // A close frees the dataset's own fields: nothing may read them until the layout is rebuilt.
    FProvider->DBDataController()->FBindings.clear();
  }
}

void TcxDBDataLink::DataSetChanged() {
  if (!FProvider->FDetaching)
    FProvider->LinkDataSetChanged();
}

void TcxDBDataLink::DataSetScrolled(int ADistance) {
  if (!FProvider->FInReload && !FProvider->FDetaching && !FProvider->LeaveToSharingProvider())
    FProvider->DataScrolled(ADistance);
}

void TcxDBDataLink::EditingChanged() {
  if (!FProvider->FInReload && !FProvider->FDetaching)
    FProvider->LinkEditingChanged();
}

void TcxDBDataLink::FocusControl(TField*& AField) {
  if (!AField || FProvider->FDetaching)
    return;
  TcxDBDataController* dc = FProvider->DBDataController();
  for (int i = 0; i < dc->BoundItemCount(); ++i)
    if (dc->GetItemField(i) == AField) {
      bool done = false;
      dc->FocusControl(i, done);
      if (done)
        AField = nullptr;
      return;
    }
}

void TcxDBDataLink::UpdateData() {
  if (FProvider->FDetaching)
    return;
  // The owner's editor may hold a value not yet handed over: the dataset's post must take it.
  FProvider->CheckChanging();
  if (FProvider->IsSmartRefresh())
    RecordChanged(nullptr);
  FProvider->ResetChanging();
}

void TcxDBDataLink::LayoutChanged() {
  if (FProvider->FInReload || FProvider->FDetaching || FProvider->LeaveToSharingProvider())
    return;
  if (DataSet() && DataSet()->State() == dsInsert) {
    DataSetChanged();
    return;
  }
  PendingLayoutChange = false;
  FProvider->LinkActiveChanged(Active());
}

void TcxDBDataLink::RecordChanged(TField* AField) {
  if (!FProvider->FInReload && !FProvider->FDetaching)
    FProvider->LinkRecordChanged(AField);
}

bool RefusesRealOfNoInteger(TField* AField, TcxValueDef* AValueDef) {
  return IsIntegerFieldType(AField->DataType()) &&
         VarTypeIsInteger(AValueDef->ValueTypeClass()->GetVarType());
}

TcxValueDefDBReader::TcxValueDefDBReader(TcxDBDataController* ADataController)
    : FDataController(ADataController),
      FBookmarks(ADataController->DBProvider().FRecordsByBookmark && !ADataController->IsGridMode()) {
  TcxCustomDataFieldList& fields = ADataController->Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    auto* field = static_cast<TcxDBDataField*>(fields.Items(i));
    TField* bound = ADataController->GetFieldOf(field);
    if (field->ValueDef())
      FEntries.push_back({field->ValueDef(), bound, bound && bound->IsBlob(),
                          !bound && !field->SubFields().empty() ? field : nullptr,
                          bound && RefusesRealOfNoInteger(bound, field->ValueDef()),
                          field == ADataController->FRecordBookmarkField});
  }
}

const TcxValueDefDBReader::TEntry* TcxValueDefDBReader::EntryOf(TcxValueDef* AValueDef) {
  // Internal records, such as a locate's search record, read through twins of the regular definitions.
  if (auto* internal = dynamic_cast<TcxInternalValueDef*>(AValueDef))
    AValueDef = internal->RegularDef();
  std::size_t count = FEntries.size();
  // A peek that finds no place in the dataset is followed by a read of the same value.
  if (FLast < count && FEntries[FLast].Def == AValueDef)
    return &FEntries[FLast];
  for (std::size_t n = 0, i = FCursor; n < count; ++n, i = i + 1 == count ? 0 : i + 1)
    if (FEntries[i].Def == AValueDef) {
      FLast = i;
      FCursor = i + 1 == count ? 0 : i + 1;
      return &FEntries[i];
    }
  return nullptr;
}

AnsiString TcxValueDefDBReader::GetDisplayText(TcxValueDef* AValueDef) {
  const TEntry* entry = EntryOf(AValueDef);
  if (!entry)
    return AnsiString();
  if (entry->Composite)
    return FDataController->GetDataSetDisplayText(entry->Composite);
  return entry->Field ? entry->Field->DisplayText() : AnsiString();
}

Variant TcxValueDefDBReader::GetValue(TcxValueDef* AValueDef) {
  const TEntry* entry = EntryOf(AValueDef);
  if (!entry)
    return Null;
  if (entry->Composite) {
    const auto& subs = entry->Composite->SubFields();
    std::vector<Variant> values;
    for (TcxDBDataField* sub : subs) {
      TField* field = FDataController->GetFieldOf(sub);
      values.push_back(field && !field->IsBlob() ? field->Value() : Null);
    }
    return values.size() == 1 ? values[0] : VarArrayOf(values);
  }
  if (entry->Bookmark) {
    TDataSet* ds = FDataController->DataSet();
    return FBookmarks && ds->BookmarkAvailable() ? Variant(ds->Bookmark()) : Variant(Null);
  }
  if (!entry->Field || entry->Blob)
    return Null;
  Variant value = entry->Field->Value();
  // Storing would round it: it is refused as a text of another kind is.
  if (entry->Integral && IsRealOfNoInteger(value))
    throw EDatabaseError(
        UnreadableValueMessage(entry->Field, value, entry->Def->ValueTypeClass()->GetTypeName()));
  return value;
}

const Variant* TcxValueDefDBReader::PeekValue(TcxValueDef* AValueDef) {
  static const Variant none = Null;
  const TEntry* entry = EntryOf(AValueDef);
  if (entry && entry->Bookmark && !FBookmarks)
    return &none;
  if (!entry || !entry->Field || entry->Blob)
    return nullptr;
  const Variant* value = entry->Field->DataSet()->FieldDataRef(entry->Field);
  // A value the storage must not take is left to GetValue, which says why.
  return value && entry->Integral && IsRealOfNoInteger(*value) ? nullptr : value;
}
