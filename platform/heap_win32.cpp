#include "platform/heap.h"

#include <windows.h>

HeapHandle CreatePrivateHeap(unsigned flags) {
  if (AllocationShouldFail()) return nullptr;
  return HeapCreate(flags, 0, 0);
}

bool DestroyPrivateHeap(HeapHandle heap) { return HeapDestroy(heap) != 0; }

HeapHandle ProcessHeapHandle() { return GetProcessHeap(); }

void* AllocateBlock(HeapHandle heap, unsigned flags, size_t size) {
  if (AllocationShouldFail()) return nullptr;
  return HeapAlloc(heap, flags, size);
}

void* ReallocateBlock(HeapHandle heap, unsigned flags, void* block, size_t size) {
  if (AllocationShouldFail()) return nullptr;
  return HeapReAlloc(heap, flags, block, size);
}

bool FreeBlock(HeapHandle heap, unsigned flags, void* block) {
  return HeapFree(heap, flags, block) != 0;
}

long HeapBlockCount(HeapHandle heap) {
  long n = 0;
  if (!HeapLock(heap)) return -1;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++n;
  HeapUnlock(heap);
  return n;
}
