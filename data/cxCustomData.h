#pragma once
// The data controller: the engine that list-shaped controls read. It keeps typed records in a storage, binds
// the owner's items to fields, computes the filtered, sorted and grouped view with focus and selection,
// summaries and incremental search, runs the edit cycle through its provider and reports what changed.
//
// Record indexes are storage indexes (internal records negative), list indexes are positions among the
// visible records in view order, row indexes count group rows and data rows. -1 means none; the edit
// state's marker for no record is cxNoRecord.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/cxDataStorage.h"
#include "data/cxFilter.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/classes/Sets.h"
#include "platform/rtl/Variants.h"

class TcxCustomDataController;
class TcxCustomDataControllerInfo;
namespace cxdata {
struct TOrderKeys;
struct TDistinctGrouping;
class TTrackedRecords;
} // namespace cxdata
class TcxCustomDataField;
class TcxCustomDataFieldList;
class TcxCustomDataRelationList;
class TcxDataSummary;
class TcxDataSummaryItem;
class TcxDetailObject;

constexpr int cxNoRecord = int(0x80000001);

class EcxInvalidDataControllerOperation : public Exception {
public:
  using Exception::Exception;
};

extern const char* const cxSDataRecordIndexError;
extern const char* const cxSDataItemIndexError;
extern const char* const cxSDataRowIndexError;
extern const char* const cxSDataItemExistError;
extern const char* const cxSDataFieldsChangingError;
extern const char* const cxSFilterBoxAllCaption;
extern const char* const cxSFilterBoxCustomCaption;
extern const char* const cxSFilterBoxBlanksCaption;
extern const char* const cxSFilterBoxNonBlanksCaption;

enum TcxDataChangeKind : std::uint8_t { dcField, dcRecord, dcNew, dcDeleted, dcTotal };

// The controller's pending changes, one set of names for everything that raises or reads them.
using TcxDataControllerChanges = std::uint16_t;
constexpr TcxDataControllerChanges dccLayout = 0x1;
constexpr TcxDataControllerChanges dccData = 0x2;
constexpr TcxDataControllerChanges dccFocus = 0x4;
constexpr TcxDataControllerChanges dccSelection = 0x8;
constexpr TcxDataControllerChanges dccDetail = 0x10;
constexpr TcxDataControllerChanges dccSummary = 0x20;
constexpr TcxDataControllerChanges dccSearch = 0x40;
constexpr TcxDataControllerChanges dccSorting = 0x80;
constexpr TcxDataControllerChanges dccGrouping = 0x100;
constexpr TcxDataControllerChanges dccItems = 0x200;
constexpr TcxDataControllerChanges dccBookmark = 0x400;
constexpr TcxDataControllerChanges dccUpdateRecord = 0x800;

// What the view must recompute.
using TcxDataViewChanges = std::uint16_t;
constexpr TcxDataViewChanges dvcData = 0x1;
constexpr TcxDataViewChanges dvcGrouping = 0x2;
constexpr TcxDataViewChanges dvcSorting = 0x4;
constexpr TcxDataViewChanges dvcFocusedRow = 0x8;
constexpr TcxDataViewChanges dvcFilter = 0x10;
constexpr TcxDataViewChanges dvcExpanding = 0x20;
constexpr TcxDataViewChanges dvcFocusReset = 0x40;
constexpr TcxDataViewChanges dvcSelection = 0x80;
constexpr TcxDataViewChanges dvcSummary = 0x100;
constexpr TcxDataViewChanges dvcFocusedRecord = 0x200;

using TcxDataControllerEditState = std::uint8_t;
constexpr TcxDataControllerEditState dceInsert = 1;
constexpr TcxDataControllerEditState dceEdit = 2;
constexpr TcxDataControllerEditState dceChanging = 4;
constexpr TcxDataControllerEditState dceModified = 8;

using TcxDataControllerEditOperations = std::uint8_t;
constexpr TcxDataControllerEditOperations dceoAppend = 1;
constexpr TcxDataControllerEditOperations dceoDelete = 2;
constexpr TcxDataControllerEditOperations dceoEdit = 4;
constexpr TcxDataControllerEditOperations dceoInsert = 8;
constexpr TcxDataControllerEditOperations dceoShowEdit = 16;

using TcxDataControllerOptions = std::uint16_t;
constexpr TcxDataControllerOptions dcoAnsiSort = 0x1;
constexpr TcxDataControllerOptions dcoCaseInsensitive = 0x2;
constexpr TcxDataControllerOptions dcoAssignGroupingValues = 0x4;
constexpr TcxDataControllerOptions dcoAssignMasterDetailKeys = 0x8;
constexpr TcxDataControllerOptions dcoSaveExpanding = 0x10;
constexpr TcxDataControllerOptions dcoSortByDisplayText = 0x20;
constexpr TcxDataControllerOptions dcoFocusTopRowAfterSorting = 0x40;
constexpr TcxDataControllerOptions dcoGroupsAlwaysExpanded = 0x80;
constexpr TcxDataControllerOptions dcoImmediatePost = 0x100;
constexpr TcxDataControllerOptions dcoInsertOnNewItemRowFocusing = 0x200;

enum TcxDataSortOrder : std::uint8_t { soNone, soAscending, soDescending };

// Whether an edited value arrives as a value or as text to be parsed.
enum TcxDataEditValueSource : std::uint8_t { evsValue, evsText, evsKey };

// The before/after hooks of the edit cycle; the provider calls them, the controller fires its events.
using TcxDataControllerRecordEvent = TEvent<void(TcxCustomDataController* Sender, int ARecordIndex)>;
using TcxDataControllerNotifyEvent = TEvent<void(TcxCustomDataController* Sender)>;
using TcxDataFilterRecordEvent =
    TEvent<void(TcxCustomDataController* Sender, int ARecordIndex, bool& Accept)>;
using TcxDataRecordChangedEvent =
    TEvent<void(TcxCustomDataController* Sender, int ARecordIndex, int AItemIndex)>;
using TcxDataControllerCompareEvent = TEvent<void(TcxCustomDataController* Sender, int ARecordIndex1,
                                                  int ARecordIndex2, int AItemIndex, int& ACompare)>;
using TcxDataDetailExpandingEvent =
    TEvent<void(TcxCustomDataController* Sender, int ARecordIndex, bool& AAllow)>;

class TcxUserDataSource;

class TcxCustomDataProvider : public TObject {
  PELVOR_CLASS(TcxCustomDataProvider, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxCustomDataProvider(TcxCustomDataController* ADataController);
  ~TcxCustomDataProvider() override;

  virtual void CustomSort();
  virtual bool IsUnboundMode() { return true; }
  virtual bool IsCustomSorting();
  virtual bool IsGridMode() { return false; }
  virtual bool IsActiveDataSet() { return false; }
  virtual bool IsOtherProviderInserting() { return false; }
  virtual bool IsKeyNavigation();
  virtual bool IsSyncMode() { return false; }
  virtual bool IsActive() { return FCustomDataSource != nullptr; }
  virtual bool IsFieldsReady() { return false; }
  virtual bool IsBOF() { return true; }
  virtual bool IsChanging() { return FChanging; }
  virtual bool IsEditing() { return FEditingRecordIndex != cxNoRecord; }
  virtual bool IsEOF() { return true; }
  virtual bool IsGridModeUpdating() { return false; }
  virtual bool IsInserting() { return IsEditing() && FInserting; }
  virtual bool IsModified() { return FModified; }
  virtual bool IsReadOnly() { return !CanModify(); }
  virtual void RecordAdded(int ARecordIndex) { (void)ARecordIndex; }
  virtual void First() {}
  virtual void Prior() {}
  virtual void Next() {}
  virtual void Last() {}
  virtual void MoveBy(int ADistance) { (void)ADistance; }
  virtual void Scroll(int ADistance) { (void)ADistance; }
  virtual void SavePos() {}
  virtual void RestorePos() {}
  virtual bool CanAppend() { return CanModify(); }
  virtual bool CanDelete();
  virtual bool CanInitEditing(int ARecordIndex);
  virtual bool CanInsert() { return CanModify(); }
  virtual bool CanModify() { return true; }
  virtual void Append() { InsertRecordEx(true); }
  virtual void Cancel();
  virtual void CheckChanging();
  virtual void Delete();
  virtual void DeleteRecords(std::vector<int>& AList);
  virtual void DeleteSelection();
  // A record already in edit stays so: beginning again would save its edited values as those to go back to.
  virtual void Edit() {
    if (!IsEditing())
      DoEdit();
  }
  virtual Variant GetEditValue(int ARecordIndex, TcxCustomDataField* AField,
                               TcxDataEditValueSource AEditValueSource);
  virtual void Insert() { InsertRecordEx(false); }
  virtual void Post();
  virtual void PostEditingData();
  virtual bool SetEditValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue,
                            TcxDataEditValueSource AEditValueSource);
  virtual void SaveFocusAfterDelete();
  virtual void ResetFocusAfterDelete();
  virtual void SetRecordValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue);
  virtual void InitInsertingRecord(int ARecordIndex, const std::vector<Variant>& AGroupValues);
  virtual void BeginEditFocusedRecord();
  virtual void InsertRecordEx(bool AAppend);
  void ResetChanging() { FChanging = false; }
  void SetChanging() { FChanging = true; }
  virtual void ResetEditing();
  void ResetModified() { FModified = false; }
  void SetModified() { FModified = true; }
  virtual void DoEdit() { BeginEditFocusedRecord(); }
  void BeginLocate() { ++FLocateCount; }
  void EndLocate() { --FLocateCount; }
  void LockNotify() { ++FNotifyLockCount; }
  void UnlockNotify() { --FNotifyLockCount; }
  virtual int AppendRecord();
  virtual void DeleteRecord(int ARecordIndex);
  virtual int InsertRecord(int ARecordIndex);
  virtual Variant GetValue(int ARecordIndex, TcxCustomDataField* AField);
  virtual void SetValue(int ARecordIndex, TcxCustomDataField* AField, const Variant& AValue);
  virtual AnsiString GetDisplayText(int ARecordIndex, TcxCustomDataField* AField);
  virtual Variant GetRecordId(int ARecordIndex);
  virtual int GetActiveRecordIndex() { return -1; }
  // Values of fields whose records the source keeps itself; none here.
  virtual void GetExternalDataDisplayText(int ARecordIndex, TcxCustomDataField* AField, AnsiString& AText) {
    (void)ARecordIndex, (void)AField, AText.clear();
  }
  virtual void GetExternalDataValue(int ARecordIndex, TcxCustomDataField* AField, Variant& AValue) {
    (void)ARecordIndex, (void)AField, AValue = Variant();
  }
  // Called before and after the controller reads the records from the provider.
  virtual void LoadRecords() {}
  virtual void EndLoadRecords() {}
  // The reader that feeds each record read while loading; the dataset-bound provider supplies its own.
  virtual std::unique_ptr<TcxValueDefReader, TObjectDeleter> CreateValueDefReader() {
    return std::unique_ptr<TcxValueDefReader, TObjectDeleter>(new TcxValueDefReader());
  }
  virtual int CompareValues(int ARecordIndex1, int ARecordIndex2, TcxCustomDataField* AField);
  virtual void SetRecordCount(int ACount);
  virtual void LayoutChanged();
  virtual void DataChanged(TcxDataChangeKind AKind, int AItemIndex, int ARecordIndex);
  virtual void DataScrolled(int ADistance);

  void SetCustomDataSource(TcxUserDataSource* AValue);
  TcxUserDataSource* CustomDataSource() const { return FCustomDataSource; }
  TcxCustomDataController* DataController() const { return FDataController; }
  int EditingRecordIndex() const { return FEditingRecordIndex; }
  int RecordBefore() const { return FRecordBefore; }
  int RecordAfter() const { return FRecordAfter; }
  int LocateCount() const { return FLocateCount; }
  int SavedCopy() const { return FSavedCopy; }
  // The values of the record in edit from when its edit began, kept also where a dataset restores a cancel
  // itself: they name the group the record is shown in until it is posted. An internal record; 0 while
  // inserting or browsing.
  int EditStartCopy() const { return FEditStartCopy; }
  // The record the last Post stored, -1 when it stored none.
  int LastPostedRecordIndex = -1;

  // Handle mapping of a user data source: linear, as no index of handles is kept.
  int GetRecordIndexByHandle(int AHandle);
  // Appends a storage record holding the handle, for a source's LoadRecords; answers its record index.
  int AddRecordHandle(int AHandle);
  int GetRecordHandleByIndex(int ARecordIndex);

private:
  friend class TcxCustomDataController;
  bool FChanging = false;
  TcxUserDataSource* FCustomDataSource = nullptr; // borrowed
  TcxCustomDataController* FDataController;       // owner
  int FEditingRecordIndex = cxNoRecord;
  int FRecordBefore = cxNoRecord;
  int FRecordAfter = cxNoRecord;
  bool FInCheckChanging = false;
  int FLocateCount = 0;
  int FNotifyLockCount = 0;
  bool FModified = false;
  int FSavedCopy = 0;
  int FEditStartCopy = 0;
  bool FInserting = false;
};
using TcxCustomDataProviderClass = TClass;

// A source of records that an application attaches in place of the controller's own storage.
class TcxUserDataSource : public TObject {
  PELVOR_CLASS(TcxUserDataSource, TObject)
public:
  // Detaches from every provider still attached, so none keeps a freed source.
  ~TcxUserDataSource() override;
  virtual int AppendRecord() { return 0; }
  virtual void CustomSort() {}
  virtual void DeleteRecord(int ARecordHandle) { (void)ARecordHandle; }
  virtual int QueryData(int AArgument, std::uint8_t* AData) { return (void)AArgument, (void)AData, 0; }
  virtual void GetDisplayText(int ARecordHandle, int AItemHandle, AnsiString& AText);
  virtual bool GetValueAssigned(int ARecordHandle, int AItemHandle, Variant& AValue);
  virtual int GetItemHandle(int AItemIndex) { return AItemIndex; }
  virtual bool CanInsertRecord() { return false; }
  virtual void GetRecordId(int ARecordHandle, Variant& AValue) { AValue = ARecordHandle; }
  virtual void GetValue(int ARecordHandle, int AItemHandle, Variant& AValue);
  virtual int InsertRecord(int ARecordHandle) { return (void)ARecordHandle, AppendRecord(); }
  virtual bool IsCustomSorting() { return false; }
  virtual bool IsKeyNavigation() { return false; }
  virtual void LoadRecords() {}
  virtual int CompareRecords(int ARecordHandle1, int ARecordHandle2, int AItemHandle);
  virtual void SetRecordCount(int ACount) { (void)ACount; }
  virtual void SetValue(int ARecordHandle, int AItemHandle, const Variant& AValue);

  TcxCustomDataProvider* CurrentProvider = nullptr;
  std::vector<TcxCustomDataProvider*> Providers; // borrowed
};

class TcxCustomDataField : public TObject {
  PELVOR_CLASS(TcxCustomDataField, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataFieldList*>;
  explicit TcxCustomDataField(TcxCustomDataFieldList* AFieldList);
  ~TcxCustomDataField() override;

  virtual void Assign(TcxCustomDataField* ASource);
  virtual bool CanModify(TcxDataEditValueSource AEditValueSource);
  virtual bool IsUnbound() { return false; }
  bool IsInternal() const { return FInternal; }
  void SetInternal(bool AValue);

  TcxCustomDataController* DataController() const;
  TcxCustomDataFieldList* FieldList() const { return FFieldList; }
  int Index() const;
  void SetIndex(int AValue);
  TObject* Item() const { return FItem; }
  void SetItem(TObject* AItem) { FItem = AItem; }
  TcxCustomDataField* ReferenceField() const { return FReferenceField; }
  void SetReferenceField(TcxCustomDataField* AValue);
  TcxCustomDataField* Root() { return FReferenceField ? FReferenceField : this; }
  bool TextStored() { return Root()->FTextStored; }
  void SetTextStored(bool AValue);
  TcxValueTypeClass ValueTypeClass() { return Root()->FValueTypeClass; }
  void SetValueTypeClass(TcxValueTypeClass AValue);
  TcxValueDef* ValueDef() { return Root()->FValueDef; }

  // Set by the view while it sorts or groups: -1 not comparable, 1 by value, 2 by display text.
  int CompareKind = 0;
  bool Flag = false; // the item flag: compare the field even where the controller would not
  bool Prepared = false;

private:
  friend class TcxCustomDataFieldList;
  void BeginChange();
  void EndChange();
  void FreeValueDef();
  TcxCustomDataFieldList* FFieldList;
  bool FInternal = false;
  TObject* FItem = nullptr; // borrowed
  int FChangeCount = 0;
  TcxCustomDataField* FReferenceField = nullptr;
  bool FTextStored = false;
  TcxValueDef* FValueDef = nullptr; // owned through the storage
  TcxValueTypeClass FValueTypeClass = nullptr;
};

class TcxCustomDataFieldList : public TObject {
  PELVOR_CLASS(TcxCustomDataFieldList, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxCustomDataFieldList(TcxCustomDataController* ADataController)
      : FDataController(ADataController) {}
  ~TcxCustomDataFieldList() override { Clear(); }

  TcxCustomDataField* FieldByItem(TObject* AItem) const;
  void Add(TcxCustomDataField* AField);
  void Remove(TcxCustomDataField* AField);
  void Clear();
  int Count() const { return int(FItems.size()); }
  TcxCustomDataField* Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  int ItemCount() const { return Count() - FInternalCount; }
  int IndexOf(const TcxCustomDataField* AField) const;
  void Move(int AFrom, int ATo);
  TcxCustomDataController* DataController() const { return FDataController; }
  // Set by a FieldChanged that altered the list, so UpdateFields starts over.
  bool Restart = false;

private:
  friend class TcxCustomDataField;
  void RecountInternal();
  TcxCustomDataController* FDataController;
  int FInternalCount = 0;
  std::vector<TcxCustomDataField*> FItems; // owned
};

struct TcxDataSortInfo {
  TcxCustomDataField* Field;
  TcxDataSortOrder SortOrder;
};

class TcxSortingFieldList : public TObject {
  PELVOR_CLASS(TcxSortingFieldList, TObject)
public:
  virtual void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Add(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Insert(int AIndex, TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void Delete(int AIndex);
  void Move(int AFrom, int ATo);
  void Remove(TcxCustomDataField* AField);
  void Clear();
  int IndexOf(const TcxCustomDataField* AField) const;
  TcxDataSortOrder GetSortOrder(const TcxCustomDataField* AField) const;
  void AddFields(const TcxSortingFieldList& AList);
  int Count() const { return int(FItems.size()); }
  const TcxDataSortInfo& Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  TNotifyEvent OnChanged;

protected:
  void Changed();
  std::vector<TcxDataSortInfo> FItems;
};

class TcxGroupingFieldList : public TcxSortingFieldList {
  PELVOR_CLASS(TcxGroupingFieldList, TcxSortingFieldList)
public:
  void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) override;
  void ChangeGroupIndex(TcxCustomDataField* AField, int AIndex);
  void SyncSortOrders(const TcxSortingFieldList& ASortingList);
};

struct TcxDataGroupInfo {
  int RowIndex = 0;
  bool Expanded = false;
  int Level = 0;
  int BeginIndex = 0;
  int EndIndex = 0;
  Variant SummaryValues;
};

class TcxDataGroups : public TObject {
  PELVOR_CLASS(TcxDataGroups, TObject)
public:
  void Clear();
  void AddLevel(const TcxDataSortInfo& AEntry) { FLevels.push_back(AEntry); }
  TcxDataGroupInfo& AddGroup();
  int LevelCount() const { return int(FLevels.size()); }
  const TcxDataSortInfo& Levels(int ALevel) const { return FLevels.at(std::size_t(ALevel)); }
  int Count() const { return int(FItems.size()); }
  TcxDataGroupInfo& Items(int AIndex) { return FItems.at(std::size_t(AIndex)); }
  const TcxDataGroupInfo& Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }

  int GetChildCount(int AGroup) const;
  int GetChildIndex(int AGroup, int AIndex) const;
  int GetChildRecordListIndex(int AGroup, int AIndex) const;
  int GetLevel(int AGroup) const;
  int GetGroupIndex(int AListIndex, int ALevel) const;
  int GetParent(int AGroup) const;
  // The deepest group whose range holds the list index, -1 when none.
  int GetDeepestGroup(int AListIndex) const;
  // The first list index of all records below the group.
  int GetFirstListIndex(int AGroup) const;
  int GetLastListIndex(int AGroup) const;
  int FindByRowIndex(int ARowIndex, int& AGroup) const;
  bool IsVisible(int AGroup) const;
  void FullExpand(bool AExpanded);
  bool MakeVisible(int AGroup, bool AExpandSelf);
  void RecalculateRows();
  int GetRowCount() const { return FRowCount; }
  // Reorders top-level groups by one summary value; equal values keep their previous order. The record
  // list follows, so that every group still covers a contiguous range.
  void SortBySummary(std::vector<int>& ARecordList);

  int SummarySortIndex = -1;
  TcxDataSortOrder SummarySortOrder = soNone;

private:
  std::vector<TcxDataSortInfo> FLevels;
  std::vector<TcxDataGroupInfo> FItems;
  std::vector<int> FDeepest; // indexes of deepest-level groups, in list order
  int FRowCount = 0;
};

class TcxDataFocusingInfo {
public:
  bool Changed = false;
  int Level = -1;
  int PrevRecordIndex = -1;
  int RecordIndex = -1;
  int RowIndex = -1;
  void Clear() { Level = RecordIndex = RowIndex = -1; }
  void Assign(const TcxDataFocusingInfo& AOther);
};

struct TcxDataExpandingInfo {
  int Level = 0;
  Variant Value;
  std::uint8_t Flags = 0;
  //! A group that the record in edit alone fills is named by the value the record held when the edit began
  //! while the edit lasts, and by the one it holds now once the edit is over.
  bool ByEditStart = false;
  Variant EditedValue;
};

// What a view keeps of its groups across a change of its records, until the update that follows it.
struct TcxDataSavedExpanding {
  std::vector<TcxDataExpandingInfo> Infos;
  std::vector<TcxCustomDataField*> Fields;
  std::uint8_t Mode = 0;
  bool Saved = false;
};

struct TcxDataSelectedItem {
  int Level;
  int RecordIndex;
  int RowIndex;
};

class TcxDataSelection : public TObject {
  PELVOR_CLASS(TcxDataSelection, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxDataSelection(TcxCustomDataController* ADataController) : FDataController(ADataController) {}

  virtual void ClearAnchor() { AnchorRowIndex = -1; }
  virtual void InternalAdd(int APosition, int ARowIndex, int ALevel, int ARecordIndex);
  virtual void InternalClear() { FItems.clear(); }
  virtual void InternalDelete(int AIndex);
  virtual void Add(int APosition, int ARowIndex, int ALevel, int ARecordIndex);
  virtual bool FindByRowIndex(int ARowIndex, int& APosition) const;

  void Changed();
  void Clear();
  void ClearAll();
  void Delete(int AIndex);
  int IndexOfRecord(int ARecordIndex) const;
  bool IsRowSelected(int ARowIndex) const;
  void SortByRow();
  int Count() const { return int(FItems.size()); }
  const TcxDataSelectedItem& Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  std::vector<TcxDataSelectedItem>& ItemsList() { return FItems; }
  int AnchorRowIndex = -1;
  TNotifyEvent OnChanged;

private:
  TcxCustomDataController* FDataController;
  std::vector<TcxDataSelectedItem> FItems;
};

struct TcxRowInfo {
  bool Expanded = false;
  int Level = 0;
  int RecordIndex = -1;
};

class TcxCustomDataControllerInfo : public TObject {
  PELVOR_CLASS(TcxCustomDataControllerInfo, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxCustomDataControllerInfo(TcxCustomDataController* ADataController);
  ~TcxCustomDataControllerInfo() override;

  virtual void ValidateSelection();
  virtual void Update();

  void BeginUpdate() { ++FLockCount; }
  void EndUpdate();
  int LockCount() const { return FLockCount; }
  void CheckChanges();
  void CheckRowIndex(int ARowIndex) const;
  void DataChanged();
  void ResetFocusing();
  void FilterChanged(bool AFilter);
  void ExpandingChanged();
  void FocusedRecordChanged(bool ANotify);
  void ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder);
  void ClearSorting(bool AKeepGroupedItems);
  void ChangeGrouping(TcxCustomDataField* AField, int AGroupIndex);
  void RemoveField(TcxCustomDataField* AField);
  void FieldStorageChanged(TcxCustomDataField* AField);
  void AddChanges(TcxDataViewChanges AChanges) { FChanges |= AChanges; }
  TcxDataViewChanges Changes() const { return FChanges; }

  int GetRowCount() const;
  TcxRowInfo GetRowInfo(int ARowIndex) const;
  int GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible);
  int GetNearestRowIndex(int ARowIndex) const;
  int GetRecordListCount() const { return int(FRecordList.size()); }
  // Changes whenever the record list or the values behind it may have changed.
  unsigned DataStamp() const { return FDataStamp; }
  int GetRecordListRecord(int AListIndex) const { return FRecordList.at(std::size_t(AListIndex)); }
  int GetListIndexByRecord(int ARecordIndex) const;
  const std::vector<int>& RecordList() const { return FRecordList; }
  bool IsGrouped() const { return FGroupingFieldList.Count() > 0; }
  // The list indexes of a row's records: one for a data row, all of a group's for a group row.
  void GetRowListRange(int ARowIndex, int& AFirst, int& ALast) const;

  void ChangeRowSelection(int ARowIndex, bool ASelect);
  void ClearSelection();
  void ClearSelectionAnchor() { FSelection->ClearAnchor(); }
  int GetSelectedCount() const { return FSelection->Count(); }
  int GetSelectedRowIndex(int AIndex) const { return FSelection->Items(AIndex).RowIndex; }
  bool IsRowSelected(int ARowIndex) const;

  int GetFocusedRowIndex() const { return FFocusingInfo.RowIndex; }
  int GetFocusedRecordIndex() const;
  // True when the row asked for is the one focused now: a row that the post of the record in edit moved
  // is found again, one it took away is not focused.
  bool ChangeFocusedRow(int ARowIndex, bool AForce);
  bool FocusRow(int ARowIndex);
  void SetFocusedRowToFirst();
  bool CanFocusRow(int ARowIndex);
  const TcxDataFocusingInfo& PrevFocusingInfo() const { return FPrevFocusingInfo; }
  // True when a group's state changed; data rows and groups already so answer False.
  bool ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive);
  void FullExpand(bool AExpanded);
  // Forgets cached row state after records were added or deleted.
  void DropState();
  // Keeps what the groups need to come back expanded, while the records are still where the groups say;
  // groups whose records are all among AGoing (sorted), the records a delete takes, are gone.
  void SaveBeforeRecordsChange(const std::vector<int>& AGoing = {});
  // Forgets what SaveBeforeRecordsChange kept, for a change that did not happen.
  void DiscardSavedState() { FExpandingSaved = false; }
  // What SaveBeforeRecordsChange kept, to be put back for its own change where another change on the way
  // (the post of an edit before a delete) updates the view first and uses it up.
  TcxDataSavedExpanding SavedState() const {
    return {FExpandingInfos, FExpandingFields, FExpandingMode, FExpandingSaved};
  }
  void PutSavedState(TcxDataSavedExpanding AState);
  // Names ARecord at ALevel as focused again, where a change on the way took the focused group row to a group
  // that another record leads; the next update finds the row anew.
  void RenameFocusedRecord(int ARecord, int ALevel) {
    FFocusingInfo.RecordIndex = ARecord;
    FFocusingInfo.Level = ALevel;
  }

  TcxDataGroups& Groups() { return FGroups; }
  TcxSortingFieldList& SortingFieldList() { return FSortingFieldList; }
  TcxGroupingFieldList& GroupingFieldList() { return FGroupingFieldList; }
  TcxDataSelection& Selection() { return *FSelection; }
  // What a one-level grouping by distinct values gathered during this update, nullptr otherwise.
  cxdata::TDistinctGrouping* DistinctGrouping() const { return FDistinct.get(); }
  // The record whose values name a group: its first that is neither in edit nor just changed, where the
  // group holds another.
  int GroupNamingRecord(int AGroup, int AEditing, int AChanged) const;
  // The record whose values a group shows: the naming record, or, where the group holds the record in edit
  // alone, its copy from when the edit began, the values that placed it.
  int GroupValueRecord(int AGroup, int AEditing, int AChanged) const;

private:
  friend class TcxCustomDataController;
  void GroupingChanged(TObject* Sender);
  void SortingChanged(TObject* Sender);
  void SelectionChanged(TObject* Sender);
  void SaveExpandingAndSelection(const std::vector<int>& AGoing = {});
  void RestoreExpandingAndSelection();
  // A record of the row that a post of the record in edit leaves in it; -1 for row -1.
  int RowNamingRecord(int ARowIndex) const;
  // The row of that level showing the record, its groups opened; -1 when the record is not in the view.
  int FindNamedRow(int ALevel, int ARecordIndex);
  void RestoreFocus(bool AGroupRowFocused);
  void DoFilter();
  void DoSort();
  void DoGroup();
  void PrepareCompareKinds();
  void ResetCompareKinds();
  void RebuildListIndexes();
  void UpdateFocusingInfo(TcxDataFocusingInfo& AInfo);
  void RemapSelection();
  // The record in edit where it keeps its place beside its neighbours; cxNoRecord when none does.
  int KeptEditingRecord() const;
  //! The records of the selected data rows in order, then the number of selected group rows.
  std::vector<int> SelectedRecords() const;

  TcxDataViewChanges FChanges = 0;
  unsigned FDataStamp = 1;
  TcxCustomDataController* FDataController;
  TcxDataGroups FGroups;
  std::vector<TcxDataExpandingInfo> FExpandingInfos;
  std::vector<TcxCustomDataField*> FExpandingFields;
  std::uint8_t FExpandingMode = 0;
  bool FExpandingSaved = false;
  bool FRowsPending = false;
  bool FInFocusChange = false;
  TcxDataFocusingInfo FFocusingInfo;
  TcxGroupingFieldList FGroupingFieldList;
  int FLockCount = 0;
  TcxDataFocusingInfo FPrevFocusingInfo;
  std::vector<int> FRecordList;
  mutable std::vector<int> FListIndexOfRecord; // -1 for a record that is not visible; built on demand
  mutable bool FListIndexValid = false;
  mutable int FListLookups = 0;
  std::unique_ptr<TcxDataSelection, TObjectDeleter> FSelection;
  TcxSortingFieldList FSortingFieldList;
  TcxSortingFieldList FTotalSortingFieldList;
  // Dense order keys of the total sorting list from the last sort of this update, for the grouping.
  std::vector<cxdata::TOrderKeys> FSortKeys;
  // When the last sort packed every key into one: that key per list position, and per grouping level the
  // shift that leaves the keys of that level and those above it. Empty otherwise.
  std::vector<std::uint64_t> FListKeys;
  std::vector<int> FListKeyShifts;
  std::unique_ptr<cxdata::TDistinctGrouping> FDistinct;
};

class TcxDataFilterValueList;

class TcxDataFilterCriteria : public TcxFilterCriteria {
  PELVOR_CLASS(TcxDataFilterCriteria, TcxFilterCriteria)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxDataFilterCriteria(TcxCustomDataController* ADataController);
  ~TcxDataFilterCriteria() override;

  void Assign(TPersistent* Source) override;
  // The tree as the binary property "Criteria", written only when it holds conditions.
  void DefineProperties(TFiler* Filer) override;
  int GetIDByItemLink(TcxItemLink AItemLink) override;
  TcxFilterCriteriaItemClass GetItemClass() override;
  TcxItemLink GetItemLinkByID(int AID) override;
  TcxFilterValueListClass GetValueListClass() override;
  void DoChanged() override;
  TcxFilterCriteriaItem* AddItem(TcxFilterCriteriaItemList* AParent, TcxItemLink AItemLink,
                                 TcxFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const AnsiString& ADisplayValue) override;
  TcxFilterCriteriaItem* FindItemByItemLink(TcxItemLink AItemLink) override;
  std::unique_ptr<TcxDataFilterValueList, TObjectDeleter> CreateValueList();
  bool IsFiltering();

  bool Active() const { return FActive; }
  void SetActive(bool AValue);
  TcxCustomDataController* DataController() const { return FDataController; }
  TEvent<void(TcxFilterCriteria* Sender, int AItemIndex, TcxDataFilterValueList* AValueList)> OnGetValueList;

private:
  TcxItemLink MapItemLink(TcxItemLink AItemLink);
  bool FActive = false;
  TcxCustomDataController* FDataController;
  bool FDestroying = false;
};

// Further criteria a controller keeps for its owner; they do not filter the controller's view.
class TcxDataFilterList : public TObject {
  PELVOR_CLASS(TcxDataFilterList, TObject)
public:
  ~TcxDataFilterList() override { Clear(); }
  void Add(TcxDataFilterCriteria* ACriteria) { FItems.push_back(ACriteria); }
  // Takes the criteria out without freeing it.
  void Remove(TcxDataFilterCriteria* ACriteria);
  int IndexOf(const TcxDataFilterCriteria* ACriteria) const;
  // Frees the criteria from the last to the first.
  void Clear();
  int Count() const { return int(FItems.size()); }
  TcxDataFilterCriteria* Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  void RemoveItemByItemLink(TcxItemLink AItemLink);

private:
  std::vector<TcxDataFilterCriteria*> FItems; // owned
};

class TcxDataFilterCriteriaItem : public TcxFilterCriteriaItem {
  PELVOR_CLASS(TcxDataFilterCriteriaItem, TcxFilterCriteriaItem)
public:
  using TcxFilterCriteriaItem::TcxFilterCriteriaItem;
  void GetDataValue(void* AData, Variant& AValue) override;
  AnsiString GetFieldCaption() override;
  AnsiString GetFieldName() override;
  TcxItemLink GetItemLink() override;
  TcxCustomDataField* Field() { return static_cast<TcxCustomDataField*>(ItemLink()); }

private:
  TcxCustomDataController* FDataController = nullptr; // found on first use; items never change criteria
};

class TcxDataFilterValueList : public TcxFilterValueList {
  PELVOR_CLASS(TcxDataFilterValueList, TcxFilterValueList)
public:
  using TcxFilterValueList::TcxFilterValueList;
  // Offers the special entries and every distinct value of the item; sorted once, not inserted one by one.
  void Load(int AItemIndex);
};

enum TcxSummaryKind : std::uint8_t { skNone, skSum, skMin, skMax, skCount, skAverage };
enum TcxSummaryPosition : std::uint8_t { spGroup, spFooter };
enum TcxSummaryOption { soNullIgnore, soSelectedRecords };
using TcxSummaryOptions = TSet<TcxSummaryOption, 2>;

class TcxDataSummaryItems;
class TcxDataGroupSummaryItems;
class TcxDataSummaryGroup;

// An item of a summary collection tied to a field of the controller. Setting the field (or the item whose
// field it is) is a structural change.
class TcxCustomDataSummaryItem : public TCollectionItem {
  PELVOR_CLASS(TcxCustomDataSummaryItem, TCollectionItem)
public:
  explicit TcxCustomDataSummaryItem(TCollection* ACollection) : TCollectionItem(ACollection) {}

  // Copies the item link, found again by its ID when the source belongs to another controller.
  void Assign(TPersistent* Source) override;
  virtual TcxCustomDataController* DataController() const { return nullptr; }
  TcxCustomDataField* Field() const { return FField; }
  void SetField(TcxCustomDataField* AField);
  TObject* ItemLink() const;
  void SetItemLink(TObject* AItem);

protected:
  // Called inside an update of the collection before the field changes.
  virtual void FieldChanging(TcxCustomDataField* ANewField) { (void)ANewField; }

private:
  friend class TcxDataSummary;
  TcxCustomDataField* FField = nullptr;
};

class TcxDataSummaryItem : public TcxCustomDataSummaryItem {
  PELVOR_CLASS(TcxDataSummaryItem, TcxCustomDataSummaryItem)
public:
  explicit TcxDataSummaryItem(TCollection* ACollection) : TcxCustomDataSummaryItem(ACollection) {}
  ~TcxDataSummaryItem() override;

  // Copies Format, Kind, Position, OnGetText and the item link.
  void Assign(TPersistent* Source) override;
  TcxCustomDataController* DataController() const override;
  bool IsCalculated() const;
  TcxSummaryKind Kind() const { return FKind; }
  void SetKind(TcxSummaryKind AValue);
  // Read through the collection: a footer's items are always at the footer.
  TcxSummaryPosition Position() const;
  TcxSummaryPosition StoredPosition() const { return FPosition; }
  void SetPosition(TcxSummaryPosition AValue);
  const AnsiString& Format() const { return FFormat; }
  void SetFormat(const AnsiString& AValue);
  AnsiString GetValueDisplayText(const Variant& AValue, bool AIsFooter);
  TcxDataSummaryItems* SummaryItems() const;
  TEvent<void(TcxDataSummaryItem* Sender, const Variant& AValue, bool AIsFooter, AnsiString& AText)>
      OnGetText;

private:
  TcxSummaryKind FKind = skNone;
  TcxSummaryPosition FPosition = spGroup;
  AnsiString FFormat;
};

struct TcxSummaryEventArguments {
  int RecordIndex;
  TcxDataSummaryItem* SummaryItem;
};
struct TcxSummaryEventOutArguments {
  Variant Value;
  Variant SummaryValue;
  int CountValue;
  bool Done;
};

// A collection of summary items. A change of an item is structural (the view re-lays out), a change of the
// collection only recalculates.
class TcxDataSummaryItems : public TCollection {
  PELVOR_CLASS(TcxDataSummaryItems, TCollection)
public:
  TcxDataSummaryItems(TcxDataSummary* ASummary, TPersistent* AOwner = nullptr,
                      TClass AItemClass = ClassOf<TcxDataSummaryItem>());

  TcxDataSummaryItem* Add();
  // Copies every item and the OnSummary handler; item links resolve against this collection's controller.
  void Assign(TPersistent* Source) override;
  TcxDataSummaryItem* Items(int AIndex) const {
    return static_cast<TcxDataSummaryItem*>(TCollection::Items(AIndex));
  }
  int IndexOf(const TcxDataSummaryItem* AItem) const;
  virtual bool IsFooter() const { return false; }
  TcxDataSummaryItem* ItemOfItemLink(int AItemIndex, TcxSummaryPosition APosition);
  static bool CanIncludeValue(TcxSummaryOptions AOptions, bool AIsNull, bool AExcludedBySelection);
  static AnsiString GetDefaultFormat(TVarType AVarType, TcxSummaryKind AKind, bool AIsFooter);
  // The texts of the group-position items for a group row; '' for collections other than group items.
  virtual AnsiString GetGroupText(const Variant& AValues);
  TcxDataSummary* Summary() const { return FSummary; }

  TEvent<void(TcxDataSummaryItems* ASender, const TcxSummaryEventArguments& Arguments,
              TcxSummaryEventOutArguments& OutArguments)>
      OnSummary;

protected:
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummary* FSummary;
};

class TcxDataFooterSummaryItems : public TcxDataSummaryItems {
  PELVOR_CLASS(TcxDataFooterSummaryItems, TcxDataSummaryItems)
public:
  explicit TcxDataFooterSummaryItems(TcxDataSummary* ASummary, TPersistent* AOwner = nullptr)
      : TcxDataSummaryItems(ASummary, AOwner) {}
  bool IsFooter() const override { return true; }
};

class TcxDataGroupSummaryItems : public TcxDataSummaryItems {
  PELVOR_CLASS(TcxDataGroupSummaryItems, TcxDataSummaryItems)
public:
  TcxDataGroupSummaryItems(TcxDataSummary* ASummary, TcxDataSummaryGroup* ASummaryGroup = nullptr,
                           TPersistent* AOwner = nullptr)
      : TcxDataSummaryItems(ASummary, AOwner), FSummaryGroup(ASummaryGroup) {}

  // Also copies the texts around and between the items.
  void Assign(TPersistent* Source) override;
  AnsiString GetGroupText(const Variant& AValues) override;
  // The summary group that owns the collection, nullptr for the default group items.
  TcxDataSummaryGroup* SummaryGroup() const { return FSummaryGroup; }
  const AnsiString& BeginText() const { return FBeginText; }
  void SetBeginText(const AnsiString& AValue);
  const AnsiString& EndText() const { return FEndText; }
  void SetEndText(const AnsiString& AValue);
  const AnsiString& Separator() const { return FSeparator; }
  void SetSeparator(const AnsiString& AValue);

private:
  TcxDataSummaryGroup* FSummaryGroup;
  AnsiString FBeginText = "(";
  AnsiString FEndText = ")";
  AnsiString FSeparator = ",";
};

// Links an item of the controller to a summary group; an item belongs to one group at most.
class TcxDataSummaryGroupItemLink : public TcxCustomDataSummaryItem {
  PELVOR_CLASS(TcxDataSummaryGroupItemLink, TcxCustomDataSummaryItem)
public:
  explicit TcxDataSummaryGroupItemLink(TCollection* ACollection) : TcxCustomDataSummaryItem(ACollection) {}
  TcxCustomDataController* DataController() const override;
  TcxDataSummaryGroup* SummaryGroup() const;

protected:
  void FieldChanging(TcxCustomDataField* ANewField) override;
};

class TcxDataSummaryGroupItemLinks : public TCollection {
  PELVOR_CLASS(TcxDataSummaryGroupItemLinks, TCollection)
public:
  explicit TcxDataSummaryGroupItemLinks(TcxDataSummaryGroup* ASummaryGroup);
  TcxDataSummaryGroupItemLink* Add() { return static_cast<TcxDataSummaryGroupItemLink*>(TCollection::Add()); }
  TcxDataSummaryGroupItemLink* Items(int AIndex) const {
    return static_cast<TcxDataSummaryGroupItemLink*>(TCollection::Items(AIndex));
  }
  TcxDataSummaryGroup* SummaryGroup() const { return FSummaryGroup; }

protected:
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummaryGroup* FSummaryGroup;
};

class TcxDataSummaryGroups;

// Group summary items for the grouping levels of the items it links.
class TcxDataSummaryGroup : public TCollectionItem {
  PELVOR_CLASS(TcxDataSummaryGroup, TCollectionItem)
public:
  explicit TcxDataSummaryGroup(TCollection* ACollection);

  // Copies the links and the summary items.
  void Assign(TPersistent* Source) override;
  // Links an item to this group, taking it out of every other group first.
  void AddLink(TObject* AItem);
  void RemoveLink(TObject* AItem);
  bool HasLink(TObject* AItem) const;
  int LinkCount() const { return FLinks.Count(); }
  TcxDataSummaryGroupItemLinks& Links() { return FLinks; }
  TcxDataGroupSummaryItems& SummaryItems() { return FSummaryItems; }
  TcxDataSummaryGroups* SummaryGroups() const;
  TcxDataSummary* Summary() const;

private:
  TcxDataSummaryGroupItemLinks FLinks{this};
  TcxDataGroupSummaryItems FSummaryItems;
};

class TcxDataSummaryGroups : public TCollection {
  PELVOR_CLASS(TcxDataSummaryGroups, TCollection)
public:
  explicit TcxDataSummaryGroups(TcxDataSummary* ASummary);
  TcxDataSummaryGroup* Add();
  TcxDataSummaryGroup* Items(int AIndex) const {
    return static_cast<TcxDataSummaryGroup*>(TCollection::Items(AIndex));
  }
  // The first group whose links hold the item, nullptr when none.
  TcxDataSummaryGroup* FindByItemLink(TObject* AItem) const;
  TcxDataSummary* Summary() const { return FSummary; }

protected:
  void Update(TCollectionItem* AItem) override;

private:
  TcxDataSummary* FSummary;
};

class TcxDataSummary : public TPersistent {
  PELVOR_CLASS(TcxDataSummary, TPersistent)
public:
  explicit TcxDataSummary(TcxCustomDataController* ADataController);
  ~TcxDataSummary() override;

  void Calculate();
  void CalculateFooterSummary();
  void CalculateGroupSummaries();
  void BeginUpdate();
  // Reports the batch as a structural change or, by default, as a change of values.
  void EndUpdate(bool AStructural = false);
  void Changed(bool AStructural);
  void RemoveFieldReferences(TcxCustomDataField* AField);
  TcxDataSummaryItems* GetGroupSummaryItems(int ALevel);
  // From another summary: the three collections, options and events, in one update.
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() override;
  static bool IsValueIndexValid(const Variant& AValues, int AIndex);

  // The collections as their common class; the default group items are a TcxDataGroupSummaryItems.
  TcxDataSummaryItems& DefaultGroupSummaryItems() { return FDefaultGroupSummaryItems; }
  TcxDataSummaryItems& FooterSummaryItems() { return FFooterSummaryItems; }
  TcxDataSummaryGroups& SummaryGroups() { return FSummaryGroups; }
  TcxDataSummaryGroup* AddSummaryGroup() { return FSummaryGroups.Add(); }
  void DeleteSummaryGroup(int AIndex) { FSummaryGroups.Delete(AIndex); }
  int SummaryGroupCount() const { return FSummaryGroups.Count(); }
  TcxDataSummaryGroup* SummaryGroups(int AIndex) const { return FSummaryGroups.Items(AIndex); }
  // The first summary group whose links hold the item, nullptr when none.
  TcxDataSummaryGroup* FindGroupByItemLink(TObject* AItem) const {
    return FSummaryGroups.FindByItemLink(AItem);
  }
  const Variant& FooterSummaryValues() const { return FFooterSummaryValues; }
  TcxSummaryOptions Options() const { return FOptions; }
  void SetOptions(TcxSummaryOptions AValue);
  TcxCustomDataController* DataController() const { return FDataController; }
  bool IsDestroying() const { return FDestroying; }
  TEvent<void(TcxDataSummary* ASender)> OnAfterSummary;

private:
  struct Accumulator;
  void InitValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AAccumulators);
  void CalculateRange(TcxDataSummaryItems& AItems, int AFirst, int ALast,
                      std::vector<Accumulator>& AAccumulators);
  struct RecordPass;
  void CalculateSummaries(bool AFooter, bool AGroups);
  void AddInlinedValues(const std::vector<RecordPass>& APasses);
  void CalculateRecords(const RecordPass& APass);
  void MergeValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AInto,
                   const std::vector<Accumulator>& AFrom);
  void AddRecordValue(TcxDataSummaryItems& AItems, TcxDataSummaryItem* AItem, int ARecordIndex,
                      Accumulator& AAccumulator);
  Variant BuildValues(TcxDataSummaryItems& AItems, std::vector<Accumulator>& AAccumulators);
  void DoAfterSummary();
  // The records that count towards the summaries, by list index; -1 for one that does not.
  int GetRecordIndex(int AListIndex);

  TcxCustomDataController* FDataController;
  bool FDestroying = false;
  std::vector<char> FSelectedRecords; // by record, while a calculation counts selected records only
  TcxDataGroupSummaryItems FDefaultGroupSummaryItems{this, nullptr, this};
  TcxDataFooterSummaryItems FFooterSummaryItems{this, this};
  TcxDataSummaryGroups FSummaryGroups{this};
  Variant FFooterSummaryValues;
  TcxSummaryOptions FOptions;
  bool FInEvent = false;
  int FLockCount = 0;
};

// Registers the published properties of the summary classes for streaming.
extern const TUnitInfo cxCustomDataUnit;

class TcxDataControllerSearch : public TObject {
  PELVOR_CLASS(TcxDataControllerSearch, TObject)
public:
  using TCreateArgs = std::tuple<TcxCustomDataController*>;
  explicit TcxDataControllerSearch(TcxCustomDataController* ADataController)
      : FDataController(ADataController) {}

  virtual bool DoFocusRecord(int AListIndex);
  virtual int DoSearch(int AStartIndex, int AEndIndex, bool AForward, const AnsiString& AText);
  virtual bool Locate(int AItemIndex, const AnsiString& AText);
  virtual bool LocateNext(bool AForward);
  void Lock() { FLocked = true; }
  void Unlock() { FLocked = false; }
  void Cancel();

  bool Searching() const { return FSearching; }
  const AnsiString& SearchText() const { return FSearchText; }
  TcxCustomDataField* SearchField() const { return FSearchField; }

private:
  void PrepareTexts();
  TcxCustomDataController* FDataController;
  // Upper-cased texts of the search field in view order, kept until the view's data changes; when they are
  // in byte order (a view sorted by the field) the matches of a prefix form one range found by bisection.
  std::vector<char> FTexts;
  std::vector<std::size_t> FTextEnds;
  unsigned FTextsStamp = 0;
  TcxCustomDataField* FTextsField = nullptr;
  bool FTextsOrdered = false;
  bool FLocked = false;
  bool FSearching = false;
  AnsiString FSearchText;
  TcxCustomDataField* FSearchField = nullptr;
};

// Update infos handed to the owner's DoUpdateEvent and freed after the call.
class TcxUpdateControlInfo : public TObject {
  PELVOR_CLASS(TcxUpdateControlInfo, TObject)
};
class TcxDataChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxDataChangedInfo, TcxUpdateControlInfo)
public:
  TcxDataChangedInfo(int AKind, int AItemIndex, int ARecordIndex)
      : Kind(AKind), ItemIndex(AItemIndex), RecordIndex(ARecordIndex) {}
  int Kind, ItemIndex, RecordIndex;
};
class TcxLayoutChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxLayoutChangedInfo, TcxUpdateControlInfo)
};
class TcxUpdateRecordInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxUpdateRecordInfo, TcxUpdateControlInfo)
public:
  explicit TcxUpdateRecordInfo(int ARecordIndex) : RecordIndex(ARecordIndex) {}
  int RecordIndex;
};
class TcxFocusedRowChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxFocusedRowChangedInfo, TcxUpdateControlInfo)
public:
  TcxFocusedRowChangedInfo(int APrev, int AFocused) : PrevFocusedRowIndex(APrev), FocusedRowIndex(AFocused) {}
  int PrevFocusedRowIndex, FocusedRowIndex;
};
class TcxFocusedRecordChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxFocusedRecordChangedInfo, TcxUpdateControlInfo)
public:
  int PrevFocusedRecordIndex = -1, FocusedRecordIndex = -1, FocusedRowIndex = -1, PrevFocusedRowIndex = -1;
  bool NewItemRowFocusingChanged = false;
};
class TcxSelectionChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxSelectionChangedInfo, TcxUpdateControlInfo)
public:
  TcxSelectionChangedInfo(int ARow1, int ARow2);
  int GetCount() const { return int(RowIndexes.size()); }
  int GetRowIndex(int AIndex) const { return RowIndexes.at(std::size_t(AIndex)); }
  std::vector<int> RowIndexes;
};
class TcxSearchChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxSearchChangedInfo, TcxUpdateControlInfo)
};
class TcxBookmarkChangedInfo : public TcxUpdateControlInfo {
  PELVOR_CLASS(TcxBookmarkChangedInfo, TcxUpdateControlInfo)
};

// Reads every value of one record, to copy it into another.
class TcxValueDefRecordReader : public TcxValueDefReader {
  PELVOR_CLASS(TcxValueDefRecordReader, TcxValueDefReader)
public:
  TcxValueDefRecordReader(TcxCustomDataController* ADataController, int ARecordIndex)
      : FDataController(ADataController), FRecordIndex(ARecordIndex) {}
  AnsiString GetDisplayText(TcxValueDef* AValueDef) override;
  Variant GetValue(TcxValueDef* AValueDef) override;
  bool IsSkippable(TcxValueDef* AValueDef) override;

private:
  TcxCustomDataController* FDataController;
  int FRecordIndex;
};

// Values for ReadRecord from a set of definitions, such as the key values a locate looks for.
class TcxValueDefUnboundReader : public TcxValueDefReader {
  PELVOR_CLASS(TcxValueDefUnboundReader, TcxValueDefReader)
public:
  Variant GetValue(TcxValueDef* AValueDef) override;
  bool IsSkippable(TcxValueDef* AValueDef) override;
  void SetValue(TcxValueDef* AValueDef, const Variant& AValue);
  void Truncate(int ACount);
  void Clear() { Truncate(0); }
  int Count() const { return int(FDefs.size()); }

private:
  std::vector<TcxValueDef*> FDefs; // borrowed
  std::vector<Variant> FValues;
};

// Finds the first record whose key fields equal those of a search record filled by a reader.
class TcxDataControllerKeyLocateObject : public TObject {
  PELVOR_CLASS(TcxDataControllerKeyLocateObject, TObject)
public:
  explicit TcxDataControllerKeyLocateObject(TcxCustomDataController* ADataController)
      : FDataController(ADataController) {}
  ~TcxDataControllerKeyLocateObject() override { ReleaseRecord(); }
  void ReadData(TcxValueDefReader* AReader);
  void ReleaseRecord();
  // -1 without a search record or when no record matches.
  virtual int FindRecordIndex();
  std::vector<TcxCustomDataField*> KeyFields;

private:
  TcxCustomDataController* FDataController;
  int FSearchRecord = 0;
};

// The group tree as the controller's users walk it; group -1 is the top level.
class TcxDataControllerGroups : public TObject {
  PELVOR_CLASS(TcxDataControllerGroups, TObject)
public:
  explicit TcxDataControllerGroups(TcxCustomDataController* ADataController)
      : FDataController(ADataController) {}
  int LevelCount() const;
  int GroupingItemIndex(int ALevel) const;
  int Level(int AGroup) const;
  int ChildCount(int AGroup) const;
  int ChildIndex(int AGroup, int AIndex) const;
  int ChildRecordIndex(int AGroup, int AIndex) const;
  int GroupIndexByRowIndex(int ARowIndex) const;
  void LoadRecordIndexes(std::vector<int>& AList, int AGroup) const;

private:
  TcxCustomDataController* FDataController;
};

class TcxCustomDataRelation : public TObject {
  PELVOR_CLASS(TcxCustomDataRelation, TObject)
public:
  TcxCustomDataRelation(TcxCustomDataRelationList* ARelationList, TObject* AItem);
  ~TcxCustomDataRelation() override;
  TcxCustomDataController* DataController() const;
  TcxCustomDataController* DetailDataController = nullptr; // borrowed pattern
  TObject* Item() const { return FItem; }
  int Index() const;

private:
  friend class TcxCustomDataRelationList;
  TcxCustomDataRelationList* FRelationList;
  TObject* FItem;
};

class TcxDetailObject : public TObject {
  PELVOR_CLASS(TcxDetailObject, TObject)
public:
  ~TcxDetailObject() override;
  int ActiveRelationIndex = -1;
  bool Expanded = false;
  // Grows the slots; a negative active index becomes 0 and one beyond the slots the last slot.
  void SetInfoCount(int ACount);
  int InfoCount() const { return int(Details.size()); }
  // Empties one slot (all for -1): detail controllers lose their master, link objects are freed. True when
  // something was there.
  bool ClearInfo(int AIndex);
  void DeleteInfo(int AIndex);
  std::vector<TcxCustomDataController*> Details; // one slot per relation; borrowed
  std::vector<TObject*> LinkObjects;             // one slot per relation; owned
};

class TcxCustomDataRelationList : public TObject {
  PELVOR_CLASS(TcxCustomDataRelationList, TObject)
public:
  explicit TcxCustomDataRelationList(TcxCustomDataController* ADataController)
      : FDataController(ADataController) {}
  ~TcxCustomDataRelationList() override;
  TcxCustomDataRelation* Add(TObject* AItem);
  void Remove(TcxCustomDataRelation* ARelation);
  void Clear();
  int Count() const { return int(FItems.size()); }
  TcxCustomDataRelation* Items(int AIndex) const { return FItems.at(std::size_t(AIndex)); }
  TcxCustomDataRelation* FindByItem(TObject* AItem) const;
  TcxCustomDataController* DataController() const { return FDataController; }

private:
  friend class TcxCustomDataRelation;
  TcxCustomDataController* FDataController;
  std::vector<TcxCustomDataRelation*> FItems; // owned
};

// The controller's stand-in among components: components the controller refers to name it in
// FreeNotification, and their removal reaches the controller's ComponentRemoved.
class TcxDataControllerNotifier : public TComponent {
  PELVOR_CLASS(TcxDataControllerNotifier, TComponent)
public:
  TcxDataControllerNotifier(TComponent* AOwner, TcxCustomDataController* ADataController)
      : TComponent(AOwner), FDataController(ADataController) {}
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TcxCustomDataController* DataController() const { return FDataController; }

private:
  TcxCustomDataController* FDataController;
};

// The view state of a controller kept by record key across a reload: expanded details (with the state of
// their own controllers), the selection in its order and the focused record. Only controllers that navigate
// by key take part; the keys are the key fields' values, or the source's record IDs without key fields.
class TcxSaveObject : public TObject {
  PELVOR_CLASS(TcxSaveObject, TObject)
public:
  void Save(TcxCustomDataController* AController);
  void Restore(TcxCustomDataController* AController);

private:
  struct TcxDetailKeyInfo {
    Variant KeyValue;
    int ActiveRelationIndex;
    std::unique_ptr<TcxSaveObject, TObjectDeleter> SaveObject; // of the active detail's controller
  };
  struct TcxSelectedKeyInfo {
    Variant KeyValue;
    int SelectionIndex;
  };
  std::vector<TcxDetailKeyInfo> FDetailKeys;
  std::vector<TcxSelectedKeyInfo> FSelectedKeys;
  Variant FFocusedKey;
  bool FFocused = false;
  int FFocusedGroupLevel = -1; // the level of the focused group row, whose first record's key is kept; -1
                               // for a data row
};

class TcxCustomDataController : public TPersistent {
  PELVOR_CLASS(TcxCustomDataController, TPersistent)
public:
  using TCreateArgs = std::tuple<TObject*>;
  explicit TcxCustomDataController(TObject* AOwner) : TcxCustomDataController(AOwner, nullptr, nullptr) {}
  ~TcxCustomDataController() override;
  void BeforeDestruction() override { FDestroying = true; }
  // From another controller: options, filter, summary and event handlers.
  void Assign(TPersistent* Source) override;

  // Class references of the parts. A constructor does not reach a descendant's overrides, so descendants
  // name their provider and selection classes to the protected constructor, which these answer.
  virtual TcxCustomDataProviderClass GetDataProviderClass() { return FProviderClass; }
  virtual TClass GetDataSelectionClass() { return FSelectionClass; }

  // Life cycle and changes.
  void BeginUpdate();
  void EndUpdate();
  // Brackets a reload: controllers that navigate by key get focus, selection and details back by key; the
  // others are left with no row focused, as nothing tells which record is the one focused before.
  void BeginFullUpdate();
  void EndFullUpdate();
  virtual bool IsKeyNavigation() { return FProvider->IsKeyNavigation(); }
  // The fields whose values identify a record; none here, so records are known by their source's IDs.
  virtual std::vector<TcxCustomDataField*> GetKeyFields() { return {}; }
  // The owner's component state counts as well: a controller owned by a component being read or freed
  // is loading or destroying with it.
  bool IsDestroying() const;
  virtual bool IsLoading() const;
  bool IsProviderMode() const;
  bool IsUnboundMode() const;
  virtual bool IsDataLoaded() const { return IsProviderMode() || FDataLoaded; }
  bool IsGridMode() const { return FProvider->IsGridMode(); }
  TcxDataControllerOptions GetOptions() const { return FOptions; }
  void SetOptions(TcxDataControllerOptions AValue);
  void AddChanges(TcxDataControllerChanges AChanges);
  TcxDataControllerChanges PendingChanges() const { return FChanges; }
  void AddDataChangedListener(TObject* AObject, TNotifyEvent AMethod);
  void RemoveDataChangedListener(TObject* AObject, TNotifyEvent AMethod);
  void LockDataChangedNotify() { ++FNotifyLockCount; }
  void UnlockDataChangedNotify() { --FNotifyLockCount; }
  virtual bool IsDataChangeLocked() const { return FNotifyLockCount != 0; }
  virtual void DataChanged(TcxDataChangeKind AKind, int AItemIndex, int ARecordIndex);
  // The one record whose values changed since the last change was delivered; -1 where none or more did.
  int PendingChangedRecord() const {
    return !FFreshPending && FPendingKind <= dcRecord ? FPendingRecord : -1;
  }
  virtual void DoDataChanged();
  virtual void CheckChanges();
  virtual void UpdateStructure(std::uint8_t AValue);
  virtual void CheckStructure();
  virtual void LayoutChanged(TcxDataControllerChanges AChanges);
  virtual void UpdateItems(TcxDataControllerChanges AChanges);
  virtual void Refresh();
  virtual void UpdateFields();
  virtual void FieldChanged(TcxCustomDataField* AField) { (void)AField; }
  virtual void DoUpdateEvent(TcxUpdateControlInfo* AInfo);
  // The view's last step hands it what is due.
  void ViewChanged(TcxDataViewChanges AViewChanges);
  // Flags of the view's update steps.
  bool FocusFirstRowPending = false;
  bool FocusAfterFilter = false;

  // Items and fields.
  virtual TObject* GetItem(int AIndex) = 0;
  virtual int GetItemCount();
  virtual int GetItemID(TObject* AItem);
  TObject* FindItemByID(int AID);
  void AddItem(TObject* AItem);
  void RemoveItem(TObject* AItem);
  void UpdateItemIndexes();
  // The class of the fields AddField and AddInternalField make; descendants answer their own field class.
  virtual TClass GetDataFieldClass() { return ClassOf<TcxCustomDataField>(); }
  TcxCustomDataField* AddField();
  TcxCustomDataField* AddInternalField();
  void RemoveField(TcxCustomDataField* AField);
  void ChangeItemFlag(int AItemIndex, bool AValue);
  bool GetItemFlag(int AItemIndex);
  void ChangeItemTextStored(int AItemIndex, bool AValue);
  bool GetItemTextStored(int AItemIndex);
  // Whether the item's display text is formatted beyond its value, so the stored text is what shows;
  // ACheckCurrency also counts a bare currency format.
  virtual bool IsItemDisplayFormatDefined(int AItemIndex, bool ACheckCurrency) {
    (void)ACheckCurrency;
    return GetItemTextStored(AItemIndex);
  }
  virtual void SetItemValueTypeClass(int AItemIndex, TcxValueTypeClass AValueTypeClass);
  TcxValueTypeClass GetItemValueTypeClass(int AItemIndex);
  TcxCustomDataField* GetItemField(int AItemIndex);
  int GetItemIndexOfField(const TcxCustomDataField* AField) const;
  void CheckItemRange(int AItemIndex);
  void CheckRecordRange(int ARecordIndex);

  // Record values.
  int GetRecordCount() const;
  void SetRecordCount(int ACount);
  int AppendRecord();
  void DeleteRecord(int ARecordIndex);
  void UpdateRecordValues(int ASource, int ARecordIndex);
  Variant GetValue(int ARecordIndex, int AItemIndex);
  void SetValue(int ARecordIndex, int AItemIndex, const Variant& AValue);
  AnsiString GetDisplayTextByIndex(int ARecordIndex, int AItemIndex);
  void SetDisplayText(int ARecordIndex, int AItemIndex, const AnsiString& AText);
  virtual Variant GetStoredValue(int ARecordIndex, TcxCustomDataField* AField);
  virtual AnsiString GetDisplayText(int ARecordIndex, TcxCustomDataField* AField);
  virtual Variant GetValueForFilter(int ARecordIndex, TcxCustomDataField* AField) {
    return GetStoredValue(ARecordIndex, AField);
  }
  // The field's value as a record key: descendants whose fields stand for several values answer them all.
  virtual Variant GetRecordFieldValue(int ARecordIndex, TcxCustomDataField* AField) {
    return GetStoredValue(ARecordIndex, AField);
  }
  Variant GetRecordValuesByFields(int ARecordIndex, const std::vector<TcxCustomDataField*>& AFields);
  std::vector<Variant> GetGroupValues(int ARecordIndex);
  virtual Variant GetRecordId(int ARecordIndex);
  int GetNewItemRecordIndex();
  void ResetNewItemRecord();
  // The owner's new-item row: it counts as focused only while enabled and no data row is focused.
  bool NewItemRowEnabled() const { return FNewItemRowEnabled; }
  void SetNewItemRowEnabled(bool AValue) { FNewItemRowEnabled = AValue; }
  bool NewItemRowFocused() const;
  void SetNewItemRowFocused(bool AValue);
  void GetNewItemRowValue(int AItemIndex, TcxDataEditValueSource ASource, Variant& AValue);
  virtual void ReloadData();
  TcxDataStorage& DataStorage() { return *FDataStorage; }
  // The internal field holding each record's handle while a user data source is attached.
  TcxCustomDataField* KeyField() const { return FKeyField; }

  // Editing.
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void CancelAndRefresh();
  void PostEditingData() { FProvider->PostEditingData(); }
  void DeleteFocused();
  virtual void DeleteSelection();
  bool CanEditItem(int AItemIndex);
  bool SetEditValue(int AItemIndex, const Variant& AValue, TcxDataEditValueSource AEditValueSource);
  int GetEditingRecordIndex();
  int GetRecordIndexToEdit();
  TcxDataControllerEditOperations GetEditOperations();
  TcxDataControllerEditState GetEditState();
  bool IsImmediatePost() { return (FOptions & dcoImmediatePost) || FProvider->IsReadOnly(); }
  void ResetEditingRecordOnDelete(int ARecordIndex);
  int InsertRecord(int ARecordIndex);
  void RemoveRecord(int ARecordIndex);
  // Deletes records by index in one pass; the list is sorted and freed of duplicates first.
  void DeleteRecordList(std::vector<int>& AList);
  void DeleteRecords(std::vector<int>& AList);
  virtual void UpdateEditingRecord() {}
  void FocusAfterDelete();
  // The focus after a cancel: the row that was focused before it, or the last row where fewer are left.
  void FocusRowAfterCancel(int ARowIndex);
  bool FocusRowAtEnd(bool ALast);
  // Where the record kept for the focus after a delete is one of AGoingRecords, the records the delete takes,
  // keeps one beside the focused row instead.
  void KeepFocusBeside(std::vector<int> AGoingRecords);
  // Where a neighbour that keeps the record in edit in its place is one of AGoing (sorted), gives the place
  // to one that stays.
  void HandOverEditingNeighbours(const std::vector<int>& AGoing);
  // The records a delete of the rows takes: a data row's record, all of a group's for a group row.
  std::vector<int> RecordsOfRows(const std::vector<int>& ARows);
  // Follows its record through inserts and deletes; a deleted one passes to the next record that stays.
  int RecordToFocusAfterDelete = -1;
  bool DeletingSelection = false;
  bool DeletingNewRecord = false;

  // Edit hooks, each firing its event when assigned.
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeDelete(int ARecordIndex);
  virtual void DoAfterDelete();
  virtual void DoNewRecord(int ARecordIndex);
  virtual bool DoFilterRecord(int ARecordIndex);
  bool IsFilterRecordEventAssigned() const { return OnFilterRecord.Assigned(); }
  // Whether the view matches records against Filter(); not when a data source applies the criteria itself.
  virtual bool IsCriteriaFiltering() { return Filter().IsFiltering(); }
  virtual bool CanFocusRecord(int ARecordIndex);
  virtual bool CanChangeFocusedRow() { return true; }
  // Told after the view's focus moved to another record, row or level.
  virtual void SyncFocusedRecord() {}
  // Asked to focus the owner's control of item AItemIndex; ADone says whether one took the focus.
  virtual void FocusControl(int AItemIndex, bool& ADone) { (void)AItemIndex, ADone = false; }
  // Whether an edit starts in the data source itself, which then keeps the values to go back to on cancel.
  virtual bool StartEditingInSource() { return false; }
  // The name a filter text gives the item; empty where records have no named fields.
  virtual AnsiString GetItemFilterFieldName(int AItemIndex) { return (void)AItemIndex, AnsiString(); }

  // Focus and navigation.
  int GetFocusedRowIndex() const { return FView->GetFocusedRowIndex(); }
  int GetFocusedRecordIndex() const { return FView->GetFocusedRecordIndex(); }
  bool ChangeFocusedRowIndex(int ARowIndex);
  bool ChangeFocusedRecordIndex(int ARecordIndex);
  bool GotoFirst();
  bool GotoPrev();
  bool GotoNext();
  bool GotoLast();
  bool MoveBy(int ADistance);
  bool IsBOF();
  bool IsEOF();
  int GetRowCount() const { return FView->GetRowCount(); }
  TcxRowInfo GetRowInfo(int ARowIndex) const { return FView->GetRowInfo(ARowIndex); }
  int GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible) {
    return FView->GetRowIndexByRecordIndex(ARecordIndex, AMakeVisible);
  }
  int GetSyncRecordIndex();
  // The record the data source stands on; the focused one here.
  virtual int GetCurrentRecordIndex() { return GetFocusedRecordIndex(); }
  // Reads the data source's records again where it keeps them itself; nothing to read here.
  virtual void RefreshExternalData() {}
  // Whether item AItemIndex holds a key that links master and detail records; none here.
  virtual bool IsItemMasterKey(int AItemIndex) { return (void)AItemIndex, false; }
  virtual bool IsItemDetailKey(int AItemIndex) { return (void)AItemIndex, false; }
  virtual bool FocusSelectedRow(int AIndex);
  using TcxDataControllerEachRowProc =
      std::function<void(void* AData, int ARowIndex, const TcxRowInfo& AInfo)>;
  virtual void ForEachRow(bool ASelectedOnly, const TcxDataControllerEachRowProc& AProc, void* AData);
  bool ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive);
  void FullExpand() { FView->FullExpand(true); }
  void FullCollapse() { FView->FullExpand(false); }

  // Selection.
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool AValue);
  bool IsSingleSelect() const { return !FMultiSelect; }
  virtual void ChangeRowSelection(int ARowIndex, bool ASelected);
  virtual void ClearSelection();
  int GetSelectedCount() const;
  virtual int GetSelectedRowIndex(int AIndex);
  // What identifies record ARecordIndex in a selection: its index here.
  virtual Variant GetSelectionKey(int ARecordIndex) { return Variant(ARecordIndex); }
  // A pending single-row selection change is re-read after the rows moved under it.
  void RecomputeSelectionChange();
  // The single-row selection change still to report: a state (0 none) and its row.
  int SelectionChangePending() const { return FSelectionChangePending; }
  int SelectionChangePendingRow() const { return FSelectionChangePendingRow; }
  // Whether a post or a refresh is running.
  bool IsPostingOrRefreshing() const { return FPostOrRefresh; }
  bool IsRowSelected(int ARowIndex) const;
  virtual void SelectAll();
  void SelectRange(int AFromRowIndex, int AToRowIndex);
  virtual void SelectFromAnchor(int ARowIndex, bool AKeepSelection);
  virtual void SetSelectionAnchor(int ARowIndex);
  virtual int GetSelectionAnchorRowIndex() const { return FView->FSelection->AnchorRowIndex; }
  virtual bool IsSelectionAnchorSet() const { return GetSelectionAnchorRowIndex() != -1; }
  void SelectOnlyFocusedRow();
  void SetFocusedRowSelected(bool AValue);
  bool FocusedRowSelected() const { return FFocusedRowSelected; }

  // Sorting, grouping and filtering.
  void ChangeSorting(int AItemIndex, TcxDataSortOrder AOrder);
  void ClearSorting(bool AKeepGroupedItems);
  TcxDataSortOrder GetItemSortOrder(int AItemIndex);
  void ChangeGroupIndex(int AItemIndex, int AGroupIndex);
  void ClearGrouping();
  int GetItemGroupIndex(int AItemIndex);
  // Orders the groups of a one-level grouping by a group summary value (soNone: by their values again).
  void ChangeGroupSummarySorting(int ASummaryIndex, TcxDataSortOrder AOrder);
  virtual int CompareByField(int ARecordIndex1, int ARecordIndex2, TcxCustomDataField* AField);
  int CompareRecordsBySortInfo(int ARecordIndex1, int ARecordIndex2, const TcxDataSortInfo& AInfo);
  int CompareEqualRecords(int ARecordIndex1, int ARecordIndex2) { return ARecordIndex1 - ARecordIndex2; }
  Variant GetComparedValue(int ARecordIndex, TcxCustomDataField* AField);
  bool CanCompareField(TcxCustomDataField* AField);
  bool UseStringCompare(TcxCustomDataField* AField);
  bool IsSortByDisplayText(TcxCustomDataField* AField);
  // True when values of the field order as their raw storage order, so the view may sort them directly.
  bool IsPlainValueOrder(TcxCustomDataField* AField);
  int SetIncrementalFilter(int AItemIndex, const AnsiString& AText);
  void ResetIncrementalFilter();
  bool IsIncrementalFiltering() const { return FIncrementalFilterField && !FIncrementalFilterText.empty(); }
  bool DoIncrementalFilterRecord(int ARecordIndex);
  int FindRecordIndexByText(int AStartIndex, int AItemIndex, const AnsiString& AText, bool APartial,
                            bool AWrap, bool AForward);
  void BeginLocate();
  void EndLocate();

  // Bookmarks.
  virtual bool SaveBookmark();
  virtual bool GotoBookmark();
  virtual void ClearBookmark() { FBookmark = -1; }
  virtual bool IsBookmarkAvailable() const { return FBookmark != -1; }
  virtual bool IsBookmarkRow(int ARowIndex);
  virtual bool IsBookmarkRecordDeleted(int ARecordIndex);
  void CheckBookmarkValid(int ARecordIndex);

  // Master/detail.
  TcxCustomDataRelationList& Relations();
  bool HasRelations() const { return FRelations != nullptr && FRelations->Count() > 0; }
  TcxCustomDataRelation* GetMasterRelation() const { return FMasterRelation; }
  int GetMasterRecordIndex() const { return FMasterRecordIndex; }
  bool IsDetailMode() const { return FMasterRelation != nullptr; }
  TcxCustomDataController* GetMasterDataController() const;
  TcxCustomDataController* GetRootDataController();
  int GetDetailMode() const;
  virtual void SetMasterRelation(TcxCustomDataRelation* ARelation, int ARecordIndex);
  // The relation object Relations().Add makes; a descendant answers its own relation class.
  virtual TcxCustomDataRelation* CreateRelation(TcxCustomDataRelationList* AList, TObject* AItem);
  bool ChangeDetailExpanding(int ARecordIndex, bool AExpanded);
  // Whether record ARecordIndex's details may expand or collapse: the expanding or collapsing event decides.
  virtual bool CanChangeDetailExpanding(int ARecordIndex, bool AExpanded);
  // Whether a grid-mode buffer must be read again before it is shown: a structure reload is deferred.
  virtual bool NeedsGridModeReload() { return IsGridMode() && FReloadPending; }
  // The provider's grid-mode answer changed (grouping rules a buffer out): records were read for the other
  // mode.
  virtual void GridModeChanged() {}
  // Lets go of what detail controllers keep of this controller's data; nothing to let go of here.
  virtual void ClearDetails() {}
  // Whether a focus change in sync mode focuses the first row of the focused record's active details that
  // have no focus yet.
  virtual bool IsDetailSyncOnFocusChange() { return false; }
  // Brings a detail's data in step with its master record; nothing to do here.
  virtual void SyncDetailData() {}
  bool IsDetailExpanded(int ARecordIndex);
  void ChangeDetailActiveRelationIndex(int ARecordIndex, int AIndex);
  int GetDetailActiveRelationIndex(int ARecordIndex);
  void CollapseDetails();
  void ClearDetailObject(int ARecordIndex, int ARelationIndex);
  void ClearAllDetails();
  bool IsDetailDataControllerExist(int ARecordIndex, int ARelationIndex);
  // A descendant that makes live detail controllers answers a link object per relation and record, and the
  // controller such an object holds; the base makes none.
  virtual TObject* CreateDetailLinkObject(TcxCustomDataRelation* ARelation, int ARecordIndex) {
    return (void)ARelation, (void)ARecordIndex, nullptr;
  }
  virtual TcxCustomDataController* GetDetailDataControllerByLinkObject(TObject* ALinkObject) {
    return (void)ALinkObject, nullptr;
  }
  // Clears every detail of the relations of the item, wherever in the tree they hang.
  virtual void NotifyDetailChanged(TObject* ADetailItem);
  using TcxDataControllerEachDetailProc = std::function<void(void* AData, TcxCustomDataController* ADetail)>;
  // Visits the existing detail controllers of every master record that sit where AMasterRelation leads.
  void ForEachDetail(TcxCustomDataRelation* AMasterRelation, const TcxDataControllerEachDetailProc& AProc,
                     void* AData);
  TcxCustomDataController* GetPatternDataController();
  void SetPatternFlag(bool AValue) { FPatternFlag = AValue; }
  // Detail controllers hung on master records, so they follow inserts and deletes; borrowed.
  void SetDetailDataController(int ARecordIndex, int ARelationIndex, TcxCustomDataController* ADetail);
  TcxCustomDataController* GetDetailDataController(int ARecordIndex, int ARelationIndex);

  // Parts.
  TcxDataControllerNotifier& Notifier() { return *FNotifier; }
  // A component named to the notifier is going away; descendants drop their references to it.
  virtual void ComponentRemoved(TComponent* AComponent) { (void)AComponent; }
  TcxCustomDataProvider& Provider() { return *FProvider; }
  TcxCustomDataControllerInfo& View() { return *FView; }
  const TcxCustomDataControllerInfo& View() const { return *FView; }
  TcxCustomDataFieldList& Fields() { return *FFields; }
  TcxDataFilterCriteria& Filter() { return *FFilter; }
  // A new criteria of the filter class, kept in Filters() until it or the controller is freed.
  virtual TcxDataFilterCriteria* AddFilter();
  TcxDataFilterList& Filters() { return *FFilters; }
  virtual TClass GetFilterCriteriaClass() { return ClassOf<TcxDataFilterCriteria>(); }
  // The class of the conditions of Filter() and of every criteria added.
  virtual TcxFilterCriteriaItemClass GetFilterCriteriaItemClass() {
    return ClassOf<TcxDataFilterCriteriaItem>();
  }
  TcxDataSummary& Summary() { return *FSummary; }
  TcxDataControllerSearch& Search() { return *FSearch; }
  TcxDataControllerGroups& Groups() { return FGroups; }
  TObject* Owner() const { return FOwner; }

  TcxDataControllerNotifyEvent OnAfterCancel, OnAfterDelete, OnAfterInsert, OnAfterPost, OnBeforeCancel,
      OnBeforeInsert, OnBeforePost, OnDataChanged, OnSortingChanged, OnGroupingChanged;
  TcxDataControllerRecordEvent OnBeforeDelete, OnNewRecord, OnDetailExpanded, OnDetailCollapsed;
  TcxDataFilterRecordEvent OnFilterRecord;
  TcxDataControllerCompareEvent OnCompare;
  TcxDataRecordChangedEvent OnRecordChanged;
  TcxDataDetailExpandingEvent OnDetailExpanding, OnDetailCollapsing;

  // Alive token: a handler that frees the controller leaves it false, so callers stop touching the object.
  std::shared_ptr<bool> AliveToken() const { return FAlive; }

protected:
  // nullptr takes the base provider or selection class.
  TcxCustomDataController(TObject* AOwner, TcxCustomDataProviderClass AProviderClass, TClass ASelectionClass);
  virtual void ReloadStorage();
  virtual void DoStructureUpdate(bool AForce);
  // Records ASortedIndexes left the storage (called just before they do): edits and detail links let go.
  virtual void RecordDeleted(const std::vector<int>& ASortedIndexes);
  // A detail of one master record, taken out of its detail object while the records are read anew.
  struct THeldDetail {
    TcxCustomDataController* Detail;
    std::shared_ptr<bool> Alive;
    int Relation;
    int Record;
  };
  std::vector<THeldDetail> TakeRecordDetails();
  // Puts a held detail back on master record ARecordIndex, or releases it for -1.
  void PutRecordDetail(const THeldDetail& AHeld, int ARecordIndex);

private:
  friend class TcxCustomDataControllerInfo;
  friend class TcxCustomDataProvider;
  friend class TcxDataSummary;
  void ProcessChanges();
  void DispatchChanges();
  void Deliver(TcxUpdateControlInfo* AInfo);
  void NotifyListeners();
  void RecordInserted(int ARecordIndex);

  struct Listener {
    TObject* Object;
    TNotifyEvent Method;
    bool Removed = false;
  };

  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
  TObject* FOwner; // borrowed
  TcxCustomDataProviderClass FProviderClass;
  TClass FSelectionClass;
  bool FDestroying = false;
  std::uint8_t FStructureValue = 0;
  bool FSummaryPending = false;
  int FBookmark = -1;
  bool FDataChangedPending = false;
  int FNotifyLockCount = 0;
  TcxDataControllerChanges FChanges = 0;
  bool FDispatching = false;
  bool FPostOrRefresh = false;
  std::vector<std::shared_ptr<Listener>> FListeners;
  std::unique_ptr<TcxDataStorage, TObjectDeleter> FDataStorage;
  std::unique_ptr<TcxCustomDataFieldList, TObjectDeleter> FFields;
  std::unique_ptr<TcxDataControllerNotifier, TObjectDeleter> FNotifier;
  std::unique_ptr<TcxDataFilterList, TObjectDeleter> FFilters;
  std::unique_ptr<TcxDataFilterCriteria, TObjectDeleter> FFilter;
  std::unique_ptr<TcxDataControllerSearch, TObjectDeleter> FSearch;
  std::unique_ptr<TcxDataSummary, TObjectDeleter> FSummary;
  std::unique_ptr<TcxCustomDataProvider, TObjectDeleter> FProvider;
  std::unique_ptr<TcxCustomDataControllerInfo, TObjectDeleter> FView;
  std::unique_ptr<TcxCustomDataRelationList, TObjectDeleter> FRelations;
  TcxDataControllerGroups FGroups{this};
  bool FFocusedRowSelected = true;
  TcxCustomDataField* FIncrementalFilterField = nullptr;
  AnsiString FIncrementalFilterText;
  bool FInAppend = false;
  int FLocateCount = 0;
  int FNewItemRecord = 0;
  bool FNewItemRowEnabled = false;
  bool FNewItemRowFocused = false;
  int FMasterRecordIndex = -1;
  TcxCustomDataRelation* FMasterRelation = nullptr;
  bool FPatternFlag = false;
  TcxCustomDataField* FKeyField = nullptr; // owned by the field list
  bool FCreatingLinkObject = false;
  bool FMultiSelect = false;
  TcxDataControllerOptions FOptions = 28;
  int FSelectionChangePending = 0;
  int FSelectionChangePendingRow = -1;
  int FFullUpdateCount = 0;
  std::unique_ptr<TcxSaveObject, TObjectDeleter> FSaveObject;
  bool FSortingChanged = false;
  bool FGroupingChanged = false;
  bool FReloadPending = false;
  bool FDataLoaded = false;
  bool FInStructureCheck = false;
  bool FFreshPending = true; // nothing merged into the pending change since the last delivery
  TcxDataChangeKind FPendingKind = dcTotal;
  int FPendingItem = -1;
  int FPendingRecord = -1;
  int FPrevSelectedCount = 0;
  int FPrevSelectedRow = -1;
  // Detail objects by record, kept beside the storage so they follow inserts and deletes; empty without
  // relations.
  std::vector<std::unique_ptr<TcxDetailObject, TObjectDeleter>> FDetails;
  TcxDetailObject* GetDetailObject(int ARecordIndex, bool ACreate);
  // Focuses the first row of record ARecordIndex's active details that have none focused.
  void FocusActiveDetails(int ARecordIndex);
  // Record indexes held across handlers (TTrackedRecords); they follow their records, -1 once gone.
  std::vector<std::vector<int>*> FTrackedRecords;
  friend class cxdata::TTrackedRecords;
  // The records from AFrom on are gone.
  void ForgetTrackedRecords(int AFrom, int AMark = -1);
  // A freed detail leaves no pointer to itself in its master.
  void DetachFromMaster();
  // A detail of one master record leaves, or takes, its slot in that record's detail object.
  void LeaveMasterRecord();
  void JoinMasterRecord();
  // The master record this detail shows went: the detail loses its master, as SetMasterRelation(nil, -1).
  void ReleaseFromMaster();
  friend class TcxDetailObject;
  friend class TcxCustomDataRelationList;
};

// The controller over its own records, for owners that keep their items themselves.
class TcxDataController : public TcxCustomDataController {
  PELVOR_CLASS(TcxDataController, TcxCustomDataController)
public:
  explicit TcxDataController(TObject* AOwner);
};
