#pragma once
#include "platform/types.h"

// Exit codes of a run.
enum : int {
  kExitSorted = 0,          // sorted and written back (extraction may still have failed)
  kExitNoEditor = -1,       // the editor could not be captured
  kExitCancelled = -3,      // the options dialog was cancelled, closed or failed to open
  kExitReadFailed = -4,     // the text could not be read from the editor
  kExitNotSorted = -5,      // nothing was written: fewer than two lines, memory ran out, the
                            // duplicates found no new editor to hold them (/R /E), or the editor had gone
  kExitNotWrittenBack = -6, // the editor did not take the sorted text whole, or went during the write-back
};

// One whole run, from the capture of the foreground editor to the exit code.
// instance is the tool's own module (the dialog's resources).
int RunOrdwell(void* instance);
