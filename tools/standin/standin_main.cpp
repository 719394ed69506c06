// A stand-in for the Morvane editor: a real Win32 program with the editor's
// window classes, edit-pane messages, private messages and named-section
// protocol, so that the tool can be tested and shown against real windows.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/editor_protocol.h"
#include "tools/standin/standin.h"
#include "tools/standin/standin_options.h"
#include "tools/standin/standin_protocol.h"

namespace {

struct Standin {
  StandinOptions options;
  unsigned version = 0;  // packed FileVersion of this executable; 0 without one
  PaneDocument first;
  PaneDocument second;
  HWND main = nullptr;
  HWND pane = nullptr;
  HWND secondPane = nullptr;
};
Standin g;

constexpr UINT_PTR kPaneTimer = 1;

// The FileVersion string of this executable, a.b.c.d, packed one byte per
// field; 0 when the executable carries none. It decides which private
// messages the stand-in answers, as the real editor's version does.
unsigned ReadOwnVersion() {
  char path[MAX_PATH];
  if (!GetModuleFileNameA(nullptr, path, MAX_PATH)) return 0;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return 0;
  std::string block(size, '\0');
  if (!GetFileVersionInfoA(path, 0, size, &block[0])) return 0;
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(&block[0], "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 4) {
    return 0;
  }
  char key[64];
  snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileVersion", translation[0], translation[1]);
  char* text = nullptr;
  if (!VerQueryValueA(&block[0], key, reinterpret_cast<void**>(&text), &length)) return 0;
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return 0;
  return (a & 0xFF) << 24 | (b & 0xFF) << 16 | (c & 0xFF) << 8 | (d & 0xFF);
}

// The section that the tool made for this window is mapped a window at a
// time, as the tool maps it, so that a 32-bit stand-in needs no second
// stretch of address space as large as the document it holds. A window past
// the section's end cannot be mapped: a section smaller than the transfer
// is refused rather than overrun. Offsets are multiples of the allocation
// granularity.
constexpr size_t kWindow = size_t(16) << 20;

HANDLE OpenToolSection(DWORD access) {
  char name[64];
  snprintf(name, sizeof name, "%s%u", kSectionNamePrefix,
           static_cast<unsigned>(reinterpret_cast<UINT_PTR>(g.main)));
  return OpenFileMappingA(access, FALSE, name);
}

char* MapWindow(HANDLE section, DWORD access, size_t at, size_t size) {
  uint64_t offset = at;
  return static_cast<char*>(
      MapViewOfFile(section, access, static_cast<DWORD>(offset >> 32), static_cast<DWORD>(offset), size));
}

// copy(view, at, size) for each window of the first count bytes; false when
// one cannot be mapped.
template <typename Copy>
bool CopyByWindows(HANDLE section, DWORD access, size_t count, Copy copy) {
  for (size_t at = 0; at < count; at += kWindow) {
    size_t size = std::min(kWindow, count - at);
    char* view = MapWindow(section, access, at, size);
    if (!view) return false;
    copy(view, at, size);
    UnmapViewOfFile(view);
  }
  return true;
}

bool SectionHolds(HANDLE section, size_t count) {
  if (count == 0) return true;
  size_t at = (count - 1) / kWindow * kWindow;
  char* view = MapWindow(section, FILE_MAP_READ, at, count - at);
  if (view) UnmapViewOfFile(view);
  return view != nullptr;
}

// A NUL after the text, where the section has room for it.
void EndSectionText(HANDLE section, size_t n) {
  size_t at = n / kWindow * kWindow;
  char* view = MapWindow(section, FILE_MAP_WRITE, at, n - at + 1);
  if (!view) return;
  view[n - at] = '\0';
  UnmapViewOfFile(view);
}

LRESULT ExportText(WPARAM scope) {
  if (g.version < kVersionWithChannel || !g.pane || scope > 1 || g.options.refuseExport[scope]) return 0;
  HANDLE section = OpenToolSection(FILE_MAP_WRITE);
  if (!section) return 0;
  size_t from = scope == kScopeSelection ? g.first.selStart : 0;
  size_t n = scope == kScopeSelection ? g.first.selEnd - from : g.first.bytes.size();
  const char* text = g.first.bytes.data() + from;
  bool fits = CopyByWindows(section, FILE_MAP_WRITE, n,
                            [&](char* view, size_t at, size_t size) { memcpy(view, text + at, size); });
  if (fits) EndSectionText(section, n);
  CloseHandle(section);
  if (fits && g.options.closeAfterRead) DestroyWindow(g.main);  // gone before the reply reaches the tool
  return fits ? 1 : 0;
}

LRESULT ImportText(WPARAM scope, LPARAM lParam) {
  if (g.version < kVersionWithChannel || !g.pane || scope > 1 || g.options.refuseImport[scope]) return 0;
  HANDLE section = OpenToolSection(FILE_MAP_READ);
  if (!section) return 0;
  size_t n = static_cast<size_t>(lParam);
  std::string text;
  bool fits = SectionHolds(section, n);
  if (fits) text.resize(n);
  fits = fits && CopyByWindows(section, FILE_MAP_READ, n,
                               [&](char* view, size_t at, size_t size) { memcpy(&text[at], view, size); });
  CloseHandle(section);
  if (fits) {
    if (scope == kScopeWholeText) SetPaneSelection(g.first, 0, -1);
    // Served, even when the pane takes only part of it.
    ReplacePaneSelection(g.first, text.data(), TakeInsertAllowance(g.first, n), false);
  }
  InvalidateRect(g.pane, nullptr, FALSE);
  if (fits && g.options.closeAfterWrite) DestroyWindow(g.main);  // gone before the reply reaches the tool
  return fits ? 1 : 0;
}

LRESULT AnswerSelectionKind() {
  if (g.version < kVersionWithSelectionKind) return 0;  // not a message this version knows
  if (g.options.kindReplyGiven) return g.options.kindReply;
  return g.first.selStart == g.first.selEnd ? -1 : 0;
}

// Moves a whole document in or out through a file named by a global atom.
LRESULT TransferThroughFile(UINT message, WPARAM atom) {
  char path[MAX_PATH] = {};
  if (!GlobalGetAtomNameA(static_cast<ATOM>(atom), path, MAX_PATH)) return 0;
  if (message == kStandinSaveText) return WriteFileBytes(path, g.first.bytes.data(), g.first.bytes.size()) ? 1 : 0;
  std::string bytes;
  if (!ReadFileBytes(path, &bytes)) return 0;
  SetPaneText(g.first, std::move(bytes));
  if (g.pane) InvalidateRect(g.pane, nullptr, FALSE);
  return 1;
}

void LayOutPanes() {
  RECT client;
  GetClientRect(g.main, &client);
  int split = g.secondPane ? client.bottom * 2 / 3 : client.bottom;
  if (g.pane) MoveWindow(g.pane, 0, 0, client.right, split, TRUE);
  if (g.secondPane) MoveWindow(g.secondPane, 0, split, client.right, client.bottom - split, TRUE);
}

// The first pane is created before the second, so that it is the first
// TEditor child found.
void CreatePanes() {
  g.pane = CreatePane(g.main, &g.first, true);
  if (g.options.secondPane) g.secondPane = CreatePane(g.main, &g.second, false);
  LayOutPanes();
}

void CreateChildren(HWND main) {
  g.main = main;
  if (g.options.exeNameChild) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* text = g.options.exeNameGiven ? g.options.exeName.c_str() : path;
    CreateWindowExA(0, "TMorvaneExeName", text, WS_CHILD, 0, 0, 0, 0, main, nullptr, GetModuleHandleA(nullptr),
                    nullptr);
  }
  if (g.options.paneDelay) {
    SetTimer(main, kPaneTimer, g.options.paneDelay, nullptr);
  } else {
    CreatePanes();
  }
}

LRESULT AnswerPrivateMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EDM_GETSELECTIONKIND: return AnswerSelectionKind();
    case EDM_EXPORTTEXT: return ExportText(wParam);
    case EDM_IMPORTTEXT: return ImportText(wParam, lParam);
    case EDM_GOTOLINE:
      MovePaneToLine(g.first, static_cast<unsigned long>(wParam));
      if (g.pane) InvalidateRect(g.pane, nullptr, FALSE);
      return 0;
    case kStandinGetCount: return CountOf(static_cast<UINT>(wParam));
    case kStandinGetLastWParam: return LastWParamOf(static_cast<UINT>(wParam));
    case kStandinResetCounts: ResetCounts(); return 1;
    case kStandinSaveText:
    case kStandinLoadText: return TransferThroughFile(message, wParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool IsEditorMessage(UINT message) {
  return message == EDM_GOTOLINE || message == EDM_GETSELECTIONKIND || message == EDM_EXPORTTEXT ||
         message == EDM_IMPORTTEXT;
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Only the editor's own messages count here: the system asks the main
  // window for its title now and then.
  if (IsEditorMessage(message)) CountMessage(message, wParam);
  switch (message) {
    case WM_CREATE:
      CreateChildren(window);
      return 0;
    case WM_TIMER:
      if (wParam != kPaneTimer) break;
      KillTimer(window, kPaneTimer);
      CreatePanes();
      return 0;
    case WM_SIZE:
      LayOutPanes();
      return 0;
    case WM_DESTROY:
      if (!g.options.saveOnClose.empty())
        WriteFileBytes(g.options.saveOnClose.c_str(), g.first.bytes.data(), g.first.bytes.size());
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return AnswerPrivateMessage(window, message, wParam, lParam);
}

bool RegisterClasses(HINSTANCE instance) {
  WNDCLASSA main = {};
  main.lpfnWndProc = MainProc;
  main.hInstance = instance;
  main.hCursor = LoadCursor(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = g.options.mainClass.c_str();
  WNDCLASSA exeName = {};
  exeName.lpfnWndProc = DefWindowProcA;
  exeName.hInstance = instance;
  exeName.lpszClassName = "TMorvaneExeName";
  return RegisterClassA(&main) && RegisterClassA(&exeName) && RegisterPaneClass(instance);
}

bool LoadStartDocuments() {
  g.first.insertLimit = g.options.insertLimit;
  g.first.ignoreReplaceSel = g.options.ignoreReplaceSel;
  g.first.lfAsCrLf = g.options.lfAsCrLf;
  g.first.insertTotalLimited = g.options.insertTotalLimited;
  g.first.insertTotalLeft = g.options.insertTotal;
  g.first.closeAfterRead = g.options.closeAfterRead;
  g.first.closeAfterWrite = g.options.closeAfterWrite;
  g.first.getTextLimited = g.options.getTextLimited;
  g.first.getTextLeft = g.options.getTextLimit;
  g.first.getTextChunk = g.options.getTextChunk;
  g.first.undoLimited = g.options.undoLimited;
  g.first.undoLimit = g.options.undoLimit;
  g.first.typeAfterClear = g.options.typeAfterClear;
  g.first.reportFixed = g.options.reportGiven;
  g.first.reportStart = g.options.reportStart;
  g.first.reportEnd = g.options.reportEnd;
  g.second.bytes = g.options.secondPaneText;
  if (!g.options.file.empty()) {
    std::string bytes;
    if (!ReadFileBytes(g.options.file.c_str(), &bytes)) return false;
    SetPaneText(g.first, std::move(bytes));
  }
  if (g.options.selectGiven) SetPaneSelection(g.first, g.options.selectStart, g.options.selectEnd);
  return true;
}

// Waits with the message loop running, so that the process counts as idle
// for input (WaitForInputIdle returns) long before its main window exists.
void WaitIdle(unsigned long milliseconds) {
  UINT_PTR timer = SetTimer(nullptr, 0, milliseconds, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.wParam == timer) break;
    DispatchMessageA(&msg);
  }
  KillTimer(nullptr, timer);
}

// The main window and its message loop, on the thread that calls it.
DWORD WINAPI RunWindows(void* instance) {
  if (unsigned long delay = StartDelayFromEnvironment()) WaitIdle(delay);
  HWND main = CreateWindowExA(0, g.options.mainClass.c_str(), g.options.title.c_str(), WS_OVERLAPPEDWINDOW,
                              CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                              static_cast<HINSTANCE>(instance), nullptr);
  if (!main) return 4;
  ShowWindow(main, SW_SHOW);
  UpdateWindow(main);
  SetForegroundWindow(main);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// With --stack, the windows live on a thread of that stack size.
DWORD RunWindowsOnStack(HINSTANCE instance, unsigned long stack) {
  HANDLE thread = CreateThread(nullptr, stack, RunWindows, instance, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!thread) return 5;
  WaitForSingleObject(thread, INFINITE);
  DWORD code = 5;
  GetExitCodeThread(thread, &code);
  CloseHandle(thread);
  return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!ParseStandinOptions(__argc, __argv, &g.options)) return 2;
  TakeInsertTotalFromEnvironment(&g.options);
  if (!LoadStartDocuments()) return 2;
  g.version = ReadOwnVersion();
  if (!RegisterClasses(instance)) return 3;
  if (g.options.stack) return static_cast<int>(RunWindowsOnStack(instance, g.options.stack));
  return static_cast<int>(RunWindows(instance));
}
