// Product descriptions: each class of mistake is reported with the file, the line and
// the field, and nothing is written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <regex>
#include <string>

#include "tools/mksetup/verbs.h"
#include "tools/mksetup/description.h"

namespace {

const char kValid[] = R"(company = "C"
product = "P"
main_program = "p.exe"
window_title = { en = "P Setup", ja = "P セットアップ" }

[[components]]
id = "main"
name = "Main"

[[setup_types]]
name = "Typical"
icon = 111
components = ["main"]
custom = true

[[path_pages]]
variable = "Destination"
default = '$(ProgramFilesDir)\P'
components = ["main"]

[[files]]
source = "a.bin"
target = '$(Destination)\a.bin'
components = ["main"]
)";

class DescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mksetup-description-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::ofstream(dir_ + "/a.bin") << "payload bytes";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Write(const std::string& text) {
    std::string path = dir_ + "/product.toml";
    std::ofstream(path) << text;
    return path;
  }

  // The description's error message, or "" when it is accepted.
  std::string ErrorOf(const std::string& text) {
    try {
      ReadDescription(Write(text), {});
    } catch (const DescriptionError& e) {
      return e.what();
    }
    return "";
  }

  static int LineOf(const std::string& text, const std::string& needle) {
    size_t at = text.find(needle);
    return at == std::string::npos ? -1 : 1 + int(std::count(text.begin(), text.begin() + long(at), '\n'));
  }

  std::string dir_;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string Repeat(const std::string& block, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += block;
  return out;
}

TEST_F(DescriptionTest, ValidDescriptionIsAccepted) {
  ProductDescription d = ReadDescription(Write(kValid), {});
  EXPECT_EQ(d.product, "P");
  EXPECT_EQ(d.windowTitle.english, "P Setup");
  EXPECT_EQ(d.windowTitle.japanese, "P \x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76");  // cp932
  ASSERT_EQ(d.files.size(), 1u);
  EXPECT_EQ(d.files[0].size, 13u);
  EXPECT_EQ(d.files[0].target, "$(Destination)\\a.bin");
}

TEST_F(DescriptionTest, EachMistakeNamesTheLineAndTheField) {
  const std::string pathPage = "\n[[path_pages]]\nvariable = \"V%\"\ndefault = \"x\"\ncomponents = []\n";
  std::string twelvePages;
  for (int i = 0; i < 12; ++i) twelvePages += Replace(pathPage, "V%", "V" + std::to_string(i));
  const std::string setupType = "\n[[setup_types]]\nname = \"T\"\nicon = 1\ncomponents = []\n";
  struct Case {
    const char* what;
    std::string text;
    std::string lineOf;  // the text of the line that must be named
    std::string message;
  };
  const Case cases[] = {
      {"missing source", Replace(kValid, "\"a.bin\"", "\"missing.bin\""), "missing.bin",
       "files[0].source: no such file 'missing.bin'"},
      {"five setup types", std::string(kValid) + Repeat(setupType, 4), "",
       "setup_types: there must be 1 to 4 setup types"},
      {"twelve path pages", Replace(kValid, "[[files]]", twelvePages + "\n[[files]]"), "",
       "path_pages: at most 11 path pages"},
      {"undefined variable", Replace(kValid, "'$(Destination)\\a.bin'", "'$(Nowhere)\\a.bin'"),
       "$(Nowhere)", "files[0].target: undefined variable $(Nowhere)"},
      {"unterminated reference", Replace(kValid, "'$(Destination)\\a.bin'", "'$(Destination\\a.bin'"),
       "$(Destination\\a", "files[0].target: unterminated $("},
      {"duplicate target",
       std::string(kValid) + "\n[[files]]\nsource = \"a.bin\"\ntarget = '$(DESTINATION)\\A.BIN'\ncomponents = []\n",
       "A.BIN", "files[1].target: same target as files[0]"},
      {"text outside code page 932", Replace(kValid, "ja = \"P セットアップ\"", "ja = \"P €\""),
       "window_title", "window_title (Japanese): holds a character that code page 932 cannot represent"},
      {"text outside code page 1252", Replace(kValid, "en = \"P Setup\"", "en = \"P 設定\""),
       "window_title", "window_title (English): holds a character that code page 1252 cannot represent"},
      {"path not the same in both code pages", Replace(kValid, "'$(ProgramFilesDir)\\P'", "'$(ProgramFilesDir)\\Pé'"),
       "Pé", "path_pages[0].default: must read the same in both languages' code pages"},
      {"unknown field", Replace(kValid, "icon = 111", "icon = 111\ncustm = true"), "custm",
       "setup_types[0].custm: unknown field"},
      {"missing field", Replace(kValid, "icon = 111\n", ""), "[[setup_types]]",
       "setup_types[0].icon: missing"},
      {"no custom type", Replace(kValid, "custom = true", "custom = false"), "",
       "one setup type must have custom = true"},
      {"image beyond the strip", Replace(kValid, "name = \"Main\"", "name = \"Main\"\nimage = 58"),
       "image = 58", "components[0].image: must be between 0 and 57"},
      {"syntax", Replace(kValid, "product = \"P\"", "product = \"P"), "product", ""},
  };
  for (const Case& c : cases) {
    std::string error = ErrorOf(c.text);
    ASSERT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(error.rfind(dir_ + "/product.toml:", 0), 0u) << c.what << ": " << error;
    if (!c.lineOf.empty()) {
      EXPECT_NE(error.find("product.toml:" + std::to_string(LineOf(c.text, c.lineOf)) + ": "),
                std::string::npos)
          << c.what << ": " << error;
    }
    if (!c.message.empty()) EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST_F(DescriptionTest, UnknownComponentIsNamed) {
  std::string text = Replace(kValid, "target = '$(Destination)\\a.bin'\ncomponents = [\"main\"]",
                             "target = '$(Destination)\\a.bin'\ncomponents = [\"main\", \"extras\"]");
  std::string error = ErrorOf(text);
  EXPECT_NE(error.find("files[0].components: unknown component 'extras'"), std::string::npos) << error;
  EXPECT_NE(error.find("product.toml:" + std::to_string(LineOf(text, "\"extras\"")) + ":"),
            std::string::npos)
      << error;
}

TEST_F(DescriptionTest, AFailedBuildWritesNothing) {
  std::string out = dir_ + "/out";
  std::string description = Write(Replace(kValid, "\"a.bin\"", "\"missing.bin\""));
  std::string args[] = {description, "-o", out};
  char* argv[] = {&args[0][0], &args[1][0], &args[2][0]};
  EXPECT_EQ(RunBuildVerb(3, argv), kToolFailure);
  struct stat st;
  EXPECT_NE(::stat(out.c_str(), &st), 0);
}

}  // namespace
