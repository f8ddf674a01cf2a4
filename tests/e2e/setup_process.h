// A setup program run as a user runs it: started as its own process, its windows
// found and driven with posted clicks and typed text, its message boxes answered.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The kinds of wizard page, told apart by their controls.
enum PageKind { kindNone, kindText, kindAgreement, kindSetupType, kindComponents, kindPath,
                kindProgramFolder, kindAssociate };

class SetupProcess {
 public:
  // Starts the setup program (a Unix path is taken as a path on drive Z:) with the
  // arguments, if any.
  explicit SetupProcess(const std::string& program, const std::string& arguments = "");
  // Starts a command line as it stands, program name quoted or not.
  struct CommandLine {
    std::string text;
  };
  explicit SetupProcess(const CommandLine& command);
  ~SetupProcess();

  bool Started() const { return process_.hProcess != nullptr; }
  DWORD ThreadId() const { return process_.dwThreadId; }

  // The wizard frame once it is visible; none after the timeout.
  HWND WaitForFrame(DWORD timeoutMs = 15000);
  HWND Frame() const { return frame_; }

  // The page dialog shown in the frame, and its kind.
  HWND CurrentPage() const;
  PageKind CurrentKind() const;

  // Waits until a page of the kind is shown; for a text page that was shown before,
  // until its text differs from notText. None after the timeout.
  HWND WaitForPage(PageKind kind, const std::string& notText = "", DWORD timeoutMs = 15000);

  void ClickNext();
  void ClickBack();
  void ClickCancel();

  // A top-level window of the setup with the control id, not in known.
  HWND WaitForWindow(int controlId, const std::vector<HWND>& known = {}, DWORD timeoutMs = 15000);
  std::vector<HWND> Windows() const;

  // Waits for the process to end and returns its exit code, or -1 after the timeout.
  int WaitForExit(DWORD timeoutMs = 60000);

 private:
  PROCESS_INFORMATION process_{};
  HWND frame_ = nullptr;
};

// A Unix path as the path on drive Z: that Wine gives it; other paths as they are.
std::string WindowsPath(std::string path);

std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);
bool IsChecked(HWND dialog, int id);
bool IsVisibleControl(HWND dialog, int id);

// Waits until pred() holds; false after the timeout.
template <typename Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs = 15000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (pred()) return true;
    Sleep(20);
  }
  return pred();
}
