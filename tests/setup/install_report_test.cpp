// The message that names what the installation could not do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "setup/install_report.h"

namespace {

std::string MessageOf(const InstallFailures& failures) {
  char* text = InstallFailureMessage(&failures);
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

TEST(InstallFailureMessage, NamesEachFileAndWhereANewOneStayed) {
  InstallFailures failures = {};
  AddInstallFailure(&failures, failureFileKept, "C:\\Q\\a.exe", nullptr);
  AddInstallFailure(&failures, failureFileStranded, "C:\\Q\\b.dll", "C:\\Q\\IT1.tmp");
  EXPECT_EQ(MessageOf(failures),
            "Setup could not replace the following files:\r\n\r\n"
            "C:\\Q\\a.exe\r\n"
            "C:\\Q\\b.dll (the new version was saved as C:\\Q\\IT1.tmp)");
  FreeInstallFailures(&failures);
  EXPECT_EQ(failures.count, 0u);
}

TEST(InstallFailureMessage, StepsThatFailedMakeItAnIncompleteInstallation) {
  InstallFailures failures = {};
  AddInstallFailure(&failures, failureFileKept, "C:\\Q\\a.exe", nullptr);
  AddInstallFailure(&failures, failureProgramFolder, "C:\\Menu\\Q|32?", nullptr);
  AddInstallFailure(&failures, failureShortcut, "C:\\Menu\\Q\\Q.lnk", nullptr);
  AddInstallFailure(&failures, failureRegistry, "HKEY_LOCAL_MACHINE\\Software\\X", nullptr);
  AddInstallFailure(&failures, failureLog, "C:\\Q\\uninstal.l0g", nullptr);
  EXPECT_EQ(FailureCount(&failures), 5u);
  EXPECT_EQ(MessageOf(failures),
            "Setup could not complete the installation:\r\n\r\n"
            "C:\\Q\\a.exe\r\n"
            "The program folder C:\\Menu\\Q|32? could not be created.\r\n"
            "The shortcut C:\\Menu\\Q\\Q.lnk could not be created.\r\n"
            "The registry entry HKEY_LOCAL_MACHINE\\Software\\X could not be written.\r\n"
            "The uninstall information C:\\Q\\uninstal.l0g could not be written.");
  FreeInstallFailures(&failures);
}

// A failure that cannot be listed for want of memory still counts, and is told.
TEST(InstallFailureMessage, AFailureMemoryCouldNotListStillCounts) {
  InstallFailures failures = {};
  failures.lost = 1;
  EXPECT_EQ(FailureCount(&failures), 1u);
  EXPECT_EQ(MessageOf(failures), "Setup could not replace the following files:\r\n\r\n... and 1 more");
  AddInstallFailure(&failures, failureFileKept, "C:\\Q\\a.exe", nullptr);
  EXPECT_EQ(FailureCount(&failures), 2u);
  EXPECT_EQ(MessageOf(failures),
            "Setup could not replace the following files:\r\n\r\nC:\\Q\\a.exe\r\n... and 1 more");
  FreeInstallFailures(&failures);
}

TEST(InstallFailureMessage, ALongListEndsWithTheCountOfTheRest) {
  InstallFailures failures = {};
  std::string expected = "Setup could not replace the following files:\r\n\r\n";
  const uint32_t total = kListedFailures + 12;
  for (uint32_t i = 0; i < total; ++i) {
    std::string path = "C:\\Q\\f" + std::to_string(i);
    AddInstallFailure(&failures, failureFileKept, path.c_str(), nullptr);
    if (i < kListedFailures) expected += path + "\r\n";
  }
  expected += "... and 12 more";
  EXPECT_EQ(MessageOf(failures), expected);
  FreeInstallFailures(&failures);
}

}  // namespace
