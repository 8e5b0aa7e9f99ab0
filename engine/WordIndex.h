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
#include <vector>

#include "engine/Kelime.h"
#include "engine/ThreadGroup.h"

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
  // Gives the memory back too: a search of the whole store must not weigh on every later one.
  void Clear() { std::vector<TKelime*>().swap(FEntries); }
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
  // Waits for a build in progress; whether it failed. The error is raised by the next Covers.
  bool BuildFailed();
  // Waits for a build in progress. Whether the index describes Store as it is now, in the code page now in
  // force. A build that failed raises its error here.
  bool Covers(const TPelvor& Store);
  // The same, waiting only for the direction whose headwords are Key; its searches may then run while the
  // other direction is still being built.
  bool Covers(const TPelvor& Store, TKeyField Key);

  struct TSearch {
    // Every entry whose headword begins with the prefix, code unit by code unit, in the store's order.
    TWordMatches Matches;
    // The headwords, in the default code page, that a sorted list box refusing equal items would keep when
    // offered those of the matches in the store's order; in the list's order.
    std::vector<AnsiString> Headwords;
  };
  // Needs an index that covers its store.
  void Search(std::u16string_view Prefix, TKeyField Key, TSearch& Out) const;
  // The same answer as Search by one pass over Store, for when no index can be had: it needs little beyond
  // the answer, a headword for each match while they are put in order. Forgets any index built before.
  void Scan(const TPelvor& Store, std::u16string_view Prefix, TKeyField Key, TSearch& Out);
  // The entries whose headword is exactly Headword and begins with Prefix, in the store's order.
  void EntriesWithKey(std::u16string_view Headword, std::u16string_view Prefix, TKeyField Key,
                      std::vector<TKelime*>& Out) const;

private:
  // One direction: the entries in the list's order, and their headwords in the default code page. A search
  // reads headwords front to back once they are laid out in the list's order; until then, so that the first
  // key need not wait for that pass, they stand in the store's order and are read through the entries.
  struct TDirection {
    std::vector<std::uint32_t> Entries;
    std::vector<std::uint32_t> Offsets; // one more than Entries: where each headword starts in Keys
    std::string Keys;
    // The headword has a character the code page cannot carry, so its 8-bit form says too little about its
    // own code units.
    std::vector<std::uint64_t> Lossy;
    bool LaidOut = false;

    std::size_t Slot(std::size_t Position) const { return LaidOut ? Position : Entries[Position]; }
    std::string_view KeyAt(std::size_t Position) const {
      const std::size_t s = Slot(Position);
      return std::string_view(Keys).substr(Offsets[s], Offsets[s + 1] - Offsets[s]);
    }
    bool IsLossy(std::size_t Position) const {
      const std::size_t s = Slot(Position);
      return Lossy[s / 64] >> (s % 64) & 1;
    }
  };
  struct TBuilder;

  // The code page's tables for the conversions and comparisons of Build, Search and Scan.
  void PrepareCodePage();
  void Run(bool Background);
  bool Current(const TPelvor& Store, std::exception_ptr Error);
  const TDirection& DirectionOf(TKeyField Key) const { return Key == TKeyField::Turkce ? FTurkce : FLazca; }
  TDirection& DirectionOf(TKeyField Key) { return Key == TKeyField::Turkce ? FTurkce : FLazca; }
  // Takes the laid-out form of a direction once the worker has made it; the caller holds FMutex.
  void Adopt(TKeyField Key);
  int Compare(std::string_view A, std::string_view B) const;
  // Converts Wide to the code page; false when a character does not come back unchanged.
  bool ToAnsi(std::u16string_view Wide, std::string& Out) const;

  const TPelvor* FStore = nullptr;
  std::uint64_t FGeneration = 0;
  int FCount = 0;
  UINT FCodePage = 0;
  UINT FTablesFor = 0; // the code page the tables below were made for; none yet
  TDirection FTurkce;
  TDirection FLazca;
  std::uint8_t FToAnsi[65536] = {};
  bool FRoundTrips[65536] = {};
  std::uint8_t FPrimaryRank[256] = {};

  std::mutex FMutex;
  std::condition_variable FDone;
  // Directions still being built behind the caller, by TKeyField.
  bool FPending[2] = {false, false};
  // The headwords being laid out in the list's order behind the caller, and the results, by TKeyField.
  bool FLayingOut = false;
  bool FLaidOutReady[2] = {false, false};
  TDirection FLaidOut[2];
  std::exception_ptr FError;
  TThreadGroup FWorker; // one thread at most: the layout behind the caller
};
