#include "tests/e2e/ordwell_run.h"

#include "tests/support/deadline.h"
#include "tests/support/message_box_watch.h"

namespace {

const char kOrdwellExeName[] = "Ordwell.exe";

bool TerminateById(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (!process) return false;
  TerminateProcess(process, 1);
  bool gone = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return gone;
}

// The name of "NAME=VALUE".
std::string VariableName(const std::string& variable) { return variable.substr(0, variable.find('=')); }

std::string& OrdwellExe() {
  static std::string path = ORDWELL_EXE;
  return path;
}

}  // namespace

std::string OrdwellExePath() {
  std::string path = OrdwellExe();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void UseOrdwellExe(const std::string& path) { OrdwellExe() = path; }

// The variables go into this process's environment just long enough for the
// child to copy it.
bool StartOrdwell(const std::string& arguments, OrdwellRun* run, const std::vector<std::string>& variables) {
  *run = OrdwellRun{};
  std::string exe = OrdwellExePath();
  std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
  for (const std::string& v : variables) {
    SetEnvironmentVariableA(VariableName(v).c_str(), v.c_str() + v.find('=') + 1);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  run->startTick = GetTickCount64();
  BOOL started =
      CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  if (!started) {  // Wine under load now and then fails a start: once more
    Sleep(200);
    run->startTick = GetTickCount64();
    started =
        CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  }
  for (const std::string& v : variables) SetEnvironmentVariableA(VariableName(v).c_str(), nullptr);
  if (!started) return false;
  CloseHandle(info.hThread);
  run->process = info.hProcess;
  run->processId = info.dwProcessId;
  return true;
}

OrdwellEnd WaitForOrdwellEnd(const OrdwellRun& run, unsigned timeoutMs) {
  OrdwellEnd end;
  bool stray = false;
  WaitFor(
      [&] {
        end.exited = WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0;
        stray = !end.exited && AnyMessageBox(run.processId);
        return end.exited || stray;
      },
      timeoutMs);
  if (stray) {
    FoundMessageBox box;
    for (int k = 0; k < 20 && FindAnyMessageBox(run.processId, &box); ++k) {
      end.strayBox += box.caption + ": " + box.text + "\n";
      DismissMessageBox(box.window, IDCANCEL);
    }
    return end;
  }
  DWORD code = 0;
  if (end.exited && GetExitCodeProcess(run.process, &code)) end.exitCode = static_cast<int>(code);
  return end;
}

unsigned ElapsedSince(const OrdwellRun& run) { return static_cast<unsigned>(GetTickCount64() - run.startTick); }

void StopOrdwell(OrdwellRun* run) {
  if (run->process) {
    TerminateProcess(run->process, 1);
    WaitForSingleObject(run->process, 10000);
    CloseHandle(run->process);
  }
  *run = OrdwellRun{};
}

std::vector<DWORD> OrdwellProcessIds() { return ProcessIdsNamed(kOrdwellExeName); }

bool NoOrdwellRunning(unsigned timeoutMs) {
  return WaitFor([] { return OrdwellProcessIds().empty(); }, timeoutMs);
}

void StopAllStandins() {
  for (DWORD id : StandinProcessIds()) TerminateById(id);
}

std::vector<DWORD> OtherStandinIds(DWORD known) {
  std::vector<DWORD> others;
  for (DWORD id : StandinProcessIds()) {
    if (id != known) others.push_back(id);
  }
  return others;
}

bool WaitForForeground(HWND window, unsigned timeoutMs) {
  return WaitFor([&] { return GetForegroundWindow() == window; }, timeoutMs);
}

HWND FindWorkWindow(const OrdwellRun& run) {
  for (HWND window = FindWindowExA(nullptr, nullptr, "OrdwellWork", nullptr); window;
       window = FindWindowExA(nullptr, window, "OrdwellWork", nullptr)) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == run.processId && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

bool StartEditor(StandinVariant variant, const std::string& options, const std::string& text, Standin* editor,
                 bool waitForPane) {
  std::string file = WriteTempFile(text);
  if (file.empty()) return false;
  bool started = StartStandin(variant, "\"--file=" + file + "\"" + (options.empty() ? "" : " " + options), editor,
                              waitForPane);
  DeleteFileA(file.c_str());
  return started && WaitForForeground(editor->mainWindow);
}
