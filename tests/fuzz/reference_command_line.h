#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Slow references for the command line, written straight from its rules with
// strings and indices, to check the real splitter and switch parser against.

// The arguments of a command line (which holds no NUL byte).
std::vector<std::string> ReferenceSplit(const std::string& line);

// What the switch parser must make of the arguments (argument 0 included).
struct ReferenceSwitches {
  uint8_t flags[8];          // ShowOptionsDialog, then the seven option flags in record order
  uint32_t columnFrom;
  uint32_t columnWidth;
  std::vector<int> reported;  // the argument index of each message, in order
};
ReferenceSwitches ReferenceParse(const std::vector<std::string>& args);
