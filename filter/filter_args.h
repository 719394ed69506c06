#pragma once
#include <string>

struct AppRecord;
struct ArgList;

// The encoding of the text to sort: code page 932, sorted as it comes, or
// UTF-8, sorted as its code page 932 form and written back as UTF-8.
enum class TextEncoding { kCodePage932, kUtf8 };

// The filter's command line, taken apart. The filter's own arguments (the
// input file, --output FILE, --duplicates FILE, --encoding NAME, --help,
// --version) are picked out of argv; every
// switch (an argument that begins with a slash) goes, quoted, into a command
// line for the tool's splitter, and the picked-out arguments leave empty
// arguments in their places there, so that a bad switch is reported with
// the position it has on the real command line.
struct FilterArgs {
  const char* inputPath;       // null or "-": standard input
  const char* outputPath;      // null: standard output
  const char* duplicatesPath;  // null: none named
  TextEncoding encoding;
  bool help;
  bool version;
  std::string switchLine;      // for SplitCommandLine; argument 0 is the program
};

// False after a fault in the filter's own arguments, which it has reported
// as one line on standard error.
bool SeparateFilterArgs(int argc, char** argv, FilterArgs& args);

// text as one argument of the tool's splitter: quoted, with backslashes and
// double quotes escaped, two-byte characters copied whole.
std::string QuoteSwitch(const char* text);

// The tool's parser on the record's arguments with its messages counted,
// not shown; returns how many it raised.
int ParseSwitchesQuietly(AppRecord& app);

// Reports each fault of the switches as the tool would, one line for each
// message: its words in the user's codeset, the argument as it came. True
// when there was one.
bool ReportSwitchFaults(const ArgList& args);
