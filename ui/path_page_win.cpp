// The path page: the folder that one path variable names, changed through Browse.
#include <cstdlib>

#include "resources/resource_ids.h"
#include "text/variables.h"
#include "ui/browse_dialog.h"
#include "ui/pages.h"
#include "ui/utility.h"

HWND gPathPage = nullptr;

INT_PTR CALLBACK BrowsePageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      // wParam is compared whole: only a click on Browse counts.
      if (wParam == IDC_BROWSE) {
        char* path = GetDlgItemString(page, IDC_FOLDER_PATH);
        if (path != nullptr) {
          if (BrowseForDestination(page, &path)) SetDlgItemString(page, IDC_FOLDER_PATH, path);
          std::free(path);
        }
      }
      return TRUE;
    case msgQueryNext:
      return AllowNext(page);
    default:
      return FALSE;
  }
}

PageResult RunPathPage(const char* prompt, const char* variableName) {
  HWND page = PreparePage(&gPathPage, IDD_PATH_PAGE, BrowsePageProc);
  char* folder = GetVariable(variableName);
  SetDlgItemString(page, IDC_FOLDER_PATH, folder != nullptr ? folder : "");
  std::free(folder);
  SetDlgItemString(page, IDC_HEADING, prompt);

  PageResult result = RunPageDialog(page);

  // Stored on every way out, so going Back keeps a browsed folder. A text that
  // cannot be read leaves the variable as it was.
  char* chosen = GetDlgItemString(page, IDC_FOLDER_PATH);
  if (chosen != nullptr) {
    SetVariable(variableName, chosen);
    std::free(chosen);
  }
  return result;
}
