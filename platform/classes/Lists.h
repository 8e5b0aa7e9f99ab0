#pragma once
// Pointer lists, the owning object list, and the stable sort they share with the string lists.
#include <vector>

#include "platform/classes/Object.h"

// A stable merge sort of the positions 0..Count-1 by Less(a, b) on original positions: the list being sorted
// is not touched while Less runs, so a comparison by index reads consistent data, and a comparison that is
// not a strict weak ordering yields some permutation instead of running off the ends.
template <class Less> std::vector<int> SortedPermutation(int Count, Less less) {
  std::vector<int> a(std::size_t(Count > 0 ? Count : 0)), b(a.size());
  for (int i = 0; i < Count; ++i)
    a[std::size_t(i)] = i;
  for (std::size_t width = 1; width < a.size(); width *= 2) {
    for (std::size_t lo = 0; lo < a.size(); lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, a.size()), hi = std::min(lo + 2 * width, a.size());
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi)
        b[k++] = less(a[j], a[i]) ? a[j++] : a[i++];
      while (i < mid)
        b[k++] = a[i++];
      while (j < hi)
        b[k++] = a[j++];
    }
    a.swap(b);
  }
  return a;
}

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = int (*)(void* Item1, void* Item2);

class TList : public TObject {
  PELVOR_CLASS(TList, TObject)

  TList() = default;
  ~TList() override;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  // Removes the first occurrence; answers its former index or -1.
  int Remove(void* Item);
  // Takes the item out without the deletion's consequences (an object list does not free it).
  void* Extract(void* Item);
  int IndexOf(void* Item) const;
  void Move(int CurIndex, int NewIndex);
  void Exchange(int Index1, int Index2);
  // Stable: items that compare equal keep their order.
  void Sort(TListSortCompare Compare);
  virtual void Clear();

  int Count() const { return int(FList.size()); }
  // Growing fills with nullptr; shrinking deletes the items beyond the new count.
  void SetCount(int NewCount);
  int Capacity() const { return int(FList.capacity()); }
  void SetCapacity(int NewCapacity);
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  void** List() { return FList.data(); }

protected:
  // Every item that enters or leaves the list passes through here.
  virtual void Notify(void* Ptr, TListNotification Action) {
    (void)Ptr;
    (void)Action;
  }
  void CheckIndex(int Index) const;

private:
  std::vector<void*> FList;
};

// A list of objects that, by default, frees each object that is deleted from it or left in it at the end.
class TObjectList : public TList {
  PELVOR_CLASS(TObjectList, TList)

  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  int Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(int Index, TObject* AObject) { TList::Insert(Index, AObject); }
  int Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* AObject) { return static_cast<TObject*>(TList::Extract(AObject)); }
  int IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  void SetItems(int Index, TObject* AObject) { TList::SetItems(Index, AObject); }

protected:
  void Notify(void* Ptr, TListNotification Action) override;

private:
  bool FOwnsObjects;
};
