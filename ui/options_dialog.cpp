#include "ui/options_dialog.h"

#include <cstring>

#include "app/app_record.h"
#include "cmdline/sort_options.h"
#include "cmdline/switches.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/texts.h"
#include "ui/settings.h"
#include "ui/window_motion.h"

namespace {

constexpr int kFlagCount = kOptionFlagCount;

// Set on WM_INITDIALOG: the dialog keeps no state of its own beyond this.
AppRecord* g_dialogApp = nullptr;

enum : DWORD {
  kAnimationTime = 120,
  kShowAnimation = AW_ACTIVATE | AW_CENTER,
  kHideAnimation = AW_HIDE | AW_CENTER,
};

enum : uint32_t { kFieldMin = 1, kFieldMax = 2147483647 };

HWND OwnerOf(const AppRecord& app) { return static_cast<HWND>(app.link.mainWindow); }

// The icon comes from the module that holds the template, the one the
// dialog was created from.
void InitOptionsDialog(HWND dialog, AppRecord& app) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  HICON icon = LoadIconA(module, MAKEINTRESOURCEA(IDI_APPICON));
  SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  CenterWindowOver(dialog, OwnerOf(app), true);
  LoadSettings();
  for (int k = 0; k < kFlagCount; ++k)
    CheckDlgButton(dialog, IDC_SORTASCENDING + k, OptionFlag(g_sortOptions, k) ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(dialog, IDC_COLUMNFROM, g_sortOptions.ColumnFrom, FALSE);
  SetDlgItemInt(dialog, IDC_COLUMNWIDTH, g_sortOptions.ColumnWidth, FALSE);
  UpdateControlStates(dialog);
}

// Reads one number field through the scratch buffer. A refused value leaves
// target alone and tells the user the range; the dialog stays open.
bool ReadNumberField(HWND dialog, int id, uint32_t& target, const char* rangeText, AppRecord& app) {
  std::memset(app.scratch, 0, sizeof app.scratch);
  GetDlgItemTextA(dialog, id, app.scratch, sizeof app.scratch);
  if (ParseUnsignedField(target, app.scratch)) return true;
  FormatText(app.scratch, rangeText, static_cast<unsigned>(kFieldMin), static_cast<unsigned>(kFieldMax));
  ShowMessageBox(OwnerOf(app), app.scratch, kBoxOk | kBoxIconInformation);
  return false;
}

// OK: boxes into the flags (disabled ones too), then the two fields in
// order, stopping at the first refusal; only a full success saves.
int ConfirmOptions(HWND dialog, AppRecord& app) {
  for (int k = 0; k < kFlagCount; ++k)
    OptionFlag(g_sortOptions, k) = IsDlgButtonChecked(dialog, IDC_SORTASCENDING + k) == BST_CHECKED ? 1 : 0;
  if (!ReadNumberField(dialog, IDC_COLUMNFROM, g_sortOptions.ColumnFrom, kTextColumnFromRange, app)) return 0;
  if (!ReadNumberField(dialog, IDC_COLUMNWIDTH, g_sortOptions.ColumnWidth, kTextColumnWidthRange, app)) return 0;
  SaveSettings(app);
  AnimateIfAvailable(dialog, kAnimationTime, kHideAnimation);
  return IDOK;
}

int OnOptionsCommand(HWND dialog, int id, AppRecord& app) {
  switch (id) {
    case IDOK:
      return ConfirmOptions(dialog, app);
    case IDCANCEL:  // also Esc; ends through WM_CLOSE like the close box
      SendMessageA(dialog, WM_CLOSE, 0, 0);
      return 0;
    case IDC_SORTBYCOLUMN:
    case IDC_TREATNUMBERASNUMERICAL:
      UpdateControlStates(dialog);
      return 0;
  }
  return 0;
}

// The dialog's answer to one message: IDOK or IDCANCEL end it, 0 goes on.
// Messages that come before WM_INITDIALOG (the controls being created) have
// no record yet and need none.
int HandleOptionsMessage(HWND dialog, UINT message, WPARAM wParam, AppRecord* app) {
  if (!app) return 0;
  switch (message) {
    case WM_INITDIALOG:
      InitOptionsDialog(dialog, *app);
      return 0;
    case WM_SHOWWINDOW:
      AnimateIfAvailable(dialog, kAnimationTime, kShowAnimation);
      return 0;
    case WM_CLOSE:
      AnimateIfAvailable(dialog, kAnimationTime, kHideAnimation);
      return IDCANCEL;
    case WM_COMMAND:
      return OnOptionsCommand(dialog, LOWORD(wParam), *app);
  }
  return 0;
}

}  // namespace

void UpdateControlStates(HWND dialog) {
  const BOOL numbers = IsDlgButtonChecked(dialog, IDC_TREATNUMBERASNUMERICAL) == BST_CHECKED;
  EnableWindow(GetDlgItem(dialog, IDC_TREATZENNUMASNUMERICAL), numbers);
  const BOOL column = IsDlgButtonChecked(dialog, IDC_SORTBYCOLUMN) == BST_CHECKED;
  const int columnControls[] = {IDC_COLUMNFROM, IDC_COLUMNFROM_LABEL, IDC_COLUMNWIDTH, IDC_COLUMNWIDTH_LABEL};
  for (int id : columnControls) EnableWindow(GetDlgItem(dialog, id), column);
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) g_dialogApp = reinterpret_cast<AppRecord*>(lParam);
  const int number = HandleOptionsMessage(dialog, message, wParam, g_dialogApp);
  if (number == IDOK || number == IDCANCEL) EndDialog(dialog, number);
  return FALSE;
}

int RunOptionsDialog(AppRecord& app, HINSTANCE module) {
  INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_OPTIONS), OwnerOf(app), OptionsDialogProc,
                                   reinterpret_cast<LPARAM>(&app));
  if (result == -1) {
    ShowMessageBox(OwnerOf(app), kTextDialogFailed, kBoxOk | kBoxIconInformation);
    return IDCANCEL;
  }
  return static_cast<int>(result);
}
