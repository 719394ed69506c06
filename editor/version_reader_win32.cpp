#include "editor/version_reader.h"

#include <windows.h>

#include <cstring>

#include "platform/format.h"
#include "platform/heap.h"
#include "platform/lookup_win32.h"

namespace {

typedef DWORD(WINAPI* GetSizeFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetInfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryValueFn)(LPCVOID, LPCSTR, LPVOID*, PUINT);

// The version library is looked up at run time, once per process; a failed
// attempt is repeated at the next query. Once loaded it is never unloaded.
struct VersionLibrary {
  bool loaded;
  GetSizeFn getSize;
  GetInfoFn getInfo;
  QueryValueFn queryValue;
};
VersionLibrary g_version = {};

bool LoadVersionLibrary() {
  if (g_version.loaded) return true;
  HMODULE module = LoadLibraryA("Version");
  if (!module) return false;
  g_version.getSize = LookupFunction<GetSizeFn>(module, "GetFileVersionInfoSizeA");
  g_version.getInfo = LookupFunction<GetInfoFn>(module, "GetFileVersionInfoA");
  g_version.queryValue = LookupFunction<QueryValueFn>(module, "VerQueryValueA");
  g_version.loaded = g_version.getSize && g_version.getInfo && g_version.queryValue;
  return g_version.loaded;
}

const char* const kStringNames[] = {
    "Comments",         "CompanyName",     "FileDescription", "FileVersion",
    "InternalName",     "LegalCopyright",  "LegalTrademarks", "OriginalFilename",
    "PrivateBuild",     "ProductName",     "ProductVersion",  "SpecialBuild",
};

// Reads the file's version information into the reader's cache.
bool LoadBlock(VersionInfoReader& reader) {
  if (reader.block) return true;
  DWORD handle = 0;
  DWORD size = g_version.getSize(reader.path, &handle);
  if (size == 0) return false;
  void* block = AllocateBlock(reader.heap, kHeapZeroMemory, size);
  if (!block) return false;
  if (!g_version.getInfo(reader.path, handle, size, block)) {
    FreeBlock(reader.heap, 0, block);
    return false;
  }
  reader.block = block;
  return true;
}

// Copies the value of one key, or null when the entry lacks it or memory ran out.
char* CopyValue(VersionInfoReader& reader, const char* key) {
  void* value = nullptr;
  UINT length = 0;
  if (!g_version.queryValue(reader.block, key, &value, &length)) return nullptr;
  // One byte more than reported and zero-filled: terminated whether or not
  // the reported length counts the value's own NUL.
  char* copy = static_cast<char*>(AllocateBlock(reader.heap, kHeapZeroMemory, length + 1));
  if (copy) std::memcpy(copy, value, length);
  return copy;
}

}  // namespace

void CreateReader(VersionInfoReader& reader, const char* path) {
  reader.heap = CreatePrivateHeap(0);
  reader.path = nullptr;
  reader.block = nullptr;
  SetFilePath(reader, path);
}

void SetFilePath(VersionInfoReader& reader, const char* path) {
  if (!reader.heap) return;
  if (reader.path) FreeBlock(reader.heap, 0, reader.path);
  if (reader.block) FreeBlock(reader.heap, 0, reader.block);
  reader.path = nullptr;
  reader.block = nullptr;
  char ownPath[MAX_PATH] = {};
  if (!path) {
    GetModuleFileNameA(GetModuleHandleA(nullptr), ownPath, sizeof ownPath);
    path = ownPath;
  }
  size_t length = std::strlen(path);
  reader.path = static_cast<char*>(AllocateBlock(reader.heap, kHeapZeroMemory, length + 1));
  if (reader.path) std::memcpy(reader.path, path, length + 1);
}

const char* GetStringByIndex(VersionInfoReader& reader, int index) {
  if (index < 0 || index >= int(sizeof kStringNames / sizeof kStringNames[0])) return nullptr;
  return GetStringByName(reader, kStringNames[index]);
}

const char* GetStringByName(VersionInfoReader& reader, const char* name) {
  if (!name || !reader.path || !LoadVersionLibrary() || !LoadBlock(reader)) return nullptr;
  WORD* table = nullptr;
  UINT tableBytes = 0;
  if (!g_version.queryValue(reader.block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                            &tableBytes))
    return nullptr;
  // "\StringFileInfo\" + 8 hex digits + "\" + name + NUL: 26 bytes beside the name.
  char* key = static_cast<char*>(AllocateBlock(reader.heap, kHeapZeroMemory, std::strlen(name) + 26));
  if (!key) return nullptr;
  char* result = nullptr;
  for (UINT entry = 0; entry < tableBytes / 4 && !result; ++entry) {
    FormatText(key, "\\StringFileInfo\\%04x%04x\\%s", table[2 * entry], table[2 * entry + 1], name);
    result = CopyValue(reader, key);
  }
  FreeBlock(reader.heap, 0, key);
  return result;
}

void ReleaseReader(VersionInfoReader& reader) {
  if (reader.heap) DestroyPrivateHeap(reader.heap);
  reader = VersionInfoReader{};
}
