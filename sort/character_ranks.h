#pragma once
#include <cstddef>
#include <cstdint>

// The numeric walk compares one character of each line at a time in locale
// order. Asked of the collation, each comparison is a call (on Windows one
// that converts both texts first); a table answers instead. Every character
// the walk can meet (each single byte, each lead byte with each trail byte)
// is ranked by its key, and the ranking is checked against CompareLocale on
// each adjacent pair of characters in it, so that comparing ranks gives
// exactly the comparison's answer. A character the check does not confirm
// has no rank, and its comparisons stay calls.

// Ranks by CharacterIndex; kNoRank where the collation is asked.
struct CharacterRanks {
  uint16_t rank[256 + 60 * 256];
};
constexpr uint16_t kNoRank = 0xFFFF;

// A single byte b is b; a two-byte character has the 256 places after the
// single bytes that belong to its lead byte, by its trail byte.
inline size_t CharacterIndex(const char* p, int width) {
  unsigned char lead = static_cast<unsigned char>(p[0]);
  if (width == 1) return lead;
  size_t leads = lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
  return 256 + leads * 256 + static_cast<unsigned char>(p[1]);
}

// Made on first use, at a fixed cost of some ten thousand keys and as many
// comparisons, so that the sort driver asks for them only for a text large
// enough to pay it back. Null when they cannot be had.
const CharacterRanks* RankCharactersOnce();

// Ranks the characters anew into ranks; false when the collation disagrees
// with its keys too often to be ranked, or memory ran out.
bool RankCharacters(CharacterRanks& ranks);

// The ranks the numeric walk answers by; null: it asks the collation. Set
// by the sort driver, read by the numeric locale comparators.
extern const CharacterRanks* LocaleCharacterRanks;

// The sign of the locale comparison of two characters of the given widths;
// false when either has no rank.
inline bool CompareCharacterRanks(const CharacterRanks& ranks, const char* p1, int w1, const char* p2, int w2,
                                  int& sign) {
  uint16_t r1 = ranks.rank[CharacterIndex(p1, w1)], r2 = ranks.rank[CharacterIndex(p2, w2)];
  if (r1 == kNoRank || r2 == kNoRank) return false;
  sign = r1 < r2 ? -1 : r1 > r2;
  return true;
}
