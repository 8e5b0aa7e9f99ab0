#include "engine/WordIndex.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/CaseRules.h"
#include "platform/rtl/CodePage.h"

namespace {

// A headword in the default code page, kept on the stack when it is short: the comparisons below run a
// million times while an index is built.
class TAnsiKey {
public:
  TAnsiKey(std::u16string_view Wide, const std::uint8_t* ToAnsi) : FSize(Wide.size()) {
    char* out = FSize <= sizeof FShort ? FShort : (FLong.resize(FSize), FLong.data());
    for (std::size_t i = 0; i < FSize; ++i)
      out[i] = char(ToAnsi[Wide[i]]);
    FData = out;
  }
  std::string_view View() const { return {FData, FSize}; }

private:
  char FShort[64];
  std::string FLong;
  const char* FData = nullptr;
  std::size_t FSize = 0;
};

constexpr std::size_t kPrefixUnits = 8;

} // namespace

struct TWordIndex::TOrder {
  const TWordIndex& Index;
  TKeyField Key;

  std::u16string_view KeyAt(std::uint32_t Entry) const { return KeyOf(Index.FStore->Items(int(Entry)), Key); }

  // The list's comparison of two headwords, letter case aside.
  int Compare(std::u16string_view A, std::u16string_view B) const {
    if (A == B)
      return 0;
    TAnsiKey a(A, Index.FToAnsi), b(B, Index.FToAnsi);
    return CodePageCompare(a.View(), b.View(), CaseSensitivity::Insensitive, Index.FCodePage);
  }

  // The first-level weights of the first units, most significant first, 0 past the end: two headwords whose
  // packed prefixes differ are ordered as those prefixes are.
  std::uint64_t PackedPrefix(std::u16string_view K) const {
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < kPrefixUnits; ++i)
      packed = packed << 8 | (i < K.size() ? Index.FPrimaryRank[Index.FToAnsi[K[i]]] : 0);
    return packed;
  }

  std::vector<std::uint32_t> Build() const {
    const std::size_t n = std::size_t(Index.FCount);
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<std::uint64_t> prefix(n);
    for (std::size_t i = 0; i < n; ++i)
      prefix[i] = PackedPrefix(KeyAt(std::uint32_t(i)));
    auto less = [&](std::uint32_t a, std::uint32_t b) {
      if (prefix[a] != prefix[b])
        return prefix[a] < prefix[b];
      const int c = Compare(KeyAt(a), KeyAt(b));
      return c < 0 || (c == 0 && a < b);
    };
    // A store that is already in order (or holds one headword many times) costs one pass.
    if (!std::is_sorted(order.begin(), order.end(), less))
      std::sort(order.begin(), order.end(), less);
    return order;
  }

  // Compares the first-level weights of a headword's first units with those of Probe, which stands for the
  // prefix's; a headword shorter than the probe orders before it.
  int ComparePrefix(std::uint32_t Entry, const std::vector<std::uint8_t>& Probe) const {
    const std::u16string_view k = KeyAt(Entry);
    const std::size_t n = std::min(k.size(), Probe.size());
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t r = Index.FPrimaryRank[Index.FToAnsi[k[i]]];
      if (r != Probe[i])
        return r < Probe[i] ? -1 : 1;
    }
    return k.size() < Probe.size() ? -1 : 0;
  }
};

TWordIndex::~TWordIndex() {
  Wait();
}

void TWordIndex::Wait() {
  {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] { return !FBuilding; });
  }
  if (FWorker.joinable())
    FWorker.join();
}

void TWordIndex::Reset() {
  Wait();
  FStore = nullptr;
  FError = nullptr;
  FTurkce = {};
  FLazca = {};
}

void TWordIndex::Build(const TPelvor& Store, bool Background) {
  Reset();
  if (Store.Count() > INT32_MAX)
    throw EInvalidArgument("The word store is too large to index");
  FStore = &Store;
  FGeneration = Store.Generation();
  FCount = Store.Count();
  FCodePage = GetACP();
  for (std::uint32_t u = 0; u < 65536; ++u) {
    const int b = CodePageWideToByte(FCodePage, char16_t(u));
    FToAnsi[u] = std::uint8_t(b < 0 ? DefaultAnsiChar : char(b));
  }
  // Dense ranks of the first-level weights, so that eight of them fit in one number.
  std::vector<std::uint32_t> weights;
  for (int b = 0; b < 256; ++b)
    weights.push_back(CodePagePrimaryWeight(FCodePage, std::uint8_t(b)));
  std::vector<std::uint32_t> distinct = weights;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  for (int b = 0; b < 256; ++b)
    FPrimaryRank[b] = std::uint8_t(
        std::lower_bound(distinct.begin(), distinct.end(), weights[std::size_t(b)]) - distinct.begin() + 1);
  // One rank per byte fits only while the code page has fewer than 256 first-level weights; past that the
  // packed prefixes stay 0 and every comparison takes the full path.
  if (distinct.size() > 255)
    std::fill(std::begin(FPrimaryRank), std::end(FPrimaryRank), std::uint8_t(0));
  Run(Background);
}

void TWordIndex::Run(bool Background) {
  auto work = [this] {
    std::exception_ptr lazcaError;
    std::thread lazca([&] {
      try {
        FLazca = TOrder{*this, TKeyField::Lazca}.Build();
      } catch (...) {
        lazcaError = std::current_exception();
      }
    });
    std::exception_ptr error;
    try {
      FTurkce = TOrder{*this, TKeyField::Turkce}.Build();
    } catch (...) {
      error = std::current_exception();
    }
    lazca.join();
    return error ? error : lazcaError;
  };
  if (!Background) {
    if (auto error = work()) {
      FStore = nullptr;
      std::rethrow_exception(error);
    }
    return;
  }
  FBuilding = true;
  FWorker = std::thread([this, work] {
    std::exception_ptr error = work();
    std::lock_guard lock(FMutex);
    FError = error;
    FBuilding = false;
    FDone.notify_all();
  });
}

bool TWordIndex::Covers(const TPelvor& Store) {
  Wait();
  if (FError) {
    std::exception_ptr error = FError;
    FError = nullptr;
    FStore = nullptr;
    std::rethrow_exception(error);
  }
  return FStore == &Store && FGeneration == Store.Generation() && FCount == Store.Count() &&
         FCodePage == GetACP();
}

std::pair<std::size_t, std::size_t> TWordIndex::PrefixRun(const std::vector<std::uint32_t>& Order,
                                                          TKeyField Key, std::string_view Ansi) const {
  const TOrder order{*this, Key};
  std::vector<std::uint8_t> probe;
  for (char c : Ansi)
    probe.push_back(FPrimaryRank[std::uint8_t(c)]);
  auto first = std::partition_point(Order.begin(), Order.end(),
                                    [&](std::uint32_t e) { return order.ComparePrefix(e, probe) < 0; });
  auto last = std::partition_point(first, Order.end(),
                                   [&](std::uint32_t e) { return order.ComparePrefix(e, probe) == 0; });
  return {std::size_t(first - Order.begin()), std::size_t(last - Order.begin())};
}

void TWordIndex::Search(std::u16string_view Prefix, TKeyField Key, TSearch& Out) const {
  Out.Matches.Clear();
  Out.Headwords.clear();
  if (!FStore)
    return;
  const std::vector<std::uint32_t>& all = OrderOf(Key);
  const TOrder order{*this, Key};
  std::size_t first = 0, last = all.size();
  if (!Prefix.empty()) {
    const TAnsiKey ansi(Prefix, FToAnsi);
    std::tie(first, last) = PrefixRun(all, Key, ansi.View());
  }

  std::vector<std::uint32_t> matched;
  if (!Prefix.empty())
    matched.reserve(last - first);
  std::u16string_view lastHeadword;
  bool anyHeadword = false;
  for (std::size_t i = first; i < last; ++i) {
    const std::uint32_t e = all[i];
    TKelime* entry = FStore->Items(int(e));
    const std::u16string_view k = KeyOf(entry, Key);
    if (!k.starts_with(Prefix))
      continue;
    if (!Prefix.empty())
      matched.push_back(e);
    // Equal headwords stand together, so a headword equal to the last one kept belongs to its run.
    if (anyHeadword && order.Compare(lastHeadword, k) == 0)
      continue;
    Out.Headwords.push_back(entry);
    lastHeadword = k;
    anyHeadword = true;
  }

  std::vector<TKelime*>& matches = Out.Matches.Entries();
  if (Prefix.empty()) {
    matches.reserve(std::size_t(FCount));
    for (int i = 0; i < FCount; ++i)
      matches.push_back(FStore->Items(i));
    return;
  }
  // Back into the store's order: by sorting when the matches are few, else by one sweep over the store.
  const std::size_t m = matched.size();
  std::size_t log = 1;
  while ((std::size_t(1) << log) < m)
    ++log;
  matches.reserve(m);
  if (m * log <= std::size_t(FCount) / 16) {
    std::sort(matched.begin(), matched.end());
    for (std::uint32_t e : matched)
      matches.push_back(FStore->Items(int(e)));
  } else {
    std::vector<std::uint64_t> marks((std::size_t(FCount) + 63) / 64);
    for (std::uint32_t e : matched)
      marks[e / 64] |= std::uint64_t(1) << (e % 64);
    std::vector<std::uint32_t>().swap(matched);
    for (std::size_t w = 0; w < marks.size(); ++w)
      for (std::uint64_t bits = marks[w]; bits; bits &= bits - 1)
        matches.push_back(FStore->Items(int(w * 64 + std::size_t(__builtin_ctzll(bits)))));
  }
}

void TWordIndex::EntriesWithKey(std::u16string_view Headword, std::u16string_view Prefix, TKeyField Key,
                                std::vector<TKelime*>& Out) const {
  Out.clear();
  if (!FStore || !Headword.starts_with(Prefix))
    return;
  const std::vector<std::uint32_t>& all = OrderOf(Key);
  const TOrder order{*this, Key};
  auto first = std::partition_point(
      all.begin(), all.end(), [&](std::uint32_t e) { return order.Compare(order.KeyAt(e), Headword) < 0; });
  for (auto it = first; it != all.end(); ++it) {
    TKelime* entry = FStore->Items(int(*it));
    const std::u16string_view k = KeyOf(entry, Key);
    if (k == Headword)
      Out.push_back(entry);
    else if (order.Compare(k, Headword) != 0)
      break;
  }
}
