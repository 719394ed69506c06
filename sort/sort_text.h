#pragma once
#include "editor/link.h"

// Sorts the lines (cut at CR LF) of text, which lies on the link's heap, by
// the comparator that g_sortOptions selects. On success text designates the
// sorted text and the input block is freed; duplicates designates the text of
// the duplicate lines when ExtractDuplicateLine is set, else null. False when
// the text has fewer than two lines (no message) or memory ran out (message
// shown, owned by the link's main window); the caller then uses neither.
bool SortText(EditorLink& link, char*& text, char*& duplicates);
