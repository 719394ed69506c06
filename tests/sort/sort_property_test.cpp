#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/heap.h"
#include "sort/comparators.h"
#include "sort/line_sort.h"
#include "tests/sort/sort_support.h"

// Random texts sorted under every option combination, checked against a
// model built from the plain run (no R, no E) of the same text:
//   - the plain run is a permutation of the input's lines, no line stands
//     after one it must precede, and for the plain and column comparators it
//     is exactly the stable sort (ascending) or its reverse (descending);
//   - the R and E runs are the plain run with the duplicates (key equal to
//     the predecessor, tie-break off) dropped or extracted;
//   - the text ends without CR LF exactly when the input's last line was open
//     and the last sorted line, not empty, was written.
namespace {

const char* const kPieces[] = {
    "a", "A", "b", "B", "z", "1", "01", "10", "9", "-2", "+5", "-", ".", "1.5", "e3", "x", " ", "\t",
    "\r", "\n", "あ", "ア", "い", "漢", "\xb1", "３", "１２", "－", "．", "ｅ", "\x82",
};

std::string RandomLine(std::mt19937& random) {
  std::string line;
  size_t pieces = random() % 5;
  for (size_t i = 0; i < pieces; ++i) line += kPieces[random() % (sizeof kPieces / sizeof kPieces[0])];
  // The pieces "\r" and "\n" must not meet as a CR LF, inside the line or
  // with the line end that follows it.
  for (size_t hit = line.find("\r\n"); hit != std::string::npos; hit = line.find("\r\n")) line.insert(hit + 1, "x");
  if (!line.empty() && line.back() == '\r') line += "x";
  return line;
}

struct RandomText {
  std::string text;
  std::vector<std::string> lines;
  bool lastLineOpen;
};

RandomText MakeRandomText(std::mt19937& random, size_t maxLines) {
  RandomText t;
  size_t count = random() % (maxLines + 1);
  for (size_t i = 0; i < count; ++i) t.lines.push_back(RandomLine(random));
  bool finalLineEnd = random() % 2 == 0;
  for (size_t i = 0; i < count; ++i) {
    t.text += t.lines[i];
    if (i + 1 < count || finalLineEnd) t.text += "\r\n";
  }
  // What the driver sees: a last empty piece is no line, and the text then
  // ends with the CR LF before it.
  t.lastLineOpen = !finalLineEnd && !t.lines.empty();
  if (t.lastLineOpen && t.lines.back().empty()) {
    t.lines.pop_back();
    t.lastLineOpen = false;
  }
  return t;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The lines of an output text, and whether it ended with CR LF.
std::vector<std::string> OutputLines(const std::string& output, bool& endsWithLineEnd) {
  endsWithLineEnd = output.size() >= 2 && output.compare(output.size() - 2, 2, "\r\n") == 0;
  return SplitAtLineEnds(output);
}

int Answer(LineComparator c, const std::string& x, const std::string& y) {
  bool mode = TieBreakMode;
  TieBreakMode = false;
  int r = c(x.c_str(), y.c_str());
  TieBreakMode = mode;
  return r;
}

void CheckPlainRun(const RandomText& t, const SortRun& run, int index, std::vector<std::string>& sorted) {
  bool endsWithLineEnd = false;
  sorted = OutputLines(run.output, endsWithLineEnd);
  ASSERT_EQ(Sorted(sorted), Sorted(t.lines));
  EXPECT_EQ(endsWithLineEnd, !t.lastLineOpen || sorted.back().empty());
  LineComparator before = ComparatorTable[index];
  for (size_t i = 1; i < sorted.size(); ++i)
    EXPECT_EQ(Answer(before, sorted[i], sorted[i - 1]), 0) << sorted[i] << " before " << sorted[i - 1];
  if (index & 1) return;  // the numeric orders are not fixed for equal-to-end lines
  std::vector<std::string> expected = t.lines;
  LineComparator less = ComparatorTable[index | 8];
  std::stable_sort(expected.begin(), expected.end(),
                   [less](const std::string& x, const std::string& y) { return Answer(less, x, y) != 0; });
  if (!(index & 8)) std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);
}

void CheckDuplicateRun(const RandomText& t, const SortRun& run, int index, const std::vector<std::string>& sorted,
                       bool remove, bool extract) {
  std::string output, duplicates;
  for (size_t i = 0; i < sorted.size(); ++i) {
    bool duplicate = i >= 1 && Answer(ComparatorTable[index], sorted[i - 1], sorted[i]) == 0;
    if (duplicate && extract) duplicates += sorted[i] + "\r\n";
    if (duplicate && remove) continue;
    output += sorted[i];
    if (i + 1 == sorted.size() && t.lastLineOpen && !sorted[i].empty()) break;
    output += "\r\n";
  }
  EXPECT_EQ(run.output, output);
  EXPECT_EQ(run.hasDuplicates, extract);
  EXPECT_EQ(run.duplicates, duplicates);
  if (remove && extract) {  // every input line is kept or extracted
    bool endsWithLineEnd;
    std::vector<std::string> all = OutputLines(run.output, endsWithLineEnd);
    std::vector<std::string> extracted = SplitAtLineEnds(run.duplicates);
    all.insert(all.end(), extracted.begin(), extracted.end());
    EXPECT_EQ(Sorted(all), Sorted(t.lines));
  }
}

SortOptions OptionsFor(int index, bool fullWidth, bool remove, bool extract, uint32_t from, uint32_t width) {
  SortOptions o = OptionsFrom("", from, width);
  o.TreatNumberAsNumerical = index & 1;
  o.SortByColumn = (index >> 1) & 1;
  o.CompareAsBinaryText = (index >> 2) & 1;
  o.SortAscending = (index >> 3) & 1;
  o.TreatZenNumAsNumerical = fullWidth;
  o.RemoveDuplicateLine = remove;
  o.ExtractDuplicateLine = extract;
  return o;
}

// The comparators read the options as the driver leaves them.
void PrepareChecks(const SortOptions& options) {
  g_sortOptions = options;
  if (options.SortByColumn) g_sortOptions.ColumnFrom -= 1;
  NumberScanner = options.TreatNumberAsNumerical && options.TreatZenNumAsNumerical ? ScanFullWidthNumber
                                                                                     : ScanHalfWidthNumber;
}

TEST(SortProperty, EveryOptionCombinationOnRandomTexts) {
  std::mt19937 random(4097);
  for (int round = 0; round < 40; ++round) {
    RandomText t = MakeRandomText(random, round < 30 ? 24 : 60);
    uint32_t from = 1 + random() % 4;
    uint32_t width = random() % 3 == 0 ? uint32_t(kColumnWidthDefault) : uint32_t(1 + random() % 4);
    for (int index = 0; index < 16; ++index) {
      for (bool fullWidth : {false, true}) {
        if (fullWidth && !(index & 1)) continue;
        SCOPED_TRACE(testing::Message() << "round " << round << " entry " << index << " full width " << fullWidth
                                        << " from " << from << " width " << width);
        SortRun plain = RunSortText(t.text, OptionsFor(index, fullWidth, false, false, from, width));
        ASSERT_EQ(plain.ok, t.lines.size() >= 2);
        EXPECT_EQ(plain.messages, 0);
#ifndef _WIN32  // Wine's own threads may use the process heap during a long run
        EXPECT_EQ(plain.processBlocksLeaked, 0);
#endif
        if (!plain.ok) continue;
        std::vector<std::string> sorted;
        PrepareChecks(OptionsFor(index, fullWidth, false, false, from, width));
        CheckPlainRun(t, plain, index, sorted);
        for (int variant = 1; variant < 4; ++variant) {
          bool remove = variant & 1, extract = variant & 2;
          SortRun run = RunSortText(t.text, OptionsFor(index, fullWidth, remove, extract, from, width));
          ASSERT_TRUE(run.ok);
          PrepareChecks(OptionsFor(index, fullWidth, remove, extract, from, width));
          CheckDuplicateRun(t, run, index, sorted, remove, extract);
        }
      }
    }
  }
  ResetSortState();
}

// +5, - and 3 compare in a circle in byte order: the sort must stay inside
// the table (AddressSanitizer watches natively) and leave every pair of
// neighbours in an order the comparator accepts.
TEST(SortProperty, NonTransitiveOrdersStayInsideTheTable) {
  const char* const pieces[] = {"+5", "-", "3", "+", "a", "1", "-1"};
  std::mt19937 random(35);
  for (int round = 0; round < 60; ++round) {
    std::vector<std::string> lines;
    size_t count = 2 + random() % 300;
    for (size_t i = 0; i < count; ++i) {
      std::string line;
      for (size_t k = 1 + random() % 3; k > 0; --k) line += pieces[random() % 7];
      lines.push_back(line);
    }
    std::vector<const char*> table;
    for (const std::string& l : lines) table.push_back(l.c_str());
    for (LineComparator c : {NumericBinaryLess, NumericBinaryGreater, NumericLocaleLess}) {
      ResetSortState();
      std::vector<const char*> work = table;
      SortLines(work.data(), work.size(), c);
      std::vector<const char*> a = work, b = table;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      ASSERT_EQ(a, b);
      for (size_t i = 1; i < work.size(); ++i) EXPECT_EQ(c(work[i], work[i - 1]), 0);
    }
  }
  ResetSortState();
}

TEST(SortProperty, TheCircleThroughSortText) {
  SortRun run = RunSortText("+5\r\n-\r\n3\r\n", OptionsFrom("abn"));
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(Sorted(SplitAtLineEnds(run.output)), Sorted({"+5", "-", "3"}));
  ResetSortState();
}

// Every allocation of a numeric column sort failed in turn: the answers of
// the comparators change from call to call, and the sort must still end
// inside the table with every line kept and no scratch block left.
TEST(SortProperty, ScratchFailuresAtEachAllocation) {
  std::string text;
  std::mt19937 random(7);
  for (int i = 0; i < 20; ++i) {
    text += std::to_string(random() % 50);
    text += i % 3 ? "x\r\n" : "１\r\n";
  }
  SortOptions options = OptionsFrom("anczr", 1, 3);
  SortRun clean = RunSortText(text, options);
  ASSERT_TRUE(clean.ok);
  std::vector<std::string> input = SplitAtLineEnds(text);
  for (long k = 3; k <= clean.allocations; k += (clean.allocations > 3000 ? 3 : 1)) {
    SortRun run = RunSortText(text, OptionsFrom("anc", 1, 3), k);
    ASSERT_TRUE(run.ok) << "allocation " << k;
    ASSERT_EQ(Sorted(SplitAtLineEnds(run.output)), Sorted(input)) << "allocation " << k;
    ASSERT_EQ(run.processBlocksLeaked, 0) << "allocation " << k;
    ASSERT_EQ(run.messages, 0);
  }
  ResetSortState();
}

}  // namespace
