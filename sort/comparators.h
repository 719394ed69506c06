#pragma once
#include <cstdint>

// A line comparator answers nonzero when the first line must stand before the
// second in the result. The base forms (…Greater) answer nonzero when the
// first key is the greater, so they sort descending; the reversed forms
// (…Less) swap their arguments and sort ascending. Equal keys are ordered by
// position in the text buffer while TieBreakMode is on, and compare zero
// both ways while it is off. A line compared with itself gives zero.
typedef int (*LineComparator)(const char* first, const char* second);

// On at program start; the sort driver turns it off for the duplicate pass.
extern bool TieBreakMode;

// index = TreatNumberAsNumerical*1 + SortByColumn*2 + CompareAsBinaryText*4 + SortAscending*8
extern const LineComparator ComparatorTable[16];

// Answer for two equal keys: the line that lies later in the buffer is the
// greater while TieBreakMode is on.
int BreakTie(const char* first, const char* second);

// Whole line, locale order (case and hiragana/katakana ignored) and byte order.
int LocaleGreater(const char* first, const char* second);
int LocaleLess(const char* first, const char* second);
int BinaryGreater(const char* first, const char* second);
int BinaryLess(const char* first, const char* second);

// The column window: ColumnFrom (0-based while sorting) bytes into the line,
// at most ColumnWidth bytes, never past the line's end. Bytes, not
// characters: a window may begin with a trail byte or end with a lead byte.
const char* ColumnStart(const char* line);
uint32_t ColumnLength(const char* text);

int ColumnBinaryGreater(const char* first, const char* second);
int ColumnBinaryLess(const char* first, const char* second);
int ColumnLocaleGreater(const char* first, const char* second);
int ColumnLocaleLess(const char* first, const char* second);

// Numbers inside the lines compare by value (read by NumberScanner).
int NumericBinaryGreater(const char* first, const char* second);
int NumericBinaryLess(const char* first, const char* second);
int NumericLocaleGreater(const char* first, const char* second);
int NumericLocaleLess(const char* first, const char* second);
int ColumnNumericBinaryGreater(const char* first, const char* second);
int ColumnNumericBinaryLess(const char* first, const char* second);
int ColumnNumericLocaleGreater(const char* first, const char* second);
int ColumnNumericLocaleLess(const char* first, const char* second);

// A zero-filled copy of text on the process heap; null for a null text or
// when memory runs out. The caller frees it with FreeBlock.
char* HeapDupString(const char* text);
