// Moving duplicate lines into a newly started editor: the first editor keeps
// the sorted text, the new one gets the duplicates and shows its first line,
// and a new instance that fails never costs the user the sorted document.
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "res/texts.h"
#include "tests/e2e/run_fixture.h"
#include "tools/standin/standin_options.h"

namespace {

struct ExtractRow {
  const char* name;
  std::string text;
  std::string sorted;
  std::string duplicates;
};

void PrintTo(const ExtractRow& row, std::ostream* os) { *os << row.name; }

// Extraction alone keeps the duplicate lines in the sorted text.
const ExtractRow kExtractRows[] = {
    {"WithDuplicates", "b\r\nあ\r\nb\r\nc\r\nあ\r\n", "b\r\nb\r\nc\r\nあ\r\nあ\r\n", "b\r\nあ\r\n"},
    {"WithoutDuplicates", "b\r\na\r\n", "a\r\nb\r\n", ""},
};

class ExtractTable : public OrdwellTest, public ::testing::WithParamInterface<ExtractRow> {};

TEST_P(ExtractTable, NewEditorGetsTheDuplicatesAtItsFirstLine) {
  const ExtractRow& row = GetParam();
  Standin first;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", row.text, &first));

  OrdwellEnd end = RunToEnd("/AE");
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
  std::string options;                 // the first editor's
  std::vector<std::string> variables;  // the run's, which the new editor inherits
  const char* box;
  size_t newEditors;  // still running when the box is up
  const char* held;   // what the new editor then holds; null: not looked at
  LRESULT imports;    // into the first editor: the sort's write (none when its version is unknown)
};

void PrintTo(const NewEditorFaultRow& row, std::ostream* os) { *os << row.name; }

// The editor names an executable that is not there; the new instance is idle
// but shows no window within the capture's wait, while the user's editor
// stays in front (only a window of the process just started may be taken:
// the duplicates must not replace the sorted document); the new instance
// takes only part of the duplicates.
const NewEditorFaultRow kNewEditorFaultRows[] = {
    {"CannotStart", "\"--exe-name=Z:\\no such folder\\Morvane.exe\"", {}, "新しい Morvane の起動に失敗しました。", 0,
     nullptr, 0},
    {"WindowNeverComes", "", {std::string(kStartDelayVariable) + "=60000"}, "新しい Morvane の捕捉に失敗しました。", 1,
     nullptr, 1},
    {"TakesPartOfTheDuplicates", "", {std::string(kInsertTotalVariable) + "=2"}, kTextNewEditorWriteFailed, 1,
     "b\r", 1},
};

class NewEditorFaultTable : public OrdwellTest, public ::testing::WithParamInterface<NewEditorFaultRow> {};

// Whatever the new instance does, the sort stands, the user is told, and the
// run still counts as done.
TEST_P(NewEditorFaultTable, SortStandsAndTheUserIsTold) {
  const NewEditorFaultRow& row = GetParam();
  Standin first;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, row.options, kUnsortedText, &first));
  ASSERT_TRUE(StartOrdwell("/AE", &run_, row.variables));

  FoundMessageBox box = WaitForBox(first.mainWindow);
  EXPECT_EQ(box.caption, kCaption);
  EXPECT_EQ(box.text, row.box);
  EXPECT_EQ(TextOf(first), kSortedText);
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
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(first), kSortedText);
  EXPECT_EQ(StandinMessageCount(first, EDM_IMPORTTEXT), row.imports);  // nothing after the sort's write
  EXPECT_EQ(StandinMessageCount(first, EDM_GOTOLINE), 0);
}

INSTANTIATE_TEST_SUITE_P(Extract, NewEditorFaultTable, ::testing::ValuesIn(kNewEditorFaultRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
