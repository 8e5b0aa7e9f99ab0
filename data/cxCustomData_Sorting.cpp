#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <utility>

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

// Stable LSD radix over 64-bit keys, only across the bits where keys differ. Digits of up to 11 bits keep
// the counts cache-resident while taking fewer passes than bytes; keys that differ in at most 16 bits (few
// distinct values, as when grouping) take a single counting pass. All counts come from one read.
void RadixSortStable(std::vector<TKeyed>& AItems, std::vector<TKeyed>& ABuffer) {
  std::size_t n = AItems.size();
  if (n < 2)
    return;
  std::uint64_t differing = 0;
  for (const TKeyed& item : AItems)
    differing |= item.Key ^ AItems[0].Key;
  if (!differing)
    return;
  int low = std::countr_zero(differing);
  int width = int(std::bit_width(differing)) - low;
  int passes = width <= 16 ? 1 : (width + 10) / 11;
  int digit = (width + passes - 1) / passes;
  std::size_t buckets = std::size_t(1) << digit;
  std::uint64_t mask = buckets - 1;
  std::vector<std::size_t> counts(std::size_t(passes) * buckets, 0);
  for (const TKeyed& item : AItems) {
    std::uint64_t k = item.Key >> low;
    for (int p = 0; p < passes; ++p)
      ++counts[std::size_t(p) * buckets + ((k >> (p * digit)) & mask)];
  }
  ABuffer.resize(n);
  for (int p = 0; p < passes; ++p) {
    std::size_t* c = counts.data() + std::size_t(p) * buckets;
    int shift = low + p * digit;
    if (c[(AItems[0].Key >> shift) & mask] == n)
      continue;
    std::size_t sum = 0;
    for (std::size_t b = 0; b < buckets; ++b)
      sum += std::exchange(c[b], sum);
    for (const TKeyed& item : AItems)
      ABuffer[c[(item.Key >> shift) & mask]++] = item;
    AItems.swap(ABuffer);
  }
}

} // namespace

namespace cxdata {

bool BuildOrderKeys(TcxCustomDataController& AController, TcxCustomDataField* AField,
                    const std::vector<int>& AAscendingRecords, TOrderKeys& AKeys) {
  if (!AController.IsPlainValueOrder(AField))
    return false;
  TRawKind kind = RawKindOf(AField->ValueTypeClass());
  TcxValueDef* def = AField->ValueDef();
  TcxDataStorage& storage = AController.DataStorage();
  std::size_t count = std::size_t(AController.GetRecordCount());
  AKeys.Key.assign(count, 0);
  AKeys.IsNull.assign(count, 1);
  if (kind != TRawKind::String) {
    for (int record : AAscendingRecords)
      if (const char* place = ValuePlace(storage, record, def)) {
        AKeys.Key[std::size_t(record)] = RawOrderKey(kind, place);
        AKeys.IsNull[std::size_t(record)] = 0;
      }
    return true;
  }
  std::unordered_map<std::string_view, std::uint32_t> slots;
  std::vector<std::string_view> distinct;
  for (int record : AAscendingRecords) {
    const char* place = ValuePlace(storage, record, def);
    const AnsiString* text = place ? RawString(place) : nullptr;
    if (!text)
      continue;
    auto [it, added] = slots.try_emplace(std::string_view(*text), std::uint32_t(distinct.size()));
    if (added)
      distinct.push_back(it->first);
    AKeys.Key[std::size_t(record)] = it->second;
    AKeys.IsNull[std::size_t(record)] = 0;
  }
  std::vector<int> order(distinct.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = int(i);
  auto compare = [&](int a, int b) {
    return distinct[std::size_t(a)] == distinct[std::size_t(b)]
               ? 0
               : AnsiCompareStr(distinct[std::size_t(a)], distinct[std::size_t(b)]);
  };
  MergeSort(order, [&](int a, int b) { return compare(a, b) < 0; });
  std::vector<std::uint64_t> rank(distinct.size());
  std::uint64_t current = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0 && compare(order[i - 1], order[i]) != 0)
      ++current;
    rank[std::size_t(order[i])] = current;
  }
  for (int record : AAscendingRecords)
    if (!AKeys.IsNull[std::size_t(record)])
      AKeys.Key[std::size_t(record)] = rank[AKeys.Key[std::size_t(record)]];
  return true;
}

} // namespace cxdata

void TcxCustomDataControllerInfo::DoSort() {
  TcxCustomDataController* dc = FDataController;
  FSortKeys.clear();
  FListKeys.clear();
  FListKeyShifts.clear();
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
  PrepareCompareKinds();
  struct Reset {
    TcxCustomDataControllerInfo* Self;
    ~Reset() { Self->ResetCompareKinds(); }
  } reset{this};

  int entries = FTotalSortingFieldList.Count();
  TcxCustomDataField* only = FTotalSortingFieldList.Items(0).Field;
  TRawKind onlyKind = RawKindOf(only->ValueTypeClass());
  bool direct = entries == 1 && !IsGrouped() && onlyKind != TRawKind::String && dc->IsPlainValueOrder(only);
  // Keys whose value ranges fit side by side in 64 bits are packed into one key for a single radix sort:
  // each takes its offset from its minimum, Null below (ascending) or above (descending) every value.
  struct TPacking {
    std::uint64_t Min = ~0ull, Max = 0;
    bool HasNull = false;
    int Bits = 0;
  };
  std::vector<TPacking> packing;
  int packedBits = 0;
  auto finishPacking = [&] {
    packedBits = 0;
    for (TPacking& p : packing) {
      std::uint64_t span = p.Min > p.Max ? 0 : p.Max - p.Min;
      if (span == ~0ull && p.HasNull) {
        packedBits = 65;
        return;
      }
      p.Bits = int(std::bit_width(span + (p.HasNull ? 1 : 0)));
      packedBits += p.Bits;
    }
  };
  // Numeric keys that pack are read from the records twice (ranges, then keys) rather than through key
  // arrays per field, which cost more to fill and fault in than the second read.
  std::vector<std::pair<TRawKind, int>> fromRecords;
  for (int i = 0; i < entries && !direct; ++i) {
    TcxCustomDataField* field = FTotalSortingFieldList.Items(i).Field;
    TRawKind kind = RawKindOf(field->ValueTypeClass());
    if (!dc->IsPlainValueOrder(field) || kind == TRawKind::String) {
      fromRecords.clear();
      break;
    }
    fromRecords.push_back({kind, field->ValueDef()->Offset()});
  }
  if (!fromRecords.empty()) {
    packing.resize(fromRecords.size());
    TcxDataStorage& storage = dc->DataStorage();
    for (int record : FRecordList) {
      const char* buffer = storage.RecordBuffer(record);
      for (std::size_t i = 0; i < fromRecords.size(); ++i) {
        TPacking& p = packing[i];
        const char* place = buffer ? buffer + fromRecords[i].second : nullptr;
        if (!place || !place[0]) {
          p.HasNull = true;
          continue;
        }
        std::uint64_t key = RawOrderKey(fromRecords[i].first, place + 1);
        p.Min = std::min(p.Min, key);
        p.Max = std::max(p.Max, key);
      }
    }
    finishPacking();
    if (packedBits > 64)
      fromRecords.clear();
  }
  // One numeric key and no groups to build: the keys go straight from the records into the radix.
  FSortKeys.resize(direct || !fromRecords.empty() ? 0 : std::size_t(entries));
  bool plain = true;
  // Numeric keys of every entry are read in one pass over the records; texts need a pass of their own.
  std::vector<std::pair<TRawKind, TcxValueDef*>> numeric;
  for (int i = 0; i < entries && plain && !direct && fromRecords.empty(); ++i) {
    TcxCustomDataField* field = FTotalSortingFieldList.Items(i).Field;
    TRawKind kind = RawKindOf(field->ValueTypeClass());
    if (!dc->IsPlainValueOrder(field))
      plain = false;
    else if (kind == TRawKind::String)
      BuildOrderKeys(*dc, field, FRecordList, FSortKeys[std::size_t(i)]);
    else {
      numeric.push_back({kind, field->ValueDef()});
      FSortKeys[std::size_t(i)].Key.assign(std::size_t(recordCount), 0);
      FSortKeys[std::size_t(i)].IsNull.assign(std::size_t(recordCount), 1);
    }
  }
  if (plain && !numeric.empty()) {
    std::vector<TOrderKeys*> targets;
    for (int i = 0; i < entries; ++i)
      if (RawKindOf(FTotalSortingFieldList.Items(i).Field->ValueTypeClass()) != TRawKind::String)
        targets.push_back(&FSortKeys[std::size_t(i)]);
    TcxDataStorage& storage = dc->DataStorage();
    for (int record : FRecordList) {
      const char* buffer = storage.RecordBuffer(record);
      if (!buffer)
        continue;
      for (std::size_t k = 0; k < numeric.size(); ++k) {
        const char* place = buffer + numeric[k].second->Offset();
        if (place[0]) {
          targets[k]->Key[std::size_t(record)] = RawOrderKey(numeric[k].first, place + 1);
          targets[k]->IsNull[std::size_t(record)] = 0;
        }
      }
    }
  }
  // The record being edited keeps its place on screen: it is taken out and put back beside its neighbour.
  TcxCustomDataProvider& provider = dc->Provider();
  int editing = cxNoRecord, before = cxNoRecord, after = cxNoRecord;
  if (provider.IsEditing() &&
      (provider.RecordBefore() != cxNoRecord || provider.RecordAfter() != cxNoRecord)) {
    editing = provider.EditingRecordIndex();
    before = provider.RecordBefore();
    after = provider.RecordAfter();
    if (editing == after || editing == before || editing < 0)
      editing = cxNoRecord;
    else
      std::erase(FRecordList, editing);
  }
  if (plain && !direct && fromRecords.empty()) {
    packing.assign(std::size_t(entries), TPacking());
    for (std::size_t i = 0; i < packing.size(); ++i) {
      const TOrderKeys& keys = FSortKeys[i];
      TPacking& p = packing[i];
      for (int record : FRecordList) {
        if (keys.IsNull[std::size_t(record)]) {
          p.HasNull = true;
          continue;
        }
        p.Min = std::min(p.Min, keys.Key[std::size_t(record)]);
        p.Max = std::max(p.Max, keys.Key[std::size_t(record)]);
      }
    }
    finishPacking();
  }
  if (plain && !direct && packedBits <= 64) {
    std::vector<TKeyed> items(FRecordList.size()), buffer;
    TcxDataStorage& storage = dc->DataStorage();
    std::vector<char> descending(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i)
      descending[std::size_t(i)] = FTotalSortingFieldList.Items(i).SortOrder == soDescending;
    for (std::size_t k = 0; k < FRecordList.size(); ++k) {
      int record = FRecordList[k];
      const char* recordBuffer = fromRecords.empty() ? nullptr : storage.RecordBuffer(record);
      std::uint64_t key = 0;
      for (int i = 0; i < entries; ++i) {
        const TPacking& p = packing[std::size_t(i)];
        bool isNull;
        std::uint64_t value = 0;
        if (!fromRecords.empty()) {
          const char* place = recordBuffer ? recordBuffer + fromRecords[std::size_t(i)].second : nullptr;
          isNull = !place || !place[0];
          if (!isNull)
            value = RawOrderKey(fromRecords[std::size_t(i)].first, place + 1);
        } else {
          const TOrderKeys& keys = FSortKeys[std::size_t(i)];
          isNull = keys.IsNull[std::size_t(record)];
          value = keys.Key[std::size_t(record)];
        }
        std::uint64_t span = p.Min > p.Max ? 0 : p.Max - p.Min;
        std::uint64_t e;
        if (isNull)
          e = descending[std::size_t(i)] ? span + 1 : 0;
        else if (descending[std::size_t(i)])
          e = p.Max - value;
        else
          e = value - p.Min + (p.HasNull ? 1 : 0);
        key = p.Bits == 64 ? e : (key << p.Bits) | e;
      }
      items[k] = {key, record};
    }
    RadixSortStable(items, buffer);
    for (std::size_t k = 0; k < items.size(); ++k)
      FRecordList[k] = items[k].Record;
    // Grouping then compares neighbours in the list instead of chasing keys by record.
    if (editing == cxNoRecord && IsGrouped()) {
      FListKeys.resize(items.size());
      for (std::size_t k = 0; k < items.size(); ++k)
        FListKeys[k] = items[k].Key;
      int shift = packedBits;
      for (int i = 0; i < FGroupingFieldList.Count(); ++i) {
        shift -= packing[std::size_t(i)].Bits;
        FListKeyShifts.push_back(shift);
      }
    }
  } else if (plain) {
    // Stable radix passes from the last key to the first give the full order; Null goes first ascending.
    std::vector<TKeyed> items(FRecordList.size()), buffer;
    std::vector<int> nulls;
    TcxDataStorage& storage = dc->DataStorage();
    for (int i = entries - 1; i >= 0; --i) {
      bool descending = FTotalSortingFieldList.Items(i).SortOrder == soDescending;
      nulls.clear();
      items.resize(FRecordList.size());
      std::size_t n = 0;
      if (direct) {
        TcxValueDef* def = only->ValueDef();
        for (int record : FRecordList)
          if (const char* place = ValuePlace(storage, record, def))
            items[n++] = {descending ? ~RawOrderKey(onlyKind, place) : RawOrderKey(onlyKind, place), record};
          else
            nulls.push_back(record);
      } else {
        const TOrderKeys& keys = FSortKeys[std::size_t(i)];
        for (int record : FRecordList) {
          if (keys.IsNull[std::size_t(record)])
            nulls.push_back(record);
          else
            items[n++] = {descending ? ~keys.Key[std::size_t(record)] : keys.Key[std::size_t(record)],
                          record};
        }
      }
      items.resize(n);
      RadixSortStable(items, buffer);
      std::size_t k = 0;
      if (!descending)
        for (int record : nulls)
          FRecordList[k++] = record;
      for (const TKeyed& item : items)
        FRecordList[k++] = item.Record;
      if (descending)
        for (int record : nulls)
          FRecordList[k++] = record;
    }
  } else if (entries > 0) {
    FSortKeys.clear();
    MergeSort(FRecordList, [&](int a, int b) {
      for (int i = 0; i < entries; ++i) {
        int c = dc->CompareRecordsBySortInfo(a, b, FTotalSortingFieldList.Items(i));
        if (c != 0)
          return c < 0;
      }
      return dc->CompareEqualRecords(a, b) < 0;
    });
  }
  if (editing != cxNoRecord) {
    auto at = FRecordList.end();
    if (before == cxNoRecord && after != cxNoRecord)
      at = std::find(FRecordList.begin(), FRecordList.end(), after);
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
