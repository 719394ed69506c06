#include "tools/ordwell-sort/filter_io.h"

#include <cstring>

#include "platform/format.h"
#include "platform/heap.h"
#include "res/texts.h"

namespace {

constexpr size_t kChunk = 1u << 20;

// The size of a seekable stream from where it stands, 0 when unknown (a pipe
// or a terminal). Only a hint: the read goes on to the real end.
size_t RemainingSizeHint(std::FILE* stream) {
  long start = std::ftell(stream);
  if (start < 0 || std::fseek(stream, 0, SEEK_END) != 0) return 0;
  long end = std::ftell(stream);
  if (std::fseek(stream, start, SEEK_SET) != 0 || end < start) return 0;
  return static_cast<size_t>(end - start);
}

void ShowReadProgress(ProgressLine& progress, size_t done, size_t hint) {
  if (hint >= kProgressThreshold)
    ShowProgress(progress, kTextFilterReading, static_cast<unsigned>(done * 100.0 / hint));
  else if (!hint && done >= kProgressThreshold)
    ShowProgress(progress, kTextFilterReadingBytes, static_cast<unsigned>(done >> 20));
}

}  // namespace

void ShowProgress(ProgressLine& progress, const char* format, unsigned figure) {
  if (!progress.terminal || (progress.shown && figure == progress.last)) return;
  char text[kFormatLimit];
  FormatText(text, format, figure);
  std::fprintf(stderr, "\rordwell-sort: %s  ", text);
  std::fflush(stderr);
  progress.shown = true;
  progress.last = figure;
}

void ClearProgress(ProgressLine& progress) {
  if (!progress.shown) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  progress.shown = false;
}

// One block, sized by the hint when the stream tells its size (so that a
// large file takes no more memory than itself), doubled when it fills.
ReadOutcome ReadWholeStream(std::FILE* stream, HeapHandle heap, char*& text, size_t& size,
                            ProgressLine& progress) {
  size_t hint = RemainingSizeHint(stream);
  size_t capacity = (hint ? hint : kChunk) + 1;
  char* block = static_cast<char*>(AllocateBlock(heap, 0, capacity));
  if (!block) return ReadOutcome::kOutOfMemory;
  size_t filled = 0;
  for (;;) {
    if (filled + 1 == capacity) {
      // Full: a stream that was as long as its hint ends here, with no growth.
      int next = std::fgetc(stream);
      if (next == EOF) break;
      size_t grown = capacity * 2 > capacity ? capacity * 2 : 0;
      void* larger = grown ? ReallocateBlock(heap, 0, block, grown) : nullptr;
      if (!larger) return ReadOutcome::kOutOfMemory;
      block = static_cast<char*>(larger);
      capacity = grown;
      block[filled++] = static_cast<char>(next);
    }
    size_t want = capacity - 1 - filled;
    size_t got = std::fread(block + filled, 1, want < kChunk ? want : kChunk, stream);
    filled += got;
    ShowReadProgress(progress, filled, hint);
    if (got == 0) break;
  }
  if (std::ferror(stream)) return ReadOutcome::kReadFailed;
  block[filled] = '\0';
  text = block;
  size = filled;
  return ReadOutcome::kRead;
}

bool WriteWholeText(std::FILE* stream, const char* text, size_t size, ProgressLine& progress) {
  for (size_t done = 0; done < size;) {
    size_t part = size - done < kChunk ? size - done : kChunk;
    if (std::fwrite(text + done, 1, part, stream) != part) return false;
    done += part;
    if (size >= kProgressThreshold) ShowProgress(progress, kTextFilterWriting, static_cast<unsigned>(done * 100.0 / size));
  }
  return std::fflush(stream) == 0 && !std::ferror(stream);
}
