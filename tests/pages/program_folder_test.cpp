// The program folder page and the list of existing folders, with the shell's Programs
// menu folder pointed at folders the test makes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "ui/pages.h"

namespace {

// One key per process: runs in two languages go side by side.
std::string OverrideKey() {
  return "Software\\Setup Tests\\Programs override " + std::to_string(GetCurrentProcessId());
}
const char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

// Points this process's Programs menu folder at folder. The current user's registry
// is replaced, for this process only, by a key that holds nothing but the shell
// folder values, so tests running beside this one keep the real Programs folder.
class ProgramsFolder {
 public:
  explicit ProgramsFolder(const std::string& folder) {
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, OverrideKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                        nullptr) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot create the override key";
      return;
    }
    for (const char* name : {"User Shell Folders", "Shell Folders"}) {
      const std::string path = std::string(kExplorerKey) + name;
      HKEY folders = nullptr;
      if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &folders, nullptr) ==
          ERROR_SUCCESS) {
        RegSetValueExA(folders, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       DWORD(folder.size() + 1));
        RegCloseKey(folders);
      }
    }
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, root), ERROR_SUCCESS);
    RegCloseKey(root);
  }
  ~ProgramsFolder() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    // From the deepest key up; a key is deleted only once it is empty.
    std::string base = OverrideKey() + "\\";
    RegDeleteKeyA(HKEY_CURRENT_USER, (base + kExplorerKey + "User Shell Folders").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, (base + kExplorerKey + "Shell Folders").c_str());
    std::string key = base + kExplorerKey;
    key.pop_back();
    while (key != "Software") {
      RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
      key.resize(key.rfind('\\'));
    }
  }
};

std::string TestFolder(const char* name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
}

// Deletes the folder and everything in it.
void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveFolder(folder + "\\" + name);
      } else {
        DeleteFileA((folder + "\\" + name).c_str());
      }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

void MakeFolder(const std::string& path) {
  EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << path;
}

void MakeFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
  CloseHandle(file);
}

std::vector<std::string> ListEntries(HWND list) {
  std::vector<std::string> entries;
  const int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[MAX_PATH] = "";
    SendMessageA(list, LB_GETTEXT, WPARAM(i), LPARAM(text));
    entries.push_back(text);
  }
  return entries;
}

std::string SelectedEntry(HWND list) {
  const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return "<none>";
  char text[MAX_PATH] = "";
  SendMessageA(list, LB_GETTEXT, WPARAM(index), LPARAM(text));
  return text;
}

class ProgramFolderTest : public PageTest {
 protected:
  static void SetUpTestSuite() {
    PageTest::SetUpTestSuite();
    filled_ = TestFolder("programs");
    empty_ = TestFolder("programs-empty");
    // Process ids come round again; a folder of an earlier run must not count.
    RemoveFolder(filled_);
    RemoveFolder(empty_);
    MakeFolder(filled_);
    MakeFolder(empty_);
    for (const std::string& name : FolderNames()) MakeFolder(filled_ + "\\" + name);
    MakeFile(filled_ + "\\Uninstall.lnk");  // a file, not a folder
  }
  static void TearDownTestSuite() {
    RemoveFolder(filled_);
    RemoveFolder(empty_);
  }
  // In the order the list sorts them.
  static std::vector<std::string> FolderNames() {
    return {"Accessories", "Games", Localized("Quorbex32 Tools", "Quorbex32 ツール"), "Startup"};
  }
  static std::string filled_;
  static std::string empty_;
};
std::string ProgramFolderTest::filled_;
std::string ProgramFolderTest::empty_;

TEST_F(ProgramFolderTest, ExistingFoldersAreTheFoldersOfTheProgramsMenuFolder) {
  struct Case {
    const char* name;
    std::string programs;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"folders only, without . and ..", filled_, FolderNames()},
      {"an empty Programs folder leaves the list empty", empty_, {}},
      {"a Programs folder that is missing leaves the list as it was", filled_ + "\\Missing", {"earlier"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND list = CreateWindowA("LISTBOX", "", LBS_SORT, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageA(list, LB_ADDSTRING, 0, LPARAM("earlier"));
    {
      ProgramsFolder programs(c.programs);
      FillExistingFolders(list);
    }
    EXPECT_EQ(ListEntries(list), c.entries);
    DestroyWindow(list);
  }
}

TEST_F(ProgramFolderTest, PageSelectsTheMatchingFolderAndTakesClickedOnes) {
  const std::vector<std::string> folders = FolderNames();
  const std::string tools = folders[2];
  std::string lower = tools;
  CharLowerA(&lower[0]);

  struct Visit {
    const char* name;
    std::string given;
    std::string selectedOnOpening;  // "" for anything
    int click;                      // folder whose entry the user clicks, or -1
    const char* typed;              // text the user types over the edit, or null
    PageResult how;
    std::string handedBack;
  };
  const Visit visits[] = {
      {"a default that equals a folder but for case selects it", lower, tools, -1, nullptr, pageNext, lower},
      {"a click copies the entry into the edit", "Quorbex32", "", 1, nullptr, pageNext, "Games"},
      {"typing does not move the list; Back hands the name back", "Accessories", "Accessories", -1,
       "  a\\b:c*?  ", pageBack, "  a\\b:c*?  "},
      {"Cancel hands the clicked name back", "", "", 3, nullptr, pageCancel, "Startup"},
      {"an empty name is handed back as it is", "Games", "Games", -1, "", pageBack, ""},
  };
  ProgramsFolder programs(filled_);
  bool shot = false;
  for (const Visit& v : visits) {
    SCOPED_TRACE(v.name);
    char* name = static_cast<char*>(std::malloc(v.given.size() + 1));
    lstrcpyA(name, v.given.c_str());
    struct Seen {
      std::vector<std::string> entries;
      std::string edit, selectedOnOpening, afterClick, selectedAfterTyping;
      DWORD selectionStart = 1, selectionEnd = 0;
    } seen;
    PageResult result = RunWithUser([&] { return RunProgramFolderPage(&name); }, [&](HWND page) {
      HWND list = GetDlgItem(page, IDC_EXISTING_FOLDERS);
      HWND edit = GetDlgItem(page, IDC_PROGRAM_FOLDER);
      seen.entries = ListEntries(list);
      seen.edit = WindowText(edit);
      seen.selectedOnOpening = SelectedEntry(list);
      if (!shot) SaveShot(gMainDialog, "program-folder-page");
      shot = true;
      if (v.click >= 0) {
        RECT item;
        SendMessageA(list, LB_GETITEMRECT, WPARAM(v.click), LPARAM(&item));
        ClickAt(list, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        seen.afterClick = WindowText(edit);
        SendMessageA(edit, EM_GETSEL, WPARAM(&seen.selectionStart), LPARAM(&seen.selectionEnd));
      }
      if (v.typed != nullptr) {
        const std::string before = SelectedEntry(list);
        SendMessageA(edit, WM_SETTEXT, 0, LPARAM(v.typed));
        Settle();
        seen.selectedAfterTyping = SelectedEntry(list) == before ? "unchanged" : "moved";
      }
      EndPageBy(v.how);
    });
    EXPECT_EQ(result, v.how);
    EXPECT_EQ(seen.entries, folders);
    EXPECT_EQ(seen.edit, v.given);
    if (!v.selectedOnOpening.empty()) {
      EXPECT_EQ(seen.selectedOnOpening, v.selectedOnOpening);
    }
    if (v.click >= 0) {
      EXPECT_EQ(seen.afterClick, folders[size_t(v.click)]);
      EXPECT_EQ(seen.selectionStart, 0u);  // the whole name is selected, so typing replaces it
      EXPECT_EQ(seen.selectionEnd, DWORD(folders[size_t(v.click)].size()));
    }
    if (v.typed != nullptr) {
      EXPECT_EQ(seen.selectedAfterTyping, "unchanged");
    }
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name), v.handedBack);
    std::free(name);
  }
}

}  // namespace
