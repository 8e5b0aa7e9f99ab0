#include <algorithm>
#include <optional>
#include <unordered_map>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

TcxCustomDataControllerInfo::TcxCustomDataControllerInfo(TcxCustomDataController* ADataController)
    : FDataController(ADataController) {
  FSelection.reset(NewInstance<TcxDataSelection>(ADataController->GetDataSelectionClass(), ADataController));
  FGroupingFieldList.OnChanged = TNotifyEvent(this, &TcxCustomDataControllerInfo::GroupingChanged);
  FSortingFieldList.OnChanged = TNotifyEvent(this, &TcxCustomDataControllerInfo::SortingChanged);
  FSelection->OnChanged = TNotifyEvent(this, &TcxCustomDataControllerInfo::SelectionChanged);
}

TcxCustomDataControllerInfo::~TcxCustomDataControllerInfo() = default;

void TcxCustomDataControllerInfo::GroupingChanged(TObject*) {
  FChanges |= dvcGrouping | dvcSorting | dvcSummary;
}

void TcxCustomDataControllerInfo::SortingChanged(TObject*) {
  FChanges |= dvcSorting;
}

void TcxCustomDataControllerInfo::SelectionChanged(TObject*) {
  FChanges |= dvcSelection;
  if (FDataController->Summary().Options().Contains(soSelectedRecords))
    FChanges |= dvcSummary;
}

void TcxCustomDataControllerInfo::EndUpdate() {
  --FLockCount;
  CheckChanges();
}

void TcxCustomDataControllerInfo::CheckChanges() {
  if (FChanges != 0 && FLockCount == 0)
    Update();
}

void TcxCustomDataControllerInfo::CheckRowIndex(int ARowIndex) const {
  if (ARowIndex < 0 || ARowIndex >= GetRowCount())
    throw EcxInvalidDataControllerOperation(cxSDataRowIndexError);
}

void TcxCustomDataControllerInfo::DataChanged() {
  FChanges |= dvcData | dvcSummary;
  if (FSortingFieldList.Count() > 0)
    FChanges |= dvcSorting;
  if (FGroupingFieldList.Count() > 0)
    FChanges |= dvcGrouping;
  CheckChanges();
}

void TcxCustomDataControllerInfo::ResetFocusing() {
  FChanges |= dvcFocusReset;
  FFocusingInfo.Level = -1;
  FFocusingInfo.RecordIndex = FDataController->GetSyncRecordIndex();
  CheckChanges();
}

void TcxCustomDataControllerInfo::FilterChanged(bool AFilter) {
  FChanges |= AFilter ? TcxDataViewChanges(dvcFilter | dvcData | dvcSummary) : dvcSummary;
  CheckChanges();
}

void TcxCustomDataControllerInfo::ExpandingChanged() {
  FChanges |= dvcExpanding;
  FRowsPending = true;
}

void TcxCustomDataControllerInfo::FocusedRecordChanged(bool ANotify) {
  FChanges |= dvcFocusedRecord;
  if (ANotify)
    FPrevFocusingInfo.Changed = true;
}

void TcxCustomDataControllerInfo::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  FSortingFieldList.ChangeSorting(AField, ASortOrder);
  if (FGroupingFieldList.IndexOf(AField) >= 0) {
    FGroupingFieldList.SyncSortOrders(FSortingFieldList);
    FChanges |= dvcGrouping;
  }
  CheckChanges();
}

void TcxCustomDataControllerInfo::ClearSorting(bool AKeepGroupedItems) {
  int count = FSortingFieldList.Count();
  for (int i = FSortingFieldList.Count() - 1; i >= 0; --i)
    if (!AKeepGroupedItems || FGroupingFieldList.IndexOf(FSortingFieldList.Items(i).Field) < 0)
      FSortingFieldList.Delete(i);
  if (FGroupingFieldList.Count() > 0) {
    FGroupingFieldList.SyncSortOrders(FSortingFieldList);
    FChanges |= dvcGrouping;
  }
  if (count != FSortingFieldList.Count())
    FDataController->FSortingChanged = true;
  CheckChanges();
}

void TcxCustomDataControllerInfo::ChangeGrouping(TcxCustomDataField* AField, int AGroupIndex) {
  if (AGroupIndex < 0 && FGroupingFieldList.IndexOf(AField) < 0)
    return;
  const bool gridMode = FDataController->IsGridMode();
  FSelection->Clear();
  FGroupingFieldList.ChangeGroupIndex(AField, AGroupIndex);
  FGroupingFieldList.SyncSortOrders(FSortingFieldList);
  FDataController->FGroupingChanged = true;
  if (FDataController->IsGridMode() != gridMode)
    FDataController->GridModeChanged();
  CheckChanges();
}

void TcxCustomDataControllerInfo::RemoveField(TcxCustomDataField* AField) {
  FSortingFieldList.Remove(AField);
  if (FGroupingFieldList.IndexOf(AField) >= 0) {
    const bool gridMode = FDataController->IsGridMode();
    FSelection->Clear();
    FGroupingFieldList.Remove(AField);
    if (FDataController->IsGridMode() != gridMode)
      FDataController->GridModeChanged();
  }
  FGroupingFieldList.SyncSortOrders(FSortingFieldList);
  if (std::find(FExpandingFields.begin(), FExpandingFields.end(), AField) != FExpandingFields.end()) {
    FExpandingFields.clear();
    FExpandingInfos.clear();
  }
  CheckChanges();
}

void TcxCustomDataControllerInfo::FieldStorageChanged(TcxCustomDataField* AField) {
  FChanges |= dvcFilter;
  RemoveField(AField);
}

int TcxCustomDataControllerInfo::GetListIndexByRecord(int ARecordIndex) const {
  int count = FDataController->GetRecordCount();
  if (ARecordIndex < 0 || ARecordIndex >= count)
    return -1;
  if (!FListIndexValid) {
    // One question after a change is answered by a scan; the second builds the index, so a re-sort that
    // only restores the focus does not pay for a map of every record.
    if (FListLookups++ == 0) {
      auto it = std::find(FRecordList.begin(), FRecordList.end(), ARecordIndex);
      return it == FRecordList.end() ? -1 : int(it - FRecordList.begin());
    }
    FListIndexOfRecord.assign(std::size_t(count), -1);
    for (std::size_t i = 0; i < FRecordList.size(); ++i) {
      int record = FRecordList[i];
      if (record >= 0 && record < count)
        FListIndexOfRecord[std::size_t(record)] = int(i);
    }
    FListIndexValid = true;
  }
  return ARecordIndex < int(FListIndexOfRecord.size()) ? FListIndexOfRecord[std::size_t(ARecordIndex)] : -1;
}

void TcxCustomDataControllerInfo::RebuildListIndexes() {
  FListIndexValid = false;
  FListLookups = 0;
}

int TcxCustomDataControllerInfo::GetRowCount() const {
  return IsGrouped() ? FGroups.GetRowCount() : int(FRecordList.size());
}

TcxRowInfo TcxCustomDataControllerInfo::GetRowInfo(int ARowIndex) const {
  CheckRowIndex(ARowIndex);
  TcxRowInfo info;
  if (!IsGrouped()) {
    info.RecordIndex = FRecordList[std::size_t(ARowIndex)];
    return info;
  }
  int group;
  if (FGroups.FindByRowIndex(ARowIndex, group) >= 0) {
    const TcxDataGroupInfo& g = FGroups.Items(group);
    info.Expanded = g.Expanded;
    info.Level = g.Level;
    info.RecordIndex = FRecordList[std::size_t(FGroups.GetFirstListIndex(group))];
  } else {
    const TcxDataGroupInfo& g = FGroups.Items(group);
    info.Level = FGroups.LevelCount();
    info.RecordIndex = FRecordList[std::size_t(g.BeginIndex + ARowIndex - g.RowIndex - 1)];
  }
  return info;
}

void TcxCustomDataControllerInfo::GetRowListRange(int ARowIndex, int& AFirst, int& ALast) const {
  CheckRowIndex(ARowIndex);
  if (!IsGrouped()) {
    AFirst = ALast = ARowIndex;
    return;
  }
  int group;
  if (FGroups.FindByRowIndex(ARowIndex, group) >= 0) {
    AFirst = FGroups.GetFirstListIndex(group);
    ALast = FGroups.GetLastListIndex(group);
  } else {
    const TcxDataGroupInfo& g = FGroups.Items(group);
    AFirst = ALast = g.BeginIndex + ARowIndex - g.RowIndex - 1;
  }
}

int TcxCustomDataControllerInfo::GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible) {
  int li = GetListIndexByRecord(ARecordIndex);
  if (li < 0 || !IsGrouped())
    return li;
  int group = FGroups.GetDeepestGroup(li);
  if (group < 0)
    return -1;
  if (!FGroups.Items(group).Expanded || !FGroups.IsVisible(group)) {
    if (!AMakeVisible)
      return -1;
    if (FGroups.MakeVisible(group, true))
      ExpandingChanged();
  }
  const TcxDataGroupInfo& g = FGroups.Items(group);
  return g.RowIndex + 1 + li - g.BeginIndex;
}

int TcxCustomDataControllerInfo::GetNearestRowIndex(int ARowIndex) const {
  int count = GetRowCount();
  if (!IsGrouped())
    return ARowIndex + 1 < count ? ARowIndex + 1 : ARowIndex - 1;
  int level = GetRowInfo(ARowIndex).Level;
  if (ARowIndex + 1 < count && GetRowInfo(ARowIndex + 1).Level == level)
    return ARowIndex + 1;
  if (ARowIndex - 1 >= 0 && GetRowInfo(ARowIndex - 1).Level == level)
    return ARowIndex - 1;
  if (ARowIndex + 1 < count)
    return ARowIndex + 1;
  if (ARowIndex == 0)
    return 0;
  return ARowIndex - 1;
}

int TcxCustomDataControllerInfo::GetFocusedRecordIndex() const {
  return FFocusingInfo.RowIndex < 0 ? -1 : FFocusingInfo.RecordIndex;
}

bool TcxCustomDataControllerInfo::CanFocusRow(int ARowIndex) {
  return FDataController->CanFocusRecord(ARowIndex < 0 ? -1 : GetRowInfo(ARowIndex).RecordIndex);
}

void TcxCustomDataControllerInfo::UpdateFocusingInfo(TcxDataFocusingInfo& AInfo) {
  if (AInfo.RowIndex < 0 || AInfo.RowIndex >= GetRowCount()) {
    AInfo.Level = AInfo.RecordIndex = AInfo.RowIndex = -1;
    return;
  }
  TcxRowInfo info = GetRowInfo(AInfo.RowIndex);
  AInfo.Level = info.Level;
  AInfo.RecordIndex = info.RecordIndex;
}

int TcxCustomDataControllerInfo::RowNamingRecord(int ARowIndex) const {
  if (ARowIndex < 0)
    return -1;
  int group;
  if (!IsGrouped() || FGroups.FindByRowIndex(ARowIndex, group) < 0)
    return GetRowInfo(ARowIndex).RecordIndex;
  return GroupNamingRecord(group, FDataController->Provider().EditingRecordIndex(), cxNoRecord);
}

int TcxCustomDataControllerInfo::FindNamedRow(int ALevel, int ARecordIndex) {
  const int li = GetListIndexByRecord(ARecordIndex);
  if (li < 0 || !IsGrouped())
    return li;
  if (ALevel >= FGroups.LevelCount())
    return GetRowIndexByRecordIndex(ARecordIndex, true);
  const int group = FGroups.GetGroupIndex(li, ALevel);
  if (group < 0)
    return -1;
  if (FGroups.MakeVisible(group, false))
    ExpandingChanged();
  return FGroups.Items(group).RowIndex;
}

bool TcxCustomDataControllerInfo::ChangeFocusedRow(int ARowIndex, bool AForce) {
  int count = GetRowCount();
  const bool beyond = ARowIndex >= count || ARowIndex < -1;
  if (ARowIndex >= count)
    ARowIndex = count - 1;
  if (ARowIndex < -1)
    ARowIndex = -1;
  if (ARowIndex == FFocusingInfo.RowIndex && !AForce)
    return !beyond;
  if (!(FChanges & dvcFocusedRow))
    FPrevFocusingInfo.Assign(FFocusingInfo);
  auto alive = FDataController->AliveToken();
  auto recordAt = [this](int ARow) { return ARow < 0 ? -1 : GetRowInfo(ARow).RecordIndex; };
  const int asked = recordAt(ARowIndex);
  // CanFocusRecord posts the record in edit, which may move rows, or take one away. The row asked for is
  // named by its level and a record it shows that the post leaves where it is, and found again by them.
  const int level = ARowIndex < 0 ? -1 : GetRowInfo(ARowIndex).Level;
  const int named = AForce ? -1 : RowNamingRecord(ARowIndex);
  std::optional<TTrackedRecords> tracked;
  if (!AForce)
    tracked.emplace(*FDataController, std::vector<int>{named});
  if (!AForce && !CanFocusRow(ARowIndex))
    return false;
  if (!*alive)
    return false;
  int oldRecord = FFocusingInfo.RecordIndex, oldLevel = FFocusingInfo.Level, oldRow = FFocusingInfo.RowIndex;
  if (!AForce && ARowIndex >= 0) {
    int record = tracked->Records[0];
    // Records read anew from their source stand where they stood there, so the index names the same one.
    if (record == cxRecordsReloaded)
      record = named;
    ARowIndex = FindNamedRow(level, record);
    if (ARowIndex < 0)
      return false;
    // Where the row's record has another index now, that record is asked for too, so that a dataset is
    // taken to the record focused.
    if (recordAt(ARowIndex) != asked && (!CanFocusRow(ARowIndex) || !*alive))
      return false;
  }
  count = GetRowCount();
  FFocusingInfo.RowIndex = ARowIndex < count ? ARowIndex : count - 1;
  UpdateFocusingInfo(FFocusingInfo);
  FFocusingInfo.PrevRecordIndex = FFocusingInfo.RecordIndex;
  if (FPrevFocusingInfo.RowIndex >= count)
    FPrevFocusingInfo.RowIndex = -1;
  if (oldRecord != FFocusingInfo.RecordIndex || oldLevel != FFocusingInfo.Level ||
      oldRow != FFocusingInfo.RowIndex) {
    FChanges |= dvcFocusedRow | dvcFocusedRecord;
    if (FDataController->IsSingleSelect() && FDataController->Summary().Options().Contains(soSelectedRecords))
      FChanges |= dvcSummary;
    FDataController->SyncFocusedRecord();
  }
  return !beyond && *alive && FFocusingInfo.RowIndex == ARowIndex;
}

bool TcxCustomDataControllerInfo::FocusRow(int ARowIndex) {
  auto alive = FDataController->AliveToken();
  bool focused = ChangeFocusedRow(ARowIndex, false);
  if (!*alive)
    return false;
  CheckChanges();
  return focused && *alive;
}

void TcxCustomDataControllerInfo::SetFocusedRowToFirst() {
  FFocusingInfo.Clear();
  FocusRow(0);
}

bool TcxCustomDataControllerInfo::IsRowSelected(int ARowIndex) const {
  return FSelection->IsRowSelected(ARowIndex);
}

void TcxCustomDataControllerInfo::ChangeRowSelection(int ARowIndex, bool ASelect) {
  CheckRowIndex(ARowIndex);
  int position;
  bool found = FSelection->FindByRowIndex(ARowIndex, position);
  if (found && !ASelect)
    FSelection->Delete(position);
  else if (!found && ASelect) {
    TcxRowInfo info = GetRowInfo(ARowIndex);
    if (IsGrouped() && info.Level < FGroups.LevelCount()) {
      int group;
      FGroups.FindByRowIndex(ARowIndex, group);
      FSelection->Add(position, ARowIndex, -1, group);
    } else {
      FSelection->Add(position, ARowIndex, info.Level, info.RecordIndex);
    }
  }
  CheckChanges();
}

void TcxCustomDataControllerInfo::ClearSelection() {
  if (FSelection->Count() == 0)
    return;
  FSelection->Clear();
  CheckChanges();
}

bool TcxCustomDataControllerInfo::ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive) {
  CheckRowIndex(ARowIndex);
  int group;
  if (!IsGrouped() || FGroups.FindByRowIndex(ARowIndex, group) < 0)
    return false;
  int last = group;
  if (ARecursive) {
    int level = FGroups.Items(group).Level;
    while (last + 1 < FGroups.Count() && FGroups.Items(last + 1).Level > level)
      ++last;
  }
  bool changed = false;
  for (int g = group; g <= last; ++g)
    if (FGroups.Items(g).Expanded != AExpanded) {
      FGroups.Items(g).Expanded = AExpanded;
      changed = true;
    }
  if (!changed)
    return false;
  FGroups.RecalculateRows();
  ExpandingChanged();
  CheckChanges();
  return true;
}

void TcxCustomDataControllerInfo::FullExpand(bool AExpanded) {
  if (!IsGrouped())
    return;
  FGroups.FullExpand(AExpanded);
  ExpandingChanged();
  CheckChanges();
}

void TcxCustomDataControllerInfo::DropState() {
  // The groups and the order name records that are gone: they are built again with the list.
  FChanges |= dvcData;
  if (FSortingFieldList.Count() > 0)
    FChanges |= dvcSorting;
  if (FGroupingFieldList.Count() > 0)
    FChanges |= dvcGrouping;
}

void TcxCustomDataControllerInfo::ValidateSelection() {
  if (FDataController->DeletingSelection)
    return;
  if (FDataController->GetRecordCount() == 0) {
    FSelection->ClearAll();
    return;
  }
  auto& items = FSelection->ItemsList();
  std::size_t before = items.size();
  std::erase_if(items, [&](const TcxDataSelectedItem& item) {
    return item.Level >= 0 && (item.RecordIndex < 0 || item.RecordIndex >= FDataController->GetRecordCount());
  });
  if (items.size() != before)
    FSelection->Changed();
}

void TcxCustomDataControllerInfo::DoFilter() {
  TcxCustomDataController* dc = FDataController;
  bool byEvent = dc->IsFilterRecordEventAssigned() && !dc->IsGridMode();
  bool byIncremental = dc->IsIncrementalFiltering();
  TcxDataFilterCriteria& criteria = dc->Filter();
  bool byCriteria = dc->IsCriteriaFiltering();
  if (!byEvent && !byIncremental && !byCriteria)
    return;
  if (byCriteria)
    criteria.Prepare();
  int editing = dc->Provider().IsEditing() ? dc->Provider().EditingRecordIndex() : cxNoRecord;
  std::size_t before = FRecordList.size();
  std::size_t out = 0;
  auto alive = dc->AliveToken();
  for (std::size_t i = 0; i < FRecordList.size(); ++i) {
    int record = FRecordList[i];
    bool byHandler = record != editing && byEvent;
    bool accepted = !byHandler || dc->DoFilterRecord(record);
    // The handler may free the controller, and this view with it.
    if (!*alive)
      return;
    bool keep = record == editing ||
                (accepted && (!byIncremental || dc->DoIncrementalFilterRecord(record)) &&
                 (!byCriteria || criteria.IsDataMatched(reinterpret_cast<void*>(std::intptr_t(record)))));
    if (keep)
      FRecordList[out++] = record;
  }
  FRecordList.resize(out);
  if (out != before && dc->FocusAfterFilter) {
    dc->FocusAfterFilter = false;
    dc->FocusFirstRowPending = true;
  }
}

namespace {
AnsiString ValueKey(const Variant& AValue) {
  AnsiString key = std::to_string(AValue.Type());
  key += ':';
  key += VarToStr(AValue);
  return key;
}
} // namespace

void TcxCustomDataControllerInfo::SaveBeforeRecordsChange(const std::vector<int>& AGoing) {
  // The groups still name records by their old indexes: their values are read now, before the records move.
  if (FExpandingSaved)
    return;
  TcxDataViewChanges changes = FChanges;
  FChanges |= dvcData;
  SaveExpandingAndSelection(AGoing);
  FChanges = changes;
  FExpandingSaved = true;
}

void TcxCustomDataControllerInfo::PutSavedState(TcxDataSavedExpanding AState) {
  FExpandingInfos = std::move(AState.Infos);
  FExpandingFields = std::move(AState.Fields);
  FExpandingMode = AState.Mode;
  FExpandingSaved = AState.Saved;
}

void TcxCustomDataControllerInfo::SaveExpandingAndSelection(const std::vector<int>& AGoing) {
  TcxCustomDataController* dc = FDataController;
  bool keep = dc->GetOptions() & dcoSaveExpanding;
  bool anySelected = FSelection->Count() > 0;
  FExpandingMode = 0;
  FExpandingInfos.clear();
  FExpandingFields.clear();
  bool regroup = (FChanges & (dvcData | dvcGrouping)) || ((FChanges & dvcSorting) && IsGrouped());
  if (keep && regroup)
    FExpandingMode |= 1;
  if (anySelected && (FChanges & (dvcData | dvcGrouping | dvcSorting | dvcExpanding)))
    FExpandingMode |= 2;
  if (FExpandingMode == 0 || FGroups.LevelCount() != FGroupingFieldList.Count() || FRecordList.empty())
    return;
  for (int l = 0; l < FGroups.LevelCount(); ++l)
    if (FGroups.Levels(l).Field != FGroupingFieldList.Items(l).Field)
      return;
  for (int l = 0; l < FGroupingFieldList.Count(); ++l)
    FExpandingFields.push_back(FGroupingFieldList.Items(l).Field);
  bool alwaysExpanded = dc->GetOptions() & dcoGroupsAlwaysExpanded;
  // Selected groups by their index: a group opened since they were selected has moved the rows of the
  // groups after it, which the selection learns only when it is mapped again.
  std::vector<bool> selectedGroups(std::size_t(FGroups.Count()), false);
  if (FExpandingMode & 2)
    for (const TcxDataSelectedItem& item : FSelection->ItemsList())
      if (item.Level == -1 && item.RecordIndex >= 0 && item.RecordIndex < FGroups.Count())
        selectedGroups[std::size_t(item.RecordIndex)] = true;
  std::vector<bool> eligible(std::size_t(FGroups.LevelCount() + 1), false);
  eligible[0] = true;
  // The record in edit, or one just changed, may no longer hold the value of the group it was grouped in.
  const int editing = dc->Provider().EditingRecordIndex(), changed = dc->PendingChangedRecord();
  for (int g = 0; g < FGroups.Count(); ++g) {
    const TcxDataGroupInfo& group = FGroups.Items(g);
    std::size_t level = std::size_t(group.Level);
    // Groups inside a closed group are passed over whole. Their children must not be taken as children of the
    // last group saved at their parent's level: their path would name the groups of the same values there.
    if (!eligible[level]) {
      eligible[level + 1] = false;
      continue;
    }
    std::uint8_t flags = 0;
    if (group.Expanded) {
      if (!alwaysExpanded)
        flags |= 1;
      eligible[level + 1] = true;
    } else {
      eligible[level + 1] = false;
    }
    if (selectedGroups[std::size_t(g)])
      flags |= 2;
    // Values along the path identify a group again after the regrouping, read from a record of the group
    // that still holds it where there is one.
    if (flags || group.Expanded) {
      const int at = FGroups.GetFirstListIndex(g), last = FGroups.GetLastListIndex(g);
      // A group the delete empties is gone. Its values may still name another group, beside which the record
      // in edit kept its place, and that one keeps its own state.
      bool gone = !AGoing.empty();
      for (int li = at; gone && li <= last; ++li)
        gone = std::binary_search(AGoing.begin(), AGoing.end(), FRecordList[std::size_t(li)]);
      if (gone)
        continue;
      const int named = GroupNamingRecord(g, editing, changed),
                valueRecord = GroupValueRecord(g, editing, changed);
      TcxDataExpandingInfo info;
      info.Level = group.Level;
      info.Value = dc->GetStoredValue(valueRecord, FExpandingFields[level]);
      info.Flags = flags;
      if (valueRecord != named) {
        info.ByEditStart = true;
        info.EditedValue = dc->GetStoredValue(named, FExpandingFields[level]);
      }
      FExpandingInfos.push_back(std::move(info));
    }
  }
}

int TcxCustomDataControllerInfo::GroupNamingRecord(int AGroup, int AEditing, int AChanged) const {
  // Records of a group may hold its value in forms that compare equal (words in another case), and the record
  // in edit keeps its place at the head of a group, holding the value in another form or no longer holding
  // it. The group is named by the same record when saved and when found again: the first that is neither
  // in edit nor just changed, where the group holds another.
  int at = FGroups.GetFirstListIndex(AGroup);
  const int last = FGroups.GetLastListIndex(AGroup);
  while (at < last && (FRecordList[std::size_t(at)] == AEditing || FRecordList[std::size_t(at)] == AChanged))
    ++at;
  return FRecordList[std::size_t(at)];
}

int TcxCustomDataControllerInfo::GroupValueRecord(int AGroup, int AEditing, int AChanged) const {
  const int named = GroupNamingRecord(AGroup, AEditing, AChanged);
  const int copy = FDataController->Provider().EditStartCopy();
  if (copy != 0 && named == AEditing && named == KeptEditingRecord() &&
      FGroups.GetFirstListIndex(AGroup) == FGroups.GetLastListIndex(AGroup))
    return copy;
  return named;
}

void TcxCustomDataControllerInfo::RestoreExpandingAndSelection() {
  if (FExpandingMode == 0)
    return;
  auto& items = FSelection->ItemsList();
  const std::vector<int> selectedBefore = SelectedRecords();
  bool fieldsMatch = int(FExpandingFields.size()) == FGroupingFieldList.Count();
  for (std::size_t l = 0; fieldsMatch && l < FExpandingFields.size(); ++l)
    fieldsMatch = FExpandingFields[l] == FGroupingFieldList.Items(int(l)).Field;
  int depth = IsGrouped() ? FGroups.LevelCount() : 0;
  std::erase_if(items,
                [&](const TcxDataSelectedItem& item) { return item.Level < 0 || item.Level != depth; });
  if (fieldsMatch && IsGrouped() && !FExpandingInfos.empty()) {
    // Paths of saved groups: level values joined from the top, so a group is found by its own value and the
    // values of its ancestors.
    std::unordered_map<std::string, std::uint8_t> saved;
    std::vector<std::string> path(std::size_t(FGroups.LevelCount() + 1));
    // While the edit lasts, the group that the record in edit alone fills keeps a name of its own: the value
    // it was placed by may be that of another group, which keeps its own state.
    const bool editOver = FDataController->Provider().EditStartCopy() == 0;
    const char* const byEditStart = "\x1e";
    for (const TcxDataExpandingInfo& info : FExpandingInfos) {
      std::string key = (info.Level > 0 ? path[std::size_t(info.Level - 1)] : std::string()) + '\x1f' +
                        (!info.ByEditStart ? ValueKey(info.Value)
                         : editOver        ? ValueKey(info.EditedValue)
                                           : ValueKey(info.Value) + byEditStart);
      path[std::size_t(info.Level)] = key;
      saved[key] = info.Flags;
    }
    bool changed = false;
    std::vector<int> groupRowsToSelect;
    const int editing = FDataController->Provider().EditingRecordIndex(),
              changedRecord = FDataController->PendingChangedRecord();
    for (int g = 0; g < FGroups.Count(); ++g) {
      TcxDataGroupInfo& group = FGroups.Items(g);
      int named = GroupValueRecord(g, editing, changedRecord);
      std::string key =
          (group.Level > 0 ? path[std::size_t(group.Level - 1)] : std::string()) + '\x1f' +
          ValueKey(FDataController->GetStoredValue(named, FGroupingFieldList.Items(group.Level).Field)) +
          (named != GroupNamingRecord(g, editing, changedRecord) ? byEditStart : "");
      path[std::size_t(group.Level)] = key;
      auto it = saved.find(key);
      if (it == saved.end())
        continue;
      if ((it->second & 1) && (FExpandingMode & 1) && !group.Expanded) {
        group.Expanded = true;
        changed = true;
      }
      if (it->second & 2)
        groupRowsToSelect.push_back(g);
    }
    if (changed)
      FGroups.RecalculateRows();
    for (int g : groupRowsToSelect)
      if (FGroups.IsVisible(g))
        items.push_back({-1, g, FGroups.Items(g).RowIndex});
  }
  RemapSelection();
  if (FSelection->AnchorRowIndex != -1 && !FSelection->IsRowSelected(FSelection->AnchorRowIndex))
    FSelection->ClearAnchor();
  if (SelectedRecords() != selectedBefore)
    FSelection->Changed();
}

std::vector<int> TcxCustomDataControllerInfo::SelectedRecords() const {
  // Group rows by their number alone: a regrouping renumbers the groups it keeps selected.
  std::vector<int> records;
  int groups = 0;
  for (const TcxDataSelectedItem& item : FSelection->ItemsList())
    if (item.Level >= 0)
      records.push_back(item.RecordIndex);
    else
      ++groups;
  std::sort(records.begin(), records.end());
  records.push_back(groups);
  return records;
}

void TcxCustomDataControllerInfo::RemapSelection() {
  auto& items = FSelection->ItemsList();
  const std::size_t before = items.size();
  for (TcxDataSelectedItem& item : items)
    if (item.Level >= 0)
      item.RowIndex = GetRowIndexByRecordIndex(item.RecordIndex, false);
    else if (item.RecordIndex < FGroups.Count())
      item.RowIndex = FGroups.IsVisible(item.RecordIndex) ? FGroups.Items(item.RecordIndex).RowIndex : -1;
    else
      item.RowIndex = -1;
  std::erase_if(items, [](const TcxDataSelectedItem& item) { return item.RowIndex < 0; });
  FSelection->SortByRow();
  // Rows hidden in a collapsed group or filtered away are no longer selected; whoever follows the selection
  // must learn it.
  if (items.size() != before)
    FSelection->Changed();
}

void TcxCustomDataControllerInfo::RestoreFocus(bool AGroupRowFocused) {
  TcxCustomDataController* dc = FDataController;
  int record = FFocusingInfo.RecordIndex;
  // The focus stays with a record in edit that is shown: on the group of the level focused that holds it, or
  // on its own row. A group row names the record that leads it, which a change during the edit can make
  // another; found by that one, the focus would part from the edit.
  if (const int editing = dc->Provider().IsEditing() ? dc->Provider().EditingRecordIndex() : -1;
      record >= 0 && editing >= 0 && GetListIndexByRecord(editing) >= 0)
    record = editing;
  int row = -1;
  int listIndex = record >= 0 ? GetListIndexByRecord(record) : -1;
  if (listIndex >= 0) {
    int level = FFocusingInfo.Level;
    if (IsGrouped() && AGroupRowFocused && level < FGroups.LevelCount()) {
      int group = FGroups.GetGroupIndex(listIndex, level);
      if (group >= 0) {
        if (FGroups.MakeVisible(group, false))
          ExpandingChanged();
        row = FGroups.Items(group).RowIndex;
      }
    } else {
      row = GetRowIndexByRecordIndex(record, true);
    }
  }
  if (row != FFocusingInfo.RowIndex) {
    int current = FFocusingInfo.RowIndex;
    bool stays = current >= 0 && current < GetRowCount() && record >= 0 &&
                 GetRowInfo(current).RecordIndex == record && row == -1;
    if (!stays) {
      TcxDataFocusingInfo keep = FPrevFocusingInfo;
      bool pending = FChanges & dvcFocusedRow;
      FFocusingInfo.RowIndex = -2; // forces the change through
      ChangeFocusedRow(row, true);
      if (!pending)
        FPrevFocusingInfo.Assign(keep);
      FPrevFocusingInfo.RowIndex = keep.RowIndex;
      FPrevFocusingInfo.RecordIndex = keep.RecordIndex;
    }
  } else {
    const int before = FFocusingInfo.RecordIndex;
    UpdateFocusingInfo(FFocusingInfo);
    // A group row kept focused through a regrouping now names the record that leads its group.
    if (FFocusingInfo.RecordIndex != before && FFocusingInfo.RecordIndex >= 0)
      dc->SyncFocusedRecord();
  }
  if ((FChanges & dvcFocusedRow) && FPrevFocusingInfo.RowIndex >= GetRowCount())
    FPrevFocusingInfo.RowIndex = -1;
  if (dc->FocusFirstRowPending && FFocusingInfo.RowIndex < 0) {
    dc->FocusFirstRowPending = false;
    if (dc->Provider().LocateCount() == 0)
      ChangeFocusedRow(0, false);
  }
}

void TcxCustomDataControllerInfo::Update() {
  TcxCustomDataController* dc = FDataController;
  auto alive = dc->AliveToken();
  FRowsPending = false;
  if (IsGrouped() && (FChanges & dvcSorting))
    FChanges |= dvcGrouping;
  // Rebuilt groups start without values.
  if (FChanges & dvcGrouping)
    FChanges |= dvcSummary;
  // Told apart by the levels the focus was taken in: a data row's level is a group level of a deeper
  // grouping.
  bool groupRowFocused = FFocusingInfo.Level >= 0 && FFocusingInfo.Level < FGroups.LevelCount();
  if (!FExpandingSaved)
    SaveExpandingAndSelection();
  FExpandingSaved = false;
  if (FChanges & dvcData) {
    int count = dc->GetRecordCount();
    FRecordList.resize(std::size_t(count));
    for (int i = 0; i < count; ++i)
      FRecordList[std::size_t(i)] = i;
    DoFilter();
    if (!*alive)
      return;
  }
  if (FChanges & (dvcGrouping | dvcSorting))
    DoSort();
  if (!*alive)
    return;
  if (FChanges & (dvcData | dvcGrouping | dvcSorting))
    RebuildListIndexes();
  if (FChanges & dvcGrouping)
    DoGroup();
  else if (!IsGrouped())
    FGroups.Clear();
  if ((FChanges & (dvcGrouping | dvcSorting)) && (dc->GetOptions() & dcoFocusTopRowAfterSorting) &&
      !dc->FDispatching && (dc->FSortingChanged || dc->FGroupingChanged)) {
    FFocusingInfo.Clear();
    FFocusingInfo.RecordIndex = GetRowCount() > 0 ? GetRowInfo(0).RecordIndex : -1;
    FSelection->InternalClear();
  }
  RestoreExpandingAndSelection();
  RestoreFocus(groupRowFocused);
  dc->CheckBookmarkValid(-1);
  FExpandingInfos.clear();
  FExpandingFields.clear();
  if (FRowsPending)
    RemapSelection();
  // Read late: restoring the selection may have dropped rows, which summaries of selected records follow.
  if ((FChanges & dvcSummary) && !dc->IsDestroying()) {
    dc->Summary().Calculate();
    if (!*alive)
      return;
    if (FGroups.SummarySortOrder != soNone && FGroups.LevelCount() == 1 && FGroups.Count() > 0) {
      FGroups.SortBySummary(FRecordList);
      RebuildListIndexes();
      RemapSelection();
      UpdateFocusingInfo(FFocusingInfo);
      FFocusingInfo.RowIndex = GetRowIndexByRecordIndex(FFocusingInfo.RecordIndex, false);
      if (FFocusingInfo.RowIndex < 0)
        FFocusingInfo.Clear();
    }
  }
  FSortKeys.clear();
  FListKeys.clear();
  FListKeyShifts.clear();
  FDistinct.reset();
  if (FChanges & (dvcData | dvcSorting | dvcGrouping | dvcFilter))
    ++FDataStamp;
  TcxDataViewChanges changes = FChanges;
  FChanges = 0;
  dc->ViewChanged(changes);
}
