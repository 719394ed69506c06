#pragma once
#include <cstddef>

#include "platform/types.h"
#include "sort/key_sort.h"

// The locale orders without numbers where the system makes each text's key
// whole (Windows). Every line's key is made once and the lines are sorted
// by their keys' bytes, equal keys in the text's order (descending: the
// exact reverse), by the keyed sort. The system's word that its keys order
// texts as its comparison does is not taken on trust: one pass asks the
// comparison that the comparator makes of every adjacent pair and accepts
// only the order that the comparator, tie-break included, gives. If the
// comparison is an order at all, a table that passes is exactly what any
// correct sort by the comparator gives. The same pass finds the duplicates.
//
// table: the count lines of text, cut in place (each ends at its NUL), in
// the text's order. On success lines (room for count) holds them sorted,
// each line's prefix 1 when its key equals that of the line before it,
// else 0. False when a key could not be made or held, or when the
// comparison disagreed with the keys: the caller then sorts through the
// comparator, which defines the order.
bool SortByWholeKeys(HeapHandle heap, const char* text, const char* const* table, size_t count, const KeyOrder& order,
                     KeyedLine* lines);

// The keyed sort takes a 0 for the end of a key, and a key may hold zero
// bytes: each byte 0 or 1 of key[0, n) becomes the two bytes 1 1 or 1 2 in
// out, any other byte stays. The first difference of two keys becomes the
// first difference of their escaped forms, in the same direction, and no
// escaped byte is 0, so the order of the keys (the shorter first where one
// begins the other) is kept. Writes at most 2 n bytes; returns how many.
size_t EscapeKey(const unsigned char* key, size_t n, unsigned char* out);
