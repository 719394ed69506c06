#pragma once
#include "platform/types.h"

// The tool's message boxes: caption "Ordwell", owned by the given window.
// The style values are MessageBoxA's.
enum : unsigned {
  kBoxOk = 0x00000000,
  kBoxIconError = 0x00000010,
  kBoxIconInformation = 0x00000040,
};

extern const char kMessageCaption[];

// Shows text and returns when the user has closed the box.
int ShowMessageBox(WindowHandle owner, const char* text, unsigned style);

// Tests replace the box with a function of their own; null restores it.
typedef int (*MessageBoxHook)(WindowHandle owner, const char* text, const char* caption, unsigned style);
void SetMessageBoxHook(MessageBoxHook hook);
MessageBoxHook CurrentMessageBoxHook();
