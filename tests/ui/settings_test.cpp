// The settings file: the path rule, loading over the switches, and saving
// all nine keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "tests/ui/settings_file.h"
#include "ui/settings.h"

namespace {

const SortOptions kReset = {0, 0, 0, 0, 0, 0, 0, 0, kColumnFromDefault, kColumnWidthDefault};

bool SameOptions(SortOptions a, SortOptions b) {
  for (int k = 0; k < 7; ++k)
    if (OptionFlag(a, k) != OptionFlag(b, k)) return false;
  return a.ShowOptionsDialog == b.ShowOptionsDialog && a.ColumnFrom == b.ColumnFrom && a.ColumnWidth == b.ColumnWidth;
}

std::string Describe(SortOptions o) {
  std::string s;
  for (int k = 0; k < 7; ++k) s += OptionFlag(o, k) ? '1' : '0';
  return s + " from " + std::to_string(o.ColumnFrom) + " width " + std::to_string(o.ColumnWidth);
}

TEST(MakeSettingsPath, ReplacesTheLastThreeBytes) {
  struct Case { std::string path; bool ok; std::string result; };
  const std::string longest(kSettingsPathSize - 1, 'x');
  const std::string cut(kSettingsPathSize, 'x');
  const Case cases[] = {
      {"C:\\Tools\\Ordwell.exe", true, "C:\\Tools\\Ordwell.ini"},
      {"C:\\Tools\\Ordwell.EXE", true, "C:\\Tools\\Ordwell.ini"},
      // No dot is looked for: whatever the last three bytes are, they go.
      {"C:\\Tools\\Ordwell", true, "C:\\Tools\\Ordwini"},
      {"C:\\Tools\\a.b.com", true, "C:\\Tools\\a.b.ini"},
      {"exe", true, "ini"},
      // Too short to replace anything: refused, untouched.
      {"ex", false, "ex"},
      {"", false, ""},
      // 259 bytes is the longest whole path; 260 means the system cut it.
      {longest, true, longest.substr(0, longest.size() - 3) + "ini"},
      {cut, false, cut},
  };
  for (const Case& c : cases) {
    char buffer[kSettingsPathSize + 1] = {};
    std::memcpy(buffer, c.path.data(), c.path.size());
    EXPECT_EQ(c.ok, MakeSettingsPath(buffer, c.path.size())) << c.path;
    EXPECT_EQ(c.result, std::string(buffer, c.path.size())) << c.path;
  }
}

TEST(SettingsPath, IsTheExecutableWithIni) {
  char module[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
  ASSERT_GT(length, 4u);
  const char* path = SettingsPath();
  ASSERT_NE(nullptr, path);
  EXPECT_EQ(std::string(module, length - 3) + "ini", path);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveSettingsFile(); }
  void TearDown() override {
    RemoveSettingsFile();
    g_sortOptions = kReset;
  }
};

// The file over the switches: each row gives the switches' result, the file
// and what SortOptions holds after loading.
TEST_F(SettingsFileTest, LoadPutsTheFileOverTheSwitches) {
  struct Case {
    const char* name;
    bool file;
    const char* text;
    SortOptions before;
    SortOptions after;
  };
  const SortOptions ascending = {1, 1, 0, 0, 0, 0, 0, 0, 1, 2147483647};
  const SortOptions column = {1, 0, 0, 0, 0, 1, 0, 0, 3, 9};
  const Case cases[] = {
      {"no file: the switches stay", false, "", ascending, ascending},
      {"no section: the switches stay", true, "[Other]\r\nSortAscending=0\r\n", ascending, ascending},
      {"0 in the file beats /A", true, "[Option]\r\nSortAscending=0\r\n", ascending, {1, 0, 0, 0, 0, 0, 0, 0, 1, 2147483647}},
      {"any nonzero is on", true, "[Option]\r\nSortAscending=5\r\n", kReset, {0, 1, 0, 0, 0, 0, 0, 0, 1, 2147483647}},
      {"only the keys present change", true, "[Option]\r\nRemoveDuplicateLine=1\r\nColumnWidth=4\r\n", column,
       {1, 0, 1, 0, 0, 1, 0, 0, 3, 4}},
      {"numbers are taken unchecked", true, "[Option]\r\nColumnFrom=0\r\n", column, {1, 0, 0, 0, 0, 1, 0, 0, 0, 9}},
      {"all nine keys", true,
       "[Option]\r\nSortAscending=1\r\nRemoveDuplicateLine=1\r\nExtractDuplicateLine=1\r\nCompareAsBinaryText=1\r\n"
       "SortByColumn=1\r\nTreatNumberAsNumerical=1\r\nTreatZenNumAsNumerical=1\r\nColumnFrom=7\r\nColumnWidth=8\r\n",
       kReset, {0, 1, 1, 1, 1, 1, 1, 1, 7, 8}},
      {"all nine keys off", true,
       "[Option]\r\nSortAscending=0\r\nRemoveDuplicateLine=0\r\nExtractDuplicateLine=0\r\nCompareAsBinaryText=0\r\n"
       "SortByColumn=0\r\nTreatNumberAsNumerical=0\r\nTreatZenNumAsNumerical=0\r\nColumnFrom=1\r\nColumnWidth=2\r\n",
       {1, 1, 1, 1, 1, 1, 1, 1, 5, 6}, {1, 0, 0, 0, 0, 0, 0, 0, 1, 2}},
      {"the file removed again", false, "", column, column},
  };
  for (const Case& c : cases) {
    if (c.file) WriteSettingsFile(c.text);
    else RemoveSettingsFile();
    g_sortOptions = c.before;
    LoadSettings();
    EXPECT_TRUE(SameOptions(c.after, g_sortOptions)) << c.name << ": " << Describe(g_sortOptions);
  }
}

TEST_F(SettingsFileTest, SaveWritesAllNineKeysInOrder) {
  auto app = std::make_unique<AppRecord>();
  struct Case { SortOptions options; std::vector<std::string> lines; };
  const Case cases[] = {
      {{0, 1, 0, 1, 0, 1, 0, 1, 1, 2147483647},
       {"[Option]", "SortAscending=1", "RemoveDuplicateLine=0", "ExtractDuplicateLine=1", "CompareAsBinaryText=0",
        "SortByColumn=1", "TreatNumberAsNumerical=0", "TreatZenNumAsNumerical=1", "ColumnFrom=1",
        "ColumnWidth=2147483647"}},
      {{1, 0, 1, 0, 1, 0, 1, 0, 4294967295u, 0},
       {"[Option]", "SortAscending=0", "RemoveDuplicateLine=1", "ExtractDuplicateLine=0", "CompareAsBinaryText=1",
        "SortByColumn=0", "TreatNumberAsNumerical=1", "TreatZenNumAsNumerical=0", "ColumnFrom=4294967295",
        "ColumnWidth=0"}},
  };
  for (const Case& c : cases) {
    RemoveSettingsFile();
    g_sortOptions = c.options;
    SaveSettings(*app);
    EXPECT_EQ(c.lines, SettingsLines());
  }
}

// A save replaces the tool's keys and leaves everything else in the file.
TEST_F(SettingsFileTest, SaveKeepsOtherKeysAndSections) {
  auto app = std::make_unique<AppRecord>();
  WriteSettingsFile("[Option]\r\nSortAscending=5\r\nNote=kept\r\n[Other]\r\nX=1\r\n");
  g_sortOptions = kReset;
  SaveSettings(*app);
  const std::vector<std::string> lines = SettingsLines();
  const std::vector<std::string> want = {
      "[Option]", "SortAscending=0", "Note=kept", "RemoveDuplicateLine=0", "ExtractDuplicateLine=0",
      "CompareAsBinaryText=0", "SortByColumn=0", "TreatNumberAsNumerical=0", "TreatZenNumAsNumerical=0",
      "ColumnFrom=1", "ColumnWidth=2147483647", "[Other]", "X=1"};
  EXPECT_EQ(want, lines);
}

TEST_F(SettingsFileTest, SavedOptionsLoadBack) {
  auto app = std::make_unique<AppRecord>();
  const SortOptions saved = {0, 1, 1, 0, 0, 1, 1, 0, 12, 34};
  g_sortOptions = saved;
  SaveSettings(*app);
  g_sortOptions = {0, 0, 0, 1, 1, 0, 0, 1, 1, 2147483647};
  LoadSettings();
  EXPECT_TRUE(SameOptions(saved, g_sortOptions)) << Describe(g_sortOptions);
}

}  // namespace
