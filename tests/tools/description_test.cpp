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
      {"path not the same in both code pages", Replace(kValid, "'$(Destination)\\a.bin'", "'$(Destination)\\é.bin'"),
       "é.bin", "files[0].target: must read the same in both languages' code pages"},
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

// Each row: a target and what the message must say about it.
TEST_F(DescriptionTest, TargetsAreCheckedAsWindowsPaths) {
  struct Case {
    const char* target;
    const char* message;
  };
  const Case cases[] = {
      {R"($(Destination)/a.bin)", "uses '/': write '\\' between folders"},
      {R"($(Destination)\\a.bin)", "has an empty folder name"},
      {R"(\a.bin)", "has an empty folder name"},
      {R"($(Destination)\.\a.bin)", "has a '.' folder"},
      {R"($(Destination)\..\a.bin)", "has a '..' folder"},
      {R"($(Destination)\docs.\a.bin)", "'docs.' ends in a dot or space"},
      {R"($(Destination)\a.bin )", "'a.bin ' ends in a dot or space"},
      {R"($(Destination)\a<b.bin)", "holds '<'"},
      {R"($(Destination)\a>b.bin)", "holds '>'"},
      {R"(C:\a.bin)", "holds ':'"},
      {R"($(Destination)\a"b.bin)", "holds '\"'"},
      {R"($(Destination)\a|b.bin)", "holds '|'"},
      {R"($(Destination)\a?.bin)", "holds '?'"},
      {R"($(Destination)\*.bin)", "holds '*'"},
      {"$(Destination)\\a\tb.bin", "holds a control character"},
      {R"($(Destination))", "is only a variable, a folder: add the file's name"},
      {R"($(Destination)\)", "ends in '\\': add the file's name"},
  };
  for (const Case& c : cases) {
    std::string target = c.target;
    std::string text = Replace(kValid, "target = '$(Destination)\\a.bin'",
                               "target = \"" + std::regex_replace(target, std::regex(R"([\\"\t])"), "\\$&") + "\"");
    text = std::regex_replace(text, std::regex("\\\\\t"), "\\t");
    std::string error = ErrorOf(text);
    EXPECT_NE(error.find("product.toml:" + std::to_string(LineOf(text, "target = ")) + ": files[0].target: " +
                         c.message),
              std::string::npos)
        << c.target << " -> " << error;
  }
  EXPECT_EQ(ErrorOf(Replace(kValid, "'$(Destination)\\a.bin'", "'$(Destination)\\docs\\a b.bin'")), "");
}

TEST_F(DescriptionTest, AFileCannotBeAnotherFilesFolder) {
  const std::string second = "\n[[files]]\nsource = \"a.bin\"\ntarget = '%'\ncomponents = []\n";
  for (const char* target : {"$(Destination)\\A.BIN\\inner.txt", "$(Destination)\\a.bin\\deeper\\x"}) {
    std::string text = std::string(kValid) + Replace(second, "%", target);
    std::string error = ErrorOf(text);
    EXPECT_NE(error.find("files[1].target: lies in a folder that is files[0]'s file"), std::string::npos)
        << target << " -> " << error;
  }
  // Listed the other way round, the message names the file that is the folder.
  std::string text = Replace(kValid, "'$(Destination)\\a.bin'", "'$(Destination)\\d\\a.bin'") +
                     Replace(second, "%", "$(Destination)\\d");
  EXPECT_NE(ErrorOf(text).find("files[1].target: is the folder of files[0]"), std::string::npos) << ErrorOf(text);
}

TEST_F(DescriptionTest, TextFilesMustBeRegularFiles) {
  ::mkdir((dir_ + "/welcome").c_str(), 0777);
  std::string text = Replace(kValid, "[[components]]",
                             "welcome = { en_file = \"welcome\", ja = \"x\" }\n\n[[components]]");
  EXPECT_NE(ErrorOf(text).find("welcome.en_file: '" + dir_ + "/welcome' is not a regular file"),
            std::string::npos)
      << ErrorOf(text);
}

TEST_F(DescriptionTest, VersionPublisherAndExecutionLevel) {
  const std::string fields =
      "version = \"2.10.0.7\"\npublisher = { en = \"Ovalis Ltd\", ja = \"オヴァリス\" }\n"
      "copyright = \"(c) 2026\"\nexecution_level = \"asInvoker\"\n";
  ProductDescription d = ReadDescription(Write(fields + kValid), {});
  EXPECT_EQ(d.version, "2.10.0.7");
  EXPECT_EQ(d.versionNumbers[1], 10u);
  EXPECT_EQ(d.versionNumbers[3], 7u);
  EXPECT_EQ(d.publisher.english, "Ovalis Ltd");
  EXPECT_EQ(d.executionLevel, "asInvoker");
  EXPECT_EQ(ReadDescription(Write(kValid), {}).executionLevel, "requireAdministrator");

  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"version = \"1.2.3.4.5\"", "version: must be up to four numbers 0-65535"},
      {"version = \"1.65536\"", "version: must be up to four numbers"},
      {"version = \"1..2\"", "version: must be up to four numbers"},
      {"version = \"v1\"", "version: must be up to four numbers"},
      {"execution_level = \"admin\"", "execution_level: one of requireAdministrator"},
  };
  for (const Case& c : cases) {
    std::string error = ErrorOf(std::string(c.line) + "\n" + kValid);
    EXPECT_NE(error.find("product.toml:1: " + std::string(c.message)), std::string::npos) << c.line << " -> " << error;
  }
}

// The registrations: each mistake names its field and line.
TEST_F(DescriptionTest, RegistrationMistakesNameTheFieldAndLine) {
  const std::string fileType =
      "\n[[file_types]]\nextension = \".pn\"\ntype = \"P.Note\"\nname = \"P Note\"\n";
  const std::string soundEvent = "\n[[sound_events]]\nevent = \"PDone\"\nlabel = \"Done\"\n";
  const std::string withType = kValid + fileType;
  const std::string withSound = Replace(kValid, "[[components]]", "sound_app = \"PApp\"\n\n[[components]]") + soundEvent;
  // Without a path page its folder comes from a file.
  const std::string noPage = Replace(Replace(kValid, "[[path_pages]]\nvariable = \"Destination\"\n"
                                                    "default = '$(ProgramFilesDir)\\P'\ncomponents = [\"main\"]\n", ""),
                                     "'$(Destination)\\a.bin'", "'$(ProgramFilesDir)\\P\\a.bin'");
  auto top = [](const std::string& text, const std::string& line) {
    return Replace(text, "[[components]]", line + "\n\n[[components]]");
  };
  struct Case {
    std::string text;
    std::string lineOf;  // the text of the line that must be named; "": line 1
    std::string message;  // "": accepted
  };
  const Case cases[] = {
      {Replace(withType, "\".pn\"", "\"pn\""), "\"pn\"", "file_types[0].extension: must be a dot and a name"},
      {Replace(withType, "\".pn\"", "\".\""), "extension", "file_types[0].extension: must be a dot and a name"},
      {Replace(withType, "\".pn\"", "\".p n\""), "extension", "file_types[0].extension: holds a space"},
      {Replace(withType, "\".pn\"", "\".p\\\\n\""), "extension", "file_types[0].extension: holds '\\'"},
      {Replace(withType, "\".pn\"", "\".p*\""), "extension", "file_types[0].extension: holds '*'"},
      {Replace(withType, "\".pn\"", "\".tar.gz\""), "extension", "file_types[0].extension: holds a second '.'"},
      {Replace(withType, "\".pn\"", "\".pé\""), "extension", "file_types[0].extension: must read the same"},
      {withType + Replace(Replace(fileType, ".pn", ".PN"), "P.Note", "P.Other"), "\".PN\"",
       "file_types[1].extension: same extension as file_types[0]"},
      {Replace(withType, "\"P.Note\"", "\"P\\\\Note\""), "type = ", "file_types[0].type: holds '\\'"},
      {Replace(withType, "type = \"P.Note\"\n", ""), "[[file_types]]", "file_types[0].type: missing"},
      {Replace(withType, "name = \"P Note\"\n", ""), "[[file_types]]", "file_types[0].name: missing"},
      {Replace(withType, "name = \"P Note\"", "name = \"\""), "name = \"\"", "file_types[0].name: must not be empty"},
      {withType + "icon_index = 1.5\n", "icon_index", "file_types[0].icon_index: must be a whole number"},
      {withType + "icon_index = 4294967296\n", "icon_index", "file_types[0].icon_index: must be between"},
      {withType + "icon = '$(Nowhere)\\p.ico'\n", "p.ico", "file_types[0].icon: undefined variable $(Nowhere)"},
      {withType + "icon = '$(Destination)\\'\n", "icon = '", "file_types[0].icon: ends in '\\'"},
      {withType + "command = '$(Nowhere)\\p.exe \"%1\"'\n", "command = ",
       "file_types[0].command: undefined variable $(Nowhere)"},
      {withType + "dde = { command = '[open(\"%1\")]', application = \"P\" }\n", "dde = ",
       "file_types[0].dde.topic: missing"},
      {withType + "dde = { command = \"\", application = \"P\", topic = \"system\" }\n", "dde = ",
       "file_types[0].dde.command: must not be empty"},
      {withType + "dde = { command = \"x\", application = \"P\", topic = \"system\", verb = \"x\" }\n", "dde = ",
       "file_types[0].dde.verb: unknown field"},
      {withType + "dde = \"yes\"\n", "dde = ", "file_types[0].dde: must be a table"},
      {withType + "verb = \"edit\"\n", "verb", "file_types[0].verb: unknown field"},
      {kValid + soundEvent, "", "sound_app: missing"},
      {top(kValid, "sound_app = \"A\\\\B\""), "sound_app", "sound_app: holds '\\'"},
      {withSound + Replace(soundEvent, "PDone", "PDONE"), "PDONE", "sound_events[1].event: two sound events"},
      {Replace(withSound, "\"PDone\"", "\"P\\\\Done\""), "event = ", "sound_events[0].event: holds '\\'"},
      {Replace(withSound, "label = \"Done\"\n", ""), "[[sound_events]]", "sound_events[0].label: missing"},
      {top(kValid, "uninstaller = \"yes\""), "uninstaller", "uninstaller: must be true or false"},
      {top(kValid, "app_path = 1"), "app_path", "app_path: must be true or false"},
      {top(kValid, "log = '$(WindowsDir)\\p.l0g'"), "log = ",
       "log: '$(WindowsDir)\\p.l0g' lies outside every folder the product defines"},
      {top(kValid, "main_program_target = '$(SystemDir)\\p.exe'"), "main_program_target",
       "main_program_target: '$(SystemDir)\\p.exe' lies outside every folder"},
      {top(kValid, "uninstaller = true\nuninstaller_target = '$(TempDir)\\u.exe'"), "uninstaller_target",
       "uninstaller_target: '$(TempDir)\\u.exe' lies outside every folder"},
      {top(kValid, "uninstaller = true\nuninstaller_target = '$(Destination)\\a.bin\\u.exe'"), "uninstaller_target",
       "uninstaller_target: lies in a folder that is files[0]'s file"},
      {top(kValid, "main_program_target = 'p.exe'"), "main_program_target",
       "main_program_target: 'p.exe' lies outside every folder"},
      {top(kValid, "log = '$(Destination)\\logs\\'"), "log = ", "log: ends in '\\'"},
      // With no path page and no file that is the main program there is nowhere to put it.
      {noPage, "", "main_program_target: missing: no file is main_program and there is no path page"},
      // A drive root was where a product with no path page put its log.
      {top(noPage, "main_program_target = '$(ProgramFilesDir)\\p.exe'"), "main_program_target",
       "main_program_target: '$(ProgramFilesDir)\\p.exe' lies outside every folder the product defines "
       "(a path page's $(Variable) or the folder of one of its files)"},
      {top(noPage, "main_program_target = '$(ProgramFilesDir)\\P\\p.exe'"), "", ""},
      {Replace(kValid, "default = '$(ProgramFilesDir)\\P'", "default = { en = '$(ProgramFilesDir)\\P', ja = '$(Nowhere)\\P' }"),
       "default = ", "path_pages[0].default: undefined variable $(Nowhere)"},
      {Replace(kValid, "default = '$(ProgramFilesDir)\\P'", "default = { en = '$(ProgramFilesDir)\\P', ja = '$(ProgramFilesDir)\\ソフト' }"),
       "default = ", "path_pages[0].default (Japanese): holds a character whose code page 932 bytes end in '\\'"},
      {Replace(kValid, "default = '$(ProgramFilesDir)\\P'", "default = { en = '$(ProgramFilesDir)\\P', ja = '' }"),
       "default = ", "path_pages[0].default (Japanese): must not be empty"},
  };
  for (const Case& c : cases) {
    std::string error = ErrorOf(c.text);
    if (c.message.empty()) {
      EXPECT_EQ(error, "") << "accepted, its log beside its files";
      continue;
    }
    const int line = c.lineOf.empty() ? 1 : LineOf(c.text, c.lineOf);
    EXPECT_NE(error.find("product.toml:" + std::to_string(line) + ": " + c.message), std::string::npos)
        << c.message << "\n -> " << error;
  }
}

TEST_F(DescriptionTest, RegistrationDefaults) {
  // The main program is found among the files by its name, letter case ignored.
  std::string named = Replace(Replace(kValid, "source = \"a.bin\"\ntarget = '$(Destination)\\a.bin'",
                                      "source = \"a.bin\"\ntarget = '$(Destination)\\bin\\P.EXE'"),
                              "[[components]]", "uninstaller = true\n\n[[components]]");
  ProductDescription d = ReadDescription(Write(named), {});
  EXPECT_EQ(d.mainProgramTarget, "$(Destination)\\bin\\P.EXE");
  EXPECT_EQ(d.uninstallerTarget, "$(Destination)\\bin\\uninstaller.exe");
  EXPECT_EQ(d.log, "$(Destination)\\bin\\uninstal.l0g");
  EXPECT_TRUE(d.uninstaller);
  EXPECT_TRUE(d.uninstallerToAdd);
  EXPECT_TRUE(d.appPath);
  EXPECT_EQ(d.soundAppName.english, "P");

  // Otherwise it is in the first path page's folder; without an uninstaller the log
  // goes beside the main program, wherever the uninstaller would have been.
  d = ReadDescription(Write(Replace(kValid, "[[components]]",
                                    "uninstaller_target = '$(Destination)\\tools\\u.exe'\n\n[[components]]")), {});
  EXPECT_EQ(d.mainProgramTarget, "$(Destination)\\p.exe");
  EXPECT_EQ(d.log, "$(Destination)\\uninstal.l0g");
  EXPECT_FALSE(d.uninstaller);
  EXPECT_FALSE(d.uninstallerToAdd);
  EXPECT_TRUE(d.fileTypes.empty());
  EXPECT_TRUE(d.soundEvents.empty());

  // A path page's default may differ between the languages; the same string stays the same.
  d = ReadDescription(Write(Replace(kValid, "default = '$(ProgramFilesDir)\\P'",
                                    "default = { en = '$(ProgramFilesDir)\\Pad', ja = '$(ProgramFilesDir)\\パッド' }")), {});
  EXPECT_EQ(d.pathPages[0].defaultValue.english, "$(ProgramFilesDir)\\Pad");
  EXPECT_EQ(d.pathPages[0].defaultValue.japanese, "$(ProgramFilesDir)\\\x83\x70\x83\x62\x83\x68");
  d = ReadDescription(Write(kValid), {});
  EXPECT_EQ(d.pathPages[0].defaultValue.english, "$(ProgramFilesDir)\\P");
  EXPECT_EQ(d.pathPages[0].defaultValue.japanese, "$(ProgramFilesDir)\\P");
}

}  // namespace
