#include "support/window_driver.h"

#include <algorithm>

std::string WindowText(HWND window) {
  char buffer[4096] = "";
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

std::string DlgItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? WindowText(item) : std::string();
}

static BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows(DWORD threadId) {
  std::vector<HWND> windows;
  EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

static bool IsDialogWindow(HWND window) {
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  return std::string(name) == "#32770";
}

HWND WaitForNewDialog(DWORD threadId, const std::vector<HWND>& known, int controlId, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    for (HWND window : ThreadWindows(threadId)) {
      if (std::find(known.begin(), known.end(), window) != known.end()) continue;
      if (IsDialogWindow(window) && IsWindowVisible(window) && GetDlgItem(window, controlId) != nullptr) {
        return window;
      }
    }
    Sleep(10);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(window)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void ClickDlgItem(HWND dialog, int id) { Click(GetDlgItem(dialog, id)); }

void PressKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, LPARAM(0xC0000001));
}

MessageBoxSeen AnswerMessageBox(DWORD threadId, const std::vector<HWND>& known, int buttonId,
                                DWORD timeoutMs) {
  MessageBoxSeen seen;
  HWND box = WaitForNewDialog(threadId, known, buttonId, timeoutMs);
  if (box == nullptr) return seen;
  seen.found = true;
  seen.text = DlgItemText(box, 0xFFFF);
  seen.caption = WindowText(box);
  seen.owner = GetWindow(box, GW_OWNER);
  seen.hasYesNo = GetDlgItem(box, IDYES) != nullptr && GetDlgItem(box, IDNO) != nullptr;
  ClickDlgItem(box, buttonId);
  WaitForWindowGone(box, timeoutMs);
  return seen;
}

BackgroundTask::BackgroundTask(std::function<void()> work) : work_(std::move(work)) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BackgroundTask::~BackgroundTask() {
  if (thread_ != nullptr) {
    Join();
    CloseHandle(thread_);
  }
}

DWORD WINAPI BackgroundTask::Run(void* self) {
  static_cast<BackgroundTask*>(self)->work_();
  return 0;
}

bool BackgroundTask::Join(DWORD timeoutMs) {
  if (thread_ == nullptr) return false;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) return false;
    DWORD result = MsgWaitForMultipleObjects(1, &thread_, FALSE, timeoutMs - waited, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    if (result != WAIT_OBJECT_0 + 1) return false;
    PumpMessages(0);
  }
}

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (ms > 0) Sleep(5);
  } while (GetTickCount() - start < ms);
}
