// How a run of the sample product's setup ends when something goes wrong: the message
// the user is given, the exit code, and the machine afterwards, compared item by item
// with a snapshot from before. A run that stops before replacing files leaves the
// machine as it found it, on a new machine and over an earlier installation.
// The runs are silent, so the message is read from the run's text log, where every
// message the wizard would show is written too.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/machine_state.h"
#include "e2e/setup_process.h"

namespace {

const char kLog[] = "C:\\endings-run.log";

std::string Program() {
  const char* program = std::getenv("SETUP_PROGRAM");
  return WindowsPath(program != nullptr ? program : "");
}

// The message lines of the run's log, joined.
std::string LoggedMessages() {
  const std::vector<uint8_t> bytes = ReadWholeFile(kLog);
  const std::string text(bytes.begin(), bytes.end());
  std::string messages;
  for (size_t at = text.find("Message: "); at != std::string::npos;
       at = text.find("Message: ", at + 1)) {
    messages += text.substr(at, text.find("\r\n", at) - at) + "\n";
  }
  return messages;
}

// A copy of the setup with one byte of its payload changed, as a bad download has it.
std::string DamagedCopy() {
  const std::string copy = "C:\\damaged-setup.exe";
  EXPECT_TRUE(CopyFileA(Program().c_str(), copy.c_str(), FALSE));
  HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  EXPECT_NE(module, nullptr);
  HRSRC archive = FindResourceA(module, MAKEINTRESOURCEA(1), "ARCHIVE");
  const uint8_t* base = reinterpret_cast<const uint8_t*>(ULONG_PTR(module) & ~ULONG_PTR(3));
  const size_t offset = size_t(static_cast<const uint8_t*>(LockResource(LoadResource(module, archive))) - base) +
                        SizeofResource(module, archive) / 2;
  FreeLibrary(module);
  std::vector<uint8_t> bytes = ReadWholeFile(copy);
  bytes[offset] ^= 0x10;
  HANDLE file = CreateFileA(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return copy;
}

class Endings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program().empty()) << "SETUP_PROGRAM is not set";
    CoInitialize(nullptr);
    ForgetSampleProduct();
    destination_ = ProgramFilesFolder() + "\\Quorbex32";
  }
  void TearDown() override {
    ForgetSampleProduct();
    DeleteFileA(kLog);
    DeleteFileA("C:\\damaged-setup.exe");
    DeleteFileA("C:\\in the way");
    CoUninitialize();
  }

  int Run(const std::string& program, const std::string& arguments) {
    DeleteFileA(kLog);
    SetupProcess setup(SetupProcess::CommandLine{"\"" + program + "\" /S /LOG=" + kLog + " " + arguments});
    return setup.WaitForExit(120000);
  }

  std::string destination_;
};

TEST_F(Endings, AStoppedRunLeavesTheMachineAsItFoundIt) {
  struct Case {
    const char* what;
    bool damaged;           // run a copy with a damaged payload
    std::string arguments;
    const char* message;    // in every message the run gave
  };
  const Case cases[] = {
      {"a drive that does not exist", false, "/D=Q:\\Nowhere\\Quorbex32",
       "A temporary file could not be created."},
      {"a file where the folder goes", false, "/D=C:\\in the way\\Quorbex32",
       "A temporary file could not be created."},
      {"a damaged payload", true, "", "damaged"},
  };
  for (bool earlier : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (earlier ? ", over an earlier installation" : ""));
      ForgetSampleProduct();
      if (earlier) {
        ASSERT_EQ(Run(Program(), ""), 0);
      }
      HANDLE blocker = CreateFileA("C:\\in the way", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      CloseHandle(blocker);
      const std::string program = c.damaged ? DamagedCopy() : Program();
      const MachineSnapshot before = TakeSnapshot();

      EXPECT_EQ(Run(program, c.arguments), 2);

      const std::string messages = LoggedMessages();
      EXPECT_NE(messages.find(c.damaged ? "" : c.message), std::string::npos) << messages;
      EXPECT_EQ(messages.find("successfully"), std::string::npos) << messages;
      std::vector<std::string> differences =
          SnapshotDifferences(before, TakeSnapshot(), WindowsOwnChanges());
      // The run's own log is the one trace it may leave.
      std::vector<std::string> unexpected;
      for (const std::string& d : differences) {
        if (d.find("endings-run.log") == std::string::npos) unexpected.push_back(d);
      }
      EXPECT_TRUE(unexpected.empty()) << ::testing::PrintToString(unexpected);
    }
  }
}

// Steps after the extraction that fail are named, and the exit code says failed.
TEST_F(Endings, NoSuccessUnlessEverythingSucceeded) {
  struct Case {
    const char* what;
    std::string arguments;
    void (*prepare)(const std::string& destination);
    int code;
    const char* named;  // in the message
  };
  const Case cases[] = {
      {"no folder can have that name", "/GROUP=\"Quorbex|32?\"", nullptr, 2, "Quorbex|32?"},
      {"the log cannot be written", "",
       [](const std::string& d) {
         CreateDirectoryA(d.c_str(), nullptr);
         CreateDirectoryA((d + "\\uninstal.l0g").c_str(), nullptr);
       },
       2, "uninstal.l0g"},
      {"a folder where a file goes", "",
       [](const std::string& d) {
         CreateDirectoryA(d.c_str(), nullptr);
         CreateDirectoryA((d + "\\readme.txt").c_str(), nullptr);
       },
       2, "readme.txt"},
      {"nothing selected", "/COMPONENTS=", nullptr, 87, "/COMPONENTS="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ForgetSampleProduct();
    if (c.prepare != nullptr) c.prepare(destination_);
    EXPECT_EQ(Run(Program(), c.arguments), c.code);
    const std::string messages = LoggedMessages();
    EXPECT_NE(messages.find(c.named), std::string::npos) << messages;
    EXPECT_EQ(messages.find("successfully"), std::string::npos) << messages;
    // Nothing waits for a restart that could not carry it out.
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                             "PendingFileRenameOperations")
                  .find("readme.txt"),
              std::string::npos);
  }
  // An Uninstall entry is left only with a log it can read.
  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorbex32") &&
               !FileExists(destination_ + "\\uninstal.l0g"));
}

// A disk that fills up while the main program is written (the test runs with a limit
// on the size of every file written, which the sample's help files stay under):
// the run stops, says why, exits with 2 and leaves the machine as it found it, also
// over an earlier installation of the help files alone.
TEST_F(Endings, ADiskThatFillsUpStopsTheRun) {
  if (std::getenv("SETUP_FILE_LIMIT_KB") == nullptr) GTEST_SKIP() << "runs only under a file-size limit";
  for (bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "over an earlier installation" : "on a new machine");
    ForgetSampleProduct();
    if (earlier) {
      ASSERT_EQ(Run(Program(), "/COMPONENTS=2"), 0) << LoggedMessages();
      ASSERT_TRUE(FileExists(destination_ + "\\manual.txt"));
    }
    const MachineSnapshot before = TakeSnapshot();

    EXPECT_EQ(Run(Program(), "/TYPE=1"), 2);

    const std::string messages = LoggedMessages();
    EXPECT_NE(messages.find("quorbex.exe"), std::string::npos) << messages;
    EXPECT_NE(messages.find("No file on your computer has been changed"), std::string::npos) << messages;
    std::vector<std::string> unexpected;
    for (const std::string& d : SnapshotDifferences(before, TakeSnapshot(), WindowsOwnChanges())) {
      if (d.find("endings-run.log") == std::string::npos) unexpected.push_back(d);
    }
    EXPECT_TRUE(unexpected.empty()) << ::testing::PrintToString(unexpected);
  }
}

}  // namespace

