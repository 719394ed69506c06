#pragma once
#include <cstdio>
#include <string>

#include "filter/filter_io.h"

// Where --duplicates puts the duplicate lines, opened before the input is
// read, so that a run that cannot put them there fails before it has
// written anything. A file that exists keeps what it is: a symbolic link is
// followed; a regular file is replaced by a new one beside it that gets its
// mode and owner (a failed run then leaves it as it was), or is written in
// place when it has other links or its owner cannot be given to the new
// file; a FIFO or device is written through, never replaced.
struct DuplicatesFile {
  std::string path;    // where they end: the named path, its links followed
  std::string beside;  // the new file that takes path's place; empty when written in place
  std::FILE* stream;   // open for writing on beside, or on the named path
  bool truncate;       // a regular file written in place: emptied first, at the end
};

enum class DuplicatesFault { kNone, kCannotCreate, kNotWritable, kIsInput };

// input: the stream the text comes from, which must not be the same file.
DuplicatesFault OpenDuplicatesFile(const char* named, std::FILE* input, DuplicatesFile& file);

// Writes the duplicates and puts them in place; false when it could not:
// a file replaced is then as it was, one written in place may hold a part.
bool SaveDuplicatesFile(DuplicatesFile& file, const char* text, size_t size, ProgressLine& progress);

// After a failed run: closes the stream and removes the file beside.
void DiscardDuplicatesFile(DuplicatesFile& file);

// The new file beside file.path, open on file.stream, removed should the run
// be interrupted; false (nothing made) when none can be made there.
bool CreateDuplicatesBeside(DuplicatesFile& file);
