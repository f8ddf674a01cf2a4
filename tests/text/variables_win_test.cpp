// The variable table filled from a real system, and the registry string reader.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "config/state_win.h"
#include "text/status.h"
#include "text/variables.h"
#include "text/variables_win.h"

namespace {

const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kTestKey[] = "Software\\SetupTests\\Variables";

std::string Take(char* s) {
  std::string copy = s != nullptr ? s : "<none>";
  std::free(s);
  return copy;
}

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// Read straight from the registry, as a check on the reader under test.
std::string DirectRegistryString(HKEY root, const char* subkey, const char* name) {
  char buffer[1024] = "";
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  HKEY key;
  if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<none>";
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<none>";
}

class SeededVariablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&gShellAllocator)));
    DestroyVariableTableForTest();
    ASSERT_EQ(SeedVariables(), 0);
  }
  void TearDown() override {
    DestroyVariableTableForTest();
    gShellAllocator->Release();
    gShellAllocator = nullptr;
    CoUninitialize();
  }
};

TEST_F(SeededVariablesTest, RegistryFolders) {
  for (const char* name : {"ProgramFilesDir", "CommonFilesDir"}) {
    std::string direct = DirectRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, name);
    ASSERT_NE(direct, "<none>") << name;
    ASSERT_FALSE(direct.empty()) << name;
    EXPECT_EQ(Take(GetVariable(name)), WithoutTrailingBackslash(direct)) << name;
  }
  std::string expanded = Take(ExpandVariables("$(ProgramFilesDir)\\Quorbex32"));
  EXPECT_EQ(expanded,
            WithoutTrailingBackslash(DirectRegistryString(HKEY_LOCAL_MACHINE, kCurrentVersionKey,
                                                          "ProgramFilesDir")) +
                "\\Quorbex32");
  EXPECT_EQ(expanded.find("\\\\"), std::string::npos) << expanded;
}

TEST_F(SeededVariablesTest, ShellFoldersThatHaveAPath) {
  struct Case {
    const char* name;
    int csidl;
  };
  const Case cases[] = {
      {"ShellBitBucket", CSIDL_BITBUCKET},
      {"ShellDesktopDirectory", CSIDL_DESKTOPDIRECTORY},
      {"ShellFavorites", CSIDL_FAVORITES},
      {"ShellFonts", CSIDL_FONTS},
      {"ShellNethood", CSIDL_NETHOOD},
      {"ShellPersonal", CSIDL_PERSONAL},
      {"ShellPrograms", CSIDL_PROGRAMS},
      {"ShellRecent", CSIDL_RECENT},
      {"ShellSendTo", CSIDL_SENDTO},
      {"ShellStartMenu", CSIDL_STARTMENU},
      {"ShellStartup", CSIDL_STARTUP},
      {"ShellTemplates", CSIDL_TEMPLATES},
  };
  for (const Case& c : cases) {
    char path[MAX_PATH] = "";
    std::string expected =
        SHGetSpecialFolderPathA(nullptr, path, c.csidl, FALSE) ? WithoutTrailingBackslash(path)
                                                                : "<none>";
    EXPECT_EQ(Take(GetVariable(c.name)), expected) << c.name;
  }
  EXPECT_EQ(Take(GetVariable("ShellBitBucket")), "<none>");
  EXPECT_NE(Take(GetVariable("ShellPrograms")), "<none>");

  EXPECT_EQ(SetShellFolderVariable("Nowhere", 0x7777), 1);
  EXPECT_EQ(Take(GetVariable("Nowhere")), "<none>");
}

TEST_F(SeededVariablesTest, PlaceholdersHoldTheStringOne) {
  const char* const names[] = {
      "ApplicationName", "BackgroundTitle", "ShortcutFolder", "WindowTitle",
      "BrandCustom1",    "BrandCustom2",    "BrandName",      "BrandOrganization",
      "SourceDir",       "WorkDir",         "DateInt",        "DateStr",
      "RegisteredOrganization", "RegisteredOwner",
  };
  for (const char* name : names) EXPECT_EQ(Take(GetVariable(name)), "1") << name;
}

TEST_F(SeededVariablesTest, SystemFoldersAndNames) {
  char buffer[MAX_PATH + 1];
  ASSERT_NE(GetSystemDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_EQ(Take(GetVariable("SystemDir")), WithoutTrailingBackslash(buffer));
  ASSERT_NE(GetWindowsDirectoryA(buffer, sizeof buffer), 0u);
  EXPECT_EQ(Take(GetVariable("WindowsDir")), WithoutTrailingBackslash(buffer));
  ASSERT_NE(GetTempPathA(sizeof buffer, buffer), 0u);
  EXPECT_EQ(Take(GetVariable("TempDir")), WithoutTrailingBackslash(buffer));
  for (const char* name : {"SystemDir", "WindowsDir", "TempDir"}) {
    std::string value = Take(GetVariable(name));
    ASSERT_GT(value.size(), 2u) << name;
    EXPECT_NE(value.back(), '\\') << name;
  }

  DWORD size = sizeof buffer;
  ASSERT_TRUE(GetComputerNameA(buffer, &size));
  EXPECT_EQ(Take(GetVariable("ComputerName")), buffer);
  size = sizeof buffer;
  ASSERT_TRUE(GetUserNameA(buffer, &size));
  EXPECT_EQ(Take(GetVariable("UserName")), buffer);
  EXPECT_NE(Take(GetVariable("UserName")), "");
}

// SETUP_EXPECT_ACP=932 runs it under a Japanese locale.
TEST(PathVariableCodePage, TheSecondByteOfACharacterIsNotABackslash) {
  if (const char* expected = std::getenv("SETUP_EXPECT_ACP")) {
    ASSERT_EQ(GetACP(), UINT(std::atoi(expected)));
  }
  const bool doubleByte = GetACP() == 932;
  struct Case {
    const char* value;
    const char* stored;  // in a single-byte code page
    const char* storedDoubleByte;
  };
  // 0x83 0x5C is one character in code page 932; two backslashes stay two.
  const Case cases[] = {
      {"C:\\\x83\x5C", "C:\\\x83", "C:\\\x83\x5C"},
      {"C:\\\x83\x5C\\", "C:\\\x83\x5C", "C:\\\x83\x5C"},
      {"C:\\a\x83\x5C\x83\x5C", "C:\\a\x83\x5C\x83", "C:\\a\x83\x5C\x83\x5C"},
      {"C:\\Temp\\\\", "C:\\Temp\\", "C:\\Temp\\"},
  };
  DestroyVariableTableForTest();
  ASSERT_EQ(CreateVariableTable(), 0);
  for (const Case& c : cases) {
    std::string buffer = c.value;
    EXPECT_EQ(SetPathVariable("Folder", &buffer[0]), 0);
    EXPECT_EQ(Take(GetVariable("Folder")), doubleByte ? c.storedDoubleByte : c.stored) << c.value;
  }
  DestroyVariableTableForTest();
}

class RegistryStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestKey);
  }
  void Put(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  HKEY key_ = nullptr;
};

TEST_F(RegistryStringTest, ResultsAndValues) {
  const DWORD number = 7;
  Put("Number", REG_DWORD, &number, sizeof number);
  Put("Expandable", REG_EXPAND_SZ, "%TEMP%", 7);
  Put("Path", REG_SZ, "C:\\Program Files\\", 18);
  Put("Unterminated", REG_SZ, "abcdef", 3);
  Put("Empty", REG_SZ, "", 0);
  Put("Embedded", REG_SZ, "one\0two", 8);

  struct Case {
    const char* subkey;
    const char* value;
    int result;
    const char* text;  // "<none>" when out stays none
  };
  const Case cases[] = {
      {kTestKey, "Number", registryNotString, "<none>"},
      {kTestKey, "Expandable", registryNotString, "<none>"},
      {kTestKey, "Missing", ERROR_FILE_NOT_FOUND, "<none>"},
      {"Software\\SetupTests\\NoSuchKey", "Path", ERROR_FILE_NOT_FOUND, "<none>"},
      {kTestKey, "Path", 0, "C:\\Program Files\\"},
      {kTestKey, "Unterminated", 0, "abc"},
      {kTestKey, "Empty", 0, ""},
      {kTestKey, "Embedded", 0, "one"},
  };
  for (const Case& c : cases) {
    char* out = reinterpret_cast<char*>(1);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, c.subkey, c.value, &out), c.result) << c.value;
    EXPECT_EQ(Take(out), c.text) << c.value;
  }
}

}  // namespace
