#include "platform/heap.h"

#include <cstdlib>
#include <cstring>

// An arena: every block is malloc'd with a header that links it into its
// heap's list, so destroying the heap frees what is left. AddressSanitizer
// sees each block separately and catches overruns between them.
namespace {

struct BlockHeader {
  BlockHeader* prev;
  BlockHeader* next;
  size_t size;
  alignas(std::max_align_t) unsigned char payload[1];
};

struct Arena {
  BlockHeader* first;
};

constexpr size_t kHeaderSize = offsetof(BlockHeader, payload);

BlockHeader* HeaderOf(void* block) {
  return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - kHeaderSize);
}

void Link(Arena* arena, BlockHeader* h) {
  h->prev = nullptr;
  h->next = arena->first;
  if (arena->first) arena->first->prev = h;
  arena->first = h;
}

void Unlink(Arena* arena, BlockHeader* h) {
  if (h->prev) h->prev->next = h->next; else arena->first = h->next;
  if (h->next) h->next->prev = h->prev;
}

Arena g_processArena = {nullptr};

}  // namespace

HeapHandle CreatePrivateHeap(unsigned) {
  if (AllocationShouldFail()) return nullptr;
  return static_cast<Arena*>(std::calloc(1, sizeof(Arena)));
}

bool DestroyPrivateHeap(HeapHandle heap) {
  Arena* arena = static_cast<Arena*>(heap);
  if (!arena || arena == &g_processArena) return false;
  for (BlockHeader* h = arena->first; h;) {
    BlockHeader* next = h->next;
    std::free(h);
    h = next;
  }
  std::free(arena);
  return true;
}

HeapHandle ProcessHeapHandle() { return &g_processArena; }

void* AllocateBlock(HeapHandle heap, unsigned flags, size_t size) {
  if (!heap || AllocationShouldFail()) return nullptr;
  // calloc takes fresh pages for a large block without writing them, as
  // HeapAlloc does, so a zero-filled block costs memory only where it is used.
  size_t bytes = kHeaderSize + (size ? size : 1);
  void* raw = (flags & kHeapZeroMemory) ? std::calloc(1, bytes) : std::malloc(bytes);
  BlockHeader* h = static_cast<BlockHeader*>(raw);
  if (!h) return nullptr;
  h->size = size;
  Link(static_cast<Arena*>(heap), h);
  return h->payload;
}

void* ReallocateBlock(HeapHandle heap, unsigned flags, void* block, size_t size) {
  if (!heap || !block || AllocationShouldFail()) return nullptr;
  Arena* arena = static_cast<Arena*>(heap);
  BlockHeader* old = HeaderOf(block);
  size_t oldSize = old->size;
  Unlink(arena, old);
  BlockHeader* h = static_cast<BlockHeader*>(std::realloc(old, kHeaderSize + (size ? size : 1)));
  if (!h) {
    Link(arena, old);
    return nullptr;
  }
  h->size = size;
  if ((flags & kHeapZeroMemory) && size > oldSize) std::memset(h->payload + oldSize, 0, size - oldSize);
  Link(arena, h);
  return h->payload;
}

bool FreeBlock(HeapHandle heap, unsigned, void* block) {
  if (!heap || !block) return false;
  BlockHeader* h = HeaderOf(block);
  Unlink(static_cast<Arena*>(heap), h);
  std::free(h);
  return true;
}

long HeapBlockCount(HeapHandle heap) {
  long n = 0;
  if (heap)
    for (BlockHeader* h = static_cast<Arena*>(heap)->first; h; h = h->next) ++n;
  return n;
}
