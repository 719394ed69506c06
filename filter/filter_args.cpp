#include "filter/filter_args.h"

#include <cctype>
#include <cstring>

#include "app/app_record.h"
#include "cmdline/switches.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/character_width.h"
#include "filter/console.h"
#include "filter/sort_filter.h"

namespace {

// The parser's messages, counted instead of shown.
int g_quietBoxes = 0;

int CountQuietBox(WindowHandle, const char*, const char*, unsigned) {
  ++g_quietBoxes;
  return 1;  // IDOK
}

// How many messages the tool's parser raises for this one argument.
int CountSwitchFaults(const char* text) {
  static AppRecord alone;
  std::string line = "ordwell-sort " + QuoteSwitch(text);
  SplitCommandLine(alone.args, line.c_str());
  int faults = ParseSwitchesQuietly(alone);
  ReleaseArgList(alone.args);
  return faults;
}

// A path that the splitter would cut at its slashes into faulty switches.
bool IsFileTakenForSwitches(const char* arg) { return IsExistingFile(arg) && CountSwitchFaults(arg) > 0; }

// The options that name a file, as "--option=FILE" or "--option FILE".
constexpr const char* kFileOptions[] = {"--output", "--duplicates"};

bool IsHelp(const char* arg) {
  return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "/?") == 0;
}

// "--option=VALUE" gives VALUE; "--option" alone takes the next argument
// ("" when there is none). Null when the argument is not this option.
const char* OptionValue(const char* option, char** argv, int argc, int& i) {
  size_t n = std::strlen(option);
  const char* arg = argv[i];
  if (std::strncmp(arg, option, n) != 0) return nullptr;
  if (arg[n] == '=') return arg + n + 1;
  if (arg[n] != '\0') return nullptr;
  if (i + 1 >= argc) return "";
  return argv[++i];
}

// One of the options that name a file, its value set; false after a fault,
// reported. matched: the argument was one of them.
bool TakeFileOption(char** argv, int argc, int& i, FilterArgs& args, bool& matched) {
  const char** targets[] = {&args.outputPath, &args.duplicatesPath};
  for (size_t k = 0; k < sizeof kFileOptions / sizeof kFileOptions[0]; ++k) {
    const char* value = OptionValue(kFileOptions[k], argv, argc, i);
    if (!value) continue;
    matched = true;
    if (!*value) return ReportFilterFault(kTextFilterNeedsFileName, kFileOptions[k]);
    *targets[k] = value;
    if (argv[i] == value) args.switchLine += " \"\"";  // the name was an argument of its own
    return true;
  }
  matched = false;
  return true;
}

// value names this encoding, in any letter case.
bool IsEncodingName(const char* value, const char* name) {
  for (; *name; ++value, ++name)
    if (std::tolower(static_cast<unsigned char>(*value)) != *name) return false;
  return *value == '\0';
}

// "--encoding=NAME" or "--encoding NAME"; false after a fault, reported.
// matched: the argument was this option.
bool TakeEncodingOption(char** argv, int argc, int& i, FilterArgs& args, bool& matched) {
  const char* value = OptionValue("--encoding", argv, argc, i);
  matched = value != nullptr;
  if (!value) return true;
  if (argv[i] == value) args.switchLine += " \"\"";  // the encoding's name stood apart
  if (IsEncodingName(value, "utf-8"))
    args.encoding = TextEncoding::kUtf8;
  else if (IsEncodingName(value, "cp932"))
    args.encoding = TextEncoding::kCodePage932;
  else
    return ReportFilterFault(kTextFilterUnknownEncoding, value);
  return true;
}

}  // namespace

std::string QuoteSwitch(const char* text) {
  std::string quoted = "\"";
  for (const char* p = text; *p;) {
    if (CharacterWidth(p) == 2) {
      quoted.append(p, 2);
      p += 2;
      continue;
    }
    if (*p == '"' || *p == '\\') quoted += '\\';
    quoted += *p++;
  }
  return quoted + "\"";
}

// A slash begins a switch, so an input path that begins with one must follow
// "--". Anything else that begins with a dash is an option of the filter.
bool SeparateFilterArgs(int argc, char** argv, FilterArgs& args) {
  args = FilterArgs{nullptr, nullptr, nullptr, TextEncoding::kCodePage932, false, false, "ordwell-sort"};
  bool namesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    std::string& line = args.switchLine;
    if (!namesOnly && arg[0] == '/' && !IsHelp(arg)) {
      if (IsFileTakenForSwitches(arg)) return ReportFilterFault(kTextFilterSwitchNamesFile, arg);
      line += " " + QuoteSwitch(arg);
      continue;
    }
    line += " \"\"";
    bool option = false;
    if (!namesOnly && !TakeFileOption(argv, argc, i, args, option)) return false;
    if (option) continue;
    if (!namesOnly && !TakeEncodingOption(argv, argc, i, args, option)) return false;
    if (option) continue;
    if (!namesOnly && IsHelp(arg)) {
      args.help = true;
    } else if (!namesOnly && std::strcmp(arg, "--version") == 0) {
      args.version = true;
    } else if (!namesOnly && std::strcmp(arg, "--") == 0) {
      namesOnly = true;
    } else if (!namesOnly && arg[0] == '-' && arg[1] != '\0') {
      return ReportFilterFault(kTextFilterUnknownOption, arg);
    } else if (arg[0] != '\0') {
      if (args.inputPath) return ReportFilterFault(kTextFilterTwoInputs, arg);
      args.inputPath = arg;
    }
  }
  return true;
}

int ParseSwitchesQuietly(AppRecord& app) {
  MessageBoxHook shown = CurrentMessageBoxHook();
  SetMessageBoxHook(CountQuietBox);
  g_quietBoxes = 0;
  ParseSwitches(app);
  SetMessageBoxHook(shown);
  return g_quietBoxes;
}

// The argument is the user's text, already in the terminal's codeset: only
// the message around it is converted, and only when there is one to show
// (the conversion loads the system's converters, a cost every run would pay).
bool ReportSwitchFaults(const ArgList& args) {
  std::string format;
  bool faulty = false;
  for (int i = 1; i < args.count; ++i) {
    if (args.table[i][0] == '\0') continue;
    for (int n = CountSwitchFaults(args.table[i]); n > 0; --n) {
      if (!faulty) format = ToLocaleCodeset(kTextBadArgument);
      char text[kFormatLimit];
      FormatText(text, format.c_str(), i, args.table[i]);
      PrintFaultLine(text);
      faulty = true;
    }
  }
  return faulty;
}
