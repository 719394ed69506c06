#include "sort/key_sort.h"

#include <algorithm>
#include <cstring>

#include "platform/collate.h"
#include "sort/character_width.h"
#include "sort/gear_sizes.h"
#include "sort/line_end.h"
#include "sort/text_words.h"

// A radix sort on the key bytes, most significant first. Each line carries
// the eight key bytes that its group is being split on; a group whose lines
// agree on all eight reads the next eight. Where every line of a group
// agrees on a long run (lines that share most of their bytes), the run is
// passed at once. Small groups are finished by insertion, larger ones split
// by the next byte in place. Equal keys end up ordered by offset, which is
// the text's order; the descending orders are the ascending ones reversed,
// as their comparators' tie-break makes them.
namespace {

// The bytes a line is ordered by.
struct KeyText {
  const char* bytes;
  size_t length;
};

KeyText KeyOf(const char* text, const KeyedLine& line, const KeyOrder& order) {
  const char* start = text + line.offset;
  size_t length = line.length;
  if (!order.column) return {start, length};
  size_t from = std::min<size_t>(order.columnFrom, length);
  return {start + from, std::min<size_t>(order.columnWidth, length - from)};
}

inline uint64_t BigEndianWord(const char* p) {
  uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
#if defined(__GNUC__)
  return __builtin_bswap64(word);
#else
  uint64_t swapped = 0;
  for (int i = 0; i < 8; ++i) swapped = (swapped << 8) | ((word >> (8 * i)) & 0xFF);
  return swapped;
#endif
}

// The next eight key bytes from cursor, zeros past the key's end. In byte
// order the key is the text itself: no byte of a line is 0, so a 0 is the
// end there too.
uint64_t ReadKey(const KeyText& key, LocaleKeyCursor& cursor, bool locale) {
  if (locale) return ReadLocaleKey(key.bytes, key.length, cursor);
  size_t at = cursor.at;
  cursor.at += kKeyChunk;
  if (at + kKeyChunk <= key.length) return BigEndianWord(key.bytes + at);
  uint64_t chunk = 0;
  for (size_t i = at; i < at + kKeyChunk; ++i)
    chunk = (chunk << 8) | (i < key.length ? static_cast<unsigned char>(key.bytes[i]) : 0);
  return chunk;
}

// A chunk whose last byte is 0 holds the end of its key.
inline bool HoldsKeyEnd(uint64_t chunk) { return (chunk & 0xFF) == 0; }

struct SortContext {
  const char* text;
  const KeyOrder& order;
};

// Sets every line's prefix to its chunk at cursor.
void LoadPrefixes(const SortContext& c, KeyedLine* lines, size_t n, LocaleKeyCursor cursor) {
  constexpr size_t kAhead = 8;
  for (size_t i = 0; i < n; ++i) {
#if defined(__GNUC__)
    if (i + kAhead < n) __builtin_prefetch(c.text + lines[i + kAhead].offset);
#endif
    LocaleKeyCursor at = cursor;
    lines[i].prefix = ReadKey(KeyOf(c.text, lines[i], c.order), at, c.order.locale);
  }
}

// -1, 0 or 1: the keys of two lines compared from cursor, where they agree
// before it. Whole chunks in locale order, so that the answer is the keys'.
int CompareKeysFrom(const SortContext& c, const KeyedLine& x, const KeyedLine& y, LocaleKeyCursor cursor) {
  KeyText kx = KeyOf(c.text, x, c.order), ky = KeyOf(c.text, y, c.order);
  if (!c.order.locale) {
    size_t at = std::min({cursor.at, kx.length, ky.length});
    size_t common = std::min(kx.length, ky.length) - at;
    int sign = std::memcmp(kx.bytes + at, ky.bytes + at, common);
    if (sign != 0) return sign < 0 ? -1 : 1;
    return kx.length < ky.length ? -1 : kx.length > ky.length;
  }
  LocaleKeyCursor cx = cursor, cy = cursor;
  for (;;) {
    uint64_t a = ReadKey(kx, cx, true), b = ReadKey(ky, cy, true);
    if (a != b) return a < b ? -1 : 1;
    if (HoldsKeyEnd(a)) return 0;
  }
}

// Insertion by the prefixes alone.
void InsertByPrefix(KeyedLine* lines, size_t n) {
  for (size_t i = 1; i < n; ++i) {
    KeyedLine v = lines[i];
    size_t k = i;
    for (; k > 0 && v.prefix < lines[k - 1].prefix; --k) lines[k] = lines[k - 1];
    lines[k] = v;
  }
}

// Lines with equal keys, in the order of the text.
void SortByOffset(KeyedLine* lines, size_t n) {
  std::sort(lines, lines + n, [](const KeyedLine& x, const KeyedLine& y) { return x.offset < y.offset; });
}

// The length of the run of bytes that every line of the group has from at
// (at most each key's end); in locale order cut back to a character
// boundary, so that every line's key goes on from the same cursor. The
// collation's characters follow the two-byte rule.
size_t CommonRun(const SortContext& c, const KeyedLine* lines, size_t n, size_t at) {
  KeyText first = KeyOf(c.text, lines[0], c.order);
  size_t run = first.length - std::min(at, first.length);
  for (size_t i = 1; i < n && run > 0; ++i) {
    KeyText key = KeyOf(c.text, lines[i], c.order);
    run = std::min(run, key.length - std::min(at, key.length));
    run = CommonLength(first.bytes + at, key.bytes + at, run);
  }
  if (!c.order.locale) return run;
  const char* p = first.bytes + at;
  size_t passed = 0;
  while (passed < run) {
    bool lead = IsLeadByte(static_cast<unsigned char>(p[passed]));
    if (lead && passed + 1 >= run) break;  // its second byte may differ
    passed += lead && IsTrailByte(static_cast<unsigned char>(p[passed + 1])) ? 2 : 1;
  }
  return passed;
}

// Every line of the group agrees on its chunk at cursor: the cursor of the
// next chunk, with every line's prefix read there. A run that all share
// beyond it is passed at once.
LocaleKeyCursor NextChunk(const SortContext& c, KeyedLine* lines, size_t n, LocaleKeyCursor cursor) {
  LocaleKeyCursor next = cursor;
  ReadKey(KeyOf(c.text, lines[0], c.order), next, c.order.locale);
  LoadPrefixes(c, lines, n, next);
  for (size_t i = 1; i < n; ++i)
    if (lines[i].prefix != lines[0].prefix) return next;
  if (HoldsKeyEnd(lines[0].prefix) || next.taken != 0) return next;
  size_t run = CommonRun(c, lines, n, next.at);
  if (run == 0) return next;
  next.at += run;
  LoadPrefixes(c, lines, n, next);
  return next;
}

// Sorts a small group of lines whose keys agree before their chunks at
// cursor: by the chunks, then each run of lines that share theirs by the
// next ones. A run is always smaller than its group, except when the whole
// group shares its chunk: that goes on in the loop, so the depth stays
// within the group's size.
void SortSmallGroup(const SortContext& c, KeyedLine* lines, size_t n, LocaleKeyCursor cursor) {
  for (;;) {
    InsertByPrefix(lines, n);
    if (lines[0].prefix != lines[n - 1].prefix) break;
    if (HoldsKeyEnd(lines[0].prefix)) return SortByOffset(lines, n);
    cursor = NextChunk(c, lines, n, cursor);
  }
  for (size_t i = 0, j = 1; i < n; i = j++) {
    while (j < n && lines[j].prefix == lines[i].prefix) ++j;
    if (j - i < 2) continue;
    if (HoldsKeyEnd(lines[i].prefix))
      SortByOffset(lines + i, j - i);
    else
      SortSmallGroup(c, lines + i, j - i, NextChunk(c, lines + i, j - i, cursor));
  }
}

inline unsigned DigitOf(const KeyedLine& line, unsigned shift) { return (line.prefix >> shift) & 0xFF; }

// Puts the lines in the order of their byte at shift, in place; starts
// receives where each byte's bucket begins.
void Distribute(KeyedLine* lines, const size_t (&counts)[256], unsigned shift, size_t (&starts)[256]) {
  size_t next[256], ends[256];
  size_t sum = 0;
  for (unsigned b = 0; b < 256; ++b) {
    starts[b] = next[b] = sum;
    sum += counts[b];
    ends[b] = sum;
  }
  for (unsigned b = 0; b < 256; ++b) {
    while (next[b] < ends[b]) {
      KeyedLine v = lines[next[b]];
      for (unsigned d = DigitOf(v, shift); d != b; d = DigitOf(v, shift)) std::swap(v, lines[next[d]++]);
      lines[next[b]++] = v;
    }
  }
}

// Sorts a group of lines whose keys agree before byte of their chunks at
// cursor. The largest bucket goes on in the loop, the others recurse, so
// the depth stays within log2 of the count.
void SortGroup(const SortContext& c, KeyedLine* lines, size_t n, unsigned byte, LocaleKeyCursor cursor) {
  for (;;) {
    if (n <= kSmallGroup) return SortSmallGroup(c, lines, n, cursor);
    if (byte == kKeyChunk) {
      cursor = NextChunk(c, lines, n, cursor);
      byte = 0;
    }
    unsigned shift = 56 - 8 * byte;
    size_t counts[256] = {};
    for (size_t i = 0; i < n; ++i) ++counts[DigitOf(lines[i], shift)];
    unsigned only = DigitOf(lines[0], shift);
    if (counts[only] == n) {
      if (only == 0) return SortByOffset(lines, n);  // every key ended here
      ++byte;
      continue;
    }
    size_t starts[256];
    Distribute(lines, counts, shift, starts);
    unsigned largest = 0;
    for (unsigned b = 1; b < 256; ++b)
      if (counts[b] > counts[largest]) largest = b;
    for (unsigned b = 0; b < 256; ++b) {
      if (b == largest || counts[b] < 2) continue;
      if (b == 0)
        SortByOffset(lines + starts[0], counts[0]);
      else
        SortGroup(c, lines + starts[b], counts[b], byte + 1, cursor);
    }
    if (largest == 0) return SortByOffset(lines, counts[0]);
    lines += starts[largest];
    n = counts[largest];
    ++byte;
  }
}

}  // namespace

bool ChooseKeyOrder(const SortOptions& options, KeyOrder& order) {
  if (options.TreatNumberAsNumerical) return false;
  order.locale = !options.CompareAsBinaryText;
  order.whole = order.locale && !LocaleKeysAvailable();
  order.column = options.SortByColumn != 0;
  order.columnFrom = options.ColumnFrom;
  order.columnWidth = options.ColumnWidth;
  order.descending = !options.SortAscending;
  return true;
}

void SortKeyedLines(const char* text, KeyedLine* lines, size_t count, const KeyOrder& order) {
  SortContext c = {text, order};
  LocaleKeyCursor start = {0, 0};
  LoadPrefixes(c, lines, count, start);
  SortGroup(c, lines, count, 0, start);
  if (order.descending) std::reverse(lines, lines + count);
}

bool SameKey(const char* text, const KeyedLine& first, const KeyedLine& second, const KeyOrder& order) {
  KeyText x = KeyOf(text, first, order), y = KeyOf(text, second, order);
  if (x.length == y.length && std::memcmp(x.bytes, y.bytes, x.length) == 0) return true;
  if (!order.locale) return false;
  SortContext c = {text, order};
  return CompareKeysFrom(c, first, second, LocaleKeyCursor{0, 0}) == 0;
}

size_t CountLines(const char* text, size_t size, bool& lastLineOpen) {
  const char* end = text + size;
  size_t count = 1;
  const char* start = text;
  for (const char* hit = FindLineEnd(text, end); hit; hit = FindLineEnd(start, end)) {
    start = hit + 2;
    ++count;
  }
  lastLineOpen = start < end;
  return lastLineOpen ? count : count - 1;
}

void FindLines(const char* text, size_t size, KeyedLine* lines) {
  const char* end = text + size;
  const char* start = text;
  size_t i = 0;
  for (const char* hit = FindLineEnd(text, end); hit; hit = FindLineEnd(start, end)) {
    lines[i++] = {0, static_cast<uint32_t>(start - text), static_cast<uint32_t>(hit - start)};
    start = hit + 2;
  }
  if (start < end) lines[i] = {0, static_cast<uint32_t>(start - text), static_cast<uint32_t>(end - start)};
}
