// The conversions between UTF-8 and code page 932, on characters where a
// system could go another way: characters with several code page 932
// forms, look-alikes that a loose conversion would take, bytes that only
// Windows gives characters to. The same table runs on POSIX (iconv) and on
// Windows, so that both sides give the same bytes and refuse the same texts.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/heap.h"

namespace {

const char* const kRefused = "(refused)";

struct ConversionCase {
  const char* name;
  std::string utf8;
  std::string codePage;  // kRefused: no code page 932 form of its own
};

const ConversionCase kCases[] = {
    {"Hiragana", u8"あ", "\x82\xa0"},
    {"HalfWidthKatakana", u8"ｱ", "\xb1"},
    {"FullWidthLetter", u8"Ａ", "\x82\x60"},
    {"AsciiBackslashAndTilde", "\\~", "\\~"},
    {"FullWidthTilde", u8"～", "\x81\x60"},
    {"FullWidthMinus", u8"－", "\x81\x7c"},
    {"ParallelTo", u8"∥", "\x81\x61"},
    {"HorizontalBar", u8"―", "\x81\x5c"},
    // Characters with two or three forms: the same one on both systems.
    {"NotSignOfThree", u8"￢", "\x81\xca"},
    {"BecauseOfThree", u8"∵", "\x81\xe6"},
    {"ApproximatelyEqualOfTwo", u8"≒", "\x81\xe0"},
    {"RomanOneOfTwo", u8"Ⅰ", "\x87\x54"},
    {"SmallRomanOneOfTwo", u8"ⅰ", "\xfa\x40"},
    {"IbmKanjiOfTwo", u8"纊", "\xfa\x5c"},
    {"CircledOne", u8"①", "\x87\x40"},
    {"ParenthesizedStockOfTwo", u8"㈱", "\x87\x8a"},
    {"UserDefinedFirst", u8"\ue000", "\xf0\x40"},
    {"UserDefinedLast", u8"\ue757", "\xf9\xfc"},
    // Look-alikes: a loose conversion takes them to a neighbour's bytes.
    {"WaveDash", u8"〜", kRefused},
    {"MinusSign", u8"−", kRefused},
    {"DoubleVerticalLine", u8"‖", kRefused},
    {"EmDash", u8"—", kRefused},
    {"Cent", u8"¢", kRefused},
    {"Pound", u8"£", kRefused},
    {"Not", u8"¬", kRefused},
    {"Yen", u8"¥", kRefused},
    {"Overline", u8"‾", kRefused},
    {"EAcute", u8"café", kRefused},
    {"Emoji", u8"😀", kRefused},
    {"BeyondUserDefined", u8"\ue758", kRefused},
    // Windows gives these to the undefined bytes 0x80, 0xA0 and 0xFD.
    {"StandInFor80", u8"\u0080", kRefused},
    {"StandInForA0", u8"\uf8f0", kRefused},
    {"StandInForFF", u8"\uf8f3", kRefused},
    // Not UTF-8.
    {"StrayByte", "a\xff", kRefused},
    {"Overlong", "\xc0\xaf", kRefused},
    {"Surrogate", "\xed\xa0\x80", kRefused},
    {"CutShort", "\xe3\x81", kRefused},
};

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    heap = CreatePrivateHeap(kHeapNoSerialize);
    ASSERT_EQ(OpenCodePageConverter(heap, converter), ConverterOpening::kOpened);
  }
  void TearDown() override {
    CloseCodePageConverter(converter);
    EXPECT_EQ(HeapBlockCount(heap), 0);
    DestroyPrivateHeap(heap);
  }

  std::string ToCodePage(const std::string& utf8) {
    std::string out(utf8.size(), '\0');
    size_t made = 0;
    if (!ConvertUtf8ToCodePage(converter, utf8.data(), utf8.size(), &out[0], made)) return kRefused;
    return out.substr(0, made);
  }

  std::string ToUtf8(const std::string& codePage) {
    std::string out(codePage.size() * kUtf8PerCodePageByte, '\0');
    size_t made = 0;
    if (!ConvertCodePageToUtf8(converter, codePage.data(), codePage.size(), &out[0], made)) return kRefused;
    return out.substr(0, made);
  }

  HeapHandle heap = nullptr;
  CodePageConverter converter = {};
};

TEST_F(CodePageTest, EachCharacterHasOneFormOrNone) {
  for (const ConversionCase& c : kCases) {
    EXPECT_EQ(ToCodePage(c.utf8), c.codePage) << c.name;
    if (c.codePage != kRefused) {
      EXPECT_EQ(ToUtf8(c.codePage), c.utf8) << c.name;
    }
  }
}

// The second form of a character, an unassigned pair, an undefined byte
// and a lead byte without its trail do not come back as they were.
TEST_F(CodePageTest, CodePageBytesThatWouldNotComeBackRefused) {
  for (const char* bytes : {"\xed\x40", "\x85\x40", "\x80", "\xa0", "\xfd", "a\x82"})
    EXPECT_EQ(ToUtf8(bytes), kRefused) << bytes;
}

// A refused piece leaves nothing behind for the next.
TEST_F(CodePageTest, RefusalLeavesNoState) {
  EXPECT_EQ(ToCodePage("a\xe3\x81"), kRefused);
  EXPECT_EQ(ToCodePage(u8"いa"), "\x82\xa2" "a");
}

TEST_F(CodePageTest, PieceBeyondTheLimitRefused) {
  std::string piece(kCodePagePiece, 'a');
  EXPECT_EQ(ToCodePage(piece), piece);
  EXPECT_EQ(ToCodePage(piece + "a"), kRefused);
  EXPECT_EQ(ToUtf8(piece + "a"), kRefused);
}

}  // namespace
