// SortText with fuzzer-chosen options, column window and text. A full run
// (duplicates extracted, none removed) must give a permutation of the input's
// lines in which no line stands before its predecessor, with the duplicates
// text holding exactly the lines whose key equals their predecessor's. The
// run with the chosen options must then be the full run with those lines
// dropped or extracted as asked; with an injected allocation failure it must
// keep every line or stop with the out-of-memory message. The locale orders
// that a key decides alone give the same by whole keys, as on Windows, as by
// keys read in chunks. Nothing may be read
// or written outside the blocks (the input lies in a block of its exact size)
// and no scratch block may be left on the process heap.
//
// Input: options byte (bits A R E T C N Z, bit 7: inject a failure), column
// start byte, column width byte, failing allocation byte, then the text,
// cut at its first NUL.
#include <algorithm>
#include <string>
#include <vector>

#include "cmdline/sort_options.h"
#include "editor/link.h"
#include "platform/collate.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/comparators.h"
#include "sort/number_scanner.h"
#include "sort/sort_text.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

WindowHandle const kMainWindow = reinterpret_cast<WindowHandle>(0x1234);
int g_messages = 0;

int CountMessage(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  FUZZ_CHECK(owner == kMainWindow);
  FUZZ_CHECK(std::strcmp(text, kTextOutOfMemory) == 0);
  FUZZ_CHECK(std::strcmp(caption, kMessageCaption) == 0);
  FUZZ_CHECK(style == kBoxIconError);
  ++g_messages;
  return 1;
}

// Mostly small column values, sometimes the largest ones.
uint32_t ColumnValue(uint8_t b) { return b >= 0xF0 ? 2147483647u - (b & 0x0F) : 1u + b % 12; }

// The lines as the driver cuts them: at CR LF, a last empty piece no line.
std::vector<std::string> CutLines(const std::string& text, bool& lastLineOpen) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t hit; (hit = text.find("\r\n", start)) != std::string::npos; start = hit + 2)
    lines.push_back(text.substr(start, hit - start));
  lines.push_back(text.substr(start));
  lastLineOpen = !lines.back().empty();
  if (!lastLineOpen) lines.pop_back();
  return lines;
}

struct Run {
  bool ok = false;
  int messages = 0;
  long allocations = 0;
  std::string output;
  bool hasDuplicates = false;
  std::string duplicates;
};

// Sorts text on a fresh link heap; afterwards g_sortOptions, NumberScanner
// and TieBreakMode are as SortText leaves them.
Run SortOnce(const std::string& text, const SortOptions& options, long failAt) {
  g_sortOptions = options;
  TieBreakMode = true;
  NumberScanner = ScanHalfWidthNumber;
  EditorLink link = {};
  link.heap = CreatePrivateHeap(kHeapNoSerialize);
  link.mainWindow = kMainWindow;
  char* input = static_cast<char*>(AllocateBlock(link.heap, 0, text.size() + 1));
  FUZZ_CHECK(input);
  std::memcpy(input, text.c_str(), text.size() + 1);
  char* duplicates = reinterpret_cast<char*>(1);

  Run run;
  g_messages = 0;
  long blocks = HeapBlockCount(ProcessHeapHandle());
  long allocations = AllocationCount();
  FailAllocation(failAt);
  run.ok = SortText(link, input, duplicates);
  FailAllocation(0);
  run.allocations = AllocationCount() - allocations;
  run.messages = g_messages;
  FUZZ_CHECK(HeapBlockCount(ProcessHeapHandle()) == blocks);
  if (run.ok) {
    run.output = input;
    run.hasDuplicates = duplicates != nullptr;
    if (duplicates) run.duplicates = duplicates;
  }
  ReleaseLink(link);
  return run;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string JoinWithLineEnds(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

size_t ComparatorIndex(const SortOptions& o) {
  return (o.TreatNumberAsNumerical ? 1 : 0) + (o.SortByColumn ? 2 : 0) + (o.CompareAsBinaryText ? 4 : 0) +
         (o.SortAscending ? 8 : 0);
}

// The full run: every line once, in an order the comparator accepts, and the
// duplicates judged as the driver must judge them. Returns which output
// lines are duplicates.
std::vector<bool> CheckFullRun(const Run& full, const std::vector<std::string>& lines, bool lastLineOpen) {
  FUZZ_CHECK(full.ok && full.messages == 0 && full.hasDuplicates);
  bool open = false;
  std::vector<std::string> sorted = CutLines(full.output, open);
  FUZZ_CHECK(Sorted(sorted) == Sorted(lines));
  // The driver leaves the comparator's state set: 0-based column, scanner.
  LineComparator before = ComparatorTable[ComparatorIndex(g_sortOptions)];
  TieBreakMode = false;
  std::vector<bool> duplicate(sorted.size(), false);
  std::vector<std::string> duplicates;
  for (size_t i = 1; i < sorted.size(); ++i) {
    FUZZ_CHECK(before(sorted[i].c_str(), sorted[i - 1].c_str()) == 0);
    duplicate[i] = before(sorted[i - 1].c_str(), sorted[i].c_str()) == 0;
    if (duplicate[i]) duplicates.push_back(sorted[i]);
  }
  FUZZ_CHECK(full.duplicates == JoinWithLineEnds(duplicates));
  // The text stays open exactly when its last line was open and the last
  // sorted line has bytes to show.
  FUZZ_CHECK(open == (lastLineOpen && !sorted.back().empty()));
  return duplicate;
}

// The chosen options' run is the full run with the duplicates dropped as asked.
void CheckChosenRun(const Run& run, const Run& full, const std::vector<bool>& duplicate, const SortOptions& o) {
  FUZZ_CHECK(run.ok && run.messages == 0);
  bool open = false;
  std::vector<std::string> sorted = CutLines(full.output, open);
  if (!o.RemoveDuplicateLine) {
    FUZZ_CHECK(run.output == full.output);
  } else {
    std::vector<std::string> kept;
    for (size_t i = 0; i < sorted.size(); ++i)
      if (!duplicate[i]) kept.push_back(sorted[i]);
    std::string expected = JoinWithLineEnds(kept);
    if (open && !duplicate.back()) expected.resize(expected.size() - 2);
    FUZZ_CHECK(run.output == expected);
  }
  FUZZ_CHECK(run.hasDuplicates == (o.ExtractDuplicateLine != 0));
  if (o.ExtractDuplicateLine) FUZZ_CHECK(run.duplicates == full.duplicates);
}

// With an allocation failing: the out-of-memory message and false when a
// block of the driver was refused (the line table, the output and the
// duplicates text); otherwise, scratch answers may change the order
// but every line stays, in the output or among the duplicates.
void CheckFailedRun(const Run& run, long failAt, const std::vector<std::string>& lines,
                    const SortOptions& o) {
  long driverBlocks = 2 + (o.ExtractDuplicateLine ? 1 : 0);
  if (!run.ok) {
    FUZZ_CHECK(run.messages == 1);
    FUZZ_CHECK(failAt <= driverBlocks);
    return;
  }
  FUZZ_CHECK(run.messages == 0);
  FUZZ_CHECK(failAt > driverBlocks);
  bool open = false;
  std::vector<std::string> output = CutLines(run.output, open), all = output;
  if (o.ExtractDuplicateLine) {
    std::vector<std::string> duplicates = CutLines(run.duplicates, open);
    if (o.RemoveDuplicateLine) all.insert(all.end(), duplicates.begin(), duplicates.end());
  }
  if (o.RemoveDuplicateLine && !o.ExtractDuplicateLine) {
    FUZZ_CHECK(output.size() <= lines.size());
  } else {
    FUZZ_CHECK(Sorted(all) == Sorted(lines));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input = {data, size};
  uint8_t bits = input.TakeByte();
  SortOptions options = {0, 0, 0, 0, 0, 0, 0, 0, 1, kColumnWidthDefault};
  for (int k = 0; k < int(kOptionFlagCount); ++k) OptionFlag(options, k) = (bits >> k) & 1;
  options.ColumnFrom = ColumnValue(input.TakeByte());
  options.ColumnWidth = ColumnValue(input.TakeByte());
  long failAt = bits & 0x80 ? 1 + input.TakeByte() : 0;
  std::string text = input.TakeRest();
  bool lastLineOpen = false;
  std::vector<std::string> lines = CutLines(text, lastLineOpen);

  SetMessageBoxHook(CountMessage);
  if (lines.size() < 2) {
    Run run = SortOnce(text, options, 0);
    FUZZ_CHECK(!run.ok && run.messages == 0);
  } else if (failAt) {
    CheckFailedRun(SortOnce(text, options, failAt), failAt, lines, options);
    if (!options.CompareAsBinaryText && !options.TreatNumberAsNumerical) {
      // A refused block of the whole keys sorts through the comparator: the
      // same texts as a run without failures.
      ForceWholeLocaleKeys(true);
      Run failed = SortOnce(text, options, failAt);
      Run clean = SortOnce(text, options, 0);
      ForceWholeLocaleKeys(false);
      CheckFailedRun(failed, failAt, lines, options);
      FUZZ_CHECK(!failed.ok || (failed.output == clean.output && failed.duplicates == clean.duplicates));
    }
  } else {
    SortOptions fullOptions = options;
    fullOptions.RemoveDuplicateLine = 0;
    fullOptions.ExtractDuplicateLine = 1;
    Run full = SortOnce(text, fullOptions, 0);
    std::vector<bool> duplicate = CheckFullRun(full, lines, lastLineOpen);
    Run chosen = SortOnce(text, options, 0);
    CheckChosenRun(chosen, full, duplicate, options);
    if (!options.CompareAsBinaryText && !options.TreatNumberAsNumerical) {
      ForceWholeLocaleKeys(true);
      Run whole = SortOnce(text, options, 0);
      ForceWholeLocaleKeys(false);
      FUZZ_CHECK(whole.output == chosen.output && whole.duplicates == chosen.duplicates);
    }
  }
  SetMessageBoxHook(nullptr);
  return 0;
}
