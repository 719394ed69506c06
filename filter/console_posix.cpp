#include "filter/console.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "filter/file_facts_posix.h"

namespace {

// The names under which a locale's codeset is code page 932, or the
// Shift_JIS it extends: such a terminal reads the messages as they are.
constexpr const char* kMessageCodesets[] = {"CP932", "WINDOWS-31J", "MS932", "IBM-943", "SHIFT_JIS", "SJIS"};

// The codeset of the user's LC_CTYPE, asked once. The program's own locale
// goes back to what it was, so that nothing else reads the user's.
const std::string& UserCodeset() {
  static const std::string codeset = [] {
    std::string kept = std::setlocale(LC_CTYPE, nullptr);
    std::string name = std::setlocale(LC_CTYPE, "") ? nl_langinfo(CODESET) : "";
    std::setlocale(LC_CTYPE, kept.c_str());
    return name;
  }();
  return codeset;
}

bool IsMessageCodeset(const std::string& codeset) {
  for (const char* name : kMessageCodesets)
    if (strcasecmp(codeset.c_str(), name) == 0) return true;
  return false;
}

// The conversion of messages, opened once: iconv reads its tables from
// files, which a run out of descriptors could no longer open when it has a
// fault to tell. Never closed: it lives as long as the process.
iconv_t MessageConversion(const std::string& codeset) {
  static const iconv_t conversion = iconv_open(codeset.c_str(), "CP932");
  return conversion;
}

// The whole text or nothing: a text that does not convert entirely (to
// ASCII in the C locale, say) is better shown as it is than cut short.
bool ConvertText(const char* text, const std::string& codeset, std::string& converted) {
  iconv_t conversion = MessageConversion(codeset);
  if (conversion == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(conversion, nullptr, nullptr, nullptr, nullptr);  // from the initial state
  size_t left = std::strlen(text);
  converted.assign(left * 4 + 16, '\0');  // a byte of code page 932 is at most 3 of UTF-8
  char* in = const_cast<char*>(text);
  char* out = &converted[0];
  size_t room = converted.size();
  bool whole = iconv(conversion, &in, &left, &out, &room) != static_cast<size_t>(-1) &&
               iconv(conversion, nullptr, nullptr, &out, &room) != static_cast<size_t>(-1);
  converted.resize(converted.size() - room);
  return whole;
}

// The files an interrupted run removes, read by the signal handler, and the
// signals that end a run so: every one whose default action ends the
// process (a reader that closed standard output too), the real-time ones
// besides, but for the faults a program makes itself (SIGSEGV and the like,
// left to the system and the sanitizers) and SIGXFSZ, which the filter
// ignores so that an oversized write fails.
struct RemovalNote {
  int folder;
  char name[4096];
  volatile sig_atomic_t set;
};
RemovalNote g_removals[kInterruptSlots];
constexpr int kInterruptSignals[] = {SIGINT,    SIGTERM, SIGHUP,  SIGPIPE, SIGQUIT, SIGALRM,
                                     SIGUSR1,   SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,
#ifdef SIGPWR
                                     SIGPWR,
#endif
#ifdef SIGSTKFLT
                                     SIGSTKFLT,
#endif
};

// Adds every signal a run is interrupted by to the set.
void AddInterruptSignals(sigset_t& signals) {
  for (int signal : kInterruptSignals) sigaddset(&signals, signal);
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaddset(&signals, signal);
}
sigset_t g_heldBefore;  // the signal mask before HoldInterrupts

// unlinkat is safe in a signal handler; the signal then ends the process as
// it would have without the handler.
extern "C" void RemoveAndEnd(int signal) {
  for (const RemovalNote& note : g_removals)
    if (note.set) unlinkat(note.folder, note.name, 0);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Signals that the caller ignores (nohup and the like) stay ignored.
void HandleInterrupts() {
  static bool handled = false;
  if (handled) return;
  handled = true;
  sigset_t signals;
  sigemptyset(&signals);
  AddInterruptSignals(signals);
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&signals, signal) != 1) continue;
    struct sigaction action = {};
    action.sa_handler = RemoveAndEnd;
    sigemptyset(&action.sa_mask);
    struct sigaction before;
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

// Blocks of at least this size are mapped apart, aligned to large pages and
// backed by them: below it, the page faults they save cost less than
// clearing one, and the block comes from the heap.
constexpr size_t kLargePage = size_t(2) << 20;
constexpr size_t kLargePageWorth = kLargePage / 2;

// The length mapped for a block of size bytes, a whole number of large
// pages; 0 when none can be.
size_t MappedLength(size_t size) {
  if (size > SIZE_MAX - 2 * kLargePage) return 0;
  return (size + kLargePage - 1) & ~(kLargePage - 1);
}

}  // namespace

// POSIX streams never translate bytes.
void SetBinaryStreams() {}

// The null device taken for a closed standard stream: its use fails (EBADF),
// as on the closed descriptor. The lowest free descriptor is the stream's,
// since those below it are taken.
namespace {
bool g_closedAtStart[3] = {false, false, false};
}  // namespace

void KeepStandardStreams() {
  for (int stream = 0; stream <= 2; ++stream) {
    if (fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    g_closedAtStart[stream] = true;
    int opened = open("/dev/null", stream == 0 ? O_WRONLY : O_RDONLY);
    if (opened > stream) close(opened);
  }
}

bool WasClosedAtStart(int stream) { return stream >= 0 && stream <= 2 && g_closedAtStart[stream]; }

void LetOversizedWritesFail() { std::signal(SIGXFSZ, SIG_IGN); }

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

// The files of /proc and /sys are made as they are read: the size they
// report (0, or a page) is no size, and they are read as a stream to their
// end, as a pipe is.
namespace {
bool IsMadeWhileRead(int descriptor) {
  struct statfs system;
  return fstatfs(descriptor, &system) == 0 && (system.f_type == kProcMagic || system.f_type == kSysfsMagic);
}
}  // namespace

StreamVersion NoteStreamVersion(std::FILE* stream) {
  StreamVersion version = {StreamKind::kOther, 0, 0, 0};
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return version;
  if (S_ISDIR(info.st_mode)) version.kind = StreamKind::kDirectory;
  if (!S_ISREG(info.st_mode) || IsMadeWhileRead(fileno(stream))) return version;
  version.kind = StreamKind::kRegularFile;
  version.size = static_cast<unsigned long long>(info.st_size);
  version.changed = ChangeTimeOf(info);
  off_t position = lseek(fileno(stream), 0, SEEK_CUR);
  version.position = position > 0 ? static_cast<unsigned long long>(position) : 0;
  return version;
}

// A read lease is refused (EAGAIN) while anyone has the file open for
// writing or mapped so; it is given back at once, and the signal of a writer
// that came in between is taken while blocked, since a held lease would keep
// writers waiting on a stopped run. Without leases (not the file's owner, a
// file system without them) an advisory read lock: only writers that lock
// are seen.
InputHold HoldInputForRead(std::FILE* stream) {
  int descriptor = fileno(stream);
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || IsMadeWhileRead(descriptor))
    return InputHold::kNotAFile;
  sigset_t lease, before;
  sigemptyset(&lease);
  sigaddset(&lease, SIGIO);
  sigprocmask(SIG_BLOCK, &lease, &before);
  int taken = fcntl(descriptor, F_SETLEASE, F_RDLCK);
  int error = errno;
  if (taken == 0) fcntl(descriptor, F_SETLEASE, F_UNLCK);
  struct timespec now = {0, 0};
  while (sigtimedwait(&lease, nullptr, &now) == SIGIO) {
  }
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (taken == 0) return InputHold::kHeld;
  if (error == EAGAIN) return InputHold::kWriterAtWork;
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  if (fcntl(descriptor, F_OFD_SETLK, &lock) == 0) return InputHold::kHeld;
  return errno == EAGAIN || errno == EACCES ? InputHold::kWriterAtWork : InputHold::kHeld;
}

// The advisory lock goes with the descriptor, when the input is closed.
void ReleaseInputHold() {}

long long ReadStreamBytes(std::FILE* stream, char* block, size_t n) {
  for (;;) {
    ssize_t got = read(fileno(stream), block, n < SSIZE_MAX ? n : SSIZE_MAX);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Mapped whole and aligned to a large page, so that every page of the text is
// a large one: the head and tail of a larger mapping are given back.
char* ReserveTextBlock(size_t size) {
  if (size < kLargePageWorth) return static_cast<char*>(std::malloc(size));
  size_t length = MappedLength(size);
  if (!length) return nullptr;
  void* mapped = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
  uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
  if (aligned > start) munmap(mapped, aligned - start);
  if (kLargePage > aligned - start) munmap(reinterpret_cast<void*>(aligned + length), kLargePage - (aligned - start));
  AdviseLargePages(reinterpret_cast<void*>(aligned), length);
  return reinterpret_cast<char*>(aligned);
}

void ReleaseTextBlock(char* block, size_t size) {
  if (size < kLargePageWorth)
    std::free(block);
  else if (block)
    munmap(block, MappedLength(size));
}

void RemoveOnInterrupt(int slot, intptr_t folder, const char* name) {
  RemovalNote& note = g_removals[slot];
  note.set = 0;
  if (!name || std::strlen(name) >= sizeof note.name) return;
  std::strcpy(note.name, name);
  note.folder = static_cast<int>(folder);
  note.set = 1;
  HandleInterrupts();
}

// A signal that comes meanwhile waits, and is answered once released.
void HoldInterrupts() {
  sigset_t signals;
  sigemptyset(&signals);
  AddInterruptSignals(signals);
  sigprocmask(SIG_BLOCK, &signals, &g_heldBefore);
}

void ReleaseInterrupts() { sigprocmask(SIG_SETMASK, &g_heldBefore, nullptr); }

void PrepareMessages() {
  const std::string& codeset = UserCodeset();
  if (!codeset.empty() && !IsMessageCodeset(codeset)) MessageConversion(codeset);
}

std::string ToLocaleCodeset(const char* text) {
  const std::string& codeset = UserCodeset();
  std::string converted;
  if (codeset.empty() || IsMessageCodeset(codeset) || !ConvertText(text, codeset, converted)) return text;
  return converted;
}

// Only whole large pages inside the block can be backed so.
void AdviseLargePages(void* block, size_t size) {
#ifdef MADV_HUGEPAGE
  uintptr_t start = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(kLargePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)block, (void)size;
#endif
}

bool IsExistingFile(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}
