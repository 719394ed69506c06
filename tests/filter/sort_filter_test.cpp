#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "filter/buffer_sizes.h"
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
};

const std::string kMixed = "b\r\nA\r\na\r\nB\r\n";

// A directory is no input: POSIX opens it and the read refuses it, Windows
// refuses to open it.
#ifdef _WIN32
const std::string kDirectoryFault = Fault(kTextFilterOpenFailed, ".");
#else
const std::string kDirectoryFault = Fault(kTextFilterReadFailed, ".");
#endif
const std::string kOutputFault = Fault(kTextFilterWriteFailed, kTextFilterStandardOutput);

// Rows that differ in one thing stand together.
const FilterCase kCases[] = {
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
    {"MissingInputFile", {"/A", "none.txt"}, kMixed, "", 2, Fault(kTextFilterOpenFailed, "none.txt")},
    {"DirectoryAsInput", {"/A", "--", "."}, kMixed, "", 2, kDirectoryFault},
    {"TwoInputFiles", {"in.txt", "in.txt"}, kMixed, "", 2, Fault(kTextFilterTwoInputs, "in.txt")},
    // Faulty switches: one line each, nothing written.
    {"UnknownSwitch", {"/X"}, kMixed, "", 2, BadArgument(1, "/X")},
    {"UnknownLetterAmongKnownOnes", {"/AX"}, kMixed, "", 2, BadArgument(1, "/AX")},
    {"TwoUnknownLetters", {"/XY"}, kMixed, "", 2, BadArgument(1, "/XY") + BadArgument(1, "/XY")},
    {"PositionCountsTheFileName", {"in.txt", "/X"}, kMixed, "", 2, BadArgument(2, "/X")},
    {"RunTogetherSwitchesCountApart", {"/A/Q"}, kMixed, "", 2, BadArgument(2, "/Q")},
    {"ColumnFromZero", {"/F:0"}, kMixed, "", 2, BadArgument(1, "/F:0")},
    {"ColumnFromTrailingSpace", {"/F:5 "}, kMixed, "", 2, BadArgument(1, "/F:5 ")},
    {"Dialog", {"/D"}, kMixed, "", 2, Fault(kTextFilterNoDialog)},
    {"DialogTurnedOff", {"/D", "/d"}, kMixed, "B\r\nb\r\na\r\nA\r\n", 0, ""},
    // The filter's own options.
    {"ExtractWithoutFile", {"/A/E"}, kMixed, "", 2, Fault(kTextFilterExtractNeedsFile)},
    {"FileWithoutExtract", {"/A", "--duplicates=d.txt"}, kMixed, "", 2, Fault(kTextFilterFileNeedsExtract)},
    {"DuplicatesWithoutName", {"/A/E", "--duplicates"}, kMixed, "", 2, Fault(kTextFilterNeedsFileName)},
    {"DuplicatesEmptyName", {"/A/E", "--duplicates="}, kMixed, "", 2, Fault(kTextFilterNeedsFileName)},
    {"DuplicatesFileCannotBeMade", {"/A/E", "--duplicates=no/d.txt"}, kMixed, "", 2,
     Fault(kTextFilterCreateFailed, "no/d.txt")},
    {"DuplicatesFileIsTheInput", {"/A/E", "--duplicates=in.txt", "in.txt"}, kMixed, "", 2,
     Fault(kTextFilterDuplicatesIsInput, "in.txt")},
    {"DuplicatesFileIsStandardInput", {"/A/E", "--duplicates=.stdin"}, kMixed, "", 2,
     Fault(kTextFilterDuplicatesIsInput, ".stdin")},
    {"UnknownOption", {"--frob"}, kMixed, "", 2, Fault(kTextFilterUnknownOption, "--frob")},
    {"NulByteRefused", {"/A"}, std::string("b\r\na\0c\r\n", 8), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteFirst", {"/A"}, std::string("\0b\r\na\r\n", 7), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteLast", {"/A"}, std::string("b\r\na\0", 5), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteLastInFileRead", {"/A/N", "in.txt"}, std::string("b\r\na\0", 5), "", 2, Fault(kTextFilterNulByte)},
    {"NulByteFirstInFileRead", {"/A/N", "in.txt"}, std::string("\0b\r\na", 5), "", 2, Fault(kTextFilterNulByte)},
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

// Removes a folder of files, in a bounded number of rounds and never
// throwing. Under Wine a finished child's handles may close a moment after
// it ends, so a file deleted before may still be listed and then vanish;
// the library's remove_all (MinGW) retries such a file for ever.
void RemoveFolder(const fs::path& dir) {
  std::error_code listed, ignored;
  for (int round = 0; round < 100 && fs::exists(dir, ignored); ++round) {
    for (fs::directory_iterator it(dir, listed), end; !listed && it != end; it.increment(listed))
      fs::remove(it->path(), ignored);
    if (!fs::remove(dir, ignored)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// A fresh, empty folder for one run.
fs::path FreshFolder(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("ordwell-sort-test-" + name);
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
  EXPECT_EQ(ReadFile(dir / "in.txt"), c.input);  // the input file is never touched
  // Nothing else is left in the folder; the run's streams (.stdin and the
  // like) are the harness's.
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "in.txt" || name == "d.txt" || name[0] == '.') << name << " left behind";
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
  EXPECT_EQ(run.out.rfind(u8"使い方: ordwell-sort [スイッチ] [入力ファイル] [--duplicates=ファイル]\n", 0), 0u) << run.out;
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

// What --duplicates names is kept for what it is: each row prepares the
// folder, runs "/A/E --duplicates=NAME" on kDuplicated and checks the folder
// afterwards.
const std::string kDuplicated = "b\r\na\r\nb\r\n";
const std::string kDuplicatedSorted = "a\r\nb\r\nb\r\n";

struct PathCase {
  const char* name;
  void (*prepare)(const fs::path& dir);
  std::string duplicatesName;
  std::string out;
  int exitCode;
  std::string err;
  void (*check)(const fs::path& dir);
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

void ReadOnlyOld(const fs::path& dir) {
  WriteFile(dir / "d.txt", "old\r\n");
  fs::permissions(dir / "d.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

const PathCase kPathCases[] = {
    // Refusals known beforehand come before the sorted text.
    {"FolderRefusedBeforeOutput", [](const fs::path& dir) { fs::create_directory(dir / "d.txt"); }, "d.txt", "", 2,
     Fault(kTextFilterCreateFailed, "d.txt"), [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "d.txt")); }},
    {"ReadOnlyRefused", ReadOnlyOld, "d.txt", "", 2, Fault(kTextFilterNotWritable, "d.txt"),
     [](const fs::path& dir) {
       EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
       fs::permissions(dir / "d.txt", fs::perms::owner_write, fs::perm_options::add);
     }},
    {"HardLinkKept",
     [](const fs::path& dir) {
       WriteFile(dir / "d.txt", "old\r\n");
       fs::create_hard_link(dir / "d.txt", dir / "h.txt");
     },
     "d.txt", kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_EQ(ReadFile(dir / "h.txt"), "b\r\n");
#ifndef _WIN32  // the C runtime's stat counts one link on Windows, whatever the file has
       EXPECT_EQ(fs::hard_link_count(dir / "d.txt"), 2u);
#endif
     }},
#ifndef _WIN32
    {"SymbolicLinkFollowed",
     [](const fs::path& dir) {
       WriteFile(dir / "t.txt", "old\r\n");
       fs::create_symlink("t.txt", dir / "d.txt");
     },
     "d.txt", kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_TRUE(fs::is_symlink(dir / "d.txt"));
       EXPECT_EQ(ReadFile(dir / "t.txt"), "b\r\n");
     }},
    {"DanglingLinkMakesItsTarget", [](const fs::path& dir) { fs::create_symlink("t.txt", dir / "d.txt"); }, "d.txt",
     kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_TRUE(fs::is_symlink(dir / "d.txt"));
       EXPECT_EQ(ReadFile(dir / "t.txt"), "b\r\n");
     }},
    {"ModeKept",
     [](const fs::path& dir) {
       WriteFile(dir / "d.txt", "old\r\n");
       fs::permissions(dir / "d.txt", fs::perms::owner_read | fs::perms::owner_write);
     },
     "d.txt", kDuplicatedSorted, 0, "",
     [](const fs::path& dir) {
       EXPECT_EQ(ReadFile(dir / "d.txt"), "b\r\n");
       EXPECT_EQ(fs::status(dir / "d.txt").permissions(), fs::perms::owner_read | fs::perms::owner_write);
     }},
    // Written through, never replaced; the reader is open before the run.
    {"FifoWrittenThrough", [](const fs::path& dir) { mkfifo((dir / "d.txt").c_str(), 0644); }, "d.txt",
     kDuplicatedSorted, 0, "", nullptr},
    // A failure that can come only after the sorted text went out.
    {"DeviceFullAfterOutput", nullptr, "/dev/full", kDuplicatedSorted, 2, Fault(kTextFilterWriteFailed, "/dev/full"),
     nullptr},
#endif
};

class DuplicatesPathTable : public ::testing::TestWithParam<PathCase> {};

TEST_P(DuplicatesPathTable, KeepsWhatThePathIs) {
  const PathCase& c = GetParam();
  fs::path dir = FreshFolder(std::string("path-") + c.name);
  WriteFile(dir / ".stdin", kDuplicated);
  if (c.prepare) c.prepare(dir);
#ifndef _WIN32
  bool fifo = fs::is_fifo(dir / "d.txt");
  int reader = fifo ? open((dir / "d.txt").c_str(), O_RDONLY | O_NONBLOCK) : -1;
#endif
  ProgramRun run = RunProgram(FilterProgramPath(), {"/A/E", "--duplicates=" + c.duplicatesName}, dir.string(),
                              (dir / ".stdin").string(), kDeadlineSeconds);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
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
  for (const fs::directory_entry& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".ordwell-sort-"), std::string::npos) << "left behind";
  RemoveFolder(dir);
}

std::string PathRowName(const ::testing::TestParamInfo<PathCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Rows, DuplicatesPathTable, ::testing::ValuesIn(kPathCases), PathRowName);

// Another program rewrites and truncates the input file while runs sort it:
// each run sorts the bytes it read (a partial read at worst), never bytes
// other than those it checked, and never dies midway.
TEST(SortFilter, InputRewrittenWhileSorted) {
  std::string lines;
  for (int i = 0; i < 40000; ++i) lines += std::to_string((i * 7919) % 40000) + "\r\n";
  std::string withNul = lines;
  withNul[withNul.size() / 2] = '\0';
  fs::path dir = FreshFolder("rewritten");
  WriteFile(dir / "in.txt", lines);
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
      WriteFile(dir / "in.txt", lines);  // truncated, then written
      std::fstream(dir / "in.txt", std::ios::in | std::ios::out | std::ios::binary) << withNul;  // in place
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
      EXPECT_EQ(run.err, Fault(kTextFilterNulByte));
      EXPECT_EQ(run.out, "");
      continue;
    }
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find('\0'), std::string::npos) << "run " << i;
    EXPECT_LE(run.out.size(), lines.size() + 2);
  }
  RemoveFolder(dir);
}

// A text of exactly size bytes in lines of many lengths, ending with CR LF.
std::string TextOfSize(size_t size) {
  std::string text;
  for (int i = 0; text.size() + 40 < size; ++i)
    text += std::to_string((i * 7919) % 100003) + std::string(i % 23, 'x') + "\r\n";
  return text + std::string(size - text.size() - 2, 'y') + "\r\n";
}

// Piped input of no known size read into a block that grows when it fills,
// a byte read at each seam; the sorted text written through a buffer that
// is refilled: texts of the sizes where either changes gear, one byte
// less and more. Sorted, and (as one line) written back as it came.
TEST(SortFilter, PipedTextsAroundTheBlockSizesKeepEveryByte) {
  fs::path dir = FreshFolder("seams");
  for (size_t size : {kOutputBuffer - 1, kOutputBuffer, kOutputBuffer + 1, kReadBlock - 1, kReadBlock, kReadBlock + 1,
                      2 * kReadBlock + 1}) {
    std::string text = TextOfSize(size);
    std::vector<std::string> lines = SplitAtLineEnds(text);
    std::sort(lines.begin(), lines.end());
    std::string expected;
    for (const std::string& l : lines) expected += l + "\r\n";
    std::string oneLine(size, 'w');
    oneLine[size / 2] = 'v';
    for (const auto& [input, out, args] : {std::tuple(text, expected, std::vector<std::string>{"/A/T"}),
                                           std::tuple(oneLine, oneLine, std::vector<std::string>{"/A"})}) {
      WriteFile(dir / ".stdin", input);
      RunOptions options;
      options.inputPiped = true;
      ProgramRun run =
          RunProgram(FilterProgramPath(), args, dir.string(), (dir / ".stdin").string(), kDeadlineSeconds, options);
      ASSERT_TRUE(run.finished) << size;
      EXPECT_EQ(run.exitCode, 0) << size;
      EXPECT_TRUE(run.out == out) << size << " " << args[0] << ": " << run.out.size() << " bytes out";
      EXPECT_EQ(run.err, "") << size;
    }
  }
  RemoveFolder(dir);
}

#ifndef _WIN32
// An interrupted run removes the file it made beside the duplicates file:
// the filter waits on a pipe for its input, with the file made, when the
// signal comes.
TEST(SortFilter, InterruptRemovesFileBeside) {
  for (int signal : {SIGINT, SIGTERM}) {
    fs::path dir = FreshFolder("interrupted-" + std::to_string(signal));
    WriteFile(dir / "d.txt", "old\r\n");
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    std::string program = FilterProgramPath();
    pid_t child = fork();
    if (child == 0) {  // the signal as a terminal would deliver it, whatever this process ignores
      std::signal(SIGINT, SIG_DFL);
      std::signal(SIGTERM, SIG_DFL);
      dup2(input[0], 0);
      close(input[1]);
      if (chdir(dir.c_str()) == 0) execl(program.c_str(), program.c_str(), "/A/E", "--duplicates=d.txt", nullptr);
      _exit(127);
    }
    close(input[0]);
    bool made = false;
    for (int wait = 0; wait < 5000 && !made; ++wait) {
      for (const fs::directory_entry& entry : fs::directory_iterator(dir))
        made = made || entry.path().filename().string().find(".ordwell-sort-") != std::string::npos;
      if (!made) usleep(1000);
    }
    EXPECT_TRUE(made);
    kill(child, signal);
    int status = 0;
    for (int wait = 0; wait < 10000 && waitpid(child, &status, WNOHANG) == 0; ++wait) usleep(1000);
    if (kill(child, SIGKILL) == 0) waitpid(child, &status, 0);  // still running: the signal did not end it
    close(input[1]);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"d.txt"}) << signal;
    EXPECT_EQ(ReadFile(dir / "d.txt"), "old\r\n");
    RemoveFolder(dir);
  }
}
#endif

}  // namespace
