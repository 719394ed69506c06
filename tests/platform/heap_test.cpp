#include <gtest/gtest.h>

#include <cstring>

#include "platform/heap.h"

namespace {

bool AllZero(const void* p, size_t n) {
  const unsigned char* b = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i)
    if (b[i]) return false;
  return true;
}

TEST(Heap, ZeroFillsOnAllocationAndGrowth) {
  HeapHandle heap = CreatePrivateHeap(0);
  ASSERT_NE(heap, nullptr);
  char* p = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, 100));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(AllZero(p, 100));
  std::memset(p, 'x', 100);
  p = static_cast<char*>(ReallocateBlock(heap, kHeapZeroMemory, p, 5000));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(p, 100), std::string(100, 'x'));
  EXPECT_TRUE(AllZero(p + 100, 4900));
  p = static_cast<char*>(ReallocateBlock(heap, kHeapZeroMemory, p, 10));  // shrink keeps the bytes
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::string(p, 10), std::string(10, 'x'));
  EXPECT_TRUE(FreeBlock(heap, 0, p));
  EXPECT_TRUE(DestroyPrivateHeap(heap));
}

TEST(Heap, DestroyFreesEveryBlockLeftOnIt) {
  // Natively LeakSanitizer fails the run if the destroy left anything behind.
  HeapHandle heap = CreatePrivateHeap(kHeapNoSerialize);
  ASSERT_NE(heap, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_NE(AllocateBlock(heap, kHeapNoSerialize, 1000 + i), nullptr);
  EXPECT_TRUE(DestroyPrivateHeap(heap));
}

TEST(Heap, InjectedFailureHitsExactlyTheKthAllocation) {
  HeapHandle heap = CreatePrivateHeap(0);
  ASSERT_NE(heap, nullptr);
  FailAllocation(3);
  void* a = AllocateBlock(heap, 0, 8);
  void* b = ReallocateBlock(heap, 0, a, 16);
  void* c = AllocateBlock(heap, 0, 8);  // the third: fails
  void* d = AllocateBlock(heap, 0, 8);
  FailAllocation(0);
  EXPECT_NE(a, nullptr);
  EXPECT_NE(b, nullptr);
  EXPECT_EQ(c, nullptr);
  EXPECT_NE(d, nullptr);

  FailAllocation(1);
  EXPECT_EQ(CreatePrivateHeap(0), nullptr);  // creation counts too
  FailAllocation(1);
  EXPECT_EQ(ReallocateBlock(heap, 0, b, 4096), nullptr);  // a failed growth keeps the block
  EXPECT_NE(ReallocateBlock(heap, 0, b, 4096), nullptr);
  DestroyPrivateHeap(heap);
}

TEST(Heap, FailuresFromKOnStayOn) {
  HeapHandle heap = CreatePrivateHeap(0);
  FailAllocationsFrom(2);
  EXPECT_NE(AllocateBlock(heap, 0, 8), nullptr);
  EXPECT_EQ(AllocateBlock(heap, 0, 8), nullptr);
  EXPECT_EQ(AllocateBlock(heap, 0, 8), nullptr);
  FailAllocationsFrom(0);
  EXPECT_NE(AllocateBlock(heap, 0, 8), nullptr);
  DestroyPrivateHeap(heap);
}

}  // namespace
