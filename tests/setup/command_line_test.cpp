// The switches of unattended and preset runs, as a deployment script writes them.
#include <gtest/gtest.h>

#include <string>

#include "setup/command_line.h"

namespace {

struct Parsed {
  CommandLine line;
  explicit Parsed(const char* arguments) { EXPECT_TRUE(ParseCommandLine(arguments, &line)); }
  ~Parsed() { FreeCommandLine(&line); }
  std::string Variable(const std::string& name) const {
    for (int i = 0; i < line.variableCount; ++i) {
      if (name == line.variables[i].name) return line.variables[i].value;
    }
    return "<none>";
  }
};

TEST(ParseCommandLine, NoArgumentsIsTheInteractiveRun) {
  for (const char* arguments : {"", "   ", "\t"}) {
    Parsed p(arguments);
    EXPECT_FALSE(p.line.any);
    EXPECT_FALSE(p.line.silent);
    EXPECT_FALSE(p.line.noRestart);
    EXPECT_EQ(p.line.setupType, -1);
    EXPECT_EQ(p.line.bad, nullptr);
  }
}

TEST(ParseCommandLine, SwitchesInAnyCaseWithEitherMark) {
  Parsed p(" /s -noassoc /TyPe=2 /group=\"My Tools\" -LOG=C:\\setup.log /COMPONENTS=1,3,10 "
           "/VAR:Data=\"C:\\Data Files\" /D=C:\\Program Files\\Quorbex32  ");
  const CommandLine& c = p.line;
  EXPECT_EQ(c.bad, nullptr);
  EXPECT_TRUE(c.any);
  EXPECT_TRUE(c.silent);
  EXPECT_TRUE(c.noAssociate);
  EXPECT_TRUE(c.noRestart);  // silent runs never restart
  EXPECT_EQ(c.setupType, 1);
  EXPECT_STREQ(c.group, "My Tools");
  EXPECT_STREQ(c.logPath, "C:\\setup.log");
  EXPECT_TRUE(c.components);
  EXPECT_EQ(c.componentBits[0], 0x05);
  EXPECT_EQ(c.componentBits[1], 0x02);
  EXPECT_EQ(p.Variable("Data"), "C:\\Data Files");
  EXPECT_EQ(p.Variable("Destination"), "C:\\Program Files\\Quorbex32");
}

TEST(ParseCommandLine, InteractivePresetsAndRestart) {
  Parsed p("/D=\"D:\\Apps\\Q 32\"");
  EXPECT_TRUE(p.line.any);
  EXPECT_FALSE(p.line.silent);
  EXPECT_FALSE(p.line.noRestart);
  EXPECT_EQ(p.Variable("Destination"), "D:\\Apps\\Q 32");
  Parsed q("/NORESTART /?");
  EXPECT_TRUE(q.line.noRestart);
  EXPECT_TRUE(q.line.help);
}

TEST(ParseCommandLine, TheFirstSwitchNotUnderstoodIsNamed) {
  struct Case {
    const char* arguments;
    const char* bad;
  };
  const Case cases[] = {
      {"/X", "/X"},
      {"/S /silent", "/silent"},
      {"install", "install"},
      {"/TYPE=0", "/TYPE=0"},
      {"/TYPE=x", "/TYPE=x"},
      {"/TYPE=", "/TYPE="},
      {"/COMPONENTS=1,,2", "/COMPONENTS=1,,2"},
      {"/COMPONENTS=1,", "/COMPONENTS=1,"},
      {"/COMPONENTS=0", "/COMPONENTS=0"},
      {"/COMPONENTS=513", "/COMPONENTS=513"},
      {"/GROUP=", "/GROUP="},
      {"/GROUP=\"\"", "/GROUP=\"\""},
      {"/VAR:=C:\\x", "/VAR:=C:\\x"},
      {"/VAR:Data", "/VAR:Data"},
      {"/D=", "/D="},
      {"/S /NOASSOCX /D=C:\\x", "/NOASSOCX"},
      {"/X /Y", "/X"},
  };
  for (const Case& c : cases) {
    Parsed p(c.arguments);
    ASSERT_NE(p.line.bad, nullptr) << c.arguments;
    EXPECT_STREQ(p.line.bad, c.bad) << c.arguments;
  }
}

TEST(ParseCommandLine, SwitchesAfterABadOneAreStillRead) {
  Parsed p("/S /X /LOG=C:\\run.log /D=C:\\Q");
  EXPECT_STREQ(p.line.bad, "/X");
  EXPECT_TRUE(p.line.silent);
  EXPECT_STREQ(p.line.logPath, "C:\\run.log");
}

TEST(SkipProgramName, QuotedOrNot) {
  EXPECT_STREQ(SkipProgramName("\"C:\\My Setup\\setup.exe\" /S"), " /S");
  EXPECT_STREQ(SkipProgramName("setup.exe /S /D=C:\\x"), " /S /D=C:\\x");
  EXPECT_STREQ(SkipProgramName("setup.exe"), "");
  EXPECT_STREQ(SkipProgramName("\"C:\\unterminated"), "");
}

}  // namespace
