#include "platform/collate.h"

#include <windows.h>

#include <climits>

namespace {
// NORM_IGNORECASE | SORT_STRINGSORT | NORM_IGNOREKANATYPE
const DWORD kLocaleOrderFlags = 0x11001;
}  // namespace

int CompareLocale(const char* first, int firstLength, const char* second, int secondLength) {
  return CompareStringA(LOCALE_USER_DEFAULT, kLocaleOrderFlags, first, firstLength, second, secondLength);
}

// The system's collation gives its keys whole only.
bool LocaleKeysAvailable() { return false; }

uint64_t ReadLocaleKey(const char*, size_t, LocaleKeyCursor&) { return 0; }

// The same locale and flags as CompareLocale, so that both decode the text
// alike. The system refuses a length of 0; the empty text has a key.
bool MakeLocaleKey(const char* text, int length, unsigned char* key, size_t room, size_t& made) {
  const DWORD flags = LCMAP_SORTKEY | kLocaleOrderFlags;
  if (length == 0) text = "", length = -1;
  int fit = room > INT_MAX ? INT_MAX : static_cast<int>(room);
  int n = fit ? LCMapStringA(LOCALE_USER_DEFAULT, flags, text, length, reinterpret_cast<LPSTR>(key), fit) : 0;
  if (n > 0) {
    made = static_cast<size_t>(n);
    SpoilLocaleKey(key, made);
    return true;
  }
  if (fit && GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  n = LCMapStringA(LOCALE_USER_DEFAULT, flags, text, length, nullptr, 0);
  made = static_cast<size_t>(n);
  return n > 0;
}
