#include "platform/message_box.h"

#include <cstdio>

// Without a desktop the box becomes one line on standard error.
int ShowMessageBox(WindowHandle owner, const char* text, unsigned style) {
  if (MessageBoxHook hook = CurrentMessageBoxHook()) return hook(owner, text, kMessageCaption, style);
  std::fprintf(stderr, "%s: %s\n", kMessageCaption, text);
  return 1;  // IDOK
}
