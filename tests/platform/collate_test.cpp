// The same rows hold for the system collation under Windows and for the
// POSIX stand-in: what the sort orders rely on, not a particular table.
#include <gtest/gtest.h>

#include "platform/collate.h"

namespace {

struct Case {
  const char* first;
  int firstLength;
  const char* second;
  int secondLength;
  int expected;
};

const Case kCases[] = {
    {"abc", -1, "abc", -1, kCompareEqual},
    {"abc", -1, "abd", -1, kCompareLess},
    {"abd", -1, "abc", -1, kCompareGreater},
    {"ab", -1, "abc", -1, kCompareLess},
    {"", -1, "a", -1, kCompareLess},
    {"", -1, "", -1, kCompareEqual},
    {"ABC", -1, "abc", -1, kCompareEqual},          // case ignored
    {"Ａ", -1, "ａ", -1, kCompareEqual},              // full-width case ignored too
    {"あいう", -1, "アイウ", -1, kCompareEqual},      // hiragana = katakana
    {"b", -1, "A", -1, kCompareGreater},
    {"abX", 2, "abY", 2, kCompareEqual},             // counted lengths
    {"abX", 3, "abY", 3, kCompareLess},
    {"abc", 0, "", 0, kCompareEqual},
};

TEST(CompareLocale, Table) {
  for (const Case& c : kCases)
    EXPECT_EQ(c.expected, CompareLocale(c.first, c.firstLength, c.second, c.secondLength))
        << c.first << " / " << c.second;
}

TEST(CompareLocale, KeepsWidthsApart) {
  const char* pairs[][2] = {{"A", "Ａ"}, {"1", "１"}, {"ｱ", "ア"}};
  for (auto& p : pairs) EXPECT_NE(kCompareEqual, CompareLocale(p[0], -1, p[1], -1)) << p[0];
}

TEST(CompareLocale, IsAntisymmetric) {
  const char* texts[] = {"a", "B", "あ", "ア", "ｱ", "1", "１", "-", "_", "漢字", "abc", ""};
  for (const char* x : texts)
    for (const char* y : texts) {
      int xy = CompareLocale(x, -1, y, -1), yx = CompareLocale(y, -1, x, -1);
      EXPECT_EQ(4 - xy, yx) << x << " / " << y;
    }
}

}  // namespace
