// Registry entries of the installation under Wine. The prefix lives for one test run,
// so each test uses names of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/state.h"
#include "recorded_log.h"
#include "support/config_fixture.h"
#include "support/registry_values_win.h"
#include "system/registry.h"
#include "text/strings.h"

namespace {

const std::string kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool KeyExists(HKEY root, const std::string& subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

using RegistryTest = RecordingTest;

TEST_F(RegistryTest, ProductKeyKeepsItsTrailingBackslashInTheLog) {
  char* productKey = ConcatStrings("Software\\", "Ovalis Test", "\\", "Product Key", "\\", nullptr);
  gProductKey = productKey;

  EXPECT_EQ(CreateProductKey(), 0);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Ovalis Test\\Product Key"));
  EXPECT_EQ(RecordedEntries(),
            (std::vector<Recorded>{{6, "Software\\Ovalis Test\\Product Key\\", ""}}));

  gProductKey = nullptr;
  std::free(productKey);
}

// Two installations in a row: the second overwrites every value and logs the keys again,
// and the folder it registered is what a later setup proposes.
TEST_F(RegistryTest, AppPathAndUninstallEntryAreOverwrittenByASecondInstallation) {
  gMainProgramFile = "entries-test.exe";
  gProductName = "Entries Test";
  const std::string appKey = kAppPaths + "\\entries-test.exe";
  const std::string uninstallKey = kUninstall + "\\Entries Test";
  struct Run {
    const char* folder;
    const char* program;
    const char* displayName;
    const char* command;
  };
  const Run runs[] = {
      {"C:\\Program Files\\Entries Test", "C:\\Program Files\\Entries Test\\entries-test.exe",
       "Entries Test", "\"C:\\Program Files\\Entries Test\\uninstaller.exe\" uninstal.l0g"},
      {"D:\\Tools\\Entries", "D:\\Tools\\Entries\\entries-test.exe", "Entries Renamed",
       "\"D:\\Tools\\Entries\\uninstaller.exe\" uninstal.l0g"},
  };
  for (const Run& run : runs) {
    EXPECT_EQ(RegisterAppPath(run.program, run.folder), 1);
    EXPECT_EQ(RegisterUninstall(run.displayName, run.command), 1);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, "Path"), run.folder);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, ""), run.program);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "DisplayName"), run.displayName);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, uninstallKey, "UninstallString"), run.command);

    char* proposed = nullptr;
    EXPECT_EQ(ReadAppPathValue(&proposed), 0);
    EXPECT_STREQ(proposed, run.folder);
    std::free(proposed);
  }
  const Recorded appEntry{7, appKey, ""};
  const Recorded uninstallEntry{7, uninstallKey, ""};
  EXPECT_EQ(RecordedEntries(),
            (std::vector<Recorded>{appEntry, uninstallEntry, appEntry, uninstallEntry}));
}

// The version and publisher of the product description, in the current language's
// strings; a configuration that names neither leaves them out.
TEST_F(RegistryTest, UninstallEntryCarriesVersionAndPublisherWhenConfigured) {
  gProductName = "Details Test";
  const std::string key = kUninstall + "\\Details Test";
  ConfigImage config = ShippedConfig();
  std::vector<std::string> texts(14, "");
  texts[12] = "3.2.0.1";
  texts[13] = "Ovalis Software";
  std::vector<uint8_t> strings = MakeConfigStrings(texts);
  gConfig = config.bytes.data();
  gConfigSize = config.bytes.size();
  gStrings = strings.data();
  gStringsSize = strings.size();

  EXPECT_EQ(RegisterUninstall("Details Test", "u.exe"), 1);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "DisplayVersion"), "<missing>");
  config.Word(wordDisplayVersion, 12);
  config.Word(wordPublisher, 13);
  EXPECT_EQ(RegisterUninstall("Details Test", "u.exe"), 1);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "DisplayVersion"), "3.2.0.1");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, key, "Publisher"), texts[13]);
  EXPECT_EQ(RecordedEntries(), (std::vector<Recorded>{{7, key, ""}, {7, key, ""}}));
  gConfig = nullptr;
  gStrings = nullptr;
}

// What an earlier installation may have left in the App Paths key.
TEST_F(RegistryTest, ReadAppPathValueTakesOnlyAStringPath) {
  enum Left {
    leftNothing, leftKeyOnly, leftPath, leftPathWithoutNul, leftEmptyPath, leftNumber,
    leftExpandable
  };
  struct Case {
    const char* programFile;
    Left left;
    int status;
    const char* value;  // null: none
  };
  const Case cases[] = {
      {"read-none.exe", leftNothing, 2, nullptr},
      {"read-keyonly.exe", leftKeyOnly, 2, nullptr},
      {"read-path.exe", leftPath, 0, "C:\\Earlier Place"},
      {"read-nonul.exe", leftPathWithoutNul, 0, "C:\\Earlier Place"},
      {"read-empty.exe", leftEmptyPath, 0, ""},
      {"read-number.exe", leftNumber, 2, nullptr},
      {"read-expand.exe", leftExpandable, 0, "C:\\Earlier Place\\Quorbex32"},
  };
  SetEnvironmentVariableA("SETUP_TEST_EARLIER", "C:\\Earlier Place");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programFile);
    const std::string key = kAppPaths + "\\" + c.programFile;
    if (c.left != leftNothing) {
      HKEY k;
      ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &k, nullptr),
                ERROR_SUCCESS);
      const char path[] = "C:\\Earlier Place";
      const DWORD number = 7;
      LONG set = ERROR_SUCCESS;
      switch (c.left) {
        case leftKeyOnly:
          set = RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("x.exe"), 6);
          break;
        case leftPath:
          set = RegSetValueExA(k, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                               sizeof path);
          break;
        case leftPathWithoutNul:
          set = RegSetValueExA(k, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                               sizeof path - 1);
          break;
        case leftEmptyPath:
          set = RegSetValueExA(k, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
          break;
        case leftExpandable: {
          const char expandable[] = "%SETUP_TEST_EARLIER%\\Quorbex32";
          set = RegSetValueExA(k, "Path", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(expandable), sizeof expandable);
          break;
        }
        case leftNumber:
          set = RegSetValueExA(k, "Path", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                               sizeof number);
          break;
        case leftNothing:
          break;
      }
      RegCloseKey(k);
      ASSERT_EQ(set, ERROR_SUCCESS);
    }
    gMainProgramFile = c.programFile;
    char* value = reinterpret_cast<char*>(1);
    EXPECT_EQ(ReadAppPathValue(&value), c.status);
    if (c.value == nullptr) {
      EXPECT_EQ(value, nullptr);
    } else {
      EXPECT_STREQ(value, c.value);
    }
    std::free(value);
  }
  EXPECT_TRUE(RecordedEntries().empty());
}

TEST_F(RegistryTest, WriteRegistryStringSetsTheNamedOrTheDefaultValue) {
  const std::string key = "Software\\Ovalis Test\\Writer";
  struct Case {
    const char* valueName;
    const char* text;
  };
  // The later writes overwrite the earlier ones, each leaving the other value alone.
  const Case cases[] = {
      {"", "default one"}, {"Named", "named one"}, {"", "default two"}, {"Named", ""},
  };
  std::string expectedDefault = "<missing>";
  std::string expectedNamed = "<missing>";
  for (const Case& c : cases) {
    EXPECT_EQ(WriteRegistryString(HKEY_CURRENT_USER, key.c_str(), c.valueName, c.text), 0);
    (*c.valueName == '\0' ? expectedDefault : expectedNamed) = c.text;
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, ""), expectedDefault) << c.text;
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, key, "Named"), expectedNamed) << c.text;
  }
  // An error comes back as the registry's code; nothing is logged either way.
  EXPECT_NE(WriteRegistryString(reinterpret_cast<HKEY>(uintptr_t(0x1234)), "X", "", "y"), 0);
  EXPECT_TRUE(RecordedEntries().empty());
}

}  // namespace
