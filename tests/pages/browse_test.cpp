// The path page and its Browse for Folder dialog, driven as a user drives them, with
// the shell allocator counted so that every tree item's record is seen released.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "page_fixture.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "text/resource_text.h"
#include "text/variables.h"
#include "ui/browse_dialog.h"
#include "ui/pages.h"

namespace {

// The shell's allocator, keeping the blocks the program allocates through it.
class CountingAllocator final : public IMalloc {
 public:
  explicit CountingAllocator(IMalloc* real) : real_(real) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override {
    void* block = real_->Alloc(size);
    if (block != nullptr) blocks_.insert(block);
    return block;
  }
  void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override {
    const bool mine = blocks_.erase(block) != 0;
    void* moved = real_->Realloc(block, size);
    if (moved != nullptr && (mine || block == nullptr)) blocks_.insert(moved);
    return moved;
  }
  void STDMETHODCALLTYPE Free(void* block) override {
    blocks_.erase(block);
    real_->Free(block);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return real_->GetSize(block); }
  int STDMETHODCALLTYPE DidAlloc(void* block) override { return real_->DidAlloc(block); }
  void STDMETHODCALLTYPE HeapMinimize() override { real_->HeapMinimize(); }
  size_t Outstanding() const { return blocks_.size(); }

 private:
  IMalloc* real_;
  std::set<void*> blocks_;
};

const char kVariable[] = "Destination";

class BrowseTest : public PageTest {
 protected:
  void SetUp() override {
    real_ = gShellAllocator;
    counting_ = new CountingAllocator(real_);
    gShellAllocator = counting_;
    uiThread_ = GetCurrentThreadId();
  }
  void TearDown() override {
    EXPECT_EQ(counting_->Outstanding(), 0u) << "blocks of the shell allocator left";
    gShellAllocator = real_;
    delete counting_;
  }
  std::string Variable() {
    char* value = GetVariable(kVariable);
    std::string copy = value != nullptr ? value : "<none>";
    std::free(value);
    return copy;
  }
  // Clicks Browse on the path page and waits for the dialog.
  HWND OpenBrowser(HWND page) {
    const std::vector<HWND> known = ThreadWindows(uiThread_);
    ClickDlgItem(page, IDC_BROWSE);
    HWND dialog = WaitForNewDialog(uiThread_, known, IDC_BROWSE_TREE);
    EXPECT_NE(dialog, nullptr) << "no Browse for Folder dialog";
    if (dialog != nullptr) Settle();
    return dialog;
  }
  void Close(HWND dialog, int button) {
    ClickDlgItem(dialog, button);
    EXPECT_TRUE(WaitForWindowGone(dialog));
  }

  IMalloc* real_ = nullptr;
  CountingAllocator* counting_ = nullptr;
  DWORD uiThread_ = 0;
};

const BrowseItem* Record(HWND tree, HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_HANDLE | TVIF_PARAM;
  data.hItem = item;
  if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&data))) return nullptr;
  return reinterpret_cast<const BrowseItem*>(data.lParam);
}

// The file-system path behind a tree item, "" for an item without one.
std::string ItemPath(HWND tree, HTREEITEM item) {
  const BrowseItem* record = Record(tree, item);
  char path[MAX_PATH] = "";
  if (record == nullptr || !SHGetPathFromIDListA(record->absoluteId, path)) return "";
  return path;
}

int ChildCount(HWND tree, HTREEITEM item) {
  int count = 0;
  for (HTREEITEM child = TreeView_GetChild(tree, item); child != nullptr;
       child = TreeView_GetNextSibling(tree, child)) {
    ++count;
  }
  return count;
}

// Every item of the tree, depth first.
void CollectItems(HWND tree, HTREEITEM first, std::vector<HTREEITEM>* items) {
  for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    items->push_back(item);
    CollectItems(tree, TreeView_GetChild(tree, item), items);
  }
}

HTREEITEM FindItem(HWND tree, bool (*wanted)(const std::string& path)) {
  std::vector<HTREEITEM> items;
  CollectItems(tree, TreeView_GetRoot(tree), &items);
  for (HTREEITEM item : items) {
    if (wanted(ItemPath(tree, item))) return item;
  }
  return nullptr;
}

// A user's click on the item's text.
void ClickItemText(HWND tree, HTREEITEM item) {
  const RECT text = TreeItemTextRect(tree, item);
  ClickAt(tree, {(text.left + text.right) / 2, (text.top + text.bottom) / 2});
}

bool FolderExists(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST_F(BrowseTest, OpensAtTheDeepestExistingFolderAndShowsTheWholePath) {
  ASSERT_TRUE(FolderExists("C:\\Program Files"));
  ASSERT_FALSE(FolderExists("C:\\Program Files\\Quorbex32")) << "left over by another test";
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string system = std::string(windows) + "\\system32";

  struct Case {
    const char* name;
    std::string path;
    std::string selected;  // path of the selected item; "" when the walk reaches none
  };
  const Case cases[] = {
      {"missing last folder", "C:\\Program Files\\Quorbex32", "C:\\Program Files"},
      {"trailing backslash walks the same", "C:\\Program Files\\Quorbex32\\", "C:\\Program Files"},
      {"every folder exists", system, system},
      {"a drive", "C:\\", "C:\\"},
  };
  const std::string prompt = Localized("Setup installs $(ProductName) in the folder below.",
                                       "$(ProductName) を次のフォルダにインストールします。");
  const std::string title = [] {
    char* text = LoadResourceText(IDS_BROWSE_TITLE);
    std::string copy = text;
    std::free(text);
    return copy;
  }();
  bool shot = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(SetVariable(kVariable, c.path.c_str()), 0);
    struct Seen {
      std::string heading, folder, edit, selected, title, folderAfterCancel;
      bool okEnabled = false;
    } seen;
    PageResult result = RunWithUser([&] { return RunPathPage(prompt.c_str(), kVariable); }, [&](HWND page) {
      seen.heading = DlgItemText(page, IDC_HEADING);
      seen.folder = DlgItemText(page, IDC_FOLDER_PATH);
      if (!shot) SaveShot(gMainDialog, "path-page");
      HWND dialog = OpenBrowser(page);
      if (dialog == nullptr) return EndPageBy(pageBack);
      HWND tree = GetDlgItem(dialog, IDC_BROWSE_TREE);
      seen.edit = DlgItemText(dialog, IDC_BROWSE_PATH);
      seen.title = DlgItemText(dialog, IDC_HEADING);
      seen.selected = ItemPath(tree, TreeView_GetSelection(tree));
      seen.okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
      if (!shot) SaveShot(dialog, "browse-dialog");
      shot = true;
      SendDlgItemMessageA(dialog, IDC_BROWSE_PATH, WM_SETTEXT, 0, LPARAM("C:\\Typed but cancelled"));
      Close(dialog, IDCANCEL);
      Settle();
      seen.folderAfterCancel = DlgItemText(page, IDC_FOLDER_PATH);
      EndPageBy(pageNext);
    });
    EXPECT_EQ(result, pageNext);
    EXPECT_EQ(seen.heading, prompt);  // as given
    EXPECT_EQ(seen.folder, c.path);
    EXPECT_EQ(seen.title, title);
    EXPECT_EQ(seen.edit, c.path);  // the whole path, as given
    EXPECT_EQ(seen.selected, c.selected);
    EXPECT_TRUE(seen.okEnabled);
    EXPECT_EQ(seen.folderAfterCancel, c.path);  // Cancel changes nothing
    EXPECT_EQ(Variable(), c.path);
  }
}

TEST_F(BrowseTest, TypedPathIsReturnedExactlyAndKeptOnEveryExit) {
  struct Case {
    const char* name;
    const char* typed;
    PageResult how;
  };
  const Case cases[] = {
      {"a folder that does not exist, then Next", "C:\\Does Not\\Exist", pageNext},
      {"spaces and a trailing backslash, then Back", "  C:\\Program Files\\Some Where\\ ", pageBack},
      {"anything at all, then Cancel", "not a path: *?", pageCancel},
  };
  ASSERT_EQ(SetVariable(kVariable, "C:\\Program Files"), 0);
  std::string stored = "C:\\Program Files";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string shownOnOpening, shownAfterOk;
    PageResult result =
        RunWithUser([&] { return RunPathPage("Choose", kVariable); }, [&](HWND page) {
          shownOnOpening = DlgItemText(page, IDC_FOLDER_PATH);
          HWND dialog = OpenBrowser(page);
          if (dialog == nullptr) return EndPageBy(pageBack);
          SendDlgItemMessageA(dialog, IDC_BROWSE_PATH, WM_SETTEXT, 0, LPARAM(c.typed));
          Close(dialog, IDOK);
          Settle();
          shownAfterOk = DlgItemText(page, IDC_FOLDER_PATH);
          EndPageBy(c.how);
        });
    EXPECT_EQ(result, c.how);
    EXPECT_EQ(shownOnOpening, stored);  // a page shown again shows what its last visit stored
    EXPECT_EQ(shownAfterOk, c.typed);
    EXPECT_EQ(Variable(), c.typed);
    stored = c.typed;
  }
}

TEST_F(BrowseTest, OkFollowsTheFileSystemAndBranchesFillOnce) {
  ASSERT_EQ(SetVariable(kVariable, "C:\\"), 0);
  struct Seen {
    bool foundVirtual = false, okOnVirtual = true, okOnDrive = false;
    std::string editOnVirtual = "<unread>", editOnDrive;
    int firstExpansion = -1, secondExpansion = -2, thirdExpansion = -3;
  } seen;
  PageResult result = RunWithUser([&] { return RunPathPage("Choose", kVariable); }, [&](HWND page) {
    HWND dialog = OpenBrowser(page);
    if (dialog == nullptr) return EndPageBy(pageBack);
    HWND tree = GetDlgItem(dialog, IDC_BROWSE_TREE);
    HWND ok = GetDlgItem(dialog, IDOK);

    // A namespace item without a file-system path, such as the computer's drives.
    HTREEITEM overview = nullptr;
    for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
      if (ItemPath(tree, item).empty()) {
        overview = item;
        break;
      }
    }
    seen.foundVirtual = overview != nullptr;
    if (overview != nullptr) {
      ClickItemText(tree, overview);
      seen.okOnVirtual = IsWindowEnabled(ok) != FALSE;
      seen.editOnVirtual = DlgItemText(dialog, IDC_BROWSE_PATH);
    }
    HTREEITEM drive = FindItem(tree, [](const std::string& path) { return path == "C:\\"; });
    if (drive != nullptr) {
      ClickItemText(tree, drive);
      seen.okOnDrive = IsWindowEnabled(ok) != FALSE;
      seen.editOnDrive = DlgItemText(dialog, IDC_BROWSE_PATH);
      // Open, close and open the branch again with the keys a user presses.
      PressKey(tree, VK_ADD);
      Settle();
      seen.firstExpansion = ChildCount(tree, drive);
      PressKey(tree, VK_SUBTRACT);
      PressKey(tree, VK_ADD);
      Settle();
      seen.secondExpansion = ChildCount(tree, drive);
      // A double click on the text toggles the branch as well.
      const RECT text = TreeItemTextRect(tree, drive);
      const POINT middle = {(text.left + text.right) / 2, (text.top + text.bottom) / 2};
      ClickAt(tree, middle, true);
      ClickAt(tree, middle, true);
      seen.thirdExpansion = ChildCount(tree, drive);
    }
    Close(dialog, IDCANCEL);
    EndPageBy(pageNext);
  });
  EXPECT_EQ(result, pageNext);
  ASSERT_TRUE(seen.foundVirtual);
  EXPECT_FALSE(seen.okOnVirtual);
  EXPECT_EQ(seen.editOnVirtual, "");
  EXPECT_TRUE(seen.okOnDrive);
  EXPECT_EQ(seen.editOnDrive, "C:\\");
  EXPECT_GT(seen.firstExpansion, 0);
  EXPECT_EQ(seen.secondExpansion, seen.firstExpansion);
  EXPECT_EQ(seen.thirdExpansion, seen.firstExpansion);
  EXPECT_EQ(Variable(), "C:\\");
}

}  // namespace
