#pragma once
// Prefix searches over a word store that cost what they find, not what the store holds.
//
// For each direction the entries are kept ordered as a sorted list box orders their headwords (the default
// code page's comparison, letter case aside) and, among equal headwords, in the store's order. That order
// compares first-level weights first, so every headword that begins with a prefix lies in the one run whose
// first-level weights begin with the prefix's, found by halves; inside the run equal headwords stand
// together with the earliest entry first, which is the one a list that refuses a second equal item keeps.
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/Kelime.h"

// Which field of an entry is the headword.
enum class TKeyField { Turkce, Lazca };

inline std::u16string_view KeyOf(const TKelime* Entry, TKeyField Field) {
  return Field == TKeyField::Turkce ? Entry->TurkceText() : Entry->LazcaText();
}

// Entries of a store that answer a search, in the store's order. They are the store's own entries, valid
// while the store keeps them.
class TWordMatches {
public:
  int Count() const { return int(FEntries.size()); }
  TKelime* Items(int Index) const { return FEntries.at(std::size_t(Index)); }
  void Clear() { FEntries.clear(); }
  std::vector<TKelime*>& Entries() { return FEntries; }
  const std::vector<TKelime*>& Entries() const { return FEntries; }

private:
  std::vector<TKelime*> FEntries;
};

class TWordIndex {
public:
  TWordIndex() = default;
  TWordIndex(const TWordIndex&) = delete;
  TWordIndex& operator=(const TWordIndex&) = delete;
  ~TWordIndex();

  // Orders the entries of Store as they are now, in the default code page. With Background the work runs on
  // worker threads and the call returns at once; Store must not change until the index is ready.
  void Build(const TPelvor& Store, bool Background);
  // Forgets the store; a later search needs a new Build.
  void Reset();
  // Returns once no build is in progress.
  void Wait();
  // Waits for a build in progress. Whether the index describes Store as it is now, in the code page now in
  // force. A build that failed raises its error here.
  bool Covers(const TPelvor& Store);

  struct TSearch {
    // Every entry whose headword begins with the prefix, code unit by code unit, in the store's order.
    TWordMatches Matches;
    // For each headword that a sorted list box refusing equal items would keep, its first entry, in the
    // list's order.
    std::vector<TKelime*> Headwords;
  };
  // Needs an index that covers its store.
  void Search(std::u16string_view Prefix, TKeyField Key, TSearch& Out) const;
  // The entries whose headword is exactly Headword and begins with Prefix, in the store's order.
  void EntriesWithKey(std::u16string_view Headword, std::u16string_view Prefix, TKeyField Key,
                      std::vector<TKelime*>& Out) const;

private:
  struct TOrder;
  void Run(bool Background);
  const std::vector<std::uint32_t>& OrderOf(TKeyField Key) const {
    return Key == TKeyField::Turkce ? FTurkce : FLazca;
  }
  // The run of positions whose headwords' first-level weights begin with those of Ansi.
  std::pair<std::size_t, std::size_t> PrefixRun(const std::vector<std::uint32_t>& Order, TKeyField Key,
                                                std::string_view Ansi) const;

  const TPelvor* FStore = nullptr;
  std::uint64_t FGeneration = 0;
  int FCount = 0;
  UINT FCodePage = 0;
  std::vector<std::uint32_t> FTurkce;
  std::vector<std::uint32_t> FLazca;
  std::uint8_t FToAnsi[65536] = {};
  std::uint8_t FPrimaryRank[256] = {};

  std::mutex FMutex;
  std::condition_variable FDone;
  bool FBuilding = false;
  std::exception_ptr FError;
  std::thread FWorker;
};
