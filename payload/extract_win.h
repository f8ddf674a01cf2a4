// The extraction's Windows state.
#pragma once

#include <windows.h>

// The temporary file being written; INVALID_HANDLE_VALUE between files.
extern HANDLE gOutputFile;
