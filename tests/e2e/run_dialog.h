#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/ordwell_run.h"

// The options dialog of a running Ordwell.exe, found and worked from the
// test's process as a user would: clicks, typed digits, keys and the close
// box, all as window messages. Every wait has a deadline and gives up early
// when the run ends.

// The dialog of the run owned by owner, once it is visible; null when none
// comes within timeoutMs.
HWND WaitForOptionsDialog(const OrdwellRun& run, HWND owner, unsigned timeoutMs = 15000);

// True once the dialog is gone or hidden, or the run has ended.
bool WaitForDialogClosed(const OrdwellRun& run, HWND dialog, unsigned timeoutMs = 10000);

// A message box of the run (caption "Ordwell") owned by owner, read and
// left up; null window when none comes within timeoutMs.
struct RangeBox {
  HWND window = nullptr;
  std::string text;
};
RangeBox WaitForRunBox(const OrdwellRun& run, HWND owner, unsigned timeoutMs = 10000);
// True when, once the dialog's thread is back in a message loop, the run
// shows no box of its own besides the dialog.
bool NoRunBox(const OrdwellRun& run, HWND dialog);

// A left click with the mouse in the middle of the control, then waits
// until the box's mark has turned.
bool ClickBox(HWND dialog, int id);
// BM_CLICK on a push button, posted, so that a box it opens does not block.
bool PressButton(HWND dialog, int id);
// A key pressed and released over the dialog (Enter, Esc).
bool PressKey(HWND dialog, UINT virtualKey);
// The caption's close box, as the system menu sends it.
bool PressCloseBox(HWND dialog);
// Selects the field's text and types text over it, one character at a time;
// an empty text deletes the selection with Backspace.
bool TypeIntoField(HWND dialog, int id, const std::string& text);

bool IsBoxChecked(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
// The seven boxes 1003..1009 as '1' (checked) and '0'.
std::string BoxMarks(HWND dialog);

// The settings file beside Ordwell.exe.
std::string SettingsFilePath();
void WriteSettingsFile(const std::string& bytes);
void RemoveSettingsFile();
// The file's bytes; false when there is no file.
bool ReadSettingsFile(std::string* bytes);
// The file's lines in order, the section line too; empty lines are left out.
std::vector<std::string> SettingsLines();
