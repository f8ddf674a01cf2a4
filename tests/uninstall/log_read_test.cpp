// Reading the uninstall log back: an intact log as the installation writes it, and a
// table of damaged ones, each refused with its damage and the entry at fault.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/state.h"
#include "system/uninstall_log.h"
#include "system/uninstall_log_read.h"
#include "uninstall/log_image.h"

namespace {

const ProtectedFolders kFolders = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};

std::vector<ImageEntry> GoodEntries() {
  return {
      {6, "Software\\Ovalis\\Quorbex32\\", ""},
      {1, "C:\\Menu\\Quorbex32", ""},
      {4, "C:\\Program Files\\Quorbex32", ""},
      {3, "C:\\Program Files\\Quorbex32\\quorbex.exe", ""},
      {5, ".zip", ""},
      {5, "quorbex.zip", ""},
      {7, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32", ""},
      {3, "C:\\Program Files\\Quorbex32\\uninstal.l0g", ""},
  };
}

int Parse(const std::vector<uint8_t>& image, uint32_t* badEntry = nullptr) {
  LogContents contents;
  uint32_t bad = 0;
  int damage = ParseUninstallLog(image.data(), image.size(), kFolders, &contents, &bad);
  if (badEntry != nullptr) *badEntry = bad;
  FreeLogContents(&contents);
  return damage;
}

TEST(LogReader, ReadsBackWhatTheInstallationWrote) {
  ResetUninstallLog();
  gLogActive = 1;
  LogRegistryKey("Software\\Ovalis\\Quorbex32\\", "", keyClassCurrentUser);
  LogProgramFolder("C:\\Menu\\Quorbex32");
  LogFile("C:\\Q\\quorbex.exe");
  LogRegistryKey(".zip", "", keyClass1);
  LogRegistryKey("quorbex.zip", "", keyClass1);
  LogRegistryKey("Software\\X\\Y", "Value", keyClassLocalMachine);
  std::vector<uint8_t> image(UninstallLogImageSize());
  BuildUninstallLogImage(image.data(), "Quorbex32");
  gLogActive = 0;
  std::free(gUninstallLog.pool);
  std::free(gUninstallLog.entries);
  ResetUninstallLog();

  LogContents log;
  uint32_t bad = 99;
  ASSERT_EQ(ParseUninstallLog(image.data(), image.size(), kFolders, &log, &bad), logIntact);
  EXPECT_STREQ(log.productName, "Quorbex32");
  ASSERT_EQ(log.count, 6u);
  EXPECT_EQ(log.records[0].kind, 6u);
  EXPECT_STREQ(log.records[0].first, "Software\\Ovalis\\Quorbex32\\");
  EXPECT_STREQ(log.records[0].second, "");
  EXPECT_STREQ(log.records[2].first, "C:\\Q\\quorbex.exe");
  EXPECT_STREQ(log.records[2].second, "");
  EXPECT_STREQ(log.records[5].second, "Value");
  FreeLogContents(&log);

  EXPECT_EQ(Parse(LogImage({})), logIntact);
  EXPECT_EQ(Parse(LogImage(GoodEntries(), std::string(51, 'N'))), logIntact);
}

using EntryHarm = std::function<void(std::vector<ImageEntry>&)>;
using ByteHarm = std::function<void(std::vector<uint8_t>&)>;

struct Damage {
  const char* name;
  EntryHarm entries;  // applied before the image is built
  ByteHarm bytes;     // applied to the built image
  int damage;
  uint32_t entry;     // the entry at fault; the count for the sizes, 0 before it is read
};

EntryHarm Entry(size_t k, ImageEntry e) {
  return [k, e](std::vector<ImageEntry>& entries) { entries[k] = e; };
}
ByteHarm Word(size_t at, uint32_t v) {
  return [at, v](std::vector<uint8_t>& image) { PutWord(image, at, v); };
}
constexpr size_t kEntry = 64;  // the first entry; each is 12 bytes

TEST(LogReader, RefusesEveryDamagedLog) {
  const Damage table[] = {
      {"empty file", {}, [](std::vector<uint8_t>& i) { i.clear(); }, logTruncated, 0},
      {"header cut", {}, [](std::vector<uint8_t>& i) { i.resize(63); }, logTruncated, 0},
      {"last pool byte missing", {}, [](std::vector<uint8_t>& i) { i.pop_back(); }, logTruncated, 8},
      {"one byte too many", {}, [](std::vector<uint8_t>& i) { i.push_back(0); }, logBadCounts, 8},
      {"version 2", {}, Word(0, 2), logBadVersion, 0},
      {"count past the end", {}, Word(4, 9), logTruncated, 9},
      {"count near 2^32", {}, Word(4, 0xFFFFFFFF), logTruncated, 0xFFFFFFFF},
      {"pool size near 2^32", {}, Word(8, 0xFFFFFFF0), logTruncated, 8},
      {"count smaller", {}, Word(4, 7), logBadCounts, 7},
      {"name without its NUL", {}, [](std::vector<uint8_t>& i) { std::memset(&i[12], 'N', 52); },
       logBadProductName, 8},
      {"kind 0", {}, Word(kEntry + 12 * 2, 0), logBadKind, 2},
      {"kind 8", {}, Word(kEntry + 12 * 3, 8), logBadKind, 3},
      {"first offset at the pool's end", {},
       [](std::vector<uint8_t>& i) { PutWord(i, kEntry + 12 * 3 + 4, uint32_t(i.size() - (kEntry + 12 * 8))); },
       logOffsetOutside, 3},
      {"second offset outside", {}, Word(kEntry + 12 * 6 + 8, 0x7FFFFFFF), logOffsetOutside, 6},
      {"second offset of a file", {}, Word(kEntry + 12 * 3 + 8, 4), logOffsetOutside, 3},
      {"last string without its NUL", {}, [](std::vector<uint8_t>& i) { i.back() = 'g'; },
       logUnterminated, 7},
      {"relative path", Entry(3, {3, "Quorbex32\\quorbex.exe", ""}), {}, logBadPath, 3},
      {"drive without a separator", Entry(3, {3, "C:quorbex.exe", ""}), {}, logBadPath, 3},
      {"climbs out", Entry(3, {3, "C:\\Program Files\\..\\..\\WINDOWS\\x.dll", ""}), {}, logBadPath, 3},
      {"dot level", Entry(2, {4, "C:\\Program Files\\.", ""}), {}, logBadPath, 2},
      {"empty level", Entry(3, {3, "C:\\Program Files\\\\x.exe", ""}), {}, logBadPath, 3},
      {"folder with a trailing separator", Entry(2, {4, "C:\\Program Files\\Quorbex32\\", ""}), {},
       logBadPath, 2},
      {"control character", Entry(3, {3, "C:\\Q\\a\tb.exe", ""}), {}, logBadPath, 3},
      {"drive root", Entry(2, {4, "C:\\", ""}), {}, logProtectedPath, 2},
      {"drive root twice separated", Entry(1, {1, "D:\\\\", ""}), {}, logProtectedPath, 1},
      {"network share root", Entry(2, {4, "\\\\server\\share", ""}), {}, logProtectedPath, 2},
      {"Windows folder in other case", Entry(2, {4, "c:\\windows", ""}), {}, logProtectedPath, 2},
      {"system folder with slash", Entry(2, {4, "C:\\Windows/System32", ""}), {}, logProtectedPath, 2},
      {"empty key", Entry(6, {7, "", ""}), {}, logBadKey, 6},
      {"key at the top", Entry(6, {7, "Software", ""}), {}, logBadKey, 6},
      {"key from the root", Entry(0, {6, "\\Software\\Ovalis", ""}), {}, logBadKey, 0},
      {"key with an empty level", Entry(0, {6, "Software\\\\Ovalis", ""}), {}, logBadKey, 0},
      {"extension last", [](std::vector<ImageEntry>& e) { e.resize(5); }, {}, logUnpairedType, 4},
      {"extension before a key of another root", Entry(5, {6, "Software\\Ovalis\\Other", ""}), {},
       logUnpairedType, 4},
      {"extension before another extension", Entry(5, {5, ".rar", ""}), {}, logUnpairedType, 4},
  };
  for (const Damage& d : table) {
    SCOPED_TRACE(d.name);
    std::vector<ImageEntry> entries = GoodEntries();
    if (d.entries) d.entries(entries);
    std::vector<uint8_t> image = LogImage(entries);
    if (d.bytes) d.bytes(image);
    uint32_t bad = 0;
    EXPECT_EQ(Parse(image, &bad), d.damage);
    EXPECT_EQ(bad, d.entry);
  }
}

TEST(LogReader, FilesInsideProtectedFoldersAndSharesAreNotRoots) {
  for (const char* path : {"C:\\WINDOWS\\quorbex.ini", "C:\\WINDOWS\\system32\\qb.dll",
                           "\\\\server\\share\\Quorbex32", "C:\\WINDOWS2"}) {
    SCOPED_TRACE(path);
    std::vector<ImageEntry> entries = GoodEntries();
    entries[3] = {3, path, ""};
    EXPECT_EQ(Parse(LogImage(entries)), logIntact);
  }
}

TEST(LogReader, SamePathIgnoresCaseAndTrailingSeparators) {
  EXPECT_TRUE(SamePath("C:\\Program Files\\Q", "c:\\PROGRAM FILES\\q\\"));
  EXPECT_TRUE(SamePath("C:\\a/b", "C:\\a\\b"));
  EXPECT_FALSE(SamePath("C:\\a\\b", "C:\\a\\bc"));
  EXPECT_FALSE(SamePath("C:\\a", "C:\\b"));
}

}  // namespace
