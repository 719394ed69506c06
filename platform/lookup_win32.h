#pragma once
#include <windows.h>

// A function that not every system offers, looked up by name at run time;
// null when the module or the function is missing.
template <typename Fn>
Fn LookupFunction(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
