// Files for tests under Wine: whole-file reads and writes, held handles, fresh
// folders, and the restart that carries out delayed moves.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Paths longer than MAX_PATH go through the wide functions with the \\?\ prefix.
inline std::wstring WidePath(const std::string& path) {
  std::wstring wide(path.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], int(wide.size()));
  wide.resize(n > 0 ? size_t(n - 1) : 0);
  return path.size() >= MAX_PATH ? L"\\\\?\\" + wide : wide;
}

inline HANDLE OpenForTest(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                          DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  return CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition, attributes,
                     nullptr);
}

inline void WriteBytes(const std::string& path, const std::string& bytes,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = OpenForTest(path, GENERIC_WRITE, 0, CREATE_ALWAYS, attributes);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  DWORD written = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(ok && written == bytes.size()) << path;
}

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadBytes(const std::string& path) {
  HANDLE h = OpenForTest(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(h, nullptr), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!ReadFile(h, &bytes[0], DWORD(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    bytes = "<unreadable>";
  }
  CloseHandle(h);
  return bytes;
}

inline bool PathExists(const std::string& path) {
  return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline DWORD AttributesOf(const std::string& path) {
  return GetFileAttributesW(WidePath(path).c_str());
}

// A handle the test keeps open to make the file "in use"; closed when it goes.
class HeldFile {
 public:
  HeldFile(const std::string& path, DWORD share)
      : handle_(OpenForTest(path, GENERIC_READ, share, OPEN_EXISTING)) {}
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

// Deletes a folder with everything in it; the path carries the \\?\ prefix.
inline void RemoveTreeWide(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeWide(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// Deletes a folder with everything in it, read-only files and long names included.
inline void RemoveTree(const std::string& folder) {
  std::wstring wide = WidePath(folder);
  RemoveTreeWide(wide.compare(0, 4, L"\\\\?\\") == 0 ? wide : L"\\\\?\\" + wide);
}

// A new empty folder under the temporary folder, named for the running test and a tag.
inline std::string FreshTestFolder(const std::string& tag) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string folder = std::string(temp) + tag + "-" + info->test_suite_name() + "-" + info->name();
  // Several runs of one program share the prefix; the program's name and the language
  // keep them apart.
  char program[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string name(program, n);
  folder += "-" + name.substr(name.find_last_of('\\') + 1) + "-" +
            std::to_string(LANGIDFROMLCID(GetThreadLocale()));
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// Whether this run may restart the prefix. A restart also restarts the prefix's services
// under the feet of other programs, so only runs that have the prefix to themselves do.
inline bool RestartsAllowed() {
  return GetEnvironmentVariableA("SETUP_NO_RESTART", nullptr, 0) == 0;
}

// What the next start of Windows would do to pending delayed moves (and WININIT.INI
// in the Windows folder): Wine's restart of the prefix.
inline bool RunPendingMoves() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  char command[] = "wineboot.exe -r";
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  bool done = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return done;
}

// Makes the platform refuse delayed moves while it lives, as it does for a user who
// may not write the machine's pending moves: a value of the wrong type stands where
// the platform keeps them.
class RefusedDelayedMoves {
 public:
  static constexpr const char* kSessionManager =
      "System\\CurrentControlSet\\Control\\Session Manager";
  static constexpr const char* kPendingMoves = "PendingFileRenameOperations";

  RefusedDelayedMoves() {
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key_);
    DWORD size = 0;
    had_ = RegQueryValueExA(key_, kPendingMoves, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
    saved_.resize(size);
    if (had_ && size > 0) {
      RegQueryValueExA(key_, kPendingMoves, nullptr, &type_, saved_.data(), &size);
    }
    DWORD wrong = 1;
    RegSetValueExA(key_, kPendingMoves, 0, REG_DWORD, reinterpret_cast<BYTE*>(&wrong),
                   sizeof wrong);
  }
  ~RefusedDelayedMoves() {
    if (had_) {
      RegSetValueExA(key_, kPendingMoves, 0, type_, saved_.data(), DWORD(saved_.size()));
    } else {
      RegDeleteValueA(key_, kPendingMoves);
    }
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> saved_;
};
