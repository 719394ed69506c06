#include "app/run.h"

#include <windows.h>

#include "app/app_record.h"
#include "app/work_window.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "editor/capture.h"
#include "editor/exchange.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/sort_text.h"
#include "sort/sortable_text.h"
#include "ui/options_dialog.h"

namespace {

const int kDialogCancelled = 2;  // Cancel, Esc, the close box, or no dialog at all

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA as the system expects it");
#endif

// Every way out after the command line was split releases both, in this order.
int EndRun(AppRecord& app, int exitCode) {
  ReleaseArgList(app.args);
  ReleaseLink(app.link);
  return exitCode;
}

// A box owned by a window that has gone would not show at all: an editor
// that closed during the run leaves its box without an owner.
void ShowError(const EditorLink& link, const char* text) {
  HWND owner = static_cast<HWND>(link.mainWindow);
  ShowMessageBox(owner && IsWindow(owner) ? owner : nullptr, text, kBoxOk | kBoxIconError);
}

// An editor closed during the run answers nothing, and a write-back to it
// would be taken at its word: it is looked at instead.
bool EditorIsGone(const EditorLink& link) {
  return !IsWindow(static_cast<HWND>(link.mainWindow)) || !IsWindow(static_cast<HWND>(link.editPane));
}

// With both set, the duplicate lines leave the document for a new editor:
// once the sorted text is written back they are nowhere else.
bool MovesDuplicates() { return g_sortOptions.RemoveDuplicateLine && g_sortOptions.ExtractDuplicateLine; }

// A selection stays selected over the sorted text; a whole document leaves
// the caret at its start (also when it was not taken: nothing stays
// selected that the user's next key would replace).
WriteOutcome WriteBack(EditorLink& link, const char* sorted, bool useSelection) {
  if (useSelection) return ReplaceSelection(link, sorted);
  WriteOutcome outcome = ReplaceWholeText(link, sorted);
  PlaceCaret(link, 0);
  return outcome;
}

bool StartNewEditor(const char* exePath, PROCESS_INFORMATION& process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  const DWORD kFlags = CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS;
  return CreateProcessA(exePath, nullptr, nullptr, nullptr, TRUE, kFlags, nullptr, nullptr, &startup,
                        &process) != 0;
}

// Hands the duplicate lines to a newly started editor; the message of the
// step that failed, or null when the new editor holds them whole. Only a
// main window of that very process is captured, so the user's first editor
// is never taken for it, however slowly the new one comes up.
const char* ExtractDuplicates(const EditorLink& first, const char* duplicates) {
  PROCESS_INFORMATION process = {};
  if (!StartNewEditor(first.exePath, process)) return kTextNewEditorStartFailed;
  WaitForInputIdle(process.hProcess, INFINITE);
  EditorLink second = {};
  CaptureEditorOfProcess(second, process.dwProcessId);
  const char* failed = nullptr;
  if (IsEmpty(second)) {
    failed = kTextNewEditorCaptureFailed;
  } else {
    if (ReplaceWholeText(second, duplicates) != WriteOutcome::kWhole) failed = kTextNewEditorWriteFailed;
    GoToLine(second, 0);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  ReleaseLink(second);
  return failed;
}

// Two runs on one editor must not interleave: the chunked read of one
// deletes text from the front of the pane that the other would then read,
// sort and write back without it. Runs on the same main window take turns
// through a mutex named after it, from the read to the end of the
// write-back. A run that cannot have its turn within the wait reads nothing.
const DWORD kTurnWaitMilliseconds = 30000;

HANDLE TakeEditorTurn(const EditorLink& link) {
  char name[kFormatLimit];
  FormatText(name, "Ordwell_Turn_%u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(link.mainWindow)));
  HANDLE turn = CreateMutexA(nullptr, FALSE, name);
  if (!turn) return nullptr;
  DWORD waited = WaitForSingleObject(turn, kTurnWaitMilliseconds);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return turn;  // abandoned: that run has ended
  CloseHandle(turn);
  return nullptr;
}

void EndEditorTurn(HANDLE turn) {
  ReleaseMutex(turn);
  CloseHandle(turn);
}

// How the work on the editor's text ended: the exit code and the message
// to show, if any.
struct WorkEnd {
  int exitCode;
  const char* message;
};

// Reads the text, sorts it and writes it back. A text with a NUL among the
// bytes to sort is no text: the sort would cut it at the NUL and write the
// rest of the document away. A sorted text that the editor never took ends
// the run as a sort without memory does: nothing was written. The sort
// shows its own out-of-memory message. Duplicate lines that leave the
// document go to the new editor first, and the sorted text without them is
// written back only once it holds them all; else nothing is written. An
// editor gone before the write-back took nothing; one gone during it may
// have taken a part, and its document went with it.
WorkEnd ReadSortWrite(AppRecord& app, char*& duplicates, WorkWindow& work) {
  bool useSelection = GetSelectionKind(app.link) != -1;
  size_t length = 0;
  char* text = useSelection ? ReadSelection(app.link, &length) : ReadWholeText(app.link, &length);
  if (!text || !IsSortableText(text, length)) return {kExitReadFailed, kTextReadFailed};
  if (!work.window && HasManyLines(text, length)) work = ShowWorkWindow(app.link);
  if (!SortText(app.link, text, duplicates)) return {kExitNotSorted, nullptr};
  if (MovesDuplicates()) {
    if (const char* failed = ExtractDuplicates(app.link, duplicates)) return {kExitNotSorted, failed};
  }
  if (EditorIsGone(app.link)) return {kExitNotSorted, kTextEditorGone};
  WriteOutcome outcome = WriteBack(app.link, text, useSelection);
  if (EditorIsGone(app.link)) return {kExitNotWrittenBack, kTextEditorGone};
  switch (outcome) {
    case WriteOutcome::kNotTaken: return {kExitNotSorted, kTextOutOfMemory};
    case WriteOutcome::kShort: return {kExitNotWrittenBack, kTextWriteBackFailed};
    case WriteOutcome::kWhole: break;
  }
  return {kExitSorted, nullptr};
}

// The work, in the editor's turn, with the work window over the editor
// when the document is large or has many lines; the exit code. Both end before a failure
// message, so that a run waiting behind this one need not wait for the
// user, and the user is not told of work while the tool waits for them.
int SortInTurn(AppRecord& app, char*& duplicates) {
  HANDLE turn = TakeEditorTurn(app.link);
  if (!turn) {
    ShowError(app.link, kTextReadFailed);
    return kExitReadFailed;
  }
  WorkWindow work = {};
  if (IsLargeDocument(MeasureWholeText(app.link), CanUseSharedMemory(app.link))) work = ShowWorkWindow(app.link);
  WorkEnd end = ReadSortWrite(app, duplicates, work);
  CloseWorkWindow(work);
  EndEditorTurn(turn);
  if (end.message) ShowError(app.link, end.message);
  return end.exitCode;
}

}  // namespace

int RunOrdwell(void* instance) {
  static AppRecord app;  // the scratch buffer is large for a stack frame
  app = AppRecord{};
  CaptureEditor(app.link);
  BuildArgList(app.args);
  if (IsEmpty(app.link)) {
    ShowError(app.link, kTextCaptureFailed);
    return EndRun(app, kExitNoEditor);
  }
  ParseSwitches(app);
  if (g_sortOptions.ShowOptionsDialog &&
      RunOptionsDialog(app, static_cast<HINSTANCE>(instance)) == kDialogCancelled)
    return EndRun(app, kExitCancelled);

  char* duplicates = nullptr;
  int exitCode = SortInTurn(app, duplicates);
  if (exitCode != kExitSorted) return EndRun(app, exitCode);
  if (g_sortOptions.ExtractDuplicateLine && !MovesDuplicates()) {
    if (const char* failed = ExtractDuplicates(app.link, duplicates)) ShowError(app.link, failed);
  }
  MessageBeep(0);
  return EndRun(app, kExitSorted);
}
