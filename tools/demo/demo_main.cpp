// The demo: starts the stand-in editor on a sample document, runs the real
// Ordwell.exe against it, and shows what happened: the text before and after
// (as UTF-8 for the terminal), the exit code, any message box, and a
// screenshot of the editor window afterwards.
//
// Usage: ordwell_demo SAMPLE ORDWELL_EXE SCREENSHOT_BMP [SWITCHES...]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/message_box_watch.h"
#include "tests/support/standin_process.h"

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

// Runs Ordwell.exe and waits for it, reading and closing any message box it
// shows so that the demo never hangs on one.
DWORD RunOrdwell(const std::string& exe, const std::string& switches, HWND editorWindow) {
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

// Copies the window's rectangle from the screen into a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  DWORD stride = ((w * 3 + 3) & ~3), size = stride * h;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f) == 1 &&
            std::fwrite(bits, 1, size, f) == size;
  if (f) std::fclose(f);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: ordwell_demo SAMPLE ORDWELL_EXE SCREENSHOT_BMP [SWITCHES...]\n");
    return 2;
  }
  // The tool splits its command line at every slash, quoted or not, so its
  // own path must be written with backslashes.
  std::string ordwell = argv[2];
  for (char& c : ordwell)
    if (c == '/') c = '\\';
  std::string switches;
  for (int i = 4; i < argc; ++i) switches += std::string(i > 4 ? " " : "") + argv[i];
  Standin editor;
  if (!StartStandin(StandinVariant::k0_73_0_1, std::string("--title=Morvane --file=") + argv[1], &editor)) {
    std::fprintf(stderr, "demo: the stand-in editor did not come up\n");
    return 1;
  }
  std::string before, after;
  ReadStandinText(editor, &before);
  PrintText("Before", before);
  std::printf("--- Running Ordwell.exe %s\n", switches.c_str());
  std::vector<DWORD> editorsBefore = StandinProcessIds();
  DWORD code = RunOrdwell(ordwell, switches, editor.mainWindow);
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
  SetForegroundWindow(editor.mainWindow);
  RedrawWindow(editor.mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  bool saved = SaveWindowPicture(editor.mainWindow, argv[3]);
  StopStandin(&editor);
  return saved && LONG(code) == 0 ? 0 : 1;
}
