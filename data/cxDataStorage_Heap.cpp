#include "data/cxDataStorage_Heap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace cxdata {

namespace {

// Blocks stay below the allocator's mapping threshold, so they are ordinary heap memory. A buffer larger than
// that has a block of its own.
constexpr std::size_t kBlockBytes = 64 * 1024;

std::size_t BufferSizeOf(int ASize) {
  return std::max<std::size_t>(std::size_t(std::max(ASize, 1)), sizeof(char*));
}

} // namespace

TRecordHeap::~TRecordHeap() {
  ReleaseAll();
}

void TRecordHeap::ReleaseAll() {
  for (auto& block : FBlocks)
    std::free(block.second.Start);
  std::free(FSpare);
  FSpare = nullptr;
  FBlocks.clear();
  FPools.clear();
  FLast = nullptr;
  FRecent[0] = FRecent[1] = nullptr;
  FBytesHeld = 0;
}

char* TRecordHeap::Allocate(int ASize) {
  char* p = Take(ASize, false);
  std::memset(p, 0, BufferSizeOf(ASize));
  return p;
}

char* TRecordHeap::AllocateCell(int ASize) {
  char* p = Take(ASize, true);
  std::memset(p, 0, BufferSizeOf(ASize));
  return p;
}

TRecordHeap::Pool& TRecordHeap::PoolFor(std::size_t ASize, bool ACell) {
  std::size_t key = ASize * 2 + (ACell ? 1 : 0);
  if (FRecent[0] && FRecent[0]->Key == key)
    return *FRecent[0];
  if (FRecent[1] && FRecent[1]->Key == key)
    return *FRecent[1];
  Pool& pool = FPools[key];
  pool.Key = key;
  pool.Size = ASize;
  FRecent[1] = FRecent[0];
  FRecent[0] = &pool;
  return pool;
}

// Not zeroed: Allocate zeroes the whole buffer, Resize only what the copy leaves.
char* TRecordHeap::Take(int ASize, bool ACell) {
  Pool& pool = PoolFor(BufferSizeOf(ASize), ACell);
  char* p;
  if (Block* open = pool.Open) {
    p = open->FreeList;
    std::memcpy(&open->FreeList, p, sizeof(char*));
    if (!open->FreeList)
      Unlink(*open);
    ++open->Live;
  } else {
    if (!pool.Carving || std::size_t(pool.Carving->Start + pool.Carving->Bytes - pool.Cursor) < pool.Size)
      NewBlock(pool);
    p = pool.Cursor;
    pool.Cursor += pool.Size;
    ++pool.Carving->Live;
  }
  ++FLive;
  return p;
}

void TRecordHeap::NewBlock(Pool& APool) {
  std::size_t bytes = std::max(APool.Size, kBlockBytes);
  char* start = nullptr;
  if (bytes == kBlockBytes && FSpare) {
    start = std::exchange(FSpare, nullptr);
  } else {
    start = static_cast<char*>(std::malloc(bytes));
    if (!start)
      throw std::bad_alloc();
    FBytesHeld += bytes;
    FPeakBytesHeld = std::max(FPeakBytesHeld, FBytesHeld);
  }
  Block* block;
  try {
    block = &FBlocks[start];
  } catch (...) {
    std::free(start);
    FBytesHeld -= bytes;
    throw;
  }
  *block = Block{start, bytes, &APool};
  ++APool.Blocks;
  APool.Carving = block;
  APool.Cursor = start;
}

void TRecordHeap::Unlink(Block& ABlock) {
  Pool& pool = *ABlock.Owner;
  if (ABlock.PrevOpen)
    ABlock.PrevOpen->NextOpen = ABlock.NextOpen;
  else
    pool.Open = ABlock.NextOpen;
  if (ABlock.NextOpen)
    ABlock.NextOpen->PrevOpen = ABlock.PrevOpen;
  ABlock.PrevOpen = ABlock.NextOpen = nullptr;
}

TRecordHeap::Block& TRecordHeap::BlockOf(const char* P) const {
  if (FLast && P >= FLast->Start && P < FLast->Start + FLast->Bytes)
    return *FLast;
  auto it = FBlocks.upper_bound(P);
  if (it == FBlocks.begin())
    throw std::invalid_argument("record buffer not from this heap");
  --it;
  // The map holds the blocks; the heap's own members reach them through this non-const pointer.
  Block& block = const_cast<Block&>(it->second);
  if (P >= block.Start + block.Bytes)
    throw std::invalid_argument("record buffer not from this heap");
  FLast = &block;
  return block;
}

std::size_t TRecordHeap::BlockSize(const char* P) const {
  return BlockOf(P).Owner->Size;
}

void TRecordHeap::Free(char* P) {
  if (!P)
    return;
  Block& block = BlockOf(P);
  std::memcpy(P, &block.FreeList, sizeof(char*));
  if (!block.FreeList) {
    Pool& pool = *block.Owner;
    block.NextOpen = pool.Open;
    if (pool.Open)
      pool.Open->PrevOpen = &block;
    pool.Open = &block;
  }
  block.FreeList = P;
  // The last buffer gone gives every block back, so an emptied storage holds no memory.
  if (--FLive == 0)
    ReleaseAll();
  else if (--block.Live == 0)
    ReleaseBlock(block);
}

void TRecordHeap::ReleaseBlock(Block& ABlock) {
  Pool& pool = *ABlock.Owner;
  Unlink(ABlock);
  if (pool.Carving == &ABlock) {
    pool.Carving = nullptr;
    pool.Cursor = nullptr;
  }
  if (FLast == &ABlock)
    FLast = nullptr;
  if (ABlock.Bytes == kBlockBytes && !FSpare) {
    FSpare = ABlock.Start;
  } else {
    std::free(ABlock.Start);
    FBytesHeld -= ABlock.Bytes;
  }
  const char* start = ABlock.Start;
  FBlocks.erase(start);
  if (--pool.Blocks == 0) {
    for (Pool*& recent : FRecent)
      if (recent == &pool)
        recent = nullptr;
    std::size_t key = pool.Key;
    FPools.erase(key);
  }
}

char* TRecordHeap::Resize(char* P, int ANewSize) {
  if (!P)
    return Allocate(ANewSize);
  const std::size_t old = BlockSize(P);
  const std::size_t size = BufferSizeOf(ANewSize);
  // Bytes past the new size are zeroed also where the buffer stays as it is, so that a later resize that
  // grows it does not bring back what this one cut off.
  const std::size_t kept = std::min(old, std::size_t(std::max(ANewSize, 0)));
  if (size == old) {
    std::memset(P + kept, 0, size - kept);
    return P;
  }
  char* moved = Take(ANewSize, false);
  std::memcpy(moved, P, kept);
  std::memset(moved + kept, 0, size - kept);
  Free(P);
  return moved;
}

} // namespace cxdata
