// Install and uninstall the sample product as a user would, and find the machine as
// it was before. The uninstaller is started with the Uninstall entry's command line.
// SETUP_PROGRAM names the setup; SETUP_EXPECT_LANG=ja expects the Japanese texts;
// SETUP_WIN98=1 runs the setup and the uninstaller as the 95/98 family, where files in
// use wait in WININIT.INI instead of the restart that the NT family's runs carry out.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"
#include "uninstall/uninstall_ids.h"

namespace {

const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32";
const std::string kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";

const std::vector<SnapshotExclusion>& kExclusions = WindowsOwnChanges();

bool Japanese() {
  const char* lang = std::getenv("SETUP_EXPECT_LANG");
  return lang != nullptr && std::string(lang) == "ja";
}
bool Windows98() { return std::getenv("SETUP_WIN98") != nullptr; }
// The demo's run: the default road only, told step by step.
bool Reporting() { return std::getenv("SETUP_E2E_REPORT") != nullptr; }

std::string Program() {
  const char* program = std::getenv("SETUP_PROGRAM");
  return program != nullptr ? program : "";
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

// Sets or clears the 95/98 family for a program of that name.
void SetWindows98(const std::string& programName, bool on) {
  const std::string key = "Software\\Wine\\AppDefaults\\" + programName;
  if (!on) {
    DeleteRegistryTree(HKEY_CURRENT_USER, key);
    return;
  }
  HKEY handle;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &handle), ERROR_SUCCESS);
  RegSetValueExA(handle, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
  RegCloseKey(handle);
}

// A text of the uninstaller's string table in the thread's language, %1 filled in.
std::string UninstallerText(const std::string& uninstaller, int id, const std::string& argument = "") {
  HMODULE module = LoadLibraryExA(uninstaller.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  char buffer[1024] = "";
  if (module != nullptr) {
    LoadStringA(module, UINT(id), buffer, sizeof buffer);
    FreeLibrary(module);
  }
  std::string text = buffer;
  size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

// Wine's restart of the prefix: what the next start of Windows does.
bool RestartWindows() {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  char command[] = "wineboot.exe -r";
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return false;
  }
  bool done = WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return done;
}

std::string WininitText() {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<uint8_t> bytes = ReadWholeFile(std::string(windows) + "\\WININIT.INI");
  return std::string(bytes.begin(), bytes.end());
}

void RemoveWininit() {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  DeleteFileA((std::string(windows) + "\\WININIT.INI").c_str());
}

// The sources of the delayed moves and deletes, as the platform keeps them ("\\??\\C:\\...").
std::vector<std::string> PendingSources() {
  std::vector<std::string> sources;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return sources;
  }
  std::vector<char> data(1 << 16);
  DWORD size = DWORD(data.size()), type = 0;
  // Pairs of source and destination; a delete has an empty destination, so the
  // strings are told apart by the value's size, not by a double NUL.
  if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    std::vector<std::string> strings;
    for (size_t at = 0; at < size;) {
      size_t end = at;
      while (end < size && data[end] != '\0') ++end;
      strings.emplace_back(&data[at], end - at);
      at = end + 1;
    }
    for (size_t i = 0; i + 1 < strings.size(); i += 2) sources.push_back(strings[i]);
  }
  RegCloseKey(key);
  return sources;
}

std::string ShortPath(const std::string& path) {
  char buffer[MAX_PATH] = "";
  DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return length != 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

enum Road { roadDefault, roadCustomWithoutHelp };

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program().empty()) << "SETUP_PROGRAM is not set";
    CoInitialize(nullptr);
    ForgetSampleProduct();
    destination_ = ProgramFilesFolder() + "\\Quorbex32";
    menu_ = ProgramsMenuFolder() + "\\Quorbex32";
    uninstaller_ = destination_ + "\\uninstaller.exe";
    if (Windows98()) {
      SetWindows98(BaseName(Program()), true);
      SetWindows98("uninstaller.exe", true);
      RemoveWininit();
    }
  }
  void TearDown() override {
    if (Windows98()) {
      SetWindows98(BaseName(Program()), false);
      SetWindows98("uninstaller.exe", false);
      RemoveWininit();
    }
    ForgetSampleProduct();
    CoUninitialize();
  }

  void Shot(HWND window, const std::string& name) {
    PumpMessages(500);  // a message box paints after it appears
    SaveScreenshot(window, "uninstall-" + name + "." + (Japanese() ? "ja" : "en"));
  }

  // Walks the wizard with a click per page and ends with the success message.
  void Install(Road road) {
    SetupProcess setup(Program());
    ASSERT_NE(setup.WaitForFrame(), nullptr);
    ASSERT_NE(setup.WaitForPage(kindText), nullptr);
    std::string welcome = ControlText(setup.CurrentPage(), IDC_PAGE_TEXT);
    setup.ClickNext();
    ASSERT_NE(setup.WaitForPage(kindAgreement), nullptr);
    setup.ClickNext();
    ASSERT_NE(setup.WaitForPage(kindText, welcome), nullptr);
    setup.ClickNext();
    HWND page = setup.WaitForPage(kindSetupType);
    ASSERT_NE(page, nullptr);
    if (road == roadCustomWithoutHelp) {
      ClickDlgItem(page, IDC_TYPE_RADIO1);
      ASSERT_TRUE(WaitUntil([&] { return IsChecked(page, IDC_TYPE_RADIO1); }));
      setup.ClickNext();
      page = setup.WaitForPage(kindComponents);
      ASSERT_NE(page, nullptr);
      UntickSecondComponent(GetDlgItem(page, IDC_COMPONENT_TREE));
      if (HasFatalFailure()) return;
    }
    setup.ClickNext();
    ASSERT_NE(setup.WaitForPage(kindPath), nullptr);
    setup.ClickNext();
    ASSERT_NE(setup.WaitForPage(kindProgramFolder), nullptr);
    setup.ClickNext();
    page = setup.WaitForPage(kindAssociate);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(IsChecked(page, IDC_ASSOCIATE_YES));
    std::vector<HWND> before = setup.Windows();
    setup.ClickNext();
    MessageBoxSeen done = AnswerMessageBox(setup.ThreadId(), before, IDOK, 60000);
    ASSERT_TRUE(done.found);
    ASSERT_EQ(setup.WaitForExit(), 0);
    ASSERT_TRUE(FileExists(uninstaller_));
  }

  // A click on the box of the tree's second item (the help files).
  void UntickSecondComponent(HWND tree) {
    ASSERT_NE(tree, nullptr);
    LRESULT first = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    LRESULT second = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, first);
    ASSERT_NE(second, 0);
    auto ticked = [&] {
      return (SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(second), TVIS_STATEIMAGEMASK) >> 12) == 2;
    };
    ASSERT_TRUE(ticked());
    const LONG style = GetWindowLongA(tree, GWL_STYLE);
    const int indent = (style & TVS_LINESATROOT) ? int(SendMessageA(tree, TVM_GETINDENT, 0, 0)) : 0;
    const int height = int(SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0));
    const LPARAM at = MAKELPARAM(indent + 8, height + height / 2);
    PostMessageA(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tree, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(WaitUntil([&] { return !ticked(); }, 5000));
  }

  // Runs the Uninstall entry's command line with the extra arguments; answers the
  // question with questionAnswer and the end message with OK. The exit code.
  int Uninstall(const std::string& extra, int questionAnswer, MessageBoxSeen* question, MessageBoxSeen* end) {
    std::string command = RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
    EXPECT_EQ(command, "\"" + uninstaller_ + "\" uninstal.l0g");
    SetupProcess uninstaller(SetupProcess::CommandLine{command + extra});
    EXPECT_TRUE(uninstaller.Started());
    if (question != nullptr) {
      HWND box = uninstaller.WaitForWindow(questionAnswer, {}, 20000);
      if (box != nullptr) Shot(box, "question");
      *question = AnswerMessageBox(uninstaller.ThreadId(), {}, questionAnswer, 5000);
    }
    if (end != nullptr) {
      HWND box = uninstaller.WaitForWindow(IDOK, {}, 60000);
      if (box != nullptr && shots_) Shot(box, questionAnswer == IDYES ? "end" : "refusal");
      *end = AnswerMessageBox(uninstaller.ThreadId(), {}, IDOK, 5000);
    }
    return uninstaller.WaitForExit();
  }

  // After the uninstaller ended: what waits for the next start of Windows, then, on
  // the NT family, that start; without restart, the test removes what waits itself.
  void CheckWaitingAndRestart(const std::vector<std::string>& waiting, bool restart = true) {
    if (Windows98()) {
      // WININIT.INI removes files only: the folder is named for the user to delete.
      std::string wininit = WininitText();
      std::string expected = "[Rename]\r\n";
      for (const std::string& path : waiting) {
        if (path != destination_) expected += "NUL=" + ShortPath(path) + "\r\n";
      }
      EXPECT_EQ(wininit, expected);
      RemoveWininit();  // as the start of Windows 95/98 does once it has carried the lines out
      for (const std::string& path : waiting) {
        if (path != destination_) DeleteFileA(path.c_str());
      }
      RemoveDirectoryA(destination_.c_str());
      return;
    }
    std::vector<std::string> pending = PendingSources();
    for (const std::string& path : waiting) {
      EXPECT_TRUE(FileExists(path)) << path;
      bool found = false;
      for (const std::string& source : pending) found = found || lstrcmpiA(source.c_str(), ("\\??\\" + path).c_str()) == 0;
      EXPECT_TRUE(found) << path;
    }
    if (!restart) {
      for (const std::string& path : waiting) {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(path.c_str());
      }
      return;
    }
    ASSERT_TRUE(RestartWindows());
    for (const std::string& path : waiting) EXPECT_FALSE(FileExists(path)) << path;
  }

  std::string destination_, menu_, uninstaller_;
  bool shots_ = true;
};

TEST_F(RoundTrip, TheMachineIsAsItWasAfterTheDefaultAndACustomRoad) {
  for (Road road : {roadDefault, roadCustomWithoutHelp}) {
    // The custom road's removal is the same in every language.
    if ((Reporting() || Japanese()) && road != roadDefault) break;
    SCOPED_TRACE(road == roadDefault ? "default road" : "custom road without the help files");
    MachineSnapshot before = TakeSnapshot();
    if (Reporting()) std::printf("\nSnapshot before installing: %zu files, folders, keys and values\n", before.size());
    Install(road);
    if (HasFatalFailure()) return;
    if (Reporting()) {
      std::printf("Installed Quorbex32 into %s; the Uninstall entry's command line:\n  %s\n",
                  destination_.c_str(), RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").c_str());
    }
    EXPECT_EQ(FileExists(destination_ + "\\manual.txt"), road == roadDefault);
    EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".zip", ""), "quorbex.zip");

    MessageBoxSeen question, end;
    int exitCode = Uninstall("", IDYES, &question, &end);
    if (Reporting()) {
      std::printf("Uninstaller asked: %s  -> Yes\nIt ended with: %s\nExit code %d\n", question.text.c_str(),
                  end.text.c_str(), exitCode);
      std::printf("Left until the restart: %s\n", FolderEntries(destination_).empty() ? "nothing" : "uninstaller.exe");
    }
    ASSERT_TRUE(question.found);
    EXPECT_TRUE(question.hasYesNo);
    EXPECT_EQ(question.text, UninstallerText(uninstaller_, IDS_UNINSTALL_QUESTION, "Quorbex32"));
    if (Japanese()) {
      EXPECT_EQ(question.text, "Quorbex32 \x82\xC6\x82\xBB\x82\xCC\x82\xB7\x82\xD7\x82\xC4\x82\xCC"
                               "\x83\x52\x83\x93\x83\x7C\x81\x5B\x83\x6C\x83\x93\x83\x67\x82\xF0"
                               "\x8D\xED\x8F\x9C\x82\xB5\x82\xDC\x82\xB7\x82\xA9?");
    } else {
      EXPECT_EQ(question.text, "Remove Quorbex32 and all of its components?");
    }
    ASSERT_TRUE(end.found);
    const std::string restart = UninstallerText(uninstaller_, IDS_UNINSTALL_RESTART, "Quorbex32");
    if (Windows98()) {
      EXPECT_EQ(end.text, restart + "\r\n\r\n" + UninstallerText(uninstaller_, IDS_UNINSTALL_AFTER_RESTART) +
                              "\r\n" + destination_);
    } else {
      EXPECT_EQ(end.text, restart);
    }
    // The uninstaller itself is in use while it runs.
    EXPECT_EQ(exitCode, 3010);
    EXPECT_FALSE(FileExists(destination_ + "\\quorbex.exe"));
    EXPECT_FALSE(FileExists(destination_ + "\\uninstal.l0g"));
    EXPECT_FALSE(FileExists(menu_));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, ".zip"));
    EXPECT_EQ(FolderEntries(destination_), std::vector<std::string>{"uninstaller.exe"});
    CheckWaitingAndRestart({uninstaller_, destination_});
    if (HasFatalFailure()) return;

    MachineSnapshot after = TakeSnapshot();
    std::vector<std::string> differences = SnapshotDifferences(before, after, kExclusions);
    std::string listed;
    for (const std::string& d : differences) listed += d + "\n";
    EXPECT_TRUE(differences.empty()) << listed;
    if (Reporting()) {
      std::printf("After %s: %zu items, %zu differences from before the installation\n",
                  Windows98() ? "the uninstall" : "the restart (wineboot -r)", after.size(), differences.size());
      std::printf("%s", listed.c_str());
      std::printf("Not compared, as Windows itself changes them:\n");
      for (const SnapshotExclusion& e : kExclusions) std::printf("  %s: %s\n", e.prefix, e.why);
    }
  }
}

TEST_F(RoundTrip, ATakenOverAssociationAndAUsersFileSurvive) {
  Install(roadDefault);
  if (HasFatalFailure()) return;
  // Another archiver takes ".zip" over after the installation.
  HKEY key;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, ".zip", &key), ERROR_SUCCESS);
  RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("OtherArchiver.zip"), 18);
  RegCloseKey(key);
  const std::string notes = destination_ + "\\notes.txt";
  HANDLE file = CreateFileA(notes.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);

  MessageBoxSeen question, end;
  EXPECT_EQ(Uninstall("", IDYES, &question, &end), 3010);
  EXPECT_EQ(RegistryString(HKEY_CLASSES_ROOT, ".zip", ""), "OtherArchiver.zip");
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, "quorbex.zip"));
  EXPECT_FALSE(RegistryKeyExists(HKEY_CLASSES_ROOT, ".rar"));
  // The folder is named as left in place.
  EXPECT_NE(end.text.find(UninstallerText(uninstaller_, IDS_UNINSTALL_KEPT, "Quorbex32")), std::string::npos)
      << end.text;
  EXPECT_NE(end.text.find(destination_), std::string::npos) << end.text;
  CheckWaitingAndRestart({uninstaller_}, false);
  EXPECT_TRUE(FileExists(notes));
  EXPECT_EQ(FolderEntries(destination_), std::vector<std::string>{"notes.txt"});
  DeleteRegistryTree(HKEY_CLASSES_ROOT, ".zip");
}

TEST_F(RoundTrip, ADamagedLogRemovesNothingAndSaysWhy) {
  // Reading the log does not depend on the family; the NT runs, in both languages, cover it.
  if (Windows98()) GTEST_SKIP() << "covered by the NT runs";
  Install(roadDefault);
  if (HasFatalFailure()) return;
  const std::string logPath = destination_ + "\\uninstal.l0g";
  const std::vector<uint8_t> good = ReadWholeFile(logPath);
  ASSERT_GT(good.size(), 200u);
  auto put = [](std::vector<uint8_t>& image, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[at + i] = uint8_t(v >> (8 * i));
  };
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  struct Damage {
    const char* name;
    std::vector<uint8_t> image;  // none: the log is missing
    int reason;                  // the table entry of the damage, 0 for a missing log
    int entry;
  };
  std::vector<uint8_t> truncated(good.begin(), good.end() - 1);
  std::vector<uint8_t> badKind = good;
  put(badKind, 64 + 12 * 2, 9);
  std::vector<uint8_t> outside = good;
  put(outside, 64 + 12 * 3 + 4, 0x00FFFFFF);
  // The folder entry made to name the Windows folder: same length or shorter, padded.
  std::vector<uint8_t> windowsFolder = good;
  {
    uint32_t count = good[4] | good[5] << 8, offset = 0;
    std::memcpy(&offset, &good[64 + 12 * 2 + 4], 4);
    char* text = reinterpret_cast<char*>(&windowsFolder[64 + 12 * count + offset]);
    ASSERT_GE(std::strlen(text), std::strlen(windows));
    std::memset(text, 0, std::strlen(text));
    std::memcpy(text, windows, std::strlen(windows));
  }
  const Damage damages[] = {
      {"truncated", truncated, IDS_UNINSTALL_DAMAGE_BASE + 1, 0},
      {"unknown kind", badKind, IDS_UNINSTALL_DAMAGE_BASE + 5, 3},
      {"offset outside the pool", outside, IDS_UNINSTALL_DAMAGE_BASE + 6, 4},
      {"the Windows folder", windowsFolder, IDS_UNINSTALL_DAMAGE_BASE + 9, 3},
      {"missing", {}, 0, 0},
  };
  // Whatever a refused log removed would be missing afterwards.
  MachineSnapshot before = TakeSnapshot();
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    DeleteFileA(logPath.c_str());
    if (!d.image.empty()) {
      std::ofstream(logPath, std::ios::binary).write(reinterpret_cast<const char*>(d.image.data()), d.image.size());
    }
    MessageBoxSeen end;
    shots_ = d.reason == IDS_UNINSTALL_DAMAGE_BASE + 9;  // one picture of a refusal is enough
    EXPECT_EQ(Uninstall("", IDOK, nullptr, &end), 2);
    ASSERT_TRUE(end.found);
    if (d.reason != 0) {
      std::string reason = UninstallerText(uninstaller_, d.reason);
      EXPECT_NE(end.text.find(reason), std::string::npos) << end.text;
      if (!Japanese()) {
        EXPECT_EQ(end.text.find("(entry " + std::to_string(d.entry) + ")") != std::string::npos, d.entry != 0)
            << end.text;
      }
    } else {
      EXPECT_EQ(end.text, UninstallerText(uninstaller_, IDS_UNINSTALL_CANNOT_READ, logPath));
    }
  }
  std::ofstream(logPath, std::ios::binary).write(reinterpret_cast<const char*>(good.data()), good.size());
  std::vector<std::string> differences = SnapshotDifferences(before, TakeSnapshot(), kExclusions);
  std::string listed;
  for (const std::string& difference : differences) listed += difference + "\n";
  EXPECT_TRUE(differences.empty()) << listed;
}

TEST_F(RoundTrip, SilentWithATextLogAndNoToTheQuestion) {
  Install(roadDefault);
  if (HasFatalFailure()) return;
  MessageBoxSeen question;
  EXPECT_EQ(Uninstall("", IDNO, &question, nullptr), 1);
  EXPECT_TRUE(FileExists(destination_ + "\\quorbex.exe"));
  EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string textLog = std::string(temp) + "quorbex uninstall.txt";
  DeleteFileA(textLog.c_str());
  EXPECT_EQ(Uninstall(" /S /LOG=\"" + textLog + "\"", 0, nullptr, nullptr), 3010);
  EXPECT_FALSE(FileExists(destination_ + "\\quorbex.exe"));
  std::vector<uint8_t> bytes = ReadWholeFile(textLog);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find(destination_ + "\\quorbex.exe removed\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(uninstaller_ + " removed at the next restart\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exit code 3010\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.compare(0, 2, "20"), 0) << text;  // each line begins with the date
  DeleteFileA(textLog.c_str());
  CheckWaitingAndRestart({uninstaller_, destination_}, false);
}

}  // namespace
