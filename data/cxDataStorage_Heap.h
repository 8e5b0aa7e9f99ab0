#pragma once
// Record buffers of the storage, carved from shared blocks by size instead of one heap allocation each:
// a million small records then cost their bytes, not their bytes plus the allocator's header and rounding,
// and records allocated together lie together for the passes that sort, group and sum them.
//
// A block goes back to the allocator as soon as its last buffer is freed. A change of layout moves every
// record to a new size, and nothing asks for the old size again: kept blocks would pile up with each column
// added or removed.
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
  // The same for a cell kept apart from the records: cells have pools of their own, so that a cell left
  // behind never pins a block that record buffers of its size have left.
  char* AllocateCell(int ASize);
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
  struct Pool;
  struct Block {
    char* Start = nullptr;
    std::size_t Bytes = 0;
    Pool* Owner = nullptr;
    char* FreeList = nullptr; // a block with freed buffers is in its pool's open list
    Block* PrevOpen = nullptr;
    Block* NextOpen = nullptr;
    int Live = 0;
  };
  struct Pool {
    std::size_t Key = 0; // the size, and whether it serves cells
    std::size_t Size = 0;
    Block* Open = nullptr;
    Block* Carving = nullptr;
    char* Cursor = nullptr;
    int Blocks = 0;
  };
  char* Take(int ASize, bool ACell);
  Pool& PoolFor(std::size_t ASize, bool ACell);
  void NewBlock(Pool& APool);
  Block& BlockOf(const char* P) const;
  void ReleaseBlock(Block& ABlock);
  void ReleaseAll();
  static void Unlink(Block& ABlock);

  std::map<std::size_t, Pool> FPools;
  std::map<const char*, Block> FBlocks; // by start address; every block is owned and freed with the heap
  // One emptied block of the standard size is kept for the next pool that needs a block, so that a pool
  // whose only buffer comes and goes (an edited record) does not take and give back a block each time.
  char* FSpare = nullptr;
  // The block found last: buffers are mostly freed in the order they were carved.
  mutable Block* FLast = nullptr;
  // Pools for Allocate: a load alternates between the record size and a text cell's size, so two entries
  // spare the map look-up. Cleared with the pools they point to.
  Pool* FRecent[2] = {nullptr, nullptr};
  int FLive = 0;
  std::size_t FBytesHeld = 0;
  std::size_t FPeakBytesHeld = 0;
};

} // namespace cxdata
