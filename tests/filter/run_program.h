#pragma once
#include <string>
#include <vector>

// One run of a program: standard input from a file, standard output and
// error caught whole.
struct ProgramRun {
  bool finished = false;  // started and ended within the deadline
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs program in directory with args (argument 0 excluded), standard input
// from inputPath; kills it when it has not ended within deadlineSeconds.
// With outputRefused, standard output is a file opened for reading only, so
// that every write to it fails, as to a full disk. On POSIX the program runs
// with LC_ALL set to locale, whatever the caller's own locale is; Windows
// has no such setting. With inputPiped, standard input is a pipe that the
// file's bytes are written into, a stream of no known size.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& directory, const std::string& inputPath, int deadlineSeconds,
                      bool outputRefused = false, const char* locale = "C", bool inputPiped = false);

// The filter built beside the tests (ORDWELL_FILTER_DIR, relative to the
// test executable's folder).
std::string FilterProgramPath();
