#include "editor/version_pack.h"

#include <climits>

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi: white space, a sign, digits up to the first other byte; the value
// saturates as the C library's strtol does.
long ReadAtoi(const char* p) {
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > (long long)INT_MAX + 1) value = (long long)INT_MAX + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return long(value);
}

// The next field starts after the first '.' found from the second byte of
// the current one; an empty current field or no '.' leaves it missing.
const char* NextField(const char* field) {
  if (!field || !*field) return nullptr;
  for (const char* p = field + 1; *p; ++p)
    if (*p == '.') return p + 1;
  return nullptr;
}

}  // namespace

uint32_t PackFileVersion(const char* fileVersion) {
  uint32_t packed = 0;
  const char* field = fileVersion;
  for (int k = 0; k < 4; ++k) {
    uint32_t number = field ? uint32_t(ReadAtoi(field)) & 0xFF : 0;
    packed = (packed << 8) | number;
    field = NextField(field);
  }
  return packed;
}
