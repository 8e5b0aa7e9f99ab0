#include <algorithm>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"

using cxdata::StrictVarCompare;

namespace {

Variant RecordKey(TcxCustomDataController* AController, int ARecordIndex,
                  const std::vector<TcxCustomDataField*>& AKeyFields) {
  return AController->GetRecordValuesByFields(ARecordIndex, AKeyFields);
}

bool KeyLess(const Variant& A, const Variant& B) {
  return StrictVarCompare(A, B) < 0;
}

// Records by key, sorted once so that every saved key is found by bisection rather than by a scan.
class TKeyIndex {
public:
  TKeyIndex(TcxCustomDataController* AController, const std::vector<TcxCustomDataField*>& AKeyFields) {
    FItems.reserve(std::size_t(AController->GetRecordCount()));
    for (int r = 0; r < AController->GetRecordCount(); ++r)
      FItems.push_back({RecordKey(AController, r, AKeyFields), r});
    std::stable_sort(FItems.begin(), FItems.end(),
                     [](const Item& a, const Item& b) { return KeyLess(a.Key, b.Key); });
  }
  int Find(const Variant& AKey) const {
    if (AKey.IsEmpty() || AKey.IsNull())
      return -1;
    auto it = std::lower_bound(FItems.begin(), FItems.end(), AKey,
                               [](const Item& a, const Variant& k) { return KeyLess(a.Key, k); });
    return it != FItems.end() && StrictVarCompare(it->Key, AKey) == 0 ? it->Record : -1;
  }

private:
  struct Item {
    Variant Key;
    int Record;
  };
  std::vector<Item> FItems;
};

} // namespace

void TcxSaveObject::Save(TcxCustomDataController* AController) {
  FDetailKeys.clear();
  FSelectedKeys.clear();
  FFocused = false;
  if (AController->IsDestroying() || !AController->IsKeyNavigation())
    return;
  std::vector<TcxCustomDataField*> keyFields = AController->GetKeyFields();
  if (AController->HasRelations())
    for (int r = 0; r < AController->GetRecordCount(); ++r) {
      if (!AController->IsDetailExpanded(r))
        continue;
      TcxDetailKeyInfo info{RecordKey(AController, r, keyFields),
                            AController->GetDetailActiveRelationIndex(r), nullptr};
      if (AController->IsDetailDataControllerExist(r, info.ActiveRelationIndex))
        if (TcxCustomDataController* detail =
                AController->GetDetailDataController(r, info.ActiveRelationIndex))
          if (detail->InheritsFrom(AController->ClassType())) {
            info.SaveObject.reset(new TcxSaveObject());
            info.SaveObject->Save(detail);
          }
      FDetailKeys.push_back(std::move(info));
    }
  int levels = AController->View().Groups().LevelCount();
  for (int i = 0; i < AController->GetSelectedCount(); ++i) {
    int row = AController->GetSelectedRowIndex(i);
    if (row < 0 || row >= AController->GetRowCount())
      continue;
    TcxRowInfo info = AController->GetRowInfo(row);
    if (info.Level >= levels && info.RecordIndex >= 0)
      FSelectedKeys.push_back({RecordKey(AController, info.RecordIndex, keyFields), i});
  }
  int focused = AController->GetFocusedRecordIndex();
  if (focused >= 0 && focused < AController->GetRecordCount()) {
    FFocusedKey = RecordKey(AController, focused, keyFields);
    FFocused = true;
    int row = AController->GetFocusedRowIndex();
    int level = row >= 0 ? AController->GetRowInfo(row).Level : levels;
    FFocusedGroupLevel = level < levels ? level : -1;
  }
}

void TcxSaveObject::Restore(TcxCustomDataController* AController) {
  if (!AController->IsKeyNavigation()) {
    AController->ChangeFocusedRowIndex(-1);
    return;
  }
  auto alive = AController->AliveToken();
  TKeyIndex index(AController, AController->GetKeyFields());
  for (TcxDetailKeyInfo& info : FDetailKeys) {
    int r = index.Find(info.KeyValue);
    if (r < 0)
      continue;
    AController->ChangeDetailActiveRelationIndex(r, info.ActiveRelationIndex);
    AController->ChangeDetailExpanding(r, true);
    if (!*alive)
      return;
    if (info.SaveObject && AController->IsDetailExpanded(r) &&
        AController->GetDetailActiveRelationIndex(r) == info.ActiveRelationIndex &&
        AController->IsDetailDataControllerExist(r, info.ActiveRelationIndex))
      if (TcxCustomDataController* detail = AController->GetDetailDataController(r, info.ActiveRelationIndex))
        info.SaveObject->Restore(detail);
    if (!*alive)
      return;
  }
  if (!FSelectedKeys.empty() && !AController->IsSingleSelect()) {
    std::vector<const TcxSelectedKeyInfo*> ordered;
    for (const TcxSelectedKeyInfo& info : FSelectedKeys)
      ordered.push_back(&info);
    std::sort(ordered.begin(), ordered.end(),
              [](auto* a, auto* b) { return a->SelectionIndex < b->SelectionIndex; });
    // Selected group rows the view has found again by their values stay, known by a record and a level, as
    // the records made visible below open groups and move the rows.
    TcxCustomDataControllerInfo& view = AController->View();
    const int levels = view.Groups().LevelCount();
    std::vector<std::pair<int, int>> groups;
    for (int i = 0; i < AController->GetSelectedCount(); ++i) {
      TcxRowInfo info = AController->GetRowInfo(AController->GetSelectedRowIndex(i));
      if (info.Level < levels)
        groups.push_back({info.RecordIndex, info.Level});
    }
    AController->ClearSelection();
    for (const TcxSelectedKeyInfo* info : ordered) {
      int r = index.Find(info->KeyValue);
      // A record selected in a group that is not open stays hidden and unselected, as the view's own
      // restore of a selection leaves it: selecting it must not open the group.
      int row = r < 0 ? -1 : AController->GetRowIndexByRecordIndex(r, false);
      if (row >= 0)
        AController->ChangeRowSelection(row, true);
      if (!*alive)
        return;
    }
    for (auto [record, level] : groups) {
      int group = view.Groups().GetGroupIndex(view.GetListIndexByRecord(record), level);
      if (group >= 0 && view.Groups().IsVisible(group))
        AController->ChangeRowSelection(view.Groups().Items(group).RowIndex, true);
      if (!*alive)
        return;
    }
  }
  if (FFocused) {
    int r = index.Find(FFocusedKey);
    // A focused group row comes back as the row of its group while its record still leads the group:
    // focusing that record would open the group. A record that now leads it (a new one) is not the focus.
    int row = -1;
    TcxCustomDataControllerInfo& view = AController->View();
    if (r >= 0 && FFocusedGroupLevel >= 0 && FFocusedGroupLevel < view.Groups().LevelCount()) {
      int group = view.Groups().GetGroupIndex(view.GetListIndexByRecord(r), FFocusedGroupLevel);
      if (group >= 0 && AController->GetRowInfo(view.Groups().Items(group).RowIndex).RecordIndex == r)
        row = view.Groups().Items(group).RowIndex;
    }
    if (row >= 0)
      AController->ChangeFocusedRowIndex(row);
    else if (r >= 0)
      AController->ChangeFocusedRecordIndex(r);
    else
      AController->ChangeFocusedRowIndex(-1);
  }
}
