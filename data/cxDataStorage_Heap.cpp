#include "data/cxDataStorage_Heap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace cxdata {

namespace {

// Blocks stay below the allocator's mapping threshold, so they are ordinary heap memory.
constexpr std::size_t kBlockBytes = 64 * 1024;

} // namespace

TRecordHeap::~TRecordHeap() {
  ReleaseAll();
}

void TRecordHeap::ReleaseAll() {
  for (auto& block : FBlocks)
    std::free(const_cast<char*>(block.first));
  FBlocks.clear();
  FPools.clear();
  FBytesHeld = 0;
  FLastStart = FLastEnd = nullptr;
  FLastPool = nullptr;
  FRecent[0] = FRecent[1] = nullptr;
}

char* TRecordHeap::Allocate(int ASize) {
  std::size_t size = std::max<std::size_t>(std::size_t(std::max(ASize, 1)), sizeof(char*));
  Pool* found = FRecent[0] && FRecent[0]->Size == size   ? FRecent[0]
                : FRecent[1] && FRecent[1]->Size == size ? FRecent[1]
                                                         : nullptr;
  if (!found) {
    found = &FPools[size];
    found->Size = size;
    FRecent[1] = FRecent[0];
    FRecent[0] = found;
  }
  Pool& pool = *found;
  char* p;
  if (pool.FreeList) {
    p = pool.FreeList;
    std::memcpy(&pool.FreeList, p, sizeof(char*));
  } else {
    if (!pool.Cursor || pool.Cursor + size > pool.End) {
      std::size_t bytes = std::max(kBlockBytes / size, std::size_t(1)) * size;
      auto* block = static_cast<char*>(std::malloc(bytes));
      if (!block)
        throw std::bad_alloc();
      FBlocks.emplace(block, &pool);
      FBytesHeld += bytes;
      FPeakBytesHeld = std::max(FPeakBytesHeld, FBytesHeld);
      pool.Cursor = block;
      pool.End = block + bytes;
    }
    p = pool.Cursor;
    pool.Cursor += size;
  }
  std::memset(p, 0, size);
  ++FLive;
  return p;
}

TRecordHeap::Pool& TRecordHeap::PoolOf(const char* P) const {
  if (P >= FLastStart && P < FLastEnd)
    return *FLastPool;
  auto it = FBlocks.upper_bound(P);
  if (it == FBlocks.begin())
    throw std::invalid_argument("record buffer not from this heap");
  --it;
  Pool* pool = it->second;
  std::size_t bytes = std::max(kBlockBytes / pool->Size, std::size_t(1)) * pool->Size;
  if (P >= it->first + bytes)
    throw std::invalid_argument("record buffer not from this heap");
  FLastStart = it->first;
  FLastEnd = it->first + bytes;
  FLastPool = pool;
  return *pool;
}

std::size_t TRecordHeap::BlockSize(const char* P) const {
  return PoolOf(P).Size;
}

void TRecordHeap::Free(char* P) {
  if (!P)
    return;
  Pool& pool = PoolOf(P);
  std::memcpy(P, &pool.FreeList, sizeof(char*));
  pool.FreeList = P;
  // The last buffer gone gives every block back, so an emptied storage holds no memory.
  if (--FLive == 0)
    ReleaseAll();
}

char* TRecordHeap::Resize(char* P, int ANewSize) {
  if (!P)
    return Allocate(ANewSize);
  std::size_t old = BlockSize(P);
  char* moved = Allocate(ANewSize);
  std::memcpy(moved, P, std::min(old, std::size_t(std::max(ANewSize, 1))));
  Free(P);
  return moved;
}

} // namespace cxdata
