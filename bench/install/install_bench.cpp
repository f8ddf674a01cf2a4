// Installation time per file under Wine: a payload of many small files into one
// folder, extracted to temporary files and put in place, first into an empty folder
// and then over the files of the first run.
//   install_bench.exe [file count ...]     (default: 100 2000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/state_win.h"
#include "payload/extract.h"
#include "setup/replace_files.h"
#include "support/install_fixture.h"
#include "text/variables.h"
#include "ui/dialogs.h"

namespace {

constexpr size_t kFileSize = 4096;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(frequency.QuadPart);
}

void RemoveFolder(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA((folder + "\\" + found.cFileName).c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

// One installation of the image; false when something failed.
bool InstallOnce(InstallImage& image, double* extractSeconds, double* replaceSeconds) {
  InstalledState state(image, 1);
  double start = Now();
  int status = ExtractPayload().status;
  double extracted = Now();
  InstallFailures failures = {nullptr, 0, 0, 0};
  if (status == 0) ReplaceFiles(&failures);
  double replaced = Now();
  bool ok = status == 0 && FailureCount(&failures) == 0 && gRestartNeeded == 0;
  FreeInstallFailures(&failures);
  *extractSeconds = extracted - start;
  *replaceSeconds = replaced - extracted;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {100, 2000};

  gInstance = GetModuleHandleA(nullptr);
  gVersionInfo.dwOSVersionInfoSize = sizeof gVersionInfo;
  GetVersionExA(&gVersionInfo);
  if (!CreateExtractDialog() || CreateVariableTable() != 0) return 1;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);

  std::printf("%-6s %-10s %12s %12s %12s\n", "files", "folder", "extract", "replace", "total");
  for (int count : counts) {
    const std::string destination = std::string(temp) + "install-bench-" + std::to_string(count);
    RemoveFolder(destination);
    SetVariable("Destination", destination.c_str());
    std::vector<PayloadFile> files;
    for (int i = 0; i < count; ++i) {
      files.push_back({"$(Destination)\\file" + std::to_string(i) + ".dat",
                       PatternBytes(kFileSize, unsigned(i)), 1});
    }
    InstallImage image = BuildInstallImage(files);
    for (const char* folder : {"empty", "installed"}) {
      double extract = 0, replace = 0;
      if (!InstallOnce(image, &extract, &replace)) {
        std::printf("%d files: the installation failed\n", count);
        return 1;
      }
      std::printf("%-6d %-10s %9.3f ms %9.3f ms %9.3f ms  per file\n", count, folder,
                  1000 * extract / count, 1000 * replace / count,
                  1000 * (extract + replace) / count);
    }
    RemoveFolder(destination);
  }
  return 0;
}
