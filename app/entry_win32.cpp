#include <windows.h>

#include "app/run.h"

// The process entry: one run, its result as the exit code.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ExitProcess(UINT(RunOrdwell(GetModuleHandleA(nullptr))));
}
