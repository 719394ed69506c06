#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdint>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <set>
#include <utility>
#include <vector>

#include "filter/buffer_sizes.h"
#include "platform/code_page.h"
#include "platform/format.h"
#include "res/texts.h"
#include "tests/filter/run_program.h"
#include "tests/sort/sort_support.h"

// ordwell-sort run as a process: each row gives the arguments, the input on
// standard input (and in the file in.txt beside it), and what must come out.
// In arguments and expected texts, {dir} stands for the run's folder.
namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineSeconds = 60;

// One line of standard error as the filter writes it.
std::string Fault(const char* format, const char* value = nullptr) {
  char text[kFormatLimit];
  FormatText(text, format, value);
  return std::string("ordwell-sort: ") + text + "\n";
}

// The line of a fault in one line of the input.
std::string LineFault(const char* format, const char* name, size_t line) {
  char text[kFormatLimit];
  FormatText(text, format, name, std::to_string(line).c_str());
  return std::string("ordwell-sort: ") + text + "\n";
}

std::string BadArgument(int index, const char* arg) {
  char text[kFormatLimit];
  FormatText(text, kTextBadArgument, index, arg);
  return std::string("ordwell-sort: ") + text + "\n";
}

const char* const kNoFile = "(no file)";

struct FilterCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string out;
  int exitCode;
  std::string err;
  std::string duplicates = kNoFile;        // the file d.txt after the run
  std::string duplicatesBefore = kNoFile;  // and before it
  bool outputRefused = false;              // every write to standard output fails
  const char* locale = "C";                // LC_ALL (POSIX): messages as they are
  bool inputFolder = false;                // standard input is the run's folder (POSIX)
  std::string sortedFile = kNoFile;        // the file o.txt after the run
  std::string sortedFileBefore = kNoFile;  // and before it
  const char* inputAfter = nullptr;        // in.txt after the run; null: as it was
};

// The row with the --output file o.txt as it stands before and after.
FilterCase WithSortedFile(FilterCase c, std::string before, std::string after) {
  c.sortedFileBefore = std::move(before);
  c.sortedFile = std::move(after);
  return c;
}

// The row that sorts in.txt in place: what it holds afterwards.
FilterCase SortedInPlace(FilterCase c, const char* after) {
  c.inputAfter = after;
  return c;
}

const std::string kMixed = "b\r\nA\r\na\r\nB\r\n";
const char* const kMixedSorted = "A\r\na\r\nb\r\nB\r\n";

// A directory is no input: POSIX opens it and the read refuses it, Windows
// refuses to open it.
#ifdef _WIN32
const std::string kDirectoryFault = Fault(kTextFilterOpenFailed, ".");
#else
const std::string kDirectoryFault = Fault(kTextFilterReadFailed, ".");
#endif
const std::string kOutputFault = Fault(kTextFilterWriteFailed, kTextFilterStandardOutput);

// UTF-8 lines whose order as code page 932 (b 62, Ａ 82 60, あ 82 A0) is not
// that of their UTF-8 bytes (b 62, あ E3 81 82, Ａ EF BC A1).
const std::string kMark = "\xEF\xBB\xBF";
const std::string kUtf8Lines = u8"あ\r\nＡ\r\nb\r\n";
const std::string kUtf8LinesSorted = u8"b\r\nＡ\r\nあ\r\n";
const std::string kUtf8LinesAsBytes = u8"b\r\nあ\r\nＡ\r\n";
const std::string kLooksUtf8 = Fault(kTextFilterLooksUtf8, kTextFilterStandardInput);

// Rows that differ in one thing stand together.
const FilterCase kCases[] = {
#ifdef _WIN32
    // One new file by two spellings: refused, its folder known by its
    // identity, not by the path's text.
    {"OneNewFileByTwoSpellingsRefused", {"/A/E", "--output=o.txt", "--duplicates=\\\\?\\{dir}\\o.txt"}, kMixed, "", 2,
     Fault(kTextFilterOutputIsDuplicates, "\\\\?\\{dir}\\o.txt")},
#endif
    {"NoSwitchesSortAscendingInLocaleOrder", {}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"OnlyEmptyArgumentsCountAsNoSwitches", {"", ""}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"AscendingLocale", {"/A"}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"DescendingLocale", {"/a"}, kMixed, "B\r\nb\r\na\r\nA\r\n", 0, ""},
    {"AscendingBytes", {"/A/T"}, kMixed, "A\r\nB\r\na\r\nb\r\n", 0, ""},
    {"AscendingBytesApart", {"/A", "/T"}, kMixed, "A\r\nB\r\na\r\nb\r\n", 0, ""},
    {"RemoveDuplicates", {"/AR"}, kMixed, "A\r\nb\r\n", 0, ""},
    {"OpenLastLineStaysOpen", {"/A"}, "b\r\na", "a\r\nb", 0, ""},
    {"LoneLineFeedAndCrAreBytes", {"/A/T"}, "b\nx\r\na\ry\r\n", "a\ry\r\nb\nx\r\n", 0, ""},
    {"ControlZPassesThrough", {"/A/T"}, "b\x1a\r\na\r\n", "a\r\nb\x1a\r\n", 0, ""},
    {"NumbersByValue", {"/A/T/N"}, "file10\r\nfile9\r\n", "file9\r\nfile10\r\n", 0, ""},
    {"FullWidthNumbersByValue", {"/A/T/N/Z"}, "１０\r\n９\r\n", "９\r\n１０\r\n", 0, ""},
    {"FullWidthDigitsAsTextWithoutZ", {"/A/T/N"}, "１０\r\n９\r\n", "１０\r\n９\r\n", 0, ""},
    {"ColumnWindow", {"/A/T/C/F:2/W:2"}, "xb9\r\nya1\r\n", "ya1\r\nxb9\r\n", 0, ""},
    {"ColumnWindowQuotedApart", {"/A", "/T", "/C", "/F:3"}, "xb9\r\nya1\r\n", "ya1\r\nxb9\r\n", 0, ""},
    {"ExtractDuplicates", {"/A/E", "--duplicates=d.txt"}, "b\r\na\r\nb", "a\r\nb\r\nb", 0, "", "b\r\n"},
    {"ExtractAndRemove", {"/A/E/R", "--duplicates", "d.txt"}, "b\r\na\r\nb", "a\r\nb\r\n", 0, "", "b\r\n"},
    {"ExtractNothing", {"/A/E", "--duplicates=d.txt"}, "b\r\na", "a\r\nb", 0, "", ""},
    // An existing duplicates file is replaced only by a run that wrote everything.
    {"ExtractReplacesDuplicatesFile", {"/A/E", "--duplicates=d.txt"}, "b\r\na\r\nb", "a\r\nb\r\nb", 0, "", "b\r\n",
     "old\r\n"},
    {"OutputFailsKeepsDuplicatesFile", {"/A/E", "--duplicates=d.txt"}, "b\r\na\r\nb", "", 2, kOutputFault, "old\r\n",
     "old\r\n", true},
    {"OutputFailsMakesNoDuplicatesFile", {"/A/E", "--duplicates=d.txt"}, "b\r\na\r\nb", "", 2, kOutputFault, kNoFile,
     kNoFile, true},
    {"NulByteKeepsDuplicatesFile", {"/A/E", "--duplicates=d.txt"}, std::string("b\r\n\0\r\n", 6), "", 2,
     Fault(kTextFilterNulByte), "old\r\n", "old\r\n"},
    // Fewer than two lines: written back unchanged.
    {"EmptyInput", {"/A"}, "", "", 0, ""},
    {"OneLineOpen", {"/A"}, "abc", "abc", 0, ""},
    {"OneLineClosed", {"/A"}, "abc\r\n", "abc\r\n", 0, ""},
    {"OneLineWithDuplicatesFile", {"/A/E", "--duplicates=d.txt"}, "abc\r\n", "abc\r\n", 0, "", ""},
    // The input file, by name, by "-", after "--".
    {"InputFileByName", {"/A", "in.txt"}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"InputFileAfterDashes", {"/A", "--", "in.txt"}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"DashIsStandardInput", {"/A", "-"}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    // A fault before writing leaves an --output file as it was.
    WithSortedFile({"MissingInputFile", {"/A", "--output=o.txt", "none.txt"}, kMixed, "", 2,
                    Fault(kTextFilterOpenFailed, "none.txt")},
                   "old\r\n", "old\r\n"),
    {"DirectoryAsInput", {"/A", "--", "."}, kMixed, "", 2, kDirectoryFault},
    {"TwoInputFiles", {"in.txt", "in.txt"}, kMixed, "", 2, Fault(kTextFilterTwoInputs, "in.txt")},
    // Faulty switches: one line each, nothing written.
    WithSortedFile({"UnknownSwitch", {"/X", "--output=o.txt"}, kMixed, "", 2, BadArgument(1, "/X")}, "old\r\n",
                   "old\r\n"),
    {"UnknownLetterAmongKnownOnes", {"/AX"}, kMixed, "", 2, BadArgument(1, "/AX")},
    {"TwoUnknownLetters", {"/XY"}, kMixed, "", 2, BadArgument(1, "/XY") + BadArgument(1, "/XY")},
    {"PositionCountsTheFileName", {"in.txt", "/X"}, kMixed, "", 2, BadArgument(2, "/X")},
    {"PositionCountsTheOutputName", {"--output", "o.txt", "/X"}, kMixed, "", 2, BadArgument(3, "/X")},
    {"RunTogetherSwitchesCountApart", {"/A/Q"}, kMixed, "", 2, BadArgument(2, "/Q")},
    {"ColumnFromZero", {"/F:0"}, kMixed, "", 2, BadArgument(1, "/F:0")},
    {"ColumnFromTrailingSpace", {"/F:5 "}, kMixed, "", 2, BadArgument(1, "/F:5 ")},
    {"Dialog", {"/D"}, kMixed, "", 2, Fault(kTextFilterNoDialog)},
    {"DialogTurnedOff", {"/D", "/d"}, kMixed, "B\r\nb\r\na\r\nA\r\n", 0, ""},
    // The filter's own options.
    {"ExtractWithoutFile", {"/A/E"}, kMixed, "", 2, Fault(kTextFilterExtractNeedsFile)},
    {"FileWithoutExtract", {"/A", "--duplicates=d.txt"}, kMixed, "", 2, Fault(kTextFilterFileNeedsExtract)},
    {"DuplicatesWithoutName", {"/A/E", "--duplicates"}, kMixed, "", 2, Fault(kTextFilterNeedsFileName, "--duplicates")},
    {"DuplicatesEmptyName", {"/A/E", "--duplicates="}, kMixed, "", 2, Fault(kTextFilterNeedsFileName, "--duplicates")},
    {"DuplicatesFileCannotBeMade", {"/A/E", "--duplicates=no/d.txt"}, kMixed, "", 2,
     Fault(kTextFilterCreateFailed, "no/d.txt")},
    {"DuplicatesFileIsTheInput", {"/A/E", "--duplicates=in.txt", "in.txt"}, kMixed, "", 2,
     Fault(kTextFilterDuplicatesIsInput, "in.txt")},
    {"DuplicatesFileIsStandardInput", {"/A/E", "--duplicates=.stdin"}, kMixed, "", 2,
     Fault(kTextFilterDuplicatesIsInput, ".stdin")},
    {"UnknownOption", {"--frob"}, kMixed, "", 2, Fault(kTextFilterUnknownOption, "--frob")},
    {"UnknownOptionLikeOutput", {"--outputs", "o.txt"}, kMixed, "", 2, Fault(kTextFilterUnknownOption, "--outputs")},
    // --output: the sorted text goes to a file, the input itself too, put in
    // place only when it was written whole.
    WithSortedFile({"OutputFileTakesTheSortedText", {"/A", "--output=o.txt"}, kMixed, "", 0, ""}, kNoFile, kMixedSorted),
    WithSortedFile({"OutputFileReplaced", {"/A", "--output", "o.txt"}, kMixed, "", 0, ""}, "old\r\n", kMixedSorted),
    WithSortedFile({"OutputAndDuplicatesFiles", {"/A/E/R", "--output=o.txt", "--duplicates=d.txt"}, "b\r\na\r\nb", "",
                    0, "", "b\r\n"},
                   kNoFile, "a\r\nb\r\n"),
    SortedInPlace({"SortInPlace", {"/A", "--output=in.txt", "in.txt"}, kMixed, "", 0, ""}, kMixedSorted),
    WithSortedFile({"NulByteKeepsOutputFile", {"/A", "--output=o.txt"}, std::string("b\r\n\0\r\n", 6), "", 2,
                    Fault(kTextFilterNulByte)},
                   "old\r\n", "old\r\n"),
    {"OutputFileIsTheDuplicatesFile", {"/A/E", "--output=d.txt", "--duplicates=d.txt"}, kMixed, "", 2,
     Fault(kTextFilterOutputIsDuplicates, "d.txt"), "old\r\n", "old\r\n"},
    {"NewOutputFileIsTheDuplicatesFile", {"/A/E", "--output=d.txt", "--duplicates=./d.txt"}, kMixed, "", 2,
     Fault(kTextFilterOutputIsDuplicates, "./d.txt")},
    {"OutputWithoutName", {"/A", "--output"}, kMixed, "", 2, Fault(kTextFilterNeedsFileName, "--output")},
    {"OutputFileCannotBeMade", {"/A", "--output=no/o.txt"}, kMixed, "", 2, Fault(kTextFilterCreateFailed, "no/o.txt")},
    {"NulByteRefused", {"/A"}, std::string("b\r\na\0c\r\n", 8), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteFirst", {"/A"}, std::string("\0b\r\na\r\n", 7), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteLast", {"/A"}, std::string("b\r\na\0", 5), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteLastInFileRead", {"/A/N", "in.txt"}, std::string("b\r\na\0", 5), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteFirstInFileRead", {"/A/N", "in.txt"}, std::string("\0b\r\na", 5), "", 2, Fault(kTextFilterNulByte)},
    // UTF-8: sorted as code page 932 and written back with --encoding=utf-8,
    // as bytes with one warning line without it (or with cp932).
    {"Utf8SortedAsCodePage", {"/A/T", "--encoding=utf-8"}, kUtf8Lines, kUtf8LinesSorted, 0, ""},
    {"Utf8WithoutEncodingSortedAsBytes", {"/A/T"}, kUtf8Lines, kUtf8LinesAsBytes, 0, kLooksUtf8},
    {"Utf8AsCodePage932SortedAsBytes", {"/A/T", "--encoding=cp932"}, kUtf8Lines, kUtf8LinesAsBytes, 0, kLooksUtf8},
    {"Utf8OneLineWithoutEncodingNoWarning", {"/A/T"}, u8"あ\r\n", u8"あ\r\n", 0, ""},
    {"Utf8MarkKeptFirst", {"/A/T", "--encoding", "UTF-8"}, kMark + kUtf8Lines, kMark + kUtf8LinesSorted, 0, ""},
    {"Utf8MarkOneLineAsItCame", {"/A", "--encoding=utf-8"}, kMark + u8"あ", kMark + u8"あ", 0, ""},
    {"Utf8AsciiAsWithoutEncoding", {"/A", "--encoding=utf-8"}, kMixed, "A\r\na\r\nb\r\nB\r\n", 0, ""},
    {"Utf8DuplicatesConvertedBack", {"/A/T/E", "--encoding=utf-8", "--duplicates=d.txt"}, kMark + u8"い\r\nあ\r\nい",
     kMark + u8"あ\r\nい\r\nい", 0, "", kMark + u8"い\r\n"},
    {"Utf8NoDuplicatesFileStaysEmpty", {"/A/E", "--encoding=utf-8", "--duplicates=d.txt"}, kMark + u8"い\r\nあ",
     kMark + u8"あ\r\nい", 0, "", ""},
    // Refused, nothing written: a byte order mark without --encoding=utf-8,
    // a character that code page 932 lacks (or holds only as a look-alike),
    // bytes that are not UTF-8. Lines are counted at CR LF.
    WithSortedFile({"Utf8MarkWithoutEncodingRefused", {"/A/T", "--output=o.txt", "in.txt"}, kMark + "b\r\na\r\n", "", 2,
                    Fault(kTextFilterMarkNeedsEncoding, "in.txt")},
                   "old\r\n", "old\r\n"),
    WithSortedFile({"Utf8CharacterCodePageLacksRefused", {"/A", "--encoding=utf-8", "--output=o.txt"},
                    u8"b\r\nx\ny\r\ncafé\r\na\r\n", "", 2,
                    LineFault(kTextFilterNotInCodePage, kTextFilterStandardInput, 3)},
                   "old\r\n", "old\r\n"),
    {"Utf8EmojiRefused", {"/A/E", "--encoding=utf-8", "--duplicates=d.txt", "in.txt"}, kMark + u8"b\r\n😀\r\n", "", 2,
     LineFault(kTextFilterNotInCodePage, "in.txt", 2), "old\r\n", "old\r\n"},
    {"Utf8LookAlikeRefused", {"/A", "--encoding=utf-8"}, u8"〜\r\na\r\n", "", 2,
     LineFault(kTextFilterNotInCodePage, kTextFilterStandardInput, 1)},
    {"NotUtf8Refused", {"/A", "--encoding=utf-8"}, "b\r\na\xff\r\n", "", 2,
     LineFault(kTextFilterNotUtf8, kTextFilterStandardInput, 2)},
    {"EncodedSurrogateNotUtf8", {"/A", "--encoding=utf-8"}, "\xed\xa0\x80\r\na\r\n", "", 2,
     LineFault(kTextFilterNotUtf8, kTextFilterStandardInput, 1)},
    {"UnknownEncoding", {"/A", "--encoding=latin1"}, kMixed, "", 2, Fault(kTextFilterUnknownEncoding, "latin1")},
    {"EncodingWithoutName", {"/A", "--encoding"}, kMixed, "", 2, Fault(kTextFilterUnknownEncoding, "")},
    {"PositionCountsTheEncodingName", {"--encoding", "utf-8", "/X"}, kMixed, "", 2, BadArgument(3, "/X")},
    {"Help", {"--help"}, kMixed, kTextFilterUsage, 0, ""},
    {"HelpWithSlash", {"/?"}, kMixed, kTextFilterUsage, 0, ""},
    {"Version", {"--version"}, kMixed, std::string("ordwell-sort (Ordwell) ") + ORDWELL_VERSION + "\n", 0, ""},
};

#ifndef _WIN32
// In a UTF-8 locale the messages come in UTF-8 (u8 literals); what the user
// typed and the sorted text pass as they came (plain literals are code page
// 932).
FilterCase InUtf8Locale(FilterCase c) {
  c.locale = "ja_JP.UTF-8";
  return c;
}

const FilterCase kUtf8Cases[] = {
    InUtf8Locale({"UnknownSwitch", {"/Q"}, kMixed, "", 2, u8"ordwell-sort: 1 番目の引数が認識できません： '/Q'\n"}),
    // ア is three bytes in UTF-8, each an unknown letter to the parser.
    InUtf8Locale({"ArgumentAsTyped", {u8"/ア"}, kMixed, "", 2,
                  u8"ordwell-sort: 1 番目の引数が認識できません： '/ア'\n"
                  u8"ordwell-sort: 1 番目の引数が認識できません： '/ア'\n"
                  u8"ordwell-sort: 1 番目の引数が認識できません： '/ア'\n"}),
    InUtf8Locale({"FileNameAsTyped", {"/A", u8"ア.txt"}, kMixed, "", 2,
                  u8"ordwell-sort: ファイルを開けません： 'ア.txt'\n"}),
    InUtf8Locale({"StandardOutputNamed", {"/A"}, kMixed, "", 2, u8"ordwell-sort: 書き込みに失敗しました： '標準出力'\n",
                  kNoFile, kNoFile, true}),
    InUtf8Locale({"SlashPathNamesFile", {"/A", "/T", "{dir}/in.txt"}, kMixed, "", 2,
                  u8"ordwell-sort: '{dir}/in.txt' はスイッチとして認識できません。このファイルを並べ替えるには、"
                  u8"-- の後に書いてください (ordwell-sort [スイッチ] -- ファイル名)。\n"}),
    InUtf8Locale({"SlashPathAfterDashes", {"/A", "/T", "--", "{dir}/in.txt"}, kMixed, "A\r\nB\r\na\r\nb\r\n", 0, ""}),
    InUtf8Locale({"SortedTextAsItCame", {"/A/T"}, "い\r\nあ\r\n", "あ\r\nい\r\n", 0, ""}),
    InUtf8Locale({"LineFaultInCodeset", {"/A", "--encoding=utf-8"}, u8"a\r\ncafé\r\n", "", 2,
                  u8"ordwell-sort: '標準入力' の 2 行目に、シフト JIS (コード ページ 932) にない文字があります。\n"}),
    // Standard input that is a folder: named in the user's codeset too.
    {"StandardInputIsFolder", {"/A"}, kMixed, "", 2, Fault(kTextFilterReadFailed, kTextFilterStandardInput), kNoFile,
     kNoFile, false, "C", true},
    {"StandardInputIsFolderNamedInCodeset", {"/A/N"}, kMixed, "", 2, u8"ordwell-sort: 読み込みに失敗しました： '標準入力'\n", kNoFile,
     kNoFile, false, "ja_JP.UTF-8", true},
};
#endif

// Names the row in test output instead of dumping its bytes.
void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
  if (!fs::exists(path)) return kNoFile;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Removes a folder and what it holds, in a bounded number of rounds and
// never throwing. Under Wine a finished child's handles may close a moment
// after it ends, so a file deleted before may still be listed and then
// vanish; the library's remove_all (MinGW) retries such a file for ever.
void RemoveFolder(const fs::path& dir) {
  std::error_code listed, ignored;
  for (int round = 0; round < 100 && fs::exists(dir, ignored); ++round) {
    for (fs::directory_iterator it(dir, listed), end; !listed && it != end; it.increment(listed)) {
      if (it->is_directory(ignored) && !it->is_symlink(ignored)) RemoveFolder(it->path());
      fs::remove(it->path(), ignored);
    }
    if (!fs::remove(dir, ignored)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A fresh, empty folder for one run.
fs::path FreshFolder(const std::string& name) {
  // The process's number keeps runs of the tests at once (a mutation check
  // beside a test run) out of each other's folders.
#ifdef _WIN32
  const unsigned long process = GetCurrentProcessId();
#else
  const unsigned long process = static_cast<unsigned long>(getpid());
#endif
  fs::path dir = fs::temp_directory_path() / ("ordwell-sort-test-" + std::to_string(process) + "-" + name);
  RemoveFolder(dir);
  fs::create_directories(dir);
  return dir;
}

class FilterTable : public ::testing::TestWithParam<FilterCase> {};

std::string PutFolder(std::string text, const fs::path& dir) {
  for (size_t at; (at = text.find("{dir}")) != std::string::npos;) text.replace(at, 5, dir.string());
  return text;
}

TEST_P(FilterTable, RunsAsTheRowSays) {
  const FilterCase& c = GetParam();
  fs::path dir = FreshFolder(c.name + std::string("-") + c.locale);
  WriteFile(dir / "in.txt", c.input);
  WriteFile(dir / ".stdin", c.input);
  if (c.duplicatesBefore != kNoFile) WriteFile(dir / "d.txt", c.duplicatesBefore);
  if (c.sortedFileBefore != kNoFile) WriteFile(dir / "o.txt", c.sortedFileBefore);
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(PutFolder(a, dir));
  std::string input = c.inputFolder ? dir.string() : (dir / ".stdin").string();
  RunOptions options;
  options.outputRefused = c.outputRefused;
  options.locale = c.locale;
  ProgramRun run = RunProgram(FilterProgramPath(), args, dir.string(), input, kDeadlineSeconds, options);
  ASSERT_TRUE(run.finished) << FilterProgramPath();
  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, PutFolder(c.err, dir));
  EXPECT_EQ(ReadFile(dir / "d.txt"), c.duplicates);
  EXPECT_EQ(ReadFile(dir / "o.txt"), c.sortedFile);
  EXPECT_EQ(ReadFile(dir / "in.txt"), c.inputAfter ? c.inputAfter : c.input);  // touched only when sorted in place
  // Nothing else is left in the folder; the run's streams (.stdin and the
  // like) are the harness's.
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "in.txt" || name == "d.txt" || name == "o.txt" || name[0] == '.') << name << " left behind";
  }
  RemoveFolder(dir);
}

std::string RowName(const ::testing::TestParamInfo<FilterCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Rows, FilterTable, ::testing::ValuesIn(kCases), RowName);
#ifndef _WIN32
INSTANTIATE_TEST_SUITE_P(Utf8Locale, FilterTable, ::testing::ValuesIn(kUtf8Cases), RowName);

TEST(SortFilter, HelpInUtf8Locale) {
  fs::path dir = FreshFolder("help-utf8");
  WriteFile(dir / ".stdin", "");
  RunOptions options;
  options.locale = "ja_JP.UTF-8";
  ProgramRun run = RunProgram(FilterProgramPath(), {"--help"}, dir.string(), (dir / ".stdin").string(),
                              kDeadlineSeconds, options);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.out.rfind(u8"使い方: ordwell-sort [スイッチ] [入力ファイル] [--output=ファイル]\n", 0), 0u) << run.out;
  EXPECT_EQ(run.exitCode, 0);
  RemoveFolder(dir);
}

// A folder named where a switch may stand is no file to sort: it is taken
// for switches just as a name that names nothing.
TEST(SortFilter, FolderNamedLikeSwitchesIsNoFile) {
  fs::path dir = FreshFolder("folder-switches");
  WriteFile(dir / ".stdin", kMixed);
  std::string path = (dir / "q").string(), input = (dir / ".stdin").string();
  ProgramRun nothing = RunProgram(FilterProgramPath(), {"/A", path}, dir.string(), input, kDeadlineSeconds);
  fs::create_directory(dir / "q");
  ProgramRun folder = RunProgram(FilterProgramPath(), {"/A", path}, dir.string(), input, kDeadlineSeconds);
  ASSERT_TRUE(nothing.finished && folder.finished);
  EXPECT_EQ(folder.exitCode, 2);
  EXPECT_NE(folder.err, "");
  EXPECT_EQ(folder.err, nothing.err);
  RemoveFolder(dir);
}
#endif

// A text of many lines through the process and back: the same bytes as the
// sort of its lines (byte order), whatever the stream buffering does.
TEST(SortFilter, LargeTextKeepsEveryByte) {
  std::vector<std::string> lines;
  std::string text;
  for (int i = 0; i < 20000; ++i) {
    std::string line = std::to_string((i * 7919) % 20000) + "行\x1a\n";
    lines.push_back(line);
    text += line + "\r\n";
  }
  std::sort(lines.begin(), lines.end());
  std::string expected;
  for (const std::string& l : lines) expected += l + "\r\n";
  fs::path dir = FreshFolder("large");
  WriteFile(dir / ".stdin", text);
  ProgramRun run = RunProgram(FilterProgramPath(), {"/A/T"}, dir.string(), (dir / ".stdin").string(), kDeadlineSeconds);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.out == expected);
  EXPECT_EQ(run.err, "");
  RemoveFolder(dir);
}

// A UTF-8 text larger than two conversions take, in lines of one length
// whose characters (two bytes each in code page 932) put a lead byte last
// in the output buffer: sorted as the code page 932 forms (the compiler's
// own conversion of the same characters) sort, the byte order mark first,
// every character whole. A character that code page 932 lacks on the last
// line is refused by that line's number, and so is one on the line after a
// CR LF that the first conversion's end would cut in two.
TEST(SortFilter, LargeUtf8TextSortsAsItsCodePageForms) {
  const char* const utf8[] = {u8"あ", u8"Ａ", u8"漢", u8"ア"};
  const char* const codePage[] = {"あ", "Ａ", "漢", "ア"};
  const size_t kDigits = 5;
  size_t count = 10;  // characters in a line
  auto leadLast = [&](size_t length) {
    size_t at = (kOutputBuffer - 1) % length;
    return at >= kDigits && at < kDigits + 2 * count && (at - kDigits) % 2 == 0;
  };
  while (!leadLast(kDigits + 2 * count + 2)) ++count;
  const int kLines = 20000;
  std::vector<std::pair<std::string, std::string>> lines;  // code page 932, UTF-8
  std::string text = kMark;
  for (int i = 0; i < kLines; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%05d", (i * 7919) % kLines);
    std::string cp = number, u8 = number;
    for (size_t k = 0; k < count; ++k) {
      size_t pick = (static_cast<size_t>(i) / 3 + k * k) % 4;
      cp += codePage[pick];
      u8 += utf8[pick];
    }
    lines.emplace_back(cp, u8);
    text += u8 + "\r\n";
  }
  ASSERT_GT(text.size(), 2 * kCodePagePiece);
  std::sort(lines.begin(), lines.end());
  std::string expected = kMark;
  for (const auto& line : lines) expected += line.second + "\r\n";
  fs::path dir = FreshFolder("large-utf8");
  WriteFile(dir / ".stdin", text);
  std::string input = (dir / ".stdin").string();
  ProgramRun run = RunProgram(FilterProgramPath(), {"/A/T", "--encoding=utf-8"}, dir.string(), input, kDeadlineSeconds);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.out == expected);
  EXPECT_EQ(run.err, "");
  WriteFile(dir / ".stdin", text + u8"café");
  run = RunProgram(FilterProgramPath(), {"/A/T", "--encoding=utf-8"}, dir.string(), input, kDeadlineSeconds);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, LineFault(kTextFilterNotInCodePage, kTextFilterStandardInput, kLines + 1));
  WriteFile(dir / ".stdin", std::string(kCodePagePiece - 1, 'a') + "\r\n" + u8"café\r\n");
  run = RunProgram(FilterProgramPath(), {"/A/T", "--encoding=utf-8"}, dir.string(), input, kDeadlineSeconds);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.err, LineFault(kTextFilterNotInCodePage, kTextFilterStandardInput, 2));
  RemoveFolder(dir);
}

// A text of exactly size bytes in lines of many lengths, ending with CR LF.
std::string TextOfSize(size_t size) {
  std::string text;
  for (int i = 0; text.size() + 40 < size; ++i)
    text += std::to_string((i * 7919) % 100003) + std::string(i % 23, 'x') + "\r\n";
  return text + std::string(size - text.size() - 2, 'y') + "\r\n";
}

// The lines of text in byte order, each ending with CR LF.
std::string SortedBytes(const std::string& text) {
  std::vector<std::string> lines = SplitAtLineEnds(text);
  std::sort(lines.begin(), lines.end());
  std::string sorted;
  for (const std::string& l : lines) sorted += l + "\r\n";
  return sorted;
}

// The result files are kept for what they are: each row prepares the
// folder, runs the filter on its input (in in.txt, and on standard input
// from .stdin unless the row says otherwise) and checks the folder
// afterwards. No file is left beside a result but those there before.
const std::string kDuplicated = "b\r\na\r\nb\r\n";
const std::string kDuplicatedSorted = "a\r\nb\r\nb\r\n";
// In a row, the input larger than two read blocks, with the one duplicate
// line "b"; and what is expected on standard output: that input sorted in
// byte order, whole or up to outLimit bytes. Made when a row asks for them,
// not in every test process.
const std::string kLarge = "(large)";
const std::string kLargeSorted = "(large, sorted)";

const std::string& LargeText() {
  static const std::string text = TextOfSize(2 * kReadBlock + 4096) + kDuplicated;
  return text;
}

const std::string& LargeTextSorted() {
  static const std::string sorted = SortedBytes(LargeText());
  return sorted;
}
const std::vector<std::string> kDuplicates = {"/A/E", "--duplicates=d.txt"};

// What a row prepares: "" when the folder is ready, else why the row cannot
// run on this system.
using Prepare = std::string (*)(const fs::path& dir);

struct FileCase {
  const char* name;
  Prepare prepare;
  std::vector<std::string> args;
  std::string out;
  int exitCode;
  std::string err;
  void (*check)(const fs::path& dir);
  RunOptions options = RunOptions();
  std::string input = kDuplicated;
  const char* standardInput = ".stdin";            // the file of the folder on standard input
  size_t outLimit = std::string::npos;             // standard output holds this much of out
  void (*whileStopped)(const fs::path&) = nullptr;  // what another program does when the run stops
  std::string (*errIn)(const fs::path&) = nullptr;  // standard error, where it names a path in the folder
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

FileCase WithInput(FileCase c, std::string input, const char* standardInput = ".stdin",
                   size_t outLimit = std::string::npos) {
  c.input = std::move(input);
  c.standardInput = standardInput;
  c.outLimit = outLimit;
  return c;
}

FileCase WithOptions(FileCase c, RunOptions options) {
  c.options = std::move(options);
  return c;
}

RunOptions OutputTo(const char* file) {
  RunOptions options;
  options.outputFile = file;
  return options;
}

RunOptions ClosedStream(int stream) {
  RunOptions options;
  options.closedStream = stream;
  return options;
}

RunOptions Piped() {
  RunOptions options;
  options.inputPiped = true;
  return options;
}

RunOptions InputOffset(long bytes) {
  RunOptions options;
  options.inputOffset = bytes;
  return options;
}

std::string Old(const fs::path& dir) {
  WriteFile(dir / "d.txt", "old\r\n");
  return "";
}

std::string OldLinked(const fs::path& dir) {
  Old(dir);
  fs::create_hard_link(dir / "d.txt", dir / "h.txt");
  return "";
}

// A symbolic link at dir/name to target, where the system makes them.
std::string Link(const fs::path& dir, const char* name, const fs::path& target) {
  std::error_code made;
  fs::create_symlink(target, dir / name, made);
  return !made && fs::is_symlink(dir / name) ? "" : "this system makes no symbolic links here";
}

// For a process started without one of its standard handles: Windows gives
// it none, Wine one of its own (a character device that takes every write).
// d.txt is a symbolic link to t.txt, which has a hard link h.txt: the file
// is written in place, and opened after the folder of the link was closed,
// so that a free standard descriptor would be its.
std::string OldLinkedStreamClosed(const fs::path& dir) {
#ifdef _WIN32
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
    return "Wine gives a process started without a standard handle one of its own";
#endif
  WriteFile(dir / "t.txt", "old\r\n");
  fs::create_hard_link(dir / "t.txt", dir / "h.txt");
  return Link(dir, "d.txt", "t.txt");
}

void CheckLinkedOld(const fs::path& dir) {
  EXPECT_EQ(ReadFile(dir / "t.txt"), "old\r\n");
  EXPECT_EQ(ReadFile(dir / "h.txt"), "old\r\n");
}

std::string ReadOnlyOld(const fs::path& dir) {
  Old(dir);
  fs::permissions(dir / "d.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  return "";
}

void CheckDuplicatesIn(const fs::path& file) { EXPECT_EQ(ReadFile(file), "b\r\n") << file; }

#ifndef _WIN32
// Another program acts while the run stands still: after the run's first
// read of a block, or when it first names path.
FileCase WhileStopped(FileCase c, void (*act)(const fs::path&), const char* path = nullptr) {
  c.options.stopAtPath = path;
  c.options.stopAfterRead = !path;
  c.whileStopped = act;
  return c;
}

// ... or when it first writes a block of the sorted text, after the read.
FileCase WhileWriting(FileCase c, void (*act)(const fs::path&), std::string (*errIn)(const fs::path&)) {
  c.options.stopAfterWrite = true;
  c.whileStopped = act;
  c.errIn = errIn;
  return c;
}

mode_t ModeOf(const fs::path& path) {
  struct stat info = {};
  stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// The file beside, just made, which the run holds open while it stands
// still: nobody else may open it.
void ExpectOwnerOnlyBeside(const fs::path& dir) {
  int found = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().find(".ordwell-sort-") == std::string::npos) continue;
    ++found;
    EXPECT_EQ(ModeOf(entry.path()) & 077, 0u) << "others may open " << entry.path();
  }
  EXPECT_EQ(found, 1);
}

// An ACL as the system keeps it in system.posix_acl_access: version 2, then
// tag, permissions and id of each entry, little-endian, in tag order.
std::string AclBytes(const std::vector<std::tuple<uint16_t, uint16_t, uint32_t>>& entries) {
  std::string bytes("\x02\0\0\0", 4);
  for (const auto& [tag, perms, id] : entries) {
    const unsigned char entry[8] = {static_cast<unsigned char>(tag),  static_cast<unsigned char>(tag >> 8),
                                    static_cast<unsigned char>(perms), static_cast<unsigned char>(perms >> 8),
                                    static_cast<unsigned char>(id),   static_cast<unsigned char>(id >> 8),
                                    static_cast<unsigned char>(id >> 16), static_cast<unsigned char>(id >> 24)};
    bytes.append(reinterpret_cast<const char*>(entry), sizeof entry);
  }
  return bytes;
}

// user::rw- user:65534:rw- group::r-- mask::rw- other::---
const std::string kAcl = AclBytes({{0x01, 6, 0xFFFFFFFFu}, {0x02, 6, 65534}, {0x04, 4, 0xFFFFFFFFu},
                                   {0x10, 6, 0xFFFFFFFFu}, {0x20, 0, 0xFFFFFFFFu}});
const std::string kNote = "kept";

std::string Attribute(const fs::path& path, const char* name) {
  char value[256];
  ssize_t n = getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? "(none)" : std::string(value, static_cast<size_t>(n));
}

std::string OldWithAcl(const fs::path& dir) {
  Old(dir);
  std::string path = (dir / "d.txt").string();
  if (setxattr(path.c_str(), "system.posix_acl_access", kAcl.data(), kAcl.size(), 0) != 0 ||
      setxattr(path.c_str(), "user.note", kNote.data(), kNote.size(), 0) != 0)
    return "this file system keeps no ACL or user attribute";
  return "";
}

// The folder gives every new file an ACL that lets user 65534 in; the file
// it replaces has none, and mode 0640.
std::string OldInFolderWithDefaultAcl(const fs::path& dir) {
  Old(dir);
  chmod((dir / "d.txt").c_str(), 0640);
  if (setxattr(dir.c_str(), "system.posix_acl_default", kAcl.data(), kAcl.size(), 0) != 0)
    return "this file system keeps no default ACL";
  return "";
}

void CheckNoAclGiven(const fs::path& dir) {
  CheckDuplicatesIn(dir / "d.txt");
  EXPECT_EQ(Attribute(dir / "d.txt", "system.posix_acl_access"), "(none)") << "the folder's ACL came with the file";
  EXPECT_EQ(ModeOf(dir / "d.txt"), 0640u);
}

void CheckAclKept(const fs::path& dir) {
  CheckDuplicatesIn(dir / "d.txt");
  EXPECT_TRUE(Attribute(dir / "d.txt", "system.posix_acl_access") == kAcl) << "the ACL went";
  EXPECT_EQ(Attribute(dir / "d.txt", "user.note"), kNote);
  EXPECT_EQ(ModeOf(dir / "d.txt"), 0660u);  // the mask stands for the group
}

bool SetAppendOnly(const fs::path& path, bool on) {
  int descriptor = open(path.c_str(), O_RDONLY);
  int flags = 0;
  bool set = descriptor >= 0 && ioctl(descriptor, FS_IOC_GETFLAGS, &flags) == 0 &&
             (flags = on ? flags | FS_APPEND_FL : flags & ~FS_APPEND_FL, ioctl(descriptor, FS_IOC_SETFLAGS, &flags) == 0);
  if (descriptor >= 0) close(descriptor);
  return set;
}

std::string OldInAppendOnlyFolder(const fs::path& dir) {
  fs::create_directory(dir / "sub");
  WriteFile(dir / "sub" / "d.txt", "old\r\n");
  return SetAppendOnly(dir / "sub", true) ? "" : "this process may not make a folder append-only here";
}

std::string OldAppendOnly(const fs::path& dir) {
  Old(dir);
  return SetAppendOnly(dir / "d.txt", true) ? "" : "this process may not make a file append-only here";
}

// m.txt mounted over the file, in a mount namespace of this process's own.
std::string MountOver(const fs::path& dir, const char* file) {
  static bool own = unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  if (!own || mount((dir / "m.txt").c_str(), (dir / file).c_str(), nullptr, MS_BIND, nullptr) != 0)
    return "this process may not mount a file";
  return "";
}

std::string OldMountedOver(const fs::path& dir) {
  WriteFile(dir / "d.txt", "");
  WriteFile(dir / "m.txt", "old\r\n");
  return MountOver(dir, "d.txt");
}

void CheckMountedOver(const fs::path& dir) {
  umount2((dir / "d.txt").c_str(), 0);
  CheckDuplicatesIn(dir / "m.txt");
}

// The input mounted over in.txt, in.txt itself empty beneath it.
std::string InputMountedOver(const fs::path& dir) {
  WriteFile(dir / "m.txt", ReadFile(dir / "in.txt"));
  WriteFile(dir / "in.txt", "");
  return MountOver(dir, "in.txt");
}

void CheckInputMountedOverKept(const fs::path& dir) {
  umount2((dir / "in.txt").c_str(), 0);
  EXPECT_EQ(ReadFile(dir / "m.txt"), kDuplicated);
  WriteFile(dir / "in.txt", kDuplicated);  // what the table checks of every input
}

// Root's input that user 65534 may write, in a folder it may write.
std::string InputOfRoot(const fs::path& dir) {
  if (geteuid() != 0) return "the test must run as root to run the filter as another user";
  chmod(dir.c_str(), 0777);
  chmod((dir / "in.txt").c_str(), 0666);
  return "";
}

// The other user's own input in a folder it may not write (root's, 0755).
std::string OwnInputInClosedFolder(const fs::path& dir) {
  if (geteuid() != 0) return "the test must run as root to run the filter as another user";
  chmod(dir.c_str(), 0755);
  return chown((dir / "in.txt").c_str(), 65534, 65534) == 0 ? "" : "the test may not give a file to user 65534";
}

// A file of root's that user 65534 may write, in a folder it may write.
std::string OldOfRoot(const fs::path& dir) {
  if (geteuid() != 0) return "the test must run as root to run the filter as another user";
  Old(dir);
  chmod(dir.c_str(), 0777);
  chmod((dir / "d.txt").c_str(), 0666);
  return "";
}

// Another program holds the input mapped for writing: its writes to the
// pages would move no change time, so the input is not read at all.
void* g_writerMapping = MAP_FAILED;

std::string InputMappedForWriting(const fs::path& dir) {
  int file = open((dir / "in.txt").c_str(), O_RDWR);
  g_writerMapping = mmap(nullptr, kDuplicated.size(), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
  close(file);
  return g_writerMapping != MAP_FAILED ? "" : "the input cannot be mapped for writing";
}

void UnmapWriter(const fs::path&) {
  munmap(g_writerMapping, kDuplicated.size());
  g_writerMapping = MAP_FAILED;
}

// A folder the other user may write and search but not read.
std::string FolderWithoutRead(const fs::path& dir) {
  if (geteuid() != 0) return "the test must run as root to run the filter as another user";
  fs::create_directory(dir / "sub");
  chmod((dir / "sub").c_str(), 0333);
  return "";
}

// The other user's own file in a folder it may not write (root's, 0755).
std::string OwnOldInClosedFolder(const fs::path& dir) {
  if (geteuid() != 0) return "the test must run as root to run the filter as another user";
  Old(dir);
  chmod(dir.c_str(), 0755);
  return chown((dir / "d.txt").c_str(), 65534, 65534) == 0 ? "" : "the test may not give a file to user 65534";
}

// A name that leaves no room for the suffix of the file beside it.
const std::string kLongName(245, 'n');

void CheckOwnerKept(const fs::path& dir) {
  struct stat info = {};
  stat((dir / "d.txt").c_str(), &info);
  EXPECT_EQ(info.st_uid, 0u);
  EXPECT_EQ(info.st_mode & 07777, 0666u);
  CheckDuplicatesIn(dir / "d.txt");
}

std::string OldSetIdOtherGroup(const fs::path& dir) {
  Old(dir);
  if (chown((dir / "d.txt").c_str(), geteuid(), 65534) != 0) return "the test may not give a file the group 65534";
  chmod((dir / "d.txt").c_str(), 06754);
  return "";
}

void CheckSetIdKept(const fs::path& dir) {
  struct stat info = {};
  stat((dir / "d.txt").c_str(), &info);
  EXPECT_EQ(info.st_gid, 65534u);
  EXPECT_EQ(info.st_mode & 07777, 06754u);
  CheckDuplicatesIn(dir / "d.txt");
}

RunOptions SizeLimit(long bytes) {
  RunOptions options;
  options.fileSizeLimit = bytes;
  return options;
}

// A line of 100 bytes ten times: the duplicates (900 bytes) outgrow a
// limit of 512 that the sorted text without them (105 bytes) keeps.
const std::string kLongRepeated = [] {
  std::string text = "x\r\n";
  for (int i = 0; i < 10; ++i) text += std::string(100, 'l') + "\r\n";
  return text;
}();
const std::string kSizeLimited = std::string(100, 'l') + "\r\nx\r\n";
std::string RepeatedLine(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += std::string(100, 'l') + "\r\n";
  return text;
}
const std::string kLongDuplicates = RepeatedLine(9);

RunOptions RemovedOnDescriptor3(const char* file) {
  RunOptions options;
  options.removedOnDescriptor3 = file;
  return options;
}

// Five descriptors, in a Japanese UTF-8 locale: the result file finds none
// left, and the message still comes in the user's codeset.
RunOptions FiveDescriptorsInUtf8() {
  RunOptions options;
  options.descriptorLimit = 5;
  options.locale = "ja_JP.UTF-8";
  return options;
}

RunOptions AsOtherUser() {
  RunOptions options;
  options.otherUser = true;
  return options;
}
#else
std::string OldHidden(const fs::path& dir) {
  Old(dir);
  SetFileAttributesA((dir / "d.txt").string().c_str(), FILE_ATTRIBUTE_HIDDEN);
  return "";
}

// Another program has the input open for writing while the run starts.
HANDLE g_writer = INVALID_HANDLE_VALUE;

std::string InputOpenForWriting(const fs::path& dir) {
  g_writer = CreateFileA((dir / "in.txt").string().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  return g_writer != INVALID_HANDLE_VALUE ? "" : "the input cannot be opened for writing";
}

void CloseWriter(const fs::path&) {
  CloseHandle(g_writer);
  g_writer = INVALID_HANDLE_VALUE;
}

// Another program holds d.txt open, letting others read and write it but
// not delete it: ReplaceFile cannot take its name.
HANDLE g_holder = INVALID_HANDLE_VALUE;

std::string OldHeldAgainstDeletion(const fs::path& dir) {
  Old(dir);
  g_holder = CreateFileA((dir / "d.txt").string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  return g_holder != INVALID_HANDLE_VALUE ? "" : "d.txt cannot be held open";
}

// A line each twice: the duplicates of /E outgrow any pipe's buffer, and
// the rewritten text has the same size.
std::string LinesTwice(char first) {
  std::string text;
  for (int i = 0; i < 120000; ++i) {
    char line[16];
    std::snprintf(line, sizeof line, "%c%06d\r\n", first, (i * 7919) % 120000);
    text += line;
    text += line;
  }
  return text;
}

const std::string kLinesTwice = LinesTwice('d');

// The duplicates go to a pipe read here. Their first bytes come only after
// the input was read whole; the input is then saved anew at the same size
// (its last-write time moves) before the rest is taken. The reader is left
// to itself should the row end early: the process ends it.
const std::string kPipeName = "\\\\.\\pipe\\ordwell-sort-test-" + std::to_string(GetCurrentProcessId());
HANDLE g_pipeRead = nullptr;  // set once the reader has seen the pipe's end

std::string RewriteOnFirstDuplicates(const fs::path& dir) {
  HANDLE pipe = CreateNamedPipeA(kPipeName.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                 nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return "no pipe can be made";
  g_pipeRead = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread([pipe, dir, read = g_pipeRead] {
    ConnectNamedPipe(pipe, nullptr);
    char chunk[4096];
    DWORD got = 0;
    if (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr)) WriteFile(dir / "in.txt", LinesTwice('e'));
    while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got) {
    }
    CloseHandle(pipe);
    SetEvent(read);
  }).detach();
  return "";
}

// A run that never opened the pipe would leave its reader waiting: a
// client of this process's own ends that wait.
void WaitForPipeReader() {
  HANDLE client = CreateFileA(kPipeName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
  EXPECT_EQ(WaitForSingleObject(g_pipeRead, 10000), WAIT_OBJECT_0);
  CloseHandle(g_pipeRead);
}

// The message that names the sorted text's file beside the input.
std::string KeptBesideMessage(const fs::path& dir) {
  char found[MAX_PATH + 8];
  HANDLE input = CreateFileA((dir / "in.txt").string().c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD n = GetFinalPathNameByHandleA(input, found, sizeof found, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(input);
  std::string path(found, n < sizeof found ? n : 0);
  if (path.compare(0, 4, "\\\\?\\") == 0) path = path.substr(4);
  return Fault(kTextFilterInputChangedKept, (path + ".ordwell-sort-1").c_str());
}

void CheckHiddenKept(const fs::path& dir) {
  CheckDuplicatesIn(dir / "d.txt");
  EXPECT_TRUE(GetFileAttributesA((dir / "d.txt").string().c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

// The file's DACL in SDDL.
std::string DaclOf(const fs::path& path) {
  PSECURITY_DESCRIPTOR held = nullptr;
  char* text = nullptr;
  if (GetNamedSecurityInfoA(path.string().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            nullptr, nullptr, &held) != ERROR_SUCCESS)
    return "(none)";
  ConvertSecurityDescriptorToStringSecurityDescriptorA(held, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                       nullptr);
  std::string dacl = text ? text : "(none)";
  LocalFree(text);
  LocalFree(held);
  return dacl;
}

std::string g_daclBefore;

// Everyone may do everything, where a new file gets less. Wine keeps a DACL
// as Unix mode bits only, and its ReplaceFile keeps neither.
std::string OldWithDacl(const fs::path& dir) {
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
    return "Wine's ReplaceFile keeps no DACL";
  Old(dir);
  PSECURITY_DESCRIPTOR given = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;FA;;;WD)", SDDL_REVISION_1, &given, nullptr) ||
      !GetSecurityDescriptorDacl(given, &present, &dacl, &defaulted))
    return "no DACL can be made";
  std::string path = (dir / "d.txt").string();
  DWORD set = SetNamedSecurityInfoA(&path[0], SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    dacl, nullptr);
  LocalFree(given);
  g_daclBefore = DaclOf(dir / "d.txt");
  WriteFile(dir / "n.txt", "");
  if (set != ERROR_SUCCESS || g_daclBefore == DaclOf(dir / "n.txt")) return "this system keeps no DACL of a file";
  return "";
}

void CheckDaclKept(const fs::path& dir) {
  CheckDuplicatesIn(dir / "d.txt");
  EXPECT_EQ(DaclOf(dir / "d.txt"), g_daclBefore);
}
#endif

const FileCase kFileCases[] = {
    // Refusals known beforehand come before the sorted text.
    {"FolderRefusedBeforeOutput", [](const fs::path& dir) { fs::create_directory(dir / "d.txt"); return std::string(); },
     kDuplicates, "", 2, Fault(kTextFilterCreateFailed, "d.txt"),
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "d.txt")); }},
    {"ReadOnlyRefused", ReadOnlyOld, kDuplicates, "", 2, Fault(kTextFilterNotWritable, "d.txt"),
     [](const fs::path& dir) {
       EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
       fs::permissions(dir / "d.txt", fs::perms::owner_write, fs::perm_options::add);
     }},
    // The shell made d.txt standard output: the file itself is compared.
    WithOptions({"DuplicatesFileIsStandardOutput", Old, kDuplicates, "", 2,
                 Fault(kTextFilterDuplicatesIsOutput, "d.txt"),
                 [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), ""); }},
                OutputTo("d.txt")),
    // A closed standard stream is no place for a file the run opens.
    WithOptions({"ClosedOutputTakesNoFile", OldLinkedStreamClosed, kDuplicates, "", 2, kOutputFault, CheckLinkedOld},
                ClosedStream(1)),
    WithOptions(WithInput({"ClosedErrorTakesNoFile", OldLinkedStreamClosed, kDuplicates, "", 2, "", CheckLinkedOld},
                          std::string("b\r\n\0\r\n", 6)),
                ClosedStream(2)),
    // A run killed earlier left a file beside: another name is taken.
    {"FileBesideFromEarlierRunLeft",
     [](const fs::path& dir) {
       WriteFile(dir / "d.txt.ordwell-sort-1", "stale\r\n");
       return std::string();
     },
     kDuplicates, kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       CheckDuplicatesIn(dir / "d.txt");
       EXPECT_EQ(ReadFile(dir / "d.txt.ordwell-sort-1"), "stale\r\n");
     }},
    {"HardLinkKept", OldLinked, kDuplicates, kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       CheckDuplicatesIn(dir / "h.txt");
#ifndef _WIN32  // the C runtime's stat counts one link on Windows, whatever the file has
       EXPECT_EQ(fs::hard_link_count(dir / "d.txt"), 2u);
#endif
     }},
    {"SortedFileHardLinkKept",
     [](const fs::path& dir) {
       WriteFile(dir / "o.txt", "older and longer\r\n");
       fs::create_hard_link(dir / "o.txt", dir / "h.txt");
       return std::string();
     },
     {"/A", "--output=o.txt"}, "", 0, "", [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "h.txt"), kDuplicatedSorted); }},
    // Written over in place, the input would be the text's only copy while
    // the text is written.
    {"InputWithLinksNotSortedInPlace",
     [](const fs::path& dir) {
       fs::create_hard_link(dir / "in.txt", dir / "h.txt");
       return std::string();
     },
     {"/A", "--output=in.txt", "in.txt"}, "", 2, Fault(kTextFilterInputNotReplaceable, "in.txt"),
     [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "h.txt"), kDuplicated); }},
    // Symbolic links are followed, each from the folder of the one before.
    {"SymbolicLinkFollowed",
     [](const fs::path& dir) {
       WriteFile(dir / "t.txt", "old\r\n");
       return Link(dir, "d.txt", "t.txt");
     },
     kDuplicates, kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_TRUE(fs::is_symlink(dir / "d.txt"));
       CheckDuplicatesIn(dir / "t.txt");
     }},
    {"DanglingLinkMakesItsTarget", [](const fs::path& dir) { return Link(dir, "d.txt", "t.txt"); }, kDuplicates,
     kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_TRUE(fs::is_symlink(dir / "d.txt"));
       CheckDuplicatesIn(dir / "t.txt");
#ifndef _WIN32  // a new file gets what any new file gets, not the owner-only mode of its start
       mode_t mask = umask(0);
       umask(mask);
       EXPECT_EQ(ModeOf(dir / "t.txt"), 0666u & ~mask);
#endif
     }},
    // A piped text whose last line has no CR LF, in an order that cuts its
    // lines in place: it ends where the read put a NUL.
    WithOptions(WithInput({"PipedLastLineOpenByNumbers", nullptr, {"/A/N"}, "a 2\r\nb 10", 0, "", nullptr},
                          "b 10\r\na 2"),
                Piped()),
    // Standard input begins within its file (a script read its first line).
    WithOptions(WithInput({"StandardInputFromWithinItsFile", nullptr, {"/A/T"}, "A\r\nB\r\na\r\n", 0, "", nullptr},
                          kMixed),
                InputOffset(3)),
    {"DanglingLinkInSubfolder",
     [](const fs::path& dir) {
       fs::create_directory(dir / "sub");
       return Link(dir / "sub", "d.txt", "t.txt");
     },
     {"/A/E", "--duplicates=sub/d.txt"}, kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_FALSE(fs::exists(dir / "t.txt"));
       CheckDuplicatesIn(dir / "sub" / "t.txt");
     }},
    {"DanglingLinkToAbsolutePath",
     [](const fs::path& dir) {
       fs::create_directory(dir / "abs");
       return Link(dir, "d.txt", fs::absolute(dir / "abs" / "t.txt"));
     },
     kDuplicates, kDuplicatedSorted, 0, "", [](const fs::path& dir) { CheckDuplicatesIn(dir / "abs" / "t.txt"); }},
#ifdef _WIN32
    // What ReplaceFile keeps on Windows (the attributes are given by the run
    // too: Wine's keeps none).
    {"HiddenAttributeKept", OldHidden, kDuplicates, kDuplicatedSorted, 0, "", CheckHiddenKept},
    {"InputOpenForWritingRefused", InputOpenForWriting, {"/A/E", "--duplicates=d.txt", "in.txt"}, "", 2,
     Fault(kTextFilterInputBeingWritten, "in.txt"),
     [](const fs::path& dir) {
       CloseWriter(dir);
       EXPECT_FALSE(fs::exists(dir / "d.txt"));
     }},
    {"DaclKept", OldWithDacl, kDuplicates, kDuplicatedSorted, 0, "", CheckDaclKept},
    // Failures after the sorted text went out: the file as it was.
    {"ReplaceRefusedKeepsTheFile", OldHeldAgainstDeletion, kDuplicates, kDuplicatedSorted, 2,
     Fault(kTextFilterWriteFailed, "d.txt"),
     [](const fs::path& dir) {
       CloseHandle(g_holder);
       g_holder = INVALID_HANDLE_VALUE;
       EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
     }},
    {"DeviceFullAfterOutput", nullptr, {"/A/E", "--duplicates=Z:\\dev\\full"}, kDuplicatedSorted, 2,
     Fault(kTextFilterWriteFailed, "Z:\\dev\\full"), nullptr},
    // Saved anew at the same size after the read, the input sorted in place
    // is told by its last-write time: the sorted text stays beside it.
    {"InputSavedAtItsSizeWhileSortedInPlaceKept", RewriteOnFirstDuplicates,
     {"/A/T/E", "--duplicates=" + kPipeName, "--output=in.txt", "in.txt"},
     "", 2, "",
     [](const fs::path& dir) {
       WaitForPipeReader();
       EXPECT_TRUE(ReadFile(dir / "in.txt") == LinesTwice('e'));
       std::vector<std::string> lines = SplitAtLineEnds(kLinesTwice);
       std::sort(lines.begin(), lines.end());
       std::string sorted;
       for (const std::string& line : lines) sorted += line + "\r\n";
       EXPECT_TRUE(ReadFile(dir / "in.txt.ordwell-sort-1") == sorted);
       fs::remove(dir / "in.txt.ordwell-sort-1");
       WriteFile(dir / "in.txt", kLinesTwice);  // what the table checks of every input
     },
     RunOptions(), kLinesTwice, ".stdin", std::string::npos, nullptr, KeptBesideMessage},
#else
    {"ModeKept",
     [](const fs::path& dir) {
       Old(dir);
       fs::permissions(dir / "d.txt", fs::perms::owner_read | fs::perms::owner_write);
       return std::string();
     },
     kDuplicates, kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       CheckDuplicatesIn(dir / "d.txt");
       EXPECT_EQ(ModeOf(dir / "d.txt"), 0600u);
     }},
    {"AclAndAttributesKept", OldWithAcl, kDuplicates, kDuplicatedSorted, 0, "", CheckAclKept},
    {"FolderDefaultAclNotGiven", OldInFolderWithDefaultAcl, kDuplicates, kDuplicatedSorted, 0, "", CheckNoAclGiven},
    {"SetIdBitsAndGroupKept", OldSetIdOtherGroup, kDuplicates, kDuplicatedSorted, 0, "", CheckSetIdKept},
    // A terminal or the null device may take every stream.
    WithOptions({"NullDeviceTakesEveryStream", nullptr, {"/A/E", "--output=/dev/null", "--duplicates=/dev/null"}, "",
                 0, "", nullptr},
                OutputTo("/dev/null")),
    // The owner cannot be given by another user: written in place.
    WithOptions({"OwnerNotOursWrittenInPlace", OldOfRoot, kDuplicates, kDuplicatedSorted, 0, "", CheckOwnerKept},
                AsOtherUser()),
    // Written through, never replaced; the reader is open before the run.
    {"FifoWrittenThrough",
     [](const fs::path& dir) {
       mkfifo((dir / "d.txt").c_str(), 0644);
       return std::string();
     },
     kDuplicates, kDuplicatedSorted, 0, "", nullptr},
    // Found unwritable or unreplaceable up front, not after the sorted text.
    {"AppendOnlyRefusedUpFront", OldAppendOnly, kDuplicates, "", 2, Fault(kTextFilterNotWritable, "d.txt"),
     [](const fs::path& dir) {
       SetAppendOnly(dir / "d.txt", false);
       EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
     }},
    WithOptions({"NoDescriptorLeftSaysSoInTheUsersCodeset", Old, {"/A/E", "--duplicates=d.txt", "in.txt"}, "", 2,
                 u8"ordwell-sort: 開いているファイルが多すぎるため開けません： 'd.txt'\n",
                 [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n"); }},
                FiveDescriptorsInUtf8()),
    WithOptions({"FolderWithoutReadTakesTheFile", FolderWithoutRead, {"/A/E", "--duplicates=sub/d.txt"},
                 kDuplicatedSorted, 0, "", [](const fs::path& dir) { CheckDuplicatesIn(dir / "sub" / "d.txt"); }},
                AsOtherUser()),
    {"NameTooLongSaysSo", nullptr, {"/A", "--output=" + std::string(300, 'n')}, "", 2,
     Fault(kTextFilterNameTooLong, std::string(300, 'n').c_str()), nullptr},
    {"InputMappedForWritingRefused", InputMappedForWriting, {"/A/E", "--duplicates=d.txt", "in.txt"}, "", 2,
     Fault(kTextFilterInputBeingWritten, "in.txt"),
     [](const fs::path& dir) {
       UnmapWriter(dir);
       EXPECT_FALSE(fs::exists(dir / "d.txt"));
     }},
    {"AppendOnlyFolderRefusedUpFront", OldInAppendOnlyFolder, {"/A/E", "--duplicates=sub/d.txt"}, "", 2,
     Fault(kTextFilterNotWritable, "sub/d.txt"),
     [](const fs::path& dir) {
       SetAppendOnly(dir / "sub", false);
       EXPECT_EQ(ReadFile(dir / "sub" / "d.txt"), "old\r\n");
       EXPECT_FALSE(fs::exists(dir / "sub" / "d.txt.ordwell-sort-1"));
     }},
    {"MountedOverWrittenInPlace", OldMountedOver, kDuplicates, kDuplicatedSorted, 0, "", CheckMountedOver},
    // A descriptor's link opens the file the descriptor has; its text is no
    // path: a removed file is refused, never made again under that text, and
    // a standard stream closed at the start (the null device stands in for
    // it) takes nothing.
    WithOptions({"RemovedFileOnDescriptorRefused",
                 [](const fs::path& dir) {
                   WriteFile(dir / "notes.txt (deleted)", "other\r\n");
                   return std::string();
                 },
                 {"/A", "--output=/dev/fd/3"}, "", 2, Fault(kTextFilterCannotReplace, "/dev/fd/3"),
                 [](const fs::path& dir) {
                   EXPECT_EQ(ReadFile(dir / "notes.txt (deleted)"), "other\r\n");
                   EXPECT_FALSE(fs::exists(dir / "notes.txt"));
                 }},
                RemovedOnDescriptor3("notes.txt")),
    WithOptions({"ClosedOutputNamedByItsLinkRefused", nullptr, {"/A", "--output=/dev/stdout"}, "", 2,
                 Fault(kTextFilterClosedAtStart, "/dev/stdout"), nullptr},
                ClosedStream(1)),
    {"StandardOutputFileNamedByItsLink", nullptr, {"/A", "--output=/dev/stdout"}, kDuplicatedSorted, 0, "", nullptr},
    // --output may name the file the shell sends standard output to: the
    // file ends holding the sorted text, and nothing more.
    WithOptions({"OutputFileIsStandardOutput", nullptr, {"/A", "--output=o.txt", "in.txt"}, "", 0, "",
                 [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "o.txt"), kDuplicatedSorted); }},
                OutputTo("o.txt")),
    // No new file can be made beside a file that would be replaced: written
    // over in place, a write that failed would lose its old text.
    WithOptions({"FolderNotWritableRefused", OwnOldInClosedFolder, kDuplicates, "", 2,
                 Fault(kTextFilterCannotReplace, "d.txt"),
                 [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n"); }},
                AsOtherUser()),
    {"NameTooLongForBesideRefused",
     [](const fs::path& dir) {
       WriteFile(dir / kLongName, "old\r\n");
       return std::string();
     },
     {"/A", "--output=" + kLongName}, "", 2, Fault(kTextFilterCannotReplace, kLongName.c_str()),
     [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / kLongName), "old\r\n"); }},
    // Sorted in place, an input that could only be written over in place
    // would be the text's only copy while the text is written: refused.
    WithOptions({"InputOfAnotherOwnerNotSortedInPlace", InputOfRoot, {"/A", "--output=in.txt", "in.txt"}, "", 2,
                 Fault(kTextFilterInputNotReplaceable, "in.txt"), nullptr},
                AsOtherUser()),
    {"InputMountedOverNotSortedInPlace", InputMountedOver, {"/A", "--output=in.txt", "in.txt"}, "", 2,
     Fault(kTextFilterInputNotReplaceable, "in.txt"), CheckInputMountedOverKept},
    WithOptions({"InputInClosedFolderNotSortedInPlace", OwnInputInClosedFolder, {"/A", "--output=in.txt", "in.txt"},
                 "", 2, Fault(kTextFilterCannotReplace, "in.txt"), nullptr},
                AsOtherUser()),
    // A write in place that fails leaves the part it wrote, none of the
    // longer old text after it: the start of the duplicates up to the limit.
    WithOptions(WithInput({"WriteInPlaceFailsAtSizeLimit",
                           [](const fs::path& dir) {
                             WriteFile(dir / "d.txt", std::string(998, 'o') + "\r\n");
                             fs::create_hard_link(dir / "d.txt", dir / "h.txt");
                             return std::string();
                           },
                           {"/A/E/R", "--duplicates=d.txt"}, kSizeLimited, 2, Fault(kTextFilterWriteFailed, "d.txt"),
                           [](const fs::path& dir) {
                             EXPECT_EQ(ReadFile(dir / "h.txt"), kLongDuplicates.substr(0, 512));
                           }},
                          kLongRepeated),
                SizeLimit(512)),
    // Failures that can come only after the sorted text went out.
    {"DeviceFullAfterOutput", nullptr, {"/A/E", "--duplicates=/dev/full"}, kDuplicatedSorted, 2,
     Fault(kTextFilterWriteFailed, "/dev/full"), nullptr},
    WithOptions(WithInput({"BesideWriteFailsAtSizeLimit", Old, {"/A/E/R", "--duplicates=d.txt"}, kSizeLimited, 2,
                           Fault(kTextFilterWriteFailed, "d.txt"),
                           [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n"); }},
                          kLongRepeated),
                SizeLimit(512)),
    WithOptions(WithInput({"SortedFileBesideFailsAtSizeLimit", [](const fs::path& dir) {
                             WriteFile(dir / "o.txt", "old\r\n");
                             return std::string();
                           },
                           {"/A", "--output=o.txt"}, "", 2, Fault(kTextFilterWriteFailed, "o.txt"),
                           [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "o.txt"), "old\r\n"); }},
                          kLongRepeated),
                SizeLimit(512)),
    // Standard output took what it could before its write failed: that part
    // stays; the duplicates file stays as it was.
    WithOptions(WithInput({"StandardOutputFullKeepsItsPart", Old, {"/A/T/E", "--duplicates=d.txt"},
                           kLargeSorted, 2, kOutputFault,
                           [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n"); }},
                          kLarge, ".stdin", 64 << 10),
                SizeLimit(64 << 10)),
    // Another program at work while the run stands still.
    WhileStopped({"LinkSwappedToInputAtItsCheck",
                  [](const fs::path& dir) {
                    WriteFile(dir / "t.txt", "old\r\n");
                    return Link(dir, "d.txt", "t.txt");
                  },
                  {"/A/E", "--duplicates=d.txt", "in.txt"}, "", 2, Fault(kTextFilterDuplicatesIsInput, "d.txt"),
                  [](const fs::path& dir) {
                    EXPECT_EQ(ReadFile(dir / "in.txt"), kDuplicated);
                    EXPECT_EQ(ReadFile(dir / "t.txt"), "old\r\n");
                  }},
                 [](const fs::path& dir) {
                   fs::remove(dir / "d.txt");
                   fs::create_symlink("in.txt", dir / "d.txt");
                 },
                 "d.txt"),
    WhileStopped(WithInput({"FolderRenamedDuringRun",
                            [](const fs::path& dir) {
                              fs::create_directory(dir / "sub");
                              WriteFile(dir / "sub" / "d.txt", "old\r\n");
                              return std::string();
                            },
                            {"/A/T/E", "--duplicates=sub/d.txt"}, kLargeSorted, 0, "",
                            [](const fs::path& dir) { CheckDuplicatesIn(dir / "sub2" / "d.txt"); }},
                           kLarge),
                 [](const fs::path& dir) { fs::rename(dir / "sub", dir / "sub2"); }),
    WhileStopped({"FileBesideOwnerOnlyFromItsStart",
                  [](const fs::path& dir) {
                    Old(dir);
                    chmod((dir / "d.txt").c_str(), 0600);
                    return std::string();
                  },
                  kDuplicates, kDuplicatedSorted, 0, "",
                  [](const fs::path& dir) { EXPECT_EQ(ModeOf(dir / "d.txt"), 0600u); }},
                 ExpectOwnerOnlyBeside, "d.txt.ordwell-sort-1"),
    // The input changes after its first block was read: refused, whether
    // named or on standard input, nothing written.
    WhileStopped(WithInput({"InputTruncatedWhileRead", Old, {"/A/T/E", "--duplicates=d.txt", "in.txt"}, "", 2,
                            Fault(kTextFilterInputChanged, "in.txt"),
                            [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n"); }},
                           kLarge),
                 [](const fs::path& dir) { fs::resize_file(dir / "in.txt", kReadBlock / 2); }),
    WhileStopped(WithInput({"StandardInputTruncatedWhileRead", nullptr, {"/A/T"}, "", 2,
                            Fault(kTextFilterInputChanged, kTextFilterStandardInput), nullptr},
                           kLarge, "in.txt"),
                 [](const fs::path& dir) { fs::resize_file(dir / "in.txt", kReadBlock / 2); }),
    WhileStopped(WithInput({"InputRewrittenInPlaceWhileRead", nullptr, {"/A/T", "in.txt"}, "", 2,
                            Fault(kTextFilterInputChanged, "in.txt"), nullptr},
                           kLarge),
                 [](const fs::path& dir) {
                   std::string other = LargeText();
                   std::replace(other.begin(), other.end(), '1', '2');
                   std::fstream(dir / "in.txt", std::ios::in | std::ios::out | std::ios::binary) << other;
                 }),
    // Another program writes to the input sorted in place after it was read:
    // replacing it would lose that, so the sorted text stays beside it.
    WhileWriting(WithInput({"InputAppendedWhileSortedInPlaceKept", nullptr, {"/A/T", "--output=in.txt", "in.txt"}, "",
                            2, "",
                            [](const fs::path& dir) {
                              EXPECT_TRUE(ReadFile(dir / "in.txt") == LargeText() + "z\r\n");
                              EXPECT_TRUE(ReadFile(dir / "in.txt.ordwell-sort-1") == LargeTextSorted());
                              fs::remove(dir / "in.txt.ordwell-sort-1");
                            }},
                           kLarge),
                 [](const fs::path& dir) { std::ofstream(dir / "in.txt", std::ios::app | std::ios::binary) << "z\r\n"; },
                 [](const fs::path& dir) {
                   return Fault(kTextFilterInputChangedKept, (dir / "in.txt.ordwell-sort-1").c_str());
                 }),
    WhileStopped(WithInput({"InputGrownWhileRead", nullptr, {"/A/T", "in.txt"}, "", 2,
                            Fault(kTextFilterInputChanged, "in.txt"), nullptr},
                           kLarge),
                 [](const fs::path& dir) { std::ofstream(dir / "in.txt", std::ios::app | std::ios::binary) << "z\r\n"; }),
#endif
};

// The names of the folder and its subfolders.
std::set<std::string> NamesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
    names.insert(fs::relative(entry.path(), dir).string());
  return names;
}

class FileTable : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileTable, KeepsWhatTheFilesAre) {
  const FileCase& c = GetParam();
  fs::path dir = FreshFolder(std::string("file-") + c.name);
  const std::string& input = c.input == kLarge ? LargeText() : c.input;
  std::string out = (c.out == kLargeSorted ? LargeTextSorted() : c.out).substr(0, c.outLimit);
  WriteFile(dir / "in.txt", input);
  WriteFile(dir / ".stdin", input);
  std::string skipped = c.prepare ? c.prepare(dir) : "";
  if (!skipped.empty()) {
    RemoveFolder(dir);
    GTEST_SKIP() << skipped;
  }
  std::set<std::string> before = NamesIn(dir);
#ifndef _WIN32
  bool fifo = fs::is_fifo(dir / "d.txt");
  int reader = fifo ? open((dir / "d.txt").c_str(), O_RDONLY | O_NONBLOCK) : -1;
#endif
  RunOptions options = c.options;
  if (c.whileStopped) options.whileStopped = [&] { c.whileStopped(dir); };
  ProgramRun run = RunProgram(FilterProgramPath(), c.args, dir.string(), (dir / c.standardInput).string(),
                              kDeadlineSeconds, options);
  ASSERT_TRUE(run.finished) << "signal " << run.signal;
  EXPECT_EQ(run.stopped, c.whileStopped != nullptr);
  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_TRUE(run.out == out) << run.out.size() << " bytes out, " << out.size() << " expected";
  EXPECT_EQ(run.err, c.errIn ? c.errIn(dir) : c.err);
#ifndef _WIN32
  if (fifo) {
    char got[64] = {};
    EXPECT_EQ(read(reader, got, sizeof got), 3);
    EXPECT_EQ(std::string(got), "b\r\n");
    EXPECT_TRUE(fs::is_fifo(dir / "d.txt"));
    close(reader);
  }
#endif
  if (c.check) c.check(dir);
  if (!c.whileStopped) {
    EXPECT_TRUE(ReadFile(dir / "in.txt") == input) << "the input was written";
  }
  for (const std::string& name : NamesIn(dir))
    EXPECT_TRUE(name.find(".ordwell-sort-") == std::string::npos || before.count(name)) << name << " left behind";
  RemoveFolder(dir);
}

std::string FileRowName(const ::testing::TestParamInfo<FileCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Rows, FileTable, ::testing::ValuesIn(kFileCases), FileRowName);

// What the filter makes of a text in byte order: its lines sorted, a last
// line without CR LF still without it.
std::string SortedLikeTheFilter(const std::string& text) {
  std::vector<std::string> lines = SplitAtLineEnds(text);
  std::sort(lines.begin(), lines.end());
  std::string sorted;
  for (size_t i = 0; i < lines.size(); ++i) sorted += lines[i] + (i + 1 < lines.size() ? "\r\n" : "");
  bool closed = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
  return sorted + (closed ? "\r\n" : "");
}

// Another program rewrites the input file while runs sort it: truncated and
// written with text a, overwritten in place with a NUL in its middle,
// truncated and written with text b of the same size. Each run sorts one
// version that the file had (a or b, or what a truncation and a part of the
// write left) or refuses the file, and never dies midway; a text made of
// one version's start and another's rest is the fault.
TEST(SortFilter, InputRewrittenWhileSorted) {
  std::string a, b;
  for (int i = 0; i < 40000; ++i) a += std::to_string((i * 7919) % 40000) + "\r\n";
  b = a;
  for (char& c : b) c = c >= '0' && c <= '9' ? static_cast<char>('0' + (c - '0' + 1) % 10) : c;
  std::string withNul = a;
  withNul[withNul.size() / 2] = '\0';
  fs::path dir = FreshFolder("rewritten");
  WriteFile(dir / "in.txt", a);
  WriteFile(dir / ".stdin", "");
#ifdef _WIN32
  const int kRuns = 4;
#else
  const int kRuns = 20;
#endif
  std::vector<ProgramRun> runs;
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    while (!stop) {
      WriteFile(dir / "in.txt", a);
      std::fstream(dir / "in.txt", std::ios::in | std::ios::out | std::ios::binary) << withNul;
      WriteFile(dir / "in.txt", b);
    }
  });
  for (int i = 0; i < kRuns; ++i)
    runs.push_back(RunProgram(FilterProgramPath(), {"/A/T", "in.txt"}, dir.string(), (dir / ".stdin").string(),
                              kDeadlineSeconds));
  stop = true;
  writer.join();
  for (size_t i = 0; i < runs.size(); ++i) {
    const ProgramRun& run = runs[i];
    EXPECT_TRUE(run.finished) << "run " << i;  // ended by itself, by no signal
    if (!run.finished) continue;
    if (run.exitCode == 2) {
      EXPECT_TRUE(run.err == Fault(kTextFilterNulByte) || run.err == Fault(kTextFilterInputChanged, "in.txt") ||
                  run.err == Fault(kTextFilterInputBeingWritten, "in.txt"))
          << "run " << i << ": " << run.err;
      EXPECT_EQ(run.out, "");
      continue;
    }
    EXPECT_EQ(run.exitCode, 0) << run.err;
    size_t n = run.out.size();
    EXPECT_TRUE(n <= a.size() && (run.out == SortedLikeTheFilter(a.substr(0, n)) ||
                                  run.out == SortedLikeTheFilter(b.substr(0, n))))
        << "run " << i << ": " << n << " bytes, of no version the file had";
  }
  RemoveFolder(dir);
}

// Texts of the sizes where reading or writing changes gear, one byte less
// and more: piped (no known size, a block that grows when it fills), and as
// a regular file by name and on standard input (read straight into a block
// of its size, a block at a time). Sorted, and (as one line) written back
// as it came. Only the pipe goes through every size; the file ways take
// those of the read block.
TEST(SortFilter, TextsAroundTheBlockSizesKeepEveryByte) {
  fs::path dir = FreshFolder("seams");
  for (size_t size : {kOutputBuffer - 1, kOutputBuffer, kOutputBuffer + 1, kReadBlock - 1, kReadBlock, kReadBlock + 1,
                      2 * kReadBlock + 1}) {
    std::string text = TextOfSize(size);
    std::string expected = SortedBytes(text);
    std::string oneLine(size, 'w');
    oneLine[size / 2] = 'v';
    bool fileSize = size == kReadBlock - 1 || size == kReadBlock || size == kReadBlock + 1;
    struct Way {
      const char* name;
      std::vector<std::string> args;
      const std::string& input;
      const std::string& out;
      bool piped;
    };
    std::vector<Way> ways = {{"piped", {"/A/T"}, text, expected, true}, {"piped line", {"/A"}, oneLine, oneLine, true}};
    if (fileSize) {
      ways.push_back({"by name", {"/A/T", "in.txt"}, text, expected, false});
      ways.push_back({"< file", {"/A/T"}, text, expected, false});
      ways.push_back({"< file line", {"/A"}, oneLine, oneLine, false});
    }
    for (const Way& way : ways) {
      WriteFile(dir / "in.txt", way.input);
      WriteFile(dir / ".stdin", way.input);
      RunOptions options;
      options.inputPiped = way.piped;
      ProgramRun run =
          RunProgram(FilterProgramPath(), way.args, dir.string(), (dir / ".stdin").string(), kDeadlineSeconds, options);
      ASSERT_TRUE(run.finished) << size << " " << way.name;
      EXPECT_EQ(run.exitCode, 0) << size << " " << way.name << ": " << run.err;
      EXPECT_TRUE(run.out == way.out) << size << " " << way.name << ": " << run.out.size() << " bytes out";
    }
  }
  RemoveFolder(dir);
}

#ifndef _WIN32
// A file of /sys reports a page as its size and holds less: it is read to
// its end, not taken for a file changed during the read.
TEST(SortFilter, SystemFileReadToItsEnd) {
  const char* path = nullptr;
  for (const char* candidate : {"/sys/devices/system/cpu/online", "/sys/kernel/mm/transparent_hugepage/enabled"})
    if (!path && !ReadFile(candidate).empty()) path = candidate;
  if (!path) GTEST_SKIP() << "no readable file of /sys here";
  fs::path dir = FreshFolder("system-file");
  WriteFile(dir / ".stdin", "");
  ProgramRun run = RunProgram(FilterProgramPath(), {"/A/T", "--", path}, dir.string(), (dir / ".stdin").string(),
                              kDeadlineSeconds);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, ReadFile(path));
  RemoveFolder(dir);
}

// An interrupted run removes the file it made beside a result file (in a
// subfolder too), and a signal ignored from the start (nohup) ends nothing:
// the filter waits on a pipe for its input, with the file made, when the
// signal comes.
TEST(SortFilter, InterruptRemovesFileBeside) {
  struct Row {
    int signal;
    const char* option;
    bool ignored;
  };
  const Row rows[] = {{SIGINT, "--duplicates=d.txt", false},  {SIGTERM, "--duplicates=d.txt", false},
                      {SIGHUP, "--duplicates=d.txt", false},  {SIGPIPE, "--duplicates=d.txt", false},
                      {SIGHUP, "--duplicates=d.txt", true},   {SIGTERM, "--output=d.txt", false},
                      {SIGTERM, "--output=sub/d.txt", false}, {SIGQUIT, "--duplicates=d.txt", false},
                      {SIGALRM, "--output=d.txt", false},     {SIGUSR1, "--duplicates=d.txt", false},
                      {SIGUSR2, "--output=d.txt", false},     {SIGXCPU, "--duplicates=d.txt", false},
                      {SIGRTMIN + 2, "--output=d.txt", false}};
  for (const Row& r : rows) {
    std::string label = std::to_string(r.signal) + " " + r.option + (r.ignored ? " ignored" : "");
    fs::path top = FreshFolder("interrupted-" + std::to_string(&r - rows));
    bool sub = std::string(r.option).find("sub/") != std::string::npos;
    fs::path dir = sub ? top / "sub" : top;
    fs::create_directories(dir);
    WriteFile(dir / "d.txt", "old\r\n");
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    std::string program = FilterProgramPath();
    const char* switches = r.option[2] == 'd' ? "/A/E" : "/A";
    pid_t child = fork();
    if (child == 0) {  // the signal as a terminal would deliver it, whatever this process ignores
      for (const Row& each : rows) std::signal(each.signal, each.signal == r.signal && r.ignored ? SIG_IGN : SIG_DFL);
      struct rlimit noCore = {0, 0};  // SIGQUIT and SIGXCPU would leave a core file in the folder
      setrlimit(RLIMIT_CORE, &noCore);
      int nowhere = open("/dev/null", O_WRONLY);
      dup2(input[0], 0);
      dup2(nowhere, 1);
      close(input[1]);
      if (chdir(top.c_str()) == 0) execl(program.c_str(), program.c_str(), switches, r.option, nullptr);
      _exit(127);
    }
    close(input[0]);
    bool made = false;
    for (int wait = 0; wait < 5000 && !made; ++wait) {
      for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        made = made || entry.path().filename().string().find(".ordwell-sort-") != std::string::npos;
      if (!made) usleep(1000);
    }
    EXPECT_TRUE(made) << label;
    kill(child, r.signal);
    if (r.ignored) {
      EXPECT_EQ(write(input[1], kDuplicated.data(), kDuplicated.size()), 9) << label;
    }
    close(input[1]);  // an ignored signal: the run goes on to its end
    int status = 0;
    for (int wait = 0; wait < 10000 && waitpid(child, &status, WNOHANG) == 0; ++wait) usleep(1000);
    if (kill(child, SIGKILL) == 0) waitpid(child, &status, 0);  // still running: the signal did not end it
    if (r.ignored) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << label;
      EXPECT_NE(ReadFile(dir / "d.txt"), "old\r\n") << label;
    } else {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == r.signal) << label;
      EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n") << label;
    }
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"d.txt"}) << label;
    RemoveFolder(top);
  }
}
#else
// Ctrl+C in the filter's console while the file beside exists: the run
// ends, the file beside is gone, the file as it was. The filter waits on a
// pipe for its input, with the file made, when the key comes; this process
// shares the console to send it, and ignores it.
TEST(SortFilter, ConsoleInterruptRemovesFileBeside) {
  fs::path dir = FreshFolder("console-interrupt");
  WriteFile(dir / "d.txt", "old\r\n");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE in = nullptr, feed = nullptr;
  ASSERT_TRUE(CreatePipe(&in, &feed, &inherit, 0));
  SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
  HANDLE out = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = startup.hStdError = out;
  std::string line = "\"" + FilterProgramPath() + "\" /A/E --duplicates=d.txt";
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE,
                                nullptr, dir.string().c_str(), &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  if (!started) CloseHandle(feed);
  ASSERT_TRUE(started);
  bool made = false;
  for (int wait = 0; wait < 5000 && !made; wait += 10) {
    made = fs::exists(dir / "d.txt.ordwell-sort-1");
    if (!made) Sleep(10);
  }
  EXPECT_TRUE(made);
  FreeConsole();
  bool attached = AttachConsole(process.dwProcessId) != 0;
  DWORD attachFault = GetLastError();
  SetConsoleCtrlHandler(nullptr, TRUE);
  bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
  DWORD sendFault = GetLastError();
  FreeConsole();  // Ctrl+C stays ignored here: the key may still be on its way to this process
  DWORD waited = WaitForSingleObject(process.hProcess, 10000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1), WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(feed);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(attached) << attachFault;
  EXPECT_TRUE(sent) << sendFault;
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the run went on";
  EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
  EXPECT_FALSE(fs::exists(dir / "d.txt.ordwell-sort-1"));
  RemoveFolder(dir);
}
#endif

}  // namespace
