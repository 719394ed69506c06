#pragma once
#include <windows.h>

// Places window horizontally centred over `over` (or, without it, over the
// desktop's work area); vertically centred, or with one-third a third of the
// free height above it. Not clamped to the screen: a window larger than
// `over` gets a negative offset. Moved without repainting.
void CenterWindowOver(HWND window, HWND over, bool oneThird);

// Plays AnimateWindow(window, time, flags) when the system offers it. It is
// looked up anew on every call; without it the window simply appears or
// disappears.
void AnimateIfAvailable(HWND window, DWORD time, DWORD flags);
