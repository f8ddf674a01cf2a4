// Any bytes given to the log reader: it refuses or accepts, never reads outside the
// image, and what it accepts plans without reading outside either.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "system/uninstall_log_read.h"
#include "uninstall/removal_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so that a read past it is caught.
  std::vector<uint8_t> image(data, data + size);
  const ProtectedFolders folders = {"C:\\WINDOWS", "C:\\WINDOWS\\system32"};
  LogContents log;
  uint32_t bad = 0;
  if (ParseUninstallLog(image.data(), image.size(), folders, &log, &bad) == logIntact) {
    std::vector<RemovalStep> steps(kMostStepsPerEntry * (size_t(log.count) + 1));
    size_t count = PlanRemoval(log, steps.data());
    for (size_t i = 0; i < count; ++i) {
      volatile size_t sum = std::strlen(steps[i].name) + steps[i].pathLength;
      (void)sum;
    }
    FreeLogContents(&log);
  }
  return 0;
}
