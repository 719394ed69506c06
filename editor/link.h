#pragma once
#include <cstdint>

#include "platform/types.h"

// Ties the tool to one running editor instance. Every text read through the
// link, and every block the sort makes, lives on the link's private heap, so
// that releasing the link frees them all at once.
struct EditorLink {
  HeapHandle heap;             // owned; null until the capture creates it
  WindowHandle mainWindow;     // class TMorvaneMainForm: private messages, owner of boxes
  uint32_t packedVersion;      // major << 24 | minor << 16 | build << 8 | revision; 0 unknown
  WindowHandle editPane;       // first TEditor child; null in an empty link
  const char* exePath;         // on the heap, or the constant "Morvane.exe"
  uint8_t busy;                // 1 while the capture runs: no shared-memory channel
};

// True when the link has no edit pane (the capture failed or was never made).
bool IsEmpty(const EditorLink& link);

// Destroys the heap, if any, and clears every field. Safe on any link, twice.
void ReleaseLink(EditorLink& link);
