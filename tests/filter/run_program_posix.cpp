#include "tests/filter/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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

// In the child: the streams redirected, then the program; 127 when it
// cannot be started.
[[noreturn]] void StartChild(const std::string& program, const std::vector<std::string>& args,
                             const std::string& directory, const std::string& inputPath, const std::string& outPath,
                             const std::string& errPath, bool outputRefused, const char* locale, int pipeIn) {
  int in = pipeIn >= 0 ? pipeIn : open(inputPath.c_str(), O_RDONLY);
  int out = open(outPath.c_str(), (outputRefused ? O_RDONLY : O_WRONLY) | O_CREAT | O_TRUNC, 0600);
  int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
      chdir(directory.c_str()) != 0 || setenv("LC_ALL", locale, 1) != 0)
    _exit(127);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

// Writes bytes into the pipe and closes it; a reader that ended early
// leaves the rest unwritten.
void FeedPipe(int descriptor, std::string bytes) {
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(descriptor);
}

}  // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& directory, const std::string& inputPath, int deadlineSeconds,
                      bool outputRefused, const char* locale, bool inputPiped) {
  ProgramRun run;
  std::string outPath = directory + "/.stdout", errPath = directory + "/.stderr";
  int pipeEnds[2] = {-1, -1};
  if (inputPiped && pipe(pipeEnds) != 0) return run;
  signal(SIGPIPE, SIG_IGN);  // the feeder sees a failed write instead
  pid_t child = fork();
  if (child < 0) return run;
  if (child == 0) {
    if (inputPiped) close(pipeEnds[1]);
    StartChild(program, args, directory, inputPath, outPath, errPath, outputRefused, locale, pipeEnds[0]);
  }
  std::thread feeder;
  if (inputPiped) {
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
  for (;;) {  // poll for the end against the deadline
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (done < 0 || now.tv_sec - start.tv_sec > deadlineSeconds) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return run;
    }
    usleep(1000);
  }
  run.finished = WIFEXITED(status);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(outPath);
  run.err = ReadFile(errPath);
  unlink(outPath.c_str());
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
