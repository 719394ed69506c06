#include "platform/format.h"

#include <windows.h>

#include <cstdarg>

int FormatText(char* buffer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = wvsprintfA(buffer, format, args);
  va_end(args);
  buffer[kFormatLimit - 1] = '\0';  // wvsprintfA leaves a cut text unterminated on some systems
  return n;
}
