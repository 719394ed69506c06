#include "platform/format.h"

#include <windows.h>

#include <cstdarg>

int FormatText(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(buffer, format, args);
  va_end(args);
  // A cut text is left unterminated by some systems; only then is the last
  // byte of the limit written, so a small buffer that fits its text is safe.
  if (n < 0 || n >= kFormatLimit - 1) {
    buffer[kFormatLimit - 1] = '\0';
    n = kFormatLimit - 1;
  }
  return n;
}
