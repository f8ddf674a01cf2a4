#include <windows.h>

#include "config/state.h"
#include "resources/resource_ids.h"
#include "ui/dialogs.h"

INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CheckRadioButton(dialog, IDC_RESTART_NOW, IDC_RESTART_LATER, IDC_RESTART_NOW);
      return TRUE;
    case WM_COMMAND:
      // Only OK ends the dialog: the close box and Esc send IDCANCEL, which is ignored.
      if (LOWORD(wParam) != IDOK) return FALSE;
      gRestartLater = IsDlgButtonChecked(dialog, IDC_RESTART_NOW) == BST_CHECKED ? 0 : 1;
      EndDialog(dialog, INT_PTR(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}
