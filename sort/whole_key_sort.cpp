#include "sort/whole_key_sort.h"

#include <cstdint>
#include <cstring>

#include "platform/collate.h"
#include "platform/heap.h"
#include "sort/comparators.h"
#include "sort/text_words.h"

namespace {

// What the locale comparators hand the collation for a line: the line up
// to its NUL, or its column window with its byte length.
struct CollatedText {
  const char* start;
  int length;
};

CollatedText CollatedTextOf(const char* line, bool column) {
  if (!column) return {line, -1};
  const char* start = ColumnStart(line);
  return {start, static_cast<int>(ColumnLength(start))};
}

// A block on the heap that grows as the keys come. The keys' block holds,
// for each line, its index in the table and then its key; offsets into it
// are 32-bit, as the keyed sort keeps them.
struct GrowingBlock {
  HeapHandle heap;
  unsigned char* bytes;
  size_t capacity;
  size_t used;
};

constexpr size_t kIndexBytes = sizeof(uint32_t);

// Room for more bytes after those used; false when it cannot be had.
bool Reserve(GrowingBlock& block, size_t more) {
  if (block.capacity - block.used >= more) return true;
  size_t need = block.used + more;
  if (need < more || need > kKeyedTextLimit) return false;
  size_t grown = block.capacity + block.capacity / 2;
  if (grown < need || grown > kKeyedTextLimit) grown = need;
  void* larger = block.bytes ? ReallocateBlock(block.heap, 0, block.bytes, grown) : AllocateBlock(block.heap, 0, grown);
  if (!larger) return false;
  block.bytes = static_cast<unsigned char*>(larger);
  block.capacity = grown;
  return true;
}

void Release(GrowingBlock& block) {
  if (block.bytes) FreeBlock(block.heap, 0, block.bytes);
  block.bytes = nullptr;
}

// The key of text into raw, grown to hold it; false when none.
bool MakeKey(const CollatedText& text, GrowingBlock& raw, size_t& n) {
  if (!MakeLocaleKey(text.start, text.length, raw.bytes, raw.capacity, n)) return false;
  if (n <= raw.capacity) return true;
  raw.used = 0;
  return Reserve(raw, n) && MakeLocaleKey(text.start, text.length, raw.bytes, raw.capacity, n) && n <= raw.capacity;
}

// Each line's index and escaped key into keys, and lines[i] pointing at
// its key there.
bool MakeKeys(const char* const* table, size_t count, bool column, GrowingBlock& keys, GrowingBlock& raw,
              KeyedLine* lines) {
  for (size_t i = 0; i < count; ++i) {
    size_t n = 0;
    if (!MakeKey(CollatedTextOf(table[i], column), raw, n) || !Reserve(keys, kIndexBytes + 2 * n)) return false;
    uint32_t index = static_cast<uint32_t>(i);
    std::memcpy(keys.bytes + keys.used, &index, kIndexBytes);
    size_t at = keys.used + kIndexBytes;
    size_t length = EscapeKey(raw.bytes, n, keys.bytes + at);
    lines[i] = {0, static_cast<uint32_t>(at), static_cast<uint32_t>(length)};
    keys.used = at + length;
  }
  return true;
}

// From each key back to its line: offset and length in the text. The lines
// follow each other in the text, each ended by the two NULs of its CR LF.
void PointAtLines(const unsigned char* keys, const char* text, const char* const* table, size_t count,
                  KeyedLine* lines) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t index = 0;
    std::memcpy(&index, keys + lines[i].offset - kIndexBytes, kIndexBytes);
    const char* line = table[index];
    size_t length = index + 1 < count ? static_cast<size_t>(table[index + 1] - line) - 2 : TextLength(line);
    lines[i] = {0, static_cast<uint32_t>(line - text), static_cast<uint32_t>(length)};
  }
}

// The comparator's own question for each adjacent pair: ascending, whether
// the later line is greater than the earlier (LocaleLess swaps its
// arguments); descending, whether the earlier is greater than the later.
// Equal keys pass only with the greater-asked line lying after the other in
// the text, as the tie-break orders them; equal keys are the duplicates.
bool CheckAdjacentLines(const char* text, KeyedLine* lines, size_t count, const KeyOrder& order) {
  lines[0].prefix = 0;
  for (size_t i = 1; i < count; ++i) {
    const KeyedLine& greater = order.descending ? lines[i - 1] : lines[i];
    const KeyedLine& lesser = order.descending ? lines[i] : lines[i - 1];
    CollatedText a = CollatedTextOf(text + greater.offset, order.column);
    CollatedText b = CollatedTextOf(text + lesser.offset, order.column);
    int r = CompareLocale(a.start, a.length, b.start, b.length);
    if (r == kCompareEqual && greater.offset > lesser.offset)
      lines[i].prefix = 1;
    else if (r == kCompareGreater)
      lines[i].prefix = 0;
    else
      return false;
  }
  return true;
}

// A first guess at the room the keys take, so that few growths follow: a
// few bytes a text byte, and the index and the empty key's bytes a line.
size_t GuessKeyBytes(const char* const* table, size_t count) {
  size_t textBytes = static_cast<size_t>(table[count - 1] - table[0]) + TextLength(table[count - 1]);
  size_t guess = textBytes / 2 * 5 + count * 12;
  return guess > kKeyedTextLimit ? kKeyedTextLimit : guess;
}

constexpr size_t kFirstRawKey = 256;

}  // namespace

size_t EscapeKey(const unsigned char* key, size_t n, unsigned char* out) {
  size_t k = 0;
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = key[i];
    if (b > 1) {
      out[k++] = b;
    } else {
      out[k++] = 1;
      out[k++] = static_cast<unsigned char>(b + 1);
    }
  }
  return k;
}

bool SortByWholeKeys(HeapHandle heap, const char* text, const char* const* table, size_t count, const KeyOrder& order,
                     KeyedLine* lines) {
  GrowingBlock keys = {heap, nullptr, 0, 0}, raw = {heap, nullptr, 0, 0};
  bool made = Reserve(keys, GuessKeyBytes(table, count)) && Reserve(raw, kFirstRawKey) &&
              MakeKeys(table, count, order.column, keys, raw, lines);
  Release(raw);
  if (made) {
    KeyOrder bytes = {};
    bytes.descending = order.descending;
    SortKeyedLines(reinterpret_cast<const char*>(keys.bytes), lines, count, bytes);
    PointAtLines(keys.bytes, text, table, count, lines);
  }
  Release(keys);
  return made && CheckAdjacentLines(text, lines, count, order);
}
