#include "e2e/machine_state.h"

#include "support/test_files_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// Eight bytes a step: the prefix holds hundreds of megabytes.
uint64_t HashBytes(const uint8_t* data, size_t size, uint64_t hash = 1469598103934665603ull) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, 8);
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 29;
  }
  for (; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  return hash;
}

std::string Hex(uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::string FileFingerprint(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "unreadable";
  uint64_t hash = 1469598103934665603ull, size = 0;
  static uint8_t buffer[1 << 16];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0) {
    hash = HashBytes(buffer, read, hash);
    size += read;
  }
  CloseHandle(file);
  return std::to_string(size) + " " + Hex(hash);
}

void SnapshotFolder(const std::string& folder, MachineSnapshot& out) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    std::string path = folder + "\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out["folder " + path] = "";
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) SnapshotFolder(path, out);
    } else {
      out["file " + path] = FileFingerprint(path);
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

void SnapshotKey(HKEY root, const std::string& name, const std::string& shown, MachineSnapshot& out) {
  HKEY key;
  if (RegOpenKeyExA(root, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out["key " + shown] = "";
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    char valueName[16384];
    DWORD nameLength = sizeof valueName, type = 0, size = DWORD(data.size());
    LONG result = RegEnumValueA(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size);
    if (result == ERROR_MORE_DATA) {
      data.resize(size);
      --i;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    out["value " + shown + "\\" + std::string(valueName, nameLength)] =
        std::to_string(type) + " " + Hex(HashBytes(data.data(), size));
  }
  std::vector<std::string> children;
  for (DWORD i = 0;; ++i) {
    char child[512];
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(child, length);
  }
  for (const std::string& child : children) SnapshotKey(key, child, shown + "\\" + child, out);
  RegCloseKey(key);
}

bool StartsWithFolded(const std::string& text, const char* prefix) {
  size_t length = std::strlen(prefix);
  return text.size() >= length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), int(length),
                                                 prefix, int(length)) == CSTR_EQUAL;
}

}  // namespace

std::string RegistryString(HKEY root, const std::string& key, const std::string& value) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return "<no key>";
  char buffer[2048] = "";
  DWORD size = sizeof buffer - 1, type = 0;
  LONG result = RegQueryValueExA(handle, value.empty() ? nullptr : value.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return "<no value>";
  buffer[size] = '\0';
  return buffer;
}

bool RegistryKeyExists(HKEY root, const std::string& key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void DeleteRegistryTree(HKEY root, const std::string& key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle) == ERROR_SUCCESS) {
    char name[512];
    for (;;) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DeleteRegistryTree(handle, name);
    }
    RegCloseKey(handle);
  }
  RegDeleteKeyA(root, key.c_str());
}

std::string ProgramFilesFolder() {
  return RegistryString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                        "ProgramFilesDir");
}

std::string ProgramsMenuFolder() {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
  return path;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// Through the wide functions: a run in the other language leaves names that this
// code page cannot spell.
void DeleteFolderTree(const std::string& folder) { RemoveTree(folder); }

Shortcut ReadShortcut(const std::string& lnkPath) {
  Shortcut s;
  s.path = lnkPath;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return s;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char buffer[MAX_PATH] = "";
      if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, 0))) s.target = buffer;
      buffer[0] = '\0';
      if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) s.arguments = buffer;
      link->GetShowCmd(&s.showCommand);
    }
    file->Release();
  }
  link->Release();
  return s;
}

UninstallLogFile ReadUninstallLog(const std::string& path) {
  UninstallLogFile log;
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  auto word = [&](size_t at) {
    uint32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, &bytes[at], 4);
    return v;
  };
  if (bytes.size() < 64 || word(0) != 1) return log;
  uint32_t count = word(4), poolSize = word(8);
  size_t pool = 64 + 12 * size_t(count);
  if (pool + poolSize != bytes.size()) return log;
  auto string = [&](uint32_t offset) {
    return offset < poolSize ? std::string(reinterpret_cast<const char*>(&bytes[pool + offset])) : "";
  };
  log.productName = reinterpret_cast<const char*>(&bytes[12]);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t kind = word(64 + 12 * i);
    LogEntry e{kind, string(word(64 + 12 * i + 4)), kind >= 5 ? string(word(64 + 12 * i + 8)) : ""};
    log.entries.push_back(e);
  }
  log.read = true;
  return log;
}

void ForgetSampleProduct() {
  DeleteFolderTree(ProgramFilesFolder() + "\\Quorbex32");
  DeleteFolderTree(ProgramsMenuFolder() + "\\Quorbex32");
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe");
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32");
  DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Ovalis");
  for (const char* extension : {".arj", ".boo", ".frz", ".gz", ".hqx", ".lzh", ".mme", ".msc", ".pak",
                                ".rar", ".sit", ".tar", ".tgz", ".uue", ".xxe", ".z", ".zip", ".zoo"}) {
    const std::string type = std::string("quorbex.") + (extension + 1);
    if (RegistryString(HKEY_CLASSES_ROOT, extension, "") == type) DeleteRegistryTree(HKEY_CLASSES_ROOT, extension);
    DeleteRegistryTree(HKEY_CLASSES_ROOT, type);
  }
  DeleteRegistryTree(HKEY_CURRENT_USER, "AppEvents\\EventLabels\\TORVQBOperationCompleteFail");
  DeleteRegistryTree(HKEY_CURRENT_USER, "AppEvents\\EventLabels\\TORVQBOperationCompleteSuccess");
  DeleteRegistryTree(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\TORVQuorbex32");
}

MachineSnapshot TakeSnapshot() {
  MachineSnapshot out;
  SnapshotFolder("C:", out);
  SnapshotKey(HKEY_LOCAL_MACHINE, "", "HKLM", out);
  SnapshotKey(HKEY_CURRENT_USER, "", "HKCU", out);
  SnapshotKey(HKEY_CLASSES_ROOT, "", "HKCR", out);
  return out;
}

std::vector<std::string> SnapshotDifferences(const MachineSnapshot& before, const MachineSnapshot& after,
                                             const std::vector<SnapshotExclusion>& exclusions) {
  auto excluded = [&](const std::string& item) {
    const std::string path = item.substr(item.find(' ') + 1);
    for (const SnapshotExclusion& e : exclusions) {
      if (StartsWithFolded(path, e.prefix) && (!e.alone || path.size() == std::strlen(e.prefix))) return true;
    }
    return false;
  };
  std::vector<std::string> out;
  for (const auto& [item, held] : before) {
    auto other = after.find(item);
    if (excluded(item)) continue;
    if (other == after.end()) {
      out.push_back("- " + item);
    } else if (other->second != held) {
      out.push_back("~ " + item);
    }
  }
  for (const auto& [item, held] : after) {
    if (!excluded(item) && before.find(item) == before.end()) out.push_back("+ " + item);
  }
  return out;
}

const std::vector<SnapshotExclusion>& WindowsOwnChanges() {
  static const std::vector<SnapshotExclusion> kChanges = {
    {"C:\\windows\\wininit.", "95/98 runs: the restart's instructions, checked line by line instead"},
    {"HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\PendingFileRenameOperations",
     "the delayed deletes: consumed by the restart"},
    {"HKCU\\Software\\Wine", "the test's per-program settings (the 95/98 family)"},
    // Runs in English and Japanese share the prefix; the system rewrites these for the
    // language of the programs it starts.
    {"HKCU\\Control Panel\\International", "the user's locale"},
    {"HKCU\\Keyboard Layout", "the keyboard of the locale"},
    {"HKLM\\System\\CurrentControlSet\\Control\\Nls", "the code pages of the locale"},
    {"HKLM\\System\\CurrentControlSet\\Control\\FontAssoc", "the fonts of the locale's character set"},
    {"HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts",
     "the system fonts of the locale"},
    {"HKLM\\System\\CurrentControlSet\\Control\\TimeZoneInformation", "the time zone's name, in the locale"},
    {"HKCU\\AppEvents\\EventLabels",
     "the sound labels' own key, which every Windows profile has and a new Wine prefix lacks: "
     "writing the product's labels creates it; the log names the labels, which are removed",
     true},
};
  return kChanges;
}
