#include "filter/duplicates_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

bool IsSameFile(HANDLE file, std::FILE* input) {
  HANDLE other = input ? reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(input))) : INVALID_HANDLE_VALUE;
  BY_HANDLE_FILE_INFORMATION a, b;
  return other != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &a) &&
         GetFileInformationByHandle(other, &b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// More than one name for the file: replacing it would split them.
bool HasOtherLinks(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info) && info.nNumberOfLinks > 1;
}

DuplicatesFault OpenInPlace(HANDLE opened, bool disk, DuplicatesFile& file) {
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) return CloseHandle(opened), DuplicatesFault::kCannotCreate;
  file.stream = _fdopen(descriptor, "wb");
  if (!file.stream) return _close(descriptor), DuplicatesFault::kCannotCreate;
  file.truncate = disk;
  return DuplicatesFault::kNone;
}

}  // namespace

// MoveFileEx over the input itself would fail only after the sorted text
// was written (the file is open), hence the check before anything is read.
DuplicatesFault OpenDuplicatesFile(const char* named, std::FILE* input, DuplicatesFile& file) {
  file = {named, std::string(), nullptr, false};
  DWORD attributes = GetFileAttributesA(named);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return DuplicatesFault::kCannotCreate;
    return CreateDuplicatesBeside(file) ? DuplicatesFault::kNone : DuplicatesFault::kCannotCreate;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return DuplicatesFault::kCannotCreate;
  if (attributes & FILE_ATTRIBUTE_READONLY) return DuplicatesFault::kNotWritable;
  HANDLE opened = CreateFileA(named, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_ACCESS_DENIED ? DuplicatesFault::kNotWritable : DuplicatesFault::kCannotCreate;
  bool disk = GetFileType(opened) == FILE_TYPE_DISK;
  if (disk && IsSameFile(opened, input)) return CloseHandle(opened), DuplicatesFault::kIsInput;
  if (!disk || HasOtherLinks(opened)) return OpenInPlace(opened, disk, file);
  CloseHandle(opened);
  return CreateDuplicatesBeside(file) ? DuplicatesFault::kNone : DuplicatesFault::kCannotCreate;
}
