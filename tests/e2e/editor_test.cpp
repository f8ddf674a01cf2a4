// A product that is not the sample archive program: a text editor with one file type,
// no sound events, the builder's uninstaller, and names and folders that differ
// between English and Japanese. Driven through its wizard, it registers only what its
// description names, and its own uninstaller takes the machine back to where it was.
// EDITOR_PRODUCT names the setup; SETUP_EXPECT_LANG=ja expects the Japanese texts.
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

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Textilo";
const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\textilo.exe";
const char kType[] = "Penwick.Textilo.Note";

std::string Program() {
  const char* program = std::getenv("EDITOR_PRODUCT");
  return program != nullptr ? program : "";
}

bool Japanese() {
  const char* lang = std::getenv("SETUP_EXPECT_LANG");
  return lang != nullptr && std::string(lang) == "ja";
}

// A UTF-8 text in the program's ANSI code page, as the setup's windows and files
// spell it.
std::string Ansi(const char* utf8) {
  wchar_t wide[512];
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
  char ansi[1024];
  int m = n > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr) : 0;
  return m > 0 ? std::string(ansi) : std::string();
}

// Everything an earlier run of this test may have left.
void ForgetEditor(const std::string& destination) {
  DeleteFolderTree(destination);
  for (const char* folder : {"Textilo", "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x86\xE3\x82\xA3\xE3\x83\xAD"}) {
    DeleteFolderTree(ProgramsMenuFolder() + "\\" + Ansi(folder));
    DeleteFolderTree(ProgramFilesFolder() + "\\" + Ansi(folder));
  }
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAppPathKey);
  DeleteRegistryTree(HKEY_CURRENT_USER, "Software\\Penwick");
  DeleteRegistryTree(HKEY_CLASSES_ROOT, ".tnote");
  DeleteRegistryTree(HKEY_CLASSES_ROOT, kType);
}

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program().empty()) << "EDITOR_PRODUCT is not set";
    CoInitialize(nullptr);
    destination_ = "C:\\Textilo Test";
    menu_ = ProgramsMenuFolder() + "\\" +
            Ansi(Japanese() ? "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x86\xE3\x82\xA3\xE3\x83\xAD"
                            : "Textilo");
    ForgetEditor(destination_);
  }
  void TearDown() override {
    ForgetEditor(destination_);
    CoUninitialize();
  }

  // Every page with Next; the installation folder typed on its page, the notes folder
  // as it follows. What the pages offered is checked on the way.
  void Install() {
    SetupProcess setup(Program());
    ASSERT_TRUE(setup.Started());
    ASSERT_NE(setup.WaitForFrame(), nullptr);
    const std::string defaultFolder =
        ProgramFilesFolder() + "\\" +
        Ansi(Japanese() ? "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x86\xE3\x82\xA3\xE3\x83\xAD"
                        : "Textilo");
    HWND page = nullptr;
    int pathPages = 0;
    bool associateShown = false;
    for (int step = 0; step < 12; ++step) {
      HWND shown = nullptr;
      ASSERT_TRUE(WaitUntil([&] { return (shown = setup.CurrentPage()) != nullptr && shown != page; }))
          << "no page after step " << step;
      page = shown;
      const PageKind kind = setup.CurrentKind();
      if (kind == kindPath) {
        // Both path pages are the one dialog: the second shows when its folder does.
        ++pathPages;
        EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), defaultFolder);
        SetControlText(page, IDC_FOLDER_PATH, destination_);
        setup.ClickNext();
        const std::string notes = destination_ + "\\Notes";
        EXPECT_TRUE(WaitUntil([&] { return ControlText(page, IDC_FOLDER_PATH) == notes; }))
            << ControlText(page, IDC_FOLDER_PATH);
        ++pathPages;
      } else if (kind == kindProgramFolder) {
        EXPECT_EQ(ControlText(page, IDC_PROGRAM_FOLDER), menu_.substr(menu_.rfind('\\') + 1));
      } else if (kind == kindAssociate) {
        associateShown = true;
        const std::string heading = ControlText(page, IDC_HEADING);
        EXPECT_NE(heading.find("Textilo"), std::string::npos) << heading;
        EXPECT_EQ(heading.find("Quorbex"), std::string::npos) << heading;
        EXPECT_TRUE(IsChecked(page, IDC_ASSOCIATE_YES));
        break;
      }
      setup.ClickNext();
    }
    EXPECT_EQ(pathPages, 2);
    ASSERT_TRUE(associateShown);
    const std::vector<HWND> before = setup.Windows();
    setup.ClickNext();
    MessageBoxSeen done = AnswerMessageBox(setup.ThreadId(), before, IDOK, 60000);
    ASSERT_TRUE(done.found);
    EXPECT_NE(done.text.find("Textilo"), std::string::npos) << done.text;
    EXPECT_EQ(setup.WaitForExit(), 0);
  }

  std::string destination_, menu_;
};

TEST_F(Editor, RegistersOnlyItsOwnAndUninstallsBackToTheMachineBefore) {
  const MachineSnapshot before = TakeSnapshot();
  const std::string zipBefore = RegistryString(HKEY_CLASSES_ROOT, ".zip", "");
  Install();
  if (HasFatalFailure()) return;

  // Its files, the uninstaller the builder added, the log, and the notes folder that
  // followed the installation folder.
  for (const char* name : {"textilo.exe", "readme.txt", "uninstaller.exe", "uninstal.l0g", "Notes\\welcome.tnote"}) {
    EXPECT_TRUE(FileExists(destination_ + "\\" + name)) << name;
  }
  // Its one file type, opened and drawn by its own program.
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".tnote", ""), kType);
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, kType, ""),
            Ansi(Japanese() ? "\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x86\xE3\x82\xA3\xE3\x83\xAD "
                              "\xE3\x83\x8E\xE3\x83\xBC\xE3\x83\x88"
                            : "Textilo Note"));
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, std::string(kType) + "\\shell\\open\\command", ""),
            "\"" + destination_ + "\\textilo.exe\" \"%1\"");
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, std::string(kType) + "\\DefaultIcon", ""),
            destination_ + "\\textilo.exe,0");
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, std::string(kType) + "\\shell\\open\\ddeexec"));
  // Nothing of the archive program.
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".zip", ""), zipBefore);
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "quorbex.zip"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\TORVQuorbex32"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe"));
  // Its own App Paths and Uninstall entries.
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPathKey, ""), destination_ + "\\textilo.exe");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPathKey, "Path"), destination_);
  const std::string command = RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  EXPECT_EQ(command, "\"" + destination_ + "\\uninstaller.exe\" uninstal.l0g");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"),
            menu_.substr(menu_.rfind('\\') + 1));
  Shortcut editor = ReadShortcut(menu_ + "\\Textilo.lnk");
  EXPECT_EQ(editor.target, destination_ + "\\textilo.exe");

  SetupProcess uninstaller(SetupProcess::CommandLine{command + " /S"});
  ASSERT_TRUE(uninstaller.Started());
  // The uninstaller is in use while it runs: it and its folder go at the next start
  // of Windows, which is not part of this test, so the test takes them away itself.
  EXPECT_EQ(uninstaller.WaitForExit(), 3010);
  EXPECT_EQ(FolderEntries(destination_), std::vector<std::string>{"uninstaller.exe"});
  const std::string self = destination_ + "\\uninstaller.exe";
  DeleteFileA(self.c_str());
  RemoveDirectoryA(destination_.c_str());
  const std::vector<std::string> differences =
      SnapshotDifferences(before, TakeSnapshot(), WindowsOwnChanges());
  std::vector<std::string> unexpected;
  for (const std::string& d : differences) {
    if (d.find("PendingFileRenameOperations") == std::string::npos) unexpected.push_back(d);
  }
  EXPECT_TRUE(unexpected.empty()) << ::testing::PrintToString(unexpected);
}

}  // namespace
