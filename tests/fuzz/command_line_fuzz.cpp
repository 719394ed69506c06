// Splits a fuzzer-made command line, checks the list's shape and compares it
// with the reference splitter, then parses the switches and compares the
// options and the messages with the reference parser.
//
// Input: one control byte (its low three bits k: the k-th allocation of the
// split fails, 0 none), then the command line, cut at its first NUL.
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/app_record.h"
#include "cmdline/arg_list.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/reference_command_line.h"

namespace {

std::vector<int> g_reported;

// Records the argument index that each message names ("%d ..." first).
int CountMessage(WindowHandle, const char* text, const char* caption, unsigned style) {
  FUZZ_CHECK(std::strcmp(caption, kMessageCaption) == 0);
  FUZZ_CHECK(style == (kBoxOk | kBoxIconError));
  FUZZ_CHECK(std::strlen(text) < 1024);
  g_reported.push_back(std::atoi(text));
  return 1;
}

// The shape every list has, complete or cut short by a failed growth: the
// arguments back to back in the buffer in command-line order, none longer
// than the line, the table closed by a null entry.
void CheckListShape(const ArgList& list, size_t length) {
  FUZZ_CHECK(list.count >= 0);
  if (!list.table) {
    FUZZ_CHECK(list.count == 0);
    return;
  }
  FUZZ_CHECK(size_t(list.count) <= length);
  FUZZ_CHECK(list.table[list.count] == nullptr);
  const char* next = list.buffer;
  const char* bufferEnd = list.buffer + 2 * length + 1;
  for (int i = 0; i < list.count; ++i) {
    FUZZ_CHECK(list.table[i] == next);
    size_t size = std::strlen(list.table[i]);
    FUZZ_CHECK(size <= length);
    next += size + 1;
    FUZZ_CHECK(next <= bufferEnd);
  }
}

void CheckSwitches(AppRecord& app, const std::vector<std::string>& args) {
  ReferenceSwitches expected = ReferenceParse(args);
  g_reported.clear();
  SetMessageBoxHook(CountMessage);
  FUZZ_CHECK(ParseSwitches(app));
  SetMessageBoxHook(nullptr);
  FUZZ_CHECK(g_reported == expected.reported);
  FUZZ_CHECK(g_sortOptions.ShowOptionsDialog == expected.flags[0]);
  for (int k = 0; k < int(kOptionFlagCount); ++k) FUZZ_CHECK(OptionFlag(g_sortOptions, k) == expected.flags[k + 1]);
  FUZZ_CHECK(g_sortOptions.ColumnFrom == expected.columnFrom);
  FUZZ_CHECK(g_sortOptions.ColumnWidth == expected.columnWidth);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input = {data, size};
  int failAt = input.TakeByte() & 7;
  std::string line = input.TakeRest();
  std::unique_ptr<char[]> text = ExactCopy(line);

  static AppRecord app;  // 4 KB of scratch: not on the stack
  app = AppRecord{};
  long before = AllocationCount();
  FailAllocation(failAt);
  SplitCommandLine(app.args, text.get());
  bool failed = failAt != 0 && AllocationCount() - before >= failAt;
  FailAllocation(0);

  CheckListShape(app.args, line.size());
  std::vector<std::string> expected = ReferenceSplit(line);
  std::vector<std::string> actual(app.args.table ? app.args.table : nullptr,
                                  app.args.table ? app.args.table + app.args.count : nullptr);
  if (failed) {
    // What was split before the failure is kept, and is right as far as it goes.
    FUZZ_CHECK(actual.size() <= expected.size());
    for (size_t i = 0; i < actual.size(); ++i) FUZZ_CHECK(actual[i] == expected[i]);
  } else {
    FUZZ_CHECK(actual == expected);
  }
  CheckSwitches(app, actual);
  CheckListShape(app.args, line.size());  // the parser leaves the list alone
  ReleaseArgList(app.args);
  return 0;
}
