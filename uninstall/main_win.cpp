// The uninstaller: reads and checks the whole uninstall log, asks once, then removes
// what the log lists, newest entry first, and says how it went.
//   uninstaller.exe [log] [/S] [/LOG=<text log>]
// Exit code 0 all removed, 3010 something waits for a restart, 1 the user said No,
// 2 a damaged log or any failure.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "config/state_win.h"
#include "system/uninstall_log_read.h"
#include "text/path_parts.h"
#include "text/resource_text.h"
#include "text/run_log.h"
#include "text/strings.h"
#include "uninstall/command_line.h"
#include "uninstall/removal_plan.h"
#include "uninstall/removal_win.h"
#include "uninstall/uninstall_ids.h"

namespace {

// Paths named in the end message; the rest are counted.
constexpr int kListedPaths = 12;

bool gSilent = false;
HWND gProgressDialog = nullptr;
char* gCaption = nullptr;

struct Image {
  uint8_t* bytes;
  size_t size;
};

struct PathList {
  char* text;  // one path a line
  int listed;
  int more;
};

void Tell(int entry, const char* first = "", const char* second = "", const char* third = "") {
  char* text = FormatResourceMessage(entry, first, second, third);
  RunLog(text != nullptr ? text : "(no memory)");
  if (!gSilent) {
    MessageBoxA(gProgressDialog, text != nullptr ? text : "", gCaption != nullptr ? gCaption : "",
                MB_OK | MB_ICONSTOP);
  }
  std::free(text);
}

// The whole file, or bytes none with the system's error in *error.
Image ReadWholeFile(const char* path, DWORD* error) {
  Image image{nullptr, 0};
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return image;
  }
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  // Far past any log an installation writes.
  if (size != INVALID_FILE_SIZE && high == 0 && size < (64u << 20)) {
    image.bytes = static_cast<uint8_t*>(std::malloc(size == 0 ? 1 : size));
    DWORD read = 0;
    if (image.bytes != nullptr && (!ReadFile(file, image.bytes, size, &read, nullptr) || read != size)) {
      std::free(image.bytes);
      image.bytes = nullptr;
    }
    image.size = size;
  }
  *error = image.bytes == nullptr ? ERROR_READ_FAULT : 0;
  CloseHandle(file);
  return image;
}

char* ProgramPath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return nullptr;
  return DuplicateString(path);
}

// The folder of a path, without its last separator.
char* FolderOf(const char* path) {
  size_t last = 0;
  for (size_t i = FindPathSeparator(path, 0); path[i] != '\0'; i = FindPathSeparator(path, i + 1)) last = i;
  char* folder = DuplicateString(path);
  if (folder != nullptr) folder[last] = '\0';
  return folder;
}

INT_PTR CALLBACK ProgressDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (gProgressDialog == nullptr || !IsDialogMessageA(gProgressDialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void ShowProgressDialog(size_t steps) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  gProgressDialog = CreateDialogParamA(gInstance, MAKEINTRESOURCEA(IDD_UNINSTALL_PROGRESS), nullptr,
                                       ProgressDialogProc, 0);
  if (gProgressDialog == nullptr) return;  // the removal goes on without it
  SetWindowTextA(gProgressDialog, gCaption);
  SendDlgItemMessageA(gProgressDialog, IDC_UNINSTALL_PROGRESS, PBM_SETRANGE32, 0, LPARAM(steps));
  ShowWindow(gProgressDialog, SW_SHOW);
  UpdateWindow(gProgressDialog);
  PumpMessages();
}

void ShowProgress(const char* what, size_t done) {
  if (gProgressDialog == nullptr) return;
  char* text = FormatResourceMessage(IDS_UNINSTALL_REMOVING, what);
  SetDlgItemTextA(gProgressDialog, IDC_UNINSTALL_STATUS, text != nullptr ? text : what);
  std::free(text);
  SendDlgItemMessageA(gProgressDialog, IDC_UNINSTALL_PROGRESS, PBM_SETPOS, WPARAM(done), 0);
  PumpMessages();
}

const char* RootName(int root) {
  switch (root) {
    case rootClasses: return "HKEY_CLASSES_ROOT\\";
    case rootCurrentUser: return "HKEY_CURRENT_USER\\";
    case rootLocalMachine: return "HKEY_LOCAL_MACHINE\\";
    default: return "";
  }
}

// What a step removes, as people read it: the path, or the root and the key.
char* StepName(const RemovalStep& step) {
  char* path = static_cast<char*>(std::malloc(step.pathLength + 1));
  if (path == nullptr) return nullptr;
  std::memcpy(path, step.path, step.pathLength);
  path[step.pathLength] = '\0';
  const bool value = step.action == stepDeleteValue;
  char* name = ConcatStrings(RootName(step.root), path, value ? " " : "", value ? step.name : "", nullptr);
  std::free(path);
  return name;
}

const char* ResultWord(int result) {
  static const char* const kWords[] = {"removed", "already gone", "removed at the next restart",
                                       "left in place", "failed", "empty after the next restart"};
  return kWords[result];
}

void AddToList(PathList* list, const char* name) {
  if (list->listed == kListedPaths) {
    ++list->more;
    return;
  }
  char* text = ConcatStrings(list->text != nullptr ? list->text : "", "\r\n", name, nullptr);
  if (text == nullptr) {
    ++list->more;
    return;
  }
  std::free(list->text);
  list->text = text;
  ++list->listed;
}

// Appends the list, headed by its table text, to *message.
void AppendList(char** message, int heading, const PathList& list, const char* product) {
  if (list.listed == 0 && list.more == 0) return;
  char* head = FormatResourceMessage(heading, product);
  char count[16] = "";
  wsprintfA(count, "%d", list.more);
  char* more = list.more != 0 ? FormatResourceMessage(IDS_UNINSTALL_MORE, count) : nullptr;
  char* text = ConcatStrings(*message, "\r\n\r\n", head != nullptr ? head : "",
                             list.text != nullptr ? list.text : "", more != nullptr ? "\r\n" : "",
                             more != nullptr ? more : "", nullptr);
  if (text != nullptr) {
    std::free(*message);
    *message = text;
  }
  std::free(more);
  std::free(head);
}

struct Outcome {
  RemovalTally tally;
  PathList failed;
  PathList kept;
  PathList emptyAfterRestart;
};

Outcome RemoveEverything(const LogContents& log, const char* selfPath) {
  Outcome outcome{};
  RemovalStep* steps =
      static_cast<RemovalStep*>(std::malloc((size_t(log.count) + 1) * kMostStepsPerEntry * sizeof(RemovalStep)));
  if (steps == nullptr) {
    outcome.tally.failed = 1;
    AddToList(&outcome.failed, "(not enough memory)");
    return outcome;
  }
  const size_t count = PlanRemoval(log, steps);
  RemovalContext context{};
  context.windows9x = gVersionInfo.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  context.selfPath = selfPath;
  char windows[MAX_PATH];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length != 0 && length < sizeof windows) context.wininitPath = ConcatStrings(windows, "\\WININIT.INI", nullptr);

  if (!gSilent) ShowProgressDialog(count);
  for (size_t i = 0; i < count; ++i) {
    char* name = StepName(steps[i]);
    const char* shown = name != nullptr ? name : "";
    ShowProgress(shown, i);
    unsigned long error = 0;
    int result = CarryOutStep(&context, steps[i], &error);
    CountResult(&outcome.tally, result);
    char code[32] = "";
    if (error != 0) wsprintfA(code, "(error %lu)", error);
    RunLog(shown, ResultWord(result));
    if (error != 0 && result == resultFailed) RunLog(shown, code);
    if (result == resultFailed) AddToList(&outcome.failed, shown);
    if (result == resultKept) AddToList(&outcome.kept, shown);
    if (result == resultEmptyAfterRestart) AddToList(&outcome.emptyAfterRestart, shown);
    std::free(name);
  }
  ShowProgress("", count);
  if (gProgressDialog != nullptr) {
    DestroyWindow(gProgressDialog);
    gProgressDialog = nullptr;
  }
  FreeRemovalContext(&context);
  std::free(steps);
  return outcome;
}

void ReportOutcome(const Outcome& outcome, const char* product) {
  const int head = outcome.tally.failed != 0  ? IDS_UNINSTALL_FAILED
                   : outcome.tally.waits != 0 ? IDS_UNINSTALL_RESTART
                                              : IDS_UNINSTALL_DONE;
  char* message = outcome.tally.failed != 0 ? DuplicateString("") : FormatResourceMessage(head, product);
  if (message == nullptr) return;
  if (outcome.tally.failed != 0) {
    AppendList(&message, IDS_UNINSTALL_FAILED, outcome.failed, product);
    if (outcome.tally.waits != 0) {
      char* restart = FormatResourceMessage(IDS_UNINSTALL_RESTART, product);
      char* text = ConcatStrings(message, "\r\n\r\n", restart != nullptr ? restart : "", nullptr);
      if (text != nullptr) {
        std::free(message);
        message = text;
      }
      std::free(restart);
    }
  }
  AppendList(&message, IDS_UNINSTALL_AFTER_RESTART, outcome.emptyAfterRestart, product);
  AppendList(&message, IDS_UNINSTALL_KEPT, outcome.kept, product);
  // The lists begin with blank lines when nothing stands before them.
  const char* shown = message;
  while (*shown == '\r' || *shown == '\n') ++shown;
  RunLog(shown);
  if (!gSilent) {
    MessageBoxA(gProgressDialog, shown, gCaption,
                MB_OK | (outcome.tally.failed != 0 ? MB_ICONSTOP : MB_ICONINFORMATION));
  }
  std::free(message);
}

// Everything after the command line: 0, 3010, 1 or 2 as the exit code.
int Uninstall(const UninstallOptions& options, const char* selfPath) {
  char* folder = FolderOf(selfPath);
  char* logPath = folder != nullptr ? ResolveLogPath(folder, options.logName) : nullptr;
  std::free(folder);
  if (logPath == nullptr) {
    Tell(IDS_UNINSTALL_NO_MEMORY);
    return exitFailed;
  }
  RunLog("Uninstall log:", logPath);
  DWORD error = 0;
  Image image = ReadWholeFile(logPath, &error);
  if (image.bytes == nullptr) {
    Tell(IDS_UNINSTALL_CANNOT_READ, logPath);
    std::free(logPath);
    return exitFailed;
  }
  char windows[MAX_PATH] = "", system[MAX_PATH] = "";
  UINT windowsLength = GetWindowsDirectoryA(windows, sizeof windows);
  UINT systemLength = GetSystemDirectoryA(system, sizeof system);
  const ProtectedFolders protectedFolders = {
      windowsLength != 0 && windowsLength < sizeof windows ? windows : nullptr,
      systemLength != 0 && systemLength < sizeof system ? system : nullptr};
  LogContents log;
  uint32_t badEntry = 0;
  const int damage = ParseUninstallLog(image.bytes, image.size, protectedFolders, &log, &badEntry);
  int exitCode = exitFailed;
  if (damage != logIntact) {
    char* why = LoadResourceText(IDS_UNINSTALL_DAMAGE_BASE + damage);
    char entry[16];
    wsprintfA(entry, "%lu", static_cast<unsigned long>(badEntry) + 1);
    // Damage of the header or the sizes belongs to no entry.
    const bool ofAnEntry = damage >= logBadKind;
    Tell(ofAnEntry ? IDS_UNINSTALL_DAMAGED : IDS_UNINSTALL_DAMAGED_FILE, logPath, why != nullptr ? why : "",
         entry);
    std::free(why);
  } else {
    std::free(gCaption);
    gCaption = FormatResourceMessage(IDS_UNINSTALL_CAPTION, log.productName);
    char* question = FormatResourceMessage(IDS_UNINSTALL_QUESTION, log.productName);
    const bool yes = gSilent || MessageBoxA(nullptr, question != nullptr ? question : "", gCaption,
                                            MB_YESNO | MB_ICONQUESTION) == IDYES;
    std::free(question);
    if (!yes) {
      RunLog("The user chose not to remove", log.productName);
      exitCode = exitDeclined;
    } else {
      Outcome outcome = RemoveEverything(log, selfPath);
      ReportOutcome(outcome, log.productName);
      exitCode = ExitCodeFor(outcome.tally);
      std::free(outcome.failed.text);
      std::free(outcome.kept.text);
      std::free(outcome.emptyAfterRestart.text);
    }
    FreeLogContents(&log);
  }
  std::free(image.bytes);
  std::free(logPath);
  return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  gInstance = instance;
  std::memset(&gVersionInfo, 0, sizeof gVersionInfo);
  gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
  if (!GetVersionExA(&gVersionInfo)) gVersionInfo.dwPlatformId = VER_PLATFORM_WIN32_NT;
  gCaption = LoadResourceText(IDS_UNINSTALL_TITLE);

  UninstallOptions options;
  const int parsed = ParseUninstallCommandLine(GetCommandLineA(), &options);
  char* selfPath = ProgramPath();
  int exitCode = exitFailed;
  if (parsed == commandLineBad) {
    Tell(IDS_UNINSTALL_USAGE);
  } else if (parsed != commandLineOk || selfPath == nullptr) {
    Tell(IDS_UNINSTALL_NO_MEMORY);
  } else {
    gSilent = options.silent;
    if (options.textLog != nullptr && !OpenRunLog(options.textLog)) {
      Tell(IDS_UNINSTALL_CANNOT_LOG, options.textLog);
    } else {
      exitCode = Uninstall(options, selfPath);
      char code[16];
      wsprintfA(code, "%d", exitCode);
      RunLog("Exit code", code);
      CloseRunLog();
    }
  }
  FreeUninstallOptions(&options);
  std::free(selfPath);
  std::free(gCaption);
  return exitCode;
}
