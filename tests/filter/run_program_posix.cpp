#include "tests/filter/run_program.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <cstring>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <sstream>
#include <thread>

namespace {

// A read at least this long is one of the program's own blocks, never the
// few kilobytes that the loader and the sanitizers' runtime read.
constexpr long kBlockRead = 64 << 10;

// The user and group that nobody logs in as.
constexpr uid_t kOtherUser = 65534;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool IsTraced(const RunOptions& options) {
  return options.stopAtPath || options.stopAfterRead || options.stopAfterWrite;
}

// The process as a shell would leave it for the program, options applied.
bool PrepareChild(const RunOptions& options) {
  struct rlimit limit = {static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
  if (options.fileSizeLimit && setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  struct rlimit descriptors = {static_cast<rlim_t>(options.descriptorLimit), static_cast<rlim_t>(options.descriptorLimit)};
  if (options.descriptorLimit && setrlimit(RLIMIT_NOFILE, &descriptors) != 0) return false;
  for (int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGXFSZ}) signal(s, s == options.ignoredSignal ? SIG_IGN : SIG_DFL);
  if (options.closedStream >= 0) close(options.closedStream);
  if (!options.otherUser) return true;
  return setgroups(0, nullptr) == 0 && setgid(kOtherUser) == 0 && setuid(kOtherUser) == 0;
}

// In the child: the streams redirected, then the program; 127 when it
// cannot be started. A traced child stops first, for the tracer to begin.
[[noreturn]] void StartChild(const std::string& program, const std::vector<std::string>& args,
                             const std::string& directory, const std::string& inputPath, const std::string& outPath,
                             const std::string& errPath, const RunOptions& options, int pipeIn) {
  if (IsTraced(options) && (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 || raise(SIGSTOP) != 0)) _exit(127);
  int in = pipeIn >= 0 ? pipeIn : open(inputPath.c_str(), O_RDONLY);
  if (in >= 0 && options.inputOffset && lseek(in, options.inputOffset, SEEK_SET) < 0) _exit(127);
  int out = open(outPath.c_str(), (options.outputRefused ? O_RDONLY : O_WRONLY) | O_CREAT | O_TRUNC, 0600);
  int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
      chdir(directory.c_str()) != 0 || setenv("LC_ALL", options.locale, 1) != 0 || !PrepareChild(options))
    _exit(127);
  for (int d : {in, out, err})
    if (d > 2) close(d);
  if (options.removedOnDescriptor3) {
    int file = open(options.removedOnDescriptor3, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (file < 0 || dup2(file, 3) != 3 || unlink(options.removedOnDescriptor3) != 0) _exit(127);
    if (file != 3) close(file);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

// Writes bytes into the pipe and closes it; a reader that ended early
// leaves the rest unwritten. The pieces are of an odd size, as a writer of
// lines would give them, so that the reads do not fall on a block's edges.
void FeedPipe(int descriptor, std::string bytes) {
  constexpr size_t kPiece = 65521;
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(descriptor, bytes.data() + done, std::min(bytes.size() - done, kPiece));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(descriptor);
}

double SecondsSince(const timespec& start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) / 1e9;
}

// waitpid against the deadline; false when the deadline passed.
bool WaitFor(pid_t child, int& status, const timespec& start, int deadlineSeconds) {
  for (;;) {
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) return true;
    if (done < 0 || SecondsSince(start) > deadlineSeconds) return false;
    usleep(500);
  }
}

// True when the tracee's memory at address holds a path that is path or
// ends with "/" and path. What can be read up to a page's end is read.
bool NamesPath(pid_t child, unsigned long long address, const char* path) {
  constexpr size_t kPage = 4096;
  char got[kPage + 1] = {};
  size_t room = kPage - address % kPage;
  struct iovec local = {got, room};
  struct iovec remote = {reinterpret_cast<void*>(static_cast<uintptr_t>(address)), room};
  if (address == 0 || process_vm_readv(child, &local, 1, &remote, 1, 0) <= 0) return false;
  std::string named(got), wanted(path);
  return named == wanted || (named.size() > wanted.size() && named.compare(named.size() - wanted.size() - 1,
                                                                           std::string::npos, "/" + wanted) == 0);
}

// The call whose return the stop waits for, judged at its entry and exit.
bool IsStopCall(pid_t child, const __ptrace_syscall_info& entry, long long result, const RunOptions& options) {
  if (options.stopAfterRead) return entry.entry.nr == SYS_read && result >= kBlockRead;
  if (options.stopAfterWrite) return entry.entry.nr == SYS_write && result >= kBlockRead;
  return NamesPath(child, entry.entry.args[0], options.stopAtPath) ||
         NamesPath(child, entry.entry.args[1], options.stopAtPath);
}

// Steps the traced child from system call to system call until the stop
// comes (whileStopped runs, then the child goes on untraced) or it ends
// (ended). False when the deadline passed.
bool TraceToStop(pid_t child, int& status, const timespec& start, int deadlineSeconds, const RunOptions& options,
                 bool& stopped, bool& ended) {
  if (!WaitFor(child, status, start, deadlineSeconds)) return false;
  ended = !WIFSTOPPED(status);  // it could not even start
  if (ended) return true;
  ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  __ptrace_syscall_info entry = {}, info = {};
  int deliver = 0;
  for (;;) {
    ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(deliver)));
    if (!WaitFor(child, status, start, deadlineSeconds)) return false;
    ended = !WIFSTOPPED(status);
    if (ended) return true;
    int signal = WSTOPSIG(status);
    deliver = signal == SIGTRAP || signal == (SIGTRAP | 0x80) ? 0 : signal;  // the tracer's own traps stay here
    if (signal != (SIGTRAP | 0x80)) continue;
    ptrace(PTRACE_GET_SYSCALL_INFO, child, reinterpret_cast<void*>(sizeof info), &info);
    if (info.op == PTRACE_SYSCALL_INFO_ENTRY) entry = info;
    if (info.op != PTRACE_SYSCALL_INFO_EXIT || !IsStopCall(child, entry, info.exit.rval, options)) continue;
    stopped = true;
    if (options.whileStopped) options.whileStopped();
    ptrace(PTRACE_DETACH, child, nullptr, nullptr);
    return true;
  }
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& directory, const std::string& inputPath, int deadlineSeconds,
                      const RunOptions& options) {
  ProgramRun run;
  std::string errPath = directory + "/.stderr";
  std::string outFile = options.outputFile ? options.outputFile : ".stdout";
  std::string outPath = outFile[0] == '/' ? outFile : directory + "/" + outFile;
  int pipeEnds[2] = {-1, -1};
  if (options.inputPiped && pipe(pipeEnds) != 0) return run;
  signal(SIGPIPE, SIG_IGN);  // the feeder sees a failed write instead
  pid_t child = fork();
  if (child < 0) return run;
  if (child == 0) {
    if (options.inputPiped) close(pipeEnds[1]);
    StartChild(program, args, directory, inputPath, outPath, errPath, options, pipeEnds[0]);
  }
  std::thread feeder;
  if (options.inputPiped) {
    close(pipeEnds[0]);
    feeder = std::thread(FeedPipe, pipeEnds[1], ReadFile(inputPath));
  }
  struct Joiner {
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{feeder};
  int status = 0;
  timespec start;
  clock_gettime(CLOCK_MONOTONIC, &start);
  bool ended = false;
  bool inTime = !IsTraced(options) || TraceToStop(child, status, start, deadlineSeconds, options, run.stopped, ended);
  if (!inTime || (!ended && !WaitFor(child, status, start, deadlineSeconds))) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return run;
  }
  run.finished = WIFEXITED(status);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  if (!options.outputFile) run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  if (!options.outputFile) unlink(outPath.c_str());
  unlink(errPath.c_str());
  return run;
}

std::string FilterProgramPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "ordwell-sort";
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/')) + "/" + ORDWELL_FILTER_DIR + "/ordwell-sort";
}
