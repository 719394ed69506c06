#pragma once

// The locale comparison of the sort orders: letter case and the difference
// between hiragana and katakana ignored, full-width and half-width forms kept
// apart, punctuation compared like any other symbol. The answers have the
// values of CompareStringA's: less, equal, greater, and 0 when it fails.
enum : int {
  kCompareFailed = 0,
  kCompareLess = 1,
  kCompareEqual = 2,
  kCompareGreater = 3,
};

// Compares two code-page-932 texts; a length of -1 means "up to the NUL",
// any other length counts bytes.
int CompareLocale(const char* first, int firstLength, const char* second, int secondLength);
