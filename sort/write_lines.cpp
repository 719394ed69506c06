#include "sort/write_lines.h"

#include <cstring>

#include "sort/text_words.h"

namespace {

// The lines lie anywhere in the text while the table is walked in order, so
// each line is asked for a few entries before it is copied.
constexpr size_t kPrefetchAhead = 8;

struct Line {
  const char* bytes;
  size_t length;
};

Line LineAt(const SortedLines& lines, size_t i) {
  if (lines.keyed) return {lines.text + lines.keyed[i].offset, lines.keyed[i].length};
  return {lines.table[i], TextLength(lines.table[i])};
}

void PrefetchLine(const SortedLines& lines, size_t i) {
#if defined(__GNUC__)
  if (i < lines.count) __builtin_prefetch(lines.keyed ? lines.text + lines.keyed[i].offset : lines.table[i]);
#else
  (void)lines, (void)i;
#endif
}

// Lines sorted by whole keys carry the answer of their check.
bool IsDuplicate(const SortedLines& lines, size_t i) {
  if (lines.keyed && lines.order.whole) return lines.keyed[i].prefix != 0;
  if (lines.keyed) return SameKey(lines.text, lines.keyed[i - 1], lines.keyed[i], lines.order);
  return lines.before(lines.table[i - 1], lines.table[i]) == 0;
}

bool Append(TextSink& out, const char* bytes, size_t n) {
  while (n > out.capacity - out.used) {
    size_t part = out.capacity - out.used;
    std::memcpy(out.buffer + out.used, bytes, part);
    out.used += part;
    bytes += part;
    n -= part;
    if (!out.drain || !out.drain(out)) return false;
  }
  CopyBytes(out.buffer + out.used, bytes, n);
  out.used += n;
  return true;
}

char* AppendDuplicate(char* duplicates, const Line& line) {
  CopyBytes(duplicates, line.bytes, line.length);
  duplicates += line.length;
  duplicates[0] = '\r';
  duplicates[1] = '\n';
  return duplicates + 2;
}

}  // namespace

bool WriteSortedLines(const SortedLines& lines, TextSink& out, char*& duplicates) {
  const SortOptions& options = g_sortOptions;
  // Without R or E a duplicate is written like any line, so the comparison
  // that finds it is not made.
  bool findDuplicates = options.RemoveDuplicateLine || options.ExtractDuplicateLine;
  for (size_t i = 0; i < lines.count; ++i) {
    PrefetchLine(lines, i + kPrefetchAhead);
    Line line = LineAt(lines, i);
    bool duplicate = findDuplicates && i >= 1 && IsDuplicate(lines, i);
    if (duplicate && options.ExtractDuplicateLine) duplicates = AppendDuplicate(duplicates, line);
    if (duplicate && options.RemoveDuplicateLine) continue;
    if (!Append(out, line.bytes, line.length)) return false;
    if (i == lines.count - 1 && lines.lastLineOpen && line.length) break;
    if (!Append(out, "\r\n", 2)) return false;
  }
  return true;
}
