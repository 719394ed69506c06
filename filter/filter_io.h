#pragma once
#include <cstdio>

#include "filter/console.h"
#include "platform/types.h"

// A progress line on standard error, redrawn in place, for texts large
// enough that a person at a terminal would wonder whether anything happens.
struct ProgressLine {
  bool terminal;  // standard error is a terminal
  bool shown;     // a progress text stands on the line now
  unsigned last;  // the figure last shown, to redraw only on change
};

// Texts below this size finish before anyone looks for progress.
constexpr size_t kProgressThreshold = 8u << 20;

void ShowProgress(ProgressLine& progress, const char* format, unsigned figure);
// Blanks the line so that what follows starts at its beginning.
void ClearProgress(ProgressLine& progress);

enum class ReadOutcome { kRead, kReadFailed, kOutOfMemory, kChanged };

// A text read whole: bytes[size] is a NUL. reserved is the size of a block
// from ReserveTextBlock, 0 for a block on the heap (freed with the heap).
struct InputText {
  char* bytes;
  size_t size;
  size_t reserved;
};

// Reads the stream to its end. A directory has no bytes to read:
// kReadFailed. What a regular file gives is one whole version of it: a read
// that ends short of the size the file had when it began, or goes beyond
// it, or after which the file's size or change time differs, is kChanged.
// Streams of no size (pipes, devices) are read as they come. version: the
// version read, which a later look at the file compares with.
ReadOutcome ReadWholeStream(std::FILE* stream, HeapHandle heap, InputText& text, ProgressLine& progress,
                            StreamVersion& version);

// Gives back a block that the read reserved outside the heap.
void ReleaseInputText(InputText& text);

// Writes size bytes of text; false when the stream took them not all.
bool WriteWholeText(std::FILE* stream, const char* text, size_t size, ProgressLine& progress);
