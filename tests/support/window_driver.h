// Driving the program's windows from a test the way a user would: clicks and keys
// are posted, message boxes and modal dialogs are found and answered from a second
// thread while the thread under test sits in its modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string WindowText(HWND window);
std::string DlgItemText(HWND dialog, int id);

// Top-level windows of a thread (message boxes and dialogs included).
std::vector<HWND> ThreadWindows(DWORD threadId);

// Waits for a visible dialog window (#32770) of the thread that is not in known
// and has a control with controlId. None after timeoutMs.
HWND WaitForNewDialog(DWORD threadId, const std::vector<HWND>& known, int controlId,
                      DWORD timeoutMs = 10000);

// Waits until the window is gone; false after timeoutMs.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 10000);

// A click on a button as a user's click arrives: posted, never sent.
void Click(HWND button);
void ClickDlgItem(HWND dialog, int id);
// A key press posted to a window (WM_KEYDOWN, then WM_KEYUP).
void PressKey(HWND window, WPARAM key);

// A message box as it was answered: its text (static 0xFFFF), caption and owner.
struct MessageBoxSeen {
  bool found = false;
  std::string text;
  std::string caption;
  HWND owner = nullptr;
  bool hasYesNo = false;
};

// Waits for a new message box of the thread, reads it and presses the button with
// buttonId, then waits until it is gone.
MessageBoxSeen AnswerMessageBox(DWORD threadId, const std::vector<HWND>& known, int buttonId,
                                DWORD timeoutMs = 10000);

// Runs work on a second thread. Join waits for it while dispatching the calling
// thread's messages, so that windows of the calling thread keep answering.
class BackgroundTask {
 public:
  explicit BackgroundTask(std::function<void()> work);
  ~BackgroundTask();
  bool Join(DWORD timeoutMs = 30000);

 private:
  static DWORD WINAPI Run(void* self);
  std::function<void()> work_;
  HANDLE thread_ = nullptr;
};

// Dispatches the calling thread's messages for about ms milliseconds.
void PumpMessages(DWORD ms);
