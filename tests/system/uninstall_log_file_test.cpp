// The uninstall log written to disk under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorded_log.h"
#include "support/test_files_win.h"
#include "system/uninstall_log.h"

namespace {

using UninstallLogFileTest = RecordingTest;

TEST_F(UninstallLogFileTest, FileHoldsTheLogWithItselfAsTheLastEntry) {
  char temp[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  struct Case {
    const char* name;
    bool recordBefore;     // entries recorded before the file is written
    size_t existingBytes;  // a file already there, 0 for none
  };
  const Case cases[] = {
      {"log-empty.l0g", false, 0},
      {"log-entries.l0g", true, 0},
      {"log-replaced.l0g", true, 20000},  // longer than the new log: nothing of it may remain
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearRecordedLog();
    const std::string path = std::string(temp) + c.name;
    if (c.existingBytes != 0) {
      HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      std::vector<uint8_t> junk(c.existingBytes, 0xAA);
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(h, junk.data(), DWORD(junk.size()), &written, nullptr));
      CloseHandle(h);
    }
    std::vector<Recorded> expected;
    if (c.recordBefore) {
      LogRegistryKey("Software\\Ovalis\\Quorbex32\\", "", keyClassCurrentUser);
      LogDirectory("C:\\Quorbex32");
      LogFile("C:\\Quorbex32\\quorbex.exe");
      expected = {{6, "Software\\Ovalis\\Quorbex32\\", ""},
                  {4, "C:\\Quorbex32", ""},
                  {3, "C:\\Quorbex32\\quorbex.exe", ""}};
    }
    expected.push_back({3, path, ""});

    EXPECT_EQ(WriteUninstallLog(path.c_str(), "Quorbex32"), 0);
    EXPECT_EQ(RecordedEntries(), expected);

    std::vector<uint8_t> image(UninstallLogImageSize());
    BuildUninstallLogImage(image.data(), "Quorbex32");
    EXPECT_EQ(ReadBytes(path), std::string(image.begin(), image.end()));
    EXPECT_EQ(image[4], expected.size());
    DeleteFileA(path.c_str());
  }
}

}  // namespace
