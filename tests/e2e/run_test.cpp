// One run of Ordwell.exe from start to exit code: what it does to the
// editor's text, selection and caret, which transport it takes, and what it
// shows before the options dialog.
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "tests/e2e/run_fixture.h"

namespace {

using RunTest = OrdwellTest;

const std::string kUnsorted = "みかん\r\nいちご\r\nbanana\r\nApple\r\n";
const std::string kSortedAscending = "Apple\r\nbanana\r\nいちご\r\nみかん\r\n";

struct TransportRow {
  const char* name;
  StandinVariant variant;
  const char* options;
  bool exeNameOfOlder;  // the exe-name child names the 0.72.0.5 executable
  LRESULT kindAsked;    // EDM_GETSELECTIONKIND received
  LRESULT channelUsed;  // EDM_EXPORTTEXT and EDM_IMPORTTEXT received
};

void PrintTo(const TransportRow& row, std::ostream* os) { *os << row.name; }

// The version comes from the executable that the editor names, or that owns
// its window; it alone decides the transport.
const TransportRow kTransportRows[] = {
    {"ExeNameChild_0_73_0_1", StandinVariant::k0_73_0_1, "", false, 1, 1},
    {"ProcessList_0_73_0_1", StandinVariant::k0_73_0_1, "--no-exe-name", false, 1, 1},
    {"EmptyExeName_0_73_0_1", StandinVariant::k0_73_0_1, "--exe-name=", false, 0, 0},
    {"ExeNameOfOlder_0_73_0_1", StandinVariant::k0_73_0_1, "", true, 0, 0},
    {"ExeNameChild_0_72_0_6", StandinVariant::k0_72_0_6, "", false, 1, 0},
    {"ProcessList_0_72_0_6", StandinVariant::k0_72_0_6, "--no-exe-name", false, 1, 0},
    {"ExeNameChild_0_72_0_5", StandinVariant::k0_72_0_5, "", false, 0, 0},
    {"ExeNameChild_NoVersion", StandinVariant::kNoVersion, "", false, 0, 0},
};

class TransportTable : public OrdwellTest, public ::testing::WithParamInterface<TransportRow> {};

TEST_P(TransportTable, WholeDocumentSortedWithCaretAtStart) {
  const TransportRow& row = GetParam();
  std::string options = row.options;
  if (row.exeNameOfOlder) options = "\"--exe-name=" + StandinExePath(StandinVariant::k0_72_0_5) + "\"";
  Standin editor;
  ASSERT_TRUE(StartEditor(row.variant, options, kUnsorted, &editor));

  OrdwellEnd end = RunToEnd("/A");
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(editor), kSortedAscending);
  EXPECT_EQ(SelectionOf(editor), std::make_pair(DWORD(0), DWORD(0)));
  EXPECT_EQ(StandinMessageCount(editor, EDM_GETSELECTIONKIND), row.kindAsked);
  EXPECT_EQ(StandinMessageCount(editor, EDM_EXPORTTEXT), row.channelUsed);
  EXPECT_EQ(StandinMessageCount(editor, EDM_IMPORTTEXT), row.channelUsed);
  EXPECT_EQ(StandinMessageCount(editor, EM_REPLACESEL) > 0, !row.channelUsed);
}

INSTANTIATE_TEST_SUITE_P(Run, TransportTable, ::testing::ValuesIn(kTransportRows),
                         [](const auto& info) { return std::string(info.param.name); });

// A selection in the middle of the document: only it is sorted, and it stays
// selected over the sorted lines.
TEST_F(RunTest, SelectionSortedAndSelectedThroughEitherTransport) {
  const std::string before = "head\r\n", after = "tail";
  const std::string lines = "c\r\nう\r\nb\r\nあ\r\n";
  const std::string sorted = "b\r\nc\r\nあ\r\nう\r\n";
  const DWORD start = DWORD(before.size()), stop = DWORD(before.size() + lines.size());
  for (StandinVariant variant : {StandinVariant::k0_73_0_1, StandinVariant::k0_72_0_5}) {
    SCOPED_TRACE(StandinExePath(variant));
    Standin editor;
    ASSERT_TRUE(StartEditor(variant, "--select=" + std::to_string(start) + "," + std::to_string(stop),
                            before + lines + after, &editor));
    OrdwellEnd end = RunToEnd("/A");
    EXPECT_EQ(end.exitCode, kSorted);
    EXPECT_EQ(TextOf(editor), before + sorted + after);
    EXPECT_EQ(SelectionOf(editor), std::make_pair(start, stop));
    EXPECT_TRUE(StopStandin(&editor));
    StopOrdwell(&run_);
  }
}

// One line is no sort: the tool ends without a word and writes nothing.
TEST_F(RunTest, OneLineRefusedAndNothingWritten) {
  struct Row {
    const char* text;
    const char* options;
    DWORD selStart, selEnd;
  } rows[] = {
      {"only line\r\n", "", 0, 0},
      {"x\r\ny\r\n", "--select=0,3", 0, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    Standin editor;
    ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, row.options, row.text, &editor));
    OrdwellEnd end = RunToEnd("/A");
    EXPECT_EQ(end.exitCode, kNotSorted);
    EXPECT_EQ(TextOf(editor), row.text);
    EXPECT_EQ(SelectionOf(editor), std::make_pair(row.selStart, row.selEnd));
    EXPECT_EQ(StandinMessageCount(editor, EDM_IMPORTTEXT), 0);
    EXPECT_EQ(StandinMessageCount(editor, EM_REPLACESEL), 0);
    EXPECT_TRUE(StopStandin(&editor));
    StopOrdwell(&run_);
  }
}

struct SwitchRow {
  const char* name;
  const char* arguments;
  std::vector<std::string> messages;  // in the order they come, each owned by the editor
};

void PrintTo(const SwitchRow& row, std::ostream* os) { *os << row.name; }

const SwitchRow kSwitchRows[] = {
    {"NoArguments", "", {}},
    {"DialogSwitch", "/A /D", {}},
    {"TwoUnknownLetters", "/XY", {"1 番目の引数が認識できません： '/XY'", "1 番目の引数が認識できません： '/XY'"}},
    {"NotASwitchThird", "/A /R Q", {"3 番目の引数が認識できません： 'Q'"}},
    {"ValueOutOfRange", "/F:0 /A", {"1 番目の引数が認識できません： '/F:0'"}},
};

class SwitchTable : public OrdwellTest, public ::testing::WithParamInterface<SwitchRow> {};

// Faulty switches are reported one box at a time and lead to the dialog;
// cancelling it ends the run with the editor untouched.
TEST_P(SwitchTable, MessagesThenDialogThenCancel) {
  const SwitchRow& row = GetParam();
  Standin editor;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "--select=0,8", kUnsorted, &editor));
  ASSERT_TRUE(StartOrdwell(row.arguments, &run_));

  std::vector<std::string> messages;
  FoundMessageBox box;
  for (;;) {
    box = WaitForBox(editor.mainWindow);
    if (!box.window || box.caption != kCaption) break;
    messages.push_back(box.text);
    ASSERT_TRUE(DismissMessageBox(box.window));
  }
  EXPECT_EQ(messages, row.messages);
  ASSERT_NE(box.window, nullptr) << "no options dialog";
  EXPECT_EQ(box.caption.compare(0, 8, "Ordwell "), 0) << box.caption;
  EXPECT_FALSE(IsWindowEnabled(editor.mainWindow));  // the dialog is modal over the editor
  ASSERT_TRUE(DismissMessageBox(box.window, IDCANCEL));

  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, kCancelled);
  EXPECT_EQ(TextOf(editor), kUnsorted);
  EXPECT_EQ(SelectionOf(editor), std::make_pair(DWORD(0), DWORD(8)));
  for (UINT message : {UINT(EDM_GETSELECTIONKIND), UINT(EDM_EXPORTTEXT), UINT(EDM_IMPORTTEXT), UINT(EM_REPLACESEL)})
    EXPECT_EQ(StandinMessageCount(editor, message), 0) << std::hex << message;
}

INSTANTIATE_TEST_SUITE_P(Run, SwitchTable, ::testing::ValuesIn(kSwitchRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
