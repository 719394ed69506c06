#pragma once
#include <cstddef>

// The sizes at which the filter's reading and writing change gear, in one
// place: a slip at one of them shows only in a text of that size.

// Input is read, and a whole text written, this many bytes at a time; a
// stream of unknown size (a pipe) starts in a block of this size, which
// doubles when it fills.
constexpr size_t kReadBlock = 1u << 20;

// The sorted text goes out through a buffer of this size: large enough that
// each write costs little beside its bytes, small enough to add nothing to
// the memory the text takes.
constexpr size_t kOutputBuffer = 256u << 10;
