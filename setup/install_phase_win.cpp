#include <windows.h>

#include <cstdlib>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "payload/extract.h"
#include "resources/resource_ids.h"
#include "setup/install_phase.h"
#include "setup/replace_files.h"
#include "system/associations.h"
#include "system/registry.h"
#include "system/shortcuts.h"
#include "system/uninstall_log.h"
#include "text/resource_text.h"
#include "text/status.h"
#include "text/strings.h"
#include "text/variables.h"
#include "ui/dialogs.h"
#include "ui/utility.h"

namespace {

void DeleteTemporaryFiles() {
  uint32_t fileCount = ConfigWord(wordFileCount);
  for (uint32_t i = 0; i < fileCount; ++i) {
    if (gReplaceList[i].tempPath != nullptr) DeleteFileA(gReplaceList[i].tempPath);
  }
}

void EndExtractDialog() {
  gLogActive = 0;
  ShowWindow(gExtractDialog, SW_HIDE);
  gCancelRequested = 0;
}

void ShowMessage(char* text, const char* caption, UINT icon) {
  if (text != nullptr) MessageBoxA(gMainDialog, text, caption, MB_OK | icon);
  std::free(text);
}

// Expands text and hands the result to use; nothing when memory runs out.
template <typename Use>
void WithExpansion(const char* text, Use use) {
  char* expanded = ExpandVariables(text);
  if (expanded != nullptr) use(expanded);
  std::free(expanded);
}

void RestartWindows() {
  if (gVersionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    HANDLE token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      TOKEN_PRIVILEGES privileges = {};
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
      }
      CloseHandle(token);
    }
  }
  ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}

}  // namespace

char* ExtractFailureMessage(ExtractResult result) {
  const int status = result.status;
  const char* path = nullptr;
  if (result.failedEntry >= 0) {
    const ReplaceEntry& entry = gReplaceList[result.failedEntry];
    // A temporary file that could not be made is named as such; otherwise the target.
    path = status == statusCannotCreateFile && entry.tempPath != nullptr ? entry.tempPath
                                                                          : entry.targetPath;
  }
  char* reason = LoadResourceText(status + 1);
  if (reason == nullptr) return nullptr;
  char* detail = path != nullptr ? ConcatStrings(reason, "\r\n", path, nullptr) : reason;
  char* message = detail != nullptr ? FormatResourceMessage(IDS_SETUP_STOPPED, detail) : nullptr;
  if (detail != reason) std::free(detail);
  std::free(reason);
  return message;
}

void RunInstallPhase(const char* programFolderName, int associate) {
  ShowWindow(gMainDialog, SW_HIDE);
  ShowWindow(gExtractDialog, SW_SHOW);
  UpdateWindow(gExtractDialog);
  gLogActive = 1;
  CreateProductKey();
  CreateProgramFolder(programFolderName);

  ExtractResult extracted = ExtractPayload();
  if (extracted.status != statusOk) {
    // A cancel, or files that are incomplete or cannot be trusted: none of them may
    // take the place of an existing file, and no log is written.
    DeleteTemporaryFiles();
    EndExtractDialog();
    if (extracted.status != statusCanceled) {
      ShowMessage(ExtractFailureMessage(extracted), gWindowTitle, MB_ICONERROR);
    }
    return;
  }

  ReplaceFailures failures = {nullptr, 0, 0};
  ReplaceFiles(&failures);

  char* creating = LoadResourceText(IDS_CREATING_GROUPS);
  if (creating != nullptr) SetDlgItemString(gExtractDialog, IDC_STATUS, creating);
  std::free(creating);
  uint32_t shortcutCount = ConfigWord(wordShortcutCount);
  for (uint32_t i = 0; i < shortcutCount; ++i) {
    CreateShortcut(programFolderName, ConfigRecord(wordShortcutTable, kShortcutRecordSize, i));
  }
  if (associate == 1) RegisterFileTypes();
  WithExpansion("$(Destination)\\quorbex.exe", [](const char* program) {
    WithExpansion("$(Destination)", [program](const char* folder) {
      RegisterAppPath(program, folder);
    });
  });
  WithExpansion("\"$(Destination)\\uninstaller.exe\" uninstal.l0g",
                [programFolderName](const char* command) {
                  RegisterUninstall(programFolderName, command);
                });
  WithExpansion("$(Destination)\\uninstal.l0g", [](const char* logPath) {
    WriteUninstallLog(logPath, gProductName);
  });
  EndExtractDialog();

  // Files that could not be replaced are named in place of the success message, and
  // before a restart that would take the message away.
  if (failures.count != 0) {
    ShowMessage(ReplaceFailureMessage(&failures), gWindowTitle, MB_ICONWARNING);
  }
  if (gRestartNeeded) {
    DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_RESTART), gMainDialog, RestartDialogProc, 0);
    if (!gRestartLater) RestartWindows();
  } else if (failures.count == 0) {
    char* caption = LoadResourceText(IDS_SUCCESS);
    ShowMessage(FormatResourceMessage(IDS_INSTALLED, gProductName), caption != nullptr ? caption : "",
                0);
    std::free(caption);
  }
  FreeReplaceFailures(&failures);
}
