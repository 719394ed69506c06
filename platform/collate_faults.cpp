#include "platform/collate.h"

namespace {
bool g_wholeKeysForced = false;
unsigned g_spoilEvery = 0;
unsigned g_keysMade = 0;
}  // namespace

void ForceWholeLocaleKeys(bool whole) { g_wholeKeysForced = whole; }

void SpoilLocaleKeys(unsigned every) {
  g_spoilEvery = every;
  g_keysMade = 0;
}

bool WholeLocaleKeysForced() { return g_wholeKeysForced; }

// A spoiled key sorts after every real one of its length or less.
void SpoilLocaleKey(unsigned char* key, size_t length) {
  if (g_spoilEvery == 0 || ++g_keysMade % g_spoilEvery != 0) return;
  for (size_t i = 0; i < length; ++i) key[i] = 0xFF;
}
