#include "platform/collate.h"

#include <cstdint>
#include <cstring>

// A stand-in for the system collation over code-page-932 bytes. Each
// character becomes one weight and the weights are compared in order; a text
// that runs out first is the smaller. The order of the weights is the
// characters' own code order, folded so that:
//   - ASCII letters compare as lower case (A = a);
//   - full-width Latin letters compare as full-width lower case (Ａ = ａ);
//   - katakana compare as the matching hiragana (ア = あ, ヽ = ゝ);
//   - half-width forms keep weights of their own (ｱ is not ア, A is not Ａ).
// Every two-byte character weighs more than every one-byte character.
namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

uint32_t FoldDoubleByte(uint32_t code) {
  if (code >= 0x8260 && code <= 0x8279) return code + 0x21;            // Ａ-Ｚ → ａ-ｚ
  if (code >= 0x8340 && code <= 0x837E) return code - 0x8340 + 0x829F; // ァ-ミ → ぁ-み
  if (code >= 0x8380 && code <= 0x8393) return code - 0x8380 + 0x82DE; // ム-ン → む-ん
  if (code == 0x8152 || code == 0x8153) return code + 2;               // ヽヾ → ゝゞ
  return code;
}

uint32_t FoldSingleByte(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return b + ('a' - 'A');
  return b;
}

// Reads the character at text[i] (i < length) and advances i past it.
inline uint32_t NextWeight(const unsigned char* text, long length, long& i) {
  unsigned char b = text[i];
  if (IsLeadByte(b) && i + 1 < length && IsTrailByte(text[i + 1])) {
    uint32_t code = (uint32_t(b) << 8) | text[i + 1];
    i += 2;
    return 0x10000 + FoldDoubleByte(code);
  }
  i += 1;
  return FoldSingleByte(b);
}

// Per byte: whether it may lead (1) or trail (2) a two-byte character, and
// the fold of the two-byte codes 0x8100-0x83FF, the only ones that fold, as
// tables, so that weighing a character takes no unpredictable branch.
struct CollationTables {
  unsigned char kind[256];
  int16_t foldDelta[0x300];
  CollationTables() {
    for (int b = 0; b < 256; ++b) kind[b] = (IsLeadByte(b) ? 1 : 0) | (IsTrailByte(b) ? 2 : 0);
    for (int i = 0; i < 0x300; ++i) foldDelta[i] = static_cast<int16_t>(FoldDoubleByte(0x8100 + i) - (0x8100 + i));
  }
};
const CollationTables kTables;

// The weight of the character at p, which is not the NUL, and its width;
// p[1] may be read, since the text goes on at least to its NUL.
inline uint32_t WeightAt(const unsigned char* p, int& width) {
  uint32_t c = p[0], n = p[1];
  bool two = (kTables.kind[c] & 1) && (kTables.kind[n] & 2);
  uint32_t code = (c << 8) | n;
  uint32_t index = code - 0x8100;
  uint32_t folded = code + (index < 0x300 ? kTables.foldDelta[index] : 0);
  width = two ? 2 : 1;
  return two ? 0x10000 + folded : FoldSingleByte(static_cast<unsigned char>(c));
}

// Long runs of the same bytes (lines that share a long beginning) are passed
// over a chunk at a time once this many equal characters were seen.
constexpr size_t kChunk = 64;
constexpr int kRunBeforeChunks = 16;

// The same kChunk bytes at a and b, none of them a NUL; strnlen keeps every
// read inside both texts.
inline bool SameChunk(const unsigned char* a, const unsigned char* b) {
  const char* x = reinterpret_cast<const char*>(a);
  const char* y = reinterpret_cast<const char*>(b);
  return strnlen(x, kChunk) == kChunk && strnlen(y, kChunk) == kChunk && std::memcmp(x, y, kChunk) == 0;
}

// The last character boundary at or before q, start being one: bytes that
// may lead a character pair up from the last byte before q that may not
// (which ends a character whatever it is), so the parity of their run tells
// whether q - 1 begins a character that q continues.
const unsigned char* LastBoundary(const unsigned char* start, const unsigned char* q) {
  const unsigned char* p = q;
  while (p > start && (kTables.kind[p[-1]] & 1)) --p;
  return (q - p) % 2 ? q - 1 : q;
}

// Both texts end at their NUL, so neither is measured first. Characters of
// equal weight are passed over; after a run of them, whole chunks of the
// same bytes are, and the walk goes on from the character boundary there.
int CompareTerminated(const unsigned char* a, const unsigned char* b) {
  int run = 0;
  for (;;) {
    uint32_t x = *a, y = *b;
    if (x == 0 || y == 0) return x == y ? kCompareEqual : x == 0 ? kCompareLess : kCompareGreater;
    int wa = 1, wb = 1;
    uint32_t va = WeightAt(a, wa), vb = WeightAt(b, wb);
    if (va != vb) return va < vb ? kCompareLess : kCompareGreater;
    a += wa;
    b += wb;
    if (x != y) {
      run = 0;
      continue;
    }
    if (++run < kRunBeforeChunks) continue;
    run = 0;
    const unsigned char* start = a;
    while (SameChunk(a, b)) a += kChunk, b += kChunk;
    if (a == start) continue;
    const unsigned char* boundary = LastBoundary(start, a);
    b -= a - boundary;
    a = boundary;
  }
}

long MeasuredLength(const char* text, int length) {
  if (length >= 0) return length;
  long n = 0;
  while (text[n]) ++n;
  return n;
}

}  // namespace

int CompareLocale(const char* first, int firstLength, const char* second, int secondLength) {
  if (!first || !second || firstLength < -1 || secondLength < -1) return kCompareFailed;
  const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
  if (firstLength == -1 && secondLength == -1) return CompareTerminated(a, b);
  long na = MeasuredLength(first, firstLength), nb = MeasuredLength(second, secondLength);
  long i = 0, j = 0;
  while (i < na && j < nb) {
    uint32_t wa = NextWeight(a, na, i), wb = NextWeight(b, nb, j);
    if (wa != wb) return wa < wb ? kCompareLess : kCompareGreater;
  }
  if (i < na) return kCompareGreater;
  if (j < nb) return kCompareLess;
  return kCompareEqual;
}
