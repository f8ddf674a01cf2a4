// The wizard pages. Each page is a child dialog of the frame, made on its function's
// first call and kept; the function puts its inputs into the controls, runs the page
// in the frame until Back, Next or a confirmed Cancel, and hands the user's answer
// back whatever the result was.
#pragma once

#include <windows.h>

#include "ui/frame.h"

// The first and the last setup type.
enum SetupType {
  componentsTypical = 0,
  componentsPortable = 3,
};

// Each page's dialog, none until its function's first call.
extern HWND gTextPage;
extern HWND gAgreementPage;
extern HWND gAssociatePage;
extern HWND gSetupTypePage;
extern HWND gComponentPage;
extern HWND gPathPage;
extern HWND gProgramFolderPage;

// Shows text exactly as given ($(Name) is not expanded); all text pages share one
// dialog.
PageResult RunTextPage(const char* text);
// The text in a scrolling read-only box under the agreement heading.
PageResult RunAgreementPage(const char* text);
// Yes preselected when *associate is nonzero; *associate becomes 1 for Yes, 0 for No.
PageResult RunAssociatePage(int* associate);
INT_PTR CALLBACK PageDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// One radio button, description and icon per configured setup type; *type (0 to 3)
// preselects one and receives the choice.
PageResult RunSetupTypePage(int* type);
// The component tree; its check boxes edit gCustomSelection directly.
PageResult RunComponentPage();
INT_PTR CALLBACK ComponentPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComponentTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);

// The folder that the variable names, changed only through Browse, stored back into
// the variable. The prompt is shown as given.
PageResult RunPathPage(const char* prompt, const char* variableName);
// Procedure of the path page, and of the setup type page, which has no Browse button.
INT_PTR CALLBACK BrowsePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// *name is a heap string owned by the caller; it is replaced by the edit's text, a new
// heap string, when the page ends.
PageResult RunProgramFolderPage(char** name);
INT_PTR CALLBACK ProgramFolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Fills the list with the folders in the user's Programs menu folder; a folder that
// cannot be searched leaves the list as it is.
void FillExistingFolders(HWND list);
