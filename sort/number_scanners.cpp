#include <cstring>

#include "platform/heap.h"
#include "sort/character_width.h"
#include "sort/gear_sizes.h"
#include "sort/number_characters.h"
#include "sort/number_scanner.h"
#include "sort/plain_number.h"

NumberScannerFunction NumberScanner = ScanHalfWidthNumber;

namespace {

using number_characters::CanBeginNumber;
using number_characters::NumberByteAt;

// Where the copy of a number fits kShortCopy bytes, it is made on the stack.
// The conversion looks at most two bytes past what it takes (an exponent
// letter and its sign, when no digit follows), so a copy cut short at that
// size still decides every number that ends kConversionLookahead bytes
// before the cut.

// Copies at most limit - 1 number characters at position into copy, one
// ASCII byte each, and NUL-terminates it. Returns the bytes copied; complete
// is set when the run of number characters ended within the limit.
size_t CopyNumberCharacters(const char* position, char* copy, size_t limit, bool& complete) {
  size_t n = 0;
  const char* p = position;
  int width = 0;
  for (char c; n + 1 < limit && (c = NumberByteAt(p, width)) != 0; p += width) copy[n++] = c;
  complete = NumberByteAt(p, width) == 0;
  copy[n] = '\0';
  return n;
}

// The number of number characters at position.
size_t CountNumberCharacters(const char* position) {
  size_t n = 0;
  int width = 0;
  for (const char* p = position; NumberByteAt(p, width) != 0; p += width) ++n;
  return n;
}

// The position after count characters of text.
const char* SkipCharacters(const char* text, size_t count) {
  for (; count > 0; --count) text += CharacterWidth(text);
  return text;
}

// Converts a copy of a run too long for the stack, on the process heap; no
// memory means no number. Returns the characters the conversion took.
size_t ConvertLongCopy(const char* position, double& read) {
  size_t size = CountNumberCharacters(position) + 1;
  HeapHandle heap = ProcessHeapHandle();
  char* copy = static_cast<char*>(AllocateBlock(heap, 0, size));
  if (!copy) return 0;
  bool complete = false;
  CopyNumberCharacters(position, copy, size, complete);
  size_t characters = ConvertNumber(copy, read);
  FreeBlock(heap, 0, copy);
  return characters;
}

// A number of ASCII characters read in place: the copy would hold the same
// bytes up to the first character that is no number character, where it
// ends and the text goes on with a byte that the conversion takes for an end
// just as well. So the answer is the copy's wherever the conversion and its
// lookahead met only ASCII bytes; where they met a byte from 0x80 up (which
// may be a full-width number character), the copy must decide.
enum class AsciiScan { kNumber, kNoNumber, kUndecided };

AsciiScan ScanAsciiNumber(double& value, const char* position, const char*& end) {
  if (static_cast<unsigned char>(*position) >= 0x80) return AsciiScan::kUndecided;
  double read = 0.0;
  size_t length = ConvertNumber(position, read);
  // What the conversion took is ASCII by its grammar; only the lookahead
  // past it may have met other bytes.
  for (size_t i = length; i < length + kConversionLookahead && position[i]; ++i)
    if (static_cast<unsigned char>(position[i]) >= 0x80) return AsciiScan::kUndecided;
  if (length == 0) return AsciiScan::kNoNumber;
  value = read;
  end = position + length;
  return AsciiScan::kNumber;
}

// The number at position read from an ASCII copy of its characters. Kept
// apart from the numbers read in place, whose path then needs no room for
// the copy.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
bool ScanCopiedNumber(double& value, const char* position, const char*& end) {
  char copy[kShortCopy];
  bool complete = false;
  size_t copied = CopyNumberCharacters(position, copy, sizeof copy, complete);
  double read = 0.0;
  size_t characters = ConvertNumber(copy, read);
  if (!complete && characters + kConversionLookahead > copied) characters = ConvertLongCopy(position, read);
  if (characters == 0) return false;
  value = read;
  end = SkipCharacters(position, characters);
  return true;
}

// A number character is at position. The common number of either width is
// read in place as its copy would be, an ASCII one in place too; any other
// is copied. Apart from the first look, which most positions do not pass.
#if defined(__GNUC__)
__attribute__((noinline))
#endif
bool ScanNumberAt(double& value, const char* position, const char*& end) {
  auto readCharacter = [](const char* at, int& width) { return NumberByteAt(at, width); };
  if (ReadPlainNumber(position, readCharacter, value, end)) return true;
  AsciiScan ascii = ScanAsciiNumber(value, position, end);
  if (ascii != AsciiScan::kUndecided) return ascii == AsciiScan::kNumber;
  return ScanCopiedNumber(value, position, end);
}

}  // namespace

// A space or a tab refuses the position; any other white space is taken by
// the conversion as part of the number. Anything but white space, a digit,
// a sign or a point cannot begin one.
bool ScanHalfWidthNumber(double& value, const char* position, const char*& end) {
  char c = *position;
  bool candidate = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || (c >= '\n' && c <= '\r');
  if (!candidate) return false;
  double read = 0.0;
  size_t length = ConvertNumber(position, read);
  if (length == 0) return false;
  value = read;
  end = position + length;
  return true;
}

// Reads the number characters as an ASCII copy would hold them (one byte per
// character, so the conversion's length counts characters of the text), then
// walks that many characters in the text to find the end. A copy, when one
// is needed, is cut at a short stack buffer, and only a number too long to
// be decided there is copied whole.
bool ScanFullWidthNumber(double& value, const char* position, const char*& end) {
  return CanBeginNumber(position) && ScanNumberAt(value, position, end);
}
