// The Extract and restart dialogs, driven as a user drives them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"
#include "text/resource_text.h"
#include "ui/dialogs.h"

namespace {

std::string Take(char* text) {
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

class ExtractDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(CreateExtractDialog());
    ShowWindow(gExtractDialog, SW_SHOW);
    PumpMessages(50);
  }
};

TEST_F(ExtractDialogTest, CreatedWithItsProgressBar) {
  EXPECT_EQ(gExtractProgress, GetDlgItem(gExtractDialog, IDC_PROGRESS));
  EXPECT_EQ(GetWindow(gExtractDialog, GW_OWNER), nullptr);
  EXPECT_NE(GetWindowLongA(gExtractDialog, GWL_STYLE) & WS_SYSMENU, 0);
}

TEST_F(ExtractDialogTest, CloseBoxAndCancelOnlyAskAndRaiseTheFlag) {
  enum How { closeMessage, closeBox, cancelButton };
  struct Case {
    const char* name;
    How how;
    int answer;
    int flag;
  };
  const Case cases[] = {
      {"WM_CLOSE, yes", closeMessage, IDYES, 1},
      {"WM_CLOSE, no", closeMessage, IDNO, 0},
      {"close box, yes", closeBox, IDYES, 1},
      {"close box, no", closeBox, IDNO, 0},
      {"Cancel, yes", cancelButton, IDYES, 1},
      {"Cancel, no", cancelButton, IDNO, 0},
  };
  const std::string question = Take(LoadResourceText(IDS_QUIT_QUESTION));
  const DWORD uiThread = GetCurrentThreadId();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gCancelRequested = 0;
    MessageBoxSeen box;
    BackgroundTask user([&] {
      std::vector<HWND> known = ThreadWindows(uiThread);
      switch (c.how) {
        case closeMessage: PostMessageA(gExtractDialog, WM_CLOSE, 0, 0); break;
        case closeBox: PostMessageA(gExtractDialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case cancelButton: ClickDlgItem(gExtractDialog, IDC_CANCEL); break;
      }
      box = AnswerMessageBox(uiThread, known, c.answer);
    });
    ASSERT_TRUE(user.Join());
    PumpMessages(50);

    EXPECT_TRUE(box.found);
    EXPECT_EQ(box.text, question);
    EXPECT_EQ(box.owner, gExtractDialog);
    EXPECT_EQ(gCancelRequested, c.flag);
    EXPECT_TRUE(IsWindow(gExtractDialog));
    EXPECT_TRUE(IsWindowVisible(gExtractDialog));
  }
  gCancelRequested = 0;
}

TEST_F(ExtractDialogTest, TheAnimationPlays) {
  HWND animation = GetDlgItem(gExtractDialog, IDC_ANIMATION);
  ASSERT_NE(animation, nullptr);
  // The dialog opened and started it; frames follow at ten a second. A busy machine
  // may drop some, so look for a few different pictures within a few seconds.
  std::vector<std::vector<uint8_t>> seen;
  Image first;
  for (int n = 0; n < 60 && seen.size() < 3; ++n) {
    PumpMessages(50);
    Image frame = CaptureWindow(animation);
    ASSERT_GT(frame.width, 0);
    if (first.width == 0) first = frame;
    if (std::find(seen.begin(), seen.end(), frame.rgb) == seen.end()) seen.push_back(frame.rgb);
  }
  EXPECT_GT(first.CountColours(), 2) << "nothing drawn";
  EXPECT_GE(seen.size(), 3u);

  // The resource opens on its own as well.
  EXPECT_NE(SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(gInstance),
                         reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDA_EXTRACT))), 0);
  EXPECT_NE(SendMessageA(animation, ACM_PLAY, WPARAM(-1), MAKELPARAM(0, 0xFFFF)), 0);
}

TEST(RestartDialogTest, StartsOnRestartNowAndOnlyOkEndsIt) {
  struct Case {
    const char* name;
    std::vector<int> clicks;  // radio buttons clicked before OK
    int restartLater;
  };
  const Case cases[] = {
      {"kept", {}, 0},
      {"later", {IDC_RESTART_LATER}, 1},
      {"later, then now", {IDC_RESTART_LATER, IDC_RESTART_NOW}, 0},
  };
  gInstance = GetModuleHandleA(nullptr);
  const DWORD uiThread = GetCurrentThreadId();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gRestartLater = 1 - c.restartLater;
    LRESULT now = -1, later = -1;
    bool survivedClose = false;
    BackgroundTask user([&] {
      HWND dialog = WaitForNewDialog(uiThread, {}, IDC_RESTART_NOW);
      if (dialog == nullptr) return;
      now = SendDlgItemMessageA(dialog, IDC_RESTART_NOW, BM_GETCHECK, 0, 0);
      later = SendDlgItemMessageA(dialog, IDC_RESTART_LATER, BM_GETCHECK, 0, 0);
      // The close box, Alt+F4 and Esc do nothing.
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
      PressKey(GetDlgItem(dialog, IDC_RESTART_NOW), VK_ESCAPE);
      Sleep(300);
      survivedClose = IsWindow(dialog) && IsWindowVisible(dialog);
      for (int id : c.clicks) ClickDlgItem(dialog, id);
      ClickDlgItem(dialog, IDOK);
      if (!WaitForWindowGone(dialog, 3000)) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);  // never leave the test hanging
      }
    });
    INT_PTR result = DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_RESTART), nullptr, RestartDialogProc, 0);
    ASSERT_TRUE(user.Join());

    EXPECT_EQ(now, BST_CHECKED);
    EXPECT_EQ(later, BST_UNCHECKED);
    EXPECT_TRUE(survivedClose);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(gRestartLater, c.restartLater);
  }
}

}  // namespace
