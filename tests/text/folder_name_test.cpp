// Names the program folder may take and paths the destination may take, judged before
// anything is made.
#include <gtest/gtest.h>

#include "text/folder_name.h"

namespace {

// Code page 932: 0x81-0x9F and 0xE0-0xFC start a double-byte character.
bool ShiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct NameCase {
  const char* name;
  FolderNameProblem expected;
};

TEST(FolderName, TableOfNames) {
  const NameCase cases[] = {
      {"Quorbex32", folderNameOk},
      {"  Quorbex32  ", folderNameOk},       // spaces around are ignored
      {"Tools & More (x86)", folderNameOk},
      {"a.b", folderNameOk},
      {"CONSOLE", folderNameOk},             // only the exact device names are reserved
      {"COM0", folderNameOk},
      {"LPT10", folderNameOk},
      {"", folderNameEmpty},
      {"   ", folderNameEmpty},
      {"Quorbex|32?", folderNameReservedChar},
      {"a\\b", folderNameReservedChar},
      {"a/b", folderNameReservedChar},
      {"C:", folderNameReservedChar},
      {"a*", folderNameReservedChar},
      {"\"quoted\"", folderNameReservedChar},
      {"<a>", folderNameReservedChar},
      {"tab\there", folderNameReservedChar},
      {"CON", folderNameDeviceName},
      {"con", folderNameDeviceName},
      {" Nul ", folderNameDeviceName},
      {"aux.txt", folderNameDeviceName},
      {"PRN .x", folderNameDeviceName},
      {"com1", folderNameDeviceName},
      {"LPT9", folderNameDeviceName},
      {".", folderNameEndsWithDot},
      {"..", folderNameEndsWithDot},
      {"Quorbex.", folderNameEndsWithDot},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(CheckFolderName(c.name, ShiftJisLead), c.expected) << '"' << c.name << '"';
  }
}

TEST(FolderName, SecondByteOfADoubleByteCharacterIsNotASeparator) {
  // 表 (95 5C) and ソ (83 5C) end in the backslash's byte; ｜ is 81 62.
  EXPECT_EQ(CheckFolderName("\x95\x5C\x8E\xA6", ShiftJisLead), folderNameOk);
  EXPECT_EQ(CheckFolderName("\x83\x5C\x83\x74\x83\x67", ShiftJisLead), folderNameOk);
  EXPECT_EQ(CheckFolderName("\x95\x5C|", ShiftJisLead), folderNameReservedChar);
  // Read byte by byte, the same name has a backslash in it.
  EXPECT_EQ(CheckFolderName("\x95\x5C\x8E\xA6", [](unsigned char) { return false; }),
            folderNameReservedChar);
}

TEST(FolderPath, TableOfPaths) {
  const NameCase cases[] = {
      {"C:\\Program Files\\Quorbex32", folderNameOk},
      {"c:\\Tools\\Archiver\\", folderNameOk},
      {"D:\\", folderNameOk},
      {"C:\\ leading space", folderNameOk},
      {"C:\\\x95\x5C\\Quorbex32", folderNameOk},
      {"", folderNameEmpty},
      {"  ", folderNameEmpty},
      {"C:\\a\\\\b", folderNameEmpty},
      {"C:\\a\\  \\b", folderNameEmpty},
      {"Program Files\\Quorbex32", folderPathNotAbsolute},
      {"\\Quorbex32", folderPathNotAbsolute},
      {"C:Quorbex32", folderPathNotAbsolute},
      {"1:\\Quorbex32", folderPathNotAbsolute},
      {"C:\\Quorbex|32", folderNameReservedChar},
      {"C:\\a:b", folderNameReservedChar},
      {"C:\\a/b", folderNameReservedChar},
      {"C:\\Tools\\CON\\x", folderNameDeviceName},
      {"C:\\Tools\\nul.dir", folderNameDeviceName},
      {"C:\\Tools\\..\\x", folderNameEndsWithDot},
      {"C:\\Tools.\\x", folderNameEndsWithDot},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(CheckFolderPath(c.name, ShiftJisLead), c.expected) << '"' << c.name << '"';
  }
}

}  // namespace
