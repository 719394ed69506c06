#include "filter/result_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "filter/console.h"
#include "filter/file_facts_posix.h"

namespace {

// What keeps a name from being looked up or opened, where it says more than
// that the file cannot be made.
ResultFault FaultOfLookup(int error) {
  if (error == EMFILE || error == ENFILE) return ResultFault::kTooManyFiles;
  if (error == ENAMETOOLONG) return ResultFault::kNameTooLong;
  return ResultFault::kCannotCreate;
}

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kLinkLimit = 40;


// The folder and the last name of a path: "d.txt" is "." and "d.txt".
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  size_t slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file append-only or immutable refuses a writer with EPERM.
ResultFault FaultOfOpen(int error) {
  if (error == EACCES || error == EPERM || error == EROFS) return ResultFault::kNotWritable;
  return FaultOfLookup(error);
}

bool IsSameFile(const FileIdentity& identity, int descriptor);
FileIdentity IdentityOf(const struct stat& info);

// A name in a folder of /proc (/proc/self/fd, which /dev/fd and /dev/stdout
// lead to) is the link of a descriptor: it opens the file the descriptor
// has, whatever its text says, and its text is no path to follow ("NAME
// (deleted)" for a removed file, "pipe:[N]" for a pipe). A standard stream
// closed when the run started holds what the run put there, never a
// destination. A pipe or device is written through; a regular file is
// followed by the text only while the text still leads to that very file,
// else no file can be made beside it. path: the text to follow, or empty.
ResultFault OpenDescriptorLink(int folder, const std::string& name, int& descriptor, std::string& path) {
  struct statfs system;
  path.clear();
  if (fstatfs(folder, &system) != 0 || system.f_type != kProcMagic) return ResultFault::kCannotCreate;
  char* end = nullptr;
  long number = std::strtol(name.c_str(), &end, 10);
  if (end != name.c_str() && *end == '\0' && WasClosedAtStart(static_cast<int>(number)))
    return ResultFault::kClosedAtStart;
  descriptor = openat(folder, name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (descriptor < 0 || fstat(descriptor, &info) != 0) return FaultOfOpen(errno);
  if (!S_ISREG(info.st_mode)) return ResultFault::kNone;
  char target[PATH_MAX];
  ssize_t n = readlinkat(folder, name.c_str(), target, sizeof target);
  struct stat named;
  bool leads = n > 0 && n < static_cast<ssize_t>(sizeof target) && target[0] == '/' &&
               (target[n] = '\0', stat(target, &named) == 0) && IsSameFile(IdentityOf(named), descriptor);
  close(descriptor);
  descriptor = -1;
  if (!leads) return ResultFault::kCannotReplace;
  path.assign(target, static_cast<size_t>(n));
  return ResultFault::kNone;
}

// Opens for writing the file that named designates, following its symbolic
// links one at a time, each from the folder of the one before, so that the
// folder where it ends (file.folder, file.place) is the one the file was
// found in. descriptor: -1 when no file is there yet.
ResultFault OpenDestination(const char* named, ResultFile& file, int& descriptor) {
  std::string path = named, folderPath;
  for (int i = 0; i < kLinkLimit; ++i) {
    SplitPath(path, folderPath, file.place);
    int from = file.folder >= 0 ? static_cast<int>(file.folder) : AT_FDCWD;
    // O_PATH: a folder that may be written and searched but not read still
    // takes the new file and its renaming.
    int folder = openat(from, folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int error = errno;
    CloseFolder(file.folder);
    file.folder = folder;
    if (folder < 0) return FaultOfLookup(error);
    if (file.place.empty()) return ResultFault::kCannotCreate;
    descriptor = openat(folder, file.place.c_str(), O_WRONLY | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor >= 0 || errno == ENOENT) return ResultFault::kNone;
    if (errno != ELOOP) return FaultOfOpen(errno);
    std::string text;
    ResultFault through = OpenDescriptorLink(folder, file.place, descriptor, text);
    if (through != ResultFault::kCannotCreate) {
      if (through != ResultFault::kNone || descriptor >= 0) return through;
      path = text;
      continue;
    }
    char target[PATH_MAX];
    ssize_t n = readlinkat(folder, file.place.c_str(), target, sizeof target);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof target)) return ResultFault::kCannotCreate;
    path.assign(target, static_cast<size_t>(n));
  }
  return ResultFault::kCannotCreate;
}

FileIdentity IdentityOf(const struct stat& info) {
  return {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
}

bool IsSameFile(const FileIdentity& identity, int descriptor) {
  struct stat info;
  if (descriptor < 0 || fstat(descriptor, &info) != 0) return false;
  FileIdentity other = IdentityOf(info);
  return other.volume == identity.volume && other.index == identity.index;
}

bool IsSameIdentity(const FileIdentity& a, const FileIdentity& b) { return a.volume == b.volume && a.index == b.index; }

// By the file itself; a terminal or the null device may take any stream. A
// file that nobody may write says that it is read-only, which root, who may
// write anything, is refused too.
ResultFault CheckDestination(const struct stat& info, const ResultRules& rules, const ResultFile& file) {
  if (!rules.mayBeInput && rules.input && IsSameFile(file.identity, fileno(rules.input))) return ResultFault::kIsInput;
  if (!rules.mayBeOutput && !S_ISCHR(info.st_mode) && IsSameFile(file.identity, STDOUT_FILENO))
    return ResultFault::kIsOutput;
  const ResultFile* other = rules.other;
  if (other && other->existed && !S_ISCHR(info.st_mode) && IsSameIdentity(other->identity, file.identity))
    return ResultFault::kIsOther;
  if (S_ISREG(info.st_mode) && !(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) return ResultFault::kNotWritable;
  return ResultFault::kNone;
}

// A file mounted over its name (a bind mount) cannot be renamed over: the
// rename would fail with EBUSY only after the text went out.
bool IsMountedOver(int descriptor, const struct stat& info, int folder) {
  struct stat around;
  if (fstat(folder, &around) != 0 || around.st_dev != info.st_dev) return true;
  struct statx mount;
  return statx(descriptor, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &mount) == 0 &&
         (mount.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (mount.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

// Every extended attribute, the ACL (system.posix_acl_access) among them;
// false when one cannot be read or given. A file system without them has
// none to give.
bool CopyExtendedAttributes(int from, int to) {
  ssize_t length = flistxattr(from, nullptr, 0);
  if (length <= 0) return length == 0 || errno == ENOTSUP;
  std::string names(static_cast<size_t>(length), '\0');
  length = flistxattr(from, &names[0], names.size());
  if (length < 0) return false;
  for (size_t at = 0; at < static_cast<size_t>(length); at += std::strlen(names.c_str() + at) + 1) {
    const char* name = names.c_str() + at;
    ssize_t size = fgetxattr(from, name, nullptr, 0);
    std::string value(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size < 0 || (size = fgetxattr(from, name, &value[0], value.size())) < 0) return false;
    if (fsetxattr(to, name, value.data(), static_cast<size_t>(size), 0) != 0) return false;
  }
  return true;
}

// A new file takes the folder's default ACL; a file that had no ACL of its
// own must not get one that lets others in. False when it cannot be taken
// away.
bool DropInheritedAcl(int from, int to) {
  constexpr const char* kAccessAcl = "system.posix_acl_access";
  if (fgetxattr(from, kAccessAcl, nullptr, 0) >= 0 || (errno != ENODATA && errno != ENOTSUP)) return true;
  return fremovexattr(to, kAccessAcl) == 0 || errno == ENODATA || errno == ENOTSUP;
}

// The file beside gets owner and group, extended attributes, then the mode,
// setuid and setgid bits included (a change of owner clears them, and the
// system drops setgid silently for a group not the user's: checked). False
// when any of it cannot be given: the file is then written in place.
bool TakeAttributes(int made, int from, const struct stat& info) {
  struct stat now;
  if (fstat(made, &now) != 0) return false;
  if ((now.st_uid != info.st_uid || now.st_gid != info.st_gid) && fchown(made, info.st_uid, info.st_gid) != 0)
    return false;
  if (!DropInheritedAcl(from, made) || !CopyExtendedAttributes(from, made) || fchmod(made, info.st_mode & 07777) != 0)
    return false;
  return fstat(made, &now) == 0 && (now.st_mode & 07777) == (info.st_mode & 07777);
}

// The file itself, emptied only when its text comes (a FIFO waited for its
// reader when it was opened, as for the shell's ">"); never the input.
ResultFault OpenInPlace(int descriptor, bool regular, const ResultRules& rules, ResultFile& file) {
  if (regular && rules.input && IsSameFile(file.identity, fileno(rules.input)))
    return close(descriptor), ResultFault::kInputInPlace;
  file.stream = fdopen(descriptor, "wb");
  if (!file.stream) return close(descriptor), ResultFault::kCannotCreate;
  file.truncate = regular;
  return ResultFault::kNone;
}

// A folder append-only or immutable (chattr +a, +i) takes a new file, or
// none, but lets no name go: the file beside could neither take the place
// nor be removed. A file system without these flags has none of them.
bool IsFolderFrozen(intptr_t folder) {
  int flags = 0;
  int opened = openat(static_cast<int>(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);  // O_PATH takes no ioctl
  bool frozen = opened >= 0 && ioctl(opened, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL));
  if (opened >= 0) close(opened);
  return frozen;
}

// Nothing there yet: the new file beside takes the name at the end. Two
// result files of the run may not end at the same name.
ResultFault OpenNewFile(const ResultRules& rules, ResultFile& file) {
  struct stat folder;
  if (fstat(static_cast<int>(file.folder), &folder) != 0) return ResultFault::kCannotCreate;
  file.identity = IdentityOf(folder);
  const ResultFile* other = rules.other;
  if (other && !other->existed && IsSameIdentity(other->identity, file.identity) && other->place == file.place)
    return ResultFault::kIsOther;
  if (IsFolderFrozen(file.folder)) return ResultFault::kNotWritable;
  return CreateResultBeside(file, false) ? ResultFault::kNone : ResultFault::kCannotCreate;
}

}  // namespace

ResultFault OpenResultFile(const char* named, int slot, const ResultRules& rules, ResultFile& file) {
  file = ResultFile();
  file.named = named;
  file.slot = slot;
  int descriptor = -1;
  ResultFault fault = OpenDestination(named, file, descriptor);
  if (fault != ResultFault::kNone) return fault;
  if (descriptor < 0) return OpenNewFile(rules, file);
  struct stat info;
  if (fstat(descriptor, &info) != 0) return close(descriptor), ResultFault::kCannotCreate;
  file.existed = true;
  file.identity = IdentityOf(info);
  fault = CheckDestination(info, rules, file);
  if (fault != ResultFault::kNone) return close(descriptor), fault;
  bool regular = S_ISREG(info.st_mode);
  file.isInput = regular && rules.input && IsSameFile(file.identity, fileno(rules.input));
  if (!regular || info.st_nlink > 1 || IsMountedOver(descriptor, info, static_cast<int>(file.folder)))
    return OpenInPlace(descriptor, regular, rules, file);
  // A folder that takes no new file (not ours to write, out of inodes, a
  // name too long for the suffix, no descriptor left): written in place, a
  // write that failed would leave the file without its old text, so the run
  // is refused.
  if (IsFolderFrozen(file.folder)) return close(descriptor), ResultFault::kNotWritable;
  if (!CreateResultBeside(file, true)) return close(descriptor), ResultFault::kCannotReplace;
  if (TakeAttributes(fileno(file.stream), descriptor, info)) return close(descriptor), ResultFault::kNone;
  DiscardResultFile(file);  // what the file carries cannot be given (another owner)
  return OpenInPlace(descriptor, true, rules, file);
}

// Owner-only until it has the mode of the file it replaces, so that nobody
// opens it meanwhile and reads the result later through that descriptor. A
// file not there before gets the permissions any new file gets (the umask
// applies): it takes the user's name in the end.
std::FILE* CreateNewFileIn(intptr_t folder, const std::string& name, bool ownerOnly) {
  int descriptor = openat(static_cast<int>(folder), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          ownerOnly ? 0600 : 0666);
  if (descriptor < 0) return nullptr;
  std::FILE* stream = fdopen(descriptor, "wb");
  if (!stream) close(descriptor);
  return stream;
}

bool PutBesideInPlace(const ResultFile& file) {
  int folder = static_cast<int>(file.folder);
  return renameat(folder, file.beside.c_str(), folder, file.place.c_str()) == 0;
}

bool IsInputStillInPlace(const ResultFile& file) {
  struct stat info;
  if (fstatat(static_cast<int>(file.folder), file.place.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return IsSameIdentity(IdentityOf(info), file.identity) &&
         static_cast<unsigned long long>(info.st_size) == file.inputSize && ChangeTimeOf(info) == file.inputChanged;
}

// The folder's own path, as the system knows it now.
std::string PathBeside(const ResultFile& file) {
  char folder[PATH_MAX];
  std::string link = "/proc/self/fd/" + std::to_string(file.folder);
  ssize_t n = readlink(link.c_str(), folder, sizeof folder - 1);
  std::string path = n > 0 ? std::string(folder, static_cast<size_t>(n)) : std::string(".");
  return (path == "/" ? path : path + "/") + file.beside;
}

void RemoveFileIn(intptr_t folder, const std::string& name) { unlinkat(static_cast<int>(folder), name.c_str(), 0); }

bool EmptyFile(std::FILE* stream) { return ftruncate(fileno(stream), 0) == 0; }

void CloseFolder(intptr_t folder) {
  if (folder >= 0) close(static_cast<int>(folder));
}
