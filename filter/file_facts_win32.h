#pragma once
// What the Windows filter reads of a file, in one form for the note taken
// when the input is read and for the look taken before it is replaced.
#include <io.h>
#include <windows.h>

#include <cstdio>

inline HANDLE HandleOf(std::FILE* stream) { return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))); }

inline unsigned long long SizeOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// In 100 ns steps: every write moves it.
inline unsigned long long LastWriteOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
         info.ftLastWriteTime.dwLowDateTime;
}
