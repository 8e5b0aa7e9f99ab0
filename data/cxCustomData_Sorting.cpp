#include <algorithm>
#include <cstring>

#include "data/cxCustomData.h"
#include "data/cxCustomData_Internal.h"
#include "data/cxVariants.h"

using namespace cxdata;

void TcxSortingFieldList::Changed() {
  if (OnChanged)
    OnChanged(this);
}

void TcxSortingFieldList::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  int index = IndexOf(AField);
  if (index < 0) {
    if (ASortOrder != soNone)
      Add(AField, ASortOrder);
  } else if (ASortOrder == soNone) {
    Delete(index);
  } else if (FItems[std::size_t(index)].SortOrder != ASortOrder) {
    FItems[std::size_t(index)].SortOrder = ASortOrder;
    Changed();
  }
}

void TcxSortingFieldList::Add(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  FItems.push_back({AField, ASortOrder});
  Changed();
}

void TcxSortingFieldList::Insert(int AIndex, TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  AIndex = std::clamp(AIndex, 0, Count());
  FItems.insert(FItems.begin() + AIndex, {AField, ASortOrder});
  Changed();
}

void TcxSortingFieldList::Delete(int AIndex) {
  FItems.erase(FItems.begin() + AIndex);
  Changed();
}

void TcxSortingFieldList::Move(int AFrom, int ATo) {
  if (AFrom == ATo)
    return;
  TcxDataSortInfo info = FItems.at(std::size_t(AFrom));
  FItems.erase(FItems.begin() + AFrom);
  FItems.insert(FItems.begin() + std::clamp(ATo, 0, Count()), info);
  Changed();
}

void TcxSortingFieldList::Remove(TcxCustomDataField* AField) {
  int index = IndexOf(AField);
  if (index >= 0)
    Delete(index);
}

void TcxSortingFieldList::Clear() {
  while (Count() > 0)
    Delete(0);
}

int TcxSortingFieldList::IndexOf(const TcxCustomDataField* AField) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Field == AField)
      return int(i);
  return -1;
}

TcxDataSortOrder TcxSortingFieldList::GetSortOrder(const TcxCustomDataField* AField) const {
  int index = IndexOf(AField);
  return index < 0 ? soNone : FItems[std::size_t(index)].SortOrder;
}

void TcxSortingFieldList::AddFields(const TcxSortingFieldList& AList) {
  for (const TcxDataSortInfo& info : AList.FItems)
    if (IndexOf(info.Field) < 0)
      FItems.push_back(info);
  Changed();
}

void TcxGroupingFieldList::ChangeSorting(TcxCustomDataField* AField, TcxDataSortOrder ASortOrder) {
  if (IndexOf(AField) >= 0 && ASortOrder == soNone)
    ASortOrder = soAscending;
  TcxSortingFieldList::ChangeSorting(AField, ASortOrder);
}

void TcxGroupingFieldList::ChangeGroupIndex(TcxCustomDataField* AField, int AIndex) {
  int index = IndexOf(AField);
  if (AIndex < 0) {
    if (index >= 0)
      Delete(index);
  } else if (index >= 0) {
    Move(index, std::min(AIndex, Count() - 1));
  } else {
    Insert(std::min(AIndex, Count()), AField, soAscending);
  }
}

void TcxGroupingFieldList::SyncSortOrders(const TcxSortingFieldList& ASortingList) {
  for (TcxDataSortInfo& info : FItems) {
    TcxDataSortOrder order = ASortingList.GetSortOrder(info.Field);
    info.SortOrder = order == soNone ? soAscending : order;
  }
}

bool TcxCustomDataController::CanCompareField(TcxCustomDataField* AField) {
  if (AField->CompareKind != 0)
    return AField->CompareKind > 0;
  if (AField->Flag || UseStringCompare(AField) || IsSortByDisplayText(AField))
    return true;
  return IsProviderMode() && !FProvider->IsCustomSorting();
}

bool TcxCustomDataController::UseStringCompare(TcxCustomDataField* AField) {
  TcxValueTypeClass type = AField->ValueTypeClass();
  return (FOptions & (dcoAnsiSort | dcoCaseInsensitive)) && type && type->IsString();
}

bool TcxCustomDataController::IsSortByDisplayText(TcxCustomDataField* AField) {
  if (AField->IsInternal())
    return false;
  return FOptions & dcoSortByDisplayText;
}

bool TcxCustomDataController::IsPlainValueOrder(TcxCustomDataField* AField) {
  if (OnCompare || IsProviderMode() || AField->CompareKind == 2 || UseStringCompare(AField))
    return false;
  return RawKindOf(AField->ValueTypeClass()) != TRawKind::None && AField->ValueDef() != nullptr;
}

Variant TcxCustomDataController::GetComparedValue(int ARecordIndex, TcxCustomDataField* AField) {
  if (AField->CompareKind == 2)
    return Variant(GetDisplayText(ARecordIndex, AField));
  return GetStoredValue(ARecordIndex, AField);
}

int TcxCustomDataController::CompareByField(int ARecordIndex1, int ARecordIndex2,
                                            TcxCustomDataField* AField) {
  if ((!OnCompare || AField->IsInternal()) && !CanCompareField(AField)) {
    if (IsProviderMode())
      return FProvider->CompareValues(ARecordIndex1, ARecordIndex2, AField);
    return FDataStorage->CompareRecords(ARecordIndex1, ARecordIndex2, AField->ValueDef());
  }
  Variant v1 = GetComparedValue(ARecordIndex1, AField);
  Variant v2 = GetComparedValue(ARecordIndex2, AField);
  if (OnCompare && !AField->IsInternal()) {
    int result = 0;
    OnCompare(this, ARecordIndex1, ARecordIndex2, GetItemIndexOfField(AField), result);
    return result;
  }
  if (VarIsStr(v1) && VarIsStr(v2)) {
    AnsiString a = v1.AsString(), b = v2.AsString();
    if (FOptions & dcoAnsiSort) {
      int c = (FOptions & dcoCaseInsensitive) ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
      return (c > 0) - (c < 0);
    }
    if (FOptions & dcoCaseInsensitive) {
      a = AnsiUpperCase(a);
      b = AnsiUpperCase(b);
      int c = a.compare(b);
      return (c > 0) - (c < 0);
    }
  }
  return StrictVarCompare(v1, v2);
}

int TcxCustomDataController::CompareRecordsBySortInfo(int ARecordIndex1, int ARecordIndex2,
                                                      const TcxDataSortInfo& AInfo) {
  int result = CompareByField(ARecordIndex1, ARecordIndex2, AInfo.Field);
  return AInfo.SortOrder == soDescending ? -result : result;
}

void TcxCustomDataControllerInfo::PrepareCompareKinds() {
  for (int i = 0; i < FTotalSortingFieldList.Count(); ++i) {
    TcxCustomDataField* field = FTotalSortingFieldList.Items(i).Field;
    field->CompareKind = 0;
    if (!FDataController->CanCompareField(field))
      field->CompareKind = -1;
    else
      field->CompareKind = FDataController->IsSortByDisplayText(field) ? 2 : 1;
  }
}

void TcxCustomDataControllerInfo::ResetCompareKinds() {
  for (int i = 0; i < FTotalSortingFieldList.Count(); ++i)
    FTotalSortingFieldList.Items(i).Field->CompareKind = 0;
}

namespace {

struct TKeyed {
  std::uint64_t Key;
  int Record;
};

// One stable LSD radix pass set over 64-bit keys; bytes that all keys share are skipped.
void RadixSortStable(std::vector<TKeyed>& AItems) {
  std::size_t n = AItems.size();
  std::vector<TKeyed> buffer(n);
  for (int shift = 0; shift < 64; shift += 8) {
    std::size_t counts[256] = {};
    for (const TKeyed& item : AItems)
      ++counts[(item.Key >> shift) & 0xFF];
    if (counts[(AItems[0].Key >> shift) & 0xFF] == n)
      continue;
    std::size_t sum = 0;
    for (std::size_t& c : counts) {
      std::size_t t = c;
      c = sum;
      sum += t;
    }
    for (const TKeyed& item : AItems)
      buffer[counts[(item.Key >> shift) & 0xFF]++] = item;
    AItems.swap(buffer);
  }
}

// A typed column of one sort key, read once from the storage, for comparison sorts without variants.
struct TKeyColumn {
  TRawKind Kind;
  bool Descending;
  std::vector<const char*> Places; // by record index; nullptr for Null
};

} // namespace

void TcxCustomDataControllerInfo::DoSort() {
  TcxCustomDataController* dc = FDataController;
  FTotalSortingFieldList.Clear();
  for (int i = 0; i < FGroupingFieldList.Count(); ++i)
    FTotalSortingFieldList.Add(FGroupingFieldList.Items(i).Field, FGroupingFieldList.Items(i).SortOrder);
  for (int i = 0; i < FSortingFieldList.Count(); ++i)
    if (FTotalSortingFieldList.IndexOf(FSortingFieldList.Items(i).Field) < 0)
      FTotalSortingFieldList.Add(FSortingFieldList.Items(i).Field, FSortingFieldList.Items(i).SortOrder);
  if (dc->IsGridMode() || FRecordList.empty())
    return;
  if (dc->IsProviderMode() && dc->Provider().IsCustomSorting()) {
    dc->Provider().CustomSort();
    return;
  }
  // Equal keys keep record-index order in either direction: start from that order, then sort stably.
  int recordCount = dc->GetRecordCount();
  if (!std::is_sorted(FRecordList.begin(), FRecordList.end())) {
    std::vector<char> present(std::size_t(recordCount), 0);
    for (int record : FRecordList)
      if (record >= 0 && record < recordCount)
        present[std::size_t(record)] = 1;
    std::size_t k = 0;
    for (int r = 0; r < recordCount; ++r)
      if (present[std::size_t(r)])
        FRecordList[k++] = r;
    FRecordList.resize(k);
  }
  if (FTotalSortingFieldList.Count() == 0)
    return;
  // The record being edited keeps its place on screen: it is taken out and put back beside its neighbour.
  TcxCustomDataProvider& provider = dc->Provider();
  int editing = cxNoRecord, before = cxNoRecord, after = cxNoRecord;
  if (provider.IsEditing() &&
      (provider.RecordBefore() != cxNoRecord || provider.RecordAfter() != cxNoRecord)) {
    editing = provider.EditingRecordIndex();
    before = provider.RecordBefore();
    after = provider.RecordAfter();
    if (editing == after || editing == before)
      editing = cxNoRecord;
    else
      std::erase(FRecordList, editing);
  }
  PrepareCompareKinds();
  struct Reset {
    TcxCustomDataControllerInfo* Self;
    ~Reset() { Self->ResetCompareKinds(); }
  } reset{this};

  bool plain = true, numeric = true;
  for (int i = 0; i < FTotalSortingFieldList.Count(); ++i) {
    TcxCustomDataField* field = FTotalSortingFieldList.Items(i).Field;
    if (!dc->IsPlainValueOrder(field))
      plain = false;
    else if (RawKindOf(field->ValueTypeClass()) == TRawKind::String)
      numeric = false;
  }
  TcxDataStorage& storage = dc->DataStorage();
  if (plain && numeric) {
    // Stable radix passes from the last key to the first give the full order; Null goes first ascending.
    std::vector<TKeyed> items(FRecordList.size());
    for (int i = FTotalSortingFieldList.Count() - 1; i >= 0; --i) {
      const TcxDataSortInfo& info = FTotalSortingFieldList.Items(i);
      TRawKind kind = RawKindOf(info.Field->ValueTypeClass());
      TcxValueDef* def = info.Field->ValueDef();
      bool descending = info.SortOrder == soDescending;
      std::vector<int> nulls;
      std::size_t n = 0;
      for (int record : FRecordList) {
        const char* place = ValuePlace(storage, record, def);
        if (!place)
          nulls.push_back(record);
        else
          items[n++] = {descending ? ~RawOrderKey(kind, place) : RawOrderKey(kind, place), record};
      }
      items.resize(n);
      if (n > 0)
        RadixSortStable(items);
      std::size_t k = 0;
      if (!descending)
        for (int record : nulls)
          FRecordList[k++] = record;
      for (const TKeyed& item : items)
        FRecordList[k++] = item.Record;
      if (descending)
        for (int record : nulls)
          FRecordList[k++] = record;
      items.resize(FRecordList.size());
    }
  } else if (plain) {
    std::vector<TKeyColumn> columns;
    for (int i = 0; i < FTotalSortingFieldList.Count(); ++i) {
      const TcxDataSortInfo& info = FTotalSortingFieldList.Items(i);
      TKeyColumn column{RawKindOf(info.Field->ValueTypeClass()), info.SortOrder == soDescending, {}};
      column.Places.assign(std::size_t(recordCount), nullptr);
      for (int record : FRecordList)
        column.Places[std::size_t(record)] = ValuePlace(storage, record, info.Field->ValueDef());
      columns.push_back(std::move(column));
    }
    auto compare = [&](int a, int b) {
      for (const TKeyColumn& column : columns) {
        const char* pa = column.Places[std::size_t(a)];
        const char* pb = column.Places[std::size_t(b)];
        int c;
        if (!pa || !pb)
          c = pa ? 1 : (pb ? -1 : 0);
        else if (column.Kind == TRawKind::String) {
          const AnsiString* sa = RawString(pa);
          const AnsiString* sb = RawString(pb);
          if (!sa || !sb)
            c = sa ? 1 : (sb ? -1 : 0);
          else if (*sa == *sb)
            c = 0;
          else
            c = AnsiCompareStr(*sa, *sb) < 0 ? -1 : 1;
        } else {
          std::uint64_t ka = RawOrderKey(column.Kind, pa), kb = RawOrderKey(column.Kind, pb);
          c = (ka > kb) - (ka < kb);
        }
        if (c != 0)
          return column.Descending ? c > 0 : c < 0;
      }
      return a < b;
    };
    std::sort(FRecordList.begin(), FRecordList.end(), compare);
  } else {
    MergeSort(FRecordList, [&](int a, int b) {
      for (int i = 0; i < FTotalSortingFieldList.Count(); ++i) {
        int c = dc->CompareRecordsBySortInfo(a, b, FTotalSortingFieldList.Items(i));
        if (c != 0)
          return c < 0;
      }
      return dc->CompareEqualRecords(a, b) < 0;
    });
  }
  if (editing != cxNoRecord) {
    auto at = FRecordList.end();
    if (before == cxNoRecord && after != cxNoRecord) {
      auto found = std::find(FRecordList.begin(), FRecordList.end(), after);
      at = found;
    }
    FRecordList.insert(at, editing);
  }
}

void TcxCustomDataController::ChangeSorting(int AItemIndex, TcxDataSortOrder AOrder) {
  CheckItemRange(AItemIndex);
  TcxCustomDataField* field = FFields->Items(AItemIndex);
  if (FView->SortingFieldList().GetSortOrder(field) == AOrder &&
      (AOrder != soNone || FView->GroupingFieldList().IndexOf(field) < 0))
    return;
  if ((GetEditState() & (dceInsert | dceEdit)) && FProvider->EditingRecordIndex() != cxNoRecord)
    Post();
  FSortingChanged = true;
  FView->ChangeSorting(field, AOrder);
}

void TcxCustomDataController::ClearSorting(bool AKeepGroupedItems) {
  FView->ClearSorting(AKeepGroupedItems);
}

TcxDataSortOrder TcxCustomDataController::GetItemSortOrder(int AItemIndex) {
  CheckItemRange(AItemIndex);
  TcxCustomDataField* field = FFields->Items(AItemIndex);
  TcxDataSortOrder order = FView->SortingFieldList().GetSortOrder(field);
  if (order == soNone)
    order = FView->GroupingFieldList().GetSortOrder(field);
  return order;
}

void TcxCustomDataController::ChangeGroupIndex(int AItemIndex, int AGroupIndex) {
  CheckItemRange(AItemIndex);
  FView->ChangeGrouping(FFields->Items(AItemIndex), AGroupIndex);
}

void TcxCustomDataController::ClearGrouping() {
  TControllerUpdate update(*this);
  while (FView->GroupingFieldList().Count() > 0)
    FView->ChangeGrouping(FView->GroupingFieldList().Items(0).Field, -1);
}

int TcxCustomDataController::GetItemGroupIndex(int AItemIndex) {
  CheckItemRange(AItemIndex);
  return FView->GroupingFieldList().IndexOf(FFields->Items(AItemIndex));
}

void TcxCustomDataController::ChangeGroupSummarySorting(int ASummaryIndex, TcxDataSortOrder AOrder) {
  TcxDataGroups& groups = FView->Groups();
  groups.SummarySortIndex = ASummaryIndex;
  groups.SummarySortOrder = AOrder;
  TControllerUpdate update(*this);
  FView->AddChanges(dvcSorting | dvcGrouping | dvcSummary);
}
