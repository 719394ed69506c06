#include <cstring>

#include "cmdline/sort_options.h"
#include "sort/gear_sizes.h"
#include "sort/key_order.h"

namespace {

// strnlen, with the short limits of typical columns counted in place.
inline size_t BoundedLength(const char* text, uint32_t limit) {
  if (limit > kCountedColumn) return strnlen(text, limit);
  size_t n = 0;
  while (n < limit && text[n]) ++n;
  return n;
}

}  // namespace

// ColumnFrom is 0-based here: the sort driver shifted it before sorting.
// Measuring no further than ColumnFrom bytes gives the same start as the
// whole length would, without walking the rest of a long line.
const char* ColumnStart(const char* line) { return line + BoundedLength(line, g_sortOptions.ColumnFrom); }

uint32_t ColumnLength(const char* text) {
  return static_cast<uint32_t>(BoundedLength(text, g_sortOptions.ColumnWidth));
}

// Equal windows fall to the tie-break on the lines, not the windows.
int ColumnBinaryGreater(const char* first, const char* second) {
  int sign = std::strncmp(ColumnStart(first), ColumnStart(second), g_sortOptions.ColumnWidth);
  return AnswerGreater(sign, first, second);
}

int ColumnBinaryLess(const char* first, const char* second) { return ColumnBinaryGreater(second, first); }

int ColumnLocaleGreater(const char* first, const char* second) {
  const char* start1 = ColumnStart(first);
  const char* start2 = ColumnStart(second);
  int r = CompareLocale(start1, static_cast<int>(ColumnLength(start1)), start2,
                        static_cast<int>(ColumnLength(start2)));
  return AnswerGreater(LocaleSign(r), first, second);
}

int ColumnLocaleLess(const char* first, const char* second) { return ColumnLocaleGreater(second, first); }
