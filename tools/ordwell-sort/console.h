#pragma once
#include <cstdio>

// The console streams as the filter needs them: bytes in, bytes out, and a
// progress line only where a person watches.

// Standard input, output and error pass every byte unchanged (no CR LF
// translation, no end at a 0x1A byte).
void SetBinaryStreams();

// True when the stream is a terminal rather than a file or a pipe.
bool IsTerminal(std::FILE* stream);
