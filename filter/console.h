#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

// The console streams and files as the filter needs them: bytes in, bytes
// out, a progress line only where a person watches, and files that take
// their names only once a run has succeeded.

// Standard input, output and error pass every byte unchanged (no CR LF
// translation, no end at a 0x1A byte).
void SetBinaryStreams();

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

// The system's read call on the stream's file, no stdio buffer between: up to
// n bytes into block. The count read, 0 at the end, -1 after a failure.
long long ReadStreamBytes(std::FILE* stream, char* block, size_t n);

// A block for a text of known size, outside every heap: aligned and backed
// by large pages where the system has them (a file read into fresh small
// pages costs a page fault every 4 KB, which on some machines costs more
// than the sort). Null when there is no room. Released by ReleaseTextBlock
// with the same size.
char* ReserveTextBlock(size_t size);
void ReleaseTextBlock(char* block, size_t size);

// A new file, opened for writing bytes; null when a file of that name
// exists already (errno EEXIST) or none can be made there.
std::FILE* CreateNewFile(const char* path);

// Gives the file from the name to, in place of any file of that name;
// false when it cannot.
bool ReplaceFileWith(const char* from, const char* to);

// Cuts a regular file open for writing to nothing; false when it cannot.
bool EmptyFile(std::FILE* stream);

// The file that an interrupted run (Ctrl+C, a request to end it) removes
// before it ends; null: none. The path is copied.
void RemoveOnInterrupt(const char* path);

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

// Asks the system to back a large block with large pages where it can. Only
// a hint.
void AdviseLargePages(void* block, size_t size);

// True when path names something that exists and is not a directory.
bool IsExistingFile(const char* path);
