#include "sort/line_sort.h"

#include <utility>

// Quicksort with a median-of-three pivot down to short stretches, then
// insertion passes over the whole table. The numeric comparators are not
// transitive for every input, and the column comparators answer "not before"
// when a scratch copy cannot be had, so the same pair may get different
// answers; every scan therefore keeps a bound, which a consistent comparator
// never reaches (it is stopped earlier by the entry the algorithm relies on).
namespace {

// The median of the first, middle and last entries, as a copy of one of them.
const char* ChoosePivot(const char** first, const char** end, LineComparator before) {
  const char* a = first[0];
  const char* m = first[(end - first) / 2];
  const char* z = end[-1];
  if (before(a, m)) {
    if (before(m, z)) return m;
    return before(a, z) ? z : a;
  }
  if (before(a, z)) return a;
  return before(m, z) ? z : m;
}

// Hoare partition around pivot; returns the split, the first entry of the
// upper part.
const char** Partition(const char** first, const char** end, const char* pivot, LineComparator before) {
  const char** i = first;
  const char** j = end;
  for (;;) {
    while (i < end - 1 && before(*i, pivot)) ++i;
    --j;
    while (j > first && before(pivot, *j)) --j;
    if (j <= i) return i;
    std::swap(*i, *j);
    ++i;
  }
}

// Moves the entry at e left while it stands before its left neighbour, never
// past bound.
void InsertEntry(const char** bound, const char** e, LineComparator before) {
  const char* v = *e;
  const char** k = e;
  for (; k > bound && before(v, k[-1]); --k) *k = k[-1];
  *k = v;
}

// Insertion sort of [first, end); an entry that goes before the first one is
// put there at once.
void InsertionSort(const char** first, const char** end, LineComparator before) {
  for (const char** e = first + 1; e < end; ++e) {
    const char* v = *e;
    if (before(v, *first)) {
      for (const char** k = e; k > first; --k) *k = k[-1];
      *first = v;
    } else {
      InsertEntry(first, e, before);
    }
  }
}

}  // namespace

// The smaller side recurses, so the depth stays within log2 of the count. A
// split at either end (possible only when the comparator contradicts itself)
// ends the partitioning; the insertion passes still order the stretch.
void SortRange(const char** first, const char** end, LineComparator before) {
  while (end - first > kInsertionStretch) {
    const char* pivot = ChoosePivot(first, end, before);
    const char** split = Partition(first, end, pivot, before);
    if (split == first || split == end) return;
    if (end - split <= split - first) {
      SortRange(split, end, before);
      end = split;
    } else {
      SortRange(first, split, before);
      first = split;
    }
  }
}

void SortLines(const char** table, size_t count, LineComparator before) {
  const char** end = table + count;
  if (count <= static_cast<size_t>(kInsertionStretch)) {
    InsertionSort(table, end, before);
    return;
  }
  SortRange(table, end, before);
  InsertionSort(table, table + kInsertionStretch, before);
  for (const char** e = table + kInsertionStretch; e < end; ++e) InsertEntry(table, e, before);
}
