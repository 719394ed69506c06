#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "platform/heap.h"
#include "sort/gear_sizes.h"
#include "sort/number_scanner.h"
#include "tests/sort/sort_support.h"

namespace {

uint64_t BitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

double FromBits(uint64_t bits) {
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

struct ScanCase {
  const char* name;
  bool fullWidth;
  std::string text;
  bool found;
  double value;
  size_t length;
};

const ScanCase kScanCases[] = {
    {"DigitsThenLetters", false, "12abc", true, 12, 2},
    {"SignPointExponent", false, "-3.5e2x", true, -350, 6},
    {"ExponentD", false, "1d3", true, 1000, 3},
    {"ExponentCapitalD", false, "1D-2", true, 0.01, 4},
    {"NoHexadecimal", false, "0x1F", true, 0, 1},
    {"NoInfinity", false, "inf", false, 0, 0},
    {"NoNotANumber", false, "nan", false, 0, 0},
    {"SignAndPointOnly", false, "+.5", true, 0.5, 3},
    {"TrailingPoint", false, "5.x", true, 5, 2},
    {"ExponentWithoutDigit", false, "12e", true, 12, 2},
    {"ExponentSignWithoutDigit", false, "12e+", true, 12, 2},
    {"ExponentLetterThenLetter", false, "12ex", true, 12, 2},
    {"CommaIsNoPoint", false, "1,5", true, 1, 1},
    {"SpaceRefused", false, " 12", false, 0, 0},
    {"TabRefused", false, "\t12", false, 0, 0},
    {"CarriageReturnTaken", false, "\r12", true, 12, 3},
    {"FormFeedThenSpaceTaken", false, "\f 12", true, 12, 4},
    {"HalfWidthRefusesFullWidthDigit", false, "３", false, 0, 0},
    {"HalfWidthPlusAlone", false, "+", false, 0, 0},
    {"HalfWidthMinusAlone", false, "-", false, 0, 0},
    {"HalfWidthPointAlone", false, ".", false, 0, 0},
    {"HalfWidthSignThenPoint", false, "-.e1", false, 0, 0},
    {"Overflow", false, "1e999", true, HUGE_VAL, 5},
    {"NegativeOverflow", false, "-2e999", true, -HUGE_VAL, 6},
    {"Underflow", false, "1e-999", true, 0, 6},
    {"FullWidthDigit", true, "３", true, 3, 2},
    {"FullWidthEverything", true, "－１．５ｅ２", true, -150, 12},
    {"FullWidthEndsAtOtherCharacter", true, "12Ｘ", true, 12, 2},
    {"FullWidthMixed", true, "１2．5", true, 12.5, 6},
    {"FullWidthExponentWithoutDigit", true, "１２ｅ", true, 12, 4},
    {"FullWidthCapitalD", true, "１Ｄ２", true, 100, 6},
    {"FullWidthSmallD", true, "１ｄ－１", true, 0.1, 8},
    {"FullWidthCopiesMoreThanTaken", true, "1-2", true, 1, 1},
    {"FullWidthSpaceRefused", true, " 12", false, 0, 0},
    {"FullWidthCarriageReturnRefused", true, "\r12", false, 0, 0},
    {"FullWidthPlusAlone", true, "+", false, 0, 0},
    {"FullWidthMinusAlone", true, "－", false, 0, 0},
    {"FullWidthPointAlone", true, "．", false, 0, 0},
    {"FullWidthHalfPointAlone", true, ".", false, 0, 0},
    {"FullWidthOtherKanji", true, "亜1", false, 0, 0},
    {"FullWidthHalfWidthKatakana", true, "\xb1" "1", false, 0, 0},
    {"FullWidthOverflow", true, "２ｅ９９９", true, HUGE_VAL, 10},
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class ScanTable : public ::testing::TestWithParam<ScanCase> {
 protected:
  void SetUp() override { ResetSortState(); }
};

TEST_P(ScanTable, ReadsAsTheRowSays) {
  const ScanCase& c = GetParam();
  const char* text = c.text.c_str();
  double value = -12345.0;
  const char* end = nullptr;
  bool found = (c.fullWidth ? ScanFullWidthNumber : ScanHalfWidthNumber)(value, text, end);
  EXPECT_EQ(found, c.found);
  if (!found) {
    EXPECT_EQ(value, -12345.0);  // untouched
    EXPECT_EQ(end, nullptr);
    return;
  }
  EXPECT_EQ(value, c.value);
  EXPECT_EQ(static_cast<size_t>(end - text), c.length);
}

INSTANTIATE_TEST_SUITE_P(Rows, ScanTable, ::testing::ValuesIn(kScanCases),
                         [](const ::testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

// Values whose correct rounding a careless conversion gets wrong, checked
// bit for bit; these rows run on every platform.
struct ConversionCase {
  std::string text;
  uint64_t bits;
  size_t length;
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST(ConvertNumber, RoundsCorrectly) {
  const std::string halfway = "9007199254740993";  // 2^53 + 1: exactly between two doubles
  const ConversionCase cases[] = {
      {"9007199254740993", 0x4340000000000000, 16},  // ties to even: 2^53
      {halfway + "." + Repeat('0', 800) + "1", 0x4340000000000001, 818},  // a far nonzero digit rounds up
      {halfway + "." + Repeat('0', 801), 0x4340000000000000, 818},
      {"2.2250738585072011e-308", 0x000fffffffffffff, 23},
      {"2.2250738585072012e-308", 0x0010000000000000, 23},
      {"4.9e-324", 0x0000000000000001, 8},
      {"2.4703282292062327e-324", 0x0000000000000000, 23},
      {"2.4703282292062328e-324", 0x0000000000000001, 23},
      {"1.7976931348623157e308", 0x7fefffffffffffff, 22},
      {"1.7976931348623159e308", 0x7ff0000000000000, 22},
      {"-0", 0x8000000000000000, 2},
      {"-1e-999", 0x8000000000000000, 7},
      {"0." + Repeat('0', 400) + "1e401", 0x3ff0000000000000, 407},
      {"1" + Repeat('0', 400) + "e-400", 0x3ff0000000000000, 406},
      {"1e99999999999999999999999", 0x7ff0000000000000, 25},
      {"1e-99999999999999999999999", 0x0000000000000000, 26},
      {"0e99999999999999999999999", 0x0000000000000000, 25},
      {"0.1", 0x3fb999999999999a, 3},
      {"1d-1", 0x3fb999999999999a, 4},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    double value = 0;
    EXPECT_EQ(ConvertNumber(c.text.c_str(), value), c.length);
    EXPECT_EQ(BitsOf(value), c.bits) << value << " vs " << FromBits(c.bits);
  }
  // As many significant digits before the point as are kept, one less and
  // more: the digits dropped still count for the scale.
  for (size_t digits : {size_t(kKeptDigits) - 1, size_t(kKeptDigits), size_t(kKeptDigits) + 1}) {
    std::string text = "1" + Repeat('0', digits - 1) + "e-" + std::to_string(digits - 1);
    double value = 0;
    EXPECT_EQ(ConvertNumber(text.c_str(), value), text.size()) << digits;
    EXPECT_EQ(value, 1.0) << digits;
  }
}

TEST(ScanNumber, HugeExponentsCompareEqual) {
  double first = 0, second = 0;
  const char* end = nullptr;
  ASSERT_TRUE(ScanHalfWidthNumber(first, "1e999", end));
  ASSERT_TRUE(ScanHalfWidthNumber(second, "2e999", end));
  EXPECT_EQ(first, second);
}

// Only a number too long for the scanner's stack copy needs memory.
TEST(ScanNumber, FullWidthScannerWithoutMemoryFindsNothingAndFreesAll) {
  ResetSortState();
  std::string twelve = "１２" + std::string(150, '0');
  double value = 7;
  const char* end = nullptr;
  long blocks = HeapBlockCount(ProcessHeapHandle());
  FailAllocation(1);
  EXPECT_FALSE(ScanFullWidthNumber(value, twelve.c_str(), end));
  FailAllocation(0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(end, nullptr);
  FailAllocation(1);
  EXPECT_TRUE(ScanFullWidthNumber(value, "１２", end));
  FailAllocation(0);
  EXPECT_EQ(value, 12);
  EXPECT_TRUE(ScanFullWidthNumber(value, twelve.c_str(), end));
  EXPECT_EQ(value, 12e150);
  EXPECT_EQ(static_cast<size_t>(end - twelve.c_str()), twelve.size());
  EXPECT_EQ(HeapBlockCount(ProcessHeapHandle()), blocks);
}

#ifndef _WIN32
// Against the C library's correctly rounding strtod, on strings inside the
// grammar both share (no hexadecimal, no words, no d exponents).
TEST(ConvertNumber, AgreesWithTheHostStrtod) {
  const char alphabet[] = "0123456789012345678901234567890123456789..++--eE \t\r\nbz";
  std::mt19937 random(20240105);
  for (int round = 0; round < 200000; ++round) {
    std::string text;
    size_t length = random() % 40;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % (sizeof alphabet - 1)];
    if (round % 5 == 0) text = std::to_string(random()) + "." + std::to_string(random()) + "e-3" + std::to_string(random() % 20);
    if (round % 5 == 1) {  // long mantissas near the ends of the range
      text.clear();
      size_t digits = 15 + random() % 30;
      for (size_t i = 0; i < digits; ++i) text += static_cast<char>('0' + random() % 10);
      text.insert(random() % digits, ".");
      text += "e" + std::to_string(static_cast<int>(random() % 660) - 340);
    }
    double mine = 0.5, theirs = 0.5;
    size_t consumed = ConvertNumber(text.c_str(), mine);
    char* end = nullptr;
    theirs = std::strtod(text.c_str(), &end);
    ASSERT_EQ(consumed, static_cast<size_t>(end - text.c_str())) << '"' << text << '"';
    if (consumed) {
      ASSERT_EQ(BitsOf(mine), BitsOf(theirs)) << '"' << text << '"';
    }
  }
}
#endif

}  // namespace
