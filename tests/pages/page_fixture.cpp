#include "page_fixture.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "support/screenshot.h"
#include "support/window_driver.h"
#include "text/variables.h"
#include "ui/dialogs.h"

std::string ToAnsi(const char* utf8) {
  WCHAR wide[4096];
  char ansi[8192];
  if (MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 4096) == 0) return "";
  if (WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr) == 0) return "";
  return ansi;
}

std::string Localized(const char* english, const char* japanese) {
  return ToAnsi(LanguageTag() == "ja" ? japanese : english);
}

namespace {

struct Named {
  const char* english;
  const char* japanese;
};

const Named kSetupTypes[4][2] = {
    {{"Typical", "標準"}, {"The program with its help.", "プログラムとヘルプ。"}},
    {{"Compact", "最小"}, {"The program only.", "プログラムのみ。"}},
    {{"Custom", "カスタム"}, {"Choose the components yourself.", "コンポーネントを選びます。"}},
    {{"Portable", "携帯用"}, {"Everything in one folder.", "すべてを一つのフォルダに。"}},
};

const Named kComponents[9][2] = {
    {{"Program", "プログラム"}, {"The archive program itself.", "アーカイブ プログラム本体。"}},
    {{"Help", "ヘルプ"}, {"The help file.", "ヘルプ ファイル。"}},
    {{"Shell extension", "シェル拡張"}, {"Menu entries in Explorer.", "エクスプローラのメニュー。"}},
    {{"Sounds", "サウンド"}, {"Sounds of the program events.", "イベントのサウンド。"}},
    {{"Skins", "スキン"}, {"Other looks of the main window.", "メイン ウィンドウの外観。"}},
    {{"Tools", "ツール"}, {"Command-line tools.", "コマンドライン ツール。"}},
    {{"Samples", "サンプル"}, {"Sample archives.", "サンプルのアーカイブ。"}},
    {{"Languages", "言語"}, {"Other user-interface languages.", "他の表示言語。"}},
    {{"Source", "ソース"}, {"The plug-in interface.", "プラグインのインターフェイス。"}},
};

constexpr uint32_t kTypeIcons[4] = {IDI_TYPICAL, IDI_COMPACT, IDI_CUSTOM, IDI_CUSTOM};

}  // namespace

// Strings: 0 empty, 1 + 2k / 2 + 2k setup type k's name and description, 9 + 2i /
// 10 + 2i component i's name and description.
PageConfig::PageConfig(uint32_t setupTypes, uint32_t components) {
  list.assign(9 + 2 * 9, "");
  for (int k = 0; k < 4; ++k) {
    list[1 + 2 * k] = Localized(kSetupTypes[k][0].english, kSetupTypes[k][0].japanese);
    list[2 + 2 * k] = Localized(kSetupTypes[k][1].english, kSetupTypes[k][1].japanese);
  }
  for (int i = 0; i < 9; ++i) {
    list[9 + 2 * i] = Localized(kComponents[i][0].english, kComponents[i][0].japanese);
    list[10 + 2 * i] = Localized(kComponents[i][1].english, kComponents[i][1].japanese);
  }
  strings = MakeConfigStrings(list);

  const uint32_t table = kHeaderSize;
  const uint32_t bitmaps = table + kComponentRecordSize * components;
  ConfigImage c(bitmaps + 4 * 2);
  c.Word(wordComponentCount, components);
  c.Word(wordComponentTable, table);
  c.Word(wordSetupTypeCount, setupTypes);
  c.Word(wordCustomSetupType, 2);
  for (uint32_t k = 0; k < 4; ++k) {
    c.Word(wordSetupTypeIcon + int(k), kTypeIcons[k]);
    c.Word(wordSetupTypeBitmap + int(k), bitmaps + 2 * k);
    c.Word(wordSetupTypeName + int(k), 1 + 2 * k);
    c.Word(wordSetupTypeDescription + int(k), 2 + 2 * k);
  }
  for (uint32_t i = 0; i < components; ++i) {
    c.Put(table + kComponentRecordSize * i + componentName, 9 + 2 * i);
    c.Put(table + kComponentRecordSize * i + componentDescription, 10 + 2 * i);
    c.Put(table + kComponentRecordSize * i + componentImage, i * 5);  // spread over the strip
  }
  config = c.bytes;
}

void PageConfig::Install() {
  gConfig = config.data();
  gConfigSize = config.size();
  gStrings = strings.data();
  gStringsSize = strings.size();
  gSelectionBytes = SelectionBytesFor(ConfigWord(wordComponentCount));
}

namespace {

// A window of the test's thread that only answers markers. A marker posted to it is
// handled after every message posted to the thread before it, whichever loop runs.
const UINT kMarker = WM_APP + 77;
HWND gMarkerWindow = nullptr;
HANDLE gMarkerSeen = nullptr;

LRESULT CALLBACK MarkerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMarker) {
    SetEvent(gMarkerSeen);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void CreateMarkerWindow() {
  WNDCLASSA type = {};
  type.lpfnWndProc = MarkerProc;
  type.hInstance = GetModuleHandleA(nullptr);
  type.lpszClassName = "PageTestMarker";
  RegisterClassA(&type);
  gMarkerWindow = CreateWindowA("PageTestMarker", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                                nullptr);
  gMarkerSeen = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

}  // namespace

void PageTest::SetUpTestSuite() {
  if (gMainDialog != nullptr) return;
  gInstance = GetModuleHandleA(nullptr);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&gShellAllocator)));
  ASSERT_EQ(CreateVariableTable(), 0);
  CreateMarkerWindow();
  ASSERT_NE(gMarkerWindow, nullptr);
  ASSERT_TRUE(CreateMainDialog());
  SetWindowTextA(gMainDialog, Localized("Quorbex32 Setup", "Quorbex32 セットアップ").c_str());
  ShowWindow(gMainDialog, SW_SHOW);
  PumpMessages(50);
}

void Settle() {
  ResetEvent(gMarkerSeen);
  if (!PostMessageA(gMarkerWindow, kMarker, 0, 0) || WaitForSingleObject(gMarkerSeen, 10000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the test's thread did not get to its messages";
  }
}

PageResult RunWithUser(const std::function<PageResult()>& page,
                       const std::function<void(HWND page)>& user) {
  // The page is known to be running once the page it shows is visible and its thread
  // answers; the page shown before is hidden so that it cannot be taken for it.
  if (gCurrentPage != nullptr) ShowWindow(gCurrentPage, SW_HIDE);
  BackgroundTask person([&] {
    HWND shown = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(5)) {
      HWND current = gCurrentPage;
      if (current != nullptr && IsWindowVisible(current)) {
        shown = current;
        break;
      }
    }
    if (shown == nullptr) {
      ADD_FAILURE() << "no page was shown";
      EndPageBy(pageBack);
      return;
    }
    Settle();
    user(shown);
  });
  return page();
}

void EndPageBy(PageResult how) {
  const DWORD uiThread = GetWindowThreadProcessId(gMainDialog, nullptr);
  switch (how) {
    case pageNext:
      Click(gNextButton);
      break;
    case pageBack:
      Click(gBackButton);
      break;
    case pageCancel: {
      const std::vector<HWND> known = ThreadWindows(uiThread);
      ClickDlgItem(gMainDialog, IDC_CANCEL);
      EXPECT_TRUE(AnswerMessageBox(uiThread, known, IDYES).found);
      break;
    }
    default:
      ADD_FAILURE() << "no way to end a page with " << how;
  }
}

void SaveShot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Settle();
  EXPECT_TRUE(WaitUntilPainted(window)) << name;
  EXPECT_NE(SaveScreenshot(window, name + "-" + LanguageTag()), "") << name;
}

void ClickAt(HWND window, POINT point, bool doubleClick) {
  const LPARAM at = MAKELPARAM(point.x, point.y);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(window, WM_LBUTTONUP, 0, at);
  if (doubleClick) {
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
  }
  Settle();
}

RECT TreeItemTextRect(HWND tree, HTREEITEM item) {
  SendMessageA(tree, TVM_ENSUREVISIBLE, 0, LPARAM(item));
  // The message takes the item in the rectangle it fills.
  RECT text = {};
  std::memcpy(&text, &item, sizeof item);
  if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, LPARAM(&text))) ADD_FAILURE() << "item not shown";
  return text;
}
