// The program-menu folder and its shortcuts under Wine, read back through the shell's
// link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/state.h"
#include "recorded_log.h"
#include "support/config_fixture.h"
#include "support/test_files_win.h"
#include "system/shortcuts.h"
#include "text/status.h"
#include "text/variables.h"

namespace {

struct Link {
  std::string path;
  std::string arguments;
  int showCommand;
};

// Loads a .lnk through IShellLinkA; false when it cannot be read.
bool ReadLink(const std::string& linkPath, Link* out) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return false;
  }
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
  if (ok) {
    WCHAR wide[MAX_PATH];
    char path[MAX_PATH] = "";
    char arguments[1024] = "";
    ok = MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) != 0 &&
         SUCCEEDED(file->Load(wide, STGM_READ)) &&
         SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
         SUCCEEDED(link->GetArguments(arguments, sizeof arguments)) &&
         SUCCEEDED(link->GetShowCmd(&out->showCommand));
    out->path = path;
    out->arguments = arguments;
    file->Release();
  }
  link->Release();
  return ok;
}

// The show state field of a saved link: 32 bits at offset 60 of its header.
uint32_t ShowCommandInFile(const std::string& linkPath) {
  std::string bytes = ReadBytes(linkPath);
  return bytes.size() >= 64 ? ReadLittleWord(reinterpret_cast<const uint8_t*>(&bytes[60])) : 0xFFFFFFFF;
}

void MakeFile(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  CloseHandle(h);
}

// Strings of the records below: name, target, arguments.
enum {
  nameViewer, targetViewer, argumentsViewer,
  nameHelp, targetHelp,
  nameMissing, targetMissing,
  nameSame, targetOther,
  emptyText,
};

class ShortcutTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string base = std::string(temp) + "shortcut-test-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    programs_ = base + "\\Programs";
    destination_ = base + "\\Installed";
    for (const std::string& dir : {base, programs_, destination_}) {
      ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
    }
    MakeFile(destination_ + "\\viewer.exe");
    MakeFile(destination_ + "\\help.exe");
    MakeFile(destination_ + "\\other.exe");
    ASSERT_EQ(CreateVariableTable(), 0);
    SetVariable("ShellPrograms", programs_.c_str());
    SetVariable("Destination", destination_.c_str());

    std::vector<std::string> strings(emptyText + 1);
    strings[nameViewer] = "Quorbex Viewer";
    strings[targetViewer] = "$(Destination)\\viewer.exe";
    strings[argumentsViewer] = "/open \"$(Destination)\\readme.txt\"";
    strings[nameHelp] = "Help";
    strings[targetHelp] = "$(Destination)\\help.exe";
    strings[nameMissing] = "Missing";
    strings[targetMissing] = "$(Destination)\\not-installed.exe";
    strings[nameSame] = "Same";
    strings[targetOther] = "$(Destination)\\other.exe";
    strings_ = MakeConfigStrings(strings);
    gStrings = strings_.data();
    gStringsSize = strings_.size();
  }
  void TearDown() override {
    gStrings = nullptr;
    gStringsSize = 0;
    DestroyVariableTableForTest();
    CoUninitialize();
    RecordingTest::TearDown();
  }

  // A shortcut record of the configuration's layout.
  std::vector<uint8_t> Record(uint32_t name, uint32_t target, uint32_t arguments, uint32_t show) {
    ConfigImage record(kShortcutRecordSize);
    record.Put(shortcutName, name);
    record.Put(shortcutTarget, target);
    record.Put(shortcutArguments, arguments);
    for (int k = 0; k < 3; ++k) record.Put(12 + 4 * k, emptyText);
    record.Put(shortcutShowCommand, show);
    return record.bytes;
  }

  std::string programs_;
  std::string destination_;
  std::vector<uint8_t> strings_;
};

TEST_F(ShortcutTest, LinksCarryTargetArgumentsAndShowStateAsConfigured) {
  struct Case {
    uint32_t name, target, arguments, show;
    const char* file;
    const char* expectedArguments;  // references stay as written
  };
  const Case cases[] = {
      {nameViewer, targetViewer, argumentsViewer, SW_SHOWNORMAL, "viewer.exe",
       "/open \"$(Destination)\\readme.txt\""},
      {nameHelp, targetHelp, emptyText, SW_SHOWMAXIMIZED, "help.exe", ""},
  };
  ASSERT_EQ(CreateProgramFolder("Quorbex32"), 0);
  const std::string folder = programs_ + "\\Quorbex32";
  std::vector<Recorded> expectedLog{{1, folder, ""}};
  for (const Case& c : cases) {
    const std::string linkPath = folder + "\\" + ConfigString(c.name) + ".lnk";
    SCOPED_TRACE(linkPath);
    EXPECT_EQ(CreateShortcut("Quorbex32", Record(c.name, c.target, c.arguments, c.show).data()), 0);
    Link link;
    ASSERT_TRUE(ReadLink(linkPath, &link));
    EXPECT_STRCASEEQ(link.path.c_str(), (destination_ + "\\" + c.file).c_str());
    EXPECT_EQ(link.arguments, c.expectedArguments);
    // Wine's link loader reports every show state as normal, so the state is read from
    // the file's header as well, where the shell takes it from when it starts the link.
    if (c.show == SW_SHOWNORMAL) {
      EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
    }
    EXPECT_EQ(ShowCommandInFile(linkPath), uint32_t(c.show));
    expectedLog.push_back({2, linkPath, ""});
  }
  EXPECT_EQ(RecordedEntries(), expectedLog);
}

TEST_F(ShortcutTest, TargetNotInstalledMakesNoShortcutAndNoEntry) {
  ASSERT_EQ(CreateProgramFolder("Quorbex32"), 0);
  EXPECT_EQ(CreateShortcut("Quorbex32", Record(nameMissing, targetMissing, emptyText, 1).data()),
            0);
  EXPECT_FALSE(FileExists((programs_ + "\\Quorbex32\\Missing.lnk").c_str()));
  EXPECT_EQ(RecordedEntries(), (std::vector<Recorded>{{1, programs_ + "\\Quorbex32", ""}}));
}

// Only the last level of the folder is made: below a missing level nothing can be
// saved, and the uninstall log still names every path.
TEST_F(ShortcutTest, FolderBelowAMissingLevelFailsButIsLogged) {
  const std::string folder = programs_ + "\\Absent\\Quorbex32";
  EXPECT_EQ(CreateProgramFolder("Absent\\Quorbex32"), statusCannotCreateGroup);
  EXPECT_EQ(CreateShortcut("Absent\\Quorbex32",
                           Record(nameViewer, targetViewer, emptyText, 1).data()),
            statusCannotCreateGroupItem);
  EXPECT_FALSE(FileExists(folder.c_str()));
  EXPECT_EQ(RecordedEntries(),
            (std::vector<Recorded>{{1, folder, ""}, {2, folder + "\\Quorbex Viewer.lnk", ""}}));
}

TEST_F(ShortcutTest, ExistingFolderIsUsedAndLoggedAgain) {
  const std::string folder = programs_ + "\\Quorbex32";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  EXPECT_EQ(CreateProgramFolder("Quorbex32"), 0);
  EXPECT_EQ(CreateShortcut("Quorbex32", Record(nameHelp, targetHelp, emptyText, 1).data()), 0);
  EXPECT_TRUE(FileExists((folder + "\\Help.lnk").c_str()));
  EXPECT_EQ(RecordedEntries(),
            (std::vector<Recorded>{{1, folder, ""}, {2, folder + "\\Help.lnk", ""}}));
}

TEST_F(ShortcutTest, SecondRecordOfTheSameNameReplacesTheFirst) {
  ASSERT_EQ(CreateProgramFolder("Quorbex32"), 0);
  EXPECT_EQ(CreateShortcut("Quorbex32", Record(nameSame, targetViewer, emptyText, 1).data()), 0);
  EXPECT_EQ(CreateShortcut("Quorbex32", Record(nameSame, targetOther, emptyText, 1).data()), 0);
  const std::string linkPath = programs_ + "\\Quorbex32\\Same.lnk";
  Link link;
  ASSERT_TRUE(ReadLink(linkPath, &link));
  EXPECT_STRCASEEQ(link.path.c_str(), (destination_ + "\\other.exe").c_str());
  EXPECT_EQ(RecordedEntries(), (std::vector<Recorded>{{1, programs_ + "\\Quorbex32", ""},
                                                     {2, linkPath, ""},
                                                     {2, linkPath, ""}}));
}

}  // namespace
