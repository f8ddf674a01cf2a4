// The wizard frame and the hosting of its pages. Each page is a child dialog that
// is shown in the frame's page area and runs in a nested message loop until Back,
// Next or a confirmed Cancel ends it.
#pragma once

#include <windows.h>

#include "ui/page_result.h"

// The frame asks the current page whether Next may proceed (wParam 0, lParam 0).
// A page allows it by answering 1 (AllowNext); any other answer keeps it open.
constexpr UINT msgQueryNext = WM_USER + 5;


extern HWND gBackButton;
extern HWND gNextButton;
extern RECT gPageRect;  // the page area, in frame client coordinates
extern HWND gCurrentPage;
extern int gPageDone;
extern int gPageResult;

// Creates the frame hidden and without an owner, and fills the frame state above.
// False when the frame could not be created.
bool CreateMainDialog();
// Shows the page in the page area, hides the one shown before, and gives the focus
// to the page's first control that takes input (Next when it has none).
void ShowPage(HWND page);
PageResult RunPage();
void EndPage(int result);
INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The protocol of a page function:
//   static HWND gSomePage;
//   PreparePage(&gSomePage, IDD_SOME_PAGE, SomePageProc);  // asserts the frame, creates once
//   ... put the inputs into the controls ...
//   PageResult result = RunPageDialog(gSomePage);
//   ... read the controls back, whatever the result ...
HWND PreparePage(HWND* page, int templateId, DLGPROC procedure);
PageResult RunPageDialog(HWND page);  // ShowPage, then RunPage

// A page procedure's answer to msgQueryNext that lets Next proceed.
INT_PTR AllowNext(HWND page);
// The answer that keeps the page open, after telling the user why in a message box
// owned by the frame: string-table entry messageEntry with insert as %1.
INT_PTR RefuseNext(HWND page, int messageEntry, const char* insert);
