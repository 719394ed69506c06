#include "filter/console.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// In text mode the C runtime would turn CR LF into LF on input (the sort
// cuts lines at CR LF) and stop reading at a 0x1A byte.
void SetBinaryStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

namespace {

HANDLE HandleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

unsigned long long Join(DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; }

}  // namespace

// From the handle itself: the last-write time in 100 ns steps, which every
// write moves.
StreamVersion NoteStreamVersion(std::FILE* stream) {
  StreamVersion version = {StreamKind::kOther, 0, 0, 0};
  HANDLE file = HandleOf(stream);
  BY_HANDLE_FILE_INFORMATION info;
  if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info))
    return version;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    version.kind = StreamKind::kDirectory;
    return version;
  }
  version.kind = StreamKind::kRegularFile;
  version.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
  version.changed = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  LARGE_INTEGER none = {}, position = {};
  if (SetFilePointerEx(file, none, &position, FILE_CURRENT))
    version.position = static_cast<unsigned long long>(position.QuadPart);
  return version;
}

// A pipe whose writer has gone ends the stream: ERROR_BROKEN_PIPE is its end.
long long ReadStreamBytes(std::FILE* stream, char* block, size_t n) {
  constexpr size_t kLargestRead = size_t(1) << 30;
  DWORD got = 0;
  if (ReadFile(HandleOf(stream), block, static_cast<DWORD>(n < kLargestRead ? n : kLargestRead), &got, nullptr))
    return got;
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

// Large pages need a privilege that a user seldom holds: committed memory,
// which the system clears as it is first touched.
char* ReserveTextBlock(size_t size) {
  return static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void ReleaseTextBlock(char* block, size_t) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

// Shared for deletion, so that an interrupted run can remove it while it is
// still open.
std::FILE* CreateNewFile(const char* path) {
  HANDLE created = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    DWORD fault = GetLastError();
    errno = fault == ERROR_FILE_EXISTS || fault == ERROR_ALREADY_EXISTS ? EEXIST : EACCES;
    return nullptr;
  }
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(created), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) return CloseHandle(created), nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) _close(descriptor);
  return file;
}

// rename refuses to replace an existing file on Windows.
bool ReplaceFileWith(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool EmptyFile(std::FILE* stream) { return _chsize(_fileno(stream), 0) == 0; }

namespace {

// The file an interrupted run removes. The console's handler runs on a
// thread of its own while the main thread may write the file.
char g_interruptRemoves[MAX_PATH * 2];
volatile LONG g_interruptRemovesSet = 0;
volatile LONG g_interruptsHeld = 0;

// The longest an interrupt waits for a hold: a file made and its note.
const int kHoldWaitMilliseconds = 2000;

BOOL WINAPI RemoveOnConsoleInterrupt(DWORD) {
  for (int waited = 0; g_interruptsHeld && waited < kHoldWaitMilliseconds; ++waited) Sleep(1);
  if (g_interruptRemovesSet) DeleteFileA(g_interruptRemoves);
  return FALSE;  // the default handler then ends the process
}

}  // namespace

void RemoveOnInterrupt(const char* path) {
  static bool handled = false;
  g_interruptRemovesSet = 0;
  if (!path || std::strlen(path) >= sizeof g_interruptRemoves) return;
  std::strcpy(g_interruptRemoves, path);
  g_interruptRemovesSet = 1;
  if (!handled) handled = SetConsoleCtrlHandler(RemoveOnConsoleInterrupt, TRUE) != 0;
}

// The console's handler runs on a thread of its own: it waits for the hold.
void HoldInterrupts() { InterlockedExchange(&g_interruptsHeld, 1); }
void ReleaseInterrupts() { InterlockedExchange(&g_interruptsHeld, 0); }

// Large pages need a privilege that a user seldom holds.
void AdviseLargePages(void*, size_t) {}

// A Windows console of a Japanese system reads code page 932 as it is.
std::string ToLocaleCodeset(const char* text) { return text; }

bool IsExistingFile(const char* path) {
  struct _stat64 info;
  return _stat64(path, &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFDIR;
}
