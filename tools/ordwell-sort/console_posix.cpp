#include "tools/ordwell-sort/console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// POSIX streams never translate bytes.
void SetBinaryStreams() {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

StreamKind KindOfStream(std::FILE* stream, unsigned long long& size) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return StreamKind::kOther;
  if (S_ISDIR(info.st_mode)) return StreamKind::kDirectory;
  if (!S_ISREG(info.st_mode)) return StreamKind::kOther;
  size = static_cast<unsigned long long>(info.st_size);
  return StreamKind::kRegularFile;
}

// The permissions any new file gets (the umask applies), not those of a
// private temporary file: this one takes the user's name in the end.
std::FILE* CreateNewFile(const char* path) {
  int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* file = fdopen(descriptor, "wb");
  if (!file) close(descriptor);
  return file;
}

bool ReplaceFileWith(const char* from, const char* to) { return std::rename(from, to) == 0; }
