#include "tests/support/deadline.h"

#include <windows.h>

bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(10);
  }
}
