#pragma once
#include <cstddef>
#include <cstdint>

#include "editor/link.h"

// Fills the link for the editor main window in the foreground (waiting up to
// 2500 ms for it and 2500 ms more for its edit pane), or leaves it empty.
// The caller asks IsEmpty and releases the link in every case.
void CaptureEditor(EditorLink& link);

// The same, accepting only a main window of the given process: the capture
// of a newly started editor must never take the user's first editor.
void CaptureEditorOfProcess(EditorLink& link, uint32_t processId);

// The full path of the executable of the process that owns window.
bool GetWindowProcessExePath(WindowHandle window, char* buffer, size_t size);

// For tests: choose the process-list method as the given platform id would
// (2: the NT platform, psapi; anything else: tool help); -1 asks the system.
void ForceProcessListPlatform(int platformId);
