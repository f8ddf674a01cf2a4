#include "payload/inflate_harness.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "config/state.h"
#include "payload/crc32.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

namespace {

InflateResult* gCapture = nullptr;
WriterScript gScript;

}  // namespace

int FlushWindow() {
  int index = static_cast<int>(gCapture->flushes.size());
  gCapture->flushes.push_back(gWindowFill);
  if (index == gScript.failWriteAt) {
    gWriteFailed = 1;
    return statusOk;
  }
  if (!gWriteFailed) {
    gCapture->output.insert(gCapture->output.end(), gWindow, gWindow + gWindowFill);
    gRunningCrc = UpdateCrc32(gRunningCrc, gWindow, gWindowFill);
  }
  return index == gScript.cancelAt ? statusCanceled : statusOk;
}

InflateResult RunInflate(const std::vector<uint8_t>& input, WriterScript script) {
  static uint8_t* window = static_cast<uint8_t*>(std::malloc(kWindowSize));
  // Stale bytes that a faulty copy could pick up.
  std::memset(window, 0xA5, kWindowSize);
  gWindow = window;

  std::unique_ptr<uint8_t[]> copy(new uint8_t[input.size() + (input.empty() ? 1 : 0)]);
  if (!input.empty()) std::memcpy(copy.get(), input.data(), input.size());
  gInput = copy.get();
  gInputLeft = static_cast<int32_t>(input.size());
  gWriteFailed = 0;

  InflateResult result{};
  gCapture = &result;
  gScript = script;
  result.status = Inflate();
  result.crc = gRunningCrc ^ 0xFFFFFFFFu;
  gCapture = nullptr;
  return result;
}
