#pragma once
#include <cstdint>

#include "platform/types.h"

// The split command line. Every argument points into one buffer; table and
// buffer live on the list's own heap, which the release destroys whole.
struct ArgList {
  int32_t count;     // arguments in table
  char** table;      // table[count] is null
  char* buffer;      // 2 * L + 1 bytes, arguments back to back
  HeapHandle heap;   // private, unserialised
};

// Splits the process command line.
void BuildArgList(ArgList& list);
// Splits the given command line text by the same rules.
void SplitCommandLine(ArgList& list, const char* commandLine);
// Destroys the heap and with it every argument; nothing may read the list after.
bool ReleaseArgList(ArgList& list);
