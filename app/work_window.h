#pragma once
#include <cstddef>

#include "editor/link.h"

// A small window of the tool's own over the editor while a run works on a
// large document. The editor stands still meanwhile, busy with the tool's
// messages or waiting for the sorted text, and a user should see that
// something is at work: the window says so, with the wait cursor over it.
// A cursor belongs to the thread that owns the window under it, so the
// tool can show one over a window of its own only. The window is owned by
// the editor's main window and never activated, so that the foreground
// stays where the capture of a second editor expects it; nothing of the
// editor is disabled, and the window goes with the tool's process whatever
// happens to it. It lives on a thread of its own, which does nothing but
// answer for it: the run's thread answers no message while it reads, sorts
// and writes back, and a window that does not answer for 5 s is shown as
// not responding, with an offer to end the tool mid-write.
struct WorkWindow {
  void* window;  // null: none shown
  void* thread;  // the window's own thread
};

// Whether a run on a document of this many bytes takes about a second or
// more: known before the read, which itself takes seconds for large
// documents, the longest through messages (each chunk of 32760 bytes a
// deletion, a copy and an undo).
bool IsLargeDocument(size_t bytes, bool throughChannel);
// Whether the text read has lines enough for the sort alone to take about a
// second or more: a million empty lines are only 2 MB.
bool HasManyLines(const char* text, size_t length);

// Returns once the window stands (or failed to).
WorkWindow ShowWorkWindow(const EditorLink& link);
// Returns once the window and its thread are gone. Safe on none and twice.
void CloseWorkWindow(WorkWindow& work);
