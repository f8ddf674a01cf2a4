#include "system/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>

#include "config/config.h"
#include "system/uninstall_log.h"
#include "text/status.h"
#include "text/strings.h"
#include "text/variables.h"

char* ProgramFolderPath(const char* folderName) {
  // The folder name is the user's text and is taken as it stands; only the shell
  // folder is expanded.
  char* programs = ExpandVariables("$(ShellPrograms)\\");
  if (programs == nullptr) return nullptr;
  char* path = ConcatStrings(programs, folderName, nullptr);
  std::free(programs);
  return path;
}

namespace {

// Saves a link at linkPath; false when any shell call fails.
bool SaveShellLink(const char* linkPath, const char* target, const char* arguments,
                   int showCommand) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  IPersistFile* file = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    link->Release();
    return false;
  }

  WCHAR widePath[MAX_PATH];
  bool saved = SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetArguments(arguments)) &&
               SUCCEEDED(link->SetShowCmd(showCommand)) &&
               MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) != 0 &&
               SUCCEEDED(file->Save(widePath, TRUE));

  file->Release();
  link->Release();
  return saved;
}

}  // namespace

int CreateProgramFolder(const char* folderName) {
  char* path = ProgramFolderPath(folderName);
  if (path == nullptr) return statusNoMemory;
  int status = statusOk;
  if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    status = statusCannotCreateGroup;
  }
  // Logged even when it was not made: the uninstaller then finds nothing to remove.
  LogProgramFolder(path);
  std::free(path);
  return status;
}

bool FileExists(const char* path) {
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  DWORD attributes = GetFileAttributesA(path);
  SetErrorMode(previous);
  return attributes != INVALID_FILE_ATTRIBUTES;
}

int CreateShortcut(const char* folderName, const uint8_t* record) {
  char* target = ExpandVariables(ConfigString(RecordField(record, shortcutTarget)));
  if (target == nullptr) return statusNoMemory;
  // The target of a component that was not installed is missing: no shortcut for it.
  if (!FileExists(target)) {
    std::free(target);
    return statusOk;
  }

  int status = statusNoMemory;
  char* folder = ProgramFolderPath(folderName);
  char* linkPath = folder != nullptr ? ConcatStrings(folder, "\\",
                                                     ConfigString(RecordField(record, shortcutName)),
                                                     ".lnk", nullptr)
                                     : nullptr;
  if (linkPath != nullptr) {
    bool saved = SaveShellLink(linkPath, target,
                               ConfigString(RecordField(record, shortcutArguments)),
                               int(RecordField(record, shortcutShowCommand)));
    status = saved ? statusOk : statusCannotCreateGroupItem;
    LogShortcut(linkPath);
  }
  std::free(linkPath);
  std::free(folder);
  std::free(target);
  return status;
}
