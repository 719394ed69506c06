#pragma once
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/ordwell_run.h"
#include "tests/support/deadline.h"
#include "tests/support/message_box_watch.h"
#include "tests/support/standin_process.h"

// A test that runs Ordwell.exe against stand-in editors. Whatever happens,
// the run and every stand-in (those the tool started too) are gone after it.
class OrdwellTest : public ::testing::Test {
 protected:
  void TearDown() override {
    StopOrdwell(&run_);
    StopAllStandins();
    EXPECT_TRUE(NoStandinRunning());
    EXPECT_TRUE(NoOrdwellRunning());
  }

  // Runs the tool with the arguments to its end, expecting no message box.
  OrdwellEnd RunToEnd(const std::string& arguments) {
    OrdwellEnd end;
    if (!StartOrdwell(arguments, &run_)) {
      ADD_FAILURE() << "Ordwell.exe did not start: " << OrdwellExePath();
      return end;
    }
    end = WaitForOrdwellEnd(run_);
    EXPECT_EQ(end.strayBox, "");
    EXPECT_TRUE(end.exited);
    return end;
  }

  // Waits for a box of the run owned by owner and reads it, leaving it up.
  // A run that ends meanwhile ends the wait.
  FoundMessageBox WaitForBox(HWND owner, unsigned timeoutMs = 15000) {
    FoundMessageBox box;
    bool found = false;
    WaitFor(
        [&] {
          found = FindMessageBox(owner, run_.processId, 0, &box);
          return found || WaitForSingleObject(run_.process, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    EXPECT_TRUE(found) << "no box owned by " << owner;
    return box;
  }

  static std::string TextOf(const Standin& editor) {
    std::string text;
    EXPECT_TRUE(ReadStandinText(editor, &text));
    return text;
  }

  static std::pair<DWORD, DWORD> SelectionOf(const Standin& editor) {
    DWORD start = 0xDEAD, end = 0xDEAD;
    EXPECT_TRUE(ReadStandinSelection(editor, &start, &end));
    return {start, end};
  }

  OrdwellRun run_;
};

// Exit codes as the process reports them.
enum : int {
  kSorted = 0,
  kNoEditor = -1,
  kCancelled = -3,
  kNotSorted = -5,
};

inline constexpr char kCaption[] = "Ordwell";
