#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/line_sort.h"
#include "tests/sort/sort_support.h"

namespace {

using SortTextTest = SortTest;

struct TextCase {
  const char* name;
  std::string input;
  const char* options;
  bool ok;
  std::string output;
  const char* duplicates;  // null: the duplicates pointer must be null
  uint32_t columnFrom = 1;
  uint32_t columnWidth = kColumnWidthDefault;
};

// Locale order unless b; rows that differ in one thing stand together.
const TextCase kTextCases[] = {
    {"Empty", "", "a", false, "", nullptr},
    {"OneLine", "abc", "a", false, "", nullptr},
    {"OneLineWithEnd", "abc\r\n", "a", false, "", nullptr},
    {"OnlyLineEnd", "\r\n", "a", false, "", nullptr},
    {"TwoLinesOpen", "b\r\na", "a", true, "a\r\nb", nullptr},
    {"TwoLinesClosed", "b\r\na\r\n", "a", true, "a\r\nb\r\n", nullptr},
    {"EmptyLineInside", "b\r\n\r\na", "a", true, "\r\na\r\nb", nullptr},
    {"EmptyLineLast", "a\r\n\r\n", "a", true, "\r\na\r\n", nullptr},
    // An empty line sorted to the end of an open text keeps its CR LF, so
    // that no line is lost.
    {"EmptyLineSortedLastOpenAscending", "b\r\n\r\na", "a", true, "\r\na\r\nb", nullptr},
    {"EmptyLineSortedLastOpenDescending", "b\r\n\r\na", "", true, "b\r\na\r\n\r\n", nullptr},
    {"EmptyLinesSortedLastOpen", "\r\n\r\nb", "", true, "b\r\n\r\n\r\n", nullptr},
    {"CaseIgnoredAscending", "b\r\nA\r\na\r\nB\r\n", "a", true, "A\r\na\r\nb\r\nB\r\n", nullptr},
    {"CaseIgnoredDescending", "b\r\nA\r\na\r\nB\r\n", "", true, "B\r\nb\r\na\r\nA\r\n", nullptr},
    {"BytesAscending", "b\r\nA\r\na\r\nB\r\n", "ab", true, "A\r\nB\r\na\r\nb\r\n", nullptr},
    {"BytesDescending", "b\r\nA\r\na\r\nB\r\n", "b", true, "b\r\na\r\nB\r\nA\r\n", nullptr},
    {"RemoveAscendingKeepsFirstInText", "b\r\nA\r\na\r\nB\r\n", "ar", true, "A\r\nb\r\n", nullptr},
    {"RemoveDescendingKeepsLastInText", "b\r\nA\r\na\r\nB\r\n", "r", true, "B\r\na\r\n", nullptr},
    {"RemoveDropsOpenLastLine", "b\r\na\r\nb", "are", true, "a\r\nb\r\n", "b\r\n"},
    {"ExtractKeepsLines", "a\r\na", "ae", true, "a\r\na", "a\r\n"},
    {"ExtractNothingOpen", "b\r\na", "ae", true, "a\r\nb", ""},
    {"ExtractNothingClosed", "b\r\na\r\n", "ae", true, "a\r\nb\r\n", ""},
    {"KanaTypeIgnored", "い\r\nア\r\nあ\r\n", "a", true, "ア\r\nあ\r\nい\r\n", nullptr},
    // /R: hiragana and katakana spellings of one word are duplicates; full-
    // and half-width spellings are not.
    {"KanaTypeIgnoredRemove", "イチゴ\r\nいちご\r\nりんご\r\nリンゴ\r\n", "ar", true, "イチゴ\r\nりんご\r\n", nullptr},
    {"WidthKeptApartRemove", "ｉｃｈｉｇｏ\r\nichigo\r\nICHIGO\r\n", "ar", true, "ichigo\r\nｉｃｈｉｇｏ\r\n", nullptr},
    {"LoneCrAndLfDoNotSplit", "b\rx\r\na\ny", "ab", true, "a\ny\r\nb\rx", nullptr},
    {"CrCrLfKeepsFirstCr", "b\r\r\na\r\n", "ab", true, "a\r\nb\r\r\n", nullptr},
    // Column windows from byte 3: "ab" and "c" have empty windows.
    {"EmptyWindowsFirst", "xyz\r\nab\r\npqa\r\nc\r\n", "abc", true, "ab\r\nc\r\npqa\r\nxyz\r\n", nullptr, 3},
    {"EmptyWindowsAreDuplicates", "xyz\r\nab\r\npqa\r\nc\r\n", "abcr", true, "ab\r\npqa\r\nxyz\r\n", nullptr, 3},
    {"EmptyWindowsAreDuplicatesLocale", "xyz\r\nab\r\npqa\r\nc\r\n", "acr", true, "ab\r\npqa\r\nxyz\r\n", nullptr, 3},
    {"WindowOnlyDecides", "xab2\r\nyab1\r\n", "abc", true, "xab2\r\nyab1\r\n", nullptr, 2, 2},
    {"WindowOnlyDecidesRemove", "xab2\r\nyab1\r\n", "abcr", true, "xab2\r\n", nullptr, 2, 2},
    {"WindowOnlyDecidesRemoveLocale", "xab2\r\nyAB1\r\n", "acr", true, "xab2\r\n", nullptr, 2, 2},
    {"LocaleWindowCaseIgnored", "Abz\r\naBa\r\n", "ace", true, "Abz\r\naBa\r\n", "aBa\r\n", 1, 2},
    // A window of one byte holds only the lead byte of a two-byte character.
    {"WindowCutsCharacterRemove", "いちご\r\nあんず\r\nうめ\r\n", "abcr", true, "いちご\r\n", nullptr, 1, 1},
    {"WindowCutsCharacterRemoveLocale", "いちご\r\nあんず\r\nうめ\r\n", "acr", true, "いちご\r\n", nullptr, 1, 1},
    // Numbers equal in value are equal keys: .1 = .10 = .100.
    {"NumbersEqualInValueRemove", "Vol.1\r\nVol.10\r\nVol.100\r\nVol.2\r\n", "abnr", true, "Vol.1\r\nVol.2\r\n",
     nullptr},
    {"NumbersEqualInValueRemoveLocale", "Vol.1\r\nVol.10\r\nVol.100\r\nVol.2\r\n", "anr", true, "Vol.1\r\nVol.2\r\n",
     nullptr},
    {"LeadingZeroAndPlusEqualRemove", "A007\r\nA+7\r\nA7\r\n", "anr", true, "A007\r\n", nullptr},
    {"WindowStartsWithTrailByte", "\x82\xa0" "b\r\nzA\r\n", "abc", true, "zA\r\n\x82\xa0" "b\r\n", nullptr, 2},
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class SortTextTable : public ::testing::TestWithParam<TextCase> {
 protected:
  void TearDown() override { ResetSortState(); }
};

TEST_P(SortTextTable, SortsAsTheRowSays) {
  const TextCase& c = GetParam();
  SortRun run = RunSortText(c.input, OptionsFrom(c.options, c.columnFrom, c.columnWidth));
  EXPECT_EQ(run.ok, c.ok);
  EXPECT_EQ(run.messages, 0);
  if (!c.ok) return;
  EXPECT_EQ(run.output, c.output);
  EXPECT_EQ(run.hasDuplicates, c.duplicates != nullptr);
  if (c.duplicates) {
    EXPECT_EQ(run.duplicates, c.duplicates);
  }
  EXPECT_EQ(run.processBlocksLeaked, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, SortTextTable, ::testing::ValuesIn(kTextCases),
                         [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

std::string NumberedLine(int i) {
  char line[16];
  std::snprintf(line, sizeof line, "line %05d", i);
  return line;
}

// Lines "line 00000" ... counted down, so that sorting reverses them.
std::string NumberedLines(int count, bool finalLineEnd) {
  std::string text;
  for (int i = count - 1; i >= 0; --i) {
    text += NumberedLine(i);
    if (i > 0 || finalLineEnd) text += "\r\n";
  }
  return text;
}

struct GrowthCase {
  int lines;
  bool finalLineEnd;
  long allocations;  // table, output, the sort's keys, shrink of the output
};

// The table takes room for every piece at once, the empty piece after a
// final CR LF included: it is never grown, on either side of a step.
TEST_F(SortTextTest, TableTakesRoomForEveryPieceAtOnce) {
  const GrowthCase cases[] = {
      {4095, true, 4}, {4096, false, 4}, {4096, true, 4}, {4097, false, 4}, {8192, false, 4}, {8192, true, 4},
  };
  for (const GrowthCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lines << " lines, final CR LF " << c.finalLineEnd);
    SortRun run = RunSortText(NumberedLines(c.lines, c.finalLineEnd), OptionsFrom("ab"));
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(run.allocations, c.allocations);
    std::vector<std::string> lines = SplitAtLineEnds(run.output);
    ASSERT_EQ(lines.size(), static_cast<size_t>(c.lines));
    EXPECT_EQ(lines.front(), NumberedLine(0));
    EXPECT_EQ(lines.back(), NumberedLine(c.lines - 1));
    EXPECT_EQ(run.output.size() >= 2 && run.output.compare(run.output.size() - 2, 2, "\r\n") == 0, c.finalLineEnd);
  }
}

// Every allocation that SortText itself makes, failed in turn: the first
// three (table, output, duplicates) end the run with one message and
// leave only the input on the heap; the sort's keys and the shrinks may fail
// without harm (without its keys the order is sorted through its comparator).
TEST_F(SortTextTest, OutOfMemoryAtEachAllocation) {
  const std::string input = NumberedLines(4097, false);
  SortRun clean = RunSortText(input, OptionsFrom("abre"));
  ASSERT_TRUE(clean.ok);
  ASSERT_EQ(clean.allocations, 6);
  for (long k = 1; k <= clean.allocations + 1; ++k) {
    SCOPED_TRACE(testing::Message() << "allocation " << k);
    SortRun run = RunSortText(input, OptionsFrom("abre"), k);
    if (k <= 3) {
      EXPECT_FALSE(run.ok);
      EXPECT_EQ(run.messages, 1);
      EXPECT_EQ(run.lastMessage, kTextOutOfMemory);
      EXPECT_EQ(run.lastStyle, kBoxIconError);
      EXPECT_EQ(run.blocksLeft, 1);  // the input text
    } else {
      EXPECT_TRUE(run.ok);
      EXPECT_EQ(run.messages, 0);
      EXPECT_EQ(run.output, clean.output);
      EXPECT_EQ(run.duplicates, clean.duplicates);
      EXPECT_EQ(run.blocksLeft, 2);  // output and duplicates
    }
  }
}

TEST_F(SortTextTest, FewerThanTwoLinesShowNoMessageEvenWithoutMemoryTrouble) {
  SortRun run = RunSortText("only\r\n", OptionsFrom("ae"));
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(run.messages, 0);
}

// The first comparison tells the two paths apart: insertion asks whether
// entry 1 goes before entry 0, the partition first asks about the first and
// middle entries.
struct Recorded {
  static std::vector<std::pair<const char*, const char*>> calls;
  static int Compare(const char* first, const char* second) {
    calls.emplace_back(first, second);
    return BinaryLess(first, second);
  }
};
std::vector<std::pair<const char*, const char*>> Recorded::calls;

TEST_F(SortTextTest, SeventeenLinesArePartitionedSixteenAreNot) {
  std::vector<std::string> lines;
  for (int i = 0; i < 17; ++i) lines.push_back(std::string(1, static_cast<char>('q' - i)));
  for (size_t count : {size_t(16), size_t(17)}) {
    std::vector<const char*> table;
    for (size_t i = 0; i < count; ++i) table.push_back(lines[i].c_str());
    Recorded::calls.clear();
    SortLines(table.data(), table.size(), Recorded::Compare);
    ASSERT_FALSE(Recorded::calls.empty());
    if (count == 16) {
      EXPECT_EQ(Recorded::calls[0], std::make_pair(lines[1].c_str(), lines[0].c_str()));
    } else {
      EXPECT_EQ(Recorded::calls[0], std::make_pair(lines[0].c_str(), lines[8].c_str()));
    }
    for (size_t i = 1; i < count; ++i) EXPECT_LT(std::string(table[i - 1]), std::string(table[i]));
  }
}

// 17 equal keys under the duplicate-pass mode: the partition must still end
// and leave every entry in place.
TEST_F(SortTextTest, PartitionOfEqualKeysStaysInside) {
  std::vector<std::string> lines(40, "same");
  std::vector<const char*> table;
  for (const std::string& l : lines) table.push_back(l.c_str());
  std::vector<const char*> before = table;
  TieBreakMode = false;
  SortLines(table.data(), table.size(), BinaryLess);
  std::sort(table.begin(), table.end());
  std::sort(before.begin(), before.end());
  EXPECT_EQ(table, before);
}

}  // namespace
