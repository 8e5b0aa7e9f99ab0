#include "platform/db/DBDataSet.h"

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
