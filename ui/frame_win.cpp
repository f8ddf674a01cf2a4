#include "ui/frame.h"

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "ui/assert.h"
#include "ui/dialogs.h"

HWND gBackButton = nullptr;
HWND gNextButton = nullptr;
RECT gPageRect = {0, 0, 0, 0};
HWND gCurrentPage = nullptr;
int gPageDone = 0;
int gPageResult = 0;

bool CreateMainDialog() {
  InitControlClasses();
  gMainDialog = CreateDialogParamA(gInstance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, MainDialogProc, 0);
  if (gMainDialog == nullptr) return false;
  gBackButton = GetDlgItem(gMainDialog, IDC_BACK);
  gNextButton = GetDlgItem(gMainDialog, IDC_NEXT);

  HWND area = GetDlgItem(gMainDialog, IDC_PAGE_AREA);
  RECT screen;
  if (area == nullptr || !GetWindowRect(area, &screen)) return false;
  POINT topLeft = {screen.left, screen.top};
  POINT bottomRight = {screen.right, screen.bottom};
  if (!ScreenToClient(gMainDialog, &topLeft) || !ScreenToClient(gMainDialog, &bottomRight)) return false;
  gPageRect.left = topLeft.x;
  gPageRect.top = topLeft.y;
  gPageRect.right = bottomRight.x;
  gPageRect.bottom = bottomRight.y;
  return gBackButton != nullptr && gNextButton != nullptr;
}

void ShowPage(HWND page) {
  if (gCurrentPage != nullptr) ShowWindow(gCurrentPage, SW_HIDE);
  MoveWindow(page, gPageRect.left, gPageRect.top, gPageRect.right - gPageRect.left,
             gPageRect.bottom - gPageRect.top, FALSE);
  ShowWindow(page, SW_SHOW);
  gCurrentPage = page;
}

PageResult RunPage() {
  gPageDone = 0;
  gPageResult = pageNone;
  MSG message;
  for (;;) {
    // 0 is the end of the application; -1 a queue that cannot be read any more.
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) return pageNone;
    if (!IsDialogMessageA(gMainDialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (gPageDone == 1) break;
  }
  return static_cast<PageResult>(gPageResult);
}

void EndPage(int result) {
  gPageDone = 1;
  gPageResult = result;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(dialog);
      return TRUE;
    case WM_COMMAND:
      // wParam is compared whole: only clicks (notification 0) count. IDCANCEL, which
      // Esc and the frame's missing close box would send, does nothing.
      switch (wParam) {
        case IDC_NEXT:
          if (gCurrentPage != nullptr && SendMessageA(gCurrentPage, msgQueryNext, 0, 0) == 1) {
            EndPage(pageNext);
          }
          break;
        case IDC_CANCEL:
          if (ConfirmQuit(dialog)) EndPage(pageCancel);
          break;
        case IDC_BACK:
          EndPage(pageBack);
          break;
        default:
          break;
      }
      return TRUE;
    default:
      return FALSE;
  }
}

HWND PreparePage(HWND* page, int templateId, DLGPROC procedure) {
  SETUP_ASSERT(gMainDialog != NULL, "Main");
  if (*page == nullptr) {
    HWND created = CreateDialogParamA(gInstance, MAKEINTRESOURCEA(templateId), gMainDialog, procedure, 0);
    // Every page template is part of the program.
    SETUP_ASSERT(created != NULL, "Main");
    *page = created;
  }
  return *page;
}

PageResult RunPageDialog(HWND page) {
  ShowPage(page);
  return RunPage();
}

INT_PTR AllowNext(HWND page) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
  return TRUE;
}
