#include "platform/db/DBDataSet.h"

#include <algorithm>

#include "platform/db/DBDataSet_Internal.h"
#include "platform/db/DBDataSource.h"
#include "platform/db/DBFilterExpr.h"

using namespace dbdataset_internal;

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
    throw EDatabaseError("Field '" + MessageExcerpt(AFieldName) + "' not found");
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

const Variant* TDataSet::FieldDataRef(const TField* AField) const {
  if (FState != dsBrowse || AField->FFieldNo <= 0 || AField->FieldKind() != fkData || FRecordCount == 0)
    return nullptr;
  const TRecordSlot& slot = FBuffers[std::size_t(FActiveRecord)];
  return slot.Row < 0 ? nullptr : RowValueRef(slot.Row, AField->FFieldNo);
}

std::int64_t TDataSet::RowOfField(const TField* AField) const {
  if (FState == dsInactive || AField->FFieldNo <= 0)
    return -1;
  if (FState == dsFilter)
    return FFilterRow;
  if (FRecordCount == 0 || (EditingBuffer() && FEditChanged[std::size_t(AField->FFieldNo - 1)]))
    return -1;
  return FBuffers[std::size_t(FActiveRecord)].Row;
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
  // A new value made from an approximation (a text with characters replaced, a number rounded) would be
  // stored as if the rest of it were the original; no value could be told apart from such a one.
  if (FState == dsEdit) {
    const std::int64_t row = FBuffers[std::size_t(FEditIndex)].Row;
    if (row >= 0 && RowValueApproximate(row, no))
      DatabaseError("Field '" + AField->DisplayLabel() +
                    "' cannot be modified: the dataset holds only an approximation of its value, which an "
                    "edit would store over the original");
  }
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
    DatabaseError("'" + MessageExcerpt(VarToStr(AValue)) + "' is not a value of lookup field '" +
                  AField->DisplayLabel() + "'");
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
        // The failure to open is what the caller must see, not the clean-up's.
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

std::int64_t TDataSet::FindNextRow(std::int64_t, const std::vector<TField*>&, const std::vector<Variant>&,
                                   TLocateOptions) {
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
    ForEachListed(FDataSources, [&](TDataSource* ASource) { ASource->DataEvent(AEvent, AInfo); });
    return;
  }
  if ((AEvent == deUpdateState && FState == dsInactive) || AEvent == deLayoutChange)
    FEnableEvent = deLayoutChange;
  // A closed or reopened dataset changes what disabled controls show; their links hear of it at once so
  // that they can rebuild when controls come back.
  if (AEvent == deUpdateState && (FState == dsInactive) != (FDisableState == dsInactive)) {
    ForEachListed(FDataSources, [&](TDataSource* ASource) {
      ASource->NotifyLinks(deDisabledStateChange, FState != dsInactive);
    });
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
