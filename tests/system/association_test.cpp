// File associations and sound events under Wine. SETUP_EXPECT_LANG=ja runs the same
// program under a Japanese locale, where display names and event labels change.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/registry_values_win.h"
#include "system/associations.h"
#include "system/recorded_log.h"
#include "system/registry.h"
#include "text/variables.h"

namespace {

const char kDestination[] = "C:\\Program Files\\Quorbex Assoc Test";

bool ExpectJapanese() {
  const char* lang = std::getenv("SETUP_EXPECT_LANG");
  return lang != nullptr && std::string(lang) == "ja";
}

// The same value as the registry holds it, in UTF-16: shows that the code page 932
// bytes were taken as the characters meant.
std::wstring ReadWide(HKEY root, const std::string& subkey) {
  HKEY key;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  WCHAR buffer[512];
  DWORD size = sizeof buffer;
  LONG result = RegQueryValueExW(key, L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return L"<missing>";
  return std::wstring(buffer, size / sizeof(WCHAR) > 0 ? size / sizeof(WCHAR) - 1 : 0);
}

// Keys that could not be written, as the install phase would name them.
std::vector<std::string> gFailedKeys;

void NoteFailure(void*, const char* root, const char* key) {
  gFailedKeys.push_back(std::string(root) + key);
}

void RegisterAll() {
  gFailedKeys.clear();
  RegisterFileTypes(RegistrationFailures{NoteFailure, nullptr});
  EXPECT_TRUE(gFailedKeys.empty()) << gFailedKeys.front();
}

class AssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The Japanese run must really run under a Japanese thread locale.
    ASSERT_EQ((GetThreadLocale() & 0x3FF) == 0x11, ExpectJapanese());
    ASSERT_EQ(CreateVariableTable(), 0);
    SetVariable("Destination", kDestination);
  }
  void TearDown() override {
    gLogActive = 0;
    ClearRecordedLog();
    DestroyVariableTableForTest();
  }
};

TEST_F(AssociationTest, EachKeyWrittenIsLoggedWithItsTypeRightAfterTheExtension) {
  ResetUninstallLog();
  gLogActive = 1;
  RegisterAll();

  std::vector<Recorded> entries = RecordedEntries();
  ASSERT_EQ(entries.size(), 2u * 18 + 5);
  const char* const pairs[][2] = {{".arj", "quorbex.arj"}, {".tgz", "quorbex.tgz"}, {".zoo", "quorbex.zoo"}};
  for (const auto& pair : pairs) {
    size_t k = 0;
    while (k < 36 && entries[k].first != pair[0]) k += 2;
    ASSERT_LT(k, 36u) << pair[0];
    EXPECT_EQ(entries[k], (Recorded{5, pair[0], ""}));
    EXPECT_EQ(entries[k + 1], (Recorded{5, pair[1], ""}));
  }
  EXPECT_EQ(entries[36], (Recorded{6, "AppEvents\\EventLabels\\TORVQBOperationCompleteFail", ""}));
  EXPECT_EQ(entries[40],
            (Recorded{6, "AppEvents\\Schemes\\Apps\\TORVQuorbex32\\TORVQBOperationCompleteSuccess", ""}));
}

TEST_F(AssociationTest, EveryArchiveExtensionOpensWithTheInstalledProgram) {
  // Another archiver owns ".zoo"; ".zip" has a value of its own and "quorbex.zip" a verb.
  ASSERT_EQ(WriteRegistryString(HKEY_CLASSES_ROOT, ".zoo", "", "OtherArchiver.zoo"), 0);
  ASSERT_EQ(WriteRegistryString(HKEY_CLASSES_ROOT, "OtherArchiver.zoo\\shell\\open\\command", "",
                                "other.exe %1"),
            0);
  ASSERT_EQ(WriteRegistryString(HKEY_CLASSES_ROOT, ".zip", "Content Type", "application/zip"), 0);
  ASSERT_EQ(WriteRegistryString(HKEY_CLASSES_ROOT, "quorbex.zip\\shell\\print\\command", "",
                                "print.exe %1"),
            0);

  RegisterAll();

  struct Row {
    const char* extension;
    const char* progId;
    const char* kind;  // the display name without " Archive"
    const char* icon;
  };
  const Row rows[] = {
      {".arj", "quorbex.arj", "Arj", "-13"},
      {".boo", "quorbex.boo", "Btoa", "-117"},
      {".frz", "quorbex.frz", "Freeze", "-20"},
      {".gz", "quorbex.gz", "Gnu Zip", "-7"},
      {".hqx", "quorbex.hqx", "BinHex", "-11"},
      {".lzh", "quorbex.lzh", "LHarc", "-12"},
      {".mme", "quorbex.mme", "Mime", "-17"},
      {".msc", "quorbex.msc", "MS Compress", "-120"},
      {".pak", "quorbex.pak", "Quake Pack", "-118"},
      {".rar", "quorbex.rar", "Rar", "-121"},
      {".sit", "quorbex.sit", "StuffIt", "-5"},
      {".tar", "quorbex.tar", "Tar", "-8"},
      {".tgz", "quorbex.tgz", "Gnu Zip", "-7"},
      {".uue", "quorbex.uue", "UUEncode", "-10"},
      {".xxe", "quorbex.xxe", "XXEncode", "-154"},
      {".z", "quorbex.z", "Compress", "-9"},
      {".zip", "quorbex.zip", "Zip", "-3"},
      {".zoo", "quorbex.zoo", "Zoo", "-19"},
  };
  const std::string program = std::string(kDestination) + "\\quorbex.exe";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.extension);
    const std::string id = row.progId;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, row.extension), id);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id),
              std::string(row.kind) + (ExpectJapanese() ? " \xB1\xB0\xB6\xB2\xCC\xDE" : " Archive"));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id + "\\DefaultIcon"), program + "," + row.icon);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id + "\\shell\\open\\command"),
              "C:\\Program Files\\Quorbex Assoc Test\\quorbex.exe \"%1\"");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id + "\\shell\\open\\ddeexec"), "[open(\"%1\")]");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id + "\\shell\\open\\ddeexec\\Application"),
              "QUORBEX");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, id + "\\shell\\open\\ddeexec\\topic"), "system");
  }
  EXPECT_EQ(ReadWide(HKEY_CLASSES_ROOT, "quorbex.arj"),
            ExpectJapanese() ? L"Arj \uFF71\uFF70\uFF76\uFF72\uFF8C\uFF9E" : L"Arj Archive");

  // What was there before stays, unreferenced or beside the new entries.
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "OtherArchiver.zoo\\shell\\open\\command"),
            "other.exe %1");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, ".zip", "Content Type"), "application/zip");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, "quorbex.zip\\shell\\print\\command"), "print.exe %1");
}

TEST_F(AssociationTest, SoundEventsInTheThreadLanguage) {
  RegisterAll();

  struct Event {
    const char* key;
    const char* english;
    const char* japanese;  // code page 932
    const wchar_t* stored;  // what the registry holds in the Japanese run
  };
  const Event events[] = {
      {"AppEvents\\EventLabels\\TORVQBOperationCompleteFail", "Complete Fail",
       "\x8E\xB8\x94\x73", L"\u5931\u6557"},
      {"AppEvents\\EventLabels\\TORVQBOperationCompleteSuccess", "Complete Success",
       "\x90\xAC\x8C\xF7", L"\u6210\u529F"},
      {"AppEvents\\Schemes\\Apps\\TORVQuorbex32", "Quorbex32 Ovalis", "Quorbex32 Ovalis",
       L"Quorbex32 Ovalis"},
      {"AppEvents\\Schemes\\Apps\\TORVQuorbex32\\TORVQBOperationCompleteFail", "", "", L""},
      {"AppEvents\\Schemes\\Apps\\TORVQuorbex32\\TORVQBOperationCompleteSuccess", "", "", L""},
  };
  for (const Event& e : events) {
    SCOPED_TRACE(e.key);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, e.key), ExpectJapanese() ? e.japanese : e.english);
    if (ExpectJapanese()) {
      EXPECT_TRUE(ReadWide(HKEY_CURRENT_USER, e.key) == e.stored);
    }
  }
}

// The icon location gets 2000 characters; a destination too long for them leaves the
// key unwritten rather than naming a cut path.
TEST_F(AssociationTest, DefaultIconFitsItsBufferOrIsNotWritten) {
  struct Case {
    const char* key;
    size_t destinationLength;
    bool written;
  };
  // "<destination>\quorbex.exe,-154" is the destination plus 17 characters and its NUL.
  const Case cases[] = {
      {"IconTest.fits\\DefaultIcon", 1982, true},
      {"IconTest.toolong\\DefaultIcon", 1983, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    const std::string destination = "C:\\" + std::string(c.destinationLength - 3, 'd');
    SetVariable("Destination", destination.c_str());
    EXPECT_EQ(WriteDefaultIcon(c.key, "$(Destination)\\quorbex.exe", -154) == ERROR_SUCCESS,
              c.written);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, c.key),
              c.written ? destination + "\\quorbex.exe,-154" : "<missing>");
  }
}

}  // namespace
