#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "platform/message_box.h"

namespace {

struct Box {
  WindowHandle owner;
  std::string text;
  std::string caption;
  unsigned style;
};

std::vector<Box> g_boxes;

int RecordBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
  g_boxes.push_back({owner, text, caption, style});
  return 1;
}

// Options written as letters: upper case for each flag that is on, "D" for
// the dialog, in the order A C D E N R T Z.
std::string FlagLetters(const SortOptions& o) {
  std::string s;
  if (o.SortAscending) s += 'A';
  if (o.SortByColumn) s += 'C';
  if (o.ShowOptionsDialog) s += 'D';
  if (o.ExtractDuplicateLine) s += 'E';
  if (o.TreatNumberAsNumerical) s += 'N';
  if (o.RemoveDuplicateLine) s += 'R';
  if (o.CompareAsBinaryText) s += 'T';
  if (o.TreatZenNumAsNumerical) s += 'Z';
  return s;
}

class Switches : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    SetMessageBoxHook(RecordBox);
    app_.reset(new AppRecord());
    app_->link.mainWindow = reinterpret_cast<WindowHandle>(0x4711);
    // Leftovers of an earlier run: the reset must clear every one.
    std::memset(&g_sortOptions, 1, sizeof g_sortOptions);
  }
  void TearDown() override {
    ReleaseArgList(app_->args);
    SetMessageBoxHook(nullptr);
  }
  // Parses "prog " + arguments.
  void Parse(const std::string& arguments) {
    SplitCommandLine(app_->args, ("prog " + arguments).c_str());
    EXPECT_TRUE(ParseSwitches(*app_));
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const Box& box : g_boxes) {
      EXPECT_EQ(box.owner, app_->link.mainWindow);
      EXPECT_EQ(box.caption, "Ordwell");
      EXPECT_EQ(box.style, 0x10u);  // MB_OK | MB_ICONERROR
      texts.push_back(box.text);
    }
    return texts;
  }
  std::unique_ptr<AppRecord> app_;
};

struct SwitchCase {
  const char* arguments;
  const char* flags;  // as FlagLetters writes them
  uint32_t columnFrom;
  uint32_t columnWidth;
  std::vector<std::string> boxes;
};

constexpr uint32_t kWide = 2147483647;
#define BAD(n, arg) n " 番目の引数が認識できません： '" arg "'"

const SwitchCase kSwitchCases[] = {
    {"", "D", 1, kWide, {}},
    {"\"\" \"\" x", "D", 1, kWide, {BAD("3", "x")}},  // pairs with the next row
    {"\"\" \"\" /A", "A", 1, kWide, {}},
    {"\"\" \"\" \"\"", "D", 1, kWide, {}},  // the last "" is dropped; the others are empty
    {"/A /R", "AR", 1, kWide, {}},
    {"/AR", "AR", 1, kWide, {}},
    {"/A/R", "AR", 1, kWide, {}},
    {"/ACDENRTZ", "ACDENRTZ", 1, kWide, {}},
    {"/ACDENRTZ/acdenrtz", "", 1, kWide, {}},
    {"/Aa", "", 1, kWide, {}},
    {"/aA", "A", 1, kWide, {}},
    {"/D", "D", 1, kWide, {}},
    {"/D /d", "", 1, kWide, {}},
    {"/d /X", "D", 1, kWide, {BAD("2", "/X")}},
    {"/XY", "D", 1, kWide, {BAD("1", "/XY"), BAD("1", "/XY")}},
    {"/AF:3", "AD", 1, kWide, {BAD("1", "/AF:3"), BAD("1", "/AF:3"), BAD("1", "/AF:3")}},
    {"/A /R /X", "ADR", 1, kWide, {BAD("3", "/X")}},
    {"A", "D", 1, kWide, {BAD("1", "A")}},
    {"/", "D", 1, kWide, {BAD("1", "/")}},
    {"/A:1", "D", 1, kWide, {BAD("1", "/A:1")}},
    {"/F:", "D", 1, kWide, {BAD("1", "/F:")}},
    {"/F:0", "D", 1, kWide, {BAD("1", "/F:0")}},
    {"/F:x", "D", 1, kWide, {BAD("1", "/F:x")}},
    {"\"/F:5 \"", "D", 1, kWide, {BAD("1", "/F:5 ")}},
    {"\"/F:5\"", "", 5, kWide, {}},
    {"/F:7 /F:0", "D", 7, kWide, {BAD("2", "/F:0")}},  // a refused value keeps the last good one
    {"/F:10 /f:20", "", 20, kWide, {}},
    {"/F:3/W:5", "", 3, 5, {}},
    {"/w:5", "", 1, 5, {}},
    {"/F", "D", 1, kWide, {BAD("1", "/F")}},  // no colon: a letter group
    {"/F:2147483647", "", kWide, kWide, {}},
    {"/W:2147483648", "D", 1, kWide, {BAD("1", "/W:2147483648")}},
    {"/F:+7", "", 7, kWide, {}},
    {"/F:007", "", 7, kWide, {}},
    {"/F:-1", "D", 1, kWide, {BAD("1", "/F:-1")}},
    {"/W:-4294967295", "", 1, 1, {}},
    {"\x95\x5C", "D", 1, kWide, {BAD("1", "\x95\x5C")}},
    {"/\x95\x5C", "D", 1, kWide, {BAD("1", "/\x95\x5C"), BAD("1", "/\x95\x5C")}},  // one per byte
};

TEST_F(Switches, FollowTheSwitchTable) {
  for (const SwitchCase& c : kSwitchCases) {
    SCOPED_TRACE(c.arguments);
    g_boxes.clear();
    Parse(c.arguments);
    EXPECT_EQ(FlagLetters(g_sortOptions), c.flags);
    EXPECT_EQ(g_sortOptions.ColumnFrom, c.columnFrom);
    EXPECT_EQ(g_sortOptions.ColumnWidth, c.columnWidth);
    EXPECT_EQ(BoxTexts(), c.boxes);
    ReleaseArgList(app_->args);
  }
}

TEST_F(Switches, NoArgumentListAtAllShowsTheDialog) {
  app_->args = ArgList{0, nullptr, nullptr, nullptr};  // the split ran out of memory
  EXPECT_TRUE(ParseSwitches(*app_));
  EXPECT_EQ(FlagLetters(g_sortOptions), "D");
  EXPECT_EQ(g_sortOptions.ColumnFrom, 1u);
  EXPECT_EQ(g_sortOptions.ColumnWidth, kWide);
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(Switches, LongArgumentIsCutInTheMessage) {
  const std::string longArgument(5000, 'a');
  Parse(longArgument);
  ASSERT_EQ(g_boxes.size(), 1u);
  const std::string expectedStart = "1 番目の引数が認識できません： 'aaa";
  EXPECT_EQ(g_boxes[0].text.size(), 1023u);  // wsprintfA's 1024 bytes, NUL included
  EXPECT_EQ(g_boxes[0].text.compare(0, expectedStart.size(), expectedStart), 0);
  EXPECT_EQ(g_boxes[0].text.back(), 'a');
}

TEST_F(Switches, ReportBadArgumentFormatsIntoTheScratchBuffer) {
  SplitCommandLine(app_->args, "prog /A /Q");
  ReportBadArgument(*app_, 2);
  EXPECT_STREQ(app_->scratch, BAD("2", "/Q"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{BAD("2", "/Q")});
  ReportBadArgument(*app_, 3);  // beyond the list: nothing to show
  EXPECT_EQ(g_boxes.size(), 1u);
}

struct FieldCase {
  const char* text;
  bool accepted;
  uint32_t value;  // stored when accepted
};

// strtoul with 32-bit results: saturation at 4294967295, then a minus sign
// negates modulo 2^32. A 64-bit conversion gets the minus rows wrong.
const FieldCase kFieldCases[] = {
    {"1", true, 1},
    {"0", false, 0},
    {"", false, 0},
    {"2147483647", true, 2147483647},
    {"2147483648", false, 0},
    {"4294967295", false, 0},
    {"99999999999999999999", false, 0},
    {"007", true, 7},
    {"+7", true, 7},
    {" \t\n\v\f\r7", true, 7},
    {"7 ", false, 0},
    {"7x", false, 0},
    {"1 2", false, 0},
    {"+", false, 0},
    {"-", false, 0},
    {" ", false, 0},
    {"+-7", false, 0},
    {"- 7", false, 0},
    {"0x10", false, 0},
    {"\x82\x50", false, 0},  // full-width one
    {"-1", false, 0},
    {"-0", false, 0},
    {"-2147483648", false, 0},
    {"-2147483649", true, 2147483647},
    {"-4294967295", true, 1},
    {"-4294967291", true, 5},  // just below 2^32, negated: the low bits count
    {"-4294967296", true, 1},  // saturates first
    {"-99999999999999999999", true, 1},
};

TEST(ParseUnsignedField, ConvertsLikeA32BitStrtoul) {
  for (const FieldCase& c : kFieldCases) {
    uint32_t target = 12345;
    EXPECT_EQ(ParseUnsignedField(target, c.text), c.accepted) << "'" << c.text << "'";
    EXPECT_EQ(target, c.accepted ? c.value : 12345u) << "'" << c.text << "'";
  }
}

}  // namespace
