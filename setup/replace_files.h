// Putting the extracted files in place of the old ones once the extraction is done.
#pragma once

#include "setup/install_report.h"
#include "setup/replace_plan.h"

// Deletes the old file at targetPath and moves the new one from tempPath into its
// place, now or, when the old file is in use, at the next restart. Returns the action
// that ended it: replaceDone, replaceAtRestart, replaceDropNew (the old file kept, the
// new one deleted) or replaceStranded (the old file gone, the new one left at
// tempPath).
ReplaceAction ReplaceOneFile(const char* targetPath, const char* tempPath);

// Every entry of gReplaceList that has a target, in table order: sets gRestartNeeded
// when one waits for the restart, adds those that could not be put in place to
// failures, and marks each entry handled.
void ReplaceFiles(InstallFailures* failures);
