#include "tests/sort/reference_engine.h"

#include <cstring>
#include <utility>
#include <vector>

#include "sort/character_width.h"

namespace {

char MapFullWidth(unsigned char lead, unsigned char trail) {
  if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) return static_cast<char>('0' + (trail - 0x4F));
  if (lead == 0x81 && trail == 0x44) return '.';
  if (lead == 0x81 && trail == 0x7B) return '+';
  if (lead == 0x81 && trail == 0x7C) return '-';
  if (lead == 0x82 && trail == 0x63) return 'D';
  if (lead == 0x82 && trail == 0x64) return 'E';
  if (lead == 0x82 && trail == 0x84) return 'd';
  if (lead == 0x82 && trail == 0x85) return 'e';
  return 0;
}

bool IsNumberByte(char c) { return (c >= '0' && c <= '9') || std::strchr("+-.DdEe", c) != nullptr; }

// The quicksort and insertion passes as the driver first had them, taking
// the comparator through its pointer.
const char* ChoosePivot(const char** first, const char** end, LineComparator before) {
  const char* a = first[0];
  const char* m = first[(end - first) / 2];
  const char* z = end[-1];
  if (before(a, m)) {
    if (before(m, z)) return m;
    return before(a, z) ? z : a;
  }
  if (before(a, z)) return a;
  return before(m, z) ? z : m;
}

const char** Partition(const char** first, const char** end, const char* pivot, LineComparator before) {
  const char** i = first;
  const char** j = end;
  for (;;) {
    while (i < end - 1 && before(*i, pivot)) ++i;
    --j;
    while (j > first && before(pivot, *j)) --j;
    if (j <= i) return i;
    std::swap(*i, *j);
    ++i;
  }
}

void InsertEntry(const char** bound, const char** e, LineComparator before) {
  const char* v = *e;
  const char** k = e;
  for (; k > bound && before(v, k[-1]); --k) *k = k[-1];
  *k = v;
}

void InsertionSort(const char** first, const char** end, LineComparator before) {
  for (const char** e = first + 1; e < end; ++e) {
    const char* v = *e;
    if (before(v, *first)) {
      for (const char** k = e; k > first; --k) *k = k[-1];
      *first = v;
    } else {
      InsertEntry(first, e, before);
    }
  }
}

void SortRange(const char** first, const char** end, LineComparator before) {
  while (end - first > 16) {
    const char* pivot = ChoosePivot(first, end, before);
    const char** split = Partition(first, end, pivot, before);
    if (split == first || split == end) return;
    if (end - split <= split - first) {
      SortRange(split, end, before);
      end = split;
    } else {
      SortRange(first, split, before);
      first = split;
    }
  }
}

void SortLines(const char** table, size_t count, LineComparator before) {
  const char** end = table + count;
  if (count <= 16) {
    InsertionSort(table, end, before);
    return;
  }
  SortRange(table, end, before);
  InsertionSort(table, table + 16, before);
  for (const char** e = table + 16; e < end; ++e) InsertEntry(table, e, before);
}

}  // namespace

bool ReferenceScanHalfWidthNumber(double& value, const char* position, const char*& end) {
  if (*position == ' ' || *position == '\t') return false;
  double read = 0.0;
  size_t length = ConvertNumber(position, read);
  if (length == 0) return false;
  value = read;
  end = position + length;
  return true;
}

bool ReferenceScanFullWidthNumber(double& value, const char* position, const char*& end) {
  std::vector<char> copy(std::strlen(position) + 256, '\0');
  char* out = copy.data();
  for (const char* p = position; *p;) {
    if (CharacterWidth(p) == 2) {
      char c = MapFullWidth(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]));
      if (!c) break;
      *out++ = c;
      p += 2;
    } else {
      if (!IsNumberByte(*p)) break;
      *out++ = *p++;
    }
  }
  double read = 0.0;
  size_t characters = ConvertNumber(copy.data(), read);
  if (characters == 0) return false;
  value = read;
  end = position;
  for (; characters > 0; --characters) end += CharacterWidth(end);
  return true;
}

const char* ReferenceColumnStart(const char* line) {
  size_t length = std::strlen(line);
  if (length <= g_sortOptions.ColumnFrom) return line + length;
  return line + g_sortOptions.ColumnFrom;
}

uint32_t ReferenceColumnLength(const char* text) {
  size_t length = std::strlen(text);
  if (length > g_sortOptions.ColumnWidth) return g_sortOptions.ColumnWidth;
  return static_cast<uint32_t>(length);
}

bool ReferenceSortText(const std::string& input, const SortOptions& options, std::string& output,
                       std::string& duplicates) {
  std::vector<char> text(input.begin(), input.end());
  text.push_back('\0');
  std::vector<const char*> lines = {text.data()};
  for (char* hit = std::strstr(text.data(), "\r\n"); hit; hit = std::strstr(hit + 2, "\r\n")) {
    hit[0] = hit[1] = '\0';
    lines.push_back(hit + 2);
  }
  bool lastLineOpen = *lines.back() != '\0';
  if (!lastLineOpen) lines.pop_back();
  if (lines.size() < 2) return false;

  g_sortOptions = options;
  if (options.SortByColumn) g_sortOptions.ColumnFrom -= 1;
  bool fullWidth = options.TreatNumberAsNumerical && options.TreatZenNumAsNumerical;
  NumberScanner = fullWidth ? ReferenceScanFullWidthNumber : ReferenceScanHalfWidthNumber;
  size_t index = (options.TreatNumberAsNumerical ? 1 : 0) + (options.SortByColumn ? 2 : 0) +
                 (options.CompareAsBinaryText ? 4 : 0) + (options.SortAscending ? 8 : 0);
  LineComparator before = ComparatorTable[index];
  TieBreakMode = true;
  SortLines(lines.data(), lines.size(), before);
  TieBreakMode = false;
  output.clear();
  duplicates.clear();
  for (size_t i = 0; i < lines.size(); ++i) {
    bool duplicate = i >= 1 && before(lines[i - 1], lines[i]) == 0;
    if (duplicate && options.ExtractDuplicateLine) duplicates += std::string(lines[i]) + "\r\n";
    if (duplicate && options.RemoveDuplicateLine) continue;
    output += lines[i];
    if (i + 1 == lines.size() && lastLineOpen && *lines[i]) break;
    output += "\r\n";
  }
  return true;
}
