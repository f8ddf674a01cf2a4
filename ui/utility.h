// Helpers for the controls of a dialog. Each looks the control up by id; a missing
// control is a fault of the program (assertion "child != NULL", source Utility).
#pragma once

#include <windows.h>

void ShowDlgItem(HWND dialog, int id);
void EnableDlgItem(HWND dialog, int id, bool enable);
void SelectDlgItemText(HWND dialog, int id, int start, int end);  // EM_SETSEL
bool SetDlgItemString(HWND dialog, int id, const char* text);
// The control's text as a new heap string the caller frees; none when out of memory.
char* GetDlgItemString(HWND dialog, int id);
void FocusDlgItem(HWND dialog, int id);
