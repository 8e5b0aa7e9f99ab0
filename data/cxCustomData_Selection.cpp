#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

void TcxDataSelection::InternalAdd(int APosition, int ARowIndex, int ALevel, int ARecordIndex) {
  TcxDataSelectedItem item{ALevel, ARecordIndex, ARowIndex};
  if (APosition < 0 || APosition > Count())
    FItems.push_back(item);
  else
    FItems.insert(FItems.begin() + APosition, item);
}

void TcxDataSelection::InternalDelete(int AIndex) {
  if (FItems.at(std::size_t(AIndex)).RowIndex == AnchorRowIndex)
    ClearAnchor();
  FItems.erase(FItems.begin() + AIndex);
}

void TcxDataSelection::Add(int APosition, int ARowIndex, int ALevel, int ARecordIndex) {
  InternalAdd(APosition, ARowIndex, ALevel, ARecordIndex);
  Changed();
}

bool TcxDataSelection::FindByRowIndex(int ARowIndex, int& APosition) const {
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARowIndex,
                             [](const TcxDataSelectedItem& item, int row) { return item.RowIndex < row; });
  APosition = int(it - FItems.begin());
  return it != FItems.end() && it->RowIndex == ARowIndex;
}

void TcxDataSelection::Changed() {
  if (OnChanged)
    OnChanged(this);
}

void TcxDataSelection::Clear() {
  InternalClear();
  Changed();
}

void TcxDataSelection::ClearAll() {
  ClearAnchor();
  InternalClear();
  Changed();
}

void TcxDataSelection::Delete(int AIndex) {
  InternalDelete(AIndex);
  Changed();
}

int TcxDataSelection::IndexOfRecord(int ARecordIndex) const {
  // Data rows are sorted by row, and rows of records follow the record list: a search by the record's row
  // would need the view; selections are small next to the records they are asked about, so callers that
  // ask for every record use IsRowSelected instead.
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Level >= 0 && FItems[i].RecordIndex == ARecordIndex)
      return int(i);
  return -1;
}

bool TcxDataSelection::IsRowSelected(int ARowIndex) const {
  int position;
  return FindByRowIndex(ARowIndex, position);
}

void TcxDataSelection::SortByRow() {
  std::stable_sort(
      FItems.begin(), FItems.end(),
      [](const TcxDataSelectedItem& a, const TcxDataSelectedItem& b) { return a.RowIndex < b.RowIndex; });
  FItems.erase(std::unique(FItems.begin(), FItems.end(),
                           [](const TcxDataSelectedItem& a, const TcxDataSelectedItem& b) {
                             return a.RowIndex == b.RowIndex;
                           }),
               FItems.end());
}

void TcxCustomDataController::SetMultiSelect(bool AValue) {
  if (FMultiSelect == AValue)
    return;
  FMultiSelect = AValue;
  TControllerUpdate update(*this);
  FView->FSelection->ClearAll();
}

void TcxCustomDataController::ChangeRowSelection(int ARowIndex, bool ASelected) {
  if (FMultiSelect)
    FView->ChangeRowSelection(ARowIndex, ASelected);
}

void TcxCustomDataController::ClearSelection() {
  FView->ClearSelection();
}

int TcxCustomDataController::GetSelectedCount() const {
  if (!FMultiSelect)
    return FFocusedRowSelected && GetFocusedRowIndex() >= 0 ? 1 : 0;
  return FView->GetSelectedCount();
}

int TcxCustomDataController::GetSelectedRowIndex(int AIndex) {
  if (!FMultiSelect)
    return AIndex == 0 && FFocusedRowSelected ? GetFocusedRowIndex() : -1;
  return FView->GetSelectedRowIndex(AIndex);
}

bool TcxCustomDataController::IsRowSelected(int ARowIndex) const {
  if (!FMultiSelect)
    return ARowIndex == GetFocusedRowIndex() && FFocusedRowSelected && ARowIndex >= 0;
  return FView->IsRowSelected(ARowIndex);
}

void TcxCustomDataController::SelectAll() {
  if (GetRowCount() > 0)
    SelectRange(0, GetRowCount() - 1);
}

void TcxCustomDataController::SelectRange(int AFromRowIndex, int AToRowIndex) {
  if (!FMultiSelect)
    return;
  if (AToRowIndex < AFromRowIndex)
    std::swap(AFromRowIndex, AToRowIndex);
  FView->CheckRowIndex(AFromRowIndex);
  FView->CheckRowIndex(AToRowIndex);
  TControllerUpdate update(*this);
  // Rows outside the range keep their place, the range is merged in one pass instead of a search per row.
  auto& items = FView->FSelection->ItemsList();
  std::vector<TcxDataSelectedItem> merged;
  merged.reserve(items.size() + std::size_t(AToRowIndex - AFromRowIndex + 1));
  auto it = items.begin();
  while (it != items.end() && it->RowIndex < AFromRowIndex)
    merged.push_back(*it++);
  for (int row = AFromRowIndex; row <= AToRowIndex; ++row) {
    TcxRowInfo info = FView->GetRowInfo(row);
    int group;
    if (FView->IsGrouped() && info.Level < FView->Groups().LevelCount() &&
        FView->Groups().FindByRowIndex(row, group) >= 0)
      merged.push_back({-1, group, row});
    else
      merged.push_back({info.Level, info.RecordIndex, row});
  }
  while (it != items.end() && it->RowIndex <= AToRowIndex)
    ++it;
  while (it != items.end())
    merged.push_back(*it++);
  items.swap(merged);
  FView->FSelection->Changed();
}

void TcxCustomDataController::SelectFromAnchor(int ARowIndex, bool AKeepSelection) {
  if (!IsSelectionAnchorSet())
    return;
  TControllerUpdate update(*this);
  if (!AKeepSelection)
    ClearSelection();
  SelectRange(GetSelectionAnchorRowIndex(), ARowIndex);
}

void TcxCustomDataController::SetSelectionAnchor(int ARowIndex) {
  FView->CheckRowIndex(ARowIndex);
  FView->FSelection->AnchorRowIndex = ARowIndex;
}

void TcxCustomDataController::SelectOnlyFocusedRow() {
  TControllerUpdate update(*this);
  ClearSelection();
  if (GetFocusedRowIndex() >= 0)
    SelectRange(GetFocusedRowIndex(), GetFocusedRowIndex());
}

void TcxCustomDataController::SetFocusedRowSelected(bool AValue) {
  if (FMultiSelect || FFocusedRowSelected == AValue)
    return;
  FFocusedRowSelected = AValue;
  if (GetFocusedRowIndex() >= 0) {
    FSelectionChangePending = 1;
    FSelectionChangePendingRow = GetFocusedRowIndex();
    AddChanges(dccSelection);
  }
}

void TcxDataFocusingInfo::Assign(const TcxDataFocusingInfo& AOther) {
  Level = AOther.Level;
  PrevRecordIndex = AOther.PrevRecordIndex;
  RecordIndex = AOther.RecordIndex;
  RowIndex = AOther.RowIndex;
  Changed = false;
}

void TcxCustomDataController::ForEachRow(bool ASelectedOnly, const TcxDataControllerEachRowProc& AProc,
                                         void* AData) {
  // The procedure may change the rows or free the controller, so the bounds are read again each time.
  auto alive = FAlive;
  for (int i = 0; *alive && i < (ASelectedOnly ? GetSelectedCount() : GetRowCount()); ++i) {
    int row = ASelectedOnly ? GetSelectedRowIndex(i) : i;
    if (row < 0 || row >= GetRowCount())
      continue;
    AProc(AData, row, GetRowInfo(row));
  }
}
