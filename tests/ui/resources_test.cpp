// The dialog templates and pictures in the program's resources, read straight from
// the English and the Japanese variants.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "payload/memory_inflate.h"
#include "resources/resource_ids.h"
#include "text/status.h"
#include "ui/picture.h"
#include "ui/picture_win.h"

namespace {

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

struct Item {
  int id;  // 16-bit, so -1 reads as -1
  DWORD style;
  std::wstring className;  // in capitals
  std::wstring text;
};

struct Dialog {
  bool found = false;
  DWORD style = 0;
  int cx = 0, cy = 0;
  std::wstring caption;
  int pointSize = 0;
  std::wstring typeface;
  std::vector<Item> items;

  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const Item& item : items) ids.push_back(item.id);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  const Item* Find(int id) const {
    for (const Item& item : items) {
      if (item.id == id) return &item;
    }
    return nullptr;
  }
};

// Reads DLGTEMPLATE and DLGTEMPLATEEX.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  Dialog Read() {
    Dialog dialog;
    bool extended = Word(0) == 1 && Word(2) == 0xFFFF;
    WORD count;
    if (extended) {
      at_ = 8;  // dlgVer, signature, helpID
      at_ += 4;  // exStyle
      dialog.style = Dword();
    } else {
      dialog.style = Dword();
      at_ += 4;  // exStyle
    }
    count = Next16();
    at_ += 4;  // x, y
    dialog.cx = int16_t(Next16());
    dialog.cy = int16_t(Next16());
    SizeOrOrdinal();  // menu
    SizeOrOrdinal();  // class
    dialog.caption = SizeOrOrdinal();
    if (dialog.style & DS_SETFONT) {
      dialog.pointSize = Next16();
      if (extended) at_ += 4;  // weight, italic, charset
      dialog.typeface = SizeOrOrdinal();
    }
    for (WORD n = 0; n < count && at_ < size_; ++n) {
      at_ = (at_ + 3) & ~size_t(3);
      Item item;
      if (extended) {
        at_ += 8;  // helpID, exStyle
        item.style = Dword();
      } else {
        item.style = Dword();
        at_ += 4;
      }
      at_ += 8;  // x, y, cx, cy
      item.id = int16_t(extended ? WORD(Dword()) : Next16());
      item.className = ClassName(SizeOrOrdinal());
      item.text = SizeOrOrdinal();
      WORD extra = Next16();
      at_ += extra;
      dialog.items.push_back(item);
    }
    dialog.found = at_ <= size_;
    return dialog;
  }

 private:
  WORD Word(size_t at) const { return at + 2 <= size_ ? WORD(data_[at] | data_[at + 1] << 8) : 0; }
  WORD Next16() {
    WORD value = Word(at_);
    at_ += 2;
    return value;
  }
  DWORD Dword() {
    DWORD low = Next16();
    return low | DWORD(Next16()) << 16;
  }
  std::wstring SizeOrOrdinal() {
    WORD first = Next16();
    if (first == 0) return L"";
    if (first == 0xFFFF) return L"#" + std::to_wstring(Next16());
    std::wstring text(1, wchar_t(first));
    for (WORD c = Next16(); c != 0 && at_ <= size_; c = Next16()) text += wchar_t(c);
    return text;
  }

  // The predefined classes by name, all names in capitals (as the compiler may store them).
  static std::wstring ClassName(std::wstring name) {
    static const wchar_t* const predefined[] = {L"BUTTON", L"EDIT", L"STATIC", L"LISTBOX", L"SCROLLBAR", L"COMBOBOX"};
    for (int atom = 0x80; atom <= 0x85; ++atom) {
      if (name == L"#" + std::to_wstring(atom)) return predefined[atom - 0x80];
    }
    for (wchar_t& ch : name) ch = wchar_t(towupper(ch));
    return name;
  }

  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

const uint8_t* ResourceBytes(LPCSTR type, int id, WORD language, size_t* size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), language);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  *size = SizeofResource(module, found);
  return loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
}

Dialog LoadTemplate(int id, WORD language) {
  size_t size = 0;
  const uint8_t* data = ResourceBytes(RT_DIALOG, id, language, &size);
  if (data == nullptr) return Dialog();
  return TemplateReader(data, size).Read();
}

// Every dialog template of the program with the languages it comes in.
using DialogList = std::vector<std::pair<int, std::vector<WORD>>>;

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

BOOL CALLBACK CollectDialog(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR list) {
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
  std::sort(languages.begin(), languages.end());
  reinterpret_cast<DialogList*>(list)->push_back(
      {IS_INTRESOURCE(name) ? int(reinterpret_cast<uintptr_t>(name)) : -1, languages});
  return TRUE;
}

DialogList DialogLanguages() {
  DialogList dialogs;
  EnumResourceNamesA(GetModuleHandleA(nullptr), RT_DIALOG, CollectDialog, reinterpret_cast<LONG_PTR>(&dialogs));
  return dialogs;
}

struct TemplateCase {
  int id;
  int cx, cy;
  DWORD required;   // style bits the template must have
  DWORD forbidden;  // and must not have
  std::vector<int> controls;
};

const DWORD kPage = WS_CHILD;
const DWORD kNotPage = WS_CAPTION | WS_VISIBLE | WS_POPUP;

const std::vector<TemplateCase>& Templates() {
  static const std::vector<TemplateCase> cases = {
      {IDD_FRAME, 325, 202, WS_POPUP | WS_CAPTION, WS_SYSMENU | WS_VISIBLE, {-1, 1, 9, 12, 901, 1300}},
      {IDD_EXTRACT, 250, 84, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_VISIBLE,
       {9, 2103, 2106, 2107}},
      {IDD_RESTART, 237, 103, WS_POPUP | WS_CAPTION, WS_VISIBLE, {1, 202, 601, 602}},
      {IDD_TEXT_PAGE, 221, 210, kPage, kNotPage, {4}},
      {IDD_AGREEMENT_PAGE, 221, 210, kPage, kNotPage, {4, 230}},
      {IDD_ASSOCIATE_PAGE, 221, 210, kPage, kNotPage, {230, 1026, 1027}},
      {IDD_SETUP_TYPE_PAGE, 221, 210, kPage, kNotPage,
       {230, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031}},
      {IDD_COMPONENT_PAGE, 221, 210, kPage, kNotPage, {-1, 230, 1014, 1015}},
      {IDD_PATH_PAGE, 221, 210, kPage, kNotPage, {-1, 31, 201, 230}},
      {IDD_BROWSE, 212, 205, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_VISIBLE,
       {1, 2, 230, 1001, 14145, 14147}},
      {IDD_PROGRAM_FOLDER_PAGE, 221, 210, kPage, kNotPage, {-1, -1, 202, 401, 501}},
  };
  return cases;
}

TEST(DialogTemplateTest, EveryTemplateInBothLanguagesWithItsControls) {
  for (WORD language : {kEnglish, kJapanese}) {
    for (const TemplateCase& c : Templates()) {
      SCOPED_TRACE("template " + std::to_string(c.id) + " language " + std::to_string(language));
      Dialog dialog = LoadTemplate(c.id, language);
      ASSERT_TRUE(dialog.found);
      EXPECT_EQ(dialog.cx, c.cx);
      EXPECT_EQ(dialog.cy, c.cy);
      EXPECT_EQ(dialog.style & c.required, c.required);
      EXPECT_EQ(dialog.style & c.forbidden, 0u);
      EXPECT_EQ(dialog.pointSize, 8);
      EXPECT_EQ(dialog.typeface, L"MS Sans Serif");
      std::vector<int> expected = c.controls;
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(dialog.Ids(), expected);
    }
  }
}

TEST(DialogTemplateTest, BothLanguagesHaveTheSameTemplatesAndControlIds) {
  DialogList dialogs = DialogLanguages();
  ASSERT_FALSE(dialogs.empty());
  std::vector<int> english;
  for (const auto& dialog : dialogs) {
    EXPECT_EQ(dialog.second, (std::vector<WORD>{kEnglish, kJapanese})) << "template " << dialog.first;
    english.push_back(dialog.first);
  }
  for (int id : english) {
    Dialog en = LoadTemplate(id, kEnglish);
    Dialog ja = LoadTemplate(id, kJapanese);
    EXPECT_EQ(en.Ids(), ja.Ids()) << id;
    EXPECT_EQ(en.style, ja.style) << id;
    for (const Item& item : en.items) {
      const Item* other = ja.Find(item.id);
      ASSERT_NE(other, nullptr);
      EXPECT_EQ(item.className, other->className) << id << " control " << item.id;
      if (item.id != -1) {
        EXPECT_EQ(item.style, other->style) << id << " control " << item.id;
      }
    }
  }
}

TEST(DialogTemplateTest, JapaneseTextsAreTranslated) {
  // The visible texts differ where English has words; numbers, "OK" and the
  // frame's placeholder caption are the same in both.
  for (const TemplateCase& c : Templates()) {
    Dialog en = LoadTemplate(c.id, kEnglish);
    Dialog ja = LoadTemplate(c.id, kJapanese);
    for (const Item& item : en.items) {
      if (item.id == -1 || item.text.empty() || item.text[0] == L'#') continue;
      const Item* other = ja.Find(item.id);
      ASSERT_NE(other, nullptr);
      bool word = std::any_of(item.text.begin(), item.text.end(), [](wchar_t ch) { return iswalpha(ch); });
      if (!word || item.text == L"OK" || item.text == L"C:\\") continue;
      EXPECT_NE(item.text, other->text) << c.id << " control " << item.id;
      EXPECT_TRUE(std::any_of(other->text.begin(), other->text.end(), [](wchar_t ch) { return ch >= 0x3000; }))
          << c.id << " control " << item.id;
    }
  }
}

TEST(DialogTemplateTest, ControlsTheCodeReliesOn) {
  struct Case {
    int dialog, id;
    const wchar_t* className;
    DWORD required, forbidden;
  };
  const Case cases[] = {
      {IDD_FRAME, IDC_PAGE_AREA, L"STATIC", 0, WS_VISIBLE},
      {IDD_FRAME, IDC_NEXT, L"BUTTON", BS_DEFPUSHBUTTON, 0},
      {IDD_FRAME, IDC_SEPARATOR, L"STATIC", SS_BLACKFRAME, 0},
      {IDD_FRAME, -1, L"STATIC", SS_BITMAP, 0},
      {IDD_EXTRACT, IDC_ANIMATION, L"SYSANIMATE32", ACS_CENTER | ACS_TRANSPARENT | WS_VISIBLE, 0},
      {IDD_EXTRACT, IDC_PROGRESS, L"MSCTLS_PROGRESS32", WS_VISIBLE, 0},
      {IDD_RESTART, IDC_RESTART_NOW, L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 0},
      {IDD_RESTART, IDOK, L"BUTTON", BS_DEFPUSHBUTTON, 0},
      {IDD_AGREEMENT_PAGE, IDC_PAGE_TEXT, L"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, 0},
      {IDD_ASSOCIATE_PAGE, IDC_ASSOCIATE_YES, L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, 0},
      {IDD_SETUP_TYPE_PAGE, IDC_TYPE_RADIO0, L"BUTTON", BS_AUTORADIOBUTTON | WS_GROUP, WS_VISIBLE},
      {IDD_SETUP_TYPE_PAGE, IDC_TYPE_RADIO3, L"BUTTON", BS_AUTORADIOBUTTON, WS_VISIBLE | WS_GROUP},
      {IDD_SETUP_TYPE_PAGE, IDC_TYPE_ICON3, L"STATIC", SS_ICON, WS_VISIBLE},
      {IDD_SETUP_TYPE_PAGE, IDC_TYPE_DESCRIPTION0, L"STATIC", 0, WS_VISIBLE},
      {IDD_COMPONENT_PAGE, IDC_COMPONENT_TREE, L"SYSTREEVIEW32", TVS_HASBUTTONS | TVS_LINESATROOT, 0},
      {IDD_PATH_PAGE, IDC_FOLDER_PATH, L"STATIC", SS_LEFTNOWORDWRAP, 0},
      {IDD_BROWSE, IDC_BROWSE_TREE, L"SYSTREEVIEW32",
       TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 0},
      {IDD_BROWSE, IDC_BROWSE_PATH, L"EDIT", ES_AUTOHSCROLL, 0},
      {IDD_PROGRAM_FOLDER_PAGE, IDC_PROGRAM_FOLDER_TEXT, L"STATIC", SS_NOPREFIX, 0},
      {IDD_PROGRAM_FOLDER_PAGE, IDC_EXISTING_FOLDERS, L"LISTBOX", LBS_SORT | LBS_NOTIFY, 0},
  };
  for (WORD language : {kEnglish, kJapanese}) {
    for (const Case& c : cases) {
      Dialog dialog = LoadTemplate(c.dialog, language);
      const Item* item = dialog.Find(c.id);
      ASSERT_NE(item, nullptr) << c.dialog << " control " << c.id;
      EXPECT_EQ(item->className, c.className) << c.dialog << " control " << c.id;
      EXPECT_EQ(item->style & c.required, c.required) << c.dialog << " control " << c.id;
      EXPECT_EQ(item->style & c.forbidden, 0u) << c.dialog << " control " << c.id;
    }
  }
}

// The pictures are packed bitmaps in raw Deflate (ui/picture.h): each unpacks with
// the program's decoder to the size it states, holds the picture of its place, and
// loads as a bitmap of the screen.
TEST(ArtTest, PicturesUnpackToTheirSizesAndColours) {
  struct Case {
    int id;
    int width, height, bits;
    bool keyed;  // drawn on RGB(0, 128, 128), the image lists' transparent colour
  };
  const Case cases[] = {
      {IDB_WIZARD, 139, 270, 4, false},
      {IDB_CHECKS, 4 * 16, 16, 4, true},
      {IDB_COMPONENTS, 58 * 16, 16, 4, true},
  };
  // One language-neutral copy serves both languages.
  const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  gInstance = GetModuleHandleA(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE("picture " + std::to_string(c.id));
    size_t size = 0;
    const uint8_t* data = ResourceBytes("PICTURE", c.id, neutral, &size);
    ASSERT_NE(data, nullptr);
    ASSERT_GT(size, 4u);
    const uint32_t unpacked = uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                              uint32_t(data[3]) << 24;
    ASSERT_LE(unpacked, kLargestPicture);
    std::vector<uint8_t> picture(unpacked);
    ASSERT_EQ(InflateToMemory(data + 4, uint32_t(size - 4), picture.data(), unpacked), statusOk);
    const uint32_t pixels = PicturePixelsOffset(picture.data(), unpacked);
    ASSERT_NE(pixels, 0u);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(picture.data());
    EXPECT_EQ(header->biWidth, c.width);
    EXPECT_EQ(header->biHeight, c.height);
    EXPECT_EQ(header->biBitCount, c.bits);
    // The top-left pixel of the first image: the high nibble of the last row's first byte.
    const auto* palette = reinterpret_cast<const RGBQUAD*>(picture.data() + header->biSize);
    size_t stride = ((size_t(c.width) * c.bits + 31) / 32) * 4;
    const uint8_t* topRow = picture.data() + pixels + stride * size_t(c.height - 1);
    RGBQUAD corner = palette[topRow[0] >> 4];
    EXPECT_EQ(corner.rgbRed == 0 && corner.rgbGreen == 128 && corner.rgbBlue == 128, c.keyed);

    HBITMAP bitmap = LoadPicture(c.id);
    ASSERT_NE(bitmap, nullptr);
    BITMAP shape = {};
    EXPECT_NE(GetObjectA(bitmap, sizeof shape, &shape), 0);
    EXPECT_EQ(shape.bmWidth, c.width);
    EXPECT_EQ(shape.bmHeight, c.height);
    DeleteObject(bitmap);
  }
  EXPECT_EQ(LoadPicture(IDI_SETUP), nullptr);  // an icon, not a picture
}

TEST(ArtTest, IconsAndTheAnimationAreThere) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  for (int id : {IDI_SETUP, IDI_TYPICAL, IDI_COMPACT, IDI_CUSTOM}) {
    EXPECT_NE(LoadIconA(self, MAKEINTRESOURCEA(id)), nullptr) << id;
  }
  size_t size = 0;
  const uint8_t* avi = ResourceBytes("AVI", IDA_EXTRACT, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &size);
  ASSERT_NE(avi, nullptr);
  ASSERT_GT(size, 12u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(avi), 4), "RIFF");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(avi) + 8, 4), "AVI ");
}

}  // namespace
