#include "app/run.h"

#include <windows.h>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "editor/capture.h"
#include "editor/exchange.h"
#include "platform/message_box.h"
#include "res/texts.h"
#include "sort/sort_text.h"
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

void ShowError(const EditorLink& link, const char* text) {
  ShowMessageBox(link.mainWindow, text, kBoxOk | kBoxIconError);
}

// A selection stays selected over the sorted text; a whole document leaves
// the caret at its start.
void WriteBack(EditorLink& link, const char* sorted, bool useSelection) {
  if (useSelection) {
    ReplaceSelection(link, sorted);
    return;
  }
  ReplaceWholeText(link, sorted);
  PlaceCaret(link, 0);
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

// Hands the duplicate lines to a newly started editor. Only a main window of
// that very process is captured, so the user's first editor is never taken
// for it, however slowly the new one comes up.
void ExtractDuplicates(EditorLink& first, const char* duplicates) {
  PROCESS_INFORMATION process = {};
  if (!StartNewEditor(first.exePath, process)) {
    ShowError(first, kTextNewEditorStartFailed);
    return;
  }
  WaitForInputIdle(process.hProcess, INFINITE);
  EditorLink second = {};
  CaptureEditorOfProcess(second, process.dwProcessId);
  if (IsEmpty(second)) {
    ShowError(first, kTextNewEditorCaptureFailed);
  } else {
    ReplaceWholeText(second, duplicates);
    GoToLine(second, 0);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  ReleaseLink(second);
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

  bool useSelection = GetSelectionKind(app.link) != -1;
  char* text = useSelection ? ReadSelection(app.link) : ReadWholeText(app.link);
  if (!text) {
    ShowError(app.link, kTextReadFailed);
    return EndRun(app, kExitReadFailed);
  }
  char* duplicates = nullptr;
  if (!SortText(app.link, text, duplicates)) return EndRun(app, kExitNotSorted);

  WriteBack(app.link, text, useSelection);
  if (g_sortOptions.ExtractDuplicateLine) ExtractDuplicates(app.link, duplicates);
  MessageBeep(0);
  return EndRun(app, kExitSorted);
}
