// The frame and the pages laid out from their templates in several dialog font
// sizes, measured from the windows' own rectangles: the picture inside its place
// above the separator, the button row inside the client area with the same margins
// in both languages, the setup-type descriptions level with their buttons, and the
// destination cut with an ellipsis before the Browse button.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"
#include "ui/dialogs.h"
#include "ui/frame.h"

namespace {

// Point sizes of the dialog font: the templates' own and one smaller and one larger,
// which change the dialog base units the way another system font does.
const WORD kPointSizes[] = {8, 6, 11};

// A dialog template of the program's resources (in the thread's language) with its
// font's point size replaced.
class Template {
 public:
  Template(int id, WORD pointSize) {
    HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = found != nullptr ? LoadResource(gInstance, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return;
    const DWORD size = SizeofResource(gInstance, found);
    words_.resize((size + 1) / 2 + 2);  // WORD-aligned; the vector's storage is aligned further
    std::memcpy(words_.data(), bytes, size);
    // DLGTEMPLATE: style, extended style, count, x, y, cx, cy; then menu, class and
    // caption, then the font's point size.
    const DWORD style = words_[0] | DWORD(words_[1]) << 16;
    if (words_[0] == 1 && words_[1] == 0xFFFF) return;  // an extended template
    if ((style & DS_SETFONT) == 0) return;
    size_t at = 9;
    for (int field = 0; field < 2; ++field) {  // menu, class: none, ordinal or string
      if (words_[at] == 0) {
        at += 1;
      } else if (words_[at] == 0xFFFF) {
        at += 2;
      } else {
        while (words_[at++] != 0) {
        }
      }
    }
    while (words_[at++] != 0) {  // caption
    }
    words_[at] = pointSize;
    ok_ = true;
  }
  bool ok() const { return ok_; }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  std::vector<WORD> words_;
  bool ok_ = false;
};

INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A rectangle in dialog units, in pixels of the dialog's font.
RECT Units(HWND dialog, int left, int top, int right, int bottom) {
  RECT r = {left, top, right, bottom};
  MapDialogRect(dialog, &r);
  return r;
}

RECT ControlRect(HWND dialog, int id) {
  RECT r = {};
  HWND control = GetDlgItem(dialog, id);
  EXPECT_NE(control, nullptr) << "control " << id;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The picture is the frame's only control without an id of its own.
HWND Picture(HWND frame) {
  for (HWND c = GetWindow(frame, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return c;
  }
  return nullptr;
}

std::string Shot(const std::string& what, WORD size) {
  return "layout-" + what + "-" + std::to_string(size) + "pt." + LanguageTag();
}

class LayoutTest : public ::testing::TestWithParam<WORD> {
 protected:
  void SetUp() override {
    gInstance = GetModuleHandleA(nullptr);
    InitControlClassesForLayout();
    Template frame(IDD_FRAME, GetParam());
    ASSERT_TRUE(frame.ok());
    frame_ = CreateDialogIndirectParamA(gInstance, frame.get(), nullptr, MainDialogProc, 0);
    ASSERT_NE(frame_, nullptr);
    area_ = ControlRect(frame_, IDC_PAGE_AREA);
  }
  void TearDown() override {
    if (frame_ != nullptr) DestroyWindow(frame_);
  }
  static void InitControlClassesForLayout();

  HWND Page(int id) {
    Template page(id, GetParam());
    EXPECT_TRUE(page.ok());
    HWND made = CreateDialogIndirectParamA(gInstance, page.get(), frame_, PlainPageProc, 0);
    EXPECT_NE(made, nullptr);
    MoveWindow(made, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, FALSE);
    return made;
  }

  void ShowAndShoot(HWND page, const std::string& what) {
    SetWindowTextA(frame_, "Quorbex32");
    // Shown without taking the activation from the tests running beside this one.
    ShowWindow(page, SW_SHOWNOACTIVATE);
    ShowWindow(frame_, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(WaitUntilPainted(frame_));
    EXPECT_FALSE(SaveScreenshot(frame_, Shot(what, GetParam())).empty());
    ShowWindow(frame_, SW_HIDE);
  }

  HWND frame_ = nullptr;
  RECT area_ = {};
};

void LayoutTest::InitControlClassesForLayout() {
  static bool done = false;
  if (!done) done = InitControlClasses();
}

TEST_P(LayoutTest, PictureStaysInItsPlaceAboveTheSeparator) {
  HWND picture = Picture(frame_);
  ASSERT_NE(picture, nullptr);
  // Centred and clipped in its own rectangle, never grown to the bitmap's size.
  EXPECT_NE(GetWindowLongA(picture, GWL_STYLE) & SS_CENTERIMAGE, 0);
  RECT placed;
  GetWindowRect(picture, &placed);
  MapWindowPoints(nullptr, frame_, reinterpret_cast<POINT*>(&placed), 2);
  const RECT planned = Units(frame_, 3, 7, 3 + 93, 7 + 166);
  // The dialog manager rounds position and size apart: a pixel either way.
  EXPECT_NEAR(placed.top, planned.top, 1);
  EXPECT_NEAR(placed.bottom, planned.bottom, 1);
  EXPECT_NEAR(placed.right, planned.right, 1);

  const RECT separator = ControlRect(frame_, IDC_SEPARATOR);
  EXPECT_LE(placed.bottom, separator.top);
  EXPECT_LE(placed.right, area_.left);
  EXPECT_GE(placed.top, 0);
}

TEST_P(LayoutTest, ButtonRowKeepsItsMarginsInsideTheClientArea) {
  RECT client;
  GetClientRect(frame_, &client);
  const RECT separator = ControlRect(frame_, IDC_SEPARATOR);
  // The same margins in dialog units in every language: 4 between the separator and
  // the buttons, 3 below them.
  const RECT gap = Units(frame_, 0, 0, 0, 4);
  const RECT bottom = Units(frame_, 0, 0, 0, 3);
  for (int id : {IDC_BACK, IDC_NEXT, IDC_CANCEL}) {
    SCOPED_TRACE(id);
    const RECT button = ControlRect(frame_, id);
    EXPECT_GE(button.top, separator.bottom);
    EXPECT_NEAR(button.top - separator.bottom, gap.bottom, 1);
    EXPECT_LE(button.bottom, client.bottom);
    EXPECT_NEAR(client.bottom - button.bottom, bottom.bottom, 1);
    EXPECT_LE(button.right, client.right);
  }
  EXPECT_LE(separator.bottom, ControlRect(frame_, IDC_BACK).top);
}

TEST_P(LayoutTest, SetupTypeDescriptionsAreLevelWithTheirButtons) {
  HWND page = Page(IDD_SETUP_TYPE_PAGE);
  ASSERT_NE(page, nullptr);
  RECT pageClient;
  GetClientRect(page, &pageClient);
  const char* const names[] = {"Typical", "Compact", "Custom", "Portable"};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const RECT radio = ControlRect(page, IDC_TYPE_RADIO0 + k);
    const RECT text = ControlRect(page, IDC_TYPE_DESCRIPTION0 + k);
    // The first line starts where the button's label starts, give or take the
    // label's centring in its button.
    EXPECT_GE(text.top, radio.top);
    EXPECT_LE(text.top, radio.top + (radio.bottom - radio.top) / 2);
    EXPECT_GT(text.left, radio.right);
    EXPECT_LE(text.right, pageClient.right);
    if (k + 1 < 4) {
      EXPECT_LE(text.bottom, ControlRect(page, IDC_TYPE_RADIO0 + k + 1).top);
    }
    SetDlgItemTextA(page, IDC_TYPE_RADIO0 + k, names[k]);
    SetDlgItemTextA(page, IDC_TYPE_DESCRIPTION0 + k, "One line of description.");
    for (int id : {IDC_TYPE_RADIO0 + k, IDC_TYPE_DESCRIPTION0 + k, IDC_TYPE_ICON0 + k}) {
      ShowWindow(GetDlgItem(page, id), SW_SHOW);
    }
  }
  ShowAndShoot(page, "setup-type");
}

TEST_P(LayoutTest, LongDestinationEndsInAnEllipsisBeforeBrowse) {
  HWND page = Page(IDD_PATH_PAGE);
  ASSERT_NE(page, nullptr);
  HWND folder = GetDlgItem(page, IDC_FOLDER_PATH);
  ASSERT_NE(folder, nullptr);
  EXPECT_NE(GetWindowLongA(folder, GWL_STYLE) & SS_PATHELLIPSIS, 0);
  const RECT text = ControlRect(page, IDC_FOLDER_PATH);
  const RECT browse = ControlRect(page, IDC_BROWSE);
  EXPECT_LE(text.right, browse.left);

  const char* path = "C:\\Program Files\\Some Vendor With A Long Name\\Quorbex32 Archive Tools\\Version 3";
  SetWindowTextA(folder, path);
  // What the control draws: the text cut to its width with the ellipsis in the path.
  HDC dc = GetDC(folder);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(folder, WM_GETFONT, 0, 0)));
  char shown[512];
  lstrcpynA(shown, path, sizeof shown);
  RECT bounds = {0, 0, text.right - text.left, text.bottom - text.top};
  DrawTextA(dc, shown, -1, &bounds, DT_LEFT | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT | DT_NOPREFIX);
  SIZE full = {};
  GetTextExtentPoint32A(dc, path, lstrlenA(path), &full);
  SelectObject(dc, old);
  ReleaseDC(folder, dc);
  EXPECT_GT(full.cx, text.right - text.left) << "the sample path must be too long to fit";
  EXPECT_NE(std::string(shown).find("..."), std::string::npos) << shown;
  EXPECT_NE(std::string(shown).find("Version 3"), std::string::npos) << "the folder's own name stays: " << shown;
  ShowAndShoot(page, "destination");
}

INSTANTIATE_TEST_SUITE_P(FontSizes, LayoutTest, ::testing::ValuesIn(kPointSizes),
                         [](const ::testing::TestParamInfo<WORD>& info) {
                           return std::to_string(info.param) + "pt";
                         });

}  // namespace
