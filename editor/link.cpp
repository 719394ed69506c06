#include "editor/link.h"

#include "platform/heap.h"

bool IsEmpty(const EditorLink& link) { return link.editPane == nullptr; }

void ReleaseLink(EditorLink& link) {
  if (link.heap) DestroyPrivateHeap(link.heap);
  link = EditorLink{};
}
