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
#include "filter/result_file.h"
#include "filter/sorted_output.h"
#include "filter/text_form.h"

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

// The input as messages name it.
const char* InputName(const char* path) { return IsStandardStream(path) ? kTextFilterStandardInput : path; }

// The input, open; reports its own fault.
bool OpenInput(const char* path, std::FILE*& stream) {
  stream = IsStandardStream(path) ? stdin : std::fopen(path, "rb");
  return stream || ReportFilterFault(kTextFilterOpenFailed, path);
}

// The files the results go to, by their slots among the files an interrupt
// removes.
struct Results {
  ResultFile output;
  ResultFile duplicates;
};
constexpr int kOutputSlot = 0;
constexpr int kDuplicatesSlot = 1;

bool ReportResultFault(ResultFault fault, const char* path) {
  switch (fault) {
    case ResultFault::kNone: return true;
    case ResultFault::kNotWritable: return ReportFilterFault(kTextFilterNotWritable, path);
    case ResultFault::kIsInput: return ReportFilterFault(kTextFilterDuplicatesIsInput, path);
    case ResultFault::kIsOutput: return ReportFilterFault(kTextFilterDuplicatesIsOutput, path);
    case ResultFault::kIsOther: return ReportFilterFault(kTextFilterOutputIsDuplicates, path);
    case ResultFault::kInputInPlace: return ReportFilterFault(kTextFilterInputNotReplaceable, path);
    case ResultFault::kCannotReplace: return ReportFilterFault(kTextFilterCannotReplace, path);
    case ResultFault::kTooManyFiles: return ReportFilterFault(kTextFilterTooManyFiles, path);
    case ResultFault::kNameTooLong: return ReportFilterFault(kTextFilterNameTooLong, path);
    case ResultFault::kClosedAtStart: return ReportFilterFault(kTextFilterClosedAtStart, path);
    case ResultFault::kCannotCreate: break;
  }
  return ReportFilterFault(kTextFilterCreateFailed, path);
}

// Where the results go, opened before anything is read or written, so that
// every refusal that can be known beforehand comes before the sorted text.
// The sorted text's file may be the input (a file sorted in place); the
// duplicates' may be neither the input, nor standard output, nor the sorted
// text's file. Reports its own fault.
bool OpenResults(const FilterArgs& filter, std::FILE* input, Results& results) {
  ResultRules sorted = {input, true, true, nullptr};
  if (filter.outputPath &&
      !ReportResultFault(OpenResultFile(filter.outputPath, kOutputSlot, sorted, results.output), filter.outputPath))
    return false;
  ResultRules duplicates = {input, false, false, filter.outputPath ? &results.output : nullptr};
  return !filter.duplicatesPath ||
         ReportResultFault(OpenResultFile(filter.duplicatesPath, kDuplicatesSlot, duplicates, results.duplicates),
                           filter.duplicatesPath);
}

// The whole input, read into the filter's own memory, so that another
// program that rewrites or truncates the file meanwhile changes neither the
// bytes checked nor those sorted; a file changed during the read is refused.
// Reports its own faults. version: the version read.
bool ReadInput(std::FILE* stream, const char* path, EditorLink& link, InputText& text, ProgressLine& progress,
               StreamVersion& version) {
  const char* name = InputName(path);
  if (HoldInputForRead(stream) == InputHold::kWriterAtWork) return ReportFilterFault(kTextFilterInputBeingWritten, name);
  ReadOutcome outcome = ReadWholeStream(stream, link.heap, text, progress, version);
  ReleaseInputHold();
  ClearProgress(progress);
  if (outcome == ReadOutcome::kOutOfMemory) return ReportFilterFault(kTextOutOfMemory, nullptr);
  if (outcome == ReadOutcome::kReadFailed) return ReportFilterFault(kTextFilterReadFailed, name);
  if (outcome == ReadOutcome::kChanged) return ReportFilterFault(kTextFilterInputChanged, name);
  if (!IsSortableText(text.bytes, text.size)) return ReportFilterFault(kTextFilterNulByte, nullptr);
  return true;
}

// Fewer than two lines: no CR LF at all, or one that ends the text. Such a
// text is written back as it came.
bool HasTwoLines(const char* text, size_t size) {
  const char* hit = FindLineEnd(text, text + size);
  return hit && static_cast<size_t>(hit - text) + 2 < size;
}

// A text taken as code page 932 is refused when it begins with a UTF-8
// byte order mark, which the sort would move among the lines. One that is
// UTF-8 with characters of more than one byte is sorted as its bytes, as
// it always was, with a warning: its order is not that of its characters.
bool CheckCodePageText(const InputText& text, const char* name) {
  if (StartsWithByteOrderMark(text.bytes, text.size)) return ReportFilterFault(kTextFilterMarkNeedsEncoding, name);
  if (!HasTwoLines(text.bytes, text.size)) return true;
  Utf8Scan scan = ScanUtf8(text.bytes, text.size);
  if (scan.valid && scan.multibyte) ReportFilterFault(kTextFilterLooksUtf8, name);
  return true;
}

// The text as the sort reads it: code page 932 as it came, or a UTF-8 text
// converted, refused when it is not UTF-8 or has a character that code page
// 932 lacks. Reports its own fault.
bool PrepareText(const FilterArgs& filter, EditorLink& link, InputText& text, TextForm& form) {
  const char* name = InputName(filter.inputPath);
  if (!form.utf8) return CheckCodePageText(text, name);
  FormOutcome outcome = ConvertInputText(link.heap, text, form);
  switch (outcome.fault) {
    case FormFault::kNone: return true;
    case FormFault::kNotUtf8: return ReportLineFault(kTextFilterNotUtf8, name, outcome.line);
    case FormFault::kNotInCodePage: return ReportLineFault(kTextFilterNotInCodePage, name, outcome.line);
    case FormFault::kNoConverter: return ReportFilterFault(kTextFilterNoConverter, nullptr);
    case FormFault::kOutOfMemory: break;
  }
  return ReportFilterFault(kTextOutOfMemory, nullptr);
}

// The sorted lines, or the text itself when it has fewer than two, to
// standard output or the --output file. It counts as written only once its
// stream was flushed and closed without error: a disk that fills up may say
// so only then. Writing the sorted lines fills the duplicates text.
bool WriteOutput(const SortedLines* sorted, const InputText& text, char*& duplicates, const FilterArgs& filter,
                 Results& results, TextForm& form, ProgressLine& progress) {
  ResultFile* file = filter.outputPath ? &results.output : nullptr;
  std::FILE* stream = file ? file->stream : stdout;
  bool written = (!file || StartResultText(*file)) &&
                 (sorted ? WriteSortedText(stream, *sorted, duplicates, text.size, form, progress)
                         : WriteTextInForm(stream, form, text.bytes, text.size, true, progress));
  ClearProgress(progress);
  written = (file ? CloseResultFile(*file) : std::fclose(stdout) == 0) && written;
  return written || ReportFilterFault(kTextFilterWriteFailed, file ? filter.outputPath : kTextFilterStandardOutput);
}

// The sorted text, then the duplicates; the files take their places last,
// the sorted text's first: a run whose sorted text fails leaves both files
// as they were.
int WriteResults(const SortedLines* sorted, const InputText& text, char* duplicates, const FilterArgs& filter,
                 Results& results, TextForm& form, ProgressLine& progress) {
  char* duplicatesEnd = duplicates;
  if (!WriteOutput(sorted, text, duplicatesEnd, filter, results, form, progress)) return kExitFault;
  const char* failed = nullptr;
  if (filter.duplicatesPath &&
      !SaveResultText(results.duplicates, form, duplicates, std::strlen(duplicates), progress))
    failed = filter.duplicatesPath;
  else if (results.output.isInput && !IsInputStillInPlace(results.output))
    return ReportFilterFault(kTextFilterInputChangedKept, KeepResultBeside(results.output).c_str()), kExitFault;
  else if (filter.outputPath && !CommitResultFile(results.output))
    failed = filter.outputPath;
  else if (filter.duplicatesPath && !CommitResultFile(results.duplicates))
    failed = filter.duplicatesPath;
  if (!failed) return kExitSorted;
  ReportFilterFault(kTextFilterWriteFailed, failed);
  return kExitFault;
}

int SortOpenInput(const FilterArgs& filter, EditorLink& link, std::FILE* input, Results& results, InputText& text,
                  TextForm& form) {
  ProgressLine progress = {IsTerminal(stderr), false, 0};
  StreamVersion version = {};
  bool read = OpenResults(filter, input, results) && ReadInput(input, filter.inputPath, link, text, progress, version);
  results.output.inputSize = version.size;  // the version an in-place replacement must still find
  results.output.inputChanged = version.changed;
  if (input != stdin) std::fclose(input);
  if (!read || !PrepareText(filter, link, text, form)) return kExitFault;
  char* duplicates = const_cast<char*>("");
  SortedLines sorted = {};
  bool sorting = HasTwoLines(text.bytes, text.size);
  if (sorting) {
    if (text.size >= kProgressThreshold) ShowProgress(progress, kTextFilterSorting, 0);
    bool done = SortForWriting(link, text.bytes, text.size, sorted, duplicates);
    ClearProgress(progress);
    if (!done) return kExitFault;  // out of memory, reported by the driver
    if (!duplicates) duplicates = const_cast<char*>("");
  }
  return WriteResults(sorting ? &sorted : nullptr, text, duplicates, filter, results, form, progress);
}

int SortInput(const FilterArgs& filter, EditorLink& link) {
  std::FILE* input = nullptr;
  if (!OpenInput(filter.inputPath, input)) return kExitFault;
  Results results;
  InputText text = {nullptr, 0, 0};
  TextForm form = {filter.encoding == TextEncoding::kUtf8, false, {}, nullptr};
  int code = SortOpenInput(filter, link, input, results, text, form);
  EndResultFile(results.output);
  EndResultFile(results.duplicates);
  CloseTextForm(form);
  ReleaseInputText(text);
  return code;
}

// A name as messages show it: the standard streams by texts of the
// program's own, converted like the message; a file name is the user's and
// stays as it came.
std::string ShownName(const char* value) {
  bool ownName = value == kTextFilterStandardInput || value == kTextFilterStandardOutput;
  return ownName ? ToLocaleCodeset(value) : std::string(value ? value : "");
}

}  // namespace

bool ReportFilterFault(const char* format, const char* value) {
  char line[kFormatLimit];
  FormatText(line, ToLocaleCodeset(format).c_str(), ShownName(value).c_str());
  PrintFaultLine(line);
  return false;
}

bool ReportLineFault(const char* format, const char* name, size_t line) {
  char text[kFormatLimit];
  FormatText(text, ToLocaleCodeset(format).c_str(), ShownName(name).c_str(), std::to_string(line).c_str());
  PrintFaultLine(text);
  return false;
}

void PrintFaultLine(const char* text) { std::fprintf(stderr, "ordwell-sort: %s\n", text); }

int RunSortFilter(int argc, char** argv) {
  KeepStandardStreams();
  PrepareMessages();
  LetOversizedWritesFail();
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
