#include "platform/format.h"

#include <cstdarg>
#include <cstdio>

int FormatText(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, kFormatLimit, format, args);
  va_end(args);
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return n < kFormatLimit ? n : kFormatLimit - 1;
}
