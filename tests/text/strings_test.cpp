#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "text/resource_text.h"
#include "text/strings.h"

namespace {

std::string Take(char* s) {
  std::string copy = s != nullptr ? s : "<none>";
  std::free(s);
  return copy;
}

TEST(Strings, DuplicateKeepsEveryByte) {
  EXPECT_EQ(Take(DuplicateString("")), "");
  EXPECT_EQ(Take(DuplicateString("C:\\Program Files\\\x83\x5C")), "C:\\Program Files\\\x83\x5C");
}

TEST(Strings, ConcatJoinsUpToTheFirstNull) {
  EXPECT_EQ(Take(ConcatStrings("only", nullptr)), "only");
  EXPECT_EQ(Take(ConcatStrings("", "", nullptr)), "");
  EXPECT_EQ(Take(ConcatStrings("Software\\", "A", "\\", "B", "\\", nullptr)), "Software\\A\\B\\");
  EXPECT_EQ(Take(ConcatStrings("a", "", "b", nullptr, "ignored", nullptr)), "ab");
}

// Without Windows resources the English table is compiled in.
TEST(ResourceText, EnglishTableAndFormatting) {
  EXPECT_EQ(Take(LoadResourceText(1)), "No error");
  EXPECT_EQ(Take(LoadResourceText(21 + 1)), "User canceled operation.");
  EXPECT_EQ(Take(LoadResourceText(66)), "&Next >");
  EXPECT_EQ(Take(FormatResourceMessage(62, "100%d.txt")), "Extracting 100%d.txt");
  EXPECT_EQ(Take(FormatResourceMessage(67, "Quorbex32")),
            "Quorbex32 has been successfully installed.");
}

}  // namespace
