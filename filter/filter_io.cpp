#include "filter/filter_io.h"

#include <cstdint>
#include <cstring>

#include "platform/format.h"
#include "platform/heap.h"
#include "res/texts.h"
#include "filter/buffer_sizes.h"
#include "filter/console.h"

namespace {

constexpr size_t kChunk = kReadBlock;

// The bytes of a regular file from where the stream stands; 0 when none. A
// size beyond memory is kept as such, so that its block is refused as out of
// memory.
size_t RemainingBytes(const StreamVersion& version) {
  if (version.position >= version.size) return 0;
  unsigned long long left = version.size - version.position;
  return left < SIZE_MAX ? static_cast<size_t>(left) : SIZE_MAX - 1;
}

void ShowReadProgress(ProgressLine& progress, size_t done, size_t size) {
  if (size >= kProgressThreshold)
    ShowProgress(progress, kTextFilterReading, static_cast<unsigned>(done * 100.0 / size));
  else if (!size && done >= kProgressThreshold)
    ShowProgress(progress, kTextFilterReadingBytes, static_cast<unsigned>(done >> 20));
}

// A regular file of known size, read straight into a block of that size; a
// byte more must then find its end.
ReadOutcome ReadSizedFile(std::FILE* stream, size_t size, InputText& text, ProgressLine& progress) {
  text.bytes = ReserveTextBlock(size + 1);
  if (!text.bytes) return ReadOutcome::kOutOfMemory;
  text.reserved = size + 1;
  while (text.size < size) {
    size_t want = size - text.size < kChunk ? size - text.size : kChunk;
    long long got = ReadStreamBytes(stream, text.bytes + text.size, want);
    if (got <= 0) return got < 0 ? ReadOutcome::kReadFailed : ReadOutcome::kChanged;  // cut short meanwhile
    text.size += static_cast<size_t>(got);
    ShowReadProgress(progress, text.size, size);
  }
  char beyond;
  long long more = ReadStreamBytes(stream, &beyond, 1);
  if (more != 0) return more < 0 ? ReadOutcome::kReadFailed : ReadOutcome::kChanged;  // written on meanwhile
  text.bytes[text.size] = '\0';
  return ReadOutcome::kRead;
}

// A stream of no known size, in a block on the heap that doubles when it
// fills.
ReadOutcome ReadGrowingStream(std::FILE* stream, HeapHandle heap, InputText& text, ProgressLine& progress) {
  size_t capacity = kChunk + 1;
  char* block = static_cast<char*>(AllocateBlock(heap, 0, capacity));
  if (!block) return ReadOutcome::kOutOfMemory;
  AdviseLargePages(block, capacity);
  size_t filled = 0;
  for (;;) {
    if (filled + 1 == capacity) {
      size_t grown = capacity * 2 > capacity ? capacity * 2 : 0;
      void* larger = grown ? ReallocateBlock(heap, 0, block, grown) : nullptr;
      if (!larger) return ReadOutcome::kOutOfMemory;
      block = static_cast<char*>(larger);
      capacity = grown;
      AdviseLargePages(block, capacity);
    }
    size_t want = capacity - 1 - filled;
    long long got = ReadStreamBytes(stream, block + filled, want < kChunk ? want : kChunk);
    if (got < 0) return ReadOutcome::kReadFailed;
    if (got == 0) break;
    filled += static_cast<size_t>(got);
    ShowReadProgress(progress, filled, 0);
  }
  block[filled] = '\0';
  text = {block, filled, 0};
  return ReadOutcome::kRead;
}

bool IsSameVersion(const StreamVersion& before, const StreamVersion& after) {
  return after.kind == before.kind && after.size == before.size && after.changed == before.changed;
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

// The file's version is noted before the read and compared after it: a
// writer that rewrites it in place keeps its size but moves its change time.
ReadOutcome ReadWholeStream(std::FILE* stream, HeapHandle heap, InputText& text, ProgressLine& progress,
                            StreamVersion& version) {
  text = {nullptr, 0, 0};
  StreamVersion before = version = NoteStreamVersion(stream);
  if (before.kind == StreamKind::kDirectory) return ReadOutcome::kReadFailed;
  size_t size = before.kind == StreamKind::kRegularFile ? RemainingBytes(before) : 0;
  ReadOutcome outcome =
      size ? ReadSizedFile(stream, size, text, progress) : ReadGrowingStream(stream, heap, text, progress);
  if (outcome != ReadOutcome::kRead || before.kind != StreamKind::kRegularFile) return outcome;
  return IsSameVersion(before, NoteStreamVersion(stream)) ? ReadOutcome::kRead : ReadOutcome::kChanged;
}

void ReleaseInputText(InputText& text) {
  if (text.reserved) ReleaseTextBlock(text.bytes, text.reserved);
  text = {nullptr, 0, 0};
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
