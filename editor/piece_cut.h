#pragma once
#include <cstddef>

// No single EM_REPLACESEL carries more than this many bytes. Under Wine the
// text crosses to the editor as Unicode on its receiving thread's stack: an
// editor with the usual stack of 1 MB ends on a text of 1 MB at once, and
// takes 256 KB.
constexpr size_t kInsertPiece = size_t(128) << 10;

// The end of the piece of text[from, n) that one insertion offers: all of
// the rest when it is short enough, else up to the last line end within a
// piece, else (a longer line) up to the last whole character. Each piece is
// converted on its own under Wine, so a two-byte character cut in two would
// not survive it, and an editor that normalises line ends per insertion
// would make two line breaks of a CR LF cut in two: a CR that would end a
// piece right before its LF stays for the next one. text[n] is readable.
size_t PieceEnd(const char* text, size_t from, size_t n);
