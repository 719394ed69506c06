#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline/arg_list.h"
#include "filter/filter_args.h"

namespace {

// A switch quoted for the splitter comes back from it byte for byte, apart
// from the split at each slash that the tool's own command line gets too.
TEST(QuoteSwitch, SplitterGivesTheSwitchBack) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<std::string> split;
  };
  const Row rows[] = {
      {"Plain", "/A", {"/A"}},
      {"RunTogether", "/A/F:3", {"/A", "/F:3"}},
      {"TrailingSpace", "/F:5 ", {"/F:5 "}},
      {"InnerBlanks", "/a b\tc", {"/a b\tc"}},
      {"Quote", "/\"x", {"/\"x"}},
      {"Backslashes", "/a\\\\b\\", {"/a\\\\b\\"}},
      {"TrailByteBackslash", "/\x95\\\"", {"/\x95\\\""}},  // 0x95 0x5C is one character
  };
  for (const Row& r : rows) {
    ArgList list = {};
    std::string line = "ordwell-sort " + QuoteSwitch(r.text.c_str());
    SplitCommandLine(list, line.c_str());
    std::vector<std::string> got;
    for (int i = 1; i < list.count; ++i) got.push_back(list.table[i]);
    EXPECT_EQ(got, r.split) << r.name;
    ReleaseArgList(list);
  }
}

// The filter's own arguments leave empty arguments in their places.
TEST(SeparateFilterArgs, KeepsPositionsForTheSplitter) {
  struct Row {
    const char* name;
    std::vector<const char*> argv;
    const char* input;
    const char* duplicates;
    bool help;
    const char* line;
  };
  const Row rows[] = {
      {"Nothing", {"x"}, nullptr, nullptr, false, "ordwell-sort"},
      {"SwitchThenFile", {"x", "/A", "in"}, "in", nullptr, false, "ordwell-sort \"/A\" \"\""},
      {"DuplicatesApart", {"x", "--duplicates", "d", "/E"}, nullptr, "d", false,
       "ordwell-sort \"\" \"\" \"/E\""},
      {"DuplicatesJoined", {"x", "--duplicates=d", "/E"}, nullptr, "d", false, "ordwell-sort \"\" \"/E\""},
      {"SlashPathAfterDashes", {"x", "--", "/tmp/in"}, "/tmp/in", nullptr, false, "ordwell-sort \"\" \"\""},
      {"Help", {"x", "-h"}, nullptr, nullptr, true, "ordwell-sort \"\""},
  };
  for (const Row& r : rows) {
    FilterArgs args;
    std::vector<char*> argv;
    for (const char* a : r.argv) argv.push_back(const_cast<char*>(a));
    ASSERT_TRUE(SeparateFilterArgs(static_cast<int>(argv.size()), argv.data(), args)) << r.name;
    EXPECT_STREQ(args.inputPath, r.input) << r.name;
    EXPECT_STREQ(args.duplicatesPath, r.duplicates) << r.name;
    EXPECT_EQ(args.help, r.help) << r.name;
    EXPECT_EQ(args.switchLine, r.line) << r.name;
  }
}

}  // namespace
