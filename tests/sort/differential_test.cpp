#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/collate.h"
#include "sort/character_ranks.h"
#include "sort/character_width.h"
#include "sort/comparators.h"
#include "sort/key_order.h"
#include "sort/whole_key_sort.h"
#include "sort/gear_sizes.h"
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

// A text shaped around one size where a path changes gear (gear_sizes.h),
// with the column window that the column orders take.
struct GearText {
  std::string text;
  uint32_t from;  // 1-based
  uint32_t width;
};

std::vector<size_t> Around(size_t size) { return {size - 1, size, size + 1}; }

std::string Pick(std::mt19937& random, const std::vector<std::string>& pieces) {
  return pieces[random() % pieces.size()];
}

// The letters of word, each in either case: lines equal in locale order,
// different in bytes, whose order shows whether the sort kept the text's.
std::string AnyCase(std::mt19937& random, const std::string& word) {
  std::string cased = word;
  for (char& c : cased)
    if (c >= 'a' && c <= 'z' && random() % 2) c = static_cast<char>(c - 'a' + 'A');
  return cased;
}

std::string JoinLines(const std::vector<std::string>& lines, bool closeLast) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i + 1 < lines.size() || closeLast ? "\r\n" : "");
  return text;
}

std::vector<GearText> MakeGearTexts() {
  std::mt19937 random(2323);
  std::vector<GearText> texts;
  auto add = [&](const std::vector<std::string>& lines, uint32_t from, uint32_t width) {
    texts.push_back({JoinLines(lines, texts.size() % 2 == 0), from, width});
  };
  // Groups of equal keys as large as the insertion stretch and the small
  // group, and beyond: the window (4, 1) is the same bytes in every line.
  for (size_t group : {size_t(kInsertionStretch), kSmallGroup, 2 * kSmallGroup})
    for (size_t n : Around(group)) {
      std::vector<std::string> lines;
      for (size_t i = 0; i < n; ++i) lines.push_back(AnyCase(random, "key") + "|" + (i % 7 ? "" : "x"));
      add(lines, 4, 1);
      add(lines, 1, 3);
    }
  // Two such groups interleaved, each split off by a byte before the keys
  // end: the split leaves them out of the text's order.
  for (size_t n : Around(kSmallGroup)) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < 2 * n; ++i) lines.push_back(AnyCase(random, i % 2 ? "key|1" : "kez|2"));
    add(lines, 5, 1);
  }
  // Keys that end at, before and after a chunk's end, many of them equal.
  for (size_t chunks : {size_t(1), size_t(2)})
    for (size_t length : Around(chunks * kKeyChunk)) {
      std::vector<std::string> lines;
      for (size_t i = 0; i < kSmallGroup + 1; ++i)
        lines.push_back(AnyCase(random, std::string("abcdefghijklmnopq").substr(0, length)) +
                        Pick(random, {"", "", "", "a", "Ａ", "ａ", "0", "\x82"}));
      add(lines, 2, uint32_t(length));
    }
  // A two-byte character across a chunk's end, the lines equal before it:
  // full-width capitals and katakana fold like the one-byte capitals. Where
  // every line has the same character there, and the same bytes for a while
  // after it, the next chunk begins in the middle of its key.
  for (size_t chunks : {size_t(1), size_t(2)})
    for (size_t at : Around(chunks * kKeyChunk - 1)) {
      std::vector<std::string> lines, same;
      for (size_t i = 0; i < 40; ++i) {
        std::string before = AnyCase(random, std::string("abcdefghijklmnopq").substr(0, at));
        lines.push_back(before + Pick(random, {"Ａ", "ａ", "ア", "あ", "A", "a", "\x82"}) +
                        Pick(random, {"", "b", "B", "ｂ", "Ｂ"}));
        same.push_back(before + Pick(random, {"Ａbc", "ｱbc"}) + AnyCase(random, "de") + "fghij" +
                       Pick(random, {"", "1"}));
      }
      add(lines, uint32_t(at), 3);
      add(same, uint32_t(at), 9);
    }
  // Column windows 7, 8 and 9 bytes long modulo 8 (and of the counted and
  // measured lengths), from a start counted or measured, in lines that end
  // inside, right after or beyond them.
  for (uint32_t from : {1u, 3u, kCountedColumn, kCountedColumn + 1, kCountedColumn + 2})
    for (size_t width : {size_t(1), kKeyChunk - 1, kKeyChunk, kKeyChunk + 1, 2 * kKeyChunk - 1, 2 * kKeyChunk,
                         2 * kKeyChunk + 1}) {
      std::vector<std::string> lines;
      for (size_t i = 0; i < 30; ++i) {
        std::string line;
        while (line.size() < from - 1 + width - random() % 2) line += Pick(random, {"a", "A", "b", "Ａ", "ａ"});
        lines.push_back(line + Pick(random, {"", "", "\x01", "z", "Z", "\x60", "1"}));
      }
      add(lines, from, uint32_t(width));
    }
  // Numeric windows as long as the stack copy, and a byte more or less.
  for (size_t width : Around(kShortWindow)) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < 20; ++i)
      lines.push_back(std::string(width - 6 + random() % 4, 'x') + Pick(random, {"1", "12", "-3", "1e2", "9", "+0"}) +
                      Pick(random, {"", "5", "x7"}));
    add(lines, 2, uint32_t(width));
  }
  // Numbers of as many digits as the common number may have, and one more
  // or less; runs of number characters as long as the scanner's stack copy,
  // an exponent near its end.
  for (size_t digits : Around(kPlainDigits)) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < 30; ++i) {
      std::string number = Pick(random, {"", "-", "+"});
      for (size_t k = digits - random() % 2; k > 0; --k) number += static_cast<char>('0' + random() % 3);
      if (random() % 3 == 0) number.insert(1 + random() % (number.size() - 1), ".");
      lines.push_back("v" + number + Pick(random, {"", "e3", "E-2", "d", "x", "0"}));
    }
    add(lines, 1, 40);
  }
  for (size_t run : {kShortCopy - kConversionLookahead - 1, kShortCopy - kConversionLookahead, kShortCopy - 2,
                     kShortCopy - 1, kShortCopy, kShortCopy + 1}) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < 16; ++i) {
      std::string line;
      for (size_t k = run - 3 - random() % 2; k > 0; --k) line += random() % 3 ? "7" : "８";
      lines.push_back(line + Pick(random, {"e+5", "e5", "ｅ１", "E-", "e", "e+", "1e"}) + Pick(random, {"", "８", "x"}));
    }
    add(lines, 1, kColumnWidthDefault);
  }
  // Lines that share a long beginning of numbers and letters, so that the
  // numeric walk goes step by step, looks for a common run to pass (after
  // kLookAfter bytes) and passes one of about kWorthPassing; a number and
  // its exponent letter where the run ends; and the white space that may
  // stand before a number.
  for (size_t shared : {size_t(kLookAfter) + kWorthPassing - 1, size_t(kLookAfter) + kWorthPassing,
                        size_t(kLookAfter) + kWorthPassing + 1, size_t(kLookAfter) + kWorthPassing + 4}) {
    std::string filler;
    while (filler.size() < shared) filler += "a12-";
    std::vector<std::string> lines;
    for (size_t i = 0; i < 30; ++i) {
      std::string line = filler.substr(0, shared - random() % 5) + Pick(random, {"-1", "1", "0", "2", "-", "１", ""});
      line += Pick(random, {"e5", "e53", "e5x", "d3", "D", "E+1", "ｅ５", "e", "", "x"});
      line += Pick(random, {"", "3", "x", "\n5", "\v7", "\f1", "\r2", " 4", "\t6", "亜"});
      lines.push_back(line);
    }
    // Negative mantissas whose exponents differ only after the run: passing
    // the mantissa with the run would compare the exponents alone.
    for (const char* number : {"-1e53", "-1e5x", "1e53", "1e5x", "-1d33", "-1d3x", "-1E+53", "-1E+5x"})
      lines.push_back(filler.substr(0, shared) + number);
    add(lines, uint32_t(shared - 2), 9);
  }
  // LF, VT, FF and CR before numbers, and other white space after them:
  // the half-width scanner takes all of it, but refuses to begin at a space.
  // The text begins with an LF (no line end before it).
  {
    std::vector<std::string> lines = {"\n7"};
    for (const char* before : {"\n", "\v", "\f", "\r"})
      for (const char* after : {"", " ", "\t"}) lines.push_back(std::string("v") + before + after + "5");
    for (size_t i = 0; i < 40; ++i)
      lines.push_back(Pick(random, {"v", ""}) + Pick(random, {"\n", "\v", "\f", "\r"}) +
                      Pick(random, {"", "", " ", "\t", "\r", "\n"}) + Pick(random, {"5", "12", "-3", "x", "５"}));
    add(lines, 2, 3);
  }
  // Lines as long as the in-place copy and the compared block, around.
  {
    std::vector<std::string> lines;
    for (size_t length : {kCompareBlock - 1, kCompareBlock, kCompareBlock + 1, kInlineCopy - 1, kInlineCopy,
                          kInlineCopy + 1})
      for (int k = 0; k < 4; ++k) {
        std::string line;
        while (line.size() < length) line += Pick(random, {"a", "a", "a", "A", "b"});
        lines.push_back(line);
      }
    add(lines, 1, uint32_t(kCompareBlock));
  }
  return texts;
}

// Every order of the differential test above, with and without duplicates
// removed and extracted, both through SortText and the filter's way (whose
// sink drains at a few sizes, so that lines are cut at its end).
TEST(Differential, TextsAroundEveryGearSizeMatchThePlainEngine) {
  std::vector<GearText> texts = MakeGearTexts();
  for (size_t t = 0; t < texts.size(); ++t) {
    const GearText& g = texts[t];
    for (int index = 0; index < 16; ++index) {
      for (int variant = 0; variant < 3; ++variant) {
        bool fullWidth = variant == 2;
        if (fullWidth && !(index & 1)) continue;
        SortOptions options = OptionsFrom("", g.from, g.width);
        options.TreatNumberAsNumerical = index & 1;
        options.SortByColumn = (index >> 1) & 1;
        options.CompareAsBinaryText = (index >> 2) & 1;
        options.SortAscending = (index >> 3) & 1;
        options.TreatZenNumAsNumerical = fullWidth;
        options.RemoveDuplicateLine = variant == 1;
        options.ExtractDuplicateLine = variant == 1;
        std::string output, duplicates;
        bool reference = ReferenceSortText(g.text, options, output, duplicates);
        SortRun run = RunSortText(g.text, options);
        ASSERT_EQ(run.ok, reference) << "text " << t << " entry " << index << " variant " << variant;
        ASSERT_EQ(run.output, output) << "text " << t << " entry " << index << " variant " << variant;
        ASSERT_EQ(run.duplicates, duplicates) << "text " << t << " entry " << index << " variant " << variant;
        SortRun written = RunSortForWriting(g.text, options, 5 + t % 11);
        ASSERT_EQ(written.ok, reference) << "text " << t << " entry " << index << " variant " << variant;
        if (!options.TreatNumberAsNumerical) {
          ASSERT_TRUE(written.keyed) << "text " << t << " entry " << index;
        }
        ASSERT_EQ(written.output, output) << "filter's way: text " << t << " entry " << index << " variant " << variant;
        ASSERT_EQ(written.duplicates, duplicates) << "filter's way: text " << t << " entry " << index;
      }
    }
  }
  ResetSortState();
}

// The locale orders by whole keys, as on Windows, also where keys are read
// in chunks; then with every third key spoiled, as keys that disagree with
// the comparison: the result is the comparator's either way, by the keys
// when they pass their check, through the comparator when they do not, and
// nothing of either is left on the heap. Half-width kana take the most key
// bytes on Windows (about five a byte), beyond the first guess of the keys'
// room. That the keys pass holds where keys and comparison agree, as here
// and under Wine.
TEST(Differential, WholeKeysGiveTheComparatorsOrderOrNone) {
  std::vector<GearText> texts = MakeGearTexts();
  std::mt19937 random(54);
  std::vector<std::string> kana;
  for (int i = 0; i < 300; ++i) {
    std::string line;
    for (int k = random() % 30; k > 0; --k) line += Pick(random, {"\xb1", "\xb2", "\xb3", "\xde", "\xdf", "\xb6\xde"});
    kana.push_back(line);
  }
  texts.push_back({JoinLines(kana, true), 2, 7});
  const char* const duplicateLetters[] = {"", "r", "e", "re"};
  for (unsigned spoil : {0u, 3u}) {
    for (size_t t = 0; t < texts.size(); ++t) {
      for (int index : {0, 2, 8, 10}) {
        SCOPED_TRACE(testing::Message() << "spoil " << spoil << " text " << t << " entry " << index);
        SortOptions options = OptionsFrom(duplicateLetters[t % 4], texts[t].from, texts[t].width);
        options.SortByColumn = (index >> 1) & 1;
        options.SortAscending = (index >> 3) & 1;
        std::string output, duplicates;
        bool reference = ReferenceSortText(texts[t].text, options, output, duplicates);
        ForceWholeLocaleKeys(true);
        SpoilLocaleKeys(spoil);
        SortRun run = RunSortText(texts[t].text, options);
        SortRun written = RunSortForWriting(texts[t].text, options, 7);
        ForceWholeLocaleKeys(false);
        SpoilLocaleKeys(0);
        ASSERT_EQ(run.ok, reference);
        ASSERT_EQ(run.output, output);
        ASSERT_EQ(run.duplicates, duplicates);
        ASSERT_EQ(run.blocksLeft, options.ExtractDuplicateLine ? 2 : 1);  // the output and the duplicates text
        ASSERT_EQ(written.output, output);
        ASSERT_EQ(written.duplicates, duplicates);
        ASSERT_EQ(written.keyed, spoil == 0);
      }
    }
  }
  ResetSortState();
}

// Escaped keys order as the keys: every pair of keys of up to three bytes
// from those the escape changes and their neighbours, compared as the keyed
// sort compares (zeros past the end), against memcmp with the shorter first.
TEST(Differential, EscapedKeysKeepTheKeysOrder) {
  const unsigned char bytes[] = {0, 1, 2, 0xFF};
  std::vector<std::vector<unsigned char>> keys = {{}};
  for (size_t k = 0; k < keys.size() && keys[k].size() < 3; ++k)
    for (unsigned char b : bytes) {
      keys.push_back(keys[k]);
      keys.back().push_back(b);
    }
  auto escaped = [](const std::vector<unsigned char>& key) {
    std::vector<unsigned char> out(2 * key.size() + 8, 0);
    out.resize(EscapeKey(key.data(), key.size(), out.data()));
    return out;
  };
  for (const auto& x : keys) {
    std::vector<unsigned char> ex = escaped(x);
    ASSERT_EQ(std::count(ex.begin(), ex.end(), 0), 0);
    for (const auto& y : keys) {
      std::vector<unsigned char> ey = escaped(y);
      ex.resize(std::max(ex.size(), ey.size()), 0);
      ey.resize(ex.size(), 0);
      ASSERT_EQ(x < y, ex < ey);
      ASSERT_EQ(x == y, ex == ey);
    }
  }
}

// The characters the ranks leave to the collation; the ranks answering as
// the collation does.
size_t ExpectRanksAnswerAsTheCollation(const CharacterRanks& ranks) {
  std::vector<std::string> characters;
  for (int lead = 1; lead < 256; ++lead) {
    characters.push_back(std::string(1, static_cast<char>(lead)));
    for (int trail = 0x40; IsLeadByte(static_cast<unsigned char>(lead)) && trail < 256; ++trail)
      if (IsTrailByte(static_cast<unsigned char>(trail))) characters.push_back({static_cast<char>(lead), static_cast<char>(trail)});
  }
  size_t unranked = 0;
  for (const std::string& c : characters) unranked += ranks.rank[CharacterIndex(c.data(), int(c.size()))] == kNoRank;
  std::mt19937 random(932);
  size_t otherAnswers = 0;
  auto check = [&](const std::string& x, const std::string& y) {
    int sign = 0;
    if (!CompareCharacterRanks(ranks, x.data(), int(x.size()), y.data(), int(y.size()), sign)) return;
    otherAnswers += sign != LocaleSign(CompareLocale(x.data(), int(x.size()), y.data(), int(y.size())));
  };
  for (int x = 1; x < 256; ++x)
    for (int y = 1; y < 256; ++y) check(std::string(1, static_cast<char>(x)), std::string(1, static_cast<char>(y)));
  for (const std::string& x : characters)
    for (int k = 0; k < 8; ++k) check(x, characters[random() % characters.size()]);
  EXPECT_EQ(otherAnswers, 0u);
  return unranked;
}

// Two characters by their ranks get the collation's answer: every pair of
// single bytes, and each character against others drawn at random; also
// where some keys disagree with the comparison (spoiled), whose characters
// then keep no rank. Where too many disagree, nothing is ranked.
TEST(Differential, CharacterRanksAnswerAsTheCollation) {
  static CharacterRanks spoiled;
  SpoilLocaleKeys(11);
  EXPECT_FALSE(RankCharacters(spoiled));
  SpoilLocaleKeys(500);
  bool ranked = RankCharacters(spoiled);
  SpoilLocaleKeys(0);
  ASSERT_TRUE(ranked);
  const CharacterRanks* ranks = RankCharactersOnce();
  ASSERT_NE(ranks, nullptr);
  size_t unranked = ExpectRanksAnswerAsTheCollation(*ranks);
  EXPECT_LT(unranked, 100u);
  EXPECT_GT(ExpectRanksAnswerAsTheCollation(spoiled), unranked);
}

// The numeric locale orders from the text size where characters go by
// rank, and a byte below it: the same result as by the collation's calls.
TEST(Differential, NumericLocaleOrdersAroundTheRankedTextSize) {
  std::mt19937 random(64);
  std::string body;
  while (body.size() < kRankedCharactersText) {
    std::string line = AnyCase(random, "item") + Pick(random, {"-", " ", "", "ｱ"});
    for (int k = 0; k < 20; ++k)
      line += Pick(random, {"ア", "あ", "Ａ", "ａ", "A", "a", "b", "B", "1", "01", "２", "-3", "亜", " ", "ｰ", "\x82"});
    body += line + "\r\n";
  }
  for (size_t size : {kRankedCharactersText - 1, kRankedCharactersText}) {
    std::string text = body.substr(0, size);
    for (const char* letters : {"n", "anre", "ancz", "nczre"}) {
      SCOPED_TRACE(testing::Message() << size << " bytes, " << letters);
      SortOptions options = OptionsFrom(letters, 5, 40);
      std::string output, duplicates;
      bool reference = ReferenceSortText(text, options, output, duplicates);
      SortRun run = RunSortText(text, options);
      EXPECT_EQ(LocaleCharacterRanks != nullptr, size >= kRankedCharactersText);
      LocaleCharacterRanks = nullptr;
      ASSERT_EQ(run.ok, reference);
      ASSERT_EQ(run.output, output);
      ASSERT_EQ(run.duplicates, duplicates);
    }
  }
  ResetSortState();
}

}  // namespace
