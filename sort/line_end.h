#pragma once
#include <cstring>

// The next CR LF in [from, end), found by its LF (memchr is the fastest scan
// the C library has); null when there is none. A lone CR or LF is an
// ordinary byte; no CR LF hides inside a two-byte character, since a trail
// byte is never below 0x40.
inline const char* FindLineEnd(const char* from, const char* end) {
  for (const char* lf = from; (lf = static_cast<const char*>(std::memchr(lf, '\n', static_cast<size_t>(end - lf))));
       ++lf)
    if (lf > from && lf[-1] == '\r') return lf - 1;
  return nullptr;
}
