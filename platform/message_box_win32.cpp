#include "platform/message_box.h"

#include <windows.h>

int ShowMessageBox(WindowHandle owner, const char* text, unsigned style) {
  if (MessageBoxHook hook = CurrentMessageBoxHook()) return hook(owner, text, kMessageCaption, style);
  return MessageBoxA(static_cast<HWND>(owner), text, kMessageCaption, style);
}
