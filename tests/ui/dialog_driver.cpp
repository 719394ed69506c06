#include "tests/ui/dialog_driver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/ui/dialog_layout.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(10);
constexpr auto kPoll = std::chrono::milliseconds(20);
const wchar_t kBoxCaption[] = L"Ordwell";

template <typename Condition>
bool WaitFor(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + kDeadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

struct Search {
  HWND owner;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK MatchOwned(HWND window, LPARAM param) {
  Search& s = *reinterpret_cast<Search*>(param);
  wchar_t cls[64] = {}, title[256] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, title, 256);
  if (std::wstring(cls) == L"#32770" && std::wstring(title) == s.title && GetWindow(window, GW_OWNER) == s.owner &&
      IsWindowVisible(window)) {
    s.found = window;
    return FALSE;
  }
  return TRUE;
}

// The box's text is the one static control that is not its icon.
BOOL CALLBACK MatchBoxText(HWND child, LPARAM param) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
  char text[1100] = {};
  if (GetWindowTextA(child, text, sizeof text) > 0) {
    *reinterpret_cast<std::string*>(param) = text;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindOwnedDialog(HWND owner, const wchar_t* title) {
  Search s = {owner, title, nullptr};
  EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

bool DialogDriver::WaitForDialog() {
  return WaitFor([&] { return (dialog_ = FindOwnedDialog(owner_, kDialogTitle)) != nullptr; });
}

void DialogDriver::Click(int id) { SendMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }

void DialogDriver::Press(int id) { PostMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }

void DialogDriver::Key(UINT virtualKey) { PostMessageW(dialog_, WM_KEYDOWN, virtualKey, 1); }

void DialogDriver::AltKey(char letter) {
  PostMessageW(dialog_, WM_SYSCHAR, static_cast<WPARAM>(letter), 0x20000001);  // bit 29: Alt is down
}

bool DialogDriver::WaitUntil(const std::function<bool()>& condition) const { return WaitFor(condition); }

void DialogDriver::CloseBox() { PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void DialogDriver::Type(int id, const wchar_t* text) {
  SendMessageW(GetDlgItem(dialog_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::wstring DialogDriver::Text(int id) const {
  wchar_t text[256] = {};
  GetWindowTextW(GetDlgItem(dialog_, id), text, 256);
  return text;
}

bool DialogDriver::Checked(int id) const {
  return SendMessageW(GetDlgItem(dialog_, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool DialogDriver::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }

HWND DialogDriver::Focus() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
  return info.hwndFocus;
}

bool DialogDriver::TakeMessageBox(std::string& text, HWND& boxOwner) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindOwnedDialog(owner_, kBoxCaption)) != nullptr; })) return false;
  text.clear();
  WaitFor([&] {
    EnumChildWindows(box, MatchBoxText, reinterpret_cast<LPARAM>(&text));
    return !text.empty();
  });
  boxOwner = GetWindow(box, GW_OWNER);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return WaitFor([&] { return !IsWindow(box); });
}

bool DialogDriver::NoMessageBox() {
  Sync();
  return FindOwnedDialog(owner_, kBoxCaption) == nullptr;
}

void DialogDriver::Sync() const { SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr); }

bool DialogDriver::WaitForEnd() {
  return WaitFor([&] { return !IsWindow(dialog_); });
}

void SweepOwnedWindows(HWND owner, const std::atomic<bool>& done) {
  const auto end = std::chrono::steady_clock::now() + kDeadline;
  while (!done && std::chrono::steady_clock::now() < end) {
    if (HWND box = FindOwnedDialog(owner, kBoxCaption)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    else if (HWND dialog = FindOwnedDialog(owner, kDialogTitle)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (done) return;
  // The dialog will not end: the main thread can never return, so the
  // process ends here with a failure instead of waiting for the test timeout.
  std::fprintf(stderr, "FAILED: the dialog did not close within the deadline\n");
  std::fflush(stderr);
  std::_Exit(1);
}
