#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/variables.h"

namespace {

std::string Take(char* s) {
  std::string copy = s != nullptr ? s : "<none>";
  std::free(s);
  return copy;
}

class VariablesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateVariableTable(), 0); }
  void TearDown() override { DestroyVariableTableForTest(); }

  static std::vector<std::string> ChainOf(const char* name) {
    std::vector<std::string> names;
    for (VariableNode* node = gVariableTable->buckets[HashVariableName(name) % kVariableBuckets];
         node != nullptr; node = node->next) {
      names.push_back(node->name);
    }
    return names;
  }
};

TEST(VariableHash, WorkedExamplesAndSignedBytes) {
  struct Case {
    const char* name;
    uint32_t hash;
    uint32_t bucket;
  };
  const Case cases[] = {
      {"abc", 451, 64},
      {"ABC", 451, 64},
      {"Destination", 131012, 77},
      {"DESTINATION", 131012, 77},
      {"", 0, 0},
      {"\x80", 0xFFFFFF80u, 17},  // widened as a signed byte
      {"\xE9t\xE9", 229, 100},    // not folded
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HashVariableName(c.name), c.hash) << c.name;
    EXPECT_EQ(HashVariableName(c.name) % kVariableBuckets, c.bucket) << c.name;
  }
}

TEST(VariableNames, OnlyAsciiLettersFold) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"Destination", "dEsTiNaTiOn", true},
      {"Dest", "Destination", false},
      {"Destination", "Dest", false},
      {"", "", true},
      {"a[", "A{", false},          // 0x5B and 0x7B differ by 32 but are not letters
      {"x@", "X`", false},
      {"\xE9t\xE9", "\xC9T\xC9", false},  // Latin-1 letters are not folded
      {"\xE9t\xE9", "\xE9T\xE9", true},
      {"\x83\x80", "\x83\x80", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameVariableName(c.a, c.b), c.same) << c.a << " / " << c.b;
  }
}

TEST_F(VariablesTest, CaseFoldedNamesShareOneVariableAndKeepTheFirstSpelling) {
  EXPECT_EQ(SetVariable("Destination", "C:\\Old"), 0);
  EXPECT_EQ(SetVariable("destination", "D:\\New"), 0);
  EXPECT_EQ(Take(GetVariable("DESTINATION")), "D:\\New");
  EXPECT_EQ(ChainOf("Destination"), std::vector<std::string>{"Destination"});

  EXPECT_EQ(SetVariable("\xE9t\xE9", "lower"), 0);
  EXPECT_EQ(SetVariable("\xC9T\xC9", "upper"), 0);
  EXPECT_EQ(Take(GetVariable("\xE9T\xE9")), "lower");
  EXPECT_EQ(Take(GetVariable("\xC9t\xC9")), "upper");
  EXPECT_EQ(Take(GetVariable("Undefined")), "<none>");
}

TEST_F(VariablesTest, ChainsKeepInsertionOrderAndReplaceInPlace) {
  const char* const names[] = {"Destination", "all", "Ber"};
  for (const char* name : names) {
    ASSERT_EQ(HashVariableName(name) % kVariableBuckets, 77u) << name;
    EXPECT_EQ(SetVariable(name, name), 0);
  }
  EXPECT_EQ(SetVariable("ALL", "again"), 0);
  EXPECT_EQ(ChainOf("Destination"), (std::vector<std::string>{"Destination", "all", "Ber"}));
  EXPECT_EQ(Take(GetVariable("Ber")), "Ber");
  EXPECT_EQ(Take(GetVariable("all")), "again");
}

TEST_F(VariablesTest, ReadsAreCopiesTheCallerOwns) {
  SetVariable("Destination", "C:\\Apps");
  char* first = GetVariable("Destination");
  first[0] = 'X';
  SetVariable("Destination", "D:\\Other");
  EXPECT_EQ(Take(first), "X:\\Apps");
  EXPECT_EQ(Take(GetVariable("Destination")), "D:\\Other");
}

TEST_F(VariablesTest, PathVariablesLoseOneTrailingBackslash) {
  struct Case {
    const char* value;  // null: none
    const char* stored;
  };
  const Case cases[] = {
      {"C:\\", "C:"},
      {"C:\\Program Files\\", "C:\\Program Files"},
      {"C:\\Program Files", "C:\\Program Files"},
      {"C:\\Temp\\\\", "C:\\Temp\\"},
      {"\\", ""},
      {"", ""},
      {nullptr, ""},
  };
  for (const Case& c : cases) {
    std::string name = std::string("Path") + (c.value != nullptr ? c.value : "<none>");
    std::vector<char> buffer;
    if (c.value != nullptr) buffer.assign(c.value, c.value + std::strlen(c.value) + 1);
    EXPECT_EQ(SetPathVariable(name.c_str(), c.value != nullptr ? buffer.data() : nullptr), 0);
    EXPECT_EQ(Take(GetVariable(name.c_str())), c.stored) << name;
    if (c.value != nullptr) EXPECT_STREQ(buffer.data(), c.stored) << "caller's buffer";
  }
}

TEST_F(VariablesTest, Expansion) {
  SetVariable("Destination", "C:\\Apps");
  SetVariable("Empty", "");
  SetVariable("Loop", "$(Destination)");
  SetVariable("a$(b", "[a$(b]");
  SetVariable("Rest", "rest)");
  struct Case {
    const char* text;
    const char* expanded;
  };
  const Case cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"$(Destination)\\bin", "C:\\Apps\\bin"},
      {"$(dEsTiNaTiOn)", "C:\\Apps"},
      {"$(Destination)$(Destination)", "C:\\Apps""C:\\Apps"},
      {"$5 costs $$ (not $)", "$5 costs $$ (not $)"},
      {"a)b)", "a)b)"},
      {"end $(", "end "},
      {"$(Destination", "C:\\Apps"},
      {"$(Destination\\bin", ""},
      {"$(Loop)", "$(Destination)"},
      {"$(a$(b)c)", "[a$(b]c)"},
      {"$(Rest)x", "rest)x"},
      {"$( Destination )", ""},
      {"[$(Undefined)]", "[]"},
      {"$(Empty)$(Empty)$(Undefined)", ""},
      {"$()", ""},
      {"\x83$(Destination)\x83\x5C", "\x83""C:\\Apps\x83\x5C"},
  };
  for (const Case& c : cases) {
    char* result = ExpandVariables(c.text);
    ASSERT_NE(result, nullptr) << c.text;
    EXPECT_EQ(Take(result), c.expanded) << c.text;
  }
}

TEST_F(VariablesTest, TheEmptyNameIsLookedUpLikeAnyOther) {
  SetVariable("", "<empty name>");
  EXPECT_EQ(Take(ExpandVariables("end $(")), "end <empty name>");
  EXPECT_EQ(Take(ExpandVariables("$()")), "<empty name>");
}

TEST_F(VariablesTest, NamesOfAnyLength) {
  std::string longName(100000, 'N');
  SetVariable(longName.c_str(), "found");
  EXPECT_EQ(Take(ExpandVariables(("<$(" + longName + ")>").c_str())), "<found>");
  EXPECT_EQ(Take(ExpandVariables(("<$(" + longName + "x)>").c_str())), "<>");
  EXPECT_EQ(Take(ExpandVariables(("$(" + longName).c_str())), "found");
}

// A late source that knows "Late" (and "Refused", which it cannot give), counting
// what it was asked.
std::vector<std::string> gAsked;
bool LateSourceForTest(const char* name, size_t length) {
  gAsked.emplace_back(name, length);
  if (!SameVariableName("Late", name, length)) return false;
  return SetVariable("Late", "fetched") == 0;
}

TEST_F(VariablesTest, ALateSourceIsAskedOnlyForMissingNamesAndOnlyOnceWhenItGives) {
  gAsked.clear();
  gLateVariableSource = LateSourceForTest;
  SetVariable("Set", "set");
  EXPECT_EQ(Take(ExpandVariables("$(LATE)\\$(Set)")), "fetched\\set");
  EXPECT_EQ(Take(GetVariable("late")), "fetched");
  EXPECT_EQ(Take(GetVariable("Refused")), "<none>");
  EXPECT_EQ(Take(ExpandVariables("<$(Refused)>")), "<>");
  // The name is handed over as it lies in the text, without the rest of the text.
  EXPECT_EQ(gAsked, (std::vector<std::string>{"LATE", "Refused", "Refused"}));

  // Setting first wins over the source, which is then never asked.
  DestroyVariableTableForTest();
  ASSERT_EQ(CreateVariableTable(), 0);
  gAsked.clear();
  gLateVariableSource = LateSourceForTest;
  SetVariable("Late", "the user's");
  EXPECT_EQ(Take(ExpandVariables("$(Late)")), "the user's");
  EXPECT_TRUE(gAsked.empty());
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIZES_ARE_EXACT 1
#endif
#endif

// The result grows in steps of kExpandGrowth and always has room for its NUL. The
// sanitizer's allocator reports the size that was asked for, which shows the steps,
// and would catch a NUL stored past the end.
TEST_F(VariablesTest, ResultsAtTheGrowthSteps) {
#ifndef SIZES_ARE_EXACT
  GTEST_SKIP() << "needs the address sanitizer";
#endif
  const size_t lengths[] = {1, 511, 512, 513, 1023, 1024, 1025};
  for (size_t length : lengths) {
    std::string text(length, 'x');
    std::string value(length - 1, 'v');
    SetVariable("Long", value.c_str());
    const std::string inputs[] = {text, "$(Long)x", "x$(Long)"};
    for (const std::string& input : inputs) {
      char* result = ExpandVariables(input.c_str());
      ASSERT_NE(result, nullptr);
      ASSERT_EQ(std::strlen(result), length) << input.substr(0, 8);
      size_t capacity = (length + 1 + kExpandGrowth - 1) / kExpandGrowth * kExpandGrowth;
      EXPECT_EQ(malloc_usable_size(result), capacity) << length;
      std::free(result);
    }
  }
  char* empty = ExpandVariables("$(Undefined)");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(malloc_usable_size(empty), kExpandGrowth);
  std::free(empty);
}

TEST(VariablesWithoutTable, NothingIsDefined) {
  ASSERT_EQ(gVariableTable, nullptr);
  EXPECT_EQ(SetVariable("Destination", "C:\\Apps"), 1);
  EXPECT_EQ(Take(GetVariable("Destination")), "<none>");
  EXPECT_EQ(Take(ExpandVariables("[$(Destination)]")), "[]");
}

}  // namespace
