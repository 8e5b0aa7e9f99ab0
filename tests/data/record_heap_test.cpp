#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <stdexcept>

#include "data/cxDataStorage_Heap.h"

namespace {

using cxdata::TRecordHeap;

TEST(RecordHeap, BuffersAreZeroedDistinctAndReused) {
  struct Case {
    int Size;
    std::size_t Block;
  } cases[] = {{0, sizeof(char*)}, {1, sizeof(char*)}, {8, 8}, {34, 34}, {70000, 70000}};
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
    heap.Free(freed);
    char* again = heap.Allocate(c.Size);
    EXPECT_EQ(again, freed);
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

} // namespace
