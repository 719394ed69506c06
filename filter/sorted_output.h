#pragma once
#include <cstdio>

#include "sort/write_lines.h"
#include "filter/filter_io.h"
#include "filter/text_form.h"

// Writes the sorted lines to stream through a buffer, straight from the
// sorted table: the sorted text is never built. The lines go out in the
// text's form (converted back to UTF-8, the byte order mark first, where
// the input was so). The duplicates text fills as the lines go
// (WriteSortedLines). size, the input's, is what progress counts against.
// False when the stream took the text not all.
bool WriteSortedText(std::FILE* stream, const SortedLines& sorted, char*& duplicates, size_t size, TextForm& form,
                     ProgressLine& progress);
