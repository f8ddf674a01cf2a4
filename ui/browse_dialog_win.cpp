#include "ui/browse_dialog.h"

#include <shellapi.h>

#include <cstdlib>

#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "text/resource_text.h"
#include "ui/browse_path.h"
#include "ui/dialogs.h"
#include "ui/item_ids.h"
#include "ui/utility.h"

namespace {

const BrowseRequest* gBrowseRequest = nullptr;
bool gBrowseAccepted = false;
char* gBrowseResult = nullptr;

constexpr int kNameSize = 256;

HWND BrowseTree(HWND dialog) { return GetDlgItem(dialog, IDC_BROWSE_TREE); }

const BrowseItem* ItemRecord(HWND tree, HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_HANDLE | TVIF_PARAM;
  data.hItem = item;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&data))) return nullptr;
  return reinterpret_cast<const BrowseItem*>(data.lParam);
}

HTREEITEM NextTreeItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, LPARAM(item)));
}

bool IsExpanded(HWND tree, HTREEITEM item) {
  return (SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// The first child, after expanding the item if it is not yet; expanding a branch for
// the first time fills it.
HTREEITEM ExpandedFirstChild(HWND tree, HTREEITEM item) {
  if (!IsExpanded(tree, item)) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
  return NextTreeItem(tree, item, TVGN_CHILD);
}

void SortBrowseChildren(HWND tree, HTREEITEM parent) {
  TVSORTCB sort = {};
  sort.hParent = parent;
  sort.lpfnCompare = CompareBrowseItems;
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, LPARAM(&sort));
}

void FreeBrowseItem(BrowseItem* record) {
  if (record == nullptr) return;
  if (record->folder != nullptr) record->folder->Release();
  FreeItemIds(record->itemId);
  FreeItemIds(record->absoluteId);
  gShellAllocator->Free(record);
}

// The item's name as the shell shows it, in the ANSI code page.
bool ItemDisplayName(IShellFolder* folder, LPCITEMIDLIST item, char* name) {
  STRRET answer = {};
  if (FAILED(folder->GetDisplayNameOf(item, SHGDN_NORMAL, &answer))) return false;
  name[0] = '\0';
  switch (answer.uType) {
    case STRRET_WSTR:
      if (answer.pOleStr == nullptr) return false;
      WideCharToMultiByte(CP_ACP, 0, answer.pOleStr, -1, name, kNameSize, nullptr, nullptr);
      gShellAllocator->Free(answer.pOleStr);
      break;
    case STRRET_OFFSET:
      lstrcpynA(name, reinterpret_cast<const char*>(item) + answer.uOffset, kNameSize);
      break;
    case STRRET_CSTR:
      lstrcpynA(name, answer.cStr, kNameSize);
      break;
    default:
      return false;
  }
  // A name that did not fit is cut.
  name[kNameSize - 1] = '\0';
  return true;
}

int SmallIconIndex(LPCITEMIDLIST absoluteId, UINT more) {
  SHFILEINFOA info = {};
  if (!SHGetFileInfoA(reinterpret_cast<const char*>(absoluteId), 0, &info, sizeof info,
                      SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | more)) {
    return 0;
  }
  return info.iIcon;
}

// Puts one enumerated item under parent if it is a folder. False stops the
// enumeration: out of memory, or an item without a name.
bool AddFolderChild(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentId, HTREEITEM parent,
                    LPCITEMIDLIST child) {
  ULONG attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER;
  if (FAILED(folder->GetAttributesOf(1, &child, &attributes)) || (attributes & SFGAO_FOLDER) == 0) {
    return true;
  }
  BrowseItem* record = static_cast<BrowseItem*>(gShellAllocator->Alloc(sizeof(BrowseItem)));
  if (record == nullptr) return false;
  record->folder = nullptr;
  record->itemId = nullptr;
  record->absoluteId = nullptr;

  char name[kNameSize];
  if (!ItemDisplayName(folder, child, name)) {
    FreeBrowseItem(record);
    return false;
  }
  record->folder = folder;
  folder->AddRef();
  record->itemId = CopyFirstItemId(child);
  record->absoluteId = ConcatItemIds(parentId, child);
  if (record->itemId == nullptr || record->absoluteId == nullptr) {
    FreeBrowseItem(record);
    return false;
  }

  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_FIRST;  // the sort that follows puts the shell's order
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = name;
  insert.item.iImage = SmallIconIndex(record->absoluteId, 0);
  insert.item.iSelectedImage = SmallIconIndex(record->absoluteId, SHGFI_OPENICON);
  insert.item.cChildren = (attributes & SFGAO_HASSUBFOLDER) != 0 ? 1 : 0;
  insert.item.lParam = reinterpret_cast<LPARAM>(record);
  if (SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&insert)) == 0) FreeBrowseItem(record);
  return true;
}

// The branch of the item being expanded, filled on its first expansion only.
void FillBranch(HWND tree, const NMTREEVIEWA* change) {
  if ((change->itemNew.state & TVIS_EXPANDEDONCE) != 0) return;
  const BrowseItem* record = reinterpret_cast<const BrowseItem*>(change->itemNew.lParam);
  if (record != nullptr) {
    IShellFolder* branch = nullptr;
    if (SUCCEEDED(record->folder->BindToObject(record->itemId, nullptr, IID_IShellFolder,
                                               reinterpret_cast<void**>(&branch))) &&
        branch != nullptr) {
      AddFolderChildren(GetParent(tree), branch, record->absoluteId, change->itemNew.hItem);
      branch->Release();
    }
  }
  SortBrowseChildren(tree, change->itemNew.hItem);
}

INT_PTR NotifyFromTree(HWND dialog, const NMHDR* header) {
  if (header->idFrom != IDC_BROWSE_TREE) return FALSE;
  // The ANSI and wide forms keep the fields read here at the same places.
  const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(header);
  switch (header->code) {
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
      FreeBrowseItem(reinterpret_cast<BrowseItem*>(change->itemOld.lParam));
      break;
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
      FillBranch(header->hwndFrom, change);
      break;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      UpdateBrowseSelection(dialog, reinterpret_cast<const BrowseItem*>(change->itemNew.lParam));
      break;
    default:
      break;
  }
  return FALSE;  // never vetoes an expansion
}

void InitBrowseDialog(HWND dialog) {
  CenterWindow(dialog);
  SetDlgItemString(dialog, IDC_HEADING, gBrowseRequest->title);
  FillBrowseRoot(dialog);
  HWND tree = BrowseTree(dialog);
  HTREEITEM first = NextTreeItem(tree, nullptr, TVGN_FIRSTVISIBLE);
  if (first != nullptr) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(first));
    UpdateBrowseSelection(dialog, ItemRecord(tree, first));
  }
  if (gBrowseRequest->callback != nullptr) {
    gBrowseRequest->callback(dialog, browseInitialized, 0, gBrowseRequest->userValue);
  }
}

void AcceptBrowse(HWND dialog) {
  std::free(gBrowseResult);
  // A text that cannot be read is no answer.
  gBrowseResult = GetDlgItemString(dialog, IDC_BROWSE_PATH);
  gBrowseAccepted = gBrowseResult != nullptr;
  EndDialog(dialog, IDOK);
}

}  // namespace

bool BrowseForDestination(HWND owner, char** path) {
  char displayName[MAX_PATH];
  displayName[0] = '\0';
  char* title = LoadResourceText(IDS_BROWSE_TITLE);
  BrowseRequest request = {};
  request.owner = owner;
  request.root = nullptr;
  request.displayName = displayName;
  request.title = title != nullptr ? title : "";
  request.flags = browseFileSystemOnly;
  request.callback = BrowseInitCallback;
  request.userValue = reinterpret_cast<LPARAM>(*path);

  char* chosen = nullptr;
  const bool accepted = BrowseForFolder(&request, &chosen);
  std::free(title);
  if (accepted) {
    std::free(*path);
    *path = chosen;
  }
  return accepted;
}

int CALLBACK BrowseInitCallback(HWND dialog, UINT message, LPARAM, LPARAM userValue) {
  if (message == browseInitialized) SendMessageA(dialog, msgBrowseSetSelection, 1, userValue);
  return 0;
}

bool BrowseForFolder(const BrowseRequest* request, char** path) {
  gBrowseAccepted = false;
  gBrowseResult = nullptr;
  gBrowseRequest = request;
  DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_BROWSE), request->owner, BrowseDialogProc, 0);
  gBrowseRequest = nullptr;

  const bool accepted = gBrowseAccepted;
  if (!accepted) {
    std::free(gBrowseResult);
    gBrowseResult = nullptr;
  }
  *path = gBrowseResult;
  gBrowseResult = nullptr;
  gBrowseAccepted = false;
  return accepted;
}

INT_PTR CALLBACK BrowseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitBrowseDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      // wParam is compared whole: only clicks, Enter and Esc count.
      if (wParam == IDOK) {
        AcceptBrowse(dialog);
      } else if (wParam == IDCANCEL) {
        gBrowseAccepted = false;
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    case msgBrowseSetSelection:
      if (wParam != 0) SelectBrowsePath(dialog, reinterpret_cast<const char*>(lParam));
      return FALSE;
    case WM_NOTIFY:
      return NotifyFromTree(dialog, reinterpret_cast<const NMHDR*>(lParam));
    default:
      return FALSE;
  }
}

void FillBrowseRoot(HWND dialog) {
  HWND tree = BrowseTree(dialog);
  SHFILEINFOA info = {};
  HIMAGELIST icons = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  // The system's image list belongs to the system; the tree never destroys it.
  if (icons != nullptr) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(icons));

  SendMessageA(tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop != nullptr) {
    if (gBrowseRequest == nullptr || gBrowseRequest->root == nullptr) {
      AddFolderChildren(dialog, desktop, nullptr, TVI_ROOT);
    }
    desktop->Release();
  }
  SortBrowseChildren(tree, TVI_ROOT);
}

void AddFolderChildren(HWND dialog, IShellFolder* folder, LPCITEMIDLIST parentId, HTREEITEM parent) {
  IEnumIDList* items = nullptr;
  if (FAILED(folder->EnumObjects(dialog, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items)) ||
      items == nullptr) {
    return;
  }
  HWND tree = BrowseTree(dialog);
  LPITEMIDLIST child = nullptr;
  ULONG fetched = 0;
  while (items->Next(1, &child, &fetched) == S_OK && child != nullptr) {
    const bool more = AddFolderChild(tree, folder, parentId, parent, child);
    FreeItemIds(child);
    child = nullptr;
    if (!more) break;
  }
  items->Release();
}

int CALLBACK CompareBrowseItems(LPARAM first, LPARAM second, LPARAM) {
  const BrowseItem* a = reinterpret_cast<const BrowseItem*>(first);
  const BrowseItem* b = reinterpret_cast<const BrowseItem*>(second);
  if (a == nullptr || b == nullptr) return 0;
  const HRESULT result = a->folder->CompareIDs(0, a->itemId, b->itemId);
  if (FAILED(result)) return 0;
  return ShellCompareOrder(int32_t(result));
}

void UpdateBrowseSelection(HWND dialog, const BrowseItem* record) {
  if (record == nullptr) return;
  const UINT flags = gBrowseRequest != nullptr ? gBrowseRequest->flags : 0;
  ULONG wanted = 0;
  if ((flags & browseFileSystemOnly) != 0) {
    wanted = SFGAO_FILESYSTEM;
  } else if ((flags & browseFileSystemAncestors) != 0) {
    wanted = SFGAO_FILESYSANCESTOR;
  }
  if (wanted != 0) {
    ULONG attributes = wanted;
    LPCITEMIDLIST item = record->itemId;
    const bool allowed =
        SUCCEEDED(record->folder->GetAttributesOf(1, &item, &attributes)) && (attributes & wanted) != 0;
    EnableDlgItem(dialog, IDOK, allowed);
  }
  char path[MAX_PATH];
  if (!SHGetPathFromIDListA(record->absoluteId, path)) path[0] = '\0';
  SetDlgItemString(dialog, IDC_BROWSE_PATH, path);
}

void SelectBrowsePath(HWND dialog, const char* path) {
  HWND tree = BrowseTree(dialog);
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop != nullptr) {
    IShellFolder* current = desktop;
    current->AddRef();
    HTREEITEM reached = nullptr;  // none yet: the next level is looked for at the root

    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) == 0) wide[0] = 0;

    bool walking = true;
    for (WCHAR* component = wide; walking && *component != 0;) {
      const size_t length = PathComponentLength(component);
      // The shell parses one component at a time; cut the text after it for the
      // call and put the character back afterwards.
      const WCHAR kept = component[length];
      component[length] = 0;
      LPITEMIDLIST parsed = nullptr;
      ULONG eaten = 0;
      if (FAILED(current->ParseDisplayName(dialog, nullptr, component, &eaten, &parsed, nullptr))) {
        parsed = nullptr;
      }
      component[length] = kept;
      component += length;

      if (parsed == nullptr) {
        if (reached != nullptr) ExpandedFirstChild(tree, reached);
        continue;
      }
      for (LPCITEMIDLIST level = parsed; walking && ItemIdListSize(level) > 2; level = NextItemId(level)) {
        HTREEITEM sibling = reached != nullptr ? ExpandedFirstChild(tree, reached)
                                               : NextTreeItem(tree, nullptr, TVGN_ROOT);
        LPITEMIDLIST one = CopyFirstItemId(level);
        HTREEITEM match = nullptr;
        for (; one != nullptr && sibling != nullptr && match == nullptr;
             sibling = NextTreeItem(tree, sibling, TVGN_NEXT)) {
          const BrowseItem* record = ItemRecord(tree, sibling);
          if (record == nullptr) continue;
          const HRESULT order = record->folder->CompareIDs(0, record->itemId, one);
          if (SUCCEEDED(order) && (order & 0xFFFF) == 0) match = sibling;
        }
        IShellFolder* next = nullptr;
        if (one == nullptr ||
            FAILED(current->BindToObject(one, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&next))) ||
            next == nullptr) {
          walking = false;
        } else {
          current->Release();
          current = next;
          if (match == nullptr) {
            walking = false;
          } else {
            reached = match;
          }
        }
        FreeItemIds(one);
      }
      FreeItemIds(parsed);
    }

    current->Release();
    if (reached != nullptr) SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(reached));
    desktop->Release();
  }
  SetDlgItemString(dialog, IDC_BROWSE_PATH, path);
}
