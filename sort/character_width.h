#pragma once

// The two-byte rule of code page 932: a lead byte 0x81-0x9F or 0xE0-0xFC
// followed by a trail byte 0x40-0xFC other than 0x7F is one character.
inline constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline constexpr bool IsTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The rule as tables: the walks ask it at every character.
struct ByteKinds {
  bool lead[256];
  bool trail[256];
};

constexpr ByteKinds MakeByteKinds() {
  ByteKinds kinds = {};
  for (int b = 0; b < 256; ++b) {
    kinds.lead[b] = IsLeadByte(static_cast<unsigned char>(b));
    kinds.trail[b] = IsTrailByte(static_cast<unsigned char>(b));
  }
  return kinds;
}

inline constexpr ByteKinds kByteKinds = MakeByteKinds();

// Bytes of the character at p (1 or 2); a lead byte before the NUL is one byte.
inline int CharacterWidth(const char* p) {
  return kByteKinds.lead[static_cast<unsigned char>(p[0])] && kByteKinds.trail[static_cast<unsigned char>(p[1])] ? 2
                                                                                                                  : 1;
}
