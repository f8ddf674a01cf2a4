// Carrying out the steps of a removal plan on the system: files, folders and
// registry keys, and the removal at the next start of Windows of what is in use.
#pragma once

#include <cstddef>

#include "uninstall/removal_plan.h"

struct RemovalContext {
  bool windows9x;          // in-use files go to WININIT.INI, not to the delayed deletes
  const char* selfPath;    // the uninstaller itself: in use while it runs
  char* wininitPath;       // the 95/98 family's WININIT.INI; heap string
  char** waiting;          // paths removed at the next start of Windows
  size_t waitingCount;
  size_t waitingCapacity;
};

// Returns a StepResult; *detail receives what the text log and the end message name
// (a system error code, or 0).
int CarryOutStep(RemovalContext* context, const RemovalStep& step, unsigned long* detail);

void FreeRemovalContext(RemovalContext* context);
