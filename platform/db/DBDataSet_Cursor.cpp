#include "platform/db/DBDataSet.h"

#include <algorithm>

#include "platform/db/DBDataSource.h"

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
