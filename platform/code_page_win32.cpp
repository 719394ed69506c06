#include "platform/code_page.h"

#include <climits>

#include <windows.h>

#include "platform/heap.h"

namespace {

constexpr UINT kCodePage932 = 932;

// The UTF-16 between the two: a byte of either text is never more than one
// unit of it, and the UTF-8 converted back is the UTF-8 of at most a piece
// of code page 932.
constexpr size_t kWideUnits = kCodePagePiece;

wchar_t* WideOf(CodePageConverter& converter) { return static_cast<wchar_t*>(converter.system); }

// A count for the Win32 calls; room may shrink (the call then fails when
// it needs more), a text may not (it would be cut).
int RoomCount(size_t room) { return room > INT_MAX ? INT_MAX : static_cast<int>(room); }

// The text as UTF-16 in the converter's scratch, its units counted; 0 when
// it is no text of the code page (MB_ERR_INVALID_CHARS) or too long a piece.
int WidenText(CodePageConverter& converter, UINT codePage, const char* text, size_t size) {
  if (size > INT_MAX) return 0;
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, static_cast<int>(size), WideOf(converter),
                             static_cast<int>(kWideUnits));
}

}  // namespace

ConverterOpening OpenSystemConverter(CodePageConverter& converter) {
  if (!IsValidCodePage(kCodePage932)) return ConverterOpening::kUnavailable;
  converter.system = AllocateBlock(converter.heap, 0, kWideUnits * sizeof(wchar_t));
  return converter.system ? ConverterOpening::kOpened : ConverterOpening::kOutOfMemory;
}

void CloseSystemConverter(CodePageConverter& converter) {
  if (converter.system) FreeBlock(converter.heap, 0, converter.system);
  converter.system = nullptr;
}

namespace {

// Through UTF-16 from one code page to the other. Into code page 932,
// WC_NO_BEST_FIT_CHARS turns a character without a form of its own into the
// default character, which usedDefault reports, instead of a look-alike;
// into UTF-8 every character has its form (and usedDefault may not be asked).
bool TranslateThroughWide(CodePageConverter& converter, UINT from, UINT to, const char* text, size_t size, char* out,
                          size_t room, size_t& made) {
  made = 0;
  if (size == 0) return true;
  int units = WidenText(converter, from, text, size);
  if (units <= 0) return false;
  BOOL usedDefault = FALSE;
  DWORD flags = to == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  int bytes = WideCharToMultiByte(to, flags, WideOf(converter), units, out, RoomCount(room), nullptr,
                                  to == CP_UTF8 ? nullptr : &usedDefault);
  if (bytes <= 0 || usedDefault) return false;
  made = static_cast<size_t>(bytes);
  return true;
}

}  // namespace

bool TranslateUtf8ToCodePage(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made) {
  return TranslateThroughWide(converter, CP_UTF8, kCodePage932, text, size, out, room, made);
}

bool TranslateCodePageToUtf8(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made) {
  return TranslateThroughWide(converter, kCodePage932, CP_UTF8, text, size, out, room, made);
}
