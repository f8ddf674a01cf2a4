// Temporary names, path splitting and progress positions, on a file system held in a set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "payload/extract.h"
#include "payload/temp_name.h"
#include "text/path_parts.h"

namespace {

std::set<std::string> gExisting;
long gProbes = 0;

bool Taken(const char* path, void*) {
  ++gProbes;
  return gExisting.count(path) != 0;
}

std::string Take(char* s) {
  std::string copy = s != nullptr ? s : "<none>";
  std::free(s);
  return copy;
}

class TempNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gExisting.clear();
    gProbes = 0;
    ForgetTempNames();
  }
  void TearDown() override { ForgetTempNames(); }

  // Names one file and creates it, as the extraction does.
  std::string Next(const char* target) {
    std::string name = Take(MakeTempNameProbing(target, "IT", Taken));
    gExisting.insert(name);
    return name;
  }
};

TEST(SplitPath, DriveFolderNameExtension) {
  struct Case {
    const char* path;
    const char* drive;
    const char* folder;
    const char* name;
    const char* extension;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Q\\quorbex.exe", "C:", "\\Program Files\\Q\\", "quorbex", ".exe"},
      {"C:\\a.b\\readme", "C:", "\\a.b\\", "readme", ""},
      {"C:\\a\\archive.tar.gz", "C:", "\\a\\", "archive.tar", ".gz"},
      {"C:file.txt", "C:", "", "file", ".txt"},
      {"\\\\server\\share\\f.dll", "", "\\\\server\\share\\", "f", ".dll"},
      {"D:\\folder\\", "D:", "\\folder\\", "", ""},
      {"name", "", "", "name", ""},
      {"C:/unix/style.txt", "C:", "/unix/", "style", ".txt"},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    std::string path = c.path;
    PathParts p = SplitPath(c.path);
    EXPECT_EQ(path.substr(0, p.driveEnd), c.drive) << c.path;
    EXPECT_EQ(path.substr(p.driveEnd, p.folderEnd - p.driveEnd), c.folder) << c.path;
    EXPECT_EQ(path.substr(p.folderEnd, p.nameEnd - p.folderEnd), c.name) << c.path;
    EXPECT_EQ(path.substr(p.nameEnd), c.extension) << c.path;
    EXPECT_EQ(p.length, path.size()) << c.path;
  }
}

TEST_F(TempNameTest, RisingNamesPerFolderSkippingTakenOnes) {
  gExisting = {"C:\\q\\IT0.tmp", "C:\\q\\IT2.tmp", "C:\\q\\sub"};
  EXPECT_EQ(Next("C:\\q\\a.exe"), "C:\\q\\IT1.tmp");
  EXPECT_EQ(Next("C:\\q\\sub\\b.exe"), "C:\\q\\sub\\IT0.tmp");
  EXPECT_EQ(Next("C:\\q\\c.exe"), "C:\\q\\IT3.tmp");
  EXPECT_EQ(Next("C:\\new\\d.exe"), "C:\\new\\IT0.tmp");  // a folder not made yet
  EXPECT_EQ(Next("C:\\q\\sub\\e"), "C:\\q\\sub\\IT1.tmp");
}

TEST_F(TempNameTest, ANameOnceGivenIsNotProbedAgain) {
  // The probe that creates the file has made it the caller's: the next one in the
  // folder starts after it without asking for it again.
  EXPECT_EQ(Take(MakeTempNameProbing("C:\\q\\a.exe", "IT", Taken)), "C:\\q\\IT0.tmp");
  gProbes = 0;
  EXPECT_EQ(Take(MakeTempNameProbing("C:\\q\\b.exe", "IT", Taken)), "C:\\q\\IT1.tmp");
  EXPECT_EQ(gProbes, 1);
}

TEST_F(TempNameTest, ANewRunProbesFromZeroAgain) {
  Next("C:\\q\\a");
  Next("C:\\q\\b");
  gExisting.clear();  // the temporary files of the run are gone
  ForgetTempNames();
  EXPECT_EQ(Next("C:\\q\\c"), "C:\\q\\IT0.tmp");
}

TEST_F(TempNameTest, ManyFilesInOneFolderCostOneProbeEach) {
  const int files = 2000;
  for (int i = 0; i < files; ++i) {
    std::string target = "C:\\q\\file" + std::to_string(i) + ".bin";
    ASSERT_EQ(Next(target.c_str()), "C:\\q\\IT" + std::to_string(i) + ".tmp");
  }
  // One probe per earlier file would be about two million.
  EXPECT_EQ(gProbes, files);
}

TEST_F(TempNameTest, EveryCounterTakenGivesNone) {
  for (int i = 0; i <= 0xFFFF; ++i) gExisting.insert("C:\\q\\IT" + std::to_string(i) + ".tmp");
  EXPECT_EQ(MakeTempNameProbing("C:\\q\\a", "IT", Taken), nullptr);
}

}  // namespace

namespace {

TEST(ProgressPosition, ProportionTruncatedAndBoundedByTheEnd) {
  struct Case {
    int64_t decoded, total;
    uint32_t position;
  };
  const Case cases[] = {
      {0, 100, 0},
      {50, 100, 15000},
      {1, 7, 4285},  // 4285.7 truncated
      {2, 3, 20000},
      {100, 100, 30000},
      {0x7FFFFFFE, 0x7FFFFFFF, 29999},
      {32768 + 5, 32768, 30000},  // bytes after the last file
      {0, 0, 30000},              // nothing to decode: the bar shows its end
      {32768, 0, 30000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPosition(c.decoded, c.total), c.position) << c.decoded << "/" << c.total;
  }
}

}  // namespace
