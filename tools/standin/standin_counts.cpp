#include "editor/editor_protocol.h"
#include "tools/standin/standin.h"

namespace {

// The messages whose arrivals tests check; see standin_protocol.h.
const UINT kCountedMessages[] = {
    WM_GETTEXT,  WM_GETTEXTLENGTH, WM_SETTEXT,   WM_CLEAR,
    EM_GETSEL,   EM_SETSEL,        EM_REPLACESEL, EM_UNDO,
    EDM_GOTOLINE, EDM_GETSELECTIONKIND, EDM_EXPORTTEXT, EDM_IMPORTTEXT,
};
constexpr size_t kCounted = sizeof kCountedMessages / sizeof kCountedMessages[0];
LRESULT g_counts[kCounted];
WPARAM g_lastWParam[kCounted];

int CountedIndex(UINT message) {
  for (size_t i = 0; i < kCounted; ++i) {
    if (kCountedMessages[i] == message) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

void CountMessage(UINT message, WPARAM wParam) {
  int i = CountedIndex(message);
  if (i < 0) return;
  ++g_counts[i];
  g_lastWParam[i] = wParam;
}

LRESULT CountOf(UINT message) {
  int i = CountedIndex(message);
  return i < 0 ? 0 : g_counts[i];
}

LRESULT LastWParamOf(UINT message) {
  int i = CountedIndex(message);
  return i < 0 ? 0 : static_cast<LRESULT>(g_lastWParam[i]);
}

void ResetCounts() {
  for (size_t i = 0; i < kCounted; ++i) g_counts[i] = 0, g_lastWParam[i] = 0;
}
