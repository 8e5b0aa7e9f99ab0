#include "platform/db/DBDataSet.h"

#include <algorithm>

#include "platform/db/DBDataSource.h"
#include "platform/db/DBFilterExpr.h"

namespace {

// Restores a value when the scope ends, also when it ends by an exception.
template <class T> class TRestore {
public:
  TRestore(T& ARef, T AValue) : FRef(ARef), FOld(ARef) { FRef = AValue; }
  ~TRestore() { FRef = FOld; }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

private:
  T& FRef;
  T FOld;
};

std::vector<AnsiString> SplitNames(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  std::size_t pos = 0;
  while (pos < ANames.size()) {
    std::size_t end = ANames.find(';', pos);
    if (end == AnsiString::npos)
      end = ANames.size();
    AnsiString name = Trim(std::string_view(ANames).substr(pos, end - pos));
    if (!name.empty())
      names.push_back(name);
    pos = end + 1;
  }
  return names;
}

std::vector<Variant> KeyValueList(const Variant& AKeyValues, std::size_t ACount) {
  std::vector<Variant> values;
  if (ACount == 1 && !VarIsArray(AKeyValues)) {
    values.push_back(AKeyValues);
    return values;
  }
  if (!VarIsArray(AKeyValues) || VarArrayElements(AKeyValues).size() != ACount)
    throw EDatabaseError("The key needs " + IntToStr(static_cast<long long>(ACount)) +
                         " values, one for each key field");
  for (const Variant& v : VarArrayElements(AKeyValues))
    values.push_back(v);
  return values;
}

bool ValueMatches(const Variant& AStored, const Variant& AKey, TLocateOptions AOptions) {
  if (VarIsNull(AKey) || VarIsEmpty(AKey))
    return VarIsNull(AStored) || VarIsEmpty(AStored);
  if (VarIsNull(AStored))
    return false;
  int cmp;
  if (VarCompareSameType(AStored, AKey, cmp) && !AOptions.Contains(loPartialKey))
    if (cmp == 0 || VarType(AStored) != varString || !AOptions.Contains(loCaseInsensitive))
      return cmp == 0;
  if (VarIsStr(AStored) && (AOptions.Contains(loCaseInsensitive) || AOptions.Contains(loPartialKey))) {
    AnsiString s = AStored.AsString(), k = AKey.AsString();
    if (AOptions.Contains(loPartialKey)) {
      if (s.size() < k.size())
        return false;
      s.resize(k.size());
    }
    return AOptions.Contains(loCaseInsensitive) ? AnsiSameText(s, k) : s == k;
  }
  try {
    return VarSameValue(AStored, AKey);
  } catch (const Exception&) {
    return false; // values of kinds that do not compare are simply different
  }
}

} // namespace

TDataSet::~TDataSet() {
  while (!FDataSources.empty())
    FDataSources.back()->SetDataSet(nullptr);
  while (!FFields.empty())
    FFields.back()->SetDataSet(nullptr);
  while (!FAggFields.empty())
    FAggFields.back()->SetDataSet(nullptr);
}

TField* TDataSet::FindField(const AnsiString& AFieldName) const {
  for (TField* field : FFields)
    if (AnsiSameText(field->FieldName, AFieldName))
      return field;
  return nullptr;
}

TField* TDataSet::FieldByName(const AnsiString& AFieldName) const {
  TField* field = FindField(AFieldName);
  if (!field)
    throw EDatabaseError("Field '" + AFieldName + "' not found");
  return field;
}

std::vector<TField*> TDataSet::GetFieldList(const AnsiString& AFieldNames) const {
  std::vector<TField*> fields;
  for (const AnsiString& name : SplitNames(AFieldNames))
    fields.push_back(FieldByName(name));
  if (fields.empty())
    throw EDatabaseError("No field names given");
  return fields;
}

void TDataSet::DatabaseError(const AnsiString& AMessage) const {
  throw EDatabaseError(Name().empty() ? AMessage : Name() + ": " + AMessage);
}

void TDataSet::CheckActive() const {
  if (FState == dsInactive)
    DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckCanModify() {
  if (!CanModify()) {
    AnsiString reason = CannotModifyReason();
    DatabaseError(reason.empty() ? AnsiString("Cannot modify a read-only dataset") : reason);
  }
}

Variant TDataSet::GetFieldData(TField* AField) {
  if (FState == dsInactive) {
    if (HoldsRecords())
      DatabaseError("Cannot read field '" + AField->FieldName + "' of a closed dataset");
    auto it = FLooseRecord.find(AField);
    return it == FLooseRecord.end() ? Null : it->second;
  }
  if (AField->FieldKind() == fkLookup)
    return LookupValue(AField);
  int no = AField->FFieldNo;
  if (no <= 0)
    return Null;
  if (FState == dsFilter)
    return GetRowValue(FFilterRow, no);
  if (EditingBuffer())
    return FEditValues[std::size_t(no - 1)];
  if (FRecordCount == 0)
    return Null;
  const TRecordSlot& slot = FBuffers[std::size_t(FActiveRecord)];
  return slot.Row < 0 ? Null : GetRowValue(slot.Row, no);
}

void TDataSet::SetFieldData(TField* AField, const Variant& AValue) {
  if (FState == dsInactive && !HoldsRecords()) {
    FLooseRecord[AField] = AField->ConvertValue(AValue);
    return;
  }
  if (!IsEditState(FState))
    DatabaseError("Dataset not in edit or insert mode");
  if (AField->ReadOnly || AField->Calculated())
    DatabaseError("Field '" + AField->DisplayLabel() + "' cannot be modified");
  if (AField->FieldKind() == fkLookup) {
    SetLookupValue(AField, AValue);
    return;
  }
  int no = AField->FFieldNo;
  if (no <= 0)
    DatabaseError("Field '" + AField->DisplayLabel() + "' has no column to store a value in");
  Variant value = AField->ConvertValue(AValue);
  Variant old = FEditValues[std::size_t(no - 1)];
  FEditValues[std::size_t(no - 1)] = value;
  if (AField->OnValidate) {
    try {
      AField->OnValidate(AField);
    } catch (...) {
      FEditValues[std::size_t(no - 1)] = old;
      throw;
    }
  }
  FEditChanged[std::size_t(no - 1)] = true;
  FModified = true;
  DataEvent(deFieldChange, std::intptr_t(AField));
}

Variant TDataSet::LookupValue(TField* AField) {
  TDataSet* lookup = AField->LookupDataSet();
  if (!lookup || !lookup->Active() || AField->KeyFields.empty() || AField->LookupResultField.empty())
    return Null;
  std::vector<TField*> keys = GetFieldList(AField->KeyFields);
  std::vector<Variant> values;
  for (TField* key : keys)
    values.push_back(key->GetAsVariant());
  Variant keyValues = values.size() == 1 ? values[0] : VarArrayOf(values);
  return lookup->Lookup(AField->LookupKeyFields, keyValues, AField->LookupResultField);
}

void TDataSet::SetLookupValue(TField* AField, const Variant& AValue) {
  TDataSet* lookup = AField->LookupDataSet();
  if (!lookup || !lookup->Active())
    DatabaseError("Lookup field '" + AField->DisplayLabel() + "' has no open lookup dataset");
  std::vector<TField*> keys = GetFieldList(AField->KeyFields);
  Variant found =
      VarIsNull(AValue) ? Null : lookup->Lookup(AField->LookupResultField, AValue, AField->LookupKeyFields);
  if (!VarIsNull(AValue) && VarIsNull(found))
    DatabaseError("'" + VarToStr(AValue) + "' is not a value of lookup field '" + AField->DisplayLabel() +
                  "'");
  for (std::size_t i = 0; i < keys.size(); ++i)
    keys[i]->SetAsVariant(keys.size() == 1 || VarIsNull(found) ? found : found[int(i)]);
}

void TDataSet::SetActive(bool AValue) {
  if (AValue == Active())
    return;
  if (AValue) {
    CallEvent(BeforeOpen);
    FState = dsOpening;
    try {
      InternalOpen();
      if (FFilterOptions.Empty() && !FFilter.empty())
        CompileFilter(FFilter);
      else if (!FFilter.empty())
        CompileFilter(FFilter);
      FilterChanged();
      FBuffers.assign(1, TRecordSlot());
      UpdateBufferCount();
      InternalFirst();
      ClearBuffers();
      FillBuffers();
      FBof = true;
      FEof = FRecordCount == 0;
    } catch (...) {
      FState = dsInactive;
      FFilterExpr.reset();
      try {
        InternalClose();
      } catch (...) {
      }
      DestroyDefaultFields();
      FBuffers.clear();
      FRecordCount = 0;
      throw;
    }
    FState = dsInactive;
    SetState(dsBrowse);
    CallEvent(AfterOpen);
    if (!IsEmpty())
      CallEvent(AfterScroll);
    return;
  }
  if (!(ComponentState().Contains(csDestroying)))
    CallEvent(BeforeClose);
  ClearEdit();
  SetState(dsInactive);
  FFilterExpr.reset();
  try {
    InternalClose();
  } catch (...) {
    FBuffers.clear();
    FRecordCount = 0;
    DestroyDefaultFields();
    throw;
  }
  FBuffers.clear();
  FRecordCount = 0;
  FActiveRecord = 0;
  FBof = FEof = true;
  DestroyDefaultFields();
  if (!(ComponentState().Contains(csDestroying)))
    CallEvent(AfterClose);
}

void TDataSet::InternalOpen() {
  DatabaseError("A dataset of class " + ClassName() + " has no records to open");
}

TGetResult TDataSet::GetRecord(TRecordSlot&, TGetMode) {
  return grEOF;
}

Variant TDataSet::GetRowValue(std::int64_t, int) {
  return Null;
}

TBookmarkStr TDataSet::GetRowBookmark(std::int64_t) {
  return TBookmarkStr();
}

void TDataSet::InternalGotoBookmark(const TBookmarkStr&) {
  DatabaseError("Bookmarks are not supported by " + ClassName());
}

void TDataSet::InternalPost(const TRecordSlot&, bool, const std::vector<Variant>&, const std::vector<bool>&) {
  DatabaseError("Records cannot be stored in " + ClassName());
}

void TDataSet::InternalDelete() {
  DatabaseError("Records cannot be deleted from " + ClassName());
}

std::int64_t TDataSet::FindRow(const std::vector<TField*>&, const std::vector<Variant>&, TLocateOptions) {
  DatabaseError("Locate is not supported by " + ClassName());
}

void TDataSet::BindFields(const std::vector<std::pair<AnsiString, TFieldType>>& AColumns,
                          const std::vector<int>& ASizes) {
  FUsesDefaultFields = FFields.empty();
  for (TField* field : FFields)
    field->FFieldNo = 0;
  for (std::size_t i = 0; i < AColumns.size(); ++i) {
    TField* field = FindField(AColumns[i].first);
    if (!field) {
      field = CreateField(AColumns[i].second, this);
      field->FieldName = AColumns[i].first;
      field->Size = i < ASizes.size() ? ASizes[i] : 0;
      field->FDataSet = this;
      FFields.push_back(field);
      FDefaultFields.push_back(field);
    } else if (field->FieldKind() != fkData) {
      continue;
    }
    field->FFieldNo = int(i) + 1;
  }
  for (TField* field : FFields)
    if (field->FieldKind() == fkData && field->FFieldNo == 0)
      DatabaseError("Field '" + field->FieldName + "' not found");
}

void TDataSet::DestroyDefaultFields() {
  std::vector<TField*> fields;
  fields.swap(FDefaultFields);
  for (TField* field : fields)
    field->Free();
  for (TField* field : FFields)
    field->FFieldNo = 0;
}

void TDataSet::SetState(TDataSetState AValue) {
  if (FState == AValue)
    return;
  FState = AValue;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

void TDataSet::DataEvent(TDataEvent AEvent, std::intptr_t AInfo) {
  if (AEvent == deFieldChange) {
    TField* field = reinterpret_cast<TField*>(AInfo);
    if (field && field->OnChange)
      field->OnChange(field);
  }
  if (FDisableCount == 0) {
    std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
      if (std::find(FDataSources.begin(), FDataSources.end(), source) != FDataSources.end())
        source->DataEvent(AEvent, AInfo);
    return;
  }
  if ((AEvent == deUpdateState && FState == dsInactive) || AEvent == deLayoutChange)
    FEnableEvent = deLayoutChange;
  // A closed or reopened dataset changes what disabled controls show; their links hear of it at once so
  // that they can rebuild when controls come back.
  if (AEvent == deUpdateState && (FState == dsInactive) != (FDisableState == dsInactive)) {
    std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* source : sources)
      source->NotifyLinks(deDisabledStateChange, FState != dsInactive);
  }
}

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0)
    return;
  if (--FDisableCount != 0)
    return;
  if (FDisableState != FState)
    DataEvent(deUpdateState, 0);
  if (FDisableState != dsInactive && FState != dsInactive)
    DataEvent(FEnableEvent, 0);
}

void TDataSet::SetActiveRecord(int AValue) {
  if (AValue < 0 || AValue >= std::max(FRecordCount, 1))
    throw EDatabaseError("Active record " + IntToStr(AValue) + " is outside the " + IntToStr(FRecordCount) +
                         " buffered records");
  FActiveRecord = AValue;
}

void TDataSet::UpdateBufferCount() {
  if (FState == dsInactive && FBuffers.empty())
    return;
  int count = 1;
  for (TDataSource* source : FDataSources)
    for (TDataLink* link : source->FDataLinks)
      if (link->FActive || FState == dsOpening)
        count = std::max(count, link->FBufferCount);
  SetBufferCount(count);
}

void TDataSet::SetBufferCount(int AValue) {
  int old = int(FBuffers.size());
  if (AValue == old)
    return;
  if (AValue < old) {
    int drop = std::max(0, FActiveRecord - AValue + 1);
    if (drop > 0 && IsEditState(FState) && FEditIndex >= 0)
      FEditIndex -= drop;
    FBuffers.erase(FBuffers.begin(), FBuffers.begin() + std::min(drop, FRecordCount));
    FActiveRecord -= drop;
    FRecordCount = std::max(0, FRecordCount - drop);
    FBuffers.resize(std::size_t(AValue));
    FRecordCount = std::min(FRecordCount, AValue);
    return;
  }
  FBuffers.resize(std::size_t(AValue));
  if (FState == dsOpening || FRecordCount == 0 || FState == dsInsert)
    return;
  while (FRecordCount < AValue && GetNextRecord()) {
  }
  while (FRecordCount < AValue && GetPriorRecord()) {
    ++FActiveRecord;
    if (FEditIndex >= 0)
      ++FEditIndex;
  }
}

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
}

bool TDataSet::GetNextRecord() {
  if (FRecordCount > 0)
    InternalSetToRecord(FBuffers[std::size_t(FRecordCount - 1)]);
  TRecordSlot slot;
  if (GetRecord(slot, gmNext) != grOK)
    return false;
  if (FRecordCount == int(FBuffers.size())) {
    std::rotate(FBuffers.begin(), FBuffers.begin() + 1, FBuffers.end());
    FBuffers.back() = slot;
  } else {
    FBuffers[std::size_t(FRecordCount++)] = slot;
  }
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0)
    InternalSetToRecord(FBuffers[0]);
  TRecordSlot slot;
  if (GetRecord(slot, gmPrior) != grOK)
    return false;
  std::rotate(FBuffers.rbegin(), FBuffers.rbegin() + 1, FBuffers.rend());
  FBuffers[0] = slot;
  if (FRecordCount < int(FBuffers.size()))
    ++FRecordCount;
  return true;
}

void TDataSet::FillBuffers() {
  while (FRecordCount < int(FBuffers.size()) && GetNextRecord()) {
  }
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0)
    InternalSetToRecord(FBuffers[std::size_t(FActiveRecord)]);
}

void TDataSet::Resync(bool AExact, bool ACenter) {
  TRecordSlot slot;
  if (GetRecord(slot, gmCurrent) != grOK) {
    if (AExact)
      DatabaseError("Record not found");
    if (GetRecord(slot, gmNext) != grOK && GetRecord(slot, gmPrior) != grOK) {
      ClearBuffers();
      FBof = FEof = true;
      DataEvent(deDataSetChange, 0);
      return;
    }
  }
  int wanted = ACenter ? (int(FBuffers.size()) - 1) / 2 : FActiveRecord;
  FBuffers[0] = slot;
  FRecordCount = 1;
  FActiveRecord = 0;
  while (FActiveRecord < wanted && GetPriorRecord())
    ++FActiveRecord;
  FillBuffers();
  while (FRecordCount < int(FBuffers.size()) && GetPriorRecord())
    ++FActiveRecord;
  FBof = FEof = false;
  DataEvent(deDataSetChange, 0);
}

void TDataSet::First() {
  CheckBrowseMode();
  CallEvent(BeforeScroll);
  ClearBuffers();
  InternalFirst();
  FillBuffers();
  FBof = true;
  FEof = FRecordCount == 0;
  DataEvent(deDataSetChange, 0);
  CallEvent(AfterScroll);
}

void TDataSet::Last() {
  CheckBrowseMode();
  CallEvent(BeforeScroll);
  ClearBuffers();
  InternalLast();
  while (FRecordCount < int(FBuffers.size()) && GetPriorRecord()) {
  }
  FActiveRecord = std::max(0, FRecordCount - 1);
  FEof = true;
  FBof = FRecordCount == 0;
  DataEvent(deDataSetChange, 0);
  CallEvent(AfterScroll);
}

int TDataSet::MoveBy(int ADistance) {
  CheckBrowseMode();
  CallEvent(BeforeScroll);
  int moved = 0;
  if ((ADistance > 0 && FEof) || (ADistance < 0 && FBof) || ADistance == 0)
    return 0;
  FBof = FEof = false;
  int shift = 0; // how far the buffer contents moved, as the links must know
  auto notify = [&] {
    DataEvent(deDataSetScroll, shift);
    CallEvent(AfterScroll);
  };
  try {
    for (; ADistance > 0; --ADistance, ++moved) {
      if (FActiveRecord < FRecordCount - 1) {
        ++FActiveRecord;
        continue;
      }
      bool full = FRecordCount == int(FBuffers.size());
      if (!GetNextRecord()) {
        FEof = true;
        break;
      }
      if (full)
        --shift;
      else
        ++FActiveRecord;
    }
    for (; ADistance < 0; ++ADistance, --moved) {
      if (FActiveRecord > 0) {
        --FActiveRecord;
        continue;
      }
      bool full = FRecordCount == int(FBuffers.size());
      if (!GetPriorRecord()) {
        FBof = true;
        break;
      }
      if (full)
        ++shift;
    }
  } catch (...) {
    notify();
    throw;
  }
  notify();
  return moved;
}

void TDataSet::SetRecNo(int AValue) {
  CheckActive();
  int current = RecNo();
  if (current < 0)
    DatabaseError("Record numbers are not supported by " + ClassName());
  MoveBy(AValue - current);
}

void TDataSet::ClearEdit() {
  FEditValues.clear();
  FEditChanged.clear();
  FEditIndex = -1;
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert)
    return;
  CheckActive();
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  CallEvent(BeforeEdit);
  UpdateCursorPos();
  InternalEdit();
  int columns = ColumnCount();
  const TRecordSlot& slot = FBuffers[std::size_t(FActiveRecord)];
  FEditValues.resize(std::size_t(columns));
  for (int i = 0; i < columns; ++i)
    FEditValues[std::size_t(i)] = GetRowValue(slot.Row, i + 1);
  FEditChanged.assign(std::size_t(columns), false);
  FEditIndex = FActiveRecord;
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  CallEvent(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  CallEvent(BeforeInsert);
  CallEvent(BeforeScroll);
}

void TDataSet::EndInsertAppend() {
  FEditValues.assign(std::size_t(ColumnCount()), Null);
  FEditChanged.assign(FEditValues.size(), false);
  FEditIndex = FActiveRecord;
  SetState(dsInsert);
  try {
    CallEvent(OnNewRecord);
  } catch (...) {
    ClearEdit();
    SetState(dsBrowse);
    Resync(false, false);
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  CallEvent(AfterInsert);
  CallEvent(AfterScroll);
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TRecordSlot slot;
  slot.Flag = bfInserted;
  if (FRecordCount == 0) {
    slot.Flag = bfEOF;
    FBuffers[0] = slot;
    FRecordCount = 1;
    FActiveRecord = 0;
  } else {
    UpdateCursorPos();
    // The new record takes the current one's place; the buffers after it move down and the last falls out.
    slot.Pos = FBuffers[std::size_t(FActiveRecord)].Row;
    if (FRecordCount < int(FBuffers.size()))
      ++FRecordCount;
    std::rotate(FBuffers.begin() + FActiveRecord, FBuffers.begin() + FRecordCount - 1,
                FBuffers.begin() + FRecordCount);
    FBuffers[std::size_t(FActiveRecord)] = slot;
  }
  FBof = FEof = false;
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  InternalLast();
  TRecordSlot slot;
  slot.Flag = bfEOF;
  FBuffers[0] = slot;
  FRecordCount = 1;
  // The records before the new one fill the window above it; the cursor stays after the last record.
  std::vector<TRecordSlot> prior;
  TRecordSlot p;
  while (int(prior.size()) + 1 < int(FBuffers.size()) && GetRecord(p, gmPrior) == grOK)
    prior.push_back(p);
  FRecordCount = int(prior.size()) + 1;
  for (std::size_t i = 0; i < prior.size(); ++i)
    FBuffers[prior.size() - 1 - i] = prior[i];
  FBuffers[prior.size()] = slot;
  FActiveRecord = int(prior.size());
  InternalLast();
  FBof = FEof = false;
  EndInsertAppend();
}

void TDataSet::AppendRecord(const std::vector<Variant>& AValues) {
  Append();
  try {
    std::size_t i = 0;
    for (TField* field : FFields) {
      if (i >= AValues.size())
        break;
      if (field->FieldKind() == fkData)
        field->SetAsVariant(AValues[i++]);
    }
    Post();
  } catch (...) {
    if (FState == dsInsert)
      Cancel();
    throw;
  }
}

void TDataSet::UpdateRecord() {
  if (!IsEditState(FState))
    DatabaseError("Dataset not in edit or insert mode");
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
  CheckActive();
  if (!IsEditState(FState))
    return;
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert)
    return;
  DataEvent(deCheckBrowseMode, 0);
  CallEvent(BeforePost);
  for (TField* field : FFields)
    if (field->Required && field->FieldKind() == fkData && field->FFieldNo > 0 &&
        VarIsNull(FEditValues[std::size_t(field->FFieldNo - 1)]))
      DatabaseError("Field '" + field->DisplayLabel() + "' must have a value");
  bool inserting = FState == dsInsert;
  TRecordSlot slot = FBuffers[std::size_t(FEditIndex)];
  if (inserting && slot.Flag == bfInserted) {
    slot.Row = slot.Pos;
    slot.Pos = -1;
  }
  InternalPost(slot, inserting, FEditValues, FEditChanged);
  ClearEdit();
  SetState(dsBrowse);
  Resync(false, false);
  CallEvent(AfterPost);
}

void TDataSet::Cancel() {
  CheckActive();
  if (FState != dsEdit && FState != dsInsert)
    return;
  DataEvent(deCheckBrowseMode, 0);
  CallEvent(BeforeCancel);
  bool inserting = FState == dsInsert;
  if (!inserting)
    UpdateCursorPos();
  ClearEdit();
  SetState(dsBrowse);
  Resync(false, false);
  CallEvent(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0)
    DatabaseError("Cannot perform this operation on an empty dataset");
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  CallEvent(BeforeDelete);
  CallEvent(BeforeScroll);
  UpdateCursorPos();
  InternalDelete();
  ClearEdit();
  SetState(dsBrowse);
  Resync(false, false);
  CallEvent(AfterDelete);
  CallEvent(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (FState == dsEdit || FState == dsInsert) {
    UpdateRecord();
    if (FModified)
      Post();
    else
      Cancel();
  } else if (FState == dsSetKey) {
    Post();
  }
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  CallEvent(BeforeRefresh);
  UpdateCursorPos();
  InternalRefresh();
  Resync(false, false);
  CallEvent(AfterRefresh);
}

TBookmarkStr TDataSet::Bookmark() {
  if (!BookmarkAvailable())
    return TBookmarkStr();
  return GetRowBookmark(FBuffers[std::size_t(FActiveRecord)].Row);
}

bool TDataSet::BookmarkAvailable() {
  return Active() && FRecordCount > 0 && FState != dsInsert && FBuffers[std::size_t(FActiveRecord)].Row >= 0;
}

bool TDataSet::BookmarkValid(const TBookmarkStr&) {
  return false;
}

int TDataSet::CompareBookmarks(const TBookmarkStr& A, const TBookmarkStr& B) {
  if (A.empty() || B.empty())
    return int(!A.empty()) - int(!B.empty());
  return A == B ? 0 : (A < B ? -1 : 1);
}

void TDataSet::GotoBookmark(const TBookmarkStr& ABookmark) {
  CheckBrowseMode();
  if (ABookmark.empty())
    DatabaseError("No bookmark to go to");
  if (!BookmarkValid(ABookmark))
    DatabaseError("Record not found: the bookmark names no record of the dataset");
  CallEvent(BeforeScroll);
  InternalGotoBookmark(ABookmark);
  Resync(true, true);
  CallEvent(AfterScroll);
}

bool TDataSet::RowMatches(std::int64_t ARow, const std::vector<TField*>& AFields,
                          const std::vector<Variant>& AValues, TLocateOptions AOptions) {
  for (std::size_t i = 0; i < AFields.size(); ++i) {
    TField* field = AFields[i];
    Variant stored;
    if (field->FFieldNo > 0) {
      stored = GetRowValue(ARow, field->FFieldNo);
    } else {
      TRestore<std::int64_t> row(FFilterRow, ARow);
      TRestore<TDataSetState> state(FState, dsFilter);
      stored = field->GetAsVariant();
    }
    if (!ValueMatches(stored, AValues[i], AOptions))
      return false;
  }
  return true;
}

bool TDataSet::Locate(const AnsiString& AKeyFields, const Variant& AKeyValues, TLocateOptions AOptions) {
  CheckBrowseMode();
  std::vector<TField*> fields = GetFieldList(AKeyFields);
  std::vector<Variant> values = KeyValueList(AKeyValues, fields.size());
  CallEvent(BeforeScroll);
  std::int64_t row = FindRow(fields, values, AOptions);
  if (row < 0)
    return false;
  InternalGotoBookmark(GetRowBookmark(row));
  Resync(true, true);
  CallEvent(AfterScroll);
  return true;
}

Variant TDataSet::Lookup(const AnsiString& AKeyFields, const Variant& AKeyValues,
                         const AnsiString& AResultFields) {
  CheckActive();
  std::vector<TField*> fields = GetFieldList(AKeyFields);
  std::vector<Variant> values = KeyValueList(AKeyValues, fields.size());
  std::vector<TField*> results = GetFieldList(AResultFields);
  std::int64_t row = FindRow(fields, values, TLocateOptions());
  if (row < 0)
    return Null;
  std::vector<Variant> out;
  for (TField* field : results) {
    if (field->FFieldNo > 0) {
      out.push_back(GetRowValue(row, field->FFieldNo));
    } else {
      TRestore<std::int64_t> filterRow(FFilterRow, row);
      TRestore<TDataSetState> state(FState, dsFilter);
      out.push_back(field->GetAsVariant());
    }
  }
  return out.size() == 1 ? out[0] : VarArrayOf(out);
}

void TDataSet::CompileFilter(const AnsiString& AText) {
  if (AText.empty() || FState == dsInactive) {
    FFilterExpr.reset();
    return;
  }
  FFilterExpr = std::make_shared<TFilterExpression>(AText, this, FFilterOptions.Contains(foCaseInsensitive),
                                                    !FFilterOptions.Contains(foNoPartialCompare));
}

bool TDataSet::RecordAccepted(std::int64_t ARow) {
  if (!FFiltered)
    return true;
  TRestore<std::int64_t> row(FFilterRow, ARow);
  TRestore<TDataSetState> state(FState, dsFilter);
  if (FFilterExpr && !FFilterExpr->Evaluate())
    return false;
  bool accept = true;
  if (FOnFilterRecord)
    FOnFilterRecord(this, accept);
  return accept;
}

void TDataSet::RecheckFilter() {
  if (!Active())
    return;
  CheckBrowseMode();
  FilterChanged();
  First();
}

void TDataSet::SetFilter(const AnsiString& AValue) {
  if (Active())
    CompileFilter(AValue);
  else if (!AValue.empty())
    TFilterExpression::CheckSyntax(AValue);
  FFilter = AValue;
  if (FFiltered)
    RecheckFilter();
}

void TDataSet::SetFiltered(bool AValue) {
  if (FFiltered == AValue)
    return;
  FFiltered = AValue;
  RecheckFilter();
}

void TDataSet::SetFilterOptions(TFilterOptions AValue) {
  if (FFilterOptions == AValue)
    return;
  FFilterOptions = AValue;
  if (Active())
    CompileFilter(FFilter);
  if (FFiltered)
    RecheckFilter();
}

void TDataSet::SetOnFilterRecord(const TFilterRecordEvent& AValue) {
  FOnFilterRecord = AValue;
  if (FFiltered)
    RecheckFilter();
}
