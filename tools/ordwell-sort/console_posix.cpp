#include "tools/ordwell-sort/console.h"

#include <unistd.h>

// POSIX streams never translate bytes.
void SetBinaryStreams() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }
