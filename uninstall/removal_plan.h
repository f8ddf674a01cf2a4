// What the uninstaller does for each entry of an intact log, newest entry first, and
// how the outcomes add up to its exit code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "system/uninstall_log_read.h"

enum StepAction {
  stepDeleteFile,        // shortcuts and installed files
  stepRemoveFolder,      // the program-menu folder and created folders, only when empty
  stepDeleteKey,         // a key with everything stored below it
  stepDeleteValue,       // one value of a key
  stepDeleteExtension,   // an extension key, only while it still names the logged type
  stepDeleteEmptyKey,    // the company key above a product key, only when left empty
};

enum StepRoot { rootNone, rootClasses, rootCurrentUser, rootLocalMachine };

struct RemovalStep {
  int action;
  int root;
  const char* path;    // path[0, pathLength): no trailing separator
  size_t pathLength;
  const char* name;    // the value name, or the file type an extension must name; else ""
  uint32_t entry;      // index of the log entry
};

// At most two steps per entry.
constexpr size_t kMostStepsPerEntry = 2;

// Fills steps (room for kMostStepsPerEntry × count) and returns how many there are.
size_t PlanRemoval(const LogContents& log, RemovalStep* steps);

enum StepResult {
  resultRemoved,   // gone now
  resultAbsent,    // was already gone
  resultWaits,     // removed at the next start of Windows
  resultKept,      // left on purpose: a folder with files the log does not name
  resultFailed,
  resultEmptyAfterRestart,  // a folder of files that wait, which the 95/98 start keeps
};

struct RemovalTally {
  int waits;
  int kept;
  int emptyAfterRestart;
  int failed;
};

void CountResult(RemovalTally* tally, int result);

enum ExitCode {
  exitAllRemoved = 0,
  exitDeclined = 1,
  exitFailed = 2,       // also a damaged log
  exitRestartNeeded = 3010,
};

int ExitCodeFor(const RemovalTally& tally);
