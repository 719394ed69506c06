#include "platform/code_page.h"

#include <iconv.h>

#include "platform/heap.h"

namespace {

// The two ways, opened once for the run: opening loads the system's
// conversion modules.
struct IconvPair {
  iconv_t toCodePage;
  iconv_t toUtf8;
};

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// The whole text or nothing. The state is reset first, so that a piece
// refused before leaves nothing behind; a conversion that iconv counts as
// not reversible (a look-alike) is a refusal too.
bool TranslateWith(iconv_t conversion, const char* text, size_t size, char* out, size_t room, size_t& made) {
  iconv(conversion, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(text);
  size_t left = size;
  char* to = out;
  size_t free = room;
  bool whole = iconv(conversion, &in, &left, &to, &free) == 0 && left == 0 &&
               iconv(conversion, nullptr, nullptr, &to, &free) == 0;
  made = room - free;
  return whole;
}

IconvPair& PairOf(CodePageConverter& converter) { return *static_cast<IconvPair*>(converter.system); }

}  // namespace

ConverterOpening OpenSystemConverter(CodePageConverter& converter) {
  IconvPair* pair = static_cast<IconvPair*>(AllocateBlock(converter.heap, 0, sizeof(IconvPair)));
  if (!pair) return ConverterOpening::kOutOfMemory;
  pair->toCodePage = iconv_open("CP932", "UTF-8");
  pair->toUtf8 = iconv_open("UTF-8", "CP932");
  if (pair->toCodePage != kNoIconv && pair->toUtf8 != kNoIconv) {
    converter.system = pair;
    return ConverterOpening::kOpened;
  }
  if (pair->toCodePage != kNoIconv) iconv_close(pair->toCodePage);
  if (pair->toUtf8 != kNoIconv) iconv_close(pair->toUtf8);
  FreeBlock(converter.heap, 0, pair);
  return ConverterOpening::kUnavailable;
}

void CloseSystemConverter(CodePageConverter& converter) {
  if (!converter.system) return;
  iconv_close(PairOf(converter).toCodePage);
  iconv_close(PairOf(converter).toUtf8);
  FreeBlock(converter.heap, 0, converter.system);
  converter.system = nullptr;
}

bool TranslateUtf8ToCodePage(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made) {
  return TranslateWith(PairOf(converter).toCodePage, text, size, out, room, made);
}

bool TranslateCodePageToUtf8(CodePageConverter& converter, const char* text, size_t size, char* out, size_t room,
                             size_t& made) {
  return TranslateWith(PairOf(converter).toUtf8, text, size, out, room, made);
}
