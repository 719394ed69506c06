#pragma once
#include "platform/types.h"

// Reads named strings (FileVersion, ProductName, ...) from the version
// resource of an executable. Everything it allocates, the strings it returns
// included, lives on its own heap: releasing the reader frees them all.
struct VersionInfoReader {
  HeapHandle heap;
  char* path;   // the file the reader is bound to; null without heap or memory
  void* block;  // the file's version information, read once and then reused
};

// Creates the heap and binds the reader to path (null: the tool's own executable).
void CreateReader(VersionInfoReader& reader, const char* path);
// Binds the reader to another file; strings returned earlier stay valid.
void SetFilePath(VersionInfoReader& reader, const char* path);
// Index 0..11: Comments, CompanyName, FileDescription, FileVersion,
// InternalName, LegalCopyright, LegalTrademarks, OriginalFilename,
// PrivateBuild, ProductName, ProductVersion, SpecialBuild. Else null.
const char* GetStringByIndex(VersionInfoReader& reader, int index);
// The string from the first translation entry that has it, or null.
const char* GetStringByName(VersionInfoReader& reader, const char* name);
void ReleaseReader(VersionInfoReader& reader);

enum : int { kFileVersionIndex = 3 };
