#include <windows.h>

#include "app/run.h"
#include "platform/heap.h"

// The process entry: one run, its result as the exit code.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  ProcessHeapHandle();  // the comparators' scratch heap, taken first
  ExitProcess(UINT(RunOrdwell(GetModuleHandleA(nullptr))));
}
