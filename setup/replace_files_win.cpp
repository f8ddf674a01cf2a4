#include <windows.h>

#include <cstdlib>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "setup/replace_files.h"
#include "system/rename_entries.h"
#include "text/run_log.h"
#include "text/variables.h"

namespace {

void DeleteOldFile(const char* targetPath, ReplaceFacts* facts) {
  if (DeleteFileA(targetPath)) {
    facts->deleteError = 0;
    return;
  }
  facts->deleteError = GetLastError();
  // Nothing is there. Asking again costs another search for a missing name, which
  // reads the whole folder on FAT and under Wine.
  if (facts->deleteError == ERROR_FILE_NOT_FOUND || facts->deleteError == ERROR_PATH_NOT_FOUND) {
    facts->readOnly = false;
    facts->targetIsFolder = false;
    return;
  }
  DWORD attributes = GetFileAttributesA(targetPath);
  const bool known = attributes != INVALID_FILE_ATTRIBUTES;
  facts->readOnly = known && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts->targetIsFolder = known && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The 95/98 family reads short paths from WININIT.INI when it next starts.
bool ScheduleInIni(const char* shortTarget, const char* tempPath) {
  char* ini = ExpandVariables("$(WindowsDir)\\WININIT.INI");
  char* temp = ToShortPath(tempPath);
  // Both lines in one write: the old file is never deleted at the restart without the
  // new one moving into its place.
  const RenameEntry entries[] = {{"NUL", shortTarget}, {shortTarget, temp}};
  bool added = ini != nullptr && shortTarget != nullptr && temp != nullptr &&
               AddRenameEntries(ini, entries, 2);
  std::free(temp);
  std::free(ini);
  return added;
}

}  // namespace

ReplaceAction ReplaceOneFile(const char* targetPath, const char* tempPath) {
  ReplaceFacts facts = {int(gVersionInfo.dwPlatformId), 0, false, false, tryNotYet, tryNotYet,
                       false};
  // A target that is not there yet takes the new file at once (a move never replaces
  // a file): deleting first would search the folder for the missing name once more.
  if (MoveFileA(tempPath, targetPath)) return replaceDone;
  DWORD clearedAttributes = INVALID_FILE_ATTRIBUTES;  // to put back if the old file stays
  // Taken while the old file exists: once it is deleted, its short name is gone too.
  char* shortTarget = facts.platformId == 1 ? ToShortPath(targetPath) : nullptr;
  DeleteOldFile(targetPath, &facts);
  for (;;) {
    ReplaceAction action = NextReplaceAction(facts);
    switch (action) {
      case replaceMakeWritable: {
        DWORD attributes = GetFileAttributesA(targetPath);
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            SetFileAttributesA(targetPath, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY))) {
          clearedAttributes = attributes;
          DeleteOldFile(targetPath, &facts);
        }
        facts.madeWritable = true;
        break;
      }
      case replaceMove:
        facts.move = MoveFileA(tempPath, targetPath) ? tryDone : tryFailed;
        break;
      case replaceScheduleIni:
        facts.schedule = ScheduleInIni(shortTarget, tempPath) ? tryDone : tryFailed;
        break;
      case replaceScheduleMove:
        // The old file still exists when the move is carried out.
        facts.schedule = MoveFileExA(tempPath, targetPath,
                                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)
                             ? tryDone
                             : tryFailed;
        break;
      case replaceDropNew:
        DeleteFileA(tempPath);
        if (clearedAttributes != INVALID_FILE_ATTRIBUTES) {
          SetFileAttributesA(targetPath, clearedAttributes);
        }
        std::free(shortTarget);
        return action;
      case replaceDone:
      case replaceAtRestart:
      case replaceStranded:
        std::free(shortTarget);
        return action;
    }
  }
}

void ReplaceFiles(InstallFailures* failures) {
  uint32_t fileCount = ConfigWord(wordFileCount);
  for (uint32_t i = 0; i < fileCount; ++i) {
    ReplaceEntry& entry = gReplaceList[i];
    if (entry.targetPath == nullptr || entry.tempPath == nullptr) continue;
    switch (ReplaceOneFile(entry.targetPath, entry.tempPath)) {
      case replaceDone:
        RunLog("Installed", entry.targetPath);
        break;
      case replaceAtRestart:
        RunLog("Installed at the next restart (in use now):", entry.targetPath);
        gRestartNeeded = 1;
        break;
      case replaceDropNew:
        RunLog("Failed, the old file is kept:", entry.targetPath);
        AddInstallFailure(failures, failureFileKept, entry.targetPath, nullptr);
        break;
      case replaceStranded:
        RunLog("Failed, the new file stayed as", entry.tempPath);
        AddInstallFailure(failures, failureFileStranded, entry.targetPath, entry.tempPath);
        break;
      default:
        break;
    }
    entry.handled = 1;
  }
}
