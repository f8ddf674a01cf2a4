// The extraction under Wine: which files are written, under which temporary names,
// into which folders, what the uninstall log records and where the progress bar ends.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/state.h"
#include "config/state_win.h"
#include "payload/extract.h"
#include "payload/writer_state.h"
#include "support/install_fixture.h"
#include "support/test_files_win.h"
#include "system/recorded_log.h"
#include "text/status.h"
#include "text/variables.h"
#include "ui/dialogs.h"

namespace {

class ExtractTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    gInstance = GetModuleHandleA(nullptr);
    if (gExtractDialog == nullptr) {
      ASSERT_TRUE(CreateExtractDialog());
    }
    ASSERT_EQ(CreateVariableTable(), 0);
    base_ = FreshTestFolder("extract");
    destination_ = base_ + "\\Quorbex32";
    ASSERT_EQ(SetVariable("Destination", destination_.c_str()), 0);
  }
  void TearDown() override {
    DestroyVariableTableForTest();
    RemoveTree(base_);
    RecordingTest::TearDown();
  }

  static uint32_t ProgressNow() {
    return uint32_t(SendMessageA(gExtractProgress, PBM_GETPOS, 0, 0));
  }

  // Logged entries of kind 3 (files) only.
  static std::vector<std::string> LoggedFiles() {
    std::vector<std::string> files;
    for (const Recorded& r : RecordedEntries()) {
      if (r.kind == 3) files.push_back(r.first);
    }
    return files;
  }

  std::string base_, destination_;
};

// Sizes around the 32 KB window: a file inside one window, one across three, a file
// of size 0 between others, files ending in the last window.
std::vector<PayloadFile> SixFiles() {
  const size_t sizes[6] = {1000, 70000, 5, 0, 30000, 12};
  const uint8_t bitmaps[6] = {0x01, 0x02, 0x02, 0x01, 0x03, 0x03};
  std::vector<PayloadFile> files;
  for (int i = 0; i < 6; ++i) {
    files.push_back({"$(Destination)\\file" + std::to_string(i) + ".bin",
                     PatternBytes(sizes[i], unsigned(i)), bitmaps[i]});
  }
  return files;
}

TEST_F(ExtractTest, SelectedFilesAreWrittenUnderTemporaryNames) {
  struct Case {
    uint8_t selection;
    std::vector<int> written;
  };
  const Case cases[] = {
      {0x01, {0, 3, 4, 5}},
      {0x02, {1, 2, 4, 5}},
      {0x03, {0, 1, 2, 3, 4, 5}},
      {0x00, {}},
  };
  const std::vector<PayloadFile> files = SixFiles();
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.selection));
    RemoveTree(destination_);
    ClearRecordedLog();
    InstallImage image = BuildInstallImage(files);
    InstalledState state(image, c.selection);

    ASSERT_EQ(ExtractPayload().status, statusOk);
    EXPECT_EQ(ProgressNow(), 30000u);
    std::vector<std::string> expectedLog;
    int counter = 0;
    for (int i = 0; i < 6; ++i) {
      SCOPED_TRACE(i);
      const ReplaceEntry& e = gReplaceList[i];
      bool selected = std::find(c.written.begin(), c.written.end(), i) != c.written.end();
      EXPECT_EQ(e.handled, 0);
      if (!selected) {
        EXPECT_EQ(e.targetPath, nullptr);
        EXPECT_EQ(e.tempPath, nullptr);
        continue;
      }
      const std::string target = destination_ + "\\file" + std::to_string(i) + ".bin";
      ASSERT_NE(e.targetPath, nullptr);
      EXPECT_EQ(std::string(e.targetPath), target);
      EXPECT_EQ(std::string(e.tempPath), destination_ + "\\IT" + std::to_string(counter++) + ".tmp");
      EXPECT_EQ(ReadBytes(e.tempPath), files[size_t(i)].bytes);
      EXPECT_FALSE(PathExists(target));
      // Closed: it can be deleted at once.
      EXPECT_TRUE(DeleteFileA(e.tempPath));
      expectedLog.push_back(target);
    }
    EXPECT_EQ(LoggedFiles(), expectedLog);
  }
}

TEST_F(ExtractTest, TemporaryNamesRiseAndSkipAnExistingOne) {
  const std::vector<PayloadFile> files = {
      {"$(Destination)\\a.exe", "first", 1},
      {"$(Destination)\\b.dll", "second", 1},
      {"$(Destination)\\Sub\\c.txt", "third", 1},
  };
  struct Case {
    bool existingTemp;
    const char* names[3];
  };
  const Case cases[] = {
      {false, {"IT0.tmp", "IT1.tmp", "Sub\\IT0.tmp"}},
      {true, {"IT1.tmp", "IT2.tmp", "Sub\\IT0.tmp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.existingTemp);
    RemoveTree(destination_);
    CreateDirectoryA(destination_.c_str(), nullptr);
    if (c.existingTemp) WriteBytes(destination_ + "\\IT0.tmp", "not ours");
    InstallImage image = BuildInstallImage(files);
    InstalledState state(image, 1);
    ASSERT_EQ(ExtractPayload().status, statusOk);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(std::string(gReplaceList[i].tempPath), destination_ + "\\" + c.names[i]);
      EXPECT_EQ(ReadBytes(gReplaceList[i].tempPath), files[size_t(i)].bytes);
    }
    if (c.existingTemp) {
      EXPECT_EQ(ReadBytes(destination_ + "\\IT0.tmp"), "not ours");
    }
  }
}

TEST_F(ExtractTest, MissingFoldersAreMadeOutermostFirstAndLoggedBeforeTheFile) {
  const std::vector<PayloadFile> files = {
      {"$(Destination)\\Help\\Deep\\guide.hlp", "guide", 1},
      {"$(Destination)\\Help\\index.txt", "index", 1},
  };
  InstallImage image = BuildInstallImage(files);
  InstalledState state(image, 1);
  ASSERT_EQ(ExtractPayload().status, statusOk);
  const std::string help = destination_ + "\\Help";
  EXPECT_EQ(RecordedEntries(), (std::vector<Recorded>{
                                   {4, destination_, ""},
                                   {4, help, ""},
                                   {4, help + "\\Deep", ""},
                                   {3, help + "\\Deep\\guide.hlp", ""},
                                   {3, help + "\\index.txt", ""},
                               }));
}

// Files of size 0 are created wherever they stand, also after the last decoded byte
// and when the whole payload is empty; the bar still ends at its end.
TEST_F(ExtractTest, EmptyFilesAreCreatedWhereverTheyStand) {
  const std::string window(kWindowSize, 'w');
  struct Case {
    const char* what;
    std::vector<PayloadFile> files;
  };
  const Case cases[] = {
      {"at the end", {{"$(Destination)\\a", "abc", 1}, {"$(Destination)\\empty", "", 1}}},
      {"after a file that fills the window",
       {{"$(Destination)\\a", window, 1}, {"$(Destination)\\empty", "", 1},
        {"$(Destination)\\b", "b", 1}}},
      {"at the end after a full window",
       {{"$(Destination)\\a", window, 1}, {"$(Destination)\\empty", "", 1},
        {"$(Destination)\\empty2", "", 1}}},
      {"nothing but empty files", {{"$(Destination)\\empty", "", 1}, {"$(Destination)\\e2", "", 2}}},
      {"no files", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(destination_);
    SendMessageA(gExtractProgress, PBM_SETPOS, 0, 0);
    InstallImage image = BuildInstallImage(c.files);
    InstalledState state(image, 3);
    ASSERT_EQ(ExtractPayload().status, statusOk);
    EXPECT_EQ(ProgressNow(), 30000u);
    for (size_t i = 0; i < c.files.size(); ++i) {
      ASSERT_NE(gReplaceList[i].tempPath, nullptr) << i;
      EXPECT_EQ(ReadBytes(gReplaceList[i].tempPath), c.files[i].bytes) << i;
    }
  }
}

// What ends an extraction early, and what it reports.
TEST_F(ExtractTest, StreamsThatCannotBeTrustedAreReported) {
  const std::vector<PayloadFile> files = {{"$(Destination)\\a.exe", PatternBytes(50000, 1), 1},
                                          {"$(Destination)\\b.exe", PatternBytes(100, 2), 1}};
  struct Case {
    const char* what;
    void (*damage)(InstallImage*);
    int status;
  };
  const Case cases[] = {
      {"wrong CRC", [](InstallImage* i) { i->config.Word(wordPayloadCrc, 0x2CDC52F3); }, statusBadCrc},
      {"block type 3", [](InstallImage* i) { i->archive[0] = 0x07; }, statusBadBlockType},
      {"stream shorter than the file table",
       [](InstallImage* i) { i->archive = StoredDeflate(i->payload.substr(0, 40000)); },
       statusTruncated},
      {"one byte changed", [](InstallImage* i) { i->archive[40000] ^= 0x01; }, statusBadCrc},
      // The CRC covers the decoded bytes, not the table that cuts them into files.
      {"stream longer than the file table",
       [](InstallImage* i) {
         i->config.Put(kHeaderSize + kFileRecordSize + fileSize, 90);
       },
       statusBadCrc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(destination_);
    InstallImage image = BuildInstallImage(files);
    c.damage(&image);
    InstalledState state(image, 1);
    EXPECT_EQ(ExtractPayload().status, c.status);
    // Whatever was written is closed and listed for deletion.
    for (int i = 0; i < 2; ++i) {
      if (gReplaceList[i].tempPath != nullptr) {
        EXPECT_TRUE(DeleteFileA(gReplaceList[i].tempPath));
      }
    }
  }
}

TEST_F(ExtractTest, ATemporaryFileThatCannotBeCreatedStopsAtThatFile) {
  WriteBytes(base_ + "\\in the way", "a file where a folder should be");
  const std::vector<PayloadFile> files = {{"$(Destination)\\a.exe", "a", 1},
                                          {base_ + "\\in the way\\b.exe", "b", 1},
                                          {"$(Destination)\\c.exe", "c", 1}};
  InstallImage image = BuildInstallImage(files);
  InstalledState state(image, 1);
  ExtractResult result = ExtractPayload();
  EXPECT_EQ(result.status, statusCannotCreateFile);
  EXPECT_EQ(result.failedEntry, 1);
  EXPECT_EQ(std::string(gReplaceList[1].tempPath), base_ + "\\in the way\\IT0.tmp");
  EXPECT_EQ(gReplaceList[2].targetPath, nullptr);
  EXPECT_EQ(LoggedFiles(), std::vector<std::string>{destination_ + "\\a.exe"});
}

}  // namespace
