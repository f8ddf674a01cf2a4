// The sample product's setup program, run and driven as a user would: the road of
// one installation, cancels, a second run, a file in use, in the thread's language.
// SETUP_PROGRAM names the setup; SETUP_EXPECT_LANG=ja expects the Japanese texts;
// SETUP_E2E_REPORT=1 prints what the installation left on the machine.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"

namespace {

const char* const kFiles[] = {"quorbex.exe", "manual.txt", "formats.txt", "uninstaller.exe",
                              "readme.txt", "license.txt"};

bool Japanese() {
  const char* lang = std::getenv("SETUP_EXPECT_LANG");
  return lang != nullptr && std::string(lang) == "ja";
}

std::string Program() {
  const char* program = std::getenv("SETUP_PROGRAM");
  return program != nullptr ? program : "";
}

// Code page 932 texts of the Japanese string table.
std::string FinishText() { return Japanese() ? "\x8A\xAE\x97\xB9" : "Finish"; }
std::string SuccessText() {
  return Japanese() ? "Quorbex32 \x82\xCC\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B\x82\xAA\x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"
                    : "Quorbex32 has been successfully installed.";
}

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// The focus may be on the page's own controls or on the frame's buttons, and only on
// one the user can see and use.
::testing::AssertionResult FocusIsUsable(HWND focus, HWND frame, HWND page) {
  if (focus == nullptr) return ::testing::AssertionFailure() << "nothing has the focus";
  const bool onPage = IsChild(page, focus) != FALSE;
  const bool onButton = GetParent(focus) == frame && GetDlgCtrlID(focus) >= 1 && GetDlgCtrlID(focus) <= 12;
  if (!onPage && !onButton) {
    return ::testing::AssertionFailure() << "focus on control " << GetDlgCtrlID(focus) << " outside the page";
  }
  if (!IsWindowVisible(focus)) return ::testing::AssertionFailure() << "focus on a hidden control";
  if (!IsWindowEnabled(focus)) return ::testing::AssertionFailure() << "focus on a disabled control";
  return ::testing::AssertionSuccess();
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program().empty()) << "SETUP_PROGRAM is not set";
    CoInitialize(nullptr);
    ForgetSampleProduct();
    destination_ = ProgramFilesFolder() + "\\Quorbex32";
  }
  // Other tests of the prefix expect no sample product, whatever order ctest picks.
  void TearDown() override {
    ForgetSampleProduct();
    CoUninitialize();
  }

  void Shot(HWND window, const std::string& name) {
    EXPECT_TRUE(WaitUntilPainted(window)) << name;
    SaveScreenshot(window, "e2e-" + name + "." + (Japanese() ? "ja" : "en"));
  }

  // The keyboard on the page just shown: the focus is usable; Esc does nothing; Tab
  // walks through usable controls only and comes back round; then Enter is Next
  // (inside the agreement text Enter is the text's, so Next is clicked there), or the
  // page stays for the caller.
  enum GoOn { byEnter, byClick, stay };
  void ProbeKeysAndGoOn(SetupProcess& setup, HWND page, GoOn how = byEnter) {
    const DWORD thread = setup.ThreadId();
    HWND frame = setup.Frame();
    HWND first = nullptr;
    // A window of another program started beside this one may hold the activation;
    // the user then brings the setup to the front first, and finds the focus kept.
    if (!WaitUntil([&] { return (first = FocusOf(thread)) != nullptr; }, 1000)) SetForegroundWindow(frame);
    ASSERT_TRUE(WaitUntil([&] { return (first = FocusOf(thread)) != nullptr; }, 5000)) << "no focus";
    ASSERT_TRUE(FocusIsUsable(first, frame, page));

    const std::vector<HWND> windows = setup.Windows();
    PressKey(first, VK_ESCAPE);
    Sleep(200);
    EXPECT_EQ(setup.CurrentPage(), page) << "Esc left the page";
    EXPECT_EQ(setup.Windows().size(), windows.size()) << "Esc opened a window";
    EXPECT_EQ(FocusOf(thread), first) << "Esc moved the focus";

    HWND focus = first;
    int steps = 0;
    do {
      HWND before = focus;
      PressKey(before, VK_TAB);
      ASSERT_TRUE(WaitUntil([&] { return (focus = FocusOf(thread)) != before; }, 2000))
          << "Tab did not move from control " << GetDlgCtrlID(before);
      ASSERT_TRUE(FocusIsUsable(focus, frame, page)) << "after " << steps + 1 << " Tab";
    } while (focus != first && ++steps < 12);
    EXPECT_EQ(focus, first) << "Tab did not come back round";

    if (how == byEnter) {
      PressKey(first, VK_RETURN);
    } else if (how == byClick) {
      setup.ClickNext();
    }
  }

  // Walks from the first page to the associate page with every default.
  void WalkToAssociatePage(SetupProcess& setup, bool browse) {
    ASSERT_NE(setup.WaitForFrame(), nullptr);
    HWND page = setup.WaitForPage(kindText);
    ASSERT_NE(page, nullptr);
    std::string welcome = ControlText(page, IDC_PAGE_TEXT);
    Shot(setup.Frame(), "01-welcome");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(setup.Frame(), IDC_BACK)));
    ProbeKeysAndGoOn(setup, page);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindAgreement);
    ASSERT_NE(page, nullptr);
    Shot(setup.Frame(), "02-agreement");
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(page, IDC_PAGE_TEXT), GWL_STYLE) & ES_READONLY);
    ProbeKeysAndGoOn(setup, page, byClick);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindText, welcome);
    ASSERT_NE(page, nullptr);
    Shot(setup.Frame(), "03-information");
    ProbeKeysAndGoOn(setup, page);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindSetupType);
    ASSERT_NE(page, nullptr);
    Shot(setup.Frame(), "04-setup-type");
    EXPECT_TRUE(IsChecked(page, IDC_TYPE_RADIO0));
    EXPECT_TRUE(IsVisibleControl(page, IDC_TYPE_RADIO1));
    EXPECT_FALSE(IsVisibleControl(page, IDC_TYPE_RADIO2));
    ProbeKeysAndGoOn(setup, page);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindPath);
    ASSERT_NE(page, nullptr);
    Shot(setup.Frame(), "05-destination");
    EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), destination_);
    if (browse) {
      std::vector<HWND> before = setup.Windows();
      ClickDlgItem(page, IDC_BROWSE);
      HWND browser = setup.WaitForWindow(IDC_BROWSE_TREE, before);
      ASSERT_NE(browser, nullptr);
      EXPECT_TRUE(WaitUntil([&] { return ControlText(browser, IDC_BROWSE_PATH) == destination_; }));
      // The picture shows the filled tree and both buttons.
      EXPECT_TRUE(WaitUntil([&] {
        return SendDlgItemMessageA(browser, IDC_BROWSE_TREE, TVM_GETCOUNT, 0, 0) > 0 &&
               IsVisibleControl(browser, IDOK) && IsVisibleControl(browser, IDCANCEL);
      }));
      Shot(browser, "06-browse");
      if (!browsedFolder_.empty()) SetControlText(browser, IDC_BROWSE_PATH, browsedFolder_);
      ClickDlgItem(browser, IDOK);
      ASSERT_TRUE(WaitForWindowGone(browser));
      std::string expected = browsedFolder_.empty() ? destination_ : browsedFolder_;
      EXPECT_TRUE(WaitUntil([&] { return ControlText(page, IDC_FOLDER_PATH) == expected; }));
    }
    ProbeKeysAndGoOn(setup, page);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindProgramFolder);
    ASSERT_NE(page, nullptr);
    Shot(setup.Frame(), "07-program-folder");
    EXPECT_EQ(ControlText(page, IDC_PROGRAM_FOLDER), "Quorbex32");
    ProbeKeysAndGoOn(setup, page);
    if (HasFatalFailure()) return;

    page = setup.WaitForPage(kindAssociate);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(IsChecked(page, IDC_ASSOCIATE_YES));
    EXPECT_EQ(ControlText(setup.Frame(), IDC_NEXT), FinishText());
    Shot(setup.Frame(), "08-associate");
    ProbeKeysAndGoOn(setup, page, stay);  // Enter here would be Finish
  }

  // After Finish: the Extract dialog, then the success message, then the exit.
  void FinishInstallation(SetupProcess& setup) {
    // The Extract dialog exists, hidden, from the start; Finish shows it.
    HWND extract = nullptr;
    for (HWND window : setup.Windows()) {
      if (GetDlgItem(window, IDC_PROGRESS) != nullptr) extract = window;
    }
    ASSERT_NE(extract, nullptr);
    std::vector<HWND> before = setup.Windows();
    setup.ClickNext();
    // A small payload is extracted in a moment: the picture is taken if it can be,
    // once the dialog names a file.
    if (WaitUntil([&] { return IsWindowVisible(extract) && !ControlText(extract, IDC_STATUS).empty(); }, 5000)) {
      Shot(extract, "09-extract");
    }
    MessageBoxSeen done = AnswerMessageBox(setup.ThreadId(), before, IDOK, 60000);
    ASSERT_TRUE(done.found);
    EXPECT_EQ(done.text, SuccessText());
    EXPECT_FALSE(IsWindowVisible(extract));
    EXPECT_EQ(setup.WaitForExit(), 0);
  }

  std::string destination_;
  std::string browsedFolder_;
};

void Report(const std::string& destination) {
  std::printf("\nInstalled files in %s:\n", destination.c_str());
  for (const char* name : kFiles) {
    std::printf("  %8zu  %s\n", ReadWholeFile(destination + "\\" + name).size(), name);
  }
  std::printf("\nShortcuts:\n");
  std::string menu = ProgramsMenuFolder() + "\\Quorbex32";
  for (const std::string& name : FolderEntries(menu)) {
    Shortcut s = ReadShortcut(menu + "\\" + name);
    std::printf("  %s -> %s %s\n", name.c_str(), s.target.c_str(), s.arguments.c_str());
  }
  const std::string appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe";
  const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32";
  std::printf("\nRegistry:\n");
  std::printf("  HKCU\\Software\\Ovalis\\Quorbex32\\ %s\n",
              RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis\\Quorbex32") ? "(key)" : "(missing)");
  std::printf("  HKLM\\%s = %s; Path = %s\n", appPath.c_str(),
              RegistryString(HKEY_LOCAL_MACHINE, appPath, "").c_str(),
              RegistryString(HKEY_LOCAL_MACHINE, appPath, "Path").c_str());
  std::printf("  HKLM\\%s: DisplayName = %s; UninstallString = %s\n", uninstall.c_str(),
              RegistryString(HKEY_LOCAL_MACHINE, uninstall, "DisplayName").c_str(),
              RegistryString(HKEY_LOCAL_MACHINE, uninstall, "UninstallString").c_str());
  for (const char* extension : {".zip", ".lzh", ".tgz"}) {
    std::string progId = RegistryString(HKEY_CLASSES_ROOT, extension, "");
    std::printf("  HKCR\\%s = %s; %s\\shell\\open\\command = %s\n", extension, progId.c_str(),
                progId.c_str(), RegistryString(HKEY_CLASSES_ROOT, progId + "\\shell\\open\\command", "").c_str());
  }
  std::printf("  (and 15 more archive types, the DDE keys and two sound events)\n");
  UninstallLogFile log = ReadUninstallLog(destination + "\\uninstal.l0g");
  std::printf("\nUninstall log %s\\uninstal.l0g (%s):\n", destination.c_str(), log.productName.c_str());
  for (const LogEntry& e : log.entries) {
    std::printf("  %u  %s%s%s\n", e.kind, e.first.c_str(), e.kind >= 5 ? "  value: " : "",
                e.kind >= 5 ? (e.second.empty() ? "(key)" : e.second.c_str()) : "");
  }
}

TEST_F(EndToEnd, TheRoadOfOneInstallation) {
  SetupProcess setup(Program());
  ASSERT_TRUE(setup.Started());
  WalkToAssociatePage(setup, true);
  if (HasFatalFailure()) return;
  FinishInstallation(setup);

  for (const char* name : kFiles) EXPECT_TRUE(FileExists(destination_ + "\\" + name)) << name;
  EXPECT_TRUE(FolderEntries(destination_).size() == 7u) << "six files and the log, no temporary file";
  std::string menu = ProgramsMenuFolder() + "\\Quorbex32";
  EXPECT_EQ(FolderEntries(menu).size(), 3u);
  Shortcut viewer = ReadShortcut(menu + "\\Quorbex32.lnk");
  EXPECT_EQ(viewer.target, destination_ + "\\quorbex.exe");
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".zip", ""), "quorbex.zip");
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, "quorbex.zip\\shell\\open\\command", ""),
            destination_ + "\\quorbex.exe \"%1\"");
  const std::string appPath = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe";
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, appPath, "Path"), destination_);
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, appPath, ""), destination_ + "\\quorbex.exe");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32",
                           "UninstallString"),
            "\"" + destination_ + "\\uninstaller.exe\" uninstal.l0g");
  const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32";
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, uninstall, "DisplayVersion"), "3.2.0.1");
  EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, uninstall, "Publisher"),
            Japanese() ? "\x83\x49\x83\x94\x83\x40\x83\x8A\x83\x58 \x83\x5C\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41"
                       : "Ovalis Software");
  EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis\\Quorbex32"));

  UninstallLogFile log = ReadUninstallLog(destination_ + "\\uninstal.l0g");
  ASSERT_TRUE(log.read);
  EXPECT_EQ(log.productName, "Quorbex32");
  std::vector<uint32_t> kinds;
  for (const LogEntry& e : log.entries) kinds.push_back(e.kind);
  // Product key, program folder, the destination folder, six files, three shortcuts,
  // 18 extensions each with its file type, five sound events, App Paths, Uninstall,
  // the log itself.
  std::vector<uint32_t> expected = {6, 1, 4, 3, 3, 3, 3, 3, 3, 2, 2, 2};
  expected.insert(expected.end(), 2 * 18, 5);
  expected.insert(expected.end(), 5, 6);
  expected.insert(expected.end(), {7, 7, 3});
  EXPECT_EQ(kinds, expected);
  if (std::getenv("SETUP_E2E_REPORT") != nullptr) Report(destination_);
}

// The custom type from the keyboard: the component page and every page after it
// keep the focus where the user can see it, and Enter goes on.
TEST_F(EndToEnd, TheCustomRoadFromTheKeyboard) {
  SetupProcess setup(Program());
  ASSERT_NE(setup.WaitForFrame(), nullptr);
  HWND page = setup.WaitForPage(kindText);
  ASSERT_NE(page, nullptr);
  const std::string welcome = ControlText(page, IDC_PAGE_TEXT);
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_NE(page = setup.WaitForPage(kindAgreement), nullptr);
  ProbeKeysAndGoOn(setup, page, byClick);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_NE(page = setup.WaitForPage(kindText, welcome), nullptr);
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());

  ASSERT_NE(page = setup.WaitForPage(kindSetupType), nullptr);
  ClickDlgItem(page, IDC_TYPE_RADIO1);  // the custom type
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(page, IDC_TYPE_RADIO1); }));
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());

  ASSERT_NE(page = setup.WaitForPage(kindComponents), nullptr);
  EXPECT_EQ(FocusOf(setup.ThreadId()), GetDlgItem(page, IDC_COMPONENT_TREE));
  Shot(setup.Frame(), "custom-components");
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());

  ASSERT_NE(page = setup.WaitForPage(kindPath), nullptr);
  EXPECT_EQ(FocusOf(setup.ThreadId()), GetDlgItem(setup.Frame(), IDC_NEXT));
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());

  ASSERT_NE(page = setup.WaitForPage(kindProgramFolder), nullptr);
  EXPECT_EQ(FocusOf(setup.ThreadId()), GetDlgItem(page, IDC_PROGRAM_FOLDER));
  ProbeKeysAndGoOn(setup, page);
  ASSERT_FALSE(HasFatalFailure());

  // The program-folder edit is hidden now: typing must not reach it.
  ASSERT_NE(page = setup.WaitForPage(kindAssociate), nullptr);
  EXPECT_EQ(FocusOf(setup.ThreadId()), GetDlgItem(page, IDC_ASSOCIATE_YES));
  ProbeKeysAndGoOn(setup, page, stay);
  ASSERT_FALSE(HasFatalFailure());

  // Back to the start by keyboard and mouse alike: the first page has the focus again.
  for (PageKind kind : {kindProgramFolder, kindPath, kindComponents, kindSetupType, kindText,
                        kindAgreement, kindText}) {
    setup.ClickBack();
    ASSERT_NE(page = setup.WaitForPage(kind), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return FocusIsUsable(FocusOf(setup.ThreadId()), setup.Frame(), page); }, 3000))
        << "after Back to page kind " << kind;
  }
  setup.ClickCancel();
  AnswerMessageBox(setup.ThreadId(), setup.Windows(), IDYES);
  EXPECT_EQ(setup.WaitForExit(), 0);
}

TEST_F(EndToEnd, CancelOnAnyPageWritesNothing) {
  for (int pages = 0; pages < 7; ++pages) {
    SetupProcess setup(Program());
    ASSERT_NE(setup.WaitForFrame(), nullptr);
    const PageKind road[] = {kindText, kindAgreement, kindText, kindSetupType, kindPath,
                             kindProgramFolder, kindAssociate};
    std::string welcome;
    for (int p = 0; p <= pages; ++p) {
      HWND page = setup.WaitForPage(road[p], p == 2 ? welcome : "");
      ASSERT_NE(page, nullptr) << "page " << p;
      if (p == 0) welcome = ControlText(page, IDC_PAGE_TEXT);
      if (p < pages) setup.ClickNext();
    }
    setup.ClickCancel();
    MessageBoxSeen question = AnswerMessageBox(setup.ThreadId(), setup.Windows(), IDYES);
    EXPECT_TRUE(question.hasYesNo) << pages;
    EXPECT_EQ(setup.WaitForExit(), 0) << pages;
    EXPECT_FALSE(FileExists(destination_)) << pages;
    EXPECT_FALSE(FileExists(ProgramsMenuFolder() + "\\Quorbex32")) << pages;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis")) << pages;
  }
}

TEST_F(EndToEnd, ASecondRunProposesTheFolderOfTheFirst) {
  browsedFolder_ = "C:\\Tools\\Archiver";
  {
    SetupProcess setup(Program());
    WalkToAssociatePage(setup, true);
    if (HasFatalFailure()) return;
    FinishInstallation(setup);
  }
  EXPECT_TRUE(FileExists("C:\\Tools\\Archiver\\quorbex.exe"));
  SetupProcess again(Program());
  ASSERT_NE(again.WaitForFrame(), nullptr);
  for (PageKind kind : {kindText, kindAgreement}) {
    ASSERT_NE(again.WaitForPage(kind), nullptr);
    again.ClickNext();
  }
  WaitUntil([&] { return again.CurrentKind() == kindText; });
  again.ClickNext();
  ASSERT_NE(again.WaitForPage(kindSetupType), nullptr);
  again.ClickNext();
  HWND page = again.WaitForPage(kindPath);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ControlText(page, IDC_FOLDER_PATH), "C:\\Tools\\Archiver");
  again.ClickCancel();
  AnswerMessageBox(again.ThreadId(), again.Windows(), IDYES);
  EXPECT_EQ(again.WaitForExit(), 0);
  DeleteFolderTree("C:\\Tools");
}

TEST_F(EndToEnd, AFileInUseWaitsForTheRestart) {
  CreateDirectoryA(destination_.c_str(), nullptr);
  const std::string held = destination_ + "\\readme.txt";
  HANDLE file = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "old", 3, &written, nullptr);

  SetupProcess setup(Program());
  WalkToAssociatePage(setup, false);
  if (HasFatalFailure()) {
    CloseHandle(file);
    return;
  }
  std::vector<HWND> before = setup.Windows();
  setup.ClickNext();
  HWND restart = setup.WaitForWindow(IDC_RESTART_LATER, before, 60000);
  ASSERT_NE(restart, nullptr);
  Shot(restart, "10-restart");
  EXPECT_TRUE(IsChecked(restart, IDC_RESTART_NOW));
  EXPECT_EQ(FocusOf(setup.ThreadId()), GetDlgItem(restart, IDC_RESTART_NOW));
  SendMessageA(GetDlgItem(restart, IDC_RESTART_NOW), BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageA(GetDlgItem(restart, IDC_RESTART_LATER), BM_SETCHECK, BST_CHECKED, 0);
  ClickDlgItem(restart, IDOK);
  EXPECT_EQ(setup.WaitForExit(), 0);  // no success message waits for an answer
  CloseHandle(file);

  EXPECT_EQ(ReadWholeFile(held), (std::vector<uint8_t>{'o', 'l', 'd'}));
  std::string pending = RegistryString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                       "PendingFileRenameOperations");
  EXPECT_NE(pending, "<no value>");
}

}  // namespace
