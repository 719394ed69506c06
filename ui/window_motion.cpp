#include "ui/window_motion.h"

namespace {

// The area to centre over: the window's rectangle, or the work area when
// there is no window or it is gone.
RECT PlacementArea(HWND over) {
  RECT area = {0, 0, 0, 0};
  if (over && GetWindowRect(over, &area)) return area;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace

void CenterWindowOver(HWND window, HWND over, bool oneThird) {
  RECT own = {0, 0, 0, 0};
  GetWindowRect(window, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const RECT area = PlacementArea(over);
  // Signed divisions truncating toward zero.
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / (oneThird ? 3 : 2);
  MoveWindow(window, x, y, width, height, FALSE);
}

void AnimateIfAvailable(HWND window, DWORD time, DWORD flags) {
  typedef BOOL(WINAPI * AnimateWindowFunction)(HWND, DWORD, DWORD);
  HMODULE user32 = GetModuleHandleA("user32");
  if (!user32) return;
  FARPROC found = GetProcAddress(user32, "AnimateWindow");
  if (!found) return;
  auto animate = reinterpret_cast<AnimateWindowFunction>(reinterpret_cast<void (*)()>(found));
  animate(window, time, flags);
}
