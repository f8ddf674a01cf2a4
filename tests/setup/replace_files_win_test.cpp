// Putting new files in place of old ones under Wine: now, at the next restart, or not
// at all, and never losing the old file without the new one taking its place. The
// program runs twice: as the NT family and, under another name, as the 95/98 family.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "setup/replace_files.h"
#include "support/config_fixture.h"
#include "support/test_files_win.h"
#include "system/rename_entries.h"
#include "text/variables.h"

namespace {

const char kOld[] = "old version\r\n";
const char kNew[] = "new version, longer than the old one\r\n";

std::string ShortPath(const std::string& path) {
  char out[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), out, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(out, n) : "<no short path>";
}

// The delayed moves the platform holds for the next restart, as one text.
std::string PendingMovesText() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return "";
  }
  std::vector<char> value(65536);
  DWORD size = DWORD(value.size());
  DWORD type = 0;
  LONG read = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                               reinterpret_cast<BYTE*>(value.data()), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::string(value.data(), size) : "";
}

std::string Message(const InstallFailures& failures) {
  char* text = InstallFailureMessage(&failures);
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

class ReplaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gInstance = GetModuleHandleA(nullptr);
    gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
    ASSERT_TRUE(GetVersionExA(&gVersionInfo));
    gRestartNeeded = 0;
    ASSERT_EQ(CreateVariableTable(), 0);
    base_ = FreshTestFolder("replace");
    // Long names, so that the short forms differ from them.
    folder_ = base_ + "\\Long Folder Name";
    windows_ = base_ + "\\Windows Folder";
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(windows_.c_str(), nullptr));
    ini_ = windows_ + "\\WININIT.INI";
    ASSERT_EQ(SetVariable("WindowsDir", windows_.c_str()), 0);
  }
  void TearDown() override {
    DestroyVariableTableForTest();
    RemoveTree(base_);
  }

  static bool Is95() { return gVersionInfo.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS; }

  // A new file under a temporary name, and the old one (unless oldBytes is none).
  void Prepare(const std::string& target, const std::string& temp, const char* oldBytes,
               DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    if (oldBytes != nullptr) WriteBytes(target, oldBytes, attributes);
    WriteBytes(temp, kNew);
  }

  std::string base_, folder_, windows_, ini_;
};

// Targets that nothing holds are replaced at once, whatever the platform.
TEST_F(ReplaceTest, TargetNotHeldIsReplacedNow) {
  struct Case {
    const char* name;
    const char* oldBytes;  // none: no old file
    DWORD attributes;
  };
  const Case cases[] = {
      {"absent.exe", nullptr, FILE_ATTRIBUTE_NORMAL},
      {"existing program.exe", kOld, FILE_ATTRIBUTE_NORMAL},
      {"read only.dll", kOld, FILE_ATTRIBUTE_READONLY},
      {"empty.txt", "", FILE_ATTRIBUTE_NORMAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = folder_ + "\\" + c.name;
    const std::string temp = folder_ + "\\IT0.tmp";
    Prepare(target, temp, c.oldBytes, c.attributes);
    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceDone);
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_FALSE(PathExists(temp));
    EXPECT_EQ(AttributesOf(target) & FILE_ATTRIBUTE_READONLY, 0u);
  }
  EXPECT_FALSE(PathExists(ini_));
}

// NT family: a file in use gets a delayed move that replaces it at the restart.
TEST_F(ReplaceTest, InUseOnNtIsMovedAtTheRestart) {
  if (Is95()) GTEST_SKIP() << "NT family only";
  const struct {
    const char* name;
    DWORD attributes;
  } cases[] = {{"held program.exe", FILE_ATTRIBUTE_NORMAL},
               {"held read only.dll", FILE_ATTRIBUTE_READONLY}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = folder_ + "\\" + c.name;
    const std::string temp = folder_ + "\\IT0.tmp";
    Prepare(target, temp, kOld, c.attributes);
    HeldFile user(target, FILE_SHARE_READ);
    ASSERT_TRUE(user.held());
    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceAtRestart);
    EXPECT_EQ(ReadBytes(target), kOld);
    EXPECT_EQ(ReadBytes(temp), kNew);
    user.Release();

    ASSERT_TRUE(RunPendingMoves());
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_FALSE(PathExists(temp));
  }
  EXPECT_FALSE(PathExists(ini_));
}

// 95/98 family: the pair of entries in short names, wherever the section stands.
TEST_F(ReplaceTest, InUseOn95GetsRenameEntriesInShortNames) {
  if (!Is95()) GTEST_SKIP() << "95/98 family only";
  const std::string target = folder_ + "\\held program.exe";
  const std::string temp = folder_ + "\\IT0.tmp";
  struct Case {
    const char* what;
    const char* before;  // none: no WININIT.INI yet
    std::string expected;  // with @ for the pair of entries
  };
  const Case cases[] = {
      {"no file yet", nullptr, "[Rename]\r\n@"},
      {"no section: a new one at the end", "[boot]\r\nx=1\r\n", "[boot]\r\nx=1\r\n[Rename]\r\n@"},
      {"no final line break", "[boot]\r\nx=1", "[boot]\r\nx=1\r\n[Rename]\r\n@"},
      {"entries then an empty line", "[rename]\r\nNUL=C:\\A\r\n\r\n[boot]\r\n",
       "[rename]\r\nNUL=C:\\A\r\n@\r\n[boot]\r\n"},
      {"next section without an empty line", "[Rename]\r\nNUL=C:\\A\r\n[boot]\r\n",
       "[Rename]\r\nNUL=C:\\A\r\n@[boot]\r\n"},
      {"header with a trailing blank", "[Rename] \r\nNUL=C:\\A\r\n",
       "[Rename] \r\nNUL=C:\\A\r\n[Rename]\r\n@"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA(ini_.c_str());
    if (c.before != nullptr) WriteBytes(ini_, c.before);
    Prepare(target, temp, kOld);
    const std::string shortTarget = ShortPath(target);
    const std::string pair = "NUL=" + shortTarget + "\r\n" + shortTarget + "=" + ShortPath(temp) +
                             "\r\n";
    ASSERT_NE(shortTarget.find("\\LONG"), std::string::npos) << shortTarget;
    HeldFile user(target, FILE_SHARE_READ);
    ASSERT_TRUE(user.held());

    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceAtRestart);
    std::string expected = c.expected;
    expected.replace(expected.find('@'), 1, pair);
    EXPECT_EQ(ReadBytes(ini_), expected);
    EXPECT_EQ(ReadBytes(target), kOld);
    EXPECT_EQ(ReadBytes(temp), kNew);
  }
}

// The old file is deleted but the new one cannot be moved in (another program holds
// it): the move waits for the restart instead of leaving no file at all.
TEST_F(ReplaceTest, MoveRefusedAfterDeletionWaitsForTheRestart) {
  const std::string target = folder_ + "\\quorbex program.exe";
  const std::string temp = folder_ + "\\IT0.tmp";
  Prepare(target, temp, kOld);
  const std::string shortTarget = ShortPath(target);
  HeldFile scanner(temp, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(scanner.held());

  EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceAtRestart);
  EXPECT_FALSE(PathExists(target));
  EXPECT_EQ(ReadBytes(temp), kNew);
  scanner.Release();
  if (Is95()) {
    EXPECT_EQ(ReadBytes(ini_), "[Rename]\r\nNUL=" + shortTarget + "\r\n" + shortTarget + "=" +
                                   ShortPath(temp) + "\r\n");
  } else {
    EXPECT_FALSE(PathExists(ini_));
    ASSERT_TRUE(RunPendingMoves());
    EXPECT_EQ(ReadBytes(target), kNew);
    EXPECT_FALSE(PathExists(temp));
  }
}

// A folder where the file goes cannot be replaced now or at a restart: the new file is
// dropped and nothing waits for a restart that could not carry it out.
TEST_F(ReplaceTest, AFolderInThePlaceOfTheFileIsNotScheduled) {
  const std::string target = folder_ + "\\quorbex.exe";
  const std::string temp = folder_ + "\\IT0.tmp";
  ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
  WriteBytes(temp, kNew);

  EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceDropNew);
  EXPECT_FALSE(PathExists(temp));
  EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(PathExists(ini_));
  EXPECT_EQ(PendingMovesText().find(temp.substr(2)), std::string::npos);
  RemoveDirectoryA(target.c_str());
}

// The old file is in use and the replacement cannot be arranged (WININIT.INI cannot be
// opened, the delayed move is refused): the old file stays as it was and the new one
// is removed. With the old file already gone, the new one stays where it is.
TEST_F(ReplaceTest, ReplacementThatCannotBeArrangedKeepsWhatExists) {
  const std::string target = folder_ + "\\quorbex program.exe";
  const std::string temp = folder_ + "\\IT0.tmp";
  WriteBytes(ini_, "[boot]\r\n");
  {
    SCOPED_TRACE("old file in use");
    Prepare(target, temp, kOld);
    HeldFile user(target, FILE_SHARE_READ);
    HeldFile other(ini_, 0);
    RefusedDelayedMoves refused;
    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceDropNew);
    EXPECT_EQ(ReadBytes(target), kOld);
    EXPECT_FALSE(PathExists(temp));
  }
  {
    SCOPED_TRACE("read-only old file in use keeps its attribute");
    DeleteFileA(target.c_str());
    Prepare(target, temp, kOld, FILE_ATTRIBUTE_READONLY);
    HeldFile user(target, FILE_SHARE_READ);
    HeldFile other(ini_, 0);
    RefusedDelayedMoves refused;
    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceDropNew);
    EXPECT_EQ(ReadBytes(target), kOld);
    EXPECT_NE(AttributesOf(target) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(PathExists(temp));
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  {
    SCOPED_TRACE("old file deleted, new one held");
    Prepare(target, temp, kOld);
    HeldFile scanner(temp, FILE_SHARE_READ | FILE_SHARE_WRITE);
    HeldFile other(ini_, 0);
    RefusedDelayedMoves refused;
    EXPECT_EQ(ReplaceOneFile(target.c_str(), temp.c_str()), replaceStranded);
    EXPECT_FALSE(PathExists(target));
    EXPECT_EQ(ReadBytes(temp), kNew);
  }
  EXPECT_EQ(ReadBytes(ini_), "[boot]\r\n");
}

// The whole step over the list: what waits for the restart, what could not be
// replaced, and what was never extracted.
TEST_F(ReplaceTest, EveryEntryHandledAndEachFailureNamed) {
  // A name the system's path functions cannot reach: deleting it fails with an error
  // that is neither "missing" nor "in use".
  const std::string unreachable = folder_ + "\\" + std::string(240, 'n') + ".dat";
  struct Entry {
    std::string target;
    std::string temp;
    const char* oldBytes;
    bool extracted;
  };
  std::vector<Entry> entries = {
      {folder_ + "\\new.exe", folder_ + "\\IT0.tmp", nullptr, true},
      {folder_ + "\\not selected.hlp", "", kOld, false},
      {folder_ + "\\held.dll", folder_ + "\\IT1.tmp", kOld, true},
      {unreachable, folder_ + "\\IT2.tmp", kOld, true},
  };
  ConfigImage config(kHeaderSize);
  config.Word(wordFileCount, uint32_t(entries.size()));
  gConfig = config.bytes.data();
  gConfigSize = config.bytes.size();
  std::vector<ReplaceEntry> list(entries.size());
  gReplaceList = list.data();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].oldBytes != nullptr) WriteBytes(entries[i].target, entries[i].oldBytes);
    list[i] = {nullptr, 0, nullptr};
    if (entries[i].extracted) {
      WriteBytes(entries[i].temp, kNew);
      list[i] = {const_cast<char*>(entries[i].target.c_str()), 0,
                 const_cast<char*>(entries[i].temp.c_str())};
    }
  }
  HeldFile user(entries[2].target, FILE_SHARE_READ);

  InstallFailures failures = {};
  ReplaceFiles(&failures);

  EXPECT_EQ(gRestartNeeded, 1);
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(list[i].handled, entries[i].extracted ? 1 : 0) << i;
  }
  EXPECT_EQ(ReadBytes(entries[0].target), kNew);
  EXPECT_EQ(ReadBytes(entries[1].target), kOld);
  EXPECT_EQ(ReadBytes(entries[2].target), kOld);
  EXPECT_EQ(ReadBytes(entries[3].target), kOld);
  EXPECT_FALSE(PathExists(entries[3].temp));
  ASSERT_EQ(failures.count, 1u);
  EXPECT_EQ(failures.items[0].path, unreachable);
  EXPECT_EQ(failures.items[0].newCopyPath, nullptr);
  if (PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_ENGLISH) {
    EXPECT_EQ(Message(failures),
              "Setup could not replace the following files:\r\n\r\n" + unreachable);
  }
  FreeInstallFailures(&failures);
  user.Release();
  if (!Is95()) RunPendingMoves();
  gReplaceList = nullptr;
  gConfig = nullptr;
  gConfigSize = 0;
}

}  // namespace

namespace {

TEST(ToShortPath, EveryExistingLevelShortenedOthersKept) {
  const std::string base = FreshTestFolder("short");
  const std::string longFolder = base + "\\Long Folder Name";
  const std::string lower = longFolder + "\\lower";
  ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(lower.c_str(), nullptr));
  WriteBytes(lower + "\\A Long File Name.txt", "x");
  WriteBytes(lower + "\\MiXed.TxT", "x");
  const std::string shortFolder = ShortPath(longFolder);
  ASSERT_NE(shortFolder, longFolder);
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {lower + "\\A Long File Name.txt", ShortPath(lower + "\\A Long File Name.txt")},
      // A valid short name has no other one and keeps its spelling.
      {lower + "\\MiXed.TxT", shortFolder + "\\lower\\MiXed.TxT"},
      {lower + "\\Not There Yet.exe", shortFolder + "\\lower\\Not There Yet.exe"},
      {longFolder + "\\Missing Folder\\x.exe", shortFolder + "\\Missing Folder\\x.exe"},
      {"C:", "C:"},
      {"C:\\", "C:\\"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  // Names whose alias is longer than they are.
  for (const char* name : {"a b", "a+b", ".cfg", "x.y.z"}) {
    const std::string folder = base + "\\" + name;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << name;
    WriteBytes(folder + "\\in use.dll", "x");
    const std::string alias = ShortPath(folder);
    EXPECT_GT(alias.size() - alias.rfind('\\') - 1, std::strlen(name)) << alias;
    all.push_back({folder + "\\in use.dll", ShortPath(folder + "\\in use.dll")});
    EXPECT_EQ(all.back().expected.compare(0, alias.size(), alias), 0) << name;
  }
  for (const Case& c : all) {
    char* shortened = ToShortPath(c.path.c_str());
    ASSERT_NE(shortened, nullptr);
    EXPECT_EQ(std::string(shortened), c.expected) << c.path;
    std::free(shortened);
  }
  RemoveTree(base);
}

TEST(AddRenameEntries, AddsTheLinesToTheFileAndFailsWhenItCannotBeOpened) {
  const std::string base = FreshTestFolder("ini");
  const std::string ini = base + "\\WININIT.INI";
  WriteBytes(ini, "[Rename]\r\nNUL=C:\\A\r\n\r\n[boot]\r\nshell=x");
  const RenameEntry pair[] = {{"NUL", "C:\\B"}, {"C:\\B", "C:\\IT0.TMP"}};
  EXPECT_TRUE(AddRenameEntries(ini.c_str(), pair, 2));
  const std::string expected =
      "[Rename]\r\nNUL=C:\\A\r\nNUL=C:\\B\r\nC:\\B=C:\\IT0.TMP\r\n\r\n[boot]\r\nshell=x";
  EXPECT_EQ(ReadBytes(ini), expected);
  const RenameEntry one[] = {{"NUL", "C:\\C"}};
  {
    HeldFile other(ini, 0);
    EXPECT_FALSE(AddRenameEntries(ini.c_str(), one, 1));
  }
  EXPECT_FALSE(AddRenameEntries((base + "\\no folder\\WININIT.INI").c_str(), one, 1));
  EXPECT_EQ(ReadBytes(ini), expected);
  RemoveTree(base);
}

}  // namespace
