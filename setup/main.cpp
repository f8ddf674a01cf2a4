// The setup program's entry point: read the switches, probe the system, seed the
// variables, load the configuration, create the frame and the Extract dialog, seed the
// folder variables, run the wizard, and shut down. Without switches the exit code is 0
// whatever happened; with them it tells how the run ended.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/product_data.h"
#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "setup/command_line.h"
#include "setup/install_phase.h"
#include "setup/integrity.h"
#include "setup/wizard.h"
#include "system/registry.h"
#include "system/uninstall_log.h"
#include "text/resource_text.h"
#include "text/run_log.h"
#include "text/status.h"
#include "text/strings.h"
#include "text/variables.h"
#include "text/variables_win.h"
#include "ui/assert.h"
#include "ui/dialogs.h"
#include "ui/frame.h"

namespace {

// Tells the user what text says (taken over and freed), unless the run is silent;
// the run's log gets it either way.
void Tell(char* text, UINT icon) {
  const char* shown = text != nullptr ? text : "Setup cannot run.";
  RunLog("Message:", shown);
  if (!gSilent) {
    char* caption = LoadResourceText(IDS_SETUP_CANNOT_RUN_CAPTION);
    MessageBoxA(nullptr, shown, caption != nullptr ? caption : "Setup", MB_OK | icon);
    std::free(caption);
  }
  std::free(text);
}

// Why setup cannot run, in the language of the string table.
void RefuseToStart(int entry) { Tell(LoadResourceText(entry), MB_ICONSTOP); }

// The switches and what they do, shown even to a silent run that asked for them.
void ShowUsage() {
  char* text = FormatResourceMessage(IDS_USAGE);
  char* caption = LoadResourceText(IDS_SETUP_CANNOT_RUN_CAPTION);
  MessageBoxA(nullptr, text != nullptr ? text : "", caption != nullptr ? caption : "Setup",
              MB_OK | MB_ICONINFORMATION);
  std::free(text);
  std::free(caption);
}

int TellBadSwitch(const char* which) {
  // Formatted on its own: an inserted text keeps its %n and %t as they stand.
  char* usage = FormatResourceMessage(IDS_USAGE);
  Tell(FormatResourceMessage(IDS_BAD_SWITCH, which, usage != nullptr ? usage : ""),
       MB_ICONSTOP);
  std::free(usage);
  return outcomeBadSwitch;
}

// Sets what the switches preset once start-up has seeded the defaults. None, or the
// switch that names something this product does not have.
const char* ApplyPresets(const CommandLine& line, WizardPresets* presets) {
  presets->type = line.setupType;
  presets->programFolder = line.group;
  presets->associate = line.noAssociate ? 0 : 1;
  if (line.setupType >= 0 && uint32_t(line.setupType) >= ConfigWord(wordSetupTypeCount)) {
    return "/TYPE";
  }
  if (line.components) {
    const uint32_t count = ConfigWord(wordComponentCount);
    for (uint32_t k = count; k < uint32_t(kMaxComponents); ++k) {
      if (line.componentBits[k / 8] & (1u << (k % 8))) return "/COMPONENTS";
    }
    for (uint32_t k = 0; k < gSelectionBytes; ++k) gCustomSelection[k] = line.componentBits[k];
    // Components name the custom type unless a type was given.
    if (line.setupType < 0) presets->type = int(ConfigWord(wordCustomSetupType));
  }
  for (int i = 0; i < line.variableCount; ++i) {
    bool known = false;
    for (uint32_t k = 0; k < ConfigWord(wordPathPageCount); ++k) {
      const uint8_t* page = ConfigRecord(wordPathPageTable, kPathPageRecordSize, k);
      known = known || std::strcmp(ConfigString(RecordField(page, pathVariable)),
                                   line.variables[i].name) == 0;
    }
    if (!known) return std::strcmp(line.variables[i].name, "Destination") == 0 ? "/D" : "/VAR";
    SetVariable(line.variables[i].name, line.variables[i].value);
  }
  return nullptr;
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

// Loads CONFIG 1, 2 and 3 (when there is one) and ARCHIVE 1 and checks that every table, bitmap and string
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
  // Optional: setups built before it register the built-in values.
  gProductData = LoadProgramResource("CONFIG", kProductDataId, &gProductDataSize);
  if (gProductData != nullptr &&
      CheckProductData(gProductData, gProductDataSize, gStrings, gStringsSize) != configOk)
    return IDS_SETUP_DAMAGED;
  // A damaged download is told before the wizard, not found out half-way through.
  char path[1024];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  const bool named = length != 0 && length < sizeof path;
  if (!SetupIsWhole(gInstance, named ? path : nullptr)) return IDS_SETUP_DAMAGED;
  return 0;
}

// The setup state, and unless the run is silent the frame and the Extract dialog.
// 0, or the string-table entry that says why setup cannot go on.
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

  gNextText = LoadResourceText(IDS_NEXT);
  gFinishText = LoadResourceText(IDS_FINISH);
  if (gProductKey == nullptr || gNextText == nullptr || gFinishText == nullptr)
    return IDS_STATUS_BASE + statusNoMemory;
  // A silent run has no window at all: making the two hidden ones cost more than
  // installing a small product.
  if (!gSilent) {
    SETUP_ASSERT(gMainDialog == NULL, "Main");
    if (!CreateMainDialog()) return IDS_SETUP_DAMAGED;
    SetWindowTextA(gMainDialog, gWindowTitle);
    if (!CreateExtractDialog()) return IDS_SETUP_DAMAGED;
  }

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

// The decimal text of a small number, for the log.
const char* NumberText(int n, char (&buffer)[12]) {
  wsprintfA(buffer, "%d", n);
  return buffer;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  gInstance = instance;
  CommandLine line;
  if (!ParseCommandLine(SkipProgramName(GetCommandLineA()), &line)) return outcomeFailed;
  gSilent = line.silent ? 1 : 0;
  gNoRestart = line.noRestart ? 1 : 0;
  if (line.logPath != nullptr && OpenRunLog(line.logPath)) {
    RunLog("Command line:", GetCommandLineA());
  }

  int outcome = outcomeInstalled;
  if (line.bad != nullptr) {
    outcome = TellBadSwitch(line.bad);
  } else if (line.help) {
    ShowUsage();
  } else {
    // Nothing is shown and nothing is written before the system and the resources
    // are known to be usable.
    int refusal = ProbeSystem() != 0 ? IDS_NO_SHELL_ALLOCATOR : 0;
    if (refusal == 0) {
      SeedVariables();
      refusal = LoadConfiguration();
    }
    if (refusal == 0) refusal = InitializeSetup();
    WizardPresets presets = {-1, nullptr, 1};
    const char* unknown = refusal == 0 ? ApplyPresets(line, &presets) : nullptr;
    if (refusal != 0) {
      RefuseToStart(refusal);
      outcome = outcomeFailed;
    } else if (unknown != nullptr) {
      outcome = TellBadSwitch(unknown);
    } else {
      outcome = RunWizard(presets, gSilent != 0);
    }
    ShutDown();
  }
  char number[12];
  RunLog("Exit code", NumberText(outcome, number));
  CloseRunLog();
  const bool switches = line.any;
  FreeCommandLine(&line);
  return switches ? outcome : 0;
}
