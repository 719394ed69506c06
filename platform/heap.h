#pragma once
#include "platform/types.h"

// Private heaps that are destroyed whole, and the process heap. The flags
// have the values of their Win32 namesakes.
enum : unsigned {
  kHeapNoSerialize = 0x00000001,
  kHeapZeroMemory = 0x00000008,
};

// A growable heap with no maximum size; null when it cannot be created.
HeapHandle CreatePrivateHeap(unsigned flags);
// Destroys the heap and every block on it.
bool DestroyPrivateHeap(HeapHandle heap);
HeapHandle ProcessHeapHandle();

void* AllocateBlock(HeapHandle heap, unsigned flags, size_t size);
// Like HeapReAlloc: on failure the block stays as it was and null comes back.
// With kHeapZeroMemory the bytes beyond the old size come zero-filled.
void* ReallocateBlock(HeapHandle heap, unsigned flags, void* block, size_t size);
bool FreeBlock(HeapHandle heap, unsigned flags, void* block);

// Out-of-memory injection for tests. Every heap creation, allocation and
// reallocation counts as one allocation. After FailAllocation(k) the k-th
// allocation from now fails (k = 1: the next one); FailAllocation(0) turns
// failures off. AllocationCount() counts the allocations asked for so far.
void FailAllocation(long k);
// From the k-th allocation on, every allocation fails (k = 0: off).
void FailAllocationsFrom(long k);
long AllocationCount();
bool AllocationShouldFail();  // used by the implementations

// The number of blocks currently allocated on the heap; tests compare it
// before and after an operation to prove that scratch blocks were freed.
long HeapBlockCount(HeapHandle heap);
