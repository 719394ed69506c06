// Moving duplicate lines into a newly started editor: the first editor keeps
// the sorted text, the new one gets the duplicates and shows its first line,
// and a new instance that fails never costs the user the sorted document,
// nor, when the duplicates leave it (/R), a line.
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "res/texts.h"
#include "tests/e2e/run_fixture.h"
#include "tools/standin/standin_options.h"

namespace {

struct ExtractRow {
  const char* name;
  const char* arguments;
  std::string text;
  std::string sorted;
  std::string duplicates;
};

void PrintTo(const ExtractRow& row, std::ostream* os) { *os << row.name; }

// Extraction alone keeps the duplicate lines in the sorted text; with /R
// they move.
const ExtractRow kExtractRows[] = {
    {"WithDuplicates", "/AE", "b\r\nあ\r\nb\r\nc\r\nあ\r\n", "b\r\nb\r\nc\r\nあ\r\nあ\r\n", "b\r\nあ\r\n"},
    {"WithoutDuplicates", "/AE", "b\r\na\r\n", "a\r\nb\r\n", ""},
    {"DuplicatesMoved", "/ARE", "b\r\na\r\nb\r\nc\r\n", "a\r\nb\r\nc\r\n", "b\r\n"},
};

class ExtractTable : public OrdwellTest, public ::testing::WithParamInterface<ExtractRow> {};

TEST_P(ExtractTable, NewEditorGetsTheDuplicatesAtItsFirstLine) {
  const ExtractRow& row = GetParam();
  Standin first;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", row.text, &first));

  OrdwellEnd end = RunToEnd(row.arguments);
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(first), row.sorted);
  EXPECT_EQ(SelectionOf(first), std::make_pair(DWORD(0), DWORD(0)));
  EXPECT_EQ(StandinMessageCount(first, EDM_GOTOLINE), 0);

  std::vector<DWORD> others = OtherStandinIds(first.processId);
  ASSERT_EQ(others.size(), 1u) << "one new editor";
  Standin second;
  ASSERT_TRUE(AttachStandin(others[0], &second));
  EXPECT_NE(second.mainWindow, first.mainWindow);
  EXPECT_EQ(TextOf(second), row.duplicates);
  EXPECT_EQ(StandinMessageCount(second, EDM_IMPORTTEXT), 1);
  EXPECT_EQ(StandinMessageCount(second, EDM_GOTOLINE), 1);
  EXPECT_EQ(StandinLastWParam(second, EDM_GOTOLINE), 1);  // line 0, counted from 1 in the message
  EXPECT_TRUE(StopStandin(&second));
}

INSTANTIATE_TEST_SUITE_P(Extract, ExtractTable, ::testing::ValuesIn(kExtractRows),
                         [](const auto& info) { return std::string(info.param.name); });

const std::string kUnsortedText = "b\r\na\r\nb\r\n";
const std::string kSortedText = "a\r\nb\r\nb\r\n";

struct NewEditorFaultRow {
  const char* name;
  const char* arguments;
  std::string options;                 // the first editor's
  std::vector<std::string> variables;  // the run's, which the new editor inherits
  const char* box;
  size_t newEditors;  // still running when the box is up
  const char* held;   // what the new editor then holds; null: not looked at
  LRESULT imports;    // into the first editor: the sort's write (none when its version is unknown)
  int exitCode;
  const std::string& document;  // the first editor's afterwards
};

void PrintTo(const NewEditorFaultRow& row, std::ostream* os) { *os << row.name; }

// The editor names an executable that is not there; the new instance is idle
// but shows no window within the capture's wait, while the user's editor
// stays in front (only a window of the process just started may be taken:
// the duplicates must not replace the sorted document); the new instance
// takes only part of the duplicates. Duplicates that would leave the
// document (/R) stay in it, and nothing is written.
const std::string kCannotStart = "\"--exe-name=Z:\\no such folder\\Morvane.exe\"";
const std::string kNeverComes = std::string(kStartDelayVariable) + "=60000";
const std::string kTakesTwoBytes = std::string(kInsertTotalVariable) + "=2";
const NewEditorFaultRow kNewEditorFaultRows[] = {
    {"CannotStart", "/AE", kCannotStart, {}, kTextNewEditorStartFailed, 0, nullptr, 0, kSorted, kSortedText},
    {"WindowNeverComes", "/AE", "", {kNeverComes}, kTextNewEditorCaptureFailed, 1, nullptr, 1, kSorted, kSortedText},
    {"TakesPartOfTheDuplicates", "/AE", "", {kTakesTwoBytes}, kTextNewEditorWriteFailed, 1, "b\r", 1, kSorted,
     kSortedText},
    {"CannotStart_Removing", "/ARE", kCannotStart, {}, kTextNewEditorStartFailed, 0, nullptr, 0, kNotSorted,
     kUnsortedText},
    {"WindowNeverComes_Removing", "/ARE", "", {kNeverComes}, kTextNewEditorCaptureFailed, 1, nullptr, 0, kNotSorted,
     kUnsortedText},
    {"TakesPartOfTheDuplicates_Removing", "/ARE", "", {kTakesTwoBytes}, kTextNewEditorWriteFailed, 1, "b\r", 0,
     kNotSorted, kUnsortedText},
};

class NewEditorFaultTable : public OrdwellTest, public ::testing::WithParamInterface<NewEditorFaultRow> {};

// Whatever the new instance does, the user is told, and no line is lost:
// the sort stands and the run counts as done, or (/R) the document stands
// as it was and nothing was written.
TEST_P(NewEditorFaultTable, NoLineLostAndTheUserIsTold) {
  const NewEditorFaultRow& row = GetParam();
  Standin first;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, row.options, kUnsortedText, &first));
  ASSERT_TRUE(StartOrdwell(row.arguments, &run_, row.variables));

  FoundMessageBox box = WaitForBox(first.mainWindow);
  EXPECT_EQ(box.caption, kCaption);
  EXPECT_EQ(box.text, row.box);
  EXPECT_EQ(TextOf(first), row.document);
  std::vector<DWORD> others = OtherStandinIds(first.processId);
  EXPECT_EQ(others.size(), row.newEditors);
  if (row.held && others.size() == 1) {
    Standin second;
    ASSERT_TRUE(AttachStandin(others[0], &second));
    EXPECT_EQ(TextOf(second), row.held);
  }
  ASSERT_TRUE(DismissMessageBox(box.window));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, row.exitCode);
  EXPECT_EQ(TextOf(first), row.document);
  EXPECT_EQ(StandinMessageCount(first, EDM_IMPORTTEXT), row.imports);  // nothing after the sort's write
  EXPECT_EQ(StandinMessageCount(first, EDM_GOTOLINE), 0);
}

INSTANTIATE_TEST_SUITE_P(Extract, NewEditorFaultTable, ::testing::ValuesIn(kNewEditorFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
