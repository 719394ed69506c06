#pragma once
#include <cstddef>
#include <cstdio>

#include "platform/code_page.h"
#include "filter/filter_io.h"

// The form a text comes in and its results go out in. The sort reads code
// page 932: a UTF-8 text (--encoding=utf-8) is converted to it whole before
// the sort, nothing lost, and the results are converted back on their way
// out, so that its lines sort as their code page 932 forms do.
struct TextForm {
  bool utf8;
  bool byteOrderMark;           // the UTF-8 input began with one: the results do too
  CodePageConverter converter;  // UTF-8 only, from ConvertInputText on
  char* converted;              // a piece converted back, for writing
};

// The byte order mark that UTF-8 editors put at a text's start.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr size_t kByteOrderMarkSize = sizeof kByteOrderMark - 1;

bool StartsWithByteOrderMark(const char* text, size_t size);

// Whether text[0, size) is UTF-8 (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), whether it holds a character of more
// than one byte, and where the first byte that is not lies.
struct Utf8Scan {
  bool valid;
  bool multibyte;
  size_t faultAt;
};
Utf8Scan ScanUtf8(const char* text, size_t size);

// The line, counted from 1, that holds text[at]; lines end at CR LF.
size_t LineOf(const char* text, size_t at);

enum class FormFault { kNone, kNotUtf8, kNotInCodePage, kOutOfMemory, kNoConverter };

// What ConvertInputText found; line: the first line at fault, from 1.
struct FormOutcome {
  FormFault fault;
  size_t line;
};

// The UTF-8 input (without a byte order mark, which form notes) replaced
// by its code page 932 form in a block on heap, NUL after it; the UTF-8
// block is given back. A text that is not UTF-8, or has a character that
// code page 932 lacks, is refused with its first such line, and text stays
// as it came.
FormOutcome ConvertInputText(HeapHandle heap, InputText& text, TextForm& form);

void CloseTextForm(TextForm& form);

// Writes the byte order mark where the form asks for it; false when the
// stream did not take it.
bool WriteByteOrderMark(std::FILE* stream, const TextForm& form);

// Writes text[0, size) (at most kCodePagePiece bytes) in the form, up to its
// last whole character: a lead byte at its end waits for the rest of its
// character. taken: the bytes written. False when the stream took them not
// all or they would not convert.
bool WriteWholeCharacters(std::FILE* stream, TextForm& form, const char* text, size_t size, size_t& taken);

// Writes the whole text in the form, the byte order mark first when
// withMark; false when the stream took it not all.
bool WriteTextInForm(std::FILE* stream, TextForm& form, const char* text, size_t size, bool withMark,
                     ProgressLine& progress);
