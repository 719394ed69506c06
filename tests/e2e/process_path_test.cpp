// The executable path of another process's window, through either of the
// two process-list methods, against a running stand-in.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "editor/capture.h"
#include "tests/e2e/ordwell_run.h"

namespace {

const int kPlatformNt = 2;       // psapi: the full path
const int kPlatformWindows = 1;  // tool help: the file name alone

class ProcessPath : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(StartStandin(StandinVariant::k0_72_0_6, "", &standin_)); }
  void TearDown() override {
    ForceProcessListPlatform(-1);
    EXPECT_TRUE(StopStandin(&standin_));
    EXPECT_TRUE(NoStandinRunning());
  }
  Standin standin_;
};

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {};
  GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

struct PathRow {
  const char* name;
  int platform;
  size_t size;  // the buffer size given; the bytes beyond it must stay as they were
  bool fileNameOnly;
};

void PrintTo(const PathRow& row, std::ostream* os) { *os << row.name; }

const char kExeName[] = "MorvaneStandin_0_72_0_6.exe";

// Tool help copies as strncpy does: as many bytes as fit, the rest of the
// buffer zero-filled, no terminator added when the name fills it.
const PathRow kPathRows[] = {
    {"Psapi", kPlatformNt, 262, false},
    {"ToolHelp", kPlatformWindows, 262, true},
    {"ToolHelpNameJustFits", kPlatformWindows, sizeof kExeName - 1, true},
    {"ToolHelpNameCut", kPlatformWindows, 7, true},
};

class ProcessPathTable : public ProcessPath, public ::testing::WithParamInterface<PathRow> {};

TEST_P(ProcessPathTable, BufferHoldsWhatTheMethodGives) {
  const PathRow& row = GetParam();
  ForceProcessListPlatform(row.platform);
  char buffer[300];
  std::memset(buffer, '#', sizeof buffer);
  ASSERT_TRUE(GetWindowProcessExePath(standin_.mainWindow, buffer, row.size));
  if (!row.fileNameOnly) {
    EXPECT_EQ(lstrcmpiA(buffer, FullPath(StandinExePath(StandinVariant::k0_72_0_6)).c_str()), 0) << buffer;
    return;
  }
  std::string expected(kExeName, std::min(row.size, sizeof kExeName - 1));
  expected.resize(row.size, '\0');
  EXPECT_EQ(std::string(buffer, row.size), expected);
  EXPECT_EQ(buffer[row.size], '#');
}

INSTANTIATE_TEST_SUITE_P(Capture, ProcessPathTable, ::testing::ValuesIn(kPathRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Nothing to look at, or nowhere to put it: false on either method.
TEST_F(ProcessPath, RefusesWhatItCannotServe) {
  for (int platform : {kPlatformNt, kPlatformWindows}) {
    SCOPED_TRACE(platform);
    ForceProcessListPlatform(platform);
    char buffer[262] = {};
    HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(GetWindowProcessExePath(gone, buffer, sizeof buffer));
    EXPECT_FALSE(GetWindowProcessExePath(nullptr, buffer, sizeof buffer));
    EXPECT_FALSE(GetWindowProcessExePath(standin_.mainWindow, nullptr, sizeof buffer));
    EXPECT_FALSE(GetWindowProcessExePath(standin_.mainWindow, buffer, 0));
    EXPECT_EQ(buffer[0], '\0');
  }
}

}  // namespace
