#include <cstdint>
#include <cstring>

#include "platform/heap.h"
#include "sort/character_ranks.h"
#include "sort/character_width.h"
#include "sort/gear_sizes.h"
#include "sort/key_order.h"
#include "sort/number_characters.h"
#include "sort/number_scanner.h"
#include "sort/plain_number.h"
#include "sort/text_words.h"

// The numeric walk runs over two texts side by side. At each step it asks the
// scanner at both positions: two numbers compare by value, two non-numbers
// compare one character each, and where only one side holds a number the
// walk stops and the comparator compares the two texts as strings.
namespace {

enum class CharacterOrder { kBytes, kLocale };

enum class WalkEnd {
  kGreater,   // the first text is the greater
  kNotGreater,  // the first text is the smaller, or both ended together
  kOneNumber,  // only one side holds a number at p1, p2
};

struct Walk {
  WalkEnd end;
  const char* p1;
  const char* p2;
};

// In byte order a two-byte character is greater than any one-byte character;
// characters of equal width compare their bytes unsigned.
int CompareCharacterBytes(const char* p1, int w1, const char* p2, int w2) {
  if (w1 != w2) return w1 == 2 ? 1 : -1;
  unsigned char a = static_cast<unsigned char>(p1[0]), b = static_cast<unsigned char>(p2[0]);
  if (a != b || w1 == 1) return a < b ? -1 : a > b;
  a = static_cast<unsigned char>(p1[1]), b = static_cast<unsigned char>(p2[1]);
  return a < b ? -1 : a > b;
}

// The same character: the same width and the same bytes.
bool SameCharacter(const char* p1, int w1, const char* p2, int w2) {
  return w1 == w2 && p1[0] == p2[0] && (w1 == 1 || p1[1] == p2[1]);
}

// In locale order two characters of the same bytes are equal, which the
// walk knows without asking the collation; ranked characters answer by
// their ranks, as the collation would.
int CompareCharacters(const char* p1, int w1, const char* p2, int w2, CharacterOrder order) {
  if (order == CharacterOrder::kBytes) return CompareCharacterBytes(p1, w1, p2, w2);
  if (SameCharacter(p1, w1, p2, w2)) return 0;
  int sign = 0;
  if (LocaleCharacterRanks && CompareCharacterRanks(*LocaleCharacterRanks, p1, w1, p2, w2, sign)) return sign;
  return LocaleSign(CompareLocale(p1, w1, p2, w2));
}

// A character that neither scanner takes as the beginning of a number: no
// digit, sign or point of either width, and none of the white space (LF, VT,
// FF, CR) that the half-width scanner skips before one.
constexpr bool CannotBeginNumber(const char* p, int width) {
  using number_characters::BeginsNumber;
  unsigned char c = static_cast<unsigned char>(p[0]);
  if (width == 2) return !BeginsNumber(number_characters::MapFullWidth(c, static_cast<unsigned char>(p[1])));
  return !BeginsNumber(p[0]) && !(c >= '\n' && c <= '\r');
}

// Where both texts hold the same such character, both scanners would answer
// no and the characters would compare equal, so the walk passes it at once.
// Only for the two scanners whose answers this knows.
bool SameCharacterWithoutNumber(const char* p1, const char* p2) {
  int w = CharacterWidth(p1);
  return SameCharacter(p1, w, p2, CharacterWidth(p2)) && CannotBeginNumber(p1, w);
}

// A single byte that no number of either scanner takes in (no digit, sign,
// point, exponent letter or white space) and that cannot begin a two-byte
// character.
bool IsBarrier(unsigned char b) {
  bool numberByte = (b >= '0' && b <= '9') || b == '+' || b == '-' || b == '.' || b == 'e' || b == 'E' ||
                    b == 'd' || b == 'D' || b == ' ' || (b >= '\t' && b <= '\r');
  return b != 0 && !numberByte && !IsLeadByte(b);
}

// How far the walk can pass at once where both texts begin with the same
// bytes. Both walks go the same way as long as what decides each step lies
// in that common run; a step can only stop at a barrier byte, since no number
// goes through one, so the walk reaches every barrier that begins a
// character. A barrier after a byte that cannot lead a two-byte character
// begins one; every step before it looked at most at the barrier and the
// byte after it (a character's width), so with both still in the common run
// the walks meet there, every step before it equal. Only worth the look
// where lines share a long beginning.
size_t CommonSteps(const char* p1, const char* p2) {
  size_t common = CommonPrefix(p1, p2);
  if (common < kWorthPassing) return 0;
  for (size_t r = common - 2; r > 0; --r) {
    unsigned char before = static_cast<unsigned char>(p1[r - 1]);
    if (IsBarrier(static_cast<unsigned char>(p1[r])) && !IsLeadByte(before)) return r;
  }
  return 0;
}

// The one-byte characters that begin no number and no two-byte character:
// where both texts hold the same one, the walk passes it without a look at
// its width.
struct PlainBytes {
  bool plain[256];
};

constexpr PlainBytes MakePlainBytes() {
  PlainBytes bytes = {};
  for (int b = 1; b < 256; ++b) {
    char c = static_cast<char>(b);
    bytes.plain[b] = !IsLeadByte(static_cast<unsigned char>(b)) && CannotBeginNumber(&c, 1);
  }
  return bytes;
}

constexpr PlainBytes kPlainBytes = MakePlainBytes();

// Whether a number of either scanner may begin at p: a digit, sign or point
// (full-width ones lead with 0x81 or 0x82), or the white space that the
// half-width scanner takes before one. Elsewhere both answer no, so the walk
// does not ask them; only for the two scanners whose answers this knows.
struct NumberStarts {
  bool may[256];
};

constexpr NumberStarts MakeNumberStarts() {
  NumberStarts starts = {};
  for (int b = '0'; b <= '9'; ++b) starts.may[b] = true;
  for (int b = '\n'; b <= '\r'; ++b) starts.may[b] = true;
  starts.may['+'] = starts.may['-'] = starts.may['.'] = starts.may[0x81] = starts.may[0x82] = true;
  return starts;
}

constexpr NumberStarts kNumberStarts = MakeNumberStarts();

// The half-width scanner at p. A number that begins at once (a digit, sign
// or point, no white space before it) and is a common one is read here in
// place, as the scanner's conversion would read it first; anything else goes
// to the scanner itself.
inline bool ScanHalfWidthAt(const char* p, double& value, const char*& end) {
  char c = *p;
  if (number_characters::BeginsNumber(c)) {
    auto readByte = [](const char* at, int&) { return *at; };
    if (ReadPlainNumber(p, readByte, value, end)) return true;
  }
  return kNumberStarts.may[static_cast<unsigned char>(c)] && ScanHalfWidthNumber(value, p, end);
}

// The full-width scanner at p, its common number of either width read here
// in place as the scanner would read it first.
inline bool ScanFullWidthAt(const char* p, double& value, const char*& end) {
  if (!kNumberStarts.may[static_cast<unsigned char>(*p)] || !number_characters::CanBeginNumber(p)) return false;
  auto readCharacter = [](const char* at, int& width) { return number_characters::NumberByteAt(at, width); };
  if (ReadPlainNumber(p, readCharacter, value, end)) return true;
  return ScanFullWidthNumber(value, p, end);
}

// The installed scanner at p; the two known ones without the call through
// the pointer.
inline bool ScanAt(const char* p, bool halfWidth, bool fullWidth, double& value, const char*& end) {
  if (halfWidth) return ScanHalfWidthAt(p, value, end);
  if (fullWidth) return ScanFullWidthAt(p, value, end);
  return NumberScanner(value, p, end);
}

inline bool SamePlainByte(const char* p1, const char* p2) {
  return p1[0] == p2[0] && kPlainBytes.plain[static_cast<unsigned char>(p1[0])];
}

Walk WalkTexts(const char* p1, const char* p2, CharacterOrder order) {
  if (!*p1) return {WalkEnd::kNotGreater, p1, p2};
  bool halfWidth = NumberScanner == ScanHalfWidthNumber;
  bool fullWidth = NumberScanner == ScanFullWidthNumber;
  bool knownScanner = halfWidth || fullWidth;
  // Once the walk has gone some way with both texts alike, it looks for a
  // long common run to pass at once; most walks end before.
  const char* start = p1;
  bool looked = !knownScanner;
  do {
    if (!*p2) return {WalkEnd::kGreater, p1, p2};
    if (!looked && p1 - start >= kLookAfter) {
      looked = true;
      size_t passed = CommonSteps(p1, p2);
      p1 += passed;
      p2 += passed;
    }
    if (knownScanner && SamePlainByte(p1, p2)) {
      do {
        ++p1;
        ++p2;
      } while (SamePlainByte(p1, p2));
      continue;
    }
    if (knownScanner && SameCharacterWithoutNumber(p1, p2)) {
      int w = CharacterWidth(p1);
      p1 += w;
      p2 += w;
      continue;
    }
    double value1 = 0.0, value2 = 0.0;
    const char* end1 = p1;
    const char* end2 = p2;
    bool number1 = ScanAt(p1, halfWidth, fullWidth, value1, end1);
    bool number2 = ScanAt(p2, halfWidth, fullWidth, value2, end2);
    if (number1 && number2) {
      if (value1 > value2) return {WalkEnd::kGreater, p1, p2};
      if (value1 < value2) return {WalkEnd::kNotGreater, p1, p2};
      p1 = end1;
      p2 = end2;
    } else if (number1 || number2) {
      return {WalkEnd::kOneNumber, p1, p2};
    } else {
      int w1 = CharacterWidth(p1), w2 = CharacterWidth(p2);
      int sign = CompareCharacters(p1, w1, p2, w2, order);
      if (sign > 0) return {WalkEnd::kGreater, p1, p2};
      if (sign < 0) return {WalkEnd::kNotGreater, p1, p2};
      p1 += w1;
      p2 += w2;
    }
  } while (*p1);
  return {WalkEnd::kNotGreater, p1, p2};
}

// Windows shorter than kShortWindow are copied to the stack; longer ones to
// the process heap, where a failed allocation answers "not before".

// A window copy: in the caller's buffer when it fits, else on the heap.
struct WindowCopy {
  char* text;  // null when a heap copy could not be had
  bool onHeap;
};

WindowCopy CopyColumnWindow(const char* line, char (&buffer)[kShortWindow]) {
  const char* start = ColumnStart(line);
  uint32_t length = ColumnLength(start);
  if (length < kShortWindow) {
    std::memcpy(buffer, start, length);
    buffer[length] = '\0';
    return {buffer, false};
  }
  char* copy = HeapDupString(start);
  if (copy) copy[length] = '\0';
  return {copy, true};
}

void ReleaseWindow(const WindowCopy& window) {
  if (window.onHeap && window.text) FreeBlock(ProcessHeapHandle(), 0, window.text);
}

// The column forms walk copies of both windows and answer 0 when a copy
// cannot be had. decide turns the walk's end into the answer.
template <typename Decide>
int CompareColumnWindows(const char* first, const char* second, Decide decide) {
  char buffer1[kShortWindow], buffer2[kShortWindow];
  WindowCopy window1 = CopyColumnWindow(first, buffer1);
  WindowCopy window2 = CopyColumnWindow(second, buffer2);
  int answer = 0;
  if (window1.text && window2.text) answer = decide(window1.text, window2.text);
  ReleaseWindow(window1);
  ReleaseWindow(window2);
  return answer;
}

}  // namespace

char* HeapDupString(const char* text) {
  if (!text) return nullptr;
  size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(AllocateBlock(ProcessHeapHandle(), kHeapZeroMemory, size));
  if (copy) std::memcpy(copy, text, size);
  return copy;
}

// Where one side holds a number, the rests compare bytewise; the tie-break
// takes the walk positions, which order the lines as the lines themselves.
int NumericBinaryGreater(const char* first, const char* second) {
  Walk walk = WalkTexts(first, second, CharacterOrder::kBytes);
  if (walk.end != WalkEnd::kOneNumber) return walk.end == WalkEnd::kGreater;
  return AnswerGreater(std::strcmp(walk.p1, walk.p2), walk.p1, walk.p2);
}

int NumericBinaryLess(const char* first, const char* second) { return NumericBinaryGreater(second, first); }

int NumericLocaleGreater(const char* first, const char* second) {
  Walk walk = WalkTexts(first, second, CharacterOrder::kLocale);
  if (walk.end != WalkEnd::kOneNumber) return walk.end == WalkEnd::kGreater;
  return AnswerGreater(LocaleSign(CompareLocale(walk.p1, -1, walk.p2, -1)), walk.p1, walk.p2);
}

int NumericLocaleLess(const char* first, const char* second) { return NumericLocaleGreater(second, first); }

// Where one side holds a number, the whole windows (not the rests) compare
// bytewise, with no tie-break.
int ColumnNumericBinaryGreater(const char* first, const char* second) {
  return CompareColumnWindows(first, second, [](const char* window1, const char* window2) {
    Walk walk = WalkTexts(window1, window2, CharacterOrder::kBytes);
    if (walk.end != WalkEnd::kOneNumber) return walk.end == WalkEnd::kGreater ? 1 : 0;
    return std::strcmp(window1, window2) > 0 ? 1 : 0;
  });
}

int ColumnNumericBinaryLess(const char* first, const char* second) {
  return ColumnNumericBinaryGreater(second, first);
}

// Where one side holds a number, the rests of the windows compare in locale
// order; the tie-break takes the lines, never the copies.
int ColumnNumericLocaleGreater(const char* first, const char* second) {
  return CompareColumnWindows(first, second, [first, second](const char* window1, const char* window2) {
    Walk walk = WalkTexts(window1, window2, CharacterOrder::kLocale);
    if (walk.end != WalkEnd::kOneNumber) return walk.end == WalkEnd::kGreater ? 1 : 0;
    return AnswerGreater(LocaleSign(CompareLocale(walk.p1, -1, walk.p2, -1)), first, second);
  });
}

int ColumnNumericLocaleLess(const char* first, const char* second) {
  return ColumnNumericLocaleGreater(second, first);
}
