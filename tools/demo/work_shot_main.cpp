// The work window, with the wait cursor over it, that a run of Ordwell.exe
// shows over the editor while it works on a large document, for
// tools/work-window-shot.sh: the run is started on the stand-in editor, the
// pointer put over the work window once it shows, and the screen's owner
// (the script, which can see the X cursor) is told through files in
// MARKER_DIR when to take its pictures: "during" while the run works,
// "after" once it has ended. It answers by creating "during.taken" and
// "after.taken".
//
// Usage: ordwell_work_shot ORDWELL_EXE MARKER_DIR
// Prints the editor window's rectangle and how the run went.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/ordwell_run.h"
#include "tests/support/deadline.h"

namespace {

// About 80 MB of numbered lines in a scrambled order: a run of some seconds.
std::string LargeDocument() {
  std::string text;
  const unsigned count = 2000000;
  text.reserve(size_t(count) * 42);
  char line[64];
  for (unsigned i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "%010u line of the document to sort ....\r\n", i * 1000003u % count);
    text += line;
  }
  return text;
}

bool Signal(const std::string& dir, const char* name) {
  HANDLE file = CreateFileA((dir + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool Answered(const std::string& dir, const std::string& name) {
  return WaitFor([&] { return GetFileAttributesA((dir + "\\" + name + ".taken").c_str()) != INVALID_FILE_ATTRIBUTES; },
                 30000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ordwell_work_shot ORDWELL_EXE MARKER_DIR\n");
    return 2;
  }
  UseOrdwellExe(argv[1]);
  std::string dir = argv[2];
  Standin editor;
  if (!StartEditor(StandinVariant::k0_73_0_1, "--title=Morvane", LargeDocument(), &editor)) {
    std::fprintf(stderr, "work-shot: the stand-in editor did not come up\n");
    return 1;
  }
  RECT window;
  GetWindowRect(editor.mainWindow, &window);
  std::printf("editor %ld %ld %ld %ld\n", window.left, window.top, window.right, window.bottom);
  OrdwellRun run;
  if (!StartOrdwell("/A /T", &run)) return std::fprintf(stderr, "work-shot: no run\n"), 1;
  HWND work = nullptr;
  WaitFor([&] { return (work = FindWorkWindow(run)) || WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0; }, 20000);
  RECT place = {};
  if (work && GetWindowRect(work, &place)) SetCursorPos(place.left + 24, (place.top + place.bottom) / 2);
  std::printf("work window: %s; the editor %s the foreground\n", work ? "shown" : "NOT SHOWN",
              GetForegroundWindow() == editor.mainWindow ? "keeps" : "LOST");
  bool during = work && Signal(dir, "during") && Answered(dir, "during");
  OrdwellEnd end = WaitForOrdwellEnd(run, 120000);
  std::printf("exit code %d\n", end.exitCode);
  bool after = Signal(dir, "after") && Answered(dir, "after");
  StopOrdwell(&run);
  StopStandin(&editor);
  return during && after && end.exitCode == 0 ? 0 : 1;
}
