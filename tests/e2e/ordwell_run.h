#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/standin_process.h"

// Running the real Ordwell.exe from a test. Every wait has a deadline, and a
// message box that nobody expected ends a wait at once instead of hanging.

struct OrdwellRun {
  HANDLE process = nullptr;
  DWORD processId = 0;
  ULONGLONG startTick = 0;  // GetTickCount64 just before the process was created
};

// Full Windows path of the Ordwell.exe under test: the build tree's, or
// the one that UseOrdwellExe named last.
std::string OrdwellExePath();
void UseOrdwellExe(const std::string& path);

// Starts Ordwell.exe with the arguments (the text after the program path).
// variables ("NAME=VALUE") are added to the environment that it inherits,
// and only to its own.
bool StartOrdwell(const std::string& arguments, OrdwellRun* run,
                  const std::vector<std::string>& variables = {});

// How a run ended: its exit code, or the text of the message box that came
// up while the test expected none (read and dismissed).
struct OrdwellEnd {
  bool exited = false;
  int exitCode = 0;  // GetExitCodeProcess, read as the signed code it is
  std::string strayBox;
};
OrdwellEnd WaitForOrdwellEnd(const OrdwellRun& run, unsigned timeoutMs = 20000);

// Milliseconds since the run was started.
unsigned ElapsedSince(const OrdwellRun& run);

// Ends the run if it still goes and closes its handle. Safe twice.
void StopOrdwell(OrdwellRun* run);

// The ids of every running Ordwell.exe process.
std::vector<DWORD> OrdwellProcessIds();
bool NoOrdwellRunning(unsigned timeoutMs = 5000);

// Ends every stand-in still running, those that the tool started included.
void StopAllStandins();

// The stand-in processes other than the given one; the tool's new instance.
std::vector<DWORD> OtherStandinIds(DWORD known);

// Starts a stand-in editor on text and waits until its main window is in the
// foreground, where the tool looks for it (and, unless waitForPane is false,
// until its edit pane exists).
bool StartEditor(StandinVariant variant, const std::string& options, const std::string& text, Standin* editor,
                 bool waitForPane = true);
bool WaitForForeground(HWND window, unsigned timeoutMs = 5000);

// The window over the editor that says the run is at work (class
// "OrdwellWork"), while the run shows it; else null.
HWND FindWorkWindow(const OrdwellRun& run);
