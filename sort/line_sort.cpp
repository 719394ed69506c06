#include "sort/line_sort.h"

#include <utility>

#include "sort/key_order.h"

// Quicksort with a median-of-three pivot down to short stretches, then
// insertion passes over the whole table. The numeric comparators are not
// transitive for every input, and the column comparators answer "not before"
// when a scratch copy cannot be had, so the same pair may get different
// answers; every scan therefore keeps a bound, which a consistent comparator
// never reaches (it is stopped earlier by the entry the algorithm relies on).
//
// The steps are templates over the comparator so that the plain orders, the
// commonest, are compiled inline; every order makes the same comparisons in
// the same sequence. The scans walk the table in order while the lines they
// point to lie anywhere in the text, so each scan asks for the line a few
// entries ahead before it needs it.
namespace {

constexpr ptrdiff_t kPrefetchAhead = 8;

// Asks the processor to fetch the start of the line at entry, if the entry
// lies in [first, end). A hint only: it changes no result.
inline void PrefetchLine(const char* const* entry, const char* const* first, const char* const* end) {
#if defined(__GNUC__)
  if (entry >= first && entry < end) __builtin_prefetch(*entry);
#else
  (void)entry, (void)first, (void)end;
#endif
}

// A comparator called through its pointer.
struct ThroughPointer {
  LineComparator compare;
  int operator()(const char* first, const char* second) const { return compare(first, second); }
};

struct BytesAscending {
  int operator()(const char* first, const char* second) const { return BytesGreater(second, first); }
};

struct BytesDescending {
  int operator()(const char* first, const char* second) const { return BytesGreater(first, second); }
};

struct LocaleAscending {
  int operator()(const char* first, const char* second) const { return LocaleOrderGreater(second, first); }
};

struct LocaleDescending {
  int operator()(const char* first, const char* second) const { return LocaleOrderGreater(first, second); }
};

// The median of the first, middle and last entries, as a copy of one of them.
template <typename Before>
const char* ChoosePivot(const char** first, const char** end, Before before) {
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
template <typename Before>
const char** Partition(const char** first, const char** end, const char* pivot, Before before) {
  const char** i = first;
  const char** j = end;
  for (;;) {
    for (; i < end - 1; ++i) {
      PrefetchLine(i + kPrefetchAhead, first, end);
      if (!before(*i, pivot)) break;
    }
    --j;
    for (; j > first; --j) {
      PrefetchLine(j - kPrefetchAhead, first, end);
      if (!before(pivot, *j)) break;
    }
    if (j <= i) return i;
    std::swap(*i, *j);
    ++i;
  }
}

// Moves the entry at e left while it stands before its left neighbour, never
// past bound.
template <typename Before>
void InsertEntry(const char** bound, const char** e, Before before) {
  const char* v = *e;
  const char** k = e;
  for (; k > bound && before(v, k[-1]); --k) *k = k[-1];
  *k = v;
}

// Insertion sort of [first, end); an entry that goes before the first one is
// put there at once.
template <typename Before>
void InsertionSort(const char** first, const char** end, Before before) {
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

// The smaller side recurses, so the depth stays within log2 of the count. A
// split at either end (possible only when the comparator contradicts itself)
// ends the partitioning; the insertion passes still order the stretch.
template <typename Before>
void PartitionRange(const char** first, const char** end, Before before) {
  while (end - first > kInsertionStretch) {
    const char* pivot = ChoosePivot(first, end, before);
    const char** split = Partition(first, end, pivot, before);
    if (split == first || split == end) return;
    if (end - split <= split - first) {
      PartitionRange(split, end, before);
      end = split;
    } else {
      PartitionRange(first, split, before);
      first = split;
    }
  }
}

template <typename Before>
void SortTable(const char** table, size_t count, Before before) {
  const char** end = table + count;
  if (count <= static_cast<size_t>(kInsertionStretch)) {
    InsertionSort(table, end, before);
    return;
  }
  PartitionRange(table, end, before);
  InsertionSort(table, table + kInsertionStretch, before);
  for (const char** e = table + kInsertionStretch; e < end; ++e) {
    PrefetchLine(e + kPrefetchAhead, table, end);
    InsertEntry(table, e, before);
  }
}

}  // namespace

void SortRange(const char** first, const char** end, LineComparator before) {
  PartitionRange(first, end, ThroughPointer{before});
}

void SortLines(const char** table, size_t count, LineComparator before) {
  if (before == BinaryLess) return SortTable(table, count, BytesAscending{});
  if (before == BinaryGreater) return SortTable(table, count, BytesDescending{});
  if (before == LocaleLess) return SortTable(table, count, LocaleAscending{});
  if (before == LocaleGreater) return SortTable(table, count, LocaleDescending{});
  SortTable(table, count, ThroughPointer{before});
}
