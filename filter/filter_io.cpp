#include "filter/filter_io.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/format.h"
#include "platform/heap.h"
#include "res/texts.h"
#include "filter/buffer_sizes.h"
#include "filter/console.h"

namespace {

constexpr size_t kChunk = kReadBlock;

// Names tried beside a file before giving up: taken only by files that
// killed runs left behind, so a few suffice.
constexpr int kBesideAttempts = 100;

// The bytes of a regular file from where the stream stands, 0 when unknown.
// Only a hint: the read goes on to the real end. A size beyond memory is
// kept as such, so that its block is refused as out of memory.
size_t RemainingSizeHint(std::FILE* stream, unsigned long long fileSize) {
  long start = std::ftell(stream);
  if (start < 0 || static_cast<unsigned long long>(start) > fileSize) return 0;
  unsigned long long left = fileSize - static_cast<unsigned long long>(start);
  return left < SIZE_MAX ? static_cast<size_t>(left) : SIZE_MAX - 1;
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
  FormatText(text, ToLocaleCodeset(format).c_str(), figure);
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
  unsigned long long fileSize = 0;
  StreamKind kind = KindOfStream(stream, fileSize);
  if (kind == StreamKind::kDirectory) return ReadOutcome::kReadFailed;
  size_t hint = kind == StreamKind::kRegularFile ? RemainingSizeHint(stream, fileSize) : 0;
  size_t capacity = (hint ? hint : kChunk) + 1;
  char* block = static_cast<char*>(AllocateBlock(heap, 0, capacity));
  if (!block) return ReadOutcome::kOutOfMemory;
  AdviseLargePages(block, capacity);
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
      AdviseLargePages(block, capacity);
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

std::FILE* CreateFileBeside(const char* path, std::string& besidePath) {
  for (int attempt = 1; attempt <= kBesideAttempts; ++attempt) {
    besidePath = std::string(path) + ".ordwell-sort-" + std::to_string(attempt);
    errno = 0;
    if (std::FILE* file = CreateNewFile(besidePath.c_str())) return file;
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}
