// A picture of the options dialog as a run of Ordwell.exe opens it over the
// stand-in editor, for the README. Before taking it, the program checks that
// the dialog's face name reaches a font with Japanese glyphs, and says which.
//
// Usage: ordwell_dialog_shot ORDWELL_EXE PICTURE_BMP
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/deadline.h"
#include "tests/support/message_box_watch.h"
#include "tests/support/standin_process.h"
#include "tools/demo/screen_picture.h"

namespace {

const wchar_t kDialogFace[] = L"ＭＳ Ｐゴシック";
// Glyphs of the dialog's own texts, each from a different script.
const wchar_t kSampleGlyphs[] = L"昇順ソートｷｬﾝｾﾙ（）";

// What the editor holds behind the dialog: code page 932 bytes.
const char kSample[] =
    "みかん 12\r\nりんご 3\r\nApple 7\r\nbanana 10\r\nいちご 5\r\nみかん 12\r\nCherry 1\r\nぶどう 20\r\n";
// What the dialog shows: the options that a user sorting by the numbers
// after the names would pick.
const char kSettings[] =
    "[Option]\r\nSortAscending=1\r\nRemoveDuplicateLine=1\r\nExtractDuplicateLine=0\r\nCompareAsBinaryText=0\r\n"
    "SortByColumn=1\r\nTreatNumberAsNumerical=1\r\nTreatZenNumAsNumerical=0\r\nColumnFrom=8\r\nColumnWidth=4\r\n";

std::string ToUtf8(const wchar_t* text) {
  char utf8[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// The font that the dialog's face name really gets, and whether it draws
// the dialog's Japanese glyphs.
bool CheckDialogFont() {
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kDialogFace);
  HGDIOBJ old = SelectObject(screen, font);
  char buffer[2048] = {};
  auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer);
  bool named = GetOutlineTextMetricsW(screen, sizeof buffer, metrics) != 0;
  WORD glyphs[sizeof kSampleGlyphs / sizeof kSampleGlyphs[0]] = {};
  const int count = lstrlenW(kSampleGlyphs);
  bool drawn = GetGlyphIndicesW(screen, kSampleGlyphs, count, glyphs, GGI_MARK_NONEXISTING_GLYPHS) == DWORD(count);
  for (int i = 0; i < count; ++i) drawn = drawn && glyphs[i] != 0xFFFF;
  if (named) {
    std::printf("font: %s -> %s (%s)\n", ToUtf8(kDialogFace).c_str(),
                ToUtf8(reinterpret_cast<const wchar_t*>(buffer + reinterpret_cast<UINT_PTR>(metrics->otmpFamilyName))).c_str(),
                ToUtf8(reinterpret_cast<const wchar_t*>(buffer + reinterpret_cast<UINT_PTR>(metrics->otmpFullName))).c_str());
  }
  std::printf("font: the dialog's Japanese glyphs are %s\n", drawn ? "there" : "MISSING");
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return named && drawn;
}

std::string SettingsPathOf(std::string exe) { return exe.replace(exe.size() - 3, 3, "ini"); }

// The dialog is painted once its thread has answered a repaint of the whole
// window; the screen has settled when copies 100 ms apart come out the same.
ScreenPicture SettledPicture(HWND dialog, const RECT& area) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  ScreenPicture last = CopyScreenArea(area), now;
  int same = 0;
  WaitFor(
      [&] {
        Sleep(100);
        now = CopyScreenArea(area);
        same = !now.bits.empty() && now.bits == last.bits ? same + 1 : 0;
        last = now;
        return same >= 3;
      },
      5000);
  return last;
}

bool StartOrdwell(const std::string& exe, PROCESS_INFORMATION* info) {
  std::string commandLine = "\"" + exe + "\" /D";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, info);
}

// Starts the editor and the run, takes the picture of the editor with the
// dialog over it, and cancels.
bool TakeDialogPicture(const std::string& ordwell, const std::string& picturePath) {
  std::string sampleFile = WriteTempFile(kSample);
  Standin editor;
  bool started = StartStandin(StandinVariant::k0_73_0_1, "--title=Morvane \"--file=" + sampleFile + "\"", &editor);
  DeleteFileA(sampleFile.c_str());
  if (!started) {
    std::fprintf(stderr, "dialog shot: the stand-in editor did not come up\n");
    return false;
  }
  MoveWindow(editor.mainWindow, 40, 30, 600, 420, TRUE);
  WaitFor([&] { return GetForegroundWindow() == editor.mainWindow; }, 5000);
  PROCESS_INFORMATION run = {};
  bool saved = false;
  FoundMessageBox dialog;
  if (!StartOrdwell(ordwell, &run)) {
    std::fprintf(stderr, "dialog shot: Ordwell.exe did not start: %s\n", ordwell.c_str());
  } else if (!FindMessageBox(editor.mainWindow, run.dwProcessId, 15000, &dialog)) {
    std::fprintf(stderr, "dialog shot: no dialog came up\n");
  } else {
    RECT area = {};
    GetWindowRect(editor.mainWindow, &area);
    saved = SaveScreenPicture(SettledPicture(dialog.window, area), picturePath);
    DismissMessageBox(dialog.window, IDCANCEL);
  }
  if (run.hProcess) {
    if (WaitForSingleObject(run.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(run.hProcess, 1);
    CloseHandle(run.hProcess);
    CloseHandle(run.hThread);
  }
  StopStandin(&editor);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ordwell_dialog_shot ORDWELL_EXE PICTURE_BMP\n");
    return 2;
  }
  // The tool splits its command line at every slash, quoted or not, so its
  // own path must be written with backslashes.
  std::string ordwell = argv[1];
  for (char& c : ordwell)
    if (c == '/') c = '\\';
  if (!CheckDialogFont()) return 1;
  // The run reads the settings file beside it; whatever was there comes back.
  const std::string settings = SettingsPathOf(ordwell);
  std::ifstream kept(settings, std::ios::binary);
  const bool hadFile = kept.good();
  const std::string before((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  kept.close();
  std::ofstream(settings, std::ios::binary | std::ios::trunc) << kSettings;
  const bool taken = TakeDialogPicture(ordwell, argv[2]);
  if (hadFile) std::ofstream(settings, std::ios::binary | std::ios::trunc) << before;
  else DeleteFileA(settings.c_str());
  if (taken) std::printf("picture: %s\n", argv[2]);
  return taken ? 0 : 1;
}
