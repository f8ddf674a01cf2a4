// The setup type page: one radio button, description and icon per configured type.
#include "config/config.h"
#include "config/state_win.h"
#include "resources/resource_ids.h"
#include "ui/assert.h"
#include "ui/pages.h"
#include "ui/utility.h"

HWND gSetupTypePage = nullptr;

namespace {

// The controls of the types stay hidden until a type is put into them.
void ShowSetupTypes(HWND page) {
  uint32_t count = ConfigWord(wordSetupTypeCount);
  if (count > kMaxSetupTypes) count = kMaxSetupTypes;
  for (uint32_t k = 0; k < count; ++k) {
    const int radio = IDC_TYPE_RADIO0 + int(k);
    const int description = IDC_TYPE_DESCRIPTION0 + int(k);
    const int icon = IDC_TYPE_ICON0 + int(k);
    SetDlgItemString(page, radio, ConfigString(ConfigWord(wordSetupTypeName + int(k))));
    ShowDlgItem(page, radio);
    SetDlgItemString(page, description, ConfigString(ConfigWord(wordSetupTypeDescription + int(k))));
    ShowDlgItem(page, description);
    // Icons from resources are shared by the system, the ones the template put in
    // included, and two types may show the same one: the replaced icon is not
    // destroyed.
    const WORD iconId = WORD(ConfigWord(wordSetupTypeIcon + int(k)) & 0xFFFF);
    HICON picture = LoadIconA(gInstance, MAKEINTRESOURCEA(iconId));
    SendDlgItemMessageA(page, icon, STM_SETICON, WPARAM(picture), 0);
    ShowDlgItem(page, icon);
  }
}

}  // namespace

PageResult RunSetupTypePage(int* type) {
  const int theType = *type;
  SETUP_ASSERT(theType >= componentsTypical && theType <= componentsPortable, "Main");
  const bool first = gSetupTypePage == nullptr;
  HWND page = PreparePage(&gSetupTypePage, IDD_SETUP_TYPE_PAGE, BrowsePageProc);
  if (first) ShowSetupTypes(page);

  CheckRadioButton(page, IDC_TYPE_RADIO0, IDC_TYPE_RADIO3, IDC_TYPE_RADIO0 + theType);
  PageResult result = RunPageDialog(page);

  int chosen = 3;
  for (int k = 0; k < 3; ++k) {
    if (IsDlgButtonChecked(page, IDC_TYPE_RADIO0 + k) == BST_CHECKED) {
      chosen = k;
      break;
    }
  }
  *type = chosen;
  return result;
}
