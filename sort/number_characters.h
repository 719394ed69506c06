#pragma once
#include "sort/character_width.h"

// The characters that numbers are made of, in either width: what the
// full-width scanner reads, and what the numeric walk reads in place.
namespace number_characters {

// The ASCII byte that a full-width number character stands for, 0 for none.
constexpr char MapFullWidth(unsigned char lead, unsigned char trail) {
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

constexpr bool IsNumberByte(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'D' || c == 'd' || c == 'E' ||
         c == 'e';
}

// Per ASCII byte: itself when it can be part of a number, else 0. The
// scanner asks at every character of a number.
struct AsciiNumberBytes {
  char byte[128];
};

constexpr AsciiNumberBytes MakeAsciiNumberBytes() {
  AsciiNumberBytes bytes = {};
  for (int b = 0; b < 128; ++b) bytes.byte[b] = IsNumberByte(static_cast<char>(b)) ? static_cast<char>(b) : 0;
  return bytes;
}

inline constexpr AsciiNumberBytes kAsciiNumberBytes = MakeAsciiNumberBytes();

// The ASCII byte for the character at p, and its width; 0 when the character
// cannot be part of a number.
inline char NumberByteAt(const char* p, int& width) {
  unsigned char b = static_cast<unsigned char>(*p);
  if (b < 0x80) {
    width = 1;
    return kAsciiNumberBytes.byte[b];
  }
  width = CharacterWidth(p);
  return width == 2 ? MapFullWidth(b, static_cast<unsigned char>(p[1])) : 0;
}

// Only a digit, a sign or a point, of either width, can begin a number; an
// exponent letter cannot. c is the ASCII byte the character stands for.
constexpr bool BeginsNumber(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }

inline bool CanBeginNumber(const char* p) {
  int width = 0;
  return BeginsNumber(NumberByteAt(p, width));
}

}  // namespace number_characters
