#include "ui/frame.h"

#include <cstdlib>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "text/resource_text.h"
#include "ui/assert.h"
#include "ui/dialogs.h"
#include "ui/picture_win.h"

HWND gBackButton = nullptr;
HWND gNextButton = nullptr;
RECT gPageRect = {0, 0, 0, 0};
HWND gCurrentPage = nullptr;
int gPageDone = 0;
int gPageResult = 0;

namespace {

// The frame's picture is its one bitmap static, which has no id of its own. The
// frame keeps the bitmap until the process ends. Without it the place stays empty,
// as it would for a bitmap resource the system could not load.
void ShowWizardPicture() {
  for (HWND c = GetWindow(gMainDialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
    HBITMAP picture = LoadPicture(IDB_WIZARD);
    if (picture != nullptr) SendMessageA(c, STM_SETIMAGE, IMAGE_BITMAP, LPARAM(picture));
    return;
  }
}

}  // namespace

bool CreateMainDialog() {
  InitControlClasses();
  gMainDialog = CreateDialogParamA(gInstance, MAKEINTRESOURCEA(IDD_FRAME), nullptr, MainDialogProc, 0);
  if (gMainDialog == nullptr) return false;
  gBackButton = GetDlgItem(gMainDialog, IDC_BACK);
  gNextButton = GetDlgItem(gMainDialog, IDC_NEXT);
  ShowWizardPicture();

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

namespace {

bool CanTakeFocus(HWND control) {
  return IsWindowVisible(control) && IsWindowEnabled(control);
}

// Push buttons and statics hold nothing the user types or picks; a focused push
// button would also take Enter away from Next.
bool HoldsInput(HWND control) {
  const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_STATIC)) == 0;
}

// The checked button of the radio group that starts at first, or first itself.
HWND CheckedInGroup(HWND first) {
  for (HWND button = first; button != nullptr; button = GetWindow(button, GW_HWNDNEXT)) {
    if (button != first && (GetWindowLongA(button, GWL_STYLE) & WS_GROUP) != 0) break;
    if (CanTakeFocus(button) && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) return button;
  }
  return first;
}

// The page's first tab stop that holds input, or Next when it has none.
HWND FirstInput(HWND page) {
  for (HWND control = GetWindow(page, GW_CHILD); control != nullptr;
       control = GetWindow(control, GW_HWNDNEXT)) {
    if ((GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) == 0) continue;
    if (!CanTakeFocus(control) || !HoldsInput(control)) continue;
    if ((SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0) return CheckedInGroup(control);
    return control;
  }
  return gNextButton;
}

// A page that put the focus on one of its own controls while it was being shown
// keeps that choice; otherwise the focus goes to the page's first input. Either way
// no hidden page, and no disabled button, keeps it.
void FocusShownPage(HWND page) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(page, focus) && CanTakeFocus(focus)) return;
  SetFocus(FirstInput(page));
}

}  // namespace

void ShowPage(HWND page) {
  if (gCurrentPage != nullptr) ShowWindow(gCurrentPage, SW_HIDE);
  MoveWindow(page, gPageRect.left, gPageRect.top, gPageRect.right - gPageRect.left,
             gPageRect.bottom - gPageRect.top, FALSE);
  ShowWindow(page, SW_SHOW);
  gCurrentPage = page;
  FocusShownPage(page);
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
      // The focus goes to the first page when it is shown; given to Back now, it
      // would vanish when the driver disables Back on that page.
      return FALSE;
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

INT_PTR RefuseNext(HWND page, int messageEntry, const char* insert) {
  char* text = FormatResourceMessage(messageEntry, insert != nullptr ? insert : "");
  // The frame's own caption names the program the user is answering.
  char caption[256] = "";
  GetWindowTextA(gMainDialog, caption, sizeof caption);
  MessageBoxA(gMainDialog, text != nullptr ? text : "", caption, MB_OK | MB_ICONEXCLAMATION);
  std::free(text);
  SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
  return TRUE;
}
