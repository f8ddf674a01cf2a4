// The message that names the files the installation could not put in place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "setup/replace_report.h"

namespace {

std::string MessageOf(const ReplaceFailures& failures) {
  char* text = ReplaceFailureMessage(&failures);
  std::string copy = text != nullptr ? text : "<none>";
  std::free(text);
  return copy;
}

TEST(ReplaceFailureMessage, NamesEachFileAndWhereANewOneStayed) {
  ReplaceFailures failures = {};
  ASSERT_TRUE(AddReplaceFailure(&failures, "C:\\Q\\a.exe", nullptr));
  ASSERT_TRUE(AddReplaceFailure(&failures, "C:\\Q\\b.dll", "C:\\Q\\IT1.tmp"));
  EXPECT_EQ(MessageOf(failures),
            "Setup could not replace the following files:\r\n\r\n"
            "C:\\Q\\a.exe\r\n"
            "C:\\Q\\b.dll (the new version was saved as C:\\Q\\IT1.tmp)");
  FreeReplaceFailures(&failures);
  EXPECT_EQ(failures.count, 0u);
}

TEST(ReplaceFailureMessage, ALongListEndsWithTheCountOfTheRest) {
  ReplaceFailures failures = {};
  std::string expected = "Setup could not replace the following files:\r\n\r\n";
  const uint32_t total = kListedFailures + 12;
  for (uint32_t i = 0; i < total; ++i) {
    std::string path = "C:\\Q\\f" + std::to_string(i);
    ASSERT_TRUE(AddReplaceFailure(&failures, path.c_str(), nullptr));
    if (i < kListedFailures) expected += path + "\r\n";
  }
  expected += "... and 12 more";
  EXPECT_EQ(MessageOf(failures), expected);
  FreeReplaceFailures(&failures);
}

}  // namespace
