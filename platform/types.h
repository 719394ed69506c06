#pragma once
#include <cstddef>
#include <cstdint>

// Opaque handles for the portable code. On Windows they hold HANDLE and HWND
// values; elsewhere they are whatever the POSIX implementation makes them.
typedef void* HeapHandle;
typedef void* WindowHandle;
