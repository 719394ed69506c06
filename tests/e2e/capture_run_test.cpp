// Which window in front lets the tool capture an editor, and how long it
// waits before it gives up with the capture message.
#include <string>

#include "editor/editor_protocol.h"
#include "tests/e2e/run_fixture.h"

namespace {

using CaptureRunTest = OrdwellTest;

const std::string kUnsortedText = "b\r\na\r\nc\r\n";
const std::string kSortedText = "a\r\nb\r\nc\r\n";

struct FailureRow {
  const char* name;
  bool editorBehind;         // an editor with a text runs behind the window in front
  const char* frontOptions;  // the stand-in in front; null: none at all
  unsigned atLeastMs;        // the box comes no earlier (the capture waited)
  unsigned belowMs;          // and before this
};

void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

// The capture waits 2500 ms for an editor's main window in front and, once
// it has one, 2500 ms for its pane; the bound above that leaves the run's
// start under Wine its time and still catches a wait taken twice. The
// launcher with no editor behind it ends the wait at once.
const FailureRow kFailureRows[] = {
    {"NoEditor", false, nullptr, 2500, 4500},
    {"ConsoleInFrontOfAnEditor", true, "--main-class=ConsoleWindowClass", 2500, 4500},
    {"ClassDiffersInCase", false, "--main-class=tmorvanemainform", 2500, 4500},
    {"LauncherWithoutEditor", false, "--main-class=oniwnd0", 0, 2000},
    {"PaneNeverShown", false, "--pane-delay=100000", 2500, 4500},
};

class CaptureFailure : public OrdwellTest, public ::testing::WithParamInterface<FailureRow> {};

// The box has no owner: the capture kept no main window, even when it had
// found one whose pane never came.
TEST_P(CaptureFailure, MessageWithoutOwnerThenMinusOne) {
  const FailureRow& row = GetParam();
  Standin behind, front;
  if (row.editorBehind) {
    ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", kUnsortedText, &behind));
  }
  if (row.frontOptions) {
    ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, row.frontOptions, kUnsortedText, &front, false));
  }
  ASSERT_TRUE(StartOrdwell("/A", &run_));

  FoundMessageBox box = WaitForBox(nullptr);
  unsigned elapsed = ElapsedSince(run_);
  EXPECT_EQ(box.caption, kCaption);
  EXPECT_EQ(box.text, "Morvane の捕捉に失敗しました。");
  EXPECT_GE(elapsed, row.atLeastMs);
  EXPECT_LT(elapsed, row.belowMs);
  ASSERT_TRUE(DismissMessageBox(box.window));
  OrdwellEnd end = WaitForOrdwellEnd(run_);
  EXPECT_EQ(end.strayBox, "");
  EXPECT_EQ(end.exitCode, kNoEditor);
  if (row.frontOptions) {
    EXPECT_EQ(TextOf(front), kUnsortedText);
  }
  if (row.editorBehind) {
    EXPECT_EQ(TextOf(behind), kUnsortedText);
    EXPECT_EQ(StandinMessageCount(behind, EDM_EXPORTTEXT), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Capture, CaptureFailure, ::testing::ValuesIn(kFailureRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The launcher in front stands for the editor's main window behind it.
TEST_F(CaptureRunTest, LauncherInFrontOfAnEditorSortsTheEditor) {
  Standin editor, launcher;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "", kUnsortedText, &editor));
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "--main-class=oniwnd0", kUnsortedText, &launcher));

  OrdwellEnd end = RunToEnd("/A");
  EXPECT_EQ(end.exitCode, kSorted);
  EXPECT_EQ(TextOf(editor), kSortedText);
  EXPECT_EQ(TextOf(launcher), kUnsortedText);
  EXPECT_EQ(StandinMessageCount(launcher, EDM_EXPORTTEXT), 0);
}

// A pane that comes within the capture's wait is as good as one that was there.
TEST_F(CaptureRunTest, PaneThatAppearsLateIsWaitedFor) {
  Standin editor;
  ASSERT_TRUE(StartEditor(StandinVariant::k0_73_0_1, "--pane-delay=1500", kUnsortedText, &editor, false));
  EXPECT_EQ(FindWindowExA(editor.mainWindow, nullptr, "TEditor", nullptr), nullptr) << "the pane came too soon";

  OrdwellEnd end = RunToEnd("/A");
  EXPECT_EQ(end.exitCode, kSorted);
  ASSERT_TRUE(WaitForEditPane(&editor, 0));
  EXPECT_EQ(TextOf(editor), kSortedText);
}

}  // namespace
