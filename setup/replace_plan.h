// How the install phase puts one new file in place of the old one: what to do next,
// decided from what the file system has answered so far. Kept free of system calls
// so that every path through it can be tried on any machine.
#pragma once

#include <cstdint>

// System error codes the decision reads.
enum : uint32_t {
  replaceErrorFileNotFound = 2,
  replaceErrorAccessDenied = 5,
  replaceErrorSharingViolation = 32,
  replaceErrorLockViolation = 33,
};

enum ReplaceTry { tryNotYet, tryDone, tryFailed };

// What has happened to one entry.
struct ReplaceFacts {
  int platformId;         // 1: the 95/98 family; anything else: the NT family
  uint32_t deleteError;   // of the latest deletion of the old file; 0 when it was deleted
  bool readOnly;          // the old file carries the read-only attribute
  bool madeWritable;      // that attribute was cleared and the deletion repeated
  ReplaceTry move;        // the new file moved into place now
  ReplaceTry schedule;    // the replacement arranged for the next restart
  bool targetIsFolder;    // a folder stands where the file goes: nothing can replace it
};

enum ReplaceAction {
  replaceMakeWritable,    // clear the read-only attribute and delete again
  replaceMove,            // move the new file into place
  replaceScheduleIni,     // WININIT.INI entries for the next start (95/98)
  replaceScheduleMove,    // the platform's delayed move, replacing the target (NT)
  replaceDone,            // the new file is in place
  replaceAtRestart,       // the new file takes its place at the next restart
  replaceDropNew,         // keep the old file; delete the new one; report the target
  replaceStranded,        // the old file is gone and the new one stays under its
                          // temporary name; report both
};

// The first action is always deleting the old file; facts start after it.
ReplaceAction NextReplaceAction(const ReplaceFacts& facts);

// Whether a deletion error means another program holds the file.
bool IsInUseError(uint32_t error);
