// Target folders and temporary names on Wine's file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "payload/directories.h"
#include "payload/temp_name.h"
#include "support/test_files_win.h"
#include "system/recorded_log.h"
#include "text/status.h"

namespace {

class FoldersTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    ForgetTempNames();
    base_ = FreshTestFolder("folders");
  }
  void TearDown() override {
    ForgetTempNames();
    RemoveTree(base_);
    RecordingTest::TearDown();
  }
  std::string base_;
};

TEST_F(FoldersTest, MissingFoldersAreMadeOutermostFirstAndLogged) {
  struct Case {
    std::string path;
    int status;
    std::vector<std::string> made;
  };
  const std::string a = base_ + "\\Program Files", b = a + "\\Quorbex32", c = b + "\\Help";
  const Case cases[] = {
      {c + "\\", statusOk, {a, b, c}},
      {b + "\\Sounds\\", statusOk, {b + "\\Sounds"}},  // the levels above exist
      {c + "\\", statusOk, {}},
      // Both separators, as the path splitter reads them.
      {base_ + "/Data/Sub/", statusOk, {base_ + "/Data", base_ + "/Data/Sub"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    ClearRecordedLog();
    std::vector<char> path(k.path.begin(), k.path.end());
    path.push_back('\0');
    EXPECT_EQ(CreateDirectories(path.data()), k.status);
    EXPECT_EQ(std::string(path.data()), k.path);  // restored
    std::vector<Recorded> expected;
    for (const std::string& m : k.made) expected.push_back({4, m, ""});
    EXPECT_EQ(RecordedEntries(), expected);
    EXPECT_TRUE(PathExists(k.path.substr(0, k.path.size() - 1)));
  }
}

TEST_F(FoldersTest, AFileInTheWayStopsWithStatus13) {
  WriteBytes(base_ + "\\plain file", "x");
  std::string text = base_ + "\\plain file\\below\\";
  std::vector<char> path(text.begin(), text.end());
  path.push_back('\0');
  EXPECT_EQ(CreateDirectories(path.data()), statusCannotCreateDirectory);
  EXPECT_EQ(std::string(path.data()), text);
  EXPECT_TRUE(RecordedEntries().empty());
}

TEST_F(FoldersTest, TemporaryNamesSkipWhatExists) {
  const std::string folder = base_ + "\\target";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  WriteBytes(folder + "\\IT0.tmp", "someone else's");
  ASSERT_TRUE(CreateDirectoryA((folder + "\\IT2.tmp").c_str(), nullptr));
  const char* expected[] = {"IT1.tmp", "IT3.tmp", "IT4.tmp"};
  for (const char* name : expected) {
    char* temp = nullptr;
    HANDLE file = CreateTempFile((folder + "\\quorbex.exe").c_str(), "IT", &temp);
    ASSERT_NE(temp, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(std::string(temp), folder + "\\" + name);
    EXPECT_EQ(ReadBytes(temp), "");
    std::free(temp);
  }
  // A folder that is not there: the name it would have, and no file.
  char* fresh = nullptr;
  EXPECT_EQ(CreateTempFile((base_ + "\\not made yet\\a.dll").c_str(), "IT", &fresh),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::string(fresh), base_ + "\\not made yet\\IT0.tmp");
  std::free(fresh);
  EXPECT_EQ(ReadBytes(folder + "\\IT0.tmp"), "someone else's");
}

}  // namespace
