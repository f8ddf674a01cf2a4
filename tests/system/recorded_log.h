// Reading back what the uninstall log recorded, for tests that record through the
// system operations.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "config/state.h"
#include "system/uninstall_log.h"

struct Recorded {
  uint32_t kind;
  std::string first;
  std::string second;  // empty for kinds without a second string
  bool operator==(const Recorded& o) const {
    return kind == o.kind && first == o.first && second == o.second;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Recorded& r) {
  return out << "{" << r.kind << ", \"" << r.first << "\", \"" << r.second << "\"}";
}

inline std::vector<Recorded> RecordedEntries() {
  std::vector<Recorded> out;
  for (uint32_t i = 0; i < gUninstallLog.entryCount; ++i) {
    const LogEntry& e = gUninstallLog.entries[i];
    bool hasSecond = e.kind >= logRegistryKey1;
    out.push_back({e.kind, gUninstallLog.pool + e.first,
                   hasSecond ? gUninstallLog.pool + e.second : ""});
  }
  return out;
}

// The program never frees its log; tests do, so that leaks elsewhere still show.
inline void ClearRecordedLog() {
  std::free(gUninstallLog.pool);
  std::free(gUninstallLog.entries);
  ResetUninstallLog();
}

// Logging on and an empty log for each test.
class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetUninstallLog();
    gLogActive = 1;
  }
  void TearDown() override {
    gLogActive = 0;
    ClearRecordedLog();
  }
};
