#include "e2e/machine_state.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <fstream>
#include <iterator>

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

namespace {

// Wide names, so that what a run in the other language left (shortcuts named in
// Japanese under an English locale) is removed too.
void DeleteFolderTreeW(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteFolderTreeW(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void DeleteFolderTree(const std::string& folder) {
  int length = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
  if (length <= 0) return;
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &wide[0], length);
  wide.resize(size_t(length - 1));
  DeleteFolderTreeW(wide);
}

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
  DeleteRegistryTree(HKEY_CLASSES_ROOT, ".zip");
  DeleteRegistryTree(HKEY_CLASSES_ROOT, "quorbex.zip");
}
