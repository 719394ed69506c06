#include "filter/console.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

// In text mode the C runtime would turn CR LF into LF on input (the sort
// cuts lines at CR LF) and stop reading at a 0x1A byte.
void SetBinaryStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

StreamKind KindOfStream(std::FILE* stream, unsigned long long& size) {
  struct _stat64 info;
  if (_fstat64(_fileno(stream), &info) != 0) return StreamKind::kOther;
  if ((info.st_mode & _S_IFMT) == _S_IFDIR) return StreamKind::kDirectory;
  if ((info.st_mode & _S_IFMT) != _S_IFREG) return StreamKind::kOther;
  size = static_cast<unsigned long long>(info.st_size);
  return StreamKind::kRegularFile;
}

std::FILE* CreateNewFile(const char* path) {
  int descriptor = _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor < 0) return nullptr;
  std::FILE* file = _fdopen(descriptor, "wb");
  if (!file) _close(descriptor);
  return file;
}

// rename refuses to replace an existing file on Windows.
bool ReplaceFileWith(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

// A Windows console of a Japanese system reads code page 932 as it is.
std::string ToLocaleCodeset(const char* text) { return text; }

bool IsExistingFile(const char* path) {
  struct _stat64 info;
  return _stat64(path, &info) == 0 && (info.st_mode & _S_IFMT) != _S_IFDIR;
}
