#include <algorithm>

#include "data/cxCustomData_Internal.h"
#include "data/cxDBData.h"

const char* const cxSDBNotInGridMode = "DataController not in GridMode";
const char* const cxSDBKeyFieldNotFound = "Key Field not found";
const char* const cxSDBDetailFilterControllerNotFound = "DetailFilterController not found";

namespace {

// Locks notification and saves the dataset's position for a scope; the position comes back and the lock
// goes however the scope ends, unless Keep() says the new position stays.
class TPositionLock {
public:
  explicit TPositionLock(TcxDBDataProvider& AProvider) : FProvider(AProvider) {
    FProvider.SavePos();
    FProvider.LockNotify();
  }
  ~TPositionLock() {
    try {
      if (!FKeep)
        FProvider.RestorePos();
    } catch (...) { // the position is lost with the record; the lock must still go
    }
    FProvider.UnlockNotify();
  }
  void Keep() { FKeep = true; }
  TPositionLock(const TPositionLock&) = delete;
  TPositionLock& operator=(const TPositionLock&) = delete;

private:
  TcxDBDataProvider& FProvider;
  bool FKeep = false;
};

std::vector<AnsiString> SplitNames(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  AnsiString name;
  auto flush = [&] {
    std::size_t b = name.find_first_not_of(" []"), e = name.find_last_not_of(" []");
    if (b != AnsiString::npos)
      names.push_back(name.substr(b, e - b + 1));
    name.clear();
  };
  for (char c : ANames) {
    if (c == ';')
      flush();
    else
      name += c;
  }
  flush();
  return names;
}

} // namespace

TcxDBDataController::TcxDBDataController(TObject* AOwner)
    : TcxCustomDataController(AOwner, ClassOf<TcxDBDataProvider>(), ClassOf<TcxDBDataSelection>()) {
  Filter().OnChanged = TNotifyEvent(this, &TcxDBDataController::FilterChanged);
  Filter().OnFormatFilterTextValue =
      decltype(Filter().OnFormatFilterTextValue)(this, &TcxDBDataController::FormatFilterTextValue);
}

TcxDBDataController::~TcxDBDataController() {
  // The owner's part is gone already: letting go of the source must not reload through its items.
  DBProvider().FDetaching = true;
  DBProvider().DataLink().SetDataSource(nullptr);
}

TDataSource* TcxDBDataController::DataSource() const {
  return const_cast<TcxDBDataController*>(this)->DBProvider().DataLink().DataSource();
}

void TcxDBDataController::SetDataSource(TDataSource* AValue) {
  TDataSet* old = DataSet();
  DBProvider().DataLink().SetDataSource(AValue);
  if (DataSet() != old) {
    auto alive = AliveToken();
    DoDataSetChanged();
    if (*alive)
      DBProvider().LinkActiveChanged(DBProvider().DataLink().Active());
  }
}

TDataSet* TcxDBDataController::DataSet() const {
  return const_cast<TcxDBDataController*>(this)->DBProvider().DataSet();
}

int TcxDBDataController::GetDataSetRecordCount() {
  return DataSet() && DataSet()->Active() ? DataSet()->RecordCount() : 0;
}

int TcxDBDataController::GetDataSetRecNo() {
  return DataSet() && DataSet()->Active() ? DataSet()->RecNo() : -1;
}

void TcxDBDataController::SetDataSetRecNo(int AValue) {
  if (DataSet() && DataSet()->Active())
    DataSet()->SetRecNo(AValue);
}

bool TcxDBDataController::IsDataSetSequenced() {
  return DataSet() && DataSet()->IsSequenced();
}

TField* TcxDBDataController::GetFieldOf(TcxCustomDataField* AField) const {
  if (!AField || !DataSet() || !DataSet()->Active())
    return nullptr;
  auto it = FBindings.find(AField->Root());
  return it == FBindings.end() ? nullptr : it->second;
}

void TcxDBDataController::BindField(TcxCustomDataField* AField, const AnsiString& AName) {
  TDataSet* ds = DataSet();
  TField* field = ds && ds->Active() && !AName.empty() ? ds->FindField(AName) : nullptr;
  if (!field || field->ComponentState().Contains(csDestroying)) {
    FBindings.erase(AField);
    return;
  }
  FBindings[AField] = field;
  Notifier().FreeNotification(field);
  TcxValueTypeClass type = GetValueTypeClassByField(field);
  int item = GetItemIndexOfField(AField);
  if (AField->ValueTypeClass() == type)
    return;
  if (item >= 0 && !AField->IsInternal()) {
    TcxCustomDataController::SetItemValueTypeClass(item, type);
    ReferredStorageChanged(AField);
  } else {
    AField->SetValueTypeClass(type);
  }
}

void TcxDBDataController::UpdateFields() {
  FBindings.clear();
  RemoveOrphanSubFields();
  UpdateReferences();
  for (int i = 0; i < BoundItemCount(); ++i) {
    auto* field = static_cast<TcxDBDataField*>(TcxCustomDataController::GetItemField(i));
    auto it = FItemFieldNames.find(GetItem(i));
    BindDataField(field, it != FItemFieldNames.end() ? it->second : AnsiString(), 0);
  }
  std::vector<AnsiString> keys = SplitNames(FKeyFieldNames);
  for (std::size_t i = 0; i < FKeyFields.size() && i < keys.size(); ++i)
    BindField(FKeyFields[i], keys[i]);
  for (auto& [field, name] : FInternalNames)
    BindField(field, name);
  TcxCustomDataController::UpdateFields();
}

void TcxDBDataController::ChangeFieldName(int AItemIndex, const AnsiString& AFieldName) {
  CheckItemRange(AItemIndex);
  FItemFieldNames[GetItem(AItemIndex)] = AFieldName;
  CheckStructure();
}

TField* TcxDBDataController::GetItemField(int AItemIndex) {
  CheckItemRange(AItemIndex);
  return GetFieldOf(TcxCustomDataController::GetItemField(AItemIndex));
}

AnsiString TcxDBDataController::GetItemFieldName(int AItemIndex) {
  CheckItemRange(AItemIndex);
  auto it = FItemFieldNames.find(GetItem(AItemIndex));
  return it == FItemFieldNames.end() ? AnsiString() : it->second;
}

void TcxDBDataController::RebuildKeyFields() {
  for (TcxCustomDataField* field : FKeyFields) {
    FBindings.erase(field);
    RemoveField(field);
  }
  FKeyFields.clear();
  for (std::size_t i = 0; i < SplitNames(FKeyFieldNames).size(); ++i)
    FKeyFields.push_back(AddInternalField());
}

void TcxDBDataController::SetKeyFieldNames(const AnsiString& AValue) {
  if (AValue == FKeyFieldNames)
    return;
  TDataSet* ds = DataSet();
  if (ds && ds->Active())
    for (const AnsiString& name : SplitNames(AValue))
      if (!ds->FindField(name))
        throw EcxInvalidDataControllerOperation(cxSDBKeyFieldNotFound);
  FKeyFieldNames = AValue;
  RebuildKeyFields();
  ReloadData();
}

bool TcxDBDataController::IsKeyNavigation() {
  return !FKeyFields.empty() && !IsGridMode();
}

Variant TcxDBDataController::GetRecordId(int ARecordIndex) {
  CheckRecordRange(ARecordIndex);
  if (FKeyFields.empty())
    return Null;
  return GetRecordValuesByFields(ARecordIndex, FKeyFields);
}

int TcxDBDataController::FindRecordIndexByKey(const Variant& AKeyValue) {
  if (FKeyFields.empty())
    return -1;
  TcxValueDefUnboundReader reader;
  if (FKeyFields.size() == 1) {
    reader.SetValue(FKeyFields[0]->ValueDef(), AKeyValue);
  } else {
    if (!VarIsArray(AKeyValue) ||
        VarArrayHighBound(AKeyValue, 1) - VarArrayLowBound(AKeyValue, 1) + 1 != int(FKeyFields.size()))
      return -1;
    for (std::size_t i = 0; i < FKeyFields.size(); ++i)
      reader.SetValue(FKeyFields[i]->ValueDef(), AKeyValue[int(i) + VarArrayLowBound(AKeyValue, 1)]);
  }
  TcxDataControllerKeyLocateObject locate(this);
  locate.KeyFields = FKeyFields;
  locate.ReadData(&reader);
  return locate.FindRecordIndex();
}

int TcxDBDataController::FindRecordIndexByDataSetKey() {
  TDataSet* ds = DataSet();
  if (FKeyFields.empty() || !ds || !ds->Active() || ds->IsEmpty())
    return -1;
  std::vector<TField*> fields;
  for (TcxCustomDataField* key : FKeyFields) {
    TField* field = GetFieldOf(key);
    if (!field)
      return -1;
    fields.push_back(field);
  }
  Variant values;
  GetFieldValues(fields, values);
  return FindRecordIndexByKey(values);
}

int TcxDBDataController::FindRecordIndexByKeyValues(
    const std::function<void(void* AData, std::vector<TcxCustomDataField*>& AFields)>& AFillProc,
    void* AData) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ds->IsEmpty())
    return -1;
  TcxDataControllerKeyLocateObject locate(this);
  AFillProc(AData, locate.KeyFields);
  if (locate.KeyFields.empty())
    return -1;
  for (TcxCustomDataField* field : locate.KeyFields)
    if (!GetFieldOf(field))
      return -1;
  auto reader = DBProvider().CreateValueDefReader();
  locate.ReadData(reader.get());
  return locate.FindRecordIndex();
}

bool TcxDBDataController::LocateByKey(const Variant& AKeyValue) {
  int record = FindRecordIndexByKey(AKeyValue);
  if (record == -1 && IsGridMode() && !FKeyFieldNames.empty() && DataSet() && DataSet()->Active()) {
    if (FKeyFields.size() > 1 && !VarIsArray(AKeyValue))
      return false;
    Provider().BeginLocate();
    struct End {
      TcxCustomDataProvider& P;
      ~End() { P.EndLocate(); }
    } end{Provider()};
    if (!DataSet()->Locate(FKeyFieldNames, AKeyValue, TLocateOptions()))
      return false;
    SetFocusedRowSelected(true);
    return true;
  }
  if (record == -1) {
    ChangeFocusedRowIndex(-1);
    return false;
  }
  return ChangeFocusedRecordIndex(record);
}

Variant TcxDBDataController::KeyOfRecordToReach(int ARecordIndex) {
  Variant key = GetRecordId(ARecordIndex);
  for (int r = 0; r < GetRecordCount(); ++r)
    if (r != ARecordIndex && SameKeyValues(GetRecordId(r), key))
      throw EcxInvalidDataControllerOperation(
          "Records " + IntToStr(std::min(r, ARecordIndex)) + " and " + IntToStr(std::max(r, ARecordIndex)) +
          " read the same key (" + FKeyFieldNames + "): the key cannot tell which of them is meant");
  return key;
}

bool TcxDBDataController::SyncDataSetPos(int ARecordIndex) {
  TDataSet* ds = DataSet();
  if (ARecordIndex < 0 || !ds || !ds->Active())
    return false;
  TcxDBDataProvider& provider = DBProvider();
  if (provider.FRecordsByBookmark && !IsGridMode()) {
    TBookmarkStr bookmark = provider.RecordBookmark(ARecordIndex);
    if (!bookmark.empty()) {
      if (!ds->BookmarkAvailable() || ds->CompareBookmarks(ds->Bookmark(), bookmark) != 0)
        provider.Positioning([&] { ds->GotoBookmark(bookmark); });
      provider.FActiveRecordIndex = ARecordIndex;
      return true;
    }
    if (provider.FLoadedAsDetail)
      return false;
  }
  if (IsKeyNavigation()) {
    Variant key = KeyOfRecordToReach(ARecordIndex);
    if (ARecordIndex == provider.FActiveRecordIndex && FindRecordIndexByDataSetKey() == ARecordIndex)
      return true;
    bool found = provider.Positioning([&] { return ds->Locate(FKeyFieldNames, key, TLocateOptions()); });
    if (found)
      provider.FActiveRecordIndex = ARecordIndex;
    return found;
  }
  int from = IsGridMode() ? provider.DataLink().ActiveRecord() : provider.FActiveRecordIndex;
  int distance = ARecordIndex - from;
  int moved = distance == 0 ? 0 : provider.Positioning([&] { return ds->MoveBy(distance); });
  provider.FActiveRecordIndex = IsGridMode() ? provider.DataLink().ActiveRecord() : from + moved;
  // Short at either end of the data: the dataset is not on the record asked for.
  return moved == distance;
}

void TcxDBDataController::Assign(TPersistent* Source) {
  auto alive = AliveToken();
  TcxCustomDataController::Assign(Source);
  auto* source = dynamic_cast<TcxDBDataController*>(Source);
  if (!*alive || !source || source == this)
    return;
  FDataModeController.Assign(&source->FDataModeController);
  FDBFilter.Assign(&source->FDBFilter);
  FDBFilter.OnFormatFilterTextValue = source->FDBFilter.OnFormatFilterTextValue;
  if (!*alive)
    return;
  SetDataSource(source->DataSource());
  if (!*alive)
    return;
  SetKeyFieldNames(source->FKeyFieldNames);
  SetMasterKeyFieldNames(source->FMasterKeyFieldNames);
  SetDetailKeyFieldNames(source->FDetailKeyFieldNames);
  OnDetailHasChildren = source->OnDetailHasChildren;
}

int TcxDBDataController::GetSelectionAnchorRowIndex() const {
  return IsGridMode() ? -1 : TcxCustomDataController::GetSelectionAnchorRowIndex();
}

bool TcxDBDataController::IsSelectionAnchorSet() const {
  if (!IsGridMode())
    return TcxCustomDataController::IsSelectionAnchorSet();
  return !const_cast<TcxDBDataController*>(this)->DBSelection().AnchorBookmark.empty();
}

void TcxDBDataController::SyncFocusedRecord() {
  const int focused = GetFocusedRecordIndex();
  if (focused == -1)
    return;
  DBProvider().SetDetailSynchronized(true);
  // The view may focus another record on its own, as a group row's record after a regrouping; the dataset
  // follows, or a later reload would focus the record it was left on.
  TcxDBDataProvider& provider = DBProvider();
  if (!FFocusing && !FEditFromDataSet && !IsGridMode() && provider.IsSyncMode() &&
      !provider.IsPositioning() && !IsEditState(DataSet()->State()) && provider.FActiveRecordIndex != focused)
    SyncDataSetPos(focused);
}

bool TcxDBDataController::IsDataChangeLocked() const {
  TDataSet* ds = DataSet();
  return TcxCustomDataController::IsDataChangeLocked() || (IsGridMode() && ds && ds->State() == dsInsert);
}

void TcxDBDataController::CheckChanges() {
  if (!FActivated && DBProvider().IsFieldsReady())
    CheckStructure();
  TcxCustomDataController::CheckChanges();
  FActivated = true;
}

int TcxDBDataController::GetCurrentRecordIndex() {
  if (IsGridMode())
    return DBProvider().DataLink().ActiveRecord();
  return TcxCustomDataController::GetCurrentRecordIndex();
}

void TcxDBDataController::RefreshExternalData() {
  if (TDataSet* ds = DataSet())
    ds->Refresh();
}

bool TcxDBDataController::IsItemDetailKey(int AItemIndex) {
  if (TcxCustomDataController::IsItemDetailKey(AItemIndex))
    return true;
  TField* field = GetItemField(AItemIndex);
  if (!field || FDetailKeyFieldNames.empty())
    return false;
  for (const AnsiString& name : SplitNames(FDetailKeyFieldNames))
    if (DataSet()->FindField(name) == field)
      return true;
  return false;
}

Variant TcxDBDataController::GetSelectionKey(int ARecordIndex) {
  if (!IsGridMode())
    return TcxCustomDataController::GetSelectionKey(ARecordIndex);
  CheckRecordRange(ARecordIndex);
  TBookmarkStr bookmark;
  DBProvider().ReadAtRecord(ARecordIndex, [&] { bookmark = DataSet()->Bookmark(); });
  return Variant(bookmark);
}

void TcxDBDataController::RecordDeleted(const std::vector<int>& ASortedIndexes) {
  TcxCustomDataController::RecordDeleted(ASortedIndexes);
  TcxDBDataProvider& provider = DBProvider();
  int& edited = provider.FLastEditedRecord;
  if (edited < 0)
    return;
  auto it = std::lower_bound(ASortedIndexes.begin(), ASortedIndexes.end(), edited);
  if (it != ASortedIndexes.end() && *it == edited) {
    edited = -1;
    provider.FLastEditedNew = false;
  } else {
    // A smart refresh must re-read the edited record, not the one that took its index.
    edited -= int(it - ASortedIndexes.begin());
  }
}

bool TcxDBDataController::StartEditingInSource() {
  return DBProvider().IsSmartRefresh();
}

void TcxDBDataController::SyncDetailData() {
  if ((GetDBMaster() || HasMasterKey()) && DataModeController().DetailSynchronization)
    DetailReload();
}

bool TcxDBDataController::CanFocusRecord(int ARecordIndex) {
  if (FFocusing || FEditFromDataSet || ARecordIndex < 0 || !Provider().IsSyncMode() ||
      DBProvider().IsPositioning())
    return TcxCustomDataController::CanFocusRecord(ARecordIndex);
  // A row of the record in edit, its group's row, leaves the edit open, as on a controller over its own
  // records; another record's row posts it.
  if (Provider().IsEditing() && DataSet()->State() != dsBrowse &&
      ARecordIndex != Provider().EditingRecordIndex()) {
    cxdata::TFlagGuard posting(DBProvider().FPostingBeforeFocusMove, AliveToken());
    CheckBrowseMode();
  }
  Provider().BeginLocate();
  struct End {
    TcxCustomDataProvider& P;
    ~End() { P.EndLocate(); }
  } end{Provider()};
  if ((GetDBMaster() || HasMasterKey()) && DataModeController().DetailSynchronization && !FInMasterSync &&
      !FInDetailSync) {
    // Details of other master records may share this dataset and have moved or re-queried it.
    DetailRequery();
    SyncMasterChain();
  }
  return SyncDataSetPos(ARecordIndex);
}

void TcxDBDataController::CheckBrowseMode() {
  if (DataSet())
    DataSet()->CheckBrowseMode();
}

void TcxDBDataController::ReloadData() {
  TcxDBDataProvider& provider = DBProvider();
  if (!IsGridMode())
    provider.DataLink().SetBufferCount(1);
  try {
    if (!IsGridMode() && !(DataSet() && IsEditState(DataSet()->State())) &&
        KeyedReload([&] { TcxCustomDataController::ReloadData(); }))
      return;
    TcxCustomDataController::ReloadData();
  } catch (...) {
    // A load that failed before its own clean-up ran ends here, with the links still held off: enabling the
    // controls must not start the same failing load again.
    try {
      provider.EndLoadRecords();
    } catch (const Exception&) {
      // The position the load saved may be gone; the reload's own error is what the caller must see.
    }
    throw;
  }
}

bool TcxDBDataController::LocateInDataSource(int AItemIndex, const AnsiString& AText, bool AForward,
                                             bool AFindNext) {
  CheckItemRange(AItemIndex);
  TDataSet* ds = DataSet();
  TcxDBDataProvider& provider = DBProvider();
  TcxCustomDataField* field = TcxCustomDataController::GetItemField(AItemIndex);
  auto* dbField = static_cast<TcxDBDataField*>(field);
  if (!ds || !ds->Active() || (!GetFieldOf(field) && dbField->SubFields().empty()) || provider.IsEditing() ||
      (ds->Bof() && ds->Eof()))
    return false;
  AnsiString text = AnsiUpperCase(AText);
  auto matches = [&] {
    return AnsiUpperCase(GetDataSetDisplayText(field)).compare(0, text.size(), text) == 0;
  };
  provider.BeginLocate();
  struct End {
    TcxCustomDataProvider& P;
    ~End() { P.EndLocate(); }
  } end{provider};
  bool found = !AFindNext && matches();
  if (!found) {
    provider.Positioning([&] {
      TPositionLock lock(provider);
      TBookmarkStr start = provider.SavedPos().Bookmark;
      bool wrapped = false;
      for (;;) {
        AForward ? ds->Next() : ds->Prior();
        if (AForward ? ds->Eof() : ds->Bof()) {
          if (AFindNext || wrapped)
            break;
          wrapped = true;
          AForward ? ds->First() : ds->Last();
        }
        if (!start.empty() && ds->CompareBookmarks(ds->Bookmark(), start) == 0)
          break;
        if (matches()) {
          found = true;
          lock.Keep();
          break;
        }
      }
    });
  }
  if (found) {
    provider.FActiveRecordIndex = provider.CurrentRecordIndex();
    provider.FocusActiveRecord();
    AddChanges(dccData);
  }
  return found;
}

TcxDBProviderDetailFilterAdapter* TcxDBDataController::GetDetailFilterAdapter() {
  int index = -1;
  TcxDBAdapterList* list = DetailFilterAdapters();
  if (!list || !DataSet() || !list->FindAdapter(DataSet()->ClassType(), index))
    throw EcxInvalidDataControllerOperation(cxSDBDetailFilterControllerNotFound);
  return static_cast<TcxDBProviderDetailFilterAdapter*>(list->Items(index));
}

void TcxDBDataController::SetSummaryItemFieldName(TcxDataSummaryItem* AItem, const AnsiString& AFieldName) {
  auto it = std::find_if(FSummaryFields.begin(), FSummaryFields.end(),
                         [&](const auto& p) { return p.first == AItem; });
  if (it != FSummaryFields.end()) {
    if (FInternalNames[it->second] == AFieldName)
      return;
    AItem->SetField(nullptr);
    FInternalNames.erase(it->second);
    FBindings.erase(it->second);
    RemoveField(it->second);
    FSummaryFields.erase(it);
  }
  if (AFieldName.empty()) {
    AddChanges(dccLayout);
    return;
  }
  TcxCustomDataField* field = AddInternalField();
  FInternalNames[field] = AFieldName;
  FSummaryFields.emplace_back(AItem, field);
  AItem->SetField(field);
  ReloadData();
}

void TcxDBDataController::FormatFilterTextValue(TcxFilterCriteria* Sender, TcxFilterCriteriaItem* AItem,
                                                const Variant& AValue, AnsiString& AText) {
  (void)Sender;
  (void)AItem;
  FDBFilter.FormatFilterTextValue(AValue, AText);
}

void TcxDBDataController::FilterChanged(TObject* Sender) {
  (void)Sender;
  try {
    FDBFilter.Changed();
  } catch (const Exception& e) {
    FDBFilter.LastError = e.what();
  }
  // A filter that hid the focused record leaves the dataset on a record of its own: focus follows it.
  if (Provider().IsSyncMode() && GetFocusedRowIndex() == -1 && GetRowCount() > 0)
    ChangeFocusedRowIndex(0);
}

void TcxDBDataController::CheckGridMode() {
  if (!IsGridMode())
    throw EcxInvalidDataControllerOperation(cxSDBNotInGridMode);
}

TBookmarkStr TcxDBDataController::GetRowBookmark(int ARowIndex) {
  TcxDBDataLink& link = DBProvider().DataLink();
  int record = GetRowInfo(ARowIndex).RecordIndex;
  if (record < 0 || record >= link.RecordCount())
    return TBookmarkStr();
  int active = link.ActiveRecord();
  link.SetActiveRecord(record);
  TBookmarkStr bookmark = DataSet()->Bookmark();
  link.SetActiveRecord(active);
  return bookmark;
}

bool TcxDBDataController::SaveBookmark() {
  if (!IsGridMode())
    return TcxCustomDataController::SaveBookmark();
  TDataSet* ds = DataSet();
  TBookmarkStr bookmark = ds->BookmarkAvailable() ? ds->Bookmark() : TBookmarkStr();
  if (bookmark.empty() || (!FBookmark.empty() && ds->CompareBookmarks(bookmark, FBookmark) == 0))
    return false;
  FBookmark = bookmark;
  return true;
}

bool TcxDBDataController::GotoBookmark() {
  if (!IsGridMode())
    return TcxCustomDataController::GotoBookmark();
  if (FBookmark.empty() || !DataSet()->BookmarkValid(FBookmark))
    return false;
  DataSet()->GotoBookmark(FBookmark);
  return true;
}

void TcxDBDataController::ClearBookmark() {
  // A buffer reload only moves the window over the dataset: the dataset's bookmark still stands.
  if (!DBProvider().FGridBufferUpdating)
    FBookmark.clear();
  TcxCustomDataController::ClearBookmark();
}

bool TcxDBDataController::IsBookmarkAvailable() const {
  return IsGridMode() ? !FBookmark.empty() : TcxCustomDataController::IsBookmarkAvailable();
}

bool TcxDBDataController::IsBookmarkRow(int ARowIndex) {
  if (!IsGridMode())
    return TcxCustomDataController::IsBookmarkRow(ARowIndex);
  return !FBookmark.empty() && GetRowBookmark(ARowIndex) == FBookmark;
}

bool TcxDBDataController::IsBookmarkRecordDeleted(int ARecordIndex) {
  if (!IsGridMode())
    return TcxCustomDataController::IsBookmarkRecordDeleted(ARecordIndex);
  return !DataSet() || !DataSet()->BookmarkValid(FBookmark);
}

int TcxDBDataController::GetSelectedBookmarkCount() {
  CheckGridMode();
  return MultiSelect() ? int(DBSelection().Bookmarks.size()) : (GetFocusedRowIndex() >= 0 ? 1 : 0);
}

TBookmarkStr TcxDBDataController::GetSelectedBookmark(int AIndex) {
  CheckGridMode();
  if (!MultiSelect())
    return GetRowBookmark(GetFocusedRowIndex());
  return DBSelection().Bookmarks.at(std::size_t(AIndex));
}

const TBookmarkStr& TcxDBDataController::GetAnchorBookmark() {
  CheckGridMode();
  return DBSelection().AnchorBookmark;
}

int TcxDBDataController::GetSelectedRowIndex(int AIndex) {
  if (!IsGridMode())
    return TcxCustomDataController::GetSelectedRowIndex(AIndex);
  TBookmarkStr bookmark = GetSelectedBookmark(AIndex);
  int rows = GetRowCount();
  if (rows == 0)
    return -1;
  TDataSet* ds = DataSet();
  if (ds->CompareBookmarks(bookmark, GetRowBookmark(0)) < 0 ||
      ds->CompareBookmarks(bookmark, GetRowBookmark(rows - 1)) > 0)
    return -1;
  for (int row = 0; row < rows; ++row)
    if (ds->CompareBookmarks(bookmark, GetRowBookmark(row)) == 0)
      return row;
  return -1;
}

void TcxDBDataController::DoSelectionChanged() {
  AddChanges(dccSelection);
}

void TcxDBDataController::ChangeRowSelection(int ARowIndex, bool ASelected) {
  if (!IsGridMode()) {
    TcxCustomDataController::ChangeRowSelection(ARowIndex, ASelected);
    return;
  }
  View().CheckRowIndex(ARowIndex);
  TBookmarkStr bookmark = GetRowBookmark(ARowIndex);
  bool changed = ASelected ? DBSelection().AddBookmark(DataSet(), bookmark)
                           : DBSelection().RemoveBookmark(DataSet(), bookmark);
  if (changed)
    DoSelectionChanged();
}

void TcxDBDataController::SetSelectionAnchor(int ARowIndex) {
  if (!IsGridMode()) {
    TcxCustomDataController::SetSelectionAnchor(ARowIndex);
    return;
  }
  View().CheckRowIndex(ARowIndex);
  DBSelection().AnchorBookmark = GetRowBookmark(ARowIndex);
}

void TcxDBDataController::SelectFromAnchor(int ARowIndex, bool AKeepSelection) {
  if (!IsGridMode()) {
    TcxCustomDataController::SelectFromAnchor(ARowIndex, AKeepSelection);
    return;
  }
  View().CheckRowIndex(ARowIndex);
  TDataSet* ds = DataSet();
  TcxDBDataSelection& selection = DBSelection();
  TBookmarkStr lo = selection.AnchorBookmark, hi = GetRowBookmark(ARowIndex);
  if (lo.empty())
    lo = hi;
  if (!AKeepSelection)
    selection.Bookmarks.clear();
  if (ds->State() == dsInsert && ds->Eof())
    return;
  if (ds->CompareBookmarks(lo, hi) > 0)
    std::swap(lo, hi);
  TcxDBDataProvider& provider = DBProvider();
  provider.Positioning([&] {
    TPositionLock lock(provider);
    ds->GotoBookmark(lo);
    while (!ds->Eof()) {
      TBookmarkStr current = ds->Bookmark();
      selection.AddBookmark(ds, current);
      if (ds->CompareBookmarks(current, hi) >= 0)
        break;
      ds->Next();
    }
  });
  DoSelectionChanged();
}

void TcxDBDataController::SelectAll() {
  if (!IsGridMode()) {
    TcxCustomDataController::SelectAll();
    return;
  }
  TDataSet* ds = DataSet();
  TcxDBDataProvider& provider = DBProvider();
  std::vector<TBookmarkStr> bookmarks;
  provider.Positioning([&] {
    TPositionLock lock(provider);
    for (ds->First(); !ds->Eof(); ds->Next())
      bookmarks.push_back(ds->Bookmark());
  });
  // The walk went in the dataset's order: the list is sorted as it stands.
  DBSelection().Bookmarks = std::move(bookmarks);
  DoSelectionChanged();
}

void TcxDBDataController::ClearSelection() {
  DBSelection().Bookmarks.clear();
  DBSelection().AnchorBookmark.clear();
  TcxCustomDataController::ClearSelection();
}

bool TcxDBDataController::FocusSelectedRow(int AIndex) {
  if (!IsGridMode())
    return TcxCustomDataController::FocusSelectedRow(AIndex);
  TBookmarkStr bookmark = GetSelectedBookmark(AIndex);
  if (!DataSet()->BookmarkValid(bookmark))
    return false;
  DataSet()->GotoBookmark(bookmark);
  return true;
}

void TcxDBDataController::DeleteSelection() {
  if (!IsGridMode() || !MultiSelect()) {
    TcxCustomDataController::DeleteSelection();
    return;
  }
  TDataSet* ds = DataSet();
  TcxDBDataSelection& selection = DBSelection();
  TcxDBDataProvider& provider = DBProvider();
  provider.DataSetOperation([&] {
    provider.LockNotify();
    struct Unlock {
      TcxDBDataProvider& P;
      ~Unlock() { P.UnlockNotify(); }
    } unlock{provider};
    while (!selection.Bookmarks.empty()) {
      const TBookmarkStr& bookmark = selection.Bookmarks.back();
      if (ds->BookmarkValid(bookmark)) {
        ds->GotoBookmark(bookmark);
        ds->Delete();
      }
      selection.Bookmarks.pop_back();
    }
  });
  DoSelectionChanged();
}

void TcxDBDataController::ForEachRow(bool ASelectedOnly, const TcxDataControllerEachRowProc& AProc,
                                     void* AData) {
  TDataSet* ds = DataSet();
  if (!IsGridMode() || !ds || !ds->Active()) {
    TcxCustomDataController::ForEachRow(ASelectedOnly, AProc, AData);
    return;
  }
  auto alive = AliveToken();
  auto visitFocused = [&] {
    int row = GetFocusedRowIndex();
    if (row >= 0 && row < GetRowCount())
      AProc(AData, row, GetRowInfo(row));
  };
  if (ASelectedOnly && !MultiSelect()) {
    visitFocused();
    return;
  }
  TcxDBDataProvider& provider = DBProvider();
  provider.SavePos();
  TcxDBDataProviderSavePosInfo saved = provider.SavedPos();
  struct Restore {
    TcxDBDataProvider& P;
    TcxDBDataProviderSavePosInfo Saved;
    std::shared_ptr<bool> Alive;
    ~Restore() {
      if (!*Alive)
        return;
      P.FSavePos = Saved;
      try {
        P.RestorePos();
      } catch (...) { // the position is lost with the record; the walk's own error goes on
      }
    }
  } restore{provider, saved, alive};
  if (ASelectedOnly) {
    // The procedure may change the selection: the list is taken as it stood.
    std::vector<TBookmarkStr> bookmarks = DBSelection().Bookmarks;
    for (const TBookmarkStr& bookmark : bookmarks) {
      if (!ds->BookmarkValid(bookmark))
        continue;
      ds->GotoBookmark(bookmark);
      if (!*alive)
        return;
      visitFocused();
      if (!*alive || DataSet() != ds || !ds->Active())
        return;
    }
    return;
  }
  for (ds->First(); *alive && DataSet() == ds && ds->Active() && !ds->Eof(); ds->Next()) {
    visitFocused();
    if (!*alive)
      return;
  }
}

bool TcxDBDataSelection::FindBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark, int& AIndex) const {
  int lo = 0, hi = int(Bookmarks.size()) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = ADataSet->CompareBookmarks(Bookmarks[std::size_t(mid)], ABookmark);
    if (c == 0) {
      AIndex = mid;
      return true;
    }
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  AIndex = lo;
  return false;
}

bool TcxDBDataSelection::AddBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark) {
  int index;
  if (ABookmark.empty() || FindBookmark(ADataSet, ABookmark, index))
    return false;
  Bookmarks.insert(Bookmarks.begin() + index, ABookmark);
  return true;
}

bool TcxDBDataSelection::RemoveBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark) {
  int index;
  if (!FindBookmark(ADataSet, ABookmark, index))
    return false;
  Bookmarks.erase(Bookmarks.begin() + index);
  return true;
}

void TcxDBDataSelection::DropInvalid(TDataSet* ADataSet) {
  for (std::size_t i = Bookmarks.size(); i-- > 0;)
    if (!ADataSet->BookmarkValid(Bookmarks[i]))
      Bookmarks.erase(Bookmarks.begin() + std::ptrdiff_t(i));
}
