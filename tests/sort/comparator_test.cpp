#include <gtest/gtest.h>

#include <string>

#include "platform/heap.h"
#include "sort/comparators.h"
#include "sort/number_scanner.h"
#include "tests/sort/sort_support.h"

namespace {

using ComparatorTest = SortTest;

struct OrderCase {
  const char* name;
  std::string input;
  const char* options;
  std::string output;
  uint32_t columnFrom = 1;
  uint32_t columnWidth = kColumnWidthDefault;
};

// Ascending unless said otherwise; rows that differ in one option stand
// together.
const OrderCase kOrderCases[] = {
    {"NumbersByValue", "file10\r\nfile9\r\n", "abn", "file9\r\nfile10\r\n"},
    {"NumbersByBytesWithoutN", "file10\r\nfile9\r\n", "ab", "file10\r\nfile9\r\n"},
    {"DecimalFractions", "1.5\r\n1.25\r\n1.9\r\n1.10\r\n", "abn", "1.10\r\n1.25\r\n1.5\r\n1.9\r\n"},
    {"EqualValuesAreDuplicates", "1\r\n01\r\n1.0\r\n1e0\r\n", "abnre", "1\r\n"},
    {"DashesAreSigns", "2024-01-05\r\n2024-01-10\r\n", "abn", "2024-01-10\r\n2024-01-05\r\n"},
    {"NegativeAfterLetter", "v-2\r\nv-10\r\n", "abn", "v-10\r\nv-2\r\n"},
    {"ShorterFirst", "x1\r\nx\r\n", "abn", "x\r\nx1\r\n"},
    {"OneSidedNumberComparesRests", "a\r\n1\r\n", "abn", "1\r\na\r\n"},
    {"DoubleByteAboveSingleByteWithN", "亜\r\n\xb1\r\n", "abn", "\xb1\r\n亜\r\n"},
    {"DoubleByteByLeadByteWithoutN", "\xb1\r\n亜\r\n", "ab", "亜\r\n\xb1\r\n"},
    {"LocaleCaseAndZerosIgnored", "A1\r\na01\r\nb\r\n", "anr", "A1\r\nb\r\n"},
    {"FullWidthDigitIsTextWithoutZ", "３\r\n4\r\n", "abn", "4\r\n３\r\n"},
    {"FullWidthDigitIsNumberWithZ", "４\r\n3\r\n", "abnz", "3\r\n４\r\n"},
    {"ZWithoutNChangesNothing", "３\r\n4\r\n", "abz", "4\r\n３\r\n"},
    {"ColumnWindowNumbers", "ab12x\r\ncd9yz\r\n", "abnc", "cd9yz\r\nab12x\r\n", 3, 2},
    {"ColumnOneSidedComparesWholeWindows", "2x1\r\n02xa\r\n", "abnc", "02xa\r\n2x1\r\n"},
    {"WholeLineOneSidedComparesRests", "2x1\r\n02xa\r\n", "abn", "2x1\r\n02xa\r\n"},
    {"ColumnLocaleNumbers", "zb10\r\nyB9\r\n", "anc", "yB9\r\nzb10\r\n", 2},
    {"NumericDescending", "file9\r\nfile10\r\nfile1\r\n", "bn", "file10\r\nfile9\r\nfile1\r\n"},
    {"LocaleNumericDescending", "File9\r\nfile10\r\n", "n", "file10\r\nFile9\r\n"},
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class OrderTable : public ::testing::TestWithParam<OrderCase> {
 protected:
  void TearDown() override { ResetSortState(); }
};

TEST_P(OrderTable, SortsAsTheRowSays) {
  const OrderCase& c = GetParam();
  SortRun run = RunSortText(c.input, OptionsFrom(c.options, c.columnFrom, c.columnWidth));
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(run.output, c.output);
  EXPECT_EQ(run.processBlocksLeaked, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, OrderTable, ::testing::ValuesIn(kOrderCases),
                         [](const ::testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST_F(ComparatorTest, ColumnWindowIsClampedToTheLine) {
  struct Row {
    uint32_t from0, width;
    const char* line;
    size_t start;
    uint32_t length;
  };
  const Row rows[] = {
      {0, kColumnWidthDefault, "abc", 0, 3}, {2, kColumnWidthDefault, "ab", 2, 0},
      {2, kColumnWidthDefault, "abc", 2, 1}, {5, 2, "abc", 3, 0},
      {1, 2, "abcd", 1, 2},                  {1, 5, "abcd", 1, 3},
      {2147483646, kColumnWidthDefault, "abc", 3, 0},
  };
  for (const Row& r : rows) {
    g_sortOptions.ColumnFrom = r.from0;
    g_sortOptions.ColumnWidth = r.width;
    const char* start = ColumnStart(r.line);
    EXPECT_EQ(static_cast<size_t>(start - r.line), r.start) << r.line << " from " << r.from0;
    EXPECT_EQ(ColumnLength(start), r.length) << r.line << " from " << r.from0;
  }
}

// A line compared with itself gives zero, and each reversed form is its base
// form with the arguments swapped, for every table entry and scanner.
TEST_F(ComparatorTest, EveryEntryKeepsTheContract) {
  const std::string lines[] = {"b12", "B012", "a-3x", "", "１０ｱ", "x\x82", "2x1", "02xa"};
  for (bool fullWidth : {false, true}) {
    NumberScanner = fullWidth ? ScanFullWidthNumber : ScanHalfWidthNumber;
    for (int index = 0; index < 8; ++index) {
      LineComparator greater = ComparatorTable[index], less = ComparatorTable[index + 8];
      for (const std::string& x : lines) {
        EXPECT_EQ(greater(x.c_str(), x.c_str()), 0) << index << " " << x;
        for (const std::string& y : lines) EXPECT_EQ(less(x.c_str(), y.c_str()), greater(y.c_str(), x.c_str()));
      }
    }
  }
}

// A window too large for the stack is copied to the process heap; a missing
// copy answers "not before" and leaks nothing. A short window needs no
// memory, so a failing heap changes nothing for it.
TEST_F(ComparatorTest, ColumnCopiesWithoutMemoryAnswerZero) {
  const LineComparator forms[] = {ColumnNumericBinaryGreater, ColumnNumericLocaleGreater};
  g_sortOptions.ColumnFrom = 0;  // as the driver leaves it
  const std::string longB = "b" + std::string(400, 'x'), longA = "a" + std::string(400, 'x');
  for (LineComparator form : forms) {
    EXPECT_EQ(form(longB.c_str(), longA.c_str()), 1);
    long blocks = HeapBlockCount(ProcessHeapHandle());
    for (long k : {1, 2}) {
      FailAllocation(k);
      EXPECT_EQ(form(longB.c_str(), longA.c_str()), 0) << "allocation " << k;
      FailAllocation(0);
      FailAllocation(k);
      EXPECT_EQ(form("b", "a"), 1) << "short windows, allocation " << k;
      FailAllocation(0);
    }
    EXPECT_EQ(HeapBlockCount(ProcessHeapHandle()), blocks);
  }
  FailAllocation(1);
  EXPECT_EQ(HeapDupString("x"), nullptr);
  FailAllocation(0);
  EXPECT_EQ(HeapDupString(nullptr), nullptr);
}

// A scanner without memory for a number too long for its stack copy finds
// no number there, so the walk compares the texts as strings from that
// place. A short number needs no memory.
TEST_F(ComparatorTest, FullWidthScannerWithoutMemoryTurnsNumberIntoText) {
  NumberScanner = ScanFullWidthNumber;
  std::string ten = "１０", nine = "９";
  for (int i = 0; i < 150; ++i) ten += "０";  // 10^151: more characters than the stack copy holds
  for (int i = 0; i < 98; ++i) nine += "９";  // 10^99 - 1
  EXPECT_EQ(NumericBinaryGreater(ten.c_str(), nine.c_str()), 1);
  long blocks = HeapBlockCount(ProcessHeapHandle());
  FailAllocation(1);
  EXPECT_EQ(NumericBinaryGreater(ten.c_str(), nine.c_str()), 0);  // bytes: ０ (0x82 0x4F) < ９ (0x82 0x58)
  FailAllocation(0);
  FailAllocation(1);
  EXPECT_EQ(NumericBinaryGreater("１０", "９"), 1);
  FailAllocation(0);
  EXPECT_EQ(HeapBlockCount(ProcessHeapHandle()), blocks);
}

// Lines equal to the end compare zero both ways in either mode.
TEST_F(ComparatorTest, EqualToTheEndHasNoTieBreak) {
  const char* text = "1.0\0" "01";
  const char* first = text;
  const char* second = text + 4;
  for (bool mode : {true, false}) {
    TieBreakMode = mode;
    for (LineComparator c : {NumericBinaryGreater, NumericLocaleGreater, NumericBinaryLess, NumericLocaleLess}) {
      EXPECT_EQ(c(first, second), 0);
      EXPECT_EQ(c(second, first), 0);
    }
  }
}

// The tie-break orders equal keys by their place in the buffer.
TEST_F(ComparatorTest, TieBreakFollowsTheBuffer) {
  const char* text = "abc\0" "ABC";
  const char* first = text;
  const char* second = text + 4;
  EXPECT_EQ(LocaleGreater(second, first), 1);
  EXPECT_EQ(LocaleGreater(first, second), 0);
  EXPECT_EQ(LocaleLess(first, second), 1);
  TieBreakMode = false;
  EXPECT_EQ(LocaleGreater(second, first), 0);
  EXPECT_EQ(LocaleLess(first, second), 0);
}

}  // namespace
