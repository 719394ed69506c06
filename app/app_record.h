#pragma once
#include "cmdline/arg_list.h"
#include "editor/link.h"

enum : int { kScratchSize = 4096 };

// Everything one run owns: a scratch buffer for formatted message texts and
// dialog fields, the editor link and the split command line.
struct AppRecord {
  char scratch[kScratchSize];
  EditorLink link;
  ArgList args;
};
