#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
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

// Groups one level in a single read of the records: every value gets a dense id from a small hash table,
// only the distinct values are ordered, and a counting sort by group places the records, which keeps them in
// list order within a group. The counts and integer sums the summaries will ask for are gathered on the way.
// False, with the list unchanged, when the values are too many or texts that differ compare equal.
class TDistinctGrouper {
public:
  static constexpr std::size_t MaxDistinct = 65535;

  TDistinctGrouper(TcxDataStorage& AStorage, TRawKind AKind, int AOffset)
      : FStorage(AStorage), FKind(AKind), FOffset(AOffset) {}

  bool Run(std::vector<int>& AList, bool ADescending, TDistinctGrouping& AOut) {
    std::size_t n = AList.size();
    std::vector<std::uint16_t> ids(n);
    PlanColumns(AOut);
    // The list is in record order; unfiltered, it is every record and need not be read at all.
    FEveryRecord = !AList.empty() && AList.front() == 0 && AList.back() == int(n) - 1;
    bool read;
    switch (FKind) {
    case TRawKind::Int32:
      read =
          FEveryRecord ? Read<TRawKind::Int32, true>(AList, ids) : Read<TRawKind::Int32, false>(AList, ids);
      break;
    case TRawKind::String:
      read = Read<TRawKind::String, false>(AList, ids);
      break;
    default:
      read = Read<TRawKind::None, false>(AList, ids);
      break;
    }
    if (!read)
      return false;
    std::size_t idCount = FCounts.size();
    std::vector<std::uint32_t> order;
    order.reserve(idCount);
    for (std::size_t id = 1; id < idCount; ++id)
      order.push_back(std::uint32_t(id));
    if (FKind == TRawKind::String) {
      std::sort(order.begin(), order.end(),
                [&](std::uint32_t a, std::uint32_t b) { return AnsiCompareStr(FTexts[a], FTexts[b]) < 0; });
      for (std::size_t i = 1; i < order.size(); ++i)
        if (AnsiCompareStr(FTexts[order[i - 1]], FTexts[order[i]]) == 0)
          return false;
    } else {
      std::sort(order.begin(), order.end(),
                [&](std::uint32_t a, std::uint32_t b) { return FKeys[a] < FKeys[b]; });
    }
    if (ADescending)
      std::reverse(order.begin(), order.end());
    if (FCounts[0] > 0)
      order.insert(ADescending ? order.end() : order.begin(), 0);
    std::vector<int> next(idCount, 0);
    AOut.Begins.clear();
    int begin = 0;
    for (std::uint32_t id : order) {
      AOut.Begins.push_back(begin);
      next[id] = begin;
      begin += FCounts[id];
    }
    AOut.Begins.push_back(begin);
    std::vector<int> placed(n);
    if (FEveryRecord)
      for (std::size_t k = 0; k < n; ++k)
        placed[std::size_t(next[ids[k]]++)] = int(k);
    else
      for (std::size_t k = 0; k < n; ++k)
        placed[std::size_t(next[ids[k]]++)] = AList[k];
    AList.swap(placed);
    FinishValues(order, AOut);
    return true;
  }

private:
  // A narrow integer field some gathered item reads: per id the sum of its values and how many are not Null.
  // Such sums cannot overflow, so they may be added up in any order, and the footer is the sum over the ids.
  struct TColumn {
    int Offset;
    TRawKind Raw;
  };
  // Where a gathered item's values come from: a column, or its own running value (wide integers).
  struct TSource {
    int Column = -1;
    int Own = -1;
  };

  static bool IsNarrow(TRawKind ARaw) {
    return ARaw == TRawKind::Int8 || ARaw == TRawKind::Int16 || ARaw == TRawKind::UInt16 ||
           ARaw == TRawKind::Int32;
  }

  void PlanColumns(const TDistinctGrouping& AOut) {
    auto plan = [&](const std::vector<TInlineField>& AFields, std::vector<TSource>& ASources,
                    std::vector<TInlineField>& AOwn) {
      for (const TInlineField& f : AFields) {
        TSource source;
        if (IsNarrow(f.Raw)) {
          auto it = std::find_if(FColumns.begin(), FColumns.end(),
                                 [&](const TColumn& c) { return c.Offset == f.Offset; });
          source.Column = int(it - FColumns.begin());
          if (it == FColumns.end())
            FColumns.push_back({f.Offset, f.Raw});
        } else {
          source.Own = int(AOwn.size());
          AOwn.push_back(f);
        }
        ASources.push_back(source);
      }
    };
    plan(AOut.Footer.Fields, FFooterSources, FFooterOwn);
    plan(AOut.Groups.Fields, FGroupSources, FGroupOwn);
    FNullIgnore = AOut.Footer.NullIgnore;
  }

  // RawOrderKey, with the common kind inlined.
  template <TRawKind K> std::uint64_t KeyOf(const char* APlace) const {
    if constexpr (K == TRawKind::Int32) {
      std::int32_t v;
      std::memcpy(&v, APlace, sizeof v);
      return std::uint64_t(std::int64_t(v)) ^ 0x8000000000000000ull;
    } else {
      return RawOrderKey(FKind, APlace);
    }
  }

  template <TRawKind K, bool EveryRecord>
  bool Read(const std::vector<int>& AList, std::vector<std::uint16_t>& AIds) {
    std::size_t n = AList.size();
    std::size_t width = FColumns.size(), footerOwn = FFooterOwn.size(), groupOwn = FGroupOwn.size();
    // Id 0 is Null; values take 1, 2, ... as they first appear.
    FCounts.assign(1, 0);
    FKeys.assign(1, 0);
    FTexts.assign(1, std::string_view());
    FSums.assign(width, 0);
    FPresent.assign(width, 0);
    FFooterValues.assign(footerOwn, TInlineValue());
    FGroupValues.assign(groupOwn, TInlineValue());
    // A few records need neither the full table nor the full window, whose clearing would cost more than
    // their reading.
    Rehash(std::clamp<std::size_t>(std::bit_ceil(4 * n + 4), 16, 4096));
    bool based = false;
    std::uint64_t base = 0;
    const std::uint64_t windowSize = std::min<std::uint64_t>(Window, std::bit_ceil(64 * n + 64));
    if constexpr (K != TRawKind::String)
      FWindow.assign(windowSize, 0);
    // The per-id arrays move only when an id is added; the loop keeps their addresses in locals meanwhile.
    int* counts = nullptr;
    std::int64_t* sums = nullptr;
    int* present = nullptr;
    auto refresh = [&] {
      counts = FCounts.data();
      sums = FSums.data();
      present = FPresent.data();
    };
    refresh();
    const int* list = AList.data();
    std::uint16_t* ids = AIds.data();
    std::uint16_t* window = FWindow.data();
    const TColumn* columns = FColumns.data();
    int offset = FOffset;
    bool nullIgnore = FNullIgnore;
    bool oneInt32 = width == 1 && columns[0].Raw == TRawKind::Int32;
    for (std::size_t k = 0; k < n; ++k) {
      const char* buffer = FStorage.RecordBuffer(EveryRecord ? int(k) : list[k]);
      const char* place = buffer && buffer[offset] ? buffer + offset + 1 : nullptr;
      std::size_t id = 0;
      if constexpr (K == TRawKind::String) {
        if (const AnsiString* text = place ? RawString(place) : nullptr) {
          id = FindText(std::string_view(*text));
          if (!id)
            return false;
          refresh();
        }
      } else if (place) {
        std::uint64_t key = KeyOf<K>(place);
        if (!based) {
          based = true;
          base = key - windowSize / 2;
        }
        // Keys near the first one, as most grouped codes are, find their id without probing.
        std::uint64_t slot = key - base;
        id = slot < windowSize ? window[slot] : 0;
        if (!id) {
          id = FindKey(key);
          if (!id)
            return false;
          if (slot < windowSize)
            window[slot] = std::uint16_t(id);
          refresh();
        }
      }
      ids[k] = std::uint16_t(id);
      ++counts[id];
      std::int64_t* idSums = sums + id * width;
      int* idPresent = present + id * width;
      if (oneInt32) {
        // The common footer and group sum of one integer field, without the general loop.
        if (buffer && buffer[columns[0].Offset]) {
          std::int32_t v;
          std::memcpy(&v, buffer + columns[0].Offset + 1, sizeof v);
          ++idPresent[0];
          idSums[0] += v;
        }
      } else
        for (std::size_t c = 0; c < width; ++c) {
          const char* value = buffer && buffer[columns[c].Offset] ? buffer + columns[c].Offset + 1 : nullptr;
          if (!value)
            continue;
          ++idPresent[c];
          if (columns[c].Raw == TRawKind::Int32) {
            std::int32_t v;
            std::memcpy(&v, value, sizeof v);
            idSums[c] += v;
          } else {
            idSums[c] += RawAsInt64(columns[c].Raw, value);
          }
        }
      for (std::size_t f = 0; f < footerOwn; ++f)
        AddInlineValue(FFooterOwn[f], buffer, nullIgnore, FFooterValues[f]);
      for (std::size_t f = 0; f < groupOwn; ++f)
        AddInlineValue(FGroupOwn[f], buffer, nullIgnore, FGroupValues[id * groupOwn + f]);
    }
    return true;
  }

  // A new id's place in the per-id arrays.
  void Grow() {
    FCounts.push_back(0);
    FSums.resize(FCounts.size() * FColumns.size(), 0);
    FPresent.resize(FCounts.size() * FColumns.size(), 0);
    FGroupValues.resize(FCounts.size() * FGroupOwn.size());
  }

  // The value as AddInlineValue would have left it after the column's records in record order.
  TInlineValue FromColumn(const TInlineField& AField, std::int64_t ASum, int APresent, int ACount) const {
    TInlineValue v;
    v.Count = FNullIgnore ? APresent : ACount;
    if (!AField.CountOnly && v.Count > 0) {
      v.Started = true;
      v.IntSum = ASum;
      v.DoubleSum = double(ASum);
    }
    return v;
  }

  void FinishValues(const std::vector<std::uint32_t>& AOrder, TDistinctGrouping& AOut) {
    std::size_t width = FColumns.size();
    TGatheredValues& groups = AOut.Groups;
    std::size_t groupWidth = groups.Fields.size();
    groups.Values.clear();
    groups.Values.reserve(AOrder.size() * groupWidth);
    for (std::uint32_t id : AOrder)
      for (std::size_t f = 0; f < groupWidth; ++f) {
        const TSource& source = FGroupSources[f];
        if (source.Column >= 0)
          groups.Values.push_back(FromColumn(groups.Fields[f], FSums[id * width + std::size_t(source.Column)],
                                             FPresent[id * width + std::size_t(source.Column)], FCounts[id]));
        else
          groups.Values.push_back(FGroupValues[id * FGroupOwn.size() + std::size_t(source.Own)]);
      }
    TGatheredValues& footer = AOut.Footer;
    footer.Values.clear();
    for (std::size_t f = 0; f < footer.Fields.size(); ++f) {
      const TSource& source = FFooterSources[f];
      if (source.Column < 0) {
        footer.Values.push_back(FFooterValues[std::size_t(source.Own)]);
        continue;
      }
      std::int64_t sum = 0;
      int present = 0, count = 0;
      for (std::size_t id = 0; id < FCounts.size(); ++id) {
        sum += FSums[id * width + std::size_t(source.Column)];
        present += FPresent[id * width + std::size_t(source.Column)];
        count += FCounts[id];
      }
      footer.Values.push_back(FromColumn(footer.Fields[f], sum, present, count));
    }
  }

  static constexpr std::uint64_t Window = 1 << 16;

  // Open addressing, at most a quarter full; a slot holds an id, 0 when free.
  void Rehash(std::size_t ASize) {
    FSlots.assign(ASize, 0);
    FMask = ASize - 1;
    for (std::size_t id = 1; id < FCounts.size(); ++id) {
      std::size_t h = FKind == TRawKind::String ? std::hash<std::string_view>()(FTexts[id]) : Mix(FKeys[id]);
      while (FSlots[h & FMask])
        ++h;
      FSlots[h & FMask] = std::uint16_t(id);
    }
  }
  static std::size_t Mix(std::uint64_t AKey) { return std::size_t((AKey * 0x9E3779B97F4A7C15ull) >> 29); }
  // The id of a value, a new one when unseen; 0 when there would be too many.
  template <class TValue, class THash, class TEqual>
  std::size_t Find(const TValue& AValue, THash AHash, TEqual AEqual) {
    for (;;) {
      std::size_t h = AHash(AValue);
      for (;; ++h) {
        std::uint16_t id = FSlots[h & FMask];
        if (!id)
          break;
        if (AEqual(id, AValue))
          return id;
      }
      std::size_t id = FCounts.size();
      if (id > MaxDistinct)
        return 0;
      if (4 * (id + 1) > FSlots.size()) {
        Rehash(FSlots.size() * 2);
        continue;
      }
      FSlots[h & FMask] = std::uint16_t(id);
      if constexpr (std::is_same_v<TValue, std::string_view>) {
        FKeys.push_back(0);
        FTexts.push_back(AValue);
      } else {
        FKeys.push_back(AValue);
        FTexts.emplace_back();
      }
      Grow();
      return id;
    }
  }
  std::size_t FindKey(std::uint64_t AKey) {
    return Find(AKey, Mix, [&](std::uint16_t id, std::uint64_t key) { return FKeys[id] == key; });
  }
  std::size_t FindText(std::string_view AText) {
    return Find(AText, std::hash<std::string_view>(),
                [&](std::uint16_t id, std::string_view text) { return FTexts[id] == text; });
  }

  TcxDataStorage& FStorage;
  TRawKind FKind;
  int FOffset;
  bool FEveryRecord = false;
  bool FNullIgnore = false;
  std::vector<TColumn> FColumns;
  std::vector<TSource> FFooterSources, FGroupSources;
  std::vector<TInlineField> FFooterOwn, FGroupOwn;
  // By id (times the columns or own fields where there are several).
  std::vector<int> FCounts;
  std::vector<std::uint64_t> FKeys;
  std::vector<std::string_view> FTexts;
  std::vector<std::int64_t> FSums;
  std::vector<int> FPresent;
  std::vector<TInlineValue> FFooterValues, FGroupValues;
  std::vector<std::uint16_t> FSlots;
  std::size_t FMask = 0;
  std::vector<std::uint16_t> FWindow; // ids of the keys around the first key read, 0 for not seen yet
};

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

int TcxCustomDataControllerInfo::KeptEditingRecord() const {
  TcxCustomDataProvider& provider = FDataController->Provider();
  if (!provider.IsEditing())
    return cxNoRecord;
  const int editing = provider.EditingRecordIndex();
  const int before = provider.RecordBefore(), after = provider.RecordAfter();
  if ((before == cxNoRecord && after == cxNoRecord) || editing == after || editing == before || editing < 0)
    return cxNoRecord;
  return editing;
}

void TcxCustomDataControllerInfo::DoSort() {
  TcxCustomDataController* dc = FDataController;
  FDistinct.reset();
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
  TcxCustomDataProvider& provider = dc->Provider();
  bool keepsEditing =
      provider.IsEditing() && (provider.RecordBefore() != cxNoRecord || provider.RecordAfter() != cxNoRecord);
  if (entries == 1 && IsGrouped() && !keepsEditing && dc->IsPlainValueOrder(only)) {
    auto grouping = std::make_unique<TDistinctGrouping>();
    TcxDataSummary& summary = dc->Summary();
    if ((FChanges & dvcSummary) && !dc->IsDestroying() && !summary.Options().Contains(soSelectedRecords)) {
      bool nullIgnore = summary.Options().Contains(soNullIgnore);
      if (!dc->IsGridMode() && summary.FooterSummaryItems().Count() > 0) {
        grouping->Footer.Items = &summary.FooterSummaryItems();
        InlineSummaryFields(summary, summary.FooterSummaryItems(), grouping->Footer.Fields);
      }
      if (TcxDataSummaryItems* items = summary.GetGroupSummaryItems(0)) {
        grouping->Groups.Items = items;
        InlineSummaryFields(summary, *items, grouping->Groups.Fields);
      }
      grouping->Footer.NullIgnore = grouping->Groups.NullIgnore = nullIgnore;
    }
    if (TDistinctGrouper(dc->DataStorage(), RawKindOf(only->ValueTypeClass()), only->ValueDef()->Offset())
            .Run(FRecordList, FTotalSortingFieldList.Items(0).SortOrder == soDescending, *grouping)) {
      FDistinct = std::move(grouping);
      return;
    }
  }
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
  const int editing = KeptEditingRecord(), before = provider.RecordBefore(), after = provider.RecordAfter();
  if (editing != cxNoRecord)
    std::erase(FRecordList, editing);
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
