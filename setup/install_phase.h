// The install phase: the last step of every wizard run.
#pragma once

#include "payload/extract.h"

// Extracts the payload, puts the new files in place (or arranges it for the next
// restart), makes the shortcuts, registers file types when associate is 1, the
// application path and the uninstall entry, writes the uninstall log, and tells the
// user how it ended. A cancel or a failed extraction deletes every temporary file and
// touches no existing file; only a failure is then reported. When gSilent is set
// nothing is shown: what would be said goes to the run's text log only.
// Returns how it ended, as the process's exit code tells it.
int RunInstallPhase(const char* programFolderName, int associate);

// How an installation or a whole run ended.
enum RunOutcome {
  outcomeInstalled = 0,
  outcomeCancelled = 1,
  outcomeFailed = 2,
  outcomeBadSwitch = 87,        // a switch that was not understood
  outcomeRestartNeeded = 3010,  // installed; files wait for the restart
};

// The text shown when the extraction failed (not a cancel): the status's
// message, the file concerned if there is one, and that nothing was changed. A new
// heap string; none when memory runs out.
char* ExtractFailureMessage(ExtractResult result);
