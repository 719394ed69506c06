#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "cmdline/arg_list.h"

namespace {

// Prints the command line this process got, for a first look under Wine.
TEST(BuildArgList, ReadsTheProcessCommandLine) {
  ArgList list;
  BuildArgList(list);
  std::printf("[%s]\n", GetCommandLineA());
  for (int i = 0; i < list.count; ++i) std::printf("%d [%s]\n", i, list.table[i]);
  ReleaseArgList(list);
}

}  // namespace
