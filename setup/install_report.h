// What the installation could not do, and the message that names it at the end in
// place of the success message.
#pragma once

#include <cstdint>

enum FailureKind {
  failureFileKept,       // the old file stays; the new one is gone
  failureFileStranded,   // the old file is gone; the new one stayed at newCopyPath
  failureProgramFolder,  // the program-menu folder could not be made
  failureShortcut,       // a shortcut could not be saved
  failureRegistry,       // a registry entry could not be written
  failureLog,            // the uninstall log could not be written
};

struct InstallFailure {
  int kind;
  char* path;         // heap string: the file, folder, shortcut or key concerned
  char* newCopyPath;  // heap string for failureFileStranded, else none
};

struct InstallFailures {
  InstallFailure* items;
  uint32_t count;
  uint32_t capacity;
  uint32_t lost;  // failures that memory did not allow to list: still failures
};

// Takes heap copies of both paths (newCopyPath may be none). When memory runs out the
// failure is only counted in lost, so that it is never mistaken for success.
void AddInstallFailure(InstallFailures* failures, int kind, const char* path,
                       const char* newCopyPath);

// Every failure, listed or not.
uint32_t FailureCount(const InstallFailures* failures);

void FreeInstallFailures(InstallFailures* failures);

// Lines shown before the rest of the list is only counted.
constexpr uint32_t kListedFailures = 15;

// One line per failure in the user's language, under "Setup could not replace the
// following files:" when only files failed, else under a heading for the whole
// installation. A new heap string; none when memory runs out.
char* InstallFailureMessage(const InstallFailures* failures);
