#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "cmdline/arg_list.h"
#include "platform/heap.h"

namespace {

// Bytes that steer the splitter: blanks, quotes, slashes, backslashes, lead
// bytes, trail bytes (5C among them) and bytes just outside those ranges.
const unsigned char kSteeringBytes[] = {' ',  '\t', '"',  '/',  '\\', 'a',  ':',  0x81, 0x9F, 0xE0,
                                        0xFC, 0x95, 0x5C, 0x40, 0x7F, 0xFD, 0x80, 0xA0, 0x3F, 0x0B};

// A line in a block of exactly its size, so that AddressSanitizer sees any
// read past its terminating zero.
std::unique_ptr<char[]> RandomLine(std::mt19937& rng, size_t maxLength, size_t& length) {
  length = std::uniform_int_distribution<size_t>(0, maxLength)(rng);
  std::unique_ptr<char[]> line(new char[length + 1]);
  std::uniform_int_distribution<int> pick(0, 3);
  for (size_t i = 0; i < length; ++i) {
    unsigned char b = pick(rng) == 0 ? std::uniform_int_distribution<int>(1, 255)(rng)
                                     : kSteeringBytes[rng() % sizeof kSteeringBytes];
    line[i] = static_cast<char>(b);
  }
  if (length > 0 && pick(rng) == 0) line[length - 1] = static_cast<char>(0x81);  // a lead byte last
  line[length] = '\0';
  return line;
}

// The list's shape: every argument in the buffer, back to back in
// command-line order, none longer than the line, table[count] null.
void CheckListShape(const ArgList& list, size_t length) {
  ASSERT_GE(list.count, 0);
  if (!list.table) {
    EXPECT_EQ(list.count, 0);
    return;
  }
  ASSERT_LE(size_t(list.count), length);
  EXPECT_EQ(list.table[list.count], nullptr);
  const char* bufferEnd = list.buffer + 2 * length + 1;
  const char* next = list.buffer;
  for (int i = 0; i < list.count; ++i) {
    ASSERT_EQ(list.table[i], next) << "argument " << i;
    size_t size = std::strlen(list.table[i]);
    EXPECT_LE(size, length);
    next = list.table[i] + size + 1;
    ASSERT_LE(next, bufferEnd);
  }
}

void SplitRandomLines(unsigned seed, int lines, size_t maxLength, bool failSometimes) {
  std::mt19937 rng(seed);
  for (int n = 0; n < lines; ++n) {
    size_t length = 0;
    std::unique_ptr<char[]> line = RandomLine(rng, maxLength, length);
    if (failSometimes && rng() % 4 == 0) FailAllocation(1 + rng() % 5);
    ArgList list;
    SplitCommandLine(list, line.get());
    FailAllocation(0);
    SCOPED_TRACE(testing::Message() << "seed " << seed << " line " << n);
    CheckListShape(list, length);
    ReleaseArgList(list);
    if (testing::Test::HasFatalFailure()) return;
  }
}

TEST(SplitCommandLineFuzz, ShortLinesKeepTheListShape) { SplitRandomLines(1, 20000, 40, false); }

TEST(SplitCommandLineFuzz, LongLinesGrowTheTableSafely) { SplitRandomLines(2, 2000, 600, false); }

TEST(SplitCommandLineFuzz, OutOfMemoryKeepsTheListShape) { SplitRandomLines(3, 4000, 300, true); }

}  // namespace
