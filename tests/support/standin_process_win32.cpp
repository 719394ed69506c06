#include "tests/support/standin_process.h"

#include <tlhelp32.h>

#include <cstring>

#include "tests/support/deadline.h"
#include "tools/standin/standin_protocol.h"

namespace {

// Ordinary messages must come back within this time; moving a document of
// many megabytes through a file may take longer.
constexpr UINT kReplyTimeout = 5000;
constexpr UINT kDocumentTimeout = 60000;

const char* const kExeNames[] = {kStandinExe_0_73_0_1, kStandinExe_0_72_0_6, kStandinExe_0_72_0_5,
                                 kStandinExeNoVersion};

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* reply, UINT timeout = kReplyTimeout) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeout, &result)) return false;
  if (reply) *reply = static_cast<LRESULT>(result);
  return true;
}

struct MainWindowSearch {
  DWORD processId;
  HWND found;
};

// The main window: the process's visible top-level window that has no owner.
BOOL CALLBACK MatchMainWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<MainWindowSearch*>(param);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != search->processId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindMainWindow(DWORD processId) {
  MainWindowSearch search = {processId, nullptr};
  EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string& StandinDir() {
  static std::string dir = ORDWELL_STANDIN_DIR;
  return dir;
}

bool HasExited(HANDLE process) { return process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// Sends a file transfer message with the file's path in a global atom.
bool TransferFile(const Standin& standin, UINT message, const std::string& path) {
  ATOM atom = GlobalAddAtomA(path.c_str());
  if (!atom) return false;
  LRESULT reply = 0;
  bool sent = Send(standin.mainWindow, message, atom, 0, &reply, kDocumentTimeout);
  GlobalDeleteAtom(atom);
  return sent && reply == 1;
}

std::string NewTempPath() {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  if (!GetTempPathA(MAX_PATH, folder) || !GetTempFileNameA(folder, "ow", 0, path)) return std::string();
  return path;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok) bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  for (size_t at = 0; ok && at < bytes->size(); at += done) {
    ok = ReadFile(file, &(*bytes)[at], static_cast<DWORD>(bytes->size() - at), &done, nullptr) && done > 0;
  }
  CloseHandle(file);
  return ok;
}

}  // namespace

std::string StandinExePath(StandinVariant variant) {
  return StandinDir() + "\\" + kExeNames[static_cast<int>(variant)];
}

void UseStandinDir(const std::string& dir) { StandinDir() = dir; }

std::string StandinDirInUse() { return StandinDir(); }

namespace {

// One start; *ended: the process could not be started, or ended before its
// window came.
bool StartStandinOnce(StandinVariant variant, const std::string& options, Standin* standin, bool waitForPane,
                      unsigned timeoutMs, bool* ended) {
  *standin = Standin{};
  *ended = true;
  std::string exe = StandinExePath(variant);
  std::string commandLine = "\"" + exe + "\"" + (options.empty() ? "" : " " + options);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  standin->process = info.hProcess;
  standin->processId = info.dwProcessId;
  bool up = WaitFor([&] { return HasExited(standin->process) || (standin->mainWindow = FindMainWindow(info.dwProcessId)); },
                    timeoutMs) &&
            standin->mainWindow && (!waitForPane || WaitForEditPane(standin, timeoutMs));
  *ended = !standin->mainWindow && HasExited(standin->process);
  if (!up) StopStandin(standin);
  return up;
}

}  // namespace

// Wine under load now and then fails a process at its start (CreateProcess
// fails, or the process ends before its first window: seen twice in a day
// of suite runs); one more start keeps such a hiccup from passing for a
// fault of the program under test. A stand-in that comes up and then fails
// is never started again.
bool StartStandin(StandinVariant variant, const std::string& options, Standin* standin, bool waitForPane,
                  unsigned timeoutMs) {
  bool ended = false;
  if (StartStandinOnce(variant, options, standin, waitForPane, timeoutMs, &ended)) return true;
  if (!ended) return false;
  Sleep(200);
  return StartStandinOnce(variant, options, standin, waitForPane, timeoutMs, &ended);
}

bool AttachStandin(DWORD processId, Standin* standin, unsigned timeoutMs) {
  *standin = Standin{};
  standin->process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
  if (!standin->process) return false;
  standin->processId = processId;
  bool up = WaitFor([&] { return (standin->mainWindow = FindMainWindow(processId)) != nullptr; }, timeoutMs) &&
            WaitForEditPane(standin, timeoutMs);
  if (!up) StopStandin(standin);
  return up;
}

bool WaitForEditPane(Standin* standin, unsigned timeoutMs) {
  return WaitFor(
      [&] {
        standin->editPane = FindWindowExA(standin->mainWindow, nullptr, "TEditor", nullptr);
        return standin->editPane != nullptr || HasExited(standin->process);
      },
      timeoutMs) &&
         standin->editPane != nullptr;
}

bool StopStandin(Standin* standin) {
  bool gone = true;
  if (standin->process) {
    TerminateProcess(standin->process, 1);
    gone = WaitForSingleObject(standin->process, 10000) == WAIT_OBJECT_0;
    CloseHandle(standin->process);
  }
  *standin = Standin{};
  return gone;
}

std::vector<DWORD> ProcessIdsNamed(const char* exeName) {
  std::vector<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (lstrcmpiA(entry.szExeFile, exeName) == 0) ids.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return ids;
}

std::vector<DWORD> StandinProcessIds() {
  std::vector<DWORD> ids;
  for (const char* name : kExeNames) {
    std::vector<DWORD> named = ProcessIdsNamed(name);
    ids.insert(ids.end(), named.begin(), named.end());
  }
  return ids;
}

bool NoStandinRunning(unsigned timeoutMs) {
  return WaitFor([] { return StandinProcessIds().empty(); }, timeoutMs);
}

bool SetStandinText(const Standin& standin, const std::string& bytes) {
  std::string path = WriteTempFile(bytes);
  if (path.empty()) return false;
  bool loaded = TransferFile(standin, kStandinLoadText, path);
  DeleteFileA(path.c_str());
  return loaded;
}

bool ReadStandinText(const Standin& standin, std::string* bytes) {
  std::string path = NewTempPath();
  if (path.empty()) return false;
  bool read = TransferFile(standin, kStandinSaveText, path) && ReadWholeFile(path, bytes);
  DeleteFileA(path.c_str());
  return read;
}

bool SaveStandinText(const Standin& standin, const std::string& path) {
  return TransferFile(standin, kStandinSaveText, path);
}

bool SelectInStandin(const Standin& standin, long start, long end) {
  return Send(standin.editPane, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end), nullptr);
}

bool ReadStandinSelection(const Standin& standin, DWORD* start, DWORD* end) {
  return Send(standin.editPane, EM_GETSEL, reinterpret_cast<WPARAM>(start), reinterpret_cast<LPARAM>(end), nullptr);
}

LRESULT StandinMessageCount(const Standin& standin, UINT message) {
  LRESULT reply = -1;
  Send(standin.mainWindow, kStandinGetCount, message, 0, &reply);
  return reply;
}

LRESULT StandinLastWParam(const Standin& standin, UINT message) {
  LRESULT reply = -1;
  Send(standin.mainWindow, kStandinGetLastWParam, message, 0, &reply);
  return reply;
}

bool ResetStandinCounts(const Standin& standin) {
  LRESULT reply = 0;
  return Send(standin.mainWindow, kStandinResetCounts, 0, 0, &reply) && reply == 1;
}

std::string WriteTempFile(const std::string& bytes) {
  std::string path = NewTempPath();
  if (path.empty()) return path;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  bool ok = true;
  DWORD done = 0;
  for (size_t at = 0; ok && at < bytes.size(); at += done) {
    ok = WriteFile(file, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &done, nullptr) && done > 0;
  }
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(path.c_str());
    return std::string();
  }
  return path;
}
