#include "tests/filter/run_program.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// One argument as the C runtime's splitter reads it back: quoted, with the
// backslashes before a quote doubled.
std::string QuoteArgument(const std::string& arg) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE OpenInherited(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Writes bytes into the pipe and closes it; a reader that ended early
// leaves the rest unwritten. The pieces are of an odd size, as a writer of
// lines would give them, so that the reads do not fall on a block's edges.
void FeedPipe(HANDLE pipe, std::string bytes) {
  for (size_t done = 0; done < bytes.size();) {
    DWORD n = 0;
    DWORD part = static_cast<DWORD>(bytes.size() - done < 65521 ? bytes.size() - done : 65521);
    if (!WriteFile(pipe, bytes.data() + done, part, &n, nullptr) || n == 0) break;
    done += n;
  }
  CloseHandle(pipe);
}

// The handle for one standard stream; null for a stream the options close.
HANDLE StandardHandle(int stream, const RunOptions& options, HANDLE opened) {
  return options.closedStream == stream ? nullptr : opened;
}

}  // namespace

// The options that only POSIX has (another user, a size limit, signals,
// stops) are not looked at here.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& directory, const std::string& inputPath, int deadlineSeconds,
                      const RunOptions& options) {
  // Names of each run's own: under Wine a finished child's handles may close
  // a moment after it ends, and a file deleted then and made again under the
  // same name for the next run would be taken away under that run.
  static int runs = 0;
  std::string number = std::to_string(++runs);
  ProgramRun run;
  std::string errPath = directory + "\\.stderr-" + number;
  std::string outPath = directory + "\\" + (options.outputFile ? options.outputFile : ".stdout-" + number);
  HANDLE in = INVALID_HANDLE_VALUE, feed = INVALID_HANDLE_VALUE;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  if (!options.inputPiped)
    in = OpenInherited(inputPath, GENERIC_READ, OPEN_EXISTING);
  else if (CreatePipe(&in, &feed, &inherit, 0))
    SetHandleInformation(feed, HANDLE_FLAG_INHERIT, 0);
  else
    in = feed = INVALID_HANDLE_VALUE;
  if (!options.inputPiped && options.inputOffset) SetFilePointer(in, options.inputOffset, nullptr, FILE_BEGIN);
  HANDLE out = OpenInherited(outPath, options.outputRefused ? GENERIC_READ : GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = OpenInherited(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  std::string line = QuoteArgument(program);
  for (const std::string& a : args) line += " " + QuoteArgument(a);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = StandardHandle(0, options, in);
  startup.hStdOutput = StandardHandle(1, options, out);
  startup.hStdError = StandardHandle(2, options, err);
  PROCESS_INFORMATION process = {};
  BOOL started = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                 CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                directory.c_str(), &startup, &process);
  for (HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  std::thread feeder;
  if (feed != INVALID_HANDLE_VALUE) feeder = std::thread(FeedPipe, feed, ReadFile(inputPath));
  struct Joiner {
    std::thread& thread;
    ~Joiner() {
      if (thread.joinable()) thread.join();
    }
  } joiner{feeder};
  if (!started) return run;
  DWORD waited = WaitForSingleObject(process.hProcess, static_cast<DWORD>(deadlineSeconds) * 1000);
  if (waited != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.finished = true;
    run.exitCode = static_cast<int>(code);
    if (!options.outputFile) run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!options.outputFile) DeleteFileA(outPath.c_str());
  DeleteFileA(errPath.c_str());
  return run;
}

std::string FilterProgramPath() {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  std::string relative = ORDWELL_FILTER_DIR;
  for (char& c : relative)
    if (c == '/') c = '\\';
  return path.substr(0, path.rfind('\\')) + "\\" + relative + "\\ordwell-sort.exe";
}
