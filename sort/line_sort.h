#pragma once
#include <cstddef>

#include "sort/comparators.h"
#include "sort/gear_sizes.h"

// Sorts count line pointers so that no line stands after one it must come
// before. Stays inside the table also when the comparator is not transitive
// or answers differently for the same pair (a failed scratch allocation).
void SortLines(const char** table, size_t count, LineComparator before);

// Partitions [first, end) down to stretches of at most kInsertionStretch
// entries; the caller finishes with insertion passes.
void SortRange(const char** first, const char** end, LineComparator before);
