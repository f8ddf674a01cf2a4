#include <windows.h>

#include <cstdlib>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "config/state_win.h"
#include "payload/extract.h"
#include "resources/resource_ids.h"
#include "setup/install_phase.h"
#include "setup/product_paths.h"
#include "setup/replace_files.h"
#include "setup/rollback.h"
#include "system/associations.h"
#include "system/registry.h"
#include "system/shortcuts.h"
#include "system/uninstall_log.h"
#include "text/resource_text.h"
#include "text/run_log.h"
#include "text/status.h"
#include "text/strings.h"
#include "text/variables.h"
#include "ui/dialogs.h"
#include "ui/utility.h"

namespace {

void EndExtractDialog() {
  gLogActive = 0;
  ShowWindow(gExtractDialog, SW_HIDE);
  gCancelRequested = 0;
}

// Every message of the install phase goes to the run's log; a silent run shows none.
void ShowMessage(char* text, const char* caption, UINT icon) {
  if (text != nullptr) {
    RunLog("Message:", text);
    if (!gSilent) MessageBoxA(gMainDialog, text, caption, MB_OK | icon);
  }
  std::free(text);
}

// Names root\path (path may be none when memory ran out) among the failures.
void AddRegistryFailure(InstallFailures* failures, const char* root, const char* path) {
  char* name = path != nullptr ? ConcatStrings(root, path, nullptr) : nullptr;
  AddInstallFailure(failures, failureRegistry, name != nullptr ? name : root, nullptr);
  std::free(name);
}

void AddRegistrationFailure(void* failures, const char* root, const char* key) {
  AddRegistryFailure(static_cast<InstallFailures*>(failures), root, key);
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

int RunInstallPhase(const char* programFolderName, int associate) {
  ShowWindow(gMainDialog, SW_HIDE);
  if (!gSilent) {
    ShowWindow(gExtractDialog, SW_SHOW);
    UpdateWindow(gExtractDialog);
  }
  RunLog("Installing", gProductName);
  gLogActive = 1;
  InstallFailures failures = {nullptr, 0, 0, 0};
  const MadeByThisRun made = NoteWhatExists(programFolderName);
  if (CreateProductKey() != ERROR_SUCCESS) {
    AddRegistryFailure(&failures, "HKEY_CURRENT_USER\\", gProductKey);
  }
  if (CreateProgramFolder(programFolderName) != statusOk) {
    AddInstallFailure(&failures, failureProgramFolder, programFolderName, nullptr);
  }

  ExtractResult extracted = ExtractPayload();
  if (extracted.status != statusOk) {
    // A cancel, or files that are incomplete or cannot be trusted: none of them may
    // take the place of an existing file, and no log is written. What this run made
    // goes again, so that the message below is true.
    RollBackInstallation(made);
    EndExtractDialog();
    FreeInstallFailures(&failures);
    if (extracted.status == statusCanceled) {
      RunLog("Cancelled by the user; nothing was changed");
      return outcomeCancelled;
    }
    ShowMessage(ExtractFailureMessage(extracted), gWindowTitle, MB_ICONERROR);
    return outcomeFailed;
  }

  ReplaceFiles(&failures);

  if (gExtractDialog != nullptr) {  // none in a silent run
    char* creating = LoadResourceText(IDS_CREATING_GROUPS);
    if (creating != nullptr) SetDlgItemString(gExtractDialog, IDC_STATUS, creating);
    std::free(creating);
  }
  uint32_t shortcutCount = ConfigWord(wordShortcutCount);
  for (uint32_t i = 0; i < shortcutCount; ++i) {
    const uint8_t* record = ConfigRecord(wordShortcutTable, kShortcutRecordSize, i);
    if (CreateShortcut(programFolderName, record) != statusOk) {
      AddInstallFailure(&failures, failureShortcut,
                        ConfigString(RecordField(record, shortcutName)), nullptr);
    }
  }
  if (associate == 1 && ProductHasAssociations()) {
    RegisterFileTypes(RegistrationFailures{AddRegistrationFailure, &failures});
  }
  if (ProductWrites(productWriteAppPath)) {
    WithExpansion(ProductString(productMainProgram), [&failures](const char* program) {
      char* folder = FolderOf(program);
      if (folder == nullptr || RegisterAppPath(program, folder) != 1) {
        char* key = AppPathKeyPath();
        AddRegistryFailure(&failures, "HKEY_LOCAL_MACHINE\\", key);
        std::free(key);
      }
      std::free(folder);
    });
  }
  char* uninstallKey = UninstallKeyPath();
  char* log = ExpandVariables(ProductString(productLog));
  bool registered = false;
  if (ProductWrites(productWriteUninstall)) {
    char* uninstaller = ExpandVariables(ProductString(productUninstaller));
    char* command = uninstaller != nullptr && log != nullptr ? UninstallCommand(uninstaller, log) : nullptr;
    registered = command != nullptr && RegisterUninstall(programFolderName, command) == 1;
    if (!registered) AddRegistryFailure(&failures, "HKEY_LOCAL_MACHINE\\", uninstallKey);
    std::free(command);
    std::free(uninstaller);
  }
  if (log == nullptr || WriteUninstallLog(log, gProductName) != statusOk) {
    AddInstallFailure(&failures, failureLog, log != nullptr ? log : ProductString(productLog), nullptr);
    // An entry that starts the uninstaller on a log that is not there helps nobody.
    if (registered && uninstallKey != nullptr) {
      DeleteRegistryKey(HKEY_LOCAL_MACHINE, uninstallKey, false);
    }
  }
  std::free(log);
  std::free(uninstallKey);
  EndExtractDialog();

  // What could not be done is named in place of the success message, and before a
  // restart that would take the message away.
  if (FailureCount(&failures) != 0) {
    ShowMessage(InstallFailureMessage(&failures), gWindowTitle, MB_ICONWARNING);
  }
  const int outcome = FailureCount(&failures) != 0 ? outcomeFailed
                      : gRestartNeeded            ? outcomeRestartNeeded
                                                  : outcomeInstalled;
  if (gRestartNeeded && gNoRestart) {
    ShowMessage(FormatResourceMessage(IDS_RESTART_NEEDED, gProductName), gWindowTitle,
                MB_ICONINFORMATION);
  } else if (gRestartNeeded) {
    DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_RESTART), gMainDialog, RestartDialogProc, 0);
    if (!gRestartLater) RestartWindows();
  } else if (outcome == outcomeInstalled) {
    char* caption = LoadResourceText(IDS_SUCCESS);
    ShowMessage(FormatResourceMessage(IDS_INSTALLED, gProductName), caption != nullptr ? caption : "",
                0);
    std::free(caption);
  }
  FreeInstallFailures(&failures);
  return outcome;
}
