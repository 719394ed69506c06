#pragma once
#include <cstddef>

#include "platform/types.h"

// Conversions between UTF-8 and code page 932 that lose nothing: a piece of
// text converts only when converting the result back gives the very same
// bytes, so a character that code page 932 lacks, or holds only as a
// look-alike (a best fit, or a form that comes back as another character),
// refuses the piece instead of changing it. The POSIX (iconv) and Win32
// (MultiByteToWideChar, WideCharToMultiByte) sides agree on every
// character: the code points that only Windows gives code page 932 bytes
// for (U+0080 and U+F8F0-U+F8F3, which stand for its undefined bytes 0x80,
// 0xA0 and 0xFD-0xFF) are refused on both.

// The most bytes one conversion takes: the scratch is sized for it, and it
// keeps every count within the int of the Win32 calls.
constexpr size_t kCodePagePiece = 256u << 10;
// UTF-8 takes at most three bytes for a byte of code page 932 (a half-width
// katakana); code page 932 never takes more bytes than UTF-8.
constexpr size_t kUtf8PerCodePageByte = 3;

// A converter's scratch on a heap, and what the system needs for it (POSIX:
// the two iconv descriptors; Win32: a block of UTF-16).
struct CodePageConverter {
  HeapHandle heap;
  char* back;     // a piece converted back, kCodePagePiece * kUtf8PerCodePageByte bytes
  void* system;
};

enum class ConverterOpening { kOpened, kOutOfMemory, kUnavailable };

// kUnavailable: the system has no conversion between the two (a POSIX
// system without its iconv modules).
ConverterOpening OpenCodePageConverter(HeapHandle heap, CodePageConverter& converter);
void CloseCodePageConverter(CodePageConverter& converter);

// UTF-8 text[0, size), size at most kCodePagePiece, as code page 932 at
// out, which has room for size bytes; made: how many it holds. False when
// the bytes are not UTF-8 or a character has no code page 932 form of its
// own; out then holds nothing usable.
bool ConvertUtf8ToCodePage(CodePageConverter& converter, const char* text, size_t size, char* out, size_t& made);

// Code page 932 text[0, size) of whole characters, size at most
// kCodePagePiece, as UTF-8 at out, which has room for size *
// kUtf8PerCodePageByte bytes; made: how many it holds. False when a byte
// is no character of code page 932 or the text would not come back the
// same.
bool ConvertCodePageToUtf8(CodePageConverter& converter, const char* text, size_t size, char* out, size_t& made);

// The system's side of the above (code_page_posix.cpp, _win32.cpp): one
// way each, with no check of the way back; room is out's size. False when
// the system refuses the text or out is too small.
ConverterOpening OpenSystemConverter(CodePageConverter& converter);
void CloseSystemConverter(CodePageConverter& converter);
bool TranslateUtf8ToCodePage(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made);
bool TranslateCodePageToUtf8(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made);
