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

// The thread becomes the active one only when the run shows a message box
// (the sort's, when memory runs out): the work is over, and the window must
// not stand beside the box saying otherwise.
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

// The thread's cursor is set before the window is made: Wine gives a new
// window the cursor of its thread, and while the tool works its thread
// answers no WM_SETCURSOR.
WorkWindow ShowWorkWindow(const EditorLink& link) {
  WorkWindow work = {};
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWorkClass(instance)) return work;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  HWND owner = static_cast<HWND>(link.mainWindow);
  HWND window = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kWorkClass, kMessageCaption, WS_POPUP | WS_BORDER,
                                0, 0, kWidth, kHeight, owner, nullptr, instance, nullptr);
  if (!window) return work;
  CenterWindowOver(window, owner, false);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  work.window = window;
  return work;
}

void TendWorkWindow(const WorkWindow& work) {
  MSG message;
  while (work.window && PeekMessageA(&message, static_cast<HWND>(work.window), 0, 0, PM_REMOVE))
    DispatchMessageA(&message);
}

void CloseWorkWindow(WorkWindow& work) {
  if (work.window) DestroyWindow(static_cast<HWND>(work.window));
  work.window = nullptr;
}
