#include "engine/WordIndex.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <thread>
#include <utility>

#include "engine/ThreadGroup.h"
#include "platform/rtl/CaseRules.h"
#include "platform/rtl/CodePage.h"

namespace {

constexpr std::size_t kPrefixBytes = 8;
// Threads per direction for the passes over a large store.
constexpr std::size_t kThreads = 4;

} // namespace

int TWordIndex::Compare(std::string_view A, std::string_view B) const {
  if (A == B)
    return 0;
  return CodePageCompare(A, B, CaseSensitivity::Insensitive, FCodePage);
}

bool TWordIndex::ToAnsi(std::u16string_view Wide, std::string& Out) const {
  Out.resize(Wide.size());
  bool exact = true;
  for (std::size_t i = 0; i < Wide.size(); ++i) {
    Out[i] = char(FToAnsi[Wide[i]]);
    exact = exact && FRoundTrips[Wide[i]];
  }
  return exact;
}

struct TWordIndex::TBuilder {
  const TWordIndex& Index;
  TKeyField Key;

  // Bounds of the slices a pass over N items is cut into, each but the last a multiple of 64 long so that
  // no two slices share a word of a bit set.
  static std::vector<std::size_t> Slices(std::size_t N) {
    const std::size_t slices = N < (std::size_t(1) << 16) ? 1 : kThreads;
    std::vector<std::size_t> bounds;
    for (std::size_t k = 0; k < slices; ++k)
      bounds.push_back(N * k / slices / 64 * 64);
    bounds.push_back(N);
    return bounds;
  }

  template <class F> static void InParallel(const std::vector<std::size_t>& Bounds, F Work) {
    std::exception_ptr error;
    std::mutex errorMutex;
    auto run = [&](std::size_t k) {
      try {
        Work(k, Bounds[k], Bounds[k + 1]);
      } catch (...) {
        std::lock_guard lock(errorMutex);
        error = std::current_exception();
      }
    };
    TThreadGroup threads;
    // The slices that get no thread of their own are worked on here.
    std::size_t k = 1;
    while (k + 1 < Bounds.size() && threads.TryStart([&run, k] { run(k); }))
      ++k;
    run(0);
    for (; k + 1 < Bounds.size(); ++k)
      run(k);
    threads.JoinAll();
    if (error)
      std::rethrow_exception(error);
  }

  // Orders the numbers by their packed prefixes, stably, by a radix sort on two ranks at a time: a few passes
  // of sequential reads on one thread, where a comparison sort would need many times the work and threads
  // that a loaded machine may not give. Only the runs that share a prefix need the full comparison after.
  template <class Less>
  static void SortByPrefix(std::vector<std::uint32_t>& Order, const std::vector<std::uint64_t>& Prefix,
                           Less FullLess) {
    struct TItem {
      std::uint64_t first;
      std::uint32_t second;
    };
    constexpr int kDigitBits = 16;
    constexpr std::size_t kDigits = 64 / kDigitBits;
    constexpr std::size_t kRadix = std::size_t(1) << kDigitBits;
    const std::size_t n = Order.size();
    std::vector<TItem> items(n), spare(n);
    std::vector<std::uint32_t> count(kDigits * kRadix);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint64_t key = Prefix[Order[i]];
      items[i] = {key, Order[i]};
      for (std::size_t d = 0; d < kDigits; ++d)
        ++count[d * kRadix + (key >> (d * kDigitBits) & (kRadix - 1))];
    }
    for (std::size_t d = 0; d < kDigits; ++d) {
      std::uint32_t* c = count.data() + d * kRadix;
      const int shift = int(d) * kDigitBits;
      // A digit that all share orders nothing.
      if (n == 0 || c[items[0].first >> shift & (kRadix - 1)] == n)
        continue;
      std::uint32_t sum = 0;
      for (std::size_t v = 0; v < kRadix; ++v)
        sum += std::exchange(c[v], sum);
      for (const TItem& item : items)
        spare[c[item.first >> shift & (kRadix - 1)]++] = item;
      items.swap(spare);
    }
    std::vector<TItem>().swap(spare);
    for (std::size_t i = 0; i < n; ++i)
      Order[i] = items[i].second;
    for (std::size_t i = 0; i < n;) {
      std::size_t j = i + 1;
      while (j < n && items[j].first == items[i].first)
        ++j;
      if (j - i > 1 &&
          !std::is_sorted(Order.begin() + std::ptrdiff_t(i), Order.begin() + std::ptrdiff_t(j), FullLess))
        std::sort(Order.begin() + std::ptrdiff_t(i), Order.begin() + std::ptrdiff_t(j), FullLess);
      i = j;
    }
  }

  TDirection Build() const {
    const std::size_t n = std::size_t(Index.FCount);
    const TPelvor& store = *Index.FStore;
    const std::vector<std::size_t> bounds = Slices(n);
    const std::size_t slices = bounds.size() - 1;

    // The headwords in the store's order, each slice's bytes apart at first and joined after, so that the
    // entries are visited once.
    std::vector<std::uint32_t> offsets(n + 1);
    std::vector<std::string> parts(slices);
    std::vector<std::uint64_t> lossy((n + 63) / 64);
    // The first-level weights of the first bytes, most significant first, 0 past the end: two headwords whose
    // packed prefixes differ are ordered as those prefixes are.
    std::vector<std::uint64_t> prefix(n);
    InParallel(bounds, [&](std::size_t slice, std::size_t first, std::size_t last) {
      std::string& part = parts[slice];
      for (std::size_t i = first; i < last; ++i) {
        offsets[i] = std::uint32_t(part.size());
        bool exact = true;
        std::uint64_t packed = 0;
        std::size_t j = 0;
        const std::u16string_view text = KeyOf(store.Items(int(i)), Key);
        const std::size_t at = part.size();
        part.resize(at + text.size());
        char* out = part.data() + at;
        for (char16_t u : text) {
          const std::uint8_t b = Index.FToAnsi[u];
          *out++ = char(b);
          exact = exact && Index.FRoundTrips[u];
          if (j++ < kPrefixBytes)
            packed = packed << 8 | Index.FPrimaryRank[b];
        }
        for (; j < kPrefixBytes; ++j)
          packed <<= 8;
        prefix[i] = packed;
        if (!exact)
          lossy[i / 64] |= std::uint64_t(1) << (i % 64);
      }
    });
    std::size_t total = 0;
    for (const std::string& part : parts)
      total += part.size();
    if (total > UINT32_MAX)
      throw EInvalidArgument("The dictionary's headwords are too long to index");
    std::string keys;
    keys.reserve(total);
    for (std::size_t k = 0; k < slices; ++k) {
      const auto base = std::uint32_t(keys.size());
      if (base != 0)
        for (std::size_t i = bounds[k]; i < bounds[k + 1]; ++i)
          offsets[i] += base;
      keys += parts[k];
      std::string().swap(parts[k]);
    }
    offsets[n] = std::uint32_t(total);
    auto key = [&](std::uint32_t e) {
      return std::string_view(keys).substr(offsets[e], offsets[e + 1] - offsets[e]);
    };

    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    {
      auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (prefix[a] != prefix[b])
          return prefix[a] < prefix[b];
        const int c = Index.Compare(key(a), key(b));
        return c < 0 || (c == 0 && a < b);
      };
      // A store already in order, or one that holds one headword many times, costs one pass.
      if (!std::is_sorted(order.begin(), order.end(), less))
        SortByPrefix(order, prefix, less);
    }
    std::vector<std::uint64_t>().swap(prefix);

    TDirection d;
    // A store already in order needs no second layout.
    d.LaidOut = std::is_sorted(order.begin(), order.end());
    d.Offsets = std::move(offsets);
    d.Keys = std::move(keys);
    d.Lossy = std::move(lossy);
    d.Entries = std::move(order);
    return d;
  }

  // The same direction with its headwords in the list's order.
  static TDirection LayOut(const TDirection& From) {
    const std::size_t n = From.Entries.size();
    const std::vector<std::size_t> bounds = Slices(n);
    const std::size_t slices = bounds.size() - 1;
    TDirection d;
    d.Entries = From.Entries;
    d.Offsets.resize(n + 1);
    d.Lossy.assign((n + 63) / 64, 0);
    std::vector<std::size_t> sliceStart(slices + 1);
    InParallel(bounds, [&](std::size_t slice, std::size_t first, std::size_t last) {
      std::size_t sum = 0;
      for (std::size_t pos = first; pos < last; ++pos)
        sum += From.KeyAt(pos).size();
      sliceStart[slice + 1] = sum;
    });
    std::partial_sum(sliceStart.begin(), sliceStart.end(), sliceStart.begin());
    d.Keys.resize(sliceStart[slices]);
    InParallel(bounds, [&](std::size_t slice, std::size_t first, std::size_t last) {
      std::size_t at = sliceStart[slice];
      for (std::size_t pos = first; pos < last; ++pos) {
        const std::string_view k = From.KeyAt(pos);
        d.Offsets[pos] = std::uint32_t(at);
        std::memcpy(d.Keys.data() + at, k.data(), k.size());
        at += k.size();
        if (From.IsLossy(pos))
          d.Lossy[pos / 64] |= std::uint64_t(1) << (pos % 64);
      }
    });
    d.Offsets[n] = std::uint32_t(sliceStart[slices]);
    d.LaidOut = true;
    return d;
  }
};

TWordIndex::~TWordIndex() {
  Wait();
}

void TWordIndex::Wait() {
  {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] { return !FPending[0] && !FPending[1] && !FLayingOut; });
    Adopt(TKeyField::Turkce);
    Adopt(TKeyField::Lazca);
  }
  FWorker.JoinAll();
}

bool TWordIndex::BuildFailed() {
  Wait();
  return FError != nullptr;
}

void TWordIndex::Adopt(TKeyField Key) {
  if (!FLaidOutReady[int(Key)])
    return;
  DirectionOf(Key) = std::move(FLaidOut[int(Key)]);
  FLaidOut[int(Key)] = {};
  FLaidOutReady[int(Key)] = false;
}

void TWordIndex::Reset() {
  Wait();
  FStore = nullptr;
  FError = nullptr;
  FTurkce = {};
  FLazca = {};
  FLaidOut[0] = FLaidOut[1] = {};
  FLaidOutReady[0] = FLaidOutReady[1] = false;
}

void TWordIndex::PrepareCodePage() {
  FCodePage = GetACP();
  // A scan on every key must not redo this.
  if (FTablesFor == FCodePage)
    return;
  FTablesFor = FCodePage;
  for (std::uint32_t u = 0; u < 65536; ++u) {
    const int b = CodePageWideToByte(FCodePage, char16_t(u));
    FToAnsi[u] = std::uint8_t(b < 0 ? DefaultAnsiChar : char(b));
    FRoundTrips[u] = b >= 0 && CodePageByteToWide(FCodePage, std::uint8_t(b)) == char16_t(u);
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
  // One rank per byte fits only while the code page has fewer than 256 first-level weights; past that every
  // byte ranks alike, prefixes find the whole store and only the full comparison orders.
  if (distinct.size() > 255)
    std::fill(std::begin(FPrimaryRank), std::end(FPrimaryRank), std::uint8_t(1));
}

void TWordIndex::Build(const TPelvor& Store, bool Background) {
  Reset();
  FStore = &Store;
  FGeneration = Store.Generation();
  FCount = Store.Count();
  PrepareCodePage();
  Run(Background);
}

void TWordIndex::Run(bool Background) {
  // The Turkish direction first: the window opens on it, and its first key waits for it alone.
  auto build = [this](TKeyField Key) {
    TDirection d = TBuilder{*this, Key}.Build();
    std::lock_guard lock(FMutex);
    (Key == TKeyField::Turkce ? FTurkce : FLazca) = std::move(d);
    FPending[int(Key)] = false;
    FDone.notify_all();
  };
  // Searches read the direction while it is laid out anew; neither side writes it until the new form is
  // adopted. Without memory for it the index still answers, only from the store's order.
  auto layOut = [this](TKeyField Key) {
    if (DirectionOf(Key).LaidOut)
      return;
    try {
      TDirection d = TBuilder::LayOut(DirectionOf(Key));
      std::lock_guard lock(FMutex);
      FLaidOut[int(Key)] = std::move(d);
      FLaidOutReady[int(Key)] = true;
    } catch (const std::bad_alloc&) {
    }
  };
  if (!Background) {
    try {
      build(TKeyField::Turkce);
      build(TKeyField::Lazca);
    } catch (...) {
      FStore = nullptr;
      throw;
    }
    layOut(TKeyField::Turkce);
    layOut(TKeyField::Lazca);
    std::lock_guard lock(FMutex);
    Adopt(TKeyField::Turkce);
    Adopt(TKeyField::Lazca);
    return;
  }
  FPending[0] = FPending[1] = true;
  FLayingOut = true;
  auto work = [this, build, layOut] {
    try {
      build(TKeyField::Turkce);
      build(TKeyField::Lazca);
      layOut(TKeyField::Turkce);
      layOut(TKeyField::Lazca);
    } catch (...) {
      std::lock_guard lock(FMutex);
      FError = std::current_exception();
      FPending[0] = FPending[1] = false;
    }
    std::lock_guard lock(FMutex);
    FLayingOut = false;
    FDone.notify_all();
  };
  // Without a thread to spare the index is built before the caller goes on; what would have waited for the
  // thread finds it done.
  if (!FWorker.TryStart(work))
    work();
}

bool TWordIndex::Covers(const TPelvor& Store) {
  Wait();
  return Current(Store, std::exchange(FError, nullptr));
}

bool TWordIndex::Covers(const TPelvor& Store, TKeyField Key) {
  std::exception_ptr error;
  {
    std::unique_lock lock(FMutex);
    FDone.wait(lock, [&] { return !FPending[int(Key)]; });
    error = std::exchange(FError, nullptr);
    // Both, so that a finished layout of the other direction does not keep its old form alive beside it.
    Adopt(TKeyField::Turkce);
    Adopt(TKeyField::Lazca);
  }
  if (error)
    Wait();
  return Current(Store, error);
}

bool TWordIndex::Current(const TPelvor& Store, std::exception_ptr Error) {
  if (Error) {
    FStore = nullptr;
    std::rethrow_exception(Error);
  }
  return FStore == &Store && FGeneration == Store.Generation() && FCount == Store.Count() &&
         FCodePage == GetACP();
}

void TWordIndex::Search(std::u16string_view Prefix, TKeyField Key, TSearch& Out) const {
  Out.Matches.Clear();
  Out.Headwords.clear();
  if (!FStore)
    return;
  const TDirection& d = DirectionOf(Key);
  std::string ansi;
  const bool exact = ToAnsi(Prefix, ansi);
  std::size_t first = 0, last = d.Entries.size();
  if (!Prefix.empty()) {
    // Every headword that begins with the prefix has first-level weights that begin with the prefix's.
    std::vector<std::uint8_t> probe;
    for (char c : ansi)
      probe.push_back(FPrimaryRank[std::uint8_t(c)]);
    auto compare = [&](std::size_t pos) {
      const std::string_view k = d.KeyAt(pos);
      const std::size_t n = std::min(k.size(), probe.size());
      for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t r = FPrimaryRank[std::uint8_t(k[i])];
        if (r != probe[i])
          return r < probe[i] ? -1 : 1;
      }
      return k.size() < probe.size() ? -1 : 0;
    };
    std::size_t lo = 0, hi = d.Entries.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (compare(mid) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    first = lo;
    hi = d.Entries.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (compare(mid) <= 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    last = lo;
  }

  // The matches go back into the store's order by sorting when the run is short, else by marking them and
  // sweeping over the store once.
  const std::size_t run = last - first;
  std::size_t log = 1;
  while ((std::size_t(1) << log) < run)
    ++log;
  const bool sweep = !Prefix.empty() && run * log > std::size_t(FCount) / 16;
  std::vector<std::uint32_t> matched;
  std::vector<std::uint64_t> marks;
  if (sweep)
    marks.resize((std::size_t(FCount) + 63) / 64);
  std::size_t count = 0;
  std::string_view lastHeadword;
  for (std::size_t pos = first; pos < last; ++pos) {
    const std::string_view k = d.KeyAt(pos);
    const bool match = exact && !d.IsLossy(pos)
                           ? k.starts_with(ansi)
                           : KeyOf(FStore->Items(int(d.Entries[pos])), Key).starts_with(Prefix);
    if (!match)
      continue;
    const std::uint32_t e = d.Entries[pos];
    ++count;
    if (sweep)
      marks[e / 64] |= std::uint64_t(1) << (e % 64);
    else if (!Prefix.empty())
      matched.push_back(e);
    // Equal headwords stand together, so one equal to the last kept belongs to its run.
    if (!Out.Headwords.empty() && Compare(lastHeadword, k) == 0)
      continue;
    Out.Headwords.emplace_back(k);
    lastHeadword = k;
  }

  std::vector<TKelime*>& matches = Out.Matches.Entries();
  matches.reserve(count);
  if (Prefix.empty()) {
    for (int i = 0; i < FCount; ++i)
      matches.push_back(FStore->Items(i));
  } else if (sweep) {
    for (std::size_t w = 0; w < marks.size(); ++w)
      for (std::uint64_t bits = marks[w]; bits; bits &= bits - 1)
        matches.push_back(FStore->Items(int(w * 64 + std::size_t(__builtin_ctzll(bits)))));
  } else {
    std::sort(matched.begin(), matched.end());
    for (std::uint32_t e : matched)
      matches.push_back(FStore->Items(int(e)));
  }
}

void TWordIndex::EntriesWithKey(std::u16string_view Headword, std::u16string_view Prefix, TKeyField Key,
                                std::vector<TKelime*>& Out) const {
  Out.clear();
  if (!FStore || !Headword.starts_with(Prefix))
    return;
  const TDirection& d = DirectionOf(Key);
  std::string ansi;
  const bool exact = ToAnsi(Headword, ansi);
  std::size_t lo = 0, hi = d.Entries.size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (Compare(d.KeyAt(mid), ansi) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  // The run's end found by halves too, so that millions of equal headwords fill a vector grown once.
  std::size_t end = lo;
  hi = d.Entries.size();
  while (end < hi) {
    const std::size_t mid = end + (hi - end) / 2;
    if (Compare(d.KeyAt(mid), ansi) <= 0)
      end = mid + 1;
    else
      hi = mid;
  }
  Out.reserve(end - lo);
  for (std::size_t pos = lo; pos < end; ++pos) {
    const std::string_view k = d.KeyAt(pos);
    const bool same = k == ansi;
    if (exact && !d.IsLossy(pos) ? same : KeyOf(FStore->Items(int(d.Entries[pos])), Key) == Headword)
      Out.push_back(FStore->Items(int(d.Entries[pos])));
  }
}

void TWordIndex::Scan(const TPelvor& Store, std::u16string_view Prefix, TKeyField Key, TSearch& Out) {
  Reset();
  Out.Matches.Clear();
  Out.Headwords.clear();
  PrepareCodePage();
  std::vector<TKelime*>& matches = Out.Matches.Entries();
  std::vector<AnsiString>& headwords = Out.Headwords;
  // Counted first, so that neither list grows by doubling: the scan runs where memory is short.
  std::size_t count = 0;
  for (int i = 0; i < Store.Count(); ++i)
    count += KeyOf(Store.Items(i), Key).starts_with(Prefix);
  matches.reserve(count);
  headwords.reserve(count);
  for (int i = 0; i < Store.Count(); ++i) {
    TKelime* entry = Store.Items(i);
    const std::u16string_view key = KeyOf(entry, Key);
    if (!key.starts_with(Prefix))
      continue;
    matches.push_back(entry);
    ToAnsi(key, headwords.emplace_back());
  }
  // Stable, so that among equal headwords the earliest entry's comes first: a sorted list that refuses an
  // equal item keeps that one.
  auto less = [&](const AnsiString& A, const AnsiString& B) { return Compare(A, B) < 0; };
  if (!std::is_sorted(headwords.begin(), headwords.end(), less))
    std::stable_sort(headwords.begin(), headwords.end(), less);
  auto same = [&](const AnsiString& A, const AnsiString& B) { return Compare(A, B) == 0; };
  headwords.erase(std::unique(headwords.begin(), headwords.end(), same), headwords.end());
  headwords.shrink_to_fit();
}
