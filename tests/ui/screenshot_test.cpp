// Pictures of the frame and the dialogs in the language of the run, written to the
// test output folder for people to look at (frame.en.png, extract.ja.png, ...).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"
#include "text/resource_text.h"
#include "ui/dialogs.h"
#include "ui/frame.h"
#include "ui/utility.h"

namespace {

INT_PTR CALLBACK QuietPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void SetTextUtf8(HWND window, const char* text) {
  wchar_t wide[1000];
  ASSERT_GT(MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, 1000), 0);
  ASSERT_TRUE(SetWindowTextW(window, wide));
}

bool Japanese() { return LanguageTag() == "ja"; }

void ExpectPicture(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_TRUE(WaitUntilPainted(window)) << name;
  Image image = CaptureWindow(window);
  EXPECT_GT(image.width, 100) << name;
  EXPECT_GT(image.CountColours(), 4) << name << " looks blank";
  std::string path = SaveScreenshot(window, name + "." + LanguageTag());
  EXPECT_FALSE(path.empty()) << name;
  std::printf("screenshot: %s\n", path.c_str());
}

class ScreenshotTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gInstance = GetModuleHandleA(nullptr); }
};

TEST_F(ScreenshotTest, FrameWithTheWelcomePage) {
  ASSERT_TRUE(CreateMainDialog());
  SetTextUtf8(gMainDialog, Japanese() ? "Quorbex32 セットアップ" : "Quorbex32 Setup");
  HWND page = nullptr;
  PreparePage(&page, IDD_TEXT_PAGE, QuietPageProc);
  SetTextUtf8(GetDlgItem(page, IDC_PAGE_TEXT),
              Japanese() ? "ようこそ。このプログラムは Quorbex32 をコンピュータにインストールします。\r\n\r\n"
                           "続ける前に、ほかのプログラムを終了してください。\r\n\r\n"
                           "続行するには [次へ] を、セットアップをやめるには [キャンセル] を押してください。"
                         : "Welcome! This program installs Quorbex32 on your computer.\r\n\r\n"
                           "Please close other programs before you go on.\r\n\r\n"
                           "Press Next to continue, or Cancel to leave setup.");
  EnableWindow(gBackButton, FALSE);  // as on the first page
  ShowPage(page);
  ShowWindow(gMainDialog, SW_SHOW);
  PumpMessages(300);
  ExpectPicture(gMainDialog, "frame");
  ShowWindow(gMainDialog, SW_HIDE);
}

TEST_F(ScreenshotTest, ExtractDialogAtWork) {
  ASSERT_TRUE(CreateExtractDialog());
  char* status = FormatResourceMessage(IDS_EXTRACTING, "quorbex.exe");
  SetDlgItemString(gExtractDialog, IDC_STATUS, status);
  std::free(status);
  SendMessageA(gExtractProgress, PBM_SETRANGE, 0, MAKELPARAM(0, 30000));
  SendMessageA(gExtractProgress, PBM_SETPOS, 12000, 0);
  ShowWindow(gExtractDialog, SW_SHOW);
  PumpMessages(500);
  ExpectPicture(gExtractDialog, "extract");
  ShowWindow(gExtractDialog, SW_HIDE);
}

TEST_F(ScreenshotTest, RestartDialog) {
  const DWORD uiThread = GetCurrentThreadId();
  BackgroundTask user([&] {
    HWND dialog = WaitForNewDialog(uiThread, {}, IDC_RESTART_NOW);
    if (dialog == nullptr) return;
    ExpectPicture(dialog, "restart");
    ClickDlgItem(dialog, IDOK);
  });
  DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_RESTART), nullptr, RestartDialogProc, 0);
  ASSERT_TRUE(user.Join());
}

}  // namespace
