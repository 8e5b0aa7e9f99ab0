#pragma once
// The items of one list box. A list of a million items must take inserts in the middle and index look-ups
// cheaply, so the items live in blocks of a few hundred with a Fenwick tree over the block sizes: an insert
// moves at most one block's items and finding an index costs a logarithm of the block count.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinDefs.h"

namespace platform::detail {

struct ListBoxItem {
  std::string text;
  ULONG_PTR data = 0;
  int height = 0; // variable owner-draw lists only
  bool selected = false;
};

class ListBoxStore {
public:
  std::size_t Count() const { return count_; }
  ListBoxItem& At(std::size_t index);
  const ListBoxItem& At(std::size_t index) const;
  void Insert(std::size_t index, ListBoxItem item);
  void Erase(std::size_t index);
  void Clear();
  void Reserve(std::size_t items);
  // Adds items with these texts (moved out) at the end, filling blocks in one pass. On failure the store
  // keeps what it held.
  void Append(std::string* texts, std::size_t n, int height);

  // The first index whose item does not order before the probe (less(item) is false), as in a sorted list.
  // Needs the items ordered by the same rule.
  std::size_t LowerBound(const std::function<bool(const ListBoxItem&)>& less) const;
  // The same over the items' texts alone; faster, since each block's last text is kept in one small array.
  std::size_t LowerBoundText(const std::function<bool(std::string_view)>& less) const;

  // Calls f(index, item) for each item from first up to (not including) last, stopping when f returns false.
  template <class F> void ForRange(std::size_t first, std::size_t last, F f) {
    if (first >= last || first >= count_)
      return;
    auto [b, off] = Locate(first);
    std::size_t index = first;
    for (; b < blocks_.size() && index < last; ++b, off = 0)
      for (; off < blocks_[b].size() && index < last; ++off, ++index)
        if (!f(index, blocks_[b][off]))
          return;
  }

private:
  static constexpr std::size_t kSplitAt = 256;

  std::pair<std::size_t, std::size_t> Locate(std::size_t index) const;
  std::size_t BlockStart(std::size_t block) const;
  void AddToTree(std::size_t block, long delta);
  void RebuildTree();
  void SyncLast(std::size_t block);
  std::size_t LowerBoundInBlock(std::size_t block, const std::function<bool(const ListBoxItem&)>& less) const;

  std::vector<std::vector<ListBoxItem>> blocks_;
  std::vector<long> tree_;            // Fenwick tree over the block sizes, one-based
  std::vector<std::string> lastText_; // each block's last item's text, for searches by halves
  std::size_t count_ = 0;
};

} // namespace platform::detail
