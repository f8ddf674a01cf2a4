#include <windows.h>
#include <commctrl.h>

#include "ui/dialogs.h"

bool InitControlClasses() {
  static int registered = -1;
  if (registered < 0) {
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_ANIMATE_CLASS | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES;
    registered = InitCommonControlsEx(&classes) ? 1 : 0;
  }
  return registered == 1;
}
