#include "config/state_win.h"

HINSTANCE gInstance = nullptr;
IMalloc* gShellAllocator = nullptr;
OSVERSIONINFOA gVersionInfo;
HWND gMainDialog = nullptr;
HWND gExtractDialog = nullptr;
HWND gExtractProgress = nullptr;
