#pragma once
#include <cstddef>

#include "cmdline/sort_options.h"
#include "editor/link.h"
#include "sort/write_lines.h"

// Sorts the lines (cut at CR LF) of text, which lies on the link's heap, by
// the comparator that g_sortOptions selects. On success text designates the
// sorted text and the input block is freed; duplicates designates the text of
// the duplicate lines when ExtractDuplicateLine is set, else null. False when
// the text has fewer than two lines (no message) or memory ran out (message
// shown, owned by the link's main window); the caller then uses neither.
bool SortText(EditorLink& link, char*& text, char*& duplicates);

// The filter's way, which writes the sorted text out without building it:
// sorts the lines of text[0, size) (no NUL inside) by the comparator that
// g_sortOptions selects, into sorted, for WriteSortedLines; duplicates
// designates a zero-filled block for the duplicate lines when
// ExtractDuplicateLine is set, else null. The orders keyed by bytes or by
// keys read in chunks only read the text; the others (whole keys too, whose
// check compares NUL-terminated lines) cut it into lines in place, so where
// SortNeedsWritableText says so, text must be writable with a NUL at
// text[size]. Every block lives on the link's heap. False when the text has
// fewer than two lines (no message) or memory ran out (message shown).
bool SortForWriting(EditorLink& link, char* text, size_t size, SortedLines& sorted, char*& duplicates);
bool SortNeedsWritableText(const SortOptions& options, size_t size);
