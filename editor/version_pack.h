#pragma once
#include <cstdint>

// Packs a FileVersion text a.b.c.d into one number, a in the top byte and d
// in the low byte, each field read as atoi reads it and cut to 8 bits.
// Missing fields count 0; null packs to 0.
uint32_t PackFileVersion(const char* fileVersion);
