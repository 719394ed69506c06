#pragma once
#include <cstddef>
#include <cstdint>

// The locale comparison of the sort orders: letter case and the difference
// between hiragana and katakana ignored, full-width and half-width forms kept
// apart, punctuation compared like any other symbol. The answers have the
// values of CompareStringA's: less, equal, greater, and 0 when it fails.
enum : int {
  kCompareFailed = 0,
  kCompareLess = 1,
  kCompareEqual = 2,
  kCompareGreater = 3,
};

// Compares two code-page-932 texts; a length of -1 means "up to the NUL",
// any other length counts bytes.
int CompareLocale(const char* first, int firstLength, const char* second, int secondLength);

// The locale order as keys read a chunk at a time, where the collation
// allows it: compared byte by byte as unsigned values, the keys of two texts
// give the answer that CompareLocale gives for them (a key that is the start
// of another is the smaller), and no key byte is 0. A sort reads a key eight
// bytes at a time. False where the system collates (Windows): its keys come
// whole, from MakeLocaleKey.
bool LocaleKeysAvailable();

// The whole key of a text (length -1: up to its NUL), written into
// key[0, room); made receives its length, which is above room when it did
// not fit (then nothing usable was written). False when none can be made.
// The system documents that its keys compared as bytes (the shorter first
// where one is the start of the other) order texts as CompareLocale does;
// a key may hold zero bytes. A caller checks the order rather than trusting it.
bool MakeLocaleKey(const char* text, int length, unsigned char* key, size_t room, size_t& made);

// For tests. ForceWholeLocaleKeys(true) makes LocaleKeysAvailable answer
// false, so that the sort takes whole keys where it could read chunks;
// SpoilLocaleKeys(n) makes every nth key that MakeLocaleKey makes from now
// wrong (n = 0: none), as keys that disagree with the comparison would be.
void ForceWholeLocaleKeys(bool whole);
void SpoilLocaleKeys(unsigned every);
// Used by the implementations.
bool WholeLocaleKeysForced();
void SpoilLocaleKey(unsigned char* key, size_t length);

// Where the next key bytes of a text come from: the character at offset at,
// of which taken key bytes were read already. Texts whose keys agree up to a
// cursor have the same cursor there.
struct LocaleKeyCursor {
  size_t at;
  unsigned taken;
};

// The next eight key bytes of text[0, length) from cursor, first byte
// highest, zeros past the key's end; moves cursor past them.
uint64_t ReadLocaleKey(const char* text, size_t length, LocaleKeyCursor& cursor);
