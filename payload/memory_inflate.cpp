#include "payload/memory_inflate.h"

#include <cstdlib>
#include <cstring>

#include "config/state.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

namespace {

uint8_t* gMemoryOutput = nullptr;
uint32_t gMemoryLeft = 0;
bool gMemoryOverrun = false;

int CopyWindowToMemory() {
  if (gWindowFill > gMemoryLeft) {
    gMemoryOverrun = true;
    return statusTruncated;
  }
  std::memcpy(gMemoryOutput, gWindow, gWindowFill);
  gMemoryOutput += gWindowFill;
  gMemoryLeft -= gWindowFill;
  return statusOk;
}

}  // namespace

int InflateToMemory(const uint8_t* input, uint32_t inputSize, uint8_t* output, uint32_t outputSize) {
  uint8_t* window = static_cast<uint8_t*>(std::malloc(kWindowSize));
  if (window == nullptr) return statusNoMemory;
  // The extraction's window may already be allocated; it gets it back unchanged.
  uint8_t* const savedWindow = gWindow;
  gWindow = window;
  gWindowSink = CopyWindowToMemory;
  gMemoryOutput = output;
  gMemoryLeft = outputSize;
  gMemoryOverrun = false;
  gInput = input;
  gInputLeft = int32_t(inputSize);
  int status = Inflate();
  gWindowSink = nullptr;
  gWindow = savedWindow;
  std::free(window);
  if (status == statusOk && (gMemoryOverrun || gMemoryLeft != 0)) status = statusTruncated;
  return status;
}
