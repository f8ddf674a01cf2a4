#include "tools/mksetup/decode.h"

#include <vector>

#include "config/state.h"
#include "payload/inflate.h"
#include "payload/writer_state.h"
#include "text/status.h"

namespace {
const std::function<bool(const uint8_t*, size_t)>* gSink = nullptr;
}

int FlushWindow() { return (*gSink)(gWindow, gWindowFill) ? statusOk : statusCanceled; }

const uint8_t* DecoderInput() { return gInput; }

int DecodeStream(const uint8_t* data, size_t size,
                 const std::function<bool(const uint8_t*, size_t)>& sink) {
  std::vector<uint8_t> window(kWindowSize);
  gWindow = window.data();
  gSink = &sink;
  gInput = data;
  gInputLeft = int32_t(size);
  gWriteFailed = 0;
  int status = Inflate();
  gSink = nullptr;
  gWindow = nullptr;
  return status;
}
