#include "text/run_log.h"

// Host programs keep no log of a run.
bool OpenRunLog(const char*) { return false; }
void CloseRunLog() {}
void RunLog(const char*, const char*) {}
