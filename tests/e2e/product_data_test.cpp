// The sample product's registrations, left to the setup's built-in values or written
// out as data by the builder, make the same installation: files, the three registry
// trees and the uninstall log's bytes, item by item.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"

namespace {

std::string ProgramNamedBy(const char* variable) {
  const char* program = std::getenv(variable);
  return program != nullptr ? program : "";
}

bool IsShortcut(const std::string& item) {
  return item.size() > 4 && item.compare(item.size() - 4, 4, ".lnk") == 0;
}

// Installs silently with every default; the machine afterwards. A link file holds
// the times of its target, so shortcuts are compared by what they open instead.
MachineSnapshot InstallWith(const std::string& program) {
  ForgetSampleProduct();
  SetupProcess setup(program, "/S");
  EXPECT_TRUE(setup.Started());
  EXPECT_EQ(setup.WaitForExit(120000), 0) << program;
  MachineSnapshot snapshot = TakeSnapshot();
  for (auto& [item, what] : snapshot) {
    if (item.rfind("file ", 0) != 0 || !IsShortcut(item)) continue;
    const Shortcut link = ReadShortcut(item.substr(5));
    what = link.target + "|" + link.arguments + "|" + std::to_string(link.showCommand);
  }
  return snapshot;
}

TEST(ProductData, TheSampleInstallsTheSameFromItsBuiltInValuesAndFromData) {
  ASSERT_FALSE(ProgramNamedBy("SETUP_PROGRAM").empty()) << "SETUP_PROGRAM is not set";
  ASSERT_FALSE(ProgramNamedBy("DATA_PROGRAM").empty()) << "DATA_PROGRAM is not set";
  CoInitialize(nullptr);
  const MachineSnapshot builtIn = InstallWith(ProgramNamedBy("SETUP_PROGRAM"));
  const std::string log = ProgramFilesFolder() + "\\Quorbex32\\uninstal.l0g";
  const std::vector<uint8_t> builtInLog = ReadWholeFile(log);
  const MachineSnapshot data = InstallWith(ProgramNamedBy("DATA_PROGRAM"));

  EXPECT_FALSE(builtInLog.empty());
  EXPECT_EQ(ReadWholeFile(log), builtInLog);
  // The snapshot holds every file's bytes by hash and every value's data.
  EXPECT_GT(builtIn.count("key HKCR\\quorbex.zip\\shell\\open\\ddeexec\\topic"), 0u);
  size_t shortcuts = 0;
  for (const auto& entry : builtIn) {
    shortcuts += IsShortcut(entry.first) && entry.first.find("\\Programs\\Quorbex32\\") != std::string::npos;
  }
  EXPECT_EQ(shortcuts, 3u);
  const std::vector<std::string> differences = SnapshotDifferences(builtIn, data, WindowsOwnChanges());
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
  ForgetSampleProduct();
  CoUninitialize();
}

}  // namespace
