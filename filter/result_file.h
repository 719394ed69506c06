#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "filter/filter_io.h"
#include "filter/text_form.h"

// A file that a run writes a result into: the sorted text (--output) or the
// duplicate lines (--duplicates). It is opened before the input is read, so
// that a run that cannot put a result there fails before it has written
// anything, and it is judged by the file that was opened, never by a name
// looked up again. A file that exists keeps what it is: a symbolic link is
// followed; a regular file is replaced by a new one made beside it, which
// gets what the file carries (POSIX: owner, group, extended attributes and
// ACL, mode; Windows: attributes and DACL, ReplaceFile keeping the rest) and
// takes its place only at the end, so that a failed run leaves it as it
// was; a file with other links, one mounted over its name, or one whose
// owner or attributes the new file cannot be given is written in place; a
// FIFO or device is written through, never replaced. A file that would be
// replaced but has no new file made beside it is refused. The input itself may
// be a result file only where it is replaced: written over in place, it
// would hold the only copy of the text while the text is written.

// Which file a handle or descriptor designates: POSIX device and inode,
// Windows volume serial and file index.
struct FileIdentity {
  unsigned long long volume;
  unsigned long long index;
};

struct ResultFile {
  const char* named = nullptr;  // as the user named it
  int slot = 0;                 // its slot among the files an interrupt removes
  intptr_t folder = -1;         // POSIX: the folder where it ends, open (-1: none)
  std::string place;            // its name in that folder (Windows: its whole path)
  std::string beside;           // the new file that takes its place, named as place; empty: written in place
  std::FILE* stream = nullptr;  // open for writing on beside, or on the file itself
  bool truncate = false;        // a regular file written in place: emptied when its text comes
  bool existed = false;         // a file was there: identity is its own, else its folder's (POSIX)
  FileIdentity identity = {0, 0};
  bool isInput = false;              // the input, sorted in place by replacing it
  unsigned long long inputSize = 0;  // ... its size and change time when it was read
  unsigned long long inputChanged = 0;
};

enum class ResultFault {
  kNone,
  kCannotCreate,
  kCannotReplace,  // a file that would be replaced, but no new file can be made beside it
  kClosedAtStart,  // a standard stream that was closed when the run started
  kTooManyFiles,   // no descriptor (handle) left to open it with
  kNameTooLong,    // its name, or its path, is longer than the system takes
  kNotWritable,
  kIsInput,
  kIsOutput,
  kIsOther,
  kInputInPlace
};

// What a result file may not be.
struct ResultRules {
  std::FILE* input;         // the stream the text comes from
  bool mayBeInput;          // sorting a file in place
  bool mayBeOutput;         // standard output (a terminal or the null device always may)
  const ResultFile* other;  // the run's other result file, or null
};

// Opens (or, for a file not there yet, prepares) the result file that named
// designates; slot is its slot among the files an interrupt removes.
ResultFault OpenResultFile(const char* named, int slot, const ResultRules& rules, ResultFile& file);

// Writes size bytes of text into the file in the text's form and closes
// it; false when it took them not all. It is not yet in place. A UTF-8 text
// that holds anything begins with the byte order mark where the input did:
// a file without lines stays empty.
bool SaveResultText(ResultFile& file, TextForm& form, const char* text, size_t size, ProgressLine& progress);

// A file written in place is emptied here, just before its text comes;
// false when it cannot be.
bool StartResultText(ResultFile& file);

// Closes the stream; false when what was written did not all reach the file.
bool CloseResultFile(ResultFile& file);

// Puts the file beside in the place of the file (nothing to do for one
// written in place); false when it cannot, the file beside then removed.
bool CommitResultFile(ResultFile& file);

// Whether the file's name still leads to the input as it was read (isInput):
// the same file, of the same size and change time. Another program that
// appended to it or saved it anew meanwhile would lose its text to the
// replacement.
bool IsInputStillInPlace(const ResultFile& file);

// The file beside, kept where it is after all: no longer removed at the end
// or on an interrupt. Returns its path, for the user.
std::string KeepResultBeside(ResultFile& file);

// After a failed run: closes the stream and removes the file beside.
void DiscardResultFile(ResultFile& file);

// At the end of a run: what DiscardResultFile does, and the folder closed.
void EndResultFile(ResultFile& file);

// The new file beside file.place, open on file.stream, removed should the
// run be interrupted; ownerOnly: nobody else may open it meanwhile. False
// (nothing made) when none can be made there.
bool CreateResultBeside(ResultFile& file, bool ownerOnly);

// The system's side of the above (result_file_posix.cpp, _win32.cpp).
std::FILE* CreateNewFileIn(intptr_t folder, const std::string& name, bool ownerOnly);
bool PutBesideInPlace(const ResultFile& file);
std::string PathBeside(const ResultFile& file);
void RemoveFileIn(intptr_t folder, const std::string& name);
bool EmptyFile(std::FILE* stream);
void CloseFolder(intptr_t folder);
