#include "platform/win/ListBoxStore_p.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <tuple>

namespace platform::detail {

namespace {

struct Span {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  bool operator==(const Span&) const = default;
};

} // namespace

struct ListBoxStore::Block {
  std::string text;        // the items' texts back to back
  std::vector<Span> spans; // one for each item, or none while all share one
  Span shared;
  std::size_t sharedCount = 0;
  std::size_t dropped = 0; // bytes of erased items' texts, counted as if none were shared
  ListBoxColumn<ULONG_PTR> data;
  ListBoxColumn<int> height;
  ListBoxColumn<std::uint8_t> selected;

  bool Uniform() const { return spans.empty(); }
  std::size_t Size() const { return Uniform() ? sharedCount : spans.size(); }
  Span SpanAt(std::size_t i) const { return Uniform() ? shared : spans[i]; }
  std::string_view TextOf(Span s) const { return std::string_view(text).substr(s.offset, s.length); }
  std::string_view TextAt(std::size_t i) const { return TextOf(SpanAt(i)); }

  // One span per item again, before a change that may give items different texts.
  void Materialize(std::size_t room) {
    if (!Uniform() || sharedCount == 0)
      return;
    spans.reserve(std::max(room, sharedCount));
    spans.assign(sharedCount, shared);
    sharedCount = 0;
  }

  // The span for a text that goes in at index at: a neighbour's bytes if it has the same text.
  Span Place(std::string_view value, std::size_t at) {
    if (at > 0 && TextAt(at - 1) == value)
      return SpanAt(at - 1);
    if (at < Size() && TextAt(at) == value)
      return SpanAt(at);
    if (value.size() > std::numeric_limits<std::uint32_t>::max() - text.size())
      throw std::length_error("list box block text too long");
    Span s{std::uint32_t(text.size()), std::uint32_t(value.size())};
    text.append(value);
    return s;
  }

  void Insert(std::size_t at, std::string_view value, ULONG_PTR itemData, int itemHeight) {
    const std::size_t n = Size();
    Materialize(n + 1);
    spans.reserve(n + 1);
    const Span s = Place(value, at);
    spans.insert(spans.begin() + std::ptrdiff_t(at), s);
    // A column that cannot grow takes back what the others took.
    int done = 0;
    try {
      data.Insert(at, 1, itemData, n);
      ++done;
      height.Insert(at, 1, itemHeight, n);
      ++done;
      selected.Insert(at, 1, 0, n);
    } catch (...) {
      if (done > 1)
        height.Erase(at);
      if (done > 0)
        data.Erase(at);
      spans.erase(spans.begin() + std::ptrdiff_t(at));
      throw;
    }
  }

  void Erase(std::size_t at) {
    if (Uniform()) {
      --sharedCount;
    } else {
      dropped += spans[at].length;
      spans.erase(spans.begin() + std::ptrdiff_t(at));
    }
    data.Erase(at);
    height.Erase(at);
    selected.Erase(at);
    if (dropped > text.size() / 2)
      TryCompact();
  }

  // Copies the texts of items first..last into a fresh buffer, equal neighbours still sharing.
  static std::string Repack(const std::string& from, std::vector<Span>& spans, std::size_t first,
                            std::size_t last) {
    std::size_t bytes = 0;
    for (std::size_t i = first; i < last; ++i)
      if (i == first || !(spans[i] == spans[i - 1]))
        bytes += spans[i].length;
    std::string out;
    out.reserve(bytes);
    Span previousOld{}, previousNew{};
    for (std::size_t i = first; i < last; ++i) {
      const Span old = spans[i];
      if (i > first && old == previousOld) {
        spans[i] = previousNew;
        continue;
      }
      spans[i] = {std::uint32_t(out.size()), old.length};
      out.append(from, old.offset, old.length);
      previousOld = old;
      previousNew = spans[i];
    }
    return out;
  }

  // Repack reserves before it changes a span, so a failure leaves the block as it was, only not compacted.
  void TryCompact() noexcept {
    if (Uniform())
      return;
    try {
      text = Repack(text, spans, 0, Size());
      dropped = 0;
    } catch (const std::bad_alloc&) {
    }
  }

  // A new block with the items from index from onwards; this block is left as it was.
  std::unique_ptr<Block> Tail(std::size_t from) const {
    auto tail = std::make_unique<Block>();
    if (Uniform()) {
      tail->text = TextOf(shared);
      tail->shared = {0, shared.length};
      tail->sharedCount = sharedCount - from;
    } else {
      tail->spans.reserve(kSplitAt);
      tail->spans.assign(spans.begin() + std::ptrdiff_t(from), spans.end());
      tail->text = Repack(text, tail->spans, 0, tail->Size());
    }
    tail->data = data.Tail(from);
    tail->height = height.Tail(from);
    tail->selected = selected.Tail(from);
    return tail;
  }

  void Truncate(std::size_t size) noexcept {
    if (Uniform())
      sharedCount = size;
    else
      spans.resize(size);
    data.Truncate(size);
    height.Truncate(size);
    selected.Truncate(size);
    TryCompact();
  }

  // Adds texts[0..n) at the end, each text stored once per run of equal neighbours.
  void AppendRun(const std::string* texts, std::size_t n, int itemHeight) {
    const std::size_t size = Size();
    if (Uniform() && AllSame(texts, n) && (size == 0 || TextAt(0) == texts[0])) {
      if (size == 0) {
        if (texts[0].size() > std::numeric_limits<std::uint32_t>::max())
          throw std::length_error("list box block text too long");
        text.assign(texts[0]);
        shared = {0, std::uint32_t(texts[0].size())};
      }
      sharedCount += n;
    } else {
      AppendEach(texts, n);
    }
    data.Insert(size, n, 0, size);
    height.Insert(size, n, itemHeight, size);
    selected.Insert(size, n, 0, size);
  }

  static bool AllSame(const std::string* texts, std::size_t n) {
    for (std::size_t i = 1; i < n; ++i)
      if (!SameBytes(texts[i], texts[0]))
        return false;
    return true;
  }

  void AppendEach(const std::string* texts, std::size_t n) {
    const std::size_t size = Size();
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i)
      bytes += texts[i].size();
    if (bytes > std::numeric_limits<std::uint32_t>::max() - text.size())
      throw std::length_error("list box block text too long");
    Materialize(size + n);
    spans.reserve(size + n);
    spans.resize(size + n);
    Span* const out = spans.data() + size;
    const std::size_t start = text.size();
    text.resize(start + bytes);
    char* const base = text.data();
    std::size_t end = start;
    // Taken after the resize, which may move the texts.
    std::string_view previous = size > 0 ? TextAt(size - 1) : std::string_view();
    Span previousSpan = size > 0 ? spans[size - 1] : Span{};
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view value = texts[i];
      if (!(size > 0 || i > 0) || !SameBytes(previous, value)) {
        CopyBytes(base + end, value);
        previousSpan = {std::uint32_t(end), std::uint32_t(value.size())};
        end += value.size();
      }
      out[i] = previousSpan;
      previous = value;
    }
    text.resize(end);
  }

  // Short texts are the common case: compared and copied a word at a time instead of through library calls.
  static bool SameBytes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size())
      return false;
    if (n >= 8 && n <= 16)
      return Word(a.data()) == Word(b.data()) && Word(a.data() + n - 8) == Word(b.data() + n - 8);
    // Neighbours in order share their starts, so a difference is likelier near the end.
    for (std::size_t i = n; i > 0; --i)
      if (a[i - 1] != b[i - 1])
        return false;
    return true;
  }
  static std::uint64_t Word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
  }
  static void CopyBytes(char* to, std::string_view from) {
    const std::size_t n = from.size();
    if (n >= 8 && n <= 16) {
      std::memcpy(to, from.data(), 8);
      std::memcpy(to + n - 8, from.data() + n - 8, 8);
    } else if (n < 8) {
      for (std::size_t i = 0; i < n; ++i)
        to[i] = from[i];
    } else {
      std::memcpy(to, from.data(), n);
    }
  }
};

std::string_view ListBoxStore::Item::Text() const {
  return block_->TextAt(index_);
}
ULONG_PTR ListBoxStore::Item::Data() const {
  return block_->data.Get(index_);
}
int ListBoxStore::Item::Height() const {
  return block_->height.Get(index_);
}
bool ListBoxStore::Item::Selected() const {
  return block_->selected.Get(index_) != 0;
}
void ListBoxStore::Item::SetData(ULONG_PTR data) {
  block_->data.Set(index_, data, block_->Size());
}
void ListBoxStore::Item::SetHeight(int height) {
  block_->height.Set(index_, height, block_->Size());
}
void ListBoxStore::Item::SetSelected(bool selected) {
  block_->selected.Set(index_, selected ? 1 : 0, block_->Size());
}

ListBoxStore::ListBoxStore() = default;
ListBoxStore::~ListBoxStore() = default;
ListBoxStore::ListBoxStore(ListBoxStore&&) noexcept = default;
ListBoxStore& ListBoxStore::operator=(ListBoxStore&&) noexcept = default;

ListBoxStore::Item ListBoxStore::At(std::size_t index) {
  auto [b, off] = Locate(index);
  return Item(blocks_[b].get(), off);
}

const ListBoxStore::Item ListBoxStore::At(std::size_t index) const {
  auto [b, off] = Locate(index);
  return Item(blocks_[b].get(), off);
}

std::size_t ListBoxStore::BlockSize(std::size_t block) const {
  return blocks_[block]->Size();
}

ListBoxStore::Block* ListBoxStore::BlockAt(std::size_t block) const {
  return blocks_[block].get();
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
    tree_[i] += long(blocks_[i - 1]->Size());
    std::size_t parent = i + (i & (~i + 1));
    if (parent < tree_.size())
      tree_[parent] += tree_[i];
  }
}

void ListBoxStore::Insert(std::size_t index, std::string_view text, ULONG_PTR data, int height) {
  if (index > count_)
    throw std::out_of_range("list box insert position out of range");
  if (blocks_.empty()) {
    tree_.reserve(2);
    blocks_.push_back(std::make_unique<Block>());
    RebuildTree();
  }
  std::size_t b = 0, off = 0;
  if (index == count_) {
    b = blocks_.size() - 1;
    off = blocks_[b]->Size();
  } else {
    std::tie(b, off) = Locate(index);
  }
  Block& block = *blocks_[b];
  try {
    block.Insert(off, text, data, height);
  } catch (...) {
    if (block.Size() == 0) {
      blocks_.erase(blocks_.begin() + std::ptrdiff_t(b));
      RebuildTree();
    }
    throw;
  }
  ++count_;
  if (block.Size() >= kSplitAt) {
    // Without memory for the split the block stays large; the next insert into it tries again.
    try {
      blocks_.reserve(blocks_.size() + 1);
      tree_.reserve(blocks_.size() + 2);
      auto tail = block.Tail(kSplitAt / 2);
      block.Truncate(kSplitAt / 2);
      blocks_.insert(blocks_.begin() + std::ptrdiff_t(b + 1), std::move(tail));
      RebuildTree();
      return;
    } catch (const std::bad_alloc&) {
    }
  }
  AddToTree(b, 1);
}

void ListBoxStore::Erase(std::size_t index) {
  auto [b, off] = Locate(index);
  Block& block = *blocks_[b];
  block.Erase(off);
  --count_;
  if (block.Size() == 0) {
    blocks_.erase(blocks_.begin() + std::ptrdiff_t(b));
    RebuildTree();
  } else {
    AddToTree(b, -1);
  }
}

bool ListBoxStore::Append(const std::string* texts, std::size_t n, int height, const AcceptRun& accept) {
  if (n == 0)
    return !accept || accept(0, 0);
  // Blocks are left with room, so that a later insert among them does not split every one.
  constexpr std::size_t kFill = kSplitAt * 3 / 4;
  std::size_t intoLast = 0;
  if (!blocks_.empty() && blocks_.back()->Size() < kFill)
    intoLast = std::min(n, kFill - blocks_.back()->Size());
  // The last block is filled in a copy, so that a failure leaves the store as it was.
  std::unique_ptr<Block> last;
  if (intoLast) {
    if (accept && !accept(0, intoLast))
      return false;
    last = std::make_unique<Block>(*blocks_.back());
    last->AppendRun(texts, intoLast, height);
  }
  std::vector<std::unique_ptr<Block>> added;
  added.reserve((n - intoLast + kFill - 1) / kFill);
  for (std::size_t i = intoLast; i < n; i += kFill) {
    const std::size_t count = std::min(kFill, n - i);
    if (accept && !accept(i, count))
      return false;
    auto& block = added.emplace_back(std::make_unique<Block>());
    block->AppendRun(texts + i, count, height);
  }
  blocks_.reserve(blocks_.size() + added.size());
  tree_.reserve(blocks_.size() + added.size() + 1);
  const std::size_t before = blocks_.size();
  if (last) {
    AddToTree(before - 1, long(last->Size()) - long(blocks_.back()->Size()));
    blocks_.back() = std::move(last);
  }
  std::move(added.begin(), added.end(), std::back_inserter(blocks_));
  count_ += n;
  // Blocks added at the end only add nodes to the tree: each covers blocks just before it.
  tree_.resize(blocks_.size() + 1);
  for (std::size_t i = before + 1; i < tree_.size(); ++i) {
    const std::size_t low = i & (~i + 1);
    long sum = long(blocks_[i - 1]->Size());
    for (std::size_t j = i - 1; j > i - low; j -= j & (~j + 1))
      sum += tree_[j];
    tree_[i] = sum;
  }
  return true;
}

void ListBoxStore::Clear() {
  blocks_.clear();
  tree_.clear();
  count_ = 0;
}

void ListBoxStore::Reserve(std::size_t items) {
  blocks_.reserve(blocks_.size() + items / (kSplitAt / 2) + 1);
}

std::size_t ListBoxStore::TextBytes() const {
  std::size_t bytes = 0;
  for (const auto& block : blocks_)
    bytes += block->text.size();
  return bytes;
}

std::size_t ListBoxStore::LowerBound(const std::function<bool(const Item&)>& less) const {
  // The first block whose last item does not order before the probe holds the answer.
  std::size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {
    std::size_t mid = lo + (hi - lo) / 2;
    if (less(Item(blocks_[mid].get(), blocks_[mid]->Size() - 1)))
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
    if (less(blocks_[mid]->TextAt(blocks_[mid]->Size() - 1)))
      lo = mid + 1;
    else
      hi = mid;
  }
  return LowerBoundInBlock(lo, [&](const Item& item) { return less(item.Text()); });
}

std::size_t ListBoxStore::LowerBoundInBlock(std::size_t lo,
                                            const std::function<bool(const Item&)>& less) const {
  if (lo == blocks_.size())
    return count_;
  const Block* block = blocks_[lo].get();
  std::size_t a = 0, z = block->Size();
  while (a < z) {
    std::size_t mid = a + (z - a) / 2;
    if (less(Item(block, mid)))
      a = mid + 1;
    else
      z = mid;
  }
  return BlockStart(lo) + a;
}

} // namespace platform::detail
