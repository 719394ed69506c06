#include "platform/code_page.h"

#include <cstring>

#include "platform/heap.h"

namespace {

// Room for a piece converted back: UTF-8 of a whole piece of code page 932.
constexpr size_t kBackRoom = kCodePagePiece * kUtf8PerCodePageByte;

// U+0080 (C2 80) and U+F8F0-U+F8F3 (EF A3 B0-B3): Windows converts them to
// and from the bytes that code page 932 leaves undefined, iconv refuses
// them. Refused on both sides, they are no character of the text's.
bool HoldsUndefinedByteStandIn(const char* text, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  for (size_t i = 0; i + 1 < size; ++i) {
    if (p[i] == 0xC2 && p[i + 1] == 0x80) return true;
    if (p[i] == 0xEF && i + 2 < size && p[i + 1] == 0xA3 && p[i + 2] >= 0xB0 && p[i + 2] <= 0xB3) return true;
  }
  return false;
}

bool IsSameText(const char* text, size_t size, const char* back, size_t backSize) {
  return backSize == size && std::memcmp(text, back, size) == 0;
}

}  // namespace

ConverterOpening OpenCodePageConverter(HeapHandle heap, CodePageConverter& converter) {
  converter = {heap, nullptr, nullptr};
  converter.back = static_cast<char*>(AllocateBlock(heap, 0, kBackRoom));
  if (!converter.back) return ConverterOpening::kOutOfMemory;
  ConverterOpening opened = OpenSystemConverter(converter);
  if (opened == ConverterOpening::kOpened) return opened;
  FreeBlock(heap, 0, converter.back);
  converter.back = nullptr;
  return opened;
}

// A converter that never opened has nothing to close.
void CloseCodePageConverter(CodePageConverter& converter) {
  if (!converter.back) return;
  CloseSystemConverter(converter);
  FreeBlock(converter.heap, 0, converter.back);
  converter.back = nullptr;
}

bool ConvertUtf8ToCodePage(CodePageConverter& converter, const char* text, size_t size, char* out, size_t& made) {
  made = 0;
  if (size > kCodePagePiece || HoldsUndefinedByteStandIn(text, size)) return false;
  size_t back = 0;
  if (TranslateUtf8ToCodePage(converter, text, size, out, size, made) &&
      TranslateCodePageToUtf8(converter, out, made, converter.back, kBackRoom, back) &&
      IsSameText(text, size, converter.back, back))
    return true;
  made = 0;
  return false;
}

bool ConvertCodePageToUtf8(CodePageConverter& converter, const char* text, size_t size, char* out, size_t& made) {
  made = 0;
  if (size > kCodePagePiece) return false;
  size_t back = 0;
  if (TranslateCodePageToUtf8(converter, text, size, out, size * kUtf8PerCodePageByte, made) &&
      !HoldsUndefinedByteStandIn(out, made) &&
      TranslateUtf8ToCodePage(converter, out, made, converter.back, kBackRoom, back) &&
      IsSameText(text, size, converter.back, back))
    return true;
  made = 0;
  return false;
}
