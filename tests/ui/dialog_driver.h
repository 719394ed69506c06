// Drives the options dialog from a second thread as a user would, while the
// test's main thread runs the dialog's modal loop. Every wait has a deadline,
// so a window that never comes (or a stray box) fails the test, not hangs it.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

class DialogDriver {
 public:
  explicit DialogDriver(HWND owner) : owner_(owner) {}

  // The options dialog, visible and owned by the owner window.
  bool WaitForDialog();
  HWND dialog() const { return dialog_; }

  void Click(int id);                       // a check box, synchronously
  void Press(int id);                       // a push button; may open a box
  void Key(UINT virtualKey);                // a key to the dialog (Esc, Enter)
  void AltKey(char letter);                 // an Alt+letter mnemonic
  void CloseBox();                          // the caption's close box
  void Type(int id, const wchar_t* text);   // replaces a field's text
  std::wstring Text(int id) const;
  bool Checked(int id) const;
  bool Enabled(int id) const;
  HWND Focus() const;                       // the control with the keyboard focus

  // Waits for a message box owned by the owner window, reads its text and
  // owner, and dismisses it. False when none comes.
  bool TakeMessageBox(std::string& text, HWND& boxOwner);
  // Waits until the dialog's thread is back in its loop, then looks for a box.
  bool NoMessageBox();
  // Polls until the condition holds; false after the deadline. Posted input
  // (keys, clicks) is not ordered with sent messages, so its effects are
  // waited for.
  bool WaitUntil(const std::function<bool()>& condition) const;
  // Returns once the dialog's thread has handled everything sent so far.
  void Sync() const;
  bool WaitForEnd();

 private:
  HWND owner_;
  HWND dialog_ = nullptr;
};

// Finds a visible top-level dialog-class window with this title and owner.
HWND FindOwnedDialog(HWND owner, const wchar_t* title);

// Closes whatever the owner still has open (boxes, then the dialog) until
// done is set, so that a failed script cannot leave the main thread stuck.
void SweepOwnedWindows(HWND owner, const std::atomic<bool>& done);
