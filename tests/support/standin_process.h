#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Starting, driving and stopping stand-in editors from a test. Every wait
// has a deadline; every message is sent with a timeout, so that a stand-in
// that hangs fails the test instead of stopping it.

enum class StandinVariant {
  k0_73_0_1,   // shared-memory channel and selection kind
  k0_72_0_6,   // selection kind, no channel
  k0_72_0_5,   // neither
  kNoVersion,  // no version resource at all
};

struct Standin {
  HANDLE process = nullptr;
  DWORD processId = 0;
  HWND mainWindow = nullptr;
  HWND editPane = nullptr;  // first TEditor child; null until it exists
};

// Full Windows path of the variant's executable: in the build tree's folder
// of stand-ins, or in the folder that UseStandinDir named last.
std::string StandinExePath(StandinVariant variant);
void UseStandinDir(const std::string& dir);
std::string StandinDirInUse();

// Starts the variant with the options (see tools/standin/standin_options.h)
// and waits until its main window is shown and, unless waitForPane is false,
// its edit pane exists. False, with nothing left running, when it does not
// come up within timeoutMs.
bool StartStandin(StandinVariant variant, const std::string& options, Standin* standin,
                  bool waitForPane = true, unsigned timeoutMs = 10000);
// Fills standin for a stand-in that someone else started (the tool's new
// editor instance) once its main window and pane are up.
bool AttachStandin(DWORD processId, Standin* standin, unsigned timeoutMs = 10000);
// Waits for the first TEditor child of the main window.
bool WaitForEditPane(Standin* standin, unsigned timeoutMs = 10000);
// Ends the process and waits for it; true when it is gone. Safe on a
// standin that never started.
bool StopStandin(Standin* standin);

// The ids of every running process whose executable file has this name.
std::vector<DWORD> ProcessIdsNamed(const char* exeName);
// The ids of every running stand-in process, whatever variant.
std::vector<DWORD> StandinProcessIds();
// True once no stand-in process is left running.
bool NoStandinRunning(unsigned timeoutMs = 5000);

// The first pane's whole document, moved through a file, so that documents
// of any size and any bytes come through unchanged.
bool SetStandinText(const Standin& standin, const std::string& bytes);
bool ReadStandinText(const Standin& standin, std::string* bytes);
// The first pane's whole document into the file at path, for documents too
// large to hold in a test.
bool SaveStandinText(const Standin& standin, const std::string& path);
// EM_SETSEL and EM_GETSEL on the first pane.
bool SelectInStandin(const Standin& standin, long start, long end);
bool ReadStandinSelection(const Standin& standin, DWORD* start, DWORD* end);

// What the main window and the first pane received since the start or the
// last reset: how often a message came and its last wParam.
LRESULT StandinMessageCount(const Standin& standin, UINT message);
LRESULT StandinLastWParam(const Standin& standin, UINT message);
bool ResetStandinCounts(const Standin& standin);

// A new file in the temporary folder holding bytes; its Windows path, or an
// empty text on failure. The caller deletes it (DeleteFileA).
std::string WriteTempFile(const std::string& bytes);
