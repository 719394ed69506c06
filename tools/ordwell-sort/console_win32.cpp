#include "tools/ordwell-sort/console.h"

#include <fcntl.h>
#include <io.h>

// In text mode the C runtime would turn CR LF into LF on input (the sort
// cuts lines at CR LF) and stop reading at a 0x1A byte.
void SetBinaryStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }
