#include "platform/win/ListBoxStore_p.h"

#include <iterator>
#include <stdexcept>
#include <tuple>

namespace platform::detail {

ListBoxItem& ListBoxStore::At(std::size_t index) {
  auto [b, off] = Locate(index);
  return blocks_[b][off];
}

const ListBoxItem& ListBoxStore::At(std::size_t index) const {
  auto [b, off] = Locate(index);
  return blocks_[b][off];
}

std::pair<std::size_t, std::size_t> ListBoxStore::Locate(std::size_t index) const {
  if (index >= count_)
    throw std::out_of_range("list box item index out of range");
  // Descends the tree to the last block whose start is at or before the index.
  std::size_t pos = 0;
  std::size_t rest = index;
  std::size_t step = 1;
  while (step * 2 <= blocks_.size())
    step *= 2;
  for (; step > 0; step /= 2) {
    std::size_t next = pos + step;
    if (next <= blocks_.size() && std::size_t(tree_[next]) <= rest) {
      pos = next;
      rest -= std::size_t(tree_[next]);
    }
  }
  return {pos, rest};
}

std::size_t ListBoxStore::BlockStart(std::size_t block) const {
  std::size_t sum = 0;
  for (std::size_t i = block; i > 0; i -= i & (~i + 1))
    sum += std::size_t(tree_[i]);
  return sum;
}

void ListBoxStore::AddToTree(std::size_t block, long delta) {
  for (std::size_t i = block + 1; i < tree_.size(); i += i & (~i + 1))
    tree_[i] += delta;
}

void ListBoxStore::RebuildTree() {
  tree_.assign(blocks_.size() + 1, 0);
  for (std::size_t i = 1; i < tree_.size(); ++i) {
    tree_[i] += long(blocks_[i - 1].size());
    std::size_t parent = i + (i & (~i + 1));
    if (parent < tree_.size())
      tree_[parent] += tree_[i];
  }
}

void ListBoxStore::Insert(std::size_t index, ListBoxItem item) {
  if (index > count_)
    throw std::out_of_range("list box insert position out of range");
  if (blocks_.empty()) {
    blocks_.emplace_back();
    blocks_.back().reserve(kSplitAt);
    lastText_.emplace_back();
    RebuildTree();
  }
  std::size_t b = 0, off = 0;
  if (index == count_) {
    b = blocks_.size() - 1;
    off = blocks_[b].size();
  } else {
    std::tie(b, off) = Locate(index);
  }
  auto& block = blocks_[b];
  block.insert(block.begin() + std::ptrdiff_t(off), std::move(item));
  ++count_;
  if (off + 1 == block.size())
    SyncLast(b);
  if (block.size() < kSplitAt) {
    AddToTree(b, 1);
    return;
  }
  std::vector<ListBoxItem> tail;
  tail.reserve(kSplitAt);
  tail.assign(std::make_move_iterator(block.begin() + std::ptrdiff_t(kSplitAt / 2)),
              std::make_move_iterator(block.end()));
  block.erase(block.begin() + std::ptrdiff_t(kSplitAt / 2), block.end());
  blocks_.insert(blocks_.begin() + std::ptrdiff_t(b + 1), std::move(tail));
  lastText_.insert(lastText_.begin() + std::ptrdiff_t(b + 1), std::string());
  SyncLast(b);
  SyncLast(b + 1);
  RebuildTree();
}

void ListBoxStore::SyncLast(std::size_t block) {
  lastText_[block] = blocks_[block].back().text;
}

void ListBoxStore::Erase(std::size_t index) {
  auto [b, off] = Locate(index);
  auto& block = blocks_[b];
  block.erase(block.begin() + std::ptrdiff_t(off));
  --count_;
  if (block.empty()) {
    blocks_.erase(blocks_.begin() + std::ptrdiff_t(b));
    lastText_.erase(lastText_.begin() + std::ptrdiff_t(b));
    RebuildTree();
  } else {
    if (off == block.size())
      SyncLast(b);
    AddToTree(b, -1);
  }
}

void ListBoxStore::Append(std::string* texts, std::size_t n, int height) {
  if (n == 0)
    return;
  // Blocks are left with room, so that a later insert among them does not split every one.
  constexpr std::size_t kFill = kSplitAt * 3 / 4;
  std::vector<std::vector<ListBoxItem>> added;
  std::size_t i = 0;
  std::size_t intoLast = 0;
  if (!blocks_.empty() && blocks_.back().size() < kFill)
    intoLast = std::min(n, kFill - blocks_.back().size());
  i = intoLast;
  added.reserve((n - i + kFill - 1) / kFill);
  while (i < n) {
    std::vector<ListBoxItem>& block = added.emplace_back();
    block.reserve(kSplitAt);
    for (const std::size_t end = std::min(n, i + kFill); i < end; ++i)
      block.emplace_back(std::move(texts[i]), 0, height, false);
  }
  blocks_.reserve(blocks_.size() + added.size());
  lastText_.reserve(lastText_.size() + added.size());
  if (intoLast) {
    auto& last = blocks_.back();
    last.reserve(kSplitAt);
    for (std::size_t k = 0; k < intoLast; ++k)
      last.emplace_back(std::move(texts[k]), 0, height, false);
    SyncLast(blocks_.size() - 1);
  }
  for (auto& block : added) {
    blocks_.push_back(std::move(block));
    lastText_.push_back(blocks_.back().back().text);
  }
  count_ += n;
  RebuildTree();
}

void ListBoxStore::Clear() {
  blocks_.clear();
  lastText_.clear();
  tree_.clear();
  count_ = 0;
}

void ListBoxStore::Reserve(std::size_t items) {
  blocks_.reserve(blocks_.size() + items / (kSplitAt / 2) + 1);
}

std::size_t ListBoxStore::LowerBound(const std::function<bool(const ListBoxItem&)>& less) const {
  // The first block whose last item does not order before the probe holds the answer.
  std::size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (less(blocks_[mid].back()))
      lo = mid + 1;
    else
      hi = mid;
  }
  return LowerBoundInBlock(lo, less);
}

std::size_t ListBoxStore::LowerBoundText(const std::function<bool(std::string_view)>& less) const {
  std::size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (less(lastText_[mid]))
      lo = mid + 1;
    else
      hi = mid;
  }
  return LowerBoundInBlock(lo, [&](const ListBoxItem& item) { return less(item.text); });
}

std::size_t ListBoxStore::LowerBoundInBlock(std::size_t lo,
                                            const std::function<bool(const ListBoxItem&)>& less) const {
  if (lo == blocks_.size())
    return count_;
  const auto& block = blocks_[lo];
  std::size_t a = 0, z = block.size();
  while (a < z) {
    std::size_t mid = a + (z - a) / 2;
    if (less(block[mid]))
      a = mid + 1;
    else
      z = mid;
  }
  return BlockStart(lo) + a;
}

} // namespace platform::detail
