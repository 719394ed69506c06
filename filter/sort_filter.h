#pragma once

// ordwell-sort: sorts the lines of a file or of standard input with the
// tool's switches and writes the result to standard output; with /E the
// duplicate lines go to the file that --duplicates names. Returns the exit
// code: 0 when the text was written, 2 after a fault, reported as one line
// on standard error, with nothing written (but for duplicates that could not
// be written whole after the sorted text: it stands on standard output).
int RunSortFilter(int argc, char** argv);

// Reports a fault of the filter as one line on standard error; value fills
// the message's %s. Always false, so callers can return it.
bool ReportFilterFault(const char* format, const char* value);

// One line of standard error, text already in the user's codeset.
void PrintFaultLine(const char* text);
