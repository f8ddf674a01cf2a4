// The decisions that put a new file in place of an old one, for every answer the file
// system can give.
#include <gtest/gtest.h>

#include "setup/replace_plan.h"

namespace {

constexpr int k95 = 1;
constexpr int kNT = 2;

TEST(NextReplaceAction, FromEachStateOfOneEntry) {
  struct Case {
    const char* what;
    ReplaceFacts facts;  // platform, deletion error, read-only, made writable, move, schedule,
                        // a folder in the way
    ReplaceAction expected;
  };
  const Case cases[] = {
      {"deleted: move now", {kNT, 0, false, false, tryNotYet, tryNotYet, false}, replaceMove},
      {"not there: move now", {kNT, 2, false, false, tryNotYet, tryNotYet, false}, replaceMove},
      {"moved", {kNT, 0, false, false, tryDone, tryNotYet, false}, replaceDone},
      {"deleted, move failed, NT: delayed move", {kNT, 0, false, false, tryFailed, tryNotYet, false},
       replaceScheduleMove},
      {"deleted, move failed, 95: WININIT.INI", {k95, 0, false, false, tryFailed, tryNotYet, false},
       replaceScheduleIni},
      {"not there, move failed: scheduled too", {kNT, 2, false, false, tryFailed, tryNotYet, false},
       replaceScheduleMove},
      {"deleted, move failed, scheduled", {kNT, 0, false, false, tryFailed, tryDone, false},
       replaceAtRestart},
      {"deleted, move and schedule failed: new file kept",
       {k95, 0, false, false, tryFailed, tryFailed, false}, replaceStranded},
      {"access denied, in use, NT", {kNT, 5, false, false, tryNotYet, tryNotYet, false},
       replaceScheduleMove},
      {"access denied, in use, 95", {k95, 5, false, false, tryNotYet, tryNotYet, false},
       replaceScheduleIni},
      {"sharing violation is in use", {kNT, 32, false, false, tryNotYet, tryNotYet, false},
       replaceScheduleMove},
      {"lock violation is in use", {k95, 33, false, false, tryNotYet, tryNotYet, false},
       replaceScheduleIni},
      {"other platform ids take the delayed move", {3, 32, false, false, tryNotYet, tryNotYet, false},
       replaceScheduleMove},
      {"in use, scheduled", {kNT, 32, false, false, tryNotYet, tryDone, false}, replaceAtRestart},
      {"in use, schedule refused: old file kept", {kNT, 32, false, false, tryNotYet, tryFailed, false},
       replaceDropNew},
      {"read-only: made writable first", {kNT, 5, true, false, tryNotYet, tryNotYet, false},
       replaceMakeWritable},
      {"read-only, sharing violation: in use", {kNT, 32, true, false, tryNotYet, tryNotYet, false},
       replaceScheduleMove},
      {"made writable, then deleted: move", {kNT, 0, true, true, tryNotYet, tryNotYet, false},
       replaceMove},
      {"made writable, still denied: in use", {k95, 5, true, true, tryNotYet, tryNotYet, false},
       replaceScheduleIni},
      {"made writable, now shared: in use", {kNT, 32, false, true, tryNotYet, tryNotYet, false},
       replaceScheduleMove},
      {"other deletion error: old file kept", {kNT, 206, false, false, tryNotYet, tryNotYet, false},
       replaceDropNew},
      {"path not found: old file kept", {k95, 3, false, false, tryNotYet, tryNotYet, false},
       replaceDropNew},
      {"a folder in the way, NT: nothing scheduled",
       {kNT, 5, false, false, tryNotYet, tryNotYet, true}, replaceDropNew},
      {"a folder in the way, 95: nothing scheduled",
       {k95, 5, false, false, tryNotYet, tryNotYet, true}, replaceDropNew},
  };
  for (const Case& c : cases) EXPECT_EQ(NextReplaceAction(c.facts), c.expected) << c.what;
}

}  // namespace
