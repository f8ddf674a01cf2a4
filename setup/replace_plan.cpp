#include "setup/replace_plan.h"

namespace {

ReplaceAction Schedule(const ReplaceFacts& f, ReplaceAction failed) {
  switch (f.schedule) {
    case tryNotYet:
      return f.platformId == 1 ? replaceScheduleIni : replaceScheduleMove;
    case tryDone:
      return replaceAtRestart;
    case tryFailed:
      break;
  }
  return failed;
}

}  // namespace

bool IsInUseError(uint32_t error) {
  return error == replaceErrorAccessDenied || error == replaceErrorSharingViolation ||
         error == replaceErrorLockViolation;
}

ReplaceAction NextReplaceAction(const ReplaceFacts& f) {
  // Deleting a folder is denied like deleting a file in use, but no restart helps.
  if (f.targetIsFolder) return replaceDropNew;
  bool oldGone = f.deleteError == 0 || f.deleteError == replaceErrorFileNotFound;
  if (oldGone) {
    switch (f.move) {
      case tryNotYet:
        return replaceMove;
      case tryDone:
        return replaceDone;
      case tryFailed:
        // The old file is gone already: the new one must still get there.
        return Schedule(f, replaceStranded);
    }
  }
  // Deleting a read-only file is denied like deleting one in use.
  if (f.deleteError == replaceErrorAccessDenied && f.readOnly && !f.madeWritable) {
    return replaceMakeWritable;
  }
  if (IsInUseError(f.deleteError)) return Schedule(f, replaceDropNew);
  return replaceDropNew;
}
