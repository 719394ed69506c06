#pragma once
#include <cstddef>
#include <cstdio>

// A regular file read in place: its pages mapped read-only, so that the text
// costs neither a copy nor a fresh page of memory for every page of the file.
struct MappedInput {
  char* bytes;
  size_t size;
  void* mapping;  // what the system needs to unmap it
};

// Maps the rest of the stream when it is a regular file that has not been
// read from and is not empty; false (nothing mapped) otherwise, and the text
// is read instead.
bool MapInputFile(std::FILE* stream, MappedInput& mapped);
void UnmapInputFile(MappedInput& mapped);
