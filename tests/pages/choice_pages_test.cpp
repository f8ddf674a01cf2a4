// The setup type page and the component page, driven as a user drives them.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/state.h"
#include "page_fixture.h"
#include "resources/resource_ids.h"
#include "support/window_driver.h"
#include "ui/pages.h"

namespace {

class ChoicePagesTest : public PageTest {};

// The setup type page fills its controls on its first call only; a test that changes
// the configuration starts again from no page.
void ForgetPage(HWND* page) {
  if (*page == nullptr) return;
  if (gCurrentPage == *page) gCurrentPage = nullptr;
  DestroyWindow(*page);
  *page = nullptr;
}

struct TypeControls {
  int visibleRadios = 0, visibleDescriptions = 0, visibleIcons = 0;
  std::vector<std::string> names, descriptions;
  bool iconsSet = true;
  int checked = -1;
};

TypeControls ReadTypeControls(HWND page) {
  TypeControls seen;
  for (int k = 0; k < 4; ++k) {
    HWND radio = GetDlgItem(page, IDC_TYPE_RADIO0 + k);
    HWND description = GetDlgItem(page, IDC_TYPE_DESCRIPTION0 + k);
    HWND icon = GetDlgItem(page, IDC_TYPE_ICON0 + k);
    if (IsWindowVisible(radio)) {
      ++seen.visibleRadios;
      seen.names.push_back(WindowText(radio));
    }
    if (IsWindowVisible(description)) {
      ++seen.visibleDescriptions;
      seen.descriptions.push_back(WindowText(description));
    }
    if (IsWindowVisible(icon)) {
      ++seen.visibleIcons;
      ICONINFO info = {};
      HICON shown = reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0));
      if (shown == nullptr || !GetIconInfo(shown, &info)) {
        seen.iconsSet = false;
      } else {
        if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
      }
    }
    if (IsDlgButtonChecked(page, IDC_TYPE_RADIO0 + k) == BST_CHECKED) seen.checked = k;
  }
  return seen;
}

TEST_F(ChoicePagesTest, SetupTypePageShowsTheConfiguredTypesAndWritesTheChoiceBack) {
  struct Visit {
    int type;
    int click;  // the type whose radio the user clicks, or -1
    PageResult how;
    int written;
  };
  struct Case {
    uint32_t count;
    std::vector<Visit> visits;
  };
  const Case cases[] = {
      {2, {{0, 1, pageNext, 1}, {1, -1, pageBack, 1}, {1, 0, pageCancel, 0}}},
      {4, {{0, 3, pageNext, 3}, {3, -1, pageBack, 3}, {2, -1, pageNext, 2}, {3, 1, pageBack, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " types");
    PageConfig config(c.count, 2);
    config.Install();
    ForgetPage(&gSetupTypePage);
    std::vector<std::string> names, descriptions;
    for (uint32_t k = 0; k < c.count; ++k) {
      names.push_back(config.SetupTypeName(int(k)));
      descriptions.push_back(config.SetupTypeDescription(int(k)));
    }
    bool shot = false;
    for (const Visit& v : c.visits) {
      SCOPED_TRACE(testing::Message() << "from type " << v.type << ", clicking " << v.click);
      int type = v.type;
      TypeControls seen;
      PageResult result = RunWithUser([&] { return RunSetupTypePage(&type); }, [&](HWND page) {
        seen = ReadTypeControls(page);
        if (!shot) SaveShot(gMainDialog, "setup-type-page-" + std::to_string(c.count));
        shot = true;
        if (v.click >= 0) {
          ClickDlgItem(page, IDC_TYPE_RADIO0 + v.click);
          Settle();
        }
        EndPageBy(v.how);
      });
      EXPECT_EQ(result, v.how);
      EXPECT_EQ(seen.visibleRadios, int(c.count));
      EXPECT_EQ(seen.visibleDescriptions, int(c.count));
      EXPECT_EQ(seen.visibleIcons, int(c.count));
      EXPECT_TRUE(seen.iconsSet);
      EXPECT_EQ(seen.names, names);
      EXPECT_EQ(seen.descriptions, descriptions);
      EXPECT_EQ(seen.checked, v.type);
      EXPECT_EQ(type, v.written);
    }
  }
}

// The tree's items in order.
std::vector<HTREEITEM> TreeItems(HWND tree) {
  std::vector<HTREEITEM> items;
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    items.push_back(item);
  }
  return items;
}

int StateImage(HWND tree, HTREEITEM item) {
  return int(SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_STATEIMAGEMASK) >> 12);
}

// Where a user clicks on the item's check box or its text, after scrolling to it.
POINT ItemPoint(HWND tree, HTREEITEM item, bool box) {
  const RECT text = TreeItemTextRect(tree, item);
  const int y = (text.top + text.bottom) / 2;
  if (!box) return {(text.left + text.right) / 2, y};
  int first = -1, last = -1;
  for (int x = 0; x < text.left; ++x) {
    TVHITTESTINFO hit = {};
    hit.pt = {x, y};
    SendMessageA(tree, TVM_HITTEST, 0, LPARAM(&hit));
    if (hit.hItem == item && (hit.flags & TVHT_ONITEMSTATEICON) != 0) {
      if (first < 0) first = x;
      last = x;
    }
  }
  EXPECT_GE(first, 0) << "no check box found";
  return {(first + last) / 2, y};
}

TEST_F(ChoicePagesTest, ComponentBoxesToggleTheirBitsAndTextsShowDescriptions) {
  PageConfig config(4, 9);
  config.Install();
  ASSERT_EQ(gSelectionBytes, 2u);  // nine components take two bitmap bytes
  std::vector<uint8_t> selection = {0x05, 0x01};  // components 0, 2 and 8
  gCustomSelection = selection.data();
  ForgetPage(&gComponentPage);

  enum Where { box, text };
  struct Click {
    const char* name;
    int item;
    Where where;
    bool doubleClick;
    std::vector<uint8_t> bits;  // gCustomSelection afterwards
    int selected;               // the selected item afterwards, or -1
  };
  // Each visit: the clicks, then how the page is left.
  struct Visit {
    std::vector<uint8_t> start;  // the boxes ticked when the page opens
    std::vector<Click> clicks;
    PageResult how;
  };
  const Visit visits[] = {
      {{0x05, 0x01},
       // The tree has the focus when the page opens, which selects its first item.
       {{"box of component 8 clears bit 0 of the second byte", 8, box, false, {0x05, 0x00}, 0},
        {"text selects without toggling", 3, text, false, {0x05, 0x00}, 3},
        {"box of component 1 sets it, selection stays", 1, box, false, {0x07, 0x00}, 3},
        {"double click on an empty box leaves it empty", 5, box, true, {0x07, 0x00}, 3},
        {"double click on a ticked box leaves it ticked", 0, box, true, {0x07, 0x00}, 3},
        {"text of another component", 6, text, false, {0x07, 0x00}, 6}},
       pageBack},
      // The tree is filled once: the ticks are still there on the next visit.
      {{0x07, 0x00},
       {{"box of component 8 sets bit 0 of the second byte", 8, box, false, {0x07, 0x01}, 6},
        {"box of component 2 clears it", 2, box, false, {0x03, 0x01}, 6}},
       pageNext},
  };

  for (const Visit& visit : visits) {
    std::vector<int> statesBefore;
    PageResult result = RunWithUser([&] { return RunComponentPage(); }, [&](HWND page) {
      HWND tree = GetDlgItem(page, IDC_COMPONENT_TREE);
      const std::vector<HTREEITEM> items = TreeItems(tree);
      ASSERT_EQ(items.size(), 9u);
      for (int i = 0; i < 9; ++i) {
        TVITEMA item = {};
        char name[256] = "";
        item.mask = TVIF_TEXT | TVIF_PARAM;
        item.hItem = items[i];
        item.pszText = name;
        item.cchTextMax = sizeof name;
        SendMessageA(tree, TVM_GETITEMA, 0, LPARAM(&item));
        EXPECT_EQ(name, config.ComponentName(i));
        EXPECT_EQ(item.lParam, i);
        statesBefore.push_back(StateImage(tree, items[i]));
      }
      if (&visit == &visits[0]) {
        HIMAGELIST states = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_STATE, 0));
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
        EXPECT_EQ(ImageList_GetImageCount(states), 4);
        EXPECT_EQ(ImageList_GetImageCount(images), 58);
        SaveShot(gMainDialog, "component-page");
      }
      for (const Click& click : visit.clicks) {
        SCOPED_TRACE(click.name);
        const std::string descriptionBefore = DlgItemText(page, IDC_COMPONENT_DESCRIPTION);
        ClickAt(tree, ItemPoint(tree, items[size_t(click.item)], click.where == box), click.doubleClick);
        EXPECT_EQ(std::vector<uint8_t>(gCustomSelection, gCustomSelection + 2), click.bits);
        for (int i = 0; i < 9; ++i) {
          const bool on = (click.bits[size_t(i / 8)] >> (i % 8) & 1) != 0;
          EXPECT_EQ(StateImage(tree, items[size_t(i)]), on ? 2 : 1) << "component " << i;
        }
        HTREEITEM selected = TreeView_GetSelection(tree);
        if (click.selected < 0) {
          EXPECT_EQ(selected, nullptr);
        } else {
          EXPECT_EQ(selected, items[size_t(click.selected)]);
        }
        const std::string description = DlgItemText(page, IDC_COMPONENT_DESCRIPTION);
        if (click.where == text) {
          EXPECT_EQ(description, config.ComponentDescription(click.item));
        } else {
          EXPECT_EQ(description, descriptionBefore);
        }
      }
      EndPageBy(visit.how);
    });
    EXPECT_EQ(result, visit.how);
    for (int i = 0; i < 9; ++i) {
      const bool on = (visit.start[size_t(i / 8)] >> (i % 8) & 1) != 0;
      EXPECT_EQ(statesBefore.at(size_t(i)), on ? 2 : 1) << "component " << i << " when the page opened";
    }
  }
}

}  // namespace
