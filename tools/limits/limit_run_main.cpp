// One run of Ordwell.exe against a stand-in editor holding a large document,
// watched from outside: how it ended, how long each part of it took, how
// long the editor stood without answering, and what the editor holds
// afterwards (written to a file for the caller to compare). The editor is
// asked for its message counts every few milliseconds; a question that
// waits shows the editor busy with the tool's messages.
//
// Usage: limit_run ORDWELL_EXE STANDIN_DIR channel|messages DOCUMENT OUTPUT SWITCHES...
// Prints one line (the box texts in code page 932, the rest ASCII): exit,
// boxes, seconds (total, read, sort, write-back),
// the editor's longest silence, whether it answers afterwards, processes
// left behind, Ordwell's peak private bytes, whether its work window showed
// (and whether it still stood when a message box came), and the longest the
// work window took to answer a WM_NULL, asked from a thread of its own every
// few milliseconds while the window stood (when that wait began, how many
// were asked, how many took 100 ms or more).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "editor/editor_protocol.h"
#include "tests/e2e/ordwell_run.h"
#include "tests/support/deadline.h"
#include "tests/support/message_box_watch.h"
#include "tools/standin/standin_protocol.h"

namespace {

// Seconds, to the millisecond: the runs watched take from a tenth of a
// second to minutes.
double Now() { return double(GetTickCount64()) / 1000; }

// A question to the editor that may wait as long as the editor is busy.
bool Ask(HWND window, UINT message, WPARAM wParam, LRESULT* reply, UINT timeoutMs = 600000) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, timeoutMs, &result)) return false;
  *reply = LRESULT(result);
  return true;
}

// The messages of a read and of a write-back, as the stand-in counts them.
const UINT kReadMessages[] = {WM_GETTEXT, EM_UNDO, EDM_EXPORTTEXT};
const UINT kWriteMessages[] = {EM_REPLACESEL, EDM_IMPORTTEXT};

struct Poll {
  double sent, replied;
  LRESULT reads, writes;
};

bool PollEditor(HWND editor, Poll* poll) {
  poll->sent = Now();
  poll->reads = poll->writes = 0;
  LRESULT n = 0;
  for (UINT m : kReadMessages) {
    if (!Ask(editor, kStandinGetCount, m, &n)) return false;
    poll->reads += n;
  }
  for (UINT m : kWriteMessages) {
    if (!Ask(editor, kStandinGetCount, m, &n)) return false;
    poll->writes += n;
  }
  poll->replied = Now();
  return true;
}

struct Phases {
  double read = 0, sort = 0, write = 0;
};

// The read ends with the last poll whose read count changed before the
// write-back began; the write-back begins after the last poll that saw none
// of its messages.
Phases SplitPhases(const std::vector<Poll>& polls, double start, double end) {
  Phases phases;
  double readEnd = start, sortEnd = end;
  LRESULT lastReads = 0;
  for (size_t i = 0; i < polls.size(); ++i) {
    if (polls[i].writes > 0) {
      sortEnd = i > 0 ? polls[i - 1].replied : start;
      break;
    }
    if (polls[i].reads != lastReads) readEnd = polls[i].replied, lastReads = polls[i].reads;
  }
  sortEnd = std::max(sortEnd, readEnd);
  phases.read = readEnd - start;
  phases.sort = sortEnd - readEnd;
  phases.write = end - sortEnd;
  return phases;
}

bool SaveEditorText(HWND editor, const std::string& path) {
  ATOM atom = GlobalAddAtomA(path.c_str());
  LRESULT reply = 0;
  bool saved = atom && Ask(editor, kStandinSaveText, atom, &reply) && reply == 1;
  if (atom) GlobalDeleteAtom(atom);
  return saved;
}

double PeakVirtualMegabytes(HANDLE process, double peak) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters))
    peak = std::max(peak, double(counters.PagefileUsage) / (1 << 20));
  return peak;
}

// Asks the run's work window WM_NULL again and again until told to stop;
// the longest wait for an answer, of a window that was still there after it.
struct WorkPings {
  const OrdwellRun* run;
  double start;
  volatile LONG stop;
  double longest, longestAt;  // the longest wait, and when it began (seconds into the run)
  unsigned count, slow;       // waits in all, and those of 100 ms or more
};

DWORD WINAPI PingWorkWindow(void* parameter) {
  WorkPings* pings = static_cast<WorkPings*>(parameter);
  while (!pings->stop) {
    HWND work = FindWorkWindow(*pings->run);
    if (work) {
      double sent = Now();
      DWORD_PTR ignored = 0;
      bool answered = SendMessageTimeoutA(work, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &ignored) != 0;
      double waited = Now() - sent;
      if (answered || IsWindow(work)) {
        if (waited > pings->longest) pings->longest = waited, pings->longestAt = sent - pings->start;
        ++pings->count;
        if (waited >= 0.1) ++pings->slow;
      }
    }
    Sleep(2);
  }
  return 0;
}

struct Watched {
  int exitCode = 0;
  bool exited = false;
  bool workShown = false;      // the run's work window showed over the editor
  bool workBesideBox = false;  // ... and still did when a message box came
  std::string boxes;
  double total = 0, silence = 0, peakMegabytes = 0, workSilence = 0, workSilenceAt = 0;
  unsigned workPings = 0, workSlow = 0;
  Phases phases;
};

// Polls the editor and the run until the run ends; every box of the run is
// read and dismissed.
Watched WatchRun(const OrdwellRun& run, HWND editor, double start) {
  Watched w;
  std::vector<Poll> polls;
  WorkPings pings = {&run, start, 0, 0, 0, 0, 0};
  HANDLE pinger = CreateThread(nullptr, 0, PingWorkWindow, &pings, 0, nullptr);
  for (;;) {
    w.exited = WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0;
    double now = Now();
    if (w.exited || now - start > 3600) break;
    bool working = FindWorkWindow(run) != nullptr;
    w.workShown = w.workShown || working;
    // A box is read once its text is there, lest one caught while it comes
    // up be taken for a box without text.
    FoundMessageBox box;
    if (AnyMessageBox(run.processId)) {
      WaitFor([&] { return FindAnyMessageBox(run.processId, &box) && !box.text.empty(); }, 3000);
      if (box.window) {
        w.workBesideBox = w.workBesideBox || working;
        w.boxes += (w.boxes.empty() ? "" : " | ") + (box.text.empty() ? "(a box without text)" : box.text);
        DismissMessageBox(box.window, IDOK);
      }
    }
    w.peakMegabytes = PeakVirtualMegabytes(run.process, w.peakMegabytes);
    Poll poll;
    if (PollEditor(editor, &poll)) {
      polls.push_back(poll);
      w.silence = std::max(w.silence, poll.replied - poll.sent);
    }
    Sleep(10);
  }
  double end = Now();
  InterlockedExchange(&pings.stop, 1);
  if (pinger) {
    WaitForSingleObject(pinger, INFINITE);
    CloseHandle(pinger);
  }
  w.workSilence = pings.longest;
  w.workSilenceAt = pings.longestAt;
  w.workPings = pings.count;
  w.workSlow = pings.slow;
  DWORD code = 0;
  if (w.exited && GetExitCodeProcess(run.process, &code)) w.exitCode = int(code);
  w.total = end - start;
  w.phases = SplitPhases(polls, start, end);
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: limit_run ORDWELL_EXE STANDIN_DIR channel|messages DOCUMENT OUTPUT SWITCHES...\n");
    return 2;
  }
  UseOrdwellExe(argv[1]);
  UseStandinDir(argv[2]);
  StandinVariant variant = std::string(argv[3]) == "messages" ? StandinVariant::k0_72_0_5 : StandinVariant::k0_73_0_1;
  std::string switches;
  for (int i = 6; i < argc; ++i) switches += std::string(i > 6 ? " " : "") + argv[i];

  Standin editor;
  if (!StartStandin(variant, std::string("\"--file=") + argv[4] + "\"", &editor, true, 600000) ||
      !WaitForForeground(editor.mainWindow, 10000)) {
    std::fprintf(stderr, "limit_run: the stand-in did not come up\n");
    return 1;
  }
  LRESULT ignored = 0;
  Ask(editor.mainWindow, kStandinResetCounts, 0, &ignored);
  OrdwellRun run;
  double start = Now();
  if (!StartOrdwell(switches, &run)) return std::fprintf(stderr, "limit_run: Ordwell.exe did not start\n"), 1;
  Watched w = WatchRun(run, editor.mainWindow, start);
  size_t ordwellLeft = OrdwellProcessIds().size();
  StopOrdwell(&run);

  bool answers = Ask(editor.mainWindow, WM_NULL, 0, &ignored, 5000);
  bool saved = answers && SaveEditorText(editor.mainWindow, argv[5]);
  size_t editorsStarted = OtherStandinIds(editor.processId).size();
  StopStandin(&editor);
  StopAllStandins();
  std::printf("exit=%d total=%.2f read=%.2f sort=%.2f write=%.2f silence=%.2f answers=%s saved=%s "
              "ordwell_left=%u new_editors=%u peak_mb=%.0f work=%s%s work_silence=%.3f work_silence_at=%.1f "
              "work_pings=%u work_slow=%u boxes=\"%s\"\n",
              w.exited ? w.exitCode : 999, w.total, w.phases.read, w.phases.sort, w.phases.write, w.silence,
              answers ? "yes" : "no", saved ? "yes" : "no", unsigned(ordwellLeft), unsigned(editorsStarted),
              w.peakMegabytes, w.workShown ? "shown" : "none", w.workBesideBox ? ",BESIDE-BOX" : "", w.workSilence,
              w.workSilenceAt, w.workPings, w.workSlow, w.boxes.c_str());
  return 0;
}
