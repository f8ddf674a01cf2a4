// What an installation of the sample product leaves on the machine, read back for
// the end-to-end tests and the demo's report.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

std::string ProgramFilesFolder();   // from the registry, as the setup reads it
std::string ProgramsMenuFolder();   // the shell's Programs folder
std::string RegistryString(HKEY root, const std::string& key, const std::string& value);
bool RegistryKeyExists(HKEY root, const std::string& key);
void DeleteRegistryTree(HKEY root, const std::string& key);
void DeleteFolderTree(const std::string& folder);
bool FileExists(const std::string& path);
std::vector<uint8_t> ReadWholeFile(const std::string& path);
// Names (not . and ..) in a folder.
std::vector<std::string> FolderEntries(const std::string& folder);

struct Shortcut {
  std::string path, target, arguments;
  int showCommand = 0;
};
Shortcut ReadShortcut(const std::string& lnkPath);

struct LogEntry {
  uint32_t kind;
  std::string first, second;
};
struct UninstallLogFile {
  bool read = false;
  std::string productName;
  std::vector<LogEntry> entries;
};
UninstallLogFile ReadUninstallLog(const std::string& path);

// Removes every trace of an earlier run of the sample product, so a test starts from
// a machine where it was never installed.
void ForgetSampleProduct();

// The machine as a map from each item to what it holds: "file C:\\path" → size and
// a hash of the bytes, "folder C:\\path", "key HKLM\\path", "value HKLM\\path\\name" →
// type and a hash of the data. Files under C:\\ (folders that lead elsewhere, such
// as links to the Unix home, are not followed), and the HKLM, HKCU and HKCR trees.
using MachineSnapshot = std::map<std::string, std::string>;
MachineSnapshot TakeSnapshot();

// One excluded part of the machine: items beginning with prefix (any letter case),
// or only the item that is prefix, and why they are not compared.
struct SnapshotExclusion {
  const char* prefix;
  const char* why;
  bool alone = false;  // the item itself, not what lies below it
};

// What Windows itself changes between two snapshots, and the tests' own traces.
const std::vector<SnapshotExclusion>& WindowsOwnChanges();

// "+ item", "- item" and "~ item" for what after has that before had not, lacks, or
// holds otherwise; items under an exclusion are left out.
std::vector<std::string> SnapshotDifferences(const MachineSnapshot& before, const MachineSnapshot& after,
                                             const std::vector<SnapshotExclusion>& exclusions);
