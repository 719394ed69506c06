#include "tests/support/message_box_watch.h"

#include "tests/support/deadline.h"

namespace {

constexpr UINT kReplyTimeout = 5000;
// The message text's control in a message box.
constexpr int kMessageTextId = 0xFFFF;

struct BoxSearch {
  HWND owner;
  DWORD processId;
  bool anyOwner;
  HWND found;
};

bool IsDialogClass(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "#32770") == 0;
}

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (search->processId && processId != search->processId) return TRUE;
  if (!IsWindowVisible(window) || !IsDialogClass(window)) return TRUE;
  if (!search->anyOwner && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindBoxNow(HWND owner, DWORD processId, bool anyOwner) {
  BoxSearch search = {owner, processId, anyOwner, nullptr};
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Not SMTO_ABORTIFHUNG: a run that sent the editor a document of hundreds
// of megabytes waited seconds for the reply, and Wine then counts its
// thread as hung for a moment after its box has come up.
std::string WindowText(HWND window) {
  char text[4096] = {};
  DWORD_PTR copied = 0;
  if (!window || !SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                      SMTO_NORMAL, kReplyTimeout, &copied)) {
    return std::string();
  }
  return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

// The static control that holds the message: by its usual id, else the
// first static child that is not the icon.
HWND MessageTextControl(HWND box) {
  HWND control = GetDlgItem(box, kMessageTextId);
  if (control) return control;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return child;
  }
  return nullptr;
}

}  // namespace

bool FindMessageBox(HWND owner, DWORD processId, unsigned timeoutMs, FoundMessageBox* box) {
  *box = FoundMessageBox{};
  if (!WaitFor([&] { return (box->window = FindBoxNow(owner, processId, false)) != nullptr; }, timeoutMs)) {
    return false;
  }
  box->caption = WindowText(box->window);
  box->text = WindowText(MessageTextControl(box->window));
  return true;
}

bool AnyMessageBox(DWORD processId) { return FindBoxNow(nullptr, processId, true) != nullptr; }

bool FindAnyMessageBox(DWORD processId, FoundMessageBox* box) {
  *box = FoundMessageBox{};
  box->window = FindBoxNow(nullptr, processId, true);
  if (!box->window) return false;
  box->caption = WindowText(box->window);
  box->text = WindowText(MessageTextControl(box->window));
  return true;
}

bool DismissMessageBox(HWND box, int buttonId, unsigned timeoutMs) {
  if (!PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0)) return !IsWindow(box);
  return WaitFor([&] { return !IsWindow(box); }, timeoutMs);
}
