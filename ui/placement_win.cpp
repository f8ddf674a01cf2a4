#include <windows.h>

#include "ui/dialogs.h"
#include "ui/placement.h"

bool CenterWindow(HWND window) {
  RECT bounds;
  if (!GetWindowRect(window, &bounds)) return false;
  WindowPosition position =
      CenteredPosition(bounds.right - bounds.left, bounds.bottom - bounds.top,
                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  return SetWindowPos(window, nullptr, position.x, position.y, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}
