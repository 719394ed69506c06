#pragma once
#include <cstdint>

#include "editor/editor_protocol.h"
#include "editor/link.h"

// Moving text between the tool and the captured editor. Text goes through a
// named shared-memory section when the editor is new enough, else through
// the standard edit-control messages to its edit pane. Every text handed out
// is NUL-terminated and lives on the link's heap until the link is released.

enum TransferDirection {
  kReadFromEditor,
  kWriteToEditor,
};

// The answer of GetSelectionKind when the editor replies outside -1..1.
enum : int32_t { kSelectionKindUnknown = -99999 };

// The version gates; versions compare unsigned, so 0 passes neither and a
// version with its top bit set passes both. The busy flag (set while the
// capture reads child windows) bars the channel.
bool CanUseSharedMemory(const EditorLink& link);
bool CanAskSelectionKind(const EditorLink& link);

// One transfer through the section "Morvane_Map_<main window>". A write
// hands textIn to the editor; a read puts a new text on the link's heap into
// *textOut and its byte count into *lengthOut (when given). False when the
// channel is barred, the section cannot be made or is too small, the editor
// refuses, or memory runs out; nothing is left open.
bool TransferViaSharedMemory(const EditorLink& link, TransferDirection direction, TransferScope scope,
                             const char* textIn, char** textOut, size_t* lengthOut);

// The byte length of the pane's whole text, as the reads measure it.
size_t MeasureWholeText(const EditorLink& link);

// -1 nothing selected, 0 or 1 a selection, kSelectionKindUnknown otherwise.
int32_t GetSelectionKind(const EditorLink& link);

// The whole text, or null when memory ran out or the pane stopped
// delivering before the text was complete; the pane is left as it was.
// *length (when given) receives its byte count: the bytes read, which may
// hold a NUL that the text's terminator does not tell from its end.
char* ReadWholeText(const EditorLink& link, size_t* length = nullptr);
// The selected text, or null when the whole-text read yields none; *length
// as above.
char* ReadSelection(const EditorLink& link, size_t* length = nullptr);

// How a write-back ended. Neither transport says how much the pane took,
// so the pane is measured afterwards; one that cannot be measured is taken
// at its word.
enum class WriteOutcome {
  kWhole,     // the pane holds what was written
  kNotTaken,  // the pane never took the insertion: its text is as it was
  kShort,     // the pane measurably holds other than what was written
};

// Puts text in place of the whole document; the caret stays where the
// insertion left it.
WriteOutcome ReplaceWholeText(const EditorLink& link, const char* text);
// Puts text in place of the selection and selects it; kShort when the pane
// then measurably holds other than the text around the old selection and
// the new text. A selection not taken stays as it was.
WriteOutcome ReplaceSelection(const EditorLink& link, const char* text);

// An empty selection at the byte position.
void PlaceCaret(const EditorLink& link, uint32_t position);
// Shows the line counted from 0.
void GoToLine(const EditorLink& link, uint32_t line);
