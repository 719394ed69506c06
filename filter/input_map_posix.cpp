#include "filter/input_map.h"

#include <cstdint>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool MapInputFile(std::FILE* stream, MappedInput& mapped) {
  mapped = {};
  int fd = fileno(stream);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return false;
  if (static_cast<unsigned long long>(info.st_size) > SIZE_MAX) return false;
  if (lseek(fd, 0, SEEK_CUR) != 0) return false;
  int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;  // the whole text is read anyway: its pages at once
#endif
  size_t size = static_cast<size_t>(info.st_size);
  void* bytes = mmap(nullptr, size, PROT_READ, flags, fd, 0);
  if (bytes == MAP_FAILED) return false;
  mapped = {static_cast<char*>(bytes), size, bytes};
  return true;
}

void UnmapInputFile(MappedInput& mapped) {
  if (mapped.mapping) munmap(mapped.mapping, mapped.size);
  mapped = {};
}
