#include "sort/sort_text.h"

#include <cstring>

#include "cmdline/sort_options.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/comparators.h"
#include "sort/line_sort.h"
#include "sort/number_scanner.h"

namespace {

// The table grows by fixed steps, not by doubling: one step is 16 KB of
// pointers on 32-bit Windows.
constexpr size_t kLineTableStep = 4096;

// The output holds the input's lines and at most its CR LF pairs, plus one
// CR LF more when an empty line sorts last in a text whose last line had none.
constexpr size_t kEmptyLastLineEnd = 2;

// Pointers to the lines, which are cut in place in the input text.
struct LineTable {
  const char** lines;
  size_t capacity;
  size_t count;
  bool lastLineOpen;  // the text does not end with CR LF and its last piece is not empty
};

// The blocks SortText makes on the link's heap.
struct SortBlocks {
  char* input;
  char* output;
  char* duplicates;
  LineTable table;
};

bool GrowLineTable(HeapHandle heap, LineTable& table) {
  size_t capacity = table.capacity + kLineTableStep;
  void* grown = ReallocateBlock(heap, kHeapZeroMemory, table.lines, capacity * sizeof(const char*));
  if (!grown) return false;
  table.lines = static_cast<const char**>(grown);
  table.capacity = capacity;
  return true;
}

// The next CR LF in [from, end), found by its LF (memchr is the fastest scan
// the C library has); null when there is none.
char* FindLineEnd(char* from, char* end) {
  for (char* lf = from; (lf = static_cast<char*>(std::memchr(lf, '\n', static_cast<size_t>(end - lf)))); ++lf)
    if (lf > from && lf[-1] == '\r') return lf - 1;
  return nullptr;
}

// Overwrites every CR LF with two NULs and records where each line starts.
// A lone CR or LF is an ordinary byte; no CR LF hides inside a two-byte
// character, since a trail byte is never below 0x40.
bool SplitLines(HeapHandle heap, char* text, size_t length, LineTable& table) {
  table.lines[0] = text;
  table.count = 1;
  char* end = text + length;
  for (char* hit = FindLineEnd(text, end); hit; hit = FindLineEnd(hit + 2, end)) {
    if (table.count == table.capacity && !GrowLineTable(heap, table)) return false;
    hit[0] = '\0';
    hit[1] = '\0';
    table.lines[table.count++] = hit + 2;
  }
  // An empty last piece is what follows a final CR LF (or the whole empty text).
  if (*table.lines[table.count - 1] == '\0')
    --table.count;
  else
    table.lastLineOpen = true;
  return true;
}

size_t ComparatorIndex(const SortOptions& options) {
  return (options.TreatNumberAsNumerical ? 1 : 0) + (options.SortByColumn ? 2 : 0) +
         (options.CompareAsBinaryText ? 4 : 0) + (options.SortAscending ? 8 : 0);
}

// Picks the comparator and sets the process-wide values it reads.
LineComparator PrepareComparator(SortOptions& options) {
  if (options.TreatNumberAsNumerical && options.TreatZenNumAsNumerical) NumberScanner = ScanFullWidthNumber;
  if (options.SortByColumn) options.ColumnFrom -= 1;
  return ComparatorTable[ComparatorIndex(options)];
}

char* AppendLine(char* out, const char* line) {
  size_t length = std::strlen(line);
  std::memcpy(out, line, length);
  return out + length;
}

char* AppendLineEnd(char* out) {
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

// Writes the sorted lines, dropping or extracting those whose key equals the
// key of the line just before them in the sorted order (kept or not). The
// last line goes without CR LF when the text's last line had none; an empty
// line that sorts last keeps its CR LF, or it would vanish from the text.
// Returns the output's write position.
char* WriteSortedLines(const LineTable& table, LineComparator before, char* out, char* duplicates) {
  const SortOptions& options = g_sortOptions;
  // Without R or E a duplicate is written like any line, so the comparison
  // that finds it is not made.
  bool findDuplicates = options.RemoveDuplicateLine || options.ExtractDuplicateLine;
  for (size_t i = 0; i < table.count; ++i) {
    const char* line = table.lines[i];
    bool duplicate = findDuplicates && i >= 1 && before(table.lines[i - 1], line) == 0;
    if (duplicate && options.ExtractDuplicateLine) duplicates = AppendLineEnd(AppendLine(duplicates, line));
    if (duplicate && options.RemoveDuplicateLine) continue;
    out = AppendLine(out, line);
    if (i == table.count - 1 && table.lastLineOpen && *line) break;
    out = AppendLineEnd(out);
  }
  return out;
}

// Shrinks a text block to its length; a failed shrink keeps the larger block.
char* ShrinkText(HeapHandle heap, char* text) {
  void* shrunk = ReallocateBlock(heap, 0, text, std::strlen(text) + 1);
  return shrunk ? static_cast<char*>(shrunk) : text;
}

// Frees what was made and tells the user; the input text stays.
bool ReportOutOfMemory(const EditorLink& link, SortBlocks& blocks) {
  if (blocks.output) FreeBlock(link.heap, 0, blocks.output);
  if (blocks.duplicates) FreeBlock(link.heap, 0, blocks.duplicates);
  if (blocks.table.lines) FreeBlock(link.heap, 0, blocks.table.lines);
  ShowMessageBox(link.mainWindow, kTextOutOfMemory, kBoxIconError);
  return false;
}

}  // namespace

bool SortText(EditorLink& link, char*& text, char*& duplicates) {
  HeapHandle heap = link.heap;
  SortBlocks blocks = {};
  blocks.input = text;
  blocks.table.lines = static_cast<const char**>(AllocateBlock(heap, 0, kLineTableStep * sizeof(const char*)));
  blocks.table.capacity = kLineTableStep;
  size_t size = std::strlen(blocks.input) + 1;
  blocks.output = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, size + kEmptyLastLineEnd));
  text = blocks.output;
  if (g_sortOptions.ExtractDuplicateLine) blocks.duplicates = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, size));
  duplicates = blocks.duplicates;
  if (!blocks.table.lines || !blocks.output || (g_sortOptions.ExtractDuplicateLine && !blocks.duplicates))
    return ReportOutOfMemory(link, blocks);
  if (!SplitLines(heap, blocks.input, size - 1, blocks.table)) return ReportOutOfMemory(link, blocks);
  if (blocks.table.count < 2) return false;

  LineComparator before = PrepareComparator(g_sortOptions);
  TieBreakMode = true;
  SortLines(blocks.table.lines, blocks.table.count, before);
  TieBreakMode = false;
  char* end = WriteSortedLines(blocks.table, before, blocks.output, blocks.duplicates);
  *end = '\0';

  FreeBlock(heap, 0, blocks.input);
  FreeBlock(heap, 0, blocks.table.lines);
  text = ShrinkText(heap, blocks.output);
  if (blocks.duplicates) duplicates = ShrinkText(heap, blocks.duplicates);
  return true;
}
