#include <cstring>

#include "platform/heap.h"
#include "sort/character_width.h"
#include "sort/number_scanner.h"

NumberScannerFunction NumberScanner = ScanHalfWidthNumber;

namespace {

// The ASCII byte that a full-width number character stands for, 0 for none.
char MapFullWidth(unsigned char lead, unsigned char trail) {
  if (lead == 0x82 && trail >= 0x4F && trail <= 0x58) return static_cast<char>('0' + (trail - 0x4F));
  if (lead == 0x81) {
    if (trail == 0x44) return '.';
    if (trail == 0x7B) return '+';
    if (trail == 0x7C) return '-';
  }
  if (lead == 0x82) {
    if (trail == 0x63) return 'D';
    if (trail == 0x64) return 'E';
    if (trail == 0x84) return 'd';
    if (trail == 0x85) return 'e';
  }
  return 0;
}

bool IsNumberByte(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'D' || c == 'd' || c == 'E' ||
         c == 'e';
}

// Copies the number characters at position into copy, one ASCII byte each,
// and NUL-terminates the copy. White space ends the copy.
void CopyNumberCharacters(const char* position, char* copy) {
  const char* p = position;
  while (*p) {
    if (CharacterWidth(p) == 2) {
      char c = MapFullWidth(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]));
      if (!c) break;
      *copy++ = c;
      p += 2;
    } else {
      if (!IsNumberByte(*p)) break;
      *copy++ = *p++;
    }
  }
  *copy = '\0';
}

// The position after count characters of text.
const char* SkipCharacters(const char* text, size_t count) {
  for (; count > 0; --count) text += CharacterWidth(text);
  return text;
}

}  // namespace

// A space or a tab refuses the position; any other white space is taken by
// the conversion as part of the number.
bool ScanHalfWidthNumber(double& value, const char* position, const char*& end) {
  if (*position == ' ' || *position == '\t') return false;
  double read = 0.0;
  size_t length = ConvertNumber(position, read);
  if (length == 0) return false;
  value = read;
  end = position + length;
  return true;
}

// Converts an ASCII copy of the number characters (one byte per character,
// so the conversion's length counts characters of the text), then walks that
// many characters in the text to find the end. The copy's buffer comes from
// the process heap for each call; no memory means no number.
bool ScanFullWidthNumber(double& value, const char* position, const char*& end) {
  HeapHandle heap = ProcessHeapHandle();
  char* copy = static_cast<char*>(AllocateBlock(heap, kHeapZeroMemory, std::strlen(position) + 256));
  if (!copy) return false;
  CopyNumberCharacters(position, copy);
  double read = 0.0;
  size_t characters = ConvertNumber(copy, read);
  FreeBlock(heap, 0, copy);
  if (characters == 0) return false;
  value = read;
  end = SkipCharacters(position, characters);
  return true;
}
