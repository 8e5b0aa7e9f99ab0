#include "engine/Kelime.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

#include "engine/LazLetters.h"

namespace {

template <class Char> bool allBlank(std::basic_string_view<Char> s) {
  return std::all_of(s.begin(), s.end(), [](Char c) { return std::make_unsigned_t<Char>(c) <= 0x20; });
}

std::uint32_t checkedLength(std::size_t n) {
  if (n > UINT32_MAX)
    throw EInvalidArgument("A dictionary entry's text is too long");
  return std::uint32_t(n);
}

// The four fields of a line as the store splits it.
template <class Char> struct SplitLine {
  std::basic_string_view<Char> turkce, lazca, turkceAciklama, lazcaAciklama;
  bool valid = false;
};

template <class Char> SplitLine<Char> splitLine(std::basic_string_view<Char> line) {
  constexpr Char sep = Char(';');
  SplitLine<Char> r;
  auto p1 = line.find(sep);
  if (p1 == line.npos)
    return r;
  r.turkce = line.substr(0, p1);
  auto rest = line.substr(p1 + 1);
  auto p2 = rest.find(sep);
  if (p2 == rest.npos) {
    r.lazca = rest;
  } else {
    r.lazca = rest.substr(0, p2);
    rest = rest.substr(p2 + 1);
    auto p3 = rest.find(sep);
    if (p3 != rest.npos) {
      r.turkceAciklama = rest.substr(0, p3);
      r.lazcaAciklama = rest.substr(p3 + 1);
    }
  }
  r.valid = !allBlank(r.turkce) && !allBlank(r.lazca);
  return r;
}

} // namespace

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::atomic<std::size_t> bulkInUse{0}, bulkPeak{0}, bulkLimit{SIZE_MAX};

void TakeBulk(std::size_t Bytes) {
  const std::size_t now = bulkInUse.fetch_add(Bytes) + Bytes;
  if (now > bulkLimit.load() || now < Bytes) {
    bulkInUse.fetch_sub(Bytes);
    throw std::bad_alloc();
  }
  std::size_t peak = bulkPeak.load();
  while (now > peak && !bulkPeak.compare_exchange_weak(peak, now)) {
  }
}

void GiveBackBulk(std::size_t Bytes) {
  bulkInUse.fetch_sub(Bytes);
}

} // namespace

std::size_t BulkMemoryInUse() {
  return bulkInUse.load();
}

std::size_t BulkMemoryPeak() {
  return bulkPeak.load();
}

void ResetBulkMemoryPeak() {
  bulkPeak.store(bulkInUse.load());
}

void SetBulkMemoryLimit(std::size_t Bytes) {
  bulkLimit.store(Bytes);
}

void RemoveBulkMemoryLimit() {
  bulkLimit.store(SIZE_MAX);
}

void* AllocateBulk(std::size_t& Bytes) {
  if (Bytes >= kHugePage)
    Bytes = (Bytes + kHugePage - 1) / kHugePage * kHugePage;
  TakeBulk(Bytes);
  void* p = nullptr;
  if (Bytes >= kHugePage) {
    p = std::aligned_alloc(kHugePage, Bytes);
    if (p)
      madvise(p, Bytes, MADV_HUGEPAGE);
  } else {
    p = std::malloc(std::max<std::size_t>(Bytes, 1));
  }
  if (!p) {
    GiveBackBulk(Bytes);
    throw std::bad_alloc();
  }
  return p;
}

void FreeBulk(void* P, std::size_t Bytes) {
  if (!P)
    return;
  std::free(P);
  GiveBackBulk(Bytes);
}

TBulkBuffer::TBulkBuffer(std::size_t Bytes) : FSize(Bytes) {
  // Whole huge pages, starting on one, so that each can be given back alone.
  FMapped = std::max<std::size_t>((Bytes + kHugePage - 1) / kHugePage, 1) * kHugePage;
  TakeBulk(FMapped);
  void* p = mmap(nullptr, FMapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) {
    GiveBackBulk(FMapped);
    throw std::bad_alloc();
  }
  auto* raw = static_cast<char*>(p);
  const std::size_t lead = (kHugePage - reinterpret_cast<std::uintptr_t>(raw) % kHugePage) % kHugePage;
  if (lead)
    munmap(raw, lead);
  if (kHugePage - lead)
    munmap(raw + lead + FMapped, kHugePage - lead);
  FData = raw + lead;
  madvise(FData, FMapped, MADV_HUGEPAGE);
}

TBulkBuffer::TBulkBuffer(TBulkBuffer&& Other) noexcept
    : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0)),
      FMapped(std::exchange(Other.FMapped, 0)), FReleased(std::exchange(Other.FReleased, 0)) {}

TBulkBuffer& TBulkBuffer::operator=(TBulkBuffer&& Other) noexcept {
  if (this != &Other) {
    Free();
    FData = std::exchange(Other.FData, nullptr);
    FSize = std::exchange(Other.FSize, 0);
    FMapped = std::exchange(Other.FMapped, 0);
    FReleased = std::exchange(Other.FReleased, 0);
  }
  return *this;
}

TBulkBuffer::~TBulkBuffer() {
  Free();
}

void TBulkBuffer::Free() {
  if (!FData)
    return;
  munmap(FData + FReleased, FMapped - FReleased);
  GiveBackBulk(FMapped - FReleased);
  FData = nullptr;
}

void TBulkBuffer::ReleaseBefore(std::size_t Offset) {
  const std::size_t end = std::min(Offset / kHugePage * kHugePage, FMapped);
  if (!FData || end <= FReleased)
    return;
  munmap(FData + FReleased, end - FReleased);
  GiveBackBulk(end - FReleased);
  FReleased = end;
}

void TKelimeTextPool::ChunkDeleter::operator()(char16_t* p) const {
  FreeBulk(p, Bytes);
}

char16_t* TKelimeTextPool::Allocate(std::size_t Units) {
  if (Units > FLeft) {
    // Chunks grow to 2 MiB, where one huge page can back a whole chunk.
    constexpr std::size_t kLargestChunk = std::size_t(2) << 20;
    std::size_t bytes = std::max(Units, FNextChunkUnits) * sizeof(char16_t);
    void* p = AllocateBulk(bytes);
    std::unique_ptr<char16_t, ChunkDeleter> chunk(static_cast<char16_t*>(p), ChunkDeleter{bytes});
    FChunks.push_back(std::move(chunk));
    FNext = static_cast<char16_t*>(p);
    FLeft = bytes / sizeof(char16_t);
    FNextChunkUnits = std::min(FNextChunkUnits * 2, kLargestChunk / sizeof(char16_t));
  }
  char16_t* block = FNext;
  FNext += Units;
  FLeft -= Units;
  return block;
}

TKelime::TKelime(TCollection* Collection) : TCollectionItem(Collection) {}

TKelime::~TKelime() {
  if (FOwnsData)
    delete[] FData;
}

void TKelime::ReplaceData(char16_t* Data, bool Owned) {
  if (FOwnsData)
    delete[] FData;
  FData = Data;
  FOwnsData = Owned;
}

void TKelime::SetCollection(TCollection* Value) {
  if (FData && !FOwnsData && Collection() && Value != Collection()) {
    std::u16string_view values[FieldCount];
    for (int i = 0; i < FieldCount; ++i)
      values[i] = Text(Field(i));
    SetAll(values);
  }
  TCollectionItem::SetCollection(Value);
}

std::uint32_t TKelime::Length(Field f) const {
  std::uint32_t n;
  std::memcpy(&n, FData + f * (sizeof n / sizeof(char16_t)), sizeof n);
  return n;
}

std::u16string_view TKelime::Text(Field f) const {
  if (!FData)
    return {};
  std::size_t start = HeaderUnits;
  for (int i = 0; i < f; ++i)
    start += Length(Field(i));
  return {FData + start, Length(f)};
}

void TKelime::SetAll(const std::u16string_view (&Values)[FieldCount]) {
  std::size_t total = 0;
  for (auto v : Values)
    total += v.size();
  if (total == 0) {
    ReplaceData(nullptr, false);
    return;
  }
  std::unique_ptr<char16_t[]> data(new char16_t[HeaderUnits + total]);
  char16_t* out = data.get() + HeaderUnits;
  for (int i = 0; i < FieldCount; ++i) {
    std::uint32_t n = checkedLength(Values[i].size());
    std::memcpy(data.get() + i * (sizeof n / sizeof(char16_t)), &n, sizeof n);
    out = std::copy(Values[i].begin(), Values[i].end(), out);
  }
  ReplaceData(data.release(), true);
}

void TKelime::SetText(Field f, std::u16string_view Value) {
  // The old block stays alive until the new one is built, so Value may point into it.
  std::u16string_view values[FieldCount];
  for (int i = 0; i < FieldCount; ++i)
    values[i] = i == f ? Value : Text(Field(i));
  SetAll(values);
  Changed(false);
}

void TKelime::SetTurkce(const WideString& Value) {
  SetText(FieldTurkce, Value);
}
void TKelime::SetLazca(const WideString& Value) {
  SetText(FieldLazca, ConvertLaz(Value));
}
void TKelime::SetTurkceAciklama(const WideString& Value) {
  SetText(FieldTurkceAciklama, Value);
}
void TKelime::SetLazcaAciklama(const WideString& Value) {
  SetText(FieldLazcaAciklama, ConvertLaz(Value));
}

void TKelime::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TKelime*>(Source);
  if (!other || other == this)
    return;
  std::u16string_view values[FieldCount];
  for (int i = 0; i < FieldCount; ++i)
    values[i] = other->Text(Field(i));
  SetAll(values);
  Changed(false);
}

TPelvor::TPelvor() : TCollection(ClassOf<TKelime>()) {
  FTextPools.push_back(std::make_unique<TKelimeTextPool>());
}

// The entries go while the pools their texts live in are still there.
TPelvor::~TPelvor() {
  Clear();
}

void TPelvor::Clear() {
  TCollection::Clear();
  ReleaseTextsIfEmpty();
}

void TPelvor::Update(TCollectionItem* Item) {
  TCollection::Update(Item);
  ++FGeneration;
  ReleaseTextsIfEmpty();
}

void TPelvor::ReleaseTextsIfEmpty() {
  if (Count() != 0)
    return;
  // The first pool is kept and emptied rather than made anew, so that releasing memory never asks for more
  // (it runs in the destructor and after a read that ran out of memory).
  FTextPools.resize(1);
  FTextPools.front()->Clear();
}

void TPelvor::AdoptTextPool(std::unique_ptr<TKelimeTextPool> Pool) {
  FTextPools.push_back(std::move(Pool));
}

TKelime* TPelvor::NewEntry(const WideString& Line) {
  auto f = splitLine(std::u16string_view(Line));
  if (!f.valid)
    return nullptr;
  WideString lazca = ConvertLaz(f.lazca);
  WideString lazcaAciklama = ConvertLaz(f.lazcaAciklama);
  std::u16string_view values[TKelime::FieldCount];
  values[TKelime::FieldTurkce] = f.turkce;
  values[TKelime::FieldLazca] = lazca;
  values[TKelime::FieldTurkceAciklama] = f.turkceAciklama;
  values[TKelime::FieldLazcaAciklama] = lazcaAciklama;
  std::unique_ptr<TKelime, TObjectDeleter> entry(new TKelime(nullptr));
  entry->SetAll(values);
  return entry.release();
}

TKelime* TPelvor::NewEntryFromAnsi(const TCodePageTables& Tables, std::string_view Line,
                                   TKelimeTextPool& Pool) {
  if (!Tables.perCharacter || !Tables.asciiControlsStable || !Tables.bytesRoundTrip)
    return NewEntry(AnsiToWide(Line));
  // The code page maps ';' and the blanks to themselves and every byte to one code unit, so splitting and
  // the blank test can run on the bytes, and each field is widened straight into the entry's block.
  auto f = splitLine(Line);
  if (!f.valid)
    return nullptr;
  std::size_t upper = f.turkce.size() + f.lazca.size() + f.turkceAciklama.size() + f.lazcaAciklama.size();
  // Accents shorten the Laz fields, so the block may end up a few units longer than its texts.
  char16_t* data = Pool.Allocate(TKelime::HeaderUnits + upper);
  char16_t* out = data + TKelime::HeaderUnits;
  auto put = [&](TKelime::Field field, std::size_t n) {
    std::uint32_t len = checkedLength(n);
    std::memcpy(data + field * (sizeof len / sizeof(char16_t)), &len, sizeof len);
    out += n;
  };
  auto bytes = [](std::string_view s) { return reinterpret_cast<const std::uint8_t*>(s.data()); };
  auto widen = [&](std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i)
      out[i] = Tables.toWide[std::uint8_t(s[i])];
    return s.size();
  };
  put(TKelime::FieldLazcaAciklama,
      ConvertLazAnsiTo(Tables, bytes(f.lazcaAciklama), f.lazcaAciklama.size(), out));
  put(TKelime::FieldLazca, ConvertLazAnsiTo(Tables, bytes(f.lazca), f.lazca.size(), out));
  put(TKelime::FieldTurkce, widen(f.turkce));
  put(TKelime::FieldTurkceAciklama, widen(f.turkceAciklama));
  auto* entry = new TKelime(nullptr);
  entry->ReplaceData(data, false);
  return entry;
}

void TPelvor::AddLine(const WideString& Line) {
  std::unique_ptr<TKelime, TObjectDeleter> entry(NewEntry(Line));
  if (entry) {
    entry->SetCollection(this);
    entry.release();
  }
}

void TPelvor::AddAnsiLine(std::string_view Line) {
  std::unique_ptr<TKelime, TObjectDeleter> entry(NewEntryFromAnsi(CodePageTables(), Line, TextPool()));
  if (entry) {
    entry->SetCollection(this);
    entry.release();
  }
}
