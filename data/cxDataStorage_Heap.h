#pragma once
// Record buffers of the storage, carved from shared blocks by size instead of one heap allocation each:
// a million small records then cost their bytes, not their bytes plus the allocator's header and rounding,
// and records allocated together lie together for the passes that sort, group and sum them.
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

namespace cxdata {

class TRecordHeap {
public:
  TRecordHeap() = default;
  TRecordHeap(const TRecordHeap&) = delete;
  TRecordHeap& operator=(const TRecordHeap&) = delete;
  ~TRecordHeap();

  // A zeroed buffer of at least ASize bytes.
  char* Allocate(int ASize);
  void Free(char* P);
  // Moves the buffer to one of ANewSize bytes, keeping the leading bytes both sizes hold; the rest is zero.
  char* Resize(char* P, int ANewSize);
  std::size_t BlockSize(const char* P) const;
  int LiveCount() const { return FLive; }
  // Bytes of the blocks held from the allocator, now and at most since the last ResetPeak.
  std::size_t BytesHeld() const { return FBytesHeld; }
  std::size_t PeakBytesHeld() const { return FPeakBytesHeld; }
  void ResetPeak() { FPeakBytesHeld = FBytesHeld; }

private:
  struct Pool {
    std::size_t Size = 0;
    char* FreeList = nullptr;
    char* Cursor = nullptr;
    char* End = nullptr;
  };
  Pool& PoolOf(const char* P) const;
  void ReleaseAll();

  std::map<std::size_t, Pool> FPools;
  std::map<const char*, Pool*> FBlocks; // by start address; every block is owned and freed with the heap
  // The block found last: buffers are mostly freed in the order they were carved.
  mutable const char* FLastStart = nullptr;
  mutable const char* FLastEnd = nullptr;
  mutable Pool* FLastPool = nullptr;
  // Pools by size for Allocate: a load alternates between the record size and a text cell's size, so two
  // entries spare the map look-up. Map nodes stay put, so the pointers live until ReleaseAll.
  Pool* FRecent[2] = {nullptr, nullptr};
  int FLive = 0;
  std::size_t FBytesHeld = 0;
  std::size_t FPeakBytesHeld = 0;
};

} // namespace cxdata
