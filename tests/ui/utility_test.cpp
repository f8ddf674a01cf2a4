// The dialog-control helpers, and the assertion that guards them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "ui/assert.h"
#include "ui/frame.h"
#include "ui/utility.h"

namespace {

INT_PTR CALLBACK QuietPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string Take(char* text) {
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

HWND gFolderPage = nullptr;
HWND gTypePage = nullptr;

class UtilityTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(CreateMainDialog());
    PreparePage(&gFolderPage, IDD_PROGRAM_FOLDER_PAGE, QuietPageProc);
    PreparePage(&gTypePage, IDD_SETUP_TYPE_PAGE, QuietPageProc);
    ShowWindow(gMainDialog, SW_SHOW);
    ShowPage(gFolderPage);
    PumpMessages(20);
  }
};

TEST_F(UtilityTest, TextComesBackAsItWasSet) {
  std::vector<std::string> texts = {"", "Quorbex32", "C:\\Program Files\\Quorbex32", "a&b", std::string(3000, 'x')};
  if (GetACP() == 932) {
    // "アーカイブ 表示" and a name with a trail byte 0x5C ("表"), in code page 932.
    texts.push_back("\x83\x41\x81\x5B\x83\x4A\x83\x43\x83\x75 \x95\x5C\x8E\xA6");
    texts.push_back("C:\\\x95\x5C\\\x83\x74\x83\x48\x83\x8B\x83\x5F");
  }
  for (int id : {IDC_PROGRAM_FOLDER, IDC_PROGRAM_FOLDER_TEXT}) {
    for (const std::string& text : texts) {
      ASSERT_TRUE(SetDlgItemString(gFolderPage, id, text.c_str()));
      EXPECT_EQ(Take(GetDlgItemString(gFolderPage, id)), text) << "control " << id << ": " << text.substr(0, 40);
    }
  }
}

TEST_F(UtilityTest, ShowEnableSelectAndFocus) {
  HWND radio = GetDlgItem(gTypePage, IDC_TYPE_RADIO2);
  ShowPage(gTypePage);
  EXPECT_FALSE(IsWindowVisible(radio));
  ShowDlgItem(gTypePage, IDC_TYPE_RADIO2);
  EXPECT_TRUE(IsWindowVisible(radio));
  EnableDlgItem(gTypePage, IDC_TYPE_RADIO2, false);
  EXPECT_FALSE(IsWindowEnabled(radio));
  EnableDlgItem(gTypePage, IDC_TYPE_RADIO2, true);
  EXPECT_TRUE(IsWindowEnabled(radio));

  ShowPage(gFolderPage);
  HWND edit = GetDlgItem(gFolderPage, IDC_PROGRAM_FOLDER);
  SetDlgItemString(gFolderPage, IDC_PROGRAM_FOLDER, "Quorbex32");
  struct Case {
    int start, end;
    DWORD selStart, selEnd;
  };
  const Case cases[] = {{0, -1, 0, 9}, {2, 5, 2, 5}, {0, 0x7FFF, 0, 9}};
  for (const Case& c : cases) {
    SelectDlgItemText(gFolderPage, IDC_PROGRAM_FOLDER, c.start, c.end);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, c.selStart) << c.start << "," << c.end;
    EXPECT_EQ(end, c.selEnd) << c.start << "," << c.end;
  }
  FocusDlgItem(gFolderPage, IDC_PROGRAM_FOLDER);
  EXPECT_EQ(GetFocus(), edit);
}

// Run as child processes by the test below, never on their own: each stops the
// program with a failed assertion.
TEST(AssertionChild, DISABLED_MissingControl) {
  gInstance = GetModuleHandleA(nullptr);
  ASSERT_TRUE(CreateMainDialog());
  Take(GetDlgItemString(gMainDialog, 4242));
}

TEST(AssertionChild, DISABLED_PageBeforeTheFrame) {
  gInstance = GetModuleHandleA(nullptr);
  HWND page = nullptr;
  PreparePage(&page, IDD_TEXT_PAGE, QuietPageProc);
}

TEST(AssertionTest, FailedAssertionNamesItsConditionAndStopsTheProgram) {
  struct Case {
    const char* child;
    const char* expression;
    const char* source;
  };
  const Case cases[] = {
      {"MissingControl", "child != NULL", "Utility"},
      {"PageBeforeTheFrame", "gMainDialog != NULL", "Main"},
  };
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.child);
    std::string command = std::string("\"") + self +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=AssertionChild.DISABLED_" + c.child;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));

    HWND box = nullptr;
    for (int wait = 0; wait < 200 && box == nullptr; ++wait) {
      box = WaitForNewDialog(process.dwThreadId, {}, IDOK, 100);
      if (box == nullptr && WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
    }
    ASSERT_NE(box, nullptr) << "no message box";
    std::string text = DlgItemText(box, 0xFFFF);
    EXPECT_NE(text.find(std::string("Assertion failed: ") + c.expression), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("Source: ") + c.source + ", line "), std::string::npos) << text;
    size_t line = text.find(", line ");
    EXPECT_GT(line != std::string::npos ? std::atoi(text.c_str() + line + 7) : 0, 0) << text;
    ClickDlgItem(box, IDOK);

    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, DWORD(kAssertionExitCode));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace
