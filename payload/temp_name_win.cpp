#include <windows.h>

#include "payload/temp_name.h"

namespace {

// Creates the file if the name is free. A name is taken when a file or folder has it;
// any other failure ends the search at that name, with no file.
bool ClaimName(const char* path, void* context) {
  HANDLE* file = static_cast<HANDLE*>(context);
  *file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (*file != INVALID_HANDLE_VALUE) return false;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return true;
  // A folder of that name answers "access denied".
  return error == ERROR_ACCESS_DENIED && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

HANDLE CreateTempFile(const char* path, const char* prefix, char** name) {
  HANDLE file = INVALID_HANDLE_VALUE;
  *name = MakeTempNameProbing(path, prefix, ClaimName, &file);
  return *name != nullptr ? file : INVALID_HANDLE_VALUE;
}
