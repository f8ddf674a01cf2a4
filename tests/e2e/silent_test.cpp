// The sample product's setup program run without a person: switches, exit codes and
// the text log, and switches that only preset the pages of an interactive run.
// SETUP_PROGRAM names the setup; SETUP_AS_WIN98=1 runs it as the 95/98 family.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"

namespace {

const char kAppPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe";

std::string Program() {
  const char* program = std::getenv("SETUP_PROGRAM");
  return program != nullptr ? program : "";
}

std::string TextOf(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

class Silent : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program().empty()) << "SETUP_PROGRAM is not set";
    CoInitialize(nullptr);
    ForgetSampleProduct();
    destination_ = ProgramFilesFolder() + "\\Quorbex32";
    logPath_ = "C:\\silent-run.log";
    DeleteFileA(logPath_.c_str());
    if (std::getenv("SETUP_AS_WIN98") != nullptr) {
      HKEY key;
      ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, AppDefaultsKey().c_str(), &key), ERROR_SUCCESS);
      RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
      RegCloseKey(key);
    }
  }
  void TearDown() override {
    // Wine keeps the version per program name: the other runs stay on the NT family.
    if (std::getenv("SETUP_AS_WIN98") != nullptr) DeleteRegistryTree(HKEY_CURRENT_USER, AppDefaultsKey());
    ForgetSampleProduct();
    DeleteFolderTree("C:\\Silent Place");
    CoUninitialize();
  }

  static std::string AppDefaultsKey() {
    return "Software\\Wine\\AppDefaults\\" + Program().substr(Program().find_last_of("/\\") + 1);
  }

  // Runs the setup with the arguments to its end; its exit code, or -1.
  int Run(const std::string& arguments) {
    SetupProcess setup(Program(), arguments);
    EXPECT_TRUE(setup.Started());
    // A silent run shows nothing: no wizard, no message box to answer.
    int code = setup.WaitForExit(120000);
    return code;
  }

  std::string destination_, logPath_;
};

TEST_F(Silent, InstallsWithTheDefaultsAndLogsWhatItDid) {
  EXPECT_EQ(Run("/S /LOG=" + logPath_), 0);
  for (const char* name : {"quorbex.exe", "uninstaller.exe", "readme.txt", "uninstal.l0g"}) {
    EXPECT_TRUE(FileExists(destination_ + "\\" + name)) << name;
  }
  EXPECT_EQ(FolderEntries(ProgramsMenuFolder() + "\\Quorbex32").size(), 3u);
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPath, "Path"), destination_);
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".zip", ""), "quorbex.zip");  // associate Yes
  EXPECT_TRUE(ReadUninstallLog(destination_ + "\\uninstal.l0g").read);

  const std::string log = TextOf(ReadWholeFile(logPath_));
  const std::string lines[] = {"Command line:", "Installed " + destination_ + "\\quorbex.exe",
                               "Exit code 0\r\n"};
  for (const std::string& line : lines) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
  // One thing a line, each with its time.
  EXPECT_EQ(log.compare(0, 2, "20"), 0) << log;
}

TEST_F(Silent, SwitchesChooseTheFolderTheProgramFolderAndNoFileTypes) {
  EXPECT_EQ(Run("-s -noassoc /GROUP=\"Silent Tools\" /TYPE=1 /D=C:\\Silent Place\\Q 32"), 0);
  EXPECT_TRUE(FileExists("C:\\Silent Place\\Q 32\\quorbex.exe"));
  EXPECT_FALSE(FileExists(destination_));
  EXPECT_EQ(FolderEntries(ProgramsMenuFolder() + "\\Silent Tools").size(), 3u);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "quorbex.zip"));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPath, "Path"), "C:\\Silent Place\\Q 32");
  DeleteFolderTree(ProgramsMenuFolder() + "\\Silent Tools");
}

// How a run ends, told by its exit code; a run that ends early leaves nothing.
TEST_F(Silent, ExitCodesTellHowTheRunEnded) {
  struct Case {
    const char* what;
    std::string arguments;
    int code;
    const char* logged;  // a line the run's log holds
  };
  const Case cases[] = {
      {"a switch not understood", "/S /X /LOG=" + logPath_, 87, "/X"},
      {"a setup type the product lacks", "/S /TYPE=9 /LOG=" + logPath_, 87, "/TYPE"},
      {"a component the product lacks", "/S /COMPONENTS=1,40 /LOG=" + logPath_, 87, "/COMPONENTS"},
      {"a drive that does not exist", "/S /LOG=" + logPath_ + " /D=Q:\\Nowhere\\Quorbex32", 2,
       "Message:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.arguments), c.code);
    EXPECT_FALSE(FileExists(destination_));
    EXPECT_FALSE(FileExists(ProgramsMenuFolder() + "\\Quorbex32"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis"));
    const std::string log = TextOf(ReadWholeFile(logPath_));
    EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    EXPECT_NE(log.find("Exit code " + std::to_string(c.code)), std::string::npos) << log;
  }
}

TEST_F(Silent, AFileInUseEndsWithRestartNeeded) {
  CreateDirectoryA(destination_.c_str(), nullptr);
  const std::string held = destination_ + "\\readme.txt";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Run("/S /LOG=" + logPath_), 3010);
  CloseHandle(file);
  const std::string log = TextOf(ReadWholeFile(logPath_));
  EXPECT_NE(log.find("Installed at the next restart (in use now): " + held), std::string::npos)
      << log;
}

// Without /S the switches only preset the pages; the user still decides.
TEST_F(Silent, WithoutSilentTheSwitchesPresetThePages) {
  SetupProcess setup(Program(), "/NOASSOC /GROUP=Preset /D=C:\\Silent Place\\Preset");
  ASSERT_NE(setup.WaitForFrame(), nullptr);
  std::string welcome;
  const PageKind road[] = {kindText, kindAgreement, kindText, kindSetupType};
  for (int p = 0; p < 4; ++p) {
    HWND page = setup.WaitForPage(road[p], p == 2 ? welcome : "");
    ASSERT_NE(page, nullptr) << p;
    if (p == 0) welcome = ControlText(page, IDC_PAGE_TEXT);
    setup.ClickNext();
  }
  HWND page = setup.WaitForPage(kindPath);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), "C:\\Silent Place\\Preset");
  setup.ClickNext();
  page = setup.WaitForPage(kindProgramFolder);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_PROGRAM_FOLDER), "Preset");
  setup.ClickNext();
  page = setup.WaitForPage(kindAssociate);
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(IsChecked(page, IDC_ASSOCIATE_YES));
  setup.ClickCancel();
  MessageBoxSeen question = AnswerMessageBox(setup.ThreadId(), setup.Windows(), IDYES);
  EXPECT_TRUE(question.hasYesNo);
  EXPECT_EQ(setup.WaitForExit(), 1);  // cancelled by the user
}

// A bad switch without /S is told in a message box that shows the switches; /? shows
// them alone. Line breaks and tabs are real ones.
TEST_F(Silent, TheSwitchesAreShownForABadSwitchAndForTheQuestion) {
  struct Case {
    const char* line;
    int exitCode;
  };
  static const Case kCases[] = {{"/Bogus", 87}, {"/?", 0}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.line);
    SetupProcess setup(Program(), c.line);
    MessageBoxSeen seen = AnswerMessageBox(setup.ThreadId(), {}, IDOK, 20000);
    ASSERT_TRUE(seen.found);
    if (c.exitCode != 0) {
      EXPECT_NE(seen.text.find(c.line), std::string::npos);
    }
    EXPECT_NE(seen.text.find("/NORESTART\t"), std::string::npos);
    EXPECT_NE(seen.text.find("\r\n/S\t"), std::string::npos);
    EXPECT_EQ(seen.text.find("%n"), std::string::npos);
    EXPECT_EQ(seen.text.find("%t"), std::string::npos);
    EXPECT_EQ(setup.WaitForExit(), c.exitCode);
  }
}

}  // namespace
