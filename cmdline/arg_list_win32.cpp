#include "cmdline/arg_list.h"

#include <windows.h>

void BuildArgList(ArgList& list) { SplitCommandLine(list, GetCommandLineA()); }
