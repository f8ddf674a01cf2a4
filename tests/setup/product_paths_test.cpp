// The App Paths folder and the Uninstall command derived from the product's paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "setup/product_paths.h"

namespace {

std::string Taken(char* text) {
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

TEST(ProductPaths, FolderOfAPath) {
  struct Case {
    const char* path;
    const char* folder;
  };
  static const Case kCases[] = {
      {"C:\\Program Files\\Q\\quorbex.exe", "C:\\Program Files\\Q"},
      {"C:\\quorbex.exe", "C:"},
      {"C:\\Q\\\\quorbex.exe", "C:\\Q\\"},  // a destination typed with its separator
      {"\\\\server\\share\\Q\\q.exe", "\\\\server\\share\\Q"},
      {"C:\\\x83\x5C\\q.exe", "C:\\\x83\x5C"},  // a folder whose last byte is a trail "\"
  };
  for (const Case& c : kCases) EXPECT_EQ(Taken(FolderOf(c.path)), c.folder) << c.path;
}

TEST(ProductPaths, UninstallCommandNamesTheLogByNameOnlyBesideTheUninstaller) {
  struct Case {
    const char* uninstaller;
    const char* log;
    const char* command;
  };
  static const Case kCases[] = {
      {"C:\\Program Files\\Q\\uninstaller.exe", "C:\\Program Files\\Q\\uninstal.l0g",
       "\"C:\\Program Files\\Q\\uninstaller.exe\" uninstal.l0g"},
      {"C:\\Q\\uninstaller.exe", "C:\\Q\\Logs\\uninstal.l0g",
       "\"C:\\Q\\uninstaller.exe\" \"C:\\Q\\Logs\\uninstal.l0g\""},
      {"C:\\Q\\Bin\\uninstaller.exe", "C:\\Q\\uninstal.l0g",
       "\"C:\\Q\\Bin\\uninstaller.exe\" \"C:\\Q\\uninstal.l0g\""},
      {"C:\\QA\\u.exe", "C:\\QB\\u.l0g", "\"C:\\QA\\u.exe\" \"C:\\QB\\u.l0g\""},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Taken(UninstallCommand(c.uninstaller, c.log)), c.command) << c.log;
  }
}

}  // namespace
