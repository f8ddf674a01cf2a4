#include "ui/utility.h"

#include <cstdlib>

#include "ui/assert.h"

static HWND FindDlgItem(HWND dialog, int id) {
  HWND child = GetDlgItem(dialog, id);
  SETUP_ASSERT(child != NULL, "Utility");
  return child;
}

void ShowDlgItem(HWND dialog, int id) { ShowWindow(FindDlgItem(dialog, id), SW_SHOW); }

void EnableDlgItem(HWND dialog, int id, bool enable) {
  EnableWindow(FindDlgItem(dialog, id), enable ? TRUE : FALSE);
}

void SelectDlgItemText(HWND dialog, int id, int start, int end) {
  SendMessageA(FindDlgItem(dialog, id), EM_SETSEL, WPARAM(start), LPARAM(end));
}

bool SetDlgItemString(HWND dialog, int id, const char* text) {
  return SetWindowTextA(FindDlgItem(dialog, id), text) != FALSE;
}

char* GetDlgItemString(HWND dialog, int id) {
  HWND child = FindDlgItem(dialog, id);
  int length = GetWindowTextLengthA(child);
  if (length < 0) length = 0;
  char* text = static_cast<char*>(std::malloc(size_t(length) + 2));
  if (text == nullptr) return nullptr;
  // An empty or unreadable text leaves the terminator in place.
  text[0] = '\0';
  GetWindowTextA(child, text, length + 1);
  return text;
}

void FocusDlgItem(HWND dialog, int id) { SetFocus(FindDlgItem(dialog, id)); }
