#include <windows.h>

#include <cstdlib>

#include "config/config.h"
#include "config/state.h"
#include "setup/rollback.h"
#include "system/registry.h"
#include "system/shortcuts.h"
#include "system/uninstall_log.h"
#include "text/strings.h"

namespace {

char* CompanyKeyPath() { return ConcatStrings("Software\\", gCompanyName, nullptr); }

}  // namespace

MadeByThisRun NoteWhatExists(const char* folderName) {
  MadeByThisRun made = {false, false, false};
  char* company = CompanyKeyPath();
  made.companyKey = company != nullptr && !RegistryKeyExists(HKEY_CURRENT_USER, company);
  std::free(company);
  made.productKey = !RegistryKeyExists(HKEY_CURRENT_USER, gProductKey);
  char* folder = ProgramFolderPath(folderName);
  made.programFolder = folder != nullptr && !FileExists(folder);
  std::free(folder);
  return made;
}

void RollBackInstallation(const MadeByThisRun& made) {
  const uint32_t fileCount = ConfigWord(wordFileCount);
  for (uint32_t i = 0; i < fileCount; ++i) {
    if (gReplaceList[i].tempPath != nullptr) DeleteFileA(gReplaceList[i].tempPath);
  }
  // Children were recorded after their parents, so newest first empties each folder
  // before its parent is tried.
  for (uint32_t i = gUninstallLog.entryCount; i-- > 0;) {
    const LogEntry& entry = gUninstallLog.entries[i];
    const char* first = gUninstallLog.pool + entry.first;
    switch (entry.kind) {
      case logDirectory:
        RemoveDirectoryA(first);
        break;
      case logProgramFolder:
        if (made.programFolder) RemoveDirectoryA(first);
        break;
      case logRegistryUser:
        if (made.productKey) DeleteRegistryKey(HKEY_CURRENT_USER, first, true);
        break;
      default:
        break;
    }
  }
  if (made.companyKey) {
    char* company = CompanyKeyPath();
    if (company != nullptr) DeleteRegistryKey(HKEY_CURRENT_USER, company, true);
    std::free(company);
  }
}
