#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/sort_options.h"
#include "editor/link.h"
#include "sort/comparators.h"
#include "sort/number_scanner.h"

// Option letters used by the tables: a ascending, r RemoveDuplicateLine,
// e ExtractDuplicateLine, b CompareAsBinaryText, c SortByColumn,
// n TreatNumberAsNumerical, z TreatZenNumAsNumerical. Anything else in the
// string is ignored, so "a b" reads as well as "ab".
SortOptions OptionsFrom(const char* letters, uint32_t columnFrom = 1, uint32_t columnWidth = kColumnWidthDefault);

// One SortText call on a text copied onto a fresh link heap.
struct SortRun {
  bool ok = false;
  std::string output;
  bool hasDuplicates = false;  // the duplicates pointer was not null
  std::string duplicates;
  int messages = 0;            // message boxes shown
  std::string lastMessage;
  unsigned lastStyle = 0;
  long blocksLeft = 0;         // blocks on the link heap after the call
  long allocations = 0;        // allocations the call asked for
  long processBlocksLeaked = 0;  // process-heap blocks not freed by the call
  bool keyed = false;          // the filter's way: the lines came sorted by their keys
};
// failAt = k makes the k-th allocation inside SortText fail (0: none).
SortRun RunSortText(const std::string& input, const SortOptions& options, long failAt = 0);

// One SortForWriting call, the filter's way: the text in a block that ends
// with it where the order only reads it (so that a read past its end is an
// overrun), after a CR, written through a sink of the given capacity,
// drained whenever it fills.
SortRun RunSortForWriting(const std::string& input, const SortOptions& options, size_t sinkCapacity);

// The lines of a text cut at CR LF; a final CR LF ends the last line.
std::vector<std::string> SplitAtLineEnds(const std::string& text);

// Puts every process-wide value the sort reads or writes back to its start.
void ResetSortState();

// Resets the sort state around every test and counts message boxes.
class SortTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetSortState(); }
  void TearDown() override { ResetSortState(); }
};
