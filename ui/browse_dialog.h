// The program's own Browse for Folder dialog. Its tree shows the shell namespace from
// the desktop down and fills each branch when it is first expanded; the edit above it
// holds the chosen path, which the user may type over.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

// Called once with browseInitialized when the dialog is ready.
typedef int(CALLBACK* BrowseCallback)(HWND dialog, UINT message, LPARAM lParam, LPARAM userValue);

enum : UINT {
  browseFileSystemOnly = 0x1,       // OK only on folders of the file system
  browseFileSystemAncestors = 0x8,  // OK only on ancestors of such folders
};

constexpr UINT browseInitialized = 1;
// Selects the folder at a path (wParam nonzero, lParam the path); a message that
// carries an item ID list (wParam 0) is ignored.
constexpr UINT msgBrowseSetSelection = WM_USER + 102;

struct BrowseRequest {
  HWND owner;
  LPCITEMIDLIST root;  // none: the tree starts at the desktop; otherwise it stays empty
  char* displayName;   // MAX_PATH characters of the caller's; not written
  const char* title;   // shown above the edit
  UINT flags;          // browseFileSystemOnly, browseFileSystemAncestors
  BrowseCallback callback;
  LPARAM userValue;    // passed to the callback
  int image;           // not used
};

// What stands behind each tree item, from gShellAllocator; freed when the tree
// deletes the item.
struct BrowseItem {
  IShellFolder* folder;      // contains the item; one reference held
  LPITEMIDLIST itemId;       // one level, relative to folder
  LPITEMIDLIST absoluteId;   // from the desktop
};

// Runs the dialog for owner starting at *path. When the user accepts, *path (a heap
// string the caller owns) is replaced by the accepted path and the result is true;
// otherwise *path stays as it was.
bool BrowseForDestination(HWND owner, char** path);
// Selects the path given as userValue once the dialog is ready.
int CALLBACK BrowseInitCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM userValue);

// Runs the dialog modally. True when the user accepted; *path is then the edit's text
// as a new heap string the caller frees, and none otherwise.
bool BrowseForFolder(const BrowseRequest* request, char** path);
INT_PTR CALLBACK BrowseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Empties the tree and puts the desktop's folders at its root.
void FillBrowseRoot(HWND dialog);
// Adds folder's subfolders under parent (parentId is parent's absolute ID list, none
// for the desktop).
void AddFolderChildren(HWND dialog, IShellFolder* folder, LPCITEMIDLIST parentId, HTREEITEM parent);
// Sort comparison of two BrowseItems in the order of their folder.
int CALLBACK CompareBrowseItems(LPARAM first, LPARAM second, LPARAM unused);
// Enables OK as the request's flags say and shows the record's path in the edit.
void UpdateBrowseSelection(HWND dialog, const BrowseItem* record);
// Expands the tree along path and selects the deepest folder reached; the edit then
// shows path as given.
void SelectBrowsePath(HWND dialog, const char* path);
