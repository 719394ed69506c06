#include "filter/sorted_output.h"

#include <cstring>

#include "res/texts.h"
#include "filter/buffer_sizes.h"

namespace {

// A drain converts the whole buffer at once.
static_assert(kOutputBuffer <= kCodePagePiece, "the output buffer is larger than a conversion takes");

struct OutputStream {
  std::FILE* stream;
  TextForm* form;
  size_t written;
  size_t size;
  ProgressLine* progress;
};

// A character that the buffer's end cut in two stays, moved to the buffer's
// start, until the rest of it comes.
bool DrainToStream(TextSink& sink) {
  OutputStream& out = *static_cast<OutputStream*>(sink.context);
  size_t taken = 0;
  if (!WriteWholeCharacters(out.stream, *out.form, sink.buffer, sink.used, taken)) return false;
  std::memmove(sink.buffer, sink.buffer + taken, sink.used - taken);
  sink.used -= taken;
  out.written += taken;
  if (out.size >= kProgressThreshold && out.written <= out.size)
    ShowProgress(*out.progress, kTextFilterWriting, static_cast<unsigned>(out.written * 100.0 / out.size));
  return true;
}

}  // namespace

bool WriteSortedText(std::FILE* stream, const SortedLines& sorted, char*& duplicates, size_t size, TextForm& form,
                     ProgressLine& progress) {
  static char buffer[kOutputBuffer];
  OutputStream out = {stream, &form, 0, size, &progress};
  TextSink sink = {buffer, sizeof buffer, 0, DrainToStream, &out};
  if (!WriteByteOrderMark(stream, form) || !WriteSortedLines(sorted, sink, duplicates) || !DrainToStream(sink) ||
      sink.used != 0)
    return false;
  return std::fflush(stream) == 0 && !std::ferror(stream);
}
