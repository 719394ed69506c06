#include "editor/capture.h"

#include <windows.h>

#include <cstring>

#include "editor/exchange.h"
#include "editor/version_pack.h"
#include "editor/version_reader.h"
#include "platform/heap.h"

namespace {

const char kMainWindowClass[] = "TMorvaneMainForm";
const char kLauncherClass[] = "oniwnd0";
const char kPaneClass[] = "TEditor";
const char kExeNameClass[] = "TMorvaneExeName";
const char kDefaultExePath[] = "Morvane.exe";
const int kPollMilliseconds = 50;
const DWORD kWaitMilliseconds = 2500;
const size_t kExePathBufferSize = 262;  // a process entry's 260-byte name always fits, terminated

bool IsClass(HWND window, const char* className) {
  char name[260] = {};
  GetClassNameA(window, name, sizeof name);
  return std::strcmp(name, className) == 0;  // case matters
}

bool BelongsTo(HWND window, uint32_t processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return processId == 0 || owner == processId;
}

// The first top-level main window of the process (any process for 0).
HWND FindMainWindowOf(uint32_t processId) {
  for (HWND w = FindWindowExA(nullptr, nullptr, kMainWindowClass, nullptr); w;
       w = FindWindowExA(nullptr, w, kMainWindowClass, nullptr)) {
    if (BelongsTo(w, processId)) return w;
    if (processId == 0) break;
  }
  return nullptr;
}

// One look at the foreground. Sets done when polling must end (with the
// answer in main), as it does when the launcher window is in front.
HWND LookAtForeground(uint32_t processId, bool& done) {
  HWND window = GetForegroundWindow();
  if (IsClass(window, kMainWindowClass) && BelongsTo(window, processId)) {
    done = true;
    return window;
  }
  if (IsClass(window, kLauncherClass)) {
    HWND main = processId == 0 ? FindWindowA(kMainWindowClass, nullptr) : FindMainWindowOf(processId);
    done = processId == 0 || main != nullptr;  // a new instance may still be coming
    return main;
  }
  return nullptr;
}

// The waits go by the clock, not by a count of polls: on a loaded machine
// each poll takes longer than its sleep.
bool IsWithinWait(DWORD start) { return GetTickCount() - start < kWaitMilliseconds; }

HWND WaitForMainWindow(uint32_t processId) {
  for (DWORD start = GetTickCount();; Sleep(kPollMilliseconds)) {
    bool done = false;
    HWND main = LookAtForeground(processId, done);
    if (done) return main;
    if (!IsWithinWait(start)) return nullptr;
  }
}

HWND FindChild(HWND main, const char* className) {
  return FindWindowExA(main, nullptr, className, nullptr);
}

HWND WaitForPane(HWND main) {
  for (DWORD start = GetTickCount();; Sleep(kPollMilliseconds)) {
    if (HWND pane = FindChild(main, kPaneClass)) return pane;
    if (!IsWithinWait(start)) return nullptr;
  }
}

// The exe path from the hidden child that holds it, else from the process list.
void SettleExePath(EditorLink& link) {
  HWND child = FindChild(static_cast<HWND>(link.mainWindow), kExeNameClass);
  link.editPane = child;  // the read below goes to the child, by plain messages
  if (child) {
    const char* text = ReadWholeText(link);
    link.exePath = text ? text : kDefaultExePath;
    return;
  }
  char* buffer = static_cast<char*>(AllocateBlock(link.heap, kHeapZeroMemory, kExePathBufferSize));
  if (!buffer) {
    link.exePath = kDefaultExePath;
    return;
  }
  if (!GetWindowProcessExePath(link.mainWindow, buffer, kExePathBufferSize)) lstrcpyA(buffer, kDefaultExePath);
  link.exePath = buffer;
}

void SettlePackedVersion(EditorLink& link) {
  VersionInfoReader reader;
  CreateReader(reader, link.exePath);
  const char* fileVersion = GetStringByIndex(reader, kFileVersionIndex);
  link.packedVersion = fileVersion ? PackFileVersion(fileVersion) : 0;
  ReleaseReader(reader);
}

void FillLink(EditorLink& link, HWND main) {
  link = EditorLink{};  // an old heap is not destroyed: the caller released it
  link.busy = 1;
  if (!main) return;
  link.heap = CreatePrivateHeap(0);
  if (!link.heap) return;
  HWND pane = WaitForPane(main);
  if (!pane) {
    ReleaseLink(link);
    return;
  }
  link.editPane = pane;
  link.mainWindow = main;
  SettleExePath(link);
  SettlePackedVersion(link);
  link.editPane = FindChild(main, kPaneClass);  // null when the pane has gone meanwhile
  link.busy = 0;
}

}  // namespace

void CaptureEditor(EditorLink& link) { FillLink(link, WaitForMainWindow(0)); }

void CaptureEditorOfProcess(EditorLink& link, uint32_t processId) {
  FillLink(link, WaitForMainWindow(processId));
}
