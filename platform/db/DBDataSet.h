#pragma once
// The dataset: a cursor over records with a window of record buffers that data links read, the edit
// states, bookmarks, locate, filtering and the Before/After events.
//
// Descendants hold the records and answer the protected cursor interface; this class runs the states, the
// buffer window and the notifications, so every dataset raises its events in the same order. What handlers
// and links hear, in order (links in brackets):
//   Open         BeforeOpen [ActiveChanged] AfterOpen AfterScroll (the last unless empty)
//   Close        BeforeClose [ActiveChanged] AfterClose
//   Next, Prior, MoveBy
//                BeforeScroll [DataSetScrolled(how far the link's first shown record moved)] AfterScroll
//   First, Last, Locate, GotoBookmark, SetRecNo
//                BeforeScroll [DataSetChanged] AfterScroll
//   Edit         BeforeEdit [EditingChanged] [RecordChanged(nil)] AfterEdit
//   a field set  [RecordChanged(field)]
//   Insert, Append
//                BeforeInsert BeforeScroll [EditingChanged] OnNewRecord [DataSetChanged] AfterInsert
//                AfterScroll
//   Post         [UpdateData] [CheckBrowseMode] BeforePost [EditingChanged] [DataSetChanged] AfterPost
//   Cancel       [CheckBrowseMode] BeforeCancel [EditingChanged] [DataSetChanged] AfterCancel
//   Delete       [CheckBrowseMode] BeforeDelete BeforeScroll [DataSetChanged] AfterDelete AfterScroll
// While controls are disabled links hear nothing, except deDisabledStateChange (Info: 1 active, 0 closed)
// when the dataset closes or opens away from the state controls were disabled in; the last EnableControls
// sends one DataSetChanged (LayoutChanged after a close or a layout change), preceded by the state change
// when the state differs from the one controls were disabled in.
#include <map>
#include <memory>
#include <vector>

#include "platform/db/DBFields.h"

class TDataSource;
class TDataSet;
class TFilterExpression;
using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;

// One buffer of the window: the record a descendant fetched into it.
struct TRecordSlot {
  std::int64_t Row = -1; // the descendant's stable handle of the record; -1 for a record being inserted
  std::int64_t Pos = -1; // the descendant's position hint at fetch time
  TBookmarkFlag Flag = bfCurrent;
};

class TDataSet : public TComponent {
  PELVOR_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner) : TComponent(AOwner) {}
  ~TDataSet() override;

  int FieldCount() const { return int(FFields.size()); }
  TField* Fields(int AIndex) const { return FFields.at(std::size_t(AIndex)); }
  // Case-insensitive; nullptr when the dataset has no such field.
  TField* FindField(const AnsiString& AFieldName) const;
  // As FindField, but a missing field raises EDatabaseError.
  TField* FieldByName(const AnsiString& AFieldName) const;
  // The fields named in a ";"-separated list, in its order; a missing one raises EDatabaseError.
  std::vector<TField*> GetFieldList(const AnsiString& AFieldNames) const;
  // True when the dataset made its fields when it opened, from its columns, because it had none of its own.
  bool DefaultFields() const { return FUsesDefaultFields; }
  int AggFieldCount() const { return int(FAggFields.size()); }
  TField* AggFields(int AIndex) const { return FAggFields.at(std::size_t(AIndex)); }

  virtual bool CanModify() { return !ReadOnly; }
  // Raises, saying why where the dataset knows, when it cannot be modified.
  void CheckCanModify();
  // The value of AField in the current record (or the record a link or the filter is reading).
  virtual Variant GetFieldData(TField* AField);
  // Where the current record keeps AField's stored value while browsing, for readers of many records that
  // would otherwise copy each value out; nullptr when the value is not kept as it is read (an edit, a
  // filter check, a lookup, a field without a column) or the dataset keeps no such place.
  const Variant* FieldDataRef(const TField* AField) const;
  virtual void SetFieldData(TField* AField, const Variant& AValue);

  bool ReadOnly = false;

  bool Active() const { return FState != dsInactive; }
  void SetActive(bool AValue);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return FState; }
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return FRecordCount == 0; }
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Answers the distance actually moved, less than asked at either end of the data.
  int MoveBy(int ADistance);
  // The number of records the cursor can reach, filtered ones left out; -1 when the dataset cannot tell.
  virtual int RecordCount() { return -1; }
  // The current record's position from 1; -1 when unknown or while inserting.
  virtual int RecNo() { return -1; }
  virtual void SetRecNo(int AValue);
  // True when RecNo and RecordCount are exact, so that scroll bars may rely on them.
  virtual bool IsSequenced() { return false; }

  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Appends a record with the values of the data fields in field order, and posts it.
  void AppendRecord(const std::vector<Variant>& AValues);
  bool Modified() const { return FModified; }
  // While inserting: whether the new record goes after the last one (Append) rather than before the
  // current one (Insert).
  bool Appending() const { return FState == dsInsert && ActiveSlot().Flag == bfEOF && FRecordCount > 0; }
  // Posts a modified edit, cancels an unmodified one; nothing in browse mode.
  void CheckBrowseMode();
  void Refresh();
  // Asks the links to write their pending control values into the fields.
  void UpdateRecord();

  TBookmarkStr Bookmark();
  void SetBookmark(const TBookmarkStr& AValue) { GotoBookmark(AValue); }
  bool BookmarkAvailable();
  virtual bool BookmarkValid(const TBookmarkStr& ABookmark);
  // Raises EDatabaseError for a bookmark that names no record of the dataset.
  void GotoBookmark(const TBookmarkStr& ABookmark);
  // -1, 0 or 1 in the dataset's order; an empty bookmark comes first.
  virtual int CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B);
  // Whether AField's value in the record ABookmark names was read only approximately: the nearest value the
  // dataset can hold of one it cannot (a text outside the code page, an integer past a double's precision),
  // which other values of its source read as too, so that it tells neither which value nor which record.
  virtual bool ReadApproximately(TField* AField, const TBookmarkStr& ABookmark) {
    (void)AField;
    (void)ABookmark;
    return false;
  }
  // Whether any record's value of AField was read only approximately.
  virtual bool HoldsApproximateValues(TField* AField) {
    (void)AField;
    return false;
  }

  // AKeyFields is ";"-separated; AKeyValues is one value for one field, a Variant array for several.
  bool Locate(const AnsiString& AKeyFields, const Variant& AKeyValues, TLocateOptions AOptions);
  // Moves to the next record after the current one that matches the key, as Locate matches; false, the
  // dataset staying where it is, when no record after it does.
  bool LocateNext(const AnsiString& AKeyFields, const Variant& AKeyValues, TLocateOptions AOptions);
  // The values of AResultFields in the first record matching the key, without moving; Null when none.
  Variant Lookup(const AnsiString& AKeyFields, const Variant& AKeyValues, const AnsiString& AResultFields);

  const AnsiString& Filter() const { return FFilter; }
  // Raises EDatabaseError for a text that is not a valid filter expression.
  void SetFilter(const AnsiString& AValue);
  bool Filtered() const { return FFiltered; }
  void SetFiltered(bool AValue);
  TFilterOptions FilterOptions() const { return FFilterOptions; }
  void SetFilterOptions(TFilterOptions AValue);
  const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
  void SetOnFilterRecord(const TFilterRecordEvent& AValue);

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }

  // The window of record buffers: BufferCount buffers, of which BufferedRecordCount hold records; the
  // current record is ActiveRecord. Links move ActiveRecord to read another buffered record and put it back.
  int BufferCount() const { return int(FBuffers.size()); }
  int BufferedRecordCount() const { return FRecordCount; }
  int ActiveRecord() const { return FActiveRecord; }
  void SetActiveRecord(int AValue);

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnNewRecord;

  // Sends AEvent to the data sources, unless controls are disabled.
  void DataEvent(TDataEvent AEvent, std::intptr_t AInfo);
  int DataSourceCount() const { return int(FDataSources.size()); }
  TDataSource* DataSources(int AIndex) const { return FDataSources.at(std::size_t(AIndex)); }

protected:
  // The cursor interface of descendants. The cursor sits on a record or on the crack before the first
  // (InternalFirst) or after the last (InternalLast); GetRecord moves it as AMode says and describes the
  // record it reached in ASlot.
  virtual void InternalOpen();
  virtual void InternalClose() {}
  virtual void InternalFirst() {}
  virtual void InternalLast() {}
  virtual TGetResult GetRecord(TRecordSlot& ASlot, TGetMode AMode);
  virtual void InternalSetToRecord(const TRecordSlot& ASlot) { (void)ASlot; }
  // The stored value of column AFieldNo (from 1) of record ARow.
  virtual Variant GetRowValue(std::int64_t ARow, int AFieldNo);
  // Whether GetRowValue's value is only the nearest the dataset could keep of what it was given or read.
  virtual bool RowValueApproximate(std::int64_t ARow, int AFieldNo) const {
    (void)ARow;
    (void)AFieldNo;
    return false;
  }
  // Where GetRowValue's value lives; nullptr for a dataset that builds it on reading.
  virtual const Variant* RowValueRef(std::int64_t ARow, int AFieldNo) const {
    (void)ARow;
    (void)AFieldNo;
    return nullptr;
  }
  virtual TBookmarkStr GetRowBookmark(std::int64_t ARow);
  virtual void InternalGotoBookmark(const TBookmarkStr& ABookmark);
  virtual void InternalEdit() {}
  // Stores the edit record: AValues and AChanged by column. An insert goes before the record ASlot names
  // (or at the end for bfEOF); afterwards the cursor is on the stored record. Raising keeps the edit.
  virtual void InternalPost(const TRecordSlot& ASlot, bool AInserting, const std::vector<Variant>& AValues,
                            const std::vector<bool>& AChanged);
  // Deletes the cursor's record and leaves the cursor on the record that followed it (or the one before).
  virtual void InternalDelete();
  virtual void InternalRefresh() {}
  // The first record in the cursor's order whose fields match; -1 when none.
  virtual std::int64_t FindRow(const std::vector<TField*>& AFields, const std::vector<Variant>& AValues,
                               TLocateOptions AOptions);
  // The first record after row ARow in the cursor's order whose fields match; -1 when none.
  virtual std::int64_t FindNextRow(std::int64_t ARow, const std::vector<TField*>& AFields,
                                   const std::vector<Variant>& AValues, TLocateOptions AOptions);
  // The filter changed: descendants that keep a filtered view rebuild it.
  virtual void FilterChanged() {}
  // Column count of the edit record; descendants with columns answer theirs.
  virtual int ColumnCount() { return 0; }
  // Why the dataset cannot be modified, for the error that says so; empty for the plain read-only case.
  virtual AnsiString CannotModifyReason() { return AnsiString(); }
  // True when the dataset keeps records of its own. A dataset that does not acts as one loose record,
  // whose field values can be set and read without opening it.
  virtual bool HoldsRecords() const { return false; }

  // Whether the record ARow passes Filter and OnFilterRecord; true when not filtered.
  bool RecordAccepted(std::int64_t ARow);
  bool RowMatches(std::int64_t ARow, const std::vector<TField*>& AFields, const std::vector<Variant>& AValues,
                  TLocateOptions AOptions);
  // Binds the persistent fields and creates default ones: descendants call it from InternalOpen with the
  // names and types of their columns.
  void BindFields(const std::vector<std::pair<AnsiString, TFieldType>>& AColumns,
                  const std::vector<int>& ASizes);
  void DestroyDefaultFields();
  // The buffer of the current record; only while the window holds records.
  const TRecordSlot& ActiveSlot() const { return FBuffers.at(std::size_t(FActiveRecord)); }
  [[noreturn]] void DatabaseError(const AnsiString& AMessage) const;
  void CheckActive() const;
  // Frees and refills the window around the cursor's record; raises when AExact and that record is gone.
  void Resync(bool AExact, bool ACenter);

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;

  void SetState(TDataSetState AValue);
  void UpdateCursorPos();
  void ClearBuffers();
  bool GetNextRecord();
  bool GetPriorRecord();
  void FillBuffers();
  void BeginInsertAppend();
  void EndInsertAppend();
  void ClearEdit();
  void UpdateBufferCount();
  void SetBufferCount(int AValue);
  void RecheckFilter();
  void CompileFilter(const AnsiString& AText);
  bool FilterExpressionAccepts();
  void CallEvent(const TDataSetNotifyEvent& AEvent) {
    if (AEvent)
      AEvent(this);
  }
  bool EditingBuffer() const { return IsEditState(FState) && FActiveRecord == FEditIndex; }
  // The row whose stored values AField reads now (the one being filtered, edited or shown); -1 for none,
  // as for a record being inserted.
  std::int64_t RowOfField(const TField* AField) const;
  Variant LookupValue(TField* AField);
  void SetLookupValue(TField* AField, const Variant& AValue);

  std::vector<TField*> FFields;        // borrowed: a field's owner frees it and it leaves the list then
  std::vector<TField*> FAggFields;     // borrowed, as FFields
  std::vector<TField*> FDefaultFields; // the fields Open created; Close frees them
  std::map<const TField*, Variant> FLooseRecord;
  std::vector<TDataSource*> FDataSources; // borrowed: sources leave the list when they let go

  TDataSetState FState = dsInactive;
  bool FUsesDefaultFields = true;
  bool FBof = true;
  bool FEof = true;
  bool FModified = false;
  std::vector<TRecordSlot> FBuffers;
  int FRecordCount = 0;
  int FActiveRecord = 0;
  int FEditIndex = -1;
  std::vector<Variant> FEditValues;
  std::vector<bool> FEditChanged;
  std::int64_t FFilterRow = -1;
  int FDisableCount = 0;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;

  AnsiString FFilter;
  bool FFiltered = false;
  TFilterOptions FFilterOptions;
  TFilterRecordEvent FOnFilterRecord;
  std::shared_ptr<TFilterExpression> FFilterExpr; // compiled against the fields while active
};
