// Each step of a removal on the system, under Wine: what is removed, what was already
// gone, what waits for the next start of Windows (delayed deletes on the NT family,
// WININIT.INI lines on the 95/98 family run) and what is left or fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/registry_values_win.h"
#include "support/test_files_win.h"
#include "text/strings.h"
#include "uninstall/removal_win.h"

namespace {

bool Windows98() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = FreshTestFolder("removal");
    context_.windows9x = Windows98();
    context_.selfPath = self_.c_str();
    context_.wininitPath = DuplicateString((folder_ + "\\WININIT.INI").c_str());
    DeleteTree(HKEY_CURRENT_USER, "Software\\QuorbexRemovalTest");
    DeleteTree(HKEY_CLASSES_ROOT, ".qbxtest");
  }
  void TearDown() override {
    FreeRemovalContext(&context_);
    DeleteTree(HKEY_CURRENT_USER, "Software\\QuorbexRemovalTest");
    DeleteTree(HKEY_CLASSES_ROOT, ".qbxtest");
    RemoveTree(folder_);
  }

  static void DeleteTree(HKEY root, const std::string& key) {
    RemovalContext none{};
    RemovalStep step{stepDeleteKey, root == HKEY_CLASSES_ROOT ? rootClasses : rootCurrentUser, key.c_str(),
                     key.size(), "", 0};
    unsigned long detail = 0;
    CarryOutStep(&none, step, &detail);
  }

  int Run(int action, int root, const std::string& path, const std::string& name = "") {
    RemovalStep step{action, root, path.c_str(), path.size(), name.c_str(), 0};
    unsigned long detail = 0;
    return CarryOutStep(&context_, step, &detail);
  }

  std::string Wininit() { return ReadBytes(folder_ + "\\WININIT.INI"); }

  static void SetValue(HKEY root, const std::string& key, const char* name, const char* text) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyA(root, key.c_str(), &handle), ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
    RegCloseKey(handle);
  }

  std::string folder_;
  std::string self_ = "C:\\nowhere\\uninstaller.exe";
  RemovalContext context_{};
};

TEST_F(RemovalTest, FilesAreRemovedOrWaitWhenInUse) {
  struct Case {
    const char* name;
    DWORD attributes;  // 0: no file; FILE_ATTRIBUTE_DIRECTORY: a folder stands there
    bool held;
    int result;
    bool remains;  // until the next start of Windows
  };
  const Case cases[] = {
      {"plain.txt", FILE_ATTRIBUTE_NORMAL, false, resultRemoved, false},
      {"missing.txt", 0, false, resultAbsent, false},
      {"readonly.txt", FILE_ATTRIBUTE_READONLY, false, resultRemoved, false},
      {"held.txt", FILE_ATTRIBUTE_NORMAL, true, resultWaits, true},
      {"folder.txt", FILE_ATTRIBUTE_DIRECTORY, false, resultFailed, true},
  };
  std::string expectedWininit = "[Rename]\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder_ + "\\" + c.name;
    if (c.attributes == FILE_ATTRIBUTE_DIRECTORY) {
      CreateDirectoryA(path.c_str(), nullptr);
    } else if (c.attributes != 0) {
      WriteBytes(path, "data", c.attributes);
    }
    HeldFile user(path, c.held ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!c.held) user.Release();
    EXPECT_EQ(Run(stepDeleteFile, rootNone, path), c.result);
    EXPECT_EQ(PathExists(path), c.remains);
    if (c.result == resultWaits) {
      char shortPath[MAX_PATH];
      GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
      expectedWininit += std::string("NUL=") + shortPath + "\r\n";
    }
  }
  EXPECT_EQ(Wininit(), context_.windows9x ? expectedWininit : "<missing>");
}

TEST_F(RemovalTest, TheUninstallerItselfWaitsWithoutATry) {
  const std::string path = folder_ + "\\uninstaller.exe";
  WriteBytes(path, "MZ");
  self_ = path;
  CharLowerA(&self_[0]);  // the same file, spelled otherwise
  context_.selfPath = self_.c_str();
  EXPECT_EQ(Run(stepDeleteFile, rootNone, path), resultWaits);
  EXPECT_TRUE(PathExists(path));
}

TEST_F(RemovalTest, FoldersGoOnlyWhenEmptyOrWhenAllTheyHoldWaits) {
  const std::string empty = folder_ + "\\empty", users = folder_ + "\\users", waiting = folder_ + "\\waiting";
  for (const std::string& f : {empty, users, waiting}) CreateDirectoryA(f.c_str(), nullptr);
  WriteBytes(users + "\\notes.txt", "mine");
  WriteBytes(waiting + "\\in use.dll", "code");
  {
    HeldFile program(waiting + "\\in use.dll", 0);
    EXPECT_EQ(Run(stepDeleteFile, rootNone, waiting + "\\in use.dll"), resultWaits);
  }
  EXPECT_EQ(Run(stepRemoveFolder, rootNone, empty), resultRemoved);
  EXPECT_FALSE(PathExists(empty));
  EXPECT_EQ(Run(stepRemoveFolder, rootNone, empty), resultAbsent);
  EXPECT_EQ(Run(stepRemoveFolder, rootNone, users), resultKept);
  EXPECT_TRUE(PathExists(users + "\\notes.txt"));
  // WININIT.INI removes files only: the 95/98 start leaves the folder, empty.
  EXPECT_EQ(Run(stepRemoveFolder, rootNone, waiting), context_.windows9x ? resultEmptyAfterRestart : resultWaits);
  EXPECT_TRUE(PathExists(waiting));
}

TEST_F(RemovalTest, RegistryKeysValuesAndExtensions) {
  const std::string base = "Software\\QuorbexRemovalTest";
  SetValue(HKEY_CURRENT_USER, base + "\\Company\\Product\\Deep\\Deeper", "Setting", "1");
  SetValue(HKEY_CURRENT_USER, base + "\\Company\\Product", "Name", "x");
  SetValue(HKEY_CURRENT_USER, base + "\\Values", "Drop", "1");
  SetValue(HKEY_CURRENT_USER, base + "\\Values", "Keep", "1");

  EXPECT_EQ(Run(stepDeleteKey, rootCurrentUser, base + "\\Company\\Product"), resultRemoved);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, base + "\\Company\\Product\\Deep\\Deeper", "Setting"), "<missing>");
  EXPECT_EQ(Run(stepDeleteKey, rootCurrentUser, base + "\\Company\\Product"), resultAbsent);
  EXPECT_EQ(Run(stepDeleteEmptyKey, rootCurrentUser, base + "\\Values"), resultAbsent);  // not empty
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, base + "\\Values", "Keep"), "1");
  EXPECT_EQ(Run(stepDeleteEmptyKey, rootCurrentUser, base + "\\Company"), resultRemoved);
  EXPECT_EQ(Run(stepDeleteValue, rootCurrentUser, base + "\\Values", "Drop"), resultRemoved);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, base + "\\Values", "Drop"), "<missing>");
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, base + "\\Values", "Keep"), "1");
  EXPECT_EQ(Run(stepDeleteValue, rootCurrentUser, base + "\\Values", "Drop"), resultAbsent);

  // An extension is removed only while it names the logged type; what else it holds stays.
  SetValue(HKEY_CLASSES_ROOT, ".qbxtest", "", "Other.qbxtest");
  EXPECT_EQ(Run(stepDeleteExtension, rootClasses, ".qbxtest", "quorbex.qbxtest"), resultAbsent);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, ".qbxtest"), "Other.qbxtest");
  SetValue(HKEY_CLASSES_ROOT, ".qbxtest", "", "quorbex.qbxtest");
  SetValue(HKEY_CLASSES_ROOT, ".qbxtest", "Content Type", "application/x-qbx");
  EXPECT_EQ(Run(stepDeleteExtension, rootClasses, ".qbxtest", "quorbex.qbxtest"), resultRemoved);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, ".qbxtest"), "<missing>");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, ".qbxtest", "Content Type"), "application/x-qbx");
  DeleteTree(HKEY_CLASSES_ROOT, ".qbxtest");
  SetValue(HKEY_CLASSES_ROOT, ".qbxtest", "", "QUORBEX.qbxtest");
  EXPECT_EQ(Run(stepDeleteExtension, rootClasses, ".qbxtest", "quorbex.qbxtest"), resultRemoved);
  HKEY key;
  EXPECT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, ".qbxtest", 0, KEY_READ, &key), ERROR_SUCCESS);
}

}  // namespace
