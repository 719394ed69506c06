#include "platform/heap.h"

namespace {
long g_allocations = 0;
long g_failAt = 0;      // absolute count at which exactly one failure happens
long g_failFrom = 0;    // absolute count from which every allocation fails
}  // namespace

void FailAllocation(long k) { g_failAt = k > 0 ? g_allocations + k : 0; }

void FailAllocationsFrom(long k) { g_failFrom = k > 0 ? g_allocations + k : 0; }

long AllocationCount() { return g_allocations; }

bool AllocationShouldFail() {
  ++g_allocations;
  if (g_failAt != 0 && g_allocations == g_failAt) return true;
  return g_failFrom != 0 && g_allocations >= g_failFrom;
}
