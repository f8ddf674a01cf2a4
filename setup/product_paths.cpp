#include "setup/product_paths.h"

#include <cstdlib>
#include <cstring>

#include "text/path_parts.h"
#include "text/strings.h"

namespace {

char* Prefix(const char* text, size_t length) {
  char* out = static_cast<char*>(std::malloc(length + 1));
  if (out == nullptr) return nullptr;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return out;
}

}  // namespace

char* FolderOf(const char* path) {
  const PathParts parts = SplitPath(path);
  return Prefix(path, parts.folderEnd > parts.driveEnd ? parts.folderEnd - 1 : parts.driveEnd);
}

char* UninstallCommand(const char* uninstaller, const char* log) {
  const PathParts own = SplitPath(uninstaller);
  const PathParts logParts = SplitPath(log);
  // Byte for byte: both come from the same variables, and a doubt costs only the
  // longer form.
  const bool beside = own.folderEnd == logParts.folderEnd &&
                      std::strncmp(uninstaller, log, own.folderEnd) == 0;
  if (beside) return ConcatStrings("\"", uninstaller, "\" ", log + logParts.folderEnd, nullptr);
  return ConcatStrings("\"", uninstaller, "\" \"", log, "\"", nullptr);
}
