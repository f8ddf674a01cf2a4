#include <windows.h>
#include <commctrl.h>

#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "ui/dialogs.h"

bool CreateExtractDialog() {
  InitControlClasses();
  gExtractDialog =
      CreateDialogParamA(gInstance, MAKEINTRESOURCEA(IDD_EXTRACT), nullptr, ExtractDialogProc, 0);
  if (gExtractDialog == nullptr) return false;
  gExtractProgress = GetDlgItem(gExtractDialog, IDC_PROGRESS);
  return gExtractProgress != nullptr;
}

static void AskToCancel(HWND dialog) {
  // The running extraction sees the flag and winds down; the dialog stays.
  if (ConfirmQuit(dialog)) gCancelRequested = 1;
}

INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(dialog);
      // Without the animation the dialog still works; the control stays blank.
      SendDlgItemMessageA(dialog, IDC_ANIMATION, ACM_OPENA, reinterpret_cast<WPARAM>(gInstance),
                          reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDA_EXTRACT)));
      return TRUE;
    case WM_SHOWWINDOW:
      if (wParam) {
        // Frame 0 to the last (0xFFFF), repeated without end.
        SendDlgItemMessageA(dialog, IDC_ANIMATION, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF));
      } else {
        SendDlgItemMessageA(dialog, IDC_ANIMATION, ACM_STOP, 0, 0);
      }
      return FALSE;
    case WM_CLOSE:
      AskToCancel(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CANCEL) AskToCancel(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}
