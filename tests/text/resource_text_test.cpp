// The string table as the platform loads it, in the language of the thread.
// SETUP_EXPECT_LANG=ja runs it under a Japanese locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/state_win.h"
#include "text/resource_text.h"

namespace {

std::string Take(char* s) {
  std::string copy = s != nullptr ? s : "<none>";
  std::free(s);
  return copy;
}

bool ExpectJapanese() {
  const char* lang = std::getenv("SETUP_EXPECT_LANG");
  return lang != nullptr && std::string(lang) == "ja";
}

class ResourceTextTest : public ::testing::Test {
 protected:
  void SetUp() override { gInstance = GetModuleHandleA(nullptr); }
};

TEST_F(ResourceTextTest, EntriesInTheThreadLanguage) {
  struct Case {
    int entry;
    const char* english;
    const char* japanese;  // code page 932
  };
  const Case cases[] = {
      {1, "No error", "\x83\x47\x83\x89\x81\x5B\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"},
      {65, "Finish", "\x8A\xAE\x97\xB9"},
      {66, "&Next >", "\x8E\x9F\x82\xD6(&N) >"},
      {69, "Confirm", "\x8A\x6D\x94\x46"},
      {71, "Success", "\x90\xAC\x8C\xF7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Take(LoadResourceText(c.entry)), ExpectJapanese() ? c.japanese : c.english)
        << c.entry;
  }
}

TEST_F(ResourceTextTest, EveryStatusOfTheProgramHasAMessage) {
  const int statuses[] = {0, 2, 8, 13, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35};
  for (int status : statuses) EXPECT_NE(Take(LoadResourceText(status + 1)), "") << status;
  for (int entry = 61; entry <= 71; ++entry) {
    if (entry == 70) continue;
    EXPECT_NE(Take(LoadResourceText(entry)), "") << entry;
  }
}

TEST_F(ResourceTextTest, ArgumentsAreInsertedAsTheyStand) {
  std::string text = Take(FormatResourceMessage(62, "50%1 off%n.txt"));
  if (ExpectJapanese()) {
    // "%1 を展開しています"
    EXPECT_EQ(text, "50%1 off%n.txt \x82\xF0\x93\x57\x8A\x4A\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7");
  } else {
    EXPECT_EQ(text, "Extracting 50%1 off%n.txt");
  }
}

TEST_F(ResourceTextTest, LongEntryIsCutTo999Characters) {
  std::string text = Take(LoadResourceText(4000));
  ASSERT_EQ(text.size(), 999u);
  EXPECT_EQ(text.substr(0, 10), "0000 0001 ");
  EXPECT_EQ(text.substr(990), "0198 0199");
}

}  // namespace
