#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using namespace cxdata;

void TcxDataGroups::Clear() {
  FLevels.clear();
  FItems.clear();
  FDeepest.clear();
  FRowCount = 0;
}

TcxDataGroupInfo& TcxDataGroups::AddGroup() {
  FItems.emplace_back();
  return FItems.back();
}

int TcxDataGroups::GetChildCount(int AGroup) const {
  if (AGroup == -1) {
    int count = 0;
    for (const TcxDataGroupInfo& g : FItems)
      count += g.Level == 0;
    return count;
  }
  if (AGroup < 0 || AGroup >= Count())
    return 0;
  const TcxDataGroupInfo& g = FItems[std::size_t(AGroup)];
  if (g.Level == LevelCount() - 1)
    return g.EndIndex - g.BeginIndex + 1;
  int count = 0;
  for (int i = g.BeginIndex; i <= g.EndIndex; ++i)
    count += FItems[std::size_t(i)].Level == g.Level + 1;
  return count;
}

int TcxDataGroups::GetChildIndex(int AGroup, int AIndex) const {
  int level = 0, first = 0, last = Count() - 1;
  if (AGroup != -1) {
    if (AGroup < 0 || AGroup >= Count())
      return -1;
    const TcxDataGroupInfo& g = FItems[std::size_t(AGroup)];
    if (g.Level == LevelCount() - 1)
      return -1;
    level = g.Level + 1;
    first = g.BeginIndex;
    last = g.EndIndex;
  }
  for (int i = first; i <= last; ++i)
    if (FItems[std::size_t(i)].Level == level && AIndex-- == 0)
      return i;
  return -1;
}

int TcxDataGroups::GetChildRecordListIndex(int AGroup, int AIndex) const {
  if (AGroup < 0 || AGroup >= Count())
    return -1;
  const TcxDataGroupInfo& g = FItems[std::size_t(AGroup)];
  if (g.Level != LevelCount() - 1 || AIndex < 0 || AIndex > g.EndIndex - g.BeginIndex)
    return -1;
  return g.BeginIndex + AIndex;
}

int TcxDataGroups::GetLevel(int AGroup) const {
  return AGroup < 0 || AGroup >= Count() ? -1 : FItems[std::size_t(AGroup)].Level;
}

int TcxDataGroups::GetDeepestGroup(int AListIndex) const {
  auto it = std::upper_bound(FDeepest.begin(), FDeepest.end(), AListIndex,
                             [&](int li, int g) { return li < FItems[std::size_t(g)].BeginIndex; });
  if (it == FDeepest.begin())
    return -1;
  int g = *(it - 1);
  return AListIndex <= FItems[std::size_t(g)].EndIndex ? g : -1;
}

int TcxDataGroups::GetParent(int AGroup) const {
  int level = FItems[std::size_t(AGroup)].Level;
  for (int i = AGroup - 1; i >= 0; --i)
    if (FItems[std::size_t(i)].Level < level)
      return i;
  return -1;
}

int TcxDataGroups::GetGroupIndex(int AListIndex, int ALevel) const {
  int g = GetDeepestGroup(AListIndex);
  while (g >= 0 && FItems[std::size_t(g)].Level > ALevel)
    g = GetParent(g);
  return g >= 0 && FItems[std::size_t(g)].Level == ALevel ? g : -1;
}

int TcxDataGroups::GetFirstListIndex(int AGroup) const {
  while (FItems[std::size_t(AGroup)].Level < LevelCount() - 1)
    AGroup = FItems[std::size_t(AGroup)].BeginIndex;
  return FItems[std::size_t(AGroup)].BeginIndex;
}

int TcxDataGroups::GetLastListIndex(int AGroup) const {
  while (FItems[std::size_t(AGroup)].Level < LevelCount() - 1)
    AGroup = FItems[std::size_t(AGroup)].EndIndex;
  return FItems[std::size_t(AGroup)].EndIndex;
}

int TcxDataGroups::FindByRowIndex(int ARowIndex, int& AGroup) const {
  // Row indexes never decrease along the pre-order list; the first group carrying a row is the one shown
  // there, the groups after it with the same row are hidden under it.
  auto it = std::lower_bound(FItems.begin(), FItems.end(), ARowIndex,
                             [](const TcxDataGroupInfo& g, int row) { return g.RowIndex < row; });
  if (it != FItems.end() && it->RowIndex == ARowIndex) {
    AGroup = int(it - FItems.begin());
    return AGroup;
  }
  AGroup = int(it - FItems.begin()) - 1;
  // Data rows belong to the expanded deepest group just before them.
  while (AGroup > 0 && FItems[std::size_t(AGroup)].Level != LevelCount() - 1)
    --AGroup;
  return -1;
}

bool TcxDataGroups::IsVisible(int AGroup) const {
  if (AGroup < 0 || AGroup >= Count())
    return false;
  int row = FItems[std::size_t(AGroup)].RowIndex;
  return AGroup == 0 || FItems[std::size_t(AGroup - 1)].RowIndex != row;
}

void TcxDataGroups::FullExpand(bool AExpanded) {
  for (TcxDataGroupInfo& g : FItems)
    g.Expanded = AExpanded;
  RecalculateRows();
}

bool TcxDataGroups::MakeVisible(int AGroup, bool AExpandSelf) {
  bool changed = false;
  if (AExpandSelf && !FItems[std::size_t(AGroup)].Expanded) {
    FItems[std::size_t(AGroup)].Expanded = true;
    changed = true;
  }
  for (int g = GetParent(AGroup); g >= 0; g = GetParent(g))
    if (!FItems[std::size_t(g)].Expanded) {
      FItems[std::size_t(g)].Expanded = true;
      changed = true;
    }
  if (changed)
    RecalculateRows();
  return changed;
}

void TcxDataGroups::RecalculateRows() {
  int row = 0;
  int deepest = LevelCount() - 1;
  // The shallowest collapsed level above the current group, or -1: its descendants share its row.
  int hiddenBelow = -1, hiddenRow = 0;
  FDeepest.clear();
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    TcxDataGroupInfo& g = FItems[i];
    if (g.Level == deepest)
      FDeepest.push_back(int(i));
    if (hiddenBelow >= 0 && g.Level > hiddenBelow) {
      g.RowIndex = hiddenRow;
      continue;
    }
    hiddenBelow = -1;
    g.RowIndex = row++;
    if (!g.Expanded) {
      hiddenBelow = g.Level;
      hiddenRow = g.RowIndex;
    } else if (g.Level == deepest) {
      row += g.EndIndex - g.BeginIndex + 1;
    }
  }
  // The running counter, not the last group's row: a last group hidden under a collapsed ancestor adds no
  // rows of its own.
  FRowCount = row;
}

void TcxDataGroups::SortBySummary(std::vector<int>& ARecordList) {
  std::vector<int> order(FItems.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = int(i);
  auto valueOf = [&](int g) -> Variant {
    const Variant& values = FItems[std::size_t(g)].SummaryValues;
    return TcxDataSummary::IsValueIndexValid(values, SummarySortIndex) ? values[SummarySortIndex] : Null;
  };
  bool descending = SummarySortOrder == soDescending;
  // Stable: groups with equal values keep their previous order in both directions.
  MergeSort(order, [&](int a, int b) {
    int c = StrictVarCompare(valueOf(a), valueOf(b));
    return descending ? c > 0 : c < 0;
  });
  std::vector<TcxDataGroupInfo> items;
  std::vector<int> records;
  items.reserve(FItems.size());
  records.reserve(ARecordList.size());
  for (int g : order) {
    TcxDataGroupInfo info = FItems[std::size_t(g)];
    int begin = int(records.size());
    for (int li = info.BeginIndex; li <= info.EndIndex; ++li)
      records.push_back(ARecordList[std::size_t(li)]);
    info.BeginIndex = begin;
    info.EndIndex = int(records.size()) - 1;
    items.push_back(std::move(info));
  }
  FItems.swap(items);
  ARecordList.swap(records);
  RecalculateRows();
}

void TcxCustomDataControllerInfo::DoGroup() {
  FGroups.Clear();
  int levels = FGroupingFieldList.Count();
  for (int l = 0; l < levels; ++l)
    FGroups.AddLevel(FGroupingFieldList.Items(l));
  if (FRecordList.empty() || levels == 0)
    return;
  TcxCustomDataController* dc = FDataController;
  if (levels == 1 && FDistinct && FDistinct->Begins.size() >= 2 &&
      FDistinct->Begins.back() == int(FRecordList.size())) {
    for (std::size_t k = 0; k + 1 < FDistinct->Begins.size(); ++k) {
      TcxDataGroupInfo& g = FGroups.AddGroup();
      g.RowIndex = int(k);
      g.BeginIndex = FDistinct->Begins[k];
      g.EndIndex = FDistinct->Begins[k + 1] - 1;
    }
    if (dc->GetOptions() & dcoGroupsAlwaysExpanded)
      FGroups.FullExpand(true);
    else
      FGroups.RecalculateRows();
    return;
  }
  PrepareCompareKinds();
  struct Reset {
    TcxCustomDataControllerInfo* Self;
    ~Reset() { Self->ResetCompareKinds(); }
  } reset{this};
  std::vector<int> open(std::size_t(levels), -1);
  int top = 0;
  auto openFrom = [&](int level, int listIndex) {
    for (int l = level; l < levels; ++l) {
      int index = FGroups.Count();
      TcxDataGroupInfo& g = FGroups.AddGroup();
      g.Level = l;
      g.RowIndex = top;
      g.BeginIndex = l == levels - 1 ? listIndex : index + 1;
      open[std::size_t(l)] = index;
    }
  };
  auto closeFrom = [&](int level, int listIndex) {
    for (int l = levels - 1; l >= level; --l) {
      TcxDataGroupInfo& g = FGroups.Items(open[std::size_t(l)]);
      g.EndIndex = l == levels - 1 ? listIndex - 1 : open[std::size_t(l + 1)];
    }
  };
  // The record in edit keeps its place beside its neighbours and is shown in one group with them: it never
  // splits a group its neighbours share, and elsewhere it goes by its values from when its edit began, so
  // that it stays in the group it was in until it is posted.
  const int kept = KeptEditingRecord();
  const int keptValues =
      kept != cxNoRecord && dc->Provider().EditStartCopy() != 0 ? dc->Provider().EditStartCopy() : kept;
  // Dense keys of the sort just done compare without variants; other fields go through the controller.
  bool packed = FListKeys.size() == FRecordList.size() && int(FListKeyShifts.size()) >= levels;
  bool dense = int(FSortKeys.size()) >= levels;
  std::vector<int> firstListIndex(static_cast<std::size_t>(levels), 0);
  auto differs = [&](int l, int a, int b) {
    if (packed) {
      int shift = FListKeyShifts[std::size_t(l)];
      return shift < 64 && (FListKeys[std::size_t(a)] >> shift) != (FListKeys[std::size_t(b)] >> shift);
    }
    a = a == kept ? keptValues : a;
    b = b == kept ? keptValues : b;
    if (!dense || a < 0 || b < 0)
      return dc->CompareRecordsBySortInfo(a, b, FGroupingFieldList.Items(l)) != 0;
    const TOrderKeys& keys = FSortKeys[std::size_t(l)];
    return keys.IsNull[std::size_t(a)] != keys.IsNull[std::size_t(b)] ||
           keys.Key[std::size_t(a)] != keys.Key[std::size_t(b)];
  };
  // The place a stored record in edit keeps was taken among the groups shown when its edit began. A
  // regrouping since may put it inside a group of values the record did not hold then, where it would hide in
  // a group not its own: it goes before that group instead, into groups of its own values.
  if (int at = !packed && kept != cxNoRecord && keptValues != kept ? GetListIndexByRecord(kept) : -1;
      at > 0 && at + 1 < int(FRecordList.size())) {
    const int next = FRecordList[std::size_t(at + 1)];
    int shared = 0;
    while (shared < levels && !differs(shared, FRecordList[std::size_t(at - 1)], next) &&
           !differs(shared, kept, next))
      ++shared;
    if (shared < levels && !differs(shared, FRecordList[std::size_t(at - 1)], next)) {
      auto inGroup = [&](int record) {
        for (int l = 0; l <= shared; ++l)
          if (differs(l, record, next))
            return false;
        return true;
      };
      int first = at - 1;
      while (first > 0 && inGroup(FRecordList[std::size_t(first - 1)]))
        --first;
      std::rotate(FRecordList.begin() + first, FRecordList.begin() + at, FRecordList.begin() + at + 1);
      RebuildListIndexes();
    }
  }
  // The levels whose groups the neighbours of the record in edit share.
  int keptShared = 0;
  if (int at = kept != cxNoRecord ? GetListIndexByRecord(kept) : -1;
      at > 0 && at + 1 < int(FRecordList.size()))
    while (keptShared < levels &&
           !differs(keptShared, FRecordList[std::size_t(at - 1)], FRecordList[std::size_t(at + 1)]))
      ++keptShared;
  std::vector<int> firstRecord(static_cast<std::size_t>(levels), FRecordList[0]);
  openFrom(0, 0);
  for (int j = 1; j < int(FRecordList.size()); ++j) {
    int record = FRecordList[std::size_t(j)];
    for (int l = record == kept ? keptShared : 0; l < levels; ++l) {
      if (packed ? differs(l, j, firstListIndex[std::size_t(l)])
                 : differs(l, record, firstRecord[std::size_t(l)])) {
        closeFrom(l, j);
        if (l == 0)
          ++top;
        openFrom(l, j);
        std::fill(firstRecord.begin() + l, firstRecord.end(), record);
        std::fill(firstListIndex.begin() + l, firstListIndex.end(), j);
        break;
      }
    }
  }
  closeFrom(0, int(FRecordList.size()));
  if (dc->GetOptions() & dcoGroupsAlwaysExpanded)
    FGroups.FullExpand(true);
  else
    FGroups.RecalculateRows();
}

bool TcxCustomDataController::ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive) {
  return FView->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
}

int TcxDataControllerGroups::LevelCount() const {
  return FDataController->View().GroupingFieldList().Count();
}

int TcxDataControllerGroups::GroupingItemIndex(int ALevel) const {
  TcxGroupingFieldList& list = FDataController->View().GroupingFieldList();
  if (ALevel < 0 || ALevel >= list.Count())
    return -1;
  return FDataController->GetItemIndexOfField(list.Items(ALevel).Field);
}

int TcxDataControllerGroups::Level(int AGroup) const {
  return FDataController->View().Groups().GetLevel(AGroup);
}

int TcxDataControllerGroups::ChildCount(int AGroup) const {
  return FDataController->View().Groups().GetChildCount(AGroup);
}

int TcxDataControllerGroups::ChildIndex(int AGroup, int AIndex) const {
  return FDataController->View().Groups().GetChildIndex(AGroup, AIndex);
}

int TcxDataControllerGroups::ChildRecordIndex(int AGroup, int AIndex) const {
  int li = FDataController->View().Groups().GetChildRecordListIndex(AGroup, AIndex);
  return li < 0 ? -1 : FDataController->View().GetRecordListRecord(li);
}

int TcxDataControllerGroups::GroupIndexByRowIndex(int ARowIndex) const {
  int group;
  FDataController->View().Groups().FindByRowIndex(ARowIndex, group);
  return group;
}

void TcxDataControllerGroups::LoadRecordIndexes(std::vector<int>& AList, int AGroup) const {
  const TcxDataGroups& groups = FDataController->View().Groups();
  if (AGroup < 0 || AGroup >= groups.Count())
    return;
  for (int li = groups.GetFirstListIndex(AGroup); li <= groups.GetLastListIndex(AGroup); ++li)
    AList.push_back(FDataController->View().GetRecordListRecord(li));
}
