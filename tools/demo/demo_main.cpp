// The demo: starts the stand-in editor on a sample document, runs the real
// Ordwell.exe against it, and shows what happened: the text before and after
// (as UTF-8 for the terminal), the exit code, any message box, and a
// screenshot of the editor window afterwards. The user guide's examples and
// its picture are made with it too.
//
// Usage: ordwell_demo [OPTIONS] SAMPLE ORDWELL_EXE SCREENSHOT_BMP [SWITCHES...]
//   --before=BMP     also a screenshot of the editor before the run
//   --window=WxH     the editor window's size in pixels
//   --select=S,E     the editor starts with bytes S..E selected
//   --dialog-ok      the options dialog is confirmed with OK (else cancelled)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/message_box_watch.h"
#include "tests/support/standin_process.h"
#include "tools/demo/screen_picture.h"

namespace {

std::string ToUtf8(const std::string& cp932) {
  if (cp932.empty()) return "";
  int n = MultiByteToWideChar(932, 0, cp932.data(), int(cp932.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(932, 0, cp932.data(), int(cp932.size()), &wide[0], n);
  int m = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string utf8(m, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, &utf8[0], m, nullptr, nullptr);
  return utf8;
}

void PrintText(const char* title, const std::string& cp932) {
  std::printf("--- %s (%u bytes)\n", title, unsigned(cp932.size()));
  std::string utf8 = ToUtf8(cp932);
  for (size_t i = 0; i < utf8.size(); ++i)
    if (utf8[i] != '\r') std::putchar(utf8[i]);
  if (!utf8.empty() && utf8.back() != '\n') std::putchar('\n');
}

struct DemoOptions {
  std::string beforePicture;
  int width = 0;  // 0: the editor's own size
  int height = 0;
  std::string standinOptions = "--title=Morvane";
  bool dialogOk = false;
};

// False when arg is no option of the demo.
bool ReadDemoOption(const char* arg, DemoOptions& options) {
  const size_t n = 9;  // each option with a value is 9 bytes up to its '='
  if (std::strncmp(arg, "--before=", n) == 0) options.beforePicture = arg + n;
  else if (std::strncmp(arg, "--window=", n) == 0) return std::sscanf(arg + n, "%dx%d", &options.width, &options.height) == 2;
  else if (std::strncmp(arg, "--select=", n) == 0) options.standinOptions += std::string(" ") + arg;
  else if (std::strcmp(arg, "--dialog-ok") == 0) options.dialogOk = true;
  else return false;
  return true;
}

// The leading options; returns the index of the first other argument, or 0
// when an option is unknown.
int ReadDemoOptions(int argc, char** argv, DemoOptions& options) {
  int i = 1;
  for (; i < argc && std::strncmp(argv[i], "--", 2) == 0; ++i)
    if (!ReadDemoOption(argv[i], options)) return 0;
  return i;
}

// The options dialog has a caption of its own; message boxes have "Ordwell".
bool IsOptionsDialog(const FoundMessageBox& box) { return box.caption != "Ordwell"; }

// Runs Ordwell.exe and waits for it, reading and closing any message box it
// shows so that the demo never hangs on one.
DWORD RunOrdwell(const std::string& exe, const std::string& switches, HWND editorWindow, bool dialogOk) {
  std::string commandLine = "\"" + exe + "\" " + switches;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 0xDEADu;
  for (int waited = 0; WaitForSingleObject(info.hProcess, 100) == WAIT_TIMEOUT && waited < 60000; waited += 100) {
    FoundMessageBox box;
    if (AnyMessageBox(info.dwProcessId) && (FindMessageBox(editorWindow, info.dwProcessId, 0, &box) ||
                                            FindMessageBox(nullptr, info.dwProcessId, 0, &box))) {
      if (IsOptionsDialog(box)) {
        std::printf("--- Ordwell showed its options dialog: %s\n", dialogOk ? "OK" : "Cancel");
        DismissMessageBox(box.window, dialogOk ? IDOK : IDCANCEL);
        continue;
      }
      std::printf("--- Ordwell showed: %s\n", ToUtf8(box.text).c_str());
      DismissMessageBox(box.window, IDCANCEL);
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return code;
}

// The editor window as it stands on the screen, once it has painted.
bool SaveEditorPicture(HWND window, const std::string& path) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT area = {};
  return GetWindowRect(window, &area) && SaveScreenPicture(CopyScreenArea(area), path);
}

}  // namespace

int main(int argc, char** argv) {
  DemoOptions options;
  int first = ReadDemoOptions(argc, argv, options);
  if (first == 0 || argc - first < 3) {
    std::fprintf(stderr, "usage: ordwell_demo [OPTIONS] SAMPLE ORDWELL_EXE SCREENSHOT_BMP [SWITCHES...]\n");
    return 2;
  }
  // The tool splits its command line at every slash, quoted or not, so its
  // own path must be written with backslashes.
  std::string ordwell = argv[first + 1];
  for (char& c : ordwell)
    if (c == '/') c = '\\';
  std::string switches;
  for (int i = first + 3; i < argc; ++i) switches += std::string(i > first + 3 ? " " : "") + argv[i];
  Standin editor;
  if (!StartStandin(StandinVariant::k0_73_0_1, options.standinOptions + " --file=" + argv[first], &editor)) {
    std::fprintf(stderr, "demo: the stand-in editor did not come up\n");
    return 1;
  }
  if (options.width > 0) MoveWindow(editor.mainWindow, 20, 20, options.width, options.height, TRUE);
  std::string before, after;
  ReadStandinText(editor, &before);
  PrintText("Before", before);
  if (!options.beforePicture.empty()) SaveEditorPicture(editor.mainWindow, options.beforePicture);
  std::printf("--- Running Ordwell.exe %s\n", switches.c_str());
  DWORD code = RunOrdwell(ordwell, switches, editor.mainWindow, options.dialogOk);
  std::printf("--- Exit code: %ld\n", long(LONG(code)));
  ReadStandinText(editor, &after);
  PrintText("After", after);
  for (DWORD id : StandinProcessIds()) {
    if (id == editor.processId) continue;
    Standin second;
    std::string duplicates;
    if (AttachStandin(id, &second, 5000) && ReadStandinText(second, &duplicates))
      PrintText("Duplicates, in the new editor instance", duplicates);
    StopStandin(&second);
  }
  bool saved = SaveEditorPicture(editor.mainWindow, argv[first + 2]);
  StopStandin(&editor);
  return saved && LONG(code) == 0 ? 0 : 1;
}
