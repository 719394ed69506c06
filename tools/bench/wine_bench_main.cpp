// The whole run of Ordwell.exe under Wine against the stand-in editor, once
// through the shared-memory channel (a 0.73.0.1 editor) and once through the
// edit-control messages (a 0.72.0.5 editor), against ordwell-sort.exe on the
// same text. Runs alternate; each line gives the median wall time from
// process start to exit and its ratio to ordwell-sort.exe. The editor's text
// after each run must equal ordwell-sort's output byte for byte.
//
// Usage: wine_bench DOCUMENT ORDWELL_SORT_EXE RUNS SWITCHES...
#include <windows.h>

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

// Seconds for one ordwell-sort.exe run, standard input from the document,
// standard output into outPath; negative when it failed.
double TimeFilter(const std::string& exe, const std::string& switches, const std::string& document,
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
  if (!started) return -1;
  WaitForSingleObject(info.hProcess, 120000);
  double seconds = Now() - start;
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return code == 0 ? seconds : -1;
}

// Seconds for one Ordwell.exe run against a fresh editor holding text;
// negative when it failed or left another text than expected.
double TimeOrdwell(StandinVariant variant, const std::string& switches, const std::string& text,
                   const std::string& expected) {
  Standin editor;
  if (!StartEditor(variant, "", text, &editor)) return -1;
  OrdwellRun run;
  double start = Now();
  if (!StartOrdwell(switches, &run)) return -1;
  OrdwellEnd end = WaitForOrdwellEnd(run, 120000);
  double seconds = Now() - start;
  StopOrdwell(&run);
  std::string after;
  bool same = ReadStandinText(editor, &after) && after == expected;
  StopAllStandins();
  if (!end.exited || end.exitCode != 0 || !same) {
    std::fprintf(stderr, "wine_bench: run failed (exit %d, box '%s', text %s)\n", end.exitCode,
                 end.strayBox.c_str(), same ? "same" : "different");
    return -1;
  }
  return seconds;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: wine_bench DOCUMENT ORDWELL_SORT_EXE RUNS SWITCHES...\n");
    return 2;
  }
  std::string document = argv[1], filter = argv[2];
  for (char& c : filter)
    if (c == '/') c = '\\';
  int runs = std::max(1, atoi(argv[3]));
  std::string switches;
  for (int i = 4; i < argc; ++i) switches += std::string(i > 4 ? " " : "") + argv[i];
  std::string text = ReadFileBytes(document);
  std::string outPath = document + ".sorted";
  if (TimeFilter(filter, switches, document, outPath) < 0) return std::fprintf(stderr, "wine_bench: ordwell-sort failed\n"), 1;
  std::string expected = ReadFileBytes(outPath);
  std::vector<double> filterTimes, channelTimes, messageTimes;
  for (int r = 0; r < runs; ++r) {
    filterTimes.push_back(TimeFilter(filter, switches, document, outPath));
    channelTimes.push_back(TimeOrdwell(StandinVariant::k0_73_0_1, switches, text, expected));
    messageTimes.push_back(TimeOrdwell(StandinVariant::k0_72_0_5, switches, text, expected));
    for (double t : {filterTimes.back(), channelTimes.back(), messageTimes.back()})
      if (t < 0) return 1;
  }
  DeleteFileA(outPath.c_str());
  double base = Median(filterTimes);
  std::printf("| under Wine, %u bytes, %s | median s | ratio to ordwell-sort.exe |\n", unsigned(text.size()),
              switches.c_str());
  std::printf("|---|---:|---:|\n");
  std::printf("| ordwell-sort.exe (file in, file out) | %.2f | 1.00 |\n", base);
  std::printf("| Ordwell.exe, shared-memory channel (editor 0.73.0.1) | %.2f | %.2f |\n", Median(channelTimes),
              Median(channelTimes) / base);
  std::printf("| Ordwell.exe, edit-control messages (editor 0.72.0.5) | %.2f | %.2f |\n", Median(messageTimes),
              Median(messageTimes) / base);
  return 0;
}
