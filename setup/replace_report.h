// The files the install phase could not put in place, and the message that names
// them at the end of the installation in place of the success message.
#pragma once

#include <cstdint>

struct ReplaceFailure {
  char* targetPath;   // heap string
  char* newCopyPath;  // heap string: where the new file stayed when the old one is gone;
                      // none when the old file was kept
};

struct ReplaceFailures {
  ReplaceFailure* items;
  uint32_t count;
  uint32_t capacity;
};

// Takes heap copies of both paths (newCopyPath may be none). False when memory runs
// out; the list is then unchanged.
bool AddReplaceFailure(ReplaceFailures* failures, const char* targetPath,
                       const char* newCopyPath);

void FreeReplaceFailures(ReplaceFailures* failures);

// Lines shown before the rest of the list is only counted.
constexpr uint32_t kListedFailures = 15;

// "Setup could not replace the following files:" and one line per file, in the user's
// language. A new heap string; none when memory runs out.
char* ReplaceFailureMessage(const ReplaceFailures* failures);
