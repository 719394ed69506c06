#include "platform/collate.h"

#include <windows.h>

int CompareLocale(const char* first, int firstLength, const char* second, int secondLength) {
  // NORM_IGNORECASE | SORT_STRINGSORT | NORM_IGNOREKANATYPE
  const DWORD kFlags = 0x11001;
  return CompareStringA(LOCALE_USER_DEFAULT, kFlags, first, firstLength, second, secondLength);
}
