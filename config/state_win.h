// The part of the setup state that holds Windows objects.
#pragma once

#include <windows.h>
#include <objidl.h>

extern HINSTANCE gInstance;
extern IMalloc* gShellAllocator;
extern OSVERSIONINFOA gVersionInfo;  // platform id 1: 95/98 family, 2: NT family
extern HWND gMainDialog;
extern HWND gExtractDialog;
extern HWND gExtractProgress;
