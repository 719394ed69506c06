#pragma once
#include <functional>
#include <string>
#include <vector>

// One run of a program: standard input from a file, standard output and
// error caught whole.
struct ProgramRun {
  bool finished = false;  // started and ended within the deadline, by itself
  int exitCode = -1;
  int signal = 0;         // POSIX: the signal that ended it, when one did
  bool stopped = false;   // the stop that the options asked for came
  std::string out;
  std::string err;
};

// How a run is set up beyond its arguments; the defaults make a plain run.
struct RunOptions {
  // Standard output is a file opened for reading only, so that every write
  // to it fails, as to a full disk.
  bool outputRefused = false;
  // LC_ALL (POSIX); Windows has no such setting.
  const char* locale = "C";
  // Standard input is a pipe that the file's bytes are written into, a
  // stream of no known size.
  bool inputPiped = false;
  // Standard output goes to this file of the folder (POSIX: or this
  // absolute path), as the shell's ">" sends it, instead of being caught.
  const char* outputFile = nullptr;
  // Standard input (a file) starts this many bytes in, as after a script
  // read its first line.
  long inputOffset = 0;
  // 0, 1 or 2: that standard stream is closed, as the shell's "<&-" leaves
  // it (Windows: the process gets no handle for it).
  int closedStream = -1;
  // The rest are POSIX only. The run as user and group 65534 (the test
  // process must be root).
  bool otherUser = false;
  // RLIMIT_NOFILE, the descriptors the run may have open; 0: as it is.
  long descriptorLimit = 0;
  // RLIMIT_FSIZE in bytes; 0: none.
  long fileSizeLimit = 0;
  // This file of the folder is the run's descriptor 3, open for appending,
  // and is removed before the run, as "exec 3>>FILE; rm FILE" leaves it.
  const char* removedOnDescriptor3 = nullptr;
  // Started with this signal ignored, as nohup starts a program.
  int ignoredSignal = 0;
  // The run stops once: when a system call that names stopAtPath (or a path
  // ending in it) in one of its first two arguments returns, or (stopAfterRead) when the first read
  // of 64 KiB or more returns. whileStopped runs meanwhile; then the run
  // goes on.
  const char* stopAtPath = nullptr;
  bool stopAfterRead = false;
  bool stopAfterWrite = false;  // ... or when the first write of 64 KiB or more returns
  std::function<void()> whileStopped;
};

// Runs program in directory with args (argument 0 excluded), standard input
// from inputPath; kills it when it has not ended within deadlineSeconds.
// On POSIX the program runs with LC_ALL set to the options' locale, whatever
// the caller's own locale is, and with every signal as a shell leaves it.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& directory, const std::string& inputPath, int deadlineSeconds,
                      const RunOptions& options = RunOptions());

// The filter built beside the tests (ORDWELL_FILTER_DIR, relative to the
// test executable's folder).
std::string FilterProgramPath();
