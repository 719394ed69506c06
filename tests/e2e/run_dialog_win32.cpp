#include "tests/e2e/run_dialog.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "res/resource.h"
#include "tests/support/deadline.h"

namespace {

constexpr UINT kReplyTimeout = 5000;
const char kDialogClass[] = "#32770";
const char kBoxCaption[] = "Ordwell";
// The dialog's title, code page 932 bytes like every narrow text here.
const char kDialogTitle[] = "Ordwell 編集中のテキストの行単位での並べ替え";

struct OwnedSearch {
  DWORD processId;
  HWND owner;
  const char* title;  // null: any title
  HWND except;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<OwnedSearch*>(param);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != s->processId || window == s->except || GetWindow(window, GW_OWNER) != s->owner) return TRUE;
  if (s->visibleOnly && !IsWindowVisible(window)) return TRUE;
  char name[16] = {}, title[256] = {};
  GetClassNameA(window, name, sizeof name);
  GetWindowTextA(window, title, sizeof title);
  if (lstrcmpA(name, kDialogClass) != 0 || (s->title && lstrcmpA(title, s->title) != 0)) return TRUE;
  s->found = window;
  return FALSE;
}

HWND FindOwnedDialog(DWORD processId, HWND owner, const char* title, HWND except = nullptr,
                     bool visibleOnly = true) {
  OwnedSearch s = {processId, owner, title, except, visibleOnly, nullptr};
  EnumWindows(MatchOwnedDialog, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

bool RunEnded(const OrdwellRun& run) { return WaitForSingleObject(run.process, 0) == WAIT_OBJECT_0; }

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyTimeout,
                             result ? result : &ignored) != 0;
}

// The message text of a box: its one static control that is not the icon.
std::string BoxText(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0 || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    char text[1100] = {};
    DWORD_PTR copied = 0;
    if (Send(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), &copied) && copied) return text;
  }
  return std::string();
}

std::string SettingsPathOf(std::string exe) {
  exe.replace(exe.size() - 3, 3, "ini");
  return exe;
}

}  // namespace

HWND WaitForOptionsDialog(const OrdwellRun& run, HWND owner, unsigned timeoutMs) {
  HWND dialog = nullptr;
  WaitFor([&] { return (dialog = FindOwnedDialog(run.processId, owner, kDialogTitle)) || RunEnded(run); },
          timeoutMs);
  return dialog;
}

bool WaitForDialogClosed(const OrdwellRun& run, HWND dialog, unsigned timeoutMs) {
  return WaitFor([&] { return !IsWindowVisible(dialog) || RunEnded(run); }, timeoutMs);
}

RangeBox WaitForRunBox(const OrdwellRun& run, HWND owner, unsigned timeoutMs) {
  RangeBox box;
  WaitFor([&] { return (box.window = FindOwnedDialog(run.processId, owner, kBoxCaption)) || RunEnded(run); },
          timeoutMs);
  if (!box.window) return box;
  // The text control may still be filling in while the box comes up.
  WaitFor([&] { return !(box.text = BoxText(box.window)).empty(); }, 2000);
  return box;
}

// A box created after the last one closed exists before its own loop runs,
// so once the dialog's thread answers a sent message any such box is there.
bool NoRunBox(const OrdwellRun& run, HWND dialog) {
  if (!Send(dialog, WM_NULL, 0, 0)) return false;
  return !FindOwnedDialog(run.processId, GetWindow(dialog, GW_OWNER), nullptr, dialog, false);
}

bool ClickBox(HWND dialog, int id) {
  HWND box = GetDlgItem(dialog, id);
  RECT r;
  if (!box || !GetClientRect(box, &r)) return false;
  const bool was = IsBoxChecked(dialog, id);
  const LPARAM middle = MAKELPARAM(r.right / 2, r.bottom / 2);
  if (!PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, middle) || !PostMessageA(box, WM_LBUTTONUP, 0, middle))
    return false;
  return WaitFor([&] { return IsBoxChecked(dialog, id) != was; }, 5000);
}

bool PressButton(HWND dialog, int id) { return PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0) != 0; }

// The key-down alone may already end the dialog (Esc, Enter): when this
// thread is held up between the two posts, the dialog can be gone before
// the key-up is posted, and that is no failure.
bool PressKey(HWND dialog, UINT virtualKey) {
  const UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  if (!PostMessageA(dialog, WM_KEYDOWN, virtualKey, 1 | (scan << 16))) return false;
  return PostMessageA(dialog, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u) || !IsWindow(dialog);
}

bool PressCloseBox(HWND dialog) { return PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0) != 0; }

bool TypeIntoField(HWND dialog, int id, const std::string& text) {
  HWND field = GetDlgItem(dialog, id);
  if (!field || !Send(field, EM_SETSEL, 0, -1)) return false;
  if (text.empty()) return Send(field, WM_CHAR, VK_BACK, 1);
  for (char c : text) {
    if (!Send(field, WM_CHAR, static_cast<unsigned char>(c), 1)) return false;
  }
  return true;
}

bool IsBoxChecked(HWND dialog, int id) {
  DWORD_PTR state = 0;
  return Send(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool IsControlEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

std::string ControlText(HWND dialog, int id) {
  char text[256] = {};
  DWORD_PTR copied = 0;
  if (!Send(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), &copied)) return "?";
  return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

std::string BoxMarks(HWND dialog) {
  std::string marks;
  for (int id = IDC_SORTASCENDING; id <= IDC_TREATZENNUMASNUMERICAL; ++id) marks += IsBoxChecked(dialog, id) ? '1' : '0';
  return marks;
}

std::string SettingsFilePath() { return SettingsPathOf(OrdwellExePath()); }

void WriteSettingsFile(const std::string& bytes) {
  std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << bytes;
}

void RemoveSettingsFile() { DeleteFileA(SettingsFilePath().c_str()); }

bool ReadSettingsFile(std::string* bytes) {
  std::ifstream file(SettingsFilePath(), std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

std::vector<std::string> SettingsLines() {
  std::vector<std::string> lines;
  std::string bytes, line;
  if (!ReadSettingsFile(&bytes)) return lines;
  std::istringstream in(bytes);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}
