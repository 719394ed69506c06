#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/arg_list.h"
#include "platform/heap.h"

namespace {

typedef std::vector<std::string> Args;

// Splits line and returns its arguments; checks the closing null entry.
Args Split(const std::string& line) {
  ArgList list;
  SplitCommandLine(list, line.c_str());
  Args args;
  if (list.table) {
    for (int i = 0; i < list.count; ++i) args.push_back(list.table[i]);
    EXPECT_EQ(list.table[list.count], nullptr) << "line: " << line;
  } else {
    EXPECT_EQ(list.count, 0);
  }
  ReleaseArgList(list);
  return args;
}

// "prog /1 /2 ... /n-1": n arguments, each telling its index.
std::string NumberedArguments(int n) {
  std::string text = "prog";
  for (int i = 1; i < n; ++i) text += " /" + std::to_string(i);
  return text;
}

struct SplitCase {
  const char* name;
  std::string line;
  Args expected;
};

// "表" is 95 5C and "ソ" is 83 5C in code page 932: trail byte = backslash.
const SplitCase kSplitCases[] = {
    {"empty line", "", {}},
    {"blanks only", " \t \t ", {}},
    {"trailing blanks dropped", "prog  \t ", {"prog"}},
    {"leading blanks skipped", " \t prog", {"prog"}},
    {"tab separates", "prog\t/A", {"prog", "/A"}},
    {"other control bytes are not blanks", "prog\v\r\nx", {"prog\v\r\nx"}},
    {"slash splits a group", "prog /a/b", {"prog", "/a", "/b"}},
    {"slash splits a word", "prog x/y", {"prog", "x", "/y"}},
    {"value switches run together", "prog /F:3/W:10", {"prog", "/F:3", "/W:10"}},
    {"double slash", "prog //", {"prog", "/", "/"}},
    {"quoted blank kept", "prog \"/a b\"", {"prog", "/a b"}},
    {"quoted blanks kept one by one", "prog \"a  b\"", {"prog", "a  b"}},
    {"slash splits inside quotes", "prog \"a/b\"", {"prog", "a", "/b"}},
    {"quote state carries over the slash", "prog \"a/b c\"", {"prog", "a", "/b c"}},
    {"quotes open and close mid-argument", "prog a\"b c\"d", {"prog", "ab cd"}},
    {"escaped quote inside quotes", "prog \"a\\\"b\"", {"prog", "a\"b"}},
    {"backslash then quote outside quotes", "prog a\\\"b c\"", {"prog", "a\\b c"}},
    {"doubled backslash inside quotes", "prog \"a\\\\b\"", {"prog", "a\\b"}},
    {"doubled backslash before the closing quote", "prog \"a\\\\\" x", {"prog", "a\\", "x"}},
    {"lone backslash inside quotes", "prog \"a\\x\"", {"prog", "a\\x"}},
    {"backslash outside quotes", "prog a\\b", {"prog", "a\\b"}},
    {"doubled backslash outside quotes", "prog a\\\\b", {"prog", "a\\\\b"}},
    {"unclosed quote drops trailing blanks", "prog \"abc   ", {"prog", "abc"}},
    {"unclosed quote keeps inner blanks", "prog \"a b", {"prog", "a b"}},
    {"empty last argument dropped", "prog \"\"", {"prog"}},
    {"empty last argument dropped before blanks", "prog \"\"  ", {"prog"}},
    {"empty argument before another kept", "prog \"\" x", {"prog", "", "x"}},
    {"slash opens an emptily quoted argument", "prog \"\"/A", {"prog", "/A"}},
    {"two-byte characters", "prog \x95\x5C\x83\x5C", {"prog", "\x95\x5C\x83\x5C"}},
    {"trail 5C before the closing quote", "prog \"\x95\x5C\" x", {"prog", "\x95\x5C", "x"}},
    {"single-byte backslash before the quote", "prog \"a\\\" x", {"prog", "a\" x"}},
    {"trail 5C before a quote outside quotes", "prog \x83\x5C\"x y\"", {"prog", "\x83\x5Cx y"}},
    {"trail 5C before a backslash inside quotes", "prog \"\x95\x5C\\\\\"", {"prog", "\x95\x5C\\"}},
    {"lead byte at the end", "prog \x95", {"prog", "\x95"}},
    {"lead byte before a blank", "prog \x81 x", {"prog", "\x81", "x"}},
    {"lead byte before a slash", "prog a\x81/b", {"prog", "a\x81", "/b"}},
    {"lead byte before a quote", "prog \x81\"a b\"", {"prog", "\x81" "a b"}},
    {"lead byte before 7F", "prog \x81\x7F/b", {"prog", "\x81\x7F", "/b"}},
    {"quoted path with blanks", "\"C:\\My Tools\\prog.exe\" /A", {"C:\\My Tools\\prog.exe", "/A"}},
    {"unquoted path with blanks", "C:\\My Tools\\prog.exe /A", {"C:\\My", "Tools\\prog.exe", "/A"}},
};

TEST(SplitCommandLine, FollowsTheSplittingTable) {
  for (const SplitCase& c : kSplitCases) EXPECT_EQ(Split(c.line), c.expected) << c.name;
}

TEST(SplitCommandLine, NullTextIsAnEmptyLine) {
  ArgList list;
  SplitCommandLine(list, nullptr);
  EXPECT_EQ(list.count, 0);
  ASSERT_NE(list.table, nullptr);
  EXPECT_EQ(list.table[0], nullptr);
  EXPECT_TRUE(ReleaseArgList(list));
}

// The table takes 32 entries, then 32 more whenever an argument would take
// its last free one; each growth is one more allocation after the heap, the
// buffer and the first table.
TEST(SplitCommandLine, GrowsTheTableBy32BeforeTheLastEntry) {
  struct Row {
    int arguments;
    long growths;
  };
  const Row rows[] = {{1, 0}, {31, 0}, {32, 1}, {40, 1}, {63, 1}, {64, 2}, {95, 2}, {96, 3}};
  for (const Row& row : rows) {
    std::string line = NumberedArguments(row.arguments);
    ArgList list;
    long before = AllocationCount();
    SplitCommandLine(list, line.c_str());
    EXPECT_EQ(AllocationCount() - before, 3 + row.growths) << row.arguments << " arguments";
    ASSERT_EQ(list.count, row.arguments);
    EXPECT_EQ(list.table[list.count], nullptr);
    EXPECT_EQ(std::string(list.table[list.count - 1]), row.arguments > 1 ? "/" + std::to_string(row.arguments - 1) : "prog");
    ReleaseArgList(list);
  }
}

// Failing the k-th allocation of a 70-argument line: the heap, the buffer and
// the first table leave an empty list; the first growth (at argument 31) and
// the second (at argument 63) keep the arguments before it.
TEST(SplitCommandLine, OutOfMemoryKeepsCompletedArguments) {
  const std::string line = NumberedArguments(70);
  const Args full = Split(line);
  ASSERT_EQ(full.size(), 70u);
  const int kept[] = {0, 0, 0, 31, 63, 70};
  for (int k = 1; k <= 6; ++k) {
    FailAllocation(k);
    ArgList list;
    SplitCommandLine(list, line.c_str());
    FailAllocation(0);
    ASSERT_EQ(list.count, kept[k - 1]) << "failing allocation " << k;
    if (list.count > 0) {
      EXPECT_EQ(list.table[list.count], nullptr);
      EXPECT_EQ(Args(list.table, list.table + list.count), Args(full.begin(), full.begin() + list.count));
    }
    ReleaseArgList(list);
  }
}

// A failed growth right after an empty argument keeps that argument: it was
// completed by the split.
TEST(SplitCommandLine, OutOfMemoryAtGrowthKeepsTheArgumentJustEnded) {
  std::string line = NumberedArguments(30) + " \"\" x y";
  FailAllocation(4);
  ArgList list;
  SplitCommandLine(list, line.c_str());
  FailAllocation(0);
  ASSERT_EQ(list.count, 31);
  EXPECT_STREQ(list.table[29], "/29");
  EXPECT_STREQ(list.table[30], "");
  EXPECT_EQ(list.table[31], nullptr);
  ReleaseArgList(list);
}

TEST(ReleaseArgList, DestroysTheHeapAndClearsTheList) {
  ArgList list;
  SplitCommandLine(list, "prog /A");
  EXPECT_TRUE(ReleaseArgList(list));
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.table, nullptr);
  EXPECT_EQ(list.buffer, nullptr);
  EXPECT_EQ(list.heap, nullptr);
  EXPECT_FALSE(ReleaseArgList(list));  // a second release finds no heap

  FailAllocation(1);
  SplitCommandLine(list, "prog /A");  // no heap at all
  FailAllocation(0);
  EXPECT_FALSE(ReleaseArgList(list));
}

}  // namespace
