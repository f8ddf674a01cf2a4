#include <windows.h>

#include "payload/directories.h"
#include "system/uninstall_log.h"
#include "text/code_page.h"
#include "text/status.h"

namespace {

// Index of the first backslash after which folders may be created: past the server
// and share of a network path ("\\server\share\"), which cannot be created as folders.
size_t FirstCreatable(const char* path) {
  if (path[0] != '\\' || path[1] != '\\') return 0;
  size_t i = 2;
  for (int separators = 0; path[i] != '\0'; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      ++i;
    } else if (path[i] == '\\' && ++separators == 2) {
      return i + 1;
    }
  }
  return i;
}

}  // namespace

int CreateDirectories(char* path) {
  for (size_t i = FirstCreatable(path); path[i] != '\0'; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      ++i;
      continue;
    }
    if (path[i] != '\\' || i == 0) continue;  // a leading backslash names no folder
    path[i] = '\0';
    if (CreateDirectoryA(path, nullptr)) {
      LogDirectory(path);
    } else {
      // A bare drive such as "C:" answers "already exists" or "access denied".
      DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) {
        path[i] = '\\';
        return statusCannotCreateDirectory;
      }
    }
    path[i] = '\\';
  }
  return statusOk;
}
