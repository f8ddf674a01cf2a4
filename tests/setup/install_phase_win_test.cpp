// The whole install phase under Wine: the uninstall log of an installation, and the
// ways an installation ends without touching existing files. Message boxes and the
// restart dialog are answered from a second thread, as a user would.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/state.h"
#include "config/state_win.h"
#include "payload/extract.h"
#include "payload/extract_win.h"
#include "resources/resource_ids.h"
#include "setup/install_phase.h"
#include "support/install_fixture.h"
#include "support/test_files_win.h"
#include "support/window_driver.h"
#include "system/recorded_log.h"
#include "text/resource_text.h"
#include "text/status.h"
#include "text/variables.h"
#include "ui/dialogs.h"

namespace {

const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32";
const char kOld[] = "the version installed before\r\n";
const char kCompanyKey[] = "Software\\Ovalis";
const char kProductKey[] = "Software\\Ovalis\\Quorbex32";

bool KeyExists(HKEY root, const char* subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void WriteRegistryValue(HKEY root, const char* subkey, const char* name, const char* text) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
  RegCloseKey(key);
}

// The product key and its company key, as on a machine that never saw the product.
void DeleteProductKeys() {
  RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kCompanyKey);
  ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kCompanyKey));
}

std::string RegistryString(HKEY root, const std::string& subkey, const char* valueName) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return "<missing>";
  }
  char buffer[2048];
  DWORD size = sizeof buffer, type = 0;
  LONG result =
      RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ || size == 0) return "<missing>";
  return std::string(buffer, size - 1);
}

// The entries of an uninstall log file, read back from its bytes.
std::vector<Recorded> LogFileEntries(const std::string& bytes, std::string* productName) {
  std::vector<Recorded> entries;
  if (bytes.size() < kLogHeaderSize) return entries;
  auto word = [&bytes](size_t at) {
    return ReadLittleWord(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
  };
  const uint32_t count = word(4);
  const size_t pool = kLogHeaderSize + kLogEntrySize * count;
  EXPECT_EQ(word(0), 1u);
  EXPECT_EQ(bytes.size(), pool + word(8));
  *productName = bytes.c_str() + kLogNameOffset;
  for (uint32_t i = 0; i < count && pool <= bytes.size(); ++i) {
    const size_t e = kLogHeaderSize + kLogEntrySize * i;
    const uint32_t kind = word(e);
    entries.push_back({kind, bytes.c_str() + pool + word(e + 4),
                       kind >= logRegistryKey1 ? bytes.c_str() + pool + word(e + 8) : ""});
  }
  return entries;
}

// The string-table text up to its first insertion, as it starts a formatted message.
std::string TableTextStart(int entry) {
  char* text = LoadResourceText(entry);
  std::string start = text != nullptr ? text : "<none>";
  std::free(text);
  return start.substr(0, start.find('%'));
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The temporary files left in a folder and below it.
std::vector<std::string> TemporaryFilesIn(const std::string& folder) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (const std::string& t : TemporaryFilesIn(folder + "\\" + name)) found.push_back(t);
    } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
      found.push_back(folder + "\\" + name);
    }
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

// While the install phase runs on this thread, answers what it shows: each expected
// window in turn (a message box, answered with its button, or the restart dialog,
// answered "later"), then watches briefly for anything more.
class Answers {
 public:
  explicit Answers(std::vector<int> buttons)
      : thread_(GetCurrentThreadId()), known_(ThreadWindows(thread_)),
        task_([this, buttons] {
          for (int button : buttons) {
            if (button == kRestartLater) {
              HWND dialog = WaitForNewDialog(thread_, known_, 602);
              seen_.push_back({dialog != nullptr, "<restart dialog>", "", nullptr, false});
              if (dialog == nullptr) return;
              SendMessageA(GetDlgItem(dialog, 601), BM_SETCHECK, BST_UNCHECKED, 0);
              SendMessageA(GetDlgItem(dialog, 602), BM_SETCHECK, BST_CHECKED, 0);
              ClickDlgItem(dialog, IDOK);
              WaitForWindowGone(dialog);
            } else {
              seen_.push_back(AnswerMessageBox(thread_, known_, button));
              if (!seen_.back().found) return;
            }
          }
          MessageBoxSeen extra = AnswerMessageBox(thread_, known_, IDOK, 1000);
          if (extra.found) seen_.push_back(extra);
        }) {}

  // Waits for the answers; what was seen, in order.
  const std::vector<MessageBoxSeen>& Seen() {
    task_.Join();
    return seen_;
  }

  static constexpr int kRestartLater = -1;

 private:
  DWORD thread_;
  std::vector<HWND> known_;
  std::vector<MessageBoxSeen> seen_;
  BackgroundTask task_;
};

class InstallPhaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    if (gExtractDialog == nullptr) {
      ASSERT_TRUE(CreateExtractDialog());
    }
    gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
    ASSERT_TRUE(GetVersionExA(&gVersionInfo));
    ResetUninstallLog();
    gLogActive = 0;
    ASSERT_EQ(CreateVariableTable(), 0);
    base_ = FreshTestFolder("install");
    destination_ = base_ + "\\Quorbex32";
    programs_ = base_ + "\\Programs";
    windows_ = base_ + "\\Windows";
    ASSERT_TRUE(CreateDirectoryA(programs_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(windows_.c_str(), nullptr));
    ASSERT_EQ(SetVariable("Destination", destination_.c_str()), 0);
    ASSERT_EQ(SetVariable("ShellPrograms", programs_.c_str()), 0);
    ASSERT_EQ(SetVariable("WindowsDir", windows_.c_str()), 0);
  }
  void TearDown() override {
    DestroyVariableTableForTest();
    ClearRecordedLog();
    RemoveTree(base_);
    CoUninitialize();
  }

  static bool English() {
    return PRIMARYLANGID(LANGIDFROMLCID(GetThreadLocale())) == LANG_ENGLISH;
  }

  std::string logPath() const { return destination_ + "\\uninstal.l0g"; }

  std::string base_, destination_, programs_, windows_;
};

// Files of one component each, a help file in a folder of its own, an empty file.
std::vector<PayloadFile> ProductFiles() {
  return {
      {"$(Destination)\\quorbex.exe", PatternBytes(70000, 1), 0x01},
      {"$(Destination)\\uninstaller.exe", PatternBytes(9000, 2), 0x01},
      {"$(Destination)\\Help\\quorbex.hlp", PatternBytes(40000, 3), 0x02},
      {"$(Destination)\\readme.txt", "", 0x03},
  };
}

std::vector<PayloadShortcut> ProductShortcuts() {
  return {
      {"Quorbex32", "$(Destination)\\quorbex.exe", "", SW_SHOWNORMAL},
      {"Help", "$(Destination)\\Help\\quorbex.hlp", "", SW_SHOWNORMAL},
      {"Not Installed", "$(Destination)\\absent.exe", "", SW_SHOWNORMAL},
  };
}

TEST_F(InstallPhaseTest, WholeInstallationLogsEverythingInOrder) {
  for (int associate : {0, 1}) {
    SCOPED_TRACE(associate);
    RemoveTree(destination_);
    ClearRecordedLog();
    std::vector<PayloadFile> files = ProductFiles();
    InstallImage image = BuildInstallImage(files, ProductShortcuts());
    InstalledState state(image, 0x03);
    // Whatever an earlier run registered is replaced by a mark that only associating
    // overwrites.
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "quorbex.zip\\shell\\open\\command", &key), 0);
    RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("mark"), 5);
    RegCloseKey(key);

    Answers answers({IDOK});
    RunInstallPhase("Quorbex32 Test", associate);
    const std::vector<MessageBoxSeen>& seen = answers.Seen();

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(StartsWith(seen[0].text, TableTextStart(IDS_INSTALLED) + "Quorbex32"));
    if (English()) {
      EXPECT_EQ(seen[0].text, "Quorbex32 has been successfully installed.");
      EXPECT_EQ(seen[0].caption, "Success");
    }
    EXPECT_EQ(gLogActive, 0);
    for (size_t i = 0; i < files.size(); ++i) {
      std::string target = files[i].target;
      target.replace(0, std::string("$(Destination)").size(), destination_);
      EXPECT_EQ(ReadBytes(target), files[i].bytes) << target;
      EXPECT_EQ(gReplaceList[i].handled, 1);
    }
    EXPECT_TRUE(TemporaryFilesIn(destination_).empty());

    const std::string folder = programs_ + "\\Quorbex32 Test";
    const std::string help = destination_ + "\\Help";
    std::string productName;
    EXPECT_EQ(LogFileEntries(ReadBytes(logPath()), &productName),
              (std::vector<Recorded>{
                  {6, "Software\\Ovalis\\Quorbex32\\", ""},
                  {1, folder, ""},
                  {4, destination_, ""},
                  {3, destination_ + "\\quorbex.exe", ""},
                  {3, destination_ + "\\uninstaller.exe", ""},
                  {4, help, ""},
                  {3, help + "\\quorbex.hlp", ""},
                  {3, destination_ + "\\readme.txt", ""},
                  {2, folder + "\\Quorbex32.lnk", ""},
                  {2, folder + "\\Help.lnk", ""},
                  {7, kAppPaths, ""},
                  {7, kUninstall, ""},
                  {3, logPath(), ""},
              }));
    EXPECT_EQ(productName, "Quorbex32");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPaths, "Path"), destination_);
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kAppPaths, ""), destination_ + "\\quorbex.exe");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstall, "DisplayName"), "Quorbex32 Test");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString"),
              "\"" + destination_ + "\\uninstaller.exe\" uninstal.l0g");
    const std::string command =
        RegistryString(HKEY_CLASSES_ROOT, "quorbex.zip\\shell\\open\\command", "");
    EXPECT_EQ(command, associate == 1 ? destination_ + "\\quorbex.exe \"%1\"" : "mark");
  }
}

// A replacement that cannot be made is named at the end instead of the success message;
// a file in use brings the restart dialog, and "later" ends the program quietly.
TEST_F(InstallPhaseTest, EndsByNamingFilesNotReplacedOrOfferingARestart) {
  const std::string program = destination_ + "\\quorbex.exe";
  const std::string unreachable = destination_ + "\\" + std::string(240, 'n') + ".dat";
  struct Case {
    const char* what;
    bool hold;          // keep quorbex.exe open
    bool refuse;        // the replacement at the restart cannot be arranged
    bool unreachable;   // add a file whose old copy the system's path functions cannot reach
    std::vector<int> answers;
    std::vector<std::string> named;  // in the message, in this order
  };
  const Case cases[] = {
      {"in use", true, false, false, {Answers::kRestartLater}, {}},
      {"not replaced", false, false, true, {IDOK}, {unreachable}},
      {"both", true, false, true, {IDOK, Answers::kRestartLater}, {unreachable}},
      {"in use, restart refused", true, true, true, {IDOK}, {program, unreachable}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(destination_);
    ClearRecordedLog();
    ASSERT_TRUE(CreateDirectoryA(destination_.c_str(), nullptr));
    std::vector<PayloadFile> files = {{"$(Destination)\\quorbex.exe", PatternBytes(100, 4), 1}};
    if (c.unreachable) files.push_back({unreachable, PatternBytes(100, 5), 1});
    WriteBytes(program, kOld);
    if (c.unreachable) WriteBytes(unreachable, kOld);
    WriteBytes(windows_ + "\\WININIT.INI", "");
    InstallImage image = BuildInstallImage(files);
    InstalledState state(image, 1);
    HeldFile user(program, FILE_SHARE_READ);
    if (!c.hold) user.Release();
    HeldFile otherIni(windows_ + "\\WININIT.INI", 0);
    if (!c.refuse) otherIni.Release();
    std::unique_ptr<RefusedDelayedMoves> refused(c.refuse ? new RefusedDelayedMoves : nullptr);

    Answers answers(c.answers);
    RunInstallPhase("Quorbex32 Test", 0);
    const std::vector<MessageBoxSeen>& seen = answers.Seen();
    refused.reset();
    otherIni.Release();

    ASSERT_EQ(seen.size(), c.answers.size());
    for (const MessageBoxSeen& s : seen) EXPECT_TRUE(s.found);
    const bool waits = c.hold && !c.refuse;
    EXPECT_EQ(gRestartNeeded, waits ? 1 : 0);
    if (!c.named.empty()) {
      std::string list;
      for (const std::string& path : c.named) list += (list.empty() ? "" : "\r\n") + path;
      EXPECT_TRUE(StartsWith(seen[0].text, TableTextStart(IDS_NOT_REPLACED)));
      EXPECT_NE(seen[0].text.find(list), std::string::npos);
      if (English()) {
        EXPECT_EQ(seen[0].text, "Setup could not replace the following files:\r\n\r\n" + list);
      }
    }
    if (c.unreachable) {
      EXPECT_EQ(ReadBytes(unreachable), kOld);
    }
    EXPECT_EQ(ReadBytes(program), c.hold ? kOld : files[0].bytes);
    // The log is written, with every file the installation put or will put in place.
    std::string productName;
    EXPECT_EQ(LogFileEntries(ReadBytes(logPath()), &productName).size(), files.size() + 5);
    user.Release();
    // Until the restart the new file waits under its temporary name.
    size_t waiting = waits ? 1 : 0;
    if (waits && gVersionInfo.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS && RestartsAllowed()) {
      ASSERT_TRUE(RunPendingMoves());
      EXPECT_EQ(ReadBytes(program), files[0].bytes);
      waiting = 0;
    }
    EXPECT_EQ(TemporaryFilesIn(destination_).size(), waiting);
  }
}

// Every step after the extraction that fails is named at the end, and no success
// message follows.
TEST_F(InstallPhaseTest, EndsByNamingEveryStepThatFailed) {
  const std::string program = destination_ + "\\quorbex.exe";
  struct Case {
    const char* what;
    const char* folderName;
    void (*prepare)(const std::string& destination);
    int heading;
    std::vector<std::string> lines;  // English lines of the message, after the heading
  };
  const Case cases[] = {
      {"the log cannot be written", "Quorbex32 Test",
       [](const std::string& d) { CreateDirectoryA((d + "\\uninstal.l0g").c_str(), nullptr); },
       IDS_NOT_COMPLETED,
       {"The uninstall information " + logPath() + " could not be written."}},
      {"no folder can have that name", "Quorbex|32?", nullptr, IDS_NOT_COMPLETED,
       {"The program folder Quorbex|32? could not be created.",
        "The shortcut Quorbex32 could not be created.", "The shortcut Help could not be created."}},
      {"a folder where a file goes", "Quorbex32 Test",
       [](const std::string& d) { CreateDirectoryA((d + "\\quorbex.exe").c_str(), nullptr); },
       IDS_NOT_REPLACED, {program}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(destination_);
    ClearRecordedLog();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstall);
    ASSERT_TRUE(CreateDirectoryA(destination_.c_str(), nullptr));
    if (c.prepare != nullptr) c.prepare(destination_);
    InstallImage image = BuildInstallImage(ProductFiles(), ProductShortcuts());
    InstalledState state(image, 0x03);

    Answers answers({IDOK});
    RunInstallPhase(c.folderName, 0);
    const std::vector<MessageBoxSeen>& seen = answers.Seen();

    ASSERT_EQ(seen.size(), 1u);  // no success message after it
    EXPECT_TRUE(StartsWith(seen[0].text, TableTextStart(c.heading)));
    if (English()) {
      std::string list;
      for (const std::string& line : c.lines) list += (list.empty() ? "" : "\r\n") + line;
      EXPECT_EQ(seen[0].text.substr(seen[0].text.find("\r\n\r\n") + 4), list);
    }
    EXPECT_EQ(gRestartNeeded, 0);  // nothing waits for a restart that could not help
    EXPECT_TRUE(TemporaryFilesIn(destination_).empty());
    // The Uninstall entry is there only when the log it names is.
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstall, "UninstallString") != "<missing>",
              PathExists(logPath()) && !(GetFileAttributesA(logPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY));
  }
  RemoveTree(destination_);
}

// A window of the test that, reached through the extraction's message pump, makes
// the temporary file being written refuse further writes.
LRESULT CALLBACK RefuseWritesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    HANDLE readOnly = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), gOutputFile, GetCurrentProcess(), &readOnly,
                        GENERIC_READ, FALSE, DUPLICATE_CLOSE_SOURCE)) {
      gOutputFile = readOnly;
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Cancel and every failure of the extraction: old files as they were, no temporary
// file left, no log, and a message only for a failure.
TEST_F(InstallPhaseTest, StoppedExtractionChangesNoExistingFile) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = RefuseWritesProc;
  windowClass.hInstance = gInstance;
  windowClass.lpszClassName = "RefuseWrites";
  RegisterClassA(&windowClass);
  HWND refuser = CreateWindowA("RefuseWrites", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               gInstance, nullptr);
  ASSERT_NE(refuser, nullptr);

  const std::string blocked = base_ + "\\in the way";
  struct Case {
    const char* what;
    void (*prepare)(InstallImage*, HWND refuser);
    std::vector<int> answers;  // IDYES confirms the cancel; IDOK reads a failure
    int status;                // what ended the extraction
    const char* reason;        // English text of the status; none for a cancel
    std::string path;          // the file named with it
  };
  const Case cases[] = {
      {"cancel", [](InstallImage*, HWND) { PostMessageA(gExtractDialog, WM_COMMAND, 9, 0); },
       {IDYES}, statusCanceled, nullptr, ""},
      {"wrong CRC", [](InstallImage* i, HWND) { i->config.Word(wordPayloadCrc, 1); }, {IDOK},
       statusBadCrc, "The CRC of a new file couldn't be verified.", ""},
      {"damaged stream", [](InstallImage* i, HWND) { i->archive[0] = 0x07; }, {IDOK},
       statusBadBlockType, "An invalid block type was found in compressed data.", ""},
      {"write refused", [](InstallImage*, HWND w) { PostMessageA(w, WM_APP, 0, 0); }, {IDOK},
       statusWriteFailed, "A file could not be written completely.", destination_ + "\\quorbex.exe"},
      {"temporary file not created", nullptr, {IDOK},
       statusCannotCreateFile, "A temporary file could not be created.",
       blocked + "\\IT0.tmp"},
  };
  const std::string programFolder = programs_ + "\\Quorbex32 Test";
  for (bool earlier : {false, true}) {
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.what) + (earlier ? ", over an earlier installation" : ""));
    RemoveTree(destination_);
    RemoveTree(programFolder);
    ClearRecordedLog();
    DeleteProductKeys();
    if (earlier) {
      WriteRegistryValue(HKEY_CURRENT_USER, kProductKey, "Kept", "1");
      ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    }
    ASSERT_TRUE(CreateDirectoryA(destination_.c_str(), nullptr));
    WriteBytes(blocked, "a file where a folder should be");
    std::vector<PayloadFile> files = ProductFiles();
    files[0].bytes = PatternBytes(300000, 6);  // several windows, so that Cancel is reached
    // Folders of their own, made early, before any failure.
    files.insert(files.begin(), {"$(Destination)\\New\\Deeper\\first.dat", "first", 1});
    if (c.prepare == nullptr) files.push_back({blocked + "\\late.dat", "late", 1});
    for (const PayloadFile& f : files) {
      if (f.target[0] != '$' || f.target.find("New") != std::string::npos) continue;
      std::string target = f.target;
      target.replace(0, 14, destination_);
      CreateDirectoryA((destination_ + "\\Help").c_str(), nullptr);
      WriteBytes(target, kOld);
    }
    InstallImage image = BuildInstallImage(files, ProductShortcuts());
    if (c.prepare != nullptr) c.prepare(&image, refuser);
    InstalledState state(image, 0x03);

    Answers answers(c.answers);
    RunInstallPhase("Quorbex32 Test", 0);
    const std::vector<MessageBoxSeen>& seen = answers.Seen();

    ASSERT_EQ(seen.size(), c.answers.size());
    if (c.reason == nullptr) {
      EXPECT_TRUE(seen[0].hasYesNo);  // the quit question, and nothing after it
    } else {
      EXPECT_TRUE(StartsWith(seen[0].text, TableTextStart(IDS_SETUP_STOPPED)));
      EXPECT_NE(seen[0].text.find(TableTextStart(c.status + 1) + (c.path.empty() ? "" : "\r\n" + c.path)),
                std::string::npos);
    }
    if (c.reason != nullptr && English()) {
      std::string expected = "Setup has stopped. No file on your computer has been changed.\r\n\r\n";
      expected += c.reason;
      if (!c.path.empty()) expected += "\r\n" + c.path;
      EXPECT_EQ(seen[0].text, expected);
      EXPECT_EQ(seen[0].caption, "Quorbex32 Setup");
    }
    for (const PayloadFile& f : files) {
      if (f.target[0] != '$' || f.target.find("New") != std::string::npos) continue;
      std::string target = f.target;
      target.replace(0, 14, destination_);
      EXPECT_EQ(ReadBytes(target), kOld) << target;
    }
    EXPECT_EQ(TemporaryFilesIn(base_), std::vector<std::string>{});
    EXPECT_FALSE(PathExists(logPath()));
    EXPECT_FALSE(PathExists(programFolder + "\\Quorbex32.lnk"));
    // What this run made is gone again; what was there before stays.
    EXPECT_FALSE(PathExists(destination_ + "\\New"));
    EXPECT_TRUE(PathExists(destination_ + "\\Help"));
    EXPECT_EQ(PathExists(programFolder), earlier);
    EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kProductKey), earlier);
    EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kCompanyKey), earlier);
    EXPECT_EQ(gLogActive, 0);
    EXPECT_EQ(gCancelRequested, 0);
    DeleteFileA(blocked.c_str());
  }
  }
  DestroyWindow(refuser);
}

}  // namespace
