#pragma once
#include <cstddef>

#include "sort/comparators.h"
#include "sort/key_sort.h"

// Where the sorted lines are written: a buffer that drain empties when it is
// full. The sorted text of SortText is one buffer that holds it all and
// never drains; the filter drains a small one to its output.
struct TextSink {
  char* buffer;
  size_t capacity;
  size_t used;
  // Writes out buffer[0, used) and sets used to 0; false on failure. A
  // drain may keep the last few bytes (a character cut in two), moved to
  // the buffer's start, with used set to their count.
  bool (*drain)(TextSink& sink);
  void* context;
};

// The lines in their sorted order, each with what tells duplicates apart:
// either a table of NUL-terminated lines and the comparator (TieBreakMode
// off), or keyed lines of a text and their key order.
struct SortedLines {
  const char* const* table;
  LineComparator before;
  const char* text;
  const KeyedLine* keyed;
  KeyOrder order;
  size_t count;
  bool lastLineOpen;  // the text's last line had no CR LF
};

// Writes the sorted text into out and, when ExtractDuplicateLine is set, the
// duplicate lines (each with CR LF) at duplicates, which it moves on; a line
// is a duplicate when its key equals the key of the line just before it in
// the sorted order, kept or not. RemoveDuplicateLine drops duplicates from
// the sorted text. The last line goes without CR LF when the text's last
// line had none; an empty line that sorts last keeps its CR LF, or it would
// vanish. False when out failed to drain.
bool WriteSortedLines(const SortedLines& lines, TextSink& out, char*& duplicates);
