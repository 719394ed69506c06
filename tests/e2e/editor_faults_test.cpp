// What a faulty, slow, closing or shared editor, and documents at the limits,
// do to a run. Whatever goes wrong, the user's document ends either exactly
// as it was or exactly sorted (or, when the editor stops taking the sorted
// text, with what it took, and the run says so), the run ends with one of
// its exit codes, and nothing is left running.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "res/texts.h"
#include "tests/e2e/run_fixture.h"
#include "tools/standin/standin_protocol.h"

namespace {

using EditorFaultTest = OrdwellTest;

constexpr int kReadFailed = -4;
const char kReadFailedText[] = "テキストの取得に失敗しました。";
constexpr int kNotWrittenBack = -6;

enum class Order { kBytes, kLocale };

// The lines of a text as the sort cuts them: at CR LF, the empty piece after
// a final CR LF dropped.
std::vector<std::string> LinesOf(const std::string& text, bool* lastOpen = nullptr) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t cr; (cr = text.find("\r\n", at)) != std::string::npos; at = cr + 2) {
    lines.push_back(text.substr(at, cr - at));
  }
  if (lastOpen) *lastOpen = at < text.size();
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

bool LocaleBefore(const std::string& a, const std::string& b) {
  const DWORD kFlags = NORM_IGNORECASE | SORT_STRINGSORT | NORM_IGNOREKANATYPE;
  return CompareStringA(LOCALE_USER_DEFAULT, kFlags, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
}

// The ascending sort of the whole text: equal lines keep their order, the
// result ends with CR LF unless the text's last line was open.
std::string SortedText(const std::string& text, Order order) {
  bool lastOpen = false;
  std::vector<std::string> lines = LinesOf(text, &lastOpen);
  if (order == Order::kBytes) {
    std::stable_sort(lines.begin(), lines.end());
  } else {
    std::stable_sort(lines.begin(), lines.end(), LocaleBefore);
  }
  std::string sorted;
  for (size_t i = 0; i < lines.size(); ++i) {
    sorted += lines[i];
    if (i + 1 < lines.size() || !lastOpen) sorted += "\r\n";
  }
  return sorted;
}

// The document after a sort of bytes [start, end) of it; the whole of it for
// an empty range.
std::string SortedDocument(const std::string& text, Order order, size_t start = 0, size_t end = 0) {
  if (start == end) return SortedText(text, order);
  return text.substr(0, start) + SortedText(text.substr(start, end - start), order) + text.substr(end);
}

// Lines present a different number of times in the two texts, for a failure
// message that says what was lost.
std::string LineCountDifference(const std::string& before, const std::string& after) {
  std::map<std::string, long> counts;
  for (const std::string& line : LinesOf(before)) ++counts[line];
  for (const std::string& line : LinesOf(after)) --counts[line];
  size_t lost = 0, gained = 0;
  for (const auto& entry : counts) {
    if (entry.second > 0) lost += entry.second;
    if (entry.second < 0) gained -= entry.second;
  }
  return std::to_string(lost) + " lines lost, " + std::to_string(gained) + " lines gained";
}

// kWrittenShort: sorted, but the editor took only the first bytes of what
// was written in place of the document or the selection.
enum class Outcome { kUntouched, kSorted, kWrittenShort };

// The document is exactly one of the two texts it may be, and says what
// went wrong when it is not. Huge texts are not printed.
void ExpectDocument(const std::string& after, const std::string& before, const std::string& sorted,
                    Outcome expected) {
  const std::string& want = expected == Outcome::kSorted ? sorted : before;
  if (after == want) return;
  ADD_FAILURE() << (after == before ? "untouched" : after == sorted ? "sorted" : "damaged") << " ("
                << after.size() << " bytes, " << LineCountDifference(before, after) << ")"
                << (after.size() < 400 ? ": " + ::testing::PrintToString(after) : std::string());
}

// Documents of a given size, each line different enough to move in the sort.
std::string NumberedLines(size_t count, size_t width) {
  std::string text;
  text.reserve(count * (width + 2));
  unsigned state = 12345;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    std::string line = std::to_string(state % 1000003) + " ";
    line.resize(width, static_cast<char>('a' + i % 26));
    text += line + "\r\n";
  }
  return text;
}

// -- Refusals, short reads and short insertions -----------------------------

struct FaultRow {
  const char* name;
  StandinVariant variant;
  const char* options;
  std::string text;
  size_t selStart, selEnd;  // equal: the whole document
  int exitCode;
  Outcome outcome;
  const char* box;  // the one message owned by the editor, or none
  size_t written = 0;  // kWrittenShort: the bytes the editor took
};

void PrintTo(const FaultRow& row, std::ostream* os) { *os << row.name; }

const std::string kMixed = "みかん\r\nb\r\nいちご\r\na\r\nバナナ\r\nc\r\n漢字\r\n";
const std::string kHead = "head\r\n";
const size_t kMixedFrom = kHead.size(), kMixedTo = kHead.size() + kMixed.size();
// A pane that takes a few bytes per insertion cuts wherever its count ends;
// through Unicode (Wine) a cut inside a two-byte character cannot be joined
// again, so the short insertions are shown on text whose cuts fall between
// characters: single bytes, or two-byte characters and line ends only.
const std::string kAscii = "pear\r\nfig\r\nb\r\napple\r\nkiwi\r\n";
const size_t kAsciiFrom = kHead.size(), kAsciiTo = kHead.size() + kAscii.size();
const std::string kWideOnly = "みかん\r\nいちご\r\nバナナ\r\n漢字\r\n";
// Longer than one WM_GETTEXT chunk, so the read deletes and undoes.
const std::string kTwoChunks = NumberedLines(2000, 30);
// A NUL would end its line in the sort and cut off the rest of the text.
const std::string kNul = std::string("b\r\nx\0y\r\na\r\nd\r\nc\r\n", 17);
const std::string kNulSelected = std::string("q\r\nb\r\nx\0y\r\na\r\nz", 15);
const std::string kNulBefore = std::string("x\0y\r\n", 5);
const size_t kNulBeforeTo = kNulBefore.size() + kAscii.size();
// For panes that copy less than asked per WM_GETTEXT: 13 bytes, a copy of 4
// ending inside the second two-byte character; and 40,000 bytes.
const std::string kThirteen = "い\r\nb\r\nあ\r\ncd";
const std::string kForty = NumberedLines(1000, 38);
// Under Wine a message's text reaches the editor as Unicode on the stack of
// its receiving thread: an editor with a stack of 1 MB is given the sorted
// text in pieces, 2 MB of lines, and a line of 300 KB, mostly two-byte
// characters after one of one byte, cut between characters.
const std::string kTwoMegabytes = NumberedLines(50000, 38);
// A line whose CR is the last byte of a 128 KB insertion once sorted first.
const std::string kCrAtPieceEnd = "b\r\n" + std::string((size_t(128) << 10) - 1, 'a') + "\r\n";
std::string LongJapaneseLine() {
  std::string line = "x";
  for (int i = 0; i < 75000; ++i) line += "あい";
  return "b\r\n" + line + "\r\na\r\n";
}

// Rows pair up: the same fault with and without the channel, or the same
// transport with and without the fault.
const FaultRow kFaultRows[] = {
    {"ExportRefused", StandinVariant::k0_73_0_1, "--refuse-export=0", kMixed, 0, 0, 0, Outcome::kSorted, nullptr},
    {"ExportRefused_Selection", StandinVariant::k0_73_0_1, "--refuse-export=01", kHead + kMixed + "tail", kMixedFrom,
     kMixedTo, 0, Outcome::kSorted, nullptr},
    {"ImportRefused", StandinVariant::k0_73_0_1, "--refuse-import=0", kMixed, 0, 0, 0, Outcome::kSorted, nullptr},
    {"ImportRefused_Selection", StandinVariant::k0_73_0_1, "--refuse-import=1", kHead + kMixed + "tail", kMixedFrom,
     kMixedTo, 0, Outcome::kSorted, nullptr},
    {"BothRefused_Chunked", StandinVariant::k0_73_0_1, "--refuse-export=01 --refuse-import=01", kTwoChunks, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"InsertLimit2_Channel", StandinVariant::k0_73_0_1, "--insert-limit=2", kMixed, 0, 0, 0, Outcome::kSorted,
     nullptr},
    {"InsertLimit3_ImportRefused", StandinVariant::k0_73_0_1, "--insert-limit=3 --refuse-import=0", kAscii, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"InsertLimit3_Messages", StandinVariant::k0_72_0_5, "--insert-limit=3", kAscii, 0, 0, 0, Outcome::kSorted,
     nullptr},
    {"InsertLimit3_Messages_Selection", StandinVariant::k0_72_0_5, "--insert-limit=3", kHead + kAscii + "tail",
     kAsciiFrom, kAsciiTo, 0, Outcome::kSorted, nullptr},
    {"InsertLimit2_Messages_WholeCharacters", StandinVariant::k0_72_0_5, "--insert-limit=2", kWideOnly, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"InsertLimit1000_Messages_Chunked", StandinVariant::k0_72_0_5, "--insert-limit=1000", kTwoChunks, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"ShortCopies4_Messages", StandinVariant::k0_72_0_5, "--gettext-chunk=4", kThirteen, 0, 0, 0, Outcome::kSorted,
     nullptr},
    {"ShortCopies4_Messages_Selection", StandinVariant::k0_72_0_5, "--gettext-chunk=4", kHead + kThirteen + "\r\nz",
     kHead.size(), kHead.size() + kThirteen.size(), 0, Outcome::kSorted, nullptr},
    {"ShortCopies20000_Messages", StandinVariant::k0_72_0_5, "--gettext-chunk=20000", kForty, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"ShortCopies32000_Channel", StandinVariant::k0_73_0_1, "--gettext-chunk=32000", kForty, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"OneMegabyteStack_Messages", StandinVariant::k0_72_0_5, "--stack=1048576", kTwoMegabytes, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"OneMegabyteStack_Messages_LongLine", StandinVariant::k0_72_0_5, "--stack=1048576", LongJapaneseLine(), 0, 0,
     0, Outcome::kSorted, nullptr},
    {"CrAtPieceEnd_Messages_LfAsCrLf", StandinVariant::k0_72_0_5, "--lf-as-crlf", kCrAtPieceEnd, 0, 0, 0,
     Outcome::kSorted, nullptr},
    {"GetTextLimit_Channel", StandinVariant::k0_73_0_1, "--gettext-limit=5", kMixed, 0, 0, 0, Outcome::kSorted,
     nullptr},
    {"GetTextLimit_Messages", StandinVariant::k0_72_0_5, "--gettext-limit=5", kMixed, 0, 0, kReadFailed,
     Outcome::kUntouched, kReadFailedText},
    {"GetTextLimit_VersionZero", StandinVariant::k0_73_0_1, "--gettext-limit=5 --exe-name=", kMixed, 0, 0,
     kReadFailed, Outcome::kUntouched, kReadFailedText},
    {"GetTextLimitZero_Messages", StandinVariant::k0_72_0_5, "--gettext-limit=0", kMixed, 0, 0, kReadFailed,
     Outcome::kUntouched, kReadFailedText},
    {"GetTextLimit_Messages_Selection", StandinVariant::k0_72_0_6, "--gettext-limit=5", kHead + kMixed + "tail",
     kMixedFrom, kMixedTo, kReadFailed, Outcome::kUntouched, kReadFailedText},
    {"GetTextLimit_Messages_Chunked", StandinVariant::k0_72_0_5, "--gettext-limit=33000", kTwoChunks, 0, 0,
     kReadFailed, Outcome::kUntouched, kReadFailedText},
    // Read whole, but the undos do not bring the front back: the text read
    // is put back.
    {"UndoShorterThanDeletions_Chunked", StandinVariant::k0_72_0_5, "--undo-limit=0", kTwoChunks, 0, 0, kReadFailed,
     Outcome::kUntouched, kReadFailedText},
    {"TypedDuringRead_Chunked", StandinVariant::k0_72_0_5, "--type-after-clear=typed", kTwoChunks, 0, 0,
     kReadFailed, Outcome::kUntouched, kReadFailedText},
    {"PaneReportsFourGigabytes_Channel", StandinVariant::k0_73_0_1, "--report-selection=0,4294967295", kTwoChunks, 0,
     0, kReadFailed, Outcome::kUntouched, kReadFailedText},
    {"NulInText_Channel", StandinVariant::k0_73_0_1, "", kNul, 0, 0, kReadFailed, Outcome::kUntouched,
     kReadFailedText},
    {"NulInText_Messages", StandinVariant::k0_72_0_5, "", kNul, 0, 0, kReadFailed, Outcome::kUntouched,
     kReadFailedText},
    {"NulInSelection_Channel", StandinVariant::k0_73_0_1, "", kNulSelected, 3, 14, kReadFailed, Outcome::kUntouched,
     kReadFailedText},
    {"NulInSelection_Messages", StandinVariant::k0_72_0_5, "", kNulSelected, 3, 14, kReadFailed,
     Outcome::kUntouched, kReadFailedText},
    {"NulBeforeSelection_Channel", StandinVariant::k0_73_0_1, "", kNulBefore + kAscii, kNulBefore.size(),
     kNulBeforeTo, 0, Outcome::kSorted, nullptr},
    {"NulBeforeSelection_Messages", StandinVariant::k0_72_0_5, "", kNulBefore + kAscii, kNulBefore.size(),
     kNulBeforeTo, 0, Outcome::kSorted, nullptr},
    {"ReplaceSelNeverArrives_Messages", StandinVariant::k0_72_0_5, "--ignore-replacesel", kAscii, 0, 0, kNotSorted,
     Outcome::kUntouched, kTextOutOfMemory},
    {"ReplaceSelNeverArrives_Messages_Selection", StandinVariant::k0_72_0_5, "--ignore-replacesel",
     kHead + kAscii + "tail", kAsciiFrom, kAsciiTo, kNotSorted, Outcome::kUntouched, kTextOutOfMemory},
    {"InsertTotal_Channel", StandinVariant::k0_73_0_1, "--insert-total=9", kMixed, 0, 0, kNotWrittenBack,
     Outcome::kWrittenShort, kTextWriteBackFailed, 9},
    {"InsertTotal_Messages", StandinVariant::k0_72_0_5, "--insert-total=9", kAscii, 0, 0, kNotWrittenBack,
     Outcome::kWrittenShort, kTextWriteBackFailed, 9},
    {"InsertTotal_Channel_Selection", StandinVariant::k0_73_0_1, "--insert-total=9", kHead + kMixed + "tail",
     kMixedFrom, kMixedTo, kNotWrittenBack, Outcome::kWrittenShort, kTextWriteBackFailed, 9},
    {"InsertTotal_Messages_Selection", StandinVariant::k0_72_0_5, "--insert-total=9", kHead + kAscii + "tail",
     kAsciiFrom, kAsciiTo, kNotWrittenBack, Outcome::kWrittenShort, kTextWriteBackFailed, 9},
};

// The document after a sort whose result the editor took only the first
// written bytes of.
std::string WrittenShort(const FaultRow& row) {
  size_t start = row.selStart, end = row.selStart == row.selEnd ? row.text.size() : row.selEnd;
  std::string sorted = SortedText(row.text.substr(start, end - start), Order::kBytes);
  return row.text.substr(0, start) + sorted.substr(0, row.written) + row.text.substr(end);
}

class FaultTable : public OrdwellTest, public ::testing::WithParamInterface<FaultRow> {};

// Bytes order, so that the expected result is computed exactly here.
TEST_P(FaultTable, DocumentUntouchedOrSortedExactly) {
  const FaultRow& row = GetParam();
  std::string options = row.options;
  if (row.selStart != row.selEnd) {
    options += " --select=" + std::to_string(row.selStart) + "," + std::to_string(row.selEnd);
  }
  Standin editor;
  ASSERT_TRUE(StartEditor(row.variant, options, row.text, &editor));
  ASSERT_TRUE(StartOrdwell("/A /T", &run_));

  if (row.box) {
    FoundMessageBox box = WaitForBox(editor.mainWindow);
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.text, row.box);
    EXPECT_TRUE(DismissMessageBox(box.window));
  }
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, row.exitCode);
  std::string after = TextOf(editor);
  if (row.outcome == Outcome::kWrittenShort) {
    EXPECT_EQ(after, WrittenShort(row));
  } else {
    ExpectDocument(after, row.text, SortedDocument(row.text, Order::kBytes, row.selStart, row.selEnd), row.outcome);
  }
  // A selection stays selected over what was written, as far as the editor
  // holds it (and says so).
  std::pair<DWORD, DWORD> selection(DWORD(row.selStart), DWORD(std::min(row.selEnd, after.size())));
  if (row.selStart == row.selEnd) selection = {0, 0};
  if (options.find("--report-selection") == std::string::npos) {
    EXPECT_EQ(SelectionOf(editor), selection);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, FaultTable, ::testing::ValuesIn(kFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

// -- Bytes that are not code page 932 text ----------------------------------

struct BytesRow {
  const char* name;
  StandinVariant variant;
  std::string text;
  int exitCode;
  Outcome outcome;
};

void PrintTo(const BytesRow& row, std::ostream* os) { *os << row.name; }

// Lead bytes with no trail byte, bytes that no character begins with, and
// unassigned pairs, each next to ordinary lines.
const std::string kLeadBeforeLineEnd = "a\x82\r\nb\r\n\x9F\r\nc\r\n";
const std::string kLeadAtTextEnd = "b\r\na\r\nz\x9F";
const std::string kStrayBytes = "\xFF\r\n\x80x\r\nA\r\n\xA0\r\n\xFD\xFE\r\n\x80\r\n";
const std::string kUnassignedPairs = "\x85\x40\r\nb\r\n\xEF\xFC\r\na\r\n";

// The channel moves bytes as they are, sized by the pane's own byte count.
// Messages pass through Unicode under Wine: bytes it maps both ways come
// through; a lead byte at the end of the text is lost, which the pane's own
// byte count shows, so the tool refuses the text rather than write back
// less than it was given.
const BytesRow kBytesRows[] = {
    {"LeadBeforeLineEnd_Channel", StandinVariant::k0_73_0_1, kLeadBeforeLineEnd, 0, Outcome::kSorted},
    {"LeadAtTextEnd_Channel", StandinVariant::k0_73_0_1, kLeadAtTextEnd, 0, Outcome::kSorted},
    {"StrayBytes_Channel", StandinVariant::k0_73_0_1, kStrayBytes, 0, Outcome::kSorted},
    {"UnassignedPairs_Channel", StandinVariant::k0_73_0_1, kUnassignedPairs, 0, Outcome::kSorted},
    {"StrayBytes_Messages", StandinVariant::k0_72_0_5, kStrayBytes, 0, Outcome::kSorted},
    {"LeadAtTextEnd_Messages", StandinVariant::k0_72_0_5, kLeadAtTextEnd, kReadFailed, Outcome::kUntouched},
};

class BytesTable : public OrdwellTest, public ::testing::WithParamInterface<BytesRow> {};

TEST_P(BytesTable, SortedByteExactOrRefused) {
  const BytesRow& row = GetParam();
  for (Order order : {Order::kBytes, Order::kLocale}) {
    SCOPED_TRACE(order == Order::kBytes ? "bytes" : "locale");
    Standin editor;
    ASSERT_TRUE(StartEditor(row.variant, "", row.text, &editor));
    ASSERT_TRUE(StartOrdwell(order == Order::kBytes ? "/A /T" : "/A", &run_));
    if (row.exitCode == kReadFailed) {
      FoundMessageBox box = WaitForBox(editor.mainWindow);
      EXPECT_EQ(box.text, kReadFailedText);
      EXPECT_TRUE(DismissMessageBox(box.window));
    }
    OrdwellEnd end = WaitForOrdwellEnd(run_);
    EXPECT_EQ(end.strayBox, "");
    EXPECT_EQ(end.exitCode, row.exitCode);
    ExpectDocument(TextOf(editor), row.text, SortedDocument(row.text, order), row.outcome);
    EXPECT_TRUE(StopStandin(&editor));
    StopOrdwell(&run_);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, BytesTable, ::testing::ValuesIn(kBytesRows),
                         [](const auto& info) { return std::string(info.param.name); });

// -- The editor goes away ----------------------------------------------------

// The document as the editor held it when its window closed.
std::string SavedDocument(const std::string& path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(not saved)";
  char chunk[65536];
  DWORD done = 0;
  while (ReadFile(file, chunk, sizeof chunk, &done, nullptr) && done > 0) bytes.append(chunk, done);
  CloseHandle(file);
  return bytes;
}

// An editor that keeps its document in a file when its window closes.
struct ClosingEditor {
  Standin standin;
  std::string savePath;
  bool Start(StandinVariant variant, const std::string& options, const std::string& text, bool waitForPane = true) {
    savePath = WriteTempFile("(not saved)");
    return !savePath.empty() &&
           StartEditor(variant, options + " \"--save-on-close=" + savePath + "\"", text, &standin, waitForPane);
  }
  bool WaitUntilGone() { return WaitForSingleObject(standin.process, 10000) == WAIT_OBJECT_0; }
  ~ClosingEditor() {
    StopStandin(&standin);
    if (!savePath.empty()) DeleteFileA(savePath.c_str());
  }
};

// The capture waits for a pane that never comes; the editor closes meanwhile.
// Whether the capture is still waiting for the window or already for its
// pane, it ends the same way.
TEST_F(EditorFaultTest, ClosedDuringCaptureGivesCaptureMessage) {
  ClosingEditor editor;
  ASSERT_TRUE(editor.Start(StandinVariant::k0_73_0_1, "--pane-delay=100000", kMixed, false));
  ASSERT_TRUE(StartOrdwell("/A /T", &run_));
  WaitFor([&] { return ElapsedSince(run_) >= 700; }, 5000);
  PostMessageA(editor.standin.mainWindow, WM_CLOSE, 0, 0);
  ASSERT_TRUE(editor.WaitUntilGone());

  FoundMessageBox box = WaitForBox(nullptr);
  EXPECT_EQ(box.text, "Morvane の捕捉に失敗しました。");
  EXPECT_TRUE(DismissMessageBox(box.window));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, kNoEditor);
  EXPECT_EQ(SavedDocument(editor.savePath), kMixed);
}

struct DialogCloseRow {
  const char* name;
  bool terminated;  // ended from outside rather than closed
  int button;       // pressed in the dialog afterwards
  int exitCode;
};

void PrintTo(const DialogCloseRow& row, std::ostream* os) { *os << row.name; }

// The dialog outlives its owner; whatever the user then presses, nothing
// is written anywhere, and a run that goes on finds no text to sort.
const DialogCloseRow kDialogCloseRows[] = {
    {"Closed_Ok", false, IDOK, kNotSorted},
    {"Closed_Cancel", false, IDCANCEL, kCancelled},
    {"Terminated_Ok", true, IDOK, kNotSorted},
    {"Terminated_Cancel", true, IDCANCEL, kCancelled},
};

class DialogCloseTable : public OrdwellTest, public ::testing::WithParamInterface<DialogCloseRow> {};

TEST_P(DialogCloseTable, EditorGoneWhileDialogIsUp) {
  const DialogCloseRow& row = GetParam();
  ClosingEditor editor;
  ASSERT_TRUE(editor.Start(StandinVariant::k0_73_0_1, "", kMixed));
  ASSERT_TRUE(StartOrdwell("/A /T /D", &run_));
  FoundMessageBox dialog = WaitForBox(editor.standin.mainWindow);
  ASSERT_NE(dialog.window, nullptr);
  if (row.terminated) {
    TerminateProcess(editor.standin.process, 1);
  } else {
    PostMessageA(editor.standin.mainWindow, WM_CLOSE, 0, 0);
  }
  ASSERT_TRUE(editor.WaitUntilGone());

  ASSERT_TRUE(IsWindow(dialog.window)) << "the dialog went with its owner";
  EXPECT_TRUE(DismissMessageBox(dialog.window, row.button));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, row.exitCode);
  if (!row.terminated) {
    EXPECT_EQ(SavedDocument(editor.savePath), kMixed);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, DialogCloseTable, ::testing::ValuesIn(kDialogCloseRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct EditorGoneRow {
  const char* name;
  StandinVariant variant;
  std::string options;  // with when it closes
  std::string text;
  int exitCode;
};

void PrintTo(const EditorGoneRow& row, std::ostream* os) { *os << row.name; }

// The editor goes right after it handed out the text: the write-back finds
// no window, and the document is kept as it was. Nothing was written, which
// the run says, in a box without an owner; before, it ended as a sort. An
// editor that goes after the first piece of a write-back through messages
// keeps that piece, and the run says that the text was not written back.
const std::string kCloseAfterRead = " --close-after-read";
const EditorGoneRow kEditorGoneRows[] = {
    {"Channel", StandinVariant::k0_73_0_1, kCloseAfterRead, kMixed, kNotSorted},
    {"Channel_Selection", StandinVariant::k0_73_0_1,
     "--select=" + std::to_string(kMixedFrom) + "," + std::to_string(kMixedTo) + kCloseAfterRead,
     kHead + kMixed + "tail", kNotSorted},
    {"Messages", StandinVariant::k0_72_0_5, kCloseAfterRead, kMixed, kNotSorted},
    {"Messages_ClosesMidWrite", StandinVariant::k0_72_0_5, "--close-after-write", kTwoMegabytes, kNotWrittenBack},
};

class EditorGoneTable : public OrdwellTest, public ::testing::WithParamInterface<EditorGoneRow> {};

TEST_P(EditorGoneTable, NeverReportedAsWritten) {
  const EditorGoneRow& row = GetParam();
  ClosingEditor editor;
  ASSERT_TRUE(editor.Start(row.variant, row.options, row.text));
  ASSERT_TRUE(StartOrdwell("/A /T", &run_));
  FoundMessageBox box = WaitForBox(nullptr);
  EXPECT_EQ(box.text, kTextEditorGone);
  EXPECT_TRUE(DismissMessageBox(box.window));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, row.exitCode);
  ASSERT_TRUE(editor.WaitUntilGone());
  std::string saved = SavedDocument(editor.savePath);
  if (row.exitCode == kNotSorted) {
    EXPECT_EQ(saved, row.text);
  } else {
    std::string sorted = SortedText(row.text, Order::kBytes);
    EXPECT_TRUE(saved.size() < sorted.size() && sorted.compare(0, saved.size(), saved) == 0) << saved.size();
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, EditorGoneTable, ::testing::ValuesIn(kEditorGoneRows),
                         [](const auto& info) { return std::string(info.param.name); });

// -- Two runs at once ----------------------------------------------------------

struct TwoRunsRow {
  const char* name;
  StandinVariant variant;
  const char* options;
  std::string text;
};

void PrintTo(const TwoRunsRow& row, std::ostream* os) { *os << row.name; }

const TwoRunsRow kTwoRunsRows[] = {
    {"Channel", StandinVariant::k0_73_0_1, "", kTwoChunks},
    {"Messages_Chunked", StandinVariant::k0_72_0_5, "", kTwoChunks},
    {"Messages_ManyChunks", StandinVariant::k0_72_0_5, "", NumberedLines(20000, 30)},
    {"ChannelReadMessagesWrite", StandinVariant::k0_73_0_1, "--refuse-import=0", kTwoChunks},
};

class TwoRunsTable : public OrdwellTest, public ::testing::WithParamInterface<TwoRunsRow> {};

// One run sorts ascending, the other descending, both started at once: the
// document ends as one of them left it, the other's work replaced whole.
// Without turns, one run's chunked read lost the lines that the other had
// deleted from the front of the pane for its own read.
TEST_P(TwoRunsTable, RunsTakeTurnsAndLoseNoLine) {
  const TwoRunsRow& row = GetParam();
  std::string ascending = SortedText(row.text, Order::kBytes);
  std::vector<std::string> lines = LinesOf(ascending);
  std::string descending;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) descending += *line + "\r\n";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Standin editor;
    ASSERT_TRUE(StartEditor(row.variant, row.options, row.text, &editor));
    OrdwellRun other;
    ASSERT_TRUE(StartOrdwell("/A /T", &run_));
    ASSERT_TRUE(StartOrdwell("/T", &other));
    OrdwellEnd first = WaitForOrdwellEnd(run_, 60000);
    OrdwellEnd second = WaitForOrdwellEnd(other, 60000);
    StopOrdwell(&other);
    EXPECT_EQ(first.strayBox + second.strayBox, "");
    EXPECT_EQ(first.exitCode, kSorted);
    EXPECT_EQ(second.exitCode, kSorted);
    std::string after = TextOf(editor);
    if (after != ascending && after != descending) {
      ADD_FAILURE() << "damaged (" << after.size() << " bytes, " << LineCountDifference(row.text, after) << ")";
    }
    EXPECT_TRUE(StopStandin(&editor));
    StopOrdwell(&run_);
  }
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, TwoRunsTable, ::testing::ValuesIn(kTwoRunsRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A run that cannot have its turn on the editor within 30 s, as when another
// run holds it on a large text or on an editor that stopped answering, reads
// nothing. The turn is held here as a run holds it. The wait is long, so only
// the shipped 32-bit build waits it out.
using EditorTurn = OrdwellTest;

TEST_F(EditorTurn, NotHadWithinItsWaitReadsNothing) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "waited out by the i686 build only";
  Standin editor;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", kMixed, &editor));
  char name[64];
  std::snprintf(name, sizeof name, "Ordwell_Turn_%u",
                static_cast<unsigned>(reinterpret_cast<UINT_PTR>(editor.mainWindow)));
  HANDLE turn = CreateMutexA(nullptr, TRUE, name);
  ASSERT_NE(turn, nullptr);
  ASSERT_TRUE(StartOrdwell("/A /T", &run_));
  FoundMessageBox box = WaitForBox(editor.mainWindow, 45000);
  unsigned elapsed = ElapsedSince(run_);
  EXPECT_EQ(box.text, kReadFailedText);
  EXPECT_GE(elapsed, 30000u);
  EXPECT_TRUE(DismissMessageBox(box.window));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  ReleaseMutex(turn);
  CloseHandle(turn);
  EXPECT_EQ(end.exitCode, kReadFailed);
  EXPECT_EQ(TextOf(editor), kMixed);
  EXPECT_EQ(StandinMessageCount(editor, EDM_EXPORTTEXT), 0);
}

// -- Documents at the limits -------------------------------------------------------

struct LargeRow {
  const char* name;
  StandinVariant variant;
  std::string (*text)();
  const char* arguments;
  int exitCode;
  std::string (*expected)(const std::string& text);  // null: untouched
  bool showsWork = false;  // large or of many lines: the work window shows while the run works
  const char* editorOptions = "";
  const char* box = nullptr;  // the one message owned by the editor, or none
};

void PrintTo(const LargeRow& row, std::ostream* os) { *os << row.name; }

std::string FiftyMegabytes() { return NumberedLines(1 << 20, 48); }
std::string OneLineOfOneMegabyte() { return std::string(1 << 20, 'x'); }
std::string LongLineAmongShort() { return "b\r\n" + std::string(1 << 20, 'm') + "\r\na\r\nz"; }
std::string MillionEmptyLines() {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "\r\n";
  return text;
}
std::string AscendingBytes(const std::string& text) { return SortedText(text, Order::kBytes); }
std::string AscendingLocale(const std::string& text) { return SortedText(text, Order::kLocale); }
std::string OneEmptyLine(const std::string&) { return "\r\n"; }

const LargeRow kLargeRows[] = {
    {"FiftyMegabytes_Channel", StandinVariant::k0_73_0_1, FiftyMegabytes, "/A /T", 0, AscendingBytes, true},
    {"FiftyMegabytes_Extract", StandinVariant::k0_73_0_1, FiftyMegabytes, "/A /T /E", 0, AscendingBytes, true},
    {"OneLineOfOneMegabyte_Channel", StandinVariant::k0_73_0_1, OneLineOfOneMegabyte, "/A", kNotSorted, nullptr},
    {"LongLineAmongShort_Channel", StandinVariant::k0_73_0_1, LongLineAmongShort, "/A", 0, AscendingLocale},
    {"LongLineAmongShort_Messages", StandinVariant::k0_72_0_5, LongLineAmongShort, "/A", 0, AscendingLocale},
    {"MillionEmptyLines_Channel", StandinVariant::k0_73_0_1, MillionEmptyLines, "/A", 0, AscendingLocale, true},
    {"MillionEmptyLines_RemoveDuplicates", StandinVariant::k0_73_0_1, MillionEmptyLines, "/A /R", 0, OneEmptyLine,
     true},
    {"MillionEmptyLines_NeverTaken_Messages", StandinVariant::k0_72_0_5, MillionEmptyLines, "/A /T", kNotSorted,
     nullptr, true, "--ignore-replacesel", kTextOutOfMemory},
};

class LargeTable : public OrdwellTest, public ::testing::WithParamInterface<LargeRow> {};

TEST_P(LargeTable, SortedExactlyOrUntouched) {
  const LargeRow& row = GetParam();
  const std::string text = row.text();
  Standin editor;
  ASSERT_TRUE(StartEditor(row.variant, row.editorOptions, text, &editor));
  ASSERT_TRUE(StartOrdwell(row.arguments, &run_));
  // While the work window shows, the editor keeps the foreground, which the
  // capture of a second editor (/E) relies on, and the window answers at
  // every moment, lest the system offer to end the tool mid-write; it is
  // gone before any message.
  bool workShown = false, foregroundMoved = false;
  ULONGLONG longestSilence = 0;
  WaitFor(
      [&] {
        HWND work = FindWorkWindow(run_);
        bool working = work != nullptr;
        workShown = workShown || working;
        foregroundMoved = foregroundMoved || (working && GetForegroundWindow() != editor.mainWindow);
        ULONGLONG asked = GetTickCount64();
        DWORD_PTR ignored = 0;
        if (working && (SendMessageTimeoutA(work, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored) || IsWindow(work)))
          longestSilence = std::max(longestSilence, GetTickCount64() - asked);
        return WaitForSingleObject(run_.process, 0) == WAIT_OBJECT_0 || AnyMessageBox(run_.processId);
      },
      120000);
  EXPECT_EQ(workShown, row.showsWork);
  EXPECT_FALSE(foregroundMoved);
  EXPECT_LT(longestSilence, 1000u) << "the work window stood without answering for " << longestSilence << " ms";
  if (row.box) {
    EXPECT_EQ(FindWorkWindow(run_), nullptr);
    FoundMessageBox box = WaitForBox(editor.mainWindow);
    EXPECT_EQ(box.text, row.box);
    EXPECT_TRUE(DismissMessageBox(box.window));
  }
  OrdwellEnd end = WaitForOrdwellEnd(run_, 120000);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_TRUE(end.exited);
  EXPECT_EQ(end.exitCode, row.exitCode);
  std::string expected = row.expected ? row.expected(text) : text;
  ExpectDocument(TextOf(editor), text, expected, row.expected ? Outcome::kSorted : Outcome::kUntouched);
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, LargeTable, ::testing::ValuesIn(kLargeRows),
                         [](const auto& info) { return std::string(info.param.name); });

// -- Beyond the limits of the 32-bit process ---------------------------------

// A new file in the temporary folder holding megabytes times the same MB of
// numbered lines, written a block at a time; its path, empty on failure.
std::string WriteLargeDocument(size_t megabytes) {
  const std::string block = NumberedLines(26214, 38) + std::string(1 << 20, 'x').substr(26214 * 40);
  std::string path = WriteTempFile("");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (path.empty() || file == INVALID_HANDLE_VALUE) return std::string();
  DWORD done = 0;
  bool ok = true;
  for (size_t k = 0; ok && k < megabytes; ++k) ok = WriteFile(file, block.data(), DWORD(block.size()), &done, nullptr);
  CloseHandle(file);
  return ok ? path : std::string();
}

bool SameFileBytes(const std::string& a, const std::string& b) {
  HANDLE files[2] = {CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
                     CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)};
  std::string chunks[2] = {std::string(1 << 20, '\0'), std::string(1 << 20, '\0')};
  bool same = files[0] != INVALID_HANDLE_VALUE && files[1] != INVALID_HANDLE_VALUE;
  for (DWORD got[2] = {1, 1}; same && got[0] > 0;) {
    for (int i = 0; i < 2; ++i) same = same && ReadFile(files[i], &chunks[i][0], 1 << 20, &got[i], nullptr);
    same = same && got[0] == got[1] && chunks[0].compare(0, got[0], chunks[1], 0, got[1]) == 0;
  }
  for (HANDLE file : files) {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return same;
}

struct BeyondRow {
  const char* name;
  StandinVariant variant;
  size_t megabytes;
};

void PrintTo(const BeyondRow& row, std::ostream* os) { *os << row.name; }

// The shipped build sorts up to about 980 MB under Wine (40-byte lines),
// through either path: just above, the sort's second copy of the text finds
// no room in the 4 GB; far above, not even the read's one. How far each
// run gets depends on the process's layout; how it ends may not.
const BeyondRow kBeyondRows[] = {
    {"JustAbove_Channel", StandinVariant::k0_73_0_1, 1100},
    {"FarAbove_Channel", StandinVariant::k0_73_0_1, 2048},
    {"JustAbove_Messages", StandinVariant::k0_72_0_5, 1100},
    {"FarAbove_Messages", StandinVariant::k0_72_0_5, 2048},
};

class BeyondTable : public OrdwellTest, public ::testing::WithParamInterface<BeyondRow> {
 protected:
  void TearDown() override {
    OrdwellTest::TearDown();
    if (!narrowStandins_.empty()) UseStandinDir(narrowStandins_);
  }
  // The x86_64 stand-ins: false when the win64 build has none.
  bool UseWideStandins() {
#ifdef ORDWELL_WIDE_STANDIN_DIR
    std::string wide = ORDWELL_WIDE_STANDIN_DIR;
    for (char& c : wide) {
      if (c == '/') c = '\\';
    }
    if (GetFileAttributesA((wide + "\\" + kStandinExe_0_73_0_1).c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    narrowStandins_ = StandinDirInUse();
    UseStandinDir(wide);
    return true;
#else
    return false;
#endif
  }
  std::string narrowStandins_;
};

// The run ends as the read or the sort ends without memory, the document
// untouched (made and compared on disk: the 32-bit test has no room for it
// either), the editor answering; a channel read is never taken apart into a
// chunked read of the document. A 64-bit run has room: not tried there.
TEST_P(BeyondTable, EndsWithItsMessageAndTheDocumentUntouched) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit run has room for these documents";
  ASSERT_TRUE(UseWideStandins()) << "the x86_64 stand-ins: build the win64 preset";
  const BeyondRow& row = GetParam();
  std::string document = WriteLargeDocument(row.megabytes), after = WriteTempFile("");
  ASSERT_FALSE(document.empty() || after.empty());
  Standin editor;
  bool started = StartStandin(row.variant, "\"--file=" + document + "\"", &editor, true, 120000) &&
                 WaitForForeground(editor.mainWindow);
  if (started) {
    ASSERT_TRUE(StartOrdwell("/A /T", &run_));
    FoundMessageBox box = WaitForBox(editor.mainWindow, 600000);
    EXPECT_TRUE(DismissMessageBox(box.window));
    OrdwellEnd end = WaitForOrdwellEnd(run_);
    EXPECT_EQ(end.strayBox, "");
    std::pair<int, std::string> ending(end.exitCode, box.text);
    EXPECT_TRUE(ending == std::make_pair(int(kNotSorted), std::string(kTextOutOfMemory)) ||
                ending == std::make_pair(kReadFailed, std::string(kReadFailedText)))
        << end.exitCode << " " << box.text;
    if (row.variant == StandinVariant::k0_73_0_1) {
      EXPECT_EQ(StandinMessageCount(editor, WM_CLEAR), 0);
    }
    EXPECT_TRUE(SaveStandinText(editor, after));
    EXPECT_TRUE(SameFileBytes(document, after));
  }
  DeleteFileA(document.c_str());
  DeleteFileA(after.c_str());
  ASSERT_TRUE(started);
}

INSTANTIATE_TEST_SUITE_P(EditorFaults, BeyondTable, ::testing::ValuesIn(kBeyondRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
