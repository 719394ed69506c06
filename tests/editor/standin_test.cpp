// The stand-in editor itself: what each command-line option makes of it, as
// the capture and the end-to-end tests will see it from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/deadline.h"
#include "tests/support/standin_process.h"

namespace {

std::string TextOfWindow(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

class StandinEditor : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(StopStandin(&standin_));
    EXPECT_TRUE(NoStandinRunning());
  }
  Standin standin_;
};

TEST_F(StandinEditor, PlainStartIsAnEmptyEditorInTheForeground) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "", &standin_));
  EXPECT_EQ(ClassOf(standin_.mainWindow), "TMorvaneMainForm");
  EXPECT_EQ(TextOfWindow(standin_.mainWindow), "Morvane");
  EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == standin_.mainWindow; }, 5000));
  EXPECT_EQ(GetWindowTextLengthA(standin_.editPane), 0);
  HWND exeName = FindWindowExA(standin_.mainWindow, nullptr, "TMorvaneExeName", nullptr);
  ASSERT_NE(exeName, nullptr);
  std::string path = TextOfWindow(exeName);
  ASSERT_GT(path.size(), 20u);
  EXPECT_EQ(path.substr(1, 2), ":\\") << path;  // a full path
  EXPECT_EQ(lstrcmpiA(path.c_str() + path.size() - 19, "\\MorvaneStandin.exe"), 0) << path;
}

// The tool starts new instances itself; a test finds them by process.
TEST_F(StandinEditor, AttachFindsARunningInstance) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_6, "", &standin_));
  std::vector<DWORD> ids = StandinProcessIds();
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(ids[0], standin_.processId);
  Standin attached;
  ASSERT_TRUE(AttachStandin(ids[0], &attached));
  EXPECT_EQ(attached.mainWindow, standin_.mainWindow);
  EXPECT_EQ(attached.editPane, standin_.editPane);
  EXPECT_TRUE(StopStandin(&attached));
  EXPECT_TRUE(NoStandinRunning());
}

TEST_F(StandinEditor, ExeNameChildByOption) {
  struct Row {
    const char* options;
    bool present;
    const char* text;  // null: the executable's own path
  } rows[] = {
      {"--no-exe-name", false, nullptr},
      {"--exe-name=C:\\elsewhere\\Morvane.exe", true, "C:\\elsewhere\\Morvane.exe"},
      {"--exe-name=", true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_5, row.options, &standin_));
    HWND exeName = FindWindowExA(standin_.mainWindow, nullptr, "TMorvaneExeName", nullptr);
    EXPECT_EQ(exeName != nullptr, row.present);
    if (exeName && row.text) {
      EXPECT_EQ(TextOfWindow(exeName), row.text);
    }
    TearDown();
  }
}

TEST_F(StandinEditor, SecondPaneComesAfterTheFirst) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "--second-pane=other", &standin_));
  HWND second = FindWindowExA(standin_.mainWindow, standin_.editPane, "TEditor", nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SendMessageA(second, WM_GETTEXTLENGTH, 0, 0), 5);
  EXPECT_EQ(SendMessageA(standin_.editPane, WM_GETTEXTLENGTH, 0, 0), 0);
}

TEST_F(StandinEditor, PaneAppearsAfterItsDelay) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "--pane-delay=700", &standin_, false));
  EXPECT_EQ(FindWindowExA(standin_.mainWindow, nullptr, "TEditor", nullptr), nullptr);
  EXPECT_TRUE(WaitForEditPane(&standin_, 5000));
}

TEST_F(StandinEditor, TitleAndClassByOption) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "--title=無題 --main-class=oniwnd0", &standin_));
  EXPECT_EQ(ClassOf(standin_.mainWindow), "oniwnd0");
  EXPECT_EQ(TextOfWindow(standin_.mainWindow), "無題");
}

TEST_F(StandinEditor, FileAndSelectionAtStart) {
  std::string file = WriteTempFile("一行目\r\ntwo\r\n");
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "\"--file=" + file + "\" --select=8,0", &standin_));
  DeleteFileA(file.c_str());
  std::string text;
  ASSERT_TRUE(ReadStandinText(standin_, &text));
  EXPECT_EQ(text, "一行目\r\ntwo\r\n");
  DWORD start = 99, end = 99;
  ASSERT_TRUE(ReadStandinSelection(standin_, &start, &end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 8u);
}

TEST_F(StandinEditor, SavesItsTextWhenClosed) {
  std::string path = WriteTempFile("");
  ASSERT_TRUE(StartStandin(StandinVariant::k0_73_0_1, "\"--save-on-close=" + path + "\"", &standin_));
  ASSERT_TRUE(SetStandinText(standin_, "保存\r\n"));
  PostMessageA(standin_.mainWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(standin_.process, 5000), WAIT_OBJECT_0);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  char bytes[16] = {};
  DWORD read = 0;
  ReadFile(file, bytes, sizeof bytes, &read, nullptr);
  CloseHandle(file);
  DeleteFileA(path.c_str());
  EXPECT_EQ(std::string(bytes, read), "保存\r\n");
}

// Deletions are undone one per EM_UNDO, latest first.
TEST_F(StandinEditor, UndoTakesBackDeletionsInTurn) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_5, "", &standin_));
  ASSERT_TRUE(SetStandinText(standin_, "abcdefgh"));
  HWND pane = standin_.editPane;
  SendMessageA(pane, EM_SETSEL, 0, 3);
  SendMessageA(pane, WM_CLEAR, 0, 0);
  SendMessageA(pane, EM_SETSEL, 2, 4);
  SendMessageA(pane, WM_CLEAR, 0, 0);
  std::string text;
  ASSERT_TRUE(ReadStandinText(standin_, &text));
  EXPECT_EQ(text, "deh");
  EXPECT_EQ(SendMessageA(pane, EM_UNDO, 0, 0), TRUE);
  ASSERT_TRUE(ReadStandinText(standin_, &text));
  EXPECT_EQ(text, "defgh");
  EXPECT_EQ(SendMessageA(pane, EM_UNDO, 0, 0), TRUE);
  ASSERT_TRUE(ReadStandinText(standin_, &text));
  EXPECT_EQ(text, "abcdefgh");
  EXPECT_EQ(SendMessageA(pane, EM_UNDO, 0, 0), FALSE);
}

// EM_GETSEL packs both positions into its reply only while they fit 16 bits.
TEST_F(StandinEditor, GetSelPacksSmallPositions) {
  ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_5, "", &standin_));
  ASSERT_TRUE(SetStandinText(standin_, std::string(70000, 'a')));
  struct Row {
    long start, end;
    LRESULT reply;
  } rows[] = {{3, 9, MAKELONG(3, 9)}, {3, 65535, MAKELONG(3, 65535)}, {3, 65536, -1}, {0, -1, -1}};
  for (const Row& row : rows) {
    SendMessageA(standin_.editPane, EM_SETSEL, row.start, row.end);
    EXPECT_EQ(SendMessageA(standin_.editPane, EM_GETSEL, 0, 0), row.reply) << row.start << "," << row.end;
  }
}

}  // namespace
