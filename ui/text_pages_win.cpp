// The text, agreement and associate pages: they show what they are given and ask
// nothing while they run.
#include <cstdlib>

#include "config/product_data.h"
#include "config/state.h"
#include "resources/resource_ids.h"
#include "text/resource_text.h"
#include "ui/pages.h"
#include "ui/utility.h"

HWND gTextPage = nullptr;
HWND gAgreementPage = nullptr;
HWND gAssociatePage = nullptr;

INT_PTR CALLBACK PageDialogProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case msgQueryNext:
      return AllowNext(page);
    case WM_NEXTDLGCTL:
      // Tab in the agreement text asks the page for the next control; the frame
      // knows them all, its buttons included, so the question goes on to it.
      SendMessageA(GetParent(page), WM_NEXTDLGCTL, wParam, lParam);
      SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

PageResult RunTextPage(const char* text) {
  HWND page = PreparePage(&gTextPage, IDD_TEXT_PAGE, PageDialogProc);
  SetDlgItemString(page, IDC_PAGE_TEXT, text);
  return RunPageDialog(page);
}

PageResult RunAgreementPage(const char* text) {
  HWND page = PreparePage(&gAgreementPage, IDD_AGREEMENT_PAGE, PageDialogProc);
  SetDlgItemString(page, IDC_PAGE_TEXT, text);
  return RunPageDialog(page);
}

// The template's question names the sample's file types; a product that brings its
// own is asked about by its name.
void NameTheProduct(HWND page) {
  if (gProductData == nullptr) return;
  char* text = FormatResourceMessage(
      ProductFileTypeCount() != 0 ? IDS_ASSOCIATE_TYPES : IDS_ASSOCIATE_SOUNDS, gProductName);
  if (text != nullptr) SetDlgItemString(page, IDC_HEADING, text);
  std::free(text);
}

PageResult RunAssociatePage(int* associate) {
  const bool first = gAssociatePage == nullptr;
  HWND page = PreparePage(&gAssociatePage, IDD_ASSOCIATE_PAGE, PageDialogProc);
  if (first && page != nullptr) NameTheProduct(page);
  CheckRadioButton(page, IDC_ASSOCIATE_YES, IDC_ASSOCIATE_NO,
                   *associate != 0 ? IDC_ASSOCIATE_YES : IDC_ASSOCIATE_NO);
  PageResult result = RunPageDialog(page);
  *associate = IsDlgButtonChecked(page, IDC_ASSOCIATE_YES) == BST_CHECKED ? 1 : 0;
  return result;
}
