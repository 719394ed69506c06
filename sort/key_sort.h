#pragma once
#include <cstddef>
#include <cstdint>

#include "cmdline/sort_options.h"

// The orders that a key decides alone: the whole line or its column window,
// in byte order or (where the collation gives keys) in locale order, with
// equal keys in the order of their lines in the text. Their comparators put
// any two different lines strictly in order, so every correct sort gives the
// same result; these are sorted by the bytes of their keys, eight at a time
// beside each line, instead of through the comparator.

// One line of the text.
struct KeyedLine {
  uint64_t prefix;  // the key bytes being sorted on, first byte highest
  uint32_t offset;  // where the line begins in the text
  uint32_t length;  // its bytes, without the line end
};

struct KeyOrder {
  bool locale;           // locale keys, else the bytes themselves
  bool whole;            // locale keys made whole for each line (whole_key_sort.h), else read in chunks
  bool column;           // the column window, else the whole line
  uint32_t columnFrom;   // 0-based
  uint32_t columnWidth;
  bool descending;
};

// Offsets are 32-bit: a longer text is sorted through the comparator.
constexpr size_t kKeyedTextLimit = 0xFFFFFFFFu;

// The keyed order that options ask for (ColumnFrom read as 0-based); false
// for the numeric orders.
bool ChooseKeyOrder(const SortOptions& options, KeyOrder& order);

// Sorts the lines (offset and length set) into the order's result.
void SortKeyedLines(const char* text, KeyedLine* lines, size_t count, const KeyOrder& order);

// Equal keys: the two lines are duplicates of each other.
bool SameKey(const char* text, const KeyedLine& first, const KeyedLine& second, const KeyOrder& order);

// The number of lines of text[0, size) cut at CR LF, an empty last piece not
// counted; lastLineOpen tells whether the last line has no CR LF.
size_t CountLines(const char* text, size_t size, bool& lastLineOpen);

// Fills lines (room for CountLines entries) with the lines of the text, which
// is left as it is.
void FindLines(const char* text, size_t size, KeyedLine* lines);
