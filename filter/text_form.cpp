#include "filter/text_form.h"

#include <cstring>

#include "platform/heap.h"
#include "res/texts.h"
#include "sort/character_width.h"
#include "sort/line_end.h"

namespace {

constexpr size_t kConvertedRoom = kCodePagePiece * kUtf8PerCodePageByte;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The length of the sequence that lead begins and the range its second byte
// must fall in, which rules out overlong forms, surrogates and code points
// above U+10FFFF; length 0: no lead byte.
struct Utf8Lead {
  size_t length;
  unsigned char low, high;
};

Utf8Lead LeadOf(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// The bytes of the sequence at p, of which left are there; 0 when it is none.
size_t SequenceLength(const unsigned char* p, size_t left) {
  Utf8Lead lead = LeadOf(p[0]);
  if (lead.length == 0 || lead.length > left || p[1] < lead.low || p[1] > lead.high) return 0;
  for (size_t k = 2; k < lead.length; ++k)
    if (!IsContinuation(p[k])) return 0;
  return lead.length;
}

// The end of the piece of UTF-8 body[from, size) that one conversion takes:
// before the first byte of a character, and never between the CR and the
// LF of a line end, so that a piece's lines are counted as the text's.
size_t Utf8PieceEnd(const char* body, size_t from, size_t size) {
  if (size - from <= kCodePagePiece) return size;
  size_t end = from + kCodePagePiece;
  while (IsContinuation(static_cast<unsigned char>(body[end]))) --end;
  if (body[end - 1] == '\r' && body[end] == '\n') --end;
  return end;
}

// Where the line with the refused character begins in the piece
// body[from, end) (the piece's start for a line begun before it): each
// line of the piece is converted alone, into scratch.
size_t RefusedLineStart(CodePageConverter& converter, const char* body, size_t from, size_t end, char* scratch) {
  for (size_t start = from; start < end;) {
    const char* lineEnd = FindLineEnd(body + start, body + end);
    size_t next = lineEnd ? static_cast<size_t>(lineEnd - body) + 2 : end;
    size_t made = 0;
    if (!ConvertUtf8ToCodePage(converter, body + start, next - start, scratch, made)) return start;
    start = next;
  }
  return from;
}

// The converter and the block for the pieces written back.
FormFault OpenForm(HeapHandle heap, TextForm& form) {
  ConverterOpening opened = OpenCodePageConverter(heap, form.converter);
  if (opened == ConverterOpening::kUnavailable) return FormFault::kNoConverter;
  if (opened == ConverterOpening::kOutOfMemory) return FormFault::kOutOfMemory;
  form.converted = static_cast<char*>(AllocateBlock(heap, 0, kConvertedRoom));
  return form.converted ? FormFault::kNone : FormFault::kOutOfMemory;
}

// body[0, size), UTF-8, into out (room for size bytes) piece by piece;
// made: the bytes of code page 932. On a refusal, at is where the line at
// fault begins.
FormFault ConvertBody(CodePageConverter& converter, const char* body, size_t size, char* out, size_t& made,
                      size_t& at) {
  made = 0;
  for (size_t from = 0; from < size;) {
    size_t end = Utf8PieceEnd(body, from, size);
    size_t piece = 0;
    if (!ConvertUtf8ToCodePage(converter, body + from, end - from, out + made, piece)) {
      at = RefusedLineStart(converter, body, from, end, out + made);
      return FormFault::kNotInCodePage;
    }
    made += piece;
    from = end;
  }
  out[made] = '\0';
  return FormFault::kNone;
}

// The block the read made: reserved apart, or on the heap.
void GiveBackInput(HeapHandle heap, InputText& text) {
  if (text.reserved)
    ReleaseInputText(text);
  else
    FreeBlock(heap, 0, text.bytes);
}

// The bytes of text[0, size) up to its last whole character. The text is
// code page 932 made by the conversion, in which a lead byte always has its
// trail.
size_t WholeCharacterBytes(const char* text, size_t size) {
  size_t at = 0;
  while (at < size) {
    size_t width = kByteKinds.lead[static_cast<unsigned char>(text[at])] ? 2 : 1;
    if (at + width > size) break;
    at += width;
  }
  return at;
}

}  // namespace

bool StartsWithByteOrderMark(const char* text, size_t size) {
  return size >= kByteOrderMarkSize && std::memcmp(text, kByteOrderMark, kByteOrderMarkSize) == 0;
}

Utf8Scan ScanUtf8(const char* text, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  Utf8Scan scan = {true, false, 0};
  for (size_t at = 0; at < size;) {
    if (p[at] < 0x80) {
      ++at;
      continue;
    }
    size_t length = SequenceLength(p + at, size - at);
    if (length == 0) return {false, scan.multibyte, at};
    scan.multibyte = true;
    at += length;
  }
  return scan;
}

size_t LineOf(const char* text, size_t at) {
  size_t line = 1;
  for (const char* p = text; (p = FindLineEnd(p, text + at)); p += 2) ++line;
  return line;
}

FormOutcome ConvertInputText(HeapHandle heap, InputText& text, TextForm& form) {
  form.byteOrderMark = StartsWithByteOrderMark(text.bytes, text.size);
  size_t skip = form.byteOrderMark ? kByteOrderMarkSize : 0;
  const char* body = text.bytes + skip;
  size_t size = text.size - skip;
  Utf8Scan scan = ScanUtf8(body, size);
  if (!scan.valid) return {FormFault::kNotUtf8, LineOf(body, scan.faultAt)};
  FormFault fault = OpenForm(heap, form);
  if (fault != FormFault::kNone) return {fault, 0};
  // Code page 932 never takes more bytes than UTF-8.
  char* out = static_cast<char*>(AllocateBlock(heap, 0, size + 1));
  if (!out) return {FormFault::kOutOfMemory, 0};
  size_t made = 0, at = 0;
  fault = ConvertBody(form.converter, body, size, out, made, at);
  if (fault != FormFault::kNone) {
    FreeBlock(heap, 0, out);
    return {fault, LineOf(body, at)};
  }
  GiveBackInput(heap, text);
  text = {out, made, 0};
  return {FormFault::kNone, 0};
}

void CloseTextForm(TextForm& form) {
  CloseCodePageConverter(form.converter);
  if (form.converted) FreeBlock(form.converter.heap, 0, form.converted);
  form.converted = nullptr;
}

bool WriteByteOrderMark(std::FILE* stream, const TextForm& form) {
  return !form.utf8 || !form.byteOrderMark ||
         std::fwrite(kByteOrderMark, 1, kByteOrderMarkSize, stream) == kByteOrderMarkSize;
}

bool WriteWholeCharacters(std::FILE* stream, TextForm& form, const char* text, size_t size, size_t& taken) {
  taken = 0;
  if (!form.utf8) {
    taken = size;
    return std::fwrite(text, 1, size, stream) == size;
  }
  size_t whole = WholeCharacterBytes(text, size);
  size_t made = 0;
  if (!ConvertCodePageToUtf8(form.converter, text, whole, form.converted, made) ||
      std::fwrite(form.converted, 1, made, stream) != made)
    return false;
  taken = whole;
  return true;
}

bool WriteTextInForm(std::FILE* stream, TextForm& form, const char* text, size_t size, bool withMark,
                     ProgressLine& progress) {
  if (!form.utf8) return WriteWholeText(stream, text, size, progress);
  if (withMark && !WriteByteOrderMark(stream, form)) return false;
  for (size_t done = 0; done < size;) {
    size_t part = size - done < kCodePagePiece ? size - done : kCodePagePiece;
    size_t taken = 0;
    if (!WriteWholeCharacters(stream, form, text + done, part, taken) || taken == 0) return false;
    done += taken;
    if (size >= kProgressThreshold) ShowProgress(progress, kTextFilterWriting, static_cast<unsigned>(done * 100.0 / size));
  }
  return std::fflush(stream) == 0 && !std::ferror(stream);
}
