#include "app/work_window.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/message_box.h"
#include "res/texts.h"
#include "ui/window_motion.h"

namespace {

const char kWorkClass[] = "OrdwellWork";

// The shipped build under Wine took for the whole run, through the channel,
// 0.45 s on 10 MB of 40-byte lines and 3.9 s on 100 MB; through messages,
// 1.5 s and 14 s (1.8 s and 19 s with lines of 10 kB, nearly all of it the
// read); and 5 to 7 s on a million empty lines in locale order.
const size_t kLargeThroughChannel = size_t(16) << 20;
const size_t kLargeThroughMessages = size_t(4) << 20;
const size_t kManyLines = size_t(1) << 18;
const int kWidth = 240;
const int kHeight = 48;

// The face of the options dialog, so that the Japanese text draws.
HFONT WorkFont() {
  static HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "ＭＳ Ｐゴシック");
  return font;
}

void PaintWork(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, WorkFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, kTextWorking, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  EndPaint(window, &paint);
}

// While the run works, its thread shows a window only for a message box (the sort's, when memory
// runs out): the work is over then, and the window must not stand beside
// the box saying otherwise. The run's thread may become the active one for
// that box without this thread being told, hence the look at its windows
// every so often, beside the word of WM_ACTIVATEAPP.
const UINT_PTR kBoxWatch = 1;
const UINT kBoxWatchMilliseconds = 50;
DWORD g_runThread = 0;  // written before the window's thread starts

BOOL CALLBACK NoteVisible(HWND window, LPARAM found) {
  if (!IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

bool RunShowsWindow() {
  bool found = false;
  EnumThreadWindows(g_runThread, NoteVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT CALLBACK WorkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintWork(window);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ACTIVATEAPP:
      if (wParam) ShowWindow(window, SW_HIDE);
      return 0;
    case WM_TIMER:
      if (wParam == kBoxWatch && RunShowsWindow()) ShowWindow(window, SW_HIDE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterWorkClass(HINSTANCE instance) {
  WNDCLASSA work = {};
  work.lpfnWndProc = WorkProc;
  work.hInstance = instance;
  work.hCursor = LoadCursor(nullptr, IDC_WAIT);
  work.lpszClassName = kWorkClass;
  return RegisterClassA(&work) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// What the window's thread is given, and hands back once its window stands
// or could not be made.
struct WorkStart {
  HWND owner;
  HANDLE ready;
  HWND window;
};

// The thread's cursor is set before the window is made: Wine gives a new
// window the cursor of its thread.
HWND CreateWorkWindow(HWND owner) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWorkClass(instance)) return nullptr;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  HWND window = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kWorkClass, kMessageCaption, WS_POPUP | WS_BORDER,
                                0, 0, kWidth, kHeight, owner, nullptr, instance, nullptr);
  if (!window) return nullptr;
  CenterWindowOver(window, owner, false);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  SetTimer(window, kBoxWatch, kBoxWatchMilliseconds, nullptr);
  return window;
}

// The start record belongs to the caller, who waits for ready, and is not
// touched after it is set.
DWORD WINAPI RunWorkWindow(void* parameter) {
  WorkStart* start = static_cast<WorkStart*>(parameter);
  HWND window = CreateWorkWindow(start->owner);
  start->window = window;
  SetEvent(start->ready);
  if (!window) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);  // until WM_DESTROY
  return 0;
}

// How long the run waits for the window's thread to end: it only destroys
// its window, but should it hang, the run goes on and the process's end
// takes the window with it.
const DWORD kCloseWaitMilliseconds = 5000;

}  // namespace

bool IsLargeDocument(size_t bytes, bool throughChannel) {
  return bytes >= (throughChannel ? kLargeThroughChannel : kLargeThroughMessages);
}

// Counts by offsets, not by differences of pointers: a text read into a
// large-address-aware 32-bit process may span more than 2 GB.
bool HasManyLines(const char* text, size_t length) {
  size_t lines = 0;
  for (size_t at = 0; lines < kManyLines && at < length; ++lines) {
    const void* hit = memchr(text + at, '\n', length - at);
    if (!hit) break;
    at += static_cast<size_t>(reinterpret_cast<uintptr_t>(hit) - reinterpret_cast<uintptr_t>(text + at)) + 1;
  }
  return lines >= kManyLines;
}

WorkWindow ShowWorkWindow(const EditorLink& link) {
  WorkWindow work = {};
  WorkStart start = {static_cast<HWND>(link.mainWindow), CreateEventA(nullptr, TRUE, FALSE, nullptr), nullptr};
  if (!start.ready) return work;
  g_runThread = GetCurrentThreadId();
  HANDLE thread = CreateThread(nullptr, 0, RunWorkWindow, &start, 0, nullptr);
  if (thread) WaitForSingleObject(start.ready, INFINITE);
  CloseHandle(start.ready);
  if (thread && !start.window) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
  }
  if (!thread) return work;
  work.window = start.window;
  work.thread = thread;
  return work;
}

void CloseWorkWindow(WorkWindow& work) {
  if (work.window) PostMessageA(static_cast<HWND>(work.window), WM_CLOSE, 0, 0);
  if (work.thread) {
    WaitForSingleObject(static_cast<HANDLE>(work.thread), kCloseWaitMilliseconds);
    CloseHandle(static_cast<HANDLE>(work.thread));
  }
  work = {};
}
