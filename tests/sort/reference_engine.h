#pragma once
#include <string>

#include "cmdline/sort_options.h"
#include "sort/comparators.h"
#include "sort/number_scanner.h"

// The plain implementation of the engine's hot paths, kept beside the tests
// as the reference that every speed-up must match byte for byte.

// The scanners as first written: the full-width one copies the whole rest of
// the text into a fresh buffer on every call.
bool ReferenceScanHalfWidthNumber(double& value, const char* position, const char*& end);
bool ReferenceScanFullWidthNumber(double& value, const char* position, const char*& end);

// The column window measured with strlen.
const char* ReferenceColumnStart(const char* line);
uint32_t ReferenceColumnLength(const char* text);

// The whole of SortText the plain way: split, the sort through the
// comparator pointer, duplicate pass, assembly; the numeric comparators read
// the reference scanners. Returns false for fewer than two lines.
bool ReferenceSortText(const std::string& input, const SortOptions& options, std::string& output,
                       std::string& duplicates);
