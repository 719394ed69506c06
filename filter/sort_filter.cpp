#include "filter/sort_filter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "platform/format.h"
#include "platform/heap.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/line_end.h"
#include "sort/sort_text.h"
#include "sort/sortable_text.h"
#include "filter/console.h"
#include "filter/filter_args.h"
#include "filter/filter_io.h"
#include "filter/input_map.h"
#include "filter/sorted_output.h"

namespace {

constexpr int kExitSorted = 0;
constexpr int kExitFault = 2;

// The sort driver's message box (memory ran out), as a line.
int PrintBoxAsLine(WindowHandle, const char* text, const char*, unsigned) {
  PrintFaultLine(ToLocaleCodeset(text).c_str());
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
  bool faulty = ReportSwitchFaults(app.args);
  ParseSwitchesQuietly(app);
  bool switched = HasSwitch(app.args);
  ReleaseArgList(app.args);
  if (faulty) return false;
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

// A regular file mapped in place, where the order only reads the text.
bool MapForSorting(std::FILE* stream, MappedInput& mapped, char*& text, size_t& size) {
  if (SortNeedsWritableText(g_sortOptions, 0) || !MapInputFile(stream, mapped)) return false;
  if (SortNeedsWritableText(g_sortOptions, mapped.size)) return UnmapInputFile(mapped), false;
  text = mapped.bytes;
  size = mapped.size;
  return true;
}

// The whole input, mapped or on the link's heap; reports its own faults.
bool ReadInput(const char* path, EditorLink& link, MappedInput& mapped, char*& text, size_t& size,
               ProgressLine& progress) {
  std::FILE* stream = IsStandardStream(path) ? stdin : std::fopen(path, "rb");
  const char* name = IsStandardStream(path) ? kTextFilterStandardInput : path;
  if (!stream) return ReportFilterFault(kTextFilterOpenFailed, name);
  ReadOutcome outcome = ReadOutcome::kRead;
  if (!MapForSorting(stream, mapped, text, size)) outcome = ReadWholeStream(stream, link.heap, text, size, progress);
  if (stream != stdin) std::fclose(stream);
  ClearProgress(progress);
  if (outcome == ReadOutcome::kOutOfMemory) return ReportFilterFault(kTextOutOfMemory, nullptr);
  if (outcome == ReadOutcome::kReadFailed) return ReportFilterFault(kTextFilterReadFailed, name);
  if (!IsSortableText(text, size)) return ReportFilterFault(kTextFilterNulByte, nullptr);
  return true;
}

// Fewer than two lines: no CR LF at all, or one that ends the text. Such a
// text is written back as it came.
bool HasTwoLines(const char* text, size_t size) {
  const char* hit = FindLineEnd(text, text + size);
  return hit && static_cast<size_t>(hit - text) + 2 < size;
}

// The duplicates go to a new file beside the one named, which takes that
// name only once standard output is written and closed: a failed run leaves
// an existing file as it was. The file beside is made before anything goes
// to standard output, so that a folder that takes no file fails the run
// before it has written anything.
struct DuplicatesFile {
  const char* path;    // null: none asked for
  std::string beside;  // where they wait meanwhile
  std::FILE* stream;   // open on beside until the duplicates are in
};

void DiscardDuplicates(DuplicatesFile& file) {
  if (!file.path) return;
  if (file.stream) std::fclose(file.stream);
  file.stream = nullptr;
  std::remove(file.beside.c_str());
}

// Reports its own fault.
bool CreateDuplicatesBeside(DuplicatesFile& file) {
  if (!file.path) return true;
  file.stream = CreateFileBeside(file.path, file.beside);
  return file.stream ? true : ReportFilterFault(kTextFilterCreateFailed, file.path);
}

// The sorted lines, or the text itself when it has fewer than two. Standard
// output counts as written only once it was flushed and closed without
// error: a disk that fills up may say so only then. Writing the sorted
// lines fills the duplicates text.
bool WriteOutput(const SortedLines* sorted, const char* text, size_t size, char*& duplicates,
                 ProgressLine& progress) {
  bool written = sorted ? WriteSortedText(stdout, *sorted, duplicates, size, progress)
                        : WriteWholeText(stdout, text, size, progress);
  ClearProgress(progress);
  written = std::fclose(stdout) == 0 && written;
  return written || ReportFilterFault(kTextFilterWriteFailed, kTextFilterStandardOutput);
}

// Writes the duplicates into the file beside and puts it in place of the
// one named; reports its own fault and leaves nothing beside on failure.
bool PutDuplicatesInPlace(DuplicatesFile& file, const char* duplicates, ProgressLine& progress) {
  if (!file.path) return true;
  bool saved = WriteWholeText(file.stream, duplicates, std::strlen(duplicates), progress);
  ClearProgress(progress);
  saved = std::fclose(file.stream) == 0 && saved;
  file.stream = nullptr;
  if (saved && ReplaceFileWith(file.beside.c_str(), file.path)) return true;
  DiscardDuplicates(file);
  return ReportFilterFault(kTextFilterWriteFailed, file.path);
}

// The file beside first, then the sorted text, then the duplicates, which
// replace the named file last.
int WriteResults(const SortedLines* sorted, const char* text, size_t size, char* duplicates,
                 const char* duplicatesPath, ProgressLine& progress) {
  DuplicatesFile file = {duplicatesPath, std::string(), nullptr};
  if (!CreateDuplicatesBeside(file)) return kExitFault;
  char* duplicatesEnd = duplicates;
  if (!WriteOutput(sorted, text, size, duplicatesEnd, progress)) {
    DiscardDuplicates(file);
    return kExitFault;
  }
  return PutDuplicatesInPlace(file, duplicates, progress) ? kExitSorted : kExitFault;
}

int SortMappedOrRead(const FilterArgs& filter, EditorLink& link, MappedInput& mapped) {
  ProgressLine progress = {IsTerminal(stderr), false, 0};
  char* text = nullptr;
  size_t size = 0;
  if (!ReadInput(filter.inputPath, link, mapped, text, size, progress)) return kExitFault;
  char* duplicates = const_cast<char*>("");
  SortedLines sorted = {};
  bool sorting = HasTwoLines(text, size);
  if (sorting) {
    if (size >= kProgressThreshold) ShowProgress(progress, kTextFilterSorting, 0);
    bool done = SortForWriting(link, text, size, sorted, duplicates);
    ClearProgress(progress);
    if (!done) return kExitFault;  // out of memory, reported by the driver
    if (!duplicates) duplicates = const_cast<char*>("");
  }
  return WriteResults(sorting ? &sorted : nullptr, text, size, duplicates, filter.duplicatesPath, progress);
}

int SortInput(const FilterArgs& filter, EditorLink& link) {
  MappedInput mapped = {};
  int code = SortMappedOrRead(filter, link, mapped);
  UnmapInputFile(mapped);
  return code;
}

}  // namespace

// The standard streams are named by texts of the program's own, converted
// like the message; a file name is the user's and stays as it came.
bool ReportFilterFault(const char* format, const char* value) {
  bool ownName = value == kTextFilterStandardInput || value == kTextFilterStandardOutput;
  std::string name = ownName ? ToLocaleCodeset(value) : std::string(value ? value : "");
  char line[kFormatLimit];
  FormatText(line, ToLocaleCodeset(format).c_str(), name.c_str());
  PrintFaultLine(line);
  return false;
}

void PrintFaultLine(const char* text) { std::fprintf(stderr, "ordwell-sort: %s\n", text); }

int RunSortFilter(int argc, char** argv) {
  SetBinaryStreams();
  SetMessageBoxHook(PrintBoxAsLine);
  FilterArgs filter;
  if (!SeparateFilterArgs(argc, argv, filter)) return kExitFault;
  if (filter.help) {
    std::fputs(ToLocaleCodeset(kTextFilterUsage).c_str(), stdout);
    return kExitSorted;
  }
  if (filter.version) {
    std::printf(ToLocaleCodeset(kTextFilterVersion).c_str(), ORDWELL_VERSION);
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
