// What the page tests share: the frame and the setup state a page needs, a small
// configuration, and a user who acts on a running page from a second thread while
// the page's function runs its loop on the test's thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "support/config_fixture.h"
#include "ui/frame.h"

// Text of the current language, in the ANSI code page: Japanese under a Japanese
// locale, English otherwise. Both are given in UTF-8.
std::string Localized(const char* english, const char* japanese);
std::string ToAnsi(const char* utf8);

// A configuration of count setup types and componentCount components, with names and
// descriptions in the current language. The setup type page and the component page
// read nothing else.
struct PageConfig {
  std::vector<uint8_t> config;
  std::vector<uint8_t> strings;
  std::vector<std::string> list;  // the strings, by number

  PageConfig(uint32_t setupTypes, uint32_t components);
  void Install();  // points gConfig, gStrings and gSelectionBytes at this
  const std::string& SetupTypeName(int k) const { return list[1 + 2 * size_t(k)]; }
  const std::string& SetupTypeDescription(int k) const { return list[2 + 2 * size_t(k)]; }
  const std::string& ComponentName(int i) const { return list[9 + 2 * size_t(i)]; }
  const std::string& ComponentDescription(int i) const { return list[10 + 2 * size_t(i)]; }
};

// COM, the shell allocator, the variable table and the frame, shown.
class PageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
};

// Runs page on this thread while user acts on it from a second thread. user gets the
// page once it is shown and its loop runs, and must end it (EndPageBy).
PageResult RunWithUser(const std::function<PageResult()>& page,
                       const std::function<void(HWND page)>& user);

// How the user leaves a page: Next, Back, or Cancel answered Yes.
void EndPageBy(PageResult how);

// Waits until the test's thread, which owns every window, has handled everything sent
// or posted to it before.
void Settle();

// The window as a PNG named <name>-<language> in the test output folder.
void SaveShot(HWND window, const std::string& name);

// The rectangle of a tree item's text, after scrolling the tree to it.
RECT TreeItemTextRect(HWND tree, HTREEITEM item);

// A user's click at a point of a window's client area, posted as the mouse sends it.
void ClickAt(HWND window, POINT point, bool doubleClick = false);
