#include "sort/sort_text.h"

#include <cstdint>
#include <cstring>

#include "cmdline/sort_options.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/character_ranks.h"
#include "sort/comparators.h"
#include "sort/gear_sizes.h"
#include "sort/key_sort.h"
#include "sort/line_end.h"
#include "sort/line_sort.h"
#include "sort/number_scanner.h"
#include "sort/text_words.h"
#include "sort/whole_key_sort.h"
#include "sort/write_lines.h"

namespace {

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

// The table takes the room that growing it by kLineTableStep entries for
// each line found beyond its room would end with, but at once: every growth
// would move the whole table (the system's reallocation does under Wine),
// which costs the square of the line count. The entries are the text's CR
// LF pairs and one more, the piece after the last (dropped when empty).
bool AllocateLineTable(HeapHandle heap, const char* text, size_t length, LineTable& table) {
  bool lastLineOpen = false;
  size_t lines = CountLines(text, length, lastLineOpen);
  size_t entries = lastLineOpen ? lines : lines + 1;
  table.capacity = (entries + kLineTableStep - 1) / kLineTableStep * kLineTableStep;
  table.lines = static_cast<const char**>(AllocateBlock(heap, 0, table.capacity * sizeof(const char*)));
  return table.lines != nullptr;
}

// Sixteen bytes a line: on 32 bits the size of 2^28 lines and more would
// wrap, and a small block would be overrun; such a count gets none.
KeyedLine* AllocateKeyedLines(HeapHandle heap, size_t count) {
  if (count > SIZE_MAX / sizeof(KeyedLine)) return nullptr;
  return static_cast<KeyedLine*>(AllocateBlock(heap, 0, count * sizeof(KeyedLine)));
}

bool ReportNoMemory(const EditorLink& link) {
  ShowMessageBox(link.mainWindow, kTextOutOfMemory, kBoxIconError);
  return false;
}

// Frees what was made and tells the user; the input text stays.
bool ReportOutOfMemory(const EditorLink& link, SortBlocks& blocks) {
  if (blocks.output) FreeBlock(link.heap, 0, blocks.output);
  if (blocks.duplicates) FreeBlock(link.heap, 0, blocks.duplicates);
  if (blocks.table.lines) FreeBlock(link.heap, 0, blocks.table.lines);
  return ReportNoMemory(link);
}

// Overwrites every CR LF with two NULs and records where each line starts,
// in a table that AllocateLineTable gave room for all of them.
void SplitLines(char* text, size_t length, LineTable& table) {
  table.lines[0] = text;
  table.count = 1;
  char* end = text + length;
  for (char* hit = const_cast<char*>(FindLineEnd(text, end)); hit;
       hit = const_cast<char*>(FindLineEnd(hit + 2, end))) {
    hit[0] = '\0';
    hit[1] = '\0';
    table.lines[table.count++] = hit + 2;
  }
  // An empty last piece is what follows a final CR LF (or the whole empty text).
  if (*table.lines[table.count - 1] == '\0')
    --table.count;
  else
    table.lastLineOpen = true;
}

size_t ComparatorIndex(const SortOptions& options) {
  return (options.TreatNumberAsNumerical ? 1 : 0) + (options.SortByColumn ? 2 : 0) +
         (options.CompareAsBinaryText ? 4 : 0) + (options.SortAscending ? 8 : 0);
}

// Picks the comparator and sets the process-wide values it reads. The
// numeric locale orders compare characters by rank in a text large enough
// to pay for ranking them.
LineComparator PrepareComparator(SortOptions& options, size_t size) {
  if (options.TreatNumberAsNumerical && options.TreatZenNumAsNumerical) NumberScanner = ScanFullWidthNumber;
  if (options.SortByColumn) options.ColumnFrom -= 1;
  if (options.TreatNumberAsNumerical && !options.CompareAsBinaryText && size >= kRankedCharactersText)
    LocaleCharacterRanks = RankCharactersOnce();
  return ComparatorTable[ComparatorIndex(options)];
}

// The keyed orders sort the lines by their keys (key_sort.h), which gives
// what the comparator would, in a block of their own, and are written from
// it; without that block, or where whole keys failed their check, they are
// sorted through the comparator like the rest, and written from the table.
SortedLines SortTable(HeapHandle heap, const char* input, size_t length, LineTable& table, LineComparator before) {
  SortedLines sorted = {};
  sorted.table = table.lines;
  sorted.before = before;
  sorted.count = table.count;
  sorted.lastLineOpen = table.lastLineOpen;
  bool keyed = ChooseKeyOrder(g_sortOptions, sorted.order) && length <= kKeyedTextLimit;
  KeyedLine* keys = keyed ? AllocateKeyedLines(heap, table.count) : nullptr;
  if (keys && sorted.order.whole) {
    if (SortByWholeKeys(heap, input, table.lines, table.count, sorted.order, keys)) {
      sorted.text = input;
      sorted.keyed = keys;
      return sorted;
    }
    FreeBlock(heap, 0, keys);
    keys = nullptr;
  }
  if (!keys) {
    SortLines(table.lines, table.count, before);
    return sorted;
  }
  for (size_t i = 0; i < table.count; ++i) {
    // A line runs to the CR LF (now two NULs) before the next line.
    size_t bytes = i + 1 < table.count ? table.lines[i + 1] - table.lines[i] - 2 : TextLength(table.lines[i]);
    keys[i] = {0, static_cast<uint32_t>(table.lines[i] - input), static_cast<uint32_t>(bytes)};
  }
  SortKeyedLines(input, keys, table.count, sorted.order);
  sorted.text = input;
  sorted.keyed = keys;
  return sorted;
}

// The keyed lines of a text that is only read.
bool SortKeyedText(EditorLink& link, const char* text, size_t size, SortedLines& sorted) {
  sorted.count = CountLines(text, size, sorted.lastLineOpen);
  if (sorted.count < 2) return false;
  PrepareComparator(g_sortOptions, size);
  ChooseKeyOrder(g_sortOptions, sorted.order);
  KeyedLine* keys = AllocateKeyedLines(link.heap, sorted.count);
  if (!keys) return ReportNoMemory(link);
  FindLines(text, size, keys);
  SortKeyedLines(text, keys, sorted.count, sorted.order);
  sorted.text = text;
  sorted.keyed = keys;
  return true;
}

// The table of a text cut in place, sorted as SortText sorts it.
bool SortCutText(EditorLink& link, char* text, size_t size, SortedLines& sorted) {
  SortBlocks blocks = {};
  if (!AllocateLineTable(link.heap, text, size, blocks.table)) return ReportOutOfMemory(link, blocks);
  SplitLines(text, size, blocks.table);
  if (blocks.table.count < 2) return false;
  LineComparator before = PrepareComparator(g_sortOptions, size);
  TieBreakMode = true;
  sorted = SortTable(link.heap, text, size, blocks.table, before);
  TieBreakMode = false;
  return true;
}

// Writes the sorted lines into the output block, which holds them all, and
// ends it; returns its length.
size_t WriteOutput(const SortedLines& lines, char* output, size_t capacity, char*& duplicates) {
  TextSink out = {output, capacity, 0, nullptr, nullptr};
  WriteSortedLines(lines, out, duplicates);
  output[out.used] = '\0';
  return out.used;
}

// Shrinks a text block to its length; a failed shrink keeps the larger block.
char* ShrinkText(HeapHandle heap, char* text, size_t length) {
  void* shrunk = ReallocateBlock(heap, 0, text, length + 1);
  return shrunk ? static_cast<char*>(shrunk) : text;
}

}  // namespace

bool SortText(EditorLink& link, char*& text, char*& duplicates) {
  HeapHandle heap = link.heap;
  SortBlocks blocks = {};
  blocks.input = text;
  size_t size = TextLength(blocks.input) + 1;
  AllocateLineTable(heap, blocks.input, size - 1, blocks.table);
  blocks.output = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, size + kEmptyLastLineEnd));
  text = blocks.output;
  if (g_sortOptions.ExtractDuplicateLine) blocks.duplicates = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, size));
  duplicates = blocks.duplicates;
  if (!blocks.table.lines || !blocks.output || (g_sortOptions.ExtractDuplicateLine && !blocks.duplicates))
    return ReportOutOfMemory(link, blocks);
  SplitLines(blocks.input, size - 1, blocks.table);
  if (blocks.table.count < 2) return false;

  LineComparator before = PrepareComparator(g_sortOptions, size - 1);
  TieBreakMode = true;
  SortedLines lines = SortTable(heap, blocks.input, size - 1, blocks.table, before);
  TieBreakMode = false;
  char* duplicatesEnd = blocks.duplicates;
  size_t length = WriteOutput(lines, blocks.output, size + kEmptyLastLineEnd - 1, duplicatesEnd);

  if (lines.keyed) FreeBlock(heap, 0, const_cast<KeyedLine*>(lines.keyed));
  FreeBlock(heap, 0, blocks.input);
  FreeBlock(heap, 0, blocks.table.lines);
  text = ShrinkText(heap, blocks.output, length);
  if (blocks.duplicates) duplicates = ShrinkText(heap, blocks.duplicates, duplicatesEnd - blocks.duplicates);
  return true;
}

// Whole keys are checked by the comparison, which takes NUL-terminated
// lines, and a failed check sorts through the comparator.
bool SortNeedsWritableText(const SortOptions& options, size_t size) {
  KeyOrder order = {};
  return !ChooseKeyOrder(options, order) || order.whole || size > kKeyedTextLimit;
}

bool SortForWriting(EditorLink& link, char* text, size_t size, SortedLines& sorted, char*& duplicates) {
  sorted = {};
  duplicates = nullptr;
  if (g_sortOptions.ExtractDuplicateLine) {
    duplicates = static_cast<char*>(AllocateBlock(link.heap, kHeapZeroMemory, size + 1));
    if (!duplicates) return ReportNoMemory(link);
  }
  if (!SortNeedsWritableText(g_sortOptions, size)) return SortKeyedText(link, text, size, sorted);
  return SortCutText(link, text, size, sorted);
}
