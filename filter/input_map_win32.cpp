#include "filter/input_map.h"

#include <cstdint>

#include <io.h>
#include <windows.h>

bool MapInputFile(std::FILE* stream, MappedInput& mapped) {
  mapped = {};
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  LARGE_INTEGER size = {}, at = {}, none = {};
  if (file == INVALID_HANDLE_VALUE || GetFileType(file) != FILE_TYPE_DISK) return false;
  if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
    return false;
  if (!SetFilePointerEx(file, none, &at, FILE_CURRENT) || at.QuadPart != 0) return false;
  HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!mapping) return false;
  void* bytes = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);  // the view keeps the mapping
  if (!bytes) return false;
  mapped = {static_cast<char*>(bytes), static_cast<size_t>(size.QuadPart), bytes};
  return true;
}

void UnmapInputFile(MappedInput& mapped) {
  if (mapped.mapping) UnmapViewOfFile(mapped.mapping);
  mapped = {};
}
