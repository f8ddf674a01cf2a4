// Pages that refuse Next: a program-folder name that cannot be a folder's, a
// destination on a drive that does not exist or that cannot be a folder, and a custom
// selection of nothing. The user reads why and stays on the page; a good answer then
// goes on.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "config/state.h"
#include "page_fixture.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "text/resource_text.h"
#include "text/variables.h"
#include "ui/pages.h"

namespace {

std::string Message(int entry, const std::string& insert) {
  char* text = FormatResourceMessage(entry, insert.c_str());
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

struct Refusal {
  const char* what;
  std::string input;
  int entry;  // the message that names the problem
};

// Presses Next on the running page and reads the message that refuses it; the page
// must still be the one shown afterwards.
void ExpectRefused(HWND page, const Refusal& r) {
  SCOPED_TRACE(r.what);
  const DWORD uiThread = GetWindowThreadProcessId(gMainDialog, nullptr);
  const std::vector<HWND> known = ThreadWindows(uiThread);
  Click(gNextButton);
  MessageBoxSeen box = AnswerMessageBox(uiThread, known, IDOK);
  ASSERT_TRUE(box.found) << "Next was not refused";
  EXPECT_EQ(box.text, Message(r.entry, r.input));
  EXPECT_EQ(box.caption, WindowText(gMainDialog));
  EXPECT_EQ(box.owner, gMainDialog);
  Settle();
  EXPECT_EQ(gCurrentPage, page);
  EXPECT_TRUE(IsWindowVisible(page));
}

// The pages are made anew by the tests that follow: the program folder page fills
// its list once, from the Programs folder of the moment.
void ForgetPage(HWND* page) {
  if (*page == nullptr) return;
  if (gCurrentPage == *page) gCurrentPage = nullptr;
  DestroyWindow(*page);
  *page = nullptr;
}

class RefusalTest : public PageTest {
 protected:
  void TearDown() override {
    ForgetPage(&gProgramFolderPage);
    ForgetPage(&gComponentPage);
  }
};

TEST_F(RefusalTest, ProgramFolderNameMustBeAFolderName) {
  const Refusal refusals[] = {
      {"reserved characters", "Quorbex|32?", IDS_NAME_RESERVED_CHAR},
      {"a backslash", "Quorbex\\32", IDS_NAME_RESERVED_CHAR},
      {"only spaces", "   ", IDS_NAME_EMPTY},
      {"nothing", "", IDS_NAME_EMPTY},
      {"a device", "CON", IDS_NAME_DEVICE},
      {"a device with an extension", "lpt1.txt", IDS_NAME_DEVICE},
      {"a trailing dot", "Quorbex.", IDS_NAME_ENDS_WITH_DOT},
  };
  const std::string good = Localized("Quorbex32 Tools", "Quorbex32 ツール");
  char* name = static_cast<char*>(std::malloc(16));
  lstrcpyA(name, "Quorbex32");
  HWND focusAfterRefusal = nullptr;
  DWORD selectionStart = 1, selectionEnd = 0;
  PageResult result = RunWithUser([&] { return RunProgramFolderPage(&name); }, [&](HWND page) {
    HWND edit = GetDlgItem(page, IDC_PROGRAM_FOLDER);
    for (const Refusal& r : refusals) {
      SendMessageA(edit, WM_SETTEXT, 0, LPARAM(r.input.c_str()));
      ExpectRefused(page, r);
    }
    SaveShot(gMainDialog, "program-folder-refused");
    // The frame takes the activation back from the closed message box first.
    HWND edit401 = GetDlgItem(page, IDC_PROGRAM_FOLDER);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2000; Sleep(10)) {
      focusAfterRefusal = FocusOf(GetWindowThreadProcessId(gMainDialog, nullptr));
      if (focusAfterRefusal == edit401) break;
    }
    SendMessageA(edit, EM_GETSEL, WPARAM(&selectionStart), LPARAM(&selectionEnd));
    SendMessageA(edit, WM_SETTEXT, 0, LPARAM(good.c_str()));
    EndPageBy(pageNext);
  });
  EXPECT_EQ(result, pageNext);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(name), good);
  std::free(name);
  // The refused name is selected in the edit, ready to be typed over.
  EXPECT_EQ(focusAfterRefusal, GetDlgItem(gProgramFolderPage, IDC_PROGRAM_FOLDER));
  EXPECT_EQ(selectionStart, 0u);
  EXPECT_EQ(selectionEnd, DWORD(lstrlenA("Quorbex.")));
}

TEST_F(RefusalTest, DestinationMustBeAFolderOnADriveThatExists) {
  ASSERT_EQ(GetDriveTypeA("Q:\\"), UINT(DRIVE_NO_ROOT_DIR)) << "the test needs a drive letter that is free";
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const Refusal refusals[] = {
      {"a drive that does not exist", "Q:\\Quorbex32", IDS_NO_SUCH_DRIVE},
      {"reserved characters", "C:\\Program Files\\Quorbex|32", IDS_NAME_RESERVED_CHAR},
      {"a device in the path", "C:\\CON\\Quorbex32", IDS_NAME_DEVICE},
      {"no drive", "Program Files\\Quorbex32", IDS_PATH_NOT_ABSOLUTE},
      {"a file", std::string(windows) + "\\win.ini", IDS_PATH_IS_FILE},
      {"nothing", "", IDS_NAME_EMPTY},
  };
  const char* good = "C:\\Program Files\\Quorbex32";
  ASSERT_EQ(SetVariable("Destination", good), 0);
  PageResult result = RunWithUser([&] { return RunPathPage("Choose", "Destination"); }, [&](HWND page) {
    // The folder as the Browse dialog would leave it.
    for (const Refusal& r : refusals) {
      SendDlgItemMessageA(page, IDC_FOLDER_PATH, WM_SETTEXT, 0, LPARAM(r.input.c_str()));
      ExpectRefused(page, r);
    }
    SaveShot(gMainDialog, "path-page-refused");
    SendDlgItemMessageA(page, IDC_FOLDER_PATH, WM_SETTEXT, 0, LPARAM(good));
    EndPageBy(pageNext);
  });
  EXPECT_EQ(result, pageNext);
  char* stored = GetVariable("Destination");
  EXPECT_STREQ(stored, good);
  std::free(stored);
}

TEST_F(RefusalTest, CustomSelectionOfNothingIsRefused) {
  PageConfig config(3, 2);
  config.Install();
  std::vector<uint8_t> selection = {0x00};
  gCustomSelection = selection.data();
  ForgetPage(&gComponentPage);  // filled from another test's selection
  PageResult result = RunWithUser([&] { return RunComponentPage(); }, [&](HWND page) {
    ExpectRefused(page, {"no component", "", IDS_NO_COMPONENT});
    // The user ticks the second component's box and goes on.
    HWND tree = GetDlgItem(page, IDC_COMPONENT_TREE);
    HTREEITEM second = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
    const RECT text = TreeItemTextRect(tree, second);
    const int y = (text.top + text.bottom) / 2;
    for (int x = 0; x < text.left; ++x) {
      TVHITTESTINFO hit = {};
      hit.pt = {x, y};
      SendMessageA(tree, TVM_HITTEST, 0, LPARAM(&hit));
      if (hit.hItem == second && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
        ClickAt(tree, {x + 4, y});
        break;
      }
    }
    EndPageBy(pageNext);
  });
  EXPECT_EQ(result, pageNext);
  EXPECT_EQ(selection[0], 0x02);
}

}  // namespace
