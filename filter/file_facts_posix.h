#pragma once
// What the POSIX filter reads of a file, in one form for the note taken when
// the input is read and for the look taken before it is replaced.
#include <sys/stat.h>

// The change time in nanoseconds: every write and truncation moves it.
inline unsigned long long ChangeTimeOf(const struct stat& info) {
  return static_cast<unsigned long long>(info.st_ctim.tv_sec) * 1000000000u +
         static_cast<unsigned long long>(info.st_ctim.tv_nsec);
}

// File systems whose files are made as they are read (statfs's f_type).
constexpr long kProcMagic = 0x9fa0;       // PROC_SUPER_MAGIC
constexpr long kSysfsMagic = 0x62656572;  // SYSFS_MAGIC
