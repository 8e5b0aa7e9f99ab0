#include <algorithm>
#include <exception>

#include "data/cxCustomData_Internal.h"
#include "data/cxDBData.h"
#include "data/cxDBData_Internal.h"

using cxdata::TFlagGuard;

void TcxDBDataController::SetDetailKeyFieldNames(const AnsiString& AValue) {
  if (AValue == FDetailKeyFieldNames)
    return;
  FDetailKeyFieldNames = AValue;
  DetailReload();
}

void TcxDBDataController::SetMasterKeyFieldNames(const AnsiString& AValue) {
  FMasterKeyFieldNames = AValue;
}

void TcxDBDataController::SetMasterKeyValues(const Variant& AValue) {
  ChangeMasterKey(AValue, AnsiString());
}

void TcxDBDataController::ChangeMasterKey(const Variant& AValues, const AnsiString& ARefusal) {
  if (SameKeyValues(AValues, FMasterKeyValues) && ARefusal == FMasterKeyRefusal)
    return;
  FMasterKeyValues = AValues;
  FMasterKeyRefusal = ARefusal;
  DetailReload();
}

void TcxDBDataController::SetMasterRecord(TcxDBDataController* AMaster, int ARecordIndex) {
  Variant values;
  AnsiString refusal;
  if (AMaster && ARecordIndex >= 0 && !FMasterKeyFieldNames.empty())
    values = AMaster->GetRecordKeyByFieldNames(ARecordIndex, FMasterKeyFieldNames, refusal);
  ChangeMasterKey(values, refusal);
}

void TcxDBDataController::CheckMasterKeyToInsert() {
  if (!FMasterKeyRefusal.empty())
    throw EcxInvalidDataControllerOperation(FMasterKeyRefusal);
}

void TcxDBDataController::AssignMasterKeyToInsert() {
  TDataSet* ds = DataSet();
  if (!ds || ds->State() != dsInsert || !HasMasterKey())
    return;
  std::vector<AnsiString> names = SplitFieldNameList(FDetailKeyFieldNames);
  bool array = VarIsArray(FMasterKeyValues);
  if (names.size() > 1 &&
      (!array || VarArrayHighBound(FMasterKeyValues, 1) - VarArrayLowBound(FMasterKeyValues, 1) + 1 !=
                     int(names.size())))
    return;
  for (std::size_t i = 0; i < names.size(); ++i) {
    TField* field = ds->FindField(names[i]);
    // A value the insert already has is the program's to keep.
    if (!field || !field->IsNull())
      continue;
    field->SetValue(names.size() == 1 && !array
                        ? FMasterKeyValues
                        : FMasterKeyValues[int(i) + VarArrayLowBound(FMasterKeyValues, 1)]);
  }
}

bool TcxDBDataRelation::HasKeys(TcxDBDataController* ADetail) {
  return ADetail && !ADetail->DetailKeyFieldNames().empty();
}

Variant TcxDBDataRelation::GetMasterKeyValues(int AMasterRecordIndex, TcxDBDataController* ADetail) {
  auto* master = dynamic_cast<TcxDBDataController*>(DataController());
  if (!master)
    return Variant();
  master->CheckRecordRange(AMasterRecordIndex);
  if (!HasKeys(ADetail) || ADetail->MasterKeyFieldNames().empty())
    return Variant();
  return master->GetRecordValuesByFieldNames(AMasterRecordIndex, ADetail->MasterKeyFieldNames());
}

TcxCustomDataRelation* TcxDBDataController::CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem) {
  return new TcxDBDataRelation(AList, AItem);
}

void TcxDBDataController::SetMasterRelation(TcxCustomDataRelation* ARelation, int ARecordIndex) {
  bool wasDB = dynamic_cast<TcxDBDataRelation*>(GetMasterRelation()) != nullptr;
  // The master hands this detail its record: the reloads on the way must not move the master in turn.
  TFlagGuard sync(FInDetailSync, AliveToken());
  {
    cxdata::TControllerUpdate update(*this);
    TcxCustomDataController::SetMasterRelation(ARelation, ARecordIndex);
    auto* relation = dynamic_cast<TcxDBDataRelation*>(ARelation);
    if (relation && ARecordIndex != -1)
      TakeMasterKey(dynamic_cast<TcxDBDataController*>(relation->DataController()), ARecordIndex);
    else if (wasDB)
      ChangeMasterKey(Variant(), AnsiString());
  }
  FollowDataSetRecord();
}

TcxDBDataController* TcxDBDataController::GetDBMaster() const {
  if (!dynamic_cast<TcxDBDataRelation*>(GetMasterRelation()))
    return nullptr;
  return dynamic_cast<TcxDBDataController*>(GetMasterDataController());
}

void TcxDBDataController::SyncMasterChain() {
  TcxDBDataController* master = GetDBMaster();
  if (!master || FInMasterSync || !HasMasterKey() || !Provider().IsSyncMode() ||
      !master->Provider().IsSyncMode() || master->Provider().IsEditing())
    return;
  TFlagGuard guard(master->FInMasterSync, master->AliveToken());
  master->SyncMasterChain();
  if (!SyncMaster(master))
    return;
  int record = master->GetFocusedRecordIndex();
  int relation = GetMasterRelation()->Index();
  master->ChangeDetailActiveRelationIndex(record, relation);
  master->ChangeDetailExpanding(record, true);
}

void TcxDBDataController::DetailRequery() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || !HasMasterKey() || IsGridMode())
    return;
  // Another detail sharing the dataset may have run the query for its key, or moved the dataset onto its
  // records: a move relative to this detail's last position would then land on a stranger's record.
  bool current = DataModeController().DetailInSQLMode
                     ? DataModeController().DetailIsCurrentQuery(FDetailKeyFieldNames, FMasterKeyValues)
                     : DataSetMatchesMasterKey() || ds->IsEmpty();
  if (current)
    return;
  TFlagGuard guard(FDetailReloading, AliveToken());
  TcxDBDataProvider& provider = DBProvider();
  provider.LockNotify();
  struct Unlock {
    TcxDBDataProvider& P;
    ~Unlock() { P.UnlockNotify(); }
  } unlock{provider};
  provider.First();
  provider.FActiveRecordIndex = 0;
}

void TcxDBDataController::DetailReload() {
  TFlagGuard sync(FInDetailSync, AliveToken());
  TDataSet* ds = DataSet();
  if (ds && ds->Active() && HasMasterKey() && !IsGridMode() &&
      !(DataModeController().DetailInSQLMode &&
        DataModeController().DetailIsCurrentQuery(FDetailKeyFieldNames, FMasterKeyValues))) {
    // The load keeps the dataset where it finds it: at the first record of the master.
    TFlagGuard guard(FDetailReloading, AliveToken());
    TcxDBDataProvider& provider = DBProvider();
    provider.LockNotify();
    struct Unlock {
      TcxDBDataProvider& P;
      ~Unlock() { P.UnlockNotify(); }
    } unlock{provider};
    provider.First();
  }
  ReloadData();
  FollowDataSetRecord();
}

void TcxDBDataController::FollowDataSetRecord() {
  TDataSet* ds = DataSet();
  TcxDBDataProvider& provider = DBProvider();
  if (!ds || !ds->Active() || !provider.DataLink().Active() || IsGridMode() || View().LockCount() != 0)
    return;
  TFlagGuard sync(FInDetailSync, AliveToken());
  provider.FActiveRecordIndex = provider.CurrentRecordIndex();
  provider.FocusActiveRecord();
}

std::vector<TField*> TcxDBDataController::DetailKeyFields() {
  std::vector<TField*> fields;
  TDataSet* ds = DataSet();
  if (!ds)
    return fields;
  for (const AnsiString& name : SplitFieldNameList(FDetailKeyFieldNames)) {
    TField* field = ds->FindField(name);
    if (!field)
      return {};
    fields.push_back(field);
  }
  return fields;
}

bool TcxDBDataController::DataSetMatchesMasterKey() {
  TDataSet* ds = DataSet();
  if (!HasMasterKey())
    return true;
  if (!ds || !ds->Active() || ds->IsEmpty())
    return false;
  std::vector<TField*> fields = DetailKeyFields();
  if (fields.empty())
    return false;
  Variant values;
  GetFieldValues(fields, values);
  return SameKeyValues(values, FMasterKeyValues) && !DetailKeyReadApproximately();
}

bool TcxDBDataController::DetailKeyReadApproximately() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->BookmarkAvailable())
    return false;
  for (TField* field : DetailKeyFields())
    if (ds->HoldsApproximateValues(field) && ds->ReadApproximately(field, ds->Bookmark()))
      return true;
  return false;
}

bool TcxDBDataController::SyncMaster(TcxDBDataController* AMaster) {
  TDataSet* ds = AMaster ? AMaster->DataSet() : nullptr;
  if (!ds || !ds->Active() || !HasMasterKey() || FMasterKeyFieldNames.empty())
    return false;
  std::vector<TField*> fields;
  for (const AnsiString& name : SplitFieldNameList(FMasterKeyFieldNames)) {
    TField* field = ds->FindField(name);
    if (!field)
      throw EcxInvalidDataControllerOperation(cxSDBKeyFieldNotFound);
    fields.push_back(field);
  }
  int record = GetMasterDataController() == AMaster ? GetMasterRecordIndex() : -1;
  if (record >= 0 && record < AMaster->GetRecordCount()) {
    // The record this detail hangs from is reached as the master reaches its records.
    if (!AMaster->SyncDataSetPos(record))
      return false;
  } else {
    // A key names the record that holds it exactly: one that only reads as it may be another's.
    auto approximate = [&] {
      for (TField* field : fields)
        if (ds->HoldsApproximateValues(field) && ds->ReadApproximately(field, ds->Bookmark()))
          return true;
      return false;
    };
    Variant current;
    if (!ds->IsEmpty())
      GetFieldValues(fields, current);
    if (ds->IsEmpty() || !SameKeyValues(current, FMasterKeyValues) || approximate()) {
      bool found = ds->Locate(FMasterKeyFieldNames, FMasterKeyValues, TLocateOptions());
      while (found && approximate())
        found = ds->LocateNext(FMasterKeyFieldNames, FMasterKeyValues, TLocateOptions());
      if (!found)
        return false;
    }
    record = AMaster->DBProvider().CurrentRecordIndex();
    if (record < 0 || record >= AMaster->GetRecordCount())
      return false;
  }
  if (AMaster->GetFocusedRecordIndex() != record)
    AMaster->ChangeFocusedRecordIndex(record);
  return AMaster->GetFocusedRecordIndex() == record;
}

void TcxDBDataController::TakeMasterKey(TcxDBDataController* AMaster, int ARecordIndex) {
  Variant values;
  AnsiString refusal;
  if (AMaster && TcxDBDataRelation::HasKeys(this) && !FMasterKeyFieldNames.empty())
    values = AMaster->GetRecordKeyByFieldNames(ARecordIndex, FMasterKeyFieldNames, refusal);
  ChangeMasterKey(values, refusal);
}

Variant TcxDBDataController::GetRecordKeyByFieldNames(int ARecordIndex, const AnsiString& AFieldNames,
                                                      AnsiString& AWhyNot) {
  std::vector<TcxCustomDataField*> fields;
  Variant values = RecordValuesByFieldNames(ARecordIndex, AFieldNames, fields);
  AWhyNot = InexactValueText(ARecordIndex, fields);
  return AWhyNot.empty() ? values : Variant();
}

AnsiString TcxDBDataController::InexactValueText(int ARecordIndex,
                                                 const std::vector<TcxCustomDataField*>& AFields) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ARecordIndex < 0)
    return AnsiString();
  TcxDBDataProvider& provider = DBProvider();
  bool bookmarkRead = false;
  TBookmarkStr bookmark;
  // The bookmark of the record's row is asked for only where the row may hold a value read approximately.
  auto rowBookmark = [&] {
    if (bookmarkRead)
      return bookmark;
    bookmarkRead = true;
    if (IsGridMode())
      provider.ReadAtRecord(ARecordIndex, [&] {
        if (ds->BookmarkAvailable())
          bookmark = ds->Bookmark();
      });
    else if (provider.FRecordsByBookmark)
      bookmark = provider.RecordBookmark(ARecordIndex);
    else if (ds->BookmarkAvailable() && ds->State() == dsBrowse &&
             provider.CurrentRecordIndexOrNone() == ARecordIndex)
      bookmark = ds->Bookmark();
    return bookmark;
  };
  std::vector<TcxCustomDataField*> fields = AFields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    auto* field = static_cast<TcxDBDataField*>(fields[i]);
    fields.insert(fields.end(), field->SubFields().begin(), field->SubFields().end());
    TField* bound = GetFieldOf(field);
    if (!bound || !ds->HoldsApproximateValues(bound))
      continue;
    if (rowBookmark().empty())
      return "Field '" + bound->FieldName +
             "' holds values the dataset read only approximately, and which of them the master record holds "
             "cannot be told: it cannot name the master's detail records";
    if (ds->ReadApproximately(bound, bookmark))
      return "Field '" + bound->FieldName +
             "' of the master record holds a value the dataset read only approximately: other values read "
             "the same, so it cannot name the master's detail records";
  }
  return AnsiString();
}

Variant TcxDBDataController::GetRecordValuesByFieldNames(int ARecordIndex, const AnsiString& AFieldNames) {
  std::vector<TcxCustomDataField*> fields;
  return RecordValuesByFieldNames(ARecordIndex, AFieldNames, fields);
}

Variant TcxDBDataController::RecordValuesByFieldNames(int& ARecordIndex, const AnsiString& AFieldNames,
                                                      std::vector<TcxCustomDataField*>& AFields) {
  CheckRecordRange(ARecordIndex);
  std::vector<AnsiString> names = SplitFieldNameList(AFieldNames);
  bool added = false;
  std::vector<AnsiString> keys = SplitFieldNameList(FKeyFieldNames);
  for (const AnsiString& name : names) {
    TcxCustomDataField* found = nullptr;
    for (int i = 0; i < BoundItemCount() && !found; ++i)
      if (SameText(GetItemFieldName(i), name))
        found = TcxCustomDataController::GetItemField(i);
    for (std::size_t i = 0; i < keys.size() && i < FKeyFields.size() && !found; ++i)
      if (SameText(keys[i], name))
        found = FKeyFields[i];
    for (auto& [field, internalName] : FInternalNames)
      if (!found && SameText(internalName, name))
        found = field;
    if (!found) {
      TDataSet* ds = DataSet();
      if (!ds || !ds->FindField(name))
        throw EcxInvalidDataControllerOperation(cxSDBKeyFieldNotFound);
      found = AddInternalField();
      FInternalNames[found] = name;
      added = true;
    }
    AFields.push_back(found);
  }
  if (added) {
    // The new fields have no values until the records are read again, which keeps a record's place only in
    // the dataset's order: the record is found again by its bookmark, or else by its key.
    TBookmarkStr bookmark = DBProvider().RecordBookmark(ARecordIndex);
    Variant key;
    if (bookmark.empty() && !FKeyFields.empty())
      key = IsKeyNavigation() ? KeyOfRecordToReach(ARecordIndex) : GetRecordId(ARecordIndex);
    ReloadData();
    if (!bookmark.empty())
      ARecordIndex = DBProvider().RecordOfBookmark(bookmark, ARecordIndex);
    else if (!VarIsEmpty(key) && !VarIsNull(key))
      ARecordIndex = FindRecordIndexByKey(key);
    if (ARecordIndex < 0)
      return Variant();
    CheckRecordRange(ARecordIndex);
  }
  return GetRecordValuesByFields(ARecordIndex, AFields);
}

bool TcxDBDataController::CanChangeFocusedRow() {
  // The controller's own positioning and a focus that follows the master need no leave from the master.
  if (FInDetailSync || FFocusing || DBProvider().IsPositioning())
    return true;
  TcxDBDataController* master = GetDBMaster();
  if (!master)
    return true;
  auto alive = AliveToken();
  auto masterAlive = master->AliveToken();
  if (!master->CanChangeFocusedRow())
    return false;
  // The posts run handlers that may free either controller.
  if (!*alive || !*masterAlive)
    return false;
  master->CheckBrowseMode();
  if (!*alive || !*masterAlive)
    return false;
  CheckBrowseMode();
  return *alive && *masterAlive;
}

bool TcxDBDataController::CanChangeDetailExpanding(int ARecordIndex, bool AExpanded) {
  if (IsGridMode() && AExpanded) {
    TDataSet* ds = DataSet();
    TcxDBDataLink& link = DBProvider().DataLink();
    if (!ds || !ds->Active() || ARecordIndex < 0 || ARecordIndex >= link.RecordCount())
      return false;
    int active = link.ActiveRecord();
    link.SetActiveRecord(ARecordIndex);
    TBookmarkStr wanted = ds->BookmarkAvailable() ? ds->Bookmark() : TBookmarkStr();
    link.SetActiveRecord(active);
    auto alive = AliveToken();
    for (int attempt = 0; attempt < 2 && GetFocusedRecordIndex() != ARecordIndex; ++attempt) {
      ChangeFocusedRecordIndex(ARecordIndex);
      if (!*alive)
        return false;
    }
    if (GetFocusedRecordIndex() != ARecordIndex)
      return false;
    // Focusing can scroll the buffer, and buffer row ARecordIndex then holds another record than the one
    // asked for: its details must not open in its place.
    if (wanted.empty() || !ds->BookmarkAvailable() || ds->CompareBookmarks(ds->Bookmark(), wanted) != 0)
      return false;
  }
  return TcxCustomDataController::CanChangeDetailExpanding(ARecordIndex, AExpanded);
}

void TcxDBDataController::GridModeChanged() {
  if (IsDestroying())
    return;
  ClearBookmark();
  FGridModeSwitched = true;
  ReloadData();
}

bool TcxDBDataController::NeedsGridModeReload() {
  if (TcxCustomDataController::NeedsGridModeReload() || FBufferReloading)
    return true;
  TDataSet* ds = DataSet();
  if (!IsGridMode() || !HasMasterKey() || !DataModeController().DetailSynchronization || !ds ||
      !ds->Active() || ds->IsEmpty() || IsEditState(ds->State()))
    return false;
  return !DataSetMatchesMasterKey();
}

void TcxDBDataController::ClearDetails() {
  TcxDBDataProvider& provider = DBProvider();
  if (provider.FInClearDetails)
    return;
  auto alive = AliveToken();
  TFlagGuard guard(provider.FInClearDetails, alive);
  // Details that wait again while others are read wait for the next call: the list is taken whole, so the
  // pass ends even when two details keep waiting on each other.
  std::vector<TcxDBDataProvider*> dependents;
  dependents.swap(provider.FDependentProviders);
  while (!dependents.empty()) {
    TcxDBDataProvider* dependent = dependents.back();
    dependents.pop_back();
    dependent->DBDataController()->DetailReload();
    if (!*alive)
      return;
    // A dependent freed meanwhile has left the providers' list.
    const auto& live = TcxDBDataProvider::Providers();
    std::erase_if(dependents,
                  [&](TcxDBDataProvider* p) { return std::find(live.begin(), live.end(), p) == live.end(); });
  }
}

bool TcxDBDataController::KeyedReload(const std::function<void()>& AReload) {
  TcxDBDataProvider& provider = DBProvider();
  if (!IsKeyNavigation() || !provider.DataLink().Active() || FInKeyedReload)
    return false;
  // With keys, selection and expanded details are found again by key after the records are read anew; the
  // focus stays on the record the dataset stands on, which may have moved while the dataset reloaded.
  auto alive = AliveToken();
  TFlagGuard reload(FInKeyedReload, alive);
  // Record indexes change with the reload: an edited-record marker would point at another record.
  provider.FLastEditedRecord = -1;
  BeginFullUpdate();
  try {
    AReload();
  } catch (...) {
    if (*alive)
      EndFullUpdate();
    throw;
  }
  if (!*alive)
    return true;
  {
    TFlagGuard keep(FFocusing, alive);
    EndFullUpdate();
  }
  if (*alive && provider.DataLink().Active()) {
    provider.FActiveRecordIndex = provider.CurrentRecordIndex();
    if (!provider.FocusBeforeCancel())
      provider.FocusActiveRecord();
  }
  return true;
}

void TcxDBDataController::ReloadStorage() {
  std::vector<THeldDetail> held = TakeRecordDetails();
  if (held.empty()) {
    ReloadRecords();
    return;
  }
  std::vector<Variant> keys;
  for (const THeldDetail& h : held) {
    auto* detail = dynamic_cast<TcxDBDataController*>(h.Detail);
    keys.push_back(detail ? detail->MasterKeyValues() : Variant());
  }
  int posted = DBProvider().FPostedRecord;
  try {
    ReloadRecords();
  } catch (...) {
    // The records are gone with the failed read, and their details with them; the read's error is what the
    // caller must see.
    for (const THeldDetail& h : held)
      try {
        PutRecordDetail(h, -1);
      } catch (const Exception&) {
      }
    throw;
  }
  FindRecordDetails(held, keys, posted);
}

void TcxDBDataController::FindRecordDetails(const std::vector<THeldDetail>& AHeld,
                                            const std::vector<Variant>& AKeys, int APosted) {
  for (std::size_t i = 0; i < AHeld.size(); ++i) {
    const THeldDetail& h = AHeld[i];
    if (!*h.Alive || h.Detail->GetMasterDataController() != this)
      continue;
    auto* detail = dynamic_cast<TcxDBDataController*>(h.Detail);
    auto* relation = detail ? dynamic_cast<TcxDBDataRelation*>(h.Detail->GetMasterRelation()) : nullptr;
    int record = -1;
    if (!relation || !TcxDBDataRelation::HasKeys(detail) || detail->MasterKeyFieldNames().empty() ||
        !detail->MasterKeyRefusal().empty()) {
      // Without a key a detail knows its master record by its place only.
      record = h.Record < GetRecordCount() ? h.Record : -1;
    } else if (h.Record == APosted) {
      record = DBProvider().CurrentRecordIndexOrNone();
    } else {
      auto holds = [&](int r) { return SameKeyValues(relation->GetMasterKeyValues(r, detail), AKeys[i]); };
      // The place it had is tried first: records mostly stay where they were.
      if (h.Record < GetRecordCount() && holds(h.Record))
        record = h.Record;
      for (int r = 0; record < 0 && r < GetRecordCount(); ++r)
        if (r != h.Record && holds(r))
          record = r;
    }
    PutRecordDetail(h, record);
    if (record >= 0 && *h.Alive && detail && relation && h.Detail->GetMasterDataController() == this)
      detail->TakeMasterKey(this, record);
  }
}

void TcxDBDataController::UpdateRecordDetailKeys(int ARecordIndex) {
  if (!HasRelations() || ARecordIndex < 0 || ARecordIndex >= GetRecordCount())
    return;
  std::vector<TcxCustomDataController*> details;
  for (int i = 0; i < Relations().Count(); ++i)
    if (IsDetailDataControllerExist(ARecordIndex, i))
      details.push_back(GetDetailDataController(ARecordIndex, i));
  for (TcxCustomDataController* dc : details) {
    auto* detail = dynamic_cast<TcxDBDataController*>(dc);
    auto* relation = detail ? dynamic_cast<TcxDBDataRelation*>(detail->GetMasterRelation()) : nullptr;
    if (relation && detail->GetMasterRecordIndex() == ARecordIndex)
      detail->TakeMasterKey(this, ARecordIndex);
  }
}

void TcxDBDataController::ReloadRecords() {
  TcxDBDataProvider& provider = DBProvider();
  TDataSet* ds = DataSet();
  if (!IsGridMode() && ds && IsEditState(ds->State()) && provider.DataLink().Active()) {
    // Walking the records would post or cancel the dataset's edit behind its back. The records stay as they
    // are (a reload may have emptied them) until the edit ends, whose post or cancel reads them again.
    View().DropState();
    AddChanges(dccLayout);
    int editing = provider.EditingRecordIndex();
    if (editing >= GetRecordCount()) {
      provider.ResetEditing();
    } else if (editing >= 0 && provider.FDataSetInsertTaken) {
      // The fields may be bound anew: the row of the new record reads them again.
      TcxValueDefDBReader reader(this);
      DataStorage().ReadRecord(editing, &reader, false);
    }
    if (ds->State() == dsInsert && provider.EditingRecordIndex() == cxNoRecord &&
        DataModeController().ShowDataSetInserts)
      provider.TakeDataSetInsert();
    return;
  }
  if (!KeyedReload([&] {
        LoadStorage();
        UpdateSortingAfterLoad();
      })) {
    // The new record's buffer row may move with a grid-mode load: the row being inserted is found again.
    bool gridInsert =
        IsGridMode() && ds && ds->State() == dsInsert && DataModeController().ShowDataSetInserts;
    if (gridInsert)
      provider.ResetEditing();
    LoadStorage();
    UpdateSortingAfterLoad();
    if (gridInsert && provider.DataLink().Active())
      provider.TakeDataSetInsert();
  }
  // A record index of the other mode names another record in this one: the focus was kept by index.
  if (FGridModeSwitched && provider.DataLink().Active()) {
    FGridModeSwitched = false;
    provider.FActiveRecordIndex = provider.CurrentRecordIndex();
    provider.FocusActiveRecord();
  }
}

void TcxDBDataController::LoadStorage() {
  try {
    TcxCustomDataController::ReloadStorage();
  } catch (...) {
    std::exception_ptr error = std::current_exception();
    // The dataset still stands on the record that failed: it is described before it moves back.
    AnsiString unreadable;
    try {
      unreadable = UnreadableValueText();
    } catch (const Exception&) {
      // The value cannot even be looked at; the load's own error says what went wrong.
    }
    // Part of a load is no view of the dataset: the records go, and the load ends as a finished one does,
    // with its links still held off so that enabling the controls cannot start the same failing load again.
    DataStorage().Clear(true);
    View().DropState();
    AddChanges(dccLayout);
    try {
      DBProvider().EndLoadRecords();
    } catch (const Exception&) {
      // The record the load started from may be gone; the failure to load is what the caller must see.
    }
    if (!unreadable.empty())
      throw EDatabaseError(unreadable);
    std::rethrow_exception(error);
  }
}

AnsiString TcxDBDataController::UnreadableValueText() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ds->Eof())
    return AnsiString();
  for (int i = 0; i < Fields().Count(); ++i) {
    TcxCustomDataField* field = Fields().Items(i);
    TField* bound = GetFieldOf(field);
    TcxValueDef* def = field->ValueDef();
    if (!bound || bound->IsBlob() || !def)
      continue;
    Variant value = bound->Value();
    if (!def->ValueTypeClass()->IsValueValid(value) ||
        (RefusesRealOfNoInteger(bound, def) && IsRealOfNoInteger(value)))
      return UnreadableValueMessage(bound, value, def->ValueTypeClass()->GetTypeName());
  }
  return AnsiString();
}

void TcxDBDataController::UpdateSortingAfterLoad() {
  if (FInSortingAfterLoad)
    return;
  auto alive = AliveToken();
  TFlagGuard guard(FInSortingAfterLoad, alive);
  cxdata::TControllerUpdate update(*this);
  TcxDBDataProvider& provider = DBProvider();
  if (!provider.IsActive())
    return;
  if (GetDBMaster()) {
    // A master that is moving this detail already stands where the detail wants it.
    if (!FInDetailSync)
      SyncMasterChain();
    return;
  }
  if (!IsKeyNavigation())
    return;
  // The dataset's record is found again; a second look would find the same record.
  int record = provider.CurrentRecordIndexOrNone();
  if (record >= 0)
    provider.FActiveRecordIndex = record;
}

bool TcxDBDataController::HasDetailChildren(int ARecordIndex, int ARelationIndex) {
  CheckRecordRange(ARecordIndex);
  if (!HasRelations() || ARelationIndex < 0 || ARelationIndex >= Relations().Count())
    return false;
  auto* relation = dynamic_cast<TcxDBDataRelation*>(Relations().Items(ARelationIndex));
  auto* detail = relation ? dynamic_cast<TcxDBDataController*>(relation->DetailDataController) : nullptr;
  // Without a detail controller there is nothing to show under the record.
  bool has = detail != nullptr;
  Variant values;
  AnsiString names;
  if (detail && TcxDBDataRelation::HasKeys(detail)) {
    names = detail->DetailKeyFieldNames();
    AnsiString refusal;
    if (!detail->MasterKeyFieldNames().empty())
      values = GetRecordKeyByFieldNames(ARecordIndex, detail->MasterKeyFieldNames(), refusal);
    TDataSet* ds = detail->DataSet();
    // A query re-run per master record holds only one master's records: there the answer stays open.
    if (!refusal.empty())
      has = false;
    else if (!VarIsEmpty(values) && ds && ds->Active() && !detail->DataModeController().DetailInSQLMode)
      has = !VarIsNull(ds->Lookup(names, values, names));
  }
  if (OnDetailHasChildren)
    OnDetailHasChildren(this, ARecordIndex, has, values, names, ARelationIndex);
  return has;
}
