#pragma once
#include <cstddef>

// A number scanner tells whether a number begins exactly at position. On
// success it stores the number's value and the end just past its last byte
// (end > position); on failure it leaves both untouched.
typedef bool (*NumberScannerFunction)(double& value, const char* position, const char*& end);

// The scanner the numeric comparators use; ScanHalfWidthNumber from program
// start, ScanFullWidthNumber once the sort driver installs it.
extern NumberScannerFunction NumberScanner;

// ASCII numbers only; refuses a position at a space or a tab.
bool ScanHalfWidthNumber(double& value, const char* position, const char*& end);
// Also the full-width digits, signs, point and exponent letters of code
// page 932, mixed freely with ASCII ones.
bool ScanFullWidthNumber(double& value, const char* position, const char*& end);

// Reads a decimal number at text and returns the number of bytes it takes,
// 0 when none begins there (value untouched then). See the grammar at the
// definition.
size_t ConvertNumber(const char* text, double& value);
