// The component page: a tree of the components whose state images are check boxes.
// The boxes edit gCustomSelection directly.
#include <windows.h>
#include <commctrl.h>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "ui/component_bits.h"
#include "ui/pages.h"
#include "ui/picture_win.h"
#include "ui/utility.h"

HWND gComponentPage = nullptr;

namespace {

// State images of picture IDB_CHECKS.
enum CheckImage {
  checkNone = 0,
  checkEmpty = 1,
  checkTicked = 2,
  checkPartial = 3,  // drawn, but no component uses it
};

constexpr COLORREF kTransparent = RGB(0, 128, 128);
constexpr int kImageSize = 16;

WNDPROC gTreeDefaultProc = nullptr;

// A 16x16 image list holding the strip of pictureId; none when it cannot be made.
HIMAGELIST LoadImageStrip(int pictureId, int growth) {
  HIMAGELIST list = ImageList_Create(kImageSize, kImageSize, ILC_COLORDDB | ILC_MASK, 3, growth);
  if (list == nullptr) return nullptr;
  HBITMAP strip = LoadPicture(pictureId);
  if (strip != nullptr) {
    ImageList_AddMasked(list, strip, kTransparent);
    DeleteObject(strip);
  }
  return list;
}

void FillComponentTree(HWND tree) {
  const uint32_t count = ConfigWord(wordComponentCount);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = ConfigRecord(wordComponentTable, kComponentRecordSize, i);
    const int image = int(RecordField(record, componentImage));
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
    // The control copies the text; it never writes to it.
    insert.item.pszText = const_cast<char*>(ConfigString(RecordField(record, componentName)));
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    insert.item.state =
        INDEXTOSTATEIMAGEMASK(IsComponentSelected(gCustomSelection, i) ? checkTicked : checkEmpty);
    insert.item.lParam = LPARAM(i);
    SendMessageA(tree, TVM_INSERTITEMA, 0, LPARAM(&insert));
  }
}

void InitComponentPage(HWND page) {
  HWND tree = GetDlgItem(page, IDC_COMPONENT_TREE);
  gTreeDefaultProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComponentTreeProc)));
  // The page lives until the process ends, and so do its image lists.
  HIMAGELIST states = LoadImageStrip(IDB_CHECKS, 1);
  HIMAGELIST images = LoadImageStrip(IDB_COMPONENTS, 10);
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_STATE, LPARAM(states));
  FillComponentTree(tree);
}

void ShowComponentDescription(HWND page, LPARAM component) {
  const uint8_t* record = ConfigRecord(wordComponentTable, kComponentRecordSize, uint32_t(component));
  SetDlgItemString(page, IDC_COMPONENT_DESCRIPTION, ConfigString(RecordField(record, componentDescription)));
}

// Flips the component's box and its bit.
void ToggleComponent(HWND tree, HTREEITEM item) {
  TVITEMA state = {};
  state.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
  state.hItem = item;
  state.stateMask = TVIS_STATEIMAGEMASK;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&state))) return;
  const uint32_t component = uint32_t(state.lParam);
  if (component >= ConfigWord(wordComponentCount)) return;

  const bool ticked = (state.state & TVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(checkTicked);
  SetComponentSelected(gCustomSelection, component, !ticked);
  state.mask = TVIF_HANDLE | TVIF_STATE;
  state.stateMask = TVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(ticked ? checkEmpty : checkTicked);
  SendMessageA(tree, TVM_SETITEMA, 0, LPARAM(&state));
}

}  // namespace

LRESULT CALLBACK ComponentTreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
    TVHITTESTINFO hit = {};
    hit.pt.x = short(LOWORD(lParam));
    hit.pt.y = short(HIWORD(lParam));
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, LPARAM(&hit)));
    if (item != nullptr && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
      // A click on a box only toggles it: the item is not selected and the
      // description stays.
      ToggleComponent(tree, item);
      return 0;
    }
  }
  return CallWindowProcA(gTreeDefaultProc, tree, message, wParam, lParam);
}

INT_PTR CALLBACK ComponentPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitComponentPage(page);
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_COMPONENT_TREE) return FALSE;
      if (header->code != TVN_SELCHANGEDA && header->code != TVN_SELCHANGEDW) return FALSE;
      // Both forms keep the item's data at the same place.
      const NMTREEVIEWA* change = reinterpret_cast<const NMTREEVIEWA*>(lParam);
      if (change->itemNew.hItem != nullptr) ShowComponentDescription(page, change->itemNew.lParam);
      return TRUE;
    }
    case msgQueryNext:
      // An installation of nothing is refused here rather than ended as a success.
      if (!AnyComponentSelected(gCustomSelection, ConfigWord(wordComponentCount))) {
        return RefuseNext(page, IDS_NO_COMPONENT, nullptr);
      }
      return AllowNext(page);
    default:
      return FALSE;
  }
}

PageResult RunComponentPage() {
  HWND page = PreparePage(&gComponentPage, IDD_COMPONENT_PAGE, ComponentPageProc);
  return RunPageDialog(page);
}
