// The text, agreement and associate pages, driven as a user drives them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "page_fixture.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "ui/pages.h"

namespace {

class TextPagesTest : public PageTest {};

void PutOnClipboard(const char* text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, lstrlenA(text) + 1);
  if (copy != nullptr) {
    lstrcpyA(static_cast<char*>(GlobalLock(copy)), text);
    GlobalUnlock(copy);
    if (SetClipboardData(CF_TEXT, copy) == nullptr) GlobalFree(copy);
  }
  CloseClipboard();
}

TEST_F(TextPagesTest, TextPageShowsTheTextAsGivenInOneSharedDialog) {
  const std::string welcome = Localized(
      "Welcome to $(ProductName) Setup.\r\n\r\nSetup installs Quorbex32 && its help in $(Destination).",
      "$(ProductName) のセットアップへようこそ。\r\n\r\nQuorbex32 とヘルプを $(Destination) にインストールします。");
  const std::string info = Localized("Read me: 100% of the files & folders.",
                                     "お読みください: ファイルとフォルダの 100% & すべて。");
  struct Case {
    const char* shot;
    const std::string* text;
    PageResult how;
  };
  const Case cases[] = {
      {"text-page-welcome", &welcome, pageNext},
      {"text-page-info", &info, pageBack},
      {nullptr, &welcome, pageCancel},  // going Back shows the first text again
  };
  HWND dialog = nullptr;
  for (const Case& c : cases) {
    SCOPED_TRACE(*c.text);
    std::string shown;
    PageResult result = RunWithUser([&] { return RunTextPage(c.text->c_str()); },
                                    [&](HWND page) {
                                      shown = DlgItemText(page, IDC_PAGE_TEXT);
                                      if (c.shot != nullptr) SaveShot(gMainDialog, c.shot);
                                      EndPageBy(c.how);
                                    });
    EXPECT_EQ(result, c.how);
    EXPECT_EQ(shown, *c.text);  // no $(...) expanded, no & taken as a prefix
    if (dialog == nullptr) dialog = gTextPage;
    EXPECT_EQ(gTextPage, dialog);
  }
}

TEST_F(TextPagesTest, AgreementTextScrollsAndCannotBeEdited) {
  std::string text;
  for (int line = 1; line <= 60; ++line) {
    text += Localized("Clause ", "第 ") + std::to_string(line) +
            Localized(": the terms of $(ProductName).", " 条: $(ProductName) の条項。") + "\r\n";
  }
  struct Seen {
    std::string text;
    bool readOnly = false;
    int firstLineBefore = -1;
    int firstLineAfter = -1;
    std::string afterTyping;
  } seen;
  PageResult result = RunWithUser([&] { return RunAgreementPage(text.c_str()); }, [&](HWND page) {
    HWND edit = GetDlgItem(page, IDC_PAGE_TEXT);
    seen.text = WindowText(edit);
    seen.readOnly = (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) != 0;
    SaveShot(gMainDialog, "agreement-page");
    seen.firstLineBefore = int(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    PostMessageA(edit, WM_VSCROLL, SB_PAGEDOWN, 0);
    Settle();
    seen.firstLineAfter = int(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    // What a user types, deletes or pastes into it.
    PutOnClipboard("pasted");
    PostMessageA(edit, WM_CHAR, 'x', 1);
    PressKey(edit, VK_DELETE);
    PostMessageA(edit, WM_CHAR, VK_BACK, 1);
    PostMessageA(edit, WM_PASTE, 0, 0);
    PostMessageA(edit, WM_CUT, 0, 0);
    Settle();
    seen.afterTyping = WindowText(edit);
    EndPageBy(pageNext);
  });
  EXPECT_EQ(result, pageNext);
  EXPECT_EQ(seen.text, text);
  EXPECT_TRUE(seen.readOnly);
  EXPECT_EQ(seen.firstLineBefore, 0);
  EXPECT_GT(seen.firstLineAfter, 0);
  EXPECT_EQ(seen.afterTyping, text);
}

TEST_F(TextPagesTest, AssociatePagePreselectsFromTheFlagAndWritesItBackOnEveryExit) {
  struct Case {
    const char* name;
    int associate;
    int click;  // radio the user clicks, or 0
    PageResult how;
    bool yesShown;
    int written;
  };
  const Case cases[] = {
      {"yes kept, next", 1, 0, pageNext, true, 1},
      {"no kept, back", 0, 0, pageBack, false, 0},
      {"any nonzero is yes", 7, 0, pageNext, true, 1},
      {"yes changed to no, back", 1, IDC_ASSOCIATE_NO, pageBack, true, 0},
      {"no changed to yes, cancel", 0, IDC_ASSOCIATE_YES, pageCancel, false, 1},
      {"yes changed to no, cancel", 1, IDC_ASSOCIATE_NO, pageCancel, true, 0},
  };
  bool shot = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int associate = c.associate;
    bool yes = false, no = false;
    PageResult result = RunWithUser([&] { return RunAssociatePage(&associate); }, [&](HWND page) {
      yes = IsDlgButtonChecked(page, IDC_ASSOCIATE_YES) == BST_CHECKED;
      no = IsDlgButtonChecked(page, IDC_ASSOCIATE_NO) == BST_CHECKED;
      if (!shot) SaveShot(gMainDialog, "associate-page");
      shot = true;
      if (c.click != 0) {
        ClickDlgItem(page, c.click);
        Settle();
      }
      EndPageBy(c.how);
    });
    EXPECT_EQ(result, c.how);
    EXPECT_EQ(yes, c.yesShown);
    EXPECT_EQ(no, !c.yesShown);
    EXPECT_EQ(associate, c.written);
  }
}

}  // namespace
