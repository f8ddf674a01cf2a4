// The setup program's entry point: probe the system, seed the variables, load the
// configuration, create the frame and the Extract dialog, seed the folder variables,
// run the wizard, and shut down. The exit code is 0 whatever happened.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "setup/integrity.h"
#include "setup/wizard.h"
#include "system/registry.h"
#include "system/uninstall_log.h"
#include "text/resource_text.h"
#include "text/status.h"
#include "text/strings.h"
#include "text/variables.h"
#include "text/variables_win.h"
#include "ui/assert.h"
#include "ui/dialogs.h"
#include "ui/frame.h"

namespace {

// Tells the user why setup cannot run, in the language of the string table.
void RefuseToStart(int entry) {
  char* text = LoadResourceText(entry);
  char* caption = LoadResourceText(IDS_SETUP_CANNOT_RUN_CAPTION);
  MessageBoxA(nullptr, text != nullptr ? text : "Setup cannot run.",
              caption != nullptr ? caption : "Setup", MB_OK | MB_ICONSTOP);
  std::free(text);
  std::free(caption);
}

// Status 0, or 1 when the shell's allocator cannot be had.
int ProbeSystem() {
  CoInitialize(nullptr);  // a failure shows up as the allocator's
  if (FAILED(SHGetMalloc(&gShellAllocator))) {
    gShellAllocator = nullptr;
    return 1;
  }
  std::memset(&gVersionInfo, 0, sizeof gVersionInfo);
  gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
  static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record the platform expects");
  if (!GetVersionExA(&gVersionInfo)) gVersionInfo.dwPlatformId = VER_PLATFORM_WIN32_NT;
  return 0;
}

// The resource of this program for the thread's language, or none.
const uint8_t* LoadProgramResource(const char* type, int number, size_t* size) {
  HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(number), type);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(gInstance, found);
  if (loaded == nullptr) return nullptr;
  *size = SizeofResource(gInstance, found);
  return static_cast<const uint8_t*>(LockResource(loaded));
}

// Loads CONFIG 1 and 2 and ARCHIVE 1 and checks that every table, bitmap and string
// the program reads lies inside them. 0, or the string-table entry that says why not.
int LoadConfiguration() {
  size_t archiveSize = 0;
  gConfig = LoadProgramResource("CONFIG", 1, &gConfigSize);
  gStrings = LoadProgramResource("CONFIG", 2, &gStringsSize);
  gArchive = LoadProgramResource("ARCHIVE", 1, &archiveSize);
  if (gConfig == nullptr || gStrings == nullptr || gArchive == nullptr || archiveSize > 0x7FFFFFFF)
    return IDS_SETUP_DAMAGED;
  gArchiveSize = uint32_t(archiveSize);
  if (CheckConfiguration(gConfig, gConfigSize, gStrings, gStringsSize) != configOk)
    return IDS_SETUP_DAMAGED;
  // A damaged download is told before the wizard, not found out half-way through.
  char path[1024];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path || !SetupIsWhole(gInstance, path))
    return IDS_SETUP_DAMAGED;
  return 0;
}

// The setup state, the frame and the Extract dialog. 0, or the string-table entry
// that says why setup cannot go on.
int InitializeSetup() {
  ResetUninstallLog();
  gLogActive = 0;
  gRestartNeeded = 0;

  gWindow = static_cast<uint8_t*>(std::malloc(kWindowSize));
  gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
  // One byte more than needed, so that no components still gives real buffers.
  gActiveSelection = static_cast<uint8_t*>(std::calloc(gSelectionBytes + 1, 1));
  gCustomSelection = static_cast<uint8_t*>(std::calloc(gSelectionBytes + 1, 1));
  if (gWindow == nullptr || gActiveSelection == nullptr || gCustomSelection == nullptr)
    return IDS_STATUS_BASE + statusNoMemory;
  CopySelection(gCustomSelection, ConfigWord(wordSetupTypeBitmap + ConfigWord(wordCustomSetupType)));

  gCompanyName = ConfigString(ConfigWord(wordCompanyName));
  gProductName = ConfigString(ConfigWord(wordProductName));
  gMainProgramFile = ConfigString(ConfigWord(wordMainProgramFile));
  gProductKey = ConcatStrings("Software\\", gCompanyName, "\\", gProductName, "\\", nullptr);
  gWindowTitle = ConfigString(ConfigWord(wordWindowTitle));

  SETUP_ASSERT(gMainDialog == NULL, "Main");
  if (!CreateMainDialog()) return IDS_SETUP_DAMAGED;
  gNextText = LoadResourceText(IDS_NEXT);
  gFinishText = LoadResourceText(IDS_FINISH);
  if (gProductKey == nullptr || gNextText == nullptr || gFinishText == nullptr)
    return IDS_STATUS_BASE + statusNoMemory;
  SetWindowTextA(gMainDialog, gWindowTitle);
  if (!CreateExtractDialog()) return IDS_SETUP_DAMAGED;

  // Each folder variable starts at the folder of an earlier installation, else at
  // its default.
  for (uint32_t k = 0; k < ConfigWord(wordPathPageCount); ++k) {
    const uint8_t* page = ConfigRecord(wordPathPageTable, kPathPageRecordSize, k);
    char* fallback = ExpandVariables(ConfigString(RecordField(page, pathDefaultValue)));
    char* earlier = nullptr;
    const char* value = ReadAppPathValue(&earlier) == 0 && earlier != nullptr ? earlier : fallback;
    SetVariable(ConfigString(RecordField(page, pathVariable)), value != nullptr ? value : "");
    std::free(earlier);
    std::free(fallback);
  }

  gReplaceList = static_cast<ReplaceEntry*>(
      std::calloc(size_t(ConfigWord(wordFileCount)) + 1, sizeof(ReplaceEntry)));
  if (gReplaceList == nullptr) return IDS_STATUS_BASE + statusNoMemory;
  return 0;
}

void ShutDown() {
  if (gShellAllocator != nullptr) gShellAllocator->Release();
  CoUninitialize();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  gInstance = instance;
  // Nothing is shown and nothing is written before the system and the resources
  // are known to be usable.
  int refusal = ProbeSystem() != 0 ? IDS_NO_SHELL_ALLOCATOR : 0;
  if (refusal == 0) {
    SeedVariables();
    refusal = LoadConfiguration();
  }
  if (refusal == 0) refusal = InitializeSetup();
  if (refusal == 0) {
    RunWizard();
  } else {
    RefuseToStart(refusal);
  }
  ShutDown();
  return 0;
}
