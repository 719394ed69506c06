#include "platform/collate.h"

#include <windows.h>

int CompareLocale(const char* first, int firstLength, const char* second, int secondLength) {
  // NORM_IGNORECASE | SORT_STRINGSORT | NORM_IGNOREKANATYPE
  const DWORD kFlags = 0x11001;
  return CompareStringA(LOCALE_USER_DEFAULT, kFlags, first, firstLength, second, secondLength);
}

// The system's collation is known only by its answers.
bool LocaleKeysAvailable() { return false; }

uint64_t ReadLocaleKey(const char*, size_t, LocaleKeyCursor&) { return 0; }
