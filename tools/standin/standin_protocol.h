#pragma once

// Queries that tests send to the stand-in editor's main window to learn what
// it received and to move whole documents in and out of it. They lie far
// from the editor's own private messages.
enum : unsigned {
  // wParam: a message number. Reply: how often the main window and the first
  // edit pane received it since the start or the last reset.
  kStandinGetCount = 0xB100,
  // wParam: a message number. Reply: the wParam it last came with (0 if never).
  kStandinGetLastWParam = 0xB101,
  // Sets every count and last wParam back to 0.
  kStandinResetCounts = 0xB102,
  // wParam: a global atom naming a file. The first pane's bytes are written
  // to it, as they are. Reply: 1 when written.
  kStandinSaveText = 0xB103,
  // wParam: a global atom naming a file. Its bytes become the first pane's
  // document, caret at 0, no undo. Reply: 1 when loaded.
  kStandinLoadText = 0xB104,
};

// The messages that the stand-in counts, main window and first pane together.
// Any other message number has a count of 0.
//   WM_GETTEXT WM_GETTEXTLENGTH WM_SETTEXT WM_CLEAR EM_GETSEL EM_SETSEL
//   EM_REPLACESEL EM_UNDO EDM_GOTOLINE EDM_GETSELECTIONKIND EDM_EXPORTTEXT
//   EDM_IMPORTTEXT

// The executables built from the one source, by the FileVersion they carry.
inline constexpr char kStandinExe_0_73_0_1[] = "MorvaneStandin.exe";
inline constexpr char kStandinExe_0_72_0_6[] = "MorvaneStandin_0_72_0_6.exe";
inline constexpr char kStandinExe_0_72_0_5[] = "MorvaneStandin_0_72_0_5.exe";
inline constexpr char kStandinExeNoVersion[] = "MorvaneStandin_NoVersion.exe";
