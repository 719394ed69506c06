#include "platform/collate.h"

#include <cstdint>

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

// Both texts end at their NUL, so neither is measured first. Characters of
// the same bytes weigh the same and are passed over at once; a NUL is never
// a trail byte, so the two-byte rule needs no length here.
int CompareTerminated(const unsigned char* a, const unsigned char* b) {
  for (;;) {
    unsigned char x = *a, y = *b;
    if (x == y) {
      if (x == 0) return kCompareEqual;
      // The same bytes make the same character, of one byte or two; after
      // a lead byte that takes the next byte on both sides.
      if (!IsLeadByte(x)) {
        ++a;
        ++b;
        continue;
      }
      if (a[1] == b[1]) {
        int width = IsTrailByte(a[1]) ? 2 : 1;
        a += width;
        b += width;
        continue;
      }
    }
    if (x == 0) return kCompareLess;
    if (y == 0) return kCompareGreater;
    long i = 0, j = 0;
    uint32_t wa = NextWeight(a, 2, i), wb = NextWeight(b, 2, j);
    if (wa != wb) return wa < wb ? kCompareLess : kCompareGreater;
    a += i;
    b += j;
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
