// Window placement, the quit question, and the Extract and restart dialogs.
#pragma once

#include <windows.h>

// Registers the common control classes the dialogs use (animation, progress bar,
// tree view). Done once; later calls only report the first result.
bool InitControlClasses();

// Moves the window, keeping its size and activation, as CenteredPosition places it
// on the screen.
bool CenterWindow(HWND window);

// Asks "Are you sure you want to quit?" in a message box owned by owner.
// True for Yes.
bool ConfirmQuit(HWND owner);

// The Extract dialog: created hidden, without an owner; sets gExtractDialog and
// gExtractProgress. False when it could not be created.
bool CreateExtractDialog();
INT_PTR CALLBACK ExtractDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The restart dialog, run modally (owned by the frame) by the install phase; its
// answer is gRestartLater.
INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
