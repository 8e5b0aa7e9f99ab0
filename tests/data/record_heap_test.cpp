#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>
#include <vector>

#include "data/cxDataStorage_Heap.h"

namespace {

using cxdata::TRecordHeap;

TEST(RecordHeap, BuffersAreZeroedDistinctAndReused) {
  struct Case {
    int Size;
    std::size_t Block;
    bool Shared; // false: larger than a block, the buffer has one of its own and gives it back when freed
  } cases[] = {{0, sizeof(char*), true},
               {1, sizeof(char*), true},
               {8, 8, true},
               {34, 34, true},
               {70000, 70000, false}};
  for (const Case& c : cases) {
    TRecordHeap heap;
    std::set<char*> seen;
    std::vector<char*> buffers;
    for (int i = 0; i < 3000; ++i) {
      char* p = heap.Allocate(c.Size);
      ASSERT_TRUE(seen.insert(p).second) << c.Size;
      EXPECT_EQ(heap.BlockSize(p), c.Block);
      for (std::size_t k = 0; k < c.Block; k += 7)
        ASSERT_EQ(p[k], 0);
      std::memset(p, 0x5A, c.Block);
      buffers.push_back(p);
    }
    EXPECT_EQ(heap.LiveCount(), 3000);
    char* freed = buffers[10];
    std::size_t held = heap.BytesHeld();
    heap.Free(freed);
    EXPECT_EQ(heap.BytesHeld(), c.Shared ? held : held - c.Block);
    char* again = heap.Allocate(c.Size);
    if (c.Shared) {
      EXPECT_EQ(again, freed);
    }
    EXPECT_EQ(heap.BytesHeld(), held);
    EXPECT_EQ(again[c.Block - 1], 0); // a reused buffer is zeroed again
  }
}

TEST(RecordHeap, ResizeKeepsTheLeadingBytes) {
  TRecordHeap heap;
  char* keep = heap.Allocate(16); // keeps the heap's blocks alive across the moves
  char* p = heap.Allocate(10);
  std::memcpy(p, "abcdefghij", 10);
  p = heap.Resize(p, 20);
  EXPECT_EQ(std::memcmp(p, "abcdefghij", 10), 0);
  for (int k = 10; k < 20; ++k)
    EXPECT_EQ(p[k], 0);
  p = heap.Resize(p, 4);
  EXPECT_EQ(heap.BlockSize(p), sizeof(char*));
  EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
  EXPECT_EQ(heap.LiveCount(), 2);
  heap.Free(p);
  heap.Free(keep);
  EXPECT_EQ(heap.LiveCount(), 0);
  heap.Free(nullptr);
  char outside[16];
  EXPECT_THROW(heap.Free(outside), std::invalid_argument);
  // An emptied heap starts over.
  char* fresh = heap.Allocate(12);
  EXPECT_EQ(heap.BlockSize(fresh), 12u);
  EXPECT_THROW(heap.Free(outside), std::invalid_argument); // beyond every block, though blocks exist
  EXPECT_THROW(heap.BlockSize(fresh + 64 * 1024), std::invalid_argument);
  EXPECT_EQ(heap.LiveCount(), 1);
}

// Whatever a resize cuts off stays zero when a later one grows the buffer again, whether or not the buffer
// moved: only the bytes every size on the way held are kept.
TEST(RecordHeap, ResizedBuffersAreZeroPastTheBytesKept) {
  const std::vector<std::vector<int>> sequences = {
      {8, 7, 32}, {20, 4, 20}, {3, 1, 8}, {10, 20, 4, 12}, {6, 6, 2, 7}, {70000, 5, 70000}, {9, 0, 9}};
  for (const std::vector<int>& sizes : sequences) {
    SCOPED_TRACE(::testing::PrintToString(sizes));
    TRecordHeap heap;
    char* keep = heap.Allocate(sizes.front()); // keeps blocks alive, so that freed bytes may come back
    char* p = heap.Allocate(sizes.front());
    std::memset(p, 0x5A, heap.BlockSize(p));
    int kept = sizes.front();
    for (std::size_t i = 1; i < sizes.size(); ++i) {
      p = heap.Resize(p, sizes[i]);
      kept = std::min(kept, sizes[i]);
      const std::size_t block = heap.BlockSize(p);
      for (std::size_t k = 0; k < block; ++k)
        ASSERT_EQ(p[k], k < std::size_t(kept) ? 0x5A : 0)
            << "byte " << k << " after resizing to " << sizes[i];
    }
    heap.Free(p);
    heap.Free(keep);
  }
}

// Buffers freed in any order: a block whose buffers are all gone goes back to the allocator (one is kept as
// the spare) while other blocks still live.
TEST(RecordHeap, EmptiedBlocksGoBackWhileOtherBuffersLive) {
  constexpr std::size_t kBlock = 64 * 1024;
  constexpr int kSize = 100, kCount = 2000; // four blocks of 655 buffers
  struct Case {
    const char* name;
    std::function<std::size_t(std::size_t)> order; // the k-th buffer freed
  } cases[] = {
      {"as carved", [](std::size_t k) { return k; }},
      {"backwards", [](std::size_t k) { return kCount - 1 - k; }},
      {"strided", [](std::size_t k) { return (k * 7) % kCount; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRecordHeap heap;
    char* keep = heap.Allocate(16);
    std::vector<char*> buffers;
    for (int i = 0; i < kCount; ++i)
      buffers.push_back(heap.Allocate(kSize));
    EXPECT_EQ(heap.BytesHeld(), 5 * kBlock);
    for (std::size_t k = 0; k < std::size_t(kCount); ++k)
      heap.Free(buffers[c.order(k)]);
    EXPECT_EQ(heap.BytesHeld(), 2 * kBlock) << "the kept buffer's block and the spare";
    EXPECT_EQ(heap.PeakBytesHeld(), 5 * kBlock);
    char* other = heap.Allocate(kSize * 3);
    EXPECT_EQ(heap.BytesHeld(), 2 * kBlock) << "the spare serves the next new pool";
    heap.Free(other);
    heap.Free(keep);
    EXPECT_EQ(heap.BytesHeld(), 0u);
  }
}

// Cells and record buffers of one size are pooled apart: when the records move to another size, the cells
// do not keep the records' blocks.
TEST(RecordHeap, CellsDoNotPinTheBlocksRecordsLeave) {
  constexpr std::size_t kBlock = 64 * 1024;
  constexpr int kSize = 32, kCount = 4096; // two blocks each
  TRecordHeap heap;
  std::vector<char*> records, cells;
  for (int i = 0; i < kCount; ++i) {
    records.push_back(heap.Allocate(kSize));
    cells.push_back(heap.AllocateCell(kSize));
  }
  EXPECT_EQ(heap.BytesHeld(), 4 * kBlock);
  for (char*& record : records) {
    std::memset(record, 0x11, kSize);
    record = heap.Resize(record, kSize + 8);
  }
  EXPECT_LE(heap.BytesHeld(), 2 * kBlock + 3 * kBlock + kBlock)
      << "the cells' blocks, the moved records', a spare";
  EXPECT_EQ(records[5][kSize - 1], 0x11);
  EXPECT_EQ(records[5][kSize], 0);
}

} // namespace
