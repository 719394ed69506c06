#pragma once
#include <cstddef>

// ordwell-sort: sorts the lines of a file or of standard input with the
// tool's switches and writes the result to standard output or, with
// --output, to a file (the input itself among them); with /E the duplicate
// lines go to the file that --duplicates names. Returns the exit code: 0
// when everything was written, 2 after a fault, reported as one line on
// standard error. A fault leaves the result files as they were (those
// written in place may hold a part) and standard output empty, but for what
// standard output took before its own write failed, and for the whole
// sorted text when only the duplicates could not be put in their file.
int RunSortFilter(int argc, char** argv);

// Reports a fault of the filter as one line on standard error; value fills
// the message's %s. Always false, so callers can return it.
bool ReportFilterFault(const char* format, const char* value);

// The same for a fault in one line of the input: the message's two %s are
// the input's name and the line's number.
bool ReportLineFault(const char* format, const char* name, size_t line);

// One line of standard error, text already in the user's codeset.
void PrintFaultLine(const char* text);
