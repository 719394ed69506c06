#pragma once
#include <windows.h>

struct AppRecord;

// Shows the modal options dialog over the editor's main window; it edits
// g_sortOptions, starting from the settings file over the switches.
// 1 after OK (options saved); 2 after Cancel, Esc or the close box, and when
// the dialog could not be opened (the user is told).
int RunOptionsDialog(AppRecord& app, HINSTANCE module);

// The dialog's procedure. Always FALSE, so the system leaves the focus alone.
INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The box for full-width digits follows the box for numbers; the column
// fields and their labels follow the column box. Marks and texts stay.
void UpdateControlStates(HWND dialog);
