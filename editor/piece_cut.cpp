#include "editor/piece_cut.h"

#include "sort/character_width.h"

size_t PieceEnd(const char* text, size_t from, size_t n) {
  if (n - from <= kInsertPiece) return n;
  size_t limit = from + kInsertPiece;
  for (size_t at = limit; at >= from + 2; --at) {
    if (text[at - 1] == '\n' && text[at - 2] == '\r') return at;
  }
  size_t at = from;
  while (at + CharacterWidth(text + at) <= limit) at += CharacterWidth(text + at);
  if (at > from + 1 && text[at - 1] == '\r' && text[at] == '\n') --at;
  return at > from ? at : limit;
}
