#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/state.h"
#include "system/uninstall_log.h"

namespace {

std::vector<uint8_t> Image(const char* productName) {
  std::vector<uint8_t> image(UninstallLogImageSize());
  BuildUninstallLogImage(image.data(), productName);
  return image;
}

void AppendWord(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void AppendString(std::vector<uint8_t>& out, const char* s) {
  out.insert(out.end(), s, s + std::strlen(s) + 1);
}

class UninstallLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetUninstallLog();
    gLogActive = 1;
  }
  void TearDown() override {
    gLogActive = 0;
    // The program never frees its log; the test does, so leaks elsewhere still show.
    std::free(gUninstallLog.pool);
    std::free(gUninstallLog.entries);
    ResetUninstallLog();
  }
};

TEST_F(UninstallLogTest, FileHoldsEveryKindInRecordingOrder) {
  EXPECT_EQ(LogRegistryKey("Software\\A\\B\\", "", keyClassCurrentUser), 0);
  EXPECT_EQ(LogProgramFolder("C:\\Menu\\B"), 0);
  EXPECT_EQ(LogDirectory("C:\\B"), 0);
  EXPECT_EQ(LogFile("C:\\B\\b.exe"), 0);
  EXPECT_EQ(LogShortcut("C:\\Menu\\B\\B.lnk"), 0);
  EXPECT_EQ(LogRegistryKey("Software\\X", "Path", keyClassLocalMachine), 0);
  EXPECT_EQ(LogRegistryKey("Software\\Y", "", keyClass1), 0);
  EXPECT_EQ(LogFile("C:\\B\\uninstal.l0g"), 0);

  // The pool: each string with its NUL, an empty value name as one NUL byte.
  std::vector<uint8_t> pool;
  const char* strings[] = {"Software\\A\\B\\", "", "C:\\Menu\\B", "C:\\B", "C:\\B\\b.exe",
                           "C:\\Menu\\B\\B.lnk", "Software\\X", "Path", "Software\\Y", "",
                           "C:\\B\\uninstal.l0g"};
  std::vector<uint32_t> at;
  for (const char* s : strings) {
    at.push_back(uint32_t(pool.size()));
    AppendString(pool, s);
  }
  const uint32_t entries[8][3] = {{6, at[0], at[1]}, {1, at[2], 0},  {4, at[3], 0},
                                  {3, at[4], 0},     {2, at[5], 0},  {7, at[6], at[7]},
                                  {5, at[8], at[9]}, {3, at[10], 0}};

  std::vector<uint8_t> expected;
  AppendWord(expected, 1);
  AppendWord(expected, 8);
  AppendWord(expected, uint32_t(pool.size()));
  std::vector<uint8_t> name(52, 0);
  std::memcpy(name.data(), "Quorbex32", 9);
  expected.insert(expected.end(), name.begin(), name.end());
  for (const auto& e : entries)
    for (uint32_t v : e) AppendWord(expected, v);
  expected.insert(expected.end(), pool.begin(), pool.end());

  EXPECT_EQ(Image("Quorbex32"), expected);
}

TEST_F(UninstallLogTest, ProductNameFillsAtMostItsField) {
  const std::string exact(51, 'n');
  std::vector<uint8_t> image = Image(exact.c_str());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&image[12]), 51), exact);
  EXPECT_EQ(image[63], 0);

  // A longer name is cut to 51 characters and its NUL; nothing past the field moves.
  const std::string longer = exact + "overflow";
  image = Image(longer.c_str());
  ASSERT_EQ(image.size(), 64u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&image[12]), 51), exact);
  EXPECT_EQ(image[63], 0);

  // The bytes after a short name's NUL are zeros.
  image = Image("Q");
  EXPECT_EQ(image[12], 'Q');
  for (int i = 13; i < 64; ++i) EXPECT_EQ(image[i], 0) << i;
}

TEST_F(UninstallLogTest, GrowsPastSeveralReallocations) {
  std::vector<std::string> paths;
  for (int i = 0; i < 500; ++i) {
    paths.push_back("C:\\Program Files\\Quorbex32\\" + std::string(size_t(i % 37), 'x') +
                    std::to_string(i));
    ASSERT_EQ(LogFile(paths.back().c_str()), 0);
  }
  EXPECT_EQ(gUninstallLog.entryCount, 500u);
  // The array grows by doubling plus two: 2, 6, 14, ..., 510.
  EXPECT_EQ(gUninstallLog.entryCapacity, 510u);
  std::vector<uint8_t> image = Image("P");
  for (int i = 0; i < 500; ++i) {
    uint32_t offset;
    std::memcpy(&offset, &image[64 + 12 * i + 4], 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(&image[64 + 12 * 500 + offset]),
                 paths[size_t(i)].c_str());
  }
}

TEST_F(UninstallLogTest, NothingIsRecordedWhileLoggingIsOff) {
  gLogActive = 0;
  EXPECT_EQ(LogFile("C:\\a"), 0);
  EXPECT_EQ(LogRegistryKey("K", "V", keyClassLocalMachine), 0);
  EXPECT_EQ(LogProgramFolder("C:\\m"), 0);
  EXPECT_EQ(gUninstallLog.entryCount, 0u);
  EXPECT_EQ(gUninstallLog.poolUsed, 0u);
  EXPECT_EQ(Image("P").size(), 64u);
}

}  // namespace
