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

// The sizes at which the paths change gear: runs of the same bytes are
// passed a word at a time where the word lies in its page, byte by byte
// for at most kSameRun bytes between words; keys are read kKeyChunk bytes
// at a time, ASCII ones as one word.
constexpr uintptr_t kPage = 4096;
constexpr int kSameRun = 8;
constexpr unsigned kKeyChunk = 8;

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

// Per byte: whether it may lead (1) or trail (2) a two-byte character or is
// the NUL (4), and
// the fold of the two-byte codes 0x8100-0x83FF, the only ones that fold, as
// tables, so that weighing a character takes no unpredictable branch.
constexpr unsigned char kStopsRun = 1 | 4;  // may lead, or is the NUL

struct CollationTables {
  unsigned char kind[256];
  int16_t foldDelta[0x300];
  CollationTables() {
    for (int b = 0; b < 256; ++b) kind[b] = (IsLeadByte(b) ? 1 : 0) | (IsTrailByte(b) ? 2 : 0) | (b == 0 ? 4 : 0);
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

// The last character boundary at or before q, start being one: bytes that
// may lead a character pair up from the last byte before q that may not
// (which ends a character whatever it is), so the parity of their run tells
// whether q - 1 begins a character that q continues.
const unsigned char* LastBoundary(const unsigned char* start, const unsigned char* q) {
  const unsigned char* p = q;
  while (p > start && (kTables.kind[p[-1]] & 1)) --p;
  return (q - p) % 2 ? q - 1 : q;
}

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighs = 0x8080808080808080u;

// Eight bytes read as one word, only where they lie in the page of p: the
// read may go past the text's NUL, never into memory that is not there, the
// way the C library's string functions read. AddressSanitizer would take the
// bytes past the NUL for an overrun, so it does not look here.
#if defined(__GNUC__)
__attribute__((no_sanitize_address))
#endif
inline bool LoadWord(const unsigned char* p, uint64_t& word) {
  if ((reinterpret_cast<uintptr_t>(p) & (kPage - 1)) > kPage - sizeof word) return false;
  std::memcpy(&word, p, sizeof word);
  return true;
}

// Passes eight bytes at a time while both texts hold the same bytes, none
// of them a NUL, and stops at a character boundary: after a word with bytes
// from 0x80 up, the boundary is found again from the start of that word.
void PassSameWords(const unsigned char*& a, const unsigned char*& b) {
  uint64_t x = 0, y = 0;
  while (LoadWord(a, x) && LoadWord(b, y) && x == y && !((x - kOnes) & ~x & kHighs)) {
    const unsigned char* start = a;
    a += sizeof x;
    b += sizeof y;
    if (!(x & kHighs)) continue;
    const unsigned char* boundary = LastBoundary(start, a);
    b -= a - boundary;
    a = boundary;
  }
}

// Both texts end at their NUL, so neither is measured first. Runs of the
// same bytes are passed a word at a time; then the same bytes make the same
// character, passed without weighing: a byte that cannot lead, or a lead
// byte with the same next byte on both sides. Only where the bytes differ
// are the characters weighed.
int CompareTerminated(const unsigned char* a, const unsigned char* b) {
  for (;;) {
    PassSameWords(a, b);
    uint32_t x = *a, y = *b;
    bool weigh = false;  // the same lead byte before different bytes
    for (int bytes = 0; x == y && bytes < kSameRun; x = *a, y = *b) {
      int width = 1;
      if (kTables.kind[x] & kStopsRun) {
        if (x == 0) return kCompareEqual;
        if (a[1] != b[1]) {
          weigh = true;
          break;
        }
        width = (kTables.kind[a[1]] & 2) ? 2 : 1;
      }
      a += width;
      b += width;
      bytes += width;
    }
    if (x == y && !weigh) continue;  // a run of equal bytes: words again
    if (x == 0) return kCompareLess;
    if (y == 0) return kCompareGreater;
    if ((x | y) < 0x80) {  // two ASCII characters: their folded bytes are their weights
      uint32_t fx = FoldSingleByte(static_cast<unsigned char>(x)), fy = FoldSingleByte(static_cast<unsigned char>(y));
      if (fx != fy) return fx < fy ? kCompareLess : kCompareGreater;
      ++a;
      ++b;
      continue;
    }
    int wa = 1, wb = 1;
    uint32_t va = WeightAt(a, wa), vb = WeightAt(b, wb);
    if (va != vb) return va < vb ? kCompareLess : kCompareGreater;
    a += wa;
    b += wb;
  }
}

// Key bytes. Each character's weight becomes a codeword whose first byte
// tells its length, so that comparing the bytes compares the weights: an
// ASCII weight is its byte; any other one-byte weight is 0x80 and the byte;
// a two-byte character is its folded code, whose first byte is 0x81 or more.
inline unsigned Codeword(const unsigned char* p, size_t left, unsigned char (&units)[2], size_t& width) {
  unsigned char b = p[0];
  if (left > 1 && (kTables.kind[b] & 1) && (kTables.kind[p[1]] & 2)) {
    uint32_t code = (uint32_t(b) << 8) | p[1];
    uint32_t index = code - 0x8100;
    if (index < 0x300) code += kTables.foldDelta[index];
    units[0] = static_cast<unsigned char>(code >> 8);
    units[1] = static_cast<unsigned char>(code);
    width = 2;
    return 2;
  }
  width = 1;
  units[0] = b < 0x80 ? static_cast<unsigned char>(FoldSingleByte(b)) : 0x80;
  units[1] = b;
  return b < 0x80 ? 1 : 2;
}

// Eight ASCII bytes at once, capitals folded to small letters.
inline bool ReadAsciiWord(const unsigned char* p, uint64_t& key) {
  uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  if (word & kHighs) return false;
  uint64_t fromA = word + 0x3F3F3F3F3F3F3F3Fu;   // high bit set from 'A' up
  uint64_t pastZ = word + 0x2525252525252525u;   // high bit set past 'Z'
  word |= (fromA & ~pastZ & kHighs) >> 2;
#if defined(__GNUC__)
  key = __builtin_bswap64(word);
#else
  key = 0;
  for (int i = 0; i < 8; ++i) key = (key << 8) | ((word >> (8 * i)) & 0xFF);
#endif
  return true;
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

bool LocaleKeysAvailable() { return !WholeLocaleKeysForced(); }

uint64_t ReadLocaleKey(const char* text, size_t length, LocaleKeyCursor& cursor) {
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
  uint64_t key = 0;
  if (cursor.taken == 0 && cursor.at + kKeyChunk <= length && ReadAsciiWord(t + cursor.at, key)) {
    cursor.at += kKeyChunk;
    return key;
  }
  unsigned char units[2];
  size_t width = 1;
  unsigned filled = 0;
  if (cursor.taken == 1 && cursor.at < length) {  // a codeword that the last chunk began
    Codeword(t + cursor.at, length - cursor.at, units, width);
    key = units[1];
    filled = 1;
    cursor.at += width;
  }
  cursor.taken = 0;
  while (filled < kKeyChunk && cursor.at < length) {
    unsigned n = Codeword(t + cursor.at, length - cursor.at, units, width);
    if (filled + n > kKeyChunk) {  // its second byte begins the next chunk
      key = (key << 8) | units[0];
      filled = kKeyChunk;
      cursor.taken = 1;
      break;
    }
    key = n == 1 ? (key << 8) | units[0] : (key << 16) | (uint32_t(units[0]) << 8) | units[1];
    filled += n;
    cursor.at += width;
  }
  return filled == 0 ? 0 : key << (8 * (kKeyChunk - filled));
}

// The chunks end to end, up to the first 0, which only pads the last one.
bool MakeLocaleKey(const char* text, int length, unsigned char* key, size_t room, size_t& made) {
  if (!text || length < -1) return false;
  size_t n = static_cast<size_t>(MeasuredLength(text, length));
  LocaleKeyCursor cursor = {0, 0};
  made = 0;
  for (;;) {
    uint64_t chunk = ReadLocaleKey(text, n, cursor);
    for (int shift = 56; shift >= 0; shift -= 8) {
      unsigned char byte = static_cast<unsigned char>(chunk >> shift);
      if (byte == 0) {
        if (made <= room) SpoilLocaleKey(key, made);
        return true;
      }
      if (made < room) key[made] = byte;
      ++made;
    }
  }
}
