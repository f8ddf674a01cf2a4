// Names of the temporary files that the extraction writes beside their targets:
// IT0.tmp, IT1.tmp, ... in the target's folder, the first one not yet taken.
#pragma once

// Whether a file or folder of that name exists (or, for a probe that creates the file,
// whether it could not be had); context is the caller's.
typedef bool (*NameTakenFunction)(const char* path, void* context);

// path's drive and folder, then prefix, a counter from 0 in decimal and ".tmp": the
// first such name that taken() denies, as a new heap string. None when memory runs
// out or all 65,536 counters are taken.
//
// The counter last returned for a folder is remembered for the rest of the run, and
// the next probe in that folder starts after it, so that many files in one folder cost
// one probe each instead of one per earlier file. Names returned are taken to be the
// caller's from then on, as the probe that creates the file makes them; names below
// the counter are assumed to stay taken, which holds while the run only adds files.
char* MakeTempNameProbing(const char* path, const char* prefix, NameTakenFunction taken,
                          void* context = nullptr);

#ifdef _WIN32
#include <windows.h>

// The same on the file system, creating the file as it probes: one open per file,
// with no look-up before it. Returns the new file open for writing, its name in
// *name (a new heap string, also when the file could not be created, so that the
// failure can name it). INVALID_HANDLE_VALUE when it could not be created.
HANDLE CreateTempFile(const char* path, const char* prefix, char** name);
#endif

// Starts a new run: every folder is probed from 0 again.
void ForgetTempNames();
