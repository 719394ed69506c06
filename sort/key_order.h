#pragma once
#include <cstdint>
#include <cstring>

#include "platform/collate.h"
#include "sort/comparators.h"

// Shared by the comparators: the sign of a key comparison, and the answer of
// a base comparator for it.

// 1, -1 or 0 from a locale comparison; a failed comparison counts as equal.
inline int LocaleSign(int result) {
  if (result == kCompareGreater) return 1;
  if (result == kCompareLess) return -1;
  return 0;
}

// A base comparator's answer for keys ordered by sign; equal keys go to the
// tie-break on the two given positions.
inline int AnswerGreater(int sign, const char* first, const char* second) {
  if (sign > 0) return 1;
  if (sign < 0) return 0;
  return BreakTie(first, second);
}

// The byte order's base comparator, for the sort to compile inline: strcmp
// compares the bytes as unsigned values; equal lines go by their place in
// the buffer while TieBreakMode is on.
inline int BytesGreater(const char* first, const char* second) {
  int sign = std::strcmp(first, second);
  if (sign != 0) return sign > 0;
  return TieBreakMode && reinterpret_cast<uintptr_t>(first) > reinterpret_cast<uintptr_t>(second);
}

// The locale order's base comparator, for the sort to compile inline.
inline int LocaleOrderGreater(const char* first, const char* second) {
  return AnswerGreater(LocaleSign(CompareLocale(first, -1, second, -1)), first, second);
}
