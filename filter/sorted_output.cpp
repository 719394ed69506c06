#include "filter/sorted_output.h"

#include "res/texts.h"
#include "filter/buffer_sizes.h"

namespace {

struct OutputStream {
  std::FILE* stream;
  size_t written;
  size_t size;
  ProgressLine* progress;
};

bool DrainToStream(TextSink& sink) {
  OutputStream& out = *static_cast<OutputStream*>(sink.context);
  if (std::fwrite(sink.buffer, 1, sink.used, out.stream) != sink.used) return false;
  out.written += sink.used;
  sink.used = 0;
  if (out.size >= kProgressThreshold && out.written <= out.size)
    ShowProgress(*out.progress, kTextFilterWriting, static_cast<unsigned>(out.written * 100.0 / out.size));
  return true;
}

}  // namespace

bool WriteSortedText(std::FILE* stream, const SortedLines& sorted, char*& duplicates, size_t size,
                     ProgressLine& progress) {
  static char buffer[kOutputBuffer];
  OutputStream out = {stream, 0, size, &progress};
  TextSink sink = {buffer, sizeof buffer, 0, DrainToStream, &out};
  if (!WriteSortedLines(sorted, sink, duplicates) || !DrainToStream(sink)) return false;
  return std::fflush(stream) == 0 && !std::ferror(stream);
}
