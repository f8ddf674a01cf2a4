#include "uninstall/removal_win.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "system/rename_entries.h"
#include "system/uninstall_log_read.h"
#include "text/path_parts.h"
#include "text/strings.h"

namespace {

// The step's path as a string of its own.
char* StepPath(const RemovalStep& step) {
  char* path = static_cast<char*>(std::malloc(step.pathLength + 1));
  if (path == nullptr) return nullptr;
  std::memcpy(path, step.path, step.pathLength);
  path[step.pathLength] = '\0';
  return path;
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool RememberWaiting(RemovalContext* context, const char* path) {
  if (context->waitingCount == context->waitingCapacity) {
    size_t capacity = 2 * context->waitingCapacity + 8;
    char** waiting = static_cast<char**>(std::realloc(context->waiting, capacity * sizeof(char*)));
    if (waiting == nullptr) return false;
    context->waiting = waiting;
    context->waitingCapacity = capacity;
  }
  char* copy = DuplicateString(path);
  if (copy == nullptr) return false;
  context->waiting[context->waitingCount++] = copy;
  return true;
}

bool IsWaiting(const RemovalContext* context, const char* path) {
  for (size_t i = 0; i < context->waitingCount; ++i) {
    if (SamePath(context->waiting[i], path)) return true;
  }
  return false;
}

// Removal at the next start of Windows: a delayed delete on the NT family, a
// "NUL=<short path>" line of WININIT.INI on the 95/98 family (files only there).
int RemoveAtRestart(RemovalContext* context, const char* path, DWORD* detail) {
  bool scheduled = false;
  if (context->windows9x) {
    char* shortPath = ToShortPath(path);
    if (shortPath != nullptr && context->wininitPath != nullptr) {
      const RenameEntry entry = {"NUL", shortPath};
      scheduled = AddRenameEntries(context->wininitPath, &entry, 1);
    }
    std::free(shortPath);
  } else {
    scheduled = MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  }
  if (!scheduled) {
    *detail = GetLastError();
    return resultFailed;
  }
  if (!RememberWaiting(context, path)) {
    *detail = ERROR_NOT_ENOUGH_MEMORY;
    return resultFailed;
  }
  return resultWaits;
}

int DeleteLoggedFile(RemovalContext* context, const char* path, DWORD* detail) {
  // A running program cannot be deleted; asking would only fail.
  if (SamePath(path, context->selfPath)) return RemoveAtRestart(context, path, detail);
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *detail = GetLastError();
    return IsMissing(*detail) ? resultAbsent : resultFailed;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *detail = ERROR_DIRECTORY;  // a folder now stands where the file was
    return resultFailed;
  }
  if ((attributes & FILE_ATTRIBUTE_READONLY) &&
      !SetFileAttributesA(path, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) {
    *detail = GetLastError();
    return resultFailed;
  }
  if (DeleteFileA(path)) return resultRemoved;
  *detail = GetLastError();
  if (IsMissing(*detail)) return resultAbsent;
  if (*detail == ERROR_SHARING_VIOLATION || *detail == ERROR_ACCESS_DENIED) {
    return RemoveAtRestart(context, path, detail);
  }
  return resultFailed;
}

// Whether everything left in the folder waits for the next start of Windows.
bool OnlyWaitingEntries(const RemovalContext* context, const char* folder) {
  char* pattern = ConcatStrings(folder, "\\*", nullptr);
  if (pattern == nullptr) return false;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  std::free(pattern);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool onlyWaiting = true;
  do {
    const char* name = found.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    char* path = ConcatStrings(folder, "\\", name, nullptr);
    onlyWaiting = path != nullptr && IsWaiting(context, path);
    std::free(path);
  } while (onlyWaiting && FindNextFileA(search, &found));
  FindClose(search);
  return onlyWaiting;
}

int RemoveLoggedFolder(RemovalContext* context, const char* path, DWORD* detail) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *detail = GetLastError();
    return IsMissing(*detail) ? resultAbsent : resultFailed;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *detail = ERROR_DIRECTORY;
    return resultFailed;
  }
  if (RemoveDirectoryA(path)) return resultRemoved;
  *detail = GetLastError();
  if (*detail != ERROR_DIR_NOT_EMPTY) return resultFailed;
  if (OnlyWaitingEntries(context, path)) {
    // WININIT.INI removes files only: there the folder stays, empty.
    if (context->windows9x) {
      *detail = 0;
      return resultEmptyAfterRestart;
    }
    return RemoveAtRestart(context, path, detail);
  }
  *detail = 0;
  return resultKept;
}

HKEY RootKey(int root) {
  switch (root) {
    case rootClasses: return HKEY_CLASSES_ROOT;
    case rootCurrentUser: return HKEY_CURRENT_USER;
    default: return HKEY_LOCAL_MACHINE;
  }
}

// Deletes the key and every key below it (the NT family deletes only empty keys).
LONG DeleteKeyTree(HKEY parent, const char* name) {
  HKEY key;
  LONG result = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key);
  if (result != ERROR_SUCCESS) return result;
  char child[256];
  for (;;) {
    DWORD length = sizeof child;
    result = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) break;
    result = DeleteKeyTree(key, child);
    if (result != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  if (result != ERROR_NO_MORE_ITEMS) return result;
  return RegDeleteKeyA(parent, name);
}

int ResultOfRegistry(LONG result, DWORD* detail) {
  if (result == ERROR_SUCCESS) return resultRemoved;
  *detail = DWORD(result);
  return result == ERROR_FILE_NOT_FOUND ? resultAbsent : resultFailed;
}

bool KeyIsEmpty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

bool SameTypeName(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

// The extension's default value goes only while it still names the logged type;
// the key goes with it when nothing else is left in it.
int DeleteExtension(HKEY root, const char* path, const char* type, DWORD* detail) {
  HKEY key;
  LONG result = RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
  if (result != ERROR_SUCCESS) return ResultOfRegistry(result, detail);
  char value[256];
  DWORD size = sizeof value - 1, kind = 0;
  result = RegQueryValueExA(key, "", nullptr, &kind, reinterpret_cast<BYTE*>(value), &size);
  bool ours = false;
  if (result == ERROR_SUCCESS && kind == REG_SZ) {
    value[size < sizeof value ? size : sizeof value - 1] = '\0';
    ours = SameTypeName(value, type);
  }
  if (ours) result = RegDeleteValueA(key, "");
  const bool empty = ours && result == ERROR_SUCCESS && KeyIsEmpty(key);
  RegCloseKey(key);
  if (!ours) return resultAbsent;  // another program's now
  if (result != ERROR_SUCCESS) return ResultOfRegistry(result, detail);
  return empty ? ResultOfRegistry(RegDeleteKeyA(root, path), detail) : resultRemoved;
}

int DeleteEmptyKey(HKEY root, const char* path, DWORD* detail) {
  HKEY key;
  LONG result = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
  if (result != ERROR_SUCCESS) return ResultOfRegistry(result, detail);
  const bool empty = KeyIsEmpty(key);
  RegCloseKey(key);
  // Other products of the company keep it.
  return empty ? ResultOfRegistry(RegDeleteKeyA(root, path), detail) : resultAbsent;
}

int DeleteValue(HKEY root, const char* path, const char* name, DWORD* detail) {
  HKEY key;
  LONG result = RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key);
  if (result != ERROR_SUCCESS) return ResultOfRegistry(result, detail);
  result = RegDeleteValueA(key, name);
  RegCloseKey(key);
  return ResultOfRegistry(result, detail);
}

}  // namespace

int CarryOutStep(RemovalContext* context, const RemovalStep& step, unsigned long* detail) {
  *detail = 0;
  char* path = StepPath(step);
  if (path == nullptr) {
    *detail = ERROR_NOT_ENOUGH_MEMORY;
    return resultFailed;
  }
  DWORD error = 0;
  int result = resultFailed;
  const HKEY root = RootKey(step.root);
  switch (step.action) {
    case stepDeleteFile: result = DeleteLoggedFile(context, path, &error); break;
    case stepRemoveFolder: result = RemoveLoggedFolder(context, path, &error); break;
    case stepDeleteKey: result = ResultOfRegistry(DeleteKeyTree(root, path), &error); break;
    case stepDeleteValue: result = DeleteValue(root, path, step.name, &error); break;
    case stepDeleteExtension: result = DeleteExtension(root, path, step.name, &error); break;
    case stepDeleteEmptyKey: result = DeleteEmptyKey(root, path, &error); break;
  }
  std::free(path);
  *detail = error;
  return result;
}

void FreeRemovalContext(RemovalContext* context) {
  for (size_t i = 0; i < context->waitingCount; ++i) std::free(context->waiting[i]);
  std::free(context->waiting);
  std::free(context->wininitPath);
  *context = RemovalContext{};
}
