// A second product, built from its description by the one command, installs under
// Wine: every page is taken with Next, the program folder's page last since the
// product has no file types to associate, and its files, its Uninstall entry and its
// shortcut are where the description put them.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Small Tool";

std::string Program() {
  const char* program = std::getenv("SECOND_PRODUCT");
  return program != nullptr ? program : "";
}

std::string FileText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(SecondProduct, InstallsWithEveryDefault) {
  ASSERT_FALSE(Program().empty()) << "SECOND_PRODUCT is not set";
  CoInitialize(nullptr);
  const std::string destination = ProgramFilesFolder() + "\\Small Tool";
  DeleteFolderTree(destination);
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, kUninstall);

  SetupProcess setup(Program());
  ASSERT_TRUE(setup.Started());
  ASSERT_NE(setup.WaitForFrame(), nullptr);
  HWND page = nullptr;
  for (int step = 0; step < 10; ++step) {
    HWND shown = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (shown = setup.CurrentPage()) != nullptr && shown != page; }))
        << "no page after step " << step;
    page = shown;
    ASSERT_NE(setup.CurrentKind(), kindAssociate) << "a product without file types was asked about them";
    if (setup.CurrentKind() == kindProgramFolder) break;
    if (setup.CurrentKind() == kindPath) {
      EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), destination);
    }
    setup.ClickNext();
  }
  ASSERT_EQ(setup.CurrentKind(), kindProgramFolder);
  EXPECT_EQ(ControlText(setup.Frame(), IDC_NEXT), "Finish");
  std::vector<HWND> before = setup.Windows();
  setup.ClickNext();
  MessageBoxSeen done = AnswerMessageBox(setup.ThreadId(), before, IDOK, 60000);
  ASSERT_TRUE(done.found);
  EXPECT_EQ(setup.WaitForExit(), 0);

  EXPECT_EQ(FileText(destination + "\\tool.txt"), "Small tool, version 0.9.\n");
  EXPECT_EQ(FileText(destination + "\\docs\\notes.txt"), "Notes of the second product.\n");
  EXPECT_TRUE(FileExists(destination + "\\uninstal.l0g"));
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayVersion"), "0.9");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstall, "Publisher"), "Small Works");
  Shortcut tool = ReadShortcut(ProgramsMenuFolder() + "\\Small Tool\\Small Tool.lnk");
  EXPECT_EQ(tool.target, destination + "\\tool.txt");
  CoUninitialize();
}

}  // namespace
