#include <windows.h>

#include "payload/directories.h"
#include "system/uninstall_log.h"
#include "text/path_parts.h"
#include "text/status.h"

namespace {

// Index of the first separator after which folders may be created: past the server
// and share of a network path ("\\server\share\"), which cannot be created as folders.
size_t FirstCreatable(const char* path) {
  if (!IsPathSeparator(path[0]) || !IsPathSeparator(path[1])) return 0;
  size_t server = FindPathSeparator(path, 2);
  if (path[server] == '\0') return server;
  size_t share = FindPathSeparator(path, server + 1);
  return path[share] == '\0' ? share : share + 1;
}

}  // namespace

int CreateDirectories(char* path) {
  for (size_t i = FindPathSeparator(path, FirstCreatable(path)); path[i] != '\0';
       i = FindPathSeparator(path, i + 1)) {
    if (i == 0) continue;  // a leading separator names no folder
    const char separator = path[i];
    path[i] = '\0';
    if (CreateDirectoryA(path, nullptr)) {
      LogDirectory(path);
    } else {
      // A bare drive such as "C:" answers "already exists" or "access denied".
      DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) {
        path[i] = separator;
        return statusCannotCreateDirectory;
      }
    }
    path[i] = separator;
  }
  return statusOk;
}
