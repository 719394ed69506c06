#pragma once
#include <windows.h>

#include <string>

// Finding and closing the message boxes that a program under test shows.

struct FoundMessageBox {
  HWND window = nullptr;
  std::string text;     // the message, code page 932 bytes
  std::string caption;
};

// Waits for a message box (a top-level dialog of class "#32770") owned by
// owner (null: a box with no owner) in the process processId (0: any
// process). False when none appears within timeoutMs.
bool FindMessageBox(HWND owner, DWORD processId, unsigned timeoutMs, FoundMessageBox* box);
// True when the process shows any message box right now, whoever owns it.
bool AnyMessageBox(DWORD processId);
// Reads such a box, if there is one right now.
bool FindAnyMessageBox(DWORD processId, FoundMessageBox* box);
// Presses the button (IDOK by default) and waits until the box is gone.
bool DismissMessageBox(HWND box, int buttonId = IDOK, unsigned timeoutMs = 5000);
