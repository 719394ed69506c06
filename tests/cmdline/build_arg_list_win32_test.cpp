#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "cmdline/arg_list.h"

namespace {

const char kChildFilter[] = "--gtest_filter=BuildArgList.DISABLED_ChildSeesItsCommandLine";

std::string ModulePath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

// Run only as the child of the test below, with switches after the test's
// own flags: they must arrive split by the tool's rules.
TEST(BuildArgList, DISABLED_ChildSeesItsCommandLine) {
  ArgList list;
  BuildArgList(list);
  ASSERT_EQ(list.count, 6);
  EXPECT_EQ(std::string(list.table[0]), ModulePath());
  EXPECT_STREQ(list.table[1], kChildFilter);
  EXPECT_STREQ(list.table[3], "/A");
  EXPECT_STREQ(list.table[4], "/R");
  EXPECT_STREQ(list.table[5], "x y");
  EXPECT_EQ(list.table[6], nullptr);
  ReleaseArgList(list);
}

TEST(BuildArgList, ReadsTheProcessCommandLine) {
  std::string commandLine = "\"" + ModulePath() + "\" " + kChildFilter +
                            " --gtest_also_run_disabled_tests /A/R \"x y\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);  // a deadline, not a guess
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  if (exitCode == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u) << "the child saw another command line";
}

}  // namespace
