// Holds the desktop of a test prefix open for a whole test run.
//   desktop_keeper.exe READY_FILE   creates READY_FILE once a window can be made, then
//                                   waits until the prefix's server ends it
// Wine closes a desktop and its explorer a second after the last program on it ends,
// and starts them again for the next one; a program that starts while they go finds
// no desktop and cannot make a window, so a message box it shows returns at once.
// Held open, the desktop starts once, before any test, where a failure is told.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR readyFile, int) {
  // A window made proves the desktop and its display driver are up.
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                               nullptr);
  if (probe == nullptr) return 1;
  DestroyWindow(probe);
  HANDLE ready = CreateFileA(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  // Waits as a program of the session does, its queue served.
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
