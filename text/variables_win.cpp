#include "text/variables_win.h"

#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "config/state_win.h"
#include "text/status.h"
#include "text/variables.h"

namespace {

enum SeedSource {
  seedOne,             // the string "1"
  seedOnePath,         // the string "1", as a folder
  seedRegistryFolder,  // the value of the same name under kCurrentVersionKey
  seedSystemDirectory,
  seedTempDirectory,
  seedWindowsDirectory,
  seedComputerName,
  seedUserName,
  seedShellFolder,
};

struct SeedStep {
  const char* name;
  SeedSource source;
  int csidl;  // seedShellFolder only
};

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// In the order they are set; the order changes nothing but chain order.
const SeedStep kSeedSteps[] = {
    {"ApplicationName", seedOne, 0},
    {"BackgroundTitle", seedOne, 0},
    {"ShortcutFolder", seedOnePath, 0},
    {"WindowTitle", seedOne, 0},
    {"BrandCustom1", seedOne, 0},
    {"BrandCustom2", seedOne, 0},
    {"BrandName", seedOne, 0},
    {"BrandOrganization", seedOne, 0},
    {"CommonFilesDir", seedRegistryFolder, 0},
    {"ProgramFilesDir", seedRegistryFolder, 0},
    {"SourceDir", seedOnePath, 0},
    {"SystemDir", seedSystemDirectory, 0},
    {"TempDir", seedTempDirectory, 0},
    {"WindowsDir", seedWindowsDirectory, 0},
    {"WorkDir", seedOnePath, 0},
    {"ComputerName", seedComputerName, 0},
    {"DateInt", seedOne, 0},
    {"DateStr", seedOne, 0},
    {"RegisteredOrganization", seedOne, 0},
    {"RegisteredOwner", seedOne, 0},
    {"UserName", seedUserName, 0},
    {"ShellBitBucket", seedShellFolder, CSIDL_BITBUCKET},
    {"ShellDesktopDirectory", seedShellFolder, CSIDL_DESKTOPDIRECTORY},
    {"ShellFavorites", seedShellFolder, CSIDL_FAVORITES},
    {"ShellFonts", seedShellFolder, CSIDL_FONTS},
    {"ShellNethood", seedShellFolder, CSIDL_NETHOOD},
    {"ShellPersonal", seedShellFolder, CSIDL_PERSONAL},
    {"ShellPrograms", seedShellFolder, CSIDL_PROGRAMS},
    {"ShellRecent", seedShellFolder, CSIDL_RECENT},
    {"ShellSendTo", seedShellFolder, CSIDL_SENDTO},
    {"ShellStartMenu", seedShellFolder, CSIDL_STARTMENU},
    {"ShellStartup", seedShellFolder, CSIDL_STARTUP},
    {"ShellTemplates", seedShellFolder, CSIDL_TEMPLATES},
};
constexpr size_t kSeedStepCount = sizeof kSeedSteps / sizeof kSeedSteps[0];
static_assert(kSeedStepCount == 33, "one step per seeded variable");

// The shell folders already asked for, so that one the shell cannot give is asked once.
bool gShellFolderAsked[kSeedStepCount];

constexpr DWORD kSeedBufferSize = 500;

// A folder from one of the Get...DirectoryA calls, or empty when the call fails or
// the folder does not fit.
void StoreFolderResult(UINT length, char* buffer) {
  if (length == 0 || length >= kSeedBufferSize) buffer[0] = '\0';
}

void SeedOne(const SeedStep& step) {
  char buffer[kSeedBufferSize] = "";
  switch (step.source) {
    case seedOne:
      SetVariable(step.name, "1");
      return;
    case seedOnePath:
      std::strcpy(buffer, "1");
      SetPathVariable(step.name, buffer);
      return;
    case seedRegistryFolder: {
      char* value = nullptr;
      ReadRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, step.name, &value);
      SetPathVariable(step.name, value);
      std::free(value);
      return;
    }
    case seedSystemDirectory:
      StoreFolderResult(GetSystemDirectoryA(buffer, kSeedBufferSize), buffer);
      SetPathVariable(step.name, buffer);
      return;
    case seedTempDirectory:
      StoreFolderResult(GetTempPathA(kSeedBufferSize, buffer), buffer);
      SetPathVariable(step.name, buffer);
      return;
    case seedWindowsDirectory:
      StoreFolderResult(GetWindowsDirectoryA(buffer, kSeedBufferSize), buffer);
      SetPathVariable(step.name, buffer);
      return;
    case seedComputerName: {
      DWORD size = kSeedBufferSize;
      if (!GetComputerNameA(buffer, &size)) buffer[0] = '\0';
      SetVariable(step.name, buffer);
      return;
    }
    case seedUserName: {
      DWORD size = kSeedBufferSize;
      if (!GetUserNameA(buffer, &size)) buffer[0] = '\0';
      SetVariable(step.name, buffer);
      return;
    }
    case seedShellFolder:
      return;  // when first read: SetShellFolderOnFirstRead
  }
}

bool SetShellFolderOnFirstRead(const char* name, size_t length) {
  for (size_t i = 0; i < kSeedStepCount; ++i) {
    const SeedStep& step = kSeedSteps[i];
    if (step.source != seedShellFolder || gShellFolderAsked[i] ||
        !SameVariableName(step.name, name, length)) {
      continue;
    }
    gShellFolderAsked[i] = true;
    return SetShellFolderVariable(step.name, step.csidl) == 0;
  }
  return false;
}

}  // namespace

int SetShellFolderVariable(const char* name, int csidl) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(gMainDialog, csidl, &items)) || items == nullptr) return 1;
  char path[MAX_PATH + 1] = "";
  BOOL found = SHGetPathFromIDListA(items, path);
  if (gShellAllocator != nullptr) {
    gShellAllocator->Free(items);
  } else {
    CoTaskMemFree(items);
  }
  if (!found) return 1;
  return SetPathVariable(name, path);
}

int ReadRegistryString(HKEY root, const char* subkey, const char* valueName, char** out) {
  *out = nullptr;
  HKEY key;
  LONG result = RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key);
  if (result != ERROR_SUCCESS) return int(result);

  DWORD type = 0;
  DWORD size = 0;
  result = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
  if (result != ERROR_SUCCESS) {
    RegCloseKey(key);
    return int(result);
  }
  if (type != REG_SZ) {
    RegCloseKey(key);
    return registryNotString;
  }

  // One byte more than the data, for data stored without its terminating NUL.
  char* text = static_cast<char*>(std::malloc(size_t(size) + 1));
  if (text == nullptr) {
    RegCloseKey(key);
    return statusNoMemory;
  }
  DWORD read = size;
  result = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &read);
  RegCloseKey(key);
  // The value may have changed between the two queries.
  if (result != ERROR_SUCCESS || type != REG_SZ || read > size) {
    std::free(text);
    return result != ERROR_SUCCESS ? int(result) : registryNotString;
  }
  text[read] = '\0';
  *out = text;
  return statusOk;
}

int SeedVariables() {
  CreateVariableTable();
  for (const SeedStep& step : kSeedSteps) SeedOne(step);
  for (bool& asked : gShellFolderAsked) asked = false;
  gLateVariableSource = SetShellFolderOnFirstRead;
  return statusOk;
}
