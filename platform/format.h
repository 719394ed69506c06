#pragma once

// wsprintfA: formats into buffer, writing at most 1024 bytes including the
// terminating NUL, so a long value is cut, never overflowing a buffer of at
// least that size. Returns the number of bytes stored, NUL excluded.
enum : int { kFormatLimit = 1024 };
int FormatText(char* buffer, const char* format, ...);
