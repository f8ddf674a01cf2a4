// The program folder page: the name of the program-menu folder, typed or picked from
// the folders that already exist in the user's Programs menu folder.
#include <shlobj.h>

#include <cstdlib>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "text/folder_name.h"
#include "ui/folder_name_message.h"
#include "ui/pages.h"
#include "ui/utility.h"

HWND gProgramFolderPage = nullptr;

namespace {

// Every time the page is shown: the whole name selected, the focus in the edit, and
// the list on the folder of that name if there is one.
void ShowProgramFolder(HWND page) {
  SelectDlgItemText(page, IDC_PROGRAM_FOLDER, 0, -1);
  FocusDlgItem(page, IDC_PROGRAM_FOLDER);
  char* name = GetDlgItemString(page, IDC_PROGRAM_FOLDER);
  if (name == nullptr) return;
  // The exact-match search ignores case.
  const LRESULT found = SendDlgItemMessageA(page, IDC_EXISTING_FOLDERS, LB_FINDSTRINGEXACT, WPARAM(-1),
                                            LPARAM(name));
  if (found != LB_ERR) SendDlgItemMessageA(page, IDC_EXISTING_FOLDERS, LB_SETCURSEL, WPARAM(found), 0);
  std::free(name);
}

void TakeListedFolder(HWND page) {
  HWND list = GetDlgItem(page, IDC_EXISTING_FOLDERS);
  const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return;
  const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, WPARAM(index), 0);
  if (length == LB_ERR) return;
  char* name = static_cast<char*>(std::malloc(size_t(length) + 1));
  if (name == nullptr) return;
  if (SendMessageA(list, LB_GETTEXT, WPARAM(index), LPARAM(name)) != LB_ERR) {
    SetDlgItemString(page, IDC_PROGRAM_FOLDER, name);
    SelectDlgItemText(page, IDC_PROGRAM_FOLDER, 0, 0x7FFF);
  }
  std::free(name);
}

// Next only for a name that can be a folder's; a refused name is selected in the
// edit, ready to be typed over.
INT_PTR AnswerNext(HWND page) {
  char* name = GetDlgItemString(page, IDC_PROGRAM_FOLDER);
  const FolderNameProblem problem = name != nullptr ? CheckFolderName(name) : folderNameOk;
  INT_PTR answer;
  if (problem == folderNameOk) {
    answer = AllowNext(page);
  } else {
    answer = RefuseNext(page, FolderNameMessage(problem), name);
    SelectDlgItemText(page, IDC_PROGRAM_FOLDER, 0, -1);
    FocusDlgItem(page, IDC_PROGRAM_FOLDER);
  }
  std::free(name);
  return answer;
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

void FillExistingFolders(HWND list) {
  LPITEMIDLIST location = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, &location)) || location == nullptr) return;
  char pattern[MAX_PATH + 2];
  const bool found = SHGetPathFromIDListA(location, pattern) != FALSE;
  gShellAllocator->Free(location);
  if (!found) return;
  lstrcatA(pattern, "\\*");

  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsDotEntry(entry.cFileName)) {
      SendMessageA(list, LB_ADDSTRING, 0, LPARAM(entry.cFileName));  // the list sorts
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

INT_PTR CALLBACK ProgramFolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      FillExistingFolders(GetDlgItem(page, IDC_EXISTING_FOLDERS));
      return FALSE;  // the focus is set when the page is shown
    case WM_SHOWWINDOW:
      if (wParam) ShowProgramFolder(page);
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_EXISTING_FOLDERS && HIWORD(wParam) == LBN_SELCHANGE) TakeListedFolder(page);
      return TRUE;
    case msgQueryNext:
      return AnswerNext(page);
    default:
      return FALSE;
  }
}

PageResult RunProgramFolderPage(char** name) {
  HWND page = PreparePage(&gProgramFolderPage, IDD_PROGRAM_FOLDER_PAGE, ProgramFolderPageProc);
  SetDlgItemString(page, IDC_PROGRAM_FOLDER, *name != nullptr ? *name : "");
  PageResult result = RunPageDialog(page);
  // Handed back on every way out; a text that cannot be read keeps the old name.
  char* typed = GetDlgItemString(page, IDC_PROGRAM_FOLDER);
  if (typed != nullptr) {
    std::free(*name);
    *name = typed;
  }
  return result;
}
