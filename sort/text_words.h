#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "sort/gear_sizes.h"

// Texts read and copied a word at a time. The C library that the Windows
// builds call (msvcrt, under Wine) measures byte by byte, which over a text
// of many megabytes is a cost of its own.

constexpr uint64_t kByteOnes = 0x0101010101010101u;
constexpr uint64_t kByteHighs = 0x8080808080808080u;

inline bool HasZeroByte(uint64_t word) { return ((word - kByteOnes) & ~word & kByteHighs) != 0; }

// Eight bytes read as one word, only where they lie in the page of p: the
// read may go past the text's NUL, never into memory that is not there, the
// way the C library's string functions read. AddressSanitizer would take the
// bytes past the NUL for an overrun, so it does not look here.
#if defined(__GNUC__)
__attribute__((no_sanitize_address))
#endif
inline bool LoadWordInPage(const char* p, uint64_t& word) {
  constexpr uintptr_t kPage = 4096;
  if ((reinterpret_cast<uintptr_t>(p) & (kPage - 1)) > kPage - sizeof word) return false;
  std::memcpy(&word, p, sizeof word);
  return true;
}

// strlen, eight bytes at a time; byte by byte only across a page's end.
inline size_t TextLength(const char* text) {
  size_t n = 0;
  for (uint64_t word;;) {
    if (LoadWordInPage(text + n, word)) {
      if (HasZeroByte(word)) break;
      n += 8;
    } else {
      if (!text[n]) return n;
      ++n;
    }
  }
  while (text[n]) ++n;
  return n;
}

// The number of bytes that two NUL-terminated texts share from their start.
inline size_t CommonPrefix(const char* a, const char* b) {
  size_t n = 0;
  for (uint64_t x, y;;) {
    if (LoadWordInPage(a + n, x) && LoadWordInPage(b + n, y)) {
      if (x != y || HasZeroByte(x)) break;
      n += 8;
    } else {
      if (!a[n] || a[n] != b[n]) return n;
      ++n;
    }
  }
  while (a[n] && a[n] == b[n]) ++n;
  return n;
}

// How many bytes a and b have in common from their start, at most n;
// kCompareBlock at a time.
inline size_t CommonLength(const char* a, const char* b, size_t n) {
  size_t same = 0;
  for (; same + kCompareBlock <= n; same += kCompareBlock) {
    uint64_t x[4], y[4];
    static_assert(sizeof x == kCompareBlock, "one block is the four words compared");
    std::memcpy(x, a + same, sizeof x);
    std::memcpy(y, b + same, sizeof y);
    if (((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3])) != 0) break;
  }
  for (; same + 8 <= n; same += 8) {
    uint64_t x = 0, y = 0;
    std::memcpy(&x, a + same, 8);
    std::memcpy(&y, b + same, 8);
    if (x != y) break;
  }
  while (same < n && a[same] == b[same]) ++same;
  return same;
}

// memcpy, with the short runs of a line copied a word at a time in place
// (most lines are short, and every call of the library costs its own).
inline void CopyBytes(char* to, const char* from, size_t n) {
  if (n > kInlineCopy) {
    std::memcpy(to, from, n);
    return;
  }
  for (; n >= 8; n -= 8, to += 8, from += 8) std::memcpy(to, from, 8);
  for (; n > 0; --n) *to++ = *from++;
}
