#pragma once
// The data controller bound to a dataset: a provider that reads the dataset through its own data link and
// turns the link's events into the controller's changes, the controller with key fields, locate by key,
// grid-mode bookmarks and incremental search in the dataset, and its companions (data-mode settings, the
// detail filter adapter, the dataset filter criteria settings, summary items by field name).
//
// Outside grid mode the controller's record k is the dataset's k-th record; in grid mode the storage holds
// only the link's buffer and record k is buffer row k.
#include <algorithm>
#include <unordered_map>

#include "data/cxCustomData.h"
#include "data/cxDB.h"
#include "platform/classes/UnitList.h"
#include "platform/db/DBDataSource.h"
#include "platform/db/DBParams.h"

class TcxDBDataController;
class TcxDBDataProvider;
class TcxDBDataField;

extern const char* const cxSDBNotInGridMode;
extern const char* const cxSDBKeyFieldNotFound;
extern const char* const cxSDBDetailFilterControllerNotFound;

// Key values equal element by element; Null and Empty equal only themselves.
bool SameKeyValues(const Variant& A, const Variant& B);

// The value type that keeps values of AField; the string type without a field.
TcxValueTypeClass GetValueTypeClassByField(TField* AField);

class TcxDBDataLink : public TDataLink {
  PELVOR_CLASS(TcxDBDataLink, TDataLink)
public:
  explicit TcxDBDataLink(TcxDBDataProvider* AProvider) : FProvider(AProvider) { VisualControl = true; }
  TcxDBDataProvider* Provider() const { return FProvider; }
  // A disabled-state event arrived while controls were disabled: the next change is a layout change.
  bool PendingLayoutChange = false;

protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent AEvent, std::intptr_t AInfo) override;
  void DataSetChanged() override;
  void DataSetScrolled(int ADistance) override;
  void EditingChanged() override;
  void FocusControl(TField*& AField) override;
  void LayoutChanged() override;
  void RecordChanged(TField* AField) override;
  void UpdateData() override;

private:
  TcxDBDataProvider* FProvider;
};

struct TcxDBDataProviderSavePosInfo {
  TBookmarkStr Bookmark;
  bool Bof = false;
  bool Eof = false;
  int ActiveRecord = 0;
};

class TcxDBDataProvider : public TcxCustomDataProvider {
  PELVOR_CLASS(TcxDBDataProvider, TcxCustomDataProvider)
public:
  explicit TcxDBDataProvider(TcxCustomDataController* ADataController);
  ~TcxDBDataProvider() override;

  bool IsUnboundMode() override { return false; }
  bool IsGridMode() override;
  bool IsActiveDataSet() override;
  bool IsOtherProviderInserting() override;
  bool IsSyncMode() override;
  bool IsActive() override;
  bool IsFieldsReady() override;
  bool IsBOF() override;
  bool IsEOF() override;
  bool IsEditing() override;
  bool IsGridModeUpdating() override { return IsGridMode() && FGridBufferUpdating; }
  bool IsInserting() override;
  bool IsModified() override;
  bool CanModify() override;
  bool CanDelete() override;
  void First() override;
  void Prior() override;
  void Next() override;
  void Last() override;
  void MoveBy(int ADistance) override;
  void Scroll(int ADistance) override;
  void SavePos() override;
  void RestorePos() override;
  void Append() override;
  void Insert() override;
  void Edit() override;
  void Post() override;
  void Cancel() override;
  void Delete() override;
  void DeleteRecords(std::vector<int>& AList) override;
  Variant GetEditValue(int ARecordIndex, TcxCustomDataField* AField,
                       TcxDataEditValueSource AEditValueSource) override;
  bool SetEditValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                    TcxDataEditValueSource AEditValueSource) override;
  Variant GetRecordId(int ARecordIndex) override;
  // While a refresh runs with the new-item row focused, that row's record: the refresh must not move focus
  // to the dataset's record under it.
  int GetActiveRecordIndex() override;
  // AField's display text or value in record ARecordIndex read from the dataset (grid mode: its buffer row).
  void GetExternalDataDisplayText(int ARecordIndex, TcxCustomDataField* AField, AnsiString& AText) override;
  void GetExternalDataValue(int ARecordIndex, TcxCustomDataField* AField, Variant& AValue) override;
  void LoadRecords() override;
  void EndLoadRecords() override;
  std::unique_ptr<TcxValueDefReader, TObjectDeleter> CreateValueDefReader() override;
  void DataScrolled(int ADistance) override;
  // Outside the controller's own inserts the record keeps what the dataset gave it.
  void InitInsertingRecord(int ARecordIndex, const std::vector<Variant>& AGroupValues) override;
  // Starts the edit in the dataset, on ARecordIndex; the focused new-item row inserts a dataset record.
  bool CanInitEditing(int ARecordIndex) override;
  // Whether the focused record's details were brought in step; the controller hears of every change.
  bool DetailSynchronized() const { return FDetailSynchronized; }
  void SetDetailSynchronized(bool AValue);

  // The base lock, plus the dataset's controls disabled for as long.
  void LockNotify();
  void UnlockNotify();

  TcxDBDataLink& DataLink() { return *FDataLink; }
  TDataSet* DataSet() const { return FDataLink->DataSet(); }
  TcxDBDataController* DBDataController() const;
  int BufferSize() const;
  int ActiveRecordIndex() const { return FActiveRecordIndex; }
  bool InDataSetOperation() const { return FInDataSetOperation; }
  // The record the dataset edits, re-read by a smart refresh after the post; -1 when none.
  int LastEditedRecord() const { return FLastEditedRecord; }
  const TcxDBDataProviderSavePosInfo& SavedPos() const { return FSavePos; }
  // Runs AOperation as a change of the dataset: a pending edit is brought to browse mode first, and the
  // operation flag is cleared however the operation ends.
  template <class F> void DataSetOperation(F AOperation);
  // Runs AOperation as a delete of AGoing (sorted) in the dataset; ATarget is the record kept for the focus.
  // APostEdit posts the dataset's edit first.
  template <class F>
  void DeleteInDataSet(const std::vector<int>& AGoing, int ATarget, bool APostEdit, F AOperation);
  // Sets the dataset's position on behalf of the controller: its events then only track the position.
  template <class F> auto Positioning(F AOperation) -> decltype(AOperation());
  bool IsPositioning() const { return FPositioning != 0; }
  // Every live provider of the unit.
  static const std::vector<TcxDBDataProvider*>& Providers();
  // Detail providers sharing this one's dataset that let an event pass while this one moved or loaded it;
  // their records are read again by the controller's ClearDetails. Borrowed: a provider leaves every list
  // when it goes.
  const std::vector<TcxDBDataProvider*>& DependentProviders() const { return FDependentProviders; }

private:
  friend class TcxDBDataLink;
  friend class TcxDBDataController;
  friend class TcxDBDataModeController;
  friend class TcxValueDefDBReader;
  void LinkActiveChanged(bool AActive);
  void LinkDataSetChanged();
  void LinkEditingChanged();
  void LinkRecordChanged(TField* AField);
  // Another provider on the same dataset that is moving or loading it; nullptr when none.
  TcxDBDataProvider* SharingProviderAtWork();
  // Whether an event of the dataset comes from another provider's work on it: a detail then waits as that
  // provider's dependent.
  bool LeaveToSharingProvider();
  // The controller's own row for a record the dataset is inserting on behalf of program code.
  void TakeDataSetInsert();
  // Moves a detail's load past the records whose detail key was read only approximately.
  void PassApproximateDetailKeys();
  void ReloadBuffer();
  // Puts the dataset's edited values of AField and its sub-fields into the storage's record.
  void StoreEditedValues(int ARecordIndex, TcxCustomDataField* AField);
  // Key navigation with SmartRefresh: a posted edit re-reads its record instead of every record.
  bool IsSmartRefresh();
  // Re-reads the last edited record from the dataset's current record; false when a full reload is due.
  bool SmartRefreshRecord();
  // Focuses the controller's record for the dataset's current record, without moving the dataset; with
  // AGroupLevel, the row of its group at that level where the record leads the group.
  void FocusActiveRecord(int AGroupLevel = -1);
  // The row of record ARecordIndex's group at level AGroupLevel, whichever record leads it; -1 where the
  // group is not shown.
  int GroupRowOf(int ARecordIndex, int AGroupLevel);
  // As FocusActiveRecord after the data changed; where the view cannot show that record, the dataset goes
  // back to the focused one instead.
  void FocusActiveRecordAfterChange(int AGroupLevel = -1);
  // Focuses again the row focused beside the dataset's insert or edit that the provider cancels, and takes
  // the dataset there; false when there is none to go back to.
  bool FocusBeforeCancel();
  int CurrentRecordIndex();
  int CurrentRecordIndexOrNone();
  // The dataset's bookmark of record ARecordIndex, taken when it was read; empty when there is none to go to.
  TBookmarkStr RecordBookmark(int ARecordIndex);
  // The record read from the dataset's record ABookmark names, AHint tried first; -1 when none was.
  int RecordOfBookmark(const TBookmarkStr& ABookmark, int AHint = -1);
  // Runs ARead with the link standing on record ARecordIndex's buffer row in grid mode, where the dataset
  // stands otherwise; false when the record has no row to stand on.
  template <class F> bool ReadAtRecord(int ARecordIndex, F ARead);

  std::unique_ptr<TcxDBDataLink, TObjectDeleter> FDataLink;
  bool FInDataSetOperation = false;
  bool FGridBufferUpdating = false;
  bool FInReload = false;
  bool FDetaching = false;    // the controller is going: link events must not reach it
  bool FLoadDisabled = false; // LoadRecords disabled the controls; EndLoadRecords or a failed load enables
  int FPositioning = 0;
  int FActiveRecordIndex = 0;
  std::vector<int> FDeletedRecords; // the records the dataset is deleting, removed alone under smart refresh
  int FLastEditedRecord = -1;       // the record the dataset is editing, for the smart refresh after the post
  int FPostedRecord = -1;           // while a post's reload runs: the record posted, -1 for another reload
  // Records keep the dataset's bookmark of the record they were read from where neither a record number nor
  // a distance reaches it: a detail's records need not lie together, a key need not tell records apart, nor
  // a value read only approximately say which record holds it.
  bool FRecordsByBookmark = false;
  bool FLoadedAsDetail = false;
  bool FDetailPassed = false; // a detail's load stands on the last record of its master
  TcxDBDataProviderSavePosInfo FSavePos;
  std::vector<TcxDBDataProvider*> FDependentProviders;
  bool FInClearDetails = false;
  bool FDataSetInsertTaken = false; // the editing record is the controller's row for the dataset's insert
  bool FDetailSynchronized = false;
  bool FLastEditedNew = false;    // the dataset inserts the record of the controller's new-item row
  bool FInsertCancelling = false; // the provider cancels a dataset insert, which changes no record
  // While the provider cancels a dataset insert, or an edit whose record the focus has left: the record and
  // row level focused, focused again rather than the record the cancel leaves the dataset on; -1 for none.
  int FRecordBeforeCancel = -1;
  int FLevelBeforeCancel = -1;
  // While a delete of the controller's runs: the records it deletes, and whether the dataset posts the edit
  // it ends on the way, whose record the focus must not follow.
  std::vector<int> FGoingRecords;
  bool FPostingBeforeDelete = false;
  // While a focus move posts the edit it leaves: the move focuses the row asked for once the post is done.
  bool FPostingBeforeFocusMove = false;
};

class TcxValueDefDBReader : public TcxValueDefReader {
  PELVOR_CLASS(TcxValueDefDBReader, TcxValueDefReader)
public:
  explicit TcxValueDefDBReader(TcxDBDataController* ADataController);
  AnsiString GetDisplayText(TcxValueDef* AValueDef) override;
  Variant GetValue(TcxValueDef* AValueDef) override;
  const Variant* PeekValue(TcxValueDef* AValueDef) override;

private:
  struct TEntry {
    TcxValueDef* Def;
    TField* Field;
    bool Blob;
    TcxDBDataField* Composite; // a field without a dataset field that joins its sub-fields; else nullptr
    bool Integral;             // an integer field stored as integers: a real of no integer is refused
    bool Bookmark;             // the record's bookmark
  };
  TcxDBDataController* FDataController;
  bool FBookmarks; // records keep their bookmarks
  const TEntry* EntryOf(TcxValueDef* AValueDef);
  // Cells arrive in definition order, so a cursor over the entries finds the next one at once.
  std::vector<TEntry> FEntries;
  std::size_t FCursor = 0;
  std::size_t FLast = std::size_t(-1);
};

// Bookmarks of the selected records, in the dataset's order: grid mode loads too few records to select
// by record index.
class TcxDBDataSelection : public TcxDataSelection {
  PELVOR_CLASS(TcxDBDataSelection, TcxDataSelection)
public:
  explicit TcxDBDataSelection(TcxCustomDataController* ADataController) : TcxDataSelection(ADataController) {}
  // Found: its index; not found: the insertion index, answered as false.
  bool FindBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark, int& AIndex) const;
  // False when already selected.
  bool AddBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark);
  bool RemoveBookmark(TDataSet* ADataSet, const TBookmarkStr& ABookmark);
  void DropInvalid(TDataSet* ADataSet);
  std::vector<TBookmarkStr> Bookmarks;
  TBookmarkStr AnchorBookmark;
};

using TcxDBDataModeControllerDetailFirstEvent =
    TEvent<void(class TcxDBDataModeController* Sender, TDataSet* ADataSet, const AnsiString& AKeyFieldNames,
                const Variant& AKeyValues, bool& AReopened)>;
using TcxDBDataModeControllerDetailIsCurrentQueryEvent =
    TEvent<bool(class TcxDBDataModeController* Sender, TDataSet* ADataSet, const AnsiString& AKeyFieldNames,
                const Variant& AKeyValues)>;

class TcxDBDataModeController : public TPersistent {
  PELVOR_CLASS(TcxDBDataModeController, TPersistent)
public:
  explicit TcxDBDataModeController(TcxDBDataController* ADataController) : FDataController(ADataController) {}
  void Assign(TPersistent* Source) override;
  virtual bool DetailIsCurrentQuery(const AnsiString& AKeyFieldNames, const Variant& AKeyValues);
  virtual void DetailFirst(const AnsiString& AKeyFieldNames, const Variant& AKeyValues, bool& AReopened);

  bool DetailInSQLMode = false;
  bool DetailSynchronization = true;
  bool ShowDataSetInserts = true;
  bool GridMode() const { return FGridMode; }
  void SetGridMode(bool AValue);
  int GridModeBufferCount() const { return FGridModeBufferCount; }
  void SetGridModeBufferCount(int AValue);
  bool SmartRefresh() const { return FSmartRefresh; }
  void SetSmartRefresh(bool AValue);
  bool SyncMode() const { return FSyncMode; }
  void SetSyncMode(bool AValue);
  TcxDBDataModeControllerDetailFirstEvent OnDetailFirst;
  TcxDBDataModeControllerDetailIsCurrentQueryEvent OnDetailIsCurrentQuery;
  TcxDBDataController* DataController() const { return FDataController; }

private:
  TcxDBDataController* FDataController;
  bool FGridMode = false;
  int FGridModeBufferCount = 0;
  bool FSmartRefresh = false;
  bool FSyncMode = true;
};

// Class-level operations, registered for TDataSet in the unit's adapter list so that every dataset class
// finds it as its nearest registered ancestor.
class TcxDBProviderDetailFilterAdapter : public TcxDBAdapterItem {
  PELVOR_CLASS(TcxDBProviderDetailFilterAdapter, TcxDBAdapterItem)
public:
  using TcxDBAdapterItem::TcxDBAdapterItem;
  virtual bool IsCurrentQuery(TDataSet* ADataSet, const AnsiString& AParamNames, const Variant& AParamValues);
  virtual void ReopenSQL(TDataSet* ADataSet, const AnsiString& AParamNames, const Variant& AParamValues,
                         bool& AReopened);
  virtual void SetDetailFirst(TDataSet* ADataSet, const AnsiString& AKeyFieldNames, const Variant& AKeyValues,
                              bool& AReopened, bool ADetailInSQLMode);
  // The dataset's published "Params", nullptr without one.
  static TParams* FindParams(TDataSet* ADataSet);
};

// nullptr until start-up and after shut-down.
TcxDBAdapterList* DetailFilterAdapters();

// The dataset side of the controller's filter: it can hand the filter text to the dataset.
class TcxDBDataFilterCriteria : public TPersistent {
  PELVOR_CLASS(TcxDBDataFilterCriteria, TPersistent)
public:
  explicit TcxDBDataFilterCriteria(TcxDBDataController* ADataController) : FDataController(ADataController) {}
  void Assign(TPersistent* Source) override;
  // Brings the dataset in step with the controller's criteria.
  void Changed();
  void Reset();
  // Whether the controller filters its own records: not when the dataset does it.
  bool IsFiltering();
  bool AutoDataSetFilter() const { return FAutoDataSetFilter; }
  void SetAutoDataSetFilter(bool AValue);
  // AutoDataSetFilter in effect: not under smart refresh.
  bool IsDataSetFiltering();
  bool IgnoreOrigin() const { return FIgnoreOrigin; }
  void SetIgnoreOrigin(bool AValue);
  TEvent<void(TcxDBDataFilterCriteria* Sender, TDataSet* ADataSet, const AnsiString& AFilterText)>
      OnBeforeChange;
  // Rewrites the text of a value in the filter text handed to the dataset.
  TEvent<void(TcxDBDataFilterCriteria* Sender, const Variant& AValue, AnsiString& ADisplayValue)>
      OnFormatFilterTextValue;
  void FormatFilterTextValue(const Variant& AValue, AnsiString& ADisplayValue);
  // Why the dataset refused the last filter text handed to it by a criteria change, which cannot raise
  // (criteria report changes from their update brackets); empty when it took it. The controller then keeps
  // filtering its own records.
  AnsiString LastError;

private:
  TcxDBDataController* FDataController;
  bool FAutoDataSetFilter = false;
  bool FIgnoreOrigin = true;
};

// A condition of the dataset-bound controller's criteria: its blank tests take the form the dataset's filter
// text reads.
class TcxDBDataFilterCriteriaItem : public TcxDataFilterCriteriaItem {
  PELVOR_CLASS(TcxDBDataFilterCriteriaItem, TcxDataFilterCriteriaItem)
public:
  using TcxDataFilterCriteriaItem::TcxDataFilterCriteriaItem;
  TcxFilterOperatorClass GetOperatorClass() override;
};

// A field of the dataset-bound controller. A composite name ("a;b") or a lookup field with several key
// fields makes it stand for several dataset fields, each bound to an internal sub-field of the controller;
// its value is then a Variant array of theirs. Items bound by a simple name to the same dataset field share
// one value: the first refers none, the others refer to it and answer through it.
class TcxDBDataField : public TcxCustomDataField {
  PELVOR_CLASS(TcxDBDataField, TcxCustomDataField)
public:
  using TcxCustomDataField::TcxCustomDataField;
  ~TcxDBDataField() override;
  // Besides the value, takes over the source's dataset field and sub-fields; the source loses them.
  void Assign(TcxCustomDataField* ASource) override;
  // A field without a dataset field of its own, a calculated or read-only one, cannot be modified; a
  // lookup field edited by its key (evsKey) needs every key field modifiable.
  bool CanModify(TcxDataEditValueSource AEditValueSource) override;
  TcxDBDataField* ParentField() const { return FParentField; }
  const std::vector<TcxDBDataField*>& SubFields() const {
    return ReferenceField() ? static_cast<TcxDBDataField*>(ReferenceField())->FSubFields : FSubFields;
  }
  // Raises when ASubField belongs to another field already.
  void AddSubField(TcxDBDataField* ASubField);
  // The name the field was last bound by: a dataset field's, or a composite name for a field with parts.
  AnsiString FieldName;

private:
  friend class TcxDBDataController;
  TcxDBDataField* FParentField = nullptr;
  std::vector<TcxDBDataField*> FSubFields; // internal fields of the controller
  bool FIsSubField = false;
};

// A relation whose detail controllers are dataset-bound: the detail shows the records whose detail key
// fields hold the master record's values of the master key fields.
class TcxDBDataRelation : public TcxCustomDataRelation {
  PELVOR_CLASS(TcxDBDataRelation, TcxCustomDataRelation)
public:
  using TcxCustomDataRelation::TcxCustomDataRelation;
  // Whether ADetail names detail key fields.
  static bool HasKeys(TcxDBDataController* ADetail);
  // The master record's values of ADetail's master key field names; Empty when ADetail has no keys.
  Variant GetMasterKeyValues(int AMasterRecordIndex, TcxDBDataController* ADetail);
};

// Answers whether a master record has detail records; AHasChildren arrives with the controller's own answer.
using TcxDBDataDetailHasChildrenEvent =
    TEvent<void(class TcxDBDataController* Sender, int ARecordIndex, bool& AHasChildren,
                const Variant& AKeyValues, const AnsiString& AFieldNames, int ARelationIndex)>;

class TcxDBDataController : public TcxCustomDataController {
  PELVOR_CLASS(TcxDBDataController, TcxCustomDataController)
public:
  explicit TcxDBDataController(TObject* AOwner);
  ~TcxDBDataController() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* AValue);
  TDataSet* DataSet() const;
  const AnsiString& KeyFieldNames() const { return FKeyFieldNames; }
  void SetKeyFieldNames(const AnsiString& AValue);
  TcxDBDataModeController& DataModeController() { return FDataModeController; }
  TcxDBDataFilterCriteria& DBFilter() { return FDBFilter; }
  TcxDBDataProvider& DBProvider() { return static_cast<TcxDBDataProvider&>(Provider()); }

  int GetDataSetRecordCount();
  int GetDataSetRecNo();
  void SetDataSetRecNo(int AValue);
  bool IsDataSetSequenced();

  // Binds item AItemIndex to the dataset field(s) named; ";" separates the parts of a composite name.
  void ChangeFieldName(int AItemIndex, const AnsiString& AFieldName);
  TClass GetDataFieldClass() override { return ClassOf<TcxDBDataField>(); }
  TcxFilterCriteriaItemClass GetFilterCriteriaItemClass() override {
    return ClassOf<TcxDBDataFilterCriteriaItem>();
  }
  // For a field with sub-fields: a Variant array of theirs (one sub-field: its value).
  Variant GetRecordFieldValue(int ARecordIndex, TcxCustomDataField* AField) override;
  Variant GetValueForFilter(int ARecordIndex, TcxCustomDataField* AField) override;
  bool IsItemDisplayFormatDefined(int AItemIndex, bool ACheckCurrency) override;
  // An item bound to the dataset keeps the type its dataset fields give it.
  void SetItemValueTypeClass(int AItemIndex, TcxValueTypeClass AValueTypeClass) override;
  // A dataset field freed under its binding leaves its controller fields unbound.
  void ComponentRemoved(TComponent* AComponent) override;
  // The field's display text in the dataset's current record; composite fields join their parts'.
  AnsiString GetDataSetDisplayText(TcxCustomDataField* AField);
  TField* GetItemField(int AItemIndex);
  AnsiString GetItemFieldName(int AItemIndex);
  TField* GetFieldOf(TcxCustomDataField* AField) const;
  // The items that have a field: an owner may count items it is still adding while the structure is read.
  int BoundItemCount() { return std::min(GetItemCount(), Fields().ItemCount()); }
  // The key field's fields: one per name of KeyFieldNames.
  std::vector<TcxCustomDataField*> GetKeyFields() override { return FKeyFields; }
  bool IsKeyNavigation() override;
  // Null without key fields, one value for one key field, a Variant array for several.
  Variant GetRecordId(int ARecordIndex) override;

  int FindRecordIndexByKey(const Variant& AKeyValue);
  bool LocateByKey(const Variant& AKeyValue);
  // The loaded record holding the dataset's current key values; -1 when none.
  int FindRecordIndexByDataSetKey();
  // Moves the dataset to record ARecordIndex; true only when it got there. A record without a bookmark is
  // reached by its key, which no other record may read too.
  virtual bool SyncDataSetPos(int ARecordIndex);
  // The key that reaches record ARecordIndex in the dataset; raises where another record reads the same.
  Variant KeyOfRecordToReach(int ARecordIndex);
  bool CanFocusRecord(int ARecordIndex) override;
  AnsiString GetItemFilterFieldName(int AItemIndex) override;
  bool IsCriteriaFiltering() override { return FDBFilter.IsFiltering(); }
  void CheckBrowseMode();
  virtual int GetDefaultGridModeBufferCount() { return 100; }
  void UpdateFields() override;
  void ReloadData() override;
  // The incremental search in the dataset over the display text of AItemIndex's field.
  bool LocateInDataSource(int AItemIndex, const AnsiString& AText, bool AForward, bool AFindNext);
  TcxDBProviderDetailFilterAdapter* GetDetailFilterAdapter();
  // Binds a summary item to a dataset field by name; an empty name unbinds it.
  void SetSummaryItemFieldName(TcxDataSummaryItem* AItem, const AnsiString& AFieldName);

  // Grid-mode bookmarks; outside grid mode the base controller's record bookmark.
  bool SaveBookmark() override;
  bool GotoBookmark() override;
  void ClearBookmark() override;
  bool IsBookmarkAvailable() const override;
  bool IsBookmarkRow(int ARowIndex) override;
  bool IsBookmarkRecordDeleted(int ARecordIndex) override;
  const TBookmarkStr& BookmarkText() const { return FBookmark; }
  // The dataset's bookmark of buffer row ARowIndex.
  TBookmarkStr GetRowBookmark(int ARowIndex);

  // Selection by bookmarks; each raises "DataController not in GridMode" outside grid mode.
  int GetSelectedBookmarkCount();
  TBookmarkStr GetSelectedBookmark(int AIndex);
  const TBookmarkStr& GetAnchorBookmark();
  int GetSelectedRowIndex(int AIndex) override;
  void ChangeRowSelection(int ARowIndex, bool ASelected) override;
  void SetSelectionAnchor(int ARowIndex) override;
  void SelectFromAnchor(int ARowIndex, bool AKeepSelection) override;
  void SelectAll() override;
  void ClearSelection() override;
  bool FocusSelectedRow(int AIndex) override;
  void DeleteSelection() override;
  // Master/detail between datasets: a detail shows the records of its dataset whose DetailKeyFieldNames
  // hold the master record's values of MasterKeyFieldNames (names of the master's dataset).
  const AnsiString& DetailKeyFieldNames() const { return FDetailKeyFieldNames; }
  void SetDetailKeyFieldNames(const AnsiString& AValue);
  const AnsiString& MasterKeyFieldNames() const { return FMasterKeyFieldNames; }
  void SetMasterKeyFieldNames(const AnsiString& AValue);
  // Empty when the detail shows no master record: it then shows every record. Empty too where its master
  // record hands it no key (MasterKeyRefusal).
  const Variant& MasterKeyValues() const { return FMasterKeyValues; }
  void SetMasterKeyValues(const Variant& AValue);
  // Shows the detail records of record ARecordIndex of AMaster (-1: none).
  void SetMasterRecord(TcxDBDataController* AMaster, int ARecordIndex);
  // Why the master record this detail hangs from hands it no key; empty when it does or there is none. The
  // detail then shows no records and refuses new ones, saying why.
  const AnsiString& MasterKeyRefusal() const { return FMasterKeyRefusal; }
  bool HasMasterKey() const { return !FDetailKeyFieldNames.empty() && !VarIsEmpty(FMasterKeyValues); }
  // A detail changes rows only when its dataset masters allow it and their edits are posted.
  bool CanChangeFocusedRow() override;
  // In grid mode the record is focused first: the buffer shows records around the dataset's position.
  bool CanChangeDetailExpanding(int ARecordIndex, bool AExpanded) override;
  // Besides a deferred reload: a new buffer size, or a grid-mode detail whose dataset has left its master's
  // records.
  bool NeedsGridModeReload() override;
  // The records are read again as the mode now answered reads them, and the focus goes to the dataset's
  // record once they are.
  void GridModeChanged() override;
  // Reads the records of the dependent detail providers again and lets go of them.
  void ClearDetails() override;
  // Brings the dataset positions of masters and details in step after records were loaded.
  void UpdateSortingAfterLoad();
  // Whether master record ARecordIndex has records in relation ARelationIndex's detail dataset; the
  // has-children event has the last word.
  bool HasDetailChildren(int ARecordIndex, int ARelationIndex);
  TcxDBDataDetailHasChildrenEvent OnDetailHasChildren;
  // Besides the base: a dataset relation hands the master record's key values to this detail.
  void SetMasterRelation(TcxCustomDataRelation* ARelation, int ARecordIndex) override;
  TcxCustomDataRelation* CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem) override;
  // The dataset master this detail hangs from through a dataset relation; nullptr otherwise.
  TcxDBDataController* GetDBMaster() const;
  // Walks up the dataset masters, moving each (and its dataset) to the record its detail shows and making
  // that detail's relation active and expanded; stops at a master that cannot follow.
  void SyncMasterChain();
  // Re-queries a SQL-mode detail whose dataset another detail has re-run for other master keys.
  void DetailRequery();
  // Re-queries the dataset for the master key (in SQL mode), then reloads.
  void DetailReload();
  bool IsDetailReloading() const { return FDetailReloading; }
  // Whether the dataset's current record belongs to the master record shown.
  bool DataSetMatchesMasterKey();
  // Whether the dataset's current record holds a detail key value the dataset read only approximately.
  bool DetailKeyReadApproximately();
  // The dataset's fields named by the detail keys; empty when one of them is missing.
  std::vector<TField*> DetailKeyFields();
  // Moves AMaster, its dataset included, to the master record this detail shows; false when absent.
  bool SyncMaster(TcxDBDataController* AMaster);
  // Values of ARecordIndex for dataset field names; binds internal fields for names no field has yet.
  Variant GetRecordValuesByFieldNames(int ARecordIndex, const AnsiString& AFieldNames);

  TcxDBDataSelection& DBSelection() { return static_cast<TcxDBDataSelection&>(View().Selection()); }

  // Besides the base: from another dataset controller its data-mode settings, dataset filter settings,
  // source, key field names, master/detail key names and the has-children event.
  void Assign(TPersistent* Source) override;
  // In grid mode the dataset is walked, each record reached being the focused row; it comes back to where
  // it stood.
  void ForEachRow(bool ASelectedOnly, const TcxDataControllerEachRowProc& AProc, void* AData) override;
  // In grid mode the anchor is a bookmark, which may lie outside the buffer: no row is answered for it.
  int GetSelectionAnchorRowIndex() const override;
  bool IsSelectionAnchorSet() const override;
  // With a focused record, its details count as brought in step.
  void SyncFocusedRecord() override;
  // Told each time the provider's detail-synchronised answer changes.
  virtual void DoProviderSyncChanged(bool ASynchronized) { (void)ASynchronized; }
  // Also while a grid-mode dataset inserts: its buffer shows a record the controller has not read.
  bool IsDataChangeLocked() const override;
  // The first check builds the fields once the dataset has them.
  void CheckChanges() override;
  bool IsActivated() const { return FActivated; }
  // Records always come from the dataset, open or not.
  bool IsDataLoaded() const override { return true; }
  // In grid mode the buffer row the dataset stands on.
  int GetCurrentRecordIndex() override;
  // The dataset reads its records again.
  void RefreshExternalData() override;
  // A detail's item bound to one of its detail key fields. Master-side keys are named on the details, which
  // a master does not reach, so no item counts as a master key.
  bool IsItemDetailKey(int AItemIndex) override;
  // In grid mode the dataset's bookmark of buffer row ARecordIndex, as a string.
  Variant GetSelectionKey(int ARecordIndex) override;
  // Under smart refresh the dataset's edit is not read again after a cancel: the controller keeps the
  // values to go back to.
  bool StartEditingInSource() override;
  void SyncDetailData() override;
  // The dataset given by DataSource changed.
  virtual void DoDataSetChanged() {}
  // A record the controller inserts has been given its first values.
  virtual void DoInitInsertingRecord(int ARecordIndex) { (void)ARecordIndex; }
  // The grid-mode buffer scrolled to other records.
  virtual void NotifyGridModeScrolled() { AddChanges(dccData); }
  // The grid-mode buffer moved over a dataset that numbers its records.
  virtual void DoGridModeBufferChanged() {}
  // AFillProc names the key fields to match among AData's; the dataset's current values of them are looked
  // up among the loaded records. -1 when none holds them.
  int FindRecordIndexByKeyValues(
      const std::function<void(void* AData, std::vector<TcxCustomDataField*>& AFields)>& AFillProc,
      void* AData);
  // Writes the master record's key into the detail key fields of a record this detail inserts, so the
  // record belongs to the master it is shown under.
  void AssignMasterKeyToInsert();
  // Raises where the master record hands this detail no key: a new record would belong to no master.
  void CheckMasterKeyToInsert();

protected:
  void ReloadStorage() override;
  // The provider's marker of the record the dataset edits goes with it, or moves down past removed ones.
  void RecordDeleted(const std::vector<int>& ASortedIndexes) override;

private:
  friend class TcxDBDataProvider;
  friend class TcxDBDataLink;
  friend class TcxValueDefDBReader;
  friend class TcxDBDataModeController;
  friend class TcxDBDataField;
  void CheckGridMode();
  void BindField(TcxCustomDataField* AField, const AnsiString& AName);
  // Makes the items bound by a simple name to the same dataset field (the same name while the dataset is
  // closed) refer to one of them, and gives items that no longer share a value of their own again.
  void UpdateReferences();
  // The view forgets what it knew of the storage of the fields referring to ARoot.
  void ReferredStorageChanged(TcxCustomDataField* ARoot);
  // Binds AField by AName with the sub-fields a composite name or a lookup with several keys needs.
  void BindDataField(TcxDBDataField* AField, const AnsiString& AName, int ADepth);
  void SetSubFields(TcxDBDataField* AField, const std::vector<AnsiString>& ANames);
  void RemoveSubFields(TcxDBDataField* AField);
  // Sub-fields whose parent went with its item.
  void RemoveOrphanSubFields();
  void RebuildKeyFields();
  void FilterChanged(TObject* Sender);
  // Conditions made for another dataset (or none) take the operators this one's filter text needs.
  void UpdateFilterOperators();
  void FormatFilterTextValue(TcxFilterCriteria* Sender, TcxFilterCriteriaItem* AItem, const Variant& AValue,
                             AnsiString& AText);
  void DoSelectionChanged();
  // Focuses the record the dataset stands on, as a detail whose master moved it.
  void FollowDataSetRecord();
  // Runs AReload inside a full update that finds selection and details again by key, with the focus left on
  // the dataset's record; false (nothing run) without key navigation on an open dataset.
  bool KeyedReload(const std::function<void()>& AReload);
  // Reads every record into the storage; a read that fails leaves no records and the dataset where it was,
  // and a value the storage cannot take is named with its field and record in an EDatabaseError.
  void LoadStorage();
  // ReloadStorage without the details of master records.
  void ReloadRecords();
  // Puts the details of master records back after the records were read anew, each on the record that
  // holds the key it showed (APosted: the record just posted, whose key may be new), and releases those
  // whose record went. AKeys are the keys they showed.
  void FindRecordDetails(const std::vector<THeldDetail>& AHeld, const std::vector<Variant>& AKeys,
                         int APosted);
  // The details of master record ARecordIndex take its key again.
  void UpdateRecordDetailKeys(int ARecordIndex);
  void ChangeMasterKey(const Variant& AValues, const AnsiString& ARefusal);
  // Takes the key of record ARecordIndex of AMaster, or its refusal.
  void TakeMasterKey(TcxDBDataController* AMaster, int ARecordIndex);
  // GetRecordValuesByFieldNames as a key that names the record: Empty, with AWhyNot saying why, where one of
  // the values was read only approximately or may have been.
  Variant GetRecordKeyByFieldNames(int ARecordIndex, const AnsiString& AFieldNames, AnsiString& AWhyNot);
  // GetRecordValuesByFieldNames, answering the fields and the record's index after a reload it ran.
  Variant RecordValuesByFieldNames(int& ARecordIndex, const AnsiString& AFieldNames,
                                   std::vector<TcxCustomDataField*>& AFields);
  // Why the values of AFields in record ARecordIndex cannot name it: one was read only approximately, or
  // may have been where the record's row cannot be told; empty when they can.
  AnsiString InexactValueText(int ARecordIndex, const std::vector<TcxCustomDataField*>& AFields);
  // Describes the first field value of the dataset's current record that its item's value type refuses;
  // empty when every value fits.
  AnsiString UnreadableValueText();

  TcxDBDataModeController FDataModeController{this};
  TcxDBDataFilterCriteria FDBFilter{this};
  AnsiString FKeyFieldNames;
  std::vector<TcxCustomDataField*> FKeyFields; // internal fields, one per key name
  std::unordered_map<TObject*, AnsiString> FItemFieldNames;
  std::unordered_map<TcxCustomDataField*, TField*> FBindings;
  std::vector<std::pair<TcxDataSummaryItem*, TcxCustomDataField*>> FSummaryFields;
  std::unordered_map<TcxCustomDataField*, AnsiString> FInternalNames;
  TBookmarkStr FBookmark;
  // Internal: each record's bookmark in the dataset, where the provider keeps them; nullptr until then.
  TcxCustomDataField* FRecordBookmarkField = nullptr;
  bool FFocusing = false;
  AnsiString FDetailKeyFieldNames;
  AnsiString FMasterKeyFieldNames;
  Variant FMasterKeyValues;
  AnsiString FMasterKeyRefusal;
  bool FDetailReloading = false;
  bool FInMasterSync = false;
  bool FInDetailSync = false; // the focus follows the master, which this detail must not move in turn
  bool FBufferReloading = false;
  bool FInSortingAfterLoad = false;
  bool FEditFromDataSet = false; // the dataset started the edit, or the provider cancels it
  bool FActivated = false;
  bool FInKeyedReload = false;
  bool FGridModeSwitched = false; // the next load reads records for the other mode: focus must follow it
};

extern const TUnitInfo cxDBDataUnit;

template <class F> void TcxDBDataProvider::DataSetOperation(F AOperation) {
  TDataSet* ds = DataSet();
  if (!ds) {
    AOperation();
    return;
  }
  struct Guard {
    bool& Flag;
    ~Guard() { Flag = false; }
  } guard{FInDataSetOperation};
  FInDataSetOperation = true;
  if (IsEditState(ds->State())) {
    if (ds->State() == dsInsert)
      ds->CheckBrowseMode();
    if (IsEditState(ds->State()))
      FDataLink->UpdateRecord();
  }
  AOperation();
}

template <class F> bool TcxDBDataProvider::ReadAtRecord(int ARecordIndex, F ARead) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ARecordIndex < 0)
    return false;
  if (!IsGridMode()) {
    ARead();
    return true;
  }
  if (ARecordIndex >= FDataLink->RecordCount())
    return false;
  struct Restore {
    TcxDBDataLink& Link;
    int Active;
    ~Restore() { Link.SetActiveRecord(Active); }
  } restore{*FDataLink, FDataLink->ActiveRecord()};
  FDataLink->SetActiveRecord(ARecordIndex);
  ARead();
  return true;
}

template <class F> auto TcxDBDataProvider::Positioning(F AOperation) -> decltype(AOperation()) {
  struct Guard {
    int& Count;
    ~Guard() { --Count; }
  } guard{FPositioning};
  ++FPositioning;
  return AOperation();
}
