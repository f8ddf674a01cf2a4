#include <windows.h>

#include <cstdlib>

#include "system/uninstall_log.h"
#include "text/status.h"

int WriteUninstallLog(const char* path, const char* productName) {
  LogFile(path);  // so that the uninstaller removes the log too

  size_t size = UninstallLogImageSize();
  uint8_t* image = static_cast<uint8_t*>(std::malloc(size));
  if (image == nullptr) return statusNoMemory;
  BuildUninstallLogImage(image, productName);

  int status = statusOk;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    status = statusCannotCreateFile;
  } else {
    DWORD written = 0;
    if (!WriteFile(file, image, DWORD(size), &written, nullptr) || written != size) {
      status = statusWriteFailed;
    }
    if (!CloseHandle(file)) status = statusWriteFailed;
    // A log cut short would mislead the uninstaller more than none.
    if (status != statusOk) DeleteFileA(path);
  }
  std::free(image);
  return status;
}
