#pragma once
#include <cstdint>

struct AppRecord;

// Fills g_sortOptions from the record's ArgList, reporting each argument it
// cannot recognise, and decides whether the options dialog is shown.
// Always true: faulty switches lead to the dialog, never to the end of the run.
bool ParseSwitches(AppRecord& app);

// Shows the message for argument index (1 = the first after the program
// path), owned by the link's main window.
void ReportBadArgument(AppRecord& app, int index);

// Decimal text to a value in 1..2147483647, the whole text consumed. On
// success stores it into target; otherwise leaves target alone.
bool ParseUnsignedField(uint32_t& target, const char* text);
