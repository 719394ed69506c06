// The whole run of Ordwell.exe under Wine against the stand-in editor, once
// through the shared-memory channel (a 0.73.0.1 editor) and once through the
// edit-control messages (a 0.72.0.5 editor), against ordwell-sort.exe on the
// same text, on documents of several sizes. Runs alternate; each cell is the
// median wall time from process start to exit. A straight line fitted through the medians of each program splits
// its time into a fixed cost and a cost per MB (10^6 bytes); the last column
// is that cost per MB as a multiple of ordwell-sort.exe's. The editor's text after each run must
// equal ordwell-sort's output byte for byte.
//
// Each program's peak working set on the largest document is its largest
// PeakWorkingSetSize seen while it ran (asked every 10 ms: Wine answers it
// for a live process only).
//
// Usage: wine_bench ORDWELL_SORT_EXE RUNS "SWITCHES" DOCUMENT...
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/ordwell_run.h"

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

HANDLE OpenInherited(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One run: wall seconds from process start to exit. (CPU times are not
// given: under Wine, GetProcessTimes reports more CPU time than wall time
// for these one-thread programs.)
struct Timing {
  bool ok;
  double wall;
  double peakMb;
};

// Waits for a process to end, its peak working set noted on the way.
double WaitNotingPeak(HANDLE process, DWORD timeoutMs) {
  SIZE_T peak = 0;
  for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (GetProcessMemoryInfo(process, &counters, sizeof counters)) peak = std::max(peak, counters.PeakWorkingSetSize);
    if (WaitForSingleObject(process, 10) != WAIT_TIMEOUT) break;
  }
  return double(peak) / 1e6;
}

// One ordwell-sort.exe run, standard input from the document, standard
// output into outPath.
Timing TimeFilter(const std::string& exe, const std::string& switches, const std::string& document,
                  const std::string& outPath) {
  HANDLE in = OpenInherited(document, false), out = OpenInherited(outPath, true);
  std::string line = "\"" + exe + "\" " + switches;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info = {};
  double start = Now();
  BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  CloseHandle(in);
  CloseHandle(out);
  if (!started) return {false, 0, 0};
  double peak = WaitNotingPeak(info.hProcess, 120000);
  Timing timing = {true, Now() - start, peak};
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  timing.ok = code == 0;
  return timing;
}

// One Ordwell.exe run against a fresh editor holding text; not ok when it
// failed or left another text than expected.
Timing TimeOrdwell(StandinVariant variant, const std::string& switches, const std::string& text,
                   const std::string& expected) {
  Standin editor;
  if (!StartEditor(variant, "", text, &editor)) return {false, 0, 0};
  OrdwellRun run;
  double start = Now();
  if (!StartOrdwell(switches, &run)) return {false, 0, 0};
  double peak = WaitNotingPeak(run.process, 120000);  // a box left open is found below
  OrdwellEnd end = WaitForOrdwellEnd(run, 1000);
  Timing timing = {true, Now() - start, peak};
  StopOrdwell(&run);
  std::string after;
  bool same = ReadStandinText(editor, &after) && after == expected;
  StopAllStandins();
  if (!end.exited || end.exitCode != 0 || !same) {
    std::fprintf(stderr, "wine_bench: run failed (exit %d, box '%s', text %s)\n", end.exitCode,
                 end.strayBox.c_str(), same ? "same" : "different");
    timing.ok = false;
  }
  return timing;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// One measure of one program: a median per document, and the line through them.
struct Series {
  std::vector<double> medians;
  double fixed = 0;  // seconds
  double perMb = 0;  // seconds per 10^6 bytes
};

struct Row {
  const char* name = "";
  Series wall;
  double peakMb = 0;  // on the last (largest) document
};

// Least squares through (MB, seconds).
void FitLine(const std::vector<double>& mb, Series& series) {
  double n = double(mb.size()), sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = 0; i < mb.size(); ++i) {
    sx += mb[i];
    sy += series.medians[i];
    sxx += mb[i] * mb[i];
    sxy += mb[i] * series.medians[i];
  }
  double d = n * sxx - sx * sx;
  series.perMb = d != 0 ? (n * sxy - sx * sy) / d : 0;
  series.fixed = (sy - series.perMb * sx) / n;
}

// Times every program on one document; false when a run failed.
bool MeasureDocument(const std::string& filter, const std::string& switches, const std::string& document, int runs,
                     Row (&rows)[3]) {
  std::string text = ReadFileBytes(document);
  std::string outPath = document + ".sorted";
  if (!TimeFilter(filter, switches, document, outPath).ok) {
    std::fprintf(stderr, "wine_bench: ordwell-sort failed\n");
    return false;
  }
  std::string expected = ReadFileBytes(outPath);
  std::vector<Timing> timings[3];
  for (int r = 0; r < runs; ++r) {
    timings[0].push_back(TimeFilter(filter, switches, document, outPath));
    timings[1].push_back(TimeOrdwell(StandinVariant::k0_73_0_1, switches, text, expected));
    timings[2].push_back(TimeOrdwell(StandinVariant::k0_72_0_5, switches, text, expected));
    for (const std::vector<Timing>& t : timings)
      if (!t.back().ok) return false;
  }
  DeleteFileA(outPath.c_str());
  for (int i = 0; i < 3; ++i) {
    std::vector<double> wall;
    rows[i].peakMb = 0;
    for (const Timing& t : timings[i]) {
      wall.push_back(t.wall);
      rows[i].peakMb = std::max(rows[i].peakMb, t.peakMb);
    }
    rows[i].wall.medians.push_back(Median(wall));
  }
  return true;
}

void PrintTable(const std::vector<double>& mb, const std::string& switches, const Row (&rows)[3]) {
  std::printf("| under Wine, %s build, %s |", sizeof(void*) == 8 ? "x86_64" : "i686 (shipped)", switches.c_str());
  for (double m : mb) std::printf(" %.1f MB s |", m);
  std::printf(" fixed s | s per MB | per MB / ordwell-sort.exe's | peak MB at %.1f MB |\n|---|", mb.back());
  for (size_t i = 0; i < mb.size(); ++i) std::printf("---:|");
  std::printf("---:|---:|---:|---:|\n");
  for (const Row& row : rows) {
    std::printf("| %s |", row.name);
    for (double t : row.wall.medians) std::printf(" %.2f |", t);
    std::printf(" %.3f | %.4f | %.2f | %.0f |\n", row.wall.fixed, row.wall.perMb, row.wall.perMb / rows[0].wall.perMb,
                row.peakMb);
  }
}

std::string WindowsPath(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: wine_bench ORDWELL_SORT_EXE RUNS \"SWITCHES\" DOCUMENT...\n");
    return 2;
  }
  std::string filter = WindowsPath(argv[1]);
  int runs = std::max(1, atoi(argv[2]));
  std::string switches = argv[3];
  Row rows[3];
  rows[0].name = "ordwell-sort.exe (file in, file out)";
  rows[1].name = "Ordwell.exe, shared-memory channel (editor 0.73.0.1)";
  rows[2].name = "Ordwell.exe, edit-control messages (editor 0.72.0.5)";
  std::vector<double> mb;
  for (int i = 4; i < argc; ++i) {
    mb.push_back(double(ReadFileBytes(argv[i]).size()) / 1e6);
    if (!MeasureDocument(filter, switches, argv[i], runs, rows)) return 1;
  }
  for (Row& row : rows) FitLine(mb, row.wall);
  PrintTable(mb, switches, rows);
  return 0;
}
