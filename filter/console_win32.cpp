#include "filter/console.h"

#include "filter/file_facts_win32.h"
#include "platform/lookup_win32.h"

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

// The C runtime keeps descriptors 0 to 2 for the standard streams, but a
// stream started without a handle takes writes as if they went somewhere:
// the sorted text would be lost with success. _dup2 gives the process the
// new handle as its standard one too.
namespace {
bool g_closedAtStart[3] = {false, false, false};
}  // namespace

void KeepStandardStreams() {
  for (int stream = 0; stream <= 2; ++stream) {
    intptr_t handle = _get_osfhandle(stream);
    if (handle != -1 && handle != -2 && handle != 0) continue;
    g_closedAtStart[stream] = true;
    int opened = _open("NUL", (stream == 0 ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
    if (opened < 0) continue;
    _dup2(opened, stream);
    _close(opened);
  }
}

void PrepareMessages() {}

bool WasClosedAtStart(int stream) { return stream >= 0 && stream <= 2 && g_closedAtStart[stream]; }

// Windows has no file size limit that ends a process.
void LetOversizedWritesFail() {}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

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
  version.size = SizeOf(info);
  version.changed = LastWriteOf(info);
  LARGE_INTEGER none = {}, position = {};
  if (SetFilePointerEx(file, none, &position, FILE_CURRENT))
    version.position = static_cast<unsigned long long>(position.QuadPart);
  return version;
}

namespace {
HANDLE g_inputHold = INVALID_HANDLE_VALUE;
}  // namespace

// A second handle on the input that lets others read it only: it cannot be
// had while anyone has the file open for writing, and while it is held
// nobody opens the file so. ReOpenFile is looked up: older systems lack it,
// and read without the hold.
InputHold HoldInputForRead(std::FILE* stream) {
  typedef HANDLE(WINAPI * ReOpenFn)(HANDLE, DWORD, DWORD, DWORD);
  HANDLE file = HandleOf(stream);
  if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK) return InputHold::kNotAFile;
  ReOpenFn reopen = LookupFunction<ReOpenFn>(GetModuleHandleA("kernel32"), "ReOpenFile");
  if (!reopen) return InputHold::kHeld;
  g_inputHold = reopen(file, GENERIC_READ, FILE_SHARE_READ, 0);
  if (g_inputHold != INVALID_HANDLE_VALUE) return InputHold::kHeld;
  return GetLastError() == ERROR_SHARING_VIOLATION ? InputHold::kWriterAtWork : InputHold::kHeld;
}

void ReleaseInputHold() {
  if (g_inputHold != INVALID_HANDLE_VALUE) CloseHandle(g_inputHold);
  g_inputHold = INVALID_HANDLE_VALUE;
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

void AdviseLargePages(void*, size_t) {}

namespace {

// The files an interrupted run removes. The console's handler runs on a
// thread of its own while the main thread may write them.
struct RemovalNote {
  char path[MAX_PATH * 2];
  volatile LONG set;
};
RemovalNote g_removals[kInterruptSlots];
volatile LONG g_interruptsHeld = 0;

// The longest an interrupt waits for a hold: a file made and its note.
const int kHoldWaitMilliseconds = 2000;

BOOL WINAPI RemoveOnConsoleInterrupt(DWORD) {
  for (int waited = 0; g_interruptsHeld && waited < kHoldWaitMilliseconds; ++waited) Sleep(1);
  for (const RemovalNote& note : g_removals)
    if (note.set) DeleteFileA(note.path);
  return FALSE;  // the default handler then ends the process
}

// Before the first file beside is made: a key that came between the file
// and its note would otherwise end the run through the default handler.
void ListenForConsoleInterrupts() {
  static bool listening = false;
  if (!listening) listening = SetConsoleCtrlHandler(RemoveOnConsoleInterrupt, TRUE) != 0;
}

}  // namespace

void RemoveOnInterrupt(int slot, intptr_t, const char* name) {
  ListenForConsoleInterrupts();
  RemovalNote& note = g_removals[slot];
  note.set = 0;
  if (!name || std::strlen(name) >= sizeof note.path) return;
  std::strcpy(note.path, name);
  note.set = 1;
}

// The console's handler runs on a thread of its own: it waits for the hold.
void HoldInterrupts() {
  ListenForConsoleInterrupts();
  InterlockedExchange(&g_interruptsHeld, 1);
}
void ReleaseInterrupts() { InterlockedExchange(&g_interruptsHeld, 0); }

// A Windows console of a Japanese system reads code page 932 as it is.
std::string ToLocaleCodeset(const char* text) { return text; }

bool IsExistingFile(const char* path) {
  struct _stat64 info;
  return _stat64(path, &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFDIR;
}
