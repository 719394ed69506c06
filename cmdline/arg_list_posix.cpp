#include "cmdline/arg_list.h"

// The POSIX build has no Windows command line to read; it only serves the
// portable tests, which split their own texts with SplitCommandLine.
void BuildArgList(ArgList& list) { SplitCommandLine(list, ""); }
