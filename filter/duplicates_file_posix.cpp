#include "filter/duplicates_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kLinkLimit = 40;

// Where a name that names nothing yet would be created: the end of its
// chain of symbolic links, each relative to the folder of the one before.
// False for a chain that does not end.
bool FollowDanglingLinks(const char* named, std::string& path) {
  path = named;
  for (int i = 0; i < kLinkLimit; ++i) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof target)) return false;
    size_t slash = path.rfind('/');
    std::string folder = target[0] == '/' || slash == std::string::npos ? "" : path.substr(0, slash + 1);
    path = folder + std::string(target, static_cast<size_t>(n));
  }
  return false;
}

bool IsInputFile(const struct stat& info, std::FILE* input) {
  struct stat in;
  return input && fstat(fileno(input), &in) == 0 && in.st_dev == info.st_dev && in.st_ino == info.st_ino;
}

// As the shell's ">" would let the user write, and not a file that nobody
// may write: such a file says that it is read-only, which root, who may
// write anything, is refused too.
bool MayWrite(const char* path, const struct stat& info) {
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) && faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
}

// The named file itself, opened now (a FIFO waits here for its reader, as
// for the shell's ">") and emptied only when the duplicates go in.
DuplicatesFault OpenInPlace(const char* named, bool regular, DuplicatesFile& file) {
  int descriptor = open(named, O_WRONLY | O_NOCTTY);
  if (descriptor < 0) return errno == EACCES || errno == EROFS ? DuplicatesFault::kNotWritable : DuplicatesFault::kCannotCreate;
  file.stream = fdopen(descriptor, "wb");
  if (!file.stream) return close(descriptor), DuplicatesFault::kCannotCreate;
  file.truncate = regular;
  return DuplicatesFault::kNone;
}

// The file beside gets the mode and owner of the file it replaces; false
// when the owner cannot be given (the user owns neither).
bool TakeModeAndOwner(const DuplicatesFile& file, const struct stat& info) {
  int descriptor = fileno(file.stream);
  struct stat made;
  if (fstat(descriptor, &made) != 0) return false;
  if ((made.st_uid != info.st_uid || made.st_gid != info.st_gid) && fchown(descriptor, info.st_uid, info.st_gid) != 0)
    return false;
  return fchmod(descriptor, info.st_mode & 07777) == 0;
}

}  // namespace

DuplicatesFault OpenDuplicatesFile(const char* named, std::FILE* input, DuplicatesFile& file) {
  file = {named, std::string(), nullptr, false};
  struct stat info;
  if (stat(named, &info) != 0) {
    if (errno != ENOENT || !FollowDanglingLinks(named, file.path)) return DuplicatesFault::kCannotCreate;
    return CreateDuplicatesBeside(file) ? DuplicatesFault::kNone : DuplicatesFault::kCannotCreate;
  }
  if (S_ISDIR(info.st_mode)) return DuplicatesFault::kCannotCreate;
  if (IsInputFile(info, input)) return DuplicatesFault::kIsInput;
  if (!MayWrite(named, info)) return DuplicatesFault::kNotWritable;
  bool regular = S_ISREG(info.st_mode);
  if (!regular || info.st_nlink > 1) return OpenInPlace(named, regular, file);
  char* real = realpath(named, nullptr);
  if (!real) return DuplicatesFault::kCannotCreate;
  file.path = real;
  std::free(real);
  if (CreateDuplicatesBeside(file) && TakeModeAndOwner(file, info)) return DuplicatesFault::kNone;
  DiscardDuplicatesFile(file);  // a folder that takes no new file, or an owner not ours to give
  return OpenInPlace(named, true, file);
}
