#include "filter/result_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <aclapi.h>

#include <cerrno>

#include "filter/file_facts_win32.h"

namespace {

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return {info.dwVolumeSerialNumber, (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool IsSameFile(const FileIdentity& identity, HANDLE other) {
  BY_HANDLE_FILE_INFORMATION info;
  if (other == INVALID_HANDLE_VALUE || !other || GetFileType(other) != FILE_TYPE_DISK ||
      !GetFileInformationByHandle(other, &info))
    return false;
  FileIdentity found = IdentityOf(info);
  return found.volume == identity.volume && found.index == identity.index;
}

// By the file itself. A read-only file is refused even where the system
// lets its writer through (root under Wine).
ResultFault CheckDestination(HANDLE opened, const BY_HANDLE_FILE_INFORMATION& info, const ResultRules& rules,
                             const ResultFile& file) {
  if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return ResultFault::kNotWritable;
  if (!rules.mayBeInput && rules.input && IsSameFile(file.identity, HandleOf(rules.input)))
    return ResultFault::kIsInput;
  if (!rules.mayBeOutput && GetFileType(opened) != FILE_TYPE_CHAR && IsSameFile(file.identity, HandleOf(stdout)))
    return ResultFault::kIsOutput;
  const ResultFile* other = rules.other;
  if (other && other->existed && other->identity.volume == file.identity.volume &&
      other->identity.index == file.identity.index)
    return ResultFault::kIsOther;
  return ResultFault::kNone;
}

// Where the opened file really lies, its links followed.
bool FindFinalPath(HANDLE opened, std::string& path) {
  char found[MAX_PATH + 8];
  DWORD n = GetFinalPathNameByHandleA(opened, found, sizeof found, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= sizeof found) return false;
  path = found;
  if (path.compare(0, 8, "\\\\?\\UNC\\") == 0) path = "\\\\" + path.substr(8);
  else if (path.compare(0, 4, "\\\\?\\") == 0) path = path.substr(4);
  return true;
}

bool IsSameOwner(HANDLE a, HANDLE b) {
  PSID ownerA = nullptr, ownerB = nullptr;
  PSECURITY_DESCRIPTOR held[2] = {nullptr, nullptr};
  bool same = GetSecurityInfo(a, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &ownerA, nullptr, nullptr, nullptr,
                              &held[0]) == ERROR_SUCCESS &&
              GetSecurityInfo(b, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &ownerB, nullptr, nullptr, nullptr,
                              &held[1]) == ERROR_SUCCESS &&
              EqualSid(ownerA, ownerB);
  for (PSECURITY_DESCRIPTOR d : held)
    if (d) LocalFree(d);
  return same;
}

// The file beside gets the attributes of the file it replaces, which
// ReplaceFile keeps as well (Wine's does not); ReplaceFile keeps its DACL
// (a copy made here would not survive Wine, which keeps a DACL as Unix mode
// bits and gives back another). Its owner must be the file's, which it
// cannot be given. False: the file is written in place.
bool TakeAttributes(HANDLE made, HANDLE from) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(from, &info) || !IsSameOwner(made, from)) return false;
  FILE_BASIC_INFO basic = {};
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  basic.FileAttributes = info.dwFileAttributes & kKept;
  if (!basic.FileAttributes) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(made, FileBasicInfo, &basic, sizeof basic) != 0;
}

ResultFault OpenInPlace(HANDLE opened, bool disk, const ResultRules& rules, ResultFile& file) {
  if (disk && rules.input && IsSameFile(file.identity, HandleOf(rules.input)))
    return CloseHandle(opened), ResultFault::kInputInPlace;
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(opened), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) return CloseHandle(opened), ResultFault::kCannotCreate;
  file.stream = _fdopen(descriptor, "wb");
  if (!file.stream) return _close(descriptor), ResultFault::kCannotCreate;
  file.truncate = disk;
  return ResultFault::kNone;
}

// Where the last name of a full path starts: after its last separator,
// found by characters, since the trail byte of a two-byte character may be
// that of a backslash.
size_t LastNameAt(const std::string& full) {
  size_t at = 0;
  for (size_t i = 0; i < full.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(full[i])) && i + 1 < full.size()) ++i;
    else if (full[i] == '\\' || full[i] == '/') at = i + 1;
  }
  return at;
}

// The folder a full path ends in, as the file system knows it, so that two
// spellings of one folder (a link to it, a \\?\ prefix) come out the same.
bool FolderIdentityOf(const std::string& full, FileIdentity& identity) {
  std::string folder = full.substr(0, LastNameAt(full));
  HANDLE opened = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool known = GetFileInformationByHandle(opened, &info) != 0;
  CloseHandle(opened);
  if (known) identity = IdentityOf(info);
  return known;
}

// Nothing there yet: the new file beside takes the name at the end. Two
// result files of the run may not end at the same name, however spelt: the
// same folder by its identity, the same last name in any case.
ResultFault OpenNewFile(const char* named, const ResultRules& rules, ResultFile& file) {
  char full[MAX_PATH];
  DWORD n = GetFullPathNameA(named, sizeof full, full, nullptr);
  if (n == 0 || n >= sizeof full) return ResultFault::kCannotCreate;
  file.place = full;
  if (!FolderIdentityOf(file.place, file.identity)) return ResultFault::kCannotCreate;
  const ResultFile* other = rules.other;
  if (other && !other->existed && other->identity.volume == file.identity.volume &&
      other->identity.index == file.identity.index &&
      lstrcmpiA(other->place.c_str() + LastNameAt(other->place), full + LastNameAt(file.place)) == 0)
    return ResultFault::kIsOther;
  return CreateResultBeside(file, false) ? ResultFault::kNone : ResultFault::kCannotCreate;
}

ResultFault FaultOfOpen(const char* named, DWORD fault) {
  DWORD attributes = GetFileAttributesA(named);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return ResultFault::kCannotCreate;
  if (fault == ERROR_ACCESS_DENIED || fault == ERROR_WRITE_PROTECT) return ResultFault::kNotWritable;
  if (fault == ERROR_TOO_MANY_OPEN_FILES) return ResultFault::kTooManyFiles;
  if (fault == ERROR_FILENAME_EXCED_RANGE) return ResultFault::kNameTooLong;
  return ResultFault::kCannotCreate;
}

}  // namespace

// Opening follows a symbolic link; a read-only file or a folder refuses
// GENERIC_WRITE.
ResultFault OpenResultFile(const char* named, int slot, const ResultRules& rules, ResultFile& file) {
  file = ResultFile();
  file.named = named;
  file.slot = slot;
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE opened = CreateFileA(named, GENERIC_WRITE | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    DWORD fault = GetLastError();
    return fault == ERROR_FILE_NOT_FOUND ? OpenNewFile(named, rules, file) : FaultOfOpen(named, fault);
  }
  bool disk = GetFileType(opened) == FILE_TYPE_DISK;
  BY_HANDLE_FILE_INFORMATION info = {};
  if (disk && !GetFileInformationByHandle(opened, &info)) return CloseHandle(opened), ResultFault::kCannotCreate;
  file.existed = disk;  // a device has no identity to compare
  file.identity = IdentityOf(info);
  ResultFault fault = CheckDestination(opened, info, rules, file);
  if (fault != ResultFault::kNone) return CloseHandle(opened), fault;
  file.isInput = disk && rules.input && IsSameFile(file.identity, HandleOf(rules.input));
  if (!disk || info.nNumberOfLinks > 1 || !FindFinalPath(opened, file.place))
    return OpenInPlace(opened, disk, rules, file);
  // A folder that takes no new file: written in place, a write that failed
  // would leave the file without its old text, so the run is refused.
  if (!CreateResultBeside(file, true)) return CloseHandle(opened), ResultFault::kCannotReplace;
  if (TakeAttributes(HandleOf(file.stream), opened)) return CloseHandle(opened), ResultFault::kNone;
  DiscardResultFile(file);  // an owner not ours to give
  return OpenInPlace(opened, true, rules, file);
}

// Shared for deletion only, so that an interrupted run can remove it while it
// is open and nobody else opens it meanwhile (ownerOnly or not: it holds
// only the result).
std::FILE* CreateNewFileIn(intptr_t, const std::string& name, bool) {
  HANDLE created = CreateFileA(name.c_str(), GENERIC_WRITE | READ_CONTROL, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (created == INVALID_HANDLE_VALUE) {
    DWORD fault = GetLastError();
    errno = fault == ERROR_FILE_EXISTS || fault == ERROR_ALREADY_EXISTS ? EEXIST : EACCES;
    return nullptr;
  }
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(created), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) return CloseHandle(created), nullptr;
  std::FILE* stream = _fdopen(descriptor, "wb");
  if (!stream) _close(descriptor);
  return stream;
}

// ReplaceFile keeps the replaced file's attributes, DACL and identity; a
// file not there before simply takes its name.
bool PutBesideInPlace(const ResultFile& file) {
  if (file.existed)
    return ReplaceFileA(file.place.c_str(), file.beside.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr) != 0;
  return MoveFileExA(file.beside.c_str(), file.place.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool IsInputStillInPlace(const ResultFile& file) {
  HANDLE found = CreateFileA(file.place.c_str(), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (found == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  bool same = GetFileInformationByHandle(found, &info) && IsSameFile(file.identity, found) &&
              SizeOf(info) == file.inputSize && LastWriteOf(info) == file.inputChanged;
  CloseHandle(found);
  return same;
}

std::string PathBeside(const ResultFile& file) { return file.beside; }

void RemoveFileIn(intptr_t, const std::string& name) { DeleteFileA(name.c_str()); }

bool EmptyFile(std::FILE* stream) { return _chsize(_fileno(stream), 0) == 0; }

void CloseFolder(intptr_t) {}
