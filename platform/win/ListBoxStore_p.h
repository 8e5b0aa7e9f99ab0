#pragma once
// The items of one list box. A list of a million items must take inserts in the middle and index look-ups
// cheaply, so the items live in blocks of a few hundred with a Fenwick tree over the block sizes: an insert
// moves at most one block's items and finding an index costs a logarithm of the block count.
//
// A block keeps its texts back to back in one buffer and each item as an offset and a length into it, so an
// item costs its text and 8 bytes, not a string object and a heap allocation of its own. Neighbours with
// equal texts share their bytes, and a block whose items all have one text holds it once and no span per
// item, so a list of millions of equal items costs little more than its block records. Item data, heights and
// selection marks are held per block only once an item differs from the others.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinDefs.h"

namespace platform::detail {

// One value per item, held as a single value while all items have it.
template <class T> class ListBoxColumn {
public:
  T Get(std::size_t i) const { return values_.empty() ? uniform_ : values_[i]; }
  // n: the number of items before the change.
  void Set(std::size_t i, T value, std::size_t n) {
    if (values_.empty()) {
      if (value == uniform_)
        return;
      values_.assign(n, uniform_);
    }
    values_[i] = value;
  }
  void Insert(std::size_t i, std::size_t count, T value, std::size_t n) {
    if (values_.empty()) {
      if (n == 0)
        uniform_ = value;
      if (value == uniform_)
        return;
      values_.assign(n, uniform_);
    }
    values_.insert(values_.begin() + std::ptrdiff_t(i), count, value);
  }
  void Erase(std::size_t i) {
    if (!values_.empty())
      values_.erase(values_.begin() + std::ptrdiff_t(i));
  }
  ListBoxColumn Tail(std::size_t from) const {
    ListBoxColumn tail;
    tail.uniform_ = uniform_;
    if (!values_.empty())
      tail.values_.assign(values_.begin() + std::ptrdiff_t(from), values_.end());
    return tail;
  }
  void Truncate(std::size_t size) noexcept {
    if (!values_.empty())
      values_.resize(size);
  }

private:
  std::vector<T> values_;
  T uniform_{};
};

class ListBoxStore {
  struct Block;

public:
  // One item; valid until the store next changes.
  class Item {
  public:
    std::string_view Text() const;
    ULONG_PTR Data() const;
    int Height() const;
    bool Selected() const;
    void SetData(ULONG_PTR data);
    void SetHeight(int height);
    void SetSelected(bool selected);

  private:
    friend class ListBoxStore;
    Item(const Block* block, std::size_t index) : block_(const_cast<Block*>(block)), index_(index) {}
    Block* block_;
    std::size_t index_;
  };

  ListBoxStore();
  ~ListBoxStore();
  ListBoxStore(ListBoxStore&&) noexcept;
  ListBoxStore& operator=(ListBoxStore&&) noexcept;

  std::size_t Count() const { return count_; }
  Item At(std::size_t index);
  const Item At(std::size_t index) const;
  void Insert(std::size_t index, std::string_view text, ULONG_PTR data = 0, int height = 0);
  void Erase(std::size_t index);
  void Clear();
  void Reserve(std::size_t items);
  // Adds items with these texts at the end, filling blocks in one pass. Each run of texts is offered to
  // accept(first, count) just before it is copied, while it is fresh in the cache; a false answer abandons
  // the whole batch. On failure or abandon the store keeps what it held; Append answers whether it took the
  // batch.
  using AcceptRun = std::function<bool(std::size_t first, std::size_t count)>;
  bool Append(const std::string* texts, std::size_t n, int height, const AcceptRun& accept = {});

  // The first index whose item does not order before the probe (less(item) is false), as in a sorted list.
  // Needs the items ordered by the same rule.
  std::size_t LowerBound(const std::function<bool(const Item&)>& less) const;
  // The same over the items' texts alone.
  std::size_t LowerBoundText(const std::function<bool(std::string_view)>& less) const;

  // Calls f(index, item) for each item from first up to (not including) last, stopping when f returns false.
  template <class F> void ForRange(std::size_t first, std::size_t last, F f) {
    if (first >= last || first >= count_)
      return;
    auto [b, off] = Locate(first);
    std::size_t index = first;
    for (; b < blocks_.size() && index < last; ++b, off = 0)
      for (; off < BlockSize(b) && index < last; ++off, ++index)
        if (!f(index, Item(BlockAt(b), off)))
          return;
  }

  // Bytes held for the items' texts, a shared text counted once.
  std::size_t TextBytes() const;

private:
  static constexpr std::size_t kSplitAt = 256;

  std::pair<std::size_t, std::size_t> Locate(std::size_t index) const;
  std::size_t BlockStart(std::size_t block) const;
  std::size_t BlockSize(std::size_t block) const;
  Block* BlockAt(std::size_t block) const;
  void AddToTree(std::size_t block, long delta);
  void RebuildTree();
  std::size_t LowerBoundInBlock(std::size_t block, const std::function<bool(const Item&)>& less) const;

  std::vector<std::unique_ptr<Block>> blocks_;
  std::vector<long> tree_; // Fenwick tree over the block sizes, one-based
  std::size_t count_ = 0;
};

} // namespace platform::detail
