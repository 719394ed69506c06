#include "tests/sort/sort_support.h"

#include <cstring>

#include "platform/heap.h"
#include "platform/message_box.h"
#include "sort/character_ranks.h"
#include "sort/sort_text.h"
#include "sort/write_lines.h"

namespace {

int g_messages = 0;
std::string g_lastMessage;
unsigned g_lastStyle = 0;

int CountMessage(WindowHandle, const char* text, const char*, unsigned style) {
  ++g_messages;
  g_lastMessage = text;
  g_lastStyle = style;
  return 1;
}

}  // namespace

SortOptions OptionsFrom(const char* letters, uint32_t columnFrom, uint32_t columnWidth) {
  SortOptions o = {0, 0, 0, 0, 0, 0, 0, 0, columnFrom, columnWidth};
  for (const char* p = letters; *p; ++p) {
    switch (*p) {
      case 'a': o.SortAscending = 1; break;
      case 'r': o.RemoveDuplicateLine = 1; break;
      case 'e': o.ExtractDuplicateLine = 1; break;
      case 'b': o.CompareAsBinaryText = 1; break;
      case 'c': o.SortByColumn = 1; break;
      case 'n': o.TreatNumberAsNumerical = 1; break;
      case 'z': o.TreatZenNumAsNumerical = 1; break;
      default: break;
    }
  }
  return o;
}

void ResetSortState() {
  g_sortOptions = OptionsFrom("");
  TieBreakMode = true;
  NumberScanner = ScanHalfWidthNumber;
  LocaleCharacterRanks = nullptr;
  FailAllocation(0);
  FailAllocationsFrom(0);
  SetMessageBoxHook(CountMessage);
}

namespace {

// The sort's state at its start, the options set, and a link of its own
// heap, as the sort driver takes it.
EditorLink StartSortRun(const SortOptions& options) {
  ResetSortState();
  g_sortOptions = options;
  EditorLink link = {};
  link.heap = CreatePrivateHeap(0);
  link.mainWindow = reinterpret_cast<WindowHandle>(0x1234);
  link.editPane = reinterpret_cast<WindowHandle>(0x5678);
  return link;
}

}  // namespace

SortRun RunSortText(const std::string& input, const SortOptions& options, long failAt) {
  EditorLink link = StartSortRun(options);
  SortRun run;
  char* text = static_cast<char*>(AllocateBlock(link.heap, 0, input.size() + 1));
  if (!text) {
    ADD_FAILURE() << "no memory for the input";
    ReleaseLink(link);
    return run;
  }
  std::memcpy(text, input.c_str(), input.size() + 1);
  char* duplicates = reinterpret_cast<char*>(1);  // must be overwritten
  g_messages = 0;
  long processBlocks = HeapBlockCount(ProcessHeapHandle());
  long allocations = AllocationCount();
  FailAllocation(failAt);
  run.ok = SortText(link, text, duplicates);
  run.allocations = AllocationCount() - allocations;
  run.processBlocksLeaked = HeapBlockCount(ProcessHeapHandle()) - processBlocks;
  FailAllocation(0);
  FailAllocationsFrom(0);
  run.messages = g_messages;
  run.lastMessage = g_lastMessage;
  run.lastStyle = g_lastStyle;
  run.blocksLeft = HeapBlockCount(link.heap);
  if (run.ok) {
    run.output = text;
    run.hasDuplicates = duplicates != nullptr;
    if (duplicates) run.duplicates = duplicates;
  }
  ReleaseLink(link);
  return run;
}

namespace {

bool DrainToString(TextSink& sink) {
  static_cast<std::string*>(sink.context)->append(sink.buffer, sink.used);
  sink.used = 0;
  return true;
}

}  // namespace

SortRun RunSortForWriting(const std::string& input, const SortOptions& options, size_t sinkCapacity) {
  EditorLink link = StartSortRun(options);
  SortRun run;
  size_t terminator = SortNeedsWritableText(options, input.size()) ? 1 : 0;
  char* block = static_cast<char*>(AllocateBlock(link.heap, 0, 1 + input.size() + terminator));
  block[0] = '\r';  // what lies before the text is no part of it, not even of its first line end
  char* text = block + 1;
  std::memcpy(text, input.data(), input.size());
  if (terminator) text[input.size()] = '\0';
  SortedLines sorted = {};
  char* duplicates = nullptr;
  g_messages = 0;
  run.ok = SortForWriting(link, text, input.size(), sorted, duplicates);
  run.messages = g_messages;
  run.keyed = sorted.keyed != nullptr;
  if (run.ok) {
    std::vector<char> buffer(sinkCapacity);
    TextSink sink = {buffer.data(), sinkCapacity, 0, DrainToString, &run.output};
    char* duplicatesEnd = duplicates;
    EXPECT_TRUE(WriteSortedLines(sorted, sink, duplicatesEnd) && DrainToString(sink));
    run.hasDuplicates = duplicates != nullptr;
    if (duplicates) run.duplicates.assign(duplicates, duplicatesEnd);
  }
  ReleaseLink(link);
  return run;
}

std::vector<std::string> SplitAtLineEnds(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t hit = text.find("\r\n", start);
    if (hit == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, hit - start));
    start = hit + 2;
  }
  return lines;
}
