#pragma once
#include <functional>

// Polls condition every few milliseconds until it holds or timeoutMs have
// passed; true when it held. End-to-end tests wait with this, never with a
// fixed sleep.
bool WaitFor(const std::function<bool()>& condition, unsigned timeoutMs);
