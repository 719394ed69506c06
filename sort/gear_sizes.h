#pragma once
#include <cstddef>
#include <cstdint>

// The sizes at which the engine's paths change gear, in one place: a slip
// at one of them shows only in an input of that size, so the tests build
// their inputs around each (the size, one below, one above).

// Line sort: stretches of at most this many entries are left to insertion.
constexpr ptrdiff_t kInsertionStretch = 16;

// Line table: room by this many entries at a time (16 KB of pointers on
// 32-bit Windows).
constexpr size_t kLineTableStep = 4096;

// Numeric locale orders: from a text of this many bytes, characters are
// compared by their ranks (character_ranks.h). Ranking them costs about
// 6 ms under Wine, which a sort of mixed lines earns back from about
// 100 KB (2,500 lines; measured on the x86_64 build).
constexpr size_t kRankedCharactersText = 100u << 10;

// Keyed sort: key bytes are read this many at a time beside each line, and
// groups of at most kSmallGroup lines are sorted by insertion.
constexpr size_t kKeyChunk = 8;
constexpr size_t kSmallGroup = 64;

// The common number: at most this many digits, read in place.
constexpr int kPlainDigits = 15;

// Number conversion: at most kKeptDigits significant digits are kept (enough
// to round any double correctly); up to kFastDigits of them, scaled by at
// most 10^kFastPower, are converted by one multiplication or division.
constexpr int kKeptDigits = 780;
constexpr int kFastDigits = 15;
constexpr int kFastPower = 22;

// Number scanner: a copy of a number's characters that fits this many bytes
// is made on the stack; the conversion looks this many bytes past what it
// takes.
constexpr size_t kShortCopy = 128;
constexpr size_t kConversionLookahead = 3;

// Numeric walk: after this many bytes alike it looks for a common run, and
// passes one only when it is at least kWorthPassing bytes long.
constexpr ptrdiff_t kLookAfter = 16;
constexpr size_t kWorthPassing = 32;

// Numeric column windows shorter than this are copied to the stack.
constexpr size_t kShortWindow = 256;

// Text words: runs of at most kInlineCopy bytes are copied a word at a time
// in place, longer ones by memcpy; common runs are compared kCompareBlock
// bytes at a time, then a word, then a byte.
constexpr size_t kInlineCopy = 64;
constexpr size_t kCompareBlock = 32;

// Column windows: ColumnFrom and ColumnWidth up to this are counted in
// place, longer ones measured by strnlen.
constexpr uint32_t kCountedColumn = 16;
