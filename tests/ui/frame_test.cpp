// The wizard frame and its page loop, driven as a user drives it: clicks and keys
// are posted to the frame, the quit question is answered from a second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "text/resource_text.h"
#include "ui/dialogs.h"
#include "ui/frame.h"
#include "ui/placement.h"

namespace {

// The page under test answers msgQueryNext with gAnswer and counts the questions.
LRESULT gAnswer = 1;
int gQueries = 0;
HWND gTestPage = nullptr;
HWND gOtherPage = nullptr;
bool gFrameWasHidden = false;

INT_PTR CALLBACK TestPageProc(HWND page, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == msgQueryNext) {
    ++gQueries;
    SetWindowLongPtrA(page, DWLP_MSGRESULT, gAnswer);
    return TRUE;
  }
  return FALSE;
}

std::string Take(char* text) {
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

class FrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(CreateMainDialog());
    gFrameWasHidden = !IsWindowVisible(gMainDialog);
    PreparePage(&gOtherPage, IDD_TEXT_PAGE, TestPageProc);
    PreparePage(&gTestPage, IDD_ASSOCIATE_PAGE, TestPageProc);
    ShowWindow(gMainDialog, SW_SHOW);
    ShowPage(gTestPage);
    PumpMessages(50);
  }
};

TEST_F(FrameTest, CreatedHiddenWithItsButtonsAndPageArea) {
  EXPECT_TRUE(gFrameWasHidden);
  EXPECT_EQ(GetWindowLongA(gMainDialog, GWL_STYLE) & WS_SYSMENU, 0);  // no close box
  EXPECT_EQ(gBackButton, GetDlgItem(gMainDialog, IDC_BACK));
  EXPECT_EQ(gNextButton, GetDlgItem(gMainDialog, IDC_NEXT));

  RECT area;
  ASSERT_TRUE(GetWindowRect(GetDlgItem(gMainDialog, IDC_PAGE_AREA), &area));
  MapWindowPoints(nullptr, gMainDialog, reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(gPageRect.left, area.left);
  EXPECT_EQ(gPageRect.top, area.top);
  EXPECT_EQ(gPageRect.right, area.right);
  EXPECT_EQ(gPageRect.bottom, area.bottom);
  EXPECT_GT(gPageRect.left, 0);
  EXPECT_GT(gPageRect.right - gPageRect.left, 200);
}

// The picture comes packed in the resources; the frame unpacks it into its bitmap
// static, which keeps its own place rather than growing to the picture.
TEST_F(FrameTest, ShowsTheWizardPictureInItsPlace) {
  HWND picture = nullptr;
  for (HWND c = GetWindow(gMainDialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) picture = c;
  }
  ASSERT_NE(picture, nullptr);
  auto bitmap = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(bitmap, nullptr);
  BITMAP shape = {};
  ASSERT_NE(GetObjectA(bitmap, sizeof shape, &shape), 0);
  EXPECT_EQ(shape.bmWidth, 139);
  EXPECT_EQ(shape.bmHeight, 270);
  RECT place, planned = {0, 0, 93, 166};
  GetClientRect(picture, &place);
  MapDialogRect(gMainDialog, &planned);
  EXPECT_NEAR(place.right, planned.right, 1);
  EXPECT_NEAR(place.bottom, planned.bottom, 1);
}

TEST_F(FrameTest, ShowPageFillsThePageAreaAndHidesThePreviousPage) {
  for (HWND page : {gOtherPage, gTestPage}) {
    HWND previous = gCurrentPage;
    ShowPage(page);
    EXPECT_EQ(gCurrentPage, page);
    EXPECT_TRUE(IsWindowVisible(page));
    if (previous != page) {
      EXPECT_FALSE(IsWindowVisible(previous));
    }
    RECT placed;
    ASSERT_TRUE(GetWindowRect(page, &placed));
    MapWindowPoints(nullptr, gMainDialog, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, gPageRect.left);
    EXPECT_EQ(placed.top, gPageRect.top);
    EXPECT_EQ(placed.right, gPageRect.right);
    EXPECT_EQ(placed.bottom, gPageRect.bottom);
  }
  ShowPage(gTestPage);  // showing the same page again keeps it shown
  EXPECT_TRUE(IsWindowVisible(gTestPage));
}

// What the user does while a page runs.
enum Action { next, back, cancelYes, cancelNo, escape, enter, quit };

struct PageCase {
  const char* name;
  LRESULT answer;  // the page's answer to msgQueryNext
  std::vector<Action> actions;
  int result;
  int queries;
  int questions;  // quit questions asked
};

TEST_F(FrameTest, RunPageEndsOnlyByNextAllowedBackOrConfirmedCancel) {
  const PageCase cases[] = {
      {"next allowed", 1, {next}, pageNext, 1, 0},
      {"next refused, then back", 0, {next, back}, pageBack, 1, 0},
      {"an answer other than 1 refuses", 2, {next, back}, pageBack, 1, 0},
      {"back", 1, {back}, pageBack, 0, 0},
      {"cancel, yes", 1, {cancelYes}, pageCancel, 0, 1},
      {"cancel, no keeps the page", 1, {cancelNo, next}, pageNext, 1, 1},
      {"cancel asked every time", 1, {cancelNo, cancelYes}, pageCancel, 0, 2},
      {"escape does nothing", 1, {escape, back}, pageBack, 0, 0},
      {"enter acts as next", 1, {enter}, pageNext, 1, 0},
      {"enter refused like next", 0, {enter, back}, pageBack, 1, 0},
      {"end of the application", 1, {quit}, pageNone, 0, 0},
  };
  const std::string question = Take(LoadResourceText(IDS_QUIT_QUESTION));
  const std::string confirm = Take(LoadResourceText(IDS_CONFIRM));
  const DWORD uiThread = GetCurrentThreadId();
  HWND focus = GetDlgItem(gTestPage, IDC_ASSOCIATE_YES);

  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    gAnswer = c.answer;
    gQueries = 0;
    ShowPage(gTestPage);
    SetFocus(focus);
    ASSERT_EQ(GetFocus(), focus);

    std::vector<MessageBoxSeen> boxes;
    std::atomic<bool> ended(false);
    BackgroundTask user([&] {
      const std::vector<HWND> before = ThreadWindows(uiThread);
      for (Action action : c.actions) {
        std::vector<HWND> known = ThreadWindows(uiThread);
        switch (action) {
          case next: Click(gNextButton); break;
          case back: Click(gBackButton); break;
          case cancelYes:
          case cancelNo:
            ClickDlgItem(gMainDialog, IDC_CANCEL);
            // The next action waits until the question is answered, as a user does.
            boxes.push_back(AnswerMessageBox(uiThread, known, action == cancelYes ? IDYES : IDNO));
            break;
          case escape: PressKey(focus, VK_ESCAPE); break;
          case enter: PressKey(focus, VK_RETURN); break;
          case quit: PostThreadMessageA(uiThread, WM_QUIT, 0, 0); break;
        }
      }
      // A page that does not end as it should must not hang the test: Back ends it,
      // and a question nobody expected is answered No (and counted).
      for (int wait = 0; wait < 1000 && !ended; ++wait) Sleep(10);
      if (!ended) {
        PostMessageA(gMainDialog, WM_COMMAND, IDC_BACK, 0);
        MessageBoxSeen stray = AnswerMessageBox(uiThread, before, IDNO, 500);
        if (stray.found) boxes.push_back(stray);
      }
    });
    int result = RunPage();
    ended = true;
    ASSERT_TRUE(user.Join());
    PumpMessages(20);  // what the page left behind (a key up)

    EXPECT_EQ(result, c.result);
    EXPECT_EQ(gQueries, c.queries);
    ASSERT_EQ(int(boxes.size()), c.questions);
    for (const MessageBoxSeen& box : boxes) {
      EXPECT_TRUE(box.found);
      EXPECT_EQ(box.text, question);
      EXPECT_EQ(box.caption, confirm);
      EXPECT_EQ(box.owner, gMainDialog);
      EXPECT_TRUE(box.hasYesNo);
    }
    EXPECT_EQ(gCurrentPage, gTestPage);
    EXPECT_TRUE(IsWindowVisible(gTestPage));
  }
}

TEST_F(FrameTest, CenterWindowUsesTheScreenSize) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, 400, 200, nullptr, nullptr,
                                gInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(CenterWindow(window));
  RECT placed;
  ASSERT_TRUE(GetWindowRect(window, &placed));
  WindowPosition expected =
      CenteredPosition(400, 200, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(placed.left, expected.x);
  EXPECT_EQ(placed.top, expected.y);
  EXPECT_EQ(placed.right - placed.left, 400);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  DestroyWindow(window);

  // The frame centres itself when it is created.
  RECT frame;
  ASSERT_TRUE(GetWindowRect(gMainDialog, &frame));
  expected = CenteredPosition(frame.right - frame.left, frame.bottom - frame.top,
                              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(frame.left, expected.x);
  EXPECT_EQ(frame.top, expected.y);
}

}  // namespace
