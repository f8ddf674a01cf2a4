// The removal plan, newest entry first, and the uninstaller's command line and exit
// codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "system/uninstall_log_read.h"
#include "uninstall/command_line.h"
#include "uninstall/log_image.h"
#include "uninstall/removal_plan.h"

namespace {

struct Step {
  int action;
  int root;
  std::string path;
  std::string name;
  uint32_t entry;
  bool operator==(const Step& o) const {
    return action == o.action && root == o.root && path == o.path && name == o.name && entry == o.entry;
  }
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
  return out << "{" << s.action << ", " << s.root << ", \"" << s.path << "\", \"" << s.name << "\", "
             << s.entry << "}";
}

std::vector<Step> Plan(const std::vector<ImageEntry>& entries) {
  std::vector<uint8_t> image = LogImage(entries);
  LogContents log;
  uint32_t bad = 0;
  const ProtectedFolders none = {nullptr, nullptr};
  EXPECT_EQ(ParseUninstallLog(image.data(), image.size(), none, &log, &bad), logIntact);
  std::vector<RemovalStep> steps(kMostStepsPerEntry * (entries.size() + 1));
  size_t count = PlanRemoval(log, steps.data());
  std::vector<Step> out;
  for (size_t i = 0; i < count; ++i) {
    const RemovalStep& s = steps[i];
    out.push_back({s.action, s.root, std::string(s.path, s.pathLength), s.name, s.entry});
  }
  FreeLogContents(&log);
  return out;
}

TEST(RemovalPlan, NewestEntryFirstWithTheCompanyKeyAfterItsProduct) {
  const std::string dest = "C:\\Program Files\\Quorbex32";
  const std::string menu = "C:\\Menu\\Quorbex32";
  std::vector<Step> steps = Plan({
      {6, "Software\\Ovalis\\Quorbex32\\", ""},
      {1, menu, ""},
      {4, dest, ""},
      {3, dest + "\\quorbex.exe", ""},
      {2, menu + "\\Quorbex32.lnk", ""},
      {5, ".zip", ""},
      {5, "quorbex.zip", ""},
      {6, "AppEvents\\Schemes\\Apps\\TORVQuorbex32", ""},
      {7, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe", ""},
      {7, "Software\\Ovalis\\Settings", "Last"},
      {3, dest + "\\uninstal.l0g", ""},
  });
  EXPECT_EQ(steps, (std::vector<Step>{
                       {stepDeleteFile, rootNone, dest + "\\uninstal.l0g", "", 10},
                       {stepDeleteValue, rootLocalMachine, "Software\\Ovalis\\Settings", "Last", 9},
                       {stepDeleteKey, rootLocalMachine,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\quorbex.exe", "", 8},
                       {stepDeleteKey, rootCurrentUser, "AppEvents\\Schemes\\Apps\\TORVQuorbex32", "", 7},
                       {stepDeleteKey, rootClasses, "quorbex.zip", "", 6},
                       {stepDeleteExtension, rootClasses, ".zip", "quorbex.zip", 5},
                       {stepDeleteFile, rootNone, menu + "\\Quorbex32.lnk", "", 4},
                       {stepDeleteFile, rootNone, dest + "\\quorbex.exe", "", 3},
                       {stepRemoveFolder, rootNone, dest, "", 2},
                       {stepRemoveFolder, rootNone, menu, "", 1},
                       {stepDeleteKey, rootCurrentUser, "Software\\Ovalis\\Quorbex32", "", 0},
                       {stepDeleteEmptyKey, rootCurrentUser, "Software\\Ovalis", "", 0},
                   }));
}

TEST(RemovalPlan, OnlyAProductKeyRightBelowSoftwareHasACompanyKeyToTidy) {
  struct Case {
    const char* key;
    bool company;
  };
  const Case cases[] = {
      {"Software\\Ovalis\\Quorbex32\\", true},
      {"SOFTWARE\\Ovalis\\Quorbex32", true},
      {"Software\\Ovalis", false},
      {"Software\\Ovalis\\Quorbex32\\Settings", false},
      {"Softwares\\Ovalis\\Quorbex32", false},
      {"AppEvents\\EventLabels\\X", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    std::vector<Step> steps = Plan({{6, c.key, ""}});
    ASSERT_EQ(steps.size(), c.company ? 2u : 1u);
    if (c.company) EXPECT_EQ(steps[1].path, std::string(c.key).substr(0, std::string(c.key).find('\\', 9)));
  }
}

TEST(ExitCode, FailureOutranksRestartWhichOutranksSuccess) {
  struct Case {
    std::vector<int> results;
    int exitCode;
  };
  const Case cases[] = {
      {{}, exitAllRemoved},
      {{resultRemoved, resultAbsent, resultKept}, exitAllRemoved},
      {{resultRemoved, resultWaits}, exitRestartNeeded},
      {{resultWaits, resultFailed, resultRemoved}, exitFailed},
  };
  for (const Case& c : cases) {
    RemovalTally tally{};
    for (int r : c.results) CountResult(&tally, r);
    EXPECT_EQ(ExitCodeFor(tally), c.exitCode);
  }
}

TEST(CommandLine, LogNameOptionsAndQuotes) {
  struct Case {
    const char* line;
    int result;
    const char* logName;
    bool silent;
    const char* textLog;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\Q\\uninstaller.exe\" uninstal.l0g", commandLineOk, "uninstal.l0g", false, nullptr},
      {"uninstaller.exe", commandLineOk, "uninstal.l0g", false, nullptr},
      {"u.exe  \"C:\\My Logs\\a.l0g\"  /s", commandLineOk, "C:\\My Logs\\a.l0g", true, nullptr},
      {"u.exe uninstal.l0g /S /LOG=\"C:\\My Logs\\run.txt\"", commandLineOk, "uninstal.l0g", true,
       "C:\\My Logs\\run.txt"},
      {"u.exe /log=run.txt", commandLineOk, "uninstal.l0g", false, "run.txt"},
      {"u.exe a.l0g b.l0g", commandLineBad, nullptr, false, nullptr},
      {"u.exe /Q", commandLineBad, nullptr, false, nullptr},
      {"u.exe /LOG=", commandLineBad, nullptr, false, nullptr},
      {"u.exe /SILENT", commandLineBad, nullptr, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    UninstallOptions options;
    ASSERT_EQ(ParseUninstallCommandLine(c.line, &options), c.result);
    if (c.result != commandLineOk) {
      EXPECT_EQ(options.logName, nullptr);
      continue;
    }
    EXPECT_STREQ(options.logName, c.logName);
    EXPECT_EQ(options.silent, c.silent);
    EXPECT_STREQ(options.textLog, c.textLog);
    FreeUninstallOptions(&options);
  }
}

TEST(CommandLine, ARelativeLogNameIsTakenFromTheProgramsFolder) {
  struct Case {
    const char* folder;
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Q", "uninstal.l0g", "C:\\Program Files\\Q\\uninstal.l0g"},
      {"C:\\", "uninstal.l0g", "C:\\uninstal.l0g"},
      {"C:\\Q", "D:\\logs\\u.l0g", "D:\\logs\\u.l0g"},
      {"C:\\Q", "\\\\server\\share\\u.l0g", "\\\\server\\share\\u.l0g"},
      {"C:\\Q", "sub\\u.l0g", "C:\\Q\\sub\\u.l0g"},
  };
  for (const Case& c : cases) {
    char* path = ResolveLogPath(c.folder, c.name);
    EXPECT_STREQ(path, c.path);
    std::free(path);
  }
}

}  // namespace
