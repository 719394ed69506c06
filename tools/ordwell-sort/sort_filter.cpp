#include "tools/ordwell-sort/sort_filter.h"

#include <cstdio>
#include <cstring>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "platform/format.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/sort_text.h"
#include "tools/ordwell-sort/console.h"
#include "tools/ordwell-sort/filter_args.h"
#include "tools/ordwell-sort/filter_io.h"

namespace {

constexpr int kExitSorted = 0;
constexpr int kExitFault = 2;

// Message boxes raised by the parser and the sort driver, as lines.
int g_faultBoxes = 0;

int PrintBoxAsLine(WindowHandle, const char* text, const char*, unsigned) {
  ++g_faultBoxes;
  std::fprintf(stderr, "ordwell-sort: %s\n", text);
  return 1;  // IDOK
}

bool HasSwitch(const ArgList& args) {
  for (int i = 1; i < args.count; ++i)
    if (args.table[i][0] != '\0') return true;
  return false;
}

// The tool's parser sets the options. A filter has no dialog: /D is a fault,
// and a command line without switches sorts ascending in locale order, the
// order a sort filter is expected to give.
bool ParseFilterSwitches(const FilterArgs& filter) {
  static AppRecord app;
  SplitCommandLine(app.args, filter.switchLine.c_str());
  if (app.args.count == 0) return ReportFilterFault(kTextOutOfMemory, nullptr);
  ParseSwitches(app);
  bool switched = HasSwitch(app.args);
  ReleaseArgList(app.args);
  if (g_faultBoxes > 0) return false;
  if (!switched) {
    g_sortOptions.ShowOptionsDialog = 0;
    g_sortOptions.SortAscending = 1;
  }
  if (g_sortOptions.ShowOptionsDialog) return ReportFilterFault(kTextFilterNoDialog, nullptr);
  if (g_sortOptions.ExtractDuplicateLine && !filter.duplicatesPath)
    return ReportFilterFault(kTextFilterExtractNeedsFile, nullptr);
  if (!g_sortOptions.ExtractDuplicateLine && filter.duplicatesPath)
    return ReportFilterFault(kTextFilterFileNeedsExtract, nullptr);
  return true;
}

bool IsStandardStream(const char* path) { return !path || std::strcmp(path, "-") == 0; }

// The whole input on the link's heap; reports its own faults.
bool ReadInput(const char* path, EditorLink& link, char*& text, size_t& size, ProgressLine& progress) {
  std::FILE* stream = IsStandardStream(path) ? stdin : std::fopen(path, "rb");
  const char* name = IsStandardStream(path) ? kTextFilterStandardInput : path;
  if (!stream) return ReportFilterFault(kTextFilterOpenFailed, name);
  ReadOutcome outcome = ReadWholeStream(stream, link.heap, text, size, progress);
  if (stream != stdin) std::fclose(stream);
  ClearProgress(progress);
  if (outcome == ReadOutcome::kOutOfMemory) return ReportFilterFault(kTextOutOfMemory, nullptr);
  if (outcome == ReadOutcome::kReadFailed) return ReportFilterFault(kTextFilterReadFailed, name);
  // A NUL would end its line early and cut off the rest of the text.
  if (std::memchr(text, '\0', size)) return ReportFilterFault(kTextFilterNulByte, nullptr);
  return true;
}

// Fewer than two lines: no CR LF at all, or one that ends the text. Such a
// text is written back as it came.
bool HasTwoLines(const char* text, size_t size) {
  const char* hit = std::strstr(text, "\r\n");
  return hit && static_cast<size_t>(hit - text) + 2 < size;
}

// Writes the sorted text, then the duplicates text into its file; the file
// was made before anything went to standard output.
int WriteResults(const char* text, std::FILE* duplicatesFile, const char* duplicates, const char* duplicatesPath,
                 ProgressLine& progress) {
  bool written = WriteWholeText(stdout, text, std::strlen(text), progress);
  ClearProgress(progress);
  if (!written) {
    if (duplicatesFile) std::fclose(duplicatesFile);
    ReportFilterFault(kTextFilterWriteFailed, kTextFilterStandardOutput);
    return kExitFault;
  }
  if (!duplicatesFile) return kExitSorted;
  bool saved = WriteWholeText(duplicatesFile, duplicates, std::strlen(duplicates), progress);
  ClearProgress(progress);
  saved = std::fclose(duplicatesFile) == 0 && saved;
  if (!saved) {
    ReportFilterFault(kTextFilterWriteFailed, duplicatesPath);
    return kExitFault;
  }
  return kExitSorted;
}

// Made only once the sort has succeeded, so that a failed run leaves an
// existing file as it was.
bool OpenDuplicatesFile(const char* path, std::FILE*& file) {
  file = nullptr;
  if (!path) return true;
  file = std::fopen(path, "wb");
  return file ? true : ReportFilterFault(kTextFilterCreateFailed, path);
}

int SortInput(const FilterArgs& filter, EditorLink& link) {
  ProgressLine progress = {IsTerminal(stderr), false, 0};
  char* text = nullptr;
  size_t size = 0;
  if (!ReadInput(filter.inputPath, link, text, size, progress)) return kExitFault;
  char* duplicates = const_cast<char*>("");
  if (HasTwoLines(text, size)) {
    if (size >= kProgressThreshold) ShowProgress(progress, kTextFilterSorting, 0);
    bool sorted = SortText(link, text, duplicates);
    ClearProgress(progress);
    if (!sorted) return kExitFault;  // out of memory, reported by the driver
  }
  std::FILE* duplicatesFile = nullptr;
  if (!OpenDuplicatesFile(filter.duplicatesPath, duplicatesFile)) return kExitFault;
  return WriteResults(text, duplicatesFile, duplicates, filter.duplicatesPath, progress);
}

}  // namespace

bool ReportFilterFault(const char* format, const char* value) {
  char line[kFormatLimit];
  FormatText(line, format, value);
  std::fprintf(stderr, "ordwell-sort: %s\n", line);
  return false;
}

int RunSortFilter(int argc, char** argv) {
  SetBinaryStreams();
  SetMessageBoxHook(PrintBoxAsLine);
  FilterArgs filter;
  if (!SeparateFilterArgs(argc, argv, filter)) return kExitFault;
  if (filter.help) {
    std::fputs(kTextFilterUsage, stdout);
    return kExitSorted;
  }
  if (filter.version) {
    std::printf(kTextFilterVersion, ORDWELL_VERSION);
    return kExitSorted;
  }
  if (!ParseFilterSwitches(filter)) return kExitFault;
  // A link to no editor: only its heap, which holds the text and every
  // block the sort makes.
  EditorLink link = {};
  link.heap = CreatePrivateHeap(kHeapNoSerialize);
  if (!link.heap) return ReportFilterFault(kTextOutOfMemory, nullptr), kExitFault;
  int code = SortInput(filter, link);
  ReleaseLink(link);
  return code;
}
