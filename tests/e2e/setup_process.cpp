#include "e2e/setup_process.h"

#include "resources/resource_ids.h"
#include "support/window_driver.h"

std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

bool IsDialog(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}

}  // namespace

SetupProcess::SetupProcess(const std::string& program, const std::string& arguments)
    : SetupProcess(CommandLine{"\"" + WindowsPath(program) + "\"" +
                               (arguments.empty() ? "" : " " + arguments)}) {}

SetupProcess::SetupProcess(const CommandLine& commandLine) {
  std::string command = commandLine.text;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process_)) {
    process_ = PROCESS_INFORMATION{};
  }
}

SetupProcess::~SetupProcess() {
  if (process_.hProcess == nullptr) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

std::vector<HWND> SetupProcess::Windows() const { return ThreadWindows(process_.dwThreadId); }

HWND SetupProcess::WaitForWindow(int controlId, const std::vector<HWND>& known, DWORD timeoutMs) {
  return WaitForNewDialog(process_.dwThreadId, known, controlId, timeoutMs);
}

HWND SetupProcess::WaitForFrame(DWORD timeoutMs) {
  frame_ = WaitForWindow(IDC_PAGE_AREA, {}, timeoutMs);
  return frame_;
}

HWND SetupProcess::CurrentPage() const {
  if (frame_ == nullptr) return nullptr;
  std::vector<HWND> children;
  EnumChildWindows(frame_, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (GetParent(child) == frame_ && IsDialog(child) && IsWindowVisible(child)) return child;
  }
  return nullptr;
}

PageKind SetupProcess::CurrentKind() const {
  HWND page = CurrentPage();
  if (page == nullptr) return kindNone;
  if (GetDlgItem(page, IDC_COMPONENT_TREE)) return kindComponents;
  if (GetDlgItem(page, IDC_TYPE_RADIO0)) return kindSetupType;
  if (GetDlgItem(page, IDC_BROWSE)) return kindPath;
  if (GetDlgItem(page, IDC_PROGRAM_FOLDER)) return kindProgramFolder;
  if (GetDlgItem(page, IDC_ASSOCIATE_YES)) return kindAssociate;
  if (GetDlgItem(page, IDC_HEADING)) return kindAgreement;
  if (GetDlgItem(page, IDC_PAGE_TEXT)) return kindText;
  return kindNone;
}

HWND SetupProcess::WaitForPage(PageKind kind, const std::string& notText, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        if (CurrentKind() != kind) return false;
        HWND page = CurrentPage();
        if (!notText.empty() && ControlText(page, IDC_PAGE_TEXT) == notText) return false;
        found = page;
        return true;
      },
      timeoutMs);
  return found;
}

void SetupProcess::ClickNext() { ClickDlgItem(frame_, IDC_NEXT); }
void SetupProcess::ClickBack() { ClickDlgItem(frame_, IDC_BACK); }
void SetupProcess::ClickCancel() { ClickDlgItem(frame_, IDC_CANCEL); }

int SetupProcess::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return int(code);
}

// GetWindowText does not ask another process's edit controls for their text;
// WM_GETTEXT does.
std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return "";
  char buffer[4096] = "";
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                           SMTO_ABORTIFHUNG, 5000, &copied)) {
    return "";
  }
  return std::string(buffer, size_t(copied));
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool IsChecked(HWND dialog, int id) {
  return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsVisibleControl(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr && IsWindowVisible(control);
}
