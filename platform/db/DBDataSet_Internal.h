#pragma once
// Shared by the seams of the dataset: scope guards and the key matching of locate and lookup.
#include <algorithm>
#include <vector>

#include "platform/db/DBDataSet.h"

namespace dbdataset_internal {

// Restores a value when the scope ends, also when it ends by an exception.
template <class T> class TRestore {
public:
  TRestore(T& ARef, T AValue) : FRef(ARef), FOld(ARef) { FRef = AValue; }
  ~TRestore() { FRef = FOld; }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

private:
  T& FRef;
  T FOld;
};

inline std::vector<AnsiString> SplitNames(const AnsiString& ANames) {
  std::vector<AnsiString> names;
  std::size_t pos = 0;
  while (pos < ANames.size()) {
    std::size_t end = ANames.find(';', pos);
    if (end == AnsiString::npos)
      end = ANames.size();
    AnsiString name = Trim(std::string_view(ANames).substr(pos, end - pos));
    if (!name.empty())
      names.push_back(name);
    pos = end + 1;
  }
  return names;
}

inline std::vector<Variant> KeyValueList(const Variant& AKeyValues, std::size_t ACount) {
  std::vector<Variant> values;
  if (ACount == 1 && !VarIsArray(AKeyValues)) {
    values.push_back(AKeyValues);
    return values;
  }
  if (!VarIsArray(AKeyValues) || VarArrayElements(AKeyValues).size() != ACount)
    throw EDatabaseError("The key needs " + IntToStr(static_cast<long long>(ACount)) +
                         " values, one for each key field");
  for (const Variant& v : VarArrayElements(AKeyValues))
    values.push_back(v);
  return values;
}

inline bool ValueMatches(const Variant& AStored, const Variant& AKey, TLocateOptions AOptions) {
  if (VarIsNull(AKey) || VarIsEmpty(AKey))
    return VarIsNull(AStored) || VarIsEmpty(AStored);
  if (VarIsNull(AStored))
    return false;
  int cmp;
  if (VarCompareSameType(AStored, AKey, cmp) && !AOptions.Contains(loPartialKey))
    if (cmp == 0 || VarType(AStored) != varString || !AOptions.Contains(loCaseInsensitive))
      return cmp == 0;
  if (VarIsStr(AStored) && (AOptions.Contains(loCaseInsensitive) || AOptions.Contains(loPartialKey))) {
    AnsiString s = AStored.AsString(), k = AKey.AsString();
    if (AOptions.Contains(loPartialKey)) {
      if (s.size() < k.size())
        return false;
      s.resize(k.size());
    }
    return AOptions.Contains(loCaseInsensitive) ? AnsiSameText(s, k) : s == k;
  }
  try {
    return VarSameValue(AStored, AKey);
  } catch (const Exception&) {
    return false; // values of kinds that do not compare are simply different
  }
}

// Calls AVisit for each entry of AList, also when a call removes entries or frees itself; entries removed
// before their turn are skipped. A list of one needs no copy, which keeps every scroll free of allocation.
template <class T, class F> void ForEachListed(const std::vector<T*>& AList, F AVisit) {
  if (AList.size() == 1) {
    AVisit(AList[0]);
    return;
  }
  std::vector<T*> snapshot = AList;
  for (T* item : snapshot)
    if (std::find(AList.begin(), AList.end(), item) != AList.end())
      AVisit(item);
}

} // namespace dbdataset_internal
