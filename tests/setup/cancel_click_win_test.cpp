// Cancel during a long extraction, clicked as a user clicks: the mouse's button down
// and up posted at the Cancel button while 50 MB are being written. The question must
// come within half a second, and Yes must leave the user's files as they were.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "config/state.h"
#include "config/state_win.h"
#include "payload/extract.h"
#include "resources/resource_ids.h"
#include "setup/install_phase.h"
#include "support/install_fixture.h"
#include "support/test_files_win.h"
#include "support/window_driver.h"
#include "system/registry.h"
#include "text/variables.h"
#include "ui/dialogs.h"

namespace {

constexpr size_t kPayloadBytes = 50u << 20;
constexpr DWORD kQuestionWithinMs = 500;
constexpr int kMouseMoves = 1000;
const char kOld[] = "the version installed before\r\n";

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// Every file under folder, with its contents.
void Snapshot(const std::string& folder, std::vector<std::string>* files) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files->push_back(path + "\\");
      Snapshot(path, files);
    } else {
      files->push_back(path + " = " + ReadBytes(path));
    }
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

// What the user saw and did, from the second thread.
struct Clicker {
  bool extracting = false;    // the click came while the extraction was running
  HWND focus = nullptr;       // the focus in the Extract dialog before the click
  DWORD questionMs = 0;       // from the button's release to the question on screen
  bool asked = false;
  int32_t decodedAtAnswer = 0;
};

class CancelClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    if (gExtractDialog == nullptr) {
      ASSERT_TRUE(CreateExtractDialog());
    }
    gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
    ASSERT_TRUE(GetVersionExA(&gVersionInfo));
    gLogActive = 0;
    ASSERT_EQ(CreateVariableTable(), 0);
    base_ = FreshTestFolder("cancel");
    destination_ = base_ + "\\Quorbex32";
    ASSERT_TRUE(CreateDirectoryA((base_ + "\\Programs").c_str(), nullptr));
    DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Ovalis", false);
    ASSERT_EQ(SetVariable("Destination", destination_.c_str()), 0);
    ASSERT_EQ(SetVariable("ShellPrograms", (base_ + "\\Programs").c_str()), 0);
  }
  void TearDown() override {
    DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\Ovalis", false);
    DestroyVariableTableForTest();
    RemoveTree(base_);
    CoUninitialize();
  }
  // Clicks Cancel during the extraction and answers Yes; the files under the test's
  // folders and the product's keys must then be as they were before.
  void ClickCancelAndCheck();
  std::string base_, destination_;
};

// What a stopped installation must leave as it found it.
struct MachineState {
  std::vector<std::string> files;  // every folder and file under the test's folder
  bool productKey, companyKey;
};

MachineState Observe(const std::string& base) {
  MachineState state;
  Snapshot(base, &state.files);
  std::sort(state.files.begin(), state.files.end());
  state.productKey = RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis\\Quorbex32");
  state.companyKey = RegistryKeyExists(HKEY_CURRENT_USER, "Software\\Ovalis");
  return state;
}

TEST_F(CancelClickTest, OnAMachineWithoutAnEarlierInstallation) { ClickCancelAndCheck(); }

TEST_F(CancelClickTest, OverAnEarlierInstallation) {
  ASSERT_TRUE(CreateDirectoryA(destination_.c_str(), nullptr));
  WriteBytes(destination_ + "\\quorbex.exe", kOld);
  ASSERT_TRUE(CreateDirectoryA((base_ + "\\Programs\\Quorbex32 Test").c_str(), nullptr));
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Ovalis\\Quorbex32", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ClickCancelAndCheck();
  EXPECT_EQ(ReadBytes(destination_ + "\\quorbex.exe"), kOld);
}

void CancelClickTest::ClickCancelAndCheck() {
  // Bytes that a compressor could not shrink much, stored as they are.
  std::vector<PayloadFile> files = {
      {"$(Destination)\\quorbex.exe", PatternBytes(kPayloadBytes / 2, 1), 0x01},
      {"$(Destination)\\samples.dat", PatternBytes(kPayloadBytes / 2, 2), 0x01},
  };
  InstallImage image = BuildInstallImage(files);
  InstalledState state(image, 0x01);
  const MachineState before = Observe(base_);

  const DWORD uiThread = GetCurrentThreadId();
  gTotalDecoded = 0;  // an earlier run's count must not look like this one's progress
  Clicker seen;
  BackgroundTask user([&] {
    HWND cancel = GetDlgItem(gExtractDialog, IDC_CANCEL);
    // A tenth of the payload written: the user has seen the bar move.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(5)) {
      if (IsWindowVisible(gExtractDialog) && gTotalDecoded > int32_t(kPayloadBytes / 10)) break;
    }
    seen.focus = FocusOf(uiThread);
    seen.extracting = gTotalDecoded < gPayloadTotal;
    const std::vector<HWND> known = ThreadWindows(uiThread);
    RECT area;
    GetClientRect(cancel, &area);
    // The mouse moves across the button first, as a hand brings it there; each
    // movement is a message of its own in the queue.
    for (int x = 0; x < kMouseMoves; ++x) {
      PostMessageA(cancel, WM_MOUSEMOVE, 0, MAKELPARAM(x % area.right, area.bottom / 2));
    }
    const LPARAM at = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(cancel, WM_LBUTTONUP, 0, at);
    const DWORD released = GetTickCount();
    HWND box = WaitForNewDialog(uiThread, known, IDYES, 10000);
    seen.questionMs = GetTickCount() - released;
    seen.asked = box != nullptr;
    if (box == nullptr) return;
    seen.decodedAtAnswer = gTotalDecoded;
    ClickDlgItem(box, IDYES);
    WaitForWindowGone(box);
    // Whatever the install phase says after a cancel is read and closed.
    AnswerMessageBox(uiThread, known, IDOK, 1000);
  });
  RunInstallPhase("Quorbex32 Test", 0);
  ASSERT_TRUE(user.Join());

  EXPECT_TRUE(seen.extracting) << "the extraction ended before the click";
  EXPECT_EQ(seen.focus, GetDlgItem(gExtractDialog, IDC_CANCEL)) << "Cancel has the focus while files are written";
  ASSERT_TRUE(seen.asked) << "the click was never heard";
  EXPECT_LE(seen.questionMs, kQuestionWithinMs);
  std::printf("question after %lu ms, at %ld of %ld bytes\n", static_cast<unsigned long>(seen.questionMs),
              static_cast<long>(seen.decodedAtAnswer), static_cast<long>(gPayloadTotal));
  EXPECT_LT(seen.decodedAtAnswer, gPayloadTotal) << "the question came only after the extraction";
  EXPECT_LT(gTotalDecoded, gPayloadTotal) << "the extraction went on after Yes";

  const MachineState after = Observe(base_);
  for (const std::string& entry : after.files) {
    EXPECT_TRUE(std::binary_search(before.files.begin(), before.files.end(), entry))
        << "left behind: " << entry.substr(0, 200);
  }
  for (const std::string& entry : before.files) {
    EXPECT_TRUE(std::binary_search(after.files.begin(), after.files.end(), entry))
        << "gone or changed: " << entry.substr(0, 200);
  }
  EXPECT_EQ(after.productKey, before.productKey);
  EXPECT_EQ(after.companyKey, before.companyKey);
}

}  // namespace
