#include "editor/exchange.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "editor/piece_cut.h"
#include "platform/format.h"
#include "platform/heap.h"

namespace {

// No single WM_GETTEXT asks for more than this many bytes (plus the NUL):
// older panes cannot copy more at once.
constexpr size_t kChunk = 32760;

// The largest transfer whose section size, n + 257, fits the 32-bit size.
constexpr size_t kMaxTransfer = 0xFFFFFFFFu - kSectionSlack;

struct PaneSelection {
  size_t start;
  size_t length;
};

LRESULT SendToPane(const EditorLink& link, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(static_cast<HWND>(link.editPane), message, wParam, lParam);
}

LRESULT SendToMain(const EditorLink& link, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(static_cast<HWND>(link.mainWindow), message, wParam, lParam);
}

// EM_GETSEL through its pointer arguments, which address 32-bit values on
// every platform; its packed reply cannot hold positions past 65535.
PaneSelection ReadPaneSelection(const EditorLink& link) {
  DWORD start = 0;
  DWORD end = 0;
  SendToPane(link, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end > start ? end - start : 0};
}

size_t PaneTextLength(const EditorLink& link) {
  LRESULT length = SendToPane(link, WM_GETTEXTLENGTH, 0, 0);
  return length > 0 ? static_cast<size_t>(length) : 0;
}

void SelectInPane(const EditorLink& link, size_t start, size_t end) {
  SendToPane(link, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

// The pane's length in its own bytes: the end of a selection of everything.
// Unlike WM_GETTEXTLENGTH and WM_GETTEXT it passes no text, so no conversion
// of text between processes can change it. False when the pane does not
// report the selection it was given (its start is not 0): such a pane, or
// one that has gone, cannot be measured this way. restore is selected
// afterwards.
bool MeasurePane(const EditorLink& link, PaneSelection restore, size_t& length) {
  SelectInPane(link, 0, static_cast<size_t>(-1));
  DWORD start = 1;
  DWORD end = 0;
  SendToPane(link, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SelectInPane(link, restore.start, restore.start + restore.length);
  length = end;
  return start == 0;
}

// The length of the pane's whole text: its own byte count where it can be
// measured, else its WM_GETTEXTLENGTH. Under Wine a WM_GETTEXTLENGTH from
// another process to a window of an ANSI class is counted from a WM_GETTEXT
// that Wine sends itself, so it comes out short for a pane that copies less
// than asked per WM_GETTEXT, and for a text ending in a lead byte; a read or
// an insertion sized by it would stop short or go on too long. The
// capture's exe-name child (busy) knows no selection messages. restore is
// selected afterwards.
size_t PaneByteCount(const EditorLink& link, PaneSelection restore) {
  size_t length = 0;
  if (!link.busy && MeasurePane(link, restore, length)) return length;
  return PaneTextLength(link);
}

// A zero-filled block for a text of n bytes and its NUL; null when memory
// runs out, or when n + 1 would wrap (a pane may report any length; one of
// 0xFFFFFFFF bytes would otherwise get a block of none in a 32-bit process).
char* AllocateText(const EditorLink& link, size_t n) {
  if (n == SIZE_MAX) return nullptr;
  return static_cast<char*>(AllocateBlock(link.heap, kHeapZeroMemory, n + 1));
}

// WM_GETTEXT of at most want bytes into buffer; the reply is trusted no
// further than what was asked for.
size_t CopyPaneText(const EditorLink& link, char* buffer, size_t want) {
  LRESULT copied = SendToPane(link, WM_GETTEXT, want + 1, reinterpret_cast<LPARAM>(buffer));
  if (copied <= 0) return 0;
  return static_cast<size_t>(copied) < want ? static_cast<size_t>(copied) : want;
}

HANDLE CreateSection(const EditorLink& link, size_t n) {
  char name[kFormatLimit];
  FormatText(name, "%s%u", kSectionNamePrefix, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(link.mainWindow)));
  return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(n + kSectionSlack),
                            name);
}

// The section is mapped a window at a time, each only around its copy: a
// text of hundreds of megabytes then needs no second stretch of address
// space as large as itself beside its copy on the heap, which a 32-bit
// process seldom has. A multiple of the 64 KB allocation granularity.
constexpr size_t kViewWindow = size_t(16) << 20;

// The window of the section from byte at, size bytes long; null when it
// cannot be mapped: the section is smaller (one of the same name that
// existed before is opened, not created, and may be smaller than this
// transfer), or no address space is left.
char* MapSectionWindow(HANDLE section, DWORD access, size_t at, size_t size) {
  uint64_t offset = at;
  return static_cast<char*>(
      MapViewOfFile(section, access, static_cast<DWORD>(offset >> 32), static_cast<DWORD>(offset), size));
}

size_t WindowAt(size_t at, size_t count) { return count - at < kViewWindow ? count - at : kViewWindow; }

bool SectionHolds(HANDLE section, size_t need) {
  size_t last = (need - 1) / kViewWindow * kViewWindow;
  char* view = MapSectionWindow(section, FILE_MAP_READ, last, need - last);
  if (!view) return false;
  UnmapViewOfFile(view);
  return true;
}

bool CopyIntoSection(HANDLE section, const char* text, size_t count) {
  for (size_t at = 0; at < count; at += kViewWindow) {
    char* view = MapSectionWindow(section, FILE_MAP_WRITE, at, WindowAt(at, count));
    if (!view) return false;
    memcpy(view, text + at, WindowAt(at, count));
    UnmapViewOfFile(view);
  }
  return true;
}

bool CopyOutOfSection(HANDLE section, char* text, size_t count) {
  for (size_t at = 0; at < count; at += kViewWindow) {
    char* view = MapSectionWindow(section, FILE_MAP_READ, at, WindowAt(at, count));
    if (!view) return false;
    memcpy(text + at, view, WindowAt(at, count));
    UnmapViewOfFile(view);
  }
  return true;
}

// Every view is unmapped before the editor is told to take the text, so the
// two sides never hold it for writing at once.
bool WriteThroughSection(const EditorLink& link, HANDLE section, TransferScope scope, const char* text, size_t n) {
  if (!CopyIntoSection(section, text, n + 1)) return false;
  return SendToMain(link, EDM_IMPORTTEXT, scope, static_cast<LPARAM>(n)) != 0;
}

// The section's size is checked before the editor is asked to fill it; the
// views are mapped for the copy only after the editor has replied. The new
// section is all zeros, so a byte other than NUL just past the n measured
// bytes (copied too, into the text's terminator) means the editor wrote a
// longer text than it was measured to hold (a pane that could not be
// measured by its selection, whose WM_GETTEXTLENGTH came through a
// conversion that lost bytes). The first n bytes are then no text to write
// back, and the channel has not served the read.
bool ReadThroughSection(const EditorLink& link, HANDLE section, TransferScope scope, size_t n, char** text,
                        size_t* length) {
  if (!SectionHolds(section, n + 1)) return false;
  if (SendToMain(link, EDM_EXPORTTEXT, scope, 0) == 0) return false;
  char* buffer = AllocateText(link, n);
  if (!buffer) return false;
  if (!CopyOutOfSection(section, buffer, n + 1) || buffer[n] != '\0') {
    FreeBlock(link.heap, 0, buffer);
    return false;
  }
  *text = buffer;
  if (length) *length = n;
  return true;
}

// Takes back the d deletions of a chunked read and selects again what was
// selected before it.
void RestorePane(const EditorLink& link, unsigned deletions, PaneSelection before) {
  for (unsigned i = 0; i < deletions; ++i) SendToPane(link, EM_UNDO, 0, 0);
  SelectInPane(link, before.start, before.start + before.length);
}

// Whether the pane measurably holds other than length bytes; a pane that
// cannot be measured is taken at its word.
bool PaneHoldsOtherThan(const EditorLink& link, size_t length, PaneSelection restore) {
  size_t held = 0;
  return MeasurePane(link, restore, held) && held != length;
}

bool InsertThroughPane(const EditorLink& link, const char* text, size_t n, size_t fixed);

// The undos of a chunked read did not bring the document back (the editor
// keeps fewer undo steps than there were deletions, or someone typed in the
// meantime), so its front is missing. What was read is the whole document as
// it stood: it goes back the way a sorted text does.
void PutTextBack(const EditorLink& link, const char* text, size_t n, PaneSelection before) {
  SelectInPane(link, 0, static_cast<size_t>(-1));
  InsertThroughPane(link, text, n, 0);
  SelectInPane(link, before.start, before.start + before.length);
}

// Reads the pane's whole text through WM_GETTEXT. A text longer than one
// chunk is read from the front: each chunk read is deleted so that the next
// one stands at the start, and every deletion is undone afterwards. A text
// that stops coming before it is complete is no text: handing out a part of
// it would have the caller replace the document with that part. Nor is a
// text whose length differs from the pane's own byte count: it changed on
// its way here (a transport that converts through Unicode drops or replaces
// bytes that are no code page 932 character), and writing it back would
// change the document. The capture's read of the exe-name child (busy) is
// exempt: that window knows no selection messages. A text read whole whose
// deletions the undos did not take back is put back before the read fails.
char* ReadPaneText(const EditorLink& link, size_t* length) {
  PaneSelection before = ReadPaneSelection(link);
  size_t n = PaneByteCount(link, before);
  char* buffer = AllocateText(link, n);
  if (!buffer) return nullptr;
  size_t copied = CopyPaneText(link, buffer, n < kChunk ? n : kChunk);
  size_t pos = copied;
  unsigned deletions = 0;
  while (pos < n && copied > 0) {
    SelectInPane(link, 0, copied);
    SendToPane(link, WM_CLEAR, 0, 0);
    ++deletions;
    size_t want = copied < n - pos ? copied : n - pos;
    copied = CopyPaneText(link, buffer + pos, want);
    pos += copied;
  }
  buffer[pos] = '\0';
  if (deletions > 0) RestorePane(link, deletions, before);
  if (pos < n || (!link.busy && PaneHoldsOtherThan(link, pos, before))) {
    if (pos == n && deletions > 0) PutTextBack(link, buffer, n, before);
    FreeBlock(link.heap, 0, buffer);
    return nullptr;
  }
  if (length) *length = pos;
  return buffer;
}

// Size of the pane's text after an insertion beyond a fixed part of it;
// 0 when the pane holds less than that part.
size_t InsertedSoFar(const EditorLink& link, size_t fixed) {
  size_t length = PaneByteCount(link, ReadPaneSelection(link));
  return length > fixed ? length - fixed : 0;
}

// EM_REPLACESEL of text[from, end); a piece that ends before the text's
// end goes through a copy that ends there.
void InsertPiece(const EditorLink& link, const char* text, size_t from, size_t end, size_t n) {
  static char piece[kInsertPiece + 1];
  const char* offered = text + from;
  if (end < n) {
    memcpy(piece, offered, end - from);
    piece[end - from] = '\0';
    offered = piece;
  }
  SendToPane(link, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(offered));
}

// EM_REPLACESEL at the caret, a piece at a time, repeated with the rest of
// the text while the pane keeps taking it; fixed is the length of the text
// around the insertion. An insertion that adds nothing ends it. False when
// the pane did not take the first insertion at all: one that takes it
// leaves the caret after what it inserted, so a selection still standing
// means that the message never reached it (under Wine, when this process
// has no memory left to convert the text on its way). Its text is then as
// it was, which a measure of its length cannot tell from a sorted text of
// the same length.
bool InsertThroughPane(const EditorLink& link, const char* text, size_t n, size_t fixed) {
  InsertPiece(link, text, 0, PieceEnd(text, 0, n), n);
  if (ReadPaneSelection(link).length > 0) return false;
  size_t inserted = InsertedSoFar(link, fixed);
  size_t added = inserted;
  while (inserted < n && added != 0) {
    InsertPiece(link, text, inserted, PieceEnd(text, inserted, n), n);
    size_t now = InsertedSoFar(link, fixed);
    added = now > inserted ? now - inserted : 0;
    inserted += added;
  }
  return true;
}

}  // namespace

bool CanUseSharedMemory(const EditorLink& link) {
  return !link.busy && link.packedVersion >= kVersionWithChannel;
}

bool CanAskSelectionKind(const EditorLink& link) { return link.packedVersion >= kVersionWithSelectionKind; }

bool TransferViaSharedMemory(const EditorLink& link, TransferDirection direction, TransferScope scope,
                             const char* textIn, char** textOut, size_t* lengthOut) {
  if (!CanUseSharedMemory(link)) return false;
  size_t n = 0;
  if (direction == kWriteToEditor) {
    n = strlen(textIn);
  } else {
    PaneSelection selection = ReadPaneSelection(link);
    n = scope == kScopeWholeText ? PaneByteCount(link, selection) : selection.length;
  }
  if (n > kMaxTransfer) return false;
  HANDLE section = CreateSection(link, n);
  if (!section) return false;
  bool served = direction == kWriteToEditor ? WriteThroughSection(link, section, scope, textIn, n)
                                            : ReadThroughSection(link, section, scope, n, textOut, lengthOut);
  CloseHandle(section);
  return served;
}

size_t MeasureWholeText(const EditorLink& link) { return PaneByteCount(link, ReadPaneSelection(link)); }

int32_t GetSelectionKind(const EditorLink& link) {
  if (!CanAskSelectionKind(link)) return ReadPaneSelection(link).length == 0 ? -1 : 0;
  int32_t reply = static_cast<int32_t>(SendToMain(link, EDM_GETSELECTIONKIND, 0, 0));
  return reply < -1 || reply > 1 ? kSelectionKindUnknown : reply;
}

char* ReadWholeText(const EditorLink& link, size_t* length) {
  char* text = nullptr;
  if (TransferViaSharedMemory(link, kReadFromEditor, kScopeWholeText, nullptr, &text, length)) return text;
  return ReadPaneText(link, length);
}

// Falls back to the whole text and cuts the selection out of it by the
// length that was read, which a NUL before the selection does not shorten.
// The move stays within that text, whatever selection the pane reports.
char* ReadSelection(const EditorLink& link, size_t* length) {
  char* text = nullptr;
  if (TransferViaSharedMemory(link, kReadFromEditor, kScopeSelection, nullptr, &text, length)) return text;
  PaneSelection selection = ReadPaneSelection(link);
  size_t whole = 0;
  text = ReadWholeText(link, &whole);
  if (!text) return nullptr;
  size_t start = selection.start < whole ? selection.start : whole;
  size_t k = selection.length < whole - start ? selection.length : whole - start;
  memmove(text, text + start, k);
  text[k] = '\0';
  if (length) *length = k;
  char* shrunk = static_cast<char*>(ReallocateBlock(link.heap, kHeapZeroMemory, text, k + 1));
  return shrunk ? shrunk : text;
}

// An import that the editor served may still have stopped short, hence the
// measure afterwards on both transports.
WriteOutcome ReplaceWholeText(const EditorLink& link, const char* text) {
  size_t n = strlen(text);
  if (!TransferViaSharedMemory(link, kWriteToEditor, kScopeWholeText, text, nullptr, nullptr)) {
    SelectInPane(link, 0, static_cast<size_t>(-1));
    if (!InsertThroughPane(link, text, n, 0)) return WriteOutcome::kNotTaken;
  }
  return PaneHoldsOtherThan(link, n, ReadPaneSelection(link)) ? WriteOutcome::kShort : WriteOutcome::kWhole;
}

// Whichever way the text went in, it ends selected from the old selection
// start over its own byte length. The pane must then hold the text around
// the old selection and the new text, measured the same way before and
// after.
WriteOutcome ReplaceSelection(const EditorLink& link, const char* text) {
  PaneSelection selection = ReadPaneSelection(link);
  size_t n = strlen(text);
  size_t before = 0;
  bool measured = MeasurePane(link, selection, before);
  if (!TransferViaSharedMemory(link, kWriteToEditor, kScopeSelection, text, nullptr, nullptr)) {
    size_t length = measured ? before : PaneTextLength(link);
    if (!InsertThroughPane(link, text, n, length > selection.length ? length - selection.length : 0))
      return WriteOutcome::kNotTaken;
  }
  size_t around = before > selection.length ? before - selection.length : 0;
  bool whole = !measured || !PaneHoldsOtherThan(link, around + n, selection);
  SelectInPane(link, selection.start, selection.start + n);
  return whole ? WriteOutcome::kWhole : WriteOutcome::kShort;
}

void PlaceCaret(const EditorLink& link, uint32_t position) { SelectInPane(link, position, position); }

void GoToLine(const EditorLink& link, uint32_t line) {
  SendToMain(link, EDM_GOTOLINE, static_cast<WPARAM>(line) + 1, 0);
}
