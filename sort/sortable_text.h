#pragma once
#include <cstddef>
#include <cstring>

// Whether size bytes are a text the sort can take whole. The sort finds its
// lines as NUL-terminated strings, so a NUL among the bytes would end its
// line there and everything after it would be lost. Checked once, where a
// text comes in: from the editor, or into the console filter.
inline bool IsSortableText(const char* text, size_t size) {
  return size == 0 || std::memchr(text, '\0', size) == nullptr;
}
