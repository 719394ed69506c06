#include <windows.h>
#include <tlhelp32.h>

#include <cstring>

#include "editor/capture.h"
#include "platform/lookup_win32.h"

// The executable path of a window's process. The functions differ by
// platform and not every system has them, so they are looked up at run
// time: psapi on the NT platform, tool help elsewhere.
namespace {

typedef HANDLE(WINAPI* SnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
typedef BOOL(WINAPI* EnumModulesFn)(HANDLE, HMODULE*, DWORD, LPDWORD);
typedef DWORD(WINAPI* ModuleFileNameFn)(HANDLE, HMODULE, LPSTR, DWORD);
typedef BOOL(WINAPI* ImageNameFn)(HANDLE, DWORD, LPSTR, PDWORD);

struct ProcessListFunctions {
  bool initialised;
  bool useToolHelp;
  SnapshotFn snapshot;
  ProcessWalkFn first;
  ProcessWalkFn next;
  EnumModulesFn enumModules;
  ModuleFileNameFn moduleFileName;
  ImageNameFn imageName;  // from Vista on; may be missing
};
ProcessListFunctions g_list = {};
int g_forcedPlatform = -1;

#ifndef _WIN64
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA as the system expects it");
static_assert(sizeof(PROCESSENTRY32) == 296, "PROCESSENTRY32 as the system expects it");
#endif

DWORD PlatformId() {
  if (g_forcedPlatform >= 0) return DWORD(g_forcedPlatform);
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
  return info.dwPlatformId;
}

bool ChooseFunctions() {
  if (g_list.initialised) return true;
  g_list.useToolHelp = PlatformId() != VER_PLATFORM_WIN32_NT;
  if (g_list.useToolHelp) {
    HMODULE kernel = GetModuleHandleA("kernel32");
    g_list.snapshot = LookupFunction<SnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    g_list.first = LookupFunction<ProcessWalkFn>(kernel, "Process32First");
    g_list.next = LookupFunction<ProcessWalkFn>(kernel, "Process32Next");
    g_list.initialised = g_list.snapshot && g_list.first && g_list.next;
  } else {
    HMODULE psapi = GetModuleHandleA("psapi");
    if (!psapi) psapi = LoadLibraryA("psapi");
    g_list.enumModules = LookupFunction<EnumModulesFn>(psapi, "EnumProcessModules");
    g_list.moduleFileName = LookupFunction<ModuleFileNameFn>(psapi, "GetModuleFileNameExA");
    g_list.imageName = LookupFunction<ImageNameFn>(GetModuleHandleA("kernel32"), "QueryFullProcessImageNameA");
    g_list.initialised = g_list.enumModules && g_list.moduleFileName;
  }
  return g_list.initialised;
}

// strncpy: at most size bytes, the rest zero-filled, no terminator added
// when the name fills the buffer.
void CopyName(char* buffer, size_t size, const char* name) {
  size_t i = 0;
  for (; i < size && name[i]; ++i) buffer[i] = name[i];
  for (; i < size; ++i) buffer[i] = '\0';
}

bool PathFromToolHelp(DWORD processId, char* buffer, size_t size) {
  HANDLE snapshot = g_list.snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = g_list.first(snapshot, &entry); more; more = g_list.next(snapshot, &entry)) {
    if (entry.th32ProcessID == processId) {
      CopyName(buffer, size, entry.szExeFile);
      found = true;
      break;
    }
    entry.dwSize = sizeof entry;
  }
  CloseHandle(snapshot);
  return found;
}

bool PathFromPsapi(DWORD processId, char* buffer, size_t size) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!process) return false;
  HMODULE module = nullptr;  // the first module is the executable
  DWORD needed = 0;
  bool ok = g_list.enumModules(process, &module, sizeof module, &needed) &&
            g_list.moduleFileName(process, module, buffer, DWORD(size)) != 0;
  CloseHandle(process);
  return ok;
}

// A 32-bit process cannot list a 64-bit process's modules; the system can
// still name its image, with the least access there is for that.
bool PathFromImageName(DWORD processId, char* buffer, size_t size) {
  const DWORD kQueryLimitedInformation = 0x1000;  // PROCESS_QUERY_LIMITED_INFORMATION
  if (!g_list.imageName) return false;
  HANDLE process = OpenProcess(kQueryLimitedInformation, FALSE, processId);
  if (!process) return false;
  DWORD length = DWORD(size);
  const bool ok = g_list.imageName(process, 0, buffer, &length) && length > 0;
  CloseHandle(process);
  return ok;
}

}  // namespace

void ForceProcessListPlatform(int platformId) {
  g_forcedPlatform = platformId;
  g_list = ProcessListFunctions{};
}

bool GetWindowProcessExePath(WindowHandle window, char* buffer, size_t size) {
  HWND hwnd = static_cast<HWND>(window);
  if (!IsWindow(hwnd) || !buffer || size == 0 || !ChooseFunctions()) return false;
  DWORD processId = 0;
  GetWindowThreadProcessId(hwnd, &processId);
  if (g_list.useToolHelp) return PathFromToolHelp(processId, buffer, size);
  return PathFromPsapi(processId, buffer, size) || PathFromImageName(processId, buffer, size);
}
