#include "system/registry.h"

#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/state.h"
#include "system/uninstall_log.h"
#include "text/strings.h"

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY: enough to add a subkey and its values
// under the machine-wide lists without asking for full control of them.
constexpr REGSAM kListAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
static_assert(kListAccess == 0x2001F, "access to the App Paths and Uninstall lists");
static_assert(KEY_ALL_ACCESS == 0xF003F, "access to keys the setup owns");

LONG SetString(HKEY key, const char* valueName, const char* text) {
  return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        DWORD(std::strlen(text) + 1));
}

// Creates parent\name under HKEY_LOCAL_MACHINE with two string values and logs the key.
// A value that cannot be set leaves the entry incomplete (0); the key is still logged,
// since it exists and the uninstaller should remove it.
int RegisterMachineEntry(const char* parent, const char* name, const char* firstValue,
                         const char* firstText, const char* secondValue, const char* secondText) {
  HKEY parentKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, kListAccess, &parentKey) != ERROR_SUCCESS) {
    return 0;
  }
  HKEY entryKey;
  if (RegCreateKeyExA(parentKey, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kListAccess, nullptr,
                      &entryKey, nullptr) != ERROR_SUCCESS) {
    RegCloseKey(parentKey);
    return 0;
  }
  const bool complete = SetString(entryKey, firstValue, firstText) == ERROR_SUCCESS &&
                        SetString(entryKey, secondValue, secondText) == ERROR_SUCCESS;

  char* logged = ConcatStrings(parent, "\\", name, nullptr);
  if (logged != nullptr) {
    LogRegistryKey(logged, "", keyClassLocalMachine);
    std::free(logged);
  }
  RegCloseKey(entryKey);
  RegCloseKey(parentKey);
  return complete ? 1 : 0;
}

// A new heap string with the %NAME% references of text replaced; none when memory
// runs out or the system cannot expand it.
char* ExpandEnvironment(const char* text) {
  DWORD size = ExpandEnvironmentStringsA(text, nullptr, 0);
  for (int attempt = 0; size != 0 && attempt < 2; ++attempt) {
    char* expanded = static_cast<char*>(std::malloc(size + 1));
    if (expanded == nullptr) return nullptr;
    DWORD needed = ExpandEnvironmentStringsA(text, expanded, size + 1);
    if (needed != 0 && needed <= size + 1) return expanded;
    std::free(expanded);
    size = needed;  // the environment changed between the two calls
  }
  return nullptr;
}

}  // namespace

LONG WriteRegistryString(HKEY root, const char* subkey, const char* valueName, const char* text) {
  HKEY key;
  LONG result = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = SetString(key, valueName, text);
  RegCloseKey(key);
  return result;
}

int ReadAppPathValue(char** out) {
  *out = nullptr;
  HKEY listKey;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, kListAccess, &listKey) != ERROR_SUCCESS) {
    return 2;
  }
  HKEY programKey;
  if (RegOpenKeyExA(listKey, gMainProgramFile, 0, kListAccess, &programKey) != ERROR_SUCCESS) {
    RegCloseKey(listKey);
    return 2;
  }

  // Only a string is a folder; anything else counts as no earlier installation.
  int status = 2;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(programKey, "Path", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    char* value = static_cast<char*>(std::malloc(size_t(size) + 1));
    DWORD read = size;
    if (value != nullptr &&
        RegQueryValueExA(programKey, "Path", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &read) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && read <= size) {
      value[read] = '\0';
      *out = type == REG_EXPAND_SZ ? ExpandEnvironment(value) : value;
      if (*out != value) std::free(value);
      if (*out != nullptr) status = 0;
    } else {
      std::free(value);
    }
  }
  RegCloseKey(programKey);
  RegCloseKey(listKey);
  return status;
}

bool RegistryKeyExists(HKEY root, const char* subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool DeleteRegistryKey(HKEY root, const char* subkey, bool onlyWhenEmpty) {
  char* path = DuplicateString(subkey);
  if (path == nullptr) return false;
  size_t length = std::strlen(path);
  if (length != 0 && path[length - 1] == '\\') path[length - 1] = '\0';
  bool gone = !RegistryKeyExists(root, path);
  HKEY key;
  if (!gone && RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD subkeys = 1, values = 1;
    const bool removable = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr,
                                        nullptr, &values, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS &&
                       subkeys == 0 && (values == 0 || !onlyWhenEmpty);
    RegCloseKey(key);
    gone = removable && RegDeleteKeyA(root, path) == ERROR_SUCCESS;
  }
  std::free(path);
  return gone;
}

char* AppPathKeyPath() { return ConcatStrings(kAppPathsKey, "\\", gMainProgramFile, nullptr); }

char* UninstallKeyPath() { return ConcatStrings(kUninstallKey, "\\", gProductName, nullptr); }

LONG CreateProductKey() {
  HKEY key;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, gProductKey, 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  LogRegistryKey(gProductKey, "", keyClassCurrentUser);
  RegCloseKey(key);
  return result;
}

int RegisterAppPath(const char* programPath, const char* folder) {
  return RegisterMachineEntry(kAppPathsKey, gMainProgramFile, "Path", folder, "", programPath);
}

int RegisterUninstall(const char* displayName, const char* command) {
  if (!RegisterMachineEntry(kUninstallKey, gProductName, "DisplayName", displayName,
                            "UninstallString", command))
    return 0;
  // The key is logged already, so these values go with it at uninstallation.
  static const struct {
    int word;
    const char* value;
  } kDetails[] = {{wordDisplayVersion, "DisplayVersion"}, {wordPublisher, "Publisher"}};
  if (gConfig == nullptr) return 1;
  char* subkey = UninstallKeyPath();
  if (subkey == nullptr) return 1;
  for (const auto& detail : kDetails) {
    uint32_t text = ConfigWord(detail.word);
    if (text != 0) WriteRegistryString(HKEY_LOCAL_MACHINE, subkey, detail.value, ConfigString(text));
  }
  std::free(subkey);
  return 1;
}
