#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The console streams and the system's files as the filter needs them: bytes
// in, bytes out, a progress line only where a person watches, and files that
// take their names only once a run has succeeded.

// Standard input, output and error pass every byte unchanged (no CR LF
// translation, no end at a 0x1A byte).
void SetBinaryStreams();

// A standard stream that the caller closed (">&-") is taken by the null
// device, opened in the one direction that the stream is not used in, so
// that a file the filter opens can never become one of them and the
// stream's use fails as it would have.
void KeepStandardStreams();

// Readies the conversion of messages to the user's codeset while the run
// still has descriptors to spare.
void PrepareMessages();

// Whether standard stream 0, 1 or 2 was closed when the run started (and so
// holds what KeepStandardStreams put there): never a destination.
bool WasClosedAtStart(int stream);

// A write beyond the file size limit (POSIX: RLIMIT_FSIZE) fails like one to
// a full disk instead of ending the run, so that the run removes what it made
// and says what failed.
void LetOversizedWritesFail();

// True when the stream is a terminal rather than a file or a pipe.
bool IsTerminal(std::FILE* stream);

// What a stream reads from. Only a regular file has a size to trust: the
// end that seeking finds in a directory, a pipe or a device is no size.
enum class StreamKind { kRegularFile, kDirectory, kOther };

// What a stream reads from as it stands now. For a regular file: its size,
// the time of its last change (POSIX: ctime, which any write or truncation
// moves; Windows: the last-write time) and where the stream stands in it.
struct StreamVersion {
  StreamKind kind;
  unsigned long long size;
  unsigned long long changed;
  unsigned long long position;
};
StreamVersion NoteStreamVersion(std::FILE* stream);

// Whether a regular file may be read as it stands: no other program has it
// open for writing (POSIX: not even through a shared mapping, whose writes
// move no change time), asked of the system where it can tell (a read
// lease, taken and given back at once; else an advisory read lock). On
// Windows the file is held with a share mode that denies writing until
// ReleaseInputHold, so that nobody opens it for writing during the read.
enum class InputHold { kHeld, kNotAFile, kWriterAtWork };
InputHold HoldInputForRead(std::FILE* stream);
void ReleaseInputHold();

// The system's read call on the stream's file, no stdio buffer between: up to
// n bytes into block. The count read, 0 at the end, -1 after a failure.
long long ReadStreamBytes(std::FILE* stream, char* block, size_t n);

// A block for a text of known size, outside the link's heap: a large one
// aligned and backed by large pages where the system has them (a file read
// into fresh small pages costs a page fault every 4 KB, which on some
// machines costs more than the sort). Null when there is no room. Released
// by ReleaseTextBlock with the same size.
char* ReserveTextBlock(size_t size);
void ReleaseTextBlock(char* block, size_t size);

// Asks the system to back a large block with large pages where it can. Only
// a hint.
void AdviseLargePages(void* block, size_t size);

// The files beside their results that an interrupted run (Ctrl+C, a request
// to end it, a hang-up, a reader gone) removes before it ends: one slot for
// each result file. On POSIX folder is a descriptor of the file's folder
// and name its name there; on Windows name is its whole path. A null name
// frees the slot. The name is copied.
constexpr int kInterruptSlots = 2;
void RemoveOnInterrupt(int slot, intptr_t folder, const char* name);

// Holds back, until released, the interrupts that RemoveOnInterrupt answers,
// so that a file made and the note to remove it come as one step: an
// interrupt between the two would leave the file behind.
void HoldInterrupts();
void ReleaseInterrupts();

// A text of the program's own (code page 932) as the user's terminal reads
// it: in the codeset of the user's locale where that is another one (POSIX),
// as it is on Windows, in a code page 932 locale, or when it cannot be
// converted. Only messages pass here, never the text being sorted.
std::string ToLocaleCodeset(const char* text);

// True when path names something that exists and is not a directory.
bool IsExistingFile(const char* path);
