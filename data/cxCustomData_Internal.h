#pragma once
// Shared between the seams of the data controller.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include "data/cxCustomData.h"

namespace cxdata {

// Holds a flag up for the duration of a call; the flag drops again when the call raises. With an alive token
// the flag is left alone when a handler freed the object that holds it.
class TFlagGuard {
public:
  explicit TFlagGuard(bool& AFlag, std::shared_ptr<bool> AAlive = nullptr)
      : FFlag(AFlag), FOld(AFlag), FAlive(std::move(AAlive)) {
    FFlag = true;
  }
  ~TFlagGuard() {
    if (!FAlive || *FAlive)
      FFlag = FOld;
  }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
  bool& FFlag;
  bool FOld;
  std::shared_ptr<bool> FAlive;
};

// Brackets a batch in the controller's BeginUpdate/EndUpdate like TUpdateBlock, but skips EndUpdate when a
// handler inside the batch freed the controller.
class TControllerUpdate {
public:
  explicit TControllerUpdate(TcxCustomDataController& AController)
      : FController(AController), FAlive(AController.AliveToken()), FUncaught(std::uncaught_exceptions()) {
    FController.BeginUpdate();
  }
  ~TControllerUpdate() noexcept(false) {
    if (!*FAlive)
      return;
    if (std::uncaught_exceptions() == FUncaught) {
      FController.EndUpdate();
      return;
    }
    try {
      FController.EndUpdate();
    } catch (...) {
    }
  }
  TControllerUpdate(const TControllerUpdate&) = delete;
  TControllerUpdate& operator=(const TControllerUpdate&) = delete;

private:
  TcxCustomDataController& FController;
  std::shared_ptr<bool> FAlive;
  int FUncaught;
};

// What a tracked record index becomes when all records are read anew from their source: no longer known
// to be gone, nor known to be the same record.
constexpr int cxRecordsReloaded = -2;

// Record indexes held while handlers run that may insert or delete records: each keeps pointing at its
// record, and is -1 once the record is gone (cxRecordsReloaded once all were read anew).
class TTrackedRecords {
public:
  TTrackedRecords(TcxCustomDataController& AController, std::vector<int> ARecords)
      : Records(std::move(ARecords)), FController(AController), FAlive(AController.AliveToken()) {
    FController.FTrackedRecords.push_back(&Records);
  }
  ~TTrackedRecords() {
    if (*FAlive)
      std::erase(FController.FTrackedRecords, &Records);
  }
  TTrackedRecords(const TTrackedRecords&) = delete;
  TTrackedRecords& operator=(const TTrackedRecords&) = delete;
  std::vector<int> Records;

private:
  TcxCustomDataController& FController;
  std::shared_ptr<bool> FAlive;
};

// Bottom-up merge sort: stable, O(n log n) and within bounds whatever the comparison answers, so an ordering
// that is not strict (values of unrelated types, a user's compare event) cannot break it.
template <class Less> void MergeSort(std::vector<int>& AItems, Less ALess) {
  std::size_t n = AItems.size();
  if (n < 2)
    return;
  std::vector<int> buffer(n);
  int* src = AItems.data();
  int* dst = buffer.data();
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi)
        dst[k++] = ALess(src[j], src[i]) ? src[j++] : src[i++];
      while (i < mid)
        dst[k++] = src[i++];
      while (j < hi)
        dst[k++] = src[j++];
    }
    std::swap(src, dst);
  }
  if (src != AItems.data())
    std::copy(src, src + n, AItems.data());
}

// A total order for the variant comparison: values it cannot order (it answers -1 both ways) are ordered
// by type code, so sorts and searches see a consistent answer.
int StrictVarCompare(const Variant& A, const Variant& B);

// Reads a raw regular-record value without building a variant; false for Null.
inline const char* ValuePlace(TcxDataStorage& AStorage, int ARecordIndex, TcxValueDef* ADef) {
  const char* buffer = AStorage.RecordBuffer(ARecordIndex);
  if (!buffer)
    return nullptr;
  const char* place = buffer + ADef->Offset();
  return place[0] ? place + 1 : nullptr;
}

enum class TRawKind { None, Int8, Int16, UInt16, Int32, Int64, Double, String };
TRawKind RawKindOf(TcxValueTypeClass AClass);
// An unsigned key in the value's order for the numeric kinds (Null excluded).
std::uint64_t RawOrderKey(TRawKind AKind, const char* AData);
// The value of a numeric kind as double, and whether it is an integer kind.
double RawAsDouble(TRawKind AKind, const char* AData);
std::int64_t RawAsInt64(TRawKind AKind, const char* AData);
inline const AnsiString* RawString(const char* AData) {
  const AnsiString* s;
  std::memcpy(&s, AData, sizeof s);
  return s;
}

// Order keys of one plain field for every record, read once in record order so that sorts, grouping and
// summaries work on dense arrays instead of chasing record buffers in view order. Text gets the rank of its
// value among the distinct texts, so equal texts share a key and keys order as the texts compare.
struct TOrderKeys {
  std::vector<std::uint64_t> Key; // by record index
  std::vector<std::uint8_t> IsNull;
};
// False when the field has no plain order (then the controller's comparison must be used).
bool BuildOrderKeys(TcxCustomDataController& AController, TcxCustomDataField* AField,
                    const std::vector<int>& AAscendingRecords, TOrderKeys& AKeys);

// A count, or a sum or average of integers, read straight from record buffers. The summaries and the
// grouping pass that gathers them while it reads the grouping keys add values in record order under the same
// rules, so either gives the same result.
struct TInlineField {
  int Index; // of the summary item
  int Offset;
  TRawKind Raw;
  bool CountOnly;
  bool operator==(const TInlineField&) const = default;
};
struct TInlineValue {
  std::int64_t IntSum = 0;
  double DoubleSum = 0;
  int Count = 0;
  bool Started = false;
  bool IntOverflow = false;
};
template <class TValue>
inline void AddInlineValue(const TInlineField& AField, const char* ABuffer, bool ANullIgnore, TValue& A) {
  const char* place = ABuffer && ABuffer[AField.Offset] ? ABuffer + AField.Offset + 1 : nullptr;
  if (!place && ANullIgnore)
    return;
  ++A.Count;
  if (AField.CountOnly)
    return;
  std::int64_t v = 0;
  if (place) {
    if (AField.Raw == TRawKind::Int32) {
      std::int32_t i32;
      std::memcpy(&i32, place, sizeof i32);
      v = i32;
    } else {
      v = RawAsInt64(AField.Raw, place);
    }
  }
  if (!A.Started) {
    A.Started = true;
    if (place) {
      A.IntSum = v;
      A.DoubleSum = double(v);
    }
  } else if (place) {
    std::int64_t sum;
    if (A.IntOverflow) {
      A.DoubleSum += double(v);
    } else if (__builtin_add_overflow(A.IntSum, v, &sum)) {
      A.IntOverflow = true;
      A.DoubleSum = double(A.IntSum) + double(v);
    } else {
      A.IntSum = sum;
    }
  }
}
// The items of a collection whose values AddInlineValue can gather, in item order.
void InlineSummaryFields(TcxDataSummary& ASummary, TcxDataSummaryItems& AItems,
                         std::vector<TInlineField>& AFields);

// Counts and sums gathered for one collection of summary items, slot by slot (Values[slot * fields + field]).
struct TGatheredValues {
  TcxDataSummaryItems* Items = nullptr;
  std::vector<TInlineField> Fields;
  bool NullIgnore = false;
  std::vector<TInlineValue> Values;
};
// Left by a sort that grouped one level by its distinct values, for the rest of the same update: where each
// group begins in the record list (with the list's end last), and what it gathered for the footer (one slot)
// and for the groups (a slot per group).
struct TDistinctGrouping {
  std::vector<int> Begins;
  TGatheredValues Footer, Groups;
};

} // namespace cxdata
