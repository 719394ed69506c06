#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "sort/comparators.h"
#include "sort/number_scanner.h"
#include "tests/sort/reference_engine.h"
#include "tests/sort/sort_support.h"

// Every speed-up of the engine against the plain implementation it replaces
// (tests/sort/reference_engine.cpp), on random inputs: the same numbers,
// ends, windows and texts, to the bit and the byte.
namespace {

uint64_t BitsOf(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// Pieces that make numbers of both widths, break them, or stand beside them;
// the long runs reach past the scanner's stack copy, with an exponent near
// the place where that copy is cut.
const char* const kNumberPieces[] = {
    "1", "0", "9", "２", "０", "e", "E", "ｅ", "d", "Ｄ", "ｄ", "+", "-", "＋", "－", ".", "．",
    " ", "\t", "\r", "\n", "\f", "x", "亜", "ｱ", "\x82", "\x81", ",", "e+", "１e－",
};

std::string RandomNumberText(std::mt19937& random) {
  std::string text;
  size_t pieces = random() % 12;
  for (size_t i = 0; i < pieces; ++i) {
    if (random() % 40 == 0) {
      size_t run = 110 + random() % 40;
      for (size_t k = 0; k < run; ++k) text += random() % 3 ? "7" : "８";
      continue;
    }
    text += kNumberPieces[random() % (sizeof kNumberPieces / sizeof kNumberPieces[0])];
  }
  return text;
}

TEST(Differential, ScannersMatchTheReferenceAtEveryPosition) {
  struct Pair {
    NumberScannerFunction fast, reference;
  };
  const Pair pairs[] = {{ScanHalfWidthNumber, ReferenceScanHalfWidthNumber},
                        {ScanFullWidthNumber, ReferenceScanFullWidthNumber}};
  std::mt19937 random(1293);
  for (int round = 0; round < 6000; ++round) {
    std::string text = RandomNumberText(random);
    for (const Pair& pair : pairs) {
      for (size_t at = 0; at <= text.size(); ++at) {
        const char* position = text.c_str() + at;
        double fastValue = 0.25, referenceValue = 0.25;
        const char* fastEnd = nullptr;
        const char* referenceEnd = nullptr;
        bool fast = pair.fast(fastValue, position, fastEnd);
        bool reference = pair.reference(referenceValue, position, referenceEnd);
        ASSERT_EQ(fast, reference) << '"' << text << "\" at " << at;
        ASSERT_EQ(BitsOf(fastValue), BitsOf(referenceValue)) << '"' << text << "\" at " << at;
        ASSERT_EQ(fastEnd, referenceEnd) << '"' << text << "\" at " << at;
      }
    }
  }
}

TEST(Differential, ColumnWindowMatchesTheReference) {
  std::mt19937 random(1143);
  const uint32_t limits[] = {0, 1, 2, 3, 5, 8, 40, 2147483646, 2147483647};
  for (int round = 0; round < 2000; ++round) {
    std::string line(random() % 12, 'a');
    g_sortOptions.ColumnFrom = limits[random() % 8];  // 0-based while sorting
    g_sortOptions.ColumnWidth = limits[1 + random() % 8];
    ASSERT_EQ(ColumnStart(line.c_str()), ReferenceColumnStart(line.c_str()));
    const char* start = ColumnStart(line.c_str());
    ASSERT_EQ(ColumnLength(start), ReferenceColumnLength(start));
  }
  ResetSortState();
}

const char* const kLinePieces[] = {
    "a", "A", "b", "z", "1", "01", "10", "9", "-2", "+5", "-", ".", "1.5", "e3", " ", "\t", "あ", "ア",
    "漢", "\xb1", "３", "１２", "－", "．", "ｅ", "\x82", "2024-01-05", "v1.10", "file9",
};

constexpr size_t kSharedBodyBytes = 90;

// Lines short and long, the long ones sharing most of their bytes so that
// the walks go deep. With a shared body every line begins with the same long
// run, which the keyed sort passes at once, and many lines are equal.
std::string RandomLine(std::mt19937& random, const std::string& longBody, bool sharedBody) {
  std::string line = random() % 8 == 0 ? longBody.substr(0, random() % longBody.size()) : "";
  if (sharedBody) line = longBody.substr(0, kSharedBodyBytes - random() % 4);
  for (size_t i = random() % (sharedBody ? 3 : 6); i > 0; --i)
    line += kLinePieces[random() % (sizeof kLinePieces / sizeof kLinePieces[0])];
  return line;
}

TEST(Differential, SortTextMatchesThePlainEngine) {
  std::mt19937 random(3141);
  std::string longBody;
  for (int i = 0; i < 120; ++i) longBody += kLinePieces[random() % (sizeof kLinePieces / sizeof kLinePieces[0])];
  for (int round = 0; round < 14; ++round) {
    std::string text;
    bool sharedBody = round >= 12;
    size_t count = sharedBody ? 36 + random() % 24 : 2 + random() % (round < 8 ? 40 : 300);
    for (size_t i = 0; i < count; ++i)
      text += RandomLine(random, longBody, sharedBody) + (i + 1 < count || round % 2 ? "\r\n" : "");
    uint32_t from = 1 + random() % 5;
    uint32_t width = random() % 3 == 0 ? uint32_t(kColumnWidthDefault) : uint32_t(1 + random() % 300);
    for (int index = 0; index < 16; ++index) {
      for (int variant = 0; variant < 8; ++variant) {
        bool fullWidth = variant & 4, remove = variant & 1, extract = variant & 2;
        if (fullWidth && !(index & 1)) continue;
        SortOptions options = OptionsFrom("", from, width);
        options.TreatNumberAsNumerical = index & 1;
        options.SortByColumn = (index >> 1) & 1;
        options.CompareAsBinaryText = (index >> 2) & 1;
        options.SortAscending = (index >> 3) & 1;
        options.TreatZenNumAsNumerical = fullWidth;
        options.RemoveDuplicateLine = remove;
        options.ExtractDuplicateLine = extract;
        std::string output, duplicates;
        bool reference = ReferenceSortText(text, options, output, duplicates);
        SortRun run = RunSortText(text, options);
        ASSERT_EQ(run.ok, reference);
        ASSERT_EQ(run.output, output) << "round " << round << " entry " << index << " variant " << variant;
        ASSERT_EQ(run.duplicates, duplicates) << "round " << round << " entry " << index << " variant " << variant;
      }
    }
  }
  ResetSortState();
}

}  // namespace
