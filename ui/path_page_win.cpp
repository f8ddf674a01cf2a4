// The path page: the folder that one path variable names, changed through Browse.
#include <cstdlib>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "text/folder_name.h"
#include "text/variables.h"
#include "ui/browse_dialog.h"
#include "ui/folder_name_message.h"
#include "ui/pages.h"
#include "ui/utility.h"

HWND gPathPage = nullptr;

namespace {

// Why the folder cannot be installed into, as a string-table entry; 0 when it can.
int PathProblem(const char* path) {
  const FolderNameProblem problem = CheckFolderPath(path);
  if (problem != folderNameOk) return FolderNameMessage(problem);
  while (*path == ' ') ++path;
  const char root[4] = {path[0], ':', '\\', '\0'};
  if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR) return IDS_NO_SUCH_DRIVE;
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return IDS_PATH_IS_FILE;
  }
  return 0;
}

// The setup type page shares this procedure and has no folder to check.
INT_PTR AnswerNext(HWND page) {
  if (page != gPathPage) return AllowNext(page);
  char* path = GetDlgItemString(page, IDC_FOLDER_PATH);
  const int problem = path != nullptr ? PathProblem(path) : 0;
  const INT_PTR answer = problem == 0 ? AllowNext(page) : RefuseNext(page, problem, path);
  std::free(path);
  return answer;
}

}  // namespace

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
        // The folder is chosen: Next is what comes now, and Enter must press it
        // rather than open the browser again.
        SendMessageA(gMainDialog, WM_NEXTDLGCTL, WPARAM(gNextButton), TRUE);
      }
      return TRUE;
    case msgQueryNext:
      return AnswerNext(page);
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
