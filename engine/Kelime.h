#pragma once
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/LazLetters.h"
#include "platform/classes/Collection.h"
#include "platform/rtl/SysUtils.h"

// Memory for a large buffer that is written once through, given back with FreeBulk and the same Bytes. From
// 2 MiB on it is rounded up (Bytes tells the new size) and the kernel is asked to back it with huge pages:
// filling a word file's worth of memory one small page at a time costs more than the filling itself.
void* AllocateBulk(std::size_t& Bytes);
void FreeBulk(void* P, std::size_t Bytes);

// A large buffer whose front can be given back while the rest is still in use, so that text read through
// once does not stay beside what was made of it. Raises std::bad_alloc when the memory cannot be had.
class TBulkBuffer {
public:
  TBulkBuffer() = default;
  explicit TBulkBuffer(std::size_t Bytes);
  TBulkBuffer(TBulkBuffer&& Other) noexcept;
  TBulkBuffer& operator=(TBulkBuffer&& Other) noexcept;
  ~TBulkBuffer();
  char* Data() const { return FData; }
  std::size_t Size() const { return FSize; }
  // Gives back the whole huge pages below Offset; what lies there must not be touched again.
  void ReleaseBefore(std::size_t Offset);

private:
  void Free();
  char* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FMapped = 0;
  std::size_t FReleased = 0;
};

// The bulk memory held: buffers, text pools. An allocation that would take it past the limit fails with
// std::bad_alloc as one the system refuses does; without a limit (the default) only the system's own apply.
// Tests set one to meet the shortage without exhausting the machine.
std::size_t BulkMemoryInUse();
// The most held since the last reset.
std::size_t BulkMemoryPeak();
void ResetBulkMemoryPeak();
void SetBulkMemoryLimit(std::size_t Bytes);
void RemoveBulkMemoryLimit();

// Blocks for entry texts carved from large chunks: a million entries cost a few dozen allocations instead of
// a million, and the blocks go all at once with the pool.
class TKelimeTextPool {
public:
  TKelimeTextPool() = default;
  TKelimeTextPool(const TKelimeTextPool&) = delete;
  TKelimeTextPool& operator=(const TKelimeTextPool&) = delete;

  char16_t* Allocate(std::size_t Units);
  bool Empty() const { return FChunks.empty(); }
  // Gives every chunk back; the texts taken from them must be gone.
  void Clear() noexcept {
    FChunks.clear();
    FNext = nullptr;
    FLeft = 0;
    FNextChunkUnits = 8192;
  }

private:
  struct ChunkDeleter {
    std::size_t Bytes = 0;
    void operator()(char16_t* p) const;
  };
  std::vector<std::unique_ptr<char16_t, ChunkDeleter>> FChunks;
  char16_t* FNext = nullptr;
  std::size_t FLeft = 0;
  std::size_t FNextChunkUnits = 8192;
};

// One dictionary entry. The Laz fields hold their text after ConvertLaz, so reading them never substitutes
// again.
//
// A store holds a million of these, so the four texts share one block (their lengths, then the texts) instead
// of four string objects, and an entry read from a word file takes that block from its store's text pool:
// the entry costs its node, its texts and a slot in the collection.
class TKelime : public TCollectionItem {
  PELVOR_CLASS(TKelime, TCollectionItem)

  explicit TKelime(TCollection* Collection);

  WideString Turkce() const { return WideString(Text(FieldTurkce)); }
  void SetTurkce(const WideString& Value);
  WideString Lazca() const { return WideString(Text(FieldLazca)); }
  void SetLazca(const WideString& Value);
  WideString TurkceAciklama() const { return WideString(Text(FieldTurkceAciklama)); }
  void SetTurkceAciklama(const WideString& Value);
  WideString LazcaAciklama() const { return WideString(Text(FieldLazcaAciklama)); }
  void SetLazcaAciklama(const WideString& Value);

  // The same texts without a copy, for searches over the whole store; valid until the entry changes.
  std::u16string_view TurkceText() const { return Text(FieldTurkce); }
  std::u16string_view LazcaText() const { return Text(FieldLazca); }
  std::u16string_view TurkceAciklamaText() const { return Text(FieldTurkceAciklama); }
  std::u16string_view LazcaAciklamaText() const { return Text(FieldLazcaAciklama); }

  // Copies the four fields of another entry as they are stored (no second substitution); any other source is
  // ignored.
  void Assign(TPersistent* Source) override;

  // An entry whose texts live in its store's pool takes a copy of its own before it leaves the store.
  void SetCollection(TCollection* Value) override;
  ~TKelime() override;

private:
  friend class TPelvor;
  enum Field { FieldLazcaAciklama, FieldLazca, FieldTurkce, FieldTurkceAciklama, FieldCount };
  static constexpr std::size_t HeaderUnits = FieldCount * sizeof(std::uint32_t) / sizeof(char16_t);

  std::uint32_t Length(Field f) const;
  std::u16string_view Text(Field f) const;
  void SetText(Field f, std::u16string_view Value);
  // Replaces all four texts with one allocation; Values are in Field order.
  void SetAll(const std::u16string_view (&Values)[FieldCount]);

  void ReplaceData(char16_t* Data, bool Owned);

  // The four lengths as 32-bit numbers in the first HeaderUnits code units, then the texts in Field order;
  // null while every field is empty. Owned by the entry, or by a text pool of the store it was read into.
  char16_t* FData = nullptr;
  bool FOwnsData = false;
};

// The word store: entries in the order they were added, neither sorted, indexed nor made unique.
class TPelvor : public TCollection {
  PELVOR_CLASS(TPelvor, TCollection)

  TPelvor();
  ~TPelvor() override;

  TKelime* Items(int Index) const { return static_cast<TKelime*>(TCollection::Items(Index)); }
  TKelime* Add() { return new TKelime(this); }
  // Also gives back the texts of a read that failed before any of its entries joined.
  void Clear();

  // Splits one line of word data into Turkish word, Laz word, Turkish explanation and Laz explanation at ';'
  // and appends an entry when both words are more than blanks and control characters. The fields are stored
  // untrimmed; text after a second ';' with no third is dropped; the Laz explanation keeps any further ';'.
  void AddLine(const WideString& Line);
  // What AddLine(AnsiToWide(Line)) does, without widening the line first; the word file's reader uses it.
  void AddAnsiLine(std::string_view Line);

  // The entry that AddLine or AddAnsiLine would append, built outside any collection so that the word file's
  // reader can build entries on several threads and add them in order; nullptr when the line adds nothing.
  // Texts of entries built from 8-bit lines go into Pool, which must then be handed to the store that the
  // entries join (AdoptTextPool) before they can outlive it.
  static TKelime* NewEntry(const WideString& Line);
  static TKelime* NewEntryFromAnsi(const TCodePageTables& Tables, std::string_view Line,
                                   TKelimeTextPool& Pool);
  void AdoptTextPool(std::unique_ptr<TKelimeTextPool> Pool);
  TKelimeTextPool& TextPool() { return *FTextPools.front(); }
  // Changes whenever an entry is added, removed or rewritten, so that what was derived from the entries can
  // tell that it is out of date.
  std::uint64_t Generation() const { return FGeneration; }

protected:
  // An empty store holds no texts any more, so its pools go with the last entry: reading the word file
  // again does not keep the old texts alive.
  void Update(TCollectionItem* Item) override;

private:
  void ReleaseTextsIfEmpty();
  // Owned. Entries read into the store keep their texts here; the pools of the threads that read a word
  // file join the list.
  std::vector<std::unique_ptr<TKelimeTextPool>> FTextPools;
  std::uint64_t FGeneration = 0;
};
