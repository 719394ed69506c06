#include <cstdint>
#include <cstring>

#include "sort/key_order.h"

bool TieBreakMode = true;

// Positions in one text buffer; compared as addresses so that lines of
// separate buffers (in tests) still get a consistent answer.
int BreakTie(const char* first, const char* second) {
  return TieBreakMode && reinterpret_cast<uintptr_t>(first) > reinterpret_cast<uintptr_t>(second);
}

int LocaleGreater(const char* first, const char* second) { return LocaleOrderGreater(first, second); }

int LocaleLess(const char* first, const char* second) { return LocaleGreater(second, first); }

int BinaryGreater(const char* first, const char* second) { return BytesGreater(first, second); }

int BinaryLess(const char* first, const char* second) { return BinaryGreater(second, first); }

const LineComparator ComparatorTable[16] = {
    LocaleGreater,     NumericLocaleGreater, ColumnLocaleGreater, ColumnNumericLocaleGreater,
    BinaryGreater,     NumericBinaryGreater, ColumnBinaryGreater, ColumnNumericBinaryGreater,
    LocaleLess,        NumericLocaleLess,    ColumnLocaleLess,    ColumnNumericLocaleLess,
    BinaryLess,        NumericBinaryLess,    ColumnBinaryLess,    ColumnNumericBinaryLess,
};
