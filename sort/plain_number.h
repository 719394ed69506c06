#pragma once
#include <cfloat>
#include <cstdint>

#include "sort/gear_sizes.h"

// The common number: an optional sign, at most kPlainDigits digits with an
// optional point among or after them, and no further digit or exponent
// letter after it. Its digits make an integer below 2^53 and the point a
// division by a power of ten that is a double exactly, so one division gives
// the correctly rounded value, the one the full conversion gives (only where
// doubles are computed as doubles: the x87 unit of 32-bit x86 would round
// the division twice, so there fractions go the full way).
//
// read(p, width) gives the ASCII byte that the character at p stands for
// (any byte for one that is no number character but a digit, sign, point or
// exponent letter) and its width, so that one routine reads both the ASCII
// text and the characters of both widths in place. True with the value and
// the end just past the number; false, nothing stored, for any other number.
template <typename ReadCharacter>
inline bool ReadPlainNumber(const char* p, ReadCharacter read, double& value, const char*& end) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  int width = 1;
  char c = read(p, width);
  bool negative = c == '-';
  if (c == '+' || c == '-') c = read(p += width, width);
  int64_t digits = 0;
  int count = 0, fraction = 0;
  for (; isDigit(c) && count <= kPlainDigits; c = read(p += width, width), ++count) digits = digits * 10 + (c - '0');
  if (c == '.') {
    for (c = read(p += width, width); isDigit(c) && count <= kPlainDigits; c = read(p += width, width)) {
      digits = digits * 10 + (c - '0');
      ++count;
      ++fraction;
    }
  }
  if (count == 0 || count > kPlainDigits || isDigit(c) || c == 'e' || c == 'E' || c == 'd' || c == 'D') return false;
#if FLT_EVAL_METHOD != 0
  if (fraction > 0) return false;
#endif
  static const double kPowers[kPlainDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  double magnitude = static_cast<double>(digits) / kPowers[fraction];
  value = negative ? -magnitude : magnitude;
  end = p;
  return true;
}
