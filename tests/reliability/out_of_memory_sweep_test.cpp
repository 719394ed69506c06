// Out of memory everywhere: each operation runs once with its 1st allocation
// failing, then its 2nd, and so on, until a run completes without reaching
// the failing allocation. Every run must give the result specified for its
// failure, show the message only where one is due, and leave no scratch
// block on the process heap; private heaps left behind fail the native run
// under LeakSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_record.h"
#include "cmdline/arg_list.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "platform/collate.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/comparators.h"
#include "sort/number_scanner.h"
#include "sort/sort_text.h"

namespace {

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

int g_messages = 0;
std::string g_lastMessage;
unsigned g_lastStyle = 0;

int CountMessage(WindowHandle, const char* text, const char*, unsigned style) {
  ++g_messages;
  g_lastMessage = text;
  g_lastStyle = style;
  return 1;
}

// Arms the k-th allocation from now to fail; Hit tells, once disarmed,
// whether the run asked for that allocation.
class InjectedFailure {
 public:
  explicit InjectedFailure(long k) : start_(AllocationCount()), k_(k) { FailAllocation(k); }
  ~InjectedFailure() { FailAllocation(0); }
  bool Disarm() {
    FailAllocation(0);
    return AllocationCount() - start_ >= k_;
  }

 private:
  long start_;
  long k_;
};

void ResetSortState(const SortOptions& options) {
  g_sortOptions = options;
  TieBreakMode = true;
  NumberScanner = ScanHalfWidthNumber;
  g_messages = 0;
}

SortOptions OptionsFrom(const char* letters, uint32_t columnFrom = 1, uint32_t columnWidth = kColumnWidthDefault) {
  SortOptions o = {0, 0, 0, 0, 0, 0, 0, 0, columnFrom, columnWidth};
  if (std::strchr(letters, 'a')) o.SortAscending = 1;
  if (std::strchr(letters, 'r')) o.RemoveDuplicateLine = 1;
  if (std::strchr(letters, 'e')) o.ExtractDuplicateLine = 1;
  if (std::strchr(letters, 'b')) o.CompareAsBinaryText = 1;
  if (std::strchr(letters, 'c')) o.SortByColumn = 1;
  if (std::strchr(letters, 'n')) o.TreatNumberAsNumerical = 1;
  if (std::strchr(letters, 'z')) o.TreatZenNumAsNumerical = 1;
  return o;
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t hit; (hit = text.find("\r\n", start)) != std::string::npos; start = hit + 2)
    lines.push_back(text.substr(start, hit - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  std::sort(lines.begin(), lines.end());
  return lines;
}

// --- the command line -------------------------------------------------------

std::string ManyArguments() {
  std::string line = "prog";
  for (int i = 0; i < 100; ++i) line += i % 2 ? " /A" : " /F:7/w:3";
  return line;
}

std::vector<std::string> Arguments(const ArgList& list) {
  return list.table ? std::vector<std::string>(list.table, list.table + list.count) : std::vector<std::string>();
}

// Heap, buffer and table refused: an empty list, read as a run without
// arguments (the dialog, no message). A refused growth: the arguments split
// so far, closed by the null entry, the rest ignored without a message.
bool SplitAndParseWithFailure(long k) {
  static const std::string line = ManyArguments();
  static std::vector<std::string> whole;
  if (whole.empty()) {
    ArgList clean;
    SplitCommandLine(clean, line.c_str());
    whole = Arguments(clean);
    ReleaseArgList(clean);
  }
  static AppRecord app;
  app = AppRecord{};
  InjectedFailure failure(k);
  SplitCommandLine(app.args, line.c_str());
  bool hit = failure.Disarm();
  std::vector<std::string> args = Arguments(app.args);
  if (hit && k <= 3) {
    EXPECT_EQ(app.args.count, 0);
  } else {
    EXPECT_EQ(app.args.table[app.args.count], nullptr);
    EXPECT_TRUE(std::equal(args.begin(), args.end(), whole.begin(), whole.begin() + std::min(args.size(), whole.size())));
    EXPECT_EQ(args.size() == whole.size(), !hit);
  }
  g_messages = 0;
  ParseSwitches(app);
  EXPECT_EQ(g_messages, 0);
  if (app.args.count <= 1) {
    EXPECT_EQ(g_sortOptions.ShowOptionsDialog, 1);
  }
  ReleaseArgList(app.args);
  return hit;
}

// --- the sort driver --------------------------------------------------------

struct SortCase {
  std::string text;
  SortOptions options;
  long driverBlocks;  // line table, output, duplicates text
  bool wholeKeys;     // the locale order by whole keys, as on Windows
};

// More lines than one step of the line table holds.
std::string ManyLinesText() {
  std::string text;
  for (int i = 0; i < 4200; ++i) text += std::to_string((i * 7919) % 1000) + "\r\n";
  return text;
}

std::string NumberText() {
  std::string text;
  const char* pieces[] = {"x１２", "3a", "１ｅ２z", "－５", "07", "x9", "ab", "1.5", "１．５", "a-2"};
  for (int i = 0; i < 12; ++i) text += std::string(pieces[i % 10]) + std::to_string(i % 4) + "\r\n";
  return text;
}

// The case's options in force and its text in a fresh heap of link's.
char* StartSortCase(const SortCase& c, EditorLink& link) {
  ResetSortState(c.options);
  link = {};
  link.heap = CreatePrivateHeap(0);
  char* text = static_cast<char*>(AllocateBlock(link.heap, 0, c.text.size() + 1));
  std::memcpy(text, c.text.c_str(), c.text.size() + 1);
  ForceWholeLocaleKeys(c.wholeKeys);
  return text;
}

// The case sorted with no allocation failing.
bool SortCleanly(const SortCase& c, std::string& output, std::string& duplicatesText) {
  EditorLink link;
  char* text = StartSortCase(c, link);
  char* duplicates = nullptr;
  bool ok = SortText(link, text, duplicates);
  ForceWholeLocaleKeys(false);
  if (ok) output = text, duplicatesText = duplicates ? duplicates : "";
  ReleaseLink(link);
  return ok;
}

// Refused driver blocks: false and the out-of-memory message. Refused scratch
// (window copies, scanner buffers) or a refused shrink: the sort goes on, and
// every line is still in the output or among the duplicates; where the order
// is the keys' alone, in the same order as without failures.
bool SortWithFailure(const SortCase& c, long k) {
  EditorLink link;
  char* text = StartSortCase(c, link);
  char* duplicates = nullptr;
  InjectedFailure failure(k);
  bool ok = SortText(link, text, duplicates);
  bool hit = failure.Disarm();
  ForceWholeLocaleKeys(false);
  if (hit && k <= c.driverBlocks) {
    EXPECT_FALSE(ok);
    EXPECT_EQ(g_messages, 1);
    EXPECT_EQ(g_lastMessage, kTextOutOfMemory);
    EXPECT_EQ(g_lastStyle, unsigned(kBoxIconError));
  } else if (ok && !c.options.TreatNumberAsNumerical) {
    // The order is the keys' alone: the same texts as a run without failures.
    EXPECT_EQ(g_messages, 0);
    std::string cleanOutput, cleanDuplicates;
    EXPECT_TRUE(SortCleanly(c, cleanOutput, cleanDuplicates));
    EXPECT_EQ(text, cleanOutput);
    EXPECT_EQ(std::string(duplicates ? duplicates : ""), cleanDuplicates);
  } else if (ok) {
    EXPECT_EQ(g_messages, 0);
    std::vector<std::string> all = SortedLines(std::string(text) + (duplicates ? duplicates : ""));
    EXPECT_EQ(all, SortedLines(c.text + (c.options.RemoveDuplicateLine ? "" : std::string(duplicates ? duplicates : ""))));
  } else {
    ADD_FAILURE() << "SortText failed";
  }
  ReleaseLink(link);
  return hit;
}

bool SortManyLinesWithFailure(long k) {
  static const SortCase c = {ManyLinesText(), OptionsFrom("abre"), 3, false};
  return SortWithFailure(c, k);
}

// The keys' blocks refused: sorted through the comparator instead.
bool SortByWholeKeysWithFailure(long k) {
  static const SortCase c = {ManyLinesText() + NumberText(), OptionsFrom("are"), 3, true};
  return SortWithFailure(c, k);
}

bool SortNumbersInColumnsWithFailure(long k) {
  static const SortCase c = {NumberText(), OptionsFrom("anczre", 2, 6), 3, false};
  return SortWithFailure(c, k);
}

bool SortFullWidthNumbersWithFailure(long k) {
  static const SortCase c = {NumberText(), OptionsFrom("nz"), 2, false};
  return SortWithFailure(c, k);
}

// --- the comparators' scratch and the scanners -------------------------------

// A refused window copy answers "not before"; a refused scanner buffer reads
// the place as text. Either way the answer is 0 or 1.
bool CompareColumnsWithFailure(long k) {
  ResetSortState(OptionsFrom("cnz", 1, 400));
  g_sortOptions.ColumnFrom = 0;  // 0-based, as the driver leaves it
  NumberScanner = ScanFullWidthNumber;
  // Short windows and short numbers need no memory: the windows here are
  // longer than the comparators' stack copies, and the first number longer
  // than the scanner's.
  static const std::string first = "x１０" + Repeated("０", 150) + "y" + Repeated("z", 300);
  static const std::string second = "x９y" + Repeated("z", 300);
  InjectedFailure failure(k);
  int answer = ColumnNumericLocaleGreater(first.c_str(), second.c_str());
  bool hit = failure.Disarm();
  if (hit && k <= 2)
    EXPECT_EQ(answer, 0);
  else if (!hit)
    EXPECT_EQ(answer, 1);  // 10^151 > 9
  else
    EXPECT_TRUE(answer == 0 || answer == 1);
  return hit;
}

// No buffer: no number there, value and end untouched.
bool ScanFullWidthWithFailure(long k) {
  double value = -1;
  const char* end = nullptr;
  // Longer than the scanner's stack copy, so it needs the heap.
  static const std::string number = "－１２．５" + Repeated("０", 150) + "ｘ";
  const char* text = number.c_str();
  InjectedFailure failure(k);
  bool found = ScanFullWidthNumber(value, text, end);
  bool hit = failure.Disarm();
  EXPECT_EQ(found, !hit);
  EXPECT_EQ(value, hit ? -1 : -12.5);
  EXPECT_EQ(end, hit ? nullptr : text + number.size() - 2);
  return hit;
}

bool DuplicateStringWithFailure(long k) {
  InjectedFailure failure(k);
  char* copy = HeapDupString("abc");
  bool hit = failure.Disarm();
  EXPECT_EQ(copy == nullptr, hit);
  if (copy) {
    EXPECT_STREQ(copy, "abc");
    FreeBlock(ProcessHeapHandle(), 0, copy);
  }
  return hit;
}

struct Operation {
  const char* name;
  bool (*runWithFailure)(long k);  // true when the k-th allocation was reached
};

void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }

const Operation kOperations[] = {
    {"SplitCommandLineAndParseSwitches", SplitAndParseWithFailure},
    {"SortTextOfManyLines", SortManyLinesWithFailure},
    {"SortTextByWholeKeys", SortByWholeKeysWithFailure},
    {"SortTextNumbersInColumns", SortNumbersInColumnsWithFailure},
    {"SortTextFullWidthNumbers", SortFullWidthNumbersWithFailure},
    {"ColumnNumericComparison", CompareColumnsWithFailure},
    {"ScanFullWidthNumber", ScanFullWidthWithFailure},
    {"HeapDupString", DuplicateStringWithFailure},
};

class OutOfMemorySweep : public ::testing::TestWithParam<Operation> {
 protected:
  void SetUp() override { SetMessageBoxHook(CountMessage); }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    FailAllocation(0);
    ResetSortState(OptionsFrom(""));
  }
};

TEST_P(OutOfMemorySweep, EveryAllocationFailsInTurn) {
  const long kLimit = 100000;
  long k = 1;
  for (; k <= kLimit; ++k) {
    long blocks = HeapBlockCount(ProcessHeapHandle());
    bool hit = GetParam().runWithFailure(k);
    EXPECT_EQ(HeapBlockCount(ProcessHeapHandle()), blocks) << "allocation " << k;
    if (HasFailure() || !hit) break;
  }
  EXPECT_GT(k, 1) << "no allocation to fail";
  EXPECT_LE(k, kLimit) << "never completed";
  RecordProperty("allocation_sites", std::to_string(k - 1));
  std::printf("%s: %ld allocations failed in turn\n", GetParam().name, k - 1);
}

INSTANTIATE_TEST_SUITE_P(Operations, OutOfMemorySweep, ::testing::ValuesIn(kOperations),
                         [](const ::testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

}  // namespace
